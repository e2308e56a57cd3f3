// SPDX-License-Identifier: MIT
#include "log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_write.h"
#include "ftn_format.h"

namespace quillane {

namespace {

// After a write that stopped part way, cuts the file back to the end of the
// last whole line written, so that the report never ends in half a line (a
// number cut short reads as another number).  The file is open for
// appending, so its offset is the end of what was written.  False when the
// cut failed; the write failure is reported either way.
bool cut_to_whole_lines(int fd, std::string_view text, size_t done) {
    const size_t line_end = text.substr(0, done).rfind("\r\n");
    const size_t keep = line_end == std::string_view::npos ? 0 : line_end + 2;
    if (keep == done) return true;
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    const off_t cut = end - static_cast<off_t>(done - keep);
    return end >= 0 && cut >= 0 && ::ftruncate(fd, cut) == 0;
}

}  // namespace

bool is_null_device(std::string_view name) {
    const std::string_view n = ftn::trim(name);
    return n == "NUL" || n == "/dev/null";
}

Log::Log(State &s) : state_(s) {
    if (is_null_device(s.out_file_name)) return;
    if (s.out_file_name.empty()) {
        post_log_line(s, " No output file has been named: report lines go to this list only");
        return;
    }
    fd_ = ::open(s.out_file_name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) fail("open", errno);
}

Log::~Log() {
    if (fd_ < 0) return;
    flush();
    if (::close(fd_) != 0 && !failed_) fail("close", errno);
}

void Log::fail(const char *what, int error) {
    failed_ = true;
    const std::string why = std::strerror(error);
    const std::string message =
        std::string(" Cannot ") + what + " the output file " + state_.out_file_name + ": " + why;
    post_error(state_, message);
}

void Log::file(std::string_view line) {
    if (fd_ < 0) return;
    pending_.append(line);
    pending_.append("\r\n");
}

void Log::file_block(std::string_view lines) {
    if (fd_ < 0) return;
    pending_.append(lines);
}

void Log::reserve(size_t bytes) {
    if (fd_ < 0) return;
    pending_.reserve(pending_.size() + bytes);
}

bool Log::flush() {
    if (fd_ < 0 || pending_.empty()) return !failed_;
    size_t done = 0;
    const int error = failed_ ? 0 : write_all(fd_, pending_, done);
    if (error != 0) cut_to_whole_lines(fd_, pending_, done);
    pending_.clear();
    // After one failure the rest is dropped: the report must not go on
    // behind a hole.
    if (error != 0) fail("write", error);
    return !failed_;
}

void Log::post_error(State &s, std::string_view line) {
    note_error(s, line);
    post_log_line(s, line);
}

namespace {

// The list-box protocol, the same for either kind of sink: add the line,
// scroll it into view, repaint, and let the box handle up to two pending
// events.
template <typename Ops, typename Target>
void post_to(const Ops &ops, Target target, int32_t visible_lines, const std::string &text) {
    ops.add_string(target, text.c_str());
    const int32_t count = ops.get_count(target);
    if (count > visible_lines) ops.set_top_index(target, count - visible_lines);
    ops.update(target);
    if (ops.dispatch_pending(target) == 0) return;
    ops.update(target);
    ops.dispatch_pending(target);
}

}  // namespace

void Log::post_log_line(State &s, std::string_view line) {
    const std::string text = ftn::pad_right(line, kListBoxLineLength);
    if (s.lb_ctx_sink_set)
        post_to(s.lb_ctx_ops, s.lb_ctx, s.lb_visible_lines, text);
    else if (s.lb_sink_set)
        post_to(s.lb_ops, s.lb_handle, s.lb_visible_lines, text);
}

}  // namespace quillane
