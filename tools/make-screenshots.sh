#!/bin/sh
# Regenerates docs/screenshot-de.png and docs/screenshot-en.png, and with them the command line at work
# (docs/screenshot-<lang>-log.png and a row's detail view, logrow-<lang>.png): the program renders its own
# main window, in German and in English, on Qt's offscreen platform (no display needed).
# Usage: tools/make-screenshots.sh [extra options of telvane-screenshot, e.g. --all-tabs, --file-dialog]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
preset=${TELVANE_PRESET:-dev}
build="$root/build/$preset"

cd "$root"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset "$preset"
fi
cmake --build --preset "$preset" --target telvane-screenshot -j2
QT_QPA_PLATFORM=offscreen "$build/tools/screenshot/telvane-screenshot" --log "$@" "$root/docs"
