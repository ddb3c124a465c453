#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include "platform/rtl/Classes.h"

namespace {

struct SeparatorGuard {
    explicit SeparatorGuard(char c) : old(GetDecimalSeparator()) { SetDecimalSeparator(c); }
    ~SeparatorGuard() { SetDecimalSeparator(old); }
    char old;
};

TEST(Rounding, TruncTowardZeroRoundHalfEven) {
    EXPECT_EQ(Trunc(2.9), 2);
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(2.5000001), 3);
    EXPECT_THROW(Trunc(1e300), EConvertError);
}

TEST(FloatText, GeneralForm) {
    EXPECT_EQ(FloatToStr(19243793.584), "19243793.584");
    EXPECT_EQ(FloatToStr(3989778.550), "3989778.55");
    EXPECT_EQ(FloatToStr(19500000.0), "19500000");
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(0.00005), "5E-5");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(-0.000123), "-0.000123");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(-117.073), "-117.073");
}

TEST(FloatText, FollowsTheProcessSeparator) {
    SeparatorGuard g(',');
    EXPECT_EQ(FloatToStr(3989778.55), "3989778,55");
    EXPECT_EQ(FloatToStrDot(3989778.55), "3989778.55");
    EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    double v;
    EXPECT_TRUE(TryStrToFloatAny("1.5", v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_EQ(Format("%4.2f", {12.0}), "12,00");
}

TEST(FloatText, Parsing) {
    double v;
    EXPECT_TRUE(TryStrToFloat("  -12.5e2 ", v));
    EXPECT_DOUBLE_EQ(v, -1250);
    EXPECT_TRUE(TryStrToFloat("+3", v));
    for (const char* bad : {"", " ", "1.2.3", "abc", "1e", "--1", "inf", "nan", "1e999", "0x10", "1 2"})
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_THROW(StrToFloat("x"), EConvertError);
}

TEST(IntText, Parsing) {
    EXPECT_EQ(StrToInt("50"), 50);
    EXPECT_EQ(StrToInt(" -7"), -7);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("005"), 5);
    for (const char* bad : {"", "5x", "5 ", "2147483648", "-", "1.0"}) EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(Formatting, Specifiers) {
    EXPECT_EQ(Format("%d+%d", {3, 12}), "3+12");
    EXPECT_EQ(Format("%4.2f-%4.2f", {18.0, 12.0}), "18.00-12.00");
    EXPECT_EQ(Format("%4.2f", {1.5}), "1.50");
    EXPECT_EQ(Format("%6.2f|%-6d|%3d", {1.5, 42, 7}), "  1.50|42    |  7");
    EXPECT_EQ(Format("%s=%.3d", {"a", 5}), "a=005");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("%1:s %0:s", {"a", "b"}), "b a");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("%*d", {4, 7}), "   7");
    EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
    EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
    EXPECT_EQ(Format("%.3f", {-0.0001}), "0.000");
}

TEST(Formatting, BadPatternsRaise) {
    EXPECT_THROW(Format("%d", {1.5}), EFormatError);
    EXPECT_THROW(Format("%f", {1}), EFormatError);
    EXPECT_THROW(Format("%s", {1}), EFormatError);
    EXPECT_THROW(Format("%d %d", {1}), EFormatError);
    EXPECT_THROW(Format("%", {1}), EFormatError);
    EXPECT_THROW(Format("%q", {1}), EFormatError);
    EXPECT_THROW(Format("50%", {}), EFormatError);
    EXPECT_THROW(Format("%5:d", {1}), EFormatError);
}

TEST(DateFormat, LettersSeparatorsAndQuotes) {
    const TDateTime d = EncodeDate(1999, 12, 31) + EncodeTime(0, 7, 3, 45);
    EXPECT_EQ(FormatDateTime("yyyymmdd", d), "19991231");
    EXPECT_EQ(FormatDateTime("d/m/yy", d), "31-12-99");
    EXPECT_EQ(FormatDateTime("hh:mm:ss.zzz", d), "00:07:03.045");
    EXPECT_EQ(FormatDateTime("h:n:s z", d), "0:7:3 45");
    EXPECT_EQ(FormatDateTime("h a/p hh AM/PM", d), "12 a 12 上午");
    EXPECT_EQ(FormatDateTime("ddd ddddd", d), "星期五 1999-12-31");
    EXPECT_EQ(FormatDateTime("t|tt", d), "0:07|0:07:03");
    EXPECT_EQ(FormatDateTime("\"mm\" mm", d), "mm 12");
    EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(1, 1, 1)), "0001");
}

TEST(Strings, TrimAndCase) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(UpperCase("j-50-a"), "J-50-A");
    // 0xB0 0x41 is one GBK character whose trail byte is 'A': it must keep its case.
    std::string gbk = "\xB0\x41[ROW]";
    EXPECT_EQ(AnsiLowerCase(gbk), "\xB0\x41[row]");
    EXPECT_EQ(AnsiPos("A[", gbk), std::string::npos);
    EXPECT_EQ(AnsiPos("[ROW]", gbk), 2u);
}

TEST(StringList, TextAndBounds) {
    TStringList l;
    l.SetText("a\r\nb\nc\r");
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l[2], "c");
    EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(l.IndexOf("b"), 1);
    l.Delete(0);
    EXPECT_EQ(l[0], "b");
    EXPECT_THROW(l[5], ERangeError);
    EXPECT_THROW(l.Delete(-1), ERangeError);
}

}  // namespace
