# Korvan Debugger: the helper classes that the generated printers instantiate.
# Constructor keywords are the JSON keys of the type-model definitions. Every
# helper takes debugContext (the model path of the helper, given in debug
# mode) and ignores keywords it does not know. A failing accessor is reported
# (debug mode) and shown as an error value; the other items go on.
#
# Needs theDumper (the IDE's dumper) and KorvanDumper.py loaded before.
# Lines annotated with a DEBUG comment (argument name and variable) are
# wrapped by the plug-in's instrumentation (so each is a single simple
# statement; no other line may carry that annotation); the debugContext
# the wrapper names is set before them. In debug mode the plug-in also puts
# a trace call before every statement: no "finally", no multi-line strings.

import sys

import gdb

debugContext = ""
elideCharacter = "..."
MAX_ITEMS = 10000
MASK64 = 0xffffffffffffffff


# ---- values ---------------------------------------------------------------
def isPointer(value):
    return isinstance(value, gdb.Value) and value.type.strip_typedefs().code == gdb.TYPE_CODE_PTR


def derefAll(value):
    while isPointer(value):
        if int(value) == 0:
            raise gdb.error("Null pointer of type '%s' dereferenced." % value.type)
        value = value.dereference()
    return value


def pointedObject(value):
    # The object behind pointers and references; None behind a null pointer.
    # A pointer is looked up by its target's printer, and a model's own code
    # (template arguments of value.type, members) is written for the object.
    while isinstance(value, gdb.Value):
        code = value.type.strip_typedefs().code
        if code == gdb.TYPE_CODE_PTR:
            if int(value) == 0:
                return None
            value = value.dereference()
        elif code in (gdb.TYPE_CODE_REF, gdb.TYPE_CODE_RVALUE_REF):
            value = value.referenced_value()
        else:
            break
    return value


def castValue(value, gdbType):
    # Cast, or read the value's memory as the type when GDB cannot convert.
    if not isinstance(gdbType, gdb.Type):
        raise gdb.error("'%s' is not a C++ type." % (gdbType,))
    try:
        return value.cast(gdbType)
    except gdb.error:
        if value.address is None:
            raise
        return value.address.cast(gdbType.pointer()).dereference()


def toInteger(value):
    # Numbers, booleans, enumerators and pointers (their address) alike.
    return int(value)


def _findField(value, name):
    # value[name], also through anonymous structs and unions.
    try:
        return value[name]
    except gdb.error:
        pass
    for field in value.type.strip_typedefs().fields():
        if not field.name and not field.is_base_class and hasattr(field, "bitpos"):
            try:
                return _findField(value[field], name)
            except gdb.error:
                pass
    raise gdb.error("There is no member named %s in '%s'." % (name, value.type))


def getField(value, fieldName):
    return _findField(derefAll(value), fieldName)


def getFieldForce(value, fieldName, forceType):
    return castValue(getField(value, fieldName), _lookupOrFail(forceType))


def getHeader(value):
    # The first base-class part of the value, or the value itself.
    value = derefAll(value)
    bases = [f for f in value.type.strip_typedefs().fields() if f.is_base_class]
    return value.cast(bases[0].type) if bases else value


def getHeaderForce(value, forceType):
    # The memory of the value read as forceType.
    value = derefAll(value)
    target = _lookupOrFail(forceType)
    if value.address is None:
        raise gdb.error("Value of type '%s' has no address." % value.type)
    return value.address.cast(target.pointer()).dereference()


def getSize(value):
    return derefAll(value).type.strip_typedefs().sizeof


def _lookupOrFail(typeName):
    found = theDumper.lookupType(typeName)
    if found is None:
        raise gdb.error("Invalid C++ value type: '%s'." % typeName)
    return found


def _described(function, description, *args):
    try:
        return function(*args)
    except gdb.error as inst:
        raise gdb.error("%s: %s" % (description, inst))


# The debug variants say which step of the expression failed.
def getFieldD(value, fieldName):
    return _described(getField, "Field '%s'" % fieldName, value, fieldName)


def getFieldForceD(value, fieldName, forceType):
    return _described(getFieldForce, "Field '%s' as '%s'" % (fieldName, forceType), value, fieldName, forceType)


def getHeaderD(value):
    return _described(getHeader, "Header", value)


def getHeaderForceD(value, forceType):
    return _described(getHeaderForce, "Header as '%s'" % forceType, value, forceType)


def getSizeD(value):
    return _described(getSize, "Size", value)


def getMemberD(value, fieldName):
    if isinstance(fieldName, int):
        return _described(lambda v: v[fieldName], "Element %d" % fieldName, value)
    return _described(lambda v: _findField(v, fieldName), "Member '%s'" % fieldName, value)


def _displayText(value):
    if not isinstance(value, gdb.Value):
        return str(value)
    stripped = value.type.strip_typedefs()
    if stripped.code in (gdb.TYPE_CODE_PTR, gdb.TYPE_CODE_ARRAY):
        target = stripped.target().strip_typedefs()
        if target.code == gdb.TYPE_CODE_INT and target.sizeof == 1:
            if stripped.code == gdb.TYPE_CODE_PTR and int(value) == 0:
                return ""
            return value.string(errors="replace")
    text = theDumper.valueText(value)[0]
    if len(text) >= 2 and text[0] == '"' and text[-1] == '"':
        text = text[1:-1]
    return text


# What a text shown in quotes needs escaped to read back unambiguously, as
# the IDE shows string values: "say \"hi\"\n".
_QUOTED_ESCAPES = dict((code, "\\x%02x" % code) for code in range(32))
_QUOTED_ESCAPES.update({ord("\\"): "\\\\", ord('"'): '\\"', ord("\n"): "\\n", ord("\r"): "\\r",
                        ord("\t"): "\\t", 0: "\\0", 127: "\\x7f"})


def quotedText(text):
    return '"%s"' % str(text).translate(_QUOTED_ESCAPES)


def formatAsString(value):
    return quotedText(_displayText(value))


def formatAsStringUnquote(value):
    return _displayText(value)


# ---- strings ------------------------------------------------------------------
class DecodedText(str):
    # Text read from the inferior that keeps its bytes, so that an encoding
    # option can decode them again: text.decode("latin1").
    def __new__(cls, raw, encoding):
        try:
            text = raw.decode(encoding)
        except UnicodeDecodeError:
            text = raw.decode("latin1")
        self = str.__new__(cls, text)
        self.raw = raw
        return self

    def decode(self, encoding="utf8", errors="strict"):
        return DecodedText(self.raw, encoding)


def decodeCharacterType(charType):
    # (size of one character, decoder of the bytes) for a character type.
    size = charType.sizeof
    order = "le" if sys.byteorder == "little" else "be"
    if size == 1:
        return 1, lambda raw: DecodedText(raw, "utf8")
    if size == 2:
        return 2, lambda raw: DecodedText(raw, "utf-16-" + order)
    if size == 4:
        return 4, lambda raw: DecodedText(raw, "utf-32-" + order)
    raise gdb.error("Invalid Character format. Character size must be 1, 2 or 4 bytes.")


# ---- accessors ----------------------------------------------------------------
class GenericAccessor(BaseHelper):
    # One step: accessor, cast to type, post-process, then (dereference)
    # follow pointers. directionField/directionType are kept for the
    # generators' sake; no step uses them.
    passesContainer = True

    def __init__(self, accessor=None, type=None, postProcess=None, dereference=False,
                 directionField=None, directionType=None, debugContext="", **extra):
        BaseHelper.__init__(self, accessor, extra.pop("displayedName", None), debugContext, **extra)
        self.type = type
        self.postProcess = postProcess
        self.dereference = dereference
        self.directionField = directionField
        self.directionType = directionType

    def __call__(self, value, container=None):
        debugContext = self.debugContext
        result = value
        if self.accessor is not None:
            result = self.solve("accessor", self.accessor, value, container) # DEBUG accessor,value
        if self.type is not None:
            castType = self.solve("type", self.type, result, container) # DEBUG type,result
            try:
                result = castValue(result, castType)
            except Exception as inst:
                self.report("type", result, inst)
                raise
        if self.postProcess is not None:
            result = self.solve("postProcess", self.postProcess, result, container) # DEBUG postProcess,result
        if self.dereference:
            try:
                result = derefAll(result)
            except Exception as inst:
                self.report("dereference", result, inst)
                raise
        return result


class CombinedGenericAccessor(BaseHelper):
    passesContainer = True

    def __init__(self, args=(), debugContext="", **extra):
        BaseHelper.__init__(self, extra.pop("accessor", None), extra.pop("displayedName", None), debugContext, **extra)
        self.args = list(args)

    def __call__(self, value, container=None):
        for step in self.args:
            value = self.callAPI(step, value, container)
        return value


class GenericFilter(BaseHelper):
    # Keeps an item when every given filter says so: key(key), value(value),
    # keyValue(d, key, value).
    def __init__(self, key=None, value=None, keyValue=None, debugContext="", **extra):
        BaseHelper.__init__(self, extra.pop("accessor", None), extra.pop("displayedName", None), debugContext, **extra)
        self.key = key
        self.value = value
        self.keyValue = keyValue

    def accept(self, key, value, container=None):
        debugContext = self.debugContext
        if self.key is not None and key is not None:
            keep = bool(self.solve("key", self.key, key, container)) # DEBUG key,key
            if not keep:
                return False
        if self.value is not None:
            keep = bool(self.solve("value", self.value, value, container)) # DEBUG value,value
            if not keep:
                return False
        if self.keyValue is not None:
            try:
                return bool(self.keyValue(theDumper, key, value)) # DEBUG keyValue,value
            except Exception as inst:
                self.report("keyValue", value, inst)
                raise
        return True


# ---- fields -----------------------------------------------------------------------
def _putTypeOnce(d, value):
    if not d.currentItem.type:
        d.putType(value.type if isinstance(value, gdb.Value) else type(value).__name__)


class GenericFieldHelper(BaseHelper):
    def __init__(self, accessor=None, displayedName=None, debugContext="", **extra):
        BaseHelper.__init__(self, accessor, displayedName, debugContext, **extra)


class GenericEnumHelper(BaseHelper):
    # Shows a number by the names of an enumeration. Each row is (dict of
    # value -> name, mask); values and masks are compared as 64-bit patterns.
    def __init__(self, accessor=None, displayedName=None, enums={}, masks=-1, debugContext="", **extra):
        BaseHelper.__init__(self, accessor, displayedName, debugContext, **extra)
        if isinstance(enums, dict):
            pairs = [(enums, masks)]
        else:
            try:
                pairs = list(zip(enums, masks))
            except TypeError:
                pairs = [(enums, masks)]
        # A row that breaks the format is left out: building a helper must
        # not fail, or the printers defined after it would be lost.
        self.rows = []
        for table, mask in pairs:
            try:
                self.rows.append((dict((int(k) & MASK64, str(v)) for k, v in table.items()), int(mask) & MASK64))
            except (AttributeError, TypeError, ValueError):
                pass

    def decode(self, number):
        # A row names its part of the number when the part is one of its
        # values. Bits that no shown name stands for are invalid when a row
        # with non-zero values describes them (a group row whose value is
        # made of other rows' flags is not invalid), overflow bits when no
        # row's mask holds them.
        number &= MASK64
        names = []
        covered = 0
        described = 0
        named = 0
        for table, mask in self.rows:
            covered |= mask
            if any(key != 0 for key in table):
                described |= mask
            part = number & mask
            if part in table and (part != 0 or number == 0 or len(table) > 1):
                names.append(table[part])
                named |= part
        rest = number & ~named & MASK64
        if rest & described:
            names.append("<Invalid> = %d" % (rest & described))
        if rest & ~covered & MASK64:
            names.append("<Overflow Bits> = %d" % (rest & ~covered & MASK64))
        return " | ".join(names)

    def dumpValue(self, d, value):
        v = self.access(value)
        debugContext = self.debugContext
        try:
            number = int(v) # DEBUG enumeration,v,Object is not a numerical value. It can not be processed as an Enum.
        except Exception as inst:
            self.report("enumeration", v, inst, "Object is not a numerical value. It can not be processed as an Enum.")
            raise
        _putTypeOnce(d, v)
        text = self.decode(number) if self.rows else ""
        d.putValue(text if text else str(number))
        d.putNumChild(0)


class ContainerHelper(BaseHelper):
    # What array and linked containers share: the item texts, the key and
    # value of each cell, the filter, and the children.
    def __init__(self, accessor=None, displayedName=None, nbElement=None, itemName="item", itemsName="items",
                 key=None, value=None, filter=None, debugContext="", **extra):
        BaseHelper.__init__(self, accessor, displayedName, debugContext, **extra)
        self.nbElement = nbElement
        self.itemName = itemName
        self.itemsName = itemsName
        self.key = key
        self.value = value
        self.filter = filter

    def cells(self, container):
        return iter(())

    def fail(self, argument, var, inst):
        # Raise inst, reported under the argument's name.
        try:
            raise inst
        except Exception as raised:
            self.report(argument, var, raised)
            raise

    def missing(self, argument, var):
        # A mandatory argument the model does not give.
        self.fail(argument, var, NameError("name '%s' is not defined" % argument))

    def knownCount(self, container):
        # Count without walking the cells, or None.
        return None

    def summary(self, count):
        return "<%s %s>" % (count, self.itemName if str(count) == "1" else self.itemsName)

    def dumpValue(self, d, value):
        container = self.access(value)
        debugContext = self.debugContext
        _putTypeOnce(d, container)
        count = None
        if self.nbElement is not None:
            count = toInteger(self.solve("nbElement", self.nbElement, container)) # DEBUG nbElement,container
        elif self.filter is None:
            count = self.knownCount(container)
        shown = None
        if count is None or d.isExpanded():
            shown = self.items(container)
            if count is None:
                count = len(shown)
        d.putValue(self.summary(count))
        d.putNumChild(max(0, min(count, MAX_ITEMS)) if shown is None else len(shown))
        if shown is not None and d.isExpanded():
            for index, item in enumerate(shown):
                self.putCell(d, index, item, container)

    def items(self, container):
        # (key, value) of the cells the filter keeps, at most MAX_ITEMS;
        # a cell that fails is kept as its exception.
        debugContext = self.debugContext
        result = []
        for cell in self.cells(container):
            if len(result) >= MAX_ITEMS:
                break
            try:
                key = None
                if self.key is not None:
                    key = self.solve("key", self.key, cell, container) # DEBUG key,cell
                value = cell
                if self.value is not None:
                    value = self.solve("value", self.value, cell, container) # DEBUG value,cell
                if self.filter is not None and not self.filter.accept(key, value, container):
                    continue
                result.append((key, value))
            except Exception as inst:
                result.append((None, inst))
        return result

    def putCell(self, d, index, item, container):
        key, value = item
        if isinstance(value, Exception):
            with d.subItem("[%d]" % index):
                d.putError(errorText(value))
            return
        if key is None:
            d.putSubItem("[%d]" % index, value)
            return
        try:
            keyText, keyChildren = d.valueText(key)
        except Exception:
            keyText, keyChildren = "", 1
        if keyText and not keyChildren:
            d.putSubItem(keyText, value)
            return
        with d.subItem("[%d]" % index):
            d.putValue("")
            if d.isExpanded():
                d.putSubItem("key", key)
                d.putSubItem("value", value)
            d.putNumChild(2)


class GenericArrayContainerHelper(ContainerHelper):
    # Cells base[overflowSpace] .. base[overflowSpace + arraySize - 1], read as
    # cellDefinition when given; cells for which invalidCondition holds are
    # left out.
    def __init__(self, accessor=None, displayedName=None, arrayBase=None, arraySize=None, cellDefinition=None,
                 invalidCondition=None, overflowSpace=None, nbElement=None, itemName="item", itemsName="items",
                 key=None, value=None, filter=None, debugContext="", **extra):
        ContainerHelper.__init__(self, accessor, displayedName, nbElement, itemName, itemsName, key, value,
                                 filter, debugContext, **extra)
        self.arrayBase = arrayBase
        self.arraySize = arraySize
        self.cellDefinition = cellDefinition
        self.invalidCondition = invalidCondition
        self.overflowSpace = overflowSpace

    def size(self, container):
        debugContext = self.debugContext
        if self.arraySize is None:
            self.missing("arraySize", container)
        size = toInteger(self.solve("arraySize", self.arraySize, container)) # DEBUG arraySize,container
        if size < 0:
            self.fail("arraySize", container, gdb.error("Invalid array size %d." % size))
        return size

    def knownCount(self, container):
        return None if self.invalidCondition is not None else self.size(container)

    def cells(self, container):
        debugContext = self.debugContext
        if self.arrayBase is None:
            self.missing("arrayBase", container)
        size = self.size(container)
        base = self.solve("arrayBase", self.arrayBase, container) # DEBUG arrayBase,container
        code = base.type.strip_typedefs().code
        if code == gdb.TYPE_CODE_ARRAY:
            base = base[0].address
        elif code != gdb.TYPE_CODE_PTR:
            base = base.address
        if self.cellDefinition is not None:
            cellType = self.solve("cellDefinition", self.cellDefinition, container) # DEBUG cellDefinition,container
            base = base.cast(cellType.pointer())
        start = 0
        if self.overflowSpace is not None:
            start = toInteger(self.solve("overflowSpace", self.overflowSpace, container)) # DEBUG overflowSpace,container
        for index in range(start, start + min(size, MAX_ITEMS)):
            cell = (base + index).dereference()
            if self.invalidCondition is not None:
                invalid = bool(self.solve("invalidCondition", self.invalidCondition, cell, container)) # DEBUG invalidCondition,cell
                if invalid:
                    continue
            yield cell


class GenericLinkedContainerHelper(ContainerHelper):
    # Nodes from linkedBase, following right (or left); with both, the nodes
    # of a binary tree in order. A node ends the walk when endCondition holds
    # (default: a null node); a node met twice ends it too.
    def __init__(self, accessor=None, displayedName=None, linkedBase=None, left=None, right=None,
                 nodeDefinition=None, endCondition=None, nbElement=None, itemName="item", itemsName="items",
                 key=None, value=None, filter=None, debugContext="", **extra):
        ContainerHelper.__init__(self, accessor, displayedName, nbElement, itemName, itemsName, key, value,
                                 filter, debugContext, **extra)
        self.linkedBase = linkedBase
        self.left = left
        self.right = right
        self.nodeDefinition = nodeDefinition
        self.endCondition = endCondition

    def isEnd(self, node, container):
        debugContext = self.debugContext
        if self.endCondition is not None:
            return bool(self.solve("endCondition", self.endCondition, node, container)) # DEBUG endCondition,node
        return toInteger(node) == 0 if isPointer(node) else False

    def follow(self, argument, api, node, container, nodeType):
        debugContext = self.debugContext
        result = self.solve(argument, api, node, container) # DEBUG link,node
        if nodeType is not None and isPointer(result):
            result = result.cast(nodeType)
        return result

    def cell(self, node):
        return node.dereference() if isPointer(node) else node

    def cells(self, container):
        debugContext = self.debugContext
        if self.linkedBase is None:
            self.missing("linkedBase", container)
        if self.left is None and self.right is None:
            self.missing("right", container)
        node = self.solve("linkedBase", self.linkedBase, container) # DEBUG linkedBase,container
        nodeType = None
        if self.nodeDefinition is not None:
            nodeType = self.solve("nodeDefinition", self.nodeDefinition, container) # DEBUG nodeDefinition,container
            if nodeType.strip_typedefs().code != gdb.TYPE_CODE_PTR:
                nodeType = nodeType.pointer()
            node = node.cast(nodeType) if isPointer(node) else node.address.cast(nodeType)
        seen = set()
        if self.left is not None and self.right is not None:
            stack = []
            while (stack or not self.isEnd(node, container)) and len(seen) < MAX_ITEMS:
                while not self.isEnd(node, container) and len(stack) < MAX_ITEMS:
                    stack.append(node)
                    node = self.follow("left", self.left, node, container, nodeType)
                node = stack.pop()
                address = toInteger(node) if isPointer(node) else id(node)
                if address in seen:
                    return
                seen.add(address)
                yield self.cell(node)
                node = self.follow("right", self.right, node, container, nodeType)
            return
        argument, step = ("right", self.right) if self.right is not None else ("left", self.left)
        while not self.isEnd(node, container) and len(seen) < MAX_ITEMS:
            address = toInteger(node) if isPointer(node) else id(node)
            if address in seen:
                return
            seen.add(address)
            yield self.cell(node)
            node = self.follow(argument, step, node, container, nodeType)


# ---- dumpers of a class model ------------------------------------------------------
class DumpHelper(BaseHelper):
    # Runs when constructed (the generated qdump__ function returns it):
    # header, then the feature's output into the current item.
    def __init__(self, d, value, header=None, fields=(), actualHelper=None, directionHelper=None,
                 dumpMode=DefaultMode, debugContext="", **extra):
        BaseHelper.__init__(self, extra.pop("accessor", None), extra.pop("displayedName", None), debugContext, **extra)
        self.header = header
        self.fields = list(fields)
        self.actualHelper = actualHelper
        self.directionHelper = directionHelper
        self.dumpMode = dumpMode
        try:
            target = pointedObject(value)
            if target is None:
                d.putValue("0x0")
            else:
                self.run(d, self.headerValue(target))
        except Exception as inst:
            self.report("__dumper", value, inst)
            d.putError(errorText(inst))

    def headerValue(self, value):
        debugContext = self.debugContext
        if self.header is None:
            return value
        return self.solve("header", self.header, value) # DEBUG header,value

    def putFields(self, d, value, fields, firstIndex=0):
        d.putNumChild(d.currentItem.numchild + len(fields))
        if d.isExpanded():
            for index, field in enumerate(fields):
                field.dumpField(d, value, firstIndex + index)

    def run(self, d, value):
        pass


class GenericDumpClassHelper(DumpHelper):
    def run(self, d, value):
        d.putValue("{...}")
        self.putFields(d, value, self.fields)


class GenericDumpFieldAsParentHelper(DumpHelper):
    # The first field is shown as the value itself (a container's items, an
    # enumeration's names); further fields follow as children.
    def __init__(self, d, value, fields=(), actualHelper=None, directionHelper=None, dumpMode=DefaultMode,
                 debugContext="", **extra):
        DumpHelper.__init__(self, d, value, extra.pop("header", None), fields, actualHelper, directionHelper,
                            dumpMode, debugContext, **extra)

    def run(self, d, value):
        if not self.fields:
            d.putValue("{...}")
            return
        self.fields[0].dumpAsParent(d, value)
        self.putFields(d, value, self.fields[1:], 1)


class GenericDumpWrapperHelper(GenericDumpFieldAsParentHelper):
    # The wrapped value (first field) stands for the wrapper; without fields,
    # the header's result does.
    def __init__(self, d, value, header=None, fields=(), actualHelper=None, directionHelper=None, dumpMode=DefaultMode,
                 debugContext="", **extra):
        DumpHelper.__init__(self, d, value, header, fields, actualHelper, directionHelper, dumpMode,
                            debugContext, **extra)

    def run(self, d, value):
        if not self.fields:
            d.putItem(value)
            return
        GenericDumpFieldAsParentHelper.run(self, d, value)


class GenericDumpStringHelper(DumpHelper):
    def __init__(self, d, value, string=None, fields=(), actualHelper=None, directionHelper=None,
                 dumpMode=DefaultMode, debugContext="", **extra):
        self.string = string
        DumpHelper.__init__(self, d, value, extra.pop("header", None), fields, actualHelper, directionHelper,
                            dumpMode, debugContext, **extra)

    def run(self, d, value):
        global debugContext
        debugContext = self.debugContext
        if self.string is None:
            raise NameError("name 'string' is not defined")
        try:
            isString, text = self.string(value)
        except Exception as inst:
            self.report("string", value, inst)
            raise
        d.putValue(quotedText(text) if isString else text)
        self.putFields(d, value, self.fields)


class GenericDumpBitArrayHelper(DumpHelper):
    def __init__(self, d, value, bitArray=None, fields=(), dumpMode=DefaultMode, debugContext="", **extra):
        self.bitArray = bitArray
        DumpHelper.__init__(self, d, value, extra.pop("header", None), fields, None, None, dumpMode,
                            debugContext, **extra)

    def run(self, d, value):
        global debugContext
        debugContext = self.debugContext
        if self.bitArray is None:
            raise NameError("name 'bitArray' is not defined")
        try:
            base, length = self.bitArray(value)
            length = toInteger(length)
            if length < 0:
                raise gdb.error("Invalid bit count %d." % length)
        except Exception as inst:
            self.report("bitArray", value, inst)
            raise
        d.putValue("<%s bit>" % length if length <= 1 else "<%s bits>" % length)
        shown = min(length, MAX_ITEMS)
        d.putNumChild(shown)
        if d.isExpanded() and shown > 0:
            data = theDumper.readMemory(toInteger(base), (shown + 7) // 8)
            for index in range(shown):
                with d.subItem("bit #%d" % index):
                    d.putType("bool")
                    d.putValue("true" if (data[index // 8] >> (index % 8)) & 1 else "false")
        self.putFields(d, value, self.fields, shown)
