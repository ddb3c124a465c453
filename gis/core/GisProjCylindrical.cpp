#include "gis/core/GisProjCylindrical.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2;
// Mercator's northings grow without end: latitudes stop at 89.75°.
constexpr double kMercatorLatitudeLimit = 1.56643300366;
constexpr double kMercatorBoundLatitude = 1.5664330036649108;
// Unproject's bounds reach 1% beyond the globe's edge.
constexpr double kBoundMargin = 1.01;

// cos φ / √(1 − e²·sin²φ): the parallel's radius over a.
long double ParallelRadius(long double latitude, long double e2) {
    const long double s = std::sin(latitude);
    return std::cos(latitude) / std::sqrt(1 - e2 * s * s);
}

}  // namespace

// ---- Mercator ----

TGIS_ProjectionMercator::TGIS_ProjectionMercator() { Prepare(); }

std::string TGIS_ProjectionMercator::Code() const { return "MER"; }
std::string TGIS_ProjectionMercator::Description() const { return "Mercator"; }

void TGIS_ProjectionMercator::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double,
                                    double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kMercatorLatitudeLimit);
    Prepare();
}

void TGIS_ProjectionMercator::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    CentralMeridian = ReduceMeridian(CentralMeridian);
    conformal_.Prepare(Eccentricity2);
    const long double k0 = ParallelRadius(OriginLatitude, Eccentricity2);
    ScaleFactor = static_cast<double>(k0);
    ak0_ = static_cast<double>(SemiMajor * k0);
    e_ = static_cast<double>(Eccentricity);
    // From the false origin, whatever the meridian: the whole world and the northing of 89.75°.
    EastingBound = kBoundMargin * ak0_ * kPi;
    NorthingBound = kBoundMargin * ak0_ * GisIsometricLatitude(kMercatorBoundLatitude, e_);
}

void TGIS_ProjectionMercator::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kMercatorLatitudeLimit, kMercatorLatitudeLimit);
    out.X = FalseEasting + ak0_ * LongitudeDelta(p.X);
    out.Y = FalseNorthing + ak0_ * GisIsometricLatitude(p.Y, e_);
    out.Z = in.Z;
}

void TGIS_ProjectionMercator::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    // The conformal latitude χ = π/2 − 2·arctan(exp(−y/(a·k0))), then the series to the geodetic one.
    const double chi = std::atan(std::sinh((p.Y - FalseNorthing) / ak0_));
    out.X = GisWrapLongitude((p.X - FalseEasting) / ak0_ + CentralMeridian);
    out.Y = conformal_.Latitude(chi);
    out.Z = in.Z;
}

// ---- Cassini ----

TGIS_ProjectionCassini::TGIS_ProjectionCassini() { Prepare(); }

std::string TGIS_ProjectionCassini::Code() const { return "CAS"; }
std::string TGIS_ProjectionCassini::Description() const { return "Cassini"; }

void TGIS_ProjectionCassini::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double,
                                   double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kHalfPi);
    Prepare();
}

void TGIS_ProjectionCassini::Series(double phi, double dl, double& x, double& y) const {
    const double s = std::sin(phi), c = std::cos(phi), t = s / c;
    const double a = dl * c, tt = t * t, cc = static_cast<double>(SecondEccentricity2) * c * c;
    const double n = static_cast<double>(SemiMajor) / std::sqrt(1 - static_cast<double>(Eccentricity2) * s * s);
    const double a2 = a * a;
    x = n * a * (1 - tt * a2 / 6 - (8 - tt + 8 * cc) * tt * a2 * a2 / 120);
    y = arc_.Distance(phi) - static_cast<double>(M0) + n * t * a2 * (0.5 + (5 - tt + 6 * cc) * a2 / 24);
}

void TGIS_ProjectionCassini::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    arc_.Prepare(SemiMajor, Eccentricity2);
    M0 = arc_.Distance(OriginLatitude);
    // From the false origin, whatever the meridian: the opposite meridian at 31° north and south.
    TGIS_Extent box = GisEmptyExtent();
    for (double dl : {-kPi, kPi})
        for (double phi : {-0.5410520681182421, 0.5410520681182421}) {
            double x, y;
            Series(phi, dl, x, y);
            box = GisMakeExtent(std::min(box.XMin, x), std::min(box.YMin, y), std::max(box.XMax, x),
                                std::max(box.YMax, y));
        }
    box.YMax -= 0.1;
    Box = box;
}

void TGIS_ProjectionCassini::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    double x, y;
    Series(p.Y, LongitudeDelta(p.X), x, y);
    out.X = FalseEasting + x;
    out.Y = FalseNorthing + y;
    out.Z = in.Z;
}

void TGIS_ProjectionCassini::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p, Box);
    out.Z = in.Z;
    const double phi1 = arc_.Footpoint(static_cast<double>(M0) + p.Y - FalseNorthing);
    if (GisIsNear(std::fabs(phi1), kHalfPi, 1e-5)) {
        out.X = CentralMeridian;
        out.Y = std::copysign(kHalfPi, phi1);
        return;
    }
    const double e2 = static_cast<double>(Eccentricity2), a = static_cast<double>(SemiMajor);
    const double s = std::sin(phi1), c = std::cos(phi1), t = s / c, tt = t * t, w = 1 - e2 * s * s;
    const double n1 = a / std::sqrt(w), r1 = a * (1 - e2) / (w * std::sqrt(w));
    const double d = (p.X - FalseEasting) / n1, d2 = d * d;
    const double phi = phi1 - n1 * t / r1 * d2 * (0.5 - (1 + 3 * tt) * d2 / 24);
    const double dl = d * (1 - tt * d2 / 3 + (1 + 3 * tt) * tt * d2 * d2 / 15) / c;
    // The series lose their accuracy away from the meridian.
    if (std::fabs(dl) > 0.0698131700797732) AddWarning(GIS_RS_WARN_LONGITUDE);
    out.X = GisWrapLongitude(CentralMeridian + dl);
    out.Y = std::clamp(phi, -kHalfPi, kHalfPi);
}

// ---- Cylindrical equal-area ----

TGIS_ProjectionCEA::TGIS_ProjectionCEA() { Prepare(); }

std::string TGIS_ProjectionCEA::Code() const { return "CEA"; }
std::string TGIS_ProjectionCEA::Description() const { return "Cylindrical Equal Area"; }

void TGIS_ProjectionCEA::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double, double,
                               double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kHalfPi);
    Prepare();
}

void TGIS_ProjectionCEA::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    authalic_.Prepare(Eccentricity2);
    K0 = ParallelRadius(OriginLatitude, Eccentricity2);
    EastingBound = static_cast<double>(kBoundMargin * SemiMajor * K0 * kPi);
    NorthingBound = static_cast<double>(kBoundMargin * SemiMajor * authalic_.Qp / (2 * K0));
}

void TGIS_ProjectionCEA::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    out.X = static_cast<double>(FalseEasting + SemiMajor * K0 * LongitudeDelta(p.X));
    out.Y = static_cast<double>(FalseNorthing + SemiMajor * authalic_.Q(p.Y) / (2 * K0));
    out.Z = in.Z;
}

void TGIS_ProjectionCEA::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const long double sine = 2 * (p.Y - FalseNorthing) * K0 / (SemiMajor * authalic_.Qp);
    const double beta = static_cast<double>(std::asin(std::clamp(sine, -1.0L, 1.0L)));
    out.X = GisWrapLongitude(static_cast<double>(CentralMeridian + (p.X - FalseEasting) / (SemiMajor * K0)));
    out.Y = authalic_.Latitude(beta);
    out.Z = in.Z;
}

// ---- Transverse cylindrical equal-area ----

TGIS_ProjectionTCEA::TGIS_ProjectionTCEA() { Prepare(); }

std::string TGIS_ProjectionTCEA::Code() const { return "TCE"; }
std::string TGIS_ProjectionTCEA::Description() const { return "Transverse Cylindrical Equal Area"; }

void TGIS_ProjectionTCEA::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double sf,
                                double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kHalfPi);
    // The scale divides the eastings: held within the transverse Mercator's range, never 0.
    ScaleFactor = Corrected(sf, 0.3, 3.0, GIS_RS_WARN_SCALEFACTOR);
    Prepare();
}

void TGIS_ProjectionTCEA::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    authalic_.Prepare(Eccentricity2);
    arc_.Prepare(SemiMajor, Eccentricity2);
    M0 = arc_.Distance(OriginLatitude);
    // From the false origin: the equator's 90° point and the meridian's run over both poles.
    const double k0 = ScaleFactor;
    EastingBound = static_cast<double>(kBoundMargin * SemiMajor / k0);
    NorthingBound = kBoundMargin * k0 * (2 * arc_.Distance(kHalfPi) + std::fabs(static_cast<double>(M0)));
}

void TGIS_ProjectionTCEA::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    const double dl = LongitudeDelta(p.X), k0 = ScaleFactor;
    const double beta = static_cast<double>(authalic_.Beta(p.Y));
    const double betaC = std::atan2(std::tan(beta), std::cos(dl));
    double phiC, factor;
    if (GisIsNear(std::fabs(betaC), kHalfPi, 1e-8)) {
        // cos φc/(cos βc·√(1 − e²sin²φc)) at the transverse pole: its limit, the authalic sphere's radius over a.
        phiC = betaC;
        factor = std::sqrt(static_cast<double>(authalic_.Qp) / 2);
    } else {
        phiC = authalic_.Latitude(betaC);
        const double s = std::sin(phiC);
        factor = std::cos(phiC) /
                 (std::cos(betaC) * std::sqrt(1 - static_cast<double>(Eccentricity2) * s * s));
    }
    out.X = FalseEasting + static_cast<double>(SemiMajor) * std::cos(beta) * std::sin(dl) * factor / k0;
    out.Y = FalseNorthing + k0 * (arc_.Distance(phiC) - static_cast<double>(M0));
    out.Z = in.Z;
}

void TGIS_ProjectionTCEA::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double k0 = ScaleFactor;
    const double phiC = arc_.Footpoint(static_cast<double>(M0) + (p.Y - FalseNorthing) / k0);
    // Past a pole the footpoint runs down the far side, where βc does too.
    double betaC = static_cast<double>(authalic_.Beta(phiC));
    if (phiC > kHalfPi) betaC = kPi - betaC;
    if (phiC < -kHalfPi) betaC = -kPi - betaC;
    double inverse;  // cos βc·√(1 − e²sin²φc)/cos φc
    if (GisIsNear(std::fabs(phiC), kHalfPi, 1e-8)) {
        inverse = std::sqrt(2 / static_cast<double>(authalic_.Qp));
    } else {
        const double s = std::sin(phiC);
        inverse = std::cos(betaC) * std::sqrt(1 - static_cast<double>(Eccentricity2) * s * s) / std::cos(phiC);
    }
    const double sx =
        std::clamp((p.X - FalseEasting) * k0 * inverse / static_cast<double>(SemiMajor), -1.0, 1.0);
    const double cx = std::sqrt(1 - sx * sx);
    const double beta = std::asin(std::clamp(cx * std::sin(betaC), -1.0, 1.0));
    out.X = GisWrapLongitude(CentralMeridian + std::atan2(sx, cx * std::cos(betaC)));
    out.Y = std::clamp(authalic_.Latitude(beta), -kHalfPi, kHalfPi);
    out.Z = in.Z;
}

// ---- Equidistant cylindrical ----

TGIS_ProjectionEQC::TGIS_ProjectionEQC() { Prepare(); }

std::string TGIS_ProjectionEQC::Code() const { return "EQC"; }
std::string TGIS_ProjectionEQC::Description() const { return "Equidistant Cylindrical"; }

void TGIS_ProjectionEQC::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double, double,
                               double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kHalfPi);
    Prepare();
}

void TGIS_ProjectionEQC::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R = GisAuthalicRadius(SemiMajor, Eccentricity2);
    RCosPhi0 = R * std::cos(static_cast<long double>(OriginLatitude));
    EastingBound = static_cast<double>(kBoundMargin * RCosPhi0 * kPi);
    NorthingBound = static_cast<double>(kBoundMargin * R * kHalfPi);
}

void TGIS_ProjectionEQC::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    out.X = static_cast<double>(FalseEasting + RCosPhi0 * LongitudeDelta(p.X));
    out.Y = static_cast<double>(FalseNorthing + R * p.Y);
    out.Z = in.Z;
}

void TGIS_ProjectionEQC::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    out.X = GisWrapLongitude(static_cast<double>(CentralMeridian + (p.X - FalseEasting) / RCosPhi0));
    out.Y = std::clamp(static_cast<double>((p.Y - FalseNorthing) / R), -kHalfPi, kHalfPi);
    out.Z = in.Z;
}

// ---- Miller cylindrical ----

TGIS_ProjectionMillerCyl::TGIS_ProjectionMillerCyl() { Prepare(); }

std::string TGIS_ProjectionMillerCyl::Code() const { return "MIL"; }
std::string TGIS_ProjectionMillerCyl::Description() const { return "Miller Cylindrical"; }

void TGIS_ProjectionMillerCyl::SetUp(int32_t, double cm, double, double fe, double fn, double, double, double,
                                     double, double, double, double, double, double, double) {
    RequireFiniteParameters({fe, fn});
    CentralMeridian = ReduceMeridian(CorrectedCentralMeridian(cm));
    FalseEasting = fe;
    FalseNorthing = fn;
    Prepare();
}

namespace {
// (1/1.6)·ln((1 + sin 0.8φ)/(1 − sin 0.8φ)) on the unit sphere.
double MillerNorthing(double latitude) { return std::atanh(std::sin(0.8 * latitude)) / 0.8; }
}  // namespace

void TGIS_ProjectionMillerCyl::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R = GisAuthalicRadius(SemiMajor, Eccentricity2);
    EastingBound = static_cast<double>(kBoundMargin * R * kPi);
    NorthingBound = static_cast<double>(kBoundMargin * R * MillerNorthing(kHalfPi));
}

void TGIS_ProjectionMillerCyl::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    out.X = static_cast<double>(FalseEasting + R * LongitudeDelta(p.X));
    out.Y = static_cast<double>(FalseNorthing + R * MillerNorthing(p.Y));
    out.Z = in.Z;
}

void TGIS_ProjectionMillerCyl::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    out.X = GisWrapLongitude(static_cast<double>(CentralMeridian + (p.X - FalseEasting) / R));
    out.Y = std::clamp(std::atan(std::sinh(static_cast<double>(0.8L * (p.Y - FalseNorthing) / R))) / 0.8, -kHalfPi,
                       kHalfPi);
    out.Z = in.Z;
}
