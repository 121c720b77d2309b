#include "netlistgenerator.h"

#include "graphengine/model/edge.h"
#include "graphengine/model/gate.h"
#include "graphengine/model/gateport.h"
#include "graphengine/model/gates.h"
#include "graphengine/model/module.h"

#include <QBrush>
#include <QRandomGenerator>
#include <QVector>

#include <algorithm>
#include <cmath>

using namespace GraphEngine;

namespace NetlistGenerator {

namespace {

// A gate with its inputs and its output, whichever way it was built.
struct Made
{
    Gate *gate = nullptr;
    QList<GatePort *> inputs;
    GatePort *output = nullptr;
    GatePort *clock = nullptr;
};

class Generator
{
public:
    Generator(Module *module, const Shape &shape, quint32 seed)
        : module(module)
        , shape(shape)
        , random(seed)
        , levels(std::max(1, shape.levels) + 1)
    {
    }

    void run();

private:
    Module *module;
    Shape shape;
    QRandomGenerator random;
    QVector<QVector<Edge *>> levels;
    // Indexed nets of the bit-parallel groups, per level.
    QVector<QVector<QVector<Edge *>>> buses;
    Edge *clock = nullptr;
    // The constant nets "one" and "zero" of the unoptimised shape.
    Edge *constants[2] = {nullptr, nullptr};
    int serial = 0;

    Edge *newNet(const QString &name) { return module->edges->findOrCreate(Name(name)); }
    Edge *pickNet(int level);
    Edge *pickAnyEarlier(int level);
    Edge *pickUnoptimised(int level, int input);
    void addConstants();
    Made light(const QString &name, int kind, const QStringList &inputs);
    Made built(const QString &name, int kind, int fanIn);
    Made gate(const QString &name, int kind, int fanIn);
    Made flop(const QString &name);
    void extraDrivers(Edge *net, int level);
    void busGroup(int level, int width);
};

// The light gates of the benchmark: pins named I<k> and Y, a flip-flop's
// clock a control pin, every pin at the gate's origin.
Made Generator::light(const QString &name, int kind, const QStringList &inputs)
{
    auto *gate = new Gate;
    gate->kind = kind;
    gate->typeName = gateKindToString(kind);
    gate->name = Name(name);
    Made result;
    result.gate = gate;
    for (int k = 0; k < inputs.size(); ++k) {
        // A flip-flop's clock is a control pin: banks on one clock fold.
        const bool control = inputs.at(k) == QLatin1String("CLK");
        auto *port = new GatePort(gate, inputs.at(k), PortAttributes::make(0, 2, k, 0, control, 1), 0, 0);
        gate->ports.add(port);
        if (control)
            result.clock = port;
        else
            result.inputs.append(port);
    }
    result.output = new GatePort(gate, QStringLiteral("Y"), PortAttributes::make(1, 0, 0, 0, false, 12), 0, 0);
    gate->ports.add(result.output);
    gate->ports.ensureSorted(false);
    module->registerInstance(gate, true);
    return result;
}

// Gates as the netlist builder makes them: real pin positions and outlines.
Made Generator::built(const QString &name, int kind, int fanIn)
{
    Gate *gate = kind == BaseEnum::FLOP ? new Gate(BaseEnum::D | BaseEnum::CLK | BaseEnum::Q, QBrush())
                                        : new Gate(kind, fanIn, QBrush());
    gate->nameInstance(Name(name));
    module->registerInstance(gate, true);
    Made result;
    result.gate = gate;
    for (GatePort *port : gate->ports.list()) {
        if (port->attributes.direction() == BaseEnum::Output)
            result.output = port;
        else if (kind == BaseEnum::FLOP && port->name == QLatin1String("CLK"))
            result.clock = port;
        else
            result.inputs.append(port);
    }
    return result;
}

Made Generator::gate(const QString &name, int kind, int fanIn)
{
    if (shape.extras || shape.builtGates)
        return built(name, kind, fanIn);
    QStringList names;
    for (int k = 0; k < fanIn; ++k)
        names << QStringLiteral("I%1").arg(k);
    return light(name, kind, names);
}

Made Generator::flop(const QString &name)
{
    return shape.extras || shape.builtGates ? built(name, BaseEnum::FLOP, 1)
                                            : light(name, BaseEnum::FLOP, {"D", "CLK"});
}

Edge *Generator::pickNet(int level)
{
    const int roll = random.bounded(100);
    int from = level - 1;
    if (roll >= 95)
        from = random.bounded(level);
    else if (roll >= 70)
        from = std::max(0, level - 2 - random.bounded(3));
    while (from > 0 && levels.at(from).isEmpty())
        --from;
    const QVector<Edge *> &nets = levels.at(from);
    return nets.at(random.bounded(nets.size()));
}

Edge *Generator::pickAnyEarlier(int level)
{
    int from = random.bounded(level);
    while (from > 0 && levels.at(from).isEmpty())
        --from;
    const QVector<Edge *> &nets = levels.at(from);
    return nets.at(random.bounded(nets.size()));
}

// An input of the unoptimised shape: the first from the level just before,
// the others from a constant one time in sixteen, else from any earlier
// level.
Edge *Generator::pickUnoptimised(int level, int input)
{
    if (input == 0) {
        int from = level - 1;
        while (from > 0 && levels.at(from).isEmpty())
            --from;
        const QVector<Edge *> &nets = levels.at(from);
        return nets.at(random.bounded(nets.size()));
    }
    if (random.bounded(16) == 0)
        return constants[random.bounded(2)];
    return pickAnyEarlier(level);
}

// The nets "one" and "zero", each driven by its constant gate.
void Generator::addConstants()
{
    Gate *one = new Vcc(QStringLiteral("vcc0"), QBrush());
    module->registerInstance(one, true);
    constants[0] = newNet(QStringLiteral("one"));
    constants[0]->connectPort(one->ports.list().first());
    Gate *zero = new Gnd(QStringLiteral("gnd0"), QBrush());
    module->registerInstance(zero, true);
    constants[1] = newNet(QStringLiteral("zero"));
    constants[1]->connectPort(zero->ports.list().first());
}

// A second driver on the net: a tristate buffer (a shared bus line) or, now
// and then, a plain gate (a wired connection).
void Generator::extraDrivers(Edge *net, int level)
{
    const bool tristate = random.bounded(4) != 0;
    Made driver = built(QStringLiteral("md%1").arg(serial++), tristate ? BaseEnum::TRISTATE : BaseEnum::OR, 2);
    for (GatePort *input : qAsConst(driver.inputs))
        pickNet(level)->connectPort(input);
    net->connectPort(driver.output);
}

// Bit-parallel gates on the indexed nets bus<n>[k]: they read the bits of an
// earlier bus of the same width when there is one, else single nets.
void Generator::busGroup(int level, int width)
{
    const int kinds[] = {BaseEnum::AND, BaseEnum::XOR, BaseEnum::INVERTER, BaseEnum::NOR};
    const int kind = kinds[random.bounded(4)];
    const int fanIn = kind == BaseEnum::INVERTER ? 1 : 2;
    const QVector<Edge *> *source = nullptr;
    for (int from = level - 1; from >= 0 && !source; --from) {
        for (const QVector<Edge *> &bus : buses.at(from)) {
            if (bus.size() == width) {
                source = &bus;
                break;
            }
        }
    }
    Edge *shared = pickNet(level);
    const int number = serial++;
    QVector<Edge *> bus;
    for (int k = 0; k < width; ++k) {
        Made bit = built(QStringLiteral("bg%1_%2").arg(number).arg(k), kind, fanIn);
        (source ? source->at(k) : pickNet(level))->connectPort(bit.inputs.first());
        if (fanIn > 1)
            shared->connectPort(bit.inputs.at(1));
        Edge *out = newNet(QStringLiteral("bus%1[%2]").arg(number).arg(k));
        out->connectPort(bit.output);
        bus.append(out);
        levels[level].append(out);
    }
    buses[level].append(bus);
}

void Generator::run()
{
    const int Levels = levels.size() - 1;
    const int Stage = shape.stage;
    buses.resize(Levels + 1);
    const int inputs = std::max(4, shape.gates / 100);
    for (int i = 0; i < inputs; ++i) {
        const QString name = QStringLiteral("in%1").arg(i);
        levels[0].append(module->findOrCreatePortGate(name, name, PortAttributes::make(0, 2, i, 0, false, 0), true));
    }
    clock = module->findOrCreatePortGate(QStringLiteral("clk"), QStringLiteral("clk"),
                                         PortAttributes::make(0, 2, inputs, 0, false, 0), true);
    if (shape.extras) {
        // An input bus, constants and undriven nets among the first level's
        // nets.
        const int width = 2 + random.bounded(7);
        QVector<Edge *> bus;
        for (int k = 0; k < width; ++k) {
            const QString name = QStringLiteral("bin[%1]").arg(k);
            bus.append(module->findOrCreatePortGate(name, name, PortAttributes::make(0, 2, inputs + 1 + k, 0, false, 0),
                                                    true));
        }
        levels[0] += bus;
        buses[0].append(bus);
        addConstants();
        levels[0] << constants[0] << constants[1];
        const int floating = 1 + random.bounded(3);
        for (int k = 0; k < floating; ++k)
            levels[0] << newNet(QStringLiteral("floating%1").arg(k));
    }
    if (shape.unoptimised && !shape.extras)
        addConstants();
    QVector<QPair<Gate *, int>> feedback;
    const int kinds[] = {BaseEnum::AND, BaseEnum::OR, BaseEnum::NAND, BaseEnum::XOR, BaseEnum::BUFFER};
    for (int i = 0; i < shape.gates; ++i) {
        const int level = 1 + i % Levels;
        if (shape.extras && random.bounded(40) == 0) {
            const int width = 2 + random.bounded(7);
            busGroup(level, width);
            i += width - 1;
            continue;
        }
        Made cell;
        if (Stage > 0 && level % Stage == 0 && level < Levels) {
            cell = flop(QStringLiteral("ff%1").arg(i));
            clock->connectPort(cell.clock);
            if (random.bounded(10) == 0)
                feedback.append({cell.gate, level});
            else
                pickNet(level)->connectPort(cell.inputs.first());
        } else {
            const int kind = kinds[random.bounded(5)];
            const int fanIn = kind == BaseEnum::BUFFER ? 1 : 2 + random.bounded(2);
            cell = gate(QStringLiteral("g%1").arg(i), kind, fanIn);
            for (int k = 0; k < cell.inputs.size(); ++k) {
                Edge *net = shape.unoptimised      ? pickUnoptimised(level, k)
                            : shape.deep && k > 0 ? pickAnyEarlier(level)
                                                  : pickNet(level);
                net->connectPort(cell.inputs.at(k));
            }
        }
        // An unoptimised design's outputs are gates' own nets, named after
        // the output they drive, that later logic may read as well.
        const bool output = shape.unoptimised && i % 50 == 49;
        Edge *out = newNet(output ? QStringLiteral("out%1").arg(i / 50) : QStringLiteral("n%1").arg(i));
        out->connectPort(cell.output);
        levels[level].append(out);
        if (shape.extras && random.bounded(30) == 0)
            extraDrivers(out, level);
    }
    for (const auto &flop : qAsConst(feedback)) {
        Made next = gate(QStringLiteral("fb_%1").arg(flop.first->name.text()), BaseEnum::XOR, 2);
        GatePort *q = nullptr;
        GatePort *d = nullptr;
        for (GatePort *port : flop.first->ports.list()) {
            if (port->attributes.direction() == BaseEnum::Output)
                q = port;
            else if (port->name == QLatin1String("D"))
                d = port;
        }
        q->net->connectPort(next.inputs.at(0));
        pickNet(flop.second)->connectPort(next.inputs.at(1));
        Edge *dNet = newNet(QStringLiteral("d_%1").arg(flop.first->name.text()));
        dNet->connectPort(next.output);
        dNet->connectPort(d);
    }
    if (shape.extras) {
        // Combinational loops: two gates that read each other.
        const int loops = 1 + random.bounded(3);
        for (int k = 0; k < loops; ++k) {
            const int level = 1 + random.bounded(Levels);
            Made a = built(QStringLiteral("la%1").arg(k), BaseEnum::OR, 2);
            Made b = built(QStringLiteral("lb%1").arg(k), BaseEnum::AND, 2);
            Edge *aOut = newNet(QStringLiteral("loop%1a").arg(k));
            Edge *bOut = newNet(QStringLiteral("loop%1b").arg(k));
            aOut->connectPort(a.output);
            bOut->connectPort(b.output);
            pickNet(level)->connectPort(a.inputs.at(0));
            bOut->connectPort(a.inputs.at(1));
            aOut->connectPort(b.inputs.at(0));
            pickNet(level)->connectPort(b.inputs.at(1));
            levels[level].append(bOut);
        }
    }
    int last = Levels;
    while (last > 0 && levels.at(last).isEmpty())
        --last;
    const int outputs = shape.unoptimised ? shape.gates / 50 : std::max(4, shape.gates / 100);
    for (int i = 0; i < outputs; ++i) {
        const QString name = QStringLiteral("out%1").arg(i);
        if (shape.unoptimised) {
            module->findOrCreatePortGate(name, name, PortAttributes::make(1, 0, i, 0, false, 0), true);
            continue;
        }
        const QVector<Edge *> &nets = levels.at(last);
        module->findOrCreatePortGate(name, nets.at(random.bounded(nets.size()))->name.text(),
                                     PortAttributes::make(1, 0, i, 0, false, 0), true);
    }
    if (shape.extras) {
        // An output bus on the last bus made, and an output nothing drives.
        for (int level = Levels; level > 0; --level) {
            if (buses.at(level).isEmpty())
                continue;
            const QVector<Edge *> &bus = buses.at(level).last();
            for (int k = 0; k < bus.size(); ++k)
                module->findOrCreatePortGate(QStringLiteral("bout[%1]").arg(k), bus.at(k)->name.text(),
                                             PortAttributes::make(1, 0, outputs + k, 0, false, 0), true);
            break;
        }
        module->findOrCreatePortGate(QStringLiteral("undriven_out"), QStringLiteral("floating0"),
                                     PortAttributes::make(1, 0, outputs + 100, 0, false, 0), true);
    }
}

} // namespace

Shape randomShape(quint32 seed)
{
    // A stream of its own, so that the shape does not shift the netlist's.
    QRandomGenerator random(seed ^ 0x5eed5eedu);
    Shape shape;
    // Log-uniform from 10 to 2,000.
    shape.gates = int(std::lround(10.0 * std::pow(200.0, random.generateDouble())));
    shape.levels = 2 + random.bounded(std::min(31, 1 + shape.gates / 4));
    shape.stage = random.bounded(3) == 0 ? 0 : 2 + random.bounded(7);
    shape.extras = true;
    return shape;
}

namespace {

// Random logic without registers on a level per `gatesPerLevel` gates.
Shape levelled(int gates, int gatesPerLevel)
{
    Shape shape;
    shape.gates = gates;
    shape.levels = std::max(2, gates / gatesPerLevel);
    shape.stage = 0;
    return shape;
}

} // namespace

Shape deepShape(int gates)
{
    Shape shape = levelled(gates, 10);
    shape.deep = true;
    return shape;
}

Shape unoptimisedShape(int gates)
{
    Shape shape = levelled(gates, 3);
    shape.unoptimised = true;
    return shape;
}

void generate(Module *module, const Shape &shape, quint32 seed)
{
    Generator(module, shape, seed).run();
}

Gate *chain(Module *module, int length)
{
    module->findOrCreatePortGate(QStringLiteral("i"), QStringLiteral("i"), PortAttributes::make(0, 2, 0, 0, false, 0),
                                 true);
    Edge *previous = module->edges->findOrCreate(Name(QStringLiteral("i")));
    auto gate = [module](const QString &name, int kind, int fanIn) {
        auto *gate = new Gate(kind, fanIn, QBrush());
        gate->nameInstance(Name(name));
        module->registerInstance(gate, true);
        return gate;
    };
    auto connect = [](Gate *gate, Edge *net, int direction) {
        for (GatePort *port : gate->ports.list()) {
            if (!port->net && (port->attributes.direction() == BaseEnum::Output) == (direction == BaseEnum::Output)) {
                net->connectPort(port);
                return;
            }
        }
    };
    for (int k = 0; k < length; ++k) {
        Gate *buffer = gate(QStringLiteral("c%1").arg(k), BaseEnum::BUFFER, 1);
        connect(buffer, previous, BaseEnum::Input);
        previous = module->edges->findOrCreate(Name(QStringLiteral("s%1").arg(k)));
        connect(buffer, previous, BaseEnum::Output);
    }
    Gate *end = gate(QStringLiteral("end"), BaseEnum::AND, 2);
    connect(end, previous, BaseEnum::Input);
    connect(end, module->edges->findOrCreate(Name(QStringLiteral("i"))), BaseEnum::Input);
    module->findOrCreatePortGate(QStringLiteral("o"), QStringLiteral("o"), PortAttributes::make(1, 0, 0, 0, false, 0),
                                 true);
    connect(end, module->edges->findOrCreate(Name(QStringLiteral("o"))), BaseEnum::Output);
    return end;
}

} // namespace NetlistGenerator
