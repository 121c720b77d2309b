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
// a vector.

#include <QSharedData>
#include <QVector>

#include <iterator>
#include <utility>

namespace GraphEngine {

template <typename Record>
class LineRecords
{
    struct Node : QSharedData
    {
        // This record and those of the tail.
        int size = 0;
        QExplicitlySharedDataPointer<Node> tail;
        Record record;
    };

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
        const Record &operator*() const { return m_node->record; }
        const Record *operator->() const { return &m_node->record; }
        const_iterator &operator++()
        {
            m_node = m_node->tail.data();
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator &o) const { return m_node == o.m_node; }
        bool operator!=(const const_iterator &o) const { return !(*this == o); }

    private:
        friend class LineRecords;
        explicit const_iterator(const Node *node)
            : m_node(node)
        {
        }
        const Node *m_node = nullptr;
    };
    using iterator = const_iterator;

    LineRecords() = default;

    int size() const { return d ? d->size : 0; }
    int count() const { return size(); }
    bool isEmpty() const { return size() == 0; }

    const Record &at(int i) const { return nodeAt(i)->record; }
    const Record &operator[](int i) const { return at(i); }
    const Record &first() const { return at(0); }
    const Record &last() const { return at(size() - 1); }

    const_iterator begin() const { return const_iterator(d.data()); }
    const_iterator end() const { return const_iterator(); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    // Writing access: the records become a chain of their own first.
    Record &operator[](int i)
    {
        detach();
        return const_cast<Node *>(nodeAt(i))->record;
    }
    void resize(int n)
    {
        QVector<Record> records = toVector();
        records.resize(n);
        setRecords(records, LineRecords());
    }
    void clear() { d.reset(); }

    // These records: own, then every record of tail (shared, not copied).
    void setRecords(const QVector<Record> &own, const LineRecords &tail)
    {
        QExplicitlySharedDataPointer<Node> next = tail.d;
        for (int i = own.size() - 1; i >= 0; --i) {
            QExplicitlySharedDataPointer<Node> node(new Node);
            node->size = next ? next->size + 1 : 1;
            node->tail = std::move(next);
            node->record = own.at(i);
            next = std::move(node);
        }
        d = std::move(next);
    }

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
        const Node *node = d.data();
        for (; node && offset > 0; --offset)
            node = node->tail.data();
        return offset == 0 && node && node == other.d.data();
    }

private:
    const Node *nodeAt(int i) const
    {
        const Node *node = d.data();
        for (; i > 0; --i)
            node = node->tail.data();
        return node;
    }
    void detach()
    {
        bool own = true;
        for (const Node *node = d.data(); node && own; node = node->tail.data())
            own = node->ref.loadRelaxed() == 1;
        if (!own)
            setRecords(toVector(), LineRecords());
    }

    QExplicitlySharedDataPointer<Node> d;
};

} // namespace GraphEngine
