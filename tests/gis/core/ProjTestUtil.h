// Helpers for projection tests: grids, PROJ's command-line tool as the reference (one process per batch),
// distances on the ground.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gis/core/GisProjections.h"
#include "tests/engine/ExportTestUtil.h"

#define SKIP_WITHOUT_PROJ() \
    if (!HaveTool("proj")) GTEST_SKIP() << "proj (proj-bin) is not installed: PROJ comparison skipped"

namespace projtest {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDeg = kPi / 180;

struct LonLat {
    double lon, lat;  // degrees
};
struct XY {
    double x, y;
};

// One definition of PROJ and the points it takes: degrees forward, metres inverse.
struct ProjRun {
    std::string definition;
    std::vector<XY> points;
};

// `proj [-I] <definition>` over each run's points, every run in one shell: metres from degrees, or degrees
// from metres with `inverse`. A point PROJ refuses comes back as NaN; a run the tool left unanswered comes
// back short.
inline std::vector<std::vector<XY>> RunProjEach(const std::vector<ProjRun>& runs, bool inverse) {
    const std::string dir = TestDir(inverse ? "proj-inv" : "proj-fwd");
    std::string script;
    for (size_t r = 0; r < runs.size(); ++r) {
        const std::string file = dir + "/points" + std::to_string(r) + ".txt";
        std::ofstream f(file);
        f.precision(17);
        for (const XY& p : runs[r].points) f << p.x << ' ' << p.y << '\n';
        script += "proj " + std::string(inverse ? "-I -f %.13f " : "-f %.7f ") + runs[r].definition + " < " + file +
                  ";";
    }
    std::istringstream out(RunCommand(script));
    auto number = [](const std::string& s) { return s == "*" ? std::numeric_limits<double>::quiet_NaN() : std::stod(s); };
    std::vector<std::vector<XY>> result(runs.size());
    std::string a, b;
    for (size_t r = 0; r < runs.size(); ++r)
        for (size_t i = 0; i < runs[r].points.size() && out >> a >> b; ++i) result[r].push_back({number(a), number(b)});
    return result;
}

inline std::vector<XY> RunProj(const std::string& definition, const std::vector<XY>& points, bool inverse) {
    return RunProjEach({{definition, points}}, inverse)[0];
}

inline std::vector<XY> Degrees(const std::vector<LonLat>& grid) {
    std::vector<XY> out;
    for (const LonLat& g : grid) out.push_back({g.lon, g.lat});
    return out;
}

// Longitudes lon0..lon1 and latitudes lat0..lat1 in `steps` steps each, degrees.
inline std::vector<LonLat> Grid(double lon0, double lon1, double lat0, double lat1, int steps) {
    std::vector<LonLat> g;
    for (int i = 0; i <= steps; ++i)
        for (int j = 0; j <= steps; ++j)
            g.push_back({lon0 + (lon1 - lon0) * i / steps, lat0 + (lat1 - lat0) * j / steps});
    return g;
}

// Every combination of the longitudes lon0, lon0 + lonStep .. lon1 and the latitudes likewise, degrees.
inline std::vector<LonLat> StepGrid(double lon0, double lon1, double lonStep, double lat0, double lat1,
                                    double latStep) {
    std::vector<LonLat> g;
    for (double lat = lat0; lat <= lat1 + 1e-9; lat += latStep)
        for (double lon = lon0; lon <= lon1 + 1e-9; lon += lonStep) g.push_back({lon, lat});
    return g;
}

// "+a=... +b=..." of the projection's ellipsoid.
inline std::string Ellipsoid(const TGIS_ProjectionAbstract& p) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "+a=%.17g +b=%.17g", static_cast<double>(p.SemiMajor),
                  static_cast<double>(p.SemiMinor));
    return buf;
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

// Ground distance in metres between two geodetic points in degrees, along the parallel of `a`; good for
// small differences.
inline double GroundDistance(LonLat a, LonLat b, double radius = 6378137) {
    double dl = std::remainder(a.lon - b.lon, 360.0);
    return radius * kDeg * std::hypot(dl * std::cos(a.lat * kDeg), a.lat - b.lat);
}

// Project against `proj` and Unproject against `proj -I` of PROJ's own plane points, each point within the
// tolerances in metres on the ground (an angle by the semi-major axis).
inline void ExpectMatchesProj(TGIS_ProjectionAbstract& member, const std::string& definition,
                              const std::vector<LonLat>& grid, double forwardTolerance, double inverseTolerance) {
    const std::vector<XY> plane = RunProj(definition, Degrees(grid), false);
    ASSERT_EQ(plane.size(), grid.size()) << definition;
    const std::vector<XY> back = RunProj(definition, plane, true);
    ASSERT_EQ(back.size(), grid.size()) << definition;
    const double a = static_cast<double>(member.SemiMajor);
    double worstForward = 0, worstInverse = 0;
    for (size_t i = 0; i < grid.size(); ++i) {
        SCOPED_TRACE(definition + " at " + std::to_string(grid[i].lon) + " " + std::to_string(grid[i].lat));
        ASSERT_FALSE(std::isnan(plane[i].x)) << "PROJ refused the point";
        // Where PROJ's inverse refuses its own point (its southern Bonne does), the point itself.
        const LonLat reference = std::isnan(back[i].x) ? grid[i] : LonLat{back[i].x, back[i].y};
        const XY xy = Forward(member, grid[i].lon, grid[i].lat);
        const double forward = std::hypot(xy.x - plane[i].x, xy.y - plane[i].y);
        EXPECT_LE(forward, forwardTolerance) << xy.x << " " << xy.y << " against " << plane[i].x << " " << plane[i].y;
        const LonLat ll = Inverse(member, plane[i].x, plane[i].y);
        const double inverse = GroundDistance(reference, ll, a);
        EXPECT_LE(inverse, inverseTolerance) << ll.lon << " " << ll.lat << " against " << reference.lon << " "
                                             << reference.lat;
        worstForward = std::fmax(worstForward, forward);
        worstInverse = std::fmax(worstInverse, inverse);
    }
    ::testing::Test::RecordProperty("worst", std::to_string(worstForward) + " " + std::to_string(worstInverse));
}

// Largest distance of our forward projection of `grid` from PROJ's, after scaling PROJ's x and y about the
// false origin; -1 when the tool gives no answer.
inline double ForwardAgainstProj(TGIS_ProjectionAbstract& p, const std::string& def, const std::vector<LonLat>& grid,
                                 double sx = 1, double sy = 1) {
    const std::vector<XY> ref = RunProj(def, Degrees(grid), false);
    if (ref.size() != grid.size()) return -1;
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
    const std::vector<XY> ref = RunProj(def, in, true);
    if (ref.size() != grid.size()) return -1;
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

// SetUp with the parameters a conic or cylindrical member uses (radians, metres).
inline void SetUpMember(TGIS_ProjectionAbstract& p, double cm, double ol, double fe = 0, double fn = 0,
                        double sp1 = 0, double sp2 = 0, double scale = 1) {
    p.SetUp(0, cm, ol, fe, fn, sp1, sp2, scale, 0, 0, 0, 0, 0, 0, 0);
}

// SetUp with the origin, scale and azimuth in degrees.
inline void SetUpOrigin(TGIS_ProjectionAbstract& p, double cmDeg, double olDeg, double fe, double fn,
                        double scale = 1, double azDeg = 0) {
    p.SetUp(0, cmDeg * kDeg, olDeg * kDeg, fe, fn, 0, 0, scale, 0, 0, azDeg * kDeg, 0, 0, 0, 0);
}

// A datum on the sphere of radius 6378137 m (a user ellipsoid with inverse flattening 0).
inline TGIS_Datum* TestSphereDatum() {
    if (TGIS_Datum* d = GisDatumList().FindByCode("TEST_SPHERE")) return d;
    GisEllipsoidList().AddEllipsoid("TEST_SPHERE", "sphere", 0, 6378137);
    return GisDatumList().AddDatum(2, "TEST_SPHERE", TGIS_DatumParams{{0, 0, 0}, {0, 0, 0}, {-180, 180, -90, 90}, 1},
                                   "TEST_SPHERE", "sphere");
}

}  // namespace projtest
