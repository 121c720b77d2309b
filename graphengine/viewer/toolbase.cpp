#include "toolbase.h"

#include "graphviewer.h"
#include "undobasecommand.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

namespace GraphEngine {

ToolBase::ToolBase(QObject *parent)
    : QWidgetAction(parent)
{
    connect(this, &QAction::triggered, this, &ToolBase::handleShortcut);
}

ToolBase::~ToolBase()
{
    delete menu();
    delete toolWidget;
}

bool ToolBase::matchesShortcut(Qt::Key key, Qt::KeyboardModifiers modifiers) const
{
    return QKeySequence(int(key) + int(modifiers)) == shortcut();
}

QCursor ToolBase::cursor() const
{
    const QPixmap iconPixmap = icon().pixmap(QSize(32, 32), QIcon::Normal, QIcon::Off);
    QPixmap pixmap(iconPixmap.width() + 5, iconPixmap.height() + 5);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.drawPixmap(5, 5, iconPixmap);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(QApplication::palette().brush(QPalette::ToolTipBase));
    QPainterPath arrow;
    arrow.moveTo(0, 0);
    arrow.lineTo(5, 0);
    arrow.lineTo(2, 1);
    arrow.lineTo(5, 4);
    arrow.lineTo(4, 5);
    arrow.lineTo(1, 2);
    arrow.lineTo(0, 5);
    arrow.closeSubpath();
    painter.drawPath(arrow);
    painter.end();
    return QCursor(pixmap, 0, 0);
}

QGraphicsItem *ToolBase::createItem(const GraphItem &)
{
    return nullptr;
}

QGraphicsItem *ToolBase::editItem(QGraphicsItem *copy, bool, GraphItem &)
{
    return copy;
}

void ToolBase::apply(ActionTriggeredBy, const GraphItem &)
{
}

void ToolBase::createToolButton(QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setDefaultAction(this);
    toolWidget = button;
}

void ToolBase::makeButtonCheckable()
{
    if (auto *button = qobject_cast<QToolButton *>(toolWidget))
        button->setCheckable(true);
}

bool ToolBase::acceptsViewer(bool hasGraphState) const
{
    return !hasGraphState;
}

GraphViewer *ToolBase::parentViewer() const
{
    for (QObject *ancestor = parent(); ancestor; ancestor = ancestor->parent()) {
        if (auto *viewer = qobject_cast<GraphViewer *>(ancestor))
            return viewer;
    }
    return nullptr;
}

void ToolBase::handleShortcut()
{
    if (GraphViewer *viewer = parentViewer())
        viewer->userActivateTool(this);
}

bool ToolBase::isActive() const
{
    auto *viewer = qobject_cast<GraphViewer *>(parent());
    return viewer && viewer->getActiveTool() == this;
}

void ToolBase::setPopupWidget(QWidget *widget)
{
    auto *popup = new QMenu;
    auto *holder = new QWidgetAction(popup);
    holder->setDefaultWidget(widget);
    popup->addAction(holder);
    connect(popup, &QMenu::aboutToShow, widget, &QWidget::show);
    // A dialog closes its drop-down when it is done.
    if (widget->metaObject()->indexOfSignal("finished(int)") != -1)
        connect(widget, SIGNAL(finished(int)), popup, SLOT(hide()));
    delete menu();
    setMenu(popup);
}

UndoBaseCommand *ToolBase::makeItemCommand(const SceneItemRegistry &registry, const GraphItem &item, bool disable,
                                           GraphItem &value)
{
    for (auto it = registry.constFind(item); it != registry.constEnd() && it.key() == item; ++it) {
        auto *existing = dynamic_cast<QGraphicsUndoItem *>(it.value());
        if (!existing || existing->type() != itemType())
            continue;
        QGraphicsUndoItem *copy = existing->clone();
        QGraphicsItem *edited = editItem(copy, disable, value);
        if (!edited) {
            delete copy;
            return new UndoBaseCommand(UndoBaseCommand::Delete, existing);
        }
        if (auto *editedItem = dynamic_cast<QGraphicsUndoItem *>(edited))
            editedItem->graphItem = value;
        if (edited != copy)
            delete copy;
        return new UndoBaseCommand(UndoBaseCommand::Update, existing, edited);
    }
    if (!disable) {
        QGraphicsItem *made = createItem(item);
        if (!made)
            return new UndoBaseCommand(UndoBaseCommand::DeactivateTool);
        if (auto *madeItem = dynamic_cast<QGraphicsUndoItem *>(made))
            madeItem->graphItem = value;
        return new UndoBaseCommand(UndoBaseCommand::Create, made);
    }
    auto *command = new UndoBaseCommand(UndoBaseCommand::DeactivateTool);
    command->setText(tr("Disable Tool '%1'").arg(text()));
    return command;
}

} // namespace GraphEngine
