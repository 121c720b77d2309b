#include "pythoncode.h"

#include "keys.h"

#include "editor/korvandebuggeroptions.h"
#include "graphengine/globals.h"
#include "graphengine/logging.h"

#include <QMap>
#include <QPair>
#include <QSet>
#include <QStringList>
#include <QVector>

namespace KorvanDebugger {
namespace Configuration {

namespace {

struct EmissionState
{
    // Module-level names of this generation, in the order they were made.
    QStringList helperNames;
    QSet<QString> helperNameSet;
    quint32 idCounter = 1;
    QMap<QString, QString> helperTemplates;
    QString pendingDeletions;
    QVector<QPair<QString, QString>> customRegistrations;
    QStringList contextStack;
    QString contextOverride;
    bool overrideActive = false;
    int markedDepth = -1;
};

EmissionState &state()
{
    static EmissionState s;
    return s;
}

void registerHelperName(const QString &name)
{
    EmissionState &s = state();
    if (!s.helperNameSet.contains(name)) {
        s.helperNameSet.insert(name);
        s.helperNames.append(name);
    }
}

const QString scaffoldSuffix = QStringLiteral(" #--");

void traceWarning(const char *text)
{
    if (GraphEngine::verboseTrace)
        GraphEngine::logWarning(QString::fromLatin1(text));
}

// A context path must split back into exactly one component per level, so
// an empty component stands as "_" instead of making "..".
QString sanitizedContext(const QStringList &components)
{
    QStringList parts = components;
    for (QString &part : parts) {
        if (part.isEmpty()) {
            traceWarning("Programming Warning: empty debug context name");
            part = QStringLiteral("_");
        }
    }
    return parts.join(QLatin1Char('.'));
}

} // namespace

void appendCodeLine(QString &target, const QString &text, bool newlineSeparated)
{
    if (text.isEmpty())
        return;
    if (newlineSeparated && !target.isEmpty() && !target.endsWith(QLatin1Char('\n')))
        target += QLatin1Char('\n');
    target += text;
}

QString pythonStringLiteral(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\'': out += QLatin1String("\\'"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Separator_Line
                || c.category() == QChar::Separator_Paragraph) {
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    out += QLatin1Char('"');
    return out;
}

PythonCode &PythonCode::merge(const PythonCode &other)
{
    appendCodeLine(definitions, other.definitions);
    appendCodeLine(expression, other.expression);
    if (helperName.isEmpty()) {
        helperName = other.helperName;
    } else if (!other.helperName.isEmpty() && other.helperName != helperName) {
        traceWarning("Programming Warning: Helper Name shall be unique. Can't merge 2 differents name in one");
    }
    return *this;
}

void PythonCode::setHelperName(const QString &name)
{
    if (name.isEmpty())
        return;
    if (!helperName.isEmpty())
        traceWarning("Programming Warning: attempd to overwrite the Helper Name");
    helperName = name;
}

void PythonCode::joinExpressionLines()
{
    expression.replace(QLatin1Char('\n'), QLatin1Char(','));
}

void PythonCode::makeKeywordArgument(const QString &keyword)
{
    if (keyword.isEmpty() || expression.isEmpty())
        return;
    expression = keyword + QLatin1String(" = ") + expression;
}

void PythonCode::emitFunctionHeader()
{
    if (helperName.isEmpty() || expression.isEmpty())
        return;
    appendCodeLine(expression, debugContextArgument());
    joinExpressionLines();
    appendCodeLine(definitions, QStringLiteral("def %1(%2)").arg(helperName, expression));
    expression.clear();
}

void PythonCode::instantiateHelper()
{
    if (helperName.isEmpty() || expression.isEmpty())
        return;
    appendCodeLine(expression, debugContextArgument());
    const QString id = uniqueHelperId();
    joinExpressionLines();
    appendCodeLine(definitions, QStringLiteral("%1 = %2(%3)").arg(id, helperName, expression));
    expression = id;
}

QString PythonCode::makeDumperHeader(QString &typeName)
{
    typeName.replace(QLatin1String("::"), QLatin1String("__"));
    typeName.replace(QLatin1Char('<'), QLatin1String("_a_"));
    typeName.replace(QLatin1Char(','), QLatin1String("_c_"));
    typeName.replace(QLatin1Char('>'), QLatin1String("_z_"));
    typeName.remove(QLatin1Char('*'));
    typeName.remove(QLatin1Char(' '));
    // Whatever else a type name may hold (template arguments such as
    // "(int)-1" or 'c') cannot stand in a Python name; left in, one such
    // class would stop the whole script from compiling.
    QString safe;
    for (const QChar c : qAsConst(typeName)) {
        if (c == QLatin1Char('_') || (c.unicode() < 128 && c.isLetterOrNumber()))
            safe += c;
        else
            safe += QStringLiteral("_x%1_").arg(c.unicode(), 0, 16);
    }
    typeName = safe;

    registerHelperName(QLatin1String("qform__") + typeName);
    dumperName = QLatin1String("qdump__") + typeName;
    registerHelperName(dumperName);

    return QStringLiteral("qform__%1():\n"
                          "    return [AutomaticFormat]\n"
                          "def qdump__%1(d,value,dumpMode=DefaultMode):\n")
        .arg(typeName);
}

void PythonCode::guardDefinitions()
{
    if (definitions.isEmpty())
        return;
    const bool debugMode = KorvanDebugger::Internal::KorvanDebuggerOptions::debugModeEnabled();
    QString guarded = QLatin1String("try:") + scaffoldSuffix;
    const QStringList lines = definitions.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        guarded += QLatin1String("\n  ") + line;
    guarded += QLatin1String("\nexcept Exception as korvanError:") + scaffoldSuffix;
    guarded += QLatin1String("\n  reportDefinitionFailure(") + pythonStringLiteral(sanitizedContext(state().contextStack))
               + QLatin1String(",korvanError,") + QLatin1String(debugMode ? "True" : "False") + QLatin1Char(')')
               + scaffoldSuffix;
    definitions = guarded;
}

QString PythonCode::unregisterCustomsCode(bool withDeletes)
{
    EmissionState &s = state();
    QString out;
    if (withDeletes) {
        out += s.pendingDeletions;
        s.pendingDeletions.clear();
    }
    for (const auto &registration : qAsConst(s.customRegistrations)) {
        out += QLatin1String("theDumper.unregisterCustom (") + pythonStringLiteral(registration.first)
               + QLatin1Char(',') + pythonStringLiteral(registration.second) + QLatin1String(")\n");
    }
    s.customRegistrations.clear();
    out += sharedHelpersCode();
    out += definitions;
    out += QLatin1Char('\n');
    out += expression;
    return out;
}

QString uniqueHelperId()
{
    EmissionState &s = state();
    ++s.idCounter;
    const QString id = QLatin1String("_Id_") + QString::number(s.idCounter, 36);
    registerHelperName(id);
    return id;
}

QString helperDefinitionId(const QString &helperTemplate)
{
    EmissionState &s = state();
    const auto it = s.helperTemplates.constFind(helperTemplate);
    if (it != s.helperTemplates.constEnd())
        return it.value();
    const QString id = uniqueHelperId();
    s.helperTemplates.insert(helperTemplate, id);
    return id;
}

void registerCustomDumper(const QString &first, const QString &second)
{
    state().customRegistrations.append(qMakePair(first, second));
}

QString sharedHelpersCode()
{
    const EmissionState &s = state();
    QString out;
    for (auto it = s.helperTemplates.constBegin(); it != s.helperTemplates.constEnd(); ++it) {
        out += it.key().arg(it.value());
        out += QLatin1Char('\n');
    }
    return out;
}

void deleteHelpersCode()
{
    EmissionState &s = state();
    s.helperTemplates.clear();
    s.idCounter = 1;
    QString deletions;
    for (const QString &name : qAsConst(s.helperNames)) {
        deletions += QLatin1String("try") + QLatin1Char(':') + scaffoldSuffix + QLatin1Char('\n');
        deletions += QLatin1String("  del ") + name + scaffoldSuffix + QLatin1Char('\n');
        deletions += QLatin1String("except:") + scaffoldSuffix + QLatin1Char('\n');
        deletions += QLatin1String("  pass") + scaffoldSuffix + QLatin1Char('\n');
    }
    s.pendingDeletions = deletions;
    s.helperNames.clear();
    s.helperNameSet.clear();
}

QString debugContextArgument()
{
    if (!KorvanDebugger::Internal::KorvanDebuggerOptions::debugModeEnabled())
        return QString();
    const EmissionState &s = state();
    QString context;
    if (!s.contextOverride.isEmpty() && s.overrideActive)
        context = sanitizedContext(s.contextOverride.split(QLatin1Char('.')));
    else
        context = sanitizedContext(s.contextStack);
    return QLatin1String("debugContext = ") + pythonStringLiteral(context);
}

void pushDebugContext(const QString &name, const QString &contextOverride)
{
    EmissionState &s = state();
    s.contextStack.append(name);
    if (!contextOverride.isEmpty()) {
        s.contextOverride = contextOverride;
        if (s.markedDepth == -1) {
            s.overrideActive = true;
            s.markedDepth = s.contextStack.size();
        }
    }
}

void popDebugContext()
{
    EmissionState &s = state();
    if (s.contextStack.size() == s.markedDepth) {
        s.contextOverride.clear();
        s.markedDepth = -1;
        s.overrideActive = false;
    }
    if (!s.contextStack.isEmpty())
        s.contextStack.removeLast();
}

int debugContextDepth()
{
    return state().contextStack.size();
}

QString customKey(const QString &first, const QString &second)
{
    QString key = first + QLatin1Char(';') + second;
    key.replace(QLatin1Char('@'), QLatin1Char('a'));
    return key;
}

QString customApiKey(const QString &prefix, const QString &first, const QString &second)
{
    if (prefix.isEmpty())
        return customKey(first, second);
    return prefix + QLatin1Char(';') + customKey(first, second);
}

QString encodeCustomPath(const QString &path)
{
    QString out;
    out.reserve(path.size() + 8);
    for (const QChar c : path) {
        if (c == QLatin1Char('_'))
            out += QLatin1String("__");
        else if (c == QLatin1Char('.'))
            out += QLatin1String("_d");
        else if (c == QLatin1Char(';'))
            out += QLatin1String("_s");
        else
            out += c;
    }
    return out;
}

QString decodeCustomPath(const QString &encoded)
{
    QString out;
    out.reserve(encoded.size());
    for (int i = 0; i < encoded.size(); ++i) {
        const QChar c = encoded.at(i);
        if (c != QLatin1Char('_') || i + 1 == encoded.size()) {
            out += c;
            continue;
        }
        const QChar next = encoded.at(++i);
        if (next == QLatin1Char('d'))
            out += QLatin1Char('.');
        else if (next == QLatin1Char('s'))
            out += QLatin1Char(';');
        else
            out += next; // "__", or a text that was never encoded
    }
    return out;
}

QString customApiName(const QString &prefix, const QString &classPath, const QString &name)
{
    return Key::custom + QLatin1Char('.') + customApiKey(prefix, encodeCustomPath(classPath), name);
}

namespace Internal {
void resetEmissionState()
{
    state() = EmissionState();
}
} // namespace Internal

} // namespace Configuration
} // namespace KorvanDebugger
