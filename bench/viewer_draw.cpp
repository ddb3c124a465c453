// The viewer's cached paint of 100,000 small polygons at 1920 x 1080, against GDAL's rasterizer filling the same
// polygons into an in-memory raster of that size and geotransform, and against the platform canvas drawing the
// polygons already converted to device points (the lower bound of any paint through the canvas).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "BenchRatios.h"
#include "gis/layers/GisViewer.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
// Last: it brings GDAL's headers.
#include "HexagonScene.h"

namespace {

using namespace hexagons;

// Paints the polygons as a vector layer does: each shape's points through MapToScreen into the viewer's buffer,
// one polygon call each.
class BenchLayer : public TGIS_LayerAbstract {
public:
    BenchLayer() {
        Name = "bench";
        UseConfig = false;
        SetExtent(GisMakeExtent(0, 0, kWidth * 10.0, kHeight * 10.0));
    }
    void Paint() override {
        TCanvas* c = Viewer->GetCanvas();
        c->Pen()->SetStyle(psClear);
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(kFill);
        TPoint* buf = Viewer->PointBuffer();
        const std::vector<double>& xy = XY();
        for (size_t i = 0; i < xy.size(); i += 12) {
            for (int k = 0; k < 6; ++k) buf[k] = Viewer->MapToScreen(GisMakePoint(xy[i + 2 * k], xy[i + 2 * k + 1]));
            c->Polygon(buf, 6);
        }
    }
    void PaintLabels() override {}
    void PaintCharts() override {}
};

TGIS_Viewer& Viewer() {
    static TGIS_Viewer* v = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        auto* viewer = new TGIS_Viewer(nullptr);
        viewer->SetBounds(0, 0, kWidth, kHeight);
        viewer->SetColor(kBack);
        viewer->Add(new BenchLayer);
        viewer->FullExtent();
        return viewer;
    }();
    return *v;
}

void ViewerDraw(benchmark::State& state) {
    TGIS_Viewer& v = Viewer();
    for (auto _ : state) {
        v.InvalidateCache();
        v.Draw();
    }
}

// The polygons in device points, as the viewer places them.
const std::vector<TPoint>& DevicePoints() {
    static std::vector<TPoint> pts = [] {
        TGIS_Viewer& v = Viewer();
        std::vector<TPoint> p;
        const std::vector<double>& xy = XY();
        p.reserve(xy.size() / 2);
        for (size_t i = 0; i < xy.size(); i += 2) p.push_back(v.MapToScreen(GisMakePoint(xy[i], xy[i + 1])));
        return p;
    }();
    return pts;
}

void CanvasFill(TBitmap& bmp) {
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(kBack);
    c->FillRect(TRect(0, 0, kWidth, kHeight));
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(kFill);
    const std::vector<TPoint>& pts = DevicePoints();
    for (size_t i = 0; i < pts.size(); i += 6) c->Polygon(&pts[i], 6);
}

void CanvasPolygons(benchmark::State& state) {
    TBitmap bmp(kWidth, kHeight, pf24bit);
    DevicePoints();
    for (auto _ : state) CanvasFill(bmp);
}

GdalRaster& Gdal() {
    static GdalRaster s(Viewer());
    return s;
}

void GdalRasterize(benchmark::State& state) {
    GdalRaster& s = Gdal();
    for (auto _ : state)
        if (!s.Rasterize()) state.SkipWithError("GDALRasterizeGeometries failed");
}

BENCHMARK(ViewerDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(GdalRasterize)->Unit(benchmark::kMillisecond);
BENCHMARK(CanvasPolygons)->Unit(benchmark::kMillisecond);

// The viewer's picture must be the canvas's (same points, same fill), and GDAL's must cover nearly the same
// pixels (its rule for edge pixels differs).
bool Agree() {
    TGIS_Viewer& v = Viewer();
    v.InvalidateCache();
    v.Draw();
    TBitmap bmp(kWidth, kHeight, pf24bit);
    CanvasFill(bmp);
    TCanvas* shown = v.CacheBitmap()->Canvas();
    long differ = 0, ours = 0, theirs = 0, gdalDiffer = 0;
    if (!Gdal().Rasterize()) return false;
    const std::vector<bool> filled = Gdal().Filled();
    if (filled.empty()) return false;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool a = shown->Pixel(x, y) == kFill, b = bmp.Canvas()->Pixel(x, y) == kFill;
            const bool g = filled[size_t(y) * kWidth + size_t(x)];
            differ += a != b;
            gdalDiffer += a != g;
            ours += a;
            theirs += g;
        }
    std::printf("filled pixels: viewer %ld, GDAL %ld; viewer against canvas %ld differ, against GDAL %ld\n", ours,
                theirs, differ, gdalDiffer);
    if (differ != 0 || ours == 0) {
        std::printf("the viewer's picture is not the canvas's\n");
        return false;
    }
    if (gdalDiffer > ours / 10) {
        std::printf("GDAL filled other pixels than the viewer\n");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    reporter.AddRatio("Viewer Draw / GDAL rasterize", "ViewerDraw", "GdalRasterize", "(goal: at most 1)");
    reporter.AddRatio("Viewer Draw / canvas polygons", "ViewerDraw", "CanvasPolygons", "(goal: at most 1.15)");
    return RunWithRatios(argc, argv, reporter, Agree);
}
