// The shape base: geometry buffer, parts, locks, extent and R-tree upkeep, attributes, copies and imports.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "gis/core/GisRTree.h"
#include "gis/layers/GisLayerVector.h"

namespace {

// The buffer is little-endian, as the machines we build for are: a plain copy reads it at any alignment.
constexpr size_t kSpare = 17;  // one point (16 bytes) or one part entry (4 bytes) always fits
constexpr size_t kExtentBytes = 32;
constexpr size_t kMultiHeader = 36;
constexpr size_t kPartsHeader = 40;

// Two small steps for the many shapes of a few points, then by half, so that building point by point stays linear.
size_t CapacityFor(size_t size, size_t current) {
    const size_t need = size + kSpare;
    if (need <= 128) return 128;
    if (need <= 256) return 256;
    return std::max(need, current + current / 2);
}

int32_t ReadInt32(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Names of another length are not compared: GetField asks this four times for every value.
template <size_t N>
bool IsField(const std::string& name, const char (&gisName)[N]) {
    return name.size() == N - 1 && AnsiCompareText(name, gisName) == 0;
}

}  // namespace

TGIS_Shape::TGIS_Shape(uint8_t shapeType, TGIS_Shape* source, const uint8_t* geometry, size_t size, bool mapped,
                       int32_t uid, TGIS_LayerVector* layer)
    : shapeType_(shapeType) {
    Recreate(source, geometry, size, mapped, uid, layer);
}

TGIS_Shape::~TGIS_Shape() = default;

int64_t TGIS_Shape::CheckGeometry(uint8_t shapeType, const uint8_t* geometry, size_t size) {
    if (!geometry) return -1;
    switch (shapeType) {
    case gisShapeTypePoint: return size >= 16 ? 16 : -1;
    case gisShapeTypeMultipoint: {
        if (size < kMultiHeader) return -1;
        const int64_t n = ReadInt32(geometry + kExtentBytes);
        if (n < 0) return -1;
        const int64_t total = int64_t(kMultiHeader) + 16 * n;
        return uint64_t(total) <= size ? total : -1;
    }
    case gisShapeTypeArc:
    case gisShapeTypePolygon: {
        if (size < kPartsHeader) return -1;
        const int64_t parts = ReadInt32(geometry + kExtentBytes);
        const int64_t points = ReadInt32(geometry + kExtentBytes + 4);
        // A buffer we build always has a part; without one, every reader would have to ask first.
        if (parts < 1 || points < 0) return -1;
        const int64_t total = int64_t(kPartsHeader) + 4 * parts + 16 * points;
        if (uint64_t(total) > size) return -1;
        // Parts ascend strictly: only the last one may be empty, as after AddPart.
        int64_t previous = -1;
        for (int64_t i = 0; i < parts; ++i) {
            const int64_t start = ReadInt32(geometry + kPartsHeader + 4 * i);
            if ((i == 0 && start != 0) || start <= previous || start > points) return -1;
            previous = start;
        }
        return total;
    }
    default: return -1;
    }
}

bool TGIS_Shape::Recreate(TGIS_Shape* source, const uint8_t* geometry, size_t size, bool mapped, int32_t uid,
                          TGIS_LayerVector* layer) {
    QM_ASSERT(source != this, GIS_RS_ERR_UNTESTED);
    QM_ASSERT(!source || source->shapeType_ == shapeType_, GIS_RS_ERR_UNTESTED);
    InRTree = false;
    owned_.reset();
    geometry_ = nullptr;
    capacity_ = 0;
    mapped_ = false;
    FreeOwnParams();
    Values.reset();

    bool accepted = true;
    if (source) {
        Deleted = source->Deleted;
        Selected = source->Selected;
        FormatWord[0] = source->FormatWord[0];
        FormatWord[1] = source->FormatWord[1];
        Uid = uid != 0 ? uid : source->Uid;
        Layer = layer ? layer : source->Layer;
        if (source->geometry_) {
            if (source->mapped_) {
                geometry_ = source->geometry_;
                mapped_ = true;
            } else {
                const size_t n = source->GeometrySize();
                AllocateGeometry(n);
                std::memcpy(owned_.get(), source->geometry_, n);
            }
        }
        if (source->HasOwnParams()) {
            auto params = std::make_unique<TGIS_ParamsSectionVector>();
            params->Assign(*source->OwnParams());
            SetOwnParams(std::move(params));
        }
        if (source->Values) Values = std::make_unique<TGIS_VariantList>(*source->Values);
    } else {
        Deleted = false;
        Selected = false;
        FormatWord[0] = FormatWord[1] = 0;
        Uid = uid;
        Layer = layer;
        if (geometry) {
            const int64_t n = CheckGeometry(shapeType_, geometry, size);
            if (n < 0) {
                accepted = false;
            } else if (mapped) {
                geometry_ = geometry;
                mapped_ = true;
            } else {
                AllocateGeometry(size_t(n));
                std::memcpy(owned_.get(), geometry, size_t(n));
            }
        }
    }
    return accepted;
}

// ---- buffer ----

size_t TGIS_Shape::GeometrySize() const {
    if (!geometry_) return 0;
    switch (shapeType_) {
    case gisShapeTypePoint: return 16;
    case gisShapeTypeMultipoint: return kMultiHeader + 16 * size_t(ReadInt(kExtentBytes));
    case gisShapeTypeArc:
    case gisShapeTypePolygon:
        return kPartsHeader + 4 * size_t(ReadInt(kExtentBytes)) + 16 * size_t(ReadInt(kExtentBytes + 4));
    default: AssertErrorHandler(GIS_RS_ERR_UNTESTED, __FILE__, __LINE__);
    }
}

void TGIS_Shape::AllocateGeometry(size_t size) {
    capacity_ = CapacityFor(size, 0);
    owned_ = std::make_unique<uint8_t[]>(capacity_);
    geometry_ = owned_.get();
    mapped_ = false;
}

void TGIS_Shape::EnsureRoom() {
    QM_ASSERT(owned_ != nullptr, GIS_RS_ERR_UNTESTED);
    const size_t used = GeometrySize();
    if (capacity_ - used >= kSpare) return;
    const size_t cap = CapacityFor(used, capacity_);
    auto grown = std::make_unique<uint8_t[]>(cap);
    std::memcpy(grown.get(), owned_.get(), used);
    owned_ = std::move(grown);
    geometry_ = owned_.get();
    capacity_ = cap;
}

void TGIS_Shape::MakeEditable() {
    if (!mapped_) return;
    mapped_ = false;
    if (!geometry_) return;
    const uint8_t* from = geometry_;
    const size_t n = GeometrySize();
    AllocateGeometry(n);
    std::memcpy(owned_.get(), from, n);
}

void TGIS_Shape::FreeGeometry() {
    owned_.reset();
    geometry_ = nullptr;
    capacity_ = 0;
    mapped_ = false;
}

double TGIS_Shape::ReadDouble(size_t offset) const {
    double v;
    std::memcpy(&v, geometry_ + offset, sizeof v);
    return v;
}

int32_t TGIS_Shape::ReadInt(size_t offset) const { return ReadInt32(geometry_ + offset); }

TGIS_Point TGIS_Shape::ReadPoint(size_t offset) const { return {ReadDouble(offset), ReadDouble(offset + 8)}; }

void TGIS_Shape::WriteDouble(size_t offset, double v) {
    QM_ASSERT(owned_ && offset + sizeof v <= capacity_, GIS_RS_ERR_UNTESTED);
    std::memcpy(owned_.get() + offset, &v, sizeof v);
}

void TGIS_Shape::WriteInt(size_t offset, int32_t v) {
    QM_ASSERT(owned_ && offset + sizeof v <= capacity_, GIS_RS_ERR_UNTESTED);
    std::memcpy(owned_.get() + offset, &v, sizeof v);
}

void TGIS_Shape::WritePoint(size_t offset, const TGIS_Point& p) {
    WriteDouble(offset, p.X);
    WriteDouble(offset + 8, p.Y);
}

void TGIS_Shape::SetNumPoints(int32_t n) {
    WriteInt(shapeType_ == gisShapeTypeMultipoint ? kExtentBytes : kExtentBytes + 4, n);
}

void TGIS_Shape::SetNumParts(int32_t n) { WriteInt(kExtentBytes, n); }

void TGIS_Shape::SetStoredExtent(const TGIS_Extent& e) {
    WriteDouble(0, e.XMin);
    WriteDouble(8, e.YMin);
    WriteDouble(16, e.XMax);
    WriteDouble(24, e.YMax);
}

size_t TGIS_Shape::PointOffset(int32_t index) const {
    switch (shapeType_) {
    case gisShapeTypePoint: return 0;
    case gisShapeTypeMultipoint: return kMultiHeader + 16 * size_t(index);
    default: return kPartsHeader + 4 * size_t(ReadInt(kExtentBytes)) + 16 * size_t(index);
    }
}

// ---- coordinates ----

TGIS_Point TGIS_Shape::ToViewer(const TGIS_Point& p) const { return Projects() ? Layer->Project(p) : p; }

TGIS_Point TGIS_Shape::ToLayer(const TGIS_Point& p) const { return Projects() ? Layer->Unproject(p) : p; }

int TGIS_Shape::SizeToPixels(int32_t size) const {
    TGIS_Viewer* v = GetViewer();
    if (!v || v->Zoom() <= 0) return 0;
    return v->TwipsToPixels(size);
}

int32_t TGIS_Shape::SmartSizeOfField(const std::string& field) {
    int v = 0;
    try {
        if (!TryStrToInt(VarToStr(GetField(field)), v)) v = 0;
    } catch (const Exception&) {
        v = 0;
    }
    return v;
}

// ---- extents ----

TGIS_Extent TGIS_Shape::GetExtent() const {
    if (!geometry_) return {0, 0, 0, 0};
    return {ReadDouble(0), ReadDouble(8), ReadDouble(16), ReadDouble(24)};
}

TGIS_Extent TGIS_Shape::GetPointsExtent() {
    if (!Projects() || !geometry_ || GetNumPoints() == 0) return GetExtent();
    TGIS_Extent e = GisEmptyExtent();
    for (int part = 0; part < GetNumParts(); ++part)
        for (int i = 0; i < GetPartSize(part); ++i) {
            const TGIS_Point p = GetPoint(part, i);
            e = GisExtentUnion(e, {p.X, p.Y, p.X, p.Y});
        }
    return e;
}

TGIS_Extent TGIS_Shape::GetProjectedExtent() {
    TGIS_Viewer* v = GetViewer();
    if (v && !v->FullPaint()) return GetDrawExtent();
    const TGIS_Extent e = GetExtent();
    return v && v->Projection() ? Layer->ProjectExtent(e) : e;
}

TGIS_Extent TGIS_Shape::GetDrawExtent() {
    TGIS_Viewer* v = GetViewer();
    TGIS_Extent e = GetExtent();
    if (v && v->Projection()) e = Layer->ProjectExtent(e);
    const double zoom = Zoom();
    if (zoom <= 0) return e;
    // Scans in a paint ask this of every shape: the canvas's resolution is read once for all the sizes.
    TGIS_TwipsScale px(*v);
    // Each width in its own convention: the + 1 is a twip for twips and a pixel for pixels.
    auto margin = [&px, zoom](int32_t w) {
        const int32_t grown = w < 0 ? -((-w) * 3 / 4 + 1) : w * 3 / 4 + 1;
        return px(grown) / zoom;
    };
    double m = (px(-3) + 1) / zoom;
    double dx = 0, dy = 0;
    if (TGIS_ParamsSectionVector* params = GetParams()) {
        m = std::max({m, margin(params->Line().Width()), margin(params->Line().OutlineWidth()),
                      margin(params->Area().OutlineWidth())});
        TGIS_ParamsLabel& label = params->Labels();
        if (!label.Field().empty() || !label.Value().empty()) {
            dx = px(label.Width() + label.OutlineWidth() + 1) / zoom;
            dy = px(label.Height() + label.OutlineWidth() + 1) / zoom;
        }
    }
    return {e.XMin - dx - m, e.YMin - dy - m, e.XMax + dx + m, e.YMax + dy + m};
}

void TGIS_Shape::ExtendExtent(const TGIS_Point& p) {
    TGIS_Extent e = GetExtent();
    if (GetNumPoints() == 0) {
        e = {p.X, p.Y, p.X, p.Y};
    } else {
        GisExtentWiden(e, p);
    }
    SetStoredExtent(e);
    if (Layer) Layer->SetExtent(GisExtentUnion(Layer->Extent, e));
}

// ---- parts and points ----

void TGIS_Shape::Unlock() {
    struct Reset {
        int16_t& level;
        ~Reset() { level = 0; }
    } reset{LockLevel};
    if (LockLevel <= 0 || mapped_ || !geometry_) return;
    const TGIS_Extent old = GetExtent();
    LockLevel = 2;
    TGIS_Extent e = old;
    bool first = true;
    for (int part = 0; part < GetNumParts(); ++part)
        for (int i = 0; i < GetPartSize(part); ++i) {
            const TGIS_Point p = GetPoint(part, i);
            if (first)
                e = {p.X, p.Y, p.X, p.Y};
            else
                GisExtentWiden(e, p);
            first = false;
        }
    SetStoredExtent(e);
    if (Layer && !GisIsSameExtent(e, old)) {
        Layer->SetExtent(GisExtentUnion(Layer->Extent, e));
        UpdateRTree();
    }
}

void TGIS_Shape::AddPart() {
    MakeEditable();
    if (!geometry_) {
        AllocateGeometry(kPartsHeader + 4);
        SetStoredExtent({0, 0, 0, 0});
        SetNumParts(1);
        SetNumPoints(0);
        WriteInt(kPartsHeader, 0);
        return;
    }
    const int32_t parts = GetNumParts();
    if (GetPartSize(parts - 1) < 1) return;
    EnsureRoom();
    const int32_t points = GetNumPoints();
    const size_t block = kPartsHeader + 4 * size_t(parts);
    std::memmove(owned_.get() + block + 4, owned_.get() + block, 16 * size_t(points));
    SetNumParts(parts + 1);
    WriteInt(block, points);
}

TGIS_Point TGIS_Shape::GetPoint(int part, int index) {
    // Arcs and polygons keep the base's parts, which PartPoints reads without a virtual call: a scan that
    // reads every vertex asks this of each.
    if (geometry_ && (shapeType_ == gisShapeTypeArc || shapeType_ == gisShapeTypePolygon)) {
        int32_t count = 0;
        const uint8_t* at = PartPoints(part, count);
        QM_ASSERT(index >= 0 && index < count, GIS_RS_ERR_UNTESTED);
        TGIS_Point p;
        std::memcpy(&p.X, at + 16 * size_t(index), 8);
        std::memcpy(&p.Y, at + 16 * size_t(index) + 8, 8);
        return ToViewer(p);
    }
    QM_ASSERT(index >= 0 && index < GetPartSize(part), GIS_RS_ERR_UNTESTED);
    return ToViewer(ReadPoint(PointOffset(GetPartOffset(part) + index)));
}

TGIS_Point TGIS_Shape::GetFirstPoint() { return GetPoint(0, 0); }

TGIS_Point TGIS_Shape::GetLastPoint() {
    const int part = GetNumParts() - 1;
    return GetPoint(part, GetPartSize(part) - 1);
}

int32_t TGIS_Shape::GetNumPoints() const {
    QM_ASSERT(geometry_ != nullptr, GIS_RS_ERR_UNTESTED);
    return ReadInt(kExtentBytes + 4);
}

int32_t TGIS_Shape::GetNumParts() const {
    QM_ASSERT(geometry_ != nullptr, GIS_RS_ERR_UNTESTED);
    return ReadInt(kExtentBytes);
}

int32_t TGIS_Shape::GetPartSize(int part) const {
    if (!geometry_) return 0;
    const int32_t parts = GetNumParts();
    QM_ASSERT(part >= 0 && part < parts, GIS_RS_ERR_UNTESTED);
    if (parts == 1) return GetNumPoints();
    const int32_t end = part == parts - 1 ? GetNumPoints() : ReadInt(kPartsHeader + 4 * size_t(part + 1));
    return end - ReadInt(kPartsHeader + 4 * size_t(part));
}

int32_t TGIS_Shape::GetPartOffset(int part) const {
    QM_ASSERT(geometry_ && GetNumParts() >= 1 && part >= 0 && part < GetNumParts(), GIS_RS_ERR_UNTESTED);
    return ReadInt(kPartsHeader + 4 * size_t(part));
}

const uint8_t* TGIS_Shape::PartPointsOf(int part, int32_t& count) const {
    QM_ASSERT(shapeType_ == gisShapeTypeArc || shapeType_ == gisShapeTypePolygon, GIS_RS_ERR_UNTESTED);
    count = TGIS_Shape::GetPartSize(part);
    if (count <= 0) return nullptr;
    // GetPartSize has checked the part: its offset and PointOffset are read straight from the header, as drawing
    // asks this of every ring.
    return geometry_ + kPartsHeader + 4 * size_t(ReadInt(kExtentBytes)) +
           16 * size_t(ReadInt(kPartsHeader + 4 * size_t(part)));
}

void TGIS_Shape::SetPartPoint(int part, int index, const TGIS_Point& p) {
    const int32_t size = GetPartSize(part);
    EnsureRoom();
    if (LockLevel == 0) ExtendExtent(p);
    const int32_t at = GetPartOffset(part) + (index >= 0 ? index : size);
    const bool grows = !(index >= 0 && index < size - 1);
    // Only the last part can grow, and only at its end.
    QM_ASSERT(at <= GetNumPoints() && (!grows || part == GetNumParts() - 1), GIS_RS_ERR_UNTESTED);
    WritePoint(PointOffset(at), p);
    if (grows) SetNumPoints(GetNumPoints() + 1);
}

TGIS_Point TGIS_Shape::NearestVertex(const TGIS_Point& p, double tolerance, double& distance) {
    TGIS_Point vertex = p;
    double best = std::fabs(tolerance);
    if (geometry_)
        for (int part = 0; part < GetNumParts(); ++part)
            for (int i = 0; i < GetPartSize(part); ++i) {
                const TGIS_Point q = GetPoint(part, i);
                const double d = GisPointDistance(p, q);
                if (d < best) {
                    best = d;
                    vertex = q;
                }
            }
    distance = best;
    return vertex;
}

double TGIS_Shape::Distance(const TGIS_Point& p, double tolerance) {
    double best = GIS_MAX_DISTANCE;
    if (!geometry_) return best;
    TGIS_Point nearest;
    for (int part = 0; part < GetNumParts(); ++part) best = std::min(best, DistanceToPart(p, part, nearest, tolerance));
    return best;
}

// ---- base relations: nothing relates ----

bool TGIS_Shape::RelateCircle(const TGIS_Point&, uint8_t, double) { return false; }
bool TGIS_Shape::RelateExtent(const TGIS_Extent&, uint8_t) { return false; }
bool TGIS_Shape::RelateShape(TGIS_Shape*, uint8_t) { return false; }
bool TGIS_Shape::Intersects(TGIS_Shape*) { return false; }
TGIS_PointList TGIS_Shape::RelateShapeEx(TGIS_Shape*) { return {}; }
std::unique_ptr<TGIS_Shape> TGIS_Shape::Clip(const TGIS_Extent&) { return nullptr; }

// ---- imports ----

namespace {

void CopyShapeInto(TGIS_Shape& target, std::unique_ptr<TGIS_Shape> other) {
    target.FreeGeometry();
    if (!other || other->ShapeType() != target.ShapeType() || !other->HasGeometry()) return;
    for (int part = 0; part < other->GetNumParts(); ++part) {
        target.AddPart();
        for (int i = 0; i < other->GetPartSize(part); ++i) target.AddPoint(other->GetPoint(part, i));
    }
}

}  // namespace

void TGIS_Shape::ImportWKT(const std::string& text) { CopyShapeInto(*this, CreateFromWKT(text)); }

void TGIS_Shape::ImportWKB(const TGIS_Bytes& bytes) { CopyShapeInto(*this, CreateFromWKB(bytes)); }

// ---- attributes ----

Variant TGIS_Shape::GetField(const std::string& name) {
    if (IsField(name, "gis_uid")) return Variant(int(Uid));
    if (IsField(name, "gis_selected")) return Variant(Selected);
    if (IsField(name, "gis_area")) return Variant(Area());
    if (IsField(name, "gis_length")) return Variant(Length());
    const int index = Layer ? Layer->FindField(name) : -1;
    Variant v;
    if (index >= 0) {
        if (Values && index < Values->Count())
            v = Values->GetItem(index);
        else if (!Layer->Fields[size_t(index)]->Name.empty())
            v = Layer->GetFileField(Uid, Layer->Fields[size_t(index)]->Name);
        else
            v = Layer->GetTableField(Uid, index);
    }
    if (index < 0 && Layer && LocateJoinRecord()) {
        v = Layer->JoinTable->Value(name);
        if (v.IsString() && Layer->GetCodePage() != Layer->GetOutCodePage())
            v = Variant(GisConvertCodePage(v.StrRef(), Layer->GetCodePage(), Layer->GetOutCodePage()));
    }
    if (!v.IsEmpty() && !v.IsNull()) return v;
    if (index >= 0) return GisDefaultFieldValue(Layer->Fields[size_t(index)]->FieldType);
    return Variant();
}

namespace {

double NumberOf(const Variant& v) { return v.IsString() ? GisStrToFloat(v.StrRef()) : v.AsDouble(); }

}  // namespace

void TGIS_Shape::SetField(const std::string& name, const Variant& value) {
    const int index = Layer ? Layer->FindField(name) : -1;
    if (index < 0) throw EGIS_Exception(GIS_RS_ERR_FIELDNOTEXIST, name, 0);
    SetFieldAt(index, value);
}

void TGIS_Shape::SetFieldAt(int index, const Variant& value) {
    QM_ASSERT(Layer && index >= 0 && index < int(Layer->Fields.size()), "field index out of range");
    TGIS_FieldInfo& field = *Layer->Fields[size_t(index)];
    Variant v = value;
    if (v.IsNull() || (v.IsString() && v.StrRef().empty())) v = GisDefaultFieldValue(field.FieldType);

    // Converted before anything is stored, so that a bad value leaves the shape as it was.
    Variant stored;
    switch (field.FieldType) {
    case gisFieldString:
        stored = v;
        if (int32_t(VarToStr(v).size()) > field.NewWidth) field.NewWidth = int32_t(VarToStr(v).size());
        break;
    case gisFieldNumber: {
        const double d = NumberOf(v);
        if (field.NewDecimals != 0) {
            stored = Variant(d);
        } else {
            // Whole numbers beyond 32 bits (a Decimal(12,0) column) stay exact as doubles.
            const double r = std::nearbyint(d);
            if (r >= double(std::numeric_limits<int32_t>::min()) && r <= double(std::numeric_limits<int32_t>::max()))
                stored = Variant(int(r));
            else
                stored = Variant(r);
        }
        break;
    }
    case gisFieldFloat: stored = Variant(NumberOf(v)); break;
    case gisFieldLogical:
        if (!v.IsString()) {
            stored = Variant(v.AsBoolean());
        } else {
            const std::string s = UpperCase(v.StrRef());
            if (s == "T" || s == "Y" || s == "1")
                stored = Variant(true);
            else if (s == "F" || s == "N" || s == "0")
                stored = Variant(false);
            else
                throw EGIS_Exception(GIS_RS_ERR_WRONGBOOLEAN, v.StrRef(), 0);
        }
        break;
    case gisFieldDate: stored = v.IsString() ? Variant::FromDate(StrToDateTime(v.StrRef())) : v; break;
    default: stored = v; break;
    }

    if (!Values) Values = std::make_unique<TGIS_VariantList>();
    while (Values->Count() < index) Values->Add(GetField(Layer->Fields[size_t(Values->Count())]->NewName));
    if (Values->Count() == index)
        Values->Add(stored);
    else
        Values->SetItem(index, stored);
}

// ---- style ----

// ---- layer upkeep ----

void TGIS_Shape::Delete() {
    Deleted = true;
    UpdateRTree();
}

bool TGIS_Shape::IsInRTree() const { return Layer && Layer->HasRTree() && (mapped_ || InRTree); }

void TGIS_Shape::AddToRTree() {
    if (!Layer || !Layer->HasRTree()) return;
    if (Layer->RTreeStale) {
        Layer->PrepareRTree(false);
        return;
    }
    InRTree = true;
    const TGIS_Extent e = GetExtent();
    Layer->RTree->Insert(e, Uid);
    RTreeExtent = GetExtent();
}

void TGIS_Shape::UpdateRTree() {
    if (!Layer || !Layer->HasRTree()) return;
    if (Layer->RTreeStale) {
        Layer->PrepareRTree(false);
        return;
    }
    if (!IsInRTree()) return;
    const bool found = Layer->RTree->Delete(RTreeExtent, Uid);
    QM_ASSERT(found, GIS_RS_ERR_UNTESTED);
    if (Deleted) {
        InRTree = false;
        return;
    }
    RTreeExtent = GetExtent();
    Layer->RTree->Insert(RTreeExtent, Uid);
    InRTree = true;
}

namespace {

// Numbers compare as numbers, anything else by its text.
int CompareKeys(const Variant& a, const Variant& b) {
    if (a.IsNumeric() && b.IsNumeric()) {
        const double x = a.AsDouble(), y = b.AsDouble();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return a.AsString().compare(b.AsString());
}

}  // namespace

bool TGIS_Shape::LocateJoinRecord() {
    if (!Layer || !Layer->JoinActive) return false;
    TGIS_LayerVector& layer = *Layer;
    if (!layer.JoinTable) {
        layer.JoinActive = false;
        return false;
    }
    // A primary key that is no field would ask the join for itself again, without end.
    if (layer.FindField(layer.JoinPrimary) < 0) return false;
    const Variant key = layer.GetField(Uid, layer.JoinPrimary);
    if (key.IsEmpty() || key.IsNull()) return false;
    TGIS_JoinTable& table = *layer.JoinTable;
    while (!table.Eof() && CompareKeys(table.Value(layer.JoinForeign), key) < 0) table.Next();
    return !table.Eof() && CompareKeys(table.Value(layer.JoinForeign), key) == 0;
}

TGIS_Shape* TGIS_Shape::MakeEditableCopy() {
    if (!Layer) return nullptr;
    TGIS_LayerVector& layer = *Layer;
    if (Uid != 0) {
        int index = 0;
        if (layer.FindShapeIndex(Uid, index)) return layer.Shapes[size_t(index)].get();
        std::unique_ptr<TGIS_Shape> copy = CreateCopy();
        // The copy takes over the entry the file's shape has in the index.
        copy->InRTree = true;
        copy->RTreeExtent = copy->GetExtent();
        TGIS_Shape* result = copy.get();
        layer.Shapes.insert(layer.Shapes.begin() + index, std::move(copy));
        if (layer.Cursor >= index) ++layer.Cursor;
        if (layer.CurrentShape == this) {
            layer.Cursor = index;
            layer.CurrentShape = layer.GetCurrentShape();
        }
        return result;
    }
    std::unique_ptr<TGIS_Shape> copy = CreateCopy();
    copy->Uid = layer.GetNewUid();
    TGIS_Shape* result = copy.get();
    layer.Shapes.push_back(std::move(copy));
    result->AddToRTree();
    return result;
}
