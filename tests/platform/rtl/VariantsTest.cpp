#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "platform/rtl/Variants.h"

namespace {

TEST(Variants, Conversions) {
    EXPECT_EQ(Variant().AsInteger(), 0);
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_FALSE(Variant().AsBoolean());
    EXPECT_THROW(Variant::Null().AsDouble(), EVariantError);
    EXPECT_THROW(Variant::Null().AsString(), EVariantError);
    EXPECT_EQ(VarToStr(Variant::Null()), "");
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // halves to even
    EXPECT_EQ(Variant(3.5).AsInteger(), 4);
    EXPECT_THROW(Variant(3e9).AsInteger(), EVariantError);
    EXPECT_EQ(Variant("12").AsInteger(), 12);
    EXPECT_EQ(Variant(" 2.6").AsInteger(), 3);
    EXPECT_THROW(Variant("x").AsDouble(), EVariantError);
    EXPECT_TRUE(Variant("true").AsBoolean());
    EXPECT_FALSE(Variant("FALSE").AsBoolean());
    EXPECT_TRUE(Variant("3").AsBoolean());
    EXPECT_THROW(Variant("yes").AsBoolean(), EVariantError);
    EXPECT_EQ(Variant(0.5).AsString(), "0.5");
    EXPECT_EQ(Variant(int16_t(7)).AsType(varString).AsString(), "7");
    EXPECT_THROW(Variant(40000).AsType(varSmallint), EVariantError);
    TDateTime d = EncodeDate(2020, 5, 1);
    EXPECT_EQ(Variant::FromDate(d).AsString(), "2020-5-1");
    EXPECT_EQ(Variant("2020-05-01").AsDate(), d);
    EXPECT_EQ(Variant("2020-05-01").AsType(varDate).VarType(), varDate);
    EXPECT_THROW(Variant("2020-02-30").AsDate(), EVariantError);
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EVariantError& e) {
        return e.what();
    }
    return "";
}

TEST(Variants, IntegersRoundEveryNumberAndFailuresNameTheTypeAskedFor) {
    EXPECT_EQ(Variant::FromDate(EncodeDate(2020, 5, 1) + 0.5).AsInteger(), 43952);  // a date's day number
    EXPECT_EQ(Variant(-2147483647.6).AsInteger(), -2147483647 - 1);
    EXPECT_THROW(Variant(2147483647.5).AsInteger(), EVariantError);  // rounds past the range
    EXPECT_THROW(Variant("3e9").AsInteger(), EVariantError);
    EXPECT_EQ(Variant("-7").AsInteger(), -7);
    EXPECT_EQ(Variant("0.5").AsInteger(), 0);
    EXPECT_THROW(Variant(std::numeric_limits<double>::quiet_NaN()).AsInteger(), EVariantError);
    EXPECT_EQ(ErrorOf([] { Variant("x").AsInteger(); }),
              "Could not convert variant of type (String) into type (Integer)");
    EXPECT_EQ(ErrorOf([] { Variant::Null().AsInteger(); }),
              "Could not convert variant of type (Null) into type (Integer)");
    EXPECT_EQ(ErrorOf([] { Variant("x").AsDouble(); }),
              "Could not convert variant of type (String) into type (Double)");
}

TEST(Variants, StringsFollowTheProcessSeparator) {
    SetDecimalSeparator(',');
    EXPECT_EQ(Variant("1,5").AsDouble(), 1.5);
    EXPECT_THROW(Variant("1.5").AsDouble(), EVariantError);
    EXPECT_EQ(Variant(0.5).AsString(), "0,5");
    SetDecimalSeparator('.');
}

TEST(Variants, Arithmetic) {
    EXPECT_EQ((Variant(2) + Variant(3)).VarType(), varInteger);
    EXPECT_EQ((Variant(2) * Variant(3)).AsInteger(), 6);
    EXPECT_EQ((Variant(2000000000) + Variant(2000000000)).VarType(), varDouble);
    EXPECT_EQ((Variant(7) / Variant(2)).AsDouble(), 3.5);
    EXPECT_THROW(Variant(1) / Variant(0), EVariantError);
    EXPECT_EQ((Variant("ab") + Variant("cd")).AsString(), "abcd");
    EXPECT_EQ((Variant("10") + Variant(5)).AsDouble(), 15);
    EXPECT_EQ((Variant("10") + Variant(5)).VarType(), varDouble);
    EXPECT_THROW(Variant("x") - Variant(1), EVariantError);
    EXPECT_TRUE((Variant::Null() + Variant(1)).IsNull());
    EXPECT_EQ((Variant(true) + Variant(1)).AsInteger(), 0);
    Variant day = Variant::FromDate(EncodeDate(2020, 1, 31));
    EXPECT_EQ((day + Variant(1)).VarType(), varDate);
    EXPECT_EQ((day + Variant(1)).AsString(), "2020-2-1");
    EXPECT_EQ((day - day).VarType(), varDouble);
}

TEST(Variants, Logic) {
    EXPECT_EQ(VarAnd(Variant(true), Variant(false)).VarType(), varBoolean);
    EXPECT_TRUE(VarOr(Variant(false), Variant("True")).AsBoolean());
    EXPECT_EQ(VarAnd(Variant(6), Variant(3)).AsInteger(), 2);
    EXPECT_EQ(VarOr(Variant(true), Variant(2)).AsInteger(), -1);
    EXPECT_EQ(VarNot(Variant(true)).AsBoolean(), false);
    EXPECT_EQ(VarNot(Variant(0)).AsInteger(), -1);
    EXPECT_EQ(VarNot(Variant("false")).VarType(), varBoolean);
    EXPECT_EQ(VarNot(Variant("4")).AsInteger(), -5);
    EXPECT_TRUE(VarNot(Variant::Null()).IsNull());
    EXPECT_THROW(VarAnd(Variant("x"), Variant(1)), EVariantError);
}

TEST(Dates, EncodeDecodeAndText) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
    EXPECT_THROW(EncodeDate(2021, 2, 29), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2020, 2, 29));
    int y, m, d, h, n, s, ms;
    TDateTime t = EncodeDate(2024, 12, 31) + EncodeTime(23, 59, 58, 500);
    DecodeDate(t, y, m, d);
    DecodeTime(t, h, n, s, ms);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20241231);
    EXPECT_EQ(h * 10000 + n * 100 + s, 235958);
    EXPECT_EQ(ms, 500);
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
    EXPECT_EQ(h, 6);
    EXPECT_EQ(DateTimeToStr(EncodeDate(2020, 5, 1) + EncodeTime(8, 5, 0, 0)), "2020-5-1 8:05:00");
    TDateTime r;
    EXPECT_TRUE(TryStrToDateTime("2020/5/1 8:05", r));
    EXPECT_EQ(r, EncodeDate(2020, 5, 1) + EncodeTime(8, 5, 0, 0));
    EXPECT_FALSE(TryStrToDateTime("2020-5/1", r));
    EXPECT_FALSE(TryStrToDateTime("2020-13-1", r));
    EXPECT_FALSE(TryStrToDateTime("2020-1-1 25:00", r));
    EXPECT_FALSE(TryStrToDateTime("", r));
    EXPECT_THROW(StrToDateTime("x"), EConvertError);
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}

TEST(Strings, CompareTextAndExtensions) {
    EXPECT_EQ(AnsiCompareText("ABC", "abc"), 0);
    EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
    // a shorter text that is a prefix comes first; bytes compare unsigned
    EXPECT_LT(AnsiCompareText("Ab", "abc"), 0);
    EXPECT_GT(AnsiCompareText("abc", "AB"), 0);
    EXPECT_GT(AnsiCompareText("\xB1\xB1", "z"), 0);
    // a GBK trail byte keeps its case, a lone lead byte at the end folds nothing after it
    EXPECT_LT(AnsiCompareText("\x81\x41", "\x81\x61"), 0);
    EXPECT_EQ(AnsiCompareText("\x81\x41", "\x81\x41"), 0);
    EXPECT_EQ(AnsiCompareText("A\x81", "a\x81"), 0);
    // a character ends after its trail byte: the next letter folds again
    EXPECT_EQ(AnsiCompareText("\x81\x81" "A", "\x81\x81" "a"), 0);
    EXPECT_LT(AnsiCompareText("\x81\x81\x81" "A", "\x81\x81\x81" "a"), 0);
    EXPECT_EQ(AnsiUpperCase("a\x81\x61z"), "A\x81\x61Z");
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(ExtractFileExt("/a/c.shp"), ".shp");
    EXPECT_THROW(QM_ASSERT(false, "0002 Untested case"), EAssertionFailed);
}

}  // namespace
