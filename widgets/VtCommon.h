// Shared drawing of the Vt controls: colour arithmetic on hue, lightness and saturation bytes (0..240), the
// border painters chosen by a frame style, focus borders, progress bodies and arrow glyphs.
// Every border painter returns the rectangle inside what it drew, so callers chain them.
#pragma once

#include <cstdint>

#include "platform/ui/Graphics.h"

enum TFrameStyleEx : uint8_t {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp, fsStatus, fsPopup,
    fsFlatBold, fsFlatRounded
};
// fsNone .. fsFlatBold.
using TFrameStyle = TFrameStyleEx;

enum TSide : uint8_t { sdLeft, sdTop, sdRight, sdBottom };
// Bit mask: left 1, top 2, right 4, bottom 8.
using TSides = uint8_t;
constexpr TSides sdAllSides = 15;
constexpr bool HasSide(TSides s, TSide side) { return (s >> side) & 1; }

enum TFramingPreference : uint8_t { fpCustomFraming, fpXPThemes };
enum TBarStyle : uint8_t { bsTraditional, bsLED };
enum TVtHotTrackColorType : uint8_t { htctComplement, htctActual };
enum TOrientation : uint8_t { orHorizontal, orVertical };

// ---- colours ----
void ColorToHLS(TColor c, BYTE& hue, BYTE& saturation, BYTE& lightness);
TColor HLSToColor(BYTE hue, BYTE saturation, BYTE lightness);
BYTE GetHue(TColor c);
TColor DarkerColor(TColor c, BYTE amount);
TColor LighterColor(TColor c, BYTE amount);
TColor AdjustColor(TColor c, int amount);
TColor BlendColors(TColor a, TColor b, BYTE weight);
bool ColorsAreSimilar(TColor a, TColor b);
bool IsHighColorDisplay();
TRect CenterRect(const TRect& r, int width, int height);

// ---- border painters ----
TRect DrawSides(TCanvas* c, TRect r, TColor ulColor, TColor lrColor, TSides sides);
TRect DrawBevel(TCanvas* c, TRect r, TColor ulColor, TColor lrColor, int width, TSides sides);
TRect DrawWindowsBorder(TCanvas* c, TRect r, bool sunken, TSides sides);
TRect DrawButtonBorder(TCanvas* c, TRect r, bool down, TSides sides = sdAllSides);
TRect DrawColorButtonBorder(TCanvas* c, TRect r, TColor base, bool down, TSides sides = sdAllSides);
TRect DrawBorder(TCanvas* c, TRect r, TFrameStyle style, TSides sides = sdAllSides);
TRect DrawColorBorder(TCanvas* c, TRect r, TColor base, TFrameStyle style, TSides sides = sdAllSides);
TRect DrawRoundedFlatBorder(TCanvas* c, TRect r, TColor color, TSides sides);
TRect DrawFocusBorder(TCanvas* c, TRect r);

struct TFrameParams {
    TFrameStyleEx outer = fsNone, inner = fsNone;
    int borderWidth = 0;
    TSides sides = sdAllSides;
    int bevelWidth = 1;
    TColor borderColor = clBtnFace, borderHighlight = clBtnHighlight, borderShadow = clBtnShadow;
    TColor flatColor = clBtnShadow;
    int flatColorAdjustment = 0;
    TColor controlColor = clBtnFace, parentColor = clBtnFace;
    bool transparent = false;
    bool fullLine = false;  // an inner fsFlat drawn as whole lines
};
// The two-level border of labels, panels and progress bars.
TRect DrawFrame(TCanvas* c, TRect r, const TFrameParams& p);
// The frame of edit-like controls on (0, 0, width, height).
TRect DrawControlFrame(TCanvas* c, int width, int height, TFrameStyle style, TColor controlColor,
                       TColor frameColor, TSides sides, bool skipRing);

// ---- progress bodies and glyphs ----
void DrawLEDBar(TCanvas* c, TRect r, TOrientation orientation, TColor barColor, TColor backColor, int segments,
                int percent, bool useThemes);
void DrawTraditionalBar(TCanvas* c, TRect r, TOrientation orientation, TColor barColor, TColor backColor,
                        uint16_t percent, bool showPercent);
// style 1 is the themed look.
void DrawDropDownArrow(TCanvas* c, TRect r, int style, bool pressed, bool enabled);
enum TArrowDirection : uint8_t { adUp, adDown, adLeft, adRight };
void DrawArrow(TCanvas* c, TRect r, int style, TArrowDirection direction, bool pressed, bool enabled);
