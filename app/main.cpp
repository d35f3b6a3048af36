// SPDX-License-Identifier: MIT
// The program's entry: application, title, help, main window, About box, message loop.
#include "AppTexts.h"
#include "FormatSettings.h"
#include "HelpWindow.h"
#include "LocaleFormat.h"
#include "Unit1.h"
#include "Unit4.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon2adif"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setOrganizationName(QStringLiteral("Varden"));
    QGuiApplication::setDesktopFileName(QStringLiteral("net.varden.quillon2adif"));
    // The title is the caption of the window and of every message box (apptexts).
    // Float and date text follow the user's locale.
    ApplyLocaleFormat(QLocale(), FormatSettings());

    QCommandLineParser parser;
    parser.setApplicationDescription(apptexts::kApplicationTitle);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption helpCollection(
        QStringLiteral("help-collection"),
        QStringLiteral("Read the help from <file> instead of %1.").arg(HelpCollectionPath()),
        QStringLiteral("file"), HelpCollectionPath());
    parser.addOption(helpCollection);
    parser.addPositionalArgument(QStringLiteral("table"), QStringLiteral("The log table (.dbf) to open."),
                                 QStringLiteral("[TABLE.dbf]"));
    parser.process(app);

    QtUserPrompts prompts;
    QtHelpLauncher help(parser.value(helpCollection));
    TForm1 Form1(prompts, help);
    TAboutBox AboutBox(&Form1);
    Form1.setAboutBox(&AboutBox);
    Form1.show();

    const QStringList tables = parser.positionalArguments();
    if (!tables.isEmpty())
        QTimer::singleShot(0, &Form1, [&Form1, table = tables.constFirst()] { Form1.openFromCommandLine(table); });
    return QApplication::exec();
}
