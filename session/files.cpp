#include "files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillane::session {

namespace {

// Writes all of text to fd and closes it.  Returns 0 or the errno of the
// first failure (ENOSPC for a write that stopped short without one).
int write_and_close(int fd, const std::string &text) {
    size_t done = 0;
    int failure = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failure = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && failure == 0) failure = errno;
    return failure;
}

}  // namespace

std::string append_to_file(const std::string &path, const std::string &text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return std::strerror(errno);
    const int failure = write_and_close(fd, text);
    return failure == 0 ? std::string() : std::strerror(failure);
}

bool write_file_atomically(const std::string &path, const std::string &text, std::string &error) {
    const std::string temp = path + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "Cannot create " + temp + ": " + std::strerror(errno);
        return false;
    }
    int failure = write_and_close(fd, text);
    if (failure == 0 && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        error = "Cannot write " + path + ": " + std::strerror(failure);
        return false;
    }
    return true;
}

}  // namespace quillane::session
