#include "gis/core/GisProjAzimuthal.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBoundsMargin = 1.01;
constexpr int kLatitudeRounds = 30;

constexpr TGIS_ProjectionParameters kOriginParameters =
    1 << gppCentralMeridian | 1 << gppOriginLatitude | 1 << gppFalseEasting | 1 << gppFalseNorthing;

}  // namespace

// ---- Orthographic

std::string TGIS_ProjectionOrthographic::Code() const { return "ORT"; }
std::string TGIS_ProjectionOrthographic::Description() const { return "Orthographic"; }
TGIS_ProjectionParameters TGIS_ProjectionOrthographic::ParametersUsed() const { return kOriginParameters; }

void TGIS_ProjectionOrthographic::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double,
                                        double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kPi / 2);
    Prepare();
}

void TGIS_ProjectionOrthographic::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R_ = GisAuthalicRadius(SemiMajor, Eccentricity2);
    sinPhi0_ = std::sin(static_cast<long double>(OriginLatitude));
    cosPhi0_ = std::cos(static_cast<long double>(OriginLatitude));
    // The disc, with room for points just beyond it.
    EastingBound = NorthingBound = static_cast<double>(kBoundsMargin * R_);
}

void TGIS_ProjectionOrthographic::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    const double dl = LongitudeDelta(p.X), r = static_cast<double>(R_);
    const double s0 = static_cast<double>(sinPhi0_), c0 = static_cast<double>(cosPhi0_);
    const double cp = std::cos(p.Y);
    out.X = FalseEasting + r * cp * std::sin(dl);
    out.Y = FalseNorthing + r * (c0 * std::sin(p.Y) - s0 * cp * std::cos(dl));
    out.Z = in.Z;
}

void TGIS_ProjectionOrthographic::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double x = p.X - FalseEasting, y = p.Y - FalseNorthing, rho = std::hypot(x, y);
    out.Z = in.Z;
    if (rho == 0) {
        out.X = CentralMeridian;
        out.Y = OriginLatitude;
        return;
    }
    const double s0 = static_cast<double>(sinPhi0_), c0 = static_cast<double>(cosPhi0_);
    const double c = GisArcSin(rho / static_cast<double>(R_)), sc = std::sin(c), cc = std::cos(c);
    out.Y = GisArcSin(cc * s0 + y * sc * c0 / rho);
    double dl;
    if (OriginLatitude == kPi / 2)
        dl = std::atan2(x, -y);
    else if (OriginLatitude == -kPi / 2)
        dl = std::atan2(x, y);
    else
        dl = std::atan2(x * sc, rho * c0 * cc - y * s0 * sc);
    out.X = NormalizeLongitude(CentralMeridian + dl);
}

// ---- Polar stereographic

TGIS_ProjectionPolarStereographic::TGIS_ProjectionPolarStereographic() {
    OriginLatitude = kPi / 2;
    EastingBound = NorthingBound = 12713601;
    Prepare();
}

std::string TGIS_ProjectionPolarStereographic::Code() const { return "POL"; }
std::string TGIS_ProjectionPolarStereographic::Description() const { return "Polar Stereographic"; }
TGIS_ProjectionParameters TGIS_ProjectionPolarStereographic::ParametersUsed() const { return kOriginParameters; }

void TGIS_ProjectionPolarStereographic::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double,
                                              double, double, double, double, double, double, double, double) {
    SetUpOrigin(cm, ol, fe, fn, kPi / 2);
    Prepare();
}

void TGIS_ProjectionPolarStereographic::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    south_ = OriginLatitude < 0;
    conformal_.Prepare(Eccentricity2);
    const long double phic = std::fabs(static_cast<long double>(OriginLatitude));
    const long double a = SemiMajor, e = Eccentricity, e2 = Eccentricity2;
    if (!(std::fabs(phic - kPi / 2) > 1e-10)) {
        rhoScale_ = 2 * a / std::sqrt(std::pow(1 + e, 1 + e) * std::pow(1 - e, 1 - e));
    } else {
        const long double s = std::sin(phic);
        const long double mc = std::cos(phic) / std::sqrt(1 - e2 * s * s);
        rhoScale_ = a * mc * std::exp(GisIsometricLatitude(static_cast<double>(phic), static_cast<double>(e)));
    }
}

void TGIS_ProjectionPolarStereographic::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    // The south is the north's mirror image: -phi and -(lambda - lambda0), with the signs of x and y
    // turned back, so X grows with the longitude difference in both.
    const double dl = LongitudeDelta(p.X), phi = south_ ? -p.Y : p.Y;
    // t(phi) = exp(-psi).
    const double rho = static_cast<double>(rhoScale_) * std::exp(-GisIsometricLatitude(phi, static_cast<double>(Eccentricity)));
    out.X = FalseEasting + rho * std::sin(dl);
    out.Y = south_ ? FalseNorthing + rho * std::cos(dl) : FalseNorthing - rho * std::cos(dl);
    out.Z = in.Z;
}

void TGIS_ProjectionPolarStereographic::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double x = p.X - FalseEasting, y = p.Y - FalseNorthing, rho = std::hypot(x, y);
    double phi = kPi / 2, dl = 0;
    if (rho > 0) {
        GisLatitudeOfIsometric(-std::log(rho / static_cast<double>(rhoScale_)), static_cast<double>(Eccentricity),
                               conformal_, 1e-10, kLatitudeRounds, phi);
        dl = south_ ? std::atan2(x, y) : std::atan2(x, -y);
    }
    out.X = NormalizeLongitude(CentralMeridian + dl);
    out.Y = south_ ? -phi : phi;
    out.Z = in.Z;
}

// ---- Hotine oblique Mercator, azimuth and centre

TGIS_ProjectionHotine::TGIS_ProjectionHotine() {
    OriginLatitude = kPi / 4;
    Prepare();
}

std::string TGIS_ProjectionHotine::Code() const { return "HOT"; }
std::string TGIS_ProjectionHotine::Description() const { return "Hotine Olique Mercator Azimuth Center"; }
TGIS_ProjectionParameters TGIS_ProjectionHotine::ParametersUsed() const {
    return kOriginParameters | 1 << gppScaleFactor | 1 << gppAzimuth;
}

void TGIS_ProjectionHotine::StoreCentre(double cm, double ol, double fe, double fn, double sf) {
    RequireFiniteParameters({fe, fn, sf});
    OriginLatitude = CorrectedOriginLatitude(ol, kPi / 2);
    CentralMeridian = CorrectedCentralMeridian(cm);
    FalseEasting = fe;
    FalseNorthing = fn;
    // As the transverse forms: far outside this range the plane coordinates leave double's range.
    ScaleFactor = Corrected(sf, 0.3, 3.0, GIS_RS_WARN_SCALEFACTOR);
}

void TGIS_ProjectionHotine::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double sf,
                                  double, double, double az, double, double, double, double) {
    RequireFiniteParameters({az});
    StoreCentre(cm, ol, fe, fn, sf);
    Azimuth = az;
    Prepare();
}

void TGIS_ProjectionHotine::PrepareCentre() {
    const long double phi0 = OriginLatitude, a = SemiMajor, e2 = Eccentricity2;
    const long double s0 = std::sin(phi0), c0 = std::cos(phi0);
    B_ = std::sqrt(1 + e2 * c0 * c0 * c0 * c0 / (1 - e2));
    A_ = a * B_ * ScaleFactor * std::sqrt(1 - e2) / (1 - e2 * s0 * s0);
    if (std::fabs(phi0) < 1e-10) {
        D_ = F_ = E_ = 1;
        return;
    }
    const long double t0 = std::exp(-GisIsometricLatitude(OriginLatitude, static_cast<double>(Eccentricity)));
    D_ = B_ * std::sqrt(1 - e2) / (c0 * std::sqrt(1 - e2 * s0 * s0));
    const long double d2 = D_ * D_ - 1;
    F_ = d2 > 0 ? (phi0 >= 0 ? D_ + std::sqrt(d2) : D_ - std::sqrt(d2)) : D_;
    E_ = F_ * std::pow(t0, B_);
}

void TGIS_ProjectionHotine::PrepareAxis() {
    sinGamma0_ = std::sin(gamma0_);
    cosGamma0_ = std::cos(gamma0_);
    sinAlpha_ = std::sin(static_cast<long double>(Azimuth));
    cosAlpha_ = std::cos(static_cast<long double>(Azimuth));
    // The oblique grid depends on sin(alpha) only; for an azimuth beyond +-90 degrees cos(alpha) would turn
    // the centre's offset round and put the centre thousands of kilometres off the false origin.
    uc_ = A_ / B_ * std::atan(std::sqrt(std::max(0.0L, D_ * D_ - 1)) / std::fabs(cosAlpha_));
    if (OriginLatitude < 0) uc_ = -uc_;
    // Half the oblique equator and the offset of the centre: every u the forward gives, and v as far.
    EastingBound = NorthingBound = static_cast<double>(kBoundsMargin * (kPi * A_ / B_ + std::fabs(uc_)));
}

void TGIS_ProjectionHotine::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    PrepareCentre();
    conformal_.Prepare(Eccentricity2);
    G_ = (F_ - 1 / F_) / 2;
    gamma0_ = GisArcSin(static_cast<double>(std::sin(static_cast<long double>(Azimuth)) / D_));
    lambdaO_ = CentralMeridian - GisArcSin(static_cast<double>(G_ * std::tan(gamma0_))) / B_;
    const double phi0 = OriginLatitude;
    if (std::fabs(phi0) <= 1e-10 || std::fabs(std::fabs(phi0) - kPi / 2) <= 1e-10)
        throw EGIS_Exception(GIS_RS_ERR_ORIGINLATITUDE, FloatToStr(phi0), 0);
    PrepareAxis();
}

double TGIS_ProjectionHotine::ReducedDelta(double delta) {
    if (std::fabs(delta) <= kPi) return delta;
    if (std::fabs(delta / kPi) < 2) return delta > 0 ? delta - 2 * kPi : delta + 2 * kPi;
    return delta - std::trunc(delta / (2 * kPi)) * 2 * kPi;
}

void TGIS_ProjectionHotine::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    const double A = static_cast<double>(A_), B = static_cast<double>(B_), E = static_cast<double>(E_);
    const double sg = static_cast<double>(sinGamma0_), cg = static_cast<double>(cosGamma0_);
    const double dl = ReducedDelta(p.X - static_cast<double>(lambdaO_)), phi = p.Y;
    const double V = std::sin(B * dl);
    double U, u;
    if (std::fabs(std::fabs(phi) - kPi / 2) > 1e-10) {
        const double Q = E * std::exp(B * GisIsometricLatitude(phi, static_cast<double>(Eccentricity)));
        const double S = (Q - 1 / Q) / 2, T = (Q + 1 / Q) / 2;
        U = (S * sg - V * cg) / T;
        // atan(num / c), plus pi behind the origin, taken through atan2 so that it passes c = 0 continuously.
        double w = std::atan2(S * cg + V * sg, std::cos(B * dl));
        if (w < -kPi / 2) w += 2 * kPi;
        u = A * w / B;
    } else {
        U = phi > 0 ? sg : -sg;
        u = A * phi / B;
    }
    if (std::fabs(std::fabs(U) - 1) <= 1e-10) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    const double v = A * std::log((1 - U) / (1 + U)) / (2 * B);
    u -= static_cast<double>(uc_);
    const double sa = static_cast<double>(sinAlpha_), ca = static_cast<double>(cosAlpha_);
    out.X = FalseEasting + v * ca + u * sa;
    out.Y = FalseNorthing + u * ca - v * sa;
    out.Z = in.Z;
}

void TGIS_ProjectionHotine::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double A = static_cast<double>(A_), B = static_cast<double>(B_), E = static_cast<double>(E_);
    const double sg = static_cast<double>(sinGamma0_), cg = static_cast<double>(cosGamma0_);
    const double sa = static_cast<double>(sinAlpha_), ca = static_cast<double>(cosAlpha_);
    const double x = p.X - FalseEasting, y = p.Y - FalseNorthing;
    const double v = x * ca - y * sa, u = y * ca + x * sa + static_cast<double>(uc_);
    const double Q = std::exp(-B * v / A), S = (Q - 1 / Q) / 2, T = (Q + 1 / Q) / 2;
    const double V = std::sin(B * u / A), U = (V * cg + S * sg) / T;
    out.Z = in.Z;
    if (!(std::fabs(std::fabs(U) - 1) >= 1e-10)) {
        out.X = NormalizeLongitude(ReducedDelta(static_cast<double>(lambdaO_)));
        out.Y = U < 0 ? -kPi / 2 : kPi / 2;
        return;
    }
    // t = (E / sqrt((1 + U)/(1 - U)))^(1/B) = exp(-psi).
    const double psi = (std::atanh(U) - std::log(E)) / B;
    double phi;
    if (!GisLatitudeOfIsometric(psi, static_cast<double>(Eccentricity), conformal_, 1e-10, 16, phi))
        throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    out.Y = phi;
    out.X = ReducedDelta(static_cast<double>(lambdaO_) - std::atan2(S * cg - V * sg, std::cos(B * u / A)) / B);
}

// ---- Hotine oblique Mercator, two points

TGIS_ProjectionHotine2::TGIS_ProjectionHotine2() {
    OriginLatitude = kPi / 4;
    ScaleFactor = 1;
    LongitudeOfPoint_1 = LatitudeOfPoint_1 = -1;
    LongitudeOfPoint_2 = LatitudeOfPoint_2 = 1;
    Prepare();
}

std::string TGIS_ProjectionHotine2::Code() const { return "HT2"; }
std::string TGIS_ProjectionHotine2::Description() const { return "Hotine Olique Mercator Two Point"; }
TGIS_ProjectionParameters TGIS_ProjectionHotine2::ParametersUsed() const {
    return kOriginParameters | 1 << gppScaleFactor | 1 << gppPoint_1 | 1 << gppPoint_2;
}

void TGIS_ProjectionHotine2::SetUp(int32_t, double cm, double ol, double fe, double fn, double, double, double sf,
                                   double, double, double, double lo1, double la1, double lo2, double la2) {
    // Everything is stored before the one Prepare: preparing with the earlier points first would let a
    // failed set-up (points on one latitude) block every later one.
    RequireFiniteParameters({lo1, la1, lo2, la2});
    StoreCentre(cm, ol, fe, fn, sf);
    LongitudeOfPoint_1 = lo1;
    LatitudeOfPoint_1 = la1;
    LongitudeOfPoint_2 = lo2;
    LatitudeOfPoint_2 = la2;
    Prepare();
}

void TGIS_ProjectionHotine2::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    PrepareCentre();
    conformal_.Prepare(Eccentricity2);
    const double phi0 = OriginLatitude, phi1 = LatitudeOfPoint_1, phi2 = LatitudeOfPoint_2;
    if (std::fabs(phi0) <= 1e-10 || std::fabs(std::fabs(phi0) - kPi / 2) <= 1e-10)
        throw EGIS_Exception(GIS_RS_ERR_ORIGINLATITUDE, FloatToStr(phi0), 0);
    if (!(std::fabs(phi1 - phi2) > 1e-10)) throw EGIS_Exception(GIS_RS_ERR_LATITUDESTOCLOSE, "", 0);
    if (std::fabs(phi1) <= 1e-10 || std::fabs(std::fabs(phi1) - kPi / 2) <= 1e-10)
        throw EGIS_Exception(GIS_RS_ERR_ORIGINLATITUDE, FloatToStr(phi1), 0);
    const double e = static_cast<double>(Eccentricity);
    const long double H = std::exp(-B_ * GisIsometricLatitude(phi1, e));
    const long double L = std::exp(-B_ * GisIsometricLatitude(phi2, e));
    const long double F = E_ / H;
    G_ = (F - 1 / F) / 2;
    const long double J = (E_ * E_ - L * H) / (E_ * E_ + L * H), P = (L - H) / (L + H);
    const long double lambda1 = LongitudeOfPoint_1;
    long double lambda2 = LongitudeOfPoint_2;
    if (lambda1 - lambda2 < -kPi) lambda2 -= 2 * kPi;
    if (lambda1 - lambda2 > kPi) lambda2 += 2 * kPi;
    lambdaO_ = (lambda1 + lambda2) / 2 - std::atan(J * std::tan(B_ * (lambda1 - lambda2) / 2) / P) / B_;
    CentralMeridian = static_cast<double>(lambdaO_);
    gamma0_ = std::atan(std::sin(B_ * ReducedDelta(static_cast<double>(lambda1 - lambdaO_))) / G_);
    Azimuth = GisArcSin(static_cast<double>(D_ * std::sin(gamma0_)));
    PrepareAxis();
}
