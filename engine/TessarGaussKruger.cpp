// Gauss-Krueger series on the Krasovsky 1940 (Beijing 1954) and IAG 1975 (Xi'an 1980) ellipsoids.
#include <cmath>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct Ellipsoid {
    double ep2;         // second eccentricity squared
    double c;           // polar radius of curvature
    double k0, k1, k2, k3, k4;  // meridian arc series
    double a[7];        // footpoint polynomial in u = northing / 1e6 - 3
    int footTerms;
};

constexpr Ellipsoid kKrasovsky = {0.0067385254147, 6399698.90178271, 111134.8611, 32005.7799, 133.9238, 0.6976,
                                  0.0039,
                                  {27.11115372595, 9.02468257083, -0.00579740442, -0.00043532572, 0.00004857285, 0, 0},
                                  5};
constexpr Ellipsoid kIag75 = {0.0067395018195, 6399596.65198801, 111133.0047, 32009.8575, 133.9602, 0.6976, 0.0039,
                              {27.11162289465, 9.02483657729, -0.00579850656, -0.000435400029, 0.00004858357,
                               0.00000215789, -0.00000019404},
                              7};

// Meridian arc in metres from the equator to latitude b (degrees).
double MeridianArc(const Ellipsoid& e, double bdeg, double sinB, double cosB) {
    double s2 = sinB * sinB;
    double series = sinB * (e.k1 + s2 * (e.k2 + s2 * (e.k3 + s2 * e.k4)));
    return e.k0 * bdeg - cosB * series;
}

TessarGkParallel Parallel(const Ellipsoid& e, const TDmsAngle& B) {
    double bdeg = DmsToDegree(B);
    double brad = DegToRad(bdeg);
    double sinB = std::sin(brad), cosB = std::cos(brad);
    double t = std::tan(brad);
    double eta2 = e.ep2 * cosB * cosB;
    return {cosB, t, t * t, eta2, e.c / std::sqrt(1 + eta2), MeridianArc(e, bdeg, sinB, cosB)};
}

TPlanePoint Forward(const Ellipsoid& e, const TDmsAngle& L, const TDmsAngle& B, bool zone3, double cm) {
    // The false easting follows the argument, not the derived meridian: "derive" gets no prefix.
    return TessarGkNode(Parallel(e, B), TessarGkLongitude(L, zone3, cm), GetFalseEasting(zone3, cm));
}

double FootpointPolynomial(const Ellipsoid& e, double northing) {
    double u = northing / 1000000 - 3;
    double bf = 0;
    for (int i = e.footTerms - 1; i >= 0; --i) bf = bf * u + e.a[i];
    return bf;
}

// A latitude in degrees with its sine and cosine.
struct Latitude {
    double deg, sin, cos;
};

// The latitude whose meridian arc is the northing: the inverse of the forward arc itself, so that
// the inverse closes on the forward projection. Newton's method from the footpoint polynomial; a step
// below 1e-4 degrees leaves an error of about 1e-4 x step squared (under 1e-12 degrees), so that step
// is the last, and the sine and cosine are turned through it instead of being computed again.
Latitude FootpointFromArc(const Ellipsoid& e, double northing) {
    double b = FootpointPolynomial(e, northing);
    for (int i = 0; i < 8; ++i) {
        double r = DegToRad(b);
        double s = std::sin(r), c = std::cos(r), s2 = s * s;
        double series = s * (e.k1 + s2 * (e.k2 + s2 * (e.k3 + s2 * e.k4)));
        double dseries = e.k1 + s2 * (3 * e.k2 + s2 * (5 * e.k3 + s2 * 7 * e.k4));
        double f = e.k0 * b - c * series - northing;
        // d/db of the arc, b in degrees.
        double df = e.k0 - (kPi / 180) * (-s * series + c * c * dseries);
        double step = f / df;
        b -= step;
        if (std::fabs(step) < 1e-4) {
            double d = DegToRad(step), cd = 1 - d * d / 2;  // sin d = d to 1e-18
            return {b, s * cd - c * d, c * cd + s * d};
        }
    }
    double r = DegToRad(b);
    return {b, std::sin(r), std::cos(r)};
}

void Inverse(const Ellipsoid& e, const Latitude& foot, double easting, bool zone3, double cm, TDmsAngle& L,
             TDmsAngle& B) {
    double zone = GetZoneNumber(zone3, cm);
    double y = easting - zone * 1000000 - 500000;
    double bf = foot.deg, cf = foot.cos, tf = foot.sin / cf;
    double etaf2 = e.ep2 * cf * cf;
    double n = y * std::sqrt(1 + etaf2) / e.c;
    double tf2 = tf * tf, n2 = n * n, n3 = n2 * n, n4 = n2 * n2, n5 = n4 * n, n6 = n4 * n2;
    double lat = bf - (1 + etaf2) * tf / kPi *
                          (90 * n2 - 7.5 * (5 + 3 * tf2 + etaf2 - 9 * etaf2 * tf2) * n4 +
                           0.25 * (61 + 90 * tf2 + 45 * tf2 * tf2) * n6);
    double l = (180 * n - 30 * (1 + 2 * tf2 + etaf2) * n3 + 1.5 * (5 + 28 * tf2 + 24 * tf2 * tf2) * n5) / (kPi * cf);
    L = DegreeToDms(l + cm);
    B = DegreeToDms(lat);
}

}  // namespace

TessarGkParallel TessarGkAtLatitude(bool beijing54, const TDmsAngle& B) {
    return Parallel(beijing54 ? kKrasovsky : kIag75, B);
}

double TessarGkLongitude(const TDmsAngle& L, bool zone3, double cm) {
    double ldeg = DmsToDegree(L);
    double L0 = cm != 0 ? cm : GetCentralMeridian(zone3, ldeg);
    return DegToRad(GetLongitudeDiff(ldeg, L0));
}

TPlanePoint BLToXY54(const TDmsAngle& L, const TDmsAngle& B, bool zone3, double cm) {
    return Forward(kKrasovsky, L, B, zone3, cm);
}

TPlanePoint BLToXY80(const TDmsAngle& L, const TDmsAngle& B, bool zone3, double cm) {
    return Forward(kIag75, L, B, zone3, cm);
}

// The footpoint polynomials fall short of the forward arc (the five-term one of Krasovsky by about 1 m at
// 40 N, the seven-term one of IAG 1975 by 5 mm near 54 N), so both inverses invert the arc itself.
void XYToBL54(double northing, double easting, bool zone3, double cm, TDmsAngle& L, TDmsAngle& B) {
    Inverse(kKrasovsky, FootpointFromArc(kKrasovsky, northing), easting, zone3, cm, L, B);
}

void XYToBL80(double northing, double easting, bool zone3, double cm, TDmsAngle& L, TDmsAngle& B) {
    Inverse(kIag75, FootpointFromArc(kIag75, northing), easting, zone3, cm, L, B);
}
