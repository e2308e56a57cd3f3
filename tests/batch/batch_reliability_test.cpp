// SPDX-License-Identifier: MIT
// The runner on a full disk, under a file-size limit and with its library
// found on the search path: nothing lost, nothing claimed that did not
// happen.
#include <sys/mount.h>

#include "batch_support.h"

namespace batch_test {
namespace {

class Reliability : public BatchRun {
  protected:
    std::vector<std::string> scans() { return {scan(1), scan(2), scan(3), scan(4)}; }

    std::vector<std::string> hidden_files(const fs::path &folder) {
        std::vector<std::string> hidden;
        for (const auto &e : fs::directory_iterator(folder))
            if (e.path().filename().string().front() == '.')
                hidden.push_back(e.path().filename().string());
        return hidden;
    }
};

// A small file system for the report and the results, the plots elsewhere;
// mounting one needs the privilege to, else the test is skipped.
TEST_F(Reliability, AFullDiskUnderTheReportLosesNoPlotKeptElsewhere) {
    const fs::path full = dir / "full";
    fs::create_directory(full);
    if (::mount("tmpfs", full.c_str(), "tmpfs", 0, "size=4k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    std::vector<std::string> args{"--out",       "full/report.txt", "--json",
                                  "full/o.json", "--plots",         "plots"};
    for (const std::string &s : scans())
        args.push_back(s);
    const Outcome r = run(args);
    ::umount(full.c_str());
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.out, "8 plot files kept in plots");
    EXPECT_EQ(r.out.find("report written to"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("results written to"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("exists and was not written"), std::string::npos) << r.err;
    EXPECT_TRUE(hidden_files(dir / "plots").empty());
}

TEST_F(Reliability, AResultsFileThatCannotBeWrittenIsNotSaidToBe) {
    std::vector<std::string> args{"--json", "missing/o.json", "--csv", "pairs.csv"};
    for (const std::string &s : scans())
        args.push_back(s);
    const Outcome r = run(args);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "Cannot create a temporary file beside missing/o.json");
    EXPECT_EQ(r.out.find("results written to"), std::string::npos) << r.out;
    EXPECT_CONTAINS(r.out, "pairs written to pairs.csv");
    EXPECT_CONTAINS(r.out, "report written to");
}

// Without the signal ignored by whoever started it, a write past the limit
// would end the runner; it fails with EFBIG instead, and is reported.
TEST_F(Reliability, AFileSizeLimitEndsInAReportedFailureNotASignal) {
    ignore_file_size_signal = false;
    const Outcome r = run(scans(), {}, 4096);
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_CONTAINS(r.err, "File too large");
    const std::string report = slurp(dir / "quillane-report.txt");
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.substr(report.size() - 2), "\r\n") << "the report ends with a whole line";
}

// A library found on the search path through a relative folder is named by
// its full path.
TEST_F(Reliability, VersionNamesTheFullPathOfALibraryFromTheSearchPath) {
    fs::create_directories(dir / "bin");
    fs::create_directories(dir / "lib");
    program = (dir / "bin" / "quillane-batch").string();
    fs::copy_file(QUILLANE_BATCH_PATH, program);
    const fs::path library =
        fs::canonical(fs::path(QUILLANE_BATCH_PATH).parent_path() / QUILLANE_LIBRARY_SONAME);
    fs::create_symlink(library, dir / "lib" / QUILLANE_LIBRARY_SONAME);
    const Outcome r = run({"--version"}, {"QUILLANE_LIBRARY", "LD_LIBRARY_PATH=lib"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const size_t comma = r.out.rfind(", ");
    ASSERT_NE(comma, std::string::npos) << r.out;
    const std::string named = r.out.substr(comma + 2, r.out.size() - comma - 3);
    EXPECT_TRUE(fs::path(named).is_absolute()) << r.out;
    EXPECT_TRUE(fs::equivalent(named, library)) << r.out;
}

}  // namespace
}  // namespace batch_test
