#include "configurationwizardgenerator.h"

#include "jsonhelpers.h"
#include "keys.h"
#include "normalisation.h"
#include "storedclasses.h"

#include "editor/configurationlist.h"

#include <QSet>

namespace KorvanDebugger {
namespace Configuration {

namespace {

const quint32 containerMask = 0x3d8000;

QString contextName(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("<Default>") : text;
}

void generateInto(PythonCode &code, BaseInput &input)
{
    code.merge(input.generate());
}

} // namespace

void addDimensionChoices(ExclusiveChoiceGenerator &choice)
{
    choice.addChoice(1, "1D");
    choice.addChoice(2, "2D");
}

void addCustomizationChoices(ExclusiveChoiceGenerator &choice)
{
    addDimensionChoices(choice);
    choice.addChoice(16, "Swap");
    choice.addChoice(32, "Key");
    choice.addChoice(64, "Value");
    choice.addChoice(128, "Key2D");
    choice.addChoice(256, "Value2D");
}

ConfigurationWizardGenerator::ConfigurationWizardGenerator(const QString &key, int kind)
    : BaseInput(key)
    , type(Key::type)
    , dimension(Key::dimension)
    , model(Key::model)
    , accessor(Key::accessor, true)
    , displayedName(Key::displayedName)
    , userNode(Key::userNode)
    , trueValue(Key::trueValue)
    , falseValue(Key::falseValue)
    , classEnumeration(Key::enumeration)
    , fieldEnumeration(Key::enumeration)
    , arrayBase(Key::arrayBase)
    , arraySize(Key::arraySize)
    , cellDefinition(Key::cellDefinition)
    , invalidCondition(Key::invalidCondition)
    , overflowSpace(Key::overflowSpace)
    , arrayNbElement(Key::nbElement)
    , linkedBase(Key::linkedBase)
    , left(Key::left)
    , right(Key::right)
    , nodeDefinition(Key::nodeDefinition)
    , endCondition(Key::endCondition)
    , linkedNbElement(Key::nbElement)
    , itemName(Key::itemName)
    , itemsName(Key::itemsName)
    , keyList(Key::key, false)
    , valueList(Key::value, false)
    , customization(Key::customization)
    , scope(Key::scope)
    , keyCustom(Key::keyCustom)
    , valueCustom(Key::valueCustom)
    , filter(Key::filter)
    , fields(new FieldList(Key::fields))
    , className(Key::className)
    , feature(Key::feature)
    , header(Key::header)
    , group(Key::group)
    , m_kind(kind)
{
    addDimensionChoices(dimension);
    addCustomizationChoices(customization);
    scope.addChoice(4096, "General");
    scope.addChoice(8192, "Local");
}

ConfigurationWizardGenerator::~ConfigurationWizardGenerator() = default;

QJsonValue ConfigurationWizardGenerator::value() const
{
    return QJsonValue();
}

AccessorKind ConfigurationWizardGenerator::fieldType() const
{
    return makeAccessorKind(0, highHalf(type.kind));
}

AccessorKind ConfigurationWizardGenerator::featureKind() const
{
    return makeAccessorKind(0, highHalf(feature.kind));
}

void ConfigurationWizardGenerator::setValue(const QJsonObject &object, bool byKey)
{
    feature.setExpectedKind(AccessorKind::FeatureClass);
    type.setExpectedKind(AccessorKind::TypeStandard);
    for (AccessorInputGenerator *text :
         {&model, &displayedName, &userNode, &trueValue, &falseValue, &itemName, &itemsName, &group})
        text->setExpectedKind(AccessorKind::Text);

    const QJsonObject d = selectValue(object, byKey).toObject();

    BaseInput *const loads[] = {&className, &feature, &header, &string, &bitArray, fields.get(), &group,
                                &classEnumeration, &type, &dimension, &model, &accessor, &displayedName,
                                &userNode, &trueValue, &falseValue, &fieldEnumeration, &arrayBase,
                                &arraySize, &cellDefinition, &invalidCondition, &overflowSpace,
                                &arrayNbElement, &linkedBase, &right, &left, &nodeDefinition,
                                &endCondition, &linkedNbElement, &keyList, &itemName, &itemsName,
                                &valueList};
    for (BaseInput *input : loads)
        input->setValue(d, true);

    const QJsonObject classNameObject = d.value(Key::className).toObject();
    apiPath = classNameObject.value(Key::path).toString();
    apiName = classNameObject.value(Key::api).toString();
    apiClassName = classNameObject.value(Key::className).toString();

    for (BaseInput *input : std::initializer_list<BaseInput *>{&customization, &scope, &keyCustom, &valueCustom, &filter})
        input->setValue(d, true);

    m_enabled = d.value(Key::enable).toBool(true);

    if (m_kind == ClassDefinition) {
        // The class counts as being expanded, so that a field reusing the
        // class itself (directly or through other models) is dropped.
        QSet<QString> expanding{className.text};
        normaliseFieldList(*fields, fieldsPathOfClass(d), &expanding);
    }
}

PythonCode ConfigurationWizardGenerator::generate()
{
    if (!m_enabled)
        return PythonCode();
    if (m_kind == FieldDefinition)
        return generateField();
    if (m_kind == ClassDefinition)
        return generateClass();
    return PythonCode();
}

QString ConfigurationWizardGenerator::customApiKey() const
{
    return Configuration::customApiKey(apiName, encodeCustomPath(apiPath), apiClassName);
}

QString ConfigurationWizardGenerator::modelName() const
{
    if (m_kind != FieldDefinition)
        return QString();
    const AccessorKind t = type.kind;
    if (t == AccessorKind::TypeFromBaseClass || t == AccessorKind::TypeCustomizedContainer)
        return model.text;
    return QString();
}

bool ConfigurationWizardGenerator::isContainer(bool edited) const
{
    if (m_kind == ClassDefinition)
        return featureKind() == AccessorKind::FeatureContainer;
    if (m_kind != FieldDefinition && m_kind != Container1DField && m_kind != Container2DField)
        return false;
    if (highHalf(type.kind) & containerMask)
        return true;
    const QString name = modelName();
    if (name.isEmpty())
        return false;
    return edited ? editedClassIsContainer(name) : storedClassIsContainer(name);
}

int ConfigurationWizardGenerator::containerDimension() const
{
    if (m_kind == FieldDefinition || m_kind == Container1DField || m_kind == Container2DField)
        return dimension.currentId();
    if (m_kind != ClassDefinition)
        return 0;
    if (featureKind() != AccessorKind::FeatureContainer)
        return dimension.currentId();
    static ConfigurationWizardGenerator firstField(Key::tmp, FieldDefinition);
    firstField.setValue(fieldAt(0), false);
    return firstField.containerDimension();
}

QJsonObject ConfigurationWizardGenerator::fieldAt(int index) const
{
    const QJsonArray array = fields->value().toArray();
    return index >= 0 && index < array.size() ? array.at(index).toObject() : QJsonObject();
}

bool ConfigurationWizardGenerator::headerIsIdentity() const
{
    return header.isIdentity();
}

PythonCode ConfigurationWizardGenerator::generateClass()
{
    PythonCode r;
    const QString apiKey = customApiKey();
    DebugContextScope outer(contextName(apiKey == QLatin1String(";") ? group.text : Key::custom));

    QString typeName = className.text;
    QString second = typeName;
    if (typeName.isEmpty()) {
        second = apiKey;
        typeName = uniqueHelperId();
    }
    DebugContextScope inner(second);

    const AccessorKind f = featureKind();
    if (f == AccessorKind::FeatureEnumeration) {
        generateInto(r, classEnumeration);
        r.setHelperName(QStringLiteral("GenericEnumHelper"));
        r.instantiateHelper();
        r.joinExpressionLines();
        r.expression = QStringLiteral("[%1]").arg(r.expression);
        r.makeKeywordArgument(Key::fields);
        appendCodeLine(r.expression, QStringLiteral("d = d"));
        appendCodeLine(r.expression, QStringLiteral("value = value"));
        if (!headerIsIdentity())
            generateInto(r, header);
        appendCodeLine(r.expression, QStringLiteral("dumpMode = dumpMode"));
        r.helperName = r.makeDumperHeader(typeName) + QStringLiteral("    return GenericDumpFieldAsParentHelper");
        r.emitFunctionHeader();
        r.guardDefinitions();
        return r;
    }

    appendCodeLine(r.expression, QStringLiteral("d = d"));
    appendCodeLine(r.expression, QStringLiteral("value = value"));
    if (!headerIsIdentity())
        generateInto(r, header);
    generateInto(r, *fields);
    appendCodeLine(r.expression, QStringLiteral("dumpMode = dumpMode"));

    QString returnLine;
    if (f == AccessorKind::FeatureClass) {
        returnLine = QStringLiteral("    return GenericDumpClassHelper");
    } else if (f == AccessorKind::FeatureContainer) {
        returnLine = QStringLiteral("    return GenericDumpFieldAsParentHelper");
    } else if (f == AccessorKind::FeatureString) {
        generateInto(r, string);
        returnLine = QStringLiteral("    return GenericDumpStringHelper");
    } else if (f == AccessorKind::FeatureWrapper) {
        returnLine = QStringLiteral("    return GenericDumpWrapperHelper");
    } else if (f == AccessorKind::FeatureBitArray) {
        generateInto(r, bitArray);
        returnLine = QStringLiteral("    return GenericDumpBitArrayHelper");
    } else {
        return PythonCode();
    }
    r.setHelperName(r.makeDumperHeader(typeName) + returnLine);
    r.emitFunctionHeader();
    r.guardDefinitions();
    return r;
}

PythonCode ConfigurationWizardGenerator::generateField()
{
    PythonCode r;
    DebugContextScope context(contextName(displayedName.text));

    generateInto(r, accessor);
    generateInto(r, displayedName);
    // The helper class comes from the field type alone: the accessor's own
    // "GenericAccessor" must not turn a field without helper into an accessor
    // instance that the class would then take for a field.
    r.helperName.clear();

    const AccessorKind t = fieldType();
    if (t == AccessorKind::TypeEnum) {
        r.setHelperName(QStringLiteral("GenericEnumHelper"));
        generateInto(r, fieldEnumeration);
    } else if (t == AccessorKind::TypeStandard) {
        r.setHelperName(QStringLiteral("GenericFieldHelper"));
    } else if (t == AccessorKind::TypeBoolean) {
        r.setHelperName(QStringLiteral("BooleanHelper"));
        generateInto(r, trueValue);
        generateInto(r, falseValue);
    } else if (t == AccessorKind::TypeLinked) {
        r.setHelperName(QStringLiteral("GenericLinkedContainerHelper"));
        for (BaseInput *input : std::initializer_list<BaseInput *>{&linkedBase, &left, &right, &nodeDefinition,
                                                                   &endCondition, &linkedNbElement})
            generateInto(r, *input);
    } else if (t == AccessorKind::TypeArray) {
        r.setHelperName(QStringLiteral("GenericArrayContainerHelper"));
        for (BaseInput *input : std::initializer_list<BaseInput *>{&arrayBase, &arraySize, &cellDefinition,
                                                                   &invalidCondition, &overflowSpace,
                                                                   &arrayNbElement})
            generateInto(r, *input);
    } else if (t == AccessorKind::TypeFromBaseClass) {
        // The model's fields are normalised as a class's would be: fields
        // that reuse further models are expanded in place (a list of fields
        // cannot hold another "fields = [...]"), and a model that reaches
        // back to one being expanded is cut.
        const QString name = model.text;
        const QJsonObject definition = storedClassDefinition(name);
        if (!definition.isEmpty()) {
            FieldList modelFields(Key::fields);
            modelFields.setValue(definition, true);
            QSet<QString> expanding{name};
            normaliseFieldList(modelFields, fieldsPathOfClass(definition), &expanding);
            return modelFields.generate();
        }
    }

    if (isContainer(false)) {
        generateInto(r, itemName);
        generateInto(r, itemsName);
        if (dimension.currentId() == 2)
            generateInto(r, keyList);
        generateInto(r, valueList);
        generateInto(r, filter);
    }
    r.instantiateHelper();
    return r;
}

} // namespace Configuration
} // namespace KorvanDebugger
