#pragma once

// A widget whose What's This text may hold links. The first link clicked in
// the widget's help opens the text registered for the link in a popup; a
// link clicked in that popup shows its text as a tool tip; when the popup
// then goes away, the widget's own help and the first linked text come back.
// The link texts live in one map per instantiation, filled by the owners of
// the widgets before the help is shown.

#include <QLabel>
#include <QMap>
#include <QPoint>
#include <QString>
#include <QTabBar>
#include <QToolButton>

#include <utility>

namespace KorvanDebugger {
namespace Configuration {

template<class T>
class ObjectWithLink : public T
{
public:
    template<typename... Args>
    explicit ObjectWithLink(Args &&...args) : T(std::forward<Args>(args)...)
    {
    }

    // From href to rich text; writing an existing href replaces its text.
    static QMap<QString, QString> links;

    // 0: no linked text shown; 1: the first linked text is in a popup;
    // 2: a second-level link showed a tool tip; 3: the help was restored.
    int linkState() const { return m_linkState; }

protected:
    bool event(QEvent *event) override;

private:
    // Where the last first-level link was clicked, and its text, for every
    // widget of this type.
    static QPoint savedPosition;
    static QString savedText;

    int m_linkState = 0;
    bool m_restoring = false;
    QPoint m_globalPosition;
    QPoint m_localPosition;
};

extern template class ObjectWithLink<QLabel>;
extern template class ObjectWithLink<QToolButton>;
extern template class ObjectWithLink<QTabBar>;

} // namespace Configuration
} // namespace KorvanDebugger
