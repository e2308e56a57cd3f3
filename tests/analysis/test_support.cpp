// SPDX-License-Identifier: MIT
#include "test_support.h"

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "ftn_format.h"

namespace quillane::testing {
namespace {

std::map<int, ListBoxRecorder *> &recorders() {
    static std::map<int, ListBoxRecorder *> map;
    return map;
}
int next_handle = 100;

ListBoxRecorder *find(int32_t handle) {
    auto it = recorders().find(handle);
    return it == recorders().end() ? nullptr : it->second;
}

void add_string(int32_t h, const char *line) {
    if (auto *r = find(h)) r->lines.emplace_back(line);
}
int32_t get_count(int32_t h) {
    auto *r = find(h);
    return r ? static_cast<int32_t>(r->lines.size()) : 0;
}
void set_top_index(int32_t h, int32_t index) {
    if (auto *r = find(h)) r->top_index_calls.push_back(index);
}
void update(int32_t h) {
    if (auto *r = find(h)) ++r->updates;
}
int32_t dispatch_pending(int32_t h) {
    auto *r = find(h);
    if (!r) return 0;
    ++r->dispatch_calls;
    if (r->pending_events > 0) {
        --r->pending_events;
        return 1;
    }
    return 0;
}

const quillane_listbox_ops kOps{add_string, get_count, set_top_index, update, dispatch_pending};

}  // namespace

ListBoxRecorder::ListBoxRecorder(int visible_lines)
    : handle_(next_handle++), visible_(visible_lines) {
    recorders()[handle_] = this;
}

ListBoxRecorder::~ListBoxRecorder() {
    recorders().erase(handle_);
}

void ListBoxRecorder::attach(State &s) const {
    s.lb_ops = kOps;
    s.lb_sink_set = true;
    s.lb_handle = handle_;
    s.lb_visible_lines = visible_;
}

std::vector<std::string> ListBoxRecorder::trimmed() const {
    std::vector<std::string> out;
    for (const auto &l : lines)
        out.emplace_back(ftn::trim_right(l));
    return out;
}

Fixture::Fixture(bool echo) {
    out_file = dir.file("report.txt");
    box.attach(*state);
    state->out_file_name = out_file;
    init_commons(*state, echo);
}

FileSizeLimit::FileSizeLimit(long bytes) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < static_cast<rlim_t>(bytes)) return;
    old_soft_ = limit.rlim_cur;
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    if (!active_) std::signal(SIGXFSZ, old_handler_);
}

FileSizeLimit::~FileSizeLimit() {
    if (!active_) return;
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(old_soft_);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, old_handler_);
}

std::string long_path(const ScratchDir &dir, size_t length, const std::string &leaf) {
    std::filesystem::path p = dir.path();
    int level = 0;
    while (p.string().size() + 1 + leaf.size() < length)
        p /= "folder-" + std::to_string(++level) + "-" + std::string(40, 'n');
    std::filesystem::create_directories(p);
    return (p / leaf).string();
}

std::string read_file(const std::string &path) {
    return test_support::read_file(path);
}

std::vector<std::string> example_scans() {
    std::vector<std::string> files;
    for (const auto &e : std::filesystem::directory_iterator(QUILLANE_EXAMPLES_DIR))
        if (e.path().extension() == ".RA1") files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> Fixture::out_lines() const {
    const std::string text = read_file(out_file);
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "output file ends without CR LF: " << text.substr(pos);
            lines.push_back(text.substr(pos));
            break;
        }
        const std::string line = text.substr(pos, end - pos);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "bare LF in output line: " << line;
        lines.push_back(line);
        pos = end + 2;
    }
    return lines;
}

std::vector<std::string> Fixture::new_out_lines() {
    auto all = out_lines();
    std::vector<std::string> fresh(all.begin() + static_cast<long>(std::min(seen_, all.size())),
                                   all.end());
    seen_ = all.size();
    return fresh;
}

}  // namespace quillane::testing
