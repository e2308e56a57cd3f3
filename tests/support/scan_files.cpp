// SPDX-License-Identifier: MIT
#include "scan_files.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace quillane::test_support {

namespace {

// Numbers as the instruments write them: no locale, enough digits.
std::string number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

}  // namespace

std::string scan_text(const Scan &scan) {
    std::string text = scan.description + "\r\n";
    if (scan.time)
        text += "R " + std::to_string(scan.cell) + " 20.0 " + number(scan.speed_rpm) + " " +
                number(*scan.time) + " 1.0E+10 " + number(scan.wavelength_nm) + " 1\r\n";
    for (const ScanPoint &p : scan.points) {
        text += number(p.position) + " " + number(p.value);
        if (p.error) text += " " + number(*p.error);
        text += "\r\n";
    }
    return text;
}

std::vector<ScanPoint> points_on(double r0, double dr, int n,
                                 const std::function<double(double)> &value) {
    std::vector<ScanPoint> points;
    for (int i = 0; i < n; ++i) {
        const double r = r0 + dr * i;
        points.push_back({r, value(r), std::nullopt});
    }
    return points;
}

Scan exponential_scan(int k, int points, double growth) {
    Scan scan;
    scan.description = "Scratch cell, scan " + std::to_string(k);
    scan.time = 3600.0 * k;
    scan.points = points_on(6.0, 0.008, points, [&](double r) {
        return 0.1 * std::exp(2.0 * (r * r / 2 - 18.0)) * (1.0 + growth * k);
    });
    for (ScanPoint &p : scan.points)
        p.error = 0.005;
    return scan;
}

Scan settled_scan(int k) {
    Scan scan;
    scan.description = "Settled cell, scan " + std::to_string(k);
    scan.time = 3600.0 * k;
    std::mt19937 rng(static_cast<unsigned>(k) * 7919u + 1u);
    std::normal_distribution<double> noise(0.0, 0.005);
    scan.points = points_on(6.0, 0.008, 120,
                            [](double r) { return 0.3 * std::exp(0.2 * (r * r / 2 - 18.0)); });
    for (ScanPoint &p : scan.points) {
        p.value += noise(rng);
        p.error = 0.005;
    }
    return scan;
}

Scan small_scan(int number) {
    Scan scan;
    scan.description = "Scan " + std::to_string(number) + " of a test cell";
    scan.time = 600.0 * number;
    for (int i = 0; i < 60; ++i)
        scan.points.push_back({6.0 + 0.01 * i, 0.1 * i + number, std::nullopt});
    return scan;
}

std::string write_file(const std::filesystem::path &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path.string();
}

std::string moved_scan_text(const std::string &text, double shift_cm) {
    std::istringstream in(text);
    std::string moved, line;
    for (int n = 0; std::getline(in, line); ++n) {
        double r = 0.0, value = 0.0, sd = 0.0;
        // The description and the time line come first.
        if (n >= 2 && std::sscanf(line.c_str(), "%lf %lf %lf", &r, &value, &sd) == 3) {
            char point[96];
            std::snprintf(point, sizeof point, "%.4f  %.5E  %.5E", r + shift_cm, value, sd);
            line = point;
        }
        moved += line + "\n";
    }
    return moved;
}

std::string read_file(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

ScratchFolder::ScratchFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("quillane-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string ScratchFolder::write_scan(const std::string &name, const Scan &scan) const {
    return write_file(path_ / name, scan_text(scan));
}

bool make_node(const std::filesystem::path &path, Node kind) {
    // The major and minor numbers of the memory devices (Linux).
    constexpr unsigned kMemoryDevices = 1, kNull = 3, kFull = 7;
    switch (kind) {
        case Node::null_device:
        case Node::full_device:
            return ::mknod(path.c_str(), S_IFCHR | 0666,
                           makedev(kMemoryDevices, kind == Node::null_device ? kNull : kFull)) == 0;
        case Node::pipe:
            return ::mkfifo(path.c_str(), 0666) == 0;
        case Node::socket: {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (path.string().size() >= sizeof address.sun_path) return false;
            std::strcpy(address.sun_path, path.c_str());
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const bool bound =
                fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
            if (fd >= 0) ::close(fd);
            return bound;
        }
        case Node::folder:
            return std::filesystem::create_directory(path);
    }
    return false;
}

SmallDisk::SmallDisk(const std::filesystem::path &at, const std::string &size) : at_(at) {
    std::filesystem::create_directories(at_);
    mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_) ::umount(at_.c_str());
}

void SmallDisk::fill() const {
    if (!mounted_) return;  // never a real disk
    const int fd = ::open((at_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string block(4096, 'x');
    for (size_t size = block.size(); fd >= 0 && size > 0;) {
        if (::write(fd, block.data(), size) <= 0) size /= 2;
    }
    if (fd >= 0) ::close(fd);
}

}  // namespace quillane::test_support
