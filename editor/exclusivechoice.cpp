#include "exclusivechoice.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QRadioButton>

namespace KorvanDebugger {
namespace Configuration {

ExclusiveChoice::ExclusiveChoice(const QString &title, const QString &key, QWidget *parent, bool vertical)
    : QGroupBox(title, parent)
    , ExclusiveChoiceGenerator(key)
{
    setWidget(this);
    if (vertical)
        setLayout(new QVBoxLayout);
    else
        setLayout(new QHBoxLayout);
    buttonGroup = new QButtonGroup(this);
    connect(buttonGroup, &QButtonGroup::idClicked, this, &ExclusiveChoice::changed);
}

void ExclusiveChoice::addChoice(const QString &text, int id, const char *name, const QString &toolTip)
{
    if (QAbstractButton *existing = buttonGroup->button(id)) {
        existing->setText(text);
        return;
    }
    auto button = new QRadioButton(text, this);
    button->setToolTip(toolTip);
    buttonGroup->addButton(button, id);
    layout()->addWidget(button);
    ExclusiveChoiceGenerator::addChoice(id, name);
}

void ExclusiveChoice::clearChoices()
{
    const QList<QAbstractButton *> buttons = buttonGroup->buttons();
    for (QAbstractButton *button : buttons) {
        buttonGroup->removeButton(button);
        delete button;
    }
    choices.clear();
    currentChoice = NothingLoaded;
}

void ExclusiveChoice::setCurrentId(int id)
{
    currentChoice = id;
    // An exclusive group keeps its checked button when asked to uncheck it,
    // so an id without a button leaves the selection as it is.
    const QList<QAbstractButton *> buttons = buttonGroup->buttons();
    for (QAbstractButton *button : buttons)
        button->setChecked(buttonGroup->id(button) == id);
    currentChoice = buttonGroup->checkedId();
    emit changed();
}

void ExclusiveChoice::setValue(const QJsonObject &object, bool byKey)
{
    ExclusiveChoiceGenerator::setValue(object, byKey);
    setCurrentId(currentChoice);
    m_loadedAbsent = selectValue(object, byKey).isUndefined();
    m_absentId = currentId();
}

QJsonValue ExclusiveChoice::value() const
{
    if (m_loadedAbsent && currentId() == m_absentId)
        return QJsonValue();
    return ExclusiveChoiceGenerator::value();
}

QString ExclusiveChoice::choiceHelp() const
{
    QString help;
    const QList<QAbstractButton *> buttons = buttonGroup->buttons();
    for (const QAbstractButton *button : buttons) {
        if (!button->toolTip().isEmpty())
            help += QStringLiteral("<li><b>%1</b>: %2</li>").arg(button->text(), button->toolTip());
    }
    return help;
}

void ExclusiveChoice::setVisible(bool visible)
{
    QGroupBox::setVisible(visible);
}

} // namespace Configuration
} // namespace KorvanDebugger
