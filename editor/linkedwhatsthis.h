#pragma once

// What's This help whose texts hold links. LinkedWhatsThat is the popup that
// shows one such text and reports a click on a link to the widget it was
// opened for; LinkedWhatsThisAction and LinkedWhatsThisPrivate run the
// What's This mode in which a click on a widget asks for its help.

#include <QAction>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QTextDocument;
QT_END_NAMESPACE

namespace KorvanDebugger {
namespace Configuration {

class LinkedWhatsThat : public QWidget
{
    Q_OBJECT
public:
    // Leaves the What's This mode, then opens a popup for widget (may be
    // null) near globalPos; an empty text opens nothing.
    static void showText(const QPoint &globalPos, const QString &text, QWidget *widget);
    static void hideText();

    LinkedWhatsThat(const QString &text, QWidget *parent, QWidget *origin);
    ~LinkedWhatsThat() override;

    const QString &text() const { return m_text; }
    QWidget *origin() const { return m_origin.data(); }

    // Margins around the text, and the shadow room right and below it.
    static constexpr int horizontalMargin = 12;
    static constexpr int verticalMargin = 8;
    static int shadowWidth() { return shadow; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QString anchorAt(const QPoint &position) const;
    // Takes the popup off the screen and away from its origin; it is
    // deleted once the click it is handing on has returned.
    void retire();

    static QPointer<LinkedWhatsThat> current;
    static int shadow;

    QPointer<QWidget> m_origin;
    bool m_pressed = false;
    QString m_text;
    QTextDocument *m_document = nullptr;
    QString m_anchor;
    QPixmap m_background;
    bool m_dispatching = false;
    bool m_retired = false;
};

class LinkedWhatsThisAction : public QAction
{
    Q_OBJECT
public:
    explicit LinkedWhatsThisAction(QObject *parent = nullptr);
    static LinkedWhatsThisAction *createAction(QObject *parent = nullptr);

public slots:
    void actionTriggered();
};

// The What's This mode: an application-wide event filter that turns a click
// into a help request, shows with the cursor whether the widget under it has
// help, and ends the mode on Escape or any other non-modifier key.
class LinkedWhatsThisPrivate : public QObject
{
    Q_OBJECT
public:
    static void enterWhatsThisMode();
    static void leaveWhatsThisMode();
    static bool inWhatsThisMode();
    // The action that entered the mode, unchecked when the mode ends.
    static void setModeAction(QAction *action);

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    LinkedWhatsThisPrivate();
    ~LinkedWhatsThisPrivate() override;

    static LinkedWhatsThisPrivate *instance;

    QPointer<QAction> m_action;
    bool m_leaveOnMouseRelease = false;
};

} // namespace Configuration
} // namespace KorvanDebugger
