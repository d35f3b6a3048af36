// SPDX-License-Identifier: MIT
// A file of fixed-size records behind a header of known size: the base of the table and memo files.
#pragma once

#include "Classes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TDbf;

class TPagedFile {
public:
    /// Opens the existing file with mode.  An open failure is not thrown: Stream stays
    /// empty and OpenError() holds the message; the subclass decides.
    TPagedFile(TDbf* owner, const std::string& fileName, std::uint16_t mode);
    virtual ~TPagedFile();
    TPagedFile(const TPagedFile&) = delete;
    TPagedFile& operator=(const TPagedFile&) = delete;

    /// (file size - HeaderSize) / RecordSize, never below 0; 0 when RecordSize is 0.
    std::int32_t RecordCountFromSize();
    void SeekToRecord(std::int32_t n);
    /// Reads record n (RecordSize bytes) into buffer; returns the bytes read.
    /// A short read is not an error: the rest of the buffer keeps its bytes.
    std::int32_t ReadRecord(std::int32_t n, void* buffer);
    /// Writes record n from buffer; returns the bytes written.
    std::int32_t WriteRecord(std::int32_t n, const void* buffer);

    const std::string& FileName() const { return m_fileName; }
    const std::string& OpenError() const { return m_openError; }

    TDbf* Owner;
    std::unique_ptr<TFileStream> Stream;
    std::int32_t HeaderSize = 0;
    std::int32_t RecordSize = 0;

protected:
    /// Drops the read-ahead window; call after writing to Stream other than through WriteRecord.
    void InvalidateWindow();

    std::string m_fileName;
    std::string m_openError;

private:
    std::int32_t FillWindow(std::int64_t offset, std::int64_t windowStart, void* buffer);

    // Read-ahead window: a copy of the file bytes [m_windowStart, m_windowStart + m_windowLength).
    // Sequential ReadRecord calls are served from it with one pread per window.
    std::vector<std::uint8_t> m_window;
    std::int64_t m_windowStart = 0;
    std::int64_t m_windowLength = 0;
    std::int64_t m_lastReadOffset = -1;
};
