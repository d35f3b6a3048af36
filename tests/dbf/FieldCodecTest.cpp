// SPDX-License-Identifier: MIT
// Field values: decoding stored text of every kind, encoding values back, the number texts.
#include "CodePages.h"
#include "DbfErrors.h"
#include "TDbfFile.h"
#include "TableImage.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string_view>

using namespace testimage;

namespace {

/// Day number of a calendar date (1 January 0001 is day 1), from the standard library's calendar.
std::int32_t Day(int y, unsigned m, unsigned d)
{
    using namespace std::chrono;
    return static_cast<std::int32_t>(sys_days{year{y} / month{m} / day{d}}.time_since_epoch().count() + 719163);
}

/// One table holding a field of every shape the cases use; records are built in memory.
class Codec : public ::testing::Test {
protected:
    void SetUp() override
    {
        Table t;
        t.fields = {{"STR", 'C', 10}, {"SMALL", 'N', 4}, {"INT", 'N', 5},  {"BIG", 'N', 20},
                    {"BOOL", 'L', 1}, {"FLT", 'N', 8, 2}, {"F0", 'F', 5},  {"F10", 'F', 10},
                    {"DATE", 'D', 8}, {"MEMO", 'M', 10}};
        m_file = std::make_unique<TDbfFile>(nullptr, m_dir.Write("codec.dbf", t.Build()), fmReadOnlyShared);
        m_file->ReadFieldDefs(m_defs);
        m_record.assign(static_cast<std::size_t>(m_file->RecordSize), '#');
    }

    int Index(const char* name) const { return m_defs.IndexOf(name); }

    /// Puts stored into the field's bytes; text shorter than the field is right-aligned.
    std::uint8_t* Store(const char* name, const std::string& stored)
    {
        const TMyFieldInfo& info = m_file->FieldInfos()[static_cast<std::size_t>(Index(name))];
        std::string text = stored;
        if (text.size() < static_cast<std::size_t>(info.FieldSize))
            text.insert(0, static_cast<std::size_t>(info.FieldSize) - text.size(), ' ');
        std::memcpy(m_record.data() + info.FieldOffset, text.data(), static_cast<std::size_t>(info.FieldSize));
        return m_record.data();
    }

    std::string Stored(const char* name) const
    {
        const TMyFieldInfo& info = m_file->FieldInfos()[static_cast<std::size_t>(Index(name))];
        return std::string(reinterpret_cast<const char*>(m_record.data()) + info.FieldOffset,
                           static_cast<std::size_t>(info.FieldSize));
    }

    std::int64_t DecodeInteger(const char* name, TFieldType kind, const std::string& stored)
    {
        const std::uint8_t* record = Store(name, stored);
        std::int64_t value = 0x5A5A5A5A5A5A5A5A;
        EXPECT_TRUE(m_file->DecodeField(Index(name), kind, record, &value));
        if (kind == TFieldType::ftSmallint)
            return static_cast<std::int16_t>(value & 0xFFFF);
        if (kind == TFieldType::ftInteger || kind == TFieldType::ftDate)
            return static_cast<std::int32_t>(value & 0xFFFFFFFF);
        if (kind == TFieldType::ftBoolean)
            return static_cast<std::uint16_t>(value & 0xFFFF);
        return value;
    }

    TempDir m_dir;
    TFieldDefs m_defs;
    std::unique_ptr<TDbfFile> m_file;
    std::vector<std::uint8_t> m_record;
};

}  // namespace

TEST_F(Codec, IntegerText)
{
    using K = TFieldType;
    const struct {
        const char* field;
        K kind;
        std::string stored;
        std::int64_t value;
    } cases[] = {
        {"INT", K::ftInteger, "42", 42},
        {"INT", K::ftInteger, "42   ", 0},  // left-aligned: trailing blanks make it bad
        {"INT", K::ftInteger, "     ", 0},
        {"INT", K::ftInteger, "-17", -17},
        {"INT", K::ftInteger, "+17", 17},
        {"INT", K::ftInteger, "4 2", 0},
        {"INT", K::ftInteger, "4.5", 0},
        {"INT", K::ftInteger, "-", 0},
        {"INT", K::ftInteger, "$1F", 31},
        {"INT", K::ftInteger, "0x1f", 31},
        {"INT", K::ftInteger, "X1F", 31},
        {"INT", K::ftInteger, "-0x1F", 0},
        {"INT", K::ftInteger, std::string("42\0xx", 5), 42},  // a NUL ends the text
        {"SMALL", K::ftSmallint, "9999", 9999},
        {"BIG", K::ftSmallint, "65537", 1},  // the low 16 bits
        {"BIG", K::ftSmallint, "40000", -25536},
        {"BIG", K::ftInteger, "-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"BIG", K::ftInteger, "2147483648", 0},
        {"BIG", K::ftLargeint, "4294967297", 4294967297},
        {"BIG", K::ftLargeint, "9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"BIG", K::ftLargeint, "-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
        {"BIG", K::ftLargeint, "9223372036854775808", 0},
        {"BIG", K::ftLargeint, "$FFFFFFFF", -1},  // hexadecimal stays 32 bits for every kind
        {"BIG", K::ftLargeint, "$100000000", 0},
        {"MEMO", K::ftInteger, "        12", 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " '" + c.stored + "'");
        EXPECT_EQ(DecodeInteger(c.field, c.kind, c.stored), c.value);
    }
}

TEST_F(Codec, DateText)
{
    const struct {
        std::string stored;
        std::int32_t day;
    } cases[] = {
        {"        ", Day(1900, 1, 1)},
        {"00000000", Day(1900, 1, 1)},
        {"20030512", Day(2003, 5, 12)},
        {"2003 5 1", Day(2003, 5, 1)},  // blank-padded text from older writers
        {"20030500", Day(2003, 5, 1)},
        {"2003    ", Day(2003, 1, 1)},
        {std::string("2003\0\0\0\0", 8), Day(2003, 1, 1)},
        {"18501231", Day(1850, 12, 31)},  // kept as stored, not moved to 1900
        {"21500101", Day(2150, 1, 1)},
        {"00010101", 1},
        {"99991231", Day(9999, 12, 31)},
        {"20000229", Day(2000, 2, 29)},
        {"19000229", 0},  // impossible dates are day 0
        {"20030231", 0},
        {"20031301", 0},
        {"-0011231", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(DecodeInteger("DATE", TFieldType::ftDate, c.stored), c.day);
    }
}

TEST_F(Codec, LogicalAndCharacterText)
{
    for (const char* stored : {"T", "t", "Y", "y"})
        EXPECT_EQ(DecodeInteger("BOOL", TFieldType::ftBoolean, stored), 1) << stored;
    for (const char* stored : {"F", "N", " ", "?"})
        EXPECT_EQ(DecodeInteger("BOOL", TFieldType::ftBoolean, stored), 0) << stored;

    const struct {
        std::string stored;
        std::string text;
    } cases[] = {
        {"  ABC     ", "ABC"},
        {"          ", ""},
        {"A B       ", "A B"},
        {std::string("\0\0AB\0CD\t  ", 10), "AB"},  // control bytes trimmed, then cut at the NUL
        {"\x81" "ber \x8E\x9A  ", "\xFC" "ber \xC4\xDC"},  // CP437 umlauts arrive as CP1252
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char value[11];
        std::memset(value, '#', sizeof value);
        m_file->DecodeField(Index("STR"), TFieldType::ftString, Store("STR", c.stored), value);
        EXPECT_EQ(std::string(value), c.text);
    }
}

// Character fields are trimmed and copied a word at a time: compare with the plain rule,
// byte by byte, on fields of many widths and places in the record (one starts in the
// first eight bytes, one is wider than sixteen) among random neighbour bytes.
TEST(CharacterText, AgreesWithTheByteByByteRule)
{
    Table t;
    t.fields = {{"A", 'C', 3}, {"B", 'C', 1}, {"C", 'C', 13}, {"D", 'C', 30}, {"E", 'C', 6}, {"F", 'C', 17}};
    TempDir dir;
    TFieldDefs defs;
    TDbfFile file(nullptr, dir.Write("text.dbf", t.Build()), fmReadOnlyShared);
    file.ReadFieldDefs(defs);

    const auto reference = [](std::string_view stored) {
        std::size_t first = 0;
        std::size_t last = stored.size();
        while (first < last && static_cast<std::uint8_t>(stored[first]) <= ' ')
            ++first;
        while (last > first && static_cast<std::uint8_t>(stored[last - 1]) <= ' ')
            --last;
        std::string text(stored.substr(first, last - first));
        text.resize(std::strlen(text.c_str()));
        OemToAnsi(text.data(), text.size());
        return text;
    };
    // Mostly blanks and letters, with the bytes the rule treats specially.
    constexpr std::array<std::uint8_t, 12> kBytes{' ', ' ', ' ', 'A', 'b', '7', '\0', '\t', 0x21, 0x81, 0xE1, 0xFF};
    std::mt19937_64 random(7);
    std::vector<std::uint8_t> record(static_cast<std::size_t>(file.RecordSize));
    for (int round = 0; round < 20000; ++round) {
        for (std::uint8_t& byte : record)
            byte = kBytes[random() % kBytes.size()];
        // Padded texts as a log holds them, in half of the rounds.
        if (round % 2 == 0) {
            for (const TMyFieldInfo& info : file.FieldInfos()) {
                const auto size = static_cast<std::size_t>(info.FieldSize);
                const std::size_t kept = random() % (size + 1);
                std::fill_n(record.begin() + info.FieldOffset + static_cast<std::ptrdiff_t>(kept), size - kept, ' ');
            }
        }
        for (int index = 0; index < static_cast<int>(file.FieldInfos().size()); ++index) {
            const TMyFieldInfo& info = file.FieldInfos()[static_cast<std::size_t>(index)];
            const std::string stored(reinterpret_cast<const char*>(record.data()) + info.FieldOffset,
                                     static_cast<std::size_t>(info.FieldSize));
            const std::string expected = reference(stored);
            SCOPED_TRACE(info.FieldName + " \"" + stored + "\"");

            std::array<char, 40> value;
            value.fill('#');
            EXPECT_EQ(file.DecodeCharacterField(index, record.data(), value.data()), expected.size());
            EXPECT_EQ(std::string(value.data()), expected);
            EXPECT_EQ(value[expected.size() + 1], '#');  // nothing written past the NUL

            value.fill('#');
            EXPECT_TRUE(file.DecodeField(index, TFieldType::ftString, record.data(), value.data()));
            EXPECT_EQ(std::string(value.data()), expected);
            EXPECT_EQ(value[expected.size() + 1], '#');
        }
    }
}

TEST(FieldText, ToFloat)
{
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {"    3.14", 3.14},   {"        ", 0},      {"1.5E3", 1500},  {"1,5", 0},
        {"-2.5e-1", -0.25},   {" +7.", 7},          {".5", 0.5},      {".", 0},
        {"  12.5  ", 12.5},   {"1e", 0},            {"1.5 x", 0},     {"--1", 0},
        {"1e400", 0},         {std::string("12.5\0zz", 7), 12.5},     {"0x10", 0},
        {"inf", 0},           {"0.1", 0.1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(static_cast<double>(FieldTextToFloat(c.text)), c.value);
    }
}

// Fixed-point texts take a short path; it must give the very double the full conversion
// gives.  Texts of every width around the limits of that path (2^53, 19 digits, 22
// decimals), with signs, blanks and leading zeros.
TEST(FieldText, ToFloatAgreesWithTheFullConversion)
{
    std::mt19937_64 random(20240611);
    const auto below = [&random](std::uint64_t n) {
        return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(random);
    };
    for (int round = 0; round < 200000; ++round) {
        std::string digits;
        const std::size_t count = 1 + below(24);
        if (round % 7 == 0) {
            digits = std::to_string((std::uint64_t{1} << 53) - 2 + below(5));  // around 2^53
        } else {
            for (std::size_t k = 0; k < count; ++k)
                digits += static_cast<char>('0' + below(10));
        }
        const std::size_t decimals = below(digits.size() + 2);  // a point anywhere, or none
        std::string number = digits;
        if (decimals <= digits.size() && below(4) != 0)
            number.insert(digits.size() - decimals, ".");
        const char sign = "+- "[below(3)];
        const std::string text = std::string(below(4), ' ') + (sign == ' ' ? "" : std::string(1, sign)) + number +
                                 std::string(below(3), ' ');

        double expected = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), expected);
        ASSERT_EQ(error, std::errc{}) << number;
        ASSERT_EQ(end, number.data() + number.size()) << number;
        if (sign == '-')
            expected = -expected;
        const auto actual = static_cast<double>(FieldTextToFloat(text));
        ASSERT_EQ(actual, expected) << '"' << text << '"';
        ASSERT_EQ(std::signbit(actual), std::signbit(expected)) << '"' << text << '"';
    }
}

TEST(FieldText, FromFloat)
{
    const struct {
        double value;
        int precision, digits;
        const char* text;
    } cases[] = {
        {0.125, 10, 2, "0.13"},  // halves round away from zero on the decimal digits
        {2.675, 10, 2, "2.67"},  // stored in binary as 2.67499999...
        {9.995, 10, 2, "9.99"},
        {3.14159, 8, 2, "3.14"},
        {-0.5, 5, 0, "-1"},
        {0.5, 5, 0, "1"},
        {-0.001, 8, 2, "0.00"},  // rounds to zero and loses its sign
        {0, 8, 3, "0.000"},
        {-12.5, 8, 0, "-13"},
        {1.5, 8, 4, "1.5000"},
        {123.456, 4, 2, "123.50"},  // at most 4 significant digits
        {1e11, 10, 0, "1E11"},
        {123456789012, 10, 0, "1.23456789E11"},
        {99.99, 2, 2, "1E2"},
        {1234.5, 1, 0, "1.2E3"},  // precision is raised to 2
        {0.000123456, 20, 40, "0.000123456000000000"},  // digits are lowered to 18
        {-1e300, 10, 2, "-1E300"},
        {std::numeric_limits<double>::quiet_NaN(), 10, 2, "NAN"},
        {-std::numeric_limits<double>::infinity(), 10, 2, "-INF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FloatToFieldText(c.value, c.precision, c.digits), c.text);
    }
}

TEST(FieldText, IndependentOfTheProcessLocale)
{
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    const std::string active = std::setlocale(LC_ALL, nullptr);
    EXPECT_EQ(static_cast<double>(FieldTextToFloat("1.5")), 1.5);
    EXPECT_EQ(static_cast<double>(FieldTextToFloat("1,5")), 0);
    EXPECT_EQ(FloatToFieldText(1234.5, 10, 2), "1234.50");
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), active);
    std::setlocale(LC_ALL, saved.c_str());
}

TEST_F(Codec, EncodeStoresFieldText)
{
    using K = TFieldType;
    const struct {
        const char* field;
        K kind;
        std::int64_t integer;
        double number;
        const char* stored;
    } cases[] = {
        {"INT", K::ftInteger, 42, 0, "   42"},
        {"INT", K::ftInteger, -1234, 0, "-1234"},
        {"SMALL", K::ftSmallint, -999, 0, "-999"},
        {"BIG", K::ftSmallint, -32768, 0, "              -32768"},
        {"BIG", K::ftLargeint, 4294967297, 0, "          4294967297"},
        {"BIG", K::ftLargeint, std::numeric_limits<std::int64_t>::min(), 0, "-9223372036854775808"},
        {"FLT", K::ftFloat, 0, 3.14159, "    3.14"},
        {"F0", K::ftFloat, 0, -0.5, "   -1"},
        {"FLT", K::ftFloat, 0, -0.001, "    0.00"},
        {"F10", K::ftFloat, 0, 1e11, "      1E11"},
        {"BOOL", K::ftBoolean, 1, 0, "T"},
        {"BOOL", K::ftBoolean, 0, 0, "F"},
        {"BOOL", K::ftBoolean, 2, 0, "F"},
        {"DATE", K::ftDate, Day(2003, 5, 12), 0, "20030512"},
        {"DATE", K::ftDate, Day(2004, 3, 1), 0, "20040301"},
        {"DATE", K::ftDate, 1, 0, "00010101"},
        {"DATE", K::ftDate, 0, 0, "        "},
        {"DATE", K::ftDate, -5, 0, "        "},
        {"MEMO", K::ftMemo, 0, 0, "          "},
        {"MEMO", K::ftInteger, 7, 0, "         7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " -> '" + c.stored + "'");
        std::uint8_t value[8];
        if (c.kind == K::ftFloat)
            std::memcpy(value, &c.number, 8);
        else if (c.kind == K::ftSmallint || c.kind == K::ftBoolean)
            std::memcpy(value, &c.integer, 2);  // little-endian: the low bytes
        else if (c.kind == K::ftLargeint)
            std::memcpy(value, &c.integer, 8);
        else
            std::memcpy(value, &c.integer, 4);
        m_file->EncodeField(Index(c.field), c.kind, value, m_record.data());
        EXPECT_EQ(Stored(c.field), c.stored);
        EXPECT_EQ(m_record[0], '#');  // neighbours untouched

        // Decoding gives the value back.
        if (c.kind == K::ftDate && c.integer > 0) {
            EXPECT_EQ(DecodeInteger(c.field, c.kind, c.stored), c.integer);
        }
    }
}

TEST_F(Codec, EncodeCharacterTextConvertsToOem)
{
    char value[11] = "\xFC" "ber";
    m_file->EncodeField(Index("STR"), TFieldType::ftString, value, m_record.data());
    EXPECT_EQ(Stored("STR"), "\x81" "ber      ");
    EXPECT_STREQ(value, "\x81" "ber");  // the caller's buffer holds the OEM text afterwards
}

TEST_F(Codec, EncodeRefusesTextThatDoesNotFit)
{
    using K = TFieldType;
    const struct {
        const char* field;
        K kind;
        std::int64_t integer;
        double number;
        const char* message;
    } cases[] = {
        {"INT", K::ftInteger, 123456, 0, "Field too long :6 (must be between 1 and 5)."},
        {"F10", K::ftFloat, 0, 123456789012, "Field too long :13 (must be between 1 and 10)."},
        {"DATE", K::ftDate, Day(9999, 12, 31) + 1, 0, "Field too long :9 (must be between 1 and 8)."},
        {"STR", K::ftString, 0, 0, "Field too long :11 (must be between 1 and 10)."},
    };
    const std::vector<std::uint8_t> before = m_record;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        std::uint8_t value[16] = "ABCDEFGHIJK";
        if (c.kind == K::ftFloat)
            std::memcpy(value, &c.number, 8);
        else if (c.kind != K::ftString)
            std::memcpy(value, &c.integer, 4);
        try {
            m_file->EncodeField(Index(c.field), c.kind, value, m_record.data());
            FAIL() << "stored text that does not fit";
        } catch (const EFieldToLongError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
        EXPECT_EQ(m_record, before);
    }
}

TEST_F(Codec, FieldIndexOutOfRangeIsRefused)
{
    std::int32_t value = 0;
    EXPECT_THROW(m_file->DecodeField(10, TFieldType::ftInteger, m_record.data(), &value), EBinaryDataSetError);
    EXPECT_THROW(m_file->EncodeField(-1, TFieldType::ftInteger, &value, m_record.data()), EBinaryDataSetError);
}
