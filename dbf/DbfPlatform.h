// SPDX-License-Identifier: MIT
// Services the engine asks of the application: the plain message box of the
// header repairs and the local date written into a rewritten header.
#pragma once

#include <functional>
#include <string>

/// Shows the engine's plain messages (text and an OK button).  The GUI fills it
/// with a dialog, the command line with a warning on stderr, tests with a recorder.
class IPlainMessageBox {
public:
    virtual ~IPlainMessageBox() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

/// Installs box as the process's plain message box (nullptr restores the default,
/// which writes "warning: <text>" to stderr); returns the previous one.
IPlainMessageBox* SetPlainMessageBox(IPlainMessageBox* box);
/// Shows text in the installed plain message box; returns when it was closed.
void ShowPlainMessage(const std::string& text);

struct TLocalDate {
    int Year;
    int Month;  ///< 1..12
    int Day;    ///< 1..31
};

/// Replaces the source of the local date (an empty function restores the clock);
/// returns the previous source.  For tests.
std::function<TLocalDate()> SetLocalDateSource(std::function<TLocalDate()> source);
/// Today's date in the local time zone, or what the installed source says.
TLocalDate LocalDate();
