def _Id_1j(value):
  global _Id_1j
  rootType = value.type.strip_typedefs()
  valueT = str(rootType)
  pos = valueT.find('<')
  if pos!=-1: 
    valueT = "\\0 "
    for index in [m.start() for m in re.finditer('\\\\', valueT)][::-1]:
      argIndex = valueT[index+1]
      errorIndex = "\%s"%argIndex
      fromI = index
      try:
        arg = theDumper.typeTemplateArgument(rootType,int(argIndex))
        while valueT[index+2]=='.':
          index = index+2
          argIndex = valueT[index+1]
          errorIndex += ".%s"%argIndex
          arg = theDumper.typeTemplateArgument(arg,int(argIndex))
      except:
        raise gdb.error("Invalid template argument index: '%s'."%errorIndex)
      arg = stripTypedefs(arg)
      valueT = valueT[:fromI]+str(arg)+valueT[index+2:]
  else:
    valueT = "\\0 "
  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    _Id_1j = lambda value : resolvedType
    return resolvedType
def _Id_p(value):
  global _Id_p
  valueT = "char"
  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    _Id_p = lambda value : resolvedType
    return resolvedType
def _Id_f(value):
  global _Id_f
  valueT = "int"
  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    _Id_f = lambda value : resolvedType
    return resolvedType
def _Id_1n(value):
  global _Id_1n
  valueT = "int*"
  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    _Id_1n = lambda value : resolvedType
    return resolvedType
def _Id_1z(value):
  global _Id_1z
  valueT = "TreeNode"
  resolvedType = theDumper.lookupType(valueT)
  if resolvedType == None:
    raise gdb.error("Invalid C++ value type: '%s'."%valueT)
  else:
    _Id_1z = lambda value : resolvedType
    return resolvedType
_Id_2 = GenericAccessor(accessor = lambda value : value["x"])
_Id_3 = GenericFieldHelper(accessor = _Id_2,displayedName = "x")
_Id_4 = GenericAccessor(accessor = lambda value : value["y"])
_Id_5 = GenericFieldHelper(accessor = _Id_4,displayedName = "y")
_Id_6 = GenericAccessor(accessor = lambda value : value["visible"])
_Id_7 = BooleanHelper(accessor = _Id_6,displayedName = "visible",trueValue = "Yes",falseValue = "No")
_Id_8 = GenericAccessor(accessor = lambda value : value["color"])
_Id_9 = GenericEnumHelper(accessor = _Id_8,displayedName = "color",enums = ({ 0x0:"::Red",0x1:"::Green",0x2:"::Blue" }),masks = (0x3))
def qform__Point():
    return [AutomaticFormat]
def qdump__Point(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,fields = [_Id_3,_Id_5,_Id_7,_Id_9],dumpMode = dumpMode)
_Id_1e = GenericAccessor(accessor = lambda value : value["inner"])
_Id_1f = GenericAccessor(accessor = lambda value : value["x"])
_Id_1g = GenericFieldHelper(accessor = _Id_1f,displayedName = "x")
def qform__Outer():
    return [AutomaticFormat]
def qdump__Outer(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,header = _Id_1e,fields = [_Id_1g],dumpMode = dumpMode)
_Id_a = GenericAccessor(accessor = lambda value : theDumper.directBaseType(value,0))
_Id_b = GenericFieldHelper(accessor = _Id_a,displayedName = "base")
_Id_c = GenericAccessor(accessor = lambda value : value["z"])
_Id_d = GenericFieldHelper(accessor = _Id_c,displayedName = "z")
def qform__Point3D():
    return [AutomaticFormat]
def qdump__Point3D(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,fields = [_Id_b,_Id_d],dumpMode = dumpMode)
_Id_e = GenericAccessor(accessor = lambda value : value)
_Id_g = GenericArrayContainerHelper(accessor = _Id_e,displayedName = "#",arrayBase = lambda value : value["data"],arraySize = lambda value : value["size"],cellDefinition = _Id_f)
def qform__IntArray():
    return [AutomaticFormat]
def qdump__IntArray(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_g],dumpMode = dumpMode)
_Id_h = GenericAccessor(accessor = lambda value : value)
_Id_i = GenericAccessor(accessor = lambda value : value["key"])
_Id_j = GenericAccessor(accessor = lambda value : formatAsString(value["name"]))
_Id_k = GenericArrayContainerHelper(accessor = _Id_h,displayedName = "#",arrayBase = lambda value : value["entries"],arraySize = lambda value : value["count"],invalidCondition = lambda value : value["key"] == 2,itemName = "entry",itemsName = "entries",key = _Id_i,value = _Id_j)
def qform__Dict():
    return [AutomaticFormat]
def qdump__Dict(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_k],dumpMode = dumpMode)
_Id_l = GenericAccessor(accessor = lambda value : value)
def _Id_m(d, value):
    return value["count"]
_Id_n = GenericAccessor(accessor = lambda value : value["value"])
_Id_o = GenericLinkedContainerHelper(accessor = _Id_l,displayedName = "#",linkedBase = lambda value : value["head"],right = lambda value : value["next"],nbElement = _Id_m,itemName = "node",itemsName = "nodes",value = _Id_n)
def qform__List():
    return [AutomaticFormat]
def qdump__List(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_o],dumpMode = dumpMode)
def _Id_q(value):
  dummy = BaseHelper()
  base = lambda value : value["text"]
  length = lambda value : value["length"]
  format = _Id_p
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
    return GenericDumpStringHelper(d = d,value = value,fields = [],dumpMode = dumpMode,string = _Id_q)
def _Id_r(value):
  dummy = BaseHelper()
  base = lambda value : value["text"]
  length = lambda value : value["length"]
  format = _Id_p
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
  string = string.decode("latin1") # DEBUG string.encoding,string
  return True,string+suffix
def qform__Latin1String():
    return [AutomaticFormat]
def qdump__Latin1String(d,value,dumpMode=DefaultMode):
    return GenericDumpStringHelper(d = d,value = value,fields = [],dumpMode = dumpMode,string = _Id_r)
def _Id_s(value):
  dummy = BaseHelper()
  base = lambda value : value["bits"]
  length = lambda value : value["nbits"]
  base = dummy.callAPI(base,value) # DEBUG bitArray.base,value
  length = dummy.callAPI(length,value) # DEBUG bitArray.length,value
  return base,length
def qform__BitSet():
    return [AutomaticFormat]
def qdump__BitSet(d,value,dumpMode=DefaultMode):
    return GenericDumpBitArrayHelper(d = d,value = value,fields = [],dumpMode = dumpMode,bitArray = _Id_s)
_Id_t = GenericAccessor(accessor = lambda value: value["ptr"].dereference())
_Id_u = GenericFieldHelper(accessor = _Id_t,displayedName = "target")
def qform__Handle():
    return [AutomaticFormat]
def qdump__Handle(d,value,dumpMode=DefaultMode):
    return GenericDumpWrapperHelper(d = d,value = value,fields = [_Id_u],dumpMode = dumpMode)
_Id_v = GenericAccessor(accessor = lambda value : value)
_Id_1h = GenericFilter(value = lambda value : value > 1)
_Id_w = GenericArrayContainerHelper(accessor = _Id_v,displayedName = "#",arrayBase = lambda value : value["data"],arraySize = lambda value : theDumper.numericTemplateArgument(value.type, 0),filter = _Id_1h)
def qform__FixedBuf():
    return [AutomaticFormat]
def qdump__FixedBuf(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_w],dumpMode = dumpMode)
_Id_x = GenericEnumHelper(enums = ({ 0x0:"::StyleNone" },{ 0x1:"::Bold" },{ 0x2:"::Italic" },{ 0x10:"::AlignLeft",0x20:"::AlignCenter" }),masks = (0x33,0x1,0x2,0x30))
def qform__Style():
    return [AutomaticFormat]
def qdump__Style(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(fields = [_Id_x],d = d,value = value,dumpMode = dumpMode)
_Id_y = GenericEnumHelper(enums = ({ -1:"::Neg",0:"::Zero",1:"::One" }),masks = (0xffffffffffffffff))
def qform__Signed():
    return [AutomaticFormat]
def qdump__Signed(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(fields = [_Id_y],d = d,value = value,dumpMode = dumpMode)
_Id_z = GenericAccessor(accessor = lambda value : value)
_Id_10 = GenericArrayContainerHelper(accessor = _Id_z,displayedName = "#",arrayBase = lambda value : value["data"],arraySize = lambda value : value["size"])
def qform__PairVec():
    return [AutomaticFormat]
def qdump__PairVec(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_10],dumpMode = dumpMode)
_Id_11 = GenericAccessor(accessor = lambda value : value["vec"])
_Id_12 = GenericAccessor(accessor = lambda value : value["first"])
_Id_13 = GenericAccessor(accessor = lambda value : value["second"])
_Id_14 = GenericArrayContainerHelper(accessor = _Id_11,displayedName = "#",arrayBase = lambda value : value["data"],arraySize = lambda value : value["size"],key = _Id_12,value = _Id_13)
def qform__PairMap():
    return [AutomaticFormat]
def qdump__PairMap(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_14],dumpMode = dumpMode)
_Id_1i = GenericAccessor(accessor = lambda value : value)
_Id_1k = GenericArrayContainerHelper(accessor = _Id_1i,displayedName = "#",arrayBase = lambda value : value["data"],arraySize = lambda value : value["size"],cellDefinition = _Id_1j)
def qform__TArray():
    return [AutomaticFormat]
def qdump__TArray(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_1k],dumpMode = dumpMode)
_Id_1l = GenericAccessor(accessor = lambda value : value.address)
_Id_1o = GenericAccessor(accessor = lambda value: theDumper.parseAndEvaluate("%s.twice()"%getvarName(theDumper,value)))
_Id_1p = GenericFieldHelper(accessor = _Id_1o,displayedName = "twice")
_Id_1q = GenericAccessor(accessor = lambda value: ExecBuffered(theDumper,"square",getvarName(theDumper,value)))
_Id_1r = GenericFieldHelper(accessor = _Id_1q,displayedName = "square")
def _Id_1m(value):
  global _Id_1m
  offset = 2*theDumper.intSize()+0
  resolvedType = theDumper.lookupType("void*")
  _Id_1m = lambda value : value.cast(resolvedType)+offset
  return value.cast(resolvedType)+offset
_Id_1s = GenericAccessor(accessor = _Id_1m,type = _Id_1n,postProcess = lambda value: value.dereference())
_Id_1t = GenericFieldHelper(accessor = _Id_1s,displayedName = "extra")
def qform__Counter():
    return [AutomaticFormat]
def qdump__Counter(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,header = _Id_1l,fields = [_Id_1p,_Id_1r,_Id_1t],dumpMode = dumpMode)
_Id_1u = GenericAccessor(accessor = lambda value : value)
_Id_1v = GenericFilter(key = lambda value : value != 3)
_Id_1w = GenericAccessor(accessor = lambda value : getField(value,"key"))
_Id_1x = GenericAccessor(accessor = lambda value : value["key"] * 10)
_Id_1y = GenericLinkedContainerHelper(accessor = _Id_1u,displayedName = "keys",linkedBase = lambda value : value["root"],left = lambda value : value["left"],right = lambda value : value["right"],nodeDefinition = _Id_1z,endCondition = lambda value : value == 0,key = _Id_1w,value = _Id_1x,filter = _Id_1v)
def qform__Tree():
    return [AutomaticFormat]
def qdump__Tree(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_1y],dumpMode = dumpMode)
_Id_20 = GenericAccessor(accessor = lambda value : value["items"])
_Id_21 = GenericArrayContainerHelper(accessor = _Id_20,displayedName = "items",arrayBase = lambda value : value["data"],arraySize = lambda value : value["size"])
_Id_22 = GenericAccessor(accessor = lambda value : value["label"])
_Id_23 = GenericFieldHelper(accessor = _Id_22,displayedName = "label")
def qform__Bag():
    return [AutomaticFormat]
def qdump__Bag(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,fields = [_Id_21,_Id_23],dumpMode = dumpMode)
_Id_15 = GenericAccessor(accessor = lambda value : value["nosuch"])
_Id_16 = GenericFieldHelper(accessor = _Id_15,displayedName = "value")
def qform__Broken():
    return [AutomaticFormat]
def qdump__Broken(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,fields = [_Id_16],dumpMode = dumpMode)
_Id_18 = GenericAccessor(accessor = lambda value : value)
_Id_19 = GenericAccessor(accessor = lambda value : value["second"])
_Id_1a = GenericArrayContainerHelper(accessor = _Id_18,displayedName = "#",arrayBase = lambda value : value["data"],arraySize = lambda value : value["size"],value = _Id_19)
def qform___Id_17():
    return [AutomaticFormat]
def qdump___Id_17(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_1a],dumpMode = dumpMode)

theDumper.registerCustom("","pv",qdump___Id_17)
