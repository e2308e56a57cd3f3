#include "log.h"

#include <cerrno>
#include <cstring>

#include "ftn_format.h"

namespace quillane {

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
    file_ = std::fopen(s.out_file_name.c_str(), "ab");
    if (file_ == nullptr) {
        const std::string why = std::strerror(errno);
        post_log_line(s, " Cannot open the output file " + s.out_file_name + ": " + why);
    }
}

Log::~Log() {
    if (file_ != nullptr) std::fclose(file_);
}

void Log::file(std::string_view line) {
    if (file_ == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputs("\r\n", file_);
}

void Log::post_log_line(State &s, std::string_view line) {
    if (!s.lb_sink_set) return;
    const quillane_listbox_ops &ops = s.lb_ops;
    const std::string text = ftn::pad_right(line, kListBoxLineLength);
    ops.add_string(s.lb_handle, text.c_str());
    const int32_t count = ops.get_count(s.lb_handle);
    if (count > s.lb_visible_lines) ops.set_top_index(s.lb_handle, count - s.lb_visible_lines);
    ops.update(s.lb_handle);
    if (ops.dispatch_pending(s.lb_handle) == 0) return;
    ops.update(s.lb_handle);
    ops.dispatch_pending(s.lb_handle);
}

}  // namespace quillane
