// The ports, type names and outlines each kind of gate is built with, and the
// re-laying of generic and cluster gates' ports.
#include "gate.h"

#include "bussequence.h"
#include "edge.h"
#include "gateport.h"
#include "graphengine/globals.h"
#include "graphengine/logging.h"
#include "module.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSet>

#include <array>

namespace GraphEngine {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("GraphEngine::Gate", text);
}

// Outlines drawn once per kind; one more slot holds the multiplexer's.
constexpr int MuxSlot = 26;
std::array<QPainterPath, 27> &outlineCache()
{
    static std::array<QPainterPath, 27> cache;
    return cache;
}

QPainterPath cachedOutline(int slot)
{
    QMutexLocker locker(&globalLock());
    return outlineCache()[size_t(slot)];
}

void storeOutline(int slot, const QPainterPath &path)
{
    QMutexLocker locker(&globalLock());
    outlineCache()[size_t(slot)] = path;
}

QPainterPath closedPolygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    const QPointF *p = points.begin();
    path.moveTo(*p);
    for (++p; p != points.end(); ++p)
        path.lineTo(*p);
    path.closeSubpath();
    return path;
}

QPainterPath line(const QPointF &from, const QPointF &to)
{
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    return path;
}

QPainterPath defaultOutline(int kind)
{
    QPainterPath path;
    switch (kind) {
    case BaseEnum::INPUTPORT:
    case BaseEnum::OUTPUTPORT:
    case BaseEnum::INOUTPORT:
        return closedPolygon({{1, 1}, {26, 1}, {39, 11}, {26, 21}, {1, 21}});
    case BaseEnum::VCC:
        path = closedPolygon({{21, 1}, {1, 28}, {41, 28}});
        path.addPath(line({21, 28}, {21, 48}));
        return path;
    case BaseEnum::GND:
        path.addPath(line({1, 11}, {41, 11}));
        path.addPath(line({9, 20}, {33, 20}));
        path.addPath(line({17, 29}, {25, 29}));
        path.addPath(line({21, 1}, {21, 11}));
        return path;
    case BaseEnum::X:
        path.moveTo(1, 11);
        path.cubicTo(11, 8, 31, 14, 41, 11);
        path.addPath(line({21, 1}, {21, 11}));
        return path;
    case BaseEnum::Z:
        path = closedPolygon({{1, 1}, {41, 1}, {41, 16}, {1, 16}});
        path.addPath(line({21, 16}, {21, 36}));
        return path;
    case BaseEnum::OPENINPUT:
        // A drop hanging from the output pin.
        path.moveTo(-7, 52);
        path.cubicTo(-7, 20, 49, 20, 49, 52);
        path.cubicTo(49, 70, -7, 70, -7, 52);
        path.closeSubpath();
        return path;
    default:
        return path;
    }
}

// Logic outlines in the box x 1..51, y 0..height, the output at
// (51, height / 2); inverting kinds add a bubble up to x 62.
QPainterPath logicOutline(int kind, double height)
{
    const double c = height / 2;
    QPainterPath path;
    switch (kind) {
    case BaseEnum::AND:
    case BaseEnum::NAND:
        path.moveTo(1, 0);
        path.lineTo(26, 0);
        path.arcTo(QRectF(1, 0, 50, height), 90, -180);
        path.lineTo(1, height);
        path.closeSubpath();
        break;
    case BaseEnum::XOR:
    case BaseEnum::XNOR:
        path.moveTo(-9, height);
        path.cubicTo(2, height * 0.66, 2, height * 0.33, -9, 0);
        Q_FALLTHROUGH();
    case BaseEnum::OR:
    case BaseEnum::NOR:
        path.moveTo(1, 0);
        path.cubicTo(26, 0, 45, c * 0.5, 51, c);
        path.cubicTo(45, c * 1.5, 26, height, 1, height);
        path.cubicTo(12, height * 0.66, 12, height * 0.33, 1, 0);
        break;
    case BaseEnum::BUFFER:
    case BaseEnum::INVERTER:
    case BaseEnum::TRISTATE:
        path = closedPolygon({{1, 0}, {51, c}, {1, height}});
        break;
    default:
        return path;
    }
    if (kind == BaseEnum::NAND || kind == BaseEnum::NOR || kind == BaseEnum::XNOR
        || kind == BaseEnum::INVERTER)
        path.addEllipse(QRectF(51, c - 5.5, 11, 11));
    return path;
}

bool hasOwnLogicOutline(int kind)
{
    return kind >= BaseEnum::AND && kind <= BaseEnum::TRISTATE;
}

QString letter(int i)
{
    QString text;
    do {
        text.prepend(QChar(u'A' + i % 26));
        i = i / 26 - 1;
    } while (i >= 0);
    return text;
}

// One flip-flop pin per role flag, in the order the pins are created.
struct FlopPin
{
    int flag;
    int group;
    int marker;
    bool control;
};

const FlopPin flopPins[] = {
    {BaseEnum::PRE, 3, 0, true},   {BaseEnum::PREN, 3, 1, true}, {BaseEnum::D, 2, 0, false},
    {BaseEnum::DN, 2, 1, false},   {BaseEnum::SD, 2, 0, false},  {BaseEnum::SDN, 2, 1, false},
    {BaseEnum::SE, 2, 0, true},    {BaseEnum::SEN, 2, 1, true},  {BaseEnum::S, 2, 0, true},
    {BaseEnum::SN, 2, 1, true},    {BaseEnum::R, 2, 0, true},    {BaseEnum::RN, 2, 1, true},
    {BaseEnum::E, 2, 0, true},     {BaseEnum::EN, 2, 1, true},   {BaseEnum::CLK, 2, 2, true},
    {BaseEnum::CLKN, 2, 3, true},  {BaseEnum::CLR, 1, 0, true},  {BaseEnum::CLRN, 1, 1, true},
    {BaseEnum::LD, 1, 0, true},    {BaseEnum::LDN, 1, 1, true},  {BaseEnum::VAL, 2, 0, true},
    {BaseEnum::VALN, 2, 1, true},  {BaseEnum::Q, 0, 0, false},   {BaseEnum::QN, 0, 1, false},
};

int bitNumber(int flag)
{
    int n = 0;
    while (n < 31 && !(flag & (1 << n)))
        ++n;
    return n;
}

} // namespace

GatePort *Gate::addPort(const QString &portName, int direction, int sortGroup, int roleBit, double px,
                        double py, int position, int marker, bool control)
{
    auto *port = new GatePort(
        this, portName, PortAttributes::make(direction, sortGroup, position, marker, control, roleBit), px,
        py);
    ports.add(port, true);
    return port;
}

void Gate::setOutline(const QPainterPath &path)
{
    if (!outline.isPath())
        logCritical(QStringLiteral("Invalid call: Can't cast"));
    outline.x = 0;
    outline.y = OutlineElement::PathMarker;
    outline.width = 0;
    outline.height = 0;
    outline.path = path;
}

void Gate::setBox(int width, int height)
{
    outline.x = 1;
    outline.y = 1;
    outline.width = width;
    outline.height = height;
    outline.path = QPainterPath();
}

void Gate::reportUnbuiltShape() const
{
    if (!shapeBuilt)
        logCritical(tr("Failure to initialize the ports"));
}

void Gate::initDefaultPorts(int gateKind, const QString &portName)
{
    typeName = gateKindToString(gateKind);
    if (!outline.isPath())
        logCritical(QStringLiteral("Invalid call: Can't cast"));
    const bool cacheable = gateKind >= 0 && gateKind < 26;
    const QPainterPath cached = cacheable ? cachedOutline(gateKind) : QPainterPath();
    QPainterPath drawn = cached.isEmpty() ? defaultOutline(gateKind) : cached;
    switch (gateKind) {
    case INPUTPORT:
    case INOUTPORT:
        addPort(portName, Output, 0, 12, 39, 11);
        break;
    case OUTPUTPORT:
        addPort(portName, Input, 2, 1, 1, 11);
        break;
    case COLPASSTHROUGH:
        addPort(QStringLiteral("i"), Input, 2, 1, 0, 0);
        addPort(QStringLiteral("o"), Output, 0, 12, 0, 0);
        break;
    case VCC:
        addPort(portName, Output, 0, 12, 21, 48);
        break;
    case GND:
    case X:
        addPort(portName, Output, 0, 12, 21, 0);
        break;
    case Z:
        addPort(portName, Output, 0, 12, 21, 36);
        break;
    case OPENINPUT:
    case LOOPBACKOPENINPUT:
        addPort(QStringLiteral("o"), Output, 0, 12, 21, 33);
        break;
    case LOOPBACKOPENOUTPUT:
        addPort(QStringLiteral("i"), Input, 2, 1, 1, 33);
        break;
    default:
        logCritical(QStringLiteral("Invalid API call. Use other logic initialization API for ")
                    + gateKindToString(gateKind));
        return;
    }
    outline.path = drawn;
    outline.width = outline.height = 0;
    if (cacheable && cached.isEmpty() && !drawn.isEmpty())
        storeOutline(gateKind, drawn);
    ports.ensureSorted(false);
}

void Gate::initPassThroughPorts()
{
    // As initDefaultPorts makes them, without its outline lookup (a
    // pass-through has none) and sort: the layout makes a pair for every
    // column a net crosses. The input (group 2) sorts before the output.
    static const QString inputName = QStringLiteral("i");
    static const QString outputName = QStringLiteral("o");
    typeName = gateKindToString(COLPASSTHROUGH);
    auto *input = new GatePort(this, inputName, PortAttributes::make(Input, 2, 0, 0, false, 1), 0, 0);
    auto *output = new GatePort(this, outputName, PortAttributes::make(Output, 0, 0, 0, false, 12), 0, 0);
    ports.assignSorted({input, output});
}

void Gate::initLogicPorts(int gateKind, int inputCount)
{
    if (gateKind == MUX2) {
        initMuxPorts(gateKind, inputCount);
        return;
    }
    typeName = gateKindToString(gateKind);
    switch (gateKind) {
    case INPUTPORT:
    case OUTPUTPORT:
    case OPENINPUT:
    case LOOPBACKOPENINPUT:
    case LOOPBACKOPENOUTPUT:
        logCritical(QStringLiteral("Invalid API call. OpenInput/Input/Output Gate need to be created "
                                   "with API providing name as well."));
        return;
    case BUFFER:
    case INVERTER:
    case TRISTATE:
        inputCount = 1;
        break;
    default:
        break;
    }
    const int n = std::max(inputCount, 1);
    // Inputs 36 apart, the outer ones 15 from the body's ends.
    const double height = std::max(66.0, 36.0 * (n - 1) + 30.0);
    const double centre = height / 2;
    const double inputX = (gateKind == XOR || gateKind == XNOR) ? -9.0 : 1.0;
    for (int i = 0; i < n; ++i)
        addPort(letter(i), Input, 2, 1, inputX, centre + (i - (n - 1) / 2.0) * 36.0, i);
    if (gateKind == TRISTATE)
        addPort(QStringLiteral("S"), Input, 1, 13, 26, centre + 10, 0, 0, true);
    const bool inverting = gateKind == NAND || gateKind == NOR || gateKind == XNOR || gateKind == INVERTER;
    addPort(QStringLiteral("Out"), Output, 0, 12, inverting ? 62 : 51, centre);
    if (!outline.isPath())
        logCritical(QStringLiteral("Invalid call: Can't cast"));
    if (hasOwnLogicOutline(gateKind)) {
        QPainterPath path;
        if (n <= 2) {
            path = cachedOutline(gateKind);
            if (path.isEmpty()) {
                path = logicOutline(gateKind, height);
                storeOutline(gateKind, path);
            }
        } else {
            path = logicOutline(gateKind, height);
        }
        outline.path = path;
    }
    ports.ensureSorted(false);
    buildShape(0.0);
}

void Gate::initMuxPorts(int gateKind, int inputCount)
{
    Q_UNUSED(gateKind)
    Q_UNUSED(inputCount) // a two-input multiplexer has two data inputs
    typeName = QStringLiteral("MUX");
    for (int i = 0; i < 2; ++i) {
        const QString portName = QStringLiteral("D%1").arg(i);
        if (!findPortByName(portName))
            addPort(portName, Input, 2, 1, 20, i == 0 ? 24 : 60, i);
    }
    if (!findPortByName(QStringLiteral("S")))
        addPort(QStringLiteral("S"), Input, 1, 13, 45, 72, 0, 0, true);
    if (!findPortByName(QStringLiteral("Out")))
        addPort(QStringLiteral("Out"), Output, 0, 12, 71, 42);
    QPainterPath path = cachedOutline(MuxSlot);
    if (path.isEmpty()) {
        path = closedPolygon({{20, 0}, {71, 24}, {71, 60}, {20, 84}});
        storeOutline(MuxSlot, path);
    }
    setOutline(path);
    ports.ensureSorted(false);
    buildShape(0.0);
}

void Gate::initFlopPorts(int roleFlags)
{
    QList<GatePort *> groups[4];
    typeName = QStringLiteral("FF");
    for (const FlopPin &pin : flopPins) {
        if (!(roleFlags & pin.flag))
            continue;
        const QString pinName = portRoleToString(pin.flag);
        QList<GatePort *> &group = groups[pin.group];
        group.append(new GatePort(this, pinName,
                                  PortAttributes::make(pin.group == 0 ? Output : Input, pin.group,
                                                       group.size(), pin.marker, pin.control,
                                                       bitNumber(pin.flag)),
                                  0, 0));
        typeName += pinName;
    }
    for (int g : {3, 2, 1, 0}) {
        for (GatePort *port : qAsConst(groups[g]))
            ports.add(port, true);
    }
    const int across = std::max(groups[3].size(), groups[1].size());
    const int along = std::max(groups[2].size(), groups[0].size());
    setBox(across <= 1 ? 72 : 36 * across, along <= 1 ? 72 : 36 * along);
    placePortsOnBox(outline.width, outline.height, groups[3].size(), groups[1].size(), groups[0].size(),
                    groups[2].size());
    buildShape(0.0);
}

void Gate::addPortsFromList(QList<GatePort *> &target, int &counter, int direction, const QString &names)
{
    // A bus with one-digit bounds: "a[3:0]".
    static const QRegularExpression bus(QStringLiteral("^([^[]*)[[](\\d):(\\d)[\\]]$"));
    const int group = direction == Output ? 0 : 2;
    auto append = [&](const QString &portName) {
        auto *port = new GatePort(this, portName, PortAttributes::make(direction, group, counter++, 0, false, 0),
                                  0, 0);
        target.append(port);
    };
    for (const QString &part : names.split(QLatin1Char(','))) {
        const QString item = part.simplified();
        if (item.isEmpty())
            continue;
        const QRegularExpressionMatch match = bus.match(item);
        if (!match.hasMatch()) {
            append(item);
            continue;
        }
        const int a = match.captured(2).toInt();
        const int b = match.captured(3).toInt();
        for (int i = std::min(a, b); i <= std::max(a, b); ++i)
            append(QStringLiteral("%1[%2]").arg(match.captured(1)).arg(i));
    }
}

bool Gate::settleInOutPorts()
{
    QSet<QString> localKeys;
    QSet<QString> &resolved = module ? module->inOutKeys : localKeys;
    QSet<QString> undecided;
    auto makeOutput = [this, &resolved](GatePort *port, const QString &key) {
        resolved.insert(key);
        port->attributes.setPortDirection(Output);
        port->attributes.word = (port->attributes.word & ~quint32(0x70));
        ports.markUnsorted();
        if (port->net)
            port->net->addDriver(port);
    };
    auto makeInput = [](GatePort *port) { port->attributes.setPortDirection(Input); };
    const QList<GatePort *> all = ports.list();
    for (GatePort *port : all) {
        if (port->attributes.sortGroup() != 2 || port->attributes.direction() != InOut)
            continue;
        const QString key = typeName + QLatin1Char('.') + Name::stripLastIndex(port->name, false);
        const GatePort *driver = port->net ? port->net->drivers.first() : nullptr;
        // A generated open input stands in for a missing driver only.
        const bool driven = driver && driver != port && !(driver->owner && driver->owner->isGeneratedOpenInput());
        if (driven) {
            // Another port drives the net already (for a known key, the port
            // of a like instance seen first): this one reads it.
            makeInput(port);
            continue;
        }
        if (!port->net || resolved.contains(key)) {
            makeOutput(port, key);
            continue;
        }
        const QString lower = port->name.toLower();
        if (lower.startsWith(QLatin1String("in")) || lower.endsWith(QLatin1String("in"))
            || lower.endsWith(QLatin1String("_i")))
            makeInput(port);
        else if (lower.startsWith(QLatin1String("out")) || lower.endsWith(QLatin1String("out"))
                 || lower.endsWith(QLatin1String("_o")))
            makeOutput(port, key);
        else
            undecided.insert(key);
    }
    const bool noOutput = std::none_of(ports.list().cbegin(), ports.list().cend(), [](const GatePort *p) {
        return p->attributes.sortGroup() == 0;
    });
    if (noOutput && undecided.size() == 1) {
        resolved.insert(*undecided.cbegin());
        return true;
    }
    return false;
}

void Gate::layOutBoxSides(bool packBuses)
{
    // Per side the ports in position order, each at an offset along the side.
    constexpr double Pitch = 36.0;
    constexpr double PackedPitch = 2.0;
    // Cluster gates of the simple logic kinds stack one member per output
    // row: 108 between outputs, 54 between inputs (two per member), 18 on
    // the top and bottom sides. Multiplexer clusters keep the normal pitch;
    // their select pins sit on the slanted top and bottom edges, shifted
    // by 0.4 of a pitch towards the narrow end.
    const int base = baseKind();
    const bool logicCluster = isCluster() && base >= AND && base <= XNOR;
    const bool muxCluster = isCluster() && (base == MUX2 || base == MUX);
    auto pitchOf = [logicCluster](int group) {
        if (!logicCluster)
            return Pitch;
        return group == 0 ? 108.0 : group == 2 ? 54.0 : 18.0;
    };
    auto shiftOf = [muxCluster](int group) {
        if (!muxCluster)
            return 0.0;
        return group == 3 ? 0.4 * Pitch : group == 1 ? -0.4 * Pitch : 0.0;
    };
    QList<GatePort *> sides[4];
    QVector<double> offsets[4];
    double spans[4] = {};
    for (int group : {3, 1, 0, 2}) {
        QList<GatePort *> &side = sides[group];
        for (GatePort *port : ports.list()) {
            if (port->attributes.sortGroup() == group)
                side.append(port);
        }
        std::stable_sort(side.begin(), side.end(), PortSet::lessThan);
        BusSequence run;
        double offset = 0.0;
        const GatePort *previous = nullptr;
        for (int i = 0; i < side.size(); ++i) {
            GatePort *port = side.at(i);
            const bool continues = run.append(Name(port->name));
            if (i > 0) {
                const bool packed = packBuses && continues && !port->net && previous && !previous->net;
                offset += packed ? PackedPitch : pitchOf(group);
            }
            if (module && (!packBuses || !continues))
                ++module->nextNetNumber;
            if (packBuses && module) {
                // The bits of one bus share a net number, so that they are
                // routed as one bundle.
                if (continues && port->net)
                    port->net->setNetNumber(module->nextNetNumber);
                if (continues && previous && previous->net)
                    previous->net->setNetNumber(module->nextNetNumber);
            }
            port->attributes.position = i;
            offsets[group].append(offset);
            previous = port;
        }
        spans[group] = offset;
    }
    const double across = std::max(spans[3], spans[1]);
    const double along = std::max(spans[2], spans[0]);
    const int width = int(std::max(72.0, across + Pitch));
    const int height = int(std::max(72.0, along + Pitch));
    setBox(width, height);
    for (int group = 0; group < 4; ++group) {
        const double start = 1.0 + 0.5 * ((group == 0 || group == 2 ? height : width) - spans[group]);
        for (int i = 0; i < sides[group].size(); ++i) {
            GatePort *port = sides[group].at(i);
            const double place = start + offsets[group].at(i) + shiftOf(group);
            QPointF anchor;
            switch (group) {
            case 0:
                anchor = QPointF(width + 1, place);
                break;
            case 1:
                anchor = QPointF(place, height + 1);
                break;
            case 2:
                anchor = QPointF(1, place);
                break;
            default:
                anchor = QPointF(place, 1);
                break;
            }
            port->anchor = anchor;
            port->tip = anchor;
        }
    }
    ports.ensureSorted(true);
}

void Gate::initPorts(bool packBuses)
{
    if (kind != GENERIC && !isCluster())
        return;
    // A second pass settles the in-outs whose direction the first pass left
    // to the gate's only undecided bus.
    if (settleInOutPorts())
        settleInOutPorts();
    layOutBoxSides(packBuses);
    rect = QRectF();
    shapeBuilt = 0;
    buildShape(0.0);
    reportUnbuiltShape();
}

} // namespace GraphEngine
