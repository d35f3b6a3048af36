// SPDX-License-Identifier: MIT
// The pieces of one ADIF record line: positional cuts, months, bands, QSL codes and NAME.
#include "AdifFormat.h"

#include "ShortCopy.h"
#include "TField.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace adif {

namespace {

constexpr std::array<std::string_view, 12> kMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 12> kMonthNumbers{"01", "02", "03", "04", "05", "06",
                                                         "07", "08", "09", "10", "11", "12"};

struct Band {
    double lowest;   ///< MHz, inclusive
    double highest;  ///< MHz, inclusive
    const char* name;
};

// The ADIF 3.1 band table (3.1.4 to 3.1.6), in MHz, edges inclusive.  A log keeps the
// frequency as typed, so a VHF contact at 144.300 must not fall into the 20M band just
// because its text starts with "14".
constexpr std::array<Band, 33> kBands{{
    {0.1357, 0.1378, "2190M"},    {0.472, 0.479, "630M"},     {0.501, 0.504, "560M"},
    {1.8, 2.0, "160M"},           {3.5, 4.0, "80M"},          {5.06, 5.45, "60M"},
    {7.0, 7.3, "40M"},            {10.1, 10.15, "30M"},       {14.0, 14.35, "20M"},
    {18.068, 18.168, "17M"},      {21.0, 21.45, "15M"},       {24.89, 24.99, "12M"},
    {28.0, 29.7, "10M"},          {40.0, 45.0, "8M"},         {50.0, 54.0, "6M"},
    {54.000001, 69.9, "5M"},      {70.0, 71.0, "4M"},         {144.0, 148.0, "2M"},
    {222.0, 225.0, "1.25M"},      {420.0, 450.0, "70CM"},     {902.0, 928.0, "33CM"},
    {1240.0, 1300.0, "23CM"},     {2300.0, 2450.0, "13CM"},   {3300.0, 3500.0, "9CM"},
    {5650.0, 5925.0, "6CM"},      {10000.0, 10500.0, "3CM"},  {24000.0, 24250.0, "1.25CM"},
    {47000.0, 47200.0, "6MM"},    {75500.0, 81000.0, "4MM"},  {119980.0, 123000.0, "2.5MM"},
    {134000.0, 149000.0, "2MM"},  {241000.0, 250000.0, "1MM"}, {300000.0, 7500000.0, "SUBMM"},
}};

/// Writes a record line into memory sized by recordLineBound: no capacity checks per
/// piece, since the export writes a million of these lines.
class LineCursor {
public:
    explicit LineCursor(char* at) : m_at(at) {}
    char* at() const { return m_at; }

    template <std::size_t N>
    void literal(const char (&text)[N])
    {
        std::memcpy(m_at, text, N - 1);
        m_at += N - 1;
    }
    void text(std::string_view value)
    {
        const std::size_t n = value.size();
        CopyShort(m_at, value.data(), n);
        m_at += n;
    }
    void character(char c) { *m_at++ = c; }
    void decimal(std::size_t number)
    {
        if (number < 10) {
            *m_at++ = static_cast<char>('0' + number);
        } else if (number < 100) {
            *m_at++ = static_cast<char>('0' + number / 10);
            *m_at++ = static_cast<char>('0' + number % 10);
        } else {
            m_at = std::to_chars(m_at, m_at + kMaxDigits, number).ptr;
        }
    }
    /// "<TAG:" length ">" value " "
    template <std::size_t N>
    void item(const char (&openingTag)[N], std::string_view value)
    {
        literal(openingTag);
        decimal(value.size());
        character('>');
        text(value);
        character(' ');
    }

    static constexpr std::size_t kMaxDigits = 20;

private:
    char* m_at;
};

}  // namespace

std::string_view stripLeadingBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? text : text.substr(first);
}

std::string_view chars(std::string_view text, std::size_t first, std::size_t last)
{
    if (text.size() < first)
        return {};
    return text.substr(first - 1, last - first + 1);
}

std::string_view monthNumber(std::string_view monthText)
{
    if (monthText.size() != 3)
        return monthText;
    // Each name as one number, compared at once (the export reads a month per record).
    constexpr auto key = [](std::string_view name) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 16;
    };
    static constexpr auto kMonthKeys = [key] {
        std::array<std::uint32_t, kMonthNames.size()> keys{};
        for (std::size_t i = 0; i < keys.size(); ++i)
            keys[i] = key(kMonthNames[i]);
        return keys;
    }();
    const std::uint32_t wanted = key(monthText);
    for (std::size_t i = 0; i < kMonthKeys.size(); ++i)
        if (wanted == kMonthKeys[i])
            return kMonthNumbers[i];
    return monthText;
}

bool parseMegahertz(std::string_view text, double& megahertz)
{
    // Normalise to digits with an optional "." so that from_chars (which never looks
    // at the locale) reads it; "14,025" and "14.025" are the same frequency.
    char normal[64];
    std::size_t length = 0;
    bool separatorSeen = false;
    bool digitSeen = false;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digitSeen = true;
        } else if ((c == '.' || c == ',') && !separatorSeen) {
            separatorSeen = true;
        } else {
            break;
        }
        if (length + 2 >= sizeof normal)
            return false;
        normal[length++] = c == ',' ? '.' : c;
    }
    for (; i < text.size(); ++i)
        if (text[i] != ' ')
            return false;
    if (!digitSeen)
        return false;
    // from_chars wants a digit before the point: ".5" reads as "0.5".
    if (normal[0] == '.') {
        for (std::size_t k = length; k > 0; --k)
            normal[k] = normal[k - 1];
        normal[0] = '0';
        ++length;
    }
    const auto [ptr, ec] = std::from_chars(normal, normal + length, megahertz, std::chars_format::fixed);
    return ec == std::errc() && ptr == normal + length;
}

const char* bandName(double megahertz)
{
    // The bands are in ascending order: the last band starting at or below the
    // frequency is the only one that can hold it.
    const auto after = std::upper_bound(kBands.begin(), kBands.end(), megahertz,
                                        [](double f, const Band& band) { return f < band.lowest; });
    if (after == kBands.begin())
        return nullptr;
    const Band& band = *(after - 1);
    return megahertz <= band.highest ? band.name : nullptr;
}

std::string_view bandValue(std::string_view freqText)
{
    const std::string_view stripped = stripLeadingBlanks(freqText);
    double megahertz = 0;
    if (parseMegahertz(stripped, megahertz))
        if (const char* band = bandName(megahertz))
            return band;
    return stripped;
}

void ShortValue::append(std::string_view text)
{
    const std::size_t count = std::min(text.size(), kCapacity - m_size);
    if (count == 0)
        return;
    std::memcpy(m_bytes + m_size, text.data(), count);
    m_size += count;
}

ShortValue qsoDateFromText(std::string_view dateText)
{
    ShortValue value;
    value.append(chars(dateText, 8, 11));
    value.append(monthNumber(chars(dateText, 4, 6)));
    value.append(chars(dateText, 1, 2));
    return value;
}

ShortValue qsoDateFromDay(std::int32_t dayNumber)
{
    ShortValue value;
    if (dayNumber <= 0)
        return value;
    int year = 0, month = 0, day = 0;
    DecodeDate(dayNumber, year, month, day);
    char digits[8];
    const int parts[4] = {year / 100, year % 100, month, day};
    for (int i = 0; i < 4; ++i) {
        digits[2 * i] = static_cast<char>('0' + parts[i] / 10 % 10);
        digits[2 * i + 1] = static_cast<char>('0' + parts[i] % 10);
    }
    value.append(std::string_view(digits, sizeof digits));
    return value;
}

ShortValue timeOnFromText(std::string_view timeText)
{
    ShortValue value;
    value.append(chars(timeText, 1, 2));
    value.append(chars(timeText, 4, 5));
    return value;
}

ShortValue iotaFromText(std::string_view iotaText)
{
    ShortValue value;
    value.append(chars(iotaText, 1, 2));
    value.append("-");
    value.append(chars(iotaText, 3, 5));
    return value;
}

bool qslSent(std::string_view qsl)
{
    return qsl.size() == 1 && (qsl[0] == 'B' || qsl[0] == 'M' || qsl[0] == 'D' || qsl[0] == 'X');
}

bool qslReceived(std::string_view qsl)
{
    return qsl.size() == 1 && qsl[0] == 'X';
}

std::size_t recordLineBound(const RecordValues& v)
{
    // Every tag text, length and separator of a line fits in this; the values come on top.
    constexpr std::size_t kFixedPart = 512;
    return kFixedPart + v.qsoDate.size() + v.timeOn.size() + v.call.size() + v.band.size() + v.mode.size() +
           v.sent.size() + v.rcvd.size() + v.state.size() + v.iota.size() + v.qmgr.size() + v.name.size() +
           v.note.size();
}

char* writeRecordLine(char* out, const RecordValues& values)
{
    LineCursor line(out);
    line.item("<QSO_DATE:", values.qsoDate);
    line.item("<TIME_ON:", values.timeOn);
    line.item("<CALL:", values.call);
    line.item("<BAND:", values.band);
    line.item("<MODE:", values.mode);
    line.item("<RST_SENT:", values.sent);
    line.item("<RST_RCVD:", values.rcvd);
    if (!values.state.empty())
        line.item("<STATE:", values.state);
    if (!values.iota.empty())
        line.item("<IOTA:", values.iota);
    if (qslSent(values.qsl))
        line.literal("<QSL_SENT:1>Y ");
    if (qslReceived(values.qsl))
        line.literal("<QSL_RCVD:1>Y ");

    std::size_t nameLength = 0;
    for (const std::string_view part : {values.qmgr, values.name, values.note})
        if (!part.empty())
            nameLength += (nameLength ? 3 : 0) + part.size();
    line.literal("<NAME:");
    line.decimal(nameLength);
    line.character('>');
    bool first = true;
    for (const std::string_view part : {values.qmgr, values.name, values.note}) {
        if (part.empty())
            continue;
        if (!first)
            line.literal(" - ");
        line.text(part);
        first = false;
    }
    line.literal(" <EOR>");
    return line.at();
}

void appendRecordLine(std::string& line, const RecordValues& values)
{
    const std::size_t start = line.size();
    line.resize(start + recordLineBound(values));
    char* const end = writeRecordLine(line.data() + start, values);
    line.resize(static_cast<std::size_t>(end - line.data()));
}

}  // namespace adif
