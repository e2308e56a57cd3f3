// SPDX-License-Identifier: MIT
// quillane-batch --report-pdf: the run report of the bundled examples and of
// a run of several series, read back with the PDF tools a user would have
// (poppler-utils); a test skips when they are missing.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <regex>

#include "batch_support.h"

namespace {

using namespace batch_test;

#ifdef QUILLANE_BATCH_IMAGES

// What a command prints, or nothing when it cannot be run.
std::optional<std::string> output_of(const std::string &command) {
    FILE *pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    return ::pclose(pipe) == 0 ? std::optional(text) : std::nullopt;
}

bool have_tool(const char *tool) {
    return output_of(std::string("command -v ") + tool).has_value();
}

// The text of a PDF with every run of blanks and line ends as one blank, so
// that a line the layout wrapped still reads as written.
std::string pdf_text(const fs::path &pdf) {
    const auto text = output_of("pdftotext -layout '" + pdf.string() + "' -");
    return text ? std::regex_replace(*text, std::regex("\\s+"), " ") : std::string();
}

std::vector<std::string> examples(const std::string &suffix) {
    std::vector<std::string> files;
    for (const auto &entry : fs::directory_iterator(QUILLANE_EXAMPLES_DIR))
        if (entry.path().extension() == suffix) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

class BatchReport : public BatchRun, public ::testing::WithParamInterface<std::string> {
  protected:
    void SetUp() override {
        BatchRun::SetUp();
        if (!have_tool("pdftotext") || !have_tool("pdffonts"))
            GTEST_SKIP() << "pdftotext and pdffonts (poppler-utils) are not installed";
    }
    Outcome report(std::vector<std::string> args, const std::vector<std::string> &files) {
        args.insert(args.end(), files.begin(), files.end());
        return run(args);
    }
};

TEST_P(BatchReport, TheReportOfAnExampleRunGivesTheVerdictWithItsFontsEmbedded) {
    const Outcome r =
        report({"--report-pdf", "run.pdf", "--json", "run.json"}, examples(GetParam()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_CONTAINS(r.out, "quillane-batch: run report written to run.pdf");
    const auto json = nlohmann::json::parse(read_file(dir / "run.json"));
    const std::string text = pdf_text(dir / "run.pdf");
    EXPECT_CONTAINS(text, "Verdict " + json["equilibrium"]["text"].get<std::string>());
    EXPECT_CONTAINS(
        text, "Reference set " + std::to_string(json["settings"]["reference_set"].get<int>()));
    EXPECT_CONTAINS(text, "Ref. Cmp. t ref. h t cmp. h Points RMS none");  // the pairs table

    // Every font is embedded (the column after type and encoding says yes).
    const auto fonts = output_of("pdffonts '" + (dir / "run.pdf").string() + "'");
    ASSERT_TRUE(fonts);
    int listed = 0;
    std::istringstream lines(*fonts);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("TrueType") == std::string::npos && line.find("Type") == std::string::npos)
            continue;
        if (line.rfind("name", 0) == 0) continue;
        ++listed;
        EXPECT_TRUE(std::regex_search(line, std::regex(" yes +(yes|no) +(yes|no) +\\d+"))) << line;
    }
    EXPECT_GT(listed, 0) << *fonts;
    // The figures' plot files set aside for the report are gone.
    for (const auto &entry : fs::directory_iterator(dir / "plots"))
        EXPECT_EQ(entry.path().filename().string().rfind("plot_", 0), 0u) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Examples, BatchReport, ::testing::Values(".RA1", ".IP1"),
                         [](const auto &info) { return info.param.substr(1); });

TEST_F(BatchRun, EachSeriesMakesOneReportWithASummaryRowPerSeriesOnLetterPaper) {
    if (!have_tool("pdftotext") || !have_tool("pdfinfo"))
        GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are not installed";
    std::vector<std::string> args{"--each-series", "--column",    "2",     "--report-pdf",
                                  "all.pdf",       "--page-size", "letter"};
    std::vector<std::string> files;
    for (const auto &entry : fs::directory_iterator(fs::path(QUILLANE_EXAMPLES_DIR) / "multispeed"))
        if (entry.path().extension() == ".RA2") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    args.insert(args.end(), files.begin(), files.end());
    const Outcome r = run(args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_FALSE(fs::exists(dir / "series-1" / "all.pdf"));
    const std::string text = pdf_text(dir / "all.pdf");
    EXPECT_CONTAINS(text, "Summary Series Cell Speed (rpm) Wavelength (nm) Scans Verdict t_eq");
    // One row per series: number, cell, speed, wavelength, scans, verdict.
    const char *rows[] = {"1 2 10,000 280 6 ", "2 2 10,000 260 6 ", "3 2 14,000 280 6 ",
                          "4 2 14,000 260 6 ", "5 2 20,000 280 6 ", "6 2 20,000 260 6 "};
    for (const char *row : rows)
        EXPECT_TRUE(std::regex_search(
            text, std::regex(std::string(row) + "(reached by scan \\d+|still approaching)")))
            << row;
    for (int k = 1; k <= 6; ++k)
        EXPECT_CONTAINS(text, "Series " + std::to_string(k) + ": ");
    EXPECT_CONTAINS(*output_of("pdfinfo '" + (dir / "all.pdf").string() + "'"), "612 x 792 pts");
}

// A name that holds a direction override is shown as it is spelled, not
// turned round to pose as another (U+202E would show "...abc.RA1" as
// "...1AR.cba").
TEST_F(BatchRun, AFileNameIsShownAsSpelledWhateverDirectionItAsksFor) {
    if (!have_tool("pdftotext")) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const std::string posing = "rlo\u202eabc.RA1";
    fs::rename(dir / scan(1), dir / posing);
    const Outcome r = run({"--report-pdf", "r.pdf", posing, scan(2), scan(3)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string text = pdf_text(dir / "r.pdf");
    EXPECT_CONTAINS(text, "1 rloabc.RA1 1.00 h");  // the scans table
    EXPECT_EQ(text.find("cba"), std::string::npos) << text;
}

#endif  // QUILLANE_BATCH_IMAGES

TEST_F(BatchRun, AReportIsRefusedWhereThereIsNoAnalysisToReport) {
    const std::string a = scan(1), b = scan(2), c = scan(3);
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--report-pdf", "x.pdf", "--page-size", "a5", a, b, c},
          {"--report-pdf", "x.pdf", "--columns", a, b, c},
          {"--report-pdf", a, a, b, c}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.exit_code, 2) << args[2];
        EXPECT_FALSE(fs::exists(dir / "x.pdf"));
    }
}

}  // namespace
