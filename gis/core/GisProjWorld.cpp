#include "gis/core/GisProjWorld.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRobinsonMaxLatitude = 1.56643300366;  // 89.75 degrees
constexpr double kNewtonTolerance = 4.85e-10;
constexpr int kNewtonRounds = 30;
constexpr double kBoundsMargin = 1.01;

// Newton's method on f(x) = 0 from x; `step` gives (f, f'). Stops at a step within the tolerance or after
// the round limit; a zero derivative ends it where it stands.
template <class Step>
double Newton(double x, Step step) {
    for (int round = 0; round < kNewtonRounds; ++round) {
        auto [f, df] = step(x);
        if (df == 0) break;
        const double dx = f / df;
        x -= dx;
        if (!(std::fabs(dx) > kNewtonTolerance)) break;
    }
    return x;
}

// x - sin x without the cancellation near zero, where the auxiliary angles meet the poles: its series to
// x^17 as one polynomial in x^2.
double XMinusSin(double x) {
    if (std::fabs(x) > 0.5) return x - std::sin(x);
    // 1/17!, 1/15!, ..., 1/3!
    constexpr double kInverseFactorials[] = {1 / 355687428096000.0, 1 / 1307674368000.0, 1 / 6227020800.0,
                                             1 / 39916800.0,        1 / 362880.0,        1 / 5040.0,
                                             1 / 120.0,             1 / 6.0};
    const double x2 = x * x;
    double p = 0;
    for (double f : kInverseFactorials) p = f - x2 * p;
    return x * x2 * p;
}

// Sine and cosine of an angle and of angles within 1e-9 of it, where the square of the difference is below
// rounding; an angle farther off is taken afresh.
class SinCosNear {
public:
    explicit SinCosNear(double t) : t0_(t), s0_(std::sin(t)), c0_(std::cos(t)) {}

    std::pair<double, double> At(double t) {
        const double h = t - t0_;
        if (!(std::fabs(h) <= 1e-9)) *this = SinCosNear(t);
        else if (h != 0) return {s0_ + c0_ * h, c0_ - s0_ * h};
        return {s0_, c0_};
    }

private:
    double t0_, s0_, c0_;
};

// 1 - sin|phi| = 2 sin^2 of half the colatitude, exact near the poles: pi/2 in two parts leaves the
// colatitude exact to rounding, one sine instead of a sine, a cosine and a division.
double OneMinusSinAbs(double phi) {
    constexpr double kHalfPiHigh = 1.5707963267948966, kHalfPiLow = 6.123233995736766e-17;
    const double s = std::sin(((kHalfPiHigh - std::fabs(phi)) + kHalfPiLow) / 2);
    return 2 * s * s;
}

// Equations that degenerate at the poles, written for the auxiliary angle's distance d from its pole value:
// G(d) = K (1 - sin |phi|) with G increasing and convex from G(0) = 0. `start` gives the first d for the
// right side, `curve` G and G'. The pole itself is d = 0.
template <class Start, class Curve>
double PoleDistance(double phi, double K, double max, Start start, Curve curve) {
    if (std::fabs(phi) == kPi / 2) return 0;
    const double k = K * OneMinusSinAbs(phi);
    const double d = Newton(start(k), [&](double x) {
        auto [g, dg] = curve(x);
        return std::pair{g - k, dg};
    });
    return std::clamp(d, 0.0, max);
}

// The auxiliary angle of F(theta) = K sin phi by Newton from `start`, `curve` giving F and F'; at the
// poles it is +-poleAngle outright.
template <class Curve>
double AuxiliaryAngle(double phi, double poleAngle, double K, double start, Curve curve) {
    if (std::fabs(phi) == kPi / 2) return phi > 0 ? poleAngle : -poleAngle;
    const double k = K * std::sin(phi);
    return Newton(start, [&](double t) {
        auto [f, df] = curve(t);
        return std::pair{f - k, df};
    });
}

double Sign(double v) { return v < 0 ? -1 : 1; }

// The latitude of an inverse that ends in arcsin(a), a = sin phi. Next to a pole the northing is flat in the
// latitude: its rounding (the false northing added and taken off again) leaves the argument a few units in the last
// place off 1, which the arcsine turns into up to 1e-7 rad. An argument that close to +-1 is the pole; the northings
// it takes in lie within 3e-8 m of the pole's.
double PoleArcSin(double a) {
    constexpr double kPoleRounding = 8 * std::numeric_limits<double>::epsilon();
    if (std::fabs(a) >= 1 - kPoleRounding) return GisArcSin(Sign(a));
    return GisArcSin(a);
}

// The inverse's longitude difference: beyond the outline (or undefined on it) the point has none, so it is
// held at the edge.
double HeldDelta(TGIS_ProjectionAbstract& p, double delta) {
    if (std::isnan(delta)) return 0;
    if (delta > kPi || delta < -kPi) {
        p.AddWarning(GIS_RS_WARN_EASTING);
        return delta > 0 ? kPi : -kPi;
    }
    return delta;
}

void SetBounds(TGIS_ProjectionAbstract& p, double halfWidth, double halfHeight) {
    p.EastingBound = kBoundsMargin * halfWidth;
    p.NorthingBound = kBoundsMargin * halfHeight;
}

constexpr TGIS_ProjectionParameters kWorldParameters =
    1 << gppCentralMeridian | 1 << gppFalseEasting | 1 << gppFalseNorthing;

// Robinson's table from -5 to 90 degrees: parallel length and distance from the equator.
constexpr double kRobinsonX[20] = {0.98442,  0.9858,   0.98442,  0.981265, 0.975942, 0.968253, 0.959183,
                                   0.946368, 0.929314, 0.908513, 0.883474, 0.855576, 0.823143, 0.78726,
                                   0.748912, 0.708396, 0.663641, 0.612478, 0.564075, 0.524643};
constexpr double kRobinsonY[20] = {-0.062, 0,      0.062,  0.124,  0.186,  0.248,  0.31,
                                   0.372,  0.434,  0.4958, 0.5571, 0.6176, 0.6769, 0.7346,
                                   0.7903, 0.8435, 0.8936, 0.9394, 0.9761, 1.0};

// Second-order interpolation at u within row `row` (0 = equator) of a column.
double RobinsonInterpolate(const double* column, int row, double u) {
    const double fm = column[row], f0 = column[row + 1], fp = column[row + 2];
    return f0 + u * (fp - fm) / 2 + u * u * (fp - 2 * f0 + fm) / 2;
}

// Row and position within it of |latitude| in degrees; a latitude on a row is the end of the row below.
std::pair<int, double> RobinsonRow(double degrees) {
    const double p = degrees / 5;
    const int i = static_cast<int>(p - 1e-10);
    return {i, p - i};
}

}  // namespace

// ---- Robinson

TGIS_ProjectionRobinson::TGIS_ProjectionRobinson() {
    std::copy(std::begin(kRobinsonX), std::end(kRobinsonX), tableX_);
    std::copy(std::begin(kRobinsonY), std::end(kRobinsonY), tableY_);
    Prepare();
}

std::string TGIS_ProjectionRobinson::Code() const { return "ROB"; }
std::string TGIS_ProjectionRobinson::Description() const { return "Robinson"; }
TGIS_ProjectionParameters TGIS_ProjectionRobinson::ParametersUsed() const { return kWorldParameters; }

void TGIS_ProjectionRobinson::SetUp(int32_t, double cm, double, double fe, double fn, double, double, double, double,
                                    double, double, double, double, double, double) {
    RequireFiniteParameters({fe, fn});
    CentralMeridian = CorrectedCentralMeridian(cm);
    FalseEasting = fe;
    FalseNorthing = fn;
    Prepare();
}

void TGIS_ProjectionRobinson::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    // Half-widths from the false origin, whatever the meridian: the edge of the map, not a point on it.
    auto [row, u] = RobinsonRow(kRobinsonMaxLatitude * 180 / kPi);
    const long double a = SemiMajor;
    EastingBound = static_cast<double>(a * tableX_[1] * kPi);
    NorthingBound = static_cast<double>(a * (kPi / 2) * RobinsonInterpolate(tableY_, row, u));
    // Halving is exact, so u * (d / 2) is the interpolation's own u * d / 2 to the bit.
    for (int i = 0; i < 18; ++i)
        rows_[i] = {tableX_[i + 1], (tableX_[i + 2] - tableX_[i]) / 2, (tableX_[i + 2] - 2 * tableX_[i + 1] + tableX_[i]) / 2,
                    tableY_[i + 1], (tableY_[i + 2] - tableY_[i]) / 2, (tableY_[i + 2] - 2 * tableY_[i + 1] + tableY_[i]) / 2};
    a_ = static_cast<double>(a);
    aHalfPi_ = a_ * (kPi / 2);
}

void TGIS_ProjectionRobinson::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    double lon = in.X, lat = in.Y;
    const double z = in.Z;
    ProjectRange(lon, lat, -kRobinsonMaxLatitude, kRobinsonMaxLatitude);
    const double dl = LongitudeDelta(lon);
    auto [row, u] = RobinsonRow(std::fabs(lat) * (180 / kPi));
    const Row& r = rows_[row];
    out.X = FalseEasting + a_ * (r.x0 + u * r.x1 + u * u * r.x2) * dl;
    out.Y = FalseNorthing + Sign(lat) * aHalfPi_ * (r.y0 + u * r.y1 + u * u * r.y2);
    out.Z = z;
}

void TGIS_ProjectionRobinson::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    double easting = in.X, northing = in.Y;
    const double z = in.Z;
    UnprojectRange(easting, northing);
    const double y = (northing - FalseNorthing) / aHalfPi_, ay = std::fabs(y);
    // The row whose Y values bracket |y|: the table's Y is not proportional to latitude, so the first guess
    // may be a row too low or too high.
    int row = std::min(17, static_cast<int>(ay * 18));
    while (row < 17 && tableY_[row + 2] < ay) ++row;
    while (row >= 0 && tableY_[row + 1] > ay) --row;
    if (row < 0) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    const Row& r = rows_[row];
    const double f0 = r.y0, d1 = r.y1, d2 = r.y2;
    // The interpolation is a quadratic in u, so its root is taken at once rather than by Newton steps; this
    // form of the root keeps its accuracy where d2 is near zero.
    const double disc = d1 * d1 + 4 * d2 * (ay - f0);
    if (!(disc >= 0)) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    const double denominator = d1 + std::sqrt(disc);
    if (!(denominator > 0)) throw EGIS_Exception(GIS_RS_ERR_NOTSOLVABLE, "", 0);
    const double u = 2 * (ay - f0) / denominator;
    out.Y = Sign(y) * 5 * (row + u) * 0.01745329252;
    out.X = NormalizeLongitude(CentralMeridian +
                               HeldDelta(*this, (easting - FalseEasting) / (a_ * (r.x0 + u * r.x1 + u * u * r.x2))));
    out.Z = z;
}

// ---- The members on the authalic sphere

#define QM_WORLD_COMMON(Class, code, description)                                                         \
    std::string Class::Code() const { return code; }                                                      \
    std::string Class::Description() const { return description; }                                        \
    TGIS_ProjectionParameters Class::ParametersUsed() const { return kWorldParameters; }                  \
    void Class::SetUp(int32_t, double cm, double, double fe, double fn, double, double, double, double, double, \
                      double, double, double, double, double) {                                            \
        SetUpOrigin(cm, OriginLatitude, fe, fn, kPi / 2);                                                  \
        Prepare();                                                                                         \
    }

QM_WORLD_COMMON(TGIS_ProjectionMollweide, "MOL", "Mollweide Pseudocylindrical")
QM_WORLD_COMMON(TGIS_ProjectionEckert4, "EC4", "Eckert IV")
QM_WORLD_COMMON(TGIS_ProjectionEckert6, "EC6", "Eckert VI")
QM_WORLD_COMMON(TGIS_ProjectionWagner4, "WA4", "Wagner IV")
QM_WORLD_COMMON(TGIS_ProjectionWagner7, "WA7", "Wagner VII")
QM_WORLD_COMMON(TGIS_ProjectionSinusoid, "SIN", "Sinusoid")
QM_WORLD_COMMON(TGIS_ProjectionGrinten, "GRI", "Van der Grinten")
#undef QM_WORLD_COMMON

// ---- Mollweide

namespace {

// The root d of d - sin d = k (0 <= k <= pi) is c q(c^2) with c = cbrt(6k) and q even and smooth from the pole
// (q = 1) to the equator (d = pi). One polynomial for q, in z = c^2 scaled to -1..1, starts Newton within
// 1.5e-10 of the root, so that a single step usually ends it.
constexpr double kMollweideZMax = 7.082731016000908;  // cbrt(6 pi)^2
constexpr double kMollweideStart[] = {
    1.0702609054630905,     0.084465553077366279,   0.018085062698887634,   0.0051020591536708399,
    0.0016391379550574237,  0.00056789619436264471, 0.00020639209532620809, 7.7761369507962398e-05,
    3.0942567984559508e-05, 1.2227844593077405e-05, 3.6177435956807197e-06, 1.4494288326106358e-06,
    1.5261028601942783e-06, 6.3758148254738911e-07};

// The cube root to a few units in the last place, for a starting value: the exponent divided by three from
// the bits, then two steps of Halley's method. Below the normal numbers the bits mislead; the library serves.
double StartCubeRoot(double v) {
    if (!(v >= std::numeric_limits<double>::min())) return std::cbrt(v);
    double y = std::bit_cast<double>(std::bit_cast<uint64_t>(v) / 3 + 0x2A9F7893782DA1CEull);
    for (int round = 0; round < 2; ++round) {
        const double y3 = y * y * y;
        y *= (y3 + 2 * v) / (2 * y3 + v);
    }
    return y;
}

double MollweideStart(double k) {
    const double c = StartCubeRoot(6 * k), x = c * c * (2 / kMollweideZMax) - 1;
    // Estrin's scheme: the pairs, then the pairs of pairs, ... are independent, the latency a quarter of
    // Horner's.
    const double* a = kMollweideStart;
    const double x2 = x * x, x4 = x2 * x2, x8 = x4 * x4;
    double pair[7];
    for (int i = 0; i < 7; ++i) pair[i] = a[2 * i] + a[2 * i + 1] * x;
    const double low = (pair[0] + pair[1] * x2) + (pair[2] + pair[3] * x2) * x4;
    const double high = (pair[4] + pair[5] * x2) + pair[6] * x4;
    return c * (low + high * x8);
}

}  // namespace

void TGIS_ProjectionMollweide::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R_ = GisAuthalicRadius(SemiMajor, Eccentricity2);
    cx_ = static_cast<double>(std::sqrt(8.0L) / kPi * R_);
    cy_ = static_cast<double>(std::sqrt(2.0L) * R_);
    inverseCy_ = 1 / cy_;
    SetBounds(*this, cx_ * kPi, cy_);
}

void TGIS_ProjectionMollweide::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    const double dl = LongitudeDelta(p.X);
    // theta' + sin theta' = pi sin phi has a triple root at the poles; solved for d = pi - |theta'| it is
    // d - sin d = pi (1 - sin |phi|), well conditioned everywhere. The pole itself is d = 0. The sine and
    // cosine of d/2 at the start serve every step and the result.
    double s = 0, c = 1;  // of d/2
    if (std::fabs(p.Y) != kPi / 2) {
        const double k = kPi * OneMinusSinAbs(p.Y), start = MollweideStart(k);
        SinCosNear half(start / 2);
        const double d = Newton(start, [&](double x) {
            auto [sh, ch] = half.At(x / 2);
            return std::pair{(x > 0.5 ? x - 2 * sh * ch : XMinusSin(x)) - k, 2 * sh * sh};
        });
        std::tie(s, c) = half.At(std::clamp(d, 0.0, kPi) / 2);
    }
    out.X = FalseEasting + cx_ * dl * s;
    out.Y = FalseNorthing + Sign(p.Y) * cy_ * c;
    out.Z = in.Z;
}

void TGIS_ProjectionMollweide::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    // sin theta straight from y; cos theta from it without the cancellation next to the poles.
    const double s = std::clamp((p.Y - FalseNorthing) * inverseCy_, -1.0, 1.0), c = std::sqrt((1 - s) * (1 + s));
    const double theta = std::asin(s);
    const double phi = GisArcSin((theta + s * c) * (2 / kPi));
    double dl = 0;
    if (!(std::fabs(std::fabs(phi) - kPi / 2) < 1e-10)) dl = HeldDelta(*this, (p.X - FalseEasting) / (cx_ * c));
    out.X = NormalizeLongitude(CentralMeridian + dl);
    out.Y = phi;
    out.Z = in.Z;
}

// ---- Eckert IV

namespace {
constexpr double kEckert4X = 0.4222382, kEckert4Y = 1.3265004, kEckert4K = 2 + kPi / 2;
}

void TGIS_ProjectionEckert4::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R_ = GisAuthalicRadius(SemiMajor, Eccentricity2);
    cx_ = kEckert4X * R_;
    cy_ = kEckert4Y * R_;
    SetBounds(*this, static_cast<double>(cx_ * 2 * kPi), static_cast<double>(cy_));
}

void TGIS_ProjectionEckert4::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    const double dl = LongitudeDelta(p.X);
    // theta + sin theta cos theta + 2 sin theta = (2 + pi/2) sin phi has a double root at the poles; for
    // d = pi/2 - |theta| it reads (2d - sin 2d)/2 + 4 sin^2(d/2) = (2 + pi/2)(1 - sin |phi|), at least d^2,
    // so Newton from sqrt of the right side approaches from above.
    const double d = PoleDistance(
        p.Y, kEckert4K, kPi / 2, [](double k) { return std::min(std::sqrt(k), kPi / 2); },
        [](double x) {
            const double s = std::sin(x / 2), sx = std::sin(x);
            return std::pair{XMinusSin(2 * x) / 2 + 4 * s * s, 2 * sx * sx + 2 * sx};
        });
    out.X = FalseEasting + static_cast<double>(cx_) * dl * (1 + std::sin(d));
    out.Y = FalseNorthing + Sign(p.Y) * static_cast<double>(cy_) * std::cos(d);
    out.Z = in.Z;
}

void TGIS_ProjectionEckert4::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double theta = GisArcSin((p.Y - FalseNorthing) / static_cast<double>(cy_));
    const double s = std::sin(theta), c = std::cos(theta);
    out.Y = GisArcSin((theta + s * c + 2 * s) / kEckert4K);
    out.X = NormalizeLongitude(CentralMeridian +
                               HeldDelta(*this, (p.X - FalseEasting) / (static_cast<double>(cx_) * (1 + c))));
    out.Z = in.Z;
}

// ---- Eckert VI

namespace {
constexpr double kEckert6K = 1 + kPi / 2;
}

void TGIS_ProjectionEckert6::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R_ = GisAuthalicRadius(SemiMajor, Eccentricity2);
    cx_ = R_ / std::sqrt(2 + static_cast<long double>(kPi));
    cy_ = 2 * cx_;
    SetBounds(*this, static_cast<double>(cx_ * 2 * kPi), static_cast<double>(cy_ * kPi / 2));
}

void TGIS_ProjectionEckert6::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    const double dl = LongitudeDelta(p.X);
    const double theta = AuxiliaryAngle(p.Y, kPi / 2, kEckert6K, p.Y,
                                        [](double t) { return std::pair{t + std::sin(t), 1 + std::cos(t)}; });
    out.X = FalseEasting + static_cast<double>(cx_) * dl * (1 + std::cos(theta));
    out.Y = FalseNorthing + static_cast<double>(cy_) * theta;
    out.Z = in.Z;
}

void TGIS_ProjectionEckert6::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double theta = std::clamp((p.Y - FalseNorthing) / static_cast<double>(cy_), -kPi / 2, kPi / 2);
    out.Y = GisArcSin((theta + std::sin(theta)) / kEckert6K);
    out.X = NormalizeLongitude(
        CentralMeridian +
        HeldDelta(*this, (p.X - FalseEasting) / (static_cast<double>(cx_) * (1 + std::cos(theta)))));
    out.Z = in.Z;
}

// ---- Wagner IV

namespace {
constexpr double kWagner4X = 0.8631, kWagner4Y = 1.56548, kWagner4K = 2.9604205062;
// The auxiliary angle of the poles, where 2 theta + sin 2 theta = K: 2.2e-11 beyond pi/3, the rounding of K, as the
// slope there is 1. pi/3 itself would put the poles a little off the curve the inverse follows.
constexpr double kWagner4Pole = kPi / 3 + (kWagner4K - 2 * kPi / 3 - 0.86602540378443864676);
}

void TGIS_ProjectionWagner4::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R_ = GisAuthalicRadius(SemiMajor, Eccentricity2);
    cx_ = kWagner4X * R_;
    cy_ = kWagner4Y * R_;
    SetBounds(*this, static_cast<double>(cx_ * kPi), static_cast<double>(cy_ * std::sin(kWagner4Pole)));
}

void TGIS_ProjectionWagner4::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    const double dl = LongitudeDelta(p.X);
    // The derivative 2 + 2 cos 2 theta vanishes at theta = pi/2, where a start at phi would put a pole: the
    // root lies above phi/2, where the curve is concave, so Newton from there climbs to it.
    const double theta = AuxiliaryAngle(p.Y, kWagner4Pole, kWagner4K, p.Y / 2, [](double t) {
        return std::pair{2 * t + std::sin(2 * t), 2 + 2 * std::cos(2 * t)};
    });
    out.X = FalseEasting + static_cast<double>(cx_) * dl * std::cos(theta);
    out.Y = FalseNorthing + static_cast<double>(cy_) * std::sin(theta);
    out.Z = in.Z;
}

void TGIS_ProjectionWagner4::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double theta = GisArcSin((p.Y - FalseNorthing) / static_cast<double>(cy_));
    out.Y = PoleArcSin((2 * theta + std::sin(2 * theta)) / kWagner4K);
    out.X = NormalizeLongitude(
        CentralMeridian + HeldDelta(*this, (p.X - FalseEasting) / (static_cast<double>(cx_) * std::cos(theta))));
    out.Z = in.Z;
}

// ---- Wagner VII

namespace {
constexpr double kWagner7S = 0.90631, kWagner7X = 2.66723, kWagner7Y = 1.24104, kWagner7SY = 1.1247669624;

// Unscaled by R.
std::pair<double, double> Wagner7(double dl, double phi) {
    const double s = kWagner7S * std::sin(phi), c0 = std::sqrt(1 - s * s);
    const double c1 = std::sqrt(2 / (1 + c0 * std::cos(dl / 3)));
    return {kWagner7X * c0 * c1 * std::sin(dl / 3), kWagner7Y * s * c1};
}
}  // namespace

void TGIS_ProjectionWagner7::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R_ = GisAuthalicRadius(SemiMajor, Eccentricity2);
    // Widest on the equator, highest at the poles' ends.
    const double r = static_cast<double>(R_);
    SetBounds(*this, r * Wagner7(kPi, 0).first, r * Wagner7(kPi, kPi / 2).second);
}

void TGIS_ProjectionWagner7::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    auto [x, y] = Wagner7(LongitudeDelta(p.X), p.Y);
    const double r = static_cast<double>(R_);
    out.X = FalseEasting + r * x;
    out.Y = FalseNorthing + r * y;
    out.Z = in.Z;
}

void TGIS_ProjectionWagner7::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double x = p.X - FalseEasting, y = p.Y - FalseNorthing, r = static_cast<double>(R_);
    const double rho = std::hypot(x / kWagner7X, y / kWagner7Y);
    double dl = 0, phi = 0;
    if (rho > 0) {
        // The equatorial Lambert azimuthal inverse of the scaled point; the quadrant comes from cos c.
        const double c = 2 * GisArcSin(rho / (2 * r));
        phi = PoleArcSin(y * std::sin(c) / (kWagner7SY * rho));
        dl = 3 * std::atan2(x * std::sin(c), kWagner7X * rho * std::cos(c));
    }
    out.X = NormalizeLongitude(CentralMeridian + HeldDelta(*this, dl));
    out.Y = phi;
    out.Z = in.Z;
}

// ---- Sinusoidal (ellipsoidal)

void TGIS_ProjectionSinusoid::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    arc_.Prepare(SemiMajor, Eccentricity2);
    SetBounds(*this, static_cast<double>(SemiMajor * kPi), arc_.Distance(kPi / 2));
}

void TGIS_ProjectionSinusoid::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    const double dl = LongitudeDelta(p.X), s = std::sin(p.Y);
    const double a = static_cast<double>(SemiMajor), e2 = static_cast<double>(Eccentricity2);
    out.X = FalseEasting + a * dl * std::cos(p.Y) / std::sqrt(1 - e2 * s * s);
    out.Y = FalseNorthing + arc_.Distance(p.Y);
    out.Z = in.Z;
}

void TGIS_ProjectionSinusoid::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double phi = std::clamp(arc_.Footpoint(p.Y - FalseNorthing), -kPi / 2, kPi / 2);
    double dl = 0;
    if (!GisIsNear(std::fabs(phi), kPi / 2, 1e-8)) {
        const double s = std::sin(phi), a = static_cast<double>(SemiMajor), e2 = static_cast<double>(Eccentricity2);
        dl = HeldDelta(*this, (p.X - FalseEasting) * std::sqrt(1 - e2 * s * s) / (a * std::cos(phi)));
    }
    out.X = NormalizeLongitude(CentralMeridian + dl);
    out.Y = phi;
    out.Z = in.Z;
}

// ---- Van der Grinten

void TGIS_ProjectionGrinten::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    R_ = GisAuthalicRadius(SemiMajor, Eccentricity2);
    piR_ = kPi * R_;
    SetBounds(*this, static_cast<double>(piR_), static_cast<double>(piR_));
}

void TGIS_ProjectionGrinten::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kPi / 2, kPi / 2);
    const double dl = LongitudeDelta(p.X), phi = p.Y, piR = static_cast<double>(piR_);
    out.Z = in.Z;
    // Below 1e-30 rad the terms of the general case overflow; the point is on the equator to far below a
    // nanometre.
    if (std::fabs(phi) < 1e-30) {
        out.X = FalseEasting + static_cast<double>(R_) * dl;
        out.Y = FalseNorthing;
        return;
    }
    const double theta = GisArcSin(std::fabs(2 * phi / kPi));
    // Within 1e-10 rad of the central meridian (well under a millimetre) A = pi/(2 dl) would overflow.
    if (std::fabs(dl) < 1e-10 || GisIsNear(std::fabs(phi), kPi / 2, 1e-5)) {
        out.X = FalseEasting;
        out.Y = FalseNorthing + Sign(phi) * piR * std::tan(theta / 2);
        return;
    }
    const double st = std::sin(theta), ct = std::cos(theta);
    const double A = std::fabs(kPi / dl - dl / kPi) / 2;
    // sin + cos - 1 as sin - 2 sin^2(theta/2): near the equator the plain sum rounds to zero.
    const double sh = std::sin(theta / 2);
    const double G = ct / (st - 2 * sh * sh), P = G * (2 / st - 1);
    // P^2 - G^2 = 4 G^2 (1 - sin theta) / sin^2 theta, and the root taken over the sum without its
    // cancelling term: near the equator the plain formula loses every digit.
    const double P2 = P * P, M = P2 - G, PG = 4 * G * G * (1 - st) / (st * st);
    const double x = PG / (std::sqrt(A * A * M * M + (P2 + A * A) * PG) + A * M);
    out.X = FalseEasting + Sign(dl) * piR * x;
    // y = sqrt(1 - x^2 - 2 A x) loses its digits near the equator; the same y from the other root,
    // (Q^2 - A^2 - A^4) / (P Q + A sqrt((A^2 + 1)(P^2 + A^2) - Q^2)) with Q = A^2 + G, has no
    // cancelling terms once written as below.
    const double Q = A * A + G, W = A * A * (PG + (G - 1) * (G - 1)) + PG;
    const double y = (G * G + A * A * (2 * G - 1)) / (P * Q + A * std::sqrt(W));
    out.Y = FalseNorthing + Sign(phi) * piR * y;
}

void TGIS_ProjectionGrinten::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    UnprojectRange(p);
    const double piR = static_cast<double>(piR_);
    const double x = (p.X - FalseEasting) / piR, y = (p.Y - FalseNorthing) / piR;
    const double x2 = x * x, y2 = y * y, r2 = x2 + y2;
    double phi = 0, dl = kPi * x;
    // Below 1e-30 (a latitude as small) the cubic's coefficients underflow; the point is on the equator.
    if (std::fabs(y) >= 1e-30) {
        const double c1 = -std::fabs(y) * (1 + r2);
        const double c2 = c1 - 2 * y2 + x2;
        const double c3 = -2 * c1 + 1 + 2 * y2 + r2 * r2;
        const double d = y2 / c3 + (2 * c2 * c2 * c2 / (c3 * c3 * c3) - 9 * c1 * c2 / (c3 * c3)) / 27;
        const double a1 = (c1 - c2 * c2 / (3 * c3)) / c3;
        const double m1 = 2 * std::sqrt(-a1 / 3);
        const double t1 = std::acos(std::clamp(3 * d / (a1 * m1), -1.0, 1.0)) / 3;
        phi = std::clamp(Sign(y) * kPi * (-m1 * std::cos(t1 + kPi / 3) - c2 / (3 * c3)), -kPi / 2, kPi / 2);
        dl = x == 0 ? 0 : kPi * (r2 - 1 + std::sqrt(1 + 2 * (x2 - y2) + r2 * r2)) / (2 * x);
    }
    out.X = NormalizeLongitude(CentralMeridian + HeldDelta(*this, dl));
    out.Y = phi;
    out.Z = in.Z;
}
