#include "objectwithlink.h"

#include "linkedwhatsthis.h"

#include <QCursor>
#include <QHelpEvent>
#include <QToolTip>
#include <QWhatsThisClickedEvent>

namespace KorvanDebugger {
namespace Configuration {

template<class T>
QMap<QString, QString> ObjectWithLink<T>::links;
template<class T>
QPoint ObjectWithLink<T>::savedPosition;
template<class T>
QString ObjectWithLink<T>::savedText;

template<class T>
bool ObjectWithLink<T>::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::WhatsThis: {
        const auto help = static_cast<QHelpEvent *>(event);
        m_globalPosition = help->globalPos();
        m_localPosition = help->pos();
        return T::event(event);
    }
    case QEvent::WhatsThisClicked: {
        const auto clicked = dynamic_cast<QWhatsThisClickedEvent *>(event);
        if (!clicked)
            return T::event(event);
        // The state moves only after the popup is shown: replacing an older
        // popup of this widget reports its removal first.
        if (m_linkState == 0) {
            savedPosition = QCursor::pos();
            savedText = links[clicked->href()];
            LinkedWhatsThat::showText(savedPosition, savedText, this);
            m_linkState = 1;
        } else if (m_linkState == 1) {
            QToolTip::showText(QCursor::pos(), links[clicked->href()], this);
            m_linkState = 2;
        } else {
            // Nothing more is shown; the click is consumed so that the popup
            // that sent it stays open.
            ++m_linkState;
        }
        return true;
    }
    case QEvent::ChildRemoved:
        if (m_restoring) {
            // Showing the help again replaces popups of this widget; those
            // removals belong to the restore, not to the user.
        } else if (m_linkState == 1) {
            m_linkState = 0;
        } else if (m_linkState == 2) {
            m_restoring = true;
            QHelpEvent help(QEvent::WhatsThis, m_localPosition, m_globalPosition);
            T::event(&help);
            LinkedWhatsThat::showText(savedPosition, savedText, this);
            m_restoring = false;
            m_linkState = 3;
        } else if (m_linkState == 3) {
            m_linkState = 1;
        }
        return true;
    default:
        return T::event(event);
    }
}

template class ObjectWithLink<QLabel>;
template class ObjectWithLink<QToolButton>;
template class ObjectWithLink<QTabBar>;

} // namespace Configuration
} // namespace KorvanDebugger
