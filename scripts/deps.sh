#!/usr/bin/env bash
# deps.sh [--main]: installs, with apt, the Debian 12 packages that are missing. Without an
# option: everything the build and the test command need, the package checks' Debian tools
# included. With --main: only what building and running the three programs needs (the
# main job, which configures neither tests nor benchmarks). Run as root; does nothing when
# everything is there. The README's "two commands" section lists both sets: keep it in step.
set -euo pipefail

# The three programs: compiler and build, Qt Widgets, and ss (iproute2) for the main job.
packages=(cmake g++ make qt6-base-dev libgl-dev iproute2)
if [ "${1:-}" != --main ]; then
    # GoogleTest; Qt's private headers (the accessibility test switches Qt's accessibility on
    # offscreen); clang and its libFuzzer for the snapshot reader's fuzz run; setcap for the
    # install rules; manual pages, the .deb's dependencies, and the tools that check the
    # package.
    packages+=(pkg-config googletest libgtest-dev libgmock-dev qt6-base-private-dev
               clang libclang-rt-14-dev libcap2-bin scdoc dpkg-dev lintian desktop-file-utils
               appstream man-db)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "deps: missing packages: ${missing[*]}; run as root (or install them) first" >&2
    exit 1
fi
echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
