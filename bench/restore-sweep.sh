#!/usr/bin/env bash
# restore-sweep.sh [BUILD_DIR [CONNECTIONS [FRAMES]]]: the undo on the bad day. For every
# frame of the given connections of a run against a configured quillet-sim, the link is
# dropped right after that frame; when the run fails and has kept a snapshot, the restore a
# user is told to run follows. Each point is sorted by what became of the router, and the
# counts are printed:
#   points     runs swept
#   run-ok     the run succeeded anyway (a retry went round the drop)
#   untouched  the run failed and left the router as it was (before any restore)
#   changed    the run failed after changing the router
#   exact      after the restore the router is as before, to the byte of its dump
#   equal      as before but for pairs the router cannot tell apart (metric 0/1, IPX net ""/0)
#   refused    the restore failed and said so (exit status not 0), damaging nothing
#   damaged    the restore changed a setting the run had left as it was
#   false      the restore exited 0 while the router is not as before
# CONNECTIONS defaults to "2 3" (the session that probes and configures, the one after
# the restart); "r4" sweeps the restore's own session instead, after a run that fails at
# its dial. FRAMES defaults to every frame of each. Waits run a hundred times faster.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$top/build"}
connections=${2:-"2 3"}
only_frames=${3:-}
sim="$build/sim/quillet-sim"
batch="$build/batch/qlwiz-batch"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
sed 's/^RouterAddress=.*/RouterAddress=127.0.0.1/' "$top/batch/sample-settings.conf" >"$work/settings.conf"
export QLWIZ_TIME_SCALE=0.01 QLWIZ_SNAPSHOT_DIR="$work/snapshots" QLWIZ_SUMMARY_FILE="$work/QLWIZ.TXT"

simpid=""
# Starts the simulator with extra options; sets $port.
start_sim() {
    : >"$work/sim.out"
    "$sim" --listen 127.0.0.1 --port 0 --scenario "$top/sim/demo-configured.sim" --time-scale 0.01 \
        --reboot-ms 100 --dump-on-exit "$work/dump.txt" "$@" >"$work/sim.out" 2>"$work/sim.err" &
    simpid=$!
    for _ in $(seq 500); do
        port=$(sed -n 's/^quillet-sim: management port //p' "$work/sim.out")
        [ -n "$port" ] && grep -q 'listening on' "$work/sim.out" && return 0
        sleep 0.01
    done
    echo "restore-sweep: quillet-sim did not start" >&2
    exit 2
}
# The running and saved configuration into $1, one "section key = value" a line.
dump() {
    local n
    n=$(grep -c '^quillet-sim: dumped' "$work/sim.out")
    kill -USR1 "$simpid"
    for _ in $(seq 500); do
        [ "$(grep -c '^quillet-sim: dumped' "$work/sim.out")" -gt "$n" ] && break
        sleep 0.01
    done
    awk '/^\[/{s=$0; next} s!="[state]"{print s, $0}' "$work/dump.txt" >"$1"
}
# $1 with the pairs the wire cannot tell apart made equal.
plain() {
    sed -E -e 's/(gateway_metric|ipxgateway_hops) = 0$/\1 = 1/' \
        -e 's/(ipxnet) = (0|0\.0\.0\.0)?$/\1 = 0/' "$1"
}
stop_sim() { kill "$simpid" 2>/dev/null; wait "$simpid" 2>/dev/null; simpid=""; }

# How many frames each connection carries in a clean run (and its restore, for "rN").
declare -A total
for k in $connections; do
    extra=()
    [ "${k#r}" != "$k" ] && extra=(--set isp.outcome=noanswer)
    start_sim "${extra[@]}"
    QLWIZ_MGMT_PORT=$port "$batch" "$work/settings.conf" >"$work/run.out" 2>/dev/null
    snapshot=$(sed -n 's/^Snapshot of the Quillet.s settings kept in //p' "$work/run.out")
    [ "${k#r}" != "$k" ] && QLWIZ_MGMT_PORT=$port "$batch" --restore "$snapshot" >/dev/null 2>&1
    stop_sim
    total[$k]=$(awk -v k="${k#r}" '/^quillet-sim: session [0-9]+ from/{s=$3} /^quillet-sim: <- /{if (s==k) n++} END{print n+0}' "$work/sim.err")
done

declare -A count=([points]=0 [run-ok]=0 [untouched]=0 [changed]=0 [exact]=0 [equal]=0 [refused]=0 [damaged]=0 [false]=0)
for k in $connections; do
    frames=${only_frames:-$(seq 0 $((total[$k] - 1)))}
    for n in $frames; do
        count[points]=$((count[points] + 1))
        extra=()
        [ "${k#r}" != "$k" ] && extra=(--set isp.outcome=noanswer)
        start_sim "${extra[@]}" --set fault.drop_after_frames="$n" --set fault.from_connection="${k#r}" \
            --set fault.connections="${k#r}"
        dump "$work/before"
        QLWIZ_MGMT_PORT=$port "$batch" "$work/settings.conf" >"$work/run.out" 2>"$work/run.err"
        rc=$?
        dump "$work/after-run"
        what=""
        if [ $rc -eq 0 ]; then
            what=run-ok
        else
            if cmp -s <(plain "$work/before") <(plain "$work/after-run"); then
                what=untouched
            else
                what=changed
            fi
            snapshot=$(sed -n 's/^Snapshot of the Quillet.s settings kept in //p' "$work/run.out")
            if [ -n "$snapshot" ]; then
                QLWIZ_MGMT_PORT=$port "$batch" --restore "$snapshot" >"$work/restore.out" 2>&1
                rrc=$?
                dump "$work/after-restore"
                if cmp -s "$work/before" "$work/after-restore"; then
                    result=exact
                elif cmp -s <(plain "$work/before") <(plain "$work/after-restore"); then
                    result=equal
                else
                    # A setting the run left alone that the restore took away from before.
                    left=$(comm -12 <(plain "$work/before" | sort) <(plain "$work/after-run" | sort) |
                        comm -23 - <(plain "$work/after-restore" | sort) | wc -l)
                    if [ "$left" -gt 0 ]; then
                        result=damaged
                    elif [ $rrc -eq 0 ]; then
                        result=false
                    else
                        result=refused
                    fi
                fi
                count[$result]=$((count[$result] + 1))
                [ "$result" = damaged ] || [ "$result" = false ] &&
                    echo "restore-sweep: connection $k, frame $n: $result (run exit $rc, restore exit $rrc)" >&2
            fi
        fi
        count[$what]=$((count[$what] + 1))
        stop_sim
    done
done
for key in points run-ok untouched changed exact equal refused damaged false; do
    printf '%-10s %d\n' "$key" "${count[$key]}"
done
