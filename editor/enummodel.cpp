#include "enummodel.h"

#include "graphengine/logging.h"

#include <QRegularExpression>

#include <algorithm>

namespace KorvanDebugger {
namespace Configuration {

namespace {

const quint64 allBits = ~quint64(0);
const Qt::ItemFlags rowFlags = Qt::ItemIsEnabled;

QString hexText(quint64 value)
{
    return QLatin1String("0x") + QString::number(value, 16);
}

Utils::TreeItem *newRow(const QString &value, const QString &name)
{
    return new Utils::TreeItem({value, name}, rowFlags);
}

QString cell(const Utils::TreeItem *item, int column)
{
    return item->displays().value(column);
}

// Guards the Python form against stored texts that are not integer literals:
// they would otherwise be pasted into the script as code.
bool isIntegerLiteral(const QString &text)
{
    static const QRegularExpression literal(QStringLiteral("^(0x[0-9a-fA-F]+|-?[0-9]+)$"));
    return literal.match(text).hasMatch();
}

QString pythonValue(const QString &text)
{
    return isIntegerLiteral(text) ? text : hexText(EnumModel::parseValueText(text));
}

int bitCount(quint64 v)
{
    return __builtin_popcountll(v);
}

} // namespace

bool EnumKey::operator<(const EnumKey &other) const
{
    if (negative != other.negative)
        return negative;
    if (value != other.value) {
        if (negative)
            return qint64(value) < qint64(other.value);
        return value < other.value;
    }
    return mask && !other.mask;
}

QString EnumKey::toText(const EnumKey &key, bool decimal)
{
    if (key.mask)
        return decimal ? QStringLiteral("0") : QStringLiteral("0x0");
    return decimal ? QString::number(qint64(key.value)) : hexText(key.value);
}

EnumModel::EnumModel()
{
    setColumnCount(2);
}

EnumModel::~EnumModel() = default;

quint64 EnumModel::parseValueText(const QString &text)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"))) {
        const quint64 v = text.mid(2).toULongLong(&ok, 16);
        return ok ? v : 0;
    }
    if (text.startsWith(QLatin1Char('-'))) {
        const qint64 v = text.toLongLong(&ok, 10);
        return ok ? quint64(v) : 0;
    }
    const quint64 v = text.toULongLong(&ok, 10);
    return ok ? v : 0;
}

void EnumModel::setStale(bool stale)
{
    if (m_stale == stale)
        return;
    m_stale = stale;
    emit staleChanged(stale);
}

void EnumModel::reset(bool notify)
{
    setStale(false);
    if (notify)
        beginResetModel();
    QMap<EnumKey, QString>::clear();
    clearWithoutReset();
    if (notify)
        endResetModel();
}

void EnumModel::setEnums(const QStringList &masks, const QStringList &enums)
{
    if (enums.isEmpty() || enums.size() != masks.size())
        return;
    beginResetModel();
    reset(false);
    for (int i = 0; i < enums.size(); ++i) {
        const QString &entry = enums.at(i);
        const QStringList parts = entry.mid(2, entry.size() - 4).split(QLatin1Char(','));
        if (parts.size() == 1) {
            const QStringList item = parts.first().split(QLatin1Char(';'));
            rootItem()->appendChild(newRow(item.value(0), item.value(1)));
            continue;
        }
        QStringList names;
        for (const QString &part : parts)
            names << part.split(QLatin1Char(';')).value(1);
        Utils::TreeItem *group = newRow(masks.at(i), names.join(QLatin1Char(',')));
        for (const QString &part : parts) {
            const QStringList item = part.split(QLatin1Char(';'));
            group->appendChild(newRow(item.value(0), item.value(1)));
        }
        rootItem()->appendChild(group);
    }
    endResetModel();
}

QString EnumModel::toText(QStringList &masks, QStringList &enums, bool pythonForm) const
{
    masks.clear();
    enums.clear();
    QString flat;
    quint64 allMasks = 0;
    const auto item = [pythonForm](const QString &value, const QString &name) -> QString {
        if (pythonForm)
            return pythonValue(value) + QLatin1Char(':') + pythonStringLiteral(name);
        return value + QLatin1Char(';') + name;
    };
    const QString unknownMask = QStringLiteral("!!!");

    const Utils::TreeItem *root = rootItem();
    for (int r = 0; r < root->childCount(); ++r) {
        const Utils::TreeItem *row = root->child(r);
        const QString text = cell(row, 0);
        const QString maskText = text == QLatin1String("0x0") ? unknownMask
                                 : pythonForm                 ? pythonValue(text)
                                                              : text;
        masks << maskText;
        allMasks |= parseValueText(maskText);
        if (!row->hasChildren()) {
            const QString single = item(text, cell(row, 1));
            enums << QStringLiteral("{ %1 }").arg(single);
            flat += single + QLatin1Char(' ');
            continue;
        }
        QStringList items;
        for (int c = 0; c < row->childCount(); ++c)
            items << item(cell(row->child(c), 0), cell(row->child(c), 1));
        flat += items.join(QLatin1Char(' ')) + QLatin1Char(' ');
        enums << QStringLiteral("{ %1 }").arg(items.join(QLatin1Char(',')));
    }
    for (QString &m : masks) {
        if (m == unknownMask)
            m = hexText(allMasks);
    }
    return flat;
}

PythonCode EnumModel::pythonArguments() const
{
    QStringList masks;
    QStringList enums;
    toText(masks, enums, true);
    PythonCode code;
    appendCodeLine(code.expression, QStringLiteral("enums = (%1),masks = (%2)")
                                        .arg(enums.join(QLatin1Char(',')), masks.join(QLatin1Char(','))));
    return code;
}

QMap<quint64, QString> EnumModel::valuesOf(const QModelIndex &row) const
{
    QMap<quint64, QString> values;
    if (!row.isValid())
        return values;
    const Utils::TreeItem *item = itemForIndex(row.sibling(row.row(), 0));
    if (!item)
        return values;
    if (!item->hasChildren()) {
        values.insert(parseValueText(cell(item, 0)), cell(item, 1));
        return values;
    }
    for (int c = 0; c < item->childCount(); ++c)
        values.insert(parseValueText(cell(item->child(c), 0)), cell(item->child(c), 1));
    return values;
}

void EnumModel::merge(const QModelIndex &row)
{
    if (!row.isValid() || row.parent().isValid())
        return;
    const int r = row.row();
    const QModelIndex next = index(r + 1, 0);
    if (!next.isValid())
        return;
    QMap<quint64, QString> values = valuesOf(index(r, 0));
    quint64 mask = 0;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        mask |= it.key();
    const QMap<quint64, QString> following = valuesOf(next);
    for (auto it = following.constBegin(); it != following.constEnd(); ++it) {
        values.insert(it.key(), it.value());
        mask |= it.key();
    }

    beginResetModel();
    Utils::TreeItem *merged;
    if (values.size() >= 2) {
        merged = newRow(hexText(mask), QStringList(values.values()).join(QLatin1Char(',')));
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            merged->appendChild(newRow(hexText(it.key()), it.value()));
    } else {
        merged = newRow(hexText(values.firstKey()), values.first());
    }
    rootItem()->insertChild(r, merged);
    delete rootItem()->takeChild(r + 1);
    delete rootItem()->takeChild(r + 1);
    endResetModel();
}

void EnumModel::split(const QModelIndex &row)
{
    if (!row.isValid() || row.parent().isValid())
        return;
    const int r = row.row();
    const QMap<quint64, QString> values = valuesOf(index(r, 0));
    beginResetModel();
    int position = r + 1;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        rootItem()->insertChild(position++, newRow(hexText(it.key()), it.value()));
    delete rootItem()->takeChild(r);
    endResetModel();
}

bool EnumModel::hasNegative() const
{
    for (auto it = constBegin(); it != constEnd(); ++it) {
        if (it.key().negative)
            return true;
    }
    return false;
}

void EnumModel::parseProgramOutput(const QStringList &lines)
{
    if (lines.isEmpty())
        return;

    QStringList oldMasks;
    QStringList oldEnums;
    const QString oldFlat = toText(oldMasks, oldEnums, false);

    beginResetModel();
    outputLines = lines;
    reset(false);

    // Values and the mask names of zero constants.
    QString pendingMask;
    quint64 lowest = 0;
    int zeroCount = 0;
    const auto storePendingMask = [&] {
        if (!pendingMask.isEmpty())
            insert(EnumKey(lowest, true, false), pendingMask);
    };
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != 3)
            continue;
        bool ok = false;
        quint64 value = fields.at(1).toULongLong(&ok, 10);
        if (!ok)
            value = 0;
        const EnumKey key(value, false, fields.at(2) == QLatin1String("1"));
        QString name = fields.at(0);
        if (value != 0) {
            if (!pendingMask.isEmpty() && (lowest == 0 || value < lowest))
                lowest = value;
            const auto existing = constFind(key);
            if (existing != constEnd())
                name = existing.value() + QLatin1Char('=') + name;
            insert(key, name);
        } else {
            storePendingMask();
            pendingMask = name;
            ++zeroCount;
            lowest = 0;
        }
    }
    storePendingMask();

    // Groups of keys that share bits.
    const bool negativeMode = hasNegative();
    QList<EnumKey> pool = keys();
    const auto returnToPool = [&pool](const EnumKey &key) {
        pool.insert(std::lower_bound(pool.begin(), pool.end(), key), key);
    };
    const auto plainValue = [](const EnumKey &key) { return key.mask ? quint64(0) : key.value; };

    while (!pool.isEmpty()) {
        const EnumKey first = pool.takeFirst();
        QList<EnumKey> group{first};
        quint64 groupMask = plainValue(first);

        const bool alone = !negativeMode && (first.value == allBits || (first.mask && zeroCount == 1));
        if (!alone) {
            bool added = true;
            while (added) {
                added = false;
                for (int i = 0; i < pool.size(); ++i) {
                    const EnumKey &p = pool.at(i);
                    bool joins;
                    if (negativeMode)
                        joins = true;
                    else if (p.mask)
                        joins = groupMask == 0;
                    else if (p.value == allBits)
                        joins = false;
                    else
                        joins = groupMask == 0 || (groupMask & p.value) != 0;
                    if (joins) {
                        groupMask |= plainValue(p);
                        group.append(pool.takeAt(i));
                        added = true;
                        break;
                    }
                }
            }
        }
        std::sort(group.begin(), group.end());

        if (!negativeMode && group.size() > 1) {
            const quint64 n = quint64(group.size());
            const EnumKey &low = group.first();
            const EnumKey &high = group.last();
            const quint64 span = (high.mask ? quint64(1) : high.value + 1) - (low.mask ? quint64(0) : low.value);
            const int bits = bitCount(groupMask);
            const quint64 limit = bits == 3 ? 4 : bits == 4 ? 6 : quint64(2 * bits);
            if (n != span && bits > 2 && n < limit) {
                bool clean = false;
                bool overlap = false;
                for (const EnumKey &m : qAsConst(group)) {
                    if (m.mask || bitCount(m.value) < 2)
                        continue;
                    for (int bit = 0; bit < 64 && !overlap; ++bit) {
                        const quint64 b = quint64(1) << bit;
                        if (!(m.value & b))
                            continue;
                        const bool single = std::any_of(group.cbegin(), group.cend(), [b](const EnumKey &k) {
                            return !k.mask && k.value == b;
                        });
                        if (!single) {
                            overlap = std::any_of(group.cbegin(), group.cend(), [&](const EnumKey &k) {
                                return !k.mask && k.value != m.value && (k.value & b);
                            });
                        }
                    }
                    if (overlap)
                        break;
                    clean = true;
                }
                if (clean && !overlap) {
                    QList<EnumKey> kept;
                    groupMask = 0;
                    for (const EnumKey &k : qAsConst(group)) {
                        if (!k.mask && bitCount(k.value) >= 2) {
                            kept.append(k);
                            groupMask |= k.value;
                        } else {
                            returnToPool(k);
                        }
                    }
                    group = kept;
                }
            }
        }

        if (group.size() == 1) {
            rootItem()->appendChild(newRow(EnumKey::toText(group.first(), negativeMode), value(group.first())));
            continue;
        }
        QStringList names;
        for (const EnumKey &k : qAsConst(group))
            names << value(k);
        Utils::TreeItem *row = newRow(hexText(groupMask), names.join(QLatin1Char(',')));
        for (const EnumKey &k : qAsConst(group))
            row->appendChild(newRow(EnumKey::toText(k, negativeMode), value(k)));
        rootItem()->appendChild(row);
    }
    endResetModel();

    QStringList masks;
    QStringList enums;
    if (toText(masks, enums, false) == oldFlat)
        setEnums(oldMasks, oldEnums);
}

} // namespace Configuration
} // namespace KorvanDebugger
