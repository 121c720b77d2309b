// The Verilog statements of a gate, and how netlist names are spelled in
// Verilog.
#include "gate.h"

#include "edge.h"
#include "gateport.h"
#include "verilogtext.h"

#include <QSet>

#include <algorithm>

namespace GraphEngine {

namespace {

// Verilog-2005 reserved words: a name spelled like one must be escaped.
const QSet<QString> &verilogKeywords()
{
    static const QSet<QString> words = [] {
        QSet<QString> set;
        for (const char *word :
             {"always", "and", "assign", "automatic", "begin", "buf", "bufif0", "bufif1", "case", "casex",
              "casez", "cell", "cmos", "config", "deassign", "default", "defparam", "design", "disable",
              "edge", "else", "end", "endcase", "endconfig", "endfunction", "endgenerate", "endmodule",
              "endprimitive", "endspecify", "endtable", "endtask", "event", "for", "force", "forever",
              "fork", "function", "generate", "genvar", "highz0", "highz1", "if", "ifnone", "incdir",
              "include", "initial", "inout", "input", "instance", "integer", "join", "large", "liblist",
              "library", "localparam", "macromodule", "medium", "module", "nand", "negedge", "nmos", "nor",
              "noshowcancelled", "not", "notif0", "notif1", "or", "output", "parameter", "pmos", "posedge",
              "primitive", "pull0", "pull1", "pulldown", "pullup", "pulsestyle_onevent",
              "pulsestyle_ondetect", "rcmos", "real", "realtime", "reg", "release", "repeat", "rnmos",
              "rpmos", "rtran", "rtranif0", "rtranif1", "scalared", "showcancelled", "signed", "small",
              "specify", "specparam", "strong0", "strong1", "supply0", "supply1", "table", "task", "time",
              "tran", "tranif0", "tranif1", "tri", "tri0", "tri1", "triand", "trior", "trireg", "unsigned",
              "use", "uwire", "vectored", "wait", "wand", "weak0", "weak1", "while", "wire", "wor", "xnor",
              "xor"})
            set.insert(QString::fromLatin1(word));
        return set;
    }();
    return words;
}

bool isPlainIdentifier(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool more = (c >= '0' && c <= '9') || c == '$';
        if (!letter && !(i > 0 && more))
            return false;
    }
    return !verilogKeywords().contains(text);
}

// The cell its members are: a cluster's type name without "_<copies>" and
// without the "_<variant>" that a second pattern of the same cell and copy
// count adds ("AND_2_2": two three-input ANDs beside two-input ones).
QString memberTypeName(const Gate *gate)
{
    const QString &typeName = gate->typeName;
    const QString copies = QLatin1Char('_') + QString::number(gate->nativeNameCount());
    if (typeName.endsWith(copies))
        return typeName.left(typeName.size() - copies.size());
    const int variant = typeName.lastIndexOf(QLatin1Char('_'));
    if (variant > 0 && typeName.leftRef(variant).endsWith(copies))
        return typeName.left(variant - copies.size());
    const int cut = typeName.lastIndexOf(QLatin1Char('_'));
    return cut < 0 ? typeName : typeName.left(cut);
}

// The instance name of member bit (-1: the gate itself). A member whose name
// cannot be read is named after the gate and its number.
QString memberName(const Gate *gate, int bit)
{
    const Name member = gate->nativeName(bit);
    if (!member.isNull() && !member.text().isEmpty())
        return member.toString(false);
    return gate->name.toString(false) + QLatin1Char('.') + QString::number(bit);
}

QString instanceText(const Gate *gate, int bit)
{
    return verilogIdentifier(memberName(gate, bit));
}

QString netText(const GatePort *port)
{
    return port && port->net ? verilogSignal(port->net->name) : QString();
}

// The name a cluster member's port is connected under: the base of an
// indexed port name.
QString memberPortName(const GatePort *port)
{
    const Name portName(port->name);
    return portName.hasIndex() ? portName.baseText() : port->name;
}

// A module port that is a bus is connected as a whole: the bits of the
// instance's ports, from the lowest index up as the port is declared
// ("[0:3] a" puts a[0] first). A missing or unconnected input bit floats
// (1'bz); an output bit needs a net of its own, declared in openWires.
QString busConnection(const QString &instance, const QString &base, const QMap<int, const GatePort *> &bits,
                      QString *openWires)
{
    bool anyConnected = false;
    bool anyOutput = false;
    for (const GatePort *port : bits) {
        anyConnected = anyConnected || port->net;
        anyOutput = anyOutput || port->attributes.direction() == BaseEnum::Output;
    }
    if (!anyConnected)
        return QString();
    if (bits.size() == 1)
        return netText(bits.first());
    QStringList operands;
    for (int index = bits.firstKey(); index <= bits.lastKey(); ++index) {
        const GatePort *port = bits.value(index);
        if (port && port->net) {
            operands << netText(port);
        } else if (anyOutput) {
            const QString open = verilogIdentifier(instance + QLatin1Char('.') + base
                                                   + QStringLiteral("[%1].open").arg(index));
            *openWires += QStringLiteral("  wire %1;\n").arg(open);
            operands << open;
        } else {
            operands << QStringLiteral("1'bz");
        }
    }
    return QLatin1Char('{') + operands.join(QLatin1Char(',')) + QLatin1Char('}');
}

// connectionList, with the declarations of the nets made for open output
// bits of bus ports.
QString connections(const Gate *gate, int bit, QString *openWires)
{
    QStringList items;
    if (bit >= 0) {
        for (const GatePort *port : gate->portsOfBit(PortSet::AllGroups, bit)) {
            if (port->net)
                items << QStringLiteral(".%1(%2)").arg(verilogIdentifier(memberPortName(port)), netText(port));
        }
        return items.join(QLatin1Char(','));
    }
    // The bits of one bus port are gathered where its first bit stands.
    const QString instance = memberName(gate, bit);
    QStringList order;
    QMap<QString, QMap<int, const GatePort *>> buses;
    QMap<QString, const GatePort *> scalars;
    for (const GatePort *port : gate->ports.list()) {
        const Name portName(port->name);
        const QString key = isVerilogBusBit(portName) ? portName.baseText() : port->name;
        if (!buses.contains(key) && !scalars.contains(key))
            order << key;
        if (isVerilogBusBit(portName))
            buses[key].insert(portName.index(0), port);
        else
            scalars.insert(key, port);
    }
    for (const QString &key : qAsConst(order)) {
        const QString value = buses.contains(key) ? busConnection(instance, key, buses.value(key), openWires)
                                                  : netText(scalars.value(key));
        items << QStringLiteral(".%1(%2)").arg(verilogIdentifier(key), value);
    }
    return items.join(QLatin1Char(','));
}

} // namespace

QString verilogIdentifier(const QString &text)
{
    if (isPlainIdentifier(text))
        return text;
    if (text.isEmpty())
        return QString();
    QString escaped = text;
    for (QChar &c : escaped) {
        if (c.unicode() <= ' ' || c.unicode() > '~')
            c = QLatin1Char('_');
    }
    return QLatin1Char('\\') + escaped + QLatin1Char(' ');
}

QString verilogModuleName(const QString &name)
{
    QString text = name;
    return verilogIdentifier(text.replace(QLatin1String("Stack Path"), QLatin1String("StackPath")));
}

bool isVerilogBusBit(const Name &name)
{
    return name.indexCount() == 1 && !(name.flags() & Name::Marked) && name.openBracket(0) == QLatin1Char('[')
        && name.closeBracket(0) == QLatin1Char(']') && !name.baseText().isEmpty();
}

QString verilogSignal(const Name &name)
{
    if (isVerilogBusBit(name))
        return verilogIdentifier(name.baseText()) + QStringLiteral("[%1]").arg(name.index(0));
    return verilogIdentifier(name.toString(false));
}

QString verilogCellName(const Gate *gate)
{
    if (!gate)
        return QString();
    if (gate->isCluster())
        return memberTypeName(gate);
    if (gate->typeName.isEmpty() && gate->kind == BaseEnum::GENERIC && !gate->name.isNull())
        return gateKindToString(BaseEnum::GENERIC) + QLatin1Char('_') + gate->name.toString(false);
    return gate->typeName;
}

QMap<int, GatePort *> Gate::portsByPosition(int sortGroup) const
{
    QMap<int, GatePort *> byPosition;
    for (GatePort *port : ports.list()) {
        if (port && port->attributes.sortGroup() == sortGroup)
            byPosition.insert(port->attributes.position16(), port);
    }
    return byPosition;
}

QMap<int, GatePort *> Gate::portsOfBit(int sortGroup, int bit) const
{
    QMap<int, GatePort *> members;
    for (GatePort *port : ports.list()) {
        if (!port || (sortGroup != PortSet::AllGroups && port->attributes.sortGroup() != sortGroup))
            continue;
        if (bit >= 0) {
            // Two indices: the member is told by the last one.
            const Name portName(port->name);
            if (portName.hasIndex() && portName.index(0) != bit)
                continue;
        }
        members.insert(members.size(), port);
    }
    return members;
}

QString Gate::connectionList(int bit) const
{
    QString openWires;
    return connections(this, bit, &openWires);
}

QString Gate::writeVerilog() const
{
    // Members: one pass for a plain gate, one per listed name of a cluster.
    QList<int> members;
    if (isCluster()) {
        for (int i = 0; i < nativeNameCount(); ++i)
            members << i;
    } else {
        members << -1;
    }

    static const char *const constants[] = {"1'b1", "1'b0", "1'bx", "1'bz"};
    switch (kind) {
    case VCC:
    case GND:
    case X:
    case Z: {
        const QMap<int, GatePort *> outputs = portsByPosition(0);
        if (outputs.isEmpty() || !outputs.first()->net)
            return QString();
        return QStringLiteral("  assign %1 = %2;\n")
            .arg(netText(outputs.first()), QLatin1String(constants[kind - VCC]));
    }
    default:
        break;
    }

    const int base = baseKind();
    QString text;
    if (base >= AND && base <= TRISTATE) {
        // The kind names the primitive, whatever the type name says (a
        // cluster's carries its copy count and variant).
        const QString primitive = base == BUFFER ? QStringLiteral("buf")
            : base == INVERTER                   ? QStringLiteral("not")
            : base == TRISTATE                   ? QStringLiteral("bufif1")
                                                 : gateKindToString(base).toLower();
        for (int bit : qAsConst(members)) {
            const QMap<int, GatePort *> outputs = portsOfBit(0, bit);
            if (outputs.isEmpty() || !outputs.first()->net)
                continue;
            QStringList terminals{netText(outputs.first())};
            const QList<GatePort *> inputs = portsOfBit(2, bit).values();
            if (base == TRISTATE) {
                // bufif1 takes exactly output, data and enable; a terminal on no
                // net floats.
                const QList<GatePort *> enables = portsOfBit(1, bit).values();
                for (const GatePort *port : {inputs.value(0), enables.value(0)})
                    terminals << (port && port->net ? netText(port) : QStringLiteral("1'bz"));
            } else {
                for (const GatePort *port : inputs) {
                    if (port->net)
                        terminals << netText(port);
                }
                // A primitive needs an input terminal.
                if (terminals.size() == 1)
                    terminals << QStringLiteral("1'bz");
            }
            text += QStringLiteral("  %1 %2(%3);\n")
                        .arg(primitive, instanceText(this, bit), terminals.join(QLatin1Char(',')));
        }
        return text;
    }

    const bool instance = kind == GENERIC || base == MUX2 || base == MUX || base == FLOP;
    if (!instance)
        return QString();
    const QString cell = verilogModuleName(verilogCellName(this));
    for (int bit : qAsConst(members)) {
        QString openWires;
        const QString list = connections(this, bit, &openWires);
        text += openWires + QStringLiteral("  %1 %2(%3);\n").arg(cell, instanceText(this, bit), list);
    }
    return text;
}

} // namespace GraphEngine
