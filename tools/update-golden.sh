#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes the golden files of tests/golden anew: builds the runner and the
# library in build/ (or $QUILLANE_BUILD_DIR) and keeps what the runner
# writes on the bundled examples.  Run it after a change that is meant to
# change the report, a plot file, the CSV or the JSON, and look at
# "git diff tests/golden" before committing: every changed line shows there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_BUILD_DIR:-$root/build}
[ -f "$build/build.ninja" ] || [ -f "$build/Makefile" ] ||
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target quillane-batch quillane
bash "$root/tests/golden/golden.sh" "$build/bin/quillane-batch" "$root/examples" \
    "$build/golden-update" --update
git -C "$root" status --short -- tests/golden
