// SPDX-License-Identifier: MIT
// Byte streams: the abstract stream, the file stream with access and sharing modes, the memory stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

/// Open modes of TFileStream: one access value or-ed with one sharing value.
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyNone = 0x0040;
/// Read-only, other programs unrestricted (value 64).
constexpr std::uint16_t fmReadOnlyShared = fmOpenRead | fmShareDenyNone;
/// Read-write, other programs may read but not write (value 34).
constexpr std::uint16_t fmReadWriteDenyWrite = fmOpenReadWrite | fmShareDenyWrite;

class TStream {
public:
    virtual ~TStream() = default;
    /// Reads up to count bytes; returns the number read (0 at the end).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    /// Writes up to count bytes; returns the number written.
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    /// Moves the position; returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t newSize) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    /// Reads exactly count bytes or throws EStreamError("Stream read error").
    void ReadBuffer(void* buffer, std::int64_t count);
    /// Writes exactly count bytes or throws EStreamError("Stream write error").
    void WriteBuffer(const void* buffer, std::int64_t count);
    /// Copies count bytes (all from position 0 when count is 0) from source; returns the count.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

/// A file stream over an existing file.  A writable open takes an exclusive
/// advisory lock (flock) and fails with EFOpenError naming the file when another
/// writable open holds it; a read-only open takes no lock.
class TFileStream : public TStream {
public:
    /// Opens the existing file fileName with mode; throws EFOpenError on failure.
    TFileStream(const std::string& fileName, std::uint16_t mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override;
    void SetSize(std::int64_t newSize) override;

    const std::string& FileName() const { return m_fileName; }
    int Handle() const { return m_fd; }

private:
    std::string m_fileName;
    int m_fd = -1;
    std::int64_t m_position = 0;
};

/// A growable in-memory byte stream.
class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(m_data.size()); }
    void SetSize(std::int64_t newSize) override;

    void Clear() { m_data.clear(); m_position = 0; }
    const std::uint8_t* Memory() const { return m_data.data(); }
    std::string AsString() const { return std::string(m_data.begin(), m_data.end()); }

private:
    std::vector<std::uint8_t> m_data;
    std::int64_t m_position = 0;
};
