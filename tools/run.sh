#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole analysis on the bundled
# absorbance examples without a display: the report goes to out/report.txt,
# every data plot and result graph to out/plots/plot_NNN.dat.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_BUILD_DIR:-$root/build}
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh"

out=$root/out
# The plots of an earlier run would otherwise be numbered on from there.
rm -rf "$out/plots"
mkdir -p "$out/plots"
"$build/bin/quillane-batch" --out "$out/report.txt" --plots "$out/plots" "$root"/examples/*.RA1

echo
echo "Report:     $out/report.txt"
echo "Plot files: $out/plots/ ($(find "$out/plots" -name 'plot_*.dat' | wc -l) files)"
