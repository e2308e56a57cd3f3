// SPDX-License-Identifier: MIT
#include "file_write.h"

#include <unistd.h>

#include <cerrno>

namespace quillane {

int write_all(int fd, std::string_view text, size_t &done) {
    done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace quillane
