// SPDX-License-Identifier: MIT
// A whole run: several cells, speeds one after the other and interleaved
// wavelengths, written into one folder as the instrument names its files.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <thread>

#include "../example_random.h"
#include "cell_layout.h"
#include "instrument_sim.h"

namespace quillane::sim {
namespace {

// Late drift, drawn per series: a baseline step of 0.01-0.02 OD (either
// sign: lamp or detector) and a radial shift of 0.01-0.02 cm outward (rotor
// stretch).
constexpr double kStepLow = 0.01, kStepHigh = 0.02;
constexpr double kShiftLow = 0.01, kShiftHigh = 0.02;

struct Planned {
    int series;
    int scan;
    double time_s;
};

}  // namespace

RunTruth plan_run(const RunSpec &setup) {
    RunTruth truth;
    double clock_h = 0.0;
    double omega2t = 0.0;
    double previous_rpm = 0.0;
    for (const SpeedSpec &speed : setup.speeds) {
        int slot = 0;
        for (const CellSpec &cell : setup.cells) {
            for (double wl : setup.wavelengths_nm) {
                RunSeries rs;
                SeriesSetup &s = rs.setup;
                s.cell = cell.cell;
                s.centerpiece = cell.centerpiece;
                s.bases = cell.bases;
                s.rpm = speed.rpm;
                s.wavelength_nm = wl;
                s.speed_start_h = clock_h;
                s.start_h = setup.first_scan_h;
                s.interval_h = speed.interval_h;
                s.scans = speed.scans;
                s.tau_h = speed.tau_h;
                s.previous_rpm = previous_rpm;
                s.noise_od = setup.noise_od;
                s.replicate_sd = setup.replicate_sd;
                s.omega2t_at_speed_start = omega2t;
                s.time_offset_s = 60.0 * setup.file_gap_min * slot++;
                s.seed = setup.seed;
                s.real = setup.real;
                s.loading_factor = setup.loading_factor;
                if (setup.lamp_jitter) {
                    s.real.scale_jitter =
                        measured_scale_jitter(wl, setup.seed, cell.cell, speed.rpm);
                    s.real.radial_jitter_cm = kMeasuredRadialJitterCm;
                }
                const int from = static_cast<int>(std::ceil(setup.late_drift_from * speed.scans));
                if (from < speed.scans) {
                    examples::Random rng(stream_key(
                        setup.seed, {3.0, static_cast<double>(cell.cell), speed.rpm, wl}));
                    const double sign = rng.uniform() < 0.5 ? -1.0 : 1.0;
                    const double step = sign * (kStepLow + (kStepHigh - kStepLow) * rng.uniform());
                    const double shift = kShiftLow + (kShiftHigh - kShiftLow) * rng.uniform();
                    s.drift.baseline_od.assign(static_cast<size_t>(speed.scans), 0.0);
                    s.drift.radial_shift_cm.assign(static_cast<size_t>(speed.scans), 0.0);
                    for (int k = from; k < speed.scans; ++k) {
                        s.drift.baseline_od[static_cast<size_t>(k)] = step;
                        s.drift.radial_shift_cm[static_cast<size_t>(k)] = shift;
                    }
                }
                rs.truth = series_truth(s);
                truth.series.push_back(std::move(rs));
            }
        }
        // The next speed begins one interval after this one's last scan.
        const double length_h = setup.first_scan_h + speed.scans * speed.interval_h;
        const double omega = speed.rpm * M_PI / 30.0;
        omega2t += omega * omega * length_h * 3600.0;
        clock_h += length_h;
        previous_rpm = speed.rpm;
    }
    return truth;
}

RunTruth write_run(const std::filesystem::path &folder, const RunSpec &setup,
                   const WriteStyle &style, std::string &error) {
    RunTruth truth = plan_run(setup);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return truth;
    }
    std::vector<Series> made;
    std::vector<Planned> order;
    for (size_t i = 0; i < truth.series.size(); ++i) {
        made.push_back(simulate_series(truth.series[i].setup));
        for (size_t k = 0; k < made.back().scans.size(); ++k)
            order.push_back(
                {static_cast<int>(i), static_cast<int>(k), made.back().scans[k].time_s});
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Planned &a, const Planned &b) { return a.time_s < b.time_s; });

    std::vector<int> numbers;  // per cell, the last file number given
    auto next_number = [&](int cell) {
        if (static_cast<size_t>(cell) >= numbers.size()) numbers.resize(cell + 1, 0);
        return ++numbers[static_cast<size_t>(cell)];
    };
    for (const Planned &p : order) {
        const Scan &scan = made[static_cast<size_t>(p.series)].scans[static_cast<size_t>(p.scan)];
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA%d", next_number(scan.cell), scan.cell);
        truth.files.push_back({name, p.series});
        truth.series[static_cast<size_t>(p.series)].files.push_back(name);
        const std::filesystem::path path = folder / name;
        if (style.header_first_ms > 0) {
            if (!write_header_only(path, scan, error)) return truth;
            std::this_thread::sleep_for(std::chrono::milliseconds(style.header_first_ms));
        }
        if (!write_in_chunks(path, scan_text(scan), style.chunks, style.chunk_pause_ms, error))
            return truth;
        if (style.scan_pause_ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(style.scan_pause_ms));
    }
    // The instrument's log per cell: text with no time line, not a scan.
    for (const CellSpec &cell : setup.cells) {
        const std::string name = "CELL" + std::to_string(cell.cell) + "ABS.LOG";
        std::ofstream log(folder / name, std::ios::binary | std::ios::trunc);
        log << "Absorbance log of cell " << cell.cell << "\r\n";
        for (const RunFile &f : truth.files) {
            const SeriesSetup &s = truth.series[static_cast<size_t>(f.series)].setup;
            if (s.cell == cell.cell)
                log << "Scan " << f.name << ", " << s.rpm << " rpm, " << s.wavelength_nm
                    << " nm\r\n";
        }
        log.close();
        if (!log) {
            error = "cannot write " + (folder / name).string();
            return truth;
        }
        truth.other_files.push_back(name);
    }
    return truth;
}

}  // namespace quillane::sim
