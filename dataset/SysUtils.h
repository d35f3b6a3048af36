// SPDX-License-Identifier: MIT
// Exception classes shared by the engine, the dataset framework and the export.
#pragma once

#include <stdexcept>
#include <string>

/// Root of every error the engine, the dataset framework and the export raise.
/// Carries only its message text; catch it (or std::exception) at a boundary.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

/// Stream failures: "Stream read error", "Stream write error".
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

/// A file stream that cannot be opened; the message names the file and the reason.
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

/// Errors of the dataset framework; the message already carries the dataset's
/// component name and ": " in front (see DatabaseError in TDataSet.h).
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

/// Text that is not a valid value of a field's kind ("'abc' is not a valid integer value").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

/// An internal consistency check failed (for instance "_dbfFile=Nil").
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
};

/// Text-file I/O failure with its error code (2 "File not found", 101 "Disk full", ...).
class EInOutError : public Exception {
public:
    EInOutError(const std::string& message, int errorCode) : Exception(message), ErrorCode(errorCode) {}
    int ErrorCode;
};
