// SPDX-License-Identifier: MIT
// Fuzzes the viewer's plot-file reader: any text must give a point count
// that matches the points returned and stays within the viewer's capacity,
// finite points, and progress reports that only rise to 100 percent.  The
// same PlotData is read into twice, as the viewer reuses it.
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "plot_file_reader.h"

using quillane::fuzz::require;
namespace plotfile = quillane::plotfile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static plotfile::PlotData reused;
    const std::string text(reinterpret_cast<const char *>(data), size);
    for (int pass = 0; pass < 2; ++pass) {
        std::istringstream in(text);
        int shown = 0;
        const plotfile::ReadStatus status = plotfile::read_plot_file(in, reused, [&](int percent) {
            require(percent > shown && percent <= 100, "progress went back or beyond 100");
            shown = percent;
        });
        require(reused.count >= 0 && reused.count <= plotfile::kMaxViewerPoints,
                "the point count lies outside the viewer's capacity");
        require(static_cast<size_t>(reused.count) == reused.points.size(),
                "the point count differs from the points returned");
        require((status == plotfile::ReadStatus::no_data) == (reused.count == 0),
                "the status and the count disagree");
        for (const plotfile::PlotPoint &p : reused.points)
            require(std::isfinite(p.x) && std::isfinite(p.y), "a point is not finite");
        (void)reused.marked_for_deletion();
    }
    return 0;
}
