#pragma once

#include "baseenum.h"
#include "spanarena.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QVector>

#include <cstddef>
#include <iterator>
#include <vector>

namespace GraphEngine {

class Module;

// One link of the list of a name index.
template<typename T>
struct IndexLink
{
    IndexLink *prev = nullptr;
    IndexLink *next = nullptr;
};

// Where an element stands in the list of one name index, kept in the element
// itself: listing and unlisting a pass-through then needs no hash lookup, no
// hash node and no list node (a layout lists a million of them). The link
// names no element: the list finds the element around its slot.
// An element listed by a second index too (a clashing module port gate) is
// found there through that index's own hash and a slot of its own, made
// apart from the element, whose index word names the element instead.
template<typename T>
struct IndexSlot
{
    IndexSlot() = default;
    // A copied element is listed nowhere yet.
    IndexSlot(const IndexSlot &) {}
    IndexSlot &operator=(const IndexSlot &) { return *this; }
    void reset()
    {
        index = nullptr;
        link = IndexLink<T>();
    }

    // The index whose list holds the element through this slot; null: none.
    // In a slot made apart from its element: that element.
    const void *index = nullptr;
    IndexLink<T> link;
};

// The listed elements of a name index in insertion order: a doubly linked
// list through links that the index does not own (most are the elements'
// own slots). Erasing a link leaves every other link valid.
template<typename T>
class IndexList
{
    static const IndexSlot<T> *slotOf(const IndexLink<T> *link)
    {
        return reinterpret_cast<const IndexSlot<T> *>(reinterpret_cast<const char *>(link)
                                                      - offsetof(IndexSlot<T>, link));
    }
    // The element of a link: the one whose own slot holds it, or the one a
    // slot made apart names.
    T *elementOf(const IndexLink<T> *link) const
    {
        const IndexSlot<T> *slot = slotOf(link);
        if (slot->index != m_owner)
            return static_cast<T *>(const_cast<void *>(slot->index));
        return reinterpret_cast<T *>(const_cast<char *>(reinterpret_cast<const char *>(slot)) - m_slotOffset);
    }

public:
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T *;
        using difference_type = std::ptrdiff_t;
        using pointer = T *const *;
        using reference = T *;

        const_iterator() = default;
        T *operator*() const { return m_list->elementOf(m_link); }
        const_iterator &operator++()
        {
            m_link = m_link->next;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            m_link = m_link->next;
            return before;
        }
        bool operator==(const const_iterator &o) const { return m_link == o.m_link; }
        bool operator!=(const const_iterator &o) const { return m_link != o.m_link; }

    private:
        friend class IndexList;
        const_iterator(const IndexLink<T> *link, const IndexList *list)
            : m_link(link)
            , m_list(list)
        {
        }
        const IndexLink<T> *m_link = nullptr;
        const IndexList *m_list = nullptr;
    };
    using iterator = const_iterator;

    // owner: the index whose elements' own slots hold the links, each at
    // slotOffset bytes into its element.
    IndexList(const void *owner, std::size_t slotOffset)
        : m_owner(owner)
        , m_slotOffset(slotOffset)
    {
    }
    IndexList(const IndexList &) = delete;
    IndexList &operator=(const IndexList &) = delete;

    const_iterator begin() const { return const_iterator(m_first, this); }
    const_iterator end() const { return const_iterator(); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    bool empty() const { return m_size == 0; }
    std::size_t size() const { return m_size; }
    T *front() const { return elementOf(m_first); }

    void push_back(IndexLink<T> *link)
    {
        link->prev = m_last;
        link->next = nullptr;
        if (m_last)
            m_last->next = link;
        else
            m_first = link;
        m_last = link;
        ++m_size;
    }
    void erase(IndexLink<T> *link)
    {
        (link->prev ? link->prev->next : m_first) = link->next;
        (link->next ? link->next->prev : m_last) = link->prev;
        link->prev = link->next = nullptr;
        --m_size;
    }
    // Forgets every link without touching it.
    void forget()
    {
        m_first = m_last = nullptr;
        m_size = 0;
    }

private:
    IndexLink<T> *m_first = nullptr;
    IndexLink<T> *m_last = nullptr;
    std::size_t m_size = 0;
    const void *m_owner = nullptr;
    std::size_t m_slotOffset = 0;
};

// Where the index slot stands in an element: a member, with no virtual base
// between (instantiated where the element's class is complete).
template<typename T>
std::size_t indexSlotOffset()
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
    return offsetof(T, indexSlot);
#pragma GCC diagnostic pop
}

// The map of a name index: a QMap that keeps an array copy of its values,
// made on the first walk after a change. The layout steps walk the index of
// a large netlist many times, and a walk of the map itself waits for one
// scattered tree node after another. Every member that can change the map
// (or hand out a reference through which it could change) drops the copy.
template<typename Key, typename T>
class IndexMap : private QMap<Key, T *>
{
    using Base = QMap<Key, T *>;

public:
    // Private base: nothing can reach the map as a plain QMap and change it
    // past drop(). What reads it is lent out as it is.
    using typename Base::const_iterator;
    using typename Base::iterator;
    using Base::cbegin;
    using Base::cend;
    using Base::constBegin;
    using Base::constEnd;
    using Base::constFind;
    using Base::contains;
    using Base::count;
    using Base::end;
    using Base::isEmpty;
    using Base::key;
    using Base::keys;
    using Base::lowerBound;
    using Base::size;
    using Base::upperBound;
    using Base::value;
    using Base::values;
    using Base::begin;
    using Base::find;
    using Base::first;
    using Base::last;
    using Base::operator[];

    iterator insert(const Key &key, T *const &value)
    {
        drop();
        return Base::insert(key, value);
    }
    int remove(const Key &key)
    {
        drop();
        return Base::remove(key);
    }
    T *take(const Key &key)
    {
        drop();
        return Base::take(key);
    }
    iterator erase(iterator it)
    {
        drop();
        return Base::erase(it);
    }
    void clear()
    {
        drop();
        Base::clear();
    }
    void swap(Base &other)
    {
        drop();
        Base::swap(other);
    }
    IndexMap &operator=(const Base &other)
    {
        drop();
        Base::operator=(other);
        return *this;
    }
    iterator begin()
    {
        drop();
        return Base::begin();
    }
    iterator find(const Key &key)
    {
        drop();
        return Base::find(key);
    }
    T *&first()
    {
        drop();
        return Base::first();
    }
    T *&last()
    {
        drop();
        return Base::last();
    }
    T *&operator[](const Key &key)
    {
        drop();
        return Base::operator[](key);
    }

    // The values in key order. The copy handed out stays as it is when the
    // map changes afterwards (it shares the array until then).
    QVector<T *> valuesCopy() const
    {
        if (!m_current) {
            m_values.clear();
            m_values.reserve(Base::size());
            for (auto it = Base::cbegin(), end = Base::cend(); it != end; ++it)
                m_values.append(it.value());
            m_current = true;
        }
        return m_values;
    }

private:
    void drop() { m_current = false; }

    mutable QVector<T *> m_values;
    mutable bool m_current = false;
};

// A name index of gates or nets: most elements under their unique key in key
// order, the others (pass-through gates, "="-marked names, names already
// held) in a list in insertion order. Walks visit the map first, then the
// list. An element stands in the list at most once; finding and removing a
// listed element takes constant time, so a layout that lists and removes a
// pass-through gate per net stays linear.
template<typename Key, typename T>
class SemiIndex : public BaseEnum
{
public:
    using ListedElements = IndexList<T>;

    explicit SemiIndex(Module *owner)
        : module(owner)
        , m_list(this, indexSlotOffset<T>())
    {
    }
    virtual ~SemiIndex() { qDeleteAll(m_listed); }
    SemiIndex(const SemiIndex &) = delete;
    SemiIndex &operator=(const SemiIndex &) = delete;

    // Forgets every element without deleting it.
    virtual void clear()
    {
        map.clear();
        for (auto it = m_list.cbegin(); it != m_list.cend();) {
            T *element = *it++;
            if (element->indexSlot.index == this)
                element->indexSlot.reset();
        }
        m_list.forget();
        qDeleteAll(m_listed);
        m_listed.clear();
        dropListCopy();
    }

    bool isEmpty() const { return map.isEmpty() && m_list.empty(); }
    int count() const { return map.size() + int(m_list.size()); }
    // The listed elements in insertion order.
    const ListedElements &list() const { return m_list; }
    // Calls f on every element in the order of elements(), without copying
    // the index (a large layout's index holds a million pieces): the map's
    // entries come from its array copy. f must not add or remove map
    // entries.
    template<typename F>
    void forEachElement(F f) const
    {
        const QVector<T *> keyed = map.valuesCopy();
        for (T *element : keyed)
            f(element);
        for (T *element : m_list)
            f(element);
    }
    // As forEachElement, the list read from an array copy of it, made on the
    // first such walk after a change: the layout steps walk a million
    // pass-throughs several times, and a walk of the list waits for one
    // scattered node after another. f must not change the index.
    template<typename F>
    void forEachElementCopied(F f) const
    {
        const QVector<T *> keyed = map.valuesCopy();
        for (T *element : keyed)
            f(element);
        for (T *element : listCopy())
            f(element);
    }
    // The listed elements in list order, as that array copy.
    const std::vector<T *> &listCopy() const
    {
        if (!m_listCopied) {
            m_listCopy.reserve(m_list.size());
            for (T *element : m_list)
                m_listCopy.push_back(element);
            m_listCopied = true;
        }
        return m_listCopy;
    }
    bool hasListCopy() const { return m_listCopied; }
    // Gives back the room of the array copy of the list.
    void dropListCopy()
    {
        if (m_listCopied || m_listCopy.capacity() != 0) {
            std::vector<T *>().swap(m_listCopy);
            m_listCopied = false;
        }
    }
    // Every element, map entries in key order first, then the list.
    QList<T *> elements() const
    {
        const QVector<T *> keyed = map.valuesCopy();
        QList<T *> all;
        all.reserve(keyed.size() + int(m_list.size()));
        for (T *element : keyed)
            all.append(element);
        for (T *element : m_list)
            all.append(element);
        return all;
    }

    bool listContains(const T *element) const
    {
        return element->indexSlot.index == this || (!m_listed.isEmpty() && m_listed.contains(element));
    }
    void appendToList(T *element)
    {
        IndexSlot<T> &own = element->indexSlot;
        if (own.index == this)
            return;
        dropListCopy();
        if (!own.index) {
            own.index = this;
            m_list.push_back(&own.link);
            return;
        }
        // One lookup: the entry is made, or found already there.
        IndexSlot<T> *&slot = m_listed[element];
        if (slot)
            return;
        slot = new IndexSlot<T>;
        slot->index = element;
        m_list.push_back(&slot->link);
    }
    // True when the element was listed.
    bool removeFromList(const T *element)
    {
        IndexSlot<T> &own = const_cast<T *>(element)->indexSlot;
        if (own.index == this) {
            dropListCopy();
            m_list.erase(&own.link);
            own.reset();
            return true;
        }
        if (m_listed.isEmpty())
            return false;
        const auto it = m_listed.find(element);
        if (it == m_listed.end())
            return false;
        dropListCopy();
        m_list.erase(&it.value()->link);
        delete it.value();
        m_listed.erase(it);
        return true;
    }
    // Removes the map entry under key only when it holds this element.
    bool removeFromMap(const Key &key, const T *element)
    {
        const auto it = map.find(key);
        if (it == map.end() || it.value() != element)
            return false;
        map.erase(it);
        return true;
    }
    // Takes the element out of the list, or else out of the map entry under
    // key; an entry under another key (a name changed behind the index's
    // back) is searched for.
    void take(const Key &key, const T *element)
    {
        if (removeFromList(element))
            return;
        if (removeFromMap(key, element))
            return;
        for (auto it = map.begin(); it != map.end();) {
            if (it.value() == element)
                it = map.erase(it);
            else
                ++it;
        }
    }
    // Takes the first element out (map first, then list); null when empty.
    T *takeFirst()
    {
        if (!map.isEmpty()) {
            T *element = map.first();
            map.erase(map.begin());
            return element;
        }
        if (!m_list.empty()) {
            T *element = m_list.front();
            removeFromList(element);
            return element;
        }
        return nullptr;
    }

    // Sets (on) or clears mark bit 0-7 on every element.
    void setColorMark(int bit, bool on)
    {
        if (bit < 0 || bit > 7)
            return;
        forEachElement([bit, on](T *element) {
            if (!element)
                return;
            if (on)
                element->marks |= 1 << bit;
            else
                element->marks &= ~(1 << bit);
        });
    }

    IndexMap<Key, T> map;
    // Where the module's last insertion went: 1 the list, 0 the map.
    int lastInList = 0;
    // Not owned.
    Module *module = nullptr;
    // Cleared while a layout run works on the index.
    quint8 layoutDone = 1;

private:
    ListedElements m_list;
    // Listed elements whose own slot another index holds, with the slots
    // made apart for them (owned).
    QHash<const T *, IndexSlot<T> *> m_listed;
    // The list as an array for forEachElementCopied; current while copied.
    mutable std::vector<T *> m_listCopy;
    mutable bool m_listCopied = false;
};

} // namespace GraphEngine
