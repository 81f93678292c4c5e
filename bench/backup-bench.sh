#!/usr/bin/env bash
# backup-bench.sh [BUILD_DIR [RUNS]]: the time and the frames of qlwiz-batch --backup and
# --diff against quillet-sim on loopback (the configured demo router, real waits), and the
# time of --diff A B on two snapshots of almost 1 MiB that differ in one rule of each filter.
# Prints the median of RUNS runs (default 9) of each.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
runs=${2:-9}
batch="$build/batch/qlwiz-batch"
work=$(mktemp -d)
simpid=""
trap '[ -n "$simpid" ] && kill "$simpid" 2>/dev/null; rm -rf "$work"' EXIT
export QLWIZ_SNAPSHOT_DIR="$work/snapshots"

"$build/sim/quillet-sim" --listen 127.0.0.1 --port 0 --scenario "$top/sim/demo-configured.sim" \
    >"$work/sim.out" 2>"$work/sim.err" &
simpid=$!
for _ in $(seq 500); do
    port=$(sed -n 's/^quillet-sim: management port //p' "$work/sim.out")
    [ -n "$port" ] && grep -q 'listening on' "$work/sim.out" && break
    sleep 0.01
done
export QLWIZ_MGMT_PORT=$port

now() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# The frames the simulator received in its last session.
frames() { awk '/^quillet-sim: session [0-9]+ from/ { n = 0 } /^quillet-sim: <- / { n++ } END { print n }' "$work/sim.err"; }
# Waits until the simulator serves again after a session.
settle() {
    local want=$1
    for _ in $(seq 500); do
        [ "$(grep -c 'listening on' "$work/sim.out")" -gt "$want" ] && return
        sleep 0.01
    done
}

# measure NAME COMMAND...: RUNS runs against the simulator.
measure() {
    local name=$1 times="" t0 listens
    shift
    for _ in $(seq "$runs"); do
        listens=$(grep -c 'listening on' "$work/sim.out")
        t0=$(now)
        "$@" >/dev/null 2>&1
        times+="$(( ($(now) - t0) / 1000 ))"$'\n'
        settle "$listens"
    done
    printf '%-22s %8.1f ms %5d frames\n' "$name" "$(printf '%s' "$times" | median | awk '{ print $1 / 1000 }')" "$(frames)"
}

measure "--backup" "$batch" --backup 127.0.0.1
kept=$(ls "$work"/snapshots/*.snapshot | head -n 1)
measure "--diff (router)" "$batch" --diff "$kept"

# Two large snapshots: the kept one with 55 filters of 64 IP rules each, the second with
# every filter's last rule's port changed.
python3 - "$kept" "$work/a.snapshot" "$work/b.snapshot" <<'PY'
import sys
kept, a, b = sys.argv[1:]
base = open(kept).read()
def filters(port):
    out = []
    for f in range(55):
        out.append(f"filter.big{f:02d}.rules = 64 0 0\n")
        for r in range(1, 65):
            k = f"filter.big{f:02d}.ip.{r}."
            p = port if r == 64 else 1000 + r
            out.append(f"{k}number = {r}\n{k}flags = 0x16\n{k}src = 0.0.0.0\n{k}src_bits = 0\n"
                       f"{k}dst = 10.0.{f}.{r}\n{k}dst_bits = 32\n{k}protocol = 6\n{k}src_port = 0\n{k}dst_port = {p}\n")
    return "".join(out)
open(a, "w").write(base + filters(80))
open(b, "w").write(base + filters(8080))
PY
size=$(stat -c %s "$work/a.snapshot")
times=""
for _ in $(seq "$runs"); do
    t0=$(now)
    "$batch" --diff "$work/a.snapshot" "$work/b.snapshot" >"$work/diff.out"
    times+="$(( ($(now) - t0) / 1000 ))"$'\n'
done
printf '%-22s %8.1f ms  (%d bytes each, %d lines of difference)\n' "--diff A B" \
    "$(printf '%s' "$times" | median | awk '{ print $1 / 1000 }')" "$size" "$(wc -l <"$work/diff.out")"
