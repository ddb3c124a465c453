#include "gis/core/GisProjCylindrical.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gis/core/GisIni.h"
#include "tests/gis/core/ProjTestUtil.h"

using namespace projtest;

namespace {

TEST(GisProjCylindrical, MercatorMatchesProj) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionMercator p;
    SetUpMember(p, 100 * kDeg, 30 * kDeg, 3900000, -100000);
    ExpectMatchesProj(p, "+proj=merc +lat_ts=30 +lon_0=100 +x_0=3900000 +y_0=-100000 +ellps=WGS84",
                      StepGrid(-80, 280, 20, -89, 89, 4), 0.001, 0.001);
}

TEST(GisProjCylindrical, MercatorScaleLatitudeLimitAndBounds) {
    TGIS_ProjectionMercator p;
    SetUpMember(p, 0, 60 * kDeg);
    const double e2 = static_cast<double>(p.Eccentricity2);
    EXPECT_NEAR(p.ScaleFactor, std::cos(60 * kDeg) / std::sqrt(1 - e2 * std::pow(std::sin(60 * kDeg), 2)), 1e-15);

    TGIS_Point3D top, limit;
    p.Warning.clear();
    p.Project(TGIS_Point3D(0.1, kPi / 2, 0), top);
    EXPECT_EQ(p.Warning, GIS_RS_WARN_LATITUDE);
    p.Project(TGIS_Point3D(0.1, 89.75 * kDeg, 0), limit);
    EXPECT_NEAR(top.Y, limit.Y, 1e-6);

    // An eastern meridian and a false easting keep the whole world: 170° from the meridian on both sides.
    SetUpMember(p, 100 * kDeg, 0, 3900000, 0);
    const double a = static_cast<double>(p.SemiMajor);
    for (double dl : {-170.0, 170.0}) {
        TGIS_Point3D ll;
        p.Warning.clear();
        p.Unproject(TGIS_Point3D(3900000 + a * dl * kDeg, 0, 0), ll);
        EXPECT_EQ(p.Warning, "") << dl;
        EXPECT_NEAR(ll.X, std::remainder((100 + dl) * kDeg, 2 * kPi), 1e-12) << dl;
    }
    EXPECT_NEAR(p.EastingBound, 1.01 * a * kPi, 1e-6);
}

TEST(GisProjCylindrical, CassiniMatchesProjNearTheMeridian) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionCassini p;
    SetUpMember(p, 105 * kDeg, 30 * kDeg, 40000, 60000);
    const std::string def = "+proj=cass +lat_0=30 +lon_0=105 +x_0=40000 +y_0=60000 +ellps=WGS84";
    ExpectMatchesProj(p, def, StepGrid(103, 107, 0.5, -70, 80, 5), 0.002, 0.005);
    ExpectMatchesProj(p, def, StepGrid(101, 109, 1, -70, 80, 5), 0.002, 0.10);
}

TEST(GisProjCylindrical, CassiniWarnsFarFromTheMeridian) {
    TGIS_ProjectionCassini p;
    SetUpMember(p, 0, 0);
    TGIS_Point3D xy, ll;
    p.Project(TGIS_Point3D(5 * kDeg, 10 * kDeg, 0), xy);
    p.Warning.clear();
    p.Unproject(xy, ll);
    EXPECT_EQ(p.Warning, GIS_RS_WARN_LONGITUDE);
    p.Unproject(TGIS_Point3D(0, 1e8, 0), ll);  // held by the box
    EXPECT_TRUE(std::isfinite(ll.X) && std::isfinite(ll.Y));
}

TEST(GisProjCylindrical, CylindricalEqualAreaMatchesProjAndHoldsThePole) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionCEA p;
    SetUpMember(p, -30 * kDeg, 30 * kDeg, 1000, 2000);
    ExpectMatchesProj(p, "+proj=cea +lat_ts=30 +lon_0=-30 +x_0=1000 +y_0=2000 +ellps=WGS84",
                      StepGrid(-180, 140, 20, -85, 85, 5), 0.001, 0.002);
    // A northing past the pole (inside the bounds) holds the sine at 1.
    TGIS_Point3D ll;
    p.Unproject(TGIS_Point3D(1000, 2000 + p.NorthingBound * 0.999, 0), ll);
    EXPECT_NEAR(ll.Y, kPi / 2, 1e-12);
}

TEST(GisProjCylindrical, TransverseEqualAreaMatchesProjOnASphere) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionTCEA p;
    p.SetDatum(TestSphereDatum());
    SetUpMember(p, 100 * kDeg, 20 * kDeg, 500000, 100000, 0, 0, 0.9);
    ExpectMatchesProj(p, "+proj=tcea +lon_0=100 +lat_0=20 +x_0=500000 +y_0=100000 +k_0=0.9 +R=6378137",
                      StepGrid(20, 180, 10, -80, 80, 10), 0.001, 0.001);
}

// |det J| of Project over the ellipsoid's own area element a²(1 − e²)cos φ/(1 − e²sin²φ)².
double AreaScale(TGIS_ProjectionAbstract& p, double lon, double lat) {
    const double h = 1e-6;
    TGIS_Point3D e, w, n, s;
    p.Project(TGIS_Point3D(lon + h, lat, 0), e);
    p.Project(TGIS_Point3D(lon - h, lat, 0), w);
    p.Project(TGIS_Point3D(lon, lat + h, 0), n);
    p.Project(TGIS_Point3D(lon, lat - h, 0), s);
    const double det = ((e.X - w.X) * (n.Y - s.Y) - (n.X - s.X) * (e.Y - w.Y)) / (4 * h * h);
    const double a = static_cast<double>(p.SemiMajor), e2 = static_cast<double>(p.Eccentricity2);
    const double w2 = 1 - e2 * std::sin(lat) * std::sin(lat);
    return std::fabs(det) / (a * a * (1 - e2) * std::cos(lat) / (w2 * w2));
}

TEST(GisProjCylindrical, TransverseEqualAreaOnTheEllipsoidKeepsAreasAndComesBack) {
    TGIS_ProjectionTCEA p;
    SetUpMember(p, 10 * kDeg, 30 * kDeg, 200000, 0, 0, 0, 1.2);
    for (double lat = -80; lat <= 80; lat += 10)
        for (double dl = -60; dl <= 60; dl += 15) {
            SCOPED_TRACE(std::to_string(dl) + " " + std::to_string(lat));
            const double lon = (10 + dl) * kDeg, phi = lat * kDeg;
            EXPECT_NEAR(AreaScale(p, lon, phi), 1, 1e-6);
            TGIS_Point3D xy, ll;
            p.Project(TGIS_Point3D(lon, phi, 0), xy);
            p.Unproject(xy, ll);
            const double a = static_cast<double>(p.SemiMajor);
            EXPECT_LE(a * std::hypot(ll.Y - phi, (ll.X - lon) * std::cos(phi)), 0.005);
        }
    // The scale divides the eastings: never 0.
    SetUpMember(p, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(p.ScaleFactor, 0.3);
    EXPECT_EQ(p.Warning, GIS_RS_WARN_SCALEFACTOR);
}

TEST(GisProjCylindrical, TransverseEqualAreaIsContinuousAcrossItsPole) {
    // At 90° from the meridian the transverse latitude reaches its pole; the easting must not jump there.
    TGIS_ProjectionTCEA p;
    SetUpMember(p, 0, 0);
    TGIS_Point3D at, beside;
    p.Project(TGIS_Point3D(kPi / 2, 40 * kDeg, 0), at);
    p.Project(TGIS_Point3D(kPi / 2 - 1e-7, 40 * kDeg, 0), beside);
    EXPECT_NEAR(at.X, beside.X, 0.01);
    EXPECT_NEAR(at.Y, beside.Y, 1);
    TGIS_Point3D ll;
    p.Unproject(at, ll);
    EXPECT_NEAR(ll.X, kPi / 2, 1e-7);
    EXPECT_NEAR(ll.Y, 40 * kDeg, 1e-7);
    // The far side of the globe comes back too.
    p.Project(TGIS_Point3D(150 * kDeg, -20 * kDeg, 0), at);
    p.Unproject(at, ll);
    EXPECT_NEAR(ll.X, 150 * kDeg, 1e-8);
    EXPECT_NEAR(ll.Y, -20 * kDeg, 1e-8);
}

TEST(GisProjCylindrical, EquidistantAndMillerMatchProjOnTheAuthalicSphere) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionEQC eqc;
    SetUpMember(eqc, 20 * kDeg, 30 * kDeg, 100, 200);
    ExpectMatchesProj(eqc, "+proj=eqc +lat_ts=30 +lon_0=20 +x_0=100 +y_0=200 +R_A +ellps=WGS84",
                      StepGrid(-160, 200, 20, -90, 90, 10), 0.001, 0.001);
    TGIS_ProjectionMillerCyl mil;
    SetUpMember(mil, -20 * kDeg, 0, 100, 200);
    ExpectMatchesProj(mil, "+proj=mill +lon_0=-20 +x_0=100 +y_0=200 +R_A +ellps=WGS84",
                      StepGrid(-180, 160, 20, -90, 90, 10), 0.001, 0.001);
}

TEST(GisProjCylindrical, EquidistantAndMillerEdges) {
    TGIS_ProjectionEQC eqc;
    SetUpMember(eqc, 0, 0);
    TGIS_Point3D xy;
    eqc.Project(TGIS_Point3D(kPi / 4, kPi / 8, 0), xy);
    EXPECT_NEAR(xy.X / xy.Y, 2, 1e-15);  // plate carrée
    EXPECT_NEAR(static_cast<double>(eqc.R), 6371007.18, 0.01);
    TGIS_ProjectionMillerCyl mil;
    SetUpMember(mil, 0, 0.5, 0, 321);
    EXPECT_EQ(mil.OriginLatitude, 0);  // not a parameter of Miller's
    mil.Project(TGIS_Point3D(1, 0, 0), xy);
    EXPECT_EQ(xy.Y, 321);
}

// Every conic and cylindrical member through a configuration file: the same point, the same place.
TEST(GisProjCylindrical, EveryMemberSurvivesAConfigurationRoundTrip) {
    for (const char* code : {"ALB", "MER", "BON", "CAS", "CEA", "TCE", "EQC", "MIL", "LAM", "PLC"}) {
        SCOPED_TRACE(code);
        TGIS_ProjectionAbstract* member = GisProjectionList().FindByCode(code);
        ASSERT_NE(member, nullptr);
        std::unique_ptr<TGIS_ProjectionAbstract> p = member->NewInstance();
        p->SetDatum(GisDatumList().FindByCode("WGE"));
        p->SetUp(0, 1.2, 0.4, 12345.5, -678.25, 0.3, 0.6, 0.95, 0, 0, 0, 0, 0, 0, 0);
        TGIS_Ini ini(nullptr, "");
        GisProjectionList().WriteToConfig(ini, p.get());
        std::unique_ptr<TGIS_ProjectionAbstract> back = GisProjectionList().ReadFromConfig(ini);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Code(), code);
        TGIS_Point3D a, b;
        p->Project(TGIS_Point3D(1.25, 0.5, 0), a);
        back->Project(TGIS_Point3D(1.25, 0.5, 0), b);
        // Floats are stored with 15 significant digits.
        EXPECT_NEAR(a.X, b.X, 1e-6);
        EXPECT_NEAR(a.Y, b.Y, 1e-6);
    }
}

// Corners of the world and of the plane: finite answers, NaN refused.
TEST(GisProjCylindrical, EveryMemberAnswersAtTheEdges) {
    for (const char* code : {"ALB", "MER", "BON", "CAS", "CEA", "TCE", "EQC", "MIL", "LAM", "PLC"}) {
        SCOPED_TRACE(code);
        std::unique_ptr<TGIS_ProjectionAbstract> p = GisProjectionList().FindByCode(code)->NewInstance();
        for (double ol : {-kPi / 2, 0.0, 0.7}) {
            try {
                SetUpMember(*p, 3, ol, 1e5, -1e5, 0.2, 0.9, 1);
            } catch (const EGIS_Exception&) {
                continue;  // a cone that cannot be
            }
            for (double lon : {-kPi, -1.0, 0.0, 3.0, kPi, 2 * kPi, 100.0})
                for (double lat : {-kPi / 2, -1.0, 0.0, 1e-12, kPi / 2, 9.0}) {
                    TGIS_Point3D xy;
                    p->Project(TGIS_Point3D(lon, lat, 0), xy);
                    EXPECT_TRUE(std::isfinite(xy.X) && std::isfinite(xy.Y)) << ol << " " << lon << " " << lat;
                }
            for (double x : {-1e30, -1e6, 0.0, 1e5, 3e7})
                for (double y : {-1e30, -1e5, 0.0, 1e7, 1e30}) {
                    TGIS_Point3D ll;
                    p->Unproject(TGIS_Point3D(x, y, 0), ll);
                    EXPECT_TRUE(std::isfinite(ll.X) && std::isfinite(ll.Y)) << ol << " " << x << " " << y;
                    EXPECT_LE(std::fabs(ll.X), kPi);
                    EXPECT_LE(std::fabs(ll.Y), kPi / 2);
                }
            TGIS_Point3D out;
            EXPECT_THROW(p->Project(TGIS_Point3D(NAN, 0, 0), out), EGIS_Exception);
            EXPECT_THROW(p->Unproject(TGIS_Point3D(0, INFINITY, 0), out), EGIS_Exception);
        }
    }
}

}  // namespace
