# GDB pretty printers of the kind a library ships (as libstdc++ does), for
# types that have no model: Point as a map of two entries, Pair as a string,
# Outer with children and no text at all, Counter with children and a None
# text. Loaded without the generated printers.
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


class _OuterWithoutText(object):
    # Children only: no to_string at all.
    def __init__(self, value):
        self.value = value

    def children(self):
        yield "tag", self.value["tag"]
        yield "inner x", self.value["inner"]["x"]


class _CounterWithNoneText(object):
    def __init__(self, value):
        self.value = value

    def to_string(self):
        return None

    def children(self):
        yield "base", self.value["base"]


def _lookup(value):
    name = str(value.type.strip_typedefs().unqualified())
    if name == "Point":
        return _PointAsMap(value)
    if name == "Pair":
        return _PairAsText(value)
    if name == "Outer":
        return _OuterWithoutText(value)
    if name == "Counter":
        return _CounterWithNoneText(value)
    return None


gdb.pretty_printers.append(_lookup)
