// SPDX-License-Identifier: MIT
// Fuzzes the header exports against the reader: one input is a scan file;
// quillane_scan_header reads its time line without storing anything,
// getdatar reads it as a data set, and quillane_data_set_header hands back
// what getdatar kept.  The two must agree fact for fact, the facts must be
// plausible (as the header promises), and the time fact must be the set's
// time whenever one is known.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "quillane.h"
#include "state.h"

namespace {

using quillane::fuzz::MemoryFile;
using quillane::fuzz::require;

void check_facts(const int32_t *known, const double *facts) {
    for (int i = 0; i < QUILLANE_HEADER_FACTS; ++i) {
        require(known[i] >= -1 && known[i] <= 1, "a fact's state is out of range");
        require(known[i] == 1 || facts[i] == 0.0, "a fact that is not known is not 0");
        require(std::isfinite(facts[i]), "a fact is not finite");
    }
    if (known[0] == 1)
        require(facts[0] >= 1 && facts[0] <= 999 && facts[0] == std::floor(facts[0]),
                "an implausible cell number is known");
    if (known[2] == 1) require(facts[2] > 0, "a speed of 0 or less is known");
    if (known[3] == 1) require(std::fabs(facts[3]) <= 1e30, "a time beyond the bound is known");
    if (known[4] == 1) require(facts[4] >= 0, "a negative omega^2 t is known");
    if (known[5] == 1) require(facts[5] > 0, "a wavelength of 0 or less is known");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static MemoryFile report("report");
    static MemoryFile scan("scan");
    scan.set(std::string_view(reinterpret_cast<const char *>(data), size));
    report.clear();
    init_lbsink(&quillane::fuzz::checking_list_box());
    init_namwr(report.path().data(), static_cast<int32_t>(report.path().size()));
    const int32_t echo = 0;
    initcommons(&echo);

    int32_t status = -2, known[QUILLANE_HEADER_FACTS] = {};
    double facts[QUILLANE_HEADER_FACTS] = {};
    quillane_scan_header(scan.path().data(), static_cast<int32_t>(scan.path().size()), &status,
                         known, facts);
    if (status == -1) {
        // The one reason a memory file cannot be read: it is not a scan.
        char text[300];
        int32_t length = 0;
        quillane_last_error(text, sizeof text, &length);
        require(std::string(text, static_cast<size_t>(std::min<int32_t>(length, sizeof text)))
                        .find("so this is not a scan file") != std::string::npos,
                "a memory file's header cannot be read");
    }
    require(status >= -1 && status <= 1, "a header state out of range");
    check_facts(known, facts);

    const int32_t n = 1;
    getdatar(scan.path().data(), static_cast<int32_t>(scan.path().size()), &n);
    int32_t set_status = -2, set_known[QUILLANE_HEADER_FACTS] = {};
    double set_facts[QUILLANE_HEADER_FACTS] = {};
    quillane_data_set_header(&n, &set_status, set_known, set_facts);
    const quillane::State &s = quillane::global_state();
    // A file that is not a scan (a line beyond any scan's) keeps no header
    // in the set either; otherwise the two readings agree.
    if (s.set_point_count[1] > 0 || status == set_status) {
        require(set_status == status, "the set's header and the file's differ in the time line");
        for (int i = 0; i < QUILLANE_HEADER_FACTS; ++i) {
            require(set_known[i] == known[i], "the set's header and the file's differ in a state");
            require(set_facts[i] == facts[i], "the set's header and the file's differ in a fact");
        }
    }
    const double time = s.set_time[1];
    require(std::isfinite(time) && std::fabs(time) <= 1e30, "the set's time is beyond its bound");
    if (set_known[3] == 1) require(time == set_facts[3], "the time fact is not the set's time");
    const int32_t absent = 2;
    quillane_data_set_header(&absent, &set_status, set_known, set_facts);
    require(set_status == -1, "a data set not read has a header");
    return 0;
}
