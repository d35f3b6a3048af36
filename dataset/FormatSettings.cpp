// SPDX-License-Identifier: MIT
// The process's one set of text-form settings.
#include "FormatSettings.h"

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings;
    return settings;
}
