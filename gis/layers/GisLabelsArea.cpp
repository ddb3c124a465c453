#include "gis/layers/GisLabelsArea.h"

TGIS_LabelsArea::~TGIS_LabelsArea() { Reset(); }

void TGIS_LabelsArea::Reset() {}
