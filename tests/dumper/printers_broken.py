# Printers that fail on purpose, as the generators emit them in debug mode.
# Loaded after the printers generated from dumpertypes.conf, they replace the
# printers of List, Dict, KString and BitSet; every other printer must keep
# working. Their names are their own, so they never replace a generated helper.
_Broken_dictCell = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.Dict.fields.#.accessor")
_Broken_listNode = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.List.fields.#.accessor")
_Broken_listValue = GenericAccessor(accessor = lambda value : getMemberD(value,"value"),debugContext = "classes.Test.List.fields.#.value")
def _Broken_count(d, value):
    try: #--
     __line__count__ = 1 #--
     count = value["count"]
     __line__count__ = 2 #--
     return count / 0
     
    except: #--
     WARN("KORVANDEBUGLINE:%s"%__line__count__) #--
     raise #--
_Broken_list = GenericLinkedContainerHelper(accessor = _Broken_listNode,displayedName = "#",linkedBase = lambda value : getMemberD(value,"head"),right = lambda value : getMemberD(value,"next"),nbElement = _Broken_count,value = _Broken_listValue,directionField = lambda value : value,debugContext = "classes.Test.List.fields.#")
def qform__List():
    return [AutomaticFormat]
def qdump__List(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Broken_list],dumpMode = dumpMode,debugContext = "classes.Test.List")
_Broken_dict = GenericArrayContainerHelper(accessor = _Broken_dictCell,displayedName = "#",arraySize = lambda value : getMemberD(value,"count"),debugContext = "classes.Test.Dict.fields.#")
def qform__Dict():
    return [AutomaticFormat]
def qdump__Dict(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Broken_dict],dumpMode = dumpMode,debugContext = "classes.Test.Dict")
def _Broken_charType(value):
  global _Broken_charType
  valueT = "Point"
  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    _Broken_charType = lambda value : resolvedType
    return resolvedType
def _Broken_string(value):
  dummy = BaseHelper()
  base = lambda value : getMemberD(value,"text")
  length = lambda value : getMemberD(value,"length")
  format = _Broken_charType
  base = dummy.callAPI(base,value) # DEBUG string.base,value
  length = dummy.callAPI(length,value) # DEBUG string.length,value
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
    return GenericDumpStringHelper(d = d,value = value,fields = [],dumpMode = dumpMode,string = _Broken_string,debugContext = "classes.Test.KString")
def qform__BitSet():
    return [AutomaticFormat]
def qdump__BitSet(d,value,dumpMode=DefaultMode):
    return GenericDumpBitArrayHelper(d = d,value = value,fields = [],dumpMode = dumpMode,bitArray = _Id_undefined,debugContext = "classes.Test.BitSet")
