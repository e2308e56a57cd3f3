// SPDX-License-Identifier: MIT
#include "results.h"

#include "hours_format.h"

#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace quillane::session {

namespace {

using nlohmann::json;

// The shortest text that reads back as the same double, locale-free.
std::string number(double v) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

std::string csv_field(const std::string &text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

// Names as the caller gave them; bytes that are not UTF-8 are replaced when
// the whole is written (see results_json), so the JSON stays readable.
json name(const std::string &text) {
    return json(text);
}

// The same name without loss, for finding the file again: printable ASCII
// as it is, every other byte and '%' itself as %XX (upper-case hex), so
// that percent-decoding (Python's urllib.parse.unquote_to_bytes) gives the
// exact bytes.
json name_bytes(const std::string &text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != '%') {
            escaped += ch;
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 0xF];
        }
    }
    return json(escaped);
}

const char *const kFitKinds[3] = {"no offsets", "y-offset", "y- and position offsets"};

// Calls visit(i, j, result) for every ordered pair the fit compared,
// reference set i first.
template <typename Visit>
void for_each_pair(const Session &s, Visit visit) {
    const int n = s.active_count();
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (i == j) continue;
            const PairResult r = s.pair_result(i, j);
            if (r.status != QUILLANE_PAIR_NOT_COMPARED) visit(i, j, r);
        }
    }
}

}  // namespace

std::string results_csv(const Session &s) {
    std::string text =
        "reference_set,reference_file,compared_set,compared_file,reference_time_s,"
        "compared_time_s,points,variance_no_offsets,rms_no_offsets,y_offset_no_offsets,"
        "variance_y_offset,rms_y_offset,y_offset_y_offset,variance_both_offsets,"
        "rms_both_offsets,y_offset_both_offsets,position_offset,f_critical\r\n";
    for_each_pair(s, [&](int i, int j, const PairResult &r) {
        std::string row = std::to_string(i) + "," + csv_field(s.active_file_name(i)) + "," +
                          std::to_string(j) + "," + csv_field(s.active_file_name(j)) + "," +
                          number(s.active_set(i).time_s) + "," + number(s.active_set(j).time_s) +
                          "," + std::to_string(r.points);
        for (int k = 0; k < 3; ++k) {
            // Without a position fit its fields are left empty, not 0.
            const bool known = k < 2 || r.status == QUILLANE_PAIR_COMPARED;
            for (double v : {r.variance[k], r.rms[k], r.y_offset[k]})
                row += "," + (known ? number(v) : std::string());
        }
        row += "," + (r.status == QUILLANE_PAIR_COMPARED ? number(r.x_offset) : std::string());
        row += "," + number(r.f_critical);
        text += row + "\r\n";
    });
    return text;
}

std::string scans_csv(const Session &s, const Assessment *a) {
    const int n = s.active_count();
    // The latest scan by time; of equal times the last in the selection.
    int latest = 0;
    for (int k = 1; k <= n; ++k)
        if (latest == 0 || s.active_set(k).time_s >= s.active_set(latest).time_s) latest = k;
    const bool reached = a && a->verdict.status == VerdictStatus::reached && a->verdict.scan >= 1;
    const double from_s = reached ? s.active_set(a->verdict.scan).time_s : 0.0;
    std::string text =
        "set,data_set,file,time_s,time_h,points,noise,noise_dof,rms_from_latest,latest,"
        "at_equilibrium\r\n";
    for (int k = 1; k <= n; ++k) {
        const ActiveSetFacts facts = s.active_set(k);
        std::string row = std::to_string(k) + "," + std::to_string(facts.data_set) + "," +
                          csv_field(s.active_file_name(k)) + "," + number(facts.time_s) + "," +
                          number(facts.time_s / kSecondsPerHour) + "," +
                          std::to_string(facts.points);
        const bool noise_known =
            a && k <= static_cast<int>(a->noise.size()) && a->noise[k - 1].dof > 0;
        row += "," + (noise_known ? number(a->noise[k - 1].sigma) : std::string());
        row += "," + (noise_known ? std::to_string(a->noise[k - 1].dof) : std::string());
        const PairResult r = k == latest ? PairResult{} : s.pair_result(latest, k);
        row += "," + (k == latest                              ? std::string("0")
                      : r.status != QUILLANE_PAIR_NOT_COMPARED ? number(r.rms[0])
                                                               : "");
        row += std::string(",") + (k == latest ? "1" : "0");
        row += "," + (a ? std::string(reached && facts.time_s >= from_s ? "1" : "0") : "");
        text += row + "\r\n";
    }
    return text;
}

std::string results_json(const Session &s, const Assessment *a) {
    json run;
    const Limits limits = s.limits();
    const DifferParms parms = s.differ_parms();
    const AssessmentSettings settings = s.assessment_settings();
    run["program"] = {{"name", "quillane"}, {"version", Session::program_version()}};
    run["settings"] = {
        {"position_variable", s.xi_mode() ? "xi" : "r"},
        {"position_unit", s.xi_mode() ? "cm^2" : "cm"},
        {"limits", {limits.low, limits.high}},
        {"span", parms.span},
        {"degree", parms.terms},
        {"reference_set", s.fit_reference()},
        {"confidence_percent", settings.confidence},
        {"exact_f", settings.exact_f},
        {"minimum_block_s", settings.block_s},
        {"tolerance", settings.tolerance},
    };
    json files = json::array(), files_bytes = json::array();
    for (int d = 1; d <= s.data_set_count(); ++d) {
        files.push_back(name(s.file_name(d)));
        files_bytes.push_back(name_bytes(s.file_name(d)));
    }
    run["files"] = files;
    run["files_bytes"] = files_bytes;

    json sets = json::array();
    for (int k = 1; k <= s.active_count(); ++k) {
        const ActiveSetFacts facts = s.active_set(k);
        json set = {{"set", k},
                    {"data_set", facts.data_set},
                    {"file", name(s.active_file_name(k))},
                    {"file_bytes", name_bytes(s.active_file_name(k))},
                    {"time_s", facts.time_s},
                    {"points", facts.points},
                    {"noise", nullptr},
                    {"noise_dof", nullptr}};
        if (a && k <= static_cast<int>(a->noise.size()) && a->noise[k - 1].dof > 0) {
            set["noise"] = a->noise[k - 1].sigma;
            set["noise_dof"] = a->noise[k - 1].dof;
        }
        sets.push_back(set);
    }
    run["sets"] = sets;

    json pairs = json::array();
    // A pair without a position fit has no kind-3 values: that kind is
    // averaged over the pairs that have them.
    std::array<double, 3> sum_var{}, sum_rms{};
    std::array<int, 3> compared{};
    for_each_pair(s, [&](int i, int j, const PairResult &r) {
        json fits = json::array();
        for (int k = 0; k < 3; ++k) {
            const bool known = k < 2 || r.status == QUILLANE_PAIR_COMPARED;
            fits.push_back({{"kind", k + 1},
                            {"name", kFitKinds[k]},
                            {"variance", known ? json(r.variance[k]) : json(nullptr)},
                            {"rms", known ? json(r.rms[k]) : json(nullptr)},
                            {"y_offset", known ? json(r.y_offset[k]) : json(nullptr)}});
            if (!known) continue;
            sum_var[k] += r.variance[k];
            sum_rms[k] += r.rms[k];
            ++compared[k];
        }
        pairs.push_back({{"reference_set", i},
                         {"compared_set", j},
                         {"reference_time_s", s.active_set(i).time_s},
                         {"compared_time_s", s.active_set(j).time_s},
                         {"points", r.points},
                         {"fits", fits},
                         {"position_offset",
                          r.status == QUILLANE_PAIR_COMPARED ? json(r.x_offset) : json(nullptr)},
                         {"f_critical", r.f_critical}});
    });
    run["pairs"] = pairs;
    json averages = json::array();
    for (int k = 0; k < 3; ++k)
        if (compared[k] > 0)
            averages.push_back({{"kind", k + 1},
                                {"name", kFitKinds[k]},
                                {"pairs", compared[k]},
                                {"variance", sum_var[k] / compared[k]},
                                {"rms", sum_rms[k] / compared[k]}});
    run["averages"] = averages;

    json equilibrium = {{"reached", false}, {"scan", nullptr}, {"time_s", nullptr}};
    json forecast = {{"tau_s", nullptr},
                     {"tau_error_s", nullptr},
                     {"equilibrium_time_s", nullptr},
                     {"interval_s", nullptr}};
    if (!a) {
        equilibrium["text"] = "not assessed";
        forecast["reason"] = "not assessed";
    } else {
        const Verdict &v = a->verdict;
        equilibrium["reached"] = v.status == VerdictStatus::reached;
        if (v.status == VerdictStatus::reached) {
            equilibrium["scan"] = v.scan;
            equilibrium["time_s"] = v.time_s;
            equilibrium["block_s"] = v.block_s;
        }
        equilibrium["text"] = v.text;
        auto comparison = [](Comparison kind) {
            switch (kind) {
                case Comparison::no_offsets:
                    return json("no offsets");
                case Comparison::both_offsets:
                    return json("both offsets");
                case Comparison::scale_factor:
                    return json("scale factor");
                case Comparison::none:
                    break;
            }
            return json(nullptr);
        };
        equilibrium["decided_by"] = comparison(v.decided_by);
        equilibrium["block_scans"] = v.block_scans;
        equilibrium["too_few_scans"] = v.too_few;
        equilibrium["no_offset_rms"] =
            v.decided_by != Comparison::none ? json(v.no_offset_rms) : json(nullptr);
        equilibrium["breaking_scan"] = v.breaking_scan > 0 ? json(v.breaking_scan) : json(nullptr);
        equilibrium["broken_by"] = comparison(v.broken_by);
        json drift = json::array();
        for (const Drift &d : v.drift)
            drift.push_back({{"first_scan", d.first_scan},
                             {"last_scan", d.last_scan},
                             {"baseline", d.baseline},
                             {"radial_cm", d.radial_cm}});
        equilibrium["drift"] = drift;
        equilibrium["notes"] = v.notes;
        if (a->pooled.dof > 0) run["noise"] = {{"sigma", a->pooled.sigma}, {"dof", a->pooled.dof}};
        const Forecast &f = a->forecast;
        if (f.made) {
            forecast = {{"tau_s", f.tau_s},
                        {"tau_error_s", f.tau_error_s},
                        {"equilibrium_time_s", f.equilibrium_time_s},
                        {"interval_s", {f.interval_low_s, f.interval_high_s}},
                        {"amplitude", f.amplitude},
                        {"threshold", f.threshold},
                        {"pairs", f.pairs}};
            if (f.one_sided) forecast["interval_s"] = {f.interval_low_s, nullptr};
        } else {
            forecast["reason"] = f.reason;
        }
        forecast["one_sided"] = f.one_sided;
        forecast["not_before_s"] =
            f.one_sided && f.interval_low_s > 0.0 ? json(f.interval_low_s) : json(nullptr);
        forecast["floor_s"] = f.floor_s > 0.0 ? json(f.floor_s) : json(nullptr);
        forecast["jitter"] = f.jitter;
    }
    run["equilibrium"] = equilibrium;
    run["forecast"] = forecast;
    return run.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string summary_csv(const std::vector<SummaryRow> &rows) {
    const auto hours = [](const std::optional<double> &s) {
        return s ? number(*s / kSecondsPerHour) : std::string();
    };
    const auto value = [](const auto &v) { return v ? number(*v) : std::string(); };
    std::string text =
        "series,name,cell,speed_rpm,wavelength_nm,scans,scans_in_series,columns,verdict,reached,"
        "t_eq_h,t_eq_low_h,t_eq_high_h,noise,last_scan_h\r\n";
    for (const SummaryRow &r : rows) {
        std::string columns;
        for (const std::string &c : r.columns)
            columns += (columns.empty() ? "" : "; ") + c + " " + r.column_unit;
        std::optional<double> t_eq, low, high;
        if (r.forecast) {
            t_eq = r.forecast->equilibrium_time_s;
            low = r.forecast->interval_low_s;
            if (!r.forecast->one_sided) high = r.forecast->interval_high_s;
        }
        text += std::to_string(r.number) + "," + csv_field(r.name) + "," +
                (r.cell ? std::to_string(*r.cell) : std::string()) + "," + value(r.speed_rpm) +
                "," + value(r.wavelength_nm) + "," + std::to_string(r.scans) + "," +
                std::to_string(r.scans_in_series) + "," + csv_field(columns) + "," +
                csv_field(r.verdict) + "," + (r.reached ? "1" : "0") + "," + hours(t_eq) + "," +
                hours(low) + "," + hours(high) + "," + value(r.noise) + "," + hours(r.last_scan_s) +
                "\r\n";
    }
    return text;
}

}  // namespace quillane::session
