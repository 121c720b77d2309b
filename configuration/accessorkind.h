#pragma once

// The 64-bit kind word of an accessor. The low half holds accessor kinds,
// the high half holds the class-feature words ("feature" of a class) and the
// field-type words ("type" of a field). The same flag value means different
// things in the two halves, so a kind is always compared as the whole word.

#include <QString>
#include <QtGlobal>

namespace KorvanDebugger {
namespace Configuration {

enum class AccessorKind : quint64 {
    NoKind = 0,
    // low half: accessor kinds
    KindNone = 0x1,
    CppType = 0x2,
    TemplateType = 0x4,
    ParamType = 0x8,
    Field = 0x10,
    LambdaExpression = 0x20,
    PythonCall = 0x40,
    PythonContainerCall = 0x80,
    InferiorMethod = 0x100,
    InferiorFunction = 0x200,
    TemplateArgumentType = 0x400,
    AsBaseClass = 0x800,
    Size = 0x1000,
    Offset = 0x2000,
    Text = 0x4000,
    TextAlternative = 0x8000,
    GroupName = 0x10000,
    FilterKey = 0x20000,
    FilterValue = 0x40000,
    FilterAPI = 0x80000,
    ClassName = 0x100000,
    ContainerClassName = 0x200000,
    NoOption = 0x400000, // no accessor kind: the input widget's "no option" entry
    TemplateArgumentInt = 0x800000,
    // high half: class-feature words
    FeatureClass = quint64(0x1) << 32,
    FeatureContainer = quint64(0x2) << 32,
    FeatureString = quint64(0x4) << 32,
    FeatureBitArray = quint64(0x8) << 32,
    FeatureWrapper = quint64(0x10) << 32,
    FeatureEnumeration = quint64(0x20) << 32,
    // high half: field-type words
    TypeStandard = quint64(0x1000) << 32,
    TypeBoolean = quint64(0x2000) << 32,
    TypeEnum = quint64(0x4000) << 32,
    TypeArray = quint64(0x8000) << 32,
    TypeLinked = quint64(0x10000) << 32,
    TypeFromBaseClass = quint64(0x20000) << 32,
    TypeCustomizedContainer = quint64(0x40000) << 32,
    TypeCombined = quint64(0x80000) << 32,
    TypeArraysToMap = quint64(0x100000) << 32,
    TypeSpeudoContainer = quint64(0x200000) << 32,
};

constexpr quint64 kindWord(AccessorKind kind) { return quint64(kind); }
constexpr quint32 lowHalf(AccessorKind kind) { return quint32(quint64(kind) & 0xffffffffu); }
constexpr quint32 highHalf(AccessorKind kind) { return quint32(quint64(kind) >> 32); }
constexpr AccessorKind makeAccessorKind(quint32 low, quint32 high)
{
    return AccessorKind((quint64(high) << 32) | low);
}

// Every class-feature flag (high half) and every field-type flag (high half).
constexpr quint32 featureFlagsMask = 0x3f;
constexpr quint32 fieldTypeFlagsMask = 0x3ff000;

// The word of a "feature" or "type" text (unlisted words give "Class" or
// "Standard"); matching is case-sensitive.
AccessorKind featureKindOf(const QString &word);
AccessorKind fieldTypeKindOf(const QString &word);
// The stored word of a single class-feature or field-type kind ("Class",
// "Enumeration", "Standard", "Enum", ...); empty for any other kind.
QString kindWordText(AccessorKind kind);

// The label the accessor input shows for a single kind; empty for a word
// that is no single kind.
QString accessorKindLabel(AccessorKind kind);

} // namespace Configuration
} // namespace KorvanDebugger
