#include "platform/ui/Graphics.h"

#include <algorithm>
#include <atomic>

#include "platform/rtl/CodePage.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/QtGlue.h"

// Leak checkers are told that the font configuration library keeps its caches for the life of the process
// (only a leak-checking build asks for this).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

// ---------------------------------------------------------------- code pages
namespace {
std::string Iconv(const char* to, const char* from, const std::string& in, const std::string& bad) {
    std::string out;
    return ConvertEncoding(in, to, from, bad, 1, out) ? out : in;
}
}  // namespace

QString FromGbk(const std::string& s) {
    bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return QString::fromLatin1(s.data(), qsizetype(s.size()));
    return QString::fromUtf8(Iconv("UTF-8", "GB18030", s, "\xEF\xBF\xBD"));
}

std::string ToGbk(const QString& s) {
    QByteArray u = s.toUtf8();
    return Iconv("GB18030", "UTF-8", std::string(u.constData(), size_t(u.size())), "?");
}

// ---------------------------------------------------------------- GDI objects
BOOL DeleteObject(HGDIOBJ obj) {
    delete obj;
    return obj != nullptr;
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH& brush, DWORD, const DWORD*) {
    auto* p = new TPenData;
    DWORD s = style & PS_STYLE_MASK;
    p->style = s == PS_NULL ? psClear : s == PS_ALTERNATE ? psAlternate : s <= PS_INSIDEFRAME ? TPenStyle(s) : psSolid;
    p->geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
    p->width = p->geometric ? int(std::max<DWORD>(width, 1)) : 1;
    p->endCap = style & PS_ENDCAP_MASK;
    p->join = style & PS_JOIN_MASK;
    p->brush = brush;
    p->color = brush.lbColor;
    if (brush.lbStyle == BS_NULL) p->style = psClear;
    return p;
}

HPEN CreatePen(int style, int width, TColor color) {
    auto* p = new TPenData;
    p->style = style == int(PS_NULL) ? psClear : style <= int(PS_INSIDEFRAME) ? TPenStyle(style) : psSolid;
    p->width = std::max(width, 1);
    p->color = color;
    p->brush.lbColor = color;
    return p;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH& lb) {
    auto* b = new TBrushData;
    b->lb = lb;
    return b;
}
HBRUSH CreateSolidBrush(TColor c) { return CreateBrushIndirect(LOGBRUSH{BS_SOLID, c, 0}); }
HBRUSH CreateHatchBrush(int hatch, TColor c) { return CreateBrushIndirect(LOGBRUSH{BS_HATCHED, c, hatch}); }
HBRUSH CreatePatternBrush(TBitmap* bitmap) {
    return CreateBrushIndirect(LOGBRUSH{BS_PATTERN, 0, reinterpret_cast<intptr_t>(bitmap)});
}

HFONT CreateFontIndirect(const LOGFONT& lf) {
    auto* f = new TFontData;
    f->lf = lf;
    return f;
}

uint64_t TGraphicsObject::NextRevision() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

// ---------------------------------------------------------------- handle-style functions
int GetDeviceCaps(HDC dc, int index) {
    switch (index) {
    case HORZRES: return dc ? dc->DeviceWidth() : GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return dc ? dc->DeviceHeight() : GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return dc ? dc->PixelsPerInch() : 96;
    }
    return 0;
}

BOOL SelectObject(HDC dc, HGDIOBJ obj) {
    if (!dc || !obj) return 0;
    if (auto* p = dynamic_cast<TPenData*>(obj)) {
        dc->Pen()->SetHandle(p);
    } else if (auto* b = dynamic_cast<TBrushData*>(obj)) {
        dc->Brush()->SetHandle(b);
    } else if (auto* f = dynamic_cast<TFontData*>(obj)) {
        dc->Font()->SetHandle(f);
    } else if (auto* r = dynamic_cast<TRegionObj*>(obj)) {
        dc->SelectClipRgn(r);
    } else {
        return 0;
    }
    return 1;
}
int SaveDC(HDC dc) { return dc ? dc->SaveDC() : 0; }
BOOL RestoreDC(HDC dc, int saved) { return dc && dc->RestoreDC(saved); }
int SelectClipRgn(HDC dc, HRGN rgn) { return dc ? dc->SelectClipRgn(rgn) : RGN_ERROR; }
int SetBkMode(HDC dc, int mode) { return dc ? dc->SetBkMode(mode) : 0; }
UINT SetTextAlign(HDC dc, UINT align) { return dc ? dc->SetTextAlign(align) : 0; }
BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    if (!dst) return 0;
    dst->BitBlt(x, y, w, h, src, sx, sy, rop);
    return 1;
}
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
    if (!dst) return 0;
    dst->StretchBlt(x, y, w, h, src, sx, sy, sw, sh, rop);
    return 1;
}
int DrawText(HDC dc, const std::string& text, TRect& r, UINT flags) { return dc ? dc->DrawText(text, r, flags) : 0; }
BOOL GetTextMetrics(HDC dc, TEXTMETRIC& tm) {
    if (!dc) return 0;
    tm = dc->GetTextMetrics();
    return 1;
}
BOOL FillRect(HDC dc, const TRect& r, HBRUSH brush) {
    if (!dc || !brush) return 0;
    TBrush keep;
    keep.Assign(*dc->Brush());
    dc->Brush()->SetHandle(brush);
    dc->FillRect(r);
    dc->Brush()->Assign(keep);
    return 1;
}

TColor SetTextColor(HDC dc, TColor c) {
    if (!dc) return clNone;
    TColor old = dc->Font()->Color();
    dc->Font()->SetColor(c);
    return old;
}
TColor SetBkColor(HDC dc, TColor c) { return dc ? dc->SetBkColor(c) : clNone; }
int SetROP2(HDC dc, int mode) {
    if (!dc || mode < R2_BLACK || mode > R2_WHITE) return 0;
    // The sixteen mixes in the order of their R2 codes.
    static const TPenMode modes[] = {pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot, pmNot,
                                     pmXor,   pmNotMask,  pmMask,       pmNotXor,  pmNop,        pmMergeNotPen,
                                     pmCopy,  pmMergePenNot, pmMerge,   pmWhite};
    TPenMode old = dc->Pen()->Mode();
    dc->Pen()->SetMode(modes[mode - 1]);
    for (int i = 0; i < 16; ++i)
        if (modes[i] == old) return i + 1;
    return R2_COPYPEN;
}
int SetPolyFillMode(HDC dc, int mode) { return dc ? dc->SetPolyFillMode(mode) : 0; }
BOOL SetBrushOrgEx(HDC dc, int x, int y, TPoint* old) {
    if (!dc) return 0;
    TPoint o = dc->SetBrushOrg(x, y);
    if (old) *old = o;
    return 1;
}
BOOL SetViewportOrgEx(HDC dc, int x, int y, TPoint* old) {
    if (!dc) return 0;
    TPoint o = dc->SetViewportOrg(x, y);
    if (old) *old = o;
    return 1;
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, TPoint* old) {
    if (!dc) return 0;
    TPoint o = dc->ViewportOrg();
    dc->SetViewportOrg(o.X + dx, o.Y + dy);
    if (old) *old = o;
    return 1;
}
BOOL GetViewportOrgEx(HDC dc, TPoint* p) {
    if (!dc || !p) return 0;
    *p = dc->ViewportOrg();
    return 1;
}
BOOL MoveToEx(HDC dc, int x, int y, TPoint* old) {
    if (!dc) return 0;
    if (old) *old = dc->PenPos();
    dc->MoveTo(x, y);
    return 1;
}
BOOL LineTo(HDC dc, int x, int y) {
    if (!dc) return 0;
    dc->LineTo(x, y);
    return 1;
}
BOOL Polyline(HDC dc, const TPoint* pts, int count) {
    if (!dc) return 0;
    dc->Polyline(pts, count);
    return 1;
}
BOOL Polygon(HDC dc, const TPoint* pts, int count) {
    if (!dc) return 0;
    dc->Polygon(pts, count);
    return 1;
}
BOOL PolyPolygon(HDC dc, const TPoint* pts, const int* counts, int polys) {
    if (!dc) return 0;
    dc->PolyPolygon(pts, counts, polys);
    return 1;
}
BOOL Rectangle(HDC dc, int l, int t, int r, int b) {
    if (!dc) return 0;
    dc->Rectangle(l, t, r, b);
    return 1;
}
BOOL Ellipse(HDC dc, int l, int t, int r, int b) {
    if (!dc) return 0;
    dc->Ellipse(l, t, r, b);
    return 1;
}
BOOL TextOut(HDC dc, int x, int y, const std::string& text) {
    if (!dc) return 0;
    dc->TextOut(x, y, text);
    return 1;
}
BOOL GetTextExtentPoint32(HDC dc, const std::string& text, TSize& size) {
    if (!dc) return 0;
    size = dc->TextExtent(text);
    return 1;
}
BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop) {
    if (!dc) return 0;
    dc->PatBlt(x, y, w, h, rop);
    return 1;
}
BOOL InvertRect(HDC dc, const TRect& r) {
    if (!dc) return 0;
    dc->InvertRect(r);
    return 1;
}
BOOL DrawFocusRect(HDC dc, const TRect& r) {
    if (!dc) return 0;
    dc->DrawFocusRect(r);
    return 1;
}
int GetClipBox(HDC dc, TRect& r) {
    if (!dc) return RGN_ERROR;
    r = dc->ClipRect();
    return r.IsEmpty() ? NULLREGION : SIMPLEREGION;
}
int IntersectClipRect(HDC dc, int l, int t, int r, int b) { return dc ? dc->IntersectClipRect(l, t, r, b) : RGN_ERROR; }
int ExcludeClipRect(HDC dc, int l, int t, int r, int b) { return dc ? dc->ExcludeClipRect(l, t, r, b) : RGN_ERROR; }
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode) { return dc ? dc->ExtSelectClipRgn(rgn, mode) : RGN_ERROR; }
BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush) {
    if (!dc || !rgn || !brush) return 0;
    TBrush b;
    b.SetHandle(brush);
    dc->FillRgn(rgn, &b);
    return 1;
}
BOOL BeginPath(HDC dc) {
    if (!dc) return 0;
    dc->BeginPath();
    return 1;
}
BOOL EndPath(HDC dc) {
    if (!dc) return 0;
    dc->EndPath();
    return 1;
}
BOOL SelectClipPath(HDC dc, int mode) { return dc && dc->SelectClipPath(mode); }
TColor GetPixel(HDC dc, int x, int y) { return dc ? dc->Pixel(x, y) : clNone; }
TColor SetPixel(HDC dc, int x, int y, TColor c) {
    if (!dc) return clNone;
    dc->SetPixel(x, y, c);
    return ColorToRGB(c);
}
