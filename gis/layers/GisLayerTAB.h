// Read-only vector layer over a MapInfo native table (".tab", ".map", ".id", ".dat"). Objects are decoded one at a
// time into reusable work shapes; texts become points carrying their text in the field "TAB_LABEL".
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gis/layers/GisFileTAB.h"
#include "gis/layers/GisLayerVector.h"

class TGIS_FileDBF;

class TGIS_LayerTAB : public TGIS_LayerVector {
public:
    TGIS_LayerTAB();
    ~TGIS_LayerTAB() override;

    // Raises 0034 for a definition that is not a native table or a ".map" header that cannot be used, 0090 for
    // a bad field line, 0034 when the fields need more bytes than a ".dat" record holds; a missing file raises
    // its open error.
    void Open(TGIS_Viewer* viewer) override;
    std::string GetRTreePath() override;
    Variant GetFileField(int32_t uid, const std::string& fileField) override;
    void ScanFirst() override;
    void ScanNext() override;
    bool ScanEof() override;
    TGIS_Shape* ScanCurrent() override;
    bool ScansShapes() const override { return false; }
    // Nullptr for a uid without an object, an object without a shape kind, or a corrupt one.
    TGIS_Shape* GetShape(int32_t uid) override;
    int32_t GetLastUid() override;
    int32_t GetNewUid() override;

private:
    // The shape of the object at a ".map" offset, or nullptr; becomes the current shape.
    TGIS_Shape* ReadShape(int64_t offset, int32_t uid);

    std::unique_ptr<TGIS_FileTAB_MAP> map_;
    std::unique_ptr<TGIS_FileTAB_ID> index_;
    std::unique_ptr<TGIS_FileDBF> table_;
    int32_t lastUid_ = -1;
    int32_t scanUid_ = 1;
    TGIS_Shape* current_ = nullptr;
    std::unique_ptr<TGIS_ShapePoint> point_;
    std::unique_ptr<TGIS_ShapeArc> arc_;
    std::unique_ptr<TGIS_ShapePolygon> polygon_;
    TGIS_TabObject object_;
};
