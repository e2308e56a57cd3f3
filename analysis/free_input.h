// SPDX-License-Identifier: MIT
// Reading numbers from a text line the way scan files are written: numbers
// separated by blanks, tabs or commas; integers and reals with an exponent
// letter E, e, D or d and any number of exponent digits.
#pragma once

#include <span>
#include <string_view>

namespace quillane {

enum class FreeRead {
    ok,             // every number asked for was read
    end_of_record,  // the line ended before the last number
    bad_text,       // an item is not a number
};

// Reads out.size() numbers from the start of text.  Numbers read before a
// failure are stored; the rest of out is left as it was.
FreeRead read_free_numbers(std::string_view text, std::span<double> out);

}  // namespace quillane
