# The plug-in's two-pass rewrite of the Python it sends to GDB (debug
# wrappers around "# DEBUG" lines, "if True:" for "# NODEBUG" lines, a trace
# call before every statement), redone here so that the tests can check that
# the dumper-side scripts still load and run once rewritten.
#
#   python3 instrument.py PART DEBUG(0|1) INPUT OUTPUT

import re
import sys

WRAPPER = "\n".join([
    "%4try: #--",
    "  %1",
    "%4except  Exception as inst: #--",
    '%4  WARN("KORVANDEBUGAPI:%s.%2"%debugContext) #--',
    "%4  try: #--",
    '%4    WARN("KORVANDEBUGVAR:%s"%%3) #--',
    "%4  except: #--",
    '%4    WARN("KORVANDEBUGVAR:<Not Accessible>") #--',
    "%4  try: #--",
    '%4    WARN("KORVANDEBUGVARTYPE:%s"%%3.type) #--',
    "%4  except: #--",
    '%4    try:%4      WARN("KORVANDEBUGVARTYPE:%s"%type(%3)) #--',
    '%4    except:%4      WARN("KORVANDEBUGVARTYPE:unknown") #--',
    "%4  try: #--",
    '%4    WARN("KORVANDEBUGVAR*:%s"%%3.dereference()) #--',
    "%4  except: #--",
    '%4    WARN("KORVANDEBUGVAR*:") #--',
    '%4  WARN("KORVANDEBUGERRORTYPE:%s"%str(sys.exc_info()[0])) #--',
    '%4  WARN("KORVANDEBUGERRORDESC:%s"%%5) #--',
    "%4  raise #--",
])
DEBUG_ANNOTATION = re.compile(r"( *).*# DEBUG ([^,]*),([^,]*)(,.*)?")
NODEBUG_ANNOTATION = re.compile(r"( *).*# NODEBUG")
MARKER = re.compile(r"%(\d\d?)")
NO_TRACE = ("else:", "except:", "except ", "elif ", 'WARN("KORVANDEBUG')


def arg(template, text):
    # QString::arg: the lowest-numbered place marker, every occurrence.
    numbers = [int(m) for m in MARKER.findall(template)]
    if not numbers:
        return template
    return template.replace("%%%d" % min(numbers), text)


def firstPass(code, debugMode):
    out = []
    for line in code.split("\n"):
        match = DEBUG_ANNOTATION.fullmatch(line) if debugMode else None
        if match:
            message = '"%s"' % match.group(4)[1:] if match.group(4) else "str(inst)"
            text = WRAPPER
            for value in (line, match.group(2), match.group(3), match.group(1), message):
                text = arg(text, value)
            out.append(text + "\n")
            continue
        match = NODEBUG_ANNOTATION.fullmatch(line) if not debugMode else None
        out.append((match.group(1) + "if True:" if match else line) + "\n")
    return "".join(out)


def secondPass(code, part):
    out = []
    number = 0
    depth = 0
    for line in code.split("\n"):
        if line.endswith(" #--"):
            out.append(line + "\n")
            continue
        number += 1
        trimmed = line.strip()
        if trimmed.startswith("#"):
            out.append(line + "\n")
            continue
        indent = line.index(trimmed[0]) if trimmed else 0
        if line and indent == 0:
            depth = 0
            candidate = True
        else:
            candidate = depth == 0
        if candidate and trimmed and not trimmed.startswith(NO_TRACE):
            out.append(" " * indent + 'WARN("%s:%6d %s")\n' % (part, number, line.replace('"', "''")))
        depth = max(0, depth + trimmed.count("(") - trimmed.count(")"))
        out.append(line + "\n")
    return "".join(out)


def instrument(code, part, debugMode):
    return secondPass(firstPass(code, debugMode), part)


if __name__ == "__main__":
    part, debugMode, source, target = sys.argv[1], sys.argv[2] == "1", sys.argv[3], sys.argv[4]
    with open(source, encoding="latin1") as f:
        code = f.read()
    with open(target, "w", encoding="latin1") as f:
        f.write(instrument(code, part, debugMode))
