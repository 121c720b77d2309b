// Linked What's This help: the link states of a help-carrying widget (click,
// popup, tool tip, restore), the popup's size and its place on the screen,
// its mouse and key handling, and the What's This mode with its action.

#include "editor/linkedwhatsthis.h"
#include "editor/objectwithlink.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QPointer>
#include <QScreen>
#include <QTextDocument>
#include <QToolTip>
#include <QWhatsThis>
#include <QWhatsThisClickedEvent>
#include <QtTest>

using namespace KorvanDebugger::Configuration;

namespace {

QList<LinkedWhatsThat *> popupsOf(QWidget *widget)
{
    return widget->findChildren<LinkedWhatsThat *>(QString(), Qt::FindDirectChildrenOnly);
}

bool click(QWidget *widget, const QString &href)
{
    QWhatsThisClickedEvent event(href);
    return QApplication::sendEvent(widget, &event);
}

// Lets the deferred deletions of closed popups run.
void flushDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QWidget *standardWhatsThisPopup()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (QByteArray(w->metaObject()->className()) == "QWhatsThat" && w->isVisible())
            return w;
    }
    return nullptr;
}

// A top-level window at a fixed place holding one labelled help carrier.
struct Placed
{
    QWidget window;
    ObjectWithLink<QLabel> *label;

    explicit Placed(const QRect &labelGeometry)
    {
        window.setGeometry(QGuiApplication::primaryScreen()->geometry());
        window.setWindowFlags(Qt::FramelessWindowHint);
        label = new ObjectWithLink<QLabel>(QStringLiteral("x"), &window);
        label->setGeometry(labelGeometry);
        window.show();
    }
};

// Where a popup moved to a point really appears: the offscreen platform
// puts a frame margin around windows that do not ask to be frameless.
QPoint measurePlatformShift()
{
    QWidget probe(nullptr, Qt::Popup);
    probe.resize(10, 10);
    probe.move(100, 100);
    probe.show();
    return probe.pos() - QPoint(100, 100);
}

QPoint platformShift;

// Where showText placed a popup.
QPoint placedAt(const QWidget *popup)
{
    return popup->pos() - platformShift;
}

// The popup a help text gets at a point, or near a widget.
LinkedWhatsThat *openPopup(const QPoint &at, const QString &text, QWidget *widget)
{
    LinkedWhatsThat::showText(at, text, widget);
    const auto popups = widget ? popupsOf(widget) : QList<LinkedWhatsThat *>();
    return popups.isEmpty() ? nullptr : popups.last();
}

} // namespace

class tst_LinkedHelp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { platformShift = measurePlatformShift(); }
    void init();
    void cleanup();

    void linkStates();
    void missingLinkAndForeignEvents();
    void clickInPopupThatGetsReplaced();
    void handledClickKeepsPopupOpen();
    void popupSize();
    void placementNearWidget();
    void placementAgainstScreenEdges();
    void popupMouseAndKeys();
    void modeAction();
    void modeMouse();
};

void tst_LinkedHelp::init()
{
    ObjectWithLink<QLabel>::links[QStringLiteral("ARRAY")]
        = QStringLiteral("<b>Arrays</b> hold cells; see the <a href='KEY'>key</a>.");
    ObjectWithLink<QLabel>::links[QStringLiteral("KEY")] = QStringLiteral("The key of a cell");
}

void tst_LinkedHelp::cleanup()
{
    LinkedWhatsThat::hideText();
    QWhatsThis::hideText();
    LinkedWhatsThisPrivate::leaveWhatsThisMode();
    QToolTip::hideText();
    flushDeletions();
}

void tst_LinkedHelp::linkStates()
{
    ObjectWithLink<QLabel> label(QStringLiteral("Dimension"));
    label.setWhatsThis(QStringLiteral("The <a href='ARRAY'>array</a> dimension."));
    label.show();

    // The widget's own help is asked for at some place: it is remembered
    // for the restore and shown by the label itself.
    QHelpEvent help(QEvent::WhatsThis, QPoint(3, 4), label.mapToGlobal(QPoint(3, 4)));
    QApplication::sendEvent(&label, &help);
    QTRY_VERIFY(standardWhatsThisPopup());

    // A link in that help: the linked text in a popup of the widget.
    QVERIFY(click(&label, QStringLiteral("ARRAY")));
    QCOMPARE(label.linkState(), 1);
    QCOMPARE(popupsOf(&label).size(), 1);
    QPointer<LinkedWhatsThat> first = popupsOf(&label).first();
    QCOMPARE(first->text(), ObjectWithLink<QLabel>::links.value("ARRAY"));
    QCOMPARE(first->origin(), &label);
    QVERIFY(first->isVisible());

    // A link in the popup: its text as a tool tip; the popup stays.
    QVERIFY(click(&label, QStringLiteral("KEY")));
    QCOMPARE(label.linkState(), 2);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("The key of a cell"));
    QVERIFY(first && first->isVisible());
    QCOMPARE(popupsOf(&label).size(), 1);

    // The popup goes: the widget's help and the first linked text return.
    QToolTip::hideText();
    first->close();
    flushDeletions();
    QVERIFY(!first);
    QCOMPARE(label.linkState(), 3);
    QCOMPARE(popupsOf(&label).size(), 1);
    QPointer<LinkedWhatsThat> restored = popupsOf(&label).first();
    QCOMPARE(restored->text(), ObjectWithLink<QLabel>::links.value("ARRAY"));
    QVERIFY(standardWhatsThisPopup());

    // Further clicks are consumed and show nothing.
    QVERIFY(click(&label, QStringLiteral("KEY")));
    QCOMPARE(label.linkState(), 4);
    QCOMPARE(popupsOf(&label).size(), 1);
    QVERIFY(restored && restored->isVisible());
    QVERIFY(click(&label, QStringLiteral("KEY")));
    QCOMPARE(label.linkState(), 5);

    // A removal in state 3 leads back to 1, in state 1 to 0.
    ObjectWithLink<QLabel> other;
    other.show();
    QVERIFY(click(&other, QStringLiteral("ARRAY")));
    QCOMPARE(other.linkState(), 1);
    // Only one linked popup exists at a time: the label's went.
    QVERIFY(!restored);
    popupsOf(&other).first()->close();
    flushDeletions();
    QCOMPARE(other.linkState(), 0);
}

void tst_LinkedHelp::missingLinkAndForeignEvents()
{
    ObjectWithLink<QToolButton> button;
    button.show();
    QVERIFY(!ObjectWithLink<QToolButton>::links.contains("NOSUCH"));
    // An unknown link opens nothing but is consumed and entered empty.
    QVERIFY(click(&button, QStringLiteral("NOSUCH")));
    QVERIFY(ObjectWithLink<QToolButton>::links.contains("NOSUCH"));
    QVERIFY(ObjectWithLink<QToolButton>::links.value("NOSUCH").isEmpty());
    QVERIFY(popupsOf(&button).isEmpty());
    QCOMPARE(button.linkState(), 1);
    // The tables are per type.
    QVERIFY(!ObjectWithLink<QLabel>::links.contains("NOSUCH"));

    // An event of the click type that carries no link is the widget's own.
    ObjectWithLink<QTabBar> tabs;
    QEvent bare(QEvent::WhatsThisClicked);
    QApplication::sendEvent(&tabs, &bare);
    QCOMPARE(tabs.linkState(), 0);
    // A removed child in state 0 changes nothing.
    delete new QObject(&tabs);
    QCOMPARE(tabs.linkState(), 0);
}

void tst_LinkedHelp::clickInPopupThatGetsReplaced()
{
    // A popup whose origin starts over (state 0) hands a link click on; the
    // origin opens the next popup while the first is still in its release
    // handler.
    ObjectWithLink<QLabel> label(QStringLiteral("row"));
    label.show();
    QPointer<LinkedWhatsThat> sender
        = new LinkedWhatsThat(QStringLiteral("<a href='ARRAY'>WWWWWWWWWWWW</a>"), &label, &label);
    sender->show();
    const QPoint onLink(LinkedWhatsThat::horizontalMargin + 4, LinkedWhatsThat::verticalMargin + 4);
    QTest::mousePress(sender.data(), Qt::LeftButton, {}, onLink);
    QTest::mouseRelease(sender.data(), Qt::LeftButton, {}, onLink);

    // The sender survived its own handler, off screen and detached from the
    // label; the label shows the new popup only.
    QVERIFY(sender);
    QVERIFY(sender->isHidden());
    QCOMPARE(popupsOf(&label).size(), 1);
    QVERIFY(popupsOf(&label).first() != sender);
    QCOMPARE(popupsOf(&label).first()->text(), ObjectWithLink<QLabel>::links.value("ARRAY"));
    QCOMPARE(label.linkState(), 1);
    flushDeletions();
    QVERIFY(!sender);
    QCOMPARE(label.linkState(), 1);
}

void tst_LinkedHelp::handledClickKeepsPopupOpen()
{
    ObjectWithLink<QLabel>::links[QStringLiteral("LEAD")] = QStringLiteral("<a href='KEY'>WWWWWWWWWW</a> and more");
    ObjectWithLink<QLabel> label(QStringLiteral("row"));
    label.show();
    QVERIFY(click(&label, QStringLiteral("LEAD")));
    QPointer<LinkedWhatsThat> popup = popupsOf(&label).value(0);
    QVERIFY(popup);

    // The user follows the link inside the popup: its text as a tool tip,
    // and the popup that sent the click stays.
    const QPoint onLink(LinkedWhatsThat::horizontalMargin + 4, LinkedWhatsThat::verticalMargin + 4);
    QTest::mousePress(popup.data(), Qt::LeftButton, {}, onLink);
    QTest::mouseRelease(popup.data(), Qt::LeftButton, {}, onLink);
    QCOMPARE(label.linkState(), 2);
    QCOMPARE(QToolTip::text(), QStringLiteral("The key of a cell"));
    QVERIFY(popup && popup->isVisible());

    // Press on one place and release on another: no click, the popup closes.
    QTest::mousePress(popup.data(), Qt::LeftButton, {}, onLink);
    QTest::mouseRelease(popup.data(), Qt::LeftButton, {}, QPoint(popup->width() - 10, popup->height() - 10));
    QCOMPARE(label.linkState(), 2);
    flushDeletions();
    QVERIFY(!popup);
}

void tst_LinkedHelp::popupSize()
{
    ObjectWithLink<QLabel> label;
    const int third = QGuiApplication::primaryScreen()->virtualGeometry().width() / 3;
    const int wrap = qBound(200, third, 300);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

    // One short plain line: 30 wider and 22 higher than its text. (Each
    // new popup replaces the last one, so each is measured at once.)
    auto shortText = new LinkedWhatsThat(QStringLiteral("Short help"), &label, &label);
    const QRect bounds = QFontMetrics(shortText->font()).boundingRect(QRect(0, 0, wrap, 1000), flags, "Short help");
    QCOMPARE(shortText->size(), bounds.size() + QSize(30, 22));
    QCOMPARE(LinkedWhatsThat::shadowWidth(), 6);

    // Long plain text wraps at a third of the desktop, within 200..300.
    const QString words = QStringLiteral("word ").repeated(200);
    QPointer<LinkedWhatsThat> longText = new LinkedWhatsThat(words, &label, &label);
    QVERIFY(!popupsOf(&label).contains(shortText));
    QVERIFY(longText->width() <= wrap + 30);
    QVERIFY(longText->width() > wrap + 30 - 60);
    QVERIFY(longText->height() > 5 * QFontMetrics(longText->font()).height());

    // Rich text is laid out by a document.
    const QString html = QStringLiteral("<b>Bold</b> help<br>second line");
    auto rich = new LinkedWhatsThat(html, &label, &label);
    QVERIFY(!longText);
    QTextDocument document;
    document.setDefaultFont(QApplication::font(rich));
    document.setHtml(html);
    document.adjustSize();
    QCOMPARE(rich->size(), QSize(qRound(document.size().width()), qRound(document.size().height())) + QSize(30, 22));
}

void tst_LinkedHelp::placementNearWidget()
{
    const QString text = QStringLiteral("A help text that is wider and taller than the label\nwith\nlines");
    {
        // Wider and taller than the widget: centred on it, its top 4 below
        // the widget's bottom edge.
        Placed placed(QRect(300, 100, 20, 10));
        LinkedWhatsThat *popup = openPopup(QPoint(5, 5), text, placed.label);
        QVERIFY(popup);
        const QRect widget(placed.label->mapToGlobal(QPoint(0, 0)), placed.label->size());
        QCOMPARE(placedAt(popup).x(), widget.x() + widget.width() / 2 - popup->width() / 2);
        QCOMPARE(placedAt(popup).y(), widget.y() + widget.height() + 4);
        QVERIFY(popup->isVisible());
    }
    {
        // Not wider than the widget plus 16: centred on the point instead;
        // not taller: 2 below the point.
        Placed placed(QRect(100, 100, 600, 300));
        LinkedWhatsThat *popup = openPopup(QPoint(400, 200), QStringLiteral("tip"), placed.label);
        QCOMPARE(placedAt(popup).x(), 400 - popup->width() / 2);
        QCOMPARE(placedAt(popup).y(), 202);
    }
    {
        // Near the screen's bottom edge: above the widget.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        Placed placed(QRect(300, screen.height() - 30, 20, 10));
        LinkedWhatsThat *popup = openPopup(QPoint(5, 5), text, placed.label);
        const QPoint corner = placed.label->mapToGlobal(QPoint(0, 0));
        QCOMPARE(placedAt(popup).y(), corner.y() + 2 - 6 - popup->height() + 2);
        QVERIFY(placedAt(popup).y() + popup->height() < corner.y());
    }
}

void tst_LinkedHelp::placementAgainstScreenEdges()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QString text = QStringLiteral("A help text that is wider than the label");
    {
        // Passing the right edge: the popup ends at the widget's right edge
        // when that comes first.
        Placed placed(QRect(screen.width() - 40, 100, 20, 10));
        LinkedWhatsThat *popup = openPopup(QPoint(5, 5), text, placed.label);
        const QPoint corner = placed.label->mapToGlobal(QPoint(0, 0));
        QCOMPARE(placedAt(popup).x() + popup->width(), corner.x() + 20);
    }
    {
        // A widget reaching past the screen: the popup ends at the screen's
        // right edge.
        Placed placed(QRect(screen.width() - 10, 100, 20, 10));
        LinkedWhatsThat *popup = openPopup(QPoint(5, 5), text, placed.label);
        QCOMPARE(placedAt(popup).x() + popup->width(), screen.x() + screen.width());
    }
    {
        // Never left of the screen.
        Placed placed(QRect(0, 100, 4, 10));
        LinkedWhatsThat *popup = openPopup(QPoint(5, 5), QStringLiteral("word ").repeated(40), placed.label);
        QCOMPARE(placedAt(popup).x(), screen.x());
    }
    {
        // Without a widget: against the screen's corner at the bottom right.
        LinkedWhatsThat::showText(QPoint(screen.width() - 3, screen.height() - 3), QStringLiteral("plain"), nullptr);
        QWidget *popup = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<LinkedWhatsThat *>(w) && w->isVisible())
                popup = w;
        }
        QVERIFY(popup);
        QCOMPARE(placedAt(popup).x() + popup->width(), screen.width());
        QCOMPARE(placedAt(popup).y() + popup->height(), screen.height());
    }
}

void tst_LinkedHelp::popupMouseAndKeys()
{
    ObjectWithLink<QLabel> label;
    label.show();
    {
        // A right-button press closes the popup.
        QPointer<LinkedWhatsThat> popup = openPopup(QPoint(10, 10), QStringLiteral("<i>help</i>"), &label);
        QTest::mousePress(popup.data(), Qt::RightButton, {}, QPoint(15, 10));
        flushDeletions();
        QVERIFY(!popup);
    }
    {
        // A release without a press on the popup does nothing; a release on
        // no link closes it.
        QPointer<LinkedWhatsThat> popup = openPopup(QPoint(10, 10), QStringLiteral("<i>help</i>"), &label);
        QTest::mouseRelease(popup.data(), Qt::LeftButton, {}, QPoint(15, 10));
        flushDeletions();
        QVERIFY(popup);
        QTest::mousePress(popup.data(), Qt::LeftButton, {}, QPoint(15, 10));
        flushDeletions();
        QVERIFY(popup);
        QTest::mouseRelease(popup.data(), Qt::LeftButton, {}, QPoint(15, 10));
        flushDeletions();
        QVERIFY(!popup);
    }
    {
        // Any key closes it.
        QPointer<LinkedWhatsThat> popup = openPopup(QPoint(10, 10), QStringLiteral("plain help"), &label);
        QTest::keyClick(popup.data(), Qt::Key_A);
        flushDeletions();
        QVERIFY(!popup);
    }
    {
        // A click on a link whose origin is gone is sent nowhere.
        auto origin = new ObjectWithLink<QLabel>;
        QPointer<LinkedWhatsThat> popup
            = new LinkedWhatsThat(QStringLiteral("<a href='KEY'>WWWWWWWW</a>"), nullptr, origin);
        popup->show();
        delete origin;
        QTest::mousePress(popup.data(), Qt::LeftButton, {}, QPoint(16, 12));
        QTest::mouseRelease(popup.data(), Qt::LeftButton, {}, QPoint(16, 12));
        flushDeletions();
        QVERIFY(!popup);
    }
}

void tst_LinkedHelp::modeAction()
{
    QWidget window;
    window.show();
    QVERIFY(!QApplication::overrideCursor());
    QPointer<LinkedWhatsThisAction> action = LinkedWhatsThisAction::createAction(&window);
    QCOMPARE(action->text(), QStringLiteral("What's This?"));
    QCOMPARE(action->shortcut(), QKeySequence(Qt::SHIFT + Qt::Key_F1));
    QVERIFY(action->isCheckable());
    QCOMPARE(action->icon().pixmap(16, 16).size(), QSize(16, 16));

    action->trigger();
    QVERIFY(action->isChecked());
    QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());
    QVERIFY(QApplication::overrideCursor());

    // Modifiers alone are swallowed and keep the mode; the menu key passes.
    for (int key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Meta, Qt::Key_Alt}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QVERIFY(QApplication::sendEvent(&window, &press));
        QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());
    }
    QKeyEvent menu(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
    QApplication::sendEvent(&window, &menu);
    QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());

    // Escape leaves the mode, unchecks the action and restores the cursor.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QVERIFY(QApplication::sendEvent(&window, &escape));
    QVERIFY(!LinkedWhatsThisPrivate::inWhatsThisMode());
    QVERIFY(!action->isChecked());
    QVERIFY(!QApplication::overrideCursor());

    // Any other key leaves it too; so does showing a linked popup.
    action->trigger();
    QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());
    QKeyEvent other(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier);
    QApplication::sendEvent(&window, &other);
    QVERIFY(!LinkedWhatsThisPrivate::inWhatsThisMode());
    action->trigger();
    QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());
    LinkedWhatsThat::showText(QPoint(1, 1), QString(), nullptr);
    QVERIFY(!LinkedWhatsThisPrivate::inWhatsThisMode());
    QVERIFY(!action->isChecked());
}

void tst_LinkedHelp::modeMouse()
{
    QWidget window;
    auto label = new ObjectWithLink<QLabel>(QStringLiteral("Key"), &window);
    label->setWhatsThis(QStringLiteral("The key."));
    auto bare = new QLabel(QStringLiteral("no help"), &window);
    bare->move(0, 50);
    window.show();

    // A press on a widget with help asks for it there and is swallowed.
    LinkedWhatsThisPrivate::enterWhatsThisMode();
    QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(2, 3));
    QTRY_VERIFY(standardWhatsThisPopup());
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(2, 3));
    QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());
    LinkedWhatsThisPrivate::leaveWhatsThisMode();

    // A press where there is no help ends the mode on release.
    LinkedWhatsThisPrivate::enterWhatsThisMode();
    QTest::mousePress(bare, Qt::LeftButton, {}, QPoint(2, 3));
    QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());
    QTest::mouseRelease(bare, Qt::LeftButton, {}, QPoint(2, 3));
    QVERIFY(!LinkedWhatsThisPrivate::inWhatsThisMode());

    // The right button passes through the mode.
    LinkedWhatsThisPrivate::enterWhatsThisMode();
    QTest::mousePress(bare, Qt::RightButton, {}, QPoint(2, 3));
    QTest::mouseRelease(bare, Qt::RightButton, {}, QPoint(2, 3));
    QVERIFY(LinkedWhatsThisPrivate::inWhatsThisMode());
    LinkedWhatsThisPrivate::leaveWhatsThisMode();
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(tst_LinkedHelp)
#include "tst_linkedhelp.moc"
