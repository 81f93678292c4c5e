#!/usr/bin/env bash
# The main job. Builds the three programs (not the tests), starts quillet-sim on loopback
# and runs the wizard against it. Without a display it says so and runs the same
# configuration with qlwiz-batch against a simulated router in its factory state instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" --main
# Release, as the test command builds build/, so that either one reuses the other's work.
# Only the programs are configured: the tests, benchmarks and fuzz targets want packages
# that deps.sh --main does not install (the test command turns them back on).
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=Release -DQLWIZ_WITH_TESTS=OFF \
    -DQLWIZ_WITH_BENCH=OFF -DQLWIZ_FUZZ=OFF ${QLWIZ_DEMO_CMAKE_ARGS:-} >/dev/null
cmake --build "$top/build" --target programs -j "$(nproc 2>/dev/null || echo 2)"

sim="$top/build/sim/quillet-sim"
batch="$top/build/batch/qlwiz-batch"
wizard="$top/build/wizard/qlwiz"
work=$(mktemp -d)
simpid=""
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Waits (at most 20 s) for a line starting with "quillet-sim: $1" and prints the rest.
sim_event() {
    local line
    for _ in $(seq 200); do
        line=$(grep -m1 "^quillet-sim: $1" "$work/sim.out" 2>/dev/null || true)
        if [ -n "$line" ]; then
            echo "${line#quillet-sim: $1}"
            return 0
        fi
        sleep 0.1
    done
    echo "demo: quillet-sim did not report '$1'; its log:" >&2
    cat "$work/sim.err" >&2
    return 1
}

# A UDP port nobody uses, for the BOOTP responder on loopback.
free_udp_port() {
    local p
    for _ in $(seq 50); do
        p=$((40000 + RANDOM % 20000))
        ss -Huln "sport = :$p" | grep -q . || { echo "$p"; return 0; }
    done
    return 1
}

# The real waits are minutes long (60 s for the router to restart); the demo runs them
# twenty times faster unless told otherwise.
export QLWIZ_TIME_SCALE=${QLWIZ_TIME_SCALE:-0.05}
export QLWIZ_SUMMARY_FILE=${QLWIZ_SUMMARY_FILE:-$work/QLWIZ.TXT}

if [ -x "$wizard" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    # An already configured router: the wizard's probe finds it and reads its settings back.
    "$sim" --listen 127.0.0.1 --port 0 --scenario "$top/sim/demo-configured.sim" --quiet \
        >"$work/sim.out" 2>"$work/sim.err" &
    simpid=$!
    port=$(sim_event "management port ")
    sim_event "listening on " >/dev/null
    export QLWIZ_MGMT_PORT=$port
    cat <<MSG
quillet-sim is a configured Quillet on 127.0.0.1 (management port $port).
In the wizard press Setup..., leave the password empty, and enter the router address
127.0.0.1 with the mask 255.0.0.0: the wizard finds the router and shows its settings.
MSG
    "$wizard"
    exit 0
fi

if [ -x "$wizard" ]; then
    echo "demo: no display (DISPLAY and WAYLAND_DISPLAY are not set): running qlwiz-batch against the simulator instead."
else
    echo "demo: the wizard was not built: running qlwiz-batch against the simulator instead."
fi

# A new router in its factory state: it asks for its address with BOOTP, qlwiz-batch
# answers, then configures it, restarts it, dials the ISP and tests the route.
bootp_server=$(free_udp_port)
"$sim" --factory --listen router --port 0 --bootp-target 127.0.0.1 \
    --bootp-server-port "$bootp_server" --bootp-client-port 0 --quiet \
    --dump-on-exit "$work/router.txt" --set isp.address=127.0.0.3 \
    >"$work/sim.out" 2>"$work/sim.err" &
simpid=$!
export QLWIZ_MGMT_PORT=$(sim_event "management port ")
export QLWIZ_BOOTP_CLIENT_PORT=$(sim_event "bootp client port ")
export QLWIZ_BOOTP_SERVER_PORT=$bootp_server
export QLWIZ_BOOTP_REPLY_ADDR=127.0.0.1

echo "demo: qlwiz-batch --new batch/sample-settings.conf"
set +e
"$batch" --new "$top/batch/sample-settings.conf"
rc=$?
set -e
echo "demo: qlwiz-batch exited with $rc"

# What the router now keeps over a restart: its address, the ISP location and the filters.
kill -USR1 "$simpid" 2>/dev/null || true
if sim_event "dumped " >/dev/null 2>&1; then
    echo "demo: the simulated router's saved configuration, in part:"
    sed -n '/^\[saved\]/,/^\[/p' "$work/router.txt" |
        grep -E '^(global\.address|global\.netmask|ether0\.address|global\.isdn_switch|port\.S[12]\.(spid|directory)|location\.isp\.(telephone|username|maxports|ifilter|ofilter|dest)|filter\.isp\.(in|out)\.rules) ' |
        sed 's/^/    /'
fi
exit $rc
