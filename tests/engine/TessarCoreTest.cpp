#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/unTessarRgPub.h"
#include "platform/rtl/SysUtils.h"

namespace {

TDmsAngle A(double d, double m = 0, double s = 0) { return {d, m, s}; }

void ExpectDms(const TDmsAngle& a, double d, double m, double s, double tol = 1e-9) {
    EXPECT_EQ(a.Degrees, d);
    EXPECT_EQ(a.Minutes, m);
    EXPECT_NEAR(a.Seconds, s, tol);
}

TEST(Angles, DegreeToDmsCarries) {
    ExpectDms(DegreeToDms(116.5), 116, 30, 0);
    ExpectDms(DegreeToDms(39.9), 39, 54, 0);
    ExpectDms(DegreeToDms(0.9999999), 1, 0, 0);
    TDmsAngle a = DegreeToDms(39.99999);
    ExpectDms(a, 39, 59, 59.964, 1e-6);
    EXPECT_DOUBLE_EQ(DmsToDegree(A(39, 54)), 39.9);
    EXPECT_EQ(DmsToSeconds(A(1, 52, 30)), 6750);
    ExpectDms(SecondsToDms(6750), 1, 52, 30);
    ExpectDms(SecondsToDms(3599.9999), 0, 59, 59.9999, 1e-9);
    // Unnormalised parts are taken as their value.
    EXPECT_EQ(DmsToSeconds(A(39, 75)), 39 * 3600 + 75 * 60);
    EXPECT_DOUBLE_EQ(DegToRad(180), 3.141592653589793);
}

TEST(Zones, MeridiansAndBoundaries) {
    EXPECT_EQ(GetCentralMeridian(false, 116.5), 117);
    EXPECT_EQ(GetCentralMeridian(false, 120), 123);
    EXPECT_EQ(GetCentralMeridian(false, 119.99), 117);
    EXPECT_EQ(GetCentralMeridian(true, 116.5), 117);
    EXPECT_EQ(GetCentralMeridian(true, 118.5), 120);
    EXPECT_EQ(GetCentralMeridian(true, 118.49), 117);
    EXPECT_EQ(GetLongitudeDiff(116.5, 117), -0.5);
}

TEST(Zones, NationalPrefixes) {
    EXPECT_EQ(GetFalseEasting(false, 117), 20500000);
    EXPECT_EQ(GetZoneNumber(false, 117), 20);
    EXPECT_EQ(GetFalseEasting(true, 117), 39500000);
    EXPECT_EQ(GetZoneNumber(true, 117), 39);
    EXPECT_EQ(GetFalseEasting(false, 0), 500000);
    EXPECT_EQ(GetFalseEasting(true, 0), 500000);
    // A meridian off the 3-degree grid: forward and inverse agree on the zone that holds it.
    EXPECT_EQ(GetZoneNumber(true, 119), 40);
    EXPECT_EQ(GetFalseEasting(true, 119), 40500000);
    // For every meridian the zones produce, the inverse prefix matches the forward false easting.
    for (double L = 72; L <= 136; L += 0.25) {
        for (bool z3 : {true, false}) {
            double cm = GetCentralMeridian(z3, L);
            EXPECT_EQ(GetZoneNumber(z3, cm) * 1000000 + 500000, GetFalseEasting(z3, cm));
        }
    }
    EXPECT_EQ(GetZoneNumber(false, 123), 21);
    EXPECT_EQ(GetZoneNumber(false, 75), 13);
}

TEST(GaussKruger, ForwardKnownPoints) {
    TPlanePoint p = BLToXY54(A(116, 30), A(39, 54), false, 117);
    EXPECT_NEAR(p.X, 20457240.040, 0.0005);
    EXPECT_NEAR(p.Y, 4418623.490, 0.0005);
    p = BLToXY80(A(116, 30), A(39, 54), false, 117);
    EXPECT_NEAR(p.X, 20457240.736, 0.0005);
    EXPECT_NEAR(p.Y, 4418547.403, 0.0005);
    p = BLToXY54(A(116, 30), A(39, 54), true, 117);
    EXPECT_NEAR(p.X, 39457240.040, 0.0005);
    p = BLToXY54(A(116, 30), A(39, 54), false, 0);
    EXPECT_NEAR(p.X, 457240.040, 0.0005);
    EXPECT_NEAR(p.Y, 4418623.490, 0.0005);
    p = BLToXY54(A(114), A(40), false, 117);
    EXPECT_NEAR(p.X, 20243793.584, 0.0005);
    EXPECT_NEAR(p.Y, 4433921.004, 0.0005);
    // On the central meridian the easting is exactly the false easting.
    EXPECT_EQ(BLToXY80(A(117), A(30, 12, 7.5), false, 117).X, 20500000);
    // West of the meridian the easting falls below the false easting.
    EXPECT_LT(BLToXY54(A(116), A(30), false, 117).X, 20500000);
}

TEST(GaussKruger, DeriveModeProjectsBoundaryPointsInTheZoneEast) {
    TPlanePoint east = BLToXY54(A(120), A(38), false, 0);
    TPlanePoint asEast = BLToXY54(A(120), A(38), false, 123);
    EXPECT_NEAR(east.X, asEast.X - 21000000, 1e-6);
    EXPECT_DOUBLE_EQ(east.Y, asEast.Y);
    EXPECT_LT(east.X, 500000);
}

TEST(GaussKruger, InverseKnownPoints) {
    TDmsAngle L, B;
    XYToBL80(4418547.403, 20457240.736, false, 117, L, B);
    ExpectDms(L, 116, 30, 0, 1e-4);
    ExpectDms(B, 39, 54, 0, 1e-4);
    XYToBL54(4418623.490, 20457240.040, false, 117, L, B);
    EXPECT_EQ(L.Degrees, 116);
    EXPECT_EQ(L.Minutes, 30);
    EXPECT_NEAR(L.Seconds, 0, 0.001);
    EXPECT_EQ(B.Degrees, 39);
    EXPECT_EQ(B.Minutes, 54);
    EXPECT_NEAR(B.Seconds, 0, 1e-4);
}

double Closure(bool beijing, double lonDeg, double latDeg, bool zone3, double cm) {
    TDmsAngle L = DegreeToDms(lonDeg), B = DegreeToDms(latDeg), L2, B2;
    TPlanePoint p = beijing ? BLToXY54(L, B, zone3, cm) : BLToXY80(L, B, zone3, cm);
    if (beijing) XYToBL54(p.Y, p.X, zone3, cm, L2, B2);
    else XYToBL80(p.Y, p.X, zone3, cm, L2, B2);
    double dL = (DmsToDegree(L2) - lonDeg) * 3600, dB = (DmsToDegree(B2) - latDeg) * 3600;
    return std::fmax(std::fabs(dL), std::fabs(dB));
}

TEST(GaussKruger, InverseClosesOnForwardForBothDatums) {
    for (bool beijing : {true, false}) {
        const double tol = 0.0001;
        for (double lat = 25; lat <= 54; lat += 1.5)
            for (double dl = -3.5; dl <= 3.5; dl += 0.875) {
                EXPECT_LT(Closure(beijing, 111 + dl, lat, false, 111), tol) << beijing << " " << lat << " " << dl;
                EXPECT_LT(Closure(beijing, 120 + dl / 2, lat, true, 120), tol) << beijing << " " << lat << " " << dl;
            }
    }
}

// Far from the middle latitudes the footpoint polynomials start further off, and Newton's method needs
// more than its one short step.
TEST(GaussKruger, InverseClosesFromTheEquatorToThePole) {
    for (bool beijing : {true, false})
        for (double lat : {0.5, 2.0, 10.0, 62.0, 75.0, 84.0, 87.5})
            for (double dl : {-3.0, -0.4, 0.0, 1.3, 3.0})
                EXPECT_LT(Closure(beijing, 117 + dl, lat, false, 117), 0.0001) << beijing << " " << lat << " " << dl;
}

// Compares the forward series with PROJ's transverse Mercator on the same ellipsoid.
TEST(GaussKruger, AgreesWithProj) {
    if (std::system("command -v cs2cs >/dev/null 2>&1") != 0) GTEST_SKIP() << "cs2cs (proj-bin) is not installed: PROJ comparison skipped";
    struct Datum {
        bool beijing;
        const char* ellps;
    };
    for (Datum d : {Datum{true, "+a=6378245 +rf=298.3"}, Datum{false, "+a=6378140 +rf=298.257"}}) {
        for (double cm : {75.0, 105.0, 117.0}) {
            std::string in = std::string(QM_TEST_OUT) + "/cs2cs_in.txt";
            FILE* f = std::fopen(in.c_str(), "w");
            ASSERT_TRUE(f);
            std::vector<std::pair<double, double>> pts;
            for (double lat = 18; lat <= 54; lat += 4.5)
                for (double dl = -3.5; dl <= 3.5; dl += 1.75) {
                    pts.push_back({cm + dl, lat});
                    std::fprintf(f, "%.12f %.12f\n", cm + dl, lat);
                }
            std::fclose(f);
            double fe = GetFalseEasting(false, cm);
            char cmd[512];
            std::snprintf(cmd, sizeof cmd,
                          "cs2cs -f %%.4f +proj=longlat %s +no_defs +to +proj=tmerc +lat_0=0 +lon_0=%g +k=1 "
                          "+x_0=%.0f +y_0=0 %s +no_defs < %s",
                          d.ellps, cm, fe, d.ellps, in.c_str());
            FILE* p = popen(cmd, "r");
            ASSERT_TRUE(p);
            for (auto [lon, lat] : pts) {
                double x, y, z;
                ASSERT_EQ(std::fscanf(p, "%lf %lf %lf", &x, &y, &z), 3);
                TPlanePoint g = d.beijing ? BLToXY54(DegreeToDms(lon), DegreeToDms(lat), false, cm)
                                          : BLToXY80(DegreeToDms(lon), DegreeToDms(lat), false, cm);
                EXPECT_NEAR(g.X, x, 0.002) << lon << " " << lat;
                EXPECT_NEAR(g.Y, y, 0.002) << lon << " " << lat;
            }
            pclose(p);
        }
    }
}

}  // namespace
