#include "enumfield.h"

#include "configuration/enuminputgenerator.h"

namespace KorvanDebugger {
namespace Configuration {

EnumerationKeeper::EnumerationKeeper(const QString &key, QWidget *parent)
    : QLabel(parent)
    , BaseInput(key)
{
    setWidget(this);
    setWordWrap(true);
}

QJsonValue EnumerationKeeper::value() const
{
    return m_value;
}

void EnumerationKeeper::setValue(const QJsonObject &object, bool byKey)
{
    const QJsonValue value = selectValue(object, byKey);
    m_value = value.isUndefined() ? QJsonValue() : value;
    setText(m_value.isObject() ? tr("The enumeration definition is kept as loaded.") : QString());
    emit changed();
}

PythonCode EnumerationKeeper::generate()
{
    EnumInputGenerator generator(key());
    generator.setValue(QJsonObject{{key(), m_value}}, true);
    return generator.generate();
}

void EnumerationKeeper::setVisible(bool visible)
{
    QLabel::setVisible(visible);
    if (visible == m_shown)
        return;
    m_shown = visible;
    emit changed();
}

EnumField::EnumField(const QString &labelText)
    : FieldInput<EnumerationEditor>(labelText, new EnumerationEditor(QStringLiteral("enumeration")), nullptr)
{
    connect(input(), &EnumerationEditor::changed, this, &EnumField::changed);
}

} // namespace Configuration
} // namespace KorvanDebugger
