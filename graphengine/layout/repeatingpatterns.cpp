// Step "Search Repeating Patterns": like gates of one column (the bit slices
// of a register, a row of gates working bit by bit on a bus) fold into one
// instance of a generated sub-module, so that the later steps place and draw
// one box with indexed ports in place of many copies.
#include "layoutsupport.h"

#include "graphengine/model/bussequence.h"
#include "graphengine/model/edge.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/labelcache.h"

#include <QHash>
#include <QMutexLocker>
#include <QPair>
#include <QVector>

#include <algorithm>
#include <vector>

namespace GraphEngine {

using namespace LayoutSupport;

namespace {

struct ClusterPort
{
    QString name;
    PortAttributes attributes;
};

// The module ports of the sub-module for that many copies of the pattern:
// sort groups 3, 2, 1, 0, each by position; a control port once under its
// own name, any other port once per copy, indexed by the copy number.
QList<ClusterPort> clusterPorts(const Gate *pattern, int copies)
{
    QList<ClusterPort> result;
    int position = 0;
    for (int group : {3, 2, 1, 0}) {
        for (int at = 0;; ++at) {
            const GatePort *port = pattern->constPortAt(group, at);
            if (!port)
                break;
            PortAttributes attributes = port->attributes;
            if (port->attributes.isControl()) {
                attributes.position = position++;
                result.append({port->name, attributes});
                continue;
            }
            const QString base = port->baseName();
            for (int copy = 0; copy < copies; ++copy) {
                attributes.position = position++;
                result.append({base + QLatin1Char('[') + numberToString(copy) + QLatin1Char(']'), attributes});
            }
        }
    }
    return result;
}

// An existing sub-module serves only when it was made for this pattern:
// same instance kind and the very same ports, sides and control flags. Two
// patterns of one type name with other port counts must not share it.
bool servesPattern(const Module *module, int instanceKind, const QList<ClusterPort> &wanted)
{
    if (module->instanceKind != instanceKind || module->portGates->count() != wanted.size())
        return false;
    QHash<QString, PortAttributes> existing;
    for (const Gate *portGate : module->portGates->elements()) {
        if (portGate)
            existing.insert(portGate->name.text(), portGate->portAttributes);
    }
    for (const ClusterPort &port : wanted) {
        const auto it = existing.constFind(port.name);
        if (it == existing.constEnd() || it->direction() != port.attributes.direction()
            || it->sortGroup() != port.attributes.sortGroup() || it->isControl() != port.attributes.isControl())
            return false;
    }
    return true;
}

// A gate's Name parsed afresh, so that "u12" counts as bit 12 of "u" in the
// compact list of the copies.
Name copyName(const Gate *gate)
{
    const QString text = gate->name.toString();
    const Name parsed(text);
    return parsed.hasIndex() ? parsed : Name(text, true);
}

// The gates of a column by signature. Hashed: most signatures of a column
// stand for one gate each, and a sorted map would order them all; the
// groups are taken in signature order all the same (see groupsInOrder).
using SignatureGroups = QHash<QString, QList<Gate *>>;

// The groups that can fold (two gates or more), or all of them while the
// trace reports each, in the order of their signatures.
QVector<SignatureGroups::const_iterator> groupsInOrder(const SignatureGroups &groups)
{
    QVector<SignatureGroups::const_iterator> ordered;
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        if (group->size() >= 2 || traceEnabled)
            ordered.append(group);
    }
    std::sort(ordered.begin(), ordered.end(),
              [](SignatureGroups::const_iterator a, SignatureGroups::const_iterator b) { return a.key() < b.key(); });
    return ordered;
}

// Enters the gate under its signature; a gate whose nets are two-index
// buses stands under both of its signatures until one of them gathers
// another gate, and then leaves the other with its whole group.
// Returns true when it dropped a group that way. secondSignature gives the
// gate's other signature.
template<typename SecondSignature>
bool enterGate(Gate *gate, const QString &signature, SignatureGroups &groups,
               QList<QPair<QString, QString>> &openAlternatives, bool alternative,
               SecondSignature secondSignature)
{
    if (!alternative) {
        groups[signature].append(gate);
        return false;
    }
    const QString second = secondSignature();
    if (!groups.contains(signature) && !groups.contains(second)) {
        groups[signature].append(gate);
        groups[second].append(gate);
        openAlternatives.append({signature, second});
        return false;
    }
    const QString key = groups.contains(signature) ? signature : second;
    groups[key].append(gate);
    bool dropped = false;
    for (auto it = openAlternatives.begin(); it != openAlternatives.end();) {
        if (it->first == key) {
            groups.remove(it->second);
            it = openAlternatives.erase(it);
            dropped = true;
        } else if (it->second == key) {
            groups.remove(it->first);
            it = openAlternatives.erase(it);
            dropped = true;
        } else {
            ++it;
        }
    }
    return dropped;
}

} // namespace

// What the passes of clusterAllRepeatingPatterns carry from one to the next.
struct ClusterSweep
{
    // Per column: the next pass must look at it.
    std::vector<char> open;
    // A gate's signatures as last computed.
    struct Signatures
    {
        const Gate *gate = nullptr;
        QString first;
        QString second;
        bool alternative = false;
        bool firstKnown = false;
        bool secondKnown = false;
    };
    // Per column, per place in its list as the last pass left it: kept
    // until a fold touches one of the gate's nets.
    std::vector<std::vector<Signatures>> known;
    // The gates whose signatures a fold may have changed since.
    QSet<const Gate *> stale;

    // The gates on the net and on the nets that feed it through
    // pass-throughs: renumbering the net (Edge::setNetNumber,
    // Module::numberPieces, both up to the driver) or moving its ports can
    // change their signatures, and so the groups of their columns.
    void touch(const Edge *net, QSet<const Edge *> &seen)
    {
        while (net && !seen.contains(net)) {
            seen.insert(net);
            const Gate *passThrough = nullptr;
            for (const PortList *ports : {&net->drivers, &net->loads}) {
                ports->forEachPort([&](const GatePort *port) {
                    const Gate *owner = port->owner;
                    if (!owner)
                        return;
                    stale.insert(owner);
                    if (owner->column >= 0 && std::size_t(owner->column) < open.size())
                        open[std::size_t(owner->column)] = 1;
                    if (ports == &net->drivers && !passThrough && owner->kind == BaseEnum::COLPASSTHROUGH)
                        passThrough = owner;
                });
            }
            const GatePort *input = passThrough ? passThrough->constPortAt(2, 0) : nullptr;
            net = input ? input->net : nullptr;
        }
    }
};

Module *Module::createClusterModule(const Gate *pattern, int copies)
{
    if (!pattern)
        return nullptr;
    const bool namedByGate = pattern->kind == OPENINPUT || pattern->kind == LOOPBACKOPENINPUT
        || pattern->kind == (OPENINPUT | ClusterFlag);
    const QString base = (namedByGate ? pattern->name.toString() : pattern->typeName) + QLatin1Char('_')
        + numberToString(copies);
    const int kind = pattern->kind | ClusterFlag;
    const QList<ClusterPort> wanted = clusterPorts(pattern, copies);

    QMutexLocker locker(&moduleRegistryMutex());
    // A module of the name made for another pattern keeps it; this pattern
    // takes the next free variant of the name.
    for (int variant = 1;; ++variant) {
        const QString name = variant == 1 ? base : base + QLatin1Char('_') + numberToString(variant);
        bool created = false;
        Module *module = findOrCreateModule(moduleRegistry(), name, &created);
        if (!module)
            return nullptr;
        if (!created) {
            if (servesPattern(module, kind, wanted))
                return module;
            continue;
        }
        module->instanceKind = kind;
        for (const ClusterPort &port : wanted)
            module->findOrCreatePortGate(port.name, port.name, port.attributes, true);
        return module;
    }
}

bool Module::clusterRepeatingPatterns(bool enabled)
{
    return enabled && sweepRepeatingPatterns(nullptr);
}

bool Module::clusterAllRepeatingPatterns()
{
    // A column that folded nothing and whose gates' nets nobody renumbered
    // since would fold nothing again: a sweep after the first looks only at
    // the columns that may have changed. Every gate must stand in the list
    // of its own column for that; if one does not, every sweep looks at all.
    ClusterSweep sweep;
    sweep.open.assign(std::size_t(columnGates.size()), 1);
    sweep.known.resize(std::size_t(columnGates.size()));
    bool listed = true;
    for (int c = 0; c < columnGates.size() && listed; ++c) {
        for (const Gate *gate : qAsConst(columnGates[c])) {
            if (gate && gate->column != c) {
                listed = false;
                break;
            }
        }
    }
    bool folded = false;
    while (sweepRepeatingPatterns(listed ? &sweep : nullptr))
        folded = true;
    return folded;
}

bool Module::sweepRepeatingPatterns(ClusterSweep *sweep)
{
    std::vector<char> *open = sweep ? &sweep->open : nullptr;
    int groupsFound = 0;
    int gatesFolded = 0;
    // Like gates of a column fold by their signatures alone, whatever their
    // distances from the outputs: an instance of copies at different
    // distances can make the layout deeper, but the driver lays the folded
    // netlist out again until nothing more folds, so a second run starts
    // from the netlist the first one ended with and repeats it.
    for (int c = 2; c <= lastColumn - 1 && c < columnGates.size(); ++c) {
        if (open) {
            if (!open->at(std::size_t(c)))
                continue;
            (*open)[std::size_t(c)] = 0;
        }
        SignatureGroups groups;
        QList<QPair<QString, QString>> openAlternatives;
        // A column in which no two gates met, nor a group was dropped,
        // gives the same nothing again as long as its signatures stay.
        bool settled = true;
        std::vector<ClusterSweep::Signatures> *entries = sweep ? &sweep->known[std::size_t(c)] : nullptr;
        if (entries)
            entries->resize(std::size_t(columnGates[c].size()));
        for (int at = 0; at < columnGates[c].size(); ++at) {
            Gate *gate = columnGates[c].at(at);
            if (!gate || gate->kind == COLPASSTHROUGH)
                continue;
            ClusterSweep::Signatures computed;
            ClusterSweep::Signatures &known = entries ? (*entries)[std::size_t(at)] : computed;
            const bool changed = sweep && !sweep->stale.isEmpty() && sweep->stale.remove(gate);
            if (known.gate != gate || changed || !known.firstKnown) {
                known = ClusterSweep::Signatures();
                known.gate = gate;
                known.first = gate->portSignature(0, &known.alternative);
                known.firstKnown = true;
            }
            if (known.first.isEmpty())
                continue;
            const auto second = [gate, &known] {
                if (!known.secondKnown) {
                    known.second = gate->portSignature(1, nullptr);
                    known.secondKnown = true;
                }
                return known.second;
            };
            if (enterGate(gate, known.first, groups, openAlternatives, known.alternative, second))
                settled = false;
        }
        if (groups.isEmpty())
            continue;
        if (open) {
            for (const QList<Gate *> &group : qAsConst(groups)) {
                if (group.size() >= 2)
                    settled = false;
            }
            if (!settled)
                (*open)[std::size_t(c)] = 1;
        }
        trace([&] { return tr("Column %1").arg(c); });
        // A gate still standing under both of its signatures is folded with
        // the first of its groups only; the other group goes on without it.
        QSet<const Gate *> folded;
        // Deleted after the sweep below: an instance made later in the
        // column could otherwise take the address of a deleted copy and be
        // swept out of the column with it.
        QList<Gate *> doomed;
        // The nets of the copies, before the instance takes them over.
        QList<const Edge *> touched;
        // The nets touched for an earlier group of the column need no second
        // look: the owners on them then still have their marks, and what
        // joined them since is the column's own instances, whose signatures
        // are empty (a shared clock net would be walked once per group).
        QSet<const Edge *> seen;
        for (const SignatureGroups::const_iterator &group : groupsInOrder(groups)) {
            trace([&] { return tr(" Cluster : %1").arg(group.key()); });
            QList<Gate *> copies;
            for (Gate *gate : group.value()) {
                if (gate && !folded.contains(gate))
                    copies.append(gate);
            }
            if (copies.size() < 2)
                continue;
            ++groupsFound;
            std::stable_sort(copies.begin(), copies.end(),
                             [](const Gate *a, const Gate *b) { return Name::naturalLess(a->name, b->name); });
            const int n = copies.size();
            Module *definition = registry ? createClusterModule(copies.first(), n) : nullptr;
            if (!definition)
                continue;

            NameList compact;
            QVariantList nativeNames;
            for (Gate *gate : qAsConst(copies)) {
                const Name name = copyName(gate);
                compact.append(name);
                nativeNames.append(QVariant::fromValue(name));
                trace([&] { return tr("  - %1 %2").arg(gate->typeName, name.toString()); });
                trace([&] { return tr("  - %1").arg(gate->portsPlainText(true, true, -1)); });
                trace([&] { return tr("  - %1").arg(gate->portsPlainText(false, true, -1)); });
            }
            const QString listText = compact.toString();
            QString wrapped;
            wrapAtCommas(wrapped, QStringRef(&listText), 50, QLatin1Char('\n'));

            auto *instance = new Gate(Name(wrapped), definition, this, QString());
            if (instance->module != this) {
                // The name is taken (reported by the registration): the
                // copies stay as they are.
                delete instance;
                continue;
            }
            gatesFolded += n;
            instance->column = c;
            instance->initPorts(true);
            instance->properties.insert(QStringLiteral("=NativeName"), nativeNames);
            if (c < columnWidths.size())
                columnWidths[c] = std::max(columnWidths.at(c), instance->rect.width() + 1.0 + 1.0);
            columnGates[c].append(instance);

            const int firstNetNumber = nextNetNumber;
            const int portCount = copies.first()->ports.list().size();
            for (int i = 0; i < n; ++i) {
                Gate *copy = copies.at(i);
                if (sweep) {
                    for (const GatePort *port : copy->ports.list())
                        touched.append(port->net);
                }
                copy->clusterSignature(instance, i, firstNetNumber);
                folded.insert(copy);
                doomed.append(copy);
            }
            nextNetNumber += portCount;
            if (sweep) {
                for (const Edge *net : qAsConst(touched))
                    sweep->touch(net, seen);
                touched.clear();
            }
        }
        // The folded copies leave the column list in one sweep.
        if (!folded.isEmpty()) {
            QList<Gate *> &list = columnGates[c];
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&folded](const Gate *gate) { return folded.contains(gate); }),
                       list.end());
            // The signatures known stay at the places of their gates.
            if (entries) {
                entries->erase(std::remove_if(entries->begin(), entries->end(),
                                              [&folded](const ClusterSweep::Signatures &known) {
                                                  return folded.contains(known.gate);
                                              }),
                               entries->end());
            }
        }
        qDeleteAll(doomed);
    }
    trace([&] { return tr("Saving Ratio is %1 cluster for %2 gates.").arg(groupsFound).arg(gatesFolded); });
    traceEnabled = false;
    return gatesFolded != 0;
}

} // namespace GraphEngine
