// SPDX-License-Identifier: MIT
// The grid over the sample log: what it shows, moving through the dataset, cell and memo
// editing written back to the table, new and deleted records, refused values.
//
// Sample rows as the grid shows them (records 4, 9 and 14 of the file are deleted):
// row 0 = record 0 (N0CALL), row 1 = record 1 (ON7Z, has a memo), row 2 = record 2 (José),
// row 3 = record 3 (Müller), row 4 = record 5 ...
#include "AppTestSupport.h"
#include "DBGrid.h"
#include "FakePrompts.h"
#include "SpeedButton.h"
#include "TableBytes.h"
#include "Unit1.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QtTest>

#include <memory>

namespace {

constexpr int kCall = 2;
constexpr int kFreq = 3;
constexpr int kName = 11;
constexpr int kRemarks = 13;
constexpr int kRecordsInFile = 16;
/// Records the grid shows, in order (4, 9 and 14 are deleted).
constexpr int kPresented[] = {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 15};

}  // namespace

class GridTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstScreenShowsTheLog();
    void navigationGoesThroughTheDataset();
    void scrollBarMapsRecordNumbers();
    void editedCellIsWrittenWhenTheRowIsLeft();
    void escapeCancelsCellThenRecord();
    void refusedValueKeepsTheEditorOpen_data();
    void refusedValueKeepsTheEditorOpen();
    void insertedRecordGoesToTheEnd();
    void downOnLastRowAppends();
    void untouchedNewRecordIsDroppedWhenFocusLeaves();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void memoIsEditedInItsDialog();

private:
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void type(const QString& text);
    TDataSet& ds() { return m_form->Dbf1; }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePrompts> m_prompts;
    std::unique_ptr<FakeHelp> m_help;
    std::unique_ptr<TForm1> m_form;
    DBGrid* m_grid = nullptr;
    QString m_table;
};

void GridTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_table = CopySample(*m_dir);
    QVERIFY(!m_table.isEmpty());
    m_prompts = std::make_unique<FakePrompts>();
    m_help = std::make_unique<FakeHelp>();
    m_form = std::make_unique<TForm1>(*m_prompts, *m_help);
    m_prompts->fileNames = {m_table};
    m_form->SpeedButton1Click();
    QVERIFY(m_form->Dbf1.Active());
    m_grid = m_form->DBGrid1;
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_grid->setFocus();
    QTRY_VERIFY(m_grid->hasFocus());
}

void GridTest::cleanup()
{
    m_form.reset();
    m_help.reset();
    m_prompts.reset();
    m_dir.reset();
}

void GridTest::press(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : m_grid;
    QTest::keyClick(target, key, modifiers);
}

void GridTest::type(const QString& text)
{
    // Character by character to whatever has the focus: the first one opens the cell
    // editor, the rest go into it.  QTest::keyClicks cannot send characters beyond Latin-1.
    for (const QChar c : text) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : m_grid;
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void GridTest::firstScreenShowsTheLog()
{
    const QHeaderView* titles = m_grid->titleRow();
    QCOMPARE(titles->count(), 14);
    const QStringList names = {"Date", "Time", "call", "freq", "mode", "sent", "rcvd",
                               "state", "iota", "qsl", "qmgr", "name", "note", "remarks"};
    for (int column = 0; column < names.size(); ++column)
        QCOMPARE(titles->model()->headerData(column, Qt::Horizontal).toString(), names[column]);

    // One record buffer per visible row, and the rows fill the grid.
    QVERIFY(m_grid->visibleRowCount() >= 5);
    QCOMPARE(ds().BufferCount(), m_grid->visibleRowCount());
    QCOMPARE(m_grid->currentRow(), 0);
    QCOMPARE(m_grid->cellText(0, 0), QStringLiteral("19-Nov-2000"));
    QCOMPARE(m_grid->cellText(0, kCall), QStringLiteral("N0CALL"));
    QCOMPARE(m_grid->cellText(0, kFreq), QStringLiteral("14.025"));
    QCOMPARE(m_grid->cellText(2, kName), QString::fromUtf8("José"));
    QCOMPARE(m_grid->cellText(3, kName), QString::fromUtf8("Müller"));
    QCOMPARE(m_grid->cellText(4, kCall), QStringLiteral("EA8/PA0ZD"));  // record 4 is deleted
    // A memo cell shows its first line only.
    const QString memo = m_grid->cellText(1, kRemarks);
    QVERIFY(!memo.isEmpty());
    QVERIFY(!memo.contains(u'\n') && !memo.contains(u'\r'));
    QVERIFY(m_grid->verticalScrollBar()->maximum() > 0);
}

void GridTest::navigationGoesThroughTheDataset()
{
    press(Qt::Key_End, Qt::ControlModifier);
    QCoreApplication::processEvents();  // the scroll bar follows and must not move the dataset
    QVERIFY(ds().Eof());
    QCOMPARE(ds().RecNo(), kRecordsInFile);
    QCOMPARE(m_grid->verticalScrollBar()->value(), kRecordsInFile - 1);
    QCOMPARE(m_grid->cellText(m_grid->currentRow(), kCall), QStringLiteral("SM3CYG"));

    press(Qt::Key_Home, Qt::ControlModifier);
    QVERIFY(ds().Bof());
    QCOMPARE(ds().RecNo(), 1);

    const int rows = m_grid->visibleRowCount();
    QVERIFY(rows + 1 < int(std::size(kPresented)));
    press(Qt::Key_PageDown);
    QCOMPARE(m_grid->currentRow(), rows - 1);
    QCOMPARE(ds().RecNo(), kPresented[rows] + 1);
    press(Qt::Key_Up);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    QCOMPARE(ds().RecNo(), kPresented[rows + 1] + 1);

    press(Qt::Key_Home, Qt::ControlModifier);
    press(Qt::Key_End);
    QCOMPARE(m_grid->currentColumn(), kRemarks);
    press(Qt::Key_Tab);  // from the last column to the next record's first
    QCOMPARE(m_grid->currentColumn(), 0);
    QCOMPARE(ds().RecNo(), 2);
    press(Qt::Key_Backtab);
    QCOMPARE(m_grid->currentColumn(), kRemarks);
    QCOMPARE(ds().RecNo(), 1);
    QVERIFY(m_prompts->errors.isEmpty());
}

void GridTest::scrollBarMapsRecordNumbers()
{
    QScrollBar* bar = m_grid->verticalScrollBar();
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), kRecordsInFile - 1);

    struct Drag {
        int position;
        int recNo;  // where the dataset lands
    };
    // Position 9 is deleted record 9: the dataset goes on to record 10.
    for (const Drag drag : {Drag{10, 11}, Drag{9, 11}, Drag{kRecordsInFile - 1, kRecordsInFile}, Drag{0, 1}, Drag{6, 7}}) {
        bar->setSliderDown(true);
        bar->setSliderPosition(drag.position);
        bar->setSliderDown(false);
        QCOMPARE(ds().RecNo(), drag.recNo);
        QTRY_COMPARE(bar->value(), drag.recNo - 1);
    }
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(ds().RecNo(), 8);
    QVERIFY(m_prompts->errors.isEmpty());
}

void GridTest::editedCellIsWrittenWhenTheRowIsLeft()
{
    m_grid->setCurrentColumn(kCall);
    press(Qt::Key_Down);  // record 1, ON7Z
    type(QStringLiteral("DL1ABC"));
    QVERIFY(m_grid->isEditorOpen());
    QCOMPARE(ds().State(), TDataSetState::dsEdit);
    QCOMPARE(TableBytes(m_table).field(1, "call"), QByteArray("ON7Z"));  // nothing written yet

    press(Qt::Key_Down);
    QVERIFY(!m_grid->isEditorOpen());
    QCOMPARE(ds().State(), TDataSetState::dsBrowse);
    QCOMPARE(TableBytes(m_table).field(1, "call"), QByteArray("DL1ABC"));
    QCOMPARE(m_grid->cellText(1, kCall), QStringLiteral("DL1ABC"));

    // F2 edits the present text; Enter ends the cell, leaving the row posts it.  A name
    // outside ASCII reaches the table in its code page.
    m_grid->setCurrentColumn(kName);
    press(Qt::Key_F2);
    QCOMPARE(m_grid->cellEditor()->text(), QString::fromUtf8("José"));
    type(QString::fromUtf8("é"));
    press(Qt::Key_Return);
    QVERIFY(!m_grid->isEditorOpen());
    press(Qt::Key_Up);
    QCOMPARE(TableBytes(m_table).field(2, "name"), QByteArray("Jos\x82\x82"));  // CP437 é
    QVERIFY(m_prompts->errors.isEmpty());
}

void GridTest::escapeCancelsCellThenRecord()
{
    m_grid->setCurrentColumn(kCall);
    const QByteArray before = FileBytes(m_table);
    type(QStringLiteral("XX"));
    press(Qt::Key_Escape);  // the cell edit
    QVERIFY(!m_grid->isEditorOpen());
    QCOMPARE(m_grid->cellText(0, kCall), QStringLiteral("N0CALL"));

    type(QStringLiteral("YY"));
    press(Qt::Key_Tab);  // the value reaches the record, which stays in editing
    QCOMPARE(ds().State(), TDataSetState::dsEdit);
    QCOMPARE(m_grid->cellText(0, kCall), QStringLiteral("YY"));
    press(Qt::Key_Escape);  // the record edit
    QCOMPARE(ds().State(), TDataSetState::dsBrowse);
    QCOMPARE(m_grid->cellText(0, kCall), QStringLiteral("N0CALL"));
    QCOMPARE(FileBytes(m_table), before);
}

void GridTest::refusedValueKeepsTheEditorOpen_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("error");
    QTest::newRow("too long for call C(13)")
        << kCall << QStringLiteral("ABCDEFGHIJKLMN") << QStringLiteral("Field too long :14 (must be between 1 and 13).");
    QTest::newRow("not in CP1252")
        << kName << QString::fromUtf8("Łukasz")
        << QString::fromUtf8("The character 'Ł' (U+0141) cannot be stored in this log, which holds only "
                             "Western European (Windows-1252) characters.");
    QTest::newRow("not a number") << kFreq << QStringLiteral("abc")
                                  << QStringLiteral("'abc' is not a valid floating point value.");
}

void GridTest::refusedValueKeepsTheEditorOpen()
{
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, error);
    const QByteArray before = FileBytes(m_table);
    m_grid->setCurrentColumn(column);
    type(typed);
    press(Qt::Key_Down);
    QCOMPARE(m_prompts->errors, QStringList{error});
    // Nothing is lost: the editor keeps the text, the record stays current and unchanged.
    QVERIFY(m_grid->isEditorOpen());
    QCOMPARE(m_grid->cellEditor()->text(), typed);
    QCOMPARE(ds().RecNo(), 1);
    QCOMPARE(FileBytes(m_table), before);

    press(Qt::Key_Escape);
    press(Qt::Key_Escape);
    QCOMPARE(ds().State(), TDataSetState::dsBrowse);
    press(Qt::Key_Down);
    QCOMPARE(ds().RecNo(), 2);
    QCOMPARE(m_prompts->errors.size(), 1);
    QCOMPARE(FileBytes(m_table), before);
}

void GridTest::insertedRecordGoesToTheEnd()
{
    m_grid->setCurrentColumn(kCall);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Insert);
    QCOMPARE(ds().State(), TDataSetState::dsInsert);
    QCOMPARE(m_grid->currentRow(), 2);  // the new row stands where Insert was pressed
    type(QStringLiteral("NEW1"));
    // One press saves the new row at the end of the table and goes on below it, to the
    // next new row.
    press(Qt::Key_Down);
    QCOMPARE(ds().State(), TDataSetState::dsInsert);
    QVERIFY(!ds().Modified());
    QCOMPARE(m_grid->cellText(m_grid->currentRow() - 1, kCall), QStringLiteral("NEW1"));
    press(Qt::Key_Escape);  // the untouched next row is dropped; the saved one is the last
    QCOMPARE(ds().State(), TDataSetState::dsBrowse);
    QCOMPARE(ds().RecordCount(), kRecordsInFile + 1);
    QCOMPARE(ds().RecNo(), kRecordsInFile + 1);
    QCOMPARE(m_grid->cellText(m_grid->currentRow(), kCall), QStringLiteral("NEW1"));
    const TableBytes table(m_table);
    QCOMPARE(table.recordsInFile(), kRecordsInFile + 1);
    QCOMPARE(table.field(kRecordsInFile, "call"), QByteArray("NEW1"));
    QCOMPARE(table.deletionFlag(kRecordsInFile), ' ');
    QVERIFY(m_prompts->errors.isEmpty());
}

void GridTest::downOnLastRowAppends()
{
    m_grid->setCurrentColumn(kCall);
    press(Qt::Key_End, Qt::ControlModifier);
    press(Qt::Key_Down);
    QCOMPARE(ds().State(), TDataSetState::dsInsert);
    press(Qt::Key_Down);  // nothing below an untouched new row
    QCOMPARE(ds().State(), TDataSetState::dsInsert);
    type(QStringLiteral("APP1"));
    press(Qt::Key_Up);  // leaving the row posts it
    QCOMPARE(ds().State(), TDataSetState::dsBrowse);
    QCOMPARE(TableBytes(m_table).field(kRecordsInFile, "call"), QByteArray("APP1"));
    m_form->SpeedButton5Click();
    QCOMPARE(TableBytes(m_table).headerRecordCount(), kRecordsInFile + 1);
    QVERIFY(m_prompts->errors.isEmpty());
}

void GridTest::untouchedNewRecordIsDroppedWhenFocusLeaves()
{
    press(Qt::Key_Insert);
    QCOMPARE(ds().State(), TDataSetState::dsInsert);
    m_form->SpeedButton1->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(ds().State(), TDataSetState::dsBrowse);
    QCOMPARE(ds().RecordCount(), kRecordsInFile);
    QCOMPARE(TableBytes(m_table).recordsInFile(), kRecordsInFile);

    // One with a value is kept.
    m_grid->setFocus();
    QTRY_VERIFY(m_grid->hasFocus());
    press(Qt::Key_Insert);
    type(QStringLiteral("KEEP"));
    m_form->SpeedButton1->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(ds().Modified());  // the typed value reached the record
    QCOMPARE(ds().State(), TDataSetState::dsInsert);
    QVERIFY(m_prompts->errors.isEmpty());
}

void GridTest::deleteAsksFirst_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void GridTest::deleteAsksFirst()
{
    QFETCH(bool, answer);
    m_prompts->answerYes = answer;
    press(Qt::Key_Down);  // record 1, ON7Z
    press(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(m_prompts->questions, QStringList{QStringLiteral("Delete record?")});
    const TableBytes table(m_table);
    QCOMPARE(table.deletionFlag(1), answer ? '*' : ' ');
    QCOMPARE(table.recordsInFile(), kRecordsInFile);
    QCOMPARE(m_grid->cellText(1, kCall), answer ? QStringLiteral("4X5P") : QStringLiteral("ON7Z"));
    QCOMPARE(m_grid->currentRow(), 1);  // the next record became current
    QVERIFY(m_prompts->errors.isEmpty());
}

void GridTest::memoIsEditedInItsDialog()
{
    m_grid->setCurrentColumn(kRemarks);
    press(Qt::Key_Down);  // record 1 has a memo
    const QString memoPath = m_dir->filePath(QStringLiteral("QUILLON.DBT"));
    m_prompts->memoTexts = {QStringLiteral("Worked on a new antenna\r\nsecond line")};
    press(Qt::Key_F2);
    QCOMPARE(m_prompts->memoDialogs, 1);
    QVERIFY(!m_prompts->memoShown.constFirst().isEmpty());  // the dialog showed the old text
    QCOMPARE(ds().State(), TDataSetState::dsEdit);
    QVERIFY(!FileBytes(memoPath).contains("Worked on a new antenna"));  // held until the post
    QCOMPARE(m_grid->cellText(1, kRemarks), QStringLiteral("Worked on a new antenna"));
    // Row 6 is record 7, which has a memo of its own.
    QVERIFY(m_grid->cellText(6, kRemarks) != QStringLiteral("Worked on a new antenna"));

    press(Qt::Key_Down);
    QCOMPARE(ds().State(), TDataSetState::dsBrowse);
    QVERIFY(FileBytes(memoPath).contains("Worked on a new antenna\r\nsecond line"));

    // A text that CP1252 cannot hold is refused, and the dialog comes back with it.
    m_prompts->memoTexts = {QString::fromUtf8("Ω")};
    press(Qt::Key_F2);
    QCOMPARE(m_prompts->memoDialogs, 3);  // refused, shown again, cancelled
    QCOMPARE(m_prompts->memoShown.constLast(), QString::fromUtf8("Ω"));
    QCOMPARE(m_prompts->errors.size(), 1);
}

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
