#pragma once

// The stack view's proxy over the host's stack model. Frame rows stay the
// host's; behind every function name it writes the frame's arguments, and
// under every frame it adds one row per argument (type, name, value). The
// arguments come from GDB ("-stack-list-arguments --simple-values"); pointer
// and netlist arguments are fetched once more through the Inspector, whose
// dumper value replaces GDB's raw one on screen.

#include "inspector.h"

#include "netlist/graphrecords.h"

#include <QByteArray>
#include <QIdentityProxyModel>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Debugger {
namespace Internal {
class DebuggerResponse;
class GdbMi;
class StackHandler;
struct StackFrame;
} // namespace Internal
} // namespace Debugger

namespace GraphEngine {
class ToolExpandBase;
}

namespace KorvanDebugger {
namespace Internal {

class KorvanDebuggerGraphEditor;
class KorvanDebuggerGraphExpand;

struct StackArgument
{
    QString name;  // or a placeholder text
    QString value; // GDB's simple value, null when GDB sent none
    QString type;
    int frameRow = -1; // level of the frame (= row of the frame in the view)
};

struct StackFrameInfo
{
    // The argument rows in GDB's order. The records belong to FramesDB;
    // a StackFrameInfo outside it (a parse result) owns nothing either:
    // FramesDB::setArguments takes the records over.
    QList<StackArgument *> arguments;
    int level = -1;
    QString function;
    quint64 address = 0;
    bool usable = false;
    // Addresses of the "Parent Module" objects of the frame's arguments.
    QSet<quint64> parentModules;
};

// The frames' argument rows, process-wide, by frame level (0 = innermost).
// It is the one owner of the argument records, and every view index of an
// argument row points at one: a change that drops records happens only
// inside a model reset of every stack proxy (see KorvanStackProxyModel).
class FramesDB
{
public:
    using Map = QMap<int, StackFrameInfo>;
    using const_iterator = Map::const_iterator;

    static FramesDB &instance();
    ~FramesDB();
    FramesDB(const FramesDB &) = delete;
    FramesDB &operator=(const FramesDB &) = delete;

    const_iterator begin() const { return m_frames.constBegin(); }
    const_iterator end() const { return m_frames.constEnd(); }
    bool isEmpty() const { return m_frames.isEmpty(); }
    int size() const { return m_frames.size(); }
    bool contains(int level) const { return m_frames.contains(level); }
    const StackFrameInfo *find(int level) const;

    // The entry of the level, a default one (with that level) inserted
    // when absent.
    StackFrameInfo &entry(int level);
    // Replaces the level's argument rows by the records, which the table
    // takes over; the old records are deleted.
    void setArguments(int level, const QList<StackArgument *> &arguments);
    // Deletes every entry and record.
    void clear();

private:
    FramesDB() = default;
    Map m_frames;
};

// The GDB expression of an argument: "(type)value" with every "&" turned
// into "*" and "@" dropped, so that a pointer gives "(T *)0x..." and a
// reference the pointer to what it refers to. A pointer's value is cut to
// its address (GDB writes a char pointer's text, a function's name behind it).
QString argumentExpression(const StackArgument &argument);

// An inspected netlist object as a record of a graph state: with a
// "Definition" row, the instance read from valueText (the definition's name
// without any double quote); without one, the module port of the item's row.
struct InspectedRecord
{
    bool isInstance = false;
    UndoFramework::Instance instance;
    UndoFramework::Port port;
};
InspectedRecord inspectedRecord(const QModelIndex &item, const QString &valueText);

class KorvanStackProxyModel : public QIdentityProxyModel
{
    Q_OBJECT
public:
    // Shows the host's stack model; the view is the parent.
    KorvanStackProxyModel(QAbstractItemModel *hostModel, QObject *parent);
    ~KorvanStackProxyModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Argument rows have no row in the host's model.
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    // A new host model (a new session) starts with an empty frame table.
    void setSourceModel(QAbstractItemModel *model) override;

    // An argument row: odd internal identifier other than 1.
    static bool isArgumentIndex(const QModelIndex &index);
    // The record of an argument row, null for any other index.
    static const StackArgument *argumentOf(const QModelIndex &index);

    // The frame's entry (inserted when absent); null for an argument row or
    // a row whose level column is no number. Asks GDB for the arguments
    // first when some frame still lacks them.
    StackFrameInfo *frameInfo(const QModelIndex &index) const;
    void postArgumentsQuery() const;
    // Connects or disconnects stackChanged() of the current engine's stack
    // handler to resetStack().
    void connectStackHandler(bool on);
    // Empties FramesDB inside a reset of every stack proxy, and disables
    // the stack analysis until the next pretty values arrive.
    static void clearFramesDB();

    // The dumper value of the argument when the Inspector brought one,
    // else GDB's value.
    QString argumentValueText(const StackArgument &argument) const;
    // What follows the function name: U+200A, then "(" U+2009 name U+200A
    // "(" value ")" for each argument ("," U+2009 between them), ")".
    static QString argumentSignature(const StackFrameInfo &frame);
    // The function of the host's current frame, else of its first frame.
    static QString currentFrameText();
    // The name of the single row of a frame waiting for its arguments.
    static QString placeholderText();

    // Expansion memory of the view, by frame count minus level.
    void recordExpansion(const QModelIndex &frame, bool expanded);
    bool isExpanded(const QModelIndex &frame) const;
    void restoreExpansion();

    // Frame list of one "-stack-list-arguments" answer child (taken by
    // position). The records of the result's arguments are the caller's.
    static StackFrameInfo parseStackArgs(const Debugger::Internal::GdbMi &frame);
    // Stores the frames of a "-stack-list-arguments" answer ("data" tuple
    // whose first child is the "stack-args" list) inside a reset of every
    // proxy; false, and nothing changed, for an answer of another shape.
    static bool storeArguments(const Debugger::Internal::GdbMi &data);
    // Replaces a frame's arguments by the one placeholder row and copies
    // the host frame's data.
    static void setFrame(StackFrameInfo &info, const Debugger::Internal::StackFrame &frame);

    Inspector &inspector() { return m_inspector; }
    const QMap<QByteArray, QVariant> &inames() const { return m_iNames; }
    const QMap<QByteArray, QVariant> &prettyValues() const { return m_prettyValues; }

    // ---- Stack analysis ("Stack Path")

    // The argument's item in the current engine's watch model, found by the
    // internal name the Inspector gave its expression; invalid without one.
    QModelIndex argumentWatchIndex(const StackArgument &argument) const;
    // The addresses of the "Parent Module" objects of the frame's arguments,
    // collected once (a frame whose set is filled is not looked at again
    // until the table is reset).
    const QSet<quint64> &parentModules(StackFrameInfo &frame) const;
    // The end of the frames, from level 0 on, that work in one module: a
    // frame whose parent modules differ from the first non-empty set ends
    // the range; frames without any never do.
    FramesDB::const_iterator sameContextEnd() const;
    // The "Stack Path" window and its expand tool exist, and the tool is
    // the active one of the window's viewer: watch items go there.
    static bool isStackExpandToolActive();
    static KorvanDebuggerGraphEditor *stackWidget();
    static KorvanDebuggerGraphExpand *stackExpandTool();
    // Whether an analysis waits for the Inspector.
    bool isAnalysing() const { return m_analysisWaiting; }

public slots:
    void processActualPrettyValue();
    void resetStack();
    // Collects the netlist objects of the frames that work in one module
    // into the "Stack Path" graph; runs again on each answer while data is
    // missing.
    void analyseStack();
    void queryStack();
    // True when the graph was shown; false when requests were queued and
    // the analysis has to run again once they are answered.
    bool analyseStack(FramesDB::const_iterator itSameContext, FramesDB::const_iterator itSameContextEnd);
    // The "Stack Path" window and its expand tool, shared by every proxy;
    // null once the user closed the window.
    KorvanDebuggerGraphEditor *getStackWidget() const;
    KorvanDebuggerGraphExpand *getStackExpandTool() const;

private:
    // A change of FramesDB that drops records happens between these two:
    // a model reset of every live proxy.
    static void beginFramesReset();
    static void endFramesReset();
    void handleArguments(const Debugger::Internal::DebuggerResponse &response, quint64 generation);
    void watchArguments();
    static bool argumentsComplete();
    // Keeps the wanted connection on the stack handler of the engine that
    // is current now (a new session brings a new handler).
    void syncStackHandler();
    // The "Korvan.Debugger.AnalyzeStack" action, where the host has it.
    static void setAnalysisEnabled(bool enabled);
    // Stops a waiting analysis: the frames it was looking at are gone.
    void cancelAnalysis();
    // Asks once per analysis for what it lacks; a request of the same kind
    // for the same thing, unanswered by the last round, is not asked again
    // and the argument is left out. True when the request was sent.
    bool askOnce(const QByteArray &key);
    void showStackPath(const QList<UndoFramework::Instance> &instances, const QList<UndoFramework::Port> &ports,
                       const QMap<QString, UndoFramework::StackPathEntry> &stackPath);
    // What the last pass over the frames found, or why it found nothing,
    // for the status bar.
    QString analysisSummary(FramesDB::const_iterator first, FramesDB::const_iterator end) const;

    Inspector m_inspector;
    QMap<QByteArray, QVariant> m_iNames;
    QMap<QByteArray, QVariant> m_prettyValues;
    QMap<int, QString> m_expandedFrames;
    mutable bool m_queryPending = false;
    bool m_stackHandlerWanted = false;
    QPointer<Debugger::Internal::StackHandler> m_stackHandler;
    // What the analysis under way has asked the Inspector for, and what it
    // left out because the answer did not bring it.
    QSet<QByteArray> m_analysisAsked;
    QStringList m_analysisLeftOut;
    // The arguments with a netlist role the last pass looked at, and the
    // records it drew.
    struct AnalysisCounts
    {
        int netlistArguments = 0;
        int instances = 0;
        int ports = 0;
    };
    AnalysisCounts m_analysisDrawn;
    bool m_analysisWaiting = false;
};

} // namespace Internal
} // namespace KorvanDebugger
