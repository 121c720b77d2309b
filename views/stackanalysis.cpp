// The stack analysis of KorvanStackProxyModel: the netlist objects that the
// arguments of the innermost frames refer to, as long as those frames work
// in one module, drawn together as the "Stack Path" graph with the expand
// tool attached.

#include "korvanstackproxymodel.h"

#include "graphengine/viewer/graphviewer.h"
#include "netlist/netlisttypes.h"
#include "netlist/stackpathentries.h"
#include "netlist/windows/korvandebuggergrapheditor.h"
#include "netlist/windows/korvandebuggergraphexpand.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <debugger/watchhandler.h>

#include <QPointer>

namespace KorvanDebugger {
namespace Internal {

using namespace Debugger::Internal;

namespace {

QPointer<KorvanDebuggerGraphEditor> &stackWidgetPointer()
{
    static QPointer<KorvanDebuggerGraphEditor> window;
    return window;
}

QPointer<KorvanDebuggerGraphExpand> &stackExpandToolPointer()
{
    static QPointer<KorvanDebuggerGraphExpand> tool;
    return tool;
}

// The slot an answer of the Inspector restarts (the overload without range).
const auto restartAnalysis = static_cast<void (KorvanStackProxyModel::*)()>(&KorvanStackProxyModel::analyseStack);

QString parentModuleField()
{
    return QStringLiteral("Parent Module");
}

QString definitionField()
{
    return QStringLiteral("Definition");
}

QString parentInstanceField()
{
    return QStringLiteral("Parent Instance");
}

quint64 addressOf(const QModelIndex &item)
{
    return item.data(LocalsAddressRole).toULongLong();
}

// The value text of a row: its column 1, edit role, hidden parts kept.
QString valueTextOf(const QModelIndex &item)
{
    return item.sibling(item.row(), 1).data(Qt::EditRole).toString();
}

// The records of one pass, in the order the graph gets them.
struct PathRecords
{
    QList<UndoFramework::Instance> instances;
    QList<UndoFramework::Port> ports;

    // Newest first; one record per instance text.
    void addInstance(const UndoFramework::Instance &record)
    {
        if (record.gateKind == 0)
            return;
        for (const UndoFramework::Instance &known : qAsConst(instances)) {
            if (known.name == record.name)
                return;
        }
        instances.prepend(record);
    }
    // A value that was no port (direction 3) has no place in the graph.
    void addPort(const UndoFramework::Port &record)
    {
        if (record.direction != 3)
            ports.append(record);
    }
    void addObject(const QModelIndex &item, const QString &valueText)
    {
        const InspectedRecord record = inspectedRecord(item, valueText);
        if (record.isInstance)
            addInstance(record.instance);
        else
            addPort(record.port);
    }
};

} // namespace

InspectedRecord inspectedRecord(const QModelIndex &item, const QString &valueText)
{
    InspectedRecord record;
    const QString type = Inspector::pointerType(item);
    const QModelIndex definition = Inspector::childValue(item.sibling(item.row(), 0), definitionField());
    if (!definition.isValid()) {
        record.port = UndoFramework::Port(item, type, addressOf(item));
        return record;
    }
    // The printers put the cell's name in quotes.
    QString cell = definition.sibling(definition.row(), 1).data(Qt::DisplayRole).toString();
    cell.remove(QLatin1Char('"'));
    record.isInstance = true;
    record.instance = UndoFramework::Instance(cell, valueText, type, addressOf(item));
    return record;
}

QModelIndex KorvanStackProxyModel::argumentWatchIndex(const StackArgument &argument) const
{
    const auto iname = m_iNames.constFind(argumentExpression(argument).toLocal8Bit());
    if (iname == m_iNames.constEnd())
        return QModelIndex();
    DebuggerEngine *engine = currentEngine();
    const QAbstractItemModel *model = engine ? engine->watchModel() : nullptr;
    if (!model || model->rowCount() == 0)
        return QModelIndex();
    const QModelIndexList hits = model->match(model->index(0, 0), LocalsINameRole, iname.value().toString(), -1,
                                              Qt::MatchExactly | Qt::MatchRecursive);
    return hits.isEmpty() ? QModelIndex() : hits.first();
}

const QSet<quint64> &KorvanStackProxyModel::parentModules(StackFrameInfo &frame) const
{
    if (!frame.parentModules.isEmpty())
        return frame.parentModules;
    for (const StackArgument *argument : qAsConst(frame.arguments)) {
        const QModelIndex module = Inspector::childValue(argumentWatchIndex(*argument), parentModuleField());
        if (module.isValid())
            frame.parentModules.insert(addressOf(module));
    }
    return frame.parentModules;
}

FramesDB::const_iterator KorvanStackProxyModel::sameContextEnd() const
{
    FramesDB &table = FramesDB::instance();
    QSet<quint64> context;
    for (auto it = table.begin(); it != table.end(); ++it) {
        const QSet<quint64> &modules = parentModules(table.entry(it.key()));
        if (modules == context || modules.isEmpty())
            continue;
        if (context.isEmpty()) {
            context = modules;
            continue;
        }
        return it;
    }
    return table.end();
}

KorvanDebuggerGraphEditor *KorvanStackProxyModel::getStackWidget() const
{
    return stackWidgetPointer();
}

KorvanDebuggerGraphExpand *KorvanStackProxyModel::getStackExpandTool() const
{
    return stackExpandToolPointer();
}

KorvanDebuggerGraphEditor *KorvanStackProxyModel::stackWidget()
{
    return stackWidgetPointer();
}

KorvanDebuggerGraphExpand *KorvanStackProxyModel::stackExpandTool()
{
    return stackExpandToolPointer();
}

bool KorvanStackProxyModel::isStackExpandToolActive()
{
    const KorvanDebuggerGraphEditor *window = stackWidgetPointer();
    const KorvanDebuggerGraphExpand *tool = stackExpandToolPointer();
    return window && tool && window->viewer() && tool->isActive();
}

bool KorvanStackProxyModel::askOnce(const QByteArray &key)
{
    if (m_analysisAsked.contains(key))
        return false;
    m_analysisAsked.insert(key);
    return true;
}

void KorvanStackProxyModel::analyseStack()
{
    // A retry continues the analysis the user started; a new start asks
    // for everything once more.
    const bool retry = m_analysisWaiting;
    m_analysisWaiting = false;
    if (!retry)
        m_analysisAsked.clear();
    // What the last round fetched joins what is known: the pretty values'
    // items stay findable while the analysis asks for others.
    const QMap<QByteArray, QVariant> fetched = m_inspector.itemData(LocalsINameRole);
    for (auto it = fetched.constBegin(); it != fetched.constEnd(); ++it)
        m_iNames.insert(it.key(), it.value());

    setAnalysisEnabled(false);
    disconnect(&m_inspector, &Inspector::dataReceived, this,
               restartAnalysis);
    m_inspector.reset();

    const FramesDB &table = FramesDB::instance();
    const FramesDB::const_iterator end = sameContextEnd();
    if (analyseStack(table.begin(), end)) {
        setAnalysisEnabled(true);
        if (DebuggerEngine *engine = currentEngine())
            engine->showStatusMessage(analysisSummary(table.begin(), end), 10000);
        return;
    }
    m_inspector.flushRequests();
    if (!m_inspector.isPending()) {
        // Nothing went out (no stopped program): no answer will restart it.
        setAnalysisEnabled(true);
        return;
    }
    connect(&m_inspector, &Inspector::dataReceived, this,
            restartAnalysis,
            Qt::UniqueConnection);
    m_analysisWaiting = true;
}

void KorvanStackProxyModel::cancelAnalysis()
{
    if (!m_analysisWaiting)
        return;
    m_analysisWaiting = false;
    disconnect(&m_inspector, &Inspector::dataReceived, this,
               restartAnalysis);
    m_inspector.reset();
}

QString KorvanStackProxyModel::analysisSummary(FramesDB::const_iterator first, FramesDB::const_iterator end) const
{
    if (first == end)
        return tr("Stack Path: no stack frames to analyse.");
    const int lastLevel = (end - 1).key();
    const QString frames = first.key() == lastLevel ? tr("frame %1").arg(lastLevel)
                                                    : tr("frames %1 to %2").arg(first.key()).arg(lastLevel);
    QString text;
    if (m_analysisDrawn.instances > 0 || m_analysisDrawn.ports > 0) {
        const QString instances = m_analysisDrawn.instances == 1
            ? tr("1 instance")
            : tr("%1 instances").arg(m_analysisDrawn.instances);
        const QString ports = m_analysisDrawn.ports == 1 ? tr("1 port") : tr("%1 ports").arg(m_analysisDrawn.ports);
        text = tr("Stack Path: %1 and %2 from the arguments of %3.").arg(instances, ports, frames);
    } else if (m_analysisDrawn.netlistArguments > 0) {
        text = tr("Stack Path: no instance, terminal or port among the netlist arguments of %1 "
                  "(nets and modules are not drawn).")
                   .arg(frames);
    } else {
        text = tr("Stack Path: no netlist objects in the arguments of %1.").arg(frames);
    }
    if (!m_analysisLeftOut.isEmpty())
        text += QLatin1Char(' ')
            + tr("The debugger brought nothing for %1; left out.").arg(m_analysisLeftOut.join(QLatin1String(", ")));
    return text;
}

bool KorvanStackProxyModel::analyseStack(FramesDB::const_iterator itSameContext,
                                         FramesDB::const_iterator itSameContextEnd)
{
    bool pending = false;
    m_analysisLeftOut.clear();
    m_analysisDrawn = AnalysisCounts();
    PathRecords records;
    QMap<QString, UndoFramework::StackPathEntry> stackPath;
    const auto leaveOut = [this](const StackArgument &argument) {
        m_analysisLeftOut.append(QStringLiteral("%1 (%2)").arg(argument.name).arg(argument.frameRow));
    };
    // Two arguments may wait for one answer: asked in this pass is waiting,
    // asked in an earlier pass and still missing is left out.
    QSet<QByteArray> askedNow;
    enum Ask { Send, Waiting, Refused };
    const auto ask = [this, &askedNow](const QByteArray &key) {
        if (askedNow.contains(key))
            return Waiting;
        if (!askOnce(key))
            return Refused;
        askedNow.insert(key);
        return Send;
    };

    for (auto frame = itSameContext; frame != itSameContextEnd; ++frame) {
        for (const StackArgument *argument : frame->arguments) {
            // GDB sent no value: nothing names the object.
            if (argument->value.isNull() || argument->value == tr("<Not accessible>"))
                continue;
            const QString text = argumentValueText(*argument);
            if (!classifyStackValue(stackPath, argument->name, argument->value, argument->type,
                                    argument->frameRow, text))
                continue;
            ++m_analysisDrawn.netlistArguments;
            const QModelIndex item = argumentWatchIndex(*argument);
            if (!item.isValid()) {
                if (!isNetlistType(argument->type))
                    continue;
                const QByteArray expression = argumentExpression(*argument).toLocal8Bit();
                switch (ask("value " + expression)) {
                case Send:
                    m_inspector.addWatch(expression, QByteArray());
                    pending = true;
                    break;
                case Waiting:
                    pending = true;
                    break;
                case Refused:
                    leaveOut(*argument);
                    break;
                }
                continue;
            }
            // Nets connect the path's elements; they are not elements.
            if (isNetType(argument->type))
                continue;
            if (isInstanceType(argument->type)) {
                records.addObject(item, text);
            } else if (isInstanceTerminalType(argument->type)) {
                const QModelIndex parent = Inspector::childValue(item, parentInstanceField());
                if (!parent.isValid())
                    continue;
                if (item.model()->rowCount(parent) == 0) {
                    const Ask asked = ask("children " + parent.data(LocalsINameRole).toByteArray());
                    // The request's own answer: whether it went into the queue.
                    const bool queued = asked == Waiting || (asked == Send && m_inspector.fetchMore(parent));
                    if (!queued)
                        leaveOut(*argument);
                    pending |= queued;
                    continue;
                }
                // The terminal stands for the instance it belongs to: that
                // instance's own text, type and address make its record.
                const QString parentText = valueTextOf(parent);
                if (!parentText.isEmpty())
                    records.addObject(parent, parentText);
            } else if (isModulePortType(argument->type)) {
                records.addPort(UndoFramework::Port(item, Inspector::pointerType(item), addressOf(item)));
            }
        }
    }
    if (pending)
        return false;
    m_analysisDrawn.instances = records.instances.size();
    m_analysisDrawn.ports = records.ports.size();
    showStackPath(records.instances, records.ports, stackPath);
    return true;
}

void KorvanStackProxyModel::showStackPath(const QList<UndoFramework::Instance> &instances,
                                          const QList<UndoFramework::Port> &ports,
                                          const QMap<QString, UndoFramework::StackPathEntry> &stackPath)
{
    const QString title = tr("Stack Path");
    if (!stackWidgetPointer())
        stackWidgetPointer() = new KorvanDebuggerGraphEditor(title);
    KorvanDebuggerGraphEditor *window = stackWidgetPointer();
    UndoFramework::GraphUndoState &state = window->graphState();
    state.moduleName = title;
    state.changed = true;
    window->clearLocalDB();
    if (state.instances != instances)
        state.instances = instances;
    if (state.ports != ports)
        state.ports = ports;
    state.stackPath = stackPath;
    state.changed = true;
    window->setGraph(state, title);
    // A new graph comes with a new viewer, and the viewer with one expand
    // tool of its own.
    GraphEngine::GraphViewer *viewer = window->viewer();
    if (stackExpandToolPointer() && stackExpandToolPointer()->parent() != viewer)
        delete stackExpandToolPointer().data();
    if (!stackExpandToolPointer()) {
        stackExpandToolPointer() = new KorvanDebuggerGraphExpand(viewer);
        viewer->addTool(stackExpandToolPointer());
    }
    window->showGraph();
}

} // namespace Internal
} // namespace KorvanDebugger
