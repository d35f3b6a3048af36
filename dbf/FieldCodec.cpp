// SPDX-License-Identifier: MIT
// Field values: stored field text to native values and back, and the fixed-point number texts.
//
// A field is FieldSize bytes of text at FieldOffset in the record image:
//   KIND       STORED TEXT
//   String     OEM (CP437) text, left-aligned, blank-padded; delivered as ANSI (CP1252)
//   Smallint,  decimal, right-aligned with blanks ("   42"); "$1F", "0x1F" also read
//   Integer,
//   Largeint
//   Float      fixed point with FieldDecimals digits after ".", right-aligned;
//              scientific ("1E11") when the integer part is wider than the field
//   Boolean    "T" or "F" in the first byte; T, t, Y, y read as true
//   Date       YYYYMMDD, zero-padded; eight blanks for no date
//   Memo       the first block number in the memo file, as an integer
// Number text always uses "." and no grouping, whatever the process locale.
#include "TDbfFile.h"

#include "CodePages.h"
#include "DbfErrors.h"
#include "DbfLayout.h"
#include "ShortCopy.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

constexpr char kBlank = ' ';
// 1 January 0001 is day 1, so 1 January 1970 (day 0 of the civil-day arithmetic) is day 719163.
constexpr std::int64_t kDayNumberOf1970 = 719163;
constexpr int kDefaultYear = 1900;
constexpr int kMaxYear = 9999;
// Room for any number text the codec builds: sign, 18 integer digits, ".", 18 decimals.
constexpr std::size_t kNumberTextSize = 64;

// The exact path of FieldTextToFloat: an integer of at most 2^53 and a power of ten up to
// 10^22 are both exact doubles.
constexpr std::size_t kMaxMantissaDigits = 19;
constexpr std::uint64_t kMaxExactMantissa = std::uint64_t{1} << 53;
constexpr std::array<double, 23> kExactPowersOfTen{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Fields are short (a dozen bytes, at most 255): a plain loop beats a library call here.
std::string_view UpToNul(std::string_view text)
{
    std::size_t length = 0;
    while (length < text.size() && text[length] != '\0')
        ++length;
    return text.substr(0, length);
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

/// The integer text rule: leading blanks, then a signed decimal number or an unsigned
/// hexadecimal one ($, x, X, 0x, 0X), then the end of the text (or a NUL).  Anything else,
/// trailing blanks included, is bad text.  Decimal text must fit T; hexadecimal text is
/// at most 32 bits and read as a signed 32-bit value, also for 64-bit fields, so that a
/// text inside the 32-bit range means the same for every integer kind.
template <typename T>
bool ParseIntegerText(std::string_view text, T& out)
{
    static_assert(std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::int64_t>);
    text = UpToNul(text);
    std::size_t i = 0;
    while (i < text.size() && text[i] == kBlank)
        ++i;
    text.remove_prefix(i);
    if (text.empty())
        return false;

    std::size_t hexStart = 0;
    if (text[0] == '$' || text[0] == 'x' || text[0] == 'X')
        hexStart = 1;
    else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        hexStart = 2;
    if (hexStart > 0) {
        const std::string_view digits = text.substr(hexStart);
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsHexDigit))
            return false;
        std::uint32_t value = 0;
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (result.ec != std::errc{} || result.ptr != digits.data() + digits.size())
            return false;
        out = static_cast<T>(static_cast<std::int32_t>(value));
        return true;
    }

    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    std::uint64_t magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude, 10);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size())
        return false;
    using U = std::make_unsigned_t<T>;
    const auto limit = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
    if (magnitude > limit + (negative ? 1 : 0))
        return false;
    out = negative ? static_cast<T>(U{0} - static_cast<U>(magnitude)) : static_cast<T>(magnitude);
    return true;
}

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& year, unsigned& month, unsigned& day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

bool IsLeapYear(std::int32_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(std::int32_t year, std::int32_t month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

/// YYYYMMDD to a day number.  Each part is read by the integer rule on its own
/// characters (so "2003 5 1" is 1 May 2003); a missing or bad day or month is 1,
/// a missing year is 1900; any year from 1 to 9999 is kept as stored (old logs hold
/// contacts from before 1900).  An impossible date is day number 0.
std::int32_t DecodeDateText(std::string_view text)
{
    const auto part = [text](std::size_t from, std::size_t length, std::int32_t fallback) {
        if (from >= text.size())
            return fallback;
        std::int32_t value = 0;
        return ParseIntegerText(text.substr(from, length), value) ? value : fallback;
    };
    std::int32_t year = part(0, 4, 0);
    std::int32_t month = part(4, 2, 1);
    std::int32_t day = part(6, 2, 1);
    if (day == 0)
        day = 1;
    if (month == 0)
        month = 1;
    if (year == 0)
        year = kDefaultYear;
    if (year < 1 || year > kMaxYear || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return 0;
    return static_cast<std::int32_t>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                                     kDayNumberOf1970);
}

/// Writes the zero-padded YYYYMMDD text of a day number; no text for day 0 or below.
std::size_t EncodeDateText(std::int32_t dayNumber, char* out)
{
    if (dayNumber <= 0)
        return 0;
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(dayNumber - kDayNumberOf1970, year, month, day);
    char* p = out;
    char digits[24];
    const auto yearEnd = std::to_chars(digits, digits + sizeof digits, year).ptr;
    for (auto width = yearEnd - digits; width < 4; ++width)
        *p++ = '0';
    p = std::copy(digits, yearEnd, p);
    *p++ = static_cast<char>('0' + month / 10);
    *p++ = static_cast<char>('0' + month % 10);
    *p++ = static_cast<char>('0' + day / 10);
    *p++ = static_cast<char>('0' + day % 10);
    return static_cast<std::size_t>(p - out);
}

// Character fields are read a machine word (eight bytes) at a time: the export decodes
// twelve of them per record, a million records per log, and most of their bytes are
// blank padding.  The word tricks assume little-endian byte order; elsewhere the plain
// byte loops below do the same work.
constexpr std::uint64_t kLowBits = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;
constexpr std::uint64_t kSevenBits = 0x7F7F7F7F7F7F7F7Fu;
constexpr bool kWordTricks = std::endian::native == std::endian::little;

std::uint64_t LoadWord(const std::uint8_t* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

/// The high bit of every byte of word above a blank (0x20): the bytes trimming keeps.
std::uint64_t NonBlankBytes(std::uint64_t word)
{
    // (b & 0x7F) + 0x5F reaches 0x80 exactly when b & 0x7F > 0x20; no carry leaves a byte.
    return (((word & kSevenBits) + 0x5F5F5F5F5F5F5F5Fu) | word) & kHighBits;
}

/// The high bit of every zero byte of word (exact per byte, unlike the borrow trick).
std::uint64_t ZeroBytes(std::uint64_t word)
{
    return ~(((word & kSevenBits) + kSevenBits) | word) & kHighBits;
}

/// The end of the text in record bytes [from, to) without its trailing bytes up to a blank.
[[gnu::always_inline]] inline std::size_t TrimmedEnd(const std::uint8_t* record, std::size_t from, std::size_t to)
{
    std::size_t end = to;
    if constexpr (kWordTricks) {
        // Each step looks at the word that ends at end; it may start before the field (in
        // the record), and those bytes are masked out.
        while (end > from && end >= 8) {
            const std::size_t start = end - 8;
            std::uint64_t kept = NonBlankBytes(LoadWord(record + start));
            if (from > start)
                kept &= ~std::uint64_t{0} << (8 * (from - start));
            if (kept != 0)
                return start + static_cast<std::size_t>(63 - std::countl_zero(kept)) / 8 + 1;
            end = std::max(start, from);
        }
    }
    while (end > from && record[end - 1] <= static_cast<std::uint8_t>(kBlank))
        --end;
    return end;
}

/// The character field in record bytes [from, to) into out as ANSI text with a NUL:
/// bytes up to a blank trimmed at both ends, then cut at the first NUL.  out receives
/// the text and its NUL, nothing more.  Returns the length of the text.
[[gnu::always_inline]] inline std::size_t DecodeCharacterText(const std::uint8_t* record, std::size_t from,
                                                              std::size_t to, char* out)
{
    const std::size_t end = TrimmedEnd(record, from, to);
    std::size_t start = from;
    while (start < end && record[start] <= static_cast<std::uint8_t>(kBlank))
        ++start;
    const std::uint8_t* text = record + start;
    const std::size_t count = end - start;

    if constexpr (kWordTricks) {
        // Look for a NUL and for bytes above 0x7F (the only ones the code page changes).
        std::uint64_t zeros = 0;
        std::uint64_t highs = 0;
        std::size_t at = 0;
        for (; at + 8 <= count; at += 8) {
            const std::uint64_t word = LoadWord(text + at);
            zeros |= ZeroBytes(word);
            highs |= word;
        }
        bool scanned = at == count;
        if (!scanned && end >= 8) {
            // The rest through the word that ends with the text; bytes before it are masked out.
            const std::uint64_t word = LoadWord(record + end - 8);
            const std::uint64_t mask = count >= 8 ? ~std::uint64_t{0} : ~std::uint64_t{0} << (8 * (8 - count));
            zeros |= ZeroBytes(word) & mask;
            highs |= word & mask;
            scanned = true;
        }
        if (scanned && zeros == 0) {
            CopyShort(out, text, count);
            out[count] = '\0';
            if ((highs & kHighBits) != 0)
                OemToAnsi(out, count);
            return count;
        }
    }
    std::size_t length = 0;
    while (length < count && text[length] != 0)
        ++length;
    CopyShort(out, text, length);
    out[length] = '\0';
    OemToAnsi(out, length);
    return length;
}

[[noreturn]] void RaiseFieldIndexOutOfRange(int index, const std::string& fileName, std::size_t fieldCount)
{
    throw EBinaryDataSetError("Field index " + std::to_string(index) + " out of range: \"" + fileName + "\" has " +
                              std::to_string(fieldCount) + " fields");
}

/// The bytes of field index inside a record of recordSize bytes: [first, last).  A field
/// that reaches past the record (the header's record size is smaller than the descriptors
/// say) reads as the part of it inside the record.
inline void FieldBytes(const std::vector<TMyFieldInfo>& infos, std::int32_t recordSize, const std::string& fileName,
                       int index, std::size_t& first, std::size_t& last)
{
    if (static_cast<std::size_t>(index) >= infos.size())  // a negative index too
        RaiseFieldIndexOutOfRange(index, fileName, infos.size());
    const TMyFieldInfo& info = infos[static_cast<std::size_t>(index)];
    const std::int32_t inside = std::clamp(recordSize - info.FieldOffset, 0, info.FieldSize);
    first = inside > 0 ? static_cast<std::size_t>(info.FieldOffset) : 0;
    last = first + static_cast<std::size_t>(inside);
}

/// FloatToFieldText into out (at least kNumberTextSize bytes); returns the length.
std::size_t FormatFieldFloat(double value, int precision, int decimals, char* out)
{
    char* p = out;
    if (std::isnan(value) || std::isinf(value)) {
        const char* text = std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
        const std::size_t length = std::strlen(text);
        std::memcpy(out, text, length);
        return length;
    }
    const int maxDigits = 18;
    const int P = std::clamp(precision, 2, maxDigits);
    const int D = std::clamp(decimals, 0, maxDigits);
    const bool negative = std::signbit(value);

    // The magnitude to 18 significant digits: "d.ddddddddddddddddde[+-]x".
    char sci[40];
    const auto sciEnd = std::to_chars(sci, sci + sizeof sci, std::fabs(value), std::chars_format::scientific, 17).ptr;
    char digit[maxDigits + 1];
    int count = 0;
    const char* s = sci;
    for (; s < sciEnd && *s != 'e'; ++s)
        if (*s != '.' && count <= maxDigits)
            digit[count++] = *s;
    int exponent = 0;
    if (s < sciEnd) {
        ++s;  // 'e'
        const bool negativeExponent = *s == '-';
        if (*s == '-' || *s == '+')
            ++s;
        std::from_chars(s, sciEnd, exponent);
        if (negativeExponent)
            exponent = -exponent;
    }
    int pointPos = exponent + 1;  // digits before the decimal point

    // Round half away from zero on the decimal digits, to at most P significant
    // digits and at most D digits after the point.
    const int keep = std::min(P, pointPos + D);
    if (keep < 0) {
        count = 0;  // even the first dropped digit is a leading zero
    } else if (keep < count) {
        const bool up = digit[keep] >= '5';
        count = keep;
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digit[i] == '9') {
                digit[i] = '0';
                --i;
            }
            if (i >= 0) {
                ++digit[i];
            } else {
                digit[0] = '1';
                count = 1;
                ++pointPos;
            }
        }
    }
    while (count > 0 && digit[count - 1] == '0')
        --count;
    if (count == 0)
        pointPos = 1;  // a value that rounds to zero loses its sign
    else if (negative)
        *p++ = '-';

    if (count == 0 || pointPos <= P) {
        if (pointPos <= 0 || count == 0) {
            *p++ = '0';
        } else {
            for (int k = 0; k < pointPos; ++k)
                *p++ = k < count ? digit[k] : '0';
        }
        if (D > 0) {
            *p++ = '.';
            for (int k = 0; k < D; ++k) {
                const int index = pointPos + k;
                *p++ = index >= 0 && index < count ? digit[index] : '0';
            }
        }
    } else {
        *p++ = digit[0];
        if (count > 1) {
            *p++ = '.';
            for (int k = 1; k < count; ++k)
                *p++ = digit[k];
        }
        *p++ = 'E';
        p = std::to_chars(p, out + kNumberTextSize, pointPos - 1).ptr;
    }
    return static_cast<std::size_t>(p - out);
}

/// Decimal text of the native integer of type Int at value, into number; returns its length.
template <typename Int, std::size_t N>
std::size_t IntegerText(const void* value, char (&number)[N])
{
    Int v = 0;
    std::memcpy(&v, value, sizeof v);
    return static_cast<std::size_t>(std::to_chars(number, number + N, v).ptr - number);
}

}  // namespace

std::int32_t FieldTextToInteger(std::string_view text, std::int32_t defaultValue)
{
    std::int32_t value = 0;
    return ParseIntegerText(text, value) ? value : defaultValue;
}

long double FieldTextToFloat(std::string_view text)
{
    // The text ends at its first NUL: no rule below accepts a NUL, so every scan stops
    // there as it would at the end of the text, and the final check accepts either.
    std::size_t i = 0;
    const std::size_t n = text.size();
    const auto isDigit = [&text](std::size_t k) { return text[k] >= '0' && text[k] <= '9'; };
    while (i < n && text[i] == kBlank)
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t numberStart = i;
    // The digits as one integer while they fit (19 digits always do), for the exact path below.
    std::uint64_t mantissa = 0;
    std::size_t digits = 0;
    std::size_t decimals = 0;
    while (i < n && isDigit(i)) {
        if (digits < kMaxMantissaDigits)
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[i] - '0');
        ++i;
        ++digits;
    }
    bool point = false;
    if (i < n && text[i] == '.') {
        point = true;
        ++i;
        while (i < n && isDigit(i)) {
            if (digits < kMaxMantissaDigits)
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[i] - '0');
            ++i;
            ++digits;
            ++decimals;
        }
    }
    if (digits == 0 && !point)
        return 0;
    bool exponent = false;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        exponent = true;
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (i >= n || !isDigit(i))
            return 0;
        while (i < n && isDigit(i))
            ++i;
    }
    const std::size_t numberEnd = i;
    while (i < n && text[i] == kBlank)
        ++i;
    if (i != n && text[i] != '\0')
        return 0;
    if (digits == 0)
        return 0;  // "." alone (or with an exponent) is a number: zero

    double value = 0;
    if (!exponent && digits <= kMaxMantissaDigits && mantissa <= kMaxExactMantissa &&
        decimals < kExactPowersOfTen.size()) {
        // Both operands are exact doubles and the division rounds once, correctly: the
        // same double the full conversion gives, for the usual fixed-point field text.
        value = static_cast<double>(mantissa) / kExactPowersOfTen[decimals];
    } else {
        const auto result = std::from_chars(text.data() + numberStart, text.data() + numberEnd, value);
        // Overflow reads as 0 like any other text that is not a number; underflow is 0 anyway.
        if (result.ec != std::errc{} || result.ptr != text.data() + numberEnd)
            return 0;
    }
    return negative ? -static_cast<long double>(value) : static_cast<long double>(value);
}

std::string FloatToFieldText(double value, int precision, int digits)
{
    char text[kNumberTextSize];
    return std::string(text, FormatFieldFloat(value, precision, digits, text));
}

std::size_t TDbfFile::DecodeCharacterField(int index, const std::uint8_t* record, char* value) const
{
    std::size_t first = 0;
    std::size_t last = 0;
    FieldBytes(m_fieldInfos, RecordSize, m_fileName, index, first, last);
    return DecodeCharacterText(record, first, last, value);
}

bool TDbfFile::DecodeField(int index, TFieldType type, const std::uint8_t* record, void* value) const
{
    std::size_t first = 0;
    std::size_t last = 0;
    FieldBytes(m_fieldInfos, RecordSize, m_fileName, index, first, last);
    const std::string_view text(reinterpret_cast<const char*>(record) + first, last - first);

    switch (type) {
    case TFieldType::ftString: DecodeCharacterText(record, first, last, static_cast<char*>(value)); break;
    case TFieldType::ftSmallint: {
        std::int32_t number = 0;
        ParseIntegerText(text, number);
        const auto low = static_cast<std::int16_t>(static_cast<std::uint16_t>(number & 0xFFFF));
        std::memcpy(value, &low, sizeof low);
        break;
    }
    case TFieldType::ftInteger: {
        std::int32_t number = 0;
        ParseIntegerText(text, number);
        std::memcpy(value, &number, sizeof number);
        break;
    }
    case TFieldType::ftLargeint: {
        std::int64_t number = 0;
        ParseIntegerText(text, number);
        std::memcpy(value, &number, sizeof number);
        break;
    }
    case TFieldType::ftBoolean: {
        const char letter = text.empty() ? '\0' : text[0];
        const std::uint16_t flag = (letter == 'T' || letter == 't' || letter == 'Y' || letter == 'y') ? 1 : 0;
        std::memcpy(value, &flag, sizeof flag);
        break;
    }
    case TFieldType::ftFloat: {
        const auto number = static_cast<double>(FieldTextToFloat(text));
        std::memcpy(value, &number, sizeof number);
        break;
    }
    case TFieldType::ftDate: {
        const std::int32_t day = DecodeDateText(text);
        std::memcpy(value, &day, sizeof day);
        break;
    }
    case TFieldType::ftMemo:
    case TFieldType::ftUnknown: break;
    }
    return true;
}

void TDbfFile::EncodeField(int index, TFieldType type, void* value, std::uint8_t* record)
{
    if (index < 0 || index >= static_cast<int>(m_fieldInfos.size()))
        throw EBinaryDataSetError("Field index " + std::to_string(index) + " out of range: \"" + m_fileName +
                                  "\" has " + std::to_string(m_fieldInfos.size()) + " fields");
    const TMyFieldInfo& info = m_fieldInfos[static_cast<std::size_t>(index)];
    if (info.FieldOffset + info.FieldSize > RecordSize)
        throw EBinaryDataSetError("Field '" + info.FieldName + "' cannot be stored: it ends at byte " +
                                  std::to_string(info.FieldOffset + info.FieldSize) + " of a " +
                                  std::to_string(RecordSize) + "-byte record");

    char number[kNumberTextSize];
    const char* text = number;
    std::size_t length = 0;
    bool rightAligned = false;
    switch (type) {
    case TFieldType::ftBoolean: {
        std::uint16_t flag = 0;
        std::memcpy(&flag, value, sizeof flag);
        number[0] = flag == 1 ? 'T' : 'F';
        length = 1;
        break;
    }
    case TFieldType::ftSmallint:
        length = IntegerText<std::int16_t>(value, number);
        rightAligned = true;
        break;
    case TFieldType::ftInteger:
        length = IntegerText<std::int32_t>(value, number);
        rightAligned = true;
        break;
    case TFieldType::ftLargeint:
        length = IntegerText<std::int64_t>(value, number);
        rightAligned = true;
        break;
    case TFieldType::ftFloat: {
        double v = 0;
        std::memcpy(&v, value, sizeof v);
        length = FormatFieldFloat(v, info.FieldSize, info.FieldDecimals, number);
        rightAligned = true;
        break;
    }
    case TFieldType::ftDate: {
        std::int32_t v = 0;
        std::memcpy(&v, value, sizeof v);
        length = EncodeDateText(v, number);  // no text for no date: the field becomes blanks
        break;
    }
    case TFieldType::ftString: {
        auto* ansi = static_cast<char*>(value);
        length = std::strlen(ansi);
        AnsiToOem(ansi, length);
        text = ansi;
        break;
    }
    case TFieldType::ftMemo:
    case TFieldType::ftUnknown: break;
    }

    const auto size = static_cast<std::size_t>(info.FieldSize);
    if (length > size)
        throw EFieldToLongError("Field too long :" + std::to_string(length) + " (must be between 1 and " +
                                std::to_string(info.FieldSize) + ").");
    std::uint8_t* field = record + info.FieldOffset;
    const std::size_t pad = size - length;
    if (rightAligned) {
        std::memset(field, kBlank, pad);
        std::memcpy(field + pad, text, length);
    } else {
        std::memcpy(field, text, length);
        std::memset(field + length, kBlank, pad);
    }
}
