#include "gis/core/GisProjConic.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2;
constexpr double kDeg = kPi / 180;
// Lambert's parallels stop 1° short of the poles, where the cone constant degenerates.
constexpr double kLambertParallelLimit = 1.55334303427495;
constexpr double kPoleTolerance = 1e-10;
// A flatter cone is a cylinder: its radii overflow.
constexpr double kFlattestCone = 1e-12;

// cos φ / √(1 − e²·sin²φ): the parallel's radius over a.
long double ParallelRadius(long double latitude, long double e2) {
    const long double s = std::sin(latitude);
    return std::cos(latitude) / std::sqrt(1 - e2 * s * s);
}

bool AtPole(double latitude) { return std::fabs(kHalfPi - std::fabs(latitude)) <= kPoleTolerance; }

}  // namespace

// ---- Albers equal-area conic ----

TGIS_ProjectionAlbers::TGIS_ProjectionAlbers() {
    OriginLatitude = 45 * kDeg;
    StandardParallel_1 = 40 * kDeg;
    StandardParallel_2 = 50 * kDeg;
    EastingBound = NorthingBound = 40000000;
    Prepare();
}

std::string TGIS_ProjectionAlbers::Code() const { return "ALB"; }
std::string TGIS_ProjectionAlbers::Description() const { return "Albers Equal Area Conic"; }

void TGIS_ProjectionAlbers::SetUp(int32_t, double cm, double ol, double fe, double fn, double sp1, double sp2,
                                  double, double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kHalfPi);
    StandardParallel_1 = CorrectedParallel1(sp1, kHalfPi);
    StandardParallel_2 = CorrectedParallel2(sp2, kHalfPi);
    Prepare();
}

void TGIS_ProjectionAlbers::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    TGIS_Authalic authalic;
    authalic.Prepare(Eccentricity2);
    const long double m1 = ParallelRadius(StandardParallel_1, Eccentricity2);
    const long double m2 = ParallelRadius(StandardParallel_2, Eccentricity2);
    const long double q0 = authalic.Q(OriginLatitude), q1 = authalic.Q(StandardParallel_1);
    const long double q2 = authalic.Q(StandardParallel_2);
    const long double n = std::fabs(StandardParallel_1 - StandardParallel_2) > 1e-10
                              ? (m1 * m1 - m2 * m2) / (q2 - q1)
                              : std::sin(static_cast<long double>(StandardParallel_1));
    if (!(std::fabs(n) >= kFlattestCone)) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    const long double c = m1 * m1 + n * q1;
    authalic_ = authalic;
    N = n;
    C = c;
    Rho0 = n * q0 <= c ? SemiMajor * std::sqrt(c - n * q0) / n : 0;
}

void TGIS_ProjectionAlbers::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    const long double theta = N * LongitudeDelta(p.X);
    const long double nq = N * authalic_.Q(p.Y);
    const long double rho = nq > C ? 0 : SemiMajor * std::sqrt(C - nq) / N;
    out.X = static_cast<double>(FalseEasting + rho * std::sin(theta));
    out.Y = static_cast<double>(FalseNorthing + Rho0 - rho * std::cos(theta));
    out.Z = in.Z;
}

void TGIS_ProjectionAlbers::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    long double x = p.X - FalseEasting, y = Rho0 - (p.Y - FalseNorthing);
    long double rho = std::hypot(x, y);
    if (N < 0) {
        rho = -rho;
        x = -x;
        y = -y;
    }
    const long double theta = rho == 0 ? 0 : std::atan2(x, y);
    const long double rn = rho * N / SemiMajor;
    const long double q = (C - rn * rn) / N;
    long double phi;
    // Beyond the pole's q there is no latitude: the pole is the nearest.
    if (authalic_.Qp - std::fabs(q) > 1e-6 && std::fabs(q / 2) < 1) {
        phi = std::asin(q / 2);
        const long double e2 = Eccentricity2, e = Eccentricity;
        if (e >= 1e-10)
            for (int round = 0; round < 15; ++round) {
                const long double s = std::sin(phi), w = 1 - e2 * s * s, c = std::cos(phi);
                if (c == 0) break;
                const long double d = w * w / (2 * c) * (q / (1 - e2) - s / w - std::atanh(e * s) / e);
                phi += d;
                if (std::fabs(d) <= 4.85e-10) break;
            }
        phi = std::clamp<long double>(phi, -kHalfPi, kHalfPi);
    } else {
        phi = q >= 0 ? kHalfPi : -kHalfPi;
    }
    out.X = GisWrapLongitude(static_cast<double>(theta / N + CentralMeridian));
    out.Y = static_cast<double>(phi);
    out.Z = in.Z;
}

// ---- Lambert conformal conic ----

TGIS_ProjectionLambert::TGIS_ProjectionLambert() {
    OriginLatitude = 45 * kDeg;
    StandardParallel_1 = 40 * kDeg;
    StandardParallel_2 = 50 * kDeg;
    EastingBound = NorthingBound = 40000000;
    Prepare();
}

std::string TGIS_ProjectionLambert::Code() const { return "LAM"; }
std::string TGIS_ProjectionLambert::Description() const { return "Lambert Conformal Conic"; }

void TGIS_ProjectionLambert::SetUp(int32_t, double cm, double ol, double fe, double fn, double sp1, double sp2,
                                   double, double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kHalfPi);
    StandardParallel_1 = CorrectedParallel1(sp1, kLambertParallelLimit);
    StandardParallel_2 = CorrectedParallel2(sp2, kLambertParallelLimit);
    Prepare();
}

void TGIS_ProjectionLambert::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    const long double e = Eccentricity, phi1 = StandardParallel_1, phi2 = StandardParallel_2;
    // ln t(φ) = −ψ(φ), the isometric latitude.
    auto psi = [e](long double phi) {
        const long double s = std::sin(phi);
        return std::atanh(s) - e * std::atanh(e * s);
    };
    const long double m1 = ParallelRadius(phi1, Eccentricity2), m2 = ParallelRadius(phi2, Eccentricity2);
    const long double n = std::fabs(phi1 - phi2) > 1e-10 ? (std::log(m1) - std::log(m2)) / (psi(phi2) - psi(phi1))
                                                          : std::sin(phi1);
    if (!(std::fabs(n) >= kFlattestCone)) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    const long double f = m1 * std::exp(n * psi(phi1)) / n;
    long double rho0;
    if (AtPole(OriginLatitude)) {
        // The apex; the other pole lies at infinity.
        if (n * OriginLatitude <= 0) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
        rho0 = 0;
    } else {
        rho0 = SemiMajor * f * std::exp(-n * psi(OriginLatitude));
    }
    if (!std::isfinite(f) || !std::isfinite(rho0)) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    N = n;
    F = f;
    Rho0 = rho0;
    n_ = static_cast<double>(n);
    aF_ = static_cast<double>(SemiMajor * f);
    rho0_ = static_cast<double>(rho0);
    e_ = static_cast<double>(Eccentricity);
    conformal_.Prepare(Eccentricity2);
}

void TGIS_ProjectionLambert::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    double phi = p.Y, rho = 0;
    if (AtPole(phi) && n_ * phi > 0) {
        rho = 0;  // the apex
    } else {
        if (AtPole(phi)) {
            // The pole opposite the apex lies at infinity: the nearest latitude that has a place.
            phi = std::copysign(kHalfPi - kPoleTolerance, phi);
            AddWarning(GIS_RS_WARN_LATITUDE);
        }
        rho = aF_ * std::exp(-n_ * GisIsometricLatitude(phi, e_));
    }
    const double theta = n_ * LongitudeDelta(p.X);
    out.X = FalseEasting + rho * std::sin(theta);
    out.Y = FalseNorthing + rho0_ - rho * std::cos(theta);
    out.Z = in.Z;
}

void TGIS_ProjectionLambert::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    double x = p.X - FalseEasting, y = rho0_ - (p.Y - FalseNorthing);
    if (n_ < 0) {
        x = -x;
        y = -y;
    }
    const double rho = std::copysign(std::hypot(x, y), n_);
    double phi, lambda = CentralMeridian;
    if (rho == 0) {
        phi = std::copysign(kHalfPi, n_);
    } else {
        // t = (ρ/(aF))^(1/n) = exp(−ψ); the latitude from ψ by Snyder 7-9, starting from the conformal
        // series, which leaves one round to confirm it.
        const double psi = -std::log(rho / aF_) / n_;
        GisLatitudeOfIsometric(psi, e_, conformal_, 4.85e-10, 15, phi);
        lambda = GisWrapLongitude(std::atan2(x, y) / n_ + CentralMeridian);
    }
    out.X = lambda;
    out.Y = phi;
    out.Z = in.Z;
}

// ---- Bonne ----

TGIS_ProjectionBonne::TGIS_ProjectionBonne() {
    OriginLatitude = 45 * kDeg;
    EastingBound = NorthingBound = 25000000;
    Prepare();
}

std::string TGIS_ProjectionBonne::Code() const { return "BON"; }
std::string TGIS_ProjectionBonne::Description() const { return "Bonne"; }

void TGIS_ProjectionBonne::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double,
                                 double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kHalfPi);
    Prepare();
}

void TGIS_ProjectionBonne::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    arc_.Prepare(SemiMajor, Eccentricity2);
    M1 = arc_.Distance(OriginLatitude);
    const long double s = std::sin(static_cast<long double>(OriginLatitude));
    const long double cone = SemiMajor * ParallelRadius(OriginLatitude, Eccentricity2) / s;
    // At the equator, or so near it that the cone's radius dwarfs the globe, the cone opens flat: beyond
    // 1e30 m the two differ by less than 1e-14 m on the whole map, while sums with such a radius overflow.
    Cone = s == 0 || !(std::fabs(cone) <= 1e30L) ? 0 : cone;
}

void TGIS_ProjectionBonne::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    const double phi = p.Y, dl = LongitudeDelta(p.X), a = static_cast<double>(SemiMajor);
    const double s = std::sin(phi), am = a * std::cos(phi) / std::sqrt(1 - static_cast<double>(Eccentricity2) * s * s);
    const double m = arc_.Distance(phi);
    out.Z = in.Z;
    if (phi == OriginLatitude && GisIsNear(std::fabs(phi), kHalfPi, 1e-5)) {
        out.X = FalseEasting;  // the apex
        out.Y = FalseNorthing;
    } else if (Cone == 0) {
        // The cone opened flat at the equator: the sinusoidal projection.
        out.X = FalseEasting + am * dl;
        out.Y = FalseNorthing + m;
    } else {
        const double rho = static_cast<double>(Cone + M1) - m;
        const double e = rho == 0 ? 0 : am * dl / rho;
        const double h = std::sin(e / 2);
        out.X = FalseEasting + rho * std::sin(e);
        // Cone − ρ·cos E without the cancellation of two long radii near the equator.
        out.Y = FalseNorthing + (m - static_cast<double>(M1)) + 2 * rho * h * h;
    }
}

void TGIS_ProjectionBonne::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double x = p.X - FalseEasting, y = p.Y - FalseNorthing, a = static_cast<double>(SemiMajor);
    double phi, arcLength = x;  // along the parallel
    if (Cone == 0) {
        phi = arc_.Footpoint(y);
    } else {
        const double sign = OriginLatitude < 0 ? -1 : 1, d = static_cast<double>(Cone) - y;
        const double r = std::hypot(x, d), dd = sign * d;
        // r − |d| without cancellation when the point is near the cone's axis line.
        const double rMinus = dd > 0 ? x * x / (r + dd) : r - dd;
        phi = arc_.Footpoint(static_cast<double>(M1) + y - sign * rMinus);
        arcLength = sign * r * std::atan2(sign * x, sign * d);
    }
    phi = std::clamp(phi, -kHalfPi, kHalfPi);
    double lambda = CentralMeridian;
    if (!GisIsNear(std::fabs(phi), kHalfPi, 1e-5)) {
        const double s = std::sin(phi);
        const double am = a * std::cos(phi) / std::sqrt(1 - static_cast<double>(Eccentricity2) * s * s);
        lambda = GisWrapLongitude(CentralMeridian + arcLength / am);
    }
    out.X = lambda;
    out.Y = phi;
    out.Z = in.Z;
}

// ---- Polyconic ----

TGIS_ProjectionPolyconic::TGIS_ProjectionPolyconic() { Prepare(); }

std::string TGIS_ProjectionPolyconic::Code() const { return "PLC"; }
std::string TGIS_ProjectionPolyconic::Description() const { return "Polyconic"; }

void TGIS_ProjectionPolyconic::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double,
                                     double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kHalfPi);
    Prepare();
}

void TGIS_ProjectionPolyconic::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    arc_.Prepare(SemiMajor, Eccentricity2);
    M0 = arc_.Distance(OriginLatitude);
    // The box reaches the northing of 41° at the opposite meridian, where the parallels rise highest, and the
    // equator's half-length; measured from the false origin, so the meridian does not move it.
    const double phi = 0.7155849933176751, a = static_cast<double>(SemiMajor), s = std::sin(phi);
    const double nCot = a / std::sqrt(1 - static_cast<double>(Eccentricity2) * s * s) * std::cos(phi) / s;
    const double rise = arc_.Distance(phi) + nCot * (1 - std::cos(kPi * s)), m0 = static_cast<double>(M0);
    const double half = std::ceil(kPi * a);
    Box = GisMakeExtent(-half, -rise - m0, half, rise - m0);
}

void TGIS_ProjectionPolyconic::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    const double phi = p.Y, dl = LongitudeDelta(p.X), a = static_cast<double>(SemiMajor);
    const double s = std::sin(phi), e = dl * s, h = std::sin(e / 2);
    // N·cot φ·sin E and N·cot φ·(1 − cos E) as N·cos φ·Δλ times sin E/E and 2·sin²(E/2)/E: no division by
    // a vanishing sin φ, and at the equator X = a·Δλ.
    const double arc = a / std::sqrt(1 - static_cast<double>(Eccentricity2) * s * s) * std::cos(phi) * dl;
    out.X = FalseEasting + (e == 0 ? arc : arc * std::sin(e) / e);
    out.Y = FalseNorthing + arc_.Distance(phi) - static_cast<double>(M0) + (e == 0 ? 0 : arc * 2 * h * h / e);
    out.Z = in.Z;
}

void TGIS_ProjectionPolyconic::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p, Box);
    const double dx = p.X - FalseEasting, dy = p.Y - FalseNorthing, a = static_cast<double>(SemiMajor);
    const double m0 = static_cast<double>(M0), e2 = static_cast<double>(Eccentricity2);
    out.Z = in.Z;
    if (GisIsNear(dy, -m0, 1)) {
        out.X = GisWrapLongitude(dx / a + CentralMeridian);
        out.Y = 0;
        return;
    }
    const double A = (m0 + dy) / a, B = (dx / a) * (dx / a) + A * A;
    double phi = A;
    // Newton's method on the polyconic's northing equation (Snyder 18-25).
    for (int round = 0; round < 6; ++round) {
        const double s = std::sin(phi), w = 1 - e2 * s * s, s2 = std::sin(2 * phi);
        const double c = std::sqrt(w) * std::tan(phi);
        if (s2 == 0 || c == 0) break;
        const double ma = arc_.Distance(phi) / a, mp = (1 - e2) / (w * std::sqrt(w));
        const double f = A * (c * ma + 1) - ma - (ma * ma + B) * c / 2;
        const double df = e2 * s2 * (ma * ma + B - 2 * A * ma) / (4 * c) + (A - ma) * (c * mp - 2 / s2) - mp;
        const double step = f / df;
        if (!std::isfinite(step)) break;
        phi -= step;
        if (std::fabs(step) <= 1e-12) break;
    }
    phi = std::clamp(phi, -kHalfPi, kHalfPi);
    double lambda = CentralMeridian;
    if (!GisIsNear(std::fabs(phi), kHalfPi, 1e-5) && phi != 0) {
        const double s = std::sin(phi);
        const double arg = std::clamp(dx / a * std::tan(phi) * std::sqrt(1 - e2 * s * s), -1.0, 1.0);
        lambda = GisWrapLongitude(CentralMeridian + std::asin(arg) / s);
    }
    out.X = lambda;
    out.Y = phi;
}
