#include "data/ClientDataSet.h"
#include "data/CodePage.h"
#include "data/ConnectionDefs.h"
#include "data/DbError.h"
#include "data/Value.h"

#include "ErrorOf.h"

#include <gtest/gtest.h>

using namespace data;

TEST(Value, TextOfNumbers)
{
    const std::pair<TValue, std::string> cases[] = {
        {TValue(1.5), "1.5"},        {TValue(10.0), "10"},          {TValue(0.1), "0.1"},
        {TValue(-2.25), "-2.25"},    {TValue(Decimal{350, 2}), "3.5"}, {TValue(Decimal{1000, 2}), "10"},
        {TValue(Decimal{-5, 3}), "-0.005"}, {TValue(Decimal{0, 2}), "0"}, {TValue(std::int64_t(1) << 40), "1099511627776"},
        {TValue(), ""},
    };
    for (const auto &[value, text] : cases)
        EXPECT_EQ(value.asString(), text);
    EXPECT_EQ(TValue(TValue(0.1 + 0.2).asString()).asFloat(), 0.1 + 0.2);
}

TEST(Value, IntegerFromText)
{
    EXPECT_EQ(TValue("42").asInteger(), 42);
    EXPECT_EQ(TValue(" -7 ").asInteger(), -7);
    EXPECT_EQ(errorOf([] { TValue("abc").asInteger(); }), "'abc' is not a valid integer value");
    EXPECT_EQ(errorOf([] { TValue("1.5").asInteger(); }), "'1.5' is not a valid integer value");
    EXPECT_EQ(errorOf([] { TValue("4294967296").asInteger(); }), "'4294967296' is out of the range of an integer value");
    EXPECT_EQ(TValue("4294967296").asLargeInt(), 4294967296LL);
    EXPECT_EQ(TValue(2.9).asInteger(), 2);
    EXPECT_EQ(TValue(-2.9).asInteger(), -2);
    EXPECT_FALSE(errorOf([] { TValue(3e10).asInteger(); }).empty());
    EXPECT_EQ(TValue().asInteger(), 0);
}

TEST(Value, ConvertedToFieldTypes)
{
    EXPECT_TRUE(TValue("").convertedTo(TFieldType::ftInteger).isNull());
    EXPECT_TRUE(TValue().convertedTo(TFieldType::ftString).isNull());
    EXPECT_EQ(TValue("12").convertedTo(TFieldType::ftInteger).type(), TFieldType::ftInteger);
    EXPECT_EQ(TValue(7.8).convertedTo(TFieldType::ftInteger), TValue(7));
    EXPECT_EQ(TValue(12).convertedTo(TFieldType::ftString), TValue("12"));
    EXPECT_EQ(TValue("2.50").convertedTo(TFieldType::ftBCD), TValue(Decimal{25, 1}));
    EXPECT_EQ(TValue("1e3").convertedTo(TFieldType::ftFloat), TValue(1000.0));
    EXPECT_EQ(errorOf([] { TValue("x1").convertedTo(TFieldType::ftFloat); }), "'x1' is not a valid floating point value");
    EXPECT_EQ(errorOf([] { TValue("x1").convertedTo(TFieldType::ftBCD); }), "'x1' is not a valid BCD value");
}

TEST(Value, Equality)
{
    EXPECT_EQ(TValue(5), TValue(std::int64_t(5)));
    EXPECT_EQ(TValue(), TValue::null());
    EXPECT_NE(TValue("5"), TValue(5));
    EXPECT_NE(TValue("abc"), TValue("ABC"));
    EXPECT_NE(TValue(), TValue(""));
    EXPECT_EQ(TValue(Decimal{150, 2}), TValue(Decimal{15, 1}));
}

TEST(Value, CompareNullsFirst)
{
    EXPECT_LT(compareNullsFirst(TValue(), TValue(-100)), 0);
    EXPECT_GT(compareNullsFirst(TValue(0), TValue("")), 0);
    EXPECT_EQ(compareNullsFirst(TValue(), TValue("")), 0);
    EXPECT_LT(compareNullsFirst(TValue("9"), TValue("10")), 0);
    EXPECT_EQ(compareNullsFirst(TValue(2.0), TValue(2)), 0);
}

TEST(Value, FieldTypeNames)
{
    EXPECT_STREQ(fieldTypeName(TFieldType::ftString), "String");
    EXPECT_STREQ(fieldTypeName(TFieldType::ftInteger), "Integer");
    EXPECT_STREQ(fieldTypeName(TFieldType::ftLargeint), "Largeint");
    EXPECT_STREQ(fieldTypeName(TFieldType::ftFloat), "Float");
    EXPECT_STREQ(fieldTypeName(TFieldType::ftBCD), "BCD");
    EXPECT_EQ(formatMessage("Field '%s' not found", "X"), "Field 'X' not found");
}

TEST(Value, NamesCompareWithoutCaseOnlyInAsciiLetters)
{
    // Code page 950: 乙 A4 41 and 兀 A4 61 differ only in a second byte that looks like "A" and "a";
    // 中 A4 A4 and 文 A4 E5 are both no UTF-8 at all.
    const std::string yi = "\xA4\x41", wu = "\xA4\x61", zhong = "\xA4\xA4", wen = "\xA4\xE5";
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"prod_id", "PROD_ID", true},     {"Prod_Id" + zhong, "pROD_iD" + zhong, true},
        {yi, wu, false},                  {zhong, wen, false},
        {"A" + yi, "a" + yi, true},       {"PROD_ID", "PROD_ID2", false},
        {"\x80", "\x80", true},           {"@", "`", false},
    };
    for (const auto &[a, b, same] : cases)
        EXPECT_EQ(sameName(a, b), same) << a << " / " << b;

    TClientDataSet set;
    set.addFieldDef(yi, TFieldType::ftInteger);
    set.addFieldDef(wu, TFieldType::ftInteger);
    set.createDataSet();
    EXPECT_EQ(set.fieldByName(wu).index(), 1);
    TParamList params;
    params.set(zhong, "1");
    params.set(wen, "2");
    EXPECT_EQ(params.value(zhong, ""), "1");
    EXPECT_EQ(params.value(wen, ""), "2");
}
