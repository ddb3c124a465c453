// The map viewer: the device that layers, symbols and style parameters draw on, with its size, clip and the
// conversions between twips and device pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui/Controls.h"

class TBitmap;
class TPrinter;

// Shape drawing borrows these buffers from the viewer, so that no drawing call allocates.
constexpr int GIS_MAX_DRAW_POINTS = 131073;
constexpr int GIS_MAX_DRAW_PARTS = 1025;

// Where the drawing goes.
enum : uint8_t {
    gisOutputWindow = 1,
    gisOutputPrinter = 2,
    gisOutputBitmap = 3,  // a target bitmap
};

class TGIS_Viewer : public TCustomControl {
public:
    explicit TGIS_Viewer(TComponent* owner);
    ~TGIS_Viewer() override;
    QM_CLASS_INFO

    uint8_t OutputMode() const { return outputMode_; }
    // Modes other than window, printer and target bitmap are a kernel assertion.
    void SetOutputMode(uint8_t mode);
    // The printer of mode 2 (not owned) and the page size stored for it.
    void SetPrinter(TPrinter* printer, int pageWidth, int pageHeight);
    // The bitmap of mode 3 (not owned); its size is the device size.
    void SetTargetBitmap(TBitmap* bitmap);
    TBitmap* TargetBitmap() const { return target_; }

    // Of the current output mode; nullptr when the mode has no device bound.
    TCanvas* GetCanvas();
    int DeviceWidth() const;
    int DeviceHeight() const;
    TRect GetClipRect();

    // Round(n * 1440 / ppi) of the current canvas.
    int PixelsToTwips(int n);
    // Style sizes: negative = pixels, 0 = nothing, positive = twips (at least one pixel).
    int TwipsToPixels(int n);

    TPoint* PointBuffer() { return points_.data(); }
    int32_t* PartBuffer() { return parts_.data(); }

private:
    int CanvasPpi();

    uint8_t outputMode_ = gisOutputWindow;
    TPrinter* printer_ = nullptr;
    int pageWidth_ = 0, pageHeight_ = 0;
    TBitmap* target_ = nullptr;
    std::vector<TPoint> points_;
    std::vector<int32_t> parts_;
};
