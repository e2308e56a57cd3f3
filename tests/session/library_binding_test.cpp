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

}  // namespace
}  // namespace quillane::session
