// The feeds of a BusSequence that read gates and nets.
#include "bussequence.h"

#include "edge.h"
#include "gate.h"
#include "gateport.h"

namespace GraphEngine {

bool BusSequence::appendGatePort(Gate *gate)
{
    GatePort *port = nullptr;
    if (gate) {
        if (gate->kind == BaseEnum::OUTPUTPORT)
            port = gate->portAt(2, 0);
        else if (gate->kind == BaseEnum::INPUTPORT || gate->kind == BaseEnum::INOUTPORT)
            port = gate->portAt(0, 0);
    }
    if (!port || port->name.isEmpty()) {
        last = Name();
        return false;
    }
    return appendPort(port);
}

bool BusSequence::appendNet(Edge *net)
{
    if (!net)
        return false;
    if ((net->name.hasIndex() || net->netNumber != 0) && !setLabels)
        return append(net->name);
    GatePort *port = namingPort(net);
    return port ? appendPort(port) : false;
}

GatePort *BusSequence::namingPort(const Edge *net)
{
    if (net->drivers.list().isEmpty())
        return nullptr;
    GatePort *port = net->drivers.list().first();
    if (!port)
        return nullptr;
    if (!port->name.isEmpty())
        return port;
    if (port->owner && port->owner->kind == BaseEnum::COLPASSTHROUGH)
        return port->owner->firstDriverGate();
    return nullptr;
}

} // namespace GraphEngine
