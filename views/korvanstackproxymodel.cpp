#include "korvanstackproxymodel.h"

#include "graphengine/viewer/graphviewer.h"
#include "netlist/netlisttypes.h"
#include "netlist/windows/korvandebuggergrapheditor.h"

#include <coreplugin/actionmanager.h>
#include <debugger/debuggerconstants.h>
#include <debugger/debuggercore.h>
#include <debugger/gdbengine.h>
#include <debugger/stackhandler.h>
#include <protocol/debuggercommand.h>
#include <protocol/debuggerresponse.h>
#include <protocol/gdbmi.h>

#include <QAction>
#include <QPixmap>
#include <QTimer>
#include <QTreeView>

namespace KorvanDebugger {
namespace Internal {

using namespace Debugger::Internal;

namespace {
const QChar structureMark(0x200A);
const QChar listItemMark(0x2009);
const int levelColumn = 0;
const int functionColumn = 1;
const int retryMs = 500;

// Every live proxy: a change of the shared table resets each of them.
QList<KorvanStackProxyModel *> &liveProxies()
{
    static QList<KorvanStackProxyModel *> proxies;
    return proxies;
}

// Counts the resets of the table; an answer to a query sent before the
// last reset describes frames that are gone.
quint64 framesGeneration = 0;

QAction *commandAction(const char *id)
{
    Core::Command *command = Core::ActionManager::command(id);
    return command ? command->action() : nullptr;
}

// The whole feature follows "Korvan.Debugger.StackDetail"; it is on by
// default, also where the host has no place for the plug-in's button.
bool stackDetailOn()
{
    const QAction *detail = commandAction("Korvan.Debugger.StackDetail");
    return !detail || detail->isChecked();
}

QString notAccessibleText()
{
    return KorvanStackProxyModel::tr("<Not accessible>");
}

// GDB sent a value that can stand in an expression.
bool hasValue(const StackArgument &argument)
{
    return !argument.value.isNull() && argument.value != notAccessibleText();
}

// The type as a pointer type: without a trailing " const", "&" as "*".
QString pointerForm(const QString &type)
{
    QString t = type;
    if (t.endsWith(QLatin1String(" const")))
        t.chop(6);
    t.replace(QLatin1Char('&'), QLatin1Char('*'));
    return t;
}

QString latin1UpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? bytes : bytes.left(zero));
}

GdbEngine *currentGdbEngine()
{
    return qobject_cast<GdbEngine *>(currentEngine());
}
} // namespace

// ---- FramesDB

FramesDB &FramesDB::instance()
{
    static FramesDB table;
    return table;
}

FramesDB::~FramesDB()
{
    clear();
}

const StackFrameInfo *FramesDB::find(int level) const
{
    const auto it = m_frames.constFind(level);
    return it == m_frames.constEnd() ? nullptr : &it.value();
}

StackFrameInfo &FramesDB::entry(int level)
{
    auto it = m_frames.find(level);
    if (it == m_frames.end()) {
        it = m_frames.insert(level, StackFrameInfo());
        it->level = level;
    }
    return it.value();
}

void FramesDB::setArguments(int level, const QList<StackArgument *> &arguments)
{
    StackFrameInfo &info = entry(level);
    qDeleteAll(info.arguments);
    info.arguments = arguments;
}

void FramesDB::clear()
{
    for (const StackFrameInfo &info : qAsConst(m_frames))
        qDeleteAll(info.arguments);
    m_frames.clear();
}

// ---- argument texts

QString argumentExpression(const StackArgument &argument)
{
    QString value = argument.value;
    // "0x4006f4 \"text\"" of a char pointer: only the address is a value.
    if (pointerForm(argument.type).endsWith(QLatin1Char('*')) && value.startsWith(QLatin1String("0x")))
        value = value.section(QLatin1Char(' '), 0, 0);
    QString expression = QStringLiteral("(%1)%2").arg(argument.type, value);
    expression.replace(QLatin1Char('&'), QLatin1Char('*'));
    expression.remove(QLatin1Char('@'));
    return expression;
}

// ---- KorvanStackProxyModel

KorvanStackProxyModel::KorvanStackProxyModel(QAbstractItemModel *hostModel, QObject *parent)
    : QIdentityProxyModel(parent)
{
    liveProxies().append(this);
    // The table is shared: a new proxy shows what is known already.
    QIdentityProxyModel::setSourceModel(hostModel);
    connectStackHandler(true);
    m_queryPending = false;
    if (QAction *detail = commandAction("Korvan.Debugger.StackDetail"))
        connect(detail, &QAction::triggered, this, &KorvanStackProxyModel::resetStack);
    // GDB ended while the values or an analysis were fetched: the frames,
    // their values and the analysis belong to a program that is gone.
    connect(&m_inspector, &Inspector::fetchAbandoned, this, &KorvanStackProxyModel::resetStack);
}

KorvanStackProxyModel::~KorvanStackProxyModel()
{
    liveProxies().removeAll(this);
}

void KorvanStackProxyModel::beginFramesReset()
{
    for (KorvanStackProxyModel *proxy : qAsConst(liveProxies()))
        proxy->beginResetModel();
}

void KorvanStackProxyModel::endFramesReset()
{
    for (KorvanStackProxyModel *proxy : qAsConst(liveProxies()))
        proxy->endResetModel();
}

bool KorvanStackProxyModel::isArgumentIndex(const QModelIndex &index)
{
    const quintptr id = index.internalId();
    return index.isValid() && (id & 1) && id != 1;
}

const StackArgument *KorvanStackProxyModel::argumentOf(const QModelIndex &index)
{
    if (!isArgumentIndex(index) || !qobject_cast<const KorvanStackProxyModel *>(index.model()))
        return nullptr;
    return reinterpret_cast<const StackArgument *>(index.internalId() - 1);
}

QModelIndex KorvanStackProxyModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!parent.isValid())
        return QIdentityProxyModel::index(row, column, parent);
    if (isArgumentIndex(parent) || parent.column() != levelColumn)
        return QModelIndex();
    StackFrameInfo *info = frameInfo(parent);
    if (info && row >= 0 && row < info->arguments.size() && column >= 0 && column < columnCount(parent))
        return createIndex(row, column, quintptr(info->arguments.at(row)) + 1);
    return QIdentityProxyModel::index(row, column, parent);
}

QModelIndex KorvanStackProxyModel::parent(const QModelIndex &child) const
{
    if (const StackArgument *argument = argumentOf(child))
        return QIdentityProxyModel::index(argument->frameRow, levelColumn, QModelIndex());
    return QIdentityProxyModel::parent(child);
}

QModelIndex KorvanStackProxyModel::sibling(int row, int column, const QModelIndex &index) const
{
    if (row == index.row() && column == index.column())
        return index;
    return this->index(row, column, parent(index));
}

int KorvanStackProxyModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return QIdentityProxyModel::rowCount(parent);
    if (isArgumentIndex(parent) || parent.column() != levelColumn)
        return 0;
    const StackFrameInfo *info = frameInfo(parent);
    return info ? info->arguments.size() : 0;
}

int KorvanStackProxyModel::columnCount(const QModelIndex &parent) const
{
    if (isArgumentIndex(parent))
        return 2;
    // Argument rows sit in the frame's columns, whatever the host model
    // says of the frame's own (absent) children.
    return QIdentityProxyModel::columnCount(QModelIndex());
}

bool KorvanStackProxyModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) != 0;
}

Qt::ItemFlags KorvanStackProxyModel::flags(const QModelIndex &index) const
{
    if (isArgumentIndex(index))
        return index.column() == functionColumn ? Qt::ItemIsEnabled : Qt::NoItemFlags;
    return QIdentityProxyModel::flags(index) & ~Qt::ItemNeverHasChildren;
}

QModelIndex KorvanStackProxyModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (isArgumentIndex(proxyIndex))
        return QModelIndex();
    return QIdentityProxyModel::mapToSource(proxyIndex);
}

void KorvanStackProxyModel::setSourceModel(QAbstractItemModel *model)
{
    if (model == sourceModel())
        return;
    // Another session's frames: nothing of the old table may be shown for
    // them, and no argument row may outlive its record.
    beginFramesReset();
    ++framesGeneration;
    FramesDB::instance().clear();
    QIdentityProxyModel::setSourceModel(model);
    endFramesReset();
}

QVariant KorvanStackProxyModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (isArgumentIndex(index)) {
        const StackArgument *argument = argumentOf(index);
        if (!argument)
            return QVariant();
        if (role == Qt::DisplayRole && index.column() == functionColumn)
            return QStringLiteral("%1: %2 = %3").arg(argument->type, argument->name, argumentValueText(*argument));
        if ((role == Qt::DisplayRole || role == Qt::DecorationRole) && index.column() == levelColumn
            && isNetlistType(argument->type))
            return QPixmap(tr(":openGraph.png"));
        return QVariant();
    }
    if (role != Qt::DisplayRole || index.column() != functionColumn)
        return QIdentityProxyModel::data(index, role);
    const QString text = QIdentityProxyModel::data(index, role).toString();
    if (text == tr("<More>"))
        return text;
    const StackFrameInfo *info = frameInfo(index);
    return info ? text + argumentSignature(*info) : text;
}

StackFrameInfo *KorvanStackProxyModel::frameInfo(const QModelIndex &index) const
{
    if (!index.isValid() || isArgumentIndex(index))
        return nullptr;
    postArgumentsQuery();
    bool isLevel = false;
    const int level = QIdentityProxyModel::data(QIdentityProxyModel::sibling(index.row(), levelColumn, index))
                          .toInt(&isLevel);
    if (!isLevel)
        return nullptr;
    return &FramesDB::instance().entry(level);
}

QString KorvanStackProxyModel::placeholderText()
{
    return stackDetailOn() ? tr("<loading>") : QString(QChar(0x200B));
}

void KorvanStackProxyModel::setFrame(StackFrameInfo &info, const StackFrame &frame)
{
    // Only a frame without rows gets the placeholder: rows that views may
    // know are replaced inside a model reset, never here.
    Q_ASSERT(info.arguments.isEmpty());
    auto placeholder = new StackArgument;
    placeholder->name = placeholderText();
    placeholder->frameRow = frame.level;
    info.arguments = {placeholder};
    info.level = frame.level;
    info.function = frame.function;
    info.address = frame.address;
    info.usable = frame.usable;
}

void KorvanStackProxyModel::postArgumentsQuery() const
{
    GdbEngine *engine = currentGdbEngine();
    if (!engine || !stackDetailOn())
        return;
    auto self = const_cast<KorvanStackProxyModel *>(this);
    self->syncStackHandler();
    const QVector<StackFrame> frames = engine->stackHandler()->frames();
    const int n = qMin(frames.size(), QIdentityProxyModel::rowCount(QModelIndex()));
    int first = n;
    int last = -1;
    FramesDB &table = FramesDB::instance();
    for (int i = 0; i < n; ++i) {
        StackFrameInfo &info = table.entry(i);
        info.level = i;
        if (info.arguments.isEmpty()) {
            setFrame(info, frames.at(i));
            first = qMin(first, i);
            last = qMax(last, i);
        }
    }
    if (last < first)
        return;
    if (engine->state() == InferiorStopOk) {
        DebuggerCommand command("-stack-list-arguments  --simple-values " + QByteArray::number(first) + ' '
                                + QByteArray::number(last));
        command.args = QJsonValue();
        command.flags = NeedsStop;
        QPointer<KorvanStackProxyModel> target(self);
        const quint64 generation = framesGeneration;
        command.callback = [target, generation](const DebuggerResponse &response) {
            if (target)
                target->handleArguments(response, generation);
        };
        engine->runCommand(command);
    } else if (!m_queryPending) {
        QTimer::singleShot(retryMs, self, &KorvanStackProxyModel::queryStack);
        m_queryPending = true;
    }
}

void KorvanStackProxyModel::queryStack()
{
    if (!m_queryPending)
        return;
    // Polls while the program runs and may stop again; a session that
    // ended (or has not started its program) will send no stop to wait for.
    GdbEngine *engine = currentGdbEngine();
    const int state = engine ? engine->state() : DebuggerNotReady;
    if (engine && state >= InferiorRunRequested && state <= InferiorStopFailed && state != InferiorStopOk) {
        QTimer::singleShot(retryMs, this, &KorvanStackProxyModel::queryStack);
        return;
    }
    m_queryPending = false;
    resetStack();
}

void KorvanStackProxyModel::handleArguments(const DebuggerResponse &response, quint64 generation)
{
    if (generation == framesGeneration && storeArguments(response.data))
        watchArguments();
}

bool KorvanStackProxyModel::storeArguments(const GdbMi &data)
{
    if (data.type() != GdbMi::Tuple || data.name() != "data" || data.childCount() == 0)
        return false;
    const GdbMi &frames = data.childAt(0);
    if (frames.type() != GdbMi::List || frames.name() != "stack-args")
        return false;
    beginFramesReset();
    FramesDB &table = FramesDB::instance();
    for (const GdbMi &frame : frames) {
        const StackFrameInfo parsed = parseStackArgs(frame);
        if (parsed.level < 0) {
            // No level: no frame to show them under.
            qDeleteAll(parsed.arguments);
            continue;
        }
        table.setArguments(parsed.level, parsed.arguments);
    }
    endFramesReset();
    return true;
}

StackFrameInfo KorvanStackProxyModel::parseStackArgs(const GdbMi &frame)
{
    StackFrameInfo info;
    const auto add = [&info](const QString &name, const QString &value, const QString &type) {
        auto argument = new StackArgument;
        argument->name = name;
        argument->value = value;
        argument->type = type;
        argument->frameRow = info.level;
        info.arguments.append(argument);
    };
    if (frame.type() == GdbMi::Tuple && frame.name() == "frame" && frame.childCount() == 2) {
        const GdbMi &level = frame.childAt(0);
        if (level.type() == GdbMi::Const) {
            bool ok = false;
            const int number = level.data().toInt(&ok, 10);
            if (ok)
                info.level = number;
        }
        const GdbMi &arguments = frame.childAt(1);
        if (arguments.type() == GdbMi::List && arguments.childCount() == 0) {
            add(QLatin1String(""), QString(), QString());
        } else if (arguments.type() == GdbMi::List) {
            for (const GdbMi &argument : arguments) {
                if (argument.type() != GdbMi::Tuple || !argument.name().isEmpty() || argument.childCount() < 2)
                    continue;
                QString value = argument.childCount() == 3 ? QString::fromUtf8(argument.childAt(2).data())
                                                           : notAccessibleText();
                // GDB writes a reference as "@address: referenced value".
                if (value.startsWith(QLatin1Char('@'))) {
                    const int colon = value.indexOf(QLatin1Char(':'));
                    value = value.mid(1, colon < 0 ? -1 : colon - 1);
                }
                add(QString::fromUtf8(argument.childAt(0).data()), value, latin1UpToZero(argument.childAt(1).data()));
            }
        }
    }
    if (info.arguments.isEmpty())
        add(notAccessibleText(), QString(), QString());
    return info;
}

bool KorvanStackProxyModel::argumentsComplete()
{
    const FramesDB &table = FramesDB::instance();
    if (table.isEmpty())
        return false;
    const QString placeholder = placeholderText();
    for (const StackFrameInfo &info : table) {
        if (info.arguments.isEmpty())
            return false;
        if (info.arguments.size() == 1 && info.arguments.first()->name == placeholder)
            return false;
    }
    return true;
}

void KorvanStackProxyModel::watchArguments()
{
    if (!argumentsComplete())
        return;
    restoreExpansion();
    m_inspector.reset();
    for (const StackFrameInfo &info : FramesDB::instance()) {
        for (const StackArgument *argument : info.arguments) {
            // Without a value there is nothing GDB could evaluate.
            if (!hasValue(*argument))
                continue;
            if (pointerForm(argument->type).endsWith(QLatin1Char('*')) || isNetlistType(argument->type))
                m_inspector.addWatch(argumentExpression(*argument).toLocal8Bit(), QByteArray());
        }
    }
    m_inspector.flushRequests();
    connect(&m_inspector, &Inspector::dataReceived, this, &KorvanStackProxyModel::processActualPrettyValue,
            Qt::UniqueConnection);
    // The host's stack may change while the values are fetched; the table
    // is kept until they are in.
    connectStackHandler(false);
    // Nothing was asked: no answer will come to end the fetch.
    if (!m_inspector.isPending())
        processActualPrettyValue();
}

void KorvanStackProxyModel::processActualPrettyValue()
{
    connectStackHandler(true);
    beginResetModel();
    m_iNames = m_inspector.itemData(LocalsINameRole);
    m_prettyValues = m_inspector.itemData(Qt::EditRole, 1);
    endResetModel();
    disconnect(&m_inspector, &Inspector::dataReceived, this, &KorvanStackProxyModel::processActualPrettyValue);
    restoreExpansion();
    FramesDB &table = FramesDB::instance();
    for (auto it = table.begin(); it != table.end(); ++it)
        parentModules(table.entry(it.key()));
    setAnalysisEnabled(true);
    // The "Stack Path" on screen shows the stop before this one.
    KorvanDebuggerGraphEditor *window = getStackWidget();
    if (window && getStackExpandTool() && window->viewer()) {
        window->viewer()->setOutdatedFlag(true);
        emit window->viewer()->outdated();
    }
}

void KorvanStackProxyModel::resetStack()
{
    clearFramesDB();
}

void KorvanStackProxyModel::clearFramesDB()
{
    beginFramesReset();
    ++framesGeneration;
    FramesDB::instance().clear();
    // The dumper values belong to the stop that ended.
    for (KorvanStackProxyModel *proxy : qAsConst(liveProxies())) {
        proxy->m_prettyValues.clear();
        proxy->m_iNames.clear();
    }
    endFramesReset();
    // A fetch still under way asked for the frames that are gone: its late
    // answer must not bring their values back, nor go on with an analysis.
    for (KorvanStackProxyModel *proxy : qAsConst(liveProxies())) {
        proxy->cancelAnalysis();
        if (disconnect(&proxy->m_inspector, &Inspector::dataReceived, proxy,
                       &KorvanStackProxyModel::processActualPrettyValue)) {
            proxy->m_inspector.reset();
            proxy->connectStackHandler(true);
        }
    }
    setAnalysisEnabled(false);
}

void KorvanStackProxyModel::setAnalysisEnabled(bool enabled)
{
    if (QAction *analysis = commandAction("Korvan.Debugger.AnalyzeStack"))
        analysis->setEnabled(enabled);
}

void KorvanStackProxyModel::connectStackHandler(bool on)
{
    m_stackHandlerWanted = on;
    syncStackHandler();
}

void KorvanStackProxyModel::syncStackHandler()
{
    DebuggerEngine *engine = currentEngine();
    StackHandler *current = engine ? engine->stackHandler() : nullptr;
    if (m_stackHandler && (!m_stackHandlerWanted || m_stackHandler != current)) {
        disconnect(m_stackHandler, &StackHandler::stackChanged, this, &KorvanStackProxyModel::resetStack);
        m_stackHandler = nullptr;
    }
    if (m_stackHandlerWanted && current && !m_stackHandler) {
        connect(current, &StackHandler::stackChanged, this, &KorvanStackProxyModel::resetStack);
        m_stackHandler = current;
    }
}

QString KorvanStackProxyModel::argumentValueText(const StackArgument &argument) const
{
    const auto it = m_prettyValues.constFind(argumentExpression(argument).toLocal8Bit());
    return it == m_prettyValues.constEnd() ? argument.value : it.value().toString();
}

QString KorvanStackProxyModel::argumentSignature(const StackFrameInfo &frame)
{
    if (!stackDetailOn())
        return QString();
    QString signature(structureMark);
    bool any = false;
    for (const StackArgument *argument : frame.arguments) {
        if (argument->name.isNull())
            continue;
        signature += (any ? QLatin1Char(',') : QLatin1Char('(')) + QString(listItemMark) + argument->name;
        if (hasValue(*argument))
            signature += structureMark + QLatin1Char('(') + argument->value + QLatin1Char(')');
        any = true;
    }
    if (!any)
        signature += QLatin1String("(void");
    return signature + QLatin1Char(')');
}

QString KorvanStackProxyModel::currentFrameText()
{
    DebuggerEngine *engine = currentEngine();
    if (!engine)
        return QString();
    const StackHandler *handler = engine->stackHandler();
    const QString current = handler->currentFrame().function;
    if (!current.isEmpty() || handler->stackSize() == 0)
        return current;
    return handler->frames().first().function;
}

void KorvanStackProxyModel::recordExpansion(const QModelIndex &frame, bool expanded)
{
    const StackFrameInfo *info = frameInfo(frame);
    if (!info)
        return;
    const int key = rowCount() - info->level;
    m_expandedFrames.insert(key, expanded ? frame.sibling(frame.row(), functionColumn).data().toString() : QString());
}

bool KorvanStackProxyModel::isExpanded(const QModelIndex &frame) const
{
    const StackFrameInfo *info = frameInfo(frame);
    if (!info)
        return false;
    const QString stored = m_expandedFrames.value(rowCount() - info->level);
    return !stored.isNull() && stored == frame.sibling(frame.row(), functionColumn).data().toString();
}

void KorvanStackProxyModel::restoreExpansion()
{
    auto view = qobject_cast<QTreeView *>(QObject::parent());
    if (!view || view->model() != this)
        return;
    for (int row = 0; row < rowCount(); ++row) {
        const QModelIndex frame = index(row, levelColumn);
        view->setExpanded(frame, isExpanded(frame));
    }
}

} // namespace Internal
} // namespace KorvanDebugger
