#include "gis/layers/GisViewer.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisProjections.h"
#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLabelsArea.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Printers.h"

QM_CLASS_RECORD(TGIS_Viewer, TCustomControl)

namespace {

constexpr char kEmptyViewer[] = "Empty viewer";
constexpr char kZoomNotPositive[] = "Zoom must be > 0";

std::unique_ptr<TFont> MakeFont(int size, bool bold) {
    auto f = std::make_unique<TFont>();
    f->SetName("Arial");
    f->SetSize(size);
    f->SetStyle(bold ? TFontStyles(fsBold) : TFontStyles(0));
    return f;
}

// A map narrower than the device on this axis is centred in it.
void CentreAxis(double freePixels, int& margin, double& delta) {
    if (freePixels > 0) {
        margin = int(Trunc(freePixels / 2));
        delta = 0;
    } else {
        margin = 1;
    }
}

bool IsProper(const TGIS_Extent& e) { return e.XMin < e.XMax && e.YMin < e.YMax; }

}  // namespace

void GisReleaseProjection(TGIS_ProjectionAbstract*& p) {
    TGIS_ProjectionAbstract* old = p;
    p = nullptr;
    if (old && GisProjectionList().FindByCode(old->Code()) != old) delete old;
}

TGIS_Viewer::TGIS_Viewer(TComponent* owner)
    : TCustomControl(owner),
      storedColor_(TControl::Color()),
      labelsArea_(std::make_unique<TGIS_LabelsArea>(this)),
      editor_(std::make_unique<TGIS_Editor>(this)),
      cache_(std::make_unique<TBitmap>()),
      labelsBmp_(std::make_unique<TBitmap>()),
      chartsBmp_(std::make_unique<TBitmap>()),
      transparencyBmp_(std::make_unique<TBitmap>()),
      tilePicture_(std::make_unique<TBitmap>()),
      printTitleFont_(MakeFont(18, true)),
      printSubtitleFont_(MakeFont(14, true)),
      printFooterFont_(MakeFont(10, false)),
      points_(GIS_MAX_DRAW_POINTS),
      parts_(GIS_MAX_DRAW_PARTS) {}

TGIS_Viewer::~TGIS_Viewer() {
    OnExtentChange = nullptr;
    Close();
    SetProjection(nullptr);
}

// ---- layers ----

void TGIS_Viewer::Add(TGIS_LayerAbstract* layer) {
    // A layer already held by a viewer stays where it is: opening it again would leave it in two lists.
    if (TGIS_Viewer* holder = layer->Viewer) {
        const auto& held = holder->Items;
        if (std::find(held.begin(), held.end(), layer) != held.end())
            throw EGIS_Exception(GIS_RS_ERR_LAYEREXIST, layer->Name, 0);
    }
    if (layer->Name.empty()) layer->Name = layer->Path;
    if (layer->configName_.empty()) layer->configName_ = layer->Path;
    try {
        layer->Open(this);
        layer->AfterOpen(this);
    } catch (...) {
        layer->Viewer = nullptr;
        throw;
    }
    if (Get(layer->Name)) {
        layer->Viewer = nullptr;
        throw EGIS_Exception(GIS_RS_ERR_LAYEREXIST, layer->Name, 0);
    }
    Items.push_back(layer);
    try {
        if (!IsProper(layer->Extent)) layer->RecalcExtent();
        if (TGIS_Ini* cfg = layer->Config()) {
            cfg->SetLayer(layer);
            cfg->SelectSection(0);
            layer->ReadConfigCS(*cfg);
        }
        if (projectConfig_) {
            projectConfig_->SetLayer(layer);
            projectConfig_->SelectSection(0);
            layer->ReadConfigCS(*projectConfig_);
        }
        RecalcExtent();
        layer->PrepareRTree(UseRTree);
        layer->ReadConfig();
    } catch (...) {
        // The layer goes back to the caller as it came, and the extent forgets it again.
        Items.erase(std::find(Items.begin(), Items.end(), layer));
        layer->Viewer = nullptr;
        try {
            RecalcExtent();
        } catch (...) {
        }
        throw;
    }
}

TGIS_LayerAbstract* TGIS_Viewer::Get(const std::string& name) const {
    const std::string key = UpperCase(name);
    for (TGIS_LayerAbstract* l : Items)
        if (UpperCase(l->Name) == key) return l;
    return nullptr;
}

void TGIS_Viewer::Close() {
    editor_->EndEdit();
    if (SavedColor != GIS_NO_SAVED_COLOR) SetColor(TColor(SavedColor));
    while (!Items.empty()) {
        TGIS_LayerAbstract* l = Items.back();
        Items.pop_back();
        l->Viewer = nullptr;
        delete l;
    }
    projectPath_.clear();
    projectConfig_.reset();
    RecalcExtent();
}

bool TGIS_Viewer::IsEmpty() const { return Items.empty() || GisIsSameExtent(Extent, GisEmptyExtent()); }

void TGIS_Viewer::RecalcExtent() {
    const TGIS_Extent old = Extent;
    TGIS_Extent e = GisEmptyExtent();
    for (TGIS_LayerAbstract* l : Items) {
        l->RecalcProjectedExtent();
        if (!GisIsSameExtent(l->ProjectedExtent, GisEmptyExtent())) e = GisExtentUnion(e, l->ProjectedExtent);
    }
    // Nothing to show stays the empty extent, whatever the restriction.
    if (!GisIsSameExtent(e, GisEmptyExtent())) e = GisExtentIntersection(e, RestrictedExtent);
    if (GisIsSameExtent(e, old)) return;
    Extent = e;
    ShiftDeltaForExtent(old);
    if (OnExtentChange) OnExtentChange(this);
}

void TGIS_Viewer::ShiftDeltaForExtent(const TGIS_Extent& old) {
    const TGIS_Extent empty = GisEmptyExtent();
    if (GisIsSameExtent(old, empty) || GisIsSameExtent(Extent, empty)) {
        Delta = {0, 0};
        return;
    }
    Delta.X += old.XMin - Extent.XMin;
    Delta.Y += Extent.YMax - old.YMax;
}

// ---- coordinates ----

void TGIS_Viewer::CheckConversion() const {
    if (!(zoom_ > 0)) Abort();
    QM_ASSERT(!GisIsSameExtent(Extent, GisEmptyExtent()), kEmptyViewer);
}

TGIS_Point TGIS_Viewer::MapToScreenF(const TGIS_Point& p) {
    CheckConversion();
    return {(p.X - Extent.XMin - Delta.X) * zoom_ + Margin.X + DeviceOffset.X,
            (Extent.YMax - p.Y - Delta.Y) * zoom_ + Margin.Y + DeviceOffset.Y};
}

namespace {
// ScreenToMap once the conversion is known to hold.
TGIS_Point ScreenToMapOf(const TPoint& q, const TGIS_Extent& extent, const TGIS_DoublePoint& delta,
                         const TPoint& margin, const TPoint& offset, double zoom) {
    return {(double(q.X) - (double(margin.X) + offset.X)) / zoom + delta.X + extent.XMin,
            extent.YMax - ((double(q.Y) - (double(margin.Y) + offset.Y)) / zoom + delta.Y)};
}
}  // namespace

TGIS_Point TGIS_Viewer::ScreenToMap(const TPoint& q) {
    CheckConversion();
    return ScreenToMapOf(q, Extent, Delta, Margin, DeviceOffset, zoom_);
}

TRect TGIS_Viewer::MapToScreenRect(const TGIS_Extent& e) {
    const TPoint lt = MapToScreen({e.XMin, e.YMax});
    const TPoint rb = MapToScreen({e.XMax, e.YMin});
    return TRect(lt.X, lt.Y, rb.X, rb.Y);
}

TGIS_Extent TGIS_Viewer::ScreenToMapRect(const TRect& r) {
    // Labels ask this of every shape: the conversion is checked once for both corners.
    CheckConversion();
    const TGIS_Point lt = ScreenToMapOf(TPoint(r.Left, r.Top), Extent, Delta, Margin, DeviceOffset, zoom_);
    const TGIS_Point rb = ScreenToMapOf(TPoint(r.Right, r.Bottom), Extent, Delta, Margin, DeviceOffset, zoom_);
    return {lt.X, rb.Y, rb.X, lt.Y};
}

int TGIS_Viewer::CanvasPpi() { return CanvasPpi(GetCanvas()); }

int TGIS_Viewer::CanvasPpi(const TCanvas* c) {
    const int ppi = c ? c->PixelsPerInch() : 96;
    return ppi > 0 ? ppi : 96;
}

int TGIS_Viewer::PixelsToTwips(int n) {
    return static_cast<int>(std::nearbyint(static_cast<double>(n) * 1440.0 / CanvasPpi()));
}

int TGIS_Viewer::TwipsToPixels(int n) { return TwipsToPixels(n, n > 0 ? CanvasPpi() : 0); }

double TGIS_Viewer::GetZoomTwips() { return zoom_ / CanvasPpi() * 1440.0; }

// ---- view ----

double TGIS_Viewer::GetFitZoom() {
    if (GisIsSameExtent(Extent, GisEmptyExtent())) return 1.0;
    Margin = TPoint(1, 1);
    const double w = std::fabs(Extent.XMax - Extent.XMin);
    const double h = std::fabs(Extent.YMax - Extent.YMin);
    if (Items.empty() || !(w > 0) || !(h > 0)) return 1.0;
    // A window with no room inside its margins (not yet laid out, or shrunk to nothing) still gets a zoom above
    // 0: a negative one would turn the map over and stay after the window grows.
    const double roomX = std::max(1.0, DeviceWidth() - 2.0 * Margin.X);
    const double roomY = std::max(1.0, DeviceHeight() - 2.0 * Margin.Y);
    return std::min(roomX / w, roomY / h);
}

void TGIS_Viewer::SetZoom(double z) {
    if (Items.empty()) {
        zoom_ = z;
        return;
    }
    const double fit = GetFitZoom();
    if (fit > z) z = fit;
    CentreAxis(DeviceWidth() - std::fabs(Extent.XMax - Extent.XMin) * z, Margin.X, Delta.X);
    CentreAxis(DeviceHeight() - std::fabs(Extent.YMax - Extent.YMin) * z, Margin.Y, Delta.Y);
    zoom_ = z;
    labelsArea_->Reset();
    if (OnZoomChange) OnZoomChange(this);
    ExtentChanged();
}

void TGIS_Viewer::SetCenter(const TGIS_Point& p) {
    center_ = p;
    ExtentChanged();
}

void TGIS_Viewer::SetVisibleExtent(const TGIS_Extent& e) {
    Margin = TPoint(1, 1);
    if (!GisExtentsOverlap(e, Extent)) return;
    SetCenter(GisExtentCenter(e));
    if (IsEmpty()) return;
    const double w = std::fabs(e.XMax - e.XMin);
    const double h = std::fabs(e.YMax - e.YMin);
    const double zx = w > 0 ? DeviceWidth() / w : 1.0;
    const double zy = h > 0 ? DeviceHeight() / h : 1.0;
    SetZoom(std::min(zx, zy));
}

TGIS_Extent TGIS_Viewer::GetVisibleExtent() {
    if (IsEmpty()) return {0, 0, 0, 0};
    const uint8_t m = outputMode_;
    const bool wholeDevice = m != gisOutputPrinter && m != gisOutputLabels && m != gisOutputCharts &&
                             TargetMode != gisOutputPrinter && TargetMode != gisOutputCanvas;
    return ScreenToMapRect(wholeDevice ? TRect(0, 0, DeviceWidth(), DeviceHeight()) : GetClipRect());
}

void TGIS_Viewer::FullExtent() {
    if (Items.empty()) return;
    Delta = {0, 0};
    SetZoom(GetFitZoom());
    SetCenter(GisExtentCenter(Extent));
}

double TGIS_Viewer::GetScale() {
    if (IsEmpty()) return 1.0;
    TGIS_Point a = ScreenToMap(TPoint(Width() / 2, Height() / 2));
    TGIS_Point b = ScreenToMap(TPoint(Width() / 2 + 1, Height() / 2));
    a = {a.X * Units.Factor, a.Y * Units.Factor};
    b = {b.X * Units.Factor, b.Y * Units.Factor};
    if (Units.Code >= 18 && a.X < 2 * M_PI) {
        try {
            if (TGIS_ProjectionAbstract* gec = GisProjectionList().FindByCode("GEC")) {
                TGIS_Point3D pa, pb;
                gec->Project(TGIS_Point3D(a), pa);
                gec->Project(TGIS_Point3D(b), pb);
                a = {pa.X, pa.Y};
                b = {pb.X, pb.Y};
            }
        } catch (const std::exception&) {
        }
    }
    const double pixel = PixelsToTwips(1) / 1440.0 * 2.54 / 100.0;
    return pixel / std::sqrt((a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y));
}

void TGIS_Viewer::MoveViewport(int& dx, int& dy) {
    QM_ASSERT(zoom_ > 0, kZoomNotPositive);
    const double w = std::fabs(Extent.XMax - Extent.XMin), h = std::fabs(Extent.YMax - Extent.YMin);
    const double vw = DeviceWidth() / zoom_, vh = DeviceHeight() / zoom_;
    if (dx / zoom_ + Delta.X - 2.0 * Margin.X / zoom_ > w - vw)
        dx = GisScreenRound((w - vw - Delta.X) * zoom_) + 2 * Margin.X;
    if (dy / zoom_ + Delta.Y - 2.0 * Margin.Y / zoom_ > h - vh)
        dy = GisScreenRound((h - vh - Delta.Y) * zoom_) + 2 * Margin.Y;
    if (dx / zoom_ + Delta.X < 0) dx = GisScreenRound(-Delta.X * zoom_);
    if (dy / zoom_ + Delta.Y < 0) dy = GisScreenRound(-Delta.Y * zoom_);
    Delta.X += dx / zoom_;
    Delta.Y += dy / zoom_;
    if (outputMode_ != gisOutputWindow || !cachedPaint_) return;
    InvalidateCache();
    const int cw = cache_->Width(), ch = cache_->Height();
    if (cw <= 0 || ch <= 0 || (dx == 0 && dy == 0)) return;
    // The cache moves within itself; a copy keeps the source intact while it is overwritten.
    TBitmap copy;
    copy.Assign(*cache_);
    cache_->Canvas()->CopyRect(TRect(-dx, -dy, cw - dx, ch - dy), copy.Canvas(), TRect(0, 0, cw, ch));
}

TGIS_Shape* TGIS_Viewer::Locate(const TGIS_Point& p, double tolerance) {
    double best = 1.7e308;
    TGIS_Shape* result = nullptr;
    for (TGIS_LayerAbstract* l : Items) {
        if (!l->Active) continue;
        try {
            double distance = 0;
            int part = 0;
            TGIS_Point nearest{0, 0};
            TGIS_Shape* s = l->LocateEx(p, tolerance, -1, distance, part, nearest);
            if (s && distance <= best) {
                result = s;
                best = distance;
            }
        } catch (const std::exception&) {
        }
    }
    return result;
}

// ---- invalidation ----

void TGIS_Viewer::Invalidate() {
    InvalidateCache();
    if (HandleAllocated()) InvalidateClient(nullptr, !(fullPaint_ || DirectDraw));
}

void TGIS_Viewer::InvalidateExtent(const TGIS_Extent& e, bool withCache) {
    if (withCache && fullPaint_) {
        Invalidate();
        return;
    }
    if (withCache) InvalidateCache();
    if (!HandleAllocated()) return;
    if (IsEmpty() || !(zoom_ > 0)) {
        InvalidateClient(nullptr, true);
        return;
    }
    TRect r = MapToScreenRect(e);
    r = TRect(r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 2);
    InvalidateClient(&r, true);
}

void TGIS_Viewer::Update() {
    ExtentChangedFlag = true;
    InvalidateCache();
    if (zoom_ > 0)
        InvalidateExtent(GetVisibleExtent(), true);
    else
        Invalidate();
    TCustomControl::Update();
}

// ---- devices ----

void TGIS_Viewer::SetOutputMode(uint8_t mode) {
    QM_ASSERT(mode >= gisOutputWindow && mode <= gisOutputCanvas, GIS_RS_ERR_UNTESTED);
    outputMode_ = mode;
}

void TGIS_Viewer::SetPrinter(TPrinter* printer, int pageWidth, int pageHeight) {
    printer_ = printer;
    pageWidth_ = pageWidth;
    pageHeight_ = pageHeight;
}

void TGIS_Viewer::SetTargetBitmap(TBitmap* bitmap) { target_ = bitmap; }

void TGIS_Viewer::SetTargetCanvas(TCanvas* canvas, const TRect& rect) {
    targetCanvas_ = canvas;
    targetRect_ = rect;
}

TCanvas* TGIS_Viewer::GetCanvas() {
    switch (outputMode_) {
    case gisOutputPrinter: return printer_ ? printer_->Canvas() : nullptr;
    case gisOutputBitmap: return target_ ? target_->Canvas() : nullptr;
    case gisOutputCache: return cache_->Canvas();
    case gisOutputLabels: return labelsBmp_->Canvas();
    case gisOutputCharts: return chartsBmp_->Canvas();
    case gisOutputTransparency: return transparencyBmp_->Canvas();
    case gisOutputCanvas: return targetCanvas_;
    default: return Canvas();
    }
}

TPoint TGIS_Viewer::DeviceSize() const {
    switch (outputMode_) {
    case gisOutputPrinter: return TPoint(pageWidth_, pageHeight_);
    case gisOutputBitmap: return target_ ? TPoint(target_->Width(), target_->Height()) : TPoint(0, 0);
    case gisOutputLabels:
    case gisOutputCharts: return TPoint(0, 0);
    case gisOutputCanvas: return TPoint(targetRect_.Right, targetRect_.Bottom);
    default: return TPoint(ClientWidth(), ClientHeight());
    }
}

TRect TGIS_Viewer::GetClipRect() {
    if (outputMode_ == gisOutputCache) return CacheClipRect();
    if (outputMode_ == gisOutputCanvas) return TRect(0, 0, targetRect_.Right, targetRect_.Bottom);
    TCanvas* c = GetCanvas();
    return c ? c->ClipRect() : TRect();
}

// ---- properties ----

void TGIS_Viewer::SetIncrementalPaint(bool v) {
    incrementalPaint_ = v;
    if (v) fullPaint_ = true;
}

void TGIS_Viewer::SetFullPaint(bool v) {
    fullPaint_ = v;
    if (!v) incrementalPaint_ = false;
}

static bool ShowsControlColor(uint8_t mode) {
    return mode == gisOutputWindow || mode == gisOutputCache || mode == gisOutputTransparency ||
           mode == gisOutputCanvas;
}

TColor TGIS_Viewer::Color() {
    if (ShowsControlColor(outputMode_))
        storedColor_ = TControl::Color();
    else if (outputMode_ != gisOutputPrinter && outputMode_ != gisOutputBitmap)
        storedColor_ = clWhite;
    return storedColor_;
}

void TGIS_Viewer::SetColor(TColor c) {
    if (ShowsControlColor(outputMode_)) TControl::SetColor(c);
    storedColor_ = c;
}

void TGIS_Viewer::SetEditor(const TGIS_Editor* editor) {
    if (editor && editor != editor_.get()) editor_->Assign(*editor);
}

void TGIS_Viewer::SetTilePicture(const TBitmap* bitmap) {
    if (bitmap == tilePicture_.get()) return;
    if (bitmap)
        tilePicture_->Assign(*bitmap);
    else
        tilePicture_ = std::make_unique<TBitmap>();
}

void TGIS_Viewer::SetProjection(TGIS_ProjectionAbstract* p) {
    if (p == projection_) return;
    GisReleaseProjection(projection_);
    projection_ = p;
}

void TGIS_Viewer::SetProjectPath(const std::string& path) {
    projectPath_ = path;
    if (path.empty())
        projectConfig_.reset();
    else
        projectConfig_ = std::make_unique<TGIS_Ini>(nullptr, path);
}
