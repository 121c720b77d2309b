#!/bin/sh
# Lays out the netlists that bench_layout generates (1,000, 10,000 and
# 100,000 gates) with our layout and with two peers, when installed:
#   dot   Graphviz dot on the graph that `yosys ... show -format dot` writes
#   ELK   the ELK layered layout, through the netlistsvg npm package, on the
#         JSON that `yosys ... write_json` writes
# and prints one line per size: the time and peak memory of each, and how
# many times slower than ours each peer is. Each peer run is cut off after
# PEER_TIMEOUT seconds (600) and then shows as ">600 s". A missing peer is
# skipped with a line that says so.
#
#   bench/peers.sh [sizes...]
#
# With PEERS_FAMILY=deep the netlists are bench_layout's deep family
# (default sizes 1,000, 2,000, 5,000, 10,000 and 20,000 gates); with
# PEERS_FAMILY=unoptimised its unoptimised family (2,000, 5,000, 10,000 and
# 20,000 gates).
#
# Environment: BENCH_LAYOUT (default build/bench/bench_layout), NETLISTSVG
# (default: netlistsvg on PATH), YOSYS, DOT, PEER_TIMEOUT, PEERS_KEEP (keep
# the work folder with the Verilog, dot, JSON and SVG files).
# Our time is the layout and the scene items, as bench_layout reports it.

BENCH_LAYOUT=${BENCH_LAYOUT:-build/bench/bench_layout}
YOSYS=${YOSYS:-$(command -v yosys)}
DOT=${DOT:-$(command -v dot)}
NETLISTSVG=${NETLISTSVG:-$(command -v netlistsvg)}
PEER_TIMEOUT=${PEER_TIMEOUT:-600}
FAMILY=
if [ "$PEERS_FAMILY" = deep ]; then
    FAMILY=deep
    SIZES=${*:-1000 2000 5000 10000 20000}
elif [ "$PEERS_FAMILY" = unoptimised ]; then
    FAMILY=unoptimised
    SIZES=${*:-2000 5000 10000 20000}
else
    SIZES=${*:-1000 10000 100000}
fi

if [ ! -x "$BENCH_LAYOUT" ]; then
    echo "bench_layout not found at $BENCH_LAYOUT (build the project, or set BENCH_LAYOUT)" >&2
    exit 1
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

work=$(mktemp -d "${TMPDIR:-/tmp}/korvan-peers.XXXXXX") || exit 1
if [ -z "$PEERS_KEEP" ]; then
    trap 'rm -rf "$work"' EXIT
else
    echo "work folder: $work"
fi

[ -n "$YOSYS" ] || echo "yosys not found: the dot and ELK peers are skipped (set YOSYS)"
[ -n "$DOT" ] || echo "Graphviz dot not found: the dot peer is skipped (set DOT)"
[ -n "$NETLISTSVG" ] || echo "netlistsvg not found: the ELK peer is skipped (npm install netlistsvg; put it on PATH or set NETLISTSVG)"

# Runs a command with the time limit; prints "<seconds> <peak MiB>", or
# ">LIMIT s -" when cut off, or "failed -" (its output in $work/last.log).
timed() {
    /usr/bin/time -f '%e %M' -o "$work/time" timeout "$PEER_TIMEOUT" "$@" > "$work/last.log" 2>&1
    status=$?
    if [ $status -eq 124 ]; then
        echo ">$PEER_TIMEOUT -"
    elif [ $status -ne 0 ]; then
        echo "failed -"
    else
        awk '{ printf "%s %d\n", $1, $2 / 1024 }' "$work/time"
    fi
}

# "x times slower" of a peer's time against ours, or "-".
ratio() {
    case "$1" in
        ">"*) awk -v p="${1#>}" -v o="$2" 'BEGIN { printf ">%.0f", p / o }' ;;
        failed|skipped|-) echo "-" ;;
        *) awk -v p="$1" -v o="$2" 'BEGIN { printf "%.0f", p / o }' ;;
    esac
}

printf '%-8s %-20s %-28s %-28s\n' gates "ours s (MiB)" "dot s (MiB) [x ours]" "ELK s (MiB) [x ours]"
for n in $SIZES; do
    v="$work/top_$n.v"
    if ! "$BENCH_LAYOUT" $FAMILY verilog "$n" "$v" > "$work/last.log" 2>&1; then
        echo "$n: cannot write the netlist:"; cat "$work/last.log"; continue
    fi
    "$BENCH_LAYOUT" $FAMILY "$n" > "$work/ours_$n.txt" 2>&1
    ours=$(awk '/layout and scene items/ { print $(NF-1) / 1000 }' "$work/ours_$n.txt")
    oursMiB=$(awk '/peak memory/ { print $3 }' "$work/ours_$n.txt")
    if [ -z "$ours" ]; then
        echo "$n: bench_layout failed:"; tail -5 "$work/ours_$n.txt"; continue
    fi

    dotTime=skipped; dotMiB=-
    if [ -n "$YOSYS" ] && [ -n "$DOT" ]; then
        # The graph yosys draws; only dot's layout of it is timed.
        if "$YOSYS" -q -p "read_verilog $v; hierarchy -top top; proc; show -format dot -prefix $work/top_$n top" \
            > "$work/last.log" 2>&1; then
            set -- $(timed "$DOT" -Tsvg -o "$work/top_$n.dot.svg" "$work/top_$n.dot")
            dotTime=$1; dotMiB=$2
        else
            dotTime=failed
        fi
    fi

    elkTime=skipped; elkMiB=-
    if [ -n "$YOSYS" ] && [ -n "$NETLISTSVG" ]; then
        if "$YOSYS" -q -p "read_verilog $v; hierarchy -top top; proc; write_json $work/top_$n.json" > "$work/last.log" 2>&1; then
            set -- $(timed "$NETLISTSVG" "$work/top_$n.json" -o "$work/top_$n.elk.svg")
            elkTime=$1; elkMiB=$2
        else
            elkTime=failed
        fi
    fi

    printf '%-8s %-20s %-28s %-28s\n' "$n" "$ours ($oursMiB)" \
        "$dotTime ($dotMiB) [$(ratio "$dotTime" "$ours")]" "$elkTime ($elkMiB) [$(ratio "$elkTime" "$ours")]"
done
