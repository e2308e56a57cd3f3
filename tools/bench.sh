#!/usr/bin/env bash
# Builds the benchmarks in Release (build-release/, or $QUILLANE_BENCH_DIR)
# and runs them; extra arguments go to the benchmark program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_BENCH_DIR:-$root/build-release}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLANE_BUILD_FRONTEND=OFF \
  -DQUILLANE_BUILD_TESTS=OFF -DQUILLANE_BUILD_BENCH=ON >/dev/null
ninja -C "$build" -j2 fit_bench
"$build/bin/fit_bench" "$@"
