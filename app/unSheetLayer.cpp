#include "app/unSheetLayer.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

namespace {
// A ring of four corners and the closing point: extent, part and point counts, one part start, five points.
constexpr size_t kRingBytes = 32 + 4 + 4 + 4 + 5 * 16;
constexpr int kFields = 13;
const char* const kCorners[kFields - 1] = {"LB_L", "LB_B", "RT_L", "RT_B", "LT_X", "LT_Y",
                                           "RT_X", "RT_Y", "RB_X", "RB_Y", "LB_X", "LB_Y"};
}  // namespace

void TSheetLayer::AddSheetFields() {
    AddField("TFH", gisFieldString, 60, 0);
    for (const char* f : kCorners) AddField(f, gisFieldNumber, 15, 5);
}

template <class Lists> void TSheetLayer::Index(const Lists& lists) {
    starts_.assign(1, 0);
    starts_.reserve(lists.size() + 1);
    size_t longest = 0;
    for (const auto& list : lists) {
        starts_.push_back(starts_.back() + list.size());
        for (const auto& t : list) {
            if constexpr (std::is_same_v<Lists, TStandardTessarols>)
                longest = std::max(longest, t.SheetNo.size());
            else
                longest = std::max(longest, t.Name.size());
        }
    }
    firstUid_ = GetNewUid();
    // A shape per sheet follows: the list of a million grows once, not twenty times over.
    Shapes.reserve(Shapes.size() + starts_.back());
    rings_ = std::make_unique_for_overwrite<uint8_t[]>(starts_.back() * kRingBytes);
    added_ = 0;
    TGIS_FieldInfo& number = *Fields.at(0);
    if (int32_t(longest) > number.NewWidth) number.NewWidth = int32_t(longest);
}

void TSheetLayer::SetSheets(TStandardTessarols sheets) {
    standard_ = std::move(sheets);
    custom_.clear();
    Index(standard_);
}

void TSheetLayer::SetSheets(TCustomTessarols sheets) {
    custom_ = std::move(sheets);
    standard_.clear();
    Index(custom_);
}

TGIS_Shape* TSheetLayer::AddSheet(const TGIS_Point (&corners)[4]) {
    // Past the sheets, or with an R-tree whose entries follow the shapes' own buffers, the shape is built in place.
    if (added_ >= starts_.back() || HasRTree()) {
        TGIS_Shape* shape = CreateShape(gisShapeTypePolygon);
        shape->Lock(1);
        shape->AddPart();
        for (const TGIS_Point& p : corners) shape->AddPoint(p);
        shape->Unlock();
        return shape;
    }
    // The builder belongs to the layer, so that its Unlock widens the layer's extent as the shape's own would.
    if (!builder_) builder_ = std::make_unique<TGIS_ShapePolygon>();
    TGIS_ShapePolygon& b = *builder_;
    b.Recreate(nullptr, nullptr, 0, false, 0, this);
    b.Lock(1);
    b.AddPart();
    for (const TGIS_Point& p : corners) b.AddPoint(p);
    b.Unlock();
    const size_t n = b.GeometrySize();
    QM_ASSERT(n <= kRingBytes, "a ring of four corners");
    uint8_t* ring = rings_.get() + added_ * kRingBytes;
    std::memcpy(ring, b.Geometry(), n);
    TGIS_Shape* shape = CreateShape(gisShapeTypePolygon);
    shape->Recreate(nullptr, ring, n, true, shape->Uid, this);
    ++added_;
    return shape;
}

std::pair<size_t, size_t> TSheetLayer::Locate(size_t k) const {
    const size_t list = size_t(std::upper_bound(starts_.begin(), starts_.end(), k) - starts_.begin()) - 1;
    return {list, k - starts_[list]};
}

Variant TSheetLayer::GetTableField(int32_t uid, int index) {
    const int64_t k = int64_t(uid) - firstUid_;
    if (index < 0 || index >= kFields || k < 0 || uint64_t(k) >= starts_.back()) return Variant();
    const auto [list, at] = Locate(size_t(k));
    if (!standard_.empty()) {
        const TStandardTessarol& t = standard_[list][at];
        switch (index) {
        case 0: return Variant(t.SheetNo);
        case 1: return Variant(DmsToDegree(t.West));
        case 2: return Variant(DmsToDegree(t.South));
        case 3: return Variant(DmsToDegree(t.East));
        case 4: return Variant(DmsToDegree(t.North));
        case 5: return Variant(t.LT.X);
        case 6: return Variant(t.LT.Y);
        case 7: return Variant(t.RT.X);
        case 8: return Variant(t.RT.Y);
        case 9: return Variant(t.RB.X);
        case 10: return Variant(t.RB.Y);
        case 11: return Variant(t.LB.X);
        default: return Variant(t.LB.Y);
        }
    }
    const TCustomTessarol& t = custom_[list][at];
    switch (index) {
    case 0: return Variant(t.Name);
    case 5:
    case 11: return Variant(t.MinX);
    case 6:
    case 8: return Variant(t.MaxY);
    case 7:
    case 9: return Variant(t.MaxX);
    case 10:
    case 12: return Variant(t.MinY);
    default: return Variant(0.0);
    }
}
