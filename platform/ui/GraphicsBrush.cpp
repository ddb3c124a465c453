#include "platform/ui/Graphics.h"

#include <algorithm>

#include "platform/ui/Bitmap.h"
#include "platform/ui/GraphicsInternal.h"
#include "platform/ui/QtGlue.h"

namespace {
const TEnumInfo BrushStyleIdents{{"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal",
                                  "bsCross", "bsDiagCross"}};
}  // namespace

const TClassInfo& TBrush::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TBrush", &TPersistent::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<TBrush, TColor>("Color", &TBrush::Color, &TBrush::SetColor, clWhite),
                   OrdProp<TBrush, TBrushStyle>("Style", &TBrush::Style, &TBrush::SetStyle, bsSolid,
                                                &BrushStyleIdents)};
        return c;
    }();
    return ci;
}

TBrush::~TBrush() = default;
void TBrush::SetColor(TColor c) {
    if (color_ == c && style_ != bsClear) return;
    color_ = c;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}
void TBrush::SetStyle(TBrushStyle s) {
    if (Store(style_, s)) Changed();
}
void TBrush::SetBitmap(TBitmap* b) {
    if (b) {
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->Assign(*b);
    } else {
        bitmap_.reset();
    }
    Changed();
}
void TBrush::SetHandle(HBRUSH h) {
    if (!h) return;
    bitmap_.reset();
    switch (h->lb.lbStyle) {
    case BS_NULL: style_ = bsClear; break;
    case BS_HATCHED: style_ = TBrushStyle(bsHorizontal + std::clamp<int>(int(h->lb.lbHatch), 0, 5)); break;
    case BS_PATTERN:
        style_ = bsSolid;
        if (h->lb.lbHatch) {
            bitmap_ = std::make_unique<TBitmap>();
            bitmap_->Assign(*reinterpret_cast<TBitmap*>(h->lb.lbHatch));
        }
        break;
    default: style_ = bsSolid;
    }
    color_ = h->lb.lbColor;
    Changed();
}
void TBrush::Assign(const TBrush& o) {
    color_ = o.color_;
    style_ = o.style_;
    if (o.bitmap_) {
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->Assign(*o.bitmap_);
    } else {
        bitmap_.reset();
    }
    Changed();
}
