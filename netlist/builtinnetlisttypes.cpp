#include "netlisttypes.h"
#include "netlisttypes_p.h"

#include "graphengine/model/baseenum.h"

namespace KorvanDebugger {
namespace Internal {

namespace {

using GraphEngine::BaseEnum;

// Class names of the Verific netlist library, without the namespace.
const char *const verificInstanceTypes[] = {"Instance", "LutInstance"};
const char *const verificNetTypes[] = {"Net"};
const char *const verificInstanceTerminalTypes[] = {"PortRef"};
const char *const verificModulePortTypes[] = {"Port"};
const char *const verificModuleTypes[] = {
    "Netlist", "Operator", "OperAdder", "OperReduceAnd", "OperReduceNand", "OperReduceOr",
    "OperReduceNor", "OperReduceXor", "OperReduceXnor", "OperLessThan", "OperMult", "OperDiv",
    "OperPow", "OperMod", "OperRem", "OperShiftLeft", "OperShiftRight", "OperRotateLeft",
    "OperRotateRight", "OperNto1Mux", "OperDecoder", "OperEnabledDecoder", "OperSelector",
    "OperPrioSelector", "OperPrioEncoder", "OperDualPortRam", "OperReadPort", "OperWritePort",
    "OperClockedWritePort", "OperWideBuffer", "OperWideTristate", "OperWideInv", "OperWideBinary",
    "OperUnaryMinus", "OperMinus", "OperEqual", "OperNotEqual", "OperWideMux", "OperWideDff",
    "OperWideDlatch", "OperWideDffrs", "OperWideDlatchrs", "OperWideSelector",
    "OperWidePrioSelector", "OperWideNto1Mux", "OperLut", "OperAbs", "Prim", "CombPrim",
    "NonCombPrim", "PrimAssertion", "ConstantPrim", "PrimBinary", "PrimPwr", "PrimGnd", "PrimX",
    "PrimZ", "PrimInv", "PrimBuf", "PrimAnd", "PrimNand", "PrimOr", "PrimNor", "PrimXor",
    "PrimXnor", "PrimMux", "PrimPullup", "PrimPulldown", "PrimTristate", "PrimDlatch",
    "PrimDlatchrs", "PrimDff", "PrimDffrs", "PrimNmos", "PrimRnmos", "PrimPmos", "PrimRpmos",
    "PrimCmos", "PrimRcmos", "PrimTran", "PrimRtran", "PrimFadd", "PrimHdlAssertion", "PrimSva",
    "PrimSvaDirective", "PrimSvaGlobalClockingDef", "PrimSvaGlobalClockingRef", "PrimSvaUnary",
    "PrimSvaBinary", "PrimSvaTrinary"};
const char *const verificTypesWithNet[] = {"Instance", "Port", "PortRef"};

// This program's own netlist classes.
const char *const engineInstanceTypes[] = {"Gate", "Vcc", "Gnd"};
const char *const engineNetTypes[] = {"Edge"};
const char *const engineInstanceTerminalTypes[] = {"GatePort"};
const char *const engineModuleTypes[] = {"Module"};
const char *const engineTypesWithNet[] = {"Gate", "Vcc", "Gnd", "GatePort"};

struct GateRow
{
    const char *key;
    int kind;
    const char *mapping;
};

const GateRow verificGateRows[] = {
    {"VERIFIC_PWR", BaseEnum::VCC, "o"},
    {"VERIFIC_GND", BaseEnum::GND, "o"},
    {"VERIFIC_X", BaseEnum::X, "o"},
    {"VERIFIC_Z", BaseEnum::Z, "o"},
    {"VERIFIC_INV", BaseEnum::INVERTER, "A:i,Out:o"},
    {"VERIFIC_BUF", BaseEnum::BUFFER, "A:i,Out:o"},
    {"VERIFIC_AND", BaseEnum::AND, "A:a0,B:a1,Out:o"},
    // The drawn NAND has the pins A, B and Out like every two-input gate; a
    // second input mapped to "B1" would stop every design that uses one.
    {"VERIFIC_NAND", BaseEnum::NAND, "A:a0,B:a1,Out:o"},
    {"VERIFIC_OR", BaseEnum::OR, "A:a0,B:a1,Out:o"},
    {"VERIFIC_NOR", BaseEnum::NOR, "A:a0,B:a1,Out:o"},
    {"VERIFIC_XOR", BaseEnum::XOR, "A:a0,B:a1,Out:o"},
    {"VERIFIC_XNOR", BaseEnum::XNOR, "A:a0,B:a1,Out:o"},
    {"VERIFIC_MUX", BaseEnum::MUX2, "D0:a0,D1:a1,S:c,Out:o"},
    {"VERIFIC_TRI", BaseEnum::TRISTATE, "A:i,S:c,Out:o"},
    {"VERIFIC_DFFRS", BaseEnum::FLOP, "D:d,CLK:clk,PRE:s,CLR:r,Q:q"},
    {"VERIFIC_DFF", BaseEnum::FLOP, "D:d,CLK:clk,LD:async_cond,VAL:async_val,Q:q"},
};

const GateRow portKindRows[] = {
    {"InputPort", BaseEnum::INPUTPORT, ""},
    {"OutputPort", BaseEnum::OUTPUTPORT, ""},
    {"InOutPort", BaseEnum::INOUTPORT, ""},
    {"OpenInput", BaseEnum::OPENINPUT, ""},
    {"LoopbackOpenInput", BaseEnum::LOOPBACKOPENINPUT, ""},
    {"LoopbackOpenOutput", BaseEnum::LOOPBACKOPENOUTPUT, ""},
    {"ColPassThrough", BaseEnum::COLPASSTHROUGH, ""},
};

const GateRow engineGateRows[] = {
    {"VCC", BaseEnum::VCC, "o"},
    {"GND", BaseEnum::GND, "o"},
    {"X", BaseEnum::X, "o"},
    {"Z", BaseEnum::Z, "o"},
    {"Inverter", BaseEnum::INVERTER, "A:i,Out:o"},
    {"Buffer", BaseEnum::BUFFER, "A:i,Out:o"},
    {"Tristate", BaseEnum::TRISTATE, "A:i,Out:o,S:c,S:s"},
    {"And", BaseEnum::AND, "A:a0,B:a1,Out:o"},
    {"Nand", BaseEnum::NAND, "A:a0,B:a1,Out:o"},
    {"Or", BaseEnum::OR, "A:a0,B:a1,Out:o"},
    {"Nor", BaseEnum::NOR, "A:a0,B:a1,Out:o"},
    {"Xor", BaseEnum::XOR, "A:a0,B:a1,Out:o"},
    {"Xnor", BaseEnum::XNOR, "A:a0,B:a1,Out:o"},
    {"Mux2", BaseEnum::MUX2, "D0:a0,D1:a1,S:c,Out:o"},
    {"Flop", BaseEnum::FLOP, "D:d,CLK:clk,PRE:s,CLR:r,Q:q"},
};

const QString organizationName = QStringLiteral("Korvan");
const QString applicationName = QStringLiteral("Debugger");

template<size_t N>
void addTypes(NetlistRole role, const char *nameSpace, const char *const (&names)[N])
{
    for (const char *name : names)
        addNetlistType(role, QLatin1String(nameSpace) + QLatin1String(name));
}

template<size_t N>
void setNetTypes(const char *nameSpace, const char *const (&names)[N], const char *netType)
{
    for (const char *name : names)
        setAssociatedNetType(QLatin1String(nameSpace) + QLatin1String(name),
                             QLatin1String(nameSpace) + QLatin1String(netType));
}

template<size_t N>
void setGateRows(const GateRow (&rows)[N])
{
    for (const GateRow &row : rows)
        setGateDefinition(QLatin1String(row.key), GateDefinition(row.kind, QLatin1String(row.mapping)));
}

} // namespace

void registerBuiltinNetlistTypes()
{
    if (!instanceTypes().isEmpty())
        return;
    // The user's settings first; the built-in rows then win over edited
    // copies of the same keys, and the save keeps the user's extra rows.
    loadNetlistTypes(organizationName, applicationName);

    const char *const verific = "Verific::";
    addTypes(NetlistRole::Instance, verific, verificInstanceTypes);
    addTypes(NetlistRole::Net, verific, verificNetTypes);
    addTypes(NetlistRole::InstanceTerminal, verific, verificInstanceTerminalTypes);
    addTypes(NetlistRole::ModulePort, verific, verificModulePortTypes);
    addTypes(NetlistRole::Module, verific, verificModuleTypes);
    setGateRows(verificGateRows);
    setNetTypes(verific, verificTypesWithNet, "Net");

    const char *const engine = "GraphEngine::";
    addTypes(NetlistRole::Instance, engine, engineInstanceTypes);
    addTypes(NetlistRole::Net, engine, engineNetTypes);
    addTypes(NetlistRole::InstanceTerminal, engine, engineInstanceTerminalTypes);
    addTypes(NetlistRole::Module, engine, engineModuleTypes);
    setGateRows(portKindRows);
    setGateRows(engineGateRows);
    setNetTypes(engine, engineTypesWithNet, "Edge");

    saveNetlistTypes(organizationName, applicationName);
}

} // namespace Internal
} // namespace KorvanDebugger
