#include "clearscene.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGraphicsScene>

namespace GraphEngine {

void clearScene(QGraphicsScene *scene)
{
    if (!scene)
        return;
    // The scene queues the items added since the event loop last ran for
    // their polish, a call it has posted to itself, and each removal looks
    // its item up in that queue from the front, past the slots of the items
    // removed before it: emptying a scene filled in the same turn took time
    // growing with the square of its items. Delivering the posted call now
    // empties the queue in one pass; it would run on the next turn anyway.
    QCoreApplication::sendPostedEvents(scene, QEvent::MetaCall);
    // Every view repaints whole once, instead of adding each removed item's
    // last painted rectangle to its dirty region one by one.
    scene->update();
    scene->clear();
}

} // namespace GraphEngine
