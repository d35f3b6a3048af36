// SPDX-License-Identifier: MIT
// Stand-ins for the window's prompts and help launcher: they record what was asked and
// answer as the test says, so that no dialog blocks.
#pragma once

#include "UserPrompts.h"

#include <QString>
#include <QStringList>

class FakePrompts : public IUserPrompts {
public:
    QString openFileName(QWidget*) override
    {
        ++openDialogs;
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    void showError(QWidget*, const QString& text) override { errors.append(text); }
    void showPlainMessage(QWidget*, const QString& text) override { plainMessages.append(text); }
    bool askYesNo(QWidget*, const QString& question) override
    {
        questions.append(question);
        return answerYes;
    }
    bool editMemo(QWidget*, const QString&, QString& text) override
    {
        ++memoDialogs;
        memoShown.append(text);
        if (memoTexts.isEmpty())
            return false;  // the user cancels
        text = memoTexts.takeFirst();
        return true;
    }

    QStringList fileNames;  ///< answers of the open dialog, in turn; none left means Cancel
    QStringList memoTexts;  ///< texts the memo editor returns, in turn; none left means Cancel
    bool answerYes = true;
    int openDialogs = 0;
    int memoDialogs = 0;
    QStringList errors;
    QStringList plainMessages;
    QStringList questions;
    QStringList memoShown;  ///< the text each memo dialog opened with
};

class FakeHelp : public IHelpLauncher {
public:
    void showHelpContents(QWidget*) override { ++shown; }
    int shown = 0;
};
