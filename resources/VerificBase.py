# Korvan Debugger: what the netlist printers share. The texts written here
# are what the plug-in's record readers parse back, character for character:
#   port            <mark>name[<hair>(net)]           (net only when named otherwise)
#   instance        name<hair>(<param>,<thin><param>...)
#     parameter     <mark or middle dot>formal<<ptr>><hair>(net<<ptr>>)
#   terminal        <mark>instance<hair>.port<hair>(net)
# with the marks U+21E5 input, U+21A6 output, U+21F9 inout, U+00B7 unknown,
# U+200A hair space, U+2009 thin space and hidden pointers between U+226A and
# U+226B. This file is read as Latin-1 by the plug-in: keep it ASCII.

try:
    import gdb
except ImportError:  # the text functions are also used outside GDB
    gdb = None

VERIFIC_INPUT_MARK = u"\u21e5"
VERIFIC_OUTPUT_MARK = u"\u21a6"
VERIFIC_INOUT_MARK = u"\u21f9"
VERIFIC_UNKNOWN_MARK = u"\u00b7"
VERIFIC_HAIR_SPACE = u"\u200a"
VERIFIC_THIN_SPACE = u"\u2009"
VERIFIC_POINTER_OPEN = u"\u226a"
VERIFIC_POINTER_CLOSE = u"\u226b"

# The library's direction numbers: in, out, inout; anything else has none.
VERIFIC_DIR_IN = 0
VERIFIC_DIR_OUT = 1
VERIFIC_DIR_INOUT = 2


def verificDirectionMark(direction, unknown=""):
    # The arrow of a port direction; `unknown` for a port without one.
    return {VERIFIC_DIR_IN: VERIFIC_INPUT_MARK, VERIFIC_DIR_OUT: VERIFIC_OUTPUT_MARK,
            VERIFIC_DIR_INOUT: VERIFIC_INOUT_MARK}.get(direction, unknown)


def verificHiddenPointer(address):
    # The pointer text the readers strip from names and keep as a reference.
    if not address:
        return ""
    return VERIFIC_POINTER_OPEN + ("0x%x" % address) + VERIFIC_POINTER_CLOSE


def verificPortText(direction, name, netName):
    # A module port; the net only when it is named otherwise. A port without
    # direction gets no mark, which tells the reader it is no port.
    text = verificDirectionMark(direction) + name
    if netName is not None and netName != name:
        text += VERIFIC_HAIR_SPACE + "(" + netName + ")"
    return text


def verificParameterText(direction, formal, formalAddress, netName, netAddress):
    # One parameter of an instance; an open port shows empty parentheses.
    net = "" if netName is None else netName + verificHiddenPointer(netAddress)
    return (verificDirectionMark(direction, VERIFIC_UNKNOWN_MARK) + formal + verificHiddenPointer(formalAddress)
            + VERIFIC_HAIR_SPACE + "(" + net + ")")


def verificInstanceText(name, parameters):
    # parameters: texts made by verificParameterText.
    return name + VERIFIC_HAIR_SPACE + "(" + ("," + VERIFIC_THIN_SPACE).join(parameters) + ")"


def verificTerminalText(direction, instanceName, portName, netName):
    return (verificDirectionMark(direction) + instanceName + VERIFIC_HAIR_SPACE + "." + portName
            + VERIFIC_HAIR_SPACE + "(" + ("" if netName is None else netName) + ")")


def verificQuoted(name):
    # Names of netlists are shown like strings; the readers strip the quotes.
    return '"' + name + '"'


# Bus ranges by language of the netlist: the language scripts fill this
# table with functions (name, left, right) -> text.
verificBusRangeFormats = {}


def verificBusRangeText(language, name, left, right):
    formatter = verificBusRangeFormats.get(language)
    if formatter is None:
        return "%s[%d:%d]" % (name, left, right)
    return formatter(name, left, right)


# ---- reading the library's objects (inside GDB only) -----------------------
def verificObject(value):
    # The object behind a pointer (or the value itself); None for null.
    if value.type.strip_typedefs().code == gdb.TYPE_CODE_PTR:
        if int(value) == 0:
            return None
        return value.dereference()
    return value


def verificAddress(value):
    # The object's address: the pointer's value, or the address of an object.
    if value.type.strip_typedefs().code == gdb.TYPE_CODE_PTR:
        return int(value)
    return int(value.address) if value.address is not None else 0


def verificName(obj):
    # A "_name" text; "" for a null or unreadable one.
    if obj is None:
        return ""
    pointer = obj["_name"]
    if int(pointer) == 0:
        return ""
    return pointer.string(encoding="utf-8", errors="replace")


def verificArray(array, itemType):
    # The items of an untyped Array, cast to the item type (a gdb.Type).
    size = int(array["_size"])
    items = array["_items"]
    return [items[i].cast(itemType) for i in range(size)]


def verificPointerType(name):
    found = gdb.lookup_type(name)
    return found.pointer()


def verificPutAddress(d, address):
    # The stand-in and the host dumper both know addresses; older ones not.
    put = getattr(d, "putAddress", None)
    if put is not None:
        put(address)


def verificDumpObject(d, value, text, childCount, putChildren):
    # One object: its address, its text and, when expanded, its children
    # (putChildren(object)); a null pointer shows "0x0".
    obj = verificObject(value)
    if obj is None:
        d.putValue("0x0")
        d.putNumChild(0)
        return
    verificPutAddress(d, verificAddress(value))
    d.putValue(text(obj))
    d.putNumChild(childCount)
    if d.isExpanded():
        putChildren(obj)


def verificIndexName(index, value):
    return "[%d]" % index


def verificPutList(d, label, values, childName):
    # A counted child list: "label" shows the count, its rows the values.
    with d.subItem(label):
        d.putValue(str(len(values)))
        d.putNumChild(len(values))
        d.putType("")
        if d.isExpanded():
            for index, value in enumerate(values):
                d.putSubItem(childName(index, value), value)
