// Helpers for projection tests: grids, PROJ's command-line tools run once per batch, distances.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisProjections.h"
#include "tests/gis/core/ProjectionPeer.h"

namespace projtest {

struct LonLat {
    double lon, lat;  // degrees
};
struct XY {
    double x, y;
};

// Longitudes lon0..lon1 and latitudes lat0..lat1 in `steps` steps each, degrees.
inline std::vector<LonLat> Grid(double lon0, double lon1, double lat0, double lat1, int steps) {
    std::vector<LonLat> g;
    for (int i = 0; i <= steps; ++i)
        for (int j = 0; j <= steps; ++j)
            g.push_back({lon0 + (lon1 - lon0) * i / steps, lat0 + (lat1 - lat0) * j / steps});
    return g;
}

// "+a=... +b=..." of the projection's ellipsoid.
inline std::string Ellipsoid(const TGIS_ProjectionAbstract& p) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "+a=%.17g +b=%.17g", static_cast<double>(p.SemiMajor),
                  static_cast<double>(p.SemiMinor));
    return buf;
}

// PROJ's forward (degrees to metres) or inverse over the pairs, in one process; empty when the tool
// gives no answer for some of them.
inline std::vector<XY> RunPeer(const std::string& def, const std::vector<XY>& in, bool inverse) {
    std::vector<PeerPoint> points;
    for (const XY& p : in) points.push_back({p.x, p.y});
    std::vector<XY> out;
    for (const PeerPoint& p : RunProj(def, points, inverse)) out.push_back({p.a, p.b});
    if (out.size() != in.size()) out.clear();
    return out;
}

// A fresh instance of the registered member `code`, with its defaults.
inline std::unique_ptr<TGIS_ProjectionAbstract> Fresh(const char* code) {
    TGIS_ProjectionAbstract* member = GisProjectionList().FindByCode(code);
    EXPECT_NE(member, nullptr) << code;
    return member->NewInstance();
}

inline XY Forward(TGIS_ProjectionAbstract& p, double lonDeg, double latDeg) {
    TGIS_Point3D o;
    p.Project(TGIS_Point3D(lonDeg * kDeg, latDeg * kDeg, 0), o);
    return {o.X, o.Y};
}

inline LonLat Inverse(TGIS_ProjectionAbstract& p, double x, double y) {
    TGIS_Point3D o;
    p.Unproject(TGIS_Point3D(x, y, 0), o);
    return {o.X / kDeg, o.Y / kDeg};
}

// Ground distance in metres between two geodetic points in degrees, good for small differences.
inline double GroundDistance(LonLat a, LonLat b, double radius = 6378137) {
    double dl = std::remainder(a.lon - b.lon, 360.0);
    return radius * kDeg * std::hypot(dl * std::cos(a.lat * kDeg), a.lat - b.lat);
}

// Largest distance of our forward projection of `grid` from PROJ's, after scaling PROJ's x and y about the
// false origin; -1 when the tool is missing.
inline double ForwardAgainstProj(TGIS_ProjectionAbstract& p, const std::string& def, const std::vector<LonLat>& grid,
                                 double sx = 1, double sy = 1) {
    std::vector<XY> in;
    for (const LonLat& g : grid) in.push_back({g.lon, g.lat});
    std::vector<XY> ref = RunPeer(def, in, false);
    if (ref.empty()) return -1;
    double worst = 0;
    for (size_t i = 0; i < grid.size(); ++i) {
        XY ours = Forward(p, grid[i].lon, grid[i].lat);
        const double rx = p.FalseEasting + sx * (ref[i].x - p.FalseEasting);
        const double ry = p.FalseNorthing + sy * (ref[i].y - p.FalseNorthing);
        const double d = std::hypot(ours.x - rx, ours.y - ry);
        EXPECT_TRUE(d < 1e300) << grid[i].lon << " " << grid[i].lat;
        if (!(d <= worst)) worst = d;
    }
    return worst;
}

// Largest ground distance between our inverse and PROJ's of our own forward points of `grid`.
inline double InverseAgainstProj(TGIS_ProjectionAbstract& p, const std::string& def, const std::vector<LonLat>& grid) {
    std::vector<XY> in;
    for (const LonLat& g : grid) in.push_back(Forward(p, g.lon, g.lat));
    std::vector<XY> ref = RunPeer(def, in, true);
    if (ref.empty()) return -1;
    double worst = 0;
    for (size_t i = 0; i < grid.size(); ++i) {
        const double d = GroundDistance(Inverse(p, in[i].x, in[i].y), {ref[i].x, ref[i].y});
        if (!(d <= worst)) worst = d;
    }
    return worst;
}

// Largest ground distance of forward then inverse from the grid's points.
inline double RoundTrip(TGIS_ProjectionAbstract& p, const std::vector<LonLat>& grid) {
    double worst = 0;
    for (const LonLat& g : grid) {
        XY xy = Forward(p, g.lon, g.lat);
        const double d = GroundDistance(Inverse(p, xy.x, xy.y), g);
        if (!(d <= worst)) worst = d;
    }
    return worst;
}

inline void SetUpOrigin(TGIS_ProjectionAbstract& p, double cmDeg, double olDeg, double fe, double fn,
                        double scale = 1, double azDeg = 0) {
    p.SetUp(0, cmDeg * kDeg, olDeg * kDeg, fe, fn, 0, 0, scale, 0, 0, azDeg * kDeg, 0, 0, 0, 0);
}

}  // namespace projtest

