# The custom dumper of one watched path, as the plug-in registers it for a
# customized container: "pv" shows the second members of its pairs. Its
# names are its own, so it never replaces a generated helper.
_CustomPv_cell = GenericAccessor(accessor = lambda value : value)
_CustomPv_value = GenericAccessor(accessor = lambda value : value["second"])
_CustomPv_cells = GenericArrayContainerHelper(accessor = _CustomPv_cell,displayedName = "#",arrayBase = lambda value : value["data"],arraySize = lambda value : value["size"],value = _CustomPv_value)
def qform__CustomPv():
    return [AutomaticFormat]
def qdump__CustomPv(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_CustomPv_cells],dumpMode = dumpMode)

theDumper.registerCustom("","pv",qdump__CustomPv)
