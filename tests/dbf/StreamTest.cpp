// SPDX-License-Identifier: MIT
// The file stream's open modes, exact transfers and locking, and the memory stream.
#include "Classes.h"
#include "SysUtils.h"
#include "TableImage.h"

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

using namespace testimage;

namespace {

std::string OpenErrorText(const std::string& path, std::uint16_t mode)
{
    try {
        TFileStream stream(path, mode);
    } catch (const EFOpenError& error) {
        return error.what();
    }
    return "opened";
}

}  // namespace

TEST(FileStream, OpenFailureNamesFileAndReason)
{
    TempDir dir;
    const std::string missing = dir.Path("MISSING.DBF");
    EXPECT_EQ(OpenErrorText(missing, fmReadOnlyShared),
              "Cannot open file \"" + missing + "\": No such file or directory");
    EXPECT_EQ(OpenErrorText(dir.Path(""), fmReadOnlyShared),
              "Cannot open file \"" + dir.Path("") + "\": Is a directory");
    // A FIFO would block the open and every read; it is refused at once.
    const std::string fifo = dir.Path("LOG.DBF");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(OpenErrorText(fifo, fmReadOnlyShared), "Cannot open file \"" + fifo + "\": it is not a regular file");
}

TEST(FileStream, ReadsWritesAndSeeksAtExplicitPositions)
{
    TempDir dir;
    const std::string path = dir.Write("data.bin", ToBytes("0123456789"));
    TFileStream stream(path, fmReadWriteDenyWrite);
    EXPECT_EQ(stream.Size(), 10);
    char buffer[4] = {};
    stream.SetPosition(6);
    EXPECT_EQ(stream.Read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(stream.Position(), 10);
    EXPECT_EQ(stream.Read(buffer, 4), 0);  // at the end

    stream.SetPosition(8);
    stream.WriteBuffer("ABCD", 4);  // grows the file
    EXPECT_EQ(stream.Size(), 12);
    EXPECT_EQ(stream.Seek(-2, TSeekOrigin::soEnd), 10);
    EXPECT_THROW(stream.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
    EXPECT_EQ(ReadFile(path), ToBytes("01234567ABCD"));
}

TEST(FileStream, ExactTransfersRaiseTheStreamErrors)
{
    TempDir dir;
    const std::string path = dir.Write("short.bin", ToBytes("abc"));
    TFileStream reader(path, fmReadOnlyShared);
    char buffer[8];
    try {
        reader.ReadBuffer(buffer, 8);
        FAIL() << "read past the end";
    } catch (const EStreamError& error) {
        EXPECT_STREQ(error.what(), "Stream read error");
    }
    try {
        reader.WriteBuffer("x", 1);  // read-only handle
        FAIL() << "wrote through a read-only stream";
    } catch (const EStreamError& error) {
        EXPECT_STREQ(error.what(), "Stream write error");
    }
    EXPECT_EQ(ReadFile(path), ToBytes("abc"));
}

TEST(FileStream, WritersExcludeEachOtherButNotReaders)
{
    TempDir dir;
    const std::string path = dir.Write("LOG.DBF", ToBytes("table"));
    {
        TFileStream writer(path, fmReadWriteDenyWrite);
        // A second writable open, in this very process, is refused with the file's name.
        EXPECT_EQ(OpenErrorText(path, fmReadWriteDenyWrite),
                  "Cannot open file \"" + path + "\": it is open for writing in another program");
        // Readers take no lock and are not held off.
        EXPECT_EQ(OpenErrorText(path, fmReadOnlyShared), "opened");
        TFileStream reader(path, fmReadOnlyShared);
        EXPECT_EQ(reader.Size(), 5);
    }
    // Closing the writer releases the lock.
    EXPECT_EQ(OpenErrorText(path, fmReadWriteDenyWrite), "opened");
}

TEST(MemoryStream, GrowsReadsAndCopies)
{
    TMemoryStream memory;
    memory.WriteBuffer("hello", 5);
    memory.SetPosition(7);
    memory.WriteBuffer("!", 1);  // a gap fills with zeros
    EXPECT_EQ(memory.Size(), 8);
    EXPECT_EQ(memory.AsString(), std::string("hello\0\0!", 8));

    memory.SetSize(3);
    EXPECT_EQ(memory.Position(), 3);
    EXPECT_EQ(memory.AsString(), "hel");

    TMemoryStream copy;
    memory.SetPosition(2);
    EXPECT_EQ(copy.CopyFrom(memory, 0), 3);  // count 0 copies everything from position 0
    EXPECT_EQ(copy.AsString(), "hel");
    char buffer[4];
    EXPECT_THROW(memory.ReadBuffer(buffer, 1), EStreamError);  // CopyFrom left it at the end
}
