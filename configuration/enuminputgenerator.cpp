#include "enuminputgenerator.h"

#include "keys.h"

#include "editor/enummodel.h"

#include <QJsonArray>

namespace KorvanDebugger {
namespace Configuration {

namespace {
QStringList stringList(const QJsonValue &value)
{
    QStringList list;
    const QJsonArray array = value.toArray();
    for (const QJsonValue &entry : array)
        list << entry.toString();
    return list;
}
} // namespace

EnumInputGenerator::EnumInputGenerator(const QString &key)
    : BaseInput(key)
    , m_model(new EnumModel)
{
}

EnumInputGenerator::~EnumInputGenerator() = default;

// A copy gets a model of its own with the same rows.
EnumInputGenerator::EnumInputGenerator(const EnumInputGenerator &other)
    : BaseInput(other)
    , m_model(new EnumModel)
{
    *this = other;
}

EnumInputGenerator &EnumInputGenerator::operator=(const EnumInputGenerator &other)
{
    if (this == &other)
        return *this;
    BaseInput::operator=(other);
    QStringList masks;
    QStringList enums;
    other.m_model->toText(masks, enums, false);
    m_model->reset(true);
    m_model->setEnums(masks, enums);
    return *this;
}

QJsonValue EnumInputGenerator::value() const
{
    return QJsonObject();
}

void EnumInputGenerator::setValue(const QJsonObject &object, bool byKey)
{
    loadTable(m_model.get(), selectValue(object, byKey).toObject());
}

void EnumInputGenerator::loadTable(EnumModel *model, const QJsonObject &enumeration)
{
    model->reset(true);
    model->setEnums(stringList(enumeration.value(Key::masks)), stringList(enumeration.value(Key::enums)));
}

PythonCode EnumInputGenerator::generate()
{
    return m_model->pythonArguments();
}

} // namespace Configuration
} // namespace KorvanDebugger
