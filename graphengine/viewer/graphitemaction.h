#pragma once

#include "graphengine/model/graphitem.h"

#include <QAction>

namespace GraphEngine {

// An entry of the viewer's per-kind context menus. Before each menu the
// viewer asks the action whether it applies to the element under the
// pointer; an action may prepare its text or target then.
class GraphItemAction : public QAction
{
    Q_OBJECT

public:
    using QAction::QAction;

    // True when the action belongs in the menu of the item. The base action
    // always does and changes nothing.
    virtual bool prepareFor(const GraphItem &item);
};

} // namespace GraphEngine
