#!/usr/bin/env bash
# Installs what is needed, builds the textbook and starts it on the demo course from its
# runnable folder (build/textbook: the program, Data.mdb, Glaves/, Present/).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF
cmake --build build --target velanika
cd build/textbook
exec ./velanika
