// SPDX-License-Identifier: MIT
#include "session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <set>

#include "files.h"
#include "library_files.h"
#include "run_listing.h"
#include "session_internal.h"

namespace quillane::session {

using internal::file_exists;
using internal::whole_text;

const char *const kTooFewActiveSets = "At Least 3 Datasets MUST Be Active!  Fitting is Disabled!";
const char *const kLimitsRemoveAllData = "Error Setting Data Limits! This would remove all data.";

const char *const kNoFit = "There are no fit results yet: fit the data first.";
const char *const kStaleFit =
    "The results of the last fit no longer match the data: the active sets, the data limits, "
    "the position variable, the fringe numbers or the differentiation parameters have changed "
    "since.  Fit the data again first.";

namespace {

// Values passed to the library as flags.
constexpr int32_t kTrue = -1;
constexpr int32_t kFalse = 0;

bool null_report(const std::string &path) {
    return path.empty() || path == "NUL" || path == "/dev/null";
}

// The list handed to put_plotlist: count, then the sets.
std::array<int32_t, kMaxDataSets + 1> plot_list(const std::vector<int> &sets) {
    std::array<int32_t, kMaxDataSets + 1> list{};
    for (int set : sets) {
        if (list[0] >= kMaxDataSets) break;
        list[static_cast<size_t>(++list[0])] = set;
    }
    return list;
}

}  // namespace

std::string limits_outside_text(double low, double high, Limits range, bool xi) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "The limits %g .. %g %s hold no data: the points read lie from %g to %g %s.", low,
                  high, limits_unit(xi), range.low, range.high, limits_unit(xi));
    return text;
}

Session::Session(const Exports &library) : lib_(library) {}

std::string Session::program_title() {
    char text[32];
    std::snprintf(text, sizeof text, "Quillane V%d.%02d", QUILLANE_VERSION_MAJOR,
                  QUILLANE_VERSION_MINOR);
    return text;
}

std::string Session::program_version() {
    return built_version();
}

std::vector<std::string> Session::banner_lines() {
    std::string title = program_title();
    title.resize(16, ' ');
    std::string version = program_version();
    version.resize(10, ' ');
    return {" " + title, " Current Revision V" + version};
}

Outcome Session::refused(const std::string &why) const {
    Outcome o;
    o.done = false;
    o.refusal = why;
    return o;
}

namespace {}  // namespace

// Collects what the library reported as failed by the call just made.
void Session::check(Outcome &outcome) const {
    std::string text = whole_text([this](char *buffer, int32_t room, int32_t *length) {
        lib_.quillane_last_error(buffer, room, length);
    });
    if (!text.empty()) outcome.errors.push_back(std::move(text));
}

void Session::post(const std::string &line) const {
    if (!has_list_) return;
    list_ops_.add_string(list_context_, line.c_str());
    const int32_t count = list_ops_.get_count(list_context_);
    if (count > visible_lines_) list_ops_.set_top_index(list_context_, count - visible_lines_);
    list_ops_.update(list_context_);
}

// ---- start-up ----

void Session::attach_list_box(const quillane_listbox_ctx_ops &ops, void *context,
                              int visible_lines) {
    list_ops_ = ops;
    list_context_ = context;
    visible_lines_ = visible_lines;
    has_list_ = true;
    lib_.init_lbsink_ctx(&list_ops_, list_context_);
    const int32_t handle = 0, lines = visible_lines;
    lib_.init_lbhandle(&handle, &lines);
}

bool Session::create_report(const std::string &path, std::string &error) {
    if (!null_report(path)) {
        // The rule of every output (files.h): a device is written to as it
        // is, anything else but a file is refused, never replaced or waited
        // on (opening a pipe nobody reads would never return).
        const std::optional<OutputTarget> where = output_target(path, error);
        if (!where) return false;
        const int emptied = where->kind == OutputKind::file ? O_CREAT | O_TRUNC : 0;
        const int fd = ::open(path.c_str(), O_WRONLY | emptied | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0) {
            error = "Cannot create the report " + path + ": " + std::strerror(errno);
            return false;
        }
        ::close(fd);
        std::string banner;
        for (const std::string &line : banner_lines())
            banner += line + "\r\n";
        const std::string why = append_to_file(path, banner);
        if (!why.empty()) {
            error = "Cannot write the report " + path + ": " + why;
            return false;
        }
    }
    report_path_ = path;
    lib_.init_namwr(path.data(), static_cast<int32_t>(path.size()));
    return true;
}

void Session::mute_report(bool muted) {
    static const std::string kNoReport = "NUL";
    const std::string &name = muted || report_path_.empty() ? kNoReport : report_path_;
    lib_.init_namwr(name.data(), static_cast<int32_t>(name.size()));
}

void Session::set_plot_file(const std::string &path) {
    plot_file_ = path;
    lib_.setplotfile(path.data(), static_cast<int32_t>(path.size()));
}

// The library starts over with its start values, and so does the session:
// nothing read, nothing selected, no fit.
void Session::initialise(bool echo) {
    echo_ = echo;
    // initcommons puts the library back to deleting plot files once viewed.
    discard_plots_ = true;
    const int32_t flag = echo ? kTrue : kFalse;
    lib_.initcommons(&flag);
    files_.clear();
    active_.clear();
    xi_mode_ = true;
    limits_ = full_ = {};
    limits_mode_ = false;
    fit_reference_ = 0;
    fit_current_ = false;
    suggested_reference_ = 0;
    limits_chosen_ = false;
    file_times_.clear();
    fit_times_.clear();
    times_match_fit_ = true;
    numbered_times_ = false;
    times_undo_.reset();
}

Outcome Session::set_plot_save(bool discard) {
    Outcome o;
    discard_plots_ = discard;
    const int32_t flag = discard ? kTrue : kFalse;
    lib_.set_plotsave(&flag);
    check(o);
    return o;
}

// initcommons resets the options, the selection and the counts but keeps
// the point stores, times and limit indices: every one of them is written
// afresh by the next read (getdatar from data set 1, the selection, the
// limits), and the session forgets everything of the run it held, so
// nothing of the closed run reaches the next.
Outcome Session::close_run() {
    const bool discard = discard_plots_;
    initialise(echo_);
    // initcommons deletes plot files once viewed; only a choice to keep them
    // is given again (the library logs every change of it).
    return discard ? Outcome{} : set_plot_save(false);
}

std::string Session::library_version() const {
    return session::library_version(lib_);
}

std::string Session::library_file() const {
    return library_path(lib_);
}

// ---- data files and the active sets ----

const std::string &Session::file_name(int data_set) const {
    static const std::string none;
    if (data_set < 1 || data_set > data_set_count()) return none;
    return files_[static_cast<size_t>(data_set - 1)];
}

const std::string &Session::active_file_name(int k) const {
    static const std::string none;
    if (k < 1 || k > active_count()) return none;
    return file_name(active_[static_cast<size_t>(k - 1)]);
}

// " Orig.DS# 3 :: name is active DS#1." for every active set, to the report
// and the list, and the table of active sets to the library.
void Session::build_active_list(Outcome &outcome) {
    std::string text;
    for (size_t k = 0; k < active_.size(); ++k) {
        const std::string line = " Orig.DS# " + std::to_string(active_[k]) +
                                 " :: " + file_name(active_[k]) + " is active DS#" +
                                 std::to_string(k + 1) + ".";
        text += line + "\r\n";
        post(line);
    }
    if (!text.empty() && !null_report(report_path_)) {
        const std::string why = append_to_file(report_path_, text);
        if (!why.empty())
            outcome.errors.push_back("Cannot add the list of active data sets to the report " +
                                     report_path_ + ": " + why);
    }
    std::array<int32_t, kMaxDataSets> table{};
    std::copy(active_.begin(), active_.end(), table.begin());
    const int32_t count = active_count();
    lib_.setredir(table.data(), &count);
}

Outcome Session::add_to_report(const std::vector<std::string> &lines) {
    Outcome o;
    std::string text;
    for (const std::string &line : lines) {
        text += " " + line + "\r\n";
        post(" " + line);
    }
    if (!text.empty() && !null_report(report_path_)) {
        const std::string why = append_to_file(report_path_, text);
        if (!why.empty())
            o.errors.push_back("Cannot add to the report " + report_path_ + ": " + why);
    }
    return o;
}

// Hands the selection to the library and rebuilds the active store at the
// full range; the last active set becomes the reference set to offer.
void Session::install_selection(Outcome &outcome, const std::vector<int> &active) {
    active_ = active;
    build_active_list(outcome);
    suggested_reference_ = active_count();
    lib_.find_smallest_range();
    lib_.TRANSFER_DATA();
    check(outcome);
    invalidate_fit();
}

// Why `active` cannot be the selection among `sets` data sets read, or
// nothing: at least 3, each one of those read, none twice.
std::string Session::selection_refusal(int sets, const std::vector<int> &active) {
    if (static_cast<int>(active.size()) < kMinActiveSets) return kTooFewActiveSets;
    std::set<int> seen;
    for (int d : active)
        if (d < 1 || d > sets || !seen.insert(d).second)
            return "The active sets must be distinct data sets of those read.";
    return {};
}

std::string point_store_cut(const FileOutcome &file) {
    if (file.points_not_read <= 0) return {};
    const std::string store = "The point store (" + std::to_string(QUILLANE_MAX_POINTS) +
                              " points for all scans together) is full: ";
    const long total = static_cast<long>(file.points) + file.points_not_read;
    if (file.points == 0)
        return store + "none of the " + std::to_string(total) + " points of " + file.name +
               " could be read";
    return store + file.name + " kept " + std::to_string(file.points) + " of its " +
           std::to_string(total) + " points; its last " + std::to_string(file.points_not_read) +
           " were not read";
}

Outcome Session::read_and_select(const std::vector<std::string> &files,
                                 const std::vector<int> &active,
                                 std::vector<FileOutcome> *outcomes) {
    if (files.empty() || static_cast<int>(files.size()) > kMaxDataSets)
        return refused("Between 1 and " + std::to_string(kMaxDataSets) +
                       " scan files can be read.");
    if (const std::string why = selection_refusal(static_cast<int>(files.size()), active);
        !why.empty())
        return refused(why);

    // Files that are no scans are told apart before the library sees them;
    // the data sets and the selection are numbered without them.
    std::vector<std::string> scans;
    std::vector<int> data_set_of(files.size() + 1, 0);
    std::vector<FileOutcome> refused_files;
    for (size_t i = 0; i < files.size(); ++i) {
        if (const std::string why = not_a_scan(files[i]); !why.empty()) {
            FileOutcome file{files[i], 0, not_a_scan_text(files[i], why), true};
            refused_files.push_back(file);
            continue;
        }
        scans.push_back(files[i]);
        data_set_of[i + 1] = static_cast<int>(scans.size());
    }
    std::vector<int> selection;
    for (int d : active)
        if (d >= 1 && d <= static_cast<int>(files.size()) &&
            data_set_of[static_cast<size_t>(d)] > 0)
            selection.push_back(data_set_of[static_cast<size_t>(d)]);
    if (!refused_files.empty()) {
        if (const std::string why = selection_refusal(static_cast<int>(scans.size()), selection);
            !why.empty()) {
            std::string text = why;
            for (const FileOutcome &f : refused_files)
                text += "\n" + f.error;
            return refused(text);
        }
    }

    if (files_read()) close_run();
    Outcome o;
    files_.clear();
    file_times_.clear();
    numbered_times_ = false;
    times_undo_.reset();
    limits_chosen_ = false;
    size_t next_refused = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (data_set_of[i + 1] == 0) {
            if (outcomes) outcomes->push_back(refused_files[next_refused]);
            ++next_refused;
            continue;
        }
        const int32_t n = data_set_of[i + 1];
        lib_.getdatar(files[i].data(), static_cast<int32_t>(files[i].size()), &n);
        FileOutcome file{files[i], 0, {}};
        Outcome read;
        check(read);
        if (!read.errors.empty()) file.error = read.errors.front();
        double time = 0.0;
        int32_t points = 0;
        lib_.quillane_data_set_info(&n, &points, &time);
        file.points = points;
        lib_.quillane_data_set_points_not_read(&n, &file.points_not_read);
        file_times_.push_back(time);
        // A cut is never silent, and a file the full store left empty is not
        // said to hold no points.
        if (const std::string cut = point_store_cut(file); !cut.empty()) {
            read.errors.push_back(cut);
            if (file.points == 0) file.error = cut;
        }
        if (file.points == 0 && file.error.empty()) file.error = "no data points in " + files[i];
        o.errors.insert(o.errors.end(), read.errors.begin(), read.errors.end());
        if (outcomes) outcomes->push_back(file);
        files_.push_back(files[i]);
        if (read_progress_) read_progress_(static_cast<int>(i + 1), static_cast<int>(files.size()));
    }
    install_selection(o, selection);
    double low = 0.0, high = 0.0;
    lib_.getxirange(&low, &high);
    limits_ = {low, high};
    // The full range is where the points lie, also past the library's
    // default range, which the limits start at: "Full Range" reaches every
    // point read.
    const Limits read = range_read();
    full_ = read.low < read.high ? read : limits_;
    return o;
}

Limits Session::range_read() const {
    std::vector<int32_t> all(static_cast<size_t>(data_set_count()));
    std::iota(all.begin(), all.end(), 1);
    return range_of_sets(all);
}

Limits Session::range_of_sets(const std::vector<int32_t> &data_sets) const {
    Limits range;
    bool any = false;
    for (int32_t n : data_sets) {
        double low = 0.0, high = 0.0;
        lib_.quillane_data_set_range(&n, &low, &high);
        if (low == 0.0 && high == 0.0) continue;
        range.low = any ? std::min(range.low, low) : low;
        range.high = any ? std::max(range.high, high) : high;
        any = true;
    }
    return range;
}

Outcome Session::select(const std::vector<int> &active) {
    if (!files_read()) return refused("No scan files have been read yet.");
    if (const std::string why = selection_refusal(data_set_count(), active); !why.empty())
        return refused(why);
    Outcome o;
    // Times set to the set numbers belong to the selection they were made
    // for: the new one starts from the times read from the files.
    if (numbered_times_) restore_file_times(o);
    // The selection in force again changes nothing else: the fit holds.
    if (active == active_) return o;
    times_undo_.reset();
    lib_.setxirange(&full_.low, &full_.high);
    install_selection(o, active);
    apply_limits(o);
    return o;
}

// ---- data limits and the position variable ----

void Session::apply_limits(Outcome &outcome) {
    lib_.setxirange(&limits_.low, &limits_.high);
    check(outcome);
    int32_t ok = 0;
    lib_.set_lim_indices_vb(&ok);
    lib_.TRANSFER_DATA();
    check(outcome);
    // The library asks it of every set read; only the active sets are fitted,
    // so a short scan of another series, say, is no reason for a warning.
    // With every set read active, the library's answer stands.
    outcome.span_ok =
        ok == QUILLANE_LIMITS_OK || (active_count() < data_set_count() && span_check().fits);
    invalidate_fit();
}

Outcome Session::set_limits(double low, double high) {
    if (!files_read()) return refused("No scan files have been read yet.");
    if (!(low < high) || !std::isfinite(low) || !std::isfinite(high))
        return refused(kLimitsRemoveAllData);
    if (high < full_.low || low > full_.high)
        return refused(limits_outside_text(low, high, full_, xi_mode_));
    Outcome o;
    limits_chosen_ = true;
    // The store is always built at the limits in force: the same limits
    // again change nothing, and the fit stays as current as it was.
    if (low == limits_.low && high == limits_.high) return o;
    limits_ = {low, high};
    apply_limits(o);
    return o;
}

Outcome Session::set_limits_in(double low, double high, bool in_xi) {
    return set_limits(convert_position(low, in_xi, xi_mode_),
                      convert_position(high, in_xi, xi_mode_));
}

Outcome Session::set_lower_limit(double value) {
    if (!(limits_.high > value)) return refused(kLimitsRemoveAllData);
    return set_limits(value, limits_.high);
}

Outcome Session::set_upper_limit(double value) {
    if (!(limits_.low < value)) return refused(kLimitsRemoveAllData);
    return set_limits(limits_.low, value);
}

Outcome Session::set_position_variable(bool xi) {
    Outcome o;
    if (xi == xi_mode_) {
        o.done = false;
        return o;
    }
    auto convert = [xi](double v) { return convert_position(v, !xi, xi); };
    for (double *v : {&limits_.low, &limits_.high, &full_.low, &full_.high})
        *v = convert(*v);
    xi_mode_ = xi;
    const double choice = xi ? -1.0 : 0.0;
    lib_.set_x_var(&choice);
    check(o);
    if (files_read()) {
        apply_limits(o);  // checks, and makes the fit stale
        return o;
    }
    lib_.setxirange(&limits_.low, &limits_.high);
    check(o);
    invalidate_fit();
    return o;
}

// ---- scan times, fringes, differentiation ----

std::vector<double> Session::times() const {
    std::vector<double> t(kMaxDataSets, 0.0);
    lib_.get_times(t.data());
    return t;
}

Outcome Session::set_times(const std::vector<double> &times, const std::string &what) {
    return change_times(this->times(), times, what);
}

Outcome Session::change_times(const std::vector<double> &before, const std::vector<double> &times,
                              const std::string &what) {
    // The library takes all 50; fewer given keep the others as they are.
    std::vector<double> all = times.size() >= kMaxDataSets ? times : before;
    std::copy_n(times.begin(), std::min(times.size(), all.size()), all.begin());
    all.resize(kMaxDataSets, 0.0);
    Outcome o;
    if (all == before) return o;  // the same times: nothing to change or undo
    // The fit's times are those in force until the first change after it.
    if (fit_current_ && fit_times_.empty()) fit_times_ = before;
    times_undo_ = TimesUndo{before, numbered_times_, what};
    numbered_times_ = false;
    write_times(all, o);
    return o;
}

Outcome Session::set_times_to_set_numbers() {
    const std::vector<double> before = times();
    std::vector<double> all = before;
    for (int k = 1; k <= active_count(); ++k)
        all[static_cast<size_t>(k - 1)] = k;
    Outcome o = change_times(before, all, "Set DS Time to DS Number");
    numbered_times_ = true;
    return o;
}

Outcome Session::undo_times() {
    if (!times_undo_) return refused("There is no change of the times to undo.");
    const TimesUndo undo = *times_undo_;
    times_undo_.reset();
    Outcome o;
    write_times(undo.times, o);
    numbered_times_ = undo.numbered;
    return o;
}

void Session::write_times(const std::vector<double> &all, Outcome &outcome) {
    lib_.set_times(all.data());
    check(outcome);
    const auto active = static_cast<std::ptrdiff_t>(std::min<size_t>(active_.size(), all.size()));
    times_match_fit_ =
        fit_times_.empty() || (fit_times_.size() >= static_cast<size_t>(active) &&
                               std::equal(all.begin(), all.begin() + active, fit_times_.begin()));
}

void Session::restore_file_times(Outcome &outcome) {
    std::vector<double> all = times();
    for (size_t k = 0; k < active_.size() && k < all.size(); ++k) {
        const int d = active_[k];
        if (d >= 1 && d <= static_cast<int>(file_times_.size()))
            all[k] = file_times_[static_cast<size_t>(d - 1)];
    }
    write_times(all, outcome);
    numbered_times_ = false;
}

Outcome Session::renumber_fringes() {
    Outcome o;
    lib_.renumber_fringes();
    check(o);
    // New values, the same points: the active store is rebuilt, and the
    // span was told about when the limits were set.
    apply_limits(o);
    o.span_ok = true;
    return o;
}

DifferParms Session::differ_parms() const {
    int32_t span = 0, points = 0, terms = 0;
    lib_.get_differ_parms(&span, &points, &terms);
    return {span, points, terms};
}

Outcome Session::set_differ_parms(int span, int terms) {
    if (terms < 1 || terms > 3) return refused("The polynomial must be of order 1, 2 or 3.");
    if (span < kMinSpan || span <= terms)
        return refused(
            "Each fit needs at least 3 points and more points than the order of "
            "the polynomial (" +
            std::to_string(span) + " points, order " + std::to_string(terms) + ").");
    Outcome o;
    const DifferParms now = differ_parms();
    if (span == now.span && terms == now.terms) return o;  // nothing changes: the fit holds
    const int32_t s = span, t = terms;
    lib_.set_differ_parms(&s, &t);
    check(o);
    invalidate_fit();
    return o;
}

// ---- plots ----

// A plot is ready when the library wrote its file: the library removes a
// plot it could not write whole, and refuses to replace a file that was
// there before the call, so a file that is new is a whole plot -- also when
// the same call failed to write the report, which is told in the errors
// but loses no plot.  The library writes no file, and says nothing, when
// the chosen sets hold fewer than two points inside the limits.
bool Session::plot_made(Outcome &outcome, bool existed_before) const {
    const size_t before = outcome.errors.size();
    check(outcome);
    if (existed_before) return false;
    if (file_exists(plot_file_)) return true;
    if (outcome.errors.size() == before)
        outcome.errors.push_back("No plot was made: there are too few points to draw.");
    return false;
}

Outcome Session::limits_plot(const ChooseSets &choose) {
    if (!files_read()) return refused("No scan files have been read yet.");
    Outcome o;
    // The sets are chosen first: a chooser closed without a choice leaves
    // the store, and with it the fit, as they were.
    const std::vector<int> sets = choose ? choose() : std::vector<int>{};
    if (sets.empty()) return o;
    // The plot shows every point: the library works at the full range
    // while it writes it, and the user's limits are put back afterwards.
    lib_.setxirange(&full_.low, &full_.high);
    build_active_list(o);
    int32_t ok = 0;
    lib_.set_lim_indices_vb(&ok);
    lib_.TRANSFER_DATA();
    check(o);
    invalidate_fit();

    const auto list = plot_list(sets);
    lib_.put_plotlist(list.data());
    const int32_t kind = 1, all = -1;
    const bool there = file_exists(plot_file_);
    lib_.GENERIC_PLOT(&kind, &all);
    o.plot_written = plot_made(o, there);
    if (o.plot_written) limits_mode_ = limits_chosen_ = true;
    build_active_list(o);
    apply_limits(o);
    return o;
}

Outcome Session::data_plot(int kind, const ChooseSets &choose) {
    if (kind < 1 || kind > 3)
        return refused("There is no data plot of kind " + std::to_string(kind));
    if (!files_read()) return refused("No scan files have been read yet.");
    if (kind != 1 && !fit_current()) return refused(fitted() ? kStaleFit : kNoFit);
    const std::vector<int> sets = choose ? choose() : std::vector<int>{};
    Outcome o;
    if (sets.empty()) return o;
    const auto list = plot_list(sets);
    lib_.put_plotlist(list.data());
    const int32_t k = kind, all = -1;
    const bool there = file_exists(plot_file_);
    lib_.GENERIC_PLOT(&k, &all);
    o.plot_written = plot_made(o, there);
    if (o.plot_written) limits_mode_ = false;
    return o;
}

// ---- the fit and its graphs ----

Outcome Session::fit(int reference) {
    if (active_count() < kMinActiveSets) return refused(kTooFewActiveSets);
    if (reference < 1 || reference > active_count())
        return refused("The reference set must be one of the active sets 1.." +
                       std::to_string(active_count()) + ".");
    Outcome o;
    const int32_t ref = reference;
    lib_.fit_allB(&ref);
    check(o);
    fit_reference_ = reference;
    suggested_reference_ = reference;
    fit_current_ = true;
    fit_times_.clear();
    times_match_fit_ = true;
    return o;
}

Outcome Session::result_graph(const GraphRequest &r) {
    const int32_t kind = static_cast<int32_t>(r.kind);
    if (kind < QUILLANE_GRAPH_RMS || kind > QUILLANE_GRAPH_OFFSETS)
        return refused("There is no result graph of kind " + std::to_string(kind));
    if (!fitted()) return refused(kNoFit);
    if (!fit_current()) return refused(kStaleFit);
    // Graphs against time may take any reference set: the fit keeps every
    // ordered pair.  The deviations exist only for the fit's own reference.
    const bool against_time =
        r.kind == GraphKind::rms || r.kind == GraphKind::variance || r.kind == GraphKind::offsets;
    const int reference = against_time && r.reference != 0 ? r.reference : fit_reference_;
    if (reference < 1 || reference > active_count())
        return refused("The reference set must be one of the active sets 1.." +
                       std::to_string(active_count()) + ".");
    if (r.kind == GraphKind::deviations_vs_time &&
        (r.positions.empty() || static_cast<int>(r.positions.size()) > kMaxPlotPositions))
        return refused("Between 1 and " + std::to_string(kMaxPlotPositions) +
                       " positions are needed for this graph.");
    if (r.kind == GraphKind::deviations_vs_position && r.sets.empty())
        return refused("No data sets were chosen for this graph.");
    Outcome o;
    const int32_t choices[3] = {r.fit_kinds[0] ? kTrue : kFalse, r.fit_kinds[1] ? kTrue : kFalse,
                                r.fit_kinds[2] ? kTrue : kFalse};
    const int32_t use_log = r.logarithms ? 1 : 0;
    if (r.kind == GraphKind::deviations_vs_time) {
        std::array<double, kMaxPlotPositions> xs{};
        std::copy(r.positions.begin(), r.positions.end(), xs.begin());
        const int32_t count = static_cast<int32_t>(r.positions.size());
        lib_.set_xs_to_plot(xs.data(), &count);
    }
    if (r.kind != GraphKind::offsets) lib_.setrchoice(choices, &use_log);
    if (r.kind == GraphKind::deviations_vs_position) {
        const auto list = plot_list(r.sets);
        lib_.put_plotlist(list.data());
    }
    const int32_t ref = reference;
    const bool there = file_exists(plot_file_);
    lib_.plot_result_graphs(&kind, &ref);
    o.plot_written = plot_made(o, there);
    if (o.plot_written) limits_mode_ = false;
    return o;
}

PairResult Session::pair_result(int reference, int compared) const {
    PairResult r;
    const int32_t ref = reference, cmp = compared;
    int32_t status = 0, points = 0;
    lib_.quillane_pair_result(&ref, &cmp, &status, &points, r.variance.data(), r.rms.data(),
                              r.y_offset.data(), &r.x_offset, &r.f_critical);
    r.status = status;
    r.points = points;
    return r;
}

ActiveSetFacts Session::active_set(int k) const {
    ActiveSetFacts facts;
    const int32_t set = k;
    int32_t data_set = 0, points = 0;
    lib_.quillane_active_set(&set, &data_set, &facts.time_s, &points);
    facts.data_set = data_set;
    facts.points = points;
    return facts;
}

void Session::tick_round(float lo, float hi, float &out_lo, float &out_hi, int &intervals) const {
    int32_t n = 0;
    lib_.tkrnd2(&lo, &hi, &out_lo, &out_hi, &n);
    intervals = n;
}

}  // namespace quillane::session
