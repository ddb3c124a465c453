#include "gis/core/GisDatums.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisIni.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180;
constexpr double kArcSecondsPerRadian = 206264.8062471;

struct EllipsoidRow {
    const char* code;
    const char* description;
    double a;
    double inverseFlattening;
};

const EllipsoidRow kEllipsoids[] = {
    {"WE", "World Geodetic System 1984 (WGS 84)", 6378137.0, 298.257223563},
    {"WD", "World Geodetic System 1972 (WGS 72)", 6378135.0, 298.26},
    {"AA", "Airy (1930)", 6377563.396, 299.3249646},
    {"AN", "Australian National", 6378160.0, 298.25},
    {"BR", "Bessel 1841", 6377397.155, 299.1528128},
    {"BN", "Bessel 1841: Namibia", 6377483.865, 299.1528128},
    {"BM", "Bessel Modified: Norway & Sweden", 6377492.018, 299.1528128},
    {"CC", "Clarke 1866", 6378206.4, 294.9786982},
    {"CD", "Clarke 1880", 6378249.138, 293.466307656},
    {"EB", "Everest: Brunei & E. Malasia (Sabah & Sarawak)", 6377298.556, 300.8017},
    {"EA", "Everest: India 1830", 6377276.345, 300.8017},
    {"EC", "Everest: India 1956", 6377301.243, 300.8017},
    {"EE", "Everest: W. Malasia and Singapore 1948", 6377304.063, 300.80174},
    {"ED", "Everest: W. Malasia 1969", 6377295.664, 300.8017},
    {"RF", "Geodetic Reference System 1980 (GRS 80)", 6378137.0, 298.257222101},
    {"HE", "Helmert 1906", 6378200.0, 298.3},
    {"HO", "Hough 1960", 6378270.0, 297.0},
    {"ID", "Indonesian 1974", 6378160.0, 298.247},
    {"IN", "International 1924", 6378388.0, 297.0},
    {"KA", "Krassovsky 1940", 6378245.0, 298.3},
    {"AM", "Modified Airy", 6377340.189, 299.3249646},
    {"FA", "Modified Fischer 1960 (South Asia)", 6378155.0, 298.3},
    {"SA", "South American 1969", 6378160.0, 298.25},
};

struct DatumRow {
    uint8_t kind;
    const char* code;
    const char* ellipsoid;
    double delta[3];
    double extra[3];
    double validity[4];
    double scale;
    const char* description;
};

const DatumRow kDatums[] = {
#include "gis/core/GisDatumsTable.inc"
};

// Index of the first entry not below code; found tells whether it matches.
template <class T>
size_t LowerBound(const std::vector<std::unique_ptr<T>>& items, const std::string& code, bool& found) {
    auto it = std::lower_bound(items.begin(), items.end(), code,
                               [](const std::unique_ptr<T>& item, const std::string& c) {
                                   return AnsiCompareText(item->Code, c) < 0;
                               });
    found = it != items.end() && AnsiCompareText((*it)->Code, code) == 0;
    return static_cast<size_t>(it - items.begin());
}

template <class T>
T* Find(const std::vector<std::unique_ptr<T>>& items, const std::string& code) {
    bool found = false;
    size_t at = LowerBound(items, code, found);
    return found ? items[at].get() : nullptr;
}

// The entry for code, created in order when absent; an existing one is reused so that it never moves.
template <class T>
T& Slot(std::vector<std::unique_ptr<T>>& items, const std::string& code, T&& fresh) {
    bool found = false;
    size_t at = LowerBound(items, code, found);
    if (found) {
        *items[at] = std::move(fresh);
        return *items[at];
    }
    return **items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), std::make_unique<T>(std::move(fresh)));
}

TGIS_DatumList BuildDatums() {
    TGIS_DatumList list;
    for (const DatumRow& r : kDatums) {
        TGIS_DatumParams p{};
        std::copy(r.delta, r.delta + 3, p.Delta);
        std::copy(r.extra, r.extra + 3, p.Extra);
        std::copy(r.validity, r.validity + 4, p.Validity);
        p.Scale = r.scale;
        list.AddDatum(r.kind, r.code, p, r.ellipsoid, r.description);
    }
    return list;
}

TGIS_EllipsoidList BuildEllipsoids() {
    TGIS_EllipsoidList list;
    for (const EllipsoidRow& r : kEllipsoids) list.AddEllipsoid(r.code, r.description, r.inverseFlattening, r.a);
    return list;
}

}  // namespace

bool TGIS_Ellipsoid::IsValid(double inverseFlattening, double semiMajor) {
    if (!(std::isfinite(semiMajor) && semiMajor > 0)) return false;
    return inverseFlattening == 0 || (std::isfinite(inverseFlattening) && inverseFlattening > 1);
}

TGIS_Ellipsoid::TGIS_Ellipsoid(const std::string& code, const std::string& description, double inverseFlattening,
                               double semiMajor)
    : Code(code), Description(description), InverseFlattening(inverseFlattening) {
    SemiMajor = semiMajor;
    // 1/f = 0 is the usual way to write a sphere.
    Flattening = inverseFlattening == 0 ? 0.0L : 1.0L / static_cast<long double>(inverseFlattening);
    SemiMinor = SemiMajor - Flattening * SemiMajor;
    SemiMajor2 = SemiMajor * SemiMajor;
    SemiMinor2 = SemiMinor * SemiMinor;
    Eccentricity2 = (SemiMajor2 - SemiMinor2) / SemiMajor2;
    Eccentricity = std::sqrt(Eccentricity2);
    SecondEccentricity2 = (SemiMajor2 - SemiMinor2) / SemiMinor2;
    SecondEccentricity = std::sqrt(SecondEccentricity2);
}

void TGIS_Ellipsoid::ToGeocentric(const TGIS_Point3D& in, TGIS_Point3D& out) const {
    const double lon = in.X, lat = in.Y, h = in.Z;
    // Written so that NaN fails too.
    if (!(lat >= -kPi / 2 && lat <= kPi / 2)) throw EGIS_Exception(GIS_RS_ERR_LATITUDE, FloatToStr(lat), 0);
    if (!(lon >= -kPi && lon <= kPi)) throw EGIS_Exception(GIS_RS_ERR_LONGITUDE, FloatToStr(lon), 0);
    const double a = static_cast<double>(SemiMajor), e2 = static_cast<double>(Eccentricity2);
    const double sinLat = std::sin(lat), cosLat = std::cos(lat);
    const double n = a / std::sqrt(1 - e2 * sinLat * sinLat);
    out.X = (n + h) * cosLat * std::cos(lon);
    out.Y = (n + h) * cosLat * std::sin(lon);
    out.Z = ((1 - e2) * n + h) * sinLat;
}

void TGIS_Ellipsoid::FromGeocentric(const TGIS_Point3D& in, TGIS_Point3D& out) const {
    constexpr double kCos67p5 = 0.38268343236508977;
    const double x = in.X, y = in.Y, z = in.Z;
    const double a = static_cast<double>(SemiMajor), b = static_cast<double>(SemiMinor);
    const double e2 = static_cast<double>(Eccentricity2), ep2 = static_cast<double>(SecondEccentricity2);
    bool onAxis = false;
    double lon = 0, lat = 0;
    if (x != 0) {
        lon = std::atan2(y, x);
    } else if (y > 0) {
        lon = kPi / 2;
    } else if (y < 0) {
        lon = -kPi / 2;
    } else {
        onAxis = true;
        if (z > 0) {
            lat = kPi / 2;
        } else if (z < 0) {
            lat = -kPi / 2;
        } else {
            out = TGIS_Point3D(0, kPi / 2, -b);
            return;
        }
    }
    const double w = std::sqrt(x * x + y * y);
    const double t0 = 1.0026 * z;
    const double s0 = std::sqrt(t0 * t0 + w * w);
    const double sinB0 = t0 / s0, cosB0 = w / s0;
    const double t1 = z + b * ep2 * sinB0 * sinB0 * sinB0;
    const double sum = w - a * e2 * cosB0 * cosB0 * cosB0;
    const double s1 = std::sqrt(t1 * t1 + sum * sum);
    const double sinPhi = t1 / s1, cosPhi = sum / s1;
    const double rn = a / std::sqrt(1 - e2 * sinPhi * sinPhi);
    double h;
    if (cosPhi >= kCos67p5)
        h = w / cosPhi - rn;
    else if (cosPhi <= -kCos67p5)
        h = w / -cosPhi - rn;
    else
        h = z / sinPhi + rn * (e2 - 1);
    if (!onAxis) lat = std::atan(sinPhi / cosPhi);
    out = TGIS_Point3D(lon, lat, h);
}

TGIS_Ellipsoid* TGIS_Datum::FindEllipsoid() const {
    TGIS_Ellipsoid* e = GisEllipsoidList().FindByCode(EllipsoidCode);
    if (e == nullptr) throw EGIS_Exception(GIS_RS_ERR_ELLIPSOIDNOTFOUND, EllipsoidCode, 0);
    return e;
}

TGIS_Datum* TGIS_DatumList::FindByCode(const std::string& code) const { return Find(items_, code); }

TGIS_Datum* TGIS_DatumList::AddDatum(uint8_t kind, const std::string& code, const TGIS_DatumParams& params,
                                     const std::string& ellipsoidCode, const std::string& description) {
    TGIS_Datum d;
    d.Kind = kind;
    d.Code = code;
    d.Description = description;
    d.EllipsoidCode = ellipsoidCode;
    const TGIS_Extent world{-kPi, -kPi / 2, kPi, kPi / 2};
    d.Validity = world;
    if (kind == 2 || kind == 3) {
        d.DeltaX = params.Delta[0];
        d.DeltaY = params.Delta[1];
        d.DeltaZ = params.Delta[2];
    }
    if (kind == 2) {
        d.SigmaX = params.Extra[0];
        d.SigmaY = params.Extra[1];
        d.SigmaZ = params.Extra[2];
        d.Validity = {params.Validity[0] * kDegree, params.Validity[2] * kDegree, params.Validity[1] * kDegree,
                      params.Validity[3] * kDegree};
    } else if (kind == 3) {
        d.RotationX = params.Extra[0] / kArcSecondsPerRadian;
        d.RotationY = params.Extra[1] / kArcSecondsPerRadian;
        d.RotationZ = params.Extra[2] / kArcSecondsPerRadian;
        d.Scale = params.Scale;
    }
    return &Slot(items_, code, std::move(d));
}

TGIS_Ellipsoid* TGIS_EllipsoidList::FindByCode(const std::string& code) const { return Find(items_, code); }

TGIS_Ellipsoid* TGIS_EllipsoidList::AddEllipsoid(const std::string& code, const std::string& description,
                                                 double inverseFlattening, double semiMajor) {
    if (!TGIS_Ellipsoid::IsValid(inverseFlattening, semiMajor)) return nullptr;
    return &Slot(items_, code, TGIS_Ellipsoid(code, description, inverseFlattening, semiMajor));
}

TGIS_Datum* TGIS_DatumList::ReadFromIni(TGIS_Ini& ini) {
    const std::string code = ini.ReadString("Datum.Code", "");
    if (TGIS_Datum* known = FindByCode(code)) return known;
    TGIS_DatumParams p{};
    const std::string description = ini.ReadString("Datum.Description", "");
    const std::string ellipsoid = ini.ReadString("Datum.Ellipsoid", "");
    p.Delta[0] = ini.ReadFloat("Datum.Delta.X", 0);
    p.Delta[1] = ini.ReadFloat("Datum.Delta.Y", 0);
    p.Delta[2] = ini.ReadFloat("Datum.Delta.Z", 0);
    const double sigma[3] = {ini.ReadFloat("Datum.Sigma.X", 0), ini.ReadFloat("Datum.Sigma.Y", 0),
                             ini.ReadFloat("Datum.Sigma.Z", 0)};
    const double rotation[3] = {ini.ReadFloat("Datum.Rotation.X", 0), ini.ReadFloat("Datum.Rotation.Y", 0),
                                ini.ReadFloat("Datum.Rotation.Z", 0)};
    p.Validity[2] = ini.ReadFloat("Datum.Validity.YMin", 0);
    p.Validity[3] = ini.ReadFloat("Datum.Validity.YMax", 0);
    p.Validity[0] = ini.ReadFloat("Datum.Validity.XMin", 0);
    p.Validity[1] = ini.ReadFloat("Datum.Validity.XMax", 0);
    p.Scale = ini.ReadFloat("Datum.Scale", 0);
    if (code.empty()) return nullptr;
    const bool shift = rotation[0] == 0 && rotation[1] == 0 && rotation[2] == 0;
    std::copy(shift ? sigma : rotation, (shift ? sigma : rotation) + 3, p.Extra);
    AddDatum(shift ? 2 : 3, code, p, ellipsoid, description);
    return nullptr;
}

void TGIS_DatumList::WriteToIni(TGIS_Ini& ini, const std::string& code) const {
    const TGIS_Datum* d = FindByCode(code);
    if (d == nullptr) return;
    ini.WriteString("Datum.Code", d->Code);
    ini.WriteString("Datum.Description", d->Description);
    ini.WriteString("Datum.Ellipsoid", d->EllipsoidCode);
    ini.WriteFloat("Datum.Delta.X", d->DeltaX);
    ini.WriteFloat("Datum.Delta.Y", d->DeltaY);
    ini.WriteFloat("Datum.Delta.Z", d->DeltaZ);
    ini.WriteFloat("Datum.Sigma.X", d->SigmaX);
    ini.WriteFloat("Datum.Sigma.Y", d->SigmaY);
    ini.WriteFloat("Datum.Sigma.Z", d->SigmaZ);
    ini.WriteFloat("Datum.Rotation.X", d->RotationX * kArcSecondsPerRadian);
    ini.WriteFloat("Datum.Rotation.Y", d->RotationY * kArcSecondsPerRadian);
    ini.WriteFloat("Datum.Rotation.Z", d->RotationZ * kArcSecondsPerRadian);
    ini.WriteFloat("Datum.Validity.YMin", d->Validity.YMin / kDegree);
    ini.WriteFloat("Datum.Validity.YMax", d->Validity.YMax / kDegree);
    ini.WriteFloat("Datum.Validity.XMin", d->Validity.XMin / kDegree);
    ini.WriteFloat("Datum.Validity.XMax", d->Validity.XMax / kDegree);
    ini.WriteFloat("Datum.Scale", d->Scale);
}

TGIS_Ellipsoid* TGIS_EllipsoidList::ReadFromIni(TGIS_Ini& ini) {
    const std::string code = ini.ReadString("Ellipsoid.Code", "");
    if (TGIS_Ellipsoid* known = FindByCode(code)) return known;
    const std::string description = ini.ReadString("Ellipsoid.Description", "");
    const double a = ini.ReadFloat("Ellipsoid.SemiMajor", 0);
    const double inverseFlattening = ini.ReadFloat("Ellipsoid.Flattering", 0);
    // An impossible ellipsoid is not added: a datum naming it then raises 0200.
    if (!code.empty()) AddEllipsoid(code, description, inverseFlattening, a);
    return nullptr;
}

void TGIS_EllipsoidList::WriteToIni(TGIS_Ini& ini, const std::string& code) const {
    const TGIS_Ellipsoid* e = FindByCode(code);
    if (e == nullptr) return;
    ini.WriteString("Ellipsoid.Code", e->Code);
    ini.WriteString("Ellipsoid.Description", e->Description);
    ini.WriteFloat("Ellipsoid.SemiMajor", static_cast<double>(e->SemiMajor));
    ini.WriteFloat("Ellipsoid.Flattering", e->InverseFlattening);
}

TGIS_DatumList& GisDatumList() {
    static TGIS_DatumList list = BuildDatums();
    return list;
}

TGIS_EllipsoidList& GisEllipsoidList() {
    static TGIS_EllipsoidList list = BuildEllipsoids();
    return list;
}

void GisInitDatumTables() {
    GisDatumList();
    GisEllipsoidList();
}
