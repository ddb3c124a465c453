// Arc and polygon measures, relations and clipping against GEOS on random shapes, in general position and snapped
// to a coarse grid (vertices on edges, shared corners), holes touching their shell among them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "gis/layers/GisLayerVector.h"
#include "tests/gis/layers/ShapeBuild.h"

#ifdef QM_HAVE_GEOS
#include <geos_c.h>

namespace {

constexpr double kRel = 1e-9;

class Geos {
public:
    Geos() : h(GEOS_init_r()) {}
    ~Geos() { GEOS_finish_r(h); }
    GEOSContextHandle_t h;

    GEOSGeometry* Ring(const std::vector<TGIS_Point>& pts, bool close) {
        const unsigned n = unsigned(pts.size()) + (close ? 1 : 0);
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(h, n, 2);
        for (unsigned i = 0; i < n; ++i) {
            const TGIS_Point& p = pts[i % pts.size()];
            GEOSCoordSeq_setXY_r(h, seq, i, p.X, p.Y);
        }
        return close ? GEOSGeom_createLinearRing_r(h, seq) : GEOSGeom_createLineString_r(h, seq);
    }
    // Every ring given open; the first is the shell.
    GEOSGeometry* Polygon(const TestParts& rings) {
        std::vector<GEOSGeometry*> holes;
        for (size_t k = 1; k < rings.size(); ++k) holes.push_back(Ring(rings[k], true));
        return GEOSGeom_createPolygon_r(h, Ring(rings[0], true), holes.data(), unsigned(holes.size()));
    }
    GEOSGeometry* Box(const TGIS_Extent& e) { return Polygon({::Box(e.XMin, e.YMin, e.XMax, e.YMax)}); }
    GEOSGeometry* Point(const TGIS_Point& p) { return GEOSGeom_createPointFromXY_r(h, p.X, p.Y); }
    double Area(const GEOSGeometry* g) {
        double a = 0;
        GEOSArea_r(h, g, &a);
        return a;
    }
    double Length(const GEOSGeometry* g) {
        double l = 0;
        GEOSLength_r(h, g, &l);
        return l;
    }
    void Free(GEOSGeometry* g) { GEOSGeom_destroy_r(h, g); }
};

struct Gen {
    std::mt19937_64 rng{20261209};
    double U(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
    int I(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); }
    bool grid = false;

    double Snap(double v) const { return grid ? std::round(v) : v; }
    // A star-shaped ring around c, counter-clockwise unless reversed.
    std::vector<TGIS_Point> Star(TGIS_Point c, double rmin, double rmax, bool reversed) {
        const int k = I(3, 12);
        std::vector<TGIS_Point> ring;
        for (int i = 0; i < k; ++i) {
            const double a = 2 * M_PI * (i + U(0, 0.8)) / k;
            const double r = U(rmin, rmax);
            ring.push_back({Snap(c.X + r * std::cos(a)), Snap(c.Y + r * std::sin(a))});
        }
        if (reversed) std::reverse(ring.begin(), ring.end());
        return ring;
    }
    // Shell with up to two holes, holes and shell wound either way.
    TestParts Polygon() {
        const double s = grid ? 12 : U(1, 1000);
        const TGIS_Point c{grid ? double(I(-5, 5)) : U(-1000, 1000), grid ? double(I(-5, 5)) : U(-1000, 1000)};
        TestParts rings{Star(c, 0.8 * s, s, I(0, 1) == 1)};
        const int holes = I(0, 2);
        for (int i = 0; i < holes; ++i) {
            const double d = 0.3 * s;
            const TGIS_Point hc{c.X + (i == 0 ? -d : d), c.Y};
            rings.push_back(Star(hc, 0.05 * s, 0.2 * s, I(0, 1) == 1));
        }
        return rings;
    }
    // A shell with one to three holes, each touching it at one point: a shell vertex, or a point of a shell edge
    // (interpolated in general position, so a rounding off the edge; the edge's exact middle on the grid). The
    // touching point is mostly the hole's first vertex; holes and shell are wound either way.
    TestParts TouchingHoles(std::vector<TGIS_Point>& touches) {
        const double s = grid ? 12 : U(1, 1000);
        const TGIS_Point c{grid ? double(I(-5, 5)) : U(-1000, 1000), grid ? double(I(-5, 5)) : U(-1000, 1000)};
        const std::vector<TGIS_Point> shell = Star(c, 0.8 * s, s, false);
        TestParts rings{shell};
        touches.clear();
        for (int h = I(1, 3); h > 0; --h) {
            const size_t k = size_t(I(0, int(shell.size()) - 1));
            const TGIS_Point a = shell[k], b = shell[(k + 1) % shell.size()];
            const double t = I(0, 2) == 0 ? 0 : grid ? 0.5 : U(0.05, 0.95);
            const TGIS_Point touch{a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y)};
            // A fan from the touching point towards the centre.
            const double dx = c.X - touch.X, dy = c.Y - touch.Y, len = U(0.2, 0.6);
            std::vector<TGIS_Point> hole{touch};
            const int k2 = I(2, 4);
            for (int i = 0; i < k2; ++i) {
                const double w = U(-0.4, 0.4) * (1 - 2.0 * i / std::max(k2 - 1, 1)), r = len * U(0.6, 1);
                hole.push_back({Snap2(touch.X + r * (dx - w * dy)), Snap2(touch.Y + r * (dy + w * dx))});
            }
            if (I(0, 2) == 0) std::rotate(hole.begin(), hole.begin() + I(1, int(hole.size()) - 1), hole.end());
            if (I(0, 1)) std::reverse(hole.begin(), hole.end());
            rings.push_back(hole);
            touches.push_back(touch);
        }
        if (I(0, 1)) std::reverse(rings[0].begin(), rings[0].end());
        return rings;
    }
    double Snap2(double v) const { return grid ? std::round(v * 2) / 2 : v; }
    std::vector<TGIS_Point> Line(const TGIS_Extent& around) {
        std::vector<TGIS_Point> pts;
        const int n = I(2, 8);
        for (int i = 0; i < n; ++i) pts.push_back({Snap(U(around.XMin, around.XMax)), Snap(U(around.YMin, around.YMax))});
        return pts;
    }
    TGIS_Extent Box(const TGIS_Extent& around) {
        double x0 = Snap(U(around.XMin, around.XMax)), x1 = Snap(U(around.XMin, around.XMax));
        double y0 = Snap(U(around.YMin, around.YMax)), y1 = Snap(U(around.YMin, around.YMax));
        return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    }
};

TGIS_Extent Grow(const TGIS_Extent& e) {
    const double w = e.XMax - e.XMin, h = e.YMax - e.YMin;
    return {e.XMin - w / 2, e.YMin - h / 2, e.XMax + w / 2, e.YMax + h / 2};
}

bool Near(double a, double b, double scale) { return std::fabs(a - b) <= kRel * std::max(1.0, scale); }

// The size coordinates within the extent are compared at.
double ScaleOf(const TGIS_Extent& e) {
    return std::max({std::fabs(e.XMin), std::fabs(e.XMax), std::fabs(e.YMin), std::fabs(e.YMax), e.XMax - e.XMin});
}

class GeosCompare : public ::testing::TestWithParam<bool> {
protected:
    Geos geos;
    Gen gen;
    void SetUp() override { gen.grid = GetParam(); }

    void ExpectAreaAndCentroid(TGIS_ShapePolygon& ours, GEOSGeometry* theirs) {
        const double area = geos.Area(theirs), scale = ScaleOf(ours.GetPointsExtent());
        EXPECT_TRUE(Near(ours.Area(), area, area)) << ours.Area() << " vs " << area;
        GEOSGeometry* c = GEOSGetCentroid_r(geos.h, theirs);
        double cx, cy;
        GEOSGeomGetX_r(geos.h, c, &cx);
        GEOSGeomGetY_r(geos.h, c, &cy);
        geos.Free(c);
        const TGIS_Point oc = ours.Centroid();
        EXPECT_TRUE(Near(oc.X, cx, scale) && Near(oc.Y, cy, scale))
            << oc.X << " " << oc.Y << " vs " << cx << " " << cy;
    }

    // A valid random polygon, ours and GEOS's; false when the draw was not valid.
    bool Draw(TestParts& rings, std::unique_ptr<TGIS_ShapePolygon>& ours, GEOSGeometry*& theirs) {
        rings = gen.Polygon();
        theirs = geos.Polygon(rings);
        if (GEOSisValid_r(geos.h, theirs) != 1) {
            geos.Free(theirs);
            return false;
        }
        ours = MakePolygon(rings);
        return true;
    }
};

TEST_P(GeosCompare, PointInPolygonMeasures) {
    int compared = 0, points = 0;
    for (int round = 0; round < 2000; ++round) {
        TestParts rings;
        std::unique_ptr<TGIS_ShapePolygon> ours;
        GEOSGeometry* theirs;
        if (!Draw(rings, ours, theirs)) continue;
        ++compared;
        const TGIS_Extent e = ours->GetPointsExtent();
        const double scale = ScaleOf(e);
        ExpectAreaAndCentroid(*ours, theirs);
        double shell;
        GEOSGeomGetLength_r(geos.h, GEOSGetExteriorRing_r(geos.h, theirs), &shell);
        EXPECT_TRUE(Near(ours->Length(), shell, shell));

        GEOSGeometry* boundary = GEOSBoundary_r(geos.h, theirs);
        const TGIS_Extent around = Grow(e);
        for (int i = 0; i < 20; ++i) {
            TGIS_Point p{gen.U(around.XMin, around.XMax), gen.U(around.YMin, around.YMax)};
            if (gen.grid) p = {std::round(p.X * 2) / 2, std::round(p.Y * 2) / 2};
            GEOSGeometry* g = geos.Point(p);
            double d = 0;
            GEOSDistance_r(geos.h, boundary, g, &d);
            if (d > kRel * scale) {
                ++points;
                EXPECT_EQ(GisIsPointInPolygon(p, ours.get()), GEOSContains_r(geos.h, theirs, g) == 1)
                    << p.X << " " << p.Y;
            }
            geos.Free(g);
        }
        geos.Free(boundary);
        geos.Free(theirs);
    }
    EXPECT_GT(compared, 1000);
    EXPECT_GT(points, 10000);
}

TEST_P(GeosCompare, PolygonExtentRelationsAndClip) {
    int compared = 0;
    for (int round = 0; round < 2000; ++round) {
        TestParts rings;
        std::unique_ptr<TGIS_ShapePolygon> ours;
        GEOSGeometry* theirs;
        if (!Draw(rings, ours, theirs)) continue;
        const TGIS_Extent box = gen.Box(Grow(ours->GetPointsExtent()));
        if (box.XMin == box.XMax || box.YMin == box.YMax) {
            geos.Free(theirs);
            continue;
        }
        ++compared;
        GEOSGeometry* g = geos.Box(box);
        EXPECT_EQ(ours->RelateExtent(box, gisRelateWithin), GEOSCovers_r(geos.h, g, theirs) == 1);
        EXPECT_EQ(ours->RelateExtent(box, gisRelateTouch), GEOSIntersects_r(geos.h, g, theirs) == 1)
            << box.XMin << " " << box.YMin << " " << box.XMax << " " << box.YMax;

        GEOSGeometry* cut = GEOSIntersection_r(geos.h, theirs, g);
        const double expected = geos.Area(cut);
        std::unique_ptr<TGIS_Shape> clipped = ours->Clip(box);
        const double got = clipped ? clipped->Area() : 0;
        EXPECT_TRUE(Near(got, expected, geos.Area(theirs))) << got << " vs " << expected;
        geos.Free(cut);
        geos.Free(g);
        geos.Free(theirs);
    }
    EXPECT_GT(compared, 1000);
}

TEST_P(GeosCompare, ShapeTouchesOneRingPolygon) {
    int compared = 0, touching = 0;
    for (int round = 0; round < 2000; ++round) {
        TestParts rings;
        std::unique_ptr<TGIS_ShapePolygon> ours;
        GEOSGeometry* theirs;
        if (!Draw(rings, ours, theirs)) continue;
        const TGIS_Extent around = Grow(ours->GetPointsExtent());
        const double s = (around.XMax - around.XMin) / 4;
        const TGIS_Point c{gen.Snap(gen.U(around.XMin, around.XMax)), gen.Snap(gen.U(around.YMin, around.YMax))};
        const TestParts otherRings{gen.Star(c, s / 2, s, gen.I(0, 1) == 1)};
        GEOSGeometry* otherGeos = geos.Polygon(otherRings);
        if (GEOSisValid_r(geos.h, otherGeos) == 1) {
            ++compared;
            auto other = MakePolygon(otherRings);
            const bool expected = GEOSIntersects_r(geos.h, theirs, otherGeos) == 1;
            touching += expected;
            EXPECT_EQ(ours->RelateShape(other.get(), gisRelateTouch), expected);

            const std::vector<TGIS_Point> line = gen.Line(around);
            auto arc = MakeArc({line});
            GEOSGeometry* lineGeos = geos.Ring(line, false);
            EXPECT_EQ(arc->RelateShape(other.get(), gisRelateTouch),
                      GEOSIntersects_r(geos.h, lineGeos, otherGeos) == 1);
            geos.Free(lineGeos);
        }
        geos.Free(otherGeos);
        geos.Free(theirs);
    }
    EXPECT_GT(compared, 1000);
    EXPECT_GT(touching, 100);
}

TEST_P(GeosCompare, ArcExtentRelationsAndClip) {
    const TGIS_Extent world = gen.grid ? TGIS_Extent{-10, -10, 10, 10} : TGIS_Extent{-1000, -1000, 1000, 1000};
    for (int round = 0; round < 3000; ++round) {
        TestParts parts{gen.Line(world)};
        if (gen.I(0, 1)) parts.push_back(gen.Line(world));
        const TGIS_Extent box = gen.Box(world);
        if (box.XMin == box.XMax || box.YMin == box.YMax) continue;
        auto arc = MakeArc(parts);
        GEOSGeometry* g = geos.Box(box);
        std::vector<GEOSGeometry*> lines;
        double expected = 0, whole = 0;
        for (const auto& part : parts) {
            lines.push_back(geos.Ring(part, false));
            for (size_t i = 1; i < part.size(); ++i) {
                GEOSGeometry* seg = geos.Ring({part[i - 1], part[i]}, false);
                GEOSGeometry* cut = GEOSIntersection_r(geos.h, seg, g);
                expected += geos.Length(cut);
                whole += geos.Length(seg);
                geos.Free(cut);
                geos.Free(seg);
            }
        }
        GEOSGeometry* multi = GEOSGeom_createCollection_r(geos.h, GEOS_MULTILINESTRING, lines.data(),
                                                          unsigned(lines.size()));
        EXPECT_EQ(arc->RelateExtent(box, gisRelateWithin), GEOSCovers_r(geos.h, g, multi) == 1);
        EXPECT_EQ(arc->RelateExtent(box, gisRelateTouch), GEOSIntersects_r(geos.h, g, multi) == 1);
        std::unique_ptr<TGIS_Shape> clipped = arc->Clip(box);
        const double got = clipped ? clipped->Length() : 0;
        EXPECT_TRUE(Near(got, expected, whole)) << got << " vs " << expected;
        if (clipped) {
            for (const auto& part : PartsOf(*clipped))
                for (const TGIS_Point& p : part) EXPECT_TRUE(GisIsPointInExtent(p, box));
        }
        geos.Free(multi);
        geos.Free(g);
    }
}

TEST_P(GeosCompare, HolesTouchingTheShellMeasuresAndClip) {
    int compared = 0, clips = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<TGIS_Point> touches;
        const TestParts rings = gen.TouchingHoles(touches);
        GEOSGeometry* theirs = geos.Polygon(rings);
        if (GEOSisValid_r(geos.h, theirs) != 1) {
            geos.Free(theirs);
            continue;
        }
        ++compared;
        auto ours = MakePolygon(rings);
        const TGIS_Extent e = ours->GetPointsExtent();
        const double area = geos.Area(theirs);
        ExpectAreaAndCentroid(*ours, theirs);

        // A random box, one around a touching point and one on a hole's extent.
        std::vector<TGIS_Extent> boxes{gen.Box(Grow(e))};
        const TGIS_Point t = touches[0];
        const double r = (e.XMax - e.XMin) * gen.U(0.05, 0.3);
        boxes.push_back({t.X - r * gen.U(0, 1), t.Y - r * gen.U(0, 1), t.X + r * gen.U(0, 1), t.Y + r * gen.U(0, 1)});
        boxes.push_back(MakePolygon({rings[1]})->GetPointsExtent());
        for (const TGIS_Extent& box : boxes) {
            if (box.XMin == box.XMax || box.YMin == box.YMax) continue;
            ++clips;
            GEOSGeometry* g = geos.Box(box);
            GEOSGeometry* cut = GEOSIntersection_r(geos.h, theirs, g);
            const double expected = geos.Area(cut);
            std::unique_ptr<TGIS_Shape> clipped = ours->Clip(box);
            const double got = clipped ? clipped->Area() : 0;
            EXPECT_TRUE(Near(got, expected, area)) << got << " vs " << expected;
            geos.Free(cut);
            geos.Free(g);
        }
        geos.Free(theirs);
    }
    // Interpolated touching points a rounding outside the shell make about two draws in three invalid.
    EXPECT_GT(compared, 700);
    EXPECT_GT(clips, 2000);
}

INSTANTIATE_TEST_SUITE_P(Shapes, GeosCompare, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "GridSnapped" : "GeneralPosition"; });

}  // namespace

#else
TEST(GeosCompare, Skipped) { GTEST_SKIP() << "GEOS (libgeos-dev) is not installed: the GEOS comparisons did not run"; }
#endif
