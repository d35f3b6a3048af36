// SPDX-License-Identifier: MIT
// TAboutBox: the About box, a fixed dialog naming the program, its version and its terms.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QToolButton;

/// Created hidden at start-up and shown modally by the About command; centred on the
/// screen the first time, and where the user left it after that.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    /// Shows the box modally; returns when it is closed.
    int ShowModal();

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;  ///< the notice: publisher and year
    QLabel* Comments = nullptr;   ///< the terms of use, four lines
    QFrame* Panel2 = nullptr;
    QToolButton* SpeedButton1 = nullptr;  ///< &Close

public slots:
    void SpeedButton1Click();

private:
    bool m_placed = false;
};
