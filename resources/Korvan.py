# Korvan Debugger: printers of its own netlist classes (GraphEngine::Module,
# Gate, GatePort, Edge, Name), so that a program built on the graph engine
# can be inspected as a netlist like a Verific design. They write the same
# texts as the Verific printers (VerificBase.py, loaded before) and name the
# rows of "Nb Instances" by the gate-mapping keys of the engine's gate kinds.

# Gate kind -> key of the built-in gate mapping; others use the type name.
korvanGateKindKeys = {
    2: "And", 3: "Nand", 4: "Or", 5: "Nor", 6: "Xor", 7: "Xnor", 8: "Buffer", 9: "Inverter",
    10: "Tristate", 11: "Mux2", 14: "Flop", 15: "InputPort", 16: "OutputPort", 17: "InOutPort",
    18: "ColPassThrough", 19: "VCC", 20: "GND", 21: "X", 22: "Z", 23: "OpenInput",
    24: "LoopbackOpenInput", 25: "LoopbackOpenOutput"}
KORVAN_MODULE_PORT_KINDS = (15, 16, 17)


def korvanQString(value):
    # The text of a Qt 5 QString: UTF-16 at the data's offset.
    d = value["d"]
    size = int(d["size"])
    if size <= 0:
        return ""
    data = int(d) + int(d["offset"])
    return bytes(gdb.selected_inferior().read_memory(data, 2 * size)).decode("utf-16-le", "replace")


def korvanNameText(name):
    record = name["d"]["d"]
    return korvanQString(record.dereference()["text"]) if int(record) else ""


def korvanPortSet(portSet):
    # The ports of a GraphEngine::PortSet or PortList in list order. Up to
    # two stand in the list itself; a longer list keeps them in a block right
    # after the block's header (capacity, begin, index), from begin on. A
    # large list may hold holes (null entries) left by removals, which are
    # not ports.
    ports = portSet["m_ports"]
    size = int(ports["m_size"])
    portType = _korvanType("GatePort")
    if not int(ports["m_onHeap"]):
        items = [ports["m_inline"][i] for i in range(min(size, 2))]
    else:
        heap = ports["m_heap"]
        begin = int(heap["begin"])
        array = (heap + 1).cast(portType.pointer())
        items = [array[begin + i] for i in range(size)]
    return [p.cast(portType) for p in items if int(p)]


def _korvanAlign(offset, alignment):
    return (offset + alignment - 1) // alignment * alignment


def korvanQMapValues(value):
    # The values of a QMap in key order (in-order walk of its tree).
    d = value["d"]
    mapType = d.dereference().type.strip_typedefs()
    keyType = mapType.template_argument(0)
    valueType = mapType.template_argument(1)
    base = gdb.lookup_type("QMapNodeBase")
    keyOffset = _korvanAlign(base.sizeof, getattr(keyType, "alignof", 8))
    valueOffset = _korvanAlign(keyOffset + keyType.sizeof, getattr(valueType, "alignof", 8))
    values, stack = [], []
    node = d["header"]["left"]
    while stack or int(node):
        while int(node):
            stack.append(node)
            node = node["left"]
        node = stack.pop()
        address = int(node) + valueOffset
        values.append(gdb.Value(address).cast(valueType.pointer()).dereference())
        node = node["right"]
    return values


def _korvanType(name):
    return gdb.lookup_type("GraphEngine::" + name).pointer()


def korvanNetName(net):
    return None if int(net) == 0 else korvanNameText(net.dereference()["name"])


def korvanPortDirection(port):
    # The declared direction of a gate port (bits 0-1 of its attributes).
    return int(port["attributes"]["word"]) & 0x3


def korvanGateValueText(gate):
    kind = int(gate["kind"])
    ports = korvanPortSet(gate["ports"])
    name = korvanNameText(gate["name"])
    if kind in KORVAN_MODULE_PORT_KINDS:
        # A module port: the port gate's one port and its net.
        net = korvanNetName(ports[0].dereference()["net"]) if ports else None
        return verificPortText(kind - KORVAN_MODULE_PORT_KINDS[0], name, net)
    parameters = []
    for port in ports:
        net = port.dereference()["net"]
        parameters.append(verificParameterText(korvanPortDirection(port.dereference()),
                                               korvanQString(port.dereference()["name"]), int(port),
                                               korvanNetName(net), int(net)))
    return verificInstanceText(name, parameters)


def korvanGateKey(gate):
    key = korvanGateKindKeys.get(int(gate["kind"]))
    return key if key is not None else korvanQString(gate["typeName"])


def qdump__GraphEngine__Name(d, value):
    d.putValue(korvanNameText(value))
    d.putNumChild(0)


def qdump__GraphEngine__Module(d, value):
    def children(module):
        gates = korvanQMapValues(module["gates"].dereference()["map"])
        instances = [gate for gate in gates if int(gate.dereference()["kind"]) not in KORVAN_MODULE_PORT_KINDS]
        verificPutList(d, "Nb Ports", korvanQMapValues(module["portGates"].dereference()["map"]), verificIndexName)
        # The graph editor takes an instance's mapping key from the row's name.
        verificPutList(d, "Nb Instances", instances, lambda index, gate: verificQuoted(korvanGateKey(gate.dereference())))
        verificPutList(d, "Nb Nets", korvanQMapValues(module["edges"].dereference()["map"]), verificIndexName)
    verificDumpObject(d, value, lambda module: verificQuoted(korvanQString(module["name"])), 3, children)


def korvanGateHasDefinition(gate):
    # A module port is drawn from its own text; every other gate is an
    # instance of a definition, as a Verific instance is.
    return int(gate["kind"]) not in KORVAN_MODULE_PORT_KINDS


def qdump__GraphEngine__Gate(d, value):
    def children(gate):
        if korvanGateHasDefinition(gate):
            # The key its kind is drawn by (the module's name for a module
            # instance), quoted as a Verific definition shows: what the
            # stack analysis and the expand tool make the instance from.
            with d.subItem("Definition"):
                d.putValue(verificQuoted(korvanGateKey(gate)))
                d.putType("")
                d.putNumChild(0)
        d.putSubItem("Parent Module", gate["module"])
        verificPutList(d, "Nb Terminals", korvanPortSet(gate["ports"]),
                       verificIndexName)
    obj = verificObject(value)
    count = 3 if obj is not None and korvanGateHasDefinition(obj) else 2
    verificDumpObject(d, value, korvanGateValueText, count, children)


def korvanGatePortValueText(port):
    owner = port["owner"]
    ownerName = korvanNameText(owner.dereference()["name"]) if int(owner) else ""
    return verificTerminalText(korvanPortDirection(port), ownerName, korvanQString(port["name"]),
                               korvanNetName(port["net"]))


def qdump__GraphEngine__GatePort(d, value):
    def children(port):
        d.putSubItem("Parent Instance", port["owner"])
        d.putSubItem("Net", port["net"])
        owner = port["owner"]
        if int(owner):
            d.putSubItem("Parent Module", owner.dereference()["module"])
    verificDumpObject(d, value, korvanGatePortValueText, 3, children)


def qdump__GraphEngine__Edge(d, value):
    def children(net):
        d.putSubItem("Parent Module", net["module"])
        verificPutList(d, "Nb Drivers", korvanPortSet(net["drivers"]), verificIndexName)
        verificPutList(d, "Nb Loads", korvanPortSet(net["loads"]), verificIndexName)
    verificDumpObject(d, value, lambda net: korvanNameText(net["name"]), 3, children)


# Constant drivers show like any other gate.
qdump__GraphEngine__Vcc = qdump__GraphEngine__Gate
qdump__GraphEngine__Gnd = qdump__GraphEngine__Gate
qdump__GraphEngine__X = qdump__GraphEngine__Gate
qdump__GraphEngine__Z = qdump__GraphEngine__Gate
