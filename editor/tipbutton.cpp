#include "tipbutton.h"

#include "graphengine/model/labelcache.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTextEdit>
#include <QWidgetAction>

namespace KorvanDebugger {
namespace Configuration {

TipButton::TipButton(QWidget *parent)
    : QToolButton(parent)
{
    hide();
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setText(QString(QChar(0x2620)));
    QPalette colours = palette();
    colours.setColor(QPalette::ButtonText, Qt::red);
    setPalette(colours);
    setPopupMode(QToolButton::InstantPopup);
}

void TipButton::setTip(const QString &html)
{
    auto menu = new QMenu(this);
    auto text = new QTextEdit(this);
    text->setLineWrapMode(QTextEdit::NoWrap);
    text->setReadOnly(true); // a report, not an entry
    text->setHtml(html);

    int width = int(GraphEngine::LabelCache::instance().textWidth(text->toPlainText()) * 1.1);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        width = qMin(width, int(screen->geometry().width() / 2));
    text->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Maximum);
    text->setMaximumHeight(200);
    text->setMinimumWidth(width);

    auto action = new QWidgetAction(menu);
    action->setDefaultWidget(text);
    menu->addAction(action);
    connect(menu, &QMenu::aboutToShow, text, &QWidget::show);

    setMenu(menu);
    show();
}

} // namespace Configuration
} // namespace KorvanDebugger
