#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "gis/layers/GisLayerVector.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/ShapeBuild.h"

// Exact comparison for the expectations here; internal, so that other test files may have their own.
static bool operator==(const TGIS_Point& a, const TGIS_Point& b) { return a.X == b.X && a.Y == b.Y; }

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& b, const void* p, size_t n) {
    const auto* c = static_cast<const uint8_t*>(p);
    b.insert(b.end(), c, c + n);
}
void PutInt(Bytes& b, int32_t v) { Put(b, &v, 4); }
void PutDouble(Bytes& b, double v) { Put(b, &v, 8); }

// An arc or polygon body: extent, counts, part starts, points.
Bytes PartsBody(const std::vector<int32_t>& starts, const std::vector<TGIS_Point>& points,
                int32_t numPoints = std::numeric_limits<int32_t>::min()) {
    Bytes b;
    for (double d : {0.0, 0.0, 10.0, 10.0}) PutDouble(b, d);
    PutInt(b, int32_t(starts.size()));
    PutInt(b, numPoints != std::numeric_limits<int32_t>::min() ? numPoints : int32_t(points.size()));
    for (int32_t s : starts) PutInt(b, s);
    for (const TGIS_Point& p : points) {
        PutDouble(b, p.X);
        PutDouble(b, p.Y);
    }
    return b;
}

Bytes MultipointBody(int32_t count, const std::vector<TGIS_Point>& points) {
    Bytes b;
    for (double d : {1.0, 2.0, 3.0, 4.0}) PutDouble(b, d);
    PutInt(b, count);
    for (const TGIS_Point& p : points) {
        PutDouble(b, p.X);
        PutDouble(b, p.Y);
    }
    return b;
}

std::vector<TGIS_Point> PointsOf(TGIS_Shape& s, int part = 0) {
    std::vector<TGIS_Point> r;
    for (int i = 0; i < s.GetPartSize(part); ++i) r.push_back(s.GetPoint(part, i));
    return r;
}

void ExpectExtent(const TGIS_Extent& e, double xmin, double ymin, double xmax, double ymax) {
    EXPECT_EQ(e.XMin, xmin);
    EXPECT_EQ(e.YMin, ymin);
    EXPECT_EQ(e.XMax, xmax);
    EXPECT_EQ(e.YMax, ymax);
}

// ---- buffer ----

TEST(ShapeBuffer, PartsStartEmptyAndSizesFollowTheLayout) {
    TGIS_ShapeArc arc;
    arc.AddPart();
    EXPECT_EQ(arc.GetNumParts(), 1);
    EXPECT_EQ(arc.GetNumPoints(), 0);
    EXPECT_EQ(arc.Capacity(), 128u);
    arc.AddPart();  // an empty last part is not followed by another
    EXPECT_EQ(arc.GetNumParts(), 1);

    TGIS_ShapeMultipoint mp;
    mp.AddPart();
    for (int i = 0; i < 3; ++i) mp.AddPoint({double(i), 1});
    EXPECT_EQ(mp.GeometrySize(), 84u);

    TGIS_ShapeArc two;
    two.AddPart();
    two.AddPoint({0, 0});
    two.AddPoint({1, 0});
    two.AddPoint({2, 0});
    two.AddPart();
    two.AddPoint({5, 5});
    two.AddPoint({6, 5});
    EXPECT_EQ(two.GetNumParts(), 2);
    EXPECT_EQ(two.GetNumPoints(), 5);
    EXPECT_EQ(two.GeometrySize(), 128u);
    EXPECT_EQ(PointsOf(two, 1), (std::vector<TGIS_Point>{{5, 5}, {6, 5}}));
    EXPECT_EQ(PointsOf(two, 0), (std::vector<TGIS_Point>{{0, 0}, {1, 0}, {2, 0}}));
    ExpectExtent(two.GetExtent(), 0, 0, 6, 5);
}

TEST(ShapeBuffer, GrowsToTwoFiftySixThenByHalf) {
    TGIS_ShapeMultipoint mp;
    mp.AddPart();
    std::vector<size_t> capacities{mp.Capacity()};
    for (int i = 0; i < 20000; ++i) {
        mp.AddPoint({double(i), double(-i)});
        if (mp.Capacity() != capacities.back()) capacities.push_back(mp.Capacity());
    }
    ASSERT_GE(capacities.size(), 3u);
    EXPECT_EQ(capacities[0], 128u);
    EXPECT_EQ(capacities[1], 256u);
    for (size_t i = 2; i < capacities.size(); ++i) EXPECT_GE(capacities[i], capacities[i - 1] * 3 / 2);
    // Linear building: a few dozen copies for 20,000 points, not 2,500.
    EXPECT_LT(capacities.size(), 30u);
    EXPECT_EQ(mp.GetPoint(0, 19999), (TGIS_Point{19999, -19999}));
}

TEST(ShapeBuffer, ForeignBytesAreCheckedBeforeUse) {
    struct Case {
        const char* what;
        uint8_t type;
        Bytes bytes;
        bool accepted;
    };
    const std::vector<TGIS_Point> three{{0, 0}, {1, 1}, {2, 2}};
    const Case cases[] = {
        {"point", gisShapeTypePoint, Bytes(16, 0), true},
        {"short point", gisShapeTypePoint, Bytes(15, 0), false},
        {"multipoint", gisShapeTypeMultipoint, MultipointBody(2, {{1, 2}, {3, 4}}), true},
        {"negative count", gisShapeTypeMultipoint, MultipointBody(-1, {}), false},
        {"count past the bytes", gisShapeTypeMultipoint, MultipointBody(3, {{1, 2}, {3, 4}}), false},
        {"huge count", gisShapeTypeMultipoint, MultipointBody(std::numeric_limits<int32_t>::max(), {}), false},
        {"header cut", gisShapeTypeArc, Bytes(39, 0), false},
        {"arc", gisShapeTypeArc, PartsBody({0, 2}, three), true},
        {"empty inner part", gisShapeTypeArc, PartsBody({0, 0, 3}, three), false},
        {"empty last part", gisShapeTypeArc, PartsBody({0, 3}, three), true},
        {"no parts", gisShapeTypePolygon, PartsBody({}, {}), false},
        {"points without parts", gisShapeTypePolygon, PartsBody({}, three), false},
        {"first part not at 0", gisShapeTypeArc, PartsBody({1, 2}, three), false},
        {"descending parts", gisShapeTypeArc, PartsBody({0, 2, 1}, three), false},
        {"part past the points", gisShapeTypeArc, PartsBody({0, 4}, three), false},
        {"negative points", gisShapeTypeArc, PartsBody({0}, {}, -2), false},
        {"points past the bytes", gisShapeTypePolygon, PartsBody({0}, three, 4), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TGIS_Shape> s;
        switch (c.type) {
        case gisShapeTypePoint: s = std::make_unique<TGIS_ShapePoint>(); break;
        case gisShapeTypeMultipoint: s = std::make_unique<TGIS_ShapeMultipoint>(); break;
        case gisShapeTypeArc: s = std::make_unique<TGIS_ShapeArc>(); break;
        default: s = std::make_unique<TGIS_ShapePolygon>(); break;
        }
        for (bool mapped : {true, false}) {
            EXPECT_EQ(s->Recreate(nullptr, c.bytes.data(), c.bytes.size(), mapped, 7, nullptr), c.accepted);
            EXPECT_EQ(s->HasGeometry(), c.accepted);
            EXPECT_EQ(s->Uid, 7);
            if (c.accepted) {
                EXPECT_LE(s->GeometrySize(), c.bytes.size());
            }
        }
    }
}

TEST(ShapeBuffer, MappedBytesAreReadInPlaceAtAnyAlignmentAndCopiedOnEdit) {
    Bytes raw(1, 0xAA);  // one byte in front: nothing is aligned
    const Bytes body = PartsBody({0}, {{1, 2}, {3, 4}});
    raw.insert(raw.end(), body.begin(), body.end());
    TGIS_ShapeArc arc(nullptr, raw.data() + 1, body.size(), true, 3, nullptr);
    ASSERT_TRUE(arc.Mapped());
    EXPECT_EQ(arc.Geometry(), raw.data() + 1);
    EXPECT_EQ(arc.Capacity(), 0u);
    EXPECT_EQ(PointsOf(arc), (std::vector<TGIS_Point>{{1, 2}, {3, 4}}));

    auto copy = arc.CreateCopy();
    EXPECT_FALSE(copy->Mapped());
    EXPECT_NE(copy->Geometry(), arc.Geometry());
    EXPECT_EQ(copy->Uid, 3);

    arc.AddPoint({5, 6});
    EXPECT_FALSE(arc.Mapped());
    EXPECT_NE(arc.Geometry(), raw.data() + 1);
    EXPECT_EQ(std::memcmp(raw.data() + 1, body.data(), body.size()), 0);  // the file's bytes are untouched
    EXPECT_EQ(arc.GetNumPoints(), 3);
}

TEST(ShapeBuffer, UnlockRecomputesTheExtentOnce) {
    TGIS_ShapeArc arc;
    arc.Lock(1);
    arc.AddPart();
    arc.AddPoint({5, 5});
    arc.AddPoint({-1, 8});
    arc.AddPoint({3, -2});
    ExpectExtent(arc.GetExtent(), 0, 0, 0, 0);  // no upkeep while locked
    arc.Unlock();
    EXPECT_EQ(arc.LockLevel, 0);
    ExpectExtent(arc.GetExtent(), -1, -2, 5, 8);
}

TEST(ShapeBuffer, NearestVertexTakesTheToleranceAsAbsolute) {
    TGIS_ShapeMultipoint mp;
    mp.AddPart();
    mp.AddPoint({0, 0});
    mp.AddPoint({0, 10});
    double d = 0;
    EXPECT_EQ(mp.NearestVertex({100, 100}, -5, d), (TGIS_Point{100, 100}));
    EXPECT_EQ(d, 5);
    EXPECT_EQ(mp.NearestVertex({0, 5}, -5, d), (TGIS_Point{0, 5}));  // not strictly nearer
    EXPECT_EQ(mp.NearestVertex({0, 5}, -6, d), (TGIS_Point{0, 0}));  // the earliest of a tie
    EXPECT_EQ(d, 5);
}

// ---- point ----

class VectorViewer : public ::testing::Test {
protected:
    void SetUp() override {
        v.SetBounds(0, 0, 200, 100);
        layer = new TGIS_LayerVector;
        v.Add(layer);
        layer->SetExtent({0, 0, 1000, 1000});
        v.RecalcExtent();
        v.SetZoom(1);
    }
    struct App {
        App() { UiTest::Init(); }
    } app;
    TGIS_Viewer v{nullptr};
    TGIS_LayerVector* layer = nullptr;
};

TEST_F(VectorViewer, PointDistanceCountsZeroInsideItsMarker) {
    layer->GetParams()->Marker().SetSize(-10);
    TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
    p->AddPart();
    p->AddPoint({100, 100});
    TGIS_Point nearest;
    EXPECT_EQ(p->DistanceToPart({103, 100}, 0, nearest, 0), 0);
    EXPECT_EQ(nearest, (TGIS_Point{103, 100}));
    EXPECT_EQ(p->DistanceToPart({108, 100}, 0, nearest, 0), 3);
    EXPECT_EQ(nearest, (TGIS_Point{100, 100}));

    // Without a viewer a pixel has no size: the plain distance.
    TGIS_ShapePoint free;
    free.AddPoint({100, 100});
    EXPECT_EQ(free.DistanceToPart({103, 100}, 0, nearest, 0), 3);
    EXPECT_EQ(nearest, (TGIS_Point{100, 100}));
}

TEST(ShapePoint, PartsRelationsAndClip) {
    TGIS_ShapePoint p;
    EXPECT_EQ(p.GetNumParts(), 0);
    EXPECT_FALSE(p.RelateExtent({0, 0, 10, 10}, 0));
    EXPECT_EQ(p.Clip({0, 0, 10, 10}), nullptr);
    p.AddPart();
    p.AddPoint({1, 1});
    p.AddPoint({5, 5});
    EXPECT_EQ(p.GetPoint(0, 0), (TGIS_Point{5, 5}));
    EXPECT_EQ(p.GetNumParts(), 1);
    EXPECT_EQ(p.GetPartSize(5), 1);
    ExpectExtent(p.GetExtent(), 5, 5, 5, 5);

    TGIS_ShapePolygon square;
    square.AddPart();
    for (TGIS_Point q : {TGIS_Point{0, 0}, {10, 0}, {10, 10}, {0, 10}}) square.AddPoint(q);
    struct Case {
        TGIS_Point at;
        bool inside;
    };
    for (const Case& c : {Case{{5, 5}, true}, Case{{15, 5}, false}, Case{{0, 5}, true}, Case{{10, 5}, false}}) {
        TGIS_ShapePoint q;
        q.AddPoint(c.at);
        EXPECT_EQ(q.RelateShape(&square, 0), c.inside) << c.at.X << " " << c.at.Y;
    }

    EXPECT_TRUE(p.RelateCircle({8, 9}, 2, 5));
    EXPECT_FALSE(p.RelateCircle({8, 9}, 0, 4.99));
    auto onEdge = p.Clip({5, 0, 10, 5});
    ASSERT_NE(onEdge, nullptr);
    EXPECT_EQ(onEdge->GetPoint(0, 0), (TGIS_Point{5, 5}));
    EXPECT_EQ(p.Clip({6, 0, 10, 5}), nullptr);

    TGIS_ShapeArc line;
    line.AddPart();
    line.AddPoint({0, 5});
    line.AddPoint({10, 5});
    EXPECT_TRUE(p.Intersects(&line));
    EXPECT_EQ(p.RelateShapeEx(&line), (TGIS_PointList{{5, 5}}));
    TGIS_ShapeMultipoint mp;
    mp.AddPart();
    mp.AddPoint({1, 1});
    EXPECT_FALSE(p.Intersects(&mp));
    mp.AddPoint({5, 5});
    EXPECT_TRUE(p.Intersects(&mp));
    EXPECT_TRUE(mp.Intersects(&p));
}

// ---- multipoint ----

TEST(ShapeMultipoint, EntryCentroidRelationsAndClip) {
    TGIS_ShapeMultipoint mp(nullptr, nullptr, 0, false, 9, nullptr);
    mp.AddPart();
    mp.AddPoint({1, 2});
    mp.AddPoint({3, 4});
    EXPECT_EQ(mp.GetNumPoints(), 2);
    ExpectExtent(mp.GetExtent(), 1, 2, 3, 4);
    EXPECT_EQ(mp.GeometrySize(), 68u);

    TGIS_ShapeMultipoint tri;
    tri.AddPart();
    for (TGIS_Point q : {TGIS_Point{0, 0}, {10, 0}, {2, 8}}) tri.AddPoint(q);
    EXPECT_EQ(tri.Centroid(), (TGIS_Point{5, 4}));
    for (uint8_t mode : {1, 2}) {
        EXPECT_TRUE(tri.RelateCircle({0, 0}, mode, 1)) << int(mode);
        EXPECT_TRUE(tri.RelateExtent({9, -1, 11, 1}, mode));
    }
    EXPECT_FALSE(tri.RelateCircle({0, 0}, 0, 1));
    EXPECT_TRUE(tri.RelateExtent({0, 0, 10, 8}, 0));  // bounds are inclusive

    TGIS_ShapeMultipoint three(nullptr, nullptr, 0, false, 42, nullptr);
    three.AddPart();
    for (TGIS_Point q : {TGIS_Point{1, 1}, {5, 5}, {20, 20}}) three.AddPoint(q);
    auto part = three.Clip({0, 0, 10, 10});
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->Uid, 42);
    EXPECT_EQ(PointsOf(*part), (std::vector<TGIS_Point>{{1, 1}, {5, 5}}));
    auto all = three.Clip({0, 0, 30, 30});
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->GetNumPoints(), 3);
    EXPECT_EQ(three.Clip({50, 50, 60, 60}), nullptr);

    TGIS_ShapeMultipoint two;
    two.AddPart();
    two.AddPoint({0, 0});
    two.AddPoint({0, 6});
    TGIS_Point nearest;
    EXPECT_EQ(two.DistanceToPart({0, 3}, 0, nearest, 0), 3);
    EXPECT_EQ(nearest, (TGIS_Point{0, 0}));
}

// ---- attributes ----

TEST(ShapeAttributes, GisNamesAndTypedStorage) {
    TGIS_LayerVector l;
    l.Open(nullptr);
    l.AddField("NAME", gisFieldString, 4, 0);
    l.AddField("FLAG", gisFieldLogical, 1, 0);
    l.AddField("COUNT", gisFieldNumber, 12, 0);
    l.AddField("SHARE", gisFieldNumber, 8, 2);
    l.AddField("RATE", gisFieldFloat, 8, 3);
    TGIS_Shape* s = l.CreateShape(gisShapeTypeMultipoint);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetField("GIS_UID").AsInteger(), s->Uid);
    EXPECT_FALSE(s->GetField("gis_selected").AsBoolean());
    EXPECT_TRUE(s->GetField("no such field").IsEmpty());
    // Before anything is set a field gives its type's default.
    EXPECT_EQ(s->GetField("COUNT").AsDouble(), 0);

    struct Case {
        const char* field;
        Variant value;
        TVarType type;
        double number;
    };
    const Case cases[] = {
        {"FLAG", Variant("y"), varBoolean, -1},
        {"FLAG", Variant(""), varBoolean, 0},
        {"FLAG", Variant("1"), varBoolean, -1},
        {"COUNT", Variant("12.5"), varInteger, 12},
        {"COUNT", Variant(-7.0), varInteger, -7},
        // A Decimal(12,0) value beyond 32 bits keeps its value.
        {"COUNT", Variant("3000000000"), varDouble, 3e9},
        {"COUNT", Variant(-3e9), varDouble, -3e9},
        {"SHARE", Variant("12.5"), varDouble, 12.5},
        {"RATE", Variant("0.125"), varDouble, 0.125},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        s->SetField(c.field, c.value);
        const Variant v = s->GetField(c.field);
        EXPECT_EQ(v.VarType(), c.type);
        EXPECT_EQ(v.AsDouble(), c.number);
    }

    s->SetField("FLAG", Variant("T"));
    EXPECT_THROW(s->SetField("FLAG", Variant("yes")), EGIS_Exception);
    EXPECT_TRUE(s->GetField("FLAG").AsBoolean());
    EXPECT_THROW(s->SetField("MISSING", Variant(1)), EGIS_Exception);

    s->SetField("NAME", Variant("longer than four"));
    EXPECT_EQ(l.Fields[0]->NewWidth, 16);
    EXPECT_EQ(s->GetField("name").AsString(), "longer than four");

    // Setting a later field first keeps the earlier ones at their defaults.
    TGIS_Shape* t = l.CreateShape(gisShapeTypeMultipoint);
    t->SetField("RATE", Variant(2.5));
    ASSERT_NE(t->Values, nullptr);
    EXPECT_EQ(t->Values->Count(), 5);
    EXPECT_EQ(t->GetField("NAME").AsString(), "");
    EXPECT_EQ(t->GetField("RATE").AsDouble(), 2.5);

    auto copy = s->CreateCopy();
    EXPECT_EQ(copy->GetField("COUNT").AsDouble(), -3e9);

    // Text numbers read with '.' whatever the separator in force.
    const char old = GetDecimalSeparator();
    SetDecimalSeparator(',');
    s->SetField("SHARE", Variant("2.25"));
    s->SetField("COUNT", Variant("4000000000.0"));
    SetDecimalSeparator(old);
    EXPECT_EQ(s->GetField("SHARE").AsDouble(), 2.25);
    EXPECT_EQ(s->GetField("COUNT").AsDouble(), 4e9);
}

// What a format layer does: shapes come from its file, edited ones from memory, both in ascending uids.
TEST(LayerVector, EditedShapesTakeThePlaceOfTheFilesOnes) {
    TGIS_LayerVector l;
    l.Open(nullptr);
    const Bytes body{0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0x40};  // (1, 2)
    std::vector<std::unique_ptr<TGIS_ShapePoint>> file;
    for (int32_t uid = 1; uid <= 5; ++uid)
        file.push_back(std::make_unique<TGIS_ShapePoint>(nullptr, body.data(), body.size(), true, uid, &l));

    // Editing uid 4 and then 2 puts copies into the list in uid order.
    TGIS_Shape* four = file[3]->MakeEditableCopy();
    ASSERT_NE(four, file[3].get());
    EXPECT_FALSE(four->Mapped());
    TGIS_Shape* two = file[1]->MakeEditableCopy();
    EXPECT_EQ(file[1]->MakeEditableCopy(), two);  // once only
    ASSERT_EQ(l.Shapes.size(), 2u);
    EXPECT_EQ(l.Shapes[0].get(), two);
    EXPECT_EQ(l.Shapes[1].get(), four);

    l.MoveFirst();
    std::vector<TGIS_Shape*> seen;
    for (auto& f : file) seen.push_back(l.FindEditedShape(f.get()));
    EXPECT_EQ(seen, (std::vector<TGIS_Shape*>{file[0].get(), two, file[2].get(), four, file[4].get()}));

    // A shape made outside the layer gets the next uid.
    TGIS_ShapePoint outside(nullptr, nullptr, 0, false, 0, &l);
    outside.AddPoint({3, 3});
    TGIS_Shape* added = outside.MakeEditableCopy();
    EXPECT_EQ(added->Uid, 5);
    EXPECT_EQ(l.Shapes.back().get(), added);
}

TEST(LayerVector, AFreedShapeNoLongerStylesTheLayersSection) {
    TGIS_LayerVector l;
    l.Open(nullptr);
    TGIS_Shape* s = l.CreateShape(gisShapeTypePoint);
    TGIS_ParamsSectionVector* section = s->GetParams();
    ASSERT_EQ(section->Shape(), s);
    l.RevertShape(s->Uid);
    EXPECT_EQ(l.GetShape(1), nullptr);
    EXPECT_EQ(section->Shape(), nullptr);
}

// ---- layer ----

TEST(LayerVector, ShapeTypesAndUids) {
    TGIS_LayerVector l;
    EXPECT_EQ(l.CreateShape(gisShapeTypeArc), nullptr);  // not opened: no type accepted yet
    l.Open(nullptr);
    EXPECT_EQ(l.GetNewUid(), 1);
    l.SupportedShapeTypes = GisShapeTypeBit(gisShapeTypeArc) | GisShapeTypeBit(gisShapeTypePolygon);
    TGIS_Shape* a = l.CreateShape(0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->ShapeType(), gisShapeTypeArc);
    EXPECT_EQ(l.CreateShape(gisShapeTypePoint), nullptr);
    EXPECT_EQ(l.CreateShape(7), nullptr);
    l.SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    l.CreateShape(2);
    l.CreateShape(3)->Uid = 5;
    EXPECT_EQ(l.GetNewUid(), 6);
    int index = -1;
    EXPECT_TRUE(l.FindShapeIndex(5, index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(l.FindShapeIndex(3, index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(l.FindShapeIndex(9, index));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(l.GetShape(2)->ShapeType(), gisShapeTypePoint);
    EXPECT_EQ(l.GetShape(4), nullptr);
}

TEST(LayerVector, FieldsAndExportNames) {
    TGIS_LayerVector l;
    l.Open(nullptr);
    l.AddFieldInternal("FILEFLD", gisFieldString, 10, 0, 10);
    EXPECT_FALSE(l.StructureModified);
    l.AddField("roadclass1", gisFieldString, 10, 0);
    l.AddField("roadclass2", gisFieldString, 10, 0);
    l.AddField("1abc", gisFieldString, 10, 0);
    EXPECT_TRUE(l.StructureModified);
    EXPECT_THROW(l.AddField("ROADCLASS1", gisFieldString, 1, 0), EGIS_Exception);
    EXPECT_THROW(l.ModifyField("none", "x", 1, 0), EGIS_Exception);
    EXPECT_THROW(l.DeleteField("none"), EGIS_Exception);

    l.PrepareExportNames(8);
    EXPECT_EQ(l.Fields[0]->ExportName, "FILEFLD");
    EXPECT_EQ(l.Fields[1]->ExportName, "roadclas");
    EXPECT_EQ(l.Fields[2]->ExportName, "roadcl01");
    EXPECT_EQ(l.Fields[3]->ExportName, "Fabc");
    l.StructureModified = false;
    l.PrepareExportNames(8);  // the same names again change nothing
    EXPECT_FALSE(l.StructureModified);
    l.PrepareExportNames(2);
    EXPECT_EQ(l.Fields[1]->ExportName, "road");
    EXPECT_EQ(l.Fields[2]->ExportName, "ro01");

    l.DeleteField("1abc");
    EXPECT_EQ(l.FindField("1ABC"), 3);
    l.ModifyField("FILEFLD", "RENAMED", 12, 1);
    EXPECT_EQ(l.FindFieldOriginal("filefld"), 0);
    l.RevertAll();
    ASSERT_EQ(l.Fields.size(), 1u);
    EXPECT_EQ(l.Fields[0]->NewName, "FILEFLD");
    EXPECT_EQ(l.Fields[0]->NewWidth, 10);
    EXPECT_EQ(l.FieldInfo(1), nullptr);
    EXPECT_EQ(l.FieldInfo(-1), nullptr);
}

// A layer answering for its fields by uid and index, as one keeping its attributes in a table of its own does.
class TTableLayer : public TGIS_LayerVector {
public:
    Variant GetFileField(int32_t uid, const std::string& fileField) override {
        return Variant("file " + fileField + " " + std::to_string(uid));
    }
    Variant GetTableField(int32_t uid, int index) override {
        if (index == 2) return Variant();
        return Variant("table " + std::to_string(index) + " " + std::to_string(uid));
    }
};

TEST(LayerVector, UnsetMemoryFieldsComeFromTheLayersTableAndFileFieldsFromItsFile) {
    TTableLayer l;
    l.Open(nullptr);
    l.AddFieldInternal("FILEFLD", gisFieldString, 10, 0, 10);
    l.AddField("MEM", gisFieldString, 20, 0);
    l.AddField("NUM", gisFieldNumber, 10, 2);
    TGIS_Shape* s = l.CreateShape(gisShapeTypePoint);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(VarToStr(s->GetField("FILEFLD")), "file FILEFLD 1");
    EXPECT_EQ(VarToStr(s->GetField("mem")), "table 1 1");
    // Nothing from the table: the field type's default.
    EXPECT_EQ(s->GetField("NUM").AsDouble(), 0.0);
    EXPECT_EQ(s->GetField("gis_uid").AsInteger(), 1);
    // A value set on the shape wins; the fields before it are taken over from where they were read.
    s->SetField("NUM", 2.5);
    EXPECT_EQ(s->GetField("NUM").AsDouble(), 2.5);
    EXPECT_EQ(VarToStr(s->GetField("MEM")), "table 1 1");
    EXPECT_EQ(VarToStr(s->GetField("FILEFLD")), "file FILEFLD 1");
}

TEST(LayerVector, ManyEqualNamesStayWithinTheWidth) {
    TGIS_LayerVector l;
    l.Open(nullptr);
    for (int i = 0; i < 260; ++i) l.AddField("SAMENAME" + std::to_string(i), gisFieldString, 10, 0);
    l.PrepareExportNames(6);
    for (size_t i = 0; i < l.Fields.size(); ++i) {
        EXPECT_LE(l.Fields[i]->ExportName.size(), 6u) << i;
        for (size_t j = 0; j < i; ++j) ASSERT_NE(l.Fields[i]->ExportName, l.Fields[j]->ExportName) << i << " " << j;
    }
    EXPECT_EQ(l.Fields[255]->ExportName, "SAMEFF");
    EXPECT_EQ(l.Fields[256]->ExportName, "SAM100");
}

TEST_F(VectorViewer, ScansKeepSmallShapesAndRunThroughViewChanges) {
    layer->GetParams()->Line().SetSmartSize(-50);  // 50 pixels, far more than the arcs span
    for (int i = 0; i < 3; ++i) {
        TGIS_Shape* a = layer->CreateShape(gisShapeTypeArc);
        a->Lock(1);
        a->AddPart();
        a->AddPoint({100.0 * i, 0});
        a->AddPoint({100.0 * i + 1, 1});
        a->Unlock();
    }
    v.ExtentChangedFlag = true;
    layer->RecalcExtent();
    ExpectExtent(layer->Extent, 0, 0, 201, 1);
    int seen = 0;
    layer->SetFilter(GisFullExtent(), "");
    for (layer->ScanFirst(); !layer->ScanEof(); layer->ScanNext()) ++seen;
    EXPECT_EQ(seen, 3);

    // A paint pass hides them and stops on a changed view.
    layer->InPaint = true;
    EXPECT_FALSE(layer->IsShapeVisible(layer->GetShape(1), GisFullExtent()));
    layer->ScanFirst();
    EXPECT_TRUE(layer->ScanEof());
    layer->InPaint = false;
    v.ExtentChangedFlag = false;
}

// A paint takes a shape by its draw extent, margins included; a polygon that meets the window without them is
// taken at once, and the verdict must be the one the draw extent gives.
TEST_F(VectorViewer, PaintVisibilityTakesTheDrawMargins) {
    auto box = [this](double x0, double x1) {
        TGIS_Shape* s = layer->CreateShape(gisShapeTypePolygon);
        s->Lock(1);
        s->AddPart();
        for (const TGIS_Point& p : Box(x0, 10, x1, 20)) s->AddPoint(p);
        s->Unlock();
        return s;
    };
    TGIS_Shape* inside = box(10, 20);
    TGIS_Shape* edge = box(100, 110);   // touches the window
    TGIS_Shape* margin = box(101, 110);  // only its margin of four pixels reaches in
    TGIS_Shape* away = box(200, 210);
    const TGIS_Extent window{0, 0, 100, 100};
    for (bool inPaint : {false, true}) {
        layer->InPaint = inPaint;
        for (TGIS_Shape* s : {inside, edge, margin, away}) {
            const TGIS_Extent e = s->GetProjectedExtent();
            const bool meets = e.XMax >= 0 && e.XMin <= 100 && e.YMax >= 0 && e.YMin <= 100;
            EXPECT_EQ(layer->IsShapeVisible(s, window), meets) << inPaint << " " << s->Uid;
        }
        EXPECT_TRUE(layer->IsShapeVisible(margin, window));
        EXPECT_FALSE(layer->IsShapeVisible(away, window));
        EXPECT_FALSE(layer->IsShapeVisible(inside, {0, 0, 100, 0}));  // a window without height
    }
    layer->InPaint = false;
}

TEST_F(VectorViewer, FilterQueryAndDeletedShapes) {
    layer->AddField("KIND", gisFieldNumber, 4, 0);
    for (int i = 0; i < 6; ++i) {
        TGIS_Shape* p = layer->CreateShape(gisShapeTypePoint);
        p->AddPart();
        p->AddPoint({100.0 * i, 10});
        p->SetField("KIND", Variant(i % 2));
    }
    layer->DeleteShape(3);
    std::vector<int> uids;
    layer->SetFilter({0, 0, 450, 20}, "KIND = 0");
    for (layer->ScanFirst(); !layer->ScanEof(); layer->ScanNext()) uids.push_back(layer->ScanCurrent()->Uid);
    EXPECT_EQ(uids, (std::vector<int>{1, 5}));
    layer->SetFilter({0, 0, 450, 20}, "");
    layer->SetSkipDeleted(false);
    uids.clear();
    for (layer->ScanFirst(); !layer->ScanEof(); layer->ScanNext()) uids.push_back(layer->ScanCurrent()->Uid);
    EXPECT_EQ(uids, (std::vector<int>{1, 2, 3, 4, 5}));
}

}  // namespace
