// SPDX-License-Identifier: MIT
// Text conversions of the program: the error display's full stop, CP1252 field text and
// the locale's date and number forms.
#include "Cp1252Text.h"
#include "ErrorDisplay.h"
#include "FormatSettings.h"
#include "LocaleFormat.h"
#include "SysUtils.h"

#include <QLocale>
#include <QtTest>

class TextsTest : public QObject {
    Q_OBJECT

private slots:
    void errorDisplayText_data();
    void errorDisplayText();
    void cp1252RoundTrip();
    void engineText();
    void shortDateFormat_data();
    void shortDateFormat();
    void localeSettings();
};

void TextsTest::errorDisplayText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Disk full" << "Disk full.";
    QTest::newRow("full stop") << "Field too long :6 (must be between 1 and 5)." << "Field too long :6 (must be between 1 and 5).";
    QTest::newRow("digit sorts after .") << "I/O error 5" << "I/O error 5.";
    QTest::newRow("slash sorts after .") << "path/" << "path/.";
    QTest::newRow("parenthesis sorts before .") << "(x)" << "(x)";
    QTest::newRow("blank sorts before .") << "text " << "text ";
    QTest::newRow("hyphen sorts before .") << "a-" << "a-";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("accented letter") << QString::fromUtf8("café") << QString::fromUtf8("café.");
}

void TextsTest::errorDisplayText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(ErrorDisplayText(text), shown);
}

void TextsTest::cp1252RoundTrip()
{
    const QString text = QString::fromUtf8("Müller € café œ");
    const std::string bytes = ToCp1252(text);
    QCOMPARE(QByteArray::fromStdString(bytes), QByteArray("M\xFCller \x80 caf\xE9 \x9C"));
    QCOMPARE(FromCp1252(bytes), text);
    std::string untouched = "kept";
    QVERIFY(!TryToCp1252(QString::fromUtf8("Łódź"), untouched));
    QCOMPARE(untouched, std::string("kept"));
    QVERIFY_THROWS_EXCEPTION(Exception, ToCp1252(QString::fromUtf8("日本")));
}

void TextsTest::engineText()
{
    // Paths and our own texts are UTF-8; a field value quoted in a message is CP1252.
    QCOMPARE(EngineText("Open: Table file not found : /tmp/J\xC3\xBCrgen.dbf"),
             QString::fromUtf8("Open: Table file not found : /tmp/Jürgen.dbf"));
    QCOMPARE(EngineText("'M\xFC' is not a valid integer value"), QString::fromUtf8("'Mü' is not a valid integer value"));
}

void TextsTest::shortDateFormat_data()
{
    QTest::addColumn<QString>("qt");
    QTest::addColumn<QString>("tokens");
    QTest::newRow("en_US") << "M/d/yy" << "m/d/yyyy";
    QTest::newRow("de_DE") << "dd.MM.yy" << "dd.mm.yyyy";
    QTest::newRow("en_GB") << "dd/MM/yyyy" << "dd/mm/yyyy";
    QTest::newRow("sv_SE") << "yyyy-MM-dd" << "yyyy-mm-dd";
    QTest::newRow("month name") << "d MMM yyyy" << "d mmm yyyy";
    QTest::newRow("day name dropped") << "dddd, d MMMM yyyy" << "d mmmm yyyy";
    QTest::newRow("trailing separator") << "yy. M. d." << "yyyy. m. d";
    QTest::newRow("quoted literal") << "d 'de' MMMM yyyy" << "d  mmmm yyyy";
    QTest::newRow("no month: default") << "yyyy" << "dd-mmm-yyyy";
}

void TextsTest::shortDateFormat()
{
    QFETCH(QString, qt);
    QFETCH(QString, tokens);
    QCOMPARE(QString::fromStdString(ShortDateFormatFromQt(qt)), tokens);
}

void TextsTest::localeSettings()
{
    TFormatSettings german;
    ApplyLocaleFormat(QLocale(QLocale::German, QLocale::Germany), german);
    QCOMPARE(german.DecimalSeparator, ',');
    QCOMPARE(QString::fromStdString(german.ShortDateFormat), QStringLiteral("dd.mm.yyyy"));
    QCOMPARE(QByteArray::fromStdString(german.ShortMonthNames[2]), QByteArray("M\xE4rz"));

    TFormatSettings american;
    ApplyLocaleFormat(QLocale(QLocale::English, QLocale::UnitedStates), american);
    QCOMPARE(american.DecimalSeparator, '.');
    QCOMPARE(QString::fromStdString(american.ShortDateFormat), QStringLiteral("m/d/yyyy"));

    // Month names CP1252 cannot hold leave the English ones.
    TFormatSettings russian;
    ApplyLocaleFormat(QLocale(QLocale::Russian, QLocale::Russia), russian);
    QCOMPARE(russian.DecimalSeparator, ',');
    QCOMPARE(russian.ShortMonthNames[0], std::string("Jan"));
}

QTEST_MAIN(TextsTest)
#include "tst_texts.moc"
