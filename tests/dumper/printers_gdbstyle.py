# GDB pretty printers of the kind a library ships (as libstdc++ does), for
# types that have no model: Point as a map of two entries, Color... Pair as
# a string. Loaded without the generated printers.
import gdb


class _PointAsMap(object):
    def __init__(self, value):
        self.value = value

    def to_string(self):
        return "pairs of %d" % int(self.value["x"])

    def display_hint(self):
        return "map"

    def children(self):
        yield "k1", 1
        yield "v1", "one"
        yield "k2", self.value["y"]
        yield "v2", self.value["x"]


class _PairAsText(object):
    def __init__(self, value):
        self.value = value

    def to_string(self):
        return "first is %d" % int(self.value["first"])

    def display_hint(self):
        return "string"


def _lookup(value):
    name = str(value.type.strip_typedefs().unqualified())
    if name == "Point":
        return _PointAsMap(value)
    if name == "Pair":
        return _PairAsText(value)
    return None


gdb.pretty_printers.append(_lookup)
