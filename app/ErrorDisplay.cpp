// SPDX-License-Identifier: MIT
// The error display and the guard around action slots.
#include "ErrorDisplay.h"

#include "Cp1252Text.h"
#include "SysUtils.h"
#include "UserPrompts.h"

#include <QFile>
#include <QStringDecoder>

QString ErrorDisplayText(const QString& text)
{
    // Byte order, as the original compared characters: the last UTF-16 unit stands in for
    // the last byte, which gives the same answer for every character at or below U+00FF
    // and appends the stop after any other letter, as it should.
    if (!text.isEmpty() && text.back().unicode() > u'.')
        return text + u'.';
    return text;
}

void ShowError(IUserPrompts& prompts, QWidget* parent, const std::exception& error)
{
    prompts.showError(parent, ErrorDisplayText(EngineText(error.what())));
}

bool RunGuarded(IUserPrompts& prompts, QWidget* parent, const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (const Exception& error) {
        ShowError(prompts, parent, error);
    } catch (const std::exception& error) {
        ShowError(prompts, parent, error);
    }
    return false;
}

QString EngineText(std::string_view text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError())
        return decoded;
    return FromCp1252(text);
}

std::string EnginePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}
