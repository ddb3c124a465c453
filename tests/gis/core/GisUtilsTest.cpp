#include <gtest/gtest.h>

#include <cmath>

#include "gis/core/GisUtils.h"

namespace {

std::vector<std::string> TokensOf(const TGIS_Tokenizer& t) {
    std::vector<std::string> r;
    for (int i = 0; i < t.Tokens.Count(); ++i) r.push_back(t.Tokens[i]);
    return r;
}

using V = std::vector<std::string>;

TEST(Tokenizer, Execute) {
    TGIS_Tokenizer t;
    t.Execute("a,,b", ",", false);
    EXPECT_EQ(TokensOf(t), (V{"a", "b"}));
    t.Execute(",a", ",", false);
    EXPECT_EQ(TokensOf(t), (V{"", "a"}));
    t.Execute("a,\"b,c\"", ",", true);
    EXPECT_EQ(TokensOf(t), (V{"a", "b,c"}));
    t.Execute("a,\"b,c\"", ",", false);
    EXPECT_EQ(TokensOf(t), (V{"a", "\"b", "c\""}));
    t.Execute("  x : 'y z' ; w;  ", ":;", false);
    EXPECT_EQ(TokensOf(t), (V{"x", "y z", "w"}));
    t.Execute("Arial:65?12", ":?", false);
    EXPECT_EQ(TokensOf(t), (V{"Arial", "65", "12"}));
    t.Execute("", ",", false);
    EXPECT_EQ(t.Tokens.Count(), 0);
}

TEST(Tokenizer, StripQuotes) {
    EXPECT_EQ(TGIS_Tokenizer::StripQuotes("''"), "");
    EXPECT_EQ(TGIS_Tokenizer::StripQuotes("'"), "");
    EXPECT_EQ(TGIS_Tokenizer::StripQuotes(" 'a' "), "a");
    EXPECT_EQ(TGIS_Tokenizer::StripQuotes("\"a\""), "a");
    EXPECT_EQ(TGIS_Tokenizer::StripQuotes("'\"a\"'"), "a");
    EXPECT_EQ(TGIS_Tokenizer::StripQuotes("'a"), "'a");
    EXPECT_EQ(TGIS_Tokenizer::StripQuotes("\"a"), "\"a");
}

TEST(Tokenizer, ExecuteCsv) {
    TGIS_Tokenizer t;
    t.ExecuteCsv("", ',', '"');
    EXPECT_EQ(t.Tokens.Count(), 0);
    t.ExecuteCsv("a,,b", ',', '"');
    EXPECT_EQ(TokensOf(t), (V{"a", "", "b"}));
    t.ExecuteCsv("a,", ',', '"');
    EXPECT_EQ(TokensOf(t), (V{"a", ""}));
    t.ExecuteCsv("a b", ',', '"');
    EXPECT_EQ(TokensOf(t), (V{"a", "b"}));
    t.ExecuteCsv("  \"x, y\" , 12,\"open", ',', '"');
    EXPECT_EQ(TokensOf(t), (V{"x, y", "12", "open"}));
    // a NUL byte must not stop the scan in place
    t.ExecuteCsv(std::string("a\0b", 3), ',', '"');
    EXPECT_EQ(TokensOf(t), (V{"a", "b"}));
}

TEST(Units, CodesAndFactors) {
    TGIS_Units u(18, 0.5);
    EXPECT_EQ(u.Code, 18);
    EXPECT_EQ(u.Factor, 0.5);
    TGIS_Units d(20, 7);
    EXPECT_DOUBLE_EQ(d.Factor, M_PI / 180);
    d.SetCode(30);
    EXPECT_EQ(d.Code, 30);
    EXPECT_DOUBLE_EQ(d.Factor, M_PI / 180);
    d.SetCode(5);
    EXPECT_DOUBLE_EQ(d.Factor, 1200.0 / 3937.0);
    d.SetCode(1);
    EXPECT_EQ(d.Factor, 1);
    d.SetCode(3);
    EXPECT_EQ(d.Factor, 1000);
    TGIS_Units c;
    c.Assign(u);
    EXPECT_EQ(c.Code, 18);
    EXPECT_EQ(c.Factor, 0.5);
    EXPECT_THROW(TGIS_Units(1, 0), EAssertionFailed);
    EXPECT_THROW(c.SetCustom(18, 0), EAssertionFailed);
    EXPECT_EQ(GisUnitsKeyword(20), "DEGREEDECIMAL");
    EXPECT_EQ(GisUnitsKeyword(1), "");
    EXPECT_EQ(GisUnitsKeyword(25), "");
    EXPECT_EQ(GisUnitsCodeOfKeyword("meter"), 2);
    EXPECT_EQ(GisUnitsCodeOfKeyword("GRAD"), 24);
    EXPECT_EQ(GisUnitsCodeOfKeyword(""), -1);
    EXPECT_EQ(GisUnitsCodeOfKeyword("PARSEC"), -1);
}

TEST(Lists, VariantListAndStacks) {
    TGIS_VariantList l;
    EXPECT_EQ(l.Add(Variant(1)), 0);
    EXPECT_EQ(l.Add(Variant("x")), 1);
    l.SetItem(0, Variant(2.5));
    EXPECT_EQ(l.GetItem(0).AsDouble(), 2.5);
    EXPECT_EQ(l.GetItem(1).AsString(), "x");
    EXPECT_THROW(l.GetItem(2), ERangeError);
    EXPECT_THROW(l.SetItem(-1, Variant()), ERangeError);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);

    TGIS_StackInteger s;
    EXPECT_EQ(s.Pop(), 0);
    EXPECT_EQ(s.Peek(), 0);
    s.Push(7);
    s.Push(-3);
    EXPECT_EQ(s.Peek(), -3);
    TGIS_StackInteger copy;
    copy.Push(99);
    copy.CopyFrom(s);
    EXPECT_EQ(copy.Pop(), -3);
    EXPECT_EQ(copy.Pop(), 7);
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(s.Count(), 2);
    TGIS_Stack p;
    EXPECT_EQ(p.Pop(), nullptr);
    int x;
    p.Push(&x);
    EXPECT_EQ(p.Peek(), &x);
}

}  // namespace
