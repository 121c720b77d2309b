#include "logfilter.h"

#include "configuration/pythoncode.h"
#include "graphengine/logging.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QVector>

namespace KorvanDebugger {
namespace Internal {

using Configuration::PythonError;

namespace {

const QLatin1String junkText("DISCARDING JUNK AT BEGIN OF RESPONSE:");
const QLatin1String debuggerStart("Starting debugger");
const QLatin1String debuggerStarted("Starting Debugger");
const QLatin1String privateStart("#PRIVATESTART");
const QLatin1String privateEnd("#PRIVATEEND");
const QLatin1String promptEcho(">~\">\"");
const QLatin1String newlineEcho(">~\"\\n\"");
const QLatin1String rawReport("~\"XXX: KORVANDEBUG");
const QLatin1String reportMarker("XXX: KORVANDEBUG");
const QLatin1String typedefMarker("XXX: KORVANTYPEDEF;");

bool standsAt(const QString &text, int offset, QLatin1String marker)
{
    return text.size() >= offset && text.midRef(offset).startsWith(marker);
}

// Extends a selection from its anchor to the start of the line after the
// block; on the document's last line the selection stays where it is.
void selectThroughNextLine(QTextCursor &cursor, const QTextBlock &block)
{
    cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
}

// The same for a run that a line completes: on the document's last line the
// run goes whole with the line break before it, as its last line left alone
// would open a run of its own in the next scan.
void selectCompletedRun(QTextCursor &cursor, const QTextBlock &block)
{
    if (block.next().isValid()) {
        selectThroughNextLine(cursor, block);
        return;
    }
    const int start = cursor.anchor();
    cursor.setPosition(start > 0 ? start - 1 : 0);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
}

} // namespace

LogFilter::LogFilter(QMap<QString, QString> *typedefMap, QObject *parent)
    : QObject(parent)
    , m_typedefMap(typedefMap)
{
}

void LogFilter::watch(QPlainTextEdit *log)
{
    connect(log, &QPlainTextEdit::textChanged, this, &LogFilter::filterDebuggerOutput, Qt::UniqueConnection);
}

void LogFilter::filterDebuggerOutput()
{
    auto *log = qobject_cast<QPlainTextEdit *>(sender());
    if (!log)
        return;
    // The filter's own edits must not run it again.
    disconnect(log, &QPlainTextEdit::textChanged, this, &LogFilter::filterDebuggerOutput);
    if (filterDocument(log->document()))
        emit typedefMapChanged();
    connect(log, &QPlainTextEdit::textChanged, this, &LogFilter::filterDebuggerOutput, Qt::UniqueConnection);
}

QTextCursor &LogFilter::resumePoint(QTextDocument *document)
{
    auto it = m_resume.find(document);
    if (it == m_resume.end()) {
        connect(document, &QObject::destroyed, this, [this, document] { m_resume.remove(document); });
        QTextCursor start(document);
        // Text appended right at the resume point belongs after it.
        start.setKeepPositionOnInsert(true);
        it = m_resume.insert(document, start);
    }
    return it.value();
}

bool LogFilter::filterDocument(QTextDocument *document)
{
    QTextCursor &resume = resumePoint(document);
    int state = 0;
    QTextCursor anchor;
    QVector<QTextCursor> removals;
    PythonError error;
    bool firstReport = true;
    bool typedefChanged = false;

    // Kept as a position during the scan (moving a cursor lays its line
    // out), and set once before the removals, which it then follows.
    int resumeAt = resume.position();
    QTextBlock block = document->findBlock(resumeAt);
    if (!block.isValid())
        block = document->begin();
    while (block.isValid()) {
        QString t = block.text();
        // The junk text can open the line or follow its direction
        // character; both forms, and the second after the first, go.
        if (t.startsWith(junkText))
            t.remove(0, junkText.size());
        if (standsAt(t, 1, junkText))
            t.remove(0, junkText.size() + 1);
        if (t.endsWith(QLatin1Char('\n')))
            t.chop(2);

        bool again = true;
        while (again) {
            again = false;
            switch (state) {
            case 0: {
                // Every line before one met in this state is settled.
                resumeAt = block.position();
                if (standsAt(t, 1, debuggerStart)) {
                    const int number = block.blockNumber();
                    QTextCursor line(block);
                    selectThroughNextLine(line, block);
                    const QString text = line.selectedText().replace(debuggerStart, debuggerStarted);
                    // The selection spans a paragraph break as U+2029; give it back as one.
                    line.insertText(QString(text).replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
                    m_typedefMap->clear();
                    block = document->findBlockByNumber(number);
                } else if (t.endsWith(privateStart)) {
                    anchor = QTextCursor(block);
                    state = 1;
                } else if (t == promptEcho || t == newlineEcho) {
                    anchor = QTextCursor(block);
                    state = 2;
                } else if (standsAt(t, 1, rawReport)) {
                    anchor = QTextCursor(block);
                    state = 3;
                } else if (standsAt(t, 1, reportMarker)) {
                    anchor = QTextCursor(block);
                    const QString entry = t.mid(1 + reportMarker.size());
                    GraphEngine::logWarning(entry);
                    error.parseLine(entry);
                    state = 4;
                } else if (t.startsWith(typedefMarker) || standsAt(t, 1, typedefMarker)) {
                    const QStringList parts = t.split(QLatin1Char(';'));
                    if (parts.size() > 2) {
                        const QString &name = parts.at(1);
                        const QString &target = parts.at(2);
                        const auto known = m_typedefMap->constFind(name);
                        if (known == m_typedefMap->constEnd() || known.value() != target) {
                            m_typedefMap->insert(name, target);
                            typedefChanged = true;
                        }
                    }
                    QTextCursor line(block);
                    selectThroughNextLine(line, block);
                    removals.append(line);
                } else if (standsAt(t, 3, typedefMarker)) {
                    QTextCursor line(block);
                    selectThroughNextLine(line, block);
                    removals.append(line);
                }
                break;
            }
            case 1:
                if (t.endsWith(privateEnd)) {
                    selectCompletedRun(anchor, block);
                    removals.append(anchor);
                    state = 0;
                }
                break;
            case 2:
            case 3: {
                const bool goOn = state == 2 ? (t == promptEcho || t == newlineEcho) : standsAt(t, 1, rawReport);
                if (!goOn) {
                    anchor.setPosition(block.position(), QTextCursor::KeepAnchor);
                    removals.append(anchor);
                    state = 0;
                    again = true;
                }
                break;
            }
            case 4:
                if (standsAt(t, 1, reportMarker)) {
                    const QString entry = t.mid(1 + reportMarker.size());
                    GraphEngine::logWarning(entry);
                    error.parseLine(entry);
                    const quint32 complete = PythonError::FlagApi | PythonError::FlagVar | PythonError::FlagVarType
                                             | PythonError::FlagErrorType | PythonError::FlagErrorDesc;
                    if ((error.flags & complete) == complete) {
                        selectCompletedRun(anchor, block);
                        removals.append(anchor);
                        if (firstReport)
                            showPythonError(error);
                        // Later reports of the scan are removed unseen, each
                        // starting from an empty record all the same.
                        error.flags = 0;
                        error.line.clear();
                        firstReport = false;
                        state = 0;
                    }
                }
                break;
            }
        }
        block = block.next();
    }

    resume.setPosition(resumeAt);
    if (!removals.isEmpty()) {
        // One edit: the document lays out and notifies once, not per removal.
        QTextCursor batch(document);
        batch.beginEditBlock();
        for (int i = removals.size() - 1; i >= 0; --i)
            removals[i].removeSelectedText();
        batch.endEditBlock();
    }
    return typedefChanged;
}

void LogFilter::showPythonError(PythonError &error)
{
    emit pythonErrorReported(error);
    error.flags = 0;
    error.line.clear();
}

bool takeCustomErrorTarget(PythonError &error, CustomErrorTarget *target)
{
    error.takeFirstApi(); // "custom"
    const QStringList parts = error.takeFirstApi().split(QLatin1Char(';'));
    if (parts.size() < 3)
        return false;
    target->api = parts.at(0);
    target->path = Configuration::decodeCustomPath(parts.at(1));
    target->className = parts.at(2);
    error.takeFirstApi();
    return true;
}

} // namespace Internal
} // namespace KorvanDebugger
