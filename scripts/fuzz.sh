#!/usr/bin/env bash
# fuzz.sh [SECONDS]: fuzzes the snapshot reader with libFuzzer for SECONDS (default 5).
# Builds build-fuzz with clang++, seeds the fuzzer with real snapshots (those the normal
# build's end-to-end tests left, or one made with the built programs), runs the files at
# the reader's limits once, then fuzzes; any crash, hang or leak fails the script.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-5}
dir="$top/build-fuzz"
work=$(mktemp -d)
simpid=""
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

cmake -S "$top" -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQLWIZ_FUZZ=ON -DQLWIZ_WITH_GUI=OFF -DQLWIZ_WITH_TESTS=OFF -DQLWIZ_WITH_BENCH=OFF >/dev/null
cmake --build "$dir" --target snapshot_fuzz -j 2
fuzz="$dir/tests/fuzz/snapshot_fuzz"

# A snapshot of the demo router, kept by a qlwiz-batch run against quillet-sim on loopback.
make_snapshot() {
    local bin="$top/build"
    if [ ! -x "$bin/batch/qlwiz-batch" ] || [ ! -x "$bin/sim/quillet-sim" ]; then
        bin="$dir"
        cmake --build "$dir" --target qlwiz-batch quillet-sim -j 2
    fi
    "$bin/sim/quillet-sim" --listen 127.0.0.1 --port 0 --time-scale 0.01 \
        --scenario "$top/sim/demo-configured.sim" >"$work/sim.out" 2>/dev/null &
    simpid=$!
    local port=""
    for _ in $(seq 100); do
        port=$(sed -n 's/^quillet-sim: management port //p' "$work/sim.out")
        [ -n "$port" ] && grep -q "^quillet-sim: listening on" "$work/sim.out" && break
        sleep 0.1
    done
    [ -n "$port" ] || { echo "fuzz: quillet-sim did not start" >&2; return 1; }
    printf '%s\n' AdminPassword=fuzz RouterAddress=127.0.0.1 RouterNetmask=255.0.0.0 \
        "SwitchType=National ISDN1" Channel1Spid=40855512340101 Channel1DirNo=4085551234 \
        Channel2Spid=40855512350101 Channel2DirNo=4085551235 SecurityOn=1 Channels=2 \
        PhoneNumber=14085550100 ConnectionType=1 AccountName=office AccountPassword=surf \
        >"$work/settings.conf"
    # The snapshot is kept before the run changes anything; how the run ends is no matter.
    QLWIZ_MGMT_PORT=$port QLWIZ_TIME_SCALE=0.01 QLWIZ_SNAPSHOT_DIR="$work/kept" \
        QLWIZ_SUMMARY_FILE="$work/QLWIZ.TXT" timeout 60 "$bin/batch/qlwiz-batch" "$work/settings.conf" \
        >/dev/null 2>&1 || true
    kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null || true
    simpid=""
    cp "$work"/kept/*.snapshot "$1"/
}

corpus="$work/corpus"
mkdir -p "$corpus"
cp "$top"/build/tests/snapshots/*.snapshot "$corpus"/ 2>/dev/null || make_snapshot "$corpus"
ls "$corpus"/*.snapshot >/dev/null

# The limits, each run once: a valid snapshot grown one byte past 1 MiB, and one with a key
# of 40,000 characters.
# A glob, not ls | head: with many snapshots head would close the pipe on ls, and pipefail
# would end the script.
seeds=("$corpus"/*.snapshot)
seed=${seeds[0]}
limits="$work/limits"
mkdir -p "$limits"
{ cat "$seed"; printf '#'; head -c $((1024 * 1024)) /dev/zero | tr '\0' x; } | head -c $((1024 * 1024 + 1)) >"$limits/over-1MiB"
{ cat "$seed"; printf 'filter.%s.rules = 0 0 0\n' "$(head -c 40000 /dev/zero | tr '\0' a)"; } >"$limits/long-key"
"$fuzz" "$limits"/over-1MiB "$limits"/long-key

"$fuzz" -max_total_time="$seconds" -max_len=8192 -timeout=10 -print_final_stats=1 "$corpus"
