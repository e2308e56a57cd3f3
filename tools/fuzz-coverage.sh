#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures what the fuzz harnesses reach: builds them with clang's
# source-based coverage into build-fuzz-cov/ (or $QUILLANE_FUZZ_COV_DIR),
# replays each one's committed seeds and the inputs tools/fuzz.sh kept in
# build-fuzz/corpus/ (each input once, no new fuzzing), and prints the line
# and branch coverage of the sources each harness is there for.  A developer
# tool, not part of CI.
#
#   tools/fuzz-coverage.sh [harness...]     default: the harnesses below
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_FUZZ_COV_DIR:-$root/build-fuzz-cov}
kept=${QUILLANE_FUZZ_BUILD_DIR:-$root/build-fuzz}/corpus
harnesses=("$@")
[ "${#harnesses[@]}" -eq 0 ] && harnesses=(scan_header columns assessment series results options watch)

# The sources of each surface.
sources_of() {
  case "$1" in
    scan_header) echo analysis/scanfile.cpp analysis/scan_header.cpp ;;
    columns) echo analysis/columns.cpp analysis/column_search.cpp ;;
    assessment) echo analysis/assessment.cpp analysis/equilibrium.cpp analysis/noise.cpp \
      analysis/equilibrium_plot.cpp analysis/fit_fquantile.cpp ;;
    series) echo session/series.cpp ;;
    results) echo session/results.cpp ;;
    options) echo batch/options.cpp ;;
    watch) echo session/folder_watch.cpp ;;
    scan_reader) echo analysis/scanfile.cpp analysis/free_input.cpp ;;
    plot_reader) echo analysis/plotfile/plot_reader.cpp ;;
    tick_rounding) echo analysis/tick_rounding.cpp ;;
    fit) echo analysis/fit_match.cpp analysis/fit_slopes.cpp analysis/result_graphs.cpp ;;
  esac
}

targets=()
for h in "${harnesses[@]}"; do targets+=("fuzz_$h"); done
flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DQUILLANE_FUZZ=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
  -DQUILLANE_BUILD_FRONTEND=OFF -DQUILLANE_BUILD_RENDER=OFF -DQUILLANE_BUILD_TESTS=OFF \
  -DQUILLANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=0
printf '%-14s %8s %22s %22s\n' harness inputs 'lines covered' 'branches covered'
for h in "${harnesses[@]}"; do
  profiles="$build/profiles/$h"
  rm -rf "$profiles"
  mkdir -p "$profiles"
  dirs=("$root/fuzz/corpus/$h")
  [ -d "$kept/$h" ] && dirs+=("$kept/$h")
  inputs=$(find "${dirs[@]}" -type f | wc -l)
  LLVM_PROFILE_FILE="$profiles/%p.profraw" "$build/bin/fuzz_$h" -runs=0 "${dirs[@]}" \
    >"$profiles/run.log" 2>&1
  llvm-profdata-14 merge -sparse "$profiles"/*.profraw -o "$profiles/merged.profdata"
  # The mapping names sources relative to the build tree's root.
  pattern=$(sources_of "$h" | tr ' ' '\n' | sed 's/^/^/; s/$/ /' | paste -sd'|')
  llvm-cov-14 report "$build/bin/fuzz_$h" -instr-profile="$profiles/merged.profdata" |
    grep -E "$pattern" |
    awk -v h="$h" -v n="$inputs" '{l += $8; lm += $9; b += $11; bm += $12}
      END {printf "%-14s %8d %14.1f%% of %4d %14.1f%% of %4d\n", h, n, 100 * (l - lm) / l, l,
           100 * (b - bm) / b, b}'
done
