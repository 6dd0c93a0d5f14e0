#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/build.sh"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 300 -LE server
# The server tests, against a throwaway PostgreSQL cluster of their own.
pg_virtualenv -- env QT_QPA_PLATFORM=offscreen \
  ctest --output-on-failure --parallel "$(nproc)" --timeout 300 -L server --no-tests=error
