// Vector layer over a shapefile: geometry from the ".shp" and ".shx", attributes from the ".dbf". Shapes are not
// loaded: each scan step builds a reusable work shape over the mapped record. It also writes shapefiles, from
// itself (a save) or from any vector layer (an export).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gis/layers/GisLayerVector.h"

class TGIS_FileDBF;
class TGIS_FileSHP;
class TGIS_FileSHX;

class TGIS_LayerSHP : public TGIS_LayerVector {
public:
    TGIS_LayerSHP();
    ~TGIS_LayerSHP() override;

    // Raises when the ".shp" or the ".dbf" is missing; a missing ".shx" only slows GetShape. Z, M and multipatch
    // records read as their two-dimensional shape. Text is read in the encoding a ".cpg" names, when there is one.
    void Open(TGIS_Viewer* viewer) override;
    void SaveAll() override;
    std::string GetRTreePath() override;
    Variant GetFileField(int32_t uid, const std::string& fileField) override;
    // Raises 0033 when the ".shp" or the ".dbf" is already there. Every shapefile written gets a ".cpg" naming
    // the code page of its table's text.
    void CreateEmpty(const std::string& path, const TGIS_Extent& extent, uint8_t shapeType) override;
    // Shapes of the layer in the extent and matching the query, numbered 1, 2, ... in write order; shape type 0
    // takes the first written shape's. The files are written beside the targets and swapped in only when the
    // scan ended well; the previous files stay under their names + "~". An abort, or an error (which passes on),
    // leaves the targets as they were.
    void WriteFromLayer(TGIS_LayerVector& layer, const std::string& path, const TGIS_Extent& extent,
                        uint8_t shapeType, const std::string& query, bool clip) override;
    void ScanFirst() override;
    void ScanNext() override;
    bool ScanEof() override;
    TGIS_Shape* ScanCurrent() override;
    bool ScansShapes() const override { return false; }
    TGIS_Shape* GetShape(int32_t uid) override;
    int32_t GetLastUid() override;
    // Values are mostly asked for in field order: the field after the last one found is tried first.
    int FindField(const std::string& name) const override;
    // Steps of two past the last uid.
    int32_t GetNewUid() override;

    // The companion files, found in either case of their extension.
    static std::string IndexPath(const std::string& path);
    static std::string TablePath(const std::string& path);

private:
    // The record at the main file's position; the current shape, or nullptr for a record the kernel does not
    // read (unsupported type, or a body that fails the shape's check).
    void ReadRecord();
    void CloseFiles();

    std::unique_ptr<TGIS_FileSHP> main_;
    std::unique_ptr<TGIS_FileSHX> index_;
    std::unique_ptr<TGIS_FileDBF> table_;
    int32_t lastUid_ = -1;
    TGIS_Shape* current_ = nullptr;
    std::unique_ptr<TGIS_ShapePoint> workPoint_;
    std::unique_ptr<TGIS_ShapeArc> workArc_;
    std::unique_ptr<TGIS_ShapePolygon> workPolygon_;
    std::unique_ptr<TGIS_ShapeMultipoint> workMultipoint_;
    uint8_t currentKernelType_ = 0;
    // The polygon body of the multipatch record last read; the work polygon looks at it.
    std::vector<uint8_t> patch_;
    mutable int fieldHint_ = -1;
};
