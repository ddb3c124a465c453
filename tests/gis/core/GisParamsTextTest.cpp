#include "gis/core/GisParamsText.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/SysUtils.h"

namespace {

TEST(ParamsText, Enumerations) {
    struct Table {
        uint8_t (*read)(const std::string&, uint8_t);
        std::string (*write)(uint8_t);
        std::vector<std::string> keywords;
    };
    const Table tables[] = {
        {TextToAlignment, AlignmentToText, {"SINGLE", "LEFTJUSTIFY", "CENTER", "RIGHTJUSTIFY", "FOLLOW"}},
        {TextToMarkerStyle, MarkerStyleToText,
         {"BOX", "CIRCLE", "CROSS", "DIAGCROSS", "TRIANGLEUP", "TRIANGLEDOWN", "TRIANGLELEFT", "TRIANGLERIGHT"}},
        {TextToPattern, PatternToText,
         {"SOLID", "TRANSPARENT", "HORIZONTAL", "VERTICAL", "FDIAGONAL", "BDIAGONAL", "CROSS", "DIAGCROSS"}},
        {TextToPenStyle, PenStyleToText, {"SOLID", "DASH", "DOT", "DASHDOT", "DASHDOTDOT", "CLEAR"}},
        {TextToChartStyle, ChartStyleToText, {"PIE", "BAR"}},
    };
    for (const Table& t : tables) {
        for (size_t code = 0; code < t.keywords.size(); ++code) {
            EXPECT_EQ(t.write(static_cast<uint8_t>(code)), t.keywords[code]);
            EXPECT_EQ(t.read(t.keywords[code], 99), code);
            EXPECT_EQ(t.read(LowerCase(t.keywords[code]), 99), code);
        }
        EXPECT_EQ(t.write(static_cast<uint8_t>(t.keywords.size())), "");
        EXPECT_EQ(t.write(255), "");
        for (const char* other : {"nil", "", " SOLID", "PIE ", "SINGLEX", "0"}) EXPECT_EQ(t.read(other, 99), 99) << other;
    }
}

TEST(ParamsText, Boolean) {
    for (const char* yes : {"YES", "yes", "True", "1"}) EXPECT_TRUE(TextToBoolean(yes, false)) << yes;
    for (const char* no : {"NO", "no", "FALSE", "false", "0"}) EXPECT_FALSE(TextToBoolean(no, true)) << no;
    for (const char* other : {"nil", "Y", "", " YES", "2", "NIL"}) {
        EXPECT_TRUE(TextToBoolean(other, true)) << other;
        EXPECT_FALSE(TextToBoolean(other, false)) << other;
    }
    EXPECT_EQ(BooleanToText(true), "YES");
    EXPECT_EQ(BooleanToText(false), "NO");
}

TEST(ParamsText, Color) {
    struct Case {
        const char* text;
        uint32_t def, expected;
    };
    const Case cases[] = {
        {"255:0:0", 7, 0x0000FFu},
        {"1:2:3:junk:more", 7, 0x030201u},
        {"1:2", 7, 7u},
        {"1:x:3", 7, 7u},
        {"1:2:", 7, 7u},
        {"$FF", 7, 0xFFu},
        {"$ff00000d", 7, GIS_RENDER_COLOR},
        {"65280", 7, 0xFF00u},
        {"BLACK", 7, 0x010101u},
        {"0", 7, 0x010101u},
        {"0:0:0", 7, 0x010101u},
        {"nil", 0, 0u},
        {"", 0, 0x010101u},
        {"red", 0, 0x0000FFu},
        {"Navy", 0, 0x800000u},
        {"RENDER", 0, GIS_RENDER_COLOR},
        {"$1FFFFFFFF", 5, 5u},
        {"$-1", 5, 5u},
        {"purple haze", 5, 5u},
    };
    for (const Case& c : cases) EXPECT_EQ(TextToColor(c.text, c.def), c.expected) << c.text;

    EXPECT_EQ(ColorToText(0xFF), "$FF");
    EXPECT_EQ(ColorToText(0x10101), "$10101");
    EXPECT_EQ(ColorToText(0), "$0");
    for (uint32_t c : {0xABCDEFu, GIS_RENDER_COLOR, 0xFFFFFFFFu, 1u}) EXPECT_EQ(TextToColor(ColorToText(c), 0), c);
}

TEST(ParamsText, FontStyle) {
    EXPECT_EQ(TextToFontStyle("BOLD:ITALIC", 0), 1 | 2);
    EXPECT_EQ(TextToFontStyle("BOLD:", 8), 8);
    EXPECT_EQ(TextToFontStyle("BOLD:FOO:ITALIC", 8), 8 | 2);
    EXPECT_EQ(TextToFontStyle("underline:strikeout", 0), 4 | 8);
    EXPECT_EQ(TextToFontStyle("BOLD:NORMAL", 8), 0);
    EXPECT_EQ(TextToFontStyle("", 8), 8);
    EXPECT_EQ(TextToFontStyle(" BOLD", 8), 8);
    EXPECT_EQ(TextToFontStyle("nil", 5), 5);
    EXPECT_EQ(FontStyleToText(0), "NORMAL");
    EXPECT_EQ(FontStyleToText(15), "BOLD:ITALIC:UNDERLINE:STRIKEOUT");
    EXPECT_EQ(FontStyleToText(2 | 8), "ITALIC:STRIKEOUT");
    for (uint8_t s = 0; s < 16; ++s) EXPECT_EQ(TextToFontStyle(FontStyleToText(s), 99), s);
}

TEST(ParamsText, LabelPosition) {
    EXPECT_EQ(TextToLabelPosition("ANY", 0), 510);
    EXPECT_EQ(LabelPositionToText(510),
              "UPCENTER:UPRIGHT:MIDDLELEFT:MIDDLECENTER:MIDDLERIGHT:DOWNLEFT:DOWNCENTER:DOWNRIGHT");
    EXPECT_EQ(TextToLabelPosition("UPLEFT:FLOW", 0), 1 | 512);
    EXPECT_EQ(TextToLabelPosition("any:upleft", 0), 511);
    EXPECT_EQ(TextToLabelPosition("MIDDLECENTER:X", 16), 16);
    EXPECT_EQ(TextToLabelPosition("nil", 3), 3);
    EXPECT_EQ(LabelPositionToText(0), "");
    for (uint16_t p : {1, 2, 256, 512, 1023, 300}) EXPECT_EQ(TextToLabelPosition(LabelPositionToText(p), 0), p);
}

TEST(ParamsText, SizeFloatString) {
    EXPECT_EQ(TextToSize("RENDER", 1), GIS_RENDER_SIZE);
    EXPECT_EQ(static_cast<uint32_t>(GIS_RENDER_SIZE), 0xF0000001u);
    EXPECT_EQ(SizeToText(GIS_RENDER_SIZE), "-268435455");
    EXPECT_EQ(TextToSize("-268435455", 1), GIS_RENDER_SIZE);
    EXPECT_EQ(TextToSize("12", 1), 12);
    for (const char* bad : {"nil", "", "1.5", "12x", "99999999999"}) EXPECT_EQ(TextToSize(bad, 4), 4) << bad;

    EXPECT_EQ(TextToFloat("2.5", 0), 2.5);
    EXPECT_EQ(TextToFloat("1e3", 0), 1000);
    for (const char* bad : {"nil", "", "x", "1.2.3"}) EXPECT_EQ(TextToFloat(bad, -1), -1) << bad;
    EXPECT_EQ(FloatToText(0.25), "0.25");

    EXPECT_EQ(TextToString("nil", "d"), "d");
    EXPECT_EQ(TextToString("", "d"), "d");
    EXPECT_EQ(TextToString(" 河 流 ", "d"), " 河 流 ");
    EXPECT_EQ(SymbolToText("a b"), "a b");
}

// Numbers are written and read with '.' under a ',' locale, and the locale's form still reads.
TEST(ParamsText, NumbersUnderCommaLocale) {
    SetDecimalSeparator(',');
    EXPECT_EQ(FloatToText(-1.5), "-1.5");
    EXPECT_EQ(TextToFloat("-1.5", 0), -1.5);
    EXPECT_EQ(TextToFloat("2,5", 0), 2.5);
    TGIS_Units u;
    EXPECT_EQ(TextToUnits("0.3048", u).Code, 1);
    EXPECT_EQ(UnitsToText(u), "0.3048");
    EXPECT_EQ(GetDecimalSeparator(), ',');
    SetDecimalSeparator('.');
}

TEST(ParamsText, Units) {
    TGIS_Units u(2, 1);
    EXPECT_EQ(&TextToUnits("-0.5", u), &u);
    EXPECT_EQ(u.Code, 18);
    EXPECT_DOUBLE_EQ(u.Factor, 0.5);
    EXPECT_EQ(UnitsToText(u), "-0.5");
    for (const char* same : {"0", "nil", "", "meters", "nan", "inf", "-inf", "1e999"}) {
        TextToUnits(same, u);
        EXPECT_EQ(u.Code, 18) << same;
        EXPECT_DOUBLE_EQ(u.Factor, 0.5) << same;
    }
    TextToUnits("2.5", u);
    EXPECT_EQ(u.Code, 1);
    EXPECT_EQ(UnitsToText(u), "2.5");
    TextToUnits("degreedecimal", u);
    EXPECT_EQ(u.Code, 20);
    EXPECT_NEAR(u.Factor, M_PI / 180, 1e-18);
    for (int code = 2; code <= 24; ++code) {
        if (code == 18) continue;
        TGIS_Units a(static_cast<uint8_t>(code), 1), b;
        EXPECT_EQ(TextToUnits(UnitsToText(a), b).Code, code);
    }
    TGIS_Units none(0, 1), outside;
    outside.SetCode(30);
    EXPECT_EQ(UnitsToText(none), "");
    EXPECT_EQ(UnitsToText(outside), "");
}

}  // namespace

// Stands for the symbol class of the layers above the kernel.
class TGIS_SymbolAbstract {
public:
    std::string name;
};

namespace {

TGIS_SymbolAbstract g_road{"C:/SYMBOLS/ROAD.CGM"};

TEST(ParamsText, SymbolsThroughTheProvider) {
    TGIS_SymbolAbstract def{"default"};
    ASSERT_EQ(GisSymbolProvider(), nullptr);
    EXPECT_EQ(TextToSymbol("road.cgm", &def), &def);
    EXPECT_EQ(TextToSymbol("nil", &def), &def);
    EXPECT_EQ(TextToSymbol("", &def), nullptr);

    static const TGIS_SymbolProvider provider{
        [](const std::string& name) { return name == "road.cgm" ? &g_road : nullptr; },
        [](const TGIS_SymbolAbstract& s) { return s.name; }};
    GisSetSymbolProvider(&provider);
    EXPECT_EQ(TextToSymbol("road.cgm", &def), &g_road);
    // A symbol that does not load reads as the default.
    EXPECT_EQ(TextToSymbol("other", &def), &def);
    EXPECT_EQ(TextToSymbol("nil", &def), &def);
    GisSetSymbolProvider(nullptr);
}

}  // namespace
