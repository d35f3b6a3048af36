// SPDX-License-Identifier: MIT
// Field objects: text forms by kind, parsing of typed-in text and its errors, the date helpers.
#include "FakeDataSet.h"
#include "FormatSettings.h"

#include <gtest/gtest.h>

using fake::Column;
using fake::FakeDataSet;

namespace {

std::vector<Column> AllKinds()
{
    return {{"s", TFieldType::ftString, 5},  {"sm", TFieldType::ftSmallint, 0}, {"i", TFieldType::ftInteger, 0},
            {"l", TFieldType::ftLargeint, 0}, {"b", TFieldType::ftBoolean, 0},  {"f", TFieldType::ftFloat, 0},
            {"d", TFieldType::ftDate, 0}};
}

// One record of every kind, open and in edit mode; the format settings are restored afterwards.
class FieldFixture {
public:
    FieldFixture() : saved(FormatSettings()), ds(AllKinds())
    {
        ds.AddRow("");
        ds.Open();
        ds.Edit();
    }
    ~FieldFixture() { FormatSettings() = saved; }

    TFormatSettings saved;
    FakeDataSet ds;
};

struct TextCase {
    const char* field;
    const char* input;
    const char* shown;
};

class FieldTextForm : public ::testing::TestWithParam<TextCase> {};

}  // namespace

TEST_P(FieldTextForm, TypedTextComesBackInItsTextForm)
{
    FieldFixture f;
    TField& field = f.ds.FieldByName(GetParam().field);
    field.SetAsString(GetParam().input);
    EXPECT_EQ(field.AsString(), GetParam().shown);
    f.ds.Post();
    EXPECT_EQ(field.AsString(), GetParam().shown) << "after post";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FieldTextForm,
    ::testing::Values(TextCase{"s", "abc", "abc"}, TextCase{"i", "-42", "-42"}, TextCase{"i", " +7 ", "7"},
                      TextCase{"i", "", "0"}, TextCase{"sm", "-32768", "-32768"},
                      TextCase{"l", "2147483647", "2147483647"},
                      TextCase{"l", "4294967297", "4294967297"},
                      TextCase{"l", "-9223372036854775808", "-9223372036854775808"}, TextCase{"b", "yes", "True"},
                      TextCase{"b", "F", "False"}, TextCase{"b", "n", "False"}, TextCase{"b", "TRUE", "True"},
                      TextCase{"f", "3.5", "3.5"}, TextCase{"f", "14.025", "14.025"}, TextCase{"f", "7", "7"},
                      TextCase{"f", "-0", "0"}, TextCase{"f", "1e20", "1E20"}, TextCase{"f", "-0.0000015", "-1.5E-6"},
                      TextCase{"f", "0.333333333333333333", "0.333333333333333"},
                      TextCase{"f", "123456789012345678", "1.23456789012346E17"},
                      TextCase{"d", "19-Nov-2000", "19-Nov-2000"}, TextCase{"d", "2000-11-19", "19-Nov-2000"},
                      TextCase{"d", " 1-feb-1999 ", "01-Feb-1999"}, TextCase{"d", "29-Feb-2000", "29-Feb-2000"},
                      TextCase{"d", "", ""}));

TEST(Field, TextThatIsNoValueIsRefusedAndLeavesTheEditOpen)
{
    const TextCase cases[] = {
        {"i", "abc", "'abc' is not a valid integer value"},
        {"i", "1.5", "'1.5' is not a valid integer value"},
        {"l", "99999999999999999999", "'99999999999999999999' is not a valid integer value"},
        {"d", "32-Jan-2001", "'32-Jan-2001' is not a valid date"},
        {"d", "29-Feb-2001", "'29-Feb-2001' is not a valid date"},
        {"d", "2001-13-01", "'2001-13-01' is not a valid date"},
        {"f", "x", "'x' is not a valid floating point value"},
        {"f", "inf", "'inf' is not a valid floating point value"},
        {"f", "1,5.0", "'1,5.0' is not a valid floating point value"},
        {"b", "maybe", "'maybe' is not a valid boolean value"},
        {"sm", "70000", "70000 is not a valid value for field 'sm'. The allowed range is -32768 to 32767"},
        {"i", "4294967297", "4294967297 is not a valid value for field 'i'. The allowed range is -2147483648 to 2147483647"},
    };
    for (const TextCase& c : cases) {
        FieldFixture f;
        TField& field = f.ds.FieldByName(c.field);
        std::string before = field.AsString();
        try {
            field.SetAsString(c.input);
            ADD_FAILURE() << c.input << " was accepted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), c.shown);
        }
        EXPECT_EQ(f.ds.State(), TDataSetState::dsEdit);
        EXPECT_FALSE(f.ds.Modified()) << c.input;
        EXPECT_EQ(field.AsString(), before);
    }
}

TEST(Field, FormatSettingsShapeFloatAndDateText)
{
    FieldFixture f;
    TField& number = f.ds.FieldByName("f");
    TField& date = f.ds.FieldByName("d");
    FormatSettings().DecimalSeparator = ',';
    number.SetAsString("2,25");
    EXPECT_EQ(number.AsString(), "2,25");
    number.SetAsString("2.5");
    EXPECT_DOUBLE_EQ(number.AsFloat(), 2.5);

    date.SetAsString("19-Nov-2000");
    FormatSettings().ShortDateFormat = "dd/mm/yy";
    EXPECT_EQ(date.AsString(), "19/11/00");
    date.SetAsString("3/4/49");
    EXPECT_EQ(date.AsString(), "03/04/49");
    FormatSettings().ShortDateFormat = "mmmm d, yyyy";
    EXPECT_EQ(date.AsString(), "April 3, 2049");
    date.SetAsString("january 9, 1990");
    EXPECT_EQ(date.AsString(), "January 9, 1990");
    date.SetAsString("1990-01-10");
    EXPECT_EQ(date.AsString(), "January 10, 1990");
}

TEST(Field, TypedAccessMatchesTheNativeValues)
{
    FieldFixture f;
    f.ds.FieldByName("i").SetAsInteger(-5);
    f.ds.FieldByName("b").SetAsBoolean(true);
    f.ds.FieldByName("f").SetAsFloat(0.5);
    std::int32_t day = 0;
    ASSERT_TRUE(TryEncodeDate(2000, 11, 19, day));
    f.ds.FieldByName("d").SetAsDate(day);
    f.ds.FieldByName("s").SetAsInteger(12);
    f.ds.Post();
    EXPECT_EQ(f.ds.FieldByName("i").AsLargeInt(), -5);
    EXPECT_TRUE(f.ds.FieldByName("b").AsBoolean());
    EXPECT_DOUBLE_EQ(f.ds.FieldByName("f").AsFloat(), 0.5);
    EXPECT_EQ(f.ds.FieldByName("d").AsDate(), day);
    EXPECT_EQ(f.ds.FieldByName("s").AsInteger(), 12);
    EXPECT_FALSE(f.ds.FieldByName("s").IsNull());
}

TEST(Field, DayNumbersCountFromTheFirstOfJanuaryOfYearOne)
{
    std::int32_t day = 0;
    ASSERT_TRUE(TryEncodeDate(1, 1, 1, day));
    EXPECT_EQ(day, 1);
    ASSERT_TRUE(TryEncodeDate(1899, 12, 30, day));
    EXPECT_EQ(day, 693594);
    ASSERT_TRUE(TryEncodeDate(1900, 1, 1, day));
    EXPECT_EQ(day, 693596);
    for (int year : {1, 4, 100, 1600, 1899, 1900, 2000, 2024, 2100, 9999})
        for (int month = 1; month <= 12; ++month)
            for (int d : {1, 28}) {
                ASSERT_TRUE(TryEncodeDate(year, month, d, day));
                int y = 0, m = 0, dd = 0;
                DecodeDate(day, y, m, dd);
                EXPECT_EQ(y * 10000 + m * 100 + dd, year * 10000 + month * 100 + d);
            }
    EXPECT_FALSE(TryEncodeDate(2001, 2, 29, day));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, day));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, day));
    EXPECT_FALSE(TryEncodeDate(2000, 0, 1, day));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, day));
    int y = 1, m = 1, d = 1;
    DecodeDate(0, y, m, d);
    EXPECT_EQ(y + m + d, 0);
}
