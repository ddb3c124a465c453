#include "gis/layers/GisLayerSHP.h"

#include <cerrno>
#include <cstdlib>
#include <exception>

#include "gis/core/GisFileCommit.h"
#include "gis/core/GisRTree.h"
#include "gis/layers/GisFileDBF.h"
#include "gis/layers/GisFileSHP.h"
#include "platform/rtl/FileIO.h"

namespace {

constexpr int64_t kFirstRecord = 100;

// The code page the table's text is written in, as a ".cpg" names it.
std::string CpgText(TGIS_LayerVector& layer) {
    int page = GisCodePageEncoding(layer.GetCodePage()) ? layer.GetCodePage() : layer.GetOutCodePage();
    if (page == 0) page = 936;
    return page == 65001 ? "UTF-8" : std::to_string(page);
}

}  // namespace

TGIS_LayerSHP::TGIS_LayerSHP()
    : workPoint_(std::make_unique<TGIS_ShapePoint>(nullptr, nullptr, 0, false, -1, this)),
      workArc_(std::make_unique<TGIS_ShapeArc>(nullptr, nullptr, 0, false, -1, this)),
      workPolygon_(std::make_unique<TGIS_ShapePolygon>(nullptr, nullptr, 0, false, -1, this)),
      workMultipoint_(std::make_unique<TGIS_ShapeMultipoint>(nullptr, nullptr, 0, false, -1, this)) {
    Capabilities = 3;
}

TGIS_LayerSHP::~TGIS_LayerSHP() {
    // Styles may still point at a work shape.
    ForgetShape(nullptr);
    current_ = nullptr;
    table_.reset();
    index_.reset();
    main_.reset();
}

std::string TGIS_LayerSHP::IndexPath(const std::string& path) { return GisCompanionPath(path, ".shx"); }
std::string TGIS_LayerSHP::TablePath(const std::string& path) { return GisCompanionPath(path, ".dbf"); }

void TGIS_LayerSHP::CloseFiles() {
    current_ = nullptr;
    // Work shapes may still look at the mapped view.
    for (TGIS_Shape* s : {static_cast<TGIS_Shape*>(workPoint_.get()), static_cast<TGIS_Shape*>(workArc_.get()),
                          static_cast<TGIS_Shape*>(workPolygon_.get()),
                          static_cast<TGIS_Shape*>(workMultipoint_.get())})
        if (s) s->Recreate(nullptr, nullptr, 0, false, -1, this);
    table_.reset();
    index_.reset();
    main_.reset();
}

void TGIS_LayerSHP::Open(TGIS_Viewer* viewer) {
    TGIS_LayerVector::Open(viewer);
    CloseFiles();
    lastUid_ = -1;
    // The files, once open, stay those of one save whatever is renamed over them later.
    const TDiskReadTurn turn = GisRecoverFiles(Path);
    if (DiskExists(Path)) FileTime = FileAge(Path);
    main_ = std::make_unique<TGIS_FileSHP>(Path, false);
    main_->ReadHeader();
    const uint8_t type = TGIS_FileSHP::KernelType(main_->ShapeType);
    SupportedShapeTypes = type == gisShapeTypeNull ? 0 : GisShapeTypeBit(type);
    SetExtent(main_->Extent);
    const std::string index = IndexPath(Path);
    if (DiskExists(index)) {
        index_ = std::make_unique<TGIS_FileSHX>(index, false);
        index_->ReadHeader();
    }
    table_ = std::make_unique<TGIS_FileDBF>(TablePath(Path), false, this);
    // The text's encoding is not guessed when its ".cpg" cannot be read: a save would write the guess down.
    int unreadable = 0;
    table_->TextEncoding = TGIS_FileDBF::CpgEncoding(TablePath(Path), &unreadable);
    if (unreadable) GisRaiseReadError(GisCompanionPath(TablePath(Path), ".cpg"), unreadable);
    // Without a ".cpg", the code page the table's header names, as other readers take it; the layer's own
    // code page stays on the way it has (a character cut at the field's end is kept as it is).
    if (table_->TextEncoding.empty()) {
        const std::string named = table_->DriverEncoding();
        const char* own = GisCodePageEncoding(GetCodePage());
        if (!own || named != own) table_->TextEncoding = named;
    }
}

void TGIS_LayerSHP::SaveAll() {
    TGIS_LayerVector::SaveAll();
    if (MustSave()) WriteFromLayer(*this, Path, GisFullExtent(), gisShapeTypeNull, "", false);
}

std::string TGIS_LayerSHP::GetRTreePath() { return Path + ".rtree"; }

Variant TGIS_LayerSHP::GetFileField(int32_t uid, const std::string& fileField) {
    return table_ ? table_->ReadFieldValue(uid, fileField) : Variant();
}

void TGIS_LayerSHP::ReadRecord() {
    current_ = nullptr;
    currentKernelType_ = gisShapeTypeNull;
    if (!main_->ReadRecordHeader()) {
        main_->Seek(0, soFromEnd);
        return;
    }
    size_t size = 0;
    const uint8_t* body = main_->RecordBody(size);
    TGIS_Shape* work = nullptr;
    switch (main_->RecordKernelType) {
    case gisShapeTypePoint: work = workPoint_.get(); break;
    case gisShapeTypeMultipoint: work = workMultipoint_.get(); break;
    case gisShapeTypeArc: work = workArc_.get(); break;
    case gisShapeTypePolygon: work = workPolygon_.get(); break;
    default: return;
    }
    if (main_->RecordTypeCode == TGIS_FileSHP::kMultiPatchCode) {
        if (!TGIS_FileSHP::MultiPatchToPolygon(body, size, patch_)) return;
        body = patch_.data();
        size = patch_.size();
    }
    // A body the shape cannot read is skipped like a record of another type.
    if (!work->Recreate(nullptr, body, size, true, main_->RecordNumber, this)) return;
    currentKernelType_ = main_->RecordKernelType;
    current_ = work;
}

void TGIS_LayerSHP::ScanFirst() {
    MoveFirst();
    if (main_) main_->Seek(kFirstRecord, soFromBeginning);
    ScanNext();
}

void TGIS_LayerSHP::ScanNext() {
    for (;;) {
        current_ = nullptr;
        bool fromFile = false;
        if (main_ && main_->Position() < main_->Size()) {
            ReadRecord();
            fromFile = true;
            if (current_) current_ = FindEditedShape(current_);
        }
        if (!current_) {
            if (fromFile && main_->Position() < main_->Size()) continue;
            if (!Eof()) {
                current_ = GetCurrentShape();
                MoveNext();
            }
            if (!current_) return;
        }
        if (SkipDeleted && current_->Deleted) continue;
        if (MatchesFilter()) return;
    }
}

bool TGIS_LayerSHP::ScanEof() { return current_ == nullptr; }

TGIS_Shape* TGIS_LayerSHP::ScanCurrent() { return current_; }

TGIS_Shape* TGIS_LayerSHP::GetShape(int32_t uid) {
    if (uid < 1) return nullptr;
    if (current_ && current_->Uid == uid) return current_;
    if (TGIS_Shape* s = TGIS_LayerVector::GetShape(uid)) return s;
    if (!main_) return nullptr;
    if (index_) {
        int64_t offset = 0;
        int32_t words = 0;
        if (!index_->ReadEntry(uid, offset, words)) return nullptr;
        if (offset < kFirstRecord || offset >= main_->Size()) return nullptr;
        // A scan in progress goes on from where it was.
        const int64_t position = main_->Position();
        main_->Seek(offset, soFromBeginning);
        ReadRecord();
        main_->Seek(position, soFromBeginning);
        return current_;
    }
    // The full extent, not the viewer's: a shape outside the bounds its header gives is still found.
    SetFilter(GisFullExtent(), "");
    for (ScanFirst(); !ScanEof(); ScanNext())
        if (ScanCurrent()->Uid == uid) return ScanCurrent();
    return nullptr;
}

int TGIS_LayerSHP::FindField(const std::string& name) const {
    // Names are unique until a field is renamed, which marks the structure modified.
    const size_t next = size_t(fieldHint_ + 1);
    if (!StructureModified && next < Fields.size() &&
        (Fields[next]->NewName == name || AnsiCompareText(Fields[next]->NewName, name) == 0))
        return fieldHint_ = int(next);
    return fieldHint_ = TGIS_LayerVector::FindField(name);
}

int32_t TGIS_LayerSHP::GetLastUid() {
    if (lastUid_ < 0) lastUid_ = ScanLastUid();
    return lastUid_;
}

int32_t TGIS_LayerSHP::GetNewUid() {
    lastUid_ = GetLastUid() + 2;
    return lastUid_;
}

void TGIS_LayerSHP::CreateEmpty(const std::string& path, const TGIS_Extent& extent, uint8_t shapeType) {
    PrepareExportNames(11);
    const std::string table = TablePath(path);
    if (DiskExists(path)) throw EGIS_Exception(GIS_RS_ERR_FILEEXIST, path, 0);
    if (DiskExists(table)) throw EGIS_Exception(GIS_RS_ERR_FILEEXIST, table, 0);
    {
        TGIS_FileSHP shp(path, true);
        shp.Extent = extent;
        shp.ShapeType = TGIS_FileSHP::TypeCode(shapeType);
        shp.WriteHeader();
    }
    TGIS_FileDBF dbf(table, true, this);
    dbf.WriteHeader();
    dbf.WriteFields();
    dbf.WriteHeader();
    const std::string cpg = GisCompanionPath(path, ".cpg");
    errno = 0;
    if (!DiskWriteAll(cpg, CpgText(*this))) GisRaiseWriteError(cpg, errno ? errno : EIO);
}

void TGIS_LayerSHP::WriteFromLayer(TGIS_LayerVector& layer, const std::string& path, const TGIS_Extent& extent,
                                   uint8_t shapeType, const std::string& query, bool clip) {
    TGIS_Viewer* viewer = layer.Viewer;
    bool abort = false;
    const int32_t endUid = layer.GetLastUid();
    auto busy = [&](int32_t pos, int32_t end) {
        if (viewer && viewer->OnBusy) viewer->OnBusy(viewer, pos, end, abort);
    };
    busy(0, endUid);
    layer.PrepareExportNames(11);
    const bool same = !Path.empty() && GisCanonicalPath(path) == GisCanonicalPath(Path);
    std::vector<std::string> targets = {path, IndexPath(path), TablePath(path)};
    const bool withTree = layer.HasRTree();
    if (withTree) targets.push_back(path + ".rtree");
    // Without a ".cpg" other programs take the text for Latin-1; one already there may name another encoding.
    const size_t cpgIndex = targets.size();
    targets.push_back(GisCompanionPath(path, ".cpg"));
    // The R-tree makes its own file, exclusively.
    TGIS_FileCommit commit(targets, withTree ? std::vector<size_t>{3} : std::vector<size_t>{});
    commit.CheckTargets();

    uint8_t type = shapeType;
    bool written = false;
    std::exception_ptr error;
    std::unique_ptr<TGIS_FileSHP> shp;
    std::unique_ptr<TGIS_FileSHX> shx;
    std::unique_ptr<TGIS_FileDBF> dbf;
    std::unique_ptr<TGIS_RTree> tree;
    try {
        shp = std::make_unique<TGIS_FileSHP>(commit.TempName(0), true);
        shp->Extent = GisExtentIntersection(extent, layer.Extent);
        shp->WriteHeader();
        shx = std::make_unique<TGIS_FileSHX>(commit.TempName(1), true);
        shx->WriteHeader();
        dbf = std::make_unique<TGIS_FileDBF>(commit.TempName(2), true, &layer);
        dbf->WriteHeader();
        dbf->WriteFields();
        errno = 0;
        if (!DiskWriteAll(commit.TempName(cpgIndex), CpgText(layer)))
            GisRaiseWriteError(targets[cpgIndex], errno ? errno : EIO);
        if (withTree) tree = std::make_unique<TGIS_RTree>(commit.TempName(3));
        layer.SetFilter(extent, query);
        int32_t record = 1;
        int count = 0;
        for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) {
            TGIS_Shape* shape = layer.ScanCurrent();
            std::unique_ptr<TGIS_Shape> clipped;
            TGIS_Shape* out = shape;
            if (clip) {
                clipped = shape->Clip(extent);
                out = clipped.get();
            }
            if (out && !out->Deleted && (type == gisShapeTypeNull || out->ShapeType() == type)) {
                if (type == gisShapeTypeNull) type = out->ShapeType();
                // A shape without geometry goes out as a null record, which every reader skips.
                const bool geometry = out->HasGeometry();
                const size_t size = geometry ? out->GeometrySize() : 0;
                const int32_t words = int32_t((size + 4) / 2);
                if (geometry) shp->Extent = GisExtentUnion(shp->Extent, out->GetExtent());
                shx->WriteEntry(shp->Size(), words);
                shp->WriteRecordHeader(record, words, geometry ? out->ShapeType() : uint8_t(gisShapeTypeNull));
                shp->WriteBody(*out);
                if (tree && geometry) tree->Insert(out->GetExtent(), record);
                dbf->AppendRecord(*shape);
                ++record;
                written = true;
            }
            if (count++ % 100 == 1) {
                busy(shape->Uid, endUid);
                if (abort) break;
            }
        }
        shp->ShapeType = (!written && main_) ? main_->ShapeType : TGIS_FileSHP::TypeCode(type);
        if (!written && main_) shp->Extent = main_->Extent;
        shp->WriteHeader();
        shx->ShapeType = TGIS_FileSHP::TypeCode(type);
        shx->Extent = shp->Extent;
        shx->WriteHeader();
        dbf->WriteHeader();
        shp->Close();
        shx->Close();
    } catch (...) {
        error = std::current_exception();
    }
    shp.reset();
    shx.reset();
    dbf.reset();
    tree.reset();

    // Only a scan that ended well replaces anything.
    if (error || abort || !(written || same)) {
        commit.Abandon();
        busy(-1, -1);
        if (error) commit.Rethrow(error);
        return;
    }
    if (same) {
        CloseFiles();
        RTree.reset();
    }
    try {
        commit.Commit();
    } catch (...) {
        error = std::current_exception();
    }
    if (same) {
        StructureModified = false;
        Open(Viewer);
        if (Viewer) Viewer->InvalidateExtent(Extent, true);
    }
    busy(-1, -1);
    if (error) std::rethrow_exception(error);
}
