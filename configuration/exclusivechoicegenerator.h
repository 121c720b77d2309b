#pragma once

// One value out of a fixed table of named choices ("1D", "Swap",
// "General", ...), stored in JSON as the choice's name. The radio-button
// widget ExclusiveChoice derives from it: it binds itself as the widget and
// sets the button group, whose checked button is then the selection.

#include "baseinput.h"

#include <QMap>

QT_BEGIN_NAMESPACE
class QButtonGroup;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class ExclusiveChoiceGenerator : public BaseInput
{
public:
    enum : int {
        NothingLoaded = -1,
        NotDefined = -2, // a load found no choice of that name; no button checked
    };

    explicit ExclusiveChoiceGenerator(const QString &key);
    ~ExclusiveChoiceGenerator() override;

    // Enters or renames the choice of this id (the name read as Latin-1).
    void addChoice(int id, const char *name);

    // The selected id: the checked button with a bound widget, else the
    // id of the last load (NothingLoaded, NotDefined or a table id).
    int currentId() const;
    // The button group's checked id; NotDefined when no button is checked
    // or no button group is set.
    int checkedChoiceId() const;

    // The name of the selection: "NotDefined" for NotDefined, "" for an id
    // that is not in the table (nothing loaded yet).
    QJsonValue value() const override;
    // Selects the first choice, in ascending id order, whose name equals the
    // JSON text exactly; NotDefined when there is none.
    void setValue(const QJsonObject &object, bool byKey) override;
    // A choice has no Python of its own: an empty record.
    PythonCode generate() override;
    // False when nothing valid is selected; a bound widget that was hidden
    // (a row the current definition does not use) never blocks.
    bool isValid() const override;

    const QMap<int, QString> &choiceNames() const { return choices; }

protected:
    QButtonGroup *buttonGroup = nullptr; // null in a pure generator
    QMap<int, QString> choices;
    int currentChoice = NothingLoaded;
};

} // namespace Configuration
} // namespace KorvanDebugger
