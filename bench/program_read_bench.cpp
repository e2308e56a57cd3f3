// SPDX-License-Identifier: MIT
// Reading 50 interference scan files of 2,048 points each, in the program
// and in the headless runner, side by side:
//
//   BM_ProgramReadsFiftyInterferenceFiles: the program as started by the
//     user, its main window shown (offscreen), the files given as on its
//     command line: the session's reading with the window's list taking the
//     library's lines and the status bar counting the files, then what the
//     window does after a reading (the headers on record, the series, the
//     menus), until every event it posted has been handled.
//   BM_RunnerReadsFiftyInterferenceFiles: the runner's reading of the same
//     files, through the same session, with a list box that keeps nothing.
//
// The program aims at no more than twice the runner's time.  Each program
// run starts from a fresh program (outside the timing), since a program
// reads its scan files once.  Files, report and settings go to a scratch
// folder in the temporary folder, removed at the end.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QListWidget>

#include "LibraryBinding.h"
#include "MainWindow.h"
#include "StartUp.h"
#include "bench_support.h"
#include "prompts_double.h"
#include "session.h"

namespace {

namespace fs = std::filesystem;
using namespace quillane::frontend;

constexpr int kFiles = 50;
constexpr int kPointsPerFile = 2048;

fs::path folder() {
    return fs::temp_directory_path() / "quillane-program-read-bench";
}

// One interference scan per file, in the instrument's layout: a
// description line, a time line and one "radius  fringes" line per point,
// CR LF.  The fringes rise towards the base and move with each scan.
std::vector<std::string> write_scan_files() {
    const fs::path scans = folder() / "scans";
    fs::create_directories(scans);
    std::vector<std::string> names;
    for (int k = 1; k <= kFiles; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "%05d.IP1", k);
        const std::string path = (scans / name).string();
        std::FILE *f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) continue;
        std::fprintf(f, "Benchmark cell 1, interference, scan %d, fringes\r\n", k);
        std::fprintf(f, "P 1 20.0 12000 %6d 1.70547E+10 675 1\r\n", 3600 * k);
        const double start = 5.90 + 0.0004 * (k % 5);
        const double step = (7.10 - 5.90) / kPointsPerFile;
        for (int m = 0; m < kPointsPerFile; ++m) {
            const double r = start + step * m;
            const double fringes = 0.3 * std::exp(0.15 * (r * r - 5.9 * 5.9) * (1.0 - 0.3 / k)) +
                                   0.004 * std::sin(41.0 * m + k);
            std::fprintf(f, "%.4f  %.5f\r\n", r, fringes);
        }
        std::fclose(f);
        names.push_back(path);
    }
    return names;
}

const std::vector<std::string> &scan_files() {
    static const std::vector<std::string> names = write_scan_files();
    return names;
}

void BM_ProgramReadsFiftyInterferenceFiles(benchmark::State &state) {
    QStringList files;
    for (const std::string &name : scan_files())
        files << QString::fromStdString(name);
    StartOptions options;
    options.splash = false;
    options.outputFile = QString::fromStdString((folder() / "program-report.txt").string());
    // A user who says Yes and cancels every file dialog.
    quillane::test_support::RecordingPrompts prompts;
    int lines = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<StartUp>(prompts);
        if (program->run(options) != StartUp::kRunning) {
            state.SkipWithError("the program did not start");
            break;
        }
        QCoreApplication::processEvents();
        state.ResumeTiming();
        program->window()->openDataFiles(files);
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (program->session()->active_count() != kFiles) {
            state.SkipWithError("the program did not read every file");
            break;
        }
        lines = program->window()->outFileBox()->count();
        program.reset();
        state.ResumeTiming();
    }
    state.counters["files"] = kFiles;
    state.counters["list_lines"] = lines;
}

void BM_RunnerReadsFiftyInterferenceFiles(benchmark::State &state) {
    LibraryBinding library;
    if (!library.load()) {
        state.SkipWithError("the analysis library did not load");
        return;
    }
    quillane::session::Session session(library.exports());
    static int nobody = 0;
    static const quillane_listbox_ctx_ops discard{
        [](void *, const char *) {}, [](void *) { return int32_t{0}; }, [](void *, int32_t) {},
        [](void *) {}, [](void *) { return int32_t{0}; }};
    session.attach_list_box(discard, &nobody, 20);
    const std::string report = (folder() / "runner-report.txt").string();
    std::vector<int> active(kFiles);
    std::iota(active.begin(), active.end(), 1);
    for (auto _ : state) {
        std::string error;
        if (!session.create_report(report, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        session.initialise(false);
        session.set_plot_save(false);
        const quillane::session::Outcome read = session.read_and_select(scan_files(), active);
        if (!read.done) {
            state.SkipWithError("the runner did not read every file");
            break;
        }
    }
    state.counters["files"] = kFiles;
}

BENCHMARK(BM_RunnerReadsFiftyInterferenceFiles)->Apply(quillane::bench::with_spread);
BENCHMARK(BM_ProgramReadsFiftyInterferenceFiles)->Apply(quillane::bench::with_spread);

}  // namespace

int main(int argc, char **argv) {
    // Offscreen, with the program's settings and lock file in the scratch
    // folder, and the library built beside this program.
    fs::create_directories(folder());
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_CONFIG_HOME", (folder() / "config").c_str(), 1);
    setenv("QUILLANE_LIBRARY", QUILLANE_LIBRARY_PATH, 0);
    QApplication app(argc, argv);
    QDir::setCurrent(QString::fromStdString(folder().string()));
    return quillane::bench::run_benchmarks(argc, argv, folder());
}
