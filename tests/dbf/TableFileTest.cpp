// SPDX-License-Identifier: MIT
// The table file: header checks and repairs, descriptors, records, the header rewrite, hostile files.
#include "DbfErrors.h"
#include "TDbfFile.h"
#include "TableImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace testimage;

namespace {

Table ThreeFields(std::uint8_t version = 3)
{
    Table t;
    t.version = version;
    t.fields = {{"CALL", 'C', 10}, {"QSO_DATE", 'D', 8}, {"QSL", 'L', 1}};
    return t;
}

/// The message of the engine error that opening and describing path raises, or "".
std::string OpenFailure(const std::string& path, std::uint16_t mode = fmReadOnlyShared)
{
    try {
        TDbfFile file(nullptr, path, mode);
        TFieldDefs defs;
        file.ReadFieldDefs(defs);
    } catch (const Exception& error) {
        return error.what();
    }
    return "";
}

}  // namespace

TEST(TableFile, VersionByteSelectsLevel)
{
    const struct {
        std::uint8_t version;
        int level;
    } cases[] = {{3, 0}, {131, 0}, {5, 2}, {4, 1}, {48, 1}, {123, 1}, {139, 1}, {142, 1}, {245, 1}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.version));
        const std::string path = dir.Write("t.dbf", ThreeFields(c.version).Build());
        TDbfFile file(nullptr, path, fmReadOnlyShared);
        EXPECT_EQ(file.DbfLevel, c.level);
        TFieldDefs defs;
        file.ReadFieldDefs(defs);
        EXPECT_EQ(defs.Count(), 3);
    }
}

TEST(TableFile, DescriptorsGiveDefinitionsAndLayout)
{
    TempDir dir;
    for (const std::uint8_t version : {std::uint8_t{3}, std::uint8_t{5}}) {
        SCOPED_TRACE(int(version));
        Table t;
        t.version = version;
        t.fields = {{"CALL", 'C', 10}, {"FREQ", 'N', 8, 3}, {"QSL", 'L', 1}};
        MessageRecorder messages;
        TDbfFile file(nullptr, dir.Write("t.dbf", t.Build()), fmReadOnlyShared);
        EXPECT_EQ(file.HeaderSize, version == 5 ? 68 + 48 * 3 + 1 : 32 + 32 * 3 + 1);
        TFieldDefs defs;
        file.ReadFieldDefs(defs);
        ASSERT_EQ(defs.Count(), 3);
        EXPECT_EQ(defs[0].Name, "CALL");
        EXPECT_EQ(defs[0].DataType, TFieldType::ftString);
        EXPECT_EQ(defs[0].Size, 10);
        EXPECT_EQ(defs[1].DataType, TFieldType::ftFloat);
        EXPECT_EQ(defs[1].Size, 0);
        EXPECT_FALSE(defs[2].Required);
        ASSERT_EQ(file.FieldInfos().size(), 3u);
        EXPECT_EQ(file.FieldInfos()[0].FieldOffset, 1);
        EXPECT_EQ(file.FieldInfos()[1].FieldOffset, 11);
        EXPECT_EQ(file.FieldInfos()[1].FieldDecimals, 3);
        EXPECT_EQ(file.FieldInfos()[2].FieldOffset, 19);
        EXPECT_EQ(file.RecordSize, 20);
        // A second call gives the same result.
        TFieldDefs again;
        file.ReadFieldDefs(again);
        EXPECT_EQ(again.Count(), 3);
        EXPECT_EQ(file.FieldInfos().size(), 3u);
        EXPECT_TRUE(messages.messages.empty());
    }
}

TEST(TableFile, TypeLettersMapToKinds)
{
    const struct {
        char letter;
        int length, decimals;
        TFieldType type;
    } cases[] = {
        {'C', 30, 0, TFieldType::ftString},  {'D', 8, 0, TFieldType::ftDate},
        {'F', 10, 0, TFieldType::ftFloat},   {'L', 1, 0, TFieldType::ftBoolean},
        {'M', 10, 0, TFieldType::ftMemo},    {'N', 3, 1, TFieldType::ftFloat},
        {'N', 4, 0, TFieldType::ftSmallint}, {'N', 5, 0, TFieldType::ftInteger},
        {'N', 9, 0, TFieldType::ftInteger},  {'N', 10, 0, TFieldType::ftLargeint},
        {'n', 5, 0, TFieldType::ftString},   {'B', 10, 0, TFieldType::ftString},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.letter) + std::to_string(c.length) + "." + std::to_string(c.decimals));
        EXPECT_EQ(FieldTypeFromLetter(c.letter, c.length, c.decimals), c.type);
    }
}

TEST(TableFile, NameAreaWithoutNulIsTakenWhole)
{
    TempDir dir;
    for (const std::uint8_t version : {std::uint8_t{3}, std::uint8_t{5}}) {
        Table t;
        t.version = version;
        const std::string full(version == 5 ? 32 : 11, 'N');
        t.fields = {{full + "EXTRA", 'C', 4}};
        TDbfFile file(nullptr, dir.Write("t.dbf", t.Build()), fmReadOnlyShared);
        TFieldDefs defs;
        file.ReadFieldDefs(defs);
        EXPECT_EQ(defs[0].Name, full);
    }
}

TEST(TableFile, FieldCountMustLieBetweenOneAnd255)
{
    const struct {
        std::uint8_t version;
        int headerSize;
        std::string count;  // "" when the table opens
    } cases[] = {
        {3, 0, "-1"},  {3, 1, "0"},    {3, 63, "0"},     {3, 32 + 32 * 256, "256"},
        {5, 20, "-1"}, {5, 115, "0"},  {3, 65535, "2046"}, {3, 32 + 32 * 255 + 1, ""},
        {5, 68 + 48 * 3 + 1, ""},      {3, 32 + 32 * 5 + 1, ""},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.version) + "/" + std::to_string(c.headerSize));
        Table t;
        t.version = c.version;
        for (int i = 0; i < 255; ++i)
            t.fields.push_back({"F" + std::to_string(i), 'C', 1});
        t.headerSize = c.headerSize;
        MessageRecorder quiet;
        const std::string path = dir.Write("t.dbf", t.Build());
        if (c.count.empty()) {
            TDbfFile file(nullptr, path, fmReadOnlyShared);
            TFieldDefs defs;
            file.ReadFieldDefs(defs);
            EXPECT_EQ(defs.Count(), (c.headerSize - (c.version == 5 ? 68 : 32)) / (c.version == 5 ? 48 : 32));
        } else {
            EXPECT_EQ(OpenFailure(path), "Invalid Field count : " + c.count + " (must be between 1 and 255)");
        }
    }
}

TEST(TableFile, RecordCountComesFromTheFileSize)
{
    const struct {
        int records;         // records in the file
        int stated;          // record count in the header
        int extraBytes;      // bytes after the records (the end-of-file marker is one)
        int recordSize;      // -1: 1 + the field lengths
        int expected;
        bool message;
    } cases[] = {
        {10, 10, 1, -1, 10, false},  // the end-of-file byte is not a record
        {10, 12, 1, -1, 10, true},
        {10, 10, 19, -1, 10, false},  // a trailing part-record is not counted
        {0, 3, 0, -1, 0, true},
        {2, 2, 0, 0, 0, true},  // record size 0
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.records) + " records, header says " + std::to_string(c.stated));
        Table t = ThreeFields();
        for (int i = 0; i < c.records; ++i)
            t.records.push_back(t.Record({"DL" + std::to_string(i)}));
        t.recordCount = c.stated;
        t.recordSize = c.recordSize;
        t.endOfFile = false;
        Bytes image = t.Build();
        image.resize(image.size() + static_cast<std::size_t>(c.extraBytes), 0x1A);
        MessageRecorder messages;
        TDbfFile file(nullptr, dir.Write("t.dbf", image), fmReadOnlyShared);
        EXPECT_EQ(file.RecordCount(), c.expected);
        if (c.message) {
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_EQ(messages.messages[0], "Invalid Record Count,\rRecordCount in Hdr : " + std::to_string(c.stated) +
                                                "\rexpected : " + std::to_string(c.expected));
        } else {
            EXPECT_TRUE(messages.messages.empty());
        }
    }
}

TEST(TableFile, FileEndingBeforeTheHeaderSizeHoldsNoRecords)
{
    TempDir dir;
    Table t = ThreeFields();
    t.headerSize = 8000;  // 248 descriptors' worth, but the file is far shorter
    MessageRecorder quiet;
    TDbfFile file(nullptr, dir.Write("t.dbf", t.Build()), fmReadOnlyShared);
    EXPECT_EQ(file.RecordCountFromSize(), 0);
    EXPECT_EQ(file.RecordCount(), 0);
}

TEST(TableFile, DamagedFilesAreRefusedAndLeftUnchanged)
{
    Table emptyName = ThreeFields();
    emptyName.fields[1].name = "";
    Table twice = ThreeFields();
    twice.fields[2].name = "call";
    Table noRecordSize = ThreeFields();
    noRecordSize.records.push_back(noRecordSize.Record({"DL1ABC"}));
    noRecordSize.recordSize = 0;
    const Bytes good = ThreeFields().Build();
    const Bytes textFile = ToBytes("Hello, this is a plain text file and no table at all.\n");
    const struct {
        const char* what;
        Bytes image;
        std::string message;
    } cases[] = {
        {"empty file", {}, "Stream read error"},
        {"header cut at 20 bytes", Bytes(good.begin(), good.begin() + 20), "Stream read error"},
        {"descriptors cut", Bytes(good.begin(), good.begin() + 32 + 32 + 10), "Stream read error"},
        {"empty field name", emptyName.Build(), "Field name missing"},
        {"duplicate field name", twice.Build(), "Duplicate field name 'call'"},
        // Opened empty, a writable close would put the end-of-file byte over record 0.
        {"record size 0", noRecordSize.Build(), "Invalid Record Size : 0 (must be between 1 and 65535)"},
        // "hi" at offset 8 reads as header size 0x6968: (26984 - 32) / 32 fields.
        {"text file", textFile, "Invalid Field count : 842 (must be between 1 and 255)"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MessageRecorder quiet;
        const std::string path = dir.Write("t.dbf", c.image);
        EXPECT_EQ(OpenFailure(path, fmReadWriteDenyWrite), c.message);
        EXPECT_EQ(ReadFile(path), c.image);
    }
}

TEST(TableFile, RecordSizeMismatchIsReportedAndKept)
{
    TempDir dir;
    FixedDate date(2024, 3, 7);
    Table t = ThreeFields();  // fields add up to 20
    t.recordSize = 15;        // the last fields reach past the record
    t.records = {std::string(" DL1ABC    20240307T").substr(0, 15), std::string(" K1XYZ     2023").substr(0, 15)};
    const std::string path = dir.Write("t.dbf", t.Build());
    MessageRecorder messages;
    {
        TDbfFile file(nullptr, path, fmReadWriteDenyWrite);
        TFieldDefs defs;
        file.ReadFieldDefs(defs);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0], "Invalid Record Size,\rRecord Size in Hdr : 15\rExpected : 20");
        EXPECT_EQ(file.RecordSize, 15);
        EXPECT_EQ(file.RecordCount(), 2);

        // QSO_DATE (bytes 11..18) has only 4 bytes inside the record; QSL none.
        std::uint8_t record[15];
        file.ReadRecord(0, record);
        std::int32_t day = -1;
        file.DecodeField(1, TFieldType::ftDate, record, &day);
        EXPECT_EQ(day, 738886);  // "2024" alone: 1 January 2024
        std::uint16_t flag = 7;
        file.DecodeField(2, TFieldType::ftBoolean, record, &flag);
        EXPECT_EQ(flag, 0);
        try {
            file.EncodeField(1, TFieldType::ftDate, &day, record);
            FAIL() << "stored a field that lies past the record";
        } catch (const EBinaryDataSetError& error) {
            EXPECT_STREQ(error.what(), "Field 'QSO_DATE' cannot be stored: it ends at byte 19 of a 15-byte record");
        }
        char call[] = "DL2XX";
        file.EncodeField(0, TFieldType::ftString, call, record);  // the field inside still stores
        file.WriteHeader();
    }
    const Bytes after = ReadFile(path);
    EXPECT_EQ(after[10] | (after[11] << 8), 15);  // the stride the records really have
    EXPECT_EQ(after[static_cast<std::size_t>(t.HeaderSize() + 2 * 15)], 0x1A);
}

TEST(TableFile, ReadsWritesAndAppendsRecords)
{
    TempDir dir;
    Table t = ThreeFields();
    for (int i = 0; i < 10; ++i)
        t.records.push_back(t.Record({"CALL" + std::to_string(i), "20240101", "T"}));
    const std::string path = dir.Write("t.dbf", t.Build());
    const std::size_t recordsEnd = static_cast<std::size_t>(t.HeaderSize() + 10 * 20);
    {
        TDbfFile file(nullptr, path, fmReadWriteDenyWrite);
        std::string record(20, '?');
        EXPECT_EQ(file.ReadRecord(3, record.data()), 20);
        EXPECT_EQ(record, t.records[3]);

        const std::string changed = t.Record({"CHANGED", "20240102", "F"}, '*');
        EXPECT_EQ(file.WriteRecord(3, changed.data()), 20);
        const std::string added = t.Record({"ADDED", "20240103", "T"});
        EXPECT_EQ(file.AppendRecord(added.data()), 20);
        EXPECT_EQ(file.RecordCount(), 11);
        // The append went over the old end-of-file byte; no new marker yet.
        const Bytes midway = ReadFile(path);
        EXPECT_EQ(midway.size(), recordsEnd + 20);
        EXPECT_EQ(std::string(midway.begin() + static_cast<std::ptrdiff_t>(recordsEnd), midway.end()), added);

        // A record past the end reads short and leaves the rest of the buffer.
        std::string beyond(20, '?');
        EXPECT_EQ(file.ReadRecord(11, beyond.data()), 0);
        EXPECT_EQ(beyond, std::string(20, '?'));
        EXPECT_EQ(file.ReadRecord(-1, beyond.data()), 0);
    }
    const Bytes after = ReadFile(path);
    EXPECT_EQ(std::string(after.begin() + t.HeaderSize() + 60, after.begin() + t.HeaderSize() + 80),
              t.Record({"CHANGED", "20240102", "F"}, '*'));
    EXPECT_EQ(after[4], 10);  // the header count reaches the file only through WriteHeader
}

TEST(TableFile, ScansSeeTheirOwnWrites)
{
    // Sequential reads come from a read-ahead window; writes must show through it at once.
    TempDir dir;
    Table t;
    t.fields = {{"N", 'N', 7}};
    const int count = 50000;  // several windows' worth of 8-byte records
    for (int i = 0; i < count; ++i) {
        std::string n = std::to_string(i);
        t.records.push_back(t.Record({std::string(7 - n.size(), ' ') + n}));
    }
    const std::string path = dir.Write("t.dbf", t.Build());
    FixedDate date(2024, 3, 7);
    TDbfFile file(nullptr, path, fmReadWriteDenyWrite);
    TFieldDefs defs;
    file.ReadFieldDefs(defs);
    std::uint8_t record[8];
    std::int32_t value = -1;
    const auto valueOf = [&](int n) {
        std::memset(record, '?', sizeof record);
        EXPECT_EQ(file.ReadRecord(n, record), 8);
        file.DecodeField(0, TFieldType::ftInteger, record, &value);
        return value;
    };
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(valueOf(i), i);
    for (int i = count - 1; i >= 0; --i)  // backwards, as the grid's Prior does
        ASSERT_EQ(valueOf(i), i);

    valueOf(100);
    valueOf(101);  // the window now covers the records after 101
    std::int32_t replaced = 9999999;
    file.EncodeField(0, TFieldType::ftInteger, &replaced, record);
    file.WriteRecord(102, record);
    EXPECT_EQ(valueOf(102), 9999999);

    valueOf(count - 2);
    valueOf(count - 1);
    replaced = 4242;
    file.EncodeField(0, TFieldType::ftInteger, &replaced, record);
    file.AppendRecord(record);
    EXPECT_EQ(valueOf(count), 4242);

    file.WriteHeader();  // the end-of-file byte lands behind the appended record
    std::uint8_t past[8];
    std::memset(past, '?', sizeof past);
    EXPECT_EQ(file.ReadRecord(count + 1, past), 1);
    EXPECT_EQ(past[0], 0x1A);
    EXPECT_EQ(past[1], '?');
}

TEST(TableFile, ReadingARecordAgainSeesAnotherProgramsChange)
{
    // A table open read-only may be written by another program; a refresh reads the
    // current record again and must see the file, not the read-ahead window.
    TempDir dir;
    Table t;
    t.fields = {{"N", 'N', 7}};
    for (int i = 0; i < 10; ++i)
        t.records.push_back(t.Record({"      " + std::to_string(i)}));
    const std::string path = dir.Write("t.dbf", t.Build());
    TDbfFile reader(nullptr, path, fmReadOnlyShared);
    TFieldDefs defs;
    reader.ReadFieldDefs(defs);
    std::uint8_t record[8];
    reader.ReadRecord(0, record);
    reader.ReadRecord(1, record);  // a scan: the window now holds records 1 to 9
    {
        TFileStream writer(path, fmReadWriteDenyWrite);
        writer.SetPosition(reader.HeaderSize + 2 * 8);
        writer.WriteBuffer(" 4242424", 8);
    }
    reader.ReadRecord(2, record);
    reader.ReadRecord(2, record);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record), 8), " 4242424");
    reader.ReadRecord(3, record);  // the window was dropped and is read anew
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record), 8), "       3");
}

TEST(TableFile, WriteHeaderStoresDateCountAndEndMarker)
{
    const struct {
        std::uint8_t version;
        int year;
        std::uint8_t yearByte;
    } cases[] = {{3, 2024, 124}, {5, 2024, 124}, {3, 2156, 0}, {131, 2200, 44}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.version) + "/" + std::to_string(c.year));
        Table t = ThreeFields(c.version);
        for (int i = 0; i < 12; ++i)
            t.records.push_back(t.Record({"R" + std::to_string(i)}));
        t.recordCount = 14;  // wrong: repaired to 12 in memory
        Bytes image = t.Build();
        // Bytes 12..31 are written back as read; at level 2 bytes 32..67 become zeros.
        for (std::size_t i = 12; i < 32; ++i)
            image[i] = static_cast<std::uint8_t>(i);
        if (c.version == 5)
            for (std::size_t i = 32; i < 68; ++i)
                image[i] = 0xEE;
        image.resize(image.size() + 10, 'x');  // bytes beyond the records are never cut off
        const std::string path = dir.Write("t.dbf", image);
        MessageRecorder messages;
        FixedDate date(c.year, 3, 7);
        {
            TDbfFile file(nullptr, path, fmReadWriteDenyWrite);
            file.WriteHeader();
        }
        Bytes expected = image;
        expected[1] = c.yearByte;
        expected[2] = 3;
        expected[3] = 7;
        expected[4] = 12;
        if (c.version == 5)
            std::fill(expected.begin() + 32, expected.begin() + 68, 0);
        expected[static_cast<std::size_t>(t.HeaderSize() + 12 * 20)] = 0x1A;
        EXPECT_EQ(ReadFile(path), expected);
    }
}

TEST(TableFile, ReadOnlyOpenWritesNothing)
{
    TempDir dir;
    Table t = ThreeFields();
    t.records = {t.Record({"DL1ABC"})};
    t.recordCount = 5;
    const Bytes image = t.Build();
    const std::string path = dir.Write("t.dbf", image);
    MessageRecorder messages;
    {
        TDbfFile file(nullptr, path, fmReadOnlyShared);
        TFieldDefs defs;
        file.ReadFieldDefs(defs);
        EXPECT_EQ(messages.messages.size(), 1u);
        const std::string record = t.Record({"OTHER"});
        file.WriteRecord(0, record.data());  // the handle is read-only: nothing moves
        EXPECT_THROW(file.WriteHeader(), EStreamError);
    }
    EXPECT_EQ(ReadFile(path), image);
}

TEST(TableFile, WritableOpenHoldsTheLock)
{
    TempDir dir;
    const std::string path = dir.Write("LOG.DBF", ThreeFields().Build());
    TDbfFile writer(nullptr, path, fmReadWriteDenyWrite);
    EXPECT_EQ(OpenFailure(path, fmReadWriteDenyWrite),
              "Cannot open file \"" + path + "\": it is open for writing in another program");
    EXPECT_EQ(OpenFailure(path, fmReadOnlyShared), "");
    EXPECT_EQ(OpenFailure(dir.Path("NONE.DBF")),
              "Cannot open file \"" + dir.Path("NONE.DBF") + "\": No such file or directory");
}

TEST(TableFile, WriteHeaderWithoutStreamIsAnAssertion)
{
    TempDir dir;
    TDbfFile file(nullptr, dir.Write("t.dbf", ThreeFields().Build()), fmReadOnlyShared);
    file.Stream.reset();
    try {
        file.WriteHeader();
        FAIL();
    } catch (const EAssertionFailed& error) {
        EXPECT_STREQ(error.what(), "_dbfFile=Nil");
    }
}
