# Stand-in of the IDE's GDB dumper: the object `theDumper` that the generated
# printers and the dumper-side scripts extend. It builds one value tree per
# watched expression (name, value, type, children), looks up "qdump__"
# functions by the mangled type name, keeps the custom dumpers registered for
# single watch paths, and answers "loadDumpers" and "fetchVariable".
#
# Load it first (gdb -x dumper.py), then KorvanDumper.py,
# DynamicPrettyPrinters.py and the generated printers.
#
# What the printers use of theDumper:
#   sizes, types, memory: ptrSize(), intSize(), lookupType(name) -> gdb.Type
#     or None, stripTypedefs(type), parseAndEvaluate(expression),
#     readMemory(address, size) -> bytes, stringCutOff (characters)
#   output into the current item: putValue(text), putType(name),
#     putAddress(number) (the object's address, 64-bit),
#     putNumChild(n), putError(message), isExpanded(), putItem(value)
#     (custom dumper of the path, else qdump__<type>, else GDB's view; a
#     Python value is shown as its text), putSubItem(name, value),
#     "with subItem(name):" (the calls inside address that child),
#     valueText(value) -> (text, child count) without output
#   registry: registerCustom(api, path, dumper function or its name),
#     unregisterCustom(api, path), findDumper(type), loadDumpers(args)
#   fetch: fetchItems(args) -> [Item], fetchVariable(args) (prints
#     "data=[...]", or writes it to args["resultfile"] and prints
#     "data-file=<path>"), fetchVariableJson(args); GDB commands
#     "korvan-fetch-json <args>" and "korvan-load-dumpers"

import binascii
import json
import re
import sys

import gdb

# Display formats and dump modes named by the generated "qform__"/"qdump__"
# functions.
AutomaticFormat = 0
RawFormat = 1
SimpleFormat = 2
SeparateFormat = 3
DefaultMode = 0
PlainMode = 1

MAX_CHILDREN = 10000
_SCALAR_CODES = (gdb.TYPE_CODE_INT, gdb.TYPE_CODE_FLT, gdb.TYPE_CODE_BOOL, gdb.TYPE_CODE_ENUM,
                 gdb.TYPE_CODE_CHAR)


def mangleTypeName(name):
    # The rule by which the generated dumper functions are named; what else
    # cannot stand in a Python name becomes "_x<hex code>_".
    for old, new in (("::", "__"), ("<", "_a_"), (",", "_c_"), (">", "_z_"), ("*", ""), (" ", "")):
        name = name.replace(old, new)
    return "".join(c if c == "_" or (c.isascii() and c.isalnum()) else "_x%x_" % ord(c) for c in name)


def templateBaseName(name):
    pos = name.find("<")
    return name[:pos] if pos > 0 else name


class Item(object):
    # One node of the fetched value tree.
    __slots__ = ("iname", "name", "exp", "path", "value", "type", "numchild", "children", "error", "childINames",
                 "address")

    def __init__(self, iname, name, path):
        self.iname = iname
        self.name = name
        self.exp = None
        self.path = path
        self.value = ""
        self.type = ""
        self.numchild = 0
        self.children = None
        self.error = False
        self.childINames = None
        self.address = None

    def appendMi(self, out):
        # The GDB/MI text of toDict(), into the list out: a large container
        # has ten thousand items, and no dict is built for each.
        out.append("{iname=%s,name=%s,value=%s,type=%s,numchild=\"%d\"" % (
            miQuote(self.iname), miQuote(self.name), miQuote(self.value), miQuote(self.type), self.numchild))
        if self.exp is not None:
            out.append(",exp=" + miQuote(self.exp))
        if self.address is not None:
            out.append(",address=\"0x%x\"" % self.address)
        if self.error:
            out.append(",error=\"1\"")
        if self.children is not None:
            out.append(",children=[")
            for index, child in enumerate(self.children):
                if index:
                    out.append(",")
                child.appendMi(out)
            out.append("]")
        out.append("}")

    def toDict(self):
        result = {"iname": self.iname, "name": self.name, "value": self.value,
                  "type": self.type, "numchild": self.numchild}
        if self.exp is not None:
            result["exp"] = self.exp
        if self.address is not None:
            result["address"] = "0x%x" % self.address
        if self.error:
            result["error"] = True
        if self.children is not None:
            result["children"] = [child.toDict() for child in self.children]
        return result


_MI_SPECIAL = re.compile(r'[\\"\x00-\x1f]')


def miQuote(text):
    if not _MI_SPECIAL.search(text):
        return '"' + text + '"'
    out = []
    for ch in text:
        if ch == "\\" or ch == '"':
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\n")
        elif ord(ch) < 0x20:
            out.append("\\%03o" % ord(ch))
        else:
            out.append(ch)
    return '"' + "".join(out) + '"'


def toMi(node):
    # GDB/MI text of a dict/list tree, readable by the plug-in's GdbMi parser.
    if isinstance(node, dict):
        return "{" + ",".join("%s=%s" % (key, toMi(val)) for key, val in node.items()) + "}"
    if isinstance(node, (list, tuple)):
        return "[" + ",".join(toMi(val) for val in node) + "]"
    if isinstance(node, bool):
        return miQuote("1" if node else "0")
    return miQuote(str(node))


class Dumper(object):
    def __init__(self):
        self.customDumpers = {}          # (api, path) -> dumper function
        self.expandedINames = set()
        self.expandAll = False
        self.maxDepth = 6
        self.stringCutOff = 10000
        self.displayStringLimit = 100
        self.currentItem = None
        self.depth = 0
        self.activeDumps = set()
        self.dumperCache = {}
        self.noVisualizer = set()
        self.api = None

    # ---- sizes and types -------------------------------------------------
    def ptrSize(self):
        return gdb.lookup_type("void").pointer().sizeof

    def intSize(self):
        return gdb.lookup_type("int").sizeof

    def lookupType(self, name):
        # None when the program knows no such type (the generated code tests it).
        text = name.strip()
        pointers = 0
        while text.endswith("*"):
            pointers += 1
            text = text[:-1].strip()
        if text.startswith("const "):
            text = text[6:].strip()
        try:
            found = gdb.lookup_type(text)
        except gdb.error:
            try:
                found = gdb.parse_and_eval("(%s*)0" % text).type.target()
            except gdb.error:
                return None
        for _ in range(pointers):
            found = found.pointer()
        return found

    def stripTypedefs(self, gdbType):
        # KorvanDumper.py replaces this by a version that reports each typedef.
        return gdbType.strip_typedefs()

    def parseAndEvaluate(self, expression):
        return gdb.parse_and_eval(expression)

    def readMemory(self, address, size):
        # The bytes of the inferior at address (a number or a gdb.Value).
        if size <= 0:
            return b""
        return bytes(gdb.selected_inferior().read_memory(int(address), int(size)))

    def currentApi(self):
        # The function of the selected frame, once per fetch.
        if self.api is None:
            try:
                self.api = gdb.selected_frame().name() or ""
            except gdb.error:
                self.api = ""
        return self.api

    # ---- dumper registry -------------------------------------------------
    def _globals(self):
        return sys.modules["__main__"].__dict__

    def findFunction(self, prefix, typeName):
        # "qdump__"/"qform__" function for a type name, the full (template)
        # name first, then its template base.
        scope = self._globals()
        for candidate in (typeName, templateBaseName(typeName)):
            function = scope.get(prefix + mangleTypeName(candidate))
            if callable(function):
                return function
        return None

    def typeInfo(self, gdbType):
        # (dumper function or None, the type without typedefs, its type code),
        # cached by the declared type name for one fetch (printers may be
        # replaced between fetches): the elements of a large container share
        # one lookup.
        key = str(gdbType)
        try:
            return self.dumperCache[key]
        except KeyError:
            pass
        stripped = self.stripTypedefs(gdbType)
        info = (self.findFunction("qdump__", self.dumperTypeName(stripped)), stripped, stripped.code)
        self.dumperCache[key] = info
        return info

    def dumperTypeName(self, gdbType):
        # The name a printer is looked up by: a pointer takes its target's
        # printer, so the typedefs and qualifiers of each pointed-to type go
        # too ("const std::string *" is shown as the string class is, and
        # "const T *" as "T *" is). The item keeps the declared type name.
        target = self.stripTypedefs(gdbType).unqualified()
        pointers = 0
        while target.code == gdb.TYPE_CODE_PTR:
            target = self.stripTypedefs(target.target()).unqualified()
            pointers += 1
        return str(target) + " *" * pointers

    def findDumper(self, gdbType):
        return self.typeInfo(gdbType)[0]

    def knownDumpers(self):
        names = []
        for name, function in list(self._globals().items()):
            if name.startswith("qdump__") and callable(function):
                names.append(name[len("qdump__"):])
        return sorted(names)

    def registerCustom(self, api, path, dumper):
        # dumper: the generated function, or its name.
        if isinstance(dumper, str):
            dumper = self._globals().get(dumper)
        if not callable(dumper):
            return False
        self.customDumpers[(api or "", path)] = dumper
        return True

    def unregisterCustom(self, api, path):
        return self.customDumpers.pop((api or "", path), None) is not None

    def customDumper(self, path):
        # Registered for the current function (its name with or without the
        # parameter list), else for every function.
        if not self.customDumpers or path is None:
            return None
        api = self.currentApi()
        for key in ((api, path), (api.split("(")[0], path), ("", path)):
            dumper = self.customDumpers.get(key)
            if dumper is not None:
                return dumper
        return None

    def loadDumpers(self, args=None):
        # Printed on the console; the plug-in reads the child "dumpers".
        entries = []
        for name in self.knownDumpers():
            formats = []
            form = self._globals().get("qform__" + name)
            if callable(form):
                try:
                    formats = [str(f) for f in form()]
                except Exception:
                    formats = []
            entries.append({"type": name, "formats": ",".join(formats)})
        text = "dumpers=%s,python=%s" % (toMi(entries), miQuote("%d%d" % sys.version_info[:2]))
        gdb.write(text + "\n")
        return text

    # ---- output calls used by the printers -------------------------------
    def putValue(self, text):
        self.currentItem.value = str(text)

    def putType(self, typeName):
        self.currentItem.type = str(typeName)

    def putAddress(self, address):
        self.currentItem.address = int(address)

    def putNumChild(self, count):
        self.currentItem.numchild = int(count)

    def putError(self, message):
        self.currentItem.value = "<error: %s>" % message
        self.currentItem.error = True
        self.currentItem.numchild = 0
        self.currentItem.children = None

    def isExpanded(self):
        item = self.currentItem
        if self.expandAll:
            return self.depth < self.maxDepth
        return item.iname in self.expandedINames

    def currentPath(self):
        return self.currentItem.path

    def subItem(self, name):
        return _SubItem(self, str(name))

    def putSubItem(self, name, value):
        with self.subItem(name):
            self.putItem(value)

    def valueText(self, value):
        # (display text, child count) of a value, dumped into a detached item.
        item = Item("detached", "", None)
        previous, expandAll, self.currentItem, self.expandAll = self.currentItem, self.expandAll, item, False
        try:
            self.putItem(value)
        finally:
            self.currentItem, self.expandAll = previous, expandAll
        return item.value, item.numchild

    def putItem(self, value):
        # Dump a gdb.Value into the current item: the custom dumper of the
        # item's path, else the type's "qdump__" function, else GDB's view.
        item = self.currentItem
        if not isinstance(value, gdb.Value):
            # Python results of accessors (texts, numbers) are shown as they are.
            if not item.type:
                item.type = type(value).__name__
            self.putValue(value)
            return
        try:
            if not item.type:
                item.type = str(value.type)
            if item.address is None and value.address is not None:
                item.address = int(value.address)
            info = self.typeInfo(value.type)
            dumper = self.customDumper(item.path) or info[0]
        except Exception as error:
            self.putError(error)
            return
        if dumper is None and info[2] in _SCALAR_CODES:
            # GDB's own text of a number, character or enumerator, without
            # the search for a pretty printer that no scalar has.
            try:
                if info[2] == gdb.TYPE_CODE_INT and info[1].sizeof > 1 and not value.is_optimized_out:
                    item.value = str(int(value))
                else:
                    item.value = value.format_string(raw=True)
            except gdb.error:
                item.value = "<not accessible>"
                item.error = True
            return
        # A printer that shows its value through itself (an identity field of
        # a wrapper) falls back to GDB's view instead of recursing.
        key = (id(item), dumper)
        if dumper is None or key in self.activeDumps:
            if dumper is None and self.putVisualized(value, info):
                return
            self.putPlainValue(value)
            return
        self.activeDumps.add(key)
        try:
            dumper(self, value)
        except Exception as error:
            # One broken printer must not take the others down.
            self.putError(error)
        finally:
            self.activeDumps.discard(key)

    def putVisualized(self, value, info):
        # A type without a printer of its own is shown by GDB's pretty
        # printer when GDB has one (the C++ library's, for one): its text,
        # and its children as items. False when GDB has none.
        if info[2] not in (gdb.TYPE_CODE_STRUCT, gdb.TYPE_CODE_UNION) or id(info) in self.noVisualizer:
            return False
        try:
            printer = gdb.default_visualizer(value)
        except Exception:
            printer = None
        if printer is None:
            # Printers are chosen by type: the other values of this type
            # need not ask again in this fetch.
            self.noVisualizer.add(id(info))
            return False
        item = self.currentItem
        try:
            hint = printer.display_hint() if hasattr(printer, "display_hint") else None
            if hint == "string" or not hasattr(printer, "children"):
                item.value = value.format_string(max_elements=0, repeat_threshold=0)
                return True
            text = printer.to_string() if hasattr(printer, "to_string") else None
            if text is not None and not isinstance(text, (str, gdb.Value)) and hasattr(text, "value"):
                text = text.value()  # a lazy string
            if isinstance(text, gdb.Value):
                text = text.format_string(max_elements=0, repeat_threshold=0)
            item.value = "{...}" if text is None else str(text)
            children = printer.children()
            if not self.isExpanded():
                # Whether there is any child, without walking them all.
                for _ in children:
                    item.numchild = 1
                    break
                return True
            count = 0
            pending = None
            for name, child in children:
                if count >= MAX_CHILDREN:
                    break
                if hint == "map":
                    # Keys and values come in turn: one item per pair,
                    # named by its key.
                    if pending is None:
                        pending = child
                        continue
                    name, pending = "[%s]" % self.plainText(pending), None
                self.putSubItem(name, child)
                count += 1
            item.numchild = count
        except Exception as error:
            self.putError(error)
        return True

    def plainText(self, value):
        if isinstance(value, gdb.Value):
            return value.format_string(max_elements=0, repeat_threshold=0)
        return str(value)

    def putPlainValue(self, value):
        item = self.currentItem
        try:
            stripped = self.stripTypedefs(value.type)
            code = stripped.code
            if code in (gdb.TYPE_CODE_REF, gdb.TYPE_CODE_RVALUE_REF):
                self.putItem(value.referenced_value())
                return
            if code == gdb.TYPE_CODE_PTR:
                self.putPointer(value, stripped)
            elif code in (gdb.TYPE_CODE_STRUCT, gdb.TYPE_CODE_UNION):
                self.putStruct(value, stripped)
            elif code == gdb.TYPE_CODE_ARRAY:
                self.putArray(value, stripped)
            else:
                self.putValue(str(value))
        except Exception:
            item.value = "<not accessible>"
            item.error = True
            item.numchild = 0

    def putPointer(self, value, stripped):
        address = int(value)
        self.putValue(str(value) if address else "0x0")
        target = self.stripTypedefs(stripped.target())
        if address == 0 or target.code in (gdb.TYPE_CODE_VOID, gdb.TYPE_CODE_FUNC):
            return
        if target.code == gdb.TYPE_CODE_INT and target.sizeof == 1:
            return  # char pointers show their text in the value
        self.putNumChild(1)
        if self.isExpanded():
            self.putSubItem("*", value.dereference())

    def putStruct(self, value, stripped):
        fields = [f for f in stripped.fields() if f.is_base_class or hasattr(f, "bitpos")]
        if not fields and stripped.sizeof == 0:
            # Declared only (a library class without debug information):
            # GDB's own words, not an empty "{...}".
            self.putValue("<incomplete type>")
            return
        self.putValue("{...}")
        self.putNumChild(len(fields))
        if not self.isExpanded():
            return
        for field in fields:
            if field.is_base_class:
                self.putSubItem(str(field.type), value.cast(field.type))
            else:
                self.putSubItem(field.name or "<anonymous>", value[field])

    def putArray(self, value, stripped):
        low, high = stripped.range()
        count = max(0, high - low + 1)
        element = self.stripTypedefs(stripped.target())
        if element.code == gdb.TYPE_CODE_INT and element.sizeof == 1:
            self.putValue(str(value))
        else:
            self.putValue("<%d items>" % count)
        self.putNumChild(count)
        if self.isExpanded():
            for index in range(min(count, MAX_CHILDREN)):
                self.putSubItem("[%d]" % index, value[low + index])

    # ---- variable fetch --------------------------------------------------
    def fetchItems(self, args):
        # The value trees of the watched expressions of args:
        #   watchers: [{"iname": ..., "exp": hex text} or {"iname": ..., "expression": text}]
        #   expanded: inames whose children are wanted; expandall: every item
        #   stringcutoff / displaystringlimit: string limits
        self.dumperCache = {}
        self.noVisualizer = set()
        self.api = None
        self.expandedINames = set(args.get("expanded", []))
        self.expandAll = bool(args.get("expandall", False))
        self.maxDepth = int(args.get("maxdepth", 6))
        for key, attribute in (("stringcutoff", "stringCutOff"), ("displaystringlimit", "displayStringLimit")):
            try:
                setattr(self, attribute, int(args[key]))
            except (KeyError, TypeError, ValueError):
                pass
        results = []
        for number, watcher in enumerate(args.get("watchers", [])):
            expression = watcher.get("expression")
            if expression is None:
                expression = binascii.unhexlify(watcher.get("exp", "")).decode("utf8", "replace")
            iname = watcher.get("iname") or "inspect.%d" % (number + 1)
            item = Item(iname, expression, expression)
            item.exp = expression
            try:
                value = gdb.parse_and_eval(expression)
            except gdb.error as error:
                if iname.startswith("inspect."):
                    # The Inspector gets no item for what GDB cannot evaluate.
                    continue
                value = None
                message = error
            results.append(item)
            previous, self.currentItem, self.depth = self.currentItem, item, 0
            try:
                if value is None:
                    self.putError(message)
                else:
                    self.putItem(value)
            except gdb.error as error:
                self.putError(error)
            finally:
                self.currentItem = previous
        return results

    def fetchVariable(self, args):
        # Host-style answer: "data=[...]" on the console. With "resultfile"
        # the answer goes into that file and the console names it
        # ("data-file=..."): GDB writes its console stream to the IDE one
        # character per write, which for a large container takes seconds.
        out = ["data=["]
        for index, item in enumerate(self.fetchItems(args)):
            if index:
                out.append(",")
            item.appendMi(out)
        out.append("]")
        text = "".join(out)
        path = args.get("resultfile")
        if path:
            with open(path, "w", encoding="utf8") as result:
                result.write(text)
            gdb.write("data-file=%s\n" % miQuote(path))
        else:
            gdb.write(text + "\n")
        return text

    def fetchVariableJson(self, args):
        return json.dumps([item.toDict() for item in self.fetchItems(args)])


class _SubItem(object):
    # Context of one child of the current item: the output calls inside it
    # address the child.
    def __init__(self, dumper, name):
        self.dumper = dumper
        self.name = name

    def __enter__(self):
        d = self.dumper
        parent = d.currentItem
        if parent.children is None:
            parent.children = []
            parent.childINames = set()
        component = self.name
        if component.startswith("[") and component.endswith("]"):
            component = component[1:-1]
        component = component.replace(".", "_")
        if component in parent.childINames:
            # Two children of one name (equal keys) still get their own iname.
            component = "%s_%d" % (component, len(parent.children))
        parent.childINames.add(component)
        # A watch path is the expression followed by the iname components.
        path = None if parent.path is None else parent.path + "." + component
        child = Item(parent.iname + "." + component, self.name, path)
        parent.children.append(child)
        if parent.numchild < len(parent.children):
            parent.numchild = len(parent.children)
        self.saved = (parent, d.depth)
        d.currentItem = child
        d.depth += 1
        return child

    def __exit__(self, excType, excValue, traceback):
        d = self.dumper
        d.currentItem, d.depth = self.saved
        return False


theDumper = Dumper()


class _FetchJsonCommand(gdb.Command):
    """korvan-fetch-json ARGS: print the value trees of ARGS (a JSON object
    with "watchers", "expanded", "expandall") as one line "KORVANFETCH:<json>"."""

    def __init__(self):
        super(_FetchJsonCommand, self).__init__("korvan-fetch-json", gdb.COMMAND_DATA)

    def invoke(self, argument, fromTty):
        try:
            args = json.loads(argument)
        except ValueError as error:
            raise gdb.GdbError("korvan-fetch-json: invalid JSON: %s" % error)
        gdb.write("KORVANFETCH:%s\n" % theDumper.fetchVariableJson(args))


class _LoadDumpersCommand(gdb.Command):
    """korvan-load-dumpers: print the known dumpers as the host's loadDumpers does."""

    def __init__(self):
        super(_LoadDumpersCommand, self).__init__("korvan-load-dumpers", gdb.COMMAND_DATA)

    def invoke(self, argument, fromTty):
        theDumper.loadDumpers()


_FetchJsonCommand()
_LoadDumpersCommand()
