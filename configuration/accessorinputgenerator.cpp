#include "accessorinputgenerator.h"

#include "keys.h"

namespace KorvanDebugger {
namespace Configuration {

namespace {

bool isSingleFlagOf(quint32 half, quint32 mask)
{
    return half != 0 && (half & (half - 1)) == 0 && (half & mask) != 0;
}

bool isPresent(const QJsonObject &object, const QString &key)
{
    return !object.value(key).isUndefined();
}

} // namespace

AccessorInputGenerator::AccessorInputGenerator(const QString &key, int expectedLow, int expectedHigh)
    : BaseInput(key)
    , kind(makeAccessorKind(quint32(expectedLow), quint32(expectedHigh)))
{
}

QJsonValue AccessorInputGenerator::value() const
{
    return QJsonValue();
}

void AccessorInputGenerator::setValue(const QJsonObject &object, bool byKey)
{
    intCount = 0;
    ptrCount = 0;
    text.clear();
    groupText.clear();
    templateOption.clear();
    apiHeader.clear();
    apiBody.clear();

    const QJsonValue value = selectValue(object, byKey);
    if (value.isUndefined()) {
        kind = AccessorKind::KindNone;
        return;
    }
    if (value.isString()) {
        loadString(value.toString());
        return;
    }
    loadObject(value.toObject());
}

void AccessorInputGenerator::loadString(const QString &string)
{
    // The kind in place (expected, or left by an earlier load) decides.
    const quint32 low = lowHalf(kind);
    const quint32 high = highHalf(kind);
    if (low == 0 && isSingleFlagOf(high, featureFlagsMask)) {
        kind = featureKindOf(string);
    } else if (low == 0 && isSingleFlagOf(high, fieldTypeFlagsMask)) {
        kind = fieldTypeKindOf(string);
    } else if (kind == AccessorKind::Text || kind == AccessorKind::TextAlternative
               || kind == AccessorKind::ClassName || kind == AccessorKind::ContainerClassName) {
        text = string;
    } else if (kind == AccessorKind::GroupName) {
        groupText = string;
    }
}

void AccessorInputGenerator::loadObject(const QJsonObject &object)
{
    context = object.value(Key::context).toString();

    if (isPresent(object, Key::Size) || isPresent(object, Key::Offset)) {
        const bool size = isPresent(object, Key::Size);
        const QJsonObject counts = object.value(size ? Key::Size : Key::Offset).toObject();
        kind = size ? AccessorKind::Size : AccessorKind::Offset;
        intCount = counts.value(Key::Int).toInt();
        ptrCount = counts.value(Key::Ptr).toInt();
        return;
    }
    if (isPresent(object, Key::TemplateArgument)) {
        intCount = object.value(Key::TemplateArgument).toInt();
        if (!isPresent(object, Key::TemplateOption)) {
            kind = AccessorKind::TemplateArgumentInt;
            return;
        }
        kind = AccessorKind::TemplateArgumentType;
        const QString option = object.value(Key::TemplateOption).toString();
        if (option == QLatin1String("Pointer"))
            templateOption = pointerToLabel();
        else if (option == QLatin1String("PointerIfLarge"))
            templateOption = pointerIfLargeLabel();
        else
            templateOption = noOptionLabel();
        return;
    }
    if (isPresent(object, Key::AsBaseClass)) {
        kind = AccessorKind::AsBaseClass;
        intCount = object.value(Key::AsBaseClass).toInt();
        return;
    }

    static const struct
    {
        const QString &key;
        AccessorKind kind;
    } textKinds[] = {
        {Key::CppType, AccessorKind::CppType},
        {Key::TemplateType, AccessorKind::TemplateType},
        {Key::ParamType, AccessorKind::ParamType},
        {Key::Field, AccessorKind::Field},
        {Key::key, AccessorKind::FilterKey},
        {Key::value, AccessorKind::FilterValue},
        {Key::LambdaExpression, AccessorKind::LambdaExpression},
        {Key::InferiorMethod, AccessorKind::InferiorMethod},
        {Key::InferiorFunction, AccessorKind::InferiorFunction},
    };
    for (const auto &entry : textKinds) {
        if (isPresent(object, entry.key)) {
            kind = entry.kind;
            text = object.value(entry.key).toString();
            return;
        }
    }

    if (isPresent(object, Key::PythonAPIBody) && isPresent(object, Key::PythonAPIHeader)) {
        apiHeader = object.value(Key::PythonAPIHeader).toString();
        apiBody = object.value(Key::PythonAPIBody).toString();
        if (apiHeader.contains(QLatin1String("key")))
            kind = AccessorKind::FilterAPI;
        else if (apiHeader.contains(QLatin1String("container")))
            kind = AccessorKind::PythonContainerCall;
        else
            kind = AccessorKind::PythonCall;
        return;
    }
    kind = AccessorKind::NoKind;
}

bool AccessorInputGenerator::isIdentity() const
{
    switch (kind) {
    case AccessorKind::NoKind:
    case AccessorKind::KindNone:
        return true;
    case AccessorKind::Field:
        return text.simplified() == QLatin1String(".");
    case AccessorKind::LambdaExpression:
        return text.simplified() == QLatin1String("value");
    case AccessorKind::PythonCall:
    case AccessorKind::PythonContainerCall:
    case AccessorKind::FilterAPI:
        return apiBody.simplified() == QLatin1String("return value");
    default:
        return false;
    }
}

void AccessorInputGenerator::assignAccessor(const AccessorInputGenerator &other)
{
    kind = other.kind;
    text = other.text;
    groupText = other.groupText;
    intCount = other.intCount;
    ptrCount = other.ptrCount;
    templateOption = other.templateOption;
    apiHeader = other.apiHeader;
    apiBody = other.apiBody;
    context = other.context;
}

QString AccessorInputGenerator::pointerToLabel()
{
    return tr("Pointer To");
}

QString AccessorInputGenerator::pointerIfLargeLabel()
{
    return tr("Pointer If Large");
}

QString AccessorInputGenerator::noOptionLabel()
{
    return tr("<No Option>");
}

} // namespace Configuration
} // namespace KorvanDebugger
