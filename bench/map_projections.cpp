// Map projections against PROJ: forward and inverse of 1,000,000 points per member, ours one call per
// point, PROJ's proj_trans_generic over arrays, checked to agree first. Ends with the ratios (goal <= 1).
#include "bench/ProjBench.h"

namespace {

constexpr double kDeg = M_PI / 180;

// code, zone, SetUp values, PROJ, area (degrees), tolerance (metres)
const ProjRow kRows[] = {
    {"TMR", 0, {117 * kDeg, 0, 500000, 0, 0, 0, 0.9996, 0, 0, 0, 0, 0, 0, 0},
     "+proj=tmerc +lon_0=117 +lat_0=0 +k=0.9996 +x_0=500000 +y_0=0 +ellps=WGS84", 111, 123, -80, 80, 0.001},
    {"LAM", 0, {105 * kDeg, 0, 500000, 0, 25 * kDeg, 47 * kDeg, 1, 0, 0, 0, 0, 0, 0, 0},
     "+proj=lcc +lat_1=25 +lat_2=47 +lat_0=0 +lon_0=105 +x_0=500000 +ellps=WGS84", 70, 140, 0, 60, 0.001},
    {"MER", 0, {100 * kDeg, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},
     "+proj=merc +lon_0=100 +ellps=WGS84", -79, 279, -85, 85, 0.001},
};

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    ProjBench bench(1000000);
    for (const ProjRow& row : kRows) bench.Add(row, reporter);
    return RunWithRatios(argc, argv, reporter);
}
