#include "enumextractor.h"

#include "enummodel.h"

#include "graphengine/globals.h"
#include "graphengine/logging.h"

#include "enumcodemodel.h"

#include <cpptools/cppmodelmanager.h>
#include <utils/ansiescapecodehandler.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>

namespace KorvanDebugger {
namespace Configuration {

namespace {

QStringList outputLines(const QByteArray &bytes)
{
    // Decoded up to the first zero byte, like a C string.
    return QString::fromUtf8(bytes.constData()).split(QLatin1Char('\n'));
}

void trace(const QString &text)
{
    if (GraphEngine::verboseTrace)
        GraphEngine::logWarning(text);
}

} // namespace

EnumExtractor::EnumExtractor(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<CompilerMessage>();
    qRegisterMetaType<QList<CompilerMessage>>();
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &EnumExtractor::timedOut);
}

EnumExtractor::~EnumExtractor()
{
    if (m_process) {
        disconnect(m_process, nullptr, this, nullptr);
        // Killed and reaped here, so that neither the compiler nor the
        // program outlives its input files.
        m_process->kill();
        m_process->waitForFinished(5000);
        m_process->deleteLater();
    }
    delete m_sourceFile;
    if (!m_executablePath.isEmpty())
        QFile::remove(m_executablePath);
}

QByteArray EnumExtractor::qualifiedSymbolName(const CPlusPlus::Symbol *symbol)
{
    if (!symbol)
        return QByteArray();
    auto *s = const_cast<CPlusPlus::Symbol *>(symbol);
    // The enumerators of an unscoped enumeration are members of the scope
    // that holds it, whether the enumeration has a name or not.
    if (const CPlusPlus::Enum *e = s->asEnum()) {
        if (!e->isScoped())
            return qualifiedSymbolName(s->enclosingScope());
    }
    const CPlusPlus::Identifier *id = s->identifier();
    if (!id)
        return QByteArray();
    const QByteArray name(id->chars(), id->size());
    if (!s->enclosingScope())
        return name;
    return qualifiedSymbolName(s->enclosingScope()) + "::" + name;
}

QString EnumExtractor::stripAnsi(const QString &text)
{
    Utils::AnsiEscapeCodeHandler handler;
    QString plain;
    for (const Utils::FormattedText &chunk : handler.parseText(Utils::FormattedText(text)))
        plain += chunk.text;
    return plain;
}

QByteArrayList EnumExtractor::collectSymbols(const CPlusPlus::Document::Ptr &document, QTextDocument *definition,
                                             const LinkAt &linkAt)
{
    QByteArrayList symbols;
    if (!document)
        return symbols;
    // A name twice in the program would show as "A=A".
    const auto add = [&symbols](const QByteArray &name) {
        if (!name.isEmpty() && !symbols.contains(name))
            symbols.append(name);
    };
    const auto addEnumerators = [&add](const CPlusPlus::Enum *e) {
        for (auto it = e->memberBegin(); it != e->memberEnd(); ++it)
            add(qualifiedSymbolName(*it));
    };

    for (const CPlusPlus::Macro &macro : document->definedMacros()) {
        if (!macro.isFunctionLike())
            add(macro.name());
    }
    for (int i = 0; i < document->globalSymbolCount(); ++i) {
        CPlusPlus::Symbol *symbol = document->globalSymbolAt(i);
        if (const CPlusPlus::Enum *e = symbol->asEnum()) {
            addEnumerators(e);
            continue;
        }
        if (!symbol->asDeclaration() || !definition || !linkAt)
            continue;
        // The word before the declared name is the name of its type.
        QTextCursor cursor(definition);
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::MoveAnchor, symbol->line() - 1);
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, symbol->column() - 1);
        cursor.movePosition(QTextCursor::PreviousWord);
        const Utils::Link link = linkAt(cursor);
        CppTools::CppModelManager *manager = CppTools::CppModelManager::instance();
        if (!link.hasValidTarget() || !manager)
            continue;
        const CPlusPlus::Document::Ptr target = manager->document(link.targetFileName);
        if (!target)
            continue;
        CPlusPlus::Symbol *type = target->lastVisibleSymbolAt(link.targetLine, link.targetColumn + 1);
        if (const CPlusPlus::Enum *e = type ? type->asEnum() : nullptr)
            addEnumerators(e);
    }
    return symbols;
}

QByteArray EnumExtractor::programText(const QString &prerequisite, const QString &definition,
                                      const QByteArrayList &symbols)
{
    QByteArray text = prerequisite.toLocal8Bit() + '\n' + definition.toLocal8Bit();
    text += "\n;\n#include <stdio.h>\n\ntemplate <typename v> bool __is___Negative__(v variable) { return variable < 0;}\n"
            "int main(int argc, char** argv) {\n";
    for (const QByteArray &s : symbols) {
        text += "  printf(\"" + s + ",%llu,%d\\n\",static_cast<unsigned long long int>(" + s
                + "),__is___Negative__(" + s + "));\n";
    }
    text += "}\n";
    return text;
}

QList<CompilerMessage> EnumExtractor::compilerMessages(const QString &sourceName, const QStringList &lines,
                                                       int prerequisiteLineCount, bool *failed,
                                                       int definitionLineCount)
{
    const QString source = QRegularExpression::escape(sourceName);
    const QRegularExpression error(QStringLiteral("^%1:(\\d+):(\\d+): [fatal ]*error: (.*)$").arg(source));
    const QRegularExpression warning(
        QStringLiteral("^%1:(\\d+):(\\d+): warning: (integer constant is too large for its type).*$").arg(source));
    QList<CompilerMessage> messages;
    *failed = false;
    for (const QString &line : lines) {
        QRegularExpressionMatch match = error.match(line);
        if (!match.hasMatch())
            match = warning.match(line);
        if (!match.hasMatch())
            continue;
        *failed = true;
        CompilerMessage message;
        message.line = match.captured(1).toInt();
        message.column = match.captured(2).toInt();
        message.text = stripAnsi(match.captured(3));
        // The program starts with the prerequisite and its line break, then
        // the definition; the lines after it are the program's own.
        if (definitionLineCount >= 0 && message.line > prerequisiteLineCount + definitionLineCount) {
            message.editor = CompilerMessage::Generated;
        } else if (message.line > prerequisiteLineCount) {
            message.editor = CompilerMessage::Definition;
            message.line -= prerequisiteLineCount;
        } else {
            message.editor = CompilerMessage::Prerequisite;
        }
        messages.append(message);
    }
    return messages;
}

QProcess *EnumExtractor::newProcess(const char *finishedSlot)
{
    auto *process = new QProcess;
    connect(process, SIGNAL(finished(int, QProcess::ExitStatus)), this, finishedSlot);
    connect(process, &QProcess::errorOccurred, this, &EnumExtractor::processError);
    m_timedOut = false;
    m_watchdog.start(m_timeout);
    return process;
}

bool EnumExtractor::start(const QString &prerequisite, const QString &definition, const QByteArrayList &symbols)
{
    if (m_process || symbols.isEmpty())
        return false;
    const QByteArray program = programText(prerequisite, definition, symbols);
    trace(QStringLiteral("Code is:"));
    trace(QString::fromLocal8Bit(program));

    m_sourceFile = new QTemporaryFile(QStringLiteral("/tmp/KorvanSymbol_XXXXXX.cpp"));
    if (!m_sourceFile->open() || m_sourceFile->write(program) != program.size() || !m_sourceFile->flush()) {
        fail(tr("Cannot write the helper program %1: %2").arg(m_sourceFile->fileName(), m_sourceFile->errorString()));
        return true;
    }
    m_sourceFile->close();
    {
        // Only a unique name: g++ creates the file.
        QTemporaryFile executable(QStringLiteral("/tmp/KorvanSymbol_XXXXXX"));
        if (!executable.open()) {
            fail(tr("Cannot choose a name for the helper program: %1").arg(executable.errorString()));
            return true;
        }
        m_executablePath = executable.fileName();
    }
    m_prerequisiteLines = prerequisite.count(QLatin1Char('\n')) + 1;
    m_definitionLines = definition.count(QLatin1Char('\n')) + 1;

    const QStringList arguments = QStringList{m_sourceFile->fileName(), QStringLiteral("-std=c++0x"),
                                              QStringLiteral("-fPIC"), QStringLiteral("-fpermissive")}
                                  + enumIncludeOptions()
                                  + QStringList{QStringLiteral("-Werror=format"), QStringLiteral("-o"), m_executablePath};
    m_process = newProcess(SLOT(cppCompilerFinished()));
    m_process->start(QStringLiteral("g++"), arguments);
    return true;
}

QProcess *EnumExtractor::takeFinishedProcess()
{
    QProcess *process = m_process;
    if (!process || sender() != process)
        return nullptr;
    // Deleted from the event loop, never from inside its own signal.
    m_watchdog.stop();
    disconnect(process, nullptr, this, nullptr);
    process->deleteLater();
    m_process = nullptr;
    return process;
}

void EnumExtractor::cppCompilerFinished()
{
    QProcess *compiler = takeFinishedProcess();
    if (!compiler)
        return;

    const QByteArray errorBytes = compiler->readAllStandardError();
    const QStringList lines = outputLines(errorBytes);
    trace(tr("ERROR: %1").arg(lines.join(QLatin1Char('\n'))));
    bool messageFailure = false;
    const QList<CompilerMessage> messages = compilerMessages(m_sourceFile->fileName(), lines, m_prerequisiteLines,
                                                             &messageFailure, m_definitionLines);
    delete m_sourceFile;
    m_sourceFile = nullptr;
    emit compiled(messages);

    // The exit code decides too: errors in headers or at link time match no
    // message pattern, and a failed g++ leaves no program to run.
    if (m_timedOut) {
        fail(tr("g++ did not finish within %1 seconds.").arg(m_timeout / 1000));
    } else if (messageFailure) {
        const CompilerMessage &first = messages.first();
        const QString part = first.editor == CompilerMessage::Prerequisite ? tr("prerequisite")
                             : first.editor == CompilerMessage::Definition ? tr("definition")
                                                                           : tr("generated helper program");
        fail(tr("Line %1 of the %2: %3").arg(first.line).arg(part, first.text));
    } else if (compiler->exitStatus() != QProcess::NormalExit || compiler->exitCode() != 0
               || !QFileInfo::exists(m_executablePath)) {
        fail(tr("The enumeration's helper program could not be compiled:\n%1")
                 .arg(QString::fromLocal8Bit(errorBytes).trimmed()));
    } else {
        m_process = newProcess(SLOT(executionFinished()));
        m_process->start(m_executablePath, QStringList());
    }
}

void EnumExtractor::executionFinished()
{
    QProcess *program = takeFinishedProcess();
    if (!program)
        return;

    const QStringList lines = outputLines(program->readAllStandardOutput());
    trace(tr("OUTPUT %1").arg(lines.join(QLatin1Char('\n'))));
    if (m_timedOut) {
        fail(tr("The enumeration's helper program did not finish within %1 seconds.").arg(m_timeout / 1000));
        return;
    }
    if (program->exitStatus() != QProcess::NormalExit || program->exitCode() != 0) {
        fail(tr("The enumeration's helper program failed (exit code %1): %2")
                 .arg(program->exitCode())
                 .arg(QString::fromLocal8Bit(program->readAllStandardError()).trimmed()));
        return;
    }
    QFile::remove(m_executablePath);
    m_executablePath.clear();
    if (m_model) {
        m_model->parseProgramOutput(lines);
        m_model->setStale(false);
    }
    emit changed();
}

void EnumExtractor::processError(QProcess::ProcessError error)
{
    // Other errors end in finished(); a program that never started does not.
    if (error != QProcess::FailedToStart || sender() != m_process)
        return;
    const QString program = m_process->program();
    const QString reason = m_process->errorString();
    fail(tr("Cannot start %1: %2").arg(program, reason));
}

void EnumExtractor::timedOut()
{
    if (!m_process)
        return;
    m_timedOut = true;
    m_process->kill();
}

void EnumExtractor::release()
{
    m_watchdog.stop();
    if (m_process) {
        disconnect(m_process, nullptr, this, nullptr);
        m_process->deleteLater();
        m_process = nullptr;
    }
    delete m_sourceFile;
    m_sourceFile = nullptr;
    if (!m_executablePath.isEmpty()) {
        QFile::remove(m_executablePath);
        m_executablePath.clear();
    }
}

void EnumExtractor::fail(const QString &message)
{
    release();
    // The table stays as it was: a definition that cannot be computed here
    // (headers missing on this machine) must not lose the stored values.
    if (m_model)
        m_model->setStale(true);
    emit failed(message);
    emit changed();
}

} // namespace Configuration
} // namespace KorvanDebugger
