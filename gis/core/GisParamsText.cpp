#include "gis/core/GisParamsText.h"

#include <charconv>
#include <cmath>
#include <span>

#include "gis/core/GisDefs.h"

namespace {

using Keywords = std::span<const char* const>;

const char* const kAlignments[] = {"SINGLE", "LEFTJUSTIFY", "CENTER", "RIGHTJUSTIFY", "FOLLOW"};
const char* const kMarkers[] = {"BOX",        "CIRCLE",       "CROSS",        "DIAGCROSS",
                                "TRIANGLEUP", "TRIANGLEDOWN", "TRIANGLELEFT", "TRIANGLERIGHT"};
const char* const kPatterns[] = {"SOLID", "TRANSPARENT", "HORIZONTAL", "VERTICAL",
                                 "FDIAGONAL", "BDIAGONAL", "CROSS", "DIAGCROSS"};
const char* const kPens[] = {"SOLID", "DASH", "DOT", "DASHDOT", "DASHDOTDOT", "CLEAR"};
const char* const kCharts[] = {"PIE", "BAR"};
// Bit k of the set is keyword k.
const char* const kFontStyles[] = {"BOLD", "ITALIC", "UNDERLINE", "STRIKEOUT"};
const char* const kPositions[] = {"UPLEFT",      "UPCENTER", "UPRIGHT",    "MIDDLELEFT", "MIDDLECENTER",
                                  "MIDDLERIGHT", "DOWNLEFT", "DOWNCENTER", "DOWNRIGHT",  "FLOW"};
// Every position from UPCENTER to DOWNRIGHT.
constexpr uint32_t kAnyPosition = 510;

struct NamedColor {
    const char* name;
    uint32_t value;
};
const NamedColor kColors[] = {
    {"AQUA", 0xFFFF00},   {"GRAY", 0x808080},  {"NAVY", 0x800000},    {"SILVER", 0xC0C0C0},
    {"BLACK", 0x000000},  {"GREEN", 0x008000}, {"OLIVE", 0x008080},   {"TEAL", 0x808000},
    {"BLUE", 0xFF0000},   {"LIME", 0x00FF00},  {"PURPLE", 0x800080},  {"WHITE", 0xFFFFFF},
    {"FUCHSIA", 0xFF00FF}, {"MAROON", 0x000080}, {"RED", 0x0000FF},   {"YELLOW", 0x00FFFF},
    {"RENDER", GIS_RENDER_COLOR}};

bool IsNil(const std::string& text) { return text == GIS_INI_NIL; }
bool IsKeyword(const std::string& text, const char* keyword) { return UpperCase(text) == keyword; }

uint8_t ReadCode(const std::string& text, uint8_t def, Keywords keywords) {
    const std::string u = UpperCase(text);
    for (size_t i = 0; i < keywords.size(); ++i)
        if (u == keywords[i]) return static_cast<uint8_t>(i);
    return def;
}

std::string WriteCode(uint8_t code, Keywords keywords) { return code < keywords.size() ? keywords[code] : ""; }

// Tokens between ':' from left to right, the last (maybe empty) one included. `special` sets the whole set.
uint32_t ReadBits(const std::string& text, uint32_t def, Keywords keywords, const char* special,
                  uint32_t specialSet) {
    if (IsNil(text)) return def;
    uint32_t set = 0;
    size_t from = 0;
    for (;;) {
        size_t end = text.find(':', from);
        const std::string token = UpperCase(text.substr(from, end == std::string::npos ? end : end - from));
        bool known = token == special;
        if (known) set = specialSet;
        for (size_t k = 0; !known && k < keywords.size(); ++k)
            if (token == keywords[k]) {
                set |= 1u << k;
                known = true;
            }
        if (!known) set = def;
        if (end == std::string::npos) return set;
        from = end + 1;
    }
}

std::string WriteBits(uint32_t set, Keywords keywords) {
    std::string r;
    for (size_t k = 0; k < keywords.size(); ++k)
        if (set & (1u << k)) r += (r.empty() ? "" : ":") + std::string(keywords[k]);
    return r;
}

// An integer as the runtime reads one; hexadecimal also up to $FFFFFFFF, as colours are written.
bool TryColorNumber(const std::string& text, uint32_t& v) {
    int i;
    if (TryStrToInt(text, i)) {
        v = static_cast<uint32_t>(i);
        return true;
    }
    const std::string t = TrimLeft(text);
    if (t.size() < 2 || t[0] != '$' || t[1] == '+' || t[1] == '-') return false;
    auto r = std::from_chars(t.data() + 1, t.data() + t.size(), v, 16);
    return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool TryRgb(const std::string& text, uint32_t& v) {
    int part[3];
    size_t from = 0;
    for (int k = 0; k < 3; ++k) {
        if (from > text.size()) return false;
        size_t end = text.find(':', from);
        if (!TryStrToInt(text.substr(from, end == std::string::npos ? end : end - from), part[k])) return false;
        from = end == std::string::npos ? text.size() + 1 : end + 1;
    }
    v = static_cast<uint32_t>(part[0]) + static_cast<uint32_t>(part[1]) * 256u + static_cast<uint32_t>(part[2]) * 65536u;
    return true;
}

const TGIS_BitmapProvider* g_bitmapProvider = nullptr;
const TGIS_SymbolProvider* g_symbolProvider = nullptr;

TGIS_Bitmap* CopyOf(const TGIS_Bitmap* bitmap) {
    return bitmap && g_bitmapProvider ? g_bitmapProvider->Copy(*bitmap) : nullptr;
}

}  // namespace

uint8_t TextToAlignment(const std::string& text, uint8_t def) { return ReadCode(text, def, kAlignments); }
std::string AlignmentToText(uint8_t code) { return WriteCode(code, kAlignments); }
uint8_t TextToMarkerStyle(const std::string& text, uint8_t def) { return ReadCode(text, def, kMarkers); }
std::string MarkerStyleToText(uint8_t code) { return WriteCode(code, kMarkers); }
uint8_t TextToPattern(const std::string& text, uint8_t def) { return ReadCode(text, def, kPatterns); }
std::string PatternToText(uint8_t code) { return WriteCode(code, kPatterns); }
uint8_t TextToPenStyle(const std::string& text, uint8_t def) { return ReadCode(text, def, kPens); }
std::string PenStyleToText(uint8_t code) { return WriteCode(code, kPens); }
uint8_t TextToChartStyle(const std::string& text, uint8_t def) { return ReadCode(text, def, kCharts); }
std::string ChartStyleToText(uint8_t code) { return WriteCode(code, kCharts); }

bool TextToBoolean(const std::string& text, bool def) {
    if (IsKeyword(text, "YES") || IsKeyword(text, "TRUE") || text == "1") return true;
    if (IsKeyword(text, "NO") || IsKeyword(text, "FALSE") || text == "0") return false;
    return def;
}

std::string BooleanToText(bool value) { return value ? "YES" : "NO"; }

uint32_t TextToColor(const std::string& text, uint32_t def) {
    if (IsNil(text)) return def;
    const std::string u = UpperCase(text);
    uint32_t v = def;
    bool named = false;
    for (auto& c : kColors)
        if (u == c.name) {
            v = c.value;
            named = true;
            break;
        }
    if (!named && !(text.find(':') != std::string::npos ? TryRgb(text, v) : TryColorNumber(text, v))) v = def;
    return GisNonZeroColor(v);
}

std::string ColorToText(uint32_t color) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, color, 16);
    std::string hex = UpperCase(std::string(buf, r.ptr));
    return "$" + hex;
}

uint8_t TextToFontStyle(const std::string& text, uint8_t def) {
    return static_cast<uint8_t>(ReadBits(text, def, kFontStyles, "NORMAL", 0));
}

std::string FontStyleToText(uint8_t style) {
    std::string r = WriteBits(style, kFontStyles);
    return r.empty() ? "NORMAL" : r;
}

uint16_t TextToLabelPosition(const std::string& text, uint16_t def) {
    return static_cast<uint16_t>(ReadBits(text, def, kPositions, "ANY", kAnyPosition));
}

std::string LabelPositionToText(uint16_t position) { return WriteBits(position, kPositions); }

int32_t TextToSize(const std::string& text, int32_t def) {
    if (IsNil(text) || text.empty()) return def;
    if (IsKeyword(text, "RENDER")) return GIS_RENDER_SIZE;
    int v;
    return TryStrToInt(text, v) ? v : def;
}

std::string SizeToText(int32_t size) { return IntToStr(size); }

double TextToFloat(const std::string& text, double def) {
    if (IsNil(text) || text.empty()) return def;
    try {
        return GisStrToFloat(text);
    } catch (const EConvertError&) {
        return def;
    }
}

std::string FloatToText(double value) { return GisFloatToStr(value); }

std::string TextToString(const std::string& text, const std::string& def) {
    return IsNil(text) || text.empty() ? def : text;
}

std::string SymbolToText(const std::string& text) { return text; }

TGIS_Units& TextToUnits(const std::string& text, TGIS_Units& units) {
    if (IsNil(text) || text.empty()) return units;
    int code = GisUnitsCodeOfKeyword(text);
    if (code >= 0) {
        units.SetCode(static_cast<uint8_t>(code));
        return units;
    }
    // A unit of no size, or of no finite one, would turn every length into 0, infinity or NaN.
    double v = TextToFloat(text, 0);
    if (std::isfinite(v) && v > 0) units.SetCustom(1, v);
    else if (std::isfinite(v) && v < 0) units.SetCustom(18, -v);
    return units;
}

std::string UnitsToText(const TGIS_Units& units) {
    if (units.Code == 1) return GisFloatToStr(units.Factor);
    if (units.Code == 18) return GisFloatToStr(-units.Factor);
    return GisUnitsKeyword(units.Code);
}

void GisSetBitmapProvider(const TGIS_BitmapProvider* provider) { g_bitmapProvider = provider; }
const TGIS_BitmapProvider* GisBitmapProvider() { return g_bitmapProvider; }
void GisSetSymbolProvider(const TGIS_SymbolProvider* provider) { g_symbolProvider = provider; }
const TGIS_SymbolProvider* GisSymbolProvider() { return g_symbolProvider; }

TGIS_Bitmap* TextToBitmap(const std::string& text, const TGIS_Bitmap* def) {
    if (IsNil(text) || text.empty()) return CopyOf(def);
    // A written value names the file with its extension and is taken as it stands.
    const bool hasExt = text.size() >= 4 && UpperCase(text.substr(text.size() - 4)) == ".BMP";
    TGIS_Bitmap* b = g_bitmapProvider ? g_bitmapProvider->Load(hasExt ? text : text + ".bmp") : nullptr;
    return b ? b : CopyOf(def);
}

TGIS_SymbolAbstract* TextToSymbol(const std::string& text, TGIS_SymbolAbstract* def) {
    if (IsNil(text)) return def;
    if (text.empty()) return nullptr;
    // A symbol that does not load gives the default, as any other text that does not convert.
    TGIS_SymbolAbstract* s = g_symbolProvider ? g_symbolProvider->ByName(text) : nullptr;
    return s ? s : def;
}
