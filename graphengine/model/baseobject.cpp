#include "baseobject.h"

#include "graphengine/globals.h"
#include "labelcache.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QSet>
#include <QStringList>

namespace GraphEngine {

namespace {

QSet<QString> &singleValuedKeys()
{
    static QSet<QString> keys;
    return keys;
}

bool isListValue(const QVariant &value)
{
    return value.userType() == QMetaType::QStringList || value.userType() == QMetaType::QVariantList;
}

QStringList valueList(const QVariant &value)
{
    if (!value.isValid())
        return QStringList();
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList();
    if (value.userType() == QMetaType::QVariantList) {
        QStringList texts;
        for (const QVariant &v : value.toList())
            texts.append(v.toString());
        return texts;
    }
    return QStringList(value.toString());
}

// A list of exactly one entry reads as that entry, a longer one as nothing.
QString valueText(const QVariant &value)
{
    if (!isListValue(value))
        return value.toString();
    const QStringList list = valueList(value);
    return list.size() == 1 ? list.first() : QString();
}

QString cellText(const QVariant &value, int limit)
{
    const QString text = valueText(value);
    if (!text.isEmpty())
        return text;
    const QStringList list = valueList(value);
    if (list.isEmpty())
        return QString();
    if (limit >= 0)
        return list.value(limit);
    const QString &first = list.first();
    for (const QString &entry : list) {
        if (entry != first)
            return list.join(QLatin1String(", "));
    }
    // Nothing but empty entries is a missing value, not "[,...]".
    if (first.isEmpty())
        return QString();
    return QLatin1Char('[') + first + QLatin1String(",...]");
}

} // namespace

BaseObject::~BaseObject() = default;

QString BaseObject::propertyTable(int limit) const
{
    static const QString missingValueCell = QLatin1String(": </div></b></td><td>")
        + QCoreApplication::translate("GraphEngine::BaseObject", "<i>Unknown property value</i>")
        + QLatin1String("</td></tr>");
    if (properties.isEmpty())
        return QString();
    QString html = QStringLiteral("<br><table>");
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        if (it.key().startsWith(QLatin1Char('=')))
            continue;
        // Keys and values come from the debugged program: escape them.
        html += QLatin1String("<tr><td><b><div style='white-space:pre'>") + it.key().toHtmlEscaped();
        const QString value = cellText(it.value(), limit);
        if (value.isEmpty())
            html += missingValueCell;
        else
            html += QLatin1String(": </div></b></td><td>") + wrapToScreen(value.toHtmlEscaped())
                + QLatin1String("</td></tr>");
    }
    html += QLatin1String("</table>");
    return html;
}

QString BaseObject::propertyTableAll() const
{
    return propertyTable(-1);
}

QString BaseObject::toolTip() const
{
    return QString();
}

void BaseObject::mergeProperty(const QString &key, const QVariant &value)
{
    // Every entry of a list is kept; an empty value still shows its key.
    QStringList entries = valueList(value);
    if (entries.isEmpty())
        entries.append(QString());
    if (isSingleValuedPropertyKey(key)) {
        properties.insert(key, entries.last());
    } else {
        QVariant &stored = properties[key];
        stored = valueList(stored) + entries;
    }
}

void BaseObject::setProperty(const QVariantMap &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        mergeProperty(it.key(), it.value());
}

void BaseObject::setPropertyThunk(const BaseObject *source)
{
    if (!source || source == this)
        return;
    for (auto it = source->properties.cbegin(); it != source->properties.cend(); ++it)
        mergeProperty(it.key(), it.value());
}

const QVariant *BaseObject::findProperty(const QString &key) const
{
    const auto it = properties.constFind(key);
    return it == properties.cend() ? nullptr : &it.value();
}

void addSingleValuedPropertyKey(const QString &key)
{
    QMutexLocker locker(&globalLock());
    singleValuedKeys().insert(key);
}

bool isSingleValuedPropertyKey(const QString &key)
{
    QMutexLocker locker(&globalLock());
    return singleValuedKeys().contains(key);
}

} // namespace GraphEngine
