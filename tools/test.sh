#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh" -DQUILLANE_BUILD_TESTS=ON -DQUILLANE_BUILD_BENCH=ON
cd "${QUILLANE_BUILD_DIR:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j2
