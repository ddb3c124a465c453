#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "gis/core/GisProjections.h"
#include "gis/layers/GisParams.h"
#include "gis/layers/GisViewer.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/gis/layers/TestLayer.h"

namespace {

std::string OutPath(const std::string& name) { return std::string(QM_TEST_OUT) + "/" + name; }

std::string ReadAll(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::trunc);
    f << text;
}

// A layer of a data file, with the configuration beside it.
TTestLayer* AddFileLayer(TGIS_Viewer& w, const std::string& name, const std::string& path) {
    auto* l = new TTestLayer(name, {0, 0, 10, 10});
    l->Path = path;
    l->UseConfig = true;
    w.Add(l);
    return l;
}

// A 200 x 100 window over 1000 x 1000 map units: the fit zoom is 0.098, so any zoom from 0.1 up can be set.
class LayerFixture : public ::testing::Test {
protected:
    void SetUp() override { v.SetBounds(0, 0, 200, 100); }
    TTestLayer* AddLayer(const std::string& name, const TGIS_Extent& e = {0, 0, 1000, 1000}) {
        auto* l = new TTestLayer(name, e);
        v.Add(l);
        return l;
    }
    struct App {
        App() { UiTest::Init(); }
    } app;
    TGIS_Viewer v{nullptr};
};

TEST_F(LayerFixture, ZOrderMovesTheLayerInTheList) {
    TTestLayer free("free");
    EXPECT_EQ(free.GetZOrder(), -1);
    free.SetZOrder(0);  // no viewer: nothing
    TTestLayer* a = AddLayer("a");
    TTestLayer* b = AddLayer("b");
    TTestLayer* c = AddLayer("c");
    EXPECT_EQ(a->GetZOrder(), 2);
    EXPECT_EQ(c->GetZOrder(), 0);
    a->SetZOrder(0);  // to the end, drawn last
    EXPECT_EQ(v.Items, (std::vector<TGIS_LayerAbstract*>{b, c, a}));
    a->SetZOrder(7);  // clamped to the bottom
    EXPECT_EQ(v.Items, (std::vector<TGIS_LayerAbstract*>{a, b, c}));
    c->SetZOrder(1);
    EXPECT_EQ(v.Items, (std::vector<TGIS_LayerAbstract*>{a, c, b}));

    // Only the top layer, active and painted apart, over a cached viewer.
    EXPECT_FALSE(b->IsCachedPaint());
    b->CachedPaint = false;
    EXPECT_TRUE(b->IsCachedPaint());
    EXPECT_FALSE(c->IsCachedPaint() || (c->CachedPaint = false, c->IsCachedPaint()));
    b->Active = false;
    EXPECT_FALSE(b->IsCachedPaint());
    b->Active = true;
    v.SetCachedPaint(false);
    EXPECT_FALSE(b->IsCachedPaint());

    // A layer freed on its own leaves the list.
    delete c;
    EXPECT_EQ(v.Items, (std::vector<TGIS_LayerAbstract*>{a, b}));
}

TEST_F(LayerFixture, SectionsApplyByStyleZoomAndScale) {
    TTestLayer* l = AddLayer("l");
    TGIS_ParamsList& list = l->ParamsList();
    list.AddCopy();
    TGIS_ParamsSection* byZoom = list.GetSection(1);
    byZoom->SetMinZoom(-2);  // at least 2 pixels per unit
    list.AddCopy();
    TGIS_ParamsSection* byScale = list.GetSection(2);
    byScale->SetMinScale(0.001);  // scale limits govern, zoom limits ignored
    byScale->SetMinZoom(-1000);
    list.AddCopy();
    TGIS_ParamsSection* other = list.GetSection(3);
    other->SetStyle("SELECTED");
    list.AddCopy();
    TGIS_ParamsSection* twips = list.GetSection(4);
    twips->SetMaxZoom(1440 * 1.6 / 96);  // in zoom per inch: up to 1.6 pixels per unit at 96 ppi

    v.SetZoom(1.5);
    l->PrepareParams("");
    EXPECT_EQ(l->ActiveSections, (std::vector<TGIS_ParamsSection*>{list.GetSection(0), twips}));
    EXPECT_EQ(list.SelectedIndex(), 0);
    v.SetZoom(2);
    l->PrepareParams("");
    EXPECT_EQ(l->ActiveSections, (std::vector<TGIS_ParamsSection*>{list.GetSection(0), byZoom}));
    l->PrepareParams("selected");
    EXPECT_EQ(l->ActiveSections, (std::vector<TGIS_ParamsSection*>{other}));

    // One pixel of 0.26 mm shows 0.5 m: scale 1:1890.
    v.SetZoom(2);
    byScale->SetMinScale(0.0005);
    l->PrepareParams("");
    EXPECT_EQ(l->ActiveSections.back(), byScale);
    byScale->SetMaxScale(0.0004);
    l->PrepareParams("");
    EXPECT_NE(l->ActiveSections.back(), byScale);
}

TEST_F(LayerFixture, SelectingASectionKeepsTheOrder) {
    TTestLayer* l = AddLayer("l");
    TGIS_ParamsList& list = l->ParamsList();
    list.AddCopy();
    list.AddCopy();
    l->PrepareParams("");
    const std::vector<TGIS_ParamsSection*> found = l->ActiveSections;
    ASSERT_EQ(found.size(), 3u);
    l->SelectSection(1);
    EXPECT_EQ(l->Params, list.GetSection(1));
    EXPECT_EQ(l->ActiveSections, found);  // the last active section stays the last
    l->SelectSection(-1);
    EXPECT_EQ(l->Params, list.GetSection(1));
    EXPECT_THROW(l->SelectSection(3), EAssertionFailed);
    l->ActiveSections.push_back(nullptr);
    EXPECT_THROW(l->SelectSection(3), EAssertionFailed);

    // GetParams clears the shape the section was styling.
    TGIS_ParamsShape shape;
    l->Params->SetShape(&shape);
    EXPECT_EQ(l->GetParams()->Shape(), nullptr);
}

TEST_F(LayerFixture, ConfigurationRoundTrip) {
    const std::string data = OutPath("viewer_layer_rt.shp");
    std::remove((data + ".ini").c_str());
    std::remove((data + ".ini~").c_str());
    {
        TGIS_Viewer w(nullptr);
        TTestLayer* l = AddFileLayer(w, "rt", data);
        ASSERT_NE(l->Config(), nullptr);
        EXPECT_EQ(l->ConfigName(), data);
        l->CachedPaint = false;
        l->CodePage = 950;
        l->Units.SetCode(3);
        l->GetParams()->SetTransparency(40);
        l->ParamsList().AddCopy();
        l->ParamsList().GetSection(1)->SetMinZoom(-5);
        l->ParamsList().GetSection(1)->SetStyle("selected");
        l->ParamsList().Select(1);
        l->WriteConfig(false);
        EXPECT_EQ(l->ParamsList().SelectedIndex(), 1);  // the section current before
        EXPECT_TRUE(l->MustSave());
        l->SaveAll();
        EXPECT_FALSE(l->MustSave());
    }
    const std::string text = ReadAll(data + ".ini");
    EXPECT_LT(text.find("CachedPaint"), text.find("IncrementalPaint"));
    EXPECT_NE(text.find("[Kelvoran Layer 1]"), std::string::npos);

    TGIS_Viewer w(nullptr);
    TTestLayer* l = AddFileLayer(w, "rt", data);
    EXPECT_FALSE(l->CachedPaint);
    EXPECT_EQ(l->GetCodePage(), 950);
    EXPECT_EQ(l->GetOutCodePage(), 936);
    EXPECT_EQ(l->Units.Code, 3);
    ASSERT_EQ(l->ParamsList().Count(), 2);
    EXPECT_EQ(l->ParamsList().GetSection(0)->Transparency(), 40);
    EXPECT_EQ(l->ParamsList().GetSection(1)->MinZoom(), -5);
    EXPECT_EQ(l->ParamsList().GetSection(1)->Style(), "selected");
    // The extra section inherits what the default one read.
    EXPECT_EQ(l->ParamsList().GetSection(1)->Transparency(), 40);

    // Reading again drops the sections it frees from the active list too.
    w.SetZoom(10);
    l->PrepareParams("selected");
    ASSERT_EQ(l->ActiveSections.size(), 1u);
    WriteAll(data + ".ini", "[Kelvoran Layer]\nCachedPaint=TRUE\n");
    l->RereadConfig();
    EXPECT_TRUE(l->CachedPaint);
    EXPECT_EQ(l->ParamsList().Count(), 1);
    EXPECT_TRUE(l->ActiveSections.empty());
}

TEST_F(LayerFixture, TheProjectConfigurationComesAfterTheLayersOwn) {
    const std::string data = OutPath("viewer_layer_pc.shp");
    const std::string project = OutPath("viewer_project.ini");
    WriteAll(data + ".ini",
             "[Kelvoran Layer]\nTransparency=30\n[Kelvoran Layer 1]\nStyle=a\n[Kelvoran Layer 2]\nStyle=b\n");
    WriteAll(project,
             "[Kelvoran Layer1]\nName=pc\nIncrementalPaint=FALSE\nAddition=5\n[Kelvoran Layer1 1]\nStyle=c\n");
    TGIS_Viewer w(nullptr);
    w.SetProjectPath(project);
    TTestLayer* l = AddFileLayer(w, "pc", data);
    EXPECT_FALSE(l->IncrementalPaint);
    TGIS_ParamsList& list = l->ParamsList();
    EXPECT_EQ(list.GetSection(0)->Transparency(), 30);
    EXPECT_EQ(list.GetSection(0)->Addition(), 5);
    ASSERT_EQ(list.Count(), 2);  // the project's sections replace the file's
    EXPECT_EQ(list.GetSection(1)->Style(), "c");

    // Written to the project, then read back from there alone.
    l->WriteConfig(true);
    w.ProjectConfig()->Save();
    EXPECT_NE(ReadAll(project).find("Style=c"), std::string::npos);
    w.Close();
    EXPECT_EQ(w.ProjectConfig(), nullptr);
    EXPECT_EQ(w.ProjectPath(), "");
}

TEST_F(LayerFixture, ConfigurationNames) {
    TTestLayer l("dummy");
    l.UseConfig = true;
    l.Open(&v);
    ASSERT_NE(l.Config(), nullptr);
    EXPECT_EQ(l.Config()->BasePath(), "_DUMMY");
    EXPECT_EQ(l.ConfigName(), "");
    l.Config()->WriteValue("Key", "1");
    EXPECT_FALSE(l.MustSave());  // a layer without a file never writes one
    l.SaveAll();

    const std::string data = OutPath("viewer_layer_names");
    l.SetConfigName(data);
    TGIS_Ini* bound = l.Config();
    l.SetConfigName("  " + UpperCase(data) + " ");
    EXPECT_EQ(l.Config(), bound);
    l.SetConfigName(data + "x");
    EXPECT_EQ(l.ConfigName(), data + "x");
    l.Viewer = nullptr;
}

TEST_F(LayerFixture, OptionsFallBackToTheViewer) {
    TTestLayer l("x");
    EXPECT_EQ(l.GetCodePage(), 936);
    EXPECT_EQ(l.GetCharSet(), 1);
    v.CodePage = 1250;
    v.CharSet = 134;
    l.Viewer = &v;
    EXPECT_EQ(l.GetCodePage(), 1250);
    EXPECT_EQ(l.GetOutCodePage(), 936);
    EXPECT_EQ(l.GetCharSet(), 134);
    l.CharSet = 0;
    EXPECT_EQ(l.GetCharSet(), 0);
    l.Viewer = nullptr;
    EXPECT_THROW(l.TGIS_LayerAbstract::Paint(), EAbstractError);
    EXPECT_THROW(l.TGIS_LayerAbstract::PaintLabels(), EAbstractError);
    EXPECT_THROW(l.TGIS_LayerAbstract::RevertAll(), EAbstractError);
}

TEST_F(LayerFixture, NotificationOfExtentChanges) {
    TTestLayer* l = AddLayer("l", {0, 0, 10, 10});
    int changes = 0;
    v.OnExtentChange = [&](TObject*) { ++changes; };
    l->LockNotify();
    l->SetExtent({0, 0, 20, 20});
    l->SetExtent({0, 0, 30, 30});
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(GisIsSameExtent(l->ProjectedExtent, {0, 0, 30, 30}));
    l->UnlockNotify();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(GisIsSameExtent(v.Extent, {0, 0, 30, 30}));
}

TEST_F(LayerFixture, ClipExtentOfTheViewersClip) {
    TTestLayer* l = AddLayer("l");
    v.SetZoom(2);
    v.Delta = {100, 50};
    TBitmap bmp(200, 100, pf24bit);
    v.SetTargetBitmap(&bmp);
    v.SetOutputMode(gisOutputBitmap);
    bmp.Canvas()->IntersectClipRect(11, 21, 51, 41);
    const TGIS_Extent e = l->GetClipExtent();
    EXPECT_DOUBLE_EQ(e.XMin, 105);
    EXPECT_DOUBLE_EQ(e.XMax, 125);
    EXPECT_DOUBLE_EQ(e.YMax, 940);
    EXPECT_DOUBLE_EQ(e.YMin, 930);
    TTestLayer free("free");
    EXPECT_THROW(free.GetClipExtent(), EAssertionFailed);
}

// Identity, as a projection that is nobody's registered instance.
class TestProjection : public TGIS_ProjectionAbstract {
public:
    std::string Code() const override { return "TST"; }
    std::string Description() const override { return "test"; }
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override {
        return std::make_unique<TestProjection>();
    }
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override {
        ++calls;
        out = in;
    }
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override { out = in; }
    int calls = 0;
};

TEST_F(LayerFixture, ProjectedExtentWalksAFixedGrid) {
    auto* proj = new TestProjection;
    v.SetProjection(proj);
    // Steps below the spacing of doubles at 1e17: counted, not summed, so the walk ends.
    TTestLayer* l = AddLayer("far", {1e17, 1e17, 1e17 + 16, 1e17 + 16});
    EXPECT_TRUE(GisIsSameExtent(l->ProjectedExtent, {1e17, 1e17, 1e17 + 16, 1e17 + 16}));

    // Through the layer's units and back.
    l->Units.SetCode(3);  // kilometres
    const TGIS_Point q = l->Project({2, 3});
    EXPECT_DOUBLE_EQ(q.X, 2000);
    EXPECT_DOUBLE_EQ(q.Y, 3000);
    const TGIS_Point r = l->Unproject(q);
    EXPECT_DOUBLE_EQ(r.X, 2);
    EXPECT_DOUBLE_EQ(r.Y, 3);
    const TGIS_Extent u = l->ProjectExtent({1, 2, 3, 4});
    EXPECT_TRUE(GisIsSameExtent(u, {1000, 2000, 3000, 4000}));
    EXPECT_TRUE(GisIsSameExtent(l->UnprojectExtent(u), {1, 2, 3, 4}));
    l->Units.SetCode(0);

    // Eight points of the box, then the grid: 37 rows of 73.
    proj->calls = 0;
    l->Extent = {0, 0, 72, 36};
    l->RecalcProjectedExtent();
    EXPECT_EQ(proj->calls, 8 + 37 * 73);
    // Zero height: the box of the eight points alone.
    proj->calls = 0;
    l->Extent = {0, 5, 72, 5};
    l->RecalcProjectedExtent();
    EXPECT_EQ(proj->calls, 8);
    EXPECT_TRUE(GisIsSameExtent(l->ProjectedExtent, {0, 5, 72, 5}));
    // An empty extent stays empty, unprojected.
    l->Extent = GisEmptyExtent();
    l->RecalcProjectedExtent();
    EXPECT_TRUE(GisIsSameExtent(l->ProjectedExtent, GisEmptyExtent()));
}

TEST_F(LayerFixture, ProjectedExtentThroughGeocentricMatchesProj) {
    if (std::system("command -v cs2cs >/dev/null 2>&1") != 0) GTEST_SKIP() << "cs2cs (proj-bin) is not installed";
    TGIS_ProjectionAbstract* gec = GisProjectionList().FindByCode("GEC");
    ASSERT_NE(gec, nullptr);
    TGIS_Viewer w(nullptr);
    w.SetProjection(gec);
    auto* l = new TTestLayer("geo", {100, 20, 110, 30});
    l->Units.SetCode(20);  // decimal degrees
    w.Add(l);

    const TGIS_Extent e = l->Extent;
    const std::string in = OutPath("viewer_gec_in.txt");
    {
        std::ofstream f(in);
        f.precision(17);
        const double mx = (e.XMin + e.XMax) / 2, my = (e.YMin + e.YMax) / 2;
        f << mx << " " << e.YMin << "\n" << mx << " " << e.YMax << "\n";
        f << e.XMin << " " << my << "\n" << e.XMax << " " << my << "\n";
        const double sx = (e.XMax - e.XMin) / 72, sy = (e.YMax - e.YMin) / 36;
        for (int i = 0; i <= 36; ++i)
            for (int j = 0; j <= 72; ++j)
                if (e.YMin + i * sy <= e.YMax && e.XMin + j * sx <= e.XMax)
                    f << e.XMin + j * sx << " " << e.YMin + i * sy << "\n";
    }
    const std::string cmd =
        "cs2cs -f %.6f +proj=longlat +datum=WGS84 +to +proj=geocent +datum=WGS84 < " + in;
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_TRUE(p);
    TGIS_Extent want = GisEmptyExtent();
    double x, y, z;
    int n = 0;
    while (std::fscanf(p, "%lf %lf %lf", &x, &y, &z) == 3) {
        want = GisExtentUnion(want, {x, y, x, y});
        ++n;
    }
    pclose(p);
    ASSERT_GT(n, 37 * 73);
    EXPECT_NEAR(l->ProjectedExtent.XMin, want.XMin, 1e-3);
    EXPECT_NEAR(l->ProjectedExtent.XMax, want.XMax, 1e-3);
    EXPECT_NEAR(l->ProjectedExtent.YMin, want.YMin, 1e-3);
    EXPECT_NEAR(l->ProjectedExtent.YMax, want.YMax, 1e-3);
    EXPECT_TRUE(GisIsSameExtent(w.Extent, l->ProjectedExtent));
}

}  // namespace
