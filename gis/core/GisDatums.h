// Datum and ellipsoid catalogues, and geodetic <-> geocentric conversions on an ellipsoid.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefs.h"

class TGIS_Ini;

class TGIS_Ellipsoid {
public:
    // An inverse flattening of 0 is a sphere. The caller checks IsValid first.
    TGIS_Ellipsoid(const std::string& code, const std::string& description, double inverseFlattening,
                   double semiMajor);
    // A positive finite semi-major axis and an inverse flattening of 0 (sphere) or above 1.
    static bool IsValid(double inverseFlattening, double semiMajor);

    // In: longitude, latitude (radians), height (metres). Raises 0210 / 0211 outside the ranges.
    void ToGeocentric(const TGIS_Point3D& in, TGIS_Point3D& out) const;
    // Out: longitude, latitude, height. Closed form, good to a few millimetres near the surface.
    void FromGeocentric(const TGIS_Point3D& in, TGIS_Point3D& out) const;

    std::string Code;
    std::string Description;
    long double SemiMajor, SemiMinor, Flattening;
    long double SemiMajor2, SemiMinor2, Eccentricity2, Eccentricity, SecondEccentricity2, SecondEccentricity;
    // As given, so that it is written back unchanged (0 for a sphere).
    double InverseFlattening;
};

// The parameters of a catalogue row. Extra: sigmas in metres (kind 2) or rotations in arc seconds
// (kind 3). Validity in degrees: longitude min, max, latitude min, max (kind 2).
struct TGIS_DatumParams {
    double Delta[3];
    double Extra[3];
    double Validity[4];
    double Scale;
};

class TGIS_Datum {
public:
    // The ellipsoid named by EllipsoidCode; raises 0200 when the catalogue has none.
    TGIS_Ellipsoid* FindEllipsoid() const;

    // 0 WGS 84, 1 WGS 72, 2 three-parameter shift, 3 seven-parameter shift.
    uint8_t Kind = 0;
    std::string Code, Description, EllipsoidCode;
    double DeltaX = 0, DeltaY = 0, DeltaZ = 0;
    double SigmaX = 0, SigmaY = 0, SigmaZ = 0;
    double RotationX = 0, RotationY = 0, RotationZ = 0;  // radians
    TGIS_Extent Validity{0, 0, 0, 0};                       // radians
    double Scale = 1;
};

// Sorted by code, looked up in any case. Entries never move: a code added again takes the new
// values in the same object, so references held elsewhere stay valid.
class TGIS_DatumList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TGIS_Datum* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    TGIS_Datum* FindByCode(const std::string& code) const;
    // WGE.
    TGIS_Datum* GetDefault() const { return FindByCode("WGE"); }
    TGIS_Datum* AddDatum(uint8_t kind, const std::string& code, const TGIS_DatumParams& params,
                         const std::string& ellipsoidCode, const std::string& description);

    // The datum named by "Datum.Code" when known; otherwise a datum defined by the keys is added under
    // that code (none for an empty code) and the result is nullptr.
    TGIS_Datum* ReadFromIni(TGIS_Ini& ini);
    // Nothing for a code that is not in the list.
    void WriteToIni(TGIS_Ini& ini, const std::string& code) const;

private:
    std::vector<std::unique_ptr<TGIS_Datum>> items_;
};

class TGIS_EllipsoidList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TGIS_Ellipsoid* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    TGIS_Ellipsoid* FindByCode(const std::string& code) const;
    // Nullptr, adding nothing, for values TGIS_Ellipsoid::IsValid refuses.
    TGIS_Ellipsoid* AddEllipsoid(const std::string& code, const std::string& description,
                                 double inverseFlattening, double semiMajor);

    // As TGIS_DatumList's, with the "Ellipsoid." keys.
    TGIS_Ellipsoid* ReadFromIni(TGIS_Ini& ini);
    void WriteToIni(TGIS_Ini& ini, const std::string& code) const;

private:
    std::vector<std::unique_ptr<TGIS_Ellipsoid>> items_;
};

// Builds both catalogues on first call; the accessors call it.
void GisInitDatumTables();
TGIS_DatumList& GisDatumList();
TGIS_EllipsoidList& GisEllipsoidList();
