# Printers that fail on purpose, as the generators emit them in debug mode.
# Loaded after printers_debug.py, they replace the printers of List, Dict,
# KString and BitSet; every other printer must keep working.
def _Id_2a(d, value):
    try: #--
     __line__count__ = 1 #--
     count = value["count"]
     __line__count__ = 2 #--
     return count / 0
     
    except: #--
     WARN("KORVANDEBUGLINE:%s"%__line__count__) #--
     raise #--
_Id_2b = GenericLinkedContainerHelper(accessor = _Id_l,displayedName = "#",linkedBase = lambda value : getMemberD(value,"head"),right = lambda value : getMemberD(value,"next"),nbElement = _Id_2a,value = _Id_n,directionField = lambda value : value,debugContext = "classes.Test.List.fields.#")
def qform__List():
    return [AutomaticFormat]
def qdump__List(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_2b],dumpMode = dumpMode,debugContext = "classes.Test.List")
_Id_2c = GenericArrayContainerHelper(accessor = _Id_h,displayedName = "#",arraySize = lambda value : getMemberD(value,"count"),debugContext = "classes.Test.Dict.fields.#")
def qform__Dict():
    return [AutomaticFormat]
def qdump__Dict(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_2c],dumpMode = dumpMode,debugContext = "classes.Test.Dict")
def _Id_2d(value):
  global _Id_2d
  valueT = "Point"
  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    _Id_2d = lambda value : resolvedType
    return resolvedType
def _Id_2e(value):
  dummy = BaseHelper()
  base = lambda value : getMemberD(value,"text")
  length = lambda value : getMemberD(value,"length")
  format = _Id_2d
  base = dummy.callAPI(base,value) # DEBUG string.base,value
  length = dummy.callAPI(length,value) # DEBUG length.length,value
  if base==0 or length==0:
    return True,""
  type = dummy.callAPI(format,value) # DEBUG string.format,value
  charLength,charFormat = decodeCharacterType(type) # DEBUG string.format,value
  suffix = ''
  if length > theDumper.stringCutOff:
    length = theDumper.stringCutOff
    suffix = elideCharacter
  if length<0:
    return False,"<not accessible>"
  stream = theDumper.readMemory(base,length*charLength)
  string = charFormat(stream) # DEBUG string.format,stream
  
  return True,string+suffix
def qform__KString():
    return [AutomaticFormat]
def qdump__KString(d,value,dumpMode=DefaultMode):
    return GenericDumpStringHelper(d = d,value = value,fields = [],dumpMode = dumpMode,string = _Id_2e,debugContext = "classes.Test.KString")
def qform__BitSet():
    return [AutomaticFormat]
def qdump__BitSet(d,value,dumpMode=DefaultMode):
    return GenericDumpBitArrayHelper(d = d,value = value,fields = [],dumpMode = dumpMode,bitArray = _Id_undefined,debugContext = "classes.Test.BitSet")
