// Restoring what a graph state holds beside the netlist: the stack-path
// annotations and the focus.
#include "graphrecords.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"
#include "graphengine/model/pin.h"
#include "graphengine/scene/netlistitem.h"
#include "graphengine/viewer/graphviewer.h"
#include "graphengine/viewer/tools/guipinelement.h"

#include <QCoreApplication>

namespace UndoFramework {

using GraphEngine::BaseObject;
using GraphEngine::Gate;
using GraphEngine::GatePort;
using GraphEngine::GuiPinElement;
using GraphEngine::Module;
using GraphEngine::Name;

namespace {

// The gate registered under the name. Module-port gates are keyed by their
// name without its hash, which orders apart from the hashed name a stack
// entry carries.
Gate *registeredGate(const Module *module, const Name &name)
{
    if (name.isNull())
        return nullptr;
    if (Gate *gate = module->gates->map.value(name))
        return gate;
    return module->gates->map.value(Name(name.text(), false, true));
}

Gate *firstGateWithPort(const Module *module, const QString &portName)
{
    Gate *found = nullptr;
    module->gates->forEachElement([&](Gate *gate) {
        if (!found && gate && gate->findPortByName(portName))
            found = gate;
    });
    return found;
}

} // namespace

void GraphUndoState::buildStackPath(GraphEngine::GraphViewer *viewer) const
{
    Module *module = viewer ? viewer->module() : nullptr;
    if (!module || !viewer->scene())
        return;
    const QString fromStack = QCoreApplication::translate("UndoFramework::GraphUndoState", "From Stack");
    int pins = 0;
    for (const StackPathEntry &entry : stackPath) {
        // A port found on another gate is named in front of the texts.
        QString prefix;
        BaseObject *anchor = nullptr;
        Gate *gate = nullptr;
        GatePort *port = nullptr;
        GraphEngine::Edge *net = nullptr;
        switch (entry.elementType) {
        case GraphEngine::GuiGateItem:
        case GraphEngine::GuiAnyPortGateItem:
            gate = registeredGate(module, entry.elementName);
            if (!gate) {
                gate = firstGateWithPort(module, entry.elementName.text());
                if (gate)
                    prefix = entry.elementName.text() + QStringLiteral(" - ");
            }
            anchor = gate;
            break;
        case GraphEngine::GuiGatePortItem:
            gate = registeredGate(module, entry.elementName);
            if (!gate)
                gate = registeredGate(module, Name(entry.elementName.text()));
            port = gate ? gate->findPortByName(entry.portName) : nullptr;
            anchor = port;
            break;
        case GraphEngine::GuiNetItem:
            // Looked up only: a net made now would stand unconnected beside
            // the finished layout.
            net = module->edges->find(entry.elementName);
            anchor = net;
            break;
        default:
            break;
        }
        if (!anchor)
            continue;

        anchor->properties.insert(prefix + fromStack, QVariant(entry.valueTexts));
        GraphEngine::NameList values = entry.values;
        const QString text = QString(prefix + values.toString()).trimmed();
        if (text.isEmpty())
            continue;
        GuiPinElement *pin = nullptr;
        if (port)
            pin = new GuiPinElement(text, port);
        else if (net)
            pin = new GuiPinElement(text, net, nullptr);
        else
            pin = new GuiPinElement(text, gate);
        pin->pin->labelInside = true;
        // Part of the restored graph, not of the user's edits: no command
        // owns it, so it offers no "Delete".
        pin->offersDelete = false;
        ++pins;
        pin->setZValue(100 + stackPath.size() + pins);
        viewer->scene()->addItem(pin);
    }
}

void GraphUndoState::applyToViewer(GraphEngine::GraphViewer *viewer) const
{
    if (!viewer || !viewer->scene())
        return;
    viewer->scene()->setSceneRect(viewer->scene()->itemsBoundingRect());
    if (focusName.isNull())
        return;
    GraphEngine::NetlistItem *focus = viewer->search(focusType, focusName);
    if (!focus)
        return;
    bool clearSelection = true;
    if (!selectedEdgeName.isNull() && !selectedEdgeName.text().isEmpty()) {
        if (GraphEngine::NetlistItem *net = viewer->search(GraphEngine::GuiNetItem, selectedEdgeName))
            net->setSelected(true);
        clearSelection = false;
    }
    viewer->centerOn(focus, true, focusName, clearSelection);
}

} // namespace UndoFramework
