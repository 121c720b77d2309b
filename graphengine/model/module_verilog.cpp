// The Verilog module writer: header, port list, declarations, wires and the
// gates' statements, after the modules the instances name.
#include "module.h"

#include "edge.h"
#include "gate.h"
#include "gateport.h"
#include "gates.h"
#include "graphengine/logging.h"
#include "name.h"
#include "verilogtext.h"

#include <QMutexLocker>

namespace GraphEngine {

namespace {

struct Signal
{
    bool wire = false;
    QString direction;
};

// A group of consecutive signal-table entries declared together.
struct Run
{
    Name first;
    Name last;
    bool wire = false;
    QString direction;
};

// The state of one whole write: modules on the current descent (a module
// met again there names itself), modules already written, and the modules
// made for generic gates without a type name, which do not belong in any
// registry.
struct Writer
{
    QSet<const Module *> descent;
    QSet<const Module *> written;
    ModuleMap generatedCells;
    ~Writer() { deleteModules(generatedCells); }

    QString write(Module *module);
    Module *subModuleOf(Gate *gate);
};

// Keys compare texts and indices, not hashes, so that the table runs in name
// order and the bits of a bus stand together.
Name tableKey(const Name &name)
{
    return Name(name.toString(false), false, true);
}

QString directionOf(int kind)
{
    switch (kind) {
    case BaseEnum::INPUTPORT:
        return QStringLiteral("input");
    case BaseEnum::OUTPUTPORT:
        return QStringLiteral("output");
    case BaseEnum::INOUTPORT:
        return QStringLiteral("inout");
    default:
        return QString();
    }
}

bool continuesRun(const Run &run, const Name &name)
{
    return isVerilogBusBit(run.first) && isVerilogBusBit(name) && Name::sameBase(run.first, name);
}

// The port-list entry and the declared text ("[0:3] a" or "a") of a run.
QString runBase(const Run &run)
{
    return isVerilogBusBit(run.first) ? verilogIdentifier(run.first.baseText()) : verilogSignal(run.first);
}

QString runRange(const Run &run)
{
    if (!isVerilogBusBit(run.first))
        return verilogSignal(run.first);
    const QString range = Name::toVerilog(run.first, run.last);
    return range.chopped(run.first.baseText().size()) + verilogIdentifier(run.first.baseText());
}

bool namesSubModule(const Gate *gate)
{
    const int base = gate->baseKind();
    return gate->kind == BaseEnum::GENERIC || base == BaseEnum::MUX2 || base == BaseEnum::MUX
        || base == BaseEnum::FLOP;
}

Module *Writer::subModuleOf(Gate *gate)
{
    const QString cell = verilogCellName(gate);
    if (cell.isEmpty())
        return nullptr;
    Module *sub = nullptr;
    if (gate->typeName.isEmpty()) {
        sub = Module::findOrCreateModule(generatedCells, cell, nullptr);
    } else if (gate->module && gate->module->registry) {
        sub = Module::findOrCreateModule(*gate->module->registry, cell, nullptr);
    } else {
        QMutexLocker locker(&moduleRegistryMutex());
        sub = Module::findOrCreateModule(moduleRegistry(), cell, nullptr);
    }
    if (!sub || !sub->portGates->isEmpty())
        return sub;
    if (!gate->isCluster()) {
        sub->createPortGates(gate);
        return sub;
    }
    // A cluster's cell is the cell of one member: the ports of member 0,
    // indexed ones under their base name.
    int nextPosition[2] = {};
    for (const GatePort *port : gate->portsOfBit(PortSet::AllGroups, 0)) {
        const Name portName(port->name);
        const int direction = port->attributes.portDirection();
        const int side = direction == BaseEnum::Output ? 0 : 1;
        sub->findOrCreatePortGate(portName.hasIndex() ? portName.baseText() : port->name, QString(),
                                  PortAttributes::make(direction, side == 0 ? 0 : 2, nextPosition[side]++, 0,
                                                       false, 0),
                                  false);
    }
    return sub;
}

QString Writer::write(Module *module)
{
    descent.insert(module);
    written.insert(module);
    const QString header = QStringLiteral("module %1(").arg(verilogModuleName(module->name));

    QMap<Name, Signal> signalTable;
    for (const Gate *gate : module->portGates->elements()) {
        const QString direction = gate ? directionOf(gate->kind) : QString();
        if (direction.isEmpty() || gate->name.isNull())
            continue;
        signalTable[tableKey(gate->name)].direction = direction;
    }
    for (const Edge *net : module->edges->elements()) {
        if (net && !net->name.isNull())
            signalTable[tableKey(net->name)].wire = true;
    }

    QStringList portList;
    QString declarations;
    QString wires;
    // A plain name that is also the base of a bus ("a" and "a[0]") would be
    // declared twice; such text is not valid and is reported.
    QSet<QString> declared;
    auto close = [&](const Run &run) {
        const QString base = runBase(run);
        if (declared.contains(base)) {
            logWarning(Module::tr("Verilog of module %1 declares %2 twice: a name and a bus of that name")
                           .arg(module->name, base));
        }
        declared.insert(base);
        if (!run.direction.isEmpty()) {
            portList << base;
            declarations += QStringLiteral("  %1 %2;\n").arg(run.direction, runRange(run));
        }
        if (run.wire)
            wires += QStringLiteral("  wire %1;\n").arg(runRange(run));
    };
    Run run;
    for (auto it = signalTable.cbegin(); it != signalTable.cend(); ++it) {
        if (!run.first.isNull() && continuesRun(run, it.key())) {
            run.last = it.key();
            run.wire = run.wire || it->wire;
            if (run.direction.isEmpty())
                run.direction = it->direction;
            else if (run.direction != it->direction)
                run.direction = QStringLiteral("inout");
            continue;
        }
        if (!run.first.isNull())
            close(run);
        run = Run{it.key(), it.key(), it->wire, it->direction};
    }
    if (!run.first.isNull())
        close(run);

    // A port gate on a net of another name (a renamed or generated net) is
    // joined to it here; the gates only ever name the net, so without this
    // the port would be written unconnected.
    QString statements;
    for (const Gate *gate : module->portGates->elements()) {
        if (!gate || directionOf(gate->kind).isEmpty() || gate->name.isNull())
            continue;
        QSet<const Edge *> joined;
        for (const GatePort *pin : gate->ports.list()) {
            const Edge *net = pin ? pin->net : nullptr;
            if (!net || net->name.isNull() || net->name.toString(false) == gate->name.toString(false) || joined.contains(net))
                continue;
            joined.insert(net);
            const QString port = verilogSignal(gate->name);
            const QString wire = verilogSignal(net->name);
            if (gate->kind == BaseEnum::OUTPUTPORT)
                statements += QStringLiteral("  assign %1 = %2;\n").arg(port, wire);
            else if (gate->kind == BaseEnum::INPUTPORT)
                statements += QStringLiteral("  assign %1 = %2;\n").arg(wire, port);
            else // both ways: a switch
                statements += QStringLiteral("  tran (%1, %2);\n").arg(port, wire);
        }
    }
    QMap<QString, Module *> subModules;
    for (Gate *gate : module->gates->elements()) {
        if (!gate)
            continue;
        statements += gate->writeVerilog();
        if (!namesSubModule(gate))
            continue;
        if (Module *sub = subModuleOf(gate))
            subModules.insert(sub->name, sub);
    }

    QStringList subTexts;
    for (Module *sub : qAsConst(subModules)) {
        if (descent.contains(sub)) {
            logWarning(Module::tr("Module %1 contains itself; its instance in %2 is not written out again")
                           .arg(sub->name, module->name));
            continue;
        }
        if (!written.contains(sub))
            subTexts << write(sub);
    }
    descent.remove(module);

    QString text = subTexts.join(QStringLiteral("\n\n"));
    text += header;
    text += portList.join(QStringLiteral(",\n%1").arg(QString(header.size(), QLatin1Char(' '))));
    text += QStringLiteral(");\n\n");
    return text + declarations + wires + statements + QStringLiteral("endmodule\n\n");
}

} // namespace

QString Module::writeVerilog()
{
    Writer writer;
    return writer.write(this);
}

} // namespace GraphEngine
