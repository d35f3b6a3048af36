// SPDX-License-Identifier: MIT
// The table engine's own error classes.
#pragma once

#include "SysUtils.h"

/// Failures of the table engine ("Invalid Field count : ...", "Bookmark 7 not found", ...).
class EBinaryDataSetError : public Exception {
public:
    using Exception::Exception;
};

/// A value whose text does not fit its field ("Field too long :6 (must be between 1 and 5).").
class EFieldToLongError : public Exception {
public:
    using Exception::Exception;
};
