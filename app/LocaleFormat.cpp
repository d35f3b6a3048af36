// SPDX-License-Identifier: MIT
// Conversion of the user's locale into the field objects' format settings.
#include "LocaleFormat.h"

#include "Cp1252Text.h"
#include "FormatSettings.h"

#include <QLocale>

#include <algorithm>
#include <cctype>

std::string ShortDateFormatFromQt(const QString& qtFormat)
{
    std::string out;
    bool skipSeparator = false;  // after a day name, its separator goes too ("ddd, d MMM")
    for (qsizetype i = 0; i < qtFormat.size();) {
        const QChar c = qtFormat[i];
        if (c == u'\'') {
            // A quoted literal; '' inside is one quote.
            ++i;
            while (i < qtFormat.size()) {
                if (qtFormat[i] == u'\'') {
                    if (i + 1 < qtFormat.size() && qtFormat[i + 1] == u'\'') {
                        out.push_back('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                // Letters would read as tokens or stand for nothing; separators stay.
                const QChar literal = qtFormat[i++];
                if (literal.unicode() < 0x80 && !literal.isLetter())
                    out.push_back(static_cast<char>(literal.unicode()));
            }
            continue;
        }
        qsizetype run = 1;
        while (i + run < qtFormat.size() && qtFormat[i + run] == c)
            ++run;
        i += run;
        if (c == u'd') {
            if (run <= 2) {
                out.append(static_cast<std::size_t>(run), 'd');
                skipSeparator = false;
            } else {
                skipSeparator = true;  // a day name: our tokens have none
            }
        } else if (c == u'M' || c == u'L') {
            out.append(static_cast<std::size_t>(std::min<qsizetype>(run, 4)), 'm');
            skipSeparator = false;
        } else if (c == u'y') {
            out += "yyyy";
            skipSeparator = false;
        } else if (skipSeparator) {
            // drop the separator run after a day name
        } else if (c.unicode() < 0x80 && !c.isLetter()) {
            out.append(static_cast<std::size_t>(run), static_cast<char>(c.unicode()));
        }
    }
    // Separators left at either end (after a trailing day name) serve nothing.
    while (!out.empty() && !std::isalpha(static_cast<unsigned char>(out.back())))
        out.pop_back();
    while (!out.empty() && !std::isalpha(static_cast<unsigned char>(out.front())))
        out.erase(out.begin());
    if (out.find('d') == std::string::npos || out.find('m') == std::string::npos ||
        out.find('y') == std::string::npos)
        return TFormatSettings{}.ShortDateFormat;
    return out;
}

void ApplyLocaleFormat(const QLocale& locale, TFormatSettings& settings)
{
    const QString point = locale.decimalPoint();
    settings.DecimalSeparator =
        point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
    settings.ShortDateFormat = ShortDateFormatFromQt(locale.dateFormat(QLocale::ShortFormat));
    // Month names are field text, so CP1252; a locale whose names CP1252 cannot hold keeps
    // the English ones.
    TFormatSettings named;
    for (std::size_t i = 0; i < 12; ++i) {
        const int month = static_cast<int>(i) + 1;
        if (!TryToCp1252(locale.monthName(month, QLocale::ShortFormat), named.ShortMonthNames[i]) ||
            !TryToCp1252(locale.monthName(month, QLocale::LongFormat), named.LongMonthNames[i]))
            return;
    }
    settings.ShortMonthNames = named.ShortMonthNames;
    settings.LongMonthNames = named.LongMonthNames;
}
