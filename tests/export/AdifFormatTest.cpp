// SPDX-License-Identifier: MIT
// The record line's pieces on their own: bands, months, times, islands, QSL codes, NAME and file names.
#include "AdifExport.h"
#include "AdifFormat.h"
#include "AdifOutputFile.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

std::ostream& operator<<(std::ostream& os, const TextCase& c)
{
    return os << '"' << c.input << "\" -> \"" << c.expected << '"';
}

std::string lineOf(const adif::RecordValues& values)
{
    std::string line;
    adif::appendRecordLine(line, values);
    return line;
}

TEST(RecordLine, WorkedExampleByteForByte)
{
    const auto date = adif::qsoDateFromText("19-Nov-2000");
    const auto time = adif::timeOnFromText("14:35");
    const auto iota = adif::iotaFromText("EU005");
    adif::RecordValues v;
    v.qsoDate = date, v.timeOn = time, v.call = "N0CALL", v.band = adif::bandValue("14.025");
    v.mode = "CW", v.sent = "599", v.rcvd = "579", v.iota = iota, v.qsl = "X", v.name = "Ana", v.note = "QRP";
    EXPECT_EQ(lineOf(v),
              "<QSO_DATE:8>20001119 <TIME_ON:4>1435 <CALL:6>N0CALL <BAND:3>20M <MODE:2>CW "
              "<RST_SENT:3>599 <RST_RCVD:3>579 <IOTA:6>EU-005 <QSL_SENT:1>Y <QSL_RCVD:1>Y "
              "<NAME:9>Ana - QRP <EOR>");
}

TEST(RecordLine, EmptyValuesKeepTheirItemsExceptStateAndIota)
{
    EXPECT_EQ(lineOf({}), "<QSO_DATE:0> <TIME_ON:0> <CALL:0> <BAND:0> <MODE:0> <RST_SENT:0> <RST_RCVD:0> "
                          "<NAME:0> <EOR>");
    adif::RecordValues v;
    v.state = " ";  // a blank is content
    EXPECT_NE(lineOf(v).find("<STATE:1>  <NAME:0> <EOR>"), std::string::npos);
}

// Real lengths: a malformed date, time or island reference cannot break the line's structure.
TEST(RecordLine, MalformedValuesCarryTheirRealLength)
{
    auto date = adif::qsoDateFromText("19.11.2000");
    const auto time = adif::timeOnFromText("1435");
    auto iota = adif::iotaFromText("EU-005");
    adif::RecordValues v;
    v.qsoDate = date, v.timeOn = time, v.iota = iota;
    const std::string line = lineOf(v);
    const std::string start = "<QSO_DATE:8>00011.19 <TIME_ON:3>145 ";
    EXPECT_EQ(line.substr(0, start.size()), start);
    EXPECT_NE(line.find("<IOTA:6>EU--00 "), std::string::npos);

    date = adif::qsoDateFromText("19-Nov-00");
    iota = adif::iotaFromText("EU5");
    v.qsoDate = date, v.iota = iota;
    const std::string shortLine = lineOf(v);
    EXPECT_EQ(shortLine.substr(0, 19), "<QSO_DATE:6>001119 ");
    EXPECT_NE(shortLine.find("<IOTA:4>EU-5 "), std::string::npos);
}

class Band : public testing::TestWithParam<TextCase> {};
TEST_P(Band, ByFrequencyRange)
{
    EXPECT_EQ(adif::bandValue(GetParam().input), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Frequencies, Band,
    testing::Values(
        // the HF bands keep their names
        TextCase{"1.832", "160M"}, TextCase{"3.505", "80M"}, TextCase{"7.010", "40M"}, TextCase{"10.120", "30M"},
        TextCase{"14.025", "20M"}, TextCase{"18.080", "17M"}, TextCase{"21.010", "15M"}, TextCase{"24.900", "12M"},
        TextCase{"28.500", "10M"},
        // beyond two characters of text
        TextCase{"144.300", "2M"}, TextCase{"29.600", "10M"}, TextCase{"50.110", "6M"}, TextCase{"1296.100", "23CM"},
        TextCase{"0.1365", "2190M"}, TextCase{".475", "630M"}, TextCase{"5.3585", "60M"}, TextCase{"432.2", "70CM"},
        TextCase{"10368", "3CM"}, TextCase{"7500000", "SUBMM"},
        // edges are inclusive; just outside is no band
        TextCase{"14.35", "20M"}, TextCase{"14.0", "20M"}, TextCase{"14.3501", "14.3501"},
        TextCase{"54", "6M"}, TextCase{"54.0000005", "54.0000005"}, TextCase{"54.000001", "5M"},
        // decimal comma, leading blanks, integers
        TextCase{"14,025", "20M"}, TextCase{"   7.010", "40M"}, TextCase{"7", "40M"}, TextCase{"14.", "20M"},
        TextCase{"7.010  ", "40M"},
        // not a frequency in any band: the text without its leading blanks
        TextCase{"", ""}, TextCase{"   ", "   "}, TextCase{"  11.000", "11.000"}, TextCase{"abc", "abc"},
        TextCase{"14.025 MHz", "14.025 MHz"}, TextCase{"14.0.25", "14.0.25"}, TextCase{"-14.025", "-14.025"},
        TextCase{".", "."}, TextCase{"1.5E1", "1.5E1"}));

class QsoDate : public testing::TestWithParam<TextCase> {};
TEST_P(QsoDate, FromDateText)
{
    EXPECT_EQ(adif::qsoDateFromText(GetParam().input).view(), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Months, QsoDate,
    testing::Values(TextCase{"01-Jan-2001", "20010101"}, TextCase{"02-Feb-2001", "20010202"},
                    TextCase{"03-Mar-2001", "20010303"}, TextCase{"04-Apr-2001", "20010404"},
                    TextCase{"05-May-2001", "20010505"}, TextCase{"06-Jun-2001", "20010606"},
                    TextCase{"07-Jul-2001", "20010707"}, TextCase{"08-Aug-2001", "20010808"},
                    TextCase{"09-Sep-2001", "20010909"}, TextCase{"10-Oct-2001", "20011010"},
                    TextCase{"11-Nov-2001", "20011111"}, TextCase{"12-Dec-2001", "20011212"},
                    // the month must match exactly; anything else is copied in its place
                    TextCase{"19-nov-2000", "2000nov19"}, TextCase{"19-NOV-2000", "2000NOV19"},
                    TextCase{"19.11.2000", "00011.19"}, TextCase{"19-Nov", "1119"}, TextCase{"19-No", "No19"},
                    TextCase{"1", "1"}, TextCase{"", ""}));

TEST(QsoDate, FromStoredDay)
{
    EXPECT_EQ(adif::qsoDateFromDay(730443).view(), "20001119");
    EXPECT_EQ(adif::qsoDateFromDay(1).view(), "00010101");
    EXPECT_EQ(adif::qsoDateFromDay(0).view(), "");  // the codec's impossible date
}

class TimeOn : public testing::TestWithParam<TextCase> {};
TEST_P(TimeOn, FromTimeText)
{
    EXPECT_EQ(adif::timeOnFromText(GetParam().input).view(), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Times, TimeOn,
                         testing::Values(TextCase{"14:35", "1435"}, TextCase{"14:35:10", "1435"},
                                         TextCase{"1435", "145"}, TextCase{"9:5", "9:"}, TextCase{"", ""}));

class Iota : public testing::TestWithParam<TextCase> {};
TEST_P(Iota, FromIslandReference)
{
    EXPECT_EQ(adif::iotaFromText(GetParam().input).view(), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Islands, Iota,
                         testing::Values(TextCase{"EU005", "EU-005"}, TextCase{"EU-005", "EU--00"},
                                         TextCase{"OC1", "OC-1"}, TextCase{"E", "E-"}));

struct QslCase {
    std::string qsl;
    std::string items;
};
void PrintTo(const QslCase& c, std::ostream* os)
{
    *os << '"' << c.qsl << '"';
}
class Qsl : public testing::TestWithParam<QslCase> {};
TEST_P(Qsl, CardItems)
{
    adif::RecordValues v;
    v.qsl = GetParam().qsl;
    const std::string line = lineOf(v);
    const auto start = line.find("<RST_RCVD:0> ") + 13;
    EXPECT_EQ(line.substr(start, line.find("<NAME:") - start), GetParam().items);
}
INSTANTIATE_TEST_SUITE_P(Codes, Qsl,
                         testing::Values(QslCase{"B", "<QSL_SENT:1>Y "}, QslCase{"M", "<QSL_SENT:1>Y "},
                                         QslCase{"D", "<QSL_SENT:1>Y "},
                                         QslCase{"X", "<QSL_SENT:1>Y <QSL_RCVD:1>Y "}, QslCase{"x", ""},
                                         QslCase{"", ""}, QslCase{"XX", ""}, QslCase{"N", ""}));

struct NameCase {
    std::string qmgr, name, note;
    std::string item;
};
void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << '"' << c.qmgr << "\" \"" << c.name << "\" \"" << c.note << '"';
}
class NameItem : public testing::TestWithParam<NameCase> {};
TEST_P(NameItem, JoinsTheNonEmptyTexts)
{
    adif::RecordValues v;
    v.qmgr = GetParam().qmgr, v.name = GetParam().name, v.note = GetParam().note;
    const std::string line = lineOf(v);
    EXPECT_EQ(line.substr(line.find("<NAME:")), GetParam().item);
}
INSTANTIATE_TEST_SUITE_P(
    Joins, NameItem,
    testing::Values(NameCase{"", "", "", "<NAME:0> <EOR>"}, NameCase{"", "Ana", "", "<NAME:3>Ana <EOR>"},
                    NameCase{"W1AW", "", "", "<NAME:4>W1AW <EOR>"}, NameCase{"", "", "QRP", "<NAME:3>QRP <EOR>"},
                    NameCase{"W1AW", "", "QRP", "<NAME:10>W1AW - QRP <EOR>"},
                    NameCase{"W1AW", "Ana", "QRP", "<NAME:16>W1AW - Ana - QRP <EOR>"},
                    NameCase{" ", "", "", "<NAME:1>  <EOR>"}));

class OutputName : public testing::TestWithParam<TextCase> {};
TEST_P(OutputName, ReplacesTheExtension)
{
    EXPECT_EQ(AdifFileNameFor(GetParam().input), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Paths, OutputName,
                         testing::Values(TextCase{"LOG.DBF", "LOG.adi"}, TextCase{"/logs/log.dbf", "/logs/log.adi"},
                                         TextCase{"log.db", "log.adi"}, TextCase{"LOG", "LOG.adi"},
                                         TextCase{"/my.logs/LOG", "/my.logs/LOG.adi"},
                                         TextCase{"old.log.dbf", "old.log.adi"}, TextCase{".dbf", ".dbf.adi"}));

TEST(InOutError, TextsByCode)
{
    const std::pair<int, const char*> cases[] = {
        {2, "File not found"},           {3, "Invalid filename"}, {4, "Too many open files"},
        {5, "File access denied"},       {100, "Read beyond end of file"}, {101, "Disk full"},
        {106, "Invalid numeric input"},  {29, "I/O error 29"},   {0, "I/O error 0"}};
    for (const auto& [code, text] : cases)
        EXPECT_EQ(adif::inOutErrorText(code), text) << code;
}

TEST(InOutError, CodesFromErrno)
{
    EXPECT_EQ(adif::inOutCodeFromErrno(ENOSPC, false), 101);
    EXPECT_EQ(adif::inOutCodeFromErrno(EFBIG, false), 101);
    EXPECT_EQ(adif::inOutCodeFromErrno(EACCES, true), 5);
    EXPECT_EQ(adif::inOutCodeFromErrno(EROFS, true), 5);
    EXPECT_EQ(adif::inOutCodeFromErrno(ENOENT, true), 3);
    EXPECT_EQ(adif::inOutCodeFromErrno(ENOTDIR, true), 3);
    EXPECT_EQ(adif::inOutCodeFromErrno(ENOENT, false), 2);
    EXPECT_EQ(adif::inOutCodeFromErrno(EMFILE, true), 4);
    // EIO shares its number with "File access denied" and must not read as it.
    EXPECT_EQ(adif::inOutCodeFromErrno(EIO, false), 29);
}

}  // namespace
