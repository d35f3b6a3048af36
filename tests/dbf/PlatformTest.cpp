// SPDX-License-Identifier: MIT
// The pieces under the engine: code-page conversion, the default plain message, field definitions.
#include "CodePages.h"
#include "DB.h"
#include "DbfPlatform.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <string>

TEST(CodePages, ConvertsByteForByteWithBestFit)
{
    const struct {
        unsigned char oem;
        unsigned char ansi;
    } both[] = {{'A', 'A'}, {0x81, 0xFC}, {0x82, 0xE9}, {0x8E, 0xC4}, {0xE1, 0xDF}, {0x9C, 0xA3}, {0xFF, 0xA0}};
    for (const auto& c : both) {
        SCOPED_TRACE(int(c.oem));
        char text = static_cast<char>(c.oem);
        OemToAnsi(&text, 1);
        EXPECT_EQ(static_cast<unsigned char>(text), c.ansi);
        AnsiToOem(&text, 1);
        EXPECT_EQ(static_cast<unsigned char>(text), c.oem);
    }
    // No counterpart: accented capitals lose the accent, the rest become '?'.
    char ansi[] = "\xC0\xC8\x80\x81\x99\xB4";  // A grave, E grave, euro, undefined, trade mark, acute
    AnsiToOem(ansi, 6);
    EXPECT_EQ(std::string(ansi), "AE????");
    char oem[] = "\xC9\xE2\xB0";  // box corner, Gamma, shade
    OemToAnsi(oem, 3);
    EXPECT_EQ(std::string(oem), "???");
}

TEST(CodePages, Cp1252AndUnicode)
{
    EXPECT_EQ(Cp1252ToUnicode('a'), 'a');
    EXPECT_EQ(Cp1252ToUnicode(0x80), 0x20AC);
    EXPECT_EQ(Cp1252ToUnicode(0xE9), 0xE9);
    for (const int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(Cp1252ToUnicode(static_cast<std::uint8_t>(undefined)), -1) << undefined;
    EXPECT_EQ(UnicodeToCp1252(0x20AC), 0x80);
    EXPECT_EQ(UnicodeToCp1252(0x2122), 0x99);
    EXPECT_EQ(UnicodeToCp1252(0xFF), 0xFF);
    EXPECT_EQ(UnicodeToCp1252(0x81), -1);
    EXPECT_EQ(UnicodeToCp1252(0x0394), -1);  // Greek Delta
    for (int byte = 0; byte < 256; ++byte) {
        const int code = Cp1252ToUnicode(static_cast<std::uint8_t>(byte));
        if (code >= 0) {
            EXPECT_EQ(UnicodeToCp1252(static_cast<std::uint32_t>(code)), byte);
        }
    }
}

TEST(PlainMessage, DefaultWritesOneWarningLine)
{
    testing::internal::CaptureStderr();
    ShowPlainMessage("Invalid Record Count,\rRecordCount in Hdr : 12\rexpected : 10");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: Invalid Record Count, RecordCount in Hdr : 12, expected : 10\n");
}

TEST(FieldDefs, RefusesMissingAndDuplicateNames)
{
    TFieldDefs named("Dbf1");
    named.Add("CALL", TFieldType::ftString, 10, false);
    const TFieldDef& second = named.Add("Date", TFieldType::ftDate, 0, false);
    EXPECT_EQ(second.FieldNo, 2);
    EXPECT_EQ(named.IndexOf("date"), 1);
    EXPECT_EQ(named.IndexOf("nope"), -1);

    const struct {
        const char* owner;
        const char* name;
        const char* message;
    } cases[] = {
        {"Dbf1", "", "Dbf1: Field name missing"},
        {"Dbf1", "call", "Dbf1: Duplicate field name 'call'"},
        {"", "", "Field name missing"},
        {"", "Call", "Duplicate field name 'Call'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TFieldDefs defs(c.owner);
        defs.Add("CALL", TFieldType::ftString, 10, false);
        try {
            defs.Add(c.name, TFieldType::ftString, 10, false);
            FAIL() << "accepted the name";
        } catch (const EDatabaseError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
        EXPECT_EQ(defs.Count(), 1);
    }
}
