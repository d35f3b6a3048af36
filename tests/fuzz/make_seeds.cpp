// SPDX-License-Identifier: MIT
// Writes the seed corpus of fuzz_open_table: packed generated logs and tiny hand-built tables.
//
// usage: make_seeds OUTDIR [TABLE MEMO]...
// Each TABLE/MEMO pair (logs from quillon-genlog) becomes one input with a memo file; the
// hand-built images cover every field kind, level 2 descriptors and damaged headers.
// The input layout is the one fuzz_open_table.cpp describes.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kFlagMemo = 1;
constexpr std::uint8_t kFlagLevel1Memo = 2;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "make_seeds: cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeSeed(const std::string& dir, const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "make_seeds: cannot write %s/%s\n", dir.c_str(), name.c_str());
        std::exit(1);
    }
}

void putLe16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void putLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    putLe16(b, at, v);
    putLe16(b, at + 2, v >> 16);
}

/// One fuzz input: flags, then (with a memo) the table length, the table and the memo file.
Bytes pack(const Bytes& table, const Bytes* memo, std::uint8_t flags = 0) {
    Bytes out{static_cast<std::uint8_t>(flags | (memo ? kFlagMemo : 0))};
    if (memo) {
        out.push_back(static_cast<std::uint8_t>(table.size()));
        out.push_back(static_cast<std::uint8_t>(table.size() >> 8));
    }
    out.insert(out.end(), table.begin(), table.end());
    if (memo) out.insert(out.end(), memo->begin(), memo->end());
    return out;
}

struct Field {
    std::string name;
    char type;
    std::uint8_t length, decimals;
};

/// A small table: 32-byte header, descriptors (32 or, at level 2, 48 bytes), 0x0D, records, 0x1A.
Bytes table(std::uint8_t version, const std::vector<Field>& fields, const std::vector<std::string>& records) {
    const bool level2 = version == 5;
    const std::size_t first = level2 ? 68 : 32, width = level2 ? 48 : 32;
    std::size_t recordSize = 1;
    for (const auto& f : fields) recordSize += f.length;
    const std::size_t headerSize = first + fields.size() * width + 1;
    Bytes b(headerSize, 0);
    b[0] = version;
    b[1] = 124, b[2] = 3, b[3] = 7;
    putLe32(b, 4, static_cast<std::uint32_t>(records.size()));
    putLe16(b, 8, static_cast<std::uint32_t>(headerSize));
    putLe16(b, 10, static_cast<std::uint32_t>(recordSize));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t d = first + i * width;
        std::copy(fields[i].name.begin(), fields[i].name.end(), b.begin() + static_cast<long>(d));
        b[d + (level2 ? 32 : 11)] = static_cast<std::uint8_t>(fields[i].type);
        b[d + (level2 ? 33 : 16)] = fields[i].length;
        b[d + (level2 ? 34 : 17)] = fields[i].decimals;
    }
    b.back() = 0x0D;
    for (const auto& r : records) {
        std::string rec = r;
        rec.resize(recordSize, ' ');
        b.insert(b.end(), rec.begin(), rec.end());
    }
    b.push_back(0x1A);
    return b;
}

/// A memo file with blocks of blockSize: header, then each memo at its block.
Bytes memoFile(std::uint16_t blockSize, const std::vector<Bytes>& memos) {
    Bytes b(blockSize, 0);
    for (const auto& m : memos) {
        b.insert(b.end(), m.begin(), m.end());
        b.resize((b.size() + blockSize - 1) / blockSize * blockSize, 0);
    }
    putLe32(b, 0, static_cast<std::uint32_t>(b.size() / blockSize));
    putLe16(b, 20, blockSize);
    return b;
}

/// A record image: the deletion flag, then each value in its field (numbers and memo
/// numbers right-aligned, the rest left-aligned), cut or padded to the field length.
std::string row(char flag, const std::vector<Field>& fields, const std::vector<std::string>& values) {
    std::string rec(1, flag);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string v = i < values.size() ? values[i] : "";
        v.resize(std::min<std::size_t>(v.size(), fields[i].length));
        const std::string pad(fields[i].length - v.size(), ' ');
        const bool right = fields[i].type == 'N' || fields[i].type == 'F' || fields[i].type == 'M';
        rec += right ? pad + v : v + pad;
    }
    return rec;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes terminated(const std::string& s) {
    Bytes b = text(s);
    b.push_back(0x1A);
    b.push_back(0x1A);
    return b;
}
Bytes prefixed(const std::string& s) {
    Bytes b{0xFF, 0xFF, 0x08, 0x00, 0, 0, 0, 0};
    putLe32(b, 4, static_cast<std::uint32_t>(s.size() + 8));
    b.insert(b.end(), s.begin(), s.end());
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: make_seeds OUTDIR [TABLE MEMO]...\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const Bytes t = readFile(argv[i]), m = readFile(argv[i + 1]);
        writeSeed(dir, "genlog-" + std::to_string(i / 2), pack(t, &m));
    }

    // Every field kind, with a level 0 memo file (record 2 has two memos, one over a block).
    const std::vector<Field> allKinds{{"NAME", 'C', 10, 0}, {"SMALL", 'N', 4, 0}, {"INT", 'N', 9, 0},
                                      {"BIG", 'N', 12, 0},  {"PRICE", 'N', 8, 2}, {"RATE", 'F', 6, 1},
                                      {"OK", 'L', 1, 0},    {"BORN", 'D', 8, 0},  {"NOTES", 'M', 10, 0},
                                      {"MORE", 'M', 10, 0}, {"odd", 'n', 3, 0}};
    const Bytes kinds = table(
        0x83, allKinds,
        {row(' ', allKinds, {"M\x81ller", "42", "-123456", "98765432109", "-3.25", "1.5", "T", "20030512", "1", "", "7"}),
         row('*', allKinds, {"\xe1\xe1", "-1", "0", "0", "0.00", "0.0", "F", "2003 5 1", "2", "3", "1.5"}),
         row(' ', allKinds, {" x", "x", "1.5E3", "$7FFFFFFF", "1,5", "******", "?", "", "-1", "0xFF", "-"})});
    const Bytes level0Memo = memoFile(512, {terminated("Gr\xfc\xdf" "e\r\nline two"),
                                             terminated(std::string(600, 'a') + "\x1a" "b"), terminated("")});
    writeSeed(dir, "kinds-memo0", pack(kinds, &level0Memo));
    const Bytes level1Memo = memoFile(1024, {prefixed("length-prefixed"), Bytes{0xFF, 0xFF, 0x08, 0x01, 13, 0, 0, 0},
                                             prefixed(std::string(1500, 'z'))});
    writeSeed(dir, "kinds-memo1", pack(kinds, &level1Memo, kFlagLevel1Memo));
    writeSeed(dir, "kinds-plain", pack(kinds, nullptr));

    // Level 2: 48-byte descriptors from offset 68.
    writeSeed(dir, "level2", pack(table(5, {{"A_LONG_FIELD_NAME_OF_32_BYTES_XX", 'C', 5, 0}, {"N", 'N', 5, 0},
                                            {"D", 'D', 8, 0}},
                                        {" hello   4220240307", "*world-999919991231"}),
                                  nullptr));
    // Damaged headers: counts that disagree with the file, sizes of 0 and 65535, truncation.
    Bytes wrongCount = table(0x03, {{"C", 'C', 4, 0}}, {" abcd", " efgh"});
    putLe32(wrongCount, 4, 12);
    writeSeed(dir, "wrong-count", pack(wrongCount, nullptr));
    Bytes wrongSize = table(0x03, {{"C", 'C', 4, 0}, {"D", 'N', 6, 0}}, {" abcd    12", " efgh    13"});
    putLe16(wrongSize, 10, 7);  // fields reach past the record
    writeSeed(dir, "short-record", pack(wrongSize, nullptr));
    Bytes zeroRecord = wrongSize;
    putLe16(zeroRecord, 10, 0);
    writeSeed(dir, "zero-record-size", pack(zeroRecord, nullptr));
    Bytes headerZero = wrongCount;
    putLe16(headerZero, 8, 0);
    writeSeed(dir, "header-size-0", pack(headerZero, nullptr));
    Bytes headerMax = wrongCount;
    putLe16(headerMax, 8, 65535);
    writeSeed(dir, "header-size-65535", pack(headerMax, nullptr));
    writeSeed(dir, "truncated-descriptors", pack(Bytes(kinds.begin(), kinds.begin() + 100), nullptr));
    writeSeed(dir, "not-a-table", pack(text("plain text, not a table at all\n"), nullptr));
    const Bytes shortMemo{9, 0, 0, 0, 0, 0};
    writeSeed(dir, "memo-shorter-than-header", pack(kinds, &shortMemo));
    return 0;
}
