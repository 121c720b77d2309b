#pragma once

#include "baseenum.h"

#include <QMap>
#include <QString>
#include <QVariant>

namespace GraphEngine {

// Base of every netlist element (gate, port, net, comment pin, highlighted
// path): eight traversal mark bits and a free-form property store filled from
// the debugged program. Keys beginning with "=" are hidden from the tables.
class BaseObject : public BaseEnum
{
public:
    BaseObject() = default;
    virtual ~BaseObject();

    // HTML table of the visible properties; a limit of 0 or more shows only
    // that entry of each list value, -1 the whole lists.
    virtual QString propertyTable(int limit) const;
    virtual QString propertyTableAll() const;
    virtual QString toolTip() const;

    // Merges the map: single-valued keys keep the last text, every other key
    // collects the texts (every entry of a list value) in a list.
    void setProperty(const QVariantMap &values);
    void setPropertyThunk(const BaseObject *source);
    const QVariant *findProperty(const QString &key) const;

    QMap<QString, QVariant> properties;
    // Low 8 bits: the traversal mark bits handed out by allocateColor().
    // Last, so that a derived class's first int fills the padding after it.
    int marks = 0;

protected:
    void mergeProperty(const QString &key, const QVariant &value);

    BaseObject(const BaseObject &) = default;
    BaseObject &operator=(const BaseObject &) = default;
};

// The program-wide set of keys that keep only their last value ("Object
// Type", "Reference", added by the netlist builders).
void addSingleValuedPropertyKey(const QString &key);
bool isSingleValuedPropertyKey(const QString &key);

} // namespace GraphEngine
