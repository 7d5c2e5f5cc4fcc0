#!/usr/bin/env bash
# The whole suite from nothing: set-up, configure, build, CTest with -j2.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build build -j2
ctest --test-dir build -j2 --output-on-failure --timeout 600
