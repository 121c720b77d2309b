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
_Id_2 = GenericAccessor(accessor = lambda value : getMemberD(value,"x"),debugContext = "classes.Test.Point.fields.x.accessor")
_Id_3 = GenericFieldHelper(accessor = _Id_2,displayedName = "x",debugContext = "classes.Test.Point.fields.x")
_Id_4 = GenericAccessor(accessor = lambda value : getMemberD(value,"y"),debugContext = "classes.Test.Point.fields.y.accessor")
_Id_5 = GenericFieldHelper(accessor = _Id_4,displayedName = "y",debugContext = "classes.Test.Point.fields.y")
_Id_6 = GenericAccessor(accessor = lambda value : getMemberD(value,"visible"),debugContext = "classes.Test.Point.fields.visible.accessor")
_Id_7 = BooleanHelper(accessor = _Id_6,displayedName = "visible",trueValue = "Yes",falseValue = "No",debugContext = "classes.Test.Point.fields.visible")
_Id_8 = GenericAccessor(accessor = lambda value : getMemberD(value,"color"),debugContext = "classes.Test.Point.fields.color.accessor")
_Id_9 = GenericEnumHelper(accessor = _Id_8,displayedName = "color",enums = ({ 0x0:"::Red",0x1:"::Green",0x2:"::Blue" }),masks = (0x3),debugContext = "classes.Test.Point.fields.color")
def qform__Point():
    return [AutomaticFormat]
def qdump__Point(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,fields = [_Id_3,_Id_5,_Id_7,_Id_9],dumpMode = dumpMode,debugContext = "classes.Test.Point")
_Id_1e = GenericAccessor(accessor = lambda value : getMemberD(value,"inner"),debugContext = "classes.Test.Outer.header")
_Id_1f = GenericAccessor(accessor = lambda value : getMemberD(value,"x"),debugContext = "classes.Test.Outer.fields.x.accessor")
_Id_1g = GenericFieldHelper(accessor = _Id_1f,displayedName = "x",debugContext = "classes.Test.Outer.fields.x")
def qform__Outer():
    return [AutomaticFormat]
def qdump__Outer(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,header = _Id_1e,fields = [_Id_1g],dumpMode = dumpMode,debugContext = "classes.Test.Outer")
_Id_a = GenericAccessor(accessor = lambda value : theDumper.directBaseType(value,0),debugContext = "classes.Test.Point3D.fields.base.accessor")
_Id_b = GenericFieldHelper(accessor = _Id_a,displayedName = "base",debugContext = "classes.Test.Point3D.fields.base")
_Id_c = GenericAccessor(accessor = lambda value : getMemberD(value,"z"),debugContext = "classes.Test.Point3D.fields.z.accessor")
_Id_d = GenericFieldHelper(accessor = _Id_c,displayedName = "z",debugContext = "classes.Test.Point3D.fields.z")
def qform__Point3D():
    return [AutomaticFormat]
def qdump__Point3D(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,fields = [_Id_b,_Id_d],dumpMode = dumpMode,debugContext = "classes.Test.Point3D")
_Id_e = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.IntArray.fields.#.accessor")
_Id_g = GenericArrayContainerHelper(accessor = _Id_e,displayedName = "#",arrayBase = lambda value : getMemberD(value,"data"),arraySize = lambda value : getMemberD(value,"size"),cellDefinition = _Id_f,debugContext = "classes.Test.IntArray.fields.#")
def qform__IntArray():
    return [AutomaticFormat]
def qdump__IntArray(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_g],dumpMode = dumpMode,debugContext = "classes.Test.IntArray")
_Id_h = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.Dict.fields.#.accessor")
_Id_i = GenericAccessor(accessor = lambda value : getMemberD(value,"key"),debugContext = "classes.Test.Dict.fields.#.key")
_Id_j = GenericAccessor(accessor = lambda value : formatAsString(getMemberD(value,"name")),debugContext = "classes.Test.Dict.fields.#.value")
_Id_k = GenericArrayContainerHelper(accessor = _Id_h,displayedName = "#",arrayBase = lambda value : getMemberD(value,"entries"),arraySize = lambda value : getMemberD(value,"count"),invalidCondition = lambda value : getMemberD(value,"key") == 2,itemName = "entry",itemsName = "entries",key = _Id_i,value = _Id_j,debugContext = "classes.Test.Dict.fields.#")
def qform__Dict():
    return [AutomaticFormat]
def qdump__Dict(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_k],dumpMode = dumpMode,debugContext = "classes.Test.Dict")
_Id_l = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.List.fields.#.accessor")
def _Id_m(d, value):
    try: #--
     __line__count__ = 1 #--
     return value["count"]
     
    except: #--
     WARN("KORVANDEBUGLINE:%s"%__line__count__) #--
     raise #--
_Id_n = GenericAccessor(accessor = lambda value : getMemberD(value,"value"),debugContext = "classes.Test.List.fields.#.value")
_Id_o = GenericLinkedContainerHelper(accessor = _Id_l,displayedName = "#",linkedBase = lambda value : getMemberD(value,"head"),right = lambda value : getMemberD(value,"next"),nbElement = _Id_m,itemName = "node",itemsName = "nodes",value = _Id_n,debugContext = "classes.Test.List.fields.#")
def qform__List():
    return [AutomaticFormat]
def qdump__List(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_o],dumpMode = dumpMode,debugContext = "classes.Test.List")
def _Id_q(value):
  dummy = BaseHelper()
  base = lambda value : getMemberD(value,"text")
  length = lambda value : getMemberD(value,"length")
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
    return GenericDumpStringHelper(d = d,value = value,fields = [],dumpMode = dumpMode,string = _Id_q,debugContext = "classes.Test.KString")
def _Id_r(value):
  dummy = BaseHelper()
  base = lambda value : getMemberD(value,"text")
  length = lambda value : getMemberD(value,"length")
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
    return GenericDumpStringHelper(d = d,value = value,fields = [],dumpMode = dumpMode,string = _Id_r,debugContext = "classes.Test.Latin1String")
def _Id_s(value):
  dummy = BaseHelper()
  base = lambda value : getMemberD(value,"bits")
  length = lambda value : getMemberD(value,"nbits")
  base = dummy.callAPI(base,value) # DEBUG bitArray.base,value
  length = dummy.callAPI(length,value) # DEBUG bitArray.length,value
  return base,length
def qform__BitSet():
    return [AutomaticFormat]
def qdump__BitSet(d,value,dumpMode=DefaultMode):
    return GenericDumpBitArrayHelper(d = d,value = value,fields = [],dumpMode = dumpMode,bitArray = _Id_s,debugContext = "classes.Test.BitSet")
_Id_t = GenericAccessor(accessor = lambda value: value["ptr"].dereference(),debugContext = "classes.Test.Handle.fields.target.accessor")
_Id_u = GenericFieldHelper(accessor = _Id_t,displayedName = "target",debugContext = "classes.Test.Handle.fields.target")
def qform__Handle():
    return [AutomaticFormat]
def qdump__Handle(d,value,dumpMode=DefaultMode):
    return GenericDumpWrapperHelper(d = d,value = value,fields = [_Id_u],dumpMode = dumpMode,debugContext = "classes.Test.Handle")
_Id_v = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.FixedBuf.fields.#.accessor")
_Id_1h = GenericFilter(value = lambda value : value > 1,debugContext = "classes.Test.FixedBuf.fields.#.filter")
_Id_w = GenericArrayContainerHelper(accessor = _Id_v,displayedName = "#",arrayBase = lambda value : getMemberD(value,"data"),arraySize = lambda value : theDumper.numericTemplateArgument(value.type, 0),filter = _Id_1h,debugContext = "classes.Test.FixedBuf.fields.#")
def qform__FixedBuf():
    return [AutomaticFormat]
def qdump__FixedBuf(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_w],dumpMode = dumpMode,debugContext = "classes.Test.FixedBuf")
_Id_x = GenericEnumHelper(enums = ({ 0x0:"::StyleNone" },{ 0x1:"::Bold" },{ 0x2:"::Italic" },{ 0x10:"::AlignLeft",0x20:"::AlignCenter" }),masks = (0x33,0x1,0x2,0x30),debugContext = "classes.Test.Style")
def qform__Style():
    return [AutomaticFormat]
def qdump__Style(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(fields = [_Id_x],d = d,value = value,dumpMode = dumpMode,debugContext = "classes.Test.Style")
_Id_y = GenericEnumHelper(enums = ({ -1:"::Neg",0:"::Zero",1:"::One" }),masks = (0xffffffffffffffff),debugContext = "classes.Test.Signed")
def qform__Signed():
    return [AutomaticFormat]
def qdump__Signed(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(fields = [_Id_y],d = d,value = value,dumpMode = dumpMode,debugContext = "classes.Test.Signed")
_Id_z = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.PairVec.fields.#.accessor")
_Id_10 = GenericArrayContainerHelper(accessor = _Id_z,displayedName = "#",arrayBase = lambda value : getMemberD(value,"data"),arraySize = lambda value : getMemberD(value,"size"),debugContext = "classes.Test.PairVec.fields.#")
def qform__PairVec():
    return [AutomaticFormat]
def qdump__PairVec(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_10],dumpMode = dumpMode,debugContext = "classes.Test.PairVec")
_Id_11 = GenericAccessor(accessor = lambda value : getMemberD(value,"vec"),debugContext = "classes.Test.PairMap.fields.<Default>.accessor")
_Id_12 = GenericAccessor(accessor = lambda value : getMemberD(value,"first"),debugContext = "classes.Test.PairMap.fields.<Default>.keyCustom")
_Id_13 = GenericAccessor(accessor = lambda value : getMemberD(value,"second"),debugContext = "classes.Test.PairMap.fields.<Default>.valueCustom")
_Id_1b = CombinedGenericAccessor(args = [_Id_12],debugContext = "classes.Test.PairMap.fields.#")
_Id_1c = CombinedGenericAccessor(args = [_Id_13],debugContext = "classes.Test.PairMap.fields.#")
_Id_14 = GenericArrayContainerHelper(accessor = _Id_11,displayedName = "#",arrayBase = lambda value : getMemberD(value,"data"),arraySize = lambda value : getMemberD(value,"size"),key = _Id_1b,value = _Id_1c,debugContext = "classes.Test.PairMap.fields.#")
def qform__PairMap():
    return [AutomaticFormat]
def qdump__PairMap(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_14],dumpMode = dumpMode,debugContext = "classes.Test.PairMap")
_Id_1i = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.TArray.fields.#.accessor")
_Id_1k = GenericArrayContainerHelper(accessor = _Id_1i,displayedName = "#",arrayBase = lambda value : getMemberD(value,"data"),arraySize = lambda value : getMemberD(value,"size"),cellDefinition = _Id_1j,debugContext = "classes.Test.TArray.fields.#")
def qform__TArray():
    return [AutomaticFormat]
def qdump__TArray(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_1k],dumpMode = dumpMode,debugContext = "classes.Test.TArray")
_Id_1l = GenericAccessor(accessor = lambda value : value.address,debugContext = "classes.Test.Counter.header")
_Id_1o = GenericAccessor(accessor = lambda value: theDumper.parseAndEvaluate("%s.twice()"%getvarName(theDumper,value)),debugContext = "classes.Test.Counter.fields.twice.accessor")
_Id_1p = GenericFieldHelper(accessor = _Id_1o,displayedName = "twice",debugContext = "classes.Test.Counter.fields.twice")
_Id_1q = GenericAccessor(accessor = lambda value: ExecBuffered(theDumper,"square",getvarName(theDumper,value)),debugContext = "classes.Test.Counter.fields.square.accessor")
_Id_1r = GenericFieldHelper(accessor = _Id_1q,displayedName = "square",debugContext = "classes.Test.Counter.fields.square")
def _Id_1m(value):
  global _Id_1m
  offset = 2*theDumper.intSize()+0
  resolvedType = theDumper.lookupType("void*")
  _Id_1m = lambda value : value.cast(resolvedType)+offset
  return value.cast(resolvedType)+offset
_Id_1s = GenericAccessor(accessor = _Id_1m,type = _Id_1n,postProcess = lambda value: value.dereference(),debugContext = "classes.Test.Counter.fields.extra.accessor")
_Id_1t = GenericFieldHelper(accessor = _Id_1s,displayedName = "extra",debugContext = "classes.Test.Counter.fields.extra")
def qform__Counter():
    return [AutomaticFormat]
def qdump__Counter(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,header = _Id_1l,fields = [_Id_1p,_Id_1r,_Id_1t],dumpMode = dumpMode,debugContext = "classes.Test.Counter")
_Id_1u = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.Tree.fields.keys.accessor")
_Id_1v = GenericFilter(key = lambda value : value != 3,debugContext = "classes.Test.Tree.fields.keys.filter")
_Id_1w = GenericAccessor(accessor = lambda value : getFieldD(value,"key"),debugContext = "classes.Test.Tree.fields.keys.key")
_Id_1x = GenericAccessor(accessor = lambda value : getMemberD(value,"key") * 10,debugContext = "classes.Test.Tree.fields.keys.value")
_Id_1y = GenericLinkedContainerHelper(accessor = _Id_1u,displayedName = "keys",linkedBase = lambda value : getMemberD(value,"root"),left = lambda value : getMemberD(value,"left"),right = lambda value : getMemberD(value,"right"),nodeDefinition = _Id_1z,endCondition = lambda value : value == 0,key = _Id_1w,value = _Id_1x,filter = _Id_1v,debugContext = "classes.Test.Tree.fields.keys")
def qform__Tree():
    return [AutomaticFormat]
def qdump__Tree(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_1y],dumpMode = dumpMode,debugContext = "classes.Test.Tree")
_Id_20 = GenericAccessor(accessor = lambda value : getMemberD(value,"items"),debugContext = "classes.Test.Bag.fields.items.accessor")
_Id_21 = GenericArrayContainerHelper(accessor = _Id_20,displayedName = "items",arrayBase = lambda value : getMemberD(value,"data"),arraySize = lambda value : getMemberD(value,"size"),debugContext = "classes.Test.Bag.fields.items")
_Id_22 = GenericAccessor(accessor = lambda value : getMemberD(value,"label"),debugContext = "classes.Test.Bag.fields.label.accessor")
_Id_23 = GenericFieldHelper(accessor = _Id_22,displayedName = "label",debugContext = "classes.Test.Bag.fields.label")
def qform__Bag():
    return [AutomaticFormat]
def qdump__Bag(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,fields = [_Id_21,_Id_23],dumpMode = dumpMode,debugContext = "classes.Test.Bag")
_Id_15 = GenericAccessor(accessor = lambda value : getMemberD(value,"nosuch"),debugContext = "classes.Test.Broken.fields.value.accessor")
_Id_16 = GenericFieldHelper(accessor = _Id_15,displayedName = "value",debugContext = "classes.Test.Broken.fields.value")
def qform__Broken():
    return [AutomaticFormat]
def qdump__Broken(d,value,dumpMode=DefaultMode):
    return GenericDumpClassHelper(d = d,value = value,fields = [_Id_16],dumpMode = dumpMode,debugContext = "classes.Test.Broken")
_Id_18 = GenericAccessor(accessor = lambda value : value,debugContext = "classes.Test.PairVec.fields.#.accessor")
_Id_19 = GenericAccessor(accessor = lambda value : getMemberD(value,"second"),debugContext = "custom.pv;PairVec.<Default>.valueCustom")
_Id_1d = CombinedGenericAccessor(args = [_Id_19],debugContext = "classes.Test._Id_17.fields.#")
_Id_1a = GenericArrayContainerHelper(accessor = _Id_18,displayedName = "#",arrayBase = lambda value : getMemberD(value,"data"),arraySize = lambda value : getMemberD(value,"size"),value = _Id_1d,debugContext = "classes.Test._Id_17.fields.#")
def qform___Id_17():
    return [AutomaticFormat]
def qdump___Id_17(d,value,dumpMode=DefaultMode):
    return GenericDumpFieldAsParentHelper(d = d,value = value,fields = [_Id_1a],dumpMode = dumpMode,debugContext = "classes.Test._Id_17")

theDumper.registerCustom("","pv",qdump___Id_17)
