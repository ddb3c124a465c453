// Kernel geometry records, the kernel exception with its message table, and small shared helpers.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variants.h"

struct TGIS_Point {
    double X, Y;
};

struct TGIS_Point3D {
    double X, Y, Z;
    TGIS_Point3D() : X(0), Y(0), Z(0) {}
    TGIS_Point3D(double x, double y, double z) : X(x), Y(y), Z(z) {}
    explicit TGIS_Point3D(const TGIS_Point& p) : X(p.X), Y(p.Y), Z(0) {}
};

// Fields are taken as they stand: an extent may be inverted (the empty extent is).
struct TGIS_Extent {
    double XMin, YMin, XMax, YMax;
};

// Bounds of the full extent; the empty extent is its reverse, so that it starts a running union.
constexpr double GIS_MAX_EXTENT = 8.5e307;

inline TGIS_Point GisMakePoint(double x, double y) { return {x, y}; }
inline TGIS_Extent GisMakeExtent(double xmin, double ymin, double xmax, double ymax) {
    return {xmin, ymin, xmax, ymax};
}
inline TGIS_Extent GisFullExtent() { return {-GIS_MAX_EXTENT, -GIS_MAX_EXTENT, GIS_MAX_EXTENT, GIS_MAX_EXTENT}; }
inline TGIS_Extent GisEmptyExtent() { return {GIS_MAX_EXTENT, GIS_MAX_EXTENT, -GIS_MAX_EXTENT, -GIS_MAX_EXTENT}; }
inline double GisExtentArea(const TGIS_Extent& e) { return (e.XMax - e.XMin) * (e.YMax - e.YMin); }
inline bool GisIsSamePoint(const TGIS_Point& a, const TGIS_Point& b) { return a.X == b.X && a.Y == b.Y; }
inline bool GisIsSameExtent(const TGIS_Extent& a, const TGIS_Extent& b) {
    return a.XMin == b.XMin && a.YMin == b.YMin && a.XMax == b.XMax && a.YMax == b.YMax;
}
inline double GisMinDouble(double a, double b) { return a < b ? a : b; }
inline double GisMaxDouble(double a, double b) { return a > b ? a : b; }
inline TGIS_Extent GisExtentUnion(const TGIS_Extent& a, const TGIS_Extent& b) {
    return {GisMinDouble(a.XMin, b.XMin), GisMinDouble(a.YMin, b.YMin), GisMaxDouble(a.XMax, b.XMax),
            GisMaxDouble(a.YMax, b.YMax)};
}
// Closed on both axes: extents that share an edge or a corner overlap.
inline bool GisExtentsOverlap(const TGIS_Extent& a, const TGIS_Extent& b) {
    if (a.XMin > b.XMax) return false;
    if (a.XMax < b.XMin) return false;
    if (a.YMin > b.YMax) return false;
    return a.YMax >= b.YMin;
}
// Takes the point in, per axis; the maximum is tested only when the minimum did not move.
inline void GisExtentWiden(TGIS_Extent& e, const TGIS_Point& p) {
    if (p.X < e.XMin)
        e.XMin = p.X;
    else if (p.X > e.XMax)
        e.XMax = p.X;
    if (p.Y < e.YMin)
        e.YMin = p.Y;
    else if (p.Y > e.YMax)
        e.YMax = p.Y;
}
// A within B, borders included.
inline bool GisExtentInside(const TGIS_Extent& a, const TGIS_Extent& b) {
    if (a.XMin < b.XMin || a.XMax > b.XMax || a.YMin < b.YMin) return false;
    return a.YMax <= b.YMax;
}
// The common part, or all zeros when the extents do not overlap.
TGIS_Extent GisExtentIntersection(const TGIS_Extent& a, const TGIS_Extent& b);
inline double GisPointDistance(const TGIS_Point& a, const TGIS_Point& b) {
    return std::sqrt((a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y));
}
inline double GisDistance(const TGIS_Point& a, const TGIS_Point& b) { return GisPointDistance(a, b); }
double GisSegmentPointDistance(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p);
TGIS_Point GisSegmentNearestPoint(const TGIS_Point& a, const TGIS_Point& b, const TGIS_Point& p);
inline TGIS_Point GisPointDelta(const TGIS_Point& a, const TGIS_Point& b) { return {a.X - b.X, a.Y - b.Y}; }
inline TGIS_Point GisExtentCenter(const TGIS_Extent& e) {
    return {(e.XMax - e.XMin) / 2 + e.XMin, (e.YMax - e.YMin) / 2 + e.YMin};
}

// Kernel message table. Each text starts with its four-digit number, which becomes ErrorCode;
// "%s" takes the text argument and "%d" the numeric one.
inline constexpr char GIS_RS_ERR_UNIMPLEMENTED[] = "0001 Unimplemented feature";
inline constexpr char GIS_RS_ERR_UNTESTED[] = "0002 Untested case";
inline constexpr char GIS_RS_ERR_INIPARAMS[] = "0003 Ini params are incorrect";
inline constexpr char GIS_RS_ERR_FIELDTYPE[] = "0011 Wrong or incompatible field type";
inline constexpr char GIS_RS_ERR_WRONGEXPRESSION[] = "0020 Wrong expression \"%s\"";
inline constexpr char GIS_RS_ERR_FILEMAPPING[] = "0030 Error %d during mapping file \"%s\"";
inline constexpr char GIS_RS_ERR_FILEWRITE[] = "0032 Error %d during writing file \"%s\"";
inline constexpr char GIS_RS_ERR_FILEEXIST[] = "0033 File \"%s\" already exist";
inline constexpr char GIS_RS_ERR_BADFORMAT[] = "0034 File \"%s\" has wrong format or was corrupted";
inline constexpr char GIS_RS_ERR_NEWERVERSION[] = "0035 File \"%s\" was created in a newer version of program";
inline constexpr char GIS_RS_ERR_FIELDEXIST[] = "0050 Field \"%s\" already exist";
inline constexpr char GIS_RS_ERR_FIELDNOTEXIST[] = "0051 Field \"%s\" not exist";
inline constexpr char GIS_RS_ERR_WRONGFLOAT[] = "0070 Wrong float value \"%s\"";
inline constexpr char GIS_RS_ERR_WRONGBOOLEAN[] = "0071 Wrong boolean value \"%s\"";
inline constexpr char GIS_RS_ERR_WRONGDATE[] = "0072 Wrong date value \"%s\"";
inline constexpr char GIS_RS_ERR_LAYEREXIST[] = "0080 Layer \"%s\" already exist";
inline constexpr char GIS_RS_ERR_FILESTRUCTURE[] = "0090 File structure error at line %d in file \"%s\"";
inline constexpr char GIS_RS_ERR_ELLIPSOIDNOTFOUND[] = "0200 Ellipsoid \"%s\" not found";
inline constexpr char GIS_RS_ERR_LATITUDE[] = "0210 Latitude %s out of scope";
inline constexpr char GIS_RS_ERR_LONGITUDE[] = "0211 Longitude %s out of scope";
inline constexpr char GIS_RS_ERR_EASTING[] = "0215 Easting %s out of scope";
inline constexpr char GIS_RS_ERR_NORTHING[] = "0216 Easting %s out of scope";  // raised for the northing
inline constexpr char GIS_RS_ERR_ORIGINLATITUDE[] = "0220 Origin latitide %s out of scope";
inline constexpr char GIS_RS_ERR_LATITUDESTOCLOSE[] = "0223 Latitude of Point 1 & 2 to close";
inline constexpr char GIS_RS_ERR_ZONE[] = "0225 Zone \"%d%s\" out of scope";
inline constexpr char GIS_RS_ERR_ZONEOVERRIDE[] = "0226 Zone \"%d%s\" override error";
inline constexpr char GIS_RS_ERR_NOTSOLVABLE[] = "0235 Projection is not solvable for current parameters";
inline constexpr char GIS_RS_ERR_DISTORTED[] = "0236 Result will be distorted for current parameters";
inline constexpr char GIS_RS_WARN_LATITUDE[] = "0240 Latitude out of scope - corrected.";
inline constexpr char GIS_RS_WARN_LONGITUDE[] = "0241 Longitude out of scope - corrected.";
inline constexpr char GIS_RS_WARN_NORTHING[] = "0242 Northing out of scope - corrected.";
inline constexpr char GIS_RS_WARN_EASTING[] = "0243 Easting out of scope - corrected.";
inline constexpr char GIS_RS_WARN_ORIGINLATITUDE[] = "0244 Origin lattitude out of scope - corrected.";
inline constexpr char GIS_RS_WARN_STANDARDMERIDIAN[] = "0245 Standard meridian out of scope - corrected.";
inline constexpr char GIS_RS_WARN_STANDARDPARALLEL1[] = "0246 First standard parallel out of scope - corrected.";
inline constexpr char GIS_RS_WARN_STANDARDPARALLEL2[] = "0247 First standard parallel out of scope - corrected.";
inline constexpr char GIS_RS_WARN_SCALEFACTOR[] = "0248 Scale factor out of scope - corrected.";

class EGIS_Exception : public Exception {
public:
    // Never fails on its arguments: a template that does not fit them keeps its raw text.
    EGIS_Exception(const std::string& templ, const std::string& strParam, int intParam);
    int32_t ErrorCode;
    std::string StrParam;
    int32_t IntParam;
};

// Field type codes: 0 character, 1 numeric, 2 float, 3 logical, 4 date; others give an unassigned value.
Variant GisDefaultFieldValue(int fieldType);
// A date field's value where the file holds no date (blank or unreadable): the integer 1900, which is no date
// value. Writers write it back blank; as a day count it would be 14 March 1905.
inline Variant GisNoDate() { return Variant(1900); }
inline bool GisIsNoDate(const Variant& v) { return v.VarType() == varInteger && v.AsInteger() == 1900; }
// Black becomes the nearly black $010101, so that 0 can mean "no colour" elsewhere.
inline uint32_t GisNonZeroColor(uint32_t color) { return color == 0 ? 0x010101u : color; }
// Red in the low byte.
inline uint32_t GisMakeColor(int r, int g, int b) {
    return static_cast<uint32_t>(r & 255) + static_cast<uint32_t>(g & 255) * 256u +
           static_cast<uint32_t>(b & 255) * 65536u;
}

template <class T>
void GisFreeAndNil(T*& object) {
    T* o = object;
    object = nullptr;
    delete o;
}

std::string GisPathWithoutExt(const std::string& path);
// The file beside `path` with the extension `ext` (lower case, with its '.'): in the case of the path's own
// extension when that one exists, else in the other case when that one does.
std::string GisCompanionPath(const std::string& path, const std::string& ext);
// Resolved through links when the file is there, so that two names of one file compare equal; else expanded.
std::string GisCanonicalPath(const std::string& path);
inline std::string GisBackupName(const std::string& path) { return path + "~"; }
inline std::string GisTempName(const std::string& path) { return path + "~tmp"; }
// Between Windows code pages (936, 950, 1250..1258, 65001, ...). Bytes that do not decode and
// characters the target lacks become '?'; a code page without a known encoding leaves the text as it is.
std::string GisConvertCodePage(const std::string& text, int fromCodePage, int toCodePage);
// The iconv name of a Windows code page (0 is the system's, 936); nullptr for one without a known encoding.
const char* GisCodePageEncoding(int codePage);
// Milliseconds, wrapped below 2^31 - 1.
int32_t GisTickCount();

// Numbers in kernel files always use '.', whatever the process decimal separator says.
// GisStrToFloat also takes the locale's form, and raises EConvertError when neither reads.
double GisStrToFloat(const std::string& text);
std::string GisFloatToStr(double value);
