#!/usr/bin/env bash
# Sets up, builds and runs every test (headless). Usage: tools/test.sh [dev|asan|release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"
tools/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
ctest --preset "$preset"
