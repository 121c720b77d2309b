#pragma once

#include <QList>

namespace GraphEngine {

class GraphViewer;
class ToolBase;

// The tools every viewer makes at set-up, children of the viewer, in the
// order of their tool-bar buttons: comment pins, path highlight, search.
QList<ToolBase *> createBuiltinTools(GraphViewer *viewer);

} // namespace GraphEngine
