#!/usr/bin/env bash
# Installs, with apt, the Debian 12 packages the build and the tests need and that are
# missing. Run as root; does nothing when everything is there.
set -euo pipefail

packages=(cmake g++ make pkg-config googletest libgtest-dev libgmock-dev
          qt6-base-dev libgl-dev iproute2 libcap2-bin xvfb xauth)

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
