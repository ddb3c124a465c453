#include "platform/ui/Graphics.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/GraphicsInternal.h"
#include "platform/ui/QtGlue.h"

namespace {
const TEnumInfo PenStyleIdents{{"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame",
                                "psAlternate"}};
const TEnumInfo PenModeIdents{{"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                               "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask",
                               "pmNotMask", "pmXor", "pmNotXor"}};
}  // namespace

const TClassInfo& TPen::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TPen", &TPersistent::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<TPen, TColor>("Color", &TPen::Color, &TPen::SetColor, clBlack),
                   OrdProp<TPen, int>("Width", &TPen::Width, &TPen::SetWidth, 1),
                   OrdProp<TPen, TPenStyle>("Style", &TPen::Style, &TPen::SetStyle, psSolid, &PenStyleIdents),
                   OrdProp<TPen, TPenMode>("Mode", &TPen::Mode, &TPen::SetMode, pmCopy, &PenModeIdents)};
        return c;
    }();
    return ci;
}

void TPen::SetColor(TColor c) {
    if (d_.color == c) return;
    d_.color = c;
    d_.brush.lbColor = c;
    Changed();
}
void TPen::SetWidth(int w) {
    if (w < 0) w = 0;
    if (Store(d_.width, w)) Changed();
}
void TPen::SetStyle(TPenStyle s) {
    if (Store(d_.style, s)) Changed();
}
void TPen::SetMode(TPenMode m) {
    if (Store(mode_, m)) Changed();
}
void TPen::SetHandle(HPEN pen) {
    if (!pen) return;
    d_ = *pen;
    pattern_.reset();
    if (d_.brush.lbStyle == BS_PATTERN && d_.brush.lbHatch) {
        auto copy = std::make_shared<TBitmap>();
        copy->Assign(*reinterpret_cast<const TBitmap*>(d_.brush.lbHatch));
        pattern_ = copy;
        d_.brush.lbHatch = reinterpret_cast<intptr_t>(copy.get());
    }
    Changed();
}
void TPen::Assign(const TPen& o) {
    d_ = o.d_;
    pattern_ = o.pattern_;
    mode_ = o.mode_;
    Changed();
}
