#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $SANITIZE_BUILD_DIR) and runs the whole test suite there
# with the leak checker on: any memory fault, undefined behaviour or leak
# (beyond the documented ones of the platform libraries) fails the run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SANITIZE_BUILD_DIR:-$root/build-asan}"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DDETALEHRAN_SANITIZE=ON -DDETALEHRAN_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The normal run kills the program 200 times; under the sanitizers each
# start is slower, and 40 kills still reach every kind of step.
export DETALEHRAN_CRASH_KILLS="${DETALEHRAN_CRASH_KILLS:-40}"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600
