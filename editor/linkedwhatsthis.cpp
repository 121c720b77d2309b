#include "linkedwhatsthis.h"

#include "graphengine/logging.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTextDocument>
#include <QWhatsThisClickedEvent>

namespace KorvanDebugger {
namespace Configuration {

QPointer<LinkedWhatsThat> LinkedWhatsThat::current;
int LinkedWhatsThat::shadow = 0;

// ---- LinkedWhatsThat -------------------------------------------------------

LinkedWhatsThat::LinkedWhatsThat(const QString &text, QWidget *parent, QWidget *origin)
    : QWidget(parent, Qt::Popup)
    , m_origin(origin)
    , m_text(text)
{
    if (current) {
        // A popup that is handing a link click on to its origin is still
        // on the stack: it goes only once the click has returned.
        if (current->m_dispatching)
            current->retire();
        else
            delete current.data();
    }
    current = this;

    setAttribute(Qt::WA_DeleteOnClose, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    if (parent)
        setPalette(parent->palette());
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    ensurePolished();

    QRect content;
    if (Qt::mightBeRichText(m_text)) {
        m_document = new QTextDocument;
        m_document->setUndoRedoEnabled(false);
        m_document->setDefaultFont(QApplication::font(this));
        m_document->setHtml(m_text);
        m_document->setUndoRedoEnabled(false);
        m_document->adjustSize();
        const QSizeF size = m_document->size();
        content = QRect(0, 0, qRound(size.width()), qRound(size.height()));
    } else {
        int sw = QGuiApplication::primaryScreen()->virtualGeometry().width() / 3;
        sw = qBound(200, sw, 300);
        content = QFontMetrics(font()).boundingRect(
            QRect(0, 0, sw, 1000), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs,
            m_text);
    }
    shadow = 6;
    resize(content.width() + 2 * horizontalMargin + shadow, content.height() + 2 * verticalMargin + shadow);
}

LinkedWhatsThat::~LinkedWhatsThat()
{
    if (current == this)
        current = nullptr;
    delete m_document;
    GraphEngine::logWarning(QStringLiteral("   delete LinkedWhatsThat"));
}

void LinkedWhatsThat::retire()
{
    m_retired = true;
    if (current == this)
        current = nullptr;
    hide();
    // Leaving the origin now tells it at once that its popup is gone, as a
    // deletion would.
    setParent(nullptr, windowFlags());
    deleteLater();
}

void LinkedWhatsThat::showText(const QPoint &globalPos, const QString &text, QWidget *widget)
{
    LinkedWhatsThisPrivate::leaveWhatsThisMode();
    if (text.isEmpty())
        return;

    auto popup = new LinkedWhatsThat(text, widget, widget);
    QScreen *screen = widget ? widget->screen() : QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect s = screen->geometry();
    const int w = popup->width();
    const int h = popup->height();
    const QPoint p = widget ? widget->mapToGlobal(QPoint(0, 0)) : QPoint();
    const int ww = widget ? widget->width() : 0;
    const int wh = widget ? widget->height() : 0;
    const int right = s.x() + s.width();
    const int bottom = s.y() + s.height();

    int x;
    if (widget && w > ww + 16)
        x = p.x() + ww / 2 - w / 2;
    else
        x = globalPos.x() - w / 2;
    if (x + w + shadow > right)
        x = (widget ? qMin(right, p.x() + ww) : right) - w;
    x = qMax(x, s.x());

    int y = globalPos.y();
    if (widget && h > wh + 16) {
        y = p.y() + wh + 2; // below the widget
        if (y + h + 10 > bottom)
            y = p.y() + 2 - shadow - h; // above it
    }
    y = y + 2;
    if (y + h + shadow > bottom)
        y = (widget ? qMin(bottom, p.y() + wh) : bottom) - h;
    y = qMax(y, s.y());

    popup->move(x, y);
    popup->show();
    popup->grabKeyboard();
}

void LinkedWhatsThat::hideText()
{
    if (!current)
        return;
    if (current->m_dispatching)
        current->retire();
    else
        delete current.data();
}

QString LinkedWhatsThat::anchorAt(const QPoint &position) const
{
    if (!m_document)
        return QString();
    return m_document->documentLayout()->anchorAt(position - QPoint(horizontalMargin, verticalMargin));
}

void LinkedWhatsThat::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    if (event->button() == Qt::LeftButton && rect().contains(event->pos())) {
        if (m_document)
            m_anchor = anchorAt(event->pos());
        return;
    }
    close();
}

void LinkedWhatsThat::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressed)
        return;
    if (m_origin && event->button() == Qt::LeftButton && m_document && rect().contains(event->pos())) {
        const QString under = anchorAt(event->pos());
        const QString href = under == m_anchor ? under : QString();
        m_anchor.clear();
        if (!href.isEmpty()) {
            QWhatsThisClickedEvent clicked(href);
            const QPointer<LinkedWhatsThat> self(this);
            m_dispatching = true;
            const bool handled = QCoreApplication::sendEvent(m_origin.data(), &clicked);
            if (!self)
                return;
            m_dispatching = false;
            if (m_retired || handled)
                return;
        }
    }
    close();
}

void LinkedWhatsThat::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_document)
        return;
    setCursor(anchorAt(event->pos()).isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
}

void LinkedWhatsThat::keyPressEvent(QKeyEvent *)
{
    close();
}

void LinkedWhatsThat::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette colours = palette();
    const int w = width();
    const int h = height();

    painter.drawPixmap(0, 0, m_background);
    painter.setPen(QPen(colours.brush(QPalette::ToolTipText), 0));
    painter.setBrush(colours.brush(QPalette::ToolTipBase));
    painter.drawRect(QRect(QPoint(0, 0), QPoint(w - 2, h - 2)));
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawRect(1, 1, w - 3, h - 3);

    const QRect textArea(QPoint(horizontalMargin, verticalMargin),
                         QPoint(w - horizontalMargin - 1, h - verticalMargin - 1));
    painter.setPen(colours.color(QPalette::ToolTipText));
    if (m_document) {
        painter.translate(horizontalMargin, verticalMargin);
        const QRect clip(QPoint(0, 0), textArea.size());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setBrush(QPalette::Text, colours.brush(QPalette::ToolTipText));
        m_document->documentLayout()->draw(&painter, context);
    } else {
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs, m_text);
    }
}

void LinkedWhatsThat::showEvent(QShowEvent *)
{
    // No shadow is drawn: the popup paints over what the screen showed.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        m_background = screen->grabWindow(0, x(), y(), width(), height());
}

// ---- LinkedWhatsThisAction -------------------------------------------------

namespace {

// A black arrow pointing up-left beside a navy question mark.
const char *const whatsThisIcon[] = {
    "16 16 3 1",
    "  c None",
    "o c #000000",
    "a c #000080",
    "o         aaaaa ",
    "oo       aaa aaa",
    "ooo     aaa   aa",
    "oooo    aa    aa",
    "ooooo        aaa",
    "oooooo      aaa ",
    "ooooooo    aaa  ",
    "oooooooo   aa   ",
    "ooooo      aa   ",
    "oo ooo     aa   ",
    "o  ooo          ",
    "    ooo    aa   ",
    "    ooo    aa   ",
    "     ooo        ",
    "     ooo        ",
    "                ",
};

} // namespace

LinkedWhatsThisAction::LinkedWhatsThisAction(QObject *parent)
    : QAction(tr("What's This?"), parent)
{
    setIcon(QIcon(QPixmap(whatsThisIcon)));
    setCheckable(true);
    setShortcut(QKeySequence(Qt::SHIFT + Qt::Key_F1));
    connect(this, &QAction::triggered, this, &LinkedWhatsThisAction::actionTriggered);
}

LinkedWhatsThisAction *LinkedWhatsThisAction::createAction(QObject *parent)
{
    return new LinkedWhatsThisAction(parent);
}

void LinkedWhatsThisAction::actionTriggered()
{
    if (!isChecked())
        return;
    LinkedWhatsThisPrivate::enterWhatsThisMode();
    LinkedWhatsThisPrivate::setModeAction(this);
}

// ---- LinkedWhatsThisPrivate ------------------------------------------------

LinkedWhatsThisPrivate *LinkedWhatsThisPrivate::instance = nullptr;

namespace {

// Asks the widget whether it has What's This help at a point.
bool hasWhatsThis(QWidget *widget, const QPoint &position, const QPoint &globalPosition)
{
    QHelpEvent query(QEvent::QueryWhatsThis, position, globalPosition);
    return QCoreApplication::sendEvent(widget, &query) && query.isAccepted();
}

void sendToTopLevels(QEvent::Type type)
{
    QEvent event(type);
    for (QWidget *widget : QApplication::topLevelWidgets())
        QCoreApplication::sendEvent(widget, &event);
}

} // namespace

LinkedWhatsThisPrivate::LinkedWhatsThisPrivate()
{
    instance = this;
    qApp->installEventFilter(this);
    const QPoint position = QCursor::pos();
    Qt::CursorShape shape = Qt::WhatsThisCursor;
    if (QWidget *under = QApplication::widgetAt(position)) {
        if (!hasWhatsThis(under, under->mapFromGlobal(position), position))
            shape = Qt::ForbiddenCursor;
    }
    QApplication::setOverrideCursor(shape);
    QAccessibleEvent event(this, QAccessible::ContextHelpStart);
    QAccessible::updateAccessibility(&event);
}

LinkedWhatsThisPrivate::~LinkedWhatsThisPrivate()
{
    if (m_action)
        m_action->setChecked(false);
    QApplication::restoreOverrideCursor();
    QAccessibleEvent event(this, QAccessible::ContextHelpEnd);
    QAccessible::updateAccessibility(&event);
    instance = nullptr;
}

void LinkedWhatsThisPrivate::enterWhatsThisMode()
{
    if (instance)
        return;
    new LinkedWhatsThisPrivate;
    sendToTopLevels(QEvent::EnterWhatsThisMode);
}

void LinkedWhatsThisPrivate::leaveWhatsThisMode()
{
    delete instance;
    sendToTopLevels(QEvent::LeaveWhatsThisMode);
}

bool LinkedWhatsThisPrivate::inWhatsThisMode()
{
    return instance != nullptr;
}

void LinkedWhatsThisPrivate::setModeAction(QAction *action)
{
    if (instance)
        instance->m_action = action;
}

bool LinkedWhatsThisPrivate::eventFilter(QObject *object, QEvent *event)
{
    if (!object->isWidgetType())
        return false;
    auto widget = static_cast<QWidget *>(object);
    const bool custom = widget->testAttribute(Qt::WA_CustomWhatsThis);
    bool pass = custom;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        pass = pass || static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
        break;
    default:
        break;
    }

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        if (pass)
            return false;
        auto mouse = static_cast<QMouseEvent *>(event);
        QHelpEvent help(QEvent::WhatsThis, mouse->pos(), mouse->globalPos());
        if (!QCoreApplication::sendEvent(widget, &help) || !help.isAccepted())
            m_leaveOnMouseRelease = true;
        return true;
    }
    case QEvent::MouseMove: {
        auto mouse = static_cast<QMouseEvent *>(event);
        QApplication::changeOverrideCursor(hasWhatsThis(widget, mouse->pos(), mouse->globalPos())
                                               ? Qt::WhatsThisCursor
                                               : Qt::ForbiddenCursor);
        return !pass;
    }
    case QEvent::MouseButtonRelease:
        if (m_leaveOnMouseRelease)
            leaveWhatsThisMode(); // deletes this filter
        return !pass;
    case QEvent::MouseButtonDblClick:
        return !pass;
    case QEvent::KeyPress: {
        auto key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            leaveWhatsThisMode();
            return true;
        }
        if (custom)
            return false;
        if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier))
            return false;
        switch (key->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
            return true;
        default:
            leaveWhatsThisMode();
            return true;
        }
    }
    default:
        return false;
    }
}

} // namespace Configuration
} // namespace KorvanDebugger
