// SPDX-License-Identifier: MIT
// The replaceable plain message box and local-date source the engine calls on.
#include "DbfPlatform.h"

#include <ctime>
#include <iostream>

namespace {

IPlainMessageBox* g_messageBox = nullptr;
std::function<TLocalDate()> g_dateSource;

/// The engine's messages put a carriage return between lines.  On a terminal a line
/// that ends in a comma runs on with a blank, the others with ", ", so
/// "Invalid Record Count,\rRecordCount in Hdr : 12\rexpected : 10" prints as
/// "Invalid Record Count, RecordCount in Hdr : 12, expected : 10".
std::string OneLine(const std::string& text)
{
    std::string line;
    line.reserve(text.size() + 8);
    for (const char c : text) {
        if (c != '\r') {
            line += c;
        } else if (!line.empty() && line.back() == ',') {
            line += ' ';
        } else {
            line += ", ";
        }
    }
    return line;
}

}  // namespace

IPlainMessageBox* SetPlainMessageBox(IPlainMessageBox* box)
{
    IPlainMessageBox* previous = g_messageBox;
    g_messageBox = box;
    return previous;
}

void ShowPlainMessage(const std::string& text)
{
    if (g_messageBox != nullptr) {
        g_messageBox->ShowMessage(text);
        return;
    }
    std::cerr << "warning: " << OneLine(text) << '\n';
}

std::function<TLocalDate()> SetLocalDateSource(std::function<TLocalDate()> source)
{
    std::function<TLocalDate()> previous = std::move(g_dateSource);
    g_dateSource = std::move(source);
    return previous;
}

TLocalDate LocalDate()
{
    if (g_dateSource)
        return g_dateSource();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return TLocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
