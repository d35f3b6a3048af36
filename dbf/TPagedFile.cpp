// SPDX-License-Identifier: MIT
// Fixed-size records behind a header over a file stream, with a read-ahead window for scans.
#include "TPagedFile.h"

#include "SysUtils.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// A scan reads this much per pread (rounded down to whole records).  The export walks
// a million records front to back; one read per record would cost a system call each.
constexpr std::int64_t kWindowBytes = 256 * 1024;

}  // namespace

TPagedFile::TPagedFile(TDbf* owner, const std::string& fileName, std::uint16_t mode)
    : Owner(owner), m_fileName(fileName)
{
    try {
        Stream = std::make_unique<TFileStream>(fileName, mode);
    } catch (const EFOpenError& error) {
        // Not passed on: the subclass decides what a missing stream means.
        m_openError = error.what();
    }
}

TPagedFile::~TPagedFile() = default;

std::int32_t TPagedFile::RecordCountFromSize()
{
    if (RecordSize <= 0 || !Stream)
        return 0;
    const std::int64_t records = (Stream->Size() - HeaderSize) / RecordSize;
    if (records < 0)
        return 0;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(records, std::numeric_limits<std::int32_t>::max()));
}

void TPagedFile::SeekToRecord(std::int32_t n)
{
    Stream->SetPosition(static_cast<std::int64_t>(HeaderSize) +
                        static_cast<std::int64_t>(n) * RecordSize);
}

std::int32_t TPagedFile::ReadRecord(std::int32_t n, void* buffer)
{
    // A negative record number has no bytes in the file: a short read of nothing.
    if (!Stream || RecordSize <= 0 || n < 0)
        return 0;
    const std::int64_t size = RecordSize;
    const std::int64_t offset = static_cast<std::int64_t>(HeaderSize) + n * size;
    const std::int64_t previous = m_lastReadOffset;
    m_lastReadOffset = offset;

    // Only a scan (a step to a neighbouring record) is served from the window.  A jump,
    // or reading the same record again (what a refresh does), goes to the file and drops
    // the window, so a table that another program changes while we hold it open
    // read-only shows the change after a refresh or a jump.
    const bool forward = previous >= 0 && offset == previous + size;
    const bool backward = previous >= 0 && offset + size == previous;
    if (offset == previous)
        InvalidateWindow();
    if ((forward || backward) && offset >= m_windowStart &&
        offset + size <= m_windowStart + m_windowLength) {
        std::memcpy(buffer, m_window.data() + (offset - m_windowStart), static_cast<std::size_t>(size));
        Stream->SetPosition(offset + size);
        return RecordSize;
    }
    const std::int64_t windowBytes = std::max(size, (kWindowBytes / size) * size);
    if (forward)
        return FillWindow(offset, offset, buffer);
    if (backward)
        return FillWindow(offset, std::max<std::int64_t>(0, offset + size - windowBytes), buffer);

    Stream->SetPosition(offset);
    return static_cast<std::int32_t>(Stream->Read(buffer, size));
}

std::int32_t TPagedFile::FillWindow(std::int64_t offset, std::int64_t windowStart, void* buffer)
{
    const std::int64_t size = RecordSize;
    const std::int64_t windowBytes = std::max(size, (kWindowBytes / size) * size);
    m_window.resize(static_cast<std::size_t>(windowBytes));
    m_windowLength = 0;
    Stream->SetPosition(windowStart);
    m_windowStart = windowStart;
    m_windowLength = Stream->Read(m_window.data(), windowBytes);
    // Near the end of the file the window is short; copy what lies inside it and
    // leave the rest of the caller's buffer as it was.
    const std::int64_t available =
        std::clamp<std::int64_t>(m_windowStart + m_windowLength - offset, 0, size);
    if (available > 0)
        std::memcpy(buffer, m_window.data() + (offset - m_windowStart), static_cast<std::size_t>(available));
    Stream->SetPosition(offset + available);
    return static_cast<std::int32_t>(available);
}

std::int32_t TPagedFile::WriteRecord(std::int32_t n, const void* buffer)
{
    if (!Stream || RecordSize <= 0 || n < 0)
        return 0;
    const std::int64_t offset = static_cast<std::int64_t>(HeaderSize) + static_cast<std::int64_t>(n) * RecordSize;
    Stream->SetPosition(offset);
    const std::int64_t written = Stream->Write(buffer, RecordSize);

    // Keep the window equal to the file: copy in the bytes that reached the file.
    const std::int64_t low = std::max(offset, m_windowStart);
    const std::int64_t high = std::min(offset + written, m_windowStart + m_windowLength);
    if (low < high)
        std::memcpy(m_window.data() + (low - m_windowStart),
                    static_cast<const std::uint8_t*>(buffer) + (low - offset),
                    static_cast<std::size_t>(high - low));
    return static_cast<std::int32_t>(written);
}

void TPagedFile::InvalidateWindow()
{
    m_windowLength = 0;
}
