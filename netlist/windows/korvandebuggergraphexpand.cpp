#include "korvandebuggergraphexpand.h"

#include "netlist/netlisttypes.h"

#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "graphengine/model/baseenum.h"
#include "graphengine/model/baseobject.h"
#include "graphengine/model/edge.h"

#include <coreplugin/progressmanager/progressmanager.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>

#include <QSet>

namespace KorvanDebugger {
namespace Internal {

using Debugger::Internal::LocalsAddressRole;
using Debugger::Internal::LocalsINameRole;
using UndoFramework::GraphUndoState;

namespace {

const int progressEnd = 7;

void trace(const QString &text)
{
    if (GraphEngine::traceEnabled)
        GraphEngine::logWarning(text);
}

QString internalName(const QModelIndex &index)
{
    return index.data(LocalsINameRole).toString();
}

QModelIndex valueCell(const QModelIndex &index)
{
    return index.sibling(index.row(), 1);
}

// The list rows ("Nb Terminals", "Nb Ports", ...) of one fetched value that
// declare entries, and the entries of those that have them. A list whose
// entries are not fetched yet goes to onMissingList, each valid entry of the
// others to onEntry.
template<typename OnMissingList, typename OnEntry>
void walkEntries(const QMap<QByteArray, QModelIndex> &results, OnMissingList onMissingList, OnEntry onEntry)
{
    using Tool = KorvanDebuggerGraphExpand;
    for (const QModelIndex &result : results) {
        trace(Tool::tr("Processing Edge: %1").arg(internalName(result)));
        if (!result.isValid())
            continue;
        const QAbstractItemModel *model = result.model();
        const QModelIndex value = result.sibling(result.row(), 0);
        const int rows = model->rowCount(value);
        for (int row = 0; row < rows; ++row) {
            const QModelIndex list = model->index(row, 0, value);
            if (!list.data(Qt::DisplayRole).toString().startsWith(QLatin1String("Nb "), Qt::CaseSensitive))
                continue;
            trace(Tool::tr("Processing: %1 son of %2 for %3")
                      .arg(internalName(list), internalName(value), internalName(result)));
            bool isNumber = false;
            const int declared = valueCell(list).data(Qt::EditRole).toString().toInt(&isNumber, 10);
            trace(Tool::tr("Theorical Nb Children %1 = %2").arg(isNumber ? 1 : 0).arg(declared));
            if (declared == 0)
                continue;
            const int known = model->rowCount(list);
            trace(Tool::tr("Known Children %1").arg(known));
            if (known == 0) {
                onMissingList(list);
                continue;
            }
            for (int i = 0; i < known; ++i) {
                const QModelIndex entry = model->index(i, 0, list);
                if (!entry.isValid())
                    continue;
                trace(Tool::tr("Processing: %1 : %2").arg(internalName(entry)).arg(model->rowCount(entry)));
                onEntry(entry);
            }
        }
    }
}

QString propertyText(const GraphEngine::BaseObject *element, const QString &key)
{
    return element ? element->properties.value(key).toString() : QString();
}

} // namespace

KorvanDebuggerGraphExpand::KorvanDebuggerGraphExpand(GraphEngine::GraphViewer *viewer)
    : ToolExpandBase(viewer)
{
    connect(this, SIGNAL(startExpand()), this, SLOT(showProgressBar()));
    connect(this, SIGNAL(fetchNewData()), this, SLOT(updateProgressBar()));
    connect(this, SIGNAL(completeExpand()), this, SLOT(closeProgressBar()));
}

KorvanDebuggerGraphExpand::~KorvanDebuggerGraphExpand()
{
    // A bar whose future never finished would stay in the status bar.
    closeProgressBar();
}

QString KorvanDebuggerGraphExpand::expressionOf(const GraphEngine::BaseObject *element)
{
    return QStringLiteral("(%1) %2")
        .arg(propertyText(element, tr("Object Type")), propertyText(element, tr("Reference")));
}

bool KorvanDebuggerGraphExpand::fetchElements(const QList<GraphEngine::Edge *> &edges, GraphUndoState &state)
{
    m_inspector.reset();
    if (edges.isEmpty())
        return true;
    bool queued = false;
    for (const GraphEngine::Edge *edge : edges) {
        if (m_inspector.addWatch(expressionOf(edge).toLocal8Bit()))
            queued = true;
    }
    return startCycle(queued, state);
}

bool KorvanDebuggerGraphExpand::fetchElement(GraphEngine::BaseObject *element, GraphUndoState &state)
{
    return requestEdgeInfo(expressionOf(element), state);
}

bool KorvanDebuggerGraphExpand::requestEdgeInfo(const QString &expression, GraphUndoState &state)
{
    ready = false;
    m_inspector.reset();
    return startCycle(m_inspector.addWatch(expression.toLocal8Bit()), state);
}

bool KorvanDebuggerGraphExpand::startCycle(bool queued, GraphUndoState &state)
{
    if (!queued)
        return true;
    connect(&m_inspector, &Inspector::dataReceived, this, &KorvanDebuggerGraphExpand::retrieveEdgeInfo,
            Qt::UniqueConnection);
    if (!sendRequests()) {
        // Without a debugger to ask, the caller ends the expansion at once.
        disconnect(&m_inspector, &Inspector::dataReceived, this, &KorvanDebuggerGraphExpand::retrieveEdgeInfo);
        m_inspector.reset();
        return true;
    }
    m_state = state;
    return false;
}

bool KorvanDebuggerGraphExpand::sendRequests()
{
    m_inspector.flushRequests();
    return m_inspector.isPending();
}

void KorvanDebuggerGraphExpand::retrieveEdgeInfo()
{
    emit fetchNewData();
    trace(tr("retrieving....."));
    bool needed = false;
    bool queued = false;
    const auto request = [this, &needed, &queued](const QModelIndex &index) {
        needed = true;
        if (m_inspector.fetchMore(index))
            queued = true;
    };
    const QMap<QByteArray, QModelIndex> results = m_inspector.collectResults();
    walkEntries(results, request, [&request](const QModelIndex &entry) {
        if (!isIndexOfRole(entry, instanceTerminalTypes()))
            return;
        const QModelIndex parent = Inspector::childValue(entry, QStringLiteral("Parent Instance"));
        if (!parent.isValid())
            request(entry);
        else if (parent.model()->rowCount(parent) == 0)
            request(parent);
    });

    if (queued) {
        trace(tr("Do not have full definition. Expand further the data to expand the edge"));
        if (sendRequests())
            return;
    } else if (needed) {
        // Everything still missing was asked for already and did not come:
        // asking again would wait for ever, so the graph grows by what is here.
        const QString text = tr("Expand Graph: part of the connections could not be retrieved from the debugger; "
                                "the graph is expanded with the elements retrieved.");
        GraphEngine::logWarning(text);
        if (Debugger::Internal::DebuggerEngine *engine = Debugger::Internal::currentEngine())
            engine->showStatusMessage(text, 10000);
    }
    disconnect(&m_inspector, &Inspector::dataReceived, this, &KorvanDebuggerGraphExpand::retrieveEdgeInfo);
    processEdgeInfo();
}

void KorvanDebuggerGraphExpand::processEdgeInfo()
{
    const QMap<QByteArray, QModelIndex> results = m_inspector.collectResults();
    m_inspector.reset();

    // Records are told apart by name alone.
    QSet<QString> instanceNames;
    for (const UndoFramework::Instance &instance : qAsConst(m_state.instances))
        instanceNames.insert(instance.name);
    QSet<QString> portNames;
    for (const UndoFramework::Port &port : qAsConst(m_state.ports))
        portNames.insert(port.name);
    const auto addPort = [this, &portNames](const UndoFramework::Port &port) {
        if (port.direction == GraphEngine::BaseEnum::NoDirection || portNames.contains(port.name))
            return;
        portNames.insert(port.name);
        m_state.ports.append(port);
        m_state.changed = true;
    };

    const auto ignoreMissingList = [](const QModelIndex &) {};
    walkEntries(results, ignoreMissingList, [&](const QModelIndex &entry) {
        if (isIndexOfRole(entry, instanceTerminalTypes())) {
            const QModelIndex parent = Inspector::childValue(entry, QStringLiteral("Parent Instance"));
            if (!parent.isValid() || parent.model()->rowCount(parent) == 0)
                return;
            const QModelIndex definition = Inspector::childValue(parent, QStringLiteral("Definition"));
            const QModelIndex value = valueCell(parent);
            const QString text = value.data(Qt::EditRole).toString();
            if (text.isEmpty())
                return;
            const quint64 address = value.data(LocalsAddressRole).toULongLong();
            const QString type = Inspector::pointerType(value);
            if (!definition.isValid()) {
                addPort(UndoFramework::Port(value, type, address));
                return;
            }
            const QString definitionName =
                valueCell(definition).data(Qt::DisplayRole).toString().remove(QLatin1Char('"'));
            UndoFramework::Instance instance(definitionName, text, type, address);
            if (instance.gateKind == 0 || instanceNames.contains(instance.name))
                return;
            instanceNames.insert(instance.name);
            m_state.instances.append(instance);
            m_state.changed = true;
        } else if (isIndexOfRole(entry, modulePortTypes())) {
            addPort(UndoFramework::Port(entry, Inspector::pointerType(entry),
                                        entry.data(LocalsAddressRole).toULongLong()));
        }
    });
    commitExpansion(m_state);
}

void KorvanDebuggerGraphExpand::showProgressBar()
{
    if (m_progress)
        return;
    m_progress = new QFutureInterface<void>;
    m_progress->setProgressRange(0, progressEnd);
    m_progressTask = Core::ProgressManager::addTask(m_progress->future(), tr("Korvan: Expand Graph"),
                                                    "Korvan.GraphViewer");
    connect(m_progressTask, &Core::FutureProgress::canceled, this, &KorvanDebuggerGraphExpand::closeProgressBar);
    m_progressTask->setKeepOnFinish(Core::FutureProgress::HideOnFinish);
    m_progress->reportStarted();
}

void KorvanDebuggerGraphExpand::updateProgressBar()
{
    if (m_progress)
        m_progress->setProgressValue(m_progress->progressValue() + 1);
}

void KorvanDebuggerGraphExpand::closeProgressBar()
{
    if (!m_progress)
        return;
    m_progress->reportFinished();
    delete m_progress;
    m_progress = nullptr;
    m_progressTask = nullptr;
}

} // namespace Internal
} // namespace KorvanDebugger
