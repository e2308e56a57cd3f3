// SPDX-License-Identifier: MIT
// The run's truth as JSON, for people and for scripts comparing answers.
#include <nlohmann/json.hpp>

#include "instrument_sim.h"

namespace quillane::sim {
namespace {

const char *shape_name(BaseShape b) {
    switch (b) {
        case BaseShape::dip_spike_shelf:
            return "dip_spike_shelf";
        case BaseShape::steep_fall:
            return "steep_fall";
        case BaseShape::spike_then_noise:
            return "spike_then_noise";
    }
    return "?";
}

}  // namespace

std::string truth_json(const RunTruth &truth) {
    nlohmann::ordered_json j;
    j["tolerance_rule"] =
        "t_eq(r) = speed_start_h + tau_h ln(|a(r)| / tolerance_od): the model's approach "
        "term has fallen to the tolerance; a series' t_eq_h is the latest over its columns";
    nlohmann::ordered_json series = nlohmann::ordered_json::array();
    for (const RunSeries &rs : truth.series) {
        const SeriesSetup &s = rs.setup;
        nlohmann::ordered_json e;
        e["cell"] = s.cell;
        e["centerpiece"] =
            s.centerpiece == Centerpiece::six_channel ? "six_channel" : "two_channel";
        e["rpm"] = s.rpm;
        e["wavelength_nm"] = s.wavelength_nm;
        e["speed_start_h"] = s.speed_start_h;
        e["interval_h"] = s.interval_h;
        e["tau_h"] = s.tau_h;
        e["noise_od"] = s.noise_od;
        e["tolerance_od"] = rs.truth.tolerance_od;
        e["t_eq_h"] = rs.truth.t_eq_h;
        e["baseline_drift_od"] = s.drift.baseline_od;
        e["radial_shift_cm"] = s.drift.radial_shift_cm;
        e["files"] = rs.files;
        nlohmann::ordered_json columns = nlohmann::ordered_json::array();
        for (const ChannelTruth &c : rs.truth.channels) {
            nlohmann::ordered_json col;
            col["reference_meniscus_cm"] = c.reference_meniscus;
            col["meniscus_cm"] = c.meniscus;
            col["base_cm"] = c.base;
            col["base_shape"] = shape_name(c.base_shape);
            col["noise_od"] = c.noise_od;
            col["t_eq_h"] = c.t_eq_h;
            col["radii_cm"] = c.radii;
            col["t_eq_h_at"] = c.t_eq_h_at;
            columns.push_back(std::move(col));
        }
        e["columns"] = std::move(columns);
        series.push_back(std::move(e));
    }
    j["series"] = std::move(series);
    j["other_files"] = truth.other_files;
    return j.dump(2) + "\n";
}

}  // namespace quillane::sim
