// SPDX-License-Identifier: MIT
// Writing text to an open file descriptor without losing a byte in silence.
#pragma once

#include <cstddef>
#include <string_view>

namespace quillane {

// Writes all of text to fd, going on after interrupted or partial writes.
// Returns 0, or the errno of the failure (ENOSPC for a write that stopped
// short without one); `done` gets the bytes that reached the file.
int write_all(int fd, std::string_view text, size_t &done);

}  // namespace quillane
