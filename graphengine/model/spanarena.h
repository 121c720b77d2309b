#pragma once

#include <cstddef>

namespace GraphEngine {

// Room for the objects the layout makes along one net span: the
// pass-through gate of every column the net crosses, the gate's two ports
// and the net piece between two of them. A deep netlist has millions of
// them; one block per span gives them their room in one allocation, side by
// side in the order the walks along the chain visit them, and gives the
// block back when the last of them is deleted.
//
// Gates, ports and nets take their room through allocate() and give it
// back through release() (their class operators new and delete); while a
// Scope is open on the thread, allocate() carves from its block, else it
// takes the heap. A block is a count of its objects, not room of its own:
// the blocks of a thread carve their objects one after the other from
// large aligned chunks, and an object finds its block through its chunk,
// so that it carries no word of its own to name it. The objects of a block
// belong to one module and go under its lock, as every change of the module
// does: the block's count is not atomic.
class SpanArena
{
public:
    // A block of room (opaque).
    struct Block;
    // What a block holds: the crossings of a net span, or the line records
    // of net pieces (which stay with the nets drawn).
    enum Purpose { Crossings, LineRecords };

    class Scope
    {
    public:
        // A block of that many bytes for the objects made until the scope
        // closes; an object that no longer fits takes the heap. A short
        // block's objects stand side by side.
        explicit Scope(std::size_t bytes, Purpose purpose = Crossings);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        Block *m_block = nullptr;
        Block *m_previous = nullptr;
    };

    // The room one object of each kind takes in a block.
    static std::size_t roomFor(std::size_t objectSize);

    static void *allocate(std::size_t size);
    static void release(void *object) noexcept;
    // Blocks of that purpose allocated and not given back yet (for tests).
    static int liveBlocks(Purpose purpose = Crossings);
};

} // namespace GraphEngine
