// SPDX-License-Identifier: MIT
// Fuzzes the folder watch's judgement of which files are whole scans: a
// run folder in the scratch folder is changed as the input says between
// looks -- scans written whole or cut anywhere, appended to, truncated,
// deleted, renamed over each other, turned into folders or named pipes
// (also between the listing and the read), logs without a time line, any
// header times (clock steps back and forth), several series, the folder's
// own time set back so that looks skip the listing, and the folder
// replaced by another -- with the session's header reader and data-line
// rule, on a clock the harness advances.
//
// Invariants: a look never waits and fails only for a replaced folder,
// saying so; a scan is taken only after it stayed unchanged over
// kStableLooks looks, and one taken without a note ends with a line end;
// a scan keeps its number in its series for good, numbers rise within a
// series, no file is in two series, and the scans taken are members;
// no message is longer than a few names make it; and after a quiet spell
// every file with a time line and data points has been taken.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "folder_watch.h"
#include "fuzz_session.h"
#include "fuzz_support.h"
#include "regular_file.h"
#include "session.h"

namespace {

namespace fs = std::filesystem;
using quillane::fuzz::require;
using quillane::session::FolderWatch;
using quillane::session::WatchedSeries;
using quillane::session::WatchMessage;

constexpr double kInterval = 1.0;
constexpr size_t kSlots = 7;  // the file names a run folder holds here
constexpr int kMaxSteps = 64;
// The messages name at most kNamedInANote files of this harness' short
// names, besides their own words.
constexpr size_t kLongestMessage = 600;

const std::array<const char *, kSlots> kNames = {
    "00001.RA1", "00002.RA1", "00003.RA1", "00004.RA1", "00005.RA1", "CELL1ABS.LOG", "00006.RA1"};

quillane::session::Session &session() {
    static quillane::session::Session s(quillane::fuzz::linked_exports());
    return s;
}

std::string scan_text(FuzzedDataProvider &in, size_t slot) {
    const double rpm = in.ConsumeBool() ? 12000.0 : 14000.0;
    double time = 600.0 * static_cast<double>(slot + 1);
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:  // a clock set back or forward
            time = in.ConsumeFloatingPointInRange(-1e6, 1e7);
            break;
        case 1:
            time = 600.0;  // the same time as another scan
            break;
        default:
            break;
    }
    char line[128];
    std::snprintf(line, sizeof line, "Scan %zu\r\nR 1 20.0 %.0f %.1f 1.0E09 280\r\n", slot + 1, rpm,
                  time);
    std::string text = line;
    const int points = in.ConsumeIntegralInRange(0, 60);
    for (int i = 0; i < points; ++i) {
        std::snprintf(line, sizeof line, "%.3f %.5f\r\n", 6.0 + 0.008 * i, 0.3 + 0.001 * i);
        text += line;
    }
    return text;
}

// The text of a regular file; "" for anything else (never waiting on a pipe).
std::string text_of(const std::string &file) {
    std::string why, text;
    const int fd = quillane::open_regular_file(file.c_str(), why);
    if (fd < 0) return text;
    char block[4096];
    for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;)
        text.append(block, static_cast<size_t>(n));
    ::close(fd);
    return text;
}

// Data lines after the first line, as the watch counts them.
int points_of(const std::string &text) {
    int points = 0;
    size_t start = text.find('\n');
    while (start != std::string::npos && start < text.size()) {
        const size_t end = text.find('\n', start + 1);
        std::string line =
            text.substr(start + 1, (end == std::string::npos ? text.size() : end) - start - 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (session().is_data_line(line)) ++points;
        start = end;
    }
    return points;
}

class Run {
  public:
    explicit Run(FuzzedDataProvider &in) : in_(in) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
        fs::remove_all(moved_, ec);
        fs::create_directories(folder_);
        quillane::session::WatchSettings settings;
        settings.folder = folder_.string();
        settings.interval_s = kInterval;
        std::string error;
        require(quillane::session::parse_series_selector(in.ConsumeBool() ? "" : "all",
                                                         settings.follow, error),
                "the selector is refused");
        settings.data_line = [](std::string_view line) { return session().is_data_line(line); };
        watch_ = std::make_unique<FolderWatch>(
            settings,
            [this](const std::string &file) {
                if (file == path(pipe_on_read_)) make_pipe(pipe_on_read_);
                return session().scan_header(file);
            },
            [this] { return now_; });
    }

    // One change of the folder, or a look; false once the watch has ended.
    bool step() {
        const size_t slot = in_.ConsumeIntegralInRange<size_t>(0, kSlots - 1);
        const std::string file = path(slot);
        switch (in_.ConsumeIntegralInRange(0, 12)) {
            case 0:
                write(slot, scan_text(in_, slot), false);
                break;
            case 1: {
                const std::string text = scan_text(in_, slot);
                write(slot, text.substr(0, in_.ConsumeIntegralInRange<size_t>(0, text.size())),
                      false);
                break;
            }
            case 2:
                write(slot, in_.ConsumeBool() ? "6.500 0.4\r\n" : in_.ConsumeRandomLengthString(40),
                      true);
                break;
            case 3:
                if (::truncate(file.c_str(), in_.ConsumeIntegralInRange<off_t>(0, 2000)) == 0)
                    touched(slot);
                break;
            case 4:
                ::unlink(file.c_str());
                break;
            case 5: {
                const size_t to = in_.ConsumeIntegralInRange<size_t>(0, kSlots - 1);
                if (::rename(file.c_str(), path(to).c_str()) == 0) touched(to);
                break;
            }
            case 6: {
                std::error_code ec;
                fs::remove_all(file, ec);
                fs::create_directory(file, ec);
                break;
            }
            case 7:
                make_pipe(slot);
                break;
            case 8:
                return look(in_.ConsumeIntegralInRange(1, 3) * kInterval);
            case 9: {
                // The folder's time set back: the next look may skip the listing.
                const timespec past{1000000000 + ++stamp_, 0};
                const timespec times[2] = {past, past};
                ::utimensat(AT_FDCWD, folder_.c_str(), times, 0);
                break;
            }
            case 10:
                pipe_on_read_ = slot;  // turned into a pipe between listing and read
                break;
            case 11: {
                std::error_code ec;
                fs::rename(folder_, moved_, ec);
                fs::create_directories(folder_, ec);
                replaced_ = !ec;
                return look(kInterval);
            }
            default:
                write(slot, "Cell 1 log\r\n12:00 started\r\n", in_.ConsumeBool());
                break;
        }
        return true;
    }

    // Enough looks for every file to settle after a whole look, and then
    // for the grace of one that looks unfinished to run out.
    void settle() {
        if (!look(quillane::session::kFullLookSeconds)) return;
        for (int i = 0; i < quillane::session::kStableLooks; ++i)
            if (!look(kInterval)) return;
        if (!look(quillane::session::kIncompleteGraceIntervals * kInterval) || !look(kInterval))
            return;
        const std::set<std::string> taken = taken_now();
        for (size_t slot = 0; slot < kSlots; ++slot) {
            struct stat st {};
            if (::stat(path(slot).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            const quillane::session::ScanFacts facts = session().scan_header(path(slot));
            if (!facts.opened || !facts.time_line) continue;
            require(points_of(text_of(path(slot))) == 0 || taken.contains(path(slot)),
                    "a scan with a time line and points was never taken");
        }
    }

  private:
    std::string path(size_t slot) const {
        return slot < kSlots ? (folder_ / kNames[slot]).string() : std::string();
    }

    void touched(size_t slot) {
        // Each change gets a time of its own, as a real writer's does over
        // seconds: a rewrite to the same size must not look unchanged.
        const timespec changed{1500000000 + ++stamp_, 0};
        const timespec times[2] = {changed, changed};
        ::utimensat(AT_FDCWD, path(slot).c_str(), times, 0);
        changed_at_[path(slot)] = looks_ + 1;
    }

    void write(size_t slot, const std::string &text, bool append) {
        // A pipe there refuses a writer without a reader; a folder, any.
        const int fd =
            ::open(path(slot).c_str(),
                   O_WRONLY | O_CREAT | O_NONBLOCK | (append ? O_APPEND : O_TRUNC), 0644);
        if (fd < 0) return;
        const ssize_t n = ::write(fd, text.data(), text.size());
        ::close(fd);
        if (n >= 0) touched(slot);
    }

    void make_pipe(size_t slot) {
        if (slot >= kSlots) return;
        std::error_code ec;
        fs::remove_all(path(slot), ec);
        ::mkfifo(path(slot).c_str(), 0600);
        pipe_on_read_ = kSlots;
    }

    std::set<std::string> taken_now() const {
        std::set<std::string> taken;
        for (const WatchedSeries &w : watch_->series())
            taken.insert(w.scans.begin(), w.scans.end());
        return taken;
    }

    bool look(double advance) {
        now_ += advance;
        const std::set<std::string> before = taken_now();
        std::vector<WatchMessage> messages;
        std::string error;
        const bool looked = watch_->look(messages, error);
        ++looks_;
        if (replaced_) {
            require(!looked && error.find("was replaced") != std::string::npos,
                    "a replaced folder is not noticed");
            return false;
        }
        require(looked, "a look failed on a folder that is there");
        std::set<std::string> used_unfinished;
        for (const WatchMessage &m : messages) {
            require(m.text.size() <= kLongestMessage, "a message is too long");
            if (m.text.find("looks unfinished") != std::string::npos)
                used_unfinished.insert(m.file);
        }
        std::set<std::string> members;
        for (const WatchedSeries &w : watch_->series()) {
            require(w.members.size() == w.numbers.size(), "members and numbers differ");
            size_t at = 0;
            for (size_t i = 0; i < w.members.size(); ++i) {
                require(i == 0 || w.numbers[i - 1] < w.numbers[i], "numbers do not rise");
                require(members.insert(w.members[i]).second, "a file is in two series");
                const auto [given, fresh] =
                    numbers_.try_emplace({w.number, w.members[i]}, w.numbers[i]);
                require(fresh || given->second == w.numbers[i], "a scan was numbered anew");
                if (at < w.scans.size() && w.scans[at] == w.members[i]) ++at;
            }
            require(at == w.scans.size(), "a scan taken is not a member, or out of order");
        }
        for (const std::string &file : taken_now()) {
            if (before.contains(file)) continue;
            const auto changed = changed_at_.find(file);
            require(changed == changed_at_.end() ||
                        looks_ - changed->second >= quillane::session::kStableLooks,
                    "a scan was taken before it stayed unchanged");
            const std::string text = text_of(file);
            require(used_unfinished.contains(file) ||
                        (!text.empty() && (text.back() == '\n' || text.back() == '\r')),
                    "a scan whose last line is cut was taken without a note");
        }
        return true;
    }

    FuzzedDataProvider &in_;
    const fs::path folder_ = fs::path(quillane::fuzz::scratch_folder()) / "run";
    const fs::path moved_ = fs::path(quillane::fuzz::scratch_folder()) / "run.old";
    std::unique_ptr<FolderWatch> watch_;
    double now_ = 0.0;
    int looks_ = 0;
    long stamp_ = 0;
    size_t pipe_on_read_ = kSlots;  // none
    bool replaced_ = false;
    std::map<std::string, int> changed_at_;  // the look that sees a file's last change
    std::map<std::pair<int, std::string>, int> numbers_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    Run run(in);
    for (int i = 0; i < kMaxSteps && in.remaining_bytes() > 0; ++i)
        if (!run.step()) return 0;
    run.settle();
    return 0;
}
