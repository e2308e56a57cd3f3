#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: check_package.sh BUILD_DIR SCRATCH_DIR LIBDIR C_COMPILER
# The Debian packages as a user gets them: CPack makes them from the build
# folder, they are unpacked into a scratch root (dpkg-deb -x, as a fresh
# machine's dpkg would lay them out), and from there
#   - the files are where a Debian user looks for them, and the control
#     fields name the packages' dependencies;
#   - quillane-batch --version (and quillane --version) report the program
#     and the library of the scratch root, not the build folder's;
#   - the installed runner analyses the installed examples and writes the
#     same report and plot files as the build folder's runner, time stamps
#     apart;
#   - a C program finds the library through quillane.pc, and a CMake project
#     through find_package(Quillane), and both run against it.
# LIBDIR is the library folder below the prefix (lib/x86_64-linux-gnu).
# Exits 77 (skipped) without dpkg-deb.
set -euo pipefail
build=$1
scratch=$2
libdir=$3
cc=$4
command -v dpkg-deb >/dev/null || { echo "SKIPPED: dpkg-deb is not installed"; exit 77; }
# The installed programs must find their own library, whatever the caller set.
unset QUILLANE_LIBRARY
export QT_QPA_PLATFORM=offscreen

status=0
fail() { echo "FAIL: $*"; status=1; }
expect_file() { [ -e "$root/$1" ] || fail "the packages lack /$1"; }

rm -rf "$scratch"
mkdir -p "$scratch"
(cd "$build" && cpack -G DEB -B "$scratch/deb" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log"; echo "FAIL: cpack"; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
runtime=$(ls "$scratch"/deb/quillane_*.deb)
dev=$(ls "$scratch"/deb/libquillane-dev_*.deb)
echo "packages: $(basename "$runtime") $(basename "$dev")"

root=$scratch/root
for deb in "$runtime" "$dev"; do dpkg-deb -x "$deb" "$root"; done

# ---- where the files are ----
# The shared-object name carries the major and minor version.
soname=libquillane.so.${version%.*}
for f in usr/bin/quillane-batch "usr/$libdir/$soname" "usr/$libdir/libquillane.so.$version" \
    usr/share/quillane/examples/00001.RA1 usr/share/quillane/examples/00008.IP1 \
    usr/share/man/man1/quillane-batch.1.gz usr/share/man/man1/quillane.1.gz \
    usr/share/doc/quillane/README.md usr/share/doc/quillane/guide.md \
    usr/share/doc/quillane/guide/01-main-window.png \
    usr/share/applications/quillane.desktop usr/share/icons/hicolor/scalable/apps/quillane.svg \
    usr/share/mime/packages/quillane.xml usr/share/metainfo/quillane.metainfo.xml \
    usr/include/quillane.h "usr/$libdir/libquillane.so" "usr/$libdir/pkgconfig/quillane.pc" \
    "usr/$libdir/cmake/Quillane/QuillaneConfig.cmake"; do
    expect_file "$f"
done
# Each package carries the licence and the history where Debian wants them.
for package in quillane libquillane-dev; do
    expect_file "usr/share/doc/$package/copyright"
    expect_file "usr/share/doc/$package/changelog.Debian.gz"
    grep -q '^License: MIT$' "$root/usr/share/doc/$package/copyright" 2>/dev/null ||
        fail "$package's copyright file names no MIT licence"
    head -1 <(gzip -dc "$root/usr/share/doc/$package/changelog.Debian.gz" 2>/dev/null) |
        grep -q "^quillane ($version-" || fail "$package's changelog does not start at $version"
done
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/quillane.metainfo.xml" ||
    fail "the AppStream data list no release $version"
# The link for building against the library belongs to the development
# package only; the programs need the shared-object name.
grep -q "/libquillane\.so -> " <<<"$(dpkg-deb -c "$runtime")" && fail "quillane holds libquillane.so"
grep -q "/libquillane\.so -> $soname" <<<"$(dpkg-deb -c "$dev")" ||
    fail "libquillane-dev lacks libquillane.so"
[ "$(readelf -d "$root/usr/$libdir/$soname" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')" = "$soname" ] ||
    fail "the library's SONAME is not $soname"
for program in "$root"/usr/bin/*; do
    grep -qE '\((RPATH|RUNPATH)\)' <<<"$(readelf -d "$program")" && fail "$program has a run path"
done

# ---- what the packages depend on ----
depends=$(dpkg-deb -f "$runtime" Depends)
needs=(libstdc++6 fonts-liberation2)
# Only a build with the Qt front end has programs that use Qt.
[ -x "$root/usr/bin/quillane" ] && needs+=(libqt6widgets6 libqt6svg6)
for needed in "${needs[@]}"; do
    grep -q "$needed" <<<"$depends" || fail "quillane does not depend on $needed: $depends"
done
grep -q "quillane (= $version-" <<<"$(dpkg-deb -f "$dev" Depends)" ||
    fail "libquillane-dev does not depend on quillane $version"
dpkg-deb -e "$runtime" "$scratch/control"
grep -qx 'activate-noawait ldconfig' "$scratch/control/triggers" ||
    fail "installing quillane does not trigger ldconfig"
description=$(dpkg-deb -f "$runtime" Description)
[ "${description%%$'\n'*}" = "comparison of analytical-ultracentrifuge scans" ] ||
    fail "quillane's synopsis is not its own: ${description%%$'\n'*}"

# ---- --version from the scratch root ----
program_version=$(sed -n 's/^#define QUILLANE_VERSION_STRING "\(.*\)"$/\1/p' "$root/usr/include/quillane.h")
expected="quillane-batch (Quillane) $program_version
analysis library $program_version, $root/usr/$libdir/$soname"
got=$("$root/usr/bin/quillane-batch" --version) || fail "quillane-batch --version failed"
[ "$got" = "$expected" ] || fail "quillane-batch --version says
$got
instead of
$expected"
echo "$got"
if [ -x "$root/usr/bin/quillane" ]; then
    got=$("$root/usr/bin/quillane" --version) || fail "quillane --version failed"
    [ "$got" = "${expected/quillane-batch/quillane}" ] || fail "quillane --version says
$got"
    echo "$got"
fi

# ---- a whole run on the installed examples ----
same_time() { sed -E 's#[0-9]{2}:[0-9]{2}:[0-9]{2}(\.[0-9]{2})? (On|ON) [0-9]{2}/[0-9]{2}/[0-9]{2,4}#TIME#g' "$1"; }
for which in installed built; do
    runner=$root/usr/bin/quillane-batch
    [ "$which" = built ] && runner=$build/bin/quillane-batch
    mkdir -p "$scratch/$which"
    (cd "$scratch/$which" && "$runner" --out r.txt --plots p --limits 17.9 25.4 \
        "$root"/usr/share/quillane/examples/*.RA1 >stdout.txt 2>stderr.txt) ||
        { cat "$scratch/$which/stderr.txt"; fail "the $which runner failed on the examples"; }
done
for f in r.txt stdout.txt; do
    cmp -s <(same_time "$scratch/built/$f") <(same_time "$scratch/installed/$f") ||
        fail "the installed runner's $f differs from the built one's"
done
plots=0
for f in "$scratch"/built/p/*; do
    plots=$((plots + 1))
    cmp -s <(same_time "$f") <(same_time "$scratch/installed/p/${f##*/}") ||
        fail "the installed runner's p/${f##*/} differs from the built one's"
done
[ "$plots" -ge 8 ] || fail "only $plots plot files from the examples"
echo "installed runner: $(wc -l <"$scratch/installed/r.txt") report lines, $plots plot files, as built"

# ---- programs built against the library ----
mkdir -p "$scratch/consumer"
cat >"$scratch/consumer/consumer.c" <<'C'
#include <stdio.h>

#include <quillane.h>

int main(void) {
    int32_t major = 0, minor = 0, revision = 0;
    quillane_version(&major, &minor, &revision);
    printf("%d.%d.%d\n", major, minor, revision);
    return major == QUILLANE_VERSION_MAJOR && minor == QUILLANE_VERSION_MINOR &&
                   revision == QUILLANE_VERSION_REVISION
               ? 0
               : 1;
}
C
flags=$(PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$root/usr/$libdir/pkgconfig \
    pkg-config --cflags --libs quillane) || fail "pkg-config does not know quillane"
"$cc" "$scratch/consumer/consumer.c" $flags -o "$scratch/consumer/with-pkg-config" ||
    fail "a C program does not build with pkg-config's flags: $flags"
got=$(LD_LIBRARY_PATH=$root/usr/$libdir "$scratch/consumer/with-pkg-config") ||
    fail "the C program built with pkg-config does not run"
[ "$got" = "$version" ] || fail "the C program built with pkg-config says $got"

cat >"$scratch/consumer/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(consumer C)
find_package(Quillane ${QUILLANE_ASKED} REQUIRED)
add_executable(consumer consumer.c)
target_link_libraries(consumer PRIVATE Quillane::quillane)
CMAKE
(cmake -S "$scratch/consumer" -B "$scratch/consumer/build" -DCMAKE_C_COMPILER="$cc" \
    -DCMAKE_PREFIX_PATH="$root/usr" -DQUILLANE_ASKED="${version%.*}" >"$scratch/consumer/cmake.log" 2>&1 &&
    cmake --build "$scratch/consumer/build" >>"$scratch/consumer/cmake.log" 2>&1) ||
    { cat "$scratch/consumer/cmake.log"; fail "a CMake project does not build with find_package(Quillane)"; }
got=$(LD_LIBRARY_PATH=$root/usr/$libdir "$scratch/consumer/build/consumer") ||
    fail "the program built with find_package(Quillane) does not run"
[ "$got" = "$version" ] || fail "the program built with find_package(Quillane) says $got"
echo "pkg-config and find_package(Quillane ${version%.*}) build programs that run: $got"

[ "$status" -eq 0 ] && echo "the packages install and run"
exit "$status"
