// SPDX-License-Identifier: MIT
// The C interface of the shared library, loaded by name as the program does.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "quillane.h"
#include "test_support.h"

// The status values are part of the C interface: callers built against an
// earlier header compare with these numbers, so they never change.
static_assert(QUILLANE_LIMITS_TOO_NARROW == 0 && QUILLANE_LIMITS_OK == 1);
static_assert(QUILLANE_VERDICT_NONE == -1 && QUILLANE_VERDICT_APPROACHING == 0 &&
              QUILLANE_VERDICT_REACHED == 1);
static_assert(QUILLANE_FORECAST_NONE == 0 && QUILLANE_FORECAST_MADE == 1);
static_assert(QUILLANE_PAIR_NOT_COMPARED == 0 && QUILLANE_PAIR_COMPARED == 1 &&
              QUILLANE_PAIR_NO_POSITION_FIT == 2);
static_assert(QUILLANE_HEADER_NO_FILE == -1 && QUILLANE_HEADER_NO_TIME_LINE == 0 &&
              QUILLANE_HEADER_TIME_LINE == 1);
static_assert(QUILLANE_FACT_UNREADABLE == -1 && QUILLANE_FACT_ABSENT == 0 &&
              QUILLANE_FACT_KNOWN == 1);

namespace {

std::vector<std::string> g_box;
void add_string(int32_t, const char *line) {
    g_box.emplace_back(line);
}
int32_t get_count(int32_t) {
    return static_cast<int32_t>(g_box.size());
}
void set_top_index(int32_t, int32_t) {}
void update(int32_t) {}
int32_t dispatch_pending(int32_t) {
    return 0;
}

// The library, opened once for the whole test program: its state lives as
// long as the process, as it does in the program.
class Library {
  public:
    Library() : handle_(dlopen(QUILLANE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    bool loaded() const { return handle_ != nullptr; }
    template <typename F>
    F *get(const char *name) const {
        return reinterpret_cast<F *>(dlsym(handle_, name));
    }
    void *raw(const char *name) const { return dlsym(handle_, name); }

  private:
    void *handle_;
};

const Library &library() {
    static Library lib;
    return lib;
}

std::string trimmed(const std::string &s) {
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

TEST(SharedLibrary, ExportsEveryOperationAndHidesItsInternals) {
    ASSERT_TRUE(library().loaded()) << dlerror();
    for (const char *name : {"initcommons",
                             "init_namwr",
                             "setplotfile",
                             "init_lbhandle",
                             "setredir",
                             "setrchoice",
                             "set_xs_to_plot",
                             "set_plotsave",
                             "get_differ_parms",
                             "set_differ_parms",
                             "getdatar",
                             "TRANSFER_DATA",
                             "put_plotlist",
                             "setxirange",
                             "getxirange",
                             "set_lim_indices_vb",
                             "find_smallest_range",
                             "set_x_var",
                             "get_times",
                             "set_times",
                             "renumber_fringes",
                             "fit_allB",
                             "plot_result_graphs",
                             "GENERIC_PLOT",
                             "plt_c_x",
                             "tkrnd2",
                             "init_lbsink",
                             "init_lbsink_ctx",
                             "quillane_version",
                             "quillane_last_error",
                             "quillane_data_set_info"}) {
        EXPECT_NE(library().raw(name), nullptr) << name;
        // Each is the same function under the prefix, its name in lower case.
        if (std::string(name).rfind("quillane_", 0) == 0) continue;
        std::string prefixed = "quillane_";
        for (const char *c = name; *c != '\0'; ++c)
            prefixed += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
        EXPECT_EQ(library().raw(prefixed.c_str()), library().raw(name)) << prefixed;
    }
    EXPECT_EQ(library().raw("_ZN8quillane12global_stateEv"), nullptr);
}

TEST(SharedLibrary, ReadingTheExamplesLogsBannerFileLineAndFiveSummaryLinesPerFile) {
    ASSERT_TRUE(library().loaded()) << dlerror();
    quillane::testing::ScratchDir dir;
    const std::string out = dir.file("report.txt");
    const std::string plot = dir.file("plot.dat");
    const quillane_listbox_ops ops{add_string, get_count, set_top_index, update, dispatch_pending};
    library().get<void(const quillane_listbox_ops *)>("init_lbsink")(&ops);
    const int32_t handle = 1, lines = 20;
    library().get<void(const int32_t *, const int32_t *)>("init_lbhandle")(&handle, &lines);
    library().get<void(const char *, int32_t)>("init_namwr")(out.c_str(),
                                                             static_cast<int32_t>(out.size()));
    library().get<void(const char *, int32_t)>("setplotfile")(plot.c_str(),
                                                              static_cast<int32_t>(plot.size()));
    const int32_t echo = 0;
    library().get<void(const int32_t *)>("initcommons")(&echo);

    const std::vector<std::string> files = quillane::testing::example_scans();
    ASSERT_EQ(files.size(), 12u);
    auto getdatar = library().get<void(const char *, int32_t, const int32_t *)>("getdatar");
    for (int32_t n = 1; n <= 12; ++n) {
        // The program hands over 127 blank-padded characters.
        std::string name = files[n - 1];
        name.resize(127, ' ');
        getdatar(name.c_str(), 127, &n);
    }
    const std::string text = quillane::testing::read_file(out);
    std::vector<std::string> file_lines;
    for (size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        file_lines.push_back(text.substr(pos, end - pos));
    ASSERT_EQ(file_lines.size(), 2u + 12u * 5u);
    EXPECT_EQ(trimmed(file_lines[0]), " Quillane/DLL V0.99 on 28-Apr-1999");
    EXPECT_EQ(file_lines[1], " The output file is " + out);
    for (int n = 0; n < 12; ++n) {
        EXPECT_EQ(trimmed(file_lines[2 + 5 * n]), " This was file " + files[n]);
        EXPECT_NE(file_lines[3 + 5 * n].find(" Data points read for this data set"),
                  std::string::npos);
        EXPECT_NE(file_lines[4 + 5 * n].find(" More points can be read in"), std::string::npos);
        EXPECT_NE(file_lines[5 + 5 * n].find(std::to_string(50 - (n + 1)) +
                                             " More data sets can be read in"),
                  std::string::npos);
        EXPECT_NE(file_lines[6 + 5 * n].find(" DATA POINTS READ"), std::string::npos);
    }
    ASSERT_EQ(g_box.size(), file_lines.size());
    for (size_t i = 0; i < g_box.size(); ++i)
        EXPECT_EQ(trimmed(g_box[i]), trimmed(file_lines[i]).substr(0, 159));

    // The examples carry their scan times: 2 h apart.
    auto find_smallest_range = library().get<void()>("find_smallest_range");
    auto transfer = library().get<void()>("TRANSFER_DATA");
    find_smallest_range();
    transfer();
    double times[50];
    library().get<void(double *)>("get_times")(times);
    EXPECT_EQ(times[0], 7200.0);
    EXPECT_EQ(times[11], 12 * 7200.0);
    int32_t read = 0;
    double time = 0.0;
    const int32_t twelve = 12, thirteen = 13;
    library().get<void(const int32_t *, int32_t *, double *)>("quillane_data_set_info")(
        &twelve, &read, &time);
    EXPECT_GT(read, 300);
    EXPECT_EQ(time, 12 * 7200.0);
    library().get<void(const int32_t *, int32_t *, double *)>("quillane_data_set_info")(
        &thirteen, &read, &time);
    EXPECT_EQ(read, 0) << "a data set that was not read";
    int32_t span = 0, points = 0, terms = 0;
    library().get<void(int32_t *, int32_t *, int32_t *)>("get_differ_parms")(&span, &points,
                                                                             &terms);
    EXPECT_EQ(span, 50);
    EXPECT_GT(points, 300);
    EXPECT_EQ(terms, 3);
}

TEST(SharedLibrary, TellsItsVersion) {
    ASSERT_TRUE(library().loaded()) << dlerror();
    int32_t major = -1, minor = -1, revision = -1;
    library().get<void(int32_t *, int32_t *, int32_t *)>("quillane_version")(&major, &minor,
                                                                             &revision);
    EXPECT_EQ(major, QUILLANE_VERSION_MAJOR);
    EXPECT_EQ(minor, QUILLANE_VERSION_MINOR);
    EXPECT_EQ(revision, QUILLANE_VERSION_REVISION);
}

std::string last_error() {
    char text[200];
    int32_t length = -1;
    library().get<void(char *, int32_t, int32_t *)>("quillane_last_error")(text, sizeof text,
                                                                           &length);
    return std::string(text, static_cast<size_t>(std::clamp<int32_t>(length, 0, sizeof text)));
}

TEST(SharedLibrary, KeepsTheLastFailureUntilTheNextCall) {
    ASSERT_TRUE(library().loaded()) << dlerror();
    const int32_t one = 1, echo = 0;
    const std::string null_device = "NUL";
    library().get<void(const char *, int32_t)>("init_namwr")(null_device.data(), 3);
    library().get<void(const int32_t *)>("initcommons")(&echo);
    const std::string missing = "/no/such/folder/00001.RA1";
    library().get<void(const char *, int32_t, const int32_t *)>("getdatar")(
        missing.data(), static_cast<int32_t>(missing.size()), &one);
    EXPECT_EQ(last_error(),
              "Cannot open scan file /no/such/folder/00001.RA1: No such file or directory; the "
              "data set has no points");
    EXPECT_FALSE(last_error().empty()) << "reading the error does not clear it";
    library().get<void()>("TRANSFER_DATA")();
    EXPECT_EQ(last_error(), "");
}

// The context form of the sink hands every callback the caller's pointer.
struct Sink {
    std::vector<std::string> lines;
};
TEST(SharedLibrary, ListBoxCallbacksReceiveTheContextPointer) {
    ASSERT_TRUE(library().loaded()) << dlerror();
    Sink sink;
    const quillane_listbox_ctx_ops ops{
        [](void *ctx, const char *line) { static_cast<Sink *>(ctx)->lines.emplace_back(line); },
        [](void *ctx) { return static_cast<int32_t>(static_cast<Sink *>(ctx)->lines.size()); },
        [](void *, int32_t) {}, [](void *) {}, [](void *) { return int32_t{0}; }};
    library().get<void(const quillane_listbox_ctx_ops *, void *)>("init_lbsink_ctx")(&ops, &sink);
    const std::string null_device = "NUL";
    library().get<void(const char *, int32_t)>("init_namwr")(null_device.data(), 3);
    library().get<void()>("TRANSFER_DATA")();
    library().get<void(const quillane_listbox_ctx_ops *, void *)>("init_lbsink_ctx")(nullptr,
                                                                                     nullptr);
    ASSERT_FALSE(sink.lines.empty());
    EXPECT_EQ(sink.lines[0].rfind("  Number of Selected Data sets is:", 0), 0u);
}

TEST(SharedLibrary, OutOfRangeArgumentsDoNotCrash) {
    ASSERT_TRUE(library().loaded()) << dlerror();
    const int32_t zero = 0, big = 99, negative = -5;
    library().get<void(const char *, int32_t, const int32_t *)>("getdatar")("nothing", 7, &big);
    library().get<void(const char *, int32_t, const int32_t *)>("getdatar")(nullptr, 0, &zero);
    const int32_t table[50] = {};
    library().get<void(const int32_t *, const int32_t *)>("setredir")(table, &big);
    library().get<void(const int32_t *, const int32_t *)>("setredir")(table, &negative);
    int32_t list[51] = {big};
    library().get<void(const int32_t *)>("put_plotlist")(list);
    library().get<void()>("TRANSFER_DATA")();
    library().get<void()>("renumber_fringes")();
    const int32_t span = -4, terms = 12;
    library().get<void(const int32_t *, const int32_t *)>("set_differ_parms")(&span, &terms);
    int32_t ok = -1;
    library().get<void(int32_t *)>("set_lim_indices_vb")(&ok);
    EXPECT_TRUE(ok == 0 || ok == 1);
}

}  // namespace
