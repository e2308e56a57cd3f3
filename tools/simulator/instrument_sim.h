// SPDX-License-Identifier: MIT
// A simulated absorbance optics of an analytical ultracentrifuge: scan
// series as a real instrument writes them, with their truth.  Also
// sedimentation velocity series as the interference optics writes them
// (simulate_velocity_series, below).
//
// A series is one cell at one rotor speed and one wavelength, scanned
// `scans` times.  Along the radius each scan shows, per channel pair of the
// centerpiece: air, the reference meniscus (a negative spike), the
// reference solvent, the sample meniscus (a positive spike), the solution
// column, the base (one of three shapes) and then the region between
// channels (rough stretches and a smooth positive shelf).  In every column
// the concentration relaxes towards its equilibrium profile with one time
// constant per series:
//
//   c(r, t) = c_eq(r) + a(r) e^(-t/tau),   c_eq(xi) = A exp(sigma (xi - xi_m))
//
// with t counted from the moment the speed was reached, a(r) = c_0(r) -
// c_eq(r) and c_0 the profile the series starts from (uniform loading, or
// the equilibrium profile of the previous speed).  So the time at which a
// column stays within a tolerance of its final profile follows from the
// model (see SeriesTruth).  Everything is deterministic from the seed.
//
// Use from a test:
//
//   quillane::sim::SeriesSetup setup;          // a six-channel cell, 10,000 rpm
//   setup.seed = 7;
//   setup.drift.radial_shift_cm = {0, 0, 0, 0, 0, 0, 0.015, 0.015};
//   const quillane::sim::Series s = quillane::sim::simulate_series(setup);
//   s.truth.channels[0].meniscus ... s.truth.t_eq_h ...
//   quillane::sim::write_scan(folder / "00001.RA2", s.scans[0], error);
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillane::sim {

enum class Centerpiece {
    six_channel,  // three channel pairs side by side, columns about 0.22 cm long
    two_channel,  // one channel pair, a column about 1.1 cm long
};

// What the scan shows where the solution column ends.
enum class BaseShape {
    dip_spike_shelf,   // a dip (0.12 -> 0.01 OD), a 1.5 OD spike, a smooth shelf 0.05-0.07 cm
    steep_fall,        // a steep fall to about -2.5 OD
    spike_then_noise,  // a 1.6-2.3 OD spike, then 0.025 cm of noisy data to the end of the scan
};

// Instrument drift per scan index (0 = first scan of the series); a scan
// beyond the end of a vector has none.
struct Drift {
    std::vector<double> baseline_od;      // added to every value of the scan
    std::vector<double> radial_shift_cm;  // the whole scan seen this far outward
};

// Shapes that real instrument runs show and clean scans lack, each measured
// on public runs; all off by default, so that a case without them draws what
// it always drew (the draws for them come from streams of their own).
struct RealShapes {
    // A dip right after the sample-meniscus spike: 0.03-0.17 OD below both
    // sides, 0.006-0.017 cm after the spike's peak, its depth varying from
    // scan to scan (half to 1.2 times the channel's).
    bool meniscus_dip = false;
    // Point noise (and replicate SD) growing with the absorbance as
    // 10^(A/2): less light reaches the detector where the solution absorbs.
    bool noise_with_absorbance = false;
    // Replicate SDs as real six-channel cells give them: the top channel's
    // falls 12 times from its meniscus to its base (0.051 -> 0.004 OD), the
    // middle one's is 0.003, the bottom one's 0.006; between channels they
    // jump at the window edges.
    bool sd_gradient = false;
    // Meniscus pairs 0.012-0.023 cm or 0.054-0.070 cm apart (drawn per
    // channel), sample spikes of 0.20-0.39 OD in half the channels, and a
    // top channel without a reference spike whose air reads 0.10 OD.
    bool wide_weak_menisci = false;
    // Lamp intensity: every scan's signal multiplied by 1 + f, f normal
    // with this SD (a fraction; real runs: 0.027-0.061 at 280 nm, 0.003-0.01
    // at 260 nm), cut at +-kMostScale; and every scan seen
    // radial_jitter_cm (SD) off along the radius (6.5 um on real runs).
    double scale_jitter = 0.0;
    double radial_jitter_cm = 0.0;
};

// The scale jitter real runs show at a wavelength, drawn once per series
// from the measured range (see RealShapes::scale_jitter).
double measured_scale_jitter(double wavelength_nm, uint64_t seed, int cell, double rpm);
// Real runs: radial position jitter from scan to scan (SD, cm).
inline constexpr double kMeasuredRadialJitterCm = 0.00065;

struct SeriesSetup {
    int cell = 2;
    Centerpiece centerpiece = Centerpiece::six_channel;
    // Per channel pair, from the top of the cell; empty: the defaults
    // (six-channel: one of each shape in the order above; two-channel:
    // spike_then_noise).  A shorter list repeats its last shape.
    std::vector<BaseShape> bases;
    double rpm = 10000.0;
    double wavelength_nm = 280.0;
    double speed_start_h = 0.0;  // clock time (file time) at which the speed was reached
    double start_h = 2.0;        // first scan, hours after speed_start_h
    double interval_h = 3.0;     // between scans
    int scans = 8;
    double tau_h = 6.0;          // relaxation time of every column of the series
    double previous_rpm = 0.0;   // 0: starts from uniform loading; else from that speed's c_eq
    double noise_od = 0.005;     // point noise (SD) of the smoothest column
    bool replicate_sd = true;    // write the third column (replicate SD) in the files
    double min_step_cm = 0.001;  // point spacing, drawn per point in this range
    double max_step_cm = 0.008;
    double omega2t_at_speed_start = 0.0;  // rad^2/s accumulated before this speed
    double time_offset_s = 0.0;  // added to every scan time (files of one slot follow each other)
    Drift drift;
    // Menisci that show as a step only: air, then the column at once, with
    // no reference or sample spike (a sample sector scanned without its
    // reference, or menisci too faint to stand out).  The truth's
    // reference meniscus is then the sample meniscus.
    bool step_menisci = false;
    // The loading of every channel times this: 0.125 at 30,000 rpm leaves
    // columns depleted to 0.02 OD over most of their length, as real runs
    // at that speed do.
    double loading_factor = 1.0;
    RealShapes real;
    uint64_t seed = 1;
};

struct Point {
    double r = 0.0;      // cm
    double value = 0.0;  // OD
    double sd = 0.0;     // replicate SD, OD (written only when the series has it)
};

struct Scan {
    int cell = 0;
    double temperature_c = 20.0;
    double rpm = 0.0;
    double time_s = 0.0;
    double omega2t = 0.0;
    double wavelength_nm = 0.0;
    int scan_number = 0;  // as written in the time line
    bool has_sd = true;
    // An interference scan (fringes): the time line begins with P, not R.
    bool interference = false;
    std::string description;
    std::vector<Point> points;  // rising radius
};

// One channel pair, cm, without drift.  The column the user wants is
// meniscus .. base.
struct ChannelTruth {
    double reference_meniscus = 0.0;
    double meniscus = 0.0;
    double base = 0.0;
    BaseShape base_shape = BaseShape::steep_fall;
    double noise_od = 0.0;  // point noise inside this column
    // Equilibrium by the model: t_eq_h at each of `radii` (clock hours, see
    // SeriesTruth); the column's own t_eq_h is the latest of them.
    std::vector<double> radii;
    std::vector<double> t_eq_h_at;
    double t_eq_h = 0.0;
};

struct SeriesTruth {
    std::vector<ChannelTruth> channels;  // from the top of the cell
    // The tolerance rule: a radius is at equilibrium from the time its
    // approach term |a(r)| e^(-t/tau) has fallen to `tolerance_od` (the
    // smoothest column's point noise unless asked otherwise), so
    // t_eq(r) = speed_start_h + tau_h ln(|a(r)| / tolerance_od), or
    // speed_start_h when |a(r)| is below the tolerance from the start.
    double tolerance_od = 0.0;
    double t_eq_h = 0.0;  // the latest over every column: the series' equilibrium
    double tau_h = 0.0;
};

struct Series {
    std::vector<Scan> scans;  // in the order taken
    SeriesTruth truth;
};

// The scans and the truth of a series.  tolerance_od <= 0 takes the
// series' noise_od.
Series simulate_series(const SeriesSetup &setup, double tolerance_od = 0.0);

// The truth alone (cheap: no scans), e.g. t_eq for another tolerance.
SeriesTruth series_truth(const SeriesSetup &setup, double tolerance_od = 0.0);

// The model's concentration (OD, without noise, drift or optics) of channel
// `channel` at radius r (cm) and clock time t_h; 0 outside the column.
double model_value(const SeriesSetup &setup, int channel, double r, double t_h);

// ---- Files ------------------------------------------------------------

// The scan file's text in the layout the instrument writes: a description,
// the time line "R cell temperature rpm time omega2t wavelength scan" ("P
// ..." for an interference scan), then "radius value [sd]" lines; lines end
// in CR LF.
std::string scan_text(const Scan &scan);
// The first two lines only (what an instrument has written before the data).
std::string header_text(const Scan &scan);

// Write the file whole; false with `error` on failure.
bool write_scan(const std::filesystem::path &path, const Scan &scan, std::string &error);
// Writes a header-only file (see header_text): the watch must wait for more.
bool write_header_only(const std::filesystem::path &path, const Scan &scan, std::string &error);
// Writes text in `chunks` pieces of about equal size (cut anywhere, also
// inside a line), flushing each and pausing pause_ms between them, as an
// instrument writing a scan over seconds.  Blocks for (chunks-1)*pause_ms.
bool write_in_chunks(const std::filesystem::path &path, const std::string &text, int chunks,
                     int pause_ms, std::string &error);

// ---- Sedimentation velocity (interference) -----------------------------
//
// A velocity series: one two-channel cell spun fast, scanned with the
// interference optics every minute while a boundary sediments outward from
// the meniscus and the region behind it empties.  The profile in the column
// at omega^2 t (rad^2/s accumulated since the rotor started) is
//
//   c(r) = c_p (erf((r - r_b)/w) - erf((2 r_m - r_b - r)/w)) / 2,
//   r_b = r_m exp(s omega^2 t),  c_p = c_0 exp(-2 s omega^2 t),  w = 2 sqrt(D t_s),
//
// with t_s = omega^2 t / omega^2 the time at full speed it amounts to: the
// boundary moves as the sedimentation equation says, the plateau dilutes
// radially, and diffusion spreads the boundary as an error function; the
// mirrored term keeps the meniscus empty once the boundary has left it.
// See velocity.cpp for the shape of the scan around it.
struct VelocitySetup {
    int cell = 1;
    double rpm = 50000.0;      // velocity runs: 40,000-50,000 rpm
    double interval_s = 60.0;  // between scans
    int scans = 40;
    double start_s = 600.0;     // first scan, s after the rotor started
    double accel_s = 200.0;     // the rotor reaches speed in this time (omega rises linearly)
    double meniscus_cm = 6.00;  // sample meniscus
    double base_cm = 7.20;
    double s_svedberg = 5.0;       // sedimentation coefficient, 1 S = 1e-13 s
    double d_cm2_per_s = 6e-7;     // diffusion coefficient
    double plateau_fringes = 3.0;  // c_0: the loaded concentration, fringes
    double noise_fringes = 0.007;  // point noise (SD)
    // Fringes are known up to an offset per scan (radially invariant
    // noise): drawn within +-this; 0 for scans whose offsets were removed.
    double offset_fringes = 0.5;
    // Beyond the base the fringes are lost and the data go wild for a short
    // stretch; false: the scan ends at the base.
    bool wild_beyond_base = true;
    uint64_t seed = 1;
};

struct VelocityScanTruth {
    double time_s = 0.0;       // after the rotor started, as in the file
    double omega2t = 0.0;      // rad^2/s, as in the file
    double boundary_cm = 0.0;  // r_b, the boundary's midpoint by the sedimentation equation
    // Where the profile (without noise or offset) is at half the plateau;
    // NaN once the boundary has left the column.
    double half_height_cm = 0.0;
    double plateau_fringes = 0.0;  // c_p
    double width_cm = 0.0;         // w
    double offset_fringes = 0.0;   // the scan's own baseline (fringes are known up to it)
};

struct VelocityTruth {
    double reference_meniscus_cm = 0.0;
    double meniscus_cm = 0.0;
    double base_cm = 0.0;
    std::vector<VelocityScanTruth> scans;  // in the order taken
};

struct VelocitySeries {
    std::vector<Scan> scans;  // interference scans (has_sd false), in the order taken
    VelocityTruth truth;
};

VelocitySeries simulate_velocity_series(const VelocitySetup &setup);

// c(r) above (fringes, without noise, offset or optics) at omega^2 t; 0
// outside the column.
double velocity_model_value(const VelocitySetup &setup, double r, double omega2t);

// Writes every scan as 00001.IPn, 00002.IPn, ... (n the cell) into
// `folder` (created when missing); false with `error` on failure.
bool write_velocity_series(const std::filesystem::path &folder, const VelocitySeries &series,
                           std::string &error);

// The truth as JSON text.
std::string velocity_truth_json(const VelocitySetup &setup, const VelocityTruth &truth);

// ---- Whole run folders -------------------------------------------------

struct CellSpec {
    int cell = 1;
    Centerpiece centerpiece = Centerpiece::six_channel;
    std::vector<BaseShape> bases;  // as in SeriesSetup
};

struct SpeedSpec {
    double rpm = 10000.0;
    int scans = 6;
    double interval_h = 3.0;
    double tau_h = 6.0;
};

struct RunSpec {
    std::vector<CellSpec> cells{{1, Centerpiece::six_channel, {}},
                                {2, Centerpiece::two_channel, {}}};
    std::vector<SpeedSpec> speeds{{10000.0, 6, 3.0, 6.0}, {14000.0, 6, 3.0, 4.5}};
    std::vector<double> wavelengths_nm{280.0, 260.0, 230.0};  // interleaved, in this order
    double first_scan_h = 2.0;                                // after each speed is reached
    double noise_od = 0.005;
    bool replicate_sd = true;
    // From this share of each series on (0..1; 1 = none), every scan gets a
    // baseline step of 0.01-0.02 OD and a radial shift of 0.01-0.02 cm
    // against the earlier ones (drawn per series from the seed).
    double late_drift_from = 1.0;
    // Minutes between the files of one scan slot (cells, wavelengths).
    double file_gap_min = 1.5;
    // The real shapes of every series (RealShapes); with lamp_jitter each
    // series draws its scale jitter from the range measured at its
    // wavelength and jitters 6.5 um along the radius.
    RealShapes real;
    bool lamp_jitter = false;
    double loading_factor = 1.0;  // as SeriesSetup's
    uint64_t seed = 1;
};

struct RunFile {
    std::string name;  // e.g. "00001.RA2"
    int series = 0;    // index into RunTruth::series
};

struct RunSeries {
    SeriesSetup setup;
    SeriesTruth truth;
    std::vector<std::string> files;  // in the order taken
};

struct RunTruth {
    std::vector<RunSeries> series;
    std::vector<RunFile> files;            // every scan file, in the order written
    std::vector<std::string> other_files;  // not scans (CELLnABS.LOG)
};

// The series of a run, in the order their speeds ran, without files.
RunTruth plan_run(const RunSpec &setup);

// How run_folder writes each scan file.
struct WriteStyle {
    int chunks = 1;           // pieces per file (write_in_chunks)
    int chunk_pause_ms = 0;   // between the pieces
    int header_first_ms = 0;  // > 0: write a header-only file, wait this long, then the rest
    int scan_pause_ms = 0;    // between one file and the next
};

// Writes every scan file of the run (numbered per cell in the order taken:
// 00001.RA1, ...) and one CELLnABS.LOG per cell into `folder` (created when
// missing); returns the truth.  On a failed write, `error` says which.
RunTruth write_run(const std::filesystem::path &folder, const RunSpec &setup,
                   const WriteStyle &style, std::string &error);

// The truth as JSON text (what simulate_run writes beside the folder).
std::string truth_json(const RunTruth &truth);

}  // namespace quillane::sim
