// SPDX-License-Identifier: MIT
// The memo file: header and block size, reading both layouts, damaged memos, storing and appending.
#include "DbfErrors.h"
#include "TDbtFile.h"
#include "TableImage.h"

#include <gtest/gtest.h>

using namespace testimage;

namespace {

std::string ReadMemoText(TDbtFile& memo, std::int32_t block)
{
    TMemoryStream text;
    memo.ReadMemo(block, text);
    EXPECT_EQ(text.Position(), 0);
    return text.AsString();
}

std::uint32_t U32At(const Bytes& image, std::size_t at)
{
    return image[at] | (image[at + 1] << 8) | (image[at + 2] << 16) | (static_cast<std::uint32_t>(image[at + 3]) << 24);
}

}  // namespace

TEST(MemoFile, ReadsTerminatedMemos)
{
    const std::string big(10000, 'm');
    std::string straddle(4095, 's');  // its 1A 1A pair spans the first two 4096-byte reads
    const struct {
        const char* what;
        std::string stored;
        std::string text;
    } cases[] = {
        {"plain", "ABC\x1A\x1A", "ABC"},
        {"single 1A is text", "A\x1A" "B\x1A\x1A", "A\x1A" "B"},
        {"NUL ends it", std::string("AB\0CD\x1A\x1A", 7), "AB"},
        {"1A then NUL", std::string("A\x1A\0", 3), "A\x1A"},
        {"high bytes unchanged", "\x81\xE9\xFF\x1A\x1A", "\x81\xE9\xFF"},
        {"10000 bytes", big + "\x1A\x1A", big},
        {"pair across reads", straddle + "\x1A\x1A", straddle},
        {"1A ending a read", straddle + "\x1A" "Z\x1A\x1A", straddle + "\x1A" "Z"},
        {"no terminator", "runs to the end", "runs to the end"},
        {"1A at the end", "to the end\x1A", "to the end\x1A"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Memo m;
        m.blocks = {{1, ToBytes(c.stored)}};
        TDbtFile memo(nullptr, dir.Write("m.dbt", m.Build()), fmReadOnlyShared, 0);
        EXPECT_EQ(ReadMemoText(memo, 1), c.text);
    }
}

TEST(MemoFile, ReadsLengthPrefixedMemos)
{
    Bytes wrongMarker = PrefixedMemo("HELLO", 13);
    wrongMarker[3] = 0x01;
    const struct {
        const char* what;
        Bytes stored;
        std::string text;
    } cases[] = {
        {"length 13 is 5 bytes", PrefixedMemo("HELLO and more", 13), "HELLO"},
        {"FF FF 08 01 is no memo", wrongMarker, ""},
        {"length below 8", PrefixedMemo("HELLO", 5), ""},
        {"length past the end", PrefixedMemo("SHORT", 1000000), "SHORT"},
        {"huge length", PrefixedMemo("SHORT", 0xFFFFFFFF), "SHORT"},
        {"cut inside the prefix", Bytes{0xFF, 0xFF, 0x08}, ""},
        {"high bytes unchanged", PrefixedMemo("\x81\xE9\xFF", 11), "\x81\xE9\xFF"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Memo m;
        m.blocks = {{2, c.stored}};
        TDbtFile memo(nullptr, dir.Write("m.dbt", m.Build()), fmReadOnlyShared, 1);
        EXPECT_EQ(ReadMemoText(memo, 2), c.text);
    }
}

TEST(MemoFile, BlockNumbersOutsideTheFileReadNothing)
{
    TempDir dir;
    Memo m;
    m.blocks = {{1, ToBytes("ABC\x1A\x1A")}};
    const std::string path = dir.Write("m.dbt", m.Build());
    for (const std::uint8_t level : {std::uint8_t{0}, std::uint8_t{2}}) {
        TDbtFile memo(nullptr, path, fmReadOnlyShared, level);
        TMemoryStream untouched;
        untouched.WriteBuffer("keep", 4);
        memo.ReadMemo(0, untouched);  // block 0 does nothing at all, not even the position
        EXPECT_EQ(untouched.AsString(), "keep");
        EXPECT_EQ(untouched.Position(), 4);
        EXPECT_EQ(ReadMemoText(memo, -1), "");
        EXPECT_EQ(ReadMemoText(memo, 2), "");
        EXPECT_EQ(ReadMemoText(memo, 0x7FFFFFFF), "");
    }
}

TEST(MemoFile, BlockSizeFromTheHeader)
{
    const struct {
        std::uint16_t stored;
        std::size_t headerBytes;
        int used;
    } cases[] = {{1024, 1024, 1024}, {128, 128, 128}, {0, 512, 512}, {64, 512, 512},
                 {100, 512, 512},   {520, 512, 512}, {1024, 10, 512}, {1024, 0, 512}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored) + "/" + std::to_string(c.headerBytes));
        Memo m;
        m.blockSize = c.stored;
        m.headerBytes = c.headerBytes;
        const Bytes image = m.Build();
        const std::string path = dir.Write("m.dbt", image);
        {
            TDbtFile memo(nullptr, path, fmReadWriteDenyWrite, 0);
            EXPECT_EQ(memo.RecordSize, c.used);
            EXPECT_EQ(memo.HeaderSize, 0);
            EXPECT_EQ(memo.MemoHeader[20] | (memo.MemoHeader[21] << 8), c.used);
        }
        EXPECT_EQ(ReadFile(path), image);  // opening and closing write nothing

        // The next append writes the block size in use back to the header.
        {
            TDbtFile memo(nullptr, path, fmReadWriteDenyWrite, 0);
            TMemoryStream text;
            text.WriteBuffer("x", 1);
            std::int32_t block = 0;
            memo.WriteMemo(block, 0, text);
            EXPECT_EQ(block, 1);
        }
        const Bytes after = ReadFile(path);
        EXPECT_EQ(after[20] | (after[21] << 8), c.used);
        EXPECT_EQ(U32At(after, 0), 2u);
        EXPECT_EQ(after.size(), static_cast<std::size_t>(c.used) + 3);  // not padded to whole blocks
    }
}

TEST(MemoFile, StoresInPlaceOrAppends)
{
    const struct {
        const char* what;
        std::uint8_t level;
        std::size_t oldLength;
        std::size_t newLength;
        bool inPlace;
    } cases[] = {
        {"terminated 510 over 1", 0, 1, 510, true},        // N = 1, O = 1
        {"terminated 511 over 1", 0, 1, 511, false},       // N = 2 > O = 1
        {"prefixed 1016 over 600", 1, 600, 1016, true},    // N = 2, O = 2
        {"prefixed 1017 over 600", 2, 600, 1017, false},   // N = 3 > O = 2
        {"shorter text", 1, 2000, 3, true},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Memo m;
        m.nextFree = 10;
        m.blocks = {{9, Bytes(511, 'z')}};  // the file ends inside block 9
        const std::string path = dir.Write("m.dbt", m.Build());
        const std::string text(c.newLength, 'n');
        std::int32_t block = 3;
        {
            TDbtFile memo(nullptr, path, fmReadWriteDenyWrite, c.level);
            TMemoryStream source;
            source.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
            memo.WriteMemo(block, static_cast<std::int32_t>(c.oldLength), source);
            EXPECT_EQ(block, c.inPlace ? 3 : 10);
            EXPECT_EQ(ReadMemoText(memo, block), text);
        }
        const Bytes after = ReadFile(path);
        const std::size_t start = static_cast<std::size_t>(block) * 512;
        const std::size_t body = c.level == 0 ? text.size() + 2 : text.size() + 8;
        if (c.level != 0) {
            EXPECT_EQ(U32At(after, start), 0x0008FFFFu);
            EXPECT_EQ(U32At(after, start + 4), text.size() + 8);
        } else {
            EXPECT_EQ(after[start + text.size()], 0x1A);
            EXPECT_EQ(after[start + text.size() + 1], 0x1A);
        }
        const std::size_t blocks = (body + 511) / 512;
        EXPECT_EQ(U32At(after, 0), c.inPlace ? 10u : 10u + blocks);
        if (!c.inPlace) {
            EXPECT_EQ(after.size(), start + body);
        }
    }
}

TEST(MemoFile, AppendsNeverLandOnTheHeaderOrAnExistingMemo)
{
    const struct {
        const char* what;
        std::int32_t nextFree;
        std::int32_t lastUsedBlock;  // a memo already there, 0 for none
        std::int32_t expected;
    } cases[] = {
        {"header of zeros", 0, 0, 1},
        {"negative next free block", -7, 0, 1},
        {"stale next free block", 2, 5, 6},  // block 5 holds a memo the header forgot
        {"next free block past the end", 20, 5, 20},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Memo m;
        m.nextFree = c.nextFree;
        if (c.lastUsedBlock > 0)
            m.blocks = {{c.lastUsedBlock, ToBytes("OLD\x1A\x1A")}};
        TDbtFile memo(nullptr, dir.Write("m.dbt", m.Build()), fmReadWriteDenyWrite, 0);
        TMemoryStream first;
        first.WriteBuffer(std::string(700, 'a').data(), 700);
        TMemoryStream second;
        second.WriteBuffer("b", 1);
        std::int32_t a = 0;
        std::int32_t b = 0;
        memo.WriteMemo(a, 0, first);
        memo.WriteMemo(b, 0, second);
        EXPECT_EQ(a, c.expected);
        EXPECT_EQ(b, a + 2);  // 702 bytes take two blocks
        EXPECT_EQ(ReadMemoText(memo, a), std::string(700, 'a'));
        EXPECT_EQ(ReadMemoText(memo, b), "b");
        if (c.lastUsedBlock > 0) {
            EXPECT_EQ(ReadMemoText(memo, c.lastUsedBlock), "OLD");
        }
    }
}

TEST(MemoFile, EmptyTextClearsTheFieldAndLeavesTheFile)
{
    TempDir dir;
    Memo m;
    m.blocks = {{1, ToBytes("OLD\x1A\x1A")}};
    const Bytes image = m.Build();
    const std::string path = dir.Write("m.dbt", image);
    {
        TDbtFile memo(nullptr, path, fmReadWriteDenyWrite, 0);
        TMemoryStream empty;
        std::int32_t block = 1;
        memo.WriteMemo(block, 3, empty);
        EXPECT_EQ(block, 0);
    }
    EXPECT_EQ(ReadFile(path), image);
}

TEST(MemoFile, ReadOnlyOrLockedFilesAreNotWritten)
{
    TempDir dir;
    Memo m;
    m.blocks = {{1, ToBytes("OLD\x1A\x1A")}};
    const Bytes image = m.Build();
    const std::string path = dir.Write("LOG.DBT", image);
    {
        TDbtFile reader(nullptr, path, fmReadOnlyShared, 0);
        TMemoryStream text;
        text.WriteBuffer("new text", 8);
        std::int32_t block = 1;
        EXPECT_THROW(reader.WriteMemo(block, 3, text), EStreamError);
    }
    EXPECT_EQ(ReadFile(path), image);

    TDbtFile writer(nullptr, path, fmReadWriteDenyWrite, 0);
    try {
        TDbtFile second(nullptr, path, fmReadWriteDenyWrite, 0);
        FAIL() << "two writable opens of one memo file";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + path + "\": it is open for writing in another program");
    }
    EXPECT_THROW(TDbtFile(nullptr, dir.Path("NONE.DBT"), fmReadOnlyShared, 0), EFOpenError);
}
