// SPDX-License-Identifier: MIT
// Where one field lies inside a record.
#pragma once

#include <cstdint>
#include <string>

struct TMyFieldInfo {
    std::int32_t FieldSize = 0;      ///< the descriptor's length byte
    std::int32_t FieldDecimals = 0;  ///< the descriptor's decimal count
    std::int32_t FieldOffset = 0;    ///< offset inside the record; the first field is at 1
    std::string FieldName;           ///< for messages about this field
};
