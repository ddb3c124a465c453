#include "gis/layers/GisViewer.h"

#include "platform/ui/Bitmap.h"

void TGIS_Viewer::Draw() {}

void TGIS_Viewer::DrawDirect() {
    if (LockCount >= 1) return;
    DirectDraw = true;
    Draw();
}

void TGIS_Viewer::DrawLayers() {}

void TGIS_Viewer::Print() {}

void TGIS_Viewer::PrintBmp(TPrinter& printer, const TRect& rect, const TGIS_Extent& extent, double& scale) {
    (void)printer, (void)rect, (void)extent, (void)scale;
}

TRect TGIS_Viewer::CacheClipRect() { return CacheBitmap()->Canvas()->ClipRect(); }
