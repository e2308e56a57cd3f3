#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages Quillane builds, tests and runs with, and
# those that make and check its Debian packages (dpkg-dev: dpkg-shlibdeps;
# desktop-file-utils, appstream, shared-mime-info: the desktop entry's
# checks; groff-base: the manual pages' check).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  dpkg-dev desktop-file-utils appstream shared-mime-info groff-base
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libboost-dev libcli11-dev
  qt6-base-dev qt6-svg-dev libgl-dev nlohmann-json3-dev
  xvfb xauth fonts-liberation2 locales
  # the run report's tests read the PDF back (pdftotext, pdffonts, pdfinfo)
  poppler-utils
  # the checks of .ci/run: clang with its sanitizer and libFuzzer runtimes,
  # the symbolizer for their stack traces, and clang-format
  clang-14 libclang-rt-14-dev llvm-14 clang-format-14 clang-format
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ] || [ "${QUILLANE_FORCE_APT:-0}" = 1 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
fi
