#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer harnesses of fuzz/ with clang into build-fuzz/ (or
# $QUILLANE_FUZZ_BUILD_DIR) and runs each for $QUILLANE_FUZZ_SECONDS
# (default 25: eleven harnesses stay within about five minutes of a CI run on
# two cores) from its seed corpus, with fuzz/<harness>.dict when there is one.  Inputs that reach new code are kept in
# the build folder for the next run; the committed seeds are never changed.
# An input that crashes, leaks, hangs or breaks a harness's checks is saved
# under findings/ in the build folder and fails the run: turn it into a
# regression test in tests/analysis, and add it to the seeds.
#
#   tools/fuzz.sh [harness...]     default: every harness
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${QUILLANE_FUZZ_SECONDS:-25}
harnesses=("$@")
[ "${#harnesses[@]}" -eq 0 ] && harnesses=(scan_reader plot_reader tick_rounding fit scan_header columns assessment series results
  options report_text watch)
targets=()
for h in "${harnesses[@]}"; do targets+=("fuzz_$h"); done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DQUILLANE_FUZZ=ON \
  -DQUILLANE_BUILD_FRONTEND=OFF -DQUILLANE_BUILD_RENDER=OFF -DQUILLANE_BUILD_TESTS=OFF -DQUILLANE_BUILD_BENCH=OFF
cmake --build "$build" --parallel --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
passed=0
failed=0
for h in "${harnesses[@]}"; do
  corpus="$build/corpus/$h"
  findings="$build/findings/$h"
  mkdir -p "$corpus" "$findings"
  log="$build/fuzz_$h.log"
  echo "fuzz: $h for ${seconds}s"
  dict=()
  [ -f "$root/fuzz/$h.dict" ] && dict=(-dict="$root/fuzz/$h.dict")
  if "$build/bin/fuzz_$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${dict[@]}" \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$root/fuzz/corpus/$h" \
    >"$log" 2>&1; then
    passed=$((passed + 1))
    grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$log" | sed 's/^/  /' || true
  else
    failed=$((failed + 1))
    echo "fuzz: $h found something; its input is in $findings" >&2
    grep -E 'ERROR|runtime error|fuzz check failed|SUMMARY|Test unit written' "$log" >&2 || true
    tail -40 "$log" >&2
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
