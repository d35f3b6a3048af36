// SPDX-License-Identifier: MIT
// Fills the text forms of float and date fields from the user's locale.
#pragma once

#include <QString>

#include <string>

class QLocale;
struct TFormatSettings;

/// Turns a Qt short date format ("M/d/yy", "dd.MM.yyyy") into the field objects' tokens
/// (d dd m mm mmm mmmm yyyy) with the year always four digits.  Day names are left out
/// with the separator that follows them; quoted literals keep their separators only.
std::string ShortDateFormatFromQt(const QString& qtFormat);

/// Decimal separator, short date format and month names of locale, into settings.
void ApplyLocaleFormat(const QLocale& locale, TFormatSettings& settings);
