#!/usr/bin/env bash
# Sets up, builds and starts Telvane against the bundled device simulator (port 6060, device type 0).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
./build/release/tools/devsim/telvane-devsim --port 6060 --device "${TELVANE_DEVICE:-0}" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
./build/release/telvane
