#pragma once

#include <QPointF>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace GraphEngine {

// The points of one branch line record. Most pieces of a split net join two
// ports, whose points stand inside the object; more take a block of their
// own. A large layout keeps a record per net piece, so the object is kept
// small: 40 bytes, where a QVarLengthArray of two points takes 48.
class BranchPoints
{
public:
    using value_type = QPointF;
    using iterator = QPointF *;
    using const_iterator = const QPointF *;

    BranchPoints() noexcept = default;
    BranchPoints(const BranchPoints &other) { copyFrom(other); }
    BranchPoints(BranchPoints &&other) noexcept { takeFrom(other); }
    BranchPoints &operator=(const BranchPoints &other)
    {
        if (this != &other) {
            release();
            copyFrom(other);
        }
        return *this;
    }
    BranchPoints &operator=(BranchPoints &&other) noexcept
    {
        if (this != &other) {
            release();
            takeFrom(other);
        }
        return *this;
    }
    ~BranchPoints() { release(); }

    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    QPointF *data() { return onHeap() ? m_heap : reinterpret_cast<QPointF *>(m_inline); }
    const QPointF *data() const { return onHeap() ? m_heap : reinterpret_cast<const QPointF *>(m_inline); }
    iterator begin() { return data(); }
    iterator end() { return data() + m_size; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + m_size; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    const QPointF &at(int i) const { return data()[i]; }
    const QPointF &first() const { return data()[0]; }
    const QPointF &last() const { return data()[m_size - 1]; }

    void append(QPointF point)
    {
        if (m_size == m_capacity)
            regrow(std::max(2 * m_capacity, m_size + 1));
        data()[m_size++] = point;
    }
    // Room for n points in all.
    void reserve(int n)
    {
        if (n > m_capacity)
            regrow(n);
    }
    // No room kept beyond the points (two stand inside the object).
    void squeeze()
    {
        if (onHeap() && m_size < m_capacity)
            regrow(m_size);
    }

private:
    static constexpr int InlineRoom = 2;

    bool onHeap() const { return m_capacity > InlineRoom; }
    // Moves the points to room for capacity of them (inside the object for
    // two or fewer).
    void regrow(int capacity)
    {
        capacity = std::max(capacity, InlineRoom);
        QPointF *room = capacity > InlineRoom ? static_cast<QPointF *>(std::malloc(sizeof(QPointF) * capacity))
                                              : nullptr;
        if (capacity > InlineRoom && !room)
            throw std::bad_alloc();
        QPointF *from = data();
        QPointF *to = room ? room : reinterpret_cast<QPointF *>(m_inline);
        if (to != from)
            std::memmove(static_cast<void *>(to), from, sizeof(QPointF) * m_size);
        if (onHeap())
            std::free(from);
        if (room)
            m_heap = room;
        m_capacity = capacity;
    }
    void copyFrom(const BranchPoints &other)
    {
        m_size = 0;
        m_capacity = InlineRoom;
        reserve(other.m_size);
        if (other.m_size)
            std::memcpy(static_cast<void *>(data()), other.data(), sizeof(QPointF) * other.m_size);
        m_size = other.m_size;
    }
    void takeFrom(BranchPoints &other) noexcept
    {
        std::memcpy(static_cast<void *>(this), &other, sizeof(BranchPoints));
        other.m_size = 0;
        other.m_capacity = InlineRoom;
    }
    void release() noexcept
    {
        if (onHeap())
            std::free(m_heap);
        m_size = 0;
        m_capacity = InlineRoom;
    }

    union {
        alignas(QPointF) unsigned char m_inline[InlineRoom * sizeof(QPointF)];
        QPointF *m_heap;
    };
    int m_size = 0;
    int m_capacity = InlineRoom;
};

} // namespace GraphEngine
