// SPDX-License-Identifier: MIT
// TForm1: the main window with its tool bar, the grid over the log and the progress bar.
#pragma once

#include "DbfPlatform.h"
#include "TDataSource.h"
#include "TDbf.h"

#include <QWidget>

class DBGrid;
class IHelpLauncher;
class IUserPrompts;
class QFrame;
class QProgressBar;
class SpeedButton;
class TAboutBox;

/// The main window.  Two states: no log open (grid and progress bar hidden, Convert and
/// Close disabled) and log open.  Components keep the form's names; the buttons stand on
/// the bar in the order Open (1), Close (5), Convert (2), Help (3), About (4).
class TForm1 : public QWidget {
    Q_OBJECT
public:
    TForm1(IUserPrompts& prompts, IHelpLauncher& help, QWidget* parent = nullptr);
    ~TForm1() override;

    /// The About box the About command shows (created after the window, as at start-up).
    void setAboutBox(TAboutBox* box) { m_aboutBox = box; }
    /// Opens path as Open does after its dialog (the table named on the command line).
    void openFromCommandLine(const QString& path);

    // The form's components.  Dbf1 and DataSource1 come first so they outlive the grid.
    TDbf Dbf1{"Dbf1"};
    TDataSource DataSource1;
    QFrame* CoolBar1 = nullptr;
    SpeedButton* SpeedButton1 = nullptr;  ///< &Open
    SpeedButton* SpeedButton5 = nullptr;  ///< &Close
    SpeedButton* SpeedButton2 = nullptr;  ///< &Convert
    SpeedButton* SpeedButton3 = nullptr;  ///< &Help
    SpeedButton* SpeedButton4 = nullptr;  ///< &About
    DBGrid* DBGrid1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

public slots:
    void SpeedButton1Click();  ///< Open
    void SpeedButton5Click();  ///< Close
    void SpeedButton2Click();  ///< Convert
    void SpeedButton3Click();  ///< Help
    void SpeedButton4Click();  ///< About

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    /// Shows the engine's header-repair messages in the plain message box.
    class PlainMessages : public IPlainMessageBox {
    public:
        explicit PlainMessages(TForm1& form) : m_form(form) {}
        void ShowMessage(const std::string& text) override;

    private:
        TForm1& m_form;
    };

    SpeedButton* createButton(const QString& name, const QString& caption, const QString& hint,
                              const QString& icon, int left, void (TForm1::*handler)());
    void runAction(const std::function<void()>& body);
    void openLog(const QString& path);
    void closeLog();
    void acceleratorPressed(QChar letter);

    IUserPrompts& m_prompts;
    IHelpLauncher& m_help;
    TAboutBox* m_aboutBox = nullptr;
    PlainMessages m_plainMessages{*this};
    IPlainMessageBox* m_previousPlainMessages = nullptr;
};
