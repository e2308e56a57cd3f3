// A stand-in for the plot-file reader, built into the viewer tests only
// while analysis/plotfile has no implementation of its interface.  It reads
// the documented layout and nothing more.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "plot_file_reader.h"

namespace quillane::plotfile {

namespace {

std::string trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string line(std::istream &in) {
    std::string text;
    std::getline(in, text);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

std::string part(const std::string &text, size_t from, size_t count = std::string::npos) {
    return from < text.size() ? text.substr(from, count) : std::string();
}

// The next free-format field: blanks, commas and line ends separate fields.
bool field(std::istream &in, std::string &out) {
    out.clear();
    int c;
    while ((c = in.peek()) != EOF &&
           (c == ' ' || c == ',' || c == '\r' || c == '\n' || c == '\t')) {
        in.get();
    }
    while ((c = in.peek()) != EOF &&
           !(c == ' ' || c == ',' || c == '\r' || c == '\n' || c == '\t')) {
        out.push_back(static_cast<char>(in.get()));
    }
    return !out.empty();
}

bool number(const std::string &text, double &value) {
    if (text.empty()) return false;
    std::string copy = text;
    std::replace(copy.begin(), copy.end(), 'D', 'E');
    char *end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end && *end == '\0';
}

}  // namespace

bool PlotData::marked_for_deletion() const {
    return line1.find('!', 79) == 80;
}

ReadStatus read_plot_file(std::istream &in, PlotData &data, const ReadProgress &progress) {
    data.line1 = line(in);
    const std::string line2 = line(in);
    data.heading = trimmed(part(data.line1, 1, 77));
    data.stamp = trimmed(part(line2, 78));
    data.heading2 = trimmed(part(line2, 0, 79));
    if (!data.stamp.empty()) data.heading2 += "  ::  " + data.stamp;
    data.x_label = trimmed(line(in));
    data.y_label = trimmed(line(in));

    std::string text;
    double count_value = 0;
    const bool have_count = field(in, text) && number(text, count_value);
    if (!have_count || count_value < 1) {
        data.count = 0;
        return ReadStatus::no_data;
    }
    const auto total = static_cast<int64_t>(count_value);
    const auto kept = static_cast<int32_t>(std::min<int64_t>(total, kMaxViewerPoints));
    if (data.points.size() < static_cast<size_t>(kept))
        data.points.resize(static_cast<size_t>(kept));
    data.count = kept;

    const int64_t step = std::llround(static_cast<double>(total) / 10.0);
    int shown = 0;
    for (int64_t i = 1; i <= total; ++i) {
        double values[4];
        bool ok = true;
        for (double &value : values)
            ok = field(in, text) && number(text, value) && ok;
        if (ok && i <= kept) {
            auto &point = data.points[static_cast<size_t>(i - 1)];
            point.x = static_cast<float>(values[0]);
            point.y = static_cast<float>(values[1]);
            point.code = static_cast<int16_t>(values[3]);
        }
        if (step > 0 && progress) {
            const int percent = static_cast<int>(std::min<int64_t>(i / step * 10, 100));
            if (percent > shown) {
                shown = percent;
                progress(percent);
            }
        }
    }
    return ReadStatus::ok;
}

}  // namespace quillane::plotfile
