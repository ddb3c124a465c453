#include "gis/layers/GisLayerSHP.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisFileSHP.h"
#include "gis/layers/GisLayerMIF.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"
#include "tests/gis/layers/ShapeBuild.h"
#include "tests/gis/core/ChangedFile.h"

namespace {

std::string Dir(const std::string& name) {
    const std::string d = std::string(QM_TEST_OUT) + "/shp_" + name;
    mkdir(d.c_str(), 0755);
    return d;
}

// Output of a command, "" when it could not run.
std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

bool HasTool(const char* tool) { return !Shell(std::string("command -v ") + tool).empty(); }

// An in-memory layer with a polygon (with a hole), a line and a point, and a field of every type.
struct Source {
    TGIS_LayerVector layer;
    Source() {
        layer.UseConfig = false;
        layer.Open(nullptr);
        layer.AddField("NAME", gisFieldString, 16, 0);
        layer.AddField("COUNT", gisFieldNumber, 9, 0);
        layer.AddField("RATE", gisFieldFloat, 20, 5);
        layer.AddField("FLAG", gisFieldLogical, 1, 0);
        layer.AddField("BORN", gisFieldDate, 8, 0);
    }
    TGIS_Shape* Polygon(int i) {
        TGIS_Shape* s = layer.CreateShape(gisShapeTypePolygon);
        FillShape(*s, {Box(i, 0, i + 10, 10), Box(i + 2, 2, i + 4, 4, true)});
        s->SetField("NAME", Variant("poly" + std::to_string(i)));
        s->SetField("COUNT", Variant(i));
        s->SetField("RATE", Variant(i / 7.0));
        s->SetField("FLAG", Variant(i % 2 == 0));
        s->SetField("BORN", Variant::FromDate(EncodeDate(2000 + i, 1, 2)));
        return s;
    }
};

std::unique_ptr<TGIS_LayerSHP> OpenShp(const std::string& path) {
    auto l = std::make_unique<TGIS_LayerSHP>();
    l->UseConfig = false;
    l->Path = path;
    l->Open(nullptr);
    return l;
}

// A layer of the file, opened by the viewer that owns it.
TGIS_LayerSHP* AddShp(TGIS_Viewer& v, const std::string& path, const std::string& name) {
    auto* l = new TGIS_LayerSHP;
    l->UseConfig = false;
    l->Path = path;
    l->Name = name;
    v.Add(l);
    return l;
}
std::string Bytes(const std::string& path) {
    std::string s;
    return DiskReadAll(path, s) ? s : "<none>";
}

void PutBig(std::string& s, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(uint32_t(v) >> (24 - 8 * i));
}

template <class T>
void Append(std::string& s, T v) {
    s.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// A record body after its type word: the bounding box, counts, part starts, part types (a multipatch's, when
// given), the points, then each point's Z and M as the Z types carry them.
std::string PartsBody(const std::vector<int32_t>& starts, const std::vector<int32_t>& types,
                      const std::vector<TGIS_Point>& points, bool zm) {
    std::string b;
    for (double v : {0.0, 0.0, 100.0, 100.0}) Append(b, v);
    Append(b, int32_t(starts.size()));
    Append(b, int32_t(points.size()));
    for (int32_t i : starts) Append(b, i);
    for (int32_t t : types) Append(b, t);
    for (const TGIS_Point& p : points) Append(b, p.X), Append(b, p.Y);
    if (zm)
        for (int range = 0; range < 2; ++range) {
            Append(b, 0.0), Append(b, 9.0);
            for (size_t i = 0; i < points.size(); ++i) Append(b, double(i));
        }
    return b;
}

// A ".shp" of the type code and record bodies, and a ".dbf" with a "NAME" of "r1", "r2", ... for them.
void WriteRawShapefile(const std::string& path, int32_t type, const std::vector<std::string>& bodies) {
    std::string shp(100, '\0');
    PutBig(shp, 0, 9994);
    shp[28] = char(0xE8), shp[29] = 3;  // version 1000
    std::memcpy(&shp[32], &type, 4);
    const double box[] = {0, 0, 100, 100};
    std::memcpy(&shp[36], box, sizeof box);
    for (size_t i = 0; i < bodies.size(); ++i) {
        std::string r(8, '\0');
        PutBig(r, 0, int32_t(i + 1));
        PutBig(r, 4, int32_t((4 + bodies[i].size()) / 2));
        Append(r, type);
        shp += r + bodies[i];
    }
    PutBig(shp, 24, int32_t(shp.size() / 2));
    ASSERT_TRUE(DiskWriteAll(path, shp));
    std::string dbf(32, '\0');
    dbf[0] = 3;
    const uint32_t count = uint32_t(bodies.size());
    std::memcpy(&dbf[4], &count, 4);
    dbf[8] = 65, dbf[10] = 9;
    std::string field(32, '\0');
    std::memcpy(&field[0], "NAME", 4);
    field[11] = 'C', field[16] = 8;
    dbf += field + "\x0D";
    for (size_t i = 0; i < bodies.size(); ++i) {
        const std::string name = "r" + std::to_string(i + 1);
        dbf += " " + name + std::string(8 - name.size(), ' ');
    }
    ASSERT_TRUE(DiskWriteAll(TGIS_LayerSHP::TablePath(path), dbf + "\x1A"));
}

// Names of the shapes a scan gives, with their type and point count: "r1 polygon 5".
std::vector<std::string> ScanSummary(TGIS_LayerSHP& l) {
    std::vector<std::string> out;
    l.SetFilter(GisFullExtent(), "");
    for (l.ScanFirst(); !l.ScanEof(); l.ScanNext()) {
        TGIS_Shape* s = l.ScanCurrent();
        const char* type = s->ShapeType() == gisShapeTypePoint        ? "point"
                           : s->ShapeType() == gisShapeTypeMultipoint ? "multipoint"
                           : s->ShapeType() == gisShapeTypeArc        ? "arc"
                                                                      : "polygon";
        out.push_back(s->GetField("NAME").AsString() + " " + type + " " + std::to_string(s->GetNumPoints()));
    }
    return out;
}

}  // namespace

TEST(LayerSHP, WrittenShapesAndValuesReadBack) {
    Source src;
    for (int i = 1; i <= 3; ++i) src.Polygon(i);
    TGIS_Shape* line = src.layer.CreateShape(gisShapeTypeArc);  // another type: skipped
    FillShape(*line, {{{0, 0}, {1, 1}}});
    const std::string path = Dir("roundtrip") + "/poly.shp";
    TGIS_LayerSHP writer;
    writer.WriteFromLayer(src.layer, path, GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_FALSE(DiskExists(path + "~tmp"));

    auto l = OpenShp(path);
    EXPECT_EQ(l->SupportedShapeTypes, GisShapeTypeBit(gisShapeTypePolygon));
    EXPECT_EQ(l->Extent.XMin, 0);  // the source's extent, the skipped line's included
    EXPECT_EQ(l->Extent.XMax, 13);
    int n = 0;
    l->SetFilter(GisFullExtent(), "");
    for (l->ScanFirst(); !l->ScanEof(); l->ScanNext()) {
        ++n;
        TGIS_Shape* s = l->ScanCurrent();
        EXPECT_EQ(s->Uid, n);
        EXPECT_EQ(PartsOf(*s).size(), 2u);
        EXPECT_EQ(s->GetField("NAME").AsString(), "poly" + std::to_string(n));
        EXPECT_EQ(s->GetField("COUNT").AsInteger(), n);
        EXPECT_NEAR(s->GetField("RATE").AsDouble(), n / 7.0, 1e-15);
        EXPECT_EQ(s->GetField("FLAG").AsBoolean(), n % 2 == 0);
        EXPECT_EQ(s->GetField("BORN").AsDate(), EncodeDate(2000 + n, 1, 2));
    }
    EXPECT_EQ(n, 3);
    ASSERT_NE(l->GetShape(2), nullptr);
    EXPECT_EQ(l->GetShape(2)->GetExtent().XMin, 2);
    EXPECT_EQ(l->GetShape(4), nullptr);
    EXPECT_EQ(l->GetShape(0), nullptr);
    EXPECT_EQ(l->GetLastUid(), 3);
    EXPECT_EQ(l->GetNewUid(), 5);
    EXPECT_EQ(l->GetNewUid(), 7);

    if (HasTool("ogrinfo")) {
        const std::string info = Shell("ogrinfo -ro -al -so " + path);
        EXPECT_NE(info.find("Feature Count: 3"), std::string::npos) << info;
        EXPECT_NE(info.find("Extent: (0.000000, 0.000000) - (13.000000, 10.000000)"), std::string::npos) << info;
        // Every field type as GDAL reads it; the outer ring written clockwise, the hole the other way round.
        const std::string all = Shell("ogrinfo -ro -al -q " + path);
        for (const char* want : {"NAME (String) = poly3", "COUNT (Integer) = 3", "RATE (Real) = 0.42857",
                                 "FLAG (String) = Y", "BORN (Date) = 2003/01/02",
                                 "POLYGON ((1 0,1 10,11 10,11 0,1 0),(3 2,5 2,5 4,3 4,3 2))"})
            EXPECT_NE(all.find(want), std::string::npos) << want << "\n" << all;
    }
    if (HasTool("dbfdump")) {  // shapelib's dump prints no logical or date values
        const std::string dump = Shell("dbfdump -m " + Dir("roundtrip") + "/poly.dbf");
        for (const char* want : {"NAME: poly3", "COUNT:         3", "RATE:              0.42857"})
            EXPECT_NE(dump.find(want), std::string::npos) << want << "\n" << dump;
    }
    if (HasTool("shpdump")) {
        const std::string dump = Shell("shpdump " + path);
        EXPECT_NE(dump.find("# of Shapes: 3"), std::string::npos) << dump;
        EXPECT_NE(dump.find("nVertices=10, nParts=2"), std::string::npos) << dump;
    }
}

TEST(LayerSHP, OnePointFileHasTheDocumentedSizes) {
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    TGIS_Shape* p = src.CreateShape(gisShapeTypePoint);
    p->AddPoint({5, 6});
    const std::string d = Dir("point");
    TGIS_LayerSHP w;
    w.WriteFromLayer(src, d + "/p.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    const std::string shp = Bytes(d + "/p.shp"), shx = Bytes(d + "/p.shx");
    ASSERT_EQ(shp.size(), 128u);
    ASSERT_EQ(shx.size(), 108u);
    EXPECT_EQ(uint8_t(shp[27]), 64);
    EXPECT_EQ(uint8_t(shx[27]), 54);
    EXPECT_EQ(uint8_t(shx[103]), 50);
    EXPECT_EQ(uint8_t(shx[107]), 10);
}

TEST(LayerSHP, ShapeWithoutGeometryBecomesANullRecord) {
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    src.AddField("ID", gisFieldNumber, 5, 0);
    TGIS_Shape* a = src.CreateShape(gisShapeTypeArc);
    FillShape(*a, {{{0, 0}, {4, 4}}});
    a->SetField("ID", Variant(1));
    src.CreateShape(gisShapeTypeArc)->SetField("ID", Variant(2));
    TGIS_Shape* c = src.CreateShape(gisShapeTypeArc);
    FillShape(*c, {{{1, 1}, {2, 3}}});
    c->SetField("ID", Variant(3));
    const std::string path = Dir("null") + "/n.shp";
    TGIS_LayerSHP w;
    w.WriteFromLayer(src, path, GisFullExtent(), gisShapeTypeNull, "", false);
    auto l = OpenShp(path);
    l->SetFilter(GisFullExtent(), "");
    std::vector<int> ids;
    for (l->ScanFirst(); !l->ScanEof(); l->ScanNext()) ids.push_back(l->ScanCurrent()->GetField("ID").AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{1, 3}));
    EXPECT_EQ(l->GetShape(2), nullptr);
    ASSERT_NE(l->GetShape(3), nullptr);
    EXPECT_EQ(l->GetShape(3)->Uid, 3);
    if (HasTool("shpdump")) {
        const std::string dump = Shell("shpdump " + path);
        EXPECT_EQ(dump.find("orrupt"), std::string::npos) << dump;
    }
    if (HasTool("ogrinfo")) {
        EXPECT_NE(Shell("ogrinfo -ro -al -so " + path).find("Feature Count: 3"), std::string::npos);
    }
}

TEST(LayerSHP, ReadsWhatOgr2ogrWrites) {
    if (!HasTool("ogr2ogr")) GTEST_SKIP() << "ogr2ogr is not installed";
    const std::string d = Dir("ogr");
    const std::string json = d + "/in.geojson";
    DiskWriteAll(json, R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"name":"a","n":7,"r":1.5,"d":"2020-05-06","b":true},
 "geometry":{"type":"Polygon","coordinates":[[[0,0],[10,0],[10,10],[0,10],[0,0]],[[2,2],[2,4],[4,4],[4,2],[2,2]]]}},
{"type":"Feature","properties":{"name":null,"n":null,"r":null,"d":null,"b":null},"geometry":null},
{"type":"Feature","properties":{"name":"c","n":-3,"r":-0.25,"d":"1999-12-31","b":false},
 "geometry":{"type":"Polygon","coordinates":[[[20,20],[30,20],[30,30],[20,20]]]}}]})");
    DiskRemove(d + "/out.shp");
    DiskRemove(d + "/out.shx");
    DiskRemove(d + "/out.dbf");
    Shell("ogr2ogr -f 'ESRI Shapefile' " + d + "/out.shp " + json);
    auto l = OpenShp(d + "/out.shp");
    EXPECT_EQ(l->Extent.XMax, 30);
    l->SetFilter(GisFullExtent(), "");
    std::vector<std::string> names;
    for (l->ScanFirst(); !l->ScanEof(); l->ScanNext()) names.push_back(l->ScanCurrent()->GetField("name").AsString());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "c"}));
    TGIS_Shape* a = l->GetShape(1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetNumParts(), 2);
    EXPECT_EQ(a->GetField("n").AsInteger(), 7);
    EXPECT_EQ(a->GetField("r").AsDouble(), 1.5);
    EXPECT_EQ(a->GetField("d").AsDate(), EncodeDate(2020, 5, 6));
    EXPECT_TRUE(a->GetField("b").AsBoolean());
    TGIS_Shape* c = l->GetShape(3);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetField("n").AsInteger(), -3);
    EXPECT_EQ(c->GetField("r").AsDouble(), -0.25);
    EXPECT_FALSE(c->GetField("b").AsBoolean());
    EXPECT_TRUE(l->GetFileField(2, "r").IsEmpty());  // GDAL's null number
}

TEST(LayerSHP, DamagedRecordsEndOrSkipWithoutReadingOutside) {
    Source src;
    for (int i = 1; i <= 3; ++i) src.Polygon(i);
    const std::string d = Dir("damaged");
    TGIS_LayerSHP w;
    w.WriteFromLayer(src.layer, d + "/a.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    const std::string good = Bytes(d + "/a.shp"), goodIndex = Bytes(d + "/a.shx");
    const size_t record = (good.size() - 100) / 3;
    auto uids = [&](const std::string& shp, const std::string& shx) {
        DiskWriteAll(d + "/a.shp", shp);
        DiskWriteAll(d + "/a.shx", shx);
        auto l = OpenShp(d + "/a.shp");
        l->SetFilter(GisFullExtent(), "");
        std::vector<int> out;
        for (l->ScanFirst(); !l->ScanEof() && out.size() < 10; l->ScanNext()) out.push_back(l->ScanCurrent()->Uid);
        return out;
    };
    std::string loop = good;
    PutBig(loop, 100 + record + 4, -4);  // a negative content length ends the records
    EXPECT_EQ(uids(loop, goodIndex), (std::vector<int>{1}));
    std::string cut = good.substr(0, good.size() - 8);  // the last body runs past the file
    EXPECT_EQ(uids(cut, goodIndex), (std::vector<int>{1, 2}));
    std::string parts = good;
    PutBig(parts, 100 + record + 8 + 4 + 32, 0x7FFFFFFF);  // counts the body cannot hold: skipped
    parts[100 + record + 8 + 4 + 32] = char(0xFF);
    EXPECT_EQ(uids(parts, goodIndex), (std::vector<int>{1, 3}));
    std::string mixed = good;
    mixed[100 + record + 8] = 99;  // a record of no known type among polygons: skipped
    EXPECT_EQ(uids(mixed, goodIndex), (std::vector<int>{1, 3}));
    mixed[100 + record + 8] = 15;  // a polygon Z record among polygons: its polygon
    EXPECT_EQ(uids(mixed, goodIndex), (std::vector<int>{1, 2, 3}));
    std::string index = goodIndex;
    PutBig(index, 100 + 8, 0x7FFFFFF0);  // entry 2 points past the file
    uids(good, index);
    auto l = OpenShp(d + "/a.shp");
    EXPECT_EQ(l->GetShape(2), nullptr);
    ASSERT_NE(l->GetShape(3), nullptr);
    EXPECT_EQ(l->GetShape(3)->Uid, 3);
}

TEST(LayerSHP, SavingOverItsOwnFilesKeepsBackups) {
    Source src;
    for (int i = 1; i <= 2; ++i) src.Polygon(i);
    const std::string d = Dir("save");
    for (const char* f : {"/s.shp~", "/s.shx~", "/s.dbf~"}) DiskRemove(d + f);
    TGIS_LayerSHP w;
    w.WriteFromLayer(src.layer, d + "/s.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    const std::string before = Bytes(d + "/s.shp");
    auto l = OpenShp(d + "/s.shp");
    l->DeleteShape(1);
    l->WriteFromLayer(*l, d + "/s.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_EQ(Bytes(d + "/s.shp~"), before);
    EXPECT_TRUE(DiskExists(d + "/s.dbf~"));
    l->SetFilter(GisFullExtent(), "");
    int n = 0;
    for (l->ScanFirst(); !l->ScanEof(); l->ScanNext()) {
        ++n;
        EXPECT_EQ(l->ScanCurrent()->GetField("NAME").AsString(), "poly2");
    }
    EXPECT_EQ(n, 1);

    // Without its index a shape is found by a scan.
    DiskRemove(d + "/s.shx");
    l->Open(nullptr);
    ASSERT_NE(l->GetShape(1), nullptr);
    EXPECT_EQ(l->GetShape(1)->GetField("NAME").AsString(), "poly2");
    EXPECT_EQ(l->GetShape(2), nullptr);

    // A layer with no shapes left replaces its files with empty ones.
    l->DeleteShape(1);
    l->WriteFromLayer(*l, d + "/s.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_EQ(Bytes(d + "/s.shp").size(), 100u);
    EXPECT_EQ(Bytes(d + "/s.shx").size(), 100u);
    l->SetFilter(GisFullExtent(), "");
    l->ScanFirst();
    EXPECT_TRUE(l->ScanEof());

    // An export of nothing to another path leaves no files there.
    TGIS_LayerVector empty;
    empty.UseConfig = false;
    empty.Open(nullptr);
    TGIS_LayerSHP other;
    other.WriteFromLayer(empty, d + "/none.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_FALSE(DiskExists(d + "/none.shp"));
    EXPECT_FALSE(DiskExists(d + "/none.shp~tmp"));
}

TEST(LayerSHP, AFailedWriteLeavesTheTargetsAlone) {
    const std::string d = Dir("fail");
    DiskWriteAll(d + "/f.shp", "old shp");
    DiskWriteAll(d + "/f.dbf", "old dbf");
    Source src;
    src.Polygon(1);
    src.layer.Fields[1]->FieldType = 9;  // no dBASE type
    TGIS_LayerSHP w;
    EXPECT_THROW(w.WriteFromLayer(src.layer, d + "/f.shp", GisFullExtent(), gisShapeTypeNull, "", false),
                 EGIS_Exception);
    EXPECT_EQ(Bytes(d + "/f.shp"), "old shp");
    EXPECT_EQ(Bytes(d + "/f.dbf"), "old dbf");
    for (const char* f : {"/f.shp~tmp", "/f.shx~tmp", "/f.dbf~tmp", "/f.shp~"}) EXPECT_FALSE(DiskExists(d + f)) << f;
}

TEST(LayerSHP, CreateEmptyAndCompanionCase) {
    const std::string d = Dir("empty");
    for (const char* f : {"/E.SHP", "/E.DBF", "/E.shx", "/E.dbf"}) DiskRemove(d + f);
    TGIS_LayerSHP l;
    l.UseConfig = false;
    l.AddField("NAME", gisFieldString, 10, 0);
    l.CreateEmpty(d + "/E.SHP", {0, 0, 1, 1}, gisShapeTypeArc);
    EXPECT_TRUE(DiskExists(d + "/E.DBF"));
    EXPECT_EQ(Bytes(d + "/E.SHP").size(), 100u);
    try {
        l.CreateEmpty(d + "/E.SHP", {0, 0, 1, 1}, gisShapeTypeArc);
        FAIL() << "an existing file was overwritten";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 33);
    }
    auto r = OpenShp(d + "/E.SHP");
    EXPECT_EQ(r->SupportedShapeTypes, GisShapeTypeBit(gisShapeTypeArc));
    ASSERT_EQ(r->Fields.size(), 1u);
    r->SetFilter(GisFullExtent(), "");
    r->ScanFirst();
    EXPECT_TRUE(r->ScanEof());
    EXPECT_EQ(r->GetLastUid(), 0);
}

TEST(LayerSHP, WithoutAnIndexAShapeOutsideTheViewersExtentIsFoundByItsUid) {
    Source src;
    src.Polygon(1);
    src.Polygon(100);
    const std::string d = Dir("noindex");
    TGIS_LayerSHP w;
    w.WriteFromLayer(src.layer, d + "/n.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    // Bounds written by another program that leave the second shape out, and no ".shx".
    std::string shp = Bytes(d + "/n.shp");
    const double bounds[4] = {1, 0, 11, 10};
    std::memcpy(&shp[36], bounds, sizeof bounds);
    ASSERT_TRUE(DiskWriteAll(d + "/n.shp", shp));
    DiskRemove(d + "/n.shx");
    UiTest::Init();
    TGIS_Viewer v(nullptr);
    auto* l = AddShp(v, d + "/n.shp", "n");
    EXPECT_EQ(v.Extent.XMax, 11);
    ASSERT_NE(l->GetShape(2), nullptr);
    EXPECT_EQ(l->GetShape(2)->GetExtent().XMin, 100);
    ASSERT_NE(l->GetShape(1), nullptr);
    EXPECT_EQ(l->GetShape(1)->GetExtent().XMin, 1);
    EXPECT_EQ(l->GetShape(3), nullptr);
}

TEST(LayerSHP, AnAbortedExportLeavesTheTargetsAndTheIndexAnswersAsTheScan) {
    UiTest::Init();
    TGIS_Viewer v(nullptr);
    auto* src = new TGIS_LayerVector;
    src->UseConfig = false;
    src->Name = "src";
    v.Add(src);
    src->AddField("N", gisFieldNumber, 6, 0);
    for (int i = 0; i < 400; ++i) {
        TGIS_Shape* s = src->CreateShape(gisShapeTypePolygon);
        FillShape(*s, {Box(i % 20 * 10, i / 20 * 10, i % 20 * 10 + 8, i / 20 * 10 + 8)});
        s->SetField("N", Variant(i));
    }
    src->RecalcExtent();
    const std::string d = Dir("abort");
    DiskWriteAll(d + "/a.shp", "old");
    DiskRemove(d + "/a.dbf");
    std::vector<int32_t> busy;
    v.OnBusy = [&busy](TObject*, int32_t pos, int32_t, bool& abort) {
        busy.push_back(pos);
        abort = pos > 150;
    };
    TGIS_LayerSHP w;
    w.WriteFromLayer(*src, d + "/a.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_EQ(Bytes(d + "/a.shp"), "old");
    EXPECT_FALSE(DiskExists(d + "/a.dbf"));
    EXPECT_FALSE(DiskExists(d + "/a.shp~tmp"));
    EXPECT_FALSE(DiskExists(d + "/a.dbf~tmp"));
    ASSERT_GE(busy.size(), 3u);
    EXPECT_EQ(busy.back(), -1);

    v.OnBusy = nullptr;
    w.WriteFromLayer(*src, d + "/a.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    auto* l = AddShp(v, d + "/a.shp", "shp");
    l->PrepareRTree(true);
    ASSERT_TRUE(l->HasRTree());
    const TGIS_Extent box{15, 15, 55, 35};
    std::vector<int> found, scanned;
    for (TGIS_Shape* s = l->FindFirst(box); s; s = l->FindNext()) found.push_back(s->GetField("N").AsInteger());
    l->SetFilter(box, "");
    for (l->ScanFirst(); !l->ScanEof(); l->ScanNext()) scanned.push_back(l->ScanCurrent()->GetField("N").AsInteger());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, scanned);
    EXPECT_EQ(scanned.size(), 15u);
}

// What holds the working names of old ("x~tmp") is the user's, and the R-tree is written as its own file.
TEST(LayerSHP, FilesAndEmptyFoldersNamedLikeOldWorkingNamesSurvive) {
    std::filesystem::remove_all(std::string(QM_TEST_OUT) + "/shp_names");
    const std::string d = Dir("names");
    Source src;
    for (int i = 0; i < 3; ++i) src.Polygon(i * 20);
    TGIS_LayerSHP w;
    w.WriteFromLayer(src.layer, d + "/a.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    DiskWriteAll(d + "/b.shp~tmp", "user shp");
    std::filesystem::create_directories(d + "/b.dbf~tmp");
    DiskWriteAll(d + "/b.shp.rtree~tmp", "user tree");
    UiTest::Init();
    TGIS_Viewer v(nullptr);
    auto* a = AddShp(v, d + "/a.shp", "a");
    a->PrepareRTree(true);
    ASSERT_TRUE(a->HasRTree());
    w.WriteFromLayer(*a, d + "/b.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_EQ(Bytes(d + "/b.shp~tmp"), "user shp");
    EXPECT_TRUE(std::filesystem::is_directory(d + "/b.dbf~tmp"));
    EXPECT_EQ(Bytes(d + "/b.shp.rtree~tmp"), "user tree");
    EXPECT_GE(Bytes(d + "/b.shp.rtree").size(), 1024u);
    auto b = OpenShp(d + "/b.shp");
    b->SetFilter(GisFullExtent(), "");
    int n = 0;
    for (b->ScanFirst(); !b->ScanEof(); b->ScanNext()) ++n;
    EXPECT_EQ(n, 3);
    for (auto& e : std::filesystem::directory_iterator(d)) EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

TEST(LayerSHP, PointsAndMultipointsAtUnalignedOffsets) {
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    for (int i = 0; i < 5; ++i) src.CreateShape(gisShapeTypePoint)->AddPoint({i + 0.5, -i - 0.25});
    const std::string d = Dir("points");
    TGIS_LayerSHP w;
    w.WriteFromLayer(src, d + "/p.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    auto l = OpenShp(d + "/p.shp");
    l->SetFilter(GisFullExtent(), "");
    int i = 0;
    // Point records are 28 bytes long: every other body starts off an 8-byte boundary.
    for (l->ScanFirst(); !l->ScanEof(); l->ScanNext(), ++i) {
        const TGIS_Point p = l->ScanCurrent()->GetPoint(0, 0);
        EXPECT_EQ(p.X, i + 0.5);
        EXPECT_EQ(p.Y, -i - 0.25);
    }
    EXPECT_EQ(i, 5);

    TGIS_LayerVector multi;
    multi.UseConfig = false;
    multi.Open(nullptr);
    for (int k = 1; k <= 3; ++k) {
        TGIS_Shape* s = multi.CreateShape(gisShapeTypeMultipoint);
        for (int j = 0; j < k; ++j) s->AddPoint({double(k), j + 0.5});
    }
    w.WriteFromLayer(multi, d + "/m.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    auto m = OpenShp(d + "/m.shp");
    EXPECT_EQ(m->SupportedShapeTypes, GisShapeTypeBit(gisShapeTypeMultipoint));
    for (int k = 1; k <= 3; ++k) {
        TGIS_Shape* s = m->GetShape(k);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->GetNumPoints(), k);
        EXPECT_EQ(s->GetPoint(0, k - 1).Y, k - 0.5);
    }
}

TEST(LayerSHP, RingsAreWrittenClockwiseOutsideAndCounterClockwiseInside) {
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    // An outer ring, a hole, an island in the hole and a second outer ring; all but the last drawn the wrong way.
    FillShape(*src.CreateShape(gisShapeTypePolygon), {Box(0, 0, 10, 10), Box(2, 2, 8, 8, true), Box(4, 4, 6, 6),
                                                      Box(20, 0, 30, 10, true)});
    const std::string path = Dir("rings") + "/r.shp";
    TGIS_LayerSHP w;
    w.WriteFromLayer(src, path, GisFullExtent(), gisShapeTypeNull, "", false);
    auto l = OpenShp(path);
    TGIS_Shape* s = l->GetShape(1);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->GetNumParts(), 4);
    const bool clockwise[] = {true, false, true, true};
    const double firstX[] = {0, 2, 4, 20};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        double twiceArea = 0;  // positive for clockwise
        const int n = s->GetPartSize(k);
        for (int i = 0, j = n - 1; i < n; j = i++)
            twiceArea += (s->GetPoint(k, i).X - s->GetPoint(k, j).X) * (s->GetPoint(k, i).Y + s->GetPoint(k, j).Y);
        EXPECT_EQ(twiceArea > 0, clockwise[k]);
        EXPECT_EQ(s->GetPoint(k, 0).X, firstX[k]);  // the ring keeps its first point
    }
    EXPECT_DOUBLE_EQ(s->Area(), 100 - 36 + 4 + 100);
}

// The kernel's message names the user's file and says why, whichever temporary file the write failed on.
TEST(LayerSHP, WriteErrorsNameTheTargetAndTheCauseAndReadOnlyFilesAreRefused) {
    std::filesystem::remove_all(std::string(QM_TEST_OUT) + "/shp_errors");
    const std::string d = Dir("errors");
    Source src;
    src.Polygon(1);
    TGIS_LayerSHP w;
    auto messageOf = [&](const std::string& path) -> std::string {
        try {
            w.WriteFromLayer(src.layer, path, GisFullExtent(), gisShapeTypeNull, "", false);
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.ErrorCode, 32);
            return e.Message;
        }
        return "<no error>";
    };
    // The table's new file cannot grow past its header (a full disk, or a size limit as here).
    std::string full;
    {
        FileSizeLimit limit(150);
        full = messageOf(d + "/full.shp");
    }
    EXPECT_NE(full.find("\"" + d + "/full.dbf\""), std::string::npos) << full;
    EXPECT_EQ(full.find("/proc/"), std::string::npos) << full;
    EXPECT_EQ(full.find(".qm"), std::string::npos) << full;
    EXPECT_NE(full.find(FileErrorText(EFBIG)), std::string::npos) << full;
    EXPECT_FALSE(DiskExists(d + "/full.shp"));
    EXPECT_TRUE(std::filesystem::is_empty(d));

    // A read-only index is not replaced, even for the superuser.
    DiskWriteAll(d + "/ro.shp", "old shp");
    DiskWriteAll(d + "/ro.shx", "old shx");
    chmod((d + "/ro.shx").c_str(), 0444);
    const std::string ro = messageOf(d + "/ro.shp");
    EXPECT_NE(ro.find("\"" + d + "/ro.shx\" 没有访问权限。"), std::string::npos) << ro;
    EXPECT_EQ(Bytes(d + "/ro.shp"), "old shp");
    EXPECT_EQ(Bytes(d + "/ro.shx"), "old shx");
    for (const char* f : {"/ro.shp~tmp", "/ro.shx~tmp", "/ro.dbf~tmp", "/ro.shp~", "/ro.dbf"})
        EXPECT_FALSE(DiskExists(d + f)) << f;
}

TEST(LayerSHP, ZMAndMultipatchRecordsReadAsTheirPlainShapes) {
    const std::string d = Dir("zm");
    const std::vector<TGIS_Point> square = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
    std::string point;
    for (double v : {3.0, 4.0, 5.0, 6.0}) Append(point, v);  // X, Y, Z, M
    WriteRawShapefile(d + "/p.shp", 11, {point, point.substr(0, 24)});
    auto p = OpenShp(d + "/p.shp");
    EXPECT_EQ(p->SupportedShapeTypes, GisShapeTypeBit(gisShapeTypePoint));
    EXPECT_EQ(ScanSummary(*p), (std::vector<std::string>{"r1 point 1", "r2 point 1"}));
    ASSERT_NE(p->GetShape(1), nullptr);
    EXPECT_EQ(p->GetShape(1)->GetPoint(0, 0).X, 3);
    EXPECT_EQ(p->GetShape(1)->GetPoint(0, 0).Y, 4);

    WriteRawShapefile(d + "/a.shp", 23, {PartsBody({0, 2}, {}, square, true)});
    auto a = OpenShp(d + "/a.shp");
    EXPECT_EQ(a->SupportedShapeTypes, GisShapeTypeBit(gisShapeTypeArc));
    EXPECT_EQ(ScanSummary(*a), (std::vector<std::string>{"r1 arc 5"}));
    EXPECT_EQ(a->GetShape(1)->GetNumParts(), 2);

    WriteRawShapefile(d + "/g.shp", 15, {PartsBody({0}, {}, square, true)});
    auto g = OpenShp(d + "/g.shp");
    EXPECT_EQ(g->SupportedShapeTypes, GisShapeTypeBit(gisShapeTypePolygon));
    EXPECT_EQ(ScanSummary(*g), (std::vector<std::string>{"r1 polygon 5"}));
    EXPECT_DOUBLE_EQ(g->GetShape(1)->Area(), 100);

    std::string multi;
    for (double v : {0.0, 0.0, 9.0, 9.0}) Append(multi, v);
    Append(multi, int32_t(2));
    for (double v : {1.0, 2.0, 8.0, 9.0, 0.0, 1.0, 0.0, 1.0, 0.0, 1.0, 0.0, 1.0}) Append(multi, v);
    WriteRawShapefile(d + "/m.shp", 28, {multi});
    auto m = OpenShp(d + "/m.shp");
    EXPECT_EQ(ScanSummary(*m), (std::vector<std::string>{"r1 multipoint 2"}));
    EXPECT_EQ(m->GetShape(1)->GetPoint(0, 1).X, 8);
}

TEST(LayerSHP, MultipatchPartsBecomeRingsAndDamagedOnesAreSkipped) {
    const std::string d = Dir("patch");
    // A strip of five points (three triangles), a fan of four (two), an outer ring, a part of an unknown type.
    std::vector<TGIS_Point> points = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0},             // strip
                                      {10, 10}, {10, 11}, {11, 11}, {11, 10},            // fan
                                      {20, 20}, {20, 30}, {30, 30}, {30, 20}, {20, 20},  // ring
                                      {50, 50}, {51, 51}, {52, 50}};
    const std::string patch = PartsBody({0, 5, 9, 14}, {0, 1, 2, 99}, points, true);
    std::string counts = patch;
    const int32_t tooMany = 1000000;
    std::memcpy(&counts[32], &tooMany, 4);
    std::string order = patch;  // part starts that go back
    const int32_t back = 2;
    std::memcpy(&order[40 + 8], &back, 4);
    WriteRawShapefile(d + "/m.shp", 31,
                      {patch, counts, order, PartsBody({0}, {0}, {{0, 0}, {1, 1}}, false), patch.substr(0, 60)});
    auto l = OpenShp(d + "/m.shp");
    EXPECT_EQ(l->SupportedShapeTypes, GisShapeTypeBit(gisShapeTypePolygon));
    EXPECT_EQ(ScanSummary(*l), (std::vector<std::string>{"r1 polygon 25"}));
    TGIS_Shape* s = l->GetShape(1);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->GetNumParts(), 6);
    const std::vector<TGIS_Point> triangles[] = {{{0, 0}, {0, 1}, {1, 0}, {0, 0}},
                                                 {{1, 0}, {1, 1}, {2, 0}, {1, 0}},
                                                 {{10, 10}, {11, 11}, {11, 10}, {10, 10}}};
    const int at[] = {0, 2, 4};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(s->GetPoint(at[k], i).X, triangles[k][size_t(i)].X) << k << " " << i;
            EXPECT_EQ(s->GetPoint(at[k], i).Y, triangles[k][size_t(i)].Y) << k << " " << i;
        }
    EXPECT_EQ(s->GetPartSize(5), 5);
    EXPECT_EQ(s->GetPoint(5, 2).X, 30);
    EXPECT_EQ(l->GetShape(2), nullptr);
}

TEST(LayerSHP, TextIsReadInTheEncodingTheCpgNamesAndWrittenAsBefore) {
    const std::string d = Dir("cpg");
    std::string point;
    for (double v : {3.0, 4.0}) Append(point, v);
    WriteRawShapefile(d + "/u.shp", 1, {point, point});
    for (const char* f : {"/u.cpg~", "/u.dbf~", "/u.cpg"}) DiskRemove(d + f);
    // Beijing in UTF-8 and a name that GBK lacks.
    std::string dbf = Bytes(d + "/u.dbf");
    const std::string beijing = "\xE5\x8C\x97\xE4\xBA\xAC", other = "\xE0\xB8\x81";
    dbf.replace(dbf.size() - 18, 6, beijing);
    dbf.replace(dbf.size() - 9, 3, other);
    DiskWriteAll(d + "/u.dbf", dbf);

    auto plain = OpenShp(d + "/u.shp");
    EXPECT_EQ(plain->GetShape(1)->GetField("NAME").AsString(), beijing);  // no ".cpg": the layer's code page

    DiskWriteAll(d + "/u.cpg", "UTF-8\r\n");
    auto l = OpenShp(d + "/u.shp");
    EXPECT_EQ(l->GetShape(1)->GetField("NAME").AsString(), "北京");
    EXPECT_EQ(l->GetShape(2)->GetField("NAME").AsString(), "?");
    // Saved over itself, the table holds the program's text and its ".cpg" says so; the old ones are backups.
    l->WriteFromLayer(*l, d + "/u.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_EQ(Bytes(d + "/u.cpg"), "936");
    EXPECT_EQ(Bytes(d + "/u.cpg~"), "UTF-8\r\n");
    EXPECT_NE(Bytes(d + "/u.dbf").find("北京"), std::string::npos);
    EXPECT_EQ(l->GetShape(1)->GetField("NAME").AsString(), "北京");
    EXPECT_EQ(OpenShp(d + "/u.shp")->GetShape(1)->GetField("NAME").AsString(), "北京");

    // A ".cpg" that names nothing iconv knows leaves the layer's code page in force.
    DiskWriteAll(d + "/u.dbf", dbf);
    DiskWriteAll(d + "/u.cpg", "no such page");
    EXPECT_EQ(OpenShp(d + "/u.shp")->GetShape(1)->GetField("NAME").AsString(), beijing);
}

namespace {

// A ".dbf" of columns (name, type letter, width, decimals) and rows of their texts: text left-aligned, the
// rest right-aligned; `driver` is the header's language-driver byte.
std::string RawTable(const std::vector<std::tuple<std::string, char, int, int>>& columns,
                     const std::vector<std::vector<std::string>>& rows, uint8_t driver = 0) {
    std::string h(32, '\0');
    h[0] = 3;
    h[29] = char(driver);
    const uint32_t count = uint32_t(rows.size());
    std::memcpy(&h[4], &count, 4);
    uint16_t headerLength = uint16_t(32 + 32 * columns.size() + 1), recordLength = 1;
    for (const auto& c : columns) recordLength = uint16_t(recordLength + std::get<2>(c));
    std::memcpy(&h[8], &headerLength, 2);
    std::memcpy(&h[10], &recordLength, 2);
    for (const auto& [name, type, width, decimals] : columns) {
        std::string d(32, '\0');
        std::memcpy(&d[0], name.data(), name.size());
        d[11] = type, d[16] = char(width), d[17] = char(decimals);
        h += d;
    }
    h += '\x0D';
    for (const auto& row : rows) {
        h += ' ';
        for (size_t i = 0; i < row.size(); ++i) {
            const std::string pad(size_t(std::get<2>(columns[i])) - row[i].size(), ' ');
            h += std::get<1>(columns[i]) == 'C' ? row[i] + pad : pad + row[i];
        }
    }
    return h + '\x1A';
}

// A ".dbf" of number columns (name, width, decimals) and rows of their texts, right-aligned.
std::string NumberTable(const std::vector<std::tuple<std::string, int, int>>& columns,
                        const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::tuple<std::string, char, int, int>> typed;
    for (const auto& [name, width, decimals] : columns) typed.emplace_back(name, 'N', width, decimals);
    return RawTable(typed, rows);
}

// A point shapefile of `count` records that GDAL reads (its index included), with the table given.
void WritePointShapefile(const std::string& path, int count, const std::string& dbf) {
    std::string point;
    for (double v : {3.0, 4.0}) Append(point, v);
    WriteRawShapefile(path, 1, std::vector<std::string>(size_t(count), point));
    std::string shx = Bytes(path).substr(0, 100);
    PutBig(shx, 24, (100 + count * 8) / 2);
    for (int i = 0; i < count; ++i) {
        std::string entry(8, '\0');
        PutBig(entry, 0, (100 + 28 * i) / 2);
        PutBig(entry, 4, 10);
        shx += entry;
    }
    ASSERT_TRUE(DiskWriteAll(TGIS_LayerSHP::IndexPath(path), shx));
    ASSERT_TRUE(DiskWriteAll(TGIS_LayerSHP::TablePath(path), dbf));
}

// ogr_fields.py over the files; empty when GDAL's bindings are missing.
std::string OgrFields(const std::string& files) {
    const std::string script = std::string(QM_SOURCE_DIR) + "/tests/gis/layers/ogr_fields.py ";
    const std::string out = Shell("/usr/bin/python3 " + script + files);
    return out.find("--") == std::string::npos ? "" : out;
}

}  // namespace

TEST(LayerSHP, RealColumnsWrittenBackReadByGdalAsTheyWere) {
    const std::string d = Dir("reals");
    std::string point;
    for (double v : {3.0, 4.0}) Append(point, v);
    WriteRawShapefile(d + "/in.shp", 1, {point, point, point, point});
    std::string shx = Bytes(d + "/in.shp").substr(0, 100);  // GDAL wants the index
    PutBig(shx, 24, (100 + 4 * 8) / 2);
    for (int i = 0; i < 4; ++i) {
        std::string entry(8, '\0');
        PutBig(entry, 0, (100 + 28 * i) / 2);
        PutBig(entry, 4, 10);
        shx += entry;
    }
    ASSERT_TRUE(DiskWriteAll(d + "/in.shx", shx));
    // GDAL's own real column, one narrower than its decimals need, and one whose writer used exponents.
    const std::vector<std::vector<std::string>> rows = {
        {"889953.000000000000000", "1.23456789012345678", "1.33861297e+009", "2147483647"},
        {"123456789.123456789012", "12.3456789012345678", "-1234.567891", "-214748364"},
        {"-9999999.99999999999999", "-0.0000000000000001", "9.9999999999e+14", "0"},
        {"0.000000000000001", "0.00000000000000000", "-7.5e-001", "9999999999"}};
    ASSERT_TRUE(DiskWriteAll(d + "/in.dbf", NumberTable({{"POP", 24, 15}, {"RATIO", 19, 17}, {"AREA", 16, 6},
                                                         {"CODE", 10, 0}},
                                                        rows)));
    for (const char* f : {"/out.shp", "/out.shx", "/out.dbf", "/out.cpg"}) DiskRemove(d + f);
    auto in = OpenShp(d + "/in.shp");
    TGIS_LayerSHP out;
    out.WriteFromLayer(*in, d + "/out.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    // Widths as they were, and each value where it was.
    auto back = OpenShp(d + "/out.shp");
    ASSERT_EQ(back->Fields.size(), 4u);
    EXPECT_EQ(back->Fields[0]->Width, 24);
    EXPECT_EQ(back->Fields[1]->Width, 19);
    EXPECT_EQ(back->Fields[2]->Width, 16);
    EXPECT_DOUBLE_EQ(back->GetShape(1)->GetField("POP").AsDouble(), 889953);
    EXPECT_DOUBLE_EQ(back->GetShape(1)->GetField("AREA").AsDouble(), 1338612970);

    const std::string gdal = OgrFields(d + "/in.shp " + d + "/out.shp");
    if (gdal.empty()) GTEST_SKIP() << "GDAL's Python bindings are missing";
    const std::vector<std::string> lines = Lines(gdal);
    ASSERT_EQ(lines.size(), 10u) << gdal;
    const std::string first =
        "POP(24)=8.89953000000000e+05 RATIO(19)=1.23456789012346e+00 AREA(16)=1.33861297000000e+09";
    EXPECT_EQ(lines[0].rfind(first, 0), 0u) << lines[0];
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(lines[5 + i], lines[i]);
    EXPECT_EQ(gdal.find("null"), std::string::npos) << gdal;
}

TEST(LayerSHP, NumberItsFieldCannotHoldRefusesTheSaveAndKeepsTheFiles) {
    const std::string d = Dir("refuse");
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    src.AddField("COUNT", gisFieldNumber, 4, 0);
    src.AddField("SHARE", gisFieldNumber, 5, 2);
    for (int i = 0; i < 2; ++i) {
        TGIS_Shape* p = src.CreateShape(gisShapeTypePoint);
        p->AddPoint({double(i), 1});
        p->SetField("COUNT", Variant(1000 + i));
        p->SetField("SHARE", Variant(123.456));  // five characters hold it with one decimal
    }
    const std::string path = d + "/p.shp";
    for (const char* f : {"/p.shp", "/p.shx", "/p.dbf", "/p.cpg", "/p.shp~", "/p.dbf~"}) DiskRemove(d + f);
    TGIS_LayerSHP w;
    w.WriteFromLayer(src, path, GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_DOUBLE_EQ(OpenShp(path)->GetShape(2)->GetField("SHARE").AsDouble(), 123.5);
    const std::string shp = Bytes(path), dbf = Bytes(d + "/p.dbf");

    src.GetShape(2)->SetField("COUNT", Variant(1234567));
    try {
        w.WriteFromLayer(src, path, GisFullExtent(), gisShapeTypeNull, "", false);
        FAIL() << "a number wider than its field was written";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 70);
        EXPECT_NE(e.Message.find("1234567"), std::string::npos) << e.Message;
        EXPECT_NE(e.Message.find("字段“COUNT”第 2 条记录"), std::string::npos) << e.Message;
    }
    EXPECT_EQ(Bytes(path), shp);
    EXPECT_EQ(Bytes(d + "/p.dbf"), dbf);
    for (const char* f : {"/p.dbf~tmp", "/p.shp~tmp", "/p.dbf~"}) EXPECT_FALSE(DiskExists(d + f)) << f;
}

TEST(LayerSHP, EveryShapefileWrittenNamesItsCodePage) {
    const std::string d = Dir("codepage");
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    src.AddField("NAME", gisFieldString, 20, 0);
    TGIS_Shape* p = src.CreateShape(gisShapeTypePoint);
    p->AddPoint({1, 2});
    p->SetField("NAME", Variant("中华人民共和国"));
    for (const char* f : {"/n.shp", "/n.shx", "/n.dbf", "/n.cpg", "/e.shp", "/e.dbf", "/e.cpg"}) DiskRemove(d + f);
    TGIS_LayerSHP w;
    w.WriteFromLayer(src, d + "/n.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_EQ(Bytes(d + "/n.cpg"), "936");
    TGIS_LayerSHP empty;
    empty.AddField("NAME", gisFieldString, 20, 0);
    empty.CreateEmpty(d + "/e.shp", {0, 0, 1, 1}, gisShapeTypePoint);
    EXPECT_EQ(Bytes(d + "/e.cpg"), "936");
    if (!HasTool("ogrinfo")) GTEST_SKIP() << "ogrinfo is not installed";
    const std::string info = Shell("ogrinfo -ro -al -q " + d + "/n.shp");
    // 中华人民共和国 in UTF-8
    const std::string china = "\xE4\xB8\xAD\xE5\x8D\x8E\xE4\xBA\xBA\xE6\xB0\x91\xE5\x85\xB1\xE5\x92\x8C\xE5\x9B\xBD";
    EXPECT_NE(info.find("NAME (String) = " + china), std::string::npos) << info;
}

// Saved under its table's or index's name, a shapefile would write two of its files into one name.
TEST(LayerSHP, ANameOfItsOwnCompanionIsRefusedWithTheUsersFileKept) {
    const std::string d = Dir("companion");
    TGIS_LayerVector src;
    src.UseConfig = false;
    src.Open(nullptr);
    src.AddField("NAME", gisFieldString, 8, 0);
    src.CreateShape(gisShapeTypePoint)->AddPoint({1, 2});
    for (const char* name : {"/t.dbf", "/t.shx"}) {
        const std::string path = d + name;
        std::ofstream(path, std::ios::binary) << "the user's own file";
        TGIS_LayerSHP w;
        try {
            w.WriteFromLayer(src, path, GisFullExtent(), gisShapeTypeNull, "", false);
            FAIL() << name << " was written";
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.ErrorCode, 32) << e.Message;
            EXPECT_NE(e.Message.find("两个文件同名"), std::string::npos) << e.Message;
        }
        EXPECT_EQ(Bytes(path), "the user's own file") << name;
    }
}

TEST(LayerSHP, IndexThatIsAFolderIsReportedWithItsCause) {
    const std::string d = Dir("folderindex");
    std::string point;
    for (double v : {3.0, 4.0}) Append(point, v);
    WriteRawShapefile(d + "/f.shp", 1, {point});
    DiskRemove(d + "/f.shx");
    std::filesystem::create_directories(d + "/f.shx");
    try {
        OpenShp(d + "/f.shp");
        FAIL() << "opened";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message.find("f.shx\" 这是一个文件夹，不是文件。"), std::string::npos) << e.Message;
    }
}

TEST(LayerSHP, ABlankOrUnreadableDateIsWrittenBackBlankByEveryWriter) {
    const std::string d = Dir("nodate");
    for (const char* f : {"/out.shp", "/out.shx", "/out.dbf", "/out.cpg", "/out.mif", "/out.mid"}) DiskRemove(d + f);
    WritePointShapefile(d + "/in.shp", 3,
                        RawTable({{"NAME", 'C', 4, 0}, {"DAY", 'D', 8, 0}},
                                 {{"a", "20200229"}, {"b", ""}, {"c", "2020133x"}}));
    auto in = OpenShp(d + "/in.shp");
    EXPECT_EQ(in->GetShape(1)->GetField("DAY").AsDate(), EncodeDate(2020, 2, 29));
    EXPECT_TRUE(GisIsNoDate(in->GetShape(2)->GetField("DAY")));
    EXPECT_TRUE(GisIsNoDate(in->GetShape(3)->GetField("DAY")));
    TGIS_LayerSHP shp;
    shp.WriteFromLayer(*in, d + "/out.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    TGIS_LayerMIF mif;
    mif.WriteFromLayer(*in, d + "/out.mif", GisFullExtent(), gisShapeTypeNull, "", false);
    // Records of 1 + 4 + 8 bytes after the header of two descriptors.
    const std::string dbf = Bytes(d + "/out.dbf");
    ASSERT_GE(dbf.size(), 97u + 3 * 13);
    EXPECT_EQ(dbf.substr(97, 13), " a   20200229");
    EXPECT_EQ(dbf.substr(97 + 13, 13), " b           ");
    EXPECT_EQ(dbf.substr(97 + 26, 13), " c           ");
    EXPECT_EQ(Bytes(d + "/out.mid"), "\"a\",\"20200229\"\r\n\"b\",\r\n\"c\",\r\n");
    auto back = OpenShp(d + "/out.shp");
    EXPECT_TRUE(GisIsNoDate(back->GetShape(2)->GetField("DAY")));

    const std::string gdal = OgrFields(d + "/in.shp " + d + "/out.shp " + d + "/out.mif");
    if (gdal.empty()) GTEST_SKIP() << "GDAL's Python bindings are missing";
    const std::vector<std::string> lines = Lines(gdal);
    ASSERT_EQ(lines.size(), 12u) << gdal;
    EXPECT_EQ(lines[1], "NAME(4)=b DAY(10)=null");
    EXPECT_EQ(lines[5], lines[1]);
    EXPECT_EQ(lines[6], "NAME(4)=c DAY(10)=null");
    EXPECT_NE(lines[8].find("DAY(10)=2020/02/29"), std::string::npos) << lines[8];
    for (size_t i : {9, 10}) EXPECT_NE(lines[i].find("DAY(10)=null"), std::string::npos) << lines[i];
}

TEST(LayerSHP, WithoutACpgTheTablesLanguageDriverNamesItsCodePage) {
    const std::string d = Dir("driver");
    // Latin-1 (ANSI), Cyrillic, GBK, and no driver at all: the layer's own code page, GBK, which GDAL does not
    // take for it.
    const struct {
        uint8_t driver;
        std::string text, read;
    } cases[] = {{0x57, "Fr\xE9" "d\xE9" "ric", "Frédéric"},
                 {0xC9, "\xCC\xEE\xF1\xEA\xE2\xE0", "Москва"},
                 {0x4D, "北京", "北京"},
                 {0x00, "北京", "北京"},
                 {0x03, "Stra\xDF" "e", "Stra?e"}};  // what GBK lacks
    std::string files;
    for (const auto& c : cases) {
        const std::string in = d + "/in" + std::to_string(c.driver) + ".shp";
        const std::string out = d + "/out" + std::to_string(c.driver) + ".shp";
        SCOPED_TRACE(in);
        for (const char* ext : {".shp", ".shx", ".dbf", ".cpg"}) DiskRemove(GisCompanionPath(out, ext));
        DiskRemove(GisCompanionPath(in, ".cpg"));
        WritePointShapefile(in, 1, RawTable({{"NAME", 'C', 20, 0}}, {{c.text}}, c.driver));
        auto l = OpenShp(in);
        EXPECT_EQ(l->GetShape(1)->GetField("NAME").AsString(), c.read);
        TGIS_LayerSHP w;
        w.WriteFromLayer(*l, out, GisFullExtent(), gisShapeTypeNull, "", false);
        EXPECT_EQ(Bytes(GisCompanionPath(out, ".cpg")), "936");
        EXPECT_EQ(OpenShp(out)->GetShape(1)->GetField("NAME").AsString(), c.read);
        if (c.driver != 0x03 && c.driver != 0) files += in + " " + out + " ";
    }
    // A ".cpg" names the code page before the header does.
    const std::string in = d + "/in" + std::to_string(0x57) + ".shp";
    ASSERT_TRUE(DiskWriteAll(GisCompanionPath(in, ".cpg"), "1251"));
    EXPECT_EQ(OpenShp(in)->GetShape(1)->GetField("NAME").AsString(), "Frйdйric");
    DiskRemove(GisCompanionPath(in, ".cpg"));

    // GDAL reads each table written back as it reads its source.
    const std::string gdal = OgrFields(files);
    if (gdal.empty()) GTEST_SKIP() << "GDAL's Python bindings are missing";
    const std::vector<std::string> lines = Lines(gdal);
    ASSERT_EQ(lines.size(), 12u) << gdal;
    EXPECT_EQ(lines[0], "NAME(20)=Fr\xC3\xA9" "d\xC3\xA9" "ric");
    for (size_t i = 0; i < 12; i += 4) EXPECT_EQ(lines[i + 2], lines[i]) << i;
}

TEST(LayerSHP, NumbersAreReadAsTheirTextHoldsThemAndWrittenBackSo) {
    const std::string d = Dir("lenient");
    for (const char* f : {"/out.shp", "/out.shx", "/out.dbf", "/out.cpg"}) DiskRemove(d + f);
    // Fractions and exponents in whole-number columns, more digits than a double holds.
    WritePointShapefile(d + "/in.shp", 3,
                        NumberTable({{"LEN", 32, 0}, {"CODE", 10, 0}, {"AREA", 24, 2}},
                                    {{"147.5999999999999943156581139191", "12.0", "12.500000000000000000000"},
                                     {"-0.25", "-7", "+7"},
                                     {"1.5e3", "0.0", "0"}}));
    auto in = OpenShp(d + "/in.shp");
    EXPECT_EQ(in->GetShape(1)->GetField("LEN").AsDouble(), 147.6);
    EXPECT_EQ(in->GetShape(1)->GetField("CODE").AsDouble(), 12);
    EXPECT_EQ(in->GetShape(1)->GetField("AREA").AsDouble(), 12.5);
    EXPECT_EQ(in->GetShape(2)->GetField("LEN").AsDouble(), -0.25);
    EXPECT_EQ(in->GetShape(2)->GetField("AREA").AsDouble(), 7);
    EXPECT_EQ(in->GetShape(3)->GetField("LEN").AsDouble(), 1500);
    TGIS_LayerSHP w;
    w.WriteFromLayer(*in, d + "/out.shp", GisFullExtent(), gisShapeTypeNull, "", false);
    auto back = OpenShp(d + "/out.shp");
    EXPECT_EQ(back->GetShape(1)->GetField("LEN").AsDouble(), 147.6);
    EXPECT_EQ(back->GetShape(2)->GetField("LEN").AsDouble(), -0.25);
    EXPECT_EQ(back->GetShape(3)->GetField("LEN").AsDouble(), 1500);
    EXPECT_EQ(back->Fields[0]->Width, 32);
    EXPECT_EQ(back->Fields[0]->Decimals, 0);

    const std::string gdal = OgrFields(d + "/in.shp " + d + "/out.shp");
    if (gdal.empty()) GTEST_SKIP() << "GDAL's Python bindings are missing";
    const std::vector<std::string> lines = Lines(gdal);
    ASSERT_EQ(lines.size(), 8u) << gdal;
    EXPECT_EQ(lines[0].rfind("LEN(32)=1.47600000000000e+02 CODE(10)=12 ", 0), 0u) << lines[0];
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(lines[4 + i], lines[i]);
}

TEST(LayerSHP, AFileCutShortByAnotherProgramStopsTheReadScanOrPaintThatMeetsItAndOpensAgain) {
    // Enough records that most lie on pages after the first.
    Source src;
    for (int i = 1; i <= 300; ++i) src.Polygon(i);
    const std::string path = Dir("changed") + "/c.shp";
    TGIS_LayerSHP writer;
    writer.WriteFromLayer(src.layer, path, GisFullExtent(), gisShapeTypeNull, "", false);
    const std::string original = Bytes(path);
    ASSERT_GT(original.size(), 16384u);
    const std::string changed = ChangedFileMessage(path);
    // As a program that saves over the file starts.
    auto cut = [&] { ASSERT_EQ(truncate(path.c_str(), 0), 0); };

    UiTest::Init();
    TBitmap bmp(200, 100, pf24bit);
    TGIS_Viewer v(nullptr);
    v.SetBounds(0, 0, 200, 100);
    v.SetTargetBitmap(&bmp);
    v.SetOutputMode(gisOutputBitmap);
    auto* l = AddShp(v, path, "c");

    // Between two reads.
    ASSERT_NE(l->GetShape(1), nullptr);
    cut();
    EXPECT_EQ(ReadErrorOf([&] { l->GetShape(300); }), changed);

    // In the middle of a scan.
    v.Close();
    ASSERT_TRUE(DiskWriteAll(path, original));
    l = AddShp(v, path, "c");
    int n = 0;
    l->SetFilter(GisFullExtent(), "");
    EXPECT_EQ(ReadErrorOf([&] {
                  for (l->ScanFirst(); !l->ScanEof(); l->ScanNext()) {
                      if (++n == 150) cut();
                      TGIS_Shape* s = l->ScanCurrent();
                      for (int p = 0; p < s->GetNumParts(); ++p)
                          for (int i = 0; i < s->GetPartSize(p); ++i) s->GetPoint(p, i);
                  }
              }),
              changed);
    EXPECT_EQ(n, 150);

    // While the viewer paints.
    v.Close();
    ASSERT_TRUE(DiskWriteAll(path, original));
    l = AddShp(v, path, "c");
    v.FullExtent();
    cut();
    EXPECT_EQ(ReadErrorOf([&] { v.Draw(); }), changed);

    // Removed and opened again: the file as it now is, the header alone, and then whole again.
    v.Close();
    ASSERT_TRUE(DiskWriteAll(path, original.substr(0, 100)));
    l = AddShp(v, path, "c");
    EXPECT_EQ(ScanSummary(*l).size(), 0u);
    v.Draw();
    v.Close();
    ASSERT_TRUE(DiskWriteAll(path, original));
    l = AddShp(v, path, "c");
    v.FullExtent();
    v.Draw();
    int drawn = 0;
    const TColor background = bmp.Canvas()->Pixel(0, 0);
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 100; ++y) drawn += bmp.Canvas()->Pixel(x, y) != background;
    EXPECT_GT(drawn, 0);
}
