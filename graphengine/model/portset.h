#pragma once

#include <QList>

namespace GraphEngine {

class GatePort;

// An ordered list of ports that knows where each sort group begins: the
// ports of a gate (which owns them through its set) and the driver and load
// lists of a net (which only refer to them).
class PortSet
{
public:
    QList<GatePort *> ports;
    // Set after ordering; cleared by every change of the list.
    bool sorted = false;
    // groupStart[g]: index of the first port whose sort group is g or lower;
    // -1 marks the table stale.
    int groupStart[4] = {-1, -1, -1, -1};
};

} // namespace GraphEngine
