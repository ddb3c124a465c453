// The map viewer and the layer base: the layer list, extent, zoom and position of the view, the conversions between
// map and device, painting and printing; and what every layer shares (configuration, styles, projection, z-order).
// Sources: GisViewer.cpp (the viewer's list, view and coordinates), GisViewerLayer.cpp (the layer base),
// GisViewerDraw.cpp (painting and printing).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisUtils.h"
#include "platform/ui/Controls.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class TBitmap;
class TFont;
class TPrinter;
class TGIS_Editor;
class TGIS_LabelsArea;
class TGIS_LayerAbstract;
class TGIS_ParamsList;
class TGIS_ParamsSection;
class TGIS_ProjectionAbstract;
class TGIS_Shape;

// Shape drawing borrows these buffers from the viewer, so that no drawing call allocates.
constexpr int GIS_MAX_DRAW_POINTS = 131073;
constexpr int GIS_MAX_DRAW_PARTS = 1025;

// Where the drawing goes.
enum : uint8_t {
    gisOutputWindow = 1,
    gisOutputPrinter = 2,
    gisOutputBitmap = 3,        // a target bitmap
    gisOutputCache = 4,         // the cache bitmap, for the device in TargetMode
    gisOutputLabels = 5,        // the labels overlay
    gisOutputCharts = 6,        // the charts overlay
    gisOutputTransparency = 7,  // the work bitmap of a transparent layer
    gisOutputCanvas = 8,        // a caller's canvas and rectangle
};

// The system's ANSI code page (GBK), the default of layers without their own.
constexpr int32_t GIS_ANSI_CODEPAGE = 936;

// No colour stored to restore on Close.
constexpr int32_t GIS_NO_SAVED_COLOR = 0x7FFFFFFF;

// Sender, position, end; setting abort asks the caller to stop.
using TGIS_BusyEvent = std::function<void(TObject* sender, int32_t pos, int32_t end, bool& abort)>;

// A device pixel, rounded half to even: far values saturate at 2^30 rather than wrap around 32 bits, so that
// margins and offsets still fit on top; the sum is clamped to the int range.
inline int GisScreenRound(double v) {
    constexpr double kLimit = 1073741824.0;
    if (!(v > -kLimit)) return -int(kLimit);
    if (v > kLimit) return int(kLimit);
    // In range nothing overflows: the processor rounds it (in the current mode, as Round) in one instruction.
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(v));
#else
    return int(std::nearbyint(v));
#endif
}
inline int GisScreenCoordinate(double v, int64_t offset) {
    return int(std::clamp<int64_t>(GisScreenRound(v) + offset, INT32_MIN, INT32_MAX));
}

// Map to device coordinates as the viewer stands: its terms read once for the many points of a drawing.
struct TGIS_ScreenMap {
    double xmin, ymax, deltaX, deltaY, zoom;
    int64_t offsetX, offsetY;
    TPoint operator()(const TGIS_Point& p) const { return Pixel(Scaled(p)); }
    // The point from the view's corner in pixels, before the margin and the device offset.
    TGIS_Point Scaled(const TGIS_Point& p) const { return {(p.X - xmin - deltaX) * zoom, (ymax - p.Y - deltaY) * zoom}; }
    TPoint Pixel(const TGIS_Point& s) const {
        return TPoint(GisScreenCoordinate(s.X, offsetX), GisScreenCoordinate(s.Y, offsetY));
    }
};

struct TGIS_DoublePoint {
    double X = 0, Y = 0;
};

class TGIS_Viewer : public TCustomControl {
public:
    explicit TGIS_Viewer(TComponent* owner);
    ~TGIS_Viewer() override;
    QM_CLASS_INFO

    // ---- layers ----
    // Opens the layer and takes it over. A duplicate name (0080) or a failing step after Open leaves the layer
    // out of the list and with the caller.
    void Add(TGIS_LayerAbstract* layer);
    // First by name, ignoring ASCII case; nullptr when none.
    TGIS_LayerAbstract* Get(const std::string& name) const;
    // Ends editing, frees every layer (last first) and the project configuration.
    void Close();
    bool IsEmpty() const;
    void RecalcExtent();
    int LayerCount() const { return int(Items.size()); }
    TGIS_LayerAbstract* Layer(int index) const { return Items.at(size_t(index)); }
    // Drawing order, index 0 first (bottom); owned. Layers move themselves through SetZOrder.
    std::vector<TGIS_LayerAbstract*> Items;

    // ---- coordinates ----
    // Zoom <= 0: zero result and EAbort. Empty viewer: assertion. Inline: layers convert every point.
    TPoint MapToScreen(const TGIS_Point& p) { return ScreenMap()(p); }
    // MapToScreen for points to come, while the view stays as it is.
    TGIS_ScreenMap ScreenMap() {
        if (!(zoom_ > 0) || GisIsSameExtent(Extent, GisEmptyExtent())) CheckConversion();
        return {Extent.XMin, Extent.YMax, Delta.X, Delta.Y, zoom_, int64_t(Margin.X) + DeviceOffset.X,
                int64_t(Margin.Y) + DeviceOffset.Y};
    }
    TGIS_Point MapToScreenF(const TGIS_Point& p);
    // MapToScreen of p, and MapToScreenF of it in `exact`, the terms they share worked out once: labels test the
    // one before they take the other.
    TPoint MapToScreen(const TGIS_Point& p, TGIS_Point& exact) {
        const TGIS_ScreenMap m = ScreenMap();
        const TGIS_Point d = m.Scaled(p);
        exact = {d.X + Margin.X + DeviceOffset.X, d.Y + Margin.Y + DeviceOffset.Y};
        return m.Pixel(d);
    }
    TGIS_Point ScreenToMap(const TPoint& q);
    TRect MapToScreenRect(const TGIS_Extent& e);
    TGIS_Extent ScreenToMapRect(const TRect& r);
    // Round(n * 1440 / ppi) of the current canvas.
    int PixelsToTwips(int n);
    // Style sizes: negative = pixels, 0 = nothing, positive = twips (at least one pixel).
    int TwipsToPixels(int n);
    // TwipsToPixels on a canvas of `ppi` pixels per inch, for sizes converted several at a time (labels convert
    // three for every shape: inline, their divisions overlap).
    static int TwipsToPixels(int n, int ppi) {
        if (n < 0) return n == INT32_MIN ? INT32_MAX : -n;
        if (n == 0) return 0;
        const double px = static_cast<double>(n) * ppi;
        if (px <= 1440.0) return 1;
        return static_cast<int>(std::nearbyint(px / 1440.0));
    }
    int CanvasPpi();
    // CanvasPpi of `canvas`, for a caller that holds the one GetCanvas answers.
    static int CanvasPpi(const TCanvas* canvas);
    double GetZoomTwips();

    // ---- view ----
    double Zoom() const { return zoom_; }
    void SetZoom(double z);
    const TGIS_Point& Center() const { return center_; }
    void SetCenter(const TGIS_Point& p);
    void SetVisibleExtent(const TGIS_Extent& e);
    TGIS_Extent GetVisibleExtent();
    void FullExtent();
    double GetFitZoom();
    // The map scale as a fraction; 1 for an empty viewer.
    double GetScale();
    // Pixels; both are clamped in place.
    void MoveViewport(int& dx, int& dy);
    // The nearest shape of the active vector layers within tolerance (map units); ties go to the later layer.
    TGIS_Shape* Locate(const TGIS_Point& p, double tolerance);

    // ---- invalidation ----
    void Invalidate() override;
    void InvalidateExtent(const TGIS_Extent& e, bool withCache);
    void Update() override;
    // The next paint cannot reuse the cache.
    void InvalidateCache() { CacheOrigin.X = Delta.X + 1.0; }

    // ---- drawing and printing (GisViewerDraw.cpp) ----
    void Draw();
    void DrawDirect();
    void DrawLayers();
    virtual void Print();
    virtual void PrintBmp(TPrinter& printer, const TRect& rect, const TGIS_Extent& extent, double& scale);
    // The view moved; the windowed descendant scrolls so that Center sits in the middle.
    virtual void ExtentChanged() {}

    // ---- devices ----
    uint8_t OutputMode() const { return outputMode_; }
    // Modes outside 1..8 are a kernel assertion.
    void SetOutputMode(uint8_t mode);
    // The printer of mode 2 (not owned) and the page size stored for it.
    void SetPrinter(TPrinter* printer, int pageWidth, int pageHeight);
    TPrinter* Printer() const { return printer_; }
    // The bitmap of mode 3 (not owned); its size is the device size.
    void SetTargetBitmap(TBitmap* bitmap);
    TBitmap* TargetBitmap() const { return target_; }
    // The canvas of mode 8 (not owned) and the rectangle drawn into.
    void SetTargetCanvas(TCanvas* canvas, const TRect& rect);
    // Of the current output mode; nullptr when the mode has no device bound.
    TCanvas* GetCanvas();
    int DeviceWidth() const { return DeviceSize().X; }
    int DeviceHeight() const { return DeviceSize().Y; }
    TRect GetClipRect();

    // ---- properties ----
    bool CachedPaint() const { return cachedPaint_; }
    void SetCachedPaint(bool v) { cachedPaint_ = v; }
    bool IncrementalPaint() const { return incrementalPaint_; }
    void SetIncrementalPaint(bool v);
    bool FullPaint() const { return fullPaint_; }
    void SetFullPaint(bool v);
    // By output mode: the control's colour on the window and its bitmaps, the stored one on a printer or a target
    // bitmap, white elsewhere.
    TColor Color();
    void SetColor(TColor c);
    TGIS_Editor* Editor() const { return editor_.get(); }
    // Copies the settings into the owned editor.
    void SetEditor(const TGIS_Editor* editor);
    TGIS_LabelsArea* LabelsArea() const { return labelsArea_.get(); }
    TBitmap* TilePicture() const { return tilePicture_.get(); }
    void SetTilePicture(const TBitmap* bitmap);
    TFont* PrintTitleFont() const { return printTitleFont_.get(); }
    TFont* PrintSubtitleFont() const { return printSubtitleFont_.get(); }
    TFont* PrintFooterFont() const { return printFooterFont_.get(); }
    TGIS_ProjectionAbstract* Projection() const { return projection_; }
    // Frees the held projection unless it is the registered instance of its code; takes p over likewise.
    void SetProjection(TGIS_ProjectionAbstract* p);
    // Binds (or, for an empty path, drops) the configuration read for every layer after its own.
    void SetProjectPath(const std::string& path);
    const std::string& ProjectPath() const { return projectPath_; }
    TGIS_Ini* ProjectConfig() const { return projectConfig_.get(); }

    int32_t CodePage = GIS_ANSI_CODEPAGE, OutCodePage = GIS_ANSI_CODEPAGE, CharSet = 1;
    bool UseRTree = false;
    std::string PrintTitle, PrintSubtitle, PrintFooter;
    TGIS_Units Units;

    TNotifyEvent OnZoomChange, OnExtentChange, OnBeforePaint, OnAfterPaint, OnPaint;
    TGIS_BusyEvent OnBusy;

    // ---- state ----
    TGIS_Extent Extent = GisEmptyExtent();
    TGIS_Extent RestrictedExtent = GisFullExtent();
    TGIS_DoublePoint Delta;
    TPoint Margin{1, 1};
    TPoint DeviceOffset{0, 0};
    int32_t SavedColor = GIS_NO_SAVED_COLOR;
    uint8_t TargetMode = 0;
    uint8_t SavedMode = 0;
    uint8_t PaintPass = 0;
    int32_t LockCount = 0;
    bool DirectDraw = false;
    bool ExtentChangedFlag = false;
    // Delta when the cache was drawn.
    TGIS_DoublePoint CacheOrigin;

    TBitmap* CacheBitmap() const { return cache_.get(); }
    TBitmap* LabelsBitmap() const { return labelsBmp_.get(); }
    TBitmap* ChartsBitmap() const { return chartsBmp_.get(); }
    TBitmap* TransparencyBitmap() const { return transparencyBmp_.get(); }
    TCanvas* TargetCanvas() const { return targetCanvas_; }
    const TRect& TargetRect() const { return targetRect_; }

    TPoint* PointBuffer() { return points_.data(); }
    int32_t* PartBuffer() { return parts_.data(); }

protected:
    // The clip rectangle of the cache (mode 4), by the device it stands for (GisViewerDraw.cpp).
    TRect CacheClipRect();

private:
    TPoint DeviceSize() const;
    // Delta follows a change of extent, so that the visible map stays where it was.
    void ShiftDeltaForExtent(const TGIS_Extent& oldExtent);
    // What every conversion requires: EAbort with Zoom <= 0, an assertion on an empty extent.
    void CheckConversion() const;

    double zoom_ = 1.0;
    TGIS_Point center_{0, 0};
    bool cachedPaint_ = true, incrementalPaint_ = true, fullPaint_ = false;
    TColor storedColor_;

    uint8_t outputMode_ = gisOutputWindow;
    TPrinter* printer_ = nullptr;
    int pageWidth_ = 0, pageHeight_ = 0;
    TBitmap* target_ = nullptr;
    TCanvas* targetCanvas_ = nullptr;
    TRect targetRect_;

    TGIS_ProjectionAbstract* projection_ = nullptr;
    std::string projectPath_;
    std::unique_ptr<TGIS_Ini> projectConfig_;

    std::unique_ptr<TGIS_LabelsArea> labelsArea_;
    std::unique_ptr<TGIS_Editor> editor_;
    std::unique_ptr<TBitmap> cache_, labelsBmp_, chartsBmp_, transparencyBmp_, tilePicture_;
    std::unique_ptr<TFont> printTitleFont_, printSubtitleFont_, printFooterFont_;
    std::vector<TPoint> points_;
    std::vector<int32_t> parts_;
};

// TwipsToPixels for several sizes in a row on one canvas: its resolution is asked for once, when a size needs it.
class TGIS_TwipsScale {
public:
    explicit TGIS_TwipsScale(TGIS_Viewer& viewer) : canvas_(viewer.GetCanvas()) {}
    // On the viewer's canvas, already at hand: it is not looked up again.
    explicit TGIS_TwipsScale(const TCanvas* canvas) : canvas_(canvas) {}
    int operator()(int n) {
        if (n > 0 && ppi_ == 0) ppi_ = TGIS_Viewer::CanvasPpi(canvas_);
        return TGIS_Viewer::TwipsToPixels(n, ppi_);
    }

private:
    const TCanvas* canvas_;
    int ppi_ = 0;
};

// A layer's own paint routine, used instead of the default one when set.
using TGIS_LayerPaintHook = std::function<void(TGIS_Viewer& viewer, TGIS_LayerAbstract& layer)>;

// A TObject, so that a layer can be the sender of the viewer's events.
class TGIS_LayerAbstract : public TObject, public TGIS_IniLayer {
public:
    TGIS_LayerAbstract();
    // Leaves the viewer's list.
    ~TGIS_LayerAbstract() override;
    TGIS_LayerAbstract(const TGIS_LayerAbstract&) = delete;
    TGIS_LayerAbstract& operator=(const TGIS_LayerAbstract&) = delete;

    std::string IniLayerName() const override { return Name; }

    // ---- slots ----
    virtual void SetExtent(const TGIS_Extent& e);
    virtual void Open(TGIS_Viewer* viewer);
    virtual void AfterOpen(TGIS_Viewer* viewer) { (void)viewer; }
    virtual void ReadConfigCS(TGIS_Ini& ini);
    virtual void ReadConfigOptions(TGIS_Ini& ini);
    virtual void ReadConfigParams(TGIS_Ini& ini);
    virtual void WriteConfigOptions(TGIS_Ini& ini);
    virtual void WriteConfigParams(TGIS_Ini& ini);
    virtual void ReadConfig();
    virtual void RereadConfig();
    virtual void WriteConfig(bool toProject);
    // The base raises EAbstractError for the paint and revert slots.
    virtual void Paint();
    virtual void PaintShapes();
    virtual void PaintEditor();
    virtual void PaintLabels();
    virtual void PaintCharts();
    virtual void DrawLabels();
    virtual void DrawCharts();
    virtual void RevertAll();
    virtual void SaveAll();
    virtual bool MustSave();
    virtual void RecalcExtent() {}
    virtual void RecalcProjectedExtent();
    virtual void LockNotify() { NotifyExtent = false; }
    virtual void UnlockNotify();
    // Called instead of painting a layer outside the visible extent.
    virtual void PaintSkipped() {}
    // Vector-only steps of the viewer; nothing here.
    virtual void PrepareRTree(bool use) { (void)use; }
    virtual TGIS_Shape* LocateEx(const TGIS_Point& p, double tolerance, int32_t excludeUid, double& distance,
                                 int& part, TGIS_Point& nearest);

    // ---- configuration ----
    void SetConfigName(const std::string& path);
    const std::string& ConfigName() const { return configName_; }
    TGIS_Ini* Config() const { return config_.get(); }

    // ---- styles ----
    // The current section, with its shape cleared.
    TGIS_ParamsSection* GetParams();
    TGIS_ParamsList& ParamsList() { return *paramsList_; }
    // The sections of the style that apply at the current zoom or scale.
    void PrepareParams(const std::string& style);
    // Entry i of ActiveSections becomes current; i < 0 does nothing.
    void SelectSection(int i);
    std::vector<TGIS_ParamsSection*> ActiveSections;
    TGIS_ParamsSection* Params = nullptr;

    // ---- projection ----
    TGIS_ProjectionAbstract* Projection() const { return projection_; }
    void SetProjection(TGIS_ProjectionAbstract* p);
    TGIS_Point Project(const TGIS_Point& p);
    TGIS_Point Unproject(const TGIS_Point& p);
    TGIS_Extent ProjectExtent(const TGIS_Extent& e);
    TGIS_Extent UnprojectExtent(const TGIS_Extent& e);

    // ---- place ----
    // 0 = top (drawn last); -1 without viewer.
    int GetZOrder() const;
    void SetZOrder(int z);
    bool IsCachedPaint() const;
    // Map extent of the viewer's clip rectangle.
    TGIS_Extent GetClipExtent();

    int32_t GetCodePage() const;
    int32_t GetOutCodePage() const;
    int32_t GetCharSet() const;

    TGIS_Viewer* Viewer = nullptr;
    TGIS_Extent Extent = GisEmptyExtent();
    TGIS_Extent ProjectedExtent = GisEmptyExtent();
    TGIS_Units Units;
    bool Active = true;
    bool UseFileParams = false;
    bool UseConfig = true;
    bool IncrementalPaint = true;
    bool CachedPaint = true;
    bool NotifyExtent = true;
    // Painting may go on while the viewer draws directly.
    bool DirectPaint = false;
    int32_t CodePage = -1, OutCodePage = -1, CharSet = -1;
    uint8_t Capabilities = 0;
    TDateTime OpenTime = 0;
    // File age of the main file, set by format layers.
    TDateTime FileTime = 0;
    std::string Path;
    std::string Name;
    TGIS_LayerPaintHook PaintShapesHook, PaintLabelsHook, PaintChartsHook;

private:
    friend class TGIS_Viewer;  // Add names the configuration before Open binds it
    // Back to the default section alone, out of ActiveSections too.
    void DropExtraSections();
    // Sections 1, 2, ... of the configuration as copies of the default one; replaceRead first drops those read
    // before.
    void ReadNumberedSections(TGIS_Ini& ini, bool replaceRead);
    TGIS_Extent ConvertExtent(const TGIS_Extent& e, bool forward);
    std::string configName_;
    std::unique_ptr<TGIS_Ini> config_;
    std::unique_ptr<TGIS_ParamsList> paramsList_;
    TGIS_ProjectionAbstract* projection_ = nullptr;
};

// Frees a projection unless it is the registered instance of its code.
void GisReleaseProjection(TGIS_ProjectionAbstract*& p);
