#include "gis/core/GisProjTMerc.h"

#include "gis/core/GisIni.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "tests/gis/core/GisErrorTestUtil.h"
#include "tests/gis/core/ProjTestUtil.h"

using namespace projtest;

namespace {

constexpr double kEarth = 6.37e6;  // metres per radian, near enough for tolerances on the ground

void SetUpTM(TGIS_ProjectionAbstract& p, double cm, double ol, double fe, double fn, double k) {
    p.SetUp(0, cm, ol, fe, fn, 0, 0, k, 0, 0, 0, 0, 0, 0, 0);
}

void SetZone(TGIS_ProjectionAbstract& p, int zone) { p.SetUp(zone, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0); }

TGIS_Point3D Fwd(TGIS_ProjectionAbstract& p, double lonDeg, double latDeg) {
    TGIS_Point3D out;
    p.Project(TGIS_Point3D(lonDeg * kDeg, latDeg * kDeg, 0), out);
    return out;
}

struct Peer {
    const char* datum;
    const char* ellps;
};
const Peer kPeers[] = {{"WGE", "+ellps=WGS84"}, {"PUK", "+ellps=krass"}};

// Forward and inverse against PROJ's exact transverse Mercator on a grid out to `span` degrees from the
// meridian and 80° of latitude.
void CompareWithTmerc(double span, double tolerance) {
    const double cm = 117, ol = 30, fe = 500000, fn = -1000000, k = 0.9996;
    for (const Peer& peer : kPeers) {
        SCOPED_TRACE(peer.datum);
        TGIS_ProjectionTransverseMercator tm;
        tm.SetDatum(GisDatumList().FindByCode(peer.datum));
        SetUpTM(tm, cm * kDeg, ol * kDeg, fe, fn, k);
        const std::vector<LonLat> grid = StepGrid(cm - span, cm + span, span / 6, -80, 80, 5);
        const std::string def = "+proj=tmerc +lon_0=117 +lat_0=30 +x_0=500000 +y_0=-1000000 +k=0.9996 " +
                                std::string(peer.ellps);
        const std::vector<XY> xy = RunProj(def, Degrees(grid), false);
        ASSERT_EQ(xy.size(), grid.size());
        const std::vector<XY> back = RunProj(def, xy, true);
        ASSERT_EQ(back.size(), grid.size());
        for (size_t i = 0; i < grid.size(); ++i) {
            SCOPED_TRACE(std::to_string(grid[i].lon) + " " + std::to_string(grid[i].lat));
            TGIS_Point3D p = Fwd(tm, grid[i].lon, grid[i].lat);
            EXPECT_NEAR(p.X, xy[i].x, tolerance);
            EXPECT_NEAR(p.Y, xy[i].y, tolerance);
            TGIS_Point3D g;
            tm.Unproject(TGIS_Point3D(xy[i].x, xy[i].y, 0), g);
            EXPECT_NEAR((g.Y / kDeg - back[i].y) * kDeg * kEarth, 0, tolerance);
            EXPECT_NEAR((g.X / kDeg - back[i].x) * kDeg * kEarth * std::cos(g.Y), 0, tolerance);
        }
    }
}

TEST(GisProjTMerc, RegisteredWithTheirParameters) {
    TGIS_ProjectionAbstract* tmr = GisProjectionList().FindByCode("tmr");
    TGIS_ProjectionAbstract* utm = GisProjectionList().FindByCode("UTM");
    ASSERT_NE(tmr, nullptr);
    ASSERT_NE(utm, nullptr);
    EXPECT_EQ(tmr->Description(), "Transverse Mercator");
    EXPECT_EQ(utm->Description(), "Universal Transverse Mercator (UTM)");
    EXPECT_EQ(tmr->ParametersUsed(), 0x008F);
    EXPECT_EQ(utm->ParametersUsed(), 0x0040);
    EXPECT_NE(dynamic_cast<TGIS_ProjectionTransverseMercator*>(tmr), nullptr);
    EXPECT_NE(dynamic_cast<TGIS_ProjectionUTM*>(utm), nullptr);
}

TEST(GisProjTMerc, SetUpCorrectsAndPrepareLeavesTheDistortionNote) {
    TGIS_ProjectionTransverseMercator tm;
    SetUpTM(tm, 7, 2, 10, 20, 5);
    EXPECT_EQ(tm.ScaleFactor, 3.0);
    EXPECT_EQ(tm.OriginLatitude, kPi / 2);
    EXPECT_NEAR(tm.CentralMeridian, 0, 1e-15);
    EXPECT_EQ(tm.FalseEasting, 10);
    EXPECT_EQ(tm.FalseNorthing, 20);
    EXPECT_STREQ(tm.Warning.c_str(), GIS_RS_ERR_DISTORTED);
    SetUpTM(tm, 4, 0, 0, 0, 0.1);
    EXPECT_EQ(tm.ScaleFactor, 0.3);
    EXPECT_DOUBLE_EQ(tm.CentralMeridian, 4 - 2 * kPi);
    EXPECT_EQ(tm.Origin.X, 4);  // its own copy as given
    // The bounds hold the whole projected globe, whatever the origin latitude and scale.
    EXPECT_NEAR(tm.NorthingBound, 0.3 * 10001965.729, 0.01);
    EXPECT_GT(tm.EastingBound, 0.3 * 1.4e7);
    // A parameter that is not a number has no nearer limit; the earlier set-up stays.
    EXPECT_EQ(ErrorCode([&] { SetUpTM(tm, NAN, 0, 0, 0, 1); }), 235);
    EXPECT_EQ(ErrorCode([&] { SetUpTM(tm, 0, 0, 0, 0, NAN); }), 235);
    EXPECT_EQ(ErrorCode([&] { SetUpTM(tm, 0, 0, INFINITY, 0, 1); }), 235);
    EXPECT_EQ(ErrorCode([&] { SetUpTM(tm, 0, 0, 0, NAN, 1); }), 235);
    EXPECT_EQ(tm.ScaleFactor, 0.3);
    SetUpTM(tm, 0, -1, 0, 0, 2);
    EXPECT_NEAR(tm.NorthingBound, 2 * (10001965.729 + tm.MeridianDistance(1)), 0.01);
}

TEST(GisProjTMerc, AgreesWithProjWithinSixDegreesToAMillimetre) {
    SKIP_WITHOUT_PROJ();
    CompareWithTmerc(6, 0.001);
}

TEST(GisProjTMerc, AgreesWithProjWithinNineDegreesToTwoCentimetres) {
    SKIP_WITHOUT_PROJ();
    CompareWithTmerc(9, 0.02);
}

TEST(GisProjTMerc, LongitudesBeyondAQuarterAreHeldOnTheirOwnSide) {
    TGIS_ProjectionTransverseMercator tm;
    SetUpTM(tm, 0, 0, 0, 0, 1);
    const TGIS_Point3D east = Fwd(tm, 90, 0), west = Fwd(tm, -90, 0);
    tm.AddWarning("");
    EXPECT_EQ(Fwd(tm, -100, 0).X, west.X);
    EXPECT_LT(west.X, 0);
    EXPECT_STREQ(tm.Warning.c_str(), GIS_RS_ERR_DISTORTED);  // set after the correction
    EXPECT_EQ(Fwd(tm, 100, 0).X, east.X);
    EXPECT_EQ(Fwd(tm, 260, 0).X, west.X);  // 260° east is 100° west
    // Across the antimeridian: 170° east of a meridian at 100° west is 90° west of it.
    SetUpTM(tm, -100 * kDeg, 0, 0, 0, 1);
    EXPECT_EQ(Fwd(tm, 170, 0).X, west.X);
    SetUpTM(tm, 175 * kDeg, 0, 0, 0, 1);
    EXPECT_EQ(Fwd(tm, -95, 0).X, east.X);
    tm.AddWarning("");
    Fwd(tm, -178, 40);
    Fwd(tm, 179, 40);
    EXPECT_EQ(tm.Warning, "");
    Fwd(tm, 160, 40);
    EXPECT_STREQ(tm.Warning.c_str(), GIS_RS_ERR_DISTORTED);
    // The same note on every point goes into the same storage.
    const char* storage = tm.Warning.data();
    for (double lon = 150; lon < 160; lon += 1) Fwd(tm, lon, 40);
    EXPECT_EQ(tm.Warning.data(), storage);
    // 60° west is 110° west of a meridian at 50° east, though it lies east of it in 0..360°.
    SetUpTM(tm, 50 * kDeg, 0, 0, 0, 1);
    EXPECT_EQ(Fwd(tm, -60, 0).X, west.X);
    EXPECT_EQ(Fwd(tm, -140, 0).X, east.X);
}

TEST(GisProjTMerc, UnprojectRefusesOutsideTheBoundsAndHoldsThePole) {
    TGIS_ProjectionTransverseMercator tm;
    SetUpTM(tm, 0.5, 0.2, 1000, 2000, 1);
    TGIS_Point3D out(7, 8, 9);
    const double xMax = 1000 + tm.EastingBound, yMax = 2000 + tm.NorthingBound;
    EXPECT_EQ(ErrorCode([&] { tm.Unproject(TGIS_Point3D(std::nextafter(xMax, 1e300), 2000, 0), out); }), 215);
    EXPECT_EQ(ErrorCode([&] { tm.Unproject(TGIS_Point3D(1000, -yMax - 1, 0), out); }), 216);
    EXPECT_EQ(ErrorCode([&] { tm.Unproject(TGIS_Point3D(NAN, 0, 0), out); }), 215);
    EXPECT_EQ(ErrorCode([&] { tm.Unproject(TGIS_Point3D(1000, NAN, 0), out); }), 216);
    EXPECT_EQ(ErrorCode([&] { tm.Project(TGIS_Point3D(0, INFINITY, 0), out); }), 210);
    EXPECT_EQ(out.X, 7);
    EXPECT_EQ(out.Z, 9);
    // Every point of the bound, including its corners, comes back finite and on the globe.
    for (double x : {1000.0, xMax, 1000 - tm.EastingBound, 1000 + 400000.0})
        for (double y : {yMax, 2000 - tm.NorthingBound, 2000.0, yMax - 1}) {
            tm.Unproject(TGIS_Point3D(x, y, 3), out);
            EXPECT_TRUE(std::fabs(out.X) <= kPi) << x << " " << y << " " << out.X;
            EXPECT_TRUE(std::fabs(out.Y) <= kPi / 2) << x << " " << y << " " << out.Y;
            EXPECT_EQ(out.Z, 3);
        }
    const double poleY = tm.MeridianDistance(kPi / 2) - tm.MeridianDistance(0.2) + 2000;
    tm.Unproject(TGIS_Point3D(1000, poleY, 0), out);
    EXPECT_EQ(out.Y, kPi / 2);
    EXPECT_EQ(out.X, 0.5);
}

TEST(GisProjTMerc, RoundTripsOnASphereAndNearTheMeridian) {
    ASSERT_NE(GisEllipsoidList().AddEllipsoid("TEST_TMS", "test sphere", 0, 6371000), nullptr);
    TGIS_DatumList user;
    TGIS_Datum* sphere = user.AddDatum(2, "TEST_TMS", TGIS_DatumParams{}, "TEST_TMS", "sphere");
    for (TGIS_Datum* d : {GisDatumList().GetDefault(), sphere}) {
        TGIS_ProjectionTransverseMercator tm;
        tm.SetDatum(d);
        SetUpTM(tm, -3 * kDeg, -20 * kDeg, 500000, 10000000, 0.9996);
        for (double lat = -88; lat <= 88; lat += 8)
            for (double dl = -3; dl <= 3; dl += 0.75) {
                TGIS_Point3D xy = Fwd(tm, -3 + dl, lat), g(1, 1, 1);
                tm.Unproject(xy, g);
                // On the meridian only the footpoint latitude counts: solved to rounding.
                EXPECT_NEAR((g.Y - lat * kDeg) * kEarth, 0, dl == 0 ? 1e-8 : 1e-4) << lat << " " << dl;
                EXPECT_NEAR((g.X - (-3 + dl) * kDeg) * kEarth * std::cos(lat * kDeg), 0, 1e-4) << lat << " " << dl;
            }
        // On the meridian the easting is exactly the false one.
        EXPECT_EQ(Fwd(tm, -3, 40).X, 500000);
    }
}

TEST(GisProjTMerc, FootpointOnAStronglyFlattenedEllipsoid) {
    ASSERT_NE(GisEllipsoidList().AddEllipsoid("TEST_TMF", "flat", 3, 6378137), nullptr);
    TGIS_DatumList user;
    TGIS_ProjectionTransverseMercator tm;
    tm.SetDatum(user.AddDatum(2, "TEST_TMF", TGIS_DatumParams{}, "TEST_TMF", "flat"));
    SetUpTM(tm, 0, 0, 0, 0, 1);
    for (double lat = -89; lat <= 89; lat += 2) {
        TGIS_Point3D g;
        tm.Unproject(Fwd(tm, 0, lat), g);
        EXPECT_NEAR((g.Y - lat * kDeg) * kEarth, 0, 1e-4) << lat;  // the series footpoint alone is far off here
    }
}

TEST(GisProjTMerc, UtmZonesAndTheirExceptions) {
    TGIS_ProjectionUTM utm;
    auto zone = [&](double lon, double lat) {
        utm.ZoneForPoint({lon * kDeg, lat * kDeg});
        return utm.Zone;
    };
    EXPECT_EQ(zone(5, 60), 32);
    EXPECT_EQ(zone(2.5, 60), 32);
    EXPECT_EQ(zone(-0.5, 60), 31);
    EXPECT_EQ(zone(359.5, 60), 31);  // the same point, given east of Greenwich
    EXPECT_EQ(zone(10, 75), 33);
    EXPECT_EQ(zone(8.5, 75), 33);
    EXPECT_EQ(zone(25, 75), 35);
    EXPECT_EQ(zone(40, 75), 37);
    EXPECT_EQ(zone(-5, 75), 30);
    EXPECT_EQ(zone(180, 10), 1);
    EXPECT_EQ(zone(-180, 10), 1);
    EXPECT_EQ(zone(179.9, 10), 60);
    EXPECT_EQ(zone(6, 10), 32);
    EXPECT_EQ(zone(117, 40), 50);
    EXPECT_EQ(zone(117, -40), -50);
    EXPECT_EQ(zone(-100, 0.5), 14);
    EXPECT_EQ(zone(260, 0.5), 14);
}

TEST(GisProjTMerc, UtmFirstPointFixesZoneAndHemisphere) {
    TGIS_ProjectionUTM utm;
    TGIS_Point3D p = Fwd(utm, 0, 0);
    EXPECT_EQ(utm.Zone, 31);
    EXPECT_NEAR(utm.CentralMeridian, 3 * kDeg, 1e-15);
    EXPECT_EQ(p.Y, 0);
    EXPECT_LT(p.X, 500000);
    // A point in the southern half of the same zone has a negative northing on the northern grid.
    EXPECT_EQ(ErrorText([&] { Fwd(utm, 3, -10); }), "0225 Zone \"31\" out of scope");
    EXPECT_EQ(ErrorCode([&] { Fwd(utm, 40, 10); }), 225);  // 37° off the zone's meridian

    SetZone(utm, 0);
    p = Fwd(utm, 3, -10);
    EXPECT_EQ(utm.Zone, -31);
    EXPECT_NEAR(p.Y, 10000000 - 0.9996 * 1105854.833, 0.01);
    TGIS_Point3D g;
    utm.Unproject(p, g);
    EXPECT_NEAR(g.Y, -10 * kDeg, 1e-12);
    EXPECT_NEAR(g.X, 3 * kDeg, 1e-12);
    EXPECT_EQ(ErrorText([&] { Fwd(utm, 3, 10); }), "0225 Zone \"31S\" out of scope");
    EXPECT_EQ(ErrorText([&] { utm.Unproject(TGIS_Point3D(500000, 500000, 0), g); }),
              "0225 Zone \"31S\" out of scope");  // 85° S
}

TEST(GisProjTMerc, UtmRefusesWhatIsOffItsGrid) {
    TGIS_ProjectionUTM utm;
    TGIS_Point3D out;
    EXPECT_EQ(ErrorText([&] { SetZone(utm, 61); }), "0225 Zone \"61\" out of scope");
    EXPECT_EQ(ErrorText([&] { SetZone(utm, -61); }), "0225 Zone \"61S\" out of scope");
    EXPECT_EQ(ErrorCode([&] { SetZone(utm, INT32_MIN); }), 225);
    SetZone(utm, 50);
    EXPECT_EQ(ErrorCode([&] { Fwd(utm, 117, 84.6); }), 210);
    EXPECT_EQ(ErrorCode([&] { Fwd(utm, 117, -84.6); }), 210);
    EXPECT_EQ(ErrorCode([&] { Fwd(utm, 361, 0); }), 211);
    EXPECT_EQ(ErrorCode([&] { Fwd(utm, -181, 0); }), 211);
    EXPECT_EQ(ErrorCode([&] { Fwd(utm, NAN, 0); }), 211);
    EXPECT_EQ(ErrorCode([&] { Fwd(utm, 0, NAN); }), 210);
    EXPECT_EQ(ErrorCode([&] { utm.Unproject(TGIS_Point3D(99999, 0, 0), out); }), 215);
    EXPECT_EQ(ErrorCode([&] { utm.Unproject(TGIS_Point3D(500000, 10000001, 0), out); }), 216);
    EXPECT_EQ(ErrorCode([&] { utm.Unproject(TGIS_Point3D(500000, NAN, 0), out); }), 216);
    EXPECT_EQ(ErrorCode([&] { utm.Unproject(TGIS_Point3D(500000, 9900000, 0), out); }), 225);  // 89° N
    // Unproject in the automatic state uses zone 0, whose meridian is 177°.
    SetZone(utm, 0);
    utm.Unproject(TGIS_Point3D(500000, 1000000, 0), out);
    EXPECT_NEAR(out.X, 177 * kDeg, 1e-12);
    EXPECT_EQ(utm.Zone, 0);
}

TEST(GisProjTMerc, UtmMatchesProjInEveryZoneOfBothHemispheres) {
    SKIP_WITHOUT_PROJ();
    // Points 0 .. 3° either side of each zone's meridian; one shell runs PROJ for every grid.
    std::vector<LonLat> rel;
    for (double lat : {0.0, 0.001, 8.0, 33.0, 56.0, 72.0, 80.0})
        for (double dl : {-3.0, -1.5, 0.0, 0.7, 2.999}) rel.push_back({dl, lat});
    std::vector<ProjRun> runs;
    for (int zone = 1; zone <= 60; ++zone)
        for (const char* south : {"", " +south"}) {
            ProjRun run{"+proj=utm +ellps=WGS84 +zone=" + std::to_string(zone) + south, {}};
            const double cm = 6 * zone - 183;
            for (const auto& r : rel) run.points.push_back({cm + r.lon, *south ? -r.lat : r.lat});
            runs.push_back(run);
        }
    const std::vector<std::vector<XY>> out = RunProjEach(runs, false);
    TGIS_ProjectionUTM utm;
    for (int zone = 1; zone <= 60; ++zone)
        for (int hemisphere : {1, -1}) {
            SetZone(utm, zone * hemisphere);
            const double cm = 6 * zone - 183;
            const std::vector<XY>& peer = out[2 * (zone - 1) + (hemisphere < 0)];
            ASSERT_EQ(peer.size(), rel.size());
            for (size_t i = 0; i < rel.size(); ++i) {
                const LonLat& r = rel[i];
                const double x = peer[i].x, y = peer[i].y;
                const double lat = hemisphere * r.lat;
                SCOPED_TRACE(std::to_string(zone * hemisphere) + " " + std::to_string(r.lon) + " " +
                             std::to_string(lat));
                TGIS_Point3D p = Fwd(utm, cm + r.lon, lat), g;
                EXPECT_NEAR(p.X, x, 0.001);
                EXPECT_NEAR(p.Y, y, 0.001);
                utm.Unproject(p, g);
                EXPECT_NEAR(std::remainder(g.X - (cm + r.lon) * kDeg, 2 * kPi) * kEarth * std::cos(lat * kDeg), 0,
                            1e-4);
                EXPECT_NEAR((g.Y - lat * kDeg) * kEarth, 0, 1e-4);
            }
        }
}

TEST(GisProjTMerc, UtmSetsUpItsGridAgainWhenTheDatumChanges) {
    TGIS_ProjectionUTM utm;
    SetZone(utm, -50);
    const TGIS_Point3D wgs = Fwd(utm, 118, -30);
    utm.SetDatum(GisDatumList().FindByCode("PUK"));
    const TGIS_Point3D puk = Fwd(utm, 118, -30);
    EXPECT_GT(std::fabs(puk.Y - wgs.Y), 10);
    // The same as a grid set up afresh on every point.
    TGIS_ProjectionTransverseMercator fresh;
    fresh.SetDatum(GisDatumList().FindByCode("PUK"));
    SetUpTM(fresh, 117 * kDeg, 0, 500000, 10000000, 0.9996);
    const TGIS_Point3D want = Fwd(fresh, 118, -30);
    EXPECT_EQ(puk.X, want.X);
    EXPECT_EQ(puk.Y, want.Y);
    SetZone(utm, 51);
    EXPECT_EQ(Fwd(utm, 123, 30).X, 500000);
}

TEST(GisProjTMerc, ConfigurationRoundTrip) {
    TGIS_ProjectionTransverseMercator tm;
    tm.SetDatum(GisDatumList().FindByCode("PUK"));
    SetUpTM(tm, 200 * kDeg, 12 * kDeg, 20500000, -300, 1.0001);
    TGIS_ProjectionUTM utm;
    SetZone(utm, -23);
    for (TGIS_ProjectionAbstract* p : {static_cast<TGIS_ProjectionAbstract*>(&tm), static_cast<TGIS_ProjectionAbstract*>(&utm)}) {
        SCOPED_TRACE(p->Code());
        TGIS_Ini ini(nullptr, "");
        GisProjectionList().WriteToConfig(ini, p);
        std::unique_ptr<TGIS_ProjectionAbstract> q = GisProjectionList().ReadFromConfig(ini);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->Code(), p->Code());
        EXPECT_EQ(q->Datum, p->Datum);
        const TGIS_Point3D a = Fwd(*p, -43, -20), b = Fwd(*q, -43, -20);
        EXPECT_NEAR(a.X, b.X, 1e-6);
        EXPECT_NEAR(a.Y, b.Y, 1e-6);
    }
    EXPECT_EQ(utm.Zone, -23);
}

}  // namespace
