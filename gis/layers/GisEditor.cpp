#include "gis/layers/GisEditor.h"

void TGIS_Editor::StartEdit(TGIS_Shape* shape, int part, TGIS_LayerAbstract* layer) {
    shape_ = shape;
    part_ = part;
    layer_ = shape ? layer : nullptr;
}

void TGIS_Editor::EndEdit() {
    shape_ = nullptr;
    part_ = 0;
    layer_ = nullptr;
}

void TGIS_Editor::Assign(const TGIS_Editor& other) { ShowTracking = other.ShowTracking; }
