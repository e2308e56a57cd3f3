#include "workflow.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "plot_keeper.h"

namespace batch {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxFiles = 50;
constexpr int kMinActive = 3;
constexpr int32_t kListBoxHandle = 1;
constexpr int32_t kListBoxLines = 25;
// Full range of the radius as the library searches it, for the report's limits.
constexpr double kRadiusLow = 5.6;
constexpr double kRadiusHigh = 7.4;

// ---- the list box: every line goes to standard output ----
int32_t g_lines = 0;
void add_string(int32_t, const char *line) {
    std::string text(line);
    text.erase(text.find_last_not_of(' ') + 1);
    std::printf("%s\n", text.c_str());
    ++g_lines;
}
int32_t get_count(int32_t) {
    return g_lines;
}
void set_top_index(int32_t, int32_t) {}
void update(int32_t) {
    std::fflush(stdout);
}
int32_t dispatch_pending(int32_t) {
    return 0;
}
const quillane_listbox_ops kListBox{add_string, get_count, set_top_index, update, dispatch_pending};

std::vector<int> active_sets(const Options &o) {
    if (!o.active.empty()) return o.active;
    std::vector<int> all;
    for (int k = 1; k <= static_cast<int>(o.files.size()); ++k)
        all.push_back(k);
    return all;
}

// The report starts with the program's two heading lines; the library
// appends the rest.
bool create_report(const std::string &path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << " "
        << "Quillane V0.99  "
        << "\r\n"
        << " Current Revision V"
        << "0.99.0039 "
        << "\r\n";
    return static_cast<bool>(out.flush());
}

// The front end's record of the active sets, in the report and the log.
void log_active_sets(const Options &o, const std::vector<int> &active) {
    std::ofstream out(o.report, std::ios::binary | std::ios::app);
    for (size_t k = 0; k < active.size(); ++k) {
        const std::string line = " Orig.DS# " + std::to_string(active[k]) +
                                 " :: " + o.files[active[k] - 1] + " is active DS#" +
                                 std::to_string(k + 1) + ".";
        out << line << "\r\n";
        std::printf("%s\n", line.c_str());
    }
}

}  // namespace

int check_inputs(const Options &o, std::string &error) {
    if (o.files.empty()) {
        error = "no scan files given";
        return kExitUsage;
    }
    if (static_cast<int>(o.files.size()) > kMaxFiles) {
        error = "at most 50 scan files can be read; " + std::to_string(o.files.size()) + " given";
        return kExitUsage;
    }
    for (const std::string &f : o.files) {
        std::error_code ec;
        if (!fs::is_regular_file(f, ec) || ::access(f.c_str(), R_OK) != 0) {
            error = "cannot read the scan file " + f;
            return kExitFailed;
        }
    }
    const std::vector<int> active = active_sets(o);
    const int n = static_cast<int>(o.files.size());
    std::set<int> seen;
    for (int k : active) {
        if (k < 1 || k > n || !seen.insert(k).second) {
            error = "--active: " + std::to_string(k) + " is not one of the data sets 1.." +
                    std::to_string(n) + " (or is named twice)";
            return kExitUsage;
        }
    }
    if (static_cast<int>(active.size()) < kMinActive) {
        error =
            "at least 3 active data sets are needed; " + std::to_string(active.size()) + " active";
        return kExitUsage;
    }
    if (o.ref != 0 && (o.ref < 1 || o.ref > static_cast<int>(active.size()))) {
        error = "--ref must be an active set number 1.." + std::to_string(active.size());
        return kExitUsage;
    }
    return kExitOk;
}

int run_workflow(const Options &o, const Api &api, std::vector<KeptPlot> &plots,
                 std::string &error) {
    if (!create_report(o.report)) {
        error = "cannot create the report " + o.report;
        return kExitFailed;
    }
    PlotKeeper keeper(o.plots_dir);
    if (!keeper.prepare(error)) return kExitFailed;

    api.init_lbsink(&kListBox);
    const int32_t handle = kListBoxHandle, lines = kListBoxLines;
    api.init_lbhandle(&handle, &lines);
    api.init_namwr(o.report.data(), static_cast<int32_t>(o.report.size()));
    const std::string plot_file = keeper.plot_file();
    api.setplotfile(plot_file.data(), static_cast<int32_t>(plot_file.size()));
    const int32_t echo = o.echo ? -1 : 0;
    api.initcommons(&echo);
    const int32_t keep = 0;
    api.set_plotsave(&keep);

    for (size_t i = 0; i < o.files.size(); ++i) {
        const int32_t n = static_cast<int32_t>(i + 1);
        api.getdatar(o.files[i].data(), static_cast<int32_t>(o.files[i].size()), &n);
    }
    const std::vector<int> active = active_sets(o);
    log_active_sets(o, active);
    int32_t table[kMaxFiles] = {};
    std::copy(active.begin(), active.end(), table);
    const int32_t n_active = static_cast<int32_t>(active.size());
    api.setredir(table, &n_active);

    if (o.radius) {
        const double radius = 0.0;
        api.set_x_var(&radius);
        api.setxirange(&kRadiusLow, &kRadiusHigh);
    }
    int32_t span = 0, points = 0, terms = 0;
    api.get_differ_parms(&span, &points, &terms);
    if (o.span || o.terms) {
        span = o.span.value_or(span);
        terms = o.terms.value_or(terms);
        api.set_differ_parms(&span, &terms);
    }

    api.find_smallest_range();
    api.TRANSFER_DATA();
    if (o.limits) {
        api.setxirange(&o.limits->first, &o.limits->second);
        int32_t ok = 0;
        api.set_lim_indices_vb(&ok);
        if (ok == 0) {
            error = "the limits " + std::to_string(o.limits->first) + " .. " +
                    std::to_string(o.limits->second) + " leave a data set with no more than " +
                    std::to_string(span) + " points (the differentiation span)";
            return kExitFailed;
        }
        api.TRANSFER_DATA();
    }
    api.get_differ_parms(&span, &points, &terms);
    if (points <= span)
        std::fprintf(stderr,
                     "quillane-batch: warning: an active set has %d points inside the limits, "
                     "not more than the span of %d\n",
                     points, span);

    // Like the program, the last active set is the reference unless one is named.
    const int32_t ref = o.ref != 0 ? o.ref : static_cast<int32_t>(active_sets(o).size());
    api.fit_allB(&ref);

    // Data plots of every active set together.
    std::vector<int32_t> list(kMaxFiles + 1, 0);
    list[0] = n_active;
    for (int32_t k = 1; k <= n_active; ++k)
        list[k] = k;
    const char *data_kinds[] = {"", "values against position", "slopes against position",
                                "slopes against value"};
    for (int32_t kind = 1; kind <= 3; ++kind) {
        api.put_plotlist(list.data());
        const int32_t all = -1;
        api.GENERIC_PLOT(&kind, &all);
        keeper.keep(std::string("data plot: ") + data_kinds[kind] + ", all active sets", plots);
    }

    // Result graphs with every fit kind; deviations of every set but the
    // reference; positions at the quartiles of the limits.
    const int32_t choices[3] = {-1, -1, -1};
    const int32_t no_log = 0;
    api.setrchoice(choices, &no_log);
    std::vector<int32_t> others(kMaxFiles + 1, 0);
    for (int32_t k = 1; k <= n_active; ++k)
        if (k != ref) others[++others[0]] = k;
    api.put_plotlist(others.data());
    double lo = 0.0, hi = 0.0;
    api.getxirange(&lo, &hi);
    double xs[10] = {lo + 0.25 * (hi - lo), lo + 0.5 * (hi - lo), lo + 0.75 * (hi - lo)};
    const int32_t n_xs = 3;
    api.set_xs_to_plot(xs, &n_xs);
    const char *graphs[] = {"",
                            "result graph: RMS deviations against time",
                            "result graph: variances against time",
                            "result graph: deviations against position",
                            "result graph: deviations against time at chosen positions",
                            "result graph: position offsets against time"};
    for (int32_t kind = 1; kind <= 5; ++kind) {
        api.plot_result_graphs(&kind, &ref);
        keeper.keep(graphs[kind], plots);
    }
    return kExitOk;
}

}  // namespace batch
