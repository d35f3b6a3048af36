// SPDX-License-Identifier: MIT
// libFuzzer target: opens an arbitrary table (and memo file), reads every record, field and memo.
//
// Input layout: byte 0 holds flags; bit 0 set means the input carries a memo file too,
// bit 1 selects level 1 memos for a table whose own level is 0 (so both memo layouts are
// reached from every table).  With a memo file, bytes 1 and 2 give the table's length
// (little-endian, taken modulo what is left), the table follows and the memo file is the
// rest.  Without one, the table is everything after byte 0.
//
// Exceptions derived from Exception are the engine's answer to a bad file and are fine;
// crashes, sanitizer reports and leaks are not.

#include "DB.h"
#include "DbfPlatform.h"
#include "SysUtils.h"
#include "TDbfFile.h"
#include "TDbtFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// Caps that keep one input fast: a header can claim millions of records.
constexpr std::int32_t kMaxRecords = 256;
constexpr int kMaxMemos = 64;

class SilentMessageBox : public IPlainMessageBox {
public:
    void ShowMessage(const std::string&) override {}
};

struct Paths {
    std::string dir, table, memo;
};

const Paths& paths() {
    static const Paths p = [] {
        char tmpl[] = "/tmp/q2a-fuzz-XXXXXX";
        if (!mkdtemp(tmpl)) {
            std::perror("mkdtemp");
            std::abort();
        }
        Paths result{tmpl, std::string(tmpl) + "/t.dbf", std::string(tmpl) + "/t.dbt"};
        std::atexit([] {
            std::remove(paths().table.c_str());
            std::remove(paths().memo.c_str());
            rmdir(paths().dir.c_str());
        });
        return result;
    }();
    return p;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

/// Decodes field i of rec by its kind into a value buffer of exactly the native size,
/// so an overrun shows as a sanitizer report.
void decodeByKind(const TDbfFile& table, int i, TFieldType kind, const std::uint8_t* rec) {
    switch (kind) {
    case TFieldType::ftString: {
        const auto size = static_cast<std::size_t>(std::max(0, table.FieldInfos()[static_cast<std::size_t>(i)].FieldSize));
        auto text = std::make_unique<char[]>(size + 1);
        table.DecodeField(i, kind, rec, text.get());
        break;
    }
    case TFieldType::ftSmallint: {
        auto v = std::make_unique<std::int16_t>();
        table.DecodeField(i, kind, rec, v.get());
        break;
    }
    case TFieldType::ftInteger:
    case TFieldType::ftDate: {
        auto v = std::make_unique<std::int32_t>();
        table.DecodeField(i, kind, rec, v.get());
        break;
    }
    case TFieldType::ftLargeint: {
        auto v = std::make_unique<std::int64_t>();
        table.DecodeField(i, kind, rec, v.get());
        break;
    }
    case TFieldType::ftBoolean: {
        auto v = std::make_unique<std::uint16_t>();
        table.DecodeField(i, kind, rec, v.get());
        break;
    }
    case TFieldType::ftFloat: {
        auto v = std::make_unique<double>();
        table.DecodeField(i, kind, rec, v.get());
        break;
    }
    default: {
        auto v = std::make_unique<std::uint64_t>();  // ftMemo: the codec writes nothing
        table.DecodeField(i, kind, rec, v.get());
        break;
    }
    }
}

/// The memo's block number as the memo streams take it: the field as text, as an integer.
std::int32_t memoBlock(const TDbfFile& table, int i, const std::uint8_t* rec) {
    const auto size = static_cast<std::size_t>(std::max(0, table.FieldInfos()[static_cast<std::size_t>(i)].FieldSize));
    auto text = std::make_unique<char[]>(size + 1);
    table.DecodeField(i, TFieldType::ftString, rec, text.get());
    return static_cast<std::int32_t>(std::strtol(text.get(), nullptr, 10));
}

void readTable(std::uint8_t flags, bool withMemo) {
    TDbfFile table(nullptr, paths().table, fmReadOnlyShared);
    TFieldDefs defs("Dbf1");
    table.ReadFieldDefs(defs);
    std::unique_ptr<TDbtFile> memo;
    if (withMemo) {
        const std::uint8_t level = (flags & 2) && table.DbfLevel == 0 ? 1 : table.DbfLevel;
        memo = std::make_unique<TDbtFile>(nullptr, paths().memo, fmReadOnlyShared, level);
    }

    const auto recordSize = static_cast<std::size_t>(std::max(0, table.RecordSize));
    auto rec = std::make_unique<std::uint8_t[]>(std::max<std::size_t>(recordSize, 1));
    int memosRead = 0;
    const std::int32_t count = std::min(table.RecordCount(), kMaxRecords);
    for (std::int32_t n = 0; n < count; ++n) {
        std::memset(rec.get(), ' ', recordSize);
        table.ReadRecord(n, rec.get());
        for (int i = 0; i < defs.Count(); ++i) {
            const TFieldType kind = defs[i].DataType;
            decodeByKind(table, i, kind, rec.get());
            if (kind == TFieldType::ftMemo && memo && memosRead < kMaxMemos) {
                TMemoryStream text;
                memo->ReadMemo(memoBlock(table, i, rec.get()), text);
                ++memosRead;
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static SilentMessageBox box;
    SetPlainMessageBox(&box);
    if (size < 1) return 0;
    const std::uint8_t flags = data[0];
    ++data;
    --size;
    const bool withMemo = (flags & 1) && size >= 2;
    std::size_t tableSize = size;
    if (withMemo) {
        const std::size_t claimed = data[0] | (static_cast<std::size_t>(data[1]) << 8);
        data += 2;
        size -= 2;
        tableSize = claimed % (size + 1);
    }
    writeFile(paths().table, data, tableSize);
    if (withMemo) {
        writeFile(paths().memo, data + tableSize, size - tableSize);
    } else {
        std::remove(paths().memo.c_str());
    }
    try {
        readTable(flags, withMemo);
    } catch (const Exception&) {
        // A refused or damaged table: the engine's own, expected answer.
    }
    return 0;
}
