// SPDX-License-Identifier: MIT
// Byte offsets and sizes of the dBase table and memo files, and little-endian helpers over them.
//
// All multi-byte integers in both files are little-endian.
//
// Table file, main header (every level):
//   OFFSET SIZE DESCRIPTION
//        0    1 version byte: 3 and 131 are level 0, 5 is level 2, anything else level 1
//        1    1 year of last update minus 1900, modulo 256
//        2    1 month of last update, 1..12
//        3    1 day of last update, 1..31
//        4    4 record count, signed 32-bit
//        8    2 header size = file offset of record 0, unsigned 16-bit
//       10    2 record size, deletion flag included, unsigned 16-bit
//       12   20 not interpreted, written back as read
//       32   36 level 2 only: never read, written as zeros by a header rewrite
//
// Field descriptor, levels 0 and 1 (first one at offset 32, 32 bytes each):
//   OFFSET SIZE DESCRIPTION
//        0   11 field name, NUL-filled after the name
//       11    1 type letter
//       12    4 not interpreted
//       16    1 field length, 0..255
//       17    1 decimal count
//       18   14 not interpreted
//
// Field descriptor, level 2 (first one at offset 68, 48 bytes each):
//   OFFSET SIZE DESCRIPTION
//        0   32 field name, NUL-filled after the name
//       32    1 type letter
//       33    1 field length, 0..255
//       34    1 decimal count
//       35   13 not interpreted
//
// Record n lies at header size + n * record size; byte 0 is the deletion flag
// (32 live, 42 deleted), the fields follow from offset 1 in descriptor order.
// One end-of-file byte (26) follows the last record after a header rewrite.
//
// Memo file, header in block 0:
//   OFFSET SIZE DESCRIPTION
//        0    4 next free block: where the next appended memo starts
//        4   16 not interpreted, written back as read
//       20    2 block size, used when non-zero and a multiple of 128, else 512
//       22    2 not interpreted, written back as read
//
// Memo at level 0 (terminated): the text, then 26 26 (a NUL also ends it on reading).
// Memo at levels 1 and 2 (length-prefixed):
//   OFFSET SIZE DESCRIPTION
//        0    4 marker FF FF 08 00
//        4    4 text length + 8
//        8    L the text
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbf::layout {

// Table file main header.
constexpr std::size_t kMainHeaderSize = 32;
constexpr std::size_t kVersionOffset = 0;
constexpr std::size_t kYearOffset = 1;
constexpr std::size_t kMonthOffset = 2;
constexpr std::size_t kDayOffset = 3;
constexpr std::size_t kRecordCountOffset = 4;
constexpr std::size_t kHeaderSizeOffset = 8;
constexpr std::size_t kRecordSizeOffset = 10;
constexpr int kYearBase = 1900;

// The level-2 extension that follows the main header.
constexpr std::size_t kLevel2ExtensionSize = 36;

// Version bytes that select a level (every other value is level 1).
constexpr std::uint8_t kVersionLevel0 = 3;
constexpr std::uint8_t kVersionLevel0Memo = 131;
constexpr std::uint8_t kVersionLevel2 = 5;

// Field descriptors, levels 0 and 1.
constexpr int kDescriptorStart01 = 32;
constexpr int kDescriptorSize01 = 32;
constexpr std::size_t kNameSize01 = 11;
constexpr std::size_t kTypeOffset01 = 11;
constexpr std::size_t kLengthOffset01 = 16;
constexpr std::size_t kDecimalsOffset01 = 17;

// Field descriptors, level 2.
constexpr int kDescriptorStart2 = 68;
constexpr int kDescriptorSize2 = 48;
constexpr std::size_t kNameSize2 = 32;
constexpr std::size_t kTypeOffset2 = 32;
constexpr std::size_t kLengthOffset2 = 33;
constexpr std::size_t kDecimalsOffset2 = 34;

constexpr int kMinFieldCount = 1;
constexpr int kMaxFieldCount = 255;

// Records.
constexpr std::size_t kDeletionFlagOffset = 0;
constexpr std::uint8_t kLiveFlag = 0x20;
constexpr std::uint8_t kDeletedFlag = 0x2A;
constexpr int kFirstFieldOffset = 1;
constexpr std::uint8_t kEndOfFile = 0x1A;

// Memo file header.
constexpr std::size_t kMemoHeaderSize = 24;
constexpr std::size_t kNextFreeBlockOffset = 0;
constexpr std::size_t kBlockSizeOffset = 20;
constexpr int kDefaultBlockSize = 512;
constexpr int kBlockSizeGranule = 128;

// Memo bodies.
constexpr std::uint8_t kMemoTerminator = 0x1A;
constexpr std::size_t kMemoTerminatorSize = 2;
constexpr std::uint8_t kMemoMarker[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr std::size_t kMemoPrefixSize = 8;
constexpr std::size_t kMemoLengthOffset = 4;
constexpr std::size_t kMemoReadChunk = 4096;
constexpr std::size_t kMemoWritePiece = 512;

inline std::uint16_t GetU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t GetU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t GetI32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(GetU32(p));
}

inline void PutU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutU32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    p[2] = static_cast<std::uint8_t>((v >> 16) & 0xFF);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline void PutI32(std::uint8_t* p, std::int32_t v)
{
    PutU32(p, static_cast<std::uint32_t>(v));
}

}  // namespace dbf::layout
