// SPDX-License-Identifier: MIT
// Where the program and the runner look for the library: an explicit file
// alone, else next to the program, else where an installation puts it
// relative to the program, else the loader's search path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "library_files.h"
#include "scan_files.h"
#include "session_test_support.h"

namespace quillane::session {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::string>;

class LibraryFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char *named = std::getenv("QUILLANE_LIBRARY")) saved_ = named;
        unsetenv("QUILLANE_LIBRARY");
    }
    void TearDown() override {
        if (saved_.empty())
            unsetenv("QUILLANE_LIBRARY");
        else
            setenv("QUILLANE_LIBRARY", saved_.c_str(), 1);
    }
    // An installed tree in the scratch folder: <prefix>/bin and the library
    // in <prefix>/<libdir>, laid out as the install rules lay it out.
    fs::path installed_library() const {
        const fs::path lib = scratch.path() / "usr" / QUILLANE_INSTALL_LIBDIR / library_file_name();
        fs::create_directories(lib.parent_path());
        fs::create_directories(program_folder());
        test_support::write_file(lib, "");
        return lib;
    }
    fs::path program_folder() const { return scratch.path() / "usr" / QUILLANE_INSTALL_BINDIR; }

    test_support::ScratchFolder scratch;
    std::string saved_;
};

TEST_F(LibraryFiles, TheFileNameIsTheSharedObjectNameOfThisMajorAndMinorVersion) {
    EXPECT_EQ(library_file_name(), "libquillane.so." + std::to_string(QUILLANE_VERSION_MAJOR) +
                                       "." + std::to_string(QUILLANE_VERSION_MINOR));
}

TEST_F(LibraryFiles, ANamedLibraryIsTheOnlyCandidate) {
    installed_library();
    setenv("QUILLANE_LIBRARY", "/elsewhere/libquillane.so", 1);
    EXPECT_EQ(library_candidates(program_folder().string()), Files{"/elsewhere/libquillane.so"});
}

TEST_F(LibraryFiles, WithoutALibraryNearTheProgramTheSearchPathIsAsked) {
    EXPECT_EQ(library_candidates(scratch.path().string()), Files{library_file_name()});
    EXPECT_EQ(library_candidates(""), Files{library_file_name()});
}

// After a library next to the program (the build tree's layout) comes the
// installed tree's own one, wherever its root is.
TEST_F(LibraryFiles, AnInstalledTreeFindsItsOwnLibraryAfterOneNextToTheProgram) {
    const std::string installed = installed_library().lexically_normal().string();
    EXPECT_EQ(library_candidates(program_folder().string()),
              (Files{installed, library_file_name()}));
    const fs::path beside = program_folder() / library_file_name();
    test_support::write_file(beside, "");
    EXPECT_EQ(library_candidates(program_folder().string()),
              (Files{beside.string(), installed, library_file_name()}));
}

TEST_F(LibraryFiles, TheFileOfABoundLibraryIsToldByTheLoader) {
    // These tests link the build folder's library by its shared-object name.
    const std::string path = library_path(testing::linked_exports());
    EXPECT_EQ(fs::path(path).filename(), library_file_name()) << path;
    EXPECT_TRUE(fs::path(path).is_absolute()) << path;
    EXPECT_EQ(library_path(Exports{}), "");
}

}  // namespace
}  // namespace quillane::session
