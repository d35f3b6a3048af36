// SPDX-License-Identifier: MIT
// Byte streams: exact reads and writes, the POSIX file stream with its locking, the memory stream.
#include "Classes.h"

#include "SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

std::int64_t TStream::Size()
{
    const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EStreamError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr std::int64_t kChunk = 64 * 1024;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min(count, kChunk)));
    std::int64_t left = count;
    while (left > 0) {
        const std::int64_t n = std::min(left, kChunk);
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        left -= n;
    }
    return count;
}

namespace {

[[noreturn]] void ThrowOpenError(const std::string& fileName, const std::string& reason)
{
    throw EFOpenError("Cannot open file \"" + fileName + "\": " + reason);
}

std::string ErrnoText(int error)
{
    return std::generic_category().message(error);
}

}  // namespace

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode) : m_fileName(fileName)
{
    const int access = mode & 0x0003;
    int flags = O_CLOEXEC;
    if (access == fmOpenWrite)
        flags |= O_WRONLY;
    else if (access == fmOpenReadWrite)
        flags |= O_RDWR;
    else
        flags |= O_RDONLY;

    // O_NONBLOCK keeps a FIFO given as a table from hanging the open; it changes
    // nothing for the regular files that pass the check below.
    int fd = -1;
    do {
        fd = ::open(fileName.c_str(), flags | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        ThrowOpenError(fileName, ErrnoText(errno));

    // A directory opens read-only without complaint on Linux and every later read
    // fails; a FIFO or device would block or never end.  Only regular files are tables.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        const bool directory = S_ISDIR(info.st_mode);
        const bool special = info.st_mode != 0;
        ::close(fd);
        if (directory)
            ThrowOpenError(fileName, ErrnoText(EISDIR));
        if (special)
            ThrowOpenError(fileName, "it is not a regular file");
        ThrowOpenError(fileName, ErrnoText(error));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    // Writers hold each other off with an exclusive advisory lock; readers take none,
    // so a table stays readable while one program writes it.  flock locks belong to
    // the open file description, so a second writable open in this process conflicts too.
    if (access != fmOpenRead) {
        int rc = 0;
        do {
            rc = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                ThrowOpenError(fileName, "it is open for writing in another program");
            ThrowOpenError(fileName, ErrnoText(error));
        }
    }
    m_fd = fd;
}

TFileStream::~TFileStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count)
{
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(m_fd, out + done, static_cast<std::size_t>(count - done),
                                  static_cast<off_t>(m_position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    m_position += done;
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count)
{
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(m_fd, in + done, static_cast<std::size_t>(count - done),
                                   static_cast<off_t>(m_position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    m_position += done;
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = m_position;
    else if (origin == TSeekOrigin::soEnd)
        base = Size();
    const std::int64_t target = base + offset;
    if (target < 0)
        throw EStreamError("Invalid stream position " + std::to_string(target) + " in \"" +
                           m_fileName + "\"");
    m_position = target;
    return m_position;
}

std::int64_t TFileStream::Size()
{
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        throw EStreamError("Cannot get the size of \"" + m_fileName + "\": " + ErrnoText(errno));
    return static_cast<std::int64_t>(info.st_size);
}

void TFileStream::SetSize(std::int64_t newSize)
{
    if (newSize < 0 || ::ftruncate(m_fd, static_cast<off_t>(newSize)) != 0)
        throw EStreamError("Cannot set the size of \"" + m_fileName + "\" to " +
                           std::to_string(newSize) + ": " + ErrnoText(newSize < 0 ? EINVAL : errno));
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    const auto size = static_cast<std::int64_t>(m_data.size());
    if (count <= 0 || m_position >= size)
        return 0;
    const std::int64_t n = std::min(count, size - m_position);
    std::memcpy(buffer, m_data.data() + m_position, static_cast<std::size_t>(n));
    m_position += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0)
        return 0;
    const std::int64_t end = m_position + count;
    if (end > static_cast<std::int64_t>(m_data.size()))
        m_data.resize(static_cast<std::size_t>(end));
    std::memcpy(m_data.data() + m_position, buffer, static_cast<std::size_t>(count));
    m_position = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = m_position;
    else if (origin == TSeekOrigin::soEnd)
        base = static_cast<std::int64_t>(m_data.size());
    const std::int64_t target = base + offset;
    if (target < 0)
        throw EStreamError("Invalid stream position " + std::to_string(target));
    m_position = target;
    return m_position;
}

void TMemoryStream::SetSize(std::int64_t newSize)
{
    if (newSize < 0)
        throw EStreamError("Invalid stream size " + std::to_string(newSize));
    m_data.resize(static_cast<std::size_t>(newSize));
    m_position = std::min(m_position, newSize);
}
