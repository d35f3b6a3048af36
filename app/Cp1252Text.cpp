// SPDX-License-Identifier: MIT
// CP1252 conversion of field text through the engine's own code-page tables.
#include "Cp1252Text.h"

#include "CodePages.h"
#include "SysUtils.h"

#include <QList>


QString FromCp1252(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes) {
        const int code = Cp1252ToUnicode(static_cast<std::uint8_t>(c));
        text.append(code < 0 ? QChar(QChar::ReplacementCharacter) : QChar(static_cast<char16_t>(code)));
    }
    return text;
}

std::string ToCp1252(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t codePoint : text.toUcs4()) {
        const int byte = UnicodeToCp1252(codePoint);
        if (byte < 0) {
            const QString shown = QString::fromUcs4(&codePoint, 1);
            const QString hex = QString::number(static_cast<uint>(codePoint), 16).toUpper().rightJustified(4, u'0');
            throw Exception(QStringLiteral("The character '%1' (U+%2) cannot be stored in this log, "
                                           "which holds only Western European (Windows-1252) characters")
                                .arg(shown, hex)
                                .toStdString());
        }
        bytes.push_back(static_cast<char>(byte));
    }
    return bytes;
}

bool TryToCp1252(const QString& text, std::string& bytes)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t codePoint : text.toUcs4()) {
        const int byte = UnicodeToCp1252(codePoint);
        if (byte < 0)
            return false;
        out.push_back(static_cast<char>(byte));
    }
    bytes = std::move(out);
    return true;
}
