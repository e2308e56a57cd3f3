// SPDX-License-Identifier: MIT
// The one binding of the program and the runner: it binds a complete
// library of this version, and refuses (and unloads) one that lacks an
// export or has another minor version, saying why.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "library_binding.h"
#include "library_files.h"
#include "scan_files.h"
#include "session.h"

namespace quillane::session {
namespace {

using ::testing::HasSubstr;

class Binding : public ::testing::Test {
  protected:
    void TearDown() override {
        if (saved_.empty())
            unsetenv("QUILLANE_LIBRARY");
        else
            setenv("QUILLANE_LIBRARY", saved_.c_str(), 1);
    }
    // Loads a fresh binding of `file`.
    bool load(Library &library, const char *file) {
        if (const char *named = std::getenv("QUILLANE_LIBRARY")) saved_ = named;
        setenv("QUILLANE_LIBRARY", file, 1);
        return library.load();
    }
    // Whether the loader still holds `file`.
    static bool still_loaded(const char *file) {
        void *handle = dlopen(file, RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) dlclose(handle);
        return handle != nullptr;
    }
    std::string saved_;
};

TEST_F(Binding, ACompleteLibraryOfThisVersionIsBoundWhole) {
    Library library;
    ASSERT_TRUE(load(library, QUILLANE_LIBRARY_PATH)) << library.error();
    EXPECT_EQ(library.file(), QUILLANE_LIBRARY_PATH);
    EXPECT_TRUE(library.missing().empty());
#define QUILLANE_BINDING_TEST_BOUND(name) EXPECT_NE(library.exports().name, nullptr) << #name;
    QUILLANE_SESSION_EXPORTS(QUILLANE_BINDING_TEST_BOUND)
#undef QUILLANE_BINDING_TEST_BOUND
    EXPECT_EQ(library_version(library.exports()), built_version());
}

TEST_F(Binding, ALibraryLackingAnExportIsRefusedNamingItAndUnloaded) {
    Library library;
    EXPECT_FALSE(load(library, QUILLANE_INCOMPLETE_LIBRARY));
    EXPECT_FALSE(library.loaded());
    EXPECT_EQ(library.missing(), std::vector<std::string>{"tkrnd2"});
    EXPECT_THAT(library.error(), HasSubstr("lacks these operations: tkrnd2"));
    EXPECT_THAT(library.error(), HasSubstr(QUILLANE_INCOMPLETE_LIBRARY));
    EXPECT_EQ(library.exports().initcommons, nullptr) << "nothing of it is bound";
    EXPECT_FALSE(still_loaded(QUILLANE_INCOMPLETE_LIBRARY));
}

TEST_F(Binding, ALibraryOfTheNextMinorVersionIsRefusedNamingBothAndUnloaded) {
    Library library;
    EXPECT_FALSE(load(library, QUILLANE_NEXT_MINOR_LIBRARY));
    EXPECT_FALSE(library.loaded());
    EXPECT_THAT(library.error(), HasSubstr(QUILLANE_NEXT_MINOR_LIBRARY));
    EXPECT_THAT(library.error(), HasSubstr(built_version()));
    EXPECT_THAT(library.error(), HasSubstr("." + std::to_string(QUILLANE_VERSION_MINOR + 1) + "."));
    EXPECT_EQ(library.exports().quillane_version, nullptr);
    EXPECT_FALSE(still_loaded(QUILLANE_NEXT_MINOR_LIBRARY));
}

TEST_F(Binding, ALibraryThatCannotBeLoadedIsNamed) {
    Library library;
    EXPECT_FALSE(load(library, "/no/such/folder/libquillane.so"));
    EXPECT_THAT(library.error(), HasSubstr("could not be loaded"));
    EXPECT_THAT(library.error(), HasSubstr("cannot load /no/such/folder/libquillane.so"));
}

// A copy of its own keeps a second analysis: what one session reads leaves
// the other's data as they were (the run overview works beside the main
// window this way).
TEST_F(Binding, AnOwnCopyKeepsAnAnalysisOfItsOwn) {
    Library first, second;
    ASSERT_TRUE(load(first, QUILLANE_LIBRARY_PATH)) << first.error();
    ASSERT_TRUE(second.load_own_copy(library_path(first.exports()))) << second.error();
    EXPECT_NE(second.exports().quillane_version, first.exports().quillane_version);
    test_support::ScratchFolder folder;
    Session one(first.exports()), other(second.exports());
    std::vector<std::string> files;
    for (int k = 1; k <= 5; ++k)
        files.push_back(folder.write_scan(std::to_string(k) + ".RA1",
                                          test_support::exponential_scan(k, 100 + 10 * k)));
    std::string error;
    ASSERT_TRUE(one.create_report(folder.file("one.txt"), error)) << error;
    ASSERT_TRUE(other.create_report(folder.file("other.txt"), error)) << error;
    one.initialise(false);
    other.initialise(false);
    ASSERT_TRUE(one.read_and_select({files[0], files[1], files[2]}, {1, 2, 3}).done);
    const long read_by_one = one.points_in_range().read;
    ASSERT_TRUE(other.read_and_select(files, {1, 2, 3, 4, 5}).done);
    EXPECT_EQ(one.points_in_range().read, read_by_one);
    EXPECT_EQ(other.points_in_range().read, 110 + 120 + 130 + 140 + 150);
}

}  // namespace
}  // namespace quillane::session
