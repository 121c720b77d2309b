#include "graphviewer.h"

#include "tools/builtintools.h"
#include "graphitemaction.h"
#include "undobasecommand.h"

#include "graphengine/globals.h"
#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/scene/clearscene.h"
#include "graphengine/scene/guiedgeelement.h"
#include "graphengine/scene/guigateelement.h"
#include "netlist/graphrecords.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QSlider>
#include <QToolButton>
#include <QUndoStack>
#include <QWheelEvent>

static void initViewerResources()
{
    Q_INIT_RESOURCE(viewer);
}

namespace GraphEngine {

namespace {

const QString graphStateKey = QStringLiteral("GraphViewer::GraphState");

void ensureViewerResources()
{
    static const bool initialised = (initViewerResources(), true);
    Q_UNUSED(initialised)
}

} // namespace

// View -----------------------------------------------------------------------

GraphView::GraphView(GraphViewer *viewer)
    : m_viewer(viewer)
{
    setRenderHint(QPainter::Antialiasing, false);
    setDragMode(QGraphicsView::RubberBandDrag);
    setOptimizationFlags(QGraphicsView::DontSavePainterState);
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setViewportMargins(-1, 0, -1, 0);
}

void GraphView::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    // One slider step per wheel event, whatever the delta: the zoom stays on
    // the slider's grid.
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    if (event->angleDelta().y() > 0)
        m_viewer->zoomIn(1);
    else
        m_viewer->zoomOut(1);
    event->accept();
}

void GraphView::paintEvent(QPaintEvent *event)
{
    // The net items note which trunks they drew in this pass.
    beginRenderPass();
    QGraphicsView::paintEvent(event);
}

// Scene ----------------------------------------------------------------------

GraphScene::GraphScene(QObject *parent)
    : QGraphicsScene(parent)
{
}

GraphScene::~GraphScene()
{
    // Before the base class empties the scene in its own, slower way.
    clearScene(this);
}

void GraphScene::populate(Module *module)
{
    // The items never move, and an index costs more to build for a large
    // module than the linear walks it would save.
    setItemIndexMethod(QGraphicsScene::NoIndex);
    if (m_module) {
        clearScene(this);
        m_module = nullptr;
    }
    if (module) {
        m_module = module;
        module->gates->forEachElement([this](Gate *gate) {
            if (gate)
                addItem(new GuiGateElement(gate));
        });
        module->edges->forEachElement([this](Edge *net) {
            if (net)
                addItem(new GuiEdgeElement(net));
        });
    }
    if (!m_selectionConnected) {
        connect(this, &QGraphicsScene::selectionChanged, this, &GraphScene::increaseNewSelectionCounter);
        m_selectionConnected = true;
    }
}

void GraphScene::increaseNewSelectionCounter()
{
    if (!(QGuiApplication::keyboardModifiers() & Qt::ControlModifier))
        increaseSelectionCounter();
}

// Label ----------------------------------------------------------------------

QSize GraphViewer::FixedSizeLabel::sizeHint() const
{
    return size();
}

QSize GraphViewer::FixedSizeLabel::minimumSizeHint() const
{
    return size();
}

// Viewer ---------------------------------------------------------------------

GraphViewer::GraphViewer(QWidget *parent)
    : QFrame(parent)
{
    ensureViewerResources();
}

GraphViewer::GraphViewer(Module *module, QWidget *parent)
    : GraphViewer(parent)
{
    m_module = module;
    m_scene = new GraphScene;
    m_scene->populate(module);
    setupUi();
}

GraphViewer::GraphViewer(const UndoFramework::GraphUndoState &state, QWidget *parent)
    : GraphViewer(parent)
{
    UndoFramework::registerGraphUndoStateType();
    m_state.insert(graphStateKey, QVariant::fromValue(state));
    m_scene = new GraphScene;
    m_scene->populate(nullptr);
    setupUi();
    loadModule();
}

GraphViewer::~GraphViewer()
{
    deactivateTool(nullptr);
    // The tools, children of the frame, outlive this part of the viewer.
    for (ToolBase *tool : qAsConst(m_tools))
        disconnect(tool, &QObject::destroyed, this, nullptr);
    delete m_undoStack;
    m_undoStack = nullptr;
    delete m_view;
    m_view = nullptr;
    // What the commands left in the scene; the rest went with them.
    const QList<QGraphicsItem *> items = m_sceneItems.values();
    m_sceneItems.clear();
    qDeleteAll(items);
    delete m_scene;
    m_scene = nullptr;
}

QToolButton *GraphViewer::makeZoomButton(const QString &icon, const QString &toolTip)
{
    auto *button = new QToolButton;
    button->setAutoRepeat(true);
    button->setAutoRepeatInterval(1);
    button->setAutoRepeatDelay(0);
    button->setIcon(QPixmap(icon));
    button->setToolTip(toolTip);
    return button;
}

void GraphViewer::setupUi()
{
    m_view = new GraphView(this);
    m_view->setScene(m_scene);
    connectModuleSignals();
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    QToolButton *zoomOutButton = makeZoomButton(QStringLiteral(":minusButton.png"), tr("Zoom Out"));
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setMinimum(1);
    m_slider->setMaximum(200);
    m_slider->setValue(100);
    m_slider->setMaximumWidth(10);
    m_slider->setMinimumWidth(80);
    m_slider->setTickPosition(QSlider::TicksBelow);
    QToolButton *zoomInButton = makeZoomButton(QStringLiteral(":plusButton.png"), tr("Zoom In"));

    m_undoStack = new QUndoStack;

    m_label = new FixedSizeLabel;
    m_label->setMaximumHeight(24);
    m_label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_toolBar = new QHBoxLayout;
    m_toolBar->setContentsMargins(1, 1, 1, 1);
    m_toolBar->setSpacing(1);
    m_toolBar->addWidget(zoomOutButton);
    m_toolBar->addWidget(m_slider);
    m_toolBar->addWidget(zoomInButton);

    QAction *undoAction = m_undoStack->createUndoAction(this, tr("&Undo"));
    undoAction->setShortcuts(QKeySequence::Undo);
    undoAction->setIcon(QIcon(QStringLiteral(":undo.png")));
    auto *undoButton = new QToolButton;
    undoButton->setDefaultAction(undoAction);
    QAction *redoAction = m_undoStack->createRedoAction(this, tr("&Redo"));
    redoAction->setShortcuts(QKeySequence::Redo);
    redoAction->setIcon(QIcon(QStringLiteral(":redo.png")));
    auto *redoButton = new QToolButton;
    redoButton->setDefaultAction(redoAction);
    m_toolBar->addSpacing(10);
    m_toolBar->addWidget(undoButton);
    m_toolBar->addWidget(redoButton);

    auto *svgAction = new QAction(QIcon(QStringLiteral(":SVGLogo.png")), tr("Svg Dump"), this);
    connect(svgAction, &QAction::triggered, this, &GraphViewer::svgDump);
    auto *svgButton = new QToolButton;
    svgButton->setDefaultAction(svgAction);
    m_toolBar->addSpacing(10);
    m_toolBar->addWidget(svgButton);
    // Tool buttons go before the last spacing and the label.
    m_toolBar->addSpacing(10);
    m_toolBar->addSpacing(10);
    m_toolBar->addWidget(m_label);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(3, 3, 3, 3);
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(1);
    grid->addWidget(m_view, 0, 0);
    grid->addLayout(m_toolBar, 1, 0);
    setBackgroundRole(QPalette::Button);

    connect(m_slider, &QSlider::valueChanged, this, &GraphViewer::setupMatrix);
    connect(zoomInButton, &QToolButton::clicked, this, [this] { zoomIn(); });
    connect(zoomOutButton, &QToolButton::clicked, this, [this] { zoomOut(); });

    setupMatrix();
    m_searchToolAdded = 0;

    for (ToolBase *tool : createBuiltinTools(this))
        addTool(tool);
}

void GraphViewer::connectModuleSignals()
{
    for (const QMetaObject::Connection &connection : qAsConst(m_moduleConnections))
        disconnect(connection);
    m_moduleConnections.clear();
    Module *module = m_module;
    if (!module)
        return;
    m_moduleConnections
        << connect(module, &Module::showContextMenu, this, &GraphViewer::showContextMenu, Qt::DirectConnection)
        << connect(module, &Module::clicked, this, &GraphViewer::clicked, Qt::DirectConnection)
        << connect(module, &Module::hoverEnterEvent, this, &GraphViewer::hoverEnterEvent, Qt::DirectConnection)
        << connect(module, &Module::hoverLeaveEvent, this, &GraphViewer::hoverLeaveEvent, Qt::DirectConnection)
        << connect(module, &Module::doubleClicked, this, &GraphViewer::doubleClicked, Qt::DirectConnection)
        << connect(module, &Module::updateToolTip, this, &GraphViewer::updateToolTip, Qt::DirectConnection)
        << connect(module, &Module::keyPressed, this, &GraphViewer::keyPressed, Qt::DirectConnection);
}

void GraphViewer::releaseSceneItems()
{
    for (QGraphicsItem *item : qAsConst(m_sceneItems)) {
        if (item->scene() == m_scene)
            m_scene->removeItem(item);
    }
    m_sceneItems.clear();
}

bool GraphViewer::loadModule()
{
    UndoFramework::GraphUndoState state;
    if (!storedGraphState(state))
        return true;

    // Building empties the module of the state's name, which may be the one
    // on screen: no item may stay behind on a deleted gate or net, even when
    // the build fails. Undoable items leave the scene first; their commands
    // own them.
    releaseSceneItems();
    m_scene->populate(nullptr);
    m_module = nullptr;
    connectModuleSignals();

    QString errorText;
    Module *module = state.buildModule(errorText);
    m_module = module;
    // The module lives in the registry of the state's data base entry; the
    // stored state may be replaced (and with it the last other handle on
    // that registry) while the module is still on screen.
    m_moduleRegistry = module ? state.graphDataBase.findRegistry(state.myDBKey) : UndoFramework::ModuleRegistry();
    if (!module) {
        showError(errorText);
        return false;
    }
    m_renderingError.clear();

    connect(module, &Module::renderingProgressing, this, &GraphViewer::progressing);
    const bool trace = traceEnabled;
    module->computeLayout(10.0, true, false);
    traceEnabled = trace;
    disconnect(module, &Module::renderingProgressing, this, &GraphViewer::progressing);
    if (!module->layoutError().isEmpty()) {
        // Too large to draw: the module stays in its registry as the layout
        // left it (whole nets, no pass-throughs), the viewer shows none of it.
        m_module = nullptr;
        m_moduleRegistry = UndoFramework::ModuleRegistry();
        showError(module->layoutError());
        return false;
    }

    m_scene->populate(module);
    state.buildStackPath(this);
    state.applyToViewer(this);
    connectModuleSignals();
    emit designChanged();
    return true;
}

void GraphViewer::showError(const QString &errorText)
{
    // The label is where the viewer shows its texts; a viewer made from a
    // state reports before anyone can connect to its signal.
    m_label->setText(errorText);
    m_label->setToolTip(errorText);
    m_label->resize(m_label->QLabel::sizeHint().width(), m_label->height());
    m_renderingError = errorText;
    emit renderingError(errorText);
}

void GraphViewer::progressing()
{
    emit renderingProgressing();
}

// Zoom -----------------------------------------------------------------------

void GraphViewer::setupMatrix()
{
    const double scale = m_slider->value() / 100.0001;
    m_slider->setToolTip(tr("Scalling factor %1").arg(scale, 0, 'g', 2));
    m_view->setTransform(QTransform::fromScale(scale, scale));
    m_view->setTransformationAnchor(QGraphicsView::AnchorViewCenter);
}

void GraphViewer::zoomIn(int level)
{
    m_slider->setValue(m_slider->value() + level);
}

void GraphViewer::zoomOut(int level)
{
    m_slider->setValue(m_slider->value() - level);
}

void GraphViewer::zoomTo(double scale)
{
    const int previous = m_slider->value();
    m_slider->setValue(int(100 * scale));
    // An unchanged (or clamped to the same) value sends no valueChanged.
    if (m_slider->value() == previous)
        setupMatrix();
}

void GraphViewer::centerOn(NetlistItem *item, bool selected, Name subGate, bool clearSelection)
{
    if (!item)
        return;
    m_view->centerOn(item);
    const QRectF visible = m_view->mapToScene(QRect(0, 0, m_view->width() - 1, m_view->height() - 1)).boundingRect();
    const QRectF itemRect = item->sceneBoundingRect();
    if (visible.contains(itemRect)) {
        const double f = qMin(itemRect.height() / visible.height(), itemRect.width() / visible.width());
        if (f < 0.1) {
            zoomTo(qMin(0.1 / f * m_view->transform().m11(), 1.0));
            m_view->centerOn(item);
        }
    } else {
        // The bounding rectangle: a gate's shape may be only its body.
        m_view->fitInView(itemRect, Qt::KeepAspectRatio);
        const double fitted = m_view->transform().m11();
        zoomTo(fitted > 2.0 ? 1.9 : fitted * 0.95);
    }

    if (!selected)
        return;
    if (clearSelection)
        m_scene->clearSelection();
    const GraphItem graphItem = item->graphItem();
    if (!subGate.isNull() && graphItem.kind() == GraphItem::GateItem && graphItem.gate()
        && graphItem.gate()->isCluster()) {
        static_cast<GuiGateElement *>(item)->selectSubGate(subGate);
        return;
    }
    item->setSelected(true);
}

NetlistItem *GraphViewer::search(GuiElementType type, Name name) const
{
    const auto fitsType = [type](int itemType) {
        if (type == GuiAnyItem)
            return itemType >= GuiGateItem && itemType <= GuiOutputPortGateItem;
        if (type == GuiAnyPortGateItem)
            return itemType == GuiInputPortGateItem || itemType == GuiOutputPortGateItem;
        return itemType == type;
    };
    for (QGraphicsItem *candidate : m_view->items()) {
        if (!fitsType(candidate->type()))
            continue;
        // Only gate and net items carry these types.
        auto *item = static_cast<NetlistItem *>(candidate);
        const GraphItem graphItem = item->graphItem();
        if (graphItem.name() == name)
            return item;
        if (type == GuiGateItem && graphItem.gate() && graphItem.gate()->subGateIndexOf(name) != -1)
            return item;
    }
    return nullptr;
}

// Label, hover and menus -----------------------------------------------------

void GraphViewer::setSelectedItem(QString txt)
{
    m_label->setText(txt);
    if (txt == QLatin1String(" "))
        m_label->resize(100, m_label->height());
}

void GraphViewer::hoverEnterEvent(GraphItem graphItem)
{
    switch (graphItem.kind()) {
    case GraphItem::GateItem:
        if (graphItem.gate())
            setSelectedItem(graphItem.gate()->toolTip());
        break;
    case GraphItem::NetItem:
    case GraphItem::NetEndItem: {
        if (!graphItem.net())
            break;
        QString text = QLatin1String("<b>") + graphItem.net()->name.text() + QLatin1String("</b> ");
        if (graphItem.kind() == GraphItem::NetEndItem && graphItem.port())
            text += QLatin1String("(") + QChar(0x21D2) + QLatin1Char(' ') + graphItem.port()->displayName()
                    + QLatin1String(")");
        setSelectedItem(text);
        break;
    }
    case GraphItem::PortItem:
        if (graphItem.port())
            setSelectedItem(graphItem.port()->toolTip());
        break;
    case GraphItem::PortRangeItem: {
        Gate *gate = graphItem.gate();
        if (!gate)
            break;
        const PortRange all = gate->ports.list();
        const int end = qMin(graphItem.rangeEnd(), all.size());
        const int first = qBound(0, graphItem.rangeFirst(), end);
        setSelectedItem(gate->portsDescription(all.cbegin() + first, all.cbegin() + end, -1));
        break;
    }
    default:
        break;
    }
}

void GraphViewer::hoverLeaveEvent()
{
    setSelectedItem(QStringLiteral(" "));
}

void GraphViewer::updateToolTip(GraphItem, QString &)
{
    // The tip stays as the item made it.
}

void GraphViewer::showContextMenu(GraphItem graphItem, QPoint position)
{
    if (triggerTool(ToolBase::ContextMenuRequested, graphItem))
        return;
    const int kind = graphItem.kind();
    if (kind < 0 || kind >= 17)
        return;
    QMenu menu;
    for (GraphItemAction *action : m_actions[kind]) {
        if (action->prepareFor(graphItem))
            menu.addAction(action);
    }
    if (!menu.actions().isEmpty())
        menu.exec(position);
}

void GraphViewer::registerAction(GraphItem::ActionableItem type, GraphItemAction *action)
{
    if (!action || type < 0 || type >= 17)
        return;
    m_actions[type].append(action);
}

void GraphViewer::unregisterAction(GraphItemAction *action)
{
    for (QList<GraphItemAction *> &list : m_actions)
        list.removeAll(action);
}

const QList<GraphItemAction *> &GraphViewer::registeredActions(GraphItem::ActionableItem type) const
{
    static const QList<GraphItemAction *> none;
    return type >= 0 && type < 17 ? m_actions[type] : none;
}

bool GraphItemAction::prepareFor(const GraphItem &)
{
    return true;
}

} // namespace GraphEngine
