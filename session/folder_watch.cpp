// SPDX-License-Identifier: MIT
#include "folder_watch.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "hours_format.h"
#include "regular_file.h"

namespace quillane::session {
namespace {

namespace fs = std::filesystem;

// Scan files are tens or hundreds of kilobytes; only this much of a file is
// looked at to count its points, read in one piece of its size (of
// kReadBlock when that cannot be told).
constexpr size_t kMaxInspectedBytes = size_t{64} << 20;
constexpr size_t kReadBlock = size_t{64} << 10;

std::string base_name(const std::string &path) {
    const std::string name = fs::path(path).filename().string();
    return name.empty() ? path : name;
}

long long nanoseconds(const timespec &t) {
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

template <class Signature>
Signature signature_of(const struct stat &st) {
    return Signature{static_cast<unsigned long long>(st.st_size),
                     static_cast<unsigned long long>(st.st_ino), nanoseconds(st.st_mtim),
                     nanoseconds(st.st_ctim)};
}

std::uint64_t mix(std::uint64_t h, std::uint64_t v) {
    h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

std::uint64_t name_print(const std::string &path) {
    return std::hash<std::string>{}(path);
}

template <class Signature>
std::uint64_t signature_print(const Signature &s) {
    std::uint64_t h = mix(0, s.size);
    h = mix(h, s.inode);
    h = mix(h, static_cast<std::uint64_t>(s.modified_ns));
    return mix(h, static_cast<std::uint64_t>(s.status_ns));
}

// Opens the folder to list it; -1 with error set when it cannot be.
int open_folder_at(const std::string &folder, struct stat &st, std::string &error) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int failure = fd < 0 ? errno : ::fstat(fd, &st) != 0 ? errno : 0;
    if (failure == 0) return fd;
    if (fd >= 0) ::close(fd);
    if (failure == ENOENT)
        error = "the watched folder " + folder + " is gone";
    else if (failure == ENOTDIR)
        error = "the watched folder " + folder + " is no longer a folder";
    else
        error = "the watched folder " + folder + " cannot be read: " + std::strerror(failure);
    return -1;
}

struct Inspection {
    bool read = false;
    std::string why;  // why it could not be read
    int points = 0;
    bool line_cut = false;  // the file does not end with a line end
};

Inspection inspect(const std::string &file, const WatchSettings::DataLineTest &data_line) {
    Inspection seen;
    const int fd = open_regular_file(file.c_str(), seen.why);
    if (fd < 0) return seen;
    // Read to the end, which may lie beyond the size the file had when
    // opened: the writer may go on.
    struct stat st {};
    std::string text;
    text.reserve(std::min(::fstat(fd, &st) == 0 ? static_cast<size_t>(st.st_size) + 1 : kReadBlock,
                          kMaxInspectedBytes));
    int failure = 0;
    while (text.size() < kMaxInspectedBytes) {
        const size_t had = text.size();
        text.resize(std::min(std::max(text.capacity(), had + 1), kMaxInspectedBytes));
        const ssize_t n = ::read(fd, text.data() + had, text.size() - had);
        text.resize(had + static_cast<size_t>(std::max<ssize_t>(n, 0)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failure = errno;
        if (n <= 0) break;
    }
    ::close(fd);
    if (failure != 0) {
        seen.why = std::strerror(failure);
        return seen;
    }
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

// "A, B, C, D, E and 99,990 more": the first names of `count` files.
std::string named_files(const std::vector<std::string> &first, size_t count) {
    std::string names;
    for (const std::string &n : first)
        names += (names.empty() ? "" : ", ") + n;
    if (count > first.size())
        names += " and " + grouped_number(static_cast<double>(count - first.size())) + " more";
    return names;
}

}  // namespace

int WatchedSeries::place(const std::string &file) const {
    const auto it = std::find(members.begin(), members.end(), file);
    const size_t i = static_cast<size_t>(it - members.begin());
    return it == members.end() || i >= numbers.size() ? 0 : numbers[i];
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
    prefix_ = (fs::path(settings_.folder) / "").string();
    struct stat st {};
    if (::stat(settings_.folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        identified_ = true;
        folder_device_ = st.st_dev;
        folder_inode_ = st.st_ino;
    }
}

int FolderWatch::open_folder(long long &modified_ns, std::string &error) {
    struct stat st {};
    const int fd = open_folder_at(settings_.folder, st, error);
    if (fd < 0) return -1;
    if (!identified_) {
        identified_ = true;
        folder_device_ = st.st_dev;
        folder_inode_ = st.st_ino;
    } else if (st.st_dev != folder_device_ || st.st_ino != folder_inode_) {
        ::close(fd);
        error = "the watched folder " + settings_.folder +
                " was replaced by another folder of that name (moved away, or removed and made "
                "anew): its scans are not taken for the run followed so far";
        return -1;
    }
    modified_ns = nanoseconds(st.st_mtim);
    return fd;
}

bool FolderWatch::list(int folder, const Found &found, std::string &error) const {
    const int fd = ::dup(folder);  // closedir closes it
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        error =
            "the watched folder " + settings_.folder + " cannot be read: " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    int failure = 0;
    for (;;) {
        errno = 0;
        const dirent *d = ::readdir(dir);
        if (d == nullptr) {
            failure = errno;
            break;
        }
        const char *name = d->d_name;
        if (name[0] == '.') continue;
        // Only regular files are scans; links are followed to what they name.
        if (d->d_type != DT_REG && d->d_type != DT_LNK && d->d_type != DT_UNKNOWN) continue;
        if (fnmatch(settings_.pattern.c_str(), name, 0) != 0) continue;
        std::string path = prefix_ + name;
        if (settings_.own_file && settings_.own_file(path)) continue;
        struct stat st {};
        if (::fstatat(folder, name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        found(std::move(path), signature_of<Signature>(st));
    }
    ::closedir(dir);
    if (failure != 0) {
        error =
            "the watched folder " + settings_.folder + " cannot be read: " + std::strerror(failure);
        return false;
    }
    return true;
}

bool FolderWatch::list_files(std::vector<std::string> &files, std::string &error) const {
    files.clear();
    struct stat st {};
    const int folder = open_folder_at(settings_.folder, st, error);
    if (folder < 0) return false;
    const bool listed = list(
        folder, [&](std::string path, const Signature &) { files.push_back(std::move(path)); },
        error);
    ::close(folder);
    if (!listed) files.clear();
    std::sort(files.begin(), files.end());
    return listed;
}

void FolderWatch::seen(const std::string &file, const Signature &now_seen, double now,
                       std::vector<WatchMessage> &messages) {
    const auto [it, fresh] = files_.try_emplace(file);
    Entry &e = it->second;
    if (!fresh && now_seen == e.signature) {
        ++e.unchanged_looks;
        return;
    }
    if (!fresh && e.state == State::taken)
        messages.push_back(
            {true,
             base_name(file) + " changed after it was taken: it is used again once it is whole",
             file});
    // It is looked at afresh, but keeps its place in its series.
    Entry again;
    again.facts = std::move(e.facts);
    again.arrival = e.arrival;
    again.signature = now_seen;
    again.changed_at = now;
    again.listed = e.listed;
    e = std::move(again);
    regroup_due_ = true;
}

std::map<std::string, FolderWatch::Entry>::iterator FolderWatch::forget(
    std::map<std::string, Entry>::iterator it, std::vector<WatchMessage> &messages) {
    if (it->second.state == State::taken)
        messages.push_back(
            {true, base_name(it->first) + " is gone: it is no longer used", it->first});
    told_waiting_.erase(it->first);
    regroup_due_ = true;
    return files_.erase(it);
}

bool FolderWatch::look(std::vector<WatchMessage> &messages, std::string &error) {
    const double now = clock_();
    long long modified = 0;
    const int folder = open_folder(modified, error);
    if (folder < 0) return false;

    if (listings_ == 0 || !folder_time_trusted_ || modified != folder_modified_ns_ ||
        now - listed_at_ >= kFullLookSeconds) {
        // The clock of the file system, read before the listing: a change
        // made after it gives the folder a later time, unless it falls in
        // the same tick as the time read (kCoarseClockNs).
        timespec wall{};
        ::clock_gettime(CLOCK_REALTIME, &wall);
        const unsigned listing = ++listings_;
        // Files found to be no scans are forgotten once gone; those that
        // changed are looked at again.
        std::unordered_map<std::uint64_t, std::uint64_t> still;
        const bool listed = list(
            folder,
            [&](std::string path, const Signature &signature) {
                const auto it = files_.find(path);
                if (const auto known = not_scans_.find(name_print(path));
                    known != not_scans_.end()) {
                    still.insert(*known);
                    if (it == files_.end() && known->second == signature_print(signature)) return;
                }
                Entry &e = it != files_.end() ? it->second : files_[path];
                e.listed = listing;
                seen(path, signature, now, messages);
            },
            error);
        if (!listed) {
            ::close(folder);
            return false;
        }
        listed_at_ = now;
        folder_modified_ns_ = modified;
        folder_time_trusted_ = nanoseconds(wall) - modified >= kCoarseClockNs;
        for (auto it = files_.begin(); it != files_.end();)
            it = it->second.listed == listing ? std::next(it) : forget(it, messages);
        not_scans_.swap(still);
    } else {
        // Nothing was added, removed or renamed: only the files known as
        // scans (or as possible ones) can have changed.
        for (auto it = files_.begin(); it != files_.end();) {
            struct stat st {};
            const std::string name = it->first.substr(prefix_.size());
            if (::fstatat(folder, name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) {
                it = forget(it, messages);
                continue;
            }
            seen(it->first, signature_of<Signature>(st), now, messages);
            ++it;
        }
    }
    ::close(folder);

    std::vector<std::string> not_scans;  // the first kNamedInANote found now
    size_t not_scans_found = 0;
    for (auto it = files_.begin(); it != files_.end();) {
        Entry &e = it->second;
        const bool stable = e.unchanged_looks >= kStableLooks &&
                            now - e.changed_at >= kStableLooks * settings_.interval_s * (1 - 1e-9);
        if (e.state != State::settling || !stable || examine(it->first, e, messages)) {
            ++it;
            continue;
        }
        // No scan: it is remembered by its fingerprint alone.
        if (not_scans_.insert_or_assign(name_print(it->first), signature_print(e.signature))
                .second &&
            ++not_scans_found <= kNamedInANote)
            not_scans.push_back(base_name(it->first));
        told_waiting_.erase(it->first);
        it = files_.erase(it);
        regroup_due_ = true;
    }
    if (not_scans_found > 0) {
        const bool one = not_scans_found == 1;
        messages.push_back({false,
                            named_files(not_scans, not_scans_found) + (one ? " has" : " have") +
                                " no time line, so " +
                                (one ? "it is no scan" : "they are no scans") + ": ignored",
                            {}});
    }
    // A scan that waits is judged again at every look: its grace runs out.
    if (regroup_due_ || std::any_of(files_.begin(), files_.end(), [](const auto &entry) {
            return entry.second.state == State::waiting;
        }))
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

bool FolderWatch::examine(const std::string &file, Entry &e, std::vector<WatchMessage> &messages) {
    const std::string name = base_name(file);
    regroup_due_ = true;
    const ScanFacts facts = header_(file);
    if (!facts.opened) {
        e.state = State::unusable;
        e.why = "it cannot be read (" + facts.error + ")";
        tell_waiting(
            file, "unreadable",
            name + " cannot be used yet: " + e.why + "; it is looked at again when it changes",
            messages);
        return true;
    }
    if (!facts.time_line) return false;
    e.facts = std::make_unique<ScanFacts>(facts);
    const Inspection seen = inspect(file, settings_.data_line);
    e.points = seen.points;
    e.line_cut = seen.line_cut;
    if (!seen.read || seen.points == 0) {
        e.state = State::unusable;
        e.why = seen.read ? "it holds no data points yet" : "it cannot be read (" + seen.why + ")";
        tell_waiting(
            file, e.why,
            name + " cannot be used yet: " + e.why + "; it is looked at again when it changes",
            messages);
        return true;
    }
    e.state = State::waiting;
    return true;
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

void FolderWatch::number_members(WatchedSeries &w, const std::vector<std::string> &files,
                                 std::vector<WatchMessage> &messages) {
    Numbering &book = numbering_[w.number];
    const auto time_of = [this](const std::string &f) { return files_.at(f).facts->time_s; };
    std::vector<std::pair<int, std::string>> numbered;
    std::vector<std::string> fresh;
    std::optional<double> latest;  // the latest time of the scans numbered before
    std::string latest_file;
    for (const std::string &f : files) {
        const auto it = book.number.find(f);
        if (it == book.number.end()) {
            fresh.push_back(f);
            continue;
        }
        numbered.emplace_back(it->second, f);
        if (const auto t = time_of(f); t && (!latest || *t > *latest)) {
            latest = t;
            latest_file = f;
        }
    }
    std::sort(fresh.begin(), fresh.end(), [this](const std::string &a, const std::string &b) {
        return files_.at(a).arrival < files_.at(b).arrival;
    });
    for (const std::string &f : fresh) {
        const int number = ++book.last;
        book.number[f] = number;
        numbered.emplace_back(number, f);
        const auto t = time_of(f);
        if (!t) continue;
        if (latest && *t < *latest && told_out_of_order_.insert(f).second)
            messages.push_back(
                {false,
                 base_name(f) + "'s header time, " + hours_with_unit(*t, 2) +
                     ", is earlier than the " + hours_with_unit(*latest, 2) + " of " +
                     base_name(latest_file) +
                     ", which came before it (the instrument's clock may have been set back): it "
                     "is scan " +
                     std::to_string(number) + " all the same, and no scan is numbered anew",
                 f});
        if (!latest || *t > *latest) {
            latest = t;
            latest_file = f;
        }
    }
    std::sort(numbered.begin(), numbered.end());
    for (auto &[number, f] : numbered) {
        w.numbers.push_back(number);
        w.members.push_back(std::move(f));
    }
}

void FolderWatch::regroup(double now, std::vector<WatchMessage> &messages) {
    regroup_due_ = false;
    std::vector<std::string> placed;
    std::vector<ScanFacts> facts;
    std::vector<std::string> arrived;  // placed for the first time now
    for (const auto &[file, e] : files_)
        if (e.facts) {
            placed.push_back(file);
            facts.push_back(*e.facts);
            if (e.arrival == 0) arrived.push_back(file);
        }
    // Scans placed at one look arrive in the order of their times.
    std::stable_sort(arrived.begin(), arrived.end(), [this](const auto &a, const auto &b) {
        return files_.at(a).facts->time_s.value_or(-1.0) <
               files_.at(b).facts->time_s.value_or(-1.0);
    });
    for (const std::string &f : arrived)
        files_.at(f).arrival = ++arrivals_;
    unsigned long long last_arrival = 0;
    for (const std::string &f : placed)
        last_arrival = std::max(last_arrival, files_.at(f).arrival);

    const bool together = settings_.follow.mode == SeriesSelector::Mode::together;
    SeriesSplit split;
    std::vector<std::vector<std::string>> groups;
    if (together) {
        groups.emplace_back(placed);
    } else {
        split = split_into_series(facts);
        for (const Series &s : split.series) {
            groups.emplace_back();
            for (int i : s.scans)
                groups.back().push_back(placed[static_cast<size_t>(i - 1)]);
        }
    }

    // Each series of the split is the watched series with which it shares
    // the most files; one that shares none is new.
    std::map<std::string, int> number_of_file;
    std::map<int, const WatchedSeries *> before;
    for (const WatchedSeries &w : series_) {
        before[w.number] = &w;
        for (const std::string &f : w.members)
            number_of_file[f] = w.number;
    }
    std::vector<WatchedSeries> next;
    std::set<int> used;
    for (size_t k = 0; k < groups.size(); ++k) {
        std::map<int, int> shared;
        for (const std::string &f : groups[k])
            if (const auto it = number_of_file.find(f);
                it != number_of_file.end() && !used.count(it->second))
                ++shared[it->second];
        int number = together ? 1 : 0, best = 0;
        for (const auto &[n, count] : shared)
            if (!together && count > best) {
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
        w.name = together ? "all scans" : series_name(split, static_cast<int>(k + 1));
        w.followed = together || settings_.follow.matches(split.series[k]);
        number_members(w, groups[k], messages);
        // Scans that look unfinished are judged against the series' usual
        // count, in the order of their numbers, so that scans found
        // together are judged against the ones before them; a scan that
        // arrived after one means the instrument has moved on.
        std::vector<int> counts;
        for (const std::string &f : w.members)
            if (const Entry &e = files_.at(f); e.state == State::taken) counts.push_back(e.points);
        for (const std::string &f : w.members) {
            Entry &e = files_.at(f);
            if (e.state != State::waiting) continue;
            int usual = 0;
            if (!counts.empty()) {
                std::vector<int> sorted = counts;
                std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
                usual = sorted[sorted.size() / 2];
            }
            decide(f, e, now, usual, e.arrival < last_arrival, messages);
            if (e.state == State::taken) counts.push_back(e.points);
        }
        for (const std::string &f : w.members)
            if (files_.at(f).state == State::taken) w.scans.push_back(f);
        next.push_back(std::move(w));
    }
    // A series whose files are all gone stays, empty, under its number.
    for (const WatchedSeries &w : series_)
        if (!used.count(w.number) && !together) {
            WatchedSeries empty = w;
            empty.members.clear();
            empty.numbers.clear();
            empty.scans.clear();
            next.push_back(empty);
        }
    std::sort(next.begin(), next.end(),
              [](const WatchedSeries &a, const WatchedSeries &b) { return a.number < b.number; });
    for (const WatchedSeries &w : next) {
        const auto was = before.find(w.number);
        if (was == before.end() ? !w.scans.empty() : was->second->scans != w.scans)
            ++revision_[w.number];
    }

    if (together && !told_together_)
        if (const SeriesSplit all = split_into_series(facts); all.series.size() > 1) {
            messages.push_back(
                {false,
                 "the scans make " + series_summary(all) + "; they are compared all together here",
                 {}});
            told_together_ = true;
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
        const unsigned long long now = revision_[w.number];
        unsigned long long &before = handed_out_[w.number];
        if (before == now) continue;
        before = now;
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
        if (std::erase(w.scans, file) > 0) ++revision_[w.number];
}

bool FolderWatch::concerns_user(const std::string &file, const Entry &e) const {
    if (e.facts) {
        const auto w = std::find_if(series_.begin(), series_.end(),
                                    [&](const auto &s) { return s.place(file) > 0; });
        if (w != series_.end() && !w->followed) return false;
    }
    // A file found to be no scan before, changing again: an instrument's log.
    if (!e.facts && e.state == State::settling && not_scans_.contains(name_print(file)))
        return false;
    // Not placed in a series yet (still being written): its header may
    // already say that it belongs to a series the user did not choose.
    const SeriesSelector &follow = settings_.follow;
    if (follow.mode == SeriesSelector::Mode::chosen && follow.number == 0 &&
        (e.state == State::settling || !e.facts)) {
        const ScanFacts facts = e.facts ? *e.facts : header_(file);
        Series own;
        own.cell = facts.cell;
        own.speed_rpm = facts.speed_rpm;
        own.wavelength_nm = facts.wavelength_nm;
        if (facts.opened && facts.time_line && !follow.matches(own)) return false;
    }
    return true;
}

std::vector<std::string> FolderWatch::unused_where(bool only_arriving) const {
    std::vector<std::string> list;
    for (const auto &[file, e] : files_) {
        if (e.state == State::taken) continue;
        const bool arriving = e.state == State::settling || e.state == State::waiting;
        if ((only_arriving && !arriving) || !concerns_user(file, e)) continue;
        const std::string why =
            e.state == State::settling ? "it was still changing at the last look" : e.why;
        list.push_back(base_name(file) + ": " + why);
    }
    return list;
}

std::vector<std::string> FolderWatch::unused() const {
    return unused_where(false);
}

std::vector<std::string> FolderWatch::arriving() const {
    return unused_where(true);
}

}  // namespace quillane::session
