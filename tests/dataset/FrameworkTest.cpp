// SPDX-License-Identifier: MIT
// The dataset framework over an in-memory dataset: calling order, window, flags, editing and notifications.
#include "FakeDataSet.h"

#include <gtest/gtest.h>

using fake::FakeDataSet;
using fake::RecordingLink;
using Log = std::vector<std::string>;

namespace {

// A dataset of n live records named r0, r1, ...
void Fill(FakeDataSet& ds, int n)
{
    for (int i = 0; i < n; ++i)
        ds.AddRow("r" + std::to_string(i));
}

std::string Current(FakeDataSet& ds)
{
    return ds.FieldByName("name").AsString();
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

}  // namespace

TEST(Framework, OpenFetchesForwardIntoOneBufferPlusSpare)
{
    FakeDataSet ds;
    Fill(ds, 3);
    ds.Open();
    EXPECT_EQ(ds.TakeLog(), (Log{"open", "fetch next! ok"}));
    EXPECT_EQ(ds.buffersAllocated, 2);
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(Current(ds), "r0");
    ds.Close();
    EXPECT_EQ(ds.TakeLog(), (Log{"close"}));
    EXPECT_EQ(ds.buffersAllocated, 0);
    EXPECT_EQ(ds.FieldCount(), 0);
}

// The export's loop: one fetch per record, no repositioning, Eof only after an
// advance that finds nothing, and the current record stays the last one.
TEST(Framework, SequentialReadCostsOneFetchPerRecordAndSetsEofPastTheLast)
{
    FakeDataSet ds;
    Fill(ds, 3);
    ds.Open();
    ds.TakeLog();
    std::vector<std::string> seen;
    while (!ds.Eof()) {
        seen.push_back(Current(ds));
        ds.Next();
        if (seen.size() == 3)
            EXPECT_TRUE(ds.Eof());
        else
            EXPECT_FALSE(ds.Eof()) << "stepping onto a record must not set Eof";
    }
    EXPECT_EQ(seen, (Log{"r0", "r1", "r2"}));
    EXPECT_EQ(ds.TakeLog(), (Log{"fetch next! ok", "fetch next! ok", "fetch next! eof"}));
    EXPECT_EQ(Current(ds), "r2");
    EXPECT_EQ(ds.MoveBy(1), 0);

    ds.Prior();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(Current(ds), "r1");
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_FALSE(ds.Bof());
    EXPECT_EQ(Current(ds), "r2");
    ds.First();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(Current(ds), "r0");
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(Current(ds), "r0");
}

TEST(Framework, HiddenRecordsAreSkippedBothWaysAndCountedByNumber)
{
    FakeDataSet ds;
    for (char flag : std::string("* ** "))
        ds.AddRow(std::string("r") + std::to_string(ds.rows.size()), flag);
    ds.Open();
    EXPECT_EQ(Current(ds), "r1");
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Next();
    EXPECT_EQ(Current(ds), "r4");
    EXPECT_EQ(ds.RecNo(), 5);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    ds.Last();
    ds.Prior();
    EXPECT_EQ(Current(ds), "r1");
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.RecordCount(), 5);
}

TEST(Framework, EmptyDatasetHasBothFlagsAtOnce)
{
    for (bool allHidden : {false, true}) {
        FakeDataSet ds;
        if (allHidden) {
            ds.AddRow("a", '*');
            ds.AddRow("b", '*');
        }
        ds.Open();
        EXPECT_TRUE(ds.Eof());
        EXPECT_TRUE(ds.Bof());
        EXPECT_TRUE(ds.IsEmpty());
        EXPECT_EQ(ds.RecNo(), 0);
        EXPECT_EQ(ds.MoveBy(1), 0);
        EXPECT_EQ(Current(ds), "");
        EXPECT_EQ(ErrorOf([&] { ds.Delete(); }), "Fake1: Cannot perform this operation on an empty dataset");
        EXPECT_EQ(ds.RecordCount(), allHidden ? 2 : 0);
    }
}

// A view of five rows over twelve records: the window scrolls only at its edges.
TEST(Framework, LinkWindowScrollsAtItsEdges)
{
    FakeDataSet ds;
    Fill(ds, 12);
    TDataSource source;
    source.SetDataSet(&ds);
    RecordingLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(5);
    ds.Open();
    ds.TakeLog();
    auto rows = [&] {
        std::string text;
        int saved = link.ActiveRecord();
        for (int row = 0; row < link.RecordCount(); ++row) {
            link.SetActiveRecord(row);
            text += Current(ds) + " ";
        }
        link.SetActiveRecord(saved);
        return text;
    };
    EXPECT_EQ(ds.BufferCount(), 5);
    EXPECT_EQ(ds.buffersAllocated, 6);
    EXPECT_EQ(link.RecordCount(), 5);
    EXPECT_EQ(rows(), "r0 r1 r2 r3 r4 ");
    EXPECT_EQ(link.events, (Log{"active", "changed"}));
    link.events.clear();

    EXPECT_EQ(link.MoveBy(4), 4);
    EXPECT_EQ(link.ActiveRecord(), 4);
    EXPECT_TRUE(ds.TakeLog().empty()) << "moves inside the window fetch nothing";
    EXPECT_EQ(link.events, (Log{"scrolled 0"}));
    link.events.clear();

    ds.Next();
    EXPECT_EQ(link.ActiveRecord(), 4);
    EXPECT_EQ(rows(), "r1 r2 r3 r4 r5 ");
    EXPECT_EQ(ds.TakeLog(), (Log{"fetch next! ok"}));
    EXPECT_EQ(link.events, (Log{"scrolled 1"}));

    EXPECT_EQ(ds.MoveBy(100), 6);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(rows(), "r7 r8 r9 r10 r11 ");
    EXPECT_EQ(ds.RecNo(), 12);
    EXPECT_EQ(ds.RecordCount(), 12);

    EXPECT_EQ(ds.MoveBy(-4), -4);
    EXPECT_EQ(link.ActiveRecord(), 0);
    ds.TakeLog();
    ds.Prior();
    EXPECT_EQ(rows(), "r6 r7 r8 r9 r10 ");
    EXPECT_EQ(ds.TakeLog(), (Log{"goto 7", "fetch prior! ok"}));
    EXPECT_EQ(link.ActiveRecord(), 0);

    ds.Last();
    EXPECT_EQ(rows(), "r7 r8 r9 r10 r11 ");
    EXPECT_EQ(link.ActiveRecord(), 4);

    // A smaller view keeps the current record inside the window.
    link.SetBufferCount(2);
    EXPECT_EQ(ds.BufferCount(), 2);
    EXPECT_EQ(ds.buffersAllocated, 3);
    EXPECT_EQ(rows(), "r10 r11 ");
    EXPECT_EQ(Current(ds), "r11");
    ds.First();
    EXPECT_EQ(rows(), "r0 r1 ");
}

TEST(Framework, DisabledControlsHearOneChangeOnEnable)
{
    FakeDataSet ds;
    Fill(ds, 4);
    TDataSource source;
    source.SetDataSet(&ds);
    RecordingLink link;
    link.SetDataSource(&source);
    ds.Open();
    link.events.clear();
    ds.DisableControls();
    ds.DisableControls();
    ds.Next();
    ds.Last();
    ds.EnableControls();
    EXPECT_TRUE(link.events.empty());
    ds.EnableControls();
    EXPECT_EQ(link.events, (Log{"changed"}));
}

TEST(Framework, PostRewritesTheRecordAndRefetchesAroundTheCursor)
{
    FakeDataSet ds;
    Fill(ds, 3);
    TDataSource source;
    source.SetDataSet(&ds);
    RecordingLink link;
    link.SetDataSource(&source);
    ds.Open();
    ds.Next();
    link.events.clear();
    ds.TakeLog();
    ds.Edit();
    EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
    ds.FieldByName("name").SetAsString("x");
    EXPECT_TRUE(ds.Modified());
    ds.Post();
    EXPECT_EQ(ds.TakeLog(), (Log{"post 1", "fetch cur ok"}));
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds.RowText(0), "r0");
    EXPECT_EQ(ds.RowText(1), "x");
    EXPECT_EQ(ds.RowText(2), "r2");
    EXPECT_EQ(link.events, (Log{"editing", "field name", "editing", "changed"}));

    ds.Edit();
    ds.FieldByName("name").SetAsString("y");
    ds.Cancel();
    EXPECT_EQ(ds.TakeLog(), (Log{"fetch cur ok"}));
    EXPECT_EQ(Current(ds), "x");
    EXPECT_EQ(ds.RowText(1), "x");
}

// Moving while editing posts a changed record and cancels an unchanged one; an
// insert that was never changed leaves nothing behind.
TEST(Framework, MovingAwayPostsChangesAndCancelsTheRest)
{
    FakeDataSet ds;
    Fill(ds, 3);
    ds.Open();
    ds.Edit();
    ds.FieldByName("name").SetAsString("x");
    ds.Next();
    EXPECT_EQ(ds.RowText(0), "x");
    EXPECT_EQ(Current(ds), "r1");

    ds.Edit();
    ds.TakeLog();
    ds.Next();
    EXPECT_EQ(ds.TakeLog(), (Log{"fetch cur ok", "fetch next! ok"}));

    ds.Insert();
    ds.Prior();
    ds.Append();
    ds.First();
    EXPECT_EQ(ds.rows.size(), 3u);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Current(ds), "x");
}

TEST(Framework, InsertAndAppendPrepareTheNewBufferAndPostAtTheEnd)
{
    FakeDataSet ds;
    Fill(ds, 3);
    ds.Open();
    ds.Next();
    ds.TakeLog();
    ds.Insert();
    EXPECT_EQ(ds.TakeLog(), (Log{"clear", "flag inserted", "bookmark 1"}));
    EXPECT_EQ(Current(ds), "");
    ds.FieldByName("name").SetAsString("new");
    ds.Post();
    EXPECT_EQ(ds.TakeLog(), (Log{"goto 1", "append", "fetch cur ok"}));
    EXPECT_EQ(ds.RowText(3), "new");
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_EQ(Current(ds), "new");

    ds.First();
    ds.TakeLog();
    ds.Append();
    EXPECT_EQ(ds.TakeLog(), (Log{"clear", "flag inserted", "flag eof", "eof"}));
    ds.FieldByName("name").SetAsString("end");
    ds.Post();
    EXPECT_EQ(ds.TakeLog(), (Log{"append", "fetch cur ok"}));
    EXPECT_EQ(ds.RowText(4), "end");
    ds.Next();
    EXPECT_TRUE(ds.Eof());

    FakeDataSet empty;
    empty.Open();
    empty.TakeLog();
    empty.Insert();
    EXPECT_EQ(empty.TakeLog(), (Log{"clear", "flag inserted", "flag bof"}));
    empty.Cancel();
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.rows.empty());
}

TEST(Framework, DeleteMovesToTheNextRecordOrThePreviousAtTheEnd)
{
    FakeDataSet ds;
    Fill(ds, 3);
    ds.Open();
    ds.Next();
    ds.TakeLog();
    ds.Delete();
    Log log = ds.TakeLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(Log(log.begin(), log.begin() + 3), (Log{"delete 1", "fetch cur err", "fetch next ok"}));
    EXPECT_EQ(ds.RowFlag(1), '*');
    EXPECT_EQ(Current(ds), "r2");
    ds.Delete();
    EXPECT_EQ(Current(ds), "r0");
    EXPECT_FALSE(ds.Eof());
    ds.Delete();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST(Framework, BookmarksReturnToTheirRecord)
{
    FakeDataSet ds;
    Fill(ds, 5);
    ds.Open();
    ds.MoveBy(2);
    TBookmark mark = ds.GetBookmark();
    ASSERT_EQ(mark.size(), 12u);
    ds.Last();
    ds.GotoBookmark(mark);
    EXPECT_EQ(Current(ds), "r2");
    EXPECT_FALSE(ds.Eof());
    EXPECT_FALSE(ds.Bof());
    ds.Next();
    EXPECT_EQ(Current(ds), "r3");
}

TEST(Framework, ErrorsCarryTheComponentName)
{
    FakeDataSet ds;
    Fill(ds, 2);
    const std::string closed = "Fake1: Cannot perform this operation on a closed dataset";
    EXPECT_EQ(ErrorOf([&] { ds.First(); }), closed);
    EXPECT_EQ(ErrorOf([&] { ds.Next(); }), closed);
    EXPECT_EQ(ErrorOf([&] { ds.RecordCount(); }), closed);
    EXPECT_EQ(ErrorOf([&] { ds.Edit(); }), closed);
    EXPECT_EQ(ErrorOf([&] { ds.Refresh(); }), closed);

    ds.Open();
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("iota"); }), "Fake1: Field 'iota' not found");
    EXPECT_EQ(ds.FindField("iota"), nullptr);
    EXPECT_EQ(&ds.FieldByName("NaMe"), &ds.Fields(0));
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("name").SetAsString("x"); }), "Fake1: Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "Fake1: Dataset not in edit or insert mode");

    ds.Close();
    ds.readOnly = true;
    ds.Open();
    const std::string readOnly = "Fake1: Cannot modify a read-only dataset";
    EXPECT_EQ(ErrorOf([&] { ds.Edit(); }), readOnly);
    EXPECT_EQ(ErrorOf([&] { ds.Insert(); }), readOnly);
    EXPECT_EQ(ErrorOf([&] { ds.Append(); }), readOnly);
    EXPECT_EQ(ErrorOf([&] { ds.Delete(); }), readOnly);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
}

TEST(Framework, FailedOpenLeavesTheDatasetClosed)
{
    FakeDataSet ds;
    Fill(ds, 2);
    ds.failOpen = true;
    EXPECT_EQ(ErrorOf([&] { ds.Open(); }), "cannot open");
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.TakeLog(), (Log{"open", "close"}));
    EXPECT_EQ(ds.buffersAllocated, 0);
    ds.failOpen = false;
    ds.Open();
    EXPECT_EQ(Current(ds), "r0");
}
