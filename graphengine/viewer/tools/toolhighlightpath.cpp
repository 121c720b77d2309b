#include "toolhighlightpath.h"

#include "guihighlightedpathelement.h"

#include "graphengine/model/highlightedpath.h"
#include "graphengine/model/pathsearch.h"
#include "graphengine/viewer/graphviewer.h"
#include "graphengine/viewer/toolconfigurecommand.h"

#include <QColorDialog>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

static void initHighlightPathResources()
{
    Q_INIT_RESOURCE(highlightpath);
}

namespace GraphEngine {

const QString ToolHightLighPath::previousKey = QStringLiteral("HighlightTool::Previous");

namespace {
const char iconPath[] = ":highlightpath.png";
} // namespace

ToolHightLighPath::ToolHightLighPath(QWidget *parent)
    : ToolBase(parent)
{
    static const bool resourcesLoaded = (initHighlightPathResources(), true);
    Q_UNUSED(resourcesLoaded)
    cursorMode = 1;
    m_dialog = new QColorDialog(parent);
    m_dialog->setWindowFlags(Qt::Popup);
    m_dialog->setOption(QColorDialog::DontUseNativeDialog);
    connect(m_dialog, &QColorDialog::colorSelected, this, &ToolHightLighPath::colorSelected);
    setPopupWidget(m_dialog);

    createToolButton(parent);

    const QString key = QStringLiteral("Ctrl+H");
    setText(tr("Highligh Path"));
    setShortcut(QKeySequence(key));
    setShortcutContext(Qt::WidgetShortcut);
    setToolTip(tr("Color a path of the netlist (%1 on selected item)").arg(key));
    setIcon(QIcon(QString::fromLatin1(iconPath)));
    acceptedKinds = 31;
    // Last, as it makes the button checkable.
    setCurrentColor(Qt::red);
}

int ToolHightLighPath::itemType() const
{
    return GuiHighlightedPathItem;
}

QGraphicsItem *ToolHightLighPath::createItem(const GraphItem &item)
{
    auto *element = new GUIHightLighedPathElement;
    element->path->color = currentColor;
    element->path->end = item;
    return element;
}

QGraphicsItem *ToolHightLighPath::editItem(QGraphicsItem *copy, bool, GraphItem &value)
{
    auto *element = dynamic_cast<GUIHightLighedPathElement *>(copy);
    if (!element || !element->path)
        return nullptr;
    HightLighedPath &path = *element->path;
    if (path.end.kind() == GraphItem::Empty || path.end == value)
        return nullptr;
    QList<GatePort *> ports;
    if (!findPath(path.end, value, ports))
        return nullptr;
    extendPath(path, ports);
    path.end = GraphItem(ports.last());
    value = path.end;
    return copy;
}

void ToolHightLighPath::apply(ActionTriggeredBy how, const GraphItem &item)
{
    auto *viewer = qobject_cast<GraphViewer *>(parent());
    if (!viewer)
        return;
    GraphItem previous = viewer->stateMap().value(previousKey).value<GraphItem>();
    if (previous.kind() == GraphItem::Empty)
        previous = item;
    else if (previous == item)
        return;
    GraphItem value = item;
    UndoBaseCommand *command = makeItemCommand(viewer->sceneItemRegistry(), previous, how != Clicked, value);
    if (!command)
        return;
    switch (command->type) {
    case UndoBaseCommand::Update:
        command->setText(tr("Extend path to %1").arg(value.label()));
        break;
    case UndoBaseCommand::Create:
        command->setText(tr("Create path starting at %1").arg(item.label()));
        break;
    case UndoBaseCommand::Delete:
        // No route: the path stays as it was.
        delete command;
        return;
    default:
        break;
    }
    if (how == Clicked) {
        command->after.insert(previousKey, QVariant::fromValue(value));
        command->redoTool = this;
    } else if (how == DoubleClicked || how == ContextMenuRequested) {
        // The path ends here and no tool stays active.
        command->after.insert(previousKey, QVariant::fromValue(GraphItem()));
    }
    viewer->pushCommand(command);
}

void ToolHightLighPath::setCurrentColor(QColor color)
{
    QPixmap pixmap(QString::fromLatin1(iconPath));
    QPainter painter(&pixmap);
    painter.setPen(QPen(QBrush(color, Qt::SolidPattern), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(QBrush(color, Qt::SolidPattern));
    QPainterPath marks;
    marks.addPolygon(QPolygonF(QVector<QPointF>{{10, 3}, {15, 3}, {15, 19}, {12, 19}, {12, 6}}));
    marks.closeSubpath();
    marks.addPolygon(QPolygonF(QVector<QPointF>{{18, 23}, {24, 23}, {24, 16}, {27, 16}, {27, 26}, {19, 26}}));
    marks.closeSubpath();
    marks.addPolygon(QPolygonF(QVector<QPointF>{{31, 9}, {32, 12}}));
    marks.closeSubpath();
    painter.drawPath(marks);
    painter.end();
    setIcon(QIcon(pixmap));
    currentColor = color;
    makeButtonCheckable(); // after the icon's change
}

QColor ToolHightLighPath::getCurrentColor()
{
    return currentColor;
}

void ToolHightLighPath::colorSelected(const QColor &color)
{
    if (auto *viewer = qobject_cast<GraphViewer *>(parent()))
        viewer->pushCommand(new ToolConfigureCommand<QColor>(this, QStringLiteral("CurrentColor"), color));
    // Activating an active tool would switch it off.
    if (!isActive())
        emit triggered(false);
}

} // namespace GraphEngine
