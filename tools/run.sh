#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole analysis on the bundled
# absorbance examples without a display: the report goes to out/report.txt,
# every data plot and result graph to out/plots/plot_NNN.dat, and a PNG
# figure of each beside it (out/plots/plot_NNN.png).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_BUILD_DIR:-$root/build}
bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh"

out=$root/out
# The plots of an earlier run would otherwise be numbered on from there.
rm -rf "$out/plots"
mkdir -p "$out/plots"
# A build without the Qt front end cannot draw; it still writes the rest.
images=(--images png)
if ! "$build/bin/quillane-batch" --help | grep -q -- '^  --images FORMAT'; then
    echo "quillane-batch was built without the Qt front end: no PNG figures" >&2
    images=()
fi
"$build/bin/quillane-batch" --out "$out/report.txt" --plots "$out/plots" "${images[@]}" \
    "$root"/examples/*.RA1

echo
echo "Report:     $out/report.txt"
echo "Plot files: $out/plots/ ($(find "$out/plots" -name 'plot_*.dat' | wc -l) files)"
if ((${#images[@]})); then
    echo "Figures:    $out/plots/ ($(find "$out/plots" -name 'plot_*.png' | wc -l) PNG files, plot_NNN.png beside plot_NNN.dat)"
fi
