// SPDX-License-Identifier: MIT
// Opening a scan file to read it, for every part of the system that reads
// one: the library's reader, the watch's look at a scan's points and the
// program's file information.  A name may lead to a named pipe or a device
// rather than a file -- given by the user, or put in a watched folder in
// place of a scan between a listing and a read -- and opening a pipe that
// no one writes waits for a writer for good, with no signal ending the
// wait.  Only regular files are read, and the open itself never waits.
// Header-only so that the library and the layers above it, which do not
// link each other, share one rule.
#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace quillane {

// Why a file of the given type is not read: "it is a named pipe, not a
// regular file".
inline std::string not_regular_text(mode_t mode) {
    const char *what = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "a special file";
    return std::string("it is ") + what + ", not a regular file";
}

// Opens `name` (relative to the folder `folder_fd` unless that is
// AT_FDCWD) for reading when it is a regular file.  Returns the descriptor,
// blocking as usual (a regular file's reads never wait for a writer), or
// -1 with `why` set: not_regular_text, or the system's reason.
inline int open_regular_file(const char *name, std::string &why, int folder_fd = AT_FDCWD) {
    // Asked first, so that nothing else is ever opened (opening some
    // devices acts on them); asked again of what was opened, since the name
    // may lead elsewhere by then.
    struct stat st {};
    if (::fstatat(folder_fd, name, &st, 0) == 0 && !S_ISREG(st.st_mode)) {
        why = not_regular_text(st.st_mode);
        return -1;
    }
    const int fd = ::openat(folder_fd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    const auto refuse = [&](std::string reason) {
        why = std::move(reason);
        ::close(fd);
        return -1;
    };
    if (::fstat(fd, &st) != 0) return refuse(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return refuse(not_regular_text(st.st_mode));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return refuse(std::strerror(errno));
    return fd;
}

}  // namespace quillane
