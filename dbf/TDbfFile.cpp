// SPDX-License-Identifier: MIT
// The dBase table file: opening and checking the header, field descriptors, appends, the header rewrite.
// The byte layout (main header, both descriptor forms, records) is tabled in DbfLayout.h.
#include "TDbfFile.h"

#include "DbfErrors.h"
#include "DbfLayout.h"
#include "DbfPlatform.h"

#include <cstring>
#include <limits>

using namespace dbf::layout;

namespace {

std::uint8_t LevelFromVersion(std::uint8_t version)
{
    if (version == kVersionLevel0 || version == kVersionLevel0Memo)
        return 0;
    if (version == kVersionLevel2)
        return 2;
    return 1;
}

/// A header whose record count disagrees with the file size is repaired in memory
/// (the file changes only if the header is rewritten later) after a plain message.
void RepairRecordCount(std::array<std::uint8_t, 32>& header, std::int32_t counted)
{
    const std::int32_t stated = GetI32(&header[kRecordCountOffset]);
    if (counted == stated)
        return;
    ShowPlainMessage("Invalid Record Count,\rRecordCount in Hdr : " + std::to_string(stated) +
                     "\rexpected : " + std::to_string(counted));
    PutI32(&header[kRecordCountOffset], counted);
}

}  // namespace

TFieldType FieldTypeFromLetter(char letter, int length, int decimals)
{
    switch (letter) {
    case 'C': return TFieldType::ftString;
    case 'D': return TFieldType::ftDate;
    case 'F': return TFieldType::ftFloat;
    case 'L': return TFieldType::ftBoolean;
    case 'M': return TFieldType::ftMemo;
    case 'N':
        if (decimals != 0)
            return TFieldType::ftFloat;
        if (length <= 4)
            return TFieldType::ftSmallint;
        if (length <= 9)
            return TFieldType::ftInteger;
        return TFieldType::ftLargeint;
    default: return TFieldType::ftString;
    }
}

TDbfFile::TDbfFile(TDbf* owner, const std::string& fileName, std::uint16_t mode)
    : TPagedFile(owner, fileName, mode)
{
    if (!Stream)
        throw EFOpenError(m_openError);

    Stream->SetPosition(0);
    Stream->ReadBuffer(Header.data(), kMainHeaderSize);
    DbfLevel = LevelFromVersion(Header[kVersionOffset]);
    HeaderSize = GetU16(&Header[kHeaderSizeOffset]);
    RecordSize = GetU16(&Header[kRecordSizeOffset]);
    m_recordSizeAtOpen = GetU16(&Header[kRecordSizeOffset]);

    RepairRecordCount(Header, RecordCountFromSize());
}

TDbfFile::~TDbfFile()
{
    ClearFieldInfos();
}

void TDbfFile::ClearFieldInfos()
{
    m_fieldInfos.clear();
}

void TDbfFile::ReadFieldDefs(TFieldDefs& defs)
{
    ClearFieldInfos();
    const bool level2 = DbfLevel == 2;
    const int first = level2 ? kDescriptorStart2 : kDescriptorStart01;
    const int width = level2 ? kDescriptorSize2 : kDescriptorSize01;
    const std::size_t nameSize = level2 ? kNameSize2 : kNameSize01;
    const std::size_t typeOffset = level2 ? kTypeOffset2 : kTypeOffset01;
    const std::size_t lengthOffset = level2 ? kLengthOffset2 : kLengthOffset01;
    const std::size_t decimalsOffset = level2 ? kDecimalsOffset2 : kDecimalsOffset01;

    // Signed division truncating toward zero: header size 0 gives -1, as the message shows.
    const int count = (HeaderSize - first) / width;
    if (count < kMinFieldCount || count > kMaxFieldCount)
        throw EBinaryDataSetError("Invalid Field count : " + std::to_string(count) +
                                  " (must be between 1 and 255)");

    Stream->SetPosition(first);
    std::uint8_t descriptor[kDescriptorSize2];
    std::int32_t offset = kFirstFieldOffset;
    m_fieldInfos.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Stream->ReadBuffer(descriptor, width);
        const void* nul = std::memchr(descriptor, 0, nameSize);
        const std::size_t nameLength =
            nul != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - descriptor) : nameSize;
        const std::string name(reinterpret_cast<const char*>(descriptor), nameLength);
        const int length = descriptor[lengthOffset];
        const int decimals = descriptor[decimalsOffset];
        const TFieldType type = FieldTypeFromLetter(static_cast<char>(descriptor[typeOffset]), length, decimals);

        defs.Add(name, type, type == TFieldType::ftString ? length : 0, false);
        m_fieldInfos.push_back(TMyFieldInfo{length, decimals, offset, name});
        offset += length;
    }

    // A mismatch is reported, not repaired: records stay addressed with the size read
    // from the header, and a later header rewrite stores that size again.  Fields that
    // then reach past the record read as the bytes inside it and refuse to be stored.
    const int stated = GetU16(&Header[kRecordSizeOffset]);
    // With a record size of 0 no record can be located: such a table would open empty,
    // export nothing, and a writable close would put the end-of-file byte over record 0.
    if (stated == 0)
        throw EBinaryDataSetError("Invalid Record Size : 0 (must be between 1 and 65535)");
    if (stated != offset)
        ShowPlainMessage("Invalid Record Size,\rRecord Size in Hdr : " + std::to_string(stated) +
                         "\rExpected : " + std::to_string(offset));
}

std::int32_t TDbfFile::RecordCount() const
{
    return GetI32(&Header[kRecordCountOffset]);
}

std::int32_t TDbfFile::AppendRecord(const void* buffer)
{
    const std::int32_t count = RecordCount();
    if (count == std::numeric_limits<std::int32_t>::max())
        throw EBinaryDataSetError("Cannot append a record to \"" + m_fileName + "\": it already holds " +
                                  std::to_string(count) + " records, the most a table can count");
    PutI32(&Header[kRecordCountOffset], count + 1);
    return WriteRecord(count, buffer);
}

void TDbfFile::WriteHeader()
{
    if (!Stream)
        throw EAssertionFailed("_dbfFile=Nil");

    const TLocalDate today = LocalDate();
    Header[kYearOffset] = static_cast<std::uint8_t>(((today.Year - kYearBase) % 256 + 256) % 256);
    Header[kMonthOffset] = static_cast<std::uint8_t>(today.Month);
    Header[kDayOffset] = static_cast<std::uint8_t>(today.Day);
    // The record size goes back as it was read, the stride the records really have,
    // whatever the descriptors add up to.
    PutU16(&Header[kRecordSizeOffset], m_recordSizeAtOpen);

    InvalidateWindow();
    Stream->SetPosition(0);
    Stream->WriteBuffer(Header.data(), kMainHeaderSize);
    if (DbfLevel == 2) {
        const std::uint8_t zeros[kLevel2ExtensionSize] = {};
        Stream->WriteBuffer(zeros, kLevel2ExtensionSize);
    }
    SeekToRecord(RecordCount());
    const std::uint8_t marker = kEndOfFile;
    Stream->Write(&marker, 1);
}
