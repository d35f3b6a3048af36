// SPDX-License-Identifier: MIT
// Field kinds and field definitions of the dataset framework.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// Field kinds.  Native value formats (what GetData/SetData and the engine's
/// DecodeField/EncodeField exchange):
///   ftString   NUL-terminated ANSI (CP1252) text, buffer of Size + 1 bytes
///   ftSmallint int16_t       ftInteger int32_t      ftLargeint int64_t
///   ftBoolean  uint16_t (1 true, 0 false)           ftFloat    double
///   ftDate     int32_t day number, 1 January 0001 = day 1 (30 Dec 1899 = 693594)
///   ftMemo     none: memo text goes through blob streams
enum class TFieldType { ftUnknown, ftString, ftSmallint, ftInteger, ftLargeint, ftBoolean, ftFloat, ftDate, ftMemo };

/// Name of a kind for messages ("String", "Integer", ...).
const char* FieldTypeName(TFieldType type);

struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;        ///< characters for ftString, 0 for every other kind
    bool Required = false;
    int FieldNo = 0;     ///< 1-based position in the definitions
};

/// The field definitions of a dataset, in table order.
class TFieldDefs {
public:
    /// ownerName is the dataset component's name put in front of messages ("Dbf1").
    explicit TFieldDefs(std::string ownerName = {}) : m_ownerName(std::move(ownerName)) {}

    void SetOwnerName(std::string name) { m_ownerName = std::move(name); }
    void Clear() { m_defs.clear(); }
    /// Appends a definition.  Throws EDatabaseError "<owner>: Field name missing" for an
    /// empty name and "<owner>: Duplicate field name '%s'" for a name already present
    /// (letter case ignored).
    TFieldDef& Add(const std::string& name, TFieldType type, int size, bool required);
    int Count() const { return static_cast<int>(m_defs.size()); }
    const TFieldDef& operator[](int i) const { return m_defs.at(static_cast<std::size_t>(i)); }
    /// Index of the first definition with that name, letter case ignored, or -1.
    int IndexOf(const std::string& name) const;

private:
    std::string m_ownerName;
    std::vector<TFieldDef> m_defs;
};

/// ASCII case-insensitive comparison (bytes 0x80 and above compare exactly): field
/// names, month names, logical words, file extensions.  Inline: field lookup by name
/// runs for every field of every record the export reads.
inline bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && fold(a[i]) != fold(b[i]))
            return false;
    return true;
}
/// The comparison used for every field-name lookup.
inline bool SameFieldName(std::string_view a, std::string_view b) { return SameText(a, b); }
