#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisSymbol.h"
#include "gis/layers/GisViewer.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

// Binary metafiles, element by element: a header (long form when asked or needed), the parameters and the
// padding byte of an odd length.
class Bin {
public:
    Bin() { El(0, 1, Str("sym")); }
    static std::string I(std::initializer_list<int> values) {
        std::string s;
        for (int v : values) {
            s += char((v >> 8) & 255);
            s += char(v & 255);
        }
        return s;
    }
    static std::string B(std::initializer_list<int> values) {
        std::string s;
        for (int v : values) s += char(v);
        return s;
    }
    static std::string Str(const std::string& t) { return char(t.size()) + t; }
    Bin& El(int cls, int id, const std::string& params, bool longForm = false) {
        const int head = cls << 12 | id << 5;
        if (longForm || params.size() >= 31) {
            bytes += I({head | 31, int(params.size())});
        } else {
            bytes += I({head | int(params.size())});
        }
        bytes += params;
        if (params.size() % 2) bytes += char(0);
        return *this;
    }
    std::string End() { return bytes + I({2 << 5}); }
    std::string bytes;
};

// A record's header with its fields aligned, so that checks may bind to them.
struct Head {
    uint32_t Kind, BrushColor;
    uint8_t BrushStyle;
    uint32_t PenColor;
    int32_t PenWidth;
    uint8_t PenStyle;
    uint32_t Count;
};
struct Record {
    Head head;
    std::vector<std::pair<int32_t, int32_t>> points;
};

std::vector<Record> Records(const TGIS_SymbolCgm& s) {
    std::vector<Record> out;
    const uint8_t* p = s.Records.data();
    const uint8_t* end = p + s.Records.size();
    while (end - p >= 22) {
        TGIS_SymbolCgm::TRecord h;
        std::memcpy(&h, p, sizeof h);
        p += sizeof h;
        Record r{{h.Kind, h.BrushColor, h.BrushStyle, h.PenColor, h.PenWidth, h.PenStyle, h.Count}, {}};
        for (uint32_t i = 0; i < r.head.Count && end - p >= 8; ++i, p += 8) {
            int32_t v[2];
            std::memcpy(v, p, 8);
            r.points.emplace_back(v[0], v[1]);
        }
        out.push_back(r);
        if (r.head.Kind == 0) break;
    }
    return out;
}

std::unique_ptr<TGIS_SymbolCgm> Parse(const std::string& bytes) {
    const std::string path = TestDir("cgm") + "/s.cgm";
    EXPECT_TRUE(DiskWriteAll(path, bytes));
    return std::make_unique<TGIS_SymbolCgm>(path);
}

// 0034 with the file's path.
void ExpectBadFormat(const std::string& bytes) {
    const std::string path = TestDir("cgm") + "/bad.cgm";
    ASSERT_TRUE(DiskWriteAll(path, bytes));
    try {
        TGIS_SymbolCgm s(path);
        ADD_FAILURE() << "loaded";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 34);
        EXPECT_NE(e.Message.find(path), std::string::npos) << e.Message;
    }
}

// The same picture in both encodings: two colours (an even number of table entries makes an odd length),
// a filled and edged polygon, a wide polyline, a rectangle and a hollow circle with an invisible edge.
const char kText[] =
    "BEGMF 'sym';\n"
    "VDCEXT -50 -50 50 50;\n"
    "COLRTABLE 1 255 0 0 0 0 255;\n"
    "FILLCOLR 1; EDGECOLR 2; INTSTYLE SOLID; EDGEWIDTH 2;\n"
    "POLYGON (-10,-10) (10,-10) (10,10) (-10,10);\n"
    "LINECOLR 2; LINEWIDTH 3;\n"
    "LINE -40 40 40 40;\n"
    "RECTANGLE 20 -40 40 -20;\n"
    "INTSTYLE HOLLOW; EDGEVIS OFF;\n"
    "CIRCLE 0 0 30;\n"
    "ENDMF;\n";

std::string BinaryPicture() {
    Bin b;
    b.El(2, 6, Bin::I({-50, -50, 50, 50}))
        .El(5, 34, Bin::B({1, 255, 0, 0, 0, 0, 255}))
        .El(5, 23, Bin::B({1}))
        .El(5, 29, Bin::B({2}))
        .El(5, 22, Bin::I({1}))
        .El(5, 28, Bin::I({2}))
        .El(4, 7, Bin::I({-10, -10, 10, -10, 10, 10, -10, 10}))
        .El(5, 4, Bin::B({2}))
        .El(5, 3, Bin::I({3}))
        .El(4, 1, Bin::I({-40, 40, 40, 40}))
        .El(4, 11, Bin::I({20, -40, 40, -20}))
        .El(5, 22, Bin::I({0}))
        .El(5, 30, Bin::I({0}))
        .El(4, 12, Bin::I({0, 0, 30}));
    return b.End();
}

class GisSymbolCgmTest : public ::testing::Test {
protected:
    void SetUp() override { UiTest::Init(); }

    // The symbol drawn at (60, 60) of a white 120 x 120 bitmap at its natural size, position 4.
    std::unique_ptr<TBitmap> Render(TGIS_SymbolCgm& s, uint32_t color1 = GIS_SYMBOL_NO_COLOR,
                                    uint32_t color2 = GIS_SYMBOL_NO_COLOR) {
        auto bmp = std::make_unique<TBitmap>(120, 120, pf24bit);
        TGIS_Viewer v(nullptr);
        v.SetTargetBitmap(bmp.get());
        v.SetOutputMode(gisOutputBitmap);
        s.Prepare(&v, -int(s.NaturalSize), 4, 0, 0, color2, color1);
        s.Draw(60, 60);
        s.Unprepare();
        return bmp;
    }
};

TEST_F(GisSymbolCgmTest, BothEncodingsGiveTheSameRecordsAndPixels) {
    auto text = Parse(kText);
    auto bin = Parse(BinaryPicture());
    EXPECT_FALSE(text->Binary);
    EXPECT_TRUE(bin->Binary);
    EXPECT_EQ(text->Records, bin->Records);

    const auto r = Records(*bin);
    ASSERT_EQ(r.size(), 5u);
    const uint32_t red = GisMakeColor(255, 0, 0), blue = GisMakeColor(0, 0, 255);
    // Polygon: filled red, blue edge of 2; Y points down.
    EXPECT_EQ(r[0].head.Kind, 2u);
    EXPECT_EQ(r[0].head.BrushColor, red);
    EXPECT_EQ(r[0].head.BrushStyle, 0);
    EXPECT_EQ(r[0].head.PenColor, blue);
    EXPECT_EQ(r[0].head.PenWidth, 2);
    EXPECT_EQ(r[0].head.PenStyle, 0);
    EXPECT_EQ(r[0].points, (std::vector<std::pair<int32_t, int32_t>>{{-10, 10}, {10, 10}, {10, -10}, {-10, -10}}));
    // Polyline with the line attributes.
    EXPECT_EQ(r[1].head.Kind, 1u);
    EXPECT_EQ(r[1].head.PenColor, blue);
    EXPECT_EQ(r[1].head.PenWidth, 3);
    EXPECT_EQ(r[1].points, (std::vector<std::pair<int32_t, int32_t>>{{-40, -40}, {40, -40}}));
    // Rectangle: five corners.
    EXPECT_EQ(r[2].points,
              (std::vector<std::pair<int32_t, int32_t>>{{20, 40}, {40, 40}, {40, 20}, {20, 20}, {20, 40}}));
    // Full circle: 89 segments from angle 0, hollow, clear edge.
    EXPECT_EQ(r[3].head.Kind, 2u);
    EXPECT_EQ(r[3].head.BrushStyle, 1);
    EXPECT_EQ(r[3].head.PenStyle, 5);
    ASSERT_EQ(r[3].points.size(), 90u);
    EXPECT_EQ(r[3].points.front(), std::make_pair(30, 0));
    EXPECT_EQ(r[3].points.back(), std::make_pair(30, 0));
    EXPECT_EQ(r[4].head.Kind, 0u);
    EXPECT_EQ(r[4].head.Count, 0u);

    auto a = Render(*text);
    auto b = Render(*bin);
    int differing = 0, red_pixels = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x) {
            differing += a->Canvas()->Pixel(x, y) != b->Canvas()->Pixel(x, y);
            red_pixels += a->Canvas()->Pixel(x, y) == TColor(red);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(red_pixels, 200);
    a->SaveToPNG(TestDir("cgm") + "/picture.png");
}

TEST_F(GisSymbolCgmTest, VdcExtentAroundTheOriginAtPositionFour) {
    auto s = Parse(kText);
    EXPECT_EQ(s->NaturalSize, 100);
    auto bmp = Render(*s);
    EXPECT_EQ(s->AnchorX, 0);
    EXPECT_EQ(s->AnchorY, 0);
    EXPECT_EQ(s->Width, 50);
    EXPECT_EQ(s->Height, 50);
    // The square of (-10, -10) .. (10, 10) lies around the drawing point, inside its blue edge.
    const TColor red = TColor(GisMakeColor(255, 0, 0)), blue = TColor(GisMakeColor(0, 0, 255));
    EXPECT_EQ(bmp->Canvas()->Pixel(60, 60), red);
    EXPECT_EQ(bmp->Canvas()->Pixel(52, 52), red);
    EXPECT_EQ(bmp->Canvas()->Pixel(68, 68), red);
    EXPECT_EQ(bmp->Canvas()->Pixel(50, 60), blue);
    EXPECT_EQ(bmp->Canvas()->Pixel(60, 46), TColor(clWhite));
    // The line at VDC y = 40 is drawn 40 pixels above the point.
    EXPECT_EQ(bmp->Canvas()->Pixel(60, 20), blue);

    // Positions take the edges of the extent, scaled.
    TGIS_Viewer v(nullptr);
    TBitmap target(10, 10);
    v.SetTargetBitmap(&target);
    v.SetOutputMode(gisOutputBitmap);
    s->Prepare(&v, -200, 0, 0, 0, 0, 0);
    EXPECT_EQ(s->Scale, 2);
    EXPECT_EQ(s->AnchorX, -100);
    EXPECT_EQ(s->AnchorY, -100);
    s->SetPosition(8);
    EXPECT_EQ(s->AnchorX, 100);
    EXPECT_EQ(s->AnchorY, 100);
    s->SetPosition(9);  // keeps the anchor
    EXPECT_EQ(s->AnchorX, 100);
}

TEST_F(GisSymbolCgmTest, MapColorTakesTheStyleColours) {
    auto s = Parse(kText);
    const uint32_t green = GisMakeColor(0, 255, 0), yellow = GisMakeColor(255, 255, 0);
    auto bmp = Render(*s, green, yellow);
    // The fill (first colour met) becomes Color1, the edge (second) Color2.
    EXPECT_EQ(s->SeenColor1, GisMakeColor(255, 0, 0));
    EXPECT_EQ(s->SeenColor2, GisMakeColor(0, 0, 255));
    EXPECT_EQ(bmp->Canvas()->Pixel(60, 60), TColor(green));
    EXPECT_EQ(bmp->Canvas()->Pixel(50, 60), TColor(yellow));
    EXPECT_EQ(bmp->Canvas()->Pixel(60, 20), TColor(yellow));
}

TEST_F(GisSymbolCgmTest, EndDrawReadsTheFileAgain) {
    auto s = Parse(kText);
    const auto before = s->Records;
    s->EndDraw();
    EXPECT_TRUE(s->Records.empty());
    auto bmp = Render(*s);
    EXPECT_EQ(s->Records, before);
    EXPECT_EQ(bmp->Canvas()->Pixel(60, 60), TColor(GisMakeColor(255, 0, 0)));
}

TEST_F(GisSymbolCgmTest, LongFormPaddingAndPartitions) {
    // Long-form headers for short elements, and a polygon too long for the short form.
    Bin longForm;
    longForm.El(2, 6, Bin::I({-50, -50, 50, 50}), true)
        .El(5, 34, Bin::B({1, 255, 0, 0, 0, 0, 255}), true)
        .El(5, 23, Bin::B({2}), true)
        .El(4, 7, Bin::I({0, 0, 10, 0, 20, 0, 20, 10, 20, 20, 10, 20, 0, 20, 0, 10}));
    auto bin = Parse(longForm.End());
    auto text = Parse(
        "BEGMF;VDCEXT -50 -50 50 50;COLRTABLE 1 255 0 0 0 0 255;FILLCOLR 2;"
        "POLYGON 0 0 10 0 20 0 20 10 20 20 10 20 0 20 0 10;ENDMF;");
    EXPECT_EQ(bin->Records, text->Records);
    auto r = Records(*bin);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].head.BrushColor, GisMakeColor(0, 0, 255));
    EXPECT_EQ(r[0].points.size(), 8u);

    // A partitioned element is passed over whole, its continuation included.
    Bin parted;
    parted.El(2, 6, Bin::I({-50, -50, 50, 50}));
    const std::string first = Bin::I({0, 0, 5, 5}), rest = Bin::I({9, 9});
    parted.bytes += Bin::I({4 << 12 | 1 << 5 | 31, 0x8000 | int(first.size())}) + first;
    parted.bytes += Bin::I({int(rest.size())}) + rest;
    parted.El(4, 1, Bin::I({1, 2, 3, 4}));
    auto p = Parse(parted.End());
    r = Records(*p);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].points, (std::vector<std::pair<int32_t, int32_t>>{{1, -2}, {3, -4}}));
}

TEST_F(GisSymbolCgmTest, ColourIndexBeyondTheTableIsEntryZero) {
    auto text = Parse("BEGMF;VDCEXT 0 0 10 10;COLRTABLE 0 1 2 3;FILLCOLR 300;POLYGON 0 0 1 1 2 0;");
    auto r = Records(*text);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].head.BrushColor, GisMakeColor(1, 2, 3));
    // The binary form holds one byte; the same table entry by its own index.
    Bin b;
    b.El(2, 6, Bin::I({0, 0, 10, 10})).El(5, 34, Bin::B({0, 1, 2, 3})).El(5, 23, Bin::B({0}));
    b.El(4, 7, Bin::I({0, 0, 1, 1, 2, 0}));
    EXPECT_EQ(Parse(b.End())->Records, text->Records);
}

TEST_F(GisSymbolCgmTest, TruncatedBinaryKeepsWhatWasRead) {
    const std::string whole = BinaryPicture();
    // Cut inside the polygon's third point: two points are kept, the rest of the file is gone.
    const size_t polygon = whole.find(Bin::I({-10, -10, 10, -10}));
    ASSERT_NE(polygon, std::string::npos);
    auto s = Parse(whole.substr(0, polygon + 10));
    auto r = Records(*s);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].points, (std::vector<std::pair<int32_t, int32_t>>{{-10, 10}, {10, 10}}));
    EXPECT_EQ(r[1].head.Kind, 0u);
    // A header cut in two ends the list too.
    EXPECT_EQ(Records(*Parse(whole.substr(0, polygon - 1))).size(), 1u);
}

TEST_F(GisSymbolCgmTest, ClearTextSeparatorsCaseAndEnd) {
    auto plain = Parse("BEGMF;VDCEXT -5 -5 5 5;LINE 1 2 3 4;ARCCTR 0 0 1 0 -1 1 5;");
    // Tabs, line ends and commas separate; parentheses are skipped; keywords in any case; the file's
    // end ends the last element.
    auto loose = Parse("begmf\r\n;vdcext\t-5,-5\r\n5 5;Line (1,2)\n(3,4) ;\r\narcctr 0\t0 1,0 -1,1 5");
    EXPECT_EQ(plain->Records, loose->Records);
    auto r = Records(*plain);
    ASSERT_EQ(r.size(), 3u);
    // Three eighths of a turn counter-clockwise from (1, 0) to (-1, 1): 45 segments, up and to the left.
    EXPECT_EQ(r[1].head.Kind, 1u);
    ASSERT_EQ(r[1].points.size(), 46u);
    EXPECT_EQ(r[1].points.front(), std::make_pair(5, 0));
    EXPECT_EQ(r[1].points.back(), std::make_pair(-4, -4));
    EXPECT_EQ(r[1].points[30], std::make_pair(0, -5));
    // Unknown elements are skipped with their parameters.
    auto skipped = Parse("BEGMF;MFVERSION 1;VDCEXT -5 -5 5 5;TEXT 1 1 FINAL 'x';LINE 1 2 3 4;ARCCTR 0 0 1 0 -1 1 5;");
    EXPECT_EQ(skipped->Records, plain->Records);
    // Any word other than SOLID, HOLLOW and EMPTY fills.
    auto pattern = Parse("BEGMF;VDCEXT -5 -5 5 5;INTSTYLE HATCH;POLYGON 0 0 1 1 2 0;");
    EXPECT_EQ(Records(*pattern)[0].head.BrushStyle, 0);
    auto empty = Parse("BEGMF;VDCEXT -5 -5 5 5;IntStyle empty;POLYGON 0 0 1 1 2 0;");
    EXPECT_EQ(Records(*empty)[0].head.BrushStyle, 1);
}

TEST_F(GisSymbolCgmTest, EllipsesAndArcs) {
    const char text[] = "BEGMF;VDCEXT -50 -50 50 50;ELLIPSE 0 0 20 0 0 10;ELLIPARC 0 0 20 0 0 10 1 0 -1 -1;";
    Bin b;
    b.El(2, 6, Bin::I({-50, -50, 50, 50}))
        .El(4, 17, Bin::I({0, 0, 20, 0, 0, 10}))
        .El(4, 18, Bin::I({0, 0, 20, 0, 0, 10, 1, 0, -1, -1}));
    auto t = Parse(text);
    EXPECT_EQ(t->Records, Parse(b.End())->Records);
    auto r = Records(*t);
    ASSERT_EQ(r.size(), 3u);
    ASSERT_EQ(r[0].points.size(), 90u);
    EXPECT_EQ(r[0].head.Kind, 2u);
    // Five eighths of a turn: 89 segments through the top of the ellipse.
    EXPECT_EQ(r[1].head.Kind, 1u);
    ASSERT_EQ(r[1].points.size(), 90u);
    EXPECT_EQ(r[1].points.front(), std::make_pair(20, 0));
    EXPECT_EQ(r[1].points.back(), std::make_pair(-14, 7));
    EXPECT_EQ(r[1].points[36], std::make_pair(0, -10));
}

TEST_F(GisSymbolCgmTest, BadFilesAreReportedAsWrongFormat) {
    // A text without its opening keyword is no metafile: a conversion error, not a corrupt one.
    for (const char* text : {"", "VDCEXT 0 0 1 1;", "BEGM"}) {
        const std::string path = TestDir("cgm") + "/text.cgm";
        ASSERT_TRUE(DiskWriteAll(path, text));
        EXPECT_THROW(TGIS_SymbolCgm s(path), EConvertError) << text;
    }
    ExpectBadFormat("BEGMF;VDCEXT 0 0 1 x;");
    ExpectBadFormat("BEGMF;VDCEXT 0 0 1 1;LINEWIDTH -1;");
    ExpectBadFormat("BEGMF;VDCEXT 0 0 1 1;EDGEWIDTH -2;");
    ExpectBadFormat("BEGMF;VDCEXT 0 0 1 1;COLRTABLE 255 1 1 1 2 2 2;");
    ExpectBadFormat("BEGMF;VDCEXT 0 0 1 1;COLRTABLE 256 1 1 1;");
    ExpectBadFormat("BEGMF;SCALEMODE METRIC 0.1x;VDCEXT 0 0 1 1;");
    // A VDC extent of no height gives no scale.
    ExpectBadFormat("BEGMF;VDCEXT -5 0 5 0;LINE 0 0 1 1;");
    Bin table;
    table.El(2, 6, Bin::I({0, 0, 1, 1})).El(5, 34, Bin::B({255, 1, 1, 1, 2, 2, 2}));
    ExpectBadFormat(table.End());
    Bin width;
    width.El(2, 6, Bin::I({0, 0, 1, 1})).El(5, 3, Bin::I({-1}));
    ExpectBadFormat(width.End());
    // More points than the viewer's buffer holds.
    std::string huge = "BEGMF;VDCEXT 0 0 1 1;LINE";
    for (int i = 0; i <= GIS_MAX_DRAW_POINTS; ++i) huge += " 1 1";
    ExpectBadFormat(huge + ";");
    // The last point the buffer holds still loads.
    std::string full = "BEGMF;VDCEXT 0 0 1 1;LINE";
    for (int i = 0; i < GIS_MAX_DRAW_POINTS; ++i) full += " 1 1";
    EXPECT_EQ(Records(*Parse(full))[0].points.size(), size_t(GIS_MAX_DRAW_POINTS));
}

TEST_F(GisSymbolCgmTest, AnEvenColourTableLeavesTheNextElementWhole) {
    // Two entries: 7 bytes and a padding byte; the edge colour after it must still be read.
    Bin b;
    b.El(2, 6, Bin::I({0, 0, 10, 10}))
        .El(5, 34, Bin::B({1, 10, 20, 30, 40, 50, 60}))
        .El(5, 29, Bin::B({2}))
        .El(4, 7, Bin::I({0, 0, 1, 1, 2, 0}));
    auto r = Records(*Parse(b.End()));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].head.PenColor, GisMakeColor(40, 50, 60));
}

}  // namespace
