#include "gis/layers/GisLayerTAB.h"

#include "gis/layers/GisFileDBF.h"
#include "platform/rtl/FileIO.h"

TGIS_LayerTAB::TGIS_LayerTAB()
    : point_(std::make_unique<TGIS_ShapePoint>(nullptr, nullptr, 0, false, -1, this)),
      arc_(std::make_unique<TGIS_ShapeArc>(nullptr, nullptr, 0, false, -1, this)),
      polygon_(std::make_unique<TGIS_ShapePolygon>(nullptr, nullptr, 0, false, -1, this)) {
    Capabilities = 1;
}

TGIS_LayerTAB::~TGIS_LayerTAB() {
    // Styles may still point at a work shape.
    ForgetShape(nullptr);
}

void TGIS_LayerTAB::Open(TGIS_Viewer* viewer) {
    current_ = nullptr;
    map_.reset();
    index_.reset();
    table_.reset();
    TGIS_LayerVector::Open(viewer);
    const std::string datPath = GisTabCompanion(Path, ".dat");
    table_ = std::make_unique<TGIS_FileDBF>(datPath, false, this);
    {
        TGIS_FileTAB definition(Path);
        if (definition.Parse() != gisTabTypeNative) throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, Path, 0);
        definition.ReadFields(*this, table_->RecordLength());
    }
    if (DiskExists(Path)) FileTime = FileAge(Path);
    lastUid_ = -1;
    map_ = std::make_unique<TGIS_FileTAB_MAP>(GisTabCompanion(Path, ".map"));
    map_->ReadHeader();
    SetExtent(map_->Extent);
    index_ = std::make_unique<TGIS_FileTAB_ID>(GisTabCompanion(Path, ".id"));
    try {
        AddField("TAB_LABEL", gisFieldString, 5, 0);
    } catch (const EGIS_Exception&) {
    }
}

std::string TGIS_LayerTAB::GetRTreePath() { return GisPathWithoutExt(Path) + ".rtree"; }

Variant TGIS_LayerTAB::GetFileField(int32_t uid, const std::string& fileField) {
    return table_ ? table_->ReadFieldValue(uid, fileField) : Variant();
}

TGIS_Shape* TGIS_LayerTAB::ReadShape(int64_t offset, int32_t uid) {
    current_ = nullptr;
    if (!map_->ReadObject(offset, uid, object_)) return nullptr;
    TGIS_Shape* shape = nullptr;
    switch (object_.kind) {
    case TGIS_TabObject::Point: shape = point_.get(); break;
    case TGIS_TabObject::Arc: shape = arc_.get(); break;
    case TGIS_TabObject::Polygon: shape = polygon_.get(); break;
    default: return nullptr;
    }
    shape->Recreate(nullptr, nullptr, 0, false, object_.Id, this);
    shape->Lock(1);
    const size_t parts = object_.Parts.size();
    for (size_t p = 0; p < parts; ++p) {
        shape->AddPart();
        const size_t end = p + 1 < parts ? size_t(object_.Parts[p + 1]) : object_.Points.size();
        for (size_t v = size_t(object_.Parts[p]); v < end; ++v) shape->AddPoint(object_.Points[v]);
    }
    shape->Unlock();
    if (object_.Type == tabTextC || object_.Type == tabText) shape->SetField("TAB_LABEL", Variant(object_.Label));
    current_ = FindEditedShape(shape);
    return current_;
}

TGIS_Shape* TGIS_LayerTAB::GetShape(int32_t uid) {
    if (uid < 1) return nullptr;
    if (current_ && current_->Uid == uid) return current_;
    if (TGIS_Shape* s = TGIS_LayerVector::GetShape(uid)) return s;
    if (!index_) return nullptr;
    const int32_t offset = index_->ReadOffset(uid);
    if (offset < 1) return nullptr;
    return ReadShape(offset, uid);
}

void TGIS_LayerTAB::ScanFirst() {
    MoveFirst();
    scanUid_ = 1;
    if (map_) map_->ReadHeader();
    ScanNext();
}

void TGIS_LayerTAB::ScanNext() {
    for (;;) {
        current_ = GetShape(scanUid_);
        if (!current_) {
            if (index_ && index_->Count > scanUid_) {
                ++scanUid_;
                continue;
            }
            current_ = TGIS_LayerVector::GetShape(scanUid_);
            if (!current_) return;
        }
        ++scanUid_;
        if (SkipDeleted && current_->Deleted) continue;
        if (MatchesFilter()) return;
    }
}

bool TGIS_LayerTAB::ScanEof() { return current_ == nullptr; }

TGIS_Shape* TGIS_LayerTAB::ScanCurrent() { return current_; }

int32_t TGIS_LayerTAB::GetLastUid() {
    if (lastUid_ < 0) lastUid_ = ScanLastUid();
    return lastUid_;
}

int32_t TGIS_LayerTAB::GetNewUid() {
    // The file's uids are taken: a new shape must not hide one of them.
    lastUid_ = GetLastUid() + 1;
    return lastUid_;
}
