#include "keys.h"

namespace KorvanDebugger {
namespace Configuration {
namespace Key {

const QString prerequisite = QStringLiteral("prerequisite");
const QString definition = QStringLiteral("definition");
const QString compiledValue = QStringLiteral("compiledValue");
const QString masks = QStringLiteral("masks");
const QString enums = QStringLiteral("enums");
const QString None = QStringLiteral("None");
const QString Constant = QStringLiteral("Constant");
const QString Size = QStringLiteral("Size");
const QString Offset = QStringLiteral("Offset");
const QString Int = QStringLiteral("Int");
const QString Ptr = QStringLiteral("Ptr");
const QString TemplateArgument = QStringLiteral("TemplateArgument");
const QString TemplateOption = QStringLiteral("TemplateOption");
const QString CppType = QStringLiteral("CppType");
const QString TemplateType = QStringLiteral("TemplateType");
const QString ParamType = QStringLiteral("ParamType");
const QString Field = QStringLiteral("Field");
const QString LambdaExpression = QStringLiteral("LambdaExpression");
const QString InferiorMethod = QStringLiteral("InferiorMethod");
const QString InferiorFunction = QStringLiteral("InferiorFunction");
const QString PythonAPIHeader = QStringLiteral("PythonAPIHeader");
const QString PythonAPIBody = QStringLiteral("PythonAPIBody");
const QString AsBaseClass = QStringLiteral("AsBaseClass");
const QString accessor = QStringLiteral("accessor");
const QString type = QStringLiteral("type");
const QString postProcess = QStringLiteral("postProcess");
const QString directionField = QStringLiteral("directionField");
const QString directionType = QStringLiteral("directionType");
const QString model = QStringLiteral("model");
const QString displayedName = QStringLiteral("displayedName");
const QString userNode = QStringLiteral("userNode");
const QString fieldType = QStringLiteral("fieldType");
const QString trueValue = QStringLiteral("trueValue");
const QString falseValue = QStringLiteral("falseValue");
const QString arrayBase = QStringLiteral("arrayBase");
const QString arraySize = QStringLiteral("arraySize");
const QString cellDefinition = QStringLiteral("cellDefinition");
const QString invalidCondition = QStringLiteral("invalidCondition");
const QString overflowSpace = QStringLiteral("overflowSpace");
const QString nbElement = QStringLiteral("nbElement");
const QString linkedBase = QStringLiteral("linkedBase");
const QString left = QStringLiteral("left");
const QString right = QStringLiteral("right");
const QString nodeDefinition = QStringLiteral("nodeDefinition");
const QString endCondition = QStringLiteral("endCondition");
const QString dimension = QStringLiteral("dimension");
const QString customization = QStringLiteral("customization");
const QString path = QStringLiteral("path");
const QString api = QStringLiteral("api");
const QString scope = QStringLiteral("scope");
const QString context = QStringLiteral("context");
const QString custom = QStringLiteral("custom");
const QString key = QStringLiteral("key");
const QString keyCustom = QStringLiteral("keyCustom");
const QString itemName = QStringLiteral("itemName");
const QString itemsName = QStringLiteral("itemsName");
const QString value = QStringLiteral("value");
const QString valueCustom = QStringLiteral("valueCustom");
const QString filter = QStringLiteral("filter");
const QString className = QStringLiteral("className");
const QString feature = QStringLiteral("feature");
const QString header = QStringLiteral("header");
const QString fields = QStringLiteral("fields");
const QString classes = QStringLiteral("classes");
const QString group = QStringLiteral("group");
const QString enumKey = QStringLiteral("enum");
const QString enumeration = QStringLiteral("enumeration");
const QString container = QStringLiteral("container");
const QString enable = QStringLiteral("enable");
const QString duplicate = QStringLiteral("duplicate");
const QString tmp = QStringLiteral("tmp");
const QString args = QStringLiteral("args");
const QString string = QStringLiteral("string");
const QString bitArray = QStringLiteral("bitArray");
const QString base = QStringLiteral("base");
const QString length = QStringLiteral("length");
const QString format = QStringLiteral("format");
const QString encoding = QStringLiteral("encoding");
const QString configVersion = QStringLiteral("configVersion");
const QString organization = QStringLiteral("Korvan");
const QString application = QStringLiteral("Debugger");
const QString prettyPrintersDocument = QStringLiteral("Debugger/PrettyPrinters");
const QString customPrettyPrintersDocument = QStringLiteral("Debugger/CustomPrettyPrinters");
const QString debugEnabledSetting = QStringLiteral("Korvan/Debugger/PrettyPrinters/DebugEnabled");
const QString reportApi = QStringLiteral("API");
const QString reportLine = QStringLiteral("LINE");
const QString reportVar = QStringLiteral("VAR");
const QString reportVarType = QStringLiteral("VARTYPE");
const QString reportVarDeref = QStringLiteral("VAR*");
const QString reportErrorType = QStringLiteral("ERRORTYPE");
const QString reportErrorDesc = QStringLiteral("ERRORDESC");

const QVector<const QString *> &all()
{
    static const QVector<const QString *> keys = {
        &prerequisite,
        &definition,
        &compiledValue,
        &masks,
        &enums,
        &None,
        &Constant,
        &Size,
        &Offset,
        &Int,
        &Ptr,
        &TemplateArgument,
        &TemplateOption,
        &CppType,
        &TemplateType,
        &ParamType,
        &Field,
        &LambdaExpression,
        &InferiorMethod,
        &InferiorFunction,
        &PythonAPIHeader,
        &PythonAPIBody,
        &AsBaseClass,
        &accessor,
        &type,
        &postProcess,
        &directionField,
        &directionType,
        &model,
        &displayedName,
        &userNode,
        &fieldType,
        &trueValue,
        &falseValue,
        &arrayBase,
        &arraySize,
        &cellDefinition,
        &invalidCondition,
        &overflowSpace,
        &nbElement,
        &linkedBase,
        &left,
        &right,
        &nodeDefinition,
        &endCondition,
        &dimension,
        &customization,
        &path,
        &api,
        &scope,
        &context,
        &custom,
        &key,
        &keyCustom,
        &itemName,
        &itemsName,
        &value,
        &valueCustom,
        &filter,
        &className,
        &feature,
        &header,
        &fields,
        &classes,
        &group,
        &enumKey,
        &enumeration,
        &container,
        &enable,
        &duplicate,
        &tmp,
        &args,
        &string,
        &bitArray,
        &base,
        &length,
        &format,
        &encoding,
        &configVersion,
        &organization,
        &application,
        &prettyPrintersDocument,
        &customPrettyPrintersDocument,
        &debugEnabledSetting,
        &reportApi,
        &reportLine,
        &reportVar,
        &reportVarType,
        &reportVarDeref,
        &reportErrorType,
        &reportErrorDesc,
    };
    return keys;
}

} // namespace Key
} // namespace Configuration
} // namespace KorvanDebugger
