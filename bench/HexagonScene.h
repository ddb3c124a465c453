// The scene of the paint benchmarks: 100,000 irregular hexagons of 5 to 30 pixels across a 1920 x 1080 view of a
// map of 10 units a pixel, and GDAL's rasterizer filling them into an in-memory raster placed as a viewer shows
// that map. Include after our own headers: GDAL defines TRUE and FALSE as macros.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include "gis/layers/GisViewer.h"
#include <gdal.h>
#include <gdal_alg.h>
#include <ogr_api.h>

namespace hexagons {

constexpr int kWidth = 1920, kHeight = 1080, kCount = 100000;
constexpr TColor kFill = 0x3080C0, kBack = clWhite;

// Six points a hexagon, in map units; irregular enough to be real shapes.
inline const std::vector<double>& XY() {
    static const std::vector<double> xy = [] {
        std::vector<double> p;
        std::mt19937 rng(19);
        std::uniform_real_distribution<double> cx(0, kWidth * 10.0), cy(0, kHeight * 10.0), size(25, 150),
            jitter(0.7, 1.0);
        p.reserve(size_t(kCount) * 12);
        for (int i = 0; i < kCount; ++i) {
            const double x = cx(rng), y = cy(rng), r = size(rng);
            for (int k = 0; k < 6; ++k) {
                const double a = k * M_PI / 3, rk = r * jitter(rng);
                p.push_back(x + rk * std::cos(a));
                p.push_back(y + rk * std::sin(a));
            }
        }
        return p;
    }();
    return xy;
}

// The hexagons as GDAL geometries, built once, and the raster they are burnt into in kFill.
class GdalRaster {
public:
    // Pixel (0, 0) of the raster is the viewer's device pixel (0, 0); GDAL's pixel centres sit half a pixel in,
    // where the viewer rounds.
    explicit GdalRaster(TGIS_Viewer& v) {
        GDALAllRegister();
        ds = GDALCreate(GDALGetDriverByName("MEM"), "", kWidth, kHeight, 3, GDT_Byte, nullptr);
        const TGIS_Point o = v.ScreenToMap(TPoint(0, 0));
        double gt[6] = {o.X - 0.5 / v.Zoom(), 1 / v.Zoom(), 0, o.Y + 0.5 / v.Zoom(), 0, -1 / v.Zoom()};
        GDALSetGeoTransform(ds, gt);
        const std::vector<double>& xy = XY();
        for (size_t i = 0; i < xy.size(); i += 12) {
            OGRGeometryH ring = OGR_G_CreateGeometry(wkbLinearRing);
            for (int k = 0; k <= 6; ++k) OGR_G_AddPoint_2D(ring, xy[i + 2 * (k % 6)], xy[i + 2 * (k % 6) + 1]);
            OGRGeometryH poly = OGR_G_CreateGeometry(wkbPolygon);
            OGR_G_AddGeometryDirectly(poly, ring);
            geoms_.push_back(poly);
            for (int b : {int(kFill & 0xFF), int((kFill >> 8) & 0xFF), int((kFill >> 16) & 0xFF)}) burn_.push_back(b);
        }
    }
    ~GdalRaster() {
        for (OGRGeometryH g : geoms_) OGR_G_DestroyGeometry(g);
        GDALClose(ds);
    }
    GdalRaster(const GdalRaster&) = delete;
    GdalRaster& operator=(const GdalRaster&) = delete;

    bool Rasterize() {
        int bands[] = {1, 2, 3};
        return GDALRasterizeGeometries(ds, 3, bands, int(geoms_.size()), geoms_.data(), nullptr, nullptr,
                                       burn_.data(), nullptr, nullptr, nullptr) == CE_None;
    }
    // Whether each pixel is filled, row by row; empty when the raster cannot be read.
    std::vector<bool> Filled() {
        std::vector<uint8_t> red(size_t(kWidth) * kHeight);
        if (GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, kWidth, kHeight, red.data(), kWidth, kHeight,
                         GDT_Byte, 0, 0) != CE_None)
            return {};
        std::vector<bool> filled(red.size());
        for (size_t i = 0; i < red.size(); ++i) filled[i] = red[i] == (kFill & 0xFF);
        return filled;
    }

    GDALDatasetH ds = nullptr;

private:
    std::vector<OGRGeometryH> geoms_;
    std::vector<double> burn_;
};

}  // namespace hexagons
