#include "inspector.h"

#include "graphengine/globals.h"
#include "graphengine/logging.h"

#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/stackhandler.h>
#include <debugger/watchhandler.h>
#include <protocol/debuggercommand.h>
#include <protocol/debuggerresponse.h>
#include <protocol/softassert.h>
#include <utils/savedaction.h>

#include <QJsonObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

namespace KorvanDebugger {
namespace Internal {

using namespace Debugger::Internal;

namespace {
int inameCounter = 0;
bool clearScheduled = false;

bool pythonVerbose()
{
    static const bool verbose = !qEnvironmentVariableIsEmpty("QTC_DEBUGGER_PYTHON_VERBOSE");
    return verbose;
}

GdbEngine *currentGdbEngine()
{
    return qobject_cast<GdbEngine *>(currentEngine());
}

QAbstractItemModel *currentWatchModel()
{
    DebuggerEngine *engine = currentEngine();
    return engine ? engine->watchModel() : nullptr;
}

// Every item of the watch model (every item's iname starts with the empty text).
QModelIndexList allWatchItems(const QAbstractItemModel *model)
{
    if (!model || model->rowCount() == 0)
        return QModelIndexList();
    return model->match(model->index(0, 0), LocalsINameRole, QString(), -1,
                        Qt::MatchStartsWith | Qt::MatchRecursive);
}

QByteArray lowestIName(const QMap<QByteArray, bool> &inames)
{
    return inames.isEmpty() ? QByteArray() : inames.firstKey();
}
} // namespace

bool Inspector::addWatch(const QByteArray &expression, const QByteArray &iname)
{
    const int before = m_requests.size();
    QByteArray name = iname;
    if (name.isNull())
        name = "inspect." + QByteArray::number(++inameCounter);
    m_requests[expression].insert(name, true);
    return m_requests.size() > before;
}

bool Inspector::fetchMore(const QModelIndex &index)
{
    if (index.row() < 0 || index.column() < 0 || !index.model())
        return false;
    const QByteArray iname = index.data(LocalsINameRole).toByteArray();
    if (!iname.startsWith("inspect")) {
        if (GraphEngine::verboseTrace)
            GraphEngine::logWarning(tr("Inspector: Prepare to Fetch More for %1").arg(index.data().toString()));
        auto model = const_cast<QAbstractItemModel *>(index.model());
        // Nothing to fetch means no answer: a wait for one would never end.
        if (!model->canFetchMore(index))
            return false;
        if (auto watchModel = qobject_cast<WatchModel *>(model))
            connect(watchModel, &WatchModel::updateFinished, this, &Inspector::dataReady);
        if (GdbEngine *engine = currentGdbEngine())
            followEngine(engine);
        m_pending = true;
        model->fetchMore(index);
        return true;
    }
    QSet<QByteArray> inames;
    QByteArray expression;
    for (QModelIndex current = index; current.isValid(); current = current.parent()) {
        const QByteArray name = current.data(LocalsINameRole).toByteArray();
        if (!name.contains('.'))
            break;
        inames.insert(name);
        expression = current.data(LocalsExpressionRole).toByteArray();
    }
    QMap<QByteArray, bool> &set = m_requests[expression];
    const int before = set.size();
    for (const QByteArray &name : qAsConst(inames))
        set.insert(name, true);
    const bool grew = set.size() > before;
    if (!grew && GraphEngine::verboseTrace)
        GraphEngine::logWarning(tr("Attempt to expand same item twice on %1 (%2)")
                                    .arg(QString::fromLatin1(iname), index.data().toString()));
    return grew;
}

void Inspector::flushRequests()
{
    if (m_requests.isEmpty())
        return;
    QJsonArray watchers;
    QJsonArray expanded;
    for (auto it = m_requests.constBegin(); it != m_requests.constEnd(); ++it) {
        if (it.value().isEmpty())
            continue;
        watchers.append(QJsonObject{{QStringLiteral("iname"), QString::fromLatin1(lowestIName(it.value()))},
                                    {QStringLiteral("exp"), QString::fromLatin1(it.key().toHex())}});
        for (auto name = it.value().constBegin(); name != it.value().constEnd(); ++name)
            expanded.append(QString::fromLatin1(name.key()));
    }
    getDataFromInferior(watchers, expanded);
}

void Inspector::appendArgs(DebuggerCommand &command, const char *name, const QJsonArray &items)
{
    if (!command.args.isObject() && !command.args.isNull()) {
        writeAssertLocation("\"cmd.args.isObject() || cmd.args.isNull()\" in file korvandebuggerinspector, line 140");
        return;
    }
    const QJsonValue existing = command.args.toObject().value(QLatin1String(name));
    if (existing.isArray()) {
        QJsonArray merged = existing.toArray();
        for (const QJsonValue &item : items)
            merged.append(item);
        command.arg(name, QJsonValue(merged));
    } else {
        command.arg(name, QJsonValue(items));
    }
}

void Inspector::getDataFromInferior(const QJsonArray &watchers, const QJsonArray &expanded)
{
    GdbEngine *engine = currentGdbEngine();
    // A debugger that has ended answers nothing: a wait for it would never end.
    if (!engine || engine->state() >= InferiorShutdownRequested)
        return;
    m_pending = true;
    followEngine(engine);
    ++m_outstanding;
    connect(engine, &DebuggerEngine::stackFrameCompleted, this, &Inspector::dataReady, Qt::UniqueConnection);

    DebuggerCommand command("fetchVariable");
    command.flags = InUpdateLocals | PythonCommand | Discardable; // 0xc02
    engine->watchHandler()->appendFormatRequests(&command);
    engine->watchHandler()->appendWatchersAndTooltipRequests(&command);
    appendArgs(command, "expanded", expanded);
    appendArgs(command, "watchers", watchers);
    command.arg("stringcutoff", action(MaximalStringLength)->value().toString().toLatin1());
    command.arg("displaystringlimit", action(DisplayStringLimit)->value().toString().toLatin1());
    command.arg("passexceptions", pythonVerbose());
    command.arg("fancy", boolSetting(UseDebuggingHelpers));
    command.arg("autoderef", boolSetting(AutoDerefPointers));
    command.arg("dyntype", boolSetting(UseDynamicType));
    command.arg("nativemixed", engine->isNativeMixedActive());
    command.arg("context", engine->stackHandler()->currentFrame().context);
    command.arg("resultvarname", engine->resultVariableName());
    command.arg("partialvar", "");
    command.arg("sortstruct", boolSetting(SortStructMembers));

    QList<QByteArray> sent;
    for (const QJsonValue &watcher : watchers)
        sent.append(QByteArray::fromHex(watcher.toObject().value(QLatin1String("exp")).toString().toLatin1()));
    QPointer<Inspector> self(this);
    QPointer<GdbEngine> target(engine);
    command.callback = [self, target, sent](const DebuggerResponse &response) {
        if (self && self->m_outstanding > 0)
            --self->m_outstanding;
        if (!target)
            return;
        target->handleFetchVariables(response);
        if (self)
            self->handleFetchAnswer(target, response, sent);
    };
    engine->runCommand(command);
}

void Inspector::followEngine(GdbEngine *engine)
{
    if (m_fetchEngine == engine)
        return;
    // Another engine's fetches will not be answered any more.
    m_outstanding = 0;
    if (m_fetchEngine)
        disconnect(m_fetchEngine, &DebuggerEngine::stateChanged, this, &Inspector::engineStateChanged);
    m_fetchEngine = engine;
    connect(engine, &DebuggerEngine::stateChanged, this, &Inspector::engineStateChanged);
}

void Inspector::engineStateChanged(int state)
{
    // The engine drops what GDB had not answered when it ended (crash,
    // kill, or a shutdown while a fetch was under way).
    if (state != DebuggerFinished)
        return;
    if (m_fetchEngine)
        disconnect(m_fetchEngine, nullptr, this, nullptr);
    m_fetchEngine = nullptr;
    m_outstanding = 0;
    if (!m_pending)
        return;
    m_pending = false;
    m_requests.clear();
    emit fetchAbandoned();
}

void Inspector::handleFetchAnswer(GdbEngine *engine, const DebuggerResponse &response, const QList<QByteArray> &sent)
{
    // A request that a whole fetch left without its item would be sent again
    // with every later flush, for ever: it is dropped after one round.
    Q_UNUSED(response)
    QList<QByteArray> dropped;
    for (const QByteArray &expression : sent) {
        if (!m_requests.contains(expression) || valueOf(expression).isValid())
            continue;
        m_requests.remove(expression);
        dropped.append(expression);
    }
    if (dropped.isEmpty())
        return;
    QStringList names;
    for (const QByteArray &expression : qAsConst(dropped))
        names.append(QString::fromUtf8(expression));
    const QString text = tr("The debugger could not evaluate %1; the Inspector no longer asks for it.")
                             .arg(names.join(QLatin1String(", ")));
    GraphEngine::logWarning(text);
    engine->showStatusMessage(text, 10000);
    emit requestsDropped(dropped);
}

void Inspector::reset()
{
    m_requests.clear();
    if (DebuggerEngine *engine = currentEngine())
        disconnect(engine, &DebuggerEngine::stackFrameCompleted, this, &Inspector::dataReady);
}

void Inspector::dataReady()
{
    // The engine completes other fetches too (the locals, other owners'):
    // only the answer to this Inspector's last fetch brings its items.
    if (!m_pending || (m_outstanding > 0 && m_fetchEngine))
        return;
    m_pending = false;
    QTimer::singleShot(1, this, &Inspector::dataReadyDelayed);
}

void Inspector::dataReadyDelayed()
{
    emit dataReceived();
}

void Inspector::clearAllInspector()
{
    if (clearScheduled)
        return;
    static Inspector shared;
    QTimer::singleShot(1, &shared, &Inspector::clearAllInspectorNow);
    clearScheduled = true;
}

void Inspector::clearAllInspectorNow()
{
    clearScheduled = false;
}

QModelIndex Inspector::valueOf(const QByteArray &expression) const
{
    const auto it = m_requests.constFind(expression);
    if (it == m_requests.constEnd() || it.value().isEmpty())
        return QModelIndex();
    const QAbstractItemModel *model = currentWatchModel();
    if (!model || model->rowCount() == 0)
        return QModelIndex();
    const QModelIndexList hits = model->match(model->index(0, 0), LocalsINameRole,
                                              QString::fromLatin1(lowestIName(it.value())), -1, Qt::MatchRecursive);
    return hits.isEmpty() ? QModelIndex() : hits.first();
}

QVariant Inspector::valueData(const QByteArray &expression, int role) const
{
    const QModelIndex index = valueOf(expression);
    return index.isValid() ? index.data(role) : QVariant();
}

QModelIndex Inspector::childOfValue(const QByteArray &expression, const QString &childName) const
{
    const QModelIndex index = valueOf(expression);
    return index.isValid() ? childValue(index, childName) : QModelIndex();
}

QMap<QByteArray, QModelIndex> Inspector::collectResults() const
{
    QMap<QByteArray, QModelIndex> results;
    for (const QModelIndex &item : allWatchItems(currentWatchModel())) {
        const QByteArray expression = item.data(LocalsExpressionRole).toByteArray();
        const auto it = m_requests.constFind(expression);
        if (it != m_requests.constEnd() && !it.value().isEmpty()
            && item.data(LocalsINameRole).toByteArray() == lowestIName(it.value()))
            results.insert(expression, item);
    }
    return results;
}

QMap<QByteArray, QVariant> Inspector::itemData(int role, int column) const
{
    QMap<QByteArray, QVariant> results;
    for (const QModelIndex &item : allWatchItems(currentWatchModel())) {
        const QByteArray expression = item.data(LocalsExpressionRole).toByteArray();
        if (m_requests.value(expression).isEmpty())
            continue;
        const QModelIndex cell = column == -1 ? item : item.sibling(item.row(), column);
        results.insert(expression, cell.data(role));
    }
    return results;
}

QString Inspector::pointerType(const QModelIndex &index)
{
    QString text = index.data(LocalsTypeRole).toString();
    if (text.isEmpty())
        text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return text;
    const int close = text.indexOf(QLatin1Char(')'));
    if (text.startsWith(QLatin1Char('(')) && close > 0)
        text = text.mid(1, close - 1);
    text = text.trimmed();
    // One pointer level is this item's own; it is written once, without a blank.
    if (text.endsWith(QLatin1Char('*')))
        text = text.left(text.size() - 1).trimmed();
    if (text.isEmpty())
        return text;
    return text + QLatin1Char('*');
}

QString Inspector::addressText(const QModelIndex &index)
{
    return QStringLiteral("(%1) 0x%2")
        .arg(pointerType(index), QString::number(index.data(LocalsAddressRole).toULongLong(), 16));
}

QModelIndex Inspector::childValue(const QModelIndex &parent, const QString &name)
{
    if (!parent.isValid())
        return QModelIndex();
    // The parent's own rows only: a search of the model from the parent on
    // would also walk every later sibling's subtree, which makes looking
    // into each entry of a long list quadratic.
    const QAbstractItemModel *model = parent.model();
    const int rows = model->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        if (child.data(Qt::DisplayRole) == QVariant(name))
            return child;
    }
    return QModelIndex();
}

} // namespace Internal
} // namespace KorvanDebugger
