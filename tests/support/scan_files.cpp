// SPDX-License-Identifier: MIT
#include "scan_files.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace quillane::test_support {

namespace {

// Numbers as the instruments write them: no locale, enough digits.
std::string number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

}  // namespace

std::string scan_text(const Scan &scan) {
    std::string text = scan.description + "\r\n";
    if (scan.time)
        text += "R " + std::to_string(scan.cell) + " 20.0 " + number(scan.speed_rpm) + " " +
                number(*scan.time) + " 1.0E+10 " + number(scan.wavelength_nm) + " 1\r\n";
    for (const ScanPoint &p : scan.points) {
        text += number(p.position) + " " + number(p.value);
        if (p.error) text += " " + number(*p.error);
        text += "\r\n";
    }
    return text;
}

std::vector<ScanPoint> points_on(double r0, double dr, int n,
                                 const std::function<double(double)> &value) {
    std::vector<ScanPoint> points;
    for (int i = 0; i < n; ++i) {
        const double r = r0 + dr * i;
        points.push_back({r, value(r), std::nullopt});
    }
    return points;
}

Scan exponential_scan(int k, int points, double growth) {
    Scan scan;
    scan.description = "Scratch cell, scan " + std::to_string(k);
    scan.time = 3600.0 * k;
    scan.points = points_on(6.0, 0.008, points, [&](double r) {
        return 0.1 * std::exp(2.0 * (r * r / 2 - 18.0)) * (1.0 + growth * k);
    });
    for (ScanPoint &p : scan.points)
        p.error = 0.005;
    return scan;
}

Scan settled_scan(int k) {
    Scan scan;
    scan.description = "Settled cell, scan " + std::to_string(k);
    scan.time = 3600.0 * k;
    std::mt19937 rng(static_cast<unsigned>(k) * 7919u + 1u);
    std::normal_distribution<double> noise(0.0, 0.005);
    scan.points = points_on(6.0, 0.008, 120,
                            [](double r) { return 0.3 * std::exp(0.2 * (r * r / 2 - 18.0)); });
    for (ScanPoint &p : scan.points) {
        p.value += noise(rng);
        p.error = 0.005;
    }
    return scan;
}

Scan small_scan(int number) {
    Scan scan;
    scan.description = "Scan " + std::to_string(number) + " of a test cell";
    scan.time = 600.0 * number;
    for (int i = 0; i < 60; ++i)
        scan.points.push_back({6.0 + 0.01 * i, 0.1 * i + number, std::nullopt});
    return scan;
}

std::string write_file(const std::filesystem::path &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path.string();
}

std::string read_file(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

ScratchFolder::ScratchFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("quillane-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ScratchFolder::write_scan(const std::string &name, const Scan &scan) const {
    return write_file(path_ / name, scan_text(scan));
}

}  // namespace quillane::test_support
