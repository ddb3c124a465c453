// World maps: Robinson, Mollweide, Eckert IV and VI, Wagner IV and VII, sinusoidal, Van der Grinten.
// All use the central meridian and the false origin only.
#pragma once

#include "gis/core/GisProjections.h"

// Table interpolation on the semi-major axis; its central meridian is kept as given.
class TGIS_ProjectionRobinson : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionRobinson();
    std::string Code() const override;
    std::string Description() const override;
    TGIS_ProjectionParameters ParametersUsed() const override;
    std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override;
    void Prepare() override;
    void SetUp(int32_t zone, double cm, double ol, double fe, double fn, double sp1, double sp2, double sf, double loc,
               double lac, double az, double lo1, double la1, double lo2, double la2) override;
    void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override;
    void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override;

private:
    double tableX_[20], tableY_[20];  // latitudes -5..90 degrees in 5-degree rows
};

// The members below work on the authalic sphere (the sinusoidal one on the ellipsoid); each Prepare sets
// the bounds to the globe's half-widths from the false origin, enlarged by 1%.
#define QM_WORLD_MEMBER(Class)                                                \
    class Class : public TGIS_ProjectionAbstract {                            \
    public:                                                                   \
        Class() { Prepare(); }                                                \
        std::string Code() const override;                                    \
        std::string Description() const override;                             \
        TGIS_ProjectionParameters ParametersUsed() const override;            \
        void SetUp(int32_t zone, double cm, double ol, double fe, double fn, double sp1, double sp2, \
                   double sf, double loc, double lac, double az, double lo1, double la1, double lo2, \
                   double la2) override;                                      \
        std::unique_ptr<TGIS_ProjectionAbstract> NewInstance() const override; \
        void Prepare() override;                                              \
        void Project(const TGIS_Point3D& in, TGIS_Point3D& out) override;     \
        void Unproject(const TGIS_Point3D& in, TGIS_Point3D& out) override;   \
                                                                              \
    private:                                                                  \
        long double R_ = 0;  /* authalic radius */
QM_WORLD_MEMBER(TGIS_ProjectionMollweide)
    long double cx_ = 0, cy_ = 0;  // sqrt(8)/pi R, sqrt(2) R
};
QM_WORLD_MEMBER(TGIS_ProjectionEckert4)
    long double cx_ = 0, cy_ = 0;  // 0.4222382 R, 1.3265004 R
};
QM_WORLD_MEMBER(TGIS_ProjectionEckert6)
    long double cx_ = 0, cy_ = 0;  // R / sqrt(2 + pi), 2 R / sqrt(2 + pi)
};
QM_WORLD_MEMBER(TGIS_ProjectionWagner4)
    long double cx_ = 0, cy_ = 0;  // 0.8631 R, 1.56548 R
};
QM_WORLD_MEMBER(TGIS_ProjectionWagner7)
};
QM_WORLD_MEMBER(TGIS_ProjectionSinusoid)
    TGIS_MeridianArc arc_;
};
QM_WORLD_MEMBER(TGIS_ProjectionGrinten)
    long double piR_ = 0;
};
#undef QM_WORLD_MEMBER
