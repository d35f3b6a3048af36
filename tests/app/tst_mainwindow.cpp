// SPDX-License-Identifier: MIT
// The main window: start-up layout, the two states, Open/Close/Convert/Help/About, the
// accelerator rule, the error display and the engine's plain messages.
#include "AppTestSupport.h"
#include "DBGrid.h"
#include "DbfPlatform.h"
#include "FakePrompts.h"
#include "SpeedButton.h"
#include "TableBytes.h"
#include "Unit1.h"
#include "Unit4.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QtTest>

#include <memory>

namespace {

constexpr TLocalDate kToday{2024, 5, 6};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startUpState();
    void resizingStretchesOnlyTheToolBar();
    void cancelledDialogChangesNothing_data();
    void cancelledDialogChangesNothing();
    void failedOpenLeavesNoLogOpen();
    void openCloseOpen();
    void openWhileLogOpen_data();
    void openWhileLogOpen();
    void accelerators_data();
    void accelerators();
    void convertWritesWholeLogAndFillsBar();
    void helpInBothStates();
    void aboutBoxIsModalAndComesBackWhereLeft();
    void headerRepairShowsPlainMessage();
    void commandLineOpensTable();
    void closingTheWindowClosesTheLog();

private:
    bool logOpenState() const;
    void showAndActivate();

    std::function<TLocalDate()> m_previousDate;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePrompts> m_prompts;
    std::unique_ptr<FakeHelp> m_help;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<TAboutBox> m_about;
    std::unique_ptr<QObject> m_perTest;
};

void MainWindowTest::initTestCase()
{
    m_previousDate = SetLocalDateSource([] { return kToday; });
}

void MainWindowTest::cleanupTestCase() { SetLocalDateSource(m_previousDate); }

void MainWindowTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = std::make_unique<FakePrompts>();
    m_help = std::make_unique<FakeHelp>();
    m_form = std::make_unique<TForm1>(*m_prompts, *m_help);
    m_about = std::make_unique<TAboutBox>(m_form.get());
    m_form->setAboutBox(m_about.get());
    m_perTest = std::make_unique<QObject>();
}

void MainWindowTest::cleanup()
{
    m_perTest.reset();
    m_about.reset();
    m_form.reset();
    m_help.reset();
    m_prompts.reset();
    m_dir.reset();
}

bool MainWindowTest::logOpenState() const
{
    const TForm1& f = *m_form;
    const bool open = f.Dbf1.Active() && !f.DBGrid1->isHidden() && !f.ProgressBar1->isHidden() &&
                      f.SpeedButton2->isEnabled() && f.SpeedButton5->isEnabled();
    const bool closed = !f.Dbf1.Active() && f.DBGrid1->isHidden() && f.ProgressBar1->isHidden() &&
                        !f.SpeedButton2->isEnabled() && !f.SpeedButton5->isEnabled();
    [&] { QVERIFY2(open || closed, "the controls match neither window state"); }();
    // Open, Help and About are usable in both states.
    [&] { QVERIFY(f.SpeedButton1->isEnabled() && f.SpeedButton3->isEnabled() && f.SpeedButton4->isEnabled()); }();
    return open;
}

void MainWindowTest::showAndActivate()
{
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void MainWindowTest::startUpState()
{
    TForm1& f = *m_form;
    QCOMPARE(f.windowTitle(), QStringLiteral("Varden's Quillon to ADIF Converter v1.0"));
    QCOMPARE(f.pos(), QPoint(196, 107));
    QCOMPARE(f.size(), QSize(536, 261));
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!f.windowIcon().isNull());
    QVERIFY(!logOpenState());
    QVERIFY(f.Dbf1.FileName().empty());
    QCOMPARE(f.Dbf1.Name(), std::string("Dbf1"));

    QCOMPARE(f.CoolBar1->geometry(), QRect(0, 0, 536, 61));
    struct Button {
        SpeedButton* button;
        const char* name;
        const char* caption;
        const char* hint;
        int left;
    };
    const Button buttons[] = {{f.SpeedButton1, "SpeedButton1", "&Open", "Open", 0},
                              {f.SpeedButton5, "SpeedButton5", "&Close", "Close", 56},
                              {f.SpeedButton2, "SpeedButton2", "&Convert", "Convert", 112},
                              {f.SpeedButton3, "SpeedButton3", "&Help", "Help", 168},
                              {f.SpeedButton4, "SpeedButton4", "&About", "About", 224}};
    for (const Button& b : buttons) {
        QCOMPARE(b.button->objectName(), QString::fromLatin1(b.name));
        QCOMPARE(b.button->text(), QString::fromLatin1(b.caption));
        QCOMPARE(b.button->toolTip(), QString::fromLatin1(b.hint));
        QCOMPARE(b.button->geometry(), QRect(b.left, 0, 57, 57));
        QCOMPARE(b.button->parentWidget(), f.CoolBar1);
        QVERIFY(b.button->autoRaise());
        QCOMPARE(b.button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QCOMPARE(b.button->iconSize(), QSize(32, 32));
        QVERIFY(!b.button->icon().isNull());
    }
    QCOMPARE(f.DBGrid1->geometry(), QRect(0, 64, 536, 182));
    QCOMPARE(f.ProgressBar1->geometry(), QRect(0, 248, 536, 13));
    QCOMPARE(f.ProgressBar1->minimum(), 0);
    QCOMPARE(f.ProgressBar1->maximum(), 100);
    QCOMPARE(f.ProgressBar1->value(), 0);
}

void MainWindowTest::resizingStretchesOnlyTheToolBar()
{
    showAndActivate();
    m_form->resize(700, 400);
    QTRY_COMPARE(m_form->CoolBar1->width(), 700);
    QCOMPARE(m_form->DBGrid1->geometry(), QRect(0, 64, 536, 182));
    QCOMPARE(m_form->ProgressBar1->geometry(), QRect(0, 248, 536, 13));
}

void MainWindowTest::cancelledDialogChangesNothing_data()
{
    QTest::addColumn<bool>("logOpen");
    QTest::newRow("no log open") << false;
    QTest::newRow("log open") << true;
}

void MainWindowTest::cancelledDialogChangesNothing()
{
    QFETCH(bool, logOpen);
    const QString table = CopySample(*m_dir);
    if (logOpen) {
        m_prompts->fileNames = {table};
        m_form->SpeedButton1Click();
    }
    const std::string nameBefore = m_form->Dbf1.FileName();
    m_form->SpeedButton1Click();  // the fake dialog has no answer left: Cancel
    QCOMPARE(m_prompts->openDialogs, logOpen ? 2 : 1);
    QCOMPARE(logOpenState(), logOpen);
    QCOMPARE(m_form->Dbf1.FileName(), nameBefore);
    QVERIFY(m_prompts->errors.isEmpty());
}

void MainWindowTest::failedOpenLeavesNoLogOpen()
{
    const QString missing = m_dir->filePath(QStringLiteral("MISSING.DBF"));
    m_prompts->fileNames = {missing};
    m_form->SpeedButton1Click();
    QCOMPARE(m_prompts->errors, QStringList{QStringLiteral("Open: Table file not found : %1.").arg(missing)});
    QVERIFY(!logOpenState());
    QCOMPARE(QString::fromStdString(m_form->Dbf1.FileName()), missing);  // the name tried is kept

    // A following Open of an existing table works normally.
    m_prompts->fileNames = {CopySample(*m_dir)};
    m_form->SpeedButton1Click();
    QVERIFY(logOpenState());
    QCOMPARE(m_prompts->errors.size(), 1);
}

void MainWindowTest::openCloseOpen()
{
    const QString table = CopySample(*m_dir);
    QCOMPARE(TableBytes(table).updateYear(), 2000);
    m_prompts->fileNames = {table, table};
    m_form->SpeedButton1Click();
    QVERIFY(logOpenState());
    QCOMPARE(QString::fromStdString(m_form->Dbf1.FileName()), table);
    QCOMPARE(m_form->ProgressBar1->value(), 0);

    m_form->SpeedButton5Click();
    QVERIFY(!logOpenState());
    QVERIFY(m_form->Dbf1.FileName().empty());
    // Closing a writable table rewrites its header with today's date.
    const TableBytes closed(table);
    QCOMPARE(closed.updateYear(), kToday.Year);
    QCOMPARE(closed.updateMonth(), kToday.Month);
    QCOMPARE(closed.updateDay(), kToday.Day);

    m_form->SpeedButton1Click();
    QVERIFY(logOpenState());
    QVERIFY2(m_form->ProgressBar1->value() < m_form->ProgressBar1->minimum() ||
                 m_form->ProgressBar1->value() == m_form->ProgressBar1->minimum(),
             "the progress bar is empty after Close and Open");
    QVERIFY(m_prompts->errors.isEmpty());
}

void MainWindowTest::openWhileLogOpen_data()
{
    QTest::addColumn<bool>("secondExists");
    QTest::newRow("second table opens") << true;
    QTest::newRow("second table missing") << false;
}

void MainWindowTest::openWhileLogOpen()
{
    QFETCH(bool, secondExists);
    const QString first = CopySample(*m_dir, QStringLiteral("FIRST"));
    const QString second =
        secondExists ? CopySample(*m_dir, QStringLiteral("SECOND")) : m_dir->filePath(QStringLiteral("SECOND.DBF"));
    m_prompts->fileNames = {first, second};
    m_form->SpeedButton1Click();
    QVERIFY(logOpenState());
    m_form->SpeedButton1Click();

    // The first log was closed as Close does: header rewritten, table released.
    QCOMPARE(TableBytes(first).updateYear(), kToday.Year);
    {
        TDbf other("Other");
        other.SetFileName(first.toStdString());
        other.SetActive(true);  // would fail while the window still held the first table
        QVERIFY(other.Active());
    }
    QCOMPARE(QString::fromStdString(m_form->Dbf1.FileName()), second);
    QCOMPARE(logOpenState(), secondExists);
    QCOMPARE(m_prompts->errors.size(), secondExists ? 0 : 1);
    if (secondExists) {
        m_form->SpeedButton2Click();
        QVERIFY(QFile::exists(m_dir->filePath(QStringLiteral("SECOND.adi"))));
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("FIRST.adi"))));
    }
}

void MainWindowTest::accelerators_data()
{
    QTest::addColumn<bool>("logOpen");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");  // which command ran: open, convert, close, help, about, none
    QTest::newRow("Alt+O, no log") << false << int(Qt::Key_O) << "open";
    QTest::newRow("Alt+H, no log") << false << int(Qt::Key_H) << "help";
    QTest::newRow("Alt+A, no log") << false << int(Qt::Key_A) << "about";
    QTest::newRow("Alt+C, no log") << false << int(Qt::Key_C) << "none";
    QTest::newRow("Alt+C, log open") << true << int(Qt::Key_C) << "convert";
    QTest::newRow("Alt+H, log open") << true << int(Qt::Key_H) << "help";
}

void MainWindowTest::accelerators()
{
    QFETCH(bool, logOpen);
    QFETCH(int, key);
    QFETCH(QString, expected);
    const QString table = CopySample(*m_dir);
    const QString adif = m_dir->filePath(QStringLiteral("QUILLON.adi"));
    if (logOpen) {
        m_prompts->fileNames = {table};
        m_form->SpeedButton1Click();
        QVERIFY(logOpenState());
        m_prompts->openDialogs = 0;
    }
    showAndActivate();
    int aboutShown = 0;
    if (expected == QLatin1String("about"))
        CloseModalWhenShown(m_perTest.get(), [&aboutShown](QWidget* modal) {
            ++aboutShown;
            static_cast<QDialog*>(modal)->reject();
        });

    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : m_form.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::AltModifier);

    // A mnemonic animates the click; clicked() arrives some 100 ms later.
    if (expected == QLatin1String("open"))
        QTRY_COMPARE(m_prompts->openDialogs, 1);
    else if (expected == QLatin1String("help"))
        QTRY_COMPARE(m_help->shown, 1);
    else if (expected == QLatin1String("about"))
        QTRY_COMPARE(aboutShown, 1);
    else if (expected == QLatin1String("convert"))
        QTRY_VERIFY(QFile::exists(adif));
    QTest::qWait(300);  // long enough for any other click to arrive
    QCOMPARE(m_prompts->openDialogs, expected == QLatin1String("open") ? 1 : 0);
    QCOMPARE(m_help->shown, expected == QLatin1String("help") ? 1 : 0);
    QCOMPARE(aboutShown, expected == QLatin1String("about") ? 1 : 0);
    QCOMPARE(QFile::exists(adif), expected == QLatin1String("convert"));
    QCOMPARE(logOpenState(), logOpen);  // Alt+C never ran Close
    QVERIFY(m_prompts->errors.isEmpty());
}

void MainWindowTest::convertWritesWholeLogAndFillsBar()
{
    m_prompts->fileNames = {CopySample(*m_dir)};
    m_form->SpeedButton1Click();
    // The grid shows the last record; Convert still writes the whole log.
    showAndActivate();
    QTest::keyClick(m_form->DBGrid1, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(m_form->Dbf1.Eof());

    m_form->SpeedButton2Click();
    QVERIFY(m_prompts->errors.isEmpty());
    const QByteArray adif = FileBytes(m_dir->filePath(QStringLiteral("QUILLON.adi")));
    QCOMPARE(adif.count("<EOR>"), 13);  // 16 records, 3 of them deleted
    QVERIFY(adif.contains("<CALL:6>N0CALL "));
    QCOMPARE(m_form->ProgressBar1->value(), m_form->ProgressBar1->maximum());
    QVERIFY(m_form->Dbf1.Eof());
    QVERIFY(logOpenState());
}

void MainWindowTest::helpInBothStates()
{
    m_form->SpeedButton3Click();
    QCOMPARE(m_help->shown, 1);
    QVERIFY(!logOpenState());

    const QString table = CopySample(*m_dir);
    m_prompts->fileNames = {table};
    m_form->SpeedButton1Click();
    const QByteArray before = FileBytes(table);
    const int recNo = m_form->Dbf1.RecNo();
    m_form->SpeedButton3Click();
    QCOMPARE(m_help->shown, 2);
    QVERIFY(logOpenState());
    QCOMPARE(m_form->Dbf1.RecNo(), recNo);
    QCOMPARE(FileBytes(table), before);
    QVERIFY(m_prompts->errors.isEmpty());
}

void MainWindowTest::aboutBoxIsModalAndComesBackWhereLeft()
{
    showAndActivate();
    TAboutBox& box = *m_about;
    QCOMPARE(box.windowTitle(), QStringLiteral("About Varden's Quillon2ADIF"));
    QCOMPARE(box.size(), QSize(262, 189));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QCOMPARE(box.SpeedButton1->text(), QStringLiteral("&Close"));
    QVERIFY(!box.ProgramIcon->pixmap().isNull());

    QPoint firstPlace;
    CloseModalWhenShown(m_perTest.get(), [&](QWidget* modal) {
        QCOMPARE(modal, static_cast<QWidget*>(&box));
        firstPlace = box.pos();
        box.move(firstPlace + QPoint(40, 30));  // the user drags it elsewhere
        box.SpeedButton1->click();
    });
    m_form->SpeedButton4Click();  // returns once the box is closed
    QVERIFY(box.isHidden());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    const QRect screen = m_form->screen()->availableGeometry();
    QVERIFY2((firstPlace + QPoint(box.width() / 2, box.height() / 2) - screen.center()).manhattanLength() <= 2,
             "the first About is centred on the screen");

    QPoint secondPlace;
    CloseModalWhenShown(m_perTest.get(), [&](QWidget*) {
        secondPlace = box.pos();
        box.reject();  // the title bar's close box does the same
    });
    m_form->SpeedButton4Click();
    QCOMPARE(secondPlace, firstPlace + QPoint(40, 30));
    QVERIFY(m_prompts->errors.isEmpty());
}

void MainWindowTest::headerRepairShowsPlainMessage()
{
    // The header claims 20 records; the file holds 16.
    const QString table = CopySample(*m_dir);
    {
        QFile file(table);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(4);
        const char count[4] = {20, 0, 0, 0};
        file.write(count, 4);
    }
    m_prompts->fileNames = {table};
    m_form->SpeedButton1Click();
    QCOMPARE(m_prompts->plainMessages,
             QStringList{QStringLiteral("Invalid Record Count,\nRecordCount in Hdr : 20\nexpected : 16")});
    QVERIFY(m_prompts->errors.isEmpty());
    QVERIFY(logOpenState());  // the repair does not stop the open
    m_form->SpeedButton5Click();
    QCOMPARE(TableBytes(table).headerRecordCount(), 16);
}

void MainWindowTest::commandLineOpensTable()
{
    const QString table = CopySample(*m_dir);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    m_form->openFromCommandLine(QStringLiteral("QUILLON.DBF"));
    QDir::setCurrent(previous);
    QVERIFY(logOpenState());
    QCOMPARE(QString::fromStdString(m_form->Dbf1.FileName()), table);
}

void MainWindowTest::closingTheWindowClosesTheLog()
{
    const QString table = CopySample(*m_dir);
    m_prompts->fileNames = {table};
    m_form->SpeedButton1Click();
    QVERIFY(m_form->Dbf1.Active());
    QVERIFY(m_form->close());
    // Closed by the window, not by its destruction: the header is rewritten and any
    // failure would have reached the error box.
    QVERIFY(!m_form->Dbf1.Active());
    QCOMPARE(TableBytes(table).updateYear(), kToday.Year);
    QVERIFY(m_prompts->errors.isEmpty());
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
