// SPDX-License-Identifier: MIT
// dbf-probe: reads or edits a table through the engine's table and memo files, for the cross-checks.
//
//   dbf-probe dump TABLE [MEMO]   prints the table as JSON: header facts, field definitions, and
//                                 every record (deleted ones too) decoded field by field by kind;
//                                 memo fields give their block number and the memo bytes in hex.
//   dbf-probe edit TABLE [MEMO]   opens the table read-write, runs the edit lines read from stdin,
//                                 then rewrites the header (dated 7 March 2024) and closes.
//
// Edit lines, fields separated by one TAB, text in UTF-8:
//   set     REC  FIELD  VALUE         encode VALUE into FIELD of record REC (0-based) and write it
//   append  FIELD=VALUE ...           append a blank live record with those fields set
//   delete  REC                       flag record REC deleted
//   memo    REC  FIELD  HEX           store the bytes HEX as the memo of FIELD in record REC
// Values by kind: integers and floats in decimal, logicals T/F, dates YYYY-MM-DD.
//
// Plain messages from the engine (header repairs) are collected into "messages" (dump) or
// printed on stderr (edit).  Any exception ends the probe with "dbf-probe: <message>" and
// exit status 1.

#include "CodePages.h"
#include "DB.h"
#include "DbfPlatform.h"
#include "TDbfFile.h"
#include "TDbtFile.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

class MessageRecorder : public IPlainMessageBox {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "dbf-probe: %s\n", why.c_str());
    std::exit(1);
}

// Day numbers count 1 January 0001 as day 1 (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe);
}
std::int32_t dayNumber(int y, unsigned m, unsigned d) {
    return static_cast<std::int32_t>(daysFromCivil(y, m, d) - daysFromCivil(1, 1, 1) + 1);
}
std::string dateText(std::int32_t dayNo) {
    if (dayNo <= 0) return std::to_string(dayNo);
    // daysFromCivil counts from 1 March of year 0, the epoch of the inverse below.
    std::int64_t z = dayNo - 1 + daysFromCivil(1, 1, 1);
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    return buf;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

/// ANSI (CP1252) bytes as a JSON string literal.
std::string jsonString(const std::string& ansi) {
    std::string out = "\"";
    for (unsigned char c : ansi) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const int cp = Cp1252ToUnicode(c);
            appendUtf8(out, cp < 0 ? 0xFFFDu : static_cast<std::uint32_t>(cp));
        }
    }
    return out + "\"";
}

/// UTF-8 text to ANSI (CP1252) bytes; characters CP1252 lacks are an error.
std::string ansiFromUtf8(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) cp = c & (0x3F >> extra);
        if (extra > 0 && i + static_cast<std::size_t>(extra) >= utf8.size()) fail("bad UTF-8 in '" + utf8 + "'");
        for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + static_cast<std::size_t>(extra);
        const int b = UnicodeToCp1252(cp);
        if (b < 0) fail("no CP1252 character for U+" + std::to_string(cp));
        out += static_cast<char>(b);
    }
    return out;
}

std::string hexOf(const std::uint8_t* data, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}
std::string bytesFromHex(const std::string& hex) {
    if (hex.size() % 2) fail("odd hex length");
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned v = 0;
        auto [p, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, v, 16);
        if (ec != std::errc() || p != hex.data() + i + 2) fail("bad hex '" + hex + "'");
        out += static_cast<char>(v);
    }
    return out;
}

template <typename T>
T number(const std::string& text) {
    T v{};
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size()) fail("bad number '" + text + "'");
    return v;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return parts;
        start = tab + 1;
    }
}

struct Table {
    Table(const std::string& tablePath, const std::string& memoPath, std::uint16_t mode) {
        file = std::make_unique<TDbfFile>(nullptr, tablePath, mode);
        file->ReadFieldDefs(defs);
        if (!memoPath.empty()) memo = std::make_unique<TDbtFile>(nullptr, memoPath, mode, file->DbfLevel);
    }
    int fieldIndex(const std::string& name) const {
        const int i = defs.IndexOf(name);
        if (i < 0) fail("no field '" + name + "'");
        return i;
    }
    std::vector<std::uint8_t> read(std::int32_t n) const {
        std::vector<std::uint8_t> rec(static_cast<std::size_t>(file->RecordSize), ' ');
        file->ReadRecord(n, rec.data());
        return rec;
    }
    /// The memo's block number as the memo streams take it: the field as trimmed text, as an integer.
    std::int32_t memoBlock(int index, const std::vector<std::uint8_t>& rec) const {
        std::vector<char> text(static_cast<std::size_t>(file->FieldInfos()[static_cast<std::size_t>(index)].FieldSize) + 1);
        file->DecodeField(index, TFieldType::ftString, rec.data(), text.data());
        std::int32_t block = 0;
        const char* end = text.data() + std::strlen(text.data());
        auto [p, ec] = std::from_chars(text.data(), end, block);
        return ec == std::errc() && p == end ? block : 0;
    }
    std::string memoBytes(std::int32_t block) const {
        if (!memo) return {};
        TMemoryStream stream;
        memo->ReadMemo(block, stream);
        return stream.AsString();
    }

    TFieldDefs defs{"Dbf1"};
    std::unique_ptr<TDbfFile> file;
    std::unique_ptr<TDbtFile> memo;
};

std::string valueJson(const Table& t, int i, TFieldType kind, const std::vector<std::uint8_t>& rec) {
    const TDbfFile& f = *t.file;
    switch (kind) {
    case TFieldType::ftString: {
        std::vector<char> text(static_cast<std::size_t>(f.FieldInfos()[static_cast<std::size_t>(i)].FieldSize) + 1);
        f.DecodeField(i, kind, rec.data(), text.data());
        return jsonString(text.data());
    }
    case TFieldType::ftSmallint: {
        std::int16_t v = 0;
        f.DecodeField(i, kind, rec.data(), &v);
        return std::to_string(v);
    }
    case TFieldType::ftInteger: {
        std::int32_t v = 0;
        f.DecodeField(i, kind, rec.data(), &v);
        return std::to_string(v);
    }
    case TFieldType::ftLargeint: {
        std::int64_t v = 0;
        f.DecodeField(i, kind, rec.data(), &v);
        return std::to_string(v);
    }
    case TFieldType::ftBoolean: {
        std::uint16_t v = 0;
        f.DecodeField(i, kind, rec.data(), &v);
        return v ? "true" : "false";
    }
    case TFieldType::ftFloat: {
        double v = 0;
        f.DecodeField(i, kind, rec.data(), &v);
        if (!std::isfinite(v)) return "null";
        char buf[64];
        return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    }
    case TFieldType::ftDate: {
        std::int32_t v = 0;
        f.DecodeField(i, kind, rec.data(), &v);
        return "\"" + dateText(v) + "\"";
    }
    case TFieldType::ftMemo: {
        const std::int32_t block = t.memoBlock(i, rec);
        const std::string bytes = t.memoBytes(block);
        return "{\"block\": " + std::to_string(block) + ", \"hex\": \"" +
               hexOf(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) + "\"}";
    }
    default:
        return "null";
    }
}

int dump(const std::string& tablePath, const std::string& memoPath) {
    MessageRecorder recorder;
    SetPlainMessageBox(&recorder);
    const Table t(tablePath, memoPath, fmReadOnlyShared);
    std::ostringstream out;
    out << "{\"level\": " << int(t.file->DbfLevel) << ", \"count\": " << t.file->RecordCount()
        << ", \"headerSize\": " << t.file->HeaderSize << ", \"recordSize\": " << t.file->RecordSize;
    out << ",\n \"fields\": [";
    for (int i = 0; i < t.defs.Count(); ++i) {
        const auto& info = t.file->FieldInfos()[static_cast<std::size_t>(i)];
        out << (i ? ", " : "") << "{\"name\": " << jsonString(t.defs[i].Name) << ", \"kind\": \""
            << FieldTypeName(t.defs[i].DataType) << "\", \"size\": " << info.FieldSize
            << ", \"decimals\": " << info.FieldDecimals << "}";
    }
    out << "],\n \"records\": [";
    for (std::int32_t n = 0; n < t.file->RecordCount(); ++n) {
        const auto rec = t.read(n);
        out << (n ? ",\n  " : "\n  ") << "{\"deleted\": " << (rec[0] != ' ' ? "true" : "false") << ", \"values\": [";
        for (int i = 0; i < t.defs.Count(); ++i)
            out << (i ? ", " : "") << valueJson(t, i, t.defs[i].DataType, rec);
        out << "]}";
    }
    out << "],\n \"messages\": [";
    for (std::size_t i = 0; i < recorder.messages.size(); ++i)
        out << (i ? ", " : "") << jsonString(recorder.messages[i]);
    out << "]}\n";
    SetPlainMessageBox(nullptr);
    std::cout << out.str();
    return 0;
}

/// Encodes text (UTF-8, or the edit-line forms of the other kinds) into field index of rec.
void encode(Table& t, int index, const std::string& text, std::vector<std::uint8_t>& rec) {
    const TFieldType kind = t.defs[index].DataType;
    TDbfFile& f = *t.file;
    switch (kind) {
    case TFieldType::ftString: {
        const std::string ansi = ansiFromUtf8(text);
        // Room for text longer than the field, so the engine (not this buffer) decides it does not fit.
        std::vector<char> value(ansi.size() + static_cast<std::size_t>(f.FieldInfos()[static_cast<std::size_t>(index)].FieldSize) + 1, '\0');
        std::memcpy(value.data(), ansi.data(), ansi.size());
        f.EncodeField(index, kind, value.data(), rec.data());
        break;
    }
    case TFieldType::ftSmallint: {
        auto v = number<std::int16_t>(text);
        f.EncodeField(index, kind, &v, rec.data());
        break;
    }
    case TFieldType::ftInteger: {
        auto v = number<std::int32_t>(text);
        f.EncodeField(index, kind, &v, rec.data());
        break;
    }
    case TFieldType::ftLargeint: {
        auto v = number<std::int64_t>(text);
        f.EncodeField(index, kind, &v, rec.data());
        break;
    }
    case TFieldType::ftBoolean: {
        std::uint16_t v = text == "T" ? 1 : 0;
        f.EncodeField(index, kind, &v, rec.data());
        break;
    }
    case TFieldType::ftFloat: {
        auto v = number<double>(text);
        f.EncodeField(index, kind, &v, rec.data());
        break;
    }
    case TFieldType::ftDate: {
        if (text.size() != 10 || text[4] != '-' || text[7] != '-') fail("bad date '" + text + "'");
        std::int32_t v = dayNumber(number<int>(text.substr(0, 4)), number<unsigned>(text.substr(5, 2)),
                                   number<unsigned>(text.substr(8, 2)));
        f.EncodeField(index, kind, &v, rec.data());
        break;
    }
    default:
        fail("cannot set field '" + t.defs[index].Name + "' of kind " + FieldTypeName(kind));
    }
}

int edit(const std::string& tablePath, const std::string& memoPath) {
    SetLocalDateSource([] { return TLocalDate{2024, 3, 7}; });
    Table t(tablePath, memoPath, fmReadWriteDenyWrite);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty()) continue;
        const auto parts = splitTabs(line);
        const std::string& op = parts[0];
        if (op == "set" && parts.size() == 4) {
            const auto n = number<std::int32_t>(parts[1]);
            auto rec = t.read(n);
            encode(t, t.fieldIndex(parts[2]), parts[3], rec);
            t.file->WriteRecord(n, rec.data());
        } else if (op == "append") {
            std::vector<std::uint8_t> rec(static_cast<std::size_t>(t.file->RecordSize), ' ');
            for (std::size_t k = 1; k < parts.size(); ++k) {
                const std::size_t eq = parts[k].find('=');
                if (eq == std::string::npos) fail("append needs FIELD=VALUE, got '" + parts[k] + "'");
                encode(t, t.fieldIndex(parts[k].substr(0, eq)), parts[k].substr(eq + 1), rec);
            }
            t.file->AppendRecord(rec.data());
        } else if (op == "delete" && parts.size() == 2) {
            const auto n = number<std::int32_t>(parts[1]);
            auto rec = t.read(n);
            rec[0] = '*';
            t.file->WriteRecord(n, rec.data());
        } else if (op == "memo" && parts.size() == 4) {
            if (!t.memo) fail("memo line without a memo file");
            const auto n = number<std::int32_t>(parts[1]);
            const int index = t.fieldIndex(parts[2]);
            auto rec = t.read(n);
            std::int32_t block = t.memoBlock(index, rec);
            const auto oldLength = static_cast<std::int32_t>(t.memoBytes(block).size());
            TMemoryStream source;
            const std::string bytes = bytesFromHex(parts[3]);
            source.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
            t.memo->WriteMemo(block, oldLength, source);
            t.file->EncodeField(index, TFieldType::ftInteger, &block, rec.data());
            t.file->WriteRecord(n, rec.data());
        } else {
            fail("bad edit line '" + line + "'");
        }
    }
    t.file->WriteHeader();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: dbf-probe dump|edit TABLE [MEMO]\n");
        return 2;
    }
    const std::string command = argv[1];
    const std::string memo = argc == 4 ? argv[3] : "";
    try {
        if (command == "dump") return dump(argv[2], memo);
        if (command == "edit") return edit(argv[2], memo);
    } catch (const std::exception& e) {
        fail(e.what());
    }
    std::fprintf(stderr, "dbf-probe: unknown command %s\n", command.c_str());
    return 2;
}
