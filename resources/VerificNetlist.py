# Korvan Debugger: printers of the Verific netlist objects (needs
# VerificBase.py). Each object shows the one-line text the graph editor reads
# and the child fields it walks: "Parent Module" under instances, terminals,
# nets and ports, "Definition" under instances, "Nb Ports" and "Nb Instances"
# (rows named by their definition) under netlists, "Parent Instance" under
# terminals and "Nb Terminals" and "Nb Ports" under nets (what the expand
# tool follows).


def _verificType(name):
    return verificPointerType("Verific::" + name)


def _verificNetName(net):
    obj = verificObject(net)
    return None if obj is None else verificName(obj)


def _verificPortRefs(instance):
    return verificArray(instance["_portrefs"], _verificType("PortRef"))


def verificInstanceValueText(instance):
    # The text of an Instance object: its name and each formal port with the
    # net on it.
    parameters = []
    for ref in _verificPortRefs(instance):
        port = verificObject(ref["_port"])
        if port is None:
            continue
        net = ref["_net"]
        parameters.append(verificParameterText(int(port["_dir"]), verificName(port), int(ref["_port"]),
                                               _verificNetName(net), int(net)))
    return verificInstanceText(verificName(instance), parameters)


def verificPortValueText(port):
    return verificPortText(int(port["_dir"]), verificName(port), _verificNetName(port["_net"]))


def verificTerminalValueText(ref):
    instance = verificObject(ref["_inst"])
    port = verificObject(ref["_port"])
    direction = int(port["_dir"]) if port is not None else -1
    return verificTerminalText(direction, verificName(instance), verificName(port), _verificNetName(ref["_net"]))


def qdump__Verific__Netlist(d, value):
    def children(netlist):
        verificPutList(d, "Nb Ports", verificArray(netlist["_ports"], _verificType("Port")), verificIndexName)
        # The graph editor takes an instance's definition from the row's name.
        verificPutList(d, "Nb Instances", verificArray(netlist["_instances"], _verificType("Instance")),
                       lambda index, inst: verificQuoted(verificName(verificObject(inst["_view"]))))
        verificPutList(d, "Nb Nets", verificArray(netlist["_nets"], _verificType("Net")), verificIndexName)
        verificPutList(d, "Nb Port Buses", verificArray(netlist["_portbuses"], _verificType("PortBus")),
                       verificIndexName)
    verificDumpObject(d, value, lambda netlist: verificQuoted(verificName(netlist)), 4, children)


def verificSourceText(obj):
    # "file:line" of an object's declaration in the HDL; None when unknown.
    try:
        linefile = obj["_linefile"]
    except gdb.error:
        return None
    if int(linefile) == 0:
        return None
    location = linefile.dereference()
    return "%s:%d" % (location["_file"].string(encoding="utf-8", errors="replace"), int(location["_line"]))


def qdump__Verific__Instance(d, value):
    def children(instance):
        d.putSubItem("Definition", instance["_view"])
        d.putSubItem("Parent Module", instance["_owner"])
        verificPutList(d, "Nb Terminals", _verificPortRefs(instance), verificIndexName)
        # Where the HDL declares it, for Open Source.
        source = verificSourceText(instance)
        if source is not None:
            with d.subItem("Source"):
                d.putValue(source)
                d.putType("")
                d.putNumChild(0)
    verificDumpObject(d, value, verificInstanceValueText, 3, children)


def qdump__Verific__Port(d, value):
    def children(port):
        d.putSubItem("Net", port["_net"])
        d.putSubItem("Parent Module", port["_owner"])
        d.putSubItem("Bus", port["_bus"])
    verificDumpObject(d, value, verificPortValueText, 3, children)


def qdump__Verific__PortRef(d, value):
    def children(ref):
        d.putSubItem("Parent Instance", ref["_inst"])
        d.putSubItem("Port", ref["_port"])
        d.putSubItem("Net", ref["_net"])
        instance = verificObject(ref["_inst"])
        if instance is not None:
            d.putSubItem("Parent Module", instance["_owner"])
        # The net a terminal handed to a graph selects there.
        d.putSubItem("Connection", ref["_net"])
    verificDumpObject(d, value, verificTerminalValueText, 5, children)


def _verificNetPorts(net):
    # The module ports on a net; None for a library whose nets keep none.
    try:
        return verificArray(net["_ports"], _verificType("Port"))
    except gdb.error:
        return None


def qdump__Verific__Net(d, value):
    obj = verificObject(value)
    ports = None if obj is None else _verificNetPorts(obj)

    def children(net):
        d.putSubItem("Parent Module", net["_owner"])
        verificPutList(d, "Nb Terminals", verificArray(net["_portrefs"], _verificType("PortRef")), verificIndexName)
        if ports is not None:
            verificPutList(d, "Nb Ports", ports, verificIndexName)
    verificDumpObject(d, value, verificName, 2 if ports is None else 3, children)


def verificPortBusValueText(bus):
    owner = verificObject(bus["_owner"])
    language = int(owner["_language"]) if owner is not None else -1
    return verificDirectionMark(int(bus["_dir"])) + verificBusRangeText(
        language, verificName(bus), int(bus["_left"]), int(bus["_right"]))


def qdump__Verific__PortBus(d, value):
    def children(bus):
        d.putSubItem("Parent Module", bus["_owner"])
        verificPutList(d, "Nb Ports", verificArray(bus["_ports"], _verificType("Port")), verificIndexName)
    verificDumpObject(d, value, verificPortBusValueText, 2, children)


# A lookup instance shows like any other instance.
qdump__Verific__LutInstance = qdump__Verific__Instance

# Operators and primitives are netlists of their own class.
for _verificModuleClass in (
        "Operator OperAdder OperReduceAnd OperReduceNand OperReduceOr OperReduceNor OperReduceXor "
        "OperReduceXnor OperLessThan OperMult OperDiv OperPow OperMod OperRem OperShiftLeft OperShiftRight "
        "OperRotateLeft OperRotateRight OperNto1Mux OperDecoder OperEnabledDecoder OperSelector "
        "OperPrioSelector OperPrioEncoder OperDualPortRam OperReadPort OperWritePort OperClockedWritePort "
        "OperWideBuffer OperWideTristate OperWideInv OperWideBinary OperUnaryMinus OperMinus OperEqual "
        "OperNotEqual OperWideMux OperWideDff OperWideDlatch OperWideDffrs OperWideDlatchrs "
        "OperWideSelector OperWidePrioSelector OperWideNto1Mux OperLut OperAbs Prim CombPrim NonCombPrim "
        "PrimAssertion ConstantPrim PrimBinary PrimPwr PrimGnd PrimX PrimZ PrimInv PrimBuf PrimAnd PrimNand "
        "PrimOr PrimNor PrimXor PrimXnor PrimMux PrimPullup PrimPulldown PrimTristate PrimDlatch "
        "PrimDlatchrs PrimDff PrimDffrs PrimNmos PrimRnmos PrimPmos PrimRpmos PrimCmos PrimRcmos PrimTran "
        "PrimRtran PrimFadd PrimHdlAssertion PrimSva PrimSvaDirective PrimSvaGlobalClockingDef "
        "PrimSvaGlobalClockingRef PrimSvaUnary PrimSvaBinary PrimSvaTrinary").split():
    globals()["qdump__Verific__" + _verificModuleClass] = qdump__Verific__Netlist
del _verificModuleClass
