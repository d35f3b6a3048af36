// SPDX-License-Identifier: MIT
// The text forms of float and date fields: decimal separator and short date format.
#pragma once

#include <array>
#include <string>

/// Filled by the application from the user's locale; the defaults (used by the
/// command line and the tests) are "." and "dd-mmm-yyyy" (19-Nov-2000).
/// ShortDateFormat tokens: d, dd, m, mm, mmm, mmmm, yy, yyyy; any other character
/// is a literal separator.
struct TFormatSettings {
    char DecimalSeparator = '.';
    std::string ShortDateFormat = "dd-mmm-yyyy";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};
};

/// The process's format settings (one GUI thread; set at start-up).
TFormatSettings& FormatSettings();
