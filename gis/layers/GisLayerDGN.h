// Read-only vector layer over a version 7 design file: cell headers, lines, line strings, shapes and texts
// become points, arcs and polygons, read element by element from the mapped file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gis/layers/GisLayerVector.h"

class TGIS_LayerDGN : public TGIS_LayerVector {
public:
    TGIS_LayerDGN();
    ~TGIS_LayerDGN() override;

    // Raises 0034 for a file that is not a design file.
    void Open(TGIS_Viewer* viewer) override;
    // Shapes without geometry (cells without an origin, elements without vertices) are left out.
    void RecalcExtent() override;
    std::string GetRTreePath() override;
    void ScanFirst() override;
    void ScanNext() override;
    bool ScanEof() override;
    TGIS_Shape* ScanCurrent() override;
    bool ScansShapes() const override { return false; }
    // Seeks through a sparse index of the element that begins every run of 512 uids.
    TGIS_Shape* GetShape(int32_t uid) override;
    int32_t GetLastUid() override;
    int32_t GetNewUid() override;

    // The colour a file colour index stands for (0 to 255), from the colour table met so far; black without one.
    uint32_t FileColor(int index) const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};
