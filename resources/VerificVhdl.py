# Korvan Debugger: how netlists elaborated from VHDL name their buses (needs
# VerificBase.py): "name(left downto right)" or "name(left to right)".

VERIFIC_LANGUAGE_VHDL = 1


def verificVhdlBusRange(name, left, right):
    return "%s(%d %s %d)" % (name, left, "downto" if left >= right else "to", right)


verificBusRangeFormats[VERIFIC_LANGUAGE_VHDL] = verificVhdlBusRange
