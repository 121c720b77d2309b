#include "korvandebuggergrapheditor.h"

#include "toolverilogcode.h"

#include "graphitemactions.h"

#include "netlist/netlisttypes.h"
#include "plugin/korvandebuggerplugin.h"

#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "graphengine/model/module.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/scene/netlistitem.h"
#include "graphengine/viewer/graphviewer.h"

#include <coreplugin/actionmanager.h>
#include <coreplugin/progressmanager/progressmanager.h>
#include <debugger/debuggercore.h>
#include <debugger/debuggerengine.h>
#include <debugger/watchhandler.h>
#include <dialogs/dialogs.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTreeView>

namespace KorvanDebugger {
namespace Internal {

using namespace Debugger::Internal;
using GraphEngine::Module;
using GraphEngine::Name;

namespace {
const QChar hairSpace(0x200A);
const int valueColumn = 1;
// The progress range: the layout reports its steps in between.
const int progressEnd = 126;

void trace(const QString &text)
{
    if (GraphEngine::traceEnabled)
        GraphEngine::logWarning(text);
}

QString internalName(const QModelIndex &index)
{
    return index.data(LocalsINameRole).toString();
}

QModelIndex column(const QModelIndex &index, int col)
{
    return index.column() == col ? index : index.sibling(index.row(), col);
}

QString stripQuotes(QString text)
{
    if (text.isEmpty())
        return text;
    if (text.startsWith(QLatin1Char('"')))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('"')))
        text.chop(1);
    return text;
}

QString withoutHiddenPointers(QString text)
{
    return text.remove(UndoFramework::hiddenPointerPattern());
}
} // namespace

// ---- inspected fields --------------------------------------------------------

InspectedField::InspectedField(const QString &fieldName, const QString &fieldValue, const QModelIndex &fieldIndex)
    : name(stripQuotes(fieldName))
    , value(stripQuotes(fieldValue))
    , index(fieldIndex)
{
}

QString InspectedField::pointerType() const
{
    QString type = index.data(LocalsTypeRole).toString();
    if (type.isEmpty()) {
        type = index.data(Qt::DisplayRole).toString();
        const int close = type.indexOf(QLatin1Char(')'));
        if (type.startsWith(QLatin1Char('(')) && close > 0)
            type = type.mid(1, close - 1).trimmed();
    }
    if (!type.isEmpty() && !type.contains(QLatin1Char('*')))
        type += QLatin1Char('*');
    return type;
}

quint64 InspectedField::address() const
{
    return index.model() ? index.data(LocalsAddressRole).toULongLong() : 0;
}

InspectedField fieldOf(const QModelIndex &index)
{
    return InspectedField(QString(), column(index, valueColumn).data(Qt::EditRole).toString(), index);
}

QList<InspectedField> childFields(const QModelIndex &parent, int mode)
{
    QList<InspectedField> fields;
    if (!parent.isValid() || mode < 0 || mode > 2)
        return fields;
    const QAbstractItemModel *model = parent.model();
    const QModelIndex item = column(parent, 0);
    for (int row = 0; row < model->rowCount(item); ++row) {
        const QModelIndex name = model->index(row, 0, item);
        const QString nameText = mode == 2 ? QString() : name.data(Qt::DisplayRole).toString();
        const QString valueText = mode == 0 ? QString() : model->index(row, valueColumn, item).data(Qt::EditRole).toString();
        fields.append(InspectedField(nameText, valueText, name));
    }
    return fields;
}

StartSelection startSelection(int kind, const QString &valueText)
{
    using GraphEngine::BaseEnum;
    StartSelection selection;
    QString text = withoutHiddenPointers(stripQuotes(valueText));
    const auto portType = [](int direction) {
        return direction == BaseEnum::Output ? GraphEngine::GuiOutputPortGateItem : GraphEngine::GuiInputPortGateItem;
    };
    switch (kind) {
    case KorvanDebuggerGraphEditor::InstanceStart: {
        const int hair = text.indexOf(hairSpace);
        if (hair >= 0)
            text.truncate(hair);
        const int direction = GraphEngine::directionFromSymbol(text);
        if (direction != BaseEnum::NoDirection) {
            selection.type = portType(direction);
            text.remove(0, 1);
        } else {
            selection.type = GraphEngine::GuiGateItem;
        }
        selection.name = selection.subGate = Name(text);
        break;
    }
    case KorvanDebuggerGraphEditor::InstanceTerminalStart: {
        QStringRef whole(&text), instance, port, net;
        UndoFramework::splitTerminalText(whole, instance, port, net);
        if (!net.isEmpty())
            selection.net = Name(net.toString());
        selection.type = GraphEngine::GuiGateItem;
        selection.fallbackType = GraphEngine::GuiAnyPortGateItem;
        selection.name = selection.subGate = Name(instance.toString());
        selection.clearSelection = false;
        break;
    }
    case KorvanDebuggerGraphEditor::NetStart:
        selection.type = GraphEngine::GuiNetItem;
        selection.name = Name(text);
        break;
    case KorvanDebuggerGraphEditor::ModulePortStart: {
        const int direction = GraphEngine::directionFromSymbol(text);
        if (direction != BaseEnum::NoDirection)
            text.remove(0, 1);
        // A port on a net of another name shows it after a hair space.
        const int hair = text.indexOf(hairSpace);
        if (hair >= 0)
            text.truncate(hair);
        selection.type = portType(direction);
        selection.name = selection.subGate = Name(text);
        break;
    }
    default:
        break;
    }
    return selection;
}

// ---- construction --------------------------------------------------------------

KorvanDebuggerGraphEditor::KorvanDebuggerGraphEditor(QTreeView *view, int kind, const QModelIndex &value)
    : MainWindow(view ? static_cast<QWidget *>(view) : QApplication::activeWindow(), nullptr, QString())
    , m_graphState(UndoFramework::GraphDataBase::current(), 0)
    , m_view(view)
{
    setupWindow(value.data(Qt::DisplayRole).toString());
    m_rootKey = value.data(LocalsINameRole);
    runStep(kind, value);
}

KorvanDebuggerGraphEditor::KorvanDebuggerGraphEditor(const QString &title)
    : MainWindow(QApplication::activeWindow(), nullptr, QString())
    , m_graphState(UndoFramework::GraphDataBase::current(), UndoFramework::GraphDataBase::stackPathKey)
{
    setupWindow(title);
}

void KorvanDebuggerGraphEditor::setupWindow(const QString &title)
{
    // Only a user who asked for the trace gets it: it writes thousands of
    // lines for each drawing.
    if (GraphEngine::traceRequested())
        GraphEngine::traceEnabled = true;
    m_progress.setProgressRange(0, progressEnd);
    m_progress.setProgressValue(0);
    Core::FutureProgress *task = Core::ProgressManager::addTask(
        m_progress.future(), tr("Korvan GraphViewer %1").arg(title), "Korvan.GraphViewer");
    connect(task, &Core::FutureProgress::canceled, this, &KorvanDebuggerGraphEditor::closeGraph);
    task->setKeepOnFinish(Core::FutureProgress::HideOnFinish);
    m_progress.reportStarted();
    m_rootKey = QVariant::fromValue(QModelIndex());
    if (DebuggerEngine *engine = currentEngine()) {
        connect(engine, &DebuggerEngine::stateChanged, this,
                [this](int state) { updateEditorState(DebuggerState(state)); });
    }
}

KorvanDebuggerGraphEditor::~KorvanDebuggerGraphEditor()
{
    if (m_windowAction) {
        Core::ActionManager::unregisterAction(m_windowAction, m_windowId);
        releaseWindowEntry();
    }
    // A task that never ended would stay in the status bar for ever.
    if (!m_progress.isFinished()) {
        m_progress.reportCanceled();
        m_progress.reportFinished();
    }
}

void KorvanDebuggerGraphEditor::runStep(int kind, const QModelIndex &index)
{
    switch (kind) {
    case InstanceStart:
        showFromInstance(index);
        break;
    case InstanceTerminalStart:
        showFromInstanceTerminal(index);
        break;
    case NetStart:
        showFromNet(index);
        break;
    case ModuleStart:
        showModule(index);
        break;
    case ModulePortStart:
        showFromModulePort(index);
        break;
    case InstanceDefinitionStart:
        showInstanceDefinition(index);
        break;
    default:
        break;
    }
}

// ---- the fetch cycle -------------------------------------------------------------

int KorvanDebuggerGraphEditor::startFetching(const QModelIndex &returnIndex, const QModelIndex &index,
                                             ExpansionSlot slot)
{
    if (index.row() < 0 || index.column() < 0 || !index.model())
        return 0;
    const QModelIndex item = column(index, 0);
    bool ok = false;
    const int count = column(index, valueColumn).data(Qt::EditRole).toString().toInt(&ok, 10);
    trace(QStringLiteral("Theorical Nb Children %1 = %2").arg(ok ? 1 : 0).arg(count));
    const int rows = item.model()->rowCount(item);
    if (ok && count == 0)
        return rows == 0 ? 3 : 2;
    trace(QStringLiteral("Known Children %1").arg(rows));
    if (rows > 0)
        return 2;

    if (m_returnKey.isValid()) {
        Host::information(QWidget::mouseGrabber(), tr("Graph Drawing Engine Message"),
                          tr("A Graph is currently being retrieved. Can't fetch 2 graphs at same time. Abort operation"));
        return 1;
    }
    m_returnKey = m_rootKey;
    m_pendingModel = const_cast<QAbstractItemModel *>(returnIndex.model());
    m_pending = true;
    trace(QStringLiteral("start Fetching: Return index %1").arg(m_returnKey.toString()));

    trace(QStringLiteral("start Fetching: Fetched index '%1'").arg(internalName(item)));
    connect(&m_inspector, &Inspector::dataReceived, this, slot);
    if (m_inspector.fetchMore(item)) {
        m_inspector.flushRequests();
        return 1;
    }
    // Nothing will answer: the claim is given back, so the walk can go on
    // (or be cancelled) without a fetch that never ends.
    disconnect(&m_inspector, &Inspector::dataReceived, this, slot);
    m_returnKey = QVariant();
    m_pendingModel = nullptr;
    m_pending = false;
    return 3;
}

void KorvanDebuggerGraphEditor::postExpansion(int eventType)
{
    if (!m_pending)
        return;
    m_pending = false;
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(eventType)));
}

void KorvanDebuggerGraphEditor::instanceExpanding()
{
    postExpansion(KorvanDebuggerPlugin::instanceEventType);
}

void KorvanDebuggerGraphEditor::instanceTerminalExpanding()
{
    postExpansion(KorvanDebuggerPlugin::instanceTerminalEventType);
}

void KorvanDebuggerGraphEditor::netExpanding()
{
    postExpansion(KorvanDebuggerPlugin::netEventType);
}

void KorvanDebuggerGraphEditor::moduleExpanding()
{
    postExpansion(KorvanDebuggerPlugin::moduleEventType);
}

void KorvanDebuggerGraphEditor::modulePortExpanding()
{
    postExpansion(KorvanDebuggerPlugin::modulePortEventType);
}

void KorvanDebuggerGraphEditor::instanceDefinitionExpanding()
{
    postExpansion(KorvanDebuggerPlugin::instanceDefinitionEventType);
}

bool KorvanDebuggerGraphEditor::event(QEvent *event)
{
    if (m_cancelled)
        return MainWindow::event(event);
    struct Consumer
    {
        int type;
        int kind;
        const char *text;
    };
    const Consumer consumers[] = {
        {KorvanDebuggerPlugin::instanceEventType, InstanceStart, "Consume Instance Event"},
        {KorvanDebuggerPlugin::instanceTerminalEventType, InstanceTerminalStart, "Consume Instance Terminal Event"},
        {KorvanDebuggerPlugin::netEventType, NetStart, "Consume Net Event"},
        {KorvanDebuggerPlugin::moduleEventType, ModuleStart, "Consume Module Event"},
        {KorvanDebuggerPlugin::modulePortEventType, ModulePortStart, "Consume Module Port Event"},
        {KorvanDebuggerPlugin::instanceDefinitionEventType, InstanceDefinitionStart,
         "Consume Instance Definition Event"},
    };
    for (const Consumer &consumer : consumers) {
        if (consumer.type == 0 || event->type() != consumer.type)
            continue;
        const bool awaited = m_returnKey.isValid();
        const QModelIndex index = fetchedIndex();
        if (!index.isValid()) {
            // The value the walk starts from went away with the answer (the
            // program moved on): waiting longer would never end.
            if (awaited)
                cancelOperation(tr("The inspected value is no longer available. Graph drawing canceled"));
            return true;
        }
        if (consumer.kind != InstanceTerminalStart)
            trace(QLatin1String(consumer.text));
        runStep(consumer.kind, index);
        if (consumer.kind == InstanceTerminalStart)
            trace(QLatin1String(consumer.text));
        return true;
    }
    return MainWindow::event(event);
}

QModelIndex KorvanDebuggerGraphEditor::fetchedIndex()
{
    if (!m_returnKey.isValid() || !m_pendingModel)
        return QModelIndex();
    const QVariant key = m_returnKey;
    m_returnKey = QVariant();
    QAbstractItemModel *model = m_pendingModel;
    m_pendingModel = nullptr;
    m_pending = false;
    if (model->rowCount() == 0)
        return QModelIndex();
    const QModelIndexList hits = model->match(model->index(0, 0), LocalsINameRole, key, 1,
                                              Qt::MatchExactly | Qt::MatchRecursive | Qt::MatchWrap);
    if (hits.isEmpty())
        return QModelIndex();
    trace(QStringLiteral("Fetching completed %1").arg(key.toString()));
    disconnect(&m_inspector, &Inspector::dataReceived, this, &KorvanDebuggerGraphEditor::moduleExpanding);
    collapseInView(hits.first());
    return hits.first();
}

void KorvanDebuggerGraphEditor::collapseInView(const QModelIndex &index)
{
    if (m_view && index.isValid() && m_view->model() == index.model())
        m_view->collapse(index);
}

int KorvanDebuggerGraphEditor::findSubField(const QModelIndex &parent, const QString &name, QModelIndex &result,
                                            ExpansionSlot slot)
{
    if (!parent.isValid())
        return 0;
    trace(QStringLiteral("Searching %1 as sub-field of %2").arg(name, internalName(parent)));
    const QAbstractItemModel *model = parent.model();
    const QModelIndexList hits = model->match(parent, Qt::DisplayRole, name, -1,
                                              Qt::MatchExactly | Qt::MatchRecursive);
    if (hits.isEmpty()) {
        result = QModelIndex();
        return model->rowCount(column(parent, 0)) == 0 ? 1 : 0;
    }
    trace(QStringLiteral("got %1 items. Verify the parent").arg(hits.size()));
    QModelIndex hit;
    for (const QModelIndex &candidate : hits) {
        trace(QStringLiteral("found item parent %1").arg(internalName(candidate.parent())));
        if (candidate.parent() == column(parent, 0)) {
            hit = candidate;
            break;
        }
    }
    if (!hit.isValid())
        return 0;
    if (startFetching(parent, hit, slot) == 1) {
        result = QModelIndex();
        return 1;
    }
    result = hit;
    return 2;
}

bool KorvanDebuggerGraphEditor::expandBase(const QModelIndex &index, const QString &field, ExpansionSlot slot)
{
    trace(QStringLiteral("Showing '%1': Expand base").arg(field));
    const QModelIndex item = column(index, 0);
    const QModelIndex grandParent = item.parent().parent();
    trace(QStringLiteral("parent is %1").arg(internalName(grandParent)));
    if (isIndexOfRole(grandParent, moduleTypes())) {
        trace(QStringLiteral("Got definition from parent instead of for sub-fields"));
        return showModule(grandParent, slot);
    }
    switch (startFetching(item, item, slot)) {
    case 1:
        return false;
    case 3:
        cancelOperation(tr("Illegal data. Can't access to graph"));
        return false;
    default:
        break;
    }
    trace(QStringLiteral("Showing '%1': Search definition").arg(field));
    QModelIndex found;
    switch (findSubField(item, field, found, slot)) {
    case 2:
        return showModule(found, slot);
    case 0:
        cancelOperation(tr("Invalid configuration: Field not found '%1'").arg(field));
        return false;
    default:
        return false;
    }
}

bool KorvanDebuggerGraphEditor::showModule(const QModelIndex &index, ExpansionSlot slot)
{
    trace(QStringLiteral("Showing from Module: expand Module"));
    const QModelIndex item = column(index, 0);
    if (!isIndexOfRole(item, moduleTypes())) {
        cancelOperation(tr("This Data Model does not link to model definition."));
        return false;
    }
    const quint64 key = index.data(LocalsAddressRole).toULongLong();
    if (key == 0) {
        cancelOperation(tr("Null Pointer reference. Can't access to graph."));
        return false;
    }
    if (m_graphState.myDBKey != 0 && m_graphState.myDBKey != key)
        GraphEngine::logCritical(QStringLiteral("Programmation Error: This field can not be set twice."));
    m_graphState.myDBKey = key;

    if (m_graphState.graphDataBase.contains(key)) {
        trace(QStringLiteral("Use Existing DB"));
        UndoFramework::ModuleRegistry registry = m_graphState.graphDataBase.registry(key);
        bool created = false;
        Module *module = Module::findOrCreateModule(*registry, fieldOf(item).value, &created);
        if (created || !module) {
            cancelOperation(tr("Programming error. DB is corrupted."));
            return false;
        }
        showGraph(module, false);
        return true;
    }

    switch (startFetching(item, item, slot)) {
    case 1:
        return false;
    case 3:
        cancelOperation(tr("Graph Inaccessible"));
        return false;
    default:
        break;
    }
    trace(QStringLiteral("Showing from Module: expand Nb Ports"));
    m_progress.setProgressValue(72);
    QModelIndex ports;
    switch (findSubField(item, QStringLiteral("Nb Ports"), ports, slot)) {
    case 0:
        cancelOperation(tr("Invalid configuration: Field not found \"Nb Ports\". Sub-model definition is invalid."));
        return false;
    case 1:
        return false;
    default:
        break;
    }
    // The progress value goes back: a future only reports a higher value,
    // so the bar keeps 72 until the rendering.
    m_progress.setProgressValue(36);
    trace(QStringLiteral("Showing from Module: expand Nb Instance"));
    QModelIndex instances;
    if (findSubField(item, QStringLiteral("Nb Instances"), instances, slot) == 1)
        return false;
    trace(QStringLiteral("Showing from Module: Rendering"));
    GraphEngine::resetPenCycle();
    m_progress.setProgressValue(108);
    collapseInView(item);
    collapseInView(instances);
    collapseInView(ports);
    Module *module = buildModule(fieldOf(item).value, childFields(ports, 2), childFields(instances, 1));
    if (module)
        showGraph(module, true);
    return true;
}

GraphEngine::Module *KorvanDebuggerGraphEditor::buildModule(const QString &moduleName,
                                                            const QList<InspectedField> &ports,
                                                            const QList<InspectedField> &instances)
{
    QList<UndoFramework::Instance> keptInstances;
    for (const InspectedField &field : instances) {
        UndoFramework::Instance instance(field.name, field.value, field.pointerType(), field.address());
        if (instance.gateKind != 0)
            keptInstances.append(instance);
    }
    QList<UndoFramework::Port> keptPorts;
    for (const InspectedField &field : ports) {
        UndoFramework::Port port(field.index, field.pointerType(), field.address());
        if (port.direction != GraphEngine::BaseEnum::NoDirection)
            keptPorts.append(port);
    }
    m_graphState.moduleName = moduleName;
    m_graphState.instances = keptInstances;
    m_graphState.ports = keptPorts;
    m_graphState.changed = true;
    QString error;
    Module *module = m_graphState.buildModule(error);
    if (!module)
        cancelOperation(error);
    return module;
}

bool KorvanDebuggerGraphEditor::showFromInstance(const QModelIndex &index)
{
    return showFromValue(InstanceStart, index);
}

bool KorvanDebuggerGraphEditor::showFromInstanceTerminal(const QModelIndex &index)
{
    return showFromValue(InstanceTerminalStart, index);
}

bool KorvanDebuggerGraphEditor::showFromNet(const QModelIndex &index)
{
    return showFromValue(NetStart, index);
}

bool KorvanDebuggerGraphEditor::showFromModulePort(const QModelIndex &index)
{
    return showFromValue(ModulePortStart, index);
}

bool KorvanDebuggerGraphEditor::showInstanceDefinition(const QModelIndex &index)
{
    return showFromValue(InstanceDefinitionStart, index);
}

bool KorvanDebuggerGraphEditor::showFromValue(int kind, const QModelIndex &index)
{
    struct Step
    {
        const char *text;
        const char *field;
        ExpansionSlot slot;
        const char *selecting;
    };
    static const Step steps[] = {
        {"Showing from Instance", "Parent Module", &KorvanDebuggerGraphEditor::instanceExpanding, "Selecting Instance"},
        {"Showing from Instance Terminal", "Parent Module", &KorvanDebuggerGraphEditor::instanceTerminalExpanding,
         "Selecting Instance Terminal"},
        {"Showing from Net", "Parent Module", &KorvanDebuggerGraphEditor::netExpanding, "Selecting Net"},
        {nullptr, nullptr, nullptr, nullptr}, // the module step walks no field
        {"Showing from Port", "Parent Module", &KorvanDebuggerGraphEditor::modulePortExpanding, "Selecting Port"},
        {"Showing Instance Definition", "Definition", &KorvanDebuggerGraphEditor::instanceDefinitionExpanding,
         nullptr},
    };
    const Step &step = steps[kind];
    trace(QLatin1String(step.text));
    if (!expandBase(index, QLatin1String(step.field), step.slot))
        return false;
    if (!hostsViewer())
        return true;
    if (kind == InstanceDefinitionStart) {
        // The value was fetched only to reach its definition: it leaves the
        // watch view again.
        if (DebuggerEngine *engine = currentEngine())
            engine->watchHandler()->removeItemByIName(index.data(LocalsINameRole).toString());
        return true;
    }
    trace(QLatin1String(step.selecting));
    selectStart(kind, index);
    return true;
}

void KorvanDebuggerGraphEditor::selectStart(int kind, const QModelIndex &index)
{
    m_startSelection = startSelection(kind, fieldOf(index).value);
    applySelection(m_startSelection);
}

void KorvanDebuggerGraphEditor::applySelection(const StartSelection &selection)
{
    GraphEngine::GraphViewer *shown = viewer();
    if (!shown || !selection.type)
        return;
    using GraphEngine::GuiElementType;
    if (!selection.net.isNull()) {
        if (GraphEngine::NetlistItem *net = shown->search(GraphEngine::GuiNetItem, selection.net))
            net->setSelected(true);
    }
    GraphEngine::NetlistItem *item = shown->search(GuiElementType(selection.type), selection.name);
    if (!item && selection.fallbackType)
        item = shown->search(GuiElementType(selection.fallbackType), selection.name);
    if (item)
        shown->centerOn(item, true, selection.subGate, selection.clearSelection);
}

bool KorvanDebuggerGraphEditor::hostsViewer() const
{
    return viewer() && viewer()->module();
}

// ---- showing and ending --------------------------------------------------------------

bool KorvanDebuggerGraphEditor::prepareGraph(GraphEngine::Module *module, bool render)
{
    if (!module)
        return false;
    if (render) {
        m_inspector.reset();
        connect(module, &Module::renderingProgressing, this, &KorvanDebuggerGraphEditor::progressing);
        const bool tracing = GraphEngine::traceEnabled;
        module->computeLayout(10.0, true, true);
        GraphEngine::traceEnabled = tracing;
        disconnect(module, &Module::renderingProgressing, this, &KorvanDebuggerGraphEditor::progressing);
        if (!module->layoutError().isEmpty()) {
            // The window goes, and with it the data base that holds the module.
            cancelOperation(module->layoutError());
            return false;
        }
        trace(QStringLiteral("Graph rendering completed"));
    }
    m_progress.reportFinished();
    // The shown module lives as long as a holder of its registry does.
    if (m_graphState.myDBKey != 0)
        m_registry = m_graphState.graphDataBase.registry(m_graphState.myDBKey);
    m_module = module;
    setGraph(module, tr("Module: %n"));
    connectMenu();
    return true;
}

void KorvanDebuggerGraphEditor::connectMenu()
{
    GraphEngine::GraphViewer *shown = viewer();
    if (!shown)
        return;
    auto watchGate = new GraphItemWatcher(tr("Watch Gate: %1"), this);
    auto watchEdge = new GraphItemWatcher(tr("Watch Edge: %1"), this);
    auto openDefinition = new GraphItemOpenDefinition(tr("Open Definition: %1"), this);
    auto openSource = new GraphItemOpenSource(tr("Open Source: %1"), this);
    using GraphEngine::GraphItem;
    shown->registerAction(GraphItem::GateItem, watchGate);
    shown->registerAction(GraphItem::GateItem, openDefinition);
    shown->registerAction(GraphItem::GateItem, openSource);
    shown->registerAction(GraphItem::NetItem, watchEdge);
    shown->registerAction(GraphItem::NetItem, openDefinition);
    shown->registerAction(GraphItem::NetItem, openSource);
    connect(this, &QDialog::finished, this, &KorvanDebuggerGraphEditor::closeGraph, Qt::UniqueConnection);
    connect(this, &QDialog::rejected, this, &KorvanDebuggerGraphEditor::closeGraph, Qt::UniqueConnection);
    connect(this, &QDialog::accepted, this, &KorvanDebuggerGraphEditor::closeGraph, Qt::UniqueConnection);
    // Not on destroyed(): by then the window is half destroyed, its own
    // deletion is already under way, and the destructor does the cleanup.
    connect(shown, &GraphEngine::GraphViewer::renderingError, this, &KorvanDebuggerGraphEditor::reportRenderingError,
            Qt::UniqueConnection);
    // One Verilog button per viewer, however often the menu is connected.
    if (!shown->findChild<ToolVerilogCode *>(QString(), Qt::FindDirectChildrenOnly))
        shown->addTool(new ToolVerilogCode(shown));
}

void KorvanDebuggerGraphEditor::showGraph(GraphEngine::Module *module, bool render)
{
    if (!prepareGraph(module, render))
        return;
    registerWindowActions(module->name);
    show();
}

void KorvanDebuggerGraphEditor::showGraph()
{
    m_progress.reportFinished();
    if (viewer())
        m_module = viewer()->module();
    connectMenu();
    registerWindowActions(QString());
    show();
    // The viewer built its graph before anyone could listen.
    if (viewer() && !viewer()->module() && !viewer()->renderingErrorText().isEmpty())
        reportRenderingError(viewer()->renderingErrorText());
}

void KorvanDebuggerGraphEditor::reportRenderingError(const QString &errorMessage)
{
    Host::information(this, tr("Korvan Debugger"), errorMessage);
}

void KorvanDebuggerGraphEditor::closeGraph()
{
    // A window on its way out has nothing more to tell about the session.
    m_closing = true;
    deleteLater();
}

void KorvanDebuggerGraphEditor::closeAllWindows()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto editor = qobject_cast<KorvanDebuggerGraphEditor *>(window)) {
            editor->hide();
            editor->closeGraph();
        }
    }
}

void KorvanDebuggerGraphEditor::progressing()
{
    m_progress.setProgressValue(m_progress.progressValue() + 1);
}

void KorvanDebuggerGraphEditor::updateEditorState(Debugger::Internal::DebuggerState state)
{
    if (m_closing)
        return;
    switch (state) {
    case InferiorShutdownRequested:
    case EngineShutdownRequested:
        // Only a graph still being fetched or laid out loses its drawing; a
        // drawn one is simply closed.
        cancelOperation(isDrawing() ? tr("Debug Process Terminated. Graph drawing canceled")
                                    : tr("Debug Process Terminated. Graph is closed"));
        break;
    case InferiorShutdownFailed:
    case EngineShutdownFailed:
    case EngineShutdownOk:
        cancelOperation(tr("Debug Process Terminated. Graph is closed"));
        break;
    default:
        break;
    }
}

void KorvanDebuggerGraphEditor::cancelOperation(QString reason)
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    Host::information(this, tr("Korvan Debugger"), reason);
    m_progress.cancel();
    m_progress.reportFinished();
    deleteLater();
    clearAllDB();
}

void KorvanDebuggerGraphEditor::clearLocalDB()
{
    m_graphState.graphDataBase.clearLocalDB(m_graphState.myDBKey);
}

void KorvanDebuggerGraphEditor::clearAllDB()
{
    UndoFramework::GraphDataBase::clearAllDB();
}

} // namespace Internal
} // namespace KorvanDebugger
