// World and oblique projections against PROJ: forward and inverse of 1,000,000 points for Robinson,
// Mollweide and the Hotine oblique Mercator, ours one call per point, PROJ's proj_trans_generic over
// arrays, checked to agree first. Ends with the ratios (goal <= 1).
#include "bench/ProjBench.h"

namespace {

constexpr double kDeg = M_PI / 180;

// code, zone, SetUp values, PROJ, area (degrees), tolerance (metres). PROJ's Robinson has its own scale
// and a cubic between the table's rows, ours a parabola: up to about 10 km apart between rows.
const ProjRow kRows[] = {
    {"ROB", 0, {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},
     "+proj=robin +R=7408468.781 +x_0=0 +y_0=0", -180, 180, -89, 89, 15000},
    {"MOL", 0, {30 * kDeg, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},
     "+proj=moll +R_A +lon_0=30 +ellps=WGS84", -150, 210, -85, 85, 0.001},
    {"HOT", 0, {10 * kDeg, 45 * kDeg, 500000, 300000, 0, 0, 0.9996, 0, 0, 30 * kDeg, 0, 0, 0, 0},
     "+proj=omerc +lat_0=45 +lonc=10 +alpha=30 +k_0=0.9996 +x_0=500000 +y_0=300000 +ellps=WGS84", 0, 20, 35, 55,
     0.001},
};

}  // namespace

int main(int argc, char** argv) { return RunProjBench(argc, argv, kRows); }
