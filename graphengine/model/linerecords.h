#pragma once

// The line records of a net piece: its own records followed by the records
// of the piece that drives it through a pass-through gate. A split net has
// one piece per column it crosses and every piece describes the chain
// behind it, so the pieces share that chain instead of each holding a copy
// of it (a copy per piece grows with the square of the chain's length).
// Reading walks the shared chain; writing first gives the records a chain
// of their own (copy on write), so a piece never changes another's records.

#include <QSharedData>
#include <QVector>

#include <iterator>

namespace GraphEngine {

template <typename Record>
class LineRecords
{
    struct Node : QSharedData
    {
        QVector<Record> own;
        QExplicitlySharedDataPointer<Node> tail;
        // own plus the tail's size.
        int size = 0;
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
        const Record &operator*() const { return m_node->own.at(m_index); }
        const Record *operator->() const { return &m_node->own.at(m_index); }
        const_iterator &operator++()
        {
            ++m_index;
            settle();
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator &o) const { return m_node == o.m_node && m_index == o.m_index; }
        bool operator!=(const const_iterator &o) const { return !(*this == o); }

    private:
        friend class LineRecords;
        explicit const_iterator(const Node *node)
            : m_node(node)
        {
            settle();
        }
        // Steps over ends of nodes (and empty nodes) into the tail.
        void settle()
        {
            while (m_node && m_index >= m_node->own.size()) {
                m_node = m_node->tail.data();
                m_index = 0;
            }
        }
        const Node *m_node = nullptr;
        int m_index = 0;
    };
    using iterator = const_iterator;

    LineRecords() = default;

    int size() const { return d ? d->size : 0; }
    int count() const { return size(); }
    bool isEmpty() const { return size() == 0; }

    const Record &at(int i) const
    {
        const Node *node = d.data();
        while (i >= node->own.size()) {
            i -= node->own.size();
            node = node->tail.data();
        }
        return node->own.at(i);
    }
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
        return d->own[i];
    }
    void resize(int n)
    {
        detach();
        d->own.resize(n);
        d->size = n;
    }
    void append(const Record &record)
    {
        detach();
        d->own.append(record);
        ++d->size;
    }
    void removeLast()
    {
        detach();
        d->own.removeLast();
        --d->size;
    }
    void squeeze()
    {
        if (d && !d->tail)
            d->own.squeeze();
    }
    void clear() { d.reset(); }

    // These records: own, then every record of tail (shared, not copied).
    void setRecords(const QVector<Record> &own, const LineRecords &tail)
    {
        if (own.isEmpty()) {
            d = tail.d;
            return;
        }
        d = new Node;
        d->own = own;
        d->tail = tail.d;
        d->size = own.size() + tail.size();
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
        while (node && offset > 0) {
            offset -= node->own.size();
            node = node->tail.data();
        }
        return offset == 0 && node && node == other.d.data();
    }

private:
    void detach()
    {
        if (d && !d->tail && d->ref.loadRelaxed() == 1)
            return;
        QExplicitlySharedDataPointer<Node> flat(new Node);
        flat->own = toVector();
        flat->size = flat->own.size();
        d = flat;
    }

    QExplicitlySharedDataPointer<Node> d;
};

} // namespace GraphEngine
