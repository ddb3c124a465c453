#include "gis/core/GisProjWorld.h"

#include "gis/core/GisIni.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "tests/gis/core/ProjTestUtil.h"

using namespace projtest;

namespace {

std::string Def(const TGIS_ProjectionAbstract& p, const std::string& proj, double cmDeg, bool authalic = true) {
    char buf[160];
    std::snprintf(buf, sizeof buf, " +lon_0=%.17g +x_0=%.17g +y_0=%.17g", cmDeg, p.FalseEasting, p.FalseNorthing);
    return "+proj=" + proj + (authalic ? " +R_A " : " ") + Ellipsoid(p) + buf;
}

const std::vector<LonLat>& WorldGrid() {
    static const std::vector<LonLat> g = Grid(-179.5, 179.5, -89.5, 89.5, 28);
    return g;
}

}  // namespace

TEST(GisProjWorld, MembersAreRegisteredWithTheirCodesAndParameters) {
    const struct {
        const char* code;
        const char* description;
    } members[] = {{"ROB", "Robinson"},    {"MOL", "Mollweide Pseudocylindrical"},
                   {"EC4", "Eckert IV"},   {"EC6", "Eckert VI"},
                   {"WA4", "Wagner IV"},   {"WA7", "Wagner VII"},
                   {"SIN", "Sinusoid"},    {"GRI", "Van der Grinten"}};
    for (auto& m : members) {
        TGIS_ProjectionAbstract* p = GisProjectionList().FindByCode(m.code);
        ASSERT_NE(p, nullptr) << m.code;
        EXPECT_EQ(p->Description(), m.description);
        EXPECT_EQ(p->ParametersUsed(), 0x000D) << m.code;
        EXPECT_EQ(p->NewInstance()->Code(), m.code);
    }
}

TEST(GisProjWorld, PseudocylindricalMembersAgreeWithProj) {
    SKIP_WITHOUT_PROJ();
    const double eck4x = 0.4222382 / (2 / std::sqrt(kPi * (4 + kPi)));
    const double eck4y = 1.3265004 / (2 * std::sqrt(kPi / (4 + kPi)));
    const double p = kPi / 3, r = std::sqrt(2 * kPi * std::sin(p) / (2 * p + std::sin(2 * p)));
    const double wag4x = 0.8631 / (2 * r / kPi), wag4y = 1.56548 / (r / std::sin(p));
    const struct {
        const char* code;
        const char* proj;
        double sx, sy;
        bool inverse;
    } cases[] = {{"MOL", "moll", 1, 1, true},        {"EC6", "eck6", 1, 1, true}, {"GRI", "vandg", 1, 1, true},
                 {"EC4", "eck4", eck4x, eck4y, false}, {"WA4", "wag4", wag4x, wag4y, false}};
    for (auto& c : cases) {
        for (double cm : {0.0, 30.0, -150.0}) {
            auto pr = Fresh(c.code);
            SetUpOrigin(*pr, cm, 0, 500000, -200000);
            const std::string def = Def(*pr, c.proj, cm);
            EXPECT_LT(ForwardAgainstProj(*pr, def, WorldGrid(), c.sx, c.sy), 1e-3) << c.code << " " << cm;
            if (c.inverse) {
                EXPECT_LT(InverseAgainstProj(*pr, def, WorldGrid()), 1e-3) << c.code << " " << cm;
            }
            EXPECT_LT(RoundTrip(*pr, WorldGrid()), 1e-3) << c.code << " " << cm;
        }
    }
}

TEST(GisProjWorld, SinusoidalAndWagner7AgreeWithProj) {
    SKIP_WITHOUT_PROJ();
    auto sin = Fresh("SIN");
    SetUpOrigin(*sin, 100, 0, 1000, 2000);
    const std::string def = Def(*sin, "sinu", 100, false);
    EXPECT_LT(ForwardAgainstProj(*sin, def, WorldGrid()), 2e-3);
    EXPECT_LT(InverseAgainstProj(*sin, def, WorldGrid()), 5e-3);

    // 0.90631 stands for sin 65 degrees.
    auto wa7 = Fresh("WA7");
    SetUpOrigin(*wa7, -20, 0, 0, 0);
    EXPECT_LT(ForwardAgainstProj(*wa7, Def(*wa7, "wag7", -20), WorldGrid()), 100);
    const double R = static_cast<double>(GisAuthalicRadius(wa7->SemiMajor, wa7->Eccentricity2));
    EXPECT_LT(RoundTrip(*wa7, Grid(-179.5, 179.5, -85, 85, 30)), 1e-9 * R);
}

TEST(GisProjWorld, RobinsonFollowsItsTableAndRoundTrips) {
    auto rob = Fresh("ROB");
    SetUpOrigin(*rob, 20, 0, 100, 200);
    const double a = static_cast<double>(rob->SemiMajor);
    const double table[][2] = {{0.9858, 0},       {0.98442, 0.062},  {0.981265, 0.124}, {0.975942, 0.186},
                               {0.968253, 0.248}, {0.959183, 0.31},  {0.946368, 0.372}, {0.929314, 0.434},
                               {0.908513, 0.4958}, {0.883474, 0.5571}, {0.855576, 0.6176}, {0.823143, 0.6769},
                               {0.78726, 0.7346}, {0.748912, 0.7903}, {0.708396, 0.8435}, {0.663641, 0.8936},
                               {0.612478, 0.9394}, {0.564075, 0.9761}};
    for (int row = 0; row < 18; ++row)
        for (double sign : {1.0, -1.0}) {
            XY xy = Forward(*rob, 20 + 30, sign * 5 * row);
            EXPECT_NEAR(xy.x, 100 + a * table[row][0] * 30 * kDeg, 1e-6) << row;
            EXPECT_NEAR(xy.y, 200 + sign * a * kPi / 2 * table[row][1], 1e-6) << row;
        }
    // Between rows, the parabola through the row below, the row and the row above: at 77.5 degrees (rows 70,
    // 75, 80, u = 1/2) and at 2.5 degrees, where the mirrored -5 degree row serves.
    const struct {
        double lat, x, y;
    } between[] = {{77.5, 0.663641 + (0.612478 - 0.708396) / 4 + (0.612478 - 2 * 0.663641 + 0.708396) / 8,
                    0.8936 + (0.9394 - 0.8435) / 4 + (0.9394 - 2 * 0.8936 + 0.8435) / 8},
                   {2.5, 0.9858 + (0.98442 - 2 * 0.9858 + 0.98442) / 8, (0.062 + 0.062) / 4}};
    for (const auto& b : between) {
        XY xy = Forward(*rob, 20 + 30, b.lat);
        EXPECT_NEAR(xy.x, 100 + a * b.x * 30 * kDeg, 1e-6) << b.lat;
        EXPECT_NEAR(xy.y, 200 + a * kPi / 2 * b.y, 1e-6) << b.lat;
    }
    // The pole is held at 89.75 degrees, with a warning.
    rob->Warning.clear();
    XY pole = Forward(*rob, 20, 90), held = Forward(*rob, 20, 89.75);
    EXPECT_EQ(pole.y, held.y);
    EXPECT_EQ(rob->Warning, GIS_RS_WARN_LATITUDE);
    EXPECT_LT(RoundTrip(*rob, Grid(-179.9, 179.9, -89.75, 89.75, 40)), 1e-3);
}

TEST(GisProjWorld, RobinsonIsWithinItsScaleOfProjsRobin) {
    SKIP_WITHOUT_PROJ();
    auto rob = Fresh("ROB");
    SetUpOrigin(*rob, 0, 0, 0, 0);
    char def[160];
    std::snprintf(def, sizeof def, "+proj=robin +R=%.17g", static_cast<double>(rob->SemiMajor) * 0.9858 / 0.8487);
    // On the table's rows the two agree within the tables' own rounding. Between rows PROJ interpolates by
    // cubics, we by the parabola through three rows: where the parallel lengths bend most (70 to 85 degrees)
    // they part by up to about 10 km at 180 degrees from the meridian (77.5 degrees: x 0.6388605·a·π
    // against PROJ's 0.638402·a·π), and by up to 2.4 km below 70 degrees.
    EXPECT_LT(ForwardAgainstProj(*rob, def, Grid(-180, 180, -85, 85, 34)), 1500);
    EXPECT_LT(ForwardAgainstProj(*rob, def, Grid(-180, 180, -87.5, 87.5, 35)), 12000);
}

TEST(GisProjWorld, RobinsonBoundsDoNotDependOnTheMeridianOrTheFalseOrigin) {
    // With the bounds taken from a projected point, a meridian of 150 degrees left room for 30 degrees of
    // longitude and a false northing below -10,000 km made the northing bound negative.
    auto rob = Fresh("ROB");
    SetUpOrigin(*rob, 150, 0, 0, -12000000);
    for (LonLat g : {LonLat{-100, -60}, LonLat{-29, 80}, LonLat{0, 0}, LonLat{170, -89}}) {
        XY xy = Forward(*rob, g.lon, g.lat);
        EXPECT_LT(GroundDistance(Inverse(*rob, xy.x, xy.y), g), 1e-3) << g.lon << " " << g.lat;
    }
    EXPECT_GT(rob->NorthingBound, 8e6);
}

TEST(GisProjWorld, PolesMapToPointsOrLinesAsTheyShould) {
    // Mollweide's, Eckert IV's and Wagner IV's auxiliary equations meet a double or triple root or a zero
    // derivative at the poles: the poles are exact and the points next to them are continuous.
    for (const char* code : {"MOL", "EC4", "EC6", "WA4", "SIN", "WA7"}) {
        auto p = Fresh(code);
        SetUpOrigin(*p, 10, 0, 300, 400);
        for (double lat : {90.0, -90.0}) {
            XY pole = Forward(*p, 170, lat), near = Forward(*p, 170, lat * (1 - 1e-9));
            EXPECT_TRUE(std::isfinite(pole.x) && std::isfinite(pole.y)) << code;
            EXPECT_LT(std::hypot(pole.x - near.x, pole.y - near.y), 50) << code << " " << lat;
        }
    }
    for (const char* code : {"MOL", "SIN", "GRI"}) {
        auto p = Fresh(code);
        SetUpOrigin(*p, 10, 0, 300, 400);
        EXPECT_NEAR(Forward(*p, -170, 90).x, 300, 1e-6) << code;
        EXPECT_NEAR(Forward(*p, 120, -90).x, 300, 1e-6) << code;
    }
    auto mol = Fresh("MOL");
    SetUpOrigin(*mol, 0, 0, 0, 0);
    const double R = static_cast<double>(GisAuthalicRadius(mol->SemiMajor, mol->Eccentricity2));
    EXPECT_NEAR(Forward(*mol, 45, 90).y, std::sqrt(2.0) * R, 1e-6);
    // Newton's tolerance leaves well under a millimetre next to the pole.
    EXPECT_LT(RoundTrip(*mol, Grid(-179, 179, 89.99, 89.9999, 4)), 1e-3);
    EXPECT_LT(RoundTrip(*Fresh("EC4"), Grid(-179, 179, -89.9999, -89.99, 4)), 1e-3);
}

TEST(GisProjWorld, PolesRoundTripExactly) {
    // Wagner IV's forward took the auxiliary angle pi/3 at the poles, its inverse divided by the rounded constant
    // and came back 89.99978 degrees; Wagner VII's came back 89.9999988 for some longitudes. Members whose pole
    // is a line keep the longitude there too.
    for (const char* code : {"MOL", "EC4", "EC6", "WA4", "WA7"}) {
        const bool line = std::string(code) != "MOL" && std::string(code) != "WA7";
        auto p = Fresh(code);
        for (XY origin : {XY{0, 0}, XY{300, 400}, XY{-1e5, 2.5e6}}) {
            SetUpOrigin(*p, 10, 0, origin.x, origin.y);
            for (double lat : {90.0, -90.0})
                for (double lon = -170; lon <= 180; lon += 17.5) {
                    const XY xy = Forward(*p, lon, lat);
                    const LonLat back = Inverse(*p, xy.x, xy.y);
                    EXPECT_EQ(back.lat, lat) << code << " " << lon << " " << origin.y;
                    if (line) {
                        EXPECT_NEAR(std::remainder(back.lon - lon, 360), 0, 1e-9)
                            << code << " " << lat << " " << origin.y;
                    }
                }
            // The pole taken for arguments within rounding of 1 leaves the points next to it alone.
            EXPECT_LT(RoundTrip(*p, Grid(-179, 179, 89.99, 89.999, 4)), 1e-3) << code;
            EXPECT_LT(RoundTrip(*p, Grid(-179, 179, -89.999, -89.99, 4)), 1e-3) << code;
        }
    }
}

TEST(GisProjWorld, MollweideSolvesItsAuxiliaryAngleToRounding) {
    // d - sin d = pi (1 - sin |phi|), d = pi - |theta'|, solved afresh in long double by bisection, against
    // the forward from the equator to a hair from the poles, on both hemispheres and far from the meridian;
    // then the inverse of each result back to its latitude and longitude.
    auto mol = Fresh("MOL");
    SetUpOrigin(*mol, -20, 0, 1000, -2000);
    const long double R = GisAuthalicRadius(mol->SemiMajor, mol->Eccentricity2);
    const long double pi = 3.14159265358979323846264338327950288L;
    auto dMinusSin = [](long double d) {
        if (d > 0.5L) return d - std::sin(d);
        long double term = d * d * d / 6, sum = 0;
        for (int n = 2; n < 16; ++n) {
            sum += term;
            term *= -d * d / ((2 * n) * (2 * n + 1));
        }
        return sum;
    };
    std::vector<double> lats;
    for (int i = 0; i <= 900; ++i) lats.push_back(i * 0.1);
    for (double gap : {1e-2, 1e-4, 1e-6, 1e-8, 1e-10, 1e-12}) lats.push_back(90 - gap);
    for (double lat : lats)
        for (double sign : {1.0, -1.0}) {
            // 90 degrees in radians rounds to the pole itself.
            const long double colatitude = lat == 90 ? 0 : (pi / 2 - lat * kDeg) / 2, s = std::sin(colatitude);
            const long double k = pi * 2 * s * s;
            long double lo = 0, hi = pi;
            for (int round = 0; round < 120; ++round) {
                const long double mid = (lo + hi) / 2;
                (dMinusSin(mid) < k ? lo : hi) = mid;
            }
            const long double half = (lo + hi) / 4;
            const double lon = 155;
            const double x = static_cast<double>(1000 + std::sqrt(8.0L) / pi * R * (lon - -20) * kDeg * std::sin(half));
            const double y = static_cast<double>(-2000 + sign * std::sqrt(2.0L) * R * std::cos(half));
            XY xy = Forward(*mol, lon, sign * lat);
            EXPECT_NEAR(xy.x, x, 1e-6) << lat;
            EXPECT_NEAR(xy.y, y, 1e-6) << sign * lat;
            LonLat back = Inverse(*mol, xy.x, xy.y);
            // Next to the poles the latitude is the arcsine of a number within rounding of 1.
            EXPECT_NEAR(back.lat, sign * lat, lat < 89.99 ? 1e-9 : 2e-6) << sign * lat;
            // Within about 1e-8 radians of a pole the inverse takes the pole and the central meridian.
            if (lat < 89.9999) {
                EXPECT_NEAR(back.lon, lon, 1e-9 / std::cos(lat * kDeg)) << sign * lat;
            }
        }
}

TEST(GisProjWorld, EquatorAndCentralMeridianCases) {
    auto gri = Fresh("GRI");
    SetUpOrigin(*gri, -30, 0, 50, 60);
    const double R = static_cast<double>(GisAuthalicRadius(gri->SemiMajor, gri->Eccentricity2));
    XY eq = Forward(*gri, 60, 0);
    EXPECT_EQ(eq.y, 60);
    EXPECT_NEAR(eq.x, 50 + R * kPi / 2, 1e-6);
    // The inverse of a point on the equator (y = 0) is the equator, lambda0 + pi x.
    LonLat back = Inverse(*gri, eq.x, eq.y);
    EXPECT_NEAR(back.lon, 60, 1e-9);
    EXPECT_EQ(back.lat, 0);
    EXPECT_NEAR(Inverse(*gri, 50, 60 + R).lon, -30, 1e-12);
    LonLat nearEquator = Inverse(*gri, 50, 60 + 1e-200);
    EXPECT_EQ(nearEquator.lat, 0);
    EXPECT_NEAR(nearEquator.lon, -30, 1e-12);
    // Just off the equator the root of the general case keeps its digits.
    // A meridian a hair's breadth from the central one.
    gri->SetUp(0, 1e-300, 0, 50, 60, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0);
    XY hair = Forward(*gri, 0, -0.01);
    EXPECT_NEAR(hair.x, 50, 1e-3);
    EXPECT_LT(hair.y, 60);
    SetUpOrigin(*gri, -30, 0, 50, 60);
    for (double lat : {1e-7, 1e-12, 1e-18, 1e-25}) {
        XY off = Forward(*gri, 60, lat);
        EXPECT_NEAR(off.x, eq.x, 1e-3) << lat;
        if (lat > 1e-13) {
            EXPECT_GT(off.y, 60) << lat;
        }
        EXPECT_NEAR(off.y, 60, 2 * R * lat * kDeg) << lat;
    }

    auto rob = Fresh("ROB");
    SetUpOrigin(*rob, 0, 0, 7, 8);
    XY r = Forward(*rob, 90, 0);
    EXPECT_EQ(r.y, 8);
    EXPECT_NEAR(r.x, 7 + 0.9858 * static_cast<double>(rob->SemiMajor) * kPi / 2, 1e-6);
}

TEST(GisProjWorld, EveryMemberEndsOnExtremeAndHostileInput) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    for (const char* code : {"ROB", "MOL", "EC4", "EC6", "WA4", "WA7", "SIN", "GRI"}) {
        auto p = Fresh(code);
        SetUpOrigin(*p, 7, 0, -1e5, 1e5);
        for (double lon : {-1e300, -kPi, 0.0, kPi, 2 * kPi, 1e300})
            for (double lat : {-1e300, -kPi / 2, -1e-300, 0.0, kPi / 2, 1e300}) {
                TGIS_Point3D out;
                p->Project(TGIS_Point3D(lon, lat, 3), out);
                EXPECT_TRUE(std::isfinite(out.X) && std::isfinite(out.Y)) << code << " " << lon << " " << lat;
                EXPECT_EQ(out.Z, 3);
            }
        for (double x : {-1e300, -1e7, 0.0, 3e7, 1e300})
            for (double y : {-1e300, -1e7, 0.0, 3e7, 1e300}) {
                TGIS_Point3D out;
                p->Unproject(TGIS_Point3D(x, y, 0), out);
                EXPECT_TRUE(std::fabs(out.X) <= kPi && std::fabs(out.Y) <= kPi / 2) << code << " " << x << " " << y;
            }
        TGIS_Point3D out;
        EXPECT_THROW(p->Project(TGIS_Point3D(nan, 0, 0), out), EGIS_Exception) << code;
        EXPECT_THROW(p->Project(TGIS_Point3D(0, inf, 0), out), EGIS_Exception) << code;
        EXPECT_THROW(p->Unproject(TGIS_Point3D(0, nan, 0), out), EGIS_Exception) << code;
    }
}

TEST(GisProjWorld, ConfigurationRoundTripProjectsAlike) {
    for (const char* code : {"ROB", "MOL", "EC4", "EC6", "WA4", "WA7", "SIN", "GRI"}) {
        auto p = Fresh(code);
        p->SetDatum(GisDatumList().FindByCode("NAS-C"));
        SetUpOrigin(*p, 200, 0, 123456.789, -987654.321);
        TGIS_Ini ini(nullptr, "");
        GisProjectionList().WriteToConfig(ini, p.get());
        auto q = GisProjectionList().ReadFromConfig(ini);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->Code(), code);
        XY a = Forward(*p, -75, 38), b = Forward(*q, -75, 38);
        EXPECT_NEAR(a.x, b.x, 1e-6) << code;
        EXPECT_NEAR(a.y, b.y, 1e-6) << code;
    }
}
