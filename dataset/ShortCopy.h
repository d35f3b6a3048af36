// SPDX-License-Identifier: MIT
// Copying the short texts of a log record (a few bytes each) without a call to memcpy.
#pragma once

#include <cstddef>
#include <cstring>

/// Copies count bytes from from to out.  Field texts are mostly a few bytes: two
/// overlapping moves of a fixed size each beat a call to memcpy.  With count 0 nothing
/// is read, so from may be null.
[[gnu::always_inline]] inline void CopyShort(void* out, const void* from, std::size_t count)
{
    auto* o = static_cast<char*>(out);
    const auto* f = static_cast<const char*>(from);
    if (count >= 8 && count <= 16) {
        std::memcpy(o, f, 8);
        std::memcpy(o + count - 8, f + count - 8, 8);
    } else if (count >= 4 && count < 8) {
        std::memcpy(o, f, 4);
        std::memcpy(o + count - 4, f + count - 4, 4);
    } else if (count >= 2 && count < 4) {
        std::memcpy(o, f, 2);
        std::memcpy(o + count - 2, f + count - 2, 2);
    } else if (count == 1) {
        *o = *f;
    } else if (count > 16) {
        std::memcpy(o, f, count);
    }
}
