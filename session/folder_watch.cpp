// SPDX-License-Identifier: MIT
#include "folder_watch.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "hours_format.h"
#include "session.h"

namespace quillane::session {
namespace {

namespace fs = std::filesystem;

// Scan files are tens or hundreds of kilobytes; only this much of a file is
// looked at to count its points.
constexpr std::streamsize kMaxInspectedBytes = 64 << 20;

std::string base_name(const std::string &path) {
    const std::string name = fs::path(path).filename().string();
    return name.empty() ? path : name;
}

struct Inspection {
    bool read = false;
    int points = 0;
    bool line_cut = false;  // the file does not end with a line end
};

Inspection inspect(const std::string &file, const WatchSettings::DataLineTest &data_line) {
    Inspection seen;
    std::ifstream in(file, std::ios::binary);
    if (!in) return seen;
    in.seekg(0, std::ios::end);
    const std::streamsize size = std::min<std::streamsize>(in.tellg(), kMaxInspectedBytes);
    in.seekg(0);
    if (size < 0) return seen;
    std::string text(static_cast<size_t>(size), '\0');
    in.read(text.data(), size);
    text.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) return seen;
    seen.read = true;
    seen.line_cut = !text.empty() && text.back() != '\n' && text.back() != '\r';
    size_t start = text.find('\n');  // the first line describes the scan
    while (start != std::string::npos && start < text.size()) {
        const size_t end = text.find('\n', start + 1);
        std::string_view line(text.data() + start + 1,
                              (end == std::string::npos ? text.size() : end) - start - 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (data_line && data_line(line)) ++seen.points;
        start = end;
    }
    return seen;
}

}  // namespace

int WatchedSeries::place(const std::string &file) const {
    const auto it = std::find(members.begin(), members.end(), file);
    return it == members.end() ? 0 : static_cast<int>(it - members.begin()) + 1;
}

// ---- the watch ----

FolderWatch::FolderWatch(WatchSettings settings, HeaderReader header, Clock clock)
    : settings_(std::move(settings)), header_(std::move(header)), clock_(std::move(clock)) {
    if (!clock_)
        clock_ = [] {
            return std::chrono::duration<double>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
}

bool FolderWatch::list_files(std::vector<std::string> &files, std::string &error) const {
    files.clear();
    std::error_code ec;
    const std::string &folder = settings_.folder;
    if (!fs::exists(folder, ec)) {
        error = "the watched folder " + folder + " is gone";
        return false;
    }
    if (!fs::is_directory(folder, ec)) {
        error = "the watched folder " + folder + " is no longer a folder";
        return false;
    }
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (!it->is_regular_file(type_ec)) continue;
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        if (fnmatch(settings_.pattern.c_str(), name.c_str(), 0) != 0) continue;
        const std::string path = it->path().string();
        if (settings_.own_file && settings_.own_file(path)) continue;
        files.push_back(path);
    }
    if (ec) {
        error = "the watched folder " + folder + " cannot be read: " + ec.message();
        files.clear();
        return false;
    }
    std::sort(files.begin(), files.end());
    return true;
}

bool FolderWatch::look(std::vector<WatchMessage> &messages, std::string &error) {
    const double now = clock_();
    std::vector<std::string> present;
    if (!list_files(present, error)) return false;

    for (auto it = files_.begin(); it != files_.end();) {
        if (std::binary_search(present.begin(), present.end(), it->first)) {
            ++it;
            continue;
        }
        if (it->second.state == State::taken)
            messages.push_back(
                {true, base_name(it->first) + " is gone: it is no longer used", it->first});
        told_waiting_.erase(it->first);
        it = files_.erase(it);
    }
    for (const std::string &file : present) {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0) continue;  // gone since the listing
        const Signature now_seen{static_cast<unsigned long long>(st.st_size),
                                 static_cast<unsigned long long>(st.st_ino),
                                 st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                                 st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
        const auto [it, fresh] = files_.try_emplace(file);
        Entry &e = it->second;
        if (fresh || now_seen != e.signature) {
            if (!fresh && e.state == State::taken)
                messages.push_back({true,
                                    base_name(file) +
                                        " changed after it was taken: it is used again once "
                                        "it is whole",
                                    file});
            // It is looked at afresh, but keeps its place in its series.
            Entry again;
            again.has_facts = e.has_facts;
            again.facts = e.facts;
            again.signature = now_seen;
            again.changed_at = now;
            e = again;
            continue;
        }
        ++e.unchanged_looks;
    }

    std::vector<std::string> not_scans;
    for (auto &[file, e] : files_) {
        const bool stable = e.unchanged_looks >= kStableLooks &&
                            now - e.changed_at >= kStableLooks * settings_.interval_s * (1 - 1e-9);
        if (e.state != State::settling || !stable) continue;
        examine(file, e, messages);
        if (e.state == State::not_scan && told_not_scan_.insert(file).second)
            not_scans.push_back(base_name(file));
    }
    if (!not_scans.empty()) {
        std::string names;
        for (const std::string &n : not_scans)
            names += (names.empty() ? "" : ", ") + n;
        messages.push_back(
            {false,
             names + (not_scans.size() == 1 ? " has" : " have") + " no time line, so " +
                 (not_scans.size() == 1 ? "it is no scan" : "they are no scans") + ": ignored",
             {}});
    }
    regroup(now, messages);
    // What waits in a series not followed is no concern of the caller's.
    std::erase_if(messages, [this](const WatchMessage &m) {
        if (m.file.empty()) return false;
        return std::any_of(series_.begin(), series_.end(), [&](const WatchedSeries &w) {
            return !w.followed && w.place(m.file) > 0;
        });
    });
    return true;
}

void FolderWatch::examine(const std::string &file, Entry &e, std::vector<WatchMessage> &messages) {
    const std::string name = base_name(file);
    const ScanFacts facts = header_(file);
    if (!facts.opened) {
        e.state = State::unusable;
        e.why = "it cannot be read (" + facts.error + ")";
        tell_waiting(
            file, "unreadable",
            name + " cannot be used yet: " + e.why + "; it is looked at again when it changes",
            messages);
        return;
    }
    if (!facts.time_line) {
        e.state = State::not_scan;
        e.has_facts = false;
        return;
    }
    e.facts = facts;
    e.has_facts = true;
    const Inspection seen = inspect(file, settings_.data_line);
    e.points = seen.points;
    e.line_cut = seen.line_cut;
    if (!seen.read || seen.points == 0) {
        e.state = State::unusable;
        e.why = seen.read ? "it holds no data points yet" : "it cannot be read";
        tell_waiting(
            file, e.why,
            name + " cannot be used yet: " + e.why + "; it is looked at again when it changes",
            messages);
        return;
    }
    e.state = State::waiting;
}

void FolderWatch::tell_waiting(const std::string &file, const std::string &kind,
                               const std::string &text, std::vector<WatchMessage> &messages) {
    std::string &said = told_waiting_[file];
    if (said == kind) return;
    said = kind;
    messages.push_back({true, text, file});
}

void FolderWatch::decide(const std::string &file, Entry &e, double now, int usual_points,
                         bool later_scan, std::vector<WatchMessage> &messages) {
    const bool short_scan = usual_points > 0 && e.points < kShortScanShare * usual_points;
    if (!e.line_cut && !short_scan) {
        e.state = State::taken;
        e.why.clear();
        told_waiting_.erase(file);
        return;
    }
    std::string what;
    if (e.line_cut) what = "its last line is cut off";
    if (short_scan)
        what += (what.empty() ? "it has " : " and it has ") + std::to_string(e.points) +
                " points, fewer than 90 % of the " + std::to_string(usual_points) +
                " of its series' scans";
    const double unchanged = now - e.changed_at;
    const bool waited = unchanged >= kIncompleteGraceIntervals * settings_.interval_s;
    const std::string name = base_name(file);
    if (later_scan || waited) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.0f s", unchanged);
        messages.push_back({false,
                            name + " looks unfinished (" + what + "), but " +
                                (later_scan ? std::string("a later scan has begun")
                                            : "it has not changed for " + std::string(seconds)) +
                                ": it is used as it is",
                            file});
        e.state = State::taken;
        e.why.clear();
        told_waiting_.erase(file);
        return;
    }
    e.why = "it looks unfinished: " + what;
    tell_waiting(file, std::string(e.line_cut ? "cut" : "") + (short_scan ? "short" : ""),
                 name + " waits: " + what + "; it is used once whole", messages);
}

void FolderWatch::regroup(double now, std::vector<WatchMessage> &messages) {
    std::vector<std::string> placed;
    std::vector<ScanFacts> facts;
    for (const auto &[file, e] : files_)
        if (e.has_facts && e.state != State::not_scan) {
            placed.push_back(file);
            facts.push_back(e.facts);
        }
    const SeriesSplit split = split_into_series(facts);
    const auto time_of = [&](size_t i) { return facts[i].time_s.value_or(-1.0); };
    double latest = -1.0;
    for (size_t i = 0; i < facts.size(); ++i)
        latest = std::max(latest, time_of(i));

    // Each series of the split is the watched series with which it shares
    // the most files; one that shares none is new.
    std::map<std::string, int> number_of_file;
    for (const WatchedSeries &w : series_)
        for (const std::string &f : w.members)
            number_of_file[f] = w.number;
    std::vector<WatchedSeries> next;
    std::set<int> used;
    for (size_t k = 0; k < split.series.size(); ++k) {
        const Series &s = split.series[k];
        std::map<int, int> shared;
        for (int i : s.scans)
            if (const auto it = number_of_file.find(placed[static_cast<size_t>(i - 1)]);
                it != number_of_file.end() && !used.count(it->second))
                ++shared[it->second];
        int number = 0, best = 0;
        for (const auto &[n, count] : shared)
            if (count > best) {
                number = n;
                best = count;
            }
        if (number == 0) {
            number = 1;
            for (const WatchedSeries &w : series_)
                number = std::max(number, w.number + 1);
            for (const WatchedSeries &w : next)
                number = std::max(number, w.number + 1);
        }
        used.insert(number);
        WatchedSeries w;
        w.number = number;
        w.name = series_name(split, static_cast<int>(k + 1));
        w.followed = settings_.follow.matches(s);
        // Scans that look unfinished are judged against the series' usual
        // count; a later scan anywhere in the folder means the instrument
        // has moved on.
        // In time order, so that scans found together are judged against
        // the ones before them.
        std::vector<int> counts;
        for (int i : s.scans) {
            w.members.push_back(placed[static_cast<size_t>(i - 1)]);
            if (const Entry &e = files_.at(w.members.back()); e.state == State::taken)
                counts.push_back(e.points);
        }
        for (int i : s.scans) {
            const std::string &file = placed[static_cast<size_t>(i - 1)];
            Entry &e = files_.at(file);
            if (e.state != State::waiting) continue;
            int usual = 0;
            if (!counts.empty()) {
                std::vector<int> sorted = counts;
                std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
                usual = sorted[sorted.size() / 2];
            }
            decide(file, e, now, usual, time_of(static_cast<size_t>(i - 1)) < latest, messages);
            if (e.state == State::taken) counts.push_back(e.points);
        }
        for (const std::string &f : w.members)
            if (files_.at(f).state == State::taken) w.scans.push_back(f);
        next.push_back(std::move(w));
    }
    // A series whose files are all gone stays, empty, under its number.
    for (const WatchedSeries &w : series_)
        if (!used.count(w.number) && settings_.follow.mode != SeriesSelector::Mode::together) {
            WatchedSeries empty = w;
            empty.members.clear();
            empty.scans.clear();
            next.push_back(empty);
        }
    std::sort(next.begin(), next.end(),
              [](const WatchedSeries &a, const WatchedSeries &b) { return a.number < b.number; });

    if (settings_.follow.mode == SeriesSelector::Mode::together) {
        // One series of every scan, in time order.
        WatchedSeries all;
        all.number = 1;
        all.name = "all scans";
        std::vector<size_t> order(placed.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return time_of(a) < time_of(b); });
        for (size_t i : order) {
            all.members.push_back(placed[i]);
            if (files_.at(placed[i]).state == State::taken) all.scans.push_back(placed[i]);
        }
        if (split.series.size() > 1 && !told_together_) {
            messages.push_back({false,
                                "the scans make " + series_summary(split) +
                                    "; they are compared all together here",
                                {}});
            told_together_ = true;
        }
        series_ = {all};
        return;
    }
    for (const WatchedSeries &w : next)
        if (!w.followed && !w.members.empty() && told_not_followed_.insert(w.number).second)
            messages.push_back({false,
                                "series " + std::to_string(w.number) + " (" + w.name +
                                    ") is not followed: its scans are left alone",
                                {}});
    series_ = std::move(next);
}

const WatchedSeries *FolderWatch::series_number(int number) const {
    for (const WatchedSeries &w : series_)
        if (w.number == number) return &w;
    return nullptr;
}

std::vector<int> FolderWatch::changed_series() {
    std::vector<int> changed;
    for (const WatchedSeries &w : series_) {
        if (!w.followed) continue;
        auto &before = handed_out_[w.number];
        if (before == w.scans) continue;
        before = w.scans;
        changed.push_back(w.number);
    }
    return changed;
}

void FolderWatch::set_aside(const std::string &file, const std::string &why) {
    const auto it = files_.find(file);
    if (it == files_.end()) return;
    it->second.state = State::unusable;
    it->second.why = why;
    told_waiting_[file] = "set aside";
    for (WatchedSeries &w : series_)
        w.scans.erase(std::remove(w.scans.begin(), w.scans.end(), file), w.scans.end());
}

std::vector<std::string> FolderWatch::unused() const {
    std::vector<std::string> list;
    for (const auto &entry : files_) {
        const auto &file = entry.first;
        const auto &e = entry.second;
        if (e.state == State::taken || e.state == State::not_scan) continue;
        if (e.has_facts) {
            const auto w = std::find_if(series_.begin(), series_.end(),
                                        [&](const auto &s) { return s.place(file) > 0; });
            if (w != series_.end() && !w->followed) continue;
        }
        // Not placed in a series yet (still being written): its header may
        // already say that it belongs to a series the user did not choose.
        const SeriesSelector &follow = settings_.follow;
        if (follow.mode == SeriesSelector::Mode::chosen && follow.number == 0 &&
            (e.state == State::settling || !e.has_facts)) {
            const ScanFacts facts = e.has_facts ? e.facts : header_(file);
            Series own;
            own.cell = facts.cell;
            own.speed_rpm = facts.speed_rpm;
            own.wavelength_nm = facts.wavelength_nm;
            if (facts.opened && facts.time_line && !follow.matches(own)) continue;
        }
        const std::string why =
            e.state == State::settling ? "it was still changing at the last look" : e.why;
        list.push_back(base_name(file) + ": " + why);
    }
    return list;
}

}  // namespace quillane::session
