#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

#include "engine/TessarInternal.h"
#include "engine/testsupport/RecordingTessarProgress.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/ExportTestUtil.h"

namespace fs = std::filesystem;

namespace {

// J-50 at 1:1,000,000 on Beijing 1954, meridian 117, national zone 20, corners to the millimetre.
TStandardTessarols J50() {
    TStandardTessarol s;
    s.SheetNo = "J-50";
    s.West = {114, 0, 0};
    s.South = {36, 0, 0};
    s.East = {120, 0, 0};
    s.North = {40, 0, 0};
    s.LT = {20243793.584, 4433921.004};
    s.RT = {20756206.416, 4433921.004};
    s.RB = {20770534.118, 3989778.550};
    s.LB = {20229465.882, 3989778.550};
    return {{s}};
}

const char* const kColumns18 =
    "Columns 18\r\n  图幅号 Char(30)\r\n  图幅名称 Char(30)\r\n"
    "  LT_L Decimal(15, 5)\r\n  LT_B Decimal(15, 5)\r\n  RT_L Decimal(15, 5)\r\n  RT_B Decimal(15, 5)\r\n"
    "  RB_L Decimal(15, 5)\r\n  RB_B Decimal(15, 5)\r\n  LB_L Decimal(15, 5)\r\n  LB_B Decimal(15, 5)\r\n"
    "  LT_X Decimal(15, 5)\r\n  LT_Y Decimal(15, 5)\r\n  RT_X Decimal(15, 5)\r\n  RT_Y Decimal(15, 5)\r\n"
    "  RB_X Decimal(15, 5)\r\n  RB_Y Decimal(15, 5)\r\n  LB_X Decimal(15, 5)\r\n  LB_Y Decimal(15, 5)\r\nData\r\n";
const char* const kFixed = "Version 450\r\nCharset \"WindowsSimpChinese\"\r\nDelimiter \",\"\r\n";

class MifTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TestDir("mif");
        SetTessarProgress(&progress_);
    }
    void TearDown() override {
        SetTessarProgress(nullptr);
        SetDecimalSeparator('.');
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
    TRecordingTessarProgress progress_;
};

TEST_F(MifTest, WorkedExampleInMetresKilometresAndDegrees) {
    ASSERT_TRUE(SaveTessarolsToMif(Path("m.mif"), J50(), true));
    EXPECT_EQ(ReadFile(Path("m.mif")),
              std::string(kFixed) +
                  "CoordSys NonEarth Units \"m\" Bounds (17524124.702, 1769066.28) (23332598.278, 6654633.274)\r\n" +
                  kColumns18 +
                  "Region 1\r\n  5\r\n20243793.584 4433921.004\r\n20756206.416 4433921.004\r\n"
                  "20770534.118 3989778.55\r\n20229465.882 3989778.55\r\n20243793.584 4433921.004\r\n"
                  "    Pen (1,0,0)\r\n    Brush (0,0,16777215)\r\n    Center 20500000 4211849.777\r\n");
    const std::string row =
        "\"J-50\",\"\",114,40,120,40,120,36,114,36,20243793.584,4433921.004,20756206.416,4433921.004,"
        "20770534.118,3989778.55,20229465.882,3989778.55\r\n";
    EXPECT_EQ(ReadFile(Path("m.mid")), row);

    ASSERT_TRUE(SaveTessarolsToMif(Path("km.mif"), J50(), false));
    EXPECT_EQ(ReadFile(Path("km.mif")),
              std::string(kFixed) +
                  "CoordSys NonEarth Units \"km\" Bounds (17524.124702, 1769.06628) (23332.598278, 6654.633274)\r\n" +
                  kColumns18 +
                  "Region 1\r\n  5\r\n20243.793584 4433.921004\r\n20756.206416 4433.921004\r\n"
                  "20770.534118 3989.77855\r\n20229.465882 3989.77855\r\n20243.793584 4433.921004\r\n"
                  "    Pen (1,0,0)\r\n    Brush (0,0,16777215)\r\n    Center 20500 4211.849777\r\n");
    EXPECT_EQ(ReadFile(Path("km.mid")),
              "\"J-50\",\"\",114,40,120,40,120,36,114,36,20243.793584,4433.921004,20756.206416,4433.921004,"
              "20770.534118,3989.77855,20229.465882,3989.77855\r\n");

    ASSERT_TRUE(SaveTessarolsToMifLL(Path("ll.mif"), J50()));
    EXPECT_EQ(ReadFile(Path("ll.mif")), std::string(kFixed) + "CoordSys Earth Projection 1, 0\r\n" + kColumns18 +
                                            "Region 1\r\n  5\r\n114 40\r\n120 40\r\n120 36\r\n114 36\r\n114 40\r\n"
                                            "    Pen (1,2,0)\r\n    Brush (1,0,16777215)\r\n    Center 117 38\r\n");
    EXPECT_EQ(ReadFile(Path("ll.mid")), row);
}

TEST_F(MifTest, WorkedExampleCornersAreTheEnginesProjection) {
    TStandardTessarols t;
    GetTessarols1000k({{114, 0, 0}, {36, 0, 0}, {120, 0, 0}, {40, 0, 0}}, false, true, 117, true, t);
    ASSERT_EQ(t.size(), 1u);
    ASSERT_EQ(t[0].size(), 1u);
    const TStandardTessarols j50 = J50();
    const TStandardTessarol& e = j50[0][0];
    EXPECT_EQ(t[0][0].SheetNo, "J-50");
    for (auto [a, b] : {std::pair{t[0][0].LT, e.LT}, {t[0][0].RT, e.RT}, {t[0][0].RB, e.RB}, {t[0][0].LB, e.LB}}) {
        EXPECT_NEAR(a.X, b.X, 0.0005);
        EXPECT_NEAR(a.Y, b.Y, 0.0005);
    }
}

TEST_F(MifTest, GridExample) {
    TCustomTessarols t = {{{"3+5", 500000, 4000000, 501000, 4001000}}};
    ASSERT_TRUE(SaveCustomTessarolsToMif(Path("g.mif"), t));
    EXPECT_EQ(ReadFile(Path("g.mif")),
              std::string(kFixed) +
                  "CoordSys NonEarth Units \"m\" Bounds (495000, 3995000) (506000, 4006000)\r\n"
                  "Columns 2\r\n  图幅号 Char(20)\r\n  图幅名 Char(30)\r\nData\r\n"
                  "Region 1\r\n  5\r\n500000 4001000\r\n501000 4001000\r\n501000 4000000\r\n500000 4000000\r\n"
                  "500000 4001000\r\n    Pen (1,0,0)\r\n    Brush (0,0,16777215)\r\n    Center 500500 4000500\r\n");
    EXPECT_EQ(ReadFile(Path("g.mid")), "\"3+5\",\"\"\r\n");
}

TEST_F(MifTest, CommaLocaleWritesTheSameBytes) {
    TStandardTessarols t;
    GetTessarols100k({{116, 0, 0}, {39, 0, 0}, {117, 0, 0}, {40, 0, 0}}, false, true, 117, t);
    TCustomTessarols g = {{{"a", 0.5, 0.25, 1.5, 1.25}, {"b", 1.5, 0.25, 2.5, 1.25}}};
    auto writeAll = [&](const std::string& tag) {
        EXPECT_TRUE(SaveTessarolsToMif(Path(tag + "m.mif"), t, true));
        EXPECT_TRUE(SaveTessarolsToMif(Path(tag + "k.mif"), t, false));
        EXPECT_TRUE(SaveTessarolsToMifLL(Path(tag + "l.mif"), t));
        EXPECT_TRUE(SaveCustomTessarolsToMif(Path(tag + "g.mif"), g));
    };
    writeAll("dot-");
    SetDecimalSeparator(',');
    writeAll("comma-");
    SetDecimalSeparator('.');
    for (std::string f : {"m.mif", "m.mid", "k.mif", "k.mid", "l.mif", "l.mid", "g.mif", "g.mid"}) {
        std::string a = ReadFile(Path("dot-" + f));
        EXPECT_FALSE(a.empty()) << f;
        EXPECT_EQ(a, ReadFile(Path("comma-" + f))) << f;
    }
    EXPECT_NE(ReadFile(Path("dot-g.mif")).find("\r\n0.5 1.25\r\n"), std::string::npos);  // fractions to compare
}

TEST_F(MifTest, BoundsOfColumnsOfTwoComeFromTheSouthWestAndNorthEastSheets) {
    TStandardTessarols t;
    GetTessarols500k({{114, 0, 0}, {36, 0, 0}, {123, 0, 0}, {40, 0, 0}}, false, true, 117, t);
    ASSERT_EQ(t.size(), 3u);
    ASSERT_EQ(t[0].size(), 2u);
    ASSERT_TRUE(SaveTessarolsToMif(Path("b.mif"), t, true));
    const TStandardTessarol &A = t[0][1], &Z = t[2][0];
    std::string expected = "Bounds (" + FloatToStrDot(A.LB.X - 5 * (A.RB.X - A.LB.X)) + ", " +
                           FloatToStrDot(A.LB.Y - 5 * (A.LT.Y - A.LB.Y)) + ") (" +
                           FloatToStrDot(Z.RT.X + 5 * (Z.RT.X - Z.LT.X)) + ", " +
                           FloatToStrDot(Z.RT.Y + 5 * (Z.RT.Y - Z.RB.Y)) + ")\r\n";
    std::string mif = ReadFile(Path("b.mif"));
    EXPECT_NE(mif.find(expected), std::string::npos) << mif.substr(0, 200);
    // Column by column from the west, north to south within a column.
    auto rows = Lines(ReadFile(Path("b.mid")));
    ASSERT_EQ(rows.size(), 6u);
    const char* order[] = {"J-50-A", "J-50-C", "J-50-B", "J-50-D", "J-51-A", "J-51-C"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rows[i].substr(0, rows[i].find(',')), "\"" + std::string(order[i]) + "\"");
    EXPECT_EQ(Count(mif, "Region 1\r\n"), 6u);
}

TEST_F(MifTest, BoundsOfColumnsOfOneAreTheExtremesWidenedByTheFirstSheet) {
    TStandardTessarols t;
    GetTessarols1000k({{108, 0, 0}, {36, 0, 0}, {126, 0, 0}, {40, 0, 0}}, false, true, 117, true, t);
    ASSERT_EQ(t.size(), 3u);
    ASSERT_EQ(t[0].size(), 1u);
    ASSERT_TRUE(SaveTessarolsToMif(Path("one.mif"), t, true));
    double lx = HUGE_VAL, ly = HUGE_VAL, hx = -HUGE_VAL, hy = -HUGE_VAL;
    for (auto& col : t)
        for (auto* p : {&col[0].LT, &col[0].RT, &col[0].RB, &col[0].LB}) {
            lx = std::min(lx, p->X), hx = std::max(hx, p->X);
            ly = std::min(ly, p->Y), hy = std::max(hy, p->Y);
        }
    const TStandardTessarol& F = t[0][0];
    std::string expected = "Bounds (" + FloatToStrDot(lx - 5 * (F.RB.X - F.LB.X)) + ", " +
                           FloatToStrDot(ly - 5 * (F.LT.Y - F.LB.Y)) + ") (" +
                           FloatToStrDot(hx + 5 * (F.RT.X - F.LT.X)) + ", " +
                           FloatToStrDot(hy + 5 * (F.RT.Y - F.RB.Y)) + ")\r\n";
    EXPECT_NE(ReadFile(Path("one.mif")).find(expected), std::string::npos);
}

// J-50 at 1:5,000: the south-east corners lie beyond the north-east sheet's margin.
TEST_F(MifTest, BoundsHoldEveryCornerOfJ50At5000) {
    TStandardTessarols t;
    GetTessarols5k({{114, 0, 0}, {36, 0, 0}, {120, 0, 0}, {40, 0, 0}}, false, true, 117, t);
    ASSERT_EQ(t.size(), 192u);
    ASSERT_EQ(t[0].size(), 192u);
    for (bool metres : {true, false}) {
        ASSERT_TRUE(SaveTessarolsToMif(Path("j50.mif"), t, metres));
        double k = metres ? 1 : 1000;
        std::ifstream f(Path("j50.mif"));
        std::string line;
        for (int i = 0; i < 4; ++i) std::getline(f, line);
        double b[4];
        ASSERT_EQ(std::sscanf(line.substr(line.find("Bounds")).c_str(), "Bounds (%lf, %lf) (%lf, %lf)", &b[0], &b[1],
                              &b[2], &b[3]),
                  4)
            << line;
        const TStandardTessarol &A = t[0].back(), &Z = t.back()[0];
        double lx = HUGE_VAL, ly = HUGE_VAL, hx = -HUGE_VAL, hy = -HUGE_VAL;
        for (auto& col : t)
            for (auto& s : col)
                for (auto* p : {&s.LT, &s.RT, &s.RB, &s.LB}) {
                    lx = std::min(lx, p->X), hx = std::max(hx, p->X);
                    ly = std::min(ly, p->Y), hy = std::max(hy, p->Y);
                }
        double b1MaxX = Z.RT.X + 5 * (Z.RT.X - Z.LT.X);
        EXPECT_GT(hx, b1MaxX) << "the plain rule would have held every corner";
        EXPECT_NEAR(b[2] * k, hx + 5 * (Z.RT.X - Z.LT.X), 1e-3 * k);
        EXPECT_NEAR(b[0] * k, A.LB.X - 5 * (A.RB.X - A.LB.X), 1e-3 * k);  // held already: kept
        EXPECT_NEAR(b[1] * k, A.LB.Y - 5 * (A.LT.Y - A.LB.Y), 1e-3 * k);
        EXPECT_NEAR(b[3] * k, Z.RT.Y + 5 * (Z.RT.Y - Z.RB.Y), 1e-3 * k);
        EXPECT_LE(b[0] * k, lx);
        EXPECT_LE(b[1] * k, ly);
        EXPECT_GE(b[2] * k, hx);
        EXPECT_GE(b[3] * k, hy);
    }
}

TEST_F(MifTest, QuotesInNamesAreDoubledAndCommasKept) {
    TCustomTessarols g = {{{"a\"b,c", 0, 0, 1, 1}}};
    ASSERT_TRUE(SaveCustomTessarolsToMif(Path("q.mif"), g));
    EXPECT_EQ(ReadFile(Path("q.mid")), "\"a\"\"b,c\",\"\"\r\n");
    TStandardTessarols t = J50();
    t[0][0].SheetNo = "\"J,50\"";
    ASSERT_TRUE(SaveTessarolsToMifLL(Path("q2.mif"), t));
    EXPECT_EQ(ReadFile(Path("q2.mid")).substr(0, 14), "\"\"\"J,50\"\"\",\"\",");
}

TEST(DmsText, Examples) {
    EXPECT_EQ(DmsToDmsText({117, 7, 30}), "117.073");
    EXPECT_EQ(DmsToDmsText({36, 20, 0}), "36.2");
    EXPECT_EQ(DmsToDmsText({40, 0, 0}), "40");
    EXPECT_EQ(DmsToDmsText({0, 1, 52.5}), "0.01525");
    EXPECT_EQ(DmsToDmsText({0, 0, 0.5}), "5E-5");
    SetDecimalSeparator(',');
    EXPECT_EQ(DmsToDmsText({117, 7, 30}), "117.073");
    SetDecimalSeparator('.');
}

TEST(NumberText, SameAsFloatToStrDot) {
    std::mt19937_64 rnd(7);
    std::uniform_real_distribution<double> mant(1, 10);
    std::uniform_int_distribution<int> exp(-22, 22);
    std::vector<double> values = {0,    -0.0,  1,        -1,         0.0001,     0.00009999999999999999, 1e15,
                                  1e14, 999999999999999.9, 123456789012345.6, 5e-5, 19500000.0,
                                  3989778.550, 1e300, -2.5e-300, 0.1 + 0.2, HUGE_VAL, -HUGE_VAL, NAN};
    for (int i = 0; i < 20000; ++i) {
        double v = mant(rnd) * std::pow(10.0, exp(rnd));
        values.push_back(i % 2 ? v : -v);
        values.push_back(std::round(v));
    }
    for (double v : values) {
        std::string s;
        TessarAppendNumber(s, v);
        ASSERT_EQ(s, FloatToStrDot(v)) << v;
    }
}

// The writers' former formatting: the library's "%.15g" with the exponent spelt "E-5".
template <class T>
std::string LibraryGeneral(T v) {
    if (v == 0) return "0";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    std::string t(buf, r.ptr);
    size_t e = t.find('e');
    if (e == std::string::npos) return t;
    std::string exp = t.substr(e + 2);
    exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
    return t.substr(0, e) + "E" + (t[e + 1] == '-' ? "-" : "") + exp;
}

template <class T>
std::string Ours(T v) {
    std::string s;
    TessarAppendNumber(s, v);
    return s;
}

// Rounding ties (exact binary values with a 5 in the 16th digit), the values around them, powers of ten
// at the edges of fixed notation, random magnitudes and eastings, in both locales.
TEST(NumberText, SameAsTheLibrarysGeneralFormat) {
    std::mt19937_64 rnd(11);
    std::uniform_real_distribution<double> mant(1, 10);
    std::uniform_int_distribution<int> exp(-310, 310), smallExp(-8, 20), degrees(0, 180), minutes(0, 59);
    std::uniform_int_distribution<uint64_t> int16(100000000000000ULL, 999999999999999ULL);
    std::vector<double> values = {20500000.123456, 20499999.9999995, 1e15, 999999999999999.5, 999999999999999.4,
                                  0.0001, 0.00009999999999999995, 1e-4, 5e-324, 1.7976931348623157e308,
                                  123456789012345.5, 123456789012344.5, 12345678901234.25, 1234567890123455,
                                  1234567890123445, 0.5, 0.125, 9.5367431640625e-07};
    for (int i = 0; i < 20000; ++i) {
        double tie = static_cast<double>(int16(rnd) * 10 + 5);  // 16 digits ending in 5: exact below 2^53
        values.push_back(std::ldexp(tie, -static_cast<int>(rnd() % 8)));
        values.push_back(std::nextafter(tie, 0.0));
        values.push_back(mant(rnd) * std::pow(10.0, exp(rnd)));
        values.push_back(mant(rnd) * std::pow(10.0, smallExp(rnd)));
        values.push_back(20500000 + static_cast<double>(rnd() % 1000000000) / 1e6);
        values.push_back(std::round(mant(rnd) * 1e6) / 1e3);
    }
    std::vector<long double> dms;
    for (int i = 0; i < 20000; ++i) {
        long double sec = static_cast<long double>(rnd() % 600000) / 10000;  // seconds to 1e-4
        dms.push_back(degrees(rnd) + static_cast<long double>(minutes(rnd)) / 100 + sec / 10000);
        dms.push_back(static_cast<long double>(int16(rnd) * 10 + 5) / (1ULL << (rnd() % 12)));
        dms.push_back(static_cast<long double>(mant(rnd)) * std::pow(10.0L, exp(rnd)));
    }
    for (char sep : {'.', ','}) {
        SetDecimalSeparator(sep);
        for (double v : values) {
            if (!std::isfinite(v)) continue;  // spelt by FloatToStrDot, as before
            ASSERT_EQ(Ours(v), LibraryGeneral(v)) << std::hexfloat << v;
            ASSERT_EQ(Ours(-v), LibraryGeneral(-v)) << std::hexfloat << v;
        }
        for (long double v : dms) {
            if (!std::isfinite(v)) continue;
            ASSERT_EQ(Ours(v), LibraryGeneral(v)) << std::hexfloat << v;
            ASSERT_EQ(Ours(-v), LibraryGeneral(-v)) << std::hexfloat << v;
        }
    }
    SetDecimalSeparator('.');
}

// The writers' cache of recent texts gives the bytes that formatting anew gives: values drawn mostly from a
// window wider than the cache, so that slots are hit, missed and overwritten, appended after text of any length.
TEST(NumberText, RecentTextsSameAsFormattingAnew) {
    std::mt19937_64 rnd(5);
    std::uniform_real_distribution<double> mant(1, 10);
    std::uniform_int_distribution<int> exp(-320, 308), smallExp(-6, 16);
    std::vector<double> numbers = {0, -0.0, 1, -1, 0.1 + 0.2, 5e-324, -1.7976931348623157e308, 1e15, -1e15,
                                   999999999999999.5, 0.00009999999999999995, -1.234567890123456e-300, 0.0001,
                                   HUGE_VAL, -HUGE_VAL, NAN, 20500000.123456, -3989778.55, 123456789012345.5};
    std::vector<TDmsAngle> angles = {{0, 0, 0},       {-0.0, 0, 0},  {117, 7, 30},    {-117, -7, -30},
                                     {0, 0, 0.5},     {1e300, 0, 0}, {0, 0, 5e-324},  {NAN, 0, 0},
                                     {HUGE_VAL, 0, 0}, {0, 59, 59.9999}, {36, 20, 0}, {-0.0, -0.0, -0.0}};
    for (int i = 0; i < 4000; ++i) {
        const double v = mant(rnd) * std::pow(10.0, i % 2 ? exp(rnd) : smallExp(rnd));
        numbers.push_back(rnd() % 2 ? v : -v);
        numbers.push_back(std::nextafter(numbers.back(), 0.0));
        numbers.push_back(20500000 + static_cast<double>(rnd() % 1000000000) / 1e3);
        const double sec = static_cast<double>(rnd() % 600000) / 10000;
        angles.push_back({static_cast<double>(rnd() % 361) - 180, static_cast<double>(rnd() % 60), sec});
    }
    TessarRecentTexts texts;
    std::string fast = "x", slow;
    auto pick = [&](size_t size) {
        const size_t window = std::min<size_t>(size, 300);  // wider than the cache
        const size_t base = rnd() % (size - window + 1);
        return rnd() % 8 ? base + rnd() % window : rnd() % size;
    };
    for (int i = 0; i < 300000; ++i) {
        const size_t start = fast.size();
        slow.clear();
        if (i % 3) {
            const double v = numbers[pick(numbers.size())];
            texts.Number(fast, v);
            TessarAppendNumber(slow, v);
        } else {
            const TDmsAngle& a = angles[pick(angles.size())];
            texts.Angle(fast, a);
            slow = DmsToDmsText(a);
        }
        ASSERT_EQ(fast.substr(start), slow) << i;
        fast.append(rnd() % 40, ',');
        if (fast.size() > 4096) fast.erase(0, 4000);
    }
}

TEST(FileNames, RemoveFileExt) {
    EXPECT_EQ(RemoveFileExt("/data/maps/index.mif"), "index");
    EXPECT_EQ(RemoveFileExt("/data/maps/index"), "index");
    EXPECT_EQ(RemoveFileExt("/data/maps/a.b.MIF"), "a.b");
    EXPECT_EQ(RemoveFileExt("/data/ma.ps/index"), "index");
    EXPECT_EQ(RemoveFileExt("index.mif"), "index");
}

TEST_F(MifTest, MidFileLiesBesideTheMifFile) {
    fs::create_directories(Path("ma.ps"));
    for (auto [mif, mid] : {std::pair<std::string, std::string>{"index.mif", "index.mid"},
                            {"index", "index.mid"},
                            {"a.b.MIF", "a.b.mid"},
                            {"ma.ps/index", "ma.ps/index.mid"}}) {
        ASSERT_TRUE(SaveTessarolsToMifLL(Path(mif), J50())) << mif;
        EXPECT_TRUE(fs::exists(Path(mid))) << mid;
        EXPECT_TRUE(fs::exists(Path(mif))) << mif;
    }
}

TEST_F(MifTest, ProgressDialogIsDrivenOncePerSheet) {
    TStandardTessarols t;
    GetTessarols500k({{114, 0, 0}, {36, 0, 0}, {123, 0, 0}, {40, 0, 0}}, false, true, 117, t);
    ASSERT_TRUE(SaveTessarolsToMif(Path("p.mif"), t, true));
    ASSERT_EQ(progress_.Dialogs.size(), 1u);
    auto& d = progress_.Dialogs[0];
    EXPECT_EQ(d.Caption, "导出图幅 " + Path("p.mif"));
    EXPECT_EQ(d.TotalParts, 6u);
    EXPECT_EQ(d.PartsComplete, 6u);
    EXPECT_EQ(d.Percent, 100);
    EXPECT_TRUE(d.ButtonEnabled);
    EXPECT_TRUE(d.Visible);
    EXPECT_FALSE(progress_.Hourglass);
    std::string calls = progress_.CallText();
    EXPECT_EQ(calls.find("NewDialog; SetTotalParts 6; DisableButton; Caption; SetCaption; Show; Hourglass; "
                         "IncPartsByOne; ProcessMessages"),
              0u)
        << calls;
    EXPECT_EQ(calls.substr(calls.size() - 29), "; EnableButton; DefaultCursor");
    EXPECT_GE(progress_.MessagesProcessed, 1u);

    // Each export makes a new dialog; an empty list in degrees still writes its header.
    ASSERT_TRUE(SaveTessarolsToMifLL(Path("e.mif"), {}));
    ASSERT_EQ(progress_.Dialogs.size(), 2u);
    EXPECT_EQ(progress_.Dialogs[1].TotalParts, 0u);
    EXPECT_EQ(progress_.Dialogs[1].Percent, 0);
    EXPECT_EQ(ReadFile(Path("e.mif")), std::string(kFixed) + "CoordSys Earth Projection 1, 0\r\n" + kColumns18);
    EXPECT_EQ(ReadFile(Path("e.mid")), "");
}

TEST(RecordingProgress, PercentRule) {
    TRecordingTessarProgress p;
    p.NewDialog();
    p.IncPartsByOne();  // a total of 0 stays at 0 %
    EXPECT_EQ(p.Current().PartsComplete, 0u);
    EXPECT_EQ(p.Current().Percent, 0);
    p.SetTotalParts(8);
    p.IncPartsByOne();
    EXPECT_EQ(p.Current().Percent, 12);  // 12.5 goes to the even neighbour
    p.IncPartsByOne();
    p.IncPartsByOne();
    EXPECT_EQ(p.Current().Percent, 38);  // 37.5
    p.SetTotalParts(8);                  // the same total changes nothing
    EXPECT_EQ(p.Current().PartsComplete, 3u);
    for (int i = 0; i < 9; ++i) p.IncPartsByOne();
    EXPECT_EQ(p.Current().PartsComplete, 8u);
    EXPECT_EQ(p.Current().Percent, 100);
    p.SetTotalParts(3);
    EXPECT_EQ(p.Current().PartsComplete, 0u);
    EXPECT_EQ(p.Current().Percent, 0);
    EXPECT_EQ(p.CallText(),
              "NewDialog; IncPartsByOne; SetTotalParts 8; IncPartsByOne x3; SetTotalParts 8; IncPartsByOne x9; "
              "SetTotalParts 3");
}

TEST_F(MifTest, FailuresLeaveNoFiles) {
    // No such directory, a ".mid" name in any case.
    EXPECT_FALSE(SaveTessarolsToMif(Path("none/x.mif"), J50(), true));
    EXPECT_EQ(errno, ENOENT);  // the cause is left for the caller, after the clean-up
    EXPECT_FALSE(SaveTessarolsToMifLL(Path("x.mid"), J50()));
    EXPECT_EQ(errno, 0);  // not the file system's failure
    EXPECT_FALSE(SaveCustomTessarolsToMif(Path("x.MID"), {{{"a", 0, 0, 1, 1}}}));
    // Plane lists without the sheets of the bounds: both files are made empty, and the export fails.
    auto emptyPair = [&](bool made) {
        const std::string mif = Path("empty.mif"), mid = Path("empty.mid");
        EXPECT_EQ(errno, 0);
        EXPECT_TRUE(fs::exists(mif) && fs::file_size(mif) == 0 && fs::exists(mid) && fs::file_size(mid) == 0);
        fs::remove(mif);
        fs::remove(mid);
        return made;
    };
    EXPECT_FALSE(emptyPair(SaveTessarolsToMif(Path("empty.mif"), {}, true)));
    EXPECT_FALSE(emptyPair(SaveTessarolsToMif(Path("empty.mif"), {{}}, false)));
    EXPECT_FALSE(emptyPair(SaveCustomTessarolsToMif(Path("empty.mif"), {})));
    EXPECT_FALSE(emptyPair(SaveCustomTessarolsToMif(Path("empty.mif"), {{{"a", 0, 0, 1, 1}}, {}})));
    // A GBK name with no name on disk (a GB18030 four-byte character) is not written under another one.
    EXPECT_FALSE(SaveTessarolsToMifLL(Path("\x95\x32\x82\x36.mif"), J50()));
    EXPECT_EQ(errno, EILSEQ);
    EXPECT_TRUE(fs::is_empty(dir_));
    EXPECT_TRUE(progress_.Dialogs.empty());

    // An older index of that name is replaced by the two empty files all the same, no dialog shown.
    ASSERT_TRUE(SaveTessarolsToMifLL(Path("old.mif"), J50()));
    const size_t dialogs = progress_.Dialogs.size();
    EXPECT_FALSE(SaveTessarolsToMif(Path("old.mif"), {{}}, true));
    EXPECT_EQ(ReadFile(Path("old.mif")), "");
    EXPECT_EQ(ReadFile(Path("old.mid")), "");
    EXPECT_EQ(progress_.Dialogs.size(), dialogs);

    // A name like the working names of old is the user's to take.
    ASSERT_TRUE(SaveTessarolsToMifLL(Path("x.mid~tmp"), J50()));
    EXPECT_NE(ReadFile(Path("x.mid~tmp")), "");
    EXPECT_NE(ReadFile(Path("x.mid")), "");

    // The MID name taken by a directory: the MIF moved into place is taken back out.
    fs::create_directories(Path("dir.mid"));
    EXPECT_FALSE(SaveTessarolsToMifLL(Path("dir.mif"), J50()));
    EXPECT_FALSE(fs::exists(Path("dir.mif")));
    EXPECT_FALSE(fs::exists(Path("dir.mif~tmp")));
    EXPECT_FALSE(fs::exists(Path("dir.mid~tmp")));
    EXPECT_TRUE(progress_.Dialogs.back().ButtonEnabled);
    EXPECT_FALSE(progress_.Hourglass);
}

// A pair that cannot be replaced whole is not touched at all: before, the MIF moved in and was then deleted.
TEST_F(MifTest, AFailedExportLeavesEveryExistingFileAsItWas) {
    auto existing = [&](const std::string& base) {
        std::ofstream(Path(base + ".mif")) << "user mif";
        std::ofstream(Path(base + ".mid")) << "user mid";
    };
    auto kept = [&](const std::string& base) {
        EXPECT_EQ(ReadFile(Path(base + ".mif")), "user mif") << base;
        for (const char* tail : {".mif~tmp", ".mid~tmp", ".mif~old", ".mid~old"})
            EXPECT_FALSE(fs::exists(Path(base + tail))) << base << tail;
    };
    // The MID name is a folder.
    std::ofstream(Path("dir.mif")) << "user mif";
    fs::create_directories(Path("dir.mid/x"));
    EXPECT_FALSE(SaveTessarolsToMifLL(Path("dir.mif"), J50()));
    EXPECT_EQ(errno, EISDIR);
    kept("dir");
    // The MID is read-only (refused for the superuser too).
    existing("ro");
    fs::permissions(Path("ro.mid"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(SaveTessarolsToMif(Path("ro.mif"), J50(), true));
    EXPECT_EQ(errno, EACCES);
    kept("ro");
    EXPECT_EQ(ReadFile(Path("ro.mid")), "user mid");
    // Files and folders named like the working names of old are the user's: the pair is replaced beside them,
    // they stay as they were, and nothing else is left.
    existing("aside");
    fs::create_directories(Path("aside.mid~old/x"));
    fs::create_directories(Path("aside.mif~old"));
    std::ofstream(Path("aside.mif~tmp")) << "user tmp";
    std::ofstream(Path("aside.mid~tmp")) << "user tmp";
    ASSERT_TRUE(SaveTessarolsToMif(Path("aside.mif"), J50(), false));
    EXPECT_NE(ReadFile(Path("aside.mif")), "user mif");
    EXPECT_NE(ReadFile(Path("aside.mid")), "user mid");
    EXPECT_TRUE(fs::is_directory(Path("aside.mid~old/x")));
    EXPECT_TRUE(fs::is_directory(Path("aside.mif~old")));
    EXPECT_EQ(ReadFile(Path("aside.mif~tmp")), "user tmp");
    EXPECT_EQ(ReadFile(Path("aside.mid~tmp")), "user tmp");
    size_t files = 0;
    for (auto& e : fs::directory_iterator(dir_))
        files += e.path().filename().string().rfind("aside.", 0) == 0;
    EXPECT_EQ(files, 6u);
}

// A target that cannot be written fails each writer before its dialog opens: no sheet is written, no bar moves.
TEST_F(MifTest, AnUnwritableTargetFailsBeforeTheFirstSheet) {
    fs::create_directories(Path("folder.mif"));
    std::ofstream(Path("ro.mif")) << "user mif";
    fs::permissions(Path("ro.mif"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::vector<std::pair<std::string, int>> targets = {{Path("folder.mif"), EISDIR}, {Path("ro.mif"), EACCES}};
    if (geteuid() != 0) {
        fs::create_directories(Path("closed"));
        fs::permissions(Path("closed"), fs::perms::owner_read | fs::perms::owner_exec);
        targets.push_back({Path("closed/x.mif"), EACCES});
    } else {
        std::cout << "[ note ] running as root: a folder closed to writing is not tried\n";
    }
    for (const auto& [target, cause] : targets) {
        EXPECT_FALSE(SaveTessarolsToMifLL(target, J50()));
        EXPECT_EQ(errno, cause) << target;
        EXPECT_FALSE(SaveTessarolsToMif(target, J50(), false));
        EXPECT_EQ(errno, cause) << target;
        EXPECT_FALSE(SaveCustomTessarolsToMif(target, {{{"a", 0, 0, 1, 1}}}));
        EXPECT_EQ(errno, cause) << target;
    }
    EXPECT_TRUE(progress_.Dialogs.empty());
    if (fs::exists(Path("closed"))) fs::permissions(Path("closed"), fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(ReadFile(Path("ro.mif")), "user mif");
    EXPECT_FALSE(fs::exists(Path("ro.mid")));
    EXPECT_FALSE(fs::exists(Path("folder.mid")));
}

// A full disk, by a file size limit: the writes fail half-way.
TEST_F(MifTest, FullDiskFailsAndCleansUp) {
    TStandardTessarols t;
    GetTessarols50k({{116, 0, 0}, {39, 0, 0}, {118, 0, 0}, {40, 0, 0}}, false, true, 117, t);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool ok = SaveTessarolsToMif(Path("full.mif"), t, true);
    const int cause = errno;
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(cause, EFBIG);
    EXPECT_TRUE(fs::is_empty(dir_));
    ASSERT_EQ(progress_.Dialogs.size(), 1u);
    EXPECT_TRUE(progress_.Dialogs[0].ButtonEnabled);
    EXPECT_FALSE(progress_.Hourglass);
}

// ---------------------------------------------------------------------------------------------
// Read back by GDAL.

TEST_F(MifTest, GdalReadsTheIndexes) {
    if (!HaveTool("ogrinfo")) GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed: the MIF/MID files are not read back";
    TStandardTessarols t;
    GetTessarols500k({{114, 0, 0}, {36, 0, 0}, {123, 0, 0}, {40, 0, 0}}, false, true, 117, t);
    TCustomTessarols g;
    ASSERT_TRUE(CreateCustomTessarols({500000, 4000000, 503000, 4002000}, 1, 1, true, "[ROW]+[COL]", 1000, 1000, g));
    ASSERT_TRUE(SaveTessarolsToMif(Path("m.mif"), t, true));
    ASSERT_TRUE(SaveTessarolsToMif(Path("k.mif"), t, false));
    ASSERT_TRUE(SaveTessarolsToMifLL(Path("l.mif"), t));
    ASSERT_TRUE(SaveCustomTessarolsToMif(Path("g.mif"), g));

    struct Case {
        std::string file;
        size_t columns;
        std::vector<std::pair<std::string, std::vector<std::pair<double, double>>>> sheets;
    };
    std::vector<Case> cases(4);
    cases[0] = {"m.mif", 18, {}};
    cases[1] = {"k.mif", 18, {}};
    cases[2] = {"l.mif", 18, {}};
    cases[3] = {"g.mif", 2, {}};
    for (auto& col : t)
        for (auto& s : col) {
            std::vector<std::pair<double, double>> m, k, l;
            for (auto* p : {&s.LT, &s.RT, &s.RB, &s.LB, &s.LT}) {
                m.push_back({p->X, p->Y});
                k.push_back({p->X / 1000, p->Y / 1000});
            }
            double w = DmsToDegree(s.West), so = DmsToDegree(s.South), e = DmsToDegree(s.East), n = DmsToDegree(s.North);
            l = {{w, n}, {e, n}, {e, so}, {w, so}, {w, n}};
            cases[0].sheets.push_back({s.SheetNo, m});
            cases[1].sheets.push_back({s.SheetNo, k});
            cases[2].sheets.push_back({s.SheetNo, l});
        }
    for (auto& row : g)
        for (auto& s : row)
            cases[3].sheets.push_back(
                {s.Name, {{s.MinX, s.MaxY}, {s.MaxX, s.MaxY}, {s.MaxX, s.MinY}, {s.MinX, s.MinY}, {s.MinX, s.MaxY}}});
    ASSERT_EQ(cases[3].sheets.size(), 6u);

    for (auto& c : cases) {
        SCOPED_TRACE(c.file);
        OgrLayer layer = ReadOgr(Path(c.file));
        ASSERT_EQ(layer.fields.size(), c.columns);
        EXPECT_EQ(layer.fields[0], U8(u8"图幅号"));
        ASSERT_EQ(layer.features.size(), c.sheets.size());
        for (size_t i = 0; i < c.sheets.size(); ++i) {
            EXPECT_EQ(layer.features[i].values[0], c.sheets[i].first);
            EXPECT_EQ(layer.features[i].values[1], "");
            auto& ring = layer.features[i].ring;
            ASSERT_EQ(ring.size(), 5u);
            for (size_t j = 0; j < 5; ++j) {
                double scale = std::max(1.0, std::fabs(c.sheets[i].second[j].first));
                EXPECT_NEAR(ring[j].first, c.sheets[i].second[j].first, 1e-13 * scale);
                EXPECT_NEAR(ring[j].second, c.sheets[i].second[j].second, 1e-13 * scale);
            }
        }
    }
}

}  // namespace
