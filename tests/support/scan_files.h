// SPDX-License-Identifier: MIT
// Scan files for the tests, in the layout the scan reader accepts: a
// description line, a time line ("R 1 20.0 12000 <time> ...") and one
// "position value [error]" line per point.  The one writer of scan files
// for every test program.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillane::test_support {

struct ScanPoint {
    double position = 0.0;  // cm (radius) or cm^2 (xi)
    double value = 0.0;
    std::optional<double> error;  // third column; a negative one rejects the point
};

struct Scan {
    std::string description = "Scratch cell";
    std::optional<double> time;  // s; no time line when empty
    // The rest of the time line: which cell, rotor speed and wavelength.
    int cell = 1;
    double speed_rpm = 12000.0;
    double wavelength_nm = 280.0;
    std::vector<ScanPoint> points;
};

// The file's text, lines ended by CR LF.
std::string scan_text(const Scan &scan);

// A scan of `points` points from 6.0 cm outward in steps of 0.008 cm with an
// exponential gradient that rises by `growth` with every scan number k;
// taken at 3600 k s.
Scan exponential_scan(int k, int points = 120, double growth = 0.001);

// A scan of a settled column as an instrument gives it: 120 points from
// 6.0 cm outward in steps of 0.008 cm, 0.3 exp(0.2 (xi - 18)) OD (0.3 to
// 1.0 OD), the same in every scan but for point noise of 0.005 OD drawn
// from k, and a replicate SD of 0.005; taken at 3600 k s.
Scan settled_scan(int k);

// A small scan of 60 points, 6.00 .. 6.59 cm, values 0.1 i + number, taken
// at 600 * number s.
Scan small_scan(int number);

// Points of value(r) on a grid of `n` radii from r0 in steps of dr.
std::vector<ScanPoint> points_on(double r0, double dr, int n,
                                 const std::function<double(double)> &value);

// A scan file's text with every point moved outward by shift_cm: the same
// scan with its columns elsewhere in the cell.
std::string moved_scan_text(const std::string &text, double shift_cm);

// Writes text to path (created or emptied); returns path.
std::string write_file(const std::filesystem::path &path, const std::string &text);
std::string read_file(const std::filesystem::path &path);

// A scratch folder removed with the object.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    const std::filesystem::path &path() const { return path_; }
    std::string file(const std::string &name) const { return (path_ / name).string(); }
    // Writes a scan file named `name` in the folder; returns its path.
    std::string write_scan(const std::string &name, const Scan &scan) const;

  private:
    std::filesystem::path path_;
};

// Nodes an output may find at its name.  The devices are the kernel's
// memory devices: one takes every byte (as /dev/null does), the other
// refuses every write with ENOSPC (as /dev/full does).  Making a device needs
// the privilege to (CI runs as root): false when it is missing.
enum class Node { null_device, full_device, pipe, socket, folder };
bool make_node(const std::filesystem::path &path, Node kind);

// A small file system (tmpfs) mounted at a new folder while the object
// lives, where writes fail with ENOSPC as on a full disk.  Mounting needs
// the privilege to: mounted() says whether it was there.
class SmallDisk {
  public:
    SmallDisk(const std::filesystem::path &at, const std::string &size = "128k");
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    bool mounted() const { return mounted_; }
    // Takes every byte still free with a file named "filler".
    void fill() const;

  private:
    std::filesystem::path at_;
    bool mounted_ = false;
};

}  // namespace quillane::test_support
