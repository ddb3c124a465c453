#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <cstring>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/SysUtils.h"

namespace {

TDmsAngle A(double d, double m = 0, double s = 0) { return {d, m, s}; }

using Enumerator = std::function<void(const TDmsExtent&, TStandardTessarols&)>;

// The old-standard enumerator of each scale, with Beijing 1954, 6-degree zones and meridian 117.
Enumerator OldAt(int scale, bool beijing = true, bool zone3 = false, double cm = 117) {
    using F = void (*)(const TDmsExtent&, bool, bool, double, TStandardTessarols&);
    static const F fs[] = {nullptr, GetTessarols500k, GetTessarols250k, GetTessarols100k,
                           GetTessarols50k, GetTessarols25k, GetTessarols10k, GetTessarols5k};
    if (scale == 0)
        return [=](const TDmsExtent& w, TStandardTessarols& r) { GetTessarols1000k(w, zone3, beijing, cm, true, r); };
    return [=](const TDmsExtent& w, TStandardTessarols& r) { fs[scale](w, zone3, beijing, cm, r); };
}

Enumerator NewAt(int scale, bool beijing = true, bool zone3 = false, double cm = 117) {
    return [=](const TDmsExtent& w, TStandardTessarols& r) { GetNewTessarols(w, zone3, beijing, cm, scale, r); };
}

std::vector<std::string> Numbers(const TStandardTessarols& t) {
    std::vector<std::string> out;
    for (auto& col : t)
        for (auto& s : col) out.push_back(s.SheetNo);
    return out;
}

double Sec(const TDmsAngle& a) { return DmsToSeconds(a); }

const TDmsExtent kExample = {A(116, 29), A(39, 53), A(116, 31), A(39, 55)};

TEST(Enumeration, WorkedExampleBothStandards) {
    struct Row {
        std::vector<std::string> oldNos, newNos;
        TDmsExtent first;
    };
    const Row rows[] = {
        {{"J-50"}, {"J50"}, {A(114), A(36), A(120), A(40)}},
        {{"J-50-A"}, {"J50B001001"}, {A(114), A(38), A(117), A(40)}},
        {{"J-50-[2]"}, {"J50C001002"}, {A(115, 30), A(39), A(117), A(40)}},
        {{"J-50-5", "J-50-6"}, {"J50D001005", "J50D001006"}, {A(116), A(39, 40), A(116, 30), A(40)}},
        {{"J-50-5-B", "J-50-6-A"}, {"J50E001010", "J50E001011"}, {A(116, 15), A(39, 50), A(116, 30), A(40)}},
        {{"J-50-5-B-4", "J-50-6-A-3"}, {"J50F002020", "J50F002021"}, {A(116, 22, 30), A(39, 50), A(116, 30), A(39, 55)}},
        {{"J-50-5-(24)", "J-50-6-(17)"}, {"J50G003040", "J50G003041"},
         {A(116, 26, 15), A(39, 52, 30), A(116, 30), A(39, 55)}},
        {{"J-50-5-(24)-b", "J-50-5-(24)-d", "J-50-6-(17)-a", "J-50-6-(17)-c"},
         {"J50H005080", "J50H006080", "J50H005081", "J50H006081"},
         {A(116, 28, 7.5), A(39, 53, 45), A(116, 30), A(39, 55)}},
    };
    for (int s = 0; s < kScaleCount; ++s) {
        SCOPED_TRACE(s);
        TStandardTessarols o, n;
        OldAt(s)(kExample, o);
        NewAt(s)(kExample, n);
        EXPECT_EQ(Numbers(o), rows[s].oldNos);
        EXPECT_EQ(Numbers(n), rows[s].newNos);
        const TStandardTessarol& f = o[0][0];
        EXPECT_EQ(Sec(f.West), Sec(rows[s].first.West));
        EXPECT_EQ(Sec(f.South), Sec(rows[s].first.South));
        EXPECT_EQ(Sec(f.East), Sec(rows[s].first.East));
        EXPECT_EQ(Sec(f.North), Sec(rows[s].first.North));
        EXPECT_EQ(Sec(n[0][0].West), Sec(f.West));
    }
}

TEST(Enumeration, LayoutAndCorners) {
    TStandardTessarols t;
    GetTessarols1000k({A(114), A(36), A(120), A(40)}, false, true, 117, true, t);
    ASSERT_EQ(Numbers(t), std::vector<std::string>{"J-50"});
    EXPECT_NEAR(t[0][0].LT.X, 20243793.584, 0.0005);
    EXPECT_NEAR(t[0][0].LT.Y, 4433921.004, 0.0005);
    EXPECT_NEAR(t[0][0].RB.X, 20770534.118, 0.0005);
    EXPECT_NEAR(t[0][0].LB.Y, 3989778.550, 0.0005);
    GetTessarols500k({A(114), A(36), A(120), A(40)}, false, true, 117, t);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(Numbers(t), (std::vector<std::string>{"J-50-A", "J-50-C", "J-50-B", "J-50-D"}));
    // Corners are exactly the projections of the sheet's own edges, on both datums.
    for (bool beijing : {true, false}) {
        OldAt(5, beijing, true, 0)({A(116, 10), A(39, 41), A(116, 40), A(39, 59)}, t);
        auto f = beijing ? BLToXY54 : BLToXY80;
        for (auto& col : t)
            for (auto& s : col) {
                EXPECT_EQ(s.LT.X, f(s.West, s.North, true, 0).X);
                EXPECT_EQ(s.RT.Y, f(s.East, s.North, true, 0).Y);
                EXPECT_EQ(s.RB.X, f(s.East, s.South, true, 0).X);
                EXPECT_EQ(s.LB.Y, f(s.West, s.South, true, 0).Y);
            }
    }
    // Derive mode: the east edge at the 6-degree boundary 120 E is projected in the zone east of it.
    GetTessarols1000k({A(114), A(36), A(120), A(40)}, false, true, 0, false, t);
    EXPECT_EQ(t[0][0].SheetNo, "J50");
    EXPECT_LT(t[0][0].RT.X, 500000);
    EXPECT_GT(t[0][0].LT.X, 200000);
    EXPECT_NEAR(t[0][0].RT.X, BLToXY54(A(120), A(40), false, 123).X - 21000000, 1e-6);
    // The same at a 3-degree boundary (118 30' E): the corner goes to the zone of 120.
    GetTessarols100k({A(118), A(39, 40), A(118, 30), A(40)}, true, true, 0, t);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_NEAR(t[0][0].RT.X, BLToXY54(A(118, 30), A(40), true, 120).X - 40000000, 1e-6);
    EXPECT_NEAR(t[0][0].LT.X, BLToXY54(A(118), A(40), true, 117).X - 39000000, 1e-6);
}

TEST(Enumeration, EdgesOnSheetEdgesAddNothing) {
    TStandardTessarols t;
    GetTessarols100k({A(116, 30), A(39, 53), A(116, 31), A(39, 55)}, false, true, 117, t);
    EXPECT_EQ(t[0][0].SheetNo, "J-50-6");
    // 39 40' / (1/3 degree) is 10.999... in decimal degrees: still exactly one row at every scale.
    for (int s = 0; s < kScaleCount; ++s) {
        SCOPED_TRACE(s);
        const double w = TessarolWidths[s], h = TessarolHeights[s];
        // A window that is exactly two by three sheets, starting on the edges at 116 E, 39 40' N.
        TDmsExtent win = {SecondsToDms(116 * 3600.0), SecondsToDms(142800),
                          SecondsToDms(116 * 3600.0 + 2 * w), SecondsToDms(142800 + 3 * h)};
        if (s < 3) win = {A(114), A(36), SecondsToDms(114 * 3600.0 + 2 * w), SecondsToDms(36 * 3600.0 + 3 * h)};
        for (bool isNew : {false, true}) {
            (isNew ? NewAt(s) : OldAt(s))(win, t);
            ASSERT_EQ(t.size(), 2u);
            EXPECT_EQ(t[0].size(), 3u);
            EXPECT_EQ(Sec(t[0][2].South), Sec(win.South));
            EXPECT_EQ(Sec(t[1][0].East), Sec(win.East));
        }
        // Decimal-degree input of the same edges (39.666... N) lands on the same sheets.
        TDmsExtent dec = {DegreeToDms(DmsToDegree(win.West)), DegreeToDms(DmsToDegree(win.South)),
                          DegreeToDms(DmsToDegree(win.East)), DegreeToDms(DmsToDegree(win.North))};
        for (bool isNew : {false, true}) {
            TStandardTessarols d;
            (isNew ? NewAt(s) : OldAt(s))(dec, d);
            (isNew ? NewAt(s) : OldAt(s))(win, t);
            EXPECT_EQ(Numbers(d), Numbers(t));
        }
    }
}

TEST(Enumeration, EmptyInvertedAndTooLarge) {
    TStandardTessarols t;
    GetTessarols100k(kExample, false, true, 117, t);
    const auto before = Numbers(t);
    TStandardTessarols keep = t;
    GetTessarols100k({A(116, 30), A(39), A(116, 30), A(40)}, false, true, 117, keep);
    EXPECT_TRUE(keep.empty());
    keep = t;
    GetTessarols100k({A(116), A(39), A(116, 30), A(39)}, false, true, 117, keep);
    ASSERT_EQ(keep.size(), 1u);
    EXPECT_TRUE(keep[0].empty());
    EXPECT_THROW(GetTessarols100k({A(116, 30), A(39), A(116), A(40)}, false, true, 117, t), ERangeError);
    // Zero width or height off the sheet edges covers no sheet either.
    keep = t;
    GetTessarols100k({A(116, 10), A(39), A(116, 10), A(40)}, false, true, 117, keep);
    EXPECT_TRUE(keep.empty());
    GetTessarols100k({A(116), A(39, 50), A(116, 30), A(39, 50)}, false, true, 117, keep);
    ASSERT_EQ(keep.size(), 1u);
    EXPECT_TRUE(keep[0].empty());
    // Inverted by less than a sheet, inside one sheet.
    EXPECT_THROW(GetTessarols100k({A(116, 20), A(39), A(116, 10), A(40)}, false, true, 117, t), ERangeError);
    EXPECT_THROW(GetTessarols100k({A(116), A(39, 55), A(116, 20), A(39, 45)}, false, true, 117, t), ERangeError);
    EXPECT_THROW(GetTessarols100k({A(116), A(40), A(116, 30), A(39)}, false, true, 117, t), ERangeError);
    EXPECT_THROW(GetTessarols1000k({A(120), A(36), A(114), A(40)}, false, true, 117, true, t), ERangeError);
    // The whole world at 1:5,000 is about 100 million sheets: refused before anything is allocated.
    EXPECT_THROW(GetTessarols5k({A(0), A(0), A(180), A(88)}, false, true, 0, t), ERangeError);
    EXPECT_THROW(GetNewTessarols({A(0), A(0), A(180), A(88)}, false, true, 0, 7, t), ERangeError);
    // Outside the area of the sheet system.
    EXPECT_THROW(GetTessarols1000k({A(-10), A(36), A(10), A(40)}, false, true, 0, true, t), ERangeError);
    EXPECT_THROW(GetTessarols1000k({A(100), A(80), A(110), A(89)}, false, true, 0, true, t), ERangeError);
    EXPECT_THROW(GetNewTessarols(kExample, false, true, 117, 8, t), ERangeError);
    EXPECT_EQ(Numbers(t), before);
}

TEST(Enumeration, NewIndexZeroIsTheMillionEnumerator) {
    TStandardTessarols a, b;
    const TDmsExtent win = {A(100), A(20), A(125), A(45)};
    GetNewTessarols(win, true, false, 0, 0, a);
    GetTessarols1000k(win, true, false, 0, false, b);
    ASSERT_EQ(Numbers(a), Numbers(b));
    EXPECT_EQ(a[0][0].SheetNo, "L47");  // row 0 is the northmost
    EXPECT_EQ(a[0].back().SheetNo, "F47");
    EXPECT_EQ(a[4][0].LT.X, b[4][0].LT.X);
    EXPECT_EQ(PadNumber3(5), "005");
    EXPECT_EQ(PadNumber3(80), "080");
    EXPECT_EQ(PadNumber3(192), "192");
}

bool SameBits(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

bool Identical(const TStandardTessarol& a, const TStandardTessarol& b) {
    return a.SheetNo == b.SheetNo && SameBits(&a.West, &b.West, sizeof a.West) &&
           SameBits(&a.South, &b.South, sizeof a.South) && SameBits(&a.East, &b.East, sizeof a.East) &&
           SameBits(&a.North, &b.North, sizeof a.North) && SameBits(&a.LT, &b.LT, sizeof a.LT) &&
           SameBits(&a.RT, &b.RT, sizeof a.RT) && SameBits(&a.RB, &b.RB, sizeof a.RB) &&
           SameBits(&a.LB, &b.LB, sizeof a.LB);
}

// Checks every sheet of `t`, enumerated over `w`, against what it must be on its own: edges from its
// indices, corners from the forward projection of those edges, a number that parses back to them.
void ExpectSheetsOnTheirOwn(const TStandardTessarols& t, int scale, bool newNumbers, const TessarIndexWindow& w,
                            bool zone3, bool beijing, double cm) {
    const double sw = TessarolWidths[scale], sh = TessarolHeights[scale];
    auto f = beijing ? BLToXY54 : BLToXY80;
    ASSERT_EQ(static_cast<int64_t>(t.size()), w.col1 - w.col0);
    for (size_t c = 0; c < t.size(); ++c) {
        ASSERT_EQ(static_cast<int64_t>(t[c].size()), w.row1 - w.row0);
        for (size_t r = 0; r < t[c].size(); ++r) {
            const TStandardTessarol& s = t[c][r];
            ASSERT_EQ(Sec(s.West), static_cast<double>(w.col0 + static_cast<int64_t>(c)) * sw) << c << " " << r;
            ASSERT_EQ(Sec(s.North), static_cast<double>(w.row1 - static_cast<int64_t>(r)) * sh) << c << " " << r;
            TStandardTessarol alone = s;
            alone.LT = f(s.West, s.North, zone3, cm);
            alone.RT = f(s.East, s.North, zone3, cm);
            alone.RB = f(s.East, s.South, zone3, cm);
            alone.LB = f(s.West, s.South, zone3, cm);
            ASSERT_TRUE(Identical(s, alone)) << s.SheetNo;
            const TDmsExtent e = newNumbers ? NewSheetNoToExtent(s.SheetNo) : OldSheetNoToExtent(s.SheetNo);
            ASSERT_EQ(Sec(e.West), Sec(s.West)) << s.SheetNo;
            ASSERT_EQ(Sec(e.North), Sec(s.North)) << s.SheetNo;
            ASSERT_EQ(Sec(e.East), Sec(s.East)) << s.SheetNo;
            ASSERT_EQ(Sec(e.South), Sec(s.South)) << s.SheetNo;
        }
    }
}

// Sharing the columns among threads changes nothing: each split gives the caller's thread's result bit
// for bit, and that result is every sheet computed on its own.
TEST(Enumeration, WorkersGiveTheOneThreadResultBitForBit) {
    struct Case {
        int scale;
        bool newNumbers, zone3, beijing;
        double cm;
        TessarIndexWindow w;  // columns and rows of sheets of the scale, counted from 0 E and 0 N
    };
    const Case cases[] = {
        // 1:5,000 across the 6-degree boundary at 120 E in derive mode: 41 columns, 23 rows.
        {7, true, false, true, 0, {119 * 32 + 7, 120 * 32 + 16, 39 * 48 + 5, 39 * 48 + 28}},
        {7, false, true, false, 117, {116 * 32, 117 * 32 + 9, 30 * 48, 30 * 48 + 17}},
        // 1:10,000 old numbers, 3-degree zones, across 118 30' E.
        {6, false, true, true, 0, {118 * 16 - 20, 118 * 16 + 29, 40 * 24 + 3, 40 * 24 + 14}},
        {3, true, false, false, 105, {100 * 2, 112 * 2, 25 * 3, 29 * 3}},
        {1, false, false, true, 0, {70 / 3, 136 / 3, 18 / 2, 54 / 2}},
        {0, true, true, false, 0, {72 / 6, 138 / 6, 0, 22}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.scale);
        TStandardTessarols one;
        TessarEnumerate(k.scale, k.newNumbers, k.w, k.zone3, k.beijing, k.cm, one, 1);
        ExpectSheetsOnTheirOwn(one, k.scale, k.newNumbers, k.w, k.zone3, k.beijing, k.cm);
        for (int workers : {2, 3, 7}) {
            SCOPED_TRACE(workers);
            TStandardTessarols many;
            TessarEnumerate(k.scale, k.newNumbers, k.w, k.zone3, k.beijing, k.cm, many, workers);
            ASSERT_EQ(many.size(), one.size());
            for (size_t c = 0; c < one.size(); ++c) {
                ASSERT_EQ(many[c].size(), one[c].size());
                for (size_t r = 0; r < one[c].size(); ++r)
                    ASSERT_TRUE(Identical(many[c][r], one[c][r])) << c << " " << r << " " << one[c][r].SheetNo;
            }
        }
    }
    // A window large enough for the automatic split (122,880 sheets), through the public enumerator.
    TStandardTessarols automatic, one;
    GetTessarols5k({A(110), A(30), A(120), A(38)}, false, false, 0, automatic);
    TessarEnumerate(7, false, {110 * 32, 120 * 32, 30 * 48, 38 * 48}, false, false, 0, one, 1);
    ASSERT_EQ(automatic.size(), one.size());
    size_t differing = 0;
    for (size_t c = 0; c < one.size(); ++c)
        for (size_t r = 0; r < one[c].size(); ++r) differing += !Identical(automatic[c][r], one[c][r]);
    EXPECT_EQ(differing, 0u);
    EXPECT_EQ(automatic[0][0].SheetNo, "J-49-77-(1)-a");
}

// Columns long enough to be faulted in at once (384 records of 1:5,000) and, side by side, backed by
// huge pages where the system allows: every sheet is still what it is on its own, across the 6-degree
// boundary at 120 E and the 3-degree one at 118 30' E, on one thread and on several.
TEST(Enumeration, LongColumnsOnPrefaultedMemory) {
    const TessarIndexWindow w{119 * 32 + 20, 120 * 32 + 12, 30 * 48, 38 * 48};
    TStandardTessarols t;
    TessarEnumerate(7, true, w, false, true, 0, t, 1);
    ExpectSheetsOnTheirOwn(t, 7, true, w, false, true, 0);
    const TessarIndexWindow w3{118 * 32 + 6, 118 * 32 + 26, 40 * 48 - 400, 40 * 48};
    TessarEnumerate(7, false, w3, true, false, 0, t, 3);
    ExpectSheetsOnTheirOwn(t, 7, false, w3, true, false, 0);
}

TEST(Parsing, OldScales) {
    const std::pair<const char*, int> cases[] = {
        {"J-50", 0}, {"J-50-A", 1}, {"J-50-[2]", 2}, {"J-50-5", 3}, {"J-50-5-B", 4}, {"J-50-5-B-4", 5},
        {"J-50-5-(24)", 6}, {"J-50-5-(24)-b", 7}, {"J-50-a", -1}, {"J-50-5-(24)-B", -1},
        // Malformed or out-of-range parts are not recognised.
        {"", -1}, {"J", -1}, {"J-50-145", -1}, {"J-0", -1}, {"J-61", -1}, {"j-50", -1}, {"W-50", -1},
        {"J-50-[2", -1}, {"J-50-5.5", -1}, {"J-50-[17]", -1}, {"J-50-5-(65)", -1}, {"J-50-5-B-5", -1},
        {"J-50-200", -1}, {"J-50- 5", -1}, {"J -50", -1}, {"J-50-", -1}, {"J--50", -1}, {"J-50-5-E", -1},
        {"J-50-5-(24)-e", -1}, {"J-+5", -1}, {"J-50-0", -1}, {"J-50-[0]", -1}, {"J-50-5-B-4-a", -1}, {"J-5x", -1},
        {"J-50-5-B-(3)", -1}};
    for (auto [no, scale] : cases) {
        EXPECT_EQ(GetOldSheetNoScale(no), scale) << no;
        if (scale < 0) {
            TDmsExtent e = OldSheetNoToExtent(no);
            EXPECT_EQ(Sec(e.West) + Sec(e.South) + Sec(e.East) + Sec(e.North), 0) << no;
        }
    }
}

TEST(Parsing, Extents) {
    auto expect = [](const TDmsExtent& e, TDmsExtent want) {
        EXPECT_EQ(Sec(e.West), Sec(want.West));
        EXPECT_EQ(Sec(e.South), Sec(want.South));
        EXPECT_EQ(Sec(e.East), Sec(want.East));
        EXPECT_EQ(Sec(e.North), Sec(want.North));
    };
    expect(OldSheetNoToExtent("J-50"), {A(114), A(36), A(120), A(40)});
    expect(OldSheetNoToExtent("J-50-[2]"), {A(115, 30), A(39), A(117), A(40)});
    expect(OldSheetNoToExtent("J-50-5-B-4"), {A(116, 22, 30), A(39, 50), A(116, 30), A(39, 55)});
    TDmsExtent e = OldSheetNoToExtent("J-50-5-B-4");
    EXPECT_EQ(e.West.Degrees, 116);
    EXPECT_EQ(e.West.Minutes, 22);
    EXPECT_EQ(e.West.Seconds, 30);
    expect(NewSheetNoToExtent("J50D001005"), {A(116), A(39, 40), A(116, 30), A(40)});
    expect(NewSheetNoToExtent("J50"), {A(114), A(36), A(120), A(40)});
    expect(NewSheetNoToExtent("J5X"), {});
    for (const char* bad : {"J5", "J50X001001", "J50D000005", "J50D013001", "J50D001145", "J50d001005", "J50D0010 5",
                            "J50H193001", "j50", "J50D00100", "J 50", "J00", "J61", "XYZ"}) {
        EXPECT_EQ(GetNewSheetNoScale(bad), -1) << bad;
        expect(NewSheetNoToExtent(bad), {});
    }
    EXPECT_EQ(GetNewSheetNoScale("J50H192192"), 7);
}

// A number typed or read with blanks or tabs around it is still that number, in both readers and in the
// conversion; blanks inside it are not, and a line that is no number never aborts the list.
TEST(Parsing, BlanksAroundANumber) {
    for (const char* no : {"J-50-5 ", " J-50-5", "\tJ-50-5\t ", "J-50-5\r\n"}) {
        EXPECT_EQ(GetOldSheetNoScale(no), 3) << no;
        EXPECT_EQ(GetSheetNoStandard(no), 1) << no;
        EXPECT_EQ(Sec(OldSheetNoToExtent(no).West), Sec(OldSheetNoToExtent("J-50-5").West)) << no;
    }
    EXPECT_EQ(GetOldSheetNoScale(" J-50-5-(24)-b\t"), 7);
    for (const char* no : {"J50D001005 ", "\tJ50D001005", " J50D001005\t"}) {
        EXPECT_EQ(GetNewSheetNoScale(no), 3) << no;
        EXPECT_EQ(GetSheetNoStandard(no), 2) << no;
        EXPECT_EQ(Sec(NewSheetNoToExtent(no).North), Sec(NewSheetNoToExtent("J50D001005").North)) << no;
    }
    EXPECT_EQ(GetNewSheetNoScale(" J50 "), 0);
    EXPECT_EQ(GetSheetNoStandard(" \t "), 0);

    TStringList list;
    for (const char* line : {"J-5x", "J-50-5 ", "J50D00100x", "\tJ50D001005 "}) list.Add(line);
    EXPECT_EQ(ConvertedTessarolCount(list, 4), 8);
    TStandardTessarols t;
    ConvertSheetNoList(list, 4, false, false, true, 117, t);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_TRUE(t[0].empty());
    EXPECT_TRUE(t[2].empty());
    const std::vector<std::string> children = {"J-50-5-A", "J-50-5-C", "J-50-5-B", "J-50-5-D"};
    for (int row : {1, 3}) {
        std::vector<std::string> got;
        for (auto& s : t[row]) got.push_back(s.SheetNo);
        EXPECT_EQ(got, children) << row;
    }
}

TEST(Parsing, Standards) {
    EXPECT_EQ(GetSheetNoStandard("J-50-5"), 1);
    EXPECT_EQ(GetSheetNoStandard("J50D001005"), 2);
    EXPECT_EQ(GetSheetNoStandard("J50"), 2);
    EXPECT_EQ(GetSheetNoStandard("XYZ"), 0);
    EXPECT_EQ(GetSheetNoStandard(""), 0);
    EXPECT_TRUE(IsNumeric("5"));
    EXPECT_TRUE(IsNumeric("5.5"));
    EXPECT_FALSE(IsNumeric("[2]"));
    EXPECT_FALSE(IsNumeric(""));
}

TEST(Parsing, SplitString) {
    TStringList l = SplitString("J-50-5", '-');
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l[2], "5");
    EXPECT_EQ(SplitString("J-50-", '-').Count(), 2);
    l = SplitString("-50", '-');
    ASSERT_EQ(l.Count(), 2);
    EXPECT_EQ(l[0], "");
    l = SplitString("a,b, ", ',');
    ASSERT_EQ(l.Count(), 2);
    EXPECT_EQ(l[1], "b");
    l = SplitString("a,,b", ',');
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l[1], "");
    EXPECT_EQ(SplitString("", ',').Count(), 0);
}

// Every number the enumerators produce reads back to exactly its sheet, is recognised, finds its own
// sheet again from its extent and from its south-west corner, and converts to its twin.
TEST(Parsing, RoundTripsAtEveryScale) {
    const TDmsExtent win = {A(116, 26, 10), A(39, 38, 50), A(116, 34), A(39, 42, 5)};
    for (int s = 0; s < kScaleCount; ++s) {
        SCOPED_TRACE(s);
        TStandardTessarols o, n;
        OldAt(s)(win, o);
        NewAt(s)(win, n);
        ASSERT_EQ(o.size(), n.size());
        for (size_t c = 0; c < o.size(); ++c)
            for (size_t r = 0; r < o[c].size(); ++r) {
                const TStandardTessarol &os = o[c][r], &ns = n[c][r];
                EXPECT_EQ(GetOldSheetNoScale(os.SheetNo), s) << os.SheetNo;
                EXPECT_EQ(GetNewSheetNoScale(ns.SheetNo), s) << ns.SheetNo;
                EXPECT_EQ(GetSheetNoStandard(os.SheetNo), 1);
                EXPECT_EQ(GetSheetNoStandard(ns.SheetNo), 2);
                for (const TDmsExtent& e : {OldSheetNoToExtent(os.SheetNo), NewSheetNoToExtent(ns.SheetNo)}) {
                    EXPECT_EQ(Sec(e.West), Sec(os.West));
                    EXPECT_EQ(Sec(e.South), Sec(os.South));
                    EXPECT_EQ(Sec(e.East), Sec(os.East));
                    EXPECT_EQ(Sec(e.North), Sec(os.North));
                }
                TStandardTessarols p;
                GetTessarolsAtPoint(os.West, os.South, s, false, false, true, 117, p);
                ASSERT_EQ(p.size(), 1u);
                EXPECT_EQ(p[0][0].SheetNo, os.SheetNo);
                GetTessarolsAtPoint(os.West, os.South, s, true, false, true, 117, p);
                EXPECT_EQ(p[0][0].SheetNo, ns.SheetNo);
                TStringList one;
                one.Add(os.SheetNo);
                ConvertSheetNoList(one, s, true, false, true, 117, p);
                ASSERT_EQ(p.size(), 1u);
                ASSERT_EQ(p[0].size(), 1u);
                EXPECT_EQ(p[0][0].SheetNo, ns.SheetNo);
                EXPECT_EQ(p[0][0].LT.X, ns.LT.X);
                one[0] = ns.SheetNo;
                ConvertSheetNoList(one, s, false, false, true, 117, p);
                EXPECT_EQ(p[0][0].SheetNo, os.SheetNo);
            }
    }
}

TEST(PointQuery, SheetsAtPoints) {
    const char* newNos[] = {"J50", "J50B001001", "J50C001002", "J50D001006",
                            "J50E001011", "J50F002021", "J50G003041", "J50H005081"};
    const char* oldNos[] = {"J-50", "J-50-A", "J-50-[2]", "J-50-6", "J-50-6-A", "J-50-6-A-3", "J-50-6-(17)",
                            "J-50-6-(17)-a"};
    // 116 30' E and 39 54' N lie on sheet edges: the point belongs to the sheets north-east of them.
    for (int s = 0; s < kScaleCount; ++s) {
        TStandardTessarols t;
        GetTessarolsAtPoint(A(116, 30), A(39, 54), s, false, false, true, 117, t);
        EXPECT_EQ(Numbers(t), std::vector<std::string>{oldNos[s]});
        GetTessarolsAtPoint(A(116, 30), A(39, 54), s, true, false, true, 117, t);
        EXPECT_EQ(Numbers(t), std::vector<std::string>{newNos[s]});
    }
    const char* newAt[] = {"J50", "J50B001001", "J50C001002", "J50D001005",
                           "J50E001010", "J50F002020", "J50G003040", "J50H005080"};
    const char* oldAt[] = {"J-50", "J-50-A", "J-50-[2]", "J-50-5", "J-50-5-B", "J-50-5-B-4", "J-50-5-(24)",
                           "J-50-5-(24)-b"};
    for (int s = 0; s < kScaleCount; ++s) {
        TStandardTessarols t;
        GetTessarolsAtPoint(A(116, 28, 25), A(39, 54, 30), s, true, false, false, 117, t);
        EXPECT_EQ(t[0][0].SheetNo, newAt[s]);
        GetTessarolsAtPoint(A(116, 28, 25), A(39, 54, 30), s, false, false, false, 117, t);
        EXPECT_EQ(t[0][0].SheetNo, oldAt[s]);
    }
    TStandardTessarols t;
    GetTessarolsAtPoint(A(106, 25, 30), A(29, 49, 27), 3, true, false, true, 0, t);
    EXPECT_EQ(t[0][0].SheetNo, "H48D007009");
    GetTessarolsAtPoint(A(106, 25, 30), A(29, 49, 27), 3, false, false, true, 0, t);
    EXPECT_EQ(t[0][0].SheetNo, "H-48-81");
    EXPECT_THROW(GetTessarolsAtPoint(A(-5), A(30), 3, false, false, true, 0, t), ERangeError);
}

TEST(Conversion, Lists) {
    TStringList list;
    list.Add("J-50-5");
    TStandardTessarols t;
    ConvertSheetNoList(list, 4, false, false, true, 117, t);
    ASSERT_EQ(t.size(), 1u);
    std::vector<std::string> got;
    for (auto& s : t[0]) got.push_back(s.SheetNo);
    EXPECT_EQ(got, (std::vector<std::string>{"J-50-5-A", "J-50-5-C", "J-50-5-B", "J-50-5-D"}));
    ConvertSheetNoList(list, 3, true, false, true, 117, t);
    ASSERT_EQ(t[0].size(), 1u);
    EXPECT_EQ(t[0][0].SheetNo, "J50D001005");
    // One row per line: bad lines stay empty and never abort the run; coarser targets give the parent.
    list.SetText("J-50-[2\r\n\r\nJ50H005080\r\nJ-50-5.5\r\nJ-50\r\nA-05\r\n");
    ConvertSheetNoList(list, 0, false, false, true, 117, t);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_TRUE(t[0].empty());
    EXPECT_TRUE(t[1].empty());
    ASSERT_EQ(t[2].size(), 1u);
    EXPECT_EQ(t[2][0].SheetNo, "J-50");
    EXPECT_TRUE(t[3].empty());
    EXPECT_EQ(t[4][0].SheetNo, "J-50");
    EXPECT_TRUE(t[5].empty());
    // A list whose conversion would exceed 20 million sheets is refused before anything is built.
    TStringList many;
    for (int i = 0; i < 600; ++i) many.Add("J-50");
    TStandardTessarols kept = t;
    EXPECT_THROW(ConvertSheetNoList(many, 7, true, false, true, 117, t), ERangeError);
    EXPECT_EQ(t.size(), kept.size());
    list.SetText("J-50");
    ConvertSheetNoList(list, 3, false, false, true, 117, t);
    ASSERT_EQ(t[0].size(), 144u);
    EXPECT_EQ(t[0][0].SheetNo, "J-50-1");
    EXPECT_EQ(t[0][1].SheetNo, "J-50-13");
    EXPECT_EQ(t[0][143].SheetNo, "J-50-144");
}

}  // namespace
