# The text functions of the Verific printers and the engine printers' list
# readers on edge inputs, by python3 and inside GDB (against stand-ins of
# the values, so that no program is needed). Argument: the resources
# folder. Prints "ok" or the failed checks.
import sys

resources = sys.argv[1]
scope = {}
for name in ("VerificBase.py", "VerificVerilog.py", "VerificVhdl.py"):
    with open(resources + name, "rb") as source:
        # The plug-in reads the scripts as Latin-1; they must be ASCII.
        exec(compile(source.read().decode("ascii"), name, "exec"), scope)
for name in ("VerificNetlist.py", "Korvan.py"):
    with open(resources + name, "rb") as source:
        text = source.read().decode("ascii")
    # The printers read values only inside their functions.
    exec(compile(text, name, "exec"), scope)


class FakeValue(object):
    # Just what the engine's list readers use of a gdb.Value: members by
    # name, int(), casts.
    def __init__(self, number=0, members=None, items=None, following=None):
        self.number, self.members, self.items = number, members or {}, items
        # What pointer arithmetic by one reaches (the items after a header).
        self.following = following

    def __getitem__(self, key):
        return self.items[key] if isinstance(key, int) else self.members[key]

    def __int__(self):
        return self.number

    def cast(self, itemType):
        return self

    def __add__(self, count):
        return self.following


class FakeGdb(object):
    @staticmethod
    def lookup_type(name):
        return FakeGdb


FakeGdb.pointer = staticmethod(lambda: FakeGdb)
# What reading a member the type lacks raises.
FakeGdb.error = KeyError
# The scripts' own name gdb, in their scope only (inside GDB too).
scope["gdb"] = FakeGdb


def portSet(addresses, begin=0):
    # A PortSet holding these pointers (0: a hole): up to two in place, more
    # in a block whose ports start at begin.
    if len(addresses) <= 2 and begin == 0:
        inline = [FakeValue(a) for a in addresses] + [FakeValue(0)] * (2 - len(addresses))
        array = FakeValue(members={"m_size": FakeValue(len(addresses)), "m_onHeap": FakeValue(0),
                                   "m_inline": FakeValue(items=inline)})
        return FakeValue(members={"m_ports": array})
    items = FakeValue(items=[FakeValue(0)] * begin + [FakeValue(a) for a in addresses])
    heap = FakeValue(1, {"begin": FakeValue(begin)}, following=items)
    array = FakeValue(members={"m_size": FakeValue(len(addresses)), "m_onHeap": FakeValue(1), "m_heap": heap})
    return FakeValue(members={"m_ports": array})


def port(word):
    return FakeValue(members={"attributes": FakeValue(members={"word": FakeValue(word)})})

I, O, B, D, H, T = u"\u21e5", u"\u21a6", u"\u21f9", u"\u00b7", u"\u200a", u"\u2009"


def P(text):
    return u"\u226a" + text + u"\u226b"


s = scope
checks = [
    ("input, no net", s["verificPortText"](0, "a", None), I + "a"),
    ("net named like the port", s["verificPortText"](1, "q", "q"), O + "q"),
    ("inout with net", s["verificPortText"](2, "io", "n"), B + "io" + H + "(n)"),
    ("no direction, no mark", s["verificPortText"](7, "x", "n"), "x" + H + "(n)"),
    ("empty name", s["verificPortText"](0, "", ""), I),
    ("parameter", s["verificParameterText"](0, "a0", 0x10, "n1", 0x7ffd0000aaaa),
     I + "a0" + P("0x10") + H + "(n1" + P("0x7ffd0000aaaa") + ")"),
    ("open parameter, unknown direction", s["verificParameterText"](9, "x", 0, None, 0), D + "x" + H + "()"),
    ("quotes and backslashes kept", s["verificParameterText"](1, 'q"\\', 0, "", 0), O + 'q"\\' + H + "()"),
    ("no parameters", s["verificInstanceText"]("u", []), "u" + H + "()"),
    ("separators", s["verificInstanceText"]("u", ["p1", "p2", "p3"]), "u" + H + "(p1," + T + "p2," + T + "p3)"),
    ("open terminal", s["verificTerminalText"](1, "u1", "o", None), O + "u1" + H + ".o" + H + "()"),
    ("terminal without direction", s["verificTerminalText"](-1, "u1", "o", "n"), "u1" + H + ".o" + H + "(n)"),
    ("null pointer hidden", s["verificHiddenPointer"](0), ""),
    ("empty quoted", s["verificQuoted"](""), '""'),
    ("verilog range", s["verificBusRangeText"](0, "d", 3, 0), "d[3:0]"),
    ("vhdl downto", s["verificBusRangeText"](1, "d", 3, 0), "d(3 downto 0)"),
    ("vhdl to", s["verificBusRangeText"](1, "d", 0, 3), "d(0 to 3)"),
    ("vhdl one bit", s["verificBusRangeText"](1, "d", 2, 2), "d(2 downto 2)"),
    ("unknown language", s["verificBusRangeText"](42, "d", 1, 0), "d[1:0]"),
    # Directions of every kind: the three the library knows, then none.
    ("mark in", s["verificDirectionMark"](0), I),
    ("mark out", s["verificDirectionMark"](1), O),
    ("mark inout", s["verificDirectionMark"](2), B),
    ("mark of no direction", s["verificDirectionMark"](3), ""),
    ("mark of no direction, as asked", s["verificDirectionMark"](3, D), D),
    ("negative direction", s["verificDirectionMark"](-1, D), D),
    ("large direction", s["verificDirectionMark"](1 << 40, D), D),
    ("terminal in", s["verificTerminalText"](0, "u", "a", "n"), I + "u" + H + ".a" + H + "(n)"),
    ("terminal inout", s["verificTerminalText"](2, "u", "io", None), B + "u" + H + ".io" + H + "()"),
    ("parameter inout", s["verificParameterText"](2, "io", 0, "n", 0), B + "io" + H + "(n)"),
    ("parameter of no direction", s["verificParameterText"](3, "x", 0, "n", 0), D + "x" + H + "(n)"),
    ("pointer of 64 bits", s["verificHiddenPointer"](0xffffffffffffffff), P("0xffffffffffffffff")),
    # Names outside ASCII go through as they are.
    ("port outside ASCII", s["verificPortText"](0, u"stra\u00dfe", u"\u4fe1\u53f7"),
     I + u"stra\u00dfe" + H + u"(\u4fe1\u53f7)"),
    ("instance outside ASCII", s["verificInstanceText"](u"\u00e9t\u00e9", [u"\u03b1", u"\U0001f600"]),
     u"\u00e9t\u00e9" + H + u"(\u03b1," + T + u"\U0001f600)"),
    ("quoted outside ASCII", s["verificQuoted"](u"\u00fc"), u'"\u00fc"'),
    # The engine's port directions: bits 0-1 of the attributes, whatever
    # the other bits hold.
    ("engine direction in", s["korvanPortDirection"](port(0)), 0),
    ("engine direction out", s["korvanPortDirection"](port(1)), 1),
    ("engine direction inout", s["korvanPortDirection"](port(2)), 2),
    ("engine direction none", s["korvanPortDirection"](port(3)), 3),
    ("engine direction under other bits", s["korvanPortDirection"](port(0xfffffff5)), 1),
    # Port sets: holes left by removals are no ports; the list's begin counts.
    ("port set in order", [int(p) for p in s["korvanPortSet"](portSet([16, 32, 48]))], [16, 32, 48]),
    ("port set with gaps", [int(p) for p in s["korvanPortSet"](portSet([0, 16, 0, 0, 32, 0]))], [16, 32]),
    ("port set of holes only", s["korvanPortSet"](portSet([0, 0])), []),
    ("empty port set", s["korvanPortSet"](portSet([])), []),
    ("port set of one in place", [int(p) for p in s["korvanPortSet"](portSet([40]))], [40]),
    ("port set of two in place", [int(p) for p in s["korvanPortSet"](portSet([40, 8]))], [40, 8]),
    ("port set after its begin", [int(p) for p in s["korvanPortSet"](portSet([8, 0, 24], begin=2))], [8, 24]),
    ("gate kind keys", (s["korvanGateKindKeys"][15], s["korvanGateKindKeys"].get(1)), ("InputPort", None)),
    # The module ports on a net: none for a library whose nets keep no list.
    ("net ports", [int(p) for p in s["_verificNetPorts"](FakeValue(members={"_ports": FakeValue(
        members={"_size": FakeValue(2), "_items": FakeValue(items=[FakeValue(16), FakeValue(32), FakeValue(48)])})}))],
     [16, 32]),
    ("net without a port list", s["_verificNetPorts"](FakeValue(members={"_portrefs": FakeValue()})), None),
]
failed = [(label, got, want) for label, got, want in checks if got != want]
print("ok" if not failed else "failed: %r" % failed)
