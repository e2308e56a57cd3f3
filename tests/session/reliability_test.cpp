// SPDX-License-Identifier: MIT
// Nothing lost and nothing followed: the atomic writer against planted and
// kept links, plots kept when the report's disk is full, names kept whole
// in the results for other tools.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "files.h"
#include "results.h"
#include "session_test_support.h"

namespace quillane::session {
namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::write_file;
using ::testing::HasSubstr;

class AtomicWrite : public ::testing::Test {
  protected:
    test_support::ScratchFolder folder;
    std::string out = folder.file("o.json");
    std::string victim = folder.file("victim.txt");

    void SetUp() override { write_file(victim, "precious\n"); }

    // Every file of the folder but the given ones: temporaries left behind.
    std::vector<std::string> others(const std::vector<std::string> &known) const {
        std::vector<std::string> left;
        for (const auto &e : fs::directory_iterator(folder.path()))
            if (std::find(known.begin(), known.end(), e.path().string()) == known.end())
                left.push_back(e.path().filename().string());
        return left;
    }
};

TEST_F(AtomicWrite, NeverFollowsALinkPlantedAtATemporaryName) {
    // Where a writer with a predictable temporary name would write.
    for (const std::string &planted :
         {out + ".tmp-" + std::to_string(::getpid()), folder.file(".o.json.tmp-XXXXXX")})
        fs::create_symlink(victim, planted);
    std::string error;
    ASSERT_TRUE(write_file_atomically(out, "{}\n", error)) << error;
    EXPECT_EQ(read_file(victim), "precious\n");
    EXPECT_FALSE(fs::is_symlink(out));
    EXPECT_EQ(read_file(out), "{}\n");
    EXPECT_EQ(others({out, victim}).size(), 2u) << "only the two planted links";
}

TEST_F(AtomicWrite, WritesThroughAnOutputThatIsALinkAndKeepsTheLink) {
    const fs::path shared = folder.path() / "shared";
    fs::create_directory(shared);
    const std::string target = (shared / "results.json").string();
    write_file(target, "old\n");
    ::chmod(target.c_str(), 0640);
    fs::create_symlink(target, out);
    std::string error;
    ASSERT_TRUE(write_file_atomically(out, "new\n", error)) << error;
    EXPECT_TRUE(fs::is_symlink(out));
    EXPECT_EQ(read_file(target), "new\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(others({out, victim, shared.string()}).empty());
    EXPECT_EQ(fs::directory_iterator(shared)->path(), fs::path(target)) << "no temporary left";
}

TEST_F(AtomicWrite, RefusesALinkThatLeadsNowhereAndLeavesNothing) {
    fs::create_symlink(folder.file("missing/x.json"), out);
    std::string error;
    EXPECT_FALSE(write_file_atomically(out, "{}\n", error));
    EXPECT_THAT(error, HasSubstr("symbolic link to a file that cannot be reached"));
    EXPECT_TRUE(others({out, victim}).empty());
}

// A disk with no room left: the write fails, the old file stays.
TEST_F(AtomicWrite, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    const test_support::SmallDisk disk(folder.path() / "full");
    if (!disk.mounted()) GTEST_SKIP() << "no small file system can be mounted here";
    const std::string inside = folder.file("full/o.json");
    write_file(inside, "old\n");
    disk.fill();
    std::string error;
    EXPECT_FALSE(write_file_atomically(inside, std::string(64 * 1024, 'x'), error));
    EXPECT_THAT(error, HasSubstr("Cannot write " + inside + ": No space left on device"));
    EXPECT_EQ(read_file(inside), "old\n");
    std::vector<std::string> left;
    for (const auto &e : fs::directory_iterator(folder.path() / "full"))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"filler", "o.json"}));
}

using testing::SessionTest;

// The report goes to a full device; the plots to a folder with room.
TEST_F(SessionTest, APlotWrittenWholeIsKeptWhenTheReportsDiskIsFull) {
    read_examples();
    ASSERT_TRUE(session->set_limits(17.9, 25.4).done);
    ASSERT_TRUE(session->fit(12).done);
    const std::string full = "/dev/full";
    testing::linked_exports().init_namwr(full.data(), static_cast<int32_t>(full.size()));
    for (int round = 0; round < 2; ++round) {
        GraphRequest graph;
        graph.kind = GraphKind::rms;
        graph.fit_kinds = {true, true, true};
        graph.reference = 12;
        const Outcome made = session->result_graph(graph);
        ASSERT_FALSE(made.errors.empty()) << "the report's write fails";
        EXPECT_THAT(made.errors.front(), HasSubstr("/dev/full"));
        EXPECT_TRUE(made.plot_written) << "round " << round;
        ASSERT_TRUE(plot_exists());
        EXPECT_THAT(take_plot(), HasSubstr("RMS"));
    }
}

TEST_F(SessionTest, AnOldPlotFileInTheWayIsNotTakenForANewPlot) {
    read_examples();
    write_file(session->plot_file(), "not a plot\n");
    const Outcome made = session->data_plot(1, all_sets());
    EXPECT_FALSE(made.plot_written);
    ASSERT_FALSE(made.errors.empty());
    EXPECT_THAT(made.errors.front(), HasSubstr("exists and was not written"));
}

TEST_F(SessionTest, TheResultsNameEveryFileLosslesslyBesideItsReadableName) {
    std::vector<std::string> files;
    for (const std::string &name :
         {std::string("x\xff.RA1"), std::string("b 100%.RA1"), std::string("c\xc3\xa9.RA1")}) {
        files.push_back(folder.file(name));
        fs::copy_file(testing::example(static_cast<int>(files.size())), files.back());
    }
    ASSERT_TRUE(session->read_and_select(files, {1, 2, 3}).done);
    const auto run = nlohmann::json::parse(results_json(*session, nullptr));
    const auto decoded = [](const std::string &text) {
        std::string bytes;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%') {
                bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                bytes += text[i];
            }
        }
        return bytes;
    };
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(decoded(run["sets"][k]["file_bytes"].get<std::string>()), files[k]);
        EXPECT_EQ(decoded(run["files_bytes"][k].get<std::string>()), files[k]);
    }
    EXPECT_THAT(run["sets"][0]["file_bytes"].get<std::string>(), HasSubstr("x%FF.RA1"));
    EXPECT_THAT(run["sets"][2]["file"].get<std::string>(), HasSubstr("c\xc3\xa9.RA1"));
}

}  // namespace
}  // namespace quillane::session
