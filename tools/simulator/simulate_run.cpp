// SPDX-License-Identifier: MIT
// simulate_run: writes a simulated run folder and its truth beside it
// (FOLDER.truth.json).  See README.md in this folder.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>

#include "instrument_sim.h"

namespace {

quillane::sim::Centerpiece centerpiece_of(const std::string &name) {
    return name == "two" ? quillane::sim::Centerpiece::two_channel
                         : quillane::sim::Centerpiece::six_channel;
}

std::string truth_path_of(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder + ".truth.json";
}

int write_velocity(const CLI::App &app, const std::string &folder, uint64_t seed,
                   const std::vector<std::string> &cells, const std::vector<double> &speeds,
                   int scans, quillane::sim::VelocitySetup setup) {
    setup.seed = seed;
    if (app.count("--scans") > 0) setup.scans = scans;
    if (app.count("--speeds") > 0) setup.rpm = speeds.front();
    if (app.count("--cells") > 0) {
        try {
            setup.cell = std::stoi(cells.front());
        } catch (const std::exception &) {
            std::cerr << "simulate_run: --cells wants a cell number, not " << cells.front() << "\n";
            return 2;
        }
    }
    const quillane::sim::VelocitySeries series = quillane::sim::simulate_velocity_series(setup);
    std::string error;
    if (!quillane::sim::write_velocity_series(folder, series, error)) {
        std::cerr << "simulate_run: " << error << "\n";
        return 1;
    }
    const std::string truth_path = truth_path_of(folder);
    std::ofstream out(truth_path, std::ios::binary | std::ios::trunc);
    out << quillane::sim::velocity_truth_json(setup, series.truth);
    out.close();
    if (!out) {
        std::cerr << "simulate_run: cannot write " << truth_path << "\n";
        return 1;
    }
    std::cout << "simulate_run: seed " << seed << ", " << series.scans.size()
              << " velocity scan files in " << folder << ", truth in " << truth_path << "\n";
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    CLI::App app{"Writes a simulated ultracentrifuge run folder and its truth (FOLDER.truth.json)"};
    std::string folder;
    uint64_t seed = 1;
    std::vector<std::string> cells{"1:six", "2:two"};
    std::vector<double> speeds{10000.0, 14000.0};
    std::vector<double> wavelengths{280.0, 260.0, 230.0};
    int scans = 6;
    double interval_h = 3.0;
    std::vector<double> taus{6.0};
    quillane::sim::RunSpec setup;
    quillane::sim::WriteStyle style;
    bool no_sd = false;
    bool velocity = false;
    quillane::sim::VelocitySetup velocity_setup;
    app.add_option("folder", folder, "the run folder to write (created)")->required();
    app.add_option("--seed", seed, "seed of every random draw");
    app.add_option("--cells", cells, "cells as NUMBER:six or NUMBER:two")->delimiter(',');
    app.add_option("--speeds", speeds, "rotor speeds in rpm, run one after the other")
        ->delimiter(',');
    app.add_option("--wavelengths", wavelengths, "wavelengths in nm, interleaved")->delimiter(',');
    app.add_option("--scans", scans, "scans per series")->check(CLI::Range(1, 10000));
    app.add_option("--interval-h", interval_h, "hours between the scans of a series")
        ->check(CLI::Range(0.01, 1000.0));
    app.add_option("--tau-h", taus, "relaxation time per speed, hours (the last one repeats)")
        ->delimiter(',')
        ->check(CLI::Range(0.01, 10000.0));
    app.add_option("--noise", setup.noise_od, "point noise of the smoothest column, OD");
    app.add_option("--late-drift-from", setup.late_drift_from,
                   "share of each series after which scans drift (1: none)")
        ->check(CLI::Range(0.0, 1.0));
    app.add_flag("--no-sd", no_sd, "write no third column (replicate SD)");
    bool real = false;
    app.add_flag("--real", real,
                 "every shape real runs show: meniscus dips, noise growing with absorbance, "
                 "replicate SDs as real cells give them, wide and weak meniscus pairs, lamp "
                 "and position jitter");
    app.add_option("--loading", setup.loading_factor,
                   "loading of every channel as a multiple of the usual (0.125 at 30000 rpm "
                   "leaves depleted columns)")
        ->check(CLI::Range(0.001, 100.0));
    app.add_option("--chunks", style.chunks, "write each scan file in this many pieces")
        ->check(CLI::Range(1, 1000));
    app.add_option("--chunk-pause-ms", style.chunk_pause_ms, "pause between the pieces")
        ->check(CLI::Range(0, 600000));
    app.add_option("--header-first-ms", style.header_first_ms,
                   "write the two header lines first and wait this long")
        ->check(CLI::Range(0, 600000));
    app.add_option("--scan-pause-ms", style.scan_pause_ms, "pause between one file and the next")
        ->check(CLI::Range(0, 600000));
    app.add_flag("--velocity", velocity,
                 "a sedimentation velocity series (interference, one cell) instead of a run; "
                 "takes --seed, --scans, and the first of --cells and --speeds when given");
    app.add_option("--s-svedberg", velocity_setup.s_svedberg,
                   "velocity: sedimentation coefficient, S")
        ->check(CLI::Range(0.1, 1000.0));
    app.add_option("--d-cm2-per-s", velocity_setup.d_cm2_per_s,
                   "velocity: diffusion coefficient, cm^2/s")
        ->check(CLI::Range(1e-9, 1e-4));
    app.add_option("--interval-s", velocity_setup.interval_s, "velocity: seconds between scans")
        ->check(CLI::Range(1.0, 86400.0));
    CLI11_PARSE(app, argc, argv);
    if (velocity) return write_velocity(app, folder, seed, cells, speeds, scans, velocity_setup);

    setup.seed = seed;
    setup.replicate_sd = !no_sd;
    if (real) {
        setup.real.meniscus_dip = true;
        setup.real.noise_with_absorbance = true;
        setup.real.sd_gradient = true;
        setup.real.wide_weak_menisci = true;
        setup.lamp_jitter = true;
    }
    setup.wavelengths_nm = wavelengths;
    setup.cells.clear();
    for (const std::string &c : cells) {
        const auto colon = c.find(':');
        quillane::sim::CellSpec cell;
        try {
            cell.cell = std::stoi(c.substr(0, colon));
        } catch (const std::exception &) {
            std::cerr << "simulate_run: --cells wants NUMBER:six or NUMBER:two, not " << c << "\n";
            return 2;
        }
        cell.centerpiece = centerpiece_of(colon == std::string::npos ? "six" : c.substr(colon + 1));
        setup.cells.push_back(cell);
    }
    setup.speeds.clear();
    for (size_t i = 0; i < speeds.size(); ++i)
        setup.speeds.push_back({speeds[i], scans, interval_h, taus[std::min(i, taus.size() - 1)]});

    std::string error;
    const quillane::sim::RunTruth truth = quillane::sim::write_run(folder, setup, style, error);
    if (!error.empty()) {
        std::cerr << "simulate_run: " << error << "\n";
        return 1;
    }
    const std::string truth_path = truth_path_of(folder);
    std::ofstream out(truth_path, std::ios::binary | std::ios::trunc);
    out << quillane::sim::truth_json(truth);
    out.close();
    if (!out) {
        std::cerr << "simulate_run: cannot write " << truth_path << "\n";
        return 1;
    }
    std::cout << "simulate_run: seed " << seed << ", " << truth.files.size() << " scan files in "
              << folder << ", truth in " << truth_path << "\n";
    return 0;
}
