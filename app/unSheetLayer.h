// The preview's layer of sheets: one polygon per sheet, whose number and corners are not copied into the shapes
// but read from the sheet list the layer keeps, and whose rings share one block of the layer's, so that a million
// sheets do not each carry thirteen values and a buffer of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
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
    // The polygon of the next sheet from its corners, north-west, north-east, south-east, south-west, in layer
    // units: the shape AddPart and AddPoint make, its bytes in one block the layer holds for all the sheets'
    // rings rather than in a buffer of its own.
    TGIS_Shape* AddSheet(const TGIS_Point (&corners)[4]);
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
    // Room for every sheet's ring, and how many sheets have their shape.
    std::unique_ptr<uint8_t[]> rings_;
    size_t added_ = 0;
    // Builds each ring as any polygon is built, before its bytes move to `rings_`.
    std::unique_ptr<TGIS_ShapePolygon> builder_;
};
