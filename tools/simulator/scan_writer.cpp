// SPDX-License-Identifier: MIT
// Scan files as the instrument writes them: whole, header first, or in
// pieces with pauses between them.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "instrument_sim.h"

namespace quillane::sim {
namespace {

bool write_text(const std::filesystem::path &path, const std::string &text, std::string &error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

}  // namespace

std::string header_text(const Scan &scan) {
    char line[160];
    // The time zero-padded to seven digits and omega^2 t with four
    // decimals, as the instrument writes them.
    std::snprintf(line, sizeof line, "%c %d %.1f %.0f %07.0f %.4E %.0f %d\r\n",
                  scan.interference ? 'P' : 'R', scan.cell, scan.temperature_c, scan.rpm,
                  scan.time_s, scan.omega2t, scan.wavelength_nm, scan.scan_number);
    return scan.description + "\r\n" + line;
}

std::string scan_text(const Scan &scan) {
    std::string text = header_text(scan);
    text.reserve(text.size() + scan.points.size() * 24);
    char line[96];
    for (const Point &p : scan.points) {
        if (scan.has_sd)
            std::snprintf(line, sizeof line, "%.4f %.5f %.5f\r\n", p.r, p.value, p.sd);
        else
            std::snprintf(line, sizeof line, "%.4f %.5f\r\n", p.r, p.value);
        text += line;
    }
    return text;
}

bool write_scan(const std::filesystem::path &path, const Scan &scan, std::string &error) {
    return write_text(path, scan_text(scan), error);
}

bool write_header_only(const std::filesystem::path &path, const Scan &scan, std::string &error) {
    return write_text(path, header_text(scan), error);
}

bool write_in_chunks(const std::filesystem::path &path, const std::string &text, int chunks,
                     int pause_ms, std::string &error) {
    if (chunks < 1) chunks = 1;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const size_t size = text.size();
    for (int c = 0; c < chunks && out; ++c) {
        const size_t from = size * static_cast<size_t>(c) / static_cast<size_t>(chunks);
        const size_t to = size * static_cast<size_t>(c + 1) / static_cast<size_t>(chunks);
        out.write(text.data() + from, static_cast<std::streamsize>(to - from));
        out.flush();
        if (c + 1 < chunks && pause_ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
    }
    out.close();
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

}  // namespace quillane::sim
