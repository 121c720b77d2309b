#pragma once

// A JSON key whose value is one name out of a small fixed set, edited as a
// titled group of radio buttons of which at most one is checked. The
// generator part keeps the table of names and turns the checked button into
// the JSON value and back.

#include "configuration/exclusivechoicegenerator.h"

#include <QGroupBox>

namespace KorvanDebugger {
namespace Configuration {

class ExclusiveChoice : public QGroupBox, public ExclusiveChoiceGenerator
{
    Q_OBJECT
public:
    ExclusiveChoice(const QString &title, const QString &key, QWidget *parent, bool vertical);

    // A new button, or a new text for the button of an existing id (its
    // tool tip and name then stay).
    void addChoice(const QString &text, int id, const char *name, const QString &toolTip);
    // Removes every button and name; emits nothing.
    void clearChoices();
    // Checks the button of the id; an id without a button keeps the
    // selection. Emits changed() in every case.
    void setCurrentId(int id);
    // "<li><b>text</b>: tool tip</li>" for every button with a tool tip.
    QString choiceHelp() const;

    // Null while the choice an absent entry left checked is still checked:
    // an unchanged absence is read back as absent.
    QJsonValue value() const override;

public slots:
    // An absent entry keeps the choice checked before (the default).
    void setValue(const QJsonObject &object, bool byKey) override;
    // Hiding never changes the selection.
    void setVisible(bool visible) override;

signals:
    void changed();

private:
    // The choice checked when an absent entry was loaded; none otherwise.
    int m_absentId = NothingLoaded;
    bool m_loadedAbsent = false;
};

} // namespace Configuration
} // namespace KorvanDebugger
