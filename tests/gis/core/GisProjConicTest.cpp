#include "gis/core/GisProjConic.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/gis/core/ProjTestUtil.h"

using namespace projtest;

namespace {

TEST(GisProjConic, RegistryHoldsTheConicAndCylindricalMembers) {
    struct Member {
        const char* code;
        const char* description;
        TGIS_ProjectionParameters used;
    };
    for (const Member& m : {Member{"ALB", "Albers Equal Area Conic", 0x3F}, Member{"MER", "Mercator", 0x0F},
                            Member{"BON", "Bonne", 0x0F}, Member{"CAS", "Cassini", 0x0F},
                            Member{"CEA", "Cylindrical Equal Area", 0x0F},
                            Member{"TCE", "Transverse Cylindrical Equal Area", 0x8F},
                            Member{"EQC", "Equidistant Cylindrical", 0x0F}, Member{"MIL", "Miller Cylindrical", 0x0D},
                            Member{"LAM", "Lambert Conformal Conic", 0x3F}, Member{"PLC", "Polyconic", 0x0F}}) {
        TGIS_ProjectionAbstract* p = GisProjectionList().FindByCode(m.code);
        ASSERT_NE(p, nullptr) << m.code;
        EXPECT_EQ(p->Description(), m.description);
        EXPECT_EQ(p->ParametersUsed(), m.used) << m.code;
        EXPECT_EQ(p->NewInstance()->Code(), m.code);
    }
}

TEST(GisProjConic, AlbersMatchesProjOnBothHemispheres) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionAlbers p;
    SetUpMember(p, 105 * kDeg, 20 * kDeg, 1000000, -500000, 25 * kDeg, 47 * kDeg);
    ExpectMatchesProj(p, "+proj=aea +lat_1=25 +lat_2=47 +lat_0=20 +lon_0=105 +x_0=1000000 +y_0=-500000 +ellps=WGS84",
                      StepGrid(70, 140, 5, -10, 85, 5), 0.001, 0.001);
    // A cone opening to the north (n < 0).
    SetUpMember(p, -60 * kDeg, -30 * kDeg, 0, 0, -20 * kDeg, -40 * kDeg);
    ExpectMatchesProj(p, "+proj=aea +lat_1=-20 +lat_2=-40 +lat_0=-30 +lon_0=-60 +ellps=WGS84",
                      StepGrid(-100, -20, 10, -85, 10, 5), 0.001, 0.001);
}

TEST(GisProjConic, AlbersRefusesAFlatConeAndFindsThePoleBeyondIt) {
    TGIS_ProjectionAlbers p;
    try {
        SetUpMember(p, 0, 0, 0, 0, 30 * kDeg, -30 * kDeg);
        FAIL() << "no 0235";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 235);
    }
    SetUpMember(p, 0, 45 * kDeg, 0, 0, 40 * kDeg, 50 * kDeg);
    TGIS_Point3D pole, ll;
    p.Project(TGIS_Point3D(0.3, kPi / 2, 0), pole);
    p.Unproject(pole, ll);
    EXPECT_DOUBLE_EQ(ll.Y, kPi / 2);
    // Past the pole (inside the bounds) there is no latitude: the pole is the nearest.
    p.Unproject(TGIS_Point3D(0, pole.Y + 200000, 0), ll);
    EXPECT_DOUBLE_EQ(ll.Y, kPi / 2);
    EXPECT_TRUE(std::isfinite(ll.X));
}

TEST(GisProjConic, ConesOnASphere) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionAlbers alb;
    alb.SetDatum(TestSphereDatum());
    SetUpMember(alb, 105 * kDeg, 20 * kDeg, 0, 0, 25 * kDeg, 47 * kDeg);
    ExpectMatchesProj(alb, "+proj=aea +lat_1=25 +lat_2=47 +lat_0=20 +lon_0=105 +R=6378137", StepGrid(70, 140, 10, -10, 85, 5),
                      0.001, 0.001);
    TGIS_ProjectionLambert lam;
    lam.SetDatum(TestSphereDatum());
    SetUpMember(lam, 105 * kDeg, 20 * kDeg, 0, 0, 25 * kDeg, 47 * kDeg);
    ExpectMatchesProj(lam, "+proj=lcc +lat_1=25 +lat_2=47 +lat_0=20 +lon_0=105 +R=6378137", StepGrid(70, 140, 10, -10, 85, 5),
                      0.001, 0.001);
}

TEST(GisProjConic, LambertMatchesProjOnBothHemispheresAndWithOneParallel) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionLambert p;
    SetUpMember(p, 105 * kDeg, 0, 500000, 100000, 25 * kDeg, 47 * kDeg);
    ExpectMatchesProj(p, "+proj=lcc +lat_1=25 +lat_2=47 +lat_0=0 +lon_0=105 +x_0=500000 +y_0=100000 +ellps=WGS84",
                      StepGrid(60, 150, 5, -60, 89, 7), 0.001, 0.001);
    SetUpMember(p, 20 * kDeg, -50 * kDeg, 0, 0, -35 * kDeg, -65 * kDeg);
    ExpectMatchesProj(p, "+proj=lcc +lat_1=-35 +lat_2=-65 +lat_0=-50 +lon_0=20 +ellps=WGS84",
                      StepGrid(-60, 100, 10, -89, 30, 7), 0.001, 0.001);
    // One standard parallel: n = sin φ1.
    SetUpMember(p, 0, 20 * kDeg, 0, 0, 30 * kDeg, 30 * kDeg);
    EXPECT_NEAR(static_cast<double>(p.N), std::sin(30 * kDeg), 1e-15);
    ExpectMatchesProj(p, "+proj=lcc +lat_1=30 +lat_2=30 +lat_0=20 +lon_0=0 +ellps=WGS84", StepGrid(-40, 40, 10, 0, 80, 10),
                      0.001, 0.001);
}

TEST(GisProjConic, LambertEdges) {
    TGIS_ProjectionLambert p;
    SetUpMember(p, 0, 40 * kDeg, 0, 0, 90 * kDeg, 30 * kDeg);
    EXPECT_EQ(p.StandardParallel_1, 1.55334303427495);
    EXPECT_EQ(p.Warning, GIS_RS_WARN_STANDARDPARALLEL1);

    // The apex comes back as the pole, at the meridian.
    SetUpMember(p, 10 * kDeg, 40 * kDeg, 1000, 2000, 30 * kDeg, 50 * kDeg);
    TGIS_Point3D apex, ll;
    p.Project(TGIS_Point3D(1, kPi / 2, 0), apex);
    EXPECT_NEAR(apex.X, 1000, 1e-6);
    p.Unproject(apex, ll);
    EXPECT_EQ(ll.Y, kPi / 2);
    EXPECT_EQ(ll.X, 10 * kDeg);

    // The opposite pole lies at infinity: held 1e-10 rad short of it, written, and warned about.
    p.Warning.clear();
    TGIS_Point3D far(-1, -1, -1), nearly;
    p.Project(TGIS_Point3D(0.2, -kPi / 2, 5), far);
    EXPECT_EQ(p.Warning, GIS_RS_WARN_LATITUDE);
    p.Project(TGIS_Point3D(0.2, -kPi / 2 + 1e-10, 5), nearly);
    EXPECT_EQ(far.X, nearly.X);
    EXPECT_EQ(far.Y, nearly.Y);
    EXPECT_EQ(far.Z, 5);

    // Parallels symmetric about the equator make no cone, nor does an origin at the pole at infinity.
    for (double sp : {30.0, 0.0}) {
        TGIS_ProjectionLambert q;
        EXPECT_THROW(SetUpMember(q, 0, 0, 0, 0, sp * kDeg, -sp * kDeg), EGIS_Exception) << sp;
        // The earlier constants stay in force.
        q.Project(TGIS_Point3D(0, 45 * kDeg, 0), ll);
        EXPECT_TRUE(std::isfinite(ll.Y));
    }
    EXPECT_THROW(SetUpMember(p, 0, -kPi / 2, 0, 0, 30 * kDeg, 50 * kDeg), EGIS_Exception);
    // A cone all but flat is a cylinder whose radii overflow.
    EXPECT_THROW(SetUpMember(p, 0, 0, 0, 0, 1e-300, 1e-300), EGIS_Exception);
    TGIS_ProjectionAlbers alb;
    EXPECT_THROW(SetUpMember(alb, 0, 0, 0, 0, 1e-300, 1e-300), EGIS_Exception);
}

TEST(GisProjConic, BonneMatchesProjAndIsSinusoidalAtTheEquator) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionBonne p;
    SetUpMember(p, 105 * kDeg, 45 * kDeg, 300000, 200000);
    ExpectMatchesProj(p, "+proj=bonne +lat_1=45 +lon_0=105 +x_0=300000 +y_0=200000 +ellps=WGS84",
                      StepGrid(-60, 170, 10, -80, 85, 5), 0.002, 0.005);
    SetUpMember(p, 0, -30 * kDeg);
    ExpectMatchesProj(p, "+proj=bonne +lat_1=-30 +ellps=WGS84", StepGrid(-150, 150, 20, -85, 80, 5), 0.002, 0.005);
    // PROJ has no Bonne at the equator; its limit is the sinusoidal projection.
    SetUpMember(p, 30 * kDeg, 0, 100000, 50000);
    ExpectMatchesProj(p, "+proj=sinu +lon_0=30 +x_0=100000 +y_0=50000 +ellps=WGS84", StepGrid(-140, 200, 20, -85, 85, 5),
                      0.002, 0.005);
}

TEST(GisProjConic, BonneApexAndRoundTripAtTheEquator) {
    TGIS_ProjectionBonne p;
    SetUpMember(p, 0, 0, 100, 200);
    TGIS_Point3D xy, ll;
    p.Project(TGIS_Point3D(0.4, 30 * kDeg, 0), xy);
    p.Unproject(xy, ll);
    EXPECT_NEAR(ll.X, 0.4, 1e-10);
    EXPECT_NEAR(ll.Y, 30 * kDeg, 1e-10);

    // So near the equator that the cone's radius overflows: still the sinusoidal projection.
    SetUpMember(p, 0, 5e-324, 100, 200);
    TGIS_Point3D flat;
    p.Project(TGIS_Point3D(0.4, 30 * kDeg, 0), flat);
    EXPECT_EQ(flat.X, xy.X);
    EXPECT_EQ(flat.Y, xy.Y);
    // A radius that still fits a double but overflows its sums (found by the fuzzer) opens flat too.
    SetUpMember(p, 0, 4.7088987760359594e-302, 100, 200);
    p.Project(TGIS_Point3D(0.4, 30 * kDeg, 0), flat);
    EXPECT_EQ(flat.X, xy.X);
    EXPECT_EQ(flat.Y, xy.Y);

    // At the apex (the standard parallel at the pole) every longitude is the false origin.
    SetUpMember(p, 0, kPi / 2, 100, 200);
    for (double lon : {-3.0, 0.0, 1.0}) {
        p.Project(TGIS_Point3D(lon, kPi / 2, 0), xy);
        EXPECT_EQ(xy.X, 100);
        EXPECT_EQ(xy.Y, 200);
    }
    p.Unproject(TGIS_Point3D(100, 200, 0), ll);
    EXPECT_NEAR(ll.Y, kPi / 2, 1e-9);
    EXPECT_EQ(ll.X, 0);
}

TEST(GisProjConic, PolyconicMatchesProj) {
    SKIP_WITHOUT_PROJ();
    TGIS_ProjectionPolyconic p;
    SetUpMember(p, 105 * kDeg, 30 * kDeg, 500000, 0);
    ExpectMatchesProj(p, "+proj=poly +lat_0=30 +lon_0=105 +x_0=500000 +ellps=WGS84", StepGrid(75, 135, 5, -60, 80, 5),
                      0.002, 0.005);
    SetUpMember(p, -100 * kDeg, 0);
    ExpectMatchesProj(p, "+proj=poly +lon_0=-100 +ellps=WGS84", StepGrid(-130, -70, 10, -80, 80, 10), 0.002, 0.005);
}

TEST(GisProjConic, PolyconicOriginAndBoxFromTheFalseOrigin) {
    TGIS_ProjectionPolyconic p;
    SetUpMember(p, 1.5, 0, 1000, -2000);
    TGIS_Point3D ll;
    p.Unproject(TGIS_Point3D(1000, -2000, 7), ll);
    EXPECT_EQ(ll.X, 1.5);
    EXPECT_EQ(ll.Y, 0);
    EXPECT_EQ(ll.Z, 7);
    // An eastern meridian does not shift the box: the equator 170° east is inside it.
    const double a = static_cast<double>(p.SemiMajor);
    p.Warning.clear();
    p.Unproject(TGIS_Point3D(1000 + a * 170 * kDeg, -2000, 0), ll);
    EXPECT_EQ(p.Warning, "");
    EXPECT_NEAR(ll.X, std::remainder(1.5 + 170 * kDeg, 2 * kPi), 1e-12);
    // Nor does the false northing count twice.
    SetUpMember(p, 0, 30 * kDeg, 0, 5e6);
    const TGIS_Extent box = p.Box;
    SetUpMember(p, 2, 30 * kDeg, 0, 0);
    EXPECT_EQ(box.YMax, p.Box.YMax);
    EXPECT_EQ(box.XMin, p.Box.XMin);
    EXPECT_LT(p.Box.YMin, -p.M0 - 1e7);
}

}  // namespace
