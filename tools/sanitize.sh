#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the library, the headless runner and their tests with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ (or
# $QUILLANE_SANITIZE_BUILD_DIR) and runs those tests.  Any finding stops the
# program that met it, so the test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_SANITIZE_BUILD_DIR:-$root/build-asan}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQUILLANE_SANITIZE=ON -DQUILLANE_BUILD_FRONTEND=OFF -DQUILLANE_BUILD_RENDER=OFF -DQUILLANE_BUILD_BENCH=OFF "$@"
cmake --build "$build" --parallel
cd "$build"
# Leaks count as findings; stack traces name files and lines.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --output-on-failure --timeout 300 -j2
