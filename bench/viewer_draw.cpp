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
// After ours: GDAL defines TRUE and FALSE as macros.
#include <gdal.h>
#include <gdal_alg.h>
#include <ogr_api.h>

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kPolygons = 100000;
constexpr TColor kFill = 0x3080C0, kBack = clWhite;

// Hexagons of 5 to 30 pixels across in a map of 10 units a pixel, irregular enough to be real shapes.
struct Polygons {
    std::vector<double> xy;  // six points a polygon
    Polygons() {
        std::mt19937 rng(19);
        std::uniform_real_distribution<double> cx(0, kWidth * 10.0), cy(0, kHeight * 10.0), size(25, 150),
            jitter(0.7, 1.0);
        xy.reserve(size_t(kPolygons) * 12);
        for (int i = 0; i < kPolygons; ++i) {
            const double x = cx(rng), y = cy(rng), r = size(rng);
            for (int k = 0; k < 6; ++k) {
                const double a = k * M_PI / 3, rk = r * jitter(rng);
                xy.push_back(x + rk * std::cos(a));
                xy.push_back(y + rk * std::sin(a));
            }
        }
    }
};

const Polygons& Shapes() {
    static Polygons p;
    return p;
}

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
        const std::vector<double>& xy = Shapes().xy;
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
        const std::vector<double>& xy = Shapes().xy;
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

struct GdalScene {
    GDALDatasetH ds = nullptr;
    std::vector<OGRGeometryH> geoms;
    std::vector<double> burn;
    GdalScene() {
        GDALAllRegister();
        ds = GDALCreate(GDALGetDriverByName("MEM"), "", kWidth, kHeight, 3, GDT_Byte, nullptr);
        TGIS_Viewer& v = Viewer();
        // Pixel (0, 0) of the raster is the viewer's device pixel (0, 0); GDAL's pixel centres sit half a pixel
        // in, where the viewer rounds.
        const TGIS_Point o = v.ScreenToMap(TPoint(0, 0));
        double gt[6] = {o.X - 0.5 / v.Zoom(), 1 / v.Zoom(), 0, o.Y + 0.5 / v.Zoom(), 0, -1 / v.Zoom()};
        GDALSetGeoTransform(ds, gt);
        const std::vector<double>& xy = Shapes().xy;
        for (size_t i = 0; i < xy.size(); i += 12) {
            OGRGeometryH ring = OGR_G_CreateGeometry(wkbLinearRing);
            for (int k = 0; k <= 6; ++k) OGR_G_AddPoint_2D(ring, xy[i + 2 * (k % 6)], xy[i + 2 * (k % 6) + 1]);
            OGRGeometryH poly = OGR_G_CreateGeometry(wkbPolygon);
            OGR_G_AddGeometryDirectly(poly, ring);
            geoms.push_back(poly);
            for (int b : {int(kFill & 0xFF), int((kFill >> 8) & 0xFF), int((kFill >> 16) & 0xFF)}) burn.push_back(b);
        }
    }
    ~GdalScene() {
        for (OGRGeometryH g : geoms) OGR_G_DestroyGeometry(g);
        GDALClose(ds);
    }
    bool Rasterize() {
        int bands[] = {1, 2, 3};
        return GDALRasterizeGeometries(ds, 3, bands, int(geoms.size()), geoms.data(), nullptr, nullptr, burn.data(),
                                       nullptr, nullptr, nullptr) == CE_None;
    }
};

GdalScene& Gdal() {
    static GdalScene s;
    return s;
}

void GdalRasterize(benchmark::State& state) {
    GdalScene& s = Gdal();
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
    std::vector<uint8_t> red(size_t(kWidth) * kHeight);
    if (GDALRasterIO(GDALGetRasterBand(Gdal().ds, 1), GF_Read, 0, 0, kWidth, kHeight, red.data(), kWidth, kHeight,
                     GDT_Byte, 0, 0) != CE_None)
        return false;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool a = shown->Pixel(x, y) == kFill, b = bmp.Canvas()->Pixel(x, y) == kFill;
            const bool g = red[size_t(y) * kWidth + size_t(x)] == (kFill & 0xFF);
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
