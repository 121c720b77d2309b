#pragma once

// The line records of a net piece: its own records followed by the records
// of the piece that drives it through a pass-through gate. A split net has
// one piece per column it crosses and every piece describes the chain
// behind it, so the pieces share that chain instead of each holding a copy
// of it (a copy per piece grows with the square of the chain's length).
// Reading walks the shared chain; writing first gives the records a chain
// of their own (copy on write), so a piece never changes another's records.
//
// The chain is a list of single records, each in one allocation with its
// link: most pieces own exactly one record, and a large layout has hundreds
// of thousands of them, so a record costs one small block, not a block plus
// a vector. A record equal to its type's filler (see LineRecordFiller) costs
// nothing when it stands in a run of up to seven at the front of a chain:
// the link to the chain counts them in its low bits.

#include "spanarena.h"

#include <QSharedData>
#include <QVector>
#include <QtGlobal>

#include <iterator>

namespace GraphEngine {

// The record that a chain holds without a block of its own; by default no
// record is one.
template <typename Record>
struct LineRecordFiller
{
    static bool matches(const Record &) { return false; }
    static const Record &filler()
    {
        static const Record record;
        return record;
    }
};

template <typename Record>
class LineRecords
{
    using Filler = LineRecordFiller<Record>;
    // The leading fillers a link counts (its low bits; blocks are aligned
    // to 8 bytes at least).
    static constexpr quintptr MaxFillers = 7;

    struct Node : QSharedData
    {
        // Room from the span arena: the line pass builds the records of a
        // chain of pieces in a block of their own (see SpanArena).
        static void *operator new(std::size_t size) { return SpanArena::allocate(size); }
        static void operator delete(void *object) noexcept { SpanArena::release(object); }

        // This record and those of the tail.
        int size = 0;
        // The link to the rest of the chain (owned: one reference).
        quintptr tail = 0;
        Record record;
    };
    static_assert(alignof(Node) > MaxFillers, "the link's low bits must be free");

    static Node *nodeOf(quintptr link) { return reinterpret_cast<Node *>(link & ~MaxFillers); }
    static int fillersOf(quintptr link) { return int(link & MaxFillers); }
    static int sizeOf(quintptr link)
    {
        const Node *node = nodeOf(link);
        return fillersOf(link) + (node ? node->size : 0);
    }
    static void ref(quintptr link)
    {
        if (Node *node = nodeOf(link))
            node->ref.ref();
    }
    // Releases the link; a chain that goes away goes block by block, never
    // by recursion (chains are as long as the layout has columns).
    static void deref(quintptr link)
    {
        Node *node = nodeOf(link);
        while (node && !node->ref.deref()) {
            Node *next = nodeOf(node->tail);
            delete node;
            node = next;
        }
    }

public:
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Record;
        using difference_type = std::ptrdiff_t;
        using pointer = const Record *;
        using reference = const Record &;

        const_iterator() = default;
        const Record &operator*() const { return m_fillers > 0 ? Filler::filler() : m_node->record; }
        const Record *operator->() const { return &**this; }
        const_iterator &operator++()
        {
            if (m_fillers > 0) {
                --m_fillers;
            } else {
                m_fillers = fillersOf(m_node->tail);
                m_node = nodeOf(m_node->tail);
            }
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator &o) const { return m_node == o.m_node && m_fillers == o.m_fillers; }
        bool operator!=(const const_iterator &o) const { return !(*this == o); }

    private:
        friend class LineRecords;
        explicit const_iterator(quintptr link)
            : m_node(nodeOf(link))
            , m_fillers(fillersOf(link))
        {
        }
        const Node *m_node = nullptr;
        int m_fillers = 0;
    };
    using iterator = const_iterator;

    LineRecords() = default;
    LineRecords(const LineRecords &other)
        : m_link(other.m_link)
    {
        ref(m_link);
    }
    LineRecords(LineRecords &&other) noexcept
        : m_link(other.m_link)
    {
        other.m_link = 0;
    }
    LineRecords &operator=(const LineRecords &other)
    {
        ref(other.m_link);
        deref(m_link);
        m_link = other.m_link;
        return *this;
    }
    LineRecords &operator=(LineRecords &&other) noexcept
    {
        if (this != &other) {
            deref(m_link);
            m_link = other.m_link;
            other.m_link = 0;
        }
        return *this;
    }
    ~LineRecords() { deref(m_link); }

    int size() const { return sizeOf(m_link); }
    int count() const { return size(); }
    bool isEmpty() const { return size() == 0; }
    // Asks the cache for the first block of the chain, which releasing the
    // records writes to (a net's pieces release theirs as they are joined).
    void prefetch() const
    {
        if (const Node *node = nodeOf(m_link))
            __builtin_prefetch(node, 1);
    }

    const Record &at(int i) const
    {
        const_iterator it = begin();
        for (; i > 0; --i)
            ++it;
        return *it;
    }
    const Record &operator[](int i) const { return at(i); }
    const Record &first() const { return at(0); }
    const Record &last() const { return at(size() - 1); }

    const_iterator begin() const { return const_iterator(m_link); }
    const_iterator end() const { return const_iterator(); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    // Writing access: the records become a chain of their own, a block
    // for every record, first.
    Record &operator[](int i)
    {
        detach();
        Node *node = nodeOf(m_link);
        for (; i > 0; --i)
            node = nodeOf(node->tail);
        return node->record;
    }
    void resize(int n)
    {
        QVector<Record> records = toVector();
        records.resize(n);
        assign(records, 0, false);
    }
    void clear()
    {
        deref(m_link);
        m_link = 0;
    }

    // These records: own, then every record of tail (shared, not copied).
    void setRecords(const QVector<Record> &own, const LineRecords &tail) { assign(own, tail.m_link, true); }

    // The records as one vector.
    QVector<Record> toVector() const
    {
        QVector<Record> out;
        out.reserve(size());
        for (const Record &record : *this)
            out.append(record);
        return out;
    }

    bool sharesWith(const LineRecords &other, int offset) const
    {
        const_iterator it = begin();
        for (; offset > 0 && it != end(); --offset)
            ++it;
        return offset == 0 && it != end() && it == other.begin();
    }

private:
    // own, then the chain of tail; with fillers, leading fillers are
    // counted in the links instead of getting blocks.
    void assign(const QVector<Record> &own, quintptr tail, bool fillers)
    {
        ref(tail);
        quintptr next = tail;
        for (int i = own.size() - 1; i >= 0; --i) {
            if (fillers && fillersOf(next) < int(MaxFillers) && Filler::matches(own.at(i))) {
                ++next;
                continue;
            }
            auto *node = new Node;
            node->size = sizeOf(next) + 1;
            node->tail = next;
            node->record = own.at(i);
            node->ref.ref();
            next = reinterpret_cast<quintptr>(node);
        }
        deref(m_link);
        m_link = next;
    }
    void detach()
    {
        bool own = true;
        for (quintptr link = m_link; own && link != 0;) {
            const Node *node = nodeOf(link);
            own = fillersOf(link) == 0 && node->ref.loadRelaxed() == 1;
            link = own ? node->tail : 0;
        }
        if (!own)
            assign(toVector(), 0, false);
    }

    quintptr m_link = 0;
};

} // namespace GraphEngine
