#include "gis/layers/GisLayerDGN.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include "gis/core/GisMappedFiles.h"
#include "platform/rtl/FileIO.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr int32_t kIndexStep = 512;
constexpr int kMaxLinkages = 256;
constexpr size_t kPartsHeader = 40;

enum : uint8_t {
    kCellHeader = 2,
    kLine = 3,
    kLineString = 4,
    kColorTable = 5,
    kShape = 6,
    kDesignHeader = 9,
    kText = 17,
};

// Element style 0..7 to the kernel's pen styles.
constexpr uint8_t kLineStyles[8] = {gisPsSolid, gisPsDot,  gisPsDash,        gisPsDash,
                                    gisPsDashDot, gisPsDash, gisPsDashDotDot, gisPsDashDot};

uint16_t Word(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

// High word first, each word little-endian; signed, as design files put their origin near -2^31.
int32_t MiddleEndian(const uint8_t* p) {
    return int32_t(uint32_t(p[2]) | (uint32_t(p[3]) << 8) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 24));
}

double VaxDouble(const uint8_t* p) {
    static constexpr int kOrder[8] = {1, 0, 3, 2, 5, 4, 7, 6};
    uint64_t bits = 0;
    for (int i : kOrder) bits = (bits << 8) | p[i];
    const int exponent = int((bits >> 55) & 0xFF);
    if (exponent == 0) return 0;
    const uint64_t fraction = bits & ((uint64_t(1) << 55) - 1);
    double v = std::ldexp(0.5 + std::ldexp(double(fraction), -56), exponent - 128);
    if (bits >> 63) v = -v;
    return std::fabs(v) > 1e20 ? 0 : v;
}

void PutDouble(uint8_t* at, double v) { std::memcpy(at, &v, sizeof v); }
void PutInt(uint8_t* at, int32_t v) { std::memcpy(at, &v, sizeof v); }

}  // namespace

struct TGIS_LayerDGN::TImpl {
    explicit TImpl(TGIS_LayerDGN* owner)
        : layer(owner), point(nullptr, nullptr, 0, false, -1, owner), arc(nullptr, nullptr, 0, false, -1, owner),
          polygon(nullptr, nullptr, 0, false, -1, owner) {}

    TGIS_LayerDGN* layer;
    std::unique_ptr<TGIS_MappedStream> stream;
    const uint8_t* view = nullptr;
    int64_t size = 0;

    TGIS_Shape* current = nullptr;
    TGIS_ShapePoint point;
    TGIS_ShapeArc arc;
    TGIS_ShapePolygon polygon;
    // The bytes each work shape maps; one per kind so that a shape read earlier keeps its own.
    std::vector<uint8_t> pointBytes, arcBytes, polygonBytes;

    // Entry k: where the element that hands out uid 512k + 1 is read from, and the uid counter before it.
    std::vector<int64_t> indexPositions{0};
    std::vector<int32_t> indexUids{0};

    int32_t subunitsPerMaster = 0, unitsPerSubunit = 0;
    std::string masterUnit, subUnit;
    double originX = 0, originY = 0, originZ = 0;
    bool threeD = false;
    double scale = 1.0;
    uint8_t colors[256][3] = {};
    // Field indexes of the "DGN_ENT_xx" and "DGN_LNK_xx" pairs made so far.
    std::vector<int> entityFields, linkFields;

    // The current element.
    const uint8_t* elem = nullptr;
    int64_t elemSize = 0;
    int64_t elemPosition = 0;
    int32_t elemUidBefore = 0;
    uint8_t type = 0, level = 0;
    bool complex = false, deleted = false;
    uint16_t word28 = 0, properties = 0;
    uint8_t color = 0, fillColor = 0, weight = 0, style = 0;
    int64_t attributeStart = 0;
    int linkCount = 0;
    int32_t entities[kMaxLinkages] = {}, links[kMaxLinkages] = {};

    double elevation = 0;
    TGIS_Point cellOrigin{0, 0};
    bool inCell = false;
    bool cellPlaced = false;
    // Set while the extent is recalculated: shapes without geometry have no place to add.
    bool placedOnly = false;
    int64_t cellPosition = 0;
    int32_t cellUid = 0;
    int32_t lastUid = -1;
    bool end = true;
    int32_t uidCounter = 0;
    int64_t position = 0;

    void Rewind(int64_t at, int32_t uids) {
        position = at;
        uidCounter = uids;
        linkCount = 0;
        inCell = false;
        end = false;
        current = nullptr;
    }

    uint32_t Color(int index) const {
        // Entry 0 belongs to colour 255; colour i to entry i + 1.
        const uint8_t* c = colors[index >= 255 ? 0 : index + 1];
        return GisMakeColor(c[0], c[1], c[2]);
    }

    bool Holds(int64_t offset, int64_t count) const { return offset >= 0 && count >= 0 && offset + count <= elemSize; }
    int VertexBytes() const { return threeD ? 12 : 8; }
    // The vertex at an offset the element holds; sets the elevation.
    TGIS_Point Vertex(int64_t offset) {
        const uint8_t* p = elem + offset;
        const TGIS_Point v{(double(MiddleEndian(p)) - originX) * scale, (double(MiddleEndian(p + 4)) - originY) * scale};
        elevation = threeD ? (double(MiddleEndian(p + 8)) - originZ) * scale : 0;
        return v;
    }

    int32_t TakeUid() {
        if (uidCounter % kIndexStep == 0) {
            const size_t k = size_t(uidCounter / kIndexStep);
            if (k >= indexPositions.size()) {
                indexPositions.resize(k + 1, 0);
                indexUids.resize(k + 1, 0);
            }
            indexPositions[k] = inCell ? cellPosition : elemPosition;
            indexUids[k] = inCell ? cellUid : elemUidBefore;
        }
        return ++uidCounter;
    }

    void ReadDisplayHeader();
    void ReadAttributes();
    void ReadColorTable();
    void ReadDesignHeader();
    // The work shape over vertices from `offset` on (at most `count`), or nullptr.
    TGIS_Shape* MakeLine(TGIS_Shape& shape, std::vector<uint8_t>& bytes, int64_t offset, int64_t count, int32_t uid);
    TGIS_Shape* MakePoint(const TGIS_Point& p, int32_t uid);
    // One element; the shape it made (before in-memory substitution), or nullptr.
    TGIS_Shape* ReadElement();
    void SetValues(TGIS_Shape& shape, const std::string& label);
    void ApplyFileStyle(TGIS_Shape& shape);
    void AddLinkageFields();
};

void TGIS_LayerDGN::TImpl::ReadDisplayHeader() {
    word28 = properties = 0;
    color = fillColor = weight = style = 0;
    attributeStart = 0;
    linkCount = 0;
    if (elemSize < 36) return;
    word28 = Word(elem + 28);
    attributeStart = 32 + 2 * int64_t(Word(elem + 30));
    properties = Word(elem + 32);
    style = elem[34] & 7;
    weight = elem[34] >> 3;
    color = elem[35];
    if (properties & 0x800) ReadAttributes();
}

void TGIS_LayerDGN::TImpl::ReadAttributes() {
    auto keep = [&](int32_t entity, int32_t link) {
        if (linkCount >= kMaxLinkages) return;
        entities[linkCount] = entity;
        links[linkCount] = link;
        ++linkCount;
    };
    // Each linkage is stepped over by its own length, so that the words inside one (user data above all) are
    // never taken for the header of another.
    int64_t at = attributeStart;
    while (Holds(at, 2)) {
        const uint8_t* p = elem + at;
        const uint16_t header = Word(p) & 0x7FFF;
        if (header == 0) {
            // Database linkage: entity, then the link number's low word and its third byte.
            if (!Holds(at, 8)) break;
            keep(Word(p + 2), int32_t(Word(p + 4) | (uint32_t(p[6]) << 16)));
            at += 8;
        } else if (header & 0x1000) {
            // The low byte is the linkage's length in words, less the header word.
            // One cut short by the end of the element still gives what it holds, and ends the data.
            const int64_t length = 2 * (int64_t(header & 0xFF) + 1);
            const int64_t held = std::min(length, elemSize - at);
            const uint16_t kind = held >= 4 ? Word(p + 2) : 0;
            auto link = [&](const uint8_t* q) { return int32_t(uint32_t(Word(q)) | (uint32_t(Word(q + 2)) << 16)); };
            if (kind == 0x0041 && held >= 10)
                fillColor = p[8];
            else if (kind == 0x0F81 && held >= 10)
                keep(Word(p + 4), link(p + 6));
            else if (kind == 0x1971 && held >= 12 && Word(p + 4) == 0x0F81)  // XBASE
                keep(Word(p + 6), link(p + 8));
            if (held < length) break;
            at += length;
        } else {
            at += 2;  // no linkage begins here
        }
    }
}

void TGIS_LayerDGN::TImpl::ReadColorTable() {
    if (elemSize < 38 + 768) return;
    std::memcpy(colors, elem + 38, 768);
}

void TGIS_LayerDGN::TImpl::ReadDesignHeader() {
    if (elemSize < 1256) return;
    const int32_t subunits = MiddleEndian(elem + 1112);
    const int32_t units = MiddleEndian(elem + 1116);
    if (subunits == 0 || units == 0) return;
    subunitsPerMaster = subunits;
    unitsPerSubunit = units;
    masterUnit.assign(reinterpret_cast<const char*>(elem + 1120), 2);
    subUnit.assign(reinterpret_cast<const char*>(elem + 1122), 2);
    originX = VaxDouble(elem + 1240);
    originY = VaxDouble(elem + 1248);
    originZ = threeD && elemSize >= 1264 ? VaxDouble(elem + 1256) : 0;
    scale = 1.0 / (double(subunits) * double(units));
}

TGIS_Shape* TGIS_LayerDGN::TImpl::MakeLine(TGIS_Shape& shape, std::vector<uint8_t>& bytes, int64_t offset,
                                            int64_t count, int32_t uid) {
    // Vertices past the element are not there: the count is cut to what it holds.
    const int64_t room = offset < elemSize ? (elemSize - offset) / VertexBytes() : 0;
    if (count > room) count = room;
    if (count <= 0) {
        shape.Recreate(nullptr, nullptr, 0, true, uid, layer);
        return &shape;
    }
    bytes.resize(kPartsHeader + 4 + 16 * size_t(count));
    uint8_t* out = bytes.data();
    TGIS_Extent e = GisEmptyExtent();
    uint8_t* pt = out + kPartsHeader + 4;
    for (int64_t i = 0; i < count; ++i, pt += 16) {
        const TGIS_Point p = Vertex(offset + i * VertexBytes());
        if (p.X < e.XMin) e.XMin = p.X;
        if (p.X > e.XMax) e.XMax = p.X;
        if (p.Y < e.YMin) e.YMin = p.Y;
        if (p.Y > e.YMax) e.YMax = p.Y;
        PutDouble(pt, p.X);
        PutDouble(pt + 8, p.Y);
    }
    PutDouble(out, e.XMin);
    PutDouble(out + 8, e.YMin);
    PutDouble(out + 16, e.XMax);
    PutDouble(out + 24, e.YMax);
    PutInt(out + 32, 1);
    PutInt(out + 36, int32_t(count));
    PutInt(out + 40, 0);
    shape.Recreate(nullptr, out, bytes.size(), true, uid, layer);
    return &shape;
}

TGIS_Shape* TGIS_LayerDGN::TImpl::MakePoint(const TGIS_Point& p, int32_t uid) {
    pointBytes.resize(16);
    PutDouble(pointBytes.data(), p.X);
    PutDouble(pointBytes.data() + 8, p.Y);
    point.Recreate(nullptr, pointBytes.data(), 16, true, uid, layer);
    return &point;
}

TGIS_Shape* TGIS_LayerDGN::TImpl::ReadElement() {
    // What the element before found lost.
    if (stream) stream->CheckView();
    elemPosition = position;
    elemUidBefore = uidCounter;
    if (position < 0 || size - position < 4 || uidCounter == INT32_MAX) {
        end = true;
        return nullptr;
    }
    const uint8_t* h = view + position;
    if (h[0] == 0xFF && h[1] == 0xFF) {
        stream->CheckView();
        end = true;
        return nullptr;
    }
    const int64_t length = 4 + 2 * int64_t(Word(h + 2));
    // An element running past the file ends the design.
    if (length > size - position) {
        end = true;
        return nullptr;
    }
    elem = h;
    elemSize = length;
    position += length;
    level = h[0] & 0x3F;
    complex = (h[0] & 0x80) != 0;
    type = h[1] & 0x7F;
    deleted = (h[1] & 0x80) != 0;
    if (deleted) return nullptr;

    TGIS_Shape* shape = nullptr;
    std::string label;
    bool cellHeader = false;
    switch (type) {
    case kCellHeader: {
        if (!inCell) {
            cellPosition = elemPosition;
            cellUid = elemUidBefore;
        }
        ReadDisplayHeader();
        const int32_t uid = TakeUid();
        const int64_t at = threeD ? 112 : 84;
        if (Holds(at, VertexBytes())) {
            const TGIS_Point p = Vertex(at);
            // An origin left at the design plane's zero is no place: the cell keeps its values but no point,
            // so that it neither draws there nor stretches the layer's extent to it.
            cellPlaced = MiddleEndian(elem + at) != 0 || MiddleEndian(elem + at + 4) != 0;
            if (cellPlaced) {
                shape = MakePoint(p, uid);
            } else {
                point.Recreate(nullptr, nullptr, 0, true, uid, layer);
                shape = &point;
            }
            cellOrigin = p;
            cellHeader = true;
        }
        break;
    }
    case kLine: {
        ReadDisplayHeader();
        shape = MakeLine(arc, arcBytes, 36, 2, TakeUid());
        break;
    }
    case kLineString:
    case kShape: {
        ReadDisplayHeader();
        const int32_t uid = TakeUid();
        const int64_t count = Holds(36, 2) ? Word(elem + 36) : 0;
        if (type == kShape)
            shape = MakeLine(polygon, polygonBytes, 38, count, uid);
        else
            shape = MakeLine(arc, arcBytes, 38, count, uid);
        break;
    }
    case kColorTable:
        if (level == 1) ReadColorTable();
        break;
    case kDesignHeader: ReadDesignHeader(); break;
    case 11:
    case 15:
    case 16:
    case 21: TakeUid(); break;
    case kText: {
        ReadDisplayHeader();
        const int32_t uid = TakeUid();
        const int64_t at = threeD ? 62 : 50;
        const int64_t textAt = at + VertexBytes() + 2;
        if (Holds(at, VertexBytes() + 2) && Holds(textAt, elem[textAt - 2])) {
            const TGIS_Point p = Vertex(at);
            shape = MakePoint(inCell && cellPlaced ? cellOrigin : p, uid);
            label.assign(reinterpret_cast<const char*>(elem + textAt), elem[textAt - 2]);
        }
        break;
    }
    default: break;
    }
    inCell = cellHeader;
    if (!shape) return nullptr;

    AddLinkageFields();
    SetValues(*shape, label);
    if (layer->UseFileParams) ApplyFileStyle(*shape);
    return shape;
}

void TGIS_LayerDGN::TImpl::AddLinkageFields() {
    if (int(entityFields.size()) >= linkCount) return;
    std::vector<std::pair<std::string, int32_t>> wanted;
    for (size_t k = entityFields.size(); int(k) < linkCount; ++k) {
        char suffix[4];
        std::snprintf(suffix, sizeof suffix, "%.2X", unsigned(k));
        wanted.emplace_back(std::string("DGN_ENT_") + suffix, 5);
        wanted.emplace_back(std::string("DGN_LNK_") + suffix, 10);
    }
    // AddFieldInternal searches every field for each name, which for up to 512 names costs more than reading
    // the file. One pass finds whether any of them is taken; only then does AddFieldInternal raise its error.
    std::unordered_set<std::string> names;
    for (const auto& w : wanted) names.insert(AnsiLowerCase(w.first));
    bool taken = false;
    for (const auto& f : layer->Fields)
        if (f->NewName.size() == wanted[0].first.size() && names.count(AnsiLowerCase(f->NewName))) taken = true;
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (taken) {
            layer->AddFieldInternal(wanted[i].first, gisFieldNumber, wanted[i].second, 0, 0);
        } else {
            layer->AppendFileField(wanted[i].first, gisFieldNumber, wanted[i].second, 0, 0);
        }
        (i % 2 ? linkFields : entityFields).push_back(int(layer->Fields.size()) - 1);
    }
}

void TGIS_LayerDGN::TImpl::SetValues(TGIS_Shape& shape, const std::string& label) {
    // Straight into the shape's values by field index: the file's own fields come first.
    auto values = std::make_unique<TGIS_VariantList>();
    values->Add(Variant(int(level)));
    values->Add(Variant(elevation));
    if (!label.empty()) {
        values->Add(Variant(label));
        TGIS_FieldInfo& field = *layer->Fields[2];
        if (int32_t(label.size()) > field.NewWidth) field.NewWidth = int32_t(label.size());
    }
    auto set = [&values](int index, int32_t v) {
        while (values->Count() <= index) values->Add(Variant());
        values->SetItem(index, Variant(int(v)));
    };
    for (int i = 0; i < linkCount; ++i) {
        set(entityFields[size_t(i)], entities[i]);
        set(linkFields[size_t(i)], links[i]);
    }
    shape.Values = std::move(values);
}

void TGIS_LayerDGN::TImpl::ApplyFileStyle(TGIS_Shape& shape) {
    TGIS_ParamsSectionVector* params = shape.GetParams();
    if (!params) return;
    TGIS_Viewer* viewer = layer->Viewer;
    // Without a viewer the width stays in pixels, which is what the twips would come back to.
    const int32_t width = viewer ? viewer->PixelsToTwips(weight + 1) : -(weight + 1);
    switch (shape.ShapeType()) {
    case gisShapeTypeArc: {
        TGIS_ParamsLine& line = params->Line();
        line.SetSmartSize(0);
        line.SetColor(Color(color));
        line.SetWidth(width);
        line.SetStyle(kLineStyles[style]);
        break;
    }
    case gisShapeTypePolygon: {
        TGIS_ParamsArea& area = params->Area();
        area.SetSmartSize(0);
        area.SetOutlineColor(Color(color));
        area.SetOutlineWidth(width);
        area.SetOutlineStyle(kLineStyles[style]);
        // The fill linkage decides whether the shape is filled; the element's own colour fills it.
        if (fillColor == 0) {
            area.SetPattern(gisBsClear);
        } else {
            area.SetPattern(gisBsSolid);
            area.SetColor(Color(color));
        }
        break;
    }
    default: {
        TGIS_ParamsMarker& marker = params->Marker();
        marker.SetSmartSize(0);
        marker.SetSize(90);
        params->Labels().SetField("DGN_LABEL");
        params->Labels().SetWidth(-1000);
        break;
    }
    }
    params->SetShape(nullptr);
}

// ---- layer ----

TGIS_LayerDGN::TGIS_LayerDGN() : impl_(std::make_unique<TImpl>(this)) { Capabilities = 1; }

TGIS_LayerDGN::~TGIS_LayerDGN() {
    // The work shapes go before the layer's lists, which may still point at them.
    CurrentShape = nullptr;
    ForgetShape(nullptr);
}

void TGIS_LayerDGN::Open(TGIS_Viewer* viewer) {
    TGIS_LayerVector::Open(viewer);
    TImpl& d = *impl_;
    d.lastUid = -1;
    d.current = nullptr;
    d.stream.reset();
    d.view = nullptr;
    d.size = 0;
    d.end = true;
    auto stream = std::make_unique<TGIS_MappedStream>(Path, false);
    if (DiskExists(Path)) FileTime = FileAge(Path);
    const uint8_t* v = stream->Memory();
    // A design file header element: level 8, type 9, 766 words.
    if (stream->Size() < 4 || (v[0] & 0x0F) != 8 || v[1] != 9 || v[2] != 0xFE || v[3] != 2)
        throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, Path, 0);
    d.stream = std::move(stream);
    d.view = v;
    d.size = d.stream->Size();
    d.threeD = v[0] == 0xC8;
    d.scale = 1.0;
    d.originX = d.originY = d.originZ = 0;
    d.subunitsPerMaster = d.unitsPerSubunit = 0;
    std::memset(d.colors, 0, sizeof d.colors);
    d.indexPositions.assign(1, 0);
    d.indexUids.assign(1, 0);
    AddFieldInternal("DGN_LEVEL", gisFieldNumber, 12, 0, 0);
    AddFieldInternal("DGN_ELEVATION", gisFieldNumber, 18, 6, 0);
    AddFieldInternal("DGN_LABEL", gisFieldString, 5, 0, 0);
    d.entityFields.clear();
    d.linkFields.clear();
}

void TGIS_LayerDGN::RecalcExtent() {
    struct Placed {
        bool& flag;
        explicit Placed(bool& f) : flag(f) { flag = true; }
        ~Placed() { flag = false; }
    } placed(impl_->placedOnly);
    TGIS_LayerVector::RecalcExtent();
}

std::string TGIS_LayerDGN::GetRTreePath() { return Path + ".rtree"; }

void TGIS_LayerDGN::ScanFirst() {
    impl_->Rewind(0, 0);
    if (!impl_->view) impl_->end = true;
    MoveFirst();
    ScanNext();
}

void TGIS_LayerDGN::ScanNext() {
    TImpl& d = *impl_;
    for (;;) {
        d.current = nullptr;
        while (!d.end && !d.current) {
            if (TGIS_Shape* shape = d.ReadElement()) d.current = FindEditedShape(shape);
        }
        if (!d.current) {
            // After the file, the shapes made in memory that no file element stood for.
            if (Eof()) return;
            d.current = GetCurrentShape();
            MoveNext();
        }
        if (SkipDeleted && d.current->Deleted) continue;
        if (d.placedOnly && !d.current->HasGeometry()) continue;
        if (MatchesFilter()) return;
    }
}

bool TGIS_LayerDGN::ScanEof() { return impl_->current == nullptr; }

TGIS_Shape* TGIS_LayerDGN::ScanCurrent() { return impl_->current; }

TGIS_Shape* TGIS_LayerDGN::GetShape(int32_t uid) {
    TImpl& d = *impl_;
    if (uid < 1) return nullptr;
    if (d.current && d.current->Uid == uid) return d.current;
    if (TGIS_Shape* s = TGIS_LayerVector::GetShape(uid)) return s;
    if (!d.view) return nullptr;
    size_t k = size_t((uid - 1) / kIndexStep);
    if (k >= d.indexPositions.size()) k = d.indexPositions.size() - 1;
    // A uid ahead of the elements read so far, and not beyond an index entry, is read on from there: asking
    // for uids in order then reads every element once instead of up to 512 times.
    if (d.end || d.uidCounter >= uid || d.uidCounter < d.indexUids[k]) d.Rewind(d.indexPositions[k], d.indexUids[k]);
    // Straight through the elements: the scan's filter has no say in which uid a shape has.
    TGIS_Shape* shape = nullptr;
    while (!d.end && d.uidCounter < uid) {
        TGIS_Shape* made = d.ReadElement();
        if (made && made->Uid == uid) shape = made;
    }
    d.current = shape;
    return shape;
}

int32_t TGIS_LayerDGN::GetLastUid() {
    TImpl& d = *impl_;
    if (d.lastUid < 0) {
        int32_t last = 0;
        if (d.view) {
            d.Rewind(0, 0);
            while (!d.end)
                if (TGIS_Shape* s = d.ReadElement()) last = s->Uid;
            d.current = nullptr;
        }
        if (!Shapes.empty() && Shapes.back()->Uid > last) last = Shapes.back()->Uid;
        d.lastUid = last;
    }
    return d.lastUid;
}

int32_t TGIS_LayerDGN::GetNewUid() {
    impl_->lastUid = GetLastUid() + 1;
    return impl_->lastUid;
}

uint32_t TGIS_LayerDGN::FileColor(int index) const {
    if (index < 0 || index > 255) return 0;
    return impl_->Color(index);
}
