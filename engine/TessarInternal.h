// What the engine's sources share among themselves.
#pragma once

#include <string>

// Shows an input error ("错误", error icon) through the installed report.
void TessarReportError(const std::string& text);
