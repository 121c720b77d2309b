#!/bin/sh
# The printers as a user meets them: `korvan-host --batch` (the plug-in's
# built-in models, a new user's settings) beside plain `gdb -batch` with
# GDB's own printers and `set print elements 0`, on the same programs:
#   stdvector    std::vector<int> of 10,000 elements
#   stdmap       std::map<int,int> of 10,000 entries
#   qlist        QList<QString> of 10,000 strings
#   qhash        QHash<int,int> of 10,000 entries
#   smalllocals  twenty small locals of mixed types
# Each program stops at its "break here" line. Prints per program the median
# wall time of RUNS runs (3) of each, start-up included, and the ratio
# korvan-host / GDB. A korvan-host run that fails (the batch guard, an
# error) is shown as "failed" with its last error line.
#
#   bench/printers.sh [programs...]
#
# Environment: KORVAN_HOST (default build/bin/korvan-host), GDB (gdb), RUNS,
# BENCH_KEEP (keep the work folder).
# Targets: each container at most 1.0x GDB, small locals at most 1.5x.

KORVAN_HOST=${KORVAN_HOST:-build/bin/korvan-host}
GDB=${GDB:-gdb}
RUNS=${RUNS:-3}
here=$(cd "$(dirname "$0")" && pwd)
PROGRAMS=${*:-stdvector stdmap qlist qhash smalllocals}

if [ ! -x "$KORVAN_HOST" ]; then
    echo "korvan-host not found at $KORVAN_HOST (build the project, or set KORVAN_HOST)" >&2
    exit 1
fi
KORVAN_HOST=$(cd "$(dirname "$KORVAN_HOST")" && pwd)/$(basename "$KORVAN_HOST")

work=$(mktemp -d "${TMPDIR:-/tmp}/korvan-printers.XXXXXX") || exit 1
if [ -z "$BENCH_KEEP" ]; then
    trap 'rm -rf "$work"' EXIT
else
    echo "work folder: $work"
fi
QT_FLAGS=$(pkg-config --cflags --libs Qt5Core 2>/dev/null)

# Wall time of a command in seconds (output to $work/out, errors to $work/err);
# "failed" when it exits non-zero.
timed() {
    start=$(date +%s.%N)
    "$@" > "$work/out" 2> "$work/err"
    status=$?
    end=$(date +%s.%N)
    if [ $status -ne 0 ]; then
        echo failed
    else
        awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f\n", e - s }'
    fi
}

# The median of the numbers on the arguments, or "failed" when one failed.
median() {
    for t in "$@"; do
        [ "$t" = failed ] && { echo failed; return; }
    done
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

printf '%-12s %10s %10s %8s\n' program "korvan s" "gdb s" ratio
status=0
for name in $PROGRAMS; do
    source="$here/fixtures/$name.cpp"
    program="$work/$name"
    if ! g++ -g -O0 -fPIC -o "$program" "$source" $QT_FLAGS > "$work/compile.log" 2>&1; then
        echo "$name: does not compile:"; cat "$work/compile.log"; status=1; continue
    fi
    line=$(grep -n "// break here" "$source" | head -1 | cut -d: -f1)
    location="$name.cpp:$line"

    ours=""; theirs=""; failure=""
    i=0
    while [ $i -lt "$RUNS" ]; do
        # A new user each run: no model document, so the built-in set.
        home="$work/home$i"; rm -rf "$home"; mkdir -p "$home"
        t=$(XDG_CONFIG_HOME="$home" XDG_CACHE_HOME="$home" timed "$KORVAN_HOST" --batch --break "$location" "$program")
        [ "$t" = failed ] && failure=$(tail -1 "$work/err")
        [ "$t" != failed ] && ! grep -q . "$work/out" && { t=failed; failure="nothing printed"; }
        ours="$ours $t"
        t=$(timed "$GDB" -batch -nx -ex "set print elements 0" -ex "break $location" -ex run -ex "info locals" "$program")
        theirs="$theirs $t"
        i=$((i + 1))
    done
    o=$(median $ours); g=$(median $theirs)
    if [ "$o" = failed ] || [ "$g" = failed ]; then
        printf '%-12s %10s %10s %8s  %s\n' "$name" "$o" "$g" - "$failure"
        status=1
    else
        printf '%-12s %10s %10s %8s\n' "$name" "$o" "$g" "$(awk -v o="$o" -v g="$g" 'BEGIN { printf "%.2fx", o / g }')"
    fi
done
exit $status
