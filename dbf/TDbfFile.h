// SPDX-License-Identifier: MIT
// The dBase table file: header, field layout, records, and the field value codec.
#pragma once

#include "DB.h"
#include "TMyFieldInfo.h"
#include "TPagedFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// Maps a descriptor's type letter, length and decimal count to a field kind.
TFieldType FieldTypeFromLetter(char letter, int length, int decimals);

/// The table's integer text (leading blanks, a signed decimal or a 32-bit hexadecimal
/// number, then the end or a NUL) as a 32-bit value; defaultValue for any other text.
std::int32_t FieldTextToInteger(std::string_view text, std::int32_t defaultValue);

/// Field text to a number ("." decimal point, no grouping); 0 when not a number. Never throws.
long double FieldTextToFloat(std::string_view text);
/// Fixed-point (or scientific when too wide) text of value for a field of
/// precision characters and digits decimals.
std::string FloatToFieldText(double value, int precision, int digits);

class TDbfFile : public TPagedFile {
public:
    /// Opens the table and checks its header; a wrong record count is repaired in
    /// memory after a plain message.  Throws when the file cannot be opened (the
    /// message names the file) or holds fewer than 32 bytes ("Stream read error").
    TDbfFile(TDbf* owner, const std::string& fileName, std::uint16_t mode);
    ~TDbfFile() override;

    /// Reads the descriptors into defs (which the caller emptied) and rebuilds FieldInfos.
    /// Throws EBinaryDataSetError "Invalid Field count : ..." and the field list's errors;
    /// shows the plain "Invalid Record Size," message on a record-size mismatch.
    void ReadFieldDefs(TFieldDefs& defs);
    void ClearFieldInfos();
    const std::vector<TMyFieldInfo>& FieldInfos() const { return m_fieldInfos; }

    /// The live record count (deleted records included).
    std::int32_t RecordCount() const;
    /// Appends buffer as record RecordCount() and raises the count; returns bytes written.
    std::int32_t AppendRecord(const void* buffer);
    /// Rewrites the header (date of last update, record count) and the end-of-file marker.
    void WriteHeader();

    /// Decodes field index (0-based) of record into value (native format of type). Always true.
    bool DecodeField(int index, TFieldType type, const std::uint8_t* record, void* value) const;
    /// DecodeField for a character field (ftString) that also tells the length of the text
    /// it wrote to value (before its NUL), for readers that go through many records.
    std::size_t DecodeCharacterField(int index, const std::uint8_t* record, char* value) const;
    /// Encodes value into field index of record.  Throws EFieldToLongError when the text
    /// does not fit (record unchanged).  For ftString, value is converted to OEM in place.
    void EncodeField(int index, TFieldType type, void* value, std::uint8_t* record);

    std::array<std::uint8_t, 32> Header{};
    std::uint8_t DbfLevel = 0;

private:
    std::vector<TMyFieldInfo> m_fieldInfos;
    std::uint16_t m_recordSizeAtOpen = 0;
};
