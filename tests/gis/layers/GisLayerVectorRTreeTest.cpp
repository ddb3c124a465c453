// The preview's way of building its sheet layer, then random edits, reverts and rebuilds of the R-tree: the index
// must always answer what a scan of every shape answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "gis/core/GisRTree.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

class PreviewLayer : public ::testing::Test {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 400, 300);
        layer = new TGIS_LayerVector;
        layer->Name = "sheets";
        layer->GetParams()->Area().SetColor(0x00FF00);
        layer->GetParams()->Area().SetPattern(1);
        v.Add(layer);
        const char* names[13] = {"NUMBER", "OLDNUMBER", "SCALE", "ZONE", "WEST", "SOUTH", "EAST",
                                 "NORTH",  "X1",        "Y1",    "X2",   "Y2",    "VALID"};
        const uint8_t types[13] = {0, 0, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3};
        for (int i = 0; i < 13; ++i) layer->AddField(names[i], types[i], types[i] == 0 ? 20 : 16, types[i] == 2 ? 6 : 0);
        layer->SetExtent({0, 0, 10000, 10000});
    }

    // A sheet-like rectangle in the preview's order: lock, one part, the corners, the attributes, unlock.
    void AddSheet(TGIS_Shape& s, double x, double y, double w, double h) {
        s.Lock(1);
        s.AddPart();
        for (TGIS_Point p : {TGIS_Point{x, y}, {x, y + h}, {x + w, y + h}, {x + w, y}}) s.AddPoint(p);
        s.Unlock();
    }
    void FillFields(TGIS_Shape& s, int i) {
        s.SetField("NUMBER", Variant("J50E" + std::to_string(i)));
        s.SetField("OLDNUMBER", Variant("J-50-" + std::to_string(i)));
        s.SetField("SCALE", Variant(7));
        s.SetField("ZONE", Variant(20));
        for (const char* f : {"WEST", "SOUTH", "EAST", "NORTH", "X1", "Y1", "X2", "Y2"}) s.SetField(f, Variant(i * 0.5));
        s.SetField("VALID", Variant("T"));
    }
    TGIS_Point RandomCorner() { return {coord(rng), coord(rng)}; }
    TGIS_Shape* NewSheet(int i) {
        TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
        const TGIS_Point c = RandomCorner();
        AddSheet(*s, c.X, c.Y, size(rng), size(rng));
        FillFields(*s, i);
        return s;
    }

    std::set<int32_t> TreeHits(const TGIS_Extent& e) {
        std::set<int32_t> hits;
        for (int32_t id = layer->RTree->FindFirst(e, -1); id >= 0; id = layer->RTree->FindNext()) hits.insert(id);
        return hits;
    }
    std::set<int32_t> ScanHits(const TGIS_Extent& e) {
        std::set<int32_t> hits;
        for (auto& s : layer->Shapes)
            if (!s->Deleted && s->HasGeometry() && GisExtentsOverlap(s->GetExtent(), e)) hits.insert(s->Uid);
        return hits;
    }
    void ExpectTreeMatchesScan(const char* when) {
        SCOPED_TRACE(when);
        ASSERT_TRUE(layer->HasRTree());
        for (int q = 0; q < 150; ++q) {
            const TGIS_Point c = RandomCorner();
            const double w = q % 10 == 0 ? 5000 : size(rng) * 3;
            const TGIS_Extent e{c.X, c.Y, c.X + w, c.Y + w};
            ASSERT_EQ(TreeHits(e), ScanHits(e)) << q;
        }
    }

    struct App {
        App() { UiTest::Init(); }
    } app;
    TGIS_Viewer v{nullptr};
    TGIS_LayerVector* layer = nullptr;
    std::mt19937 rng{20};
    std::uniform_real_distribution<double> coord{0, 9900};
    std::uniform_real_distribution<double> size{1, 100};
};

TEST_F(PreviewLayer, RTreeAnswersAsAScanThroughEditsRevertsAndRebuilds) {
    for (int i = 0; i < 10000; ++i) NewSheet(i);
    ASSERT_EQ(layer->Shapes.size(), 10000u);
    EXPECT_EQ(layer->Fields.size(), 13u);
    EXPECT_EQ(layer->GetShape(77)->GetField("NUMBER").AsString(), "J50E76");
    EXPECT_EQ(layer->GetShape(77)->GetNumPoints(), 5);  // the ring is closed

    std::vector<int32_t> busy;
    v.OnBusy = [&busy](TObject*, int32_t pos, int32_t, bool&) { busy.push_back(pos); };
    layer->PrepareRTree(true);
    ASSERT_TRUE(layer->HasRTree());
    ASSERT_EQ(busy.size(), 102u);  // the start, every hundredth shape, the end
    EXPECT_EQ(busy[1], 1);
    EXPECT_EQ(busy[2], 101);
    EXPECT_EQ(busy.back(), -1);
    EXPECT_EQ(layer->RTree->ItemCount(), 10000);
    ExpectTreeMatchesScan("built");

    std::uniform_int_distribution<int> op(0, 9);
    for (int round = 0; round < 3; ++round) {
        for (int k = 0; k < 600; ++k) {
            const int32_t last = layer->GetLastUid();
            const int32_t uid = std::uniform_int_distribution<int32_t>(1, last)(rng);
            TGIS_Shape* s = layer->GetShape(uid);
            switch (op(rng)) {
            case 0:
            case 1: layer->DeleteShape(uid); break;
            case 2: layer->RevertShape(uid); break;
            case 3: NewSheet(last + 1); break;
            default:
                if (s && !s->Deleted) {
                    TGIS_Shape* e = s->MakeEditableCopy();
                    ASSERT_EQ(e, s);  // in memory already: no second instance
                    e->FreeGeometry();
                    const TGIS_Point c = RandomCorner();
                    AddSheet(*e, c.X, c.Y, size(rng), size(rng));
                }
                break;
            }
        }
        ExpectTreeMatchesScan("edited");

        // A rebuild that the user aborts leaves no index at all; the next one is complete.
        layer->PrepareRTree(false);
        EXPECT_FALSE(layer->HasRTree());
        v.OnBusy = [](TObject*, int32_t pos, int32_t, bool& abort) { abort = pos > 300; };
        layer->PrepareRTree(true);
        EXPECT_FALSE(layer->HasRTree());
        v.OnBusy = nullptr;
        layer->PrepareRTree(true);
        ExpectTreeMatchesScan("rebuilt");
    }

    // Taking every shape back leaves an empty index.
    layer->RevertAll();
    EXPECT_TRUE(layer->Shapes.empty());
    EXPECT_EQ(layer->RTree->ItemCount(), 0);
    EXPECT_EQ(layer->Fields.size(), 0u);
}

TEST_F(PreviewLayer, ExtentAndMustSaveFollowTheShapes) {
    NewSheet(0);
    TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
    AddSheet(*s, -50, -60, 10, 10);
    EXPECT_EQ(layer->Extent.XMin, -50);
    EXPECT_EQ(layer->Extent.YMin, -60);
    layer->DeleteShape(s->Uid);
    layer->RecalcExtent();
    EXPECT_GE(layer->Extent.XMin, 0);  // a deleted shape no longer counts
    EXPECT_TRUE(layer->MustSave());    // fields were added
    layer->StructureModified = false;
    EXPECT_FALSE(layer->MustSave());   // an in-memory layer has no file to save to
}

}  // namespace
