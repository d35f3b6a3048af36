// SPDX-License-Identifier: MIT
// The seams behind which every prompt of the program sits: dialogs in production, fakes in tests.
#pragma once

#include <QString>

class QWidget;

/// Every question, message and editor dialog the window and the grid put to the user.
class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;
    /// The file chosen in the open dialog, or an empty string when the user cancelled.
    virtual QString openFileName(QWidget* parent) = 0;
    /// The error display: the error icon, the application title and an OK button.
    /// text is final (ShowError adds the full stop).
    virtual void showError(QWidget* parent, const QString& text) = 0;
    /// The engine's plain message box (text and an OK button), used for header repairs.
    virtual void showPlainMessage(QWidget* parent, const QString& text) = 0;
    /// A yes/no question; true for yes.
    virtual bool askYesNo(QWidget* parent, const QString& question) = 0;
    /// Lets the user edit a memo's text; false when cancelled, text unchanged then.
    virtual bool editMemo(QWidget* parent, const QString& title, QString& text) = 0;
};

/// Opens the help at its contents page.
class IHelpLauncher {
public:
    virtual ~IHelpLauncher() = default;
    virtual void showHelpContents(QWidget* parent) = 0;
};

/// The production prompts: QFileDialog, QMessageBox and a plain-text editor dialog.
class QtUserPrompts : public IUserPrompts {
public:
    QString openFileName(QWidget* parent) override;
    void showError(QWidget* parent, const QString& text) override;
    void showPlainMessage(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& question) override;
    bool editMemo(QWidget* parent, const QString& title, QString& text) override;
};
