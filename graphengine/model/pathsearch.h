#pragma once

#include "graphitem.h"

#include <QList>
#include <QPolygonF>

namespace GraphEngine {

class GatePort;
class HightLighedPath;

// Routes along the signal flow of a netlist, and the drawn points of a
// route. A route is the list of gate ports passed from the start element to
// the target, in that order; the gates and nets lie between consecutive
// ports.

// Fills ports with the first route, in depth-first order, from `from` to
// `to`; when there is none forwards, the route found from `to` back to
// `from`, reversed. False (ports empty) when the elements lie in different
// modules, the start has none, no mark bit is free or no route is found.
bool findPath(const GraphItem &from, const GraphItem &to, QList<GatePort *> &ports);

// The search from current: a gate leads to its output ports, an output port
// to its net, a net to its loads, any other port to its gate. Gates and nets
// entered carry mark bit `bit` afterwards and are not entered again. While
// busIndex is not -1 (the walk entered a cluster gate by a port of that
// index) only ports with that index or none are taken. On success the ports
// of the route are put in front of ports. A bit outside 0-7 refuses the
// search.
bool tracePath(const GraphItem &current, const GraphItem &target, QList<GatePort *> &ports, int bit,
               int busIndex);

// With found, puts the port of a net-end or port item in front of the route
// unless it stands there already. Returns found.
bool prependPort(QList<GatePort *> &ports, const GraphItem &item, bool found);

// The points of a route: along each net between two of its ports as the net
// is drawn, and across each gate by right-angled hops.
QPolygonF portsToPolyline(const QList<GatePort *> &ports);

// Joins piece to the path's points; the path is turned round first when it
// does not end where the piece begins.
void appendPolyline(HightLighedPath &path, const QPolygonF &piece);

// The route's points joined to the path's.
void extendPath(HightLighedPath &path, const QList<GatePort *> &ports);

} // namespace GraphEngine
