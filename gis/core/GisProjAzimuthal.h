// Orthographic, polar stereographic and the Hotine oblique Mercator (azimuth-and-centre and two-point forms).
#pragma once

#include "gis/core/GisProjections.h"

// On the authalic sphere; the far hemisphere is projected onto the disc as well.
class TGIS_ProjectionOrthographic : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionOrthographic() { Prepare(); }
    QM_PROJECTION_MEMBER(TGIS_ProjectionOrthographic)
    TGIS_ProjectionParameters ParametersUsed() const override;

private:
    long double R_ = 0, sinPhi0_ = 0, cosPhi0_ = 1;
};

// Ellipsoidal; OriginLatitude is the latitude of true scale and its sign chooses the hemisphere. The fields
// keep the values given; a southern one is computed as the mirror image of a northern one.
class TGIS_ProjectionPolarStereographic : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionPolarStereographic();
    QM_PROJECTION_MEMBER(TGIS_ProjectionPolarStereographic)
    TGIS_ProjectionParameters ParametersUsed() const override;

private:
    bool south_ = false;
    long double rhoScale_ = 0;  // rho = rhoScale_ * t(phi)
    TGIS_Conformal conformal_;
};

// Ellipsoidal, about a centre (CentralMeridian, OriginLatitude) and the azimuth of the central line there.
class TGIS_ProjectionHotine : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionHotine();
    QM_PROJECTION_MEMBER(TGIS_ProjectionHotine)
    TGIS_ProjectionParameters ParametersUsed() const override;
    // Prepare raises 0220 for a centre on the equator or at a pole.

protected:
    // Stores what SetUp of both forms takes, without preparing.
    void StoreCentre(double cm, double ol, double fe, double fn, double sf);
    // B, A, D, F, E from the centre's latitude.
    void PrepareCentre();
    // The sines and cosines of gamma0 and the azimuth, the centre's offset and the bounds.
    void PrepareAxis();
    static double ReducedDelta(double delta);

    long double B_ = 0, A_ = 0, D_ = 0, F_ = 0, E_ = 0, G_ = 0;
    long double gamma0_ = 0, sinGamma0_ = 0, cosGamma0_ = 0, sinAlpha_ = 0, cosAlpha_ = 0;
    long double uc_ = 0, lambdaO_ = 0;
    TGIS_Conformal conformal_;
};

// The central line through two points; the origin longitude and the azimuth are derived (and written to
// CentralMeridian and Azimuth).
class TGIS_ProjectionHotine2 : public TGIS_ProjectionHotine {
public:
    TGIS_ProjectionHotine2();
    std::string Code() const override;
    std::string Description() const override;
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override {
        return std::make_unique<TGIS_ProjectionHotine2>();
    }
    TGIS_ProjectionParameters ParametersUsed() const override;
    // Raises 0223 for points on one latitude, 0220 for a point 1 on the equator or a point or centre at a pole.
    void Prepare() override;
    void SetUp(int32_t zone, double cm, double ol, double fe, double fn, double sp1, double sp2, double sf, double loc,
               double lac, double az, double lo1, double la1, double lo2, double la2) override;
};
