#include "bussequence.h"

#include "gateport.h"
#include "labelcache.h"

namespace GraphEngine {

void BusSequence::startRun(const Name &name)
{
    last = name;
    start[0] = name.index(0);
    start[1] = name.index(1);
    varying = -1;
    step = 0;
}

int BusSequence::continuation(const Name &name, int *slot) const
{
    *slot = varying;
    if (name.isNull() || (name.flags() & Name::NoIndex) || last.isNull() || last.flags() == 0)
        return 0;
    int difference = 0;
    if (varying == -1) {
        for (int s = 0; s < name.indexCount(); ++s) {
            *slot = s;
            difference = name.index(s) - last.index(s);
            if (difference != 0)
                break;
        }
    } else {
        difference = name.index(varying) - last.index(varying);
    }
    if ((difference != 1 && difference != -1) || (step != 0 && difference != step) || !Name::sameBase(name, last))
        return 0;
    return difference;
}

bool BusSequence::append(const Name &name)
{
    if (name.isNull()) {
        last = name;
        start[0] = start[1] = 0;
        varying = -1;
        step = 0;
        return false;
    }
    int slot = -1;
    const int difference = continuation(name, &slot);
    if (difference == 0) {
        startRun(name);
        return false;
    }
    varying = slot;
    step = difference;
    last = name;
    return true;
}

QString BusSequence::runText(int endOffset) const
{
    if (last.isNull())
        return QString();
    if (!last.hasIndex())
        return last.text();
    QString text = last.baseText();
    for (int slot = last.indexCount() - 1; slot >= 0; --slot) {
        text += QLatin1Char('[');
        appendNumber(start[slot], text);
        if (slot == varying) {
            const int end = last.index(slot) - endOffset;
            if (end != start[slot]) {
                text += QLatin1Char(':');
                appendNumber(end, text);
            }
        }
        text += QLatin1Char(']');
    }
    return text;
}

bool BusSequence::appendPort(GatePort *port)
{
    const Name name(port->name);
    if (setLabels)
        port->setLabel(QString());
    if (append(name)) {
        if (setLabels) {
            port->setLabel(QLatin1String(""));
            const QString range = formatRange(*this);
            if (firstPort)
                firstPort->setLabel(range);
            maxLabelWidth = qMax(maxLabelWidth, LabelCache::instance().textWidth(range));
        }
        lastPort = port;
        return true;
    }
    maxLabelWidth = qMax(maxLabelWidth, LabelCache::instance().textWidth(port->name));
    firstPort = lastPort = port;
    return false;
}

void BusSequence::flush(bool emitLabel)
{
    if (emitLabel && firstPort && firstPort != lastPort)
        firstPort->setLabel(runText(step));
    last = Name();
}

void NameList::append(const Name &name)
{
    if (keepNames)
        names.append(QVariant::fromValue(name));
    if (current.toString(true) == name.toString(true)) {
        ++count;
        return;
    }
    if (!run.append(name)) {
        flushRun();
        current = name;
        count = 1;
        return;
    }
    current = Name(formatRange(run));
}

void NameList::append(const QVariant &name)
{
    if (name.userType() == qMetaTypeId<Name>())
        append(name.value<Name>());
    else
        append(Name(name.toString()));
}

void NameList::flushRun()
{
    if (!current.isNull() && !current.text().isEmpty()) {
        const QString text = current.toString(true);
        if (count > 1)
            items.append(QStringLiteral("{{%1,%2}}").arg(count).arg(text));
        else
            items.append(text);
    }
    current = Name(QString());
    count = 0;
}

QString NameList::toString()
{
    flushRun();
    if (items.isEmpty())
        return QString();
    if (items.size() == 1)
        return items.first();
    return QLatin1Char('{') + items.join(QLatin1Char(',')) + QLatin1Char('}');
}

void NameList::clear()
{
    items.clear();
    current = Name(QString());
    count = 0;
    run.flush(false);
}

} // namespace GraphEngine
