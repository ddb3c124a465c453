// Text of the layer configuration keys and the values it stands for, both ways. Reading never fails: "nil"
// (an absent key) and text it does not know give the caller's default. Keywords are read in any case.
#pragma once

#include <cstdint>
#include <string>

#include "gis/core/GisUtils.h"

class TGIS_Bitmap;
class TGIS_SymbolAbstract;

// What the configuration reader gives for a key it does not find.
inline constexpr char GIS_INI_NIL[] = "nil";
// "RENDER": the value is taken per shape from the render parameters.
constexpr uint32_t GIS_RENDER_COLOR = 0xFF00000Du;
constexpr int32_t GIS_RENDER_SIZE = static_cast<int32_t>(0xF0000001u);

// Codes are positions in each keyword table; writing a code outside it gives an empty text.
uint8_t TextToAlignment(const std::string& text, uint8_t def);  // SINGLE LEFTJUSTIFY CENTER RIGHTJUSTIFY FOLLOW
std::string AlignmentToText(uint8_t code);
uint8_t TextToMarkerStyle(const std::string& text, uint8_t def);  // BOX CIRCLE CROSS DIAGCROSS TRIANGLE...
std::string MarkerStyleToText(uint8_t code);
uint8_t TextToPattern(const std::string& text, uint8_t def);  // the brush styles: SOLID TRANSPARENT ...
std::string PatternToText(uint8_t code);
uint8_t TextToPenStyle(const std::string& text, uint8_t def);  // the pen styles: SOLID DASH ... CLEAR
std::string PenStyleToText(uint8_t code);
uint8_t TextToChartStyle(const std::string& text, uint8_t def);  // PIE BAR
std::string ChartStyleToText(uint8_t code);

// YES, TRUE, 1 and NO, FALSE, 0; written YES and NO.
bool TextToBoolean(const std::string& text, bool def);
std::string BooleanToText(bool value);

// A colour name, RENDER, red:green:blue or a number ($ for hexadecimal); black reads as $010101.
// Written as '$' and upper-case hexadecimal.
uint32_t TextToColor(const std::string& text, uint32_t def);
std::string ColorToText(uint32_t color);

// Font style bits BOLD 1, ITALIC 2, UNDERLINE 4, STRIKEOUT 8, joined by ':'; NORMAL is none. A token that
// is no keyword puts the default in place of what was read before it.
uint8_t TextToFontStyle(const std::string& text, uint8_t def);
std::string FontStyleToText(uint8_t style);
// Label position bits UPLEFT 1 ... DOWNRIGHT 256, FLOW 512, read as font styles are; ANY is 510.
uint16_t TextToLabelPosition(const std::string& text, uint16_t def);
std::string LabelPositionToText(uint16_t position);

// A decimal integer, or RENDER.
int32_t TextToSize(const std::string& text, int32_t def);
std::string SizeToText(int32_t size);

// Numbers with '.' whatever the locale.
double TextToFloat(const std::string& text, double def);
std::string FloatToText(double value);

// An empty text reads as the default too.
std::string TextToString(const std::string& text, const std::string& def);
std::string SymbolToText(const std::string& text);

// A unit keyword; or a number: positive for the custom linear unit, negative for the custom angular one.
// Anything else leaves the units as they are.
TGIS_Units& TextToUnits(const std::string& text, TGIS_Units& units);
std::string UnitsToText(const TGIS_Units& units);

// Bitmaps and symbols are made above this layer; their units fill these in at start-up.
struct TGIS_BitmapProvider {
    // A new bitmap loaded from the file, or nullptr when it does not load.
    TGIS_Bitmap* (*Load)(const std::string& path);
    TGIS_Bitmap* (*Copy)(const TGIS_Bitmap& source);
    // The file the bitmap was loaded from.
    std::string (*Path)(const TGIS_Bitmap& bitmap);
};
struct TGIS_SymbolProvider {
    // The shared symbol of that name (never freed by the caller), or nullptr when it does not load.
    TGIS_SymbolAbstract* (*ByName)(const std::string& name);
    std::string (*NameOf)(const TGIS_SymbolAbstract& symbol);
};
void GisSetBitmapProvider(const TGIS_BitmapProvider* provider);
const TGIS_BitmapProvider* GisBitmapProvider();
void GisSetSymbolProvider(const TGIS_SymbolProvider* provider);
const TGIS_SymbolProvider* GisSymbolProvider();

// The file named (".bmp" added unless the text ends in it), or a copy of the default when that does not
// load; nullptr for a nil default. The caller owns the result.
TGIS_Bitmap* TextToBitmap(const std::string& text, const TGIS_Bitmap* def);
// The symbol of that name; an empty text is none. Without a symbol list, or when it does not load, the default.
TGIS_SymbolAbstract* TextToSymbol(const std::string& text, TGIS_SymbolAbstract* def);
