#!/usr/bin/env bash
# screenshots.sh [BUILD_DIR]: renders the start dialog, every wizard page and the help
# window offscreen into docs/screenshots/*.png.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$top/build"}
cmake -S "$top" -B "$dir" >/dev/null
cmake --build "$dir" -j 2 --target qlwiz-screenshots
# Short waits: the pretend run of the screenshots need not take its real time.
QT_QPA_PLATFORM=offscreen QLWIZ_TIME_SCALE=0.01 "$dir/wizard/qlwiz-screenshots" "$top/docs/screenshots"
