#include "gis/core/GisProjections.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisIni.h"
#include "gis/core/GisProjAzimuthal.h"
#include "gis/core/GisProjWorld.h"
#include "gis/core/GisProjTMerc.h"
#include "gis/core/GisProjConic.h"
#include "gis/core/GisProjCylindrical.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr char kCodeGeodetic[] = "GED";
constexpr char kDescriptionGeodetic[] = "Geodetic (unprojected)";
constexpr char kCodeGeocentric[] = "GEC";
constexpr char kDescriptionGeocentric[] = "Geocentic (unprojected)";

void RequireFinite(double value, const char* message) {
    if (!std::isfinite(value)) throw EGIS_Exception(message, FloatToStr(value), 0);
}

}  // namespace

TGIS_ProjectionAbstract::TGIS_ProjectionAbstract() {
    Datum = GisDatumList().GetDefault();
    Ellipsoid = Datum->FindEllipsoid();
}

void TGIS_ProjectionAbstract::Prepare() {
    Ellipsoid = Datum->FindEllipsoid();
    SemiMajor = Ellipsoid->SemiMajor;
    SemiMinor = Ellipsoid->SemiMinor;
    SemiMajor2 = Ellipsoid->SemiMajor2;
    SemiMinor2 = Ellipsoid->SemiMinor2;
    Eccentricity2 = Ellipsoid->Eccentricity2;
    Eccentricity = Ellipsoid->Eccentricity;
    SecondEccentricity2 = Ellipsoid->SecondEccentricity2;
}

void TGIS_ProjectionAbstract::SetUp(int32_t, double, double, double, double, double, double, double, double,
                                    double, double, double, double, double, double) {}

void TGIS_ProjectionAbstract::SetDatum(TGIS_Datum* datum) {
    if (datum == nullptr || datum == Datum) return;
    Datum = datum;
    Prepare();
}

double TGIS_ProjectionAbstract::Corrected(double value, double lo, double hi, const char* message) {
    if (std::isnan(value)) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    if (value < lo) {
        AddWarning(message);
        return lo;
    }
    if (value > hi) {
        AddWarning(message);
        return hi;
    }
    return value;
}

void TGIS_ProjectionAbstract::RequireFiniteParameters(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
}

double TGIS_ProjectionAbstract::CorrectedOriginLatitude(double value, double limit) {
    return Corrected(value, -limit, limit, GIS_RS_WARN_ORIGINLATITUDE);
}

double TGIS_ProjectionAbstract::CorrectedCentralMeridian(double value) {
    return Corrected(value, -kPi, 2 * kPi, GIS_RS_WARN_STANDARDMERIDIAN);
}

double TGIS_ProjectionAbstract::CorrectedParallel1(double value, double limit) {
    return Corrected(value, -limit, limit, GIS_RS_WARN_STANDARDPARALLEL1);
}

double TGIS_ProjectionAbstract::CorrectedParallel2(double value, double limit) {
    return Corrected(value, -limit, limit, GIS_RS_WARN_STANDARDPARALLEL2);
}

std::pair<double, double> TGIS_ProjectionAbstract::ProjectRangeCorrected(double longitude, double latitude,
                                                                         double latMin, double latMax) {
    // A NaN passes every comparison below and would reach the projection's own formulas.
    RequireFinite(latitude, GIS_RS_ERR_LATITUDE);
    RequireFinite(longitude, GIS_RS_ERR_LONGITUDE);
    latitude = Corrected(latitude, latMin, latMax, GIS_RS_WARN_LATITUDE);
    return {ReduceMeridian(Corrected(longitude, -kPi, 2 * kPi, GIS_RS_WARN_LONGITUDE)), latitude};
}

std::pair<double, double> TGIS_ProjectionAbstract::UnprojectRangeCorrected(double x, double y) {
    TGIS_Point3D p(x, y, 0);
    UnprojectRange(p, GisMakeExtent(-EastingBound, -NorthingBound, EastingBound, NorthingBound));
    return {p.X, p.Y};
}

void TGIS_ProjectionAbstract::UnprojectRange(TGIS_Point3D& p, const TGIS_Extent& box) {
    const double xMin = FalseEasting + box.XMin, xMax = FalseEasting + box.XMax;
    const double yMin = FalseNorthing + box.YMin, yMax = FalseNorthing + box.YMax;
    if (p.X >= xMin && p.X <= xMax && p.Y >= yMin && p.Y <= yMax) return;  // NaN fails these too
    RequireFinite(p.X, GIS_RS_ERR_EASTING);
    RequireFinite(p.Y, GIS_RS_ERR_NORTHING);
    p.X = Corrected(p.X, xMin, xMax, GIS_RS_WARN_EASTING);
    p.Y = Corrected(p.Y, yMin, yMax, GIS_RS_WARN_NORTHING);
}

void TGIS_ProjectionAbstract::SetUpOrigin(double centralMeridian, double originLatitude, double falseEasting,
                                          double falseNorthing, double originLimit) {
    RequireFiniteParameters({falseEasting, falseNorthing});
    OriginLatitude = CorrectedOriginLatitude(originLatitude, originLimit);
    CentralMeridian = ReduceMeridian(CorrectedCentralMeridian(centralMeridian));
    FalseEasting = falseEasting;
    FalseNorthing = falseNorthing;
}

std::string TGIS_ProjectionGeodetic::Code() const { return kCodeGeodetic; }
std::string TGIS_ProjectionGeodetic::Description() const { return kDescriptionGeodetic; }
std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionGeodetic::NewInstance() const {
    return std::make_unique<TGIS_ProjectionGeodetic>();
}

std::string TGIS_ProjectionGeocentric::Code() const { return kCodeGeocentric; }
std::string TGIS_ProjectionGeocentric::Description() const { return kDescriptionGeocentric; }
std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionGeocentric::NewInstance() const {
    return std::make_unique<TGIS_ProjectionGeocentric>();
}

void TGIS_ProjectionGeocentric::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    Ellipsoid->ToGeocentric(in, out);
}

void TGIS_ProjectionGeocentric::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    RequireFinite(in.X, GIS_RS_ERR_EASTING);
    // The message table has no text for Z; it is the third plane coordinate here.
    RequireFinite(in.Y, GIS_RS_ERR_NORTHING);
    RequireFinite(in.Z, GIS_RS_ERR_NORTHING);
    Ellipsoid->FromGeocentric(in, out);
}

namespace {
// Position of the first entry whose code is not below `code`.
template <class Items>
auto LowerBound(Items& items, const std::string& code) {
    return std::lower_bound(items.begin(), items.end(), code,
                            [](const std::unique_ptr<TGIS_ProjectionAbstract>& p, const std::string& c) {
                                return AnsiCompareText(p->Code(), c) < 0;
                            });
}
}  // namespace

TGIS_ProjectionList::~TGIS_ProjectionList() {
    while (!items_.empty()) items_.pop_back();
}

TGIS_ProjectionAbstract* TGIS_ProjectionList::RegisterProjection(std::unique_ptr<TGIS_ProjectionAbstract> projection) {
    const std::string code = projection->Code();
    auto it = LowerBound(items_, code);
    if (it != items_.end() && AnsiCompareText((*it)->Code(), code) == 0) {
        *it = std::move(projection);
        return it->get();
    }
    return items_.insert(it, std::move(projection))->get();
}

TGIS_ProjectionAbstract* TGIS_ProjectionList::FindByCode(const std::string& code) const {
    auto it = LowerBound(items_, code);
    return it != items_.end() && AnsiCompareText((*it)->Code(), code) == 0 ? it->get() : nullptr;
}

namespace {
// Completes after the datum catalogues it builds first, so it is destroyed before them.
struct Registry {
    Registry() {
        GisInitDatumTables();
        list.RegisterProjection(std::make_unique<TGIS_ProjectionGeodetic>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionGeocentric>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionAlbers>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionMercator>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionRobinson>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionBonne>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionCassini>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionCEA>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionTCEA>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionEQC>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionMillerCyl>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionMollweide>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionEckert4>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionEckert6>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionWagner4>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionWagner7>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionGrinten>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionLambert>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionOrthographic>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionPolarStereographic>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionPolyconic>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionSinusoid>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionTransverseMercator>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionUTM>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionHotine>());
        list.RegisterProjection(std::make_unique<TGIS_ProjectionHotine2>());
    }
    TGIS_ProjectionList list;
};
}  // namespace

TGIS_ProjectionList& GisProjectionList() {
    static Registry registry;
    return registry.list;
}

void TGIS_ProjectionAbstract::ReadParams(TGIS_Ini& ini) {
    try {
        if (UpperCase(ini.ReadString("Projection.Code", Code())) != Code())
            throw EGIS_Exception(GIS_RS_ERR_INIPARAMS, "", 0);
        TGIS_Datum* datum = GisDatumList().FindByCode(UpperCase(ini.ReadString("Projection.Datum", Datum->Code)));
        if (datum == nullptr) throw EGIS_Exception(GIS_RS_ERR_INIPARAMS, "", 0);
        SetDatum(datum);
        double cm = ini.ReadFloat("Projection.CentralMeridian", CentralMeridian);
        double ol = ini.ReadFloat("Projection.OriginLatitude", OriginLatitude);
        double fe = ini.ReadFloat("Projection.FalseEasting", FalseEasting);
        double fn = ini.ReadFloat("Projection.FalseNorthing", FalseNorthing);
        double sp1 = ini.ReadFloat("Projection.StandardParalell_1", StandardParallel_1);
        // Older files wrote both parallels to "_1", the second last.
        double sp2 = ini.ReadFloat("Projection.StandardParalell_2",
                                   ini.ReadFloat("Projection.StandardParalell_1", StandardParallel_2));
        int32_t zone = ini.ReadInteger("Projection.Zone", Zone);
        double sf = ini.ReadFloat("Projection.ScaleFactor", ScaleFactor);
        double loc = ini.ReadFloat("Projection.LongitudeOfCenter", LongitudeOfCenter);
        double lac = ini.ReadFloat("Projection.LatitudeOfCenter", LatitudeOfCenter);
        double az = ini.ReadFloat("Projection.Azimuth", Azimuth);
        double lo1 = ini.ReadFloat("Projection.LongitudeOfPoint_1", LongitudeOfPoint_1);
        double la1 = ini.ReadFloat("Projection.LatitudeOfPoint_1", LatitudeOfPoint_1);
        double lo2 = ini.ReadFloat("Projection.LongitudeOfPoint_2", LongitudeOfPoint_2);
        double la2 = ini.ReadFloat("Projection.LatitudeOfPoint_2", LatitudeOfPoint_2);
        SetUp(zone, cm, ol, fe, fn, sp1, sp2, sf, loc, lac, az, lo1, la1, lo2, la2);
    } catch (const std::exception&) {
        throw EGIS_Exception(GIS_RS_ERR_INIPARAMS, "", 0);
    }
}

void TGIS_ProjectionAbstract::WriteParams(TGIS_Ini& ini) const {
    ini.WriteString("Projection.Code", Code());
    ini.WriteString("Projection.Datum", Datum->Code);
    ini.WriteFloat("Projection.CentralMeridian", CentralMeridian);
    ini.WriteFloat("Projection.OriginLatitude", OriginLatitude);
    ini.WriteFloat("Projection.FalseEasting", FalseEasting);
    ini.WriteFloat("Projection.FalseNorthing", FalseNorthing);
    ini.WriteFloat("Projection.StandardParalell_1", StandardParallel_1);
    ini.WriteFloat("Projection.StandardParalell_2", StandardParallel_2);
    ini.WriteInteger("Projection.Zone", Zone);
    ini.WriteFloat("Projection.ScaleFactor", ScaleFactor);
    ini.WriteFloat("Projection.LongitudeOfCenter", LongitudeOfCenter);
    ini.WriteFloat("Projection.LatitudeOfCenter", LatitudeOfCenter);
    ini.WriteFloat("Projection.Azimuth", Azimuth);
    ini.WriteFloat("Projection.LongitudeOfPoint_1", LongitudeOfPoint_1);
    ini.WriteFloat("Projection.LatitudeOfPoint_1", LatitudeOfPoint_1);
    ini.WriteFloat("Projection.LongitudeOfPoint_2", LongitudeOfPoint_2);
    ini.WriteFloat("Projection.LatitudeOfPoint_2", LatitudeOfPoint_2);
}

std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionList::ReadFromConfig(TGIS_Ini& ini) const {
    const TGIS_ProjectionAbstract* member = FindByCode(ini.ReadString("Projection.Code", ""));
    if (member == nullptr) return nullptr;
    // A fresh instance: the registered one is shared, and layers on one projection differ in parameters.
    std::unique_ptr<TGIS_ProjectionAbstract> p = member->NewInstance();
    p->ReadParams(ini);
    return p;
}

void TGIS_ProjectionList::WriteToConfig(TGIS_Ini& ini, const TGIS_ProjectionAbstract* projection) const {
    if (projection == nullptr)
        ini.WriteString("Projection.Code", "");
    else
        projection->WriteParams(ini);
}

double GisSin2Series(double x, const double* c, int n) { return GisSin2Series(std::sin(2 * x), std::cos(2 * x), c, n); }

double GisSin2Series(double sin2x, double cos2x, const double* c, int n) {
    const double s = sin2x, k = 2 * cos2x;
    double b1 = 0, b2 = 0;
    for (int i = n - 1; i >= 0; --i) {
        const double b = c[i] + k * b1 - b2;
        b2 = b1;
        b1 = b;
    }
    return b1 * s;
}

void TGIS_MeridianArc::Prepare(long double a, long double e2) {
    const long double e4 = e2 * e2, e6 = e4 * e2;
    Rectifying = a * (1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256);
    m0_ = static_cast<double>(Rectifying);
    m_[0] = static_cast<double>(-a * (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024));
    m_[1] = static_cast<double>(a * (15 * e4 / 256 + 45 * e6 / 1024));
    m_[2] = static_cast<double>(-a * 35 * e6 / 3072);
    const long double r = std::sqrt(1 - e2), e1 = (1 - r) / (1 + r);
    const long double e12 = e1 * e1, e13 = e12 * e1, e14 = e13 * e1;
    f_[0] = static_cast<double>(3 * e1 / 2 - 27 * e13 / 32);
    f_[1] = static_cast<double>(21 * e12 / 16 - 55 * e14 / 32);
    f_[2] = static_cast<double>(151 * e13 / 96);
    f_[3] = static_cast<double>(1097 * e14 / 512);
}

long double GisAuthalicRadius(long double a, long double e2) {
    return a * (1 - e2 / 6 - 17 * e2 * e2 / 360 - 67 * e2 * e2 * e2 / 3024);
}

void TGIS_Conformal::Prepare(long double e2) {
    const long double e4 = e2 * e2, e6 = e4 * e2, e8 = e6 * e2;
    c_[0] = static_cast<double>(e2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360);
    c_[1] = static_cast<double>(7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520);
    c_[2] = static_cast<double>(7 * e6 / 120 + 81 * e8 / 1120);
    c_[3] = static_cast<double>(4279 * e8 / 161280);
}

bool GisLatitudeOfIsometric(double psi, double e, const TGIS_Conformal& series, double tolerance, int rounds,
                            double& phi) {
    phi = series.Latitude(std::atan(std::sinh(psi)));
    for (int round = 0; round < rounds; ++round) {
        const double next = std::atan(std::sinh(psi + GisEccentricAtanh(e, std::sin(phi))));
        const double change = std::fabs(next - phi);
        phi = next;
        if (change <= tolerance) return true;
    }
    return false;
}

void TGIS_Authalic::Prepare(long double e2) {
    e2_ = e2;
    e_ = std::sqrt(e2);
    const long double e4 = e2 * e2, e6 = e4 * e2;
    f_[0] = static_cast<double>(e2 / 3 + 31 * e4 / 180 + 517 * e6 / 5040);
    f_[1] = static_cast<double>(23 * e4 / 360 + 251 * e6 / 3780);
    f_[2] = static_cast<double>(761 * e6 / 45360);
    Qp = Q(kPi / 2);
}

long double TGIS_Authalic::Q(long double latitude) const {
    const long double s = std::sin(latitude);
    // The logarithm of the textbook form as atanh, which keeps its accuracy for a small e.
    if (e_ == 0) return 2 * s;
    return (1 - e2_) * (s / (1 - e2_ * s * s) + std::atanh(e_ * s) / e_);
}

long double TGIS_Authalic::Beta(long double latitude) const {
    return std::asin(std::clamp(Q(latitude) / Qp, -1.0L, 1.0L));
}
