#include "exclusivechoicegenerator.h"

#include <QButtonGroup>
#include <QWidget>

namespace KorvanDebugger {
namespace Configuration {

ExclusiveChoiceGenerator::ExclusiveChoiceGenerator(const QString &key)
    : BaseInput(key)
{
}

ExclusiveChoiceGenerator::~ExclusiveChoiceGenerator() = default;

void ExclusiveChoiceGenerator::addChoice(int id, const char *name)
{
    choices.insert(id, QString::fromLatin1(name));
}

int ExclusiveChoiceGenerator::currentId() const
{
    return widget() ? checkedChoiceId() : currentChoice;
}

int ExclusiveChoiceGenerator::checkedChoiceId() const
{
    if (!buttonGroup)
        return NotDefined;
    const int id = buttonGroup->checkedId();
    return id == -1 ? int(NotDefined) : id;
}

QJsonValue ExclusiveChoiceGenerator::value() const
{
    const int id = currentId();
    if (id == NotDefined)
        return QStringLiteral("NotDefined");
    return choices.value(id);
}

void ExclusiveChoiceGenerator::setValue(const QJsonObject &object, bool byKey)
{
    const QString name = selectValue(object, byKey).toString();
    currentChoice = NotDefined;
    for (auto it = choices.constBegin(); it != choices.constEnd(); ++it) {
        if (it.value() == name) {
            currentChoice = it.key();
            break;
        }
    }
}

PythonCode ExclusiveChoiceGenerator::generate()
{
    return PythonCode();
}

bool ExclusiveChoiceGenerator::isValid() const
{
    if (!widget())
        return currentChoice != NotDefined;
    // Only a choice hidden on purpose is exempt: isVisible() is false on
    // every widget of a dialog that is not shown yet, which would let a
    // wizard finish with a required choice empty.
    if (widget()->isHidden() && widget()->testAttribute(Qt::WA_WState_ExplicitShowHide))
        return true;
    return checkedChoiceId() != NotDefined;
}

} // namespace Configuration
} // namespace KorvanDebugger
