#include "gis/layers/GisSymbol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/core/GisIni.h"
#include "gis/layers/GisViewer.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

// A symbol of a fixed natural size that records where and at which angle it is drawn.
class RecordingSymbol : public TGIS_SymbolAbstract {
public:
    RecordingSymbol(int w, int h) : TGIS_SymbolAbstract("recording"), w_(w), h_(h) {}
    int NaturalWidth() const override { return w_; }
    int NaturalHeight() const override { return h_; }
    void SetAngle(double angle) override {
        TGIS_SymbolAbstract::SetAngle(angle);
        angle_ = angle;
    }
    void Draw(int x, int y) override { stamps.push_back({TPoint(x, y), angle_}); }
    struct Stamp {
        TPoint at;
        double angle;
    };
    std::vector<Stamp> stamps;

private:
    int w_, h_;
    double angle_ = 0;
};

class GisSymbolTest : public ::testing::Test {
protected:
    void SetUp() override {
        UiTest::Init();
        bmp_ = std::make_unique<TBitmap>(200, 200, pf24bit);
        viewer_ = std::make_unique<TGIS_Viewer>(nullptr);
        viewer_->SetTargetBitmap(bmp_.get());
        viewer_->SetOutputMode(gisOutputBitmap);
    }
    void Clear() { bmp_->Canvas()->FillRect(TRect(0, 0, 200, 200)); }
    int Count(TColor c) const {
        int n = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) n += bmp_->Canvas()->Pixel(x, y) == c;
        return n;
    }
    // The symbol drawn alone at (100, 100); the pixels that are not white.
    std::vector<TPoint> Drawn(TGIS_SymbolAbstract* s, int size, uint32_t c1, uint32_t c2, double angle = 0) {
        Clear();
        s->Prepare(viewer_.get(), size, 4, 0, angle, c2, c1);
        s->Draw(100, 100);
        s->Unprepare();
        std::vector<TPoint> out;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x)
                if (bmp_->Canvas()->Pixel(x, y) != clWhite) out.emplace_back(x, y);
        return out;
    }
    std::string SavePicture(const std::string& name, bool jpeg) {
        TBitmap b(4, 2, pf24bit);
        b.Canvas()->Brush()->SetColor(clRed);
        b.Canvas()->FillRect(TRect(0, 0, 4, 2));
        const std::string path = TestDir("symbol") + "/" + name;
        if (jpeg) {
            TJPEGImage j;
            j.Assign(b);
            j.SaveToFile(path);
        } else {
            b.SaveToFile(path);
        }
        return path;
    }

    std::unique_ptr<TBitmap> bmp_;
    std::unique_ptr<TGIS_Viewer> viewer_;
};

TEST_F(GisSymbolTest, ListKeysAndKinds) {
    TGIS_SymbolList& list = GisSymbolList();
    EXPECT_EQ(list.Prepare(""), nullptr);
    TGIS_SymbolAbstract* upper = list.Prepare("Arial:A");
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(dynamic_cast<TGIS_SymbolFont*>(upper), nullptr);
    // The font name in any case is one symbol; the character keeps its case.
    EXPECT_EQ(list.Prepare("ARIAL:A"), upper);
    EXPECT_NE(list.Prepare("Arial:a"), upper);
    EXPECT_EQ(TGIS_SymbolList::KeyOf("arial:a:bold"), "ARIAL:a:BOLD");
    // Files are keyed by their full path in upper case: names differing only in case share one symbol.
    const std::string cwd = ExpandFileName(".");
    EXPECT_EQ(TGIS_SymbolList::KeyOf("sym/Road.cgm"), AnsiUpperCase(cwd + "/sym/Road.cgm"));
    // A double-byte character keeps its trail byte ("\x95\x61" is not "\x95\x41").
    EXPECT_NE(TGIS_SymbolList::KeyOf("\x95\x61.bmp"), TGIS_SymbolList::KeyOf("\x95\x41.bmp"));
    EXPECT_EQ(dynamic_cast<TGIS_SymbolFont*>(list.Prepare("Arial:66:bold:italic"))->Font->Style(), fsBold | fsItalic);
    EXPECT_EQ(dynamic_cast<TGIS_SymbolFont*>(list.Prepare("Wingdings:66"))->Character, 66);
}

TEST_F(GisSymbolTest, FailedSymbolsRaiseAndAreNotKept) {
    TGIS_SymbolList& list = GisSymbolList();
    const int before = list.Count();
    const std::string dir = TestDir("symbol");
    EXPECT_THROW(list.Prepare(dir + "/missing.bmp"), Exception);
    EXPECT_THROW(list.Prepare(dir + "/missing.cgm"), Exception);
    EXPECT_THROW(list.Prepare("Arial:x1"), EConvertError);
    EXPECT_THROW(list.Prepare("Arial:256"), EConvertError);
    EXPECT_THROW(list.Prepare("Arial:-1"), EConvertError);
    ASSERT_TRUE(DiskWriteAll(dir + "/broken.jpg", "\xFF\xD8\xFF"));
    EXPECT_THROW(list.Prepare(dir + "/broken.jpg"), Exception);
    EXPECT_EQ(list.Count(), before);

    // Configuration keys read a symbol that does not load as their default.
    TGIS_SymbolAbstract* def = list.Prepare("Arial:Z");
    EXPECT_EQ(TextToSymbol(dir + "/missing.bmp", def), def);
    EXPECT_EQ(TextToSymbol("Arial:300", def), def);
    EXPECT_EQ(TextToSymbol("Arial:z", def), list.Prepare("Arial:z"));
    TGIS_Ini ini(nullptr, "");
    ini.WriteValue("Marker.Symbol", dir + "/decoration.bmp");
    EXPECT_EQ(ini.ReadSymbol("Marker.Symbol", def), def);
    // A symbol read is written back under its name.
    ini.WriteSymbol("Marker.Symbol", def);
    EXPECT_EQ(ini.ReadValue("Marker.Symbol"), "Arial:Z");
}

TEST_F(GisSymbolTest, FontCodeAndCharacterDrawTheSame) {
    TGIS_SymbolList& list = GisSymbolList();
    const auto byLetter = Drawn(list.Prepare("Arial:A"), -40, 0, 0);
    const auto byCode = Drawn(list.Prepare("Arial:65"), -40, 0, 0);
    const auto lower = Drawn(list.Prepare("Arial:a"), -40, 0, 0);
    EXPECT_GT(byLetter.size(), 30u);
    EXPECT_EQ(byLetter, byCode);
    EXPECT_NE(byLetter, lower);
    // Codes above 127 are Latin-1 characters.
    EXPECT_GT(Drawn(list.Prepare("Arial:196"), -40, 0, 0).size(), 30u);
    bmp_->SaveToPNG(TestDir("symbol") + "/latin1.png");
}

TEST_F(GisSymbolTest, FontHaloOnlyWhenTheColoursDiffer) {
    TGIS_SymbolAbstract* s = GisSymbolList().Prepare("Arial:W");
    Drawn(s, -40, GisMakeColor(255, 0, 0), GisMakeColor(255, 0, 0));
    EXPECT_GT(Count(clRed), 20);
    EXPECT_EQ(Count(clBlue), 0);
    const auto plain = Count(clRed);
    Drawn(s, -40, GisMakeColor(255, 0, 0), GisMakeColor(0, 0, 255));
    EXPECT_GT(Count(clBlue), 20);
    EXPECT_EQ(Count(clRed), plain);  // the character itself is drawn last, whole
    bmp_->SaveToPNG(TestDir("symbol") + "/halo.png");
    // The character is centred on the point.
    const auto pts = Drawn(s, -40, 0, 0);
    int64_t sx = 0, sy = 0;
    for (auto& p : pts) sx += p.X, sy += p.Y;
    EXPECT_NEAR(double(sx) / pts.size(), 100, 4);
    EXPECT_NEAR(double(sy) / pts.size(), 100, 6);
}

TEST_F(GisSymbolTest, PicturesStretchFromBmpAndJpeg) {
    for (bool jpeg : {false, true}) {
        SCOPED_TRACE(jpeg ? "jpeg" : "bmp");
        TGIS_SymbolAbstract* s = GisSymbolList().Prepare(SavePicture(jpeg ? "red.jpg" : "red.bmp", jpeg));
        ASSERT_NE(dynamic_cast<TGIS_SymbolPicture*>(s), nullptr);
        EXPECT_EQ(s->NaturalSize, 2);
        // 20 pixels high: scale 10, so 40 x 20.
        const auto pts = Drawn(s, -20, 0, 0);
        EXPECT_EQ(s->Scale, 10);
        EXPECT_EQ(s->Width, 40);
        EXPECT_EQ(s->Height, 20);
        ASSERT_FALSE(pts.empty());
        EXPECT_EQ(pts.front(), TPoint(80, 90));
        EXPECT_EQ(pts.back(), TPoint(119, 109));
        EXPECT_EQ(pts.size(), 800u);
        const TColor c = bmp_->Canvas()->Pixel(100, 100);
        EXPECT_GT(GetRValue(c), 200);
        EXPECT_LT(GetGValue(c), 60);
    }
    // PNG through the picture class, and the transparency keyword.
    TBitmap b(2, 2, pf24bit);
    const std::string png = TestDir("png") + "/p.png";
    b.SaveToPNG(png);
    auto* p = dynamic_cast<TGIS_SymbolPicture*>(GisSymbolList().Prepare(png + "?TRUE"));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->Picture->Graphic()->Transparent());
}

TEST_F(GisSymbolTest, FileNamesDifferingInCaseShareOneSymbol) {
    const std::string path = SavePicture("red.bmp", false);
    TGIS_SymbolAbstract* s = GisSymbolList().Prepare(path);
    ASSERT_NE(s, nullptr);
    const std::string dir = path.substr(0, path.size() - 7);
    EXPECT_EQ(GisSymbolList().Prepare(dir + "RED.BMP"), s);
    EXPECT_EQ(GisSymbolList().Prepare(dir + "Red.bmp"), s);
}

TEST_F(GisSymbolTest, PicturesTooLargeForASymbolAreRefusedAsCorrupt) {
    std::string jpg;
    ASSERT_TRUE(DiskReadAll(SavePicture("tiny.jpg", true), jpg));
    const std::string dir = TestDir("symbol");
    // A bitmap header declaring 5000 x 5000 pixels with none after it, and a JPEG of 55304 x 3064.
    std::string bmp = "BM";
    auto le = [&bmp](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bmp += char((v >> (8 * i)) & 0xFF);
    };
    le(54, 4), le(0, 4), le(54, 4), le(40, 4), le(5000, 4), le(5000, 4), le(1, 2), le(24, 2);
    le(0, 4), le(0, 4), le(2835, 4), le(2835, 4), le(0, 4), le(0, 4);
    ASSERT_TRUE(DiskWriteAll(dir + "/huge.bmp", bmp));
    const size_t sof = jpg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    jpg[sof + 5] = char(3064 >> 8), jpg[sof + 6] = char(3064 & 0xFF);
    jpg[sof + 7] = char(55304 >> 8), jpg[sof + 8] = char(55304 & 0xFF);
    ASSERT_TRUE(DiskWriteAll(dir + "/huge.jpg", jpg));
    for (const char* name : {"/huge.bmp", "/huge.jpg"}) {
        SCOPED_TRACE(name);
        try {
            GisSymbolList().Prepare(dir + name);
            ADD_FAILURE() << "loaded";
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.ErrorCode, 34);
        }
    }
}

TEST_F(GisSymbolTest, PrepareSizesAndAnchors) {
    RecordingSymbol s(20, 10);
    s.Prepare(viewer_.get(), 0, 4, 0, 0, 0, 0);
    EXPECT_EQ(s.SizePx, 280);
    EXPECT_EQ(s.Scale, 1);
    s.Prepare(viewer_.get(), 150, 4, -3, 0, 0, 0);
    EXPECT_EQ(s.SizePx, 10);
    EXPECT_EQ(s.Scale, 10);
    EXPECT_EQ(s.Gap, 3);
    EXPECT_EQ(s.Width, 20);
    EXPECT_EQ(s.Height, 10);
    EXPECT_EQ(s.GetSize(), 20);

    // Positions 0..8 at 0 and at 90 degrees, from the first preparation on.
    const int ax[9] = {-10, 0, 10, -10, 0, 10, -10, 0, 10};
    const int ay[9] = {-5, -5, -5, 0, 0, 0, 5, 5, 5};
    for (int p = 0; p <= 8; ++p) {
        RecordingSymbol fresh(20, 10);
        fresh.Prepare(viewer_.get(), -10, uint8_t(p), 0, 0, 0, 0);
        EXPECT_EQ(fresh.AnchorX, ax[p]) << p;
        EXPECT_EQ(fresh.AnchorY, ay[p]) << p;
        fresh.Prepare(viewer_.get(), -10, uint8_t(p), 0, std::numbers::pi / 2, 0, 0);
        EXPECT_EQ(fresh.AnchorX, -ay[p]) << p;
        EXPECT_EQ(fresh.AnchorY, ax[p]) << p;
    }
    // Position 4 stays at the point for every angle; positions above 8 change nothing.
    for (double a = 0; a < 7; a += 0.7) {
        s.Position = 4;
        s.SetAngle(a);
        EXPECT_EQ(s.AnchorX, 0);
        EXPECT_EQ(s.AnchorY, 0);
    }
    s.Position = 0;
    s.SetAngle(0);
    s.SetPosition(9);
    EXPECT_EQ(s.AnchorX, -10);
    s.SetPosition(128 + 8);
    EXPECT_EQ(s.AnchorX, 10);
}

TEST_F(GisSymbolTest, MapColorReplacesTheFirstTwoColours) {
    RecordingSymbol s(1, 1);
    s.Prepare(viewer_.get(), -10, 4, 0, 0, 0x00FF00, 0x0000FF);
    EXPECT_EQ(s.MapColor(7), 0x0000FFu);
    EXPECT_EQ(s.MapColor(8), 0x00FF00u);
    EXPECT_EQ(s.MapColor(9), 9u);
    EXPECT_EQ(s.MapColor(7), 0x0000FFu);
    // A first colour met twice fills both and maps to Color1.
    s.Prepare(viewer_.get(), -10, 4, 0, 0, 0x00FF00, 0x0000FF);
    EXPECT_EQ(s.MapColor(5), 0x0000FFu);
    EXPECT_EQ(s.MapColor(5), 0x0000FFu);
    EXPECT_EQ(s.SeenColor1, 5u);
    EXPECT_EQ(s.SeenColor2, 5u);
    // An unresolved style colour leaves the symbol's own.
    s.Prepare(viewer_.get(), -10, 4, 0, 0, GIS_SYMBOL_NO_COLOR, GIS_SYMBOL_NO_COLOR);
    EXPECT_EQ(s.MapColor(5), 5u);
}

TEST_F(GisSymbolTest, SymbolLineStampsAlongStraightAndBentLines) {
    RecordingSymbol s(10, 10);
    s.Prepare(viewer_.get(), -10, 4, 0, 0, 0, 0);
    const TPoint straight[] = {{0, 50}, {100, 50}};
    GisDrawSymbolLine(s, straight, 2);
    // Step = 10 - 1 + gap 0: stamps at 0, 9, ... 90; none at the end point.
    ASSERT_EQ(s.stamps.size(), 11u);
    for (size_t i = 0; i < s.stamps.size(); ++i) {
        EXPECT_EQ(s.stamps[i].at, TPoint(int(9 * i), 50));
        EXPECT_EQ(s.stamps[i].angle, 0);
    }

    s.stamps.clear();
    const TPoint bent[] = {{0, 0}, {50, 0}, {50, 50}};
    GisDrawSymbolLine(s, bent, 3);
    const std::vector<TPoint> expected = {{0, 0},  {9, 0},  {18, 0},  {27, 0},  {36, 0},
                                          {45, 0}, {50, 7}, {50, 16}, {50, 25}, {50, 34}};
    ASSERT_EQ(s.stamps.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(s.stamps[i].at, expected[i]) << i;
    EXPECT_NEAR(s.stamps[5].angle, std::atan2(7, 5), 1e-12);
    EXPECT_NEAR(s.stamps[6].angle, std::numbers::pi / 2, 1e-12);

    // The gap widens the step; the symbol's own angle adds to the piece's.
    s.Prepare(viewer_.get(), -10, 4, -6, 0.5, 0, 0);
    s.stamps.clear();
    GisDrawSymbolLine(s, straight, 2);
    const int step = int(std::max(std::fabs(10 * std::cos(0.5)), std::fabs(10 * std::sin(0.5)))) - 1 + 6;
    ASSERT_GE(s.stamps.size(), 2u);
    EXPECT_EQ(s.stamps[1].at.X - s.stamps[0].at.X, step);
    EXPECT_EQ(s.stamps[0].angle, 0.5);

    // Stamps beyond the clip are skipped; short and degenerate lines draw nothing or what fits.
    s.Prepare(viewer_.get(), -10, 4, 0, 0, 0, 0);
    s.stamps.clear();
    const TPoint far[] = {{-1000, -1000}, {-900, -1000}};
    GisDrawSymbolLine(s, far, 2);
    GisDrawSymbolLine(s, straight, 1);
    const TPoint same[] = {{5, 5}, {5, 5}, {5, 5}};
    GisDrawSymbolLine(s, same, 3);
    EXPECT_TRUE(s.stamps.empty());
}

}  // namespace

TEST(GisSymbolLine, IntersectionsAreWholePixelsOnTheCircleAndTheSegment) {
    TPoint at;
    // Exact cases: the walk leaves the circle where the distance is the radius.
    ASSERT_TRUE(GisSymbolLineIntersect({0, 0}, 5, {0, 0}, {10, 0}, at));
    EXPECT_EQ(at, TPoint(5, 0));
    ASSERT_TRUE(GisSymbolLineIntersect({0, 0}, 5, {-10, 0}, {10, 0}, at));
    EXPECT_EQ(at, TPoint(5, 0));
    ASSERT_TRUE(GisSymbolLineIntersect({0, 0}, 5, {0, 0}, {30, 40}, at));
    EXPECT_EQ(at, TPoint(3, 4));
    // A segment that ends inside the circle, or passes it by, has no such point.
    EXPECT_FALSE(GisSymbolLineIntersect({0, 0}, 5, {0, 0}, {2, 2}, at));
    EXPECT_FALSE(GisSymbolLineIntersect({0, 0}, 5, {-10, 9}, {10, 9}, at));
    EXPECT_FALSE(GisSymbolLineIntersect({0, 0}, 5, {7, 7}, {7, 7}, at));
    // Random segments from inside the circle: the point lies on the segment within half a pixel and its
    // distance from the centre is the radius within a pixel; far off the device the same holds.
    std::mt19937 random(7);
    for (int64_t offset : {int64_t(0), int64_t(1) << 31}) {
        for (int i = 0; i < 2000; ++i) {
            std::uniform_int_distribution<int> coordinate(-1000, 1000), radius(2, 300);
            const int r = radius(random);
            const int64_t base = offset ? INT32_MAX - 3000 : 0;
            const TPoint c(int(base + coordinate(random)), coordinate(random));
            const TPoint a(c.X + coordinate(random) % (r / 2 + 1), c.Y + coordinate(random) % (r / 2 + 1));
            const TPoint b(int(base + coordinate(random) * 3), coordinate(random) * 3);
            if (std::hypot(double(b.X) - c.X, double(b.Y) - c.Y) <= r + 1) continue;
            ASSERT_TRUE(GisSymbolLineIntersect(c, r, a, b, at)) << i;
            EXPECT_NEAR(std::hypot(double(at.X) - c.X, double(at.Y) - c.Y), r, 1.0) << i;
            const double cross =
                (double(b.X) - a.X) * (double(at.Y) - a.Y) - (double(b.Y) - a.Y) * (double(at.X) - a.X);
            EXPECT_LE(std::fabs(cross) / std::hypot(double(b.X) - a.X, double(b.Y) - a.Y), 0.71) << i;
        }
    }
}
