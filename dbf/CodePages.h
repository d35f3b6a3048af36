// SPDX-License-Identifier: MIT
// Byte-for-byte conversion between the OEM (CP437) and ANSI (CP1252) code pages.
#pragma once

#include <cstddef>
#include <cstdint>

/// Converts count bytes of CP437 text to CP1252 in place (best fit).
void OemToAnsi(char* text, std::size_t count);
/// Converts count bytes of CP1252 text to CP437 in place (best fit).
void AnsiToOem(char* text, std::size_t count);
/// Unicode code point of a CP1252 byte, or -1 for the five bytes CP1252 leaves undefined.
int Cp1252ToUnicode(std::uint8_t byte);
/// CP1252 byte for a Unicode code point, or -1 when CP1252 has no such character.
int UnicodeToCp1252(std::uint32_t codePoint);
