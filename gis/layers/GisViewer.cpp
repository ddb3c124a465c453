#include "gis/layers/GisViewer.h"

#include <cmath>

#include "gis/core/GisDefs.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Printers.h"

QM_CLASS_RECORD(TGIS_Viewer, TCustomControl)

TGIS_Viewer::TGIS_Viewer(TComponent* owner)
    : TCustomControl(owner), points_(GIS_MAX_DRAW_POINTS), parts_(GIS_MAX_DRAW_PARTS) {}

TGIS_Viewer::~TGIS_Viewer() = default;

void TGIS_Viewer::SetOutputMode(uint8_t mode) {
    QM_ASSERT(mode >= gisOutputWindow && mode <= gisOutputBitmap, GIS_RS_ERR_UNTESTED);
    outputMode_ = mode;
}

void TGIS_Viewer::SetPrinter(TPrinter* printer, int pageWidth, int pageHeight) {
    printer_ = printer;
    pageWidth_ = pageWidth;
    pageHeight_ = pageHeight;
}

void TGIS_Viewer::SetTargetBitmap(TBitmap* bitmap) { target_ = bitmap; }

TCanvas* TGIS_Viewer::GetCanvas() {
    switch (outputMode_) {
    case gisOutputPrinter: return printer_ ? printer_->Canvas() : nullptr;
    case gisOutputBitmap: return target_ ? target_->Canvas() : nullptr;
    default: return Canvas();
    }
}

int TGIS_Viewer::DeviceWidth() const {
    switch (outputMode_) {
    case gisOutputPrinter: return pageWidth_;
    case gisOutputBitmap: return target_ ? target_->Width() : 0;
    default: return ClientWidth();
    }
}

int TGIS_Viewer::DeviceHeight() const {
    switch (outputMode_) {
    case gisOutputPrinter: return pageHeight_;
    case gisOutputBitmap: return target_ ? target_->Height() : 0;
    default: return ClientHeight();
    }
}

TRect TGIS_Viewer::GetClipRect() {
    TCanvas* c = GetCanvas();
    return c ? c->ClipRect() : TRect();
}

int TGIS_Viewer::CanvasPpi() {
    TCanvas* c = GetCanvas();
    const int ppi = c ? c->PixelsPerInch() : 96;
    return ppi > 0 ? ppi : 96;
}

int TGIS_Viewer::PixelsToTwips(int n) {
    return static_cast<int>(std::nearbyint(static_cast<double>(n) * 1440.0 / CanvasPpi()));
}

int TGIS_Viewer::TwipsToPixels(int n) {
    if (n < 0) return n == INT32_MIN ? INT32_MAX : -n;
    if (n == 0) return 0;
    const double px = static_cast<double>(n) * CanvasPpi();
    if (px <= 1440.0) return 1;
    return static_cast<int>(std::nearbyint(px / 1440.0));
}
