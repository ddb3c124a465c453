// PROJ's command-line tool as the reference of the map projections: one process per grid and direction.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "gis/core/GisProjections.h"
#include "tests/engine/ExportTestUtil.h"

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kDeg = kPi / 180;

#define SKIP_WITHOUT_PROJ() \
    if (!HaveTool("proj")) GTEST_SKIP() << "proj (proj-bin) is not installed: PROJ comparison skipped"

struct PeerPoint {
    double a, b;
};

// `proj <definition>` over the points: degrees to metres, or metres to degrees with `inverse`. A point
// PROJ refuses comes back as NaN.
inline std::vector<PeerPoint> RunProj(const std::string& definition, const std::vector<PeerPoint>& points,
                                      bool inverse) {
    const std::string in = TestDir(inverse ? "proj-inv" : "proj-fwd") + "/points.txt";
    {
        std::ofstream f(in);
        f.precision(17);
        for (const PeerPoint& p : points) f << p.a << ' ' << p.b << '\n';
    }
    std::istringstream out(
        RunCommand("proj " + std::string(inverse ? "-I -f %.13f " : "-f %.7f ") + definition + " < " + in));
    std::vector<PeerPoint> result;
    std::string a, b;
    while (out >> a >> b) {
        auto number = [](const std::string& s) {
            return s == "*" ? std::numeric_limits<double>::quiet_NaN() : std::stod(s);
        };
        result.push_back({number(a), number(b)});
    }
    return result;
}

// Every combination of the longitudes and latitudes (degrees).
inline std::vector<PeerPoint> Grid(double lon0, double lon1, double lonStep, double lat0, double lat1, double latStep) {
    std::vector<PeerPoint> g;
    for (double lat = lat0; lat <= lat1 + 1e-9; lat += latStep)
        for (double lon = lon0; lon <= lon1 + 1e-9; lon += lonStep) g.push_back({lon, lat});
    return g;
}

// Project against `proj` and Unproject against `proj -I` of PROJ's own plane points, both in metres on the
// ground (an angle by the semi-major axis; a longitude along its parallel).
inline void ExpectMatchesProj(TGIS_ProjectionAbstract& member, const std::string& definition,
                              const std::vector<PeerPoint>& grid, double forwardTolerance, double inverseTolerance) {
    const std::vector<PeerPoint> plane = RunProj(definition, grid, false);
    ASSERT_EQ(plane.size(), grid.size()) << definition;
    const std::vector<PeerPoint> back = RunProj(definition, plane, true);
    ASSERT_EQ(back.size(), grid.size()) << definition;
    const double a = static_cast<double>(member.SemiMajor);
    double worstForward = 0, worstInverse = 0;
    for (size_t i = 0; i < grid.size(); ++i) {
        SCOPED_TRACE(definition + " at " + std::to_string(grid[i].a) + " " + std::to_string(grid[i].b));
        ASSERT_FALSE(std::isnan(plane[i].a)) << "PROJ refused the point";
        // Where PROJ's inverse refuses its own point (its southern Bonne does), the point itself.
        const PeerPoint reference = std::isnan(back[i].a) ? grid[i] : back[i];
        TGIS_Point3D xy, ll;
        member.Project(TGIS_Point3D(grid[i].a * kDeg, grid[i].b * kDeg, 0), xy);
        const double forward = std::hypot(xy.X - plane[i].a, xy.Y - plane[i].b);
        EXPECT_LE(forward, forwardTolerance) << xy.X << " " << xy.Y << " against " << plane[i].a << " " << plane[i].b;
        member.Unproject(TGIS_Point3D(plane[i].a, plane[i].b, 0), ll);
        const double dLon = std::remainder(ll.X - reference.a * kDeg, 2 * kPi);
        const double inverse = a * std::hypot(ll.Y - reference.b * kDeg, dLon * std::cos(reference.b * kDeg));
        EXPECT_LE(inverse, inverseTolerance) << ll.X / kDeg << " " << ll.Y / kDeg << " against " << reference.a << " "
                                             << reference.b;
        worstForward = std::fmax(worstForward, forward);
        worstInverse = std::fmax(worstInverse, inverse);
    }
    ::testing::Test::RecordProperty("worst", std::to_string(worstForward) + " " + std::to_string(worstInverse));
}

// SetUp with the parameters a conic or cylindrical member uses (radians, metres).
inline void SetUpMember(TGIS_ProjectionAbstract& p, double cm, double ol, double fe = 0, double fn = 0,
                        double sp1 = 0, double sp2 = 0, double scale = 1) {
    p.SetUp(0, cm, ol, fe, fn, sp1, sp2, scale, 0, 0, 0, 0, 0, 0, 0);
}

// A datum on the sphere of radius 6378137 m (a user ellipsoid with inverse flattening 0).
inline TGIS_Datum* TestSphereDatum() {
    if (TGIS_Datum* d = GisDatumList().FindByCode("TEST_SPHERE")) return d;
    GisEllipsoidList().AddEllipsoid("TEST_SPHERE", "sphere", 0, 6378137);
    return GisDatumList().AddDatum(2, "TEST_SPHERE", TGIS_DatumParams{{0, 0, 0}, {0, 0, 0}, {-180, 180, -90, 90}, 1},
                                   "TEST_SPHERE", "sphere");
}
