#!/usr/bin/env bash
# build.sh [DIR [extra cmake options...]]: configures and builds the whole project.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$top/build"}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$top" -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j "$jobs"
