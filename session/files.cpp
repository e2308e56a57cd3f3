// SPDX-License-Identifier: MIT
#include "files.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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
    if (failure == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    return failure;
}

// A node that is neither a regular file nor a character device, in words.
const char *node_kind(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISBLK(mode)) return "a block device";
    return "not a regular file";
}

std::string folder_of(const std::string &path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string &path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A lock file may be removed by its last holder between another's open and
// lock; the other then locks a file no one sees and tries again, this many
// times at most.
constexpr int kLockAttempts = 8;

// The process id a lock file holds, or "" when it holds none.
std::string holder_of(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string pid;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        pid += text[i];
    return pid;
}

}  // namespace

std::string append_to_file(const std::string &path, const std::string &text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return std::strerror(errno);
    const int failure = write_and_close(fd, text);
    return failure == 0 ? std::string() : std::strerror(failure);
}

std::optional<OutputTarget> output_target(const std::string &path, std::string &error) {
    struct stat st {};
    // Nothing there yet, or nothing that can be looked at: the write itself
    // creates the file or says why it cannot.
    if (::lstat(path.c_str(), &st) != 0) return OutputTarget{OutputKind::file, path};
    std::string target = path;
    if (S_ISLNK(st.st_mode)) {
        char *resolved =
            ::stat(path.c_str(), &st) == 0 ? ::realpath(path.c_str(), nullptr) : nullptr;
        if (resolved == nullptr) {
            error = "Cannot write " + path +
                    ": it is a symbolic link to a file that cannot be reached (" +
                    std::strerror(errno) + ")";
            return std::nullopt;
        }
        target = resolved;
        ::free(resolved);
    }
    if (S_ISREG(st.st_mode)) return OutputTarget{OutputKind::file, target};
    // The device itself, by the name the user gave: /dev/stdout leads
    // through /proc to a terminal, a name only the opening process can use.
    if (S_ISCHR(st.st_mode)) return OutputTarget{OutputKind::device, path};
    error = "Cannot write " + path + ": it is " + node_kind(st.st_mode) +
            ", not a file, and is left as it is";
    return std::nullopt;
}

bool write_file_atomically(const std::string &path, const std::string &text, std::string &error) {
    const std::optional<OutputTarget> where = output_target(path, error);
    if (!where) return false;
    const std::string &target = where->path;
    if (where->kind == OutputKind::device) {
        // Neither created nor emptied: a device has no contents to replace.
        const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        const int failure = fd < 0 ? errno : write_and_close(fd, text);
        if (failure == 0) return true;
        error = "Cannot write " + path + ": " + std::strerror(failure);
        return false;
    }
    // The temporary is created as a new file with a name nobody can guess
    // (mkstemp opens it exclusively, so a link planted at any name is never
    // followed), hidden, in the target's own folder so the rename cannot
    // cross file systems.
    std::string pattern = folder_of(target) + "/." + name_of(target) + ".tmp-XXXXXX";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "Cannot create a temporary file beside " + target + ": " + std::strerror(errno);
        return false;
    }
    // The new file gets the mode the old one had, or what a plain create
    // would give (mkstemp makes it private to its owner).
    struct stat old {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int failure = ::fchmod(fd, mode) != 0 ? errno : 0;
    if (failure != 0)
        ::close(fd);
    else
        failure = write_and_close(fd, text);
    if (failure == 0 && ::rename(temp.data(), target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.data());
        error = "Cannot write " + path + ": " + std::strerror(failure);
        return false;
    }
    return true;
}

bool OutputLock::take(const std::string &output, std::string &error) {
    release();
    // What can never be written (a named pipe, a folder) is refused now,
    // before a writer waits on it; a device is no file two writers could
    // overwrite and needs no lock.
    const std::optional<OutputTarget> where = output_target(output, error);
    if (!where) return false;
    if (where->kind == OutputKind::device) return true;
    const std::string &target = where->path;
    const std::string lock = folder_of(target) + "/." + name_of(target) + ".lock";
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            error = "Cannot lock " + output + ": " + lock + ": " + std::strerror(errno);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int failure = errno;
            const std::string pid = holder_of(fd);
            ::close(fd);
            if (failure == EWOULDBLOCK)
                error = output + " is written by another watch, " +
                        (pid.empty() ? std::string("a process") : "process " + pid) +
                        " (it holds " + lock + ")";
            else
                error = "Cannot lock " + output + ": " + lock + ": " + std::strerror(failure);
            return false;
        }
        struct stat held {
        }, there{};
        if (::fstat(fd, &held) == 0 && ::lstat(lock.c_str(), &there) == 0 &&
            held.st_dev == there.st_dev && held.st_ino == there.st_ino) {
            // Should the id not be written, the lock holds all the same: a
            // refusal then names no process.
            const std::string pid = std::to_string(::getpid()) + "\n";
            const bool written =
                ::ftruncate(fd, 0) == 0 &&
                ::pwrite(fd, pid.data(), pid.size(), 0) == static_cast<ssize_t>(pid.size());
            static_cast<void>(written);
            fd_ = fd;
            path_ = lock;
            return true;
        }
        ::close(fd);
    }
    error = "Cannot lock " + output + ": " + lock + " keeps being replaced";
    return false;
}

void OutputLock::release() {
    if (fd_ < 0) return;
    // Removed while still locked, so that no one locks it in between.
    ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
}

}  // namespace quillane::session
