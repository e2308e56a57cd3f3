// SPDX-License-Identifier: MIT
// The facts a scan file's time line holds beside the time.
//
// The time line ("R 2 20.0 10000 0003501 3.3160E09 280 32") gives, after
// its letter, the cell number, the temperature, the rotor speed, the time,
// omega^2 t and the wavelength, in this order.  The reader takes the time
// from it; the others are kept so that callers can tell which scans belong
// together (one cell, one rotor speed, one wavelength).
//
// A fact is known only when its item is there and holds a plausible number;
// nothing is guessed.  An item that is missing is absent, one that is text
// or an implausible number is unreadable, and the caller can say which.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "quillane.h"

namespace quillane {

// The facts, in the order of the time line's items.
enum class HeaderFact : int {
    cell = 0,
    temperature,  // degrees C
    speed,        // rotor speed, rpm
    time,         // s
    omega2t,      // integral of omega^2 dt, rad^2/s
    wavelength,   // nm
};
inline constexpr int kHeaderFacts = QUILLANE_HEADER_FACTS;

// What each fact is worth; the values are the C interface's
// (quillane_fact_status), which fixes them.
enum class FactState : int32_t {
    unreadable = QUILLANE_FACT_UNREADABLE,  // the item is there but is text or implausible
    absent = QUILLANE_FACT_ABSENT,  // the line ends before the item, or there is no time line
    known = QUILLANE_FACT_KNOWN,
};

struct ScanHeader {
    bool time_line = false;  // the file has a time line
    // The time line's letter: 'R' absorbance, 'P' interference; 0 without
    // a time line.
    char letter = 0;
    std::array<FactState, kHeaderFacts> state{};
    std::array<double, kHeaderFacts> value{};

    bool known(HeaderFact f) const { return state[static_cast<size_t>(f)] == FactState::known; }
    double operator[](HeaderFact f) const { return value[static_cast<size_t>(f)]; }
};

// The facts of a time line; `items` is the line from its second column on
// (after the letter R or P).  time_bound: a time of larger magnitude is
// unreadable (the reader does not use it either).
ScanHeader header_facts(std::string_view items, double time_bound);

}  // namespace quillane
