#pragma once

#include "baseenum.h"

#include <QList>
#include <QMap>

#include <algorithm>
#include <list>

namespace GraphEngine {

class Module;

// A name index of gates or nets: most elements under their unique key in key
// order, the others (pass-through gates, "="-marked names, names already
// held) in a list in insertion order. Walks visit the map first, then the
// list.
template<typename Key, typename T>
class SemiIndex : public BaseEnum
{
public:
    explicit SemiIndex(Module *owner)
        : module(owner)
    {
    }
    virtual ~SemiIndex() = default;
    SemiIndex(const SemiIndex &) = delete;
    SemiIndex &operator=(const SemiIndex &) = delete;

    // Forgets every element without deleting it.
    virtual void clear()
    {
        map.clear();
        list.clear();
    }

    bool isEmpty() const { return map.isEmpty() && list.empty(); }
    int count() const { return map.size() + int(list.size()); }
    // Every element, map entries in key order first, then the list.
    QList<T *> elements() const
    {
        QList<T *> all = map.values();
        for (T *element : list)
            all.append(element);
        return all;
    }
    bool listContains(const T *element) const
    {
        return std::find(list.begin(), list.end(), element) != list.end();
    }
    void appendToList(T *element)
    {
        if (!listContains(element))
            list.push_back(element);
    }
    void removeFromList(const T *element) { list.remove(const_cast<T *>(element)); }
    // Removes the map entry under key only when it holds this element.
    bool removeFromMap(const Key &key, const T *element)
    {
        const auto it = map.find(key);
        if (it == map.end() || it.value() != element)
            return false;
        map.erase(it);
        return true;
    }
    // Takes the first element out (map first, then list); null when empty.
    T *takeFirst()
    {
        if (!map.isEmpty()) {
            T *element = map.first();
            map.erase(map.begin());
            return element;
        }
        if (!list.empty()) {
            T *element = list.front();
            list.pop_front();
            return element;
        }
        return nullptr;
    }
    // Takes the element out of both containers.
    void take(const T *element)
    {
        removeFromList(element);
        for (auto it = map.begin(); it != map.end();) {
            if (it.value() == element)
                it = map.erase(it);
            else
                ++it;
        }
    }

    // Sets (on) or clears mark bit 0-7 on every element.
    void setColorMark(int bit, bool on)
    {
        if (bit < 0 || bit > 7)
            return;
        for (T *element : elements()) {
            if (!element)
                continue;
            if (on)
                element->marks |= 1 << bit;
            else
                element->marks &= ~(1 << bit);
        }
    }

    QMap<Key, T *> map;
    // Stable under insertion and removal elsewhere, in insertion order.
    std::list<T *> list;
    // Where the module's last insertion went: 1 the list, 0 the map.
    int lastInList = 0;
    // Not owned.
    Module *module = nullptr;
    // Cleared while a layout run works on the index.
    quint8 layoutDone = 1;
};

} // namespace GraphEngine
