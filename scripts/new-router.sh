#!/usr/bin/env bash
# Tries the wizard on a new router the way it meets one on a real LAN: quillet-sim in
# its factory state in one network namespace, the wizard (or, without a display,
# qlwiz-batch) in another, joined by a veth pair. The real ports 67/68/1643, the real
# broadcast and a real unanswered ARP apply. Root only; needs ip from iproute2.
#
#   sudo ./scripts/new-router.sh            # the wizard; enter 10.213.0.2 / 255.255.255.0
#   sudo ./scripts/new-router.sh --batch    # qlwiz-batch with the same addresses
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
    echo "new-router: needs root to create network namespaces" >&2
    exit 2
fi
"$top/scripts/deps.sh"
"$top/scripts/build.sh" "$top/build"

router_ns=qlwiz-router pc_ns=qlwiz-pc
work=$(mktemp -d)
simpid=""
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
    ip netns del "$router_ns" 2>/dev/null || true
    ip netns del "$pc_ns" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

ip netns add "$router_ns"
ip netns add "$pc_ns"
ip link add qlwiz-r type veth peer name qlwiz-p
ip link set qlwiz-r netns "$router_ns"
ip link set qlwiz-p netns "$pc_ns"
ip -n "$router_ns" link set lo up
ip -n "$router_ns" link set qlwiz-r up
ip -n "$router_ns" route add default dev qlwiz-r   # the new router's broadcasts need a way out
ip -n "$pc_ns" link set lo up
ip -n "$pc_ns" addr add 10.213.0.1/24 dev qlwiz-p
ip -n "$pc_ns" link set qlwiz-p up
ip -n "$pc_ns" route add default dev qlwiz-p      # the BOOTP reply goes to 255.255.255.255

export QLWIZ_TIME_SCALE=${QLWIZ_TIME_SCALE:-0.05}
# The simulated ISP answers at the router's own address: the route test then reaches a
# host that refuses port 23, which proves the route.
ip netns exec "$router_ns" "$top/build/sim/quillet-sim" --factory --listen router --port 1643 \
    --bootp-interface qlwiz-r --set isp.address=10.213.0.2 --quiet >"$work/sim.out" 2>&1 &
simpid=$!
echo "new-router: a factory-state Quillet is asking for an address on the segment 10.213.0.0/24"

if [ "${1:-}" != "--batch" ] && [ -x "$top/build/wizard/qlwiz" ] &&
   { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    echo "new-router: in the wizard enter the router address 10.213.0.2 and the mask 255.255.255.0;"
    echo "            the probe finds no router (normal for a new one): answer Yes and go on."
    ip netns exec "$pc_ns" "$top/build/wizard/qlwiz"
else
    sed -e 's/^RouterAddress=.*/RouterAddress=10.213.0.2/' \
        -e 's/^RouterNetmask=.*/RouterNetmask=255.255.255.0/' \
        -e 's/^HttpHost=.*/HttpHost=10.213.0.10/' -e 's/^SmtpHost=.*/SmtpHost=10.213.0.11/' \
        "$top/batch/sample-settings.conf" >"$work/settings.conf"
    ip netns exec "$pc_ns" "$top/build/batch/qlwiz-batch" "$work/settings.conf"
fi
