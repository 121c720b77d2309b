#include "pythonerror.h"

#include "keys.h"

#include <QCoreApplication>

namespace KorvanDebugger {
namespace Configuration {

namespace {

[[maybe_unused]] const int registered = qRegisterMetaType<PythonError>("KorvanDebugger::Configuration::PythonError");

QString plainCell(QString text)
{
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return text;
}

QString row(const QString &label, const QString &cell)
{
    return QLatin1String("<tr><td><b><div style='white-space:pre'>") + label
           + QLatin1String(": </div></b></td><td>") + cell + QLatin1String("</td></tr>");
}

QString indent(int depth, int less = 0)
{
    const int blanks = 2 * depth - less;
    return blanks > 0 ? QString(blanks, QLatin1Char(' ')) : QString();
}

} // namespace

void PythonError::parseLine(const QString &text)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    const QString key = colon < 0 ? text : text.left(colon);
    QString value = colon < 0 ? text : text.mid(colon + 1);

    if (key == Key::reportApi) {
        api = value.split(QLatin1Char('.'));
        flags |= FlagApi;
    } else if (key == Key::reportLine) {
        line = value;
        flags |= FlagLine;
    } else if (key == Key::reportVar) {
        var = value;
        flags |= FlagVar;
    } else if (key == Key::reportVarType) {
        varType = value;
        flags |= FlagVarType;
    } else if (key == Key::reportVarDeref) {
        varDeref = value;
        flags |= FlagVarDeref;
    } else if (key == Key::reportErrorType) {
        errorType = value;
        flags |= FlagErrorType;
    } else if (key == Key::reportErrorDesc) {
        if (value == QLatin1String("Attempt to take contents of a non-pointer value.")) {
            value += QCoreApplication::translate("PythonError", "Undefined Generic Error.");
        } else if (value == QLatin1String("Attempt to extract a component of a value that is not a (null).")) {
            value = QCoreApplication::translate("PythonError",
                                                "Attempt to extract a sub-field of a value that is not component.");
        }
        errorDesc = value;
        flags |= FlagErrorDesc;
    }
}

QString PythonError::takeFirstApi()
{
    return api.isEmpty() ? QString() : api.takeFirst();
}

bool PythonError::isCustomApi() const
{
    return !api.isEmpty() && api.first() == Key::custom;
}

bool PythonError::isInternal() const
{
    return !api.isEmpty() && api.last().startsWith(QLatin1String("__"));
}

QString PythonError::toHtml() const
{
    QString html = QStringLiteral("<table>");
    if (flags & FlagLine)
        html += row(QStringLiteral("Line Number"), plainCell(line));
    html += row(QStringLiteral("Error Code"), plainCell(errorType));
    html += row(QStringLiteral("Error Description"), plainCell(errorDesc));
    html += row(QStringLiteral("Value Type"), plainCell(varType));
    if (varType.endsWith(QLatin1Char('*'))) {
        html += row(QStringLiteral("Affected Value"), plainCell(var + QLatin1String(" = ")));
        html += row(QString(), formatValueHtml(varDeref));
    } else {
        html += row(QStringLiteral("Affected Value"), formatValueHtml(var));
    }
    return html;
}

QString PythonError::formatValueHtml(const QString &text)
{
    QString out;
    bool inQuote = false;
    int backslashes = 0;
    int bracketDepth = 0;
    int braceDepth = 0;

    for (const QChar c : text) {
        if (inQuote) {
            out += c;
            if (c == QLatin1Char('\\')) {
                ++backslashes;
                continue;
            }
            if (c == QLatin1Char('"') && backslashes % 2 == 0)
                inQuote = false;
            backslashes = 0;
            continue;
        }
        if (c == QLatin1Char('"')) {
            out += c;
            inQuote = true;
            backslashes = 0;
        } else if (c == QLatin1Char('<') || c == QLatin1Char('(')) {
            out += c;
            ++bracketDepth;
        } else if (bracketDepth > 0) {
            if (c == QLatin1Char(')') || c == QLatin1Char('>'))
                --bracketDepth;
            out += c;
        } else if (c == QLatin1Char('{')) {
            ++braceDepth;
            out += QLatin1String("{\n") + indent(braceDepth);
        } else if (c == QLatin1Char('}')) {
            --braceDepth;
            out += QLatin1String("\n") + indent(braceDepth) + QLatin1String("}");
        } else if (c == QLatin1Char(',')) {
            out += QLatin1String(",\n") + indent(braceDepth, 1);
        } else {
            out += c;
        }
    }

    out = out.toHtmlEscaped();
    out.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    out.replace(QLatin1Char(' '), QLatin1String("&nbsp;"));
    return out;
}

} // namespace Configuration
} // namespace KorvanDebugger
