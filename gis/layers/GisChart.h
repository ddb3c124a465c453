// Small pie and bar charts of a shape's values, drawn at a point of a canvas.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui/Graphics.h"

// A value at or above this stands for a missing one.
constexpr double GIS_CHART_MISSING = 8.5e307;

// values: [0] lower and [1] upper bound of the bar scale, [2] .. [10] the values (later ones are ignored).
// style: gisChartPie or gisChartBar; any other style draws nothing.
void GisDrawChart(TCanvas& canvas, const TPoint& centre, int size, const std::vector<double>& values,
                  uint8_t style);
