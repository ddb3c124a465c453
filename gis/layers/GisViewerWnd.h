// The map viewer as a window control: mouse modes (select, drag, zoom rectangle, edit), scroll bars, mode
// cursors, and a two-stage repaint (layers drawn straight onto the window, then one cached repaint).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>

#include "gis/layers/GisViewer.h"

class TTimer;

enum TGIS_ViewerMode : uint8_t { gisSelect, gisDrag, gisZoom, gisEdit, gisUserDefined };

// The program's cursors registered for the modes.
enum : TCursor { crGisHandGrab = 15, crGisHandPoint = 16, crGisHandZoom = 18, crGisHandEdit = 19 };

class TGIS_ViewerWnd : public TGIS_Viewer {
public:
    explicit TGIS_ViewerWnd(TComponent* owner);
    ~TGIS_ViewerWnd() override;
    QM_CLASS_INFO

    TGIS_ViewerMode Mode() const { return mode_; }
    // Swaps the cursor only; an action in progress goes on.
    void SetMode(TGIS_ViewerMode m);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    // 0: the mode's own cursor.
    TCursor CursorForSelect() const { return modeCursors_[gisSelect]; }
    void SetCursorForSelect(TCursor c) { SetModeCursor(gisSelect, c); }
    TCursor CursorForDrag() const { return modeCursors_[gisDrag]; }
    void SetCursorForDrag(TCursor c) { SetModeCursor(gisDrag, c); }
    TCursor CursorForZoom() const { return modeCursors_[gisZoom]; }
    void SetCursorForZoom(TCursor c) { SetModeCursor(gisZoom, c); }
    TCursor CursorForEdit() const { return modeCursors_[gisEdit]; }
    void SetCursorForEdit(TCursor c) { SetModeCursor(gisEdit, c); }
    // Smallest zoom rectangle: negative pixels, positive twips.
    int MinZoomSize() const { return minZoomSize_; }
    void SetMinZoomSize(int v) { minZoomSize_ = v; }
    bool AutoCenter() const { return autoCenter_; }
    void SetAutoCenter(bool v) { autoCenter_ = v; }
    TBitmap* TilePicture() const { return TGIS_Viewer::TilePicture(); }
    void SetTilePicture(TBitmap* b);

    void FullExtent();
    void Invalidate() override;
    void Print() override;
    void ExtentChanged() override;
    void ScrollByPixels(int dx, int dy);
    void UpdateScrollBars();
    // The repaint timer's tick: the cached repaint once 40 ms have passed since the direct one.
    void RepaintTimerTick();

    TTimer* RepaintTimer() const { return repaintTimer_.get(); }
    bool InDrag() const { return dragging_; }
    bool InZoom() const { return zooming_; }
    bool InEdit() const { return editing_; }

    // Milliseconds that wrap below 2^31 - 1; tests set their own clock.
    std::function<int32_t()> TickCount;
    int32_t LastPaintTick = 0;
    bool RepaintPending = false;
    TPoint MouseStart{0, 0};
    // The far corner of the zoom band on screen; -1, -1 when none is drawn.
    TPoint BandCorner{-1, -1};
    TGIS_Extent LastExtent = GisEmptyExtent();
    TColor BandColor = clBlack;

protected:
    void CreateParams(TCreateParams& p) override;
    void Paint() override;
    void Dispatch(TMessage& m) override;

private:
    void SetModeCursor(TGIS_ViewerMode m, TCursor c);
    void SetMouseStart(int x, int y);
    void BeginMouseAction(int x, int y, WPARAM keys);
    void EndMouseAction(int x, int y);
    void MouseMoveAction(int x, int y, WPARAM keys);
    // The closed band from MouseStart to corner, in the given pen mode.
    void DrawBand(const TPoint& corner, TPenMode mode);
    void ScrollMessage(int bar, int code, int pos);
    // Pixels the view can move along the bar's axis.
    double ScrollRange(int bar);
    void UpdateScrollBar(int bar);

    TGIS_ViewerMode mode_ = gisSelect;
    TScrollStyle scrollBars_ = ssBoth;
    TCursor modeCursors_[4] = {0, 0, 0, 0};
    int minZoomSize_ = -5;
    bool autoCenter_ = true;
    bool dragging_ = false, zooming_ = false, editing_ = false;
    bool popupOnDown_ = false;
    std::minstd_rand bandRandom_;
    std::unique_ptr<TTimer> repaintTimer_;
};

// Makes TGIS_ViewerWnd known to the form loader, with the properties its resources set.
void RegisterViewerClasses();
