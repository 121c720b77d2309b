#pragma once

class QGraphicsScene;

namespace GraphEngine {

// Deletes every item of the scene, in time linear in their number even when
// they were added since the event loop last ran.
void clearScene(QGraphicsScene *scene);

} // namespace GraphEngine
