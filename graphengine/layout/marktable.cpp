#include "marktable.h"

#include "graphengine/globals.h"

#include <QMutexLocker>

#include <algorithm>
#include <limits>

namespace GraphEngine {

struct MarkTable::Node
{
    quintptr key = 0;
    int value = -1;
    Node *next = nullptr;
};

namespace {

// Shared by every table and guarded by sharedListLock().
MarkTable::Node *freeList = nullptr;

} // namespace

MarkTable::MarkTable(int slotCount)
    : size(std::max(1, slotCount))
{
    generation = 2;
}

void MarkTable::allocateSlots()
{
    // Every module has a table, but only the laid-out ones mark anything:
    // the sub-modules that folding makes, many per netlist, never need the
    // slots.
    m_keys = new quintptr[size];
    m_values = new int[size];
    m_stamps = new quint32[size];
    m_heads = new Node *[size];
    m_tails = new Node *[size];
    // Every slot is empty from the start; its key is set as well, so that no
    // stamp that comes round again ever shows an unset key.
    std::fill(m_keys, m_keys + size, quintptr(0));
    std::fill(m_values, m_values + size, -1);
    std::fill(m_stamps, m_stamps + size, generation - 1);
    std::fill(m_heads, m_heads + size, nullptr);
    std::fill(m_tails, m_tails + size, nullptr);
}

MarkTable::~MarkTable()
{
    delete[] m_keys;
    delete[] m_values;
    delete[] m_stamps;
    {
        QMutexLocker locker(&sharedListLock());
        for (int slot = 0; m_heads && slot < size; ++slot) {
            if (m_heads[slot]) {
                m_tails[slot]->next = freeList;
                freeList = m_heads[slot];
            }
        }
    }
    delete[] m_heads;
    delete[] m_tails;
    QMutexLocker locker(&sharedListLock());
    while (freeList) {
        Node *next = freeList->next;
        delete freeList;
        freeList = next;
    }
}

void MarkTable::grow()
{
    const int oldSize = size;
    quintptr *oldKeys = m_keys;
    int *oldValues = m_values;
    quint32 *oldStamps = m_stamps;
    Node **oldHeads = m_heads;
    Node **oldTails = m_tails;
    size = oldSize * 4 + 1;
    allocateSlots();
    // Unmarked entries behave as absent ones: only the marks move over.
    const int made = count;
    m_growAt = std::numeric_limits<int>::max();
    for (int slot = 0; slot < oldSize; ++slot) {
        if (oldStamps[slot] != generation)
            continue;
        if (oldValues[slot] != -1)
            mark(oldKeys[slot], oldValues[slot]);
        for (const Node *node = oldHeads[slot]; node; node = node->next) {
            if (node->value != -1)
                mark(node->key, node->value);
        }
    }
    count = made;
    {
        QMutexLocker locker(&sharedListLock());
        for (int slot = 0; slot < oldSize; ++slot) {
            if (oldHeads[slot]) {
                oldTails[slot]->next = freeList;
                freeList = oldHeads[slot];
            }
        }
    }
    delete[] oldKeys;
    delete[] oldValues;
    delete[] oldStamps;
    delete[] oldHeads;
    delete[] oldTails;
}

void MarkTable::startRun()
{
    count = 0;
    m_growAt = 0;
    if (++generation == 1 && m_stamps)
        std::fill(m_stamps, m_stamps + size, 0u);
}

int MarkTable::slotOf(quintptr key) const
{
    // Every bit of the address counts: two gates never share an entry.
    return int((key >> 2) % quintptr(size));
}

int *MarkTable::entryOf(quintptr key) const
{
    if (!m_stamps)
        return nullptr;
    const int slot = slotOf(key);
    if (m_stamps[slot] != generation)
        return nullptr;
    if (m_keys[slot] == key)
        return &m_values[slot];
    for (Node *node = m_heads[slot]; node; node = node->next) {
        if (node->key == key)
            return &node->value;
    }
    return nullptr;
}

void MarkTable::releaseChain(int slot)
{
    if (!m_heads[slot])
        return;
    QMutexLocker locker(&sharedListLock());
    m_tails[slot]->next = freeList;
    freeList = m_heads[slot];
    m_heads[slot] = m_tails[slot] = nullptr;
}

void MarkTable::mark(quintptr key, int value)
{
    if (!m_stamps)
        allocateSlots();
    // Twice as many entries as slots since the run (or the last growth)
    // began: time to spread them.
    if (m_growAt == 0)
        m_growAt = count + 2 * size;
    else if (count >= m_growAt && !entryOf(key)) {
        grow();
        m_growAt = count + 2 * size;
    }
    const int slot = slotOf(key);
    if (m_stamps[slot] != generation) {
        releaseChain(slot);
        m_stamps[slot] = generation;
        m_keys[slot] = key;
        m_values[slot] = value;
        ++count;
        return;
    }
    if (int *entry = entryOf(key)) {
        if (*entry == -1)
            *entry = value;
        return;
    }
    Node *node = nullptr;
    {
        QMutexLocker locker(&sharedListLock());
        if (freeList) {
            node = freeList;
            freeList = node->next;
        }
    }
    if (!node)
        node = new Node;
    node->key = key;
    node->value = value;
    node->next = m_heads[slot];
    m_heads[slot] = node;
    if (!m_tails[slot])
        m_tails[slot] = node;
    ++count;
}

void MarkTable::unmark(quintptr key, int value)
{
    if (int *entry = entryOf(key); entry && *entry == value)
        *entry = -1;
}

bool MarkTable::isMarked(quintptr key, int value) const
{
    const int *entry = entryOf(key);
    return entry && *entry == value;
}

int MarkTable::freeNodeCount()
{
    QMutexLocker locker(&sharedListLock());
    int n = 0;
    for (const Node *node = freeList; node; node = node->next)
        ++n;
    return n;
}

} // namespace GraphEngine
