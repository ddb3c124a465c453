// Drawing objects and the canvas: pens, brushes, fonts, regions and the one drawing API that paints on
// bitmaps, on the back surfaces of windowed controls and on the printer alike.
// One-pixel lines and rectangles follow the GDI rules; all drawing is without antialiasing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Component.h"
#include "platform/ui/Windows.h"

class TCanvas;
class TBitmap;
class TGraphic;
class TRegionData;
using HDC = TCanvas*;

class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };

// ---- GDI objects created by functions (ExtCreatePen, CreateBrushIndirect, CreateFontIndirect, regions) ----
struct TGdiObject {
    virtual ~TGdiObject() = default;
};
using HGDIOBJ = TGdiObject*;
BOOL DeleteObject(HGDIOBJ obj);

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame, psAlternate };
enum TPenMode : uint8_t { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
                          pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };
enum TBrushStyle : uint8_t { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
                             bsDiagCross };
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;
enum : TFontCharset { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, GB2312_CHARSET = 134 };

// ExtCreatePen styles.
enum : DWORD {
    PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5, PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7, PS_ALTERNATE = 8, PS_STYLE_MASK = 0xF, PS_ENDCAP_ROUND = 0, PS_ENDCAP_SQUARE = 0x100,
    PS_ENDCAP_FLAT = 0x200, PS_ENDCAP_MASK = 0xF00, PS_JOIN_ROUND = 0, PS_JOIN_BEVEL = 0x1000,
    PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000, PS_COSMETIC = 0, PS_GEOMETRIC = 0x10000, PS_TYPE_MASK = 0xF0000
};
enum : UINT { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3 };
enum : int { HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4,
             HS_DIAGCROSS = 5 };
struct LOGBRUSH {
    UINT lbStyle = BS_SOLID;
    TColor lbColor = 0;
    intptr_t lbHatch = 0;  // HS_* for BS_HATCHED, a TBitmap* for BS_PATTERN
};

struct TPenData : TGdiObject {
    TColor color = clBlack;
    int width = 1;
    TPenStyle style = psSolid;
    DWORD endCap = PS_ENDCAP_ROUND, join = PS_JOIN_ROUND;
    bool geometric = false;
    LOGBRUSH brush;  // geometric pens: the brush their strokes are filled with
};
using HPEN = TPenData*;
// A geometric or cosmetic pen; a BS_PATTERN brush's bitmap must outlive the pen.
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH& brush, DWORD styleCount, const DWORD* styles);
HPEN CreatePen(int style, int width, TColor color);

struct TBrushData : TGdiObject {
    LOGBRUSH lb;
};
using HBRUSH = TBrushData*;
HBRUSH CreateBrushIndirect(const LOGBRUSH& lb);
HBRUSH CreateSolidBrush(TColor c);
HBRUSH CreateHatchBrush(int hatch, TColor c);
HBRUSH CreatePatternBrush(TBitmap* bitmap);

constexpr int LF_FACESIZE = 32;
struct LOGFONT {
    int lfHeight = 0, lfWidth = 0, lfEscapement = 0, lfOrientation = 0, lfWeight = 400;
    BYTE lfItalic = 0, lfUnderline = 0, lfStrikeOut = 0, lfCharSet = DEFAULT_CHARSET, lfOutPrecision = 0,
         lfClipPrecision = 0, lfQuality = 0, lfPitchAndFamily = 0;
    std::string lfFaceName;
};
enum : BYTE { DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2 };
enum : int { FW_NORMAL = 400, FW_BOLD = 700 };
struct TFontData : TGdiObject {
    LOGFONT lf;
};
using HFONT = TFontData*;
HFONT CreateFontIndirect(const LOGFONT& lf);

struct TEXTMETRIC {
    int tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0, tmExternalLeading = 0,
        tmAveCharWidth = 0, tmMaxCharWidth = 0, tmWeight = 0;
    BYTE tmItalic = 0, tmUnderlined = 0, tmStruckOut = 0, tmPitchAndFamily = 0, tmCharSet = 0;
};
enum : BYTE { TMPF_FIXED_PITCH = 1, TMPF_VECTOR = 2, TMPF_TRUETYPE = 4 };

// Regions: integer pixel sets.
struct TRegionObj : TGdiObject {
    std::unique_ptr<TRegionData> d;
    TRegionObj();
    ~TRegionObj() override;
};
using HRGN = TRegionObj*;
enum : int { ALTERNATE = 1, WINDING = 2 };
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
HRGN CreateRectRgn(int l, int t, int r, int b);
HRGN CreateRectRgnIndirect(const TRect& r);
HRGN CreateEllipticRgn(int l, int t, int r, int b);
HRGN CreatePolygonRgn(const TPoint* pts, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const TPoint* pts, const int* counts, int polys, int fillMode);
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const TRect& r);
int GetRgnBox(HRGN rgn, TRect& r);
BOOL EqualRgn(HRGN a, HRGN b);

// ---- the class library's drawing objects ----
class TGraphicsObject : public TPersistent {
public:
    std::function<void()> OnChange;
    // Drawn afresh at every change from one count for all pens, brushes and fonts, so that an object that shows
    // the number a caller saw after setting it up still holds those settings, wherever it lives now.
    uint64_t Revision() const { return revision_; }

protected:
    void Changed() {
        revision_ = NextRevision();
        if (OnChange) OnChange();
    }

private:
    static uint64_t NextRevision();
    uint64_t revision_ = NextRevision();
};

class TPen : public TGraphicsObject {
public:
    QM_CLASS_INFO
    TColor Color() const { return d_.color; }
    void SetColor(TColor c);
    int Width() const { return d_.width; }
    void SetWidth(int w);
    TPenStyle Style() const { return d_.style; }
    void SetStyle(TPenStyle s);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode m);
    // Takes over the settings of a pen made by ExtCreatePen or CreatePen (the caller keeps and frees it);
    // a pattern bitmap is copied, so the pen never outlives what it strokes with.
    void SetHandle(HPEN pen);
    const TPenData& Data() const { return d_; }
    // The pen's own copy of the pattern bitmap of a geometric pen, or nullptr.
    const TBitmap* PatternBitmap() const { return pattern_.get(); }
    void Assign(const TPen& other);

private:
    TPenData d_;
    std::shared_ptr<const TBitmap> pattern_;  // never changed once made, so copies of the pen share it
    TPenMode mode_ = pmCopy;
};

class TBrush : public TGraphicsObject {
public:
    QM_CLASS_INFO
    ~TBrush() override;
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle s);
    // A pattern bitmap (copied); nullptr removes it.
    TBitmap* Bitmap() const { return bitmap_.get(); }
    void SetBitmap(TBitmap* b);
    void SetHandle(HBRUSH brush);
    void Assign(const TBrush& other);

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    std::unique_ptr<TBitmap> bitmap_;
};

class TFont : public TGraphicsObject {
public:
    QM_CLASS_INFO
    std::string Name() const { return name_; }
    void SetName(const std::string& n);
    int Size() const;  // points
    void SetSize(int points);
    int Height() const { return height_; }  // pixels; negative: character height, positive: cell height
    void SetHeight(int h);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles s);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset c);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch p);
    // Tenths of a degree, counter-clockwise.
    int Escapement() const { return escapement_; }
    void SetEscapement(int tenths);
    int Orientation() const { return orientation_; }
    void SetOrientation(int tenths) { orientation_ = tenths; }
    int PixelsPerInch() const { return ppi_; }
    void SetPixelsPerInch(int ppi) { ppi_ = ppi; }
    void SetHandle(HFONT font);
    LOGFONT LogFont() const;
    void Assign(const TFont& other);
    bool operator==(const TFont& o) const;

private:
    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    int escapement_ = 0, orientation_ = 0, ppi_ = 96;
};

// ---- text and drawing flags ----
enum : UINT {
    DT_TOP = 0, DT_LEFT = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_VCENTER = 4, DT_BOTTOM = 8, DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_TABSTOP = 0x80, DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200,
    DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800, DT_INTERNAL = 0x1000, DT_EDITCONTROL = 0x2000,
    DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000, DT_RTLREADING = 0x20000,
    DT_WORD_ELLIPSIS = 0x40000, DT_HIDEPREFIX = 0x100000
};
enum : UINT { TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24,
              TA_UPDATECP = 1, TA_RTLREADING = 256 };
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
// Raster operations of BitBlt and the canvas copy mode.
enum : DWORD {
    SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
    SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008, NOTSRCERASE = 0x001100A6, MERGECOPY = 0x00C000CA,
    MERGEPAINT = 0x00BB0226, PATCOPY = 0x00F00021, PATPAINT = 0x00FB0A09, PATINVERT = 0x005A0049,
    DSTINVERT = 0x00550009, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062
};
using TCopyMode = DWORD;
constexpr TCopyMode cmSrcCopy = SRCCOPY, cmSrcInvert = SRCINVERT, cmSrcAnd = SRCAND, cmSrcPaint = SRCPAINT,
                    cmNotSrcCopy = NOTSRCCOPY, cmDstInvert = DSTINVERT, cmBlackness = BLACKNESS,
                    cmWhiteness = WHITENESS, cmPatCopy = PATCOPY, cmMergeCopy = MERGECOPY,
                    cmMergePaint = MERGEPAINT, cmSrcErase = SRCERASE, cmNotSrcErase = NOTSRCERASE,
                    cmPatInvert = PATINVERT, cmPatPaint = PATPAINT;

class TCanvasDevice;

class TCanvas {
public:
    TCanvas();
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen* Pen() const { return pen_.get(); }
    TBrush* Brush() const { return brush_.get(); }
    TFont* Font() const { return font_.get(); }
    void SetFont(const TFont& f) { font_->Assign(f); }
    HDC Handle() { return this; }
    bool HandleAllocated() const;
    TPoint PenPos() const { return penPos_; }
    void SetPenPos(const TPoint& p) { penPos_ = p; }
    TCopyMode CopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode m) { copyMode_ = m; }
    // Size of the surface drawn on, in device pixels.
    int DeviceWidth() const;
    int DeviceHeight() const;
    int PixelsPerInch() const;

    // Lines: the end pixel of a one-pixel line is left out.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(const TPoint* pts, int count);
    void Polyline(const std::vector<TPoint>& pts) { Polyline(pts.data(), int(pts.size())); }
    void PolyPolyline(const TPoint* pts, const int* counts, int polys);
    void Polygon(const TPoint* pts, int count);
    void Polygon(const std::vector<TPoint>& pts) { Polygon(pts.data(), int(pts.size())); }
    void PolyPolygon(const TPoint* pts, const int* counts, int polys);
    // Shapes cover (x1, y1) .. (x2 - 1, y2 - 1); with a clear pen the fill stops one pixel earlier.
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int w, int h);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // Counter-clockwise from the radial through (x3, y3) to the radial through (x4, y4).
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);
    // Dotted XOR rectangle; drawn twice it is gone.
    void DrawFocusRect(const TRect& r);
    void InvertRect(const TRect& r);
    TColor Pixel(int x, int y) const;  // clNone outside the surface
    void SetPixel(int x, int y, TColor c);

    // Text (GBK). TextOut honours the text alignment, the background mode and the font's escapement.
    void TextOut(int x, int y, const std::string& text);
    void TextRect(const TRect& r, int x, int y, const std::string& text);
    int TextWidth(const std::string& text);
    int TextHeight(const std::string& text);
    TSize TextExtent(const std::string& text);
    // Returns the height of the text; DT_CALCRECT only measures and widens or heightens r.
    int DrawText(const std::string& text, TRect& r, UINT flags);
    TEXTMETRIC GetTextMetrics();
    UINT SetTextAlign(UINT align);
    UINT TextAlign() const { return textAlign_; }
    int SetBkMode(int mode);
    int BkMode() const { return bkMode_; }
    TColor SetBkColor(TColor c);
    TColor BkColor() const { return bkColor_; }
    int SetPolyFillMode(int mode);
    TPoint SetBrushOrg(int x, int y);

    // Copies between canvases with raster operations; negative sizes mirror.
    void BitBlt(int x, int y, int w, int h, TCanvas* src, int sx, int sy, DWORD rop);
    void StretchBlt(int x, int y, int w, int h, TCanvas* src, int sx, int sy, int sw, int sh, DWORD rop);
    void PatBlt(int x, int y, int w, int h, DWORD rop);
    void CopyRect(const TRect& dest, TCanvas* src, const TRect& source);
    void Draw(int x, int y, TGraphic* g);
    void StretchDraw(const TRect& r, TGraphic* g);

    // Clip regions, in logical coordinates at the time of the call.
    TRect ClipRect() const;
    int SelectClipRgn(HRGN rgn);  // nullptr removes the clip
    int ExtSelectClipRgn(HRGN rgn, int mode);
    int IntersectClipRect(int l, int t, int r, int b);
    int ExcludeClipRect(int l, int t, int r, int b);
    // A copy of the current clip (nullptr when unclipped); the caller frees it.
    HRGN GetClipRgn() const;
    // Saved states: pen, brush, font, clip, origin, modes and alignment. RestoreDC(-1) pops one.
    int SaveDC();
    bool RestoreDC(int saved);
    TPoint SetViewportOrg(int x, int y);
    TPoint ViewportOrg() const { return origin_; }
    void FillRgn(HRGN rgn, TBrush* brush);
    void FrameRgn(HRGN rgn, TBrush* brush, int w, int h);

    // Paths: between BeginPath and EndPath the figure operations record instead of drawing.
    void BeginPath();
    void EndPath();
    void AbortPath();
    void CloseFigure();
    bool SelectClipPath(int mode);
    HRGN PathToRegion();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();

    void Lock() {}
    void Unlock() {}

    TCanvasDevice* Device() const { return dev_.get(); }
    void SetDevice(std::unique_ptr<TCanvasDevice> dev);

private:
    friend struct TCanvasAccess;
    struct State;
    struct Path;
    std::unique_ptr<TCanvasDevice> dev_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TFont> font_;
    TPoint penPos_, brushOrg_, origin_;
    TCopyMode copyMode_ = cmSrcCopy;
    UINT textAlign_ = TA_LEFT | TA_TOP;
    int bkMode_ = OPAQUE, polyFill_ = ALTERNATE;
    TColor bkColor_ = clWhite;
    int dashPhase_ = 0;
    std::unique_ptr<TRegionObj> clip_;  // device coordinates
    std::vector<std::unique_ptr<State>> saved_;
    std::unique_ptr<Path> path_;
};
enum : int { HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, NUMCOLORS = 24, LOGPIXELSX = 88,
             LOGPIXELSY = 90 };
// NUMCOLORS is -1 (more than 256 colours) on every device here.
int GetDeviceCaps(HDC dc, int index);
BOOL SelectObject(HDC dc, HGDIOBJ obj);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);
int SelectClipRgn(HDC dc, HRGN rgn);
int SetBkMode(HDC dc, int mode);
UINT SetTextAlign(HDC dc, UINT align);
BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop);
int DrawText(HDC dc, const std::string& text, TRect& r, UINT flags);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC& tm);
BOOL FillRect(HDC dc, const TRect& r, HBRUSH brush);
// The rest of the device-context functions the drawing code calls, over the canvas.
TColor SetTextColor(HDC dc, TColor c);
TColor SetBkColor(HDC dc, TColor c);
int SetROP2(HDC dc, int mode);  // R2_* = TPenMode + 1
enum : int { R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4, R2_MASKPENNOT = 5, R2_NOT = 6,
             R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9, R2_NOTXORPEN = 10, R2_NOP = 11, R2_MERGENOTPEN = 12,
             R2_COPYPEN = 13, R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16 };
int SetPolyFillMode(HDC dc, int mode);
BOOL SetBrushOrgEx(HDC dc, int x, int y, TPoint* old);
BOOL SetViewportOrgEx(HDC dc, int x, int y, TPoint* old);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, TPoint* old);
BOOL GetViewportOrgEx(HDC dc, TPoint* p);
BOOL MoveToEx(HDC dc, int x, int y, TPoint* old);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const TPoint* pts, int count);
BOOL Polygon(HDC dc, const TPoint* pts, int count);
BOOL PolyPolygon(HDC dc, const TPoint* pts, const int* counts, int polys);
BOOL Rectangle(HDC dc, int l, int t, int r, int b);
BOOL Ellipse(HDC dc, int l, int t, int r, int b);
BOOL TextOut(HDC dc, int x, int y, const std::string& text);
BOOL GetTextExtentPoint32(HDC dc, const std::string& text, TSize& size);
BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop);
BOOL InvertRect(HDC dc, const TRect& r);
BOOL DrawFocusRect(HDC dc, const TRect& r);
int GetClipBox(HDC dc, TRect& r);
int IntersectClipRect(HDC dc, int l, int t, int r, int b);
int ExcludeClipRect(HDC dc, int l, int t, int r, int b);
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush);
BOOL BeginPath(HDC dc);
BOOL EndPath(HDC dc);
BOOL SelectClipPath(HDC dc, int mode);
TColor GetPixel(HDC dc, int x, int y);
TColor SetPixel(HDC dc, int x, int y, TColor c);

// The face actually used for a face name (the CJK faces map to the installed CJK font).
std::string MapFontFace(const std::string& face);
// TrueType test of a face: the classic bitmap faces answer False.
bool IsTrueTypeFace(const std::string& face);
