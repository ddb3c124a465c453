#include "gis/layers/GisLayerDGN.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/FileIO.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"
#include "tests/gis/layers/DgnBuild.h"
#include "tests/gis/core/ChangedFile.h"

namespace {

std::string OutPath(const std::string& name) { return std::string(QM_TEST_OUT) + "/" + name; }

std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = OutPath(name);
    EXPECT_TRUE(DiskWriteAll(path, bytes));
    return path;
}

struct Read {
    int32_t uid;
    uint8_t type;
    std::vector<TGIS_Point> points;
    int level;
    double elevation;
    std::string label;
};

Read Describe(TGIS_Shape* s) {
    Read r{s->Uid, s->ShapeType(), {}, s->GetField("DGN_LEVEL").AsInteger(),
           s->GetField("DGN_ELEVATION").AsDouble(), VarToStr(s->GetField("DGN_LABEL"))};
    if (s->HasGeometry())
        for (int i = 0; i < s->GetPartSize(0); ++i) r.points.push_back(s->GetPoint(0, i));
    return r;
}

std::vector<Read> ScanAll(TGIS_LayerDGN& layer) {
    std::vector<Read> out;
    layer.SetFilter(GisFullExtent(), "");
    for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) out.push_back(Describe(layer.ScanCurrent()));
    return out;
}

std::unique_ptr<TGIS_LayerDGN> OpenLayer(const std::string& path) {
    auto layer = std::make_unique<TGIS_LayerDGN>();
    layer->UseConfig = false;
    layer->Path = path;
    layer->Open(nullptr);
    return layer;
}

TEST(GisLayerDGN, RefusesFilesThatAreNoDesignFiles) {
    DgnBuild b;
    std::string header = b.DesignHeader(0, 0, 0, 0, 0);
    std::vector<std::string> bad = {"not a design file", header.substr(0, 3)};
    header[1] = 10;  // type 10: no design file header
    bad.push_back(header);
    header = b.DesignHeader(0, 0, 0, 0, 0);
    header[0] = 7;  // level 7
    bad.push_back(header);
    for (size_t i = 0; i < bad.size(); ++i) {
        TGIS_LayerDGN layer;
        layer.Path = Write("dgn_bad.dgn", bad[i]);
        try {
            layer.Open(nullptr);
            ADD_FAILURE() << "case " << i << " opened";
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.ErrorCode, 34) << i;
        }
        EXPECT_TRUE(layer.ScanEof());
    }
    TGIS_LayerDGN missing;
    missing.Path = OutPath("dgn_missing.dgn");
    std::remove(missing.Path.c_str());
    EXPECT_THROW(missing.Open(nullptr), EFOpenError);
}

TEST(GisLayerDGN, RawUnitsBeforeAHeaderScalesThemAndThreeDimensionsTakeTheOriginsZ) {
    // A header without units leaves the raw file units; the first byte 0x08 is a plane file.
    DgnBuild flat;
    flat.Add(flat.DesignHeader(0, 0, 5, 5, 0)).Add(flat.Line({-7, 3}, {100000, -2000000000}));
    auto layer = OpenLayer(Write("dgn_raw.dgn", flat.Bytes()));
    EXPECT_GT(layer->FileTime, 0);
    EXPECT_EQ(layer->FileTime, FileAge(layer->Path));  // the other file layers' stamp
    std::vector<Read> r = ScanAll(*layer);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].type, gisShapeTypeArc);
    ASSERT_EQ(r[0].points.size(), 2u);
    EXPECT_DOUBLE_EQ(r[0].points[0].X, -7);
    EXPECT_DOUBLE_EQ(r[0].points[1].Y, -2000000000);
    EXPECT_EQ(r[0].elevation, 0);
    EXPECT_EQ(layer->FileColor(3), 0u);  // no colour table: black

    // 10 subunits of 100 units: 1000 file units a master unit; the origin near -2^31 is signed.
    DgnBuild deep(true);
    deep.Add(deep.DesignHeader(10, 100, -2147483000.0, 1000, -5000))
        .Add(deep.Vertices(4, {{-2147483000 + 1500, 3000, -5000}, {-2147483000, 1000, -2500}}));
    layer = OpenLayer(Write("dgn_3d.dgn", deep.Bytes()));
    r = ScanAll(*layer);
    ASSERT_EQ(r.size(), 1u);
    ASSERT_EQ(r[0].points.size(), 2u);
    EXPECT_NEAR(r[0].points[0].X, 1.5, 1e-12);
    EXPECT_NEAR(r[0].points[0].Y, 2.0, 1e-12);
    EXPECT_NEAR(r[0].points[1].X, 0, 1e-12);
    EXPECT_NEAR(r[0].elevation, 2.5, 1e-12);  // the last vertex's Z
}

TEST(GisLayerDGN, UidsFollowElementsAndCellsPlaceTheirText) {
    DgnBuild b;
    std::string deleted = b.Line({0, 0}, {1, 1});
    deleted[1] = char(deleted[1] | 0x80);
    b.Add(b.DesignHeader(0, 0, 0, 0, 0))
        .Add(b.Line({0, 0}, {1, 1}, 5))
        .Add(DgnBuild::Element(15, 0, 40))  // an ellipse takes a uid
        .Add(deleted)                       // a deleted element takes none
        .Add(b.Line({2, 2}, {3, 3}))
        .Add(b.Cell({50, 60}))
        .Add(b.Text({70, 80}, "inside"))
        .Add(b.Text({90, 95}, "outside"))
        .Add(b.Vertices(6, {{0, 0}, {4, 0}, {4, 4}, {0, 0}}));
    auto layer = OpenLayer(Write("dgn_uids.dgn", b.Bytes()));
    const std::vector<Read> r = ScanAll(*layer);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].uid, 1);
    EXPECT_EQ(r[0].level, 5);
    EXPECT_EQ(r[1].uid, 3);
    EXPECT_EQ(r[2].uid, 4);
    EXPECT_EQ(r[2].type, gisShapeTypePoint);
    EXPECT_EQ(r[3].label, "inside");
    EXPECT_DOUBLE_EQ(r[3].points[0].X, 50);
    EXPECT_DOUBLE_EQ(r[3].points[0].Y, 60);
    EXPECT_EQ(r[4].label, "outside");
    EXPECT_DOUBLE_EQ(r[4].points[0].X, 90);
    EXPECT_EQ(r[5].type, gisShapeTypePolygon);
    EXPECT_EQ(r[5].points.size(), 4u);
    EXPECT_EQ(layer->GetLastUid(), 7);
    for (const Read& want : r) {
        TGIS_Shape* s = layer->GetShape(want.uid);
        ASSERT_TRUE(s) << want.uid;
        const Read got = Describe(s);
        EXPECT_EQ(got.uid, want.uid);
        EXPECT_EQ(got.label, want.label);
        EXPECT_EQ(got.points.size(), want.points.size());
        if (!got.points.empty()) {
            EXPECT_TRUE(GisIsSamePoint(got.points[0], want.points[0]));
        }
    }
    EXPECT_EQ(layer->GetShape(2), nullptr);
    EXPECT_EQ(layer->GetShape(8), nullptr);
    EXPECT_EQ(layer->GetShape(0), nullptr);
}

TEST(GisLayerDGN, GetShapeSeeksThroughTheIndexAcrossRunsOf512) {
    DgnBuild b;
    b.Add(b.DesignHeader(0, 0, 0, 0, 0));
    for (int i = 1; i <= 510; ++i) b.Add(b.Line({i, 0}, {i, 1}));
    // A cell at uid 511 whose text (uid 512) and a second text (513) straddle the index step.
    b.Add(b.Cell({7000, 7000})).Add(b.Text({1, 1}, "a")).Add(b.Text({2, 2}, "b"));
    for (int i = 514; i <= 1100; ++i) b.Add(b.Line({i, 0}, {i, 1}));
    const std::string path = Write("dgn_index.dgn", b.Bytes());
    auto layer = OpenLayer(path);
    const std::vector<Read> scan = ScanAll(*layer);
    ASSERT_EQ(scan.size(), 1100u);
    // Before any scan, through the index the seek builds as it goes.
    auto fresh = OpenLayer(path);
    ASSERT_TRUE(fresh->GetShape(513) && fresh->GetShape(512));
    EXPECT_EQ(Describe(fresh->GetShape(513)).label, "b");
    EXPECT_DOUBLE_EQ(Describe(fresh->GetShape(512)).points[0].X, 7000);
    for (const Read& want : scan) {
        TGIS_Shape* s = layer->GetShape(want.uid);
        ASSERT_TRUE(s);
        EXPECT_EQ(Describe(s).label, want.label);
        EXPECT_TRUE(GisIsSamePoint(s->GetPoint(0, 0), want.points[0])) << want.uid;
    }
}

TEST(GisLayerDGN, LinkagesMakeTheirFieldsOnceAndColoursComeFromTheTable) {
    DgnBuild b;
    std::vector<std::vector<uint8_t>> table(256, std::vector<uint8_t>{0, 0, 0});
    table[0] = {9, 9, 9};     // colour 255
    table[4] = {40, 41, 42};  // colour 3
    table[8] = {80, 81, 82};  // colour 7
    std::string line = b.Line({0, 0}, {10, 10});
    DgnBuild::SetDisplay(line, 3, 2, 4);
    DgnBuild::AddAttributes(line, {0x0000, 11, 0x2345, 0x01,          // entity 11, link 0x12345
                                   0x9007, 0x0F81, 12, 0x5678, 0x0002, 0, 0, 0,  // entity 12, link 0x25678
                                   0x0000, 13, 7, 0});
    std::string area = b.Vertices(6, {{0, 0}, {4, 0}, {4, 4}, {0, 0}});
    DgnBuild::SetDisplay(area, 255);
    DgnBuild::AddAttributes(area, {0x1007, 0x0041, 0, 0, 7, 0, 0, 0, 0});
    std::string plain = b.Vertices(6, {{0, 0}, {4, 0}, {4, 4}, {0, 0}});
    DgnBuild::AddAttributes(plain, {0x1007, 0x0099, 0x0000, 5, 5, 5});  // an unknown linkage ends the data
    b.Add(b.DesignHeader(0, 0, 0, 0, 0)).Add(DgnBuild::ColorTable(table)).Add(line).Add(area).Add(plain).Add(line);
    auto layer = OpenLayer(Write("dgn_links.dgn", b.Bytes()));
    layer->UseFileParams = true;
    std::vector<TGIS_Shape*> seen;
    layer->SetFilter(GisFullExtent(), "");
    int n = 0;
    for (layer->ScanFirst(); !layer->ScanEof(); layer->ScanNext(), ++n) {
        TGIS_Shape* s = layer->ScanCurrent();
        if (n == 0) {
            EXPECT_EQ(s->GetField("DGN_ENT_00").AsInteger(), 11);
            EXPECT_EQ(s->GetField("DGN_LNK_00").AsInteger(), 0x12345);
            EXPECT_EQ(s->GetField("DGN_ENT_01").AsInteger(), 12);
            EXPECT_EQ(s->GetField("DGN_LNK_01").AsInteger(), 0x25678);
            EXPECT_EQ(s->GetField("DGN_LNK_02").AsInteger(), 7);
            TGIS_ParamsLine& l = s->GetParams()->Line();
            EXPECT_EQ(l.Color(), GisMakeColor(40, 41, 42));  // colour 3 is entry 4
            EXPECT_EQ(l.Style(), gisPsDashDot);
            EXPECT_EQ(l.Width(), -3);
            EXPECT_EQ(l.SmartSize(), 0);
        } else if (n == 1) {
            EXPECT_EQ(s->GetField("DGN_ENT_00").AsInteger(), 0);
            TGIS_ParamsArea& a = s->GetParams()->Area();
            EXPECT_EQ(a.OutlineColor(), GisMakeColor(9, 9, 9));
            EXPECT_EQ(a.Pattern(), gisBsSolid);
            EXPECT_EQ(a.Color(), GisMakeColor(9, 9, 9));  // the element's colour 255, not fill colour 7
        } else if (n == 2) {
            EXPECT_EQ(s->GetParams()->Area().Pattern(), gisBsClear);
            EXPECT_EQ(s->GetField("DGN_ENT_00").AsInteger(), 0);
        }
        s->GetParams()->SetShape(nullptr);
    }
    EXPECT_EQ(n, 4);
    ASSERT_EQ(layer->Fields.size(), 9u);
    EXPECT_EQ(layer->Fields[3]->Name, "DGN_ENT_00");
    EXPECT_EQ(layer->Fields[8]->Name, "DGN_LNK_02");
    EXPECT_EQ(layer->Fields[4]->Width, 10);
    EXPECT_EQ(layer->FileColor(255), GisMakeColor(9, 9, 9));
    EXPECT_EQ(layer->FileColor(0), 0u);
}

TEST(GisLayerDGN, LinkagesAreSteppedOverByTheirOwnLength) {
    DgnBuild b;
    std::vector<std::string> lines(4, b.Line({0, 0}, {10, 10}));
    // A user linkage of 4 words ending in a zero word, then a database linkage: entity 27, link 17.
    DgnBuild::AddAttributes(lines[0], {0x1003, 0x0020, 0x1234, 0x0000, 0x8000, 27, 17, 0});
    // XBASE: entity 27, link 0x20011.
    DgnBuild::AddAttributes(lines[1], {0x1007, 0x1971, 0x0F81, 27, 0x0011, 0x0002, 0, 0});
    // A user linkage of a kind not read here, then a database linkage behind it.
    DgnBuild::AddAttributes(lines[2], {0x1007, 0x7D2F, 0, 0, 0, 0, 0, 0, 0x0000, 5, 6, 0});
    // A linkage longer than its element gives what it holds and ends the data.
    DgnBuild::AddAttributes(lines[3], {0x0000, 3, 4, 0, 0x1009, 0x0F81, 8, 9, 0, 0, 0});
    b.Add(b.DesignHeader(0, 0, 0, 0, 0));
    for (const std::string& l : lines) b.Add(l);
    auto layer = OpenLayer(Write("dgn_linkages.dgn", b.Bytes()));
    const std::vector<std::vector<int>> want = {{27, 17}, {27, 0x20011}, {5, 6}, {3, 4, 8, 9}};
    layer->SetFilter(GisFullExtent(), "");
    size_t n = 0;
    for (layer->ScanFirst(); !layer->ScanEof(); layer->ScanNext(), ++n) {
        ASSERT_LT(n, want.size());
        TGIS_Shape* s = layer->ScanCurrent();
        for (size_t i = 0; i < 2; ++i) {
            char ent[16], lnk[16];
            std::snprintf(ent, sizeof ent, "DGN_ENT_%.2X", unsigned(i));
            std::snprintf(lnk, sizeof lnk, "DGN_LNK_%.2X", unsigned(i));
            const bool has = 2 * i < want[n].size();
            EXPECT_EQ(s->GetField(ent).AsInteger(), has ? want[n][2 * i] : 0) << n << ' ' << i;
            EXPECT_EQ(s->GetField(lnk).AsInteger(), has ? want[n][2 * i + 1] : 0) << n << ' ' << i;
        }
    }
    EXPECT_EQ(n, want.size());
    EXPECT_EQ(layer->Fields.size(), 3u + 2 * 2);
    EXPECT_EQ(layer->Fields[6]->Name, "DGN_LNK_01");
    EXPECT_EQ(layer->Fields[6]->Width, 10);

    // A field added in memory under a linkage field's name is reported, not made twice.
    layer = OpenLayer(Write("dgn_linkages.dgn", b.Bytes()));
    layer->AddField("dgn_lnk_01", gisFieldNumber, 10, 0);
    try {
        ScanAll(*layer);
        ADD_FAILURE() << "scanned";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 50);
    }
}

TEST(GisLayerDGN, CellsWithoutAnOriginAndEmptyElementsLeaveTheExtentAlone) {
    DgnBuild b;
    std::string cell = b.Cell({0, 0});
    cell[0] = 4;  // level 4
    b.Add(b.DesignHeader(0, 0, 0, 0, 0))
        .Add(b.Line({1000, 2000}, {3000, 4000}))
        .Add(cell)
        .Add(b.Text({1500, 2500}, "own"))  // in a cell without an origin: its own place
        .Add(b.Vertices(4, {}))            // no vertices
        .Add(b.Cell({0, 3000}))            // a cell on an axis is placed
        .Add(b.Text({1, 1}, "x"));
    auto layer = OpenLayer(Write("dgn_cell_origin.dgn", b.Bytes()));
    const std::vector<Read> r = ScanAll(*layer);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[1].uid, 2);
    EXPECT_EQ(r[1].level, 4);
    EXPECT_TRUE(r[1].points.empty());
    ASSERT_EQ(r[2].points.size(), 1u);
    EXPECT_DOUBLE_EQ(r[2].points[0].X, 1500);
    EXPECT_DOUBLE_EQ(r[5].points[0].Y, 3000);
    EXPECT_EQ(layer->GetShape(2)->Uid, 2);
    layer->RecalcExtent();
    EXPECT_DOUBLE_EQ(layer->Extent.XMin, 0);  // the placed cell
    EXPECT_DOUBLE_EQ(layer->Extent.YMin, 2000);
    EXPECT_DOUBLE_EQ(layer->Extent.XMax, 3000);
    EXPECT_DOUBLE_EQ(layer->Extent.YMax, 4000);
    EXPECT_EQ(ScanAll(*layer).size(), 6u);  // every shape again after the extent's scan
}

TEST(GisLayerDGN, HostileElementsGiveNothingAndTheScanGoesOn) {
    DgnBuild b;
    std::string shortText = b.Text({1, 1}, "abcdef");
    shortText[58] = char(200);  // a text longer than its element
    std::string manyLinks = b.Line({0, 0}, {1, 1});
    std::vector<uint16_t> words;
    for (int i = 0; i < 300; ++i) words.insert(words.end(), {0, uint16_t(i), 1, 0});
    DgnBuild::AddAttributes(manyLinks, words);
    b.Add(b.DesignHeader(0, 0, 0, 0, 0))
        .Add(b.Vertices(4, {{0, 0}, {1, 1}, {2, 2}}, 60000))  // the count is cut to the vertices there
        .Add(shortText)
        .Add(DgnBuild::Element(2, 0, 40))  // a cell too short for its origin
        .Add(manyLinks)
        .Add(DgnBuild::Element(9, 8, 100))  // a design header too short: ignored
        .Add(b.Line({5, 5}, {6, 6}));
    std::string bytes = b.Bytes(false);
    bytes += DgnBuild::Element(3, 0, 200).substr(0, 20);  // runs past the file
    auto layer = OpenLayer(Write("dgn_hostile.dgn", bytes));
    const std::vector<Read> r = ScanAll(*layer);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].points.size(), 3u);
    EXPECT_EQ(r[1].uid, 4);
    EXPECT_EQ(layer->Fields.size(), 3u + 2 * 256);
    EXPECT_EQ(r[2].uid, 5);
    EXPECT_DOUBLE_EQ(r[2].points[1].X, 6);
    EXPECT_EQ(layer->GetShape(2), nullptr);
    EXPECT_EQ(layer->GetShape(5)->Uid, 5);
}

TEST(GisLayerDGN, ShapesInMemoryTakeNewUidsAndReplaceTheirFileVersions) {
    DgnBuild b;
    b.Add(b.DesignHeader(0, 0, 0, 0, 0)).Add(b.Line({0, 0}, {1, 1})).Add(b.Line({2, 2}, {3, 3}));
    auto layer = OpenLayer(Write("dgn_edit.dgn", b.Bytes()));
    EXPECT_EQ(layer->GetNewUid(), 3);
    TGIS_Shape* edited = layer->GetShape(2)->MakeEditableCopy();
    ASSERT_TRUE(edited);
    edited->SetField("DGN_LEVEL", 9);
    layer->SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
    TGIS_Shape* added = layer->CreateShape(gisShapeTypePoint);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->Uid, 4);
    added->AddPoint({9, 9});
    const std::vector<Read> r = ScanAll(*layer);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1].level, 9);  // the edited version, with its own values
    EXPECT_EQ(r[2].uid, 4);
    EXPECT_EQ(layer->GetShape(2), edited);
}

TEST(GisLayerDGN, InAViewerTheExtentFindsAndFileStylesWork) {
    UiTest::Init();
    DgnBuild b;
    b.Add(b.DesignHeader(10, 100, 0, 0, 0));  // 1000 file units a master unit
    for (int i = 0; i < 700; ++i) {
        std::string line = b.Line({i * 1000, 0}, {i * 1000 + 500, 2000});
        DgnBuild::SetDisplay(line, 1, 2, 1);
        b.Add(line);
    }
    const std::string path = Write("dgn_viewer.dgn", b.Bytes());
    std::remove((path + ".rtree").c_str());
    TGIS_Viewer v{nullptr};
    v.SetBounds(0, 0, 400, 300);
    auto* layer = new TGIS_LayerDGN;
    layer->UseConfig = false;
    layer->UseFileParams = true;
    layer->Path = path;
    v.Add(layer);
    EXPECT_DOUBLE_EQ(layer->Extent.XMin, 0);
    EXPECT_DOUBLE_EQ(layer->Extent.XMax, 699.5);
    EXPECT_DOUBLE_EQ(layer->Extent.YMax, 2);
    layer->PrepareRTree(true);
    ASSERT_TRUE(layer->HasRTree());
    TGIS_Shape* s = layer->FindFirst({600.1, 0.5, 600.2, 0.6});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Uid, 601);
    EXPECT_EQ(layer->FindNext(), nullptr);
    TGIS_ParamsLine& line = s->GetParams()->Line();
    EXPECT_EQ(line.Width(), v.PixelsToTwips(3));
    EXPECT_EQ(line.Style(), gisPsDot);
    s->GetParams()->SetShape(nullptr);
}

TEST(GisLayerDGN, AFileCutShortByAnotherProgramStopsTheReadOrScanThatMeetsIt) {
    DgnBuild b;
    b.Add(b.DesignHeader(0, 0, 0, 0, 0));
    for (int i = 1; i <= 2000; ++i) b.Add(b.Line({i, 0}, {i, 1}));
    const std::string path = Write("dgn_cut.dgn", b.Bytes());
    const int64_t header = int64_t(b.DesignHeader(0, 0, 0, 0, 0).size());
    const std::string changed = ChangedFileMessage(path);
    // Between two reads.
    auto layer = OpenLayer(path);
    ASSERT_TRUE(layer->GetShape(1));
    ASSERT_EQ(truncate(path.c_str(), header), 0);
    EXPECT_EQ(ReadErrorOf([&] { layer->GetShape(2000); }), changed);
    // In the middle of a scan.
    ASSERT_TRUE(DiskWriteAll(path, b.Bytes()));
    layer = OpenLayer(path);
    int n = 0;
    layer->SetFilter(GisFullExtent(), "");
    EXPECT_EQ(ReadErrorOf([&] {
                  for (layer->ScanFirst(); !layer->ScanEof(); layer->ScanNext()) {
                      if (++n == 10) { ASSERT_EQ(truncate(path.c_str(), header), 0); }
                      EXPECT_DOUBLE_EQ(layer->ScanCurrent()->GetPoint(0, 0).X, n);
                  }
              }),
              changed);
    EXPECT_EQ(n, 10);
    // Opened again: the file as it now is.
    EXPECT_EQ(ScanAll(*OpenLayer(path)).size(), 0u);
}

// ---- against GDAL's reader ----

struct PeerFeature {
    std::vector<std::vector<double>> points;
    int level = 0;
    std::string text, style;
};

bool HaveGdal() { return HaveTool("ogrinfo") && HaveTool("ogr2ogr"); }

// Features with a geometry, in file order.
std::vector<PeerFeature> Ogrinfo(const std::string& path) {
    std::vector<PeerFeature> out;
    std::istringstream in(RunCommand("ogrinfo -al -q '" + path + "' 2>/dev/null"));
    std::string line;
    PeerFeature f;
    bool open = false;
    while (std::getline(in, line)) {
        if (line.rfind("OGRFeature(", 0) == 0) {
            f = PeerFeature();
            open = true;
        } else if (!open) {
            continue;
        } else if (line.rfind("  Level (Integer) = ", 0) == 0) {
            f.level = std::atoi(line.c_str() + 20);
        } else if (line.rfind("  Text (String) = ", 0) == 0) {
            f.text = line.substr(18);
        } else if (line.rfind("  Style = ", 0) == 0) {
            f.style = line.substr(10);
        } else if (line.rfind("  POINT", 0) == 0 || line.rfind("  LINESTRING", 0) == 0 ||
                   line.rfind("  POLYGON", 0) == 0) {
            const bool z = line.find(" Z ") != std::string::npos;
            std::string nums = line.substr(line.find('('));
            for (char& c : nums)
                if (c == '(' || c == ')' || c == ',') c = ' ';
            std::istringstream s(nums);
            std::vector<double> v;
            double d;
            while (s >> d) v.push_back(d);
            const size_t dims = z ? 3 : 2;
            for (size_t i = 0; i + dims <= v.size(); i += dims)
                f.points.push_back(std::vector<double>(v.begin() + long(i), v.begin() + long(i + dims)));
            out.push_back(f);
            open = false;
        }
    }
    return out;
}

void ExpectSameAsPeer(const std::string& path, size_t atLeast) {
    const std::vector<PeerFeature> peer = Ogrinfo(path);
    ASSERT_GE(peer.size(), atLeast) << path;
    auto layer = OpenLayer(path);
    // GDAL makes no feature of a cell header; here it is a point at the cell's origin, without a label.
    std::vector<Read> ours;
    for (const Read& r : ScanAll(*layer))
        if (r.type != gisShapeTypePoint || !r.label.empty()) ours.push_back(r);
    ASSERT_EQ(ours.size(), peer.size()) << path;
    for (size_t i = 0; i < ours.size(); ++i) {
        const PeerFeature& p = peer[i];
        ASSERT_EQ(ours[i].points.size(), p.points.size()) << path << " #" << i;
        for (size_t k = 0; k < p.points.size(); ++k) {
            EXPECT_NEAR(ours[i].points[k].X, p.points[k][0], 1e-6) << i;
            EXPECT_NEAR(ours[i].points[k].Y, p.points[k][1], 1e-6) << i;
        }
        if (p.points[0].size() == 3) {
            EXPECT_NEAR(ours[i].elevation, p.points.back()[2], 1e-6) << i;
        }
        EXPECT_EQ(ours[i].level, p.level) << i;
        EXPECT_EQ(ours[i].label, p.text) << i;
        EXPECT_TRUE(GisIsSamePoint(layer->GetShape(ours[i].uid)->GetPoint(0, 0), ours[i].points[0]));
    }
}

TEST(GisLayerDGNPeer, FilesWrittenByOgr2ogrReadAsOgrinfoReadsThem) {
    if (!HaveGdal()) GTEST_SKIP() << "ogr2ogr/ogrinfo not installed";
    const std::string mif = OutPath("dgn_peer.mif");
    ASSERT_TRUE(DiskWriteAll(mif,
                             "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\nColumns 1\n  id Integer\nData\n\n"
                             "Text \"Hello\"\n  10 20 30 25\nLine -1000 -20 5 5\nPoint 3 4\n"
                             "Region 2\n  5\n0 0\n10 0\n10 10\n0 10\n0 0\n  4\n2 2\n4 2\n4 4\n2 2\n"
                             "Pline Multiple 2\n  2\n0 0\n1 1\n  3\n2 2\n3 3\n4 5\n"));
    ASSERT_TRUE(DiskWriteAll(OutPath("dgn_peer.mid"), "1\n2\n3\n4\n5\n"));
    const std::string csv = OutPath("dgn_peer.csv");
    std::string rows = "id,WKT\n";
    for (int i = 0; i < 40; ++i)
        rows += std::to_string(i) + ",\"LINESTRING Z (" + std::to_string(i) + " 1 " + std::to_string(i * 3) +
                "," + std::to_string(i + 10) + " 2.5 -7)\"\n";
    ASSERT_TRUE(DiskWriteAll(csv, rows));
    for (const std::string& opts : {std::string(), std::string("-dsco 3D=YES")}) {
        const std::string out = OutPath(opts.empty() ? "dgn_peer2d.dgn" : "dgn_peer3d.dgn");
        const std::string out2 = OutPath(opts.empty() ? "dgn_peerz2d.dgn" : "dgn_peerz3d.dgn");
        std::remove(out.c_str());
        std::remove(out2.c_str());
        RunCommand("ogr2ogr -f DGN " + opts + " '" + out + "' '" + mif + "' 2>/dev/null");
        RunCommand("ogr2ogr -f DGN " + opts + " '" + out2 + "' '" + csv + "' -oo GEOM_POSSIBLE_NAMES=WKT 2>/dev/null");
        ExpectSameAsPeer(out, 7);
        ExpectSameAsPeer(out2, 40);
    }
}

TEST(GisLayerDGNPeer, ThreeDimensionalOriginsAndTextsAsOgrinfoReadsThem) {
    if (!HaveGdal()) GTEST_SKIP() << "ogr2ogr/ogrinfo not installed";
    for (bool threeD : {false, true}) {
        DgnBuild b(threeD);
        b.Add(b.DesignHeader(4, 250, -123456.0, 7890.0, -2000.0))
            .Add(b.Text({5000, 9000, 1000}, "label"))
            .Add(b.Vertices(4, {{-200000, 8000, -3000}, {0, 0, 0}, {1000000, -5000, 4000}}))
            .Add(b.Vertices(6, {{0, 0, 7}, {1000, 0, 8}, {1000, 1000, 9}, {0, 0, 7}}));
        ExpectSameAsPeer(Write(threeD ? "dgn_peer_o3.dgn" : "dgn_peer_o2.dgn", b.Bytes()), 3);
    }
}

TEST(GisLayerDGNPeer, ColoursAndFillsAsOgrinfoStylesThem) {
    if (!HaveGdal()) GTEST_SKIP() << "ogr2ogr/ogrinfo not installed";
    DgnBuild b;
    std::vector<std::vector<uint8_t>> table;
    for (int i = 0; i < 256; ++i) table.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    std::string line = b.Line({0, 0}, {10, 10});
    DgnBuild::SetDisplay(line, 255);
    std::string line2 = b.Line({0, 0}, {10, 10});
    DgnBuild::SetDisplay(line2, 17);
    std::string area = b.Vertices(6, {{0, 0}, {4, 0}, {4, 4}, {0, 0}});
    DgnBuild::SetDisplay(area, 2);
    DgnBuild::AddAttributes(area, {0x1007, 0x0041, 0x0802, 0x0001, 100, 0, 0, 0, 0});
    b.Add(b.DesignHeader(10, 100, 0, 0, 0)).Add(DgnBuild::ColorTable(table)).Add(line).Add(line2).Add(area);
    const std::string path = Write("dgn_peer_colours.dgn", b.Bytes());
    const std::vector<PeerFeature> peer = Ogrinfo(path);
    ASSERT_EQ(peer.size(), 3u);
    auto layer = OpenLayer(path);
    ScanAll(*layer);  // meets the colour table
    auto hex = [](uint32_t c) {
        char s[8];
        std::snprintf(s, sizeof s, "#%02x%02x%02x", c & 255, (c >> 8) & 255, (c >> 16) & 255);
        return std::string(s);
    };
    EXPECT_NE(peer[0].style.find("c:" + hex(layer->FileColor(255))), std::string::npos) << peer[0].style;
    EXPECT_NE(peer[1].style.find("c:" + hex(layer->FileColor(17))), std::string::npos) << peer[1].style;
    EXPECT_NE(peer[2].style.find("c:" + hex(layer->FileColor(2))), std::string::npos) << peer[2].style;
    EXPECT_NE(peer[2].style.find("fc:" + hex(layer->FileColor(100))), std::string::npos) << peer[2].style;
}

}  // namespace
