// Number pictures of the class library: FormatFloat(",0.00;(,0.00)", v).
#pragma once

#include <string>

// Sections "positive;negative;zero". In a section: 0 a digit always shown, # a digit shown when
// significant, . the decimal separator (the process setting), , thousands separators (anywhere
// left of the point; shown as "." where the decimal separator is ","), E+ / E- / e+ / e- scientific
// notation, '…' and "…" literal text; any other character is copied. A negative value formatted by a
// negative section shows no minus sign.
std::string FormatFloat(const std::string& format, double value);
