#include "builtintools.h"

#include "graphengine/viewer/graphviewer.h"

namespace GraphEngine {

QList<ToolBase *> createBuiltinTools(GraphViewer *viewer)
{
    Q_UNUSED(viewer)
    // Each built-in tool adds itself here, in tool-bar order.
    return QList<ToolBase *>();
}

} // namespace GraphEngine
