#!/usr/bin/env bash
# Installs what is needed, builds the textbook and starts it on the demo course from its
# runnable folder (build/release/textbook: the program, Data.mdb, Glaves/, Present/).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset release
cmake --build --preset release --target velanika
cd build/release/textbook
exec ./velanika
