// SPDX-License-Identifier: MIT
// Writing the files the session itself writes (the report's own lines, the
// results for other tools) with every step checked.
#pragma once

#include <string>

namespace quillane::session {

// Appends text to the file (created when missing).  Returns "" or the
// reason it failed.
std::string append_to_file(const std::string &path, const std::string &text);

// Writes text to path through a temporary file in the same folder and a
// rename, so a reader never sees half a file.  The temporary is created
// exclusively under an unpredictable hidden name, so no link planted
// beside the output is ever followed.  When path itself is a symbolic link
// the file it leads to is replaced and the link stays; a link that leads
// nowhere is refused.  False with error set when any step fails (the
// temporary file is then removed).
bool write_file_atomically(const std::string &path, const std::string &text, std::string &error);

}  // namespace quillane::session
