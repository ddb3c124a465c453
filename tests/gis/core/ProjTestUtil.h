// Helpers for projection tests: grids, PROJ's command-line tools run once per batch, distances.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gis/core/GisProjections.h"
#include "tests/engine/ExportTestUtil.h"

namespace projtest {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180;

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

// Runs `tool` (proj or invproj) over the pairs in one process; an empty result when the tool is missing
// or a line does not parse as two numbers ("*" for a point it cannot project).
inline std::vector<XY> RunProj(const std::string& tool, const std::string& def, const std::vector<XY>& in) {
    static int serial = 0;
    const std::string file = std::string(QM_TEST_OUT) + "/proj_in_" + std::to_string(::getpid()) + "_" +
                             std::to_string(serial++) + ".txt";
    {
        std::ofstream f(file);
        f.precision(17);
        for (const XY& p : in) f << p.x << ' ' << p.y << '\n';
    }
    std::istringstream lines(RunCommand(tool + " -f %.12f " + def + " " + file + " 2>/dev/null"));
    std::remove(file.c_str());
    std::vector<XY> out;
    std::string line;
    while (std::getline(lines, line)) {
        XY p{NAN, NAN};
        std::istringstream(line) >> p.x >> p.y;
        out.push_back(p);
    }
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
    std::vector<XY> ref = RunProj("proj", def, in);
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
    std::vector<XY> ref = RunProj("invproj", def, in);
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

#define QM_REQUIRE_PROJ()                                                                                  \
    if (!HaveTool("proj") || !HaveTool("invproj")) GTEST_SKIP() << "proj/invproj (proj-bin) are not installed: " \
                                                                   "PROJ comparison skipped"
