// World maps: Robinson, Mollweide, Eckert IV and VI, Wagner IV and VII, sinusoidal, Van der Grinten.
// All use the central meridian and the false origin only.
#pragma once

#include "gis/core/GisProjections.h"

// Table interpolation on the semi-major axis; its central meridian is kept as given.
class TGIS_ProjectionRobinson : public TGIS_ProjectionAbstract {
public:
    TGIS_ProjectionRobinson();
    QM_PROJECTION_MEMBER(TGIS_ProjectionRobinson)
    TGIS_ProjectionParameters ParametersUsed() const override;

private:
    double tableX_[20], tableY_[20];  // latitudes -5..90 degrees in 5-degree rows
    // Per row from the equator: the table's value and half its first and second differences; and the
    // semi-major axis as a double, alone and times pi/2.
    struct Row {
        double x0, x1, x2, y0, y1, y2;
    };
    Row rows_[18];
    double a_ = 0, aHalfPi_ = 0;
};

// The members below work on the authalic sphere (the sinusoidal one on the ellipsoid); each Prepare sets
// the bounds to the globe's half-widths from the false origin, enlarged by 1%.
#define QM_WORLD_MEMBER(Class)                                     \
    class Class : public TGIS_ProjectionAbstract {                 \
    public:                                                        \
        Class() { Prepare(); }                                     \
        QM_PROJECTION_MEMBER(Class)                                \
        TGIS_ProjectionParameters ParametersUsed() const override; \
                                                                   \
    private:                                                       \
        long double R_ = 0; /* authalic radius */
QM_WORLD_MEMBER(TGIS_ProjectionMollweide)
    double cx_ = 0, cy_ = 0, inverseCy_ = 0;  // sqrt(8)/pi R, sqrt(2) R, 1 / cy_
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
