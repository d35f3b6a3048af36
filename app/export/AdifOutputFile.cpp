// SPDX-License-Identifier: MIT
// Buffered ADIF output that replaces its target atomically, with the text-file I/O error texts.
#include "AdifOutputFile.h"

#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace adif {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr int kCreateAttempts = 100;
/// Output that may still be on its way to the disk while more is written: enough for the
/// disk to keep pace without stalling the export (measured: 1 MiB stalls, 16 MiB does not).
constexpr std::uint64_t kWritebackLag = std::uint64_t{16} << 20;

// The codes of the text-file layer whose texts users know.
constexpr int kFileNotFound = 2;
constexpr int kInvalidFilename = 3;
constexpr int kTooManyOpenFiles = 4;
constexpr int kFileAccessDenied = 5;
constexpr int kDiskFull = 101;
constexpr int kWriteFault = 29;

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The temporary file a signal handler removes: one at a time (the CLI and the window export
// one file after another).  A fixed buffer and a lock-free state, since a handler may
// neither allocate nor lock.
enum PendingState : int { kPendingFree, kPendingFilling, kPendingSet };
std::atomic<int> g_pendingState{kPendingFree};
static_assert(std::atomic<int>::is_always_lock_free);
char g_pendingPath[PATH_MAX];

/// Holds back the signals that end the program from creating the temporary file until the
/// handler can find it, so that no signal falls between the two.
class TerminationSignalsHeld {
public:
    TerminationSignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        sigaddset(&held, SIGHUP);
        ::pthread_sigmask(SIG_BLOCK, &held, &m_before);
    }
    ~TerminationSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
    TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

private:
    sigset_t m_before{};
};

/// Writes all of bytes to fd, retrying short writes and interruptions; errno on failure.
bool writeAll(int fd, const char* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::string inOutErrorText(int code)
{
    switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
    }
}

int inOutCodeFromErrno(int error, bool creating)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return creating ? kInvalidFilename : kFileNotFound;
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return kInvalidFilename;
    case EMFILE:
    case ENFILE:
        return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
        return kFileAccessDenied;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return kDiskFull;
    case EIO:
        return kWriteFault;
    default:
        // Keep the named codes for the errors they name: an errno that happens to share
        // one of their numbers must not read as, say, "File access denied".
        if (error == 2 || error == 3 || error == 4 || error == 5 || error == 100 || error == 101 || error == 106)
            return kWriteFault;
        return error;
    }
}

void raiseInOutError(int code)
{
    throw EInOutError(inOutErrorText(code), code);
}

void removePendingTemporaryFile() noexcept
{
    if (g_pendingState.load(std::memory_order_acquire) == kPendingSet)
        ::unlink(g_pendingPath);
}

void AdifOutputFile::registerPending() noexcept
{
    if (m_temporaryPath.size() >= sizeof g_pendingPath)
        return;  // longer than a path open accepts: cannot happen for a file just created
    int expected = kPendingFree;
    if (!g_pendingState.compare_exchange_strong(expected, kPendingFilling, std::memory_order_acquire))
        return;  // another export's file holds the place
    std::memcpy(g_pendingPath, m_temporaryPath.c_str(), m_temporaryPath.size() + 1);
    g_pendingState.store(kPendingSet, std::memory_order_release);
    m_pending = true;
}

void AdifOutputFile::unregisterPending() noexcept
{
    if (m_pending)
        g_pendingState.store(kPendingFree, std::memory_order_release);
    m_pending = false;
}

AdifOutputFile::AdifOutputFile(std::string targetPath) : m_targetPath(std::move(targetPath))
{
    m_buffer.resize(kBufferSize);
    if (m_targetPath == "-") {
        m_streaming = true;
        m_fd = STDOUT_FILENO;
        return;
    }
    m_renameTarget = m_targetPath;
    struct stat existing {};
    if (::lstat(m_targetPath.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
        // Replace the file a link points to, not the link.
        if (char* resolved = ::realpath(m_targetPath.c_str(), nullptr)) {
            m_renameTarget = resolved;
            std::free(resolved);
        }
    }
    const bool exists = ::stat(m_renameTarget.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        raiseInOutError(kFileAccessDenied);
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or a pipe (/dev/null, a named pipe) is written in place: renaming a
        // file over it would replace the device node.
        m_fd = ::open(m_renameTarget.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (m_fd < 0)
            raiseInOutError(inOutCodeFromErrno(errno, true));
        m_streaming = true;
        return;
    }
    // The temporary file lies beside the target so that the rename stays inside one
    // file system; a dot name keeps it out of ordinary listings.
    const std::string stem =
        folderOf(m_renameTarget) + "/." + nameOf(m_renameTarget) + "." + std::to_string(::getpid()) + ".";
    for (int attempt = 0; attempt < kCreateAttempts && m_fd < 0; ++attempt) {
        std::string candidate = stem + std::to_string(attempt) + ".tmp";
        const TerminationSignalsHeld held;
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_temporaryPath = std::move(candidate);
            registerPending();
        } else if (errno != EEXIST)
            raiseInOutError(inOutCodeFromErrno(errno, true));
    }
    if (m_fd < 0)
        raiseInOutError(inOutCodeFromErrno(EEXIST, true));
    // A replaced file keeps its permission bits.
    if (exists)
        ::fchmod(m_fd, existing.st_mode & 07777);
}

AdifOutputFile::~AdifOutputFile()
{
    if (!m_committed)
        discard();
}

void AdifOutputFile::discard() noexcept
{
    if (m_fd >= 0 && m_targetPath != "-") {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporaryPath.empty()) {
        ::unlink(m_temporaryPath.c_str());
        // Given up only once the file is gone: a signal in between removes it once more.
        unregisterPending();
        m_temporaryPath.clear();
    }
}

void AdifOutputFile::append(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (m_used == m_buffer.size())
            flush();
        const std::size_t part = std::min(bytes.size(), m_buffer.size() - m_used);
        std::memcpy(m_buffer.data() + m_used, bytes.data(), part);
        m_used += part;
        bytes.remove_prefix(part);
    }
}

void AdifOutputFile::flush()
{
    if (m_used == 0)
        return;
    if (!writeAll(m_fd, m_buffer.data(), m_used))
        raiseInOutError(inOutCodeFromErrno(errno, false));
    if (!m_streaming) {
        // Start writing this part to the disk now, and let the parts written out well
        // before it leave the page cache: the fsync before the rename then waits for the
        // last few parts only, and a large export does not hold its whole output in
        // memory.  Where the file system does not support this, fsync does the whole work;
        // a write error it reports is an error of the export like any other.
        ::sync_file_range(m_fd, static_cast<off_t>(m_flushed), static_cast<off_t>(m_used), SYNC_FILE_RANGE_WRITE);
        const std::uint64_t written = m_flushed + m_used;
        if (written - m_released > kWritebackLag) {
            const std::uint64_t upTo = written - kWritebackLag;
            const auto from = static_cast<off_t>(m_released);
            const auto length = static_cast<off_t>(upTo - m_released);
            if (::sync_file_range(m_fd, from, length,
                                  SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) != 0 &&
                errno != EINVAL && errno != ENOSYS && errno != ESPIPE)
                raiseInOutError(inOutCodeFromErrno(errno, false));  // a write that failed on its way to the disk
            ::posix_fadvise(m_fd, from, length, POSIX_FADV_DONTNEED);
            m_released = upTo;
        }
    }
    m_flushed += m_used;
    m_used = 0;
}

void AdifOutputFile::writeLine(std::string_view text)
{
    append(text);
    append("\r\n");
}

char* AdifOutputFile::lineSpace(std::size_t bound)
{
    const std::size_t needed = bound + 2;  // and the line end
    if (m_buffer.size() - m_used < needed)
        flush();
    if (m_buffer.size() < needed)
        m_buffer.resize(needed);  // a record with a memo longer than the buffer
    return m_buffer.data() + m_used;
}

void AdifOutputFile::endLine(char* end)
{
    *end++ = '\r';
    *end++ = '\n';
    m_used = static_cast<std::size_t>(end - m_buffer.data());
}

void AdifOutputFile::commit()
{
    flush();
    if (m_streaming) {
        m_committed = true;
        if (m_targetPath != "-") {
            const int fd = m_fd;
            m_fd = -1;
            if (::close(fd) != 0)
                raiseInOutError(inOutCodeFromErrno(errno, false));
        }
        return;
    }
    if (::fsync(m_fd) != 0)
        raiseInOutError(inOutCodeFromErrno(errno, false));
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        raiseInOutError(inOutCodeFromErrno(errno, false));
    if (::rename(m_temporaryPath.c_str(), m_renameTarget.c_str()) != 0)
        raiseInOutError(inOutCodeFromErrno(errno, true));
    unregisterPending();
    m_temporaryPath.clear();
    m_committed = true;
    // Make the rename itself durable; a folder that cannot be synced loses nothing written.
    const int folder = ::open(folderOf(m_renameTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

}  // namespace adif
