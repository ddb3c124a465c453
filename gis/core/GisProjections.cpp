#include "gis/core/GisProjections.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisIni.h"

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

double TGIS_ProjectionAbstract::ReduceMeridian(double meridian) { return meridian > kPi ? meridian - 2 * kPi : meridian; }

void TGIS_ProjectionAbstract::ProjectRange(TGIS_Point3D& p, double latMin, double latMax) {
    // A NaN passes every comparison below and would reach the projection's own formulas.
    RequireFinite(p.Y, GIS_RS_ERR_LATITUDE);
    RequireFinite(p.X, GIS_RS_ERR_LONGITUDE);
    p.Y = Corrected(p.Y, latMin, latMax, GIS_RS_WARN_LATITUDE);
    p.X = ReduceMeridian(Corrected(p.X, -kPi, 2 * kPi, GIS_RS_WARN_LONGITUDE));
}

double TGIS_ProjectionAbstract::LongitudeDelta(double longitude) const {
    return NormalizeLongitude(longitude - CentralMeridian);
}

void TGIS_ProjectionAbstract::UnprojectRange(TGIS_Point3D& p) {
    RequireFinite(p.X, GIS_RS_ERR_EASTING);
    RequireFinite(p.Y, GIS_RS_ERR_NORTHING);
    p.X = Corrected(p.X, FalseEasting - EastingBound, FalseEasting + EastingBound, GIS_RS_WARN_EASTING);
    p.Y = Corrected(p.Y, FalseNorthing - NorthingBound, FalseNorthing + NorthingBound, GIS_RS_WARN_NORTHING);
}

double TGIS_ProjectionAbstract::NormalizeLongitude(double longitude) {
    if (longitude > kPi) return longitude - 2 * kPi;
    if (longitude < -kPi) return longitude + 2 * kPi;
    return longitude;
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
