#!/usr/bin/env bash
# frame-capture.sh [BUILD_DIR]: every frame qlwiz-batch sends in three whole runs against
# quillet-sim (a new router found through BOOTP, a configured one, one on old firmware),
# one line each, without what changes from run to run (ports, times, file names). Two
# captures of builds that must behave alike compare with diff(1).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
work=$(mktemp -d)
simpid=""
trap '[ -n "$simpid" ] && kill "$simpid" 2>/dev/null; rm -rf "$work"' EXIT
export QLWIZ_TIME_SCALE=0.01 QLWIZ_SNAPSHOT_DIR="$work/snapshots" QLWIZ_SUMMARY_FILE="$work/QLWIZ.TXT"
settings="$work/settings.conf"
sed 's/^RouterAddress=.*/RouterAddress=127.0.0.1/' "$top/batch/sample-settings.conf" >"$settings"

# run NAME BATCH_ARGS... -- SIM_ARGS...
run() {
    local name=$1 batch_args=() sim_args=()
    shift
    while [ "$1" != -- ]; do batch_args+=("$1"); shift; done
    shift
    sim_args=("$@")
    "$build/sim/quillet-sim" --port 0 --time-scale 0.01 --reboot-ms 100 "${sim_args[@]}" \
        >"$work/sim.out" 2>"$work/sim.err" &
    simpid=$!
    local port="" client=""
    for _ in $(seq 500); do
        port=$(sed -n 's/^quillet-sim: management port //p' "$work/sim.out")
        client=$(sed -n 's/^quillet-sim: bootp client port //p' "$work/sim.out")
        [ -n "$port" ] && grep -q -E 'listening on|bootp client port' "$work/sim.out" && break
        sleep 0.01
    done
    QLWIZ_MGMT_PORT=$port QLWIZ_BOOTP_CLIENT_PORT=${client:-68} QLWIZ_BOOTP_REPLY_ADDR=127.0.0.1 \
        QLWIZ_BOOTP_SERVER_PORT=${BOOTP_SERVER_PORT:-0} QLWIZ_ROUTE_TEST_PORT=1 \
        "$build/batch/qlwiz-batch" "${batch_args[@]}" "$settings" >"$work/run.out" 2>&1
    echo "== $name: exit $?"
    kill "$simpid" 2>/dev/null
    wait "$simpid" 2>/dev/null
    simpid=""
    sed -n -E 's/^quillet-sim: (session [0-9]+) from .*/\1/p; s/^quillet-sim: (<- .*)/\1/p' "$work/sim.err"
}

# A UDP port nobody uses, for the BOOTP responder on loopback.
BOOTP_SERVER_PORT=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
run new --new -- --factory --listen router --bootp-target 127.0.0.1 --bootp-server-port "$BOOTP_SERVER_PORT" \
    --bootp-client-port 0 --set isp.address=127.0.0.3
run configured -- --listen 127.0.0.1 --scenario "$top/sim/demo-configured.sim"
run old-firmware -- --listen 127.0.0.1 --scenario "$top/sim/demo-configured.sim" --set firmware=old
