// The preview's sheet layer: its shapes read the sheets' numbers and corners from the list the layer keeps, and
// must read exactly what they read when every shape held its own values.
#include "app/unSheetLayer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/rtl/Variants.h"

namespace {

TStandardTessarol Sheet(const std::string& number, double west, double south, double x) {
    TStandardTessarol t;
    t.SheetNo = number;
    t.West = {west, 0, 0};
    t.South = {south, 0, 0};
    t.East = {west, 30, 0};
    t.North = {south, 20, 0};
    t.LT = {x, 2000};
    t.RT = {x + 1000, 2001};
    t.RB = {x + 1002, 1000.5};
    t.LB = {x + 3, 999.25};
    return t;
}

const char* const kFields[] = {"TFH", "LB_L", "LB_B", "RT_L", "RT_B", "LT_X", "LT_Y",
                               "RT_X", "RT_Y", "RB_X", "RB_Y", "LB_X", "LB_Y"};

// A layer of `sheets` count shapes, polygons as the preview makes them.
void AddShapes(TGIS_LayerVector& layer, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        TGIS_Shape* s = layer.CreateShape(gisShapeTypePolygon);
        s->AddPart();
        for (const TGIS_Point& p : {TGIS_Point{0, 1}, TGIS_Point{1, 1}, TGIS_Point{1, 0}, TGIS_Point{0, 0}})
            s->AddPoint(p);
    }
}

void ExpectSame(const Variant& got, const Variant& want, const std::string& what) {
    EXPECT_EQ(got.VarType(), want.VarType()) << what;
    if (want.IsString())
        EXPECT_EQ(got.StrRef(), want.StrRef()) << what;
    else
        EXPECT_EQ(got.AsDouble(), want.AsDouble()) << what;
}

TEST(SheetLayer, StandardSheetsReadAsIfEveryShapeHeldItsValues) {
    // Empty columns between and around, as the result lists give them; a sheet without a number.
    TStandardTessarols sheets{{},
                              {Sheet("J50E001001", 116, 38.5, 500000), Sheet("J50E002001", 116, 38, 500010)},
                              {},
                              {Sheet("", 116.5, 38.5, 510000)},
                              {}};
    TSheetLayer layer;
    layer.SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    layer.AddSheetFields();
    layer.SetSheets(sheets);
    AddShapes(layer, 3);

    // The values as they were once set shape by shape.
    TGIS_LayerVector plain;
    plain.SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    plain.AddField("TFH", gisFieldString, 60, 0);
    for (int i = 1; i < 13; ++i) plain.AddField(kFields[i], gisFieldNumber, 15, 5);
    AddShapes(plain, 3);
    size_t k = 0;
    for (const auto& column : sheets)
        for (const TStandardTessarol& t : column) {
            TGIS_Shape& s = *plain.Shapes[k++];
            s.SetField("TFH", t.SheetNo);
            const double v[12] = {DmsToDegree(t.West), DmsToDegree(t.South), DmsToDegree(t.East),
                                  DmsToDegree(t.North), t.LT.X, t.LT.Y, t.RT.X, t.RT.Y, t.RB.X, t.RB.Y, t.LB.X, t.LB.Y};
            for (int i = 0; i < 12; ++i) s.SetField(kFields[i + 1], v[i]);
        }

    ASSERT_EQ(layer.Fields.size(), 13u);
    for (size_t i = 0; i < 3; ++i)
        for (const char* f : kFields)
            ExpectSame(layer.Shapes[i]->GetField(f), plain.Shapes[i]->GetField(f),
                       std::string(f) + " of shape " + std::to_string(i));
    EXPECT_EQ(VarToStr(layer.Shapes[2]->GetField("TFH")), "");
    EXPECT_EQ(layer.Shapes[1]->GetField("lb_b").AsDouble(), 38.0);
    EXPECT_EQ(layer.FieldInfo(0)->NewWidth, 60);
}

TEST(SheetLayer, CustomSheetsGiveTheirCornersAndZeroDegrees) {
    const std::string longName(70, 'N');
    TSheetLayer layer;
    layer.SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    layer.AddSheetFields();
    layer.SetSheets(TCustomTessarols{{{"A1", 1000, 2000, 3000, 4000}}, {}, {{longName, 5, 6, 7, 8}}});
    AddShapes(layer, 2);
    const double want[13] = {0, 0, 0, 0, 0, 1000, 4000, 3000, 4000, 3000, 2000, 1000, 2000};
    for (int i = 1; i < 13; ++i) {
        const Variant v = layer.Shapes[0]->GetField(kFields[i]);
        EXPECT_EQ(v.VarType(), varDouble) << kFields[i];
        EXPECT_EQ(v.AsDouble(), want[i]) << kFields[i];
    }
    EXPECT_EQ(VarToStr(layer.Shapes[0]->GetField("TFH")), "A1");
    EXPECT_EQ(VarToStr(layer.Shapes[1]->GetField("TFH")), longName);
    EXPECT_EQ(layer.Shapes[1]->GetField("RB_Y").AsDouble(), 6.0);
    // A number longer than the field widens it, as storing it did.
    EXPECT_EQ(layer.FieldInfo(0)->NewWidth, 70);
}

TEST(SheetLayer, ValuesSetOnAShapeWinAndShapesBeyondTheSheetsHaveDefaults) {
    TSheetLayer layer;
    layer.SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    layer.AddSheetFields();
    layer.SetSheets(TStandardTessarols{{Sheet("J50E001001", 116, 38.5, 500000)}});
    AddShapes(layer, 2);
    TGIS_Shape& s = *layer.Shapes[0];
    s.SetField("RT_X", 7.5);
    EXPECT_EQ(s.GetField("RT_X").AsDouble(), 7.5);
    // The fields before it were taken over from the sheet, those after it are still read from there.
    EXPECT_EQ(VarToStr(s.GetField("TFH")), "J50E001001");
    EXPECT_EQ(s.GetField("LT_X").AsDouble(), 500000.0);
    EXPECT_EQ(s.GetField("LB_Y").AsDouble(), 999.25);
    // A shape added after the sheets has none of their values.
    TGIS_Shape& extra = *layer.Shapes[1];
    EXPECT_EQ(VarToStr(extra.GetField("TFH")), "");
    EXPECT_EQ(extra.GetField("LT_X").AsDouble(), 0.0);
    // A field added in memory later is the shapes' own.
    layer.AddField("NOTE", gisFieldString, 10, 0);
    EXPECT_EQ(VarToStr(s.GetField("NOTE")), "");
    s.SetField("NOTE", "x");
    EXPECT_EQ(VarToStr(s.GetField("NOTE")), "x");
    EXPECT_EQ(s.GetField("RB_X").AsDouble(), 501002.0);
}

// The ring as a polygon built point by point in a plain layer holds it.
TGIS_Shape* BuiltInPlace(TGIS_LayerVector& layer, const TGIS_Point (&c)[4]) {
    TGIS_Shape* s = layer.CreateShape(gisShapeTypePolygon);
    s->Lock(1);
    s->AddPart();
    for (const TGIS_Point& p : c) s->AddPoint(p);
    s->Unlock();
    return s;
}

void ExpectSameGeometry(TGIS_Shape& got, TGIS_Shape& want, const std::string& what) {
    ASSERT_EQ(got.GeometrySize(), want.GeometrySize()) << what;
    EXPECT_EQ(std::memcmp(got.Geometry(), want.Geometry(), want.GeometrySize()), 0) << what;
}

TEST(SheetLayer, RingsInTheLayersBlockAreTheBytesOfPolygonsBuiltPointByPoint) {
    const TGIS_Point rings[4][4] = {
        {{116, 39}, {116.5, 39}, {116.5, 38.5}, {116, 38.5}},
        {{500000.25, 4000100}, {501000, 4000101.5}, {501002, 3999000}, {500003, 3998999}},
        // A corner on the first one closes the ring early, as AddPoint does.
        {{1, 2}, {3, 2}, {1, 2}, {1, 0}},
        {{-5, -5}, {-4, -5}, {-4, -6}, {-5, -6}},
    };
    TSheetLayer layer;
    layer.SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    layer.AddSheetFields();
    layer.SetSheets(TStandardTessarols{{Sheet("A", 116, 38.5, 0), Sheet("B", 116, 38, 0)}, {Sheet("C", 117, 38, 0)}});
    TGIS_LayerVector plain;
    plain.SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    // The fourth ring is one more than the sheets: built in place.
    for (int i = 0; i < 4; ++i) {
        TGIS_Shape* got = layer.AddSheet(rings[i]);
        TGIS_Shape* want = BuiltInPlace(plain, rings[i]);
        EXPECT_EQ(got->Uid, want->Uid);
        EXPECT_EQ(got->Layer, &layer);
        ExpectSameGeometry(*got, *want, "ring " + std::to_string(i));
        EXPECT_EQ(got->Mapped(), i < 3);
    }
    ASSERT_EQ(layer.Shapes.size(), 4u);
    const TGIS_Extent e = layer.Extent, w = plain.Extent;
    EXPECT_EQ(e.XMin, w.XMin);
    EXPECT_EQ(e.YMin, w.YMin);
    EXPECT_EQ(e.XMax, w.XMax);
    EXPECT_EQ(e.YMax, w.YMax);
    EXPECT_EQ(VarToStr(layer.Shapes[2]->GetField("TFH")), "C");

    // An edited ring takes a buffer of its own; its neighbours keep theirs.
    TGIS_Shape& first = *layer.Shapes[0];
    first.MakeEditable();
    first.SetPartPoint(0, 1, {116.25, 39.5});
    EXPECT_FALSE(first.Mapped());
    EXPECT_EQ(first.GetPoint(0, 1).X, 116.25);
    EXPECT_EQ(first.GetPoint(0, 1).Y, 39.5);
    ExpectSameGeometry(*layer.Shapes[1], *plain.Shapes[1], "neighbour");
    EXPECT_EQ(layer.Shapes[1]->GetPoint(0, 0).X, 500000.25);
}

}  // namespace
