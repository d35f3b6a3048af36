// SPDX-License-Identifier: MIT
// Field objects: typed values and text forms of one column of the active record.
#include "TField.h"

#include "FormatSettings.h"
#include "TDataSet.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr std::int32_t kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

[[noreturn]] void convertError(std::string_view text, const char* what)
{
    throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

// Empty text stands for 0: the grid clears a cell by committing nothing.
std::int64_t parseInteger(std::string_view original)
{
    std::string_view text = trimBlanks(original);
    if (text.empty())
        return 0;
    if (text.front() == '+')
        text.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        convertError(original, "integer value");
    return value;
}

double parseFloat(std::string_view original)
{
    std::string text(trimBlanks(original));
    if (text.empty())
        return 0.0;
    // The settings' separator and the point are both accepted.
    char separator = FormatSettings().DecimalSeparator;
    if (separator != '.')
        for (char& c : text)
            if (c == separator)
                c = '.';
    std::size_t start = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    // from_chars also takes "inf" and "nan", which are no field values.
    if (start >= text.size() || !(std::isdigit(static_cast<unsigned char>(text[start])) || text[start] == '.'))
        convertError(original, "floating point value");
    if (text[0] == '+')
        text.erase(0, 1);
    double value = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        convertError(original, "floating point value");
    return value;
}

bool parseBoolean(std::string_view original)
{
    std::string_view text = trimBlanks(original);
    if (text.empty())
        return false;
    for (const char* word : {"true", "t", "y", "yes"})
        if (SameText(text, word))
            return true;
    for (const char* word : {"false", "f", "n", "no"})
        if (SameText(text, word))
            return false;
    convertError(original, "boolean value");
}

std::string formatFloat(double value)
{
    if (value == 0.0)
        return "0";
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::general, 15);
    (void)ec;
    std::string_view digits(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    std::string_view mantissa = digits;
    std::string exponent;
    if (auto e = digits.find('e'); e != std::string_view::npos) {
        mantissa = digits.substr(0, e);
        int power = 0;
        std::string_view rest = digits.substr(e + 1);
        if (!rest.empty() && rest.front() == '+')
            rest.remove_prefix(1);
        std::from_chars(rest.data(), rest.data() + rest.size(), power);
        exponent = "E" + std::to_string(power);
    }
    std::string text(mantissa);
    char separator = FormatSettings().DecimalSeparator;
    for (char& c : text)
        if (c == '.')
            c = separator;
    return text + exponent;
}

// The short date format's tokens: d, dd, m, mm, mmm, mmmm, yy, yyyy; anything else is literal.
struct DateToken {
    char kind;  // 'd', 'm', 'y', or 0 for a literal
    int width;
    char literal;
};

std::vector<DateToken> tokenizeDateFormat(const std::string& format)
{
    std::vector<DateToken> tokens;
    for (std::size_t i = 0; i < format.size();) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        if (c == 'd' || c == 'm' || c == 'y') {
            std::size_t j = i;
            while (j < format.size() && std::tolower(static_cast<unsigned char>(format[j])) == c)
                ++j;
            int run = static_cast<int>(j - i);
            int width = c == 'd' ? std::min(run, 2) : c == 'm' ? std::min(run, 4) : (run <= 2 ? 2 : 4);
            tokens.push_back({c, width, 0});
            i = j;
        } else {
            tokens.push_back({0, 0, format[i]});
            ++i;
        }
    }
    return tokens;
}

std::string twoDigits(int value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

std::string formatDate(std::int32_t dayNumber)
{
    int year = 0, month = 0, day = 0;
    DecodeDate(dayNumber, year, month, day);
    const TFormatSettings& settings = FormatSettings();
    std::string text;
    for (const DateToken& token : tokenizeDateFormat(settings.ShortDateFormat)) {
        switch (token.kind) {
        case 'd':
            text += token.width == 1 ? std::to_string(day) : twoDigits(day);
            break;
        case 'm':
            if (token.width == 1)
                text += std::to_string(month);
            else if (token.width == 2)
                text += twoDigits(month);
            else if (token.width == 3)
                text += settings.ShortMonthNames[static_cast<std::size_t>(month - 1)];
            else
                text += settings.LongMonthNames[static_cast<std::size_t>(month - 1)];
            break;
        case 'y':
            if (token.width == 2) {
                text += twoDigits(year % 100);
            } else {
                std::string digits = std::to_string(year);
                text += std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
            }
            break;
        default:
            text += token.literal;
            break;
        }
    }
    return text;
}

bool readNumber(std::string_view text, std::size_t& pos, std::size_t maxDigits, int& value, std::size_t& digits)
{
    digits = 0;
    value = 0;
    while (pos < text.size() && digits < maxDigits && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0;
}

int expandYear(int year, std::size_t digits)
{
    // Two-digit years: 00-49 are this century's, 50-99 the last one's.
    if (digits <= 2)
        return year < 50 ? 2000 + year : 1900 + year;
    return year;
}

bool parseDateWithFormat(std::string_view text, std::int32_t& dayNumber)
{
    const TFormatSettings& settings = FormatSettings();
    int year = -1, month = -1, day = -1;
    std::size_t pos = 0;
    for (const DateToken& token : tokenizeDateFormat(settings.ShortDateFormat)) {
        std::size_t digits = 0;
        int value = 0;
        switch (token.kind) {
        case 'd':
            if (!readNumber(text, pos, 2, day, digits))
                return false;
            break;
        case 'm':
            if (token.width <= 2 || (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))) {
                if (!readNumber(text, pos, 2, month, digits))
                    return false;
            } else {
                std::size_t end = pos;
                while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end])))
                    ++end;
                std::string_view name = text.substr(pos, end - pos);
                for (int i = 0; i < 12 && month < 0; ++i)
                    if (SameText(name, settings.ShortMonthNames[static_cast<std::size_t>(i)]) ||
                        SameText(name, settings.LongMonthNames[static_cast<std::size_t>(i)]))
                        month = i + 1;
                if (month < 0)
                    return false;
                pos = end;
            }
            break;
        case 'y':
            if (!readNumber(text, pos, 4, value, digits))
                return false;
            year = expandYear(value, digits);
            break;
        default:
            if (pos >= text.size() || std::tolower(static_cast<unsigned char>(text[pos])) !=
                                          std::tolower(static_cast<unsigned char>(token.literal)))
                return false;
            ++pos;
            break;
        }
    }
    return pos == text.size() && TryEncodeDate(year, month, day, dayNumber);
}

bool parseIsoDate(std::string_view text, std::int32_t& dayNumber)
{
    std::size_t pos = 0, digits = 0;
    int year = 0, month = 0, day = 0;
    if (!readNumber(text, pos, 4, year, digits) || digits != 4 || pos >= text.size() || text[pos++] != '-')
        return false;
    if (!readNumber(text, pos, 2, month, digits) || pos >= text.size() || text[pos++] != '-')
        return false;
    if (!readNumber(text, pos, 2, day, digits) || pos != text.size())
        return false;
    return TryEncodeDate(year, month, day, dayNumber);
}

std::int32_t parseDate(std::string_view original)
{
    std::string_view text = trimBlanks(original);
    std::int32_t dayNumber = 0;
    if (parseDateWithFormat(text, dayNumber) || parseIsoDate(text, dayNumber))
        return dayNumber;
    convertError(original, "date");
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, std::int32_t& dayNumber)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const std::int32_t* table = kDaysBeforeMonth[isLeapYear(year) ? 1 : 0];
    if (day > table[month] - table[month - 1])
        return false;
    int y = year - 1;
    dayNumber = y * 365 + y / 4 - y / 100 + y / 400 + table[month - 1] + day;
    return true;
}

void DecodeDate(std::int32_t dayNumber, int& year, int& month, int& day)
{
    if (dayNumber <= 0) {
        year = month = day = 0;
        return;
    }
    int rest = dayNumber - 1;
    int n400 = rest / 146097;
    rest %= 146097;
    int n100 = std::min(rest / 36524, 3);
    rest -= n100 * 36524;
    int n4 = rest / 1461;
    rest %= 1461;
    int n1 = std::min(rest / 365, 3);
    rest -= n1 * 365;
    year = n400 * 400 + n100 * 100 + n4 * 4 + n1 + 1;
    const std::int32_t* table = kDaysBeforeMonth[isLeapYear(year) ? 1 : 0];
    month = 1;
    while (month < 12 && rest >= table[month])
        ++month;
    day = rest - table[month - 1] + 1;
}

// --- TField ------------------------------------------------------------------

TField::TField(TDataSet& dataSet, const TFieldDef& def)
    : m_dataSet(dataSet), m_fieldName(def.Name), m_dataType(def.DataType), m_fieldNo(def.FieldNo), m_size(def.Size)
{
}

// Decoding never fails, so a field has a value whenever there is a record to read.
bool TField::IsNull() const
{
    return !m_dataSet.Active() || m_dataSet.ActiveBuffer() == nullptr;
}

bool TField::GetData(void* buffer) const
{
    if (!m_dataSet.Active())
        return false;
    return m_dataSet.LoadFieldValue(*this, buffer);
}

void TField::SetData(const void* buffer)
{
    m_dataSet.CheckEditing();
    m_dataSet.StoreFieldValue(*this, buffer);
}

// The base conversions go through the text form; the kinds override what they hold natively.
std::int64_t TField::AsLargeInt() const
{
    return parseInteger(AsString());
}

void TField::SetAsLargeInt(std::int64_t value)
{
    SetAsString(std::to_string(value));
}

double TField::AsFloat() const
{
    return parseFloat(AsString());
}

void TField::SetAsFloat(double value)
{
    SetAsString(formatFloat(value));
}

bool TField::AsBoolean() const
{
    return parseBoolean(AsString());
}

void TField::SetAsBoolean(bool value)
{
    SetAsString(value ? "True" : "False");
}

std::int32_t TField::AsDate() const
{
    return parseDate(AsString());
}

void TField::SetAsDate(std::int32_t dayNumber)
{
    SetAsString(formatDate(dayNumber));
}

// --- TStringField ----------------------------------------------------------------

std::string TStringField::AsString() const
{
    // A character field is at most 255 bytes; the stack buffer keeps the export's
    // per-record reads free of heap work beyond the returned string.
    constexpr int kStackSize = 256;
    if (m_size < kStackSize) {
        std::array<char, kStackSize> buffer;
        buffer[0] = '\0';
        if (!GetData(buffer.data()))
            return {};
        buffer[static_cast<std::size_t>(m_size)] = '\0';
        return std::string(buffer.data());
    }
    std::vector<char> buffer(static_cast<std::size_t>(m_size) + 1, '\0');
    if (!GetData(buffer.data()))
        return {};
    buffer.back() = '\0';
    return std::string(buffer.data());
}

void TStringField::SetAsString(std::string_view text)
{
    std::string value(text.substr(0, text.find('\0')));
    SetData(value.c_str());
}

// --- TLargeintField (also TIntegerField and TSmallintField) -------------------------

std::int64_t TLargeintField::AsLargeInt() const
{
    switch (m_dataType) {
    case TFieldType::ftSmallint: {
        std::int16_t value = 0;
        return GetData(&value) ? value : 0;
    }
    case TFieldType::ftInteger: {
        std::int32_t value = 0;
        return GetData(&value) ? value : 0;
    }
    default: {
        std::int64_t value = 0;
        return GetData(&value) ? value : 0;
    }
    }
}

void TLargeintField::SetAsLargeInt(std::int64_t value)
{
    // A small integer holds 16 bits and an integer 32; a value beyond that is refused
    // rather than cut.  A large integer takes the whole 64-bit range.
    std::int64_t low = std::numeric_limits<std::int64_t>::min();
    std::int64_t high = std::numeric_limits<std::int64_t>::max();
    if (m_dataType == TFieldType::ftSmallint) {
        low = std::numeric_limits<std::int16_t>::min();
        high = std::numeric_limits<std::int16_t>::max();
    } else if (m_dataType == TFieldType::ftInteger) {
        low = std::numeric_limits<std::int32_t>::min();
        high = std::numeric_limits<std::int32_t>::max();
    }
    if (value < low || value > high)
        throw EConvertError(std::to_string(value) + " is not a valid value for field '" + m_fieldName +
                            "'. The allowed range is " + std::to_string(low) + " to " + std::to_string(high));
    switch (m_dataType) {
    case TFieldType::ftSmallint: {
        auto v = static_cast<std::int16_t>(value);
        SetData(&v);
        break;
    }
    case TFieldType::ftInteger: {
        auto v = static_cast<std::int32_t>(value);
        SetData(&v);
        break;
    }
    default:
        SetData(&value);
        break;
    }
}

std::string TLargeintField::AsString() const
{
    if (IsNull())
        return {};
    return std::to_string(AsLargeInt());
}

void TLargeintField::SetAsString(std::string_view text)
{
    SetAsLargeInt(parseInteger(text));
}

// --- TBooleanField -------------------------------------------------------------------

bool TBooleanField::AsBoolean() const
{
    std::uint16_t value = 0;
    return GetData(&value) && value != 0;
}

void TBooleanField::SetAsBoolean(bool value)
{
    std::uint16_t native = value ? 1 : 0;
    SetData(&native);
}

std::string TBooleanField::AsString() const
{
    std::uint16_t value = 0;
    if (!GetData(&value))
        return {};
    return value != 0 ? "True" : "False";
}

void TBooleanField::SetAsString(std::string_view text)
{
    SetAsBoolean(parseBoolean(text));
}

// --- TFloatField ---------------------------------------------------------------------

double TFloatField::AsFloat() const
{
    double value = 0.0;
    return GetData(&value) ? value : 0.0;
}

void TFloatField::SetAsFloat(double value)
{
    if (!std::isfinite(value))
        throw EConvertError("'" + formatFloat(value) + "' is not a valid floating point value");
    SetData(&value);
}

std::string TFloatField::AsString() const
{
    double value = 0.0;
    if (!GetData(&value))
        return {};
    return formatFloat(value);
}

void TFloatField::SetAsString(std::string_view text)
{
    SetAsFloat(parseFloat(text));
}

// --- TDateField ----------------------------------------------------------------------

std::int32_t TDateField::AsDate() const
{
    std::int32_t value = 0;
    return GetData(&value) ? value : 0;
}

void TDateField::SetAsDate(std::int32_t dayNumber)
{
    SetData(&dayNumber);
}

std::string TDateField::AsString() const
{
    std::int32_t value = 0;
    // Day number 0 is the table's impossible date (for instance 20030231): no text.
    if (!GetData(&value) || value <= 0)
        return {};
    return formatDate(value);
}

void TDateField::SetAsString(std::string_view text)
{
    // Empty text clears the date: day number 0, which the table stores as blanks.
    if (text.find_first_not_of(' ') == std::string_view::npos) {
        SetAsDate(0);
        return;
    }
    SetAsDate(parseDate(text));
}

// --- TMemoField ----------------------------------------------------------------------

bool TMemoField::IsNull() const
{
    return AsString().empty();
}

std::string TMemoField::AsString() const
{
    if (const std::string* pending = m_dataSet.PendingMemo(*this))
        return *pending;
    if (!m_dataSet.Active() || m_dataSet.ActiveBuffer() == nullptr)
        return {};
    std::unique_ptr<TStream> stream = m_dataSet.CreateMemoStream(const_cast<TMemoField&>(*this), TBlobStreamMode::bmRead);
    std::string text(static_cast<std::size_t>(stream->Size()), '\0');
    stream->SetPosition(0);
    if (!text.empty())
        stream->ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    return text;
}

void TMemoField::SetAsString(std::string_view text)
{
    m_dataSet.SetPendingMemo(*this, std::string(text));
}
