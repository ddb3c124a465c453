// The vector layer's data side: fields, the uid-ordered shape list, cursor and scans, R-tree and extent upkeep.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gis/core/GisRTree.h"
#include "gis/core/GisSqlQuery.h"
#include "gis/layers/GisLayerVector.h"

namespace {

constexpr int kBusyStep = 100;

bool IsLetterOrUnderscore(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsLetterOrUnderscore(c) || (c >= '0' && c <= '9'); }

}  // namespace

TGIS_LayerVector::TGIS_LayerVector()
    : Query(std::make_unique<TGIS_SqlQuery>()), SelectedParams(std::make_unique<TGIS_ParamsSectionVector>()) {
    CodePage = GIS_ANSI_CODEPAGE;
}

TGIS_LayerVector::~TGIS_LayerVector() {
    CurrentShape = nullptr;
    ForgetShape(nullptr);
    Shapes.clear();
}

void TGIS_LayerVector::ForgetShape(TGIS_Shape* shape) {
    auto forget = [shape](TGIS_ParamsSection* section) {
        if (section && section->Shape() && (!shape || section->Shape() == shape)) section->SetShape(nullptr);
    };
    for (int i = 0; i < ParamsList().Count(); ++i) forget(ParamsList().GetSection(i));
    forget(SelectedParams.get());
}

// ---- inherited slots ----

void TGIS_LayerVector::Open(TGIS_Viewer* viewer) {
    TGIS_LayerAbstract::Open(viewer);
    CurrentShape = nullptr;
    Cursor = 0;
    ForgetShape(nullptr);
    Shapes.clear();
    Fields.clear();
    SupportedShapeTypes = GIS_ALL_SHAPE_TYPES;
}

void TGIS_LayerVector::AfterOpen(TGIS_Viewer* viewer) {
    TGIS_LayerAbstract::AfterOpen(viewer);
    PrepareRTree(RTreeWanted);
}

void TGIS_LayerVector::ReadConfigOptions(TGIS_Ini& ini) {
    TGIS_LayerAbstract::ReadConfigOptions(ini);
    SetJoinPrimary(ini.ReadString("JoinPrimary", JoinPrimary));
    SetJoinForeign(ini.ReadString("JoinForeign", JoinForeign));
}

void TGIS_LayerVector::WriteConfigOptions(TGIS_Ini& ini) {
    TGIS_LayerAbstract::WriteConfigOptions(ini);
    ini.WriteString("JoinPrimary", JoinPrimary);
    ini.WriteString("JoinForeign", JoinForeign);
}

void TGIS_LayerVector::RevertAll() {
    for (int i = int(Shapes.size()) - 1; i >= 0; --i)
        if (i < int(Shapes.size())) RevertShape(Shapes[size_t(i)]->Uid);
    ForgetShape(nullptr);
    Shapes.clear();
    CurrentShape = nullptr;
    for (int i = int(Fields.size()) - 1; i >= 0; --i) {
        TGIS_FieldInfo& f = *Fields[size_t(i)];
        if (f.Name.empty()) {
            Fields.erase(Fields.begin() + i);
            continue;
        }
        f.Deleted = false;
        f.NewName = f.Name;
        f.NewWidth = f.Width;
        f.NewDecimals = f.Decimals;
    }
}

bool TGIS_LayerVector::MustSave() {
    return TGIS_LayerAbstract::MustSave() || StructureModified || (!Path.empty() && !Shapes.empty());
}

void TGIS_LayerVector::RecalcExtent() {
    LockNotify();
    TGIS_Extent e = Extent;
    SetFilter(GisFullExtent(), "");
    ScanFirst();
    if (!ScanEof()) e = ScanCurrent()->GetExtent();
    while (!ScanEof()) {
        e = GisExtentUnion(e, ScanCurrent()->GetExtent());
        ScanNext();
    }
    SetExtent(e);
    UnlockNotify();
}

void TGIS_LayerVector::PrepareRTree(bool build) {
    RTreeWanted = false;
    if (!Viewer || build == HasRTree()) return;
    RTreeStale = false;
    if (!build) {
        RTree.reset();
        return;
    }
    RTree = std::make_unique<TGIS_RTree>(GetRTreePath());
    if (FileTime > RTree->FileDate()) RTree->Clear();
    TGIS_Viewer& viewer = *Viewer;
    bool abort = false;
    int32_t total = 0;
    if (viewer.OnBusy) {
        total = GetLastUid();
        viewer.OnBusy(&viewer, 0, total, abort);
    }
    int count = 0;
    auto busy = [&](const TGIS_Shape& shape) {
        if (!abort && viewer.OnBusy && count % kBusyStep == 0) viewer.OnBusy(&viewer, shape.Uid, total, abort);
        ++count;
        return abort;
    };
    if (!abort) {
        if (RTree->IsEmpty()) {
            SetFilter(GisFullExtent(), "");
            for (ScanFirst(); !ScanEof(); ScanNext()) {
                TGIS_Shape* s = ScanCurrent();
                if (busy(*s)) break;
                s->AddToRTree();
            }
        } else {
            for (size_t i = 0; i < Shapes.size(); ++i) {
                if (busy(*Shapes[i])) break;
                Shapes[i]->UpdateRTree();
            }
        }
    }
    // An aborted build leaves no index: finds scan instead.
    if (abort) RTree.reset();
    bool ignored = false;
    if (viewer.OnBusy) viewer.OnBusy(&viewer, -1, -1, ignored);
}

// ---- cursor ----

std::string TGIS_LayerVector::GetRTreePath() { return ""; }

void TGIS_LayerVector::MoveFirst() {
    if (JoinTable) JoinTable->Rewind();
    if (!FilterQuery.empty()) Query->Prepare(FilterQuery);
    Cursor = 0;
    CurrentShape = Eof() ? nullptr : Shapes[0].get();
}

void TGIS_LayerVector::MoveNext() {
    ++Cursor;
    CurrentShape = Eof() ? nullptr : Shapes[size_t(Cursor)].get();
    // A scan reads every shape and its geometry, each a block of its own: they are asked for some steps ahead
    // (the shape first, its geometry once the shape has come), so that a paint does not wait on memory shape by
    // shape.
    constexpr size_t kShapeAhead = 16, kGeometryAhead = 8;
    if (Cursor < 0) return;
    if (const size_t at = size_t(Cursor) + kShapeAhead; at < Shapes.size()) __builtin_prefetch(Shapes[at].get());
    if (const size_t at = size_t(Cursor) + kGeometryAhead; at < Shapes.size() && Shapes[at])
        if (const uint8_t* g = Shapes[at]->Geometry()) {
            __builtin_prefetch(g);
            __builtin_prefetch(g + 64);
            __builtin_prefetch(g + 128);
        }
}

bool TGIS_LayerVector::Eof() {
    // Only a paint pass ends early when the view changes; the scans behind indexes, extents and writers must not.
    if (InPaint && Viewer && Viewer->ExtentChangedFlag) return true;
    return !(Cursor >= 0 && Cursor < int32_t(Shapes.size()));
}

TGIS_Shape* TGIS_LayerVector::GetCurrentShape() {
    return Cursor >= 0 && Cursor < int32_t(Shapes.size()) ? Shapes[size_t(Cursor)].get() : nullptr;
}

bool TGIS_LayerVector::FindShapeIndex(int32_t uid, int& index) {
    // Uids made by CreateShape run without gaps: then the uid tells the place at once.
    if (!Shapes.empty()) {
        const int64_t at = int64_t(uid) - Shapes.front()->Uid;
        if (at >= 0 && at < int64_t(Shapes.size()) && Shapes[size_t(at)]->Uid == uid) {
            index = int(at);
            return true;
        }
    }
    int low = 0, high = int(Shapes.size()) - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int32_t u = Shapes[size_t(middle)]->Uid;
        if (u < uid)
            low = middle + 1;
        else if (u > uid)
            high = middle - 1;
        else {
            index = middle;
            return true;
        }
    }
    index = low;
    return false;
}

TGIS_Shape* TGIS_LayerVector::FindEditedShape(TGIS_Shape* fileShape) {
    while (!Eof()) {
        TGIS_Shape* c = GetCurrentShape();
        if (fileShape->Uid < c->Uid) return fileShape;
        MoveNext();
        if (fileShape->Uid == c->Uid) return c;
    }
    return fileShape;
}

// ---- scans ----

bool TGIS_LayerVector::QueryMatches(TGIS_Shape* shape) {
    if (FilterQuery.empty()) return true;
    return Query->Evaluate(false, [shape](const std::string& field) { return shape->GetField(field); });
}

bool TGIS_LayerVector::ScanAccepts(TGIS_Shape* shape) {
    return shape && !(SkipDeleted && shape->Deleted) && IsShapeVisible(shape, FilterExtent);
}

bool TGIS_LayerVector::MatchesFilter() { return ShapeMatches(ScanCurrent()); }

void TGIS_LayerVector::SetFilter(const TGIS_Extent& extent, const std::string& query) {
    FilterExtent = extent;
    FilterQuery = query;
    SetSkipDeleted(true);
}

void TGIS_LayerVector::ScanFirst() {
    if (JoinTable) JoinTable->Rewind();
    if (!FilterQuery.empty()) Query->Prepare(FilterQuery);
    Cursor = -1;
    do
        MoveNext();
    while (!Eof() && !(ScanAccepts(GetCurrentShape()) && QueryMatches(GetCurrentShape())));
}

void TGIS_LayerVector::ScanNext() {
    do
        MoveNext();
    while (!ScanEof() && !(!(SkipDeleted && ScanCurrent()->Deleted) && MatchesFilter()));
}

// A paint takes every shape twice: the steps are this class's, so they are taken without a call each.
TGIS_Shape* TGIS_LayerVector::NextShape() {
    for (;;) {
        TGIS_LayerVector::MoveNext();
        // MoveNext sets the shape it stands on short of the end, and none at it.
        TGIS_Shape* s = CurrentShape;
        if (!s) {
            if (TGIS_LayerVector::Eof()) return nullptr;
            continue;
        }
        if (!(SkipDeleted && s->Deleted) && ShapeMatches(s) && FindAccepts(s)) return s;
    }
}

bool TGIS_LayerVector::ScanEof() { return Eof(); }

TGIS_Shape* TGIS_LayerVector::ScanCurrent() { return GetCurrentShape(); }

bool TGIS_LayerVector::IsShapeVisible(TGIS_Shape* shape, const TGIS_Extent& extent) {
    if (!Viewer) return true;
    if (!shape || !shape->HasGeometry()) return false;
    const bool empty = extent.XMin == extent.XMax || extent.YMin == extent.YMax;
    auto meets = [&extent](const TGIS_Extent& e) {
        return e.XMax >= extent.XMin && e.XMin <= extent.XMax && e.YMax >= extent.YMin && e.YMin <= extent.YMax;
    };
    // A paint asks this of every shape twice. An arc's or polygon's draw extent is its extent grown by margins
    // that are never negative, so one that meets the window plainly meets it grown: the margins are not worked
    // out. The style they would read is still asked for below, by the minimum size.
    const uint8_t type = shape->ShapeType();
    const bool plain = InPaint && !empty && shape->Layer == this && Viewer->Zoom() > 0 && !Viewer->Projection() &&
                       (type == gisShapeTypeArc || type == gisShapeTypePolygon) && meets(shape->GetExtent());
    if (!plain) {
        const TGIS_Extent e = shape->GetProjectedExtent();
        if (empty || !meets(e)) return false;
    }
    // The minimum size depends on the zoom of the moment: it hides shapes from a picture, never from the data.
    if (!InPaint) return true;
    const int32_t minSize = shape->GetMinDrawSize();
    if (minSize == 0 || shape->ShapeType() == gisShapeTypePoint) return true;
    const TGIS_Extent p = shape->GetPointsExtent();
    return ((p.XMax - p.XMin) + (p.YMax - p.YMin)) * Viewer->Zoom() >= Viewer->TwipsToPixels(minSize);
}

// ---- shapes ----

TGIS_Shape* TGIS_LayerVector::GetShape(int32_t uid) {
    int index = 0;
    return FindShapeIndex(uid, index) ? Shapes[size_t(index)].get() : nullptr;
}

int32_t TGIS_LayerVector::GetLastUid() { return Shapes.empty() ? 0 : Shapes.back()->Uid; }

int32_t TGIS_LayerVector::GetNewUid() { return GetLastUid() + 1; }

int32_t TGIS_LayerVector::ScanLastUid() {
    SetFilter(GisFullExtent(), "");
    SetSkipDeleted(false);
    int32_t last = 0;
    for (ScanFirst(); !ScanEof(); ScanNext()) last = ScanCurrent()->Uid;
    return last;
}

Variant TGIS_LayerVector::GetField(int32_t uid, const std::string& name) {
    TGIS_Shape* s = GetShape(uid);
    return s ? s->GetField(name) : Variant();
}

uint8_t TGIS_LayerVector::GetDefaultShapeType() const {
    for (uint8_t t = gisShapeTypePoint; t <= gisShapeTypePolygon; ++t)
        if (SupportedShapeTypes & GisShapeTypeBit(t)) return t;
    return gisShapeTypeNull;
}

TGIS_Shape* TGIS_LayerVector::CreateShape(uint8_t shapeType) {
    const uint8_t t = shapeType == gisShapeTypeNull ? GetDefaultShapeType() : shapeType;
    if (t < gisShapeTypePoint || t > gisShapeTypePolygon || !(SupportedShapeTypes & GisShapeTypeBit(t)))
        return nullptr;
    std::unique_ptr<TGIS_Shape> s;
    switch (t) {
    case gisShapeTypePoint: s = std::make_unique<TGIS_ShapePoint>(nullptr, nullptr, 0, false, 0, this); break;
    case gisShapeTypeMultipoint:
        s = std::make_unique<TGIS_ShapeMultipoint>(nullptr, nullptr, 0, false, 0, this);
        break;
    case gisShapeTypeArc: s = std::make_unique<TGIS_ShapeArc>(nullptr, nullptr, 0, false, 0, this); break;
    default: s = std::make_unique<TGIS_ShapePolygon>(nullptr, nullptr, 0, false, 0, this); break;
    }
    s->Uid = GetNewUid();
    TGIS_Shape* result = s.get();
    Shapes.push_back(std::move(s));
    result->AddToRTree();
    return result;
}

void TGIS_LayerVector::DeleteShape(int32_t uid) {
    TGIS_Shape* s = GetShape(uid);
    if (!s) return;
    if (TGIS_Shape* editable = s->MakeEditableCopy()) editable->Delete();
}

void TGIS_LayerVector::RevertShape(int32_t uid) {
    int index = 0;
    if (!FindShapeIndex(uid, index)) return;
    std::unique_ptr<TGIS_Shape> s = std::move(Shapes[size_t(index)]);
    Shapes.erase(Shapes.begin() + index);
    if (CurrentShape == s.get()) CurrentShape = nullptr;
    if (Cursor > index) --Cursor;
    // Deleting takes its entry out of the index; the file's version, if any, goes back in.
    s->Delete();
    ForgetShape(s.get());
    s.reset();
    if (TGIS_Shape* original = GetShape(uid)) original->AddToRTree();
}

void TGIS_LayerVector::DeselectShape(int32_t uid) {
    if (TGIS_Shape* s = GetShape(uid)) s->Selected = false;
}

void TGIS_LayerVector::DeselectAll() {
    for (auto& s : Shapes) s->Selected = false;
}

TGIS_ParamsSectionVector* TGIS_LayerVector::GetParams() {
    return static_cast<TGIS_ParamsSectionVector*>(TGIS_LayerAbstract::GetParams());
}

void TGIS_LayerVector::SetJoinPrimary(const std::string& name) {
    JoinPrimary = name;
    JoinActive = true;
}

void TGIS_LayerVector::SetJoinForeign(const std::string& name) {
    JoinForeign = name;
    JoinActive = true;
}

Variant TGIS_LayerVector::GetFileField(int32_t, const std::string&) { return Variant(); }

Variant TGIS_LayerVector::GetTableField(int32_t, int) { return Variant(); }

void TGIS_LayerVector::CreateEmpty(const std::string&, const TGIS_Extent&, uint8_t) {
    throw EGIS_Exception(GIS_RS_ERR_UNIMPLEMENTED, "", 0);
}

void TGIS_LayerVector::WriteFromLayer(TGIS_LayerVector&, const std::string&, const TGIS_Extent&, uint8_t,
                                      const std::string&, bool) {
    throw EGIS_Exception(GIS_RS_ERR_UNIMPLEMENTED, "", 0);
}

// ---- fields ----

int TGIS_LayerVector::FindField(const std::string& name) const {
    for (size_t i = 0; i < Fields.size(); ++i)
        if (AnsiCompareText(Fields[i]->NewName, name) == 0) return int(i);
    return -1;
}

int TGIS_LayerVector::FindFieldOriginal(const std::string& name) const {
    for (size_t i = 0; i < Fields.size(); ++i)
        if (AnsiCompareText(Fields[i]->Name, name) == 0) return int(i);
    return -1;
}

void TGIS_LayerVector::AddField(const std::string& name, uint8_t type, int32_t width, int32_t decimals) {
    if (FindField(name) >= 0) throw EGIS_Exception(GIS_RS_ERR_FIELDEXIST, name, 0);
    auto f = std::make_unique<TGIS_FieldInfo>();
    f->FieldType = type;
    f->NewName = name;
    f->NewWidth = width;
    f->NewDecimals = decimals;
    Fields.push_back(std::move(f));
    StructureModified = true;
}

void TGIS_LayerVector::AddFieldInternal(const std::string& name, uint8_t type, int32_t width, int32_t decimals,
                                        int32_t binaryWidth) {
    if (FindField(name) >= 0) throw EGIS_Exception(GIS_RS_ERR_FIELDEXIST, name, 0);
    AppendFileField(name, type, width, decimals, binaryWidth);
}

void TGIS_LayerVector::AppendFileField(const std::string& name, uint8_t type, int32_t width, int32_t decimals,
                                       int32_t binaryWidth) {
    auto f = std::make_unique<TGIS_FieldInfo>();
    f->FieldType = type;
    f->Name = f->NewName = name;
    f->Width = f->NewWidth = width;
    f->Decimals = f->NewDecimals = decimals;
    f->BinaryWidth = binaryWidth;
    Fields.push_back(std::move(f));
}

void TGIS_LayerVector::ModifyField(const std::string& name, const std::string& newName, int32_t width,
                                   int32_t decimals) {
    const int i = FindField(name);
    if (i < 0) throw EGIS_Exception(GIS_RS_ERR_FIELDNOTEXIST, name, 0);
    TGIS_FieldInfo& f = *Fields[size_t(i)];
    if (f.NewName != newName) {
        f.NewName = newName;
        StructureModified = true;
    }
    if (f.NewWidth != width) {
        f.NewWidth = width;
        StructureModified = true;
    }
    if (f.NewDecimals != decimals) {
        f.NewDecimals = decimals;
        StructureModified = true;
    }
}

void TGIS_LayerVector::DeleteField(const std::string& name) {
    const int i = FindField(name);
    if (i < 0) throw EGIS_Exception(GIS_RS_ERR_FIELDNOTEXIST, name, 0);
    Fields[size_t(i)]->Deleted = true;
    StructureModified = true;
}

TGIS_FieldInfo* TGIS_LayerVector::FieldInfo(int index) {
    return index >= 0 && index < int(Fields.size()) ? Fields[size_t(index)].get() : nullptr;
}

void TGIS_LayerVector::AddFieldsFrom(TGIS_LayerVector& layer) {
    for (int i = 0; TGIS_FieldInfo* f = layer.FieldInfo(i); ++i)
        if (FindField(f->NewName) < 0) AddField(f->NewName, f->FieldType, f->NewWidth, f->NewDecimals);
}

void TGIS_LayerVector::PrepareExportNames(int maxWidth) {
    const size_t width = size_t(std::max(maxWidth, 4));
    std::vector<std::string> previous;
    for (auto& f : Fields) {
        previous.push_back(f->ExportName);
        f->ExportName.clear();
    }
    for (size_t i = 0; i < Fields.size(); ++i) {
        std::string n = Trim(Fields[i]->NewName.substr(0, width));
        if (n.empty()) n = std::string("FIELD").substr(0, width);
        if (!IsLetterOrUnderscore(n[0])) n[0] = 'F';
        for (size_t k = 1; k < n.size(); ++k)
            if (!IsNameChar(n[k])) n[k] = '_';
        auto taken = [&](const std::string& candidate) {
            for (size_t j = 0; j < i; ++j)
                if (AnsiCompareText(Fields[j]->ExportName, candidate) == 0) return true;
            return false;
        };
        // The counter replaces the stem's tail, so that the name keeps the width even past two hex digits.
        for (int counter = 1; taken(n); ++counter) {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%02X", unsigned(counter));
            const size_t len = std::strlen(digits);
            n = n.substr(0, width > len ? width - len : 0) + digits;
        }
        Fields[i]->ExportName = n;
        if (n != previous[i]) StructureModified = true;
    }
}
