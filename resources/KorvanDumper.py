# Korvan Debugger: common dumper-side Python, loaded into GDB after the IDE's
# dumper (theDumper) and before the generated printers.
#
# - WARN: the one way back to the plug-in (lines "XXX: ..." in the debugger log)
# - stripTypedefs: typedef stripping that reports "XXX: KORVANTYPEDEF;name;target;"
# - theDumper extensions used by generated accessors
# - BaseHelper: calling accessors and reporting their failures; BooleanHelper

import inspect
import re
import sys
import types

import gdb

_korvanReportOpen = [False] #--


def WARN(message): #--
    # Prints "XXX: message"; characters outside Latin-1 are dropped. A report #--
    # of an exception that was reported already (by an inner helper) is not #--
    # written twice. #--
    text = "".join(ch for ch in str(message) if ord(ch) < 256) #--
    current = sys.exc_info()[1] #--
    if text.startswith("KORVANDEBUGAPI:"): #--
        _korvanReportOpen[0] = current is not None and getattr(current, "korvanReported", False) #--
    if _korvanReportOpen[0] and text.startswith("KORVANDEBUG") and not text.startswith("KORVANDEBUGLINE:"): #--
        if text.startswith("KORVANDEBUGERRORDESC:"): #--
            _korvanReportOpen[0] = False #--
        return #--
    if text.startswith("KORVANDEBUGERRORDESC:") and current is not None: #--
        try: #--
            current.korvanReported = True #--
        except Exception: #--
            pass #--
    gdb.write("XXX: %s\n" % text) #--


def reportFailure(debugContext, argument, var, inst, message=None):
    # The six report lines of a failing accessor argument (debug mode only:
    # the generated code passes a debug context then), once per exception.
    # Call it from an except block.
    if not debugContext or getattr(inst, "korvanReported", False):
        return
    WARN("KORVANDEBUGAPI:%s.%s" % (debugContext, argument))
    try:
        WARN("KORVANDEBUGVAR:%s" % (var,))
    except Exception:
        WARN("KORVANDEBUGVAR:<Not Accessible>")
    try:
        WARN("KORVANDEBUGVARTYPE:%s" % (var.type,))
    except Exception:
        try:
            WARN("KORVANDEBUGVARTYPE:%s" % (type(var),))
        except Exception:
            WARN("KORVANDEBUGVARTYPE:unknown")
    try:
        WARN("KORVANDEBUGVAR*:%s" % (var.dereference(),))
    except Exception:
        WARN("KORVANDEBUGVAR*:")
    WARN("KORVANDEBUGERRORTYPE:%s" % str(type(inst)))
    WARN("KORVANDEBUGERRORDESC:%s" % (message if message is not None else str(inst)))
    try:
        inst.korvanReported = True
    except Exception:
        pass


def reportDefinitionFailure(classContext, inst, debugMode):
    # The printer of one class model could not be defined (its own Python
    # failed while the script ran); the other models' printers are defined
    # all the same. Debug mode: the report lines under the class's context;
    # otherwise one plain line, so that the failure is not silent.
    if not debugMode:
        WARN("Korvan: the printer of %s is not defined: %s: %s" % (classContext, type(inst).__name__, errorText(inst)))
        return
    WARN("KORVANDEBUGAPI:%s" % classContext)
    WARN("KORVANDEBUGVAR:<Not Accessible>")
    WARN("KORVANDEBUGVARTYPE:unknown")
    WARN("KORVANDEBUGVAR*:")
    WARN("KORVANDEBUGERRORTYPE:%s" % str(type(inst)))
    WARN("KORVANDEBUGERRORDESC:%s" % errorText(inst))


# ---- typedefs ---------------------------------------------------------------
_korvanReportedTypedefs = set()


def stripTypedefs(gdbType):
    # The type behind its typedefs; each typedef met is reported once per GDB
    # session so that the plug-in can map the name to its class model.
    stripped = gdbType.strip_typedefs()
    try:
        name = str(gdbType.unqualified())
        target = str(stripped.unqualified())
    except Exception:
        return stripped
    if name != target and (name, target) not in _korvanReportedTypedefs:
        _korvanReportedTypedefs.add((name, target))
        WARN("KORVANTYPEDEF;%s;%s;" % (name, target))
    return stripped


# ---- template arguments and base classes -----------------------------------
def _templateArgumentTexts(typeName):
    # The top-level template arguments of a type name, as texts.
    start = typeName.find("<")
    if start < 0:
        return []
    args, depth, current = [], 0, ""
    for ch in typeName[start + 1:]:
        if ch == "<":
            depth += 1
        elif ch == ">":
            if depth == 0:
                args.append(current.strip())
                return args
            depth -= 1
        elif ch == "," and depth == 0:
            args.append(current.strip())
            current = ""
            continue
        current += ch
    return args


def _templateArgument(gdbType, position):
    stripped = gdbType.strip_typedefs()
    try:
        return stripped.template_argument(position)
    except (RuntimeError, gdb.error, TypeError):
        texts = _templateArgumentTexts(str(stripped))
        if position < 0 or position >= len(texts):
            raise gdb.error("Type '%s' has no template argument %d." % (stripped, position))
        return texts[position]


def typeTemplateArgument(gdbType, position):
    arg = _templateArgument(gdbType, position)
    if isinstance(arg, gdb.Type):
        return arg
    if isinstance(arg, gdb.Value):
        raise gdb.error("Template argument %d of '%s' is not a type." % (position, gdbType))
    found = theDumper.lookupType(arg)
    if found is None:
        raise gdb.error("Invalid C++ value type: '%s'." % arg)
    return found


def numericTemplateArgument(gdbType, position):
    arg = _templateArgument(gdbType, position)
    if isinstance(arg, gdb.Value):
        return int(arg)
    if isinstance(arg, gdb.Type):
        raise gdb.error("Template argument %d of '%s' is not a number." % (position, gdbType))
    text = re.sub(r"^\(.*\)", "", arg.strip()).rstrip("uUlL")
    try:
        return int(text, 0)
    except ValueError:
        if text in ("true", "false"):
            return 1 if text == "true" else 0
        raise gdb.error("Template argument %d of '%s' is not a number." % (position, gdbType))


def directBaseType(value, index):
    # The value as its index-th direct base class.
    while value.type.strip_typedefs().code == gdb.TYPE_CODE_PTR:
        value = value.dereference()
    bases = [f for f in value.type.strip_typedefs().fields() if f.is_base_class]
    if index < 0 or index >= len(bases):
        raise gdb.error("Type '%s' has no base class at index %d." % (value.type, index))
    return value.cast(bases[index].type)


theDumper.stripTypedefs = stripTypedefs
theDumper.typeTemplateArgument = typeTemplateArgument
theDumper.numericTemplateArgument = numericTemplateArgument
theDumper.directBaseType = directBaseType


# ---- calls into the inferior ------------------------------------------------
def getvarName(d, value):
    # An expression that names the value in the inferior, for method calls
    # ("%s.method()") and function arguments: the object at its address; a
    # pointer stands for the object it points to.
    while value.type.strip_typedefs().code == gdb.TYPE_CODE_PTR and int(value) != 0:
        value = value.dereference()
    address = value.address
    if address is not None:
        return "(*(%s*)%d)" % (value.type.unqualified(), int(address))
    return str(value)


_korvanExecBuffer = {}


def ExecBuffered(d, func, param):
    # func(param) run in the inferior once per stop; later calls in the same
    # stop reuse the answer.
    key = (func, param)
    if key not in _korvanExecBuffer:
        _korvanExecBuffer[key] = d.parseAndEvaluate("%s(%s)" % (func, param))
    return _korvanExecBuffer[key]


def _korvanClearBuffers(event=None):
    _korvanExecBuffer.clear()


gdb.events.stop.connect(_korvanClearBuffers)


# ---- type lookups -----------------------------------------------------------
# Accessors look types up by name for every value they read (a string's
# "char" for each of ten thousand strings), and GDB searches the symbols each
# time. A type found stays valid until the program's object files change.
_korvanTypes = {}
_korvanLookupType = gdb.lookup_type


def lookupTypeCached(name, block=None):
    if block is not None:
        return _korvanLookupType(name, block)
    try:
        return _korvanTypes[name]
    except (KeyError, TypeError):
        pass
    found = _korvanLookupType(name)
    try:
        _korvanTypes[name] = found
    except TypeError:
        pass
    return found


def _korvanForgetTypes(event=None):
    _korvanTypes.clear()


for _korvanEvent in ("new_objfile", "clear_objfiles", "free_objfile"):
    if hasattr(gdb.events, _korvanEvent):
        getattr(gdb.events, _korvanEvent).connect(_korvanForgetTypes)
gdb.lookup_type = lookupTypeCached


# ---- helper base ------------------------------------------------------------
_korvanArity = {}


def apiArity(api):
    # The positional parameters without a default that api takes. Generated
    # accessors make new lambdas for every value: a plain function is counted
    # from its code, without inspect and without a cache entry per lambda.
    function = api.__func__ if isinstance(api, types.MethodType) else api
    if isinstance(function, types.FunctionType) and not hasattr(function, "__wrapped__"):
        count = function.__code__.co_argcount - len(function.__defaults__ or ())
        return max(0, count - 1) if function is not api else count
    try:
        return _korvanArity[api]
    except (KeyError, TypeError):
        pass
    try:
        parameters = inspect.signature(api).parameters.values()
        count = sum(1 for p in parameters
                    if p.kind in (p.POSITIONAL_ONLY, p.POSITIONAL_OR_KEYWORD) and p.default is p.empty)
    except (TypeError, ValueError):
        count = 1
    try:
        _korvanArity[api] = count
    except TypeError:
        pass
    return count


def errorText(inst):
    text = str(inst)
    return text if text else type(inst).__name__


class BaseHelper(object):
    # Accessors are called by their number of parameters: (value),
    # (theDumper, value) or (theDumper, value, container).
    def __init__(self, accessor=None, displayedName=None, debugContext="", **extra):
        self.accessor = accessor
        self.displayedName = displayedName
        self.debugContext = debugContext or ""
        self.extra = extra  # keyword arguments this helper does not use

    def callAPI(self, api, value, container=None):
        # Accessor objects (general accessors) hand the container on to
        # their steps.
        if getattr(api, "passesContainer", False):
            return api(value, container)
        count = apiArity(api)
        if count <= 1:
            return api(value) if count == 1 else api()
        if count == 2:
            return api(theDumper, value)
        return api(theDumper, value, container)

    def solve(self, argument, api, value, container=None):
        # callAPI that reports a failure under the argument's name.
        try:
            return self.callAPI(api, value, container)
        except Exception as inst:
            reportFailure(self.debugContext, argument, value, inst)
            raise

    def report(self, argument, var, inst, message=None):
        reportFailure(self.debugContext, argument, var, inst, message)

    def access(self, value):
        if self.accessor is None:
            return value
        debugContext = self.debugContext
        return self.solve("accessor", self.accessor, value) # DEBUG accessor,value

    def childName(self, index):
        return self.displayedName if self.displayedName else "#%d" % index

    def dumpField(self, d, value, index):
        # One child of the parent item.
        with d.subItem(self.childName(index)):
            self.dumpAsParent(d, value)

    def dumpAsParent(self, d, value):
        # Fills the current item; a failure becomes its error value.
        try:
            self.dumpValue(d, value)
        except Exception as inst:
            self.report("__dump", value, inst)
            d.putError(errorText(inst))

    def dumpValue(self, d, value):
        d.putItem(self.access(value))


class BooleanHelper(BaseHelper):
    def __init__(self, accessor=None, displayedName=None, trueValue="True", falseValue="False",
                 debugContext="", **extra):
        BaseHelper.__init__(self, accessor, displayedName, debugContext, **extra)
        self.trueValue = trueValue
        self.falseValue = falseValue

    def dumpValue(self, d, value):
        v = self.access(value)
        debugContext = self.debugContext
        try:
            state = bool(int(v)) # DEBUG accessor,v
        except Exception as inst:
            self.report("accessor", v, inst, "Value is not a boolean.")
            raise
        d.putType(v.type if hasattr(v, "type") else type(v).__name__)
        d.putValue(self.trueValue if state else self.falseValue)
        d.putNumChild(0)
