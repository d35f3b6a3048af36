// SPDX-License-Identifier: MIT
// Buffered ADIF output that replaces its target atomically, with the text-file I/O error texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace adif {

/// The text of an I/O error code: 2 "File not found", 3 "Invalid filename", 4 "Too many
/// open files", 5 "File access denied", 100 "Read beyond end of file", 101 "Disk full",
/// 106 "Invalid numeric input", any other "I/O error <code>".
std::string inOutErrorText(int code);

/// The I/O error code for a POSIX errno.  creating: the error came from creating the file
/// (a missing folder is then a bad file name rather than a missing file).
int inOutCodeFromErrno(int error, bool creating);

/// Throws EInOutError with the code and its text.
[[noreturn]] void raiseInOutError(int code);

/// Removes the temporary file of the export being written, if there is one.  Safe to call
/// from a signal handler: a program ended by SIGINT, SIGTERM or SIGHUP calls it before it
/// dies, since no destructor runs then.
void removePendingTemporaryFile() noexcept;

/// The ADIF file being written.  Output goes to a temporary file in the target's folder
/// through a 1 MiB buffer; commit() flushes, syncs, closes and renames it over the target.
/// Destroyed without a successful commit, it removes the temporary file, so an earlier
/// file of the target's name stays exactly as it was.  The path "-" writes straight to
/// standard output, and a target that is a device or a pipe is written in place.
class AdifOutputFile {
public:
    /// Creates the temporary file; throws EInOutError when it cannot be created.
    explicit AdifOutputFile(std::string targetPath);
    ~AdifOutputFile();
    AdifOutputFile(const AdifOutputFile&) = delete;
    AdifOutputFile& operator=(const AdifOutputFile&) = delete;

    /// Writes text and CR LF.  Throws EInOutError when passing the buffer to the file fails.
    void writeLine(std::string_view text);
    /// Room for a line of at most bound bytes, straight in the output buffer; finish it
    /// with endLine.  Throws EInOutError when passing the buffer to the file fails.
    char* lineSpace(std::size_t bound);
    /// Ends the line written into lineSpace at end with CR LF.
    void endLine(char* end);
    /// Flushes, syncs and closes the file and moves it onto the target; throws EInOutError.
    void commit();

    const std::string& targetPath() const { return m_targetPath; }
    /// The temporary file's path while one exists (empty for standard output).
    const std::string& temporaryPath() const { return m_temporaryPath; }

private:
    void append(std::string_view bytes);
    void flush();
    void discard() noexcept;
    void registerPending() noexcept;
    void unregisterPending() noexcept;

    std::string m_targetPath;
    std::string m_renameTarget;   ///< the target, or the file a symbolic link target points to
    std::string m_temporaryPath;
    int m_fd = -1;
    bool m_streaming = false;     ///< standard output, a device or a pipe: written in place
    bool m_committed = false;
    bool m_pending = false;       ///< the temporary file is the one removePendingTemporaryFile removes
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    std::uint64_t m_flushed = 0;   ///< bytes passed to the file so far
    std::uint64_t m_released = 0;  ///< bytes known to be on the disk and dropped from the cache
};

}  // namespace adif
