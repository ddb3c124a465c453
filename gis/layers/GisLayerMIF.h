// The vector layer over a MapInfo interchange pair: ".mif" (header and geometry) and ".mid" (one attribute row per
// object), read whole into memory on Open and written back as a pair.
#pragma once

#include <string>

#include "gis/layers/GisLayerVector.h"

class TGIS_LayerMIF : public TGIS_LayerVector {
public:
    TGIS_LayerMIF();

    // Points, lines, polylines, regions and multipoints become shapes; every other object of the data section
    // (arcs, texts, rectangles, ellipses, collections, "None") is skipped but still takes its ".mid" row. A count or
    // coordinate that does not read ends its object, and that line is read again on its own. A quoted ".mid" value
    // may hold line breaks.
    void Open(TGIS_Viewer* viewer) override;
    // The configuration, then the pair when shapes are in memory.
    void SaveAll() override;
    // Shapes without points are left out. A failed write leaves the files at `path` as they were; an aborted
    // one saves the shapes written so far, the previous pair kept under the names + "~".
    void WriteFromLayer(TGIS_LayerVector& layer, const std::string& path, const TGIS_Extent& extent,
                        uint8_t shapeType, const std::string& query, bool clip) override;

    // The ".mid" beside the layer's path.
    std::string MidPath() const;
    // Column separator of the ".mid" as the "Delimiter" clause gave it; empty (TAB) when there was none.
    std::string Delimiter;
};
