#include "gis/core/GisProjections.h"

#include <algorithm>
#include <cmath>

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
