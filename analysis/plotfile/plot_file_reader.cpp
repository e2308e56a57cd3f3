// SPDX-License-Identifier: MIT
#include "plot_file_reader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace quillane::plotfile {
namespace {

constexpr size_t kMarkerColumn = 81;
constexpr size_t kHeadingLast = 78;        // the heading is read from columns 2-78
constexpr size_t kSecondHeadingLast = 79;  // the second heading from columns 1-79
constexpr size_t kStampFirst = 79;         // the time stamp from column 79 on
const char *const kStampSeparator = "  ::  ";

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && is_blank(s[b]))
        ++b;
    while (e > b && is_blank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

// Columns first..last (1-based, inclusive) of a line, as far as it reaches.
std::string_view columns(std::string_view line, size_t first, size_t last) {
    if (first > line.size()) return {};
    return line.substr(first - 1, std::min(line.size(), last) - (first - 1));
}

bool read_line(std::istream &in, std::string &line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// Free-format fields: blanks, tabs and commas separate them.
std::vector<std::string> fields_of(const std::string &line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (is_blank(line[i]) || line[i] == ','))
            ++i;
        const size_t start = i;
        while (i < line.size() && !is_blank(line[i]) && line[i] != ',')
            ++i;
        if (i > start) out.emplace_back(line, start, i - start);
    }
    return out;
}

// A real number as the writer gives it (D is taken as an exponent letter
// too); the whole field must be the number.
bool parse_real(std::string field, float &out) {
    for (char &c : field)
        if (c == 'D' || c == 'd') c = 'E';
    // std::from_chars reads the same digits under every locale (strtof
    // would want a decimal comma under some); it takes no leading '+'.
    const char *begin = field.c_str();
    const char *end = begin + field.size();
    if (begin != end && *begin == '+') ++begin;
    float v = 0.0f;
    const auto r = std::from_chars(begin, end, v);
    if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool parse_code(const std::string &field, int16_t &out) {
    const char *begin = field.c_str();
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(begin, &end, 10);
    if (end == begin || *end != '\0' || errno == ERANGE || v < INT16_MIN || v > INT16_MAX)
        return false;
    out = static_cast<int16_t>(v);
    return true;
}

// One point record: four fields starting on a new line, continued over
// further lines when a line holds fewer; fields after the fourth on its line
// are not used.  False when the file ends first or a field is not a number.
bool read_point(std::istream &in, PlotPoint &point) {
    std::vector<std::string> fields;
    std::string line;
    while (fields.size() < 4) {
        if (!read_line(in, line)) return false;
        for (std::string &f : fields_of(line))
            fields.push_back(std::move(f));
    }
    PlotPoint p;
    float third = 0.0f;
    if (!parse_real(fields[0], p.x) || !parse_real(fields[1], p.y) ||
        !parse_real(fields[2], third) || !parse_code(fields[3], p.code))
        return false;
    point = p;
    return true;
}

// The first number on the count line; 0 when there is none.
int64_t read_count(std::istream &in) {
    std::string line;
    if (!read_line(in, line)) return 0;
    const std::vector<std::string> fields = fields_of(line);
    if (fields.empty()) return 0;
    const char *begin = fields[0].c_str();
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(begin, &end, 10);
    if (end == begin || *end != '\0' || errno == ERANGE) return 0;
    return v;
}

}  // namespace

bool PlotData::marked_for_deletion() const {
    return line1.size() >= kMarkerColumn && line1[kMarkerColumn - 1] == '!';
}

ReadStatus read_plot_file(std::istream &in, PlotData &data, const ReadProgress &progress) {
    std::string line2, line3, line4;
    data.line1.clear();
    read_line(in, data.line1);
    read_line(in, line2);
    read_line(in, line3);
    read_line(in, line4);

    data.heading = trim(columns(data.line1, 2, kHeadingLast));
    data.stamp = trim(columns(line2, kStampFirst, line2.size()));
    data.heading2 = trim(columns(line2, 1, kSecondHeadingLast));
    if (!data.stamp.empty()) data.heading2 += kStampSeparator + data.stamp;
    data.x_label = trim(line3);
    data.y_label = trim(line4);

    const int64_t announced = read_count(in);
    if (announced < 1) {
        data.count = 0;
        data.points.clear();
        return ReadStatus::no_data;
    }
    // Records past the viewer's capacity are not kept.
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(announced, kMaxViewerPoints));
    data.count = n;
    data.points.resize(static_cast<size_t>(n));

    const int32_t step = static_cast<int32_t>(std::lround(n / 10.0));
    int shown = 0;
    for (int32_t i = 1; i <= n; ++i) {
        // A record that cannot be read keeps the slot's old values and
        // reading goes on with the next line.
        read_point(in, data.points[static_cast<size_t>(i - 1)]);
        if (step > 0 && progress) {
            const int percent = std::min(100, (i / step) * 10);
            if (percent > shown) {
                shown = percent;
                progress(percent);
            }
        }
    }
    return ReadStatus::ok;
}

}  // namespace quillane::plotfile
