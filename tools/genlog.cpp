// SPDX-License-Identifier: MIT
// quillon-genlog: writes a deterministic Quillon log table (.DBF) and its memo file (.DBT).
//
// The generator writes every byte itself (the engine never creates tables), so the
// sample, the tests and the benchmarks share files whose layout is known exactly.
//
// Table layout written (little-endian):
//   OFFSET  SIZE  DESCRIPTION
//   0       1     version: 0x83 (level 0, terminated memos) or 0x8B (level 1, length-prefixed memos)
//   1       3     date of last update: 100, 11, 19 (19 November 2000, fixed for reproducible files)
//   4       4     record count
//   8       2     header size: 32 + 14 * 32 + 1 = 481
//   10      2     record size: 1 + the field lengths = 137
//   12      20    zero
//   32      448   14 field descriptors of 32 bytes (name, type letter, length, decimals)
//   480     1     0x0D, end of the descriptors
//   481     ...   records: deletion flag (' ' or '*') and the fields, text in CP437
//   end     1     0x1A, end of file
//
// Memo file layout (blocks of 512 bytes, block 0 is the header):
//   OFFSET  SIZE  DESCRIPTION
//   0       4     next free block
//   16      1     0x03 at level 0 (marks a terminated-memo file for other readers)
//   20      2     block size, 512
//   Level 0 memo: the text, then 0x1A 0x1A.  Level 1 memo: FF FF 08 00, length + 8, the text.
//   Each memo starts on a block boundary and is padded with zeros to whole blocks.

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace layout {
constexpr std::size_t kMainHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;
constexpr std::size_t kNameSize = 11;
constexpr std::size_t kTypeOffset = 11;
constexpr std::size_t kLengthOffset = 16;
constexpr std::size_t kDecimalsOffset = 17;
constexpr std::uint8_t kHeaderTerminator = 0x0D;
constexpr std::uint8_t kEndOfFile = 0x1A;
constexpr std::uint8_t kVersionLevel0 = 0x83;
constexpr std::uint8_t kVersionLevel1 = 0x8B;
constexpr std::uint8_t kLiveFlag = ' ';
constexpr std::uint8_t kDeletedFlag = '*';
constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kMemoBlockSizeOffset = 20;
constexpr std::size_t kMemoVersionOffset = 16;
constexpr std::uint8_t kMemoVersionLevel0 = 0x03;
constexpr std::uint8_t kMemoTerminator = 0x1A;
constexpr std::array<std::uint8_t, 4> kMemoMarker{0xFF, 0xFF, 0x08, 0x00};
constexpr std::size_t kMemoPrefixSize = 8;
// Fixed date of last update, so that the same options always give the same bytes.
constexpr std::uint8_t kYearSince1900 = 100, kMonth = 11, kDay = 19;
}  // namespace layout

struct FieldLayout {
    const char* name;
    char type;
    std::uint8_t length;
    std::uint8_t decimals;
};

// The Quillon log fields, in table order.
constexpr std::array<FieldLayout, 14> kFields{{
    {"Date", 'C', 11, 0},
    {"Time", 'C', 5, 0},
    {"call", 'C', 13, 0},
    {"freq", 'N', 10, 3},
    {"mode", 'C', 6, 0},
    {"sent", 'C', 3, 0},
    {"rcvd", 'C', 3, 0},
    {"state", 'C', 6, 0},
    {"iota", 'C', 5, 0},
    {"qsl", 'C', 1, 0},
    {"qmgr", 'C', 13, 0},
    {"name", 'C', 20, 0},
    {"note", 'C', 30, 0},
    {"remarks", 'M', 10, 0},
}};
enum FieldIndex { kDate, kTime, kCall, kFreq, kMode, kSent, kRcvd, kState, kIota, kQsl, kQmgr, kName, kNote, kRemarks };

constexpr std::size_t recordSize() {
    std::size_t size = 1;
    for (const auto& f : kFields) size += f.length;
    return size;
}
constexpr std::size_t headerSize() { return layout::kMainHeaderSize + kFields.size() * layout::kDescriptorSize + 1; }

// splitmix64: tiny, fast, and gives the same sequence on every platform (the standard
// library's distributions do not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    /// Uniform in [0, n).
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }
    bool percent(std::uint32_t p) { return below(100) < p; }
    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& items) {
        return items[below(static_cast<std::uint32_t>(N))];
    }

private:
    std::uint64_t m_state;
};

// Names and notes are CP437 bytes, the code page of character fields.
constexpr std::array<std::string_view, 24> kNames{
    "Ana", "Bob", "Chris", "Dave", "Eva", "Frank", "Hiro", "Ivan", "Jan", "Kari", "Luis", "Mike",
    "Pat", "Tom",
    "M\x81ller",            // Müller
    "Jos\x82",              // José
    "J\x81rgen",            // Jürgen
    "Fran\x87ois",          // François
    "Bj\x94rn",             // Björn
    "\x8F" "sa",            // Åsa
    "N\xA3\xA4" "ez",       // Núñez
    "Ren\x82" "e",          // Renée
    "G\x94\xE1l",           // Gößl
    "",
};
constexpr std::array<std::string_view, 14> kNotes{
    "QRP", "73", "tnx QSO", "contest", "first QSO", "DXpedition", "portable, 5 W", "via LoTW",
    "",    "",   "",        "",
    "Gr\x81\xE1" "e aus K\x94ln",  // Grüße aus Köln
    "caf\x82 net",                 // café net
};
constexpr std::array<std::string_view, 30> kPrefixes{
    "DL", "G",  "F",  "I",  "EA", "OH", "SM", "LA", "OK", "SP", "HA", "YU", "UA", "JA", "VK",
    "ZL", "W",  "K",  "N",  "VE", "PY", "LU", "ZS", "4X", "9A", "S5", "ON", "PA", "HB", "OE",
};
constexpr std::array<std::string_view, 8> kModes{"CW", "SSB", "RTTY", "FM", "AM", "FT8", "PSK31", "CW"};
constexpr std::array<std::string_view, 4> kCwReports{"599", "579", "559", "449"};
constexpr std::array<std::string_view, 4> kPhoneReports{"59", "57", "55", "44"};
constexpr std::array<std::string_view, 4> kDigitalReports{"-10", "-15", "+02", "-21"};
constexpr std::array<std::string_view, 6> kStates{"CA", "NY", "TX", "ON", "BC", "MA"};
constexpr std::array<std::string_view, 6> kIotas{"EU005", "NA046", "OC001", "AS007", "AF004", "EU174"};
constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<int, 12> kMonthDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Band edges in kHz: most contacts on HF, some on VHF/UHF.
struct Band {
    std::uint32_t lowKHz, highKHz, weight;
};
constexpr std::array<Band, 12> kBands{{
    {1810, 2000, 5},     {3500, 3800, 10},   {7000, 7200, 14},   {10100, 10150, 6},
    {14000, 14350, 18},  {18068, 18168, 6},  {21000, 21450, 12}, {24890, 24990, 5},
    {28000, 29700, 10},  {50000, 50500, 4},  {144000, 146000, 4}, {430000, 440000, 2},
}};
// A few frequencies outside the amateur bands or the usual forms.
constexpr std::array<std::string_view, 5> kOddFreqs{"     0.000", "     0.137", "     5.352", " 10368.100", " 99999.999"};

// Memo texts are stored unchanged: CP1252 bytes, some spanning several lines.
constexpr std::array<std::string_view, 6> kMemos{
    "Nice signal from the mountain top.",
    "QSL card received via bureau.\r\nThanks for the new country!",
    "Caf\xE9 net on Sunday, QSL fee 2 \x80.",  // Café ... €
    "Sch\xF6ne Gr\xFC\xDF" "e aus M\xFCnchen\r\nop: J\xFCrgen\r\n",  // Schöne Grüße aus München
    "Long QSO about antennas; he runs a Yagi at 18 m.",
    "Line one.\r\nLine two.\r\nLine three.",
};
// Lines of the longer memos, which span more than one block.
constexpr std::array<std::string_view, 6> kMemoLines{
    "Band opened to the Pacific at sunrise.",
    "Signals 579, QSB deep at times.",
    "He runs 100 W into a 3-element Yagi.",
    "Antenna: inverted V at 12 m.",
    "Wx: sunny, 22 \xB0" "C.",  // 22 °C
    "Promised to meet again on 40 m.",
};

struct Options {
    std::uint32_t records = 16;
    int level = 0;
    std::uint32_t deletedEvery = 0;
    std::uint32_t memoEvery = 0;
    std::uint64_t seed = 1;
    std::string out;
};

/// Prints the usage (after why, when given, on stderr) and ends the program.
[[noreturn]] void usage(const char* why) {
    std::FILE* out = why ? stderr : stdout;
    if (why) std::fprintf(stderr, "quillon-genlog: %s\n", why);
    std::fprintf(out,
                 "usage: quillon-genlog [--records N] [--level 0|1] [--deleted-every K] [--memo-every K]\n"
                 "                      [--seed S] OUT.DBF\n"
                 "Writes OUT.DBF and its memo file OUT.DBT.  The first record is the worked example\n"
                 "(19-Nov-2000 14:35 N0CALL 14.025 CW 599 579 EU005 X Ana QRP).  Record i (from 0) is\n"
                 "deleted when (i + 1) mod K is 0 (--deleted-every) and has a memo when i mod K equals\n"
                 "1 mod K (--memo-every); K = 0 means never.\n");
    std::exit(why ? 2 : 0);
}

template <typename T>
T parseNumber(const char* option, const char* text) {
    T value{};
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || ptr != end) {
        std::string why = std::string("bad number for ") + option + ": '" + text + "'";
        usage(why.c_str());
    }
    return value;
}

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        const std::string_view arg = option;
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage((std::string(arg) + " needs a value").c_str());
            return argv[++i];
        };
        if (arg == "--records") {
            o.records = parseNumber<std::uint32_t>(option, value());
        } else if (arg == "--level") {
            o.level = parseNumber<int>(option, value());
            if (o.level != 0 && o.level != 1) usage("--level must be 0 or 1");
        } else if (arg == "--deleted-every") {
            o.deletedEvery = parseNumber<std::uint32_t>(option, value());
        } else if (arg == "--memo-every") {
            o.memoEvery = parseNumber<std::uint32_t>(option, value());
        } else if (arg == "--seed") {
            o.seed = parseNumber<std::uint64_t>(option, value());
        } else if (arg == "-h" || arg == "--help") {
            usage(nullptr);
        } else if (!arg.empty() && arg[0] == '-') {
            usage(("unknown option " + std::string(arg)).c_str());
        } else if (o.out.empty()) {
            o.out = arg;
        } else {
            usage("only one output file");
        }
    }
    if (o.out.empty()) usage("no output file");
    return o;
}

/// OUT's path with its extension replaced by "dbt", letter by letter in the case of
/// OUT's extension (QUILLON.DBF gives QUILLON.DBT, log.dbf gives log.dbt).
std::string memoPathFor(const std::string& tablePath) {
    const std::size_t slash = tablePath.find_last_of('/');
    const std::size_t dot = tablePath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return tablePath + ".dbt";
    const std::string ext = tablePath.substr(dot + 1);
    std::string memoExt = "dbt";
    bool anyLower = false;
    for (char c : ext) anyLower = anyLower || (c >= 'a' && c <= 'z');
    for (std::size_t i = 0; i < memoExt.size(); ++i) {
        const bool upper = i < ext.size() ? (ext[i] >= 'A' && ext[i] <= 'Z') : !anyLower;
        if (upper) memoExt[i] = static_cast<char>(memoExt[i] - 'a' + 'A');
    }
    return tablePath.substr(0, dot + 1) + memoExt;
}

/// A file written through a large buffer; every failure ends the program with a message.
class OutFile {
public:
    explicit OutFile(const std::string& path) : m_path(path), m_file(std::fopen(path.c_str(), "wb")) {
        if (!m_file) fail("cannot create");
        m_buffer.reserve(kBufferSize);
    }
    ~OutFile() {
        if (m_file) std::fclose(m_file);
    }
    void write(const void* data, std::size_t count) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        if (m_buffer.size() + count > kBufferSize) flush();
        if (count >= kBufferSize) {
            put(bytes, count);
        } else {
            m_buffer.insert(m_buffer.end(), bytes, bytes + count);
        }
    }
    void flush() {
        if (!m_buffer.empty()) put(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    /// Rewrites bytes at offset (after flushing), then continues at the end.
    void patch(long offset, const void* data, std::size_t count) {
        flush();
        if (std::fseek(m_file, offset, SEEK_SET) != 0) fail("cannot seek in");
        put(data, count);
        if (std::fseek(m_file, 0, SEEK_END) != 0) fail("cannot seek in");
    }
    void close() {
        flush();
        std::FILE* f = m_file;
        m_file = nullptr;
        if (std::fclose(f) != 0) fail("cannot close");
    }

private:
    static constexpr std::size_t kBufferSize = 1 << 20;
    void put(const void* data, std::size_t count) {
        if (std::fwrite(data, 1, count, m_file) != count) fail("cannot write");
    }
    [[noreturn]] void fail(const char* what) {
        std::fprintf(stderr, "quillon-genlog: %s %s: %s\n", what, m_path.c_str(), std::strerror(errno));
        std::exit(1);
    }
    std::string m_path;
    std::FILE* m_file;
    std::vector<std::uint8_t> m_buffer;
};

void putLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void putLe32(std::uint8_t* p, std::uint32_t v) {
    putLe16(p, v);
    putLe16(p + 2, v >> 16);
}

/// Writes memos into the memo file and hands out their block numbers.
class MemoWriter {
public:
    MemoWriter(const std::string& path, int level) : m_file(path), m_level(level) {
        std::array<std::uint8_t, layout::kBlockSize> header{};
        m_file.write(header.data(), header.size());  // rewritten in finish()
    }
    std::uint32_t add(std::string_view text) {
        const std::uint32_t block = m_nextFree;
        std::size_t used = 0;
        if (m_level == 0) {
            m_file.write(text.data(), text.size());
            const std::uint8_t end[2] = {layout::kMemoTerminator, layout::kMemoTerminator};
            m_file.write(end, sizeof end);
            used = text.size() + sizeof end;
        } else {
            std::uint8_t prefix[layout::kMemoPrefixSize];
            std::memcpy(prefix, layout::kMemoMarker.data(), layout::kMemoMarker.size());
            putLe32(prefix + 4, static_cast<std::uint32_t>(text.size() + layout::kMemoPrefixSize));
            m_file.write(prefix, sizeof prefix);
            m_file.write(text.data(), text.size());
            used = text.size() + sizeof prefix;
        }
        const std::size_t blocks = (used + layout::kBlockSize - 1) / layout::kBlockSize;
        static const std::array<std::uint8_t, layout::kBlockSize> zeros{};
        m_file.write(zeros.data(), blocks * layout::kBlockSize - used);
        m_nextFree += static_cast<std::uint32_t>(blocks);
        return block;
    }
    void finish() {
        std::array<std::uint8_t, 24> header{};
        putLe32(header.data(), m_nextFree);
        if (m_level == 0) header[layout::kMemoVersionOffset] = layout::kMemoVersionLevel0;
        putLe16(header.data() + layout::kMemoBlockSizeOffset, layout::kBlockSize);
        m_file.patch(0, header.data(), header.size());
        m_file.close();
    }

private:
    OutFile m_file;
    int m_level;
    std::uint32_t m_nextFree = 1;
};

/// One record image being filled field by field.
class RecordImage {
public:
    RecordImage() : m_bytes(recordSize(), ' ') {
        std::size_t offset = 1;
        for (std::size_t i = 0; i < kFields.size(); ++i) {
            m_offsets[i] = offset;
            offset += kFields[i].length;
        }
    }
    void clear(bool deleted) {
        std::memset(m_bytes.data(), ' ', m_bytes.size());
        m_bytes[0] = deleted ? layout::kDeletedFlag : layout::kLiveFlag;
    }
    /// Left-aligned text (character fields); longer text is cut to the field.
    void text(FieldIndex f, std::string_view value) {
        std::memcpy(&m_bytes[m_offsets[f]], value.data(), std::min<std::size_t>(value.size(), kFields[f].length));
    }
    /// Right-aligned text (numeric and memo fields).
    void rightAligned(FieldIndex f, std::string_view value) {
        const std::size_t n = std::min<std::size_t>(value.size(), kFields[f].length);
        std::memcpy(&m_bytes[m_offsets[f] + kFields[f].length - n], value.data() + value.size() - n, n);
    }
    const std::uint8_t* data() const { return m_bytes.data(); }
    std::size_t size() const { return m_bytes.size(); }

private:
    std::vector<std::uint8_t> m_bytes;
    std::array<std::size_t, kFields.size()> m_offsets{};
};

std::string_view twoDigits(char* buf, unsigned v) {
    buf[0] = static_cast<char>('0' + v / 10 % 10);
    buf[1] = static_cast<char>('0' + v % 10);
    return {buf, 2};
}

/// Frequency in kHz as MHz text with three decimals ("14.025").
std::string_view freqText(char* buf, std::uint32_t kHz) {
    char* end = std::to_chars(buf, buf + 12, kHz / 1000).ptr;
    *end++ = '.';
    const std::uint32_t frac = kHz % 1000;
    *end++ = static_cast<char>('0' + frac / 100);
    *end++ = static_cast<char>('0' + frac / 10 % 10);
    *end++ = static_cast<char>('0' + frac % 10);
    return {buf, static_cast<std::size_t>(end - buf)};
}

/// The worked example of the export: always the first record.
void fillWorkedExample(RecordImage& r) {
    r.text(kDate, "19-Nov-2000");
    r.text(kTime, "14:35");
    r.text(kCall, "N0CALL");
    r.rightAligned(kFreq, "14.025");
    r.text(kMode, "CW");
    r.text(kSent, "599");
    r.text(kRcvd, "579");
    r.text(kIota, "EU005");
    r.text(kQsl, "X");
    r.text(kName, "Ana");
    r.text(kNote, "QRP");
}

void fillRandom(RecordImage& r, Rng& rng) {
    char buf[32];
    // Date: DD-Mon-YYYY between 1990 and 2023.
    const unsigned month = rng.below(12);
    const unsigned day = 1 + rng.below(static_cast<std::uint32_t>(kMonthDays[month]));
    const unsigned year = 1990 + rng.below(34);
    std::string date;
    date.reserve(11);
    date += twoDigits(buf, day);
    date += '-';
    date += kMonths[month];
    date += '-';
    date += twoDigits(buf, year / 100);
    date += twoDigits(buf, year % 100);
    r.text(kDate, date);
    // Time: HH:MM.
    std::string time;
    time += twoDigits(buf, rng.below(24));
    time += ':';
    time += twoDigits(buf, rng.below(60));
    r.text(kTime, time);
    // Call sign: prefix, digit, one to three letters; sometimes portable.
    std::string call;
    if (rng.percent(3)) call += "EA8/";
    call += rng.pick(kPrefixes);
    call += static_cast<char>('0' + rng.below(10));
    const unsigned letters = 1 + rng.below(3);
    for (unsigned i = 0; i < letters; ++i) call += static_cast<char>('A' + rng.below(26));
    if (rng.percent(5)) call += rng.percent(50) ? "/P" : "/M";
    r.text(kCall, call);
    // Frequency: weighted band, or now and then an odd value.
    if (rng.percent(2)) {
        r.text(kFreq, rng.pick(kOddFreqs));
    } else {
        std::uint32_t total = 0;
        for (const auto& b : kBands) total += b.weight;
        std::uint32_t w = rng.below(total);
        const Band* band = &kBands[0];
        for (const auto& b : kBands) {
            if (w < b.weight) {
                band = &b;
                break;
            }
            w -= b.weight;
        }
        r.rightAligned(kFreq, freqText(buf, band->lowKHz + rng.below(band->highKHz - band->lowKHz)));
    }
    // Mode and reports that suit it.
    const std::string_view mode = rng.pick(kModes);
    r.text(kMode, mode);
    const auto& reports = (mode == "CW" || mode == "RTTY")   ? kCwReports
                          : (mode == "FT8" || mode == "PSK31") ? kDigitalReports
                                                               : kPhoneReports;
    r.text(kSent, rng.pick(reports));
    r.text(kRcvd, rng.pick(reports));
    if (rng.percent(20)) r.text(kState, rng.pick(kStates));
    if (rng.percent(20)) r.text(kIota, rng.pick(kIotas));
    const unsigned q = rng.below(100);
    r.text(kQsl, q < 30 ? "" : q < 55 ? "B" : q < 65 ? "M" : q < 75 ? "D" : "X");
    if (rng.percent(10)) {
        std::string mgr(rng.pick(kPrefixes));
        mgr += static_cast<char>('0' + rng.below(10));
        for (int i = 0; i < 3; ++i) mgr += static_cast<char>('A' + rng.below(26));
        r.text(kQmgr, mgr);
    }
    r.text(kName, rng.pick(kNames));
    r.text(kNote, rng.pick(kNotes));
}

/// A memo text: usually one of the short texts, now and then one longer than a block.
std::string memoText(Rng& rng) {
    if (!rng.percent(20)) return std::string(rng.pick(kMemos));
    std::string text = "Log of a long QSO:\r\n";
    const unsigned lines = 12 + rng.below(30);
    for (unsigned i = 1; i <= lines; ++i) {
        text += "  ";
        text += std::to_string(i);
        text += ". ";
        text += rng.pick(kMemoLines);
        text += "\r\n";
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parseOptions(argc, argv);
    Rng rng(o.seed);

    std::vector<std::uint8_t> header(headerSize(), 0);
    header[0] = o.level == 0 ? layout::kVersionLevel0 : layout::kVersionLevel1;
    header[1] = layout::kYearSince1900;
    header[2] = layout::kMonth;
    header[3] = layout::kDay;
    putLe32(&header[4], o.records);
    putLe16(&header[8], static_cast<std::uint32_t>(headerSize()));
    putLe16(&header[10], static_cast<std::uint32_t>(recordSize()));
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        std::uint8_t* d = &header[layout::kMainHeaderSize + i * layout::kDescriptorSize];
        std::memcpy(d, kFields[i].name, std::strlen(kFields[i].name));
        static_assert(sizeof("remarks") - 1 <= layout::kNameSize);
        d[layout::kTypeOffset] = static_cast<std::uint8_t>(kFields[i].type);
        d[layout::kLengthOffset] = kFields[i].length;
        d[layout::kDecimalsOffset] = kFields[i].decimals;
    }
    header.back() = layout::kHeaderTerminator;

    OutFile table(o.out);
    MemoWriter memos(memoPathFor(o.out), o.level);
    table.write(header.data(), header.size());

    RecordImage record;
    char buf[16];
    for (std::uint32_t i = 0; i < o.records; ++i) {
        const bool deleted = o.deletedEvery != 0 && (i + 1) % o.deletedEvery == 0;
        record.clear(deleted);
        if (i == 0) {
            fillWorkedExample(record);
        } else {
            fillRandom(record, rng);
        }
        if (o.memoEvery != 0 && i % o.memoEvery == 1 % o.memoEvery) {
            const std::uint32_t block = memos.add(memoText(rng));
            const char* end = std::to_chars(buf, buf + sizeof buf, block).ptr;
            record.rightAligned(kRemarks, std::string_view(buf, static_cast<std::size_t>(end - buf)));
        }
        table.write(record.data(), record.size());
    }
    const std::uint8_t eof = layout::kEndOfFile;
    table.write(&eof, 1);
    table.close();
    memos.finish();
    return 0;
}
