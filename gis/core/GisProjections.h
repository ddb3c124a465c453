// The projection base class, the unprojected members (geodetic, geocentric) and the registry.
#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "gis/core/GisDatums.h"

class TGIS_Ini;

// Bit numbers in the set that ParametersUsed returns.
enum TGIS_ProjectionParameter : uint8_t {
    gppCentralMeridian = 0,
    gppOriginLatitude = 1,
    gppFalseEasting = 2,
    gppFalseNorthing = 3,
    gppStandardParallel_1 = 4,
    gppStandardParallel_2 = 5,
    gppZone = 6,
    gppScaleFactor = 7,
    gppCenter = 8,
    gppAzimuth = 9,
    gppPoint_1 = 10,
    gppPoint_2 = 11,
};
using TGIS_ProjectionParameters = uint16_t;

// Arcsine of the argument held within -1..1, so that rounding beyond it gives the limit, not NaN.
inline double GisArcSin(double x) { return x >= 1 ? 1.5707963267948966 : x <= -1 ? -1.5707963267948966 : std::asin(x); }

// True when B - Tol < A < B + Tol.
inline bool GisIsNear(double a, double b, double tol) { return b - tol < a && a < b + tol; }

class TGIS_ProjectionAbstract {
public:
    // The default datum (WGE) and its ellipsoid, scale factor 1, every other parameter 0. Concrete
    // constructors set their defaults and end with Prepare.
    TGIS_ProjectionAbstract();
    virtual ~TGIS_ProjectionAbstract() = default;
    TGIS_ProjectionAbstract(const TGIS_ProjectionAbstract&) = delete;
    TGIS_ProjectionAbstract& operator=(const TGIS_ProjectionAbstract&) = delete;

    virtual std::string Code() const = 0;
    virtual std::string Description() const = 0;
    virtual TGIS_ProjectionParameters ParametersUsed() const { return 0; }
    // Takes the datum's ellipsoid (0200 when it has none) and its constants; overrides call it first.
    virtual void Prepare();
    // A fresh instance of the same class with its defaults.
    virtual std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const = 0;
    // Validates, stores what the projection uses and calls Prepare; the base does nothing.
    virtual void SetUp(int32_t zone, double centralMeridian, double originLatitude, double falseEasting,
                       double falseNorthing, double standardParallel1, double standardParallel2, double scaleFactor,
                       double longitudeOfCenter, double latitudeOfCenter, double azimuth, double longitudeOfPoint1,
                       double latitudeOfPoint1, double longitudeOfPoint2, double latitudeOfPoint2);
    // In: longitude, latitude (radians). Out: easting, northing (metres), Z copied.
    virtual void Project(const TGIS_Point3D& in, TGIS_Point3D& out) = 0;
    virtual void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) = 0;

    // A different datum is stored and prepared; the same one does nothing.
    void SetDatum(TGIS_Datum* datum);
    // Replaces Warning; an empty text clears it. Into the string's own storage, so that the same message
    // set again on every point allocates nothing.
    void AddWarning(std::string_view text) { Warning.assign(text); }
    // The "Projection." keys of the current section; any failure raises 0003 (a datum read before it stays).
    void ReadParams(TGIS_Ini& ini);
    void WriteParams(TGIS_Ini& ini) const;

    std::string Warning;
    TGIS_Datum* Datum = nullptr;          // an entry of the datum catalogue, not owned
    TGIS_Ellipsoid* Ellipsoid = nullptr;  // the datum's ellipsoid, not owned
    double ScaleFactor = 1;
    double FalseEasting = 0, FalseNorthing = 0;
    double EastingBound = 0, NorthingBound = 0;
    double CentralMeridian = 0, OriginLatitude = 0;
    double StandardParallel_1 = 0, StandardParallel_2 = 0;
    int32_t Zone = 0;
    double LongitudeOfCenter = 0, LatitudeOfCenter = 0, Azimuth = 0;
    double LongitudeOfPoint_1 = 0, LatitudeOfPoint_1 = 0, LongitudeOfPoint_2 = 0, LatitudeOfPoint_2 = 0;
    long double SemiMajor = 0, SemiMinor = 0, SemiMajor2 = 0, SemiMinor2 = 0;
    long double Eccentricity2 = 0, Eccentricity = 0, SecondEccentricity2 = 0;

protected:
    // SetUp's checks: a value outside lo..hi is set to the nearer limit and the message becomes Warning;
    // a NaN has no nearer limit and raises 0235.
    double Corrected(double value, double lo, double hi, const char* message);
    // SetUp's parameters that are used unchecked (false origin and the like): non-finite raises 0235.
    static void RequireFiniteParameters(std::initializer_list<double> values);
    double CorrectedOriginLatitude(double value, double limit);
    // Into -pi..2pi; ReduceMeridian then brings it into -pi..pi.
    double CorrectedCentralMeridian(double value);
    double CorrectedParallel1(double value, double limit);
    double CorrectedParallel2(double value, double limit);
    static double ReduceMeridian(double meridian) { return meridian > kRangePi ? meridian - 2 * kRangePi : meridian; }
    // SetUp's origin: the origin latitude (within +-originLimit), then the central meridian, checked and
    // stored (the meridian reduced), and the false origin stored (non-finite raises 0235).
    void SetUpOrigin(double centralMeridian, double originLatitude, double falseEasting, double falseNorthing,
                     double originLimit);

    // Project's input: non-finite raises 0210 / 0211; the latitude is clamped into latMin..latMax and the
    // longitude into -pi..2pi with warnings, then a longitude above pi is reduced by 2pi.
    void ProjectRange(TGIS_Point3D& p, double latMin, double latMax) { ProjectRange(p.X, p.Y, latMin, latMax); }
    // The same on the coordinates alone, which can then stay in registers: a member that copies the whole
    // point reads in one wide load what its caller has just stored as two, and waits for the stores.
    void ProjectRange(double& longitude, double& latitude, double latMin, double latMax) {
        // Inline for the point in range; NaN and infinities fail these tests and take the checks out of line.
        if (latitude >= latMin && latitude <= latMax && longitude >= -kRangePi && longitude <= 2 * kRangePi)
            longitude = ReduceMeridian(longitude);
        else
            std::tie(longitude, latitude) = ProjectRangeCorrected(longitude, latitude, latMin, latMax);
    }
    // Longitude minus the central meridian, brought into -pi..pi by one 2pi step.
    double LongitudeDelta(double longitude) const { return NormalizeLongitude(longitude - CentralMeridian); }
    // Unproject's input: non-finite raises 0215 / 0216; X and Y are clamped into the false origin plus or
    // minus the bounds, with warnings.
    void UnprojectRange(TGIS_Point3D& p) { UnprojectRange(p.X, p.Y); }
    void UnprojectRange(double& x, double& y) {
        // The comparisons of the box's own test, so that a point on its edge is taken alike.
        if (!(x >= FalseEasting - EastingBound && x <= FalseEasting + EastingBound &&
              y >= FalseNorthing - NorthingBound && y <= FalseNorthing + NorthingBound))
            std::tie(x, y) = UnprojectRangeCorrected(x, y);
    }
    // The same with a box measured from the false origin.
    void UnprojectRange(TGIS_Point3D& p, const TGIS_Extent& box);
    static double NormalizeLongitude(double longitude) {
        if (longitude > kRangePi) return longitude - 2 * kRangePi;
        if (longitude < -kRangePi) return longitude + 2 * kRangePi;
        return longitude;
    }

private:
    static constexpr double kRangePi = 3.14159265358979323846;
    std::pair<double, double> ProjectRangeCorrected(double longitude, double latitude, double latMin, double latMax);
    std::pair<double, double> UnprojectRangeCorrected(double x, double y);
};

// The overrides every map member declares.
#define QM_PROJECTION_MEMBER(Class)                                                                             \
    std::string Code() const override;                                                                          \
    std::string Description() const override;                                                                   \
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override { return std::make_unique<Class>(); } \
    void Prepare() override;                                                                                    \
    void SetUp(int32_t zone, double centralMeridian, double originLatitude, double falseEasting,                \
               double falseNorthing, double standardParallel1, double standardParallel2, double scaleFactor,    \
               double longitudeOfCenter, double latitudeOfCenter, double azimuth, double longitudeOfPoint1,     \
               double latitudeOfPoint1, double longitudeOfPoint2, double latitudeOfPoint2) override;            \
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override;                                          \
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override;

class TGIS_ProjectionGeodetic : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionGeodetic() { Prepare(); }
    std::string Code() const override;
    std::string Description() const override;
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override;
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override { out = in; }
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override { out = in; }
};

// Longitude, latitude, height <-> geocentric X, Y, Z on the datum's ellipsoid.
class TGIS_ProjectionGeocentric : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionGeocentric() { Prepare(); }
    std::string Code() const override;
    std::string Description() const override;
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override;
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override;
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override;
};

// One registered instance per code, sorted, looked up in any case; owns them.
class TGIS_ProjectionList {
public:
    TGIS_ProjectionList() = default;
    // Frees the instances from the last entry to the first.
    ~TGIS_ProjectionList();
    TGIS_ProjectionList(const TGIS_ProjectionList&) = delete;
    TGIS_ProjectionList& operator=(const TGIS_ProjectionList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    TGIS_ProjectionAbstract* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    // A code registered before has its instance freed and replaced.
    TGIS_ProjectionAbstract* RegisterProjection(std::unique_ptr<TGIS_ProjectionAbstract> projection);
    TGIS_ProjectionAbstract* FindByCode(const std::string& code) const;
    // A new instance of the class that "Projection.Code" names, with the section's parameters, owned by the
    // caller; nullptr for an unknown or empty code. A failed read raises 0003.
    std::unique_ptr<TGIS_ProjectionAbstract> ReadFromConfig(TGIS_Ini& ini) const;
    // nullptr writes an empty "Projection.Code".
    void WriteToConfig(TGIS_Ini& ini, const TGIS_ProjectionAbstract* projection) const;

private:
    std::vector<std::unique_ptr<TGIS_ProjectionAbstract>> items_;
};

// Built on first use, after the datum catalogues, with one instance of each member.
TGIS_ProjectionList& GisProjectionList();

// Sum of c[k-1]·sin(2k·x) for k = 1..n (Clenshaw), from sin 2x and cos 2x.
double GisSin2Series(double sin2x, double cos2x, const double* c, int n);
double GisSin2Series(double x, const double* c, int n);

// Meridian distance M(φ) by the series to e⁶ and its inverse, the footpoint latitude, by the series in
// e1 = (1 − √(1 − e²))/(1 + √(1 − e²)). On a sphere M = a·φ.
class TGIS_MeridianArc {
public:
    void Prepare(long double semiMajor, long double eccentricity2);
    double Distance(double latitude) const { return m0_ * latitude + GisSin2Series(latitude, m_, 3); }
    // The latitude whose meridian distance is `distance`.
    double Footpoint(double distance) const {
        double mu = distance / m0_;
        return mu + GisSin2Series(mu, f_, 4);
    }
    // a·(1 − e²/4 − 3e⁴/64 − 5e⁶/256): M = Rectifying·μ.
    long double Rectifying = 0;

private:
    double m0_ = 0, m_[3] = {}, f_[4] = {};
};

// Radius of the sphere of the ellipsoid's area (series to e⁶).
long double GisAuthalicRadius(long double a, long double e2);

// Any longitude brought into −π .. π.
inline double GisWrapLongitude(double longitude) {
    constexpr double pi = 3.14159265358979323846;
    return std::fabs(longitude) <= pi ? longitude : std::remainder(longitude, 2 * pi);
}

// e·atanh(e·sin φ). For the Earth's ellipsoids (e·sin φ below 0.1) the odd series to x¹⁹ is exact to the last
// bit and several times cheaper than the library's atanh.
inline double GisEccentricAtanh(double e, double sinLatitude) {
    const double x = e * sinLatitude, x2 = x * x;
    if (x2 > 0.01) return e * std::atanh(x);
    const double p = 1 + x2 * (1.0 / 3 + x2 * (1.0 / 5 + x2 * (1.0 / 7 + x2 * (1.0 / 9 + x2 * (1.0 / 11 + x2 * (1.0 / 13 +
                     x2 * (1.0 / 15 + x2 * (1.0 / 17 + x2 * (1.0 / 19)))))))));
    return e * x * p;
}

// Isometric latitude ψ = ln(tan(π/4 + φ/2)·((1 − e·sin φ)/(1 + e·sin φ))^(e/2)), the conformal latitude's
// Mercator northing on the unit sphere.
inline double GisIsometricLatitude(double latitude, double e) {
    const double s = std::sin(latitude), c = std::cos(latitude);
    // asinh(tan φ) as ln((1 + |sin φ|)/|cos φ|): one logarithm, and unlike atanh(sin φ) finite and exact to the
    // last bits near the poles, where 1 − |sin φ| would cancel. The sign is tan φ's, so that a latitude
    // beyond ±90° (a parameter nobody corrected) still gives asinh(tan φ) and not NaN.
    const double psi = std::log((1 + std::fabs(s)) / std::fabs(c));
    return std::copysign(psi, c < 0 ? -s : s) - GisEccentricAtanh(e, s);
}

// The conformal latitude χ back to the geodetic one, by the series to e⁸.
class TGIS_Conformal {
public:
    void Prepare(long double eccentricity2);
    double Latitude(double chi) const { return chi + GisSin2Series(chi, c_, 4); }

private:
    double c_[4] = {};
};

// The latitude of isometric latitude psi: the conformal series, then confirmed by Snyder 7-9 until the
// change is at most `tolerance`; false when `rounds` were not enough.
bool GisLatitudeOfIsometric(double psi, double e, const TGIS_Conformal& series, double tolerance, int rounds,
                            double& latitude);

// Authalic (equal-area) latitude β and back: q(φ), q_p = q(π/2) and the series to e⁶ from β to φ. On a
// sphere q = 2·sin φ and q_p = 2.
class TGIS_Authalic {
public:
    void Prepare(long double eccentricity2);
    long double Q(long double latitude) const;
    // arcsin(q/q_p), the argument held within −1 .. 1.
    long double Beta(long double latitude) const;
    double Latitude(double beta) const { return beta + GisSin2Series(beta, f_, 3); }
    long double Qp = 2;

private:
    long double e_ = 0, e2_ = 0;
    double f_[3] = {};
};
