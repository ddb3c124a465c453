// Angles, zones and the engine's error report.
#include <cstdio>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/SysUtils.h"

const double TessarolWidths[kScaleCount] = {21600, 10800, 5400, 1800, 900, 450, 225, 112.5};
const double TessarolHeights[kScaleCount] = {14400, 7200, 3600, 1200, 600, 300, 150, 75};

namespace {

class StderrReport : public ITessarErrorReport {
public:
    void ShowError(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

StderrReport g_stderrReport;
ITessarErrorReport* g_report = &g_stderrReport;

}  // namespace

void SetTessarErrorReport(ITessarErrorReport* report) { g_report = report ? report : &g_stderrReport; }

void TessarReportError(const std::string& text) { g_report->ShowError(text, "错误"); }

double DegToRad(double degrees) { return (3.141592653589793 * degrees) / 180; }

double DmsToDegree(const TDmsAngle& a) { return a.Minutes / 60 + a.Degrees + a.Seconds / 3600; }

double DmsToSeconds(const TDmsAngle& a) { return a.Degrees * 3600 + a.Minutes * 60 + a.Seconds; }

TDmsAngle DegreeToDms(double x) {
    double d = static_cast<double>(Trunc(x));
    double mf = (x - d) * 60;
    double m = static_cast<double>(Trunc(mf));
    double s = (mf - m) * 60;
    // A carry of a thousandth of a unit, not a rounding: seconds keep their fraction.
    if (60 - s < 0.001) {
        m += 1;
        s = 0;
    }
    if (60 - m < 0.001) {
        d += 1;
        m = 0;
    }
    return {d, m, s};
}

TDmsAngle SecondsToDms(double S) {
    double d = static_cast<double>(Trunc(S / 3600));
    double r = S - d * 3600;
    double m = static_cast<double>(Trunc(r / 60));
    return {d, m, r - m * 60};
}

double GetCentralMeridian(bool zone3, double L) {
    if (zone3) return static_cast<double>(Trunc((L + 1.5) / 3) * 3);
    return static_cast<double>((Trunc(L / 6) + 1) * 6 - 3);
}

double GetLongitudeDiff(double L, double L0) { return L - L0; }

// The zone that holds the meridian, numbered nationally (6-degree zone 20 has its meridian at 117 E).
// Forward and inverse both use it, so they always agree on the prefix.
double GetZoneNumber(bool zone3, double L0) {
    if (L0 == 0) return 0;
    if (zone3) return static_cast<double>(Trunc((L0 + 1.5) / 3));
    return static_cast<double>(Trunc(L0 / 6) + 1);
}

double GetFalseEasting(bool zone3, double L0) { return GetZoneNumber(zone3, L0) * 1000000 + 500000; }
