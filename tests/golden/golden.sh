#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Usage: golden.sh RUNNER EXAMPLES SCRATCH [--update]
# The runner's whole output on the bundled examples, byte for byte: for each
# run below, the report, every kept plot file, the CSV and the JSON must be
# the files kept beside this script (tests/golden/RUN/), time stamps apart.
# With --update the files here are written anew from the runner instead
# (tools/update-golden.sh), so that a change shows in the diff.
#
# The runs work in SCRATCH/RUN and name the scans by a relative path
# (../examples/...), so nothing of this machine's folders gets into them.
set -euo pipefail
runner=$(realpath "$1")
examples=$2
scratch=$3
mode=${4:-check}
here=$(cd "$(dirname "$0")" && pwd)
export LC_ALL=C
unset QUILLANE_LIBRARY QUILLANE_THREADS

# The clock is the only thing that differs between two runs: the report's
# line under each graph and line 2 of each plot file carry the time of day
# and the date ("14:03:59.12 On 12/09/2026").  Both are kept as TIME.
mask() {
    sed -E 's#[0-9]{2}:[0-9]{2}:[0-9]{2}(\.[0-9]{2})? (On|ON) [0-9]{2}/[0-9]{2}/[0-9]{2,4}#TIME#g' "$1"
}

rm -rf "$scratch"
mkdir -p "$scratch"
ln -s "$(cd "$examples" && pwd)" "$scratch/examples"

status=0
compared=0
# run NAME ARGS...: runs the runner in SCRATCH/NAME with --out report.txt,
# --plots plots, --csv pairs.csv and --json run.json, then compares (or
# keeps) each file it wrote.
run() {
    local name=$1
    shift
    local work=$scratch/$name
    mkdir -p "$work"
    if ! (cd "$work" && "$runner" --out report.txt --plots plots --csv pairs.csv --json run.json \
        "$@" >stdout.txt 2>stderr.txt); then
        echo "FAIL: $name: the runner failed:"
        sed 's/^/  /' "$work/stderr.txt"
        status=1
        return
    fi
    local kept=$here/$name
    if [ "$mode" = --update ]; then
        rm -rf "$kept"
        mkdir -p "$kept/plots"
    fi
    local f files=(report.txt pairs.csv run.json)
    for f in "$work"/plots/*.dat; do files+=("plots/${f##*/}"); done
    for f in "${files[@]}"; do
        if [ "$mode" = --update ]; then
            mask "$work/$f" >"$kept/$f"
            continue
        fi
        compared=$((compared + 1))
        if [ ! -f "$kept/$f" ]; then
            echo "FAIL: $name: $f is new (bash tools/update-golden.sh keeps it)"
            status=1
        elif ! cmp -s <(mask "$work/$f") "$kept/$f"; then
            echo "FAIL: $name: $f differs from tests/golden/$name/$f:"
            diff <(mask "$work/$f") "$kept/$f" | head -20 | sed 's/^/  /'
            status=1
        fi
    done
    # A kept file the runner no longer writes is a change too.
    if [ "$mode" != --update ]; then
        for f in "$kept"/plots/*.dat; do
            [ -f "$work/plots/${f##*/}" ] || {
                echo "FAIL: $name: plots/${f##*/} is no longer written"
                status=1
            }
        done
    fi
}

# Absorbance scans in xi, with the assessment.
run absorbance-xi --limits 17.9 25.4 --assess ../examples/000{01..12}.RA1
# The same scans in the radius.
run absorbance-radius --radius --limits 5.99 7.12 --assess ../examples/000{01..12}.RA1
# Interference scans.
run interference --limits 17.9 25.4 --assess ../examples/0000{1..8}.IP1
# One series of the multi-speed run, limited to its first solution column.
run multispeed-series --series 1 --column 1 --assess ../examples/multispeed/000{01..36}.RA2

if [ "$mode" = --update ]; then
    [ "$status" -eq 0 ] && echo "golden files written to $here"
else
    [ "$status" -eq 0 ] && echo "$compared files of 4 runs are as kept in tests/golden"
fi
exit "$status"
