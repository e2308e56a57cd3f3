#include "workflow.h"

#include <cstdio>
#include <set>

#include "plot_keeper.h"

namespace batch {
namespace {

using quillane::session::GraphRequest;
using quillane::session::Outcome;
using quillane::session::Session;

constexpr int kMaxFiles = 50;
constexpr int kListBoxLines = 25;

std::vector<int> active_sets(const Options &o) {
    if (!o.active.empty()) return o.active;
    std::vector<int> all;
    for (int k = 1; k <= static_cast<int>(o.files.size()); ++k)
        all.push_back(k);
    return all;
}

void add_string(void *ctx, const char *line) {
    std::string text(line);
    text.erase(text.find_last_not_of(' ') + 1);
    std::printf("%s\n", text.c_str());
    ++static_cast<StdoutListBox *>(ctx)->lines;
}
int32_t get_count(void *ctx) {
    return static_cast<StdoutListBox *>(ctx)->lines;
}
void set_top_index(void *, int32_t) {}
void update(void *) {
    std::fflush(stdout);
}
int32_t dispatch_pending(void *) {
    return 0;
}

// Every failure an action met goes to standard error.
void tell(const Outcome &o) {
    for (const std::string &e : o.errors)
        std::fprintf(stderr, "quillane-batch: %s\n", e.c_str());
}

}  // namespace

const quillane_listbox_ctx_ops &StdoutListBox::operations() {
    static const quillane_listbox_ctx_ops ops{add_string, get_count, set_top_index, update,
                                              dispatch_pending};
    return ops;
}

int check_inputs(const Options &o, std::string &error) {
    if (o.files.empty()) {
        error = "no scan files given";
        return kExitUsage;
    }
    if (static_cast<int>(o.files.size()) > kMaxFiles) {
        error = "at most 50 scan files can be read; " + std::to_string(o.files.size()) + " given";
        return kExitUsage;
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
    if (static_cast<int>(active.size()) < quillane::session::kMinActiveSets) {
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

int run_workflow(const Options &o, Session &session, std::vector<KeptPlot> &plots,
                 std::string &error) {
    PlotKeeper keeper(o.plots_dir);
    static StdoutListBox list_box;
    session.attach_list_box(StdoutListBox::operations(), &list_box, kListBoxLines);
    if (!session.create_report(o.report, error)) return kExitFailed;
    if (!keeper.prepare(error)) return kExitFailed;
    session.set_plot_file(keeper.plot_file());
    session.initialise(o.echo);
    tell(session.set_plot_save(false));

    const std::vector<int> active = active_sets(o);
    std::vector<quillane::session::FileOutcome> files;
    Outcome read = session.read_and_select(o.files, active, &files);
    if (!read.done) {
        error = read.refusal;
        return kExitUsage;
    }
    for (const auto &f : files) {
        if (f.points > 0) continue;
        error = "cannot read the scan file " + f.name + ": " + f.error;
        return kExitFailed;
    }

    if (o.radius) tell(session.set_position_variable(false));
    if (o.span || o.terms) {
        const auto parms = session.differ_parms();
        const Outcome set =
            session.set_differ_parms(o.span.value_or(parms.span), o.terms.value_or(parms.terms));
        if (!set.done) {
            error = set.refusal;
            return kExitUsage;
        }
    }
    if (o.limits) {
        const Outcome limited = session.set_limits(o.limits->first, o.limits->second);
        tell(limited);
        if (!limited.done) {
            error = "--limits " + std::to_string(o.limits->first) + " " +
                    std::to_string(o.limits->second) + ": " + limited.refusal;
            return kExitUsage;
        }
        if (!limited.span_ok) {
            error = "the limits " + std::to_string(o.limits->first) + " .. " +
                    std::to_string(o.limits->second) + " leave a data set with no more than " +
                    std::to_string(session.differ_parms().span) +
                    " points (the differentiation span)";
            return kExitFailed;
        }
    }
    const auto parms = session.differ_parms();
    if (parms.points <= parms.span)
        std::fprintf(stderr,
                     "quillane-batch: warning: an active set has %d points inside the limits, "
                     "not more than the span of %d\n",
                     parms.points, parms.span);

    // Like the program, the last active set is the reference unless one is named.
    const int ref = o.ref != 0 ? o.ref : session.suggested_reference();
    tell(session.fit(ref));

    // Data plots of every active set together.
    const int n_active = session.active_count();
    const auto all = [n_active] {
        std::vector<int> sets;
        for (int k = 1; k <= n_active; ++k)
            sets.push_back(k);
        return sets;
    };
    const char *data_kinds[] = {"", "values against position", "slopes against position",
                                "slopes against value"};
    for (int kind = 1; kind <= 3; ++kind) {
        tell(session.data_plot(kind, all));
        keeper.keep(std::string("data plot: ") + data_kinds[kind] + ", all active sets", plots);
    }

    // Result graphs with every fit kind; deviations of every set but the
    // reference; positions at the quartiles of the limits.
    GraphRequest graph;
    graph.fit_kinds = {true, true, true};
    graph.reference = ref;
    for (int k = 1; k <= n_active; ++k)
        if (k != ref) graph.sets.push_back(k);
    const auto [lo, hi] = session.limits();
    graph.positions = {lo + 0.25 * (hi - lo), lo + 0.5 * (hi - lo), lo + 0.75 * (hi - lo)};
    const char *graphs[] = {"",
                            "result graph: RMS deviations against time",
                            "result graph: variances against time",
                            "result graph: deviations against position",
                            "result graph: deviations against time at chosen positions",
                            "result graph: position offsets against time"};
    for (int kind = 1; kind <= 5; ++kind) {
        graph.kind = kind;
        tell(session.result_graph(graph));
        keeper.keep(graphs[kind], plots);
    }
    return kExitOk;
}

}  // namespace batch
