#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages of Quillane: configures and builds like
# tools/build.sh (in build/, or $QUILLANE_BUILD_DIR), then CPack makes
#   quillane_<version>_<arch>.deb          the programs, the library, the desktop
#                                          entry, manual pages and examples
#   libquillane-dev_<version>_<arch>.deb   header, pkg-config and CMake files
# in build/packages/.  Install them with
#   sudo apt install ./build/packages/quillane_*.deb
# which also installs what they depend on.  Extra arguments go to CMake, e.g.
#   bash tools/package.sh -DQUILLANE_PACKAGE_MAINTAINER="Lab IT <it@lab.example>"
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_BUILD_DIR:-$root/build}
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh" "$@"
rm -f "$build"/packages/*.deb
(cd "$build" && cpack -G DEB -B "$build/packages")
echo
echo "Packages:"
for deb in "$build"/packages/*.deb; do
    echo "  $deb"
    dpkg-deb -f "$deb" Package Version Depends | sed 's/^/    /'
done
