#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "gis/core/GisProjections.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/ShapeBuild.h"

namespace {

bool Same(const TestParts& a, const TestParts& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (a[k].size() != b[k].size()) return false;
        for (size_t i = 0; i < a[k].size(); ++i)
            if (!GisIsSamePoint(a[k][i], b[k][i])) return false;
    }
    return true;
}

std::string Show(const TestParts& parts) {
    std::string s;
    for (const auto& part : parts) {
        s += "(";
        for (const TGIS_Point& p : part) s += std::to_string(p.X) + " " + std::to_string(p.Y) + ", ";
        s += ") ";
    }
    return s;
}

TEST(GisVectorGeometry, PointTestsAndSegments) {
    EXPECT_TRUE(GisIsPointInExtent({10, 10}, {0, 0, 10, 10}));
    EXPECT_FALSE(GisIsPointInExtent({10.000001, 10}, {0, 0, 10, 10}));

    auto holed = MakePolygon({Box(0, 0, 10, 10), Box(4, 4, 6, 6)});
    EXPECT_FALSE(GisIsPointInPolygon({5, 5}, holed.get()));
    EXPECT_TRUE(GisIsPointInPolygon({2, 5}, holed.get()));
    auto arc = MakeArc({Box(0, 0, 10, 10)});
    EXPECT_FALSE(GisIsPointInPolygon({2, 5}, arc.get()));

    const TGIS_Point a{0, 0}, b{10, 0}, c{5, 0}, d{15, 0}, up{10, 5};
    EXPECT_FALSE(GisSegmentsIntersect(a, b, c, d));  // collinear overlap
    EXPECT_TRUE(GisSegmentsIntersect(a, b, b, up));  // shared end point
    TGIS_Point x{-1, -1};
    EXPECT_FALSE(GisSegmentsIntersection(a, b, {20, 1}, {20, -1}, x));
    EXPECT_EQ(x.X, -1);
    ASSERT_TRUE(GisSegmentsIntersection(a, b, {4, 1}, {4, -1}, x));
    EXPECT_EQ(x.X, 4);
    EXPECT_EQ(x.Y, 0);
}

TEST(GisVectorGeometry, WkbCursorStopsAtTheEnd) {
    uint8_t bytes[12];
    for (int i = 0; i < 12; ++i) bytes[i] = uint8_t(i);
    const uint8_t* cur = bytes;
    uint32_t u;
    double d;
    GisWkbRead(cur, bytes + 12, &u, 4);
    GisWkbRead(cur, bytes + 12, &d, 8);
    EXPECT_EQ(cur, bytes + 12);
    EXPECT_THROW(GisWkbRead(cur, bytes + 12, &u, 1), EGIS_Exception);
    const uint8_t* early = bytes + 10;
    EXPECT_THROW(GisWkbRead(early, bytes + 12, &d, 8), EGIS_Exception);
    EXPECT_EQ(early, bytes + 10);

    uint8_t out[12];
    uint8_t* w = out;
    GisWkbWrite(w, bytes, 12);
    EXPECT_EQ(w, out + 12);
    EXPECT_EQ(std::memcmp(out, bytes, 12), 0);
}

TEST(GisShapeArc, PointEntryAndMeasures) {
    auto arc = std::make_unique<TGIS_ShapeArc>();
    arc->AddPart();
    arc->AddPoint({1, 1});
    EXPECT_TRUE(Same(PartsOf(*arc), {{{1, 1}, {1, 1}}}));
    arc->AddPoint({2, 3});
    EXPECT_TRUE(Same(PartsOf(*arc), {{{1, 1}, {2, 3}}}));
    auto twice = MakeArc({{{1, 1}, {1, 1}, {2, 3}}});
    EXPECT_TRUE(Same(PartsOf(*twice), {{{1, 1}, {2, 3}}}));

    auto bent = MakeArc({{{0, 0}, {3, 4}, {3, 10}}});
    EXPECT_DOUBLE_EQ(bent->Length(), 11);
    EXPECT_EQ(bent->Area(), 0);

    struct {
        TestParts parts;
        TGIS_Point centroid;
    } centroids[] = {
        {{{{0, 0}, {10, 0}}}, {5, 0}},
        {{{{0, 0}, {0, 10}, {10, 10}}}, {0, 10}},
        {{{{7, 8}}}, {7, 8}},
        {{{{0, 0}, {2, 0}}, {{0, 5}, {0, 7}}}, {2, 0}},
    };
    for (const auto& c : centroids) {
        const TGIS_Point p = MakeArc(c.parts)->Centroid();
        EXPECT_DOUBLE_EQ(p.X, c.centroid.X) << Show(c.parts);
        EXPECT_DOUBLE_EQ(p.Y, c.centroid.Y) << Show(c.parts);
    }
    EXPECT_EQ(std::make_unique<TGIS_ShapeArc>()->Centroid().X, 0);

    const TGIS_Point along = TGIS_ShapeArc::OffsetPoint({0, 0}, {10, 0}, {4, 0}, 2);
    EXPECT_DOUBLE_EQ(along.X, 4);
    EXPECT_DOUBLE_EQ(along.Y, 2);
    const TGIS_Point up = TGIS_ShapeArc::OffsetPoint({0, 0}, {0, 10}, {0, 4}, 2);
    EXPECT_NEAR(up.X, -2, 1e-12);
    EXPECT_NEAR(up.Y, 4, 1e-12);
    const TGIS_Point back = TGIS_ShapeArc::OffsetPoint({10, 0}, {0, 0}, {4, 0}, 2);
    EXPECT_DOUBLE_EQ(back.Y, -2);

    auto line = MakeArc({{{0, 0}, {10, 0}}});
    TGIS_Point nearest;
    EXPECT_DOUBLE_EQ(line->DistanceToPart({5, 3}, 0, nearest, 0), 3);
    EXPECT_DOUBLE_EQ(nearest.X, 5);
    EXPECT_DOUBLE_EQ(nearest.Y, 0);
    auto vee = MakeArc({{{0, 0}, {5, 5}, {10, 0}}});
    vee->DistanceToPart({5, 0}, 0, nearest, 0);
    EXPECT_DOUBLE_EQ(nearest.X, 2.5);  // the first of two equally near segments
    EXPECT_THROW(line->DistanceToPart({0, 0}, 1, nearest, 0), EAssertionFailed);
}

TEST(GisShapeArc, Relations) {
    auto line = MakeArc({{{0, 0}, {10, 0}}});
    EXPECT_TRUE(line->RelateCircle({0, 0}, gisRelateWithin, 10));
    EXPECT_FALSE(line->RelateCircle({0, 0}, gisRelateWithin, 9.99));
    EXPECT_FALSE(line->RelateCircle({5, 3}, gisRelateTouch, 4));  // crosses a segment only
    EXPECT_TRUE(line->RelateCircle({5, 3}, gisRelateCentroid, 3));
    EXPECT_THROW(line->RelateCircle({5, 3}, 3, 4), EAssertionFailed);

    auto across = MakeArc({{{-5, 5}, {15, 5}}});
    const TGIS_Extent box{0, 0, 10, 10};
    EXPECT_TRUE(across->RelateExtent(box, gisRelateTouch));
    EXPECT_FALSE(across->RelateExtent(box, gisRelateWithin));
    EXPECT_TRUE(across->RelateExtent(box, gisRelateCentroid));
    for (uint8_t mode = 0; mode < 3; ++mode) EXPECT_FALSE(across->RelateExtent({5, 0, 5, 10}, mode));
    EXPECT_FALSE(std::make_unique<TGIS_ShapeArc>()->RelateExtent(box, gisRelateTouch));

    auto multi = std::make_unique<TGIS_ShapeMultipoint>();
    multi->AddPoint({15, 0});
    multi->AddPoint({5, 0});
    EXPECT_TRUE(line->Intersects(multi.get()));
    auto off = std::make_unique<TGIS_ShapeMultipoint>();
    off->AddPoint({5, 1});
    EXPECT_FALSE(line->Intersects(off.get()));

    auto crossing = MakeArc({{{5, -5}, {5, 5}}});
    auto secondOnly = MakeArc({{{20, 20}, {30, 30}}, {{5, -5}, {5, 5}}});
    EXPECT_TRUE(line->Intersects(crossing.get()));
    EXPECT_FALSE(line->Intersects(secondOnly.get()));
    TGIS_PointList hits = line->RelateShapeEx(crossing.get());
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].X, 5);
    EXPECT_TRUE(line->RelateShapeEx(MakeArc({{{0, 5}, {10, 5}}}).get()).empty());
    EXPECT_EQ(line->RelateShapeEx(multi.get()).size(), 1u);

    auto area = MakePolygon({Box(-1, -1, 11, 1)});
    EXPECT_TRUE(line->RelateShape(area.get(), gisRelateWithin));
    EXPECT_TRUE(line->Intersects(area.get()));
    EXPECT_FALSE(across->RelateShape(area.get(), gisRelateTouch));
}

TEST(GisShapeArc, Clip) {
    struct {
        const char* what;
        TestParts arc;
        TGIS_Extent box;
        TestParts expected;
    } cases[] = {
        {"through", {{{-5, 5}, {15, 5}}}, {0, 0, 10, 10}, {{{0, 5}, {10, 5}}}},
        {"bent", {{{-5, 5}, {5, 5}, {5, 15}}}, {0, 0, 10, 10}, {{{0, 5}, {5, 5}, {5, 10}}}},
        {"swapped bounds", {{{-5, 5}, {15, 5}}}, {10, 10, 0, 0}, {{{0, 5}, {10, 5}}}},
        {"leaves and comes back", {{{2, 5}, {2, 15}, {8, 15}, {8, 5}}}, {0, 0, 10, 10},
         {{{2, 5}, {2, 10}}, {{8, 10}, {8, 5}}}},
        // Leaving through a vertex on the side ends the part there: no segment along the side is made up.
        {"vertex on the side", {{{2, 5}, {2, 10}, {5, 15}, {8, 10}, {8, 5}}}, {0, 0, 10, 10},
         {{{2, 5}, {2, 10}}, {{8, 10}, {8, 5}}}},
        {"along a side", {{{-5, 0}, {15, 0}}}, {0, 0, 10, 10}, {{{0, 0}, {10, 0}}}},
        {"crossing beyond the side's ends", {{{-1024, -1023}, {1024, 1025}}}, {0, 0, 10, 10}, {{{0, 1}, {9, 10}}}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<TGIS_Shape> clipped = MakeArc(c.arc)->Clip(c.box);
        ASSERT_NE(clipped, nullptr) << c.what;
        EXPECT_TRUE(Same(PartsOf(*clipped), c.expected)) << c.what << ": " << Show(PartsOf(*clipped));
    }
    auto inside = MakeArc({{{1, 1}, {2, 2}}, {{3, 3}, {4, 4}}});
    std::unique_ptr<TGIS_Shape> copy = inside->Clip({0, 0, 10, 10});
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(Same(PartsOf(*copy), PartsOf(*inside)));
    EXPECT_EQ(MakeArc({{{20, 20}, {30, 30}}})->Clip({0, 0, 10, 10}), nullptr);
    EXPECT_EQ(MakeArc({{{-5, 20}, {5, 30}, {15, 20}}})->Clip({0, 0, 10, 10}), nullptr);
    EXPECT_EQ(std::make_unique<TGIS_ShapeArc>()->Clip({0, 0, 10, 10}), nullptr);
}

TEST(GisShapePolygon, RingEntryAndMeasures) {
    auto poly = std::make_unique<TGIS_ShapePolygon>();
    poly->AddPart();
    poly->AddPoint({0, 0});
    EXPECT_TRUE(Same(PartsOf(*poly), {{{0, 0}, {0, 0}}}));
    poly->AddPoint({4, 0});
    poly->AddPoint({4, 3});
    EXPECT_TRUE(Same(PartsOf(*poly), {{{0, 0}, {4, 0}, {4, 3}, {0, 0}}}));
    poly->AddPoint({0, 0});  // closes without a duplicate
    EXPECT_TRUE(Same(PartsOf(*poly), {{{0, 0}, {4, 0}, {4, 3}, {0, 0}}}));
    EXPECT_DOUBLE_EQ(poly->Length(), 12);
    EXPECT_DOUBLE_EQ(poly->Area(), 6);

    struct {
        const char* what;
        TestParts rings;
        double area;
        TGIS_Point centroid;
    } cases[] = {
        {"square", {Box(0, 0, 10, 10)}, 100, {5, 5}},
        {"hole wound the other way", {Box(0, 0, 10, 10), Box(0, 0, 5, 5, true)}, 75, {35.0 / 6, 35.0 / 6}},
        // Nesting decides, not winding.
        {"hole wound the same way", {Box(0, 0, 10, 10), Box(0, 0, 5, 5)}, 75, {35.0 / 6, 35.0 / 6}},
        {"islands wound oppositely", {Box(0, 0, 2, 2), Box(8, 0, 10, 2, true)}, 8, {5, 1}},
        {"island in a hole", {Box(0, 0, 10, 10), Box(2, 2, 8, 8, true), Box(4, 4, 6, 6, true)}, 68, {5, 5}},
        {"flat", {{{0, 0}, {5, 5}, {10, 10}}}, 0, {0, 0}},
    };
    for (const auto& c : cases) {
        auto p = MakePolygon(c.rings);
        EXPECT_NEAR(p->Area(), c.area, 1e-12) << c.what;
        const TGIS_Point ct = p->Centroid();
        EXPECT_NEAR(ct.X, c.centroid.X, 1e-12) << c.what;
        EXPECT_NEAR(ct.Y, c.centroid.Y, 1e-12) << c.what;
    }
    EXPECT_DOUBLE_EQ(MakePolygon({Box(0, 0, 10, 10), Box(20, 0, 30, 10)})->Length(), 40);

    auto square = MakePolygon({Box(0, 0, 40, 40)});
    TGIS_Point nearest;
    EXPECT_DOUBLE_EQ(square->DistanceToPart({20, 20}, 0, nearest, 10), 9);
    EXPECT_DOUBLE_EQ(square->DistanceToPart({20, 20}, 0, nearest, 0), 20);
    EXPECT_DOUBLE_EQ(nearest.X, 20);
    EXPECT_DOUBLE_EQ(nearest.Y, 0);
}

TEST(GisShapePolygon, LabelPointLiesInside) {
    const TestParts shapes[] = {
        {{{0, 0}, {10, 0}, {10, 2}, {2, 2}, {2, 8}, {10, 8}, {10, 10}, {0, 10}}},  // C
        {Box(0, 0, 10, 10), Box(1, 1, 9, 9, true)},                               // ring
        {Box(0, 0, 10, 10)},
    };
    for (const auto& rings : shapes) {
        auto p = MakePolygon(rings);
        EXPECT_TRUE(GisIsPointInPolygon(p->LabelPoint(), p.get())) << Show(rings);
    }
    auto convex = MakePolygon({Box(0, 0, 10, 10)});
    EXPECT_DOUBLE_EQ(convex->LabelPoint().X, 5);
}

// Repeatable numbers in [0, 1), in steps of 1 / steps.
struct Unit {
    uint32_t seed;
    uint32_t steps;
    double operator()() {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) % steps) / steps;
    }
};

// A polygon of one ring is measured on its own path; a second ring of one point at the extent's lower left
// corner adds nothing and takes the general path, which must give the very same numbers.
TEST(GisShapePolygon, OneRingCentroidAndLabelPointMatchTheGeneralPath) {
    Unit next{11, 100000};
    int inside = 0;
    for (int n : {3, 4, 5, 17, 31, 32, 33, 48}) {
        for (int round = 0; round < 20; ++round) {
            // A star-shaped ring of uneven radii around an off-origin centre, every other one deep (concave).
            std::vector<TGIS_Point> ring;
            const double cx = 117.3 + next() * 1000, cy = 31.7 + next() * 1000;
            for (int i = 0; i < n; ++i) {
                const double t = 2 * M_PI * (i + 0.3 * next()) / n;
                const double r = (round % 2 && i % 2 ? 0.2 : 1.0) * (10 + 90 * next());
                ring.push_back({cx + r * std::cos(t), cy + r * std::sin(t)});
            }
            auto one = MakePolygon({ring});
            const TGIS_Extent e = one->GetExtent();
            auto two = MakePolygon({ring, {{e.XMin, e.YMin}}});
            const TGIS_Point a = one->Centroid(), b = two->Centroid();
            EXPECT_EQ(a.X, b.X) << n << " " << round;
            EXPECT_EQ(a.Y, b.Y) << n << " " << round;
            const TGIS_Point la = one->LabelPoint();
            EXPECT_TRUE(GisIsPointInPolygon(la, one.get())) << n << " " << round;
            if (GisIsPointInPolygon(a, one.get())) {
                ++inside;
                EXPECT_EQ(la.X, a.X);
                EXPECT_EQ(la.Y, a.Y);
                EXPECT_EQ(two->LabelPoint().X, la.X);
                EXPECT_EQ(two->LabelPoint().Y, la.Y);
            }
        }
    }
    EXPECT_GT(inside, 80);
    // Without points enough for an area the corner stands in, on either path.
    auto flat = MakePolygon({{{3, 4}, {3, 4}}});
    EXPECT_EQ(flat->Centroid().X, 3);
    EXPECT_EQ(flat->LabelPoint().Y, 4);
}

// A rectangle's label point is worked out without the loop: it must be the general path's centroid to the bit,
// from every corner, both ways round, at every size, and the general path must take over where it cannot be.
TEST(GisShapePolygon, ARectanglesLabelPointIsTheGeneralPathsCentroid) {
    Unit next{5, 1000003};
    int rectangles = 0;
    for (double scale : {1e-300, 1e-12, 1e-3, 1.0, 117.0, 3e6, 1e150, 1e300}) {
        for (int round = 0; round < 40; ++round) {
            const double x0 = (next() - 0.5) * scale * (round % 3 ? 1 : 1e3), y0 = (next() - 0.5) * scale;
            const double x1 = x0 + (0.001 + next()) * scale, y1 = y0 + (0.001 + next()) * scale;
            if (!(x1 > x0 && y1 > y0) || !std::isfinite(x1) || !std::isfinite(y1)) continue;
            const TGIS_Point corners[4] = {{x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
            for (int start = 0; start < 4; ++start)
                for (int way : {1, 3}) {
                    std::vector<TGIS_Point> ring;
                    for (int k = 0; k <= 4; ++k) ring.push_back(corners[(start + way * k) % 4]);
                    auto one = MakePolygon({ring});
                    // A second ring of one point at the lower left corner sends the centroid the general way.
                    auto two = MakePolygon({ring, {{x0, y0}}});
                    const TGIS_Point label = one->LabelPoint(), general = two->Centroid();
                    // To the bit, as numbers that overflow in the moments come out too (not a number).
                    ASSERT_EQ(std::memcmp(&label, &general, sizeof label), 0)
                        << scale << " " << round << " " << start << " " << way << ": " << label.X << " " << label.Y
                        << " / " << general.X << " " << general.Y;
                    if (std::isfinite(general.X) && std::isfinite(general.Y)) {
                        EXPECT_TRUE(GisIsPointInPolygon(label, one.get())) << scale << " " << round;
                    }
                    ++rectangles;
                }
        }
    }
    EXPECT_GT(rectangles, 2000);
    // Five points that only look like a rectangle's: corners crossed over, a side off the axes, a ring not closed.
    // They take the general path: where its centroid lies inside, that is the label point.
    int inside = 0;
    for (const std::vector<TGIS_Point>& ring :
         {std::vector<TGIS_Point>{{0, 0}, {4, 2}, {4, 0}, {0, 2}, {0, 0}},
          std::vector<TGIS_Point>{{0, 0}, {4, 0}, {4, 2}, {0.5, 2}, {0, 0}},
          std::vector<TGIS_Point>{{0, 0}, {4, 0}, {4, 2}, {0, 2}, {0, 1}}}) {
        auto one = MakePolygon({ring});
        auto two = MakePolygon({ring, {{one->GetExtent().XMin, one->GetExtent().YMin}}});
        const TGIS_Point centroid = two->Centroid();
        if (!GisIsPointInPolygon(centroid, one.get())) continue;
        ++inside;
        EXPECT_EQ(one->LabelPoint().X, centroid.X) << ring[3].X << " " << ring[4].Y;
        EXPECT_EQ(one->LabelPoint().Y, centroid.Y) << ring[3].X << " " << ring[4].Y;
    }
    EXPECT_GE(inside, 2);
}

// Drawing reads a part's points in one pass; each part, the last included, must come out as GetPoint reads it.
TEST(GisShapePolygon, PartPointsInOnePassAreGetPointsPoints) {
    const TestParts parts = {Box(0, 0, 100, 100), Box(40, 40, 60, 60, true), {{7.5, 8.25}, {9, 3}, {7.5, 8.25}}};
    std::unique_ptr<TGIS_Shape> shapes[] = {MakePolygon(parts), MakeArc(parts)};
    for (auto& shape : shapes) {
        ASSERT_EQ(shape->GetNumParts(), 3);
        for (int part = 0; part < 3; ++part) {
            std::vector<TGIS_Point> read;
            shape->ForEachPartPoint(part, [&read](const TGIS_Point& p) { read.push_back(p); });
            ASSERT_EQ(int(read.size()), shape->GetPartSize(part)) << part;
            for (int i = 0; i < int(read.size()); ++i) {
                EXPECT_EQ(read[size_t(i)].X, shape->GetPoint(part, i).X) << part << " " << i;
                EXPECT_EQ(read[size_t(i)].Y, shape->GetPoint(part, i).Y) << part << " " << i;
            }
        }
    }
}

TEST(GisShapeArc, GetPointReadsEachPartAndRefusesIndexesOutsideIt) {
    const TestParts parts = {{{0, 0}, {1, 2}, {3, 4}}, {{5, 6}, {7, 8}}, {{9, 10}, {11, 12}, {13, 14}, {15, 16}}};
    auto arc = MakeArc(parts);
    for (int part = 0; part < 3; ++part)
        for (int i = 0; i < int(parts[size_t(part)].size()); ++i) {
            const TGIS_Point p = arc->GetPoint(part, i), q = parts[size_t(part)][size_t(i)];
            EXPECT_TRUE(p.X == q.X && p.Y == q.Y) << part << " " << i;
        }
    EXPECT_EQ(arc->GetLastPoint().Y, 16);
    for (auto [part, index] : {std::pair{0, 3}, {1, 2}, {1, -1}, {2, 4}, {3, 0}, {-1, 0}})
        EXPECT_THROW(arc->GetPoint(part, index), EAssertionFailed) << part << " " << index;
    auto one = MakePolygon({Box(0, 0, 4, 4)});
    const int n = one->GetPartSize(0);
    EXPECT_EQ(one->GetPoint(0, n - 1).X, one->GetPoint(0, 0).X);
    EXPECT_THROW(one->GetPoint(0, n), EAssertionFailed);
    EXPECT_THROW(one->GetPoint(1, 0), EAssertionFailed);
    EXPECT_THROW(TGIS_ShapeArc().GetPoint(0, 0), EAssertionFailed);
}

TEST(GisShapePolygon, Relations) {
    auto holed = MakePolygon({Box(0, 0, 100, 100), Box(40, 40, 60, 60, true)});
    EXPECT_TRUE(holed->RelateExtent({10, 10, 20, 20}, gisRelateTouch));   // inside, no vertex, no edge
    EXPECT_FALSE(holed->RelateExtent({45, 45, 55, 55}, gisRelateTouch));  // inside the hole
    EXPECT_TRUE(holed->RelateExtent({55, 55, 65, 65}, gisRelateTouch));
    EXPECT_TRUE(holed->RelateExtent({-1, -1, 101, 101}, gisRelateWithin));
    EXPECT_FALSE(holed->RelateExtent({0, 0, 0, 100}, gisRelateTouch));
    EXPECT_FALSE(holed->RelateExtent({200, 200, 300, 300}, gisRelateTouch));

    auto islands = MakePolygon({Box(0, 0, 10, 10), Box(20, 0, 30, 10)});
    auto pts = std::make_unique<TGIS_ShapeMultipoint>();
    pts->AddPoint({50, 50});
    pts->AddPoint({25, 5});  // on the second island
    EXPECT_TRUE(islands->Intersects(pts.get()));
    auto outside = std::make_unique<TGIS_ShapeMultipoint>();
    outside->AddPoint({50, 50});
    outside->AddPoint({15, 5});
    EXPECT_FALSE(islands->Intersects(outside.get()));

    auto big = MakePolygon({Box(0, 0, 100, 100)});
    auto small = MakePolygon({Box(10, 10, 20, 20)});
    EXPECT_TRUE(small->RelateShape(big.get(), gisRelateWithin));
    EXPECT_FALSE(big->RelateShape(small.get(), gisRelateWithin));
    EXPECT_TRUE(big->RelateShape(small.get(), gisRelateTouch));  // through the other's vertices
    EXPECT_TRUE(big->Intersects(small.get()));
    EXPECT_FALSE(MakePolygon({Box(45, 45, 55, 55)})->Intersects(holed.get()));

    TGIS_PointList hits = big->RelateShapeEx(MakeArc({{{-10, 50}, {110, 50}}}).get());
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].X, 100);
    EXPECT_EQ(hits[1].X, 0);
}

TEST(GisShapePolygon, PointsAndExtentsInHolesAndIslands) {
    // Whichever ring comes first, a hole is outside and an island in it inside.
    const TestParts rings{Box(0, 0, 100, 100), Box(20, 20, 80, 80, true), Box(40, 40, 60, 60)};
    for (bool holeFirst : {false, true}) {
        auto p = MakePolygon(holeFirst ? TestParts{rings[1], rings[0], rings[2]} : rings);
        auto at = [&](double x, double y) {
            auto q = std::make_unique<TGIS_ShapePoint>();
            q->AddPoint({x, y});
            return p->Intersects(q.get());
        };
        EXPECT_TRUE(at(10, 50)) << holeFirst;
        EXPECT_FALSE(at(30, 50)) << holeFirst;
        EXPECT_TRUE(at(50, 50)) << holeFirst;
        EXPECT_FALSE(at(150, 50)) << holeFirst;
        EXPECT_FALSE(p->RelateExtent({25, 25, 35, 35}, gisRelateTouch)) << holeFirst;
        EXPECT_TRUE(p->RelateExtent({45, 45, 55, 55}, gisRelateTouch)) << holeFirst;
        EXPECT_TRUE(p->RelateExtent({5, 5, 15, 15}, gisRelateTouch)) << holeFirst;
    }
}

TEST(GisShapePolygon, ClipOfAnInnerPolygonIsTheCallersOwn) {
    auto holed = MakePolygon({Box(0, 0, 10, 10), Box(4, 4, 6, 6, true)});
    const TestParts before = PartsOf(*holed);
    std::unique_ptr<TGIS_Shape> whole = holed->Clip({-1, -1, 11, 11});
    ASSERT_NE(whole, nullptr);
    EXPECT_NE(whole.get(), holed.get());
    EXPECT_TRUE(Same(PartsOf(*whole), before));
    whole->AddPart();
    whole->AddPoint({20, 20});
    whole.reset();
    EXPECT_TRUE(Same(PartsOf(*holed), before));
    EXPECT_DOUBLE_EQ(holed->Area(), 96);
}

// The clip of a shape that lies wholly inside outlives the shape and ignores its later edits.
TEST(GisShapePolygon, ClipOfAnInnerPolygonOutlivesItsSource) {
    auto square = MakePolygon({Box(0, 0, 10, 10)});
    const TestParts before = PartsOf(*square);
    std::unique_ptr<TGIS_Shape> whole = square->Clip({-1, -1, 11, 11});
    ASSERT_NE(whole, nullptr);
    square->AddPart();
    square->AddPoint({3, 3});
    EXPECT_TRUE(Same(PartsOf(*whole), before));
    square.reset();
    EXPECT_TRUE(Same(PartsOf(*whole), before));
    EXPECT_DOUBLE_EQ(whole->Area(), 100);
}

TEST(GisShapePolygon, Clip) {
    auto square = MakePolygon({Box(0, 0, 10, 10)});
    std::unique_ptr<TGIS_Shape> half = square->Clip({5, -5, 20, 20});
    ASSERT_NE(half, nullptr);
    EXPECT_DOUBLE_EQ(half->Area(), 50);
    const TestParts halfRings = PartsOf(*half);
    for (const auto& ring : halfRings) {
        EXPECT_TRUE(GisIsSamePoint(ring.front(), ring.back()));
        for (const TGIS_Point& p : ring) EXPECT_GE(p.X, 5);
    }
    int onSide = 0;
    for (const TGIS_Point& p : halfRings[0]) onSide += p.X == 5;
    EXPECT_GE(onSide, 2);

    std::unique_ptr<TGIS_Shape> whole = square->Clip({-1, -1, 11, 11});
    ASSERT_NE(whole, nullptr);
    EXPECT_TRUE(Same(PartsOf(*whole), PartsOf(*square)));
    EXPECT_EQ(square->Clip({20, 20, 30, 30}), nullptr);

    auto holed = MakePolygon({Box(0, 0, 10, 10), Box(4, 4, 6, 6, true)});
    std::unique_ptr<TGIS_Shape> cut = holed->Clip({5, 0, 10, 10});
    ASSERT_NE(cut, nullptr);
    EXPECT_DOUBLE_EQ(cut->Area(), 48);
    EXPECT_EQ(cut->GetNumParts(), 2);
}

TEST(GisShapePolygon, HoleTouchingItsRingIsAHole) {
    // The hole's first vertex lies on the outer edge (0,0)-(7,3), a rounding outside it.
    const TestParts rings{{{0, 0}, {7, 3}, {0, 6}},
                          {{0.70000000000000007, 0.30000000000000004},
                           {0.20000000000000007, 0.80000000000000004},
                           {0.20000000000000007, 1.3}}};
    const double area = 21 - 0.125;
    const TGIS_Point centroid{(21 * 7.0 / 3 - 0.125 * 1.1 / 3) / area, (21 * 3 - 0.125 * 0.8) / area};
    for (bool holeFirst : {false, true}) {
        auto p = MakePolygon(holeFirst ? TestParts{rings[1], rings[0]} : rings);
        EXPECT_NEAR(p->Area(), area, 1e-12) << holeFirst;
        EXPECT_NEAR(p->Centroid().X, centroid.X, 1e-12) << holeFirst;
        EXPECT_NEAR(p->Centroid().Y, centroid.Y, 1e-12) << holeFirst;
    }
    // Touching at a corner of the outer ring, and an outer vertex touching the hole's edge.
    EXPECT_DOUBLE_EQ(MakePolygon({Box(0, 0, 10, 10), {{10, 10}, {8, 9}, {9, 8}}})->Area(), 100 - 1.5);
    EXPECT_DOUBLE_EQ(MakePolygon({{{0, 0}, {10, 0}, {5, 5}, {10, 10}, {0, 10}}, {{5, 5}, {4, 4}, {4, 6}}})->Area(),
                     75 - 1);
}

TEST(GisShapePolygon, ClipToAHoleIsEmpty) {
    // The clipped ring and the hole are the same rectangle: they cancel, whichever comes first and whichever
    // way they are wound.
    for (bool holeFirst : {false, true})
        for (bool reversed : {false, true}) {
            const TestParts rings{Box(0, 0, 10, 10), Box(2, 3, 5, 7, reversed)};
            auto p = MakePolygon(holeFirst ? TestParts{rings[1], rings[0]} : rings);
            std::unique_ptr<TGIS_Shape> cut = p->Clip({2, 3, 5, 7});
            EXPECT_EQ(cut ? cut->Area() : 0, 0) << holeFirst << reversed;
            // A little wider, the frame around the hole is left.
            cut = p->Clip({1, 2, 6, 8});
            ASSERT_NE(cut, nullptr);
            EXPECT_DOUBLE_EQ(cut->Area(), 30 - 12) << holeFirst << reversed;
        }
}

// Scales and shifts coordinates on the way to the viewer: there and back does not always give the same double.
class ShiftProjection : public TGIS_ProjectionAbstract {
public:
    std::string Code() const override { return "TST"; }
    std::string Description() const override { return "test"; }
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override {
        return std::make_unique<ShiftProjection>();
    }
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override {
        out = {in.X * 0.7 + 0.3, in.Y * 0.7 + 0.3, in.Z};
    }
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override {
        out = {(in.X - 0.3) / 0.7, (in.Y - 0.3) / 0.7, in.Z};
    }
};

TEST(GisShapePolygon, RingStaysClosedUnderAProjection) {
    UiTest::Init();
    TGIS_Viewer viewer(nullptr);
    viewer.SetProjection(new ShiftProjection);
    auto* layer = new TGIS_LayerVector;
    viewer.Add(layer);
    layer->SetProjection(nullptr);  // the layer in plain coordinates, the viewer's shifted
    ASSERT_DOUBLE_EQ(layer->Project({1, 2}).X, 1);
    auto* poly = static_cast<TGIS_ShapePolygon*>(layer->CreateShape(gisShapeTypePolygon));
    ASSERT_NE(poly, nullptr);
    poly->AddPart();
    for (const TGIS_Point& p : std::vector<TGIS_Point>{{1.2, 1.05}, {2.9, 1.1}, {2.5, 2.9}, {1.4, 2.2}}) {
        poly->AddPoint(p);
        poly->Lock(2);  // stored coordinates
        const int n = poly->GetPartSize(0);
        EXPECT_TRUE(GisIsSamePoint(poly->GetPoint(0, 0), poly->GetPoint(0, n - 1))) << n;
        poly->Unlock();
    }
    EXPECT_EQ(poly->GetPartSize(0), 5);
    for (int lock : {0, 2}) {
        poly->Lock(lock);
        int i = 0;
        poly->ForEachPartPoint(0, [&](const TGIS_Point& p) {
            EXPECT_TRUE(GisIsSamePoint(p, poly->GetPoint(0, i))) << lock << " " << i;
            ++i;
        });
        EXPECT_EQ(i, 5);
        poly->Unlock();
    }
    // Clipping reads through the viewer and stores back into the layer's coordinates.
    std::unique_ptr<TGIS_Shape> part = poly->Clip({0, 0, 2, 10});
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->Layer, layer);
    EXPECT_GT(part->Area(), 0);
    EXPECT_LT(part->Area(), poly->Area());
    for (const auto& ring : PartsOf(*part))
        for (const TGIS_Point& p : ring) EXPECT_LE(p.X, 2 + 1e-12);
}

}  // namespace
