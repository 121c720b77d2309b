#pragma once

// Seeded netlists for the layout benchmark and the randomised layout check:
// the same seed and shape always give the same module.

#include <QtGlobal>

namespace GraphEngine {
class Gate;
class Module;
}

namespace NetlistGenerator {

struct Shape
{
    // About this many gates (extras add a few).
    int gates = 1000;
    // Levels of logic between the module inputs and outputs.
    int levels = 32;
    // A register bank (flip-flops on one clock net) every `stage` levels;
    // 0 for none.
    int stage = 8;
    // Buses (bus module ports, bit-parallel gate groups on indexed nets),
    // constants, undriven nets, multi-driven nets (tristate and wired
    // drivers) and combinational loops.
    bool extras = false;
    // Random logic as unoptimised synthesis leaves it: a gate's first input
    // comes from the level just before its own, every other input from any
    // earlier level alike, so that nets run across many columns.
    bool deep = false;
    // Random logic as synthesis leaves it without any optimisation: a
    // gate's first input comes from the level just before its own, so that
    // every level is a column of its own, every other input from any
    // earlier level alike or, now and then, from a constant (constants are
    // not folded into the gates they feed); every fiftieth gate drives an
    // output "out<k>" on a net of that name, so that the outputs read every
    // level. Nets run across a large share of the columns.
    bool unoptimised = false;
    // Gates as the netlist builder makes them (each pin at its own place on
    // a drawn body) instead of the benchmark's light gates, which keep every
    // pin at the gate's origin: for pictures a person looks at. Extras
    // always build them.
    bool builtGates = false;
};

// The deep family of the layout benchmark: `gates` gates of random logic
// on a level per ten gates, no registers.
Shape deepShape(int gates);

// The unoptimised family of the layout benchmark: `gates` gates of such
// logic on a level per three gates, no registers.
Shape unoptimisedShape(int gates);

// The shape the randomised check lays out for the seed: 10 to 2,000 gates
// (smaller sizes more often), 2 to 32 levels, with or without registers,
// extras always on.
Shape randomShape(quint32 seed);

// Adds the netlist to the (empty) module: module inputs "in<i>" and a clock
// "clk", gates "g<i>", flip-flops "ff<i>" and their nets "n<i>", outputs
// "out<i>" on nets of the last level. A gate reads mostly the level just
// before its own, sometimes one a few levels back and now and then any
// earlier level. One flip-flop in ten holds state (an XOR of its own output
// and a net of the level before feeds it), which makes the loops.
void generate(GraphEngine::Module *module, const Shape &shape, quint32 seed);

// A chain of `length` buffers c0 -> ... -> c<length-1> from the input "i"
// to an AND "end", whose other input reads "i" as well: the net "i" runs
// across every column of the chain. Output "o". The result is "end".
GraphEngine::Gate *chain(GraphEngine::Module *module, int length);

} // namespace NetlistGenerator
