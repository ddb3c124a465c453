// The sheet engine: national map sheets of China and independent plane grids.
// Free routines without state; the shell plugs in the error report (and the export progress).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"

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

// A request larger than this many sheets is refused before anything is allocated, as is one whose sheets
// would not fit the memory the machine has.
constexpr long long kMaxSheets = 20000000;

// A request of `sheets` sheets of `bytesEach` bytes each, with `extra` bytes besides, fits the memory the
// process can still take, counting `released` bytes that the caller frees before building them (and leaving
// room for the rest of the program). The builders below refuse requests that do not fit, before they allocate.
bool TessarMemoryFits(long long sheets, size_t bytesEach, uint64_t released = 0, uint64_t extra = 0);
// The same, refusing with ERangeError ("可用内存不足以容纳这些图幅，请缩小范围！").
void CheckTessarMemory(long long sheets, size_t bytesEach, uint64_t released = 0, uint64_t extra = 0);

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
// The number of sheets CreateCustomTessarols makes of the same input and the length of their longest name,
// or -1 (`longestName` untouched) when it would refuse the input; nothing is allocated and nothing reported.
long long CustomTessarolCount(const TPlaneRect& rect, int startRow, int startCol, bool byRowCol,
                              const std::string& nameTemplate, double dx, double dy, size_t& longestName);
double PolygonArea(const std::vector<TPlaneXY>& points);

// ---------------------------------------------------------------------------------------------
// National sheets. Windows are West, South, East, North; an edge on a sheet edge adds no sheet
// beyond it. Datum flag beijing54: true = Beijing 1954, false = Xi'an 1980. Results replace `result`
// only when the whole run succeeded; an inverted window, one outside 0..180 E / 0..88 N, one of more
// than kMaxSheets sheets or one that would not fit the memory raises ERangeError.

void GetTessarols1000k(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian,
                       bool oldNumbering, TStandardTessarols& result);
void GetTessarols500k(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian,
                      TStandardTessarols& result);
void GetTessarols250k(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian,
                      TStandardTessarols& result);
void GetTessarols100k(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian,
                      TStandardTessarols& result);
void GetTessarols50k(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian,
                     TStandardTessarols& result);
void GetTessarols25k(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian,
                     TStandardTessarols& result);
void GetTessarols10k(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian,
                     TStandardTessarols& result);
void GetTessarols5k(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian,
                    TStandardTessarols& result);
// The number of sheets the enumerators give for the window at scale index 0..7, refusing with the ERangeError
// they would raise (but for memory); nothing is allocated.
long long TessarolCount(const TDmsExtent& window, int scale);
// New-standard numbers at scale index 0..7 (another index raises ERangeError).
void GetNewTessarols(const TDmsExtent& window, bool zone3, bool beijing54, double centralMeridian, int scale,
                     TStandardTessarols& result);
std::string PadNumber3(int n);

// ---------------------------------------------------------------------------------------------
// Sheet numbers. Standards: 1 = old (J-50-5-B), 2 = new (J50E001010), 0 = not recognised.
// Anything not recognised gives scale -1, the all-zero extent and standard 0; parsing never raises.
// Blanks and tabs around a number are ignored.



bool IsNumeric(const std::string& text);
// Parts between the delimiters; a trailing part that is blank is dropped.
TStringList SplitString(const std::string& text, char delimiter);
int GetOldSheetNoScale(const std::string& no);
TDmsExtent OldSheetNoToExtent(const std::string& no);
int GetNewSheetNoScale(const std::string& no);
TDmsExtent NewSheetNoToExtent(const std::string& no);
int GetSheetNoStandard(const std::string& no);
// The one sheet holding the point (a point on a west or south edge belongs to the sheet east or north).
void GetTessarolsAtPoint(const TDmsAngle& L, const TDmsAngle& B, int scale, bool newStandard, bool zone3,
                         bool beijing54, double centralMeridian, TStandardTessarols& result);
// The number of sheets ConvertSheetNoList gives for the lines, refusing with the ERangeError it would raise
// (but for memory).
long long ConvertedTessarolCount(const TStringList& list, int target);
// Row i holds the target sheets of line i, column by column; unrecognised lines leave their row empty.
void ConvertSheetNoList(const TStringList& list, int target, bool newStandard, bool zone3, bool beijing54,
                        double centralMeridian, TStandardTessarols& result);

// ---------------------------------------------------------------------------------------------
// Export progress: the shell's progress dialog ("导出图幅", a bar and its "完成" button). Each
// export creates a new dialog, owned by the application and made the current one, and leaves it
// open; the user closes it with the button.

class ITessarProgress {
public:
    virtual ~ITessarProgress() = default;
    virtual void NewDialog() = 0;
    virtual std::string Caption() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // Resets the bar to 0 parts and 0 % when the total changes.
    virtual void SetTotalParts(uint32_t total) = 0;
    virtual void IncPartsByOne() = 0;
    virtual void SetButtonEnabled(bool enabled) = 0;
    // Shows the dialog without blocking the export.
    virtual void Show() = 0;
    virtual void ProcessMessages() = 0;
    // The screen cursor: the hourglass, or back to the default.
    virtual void SetHourglass(bool on) = 0;
};

// The engine does not own the progress; nullptr restores the default, which shows nothing.
void SetTessarProgress(ITessarProgress* progress);

// ---------------------------------------------------------------------------------------------
// MIF/MID sheet indexes. The MID file lies beside the MIF file, named after it with ".mid".
// Numbers are written with '.' whatever the decimal separator. A writer returns false on any
// failure and then leaves neither file behind (older files of those names are kept), and errno
// holds the file system's cause of it (0 for any other failure); a MIF name ending in ".mid" is
// refused.

bool SaveTessarolsToMifLL(const std::string& mifName, const TStandardTessarols& sheets);
// metres false: kilometres, every plane value divided by 1000.
bool SaveTessarolsToMif(const std::string& mifName, const TStandardTessarols& sheets, bool metres);
bool SaveCustomTessarolsToMif(const std::string& mifName, const TCustomTessarols& sheets);
// The name after the last '/' without its extension (from the last '.').
std::string RemoveFileExt(const std::string& path);
// Degrees + minutes / 100 + seconds / 10000 as number text with '.'.
std::string DmsToDmsText(const TDmsAngle& a);

// ---------------------------------------------------------------------------------------------
// Spreadsheet sheet indexes (an Office Open XML workbook). Header fields are separated by commas.
// Failures leave as exceptions; a list longer than a worksheet holds is refused before anything
// is written. `unused` has no effect.

class TExcelWorksheet;

void ExportTessarolsToExcel(const std::string& fileName, const std::string& title, const std::string& header,
                            const TStandardTessarols& sheets, bool metres, bool unused, bool outerBorder);
void ExportCustomTessarolsToExcel(const std::string& fileName, const std::string& title, const std::string& header,
                                  const TCustomTessarols& sheets, bool unused, bool outerBorder);
// Frames the single cell (row, column), both from 1.
void ExcelBorderAround(TExcelWorksheet& sheet, int row, int column, int lineStyle, int weight, int colorIndex,
                       int color);
// Column letters in A1 notation for 1..702 (A..ZZ); ERangeError outside.
std::string GetColumnName(int n);
// 'A'..'Z' for 1..26; ERangeError outside.
char ColumnLetter(int n);
