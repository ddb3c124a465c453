// The projection base class, the unprojected members (geodetic, geocentric) and the registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
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
    // Replaces Warning; an empty text clears it.
    void AddWarning(const std::string& text) { Warning = text; }
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
    // SetUp's checks: a value outside lo..hi is set to the nearer limit and the message becomes Warning.
    double Corrected(double value, double lo, double hi, const char* message);
    double CorrectedOriginLatitude(double value, double limit);
    // Into -pi..2pi; ReduceMeridian then brings it into -pi..pi.
    double CorrectedCentralMeridian(double value);
    double CorrectedParallel1(double value, double limit);
    double CorrectedParallel2(double value, double limit);
    static double ReduceMeridian(double meridian);

    // Project's input: non-finite raises 0210 / 0211; the latitude is clamped into latMin..latMax and the
    // longitude into -pi..2pi with warnings, then a longitude above pi is reduced by 2pi.
    void ProjectRange(TGIS_Point3D& p, double latMin, double latMax);
    // Longitude minus the central meridian, brought into -pi..pi by one 2pi step.
    double LongitudeDelta(double longitude) const;
    // Unproject's input: non-finite raises 0215 / 0216; X and Y are clamped into the false origin plus or
    // minus the bounds, with warnings.
    void UnprojectRange(TGIS_Point3D& p);
    static double NormalizeLongitude(double longitude);
};

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
