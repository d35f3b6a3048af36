// SPDX-License-Identifier: MIT
// Whole ADIF files exported from small tables: layout, records, fields, the whole log, and real I/O faults.
#include "AdifExport.h"
#include "DbfErrors.h"
#include "FormatSettings.h"
#include "LogTable.h"
#include "SysUtils.h"
#include "TDbf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testlog::Field;
using testlog::Record;

namespace {

const std::string kHeader =
    "Quillon to ADIF Converter by Varden\r\nCopyright (C) 2000 Varden\r\n<EOH>\r\n\n\r\r\n";
const std::string kWorkedExampleLine =
    "<QSO_DATE:8>20001119 <TIME_ON:4>1435 <CALL:6>N0CALL <BAND:3>20M <MODE:2>CW <RST_SENT:3>599 "
    "<RST_RCVD:3>579 <IOTA:6>EU-005 <QSL_SENT:1>Y <QSL_RCVD:1>Y <NAME:9>Ana - QRP <EOR>\r\n";
const std::string kEarlier = "an earlier ADIF file\r\n";

class RecordingProgress : public IProgressSink {
public:
    void SetMin(int value) override { min = value; }
    void SetMax(int value) override { max = value; }
    void SetPosition(int value) override { positions.push_back(value); }
    int Max() const override { return max; }
    int min = -1, max = -1;
    std::vector<int> positions;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

Record contact(const std::string& call, const std::string& freq = "14.025")
{
    Record r = testlog::workedExample();
    r.values["call"] = call;
    r.values["freq"] = freq;
    return r;
}

/// The lines after the header, without their CR LF.
std::vector<std::string> recordLines(const std::string& file)
{
    std::vector<std::string> lines;
    for (std::size_t at = kHeader.size(); at < file.size();) {
        const auto end = file.find("\r\n", at);
        lines.push_back(file.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

class AdifExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "test_export.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_table = (m_dir / "log.dbf").string();
    }
    void TearDown() override
    {
        FormatSettings() = TFormatSettings{};
        fs::remove_all(m_dir);
    }

    /// Writes the table and opens it read-only in m_dbf.
    void open(const std::vector<Field>& fields, const std::vector<Record>& records)
    {
        testlog::writeTable(m_table, fields, records);
        m_dbf.SetFileName(m_table);
        m_dbf.SetReadOnly(true);
        m_dbf.Open();
    }

    /// Exports a table of the given records into log.adi and returns the file.
    std::string exportOf(const std::vector<Field>& fields, const std::vector<Record>& records)
    {
        open(fields, records);
        ExportAdif(m_dbf, m_progress);
        return readFile(m_dir / "log.adi");
    }

    /// The folder's file names (a failed export must leave no temporary file).
    std::vector<std::string> listing() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
    std::string m_table;
    TDbf m_dbf;
    RecordingProgress m_progress;
};

TEST_F(AdifExportTest, WorkedExampleByteForByte)
{
    open(testlog::logFields(), {testlog::workedExample()});
    const TAdifExportResult result = ExportAdif(m_dbf, m_progress);
    EXPECT_EQ(readFile(m_dir / "log.adi"), kHeader + kWorkedExampleLine);
    EXPECT_EQ(result.OutputPath, (m_dir / "log.adi").string());
    EXPECT_EQ(result.RecordsWritten, 1);
    EXPECT_EQ(result.RecordsSkipped, 0);
}

// With no record to export no field is looked up, so any table gives the header alone.
TEST_F(AdifExportTest, EmptyTableGivesTheHeaderOnly)
{
    EXPECT_EQ(exportOf({{"other", 'C', 4}}, {}), kHeader);
    EXPECT_EQ(m_progress.min, 0);
    EXPECT_EQ(m_progress.max, 0);
    EXPECT_EQ(m_progress.positions, std::vector<int>{0});
}

// The bar's maximum counts deleted records, so it jumps to its end after the last one.
TEST_F(AdifExportTest, DeletedRecordsAreSkipped)
{
    std::vector<Record> records{contact("K1A"), contact("K1B"), contact("K1C"), contact("K1D"), contact("K1E")};
    records[0].deleted = records[2].deleted = records[3].deleted = true;
    open(testlog::logFields(), records);
    const TAdifExportResult result = ExportAdif(m_dbf, m_progress);

    const auto lines = recordLines(readFile(m_dir / "log.adi"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("<CALL:3>K1B "), std::string::npos);
    EXPECT_NE(lines[1].find("<CALL:3>K1E "), std::string::npos);
    EXPECT_EQ(result.RecordsWritten, 2);
    EXPECT_EQ(result.RecordsSkipped, 3);
    EXPECT_EQ(m_progress.max, 5);
    EXPECT_EQ(m_progress.positions, (std::vector<int>{0, 1, 5}));
}

TEST_F(AdifExportTest, MissingFieldFailsOnTheFirstRecordAndKeepsTheEarlierFile)
{
    auto fields = testlog::logFields();
    std::erase_if(fields, [](const Field& f) { return f.name == "iota"; });
    writeFile(m_dir / "log.adi", kEarlier);
    open(fields, {testlog::workedExample()});
    const auto before = listing();
    try {
        ExportAdif(m_dbf, m_progress);
        FAIL() << "exported a table without iota";
    } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), "Dbf1: Field 'iota' not found");
    }
    EXPECT_EQ(readFile(m_dir / "log.adi"), kEarlier);
    EXPECT_EQ(listing(), before);
}

// Names match in any letter case; character bytes arrive converted from OEM (0x82) to ANSI (0xE9).
TEST_F(AdifExportTest, FieldNamesInAnyLetterCase)
{
    auto fields = testlog::logFields();
    for (Field& f : fields)
        for (char& c : f.name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    fields[8].name = "Iota";
    Record upper;
    for (const auto& [name, value] : testlog::workedExample().values) {
        std::string key = name == "iota" ? "Iota" : name;
        if (key != "Iota")
            for (char& c : key)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        upper.values[key] = value;
    }
    upper.values["NAME"] = "Jos\x82";
    const auto lines = recordLines(exportOf(fields, {upper}));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("<IOTA:6>EU-005 "), std::string::npos);
    EXPECT_NE(lines[0].find("<NAME:10>Jos\xE9 - QRP <EOR>"), std::string::npos);
}

TEST_F(AdifExportTest, MemoFieldAmongTheThirteen)
{
    auto fields = testlog::withField(testlog::logFields(), "note", {"note", 'M', 10});
    Record withMemo = testlog::workedExample();
    withMemo.values["note"] = "QRP, 5 W into a dipole; strong QSB";
    Record withoutMemo = contact("K1B");
    withoutMemo.values.erase("note");
    const auto lines = recordLines(exportOf(fields, {withMemo, withoutMemo}));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("<NAME:40>Ana - QRP, 5 W into a dipole; strong QSB <EOR>"), std::string::npos);
    EXPECT_NE(lines[1].find("<NAME:3>Ana <EOR>"), std::string::npos);
}

// The whole log, wherever the cursor stands; the cursor ends on the last record, and a
// second export at once gives the same file.
TEST_F(AdifExportTest, ExportsTheWholeLogWhereverTheCursorIs)
{
    open(testlog::logFields(), {contact("K1A"), contact("K1B"), contact("K1C")});
    m_dbf.Last();
    ExportAdif(m_dbf, m_progress);
    const std::string first = readFile(m_dir / "log.adi");
    EXPECT_EQ(recordLines(first).size(), 3u);
    EXPECT_TRUE(m_dbf.Eof());
    EXPECT_EQ(m_dbf.FieldByName("call").AsString(), "K1C");

    ExportAdif(m_dbf, m_progress);
    EXPECT_EQ(readFile(m_dir / "log.adi"), first);
}

TEST_F(AdifExportTest, RefusesToWriteOverTheTableOrItsMemo)
{
    auto fields = testlog::withField(testlog::logFields(), "note", {"note", 'M', 10});
    Record r = testlog::workedExample();
    r.values["note"] = "memo";
    open(fields, {r});
    const std::string table = readFile(m_table), memo = readFile(m_dir / "log.dbt");
    for (const std::string& output :
         {m_table, (m_dir / "log.dbt").string(), (m_dir / "." / "log.dbf").string()}) {
        EXPECT_THROW(ExportAdif(m_dbf, m_progress, output), Exception) << output;
    }
    EXPECT_EQ(readFile(m_table), table);
    EXPECT_EQ(readFile(m_dir / "log.dbt"), memo);
    EXPECT_EQ(listing(), (std::vector<std::string>{"log.dbf", "log.dbt"}));
}

// A table whose own name ends in ".adi" would be its default output: refused as well.
TEST_F(AdifExportTest, RefusesTheDefaultNameWhenItIsTheTable)
{
    m_table = (m_dir / "log.adi").string();
    open(testlog::logFields(), {testlog::workedExample()});
    const std::string table = readFile(m_table);
    EXPECT_THROW(ExportAdif(m_dbf, m_progress), Exception);
    EXPECT_EQ(readFile(m_table), table);
}

struct FaultCase {
    const char* name;
    std::string output;  ///< relative to the test folder
    int code;
    const char* text;
};
void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.output;
}
class AdifExportFault : public AdifExportTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(AdifExportFault, FailsWithTheIoTextAndLeavesNothingBehind)
{
    open(testlog::logFields(), {testlog::workedExample()});
    fs::create_directory(m_dir / "taken.adi");
    const auto before = listing();
    try {
        ExportAdif(m_dbf, m_progress, (m_dir / GetParam().output).string());
        FAIL() << "exported into " << GetParam().output;
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode, GetParam().code);
        EXPECT_STREQ(error.what(), GetParam().text);
    }
    EXPECT_EQ(listing(), before);
    EXPECT_TRUE(fs::is_empty(m_dir / "taken.adi"));
}
INSTANTIATE_TEST_SUITE_P(
    Outputs, AdifExportFault,
    testing::Values(FaultCase{"MissingFolder", "missing/out.adi", 3, "Invalid filename"},
                    FaultCase{"UnderARegularFile", "log.dbf/out.adi", 3, "Invalid filename"},
                    FaultCase{"NamesAFolder", "taken.adi", 5, "File access denied"}),
    [](const testing::TestParamInfo<FaultCase>& p) { return p.param.name; });

// A full disk, for real: the child runs under a file-size limit (SIGXFSZ ignored, so the
// write fails with EFBIG instead of killing it) and must report "Disk full".  The small log
// fails on its one buffer; the large one fails after earlier parts went to the disk.
struct FullDiskCase {
    const char* name;
    std::size_t records;
    rlim_t limit;
};
void PrintTo(const FullDiskCase& c, std::ostream* os)
{
    *os << c.records << " records, limit " << c.limit;
}
class AdifExportFullDisk : public AdifExportTest, public testing::WithParamInterface<FullDiskCase> {};

TEST_P(AdifExportFullDisk, KeepsTheEarlierFile)
{
    std::vector<Record> records(GetParam().records, testlog::workedExample());
    testlog::writeTable(m_table, testlog::logFields(), records);
    writeFile(m_dir / "log.adi", kEarlier);
    const auto before = listing();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{GetParam().limit, GetParam().limit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int status = 3;
        try {
            TDbf dbf;
            dbf.SetFileName(m_table);
            dbf.SetReadOnly(true);
            dbf.Open();
            TNullProgress progress;
            ExportAdif(dbf, progress);
            status = 1;
        } catch (const EInOutError& error) {
            status = error.ErrorCode == 101 && std::string(error.what()) == "Disk full" ? 0 : 2;
        } catch (...) {
        }
        ::_exit(status);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error, 2: another I/O error, 3: another exception";
    EXPECT_EQ(readFile(m_dir / "log.adi"), kEarlier);
    EXPECT_EQ(listing(), before);
}
INSTANTIATE_TEST_SUITE_P(Limits, AdifExportFullDisk,
                         testing::Values(FullDiskCase{"InTheFirstBuffer", 2000, 64 * 1024},
                                         FullDiskCase{"AfterPartsReachedTheDisk", 140000, 18 << 20}),
                         [](const testing::TestParamInfo<FullDiskCase>& p) { return p.param.name; });

// A numeric "freq" is read as its value: the decimal separator of its text form plays no part.
TEST_F(AdifExportTest, NumericFrequencyFieldGivesTheBandOfItsValue)
{
    FormatSettings().DecimalSeparator = ',';
    auto fields = testlog::withField(testlog::logFields(), "freq", {"freq", 'N', 10, 3});
    const auto lines =
        recordLines(exportOf(fields, {contact("K1A", "144.300"), contact("K1B", "29.800"), contact("K1C", "7")}));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("<BAND:2>2M "), std::string::npos);
    EXPECT_NE(lines[1].find("<BAND:4>29,8 "), std::string::npos);
    EXPECT_NE(lines[2].find("<BAND:3>40M "), std::string::npos);
}

TEST_F(AdifExportTest, IntegerFrequencyFieldGivesTheBandOfItsValue)
{
    auto fields = testlog::withField(testlog::logFields(), "freq", {"freq", 'N', 5, 0});
    const auto lines = recordLines(exportOf(fields, {contact("K1A", "50"), contact("K1B", "11")}));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("<BAND:2>6M "), std::string::npos);
    EXPECT_NE(lines[1].find("<BAND:2>11 "), std::string::npos);
}

// A date-typed "Date" gives its stored date, whatever the display format.
TEST_F(AdifExportTest, DateFieldGivesItsStoredDate)
{
    FormatSettings().ShortDateFormat = "mm/dd/yy";
    auto fields = testlog::withField(testlog::logFields(), "Date", {"Date", 'D', 8});
    Record good = testlog::workedExample(), impossible = good, blank = good;
    good.values["Date"] = "20001119";
    impossible.values["Date"] = "20030231";
    blank.values.erase("Date");
    const auto lines = recordLines(exportOf(fields, {good, impossible, blank}));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0] + "\r\n", kWorkedExampleLine);
    EXPECT_EQ(lines[1].substr(0, 14), "<QSO_DATE:0> <");
    EXPECT_EQ(lines[2].substr(0, 21), "<QSO_DATE:8>19000101 ");
}

}  // namespace
