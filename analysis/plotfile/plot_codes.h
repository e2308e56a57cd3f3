// SPDX-License-Identifier: MIT
// The series codes of a plot file's point records, shared by the library's
// writers, the reader and the viewer's renderer.
//
// A code of 1 or more is a point drawn as a symbol (the code picks shape and
// colour).  The writers keep a code in one byte and write it as a signed
// 8-bit number, so the line codes are the bytes 198, 199 and 200 in the
// writers and -58, -57 and -56 in the file.
#pragma once

#include <cstdint>

namespace quillane::plotfile {

inline constexpr int16_t kCodeLineStart = -58;     // the pen moves to this point
inline constexpr int16_t kCodeLineContinue = -57;  // a line is drawn to this point
inline constexpr int16_t kCodeHidden = -56;        // not drawn (any other code <= 0 too)

// A code as the byte the writers keep (198 for -58).
constexpr uint8_t code_byte(int16_t code) {
    return static_cast<uint8_t>(static_cast<int8_t>(code));
}

}  // namespace quillane::plotfile
