#!/usr/bin/env bash
# Installs what is needed, checks the formatting, builds everything and runs every test: in the
# ordinary build, with AddressSanitizer and UndefinedBehaviorSanitizer, and in the light build
# without the web engine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/check-format.sh

jobs=$(nproc)
for preset in debug asan light; do
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done
echo "journey screenshots: $(pwd)/build/debug/journey-screenshots"
