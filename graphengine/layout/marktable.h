#pragma once

#include <QtGlobal>

namespace GraphEngine {

// Marks of one layout run, keyed by the address of a gate or net. Forgetting
// every mark is one increment of the generation: slotCount stamped with an older
// generation count as empty and are reused lazily. Keys that share a slot
// chain further entries in nodes that come from a program-wide free list.
class MarkTable
{
public:
    static constexpr int DefaultSize = 20011;

    explicit MarkTable(int slotCount = DefaultSize);
    ~MarkTable();
    MarkTable(const MarkTable &) = delete;
    MarkTable &operator=(const MarkTable &) = delete;

    static quintptr keyOf(const void *element) { return reinterpret_cast<quintptr>(element); }

    // A new run: every mark made so far is forgotten. On a wrap of the
    // generation counter the stamps are cleared, so no old slot looks current.
    void startRun();

    // Gives the key the value unless it holds a mark already (a key keeps
    // its first mark until it is unmarked).
    void mark(quintptr key, int value);
    // Clears the key's mark when it holds exactly that value.
    void unmark(quintptr key, int value);
    bool isMarked(quintptr key, int value) const;

    void mark(const void *element, int value) { mark(keyOf(element), value); }
    void unmark(const void *element, int value) { unmark(keyOf(element), value); }
    bool isMarked(const void *element, int value) const { return isMarked(keyOf(element), value); }

    // Number of nodes on the program-wide free list (for tests).
    static int freeNodeCount();

    // The slot count; a run that fills the table far beyond it spreads the
    // keys over more slots (see grow).
    int size;
    quint32 generation = 1;
    // Entries made since the run began.
    int count = 0;

    // An overflow entry of a slot; spare ones wait on a program-wide list.
    struct Node;

private:
    // The slots come with the first mark.
    void allocateSlots();
    int slotOf(quintptr key) const;
    // The value cell of the key's entry in a current slot, or null.
    int *entryOf(quintptr key) const;
    void releaseChain(int slot);
    // Rehashes the current run's marks into four times the slots: the
    // chains would otherwise grow with every gate a long run ever marked.
    void grow();
    // New entries of the current run allowed before the table grows.
    int m_growAt = 0;

    quintptr *m_keys = nullptr;
    int *m_values = nullptr;
    quint32 *m_stamps = nullptr;
    Node **m_heads = nullptr;
    Node **m_tails = nullptr;
};

} // namespace GraphEngine
