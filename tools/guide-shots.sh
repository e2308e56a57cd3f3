#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes the pictures of the user guide anew, so that they show the program
# as it is: works through the examples in the real program on a virtual
# screen (Xvfb) of 1366 x 768, a laptop's, and saves what the user sees.
#
#   bash tools/guide-shots.sh [BUILD_DIR]
#
# The guide's pictures go to docs/guide/.  The same steps are also taken at
# 200 % scale (QT_SCALE_FACTOR=2 on a screen of 2732 x 1536) and with a dark
# palette, into BUILD_DIR/guide-shots/scale200 and .../dark, and on the
# 1366 x 768 screen itself at 200 % into .../small200, to look at.
# Needs the program built (bash tools/build.sh) and Xvfb (package xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${QUILLANE_BUILD_DIR:-$root/build}}
[ -d "$build" ] && build=$(cd "$build" && pwd)  # the program runs in another folder
shots=$build/bin/quillane-guide-shots

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "guide-shots: Xvfb is not installed; the pictures are taken on its virtual screen." >&2
  echo "             Install it with: sudo apt-get install xvfb  (or bash tools/install-deps.sh)" >&2
  exit 1
fi
if [ ! -x "$shots" ]; then
  echo "guide-shots: $shots is missing; build the program first: bash tools/build.sh" >&2
  exit 1
fi

scratch=$(mktemp -d)
# The program runs in a folder of a fixed name: its path shows in the plots.
work=${TMPDIR:-/tmp}/quillane-guide/analysis
xvfb_pid=
finish() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch" "$(dirname "$work")"
}
trap finish EXIT

# shoot NAME WIDTHxHEIGHT OUT_DIR [VAR=VALUE...] [-- PROGRAM OPTIONS...]
shoot() {
  local name=$1 screen=$2 out=$3
  shift 3
  local env=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do env+=("$1"); shift; done
  [ "${1:-}" = -- ] && shift
  : >"$scratch/display"
  Xvfb -displayfd 5 -screen 0 "${screen}x24" -nolisten tcp 5>"$scratch/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  if [ ! -s "$scratch/display" ]; then
    echo "guide-shots: the virtual screen did not start" >&2
    exit 1
  fi
  mkdir -p "$out"
  rm -f "$out"/*.png
  rm -rf "$work"
  echo "guide-shots: $name ($screen) -> $out"
  env DISPLAY=":$(cat "$scratch/display")" QT_QPA_PLATFORM=xcb "${env[@]}" \
    "$shots" --examples "$root/examples" --work "$work" --out "$out" "$@" >/dev/null
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
}

shoot "the guide's pictures" 1366x768 "$root/docs/guide"
shoot "200 % scale" 2732x1536 "$build/guide-shots/scale200" QT_SCALE_FACTOR=2
shoot "dark palette" 1366x768 "$build/guide-shots/dark" -- --dark
# A laptop's own screen at 200 %: 683 x 384 logical pixels, where dialogs scroll.
shoot "1366 x 768 at 200 %" 1366x768 "$build/guide-shots/small200" QT_SCALE_FACTOR=2
echo "guide-shots: done"
