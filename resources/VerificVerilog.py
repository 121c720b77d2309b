# Korvan Debugger: how netlists elaborated from Verilog name their buses
# (needs VerificBase.py): "name[left:right]", bits "name[i]".

VERIFIC_LANGUAGE_VERILOG = 0


def verificVerilogBusRange(name, left, right):
    return "%s[%d:%d]" % (name, left, right)


verificBusRangeFormats[VERIFIC_LANGUAGE_VERILOG] = verificVerilogBusRange
