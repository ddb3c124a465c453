// The ellipsoidal transverse Mercator projection (TM 8358.2 series) and the UTM grid that drives it.
#pragma once

#include "gis/core/GisProjections.h"

class TGIS_ProjectionTransverseMercator : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionTransverseMercator() { Prepare(); }
    // Prepare sets the meridian coefficients, then the bounds from its own Project of the pole and of the
    // equator 90° off the meridian (which leaves 0236 in Warning). Project holds longitudes more than 90° from
    // the meridian at 90° on their side (0241); Unproject raises 0215 / 0216 outside the bounds instead of
    // correcting.
    QM_PROJECTION_MEMBER(TGIS_ProjectionTransverseMercator)
    TGIS_ProjectionParameters ParametersUsed() const override;

    // The parameters as last given to SetUp.
    TGIS_Point Origin{0, 0};       // CentralMeridian, OriginLatitude
    TGIS_Point FalseOrigin{0, 0};  // FalseEasting, FalseNorthing
    double Scale = 1;
    // Meridian distance M(φ) = A′φ − B′sin 2φ + C′sin 4φ − D′sin 6φ + E′sin 8φ, in n = (a − b)/(a + b).
    long double CoefA = 0, CoefB = 0, CoefC = 0, CoefD = 0, CoefE = 0;

    double MeridianDistance(double latitude) const;

private:
    // M(φ) from φ and its sine and cosine.
    double Meridian(double phi, double s, double c) const {
        return static_cast<double>(CoefA) * phi + GisSin2Series(2 * s * c, (c - s) * (c + s), sines_, 4);
    }

    double sines_[4] = {};  // −B′, C′, −D′, E′
    TGIS_MeridianArc footpoint_;  // the inverse's first guess
    double m0_ = 0;         // M(OriginLatitude)
};

// Zones 1 .. 60 are northern grids (false northing 0), −1 .. −60 the southern grids of the same zones
// (false northing 10,000,000); 0 takes zone and hemisphere from the first point projected.
class TGIS_ProjectionUTM : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionUTM();
    ~TGIS_ProjectionUTM() override;
    std::string Code() const override;
    std::string Description() const override;
    TGIS_ProjectionParameters ParametersUsed() const override;
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override;
    // Only the zone counts; outside −60 .. 60 raises 0225.
    void SetUp(int32_t zone, double centralMeridian, double originLatitude, double falseEasting,
               double falseNorthing, double standardParallel1, double standardParallel2, double scaleFactor,
               double longitudeOfCenter, double latitudeOfCenter, double azimuth, double longitudeOfPoint1,
               double latitudeOfPoint1, double longitudeOfPoint2, double latitudeOfPoint2) override;
    // 0210 beyond ±84.5°, 0211 outside −π .. 2π, 0225 for a result off the zone's grid.
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override;
    // 0215 / 0216 off the grid, 0225 for a latitude outside −80.5° .. 84.5°.
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override;

    // The signed zone of a geodetic point (radians), with the Norway and Svalbard exceptions, into Zone.
    void ZoneForPoint(const TGIS_Point& point);

private:
    // The zone's meridian and false northing into the own fields; the inner projection set up again only
    // when zone, hemisphere or ellipsoid have changed since the last call.
    TGIS_ProjectionTransverseMercator& Grid();
    [[noreturn]] void ZoneError() const;

    std::unique_ptr<TGIS_ProjectionTransverseMercator> inner_;
    int64_t gridZone_ = INT64_MIN;  // the zone the inner projection is set up for
};
