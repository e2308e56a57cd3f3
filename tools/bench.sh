#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmarks in Release (build-release/, or $QUILLANE_BENCH_DIR)
# and runs one per performance target, each repeated
# $QUILLANE_BENCH_REPETITIONS times (default 20).  Prints the benchmarks'
# own reports, then one line per target: median, fastest and slowest
# repetition of the wall-clock time, and the target.  Extra arguments go to
# every benchmark program (for example --benchmark_filter=WholeFit).
#
# No display is needed: the viewer draws offscreen.  The machine should be
# otherwise idle; figures taken while other work runs are only indications.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLANE_BENCH_DIR:-$root/build-release}
repetitions=${QUILLANE_BENCH_REPETITIONS:-20}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# The viewer's benchmarks need the front end (Qt); QUILLANE_BENCH_FRONTEND=OFF
# leaves them out.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLANE_BUILD_TESTS=OFF \
  -DQUILLANE_BUILD_BENCH=ON -DQUILLANE_BUILD_FRONTEND="${QUILLANE_BENCH_FRONTEND:-ON}" >/dev/null
programs=(fit_bench read_bench column_bench assessment_bench)
known=$(ninja -C "$build" -t targets all)
for p in plot_draw_bench batch_bench program_read_bench; do
  grep -q "^$p:" <<<"$known" && programs+=("$p")
done
ninja -C "$build" -j2 "${programs[@]}"

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
for p in "${programs[@]}"; do
  "$build/bin/$p" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_color=false "$@" | tee "$results/$p.txt"
done

# benchmark, label, target in ms ("" for figures without a target).
targets=(
  "BM_WholeFit/threads:0|Full-capacity fit_allB, report to a file (default threads)|20"
  "BM_WholeFit/threads:1|  the same on 1 thread|"
  "BM_WholeFit/threads:2|  the same on 2 threads|"
  "BM_Differentiation|  of which differentiation (50 x 2048 points, span 50, cubic)|"
  "BM_MatchingAllPairs|  of which matching 2450 ordered pairs with the report|"
  "BM_ReadFiftyScanFiles|Reading 50 files of 2048 points through getdatar|25"
  "BM_FindColumns|Solution columns of 50 simulated scans of 2048 points|50"
  "BM_Assessment|Equilibrium assessment of 50 scans of 2048 points|50"
  "BM_DrawCapacityOpenSymbols|Viewer drawing 204,800 points at 1200x900, open symbols|100"
  "BM_DrawCapacityFilledSymbols|Viewer drawing 204,800 points at 1200x900, filled symbols|100"
  "BM_BatchTwelveExamplesWithPngImages|quillane-batch, twelve examples, PNG images, start to exit|1500"
  "BM_RunnerReadsFiftyInterferenceFiles|The runner reading 50 interference files of 2048 points|"
  "BM_ProgramReadsFiftyInterferenceFiles|  the program reading them, window offscreen (<= 2 x runner)|"
)
echo
echo "Wall-clock times in ms over $repetitions repetitions:"
printf '%-66s %9s %9s %9s %9s\n' "" median min max target
# The reports' lines read "name/real_time_median   12.3 ms   4.5 ms  20 counters".
cat "$results"/*.txt | awk -v list="$(printf '%s\n' "${targets[@]}")" '
  BEGIN { n = split(list, lines, "\n")
          for (i = 1; i <= n; i++) { split(lines[i], f, "|"); key[i] = f[1]; label[i] = f[2]; limit[i] = f[3] } }
  /^BM_/ && $3 == "ms" {
            for (i = 1; i <= n; i++)
              for (s = 1; s <= 3; s++) {
                stat = s == 1 ? "median" : (s == 2 ? "min" : "max")
                if ($1 == key[i] "/real_time_" stat) value[i, stat] = $2
              }
          }
  END { for (i = 1; i <= n; i++) if ((i, "median") in value)
          printf "%-66s %9.2f %9.2f %9.2f %9s\n", label[i], value[i, "median"], value[i, "min"], value[i, "max"], limit[i] == "" ? "" : "<= " limit[i] }'
# The program's reading against the runner's, medians.
awk '$1 == "BM_RunnerReadsFiftyInterferenceFiles/real_time_median" { r = $2 }
     $1 == "BM_ProgramReadsFiftyInterferenceFiles/real_time_median" { p = $2 }
     END { if (r > 0 && p > 0) printf "Program reading / runner reading: %.2f (target <= 2)\n", p / r }' \
  "$results"/*.txt
# The fit's counters: heap allocations inside the pair loop, the heap a
# whole fit takes at its peak, the process's peak resident memory.
echo "Counters of the fit:"
grep -h '_median' "$results/fit_bench.txt" 2>/dev/null | grep -E 'MatchingAllPairs|WholeFit' |
  awk '{ name = $1; sub(/\/real_time_median/, "", name); line = ""
         for (i = 2; i <= NF; i++) if ($i ~ /^(allocs_in_pair_loop|fit_heap_peak_MB|process_peak_rss_MB|threads)=/) line = line " " $i
         printf "  %-36s%s\n", name, line }' || true
