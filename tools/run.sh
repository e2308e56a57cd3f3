#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds, and runs Quillane on the bundled examples.
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) it starts the program with
# its output file in out/ and prints how to read the examples.  Without one,
# or with --batch, it runs the whole analysis headless: the report goes to
# out/report.txt, every data plot and result graph to out/plots/plot_NNN.dat,
# and a PNG figure of each beside it (out/plots/plot_NNN.png).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_BUILD_DIR:-$root/build}
bash "$root/tools/install-deps.sh"
# Only what it runs: the library and the two programs (tools/test.sh builds
# the tests and benchmarks in the same folder when it is run).
bash "$root/tools/build.sh" -DQUILLANE_BUILD_TESTS=OFF -DQUILLANE_BUILD_BENCH=OFF

out=$root/out
mkdir -p "$out"
# The examples' meniscus lies below xi = 17.9 cm^2 and the cell base above
# 25.4 cm^2; the data between them are the solution column.
limits=(17.9 25.4)

if [ "${1:-}" != "--batch" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    cat <<TEXT
Starting Quillane; its report goes to $out/report.txt, kept plots to $out/.
To analyse the examples:
  1. Data > Read Data Files: click the first file-name box, choose
     $root/examples/00001.RA1, press "Load Sequence" (all twelve scans), then OK.
  2. Data > Set Data Limits: "Plot All", then in the plot Ctrl+click at xi ${limits[0]}
     (lower limit) and Alt+click at xi ${limits[1]} (upper limit).
  3. Data > Fit Data: choose the reference set (12 is the last scan), OK.
  4. Plots > Plot Results > RMS vs Time, and the other graphs.
TEXT
    cd "$out"
    exec "$build/bin/quillane" --output "$out/report.txt"
fi

# The plots of an earlier run would otherwise be numbered on from there.
rm -rf "$out/plots"
mkdir -p "$out/plots"
# A build without the render library cannot draw; it still writes the rest.
images=(--images png)
# (The help is read whole first: grep -q stops reading at its match, and
# under pipefail the runner's broken pipe would read as a failure.)
help=$("$build/bin/quillane-batch" --help)
if ! grep -q -- '^  --images FORMAT' <<<"$help"; then
    echo "quillane-batch was built without the render library: no PNG figures" >&2
    images=()
fi
"$build/bin/quillane-batch" --out "$out/report.txt" --plots "$out/plots" --limits "${limits[@]}" \
    "${images[@]}" "$root"/examples/*.RA1

echo
echo "Report:     $out/report.txt"
echo "Plot files: $out/plots/ ($(find "$out/plots" -name 'plot_*.dat' | wc -l) files)"
if ((${#images[@]})); then
    echo "Figures:    $out/plots/ ($(find "$out/plots" -name 'plot_*.png' | wc -l) PNG files, plot_NNN.png beside plot_NNN.dat)"
fi
