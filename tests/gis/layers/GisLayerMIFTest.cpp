// The MIF/MID layer: reading what ogr2ogr and the sheet engine write, the hard corners of the format, and writing
// back (round trips, the locale, backups, failed and aborted writes, and GDAL reading what we write).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/unTessarRgPub.h"
#include "gis/layers/GisLayerMIF.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/testsupport/UiTest.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

// Standard output of a command; empty when it could not run.
std::string Output(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

bool HaveOgr() { return std::system("ogr2ogr --version >/dev/null 2>&1") == 0; }

class MifLayer : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(QM_TEST_OUT) / (std::string("mif-") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { SetDecimalSeparator('.'); }
    std::string P(const std::string& name) const { return (dir_ / name).string(); }

    std::unique_ptr<TGIS_LayerMIF> Open(const std::string& path, TGIS_Viewer* viewer = nullptr) {
        auto l = std::make_unique<TGIS_LayerMIF>();
        l->UseConfig = false;
        l->Path = path;
        l->Open(viewer);
        return l;
    }
    std::unique_ptr<TGIS_LayerMIF> OpenText(const std::string& mif, const std::string& mid) {
        WriteText(P("t.mif"), mif);
        WriteText(P("t.mid"), mid);
        return Open(P("t.mif"));
    }

    fs::path dir_;
};

std::string Str(TGIS_Shape* s, const char* field) { return VarToStr(s->GetField(field)); }

// One shape of every type and one value of every field type, with awkward values.
void FillSample(TGIS_LayerVector& l) {
    l.Open(nullptr);
    l.AddField("NAME", gisFieldString, 10, 0);
    l.AddField("COUNT", gisFieldNumber, 12, 0);
    l.AddField("SHARE", gisFieldNumber, 15, 5);
    l.AddField("RATIO", gisFieldFloat, 20, 5);
    l.AddField("OK", gisFieldLogical, 1, 0);
    l.AddField("DAY", gisFieldDate, 8, 0);
    auto row = [&](TGIS_Shape* s, const char* name, double count, double share, double ratio, bool ok, int day) {
        s->SetField("NAME", Variant(name));
        s->SetField("COUNT", Variant(count));
        s->SetField("SHARE", Variant(share));
        s->SetField("RATIO", Variant(ratio));
        s->SetField("OK", Variant(ok));
        s->SetField("DAY", Variant::FromDate(EncodeDate(2000, 2, day)));
    };
    TGIS_Shape* p = l.CreateShape(gisShapeTypePoint);
    p->AddPoint({0.1 + 0.2, 1e-300});
    row(p, "say \"hi\"", 3000000000.0, -0.125, 1e150, true, 29);
    TGIS_Shape* m = l.CreateShape(gisShapeTypeMultipoint);
    m->AddPart();
    for (double x : {1.0 / 3, -2.5, 7.0}) m->AddPoint({x, x * 2});
    row(m, "New York", -7, 3.14159, 0.1 + 0.2, false, 1);
    TGIS_Shape* a = l.CreateShape(gisShapeTypeArc);
    a->AddPart();
    a->AddPoint({0, 0});
    a->AddPoint({1, 1});
    row(a, "", 0, 0, 0, false, 2);
    TGIS_Shape* b = l.CreateShape(gisShapeTypeArc);
    b->AddPart();
    b->AddPoint({0, 0});
    b->AddPoint({1, 1});
    b->AddPart();
    b->AddPoint({2, 2});
    b->AddPoint({3, 4});
    b->AddPoint({5, 6});
    row(b, "a,b", 1, 1, -1e-7, true, 3);
    TGIS_Shape* g = l.CreateShape(gisShapeTypePolygon);
    g->AddPart();
    for (TGIS_Point q : {TGIS_Point{0, 0}, {10, 0}, {10, 10}, {0, 10}}) g->AddPoint(q);
    g->AddPart();
    for (TGIS_Point q : {TGIS_Point{2, 2}, {4, 2}, {4, 4}}) g->AddPoint(q);
    row(g, "中文", 12, 0.5, 123456789.123456, false, 4);
    l.CreateShape(gisShapeTypeArc);  // no point: not written
}

// Equal to 15 significant digits.
bool Same15(double a, double b) { return std::fabs(a - b) <= std::max(std::fabs(a), std::fabs(b)) * 1e-14; }

void ExpectSameShapes(TGIS_LayerVector& want, TGIS_LayerVector& got) {
    int k = 0;
    for (auto& w : want.Shapes) {
        if (!w->HasGeometry() || w->GetNumPoints() == 0) continue;
        ASSERT_LT(k, int(got.Shapes.size()));
        TGIS_Shape* g = got.Shapes[size_t(k++)].get();
        SCOPED_TRACE(w->Uid);
        ASSERT_EQ(g->ShapeType(), w->ShapeType());
        ASSERT_EQ(g->GetNumParts(), w->GetNumParts());
        for (int part = 0; part < w->GetNumParts(); ++part) {
            ASSERT_EQ(g->GetPartSize(part), w->GetPartSize(part));
            for (int i = 0; i < w->GetPartSize(part); ++i) {
                EXPECT_TRUE(Same15(g->GetPoint(part, i).X, w->GetPoint(part, i).X)) << part << " " << i;
                EXPECT_TRUE(Same15(g->GetPoint(part, i).Y, w->GetPoint(part, i).Y)) << part << " " << i;
            }
        }
        for (auto& f : want.Fields) {
            const Variant a = w->GetField(f->NewName), b = g->GetField(f->NewName);
            if (f->FieldType == gisFieldNumber || f->FieldType == gisFieldFloat)
                EXPECT_TRUE(Same15(b.AsDouble(), a.AsDouble())) << f->NewName << " " << b.AsDouble();
            else if (f->FieldType == gisFieldDate)
                EXPECT_EQ(b.AsDate(), a.AsDate()) << f->NewName;
            else if (f->FieldType == gisFieldLogical)
                EXPECT_EQ(b.AsBoolean(), a.AsBoolean()) << f->NewName;
            else
                EXPECT_EQ(VarToStr(b), a.IsString() && a.StrRef() == "say \"hi\"" ? "say 'hi'" : VarToStr(a));
        }
    }
    EXPECT_EQ(k, int(got.Shapes.size()));
}

TEST_F(MifLayer, OgrWrittenPairReadsWithOgrinfosFeaturesAttributesAndExtent) {
    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    WriteText(P("in.geojson"), R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"name":"New York","n":12,"f":3.25,"d":"2020-02-29","q":"say \"hi\""},
 "geometry":{"type":"Polygon","coordinates":[[[0,0],[10,0],[10,10],[0,10],[0,0]],[[2,2],[4,2],[4,4],[2,2]]]}},
{"type":"Feature","properties":{"name":null,"n":null,"f":null,"d":null,"q":""},"geometry":null},
{"type":"Feature","properties":{"name":"pt","n":-5,"f":1e-7,"d":"1999-12-31","q":"a,b"},
 "geometry":{"type":"Point","coordinates":[1.5,-2.5]}},
{"type":"Feature","properties":{"name":"ln","n":7,"f":2,"d":"2001-01-01","q":"x"},
 "geometry":{"type":"MultiLineString","coordinates":[[[0,0],[1,1]],[[2,2],[3,3],[4,15]]]}}]})");
    ASSERT_EQ(std::system(("ogr2ogr -f 'MapInfo File' -dsco FORMAT=MIF " + P("o.mif") + " " + P("in.geojson") +
                           " 2>/dev/null")
                              .c_str()),
              0);
    auto l = Open(P("o.mif"));
    ASSERT_EQ(l->Fields.size(), 5u);
    ASSERT_EQ(l->Shapes.size(), 3u);  // the null geometry takes its row but makes no shape
    TGIS_Shape* poly = l->Shapes[0].get();
    EXPECT_EQ(poly->ShapeType(), gisShapeTypePolygon);
    EXPECT_EQ(poly->GetNumParts(), 2);
    EXPECT_DOUBLE_EQ(poly->Area(), 100 - 2);
    EXPECT_EQ(Str(poly, "name"), "New York");
    EXPECT_EQ(poly->GetField("n").AsInteger(), 12);
    EXPECT_DOUBLE_EQ(poly->GetField("f").AsDouble(), 3.25);
    EXPECT_EQ(poly->GetField("d").AsDate(), EncodeDate(2020, 2, 29));
    EXPECT_EQ(Str(poly, "q"), "say \"hi\"");
    TGIS_Shape* pt = l->Shapes[1].get();
    EXPECT_EQ(pt->ShapeType(), gisShapeTypePoint);
    EXPECT_EQ(Str(pt, "name"), "pt");
    EXPECT_EQ(pt->GetField("n").AsInteger(), -5);
    EXPECT_DOUBLE_EQ(pt->GetField("f").AsDouble(), 1e-7);
    EXPECT_EQ(pt->GetField("d").AsDate(), EncodeDate(1999, 12, 31));
    EXPECT_EQ(Str(pt, "q"), "a,b");
    EXPECT_EQ(l->Shapes[2]->GetNumParts(), 2);
    EXPECT_EQ(Str(l->Shapes[2].get(), "name"), "ln");
    EXPECT_EQ(l->Shapes[2]->GetField("d").AsDate(), EncodeDate(2001, 1, 1));

    // ogrinfo's summary of the same file.
    const std::string info = Output("ogrinfo -so -al " + P("o.mif") + " 2>/dev/null");
    EXPECT_NE(info.find("Feature Count: 4"), std::string::npos) << info;
    EXPECT_NE(info.find("Extent: (0.000000, -2.500000) - (10.000000, 15.000000)"), std::string::npos) << info;
    EXPECT_DOUBLE_EQ(l->Extent.XMin, 0);
    EXPECT_DOUBLE_EQ(l->Extent.YMin, -2.5);
    EXPECT_DOUBLE_EQ(l->Extent.XMax, 10);
    EXPECT_DOUBLE_EQ(l->Extent.YMax, 15);
}

// ogrinfo's features with a geometry that is no text: "name (Type) = value" pairs, the geometry's first line last.
std::vector<std::map<std::string, std::string>> OgrShapes(const std::string& info) {
    std::vector<std::map<std::string, std::string>> out;
    std::map<std::string, std::string> cur;
    bool text = false;
    auto flush = [&] {
        if (cur.count("") && !text) out.push_back(cur);
        cur.clear();
        text = false;
    };
    std::istringstream in(info);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("OGRFeature(", 0) == 0) flush();
        const size_t eq = line.find(" = "), open = line.find(" (");
        if (line.rfind("  Style = LABEL(", 0) == 0) text = true;
        else if (eq != std::string::npos && open != std::string::npos && line.rfind("  Style", 0) != 0)
            cur[line.substr(2, open - 2)] = line.substr(eq + 3);
        else if (line.rfind("  POINT", 0) == 0 || line.rfind("  LINESTRING", 0) == 0)
            cur[""] = line.substr(2);
    }
    flush();
    return out;
}

TEST_F(MifLayer, HandWrittenPairsReadAsOgrinfoWithEveryDelimiter) {
    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    const std::string body =
        "CoordSys NonEarth Units \"m\" Bounds (-100, -100) (100, 100)\r\nColumns 4\r\n  name Char(20)\r\n"
        "  n Integer\r\n  f Float\r\n  d Date\r\nData\r\n\r\nPoint 1 2\r\nNONE\r\nText\r\n    \"a label\"\r\n"
        "    10 20 30 25\r\nLine 0 0 5 5\r\nPoint 3 4\r\n";
    const std::string rows =
        "\"New York\"\t12\t1.5\t20200229\r\n\"\"\t\t\t\r\n\"say \"\"hi\"\"\"\t-3\t\t\r\n"
        "\"a,b\"\t7\t2.25\t19991231\r\nplain text\t\t-0.5\t\r\n";
    std::string commas = rows;
    std::replace(commas.begin(), commas.end(), '\t', ',');
    const struct {
        const char* delimiter;
        const std::string& mid;
    } cases[] = {{"Delimiter \"\t\"\r\n", rows}, {"", rows}, {"Delimiter \",\"\r\n", commas}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delimiter);
        auto l = OpenText(std::string("Version 300\r\nCharset \"Neutral\"\r\n") + c.delimiter + body, c.mid);
        const auto want = OgrShapes(Output("ogrinfo -al -q " + P("t.mif") + " 2>/dev/null"));
        ASSERT_EQ(want.size(), 3u);  // NONE and the text take their rows only
        ASSERT_EQ(l->Shapes.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE(i);
            TGIS_Shape* s = l->Shapes[i].get();
            const auto& w = want[i];
            EXPECT_EQ(Str(s, "name"), w.at("name"));
            EXPECT_EQ(s->GetField("n").AsInteger(), std::stoi(w.at("n")));
            EXPECT_DOUBLE_EQ(s->GetField("f").AsDouble(), std::stod(w.at("f")));
            if (w.count("d")) {
                int y = 0, m = 0, d = 0;
                ASSERT_EQ(std::sscanf(w.at("d").c_str(), "%d/%d/%d", &y, &m, &d), 3);
                EXPECT_EQ(s->GetField("d").AsDate(), EncodeDate(y, m, d));
            } else {
                // No date, which is written back blank (the type's default would be today).
                EXPECT_TRUE(GisIsNoDate(s->GetField("d")));
            }
            const TGIS_Point p = s->GetPoint(0, 0);
            char first[64];
            std::snprintf(first, sizeof first, "(%g %g", p.X, p.Y);
            EXPECT_NE(w.at("").find(first), std::string::npos) << w.at("");
        }
    }
}

TEST_F(MifLayer, KeywordsCountsAndObjectsThatMakeNoShapeEachTakeOneRow) {
    auto l = OpenText(
        "version 300\nCOLUMNS 4\n  Name Char(20)\n  Pic Picture\n  Day Date\n  N Integer\nDATA\n"
        "point 1 2\n"
        "pline\n 2\n0 0\n1 1\n"                        // count on the next line
        "REGION 2\n 0\n 4\n0 0\n4 0\n4 4\n0 0\n"      // a ring of no point adds no part
        "Text \"Point 9 9\"\n 0 0 1 1\n"             // quoted text is never a keyword
        "Arc 0 0 1 1\n 0 90\nRect 0 0 1 1\nRoundRect 0 0 1 1\n 0.5\nEllipse 0 0 1 1\nNone\n"
        "Collection 2\n Region 1\n 3\n0 0\n1 0\n0 1\n Pline 2\n0 0\n1 1\n"
        "Region 1\n 5\n0 0\n1 0\n"                    // cut short by the next object, which still reads
        "Line 5 5 6 7\n"
        "Multipoint 2\n 8 8\n9 9\n",
        "\"a b\"\tignored\t20200229\t1\textra\n"
        "\"\"\"q\"\"\"\t\tnotadate\t\n"
        "r\nt\na\nr\nr\nr\ne\nc\n"
        "cut\t\t\t5\n"
        "line\t\t19991231\t-3\n"
        "multi\n");
    ASSERT_EQ(l->Fields.size(), 3u);  // Picture is no field type
    ASSERT_EQ(l->Shapes.size(), 6u);
    EXPECT_EQ(Str(l->Shapes[0].get(), "Name"), "a b");
    EXPECT_EQ(l->Shapes[0]->GetField("Day").AsDate(), EncodeDate(2020, 2, 29));
    EXPECT_EQ(l->Shapes[0]->GetField("N").AsInteger(), 1);
    EXPECT_EQ(Str(l->Shapes[1].get(), "Name"), "\"q\"");
    EXPECT_EQ(l->Shapes[1]->GetNumPoints(), 2);
    EXPECT_EQ(l->Shapes[1]->GetField("N").AsInteger(), 0);  // empty
    EXPECT_EQ(l->Shapes[2]->GetNumParts(), 1);
    EXPECT_EQ(Str(l->Shapes[2].get(), "Name"), "r");
    EXPECT_EQ(Str(l->Shapes[3].get(), "Name"), "cut");
    EXPECT_EQ(l->Shapes[3]->ShapeType(), gisShapeTypePolygon);
    EXPECT_EQ(l->Shapes[3]->GetPartSize(0), 3);  // two points read, closed
    EXPECT_EQ(l->Shapes[3]->GetField("N").AsInteger(), 5);
    EXPECT_EQ(Str(l->Shapes[4].get(), "Name"), "line");
    EXPECT_EQ(l->Shapes[4]->GetField("N").AsInteger(), -3);
    EXPECT_EQ(l->Shapes[4]->GetPoint(0, 1).Y, 7);
    EXPECT_EQ(Str(l->Shapes[5].get(), "Name"), "multi");
    EXPECT_EQ(l->Shapes[5]->ShapeType(), gisShapeTypeMultipoint);
    EXPECT_EQ(l->Shapes[5]->GetNumPoints(), 2);
    EXPECT_TRUE(l->Delimiter.empty());
}

TEST_F(MifLayer, QuotedLineBreaksAndCollectionsOfEveryKindKeepTheRowsInStep) {
    // A line break inside quotes (LF or CR LF) stays in its value; one in an unquoted value, or after a quote
    // that closed, still ends the row. Collections are passed whole whatever their parts.
    auto l = OpenText(
        "Delimiter \",\"\nColumns 2\n name Char(40)\n n Integer\nData\n"
        "Point 1 1\nPoint 2 2\n"
        "Collection 3\n  Line 0 0 1 1\n    Pen (1,2,0)\n  Multipoint 2\n0 0\n1 1\n    Symbol (35,0,12)\n"
        "  Point 4 4\n"
        "Point 3 3\n"
        "Collection 2\n  Pline Multiple 2\n  2\n0 0\n1 1\n  2\n2 2\n3 3\n  Region 1\n  3\n0 0\n1 0\n0 1\n"
        "Point 4 4\nPoint 5 5\nPoint 6 6\n",
        "\"two\nlines\",1\n \"crlf\r\nand \"\"quote\"\"\r\n\",2\n\"collection\",9\n\"three\",3\n"
        "\"collection\",9\n\"after\"\n,4\nplain,5\n");
    ASSERT_EQ(l->Shapes.size(), 6u);
    EXPECT_EQ(Str(l->Shapes[0].get(), "name"), "two\nlines");
    EXPECT_EQ(l->Shapes[0]->GetField("n").AsInteger(), 1);
    EXPECT_EQ(Str(l->Shapes[1].get(), "name"), "crlf\r\nand \"quote\"\r\n");
    EXPECT_EQ(l->Shapes[1]->GetField("n").AsInteger(), 2);
    EXPECT_EQ(Str(l->Shapes[2].get(), "name"), "three");
    EXPECT_EQ(l->Shapes[2]->GetPoint(0, 0).X, 3);
    EXPECT_EQ(l->Shapes[2]->GetField("n").AsInteger(), 3);
    EXPECT_EQ(Str(l->Shapes[3].get(), "name"), "after");
    EXPECT_EQ(l->Shapes[3]->GetPoint(0, 0).X, 4);
    EXPECT_EQ(Str(l->Shapes[4].get(), "name"), "");
    EXPECT_EQ(l->Shapes[4]->GetField("n").AsInteger(), 4);
    EXPECT_EQ(Str(l->Shapes[5].get(), "name"), "plain");

    // A quote that never closes takes the rest of the file into its value.
    auto open = OpenText("Columns 1\n name Char(40)\nData\nPoint 1 1\nPoint 2 2\n", "\"open\nx\n");
    ASSERT_EQ(open->Shapes.size(), 2u);
    EXPECT_EQ(Str(open->Shapes[0].get(), "name"), "open\nx\n");
    EXPECT_EQ(Str(open->Shapes[1].get(), "name"), "");
}

TEST_F(MifLayer, HostileCountsAndNumbersEndTheirObjectsOnly) {
    // A column list longer than the header swallows the lines after it.
    auto c = OpenText("Columns 2000000000\n a Char(-5)\n b Decimal(x,3)\nData\nPoint 1 2\nPoint 3 4\n", "");
    EXPECT_EQ(c->Fields.size(), 2u);
    EXPECT_TRUE(c->Shapes.empty());

    auto l = OpenText(
        "Delimiter \";\"\nColumns 2\n a Char(-5)\n b Decimal(x,3)\nData\n"
        "Region 99999999999\n 3\n0 0\n1 nan\nPoint 1 2\nPLine Multiple -2\nPoint 3 e\nLine 1 2 3\n"
        "Region 1\n 2147483647\n0 0\n1 1\n",
        "x;1,5;z\ny;2.5\nw\n");
    ASSERT_EQ(l->Fields.size(), 2u);
    ASSERT_EQ(l->Shapes.size(), 3u);
    EXPECT_EQ(l->Shapes[0]->GetNumPoints(), 2);  // one point read, closed
    EXPECT_EQ(Str(l->Shapes[0].get(), "a"), "x");
    EXPECT_DOUBLE_EQ(l->Shapes[0]->GetField("b").AsDouble(), 0);  // "1,5" is no number here
    EXPECT_EQ(l->Shapes[1]->ShapeType(), gisShapeTypePoint);
    EXPECT_DOUBLE_EQ(l->Shapes[1]->GetField("b").AsDouble(), 2.5);
    EXPECT_EQ(l->Shapes[2]->GetNumPoints(), 3);
    EXPECT_EQ(Str(l->Shapes[2].get(), "a"), "");  // the rows ran out

    EXPECT_THROW(Open(P("missing.mif")), EFOpenError);

    auto m = OpenText("Columns 1\n v Float\nData\nPoint 1 2\nPoint 3 4\nPoint 5 6\n", "1.5\nabc\n\n");
    ASSERT_EQ(m->Shapes.size(), 3u);
    EXPECT_DOUBLE_EQ(m->Shapes[0]->GetField("v").AsDouble(), 1.5);
    EXPECT_DOUBLE_EQ(m->Shapes[1]->GetField("v").AsDouble(), 0);  // no value
    EXPECT_DOUBLE_EQ(m->Shapes[2]->GetField("v").AsDouble(), 0);
}

TEST_F(MifLayer, EveryShapeAndFieldTypeRoundTripsAndTheCommaLocaleWritesTheSameBytes) {
    TGIS_LayerVector src;
    src.UseConfig = false;
    FillSample(src);
    TGIS_LayerMIF out;
    out.WriteFromLayer(src, P("dot.mif"), GisFullExtent(), 0, "", false);
    SetDecimalSeparator(',');
    out.WriteFromLayer(src, P("comma.mif"), GisFullExtent(), 0, "", false);
    SetDecimalSeparator('.');
    EXPECT_EQ(ReadText(P("dot.mif")), ReadText(P("comma.mif")));
    EXPECT_EQ(ReadText(P("dot.mid")), ReadText(P("comma.mid")));
    const std::string mif = ReadText(P("dot.mif"));
    EXPECT_EQ(mif.substr(0, 13), "Version 300\r\n");
    EXPECT_NE(mif.find("Point 0.3 1e-300\r\n"), std::string::npos) << mif;
    EXPECT_NE(mif.find("Multipoint 3\r\n0.333333333333333 0.666666666666667\r\n"), std::string::npos);
    EXPECT_NE(mif.find(" COUNT Decimal (12,0)\r\n"), std::string::npos);
    EXPECT_NE(ReadText(P("dot.mid")).find("\"say 'hi'\",3000000000,-0.12500,"), std::string::npos);

    auto back = Open(P("dot.mif"));
    ASSERT_EQ(back->Fields.size(), 6u);
    ExpectSameShapes(src, *back);
    EXPECT_FALSE(fs::exists(P("dot.mif~tmp")));
    EXPECT_FALSE(fs::exists(P("dot.mid~tmp")));

    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    const std::string info = Output("ogrinfo -al " + P("dot.mif") + " 2>&1");
    EXPECT_NE(info.find("Feature Count: 5"), std::string::npos) << info;
    EXPECT_NE(info.find("NAME (String) = say 'hi'"), std::string::npos) << info;
    EXPECT_NE(info.find("COUNT (Real) = 3000000000"), std::string::npos) << info;
    EXPECT_NE(info.find("DAY (Date) = 2000/02/29"), std::string::npos) << info;
    EXPECT_NE(info.find("OK (String) = 1"), std::string::npos) << info;
    EXPECT_NE(info.find("POLYGON ((0 0,10 0,10 10,0 10,0 0),(2 2,4 2,4 4,2 2))"), std::string::npos) << info;
    EXPECT_NE(info.find("MULTIPOINT ((0.333333333333333 0.666666666666667),(-2.5 -5),(7 14))"),
              std::string::npos)
        << info;
    EXPECT_NE(info.find("MULTILINESTRING ((0 0,1 1),(2 2,3 4,5 6))"), std::string::npos) << info;
}

TEST_F(MifLayer, SavesKeepTheFormerPairAsBackupsAndEmptyWritesLeaveNothing) {
    auto l = OpenText("Columns 1\n v Char(5)\nData\nPoint 1 2\n", "\"one\"\n");
    const std::string firstMif = ReadText(P("t.mif"));
    l->Shapes[0]->SetField("v", Variant("two"));
    l->SaveAll();
    EXPECT_EQ(ReadText(P("t.mif~")), firstMif);
    EXPECT_EQ(ReadText(P("t.mid~")), "\"one\"\n");
    EXPECT_EQ(ReadText(P("t.mid")), "\"two\"\r\n");
    l->SaveAll();
    EXPECT_EQ(ReadText(P("t.mid~")), "\"two\"\r\n");

    TGIS_LayerMIF empty;
    empty.UseConfig = false;
    empty.Path = P("t.mif");
    empty.Open(nullptr);
    empty.Shapes.clear();
    empty.WriteFromLayer(empty, P("other.mif"), GisFullExtent(), 0, "", false);
    EXPECT_FALSE(fs::exists(P("other.mif")));
    EXPECT_FALSE(fs::exists(P("other.mid")));
    EXPECT_FALSE(fs::exists(P("other.mif~tmp")));
    // Onto its own files the pair is always written.
    empty.WriteFromLayer(empty, P("t.mif"), GisFullExtent(), 0, "", false);
    EXPECT_EQ(ReadText(P("t.mid")), "");
    EXPECT_NE(ReadText(P("t.mif")).find("Data\r\n\r\n"), std::string::npos);
}

TEST_F(MifLayer, UpperCaseCompanionAndLinkedNamesAreTheLayersOwn) {
    WriteText(P("A.MIF"), "Columns 1\n v Char(5)\nData\nPoint 1 2\n");
    WriteText(P("A.MID"), "\"up\"\n");
    auto l = Open(P("A.MIF"));
    EXPECT_EQ(l->MidPath(), P("A.MID"));
    ASSERT_EQ(l->Shapes.size(), 1u);
    EXPECT_EQ(Str(l->Shapes[0].get(), "v"), "up");

    // Through a link to its own file the layer writes even without a shape.
    fs::create_symlink(P("A.MIF"), P("link.MIF"));
    l->Shapes.clear();
    l->WriteFromLayer(*l, P("link.MIF"), GisFullExtent(), 0, "", false);
    EXPECT_NE(ReadText(P("link.MIF")).find("Columns 1\r\n"), std::string::npos);
    ASSERT_TRUE(fs::exists(P("link.MID")));
    EXPECT_EQ(fs::file_size(P("link.MID")), 0u);
}

TEST_F(MifLayer, FailedWritesLeaveTheTargetsAndAbortedOnesSaveTheShapesDoneSoFar) {
    auto l = OpenText("Columns 1\n v Char(5)\nData\nPoint 1 2\nPoint 3 4\nPoint 5 6\n", "a\nb\nc\n");
    const std::string mif = ReadText(P("t.mif"));
    // The old ".mid" cannot move to its backup name, nor the new one take its place: folders stand there.
    fs::create_directories(P("u.mid/x"));
    fs::create_directories(P("u.mid~/y"));
    WriteText(P("u.mif"), "old");
    EXPECT_THROW(l->WriteFromLayer(*l, P("u.mif"), GisFullExtent(), 0, "", false), EGIS_Exception);
    EXPECT_EQ(ReadText(P("u.mif")), "old");
    EXPECT_TRUE(fs::is_directory(P("u.mid/x")));
    for (const char* f : {"u.mif~tmp", "u.mid~tmp", "u.mif~"}) EXPECT_FALSE(fs::exists(P(f))) << f;
    EXPECT_THROW(l->WriteFromLayer(*l, P("no/such/dir.mif"), GisFullExtent(), 0, "", false), EGIS_Exception);

    UiTest::Init();
    TGIS_Viewer v{nullptr};
    l->Viewer = &v;
    std::vector<int32_t> busy;
    v.OnBusy = [&](TObject*, int32_t pos, int32_t, bool& abort) {
        busy.push_back(pos);
        abort = pos == 2;
    };
    l->Shapes[0]->SetField("v", Variant("new"));
    l->SaveAll();
    EXPECT_EQ(busy, (std::vector<int32_t>{0, 2, -1}));

    // Reading reports every hundredth line with the read position in the ".mif", then (0, 0).
    std::string big = "Columns 1\n v Char(5)\nData\n";
    for (int i = 0; i < 100; ++i) big += "Point 1 2\nPoint 3 4\n";
    WriteText(P("big.mif"), big);
    std::vector<std::pair<int32_t, int32_t>> reads;
    v.OnBusy = [&](TObject*, int32_t pos, int32_t end, bool&) { reads.emplace_back(pos, end); };
    auto r = Open(P("big.mif"), &v);
    EXPECT_EQ(r->Shapes.size(), 200u);
    const int32_t size = int32_t(big.size());
    ASSERT_EQ(reads.size(), 4u);  // lines 1, 101, 201, the end
    EXPECT_EQ(reads[0], std::make_pair(int32_t(std::string("Columns 1\n").size()), size));
    EXPECT_LT(reads[1].first, reads[2].first);
    EXPECT_EQ(reads[2].second, size);
    EXPECT_EQ(reads[3], std::make_pair(0, 0));
    r.reset();
    // The save aborted at the second shape wrote the two it had done; the former pair is the backup.
    EXPECT_EQ(ReadText(P("t.mif~")), mif);
    EXPECT_EQ(ReadText(P("t.mid~")), "a\nb\nc\n");
    const std::string saved = ReadText(P("t.mif"));
    EXPECT_NE(saved.find("Point 3 4"), std::string::npos);
    EXPECT_EQ(saved.find("Point 5 6"), std::string::npos);
    EXPECT_EQ(ReadText(P("t.mid")), "\"new\"\r\n\"b\"\r\n");
    EXPECT_FALSE(fs::exists(P("t.mif~tmp")));

    // The progress comes from the viewer; the closing call, after a failed write too, from the writing layer.
    std::vector<TObject*> senders;
    v.OnBusy = [&](TObject* sender, int32_t, int32_t, bool&) { senders.push_back(sender); };
    TGIS_LayerMIF w;
    for (const char* target : {"copy.mif", "no/such/dir.mif"}) {
        senders.clear();
        try {
            w.WriteFromLayer(*l, P(target), GisFullExtent(), 0, "", false);
        } catch (const EGIS_Exception&) {
        }
        ASSERT_GE(senders.size(), 2u) << target;
        EXPECT_EQ(senders.back(), static_cast<TObject*>(&w)) << target;
        senders.pop_back();
        for (TObject* sender : senders) EXPECT_EQ(sender, static_cast<TObject*>(&v)) << target;
    }
    EXPECT_TRUE(fs::exists(P("copy.mif")));
    l->Viewer = nullptr;
}

// What holds the working names of old ("x~tmp") is the user's: a save neither writes it nor removes it.
TEST_F(MifLayer, FilesAndEmptyFoldersNamedLikeOldWorkingNamesSurvive) {
    auto l = OpenText("Columns 1\n v Char(5)\nData\nPoint 1 2\n", "a\n");
    WriteText(P("t.mif~tmp"), "user mif");
    fs::create_directories(P("t.mid~tmp"));
    WriteText(P("w.mid~tmp"), "user mid");
    fs::create_directories(P("w.mif~tmp"));
    l->SaveAll();
    l->WriteFromLayer(*l, P("w.mif"), GisFullExtent(), 0, "", false);
    EXPECT_EQ(ReadText(P("t.mif~tmp")), "user mif");
    EXPECT_TRUE(fs::is_directory(P("t.mid~tmp")));
    EXPECT_EQ(ReadText(P("w.mid~tmp")), "user mid");
    EXPECT_TRUE(fs::is_directory(P("w.mif~tmp")));
    EXPECT_EQ(ReadText(P("w.mid")), "\"a\"\r\n");
    size_t hidden = 0;
    for (auto& e : fs::directory_iterator(dir_)) hidden += e.path().filename().string()[0] == '.';
    EXPECT_EQ(hidden, 0u);
}

TEST_F(MifLayer, SheetEngineExportsOpenWithTheirColumns) {
    TStandardTessarols t;
    GetTessarols100k({{116, 0, 0}, {39, 0, 0}, {117, 0, 0}, {40, 0, 0}}, false, true, 117, t);
    ASSERT_FALSE(t.empty());
    ASSERT_TRUE(SaveTessarolsToMif(P("m.mif"), t, true));
    auto m = Open(P("m.mif"));
    ASSERT_EQ(m->Fields.size(), 18u);
    ASSERT_EQ(m->Shapes.size(), t.size() * t[0].size());
    EXPECT_EQ(m->Fields[0]->NewName, "图幅号");
    const TStandardTessarol& s = t[0][0];
    TGIS_Shape* first = nullptr;
    for (auto& shape : m->Shapes)
        if (Str(shape.get(), "图幅号") == s.SheetNo) first = shape.get();
    ASSERT_TRUE(first) << s.SheetNo;
    EXPECT_DOUBLE_EQ(first->GetField("LB_Y").AsDouble(), std::stod(FloatToStrDot(s.LB.Y)));
    EXPECT_DOUBLE_EQ(first->GetField("RT_X").AsDouble(), std::stod(FloatToStrDot(s.RT.X)));
    EXPECT_EQ(first->GetPartSize(0), 5);
    EXPECT_DOUBLE_EQ(first->GetPoint(0, 0).X, std::stod(FloatToStrDot(s.LT.X)));

    ASSERT_TRUE(SaveTessarolsToMifLL(P("l.mif"), t));
    EXPECT_EQ(Open(P("l.mif"))->Fields.size(), 18u);

    TCustomTessarols g = {{{"3+5", 500000, 4000000, 501000, 4001000}, {"a\"b,c", 501000, 4000000, 502000, 4001000}}};
    ASSERT_TRUE(SaveCustomTessarolsToMif(P("g.mif"), g));
    auto c = Open(P("g.mif"));
    ASSERT_EQ(c->Fields.size(), 2u);
    ASSERT_EQ(c->Shapes.size(), 2u);
    EXPECT_EQ(c->Fields[1]->NewName, "图幅名");
    EXPECT_EQ(Str(c->Shapes[0].get(), "图幅号"), "3+5");
    EXPECT_EQ(Str(c->Shapes[1].get(), "图幅号"), "a\"b,c");
    EXPECT_DOUBLE_EQ(c->Shapes[1]->Area(), 1e6);
}

}  // namespace

TEST_F(MifLayer, WrittenTextDeclaresItsChineseCodePage) {
    auto l = OpenText("Columns 1\n name Char(20)\nData\nPoint 1 2\n", "\"中华人民共和国\"\n");
    l->WriteFromLayer(*l, P("cn.mif"), GisFullExtent(), gisShapeTypeNull, "", false);
    const std::string mif = ReadText(P("cn.mif"));
    EXPECT_NE(mif.find("\r\nCharset \"WindowsSimpChinese\"\r\n"), std::string::npos) << mif;
    EXPECT_EQ(Str(Open(P("cn.mif"))->Shapes[0].get(), "name"), "中华人民共和国");
    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    const std::string info = Output("ogrinfo -al -q " + P("cn.mif") + " 2>&1");
    // 中华人民共和国 in UTF-8
    const std::string china = "\xE4\xB8\xAD\xE5\x8D\x8E\xE4\xBA\xBA\xE6\xB0\x91\xE5\x85\xB1\xE5\x92\x8C\xE5\x9B\xBD";
    EXPECT_NE(info.find("name (String) = " + china), std::string::npos) << info;
}

TEST_F(MifLayer, ARepeatedColumnNameInAnyCaseAddsNoFieldAndItsValuesAreDropped) {
    auto l = OpenText("Delimiter \",\"\nColumns 3\n a Char(5)\n A Integer\n b Char(5)\nData\nPoint 1 2\n",
                      "\"x\",5,\"y\"\n");
    ASSERT_EQ(l->Fields.size(), 2u);
    EXPECT_EQ(l->Fields[1]->Name, "b");
    EXPECT_EQ(Str(l->Shapes[0].get(), "a"), "x");
    EXPECT_EQ(Str(l->Shapes[0].get(), "b"), "y");
}

namespace {

// ogr_fields.py over the files; empty when GDAL's bindings are missing.
std::vector<std::string> OgrFieldLines(const std::string& files) {
    const std::string out =
        Output("/usr/bin/python3 " + std::string(QM_SOURCE_DIR) + "/tests/gis/layers/ogr_fields.py " + files);
    std::vector<std::string> lines;
    if (out.find("--") == std::string::npos) return lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST_F(MifLayer, TextInTheCharsetItsHeaderNamesIsReadAsGbkAndWrittenBackAsGdalReadsIt) {
    const struct {
        const char* charset;
        std::string column, value, gbkColumn, gbkValue;
    } cases[] = {{"WindowsCyrillic", "\xC3\xEE\xF0\xEE\xE4", "\xCC\xEE\xF1\xEA\xE2\xE0", "Город", "Москва"},
                 {"WindowsLatin1", "Pr\xE9nom", "Fr\xE9" "d\xE9ric M\xFCller", "Prénom", "Frédéric Müller"},
                 {"WindowsSimpChinese", "名称", "中华人民共和国", "名称", "中华人民共和国"}};
    std::string files;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.charset);
        const std::string in = P(std::string(c.charset) + ".mif"), out = P(std::string(c.charset) + "-out.mif");
        WriteText(in, std::string("Version 300\r\nCharset \"") + c.charset +
                          "\"\r\nDelimiter \",\"\r\nColumns 2\r\n  " + c.column +
                          " Char(8)\r\n  name Char(30)\r\nData\r\n\r\nPoint 1 2\r\n");
        WriteText(GisCompanionPath(in, ".mid"), "\"A1\",\"" + c.value + "\"\r\n");
        auto l = Open(in);
        ASSERT_EQ(l->Fields.size(), 2u);
        EXPECT_EQ(l->Fields[0]->Name, c.gbkColumn);
        ASSERT_EQ(l->Shapes.size(), 1u);
        EXPECT_EQ(Str(l->Shapes[0].get(), c.gbkColumn.c_str()), "A1");
        EXPECT_EQ(Str(l->Shapes[0].get(), "name"), c.gbkValue);
        l->WriteFromLayer(*l, out, GisFullExtent(), gisShapeTypeNull, "", false);
        auto back = Open(out);
        ASSERT_EQ(back->Shapes.size(), 1u);
        EXPECT_EQ(Str(back->Shapes[0].get(), "name"), c.gbkValue);
        files += in + " " + out + " ";
    }
    // GDAL's values of each file written back as of its source; the names written are ASCII.
    const std::vector<std::string> lines = OgrFieldLines(files);
    if (lines.empty()) GTEST_SKIP() << "GDAL's Python bindings are missing";
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "\xD0\x93\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4(8)=A1 "
                        "name(30)=\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0");  // Город, Москва
    auto value = [](const std::string& line) { return line.substr(std::min(line.find(" name("), line.size())); };
    for (size_t i = 0; i < 12; i += 4) EXPECT_EQ(value(lines[i + 2]), value(lines[i])) << i;
}

TEST_F(MifLayer, NeutralOrNoCharsetKeepsTheBytesAndWhatGbkLacksIsAQuestionMark) {
    const std::string cyrillic = "\xCC\xEE\xF1\xEA\xE2\xE0";
    for (const char* header : {"Charset \"Neutral\"\r\n", "", "Charset \"NoSuchCharset\"\r\n"}) {
        auto l = OpenText(std::string("Version 300\r\n") + header +
                              "Columns 1\r\n  name Char(20)\r\nData\r\nPoint 1 2\r\n",
                          "\"" + cyrillic + "\"\r\n");
        EXPECT_EQ(Str(l->Shapes[0].get(), "name"), cyrillic) << header;
    }
    auto l = OpenText("Charset \"WindowsLatin1\"\r\nColumns 1\r\n  name Char(20)\r\nData\r\nPoint 1 2\r\n",
                      "\"Stra\xDF" "e\"\r\n");
    EXPECT_EQ(Str(l->Shapes[0].get(), "name"), "Stra?e");
}

TEST_F(MifLayer, ABlankDateStaysBlankAndNumbersAreReadAsTheirTextHoldsThem) {
    auto l = OpenText("Version 300\r\nDelimiter \",\"\r\nColumns 3\r\n  day Date\r\n  len Decimal(32,0)\r\n"
                      "  n Integer\r\nData\r\nPoint 1 2\r\nPoint 3 4\r\nPoint 5 6\r\n",
                      "20200229,147.5999999999999943156581139191,12\r\n,-0.5,1e3\r\n2020133x,+7,\r\n");
    ASSERT_EQ(l->Shapes.size(), 3u);
    TGIS_Shape* a = l->Shapes[0].get();
    TGIS_Shape* b = l->Shapes[1].get();
    TGIS_Shape* c = l->Shapes[2].get();
    EXPECT_EQ(a->GetField("day").AsDate(), EncodeDate(2020, 2, 29));
    EXPECT_TRUE(GisIsNoDate(b->GetField("day")));
    EXPECT_TRUE(GisIsNoDate(c->GetField("day")));
    EXPECT_EQ(a->GetField("len").AsDouble(), 147.6);
    EXPECT_EQ(b->GetField("len").AsDouble(), -0.5);
    EXPECT_EQ(c->GetField("len").AsDouble(), 7);
    EXPECT_EQ(b->GetField("n").AsInteger(), 1000);
    l->WriteFromLayer(*l, P("out.mif"), GisFullExtent(), gisShapeTypeNull, "", false);
    EXPECT_EQ(ReadText(P("out.mid")), "\"20200229\",147.6,12\r\n,-0.5,1000\r\n,7,0\r\n");

    // A date the row leaves out is no date either.
    WriteText(P("short.mif"), "Columns 2\r\n  name Char(5)\r\n  day Date\r\nData\r\nPoint 1 2\r\n");
    WriteText(P("short.mid"), "\"x\"\r\n");
    EXPECT_TRUE(GisIsNoDate(Open(P("short.mif"))->Shapes[0]->GetField("day")));

    const std::vector<std::string> lines = OgrFieldLines(P("t.mif") + " " + P("out.mif"));
    if (lines.empty()) GTEST_SKIP() << "GDAL's Python bindings are missing";
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].rfind("day(10)=2020/02/29 len(32)=1.47600000000000e+02", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("day(10)=null len(32)=-5.", 0), 0u) << lines[1];
    // Integer columns are written as Decimal, which GDAL reads as reals; GDAL makes a date of "2020133x".
    auto dayAndLength = [](const std::string& line) { return line.substr(0, line.find(" n(")); };
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(dayAndLength(lines[4 + i]), dayAndLength(lines[i]));
}
