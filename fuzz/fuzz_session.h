// SPDX-License-Identifier: MIT
// The harnesses that go through the session bind its export table to the
// library compiled into them, as the session tests do.
#pragma once

#include "exports.h"

namespace quillane::fuzz {

inline const session::Exports &linked_exports() {
    static const session::Exports table = [] {
        session::Exports t;
#define QUILLANE_FUZZ_BIND(name) t.name = &::name;
        QUILLANE_SESSION_EXPORTS(QUILLANE_FUZZ_BIND)
#undef QUILLANE_FUZZ_BIND
        return t;
    }();
    return table;
}

}  // namespace quillane::fuzz
