// SPDX-License-Identifier: MIT
#include "scanfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <streambuf>
#include <vector>

#include "free_input.h"
#include "ftn_format.h"
#include "log.h"
#include "regular_file.h"

namespace quillane {
namespace {

// Position bounds as single-precision numbers, compared with the position as
// read: a radius lies strictly between 5.7 and 7.45 cm, a value of xi
// strictly between 5.7^2/2 and 7.45^2/2.
const double kRadiusLow = static_cast<float>(5.7);
const double kRadiusHigh = static_cast<float>(7.45);
const double kXiLow = static_cast<float>(16.245);
const double kXiHigh = static_cast<float>(27.75125);

struct Position {
    double radius;
    double xi;
};

// Inside the plausibility bound; false for a NaN too.
bool within_bound(double v, double bound) {
    return std::fabs(v) <= bound;
}

bool classify_position(double x, Position &p) {
    if (x < kRadiusLow) return false;
    if (x > kXiLow && x < kXiHigh) {
        p = {std::sqrt(2.0 * x), x};
        return true;
    }
    if (x > kRadiusLow && x < kRadiusHigh) {
        p = {x, x * x / 2.0};
        return true;
    }
    return false;
}

// No line of a scan file comes near this length; a file with a longer one
// (a binary file, /dev/zero) is not a scan, and reading on would only fill
// the memory.
constexpr size_t kLongestLine = 65536;

// A scan file read through the descriptor open_regular_file gives, in
// blocks; a read that fails ends the file, as the end of a stream does.
// open() fails, with `why` saying why ("it is a folder, not a regular
// file", or the system's reason), for anything but a regular file.
class ScanFile : public std::streambuf {
  public:
    ScanFile() = default;
    ScanFile(const ScanFile &) = delete;
    ScanFile &operator=(const ScanFile &) = delete;
    ~ScanFile() override {
        if (fd_ >= 0) ::close(fd_);
    }
    bool open(const std::string &file_name, std::string &why) {
        fd_ = open_regular_file(file_name.c_str(), why);
        // A small file is read in one block of its size (and a byte more,
        // to find its end), not of kBlock.
        if (fd_ < 0) return false;
        struct stat st {};
        const bool small = ::fstat(fd_, &st) == 0 && static_cast<size_t>(st.st_size) < kBlock;
        block_.resize(small ? static_cast<size_t>(st.st_size) + 1 : kBlock);
        return true;
    }

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (fd_ < 0) return traits_type::eof();
        ssize_t n = 0;
        do
            n = ::read(fd_, block_.data(), block_.size());
        while (n < 0 && errno == EINTR);
        if (n <= 0) return traits_type::eof();
        setg(block_.data(), block_.data(), block_.data() + n);
        return traits_type::to_int_type(*gptr());
    }

  private:
    // Scans are tens of kilobytes: most are read in one or two blocks.
    static constexpr size_t kBlock = 64 * 1024;
    int fd_ = -1;
    std::vector<char> block_;
};

// Reads the next line into the 133-character view that the format allows,
// holding no more than that whatever the line's length.  False at the end
// of the file, and also, with `too_long` set, at a line beyond kLongestLine.
bool next_line(std::streambuf &in, std::string &line, bool &too_long) {
    line.clear();
    size_t length = 0;
    bool any = false;
    for (;;) {
        const int c = in.sbumpc();
        if (c == std::char_traits<char>::eof()) break;
        any = true;
        if (c == '\n') break;
        if (++length > kLongestLine) {
            too_long = true;
            return false;
        }
        if (line.size() <= static_cast<size_t>(kScanLineLength))
            line.push_back(static_cast<char>(c));
    }
    if (!any) return false;
    // A carriage return ends the line only as the last character of all.
    if (!line.empty() && line.back() == '\r' && length <= static_cast<size_t>(kScanLineLength) + 1)
        line.pop_back();
    if (line.size() > static_cast<size_t>(kScanLineLength)) line.resize(kScanLineLength);
    return true;
}

std::string too_long_text(long line_number) {
    return "line " + std::to_string(line_number) + " is longer than " +
           std::to_string(kLongestLine) + " characters, so this is not a scan file";
}

// What a data line gave.
enum class DataLine {
    point,
    skipped,      // text, a rejected point, a position outside the bounds
    implausible,  // a point whose value lies beyond kValueBound
    not_double,   // numbers of which one is beyond the range of a double
};

// True when text starts with min_fields to max_fields items that all have
// the form of numbers and one of them is no finite double: beyond its range
// (1e400, 1e-400) or written as inf or nan.  The free-format reader takes
// such an item for text; the line is then reported rather than skipped in
// silence.
bool holds_non_double(std::string_view text, size_t min_fields, size_t max_fields) {
    size_t pos = 0;
    size_t seen = 0;
    bool found = false;
    auto blank = [&](size_t i) { return text[i] == ' ' || text[i] == '\t' || text[i] == '\f'; };
    while (seen < max_fields) {
        while (pos < text.size() && blank(pos))
            ++pos;
        if (pos >= text.size()) break;
        size_t end = pos;
        while (end < text.size() && !blank(end) && text[end] != ',')
            ++end;
        std::string item(text.substr(pos, end - pos));
        for (char &c : item)
            if (c == 'D' || c == 'd') c = 'e';
        const char *first = item.c_str();
        const char *last = first + item.size();
        if (first != last && *first == '+') ++first;
        double v = 0.0;
        const auto r = std::from_chars(first, last, v);
        if (first == last || r.ptr != last) return false;
        if (r.ec == std::errc::result_out_of_range || (r.ec == std::errc() && !std::isfinite(v)))
            found = true;
        else if (r.ec != std::errc())
            return false;
        ++seen;
        pos = end;
        while (pos < text.size() && blank(pos))
            ++pos;
        if (pos < text.size() && text[pos] == ',') ++pos;
    }
    return found && seen >= min_fields;
}

// Tries the data-line rules; on success fills the point.
DataLine parse_data_line(std::string_view line, double &y, Position &pos, double &sd) {
    std::array<double, 3> v{0.0, 0.0, 0.0};
    FreeRead r = read_free_numbers(line, v);
    bool third = true;
    if (r == FreeRead::end_of_record) {
        // Two columns are enough; a single number is not a point.
        std::array<double, 2> two{0.0, 0.0};
        r = read_free_numbers(line, two);
        if (r != FreeRead::ok)
            return holds_non_double(line, 2, 3) ? DataLine::not_double : DataLine::skipped;
        v = {two[0], two[1], 0.0};
        third = false;
    } else if (r != FreeRead::ok) {
        return holds_non_double(line, 2, 3) ? DataLine::not_double : DataLine::skipped;
    }
    if (v[2] < 0.0) return DataLine::skipped;  // rejected point
    sd = third ? v[2] : kNoDeviation;
    if (!classify_position(v[0], pos)) return DataLine::skipped;
    if (!within_bound(v[1], kValueBound)) return DataLine::implausible;
    y = v[1];
    return DataLine::point;
}

// Data lines of one file that held numbers but gave no point, by reason,
// with the first line number of each.
struct Rejections {
    long implausible = 0;
    long first_implausible = 0;
    long not_double = 0;
    long first_not_double = 0;

    void note(DataLine what, long line_number) {
        long &count = what == DataLine::implausible ? implausible : not_double;
        long &first = what == DataLine::implausible ? first_implausible : first_not_double;
        if (count++ == 0) first = line_number;
    }
};

// A number for a message: scientific, `digits` after the point.
std::string number_text(double v, int digits) {
    return std::string(ftn::trim(ftn::sci(v, 30, digits, 'E')));
}

std::string bound_text(double bound) {
    return number_text(bound, 1);
}

void report_rejections(Log &log, const std::string &file, const Rejections &r) {
    auto say = [&](long count, long first, const std::string &why) {
        if (count == 0) return;
        const std::string line = " " + file + ": " + std::to_string(count) + " data line" +
                                 (count == 1 ? "" : "s") + " rejected, " + why + " (first: line " +
                                 std::to_string(first) + ")";
        log.both(line);
    };
    say(r.implausible, r.first_implausible,
        "the value lies beyond " + bound_text(kValueBound) + " in magnitude");
    say(r.not_double, r.first_not_double,
        "a number is not finite or beyond the range of double precision");
}

// The time-line rule: the first two lines of two or more characters after
// the description are looked at; one beginning with R or P followed by four
// numbers is the time line, and the search ends there.  A line looked at
// that begins with neither letter is dropped.
class TimeLineSearch {
  public:
    enum class Verdict {
        not_looked_at,  // the search is over: an ordinary line
        dropped,        // looked at, neither R nor P
        found,          // the time line; `numbers` holds its first four numbers
        not_found,      // R or P without four numbers: an ordinary line after all
    };

    // For a line of two or more characters.
    Verdict check(std::string_view line, std::array<double, 4> &numbers) {
        if (!searching_ || looked_at_ >= 2) return Verdict::not_looked_at;
        ++looked_at_;
        if (line[0] != 'R' && line[0] != 'P') return Verdict::dropped;
        if (read_free_numbers(line.substr(1), numbers) != FreeRead::ok) return Verdict::not_found;
        searching_ = false;
        return Verdict::found;
    }

  private:
    bool searching_ = true;
    int looked_at_ = 0;
};

// Puts the points first..last of the raw store in rising order of position
// when they are not: the limit search and the matching walk every set from
// its low end.  Equal positions keep their file order.  Returns how many
// points lay below the point before them.
long put_in_rising_order(State &s, int32_t first, int32_t last) {
    if (last <= first) return 0;
    const auto begin = s.raw_points.begin() + first;
    const auto end = s.raw_points.begin() + last + 1;
    long out_of_order = 0;
    for (auto p = begin + 1; p != end; ++p)
        if (p->xi < (p - 1)->xi) ++out_of_order;
    if (out_of_order > 0)
        std::stable_sort(begin, end,
                         [](const RawPoint &a, const RawPoint &b) { return a.xi < b.xi; });
    return out_of_order;
}

}  // namespace

std::string clean_file_name(std::string name) {
    const size_t nul = name.find('\0');
    if (nul != std::string::npos) name.resize(nul);
    return std::string(ftn::trim_right(name));
}

ScanHeader read_scan_header(const std::string &name, std::string &error) {
    error.clear();
    const std::string file_name = clean_file_name(name);
    ScanFile in;
    std::string why;
    if (!in.open(file_name, why)) {
        error = "Cannot open scan file " + file_name + ": " + why;
        return {};
    }
    std::string line;
    bool too_long = false;
    long line_number = 1;
    if (!next_line(in, line, too_long)) {  // not even a description
        if (too_long) error = file_name + ": " + too_long_text(line_number);
        return {};
    }
    TimeLineSearch search;
    for (;;) {
        if (!next_line(in, line, too_long)) {
            if (too_long) error = file_name + ": " + too_long_text(line_number + 1);
            return {};
        }
        ++line_number;
        if (ftn::trim_right(line).size() < 2) continue;
        std::array<double, 4> numbers{};
        switch (search.check(line, numbers)) {
            case TimeLineSearch::Verdict::found: {
                ScanHeader h = header_facts(std::string_view(line).substr(1), kTimeBound);
                h.letter = line[0];
                return h;
            }
            case TimeLineSearch::Verdict::not_looked_at:
                return {};  // the search is over without a time line
            case TimeLineSearch::Verdict::dropped:
            case TimeLineSearch::Verdict::not_found:
                break;
        }
    }
    return {};
}

void read_scan_file(State &s, std::string name, int n) {
    Log log(s);
    if (n < 1 || n > kMaxDataSets) {
        const std::string line = ftn::FreeLine()
                                 << " Data set number out of range 1..50, file not read:" << n;
        note_error(s, line);
        log.box(line);
        return;
    }
    s.data_file_names[n] = clean_file_name(std::move(name));
    const std::string &file_name = s.data_file_names[n];

    if (n == 1) {
        log.both(ftn::FreeLine() << ftn::pad_right(s.banner, 80));
        log.both(ftn::FreeLine() << "The output file is " + s.out_file_name);
    }

    int32_t start = first_raw_index(s, n) - 1;
    s.set_time[n] = n;
    s.set_header[n] = ScanHeader{};
    auto echo = [&](std::string_view line) {
        if (s.echo_input) log.file(ftn::FreeLine() << ftn::trim_right(line));
    };

    int32_t count = 0;
    long dropped = 0;
    long line_number = 0;
    Rejections rejected;
    std::vector<std::string> time_notes;
    ScanFile in;
    std::string why;
    const bool opened = in.open(file_name, why);
    bool too_long = false;
    auto next = [&](std::string &line) {
        if (!next_line(in, line, too_long)) return false;
        ++line_number;
        return true;
    };
    if (!opened) {
        const std::string line =
            " Cannot open scan file " + file_name + ": " + why + "; the data set has no points";
        note_error(s, line);
        log.both(line);
    } else if (start <= kMaxPoints) {
        std::string line;
        TimeLineSearch search;
        if (next(line)) {
            echo(line);
            while (next(line)) {
                if (ftn::trim_right(line).size() < 2) {
                    echo(line);
                    continue;
                }
                std::array<double, 4> numbers{};
                const auto verdict = search.check(line, numbers);
                if (verdict == TimeLineSearch::Verdict::dropped) continue;
                if (verdict != TimeLineSearch::Verdict::not_looked_at) {
                    const std::string_view items = std::string_view(line).substr(1);
                    if (verdict == TimeLineSearch::Verdict::found) {
                        s.set_header[n] = header_facts(items, kTimeBound);
                        s.set_header[n].letter = line[0];
                        if (within_bound(numbers[3], kTimeBound)) {
                            s.set_time[n] = numbers[3];
                        } else {
                            time_notes.push_back(
                                " " + file_name + ", line " + std::to_string(line_number) +
                                ": the time " + number_text(numbers[3], 6) + " lies beyond " +
                                bound_text(kTimeBound) +
                                " in magnitude and is not used; the set's time stays " +
                                std::to_string(n));
                        }
                        echo(line);
                        continue;
                    }
                    if (holds_non_double(items, 4, 4))
                        time_notes.push_back(" " + file_name + ", line " +
                                             std::to_string(line_number) +
                                             ": a number beyond the range of double precision; "
                                             "the line is not taken for the time line");
                    // Not a time line after all: as a data line it fails on the letter.
                }
                double y = 0.0;
                Position pos{};
                double sd = kNoDeviation;
                const DataLine got = parse_data_line(line, y, pos, sd);
                if (got != DataLine::point) {
                    if (got != DataLine::skipped) rejected.note(got, line_number);
                    echo(line);
                    continue;
                }
                if (start >= kMaxPoints) {
                    ++dropped;
                    continue;
                }
                ++start;
                ++count;
                s.raw_points[start] = {y, pos.radius, 0.0, pos.xi, sd};
                s.raw_point_set[start] = n;
            }
        }
    }
    if (too_long) {
        // Nothing of such a file is taken, not even the lines before.
        start -= count;
        count = 0;
        dropped = 0;
        time_notes.clear();
        rejected = Rejections{};
        s.set_time[n] = n;
        s.set_header[n] = ScanHeader{};
        const std::string line = " " + file_name + ": " + too_long_text(line_number + 1) +
                                 "; the data set has no points";
        note_error(s, line);
        log.both(line);
    }
    s.set_point_count[0] = start;
    s.set_point_count[n] = count;
    s.set_points_not_read[n] =
        static_cast<int32_t>(std::min<long>(dropped, std::numeric_limits<int32_t>::max()));
    if (dropped > 0)
        log.both(ftn::FreeLine() << " The point store is full:" << dropped
                                 << " points of this file were not read");
    for (const std::string &note : time_notes)
        log.both(note);
    report_rejections(log, file_name, rejected);
    if (const long out_of_order = put_in_rising_order(s, start - count + 1, start))
        log.both(" " + file_name + ": the positions do not rise; " + std::to_string(out_of_order) +
                 (out_of_order == 1 ? " point was" : " points were") +
                 " out of order, the set is put in rising order");

    // A longer name is written whole: the line grows rather than the name
    // shrinks.
    log.both(" This was file " + (file_name.size() < kFileNameLength
                                      ? ftn::pad_right(file_name, kFileNameLength)
                                      : file_name));
    log.both(ftn::FreeLine() << count << " Data points read for this data set");
    log.both(ftn::FreeLine() << kMaxPoints - s.set_point_count[0] << " More points can be read in");
    log.both(ftn::FreeLine() << s.max_data_sets - n << " More data sets can be read in");
    log.both(" " + ftn::int_field(count, 5) + " DATA POINTS READ");

    if (s.echo_input) {
        log.file(" INPUT DATA");
        log.file("   I     Y          X          XW");
        for (int32_t p = start - count + 1; p <= start; ++p) {
            const RawPoint &rp = s.raw_points[p];
            log.file(" " + ftn::int_field(s.raw_point_set[p], 3) + ftn::sci(rp.value, 11, 3) +
                     ftn::sci(rp.xi, 11, 3) + ftn::sci(rp.radius, 11, 3));
        }
    }

    s.active_sets[n] = n;
    s.active_sets[0] = n;
    s.data_set_count = n;
}

bool is_data_line(std::string_view line) {
    std::array<double, 2> two{0.0, 0.0};
    return read_free_numbers(line, two) == FreeRead::ok;
}

}  // namespace quillane
