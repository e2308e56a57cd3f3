// SPDX-License-Identifier: MIT
#include "session_test_support.h"

#include <filesystem>
#include <regex>

namespace quillane::session::testing {

const Exports &linked_exports() {
    static const Exports table = [] {
        Exports t;
#define QUILLANE_SESSION_TEST_BIND(name) t.name = &::name;
        QUILLANE_SESSION_EXPORTS(QUILLANE_SESSION_TEST_BIND)
#undef QUILLANE_SESSION_TEST_BIND
        return t;
    }();
    return table;
}

quillane_listbox_ctx_ops ListBox::ops() const {
    return {
        [](void *ctx, const char *line) {
            std::string text(line);
            text.erase(text.find_last_not_of(' ') + 1);
            static_cast<ListBox *>(ctx)->lines.push_back(text);
        },
        [](void *ctx) { return static_cast<int32_t>(static_cast<ListBox *>(ctx)->lines.size()); },
        [](void *, int32_t) {}, [](void *) {}, [](void *) { return int32_t{0}; }};
}

std::string example(int n, const char *extension) {
    char name[32];
    std::snprintf(name, sizeof name, "/%05d.%s", n, extension);
    return std::string(QUILLANE_EXAMPLES_DIR) + name;
}

void SessionTest::SetUp() {
    session = std::make_unique<Session>(linked_exports());
    session->attach_list_box(box.ops(), &box, 25);
    report_path = folder.file("report.txt");
    std::string error;
    ASSERT_TRUE(session->create_report(report_path, error)) << error;
    session->set_plot_file(folder.file("plot.dat"));
    session->initialise(false);
}

void SessionTest::TearDown() {
    // The library keeps the sink for the life of the process.
    linked_exports().init_lbsink_ctx(nullptr, nullptr);
}

void SessionTest::read_examples(int count) {
    std::vector<std::string> files;
    std::vector<int> active;
    for (int n = 1; n <= count; ++n) {
        files.push_back(example(n));
        active.push_back(n);
    }
    const Outcome o = session->read_and_select(files, active);
    ASSERT_TRUE(o.done) << o.refusal;
    ASSERT_TRUE(o.errors.empty()) << o.errors.front();
}

bool SessionTest::plot_exists() const {
    return std::filesystem::exists(session->plot_file());
}

std::string SessionTest::take_plot() {
    const std::string text = test_support::read_file(session->plot_file());
    std::filesystem::remove(session->plot_file());
    static const std::regex stamp("[0-9]{2}:[0-9]{2}:[0-9]{2} ON [0-9]{2}/[0-9]{2}/[0-9]{4}");
    return std::regex_replace(text, stamp, "TIME");
}

Session::ChooseSets SessionTest::all_sets() const {
    const int n = session->active_count();
    return [n] {
        std::vector<int> all;
        for (int k = 1; k <= n; ++k)
            all.push_back(k);
        return all;
    };
}

Session::ChooseSets SessionTest::sets(std::vector<int> chosen) {
    return [chosen] { return chosen; };
}

Session::ChooseSets SessionTest::cancelled() {
    return [] { return std::vector<int>{}; };
}

}  // namespace quillane::session::testing
