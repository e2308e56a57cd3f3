// SPDX-License-Identifier: MIT
// Helpers the session's own files share; not for callers of the session.
#pragma once
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace quillane::session::internal {

// A regular file is at `path`.
inline bool file_exists(const std::string &path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A text the library hands back as `length` bytes with its full length
// beside it, read whole: asked again with room for all of it when the
// first room was short.  `call(buffer, room, &length)` makes the export
// call; the exports that hand texts back only read the state, so asking
// twice gives the same answer.
template <typename Call>
inline std::string whole_text(Call &&call) {
    std::string text(256, ' ');
    int32_t length = 0;
    call(text.data(), static_cast<int32_t>(text.size()), &length);
    if (length > static_cast<int32_t>(text.size())) {
        text.assign(static_cast<size_t>(length), ' ');
        call(text.data(), length, &length);
    }
    text.resize(
        static_cast<size_t>(std::clamp<int32_t>(length, 0, static_cast<int32_t>(text.size()))));
    return text;
}

}  // namespace quillane::session::internal
