#include "gis/core/GisProjections.h"

#include "gis/core/GisIni.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "tests/gis/core/GisErrorTestUtil.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A map member in miniature: the common checks and range handling, an identity transform.
class TestProjection : public TGIS_ProjectionAbstract {
public:
    explicit TestProjection(std::string code = "TST", std::vector<std::string>* freed = nullptr)
        : code_(std::move(code)), freed_(freed) {
        EastingBound = 1000;
        NorthingBound = 500;
        Prepare();
    }
    ~TestProjection() override {
        if (freed_) freed_->push_back(code_);
    }
    std::string Code() const override { return code_; }
    std::string Description() const override { return "test"; }
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x3F; }
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override {
        return std::make_unique<TestProjection>(code_);
    }
    void SetUp(int32_t zone, double cm, double ol, double fe, double fn, double sp1, double sp2, double sf, double loc,
               double lac, double az, double lo1, double la1, double lo2, double la2) override {
        LongitudeOfCenter = loc;
        LatitudeOfCenter = lac;
        Azimuth = az;
        LongitudeOfPoint_1 = lo1;
        LatitudeOfPoint_1 = la1;
        LongitudeOfPoint_2 = lo2;
        LatitudeOfPoint_2 = la2;
        OriginLatitude = CorrectedOriginLatitude(ol, kPi / 2);
        CentralMeridian = ReduceMeridian(CorrectedCentralMeridian(cm));
        StandardParallel_1 = CorrectedParallel1(sp1, kPi / 2);
        StandardParallel_2 = CorrectedParallel2(sp2, kPi / 2);
        FalseEasting = fe;
        FalseNorthing = fn;
        ScaleFactor = sf;
        Zone = zone;
        Prepare();
    }
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override {
        TGIS_Point3D p = in;
        ProjectRange(p, -1, 1);
        out = TGIS_Point3D(LongitudeDelta(p.X), p.Y, in.Z);
    }
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override {
        TGIS_Point3D p = in;
        UnprojectRange(p);
        out = TGIS_Point3D(p.X, p.Y, in.Z);
    }

private:
    std::string code_;
    std::vector<std::string>* freed_;
};

void SetMeridian(TGIS_ProjectionAbstract& p, double cm, double ol = 0, double sp1 = 0, double sp2 = 0) {
    p.SetUp(0, cm, ol, 0, 0, sp1, sp2, 1, 0, 0, 0, 0, 0, 0, 0);
}

TEST(GisProjections, RegistryHoldsTheUnprojectedMembersInAnyCase) {
    TGIS_ProjectionList& list = GisProjectionList();
    for (int i = 1; i < list.Count(); ++i) EXPECT_LT(list.Items(i - 1)->Code(), list.Items(i)->Code());
    ASSERT_NE(list.FindByCode("GEC"), nullptr);
    ASSERT_NE(list.FindByCode("GED"), nullptr);
    EXPECT_EQ(list.FindByCode("ged")->Description(), "Geodetic (unprojected)");
    EXPECT_EQ(list.FindByCode("Gec")->Description(), "Geocentic (unprojected)");
    EXPECT_EQ(list.FindByCode("XYZ"), nullptr);
    EXPECT_EQ(list.FindByCode(""), nullptr);
    EXPECT_EQ(list.FindByCode("GED")->ParametersUsed(), 0);
    EXPECT_EQ(list.FindByCode("GED")->Datum, GisDatumList().GetDefault());
    EXPECT_EQ(list.FindByCode("GED")->ScaleFactor, 1);
}

TEST(GisProjections, ReRegistrationFreesTheEarlierInstanceAndTheListFreesLastToFirst) {
    std::vector<std::string> freed;
    {
        TGIS_ProjectionList list;
        TGIS_ProjectionAbstract* first = list.RegisterProjection(std::make_unique<TestProjection>("BBB", &freed));
        list.RegisterProjection(std::make_unique<TestProjection>("AAA", &freed));
        list.RegisterProjection(std::make_unique<TestProjection>("CCC", &freed));
        auto again = std::make_unique<TestProjection>("bbb", &freed);
        TGIS_ProjectionAbstract* raw = again.get();
        EXPECT_EQ(list.RegisterProjection(std::move(again)), raw);
        EXPECT_EQ(freed, std::vector<std::string>{"BBB"});
        EXPECT_EQ(list.Count(), 3);
        EXPECT_EQ(list.FindByCode("BBB"), raw);
        EXPECT_NE(raw, first);
    }
    EXPECT_EQ(freed, (std::vector<std::string>{"BBB", "CCC", "bbb", "AAA"}));
}

TEST(GisProjections, GeodeticCopiesAndGeocentricUsesTheDatumsEllipsoid) {
    TGIS_ProjectionAbstract& ged = *GisProjectionList().FindByCode("GED");
    TGIS_Point3D out;
    ged.Project(TGIS_Point3D(1.5, -0.7, 12), out);
    EXPECT_EQ(out.X, 1.5);
    EXPECT_EQ(out.Y, -0.7);
    EXPECT_EQ(out.Z, 12);
    ged.Unproject(TGIS_Point3D(7, 8, 9), out);
    EXPECT_EQ(out.X, 7);

    TGIS_ProjectionGeocentric gec;
    gec.Project(TGIS_Point3D(0, 0, 0), out);
    EXPECT_DOUBLE_EQ(out.X, 6378137);
    gec.Unproject(TGIS_Point3D(0, 0, 0), out);
    EXPECT_EQ(out.Y, kPi / 2);

    // A user sphere through a user datum.
    ASSERT_NE(GisEllipsoidList().AddEllipsoid("TEST_S", "test sphere", 0, 6371000), nullptr);
    TGIS_DatumList user;
    TGIS_Datum* d = user.AddDatum(2, "SPHERE", TGIS_DatumParams{}, "TEST_S", "test sphere datum");
    gec.SetDatum(d);
    EXPECT_EQ(gec.SemiMajor, 6371000);
    EXPECT_EQ(gec.SemiMinor, 6371000);
    EXPECT_EQ(gec.Eccentricity2, 0);
    gec.Project(TGIS_Point3D(0.3, 0.4, 100), out);
    EXPECT_NEAR(std::sqrt(out.X * out.X + out.Y * out.Y + out.Z * out.Z), 6371100, 1e-6);
    TGIS_Point3D back;
    gec.Unproject(out, back);
    EXPECT_NEAR(back.X, 0.3, 1e-12);
    EXPECT_NEAR(back.Y, 0.4, 1e-12);
    EXPECT_NEAR(back.Z, 100, 1e-6);

    EXPECT_EQ(ErrorCode([&] { gec.Project(TGIS_Point3D(0, NAN, 0), out); }), 210);
    EXPECT_EQ(ErrorCode([&] { gec.Project(TGIS_Point3D(INFINITY, 0, 0), out); }), 211);
    EXPECT_EQ(ErrorCode([&] { gec.Unproject(TGIS_Point3D(NAN, 0, 0), out); }), 215);
    EXPECT_EQ(ErrorCode([&] { gec.Unproject(TGIS_Point3D(1, -INFINITY, 0), out); }), 216);
    EXPECT_EQ(ErrorCode([&] { gec.Unproject(TGIS_Point3D(1, 1, NAN), out); }), 216);
}

TEST(GisProjections, SetDatumPreparesOnlyOnChange) {
    TestProjection p;
    EXPECT_EQ(p.SemiMajor, 6378137.0L);
    TGIS_Datum* pulkovo = GisDatumList().FindByCode("PUK");
    p.SetDatum(pulkovo);
    EXPECT_EQ(p.Ellipsoid->Code, "KA");
    EXPECT_EQ(p.SemiMajor, 6378245.0L);
    EXPECT_EQ(p.SecondEccentricity2, p.Ellipsoid->SecondEccentricity2);
    p.SemiMajor = 1;  // the same datum again prepares nothing
    p.SetDatum(pulkovo);
    EXPECT_EQ(p.SemiMajor, 1);
    EXPECT_EQ(ErrorCode([&] { p.SetDatum(GisDatumList().FindByCode("AFG")); }), 200);
}

TEST(GisProjections, SetUpCorrectsInOrderAndKeepsTheLastWarning) {
    TestProjection p;
    SetMeridian(p, 7);
    EXPECT_EQ(p.CentralMeridian, 0);
    EXPECT_STREQ(p.Warning.c_str(), GIS_RS_WARN_STANDARDMERIDIAN);
    SetMeridian(p, -4);
    EXPECT_EQ(p.CentralMeridian, -kPi);
    SetMeridian(p, 4);
    EXPECT_DOUBLE_EQ(p.CentralMeridian, 4 - 2 * kPi);
    // A call without corrections keeps the old text.
    SetMeridian(p, 0.5);
    EXPECT_STREQ(p.Warning.c_str(), GIS_RS_WARN_STANDARDMERIDIAN);
    SetMeridian(p, 9, 2, 3, -3);
    EXPECT_EQ(p.OriginLatitude, kPi / 2);
    EXPECT_EQ(p.StandardParallel_1, kPi / 2);
    EXPECT_EQ(p.StandardParallel_2, -kPi / 2);
    EXPECT_STREQ(p.Warning.c_str(), GIS_RS_WARN_STANDARDPARALLEL2);
    SetMeridian(p, 9, 2);
    EXPECT_STREQ(p.Warning.c_str(), GIS_RS_WARN_STANDARDMERIDIAN);
    p.AddWarning("");
    EXPECT_EQ(p.Warning, "");
}

TEST(GisProjections, CommonRangeHandling) {
    TestProjection p;
    SetMeridian(p, 3);
    TGIS_Point3D out;
    p.AddWarning("");
    p.Project(TGIS_Point3D(-3, 0.5, 4), out);
    EXPECT_DOUBLE_EQ(out.X, -6 + 2 * kPi);  // the difference brought into -pi..pi
    EXPECT_EQ(out.Z, 4);
    EXPECT_EQ(p.Warning, "");
    p.Project(TGIS_Point3D(7, 2, 0), out);
    EXPECT_DOUBLE_EQ(out.X, -3);  // clamped to 2pi, reduced to 0
    EXPECT_EQ(out.Y, 1);
    EXPECT_STREQ(p.Warning.c_str(), GIS_RS_WARN_LONGITUDE);
    p.Project(TGIS_Point3D(0, -2, 0), out);
    EXPECT_EQ(out.Y, -1);
    EXPECT_STREQ(p.Warning.c_str(), GIS_RS_WARN_LATITUDE);
    EXPECT_EQ(ErrorCode([&] { p.Project(TGIS_Point3D(0, NAN, 0), out); }), 210);
    EXPECT_EQ(ErrorCode([&] { p.Project(TGIS_Point3D(NAN, 0, 0), out); }), 211);

    p.SetUp(0, 0, 0, 100, 200, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0);
    p.Unproject(TGIS_Point3D(5000, 0, 0), out);
    EXPECT_EQ(out.X, 1100);
    EXPECT_STREQ(p.Warning.c_str(), GIS_RS_WARN_EASTING);
    p.Unproject(TGIS_Point3D(100, -1000, 0), out);
    EXPECT_EQ(out.Y, -300);
    EXPECT_STREQ(p.Warning.c_str(), GIS_RS_WARN_NORTHING);
    EXPECT_EQ(ErrorCode([&] { p.Unproject(TGIS_Point3D(INFINITY, 0, 0), out); }), 215);
    EXPECT_EQ(ErrorCode([&] { p.Unproject(TGIS_Point3D(0, NAN, 0), out); }), 216);
}

TEST(GisProjections, IsNearHasStrictBounds) {
    EXPECT_TRUE(GisIsNear(1.05, 1, 0.1));
    EXPECT_TRUE(GisIsNear(0.95, 1, 0.1));
    EXPECT_FALSE(GisIsNear(1.5, 1, 0.5));
    EXPECT_FALSE(GisIsNear(0.5, 1, 0.5));
    EXPECT_FALSE(GisIsNear(1, 1, 0));
    EXPECT_FALSE(GisIsNear(NAN, 1, 1));
}

std::vector<double> Fields(const TGIS_ProjectionAbstract& p) {
    return {p.CentralMeridian,   p.OriginLatitude,     p.FalseEasting,       p.FalseNorthing,
            p.StandardParallel_1, p.StandardParallel_2, double(p.Zone),      p.ScaleFactor,
            p.LongitudeOfCenter, p.LatitudeOfCenter,   p.Azimuth,            p.LongitudeOfPoint_1,
            p.LatitudeOfPoint_1, p.LongitudeOfPoint_2, p.LatitudeOfPoint_2};
}

TEST(GisProjections, EveryFieldGoesThroughWriteAndReadParams) {
    TestProjection p;
    p.SetDatum(GisDatumList().FindByCode("NAS-C"));
    p.SetUp(49, 1.1, 0.2, 500000.5, -10000000, 40 * kPi / 180, 50 * kPi / 180, 0.9996, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8,
            0.9);
    TGIS_Ini ini(nullptr, "");
    GisProjectionList().WriteToConfig(ini, &p);
    EXPECT_EQ(ini.ReadString("Projection.Code", ""), "TST");
    EXPECT_EQ(ini.ReadString("Projection.Datum", ""), "NAS-C");
    TestProjection q;
    q.ReadParams(ini);
    EXPECT_EQ(q.Datum->Code, "NAS-C");
    EXPECT_EQ(q.Ellipsoid->Code, "CC");
    // Floats are written with 15 significant digits.
    const auto want = Fields(p), got = Fields(q);
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], std::fabs(want[i]) * 1e-14) << i;

    // Files that wrote both parallels to "_1" hold the second one there.
    TGIS_Ini old(nullptr, "");
    old.WriteString("Projection.Code", "tst");
    old.WriteFloat("Projection.StandardParalell_1", 0.5);
    TestProjection r;
    r.ReadParams(old);
    EXPECT_EQ(r.StandardParallel_1, 0.5);
    EXPECT_EQ(r.StandardParallel_2, 0.5);
    EXPECT_EQ(r.Datum->Code, "WGE");
    EXPECT_EQ(r.ScaleFactor, 1);

    TGIS_Ini none(nullptr, "");
    GisProjectionList().WriteToConfig(none, nullptr);
    EXPECT_EQ(none.ReadValue("Projection.Code"), "");
    EXPECT_EQ(GisProjectionList().ReadFromConfig(none), nullptr);
}

TEST(GisProjections, ReadFromConfigGivesEachCallerItsOwnInstance) {
    TGIS_ProjectionList list;
    TGIS_ProjectionAbstract* registered = list.RegisterProjection(std::make_unique<TestProjection>());
    TGIS_Ini a(nullptr, ""), b(nullptr, "");
    a.WriteString("Projection.Code", "TST");
    a.WriteFloat("Projection.CentralMeridian", 111 * kPi / 180);
    b.WriteString("Projection.Code", "tst");
    b.WriteString("Projection.Datum", "puk");
    b.WriteFloat("Projection.CentralMeridian", 117 * kPi / 180);
    auto pa = list.ReadFromConfig(a);
    auto pb = list.ReadFromConfig(b);
    ASSERT_TRUE(pa && pb);
    EXPECT_NE(pa.get(), registered);
    EXPECT_NE(pa.get(), pb.get());
    EXPECT_NEAR(pa->CentralMeridian, 111 * kPi / 180, 1e-14);
    EXPECT_NEAR(pb->CentralMeridian, 117 * kPi / 180, 1e-14);
    EXPECT_EQ(pa->Datum->Code, "WGE");
    EXPECT_EQ(pb->Datum->Code, "PUK");
    EXPECT_EQ(registered->CentralMeridian, 0);
    EXPECT_EQ(list.FindByCode("TST"), registered);

    TGIS_Ini unknown(nullptr, "");
    unknown.WriteString("Projection.Code", "XYZ");
    EXPECT_EQ(list.ReadFromConfig(unknown), nullptr);
    TGIS_Ini badDatum(nullptr, "");
    badDatum.WriteString("Projection.Code", "TST");
    badDatum.WriteString("Projection.Datum", "NOSUCH");
    EXPECT_EQ(ErrorCode([&] { list.ReadFromConfig(badDatum); }), 3);
    // A datum whose ellipsoid is unknown fails in Prepare, also as 0003.
    badDatum.WriteString("Projection.Datum", "AFG");
    EXPECT_EQ(ErrorCode([&] { list.ReadFromConfig(badDatum); }), 3);
    TestProjection wrongCode("OTH");
    EXPECT_EQ(ErrorCode([&] { wrongCode.ReadParams(a); }), 3);

    // The registered geocentric member reads its datum into a new instance too.
    TGIS_Ini c(nullptr, "");
    c.WriteString("Projection.Code", "gec");
    c.WriteString("Projection.Datum", "PUK");
    auto gec = GisProjectionList().ReadFromConfig(c);
    ASSERT_TRUE(gec);
    EXPECT_EQ(gec->Code(), "GEC");
    EXPECT_EQ(gec->Ellipsoid->Code, "KA");
    EXPECT_EQ(GisProjectionList().FindByCode("GEC")->Datum->Code, "WGE");
}

}  // namespace

namespace {

TEST(GisProjections, MeridianArcAndFootpointSeries) {
    TGIS_MeridianArc wgs;
    const TGIS_Ellipsoid& we = *GisEllipsoidList().FindByCode("WE");
    wgs.Prepare(we.SemiMajor, we.Eccentricity2);
    EXPECT_NEAR(wgs.Distance(kPi / 2), 10001965.729, 0.001);
    EXPECT_NEAR(wgs.Distance(kPi / 4), 4984944.378, 0.001);
    EXPECT_EQ(wgs.Distance(0), 0);
    EXPECT_EQ(wgs.Distance(-0.3), -wgs.Distance(0.3));
    EXPECT_NEAR(static_cast<double>(wgs.Rectifying) * kPi / 2, 10001965.729, 0.001);
    for (double phi = -kPi / 2; phi <= kPi / 2; phi += 0.05)
        EXPECT_NEAR(wgs.Footpoint(wgs.Distance(phi)), phi, 2e-10) << phi;  // 1.3 mm

    TGIS_MeridianArc sphere;
    sphere.Prepare(6371000, 0);
    EXPECT_DOUBLE_EQ(sphere.Distance(0.7), 6371000 * 0.7);
    EXPECT_DOUBLE_EQ(sphere.Footpoint(6371000 * 0.7), 0.7);
}

TEST(GisProjections, Sin2SeriesSumsTheMultipleAngles) {
    const double c[4] = {0.5, -0.25, 0.125, 3};
    for (double x : {-2.0, 0.0, 0.3, 1.5}) {
        double want = 0;
        for (int k = 1; k <= 4; ++k) want += c[k - 1] * std::sin(2 * k * x);
        EXPECT_NEAR(GisSin2Series(x, c, 4), want, 1e-14);
    }
    EXPECT_EQ(GisSin2Series(0.4, c, 0), 0);
}

// The isometric latitude against the textbook form in long double, up to the poles and for eccentricities
// that take the series and the library's atanh.
TEST(GisProjections, IsometricLatitudeKeepsItsDigitsToThePoles) {
    for (double e : {0.0, 0.0818191908426, 0.0818191065283, 0.1, 0.5}) {
        double worst = 0;
        for (int i = -9000; i <= 9000; ++i) {
            const double phi = i == 9000 ? 1.5707963267948 : i * (kPi / 2 / 9000) * (1 - 1e-12);
            const long double s = std::sin(static_cast<long double>(phi)), el = e;
            const long double ref = std::asinh(std::tan(static_cast<long double>(phi))) - el * std::atanh(el * s);
            const double err = std::fabs(static_cast<double>(GisIsometricLatitude(phi, e) - ref));
            worst = std::max(worst, err / std::max(1.0, std::fabs(static_cast<double>(ref))));
        }
        EXPECT_LT(worst, 1e-15) << "e " << e;
        const double exact = e * std::atanh(e * 0.6);
        EXPECT_NEAR(GisEccentricAtanh(e, 0.6), exact, 4e-16 * exact) << e;
        // A latitude past a pole (a two-point Hotine's uncorrected point) is still asinh(tan φ), not NaN.
        for (double phi : {-3.4765625, 2.0, -1.6, 3.0}) {
            const double ref = std::asinh(std::tan(phi)) - e * std::atanh(e * std::sin(phi));
            EXPECT_NEAR(GisIsometricLatitude(phi, e), ref, 1e-14) << phi;
        }
    }
}

TEST(GisProjections, HotineTwoPointsPastThePoleStayFinite) {
    std::unique_ptr<TGIS_ProjectionAbstract> p = GisProjectionList().FindByCode("HT2")->NewInstance();
    // Both points' latitudes lie past a pole; only the second point's longitude is in range.
    p->SetUp(0, 5.1426577915423111e+25, -0.045654296875, 8906250, 16235046.38671875, 0, 0, 2.1646728515625, 0, 0,
             0, 0, 6.04345703125, -3.4765625, -3.4921875);
    TGIS_Point3D out;
    p->Project(TGIS_Point3D(1e-306, 0, 0), out);
    EXPECT_TRUE(std::isfinite(out.X) && std::isfinite(out.Y));
}

}  // namespace
