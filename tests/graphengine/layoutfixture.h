#pragma once

// Small modules for the layout tests: module ports, plain gates and
// flip-flops wired by net name, and queries on the result.

#include "netlistfixture.h"

#include "graphengine/globals.h"
#include "graphengine/layout/marktable.h"

#include <QObject>
#include <QVector>
#include <QtTest>

namespace LayoutFixture {

using namespace GraphEngine;
using namespace NetlistFixture;

// The test case of a layout test: every test function builds in a fresh
// module "top" with tracing off.
class LayoutTestCase : public QObject
{
    Q_OBJECT

protected:
    ModuleMap m_modules;
    Module *m = nullptr;

protected slots:
    // Found by name before and after each test function.
    void init()
    {
        m = Module::findOrCreateModule(m_modules, QStringLiteral("top"), nullptr);
        traceEnabled = false;
    }
    void cleanup()
    {
        deleteModules(m_modules);
        traceEnabled = false;
    }
};

// A module input or output port whose net has the port's name; the result
// is the port gate.
inline Gate *modulePort(Module *m, const QString &name, int direction)
{
    const int group = direction == BaseEnum::Output ? 0 : 2;
    m->findOrCreatePortGate(name, name, PortAttributes::make(direction, group, 0, 0, false, 0), true);
    return m->portGates->map.value(Name(name, false, true));
}

inline Gate *input(Module *m, const QString &name) { return modulePort(m, name, BaseEnum::Input); }
inline Gate *output(Module *m, const QString &name) { return modulePort(m, name, BaseEnum::Output); }

// Connects the gate's named port to the module's net of that name.
inline void wire(Module *m, Gate *gate, const QString &port, const QString &netName)
{
    net(m, netName)->connectPort(gate->findPortByName(port));
}

// A one-input one-output gate "a" -> "y" reading netIn and driving netOut.
inline Gate *cell(Module *m, const QString &name, const QString &netIn, const QString &netOut,
                  int kind = BaseEnum::BUFFER)
{
    Gate *g = makeGate(m, name, {QStringLiteral("a")}, {QStringLiteral("y")}, kind);
    if (!netIn.isEmpty())
        wire(m, g, QStringLiteral("a"), netIn);
    if (!netOut.isEmpty())
        wire(m, g, QStringLiteral("y"), netOut);
    return g;
}

// A two-input gate "a", "b" -> "y" on the nets of those names given.
inline Gate *gate2(Module *m, const QString &name, const QString &netA, const QString &netB, const QString &netY,
                   int kind = BaseEnum::AND)
{
    Gate *g = makeGate(m, name, {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("y")}, kind);
    wire(m, g, QStringLiteral("a"), netA);
    wire(m, g, QStringLiteral("b"), netB);
    wire(m, g, QStringLiteral("y"), netY);
    return g;
}

// A gate with inputs "i0".. at pin heights 1, 3, ... and outputs "y0".. at
// 2, 4, ..., in a box of height h, its shape taken as built.
inline Gate *pinnedGate(Module *m, const QString &name, int inputs, int outputs, int kind, double h)
{
    QStringList in, out;
    for (int i = 0; i < inputs; ++i)
        in << QStringLiteral("i%1").arg(i);
    for (int i = 0; i < outputs; ++i)
        out << QStringLiteral("y%1").arg(i);
    Gate *g = makeGate(m, name, in, out, kind);
    int i = 0, o = 0;
    for (GatePort *p : g->ports.list())
        p->tip = p->attributes.sortGroup() == 0 ? QPointF(6, 2.0 + 2 * o++) : QPointF(0, 1.0 + 2 * i++);
    g->rect = QRectF(0, 0, 6, h);
    g->shapeBuilt = 1;
    return g;
}

inline Gate *gateNamed(const Module *m, const QString &name)
{
    for (Gate *g : m->gates->elements()) {
        if (g && g->name.text() == name)
            return g;
    }
    return nullptr;
}

inline QList<Gate *> gatesOfKind(const Module *m, int kind)
{
    QList<Gate *> found;
    for (Gate *g : m->gates->elements()) {
        if (g && g->kind == kind)
            found.append(g);
    }
    return found;
}

// The gates driving the net the gate's input port is on.
inline QStringList driversOf(const Gate *gate, const QString &port)
{
    const GatePort *p = gate->findPortByName(port);
    return p && p->net ? owners(p->net->drivers) : QStringList();
}

// Runs the steps up to and including the named one, as the driver does
// (the ordering leaves the nets whole without splitNets).
inline void runFront(Module *m, int steps, bool packBuses = true, bool preferOpenInput = false,
                     bool splitNets = true)
{
    m->markValue = 0;
    m->markTable->startRun();
    if (steps >= 1)
        m->resetLayout();
    if (steps >= 2)
        m->solveInOut(packBuses);
    if (steps >= 3)
        m->addFakeInputs(preferOpenInput);
    if (steps >= 4)
        m->removeLoopbacks();
    if (steps >= 5)
        m->orderTopologically(splitNets);
    if (steps >= 6)
        m->createColumns();
}

// Puts the gates in columns 1..lists.size(), each in the order given, as the
// column steps leave them; the ordered columns too when ordered is true.
inline void setColumns(Module *m, const QList<QList<Gate *>> &lists, bool ordered)
{
    m->lastColumn = lists.size();
    m->columnGates = {QList<Gate *>()};
    if (ordered)
        m->orderedColumns = {QList<Gate *>()};
    for (int c = 0; c < lists.size(); ++c) {
        for (Gate *g : lists.at(c))
            g->column = c + 1;
        m->columnGates.append(lists.at(c));
        if (ordered)
            m->orderedColumns.append(lists.at(c));
    }
}

// The main of a layout test: the switch KORVAN_EXTRA_ARGUMENT that a test
// target may define goes to the application only, not to QTest.
template<typename Application, typename TestCase>
int execWithExtraArgument(int argc, char **argv)
{
    QVector<char *> arguments(argv, argv + argc);
#ifdef KORVAN_EXTRA_ARGUMENT
    char extra[] = KORVAN_EXTRA_ARGUMENT;
    arguments.append(extra);
#endif
    int count = arguments.size();
    arguments.append(nullptr);
    Application app(count, arguments.data());
    TestCase test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace LayoutFixture
