// SPDX-License-Identifier: MIT
#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quillane::fuzz {
namespace {

int32_t g_lines = 0;

void add_string(int32_t, const char *line) {
    size_t n = 0;
    while (n < 200 && line[n] != '\0')
        ++n;
    require(n <= 159, "a list-box line is longer than 159 characters");
    ++g_lines;
}
int32_t get_count(int32_t) {
    return g_lines;
}
void set_top_index(int32_t, int32_t) {}
void update(int32_t) {}
int32_t dispatch_pending(int32_t) {
    return 0;
}

const quillane_listbox_ops kOps{add_string, get_count, set_top_index, update, dispatch_pending};

void remove_scratch() {
    std::error_code ec;
    std::filesystem::remove_all(scratch_folder(), ec);
}

}  // namespace

void require(bool ok, const char *what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

MemoryFile::MemoryFile(const char *label) {
    fd_ = ::memfd_create(label, MFD_CLOEXEC);
    require(fd_ >= 0, "memfd_create failed");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
    if (fd_ >= 0) ::close(fd_);
}

void MemoryFile::set(std::string_view text) {
    require(::ftruncate(fd_, 0) == 0, "cannot empty a memory file");
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n =
            ::pwrite(fd_, text.data() + done, text.size() - done, static_cast<off_t>(done));
        require(n > 0, "cannot write a memory file");
        done += static_cast<size_t>(n);
    }
}

std::string MemoryFile::text() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const std::string &scratch_folder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillane-fuzz-XXXXXX").string();
        require(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
        return pattern;
    }();
    static const bool registered = std::atexit(remove_scratch) == 0;
    (void)registered;
    return folder;
}

const quillane_listbox_ops &checking_list_box() {
    return kOps;
}

void take_plot_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    std::stringstream ss;
    ss << in.rdbuf();
    in.close();
    std::filesystem::remove(path);
    const std::string text = ss.str();
    require(text.find("Infinity") == std::string::npos && text.find("NaN") == std::string::npos,
            "a plot file holds a number that is not finite");
    size_t lines = 0;
    for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2)
        ++lines;
    require(lines >= 5, "a plot file lacks its five header records");
    size_t line5 = 0;
    for (int k = 0; k < 4; ++k)
        line5 = text.find("\r\n", line5) + 2;
    const long count = std::strtol(text.c_str() + line5, nullptr, 10);
    require(count >= 0 && static_cast<size_t>(count) == lines - 5,
            "a plot file's count differs from its records");
}

}  // namespace quillane::fuzz
