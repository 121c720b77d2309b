#include "enumprogram.h"

#include "editor/enumextractor.h"
#include "editor/enummodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace KorvanDebugger {
namespace Tools {

namespace {

// The index just after the bracket that closes the one at `open`, or -1.
int matchingBrace(const QString &text, int open)
{
    int depth = 0;
    for (int i = open; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('{'))
            ++depth;
        else if (text.at(i) == QLatin1Char('}') && --depth == 0)
            return i + 1;
    }
    return -1;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("EnumProgram", text);
}

} // namespace

EnumProgram::EnumProgram(const QStringList &includeOptions)
    : m_includeOptions(includeOptions)
{
}

QStringList EnumProgram::qtIncludeOptions()
{
    const QString headers = QStringLiteral(KORVAN_QT_HEADERS);
    QStringList options{QStringLiteral("-I") + headers};
    for (const QString &entry : QDir(headers).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        options.append(QStringLiteral("-I%1/%2").arg(headers, entry));
    return options;
}

bool EnumProgram::runProcess(const QString &program, const QStringList &args, const QByteArray &input,
                             QByteArray *output, QString *error) const
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted()) {
        *error = tr("Cannot start %1.").arg(program);
        return false;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        *error = tr("%1 did not finish.").arg(program);
        return false;
    }
    *output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = tr("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

QString EnumProgram::preprocessed(const QString &source, QString *error)
{
    const auto cached = m_preprocessed.constFind(source);
    if (cached != m_preprocessed.constEnd())
        return *cached;
    QByteArray output;
    const QStringList args = QStringList{"-E", "-P", "-std=c++0x", "-fPIC"} + m_includeOptions
                             + QStringList{"-x", "c++", "-"};
    if (!runProcess(QStringLiteral("g++"), args, source.toLocal8Bit(), &output, error))
        return QString();
    const QString text = QString::fromLocal8Bit(output);
    m_preprocessed.insert(source, text);
    return text;
}

QString EnumProgram::findEnumBody(const QString &text, const QString &scope, const QString &name, bool *isScoped)
{
    int from = 0;
    // Each scope component in turn: "namespace N {" or "class [attributes] N ... {".
    for (const QString &component : scope.split(QStringLiteral("::"), Qt::SkipEmptyParts)) {
        const QRegularExpression opening(
            QStringLiteral("\\b(?:namespace|class|struct)\\s+(?:__attribute__\\s*\\(\\(.*?\\)\\)\\s*)?%1\\b[^;{]*\\{")
                .arg(QRegularExpression::escape(component)));
        const QRegularExpressionMatch match = opening.match(text, from);
        if (!match.hasMatch())
            return QString();
        from = match.capturedEnd() - 1;
    }
    const QRegularExpression declaration(
        QStringLiteral("\\benum\\s+(class\\s+|struct\\s+)?%1\\s*(?::[^{;]*)?\\{").arg(QRegularExpression::escape(name)));
    const QRegularExpressionMatch match = declaration.match(text, from);
    if (!match.hasMatch())
        return QString();
    *isScoped = !match.captured(1).isEmpty();
    const int open = match.capturedEnd() - 1;
    const int close = matchingBrace(text, open);
    return close < 0 ? QString() : text.mid(open + 1, close - open - 2);
}

QStringList EnumProgram::enumeratorsOfBody(const QString &body)
{
    QString text = body;
    text.remove(QRegularExpression(QStringLiteral("\\[\\[.*?\\]\\]")));
    text.remove(QRegularExpression(QStringLiteral("__attribute__\\s*\\(\\(.*?\\)\\)")));
    QStringList names;
    int depth = 0;
    QString piece;
    const auto takePiece = [&names, &piece]() {
        static const QRegularExpression identifier(QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)"));
        const QRegularExpressionMatch match = identifier.match(piece);
        if (match.hasMatch())
            names.append(match.captured(1));
        piece.clear();
    };
    for (const QChar ch : qAsConst(text)) {
        if (ch == QLatin1Char('(') || ch == QLatin1Char('<'))
            ++depth;
        else if (ch == QLatin1Char(')') || ch == QLatin1Char('>'))
            depth = qMax(0, depth - 1);
        if (ch == QLatin1Char(',') && depth == 0)
            takePiece();
        else
            piece.append(ch);
    }
    takePiece();
    return names;
}

QStringList EnumProgram::enumeratorNames(const QString &prerequisite, const QString &definition, QString *error)
{
    // The declared type of the last declaration: "Scope::Enum variable;".
    static const QRegularExpression declaration(
        QStringLiteral("([A-Za-z_][A-Za-z0-9_:]*)\\s+[A-Za-z_][A-Za-z0-9_]*\\s*;\\s*$"));
    const QRegularExpressionMatch match = declaration.match(definition);
    if (!match.hasMatch()) {
        *error = tr("The definition declares no variable of an enumeration type.");
        return {};
    }
    QString type = match.captured(1);
    if (type.startsWith(QStringLiteral("::")))
        type = type.mid(2);
    const int separator = type.lastIndexOf(QStringLiteral("::"));
    const QString scope = separator < 0 ? QString() : type.left(separator);
    const QString name = type.mid(separator < 0 ? 0 : separator + 2);

    const QString text = preprocessed(prerequisite + QLatin1Char('\n') + definition, error);
    if (text.isEmpty())
        return {};
    bool scoped = false;
    const QString body = findEnumBody(text, scope, name, &scoped);
    if (body.isEmpty()) {
        *error = tr("No definition of the enumeration %1 found.").arg(type);
        return {};
    }
    const QString prefix = (scope.isEmpty() ? QStringLiteral("::") : QStringLiteral("::%1::").arg(scope))
                           + (scoped ? name + QStringLiteral("::") : QString());
    QStringList names;
    for (const QString &enumerator : enumeratorsOfBody(body))
        names.append(prefix + enumerator);
    return names;
}

EnumTable EnumProgram::compute(const QJsonObject &enumeration)
{
    EnumTable table;
    const QString prerequisite = enumeration.value(QStringLiteral("prerequisite")).toString();
    const QString definition = enumeration.value(QStringLiteral("definition")).toString();
    const QStringList symbols = enumeratorNames(prerequisite, definition, &table.error);
    if (symbols.isEmpty()) {
        if (table.error.isEmpty())
            table.error = tr("The enumeration has no constants.");
        return table;
    }

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("KorvanSymbol.cpp"));
    const QString executable = dir.filePath(QStringLiteral("KorvanSymbol"));
    QFile file(source);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly)) {
        table.error = tr("Cannot write the helper program.");
        return table;
    }
    QByteArrayList names;
    for (const QString &symbol : symbols)
        names.append(symbol.toLocal8Bit());
    file.write(Configuration::EnumExtractor::programText(prerequisite, definition, names));
    file.close();

    QByteArray output;
    const QStringList args = QStringList{source, "-std=c++0x", "-fPIC", "-fpermissive"} + m_includeOptions
                             + QStringList{"-Werror=format", "-o", executable};
    if (!runProcess(QStringLiteral("g++"), args, QByteArray(), &output, &table.error)
        || !runProcess(executable, {}, QByteArray(), &output, &table.error))
        return table;

    table.outputLines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    Configuration::EnumModel model;
    model.parseProgramOutput(table.outputLines);
    model.toText(table.masks, table.enums, false);
    return table;
}

} // namespace Tools
} // namespace KorvanDebugger
