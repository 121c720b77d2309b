# The text functions of the Verific printers on edge inputs, outside GDB.
# Argument: the resources folder. Prints "ok" or the failed checks.
import sys

resources = sys.argv[1]
scope = {}
for name in ("VerificBase.py", "VerificVerilog.py", "VerificVhdl.py"):
    with open(resources + name, "rb") as source:
        # The plug-in reads the scripts as Latin-1; they must be ASCII.
        exec(compile(source.read().decode("ascii"), name, "exec"), scope)
for name in ("VerificNetlist.py", "Korvan.py"):
    with open(resources + name, "rb") as source:
        source.read().decode("ascii")

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
]
failed = [(label, got, want) for label, got, want in checks if got != want]
print("ok" if not failed else "failed: %r" % failed)
