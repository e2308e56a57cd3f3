// SPDX-License-Identifier: MIT
// The runner on a full disk, under a file-size limit and with its library
// found on the search path: nothing lost, nothing claimed that did not
// happen.
#include "batch_support.h"

namespace batch_test {
namespace {

using quillane::test_support::make_node;
using quillane::test_support::Node;
using quillane::test_support::SmallDisk;

class Reliability : public BatchRun {
  protected:
    std::vector<std::string> scans() { return {scan(1), scan(2), scan(3), scan(4)}; }
    std::vector<std::string> with_scans(std::vector<std::string> args) {
        for (const std::string &s : scans())
            args.push_back(s);
        return args;
    }

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
    Outcome r;
    {
        const SmallDisk full(dir / "full", "4k");
        if (!full.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
        r = run(
            with_scans({"--out", "full/report.txt", "--json", "full/o.json", "--plots", "plots"}));
    }
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.out, "8 plot files kept in plots");
    EXPECT_EQ(r.out.find("report written to"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("results written to"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("exists and was not written"), std::string::npos) << r.err;
    EXPECT_TRUE(hidden_files(dir / "plots").empty());
}

#ifdef QUILLANE_BATCH_IMAGES
// An earlier report on a disk with no room for the new one stays as it was.
TEST_F(Reliability, ARunReportThatDoesNotFitFailsTheRunAndKeepsTheEarlierOne) {
    const std::string earlier = "%PDF-1.4 the report of an earlier run\n%%EOF\n";
    Outcome r;
    std::vector<std::string> left;
    {
        const SmallDisk full(dir / "full");
        if (!full.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
        quillane::test_support::write_file(dir / "full" / "r.pdf", earlier);
        full.fill();
        r = run(with_scans({"--report-pdf", "full/r.pdf"}));
        EXPECT_EQ(read_file(dir / "full" / "r.pdf"), earlier);
        left = hidden_files(dir / "full");
    }
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "Cannot write full/r.pdf: No space left on device");
    EXPECT_EQ(r.out.find("run report written"), std::string::npos) << r.out;
    EXPECT_TRUE(left.empty()) << left.front();
}

// Images that do not fit beside their plots are named, none is left cut,
// and the run fails, whatever their format.
class FullImages : public Reliability, public ::testing::WithParamInterface<const char *> {};

TEST_P(FullImages, ImagesThatDoNotFitAreNamedAndNoneIsLeftCut) {
    const std::string format = GetParam();
    Outcome r;
    std::vector<std::string> left;
    std::vector<std::string> images;
    {
        // Room for the plots (about 120 KiB) and a few of their images.
        const SmallDisk full(dir / "full", "256k");
        if (!full.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
        r = run(with_scans({"--plots", "full/plots", "--images", format}));
        for (const auto &e : fs::directory_iterator(dir / "full" / "plots")) {
            if (e.path().extension() == "." + format) images.push_back(read_file(e.path()));
        }
        left = hidden_files(dir / "full" / "plots");
    }
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, "No space left on device");
    EXPECT_EQ(r.out.find("8 " + format + " images written"), std::string::npos) << r.out;
    const std::string end = format == "pdf" ? "%%EOF\n" : format == "svg" ? "</svg>\n" : "IEND";
    for (const std::string &image : images)
        EXPECT_NE(image.find(end, image.size() - std::min(image.size(), size_t{16})),
                  std::string::npos)
            << "an image cut short";
    EXPECT_TRUE(left.empty()) << left.front();
}

INSTANTIATE_TEST_SUITE_P(Formats, FullImages, ::testing::Values("pdf", "svg", "png"));
#endif

// Each output named by a device is written to it, by anything else that is
// not a file refused; the node stays what it was either way.
struct NodeCase {
    const char *option;
    Node node;
    const char *said;  // on stdout when written, on stderr when refused
};

class OutputNodes : public Reliability, public ::testing::WithParamInterface<NodeCase> {};

TEST_P(OutputNodes, AnOutputNodeIsWrittenThroughOrRefusedButNeverReplaced) {
    const NodeCase &c = GetParam();
    const fs::path target = dir / "target";
    if (!make_node(target, c.node)) GTEST_SKIP() << "this node cannot be made here";
    const fs::file_type before = fs::symlink_status(target).type();
    const Outcome r = run(with_scans({c.option, "target"}));
    EXPECT_EQ(fs::symlink_status(target).type(), before);
    const bool written = c.node == Node::null_device;
    EXPECT_EQ(r.exit_code, written ? 0 : 1) << r.err;
    EXPECT_CONTAINS(written ? r.out : r.err, c.said);
    EXPECT_TRUE(hidden_files(dir).empty()) << hidden_files(dir).front();
}

const NodeCase kNodeCases[] = {
    {"--out", Node::null_device, "report written to target"},
    {"--csv", Node::null_device, "pairs written to target"},
    {"--json", Node::null_device, "results written to target"},
#ifdef QUILLANE_BATCH_IMAGES
    {"--report-pdf", Node::null_device, "run report written to target"},
    {"--report-pdf", Node::folder, "Cannot write target: it is a folder, not a file"},
#endif
    {"--out", Node::pipe, "Cannot write target: it is a named pipe, not a file"},
    {"--csv", Node::pipe, "Cannot write target: it is a named pipe, not a file"},
    {"--json", Node::socket, "Cannot write target: it is a socket, not a file"},
    {"--csv", Node::full_device, "Cannot write target: No space left on device"},
};

INSTANTIATE_TEST_SUITE_P(Nodes, OutputNodes, ::testing::ValuesIn(kNodeCases), [](const auto &info) {
    std::string name = info.param.option + 2;
    std::replace(name.begin(), name.end(), '-', '_');
    return name + "_" + std::to_string(info.index);
});

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
    const std::string report = read_file(dir / "quillane-report.txt");
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
