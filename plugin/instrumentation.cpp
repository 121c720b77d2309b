#include "instrumentation.h"

#include "editor/korvandebuggeroptions.h"
#include "graphengine/logging.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <QVector>

namespace KorvanDebugger {
namespace Internal {

namespace {

const QLatin1String noCountSuffix(" #--");

const char *const wrapperTemplate =
    "%4try: #--\n"
    "  %1\n"
    "%4except  Exception as inst: #--\n"
    "%4  WARN(\"KORVANDEBUGAPI:%s.%2\"%debugContext) #--\n"
    "%4  try: #--\n"
    "%4    WARN(\"KORVANDEBUGVAR:%s\"%%3) #--\n"
    "%4  except: #--\n"
    "%4    WARN(\"KORVANDEBUGVAR:<Not Accessible>\") #--\n"
    "%4  try: #--\n"
    "%4    WARN(\"KORVANDEBUGVARTYPE:%s\"%%3.type) #--\n"
    "%4  except: #--\n"
    "%4    try:%4      WARN(\"KORVANDEBUGVARTYPE:%s\"%type(%3)) #--\n"
    "%4    except:%4      WARN(\"KORVANDEBUGVARTYPE:unknown\") #--\n"
    "%4  try: #--\n"
    "%4    WARN(\"KORVANDEBUGVAR*:%s\"%%3.dereference()) #--\n"
    "%4  except: #--\n"
    "%4    WARN(\"KORVANDEBUGVAR*:\") #--\n"
    "%4  WARN(\"KORVANDEBUGERRORTYPE:%s\"%str(sys.exc_info()[0])) #--\n"
    "%4  WARN(\"KORVANDEBUGERRORDESC:%s\"%%5) #--\n"
    "%4  raise #--";

// Fills %1..%5 in one pass: a place marker inside a substituted text is
// copied as written instead of being substituted again.
QString fillTemplate(const QString &pattern, const QString (&values)[5])
{
    QString out;
    out.reserve(pattern.size() + 20 * values[0].size());
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('%') && i + 1 < pattern.size()) {
            const int n = pattern.at(i + 1).unicode() - '1';
            if (n >= 0 && n < 5) {
                out += values[n];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// The text between the double quotes of a Python string literal.
QString escapedForLiteral(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return text;
}

QString firstPass(const QString &code)
{
    static const QRegularExpression debugAnnotation(
        QStringLiteral("\\A( *).*# DEBUG ([^,]*),([^,]*)(,.*)?\\z"));
    static const QRegularExpression noDebugAnnotation(QStringLiteral("\\A( *).*# NODEBUG\\z"));
    static const QString wrapper = QString::fromLatin1(wrapperTemplate);

    QString out;
    out.reserve(code.size() + code.size() / 4);
    for (const QStringRef &line : code.splitRef(QLatin1Char('\n'))) {
        // Read for every line, as the options page may change it meanwhile.
        const bool debugMode = KorvanDebuggerOptions::debugModeEnabled();
        if (debugMode && line.contains(QLatin1String("# DEBUG "))) {
            const QRegularExpressionMatch m = debugAnnotation.match(line);
            if (m.hasMatch()) {
                const QString message = m.capturedLength(4) > 0
                                            ? QLatin1Char('"') + escapedForLiteral(m.captured(4).mid(1)) + QLatin1Char('"')
                                            : QStringLiteral("str(inst)");
                const QString values[5] = {line.toString(), escapedForLiteral(m.captured(2)), m.captured(3),
                                           m.captured(1), message};
                out += fillTemplate(wrapper, values);
                out += QLatin1Char('\n');
                continue;
            }
        }
        if (!debugMode && line.contains(QLatin1String("# NODEBUG"))) {
            const QRegularExpressionMatch m = noDebugAnnotation.match(line);
            if (m.hasMatch()) {
                out += m.capturedRef(1);
                out += QLatin1String("if True:\n");
                continue;
            }
        }
        out += line;
        out += QLatin1Char('\n');
    }
    return out;
}

// What the tokenizer knows at the end of a line: whether a triple-quoted
// string is still open (and with which quote), and the bracket balance of
// the line outside strings and comments.
struct LineScan
{
    QChar openTriple; // null when no triple-quoted string is open
    int brackets = 0;
    bool continues = false; // ends with a backslash outside a comment
};

void scanLine(const QStringRef &line, LineScan &scan)
{
    scan.brackets = 0;
    scan.continues = false;
    const int size = line.size();
    int i = 0;
    QChar quote;        // open single-line string
    bool inComment = false;
    while (i < size) {
        const QChar c = line.at(i);
        if (!scan.openTriple.isNull()) {
            if (c == QLatin1Char('\\')) {
                i += 2;
                continue;
            }
            if (c == scan.openTriple && i + 2 < size && line.at(i + 1) == c && line.at(i + 2) == c) {
                scan.openTriple = QChar();
                i += 3;
                continue;
            }
            ++i;
            continue;
        }
        if (!quote.isNull()) {
            if (c == QLatin1Char('\\'))
                i += 2;
            else {
                if (c == quote)
                    quote = QChar();
                ++i;
            }
            continue;
        }
        if (c == QLatin1Char('#')) {
            inComment = true;
            break;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            if (i + 2 < size && line.at(i + 1) == c && line.at(i + 2) == c) {
                scan.openTriple = c;
                i += 3;
            } else {
                quote = c;
                ++i;
            }
            continue;
        }
        if (c == QLatin1Char('(') || c == QLatin1Char('[') || c == QLatin1Char('{'))
            ++scan.brackets;
        else if (c == QLatin1Char(')') || c == QLatin1Char(']') || c == QLatin1Char('}'))
            --scan.brackets;
        ++i;
    }
    if (!inComment && !line.isEmpty() && line.at(size - 1) == QLatin1Char('\\'))
        scan.continues = true;
}

bool startsWithAny(const QStringRef &text, std::initializer_list<const char *> prefixes)
{
    for (const char *prefix : prefixes) {
        if (text.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

QString secondPass(const QString &code, const QString &partName)
{
    const QString traceTemplate
        = QCoreApplication::translate("KorvanDebuggerPlugin", "WARN(\"%1:%2 %3\")").arg(partName);
    const int part2 = traceTemplate.indexOf(QLatin1String("%2"));
    const int part3 = traceTemplate.indexOf(QLatin1String("%3"));

    QString out;
    out.reserve(code.size() * 2 + code.size() / 2);
    int number = 0;
    int depth = 0;
    LineScan scan;
    bool continuation = false;   // the previous line ended with a backslash
    bool afterDecorator = false; // a decorator waits for its def or class
    for (const QStringRef &line : code.splitRef(QLatin1Char('\n'))) {
        if (line.endsWith(noCountSuffix)) {
            out += line;
            out += QLatin1Char('\n');
            continue;
        }
        ++number;
        const QStringRef t = line.trimmed();
        const bool insideString = !scan.openTriple.isNull();
        if (!insideString && t.startsWith(QLatin1Char('#'))) {
            out += line;
            out += QLatin1Char('\n');
            continue;
        }
        const int w = t.isEmpty() ? 0 : int(t.position() - line.position());
        // The bracket depth is counted outside strings and comments, so a
        // line inside open brackets is never taken for a statement, even
        // when it starts in column 0.
        const bool startsStatement = !insideString && !continuation && depth == 0;
        const bool candidate = startsStatement && !afterDecorator;
        if (startsStatement && !t.isEmpty())
            afterDecorator = t.startsWith(QLatin1Char('@'));
        if (candidate && !t.isEmpty()
            && !startsWithAny(t, {"else:", "else :", "except:", "except ", "elif ", "finally:", "finally :",
                                  "WARN(\"KORVANDEBUG"})) {
            out.append(QString(w, QLatin1Char(' ')));
            out += traceTemplate.leftRef(part2);
            // the line number right-aligned in six places
            const QString digits = QString::number(number);
            if (digits.size() < 6)
                out.append(QString(6 - digits.size(), QLatin1Char(' ')));
            out += digits;
            out += traceTemplate.midRef(part2 + 2, part3 - part2 - 2);
            for (const QChar c : line) {
                if (c == QLatin1Char('"'))
                    out += QLatin1String("''");
                else if (c == QLatin1Char('\\'))
                    out += QLatin1String("\\\\");
                else
                    out += c;
            }
            out += traceTemplate.midRef(part3 + 2);
            out += QLatin1Char('\n');
        }
        scanLine(line, scan);
        depth = qMax(0, depth + scan.brackets);
        continuation = scan.continues && scan.openTriple.isNull();
        out += line;
        out += QLatin1Char('\n');
    }
    return out;
}

} // namespace

QString instrumentPython(QString code, const char *partName, bool logFirstPass)
{
    QString first = firstPass(code);
    code.clear(); // consumed
    // The listing is what the trace lines and error reports of debug mode
    // point into; outside it nothing refers to it, and the generated
    // printers run to thousands of lines at every start.
    const bool debugMode = KorvanDebuggerOptions::debugModeEnabled();
    if (logFirstPass && debugMode)
        GraphEngine::logWarning(first);
    // A trace call runs before every executed statement, inside the loops
    // of the printers too: for a large container that is millions of log
    // lines per stop. Outside debug mode a failing printer is still shown
    // in its value with the error it raised, so the trace is left out.
    if (!debugMode)
        return first;
    return secondPass(first, QString::fromLatin1(partName));
}

} // namespace Internal
} // namespace KorvanDebugger
