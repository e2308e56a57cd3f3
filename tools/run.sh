#!/usr/bin/env bash
# Installs what is needed, builds, and reads the bundled examples through the
# library, printing its log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh"
"${QUILLANE_BUILD_DIR:-$root/build}/bin/analysis_tests" --gtest_filter='SharedLibrary.Reading*'
