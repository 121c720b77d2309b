#include "tooladdcommentpin.h"

#include "guipinelement.h"

#include "graphengine/model/pin.h"
#include "graphengine/scene/guielementtype.h"
#include "graphengine/viewer/graphviewer.h"
#include "graphengine/viewer/undobasecommand.h"

#include <dialogs/dialogs.h>

#include <QCoreApplication>
#include <QInputDialog>

namespace GraphEngine {

namespace {

// The red pin of the button and the cursor.
Pin templatePin()
{
    Pin pin(static_cast<const Gate *>(nullptr));
    pin.x = 0;
    pin.y = 0;
    pin.color = Qt::red;
    pin.size = 2;
    pin.labelInside = false;
    pin.headLeft = 1;
    return pin;
}

} // namespace

ToolAddCommentPin::ToolAddCommentPin(QWidget *parent)
    : ToolBase(parent)
{
    createToolButton(parent);
    cursorMode = 2;

    setIcon(QIcon(templatePin().renderPixmap()));
    const QString key = ToolBase::tr("Ctrl+P");
    setText(ToolBase::tr("Add Comment"));
    setShortcut(QKeySequence(key));
    setShortcutContext(Qt::WidgetShortcut);
    setToolTip(ToolBase::tr("Associate a \"free\" comment with any of the graph element (%1 on selected item)")
                   .arg(key));
    acceptedKinds = GraphItem::GateItem | GraphItem::NetItem | GraphItem::NetEndItem | GraphItem::PortItem;
    makeButtonCheckable();
}

QCursor ToolAddCommentPin::cursor() const
{
    const Pin pin = templatePin();
    const QPixmap pixmap = pin.renderPixmap();
    // The needle tip lies a fraction below the figure's last full pixel row;
    // a hot spot must lie within the pixmap.
    const QPointF hot = pin.hotSpot();
    return QCursor(pixmap, qMin(int(hot.x()), pixmap.width() - 1), qMin(int(hot.y()), pixmap.height() - 1));
}

int ToolAddCommentPin::itemType() const
{
    return GuiCommentPinItem;
}

QGraphicsItem *ToolAddCommentPin::createItem(const GraphItem &item)
{
    QString text;
    if (!askComment(text))
        return nullptr;
    switch (item.kind()) {
    case GraphItem::GateItem:
        return new GuiPinElement(text, item.gate());
    case GraphItem::NetItem:
        return new GuiPinElement(text, item.net(), nullptr);
    case GraphItem::NetEndItem:
        return new GuiPinElement(text, item.net(), item.port());
    case GraphItem::PortItem:
        return new GuiPinElement(text, item.port());
    default:
        return nullptr;
    }
}

QGraphicsItem *ToolAddCommentPin::editItem(QGraphicsItem *copy, bool, GraphItem &)
{
    auto *element = dynamic_cast<GuiPinElement *>(copy);
    if (!element || !element->pin)
        return nullptr;
    QString text = element->pin->plainText();
    if (!askComment(text))
        return nullptr;
    element->setText(text);
    return element;
}

UndoBaseCommand *ToolAddCommentPin::pinCommand(const GraphItem &item)
{
    auto *viewer = qobject_cast<GraphViewer *>(parent());
    if (!viewer)
        return nullptr;
    GraphItem value = item;
    UndoBaseCommand *command = makeItemCommand(viewer->sceneItemRegistry(), item, false, value);
    if (command)
        command->setText(ToolBase::tr("%1 pin for %2").arg(command->typeName(), item.label()));
    return command;
}

void ToolAddCommentPin::apply(ActionTriggeredBy how, const GraphItem &item)
{
    if (how != Clicked)
        return;
    auto *viewer = qobject_cast<GraphViewer *>(parent());
    if (!viewer)
        return;
    viewer->pushCommand(pinCommand(item));
}

bool ToolAddCommentPin::askComment(QString &text)
{
    QInputDialog dialog;
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setOption(QInputDialog::UsePlainTextEditForTextInput);
    dialog.setWindowTitle(QCoreApplication::translate("QObject", "Enter Element comment"));
    dialog.setLabelText(QCoreApplication::translate("QObject", "comment:"));
    dialog.setTextValue(text);
    if (Host::execDialog(&dialog) != QDialog::Accepted)
        return false;
    const QString answer = dialog.textValue();
    if (answer.isEmpty())
        return false;
    text = answer;
    return true;
}

} // namespace GraphEngine
