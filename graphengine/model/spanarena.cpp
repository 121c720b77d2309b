#include "spanarena.h"

#include <QAtomicInt>

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace GraphEngine {

namespace {

// Objects take their room in steps of 16 bytes. Those carved from a chunk
// stand 8 bytes past a multiple of 16, those from the heap on a multiple of
// 16: that one address bit tells release() where an object came from, so
// that no object carries a word of its own for it.
constexpr std::size_t Step = 16;
constexpr std::uintptr_t ChunkTag = 8;
static_assert(alignof(std::max_align_t) <= Step, "the objects need no more than the heap's alignment");

// Chunks are aligned to their size: the chunk of an object is its address
// with the low bits cleared, and the chunk's first word names its record.
constexpr std::size_t ChunkSize = std::size_t(1) << 21;
constexpr std::size_t FirstObject = Step + ChunkTag;
// A block up to this size starts in a fresh chunk rather than straddle two:
// the objects of a short span stay side by side, at the price of at most
// this much of a chunk's end.
constexpr std::size_t WholeBlock = 16 * 1024;

constexpr std::size_t rounded(std::size_t size)
{
    return (size + Step - 1) & ~(Step - 1);
}

QAtomicInt blocksAlive[2];

struct Chunk
{
    char *base = nullptr;
    // Offset of the next object (always ChunkTag past a multiple of Step).
    std::size_t used = FirstObject;
    // Blocks with objects here that are not released yet.
    int blocks = 0;
    // A thread carves from it: it stays, even without blocks.
    bool current = false;
    // Where each run of one block's objects begins, in address order: a
    // block's objects lie in runs, since a nested scope's block may stand
    // between them, and a long span's go on in the next chunk.
    std::vector<std::pair<std::size_t, SpanArena::Block *>> runs;
};

// Guards the chunks' block counts and their coming and going: the blocks
// of one chunk may belong to modules that go in different threads. Within a
// block, objects come and go under their module's lock, as every change of
// the module does.
std::mutex &chunkLock()
{
    static std::mutex lock;
    return lock;
}

char *mapChunk()
{
    // Twice the size, then the unaligned ends back: exactly one aligned
    // chunk stays mapped.
    void *room = mmap(nullptr, 2 * ChunkSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (room == MAP_FAILED)
        return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(room);
    const std::uintptr_t aligned = (start + ChunkSize - 1) & ~std::uintptr_t(ChunkSize - 1);
    if (aligned > start)
        munmap(room, aligned - start);
    const std::uintptr_t end = start + 2 * ChunkSize;
    if (end > aligned + ChunkSize)
        munmap(reinterpret_cast<void *>(aligned + ChunkSize), end - aligned - ChunkSize);
    return reinterpret_cast<char *>(aligned);
}

Chunk *newChunk()
{
    char *base = mapChunk();
    if (!base)
        return nullptr;
    auto *chunk = new (std::nothrow) Chunk;
    if (!chunk) {
        munmap(base, ChunkSize);
        return nullptr;
    }
    chunk->base = base;
    *reinterpret_cast<Chunk **>(base) = chunk;
    return chunk;
}

// Under chunkLock.
void freeChunk(Chunk *chunk)
{
    munmap(chunk->base, ChunkSize);
    delete chunk;
}

// The chunk a thread carves from; it goes when the thread ends and no block
// has objects in it.
struct CurrentChunk
{
    Chunk *chunk = nullptr;

    // The chunk stops being current; without blocks it goes.
    void retire()
    {
        if (!chunk)
            return;
        std::lock_guard<std::mutex> locker(chunkLock());
        chunk->current = false;
        if (chunk->blocks == 0)
            freeChunk(chunk);
        chunk = nullptr;
    }
    ~CurrentChunk() { retire(); }
};

thread_local CurrentChunk currentChunk;

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
    Purpose purpose = Crossings;
    // The chunks its objects lie in, each once.
    std::vector<Chunk *> chunks;
};

namespace {

using Block = SpanArena::Block;

thread_local Block *currentBlock = nullptr;
thread_local int openScopes = 0;

void freeBlock(Block *block)
{
    {
        std::lock_guard<std::mutex> locker(chunkLock());
        for (Chunk *chunk : block->chunks) {
            if (--chunk->blocks == 0 && !chunk->current)
                freeChunk(chunk);
        }
    }
    blocksAlive[block->purpose].deref();
    delete block;
}

// Room in the current chunk for `room` bytes of the block; null when no
// chunk can be had.
char *carve(Block *block, std::size_t room)
{
    Chunk *chunk = currentChunk.chunk;
    const bool fits = chunk && ChunkSize - chunk->used >= room;
    // A short block that has no object yet starts whole in a fresh chunk.
    const bool keepWhole = chunk && block->live == 0 && block->capacity <= WholeBlock
        && ChunkSize - chunk->used < block->capacity;
    if (!fits || keepWhole) {
        if (room > ChunkSize - FirstObject)
            return nullptr;
        Chunk *fresh = newChunk();
        if (!fresh)
            return nullptr;
        currentChunk.retire();
        fresh->current = true;
        currentChunk.chunk = chunk = fresh;
    }
    if (std::find(block->chunks.cbegin(), block->chunks.cend(), chunk) == block->chunks.cend()) {
        block->chunks.push_back(chunk);
        std::lock_guard<std::mutex> locker(chunkLock());
        ++chunk->blocks;
    }
    if (chunk->runs.empty() || chunk->runs.back().second != block)
        chunk->runs.emplace_back(chunk->used, block);
    char *object = chunk->base + chunk->used;
    chunk->used += room;
    return object;
}

Block *blockOf(const void *object)
{
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(object);
    const Chunk *chunk = *reinterpret_cast<Chunk *const *>(address & ~std::uintptr_t(ChunkSize - 1));
    const std::size_t offset = address & (ChunkSize - 1);
    // The last run that begins at or before the object.
    const auto after = std::upper_bound(chunk->runs.cbegin(), chunk->runs.cend(), offset,
                                        [](std::size_t at, const std::pair<std::size_t, Block *> &run) {
                                            return at < run.first;
                                        });
    return (after - 1)->second;
}

} // namespace

SpanArena::Scope::Scope(std::size_t bytes, Purpose purpose)
    : m_previous(currentBlock)
{
    ++openScopes;
    if (bytes == 0)
        return;
    // Without the room the objects take the heap, as outside a scope.
    m_block = new (std::nothrow) Block;
    if (!m_block)
        return;
    m_block->capacity = rounded(bytes);
    m_block->purpose = purpose;
    blocksAlive[purpose].ref();
    currentBlock = m_block;
}

SpanArena::Scope::~Scope()
{
    currentBlock = m_previous;
    if (m_block) {
        m_block->open = false;
        if (m_block->live == 0)
            freeBlock(m_block);
    }
    // The last scope closed: a chunk no block holds any more goes now.
    if (--openScopes == 0 && currentChunk.chunk && currentChunk.chunk->blocks == 0)
        currentChunk.retire();
}

std::size_t SpanArena::roomFor(std::size_t objectSize)
{
    return rounded(objectSize);
}

void *SpanArena::allocate(std::size_t size)
{
    Block *block = currentBlock;
    const std::size_t room = rounded(size);
    if (block && block->capacity - block->used >= room) {
        if (char *object = carve(block, room)) {
            block->used += room;
            ++block->live;
            return object;
        }
    }
    // On a multiple of Step: see ChunkTag.
    void *object = std::aligned_alloc(Step, room);
    if (!object)
        throw std::bad_alloc();
    return object;
}

void SpanArena::release(void *object) noexcept
{
    if (!object)
        return;
    if (!(reinterpret_cast<std::uintptr_t>(object) & ChunkTag)) {
        std::free(object);
        return;
    }
    Block *block = blockOf(object);
    if (--block->live == 0 && !block->open)
        freeBlock(block);
}

int SpanArena::liveBlocks(Purpose purpose)
{
    return blocksAlive[purpose].loadRelaxed();
}

} // namespace GraphEngine
