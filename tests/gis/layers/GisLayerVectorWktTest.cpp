#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "gis/layers/GisLayerVector.h"
#include "tests/gis/layers/WkbTestUtil.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct SeparatorGuard {
    explicit SeparatorGuard(char c) : old(GetDecimalSeparator()) { SetDecimalSeparator(c); }
    ~SeparatorGuard() { SetDecimalSeparator(old); }
    char old;
};

std::unique_ptr<TGIS_Shape> FromWkt(const std::string& text) { return TGIS_Shape::CreateFromWKT(text); }
std::unique_ptr<TGIS_Shape> FromWkb(const Bytes& bytes) { return TGIS_Shape::CreateFromWKB(bytes); }

TEST(WktRead, TypesPartsAndPoints) {
    struct Case {
        const char* text;
        int type;  // 0: nil
        Parts parts;
    };
    const Case cases[] = {
        {"POINT (10 20)", 2, {{{10, 20}}}},
        {"POINT\r\n(\n10\r\n20\n)", 2, {{{10, 20}}}},
        {"  POINT(10 20)", 2, {{{10, 20}}}},
        {"point (10 20)", 0, {}},
        {"POINT\t(10 20)", 0, {}},  // a tab is no blank: the keyword is "POINT\t"
        {"", 0, {}},
        {"GEOMETRYCOLLECTION (POINT (1 2))", 0, {}},
        {"MULTIPOINT (1 2, 3 4)", 3, {{{1, 2}, {3, 4}}}},
        {"MULTIPOINT (1.5 -2.25,3e2 4E-1)", 3, {{{1.5, -2.25}, {300, 0.4}}}},
        {"LINESTRING (0 0, 10 5)", 4, {{{0, 0}, {10, 5}}}},
        {"LINESTRING ()", 4, {{}}},
        {"MULTILINESTRING ((0 0, 1 1), (2 2, 3 3, 4 4))", 4, {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}, {4, 4}}}},
        {"POLYGON ((0 0, 10 0, 10 10, 0 0), (2 2, 3 2, 3 3, 2 2))",
         5,
         {{{0, 0}, {10, 0}, {10, 10}, {0, 0}}, {{2, 2}, {3, 2}, {3, 3}, {2, 2}}}},
        {"MULTIPOLYGON (((0 0, 1 0, 1 1, 0 0)), ((5 5, 6 5, 6 6, 5 5)))",
         5,
         {{{0, 0}, {1, 0}, {1, 1}, {0, 0}}, {{5, 5}, {6, 5}, {6, 6}, {5, 5}}}},
        // The text may end early: what was read stands.
        {"LINESTRING (1 2, 3 4", 4, {{{1, 2}, {3, 4}}}},
        {"MULTILINESTRING ((1 2, 3 4), (5 6", 4, {{{1, 2}, {3, 4}}, {{5, 6}, {5, 6}}}},  // a lone point is held twice
        // One separator of any kind between points.
        {"LINESTRING (1 2 ;3 4)", 4, {{{1, 2}, {3, 4}}}},
        // Trailing text after the geometry is not read.
        {"POINT (1 2) garbage", 2, {{{1, 2}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto s = FromWkt(c.text);
        if (c.type == 0) {
            EXPECT_EQ(s, nullptr);
            continue;
        }
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->ShapeType(), c.type);
        EXPECT_EQ(s->Uid, 0);
        EXPECT_EQ(s->Layer, nullptr);
        EXPECT_EQ(PartsOf(*s), c.parts);
    }
}

TEST(WktRead, MissingParenthesisAbortsAndBadNumberRaises) {
    for (const char* text : {"POINT", "POINT 1 2", "POINT EMPTY", "POLYGON (0 0, 1 1)", "MULTIPOLYGON ((0 0))"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(FromWkt(text), EAbort);
    }
    for (const char* text : {"POINT (1 x)", "POINT (1)", "POINT (1\t2)", "POINT (nan 2)", "POINT (1e999 2)",
                             "LINESTRING (1 2,)"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(FromWkt(text), EConvertError);
    }
}

TEST(WktRead, NumbersUseThePointUnderACommaLocale) {
    SeparatorGuard comma(',');
    auto s = FromWkt("LINESTRING (1.5 2.25, 3 4)");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(PartsOf(*s), (Parts{{{1.5, 2.25}, {3, 4}}}));
    EXPECT_EQ(s->GetExtent().XMax, 3);
    EXPECT_EQ(s->GetExtent().YMin, 2.25);
}

TEST(WktWrite, TwoDecimalsAtLeastAndDotAlways) {
    struct Case {
        const char* wkt;
        const char* expected;
    };
    const Case cases[] = {
        {"POINT (3 4.5)", "POINT (3.00 4.50)"},
        {"POINT (-0.125 100)", "POINT (-0.125 100.00)"},
        {"POINT (116.123456789012 0.1)", "POINT (116.123456789012 0.10)"},
        {"MULTIPOINT (1 2, 3 4)", "MULTIPOINT (1.00 2.00, 3.00 4.00)"},
        {"LINESTRING (1.5 2, 3 4.25)", "LINESTRING (1.50 2.00, 3.00 4.25)"},
        {"LINESTRING ()", "LINESTRING ()"},
        {"MULTILINESTRING ((0 0, 1 1), (2 2, 3 3))", "MULTILINESTRING ((0.00 0.00, 1.00 1.00), (2.00 2.00, 3.00 3.00))"},
        {"POLYGON ((0 0, 10 0, 10 10, 0 10, 0 0))",
         "POLYGON ((0.00 0.00, 10.00 0.00, 10.00 10.00, 0.00 10.00, 0.00 0.00))"},
        {"POLYGON ((0 0, 4 0, 4 4, 0 0), (1 1, 2 1, 2 2, 1 1))",
         "POLYGON ((0.00 0.00, 4.00 0.00, 4.00 4.00, 0.00 0.00), (1.00 1.00, 2.00 1.00, 2.00 2.00, 1.00 1.00))"},
    };
    for (char sep : {'.', ','}) {
        SeparatorGuard guard(sep);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.wkt) + " separator " + sep);
            auto s = FromWkt(c.wkt);
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->ExportWKT(), c.expected);
        }
    }
}

TEST(WktWrite, ShapesWithoutGeometryWriteNothing) {
    TGIS_ShapePoint p;
    TGIS_ShapeMultipoint m;
    TGIS_ShapeArc a;
    TGIS_ShapePolygon g;
    for (TGIS_Shape* s : std::initializer_list<TGIS_Shape*>{&p, &m, &a, &g}) {
        EXPECT_EQ(s->ExportWKT(), "");
        Bytes b{7};
        s->ExportWKB(b);
        EXPECT_EQ(b, Bytes{7});  // left unchanged
    }
}

// Any finite double, its sign and magnitude from random bits, reads back to the same bits.
TEST(WktWrite, ExportThenReadIsBitExact) {
    std::mt19937_64 rng(20);
    for (char sep : {'.', ','}) {
        SeparatorGuard guard(sep);
        for (int round = 0; round < 300; ++round) {
            TGIS_ShapeArc a;
            a.AddPart();
            Parts expected(1);
            for (int i = 0; i < 8; ++i) {
                TGIS_Point p{RandomDouble(rng), RandomDouble(rng)};
                a.AddPoint(p);
                expected[0].emplace_back(p.X, p.Y);
            }
            auto back = FromWkt(a.ExportWKT());
            ASSERT_NE(back, nullptr);
            ASSERT_TRUE(SameBits(PartsOf(*back), expected)) << a.ExportWKT();
        }
    }
}

TEST(WkbWrite, LayoutAndSizes) {
    auto p = FromWkt("POINT (1 2)");
    Bytes b;
    p->ExportWKB(b);
    EXPECT_EQ(b, WkbBuilder(true).Header(1).Double(1).Double(2).bytes);

    auto m = FromWkt("MULTIPOINT (1 2, 3 4)");
    m->ExportWKB(b);
    EXPECT_EQ(b.size(), 51u);
    EXPECT_EQ(b, WkbBuilder(true).Header(4).UInt(2).Header(1).Double(1).Double(2).Header(1).Double(3).Double(4).bytes);

    auto a = FromWkt("LINESTRING (1 2, 3 4)");
    a->ExportWKB(b);
    EXPECT_EQ(b.size(), 41u);
    EXPECT_EQ(b, WkbBuilder(true).Header(2).UInt(2).Double(1).Double(2).Double(3).Double(4).bytes);

    auto ma = FromWkt("MULTILINESTRING ((1 2, 3 4), (5 6, 7 8))");
    ma->ExportWKB(b);
    EXPECT_EQ(b.size(), 91u);  // 9 + 2 x (9 + 32): no trailing bytes
    EXPECT_EQ(b, WkbBuilder(true)
                     .Header(5).UInt(2)
                     .Header(2).UInt(2).Double(1).Double(2).Double(3).Double(4)
                     .Header(2).UInt(2).Double(5).Double(6).Double(7).Double(8)
                     .bytes);

    auto g = FromWkt("POLYGON ((0 0, 10 0, 10 10, 0 10, 0 0))");
    g->ExportWKB(b);
    EXPECT_EQ(b.size(), 93u);
    EXPECT_EQ(b[1], 3);
    EXPECT_EQ(Parts(PartsOf(*FromWkb(b))), PartsOf(*g));
}

TEST(WkbRead, BothByteOrdersAndEveryType) {
    for (bool little : {true, false}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        auto a = FromWkb(WkbBuilder(little).Header(2).UInt(3).Double(0).Double(1).Double(2).Double(3).Double(4).Double(5).bytes);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->ShapeType(), 4);
        EXPECT_EQ(PartsOf(*a), (Parts{{{0, 1}, {2, 3}, {4, 5}}}));

        auto p = FromWkb(WkbBuilder(little).Header(1).Double(-1.5).Double(2.5).bytes);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->ShapeType(), 2);
        EXPECT_EQ(PartsOf(*p), (Parts{{{-1.5, 2.5}}}));

        // Members carry their own byte order.
        auto m = FromWkb(WkbBuilder(little).Header(4).UInt(2).Header(1).Double(1).Double(2).Then(!little).Header(1).Double(3).Double(4).bytes);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->ShapeType(), 3);
        EXPECT_EQ(PartsOf(*m), (Parts{{{1, 2}, {3, 4}}}));

        auto ml = FromWkb(WkbBuilder(little).Header(5).UInt(2).Header(2).UInt(1).Double(1).Double(2).Header(2).UInt(0).bytes);
        ASSERT_NE(ml, nullptr);
        EXPECT_EQ(ml->ShapeType(), 4);
        EXPECT_EQ(PartsOf(*ml), (Parts{{{1, 2}, {1, 2}}, {}}));

        auto mp = FromWkb(WkbBuilder(little)
                              .Header(6).UInt(2)
                              .Header(3).UInt(1).UInt(4).Double(0).Double(0).Double(1).Double(0).Double(1).Double(1).Double(0).Double(0)
                              .Header(3).UInt(1).UInt(4).Double(5).Double(5).Double(6).Double(5).Double(6).Double(6).Double(5).Double(5)
                              .bytes);
        ASSERT_NE(mp, nullptr);
        EXPECT_EQ(mp->ShapeType(), 5);
        EXPECT_EQ(mp->GetNumParts(), 2);

        EXPECT_EQ(FromWkb(WkbBuilder(little).Header(7).UInt(1).Header(1).Double(0).Double(0).bytes), nullptr);
    }
}

// An empty ring leaves no empty part behind when another ring follows.
TEST(WkbRead, EmptyRingsAreReused) {
    auto g = FromWkb(WkbBuilder(true).Header(3).UInt(3).UInt(0).UInt(4).Double(0).Double(0).Double(1).Double(0)
                         .Double(1).Double(1).Double(0).Double(0).UInt(0).bytes);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(PartsOf(*g), (Parts{{{0, 0}, {1, 0}, {1, 1}, {0, 0}}, {}}));
}

// Wrong types, unknown types, short bytes and counts the bytes cannot hold all raise, and nothing is
// allocated for a count before it is checked.
TEST(WkbRead, HostileBytesRaise) {
    const Bytes cases[] = {
        {},
        {1},
        {1, 1, 0, 0},
        WkbBuilder(true).Header(0).bytes,
        WkbBuilder(true).Header(8).bytes,
        WkbBuilder(true).Header(1001).Double(1).Double(2).Double(3).bytes,
        WkbBuilder(true).Header(1).Double(1).bytes,
        WkbBuilder(true).Header(2).UInt(2).Double(1).Double(2).Double(3).bytes,
        WkbBuilder(true).Header(2).UInt(0xFFFFFFFF).Double(1).Double(2).bytes,
        WkbBuilder(true).Header(3).UInt(0x40000000).UInt(0).bytes,
        WkbBuilder(true).Header(4).UInt(0x10000000).Header(1).Double(1).Double(2).bytes,
        WkbBuilder(true).Header(4).UInt(1).Header(2).UInt(0).bytes,  // a member of the wrong type
        WkbBuilder(true).Header(6).UInt(1).Header(1).Double(1).Double(2).bytes,
        WkbBuilder(false).Header(5).UInt(1).Header(3).UInt(0).bytes,
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_THROW(FromWkb(cases[i]), EGIS_Exception);
    }
}

// WKB that the shapes' point entry stores as read is written straight into the buffer; the rest goes through
// the point entry. Coordinates from a 3 x 3 grid make rings meet their first point early and arcs start with
// equal points; either way the shape must equal what the WKT reader (always the point entry) builds.
TEST(WkbRead, SameShapeAsThePointEntry) {
    std::mt19937 rng(7);
    auto coord = [&] { return int(rng() % 3); };
    for (int round = 0; round < 3000; ++round) {
        const uint32_t type = 4 + rng() % 3;  // multipoint, multi line string, multipolygon
        WkbBuilder wkb(rng() % 2);
        std::string wkt = type == 4 ? "MULTIPOINT (" : type == 5 ? "MULTILINESTRING (" : "MULTIPOLYGON (";
        const int members = 1 + int(rng() % 3);
        wkb.Header(type).UInt(members);
        for (int m = 0; m < members; ++m) {
            if (type == 4) {
                int x = coord(), y = coord();
                wkb.Header(1).Double(x).Double(y);
                wkt += (m ? ", " : "") + std::to_string(x) + " " + std::to_string(y);
                continue;
            }
            const int rings = type == 6 ? 1 + int(rng() % 2) : 1;
            if (type == 6) wkb.Header(3).UInt(rings);
            wkt += m ? ", (" : "(";
            for (int k = 0; k < rings; ++k) {
                const int n = int(rng() % 6);
                if (type == 5) wkb.Header(2);
                wkb.UInt(n);
                std::string part;
                for (int i = 0; i < n; ++i) {
                    int x = coord(), y = coord();
                    wkb.Double(x).Double(y);
                    part += (i ? ", " : "") + std::to_string(x) + " " + std::to_string(y);
                }
                wkt += type == 6 ? (k ? ", (" : "(") + part + ")" : part;
            }
            wkt += ")";
        }
        wkt += ")";
        SCOPED_TRACE(wkt);
        auto fromWkb = FromWkb(wkb.bytes);
        auto fromWkt = FromWkt(wkt);
        ASSERT_NE(fromWkb, nullptr);
        ASSERT_NE(fromWkt, nullptr);
        EXPECT_EQ(fromWkb->ShapeType(), fromWkt->ShapeType());
        ASSERT_EQ(PartsOf(*fromWkb), PartsOf(*fromWkt));
        EXPECT_TRUE(GisIsSameExtent(fromWkb->GetExtent(), fromWkt->GetExtent()));
    }
}

// A first point that equals nothing, itself included.
TEST(WkbRead, NanFirstPointAsThePointEntry) {
    const double nan = std::nan("");
    for (uint32_t type : {2u, 3u}) {
        WkbBuilder wkb(true);
        wkb.Header(type);
        if (type == 3) wkb.UInt(1);
        wkb.UInt(3).Double(nan).Double(0).Double(1).Double(1).Double(nan).Double(0);
        std::unique_ptr<TGIS_Shape> entry;
        if (type == 2) entry = std::make_unique<TGIS_ShapeArc>();
        else entry = std::make_unique<TGIS_ShapePolygon>();
        entry->AddPart();
        for (TGIS_Point p : {TGIS_Point{nan, 0}, TGIS_Point{1, 1}, TGIS_Point{nan, 0}}) entry->AddPoint(p);
        auto s = FromWkb(wkb.bytes);
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(SameBits(PartsOf(*s), PartsOf(*entry))) << type;
    }
}

TEST(WktImport, ReplacesGeometryOfTheSameClassOnly) {
    TGIS_ShapeArc a;
    a.ImportWKT("LINESTRING (1 2, 3 4)");
    EXPECT_EQ(PartsOf(a), (Parts{{{1, 2}, {3, 4}}}));
    EXPECT_THROW(a.ImportWKT("LINESTRING (1 x)"), EConvertError);
    EXPECT_EQ(PartsOf(a), (Parts{{{1, 2}, {3, 4}}}));  // unchanged by a read that raised
    a.ImportWKT("POINT (1 2)");  // another class: the geometry is cleared
    EXPECT_FALSE(a.HasGeometry());
    a.ImportWKB(WkbBuilder(false).Header(2).UInt(1).Double(7).Double(8).bytes);
    EXPECT_EQ(PartsOf(a), (Parts{{{7, 8}, {7, 8}}}));
}

}  // namespace
