// Cylindrical members of the projection registry: Mercator, Cassini, cylindrical equal-area and its
// transverse aspect on the datum's ellipsoid; equidistant cylindrical and Miller on its authalic sphere.
#pragma once

#include "gis/core/GisProjections.h"

// OriginLatitude is the latitude of true scale, whose scale replaces ScaleFactor.
class TGIS_ProjectionMercator : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionMercator();
    QM_PROJECTION_MEMBER(TGIS_ProjectionMercator)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x000F; }

private:
    double ak0_ = 0, e_ = 0;
    TGIS_Conformal conformal_;
};

class TGIS_ProjectionCassini : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionCassini();
    QM_PROJECTION_MEMBER(TGIS_ProjectionCassini)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x000F; }
    long double M0 = 0;
    // Unproject's range, from the false origin; it takes the place of the bounds.
    TGIS_Extent Box{-20037508.4, -56575846, 20037508.4, 56575846};

private:
    // Northing and easting from the false origin by the forward series.
    void Series(double phi, double dl, double& x, double& y) const;
    TGIS_MeridianArc arc_;
};

// OriginLatitude is the standard parallel.
class TGIS_ProjectionCEA : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionCEA();
    QM_PROJECTION_MEMBER(TGIS_ProjectionCEA)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x000F; }
    long double K0 = 1;

private:
    TGIS_Authalic authalic_;
};

class TGIS_ProjectionTCEA : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionTCEA();
    QM_PROJECTION_MEMBER(TGIS_ProjectionTCEA)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x008F; }
    long double M0 = 0;

private:
    TGIS_Authalic authalic_;
    TGIS_MeridianArc arc_;
};

// OriginLatitude is the standard parallel; northings start at the equator.
class TGIS_ProjectionEQC : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionEQC();
    QM_PROJECTION_MEMBER(TGIS_ProjectionEQC)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x000F; }
    long double R = 0, RCosPhi0 = 0;
};

class TGIS_ProjectionMillerCyl : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionMillerCyl();
    QM_PROJECTION_MEMBER(TGIS_ProjectionMillerCyl)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x000D; }
    long double R = 0;
};
