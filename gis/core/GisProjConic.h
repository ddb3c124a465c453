// Conic members of the projection registry, on the datum's ellipsoid: Albers equal-area, Lambert
// conformal, Bonne and the American polyconic.
#pragma once

#include "gis/core/GisProjections.h"

class TGIS_ProjectionAlbers : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionAlbers();
    QM_PROJECTION_MEMBER(TGIS_ProjectionAlbers)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x003F; }
    // Raises 0235 when the cone constant is 0 (parallels symmetric about the equator) or nearly so.
    long double N = 0, C = 0, Rho0 = 0;

private:
    TGIS_Authalic authalic_;
};

class TGIS_ProjectionLambert : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionLambert();
    QM_PROJECTION_MEMBER(TGIS_ProjectionLambert)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x003F; }
    // Raises 0235 when the cone constant is 0 or nearly so, or the origin is the pole opposite the apex.
    long double N = 0, F = 0, Rho0 = 0;

private:
    double n_ = 0, aF_ = 0, rho0_ = 0, e_ = 0;
    TGIS_Conformal conformal_;
};

// The standard parallel is OriginLatitude; at the equator it is the ellipsoidal sinusoidal projection.
class TGIS_ProjectionBonne : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionBonne();
    QM_PROJECTION_MEMBER(TGIS_ProjectionBonne)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x000F; }
    long double M1 = 0, Cone = 0;  // M(φ0), a·m(φ0)/sin φ0 (0 at the equator)

private:
    TGIS_MeridianArc arc_;
};

class TGIS_ProjectionPolyconic : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionPolyconic();
    QM_PROJECTION_MEMBER(TGIS_ProjectionPolyconic)
    TGIS_ProjectionParameters ParametersUsed() const override { return 0x000F; }
    long double M0 = 0;
    // Unproject's range, from the false origin; it takes the place of the bounds.
    TGIS_Extent Box{0, 0, 0, 0};

private:
    TGIS_MeridianArc arc_;
};
