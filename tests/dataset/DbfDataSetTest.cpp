// SPDX-License-Identifier: MIT
// The table dataset over real table and memo files: browse, edit, insert, delete, close, memos and failures.
#include "DbfErrors.h"
#include "TDataSource.h"
#include "TDbf.h"
#include "TableImage.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>

using testimage::Bytes;
using testimage::ReadFile;

namespace {

constexpr char kPrefixedVersion = static_cast<char>(139);  // level 1: length-prefixed memos

// A log of n records: call C(8) = K<i>, n N(5) = i, remarks M(10) = block of its memo or blank.
testimage::Table LogTable(int n, const std::string& flags = "", std::uint8_t version = 3)
{
    testimage::Table t;
    t.version = version;
    t.fields = {{"call", 'C', 8}, {"n", 'N', 5}, {"remarks", 'M', 10}};
    for (int i = 0; i < n; ++i) {
        std::string number = std::to_string(i);
        char flag = i < static_cast<int>(flags.size()) ? flags[static_cast<std::size_t>(i)] : ' ';
        t.records.push_back(t.Record({"K" + number, std::string(5 - number.size(), ' ') + number, ""}, flag));
    }
    return t;
}

template <typename F>
std::string ErrorOf(F&& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

class DbfTest : public ::testing::Test {
protected:
    std::string Write(const testimage::Table& t, const std::string& name = "LOG.DBF")
    {
        path = dir.Write(name, t.Build());
        dbf.SetFileName(path);
        return path;
    }
    std::string Call() { return dbf.FieldByName("call").AsString(); }
    /// Bytes of record i as stored in the file.
    std::string StoredRecord(int i, const testimage::Table& t)
    {
        Bytes file = ReadFile(path);
        auto at = static_cast<std::size_t>(t.HeaderSize() + i * t.RecordSize());
        return std::string(file.begin() + static_cast<std::ptrdiff_t>(at),
                           file.begin() + static_cast<std::ptrdiff_t>(at) + t.RecordSize());
    }

    testimage::TempDir dir;
    testimage::MessageRecorder messages;
    testimage::FixedDate date{2024, 3, 7};
    TDbf dbf;
    std::string path;
};

}  // namespace

TEST_F(DbfTest, BrowsesBothWaysHidingDeletedRecordsUnlessShown)
{
    Write(LogTable(5, "* ** "));
    dbf.Open();
    EXPECT_EQ(dbf.RecordCount(), 5);
    EXPECT_EQ(Call(), "K1");
    EXPECT_EQ(dbf.RecNo(), 2);
    dbf.Next();
    EXPECT_EQ(Call(), "K4");
    EXPECT_EQ(dbf.RecNo(), 5);
    dbf.Next();
    EXPECT_TRUE(dbf.Eof());
    dbf.Prior();
    EXPECT_EQ(Call(), "K1");
    dbf.Prior();
    EXPECT_TRUE(dbf.Bof());

    dbf.SetShowDeleted(true);
    EXPECT_EQ(Call(), "K1") << "the refresh keeps the current record";
    dbf.First();
    std::string seen;
    for (; !dbf.Eof(); dbf.Next())
        seen += Call() + " ";
    EXPECT_EQ(seen, "K0 K1 K2 K3 K4 ");
    dbf.SetShowDeleted(false);
    EXPECT_EQ(Call(), "K4");
    dbf.SetShowDeleted(false);
}

TEST_F(DbfTest, TablesWithoutPresentedRecordsOpenEmpty)
{
    for (const char* flags : {"", "*X*"}) {
        Write(LogTable(static_cast<int>(std::strlen(flags)), flags));
        dbf.Open();
        EXPECT_TRUE(dbf.Eof());
        EXPECT_TRUE(dbf.Bof());
        EXPECT_EQ(dbf.RecordCount(), static_cast<int>(std::strlen(flags)));
        EXPECT_EQ(Call(), "");
        dbf.SetShowDeleted(true);
        EXPECT_EQ(Call(), *flags ? "K0" : "");
        dbf.SetShowDeleted(false);
        EXPECT_TRUE(dbf.IsEmpty());
        dbf.Close();
    }
}

TEST_F(DbfTest, SequentialReadLooksFieldsUpByNameInAnyCase)
{
    Write(LogTable(3));
    dbf.Open();
    std::string seen;
    while (!dbf.Eof()) {
        seen += dbf.FieldByName("CALL").AsString() + "=" + dbf.FieldByName("N").AsString() + " ";
        dbf.Next();
    }
    EXPECT_EQ(seen, "K0=0 K1=1 K2=2 ");
    EXPECT_EQ(Call(), "K2");
    EXPECT_EQ(ErrorOf([&] { dbf.FieldByName("iota"); }), "Dbf1: Field 'iota' not found");
}

TEST_F(DbfTest, PostingAnEditRewritesExactlyThatRecord)
{
    testimage::Table t = LogTable(4);
    Write(t);
    dbf.Open();
    dbf.MoveBy(2);
    Bytes before = ReadFile(path);
    dbf.Edit();
    dbf.FieldByName("call").SetAsString("DL1ABC");
    dbf.FieldByName("n").SetAsInteger(77);
    dbf.Post();
    Bytes after = ReadFile(path);
    ASSERT_EQ(before.size(), after.size());
    std::size_t first = static_cast<std::size_t>(t.HeaderSize() + 2 * t.RecordSize());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (i < first || i >= first + static_cast<std::size_t>(t.RecordSize())) {
            ASSERT_EQ(before[i], after[i]) << "byte " << i << " outside record 2 changed";
        }
    }
    EXPECT_EQ(StoredRecord(2, t), t.Record({"DL1ABC", "   77", ""}));
    EXPECT_EQ(Call(), "DL1ABC");
    EXPECT_EQ(dbf.RecNo(), 3);
}

TEST_F(DbfTest, ValuesThatDoNotFitLeaveTheRecordAndTheEditAlone)
{
    testimage::Table t = LogTable(2);
    Write(t);
    dbf.Open();
    dbf.Edit();
    EXPECT_THROW(dbf.FieldByName("n").SetAsInteger(123456), EFieldToLongError);
    EXPECT_THROW(dbf.FieldByName("call").SetAsString("TOOLONGCALL"), EFieldToLongError);
    EXPECT_EQ(dbf.State(), TDataSetState::dsEdit);
    EXPECT_FALSE(dbf.Modified());
    EXPECT_EQ(Call(), "K0");
    dbf.Cancel();
    EXPECT_EQ(StoredRecord(0, t), t.records[0]);
}

TEST_F(DbfTest, InsertedAndAppendedRecordsLandAtTheEnd)
{
    testimage::Table t = LogTable(3);
    t.endOfFile = false;
    Write(t);
    dbf.Open();
    dbf.Next();
    dbf.Insert();
    dbf.FieldByName("call").SetAsString("NEW");
    dbf.Post();
    EXPECT_EQ(Call(), "NEW");
    EXPECT_EQ(dbf.RecNo(), 4);
    dbf.Append();
    dbf.FieldByName("n").SetAsInteger(9);
    dbf.Post();
    EXPECT_EQ(dbf.RecNo(), 5);
    EXPECT_EQ(dbf.RecordCount(), 5);
    dbf.Close();

    // Fields never set are zero bytes; the deletion flag is a blank.
    std::string inserted = std::string(" NEW") + std::string(5, ' ') + std::string(15, '\0');
    EXPECT_EQ(StoredRecord(3, t), inserted);
    EXPECT_EQ(StoredRecord(4, t), std::string(" ") + std::string(8, '\0') + "    9" + std::string(10, '\0'));
    Bytes file = ReadFile(path);
    EXPECT_EQ(file[4], 5);
    EXPECT_EQ(file.size(), static_cast<std::size_t>(t.HeaderSize() + 5 * t.RecordSize() + 1));
    EXPECT_EQ(file.back(), 26);
}

TEST_F(DbfTest, DeleteFlagsTheRecordAndMovesToTheNextOrPrevious)
{
    testimage::Table t = LogTable(3);
    Write(t);
    dbf.Open();
    dbf.Next();
    dbf.Delete();
    EXPECT_EQ(StoredRecord(1, t), "*" + t.records[1].substr(1));
    EXPECT_EQ(Call(), "K2");
    dbf.Delete();
    EXPECT_EQ(Call(), "K0");
    EXPECT_EQ(dbf.RecordCount(), 3);
    dbf.Delete();
    EXPECT_TRUE(dbf.IsEmpty());
}

// Deleting a record with unposted edits stores it as it was, only flagged.
TEST_F(DbfTest, DeleteDiscardsUnpostedEdits)
{
    testimage::Table t = LogTable(2);
    Write(t);
    dbf.Open();
    dbf.Edit();
    dbf.FieldByName("call").SetAsString("CHANGED");
    dbf.Delete();
    EXPECT_EQ(StoredRecord(0, t), "*" + t.records[0].substr(1));
    EXPECT_EQ(dbf.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Call(), "K1");
}

TEST_F(DbfTest, CancelWritesNothing)
{
    Write(LogTable(2));
    dbf.Open();
    Bytes before = ReadFile(path);
    dbf.Edit();
    dbf.FieldByName("call").SetAsString("X");
    dbf.Cancel();
    dbf.Insert();
    dbf.FieldByName("call").SetAsString("Y");
    dbf.Cancel();
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(Call(), "K0");
    EXPECT_EQ(dbf.RecordCount(), 2);
}

TEST_F(DbfTest, BookmarksReturnToTheirRecordAndUnknownOnesFail)
{
    Write(LogTable(5));
    dbf.Open();
    dbf.MoveBy(3);
    TBookmark mark = dbf.GetBookmark();
    dbf.First();
    dbf.GotoBookmark(mark);
    EXPECT_EQ(Call(), "K3");
    for (std::int32_t index : {-1, 5}) {
        TBookmark bad(12, 0);
        std::memcpy(bad.data(), &index, 4);
        EXPECT_EQ(ErrorOf([&] { dbf.GotoBookmark(bad); }), "Bookmark " + std::to_string(index) + " not found");
        EXPECT_EQ(dbf.RecNo(), 4);
    }
}

TEST_F(DbfTest, ShowDeletedOnAClosedDatasetIsStoredAndRefused)
{
    EXPECT_EQ(ErrorOf([&] { dbf.SetShowDeleted(true); }), "Dbf1: Cannot perform this operation on a closed dataset");
    EXPECT_TRUE(dbf.ShowDeleted());
    EXPECT_NO_THROW(dbf.SetShowDeleted(true));
}

TEST_F(DbfTest, ClosingAWritableTableRewritesTheHeaderAndAReadOnlyOneNothing)
{
    testimage::Table t = LogTable(2);
    t.endOfFile = false;
    Write(t);
    Bytes original = ReadFile(path);

    dbf.SetReadOnly(true);
    dbf.Open();
    EXPECT_EQ(ErrorOf([&] { dbf.Edit(); }), "Dbf1: Cannot modify a read-only dataset");
    EXPECT_EQ(ErrorOf([&] { dbf.Delete(); }), "Dbf1: Cannot modify a read-only dataset");
    dbf.Close();
    EXPECT_EQ(ReadFile(path), original);

    dbf.SetReadOnly(false);
    original[1] = 0;  // a date other than the fixed one, to see it rewritten
    dir.Write("LOG.DBF", original);
    dbf.Open();
    dbf.Close();
    Bytes closed = ReadFile(path);
    ASSERT_EQ(closed.size(), original.size() + 1);
    EXPECT_EQ(closed[1], 124);
    EXPECT_EQ(closed[2], 3);
    EXPECT_EQ(closed[3], 7);
    EXPECT_EQ(closed.back(), 26);
    EXPECT_TRUE(std::equal(original.begin() + 4, original.end(), closed.begin() + 4));
}

TEST_F(DbfTest, AFailedOpenWritesNothingAndStaysClosed)
{
    EXPECT_EQ(ErrorOf([&] { dbf.SetFileName(dir.Path("NONE.DBF")); dbf.Open(); }),
              "Open: Table file not found : " + dir.Path("NONE.DBF"));
    EXPECT_FALSE(dbf.Active());

    testimage::Table noFields = LogTable(1);
    noFields.headerSize = 40;
    testimage::Table duplicate = LogTable(1);
    duplicate.fields[1].name = "CALL";
    struct Case {
        testimage::Table table;
        std::string error;
    } cases[] = {
        {noFields, "Invalid Field count : 0 (must be between 1 and 255)"},
        {duplicate, "Dbf1: Duplicate field name 'CALL'"},
    };
    for (const Case& c : cases) {
        Write(c.table);
        dir.Write("LOG.dbt", testimage::Memo{}.Build());
        Bytes table = ReadFile(path);
        Bytes memo = ReadFile(dir.Path("LOG.dbt"));
        EXPECT_EQ(ErrorOf([&] { dbf.Open(); }), c.error);
        EXPECT_FALSE(dbf.Active());
        EXPECT_EQ(dbf.TableFile(), nullptr);
        EXPECT_EQ(dbf.MemoFile(), nullptr);
        EXPECT_EQ(ReadFile(path), table);
        EXPECT_EQ(ReadFile(dir.Path("LOG.dbt")), memo);
    }
}

TEST_F(DbfTest, AMissingTableIsLookedForInTheProgramsFolder)
{
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    std::string folder = std::string(exe).substr(0, std::string(exe).find_last_of('/') + 1);
    std::string name = "q2a-fallback-" + std::to_string(getpid()) + ".dbf";
    testimage::TempDir scratch;
    std::string local = folder + name;
    {
        Bytes image = LogTable(1).Build();
        std::ofstream(local, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                     static_cast<std::streamsize>(image.size()));
    }
    dbf.SetReadOnly(true);
    dbf.SetFileName(scratch.Path("nowhere/") + name);
    EXPECT_NO_THROW(dbf.Open());
    EXPECT_EQ(dbf.FileName(), local);
    EXPECT_EQ(Call(), "K0");
    dbf.Close();
    std::remove(local.c_str());
}

TEST_F(DbfTest, TheMemoFileIsFoundInAnyLetterCaseOfItsExtension)
{
    Write(LogTable(1));
    EXPECT_EQ(TDbf::MemoFileNameFor(path), dir.Path("LOG.dbt"));
    dir.Write("LOG.Dbt", testimage::Memo{}.Build());
    EXPECT_EQ(TDbf::MemoFileNameFor(path), dir.Path("LOG.Dbt"));
    dir.Write("LOG.DBT", testimage::Memo{}.Build());
    EXPECT_EQ(TDbf::MemoFileNameFor(path), dir.Path("LOG.DBT"));
    dir.Write("LOG.dbt", testimage::Memo{}.Build());
    EXPECT_EQ(TDbf::MemoFileNameFor(path), dir.Path("LOG.dbt"));
    EXPECT_EQ(TDbf::MemoFileNameFor("/a.b/log"), "/a.b/log.dbt");
    dbf.Open();
    EXPECT_NE(dbf.MemoFile(), nullptr);
}

TEST_F(DbfTest, StoringAMemoWithoutAMemoFileIsRefusedAtPost)
{
    Write(LogTable(1));
    dbf.Open();
    ASSERT_EQ(dbf.MemoFile(), nullptr);
    EXPECT_EQ(dbf.FieldByName("remarks").AsString(), "");
    dbf.Edit();
    dbf.FieldByName("remarks").SetAsString("text");
    EXPECT_EQ(ErrorOf([&] { dbf.Post(); }),
              "Cannot store memo text: the table has no memo file " + dir.Path("LOG.dbt"));
    EXPECT_EQ(dbf.State(), TDataSetState::dsEdit);
    dbf.Cancel();
}

// The same memo behaviour in the terminated (level 0) and length-prefixed (level 1) layouts.
class DbfMemoTest : public DbfTest, public ::testing::WithParamInterface<char> {
protected:
    void SetUp() override
    {
        testimage::Table t = LogTable(2, "", static_cast<std::uint8_t>(GetParam()));
        t.records[0] = t.Record({"K0", "    0", "         1"});
        Write(t);
        testimage::Memo memo;
        memo.nextFree = 2;
        bool prefixed = GetParam() == kPrefixedVersion;
        memo.blocks.push_back(
            {1, prefixed ? testimage::PrefixedMemo("old text", 16) : testimage::ToBytes("old text\x1A\x1A")});
        memoPath = dir.Write("LOG.dbt", memo.Build());
        dbf.Open();
    }
    std::string Remarks() { return dbf.FieldByName("remarks").AsString(); }

    std::string memoPath;
};

TEST_P(DbfMemoTest, MemoTextIsReadThroughItsStream)
{
    EXPECT_EQ(Remarks(), "old text");
    auto stream = dbf.CreateBlobStream(dbf.FieldByName("remarks"), TBlobStreamMode::bmRead);
    EXPECT_EQ(stream->Size(), 8);
    dbf.Next();
    EXPECT_EQ(Remarks(), "");
}

// A memo edit reaches the memo file only when the record is posted.
TEST_P(DbfMemoTest, MemoEditsAreStoredAtPostAndDroppedByCancel)
{
    Bytes memoBefore = ReadFile(memoPath);
    dbf.Edit();
    dbf.FieldByName("remarks").SetAsString("new");
    EXPECT_EQ(Remarks(), "new");
    EXPECT_TRUE(dbf.Modified());
    EXPECT_EQ(ReadFile(memoPath), memoBefore);
    dbf.Cancel();
    EXPECT_EQ(ReadFile(memoPath), memoBefore);
    EXPECT_EQ(Remarks(), "old text");

    dbf.Edit();
    dbf.FieldByName("remarks").SetAsString("new");
    dbf.Post();
    EXPECT_EQ(Remarks(), "new");
    dbf.Next();
    dbf.Edit();
    std::string longText(1500, 'x');
    dbf.FieldByName("remarks").SetAsString(longText);
    dbf.Post();
    dbf.Close();
    dbf.Open();
    EXPECT_EQ(Remarks(), "new") << "a shorter text is rewritten in place";
    dbf.Next();
    EXPECT_EQ(Remarks(), longText);
    dbf.Edit();
    dbf.FieldByName("remarks").SetAsString("");
    dbf.Post();
    EXPECT_EQ(dbf.FieldByName("remarks").IsNull(), true);

    dbf.Append();
    dbf.FieldByName("remarks").SetAsString("appended");
    dbf.Post();
    dbf.Close();
    dbf.Open();
    dbf.Last();
    EXPECT_EQ(Remarks(), "appended");
}

// While a memo edit is pending, a view drawing another row reads that row's own memo.
TEST_P(DbfMemoTest, PendingMemoBelongsToTheEditedRowOnly)
{
    TDataSource source;
    source.SetDataSet(&dbf);
    TDataLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(2);
    dbf.Edit();
    dbf.FieldByName("remarks").SetAsString("new");
    link.SetActiveRecord(1);
    EXPECT_EQ(Remarks(), "");
    link.SetActiveRecord(0);
    EXPECT_EQ(Remarks(), "new");
    dbf.Cancel();
    link.SetDataSource(nullptr);
}

// A read-write stream never stores; a write stream handed out while editing becomes
// the pending text and is stored at post.
TEST_P(DbfMemoTest, OnlyWriteStreamsStore)
{
    Bytes memoBefore = ReadFile(memoPath);
    dbf.Edit();
    {
        auto stream = dbf.CreateBlobStream(dbf.FieldByName("remarks"), TBlobStreamMode::bmReadWrite);
        stream->SetPosition(0);
        stream->WriteBuffer("zzz", 3);
    }
    EXPECT_EQ(Remarks(), "old text");
    {
        auto stream = dbf.CreateBlobStream(dbf.FieldByName("remarks"), TBlobStreamMode::bmWrite);
        stream->WriteBuffer("abc", 3);
    }
    EXPECT_EQ(Remarks(), "abc");
    EXPECT_EQ(ReadFile(memoPath), memoBefore);
    dbf.Post();
    dbf.Close();
    dbf.Open();
    EXPECT_EQ(Remarks(), "abc");
}

INSTANTIATE_TEST_SUITE_P(Layouts, DbfMemoTest, ::testing::Values(char{3}, kPrefixedVersion));

// Asking only whether a field has a value answers yes for logical fields alone.
TEST_F(DbfTest, LoadFieldValueWithoutDestinationAnswersForLogicalFieldsOnly)
{
    struct Probe : TDbf {
        bool Has(const TField& field) { return LoadFieldValue(field, nullptr); }
    } probe;
    testimage::Table t;
    t.fields = {{"ok", 'L', 1}, {"call", 'C', 4}};
    t.records = {t.Record({"F", "AB"})};
    Write(t);
    probe.SetFileName(path);
    probe.Open();
    EXPECT_TRUE(probe.Has(probe.FieldByName("ok")));
    EXPECT_FALSE(probe.Has(probe.FieldByName("call")));
    EXPECT_EQ(probe.FieldByName("ok").AsString(), "False");
}
