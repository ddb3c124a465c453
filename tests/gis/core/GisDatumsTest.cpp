#include "gis/core/GisDatums.h"

#include "gis/core/GisIni.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tests/engine/ExportTestUtil.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180;

TGIS_Datum& Datum(const std::string& code) {
    TGIS_Datum* d = GisDatumList().FindByCode(code);
    if (d == nullptr) throw std::runtime_error("no datum " + code);
    return *d;
}

// Tests that add to the shared catalogues use codes with this prefix, which no catalogue code has.
bool AddedByATest(const std::string& code) { return code.rfind("TEST_", 0) == 0; }

template <class List>
int CatalogueCount(const List& list) {
    int n = 0;
    for (int i = 0; i < list.Count(); ++i) n += !AddedByATest(list.Items(i)->Code);
    return n;
}

TEST(GisDatums, CataloguesHoldEveryRowAndCountDatumsPerEllipsoid) {
    ASSERT_EQ(CatalogueCount(GisDatumList()), 227);
    ASSERT_EQ(CatalogueCount(GisEllipsoidList()), 23);
    std::map<std::string, int> perEllipsoid;
    for (int i = 0; i < GisDatumList().Count(); ++i) {
        const TGIS_Datum& d = *GisDatumList().Items(i);
        if (AddedByATest(d.Code)) continue;
        ++perEllipsoid[d.EllipsoidCode];
        // One span each, inside the world (areas across the antimeridian take every longitude).
        EXPECT_TRUE(GisExtentInside(d.Validity, GisMakeExtent(-kPi, -kPi / 2, kPi, kPi / 2))) << d.Code;
        EXPECT_LT(d.Validity.XMin, d.Validity.XMax) << d.Code;
        EXPECT_LT(d.Validity.YMin, d.Validity.YMax) << d.Code;
        if (i > 0) {
            EXPECT_LT(AnsiCompareText(GisDatumList().Items(i - 1)->Code, d.Code), 0);
        }
    }
    std::map<std::string, int> expected{{"IN", 82}, {"CD", 45}, {"CC", 33}, {"SA", 13}, {"BR", 12}, {"KA", 8},
                                        {"EA", 7},  {"RF", 6},  {"AA", 6},  {"AN", 3},  {"WE", 1}, {"WD", 1},
                                        {"HO", 1},  {"ID", 1},  {"EC", 1},  {"AM", 1},  {"EE", 1}, {"HE", 1},
                                        {"BN", 1},  {"FA", 1},  {"EB", 1},  {"Afgooye", 1}};
    EXPECT_EQ(perEllipsoid, expected);

    TGIS_Datum* def = GisDatumList().GetDefault();
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->Code, "WGE");
    TGIS_Ellipsoid* we = def->FindEllipsoid();
    EXPECT_EQ(we->Code, "WE");
    EXPECT_EQ(we->SemiMajor, 6378137.0L);
    EXPECT_DOUBLE_EQ(static_cast<double>(1 / we->Flattening), 298.257223563);
    EXPECT_EQ(GisDatumList().FindByCode("eur-m"), &Datum("EUR-M"));
    EXPECT_EQ(GisDatumList().FindByCode("XYZ"), nullptr);
    EXPECT_EQ(GisEllipsoidList().FindByCode("ka")->Description, "Krassovsky 1940");
}

TEST(GisDatums, TheNumberedRowsAreExact) {
    struct Row {
        const char* code;
        int kind;
        double d[3], extra[3], box[4], scale;
        const char* ellipsoid;
        const char* description;
    };
    const Row rows[] = {
        {"WGE", 0, {0, 0, 0}, {0, 0, 0}, {}, 1, "WE", "World Geodetic System 1984"},
        {"WGD", 1, {0, 0, 0}, {0, 0, 0}, {}, 1, "WD", "World Geodetic System 1972"},
        {"ADI-M", 2, {-166, -15, 204}, {5, 5, 3}, {15, 55, -5, 31}, 1, "CD", "ADINDAN, Mean"},
        {"EUR-M", 2, {-87, -98, -121}, {3, 8, 5}, {5, 33, 30, 80}, 1, "IN", "EUROPEAN 1950, Mean (3 Param)"},
        {"NAS-C", 2, {-8, 160, 176}, {5, 5, 6}, {-135, -60, 15, 60}, 1, "CC", "NORTH AMERICAN 1927, CONUS"},
        {"EUR-7", 3, {-102, -102, -129}, {0.413, -0.184, 0.385}, {}, 2.4664e-6, "IN", "EUROPEAN 1950, Mean (7 Param)"},
        {"OGB-7", 3, {446, -99, 544}, {-0.945, -0.261, 0.435}, {}, -2.08927e-5, "AA",
         "ORDNANCE GB 1936, Mean (7 Param)"},
        {"CH1903", 3, {674.374, 15.056, 405.346}, {0, 0, 0}, {}, 0, "BR", "Switzerland CH-1903"},
        {"AFG", 2, {-43, -163, 45}, {25, 25, 25}, {35, 60, -8, 19}, 1, "Afgooye", "AFGOOYE, Somalia"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        const TGIS_Datum& d = Datum(r.code);
        EXPECT_EQ(d.Kind, r.kind);
        EXPECT_EQ(d.EllipsoidCode, r.ellipsoid);
        EXPECT_EQ(d.Description, r.description);
        EXPECT_EQ(d.DeltaX, r.d[0]);
        EXPECT_EQ(d.DeltaY, r.d[1]);
        EXPECT_EQ(d.DeltaZ, r.d[2]);
        EXPECT_EQ(d.Scale, r.scale);
        if (r.kind == 2) {
            EXPECT_EQ(d.SigmaX, r.extra[0]);
            EXPECT_EQ(d.SigmaY, r.extra[1]);
            EXPECT_EQ(d.SigmaZ, r.extra[2]);
            EXPECT_EQ(d.RotationX, 0);
            EXPECT_DOUBLE_EQ(d.Validity.XMin, r.box[0] * kDeg);
            EXPECT_DOUBLE_EQ(d.Validity.XMax, r.box[1] * kDeg);
            EXPECT_DOUBLE_EQ(d.Validity.YMin, r.box[2] * kDeg);
            EXPECT_DOUBLE_EQ(d.Validity.YMax, r.box[3] * kDeg);
        } else {
            EXPECT_EQ(d.SigmaX, 0);
            EXPECT_DOUBLE_EQ(d.RotationX, r.extra[0] / 206264.8062471);
            EXPECT_DOUBLE_EQ(d.RotationY, r.extra[1] / 206264.8062471);
            EXPECT_DOUBLE_EQ(d.RotationZ, r.extra[2] / 206264.8062471);
            EXPECT_EQ(d.Validity.XMin, -kPi);
            EXPECT_EQ(d.Validity.YMax, kPi / 2);
        }
    }
    try {
        Datum("AFG").FindEllipsoid();
        FAIL() << "Afgooye is no catalogue ellipsoid";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 200);
        EXPECT_STREQ(e.what(), "0200 Ellipsoid \"Afgooye\" not found");
    }
}

// Each listed transformation's helmert step, as projinfo prints it, is the datum's shift; where the list gives
// no sigmas they are 0, and where it gives no box the box is the transformation's area of use.
TEST(GisDatums, DeltasAndBoxesAreTheListedTransformations) {
    if (!HaveTool("projinfo")) GTEST_SKIP() << "projinfo (proj-bin) is not installed";
    std::ifstream list(std::string(QM_SOURCE_DIR) + "/scripts/datums.list");
    ASSERT_TRUE(list);
    std::string line;
    int checked = 0, boxes = 0;
    while (std::getline(list, line)) {
        std::istringstream words(line.substr(0, line.find('|')));
        std::string code, ellipsoid, source, option;
        if (!(words >> code >> ellipsoid >> source) || code[0] == '#') continue;
        if (source.find(':') == std::string::npos) continue;
        bool ownSigma = false, ownBox = false;
        while (words >> option) {
            ownSigma |= option.rfind("sigma=", 0) == 0;
            ownBox |= option.rfind("box=", 0) == 0;
        }
        SCOPED_TRACE(code + " " + source);
        std::string out = RunCommand("projinfo -o PROJ,WKT2:2019 -k operation " + source + " 2>&1");
        // A null shift prints as a no-op.
        size_t at = out.find("+proj=helmert");
        ASSERT_TRUE(at != std::string::npos || out.find("+proj=noop") != std::string::npos) << out;
        std::string step = at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
        auto param = [&](const std::string& key) {
            size_t p = step.find(" +" + key + "=");
            return p == std::string::npos ? 0.0 : std::stod(step.substr(p + key.size() + 3));
        };
        const TGIS_Datum& d = Datum(code);
        EXPECT_EQ(d.Kind, 2);
        EXPECT_EQ(d.DeltaX, param("x"));
        EXPECT_EQ(d.DeltaY, param("y"));
        EXPECT_EQ(d.DeltaZ, param("z"));
        if (!ownSigma) {
            EXPECT_EQ(d.SigmaX, 0);
            EXPECT_EQ(d.SigmaY, 0);
            EXPECT_EQ(d.SigmaZ, 0);
        }
        if (!ownBox) {
            // BBOX[south, west, north, east]; one across the antimeridian takes every longitude.
            size_t b = out.find("BBOX[");
            ASSERT_NE(b, std::string::npos) << out;
            double south, west, north, east;
            char comma;
            std::istringstream box(out.substr(b + 5));
            ASSERT_TRUE(box >> south >> comma >> west >> comma >> north >> comma >> east) << out;
            if (west > east) west = -180, east = 180;
            EXPECT_DOUBLE_EQ(d.Validity.XMin, west * kDeg);
            EXPECT_DOUBLE_EQ(d.Validity.XMax, east * kDeg);
            EXPECT_DOUBLE_EQ(d.Validity.YMin, south * kDeg);
            EXPECT_DOUBLE_EQ(d.Validity.YMax, north * kDeg);
            ++boxes;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 222);
    EXPECT_EQ(boxes, 218);
}

TEST(GisDatums, EllipsoidsMatchProjsList) {
    if (!HaveTool("proj")) GTEST_SKIP() << "proj (proj-bin) is not installed";
    const std::map<std::string, std::string> ours{{"WGS84", "WE"}, {"GRS80", "RF"},  {"krass", "KA"},
                                                   {"intl", "IN"},  {"bessel", "BR"}, {"airy", "AA"},
                                                   {"clrk66", "CC"}, {"evrst30", "EA"}, {"helmert", "HE"},
                                                   {"hough", "HO"}, {"WGS72", "WD"}, {"aust_SA", "SA"}};
    std::istringstream lines(RunCommand("proj -le"));
    std::string line;
    std::set<std::string> seen;
    while (std::getline(lines, line)) {
        std::istringstream w(line);
        std::string name, a, second;
        w >> name >> a >> second;
        auto it = ours.find(name);
        if (it == ours.end()) continue;
        SCOPED_TRACE(name);
        double pa = std::stod(a.substr(2));
        double value = std::stod(second.substr(second.find('=') + 1));
        double rf = second.rfind("rf=", 0) == 0 ? value : pa / (pa - value);
        const TGIS_Ellipsoid* e = GisEllipsoidList().FindByCode(it->second);
        ASSERT_NE(e, nullptr);
        EXPECT_NEAR(static_cast<double>(e->SemiMajor), pa, pa * 1e-9);
        EXPECT_NEAR(static_cast<double>(1 / e->Flattening), rf, rf * 1e-9);
        seen.insert(name);
    }
    EXPECT_EQ(seen.size(), ours.size());
}

TEST(GisDatums, GeocentricMatchesCs2csOnAGrid) {
    if (!HaveTool("cs2cs")) GTEST_SKIP() << "cs2cs (proj-bin) is not installed";
    const TGIS_Ellipsoid& e = *GisEllipsoidList().FindByCode("KA");
    std::vector<TGIS_Point3D> pts;
    for (double lat : {-90.0, -89.999, -67.5, -45.0, -1e-9, 0.0, 12.5, 60.0, 89.99, 90.0})
        for (double lon : {-180.0, -135.0, -0.5, 0.0, 90.0, 179.9, 180.0})
            for (double h : {-1000.0, 0.0, 8848.0, 100000.0}) pts.emplace_back(lon, lat, h);
    std::string in = TestDir("geocent") + "/grid.txt";
    {
        std::ofstream f(in);
        f.precision(17);
        for (const auto& p : pts) f << p.X << ' ' << p.Y << ' ' << p.Z << '\n';
    }
    std::istringstream out(RunCommand("cs2cs -f %.6f +proj=longlat +ellps=krass +to +proj=geocent +ellps=krass < " + in));
    for (const auto& p : pts) {
        double x, y, z;
        ASSERT_TRUE(out >> x >> y >> z);
        SCOPED_TRACE(std::to_string(p.X) + " " + std::to_string(p.Y) + " " + std::to_string(p.Z));
        TGIS_Point3D g, back;
        e.ToGeocentric(TGIS_Point3D(p.X * kDeg, p.Y * kDeg, p.Z), g);
        EXPECT_NEAR(g.X, x, 1e-3);
        EXPECT_NEAR(g.Y, y, 1e-3);
        EXPECT_NEAR(g.Z, z, 1e-3);
        e.FromGeocentric(TGIS_Point3D(x, y, z), back);
        // Metres on the ground: latitude along the meridian, longitude along the parallel.
        EXPECT_NEAR((back.Y - p.Y * kDeg) * 6.4e6, 0, 0.01);
        if (std::fabs(p.Y) < 90) {
            double dl = std::remainder(back.X - p.X * kDeg, 2 * kPi);
            EXPECT_NEAR(dl * 6.4e6 * std::cos(p.Y * kDeg), 0, 0.01);
        }
        EXPECT_NEAR(back.Z, p.Z, 0.01);
    }
}

TEST(GisDatums, GeocentricEdges) {
    const TGIS_Ellipsoid& we = *GisEllipsoidList().FindByCode("WE");
    TGIS_Point3D g, back;
    we.ToGeocentric(TGIS_Point3D(0, 0, 0), g);
    EXPECT_DOUBLE_EQ(g.X, 6378137);
    EXPECT_EQ(g.Y, 0);
    EXPECT_EQ(g.Z, 0);
    we.FromGeocentric(g, back);
    EXPECT_EQ(back.X, 0);
    EXPECT_NEAR(back.Y, 0, 1e-15);
    EXPECT_NEAR(back.Z, 0, 1e-6);

    we.FromGeocentric(TGIS_Point3D(0, 0, 0), back);
    EXPECT_EQ(back.X, 0);
    EXPECT_EQ(back.Y, kPi / 2);
    EXPECT_EQ(back.Z, -static_cast<double>(we.SemiMinor));
    // On the axis: the latitude is fixed, the height still computed.
    we.FromGeocentric(TGIS_Point3D(0, 0, -6356852.314), back);
    EXPECT_EQ(back.Y, -kPi / 2);
    EXPECT_NEAR(back.Z, 100, 1e-3);
    we.FromGeocentric(TGIS_Point3D(0, -7e6, 0), back);
    EXPECT_EQ(back.X, -kPi / 2);
    EXPECT_NEAR(back.Z, 7e6 - 6378137, 1e-3);

    try {
        we.ToGeocentric(TGIS_Point3D(0, 1.6, 0), g);
        FAIL();
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 210);
        EXPECT_EQ(e.StrParam, "1.6");
    }
    for (double bad : {double(NAN), double(INFINITY), -3.2}) {
        EXPECT_THROW(we.ToGeocentric(TGIS_Point3D(bad, 0, 0), g), EGIS_Exception);
        EXPECT_THROW(we.ToGeocentric(TGIS_Point3D(0, bad, 0), g), EGIS_Exception);
    }
    try {
        we.ToGeocentric(TGIS_Point3D(-3.2, 0, 0), g);
        FAIL();
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 211);
    }
}

TEST(GisDatums, SpheresAndRefusedEllipsoids) {
    TGIS_EllipsoidList list;
    TGIS_Ellipsoid* s = list.AddEllipsoid("S1", "sphere", 0, 6371000);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Flattening, 0);
    EXPECT_EQ(s->SemiMinor, 6371000);
    EXPECT_EQ(s->Eccentricity2, 0);
    EXPECT_EQ(s->SecondEccentricity2, 0);
    EXPECT_EQ(s->InverseFlattening, 0);
    TGIS_Point3D g, back;
    s->ToGeocentric(TGIS_Point3D(1, 0.5, 10), g);
    EXPECT_NEAR(std::sqrt(g.X * g.X + g.Y * g.Y + g.Z * g.Z), 6371010, 1e-6);
    s->FromGeocentric(g, back);
    EXPECT_NEAR(back.X, 1, 1e-12);
    EXPECT_NEAR(back.Y, 0.5, 1e-12);
    EXPECT_NEAR(back.Z, 10, 1e-6);

    for (auto [rf, a] : {std::pair{298.0, 0.0}, {298.0, -1.0}, {298.0, double(NAN)}, {298.0, double(INFINITY)},
                         {-1.0, 6e6}, {0.5, 6e6}, {1.0, 6e6}, {double(NAN), 6e6}, {double(INFINITY), 6e6}})
        EXPECT_EQ(list.AddEllipsoid("X", "bad", rf, a), nullptr) << rf << " " << a;
    EXPECT_EQ(list.Count(), 1);
}

TEST(GisDatums, ReplacedEntriesKeepTheirObject) {
    TGIS_DatumList list;
    TGIS_DatumParams p{{1, 2, 3}, {4, 5, 6}, {10, 20, -5, 5}, 7};
    TGIS_Datum* first = list.AddDatum(2, "usr", p, "IN", "mine");
    list.AddDatum(2, "AAA", p, "IN", "before");
    EXPECT_EQ(first->Scale, 1);
    EXPECT_EQ(first->SigmaZ, 6);
    p.Delta[0] = 100;
    TGIS_Datum* again = list.AddDatum(3, "USR", p, "KA", "replaced");
    EXPECT_EQ(again, first);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(first->Kind, 3);
    EXPECT_EQ(first->Code, "USR");
    EXPECT_EQ(first->DeltaX, 100);
    EXPECT_EQ(first->SigmaZ, 0);
    EXPECT_DOUBLE_EQ(first->RotationX, 4 / 206264.8062471);
    EXPECT_EQ(first->Scale, 7);
    EXPECT_EQ(first->Validity.XMax, kPi);
    EXPECT_EQ(list.Items(0)->Code, "AAA");
}

}  // namespace

namespace {

TEST(GisDatumsIni, SevenParameterDatumsWriteArcSecondsAndReadBackUnderANewCode) {
    TGIS_Ini ini(nullptr, "");
    GisDatumList().WriteToIni(ini, "eur-7");
    EXPECT_EQ(ini.ReadString("Datum.Code", ""), "EUR-7");
    EXPECT_EQ(ini.ReadString("Datum.Ellipsoid", ""), "IN");
    EXPECT_NEAR(ini.ReadFloat("Datum.Rotation.X", 0), 0.413, 1e-12);
    EXPECT_NEAR(ini.ReadFloat("Datum.Rotation.Y", 0), -0.184, 1e-12);
    EXPECT_NEAR(ini.ReadFloat("Datum.Rotation.Z", 0), 0.385, 1e-12);
    EXPECT_EQ(ini.ReadFloat("Datum.Scale", 0), 2.4664e-6);
    EXPECT_EQ(ini.ReadFloat("Datum.Delta.Z", 0), -129);
    EXPECT_EQ(ini.ReadFloat("Datum.Validity.XMin", 0), -180);

    TGIS_DatumList user;
    ini.WriteString("Datum.Code", "MY-7");
    EXPECT_EQ(user.ReadFromIni(ini), nullptr);
    ASSERT_EQ(user.Count(), 1);
    const TGIS_Datum& q = *user.FindByCode("my-7");
    const TGIS_Datum& eur = *GisDatumList().FindByCode("EUR-7");
    EXPECT_EQ(q.Kind, 3);
    EXPECT_DOUBLE_EQ(q.RotationX, eur.RotationX);
    EXPECT_DOUBLE_EQ(q.RotationZ, eur.RotationZ);
    EXPECT_EQ(q.Scale, eur.Scale);
    EXPECT_EQ(q.DeltaY, eur.DeltaY);
    EXPECT_EQ(q.Description, eur.Description);
    // Known now: read again, it is returned and no key is looked at.
    ini.WriteFloat("Datum.Delta.Y", 999);
    EXPECT_EQ(user.ReadFromIni(ini), &q);
    EXPECT_EQ(q.DeltaY, -102);
}

TEST(GisDatumsIni, CatalogueCodesShortCutAndUserShiftsDefaultToAnEmptyBox) {
    TGIS_Ini ini(nullptr, "");
    ini.WriteString("Datum.Code", "adi-m");
    ini.WriteFloat("Datum.Delta.X", 1);
    EXPECT_EQ(GisDatumList().ReadFromIni(ini), GisDatumList().FindByCode("ADI-M"));
    EXPECT_EQ(GisDatumList().FindByCode("ADI-M")->DeltaX, -166);

    TGIS_Ini shift(nullptr, "");
    shift.WriteString("Datum.Code", "MY-3");
    shift.WriteString("Datum.Ellipsoid", "KA");
    shift.WriteFloat("Datum.Delta.X", 15.5);
    shift.WriteFloat("Datum.Sigma.Z", 2);
    TGIS_DatumList user;
    EXPECT_EQ(user.ReadFromIni(shift), nullptr);
    const TGIS_Datum& d = *user.FindByCode("my-3");
    EXPECT_EQ(d.Kind, 2);
    EXPECT_EQ(d.DeltaX, 15.5);
    EXPECT_EQ(d.SigmaZ, 2);
    EXPECT_EQ(d.Scale, 1);
    EXPECT_TRUE(GisIsSameExtent(d.Validity, GisMakeExtent(0, 0, 0, 0)));

    TGIS_Ini empty(nullptr, "");
    empty.WriteFloat("Datum.Delta.X", 3);
    EXPECT_EQ(user.ReadFromIni(empty), nullptr);
    EXPECT_EQ(user.Count(), 1);
    GisDatumList().WriteToIni(empty, "NOSUCH");
    EXPECT_EQ(empty.ReadValue("Datum.Code"), "nil");
}

TEST(GisDatumsIni, EllipsoidKeysSpheresAndRefusedValues) {
    TGIS_Ini ini(nullptr, "");
    GisEllipsoidList().WriteToIni(ini, "KA");
    EXPECT_EQ(ini.ReadString("Ellipsoid.Description", ""), "Krassovsky 1940");
    EXPECT_EQ(ini.ReadFloat("Ellipsoid.SemiMajor", 0), 6378245);
    EXPECT_EQ(ini.ReadFloat("Ellipsoid.Flattering", 0), 298.3);
    EXPECT_EQ(GisEllipsoidList().ReadFromIni(ini), GisEllipsoidList().FindByCode("KA"));

    // No inverse flattening: a sphere, written back as 0.
    TGIS_Ini sphere(nullptr, "");
    sphere.WriteString("Ellipsoid.Code", "TEST_SPH");
    sphere.WriteFloat("Ellipsoid.SemiMajor", 6371000);
    TGIS_EllipsoidList user;
    EXPECT_EQ(user.ReadFromIni(sphere), nullptr);
    const TGIS_Ellipsoid* s = user.FindByCode("TEST_SPH");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->SemiMinor, 6371000);
    TGIS_Ini back(nullptr, "");
    user.WriteToIni(back, "TEST_SPH");
    EXPECT_EQ(back.ReadFloat("Ellipsoid.Flattering", -1), 0);

    // Impossible values add nothing; a datum naming the code then raises 0200.
    for (auto [a, rf] : {std::pair{"0", "298"}, {"-6e6", "298"}, {"6e6", "-3"}, {"6e6", "0.5"}, {"6e6", "1"}}) {
        TGIS_Ini bad(nullptr, "");
        bad.WriteString("Ellipsoid.Code", "TEST_BAD");
        bad.WriteString("Ellipsoid.SemiMajor", a);
        bad.WriteString("Ellipsoid.Flattering", rf);
        EXPECT_EQ(user.ReadFromIni(bad), nullptr);
        EXPECT_EQ(user.FindByCode("TEST_BAD"), nullptr) << a << " " << rf;
    }
    TGIS_Ini datum(nullptr, "");
    datum.WriteString("Datum.Code", "TEST_BADDATUM");
    datum.WriteString("Datum.Ellipsoid", "TEST_BAD");
    TGIS_DatumList datums;
    datums.ReadFromIni(datum);
    EXPECT_THROW(datums.FindByCode("TEST_BADDATUM")->FindEllipsoid(), EGIS_Exception);
}

}  // namespace

namespace {

TEST(GisDatums, FromGeocentricStaysFiniteNearTheCentreAndFarOut) {
    const TGIS_Ellipsoid& we = *GisEllipsoidList().FindByCode("WE");
    TGIS_Point3D g;
    we.FromGeocentric(TGIS_Point3D(1e-309, 0, 0), g);
    EXPECT_EQ(g.X, 0);
    EXPECT_TRUE(std::isfinite(g.Y));
    we.FromGeocentric(TGIS_Point3D(0, 3e-200, -2e-200), g);
    EXPECT_TRUE(std::isfinite(g.Y)) << g.Y;
    we.FromGeocentric(TGIS_Point3D(1e300, -1e300, 1e300), g);
    EXPECT_NEAR(g.X, -kPi / 4, 1e-15);
    EXPECT_NEAR(g.Y, 0.6154797, 1e-6);  // atan(1/sqrt 2)
}

}  // namespace
