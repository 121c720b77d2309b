#pragma once

// What every finished layout must hold, for the whole-layout tests, the
// randomised check and its benchmark mode. Each check returns an empty text
// when it holds, else what broke it.

#include <QString>
#include <QStringList>

namespace GraphEngine {
class Edge;
class GatePort;
class Module;
}

namespace LayoutInvariants {

// The port's net has a branch that ends at the port's scene position.
bool endsBranch(const GraphEngine::Edge *net, const GraphEngine::GatePort *port);

// Every connected port of every gate ends a branch of its net.
QString portWithoutBranch(const GraphEngine::Module *module);
// Every gate X and Y and every branch line X is a finite number.
QString notFinite(const GraphEngine::Module *module);
// No pass-through or loop-back gate is left after the run.
QString leftoverLayoutGate(const GraphEngine::Module *module);
// Module inputs stand in the leftmost column and output ports in the
// rightmost one (the columns show in the X, which the run keeps).
QString misplacedModulePort(const GraphEngine::Module *module);
// No two gates of an inner column (same X) overlap, the free unit above
// and below each gate counted; the first and last columns pack bus members
// at a pitch of their own.
QString columnOverlap(const GraphEngine::Module *module);

// Which ports share a net, one sorted line per net of "gate.port" items; a
// cluster gate's ports count as its members' ("member.port"), and the
// drivers the layout generates for undriven nets are left out. Equal lists
// mean the layout left the connections as they were.
QStringList connectivity(const GraphEngine::Module *module);

// Gate positions and net lines, as text, for comparing two runs. Without
// gate names, only where gates of each kind stand.
QStringList geometry(const GraphEngine::Module *module, bool gateNames = true);

// All the checks above, the netlist's own consistency included, and the
// connections against those taken before the layout.
QString brokenLayout(const GraphEngine::Module *module, const QStringList &connectionsBefore);

// One seeded random netlist (NetlistGenerator::randomShape) laid out twice
// with computeLayout(10.0, true, true), and a copy of it laid out once: the
// failures, each with the seed, empty when every check holds and all three
// pictures are the same. The module's Verilog after the runs goes to
// verilog when given. gates receives the netlist's gate count, picture the
// geometry of the first run (for digests that compare two builds).
QStringList checkRandomLayout(quint32 seed, QString *verilog = nullptr, int *gates = nullptr,
                              QStringList *picture = nullptr);

} // namespace LayoutInvariants
