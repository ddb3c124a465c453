#include "gis/layers/GisParams.h"

#include <gtest/gtest.h>

#include <map>

#include "gis/core/GisDefs.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisSqlQuery.h"
#include "gis/layers/GisBitmap.h"
#include "gis/layers/GisViewer.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

// Shapes are a later unit; this one only carries its own style.
class StandInShape : public TGIS_ParamsShape {};

// Symbols stand in as addresses that the parameters hold and never touch.
struct FakeSymbols {
    static inline char storage[3];
    static inline std::map<std::string, TGIS_SymbolAbstract*> byName;
    static TGIS_SymbolAbstract* Symbol(int i) { return reinterpret_cast<TGIS_SymbolAbstract*>(&storage[i]); }
    static TGIS_SymbolAbstract* ByName(const std::string& name) {
        auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    }
    static std::string NameOf(const TGIS_SymbolAbstract& s) {
        for (auto& [name, sym] : byName)
            if (sym == &s) return name;
        return "";
    }
};
const TGIS_SymbolProvider kFakeProvider{FakeSymbols::ByName, FakeSymbols::NameOf};

class GisParamsTest : public ::testing::Test {
protected:
    void SetUp() override {
        UiTest::Init();
        saved_ = GisSymbolProvider();
        FakeSymbols::byName = {{"arrow.cgm", FakeSymbols::Symbol(0)}, {"Arial:A", FakeSymbols::Symbol(1)},
                               {"dot.bmp", FakeSymbols::Symbol(2)}};
        GisSetSymbolProvider(&kFakeProvider);
    }
    void TearDown() override { GisSetSymbolProvider(saved_); }
    const TGIS_SymbolProvider* saved_ = nullptr;
};

std::vector<std::string> Lines(const TStringList& l) {
    std::vector<std::string> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l[i]);
    return v;
}

TStringList ListOf(const std::vector<std::string>& v) {
    TStringList l;
    for (auto& s : v) l.Add(s);
    return l;
}

// A fresh vector section, written from the key tables: no key is written for a missing symbol or bitmap.
const std::vector<std::string> kFreshSection = {
    "Style=", "Visible=YES", "MinZoom=0", "MaxZoom=1.7E308", "MinScale=0", "MaxScale=1.7E308",
    "Transparency=100", "Addition=0", "Legend=", "Query=",
    "Render.Expression=", "Render.Chart=", "Render.MinVal=0", "Render.MaxVal=0", "Render.Zones=0",
    "Render.MinValEx=0", "Render.MaxValEx=0", "Render.ZonesEx=0", "Render.SizeDefault=-2",
    "Render.ColorDefault=$800000", "Render.StartSize=-1", "Render.EndSize=-32", "Render.StartColor=$FFFFFF",
    "Render.EndColor=$8000", "Render.StartSizeEx=-1", "Render.EndSizeEx=-32", "Render.StartColorEx=$FF",
    "Render.EndColorEx=$FFFFFF", "Render.Round=0",
    "Line.Style=SOLID", "Line.Width=1", "Line.Color=$10101", "Line.Pattern=SOLID", "Line.SymbolGap=0",
    "Line.SymbolRotate=0", "Line.OutlineStyle=SOLID", "Line.OutlineWidth=0", "Line.OutlineColor=$10101",
    "Line.OutlinePattern=SOLID", "Line.SmartSize=0", "Line.SmartSizeField=", "Line.ShowLegend=NO",
    "Area.Color=$808080", "Area.Pattern=SOLID", "Area.SymbolSize=120", "Area.SymbolGap=120",
    "Area.SymbolRotate=0", "Area.OutlineStyle=SOLID", "Area.OutlineWidth=1", "Area.OutlineColor=$FFFFFF",
    "Area.OutlinePattern=SOLID", "Area.OutlineGap=0", "Area.OutlineRotate=0", "Area.SmartSize=0",
    "Area.SmartSizeField=", "Area.ShowLegend=NO",
    "Marker.Style=BOX", "Marker.Size=150", "Marker.Color=$FF", "Marker.Pattern=SOLID", "Marker.SymbolRotate=0",
    "Marker.OutlineStyle=SOLID", "Marker.OutlineWidth=0", "Marker.OutlineColor=$10101",
    "Marker.OutlinePattern=SOLID", "Marker.SmartSize=0", "Marker.SmartSizeField=", "Marker.ShowLegend=NO",
    "Label.Allocator=YES", "Label.Field=", "Label.Value=", "Label.Font.Name=Arial", "Label.Font.Size=8",
    "Label.Font.Style=NORMAL", "Label.Font.Color=$10101", "Label.Width=1000", "Label.Height=500",
    "Label.Position=UPRIGHT", "Label.Alignment=SINGLE", "Label.Color=$FFFF", "Label.Pattern=SOLID",
    "Label.OutlineStyle=SOLID", "Label.OutlineWidth=1", "Label.OutlineColor=$10101", "Label.OutlinePattern=SOLID",
    "Label.SmartSize=0", "Label.SmartSizeField=", "Label.ShowLegend=NO",
    "Chart.Style=PIE", "Chart.Size=0", "Chart.Values=", "Chart.Legend=", "Chart.ShowLegend=NO"};

TEST_F(GisParamsTest, FreshSectionSavesTheTablesLineByLine) {
    TGIS_ParamsSectionVector s;
    TStringList lines;
    lines.Add("stale");
    s.SaveToStrings(lines);
    const auto got = Lines(lines);
    ASSERT_EQ(got.size(), kFreshSection.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], kFreshSection[i]) << "line " << i;
}

std::string SampleBitmap(const std::string& name, TColor c) {
    TGIS_Bitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) b.Canvas()->SetPixel(x, y, c);
    std::string gbk;
    EXPECT_TRUE(DiskNameToGbk(TestDir("params"), gbk));
    b.SaveToFile(gbk + "/" + name);
    return gbk + "/" + name;
}

// Every key with a value other than its default.
void FillNonDefault(TGIS_ParamsSectionVector& s, const TGIS_Bitmap& bmp) {
    s.SetStyle("night");
    s.SetVisible(false);
    s.SetMinZoom(0.25);
    s.SetMaxZoom(1e6);
    s.SetMinScale(1e-5);
    s.SetMaxScale(0.5);
    s.SetTransparency(40);
    s.SetAddition(-20);
    s.SetLegend("道路");
    s.SetQuery("POP > 10");
    auto& r = s.Render();
    r.SetExpression("POP");
    r.SetChart("A:B");
    r.SetMinVal(1.5);
    r.SetMaxVal(9.5);
    r.SetZones(4);
    r.SetMinValEx(-3);
    r.SetMaxValEx(3);
    r.SetZonesEx(2);
    r.SetSizeDefault(-4);
    r.SetColorDefault(0x123456);
    r.SetStartSize(-2);
    r.SetEndSize(-8);
    r.SetStartColor(0x111111);
    r.SetEndColor(0x222222);
    r.SetStartSizeEx(-3);
    r.SetEndSizeEx(-9);
    r.SetStartColorEx(0x333333);
    r.SetEndColorEx(0x444444);
    r.SetRound(2);
    auto& l = s.Line();
    l.SetStyle(gisPsDashDot);
    l.SetWidth(-3);
    l.SetColor(0x0000AA);
    l.SetBitmap(&bmp);
    l.SetPattern(gisBsCross);
    l.SetSymbol(FakeSymbols::Symbol(0));
    l.SetSymbolGap(30);
    l.SetSymbolRotate(1.25);
    l.SetOutlineStyle(gisPsDot);
    l.SetOutlineWidth(-2);
    l.SetOutlineColor(0x00AA00);
    l.SetOutlineBitmap(&bmp);
    l.SetOutlinePattern(gisBsVertical);
    l.SetSmartSize(200);
    l.SetSmartSizeField("WIDTH");
    l.SetShowLegend(true);
    auto& a = s.Area();
    a.SetColor(0x0A0B0C);
    a.SetBitmap(&bmp);
    a.SetPattern(gisBsFDiagonal);
    a.SetSymbol(FakeSymbols::Symbol(1));
    a.SetSymbolSize(300);
    a.SetSymbolGap(60);
    a.SetSymbolRotate(0.5);
    a.SetOutlineStyle(gisPsClear);
    a.SetOutlineWidth(30);
    a.SetOutlineColor(0x0D0E0F);
    a.SetOutlineBitmap(&bmp);
    a.SetOutlinePattern(gisBsBDiagonal);
    a.SetOutlineSymbol(FakeSymbols::Symbol(2));
    a.SetOutlineGap(15);
    a.SetOutlineRotate(-0.75);
    a.SetSmartSize(-6);
    a.SetSmartSizeField("AREA");
    a.SetShowLegend(true);
    auto& m = s.Marker();
    m.SetStyle(gisMarkerTriangleLeft);
    m.SetSize(-12);
    m.SetColor(0x00FF00);
    m.SetPattern(gisBsDiagCross);
    m.SetSymbol(FakeSymbols::Symbol(0));
    m.SetSymbolRotate(2);
    m.SetOutlineWidth(-1);
    m.SetSmartSize(5);
    auto& lb = s.Labels();
    lb.SetAllocator(false);
    lb.SetField("NAME");
    lb.SetValue("<b>%NAME%</b>");
    lb.Font().SetName("宋体");
    lb.Font().SetSize(12);
    lb.Font().SetStyle(fsBold | fsItalic);
    lb.Font().SetColor(0x0000FF);
    lb.SetWidth(2000);
    lb.SetHeight(-40);
    lb.SetPosition(gisLabelMiddleCenter | gisLabelFlow);
    lb.SetAlignment(gisAlignRightJustify);
    lb.SetColor(0xABCDEF);
    lb.SetPattern(gisBsClear);
    auto& c = s.Chart();
    c.SetStyle(gisChartBar);
    c.SetSize(-50);
    c.SetValues("1.5::7");
    c.SetLegend("A:B:C");
    c.SetShowLegend(true);
}

TEST_F(GisParamsTest, EveryClassRoundTripsItsValues) {
    TGIS_Bitmap bmp;
    bmp.LoadFromFile(SampleBitmap("fill.bmp", RGB(1, 2, 3)));
    TGIS_ParamsSectionVector s;
    FillNonDefault(s, bmp);
    TStringList lines;
    s.SaveToStrings(lines);
    const auto text = Lines(lines);

    TGIS_ParamsSectionVector t;
    t.LoadFromStrings(lines);
    EXPECT_EQ(Lines(lines), text);  // the text is left as it was
    TStringList again;
    t.SaveToStrings(again);
    EXPECT_EQ(Lines(again), text);

    EXPECT_EQ(t.Style(), "night");
    EXPECT_FALSE(t.Visible());
    EXPECT_EQ(t.MinZoom(), 0.25);
    EXPECT_EQ(t.MaxScale(), 0.5);
    EXPECT_EQ(t.Addition(), -20);
    EXPECT_EQ(t.Legend(), "道路");
    EXPECT_EQ(t.QueryText(), "POP > 10");
    EXPECT_EQ(t.Render().ExpressionText(), "POP");
    EXPECT_EQ(t.Render().ChartCount(), 2);
    EXPECT_EQ(t.Render().EndColorEx(), 0x444444u);
    EXPECT_EQ(t.Render().Round(), 2);
    EXPECT_EQ(t.Line().Width(), -3);
    EXPECT_EQ(t.Line().Style(), gisPsDashDot);
    EXPECT_EQ(t.Line().Symbol(), FakeSymbols::Symbol(0));
    EXPECT_EQ(t.Line().SymbolRotate(), 1.25);
    EXPECT_EQ(t.Line().OutlinePattern(), gisBsVertical);
    EXPECT_EQ(t.Line().SmartSizeField(), "WIDTH");
    EXPECT_TRUE(t.Line().ShowLegend());
    // A line's text does not carry its bitmaps; an area's does, by path.
    EXPECT_EQ(t.Line().Bitmap(), nullptr);
    EXPECT_EQ(t.Line().OutlineBitmap(), nullptr);
    ASSERT_NE(t.Area().Bitmap(), nullptr);
    EXPECT_EQ(t.Area().Bitmap()->Path, bmp.Path);
    EXPECT_EQ(t.Area().Bitmap()->Canvas()->Pixel(1, 1), RGB(1, 2, 3));
    EXPECT_EQ(t.Area().OutlineSymbol(), FakeSymbols::Symbol(2));
    EXPECT_EQ(t.Area().OutlineRotate(), -0.75);
    EXPECT_EQ(t.Area().OutlineStyle(), gisPsClear);
    EXPECT_EQ(t.Marker().Style(), gisMarkerTriangleLeft);
    EXPECT_EQ(t.Marker().Pattern(), gisBsDiagCross);
    EXPECT_FALSE(t.Labels().Allocator());
    EXPECT_EQ(t.Labels().Value(), "<b>%NAME%</b>");
    EXPECT_EQ(t.Labels().Font().Name(), "宋体");
    EXPECT_EQ(t.Labels().Font().Size(), 12);
    EXPECT_EQ(t.Labels().Font().Style(), fsBold | fsItalic);
    EXPECT_EQ(t.Labels().Position(), 528);
    EXPECT_EQ(t.Labels().Alignment(), gisAlignRightJustify);
    EXPECT_EQ(t.Chart().Style(), gisChartBar);
    EXPECT_EQ(t.Chart().Values(), (std::vector<double>{1.5, GIS_MAX_PARAMS_LIMIT, 7}));
    EXPECT_EQ(t.Chart().Legend(), "A:B:C");
}

TEST_F(GisParamsTest, RenderMarkersReadAsTheirSentinels) {
    TGIS_ParamsSectionVector s;
    TStringList lines = ListOf({"Line.Width=RENDER", "Line.Color=render", "Area.OutlineWidth=RENDER",
                                "Marker.Size=RENDER", "Render.StartColor=RENDER"});
    s.LoadFromStrings(lines);
    EXPECT_EQ(s.Line().Width(), GIS_RENDER_SIZE);
    EXPECT_EQ(s.Line().Color(), GIS_RENDER_COLOR);
    EXPECT_EQ(s.Area().OutlineWidth(), GIS_RENDER_SIZE);
    EXPECT_EQ(s.Marker().Size(), GIS_RENDER_SIZE);
    EXPECT_EQ(s.Render().StartColor(), GIS_RENDER_COLOR);
    TStringList saved;
    s.SaveToStrings(saved);
    TGIS_ParamsSectionVector t;
    t.LoadFromStrings(saved);
    EXPECT_EQ(t.Line().Width(), GIS_RENDER_SIZE);
    EXPECT_EQ(t.Line().Color(), GIS_RENDER_COLOR);
}

TEST_F(GisParamsTest, ValueRulesOfTheSetters) {
    TGIS_ParamsArea a;
    a.SetColor(0);
    a.SetOutlineColor(0);
    EXPECT_EQ(a.Color(), 0x010101u);
    EXPECT_EQ(a.OutlineColor(), 0x010101u);

    TGIS_ParamsChart c;
    c.SetValues("1::3");
    EXPECT_EQ(c.Values(), (std::vector<double>{1, GIS_MAX_PARAMS_LIMIT, 3}));
    c.SetValues("1:2:");
    EXPECT_EQ(c.Values(), (std::vector<double>{1, 2}));
    c.SetValues("a");
    EXPECT_EQ(c.Values(), (std::vector<double>{0}));
    c.SetValues("");
    EXPECT_TRUE(c.Values().empty());
    c.SetValues("0.5:-2");
    EXPECT_EQ(c.ValuesText(), "0.5:-2");

    TGIS_ParamsRender r;
    r.SetChart(":5:");
    ASSERT_EQ(r.ChartCount(), 2);
    EXPECT_EQ(r.ChartQuery(0)->Text(), "0");
    EXPECT_EQ(r.ChartQuery(1)->Text(), "5");
    r.SetChart("a:::b");
    ASSERT_EQ(r.ChartCount(), 4);
    EXPECT_EQ(r.ChartQuery(0)->Text(), "a");
    EXPECT_EQ(r.ChartQuery(1)->Text(), "0");
    EXPECT_EQ(r.ChartQuery(2), nullptr);
    EXPECT_EQ(r.ChartQuery(3)->Text(), "b");
    EXPECT_EQ(r.Chart(), "a:::b");
    r.SetChart("");
    EXPECT_EQ(r.ChartCount(), 0);

    TGIS_ParamsLabel l;
    TStringList lines = ListOf({"Label.Position=MIDDLECENTER:FLOW", "Label.Font.Size=2000000000"});
    l.LoadFromStrings(lines);
    EXPECT_EQ(l.Position(), 528);
    EXPECT_GT(l.Font().Size(), 1000);  // held within what a font can take

    // Written as YES and NO, read in either form.
    TGIS_ParamsSectionVector s;
    s.SetVisible(false);
    TStringList visible = ListOf({"Visible=TRUE", "Line.ShowLegend=yes"});
    s.LoadFromStrings(visible);
    EXPECT_TRUE(s.Visible());
    EXPECT_TRUE(s.Line().ShowLegend());
}

TEST_F(GisParamsTest, BadQueriesRaiseAndLeaveNone) {
    TGIS_ParamsSectionVector s;
    s.SetQuery("A = 1");
    EXPECT_THROW(s.SetQuery("A = 1 !"), EGIS_Exception);
    EXPECT_EQ(s.Query(), nullptr);
    EXPECT_EQ(s.QueryText(), "");
    EXPECT_THROW(s.Render().SetChart("1:1.2.3 = A"), EGIS_Exception);
    EXPECT_EQ(s.Render().ChartCount(), 0);
    EXPECT_EQ(s.Render().Chart(), "");
}

TEST_F(GisParamsTest, CloneAssignAndChangeCounts) {
    TGIS_ParamsLine l;
    EXPECT_FALSE(l.WasAssigned());
    l.SetWidth(5);
    l.SetWidth(6);
    EXPECT_EQ(l.ChangeCount(), 2);
    auto c = l.Clone();
    auto* copy = dynamic_cast<TGIS_ParamsLine*>(c.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->ChangeCount(), 3);
    EXPECT_TRUE(copy->WasAssigned());
    EXPECT_EQ(copy->Width(), 6);

    // Feature fields cross between feature classes; a class's own ones do not.
    TGIS_ParamsArea a;
    a.SetColor(0x0000FF);
    a.SetSymbolSize(999);
    TGIS_ParamsMarker m;
    m.Assign(a);
    EXPECT_EQ(m.Color(), 0x0000FFu);
    EXPECT_EQ(m.OutlineWidth(), 1);
    EXPECT_EQ(m.Size(), 150);
}

TEST_F(GisParamsTest, CopyOnWriteLeavesTheLayerStyleAlone) {
    TGIS_ParamsSectionVector layer;
    layer.Line().SetWidth(3);
    layer.Render().SetStartSize(-5);
    StandInShape shape;
    layer.SetShape(&shape);
    layer.Line().SetWidth(9);
    ASSERT_TRUE(shape.HasOwnParams());
    TGIS_ParamsSectionVector* own = shape.OwnParams();
    EXPECT_EQ(own->Shape(), &shape);
    EXPECT_EQ(own->Line().Width(), 9);
    EXPECT_EQ(own->Line().Section(), own);
    EXPECT_EQ(layer.Line().Width(), 3);

    // The shape's section carries no render parameters: the write is kept there, from the layer's values.
    layer.Render().SetEndSize(-40);
    EXPECT_EQ(shape.OwnParams(), own);
    ASSERT_NE(own->Find(TGIS_ParamsKind::Render), nullptr);
    EXPECT_EQ(own->Render().EndSize(), -40);
    EXPECT_EQ(own->Render().StartSize(), -5);
    EXPECT_EQ(layer.Render().EndSize(), -32);

    // Later writes go to the same copy; a font change goes to the layer's label in place.
    layer.Area().SetColor(0x00FF00);
    EXPECT_EQ(own->Area().Color(), 0x00FF00u);
    EXPECT_EQ(layer.Area().Color(), 0x808080u);

    layer.SetShape(nullptr);
    layer.Line().SetWidth(4);
    EXPECT_EQ(layer.Line().Width(), 4);
    EXPECT_EQ(own->Line().Width(), 9);
}

TEST_F(GisParamsTest, SectionNamingAMissingSymbolStillLoads) {
    TGIS_ParamsSectionVector s;
    TStringList lines = ListOf({"Marker.Symbol=missing.cgm", "Marker.Size=400", "Line.Symbol=arrow.cgm",
                                "Area.Bitmap=no/such/file.bmp", "Area.Color=$00FF00"});
    s.LoadFromStrings(lines);
    EXPECT_EQ(s.Marker().Symbol(), nullptr);
    EXPECT_EQ(s.Marker().Size(), 400);
    EXPECT_EQ(s.Line().Symbol(), FakeSymbols::Symbol(0));
    EXPECT_EQ(s.Area().Bitmap(), nullptr);
    EXPECT_EQ(s.Area().Color(), 0x00FF00u);
}

TEST_F(GisParamsTest, ParamsListSelectsAndCopies) {
    TGIS_ParamsSection* current = nullptr;
    TGIS_ParamsList list(&current);
    EXPECT_THROW(list.Select(0), EAssertionFailed);
    list.AddDefault(std::make_unique<TGIS_ParamsSectionVector>());
    auto* first = static_cast<TGIS_ParamsSectionVector*>(list.GetSection(0));
    EXPECT_EQ(current, first);
    first->Line().SetWidth(3);
    EXPECT_THROW(list.AddDefault(std::make_unique<TGIS_ParamsSectionVector>()), EAssertionFailed);

    list.AddCopy();
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.SelectedIndex(), 1);
    auto* second = static_cast<TGIS_ParamsSectionVector*>(current);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->Line().Width(), 3);
    second->Line().SetWidth(7);
    EXPECT_EQ(first->Line().Width(), 3);

    list.Select(list.Count());
    EXPECT_EQ(list.SelectedIndex(), 1);
    list.Select(-1);
    EXPECT_EQ(current, second);
    list.ClearExtra();
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(current, first);
}

// ---- drawing preparations, on a target bitmap at 96 ppi ----

class GisParamsPixels : public GisParamsTest {
protected:
    void SetUp() override {
        GisParamsTest::SetUp();
        bmp_ = std::make_unique<TBitmap>(64, 64, pf24bit);
        viewer_ = std::make_unique<TGIS_Viewer>(nullptr);
        viewer_->SetTargetBitmap(bmp_.get());
        viewer_->SetOutputMode(gisOutputBitmap);
        Clear();
    }
    void Clear() {
        TCanvas* c = bmp_->Canvas();
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(clWhite);
        c->FillRect(TRect(0, 0, 64, 64));
    }
    bool Ink(int x, int y) const { return bmp_->Canvas()->Pixel(x, y) != clWhite; }
    // Rows (or columns) of the middle of a horizontal line at y = 32 that the pen covers.
    int Thickness() const {
        int n = 0;
        for (int y = 0; y < 64; ++y) n += Ink(32, y);
        return n;
    }
    void HLine(int x1, int x2) {
        bmp_->Canvas()->MoveTo(x1, 32);
        bmp_->Canvas()->LineTo(x2, 32);
    }
    std::unique_ptr<TBitmap> bmp_;
    std::unique_ptr<TGIS_Viewer> viewer_;
};

TEST_F(GisParamsPixels, EachHatchFillsItsPattern) {
    TGIS_ParamsArea a;
    a.SetColor(0x0000FF);
    auto fill = [&](uint8_t pattern) {
        Clear();
        a.SetPattern(pattern);
        a.PrepareBrush(*viewer_);
        bmp_->Canvas()->FillRect(TRect(0, 0, 64, 64));
    };
    // A row (or a column) inked from end to end.
    auto fullLine = [&](bool rows) {
        for (int i = 0; i < 64; ++i) {
            int n = 0;
            for (int j = 0; j < 64; ++j) n += rows ? Ink(j, i) : Ink(i, j);
            if (n == 64) return true;
        }
        return false;
    };
    auto fullRow = [&] { return fullLine(true); };
    auto fullColumn = [&] { return fullLine(false); };
    // Ink that goes on along (1, dy) from every inked pixel of the inner part.
    auto along = [&](int dy) {
        int inked = 0;
        for (int y = 8; y < 56; ++y)
            for (int x = 8; x < 56; ++x)
                if (Ink(x, y)) {
                    ++inked;
                    if (!Ink(x + 1, y + dy)) return false;
                }
        return inked > 0;
    };
    fill(gisBsSolid);
    EXPECT_TRUE(fullRow() && fullColumn());
    EXPECT_EQ(bmp_->Canvas()->Pixel(10, 10), 0x0000FF);
    fill(gisBsClear);
    EXPECT_FALSE(Ink(10, 10));
    fill(gisBsHorizontal);
    EXPECT_TRUE(fullRow());
    EXPECT_FALSE(fullColumn());
    fill(gisBsVertical);
    EXPECT_TRUE(fullColumn());
    EXPECT_FALSE(fullRow());
    fill(gisBsFDiagonal);
    EXPECT_TRUE(along(1));
    EXPECT_FALSE(along(-1));
    EXPECT_FALSE(fullRow() || fullColumn());
    fill(gisBsBDiagonal);
    EXPECT_TRUE(along(-1));
    EXPECT_FALSE(along(1));
    fill(gisBsCross);
    EXPECT_TRUE(fullRow() && fullColumn());
    EXPECT_FALSE(Ink(1, 1) && Ink(2, 2) && Ink(3, 3) && Ink(4, 4) && Ink(5, 5) && Ink(6, 6));
    fill(gisBsDiagCross);
    EXPECT_FALSE(fullRow() || fullColumn());
    EXPECT_FALSE(along(1) || along(-1));
}

TEST_F(GisParamsPixels, PenWidthsInPixelsAndTwips) {
    TGIS_ParamsLine l;
    l.SetColor(0xFF0000);
    l.SetWidth(-3);
    l.PreparePen(*viewer_);
    HLine(10, 54);
    EXPECT_EQ(Thickness(), 3);
    Clear();
    l.SetWidth(45);  // 3 pixels at 96 ppi
    l.PreparePen(*viewer_);
    HLine(10, 54);
    EXPECT_EQ(Thickness(), 3);
    Clear();
    l.SetWidth(0);
    l.PreparePen(*viewer_);
    EXPECT_EQ(bmp_->Canvas()->Pen()->Style(), psClear);
    HLine(10, 54);
    EXPECT_EQ(Thickness(), 0);

    // The outline is the line's width and an outline width on each side.
    Clear();
    l.SetWidth(-3);
    l.SetOutlineWidth(-2);
    l.SetOutlineColor(0x00FF00);
    l.PrepareOutlinePen(*viewer_);
    HLine(10, 54);
    EXPECT_EQ(Thickness(), 7);
    EXPECT_EQ(bmp_->Canvas()->Pixel(32, 32), 0x00FF00);

    TGIS_ParamsArea a;
    a.SetOutlineWidth(0);
    a.PrepareOutlinePen(*viewer_);
    EXPECT_EQ(bmp_->Canvas()->Pen()->Style(), psClear);
}

TEST_F(GisParamsPixels, SquareCapsOnlyUnderAnOutline) {
    TGIS_ParamsLine l;
    l.SetColor(0xFF0000);
    l.SetWidth(-6);
    l.PreparePen(*viewer_);  // no outline: flat ends
    HLine(20, 40);
    EXPECT_FALSE(Ink(18, 32));
    EXPECT_TRUE(Ink(21, 32));
    Clear();
    l.SetOutlineWidth(-1);
    l.PreparePen(*viewer_);
    HLine(20, 40);
    EXPECT_TRUE(Ink(18, 32));
    EXPECT_TRUE(Ink(42, 32));
}

TEST_F(GisParamsPixels, EqualPreparationsMakeOneBrushAndPen) {
    TGIS_ParamsArea a;
    a.SetColor(0x00FFFF);
    a.PrepareBrush(*viewer_);
    HBRUSH first = TGIS_ParamsFeature::LastBrush();
    TGIS_ParamsArea same;
    same.SetColor(0x00FFFF);
    same.PrepareBrush(*viewer_);
    EXPECT_EQ(TGIS_ParamsFeature::LastBrush(), first);

    // The canvas lost the brush: it is made again.
    bmp_->Canvas()->Brush()->SetColor(clBlack);
    a.PrepareBrush(*viewer_);
    EXPECT_NE(TGIS_ParamsFeature::LastBrush(), first);
    EXPECT_EQ(bmp_->Canvas()->Brush()->Color(), 0x00FFFF);

    // A bitmap made anew is another brush, whatever its address.
    TGIS_Bitmap b1;
    b1.SetSize(8, 8);
    a.SetBitmap(&b1);
    a.PrepareBrush(*viewer_);
    HBRUSH withBitmap = TGIS_ParamsFeature::LastBrush();
    a.SetBitmap(nullptr);
    a.SetBitmap(&b1);
    a.PrepareBrush(*viewer_);
    EXPECT_NE(TGIS_ParamsFeature::LastBrush(), withBitmap);
    ASSERT_NE(bmp_->Canvas()->Brush()->Bitmap(), nullptr);

    TGIS_ParamsLine l;
    l.SetWidth(-2);
    l.PreparePen(*viewer_);
    HPEN pen = TGIS_ParamsFeature::LastPen();
    l.PreparePen(*viewer_);
    EXPECT_EQ(TGIS_ParamsFeature::LastPen(), pen);
    // The canvas pen changed and set back by hand is made again, and holds the line's settings after.
    TPen* canvasPen = bmp_->Canvas()->Pen();
    const TColor lineColour = canvasPen->Color();
    canvasPen->SetColor(clRed);
    canvasPen->SetColor(lineColour);
    l.PreparePen(*viewer_);
    EXPECT_NE(TGIS_ParamsFeature::LastPen(), pen);
    EXPECT_EQ(canvasPen->Color(), lineColour);
    EXPECT_EQ(canvasPen->Width(), 2);
    pen = TGIS_ParamsFeature::LastPen();
    // Same width and colour, other ends: another pen.
    l.SetOutlineWidth(-1);
    l.PreparePen(*viewer_);
    EXPECT_NE(TGIS_ParamsFeature::LastPen(), pen);
}

TEST_F(GisParamsPixels, PatternPenOutlivesTheParams) {
    {
        TGIS_Bitmap pattern;
        pattern.SetPixelFormat(pf24bit);
        pattern.SetSize(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) pattern.Canvas()->SetPixel(x, y, RGB(0, 0, 200));
        TGIS_ParamsLine l;
        l.SetWidth(-4);
        l.SetBitmap(&pattern);
        l.PreparePen(*viewer_);
    }
    HLine(10, 54);
    EXPECT_EQ(bmp_->Canvas()->Pixel(32, 32), RGB(0, 0, 200));
}

}  // namespace
