// SPDX-License-Identifier: MIT
// The production prompts: the open dialog, the message boxes and the memo editor dialog.
#include "UserPrompts.h"

#include "AppTexts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

QString QtUserPrompts::openFileName(QWidget* parent)
{
    QFileDialog dialog(parent, apptexts::kOpenDialogTitle);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The chosen file need not exist: a typed name that is missing reaches the table,
    // which reports it in its own words.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(apptexts::kOpenDialogFilter);
    dialog.setDefaultSuffix(QStringLiteral("dbf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void QtUserPrompts::showError(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, apptexts::kApplicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtUserPrompts::showPlainMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, apptexts::kApplicationTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtUserPrompts::askYesNo(QWidget* parent, const QString& question)
{
    return QMessageBox::question(parent, apptexts::kApplicationTitle, question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool QtUserPrompts::editMemo(QWidget* parent, const QString& title, QString& text)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* editor = new QPlainTextEdit(&dialog);
    editor->setPlainText(text);
    editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(editor);
    layout->addWidget(buttons);
    dialog.resize(480, 320);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = editor->toPlainText();
    return true;
}
