// SPDX-License-Identifier: MIT
// Fuzzes the results for other tools: three scan files whose names are any
// bytes (not UTF-8, quotes, commas, line breaks) and whose values come from
// the input are read, fitted and assessed through the session, and the CSV
// and JSON are written.  The JSON must parse and its file_bytes give back
// every name exactly; the CSV must parse as RFC 4180 with one row per
// compared ordered pair, every row as wide as the header, and name the
// files byte for byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fuzz_session.h"
#include "fuzz_support.h"
#include "results.h"
#include "scan_header.h"
#include "session.h"

namespace {

using quillane::fuzz::linked_exports;
using quillane::fuzz::require;
using quillane::session::Session;

std::string percent_decoded(const std::string &text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// RFC 4180 records: fields split at commas outside quotes, "" inside quotes
// a quote; records end at CR LF or LF outside quotes.
std::vector<std::vector<std::string>> parse_csv(const std::string &text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string &field = rows.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            require(field.empty(), "a CSV quote in the middle of a field");
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            if (c == '\r') ++i;
            rows.emplace_back(1);
        } else {
            field += c;
        }
    }
    require(!quoted, "a CSV field is not closed");
    if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
    return rows;
}

std::string scan_text(FuzzedDataProvider &in, int k) {
    std::string text = "Named cell\nR 1 20.0 12000 " + std::to_string(7200 * k) + " 1.0E09 280\n";
    const int points = in.ConsumeIntegralInRange(0, 60);
    const double scale = std::pow(10.0, in.ConsumeIntegralInRange(-3, 11));
    for (int i = 0; i < points; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%.4f %.6g\n", 6.0 + 0.01 * i,
                      scale * (1.0 + 0.01 * i + 0.001 * in.ConsumeIntegral<int8_t>()));
        text += line;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const std::string folder = quillane::fuzz::scratch_folder();
    static const std::string report = folder + "/report.txt";
    static const std::string plot = folder + "/plot.dat";
    namespace fs = std::filesystem;

    FuzzedDataProvider in(data, size);
    std::vector<std::string> files;
    for (int k = 1; k <= 3; ++k) {
        std::string name = in.ConsumeRandomLengthString(80);
        std::erase(name, '/');
        std::erase(name, '\0');
        // Distinct names, a number in front; the extension behind keeps a
        // trailing blank (never part of a name the library takes) away.
        name = std::to_string(k) + name + ".RA1";
        files.push_back(folder + "/" + name);
        FILE *f = std::fopen(files.back().c_str(), "wb");
        require(f != nullptr, "cannot write a scan file in the scratch folder");
        const std::string text = scan_text(in, k);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }

    Session session(linked_exports());
    std::string error;
    require(session.create_report(report, error), "cannot create the report");
    session.set_plot_file(plot);
    session.initialise(false);
    const auto read = session.read_and_select(files, {1, 2, 3});
    if (read.done) {
        const int32_t span = in.ConsumeIntegralInRange(3, 10);
        (void)session.set_differ_parms(span, 1);
        (void)session.fit(session.suggested_reference());
    }
    quillane::session::Assessment assessment;
    const bool assessed = read.done && session.assess(false, &assessment).done;

    const auto run = nlohmann::json::parse(
        quillane::session::results_json(session, assessed ? &assessment : nullptr));
    const auto &sets = run.at("sets");
    for (const auto &set : sets) {
        const int data_set = set.at("data_set").get<int>();
        require(data_set >= 1 && data_set <= 3, "a set of the JSON is no data set read");
        require(percent_decoded(set.at("file_bytes").get<std::string>()) ==
                    files[static_cast<size_t>(data_set - 1)],
                "file_bytes does not give back the file's name");
    }
    const auto rows = parse_csv(quillane::session::results_csv(session));
    require(!rows.empty(), "the CSV lacks its header row");
    for (const auto &row : rows)
        require(row.size() == rows[0].size(), "a CSV row is not as wide as the header");
    for (size_t r = 1; r < rows.size(); ++r) {
        const int ref = std::stoi(rows[r][0]), cmp = std::stoi(rows[r][2]);
        require(ref >= 1 && ref <= 3 && cmp >= 1 && cmp <= 3 && ref != cmp,
                "a CSV row names no ordered pair");
        require(rows[r][1] == files[static_cast<size_t>(ref - 1)] &&
                    rows[r][3] == files[static_cast<size_t>(cmp - 1)],
                "a CSV row does not name its files byte for byte");
    }
    require(rows.size() - 1 == run.at("pairs").size(), "the CSV and the JSON differ in pairs");
    for (const std::string &f : files)
        fs::remove(f);
    fs::remove(plot);
    return 0;
}
