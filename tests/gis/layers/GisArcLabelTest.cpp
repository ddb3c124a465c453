#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gis/layers/GisArcLabel.h"
#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variants.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

constexpr int W = 300, H = 200;

struct Box {
    int Left = W, Top = H, Right = -1, Bottom = -1;
    int Count = 0;
    bool Empty() const { return Count == 0; }
};

class GisArcLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        UiTest::Init();
        bmp_ = std::make_unique<TBitmap>(W, H, pf24bit);
        Clear();
        viewer_ = std::make_unique<TGIS_Viewer>(nullptr);
        viewer_->SetTargetBitmap(bmp_.get());
        viewer_->SetOutputMode(gisOutputBitmap);
        layer_ = new TGIS_LayerVector;
        viewer_->Add(layer_);
        layer_->SetExtent({0, 0, W, H});
        viewer_->RecalcExtent();
        viewer_->SetZoom(1.0);
        viewer_->SetCenter({W / 2.0, H / 2.0});
        TGIS_ParamsSectionVector* p = layer_->GetParams();
        p->Labels().SetValue("Road 12");
        p->Labels().Font().SetColor(clRed);
        p->Labels().SetColor(clRed);  // no halo unless a test asks for one
        p->Line().SetWidth(-4);
        p->Line().SetOutlineWidth(-1);  // offset (4 + 2 x 1) div 2 = 3
    }
    void Clear() {
        bmp_->Canvas()->Brush()->SetStyle(bsSolid);
        bmp_->Canvas()->Brush()->SetColor(clWhite);
        bmp_->Canvas()->FillRect(TRect(0, 0, W, H));
    }
    TGIS_Shape* Arc(const std::vector<TGIS_Point>& pts) {
        TGIS_Shape* s = layer_->CreateShape(gisShapeTypeArc);
        s->AddPart();
        for (const TGIS_Point& p : pts) s->AddPoint(p);
        return s;
    }
    TPoint Screen(const TGIS_Point& p) { return viewer_->MapToScreen(p); }
    Box Pixels(TColor c) const {
        Box b;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (bmp_->Canvas()->Pixel(x, y) == c) {
                    b.Left = std::min(b.Left, x), b.Right = std::max(b.Right, x);
                    b.Top = std::min(b.Top, y), b.Bottom = std::max(b.Bottom, y);
                    ++b.Count;
                }
        return b;
    }
    // The text as plain TextOut draws it with the label's font, as offsets from its own top left pixel.
    std::vector<TPoint> Glyphs(TColor c) {
        TBitmap ref(W, H, pf24bit);
        ref.Canvas()->Brush()->SetColor(clWhite);
        ref.Canvas()->FillRect(TRect(0, 0, W, H));
        ref.Canvas()->Font()->Assign(layer_->GetParams()->Labels().Font());
        ref.Canvas()->Font()->SetCharset(TFontCharset(layer_->GetCharSet()));
        ref.Canvas()->Brush()->SetStyle(bsClear);
        ref.Canvas()->TextOut(20, 20, "Road 12");
        return Shape(*ref.Canvas(), c);
    }
    static std::vector<TPoint> Shape(TCanvas& canvas, TColor c) {
        std::vector<TPoint> pts;
        int left = W, top = H;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (canvas.Pixel(x, y) == c) {
                    pts.emplace_back(x, y);
                    left = std::min(left, x), top = std::min(top, y);
                }
        for (TPoint& p : pts) p = {p.X - left, p.Y - top};
        return pts;
    }

    std::unique_ptr<TBitmap> bmp_;
    std::unique_ptr<TGIS_Viewer> viewer_;
    TGIS_LayerVector* layer_ = nullptr;
};

TEST(GisArcLabelGeometry, ChordsOffsetsAndAngles) {
    EXPECT_EQ(T_arcLabel::Distance({0, 0}, {3, 4}), 5);
    EXPECT_EQ(T_arcLabel::MoveTowards({10, 10}, {0, 10}, 4), TPoint(6, 10));
    EXPECT_EQ(T_arcLabel::MoveTowards({10, 10}, {10, 10}, 4), TPoint(10, 10));
    // Below the chord on the screen is to its right: positive; past its ends: refused.
    EXPECT_EQ(T_arcLabel::ChordDeviation({0, 0}, {10, 0}, {5, 3}), 3);
    EXPECT_EQ(T_arcLabel::ChordDeviation({0, 0}, {10, 0}, {5, -2}), -2);
    EXPECT_EQ(T_arcLabel::ChordDeviation({0, 0}, {10, 0}, {11, 0}), 16777215);
    TPoint s{0, 0}, e{10, 0};
    T_arcLabel::OffsetChord(s, e, 3);
    EXPECT_EQ(s, TPoint(0, 3));
    EXPECT_EQ(e, TPoint(10, 3));
    s = {10, 0}, e = {0, 0};
    T_arcLabel::OffsetChord(s, e, 3);  // drawn leftwards its right side is up
    EXPECT_EQ(s, TPoint(10, -3));
    s = {0, 0}, e = {0, 10};
    T_arcLabel::OffsetChord(s, e, 3);  // downwards its right side is left
    EXPECT_EQ(s, TPoint(-3, 0));
    EXPECT_EQ(T_arcLabel::ChordAngle({0, 0}, {10, 0}), 0);
    EXPECT_EQ(T_arcLabel::ChordAngle({0, 10}, {10, 0}), 450);
    EXPECT_EQ(T_arcLabel::ChordAngle({0, 0}, {0, 10}), -900);
}

TEST_F(GisArcLabelTest, StraightLineCarriesTheTextCentredAndParallelAtItsOffset) {
    TGIS_Shape* a = Arc({{20, 100}, {280, 100}});
    const TPoint p0 = Screen({20, 100}), p1 = Screen({280, 100});
    GisDrawArcLabel(a, a, 0);
    bmp_->SaveToPNG(TestDir("arclabel") + "/straight.png");
    const Box b = Pixels(clRed);
    ASSERT_FALSE(b.Empty());
    // Below the line, beyond the offset, within one text height.
    EXPECT_GE(b.Top, p0.Y + 3);
    EXPECT_LE(b.Bottom, p0.Y + 3 + bmp_->Canvas()->TextHeight("Road 12") + 1);
    // Centred on the stretch after the margin: well inside the line, right of its start.
    EXPECT_GT(b.Left, p0.X + 10);
    EXPECT_LT(b.Right, p1.X);
    EXPECT_EQ(Shape(*bmp_->Canvas(), clRed), Glyphs(clRed)) << "not drawn upright";
    EXPECT_EQ(viewer_->LabelsArea()->BoxCount(), 1);
}

TEST_F(GisArcLabelTest, LineDrawnRightToLeftReadsLeftToRightOnItsOtherSide) {
    TGIS_Shape* a = Arc({{280, 100}, {20, 100}});
    const TPoint p0 = Screen({20, 100});
    GisDrawArcLabel(a, a, 0);
    bmp_->SaveToPNG(TestDir("arclabel") + "/reversed.png");
    const Box b = Pixels(clRed);
    ASSERT_FALSE(b.Empty());
    EXPECT_LE(b.Bottom, p0.Y - 3);
    EXPECT_GE(b.Top, p0.Y - 3 - bmp_->Canvas()->TextHeight("Road 12") - 1);
    EXPECT_EQ(Shape(*bmp_->Canvas(), clRed), Glyphs(clRed));
}

TEST_F(GisArcLabelTest, TextIsTheFixedValueElseTheField) {
    layer_->AddField("NAME", gisFieldString, 20, 0);
    TGIS_ParamsLabel& labels = layer_->GetParams()->Labels();
    labels.SetValue("");
    labels.SetField("NAME");
    TGIS_Shape* a = Arc({{20, 100}, {280, 100}});
    GisDrawArcLabel(a, a, 0);
    EXPECT_TRUE(Pixels(clRed).Empty()) << "an empty field has no label";
    a->SetField("NAME", Variant(std::string("Road 12")));
    GisDrawArcLabel(a, a, 0);
    EXPECT_EQ(Shape(*bmp_->Canvas(), clRed), Glyphs(clRed));
}

TEST_F(GisArcLabelTest, SlopedLineTurnsTheText) {
    TGIS_Shape* a = Arc({{20, 20}, {220, 180}});
    GisDrawArcLabel(a, a, 0);
    bmp_->SaveToPNG(TestDir("arclabel") + "/sloped.png");
    const Box b = Pixels(clRed);
    ASSERT_FALSE(b.Empty());
    // A turned text spans more height than a level one.
    const int th = bmp_->Canvas()->TextHeight("Road 12");
    EXPECT_GT(b.Bottom - b.Top, 2 * th);
    // Every pixel of it lies in the band beside the line, on its right, from the offset to one text height on.
    const TPoint p0 = Screen({20, 20}), p1 = Screen({220, 180});
    const double dx = p1.X - p0.X, dy = p1.Y - p0.Y, len = std::hypot(dx, dy);
    double nearest = 1e9, farthest = -1e9;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (bmp_->Canvas()->Pixel(x, y) == clRed) {
                const double right = ((x - p0.X) * -dy + (y - p0.Y) * dx) / len;
                nearest = std::min(nearest, right), farthest = std::max(farthest, right);
            }
    EXPECT_GE(nearest, 3 - 1.5);
    EXPECT_LE(farthest, 3 + th + 1.5);
}

TEST_F(GisArcLabelTest, TooCurvedOrTooShortDrawsNothing) {
    std::vector<TGIS_Point> zigzag;
    for (int i = 0; i <= 40; ++i) zigzag.push_back({10.0 + i * 6, i % 2 ? 92.0 : 108.0});
    TGIS_Shape* z = Arc(zigzag);
    TGIS_Shape* s = Arc({{100, 100}, {110, 100}});
    GisDrawArcLabel(z, z, 0);
    GisDrawArcLabel(s, s, 0);
    GisDrawArcLabel(s, s, 5);  // no such part
    EXPECT_TRUE(Pixels(clRed).Empty());
    EXPECT_EQ(viewer_->LabelsArea()->BoxCount(), 0);
}

TEST_F(GisArcLabelTest, PartLongerThanTheSharedBufferIsSearchedAsFarAsItReaches) {
    // Every point is far from the one before, so none is dropped before the search.
    std::vector<TGIS_Point> pts;
    for (int i = 0; i < GIS_MAX_DRAW_POINTS + 5000; ++i) pts.push_back({i % 2 ? 280.0 : 20.0, 100});
    TGIS_Shape* a = Arc(pts);
    GisDrawArcLabel(a, a, 0);
    EXPECT_EQ(viewer_->LabelsArea()->BoxCount(), 1);
    EXPECT_FALSE(Pixels(clRed).Empty());
}

TEST_F(GisArcLabelTest, OverlappingLabelIsRefusedWhenAllocatorIsOn) {
    TGIS_Shape* a = Arc({{20, 100}, {280, 100}});
    TGIS_Shape* b = Arc({{20, 98}, {280, 98}});
    GisDrawArcLabel(a, a, 0);
    const int firstCount = Pixels(clRed).Count;
    GisDrawArcLabel(b, b, 0);
    const Box after = Pixels(clRed);
    // A line of one segment has no later stretch to move to: not drawn at all.
    EXPECT_EQ(after.Count, firstCount);
    EXPECT_EQ(viewer_->LabelsArea()->BoxCount(), 1);
    // A longer bent line moves its label past the taken place.
    TGIS_Shape* c = Arc({{20, 97}, {150, 97}, {150, 20}});
    GisDrawArcLabel(c, c, 0);
    EXPECT_EQ(viewer_->LabelsArea()->BoxCount(), 2);
    EXPECT_GT(Pixels(clRed).Count, firstCount);
    layer_->GetParams()->Labels().SetAllocator(false);
    Clear();
    viewer_->LabelsArea()->Reset();
    GisDrawArcLabel(a, a, 0);
    EXPECT_FALSE(Pixels(clRed).Empty());
    EXPECT_EQ(viewer_->LabelsArea()->BoxCount(), 0);
}

TEST_F(GisArcLabelTest, HaloInTheLabelColourSurroundsTheText) {
    layer_->GetParams()->Labels().SetColor(clYellow);
    TGIS_Shape* a = Arc({{20, 100}, {280, 100}});
    GisDrawArcLabel(a, a, 0);
    bmp_->SaveToPNG(TestDir("arclabel") + "/halo.png");
    const Box text = Pixels(clRed), halo = Pixels(clYellow);
    ASSERT_FALSE(text.Empty());
    ASSERT_FALSE(halo.Empty());
    EXPECT_EQ(halo.Left, text.Left - 1);
    EXPECT_EQ(halo.Right, text.Right + 1);
    EXPECT_EQ(halo.Top, text.Top - 1);
}

TEST_F(GisArcLabelTest, OnlyArcsAreLabelledAlongTheirLine) {
    TGIS_Shape* pt = layer_->CreateShape(gisShapeTypePoint);
    pt->AddPoint({50, 50});
    EXPECT_THROW(GisDrawArcLabel(pt, pt, 0), EAssertionFailed);
    EXPECT_TRUE(Pixels(clRed).Empty());
    // An arc outside any layer has neither style nor viewer: nothing is drawn, nothing fails.
    TGIS_ShapeArc loose;
    loose.AddPart();
    loose.AddPoint({10, 50});
    loose.AddPoint({190, 50});
    GisDrawArcLabel(&loose, &loose, 0);
    GisDrawArcLabel(&loose, &loose, 3);
}

}  // namespace
