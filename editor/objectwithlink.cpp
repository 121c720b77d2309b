#include "objectwithlink.h"

#include <QCursor>
#include <QLabel>
#include <QTabBar>
#include <QToolButton>
#include <QWhatsThis>
#include <QWhatsThisClickedEvent>

namespace KorvanDebugger {
namespace Configuration {

bool showLinkedWhatsThis(QWidget *widget, const QMap<QString, QString> &links, const QString &href)
{
    const auto found = links.constFind(href);
    if (found == links.constEnd())
        return false;
    QWhatsThis::showText(QCursor::pos(), found.value(), widget);
    return true;
}

template<class T>
QMap<QString, QString> ObjectWithLink<T>::links;

template<class T>
bool ObjectWithLink<T>::event(QEvent *event)
{
    // The What's This popup reports a followed link to the widget it was
    // opened for.
    if (event->type() == QEvent::WhatsThisClicked) {
        const auto clicked = static_cast<QWhatsThisClickedEvent *>(event);
        if (showLinkedWhatsThis(this, links, clicked->href()))
            return true;
    }
    return T::event(event);
}

template class ObjectWithLink<QLabel>;
template class ObjectWithLink<QToolButton>;
template class ObjectWithLink<QTabBar>;

} // namespace Configuration
} // namespace KorvanDebugger
