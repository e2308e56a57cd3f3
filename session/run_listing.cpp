// SPDX-License-Identifier: MIT
#include "run_listing.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>

#include "hours_format.h"
#include "regular_file.h"
#include "session.h"

namespace quillane::session {

namespace {

namespace fs = std::filesystem;

std::string base_name(const std::string &path) {
    return fs::path(path).filename().string();
}

// Reads `file` a block at a time until a data line shows; the answer is the
// reason it is no scan, or empty.
std::string scan_test(int fd, const DataLineTest &data_line) {
    constexpr size_t kBlock = 64u << 10;
    std::vector<char> block(kBlock);
    std::string line;
    size_t seen = 0;
    while (seen < kScanTestBytes) {
        const ssize_t read = ::read(fd, block.data(), block.size());
        if (read < 0 && errno == EINTR) continue;
        if (read <= 0) break;
        const auto got = static_cast<size_t>(read);
        for (size_t i = 0; i < got; ++i) {
            const char c = block[i];
            // Text holds no NUL; pictures, archives and instrument
            // binaries soon do.
            if (c == '\0') return "binary content";
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (data_line(line)) return {};
                line.clear();
                continue;
            }
            if (line.size() == kLongestScanLine) return "a line longer than 65,536 characters";
            line.push_back(c);
        }
        seen += got;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && data_line(line)) return {};  // a last line without its end
    if (seen == 0) return "empty";
    if (seen >= kScanTestBytes) return "no data lines in its first 4 MB";
    return "no data lines";
}

// One file of a run: a scan with its header facts, or left out.
void take_file(const Session &session, const std::string &file, RunListing &run) {
    if (const std::string why = session.not_a_scan(file); !why.empty()) {
        run.left_out.push_back({file, not_a_scan_text(file, why), true});
        return;
    }
    ScanFacts facts = session.scan_header(file);
    if (!facts.opened) {
        run.left_out.push_back(
            {file, "cannot read the scan file " + base_name(file) + ": " + facts.error, false});
        return;
    }
    run.scans.push_back(std::move(facts));
}

std::string names_from_to(const std::vector<int> &kept, const std::vector<ScanFacts> &facts) {
    if (kept.empty()) return {};
    const auto name = [&facts](int i) {
        return i >= 1 && i <= static_cast<int>(facts.size())
                   ? base_name(facts[static_cast<size_t>(i - 1)].file)
                   : std::string();
    };
    return kept.size() == 1 ? name(kept.front()) : name(kept.front()) + " ... " + name(kept.back());
}

std::string left_out_head(size_t left, size_t all) {
    return std::to_string(left) + " of the " + std::to_string(all) +
           " scans of this series were left out: ";
}

}  // namespace

std::string not_a_scan_reason(const std::string &file, const DataLineTest &data_line) {
    std::error_code ec;
    if (fs::is_directory(file, ec)) return "a folder";
    // Opened as the reader opens a scan: a named pipe or a device is never
    // waited on, and the reader then says why it takes nothing from it.
    std::string why;
    const int fd = open_regular_file(file.c_str(), why);
    if (fd < 0) return {};
    const std::string reason = scan_test(fd, data_line);
    ::close(fd);
    return reason;
}

std::string not_a_scan_text(const std::string &file, const std::string &why) {
    return "not a scan file: " + base_name(file) + " (" + why + ")";
}

bool list_run_folder(const Session &session, const std::string &folder, RunListing &run,
                     std::string &error) {
    run = RunListing{};
    run.folder = folder;
    std::vector<std::string> files;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        error = "Cannot read the folder " + folder + ": " + ec.message();
        return false;
    }
    for (const fs::directory_entry &entry : it) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code kind;
        if (!entry.is_regular_file(kind)) continue;
        files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end(), [](const std::string &a, const std::string &b) {
        return natural_less(base_name(a), base_name(b));
    });
    for (const std::string &file : files)
        take_file(session, file, run);
    run.split = split_into_series(run.scans);
    return true;
}

RunListing list_run_files(const Session &session, const std::vector<std::string> &files) {
    RunListing run;
    for (const std::string &file : files)
        take_file(session, file, run);
    run.split = split_into_series(run.scans);
    return run;
}

std::vector<std::string> scan_files(const RunListing &run, const std::vector<int> &scans) {
    std::vector<std::string> files;
    for (int i : scans)
        if (i >= 1 && i <= static_cast<int>(run.scans.size()))
            files.push_back(run.scans[static_cast<size_t>(i - 1)].file);
    return files;
}

std::string series_time_span(const SeriesSplit &split, int number,
                             const std::vector<ScanFacts> &scans) {
    if (number < 1 || number > static_cast<int>(split.series.size())) return {};
    std::vector<double> times;
    for (int i : split.series[static_cast<size_t>(number - 1)].scans)
        if (i >= 1 && i <= static_cast<int>(scans.size()))
            if (const auto &t = scans[static_cast<size_t>(i - 1)].time_s) times.push_back(*t);
    if (times.empty()) return {};
    const auto [first, last] = std::minmax_element(times.begin(), times.end());
    if (times.size() == 1) return "at " + hours_with_unit(*first, 2);
    return hours_with_unit(*first, 2) + " to " + hours_with_unit(*last, 2);
}

std::string ordinal(int n) {
    const int tens = n % 100;
    const char *suffix = tens >= 11 && tens <= 13 ? "th"
                         : n % 10 == 1            ? "st"
                         : n % 10 == 2            ? "nd"
                         : n % 10 == 3            ? "rd"
                                                  : "th";
    return std::to_string(n) + suffix;
}

SeriesTake take_latest(const std::vector<int> &scans, const std::vector<ScanFacts> &facts,
                       int capacity) {
    SeriesTake take;
    take.scans = scans;
    if (capacity < 1 || static_cast<int>(scans.size()) <= capacity) return take;
    take.scans.erase(take.scans.begin(), take.scans.end() - capacity);
    take.left_out = static_cast<int>(scans.size()) - capacity;
    take.text = left_out_head(static_cast<size_t>(take.left_out), scans.size()) +
                "only the latest " + std::to_string(capacity) + " are read (" +
                names_from_to(take.scans, facts) + ")";
    return take;
}

SeriesTake take_every_nth(const std::vector<int> &scans, const std::vector<ScanFacts> &facts,
                          int n) {
    SeriesTake take;
    take.scans = every_nth(scans, n);
    take.left_out = static_cast<int>(scans.size() - take.scans.size());
    if (take.left_out == 0) return take;
    take.text = left_out_head(static_cast<size_t>(take.left_out), scans.size()) + "every " +
                ordinal(n) + " scan is read, the latest first (" +
                names_from_to(take.scans, facts) + ")";
    return take;
}

int smallest_every_nth(size_t count, int capacity) {
    if (capacity < 1 || count <= static_cast<size_t>(capacity)) return 1;
    // every_nth keeps (count - 1) / n + 1 scans.
    return static_cast<int>((count - 1) / static_cast<size_t>(capacity)) + 1;
}

bool natural_less(const std::string &a, const std::string &b) {
    size_t i = 0, j = 0;
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            // By value: leading zeros apart, the longer run is the larger.
            size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            if (const int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0) return c < 0;
            if (ei - i != ej - j) return ei - i < ej - j;  // fewer leading zeros first
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

}  // namespace quillane::session
