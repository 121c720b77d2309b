#pragma once

// A widget whose What's This text may hold links. The text is shown in the
// What's This popup; following a link there shows, at the mouse position,
// the rich text registered for the link's href in the class-wide map of the
// instantiation. Widgets that use a link register its text before showing.

#include <QLabel>
#include <QMap>
#include <QString>
#include <QTabBar>
#include <QToolButton>

namespace KorvanDebugger {
namespace Configuration {

// Shows the text of a followed link; false when the href has no text.
bool showLinkedWhatsThis(QWidget *widget, const QMap<QString, QString> &links, const QString &href);

template<class T>
class ObjectWithLink : public T
{
public:
    explicit ObjectWithLink(QWidget *parent = nullptr) : T(parent) {}

    // From href to rich text; writing an existing href replaces its text.
    static QMap<QString, QString> links;

protected:
    bool event(QEvent *event) override;
};

extern template class ObjectWithLink<QLabel>;
extern template class ObjectWithLink<QToolButton>;
extern template class ObjectWithLink<QTabBar>;

} // namespace Configuration
} // namespace KorvanDebugger
