#include "spanarena.h"

#include <QAtomicInt>

#include <cstdlib>
#include <new>

namespace GraphEngine {

namespace {

// The word before every object: its block, or null for the heap. Objects
// stay aligned as the heap aligns them for any type of up to 8 bytes'
// alignment (the classes hold pointers and doubles).
constexpr std::size_t HeaderSize = 8;
static_assert(alignof(std::max_align_t) >= HeaderSize, "the heap aligns every header");

constexpr std::size_t rounded(std::size_t size)
{
    return (size + HeaderSize - 1) & ~(HeaderSize - 1);
}

QAtomicInt blocksAlive;

} // namespace

struct SpanArena::Block
{
    // Objects carved and not released yet.
    std::size_t live = 0;
    std::size_t used = 0;
    std::size_t capacity = 0;
    // Set while its scope is open: the block stays, even empty, since more
    // objects may come.
    bool open = true;

    char *data() { return reinterpret_cast<char *>(this + 1); }
};

static_assert(sizeof(SpanArena::Block) % HeaderSize == 0, "objects in a block stay aligned");

namespace {

using Block = SpanArena::Block;

thread_local Block *currentBlock = nullptr;

void freeBlock(Block *block)
{
    block->~Block();
    std::free(block);
    blocksAlive.deref();
}

} // namespace

SpanArena::Scope::Scope(std::size_t bytes)
    : m_previous(currentBlock)
{
    if (bytes == 0)
        return;
    void *room = std::malloc(sizeof(Block) + rounded(bytes));
    // Without the room the objects take the heap, as outside a scope.
    if (!room)
        return;
    m_block = new (room) Block;
    m_block->capacity = rounded(bytes);
    blocksAlive.ref();
    currentBlock = m_block;
}

SpanArena::Scope::~Scope()
{
    currentBlock = m_previous;
    if (!m_block)
        return;
    m_block->open = false;
    if (m_block->live == 0)
        freeBlock(m_block);
}

std::size_t SpanArena::roomFor(std::size_t objectSize)
{
    return HeaderSize + rounded(objectSize);
}

void *SpanArena::allocate(std::size_t size)
{
    Block *block = currentBlock;
    const std::size_t room = roomFor(size);
    char *header;
    if (block && block->capacity - block->used >= room) {
        header = block->data() + block->used;
        block->used += room;
        ++block->live;
    } else {
        header = static_cast<char *>(std::malloc(HeaderSize + size));
        if (!header)
            throw std::bad_alloc();
        block = nullptr;
    }
    *reinterpret_cast<Block **>(header) = block;
    return header + HeaderSize;
}

void SpanArena::release(void *object) noexcept
{
    if (!object)
        return;
    char *header = static_cast<char *>(object) - HeaderSize;
    Block *block = *reinterpret_cast<Block **>(header);
    if (!block) {
        std::free(header);
        return;
    }
    if (--block->live == 0 && !block->open)
        freeBlock(block);
}

int SpanArena::liveBlocks()
{
    return blocksAlive.loadRelaxed();
}

} // namespace GraphEngine
