#include "gis/core/GisProjAzimuthal.h"

#include "gis/core/GisIni.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "tests/gis/core/ProjTestUtil.h"

using namespace projtest;

namespace {

std::string Fmt(const char* format, double a, double b = 0, double c = 0, double d = 0, double e = 0, double f = 0) {
    char buf[256];
    std::snprintf(buf, sizeof buf, format, a, b, c, d, e, f);
    return buf;
}

void SetUpTwoPoint(TGIS_ProjectionAbstract& p, double olDeg, double fe, double fn, double k, double lon1, double lat1,
                   double lon2, double lat2) {
    p.SetUp(0, 0, olDeg * kDeg, fe, fn, 0, 0, k, 0, 0, 0, lon1 * kDeg, lat1 * kDeg, lon2 * kDeg, lat2 * kDeg);
}

// Points of the grid on the hemisphere centred at (lon0, lat0).
std::vector<LonLat> NearHemisphere(double lon0, double lat0) {
    std::vector<LonLat> out;
    for (LonLat g : Grid(lon0 - 85, lon0 + 85, -89, 89, 30)) {
        const double cosc = std::sin(lat0 * kDeg) * std::sin(g.lat * kDeg) +
                            std::cos(lat0 * kDeg) * std::cos(g.lat * kDeg) * std::cos((g.lon - lon0) * kDeg);
        if (cosc > 0.05) out.push_back(g);
    }
    return out;
}

}  // namespace

TEST(GisProjAzimuthal, MembersAreRegisteredWithTheirCodesAndParameters) {
    const struct {
        const char* code;
        const char* description;
        TGIS_ProjectionParameters used;
    } members[] = {{"ORT", "Orthographic", 0x000F},
                   {"POL", "Polar Stereographic", 0x000F},
                   {"HOT", "Hotine Olique Mercator Azimuth Center", 0x028F},
                   {"HT2", "Hotine Olique Mercator Two Point", 0x0C8F}};
    for (auto& m : members) {
        TGIS_ProjectionAbstract* p = GisProjectionList().FindByCode(m.code);
        ASSERT_NE(p, nullptr) << m.code;
        EXPECT_EQ(p->Description(), m.description);
        EXPECT_EQ(p->ParametersUsed(), m.used) << m.code;
    }
    EXPECT_NE(dynamic_cast<TGIS_ProjectionHotine*>(GisProjectionList().FindByCode("HT2")), nullptr);
    auto pol = Fresh("POL");
    EXPECT_EQ(pol->OriginLatitude, kPi / 2);
    EXPECT_EQ(pol->EastingBound, 12713601);
}

TEST(GisProjAzimuthal, OrthographicAgreesWithProjOnTheNearHemisphere) {
    SKIP_WITHOUT_PROJ();
    for (double lat0 : {40.0, -25.0, 90.0, -90.0}) {
        auto ort = Fresh("ORT");
        SetUpOrigin(*ort, 100, lat0, 1000, -2000);
        const std::string def = "+proj=ortho +R_A " + Ellipsoid(*ort) +
                                Fmt(" +lat_0=%.17g +lon_0=100 +x_0=1000 +y_0=-2000", lat0);
        const std::vector<LonLat> grid = NearHemisphere(100, lat0);
        EXPECT_LT(ForwardAgainstProj(*ort, def, grid), 1e-3) << lat0;
        EXPECT_LT(InverseAgainstProj(*ort, def, grid), 1e-3) << lat0;
    }
}

TEST(GisProjAzimuthal, OrthographicCentreAndBeyondTheDisc) {
    auto ort = Fresh("ORT");
    SetUpOrigin(*ort, -60, 30, 10, 20);
    XY c = Forward(*ort, -60, 30);
    EXPECT_NEAR(c.x, 10, 1e-9);
    EXPECT_NEAR(c.y, 20, 1e-9);
    LonLat back = Inverse(*ort, 10, 20);
    EXPECT_NEAR(back.lon, -60, 1e-12);
    EXPECT_NEAR(back.lat, 30, 1e-12);
    // Beyond the disc the sine argument is held at 1: the point lands on the rim, 90 degrees away.
    const double R = static_cast<double>(GisAuthalicRadius(ort->SemiMajor, ort->Eccentricity2));
    LonLat rim = Inverse(*ort, 10 + R * 1.005, 20);
    XY onRim = Forward(*ort, rim.lon, rim.lat);
    EXPECT_NEAR(onRim.x, 10 + R, 1e-3);
    EXPECT_NEAR(onRim.y, 20, 1e-3);
}

TEST(GisProjAzimuthal, PolarStereographicAgreesWithProjInBothHemispheres) {
    SKIP_WITHOUT_PROJ();
    for (double ts : {71.0, -71.0, 90.0, -90.0, 60.0})
        for (double cm : {0.0, 45.0, -120.0}) {
            auto pol = Fresh("POL");
            SetUpOrigin(*pol, cm, ts, 2000000, -1000000);
            const std::string def = "+proj=stere " + Ellipsoid(*pol) +
                                    Fmt(" +lat_0=%g +lat_ts=%g +lon_0=%g +x_0=2000000 +y_0=-1000000",
                                        ts > 0 ? 90.0 : -90.0, ts, cm);
            const double lat0 = ts > 0 ? 40 : -89.9, lat1 = ts > 0 ? 89.9 : -40;
            const std::vector<LonLat> grid = Grid(-180, 180, lat0, lat1, 24);
            EXPECT_LT(ForwardAgainstProj(*pol, def, grid), 1e-3) << ts << " " << cm;
            EXPECT_LT(InverseAgainstProj(*pol, def, grid), 1e-3) << ts << " " << cm;
        }
}

TEST(GisProjAzimuthal, SouthernPolarStereographicMirrorsTheNorthAndKeepsItsParameters) {
    auto north = Fresh("POL"), south = Fresh("POL");
    SetUpOrigin(*north, 30, 71, 0, 0);
    SetUpOrigin(*south, 30, -71, 0, 0);
    // The fields hold what was given, so a configuration round trip stays in the south.
    EXPECT_DOUBLE_EQ(south->OriginLatitude, -71 * kDeg);
    EXPECT_DOUBLE_EQ(south->CentralMeridian, 30 * kDeg);
    XY n = Forward(*north, 30 + 25, 75), s = Forward(*south, 30 + 25, -75);
    EXPECT_NEAR(s.x, n.x, 1e-6);
    EXPECT_NEAR(s.y, -n.y, 1e-6);
    for (const char* which : {"north", "south"}) {
        TGIS_ProjectionAbstract& p = which[0] == 'n' ? *north : *south;
        TGIS_Ini ini(nullptr, "");
        GisProjectionList().WriteToConfig(ini, &p);
        auto q = GisProjectionList().ReadFromConfig(ini);
        ASSERT_NE(q, nullptr);
        const double lat = which[0] == 'n' ? 80 : -80;
        XY a = Forward(p, -100, lat), b = Forward(*q, -100, lat);
        EXPECT_NEAR(a.x, b.x, 1e-6) << which;
        EXPECT_NEAR(a.y, b.y, 1e-6) << which;
    }
    // The pole is the false origin and comes back with the central meridian.
    LonLat pole = Inverse(*south, 0, 0);
    EXPECT_EQ(pole.lat, -90);
    EXPECT_NEAR(pole.lon, 30, 1e-12);
}

TEST(GisProjAzimuthal, HotineAgreesWithProjsObliqueMercator) {
    SKIP_WITHOUT_PROJ();
    const struct {
        double lat0, lonc, alpha, k;
    } cases[] = {{45, 10, 30, 0.9996}, {-30, 140, -40, 1}, {4, 115, 53.3158, 0.99984}, {60, -150, 80, 1},
                 // beyond +-90 degrees the centre stays at the false origin
                 {45, 10, 150, 1}, {-30, 140, -120, 0.9996}};
    for (auto& c : cases) {
        auto hot = Fresh("HOT");
        SetUpOrigin(*hot, c.lonc, c.lat0, 500000, 300000, c.k, c.alpha);
        const std::string def = "+proj=omerc " + Ellipsoid(*hot) +
                                Fmt(" +lat_0=%.17g +lonc=%.17g +alpha=%.17g +k_0=%.17g +x_0=500000 +y_0=300000",
                                    c.lat0, c.lonc, c.alpha, c.k);
        const std::vector<LonLat> grid = Grid(c.lonc - 20, c.lonc + 20, c.lat0 - 20, std::min(89.0, c.lat0 + 20), 20);
        EXPECT_LT(ForwardAgainstProj(*hot, def, grid), 1e-3) << c.lat0;
        EXPECT_LT(InverseAgainstProj(*hot, def, grid), 1e-3) << c.lat0;
        XY centre = Forward(*hot, c.lonc, c.lat0);
        EXPECT_NEAR(centre.x, 500000, 1e-3);
        EXPECT_NEAR(centre.y, 300000, 1e-3);
    }
}

TEST(GisProjAzimuthal, TwoPointHotineAgreesWithProjAndRoundTripsItsConfiguration) {
    SKIP_WITHOUT_PROJ();
    const struct {
        double lat0, lon1, lat1, lon2, lat2, k;
    } cases[] = {{40, -10, 30, 20, 50, 0.9996}, {-35, 170, -20, -170, -50, 1}, {45, -1 / kDeg, -1 / kDeg, 1 / kDeg, 1 / kDeg, 1}};
    for (auto& c : cases) {
        auto ht2 = Fresh("HT2");
        SetUpTwoPoint(*ht2, c.lat0, 100, 200, c.k, c.lon1, c.lat1, c.lon2, c.lat2);
        const std::string def =
            "+proj=omerc " + Ellipsoid(*ht2) +
            Fmt(" +lat_0=%.17g +lon_1=%.17g +lat_1=%.17g +lon_2=%.17g +lat_2=%.17g", c.lat0, c.lon1, c.lat1, c.lon2,
                c.lat2) +
            Fmt(" +k_0=%.17g +x_0=100 +y_0=200", c.k);
        const double lonMid = c.lon1 + std::remainder(c.lon2 - c.lon1, 360.0) / 2;
        const std::vector<LonLat> grid =
            Grid(lonMid - 20, lonMid + 20, std::max(-80.0, c.lat0 - 20), std::min(80.0, c.lat0 + 20), 16);
        EXPECT_LT(ForwardAgainstProj(*ht2, def, grid), 1e-3) << c.lat0;
        EXPECT_LT(InverseAgainstProj(*ht2, def, grid), 1e-3) << c.lat0;

        TGIS_Ini ini(nullptr, "");
        GisProjectionList().WriteToConfig(ini, ht2.get());
        auto q = GisProjectionList().ReadFromConfig(ini);
        ASSERT_NE(q, nullptr);
        EXPECT_NEAR(q->LongitudeOfPoint_2, ht2->LongitudeOfPoint_2, 1e-13);
        XY a = Forward(*ht2, lonMid + 3, c.lat0 + 2), b = Forward(*q, lonMid + 3, c.lat0 + 2);
        EXPECT_NEAR(a.x, b.x, 1e-6);
        EXPECT_NEAR(a.y, b.y, 1e-6);
    }
}

TEST(GisProjAzimuthal, OrthographicAndHotineConfigurationsRoundTrip) {
    for (const char* code : {"ORT", "HOT"}) {
        auto p = Fresh(code);
        SetUpOrigin(*p, -75, 38, 123456.789, -987654.321, 0.9996, 120);
        TGIS_Ini ini(nullptr, "");
        GisProjectionList().WriteToConfig(ini, p.get());
        auto q = GisProjectionList().ReadFromConfig(ini);
        ASSERT_NE(q, nullptr);
        XY a = Forward(*p, -70, 41), b = Forward(*q, -70, 41);
        EXPECT_NEAR(a.x, b.x, 1e-6) << code;
        EXPECT_NEAR(a.y, b.y, 1e-6) << code;
    }
}

TEST(GisProjAzimuthal, HotineRefusesUnusableCentresAndPoints) {
    auto hot = Fresh("HOT");
    for (double lat0 : {0.0, 1e-11, 90.0, -90.0}) {
        try {
            SetUpOrigin(*hot, 10, lat0, 0, 0, 1, 30);
            ADD_FAILURE() << lat0;
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.Message.substr(0, 4), "0220") << e.Message;
        }
    }
    auto ht2 = Fresh("HT2");
    try {
        SetUpTwoPoint(*ht2, 40, 0, 0, 1, -10, 35, 10, 35);
        ADD_FAILURE();
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.Message, GIS_RS_ERR_LATITUDESTOCLOSE);
    }
    // The scale factor is held within 0.3 .. 3 as in the transverse forms.
    SetUpOrigin(*hot, 10, 45, 0, 0, 1e301, 30);
    EXPECT_EQ(hot->ScaleFactor, 3);
    EXPECT_EQ(hot->Warning, GIS_RS_WARN_SCALEFACTOR);
    // A failed set-up does not block the next one.
    SetUpTwoPoint(*ht2, 40, 0, 0, 1, -10, 30, 10, 50);
    XY xy = Forward(*ht2, 0, 40);
    EXPECT_LT(GroundDistance(Inverse(*ht2, xy.x, xy.y), {0, 40}), 1e-3);
    EXPECT_THROW(SetUpTwoPoint(*ht2, 40, 0, 0, 1, -10, 0, 10, 50), EGIS_Exception);
    EXPECT_THROW(SetUpTwoPoint(*ht2, 40, 0, 0, 1, -10, 90, 10, 50), EGIS_Exception);
}

TEST(GisProjAzimuthal, EveryMemberEndsOnExtremeInputAndNearSingularParameters) {
    const double nan = std::nan("");
    struct Case {
        const char* code;
        double cm, ol, scale, az;
    } cases[] = {{"ORT", 7, 89.9999999, 1, 0},  {"ORT", -170, 0, 1, 0},   {"POL", 190, -1e-12, 1, 0},
                 {"POL", 0, 89.99999999, 1, 0}, {"HOT", 10, 1e-8, 1, 90},  {"HOT", 370, 89.9999, 1e-9, 179},
                 {"HOT", -10, -45, 0, 0},       {"HT2", 0, 45, 1, 0}};
    for (const Case& c : cases) {
        auto p = Fresh(c.code);
        try {
            SetUpOrigin(*p, c.cm, c.ol, 1e5, -1e5, c.scale, c.az);
        } catch (const EGIS_Exception&) {
            continue;
        }
        for (double lon : {-1e300, -kPi, 0.0, kPi, 2 * kPi, 1e300})
            for (double lat : {-1e300, -kPi / 2, -1e-300, 0.0, kPi / 2, 1e300}) {
                TGIS_Point3D out;
                try {
                    p->Project(TGIS_Point3D(lon, lat, 3), out);
                    EXPECT_FALSE(std::isnan(out.X) && std::isnan(out.Y)) << c.code << " " << lon << " " << lat;
                } catch (const EGIS_Exception&) {
                }
            }
        for (double x : {-1e300, -1e7, 0.0, 3e7, 1e300})
            for (double y : {-1e300, -1e7, 0.0, 3e7, 1e300}) {
                TGIS_Point3D out;
                try {
                    p->Unproject(TGIS_Point3D(x, y, 0), out);
                } catch (const EGIS_Exception&) {
                }
            }
        TGIS_Point3D out;
        EXPECT_THROW(p->Project(TGIS_Point3D(nan, 0, 0), out), EGIS_Exception) << c.code;
        EXPECT_THROW(p->Unproject(TGIS_Point3D(nan, 0, 0), out), EGIS_Exception) << c.code;
    }
}
