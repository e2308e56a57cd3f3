// SPDX-License-Identifier: MIT
#include "plot_file.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "file_write.h"
#include "ftn_format.h"
#include "log.h"

namespace quillane {
namespace {

constexpr int kHeadingColumns = 79;  // columns 2-80 of lines 1 and 2
constexpr int kStampLength = 25;

std::string_view heading_text(std::string_view text) {
    return ftn::trim_right(text.substr(0, std::min<size_t>(text.size(), kPlotTextLength)));
}

bool finite_record(const PlotRecord &r) {
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.third);
}

}  // namespace

int plot_text_length(std::string_view text) {
    return static_cast<int>(ftn::trim_right(text).size());
}

// The general form rounds to the six digits shown before it chooses between
// fixed point and scientific notation: 999999.7 is written 1.000000E+06.
std::string plot_number(float v) {
    return ftn::general(v, 6, 14);
}

std::string plot_time_stamp(const std::tm &t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d ON %02d/%02d/%04d   ", t.tm_hour, t.tm_min,
                  t.tm_sec, t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    return ftn::pad_right(buf, kStampLength);
}

std::string plot_heading_line(std::string_view heading, bool delete_marker) {
    const std::string_view text = heading_text(heading);
    if (!delete_marker) return " " + std::string(text);
    return " " + ftn::pad_right(text, kHeadingColumns) + "!";
}

std::string plot_second_heading_line(std::string_view heading2, std::string_view stamp) {
    return " " + ftn::pad_right(heading_text(heading2), kHeadingColumns) +
           ftn::pad_right(stamp, kStampLength);
}

std::string plot_label_line(std::string_view label) {
    const std::string_view text = heading_text(label);
    if (text.empty()) return " " + std::string(kPlotTextLength, ' ');
    return " " + std::string(text);
}

std::string plot_count_line(size_t count) {
    return " " + ftn::int_field(static_cast<long long>(count), 15);
}

namespace {

// A point record appended to `out`, without a string of its own: a plot
// may hold 204,800 of them.
void append_record(std::string &out, const PlotRecord &r) {
    out += "  ";
    ftn::append_general(out, r.x, 6, 14);
    out += ' ';
    ftn::append_general(out, r.y, 6, 14);
    out += ' ';
    ftn::append_general(out, r.third, 6, 14);
    out += ' ';
    ftn::append_int(out, static_cast<int8_t>(r.code), 5);
}

}  // namespace

std::string plot_record_line(const PlotRecord &r) {
    std::string line;
    append_record(line, r);
    return line;
}

std::string format_plot_file(const PlotState &plot, bool delete_marker, std::string_view stamp) {
    std::string text;
    text.reserve(128 * 5 + 54 * plot.plot_points.size());
    auto line = [&](const std::string &l) {
        text += l;
        text += "\r\n";
    };
    line(plot_heading_line(plot.plot_heading, delete_marker));
    line(plot_second_heading_line(plot.plot_heading2, stamp));
    line(plot_label_line(plot.plot_xlabel));
    line(plot_label_line(plot.plot_ylabel));
    line(plot_count_line(plot.plot_points.size()));
    for (const PlotRecord &r : plot.plot_points) {
        append_record(text, r);
        text += "\r\n";
    }
    return text;
}

std::tm local_time_now(int *hundredths) {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    const std::time_t seconds = tv.tv_sec;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    if (hundredths != nullptr) *hundredths = static_cast<int>(tv.tv_usec / 10000);
    return local;
}

size_t drop_non_finite_records(std::vector<PlotRecord> &points) {
    const size_t before = points.size();
    bool line_broken = false;
    size_t kept = 0;
    for (const PlotRecord &r : points) {
        const bool line_code = r.code == kCodeLineStart || r.code == kCodeLineContinue;
        if (!finite_record(r)) {
            line_broken |= line_code;
            continue;
        }
        PlotRecord out = r;
        if (line_code && line_broken) {
            out.code = kCodeLineStart;
            line_broken = false;
        }
        points[kept++] = out;
    }
    points.resize(kept);
    return before - kept;
}

PlotWriteOutcome write_plot_file(State &s) {
    if (!s.write_plot_files) return PlotWriteOutcome::disabled;
    const std::string &name = s.plot_file_name;
    // Created as a new file only: the viewer may not yet have taken the
    // previous plot, and overwriting it would show the wrong graph.
    const int fd =
        name.empty() ? -1 : ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = name.empty() ? ENOENT : errno;
        if (err == EEXIST) {
            Log::post_error(s, " The plot file " + name + " exists and was not written");
            return PlotWriteOutcome::exists;
        }
        Log::post_error(s, " Cannot create the plot file " + name + ": " + std::strerror(err));
        return PlotWriteOutcome::failed;
    }
    if (const size_t dropped = drop_non_finite_records(s.plot.plot_points))
        Log::post_error(s, " The plot file " + name + " leaves out " + std::to_string(dropped) +
                               (dropped == 1 ? " point" : " points") +
                               " whose values are not finite in single precision");
    const std::string text =
        format_plot_file(s.plot, s.delete_plot_files, plot_time_stamp(local_time_now()));
    size_t written = 0;
    int error = write_all(fd, text, written);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) return PlotWriteOutcome::written;
    // A partial plot would be shown as if it were whole: remove it.
    std::string line = " Cannot write the plot file " + name + ": " + std::strerror(error);
    if (::unlink(name.c_str()) != 0)
        line += "; the partial file could not be removed: " + std::string(std::strerror(errno));
    else
        line += "; the partial file was removed";
    Log::post_error(s, line);
    return PlotWriteOutcome::failed;
}

}  // namespace quillane
