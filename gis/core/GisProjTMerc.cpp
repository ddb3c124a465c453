#include "gis/core/GisProjTMerc.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfPi = kPi / 2;
constexpr double kDistorted = 0.15707963267948966;  // 9° from the meridian
constexpr double kUtmMaxLatitude = 1.4748032179352;   // 84.5°
constexpr double kUtmMinLatitude = -1.40499004785544;  // −80.5°
constexpr double kUtmFalseEasting = 500000, kUtmScale = 0.9996, kSouthFalseNorthing = 10000000;

constexpr char kCodeTMR[] = "TMR";
constexpr char kDescriptionTMR[] = "Transverse Mercator";
constexpr char kCodeUTM[] = "UTM";
constexpr char kDescriptionUTM[] = "Universal Transverse Mercator (UTM)";

// Inclusive; a NaN is outside.
bool Within(double v, double lo, double hi) { return v >= lo && v <= hi; }

}  // namespace

std::string TGIS_ProjectionTransverseMercator::Code() const { return kCodeTMR; }
std::string TGIS_ProjectionTransverseMercator::Description() const { return kDescriptionTMR; }
TGIS_ProjectionParameters TGIS_ProjectionTransverseMercator::ParametersUsed() const {
    return 1u << gppCentralMeridian | 1u << gppOriginLatitude | 1u << gppFalseEasting | 1u << gppFalseNorthing |
           1u << gppScaleFactor;
}

void TGIS_ProjectionTransverseMercator::SetUp(int32_t, double centralMeridian, double originLatitude,
                                              double falseEasting, double falseNorthing, double, double,
                                              double scaleFactor, double, double, double, double, double, double,
                                              double) {
    RequireFiniteParameters({falseEasting, falseNorthing});
    const double ol = CorrectedOriginLatitude(originLatitude, kHalfPi);
    const double cm = CorrectedCentralMeridian(centralMeridian);
    const double sf = Corrected(scaleFactor, 0.3, 3.0, GIS_RS_WARN_SCALEFACTOR);
    Origin = {cm, ol};
    FalseOrigin = {falseEasting, falseNorthing};
    Scale = sf;
    Prepare();
}

double TGIS_ProjectionTransverseMercator::MeridianDistance(double latitude) const {
    return static_cast<double>(CoefA) * latitude + GisSin2Series(latitude, sines_, 4);
}

void TGIS_ProjectionTransverseMercator::Prepare() {
    TGIS_ProjectionAbstract::Prepare();
    CentralMeridian = OriginLatitude = FalseEasting = FalseNorthing = 0;
    ScaleFactor = Scale;
    m0_ = 0;

    const long double a = SemiMajor, n = (SemiMajor - SemiMinor) / (SemiMajor + SemiMinor);
    const long double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n;
    CoefA = a * (1 - n + 5.0L / 4 * (n2 - n3) + 81.0L / 64 * (n4 - n5));
    CoefB = 3.0L / 2 * a * (n - n2 + 7.0L / 8 * (n3 - n4) + 55.0L / 64 * n5);
    CoefC = 15.0L / 16 * a * (n2 - n3 + 3.0L / 4 * (n4 - n5));
    CoefD = 35.0L / 48 * a * (n3 - n4 + 11.0L / 16 * n5);
    CoefE = 315.0L / 512 * a * (n4 - n5);
    sines_[0] = static_cast<double>(-CoefB);
    sines_[1] = static_cast<double>(CoefC);
    sines_[2] = static_cast<double>(-CoefD);
    sines_[3] = static_cast<double>(CoefE);
    footpoint_.Prepare(SemiMajor, Eccentricity2);

    // Measured from the false origin, on the scaled grid, with room for the pole farther from the origin
    // latitude: every projected point comes back.
    TGIS_Point3D p;
    Project(TGIS_Point3D(kHalfPi, kHalfPi, 0), p);
    const double pole = p.Y;
    Project(TGIS_Point3D(kHalfPi, 0, 0), p);
    EastingBound = p.X;

    CentralMeridian = ReduceMeridian(Origin.X);
    OriginLatitude = Origin.Y;
    FalseEasting = FalseOrigin.X;
    FalseNorthing = FalseOrigin.Y;
    m0_ = MeridianDistance(OriginLatitude);
    NorthingBound = pole + std::fabs(m0_) * Scale;
}

void TGIS_ProjectionTransverseMercator::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    TGIS_Point3D p = in;
    ProjectRange(p, -kHalfPi, kHalfPi);
    // The side is the shorter way round: shifting λ and λ0 into 0..2π apart puts 100° W of 0° on the east edge.
    double dl = LongitudeDelta(p.X);
    if (dl < -kHalfPi) {
        dl = -kHalfPi;
        AddWarning(GIS_RS_WARN_LONGITUDE);
    } else if (dl > kHalfPi) {
        dl = kHalfPi;
        AddWarning(GIS_RS_WARN_LONGITUDE);
    }
    if (std::fabs(dl) > kDistorted) AddWarning(GIS_RS_ERR_DISTORTED);
    if (std::fabs(dl) < 2e-10) dl = 0;

    const double phi = p.Y, s = std::sin(phi), c = std::cos(phi), t = s / c;
    const double e2 = static_cast<double>(Eccentricity2), ep2 = static_cast<double>(SecondEccentricity2);
    const double h2 = ep2 * c * c, h4 = h2 * h2, h6 = h4 * h2, h8 = h6 * h2;
    const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    const double nuk = static_cast<double>(SemiMajor) / std::sqrt(1 - e2 * s * s) * ScaleFactor;
    // With L = Δλ·cos φ the terms T2 .. T5 are ν·k0·t·L^2k and T6 .. T9 are ν·k0·L^(2k+1).
    const double L = dl * c, L2 = L * L;
    const double y2 = 0.5;
    const double y4 = (5 - t2 + 9 * h2 + 4 * h4) / 24;
    const double y6 = (61 - 58 * t2 + t4 + 270 * h2 - 330 * t2 * h2 + 445 * h4 + 324 * h6 - 680 * t2 * h4 + 88 * h8 -
                       600 * t2 * h6 - 192 * t2 * h8) /
                      720;
    const double y8 = (1385 - 3111 * t2 + 543 * t4 - t6) / 40320;
    const double x3 = (1 - t2 + h2) / 6;
    const double x5 = (5 - 18 * t2 + t4 + 14 * h2 - 58 * t2 * h2 + 13 * h4 + 4 * h6 - 64 * t2 * h4 - 24 * t2 * h6) / 120;
    const double x7 = (61 - 479 * t2 + 179 * t4 - t6) / 5040;
    const double m = (Meridian(phi, s, c) - m0_) * ScaleFactor;
    const double y = m + nuk * t * L2 * (y2 + L2 * (y4 + L2 * (y6 + L2 * y8)));
    const double x = nuk * L * (1 + L2 * (x3 + L2 * (x5 + L2 * x7)));
    out = TGIS_Point3D(FalseEasting + x, FalseNorthing + y, in.Z);
}

void TGIS_ProjectionTransverseMercator::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    const double z = in.Z;
    if (!Within(in.X, FalseEasting - EastingBound, FalseEasting + EastingBound))
        throw EGIS_Exception(GIS_RS_ERR_EASTING, FloatToStr(in.X), 0);
    if (!Within(in.Y, FalseNorthing - NorthingBound, FalseNorthing + NorthingBound))
        throw EGIS_Exception(GIS_RS_ERR_NORTHING, FloatToStr(in.Y), 0);

    const double a = static_cast<double>(SemiMajor), e2 = static_cast<double>(Eccentricity2);
    const double k0 = ScaleFactor;
    const double m1 = (in.Y - FalseNorthing) / k0 + m0_;
    // The footpoint latitude solves M(φ) = M1 by Newton rounds on M, whose derivative is ρ. On the earth's
    // ellipsoids the series footpoint is good to 1e-10 rad and one round reaches rounding; strongly
    // flattened ones take a few more.
    double phi = footpoint_.Footpoint(m1);
    double s = std::sin(phi), c = std::cos(phi), w2, step;
    for (int round = 1;; ++round) {
        w2 = 1 - e2 * s * s;
        step = (m1 - Meridian(phi, s, c)) * w2 * std::sqrt(w2) / (a * (1 - e2));
        phi += step;
        if (!(std::fabs(step) > 1e-9) || round == 5) break;
        s = std::sin(phi);
        c = std::cos(phi);
    }
    // On the pole (or beyond it, at the very edge of the northing bound) the meridian is all there is.
    if (!(std::fabs(phi) < kHalfPi - 1e-10)) {
        out = TGIS_Point3D(CentralMeridian, std::copysign(kHalfPi, phi), z);
        return;
    }
    if (std::fabs(step) > 1e-9) {
        s = std::sin(phi);
        c = std::cos(phi);
    } else {  // to second order in the step, which is below rounding
        const double s0 = s;
        s += c * step;
        c -= s0 * step;
    }
    w2 = 1 - e2 * s * s;

    double dx = in.X - FalseEasting;
    if (std::fabs(dx) < 0.0001) dx = 0;
    const double t = s / c;
    const double nu = a / std::sqrt(w2), rho = a * (1 - e2) / (w2 * std::sqrt(w2));
    const double ep2 = static_cast<double>(SecondEccentricity2);
    const double h2 = ep2 * c * c, h4 = h2 * h2, h6 = h4 * h2, h8 = h6 * h2;
    const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    // With D = Δx/(ν·k0), T10 .. T13 give t·ν/ρ·D^2k and T14 .. T17 give D^(2k+1)/cos φ1.
    const double D = dx / (nu * k0), D2 = D * D;
    const double p2 = 0.5;
    const double p4 = (5 + 3 * t2 + h2 - 4 * h4 - 9 * t2 * h2) / 24;
    const double p6 = (61 + 90 * t2 + 46 * h2 + 45 * t4 - 252 * t2 * h2 - 3 * h4 + 100 * h6 - 66 * t2 * h4 -
                       90 * t4 * h2 + 88 * h8 + 225 * t4 * h4 + 84 * t2 * h6 - 192 * t2 * h8) /
                      720;
    const double p8 = (1385 + 3633 * t2 + 4095 * t4 + 1575 * t6) / 40320;
    const double q3 = (1 + 2 * t2 + h2) / 6;
    const double q5 = (5 + 6 * h2 + 28 * t2 - 3 * h4 + 8 * t2 * h2 + 24 * t4 - 4 * h6 + 4 * t2 * h4 + 24 * t2 * h6) / 120;
    const double q7 = (61 + 662 * t2 + 1320 * t4 + 720 * t6) / 5040;
    double lat = phi - t * nu / rho * D2 * (p2 - D2 * (p4 - D2 * (p6 - D2 * p8)));
    const double dl = D * (1 - D2 * (q3 - D2 * (q5 - D2 * q7))) / c;
    if (std::fabs(dl) > kDistorted) AddWarning(GIS_RS_ERR_DISTORTED);
    // Far off the meridian the series may run past the pole or round the globe.
    lat = std::fmax(-kHalfPi, std::fmin(kHalfPi, lat));
    double lon = CentralMeridian + dl;
    if (std::fabs(lon) > kPi) lon = std::remainder(lon, 2 * kPi);
    out = TGIS_Point3D(lon, lat, z);
}

TGIS_ProjectionUTM::TGIS_ProjectionUTM() : inner_(std::make_unique<TGIS_ProjectionTransverseMercator>()) {
    Prepare();
}

TGIS_ProjectionUTM::~TGIS_ProjectionUTM() = default;

std::string TGIS_ProjectionUTM::Code() const { return kCodeUTM; }
std::string TGIS_ProjectionUTM::Description() const { return kDescriptionUTM; }
TGIS_ProjectionParameters TGIS_ProjectionUTM::ParametersUsed() const { return 1u << gppZone; }
std::unique_ptr<TGIS_ProjectionAbstract> TGIS_ProjectionUTM::NewInstance() const {
    return std::make_unique<TGIS_ProjectionUTM>();
}

void TGIS_ProjectionUTM::SetUp(int32_t zone, double, double, double, double, double, double, double, double, double,
                               double, double, double, double, double) {
    if (zone < -60 || zone > 60)
        throw EGIS_Exception(GIS_RS_ERR_ZONE, zone < 0 ? "S" : "", static_cast<int>(std::abs(int64_t{zone})));
    Zone = zone;
    Prepare();
}

void TGIS_ProjectionUTM::ZoneError() const {
    throw EGIS_Exception(GIS_RS_ERR_ZONE, Zone < 0 ? "S" : "", std::abs(Zone));
}

void TGIS_ProjectionUTM::ZoneForPoint(const TGIS_Point& point) {
    if (!std::isfinite(point.Y)) throw EGIS_Exception(GIS_RS_ERR_LATITUDE, FloatToStr(point.Y), 0);
    if (!std::isfinite(point.X)) throw EGIS_Exception(GIS_RS_ERR_LONGITUDE, FloatToStr(point.X), 0);
    // Degrees east or west of Greenwich, so that the exceptions' bounds below 0° apply.
    const double lon = std::remainder(point.X, 2 * kPi);
    const double l = lon * 180 / kPi, b = point.Y * 180 / kPi;
    int zone = static_cast<int>(180 * lon / (6 * kPi) + 31 + 5e-8);
    if (zone > 60) zone = 1;
    if (b > 55 && b < 64 && l > -1 && l < 3) zone = 31;
    if (b > 55 && b < 64 && l > 2 && l < 12) zone = 32;
    if (b > 71 && l > -1 && l < 9) zone = 31;
    if (b > 71 && l > 8 && l < 21) zone = 33;
    if (b > 71 && l > 20 && l < 33) zone = 35;
    if (b > 71 && l > 32 && l < 42) zone = 37;
    Zone = point.Y < 0 ? -zone : zone;
}

TGIS_ProjectionTransverseMercator& TGIS_ProjectionUTM::Grid() {
    OriginLatitude = 0;
    FalseEasting = kUtmFalseEasting;
    ScaleFactor = kUtmScale;
    const int zone = std::abs(Zone);
    CentralMeridian = (zone >= 31 ? 6 * zone - 183 : 6 * zone + 177) * kPi / 180;
    FalseNorthing = Zone < 0 ? kSouthFalseNorthing : 0;
    TGIS_ProjectionTransverseMercator& tm = *inner_;
    // The catalogue may change an ellipsoid in place, so its constants count as well as the datum.
    const TGIS_Ellipsoid* e = tm.Ellipsoid;
    if (gridZone_ != Zone || tm.Datum != Datum || e->Code != Datum->EllipsoidCode || tm.SemiMajor != e->SemiMajor ||
        tm.Eccentricity2 != e->Eccentricity2) {
        gridZone_ = INT64_MIN;
        tm.SetDatum(Datum);
        tm.SetUp(0, CentralMeridian, 0, kUtmFalseEasting, FalseNorthing, 0, 0, kUtmScale, 0, 0, 0, 0, 0, 0, 0);
        gridZone_ = Zone;
    }
    return tm;
}

void TGIS_ProjectionUTM::Project(const TGIS_Point3D& in, TGIS_Point3D& out) {
    const TGIS_Point3D p = in;
    if (!Within(p.Y, -kUtmMaxLatitude, kUtmMaxLatitude))
        throw EGIS_Exception(GIS_RS_ERR_LATITUDE, FloatToStr(p.Y), 0);
    if (!Within(p.X, -kPi, 2 * kPi)) throw EGIS_Exception(GIS_RS_ERR_LONGITUDE, FloatToStr(p.X), 0);
    const double lon = p.X < 0 ? p.X + 2 * kPi : p.X;
    if (Zone == 0) ZoneForPoint({lon, p.Y});
    TGIS_Point3D r;
    Grid().Project(TGIS_Point3D(lon, p.Y, p.Z), r);
    if (!Within(r.X, 100000, 900000) || !Within(r.Y, 0, 10000000)) ZoneError();
    out = TGIS_Point3D(r.X, r.Y, p.Z);
}

void TGIS_ProjectionUTM::Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) {
    const TGIS_Point3D p = in;
    if (!Within(p.X, 100000, 900000)) throw EGIS_Exception(GIS_RS_ERR_EASTING, FloatToStr(p.X), 0);
    if (!Within(p.Y, 0, 10000000)) throw EGIS_Exception(GIS_RS_ERR_NORTHING, FloatToStr(p.Y), 0);
    TGIS_Point3D r;
    Grid().Unproject(p, r);
    if (!Within(r.Y, kUtmMinLatitude, kUtmMaxLatitude)) ZoneError();
    out = TGIS_Point3D(r.X, r.Y, p.Z);
}
