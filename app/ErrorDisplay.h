// SPDX-License-Identifier: MIT
// The application's error display, the guard every action slot runs through, and the
// conversions between the engine's byte strings and QString.
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <string>
#include <string_view>

class IUserPrompts;
class QWidget;

/// The text the error box shows: text, plus "." when its last character sorts after "."
/// in byte order (so "Disk full" gets one and "... (must be between 1 and 5)." does not).
QString ErrorDisplayText(const QString& text);

/// Shows error in the error display.
void ShowError(IUserPrompts& prompts, QWidget* parent, const std::exception& error);

/// Runs body; an Exception or std::exception it throws is shown in the error display
/// instead of escaping into Qt's event loop.  Returns true when body finished.
bool RunGuarded(IUserPrompts& prompts, QWidget* parent, const std::function<void()>& body);

/// A message or path from the engine: UTF-8 when it is valid UTF-8 (paths and our own
/// texts), otherwise CP1252 (field values quoted in messages).
QString EngineText(std::string_view text);
/// A path as the engine opens it (the local 8-bit file name encoding).
std::string EnginePath(const QString& path);
