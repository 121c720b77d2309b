#pragma once

// The JSON keys and value words of type-model documents, and the few setting
// and report names that go with them. Every reader and writer of definitions
// uses these constants; nobody keeps a private copy of the texts.

#include <QString>
#include <QVector>

namespace KorvanDebugger {
namespace Configuration {
namespace Key {

// enumeration object
extern const QString prerequisite;
extern const QString definition;
extern const QString compiledValue;
extern const QString masks;
extern const QString enums;
// kinds of an accessor value object
extern const QString None;
extern const QString Constant;
extern const QString Size;
extern const QString Offset;
extern const QString Int;
extern const QString Ptr;
extern const QString TemplateArgument;
extern const QString TemplateOption;
extern const QString CppType;
extern const QString TemplateType;
extern const QString ParamType;
extern const QString Field;
extern const QString LambdaExpression;
extern const QString InferiorMethod;
extern const QString InferiorFunction;
extern const QString PythonAPIHeader;
extern const QString PythonAPIBody;
extern const QString AsBaseClass;
// general accessor object
extern const QString accessor;
extern const QString type;
extern const QString postProcess;
extern const QString directionField;
extern const QString directionType;
// field definition
extern const QString model;
extern const QString displayedName;
extern const QString userNode;
extern const QString fieldType;
extern const QString trueValue;
extern const QString falseValue;
extern const QString arrayBase;
extern const QString arraySize;
extern const QString cellDefinition;
extern const QString invalidCondition;
extern const QString overflowSpace;
extern const QString nbElement;
extern const QString linkedBase;
extern const QString left;
extern const QString right;
extern const QString nodeDefinition;
extern const QString endCondition;
extern const QString dimension;
extern const QString customization;
// paths, scope, debug context
extern const QString path;
extern const QString api;
extern const QString scope;
extern const QString context;
extern const QString custom;
// container presentation
extern const QString key;
extern const QString keyCustom;
extern const QString itemName;
extern const QString itemsName;
extern const QString value;
extern const QString valueCustom;
extern const QString filter;
// class definition and document
extern const QString className;
extern const QString feature;
extern const QString header;
extern const QString fields;
extern const QString classes;
extern const QString group;
extern const QString enumKey;          // "enum"
extern const QString enumeration;
extern const QString container;
extern const QString enable;
extern const QString duplicate;
extern const QString tmp;
extern const QString args;
// string and bit-array options
extern const QString string;
extern const QString bitArray;
extern const QString base;
extern const QString length;
extern const QString format;
extern const QString encoding;
extern const QString configVersion;
// settings names
extern const QString organization;          // "Korvan"
extern const QString application;           // "Debugger"
extern const QString prettyPrintersDocument;        // "Debugger/PrettyPrinters"
extern const QString customPrettyPrintersDocument;  // "Debugger/CustomPrettyPrinters"
extern const QString debugEnabledSetting;   // "Korvan/Debugger/PrettyPrinters/DebugEnabled"
// report line keys of a failing printer
extern const QString reportApi;       // "API"
extern const QString reportLine;      // "LINE"
extern const QString reportVar;       // "VAR"
extern const QString reportVarType;   // "VARTYPE"
extern const QString reportVarDeref;  // "VAR*"
extern const QString reportErrorType; // "ERRORTYPE"
extern const QString reportErrorDesc; // "ERRORDESC"

// All of the above, in declaration order.
const QVector<const QString *> &all();

} // namespace Key
} // namespace Configuration
} // namespace KorvanDebugger
