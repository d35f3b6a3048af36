// SPDX-License-Identifier: MIT
// The pieces of one ADIF record line: positional cuts, months, bands, QSL codes and NAME.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace adif {

/// The text from its first character that is not a blank (0x20); only blanks are
/// removed, and a text of blanks only comes back unchanged.
std::string_view stripLeadingBlanks(std::string_view text);

/// Characters first to last (1-based, inclusive) of text, or as many of them as it has.
std::string_view chars(std::string_view text, std::size_t first, std::size_t last);

/// "01".."12" for an English month abbreviation ("Jan".."Dec", exact case and length);
/// any other text comes back unchanged.
std::string_view monthNumber(std::string_view monthText);

/// Reads text as a frequency in MHz: digits with at most one "." or "," between or
/// around them (at least one digit), optionally followed by blanks.  False otherwise.
bool parseMegahertz(std::string_view text, double& megahertz);

/// The upper-case ADIF band name of a frequency in MHz (band edges inclusive), or
/// nullptr when no band holds it.
const char* bandName(double megahertz);

/// The BAND value of a frequency text: the band of the number it reads as, else the
/// text with its leading blanks removed.
std::string_view bandValue(std::string_view freqText);

/// A value cut from fixed character positions: a few bytes, kept without the heap.
class ShortValue {
public:
    static constexpr std::size_t kCapacity = 16;
    /// Appends as much of text as still fits.
    void append(std::string_view text);
    std::string_view view() const { return {m_bytes, m_size}; }
    operator std::string_view() const { return view(); }

private:
    char m_bytes[kCapacity] = {};
    std::size_t m_size = 0;
};

/// The QSO_DATE value of a date text of the form 19-Nov-2000: characters 8 to 11,
/// the month number of characters 4 to 6, characters 1 and 2.
ShortValue qsoDateFromText(std::string_view dateText);
/// The QSO_DATE value of a stored date (day number, 1 January 0001 = 1) as YYYYMMDD;
/// empty for a day number that is no date (0 or below, the codec's impossible date).
ShortValue qsoDateFromDay(std::int32_t dayNumber);
/// The TIME_ON value: characters 1 and 2, then 4 and 5 of the time text.
ShortValue timeOnFromText(std::string_view timeText);
/// The IOTA value: characters 1 and 2, "-", characters 3 to 5 of the island reference.
ShortValue iotaFromText(std::string_view iotaText);

/// A card was sent: the qsl text is exactly "B", "M", "D" or "X".
bool qslSent(std::string_view qsl);
/// A card was sent and received: the qsl text is exactly "X".
bool qslReceived(std::string_view qsl);

/// The values of one record line, each as it is written (the QSO_DATE, TIME_ON, BAND
/// and IOTA values already formed by the functions above).
struct RecordValues {
    std::string_view qsoDate, timeOn, call, band, mode, sent, rcvd, state, iota, qsl;
    std::string_view qmgr, name, note;
};

/// An upper bound of the record line's length for these values.
std::size_t recordLineBound(const RecordValues& values);
/// Writes the record line (without its line end) at out, which has room for
/// recordLineBound(values) bytes; returns the end of what it wrote.
char* writeRecordLine(char* out, const RecordValues& values);
/// Appends the record line (without its line end) to line.  Every length is the value's
/// real byte count; STATE and IOTA only when not empty; NAME joins the non-empty texts
/// of qmgr, name and note with " - ".
void appendRecordLine(std::string& line, const RecordValues& values);

}  // namespace adif
