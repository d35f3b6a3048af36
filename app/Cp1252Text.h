// SPDX-License-Identifier: MIT
// Field text in the grid: CP1252 bytes shown as Unicode, typed Unicode stored as CP1252.
#pragma once

#include <QString>

#include <string>
#include <string_view>

/// Decodes CP1252 bytes (the five undefined bytes show as U+FFFD).
QString FromCp1252(std::string_view bytes);
/// Encodes text as CP1252; throws Exception naming the first character CP1252 lacks.
std::string ToCp1252(const QString& text);
/// As ToCp1252, without the error: false when a character has no CP1252 byte.
bool TryToCp1252(const QString& text, std::string& bytes);
