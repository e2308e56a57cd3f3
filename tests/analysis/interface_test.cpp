// SPDX-License-Identifier: MIT
// The shared library's interface beyond the operations themselves: the
// second, prefixed name of every export, the version as one number, and a
// list-box operation that calls back into the library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "quillane.h"

namespace {

void *symbol(const char *name) {
    static void *const handle = dlopen(QUILLANE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    return handle ? dlsym(handle, name) : nullptr;
}

template <typename F>
F *get(const char *name) {
    return reinterpret_cast<F *>(symbol(name));
}

// SharedLibrary.ExportsEveryOperationAndHidesItsInternals checks that every
// name without the prefix has the same address under it; called so, it
// answers the same.
TEST(Interface, AnExportCalledByItsPrefixedNameAnswersAsUnderItsFirst) {
    const float lo = 0.13f, hi = 7.9f;
    float a_lo = 0, a_hi = 0, b_lo = 0, b_hi = 0;
    int32_t a_n = 0, b_n = 0;
    using Round = void(const float *, const float *, float *, float *, int32_t *);
    get<Round>("tkrnd2")(&lo, &hi, &a_lo, &a_hi, &a_n);
    get<Round>("quillane_tkrnd2")(&lo, &hi, &b_lo, &b_hi, &b_n);
    EXPECT_EQ(a_lo, b_lo);
    EXPECT_EQ(a_hi, b_hi);
    EXPECT_EQ(a_n, b_n);
    EXPECT_GE(b_n, 5);
}

TEST(Interface, TheVersionNumberOrdersMajorMinorAndRevision) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d.%04d", QUILLANE_VERSION_MAJOR, QUILLANE_VERSION_MINOR,
                  QUILLANE_VERSION_REVISION);
    EXPECT_STREQ(text, QUILLANE_VERSION_STRING);
    EXPECT_EQ(QUILLANE_VERSION_NUMBER, QUILLANE_VERSION_MAJOR * 1000000 +
                                           QUILLANE_VERSION_MINOR * 10000 +
                                           QUILLANE_VERSION_REVISION);
    int32_t number = 0;
    get<void(int32_t *)>("quillane_version_number")(&number);
    EXPECT_EQ(number, QUILLANE_VERSION_NUMBER);
}

// What a list-box operation saw when it called back into the library.
struct Callback {
    int lines = 0;
    int32_t version = 0;
};

void call_back(void *ctx, const char *) {
    auto *seen = static_cast<Callback *>(ctx);
    ++seen->lines;
    const double low = 1.0, high = 2.0;
    get<void(const double *, const double *)>("setxirange")(&low, &high);
    get<void(int32_t *)>("quillane_version_number")(&seen->version);
}

// A change of the state from inside a callback would land in the middle of
// the export that posts the line; it is refused, while what only reads
// still answers.
TEST(Interface, ACallbackCannotChangeTheStateUnderTheExportThatCalledIt) {
    using Range = void(double *, double *);
    double low = 0.0, high = 0.0;
    get<Range>("getxirange")(&low, &high);
    ASSERT_NE(low, 1.0);
    Callback seen;
    const quillane_listbox_ctx_ops ops{
        call_back, [](void *c) { return static_cast<Callback *>(c)->lines; },
        [](void *, int32_t) {}, [](void *) {}, [](void *) { return int32_t{0}; }};
    using Sink = void(const quillane_listbox_ctx_ops *, void *);
    get<Sink>("init_lbsink_ctx")(&ops, &seen);
    const int32_t keep = 0;
    get<void(const int32_t *)>("set_plotsave")(&keep);
    get<Sink>("init_lbsink_ctx")(nullptr, nullptr);

    EXPECT_GT(seen.lines, 0);
    EXPECT_EQ(seen.version, QUILLANE_VERSION_NUMBER);
    double after_low = 0.0, after_high = 0.0;
    get<Range>("getxirange")(&after_low, &after_high);
    EXPECT_EQ(after_low, low);
    EXPECT_EQ(after_high, high);
    // Outside a callback the same call is taken.
    const double one = 1.0, two = 2.0;
    get<void(const double *, const double *)>("setxirange")(&one, &two);
    get<Range>("getxirange")(&after_low, &after_high);
    EXPECT_EQ(after_low, 1.0);
    get<void(const double *, const double *)>("setxirange")(&low, &high);
}

}  // namespace
