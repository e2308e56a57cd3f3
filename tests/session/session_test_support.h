// SPDX-License-Identifier: MIT
// The session tests' set-up: the real library, linked rather than loaded,
// its exports in the session's table, a scratch folder holding the report
// and the plot file, and a list box that keeps every line.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scan_files.h"
#include "session.h"

namespace quillane::session::testing {

// The table filled from the linked library's symbols.
const Exports &linked_exports();

class ListBox {
  public:
    quillane_listbox_ctx_ops ops() const;
    std::vector<std::string> lines;  // trailing blanks removed
};

// A session on the real library with the twelve absorbance examples read,
// all active, at the limits 17.9 .. 25.4 cm^2 (the solution column).
class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Reads the examples (every one active) without setting limits.
    void read_examples(int count = 12);
    // The plot file's text without its time stamp; the file is removed, as
    // the viewer does after showing it.
    std::string take_plot();
    bool plot_exists() const;
    std::string report() const { return test_support::read_file(report_path); }

    // Every active set chosen for a plot.
    Session::ChooseSets all_sets() const;
    static Session::ChooseSets sets(std::vector<int> chosen);
    static Session::ChooseSets cancelled();

    test_support::ScratchFolder folder;
    std::string report_path;
    ListBox box;
    std::unique_ptr<Session> session;
};

std::string example(int n, const char *extension = "RA1");

}  // namespace quillane::session::testing
