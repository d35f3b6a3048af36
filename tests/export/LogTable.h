// SPDX-License-Identifier: MIT
// Writes small log tables (.dbf, with a .dbt memo file when a field is a memo) for the export tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace testlog {

struct Field {
    std::string name;
    char type = 'C';  ///< C, N, D, L or M
    int length = 10;
    int decimals = 0;
};

/// One record: values by field name (fields not named are blank), stored as given
/// (character fields in the table's OEM bytes, numbers and dates as their field text).
struct Record {
    std::map<std::string, std::string> values;
    bool deleted = false;
};

/// The thirteen log fields the export reads, as character fields of Quillon's widths.
inline std::vector<Field> logFields()
{
    return {{"Date", 'C', 11}, {"Time", 'C', 5},  {"call", 'C', 13}, {"freq", 'C', 10}, {"mode", 'C', 6},
            {"sent", 'C', 3},  {"rcvd", 'C', 3},  {"state", 'C', 6}, {"iota", 'C', 5},  {"qsl", 'C', 1},
            {"qmgr", 'C', 13}, {"name", 'C', 20}, {"note", 'C', 30}};
}

/// The worked example of the log format: one complete contact.
inline Record workedExample()
{
    return {{{"Date", "19-Nov-2000"},
             {"Time", "14:35"},
             {"call", "N0CALL"},
             {"freq", "14.025"},
             {"mode", "CW"},
             {"sent", "599"},
             {"rcvd", "579"},
             {"iota", "EU005"},
             {"qsl", "X"},
             {"name", "Ana"},
             {"note", "QRP"}}};
}

/// Replaces field `name`'s definition (to change its kind, length or letter case).
inline std::vector<Field> withField(std::vector<Field> fields, const std::string& name, Field replacement)
{
    for (Field& f : fields)
        if (f.name == name)
            f = std::move(replacement);
    return fields;
}

/// Writes a dBase III table (version 3, or 0x83 with a memo file of 512-byte blocks
/// and 0x1A 0x1A terminated memos when a field is of type M).
inline void writeTable(const std::string& dbfPath, const std::vector<Field>& fields, const std::vector<Record>& records)
{
    bool hasMemo = false;
    int recordSize = 1;
    for (const Field& f : fields) {
        hasMemo = hasMemo || f.type == 'M';
        recordSize += f.length;
    }
    const int headerSize = 32 + 32 * static_cast<int>(fields.size()) + 1;
    std::string image(static_cast<std::size_t>(headerSize), '\0');
    auto put16 = [&](std::size_t at, int v) {
        image[at] = static_cast<char>(v & 0xFF);
        image[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    };
    image[0] = static_cast<char>(hasMemo ? 0x83 : 0x03);
    image[1] = 100, image[2] = 11, image[3] = 19;
    put16(4, static_cast<int>(records.size()) & 0xFFFF);
    put16(6, static_cast<int>(records.size()) >> 16);
    put16(8, headerSize);
    put16(10, recordSize);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t at = 32 + 32 * i;
        image.replace(at, fields[i].name.size(), fields[i].name);
        image[at + 11] = fields[i].type;
        image[at + 16] = static_cast<char>(fields[i].length);
        image[at + 17] = static_cast<char>(fields[i].decimals);
    }
    image[static_cast<std::size_t>(headerSize) - 1] = '\x0D';

    std::string memo(512, '\0');
    for (const Record& r : records) {
        image += r.deleted ? '*' : ' ';
        for (const Field& f : fields) {
            const auto found = r.values.find(f.name);
            std::string value = found == r.values.end() ? std::string() : found->second;
            if (f.type == 'M' && !value.empty()) {
                const std::size_t block = memo.size() / 512;
                memo += value + "\x1A\x1A";
                memo.resize((memo.size() + 511) / 512 * 512, '\0');
                value = std::to_string(block);
            }
            if (static_cast<int>(value.size()) > f.length)
                throw std::invalid_argument("value too long for field " + f.name + ": " + value);
            const std::string pad(static_cast<std::size_t>(f.length) - value.size(), ' ');
            image += (f.type == 'N' || f.type == 'M') ? pad + value : value + pad;
        }
    }
    image += '\x1A';
    std::ofstream(dbfPath, std::ios::binary) << image;

    if (hasMemo) {
        const std::size_t nextFree = memo.size() / 512;
        for (int b = 0; b < 4; ++b)
            memo[static_cast<std::size_t>(b)] = static_cast<char>((nextFree >> (8 * b)) & 0xFF);
        memo[20] = 0x00, memo[21] = 0x02;  // block size 512
        const auto dot = dbfPath.rfind('.');
        std::ofstream(dbfPath.substr(0, dot) + ".dbt", std::ios::binary) << memo;
    }
}

}  // namespace testlog
