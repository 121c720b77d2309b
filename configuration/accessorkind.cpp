#include "accessorkind.h"

#include <QCoreApplication>

namespace KorvanDebugger {
namespace Configuration {

namespace {

struct WordEntry
{
    const char *word;
    AccessorKind kind;
};

// Compared in this order; the first match wins. Each table's fallback word
// ("Class", "Standard") is not matched but written.
const WordEntry featureWords[] = {
    {"Container", AccessorKind::FeatureContainer},
    {"String", AccessorKind::FeatureString},
    {"BitArray", AccessorKind::FeatureBitArray},
    {"Wrapper", AccessorKind::FeatureWrapper},
    {"Enumeration", AccessorKind::FeatureEnumeration},
};

const WordEntry fieldTypeWords[] = {
    {"Boolean", AccessorKind::TypeBoolean},
    {"Enum", AccessorKind::TypeEnum},
    {"Array", AccessorKind::TypeArray},
    {"Linked", AccessorKind::TypeLinked},
    {"FromBaseClass", AccessorKind::TypeFromBaseClass},
    {"CustomizedContainer", AccessorKind::TypeCustomizedContainer},
    {"Combined", AccessorKind::TypeCombined},
    {"ArraysToMap", AccessorKind::TypeArraysToMap},
    {"SpeudoContainer", AccessorKind::TypeSpeudoContainer},
};

template<size_t N>
AccessorKind lookupWord(const WordEntry (&table)[N], const QString &word, AccessorKind fallback)
{
    for (const WordEntry &entry : table) {
        if (word == QLatin1String(entry.word))
            return entry.kind;
    }
    return fallback;
}

struct LabelEntry
{
    AccessorKind kind;
    const char *label;
};

const LabelEntry labels[] = {
    {AccessorKind::KindNone, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "None")},
    {AccessorKind::CppType, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "C++ Type")},
    {AccessorKind::TemplateType, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "C++ Type (With Template)")},
    {AccessorKind::ParamType, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "C++ Type (With Argument)")},
    {AccessorKind::Field, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Field")},
    {AccessorKind::LambdaExpression, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Lambda")},
    {AccessorKind::PythonCall, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Python Call")},
    {AccessorKind::PythonContainerCall, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Python Call")},
    {AccessorKind::InferiorMethod, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Inferior Call: Method")},
    {AccessorKind::InferiorFunction, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Inferior Call: Function")},
    {AccessorKind::TemplateArgumentType, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Template Argument Index (Type)")},
    {AccessorKind::AsBaseClass, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Base Class Index")},
    {AccessorKind::Size, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Size")},
    {AccessorKind::Offset, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Offset")},
    {AccessorKind::Text, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Text")},
    {AccessorKind::TextAlternative, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Text")},
    {AccessorKind::GroupName, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Group Name")},
    {AccessorKind::FilterKey, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Filter Based On Key")},
    {AccessorKind::FilterValue, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Filter Base On Value")},
    {AccessorKind::FilterAPI, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Filter API (General)")},
    {AccessorKind::ClassName, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Class Name")},
    {AccessorKind::ContainerClassName, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Container Class Name")},
    {AccessorKind::TemplateArgumentInt, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Template Argument Index (Int)")},
    {AccessorKind::FeatureClass, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Class Mode")},
    {AccessorKind::FeatureContainer, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Container Mode")},
    {AccessorKind::FeatureString, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "String Mode")},
    {AccessorKind::FeatureBitArray, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Bit Stream Mode")},
    {AccessorKind::FeatureWrapper, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Wrapper Mode")},
    {AccessorKind::FeatureEnumeration, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Enum Mode")},
    {AccessorKind::TypeStandard, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Basic Field")},
    {AccessorKind::TypeBoolean, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Boolean")},
    {AccessorKind::TypeEnum, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Enumeration")},
    {AccessorKind::TypeArray, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Array")},
    {AccessorKind::TypeLinked, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Linked Containers")},
    {AccessorKind::TypeFromBaseClass, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Fields From Model")},
    {AccessorKind::TypeCustomizedContainer, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Customized Container Field")},
    {AccessorKind::TypeCombined, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Combined Container")},
    {AccessorKind::TypeArraysToMap, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Arrays -> Map")},
    {AccessorKind::TypeSpeudoContainer, QT_TRANSLATE_NOOP("KorvanDebugger::Configuration::AccessorInputGenerator", "Speudo Container")},
};

} // namespace

AccessorKind featureKindOf(const QString &word)
{
    return lookupWord(featureWords, word, AccessorKind::FeatureClass);
}

AccessorKind fieldTypeKindOf(const QString &word)
{
    return lookupWord(fieldTypeWords, word, AccessorKind::TypeStandard);
}

QString kindWordText(AccessorKind kind)
{
    if (kind == AccessorKind::FeatureClass)
        return QStringLiteral("Class");
    if (kind == AccessorKind::TypeStandard)
        return QStringLiteral("Standard");
    for (const WordEntry &entry : featureWords) {
        if (entry.kind == kind)
            return QLatin1String(entry.word);
    }
    for (const WordEntry &entry : fieldTypeWords) {
        if (entry.kind == kind)
            return QLatin1String(entry.word);
    }
    return QString();
}

QString accessorKindLabel(AccessorKind kind)
{
    for (const LabelEntry &entry : labels) {
        if (entry.kind == kind)
            return QCoreApplication::translate("KorvanDebugger::Configuration::AccessorInputGenerator", entry.label);
    }
    return QString();
}

} // namespace Configuration
} // namespace KorvanDebugger
