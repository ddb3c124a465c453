// The preview's added layers: SHP, TAB and MIF files written by ogr2ogr and by the sheet engine, their names and
// styles, files the layers refuse, and the sheet picture drawn again from the engine's MIF export.
#include "tests/app/PreviewFixture.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "gis/layers/GisLayerDGN.h"
#include "gis/layers/GisLayerMIF.h"
#include "gis/layers/GisLayerSHP.h"
#include "gis/layers/GisLayerTAB.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Dialogs.h"
#include "tests/engine/ExportTestUtil.h"
#include "tests/gis/core/ChangedFile.h"

namespace {

bool HaveOgr() { return std::system("ogr2ogr --version >/dev/null 2>&1") == 0; }

class PreviewLayers : public PreviewTest {
protected:
    void SetUp() override {
        PreviewTest::SetUp();
        dir = TestDir("preview");
    }
    void TearDown() override {
        SetFileDialogHook(nullptr);
        PreviewTest::TearDown();
    }
    // A province polygon, a road and a town around the J-50 sheets, as `ext` written by ogr2ogr.
    std::string Ogr(const std::string& name, const std::string& driver, const std::string& ext) {
        const std::string csv = dir + "/" + name + ".csv";
        std::ofstream(csv) << "WKT,name\n"
                           << "\"POLYGON ((116.2 38.1,117.3 38.3,117.2 38.9,116.4 38.8,116.2 38.1))\",p\n"
                           << "\"LINESTRING (116.0 38.5,116.8 38.6,117.5 38.2)\",r\n"
                           << "\"POINT (116.75 38.45)\",t\n";
        const std::string out = dir + "/" + name + ext;
        RunCommand("ogr2ogr -f \"" + driver + "\" '" + out + "' '" + csv +
                   "' -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO 2>&1");
        EXPECT_TRUE(std::filesystem::exists(out)) << out;
        return out;
    }
    // The open dialog answered with these files under that filter, then "增加图层" clicked.
    void Open(const std::vector<std::string>& files, int filter) {
        SetFileDialogHook([files, filter](TOpenDialog* d) {
            d->SetFilterIndex(filter);
            d->SetFiles(files);
            return std::string();
        });
        ClickTool("BtnOpen");
        SetFileDialogHook(nullptr);
    }
    std::string dir;
};

TEST_F(PreviewLayers, ShpTabAndMifFilesAddWithRandomColours) {
    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    f->LoadTessarols(J50Sheets(3, 3), true);
    const std::string shp = Ogr("roads", "ESRI Shapefile", ".shp");
    const std::string tab = Ogr("towns", "MapInfo File", ".tab");
    const std::string mif = Ogr("areas", "MapInfo File", ".mif");
    const std::string dgn = Ogr("design", "DGN", ".dgn");
    Open({shp}, 1);
    Open({tab}, 2);
    Open({mif}, 3);
    Open({dgn}, 4);  // any other filter entry opens a design file
    ASSERT_EQ(v->LayerCount(), 5);
    EXPECT_NE(dynamic_cast<TGIS_LayerSHP*>(v->Layer(1)), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_LayerTAB*>(v->Layer(2)), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_LayerMIF*>(v->Layer(3)), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_LayerDGN*>(v->Layer(4)), nullptr);
    const std::string names[] = {"", dir + "/roads_1", dir + "/towns_1", dir + "/areas_1", dir + "/design_1"};
    for (int i = 1; i < 5; ++i) {
        auto* l = dynamic_cast<TGIS_LayerVector*>(v->Layer(i));
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->Name, names[i]);
        EXPECT_LT(l->Extent.XMin, 116.3) << names[i];
        EXPECT_GT(l->Extent.XMax, 117.2) << names[i];
        TGIS_ParamsSectionVector* p = l->GetParams();
        EXPECT_EQ(p->Marker().OutlineColor(), p->Marker().Color());
        EXPECT_EQ(p->Line().Width(), -2);
        EXPECT_EQ(p->Area().OutlineWidth(), -2);
        EXPECT_EQ(p->Area().OutlinePattern(), 0);
        EXPECT_EQ(p->Area().Pattern(), 0);
        EXPECT_LE(p->Area().OutlineColor(), 0xFFFFFFu);
    }
    // The extent of all layers is shown.
    const TGIS_Extent e = v->GetVisibleExtent();
    EXPECT_LE(e.XMin, 116.0 + 1e-9);
    EXPECT_GE(e.XMax, 117.5 - 1e-9);
    SavePng("layers");
    // Cleared with the sheets.
    UiTest::AnswerMessageBoxes(IDYES);
    ClickTool("BtnDelete");
    EXPECT_EQ(v->LayerCount(), 0);
}

TEST_F(PreviewLayers, NamesOfOneFolderDifferingInCaseBothAdd) {
    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    f->LoadTessarols(J50Sheets(2, 2), true);
    const std::string upper = Ogr("A", "ESRI Shapefile", ".shp");
    const std::string lower = Ogr("a", "ESRI Shapefile", ".shp");
    const int boxes = UiTest::MessageBoxCount();
    Open({upper, lower}, 1);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes);
    ASSERT_EQ(v->LayerCount(), 3);
    EXPECT_EQ(v->Layer(1)->Name, dir + "/A_1");
    EXPECT_EQ(v->Layer(2)->Name, dir + "/a_2");
    // The same file again counts on.
    Open({upper}, 1);
    ASSERT_EQ(v->LayerCount(), 4);
    EXPECT_EQ(v->Layer(3)->Name, dir + "/A_3");
}

TEST_F(PreviewLayers, ARefusedFileGivesOneMessageAndStopsTheSelection) {
    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    f->LoadTessarols(J50Sheets(2, 2), true);
    const std::string good = Ogr("good", "ESRI Shapefile", ".shp");
    const std::string bad = dir + "/bad.shp";
    std::ofstream(bad, std::ios::binary) << std::string(300, '\xA5');
    std::ofstream(dir + "/bad.shx", std::ios::binary) << std::string(120, '\x5A');
    UiTest::AnswerMessageBoxes(IDOK);
    const int boxes = UiTest::MessageBoxCount();
    Open({bad, good}, 1);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(v->LayerCount(), 1);  // the later file is not added either
    // After a good one: the good one stays, shown with the rest.
    Open({good, bad}, 1);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 2);
    EXPECT_EQ(v->LayerCount(), 2);
}

// A file the layer needs and cannot open is named in the system's own words.
TEST_F(PreviewLayers, AMissingTableIsNamedInChinese) {
    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    f->LoadTessarols(J50Sheets(1, 1), true);
    const std::string shp = Ogr("notable", "ESRI Shapefile", ".shp");
    const std::string dbf = shp.substr(0, shp.size() - 4) + ".dbf";
    ASSERT_TRUE(DiskRemove(dbf));
    UiTest::AnswerMessageBoxes(IDOK);
    const int boxes = UiTest::MessageBoxCount();
    Open({shp}, 1);
    ASSERT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxText(), "无法打开文件“" + dbf + "”。文件不存在。");
    EXPECT_EQ(v->LayerCount(), 1);
}

// The engine's MIF export of the same sheets, added as a layer, outlines the same pixels.
TEST_F(PreviewLayers, TheEnginesMifExportDrawsOnTheSheetOutlines) {
    const TStandardTessarols sheets = J50Sheets(3, 2);
    f->LoadTessarols(sheets, true);
    const std::string mif = dir + "/sheets.mif";
    ASSERT_TRUE(SaveTessarolsToMifLL(mif, sheets));
    f->AddLayers({mif}, 3);
    ASSERT_EQ(v->LayerCount(), 2);
    auto* layer = dynamic_cast<TGIS_LayerVector*>(v->Layer(1));
    ASSERT_NE(layer, nullptr);
    const TColor outline = TColor(layer->GetParams()->Area().OutlineColor());
    f->SheetLayer()->Active = false;
    Settle();
    std::unique_ptr<TBitmap> shot(UiTest::Capture(v));
    const int ox = v->WindowClientRect().Left, oy = v->WindowClientRect().Top;
    auto near = [&](const TPoint& p, TColor c) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (shot->Canvas()->Pixel(p.X + dx + ox, p.Y + dy + oy) == c) return true;
        return false;
    };
    int checked = 0;
    for (const auto& column : sheets)
        for (const TStandardTessarol& t : column) {
            const double w = DmsToDegree(t.West), s = DmsToDegree(t.South), e = DmsToDegree(t.East),
                         n = DmsToDegree(t.North);
            for (double k : {0.25, 0.5, 0.75}) {
                const TGIS_Point on[4] = {{w + k * (e - w), n}, {e, s + k * (n - s)}, {w + k * (e - w), s},
                                          {w, s + k * (n - s)}};
                for (const TGIS_Point& p : on) {
                    EXPECT_TRUE(near(v->MapToScreen(p), outline)) << t.SheetNo << " " << p.X << " " << p.Y;
                    ++checked;
                }
            }
        }
    EXPECT_EQ(checked, 6 * 12);
    SavePng("mif-export");
}

}  // namespace

// A file opens as what its name says whatever filter it was chosen under; other names follow the filter.
TEST_F(PreviewLayers, AFileOpensByItsOwnExtension) {
    const TStandardTessarols sheets = J50Sheets(1, 1);
    f->LoadTessarols(sheets, true);
    const std::string mif = dir + "/sheets.MIF";
    ASSERT_TRUE(SaveTessarolsToMifLL(mif, sheets));
    const int boxes = UiTest::MessageBoxCount();
    f->AddLayers({mif}, 1);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes);
    ASSERT_EQ(v->LayerCount(), 2);
    EXPECT_NE(dynamic_cast<TGIS_LayerMIF*>(v->Layer(1)), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_LayerTAB*>(CreateMapFileLayer("/d/a.tab", 3).get()), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_LayerSHP*>(CreateMapFileLayer("/d/a.Shp", 2).get()), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_LayerDGN*>(CreateMapFileLayer("/d/a.dgn", 1).get()), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_LayerTAB*>(CreateMapFileLayer("/d/a.dat", 2).get()), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_LayerDGN*>(CreateMapFileLayer("/d/a", 7).get()), nullptr);
}

// Another program saving over an open shapefile: the paint that meets the lost bytes reports it once per paint,
// the program goes on, and the layers can be removed and the file opened again.
TEST_F(PreviewLayers, AFileCutShortByAnotherProgramIsReportedByThePaintAndOpensAgain) {
    if (!HaveOgr()) GTEST_SKIP() << "ogr2ogr is not installed";
    f->LoadTessarols(J50Sheets(3, 3), true);
    const std::string shp = Ogr("cut", "ESRI Shapefile", ".shp");
    std::string bytes;
    ASSERT_TRUE(DiskReadAll(shp, bytes));
    UiTest::AnswerMessageBoxes(IDOK);
    const int boxes = UiTest::MessageBoxCount();
    f->AddLayers({shp}, 1);
    ASSERT_EQ(v->LayerCount(), 2);
    Settle();
    ASSERT_EQ(UiTest::MessageBoxCount(), boxes);
    ASSERT_EQ(truncate(shp.c_str(), 0), 0);
    Settle();
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxText(), ChangedFileMessage(shp));
    ASSERT_TRUE(DiskWriteAll(shp, bytes));
    UiTest::AnswerMessageBoxes(IDYES);
    ClickTool("BtnDelete");
    EXPECT_EQ(v->LayerCount(), 0);
    UiTest::AnswerMessageBoxes(IDOK);
    const int after = UiTest::MessageBoxCount();
    f->AddLayers({shp}, 1);
    ASSERT_EQ(v->LayerCount(), 1);
    Settle();
    EXPECT_EQ(UiTest::MessageBoxCount(), after);
}
