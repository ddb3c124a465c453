// The preview's layer of sheets: one polygon per sheet, whose number and corners are not copied into the shapes
// but read from the sheet list the layer keeps, so that a million sheets do not each carry thirteen values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/unTessarRgPub.h"
#include "gis/layers/GisLayerVector.h"

class TSheetLayer : public TGIS_LayerVector {
public:
    // The fields the sheets fill, in this order: the number "TFH", then "LB_L", "LB_B", "RT_L", "RT_B" (degrees),
    // "LT_X", "LT_Y", "RT_X", "RT_Y", "RB_X", "RB_Y", "LB_X", "LB_Y".
    void AddSheetFields();
    // Keeps the sheets as the values of the shapes created next, one per sheet in list order (columns, then
    // rows), room made for them; the number field widens to the longest number, as setting it would. After
    // AddSheetFields.
    void SetSheets(TStandardTessarols sheets);
    // Custom sheets give 0 for the geographic corners.
    void SetSheets(TCustomTessarols sheets);
    const TStandardTessarols& StandardSheets() const { return standard_; }
    const TCustomTessarols& CustomSheets() const { return custom_; }

    Variant GetTableField(int32_t uid, int index) override;

private:
    // Where each inner list starts in list order; one entry more at the end.
    template <class Lists> void Index(const Lists& lists);
    // The inner list and position of sheet k in list order.
    std::pair<size_t, size_t> Locate(size_t k) const;
    TStandardTessarols standard_;
    TCustomTessarols custom_;
    std::vector<size_t> starts_{0};
    int32_t firstUid_ = 0;
};
