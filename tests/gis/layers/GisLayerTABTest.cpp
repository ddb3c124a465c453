// Tables written by ogr2ogr, read as ogrinfo reads them.
#include "gis/layers/GisLayerTAB.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/rtl/FileIO.h"

namespace {

std::string Dir() { return std::string(QM_TEST_OUT) + "/tablayer_"; }

bool HaveGdal() { return std::system("ogr2ogr --version >/dev/null 2>&1") == 0; }

#define REQUIRE_GDAL() \
    if (!HaveGdal()) GTEST_SKIP() << "ogr2ogr is not installed"

std::string RunTool(const std::string& command) {
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// `count` CSV rows of a point and its number, the number also in the point's X.
std::vector<std::string> PointRows(int count) {
    std::vector<std::string> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back("\"POINT (" + std::to_string(i) + " " + std::to_string(i % 13) + ")\"," + std::to_string(i));
    return rows;
}

// A table from CSV rows (WKT first) with the given column types; returns the ".tab" path.
std::string MakeTable(const std::string& name, const std::string& header, const std::string& types,
                      const std::vector<std::string>& rows, const std::string& options = "") {
    const std::string csv = Dir() + name + ".csv";
    std::string text = header + "\n";
    for (const std::string& r : rows) text += r + "\n";
    EXPECT_TRUE(DiskWriteAll(csv, text));
    EXPECT_TRUE(DiskWriteAll(Dir() + name + ".csvt", types + "\n"));
    const std::string tab = Dir() + name + ".tab";
    for (const char* ext : {".tab", ".map", ".id", ".dat", ".MAP", ".ID", ".DAT"}) DiskRemove(Dir() + name + ext);
    RunTool("ogr2ogr -f \"MapInfo File\" '" + tab + "' '" + csv +
        "' -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO " + options + " 2>&1");
    EXPECT_TRUE(DiskExists(tab)) << name;
    return tab;
}

struct OgrFeature {
    int fid = 0;
    std::map<std::string, std::string> fields;
    std::string wkt;
    std::string label;
};

// Features as `ogrinfo -al -q` prints them.
std::vector<OgrFeature> OgrInfo(const std::string& path) {
    std::vector<OgrFeature> out;
    std::string text = RunTool("ogrinfo -al -q '" + path + "'");
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.rfind("OGRFeature(", 0) == 0) {
            out.emplace_back();
            out.back().fid = std::atoi(line.substr(line.find("):") + 2).c_str());
        } else if (!out.empty() && line.rfind("  ", 0) == 0) {
            const std::string body = line.substr(2);
            const size_t eq = body.find(" = ");
            if (body.rfind("Style = ", 0) == 0) {
                const size_t t = body.find("t:\"");
                if (t != std::string::npos)
                    out.back().label = body.substr(t + 3, body.find("\",", t + 3) - t - 3);
            } else if (eq != std::string::npos && body.find(" (") < eq) {
                out.back().fields[body.substr(0, body.find(" ("))] = body.substr(eq + 3);
            } else if (!body.empty() && body[0] >= 'A' && body[0] <= 'Z') {
                out.back().wkt = body;
            }
        }
    }
    return out;
}

// ogrinfo rounds coordinates to the decimal place nearest the resolution of the file; we keep them as stored.
double g_resolution = 0;

void ExpectNear(double want, double got) {
    EXPECT_NEAR(want, got, std::max(2 * g_resolution, 1e-9 * std::max(1.0, std::fabs(want))));
}

double Resolution(const std::string& tabPath) {
    std::string map;
    EXPECT_TRUE(DiskReadAll(GisPathWithoutExt(tabPath) + ".map", map));
    double sx = 1, sy = 1;
    std::memcpy(&sx, &map[368], 8);
    std::memcpy(&sy, &map[376], 8);
    return 1 / std::min(sx, sy);
}

void ExpectSameGeometry(const std::string& wkt, TGIS_Shape* shape) {
    SCOPED_TRACE(wkt);
    std::unique_ptr<TGIS_Shape> want = TGIS_Shape::CreateFromWKT(wkt);
    ASSERT_TRUE(want);
    const bool multi = want->ShapeType() == gisShapeTypeMultipoint;
    ASSERT_EQ(multi ? uint8_t(gisShapeTypePoint) : want->ShapeType(), shape->ShapeType());
    ASSERT_EQ(want->GetNumParts(), shape->GetNumParts());
    for (int p = 0; p < want->GetNumParts(); ++p) {
        ASSERT_EQ(want->GetPartSize(p), shape->GetPartSize(p));
        for (int i = 0; i < want->GetPartSize(p); ++i) {
            ExpectNear(want->GetPoint(p, i).X, shape->GetPoint(p, i).X);
            ExpectNear(want->GetPoint(p, i).Y, shape->GetPoint(p, i).Y);
        }
    }
}

void ExpectSameField(const std::string& want, const Variant& got) {
    if (got.IsString()) {
        EXPECT_EQ(want, got.StrRef());
    } else if (want.size() == 10 && want[4] == '/') {
        int y = 0, m = 0, d = 0;
        DecodeDate(got.AsDouble(), y, m, d);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", y, m, d);
        EXPECT_EQ(want, buf);
    } else {
        ExpectNear(std::stod(want), got.AsDouble());
    }
}

// Every feature ogrinfo reports, by scan and by GetShape, with its geometry and attributes.
void ExpectAsOgrinfo(const std::string& path, TGIS_LayerTAB& layer) {
    const std::vector<OgrFeature> want = OgrInfo(path);
    ASSERT_FALSE(want.empty());
    g_resolution = Resolution(path);
    size_t k = 0;
    for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext(), ++k) {
        TGIS_Shape* s = layer.ScanCurrent();
        ASSERT_LT(k, want.size());
        SCOPED_TRACE(want[k].fid);
        ASSERT_EQ(want[k].fid, s->Uid);
        ExpectSameGeometry(want[k].wkt, s);
        for (const auto& [name, value] : want[k].fields) ExpectSameField(value, s->GetField(name));
    }
    EXPECT_EQ(want.size(), k);
    for (const OgrFeature& f : want) {
        TGIS_Shape* s = layer.GetShape(f.fid);
        ASSERT_TRUE(s) << f.fid;
        ExpectSameGeometry(f.wkt, s);
    }
}

const char* kHeader = "WKT,name,n,f,d,m";
const char* kTypes = "WKT,String(10),Integer,Real,Date,Real(12.3)";
const std::vector<std::string> kRows = {
    "\"POINT (10 20)\",alpha,1,1.5,2020/01/02,12.345",
    "\"LINESTRING (0 0,10 10,20 0)\",beta,-2,-2.25,,-1",
    "\"POLYGON ((0 0,10 0,10 10,0 10,0 0),(2 2,3 2,3 3,2 2))\",gamma,3,0,1999/12/31,0",
    "\"MULTILINESTRING ((0 0,1 1),(5 5,6 7,8 9))\",delta,4,1e10,,",
    "\"MULTIPOLYGON (((0 0,1 0,1 1,0 0)),((5 5,6 5,6 6,5 5),(5.2 5.1,5.8 5.1,5.8 5.5,5.2 5.1)))\",eps,5,3,,",
};

std::string LongLine(int n) {
    std::string w = "\"LINESTRING (";
    for (int i = 0; i < n; ++i) w += (i ? "," : "") + std::to_string(i * 0.25) + " " + std::to_string(i % 7);
    return w + ")\",long,6,0,,";
}

}  // namespace

TEST(GisLayerTAB, OgrTablesCompressedAndPlainReadAsOgrinfo) {
    REQUIRE_GDAL();
    std::vector<std::string> rows = kRows;
    rows.push_back(LongLine(300));  // runs over several blocks
    struct Case {
        const char* name;
        const char* options;
    } const cases[] = {{"tight", "-lco BOUNDS=-10,-10,100,100"}, {"wide", "-lco BOUNDS=-1e6,-1e6,1e6,1e6"},
                         {"wider", "-lco BOUNDS=-1e7,-1e7,1e7,1e7"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = MakeTable(c.name, kHeader, kTypes, rows, c.options);
        TGIS_LayerTAB layer;
        layer.Path = path;
        layer.Open(nullptr);
        EXPECT_EQ(1, layer.Capabilities);
        ExpectAsOgrinfo(path, layer);
        EXPECT_EQ(6, layer.GetLastUid());
        EXPECT_EQ(7, layer.GetNewUid());
    }
}

TEST(GisLayerTAB, QuadrantsReadAsOgrinfoExtentIncluded) {
    REQUIRE_GDAL();
    const std::string base = MakeTable("quad", kHeader, kTypes, kRows, "-lco BOUNDS=-500,-300,700,900");
    std::string map;
    ASSERT_TRUE(DiskReadAll(GisPathWithoutExt(base) + ".map", map));
    for (char q : {0, 2, 3, 4}) {
        SCOPED_TRACE(int(q));
        const std::string name = Dir() + "quad" + std::to_string(int(q));
        for (const char* ext : {".tab", ".id", ".dat"}) {
            std::string bytes;
            ASSERT_TRUE(DiskReadAll(GisPathWithoutExt(base) + ext, bytes));
            ASSERT_TRUE(DiskWriteAll(name + ext, bytes));
        }
        std::string m = map;
        m[353] = q;
        ASSERT_TRUE(DiskWriteAll(name + ".map", m));
        TGIS_LayerTAB layer;
        layer.Path = name + ".tab";
        layer.Open(nullptr);
        ExpectAsOgrinfo(layer.Path, layer);
        // "Extent: (xmin, ymin) - (xmax, ymax)"
        const std::string info = RunTool("ogrinfo -so -al '" + layer.Path + "'");
        double x0, y0, x1, y1;
        ASSERT_EQ(4, std::sscanf(info.c_str() + info.find("Extent: "), "Extent: (%lf, %lf) - (%lf, %lf)", &x0, &y0,
                                 &x1, &y1));
        EXPECT_NEAR(x0, layer.Extent.XMin, 1e-6);
        EXPECT_NEAR(y0, layer.Extent.YMin, 1e-6);
        EXPECT_NEAR(x1, layer.Extent.XMax, 1e-6);
        EXPECT_NEAR(y1, layer.Extent.YMax, 1e-6);
    }
}

TEST(GisLayerTAB, TextsArePointsWithTheirLabel) {
    REQUIRE_GDAL();
    const std::string mif = Dir() + "text.mif";
    ASSERT_TRUE(DiskWriteAll(mif,
                             "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\n"
                             "CoordSys NonEarth Units \"m\" Bounds (-1000, -1000) (1000, 1000)\n"
                             "Columns 1\n  name Char(10)\nData\n\nText\n    \"hello\"\n    10 20 30 25\n"
                             "Point 5 5\nText\n    \"w2 more\"\n    -50 -40 -10 -30\n"));
    ASSERT_TRUE(DiskWriteAll(Dir() + "text.mid", "\"t1\"\n\"p1\"\n\"t2\"\n"));
    const std::string path = Dir() + "text.tab";
    RunTool("ogr2ogr -f \"MapInfo File\" '" + path + "' '" + mif + "' 2>&1");
    const std::vector<OgrFeature> want = OgrInfo(path);
    ASSERT_EQ(3u, want.size());
    TGIS_LayerTAB layer;
    layer.Path = path;
    layer.Open(nullptr);
    int k = 0;
    for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext(), ++k) {
        TGIS_Shape* s = layer.ScanCurrent();
        EXPECT_EQ(gisShapeTypePoint, s->ShapeType());
        EXPECT_EQ(want[size_t(k)].label, VarToStr(s->GetField("TAB_LABEL")));
        EXPECT_EQ(want[size_t(k)].fields.at("name"), VarToStr(s->GetField("name")));
        // The label lives on the shape, never in the table.
        EXPECT_TRUE(layer.GetFileField(s->Uid, "TAB_LABEL").IsEmpty());
    }
    EXPECT_EQ(3, k);
    EXPECT_EQ("hello", VarToStr(layer.GetShape(1)->GetField("TAB_LABEL")));
}

TEST(GisLayerTAB, GetShapeAgreesWithTheScanPastBlockSizedUids) {
    REQUIRE_GDAL();
    const std::vector<std::string> rows = PointRows(600);
    const std::string path = MakeTable("many", "WKT,v", "WKT,Integer", rows);
    TGIS_LayerTAB layer;
    layer.Path = path;
    layer.Open(nullptr);
    std::vector<TGIS_Point> scanned;
    for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) {
        EXPECT_EQ(int32_t(scanned.size()) + 1, layer.ScanCurrent()->Uid);
        EXPECT_EQ(int(scanned.size()), layer.ScanCurrent()->GetField("v").AsInteger());
        scanned.push_back(layer.ScanCurrent()->GetPoint(0, 0));
    }
    ASSERT_EQ(600u, scanned.size());
    // Backwards, so that no answer comes from the object just read.
    for (int32_t uid = 600; uid >= 1; --uid) {
        TGIS_Shape* s = layer.GetShape(uid);
        ASSERT_TRUE(s);
        EXPECT_EQ(uid, s->Uid);
        EXPECT_EQ(scanned[size_t(uid - 1)].X, s->GetPoint(0, 0).X);
        EXPECT_EQ(scanned[size_t(uid - 1)].Y, s->GetPoint(0, 0).Y);
    }
    EXPECT_FALSE(layer.GetShape(0));
    EXPECT_FALSE(layer.GetShape(601));
}

TEST(GisLayerTAB, FilesCutShortByAnotherProgramStopTheScanThatMeetsThem) {
    REQUIRE_GDAL();
    const std::vector<std::string> rows = PointRows(3000);
    const std::string path = MakeTable("cut", "WKT,v", "WKT,Integer", rows);
    const std::string map = Dir() + "cut.map", id = Dir() + "cut.id";
    ASSERT_GT(std::filesystem::file_size(map), 16384u);
    TGIS_LayerTAB layer;
    layer.Path = path;
    layer.Open(nullptr);
    int n = 0;
    try {
        for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) {
            if (++n == 10) {
                ASSERT_EQ(truncate(map.c_str(), 512), 0);
                ASSERT_EQ(truncate(id.c_str(), 4), 0);
            }
        }
        ADD_FAILURE() << "nothing raised";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message.rfind("0030 Error " + std::to_string(EIO) + " during mapping file \"" + Dir() + "cut.", 0), 0u)
            << e.Message;
        EXPECT_NE(e.Message.find("\" 文件已被另一个程序修改。"), std::string::npos) << e.Message;
    }
    EXPECT_EQ(n, 10);
    // Opened again, the header alone holds no object.
    TGIS_LayerTAB again;
    again.Path = path;
    again.Open(nullptr);
    again.ScanFirst();
    EXPECT_TRUE(again.ScanEof());
}

TEST(GisLayerTAB, DeletedAndShapelessObjectsAreSkipped) {
    REQUIRE_GDAL();
    const std::string path = MakeTable("holes", kHeader, kTypes, kRows);
    const std::string base = GisPathWithoutExt(path);
    std::string id, map;
    ASSERT_TRUE(DiskReadAll(base + ".id", id));
    ASSERT_TRUE(DiskReadAll(base + ".map", map));
    // Object 2 deleted, object 4 made an ellipse.
    int32_t offset4;
    std::memcpy(&offset4, &id[12], 4);
    std::memset(&id[4], 0, 4);
    map[size_t(offset4)] = 25;
    ASSERT_TRUE(DiskWriteAll(base + ".id", id));
    ASSERT_TRUE(DiskWriteAll(base + ".map", map));
    TGIS_LayerTAB layer;
    layer.Path = path;
    layer.Open(nullptr);
    std::vector<int32_t> uids;
    for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) uids.push_back(layer.ScanCurrent()->Uid);
    EXPECT_EQ((std::vector<int32_t>{1, 3, 5}), uids);
    EXPECT_FALSE(layer.GetShape(2));
    EXPECT_FALSE(layer.GetShape(4));
    EXPECT_EQ(5, layer.GetLastUid());
}

TEST(GisLayerTAB, NewShapesTakeUidsAfterTheFile) {
    REQUIRE_GDAL();
    const std::string path = MakeTable("newuid", kHeader, kTypes, kRows);
    TGIS_LayerTAB layer;
    layer.Path = path;
    layer.Open(nullptr);
    TGIS_Shape* added = layer.CreateShape(gisShapeTypePoint);
    ASSERT_TRUE(added);
    EXPECT_EQ(6, added->Uid);
    added->AddPoint({1, 1});
    // The file's first object is still there, and the new shape follows the file's in the scan.
    std::vector<int32_t> uids;
    for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) uids.push_back(layer.ScanCurrent()->Uid);
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 4, 5, 6}), uids);
}

TEST(GisLayerTAB, EmptyTableOpensWithoutObjects) {
    REQUIRE_GDAL();
    const std::string path = MakeTable("empty", "WKT,v", "WKT,Integer", {}, "-nlt POINT");
    struct stat st {};
    ASSERT_TRUE(DiskStat(GisPathWithoutExt(path) + ".id", st));
    EXPECT_EQ(0, st.st_size);
    TGIS_LayerTAB layer;
    layer.Path = path;
    layer.Open(nullptr);
    layer.ScanFirst();
    EXPECT_TRUE(layer.ScanEof());
    EXPECT_EQ(0, layer.GetLastUid());
}

TEST(GisLayerTAB, SmallintColumnsReadUnsigned) {
    REQUIRE_GDAL();
    const std::string path = MakeTable("small", "WKT,s", "WKT,Integer", {"\"POINT (1 2)\",1", "\"POINT (3 4)\",2"});
    ASSERT_TRUE(DiskWriteAll(path, "!table\n!version 300\n!charset Neutral\n\nDefinition Table\n"
                                   "  Type NATIVE Charset \"Neutral\"\n  Fields 1\n    s Smallint ;\n"));
    // Two records of a flag and a 2-byte value: 65534 (-2 to GDAL) and 300.
    std::string dat(32, '\0');
    dat[0] = 3;
    dat[4] = 2;
    dat[8] = 65;
    dat[10] = 3;
    std::string field(32, '\0');
    field[0] = 's';
    field[11] = 'C';
    field[16] = 2;
    dat += field + "\r" + std::string(" \xfe\xff", 3) + std::string(" \x2c\x01", 3) + "\x1a";
    ASSERT_TRUE(DiskWriteAll(GisPathWithoutExt(path) + ".dat", dat));
    TGIS_LayerTAB layer;
    layer.Path = path;
    layer.Open(nullptr);
    const std::vector<OgrFeature> want = OgrInfo(path);
    ASSERT_EQ(2u, want.size());
    EXPECT_EQ("-2", want[0].fields.at("s"));
    EXPECT_EQ(65534, layer.GetShape(1)->GetField("s").AsInteger());
    EXPECT_EQ(300, layer.GetShape(2)->GetField("s").AsInteger());
}

TEST(GisLayerTAB, OpenRefusesWhatIsNoNativeTable) {
    REQUIRE_GDAL();
    const std::string path = MakeTable("refuse", kHeader, kTypes, kRows);
    const std::string base = GisPathWithoutExt(path);
    std::string tab;
    ASSERT_TRUE(DiskReadAll(path, tab));
    auto opens = [&](const std::string& definition, int code) {
        SCOPED_TRACE(definition.substr(0, 80));
        ASSERT_TRUE(DiskWriteAll(path, definition));
        TGIS_LayerTAB layer;
        layer.Path = path;
        try {
            layer.Open(nullptr);
            FAIL() << "opened";
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(code, e.ErrorCode);
            EXPECT_EQ(path, e.StrParam);  // the definition's fault, not the ".dat"'s
        }
    };
    opens("Definition Table\n  Type RASTER\n  (1,2) (3,4) Label \"a\"\n", 34);
    opens("!table\n", 34);
    // The fields want more bytes than a record of the ".dat" holds.
    opens("Definition Table\n  Type NATIVE\n  Fields 1\n    name Char (200) ;\n", 34);
    opens("Definition Table\n  Type NATIVE\n  Fields 1\n    name Char (300) ;\n", 90);
    // 65,535 fields in 1.4 MB, refused at once.
    std::string many = "Definition Table\n  Type NATIVE\n  Fields 65535\n";
    for (int i = 0; i < 65535; ++i) many += "    f" + std::to_string(i) + " Logical ;\n";
    opens(many, 34);
    ASSERT_TRUE(DiskWriteAll(path, tab));
    // Companions are found in either case of their extension.
    for (const char* ext : {".map", ".id", ".dat"}) {
        const std::string lower = base + ext, upper = base + UpperCase(ext);
        ASSERT_TRUE(DiskRename(lower, upper));
    }
    TGIS_LayerTAB layer;
    layer.Path = path;
    layer.Open(nullptr);
    layer.ScanFirst();
    EXPECT_FALSE(layer.ScanEof());
}
