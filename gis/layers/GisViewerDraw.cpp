// The viewer's painting and printing: routes by device, the cache and its overlays, per-layer transparency, tiled
// output and the printed page.
#include <algorithm>
#include <cmath>
#include <exception>

#include "gis/layers/GisBlend.h"
#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisParams.h"
#include "gis/layers/GisViewer.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Printers.h"

namespace {
constexpr int GIS_TILE = 512;

// The overlay and work bitmaps take the look of the bitmap they are laid over.
void PrepareLike(TBitmap& b, TBitmap& like) {
    b.SetHandleType(like.HandleType());
    b.SetPixelFormat(like.PixelFormat());
    b.SetSize(like.Width(), like.Height());
    b.Canvas()->SetFont(*like.Canvas()->Font());
}

void Fill(TCanvas* c, const TRect& r, TColor color) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(color);
    c->FillRect(r);
}

TGIS_Blend LayerBlend(const TGIS_LayerAbstract& layer) {
    const TGIS_ParamsSection* s = layer.Params;
    return s ? GisBlendOf(s->Transparency(), s->Addition()) : TGIS_Blend{};
}

bool AnyLayerBlends(const TGIS_Viewer& v) {
    return std::any_of(v.Items.begin(), v.Items.end(),
                       [](const TGIS_LayerAbstract* l) { return !LayerBlend(*l).Opaque(); });
}

// Phase of the background tile along one axis, so that the tiles scroll with the map.
int TilePhase(double delta, double zoom, int size) {
    const double d = std::trunc(delta * zoom);
    const int phase = int(d - std::trunc(d / size) * size);
    // A view left of or above the extent would otherwise leave a gap before the first tile.
    return phase < 0 ? phase + size : phase;
}

void PaintBackground(TGIS_Viewer& v) {
    TCanvas* c = v.GetCanvas();
    const TRect clip = v.GetClipRect();
    TBitmap* tile = v.TilePicture();
    if (!tile || tile->Empty()) {
        Fill(c, clip, v.Color());
        return;
    }
    const int tw = tile->Width(), th = tile->Height();
    const int px = TilePhase(v.Delta.X, v.Zoom(), tw), py = TilePhase(v.Delta.Y, v.Zoom(), th);
    const int x0 = (clip.Left / tw) * tw - px, y0 = (clip.Top / th) * th - py;
    for (int y = y0 - (clip.Top < 0 ? th : 0); y < clip.Bottom; y += th)
        for (int x = x0 - (clip.Left < 0 ? tw : 0); x < clip.Right; x += tw) c->Draw(x, y, tile);
}

bool InView(const TGIS_LayerAbstract& l, const TGIS_Extent& visible) {
    return !GisIsSameExtent(l.ProjectedExtent, GisEmptyExtent()) && GisExtentsOverlap(l.ProjectedExtent, visible);
}

// A layer painted through the transparency work bitmap: the mode is back and the blend done on every exit.
class TransparentPaint {
public:
    TransparentPaint(TGIS_Viewer& v, const TGIS_LayerAbstract& layer) : v_(v), blend_(LayerBlend(layer)) {
        const uint8_t mode = v.OutputMode();
        if (blend_.Opaque() || (mode != gisOutputCache && mode != gisOutputBitmap)) return;
        target_ = mode == gisOutputCache ? v.CacheBitmap() : v.TargetBitmap();
        if (!target_) return;
        clip_ = v.GetClipRect();
        v.SavedMode = mode;
        TBitmap& work = *v.TransparencyBitmap();
        PrepareLike(work, *target_);
        v.SetOutputMode(gisOutputTransparency);
        // The layer paints only where its target is drawn now.
        work.Canvas()->SaveDC();
        work.Canvas()->IntersectClipRect(clip_.Left, clip_.Top, clip_.Right, clip_.Bottom);
        Fill(work.Canvas(), clip_, clBlack);
    }
    ~TransparentPaint() {
        if (!target_) return;
        TBitmap& work = *v_.TransparencyBitmap();
        work.Canvas()->RestoreDC(-1);
        // A layer that raised leaves its target as it was.
        if (std::uncaught_exceptions() == exceptions_) GisBlendBitmap(*target_, work, clip_, blend_);
        v_.SetOutputMode(v_.SavedMode);
    }
    TransparentPaint(const TransparentPaint&) = delete;
    TransparentPaint& operator=(const TransparentPaint&) = delete;

private:
    TGIS_Viewer& v_;
    TGIS_Blend blend_;
    TBitmap* target_ = nullptr;
    TRect clip_;
    int exceptions_ = std::uncaught_exceptions();
};

// One of the overlays painted in its own mode, the mode restored however the layer ends.
template <class F>
void InMode(TGIS_Viewer& v, uint8_t mode, F paint) {
    const uint8_t back = v.OutputMode();
    v.SetOutputMode(mode);
    struct Back {
        TGIS_Viewer& v;
        uint8_t mode;
        ~Back() { v.SetOutputMode(mode); }
    } b{v, back};
    paint();
}

// Charts, then labels, of each layer of [first, last] that is visible; inactive ones are only told.
void PaintChartsAndLabels(TGIS_Viewer& v, int first, int last, const TGIS_Extent& visible) {
    for (auto slot : {&TGIS_LayerAbstract::PaintCharts, &TGIS_LayerAbstract::PaintLabels})
        for (int i = first; i <= last; ++i) {
            TGIS_LayerAbstract& l = *v.Items[size_t(i)];
            if (!InView(l, visible)) l.PaintSkipped();
            else if (!l.Active) l.PaintSkipped();
            else (l.*slot)();
        }
}

// Background, then the layers (or the OnPaint handler) in the given pass.
void DrawPass(TGIS_Viewer& v, uint8_t pass) {
    PaintBackground(v);
    v.PaintPass = pass;
    if (v.OnPaint) v.OnPaint(&v);
    else v.DrawLayers();
    v.PaintPass = 0;
}

// The device's clip rectangle in tiles of the cache, row by row from the top, each copied to its place.
void DrawTiles(TGIS_Viewer& v) {
    const uint8_t device = v.TargetMode;
    TCanvas* dc = v.GetCanvas();
    const TRect clip = v.GetClipRect();
    if (!dc || clip.IsEmpty()) return;
    const int rows = (clip.Height() - 1) / GIS_TILE + 1, cols = (clip.Width() - 1) / GIS_TILE + 1;
    const int total = rows * cols;
    bool abort = false;
    if (v.OnBusy) v.OnBusy(&v, 0, total, abort);
    const TGIS_DoublePoint delta = v.Delta;
    const TPoint offset = v.DeviceOffset;
    struct Back {
        TGIS_Viewer& v;
        TGIS_DoublePoint delta;
        TPoint offset;
        uint8_t device;
        ~Back() {
            v.Delta = delta;
            v.DeviceOffset = offset;
            v.SetOutputMode(device);
        }
    } back{v, delta, offset, device};
    v.SetOutputMode(gisOutputCache);
    // The cache stands where the tile is: its pixel 0 is the tile's corner on the device.
    v.DeviceOffset = TPoint(0, 0);
    TBitmap& cache = *v.CacheBitmap();
    int done = 0;
    for (int row = 0; row < rows && !abort; ++row)
        for (int col = 0; col < cols && !abort; ++col) {
            const int x = clip.Left + col * GIS_TILE, y = clip.Top + row * GIS_TILE;
            const int w = std::min(GIS_TILE, clip.Right - x), h = std::min(GIS_TILE, clip.Bottom - y);
            v.Delta.X = delta.X + (x - offset.X) / v.Zoom();
            v.Delta.Y = delta.Y + (y - offset.Y) / v.Zoom();
            DrawPass(v, v.CachedPaint() ? 1 : 0);
            if (device == gisOutputPrinter) StretchDIBits(dc, x, y, w, h, 0, 0, w, h, &cache, SRCCOPY);
            else dc->CopyRect(TRect(x, y, x + w, y + h), cache.Canvas(), TRect(0, 0, w, h));
            ++done;
            if (v.OnBusy) v.OnBusy(&v, done, total, abort);
        }
}
}  // namespace

TRect TGIS_Viewer::CacheClipRect() {
    if (TargetMode == gisOutputPrinter || TargetMode == gisOutputCanvas) return cache_->Canvas()->ClipRect();
    if (DirectDraw || (!FullPaint() && !IsWindowCovered(this))) return Canvas()->ClipRect();
    return cache_->Canvas()->ClipRect();
}

// ---------------------------------------------------------------- Draw
void TGIS_Viewer::DrawDirect() {
    if (LockCount >= 1) return;
    DirectDraw = true;
    Draw();
}

void TGIS_Viewer::Draw() {
    if (LockCount > 0) return;
    if (FullPaint() && !DirectDraw) labelsArea_->Reset();
    ExtentChangedFlag = false;
    if (DeviceWidth() <= 0 || DeviceHeight() <= 0) {
        DirectDraw = false;
        return;
    }
    ++LockCount;
    const uint8_t mode = outputMode_;
    const TGIS_DoublePoint delta = Delta;
    auto finish = [&] {
        DirectDraw = false;
        TargetMode = 0;
        PaintPass = 0;
        Delta = delta;
        outputMode_ = mode;
        --LockCount;
    };
    try {
        if (OnBeforePaint) OnBeforePaint(this);
        bool render = true;
        if (mode == gisOutputWindow && CachedPaint()) {
            TBitmap& c = *cache_;
            render = !(c.PixelFormat() == pf24bit && c.Width() == DeviceWidth() && c.Height() == DeviceHeight() &&
                       CacheOrigin.X == Delta.X && CacheOrigin.Y == Delta.Y);
            if (render) {
                c.SetPixelFormat(pf24bit);
                c.SetSize(DeviceWidth(), DeviceHeight());
            }
            TargetMode = gisOutputWindow;
            outputMode_ = gisOutputCache;
            if (!DirectDraw) CacheOrigin = Delta;
        } else if ((mode == gisOutputPrinter && CachedPaint() && AnyLayerBlends(*this)) ||
                   mode == gisOutputCanvas) {
            if (mode == gisOutputPrinter) cache_->SetPixelFormat(pf24bit);
            cache_->SetSize(GIS_TILE, GIS_TILE);
            TargetMode = mode;
        }

        if (TargetMode == gisOutputPrinter || TargetMode == gisOutputCanvas) {
            DrawTiles(*this);
        } else if (render) {
            TCanvas* c = GetCanvas();
            const TRect clip = GetClipRect();
            // On the cache only the part asked for is drawn; the rest keeps its picture.
            const bool onCache = outputMode_ == gisOutputCache;
            if (onCache) {
                c->SaveDC();
                c->IntersectClipRect(clip.Left, clip.Top, clip.Right, clip.Bottom);
            }
            struct Unclip {
                TCanvas* c;
                bool on;
                ~Unclip() {
                    if (on) c->RestoreDC(-1);
                }
            } unclip{c, onCache};
            DrawPass(*this, CachedPaint() ? 1 : 0);
        }

        if (outputMode_ == gisOutputCache) {
            const TRect r = GetClipRect();
            outputMode_ = TargetMode;
            GetCanvas()->CopyRect(r, cache_->Canvas(), r);
        }
        if (CachedPaint()) {
            PaintPass = 2;
            if (OnPaint) OnPaint(this);
            else DrawLayers();
        }
    } catch (...) {
        // A half-drawn cache is not to be shown again.
        InvalidateCache();
        finish();
        throw;
    }
    finish();
    if (OnAfterPaint) OnAfterPaint(this);
}

// ---------------------------------------------------------------- the layers
void TGIS_Viewer::DrawLayers() {
    if (zoom_ <= 0) return;
    int top = -1;
    for (int i = int(Items.size()) - 1; i >= 0; --i)
        if (Items[size_t(i)]->Active) {
            top = i;
            break;
        }
    // A top layer outside the cache is painted alone over it, so that editing it repaints nothing else.
    const bool apart = top >= 0 && !Items[size_t(top)]->CachedPaint;
    int first = 0, last = top, preLast = top;
    bool editorOn = true;
    if (PaintPass == 1) {
        editorOn = false;
        if (apart) last = top - 1;
    } else if (PaintPass == 2) {
        if (apart) {
            preLast = top - 1;
            first = top;
        } else {
            last = -1;
        }
    }
    const TGIS_Extent visible = GetVisibleExtent();
    if (PaintPass == 2 && TargetMode == gisOutputPrinter) PaintChartsAndLabels(*this, 0, preLast, visible);

    const bool overlays = outputMode_ == gisOutputCache && TargetMode != gisOutputPrinter;
    if (overlays) {
        for (TBitmap* b : {chartsBmp_.get(), labelsBmp_.get()}) {
            PrepareLike(*b, *cache_);
            Fill(b->Canvas(), TRect(0, 0, b->Width(), b->Height()), clBlack);
        }
    }
    for (int i = first; i <= last; ++i) {
        TGIS_LayerAbstract& l = *Items[size_t(i)];
        if (!InView(l, visible) || !l.Active) {
            l.PaintSkipped();
            continue;
        }
        if (DirectDraw && !l.IncrementalPaint) continue;
        {
            TransparentPaint blend(*this, l);
            l.Paint();
        }
        if (overlays && !DirectDraw) {
            InMode(*this, gisOutputCharts, [&] { l.PaintCharts(); });
            InMode(*this, gisOutputLabels, [&] { l.PaintLabels(); });
        }
    }
    if (!overlays) {
        if (DirectDraw) return;
        if (editorOn && editor_->InEdit() && editor_->Layer()) editor_->Layer()->PaintEditor();
        if (outputMode_ == gisOutputCache && TargetMode == gisOutputPrinter) return;
        PaintChartsAndLabels(*this, first, last, visible);
        return;
    }
    const TRect clip = GetClipRect();
    GisPasteOverlay(*cache_, *chartsBmp_, clip);
    GisPasteOverlay(*cache_, *labelsBmp_, clip);
}

// ---------------------------------------------------------------- printing
void TGIS_Viewer::Print() {
    if (LockCount > 0 || IsEmpty()) return;
    TPrinter& prn = *::Printer();
    const uint8_t mode = outputMode_;
    TPrinter* const oldPrinter = printer_;
    const int oldWidth = pageWidth_, oldHeight = pageHeight_;
    const double zoom = zoom_;
    const TGIS_DoublePoint delta = Delta;
    const TGIS_Point center = center_;
    const TPoint margin = Margin, offset = DeviceOffset;
    const TGIS_Extent visible = GetVisibleExtent();
    auto restore = [&] {
        SetPrinter(oldPrinter, oldWidth, oldHeight);
        outputMode_ = mode;
        SetZoom(zoom);
        Delta = delta;
        SetCenter(center);
        Delta = delta;
        Margin = margin;
        DeviceOffset = offset;
        labelsArea_->Reset();
    };
    SetPrinter(&prn, prn.PageWidth(), prn.PageHeight());
    outputMode_ = gisOutputPrinter;
    try {
        prn.BeginDoc();
        TCanvas* c = prn.Canvas();
        c->Brush()->SetColor(clWhite);
        c->Brush()->SetStyle(bsSolid);
        c->Pen()->SetColor(clBlack);
        c->Pen()->SetWidth(1);
        c->Pen()->SetStyle(psSolid);
        const int width = DeviceWidth(), height = DeviceHeight();
        struct Band {
            TFont* font;
            const std::string& text;
            int height = 0;
        };
        Band bands[] = {{printTitleFont_.get(), PrintTitle}, {printSubtitleFont_.get(), PrintSubtitle},
                        {printFooterFont_.get(), PrintFooter}};
        for (Band& b : bands) {
            c->Font()->Assign(*b.font);
            b.height = c->TextHeight(b.text) * 110 / 100;
        }
        const int tops[] = {0, bands[0].height, height - bands[2].height};
        for (int i = 0; i < 3; ++i) {
            c->Font()->Assign(*bands[i].font);
            const TSize t = c->TextExtent(bands[i].text);
            c->TextOut((width - t.cx) / 2, tops[i] + (bands[i].height - t.cy) / 2, bands[i].text);
        }
        const TRect map(0, bands[0].height + bands[1].height, width, height - bands[2].height);
        double scale = 0;
        PrintBmp(prn, map, visible, scale);
        c->Brush()->SetColor(clBlack);
        c->FrameRect(map);
        prn.EndDoc();
    } catch (...) {
        if (prn.Printing()) prn.Abort();
        restore();
        throw;
    }
    restore();
}

void TGIS_Viewer::PrintBmp(TPrinter& printer, const TRect& rect, const TGIS_Extent& extent, double& scale) {
    const uint8_t mode = outputMode_;
    TPrinter* const oldPrinter = printer_;
    const int oldWidth = pageWidth_, oldHeight = pageHeight_;
    const double zoom = zoom_;
    const TGIS_DoublePoint delta = Delta;
    const TGIS_Point center = center_;
    const TPoint margin = Margin, offset = DeviceOffset;
    TCanvas* c = printer.Canvas();
    const int saved = c->SaveDC();
    auto restore = [&] {
        c->RestoreDC(saved);
        SetPrinter(oldPrinter, oldWidth, oldHeight);
        outputMode_ = mode;
        zoom_ = zoom;
        Delta = delta;
        center_ = center;
        Margin = margin;
        DeviceOffset = offset;
    };
    try {
        SetPrinter(&printer, rect.Width(), rect.Height());
        outputMode_ = gisOutputPrinter;
        Margin = TPoint(1, 1);
        if (GisExtentsOverlap(extent, Extent)) {
            const TGIS_Extent e = GisExtentIntersection(extent, Extent);
            SetCenter(GisMakePoint((e.XMin + e.XMax) / 2, (e.YMin + e.YMax) / 2));
            if (!Items.empty()) {
                const double w = e.XMax - e.XMin, h = e.YMax - e.YMin;
                const double zx = w > 0 ? DeviceWidth() / w : 1.0, zy = h > 0 ? DeviceHeight() / h : 1.0;
                SetZoom(std::min(zx, zy));
            }
        }
        DeviceOffset = TPoint(rect.Left, rect.Top);
        scale = GetScale();
        labelsArea_->Reset();
        c->IntersectClipRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
        Draw();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}
