// The sheet engine: national map sheets of China and independent plane grids.
// Free routines without state; the shell plugs in the error report (and the export progress).
#pragma once

#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Records

struct TDmsAngle {
    double Degrees = 0;
    double Minutes = 0;
    double Seconds = 0;
};

// West, South, East, North.
struct TDmsExtent {
    TDmsAngle West, South, East, North;
};

// X is the easting with false easting and zone prefix, Y the northing (metres).
struct TPlanePoint {
    double X = 0;
    double Y = 0;
};

struct TStandardTessarol {
    std::string SheetNo;
    TDmsAngle West, South, East, North;
    TPlanePoint LT, RT, RB, LB;  // clockwise from the north-west corner
};

// [column west to east][row north to south]
using TStandardTessarols = std::vector<std::vector<TStandardTessarol>>;

struct TCustomTessarol {
    std::string Name;
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
};

// [row, smallest Y first][column, smallest X first]
using TCustomTessarols = std::vector<std::vector<TCustomTessarol>>;

// A rectangle of plane coordinates (X the easting).
struct TPlaneRect {
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
};

struct TPlaneXY {
    double X = 0, Y = 0;
};

// Scale index 0..7: 1:1,000,000, 500,000, 250,000, 100,000, 50,000, 25,000, 10,000, 5,000.
constexpr int kScaleCount = 8;
// Sheet width and height in arc seconds by scale index.
extern const double TessarolWidths[kScaleCount];
extern const double TessarolHeights[kScaleCount];

// A request larger than this many sheets is refused before anything is allocated.
constexpr long long kMaxSheets = 20000000;

// ---------------------------------------------------------------------------------------------
// Where the engine reports input errors: the shell shows them in its message box (error icon).

class ITessarErrorReport {
public:
    virtual ~ITessarErrorReport() = default;
    virtual void ShowError(const std::string& text, const std::string& caption) = 0;
};

// The engine does not own the report; nullptr restores the default (standard error).
void SetTessarErrorReport(ITessarErrorReport* report);

// ---------------------------------------------------------------------------------------------
// Angles and zones. Zone kind flag: true = 3-degree zones, false = 6-degree zones.

double DegToRad(double degrees);
double DmsToDegree(const TDmsAngle& a);
TDmsAngle DegreeToDms(double degrees);
double DmsToSeconds(const TDmsAngle& a);
TDmsAngle SecondsToDms(double seconds);
double GetCentralMeridian(bool zone3, double longitude);
double GetLongitudeDiff(double longitude, double centralMeridian);
// Zone prefix x 1,000,000 + 500,000; the national zone numbers (6-degree zone of 117 E is 20).
double GetFalseEasting(bool zone3, double centralMeridian);
double GetZoneNumber(bool zone3, double centralMeridian);

// ---------------------------------------------------------------------------------------------
// Gauss-Krueger. Central meridian 0 in the forward routines: each point on its own zone's meridian,
// false easting 500,000 without prefix. The inverse takes (northing, easting) and a meridian > 0.

TPlanePoint BLToXY54(const TDmsAngle& L, const TDmsAngle& B, bool zone3, double centralMeridian);
TPlanePoint BLToXY80(const TDmsAngle& L, const TDmsAngle& B, bool zone3, double centralMeridian);
void XYToBL54(double northing, double easting, bool zone3, double centralMeridian, TDmsAngle& L, TDmsAngle& B);
void XYToBL80(double northing, double easting, bool zone3, double centralMeridian, TDmsAngle& L, TDmsAngle& B);

// ---------------------------------------------------------------------------------------------
// Independent grids

double FloorToStep(double v, double step);
double CeilToStep(double v, double step);
TPlaneRect SnapRectToGrid(const TPlaneRect& r, double dx, double dy);
double KmWithin100Km(double v);
// Row/column mode (byRowCol) names sheets from "[row]"/"[col]", kilometre mode from "[x]"/"[y]".
// Bad input is reported through the error report and leaves `result` unchanged; false then.
bool CreateCustomTessarols(const TPlaneRect& rect, int startRow, int startCol, bool byRowCol,
                           const std::string& nameTemplate, double dx, double dy, TCustomTessarols& result);
double PolygonArea(const std::vector<TPlaneXY>& points);
