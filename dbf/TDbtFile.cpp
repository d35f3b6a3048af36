// SPDX-License-Identifier: MIT
// The dBase memo file: its header, reading memos in both layouts, storing and appending memos.
//
// Memo file layout (little-endian; block n starts at n * block size; block 0 is the header):
//   OFFSET SIZE DESCRIPTION
//        0    4 next free block: where the next appended memo starts
//        4   16 not interpreted, written back as read
//       20    2 block size, used when non-zero and a multiple of 128, else 512
//       22    2 not interpreted, written back as read
// Level 0 memo:     the text, then 1A 1A (a NUL also ends it on reading).
// Level 1, 2 memo:  FF FF 08 00, the 32-bit text length + 8, the text.
#include "TDbtFile.h"

#include "DbfErrors.h"
#include "DbfLayout.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace dbf::layout;

TDbtFile::TDbtFile(TDbf* owner, const std::string& fileName, std::uint16_t mode, std::uint8_t dbfLevel)
    : TPagedFile(owner, fileName, mode)
{
    if (!Stream)
        throw EFOpenError(m_openError);
    MemoLevel = dbfLevel;
    // A memo file shorter than its header keeps zeros for the bytes it lacks.
    Stream->SetPosition(0);
    Stream->Read(MemoHeader.data(), kMemoHeaderSize);
    HeaderSize = 0;
    RecordSize = GetU16(&MemoHeader[kBlockSizeOffset]);
    if (RecordSize == 0 || RecordSize % kBlockSizeGranule != 0) {
        RecordSize = kDefaultBlockSize;
        PutU16(&MemoHeader[kBlockSizeOffset], static_cast<std::uint16_t>(kDefaultBlockSize));
    }
}

void TDbtFile::ReadMemo(std::int32_t blockNumber, TStream& target)
{
    if (blockNumber == 0)
        return;
    // A negative block number or one at or past the end of the file holds no memo:
    // it reads as empty text.
    const std::int64_t fileSize = Stream->Size();
    const std::int64_t start = static_cast<std::int64_t>(blockNumber) * RecordSize;
    if (blockNumber > 0 && start < fileSize) {
        if (MemoLevel == 0)
            ReadTerminated(start, target);
        else
            ReadPrefixed(start, fileSize, target);
    }
    target.SetPosition(0);
}

void TDbtFile::ReadPrefixed(std::int64_t start, std::int64_t fileSize, TStream& target)
{
    std::uint8_t prefix[kMemoPrefixSize];
    Stream->SetPosition(start);
    if (Stream->Read(prefix, kMemoPrefixSize) != static_cast<std::int64_t>(kMemoPrefixSize))
        return;  // the block is cut off by the end of the file
    if (std::memcmp(prefix, kMemoMarker, sizeof kMemoMarker) != 0)
        return;
    const std::uint32_t stored = GetU32(&prefix[kMemoLengthOffset]);
    if (stored < kMemoPrefixSize)
        return;  // a length word below 8 leaves no text
    // The length word is untrusted: never copy more than the file holds after it.
    std::int64_t left = std::min<std::int64_t>(stored - kMemoPrefixSize,
                                               fileSize - start - static_cast<std::int64_t>(kMemoPrefixSize));
    std::uint8_t chunk[kMemoReadChunk];
    while (left > 0) {
        const std::int64_t want = std::min<std::int64_t>(left, kMemoReadChunk);
        const std::int64_t got = Stream->Read(chunk, want);
        if (got > 0)
            target.WriteBuffer(chunk, got);
        if (got < want)
            break;  // the file shrank under us; deliver only what it held
        left -= got;
    }
}

void TDbtFile::ReadTerminated(std::int64_t start, TStream& target)
{
    Stream->SetPosition(start);
    std::uint8_t chunk[kMemoReadChunk];
    // A 1A at the end of one chunk may be the first half of a terminator that ends in
    // the next; it is held back until the next byte is known.
    bool heldBack = false;
    for (;;) {
        const std::int64_t got = Stream->Read(chunk, kMemoReadChunk);
        if (got <= 0)
            break;
        if (heldBack) {
            heldBack = false;
            if (chunk[0] == kMemoTerminator)
                return;
            target.WriteBuffer(&kMemoTerminator, 1);
        }
        std::int64_t i = 0;
        for (; i < got; ++i) {
            if (chunk[i] == 0)
                break;
            if (chunk[i] == kMemoTerminator) {
                if (i + 1 == got) {
                    heldBack = true;
                    break;
                }
                if (chunk[i + 1] == kMemoTerminator)
                    break;
            }
        }
        target.WriteBuffer(chunk, i);
        if (i < got && !heldBack)
            return;  // found a NUL or the 1A 1A pair
    }
    // The file ended without a terminator: the text is what the file held, a trailing
    // single 1A included.
    if (heldBack)
        target.WriteBuffer(&kMemoTerminator, 1);
}

void TDbtFile::WriteMemo(std::int32_t& blockNumber, std::int32_t oldLength, TStream& source)
{
    const bool prefixed = MemoLevel != 0;
    const std::int64_t head = prefixed ? static_cast<std::int64_t>(kMemoPrefixSize) : 0;
    const std::int64_t tail = prefixed ? 0 : static_cast<std::int64_t>(kMemoTerminatorSize);
    const std::int64_t size = source.Size();
    if (size == 0) {
        blockNumber = 0;
        return;
    }
    if (prefixed && size > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()) - head)
        throw EBinaryDataSetError("Memo of " + std::to_string(size) + " bytes is too long for \"" + m_fileName +
                                  "\"");
    const std::int64_t blockSize = RecordSize;
    const std::int64_t needed = (size + head + tail + blockSize - 1) / blockSize;
    const std::int64_t credited = oldLength > 0 ? (oldLength + blockSize - 1) / blockSize : 0;

    // Rewriting in place needs a real memo block; block 0 is the header.
    const bool append = needed > credited || blockNumber <= 0;
    std::int64_t block = blockNumber;
    if (append) {
        // Start past the header, past every block the file already has and at the
        // header's next free block, whichever is furthest: a header of zeros or a stale
        // next-free-block must not put the memo over the header or an existing memo.
        const std::int64_t nextFree = GetI32(&MemoHeader[kNextFreeBlockOffset]);
        const std::int64_t pastEnd = (Stream->Size() + blockSize - 1) / blockSize;
        block = std::max({nextFree, std::int64_t{1}, pastEnd});
        if (block + needed > std::numeric_limits<std::int32_t>::max())
            throw EBinaryDataSetError("Memo file \"" + m_fileName + "\" is full: a memo of " +
                                      std::to_string(needed) + " blocks cannot start at block " +
                                      std::to_string(block));
    }

    InvalidateWindow();
    Stream->SetPosition(block * blockSize);
    source.SetPosition(0);
    if (prefixed) {
        std::uint8_t prefix[kMemoPrefixSize];
        std::memcpy(prefix, kMemoMarker, sizeof kMemoMarker);
        PutU32(&prefix[kMemoLengthOffset], static_cast<std::uint32_t>(size + head));
        Stream->WriteBuffer(prefix, kMemoPrefixSize);
    }
    std::uint8_t piece[kMemoWritePiece];
    for (std::int64_t left = size; left > 0;) {
        const std::int64_t n = std::min<std::int64_t>(left, kMemoWritePiece);
        source.ReadBuffer(piece, n);
        Stream->WriteBuffer(piece, n);
        left -= n;
    }
    if (!prefixed) {
        const std::uint8_t terminator[kMemoTerminatorSize] = {kMemoTerminator, kMemoTerminator};
        Stream->WriteBuffer(terminator, kMemoTerminatorSize);
    }
    if (append) {
        PutI32(&MemoHeader[kNextFreeBlockOffset], static_cast<std::int32_t>(block + needed));
        Stream->SetPosition(0);
        Stream->WriteBuffer(MemoHeader.data(), kMemoHeaderSize);
    }
    blockNumber = static_cast<std::int32_t>(block);
}
