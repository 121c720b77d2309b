#pragma once

// The values of an enumeration definition, computed by the compiler: the
// names of the definition's enumerators and object-like macros go into a
// small helper program that prints each value; g++ compiles it against the
// Qt and project headers, the program runs, and its output fills the
// enumeration model. One computation at a time, driven by the event loop.

#include <cplusplus/CppDocument.h>
#include <utils/filepath.h>

#include <QByteArrayList>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <functional>

QT_BEGIN_NAMESPACE
class QTemporaryFile;
class QTextCursor;
class QTextDocument;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class EnumModel;

// One compiler message on a line of the user's text.
struct CompilerMessage
{
    // Generated: a line of the helper program after the user's texts; its
    // line is then the line of the whole program.
    enum Editor { Prerequisite, Definition, Generated };

    Editor editor = Definition;
    int line = 0;   // 1-based, in the editor's text
    int column = 0; // 1-based, as the compiler gives it (0 when unknown)
    QString text;

    bool operator==(const CompilerMessage &other) const
    {
        return editor == other.editor && line == other.line && column == other.column && text == other.text;
    }
};

class EnumExtractor : public QObject
{
    Q_OBJECT
public:
    // The editor's "follow symbol" at a text cursor of the definition.
    using LinkAt = std::function<Utils::Link(const QTextCursor &cursor)>;

    explicit EnumExtractor(QObject *parent = nullptr);
    ~EnumExtractor() override;

    // The model the results go to (not owned; may be null).
    void setModel(EnumModel *model) { m_model = model; }
    EnumModel *model() const { return m_model; }

    // A compilation or a run is under way.
    bool isBusy() const { return m_process != nullptr; }

    // Starts a computation of the symbols' values. Does nothing and returns
    // false while busy or without symbols.
    bool start(const QString &prerequisite, const QString &definition, const QByteArrayList &symbols);

    // Limit for each of the compiler and the program.
    void setTimeout(int milliseconds) { m_timeout = milliseconds; }

    // The names to print, in program order: the object-like macros of the
    // document, then the enumerators of its global enumerations and of the
    // enumerations that its global declarations are declared with (followed
    // through `linkAt` at the type name in `definition`).
    static QByteArrayList collectSymbols(const CPlusPlus::Document::Ptr &document, QTextDocument *definition,
                                         const LinkAt &linkAt);
    // "::Qt::AlignLeft": unscoped enumerations are transparent, scoped ones
    // ("enum class") are part of the name, as C++ requires.
    static QByteArray qualifiedSymbolName(const CPlusPlus::Symbol *symbol);
    static QString stripAnsi(const QString &text);
    static QByteArray programText(const QString &prerequisite, const QString &definition,
                                  const QByteArrayList &symbols);
    // The compiler's messages about the user's lines; `failed` is set when
    // one of them is an error (or a too large constant).
    // With the definition's line count, messages past the definition are
    // about the generated lines (a negative count: none are).
    static QList<CompilerMessage> compilerMessages(const QString &sourceName, const QStringList &lines,
                                                   int prerequisiteLineCount, bool *failed,
                                                   int definitionLineCount = -1);

signals:
    // After each compilation: the messages on the user's lines (an empty
    // list when there are none).
    void compiled(const QList<KorvanDebugger::Configuration::CompilerMessage> &messages);
    // A computation failed; the model keeps its table, marked stale.
    void failed(const QString &message);
    // A computation ended, successfully or not.
    void changed();

private slots:
    void cppCompilerFinished();
    void executionFinished();
    void processError(QProcess::ProcessError error);
    void timedOut();

private:
    QProcess *newProcess(const char *finishedSlot);
    // The process whose end is being handled, no longer in the slot.
    QProcess *takeFinishedProcess();
    void fail(const QString &message);
    void release();

    QPointer<EnumModel> m_model;
    QProcess *m_process = nullptr;
    QTemporaryFile *m_sourceFile = nullptr;
    QString m_executablePath;
    int m_prerequisiteLines = 0;
    int m_definitionLines = 0;
    int m_timeout = 120000;
    bool m_timedOut = false;
    QTimer m_watchdog;
};

} // namespace Configuration
} // namespace KorvanDebugger

Q_DECLARE_METATYPE(KorvanDebugger::Configuration::CompilerMessage)
