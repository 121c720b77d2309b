#include "configurationlist.h"

#include "configuration/accessorinputgenerator.h"
#include "configuration/configurationwizardgenerator.h"
#include "configuration/keys.h"

#include <QJsonArray>
#include <QPushButton>
#include <QRegularExpression>

namespace KorvanDebugger {
namespace Configuration {

ConfigurationListBase::ConfigurationListBase(const QString &key, ConfigurationListModelBase *model,
                                             QWidget *parent)
    : QWidget(parent)
    , BaseInput(key)
    , m_model(model)
{
}

ConfigurationListBase::~ConfigurationListBase() = default;

QJsonValue ConfigurationListBase::value() const
{
    return QJsonArray(m_model->entries());
}

void ConfigurationListBase::setValue(const QJsonObject &json, bool byKey)
{
    // Without byKey the object itself would be read as an array: none.
    const QJsonArray entries = byKey ? json.value(key()).toArray() : QJsonArray();
    m_model->setEntries(entries);
}

void ConfigurationListBase::syncButton()
{
    const bool selected = currentRow() != -1;
    if (m_removeButton)
        m_removeButton->setEnabled(selected);
    if (m_editButton)
        m_editButton->setEnabled(selected);
    emit changed();
}

PythonCode ConfigurationListBase::generateEntries(ConfigurationWizardGenerator &generator, bool instancesOnly)
{
    static const QRegularExpression pythonName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    DebugContextScope context(key().isEmpty() ? QStringLiteral("<Default>") : key());
    PythonCode result;
    // A copy: generating may reload generators that read this very list.
    const QJsonArray entries = m_model->entries();
    for (const QJsonValue &entry : entries) {
        generator.setValue(entry.toObject(), false);
        PythonCode code = generator.generate();
        if (instancesOnly && !pythonName.match(code.expression).hasMatch())
            code.expression.clear();
        result.merge(code);
    }
    return result;
}

FieldList::FieldList(const QString &key, BaseInput *featureInput, QWidget *parent)
    : ConfigurationListBase(key, new FieldModel, parent)
    , m_featureInput(featureInput)
{
}

FieldModel *FieldList::fieldModel() const
{
    return static_cast<FieldModel *>(m_model.data());
}

PythonCode FieldList::generate()
{
    static ConfigurationWizardGenerator fieldGenerator(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);
    // The field generator is shared by every field list; a field that expands
    // another class's fields generates that list while this one is running,
    // so a nested call works on its own generator.
    static int depth = 0;
    ++depth;
    PythonCode code;
    if (depth == 1) {
        code = generateEntries(fieldGenerator, true);
    } else {
        ConfigurationWizardGenerator nested(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);
        code = generateEntries(nested, true);
    }
    --depth;
    code.joinExpressionLines();
    code.expression = QStringLiteral("[%1]").arg(code.expression);
    code.makeKeywordArgument(key());
    return code;
}

bool FieldList::isContainerClass() const
{
    if (!m_featureInput)
        return false;
    AccessorInputGenerator feature(Key::feature, 0, int(quint64(AccessorKind::FeatureClass) >> 32));
    feature.setValue(QJsonObject{{Key::feature, m_featureInput->value()}}, true);
    return feature.kind == AccessorKind::FeatureContainer;
}

bool FieldList::isValid() const
{
    if (!isContainerClass()) {
        setErrorMessage(QString());
        return true;
    }
    if (m_model->entries().isEmpty()) {
        setErrorMessage(tr("The configuration is defining a Container object.\n"
                                 "You must define one container type field."));
        return false;
    }
    ConfigurationWizardGenerator field(Key::tmp, ConfigurationWizardGenerator::FieldDefinition);
    for (const QJsonValue &entry : m_model->entries()) {
        field.setValue(entry.toObject(), false);
        if (!field.isContainer(true)) {
            setErrorMessage(tr("The configuration is defining a Container object.\n"
                                     "The associated field Must be of container type."));
            return false;
        }
    }
    setErrorMessage(QString());
    return true;
}

ClassList::ClassList(QWidget *parent)
    : ConfigurationListBase(Key::classes, new ClassModel, parent)
{
}

ClassModel *ClassList::classModel() const
{
    return static_cast<ClassModel *>(m_model.data());
}

PythonCode ClassList::generate()
{
    static ConfigurationWizardGenerator classGenerator(Key::tmp, ConfigurationWizardGenerator::ClassDefinition);
    return generateEntries(classGenerator, false);
}

} // namespace Configuration
} // namespace KorvanDebugger
