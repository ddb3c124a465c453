// Finds over random layers: the R-tree way, the scan way and a brute-force walk agree; LocateEx gives the nearest
// part within the tolerance, measured as GEOS measures it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "gis/core/GisProjections.h"
#include "gis/core/GisRTree.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/ui/testsupport/UiTest.h"

#ifdef QM_HAVE_GEOS
#include <geos_c.h>
#endif

namespace {

class LayerFinds : public ::testing::Test {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 400, 300);
        layer = new TGIS_LayerVector;
        layer->Name = "finds";
        v.Add(layer);
        layer->AddField("KIND", gisFieldNumber, 4, 0);
        // Markers of no size: distances to points are the geometric ones.
        layer->GetParams()->Marker().SetSize(0);
        layer->SetExtent({0, 0, 10000, 10000});
    }

    TGIS_Point Random() { return {coord(rng), coord(rng)}; }
    // Shapes of every type, the kind field giving the type.
    void Fill(int n) {
        std::uniform_real_distribution<double> step(-60, 60);
        for (int i = 0; i < n; ++i) {
            const uint8_t type = uint8_t(gisShapeTypePoint + i % 4);
            TGIS_Shape* s = layer->CreateShape(type);
            s->Lock(1);
            s->AddPart();
            TGIS_Point p = Random();
            const int count = type == gisShapeTypePoint ? 1 : 2 + i % 5;
            for (int k = 0; k < count; ++k) {
                s->AddPoint(p);
                p = {std::clamp(p.X + step(rng), 0.0, 10000.0), std::clamp(p.Y + step(rng), 0.0, 10000.0)};
            }
            if (type == gisShapeTypeArc && i % 3 == 0) {
                s->AddPart();
                s->AddPoint(Random());
                s->AddPoint(Random());
            }
            s->Unlock();
            s->SetField("KIND", Variant(int(type)));
        }
    }

    std::set<int32_t> Found(const TGIS_Extent& e, const std::string& query = "") {
        std::set<int32_t> hits;
        for (TGIS_Shape* s = layer->FindFirst(e, query); s; s = layer->FindNext()) EXPECT_TRUE(hits.insert(s->Uid).second);
        return hits;
    }
    std::set<int32_t> Brute(const TGIS_Extent& e, int kind = 0, bool drawn = false) {
        if (extents.size() != layer->Shapes.size()) {
            extents.clear();
            for (auto& s : layer->Shapes) extents.push_back({s->GetExtent(), s->GetProjectedExtent()});
        }
        std::set<int32_t> hits;
        for (size_t i = 0; i < layer->Shapes.size(); ++i) {
            TGIS_Shape* s = layer->Shapes[i].get();
            if (!s->Deleted && s->HasGeometry() && GisExtentsOverlap(drawn ? extents[i].second : extents[i].first, e) &&
                (kind == 0 || s->ShapeType() == kind))
                hits.insert(s->Uid);
        }
        return hits;
    }
    // Stored and drawn extents by shape index, for a layer that no longer changes.
    std::vector<std::pair<TGIS_Extent, TGIS_Extent>> extents;
    TGIS_Extent Window() {
        const TGIS_Point c = Random();
        const double w = side(rng);
        return {c.X, c.Y, c.X + w, c.Y + w * 0.7};
    }

    struct App {
        App() { UiTest::Init(); }
    } app;
    TGIS_Viewer v{nullptr};
    TGIS_LayerVector* layer = nullptr;
    std::mt19937 rng{27};
    std::uniform_real_distribution<double> coord{0, 10000};
    std::uniform_real_distribution<double> side{1, 800};
};

TEST_F(LayerFinds, RTreeWayScanWayAndBruteForceAgree) {
    Fill(10000);
    for (int uid = 7; uid <= 10000; uid += 97) layer->DeleteShape(uid);
    layer->PrepareRTree(true);
    ASSERT_TRUE(layer->HasRTree());
    for (int q = 0; q < 1000; ++q) {
        const TGIS_Extent e = Window();
        layer->SetFilter(e, "");
        const std::set<int32_t> expected = Brute(e);
        ASSERT_EQ(Found(e), expected) << q;
        ASSERT_TRUE(layer->UseRTreeForFind);
        // Without the index the same window scans, bounded by the filter, which tests the extents as drawn
        // (a scan visits every shape: every tenth window is enough).
        if (q % 10 == 0) {
            std::unique_ptr<TGIS_RTree> tree = std::move(layer->RTree);
            ASSERT_EQ(Found(e), Brute(e, 0, true)) << q;
            ASSERT_FALSE(layer->UseRTreeForFind);
            layer->RTree = std::move(tree);
        }
        if (q % 50 == 0) {
            // A query narrows either way.
            ASSERT_EQ(Found(e, "KIND = 5"), Brute(e, gisShapeTypePolygon)) << q;
            std::unique_ptr<TGIS_RTree> tree = std::move(layer->RTree);
            ASSERT_EQ(Found(e, "KIND = 5"), Brute(e, gisShapeTypePolygon, true)) << q;
            layer->RTree = std::move(tree);
        }
    }
}

// A scan takes its hits in the layer's order (a paint draws in it), past deleted shapes, the filter's window
// and query, and the find's own query.
TEST_F(LayerFinds, TheScanWayFindsInTheLayersOrder) {
    Fill(3000);
    for (int uid = 3; uid <= 3000; uid += 11) layer->DeleteShape(uid);
    for (int q = 0; q < 40; ++q) {
        const TGIS_Extent e = q % 4 == 0 ? TGIS_Extent{0, 0, 10000, 10000} : Window();
        const std::string filter = q % 3 == 0 ? "KIND = 5" : "", find = q % 5 == 1 ? "KIND <> 4" : "";
        layer->SetFilter(e, filter);
        layer->SetSkipDeleted(q % 2 == 0);
        std::vector<int32_t> hits;
        for (TGIS_Shape* s = layer->FindFirst(e, find); s; s = layer->FindNext()) hits.push_back(s->Uid);
        ASSERT_FALSE(layer->UseRTreeForFind);
        std::vector<int32_t> expected;
        const std::set<int32_t> drawn = Brute(e, 0, true);
        for (auto& s : layer->Shapes) {
            const int kind = s->ShapeType();
            if (!drawn.count(s->Uid)) continue;
            if (!filter.empty() && kind != gisShapeTypePolygon) continue;
            if (!find.empty() && kind == gisShapeTypeArc) continue;
            expected.push_back(s->Uid);
        }
        ASSERT_EQ(hits, expected) << q;
    }
}

TEST_F(LayerFinds, TheIndexIsUsedUpToASixteenthOfTheLayerAndAskedInLayerCoordinates) {
    Fill(200);
    layer->PrepareRTree(true);
    layer->SetFilter(GisFullExtent(), "");
    Found({0, 0, 2500, 2500});
    EXPECT_TRUE(layer->UseRTreeForFind);
    EXPECT_EQ(layer->FindExtent.XMax, 2500);
    Found({0, 0, 2500, 2500.001});
    EXPECT_FALSE(layer->UseRTreeForFind);
    EXPECT_EQ(Found({0, 0, 10000, 10000}), Brute({0, 0, 10000, 10000}));
}

// Doubles and shifts coordinates on the way to the viewer.
class DoubleProjection : public TGIS_ProjectionAbstract {
public:
    std::string Code() const override { return "TST"; }
    std::string Description() const override { return "test"; }
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override {
        return std::make_unique<DoubleProjection>();
    }
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override {
        out = {in.X * 2 + 5000, in.Y * 2 + 5000, in.Z};
    }
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override {
        out = {(in.X - 5000) / 2, (in.Y - 5000) / 2, in.Z};
    }
};

TEST_F(LayerFinds, AViewerWindowAsksTheIndexInLayerCoordinates) {
    v.SetProjection(new DoubleProjection);
    layer->SetProjection(nullptr);  // the layer in plain coordinates, the viewer's doubled
    ASSERT_DOUBLE_EQ(layer->Project({1, 2}).X, 5002);
    Fill(2000);
    layer->PrepareRTree(true);
    for (int q = 0; q < 200; ++q) {
        const TGIS_Extent e = Window();
        const TGIS_Extent shown{e.XMin * 2 + 5000, e.YMin * 2 + 5000, e.XMax * 2 + 5000, e.YMax * 2 + 5000};
        ASSERT_EQ(Found(shown), Brute(shown, 0, true)) << q;
        ASSERT_TRUE(layer->UseRTreeForFind) << q;
    }
}

TEST_F(LayerFinds, AnIndexEntryWithoutAShapeHidesNoLaterHit) {
    Fill(400);
    layer->PrepareRTree(true);
    // Records gone from under the index, spread through the tree's order.
    for (int32_t id = 5000; id < 5200; ++id) layer->RTree->Insert({0, 0, 10000, 10000}, id);
    for (int q = 0; q < 50; ++q) {
        const TGIS_Extent e = Window();
        ASSERT_EQ(Found(e), Brute(e)) << q;
    }
}

TEST_F(LayerFinds, LocateExTakesTheNearestPartWithinTheTolerance) {
    Fill(4000);
    layer->PrepareRTree(true);
    std::uniform_real_distribution<double> tol(1, 150);
    int located = 0;
    for (int q = 0; q < 300; ++q) {
        const TGIS_Point p = Random();
        const double t = tol(rng);
        double best = GIS_MAX_DISTANCE;
        for (auto& s : layer->Shapes) {
            TGIS_Point n;
            for (int i = 0; i < s->GetNumParts(); ++i) best = std::min(best, s->DistanceToPart(p, i, n, t));
        }
        double d = 0;
        int part = -1;
        TGIS_Point nearest{};
        TGIS_Shape* s = layer->LocateEx(p, t, -1, d, part, nearest);
        if (best <= t) {
            ASSERT_NE(s, nullptr) << q;
            EXPECT_EQ(d, best) << q;
            TGIS_Point n;
            EXPECT_EQ(s->DistanceToPart(p, part, n, t), d);
            EXPECT_EQ(n.X, nearest.X);
            EXPECT_EQ(n.Y, nearest.Y);
            ++located;
            // Excluding the winner gives the next nearest, or nothing.
            double d2 = 0;
            TGIS_Shape* other = layer->LocateEx(p, t, s->Uid, d2, part, nearest);
            if (other) {
                EXPECT_NE(other, s);
            }
            EXPECT_GE(d2, d);
        } else {
            EXPECT_EQ(s, nullptr) << q;
        }
    }
    EXPECT_GT(located, 30);
}

TEST_F(LayerFinds, LocateExWithTheOnlyShapeInReachExcludedFindsNothing) {
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePoint);
    s->AddPoint({100, 100});
    double d = 0;
    int part = 0;
    TGIS_Point nearest{};
    EXPECT_EQ(layer->LocateEx({101, 100}, 5, s->Uid, d, part, nearest), nullptr);
    EXPECT_EQ(d, GIS_MAX_DISTANCE);
    EXPECT_EQ(nearest.X, 101);
    EXPECT_EQ(layer->Locate({101, 100}, 5, d, part, nearest), s);
    EXPECT_EQ(d, 1);
    // A deleted shape is not found.
    s->Delete();
    EXPECT_EQ(layer->Locate({101, 100}, 5, d, part, nearest), nullptr);
}

#ifdef QM_HAVE_GEOS
TEST_F(LayerFinds, LocateExDistancesAreGeosDistances) {
    Fill(1000);
    GEOSContextHandle_t h = GEOS_init_r();
    auto geometry = [h](TGIS_Shape* s) {
        std::vector<GEOSGeometry*> parts;
        for (int i = 0; i < s->GetNumParts(); ++i) {
            const int n = s->GetPartSize(i);
            if (s->ShapeType() == gisShapeTypeArc && n >= 2) {
                GEOSCoordSequence* seq = GEOSCoordSeq_create_r(h, unsigned(n), 2);
                for (int k = 0; k < n; ++k) {
                    const TGIS_Point p = s->GetPoint(i, k);
                    GEOSCoordSeq_setXY_r(h, seq, unsigned(k), p.X, p.Y);
                }
                parts.push_back(GEOSGeom_createLineString_r(h, seq));
            } else {
                for (int k = 0; k < n; ++k) {
                    const TGIS_Point p = s->GetPoint(i, k);
                    parts.push_back(GEOSGeom_createPointFromXY_r(h, p.X, p.Y));
                }
            }
        }
        return GEOSGeom_createCollection_r(h, GEOS_GEOMETRYCOLLECTION, parts.data(), unsigned(parts.size()));
    };
    // A one-ring polygon, closed as GEOS wants it; null for a ring too short to bound an area.
    auto area = [h](TGIS_Shape* s) -> GEOSGeometry* {
        const int n = s->GetPartSize(0);
        if (s->GetNumParts() != 1 || n < 3) return nullptr;
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(h, unsigned(n + 1), 2);
        for (int k = 0; k <= n; ++k) {
            const TGIS_Point p = s->GetPoint(0, k % n);
            GEOSCoordSeq_setXY_r(h, seq, unsigned(k), p.X, p.Y);
        }
        return GEOSGeom_createPolygon_r(h, GEOSGeom_createLinearRing_r(h, seq), nullptr, 0);
    };
    int compared = 0, outsidePolygons = 0;
    for (int q = 0; q < 1000; ++q) {
        const TGIS_Point p = Random();
        double d = 0;
        int part = 0;
        TGIS_Point nearest{};
        TGIS_Shape* s = layer->LocateEx(p, 200, -1, d, part, nearest);
        if (!s) continue;
        GEOSGeometry* g = nullptr;
        if (s->ShapeType() != gisShapeTypePolygon) {
            g = geometry(s);
        } else {
            // Inside, a polygon measures below the tolerance by design; outside it is the distance to its area.
            if (GisIsPointInPolygon(p, s) || !(g = area(s))) continue;
            ++outsidePolygons;
        }
        GEOSGeometry* point = GEOSGeom_createPointFromXY_r(h, p.X, p.Y);
        double expected = 0;
        ASSERT_EQ(GEOSDistance_r(h, g, point, &expected), 1);
        // The nearest part of the shape is the nearest of all of it.
        EXPECT_NEAR(d, expected, 1e-9) << q;
        GEOSGeom_destroy_r(h, g);
        GEOSGeom_destroy_r(h, point);
        ++compared;
    }
    EXPECT_GT(compared, 50);
    EXPECT_GT(outsidePolygons, 10);
    GEOS_finish_r(h);
}
#endif

}  // namespace
