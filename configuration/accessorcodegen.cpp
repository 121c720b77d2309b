// Python of each accessor kind (the loading half lives in
// accessorinputgenerator.cpp).

#include "accessorinputgenerator.h"

#include "expressiontranslator.h"
#include "keys.h"

#include "editor/korvandebuggeroptions.h"

#include <QStringList>

namespace KorvanDebugger {
namespace Configuration {

namespace {

const QString scaffoldSuffix = QStringLiteral(" #--");

// A Python string literal of user text that may go into a shared helper
// template: the map fills the template's lowest "%<digit>" with the helper's
// name, so the literal must hold no '%' of its own ("\x25" is '%' in Python).
QString templateSafeLiteral(const QString &text)
{
    QString literal = pythonStringLiteral(text);
    literal.replace(QLatin1Char('%'), QLatin1String("\\x25"));
    return literal;
}

// A definition that raises the given error when the accessor is called, for
// accessors that cannot become valid Python.
QString raisingFunction(const QString &name, const QString &message)
{
    return QLatin1String("def ") + name + QLatin1String("(*args): #--\n  raise RuntimeError(")
           + pythonStringLiteral(message) + QLatin1String(") #--");
}

// Expressions are passed on in one-per-line argument lists.
QString singleLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

const char cppTypeFunctionTemplate[] = R"(def %3(value):
  global %3
%1  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    %3 = lambda value : resolvedType
    return resolvedType)";

const char cppTypeRootSetup[] = R"(  rootType = value.type.strip_typedefs()
  valueT = str(rootType)
  pos = valueT.find('<')
  if pos!=-1: 
)";

// Slices instead of indexing, so an index at the end of the text is reported
// as an invalid index rather than failing with an IndexError.
const char cppTypeIndexLoop[] = R"(    for index in [m.start() for m in re.finditer('\\\\', valueT)][::-1]:
      argIndex = valueT[index+1:index+2]
      errorIndex = "\\%s"%argIndex
      fromI = index
      try:
        arg = theDumper.typeTemplateArgument(rootType,int(argIndex))
        while valueT[index+2:index+3]=='.':
          index = index+2
          argIndex = valueT[index+1:index+2]
          errorIndex += ".%s"%argIndex
          arg = theDumper.typeTemplateArgument(arg,int(argIndex))
      except:
        raise gdb.error("Invalid template argument index: '%s'."%errorIndex)
      arg = stripTypedefs(arg)
      valueT = valueT[:fromI]+str(arg)+valueT[index+2:]
)";

const char pointerIfLargeTemplate[] = R"(def %3(value):
  type = theDumper.typeTemplateArgument(value.type, %2)
  if type.sizeof > theDumper.ptrSize():
    type = type.pointer()
  return type)";

const char offsetTemplate[] = R"(def %1(value):
  global %1
  offset = %2
  resolvedType = theDumper.lookupType("void*")
  %1 = lambda value : value.cast(resolvedType)+offset
  return value.cast(resolvedType)+offset)";

// A pointer to a char array of the given size; the function hands back that
// type (the plain char type would drop the size).
const char sizeTemplate[] = R"(def %1(value):
  global %1
  resolvedType = theDumper.lookupType("char")
  size = %2-1
  resolvedArray = resolvedType.array(0,size).pointer()
  %1 = lambda value : resolvedArray
  return resolvedArray)";

int bracketBalance(const QString &text)
{
    int balance = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('(') || c == QLatin1Char('[') || c == QLatin1Char('{'))
            ++balance;
        else if (c == QLatin1Char(')') || c == QLatin1Char(']') || c == QLatin1Char('}'))
            --balance;
    }
    return balance;
}

bool startsUnmarkedStatement(const QString &trimmed)
{
    static const char *const continuations[] = {"else:", "except:", "except ", "elif ", "finally:", "WARN(\"KORVANDEBUG"};
    for (const char *prefix : continuations) {
        if (trimmed.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

// The body with a "__line__count__" marker before every statement, inside a
// try block that reports the marker's line when the body fails.
QString instrumentedBody(const QString &body)
{
    QString indent = QStringLiteral("\n     ");
    QString out = QLatin1String("try:") + scaffoldSuffix + indent;
    int counter = 0;
    int depth = 0;
    bool continued = false;
    const QStringList lines = body.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        ++counter;
        const QString trimmed = line.trimmed();
        if (!line.endsWith(scaffoldSuffix) && !trimmed.startsWith(QLatin1Char('#'))) {
            const int indentation = trimmed.isEmpty() ? 0 : line.indexOf(trimmed.at(0));
            // A line inside open brackets continues a statement, even at
            // column 0 (a closing bracket often stands there).
            const bool statementStart = depth == 0 && !continued;
            if (statementStart && !trimmed.isEmpty() && !startsUnmarkedStatement(trimmed)) {
                // The line's own leading white space, so tabs stay consistent.
                out += line.left(indentation) + QStringLiteral("__line__count__ = %1").arg(counter) + scaffoldSuffix
                       + indent;
            }
            // Every kind of bracket, and a trailing backslash, continue the
            // statement on the next line: a marker there would not compile.
            depth = qMax(0, depth + bracketBalance(trimmed));
            continued = trimmed.endsWith(QLatin1Char('\\'));
        }
        out += line + indent;
    }
    indent.chop(1);
    out += indent + QLatin1String("except:") + scaffoldSuffix;
    out += indent + QLatin1String(" WARN(\"KORVANDEBUGLINE:%s\"%__line__count__)") + scaffoldSuffix;
    out += indent + QLatin1String(" raise") + scaffoldSuffix + QLatin1Char('\n');
    return out;
}

bool hasStatement(const QString &body)
{
    const QStringList lines = body.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(QLatin1Char('#')))
            return true;
    }
    return false;
}

} // namespace

PythonCode AccessorInputGenerator::generate()
{
    PythonCode code;
    const DebugContextScope scope(key().isEmpty() ? QStringLiteral("<Default>") : key(), context);
    if (isValid()) {
        emitKindCode(code);
        code.makeKeywordArgument(key());
    }
    return code;
}

void AccessorInputGenerator::emitKindCode(PythonCode &code) const
{
    const auto instantiateFilter = [&code](const QString &keyword) {
        code.makeKeywordArgument(keyword);
        code.setHelperName(QStringLiteral("GenericFilter"));
        code.instantiateHelper();
    };

    switch (kind) {
    case AccessorKind::LambdaExpression:
        appendCodeLine(code.expression, QLatin1String("lambda value: ") + singleLine(text));
        break;
    case AccessorKind::AsBaseClass:
        appendCodeLine(code.expression,
                       QStringLiteral("lambda value : theDumper.directBaseType(value,%1)").arg(intCount));
        break;
    case AccessorKind::TemplateArgumentInt:
        appendCodeLine(code.expression,
                       QStringLiteral("lambda value : theDumper.numericTemplateArgument(value.type, %1)").arg(intCount));
        break;
    case AccessorKind::TemplateArgumentType:
        if (templateOption == pointerToLabel()) {
            appendCodeLine(code.expression,
                           QStringLiteral("lambda value : theDumper.typeTemplateArgument(value.type, %1).pointer()")
                               .arg(intCount));
        } else if (templateOption == pointerIfLargeLabel()) {
            appendCodeLine(code.expression,
                           helperDefinitionId(QString::fromLatin1(pointerIfLargeTemplate).arg(intCount)));
        } else {
            appendCodeLine(code.expression,
                           QStringLiteral("lambda value : theDumper.typeTemplateArgument(value.type, %1)").arg(intCount));
        }
        break;
    case AccessorKind::InferiorMethod: {
        // The method name becomes part of a %-format: its own '%' are doubled.
        QString method = text;
        method.replace(QLatin1Char('%'), QLatin1String("%%"));
        const QString call = QLatin1String("%s.") + method + QLatin1String("()");
        appendCodeLine(code.expression, QLatin1String("lambda value: theDumper.parseAndEvaluate(")
                                            + pythonStringLiteral(call)
                                            + QLatin1String("%getvarName(theDumper,value))"));
        break;
    }
    case AccessorKind::InferiorFunction:
        appendCodeLine(code.expression, QLatin1String("lambda value: ExecBuffered(theDumper,")
                                            + pythonStringLiteral(text)
                                            + QLatin1String(",getvarName(theDumper,value))"));
        break;
    case AccessorKind::CppType:
    case AccessorKind::TemplateType:
    case AccessorKind::ParamType:
        appendCodeLine(code.expression, helperDefinitionId(cppTypeFunction()));
        break;
    case AccessorKind::Field:
    case AccessorKind::FilterKey:
    case AccessorKind::FilterValue:
        code.merge(ExpressionTranslator(text).translateLambda());
        if (kind == AccessorKind::FilterKey)
            instantiateFilter(Key::key);
        else if (kind == AccessorKind::FilterValue)
            instantiateFilter(Key::value);
        break;
    case AccessorKind::PythonCall:
    case AccessorKind::PythonContainerCall:
    case AccessorKind::FilterAPI: {
        const QString name = uniqueHelperId();
        appendCodeLine(code.definitions, pythonApiFunction(name));
        appendCodeLine(code.expression, name);
        if (kind == AccessorKind::FilterAPI)
            instantiateFilter(QStringLiteral("keyValue"));
        break;
    }
    case AccessorKind::Offset:
        if (intCount + ptrCount == 0) {
            appendCodeLine(code.expression, QStringLiteral("lambda value: value"));
            break;
        }
        Q_FALLTHROUGH();
    case AccessorKind::Size: {
        const QString name = uniqueHelperId();
        appendCodeLine(code.definitions,
                       offsetFunction(name, kind == AccessorKind::Size ? sizeTemplate : offsetTemplate));
        appendCodeLine(code.expression, name);
        break;
    }
    case AccessorKind::Text:
    case AccessorKind::TextAlternative:
    case AccessorKind::ClassName:
    case AccessorKind::ContainerClassName:
        appendCodeLine(code.expression, pythonStringLiteral(text));
        break;
    default:
        break; // group names, feature and type words, absent accessors
    }
}

QString AccessorInputGenerator::cppTypeFunction() const
{
    const bool withTemplate = text.contains(QLatin1String("<>"));
    const bool withIndex = text.contains(QLatin1Char('\\'));
    QString setup;
    if (!withTemplate && !withIndex) {
        setup = QStringLiteral("  valueT = %2\n");
    } else {
        setup = QLatin1String(cppTypeRootSetup);
        setup += withTemplate ? QStringLiteral("    valueT = %2.replace(\"<>\",valueT[pos:valueT.rfind('>')+1])\n")
                              : QStringLiteral("    valueT = %2\n");
        if (withIndex)
            setup += QLatin1String(cppTypeIndexLoop);
        setup += QStringLiteral("  else:\n    valueT = %2\n");
    }
    // Each fill replaces the lowest placeholder; "%3", the helper's name,
    // stays for the shared-helper map.
    setup = setup.arg(templateSafeLiteral(text));
    return QString::fromLatin1(cppTypeFunctionTemplate).arg(setup);
}

QString AccessorInputGenerator::pythonApiFunction(const QString &name) const
{
    const int open = apiHeader.indexOf(QLatin1Char('('));
    if (open < 0) {
        // "def name<header>" would not compile and would take every printer
        // down with it.
        return raisingFunction(name, tr("Python API header has no parameter list: '%1'").arg(apiHeader));
    }
    QString parameters = apiHeader.mid(open).trimmed();
    if (!parameters.endsWith(QLatin1Char(':')))
        parameters += QLatin1Char(':');
    QString body = apiBody;
    body.remove(QLatin1Char('\r'));
    if (!hasStatement(body))
        appendCodeLine(body, QStringLiteral("pass"));

    QString definition = QLatin1String("def ") + name + parameters + QLatin1String("\n    ");
    if (KorvanDebugger::Internal::KorvanDebuggerOptions::debugModeEnabled()) {
        definition += instrumentedBody(body);
    } else {
        body.replace(QLatin1Char('\n'), QLatin1String("\n    "));
        definition += body;
    }
    return definition;
}

QString AccessorInputGenerator::offsetFunction(const QString &name, const char *functionTemplate) const
{
    QString sum;
    QString ints = sizeExpression(intCount, "int", sum);
    const QString size = sizeExpression(ptrCount, "ptr", ints);
    return QString::fromLatin1(functionTemplate).arg(name, size);
}

QString AccessorInputGenerator::sizeExpression(int count, const char *typeWord, QString &sum)
{
    QString term;
    if (count == 0)
        term = QStringLiteral("0");
    else if (count == 1)
        term = QStringLiteral("theDumper.%1Size()").arg(QLatin1String(typeWord));
    else
        term = QStringLiteral("%1*theDumper.%2Size()").arg(QString::number(count), QLatin1String(typeWord));
    QString result = std::move(sum);
    sum = QString();
    if (!result.isEmpty())
        result += QLatin1Char('+');
    result += term;
    result.remove(QLatin1String("0+"));
    return result;
}

} // namespace Configuration
} // namespace KorvanDebugger
