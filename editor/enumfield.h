#pragma once

// The enumeration row of the model wizard: an enumeration editor shown in a
// row of its own, whose changes the row relays.
//
// EnumerationEditor is the widget the row wraps. Until the tabbed
// enumeration editor is part of the build, EnumerationKeeper stands in: it
// edits nothing, keeps the loaded "enumeration" object and gives it back
// unchanged, so that editing any other part of a definition never loses it.

#include "fieldinput.h"

#include "configuration/baseinput.h"

#include <QJsonValue>
#include <QLabel>

namespace KorvanDebugger {
namespace Configuration {

class EnumerationKeeper : public QLabel, public BaseInput
{
    Q_OBJECT
public:
    explicit EnumerationKeeper(const QString &key, QWidget *parent = nullptr);

    QJsonValue value() const override;
    void setValue(const QJsonObject &object, bool byKey) override;
    // The Python of the kept object, as the definition's generator makes it.
    PythonCode generate() override;
    void setVisible(bool visible) override;
    // The editor's own shown state, which decides whether a class reads it.
    bool shown() const { return m_shown; }

signals:
    void changed();

private:
    QJsonValue m_value;
    bool m_shown = true;
};

using EnumerationEditor = EnumerationKeeper;

class EnumField : public QObject, public FieldInput<EnumerationEditor>
{
    Q_OBJECT
public:
    // Built without a page: the row is a box of its own, which the page
    // places across its grid.
    explicit EnumField(const QString &labelText);

signals:
    void changed();
};

} // namespace Configuration
} // namespace KorvanDebugger
