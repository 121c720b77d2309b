# Stand-in for UndoDB's GDB front end, sourced into a real GDB by the
# undodb-gdb launcher. It records the program with GDB's own `record full`
# and offers the front end's commands for moving in that recording:
#
#   undodb-goto-n N | +N | -N     go to time N, or N later / earlier
#   undodb-set-bookmark NAME      name the current time
#   undodb-goto-bookmark NAME     go back to a named time
#   undodb-goto-record-mode       leave the recording for the live end
#
# A time is the number of machine instructions the program has executed
# since recording began: GDB's record instruction number, where position
# `highest` is the live end and `lowest - 1` the oldest state still held.
# Clients that scale unit-suffixed times (1ns = 1000, 1ms = 1000000, ...)
# send those scaled counts here unchanged.
#
# Moves end with one real single-instruction step (record goto next to the
# target, then stepi or reverse-stepi onto it), so that GDB reports them
# like any other run: a running state and then a stop with the new frame.
# The reverse commands themselves (reverse-continue, reverse-next, ...)
# are GDB's own and work on the same recording.

import os
import re

import gdb

_bookmarks = {}


def _is_live_process():
    inferior = gdb.selected_inferior()
    return inferior is not None and inferior.pid != 0


def _start_recording(event):
    # Recording begins at the program's first stop (usually the breakpoint
    # at main); a new recording makes the old bookmarks meaningless.
    if gdb.current_recording() is not None or not _is_live_process():
        return
    try:
        gdb.execute("record full", to_string=True)
    except gdb.error as error:
        gdb.write("undodb-gdb: cannot record the program: %s\n" % error, gdb.STDERR)
        return
    _bookmarks.clear()


class Recording(object):
    """The reachable times of the current recording and where we are."""

    _NUMBER = {
        "lowest": re.compile(r"Lowest recorded instruction number is (\d+)\."),
        "highest": re.compile(r"Highest recorded instruction number is (\d+)\."),
        "current": re.compile(r"Current instruction number is (\d+)\."),
    }

    def __init__(self):
        if not _is_live_process():
            raise gdb.GdbError("The program is not being run.")
        if gdb.current_recording() is None:
            raise gdb.GdbError("The program is not being recorded.")
        info = gdb.execute("info record", to_string=True)
        found = {}
        for key, pattern in self._NUMBER.items():
            match = pattern.search(info)
            if match:
                found[key] = int(match.group(1))
        if "highest" in found:
            self.first = found.get("lowest", 1) - 1
            self.last = found["highest"]
        else:  # nothing executed since recording began
            self.first = self.last = 0
        self.replaying = "current" in found
        current = found.get("current", self.last)
        # At the oldest state GDB reports the log's head, numbered 0.
        self.current = max(current, self.first)

    def check(self, time, what):
        if time < self.first or time > self.last:
            raise gdb.GdbError("%s %d is outside the recording (times %d to %d)."
                               % (what, time, self.first, self.last))

    def _jump(self, time):
        # Silent move to a recorded state, no stop reported.
        if time == self.current:
            return
        where = "begin" if time == self.first else "end" if time == self.last else str(time)
        gdb.execute("record goto " + where, to_string=True)
        self.current = time

    def go(self, time):
        if self.first == self.last:
            raise gdb.GdbError("Nothing has been recorded yet.")
        if time < self.last:
            self._jump(time + 1)
            gdb.execute("reverse-stepi")
        else:
            self._jump(time - 1)
            gdb.execute("stepi")


def _single_argument(argument, usage):
    words = gdb.string_to_argv(argument)
    if len(words) != 1:
        raise gdb.GdbError("Usage: " + usage)
    return words[0]


class GotoTime(gdb.Command):
    """Go to a time of the recording: undodb-goto-n N | +N | -N.
N is an instruction count since recording began; +N and -N move relative
to the current time."""

    def __init__(self):
        super(GotoTime, self).__init__("undodb-goto-n", gdb.COMMAND_RUNNING)

    def invoke(self, argument, from_tty):
        text = _single_argument(argument, "undodb-goto-n N | +N | -N")
        match = re.match(r"^([-+]?)([0-9]+)$", text)
        if not match:
            raise gdb.GdbError("Invalid time '%s': expected N, +N or -N." % text)
        recording = Recording()
        count = int(match.group(2))
        sign = match.group(1)
        if sign == "+":
            time = recording.current + count
        elif sign == "-":
            time = recording.current - count
        else:
            time = count
        recording.check(time, "Time")
        recording.go(time)


class SetBookmark(gdb.Command):
    """Name the current time of the recording: undodb-set-bookmark NAME.
An existing bookmark of that name moves to the current time."""

    def __init__(self):
        super(SetBookmark, self).__init__("undodb-set-bookmark", gdb.COMMAND_RUNNING)

    def invoke(self, argument, from_tty):
        name = _single_argument(argument, "undodb-set-bookmark NAME")
        _bookmarks[name] = Recording().current


class GotoBookmark(gdb.Command):
    """Go to the time of a bookmark: undodb-goto-bookmark NAME."""

    def __init__(self):
        super(GotoBookmark, self).__init__("undodb-goto-bookmark", gdb.COMMAND_RUNNING)

    def invoke(self, argument, from_tty):
        name = _single_argument(argument, "undodb-goto-bookmark NAME")
        if name not in _bookmarks:
            raise gdb.GdbError("No bookmark named '%s'." % name)
        recording = Recording()
        time = _bookmarks[name]
        if time < recording.first:
            raise gdb.GdbError("Bookmark '%s' (time %d) is no longer in the recording." % (name, time))
        recording.go(time)


class GotoRecordMode(gdb.Command):
    """Leave the recording for the live end: undodb-goto-record-mode."""

    def __init__(self):
        super(GotoRecordMode, self).__init__("undodb-goto-record-mode", gdb.COMMAND_RUNNING)

    def invoke(self, argument, from_tty):
        if argument.strip():
            raise gdb.GdbError("Usage: undodb-goto-record-mode")
        recording = Recording()
        if recording.first == recording.last:
            return  # nothing recorded: already live
        recording.go(recording.last)  # stepping onto the last time ends replay


# Without this, hitting the log's size limit would stop the program and ask.
gdb.execute("set record full stop-at-limit off", to_string=True)


def _scalar_string_functions(tunables):
    """The C library's tunables with its vector (AVX, AVX-512) code paths
    off: GDB's recorder does not know those instructions, and the string
    functions of every program would otherwise use them. The AVX features
    alone leave memcpy and memmove on their AVX variants wherever the
    processor prefers unaligned AVX loads (its own preference switch)."""
    off = "glibc.cpu.hwcaps=-AVX,-AVX2,-AVX512F,-AVX512VL,-AVX512BW,-AVX_Fast_Unaligned_Load"
    return off if not tunables else tunables + ":" + off


# For the program only (its environment in GDB), not for GDB itself.
gdb.execute("set environment GLIBC_TUNABLES=%s"
            % _scalar_string_functions(os.environ.get("GLIBC_TUNABLES", "")), to_string=True)
gdb.events.stop.connect(_start_recording)
GotoTime()
SetBookmark()
GotoBookmark()
GotoRecordMode()
