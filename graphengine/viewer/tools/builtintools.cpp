#include "builtintools.h"

#include "tooladdcommentpin.h"
#include "toolhighlightpath.h"
#include "toolsearch.h"

#include "graphengine/viewer/graphviewer.h"

namespace GraphEngine {

QList<ToolBase *> createBuiltinTools(GraphViewer *viewer)
{
    // Each built-in tool adds itself here, in tool-bar order.
    QList<ToolBase *> tools;
    tools << new ToolAddCommentPin(viewer) << new ToolHightLighPath(viewer) << new ToolSearch(viewer);
    return tools;
}

} // namespace GraphEngine
