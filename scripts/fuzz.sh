#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $FUZZ_BUILD_DIR)
# and runs each for $FUZZ_SECONDS seconds (60 by default). Each target works
# on a corpus of its own in the build folder and reads the checked-in one
# under fuzz/corpus/<target>, which it never changes, and the seeds that
# build-fuzz/fuzz/<target>_seeds writes, where a target has such a program
# (fuzz_jet_store's are Jet files of the tests' writer). Exits non-zero when any
# target found a crash, a leak, a timeout, too much memory or a broken
# invariant, and names the input that reproduces it:
#   build-fuzz/fuzz/<target> <reproducer>
#
# FUZZ_TARGETS      targets to run, separated by blanks (all by default)
# FUZZ_TIMEOUT      seconds one input may take (10)
# FUZZ_RSS_MB       memory limit of a target in MB (2048)
# FUZZ_MERGE=1      after a clean run, merge what was found into the
#                   checked-in corpus: -merge=1 -use_counters=0 adds only
#                   inputs that reach code none before reached, which keeps
#                   the corpus small
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
timeout="${FUZZ_TIMEOUT:-10}"
rss_mb="${FUZZ_RSS_MB:-2048}"
all_targets=(fuzz_settings_file fuzz_dialect fuzz_like fuzz_statements fuzz_spreadsheet_import fuzz_jet_store fuzz_values fuzz_bom)
read -r -a targets <<< "${FUZZ_TARGETS:-${all_targets[*]}}"

bash "$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DDETALEHRAN_FUZZ=ON ${CMAKE_ARGS:-}
cmake --build "$build" --target "${targets[@]}" --parallel "$(nproc)"

# Leaks count as findings; UBSan stops at its first report already (the
# build uses -fno-sanitize-recover).
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
if command -v llvm-symbolizer >/dev/null; then
  export ASAN_SYMBOLIZER_PATH="${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer)}"
fi

failed=()
for target in "${targets[@]}"; do
  binary="$build/fuzz/$target"
  seeds="$root/fuzz/corpus/$target"
  work="$build/fuzz-work/$target"
  findings="$build/fuzz-findings/$target/$(date +%Y%m%d-%H%M%S)"
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$work" "$findings" "$(dirname "$log")" "$seeds"
  dict=()
  [ -f "$root/fuzz/dictionaries/$target.dict" ] && dict=(-dict="$root/fuzz/dictionaries/$target.dict")
  generated=()
  if [ -x "$build/fuzz/${target}_seeds" ]; then
    rm -rf "$build/fuzz-seeds/$target"
    mkdir -p "$build/fuzz-seeds/$target"
    "$build/fuzz/${target}_seeds" "$build/fuzz-seeds/$target"
    generated=("$build/fuzz-seeds/$target")
  fi

  echo "== $target: ${seconds}s"
  status=0
  "$binary" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb="$rss_mb" \
    -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$work" "$seeds" "${generated[@]}" \
    >"$log" 2>&1 || status=$?

  # Runs, speed and corpus as libFuzzer last reported them.
  stats=$(grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" |
          sed -E 's/^stat::([a-z_]+): +/\1=/' | tr '\n' ' ' || true)
  corpus=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'corp: [^ ]+' || true)
  echo "$stats$corpus"
  if [ "$status" -ne 0 ]; then
    echo "FAILED: $target exited with status $status:"
    grep -E -A1 'invariant broken|^==[0-9]+==ERROR|^SUMMARY' "$log" | head -n 20 || true
    echo "the end of $log:"
    grep -v -E '^#[0-9]+' "$log" | tail -n 25
    reproducers=$(find "$findings" -type f 2>/dev/null || true)
    for r in $reproducers; do echo "reproducer: $r  (run: $binary $r)"; done
    [ -n "$reproducers" ] || echo "no reproducer was written; see $log"
    failed+=("$target")
    continue
  fi
  rmdir "$findings" 2>/dev/null || true
  if [ "${FUZZ_MERGE:-0}" = 1 ]; then
    "$binary" -merge=1 -use_counters=0 -timeout="$timeout" -rss_limit_mb="$rss_mb" "$seeds" "$work" >>"$log" 2>&1
    echo "merged into $seeds: $(find "$seeds" -type f | wc -l) files"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "fuzzing found nothing in: ${targets[*]}"
