#include "scanfile.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "free_input.h"
#include "ftn_format.h"
#include "log.h"

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

// Reads the next line into the 133-character view that the format allows.
bool next_line(std::ifstream &in, std::string &line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kScanLineLength) line.resize(kScanLineLength);
    return true;
}

// Tries the data-line rules; on success fills the point.
bool parse_data_line(std::string_view line, double &y, Position &pos) {
    std::array<double, 3> v{0.0, 0.0, 0.0};
    FreeRead r = read_free_numbers(line, v);
    if (r == FreeRead::end_of_record) {
        // Two columns are enough; a single number is not a point.
        std::array<double, 2> two{0.0, 0.0};
        if (read_free_numbers(line, two) != FreeRead::ok) return false;
        v = {two[0], two[1], 0.0};
    } else if (r != FreeRead::ok) {
        return false;
    }
    if (v[2] < 0.0) return false;  // rejected point
    if (!std::isfinite(v[1])) return false;
    if (!classify_position(v[0], pos)) return false;
    y = v[1];
    return true;
}

}  // namespace

std::string clean_file_name(std::string name) {
    const size_t nul = name.find('\0');
    if (nul != std::string::npos) name.resize(nul);
    std::string out(ftn::trim_right(name));
    if (out.size() > kFileNameLength) out.resize(kFileNameLength);
    return out;
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
    auto echo = [&](std::string_view line) {
        if (s.echo_input) log.file(ftn::FreeLine() << ftn::trim_right(line));
    };

    int32_t count = 0;
    long dropped = 0;
    std::error_code ec;
    const bool is_dir = std::filesystem::is_directory(file_name, ec);
    std::ifstream in;
    if (!is_dir) in.open(file_name, std::ios::binary);
    if (!in.is_open()) {
        const std::string why = is_dir ? "it is a folder" : std::strerror(errno);
        const std::string line =
            " Cannot open scan file " + file_name + ": " + why + "; the data set has no points";
        note_error(s, line);
        log.both(line);
    } else if (start <= kMaxPoints) {
        std::string line;
        bool time_search = true;
        int time_lines = 0;
        if (next_line(in, line)) {
            echo(line);
            while (next_line(in, line)) {
                if (ftn::trim_right(line).size() < 2) {
                    echo(line);
                    continue;
                }
                if (time_search && time_lines < 2) {
                    ++time_lines;
                    if (line[0] != 'R' && line[0] != 'P') continue;
                    std::array<double, 4> numbers{};
                    if (read_free_numbers(std::string_view(line).substr(1), numbers) ==
                        FreeRead::ok) {
                        s.set_time[n] = numbers[3];
                        time_search = false;
                        echo(line);
                        continue;
                    }
                    // Not a time line after all: as a data line it fails on the letter.
                }
                double y = 0.0;
                Position pos{};
                if (!parse_data_line(line, y, pos)) {
                    echo(line);
                    continue;
                }
                if (start >= kMaxPoints) {
                    ++dropped;
                    continue;
                }
                ++start;
                ++count;
                s.raw_points[start] = {y, pos.radius, 0.0, pos.xi};
                s.raw_point_set[start] = n;
            }
        }
    }
    s.set_point_count[0] = start;
    s.set_point_count[n] = count;
    if (dropped > 0)
        log.both(ftn::FreeLine() << " The point store is full:" << dropped
                                 << " points of this file were not read");

    log.both(" This was file " + ftn::pad_right(file_name, kFileNameLength));
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

}  // namespace quillane
