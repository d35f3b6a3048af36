// SPDX-License-Identifier: MIT
// The main window: start-up layout, the two states, Open, Close, Convert, Help and About.
#include "Unit1.h"

#include "AdifExport.h"
#include "AppTexts.h"
#include "DBGrid.h"
#include "ErrorDisplay.h"
#include "ProgressBarSink.h"
#include "SpeedButton.h"
#include "Unit4.h"
#include "UserPrompts.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QProgressBar>

namespace {

// Client-area bounds of the form; the outer size 544 x 288 is these plus the frame.
constexpr int kClientWidth = 536;
constexpr int kClientHeight = 261;
constexpr int kCoolBarHeight = 61;
constexpr int kButtonSize = 57;

/// Keeps the grid from repainting for every record the export walks over.
class ControlsDisabled {
public:
    explicit ControlsDisabled(TDataSet& dataSet) : m_dataSet(dataSet) { m_dataSet.DisableControls(); }
    ~ControlsDisabled() { m_dataSet.EnableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    TDataSet& m_dataSet;
};

}  // namespace

TForm1::TForm1(IUserPrompts& prompts, IHelpLauncher& help, QWidget* parent)
    : QWidget(parent, Qt::Window), m_prompts(prompts), m_help(help)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(apptexts::kApplicationTitle);
    setWindowIcon(ProgramIcon());
    // The system menu and the minimise button, no maximise button; the border still resizes.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    move(196, 107);
    resize(kClientWidth, kClientHeight);

    DataSource1.SetDataSet(&Dbf1);
    m_previousPlainMessages = SetPlainMessageBox(&m_plainMessages);

    CoolBar1 = new QFrame(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    CoolBar1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    CoolBar1->setGeometry(0, 0, kClientWidth, kCoolBarHeight);

    // Along the bar: Open, Close, Convert, Help, About, each overlapping its neighbour by a pixel.
    SpeedButton1 = createButton(QStringLiteral("SpeedButton1"), QStringLiteral("&Open"), QStringLiteral("Open"),
                                QStringLiteral("open"), 0, &TForm1::SpeedButton1Click);
    SpeedButton5 = createButton(QStringLiteral("SpeedButton5"), QStringLiteral("&Close"), QStringLiteral("Close"),
                                QStringLiteral("close"), 56, &TForm1::SpeedButton5Click);
    SpeedButton2 = createButton(QStringLiteral("SpeedButton2"), QStringLiteral("&Convert"), QStringLiteral("Convert"),
                                QStringLiteral("convert"), 112, &TForm1::SpeedButton2Click);
    SpeedButton3 = createButton(QStringLiteral("SpeedButton3"), QStringLiteral("&Help"), QStringLiteral("Help"),
                                QStringLiteral("help"), 168, &TForm1::SpeedButton3Click);
    SpeedButton4 = createButton(QStringLiteral("SpeedButton4"), QStringLiteral("&About"), QStringLiteral("About"),
                                QStringLiteral("about"), 224, &TForm1::SpeedButton4Click);
    SpeedButton5->setEnabled(false);
    SpeedButton2->setEnabled(false);

    DBGrid1 = new DBGrid(m_prompts, this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(0, 64, 536, 182);
    DBGrid1->SetDataSource(&DataSource1);
    DBGrid1->hide();

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(0, 248, 536, 13);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
}

TForm1::~TForm1()
{
    // The grid's link must leave the data source before the dataset goes; then the open
    // log is closed, which rewrites a writable table's header.
    delete DBGrid1;
    DBGrid1 = nullptr;
    runAction([this] { Dbf1.Close(); });
    SetPlainMessageBox(m_previousPlainMessages);
}

SpeedButton* TForm1::createButton(const QString& name, const QString& caption, const QString& hint,
                                  const QString& icon, int left, void (TForm1::*handler)())
{
    auto* button = new SpeedButton(CoolBar1);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(ButtonPicture(icon));
    button->setGeometry(left, 0, kButtonSize, kButtonSize);
    button->setMnemonicHandler([this](QChar letter) { acceleratorPressed(letter); });
    connect(button, &QToolButton::clicked, this, handler);
    return button;
}

void TForm1::acceleratorPressed(QChar letter)
{
    // Alt+letter clicks the first enabled button, by number, whose caption has the letter:
    // Close and Convert share C and are enabled together, so Alt+C is Convert.
    for (SpeedButton* button : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton5}) {
        if (button->isEnabled() && button->mnemonicLetter() == letter) {
            button->animateClick();
            return;
        }
    }
}

void TForm1::runAction(const std::function<void()>& body) { RunGuarded(m_prompts, this, body); }

void TForm1::resizeEvent(QResizeEvent* event)
{
    // The tool bar follows the width; the grid and the progress bar keep their bounds.
    QWidget::resizeEvent(event);
    if (CoolBar1)
        CoolBar1->resize(width(), kCoolBarHeight);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A pending edit is posted before the program ends; if it cannot be (the error box says
    // why), the window stays so that nothing typed is lost.
    if (Dbf1.Active() && !RunGuarded(m_prompts, this, [this] { Dbf1.CheckBrowseMode(); })) {
        event->ignore();
        return;
    }
    // The log is closed here rather than when the window is destroyed, where a failure to
    // rewrite the table's header could not be shown.  The program ends either way.
    if (Dbf1.Active())
        RunGuarded(m_prompts, this, [this] { Dbf1.Close(); });
    event->accept();
}

void TForm1::PlainMessages::ShowMessage(const std::string& text)
{
    // The engine separates lines with a carriage return alone.
    QString shown = EngineText(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    m_form.m_prompts.showPlainMessage(&m_form, shown);
}

// --- commands -------------------------------------------------------------

void TForm1::SpeedButton1Click()
{
    runAction([this] {
        const QString path = m_prompts.openFileName(this);
        if (path.isEmpty())
            return;  // cancelled: nothing changes
        openLog(QFileInfo(path).absoluteFilePath());
    });
}

void TForm1::openFromCommandLine(const QString& path)
{
    runAction([&] { openLog(QFileInfo(path).absoluteFilePath()); });
}

void TForm1::openLog(const QString& path)
{
    // An open log is closed first (its header rewritten, as Close does), so the name, the
    // grid and Convert always belong to the same table.
    if (Dbf1.Active())
        closeLog();
    Dbf1.SetFileName(EnginePath(path));
    Dbf1.SetActive(true);  // raises when the table cannot be opened; the state stays "no log open"
    DBGrid1->show();
    ProgressBar1->show();
    SpeedButton2->setEnabled(true);
    SpeedButton5->setEnabled(true);
    DBGrid1->setFocus(Qt::OtherFocusReason);
}

void TForm1::SpeedButton5Click()
{
    runAction([this] { closeLog(); });
}

void TForm1::closeLog()
{
    // A pending edit is posted first (an untouched new record dropped); an error here or in
    // the close stops the command with the log still open.
    Dbf1.CheckBrowseMode();
    Dbf1.Close();
    Dbf1.SetFileName(std::string());
    DBGrid1->hide();
    ProgressBar1->hide();
    // Empty: Qt draws a 0..0 bar as a busy indicator, so the bar is reset instead.
    ProgressBar1->reset();
    SpeedButton2->setEnabled(false);
    SpeedButton5->setEnabled(false);
}

void TForm1::SpeedButton2Click()
{
    runAction([this] {
        ProgressBarSink progress(*ProgressBar1);
        ControlsDisabled quiet(Dbf1);
        ExportAdif(Dbf1, progress);
    });
}

void TForm1::SpeedButton3Click()
{
    runAction([this] { m_help.showHelpContents(this); });
}

void TForm1::SpeedButton4Click()
{
    runAction([this] {
        if (m_aboutBox)
            m_aboutBox->ShowModal();
    });
}
