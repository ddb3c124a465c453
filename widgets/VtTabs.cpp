#include "widgets/VtTabs.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ui/Forms.h"
#include "widgets/VtButton.h"
#include "widgets/VtGrafx.h"
#include "widgets/VtLabel.h"

// ---------------------------------------------------------------- captions
namespace {
std::vector<std::string> SplitLines(const std::string& s) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            lines.emplace_back();
            ++i;
        } else {
            lines.back() += s[i];
        }
    }
    return lines;
}

// The line as shown: "&&" is one ampersand, a single "&" marks the next character (returned in accel).
std::string StripAccel(const std::string& s, int* accel = nullptr) {
    std::string out;
    if (accel) *accel = -1;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size()) {
            ++i;
            if (s[i] != '&' && accel && *accel < 0) *accel = int(out.size());
        }
        out += s[i];
    }
    return out;
}

char AccelChar(const std::string& caption) {
    for (auto& line : SplitLines(caption)) {
        int a;
        std::string t = StripAccel(line, &a);
        if (a >= 0) return char(std::toupper(uint8_t(t[size_t(a)])));
    }
    return 0;
}
}  // namespace

// ---------------------------------------------------------------- tab control
static constexpr UINT HotTrackTimer = 1;
static const TEnumInfo TabStyleIdents{{"tsSingleSlant", "tsDoubleSlant", "tsCutCorner", "tsRoundCorners"}};
static const TEnumInfo TabOrientationIdents{{"toTop", "toLeft", "toBottom", "toRight"}};
static const TEnumInfo TabSequenceIdents{{"tsStandard", "tsReverse"}};
static const TEnumInfo TextOrientationIdents{{"orHorizontal", "orVertical"}};
static const TEnumInfo ImagePositionIdents{{"ipLeft", "ipTop", "ipRight", "ipBottom", "ipBack", "ipStretch"}};
static const TEnumInfo HAlignIdents{{"haLeft", "haCenter", "haRight"}};
static const TEnumInfo VAlignIdents{{"vaTop", "vaCenter", "vaBottom"}};

static const TEnumInfo HotTrackStyleIdents{{"htsTab", "htsText"}};

const TClassInfo& TVtCustomTabControl::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomTabControl;
        TClassInfo c{"TVtCustomTabControl", &TCustomControl::StaticClass(), {}, {}, {}};
        c.props = {
            OrdProp<C, int>("TabIndex", &C::TabIndex, &C::SetTabIndex, -1),
            OrdProp<C, int>("FixedDimension", &C::FixedDimension, &C::SetFixedDimension, 0),
            OrdProp<C, TVtTabStyle>("TabStyle", &C::TabStyle, &C::SetTabStyle, tsSingleSlant, &TabStyleIdents),
            OrdProp<C, TVtTabOrientation>("TabOrientation", &C::TabOrientation, &C::SetTabOrientation, toTop,
                                          &TabOrientationIdents),
            OrdProp<C, TVtTabSequence>("TabSequence", &C::TabSequence, &C::SetTabSequence, tsStandard,
                                       &TabSequenceIdents),
            BoolProp<C>("MultiLine", &C::MultiLine, &C::SetMultiLine, 0),
            BoolProp<C>("AlignTabs", &C::AlignTabs, &C::SetAlignTabs, 0),
            BoolProp<C>("BoldCurrentTab", &C::BoldCurrentTab, &C::SetBoldCurrentTab, 0),
            BoolProp<C>("ShowCardFrame", &C::ShowCardFrame, &C::SetShowCardFrame, 1),
            BoolProp<C>("ShowFullFrame", &C::ShowFullFrame, &C::SetShowFullFrame, 1),
            BoolProp<C>("ShowShadow", &C::ShowShadow, &C::SetShowShadow, 1),
            BoolProp<C>("TabHints", &C::TabHints, &C::SetTabHints, 0),
            BoolProp<C>("AllowTabDragging", &C::AllowTabDragging, &C::SetAllowTabDragging, 0),
            BoolProp<C>("ShowCloseButton", &C::ShowCloseButton, &C::SetShowCloseButton, 0),
            BoolProp<C>("ShowFocusRect", &C::ShowFocusRect, &C::SetShowFocusRect, 1),
            BoolProp<C>("HotTrack", &C::HotTrack, &C::SetHotTrack, 1),
            BoolProp<C>("UseGradients", &C::UseGradients, &C::SetUseGradients, 1),
            BoolProp<C>("UseColoredTabs", &C::UseColoredTabs, &C::SetUseColoredTabs, 0),
            BoolProp<C>("Transparent", &C::Transparent, &C::SetTransparent, 0),
            OrdProp<C, TColor>("BackgroundColor", &C::BackgroundColor, &C::SetBackgroundColor, clBtnFace),
            BoolProp<C>("ParentBackgroundColor", &C::ParentBackgroundColor, &C::SetParentBackgroundColor, 1),
            OrdProp<C, TColor>("FlatColor", &C::FlatColor, &C::SetFlatColor, clBtnShadow),
            OrdProp<C, int>("FlatColorAdjustment", &C::FlatColorAdjustment, &C::SetFlatColorAdjustment, 0),
            OrdProp<C, int>("CutCornerSize", &C::CutCornerSize, &C::SetCutCornerSize, 6),
            OrdProp<C, int>("Margin", &C::Margin, &C::SetMargin, 0),
            OrdProp<C, TOrientation>("TextOrientation", &C::TextOrientation, &C::SetTextOrientation, orHorizontal,
                                     &TextOrientationIdents),
            OrdProp<C, int>("ImageMargin", &C::ImageMargin, &C::SetImageMargin, 2),
            OrdProp<C, TVtImagePosition>("ImagePosition", &C::ImagePosition, &C::SetImagePosition, ipLeft,
                                         &ImagePositionIdents),
            OrdProp<C, TVtTabHAlignment>("ImageAlignment", &C::ImageAlignment, &C::SetImageAlignment, haCenter,
                                         &HAlignIdents),
            OrdProp<C, TVtTabVAlignment>("ImageAlignmentVertical", &C::ImageAlignmentVertical,
                                         &C::SetImageAlignmentVertical, vaCenter, &VAlignIdents),
            OrdProp<C, TVtTabHAlignment>("TextAlignment", &C::TextAlignment, &C::SetTextAlignment, haCenter,
                                         &HAlignIdents),
            OrdProp<C, TVtTabVAlignment>("TextAlignmentVertical", &C::TextAlignmentVertical,
                                         &C::SetTextAlignmentVertical, vaCenter, &VAlignIdents),
            RefProp<C, TCustomImageList>("Images", &C::Images, &C::SetImages),
            OrdProp<C, int>("RowIndent", &C::RowIndent, &C::SetRowIndent, 5),
            OrdProp<C, int>("RowOverlap", &C::RowOverlap, &C::SetRowOverlap, 5),
            OrdProp<C, int>("TabHeight", &C::TabHeight, &C::SetTabHeight, 0),
            OrdProp<C, int>("TabWidth", &C::TabWidth, &C::SetTabWidth, 0),
            OrdProp<C, TColor>("HotTrackColor", &C::HotTrackColor, &C::SetHotTrackColor, clHighlight),
            OrdProp<C, TVtHotTrackColorType>("HotTrackColorType", &C::HotTrackColorType, &C::SetHotTrackColorType,
                                             htctComplement, &HotTrackColorTypeIdents),
            OrdProp<C, TVtHotTrackStyle>("HotTrackStyle", &C::HotTrackStyle, &C::SetHotTrackStyle, htsTab,
                                         &HotTrackStyleIdents),
            NestedProp<C, TVtTabColors>("TabColors", &C::TabColors),
            NestedProp<C, TVtTextColors>("TextColors", &C::TextColors),
            EventProp("OnChange", &C::OnChange),
            EventProp("OnChanging", &C::OnChanging),
            EventProp("OnClose", &C::OnClose),
            EventProp("OnGetTextColor", &C::OnGetTextColor),
            EventProp("OnPaintBackground", &C::OnPaintBackground),
            EventProp("OnPaintCardBackground", &C::OnPaintCardBackground),
            EventProp("OnPaintTabBackground", &C::OnPaintTabBackground),
            EventProp("OnTabClick", &C::OnTabClick)};
        return c;
    }();
    return ci;
}

TVtCustomTabControl::TVtCustomTabControl(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 300, 100);
    SetControlStyle(ControlStyle() | csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks |
                    csOpaque);
    SetTabStop(true);
}

TVtCustomTabControl::~TVtCustomTabControl() {
    if (timerRunning_) KillTimer(this, HotTrackTimer);
}

TVtTabData& TVtCustomTabControl::AddTab(const std::string& caption) {
    tabs_.push_back(std::make_unique<TVtTabData>());
    tabs_.back()->Caption = caption;
    Changed();
    return *tabs_.back();
}

void TVtCustomTabControl::ClearTabs() {
    tabs_.clear();
    Changed();
}

void TVtCustomTabControl::Changed() {
    needsLayout_ = true;
    Invalidate();
}

void TVtCustomTabControl::SetUseColoredTabs(bool u) {
    if (useColoredTabs_ == u) return;
    useColoredTabs_ = u;
    InvalidateTabs();
}

void TVtCustomTabControl::SetTabOrientation(TVtTabOrientation o) {
    if (orientation_ == o) return;
    orientation_ = o;
    if (!IsLoading()) Changed();
}

void TVtCustomTabControl::SetBackgroundColor(TColor c) {
    parentBackground_ = false;
    if (backgroundColor_ == c) return;
    backgroundColor_ = c;
    InvalidateTabs();
}

void TVtCustomTabControl::SetParentBackgroundColor(bool p) {
    parentBackground_ = p;
    if (p && Parent()) {
        backgroundColor_ = Parent()->Color();
        InvalidateTabs();
    }
}

void TVtCustomTabControl::SetShowFullFrame(bool s) {
    showFullFrame_ = s;
    if (!s) showShadow_ = false;
    Changed();
}

void TVtCustomTabControl::SetShowShadow(bool s) {
    showShadow_ = s;
    if (s) showFullFrame_ = true;
    Changed();
}

static void SetNonNegative(int& field, int v, bool relayout, TVtCustomTabControl* c) {
    if (v < 0 || field == v) return;
    field = v;
    if (relayout) c->Changed();
}
void TVtCustomTabControl::SetCutCornerSize(int v) { SetNonNegative(cutCorner_, v, style_ == tsCutCorner, this); }
void TVtCustomTabControl::SetTextOrientation(TOrientation o) {
    if (textOrientation_ == o) return;
    textOrientation_ = o;
    if (!IsLoading() && !IsTrueTypeFont(Font())) Font()->SetName(MapFontFace("Verdana"));
    Changed();
}

void TVtCustomTabControl::SetImageMargin(int v) { SetNonNegative(imageMargin_, v, true, this); }
void TVtCustomTabControl::SetMargin(int v) { SetNonNegative(margin_, v, true, this); }

void TVtCustomTabControl::SetImages(TCustomImageList* l) {
    if (images_ == l) return;
    if (images_) images_->RemoveFreeNotification(this);
    images_ = l;
    if (l) l->FreeNotification(this);
    Changed();
}

void TVtCustomTabControl::Notification(TComponent* c, TOperation op) {
    TCustomControl::Notification(c, op);
    if (op == opRemove && c == images_) {
        images_ = nullptr;
        Changed();
    }
}

TSize TVtCustomTabControl::ImageSize(int i) const {
    if (!images_ || tabs_[size_t(i)]->ImageIndex == -1) return TSize{0, 0};
    return TSize{images_->Width(), images_->Height()};
}

// Cuts the image's slot from the content rectangle r (the text keeps the rest) and draws the image there.
void TVtCustomTabControl::DrawImage(TCanvas* c, int i, TRect& r) {
    TSize is = ImageSize(i);
    if (is.cx == 0) return;
    TRect slot = r;
    switch (imagePos_) {
    case ipLeft: slot.Right = slot.Left + is.cx, r.Left += is.cx + imageMargin_; break;
    case ipRight: slot.Left = slot.Right - is.cx, r.Right -= is.cx + imageMargin_; break;
    case ipTop: slot.Bottom = slot.Top + is.cy, r.Top += is.cy + imageMargin_; break;
    case ipBottom: slot.Top = slot.Bottom - is.cy, r.Bottom -= is.cy + imageMargin_; break;
    default: break;
    }
    const TVtTabData& t = *tabs_[size_t(i)];
    int index = t.DisabledIndex == -1 || t.Enabled ? t.ImageIndex : t.DisabledIndex;
    bool enabledLook = t.DisabledIndex != -1 || t.Enabled;
    if (index < 0 || index >= images_->Count()) return;
    if (imagePos_ == ipStretch) {
        TBitmap b;
        images_->GetBitmap(index, &b);
        c->StretchDraw(slot, &b);
        return;
    }
    int x = imageAlign_ == haLeft ? slot.Left : imageAlign_ == haRight ? slot.Right - is.cx
                                                                      : slot.Left + (slot.Width() - is.cx) / 2;
    int y = imageAlignV_ == vaTop      ? slot.Top
            : imageAlignV_ == vaBottom ? slot.Bottom - is.cy
                                       : slot.Top + (slot.Height() - is.cy) / 2;
    images_->Draw(c, x, y, index, enabledLook);
}
void TVtCustomTabControl::SetRowIndent(int v) { SetNonNegative(rowIndent_, v, true, this); }
void TVtCustomTabControl::SetRowOverlap(int v) { SetNonNegative(rowOverlap_, v, true, this); }
void TVtCustomTabControl::SetTabHeight(int v) { SetNonNegative(tabHeight_, v, true, this); }
void TVtCustomTabControl::SetTabWidth(int v) { SetNonNegative(tabWidth_, v, true, this); }

// ---- geometry ----

bool IsVerticalStrip(TVtTabOrientation o) { return o == toLeft || o == toRight; }

int TVtCustomTabControl::Overlap(int n) const {
    switch (style_) {
    case tsSingleSlant: return n / 2;
    case tsDoubleSlant: return n;
    default: return -1;
    }
}

int TVtCustomTabControl::StripDepth() const {
    if (cardVisible_)
        return fixedDim_ + (fixedDim_ - rowOverlap_) * (rowCount_ - 1) + (style_ == tsRoundCorners ? 3 : 0);
    int d = IsVerticalStrip(orientation_) ? Width() - 1 : Height() - 1;
    if (style_ == tsRoundCorners && (orientation_ == toBottom || orientation_ == toRight)) --d;
    return d;
}

TRect TVtCustomTabControl::StripRect() const {
    int w = Width(), h = Height(), d = StripDepth();
    switch (orientation_) {
    case toTop: return TRect(0, 0, w - 1 - (showShadow_ ? 2 : 0), d);
    case toLeft: return TRect(0, 0, d, h - 1);
    case toBottom: return TRect(0, h - 1 - d, w - 1, h - 1);
    default: return TRect(w - 1 - d, 0, w - 1, h - 1);
    }
}

int TVtCustomTabControl::StripLength() const {
    TRect s = StripRect();
    return IsVerticalStrip(orientation_) ? s.Height() : s.Width();
}

int TVtCustomTabControl::Offset() const {
    int lead = margin_ + (style_ == tsRoundCorners ? 2 : 0);
    if (firstVisible_ < 0 || firstVisible_ >= TabCount()) return sequence_ == tsStandard ? -lead : lead;
    const TRect& f = tabs_[size_t(firstVisible_)]->Rect;
    return sequence_ == tsStandard ? f.Left - lead : lead + f.Right;
}

TPoint TVtCustomTabControl::Map(int x, int y) const {
    TRect s = StripRect();
    int o = Offset();
    if (sequence_ == tsStandard) {
        switch (orientation_) {
        case toTop: return TPoint(x - o + s.Left, y + s.Top);
        case toLeft: return TPoint(y + s.Left, s.Bottom - (x - o));
        case toBottom: return TPoint(x - o + s.Left, s.Bottom - y);
        default: return TPoint(s.Right - y, x - o + s.Top);
        }
    }
    switch (orientation_) {
    case toTop: return TPoint(s.Right - (o - x), y + s.Top);
    case toLeft: return TPoint(y + s.Left, (o - x) + s.Top);
    case toBottom: return TPoint(s.Right - (o - x), s.Bottom - y);
    default: return TPoint(s.Right - y, s.Bottom - (o - x));
    }
}

TRect TVtCustomTabControl::MapRect(const TRect& r) const {
    TPoint a = Map(r.Left, r.Top), b = Map(r.Right, r.Bottom);
    return TRect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
}

TRect TVtCustomTabControl::TabRect(int i) const { return MapRect(tabs_.at(size_t(i))->Rect); }

int TVtCustomTabControl::ButtonSize() {
    TCanvas* c = back_.Canvas();
    c->SetFont(*Font());
    int b = c->TextHeight("A") + (VerticalText() ? 2 : 4);
    // A fixed size across captions that run along the row widens the buttons.
    bool fixed = IsVerticalStrip(orientation_) ? VerticalText() && tabWidth_ > 0 : !VerticalText() && tabHeight_ > 0;
    return fixed ? std::max(b, fixedDim_ - 2) : std::min(b, fixedDim_ - 2);
}

TSize TVtCustomTabControl::ContentSize(int i) {
    TCanvas* c = back_.Canvas();
    c->SetFont(*Font());
    if (boldCurrent_) c->Font()->SetStyle(c->Font()->Style() | fsBold);
    TSize m = c->TextExtent(style_ == tsRoundCorners ? "AAA" : "A");
    m.cy = std::abs(Font()->Height()) > 0 ? std::abs(Font()->Height()) : m.cy;
    bool vert = VerticalText();
    if (vert) std::swap(m.cx, m.cy);
    TSize s{0, 0};
    for (auto& line : SplitLines(tabs_[size_t(i)]->Caption)) {
        TSize e = c->TextExtent(StripAccel(line));
        if (vert) std::swap(e.cx, e.cy);  // lines run along the tab and stack across it
        s.cx = vert ? s.cx + e.cx : std::max(s.cx, e.cx);
        s.cy = vert ? std::max(s.cy, e.cy) : s.cy + e.cy;
    }
    TSize is = ImageSize(i);
    if (is.cx > 0) {
        switch (imagePos_) {
        case ipLeft:
        case ipRight: s = TSize{imageMargin_ + is.cx + s.cx, std::max(is.cy, s.cy)}; break;
        case ipTop:
        case ipBottom: s = TSize{std::max(is.cx, s.cx), imageMargin_ + is.cy + s.cy}; break;
        case ipBack: s = TSize{std::max(is.cx, s.cx), std::max(is.cy, s.cy)}; break;
        default: break;
        }
    }
    if (tabWidth_ == 0) s.cx = std::max(s.cx, m.cx);
    if (tabHeight_ == 0) s.cy = std::max(s.cy, m.cy);
    return s;
}

TSize TVtCustomTabControl::OuterSize(TSize content) const {
    int w = content.cx, h = content.cy, w2 = w + 2, h2 = h + 2, c = cutCorner_;
    bool across = !IsVerticalStrip(orientation_);
    TSize o;
    switch (style_) {
    case tsSingleSlant:
        o = across ? TSize{2 * Overlap(h + 6) + w2 + 4 + tabHeight_ / 2, h + 6}
                   : TSize{w + 6, 2 * Overlap(w + 6) + h2 + 4 + tabHeight_ / 2};
        break;
    case tsDoubleSlant:
        o = across ? TSize{2 * Overlap(h2) + w2 + 4 + tabHeight_, h + 6}
                   : TSize{w + 6, 2 * Overlap(w2) + h2 + 4 + tabHeight_};
        break;
    case tsCutCorner:
        if (VerticalText()) o = across ? TSize{w + 10, h2 + c + 5} : TSize{w + 7, 2 * c + h2 + 6};
        else o = across ? TSize{2 * c + w2 + 6, h + 7} : TSize{w2 + c + 5, h + 10};
        break;
    default: o = VerticalText() ? TSize{w2 + 4, h2 + 14} : TSize{w2 + 14, h2 + 4}; break;
    }
    if (tabWidth_ > 0) o.cx = tabWidth_;
    if (tabHeight_ > 0) o.cy = tabHeight_;
    return o;
}

void TVtCustomTabControl::CountRows(const std::vector<int>& lengths, int l) {
    int n = int(lengths.size());
    int clipBy = style_ == tsRoundCorners ? 4 : 0, to = Overlap(fixedDim_);
    for (int r = 1; r <= std::max(n, 1); ++r) {
        int a = l - 2 * margin_ - (r - 1) * rowIndent_;
        int rows = 1, p = margin_;
        bool grow = false;
        for (int k = 0; k < n && !grow; ++k) {
            int len = std::min(lengths[size_t(k)], a - clipBy);
            if (p + len >= a && p != margin_) {
                if (rows < r || k == n - 1) {
                    ++rows;
                    p = margin_;
                } else {
                    grow = true;
                    continue;
                }
            }
            p += len - to + 1;
        }
        if (!grow) {
            rowCount_ = rows;
            return;
        }
    }
    rowCount_ = std::max(n, 1);
}

void TVtCustomTabControl::UpdateLayout() {
    if (!needsLayout_) return;
    needsLayout_ = false;
    std::vector<int> vis;
    for (int i = 0; i < TabCount(); ++i)
        if (tabs_[size_t(i)]->Visible) vis.push_back(i);
    bool vert = IsVerticalStrip(orientation_);
    std::vector<TSize> content;
    TSize maxContent{0, 0};
    for (int i : vis) {
        content.push_back(ContentSize(i));
        maxContent.cx = std::max(maxContent.cx, content.back().cx);
        maxContent.cy = std::max(maxContent.cy, content.back().cy);
    }
    // One depth for the whole strip: every tab is as thick as the thickest content.
    std::vector<int> lengths;
    int fixed = 0;
    for (TSize s : content) {
        (vert ? s.cx : s.cy) = vert ? maxContent.cx : maxContent.cy;
        TSize o = OuterSize(s);
        lengths.push_back(vert ? o.cy : o.cx);
        fixed = std::max(fixed, vert ? o.cx : o.cy);
    }
    if (!vis.empty()) fixedDim_ = fixed;
    int l = StripLength();
    rowCount_ = 1;
    if (multiLine_) CountRows(lengths, l);
    int a = l - 2 * margin_;
    if (multiLine_) a -= (rowCount_ - 1) * rowIndent_;
    else a -= (showCloseButton_ ? CloseSize() + 2 : 0) + 2 * ButtonSize() + 2;
    int clipBy = style_ == tsRoundCorners ? 4 : 0, to = Overlap(fixedDim_), d = StripDepth();
    int y = d - fixedDim_, row = 0;
    int x = sequence_ == tsStandard ? margin_ : -margin_;
    for (size_t k = 0; k < vis.size(); ++k) {
        TVtTabData& t = *tabs_[size_t(vis[k])];
        int len = std::max(0, std::min(lengths[k], a - clipBy));
        if (sequence_ == tsStandard) {
            if (multiLine_ && !(x + len < a) && x != margin_) {
                x = margin_;
                y += rowOverlap_ - fixedDim_;
                ++row;
            }
            t.Rect = TRect(x, y, x + len, y + fixedDim_);
            x += len - to + 1;
        } else {
            if (multiLine_ && !(x - len > -a) && x != -margin_) {
                x = -margin_;
                y += rowOverlap_ - fixedDim_;
                ++row;
            }
            t.Rect = TRect(x - len, y, x, y + fixedDim_);
            x = to + (x - len) - 1;
        }
        t.Row = row;
    }
    if (sequence_ == tsReverse && !vis.empty()) {
        int shift = multiLine_ ? Width() : std::abs(x);
        for (int i : vis) OffsetRect(tabs_[size_t(i)]->Rect, shift, 0);
    }
    if (multiLine_) rowCount_ = std::max(rowCount_, row + 1);
    if (multiLine_ && alignTabs_ && (vert ? tabHeight_ : tabWidth_) == 0) {
        for (int r = 0; r < rowCount_; ++r) {
            std::vector<TVtTabData*> inRow;
            for (int i : vis)
                if (tabs_[size_t(i)]->Row == r) inRow.push_back(tabs_[size_t(i)].get());
            if (inRow.empty()) continue;
            int n = int(inRow.size());
            int used = sequence_ == tsStandard ? inRow.back()->Rect.Right - inRow.front()->Rect.Left
                                               : inRow.front()->Rect.Right - inRow.back()->Rect.Left;
            int extra = a - (used + clipBy);
            if (extra < 1) continue;
            int shift = 0;
            for (int k = 0; k < n; ++k) {
                int grow = extra / n + (k < extra % n ? 1 : 0);
                TRect& rc = inRow[size_t(k)]->Rect;
                if (sequence_ == tsStandard) {
                    rc.Left += shift;
                    rc.Right += shift + grow;
                    shift += grow;
                } else {
                    rc.Right -= shift;
                    rc.Left -= shift + grow;
                    shift += grow;
                }
            }
        }
    }
    cache_.Clear();
    scrollerNeeded_ = false;
    if (!multiLine_ && !vis.empty()) {
        int room = l - 2 * margin_ - CloseSize();
        scrollerNeeded_ = sequence_ == tsStandard ? room < tabs_[size_t(vis.back())]->Rect.Right
                                                  : room < tabs_[size_t(vis.front())]->Rect.Right;
    }
    if (scrollerNeeded_) {
        int old = std::clamp(firstVisible_, 0, TabCount() - 1);
        firstVisible_ = old;
        while (firstVisible_ < TabCount() && !TabInView(firstVisible_)) ++firstVisible_;
        if (firstVisible_ >= TabCount()) {
            firstVisible_ = old - 1;
            while (firstVisible_ >= 0 && !TabInView(firstVisible_)) --firstVisible_;
            if (firstVisible_ < 0) firstVisible_ = vis.front();
        }
    } else {
        firstVisible_ = vis.empty() ? 0 : vis.front();
    }
    // A selected tab that can no longer be selected gives way to the nearest one that can.
    if (tabIndex_ >= 0) {
        auto ok = [&](int i) { return tabs_[size_t(i)]->Visible && (tabs_[size_t(i)]->Enabled || IsDesigning()); };
        int found = -1;
        for (int i = tabIndex_; i < TabCount() && found < 0; ++i)
            if (ok(i)) found = i;
        for (int i = std::min(tabIndex_, TabCount() - 1); i >= 0 && found < 0; --i)
            if (ok(i)) found = i;
        if (found != tabIndex_) SelectInternally(found);
        else if (multiLine_) RotateRows();
    }
    TRect dr = DisplayRect();
    if (!(dr == display_)) {
        display_ = dr;
        Realign();
    }
}

bool TVtCustomTabControl::TabInView(int i) const {
    if (i < 0 || i >= TabCount() || !tabs_[size_t(i)]->Visible) return false;
    if (!scrollerNeeded_) return true;
    int b = const_cast<TVtCustomTabControl*>(this)->ButtonSize();
    int room = StripLength() - 2 * b - 2 * margin_ - const_cast<TVtCustomTabControl*>(this)->CloseSize(),
        o = Offset();
    const TRect& r = tabs_[size_t(i)]->Rect;
    return sequence_ == tsStandard ? o <= r.Left && r.Right - o <= room : o >= r.Right && o - r.Left <= room;
}

void TVtCustomTabControl::RotateRows() {
    if (tabIndex_ < 0 || rowCount_ < 2) return;
    int sel = tabs_[size_t(tabIndex_)]->Row, n = rowCount_;
    if (sel == 0) return;
    std::vector<std::pair<int, int>> edges(size_t(n), {0, 0});
    std::vector<bool> seen(size_t(n), false);
    for (auto& t : tabs_)
        if (t->Visible && t->Row < n && !seen[size_t(t->Row)]) {
            seen[size_t(t->Row)] = true;
            edges[size_t(t->Row)] = {t->Rect.Top, t->Rect.Bottom};
        }
    for (auto& t : tabs_) {
        if (!t->Visible) continue;
        t->Row = (t->Row + n - sel) % n;
        t->Rect.Top = edges[size_t(t->Row)].first;
        t->Rect.Bottom = edges[size_t(t->Row)].second;
    }
    cache_.Clear();
}

TRect TVtCustomTabControl::CardRect(int row) const {
    TRect b(0, 0, Width() - 1, Height() - 1);
    bool anyTab = std::any_of(tabs_.begin(), tabs_.end(), [](auto& t) { return t->Visible; });
    if (!anyTab && cardVisible_) return b;
    int step = fixedDim_ - rowOverlap_, a = StripDepth() - step * row, s = step * row;
    int i1 = rowIndent_ * row, i2 = rowIndent_ * (rowCount_ - row - 1);
    bool rev = sequence_ == tsReverse;
    switch (orientation_) {
    case toTop: b = TRect(b.Left + (rev ? i2 : i1), b.Top + a, b.Right - (rev ? i1 : i2), b.Bottom - s); break;
    case toBottom: b = TRect(b.Left + (rev ? i2 : i1), b.Top + s, b.Right - (rev ? i1 : i2), b.Bottom - a); break;
    case toLeft: b = TRect(b.Left + a, b.Top + (rev ? i1 : i2), b.Right - s, b.Bottom - (rev ? i2 : i1)); break;
    default: b = TRect(b.Left + s, b.Top + (rev ? i2 : i1), b.Right - a, b.Bottom - (rev ? i1 : i2)); break;
    }
    if (b.Left > b.Right || b.Top > b.Bottom) return TRect();
    if (!cardVisible_) {
        if (orientation_ != toRight) b.Right += 3;
        if (orientation_ != toBottom) b.Bottom += 3;
        if (orientation_ != toLeft) b.Left -= 3;
        if (orientation_ != toTop) b.Top -= 3;
    }
    return b;
}

TRect TVtCustomTabControl::DisplayRect() const {
    if (!cardVisible_) return TRect(-2, -2, -1, -1);
    TRect r = CardRect(0);
    if (!showCardFrame_) {
        ++r.Right;
        ++r.Bottom;
    }
    if (showFullFrame_) {
        ++r.Left;
        ++r.Top;
        if (orientation_ == toTop && sequence_ == tsStandard && showShadow_) {
            r.Right -= 2;
            r.Bottom -= 2;
        }
    } else if (showCardFrame_) {
        if (orientation_ != toRight) ++r.Top;
        ++r.Right;
        ++r.Bottom;
    }
    return r;
}

void TVtCustomTabControl::AdjustClientRect(TRect& r) {
    r = DisplayRect();
    display_ = r;
    PlaceScroller();
    PlaceCloseButton();
}

int TVtCustomTabControl::CloseSize() { return showCloseButton_ && TabCount() > 0 ? ButtonSize() : 0; }

void TVtCustomTabControl::SetShowCloseButton(bool s) {
    if (showCloseButton_ == s) return;
    showCloseButton_ = s;
    if (s && !closeButton_) {
        closeButton_ = new TVtTabCloseButton(this);
        closeButton_->SetParent(this);
        // Only an OnClose handler that agrees closes the tab.
        closeButton_->OnClose = [this](TObject*) {
            bool allow = false;
            if (tabIndex_ >= 0 && OnClose) OnClose(this, allow);
            if (allow) CloseActiveTab();
        };
    }
    if (closeButton_) closeButton_->SetVisible(s);
    Changed();
}

void TVtCustomTabControl::PlaceCloseButton() {
    if (!closeButton_ || !showCloseButton_) return;
    closeButton_->SetFrameColor(FrameColor());
    int c = ButtonSize();
    TPoint o = StripButtonOrigin(c, c, margin_);
    closeButton_->SetBounds(o.X, o.Y, c, c);
}

TPoint TVtCustomTabControl::StripButtonOrigin(int w, int h, int m) const {
    TRect s = StripRect();
    int sh = showShadow_ ? -1 : 1;
    bool std = sequence_ == tsStandard;
    switch (orientation_) {
    case toTop: return TPoint(std ? s.Right - w + sh - m : s.Left + m, s.Bottom - h - 2);
    case toLeft: return TPoint(s.Right - w - 2, std ? s.Top + m : s.Bottom - h + 1 - m);
    case toBottom: return TPoint(std ? s.Right - w + 1 - m : s.Left + m, s.Top + 2);
    default: return TPoint(s.Left + 2, std ? s.Bottom - h + 1 - m : s.Top + m);
    }
}

void TVtCustomTabControl::PlaceScroller() {
    if (!scrollerNeeded_) {
        if (scroller_) scroller_->SetBounds(-scroller_->Width() - 1, -scroller_->Height() - 1, scroller_->Width(),
                                            scroller_->Height());
        return;
    }
    if (!scroller_) {
        scroller_ = new TVtTabScroller(this);
        scroller_->SetParent(this);
        scroller_->OnUpRightClick = [this](TObject*) { Scroll(UpRightScrollsForward()); };
        scroller_->OnDownLeftClick = [this](TObject*) { Scroll(!UpRightScrollsForward()); };
    }
    scroller_->SetFrameColor(FrameColor());
    bool vert = IsVerticalStrip(orientation_);
    scroller_->SetOrientation(vert ? orVertical : orHorizontal);
    int b = ButtonSize(), ws = vert ? b : 2 * b - 1, hs = vert ? 2 * b - 1 : b;
    // Beyond the close button when there is one.
    TPoint o = StripButtonOrigin(ws, hs, margin_ + (showCloseButton_ ? CloseSize() + 2 : 0));
    scroller_->SetBounds(o.X, o.Y, ws, hs);
}

bool TVtCustomTabControl::UpRightScrollsForward() const {
    return orientation_ == toRight ? sequence_ == tsReverse : sequence_ == tsStandard;
}

bool TVtCustomTabControl::CanScroll(bool forward) const {
    int last = -1, first = -1;
    for (int i = 0; i < TabCount(); ++i)
        if (tabs_[size_t(i)]->Visible) last = i, first = first < 0 ? i : first;
    if (forward) return last >= 0 && firstVisible_ < TabCount() - 1 && !TabInView(last);
    return first >= 0 && firstVisible_ >= 1 && !TabInView(first);
}

void TVtCustomTabControl::Scroll(bool forward) {
    if (!CanScroll(forward)) return;
    int old = firstVisible_;
    if (forward) {
        do ++firstVisible_;
        while (firstVisible_ < TabCount() && !TabInView(firstVisible_));
        if (firstVisible_ >= TabCount()) firstVisible_ = old;
    } else {
        do --firstVisible_;
        while (firstVisible_ >= 0 && !TabInView(firstVisible_));
        if (firstVisible_ < 0) firstVisible_ = old;
    }
    if (firstVisible_ != old) {
        Invalidate();
        if (scroller_) scroller_->Invalidate();
    }
}

void TVtCustomTabControl::SetTabHints(bool h) {
    if (tabHints_ == h) return;
    if (h) savedHint_ = Hint();
    tabHints_ = h;
    if (!h && !hotTrack_ && timerRunning_) ClearHotTrack();
}

void TVtCustomTabControl::MouseMove(TShiftState s, int x, int y) {
    if (!IsDesigning() && (hotTrack_ || tabHints_)) {
        int i = TabAtPos(x, y);
        if (i < 0) {
            if (hot_ >= 0) ClearHotTrack();
            // Between the tabs the control's own hint would cover the strip.
            if (tabHints_ && StripRect().Contains(TPoint(x, y))) SetHint("");
        } else if (i != hot_) {
            hot_ = i;
            if (hotTrack_) Invalidate();
            if (tabHints_) SetHint(tabs_[size_t(i)]->Hint.empty() ? savedHint_ : tabs_[size_t(i)]->Hint);
            if (!timerRunning_) timerRunning_ = SetTimer(this, HotTrackTimer, 60) != 0;
        }
    }
    TCustomControl::MouseMove(s, x, y);
    if (allowDragging_ && (s & ssLeft) && !Dragging() && TabAtPos(x, y) >= 0) BeginDrag(false, -1);
}

void TVtCustomTabControl::EraseDropMarker() {
    if (markerShown_) DrawDropMarker(marker_);
    markerShown_ = false;
}

void TVtCustomTabControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    TCustomControl::DragOver(source, x, y, state, accept);
    if (!allowDragging_ || source != this) return;
    if (state == dsDragLeave) {
        EraseDropMarker();
        dragTarget_ = -1;
        return;
    }
    int target = TabAtPos(x, y);
    accept = target >= 0 && target != tabIndex_;
    if (target == dragTarget_ && markerShown_ == accept) return;
    dragTarget_ = target;
    EraseDropMarker();
    if (!accept) return;
    TRect b;
    Polygon(target, b);
    int f = fixedDim_ / 2;
    bool before = sequence_ == tsStandard ? target < tabIndex_ : target > tabIndex_;
    bool slanted = style_ == tsSingleSlant || style_ == tsDoubleSlant;
    TRect m;
    switch (orientation_) {
    case toTop:
    case toBottom:
        m.Top = orientation_ == toTop ? b.Top - 2 : b.Bottom + 2 - 8;
        m.Bottom = m.Top + 8;
        if (before) m.Left = b.Left - 8 + (style_ == tsDoubleSlant ? f : 0);
        else m.Left = b.Right + 8 - 15 + (slanted ? -f : 1);
        m.Right = m.Left + 15;
        break;
    case toLeft:
        m.Left = b.Left - 2, m.Right = m.Left + 8;
        if (before) m.Top = b.Bottom + 8 - 15 + (style_ == tsDoubleSlant ? -f : slanted ? 0 : 1);
        else m.Top = b.Top - 8 + (slanted ? f : 0);
        m.Bottom = m.Top + 15;
        break;
    default:
        m.Right = b.Right + 3, m.Left = m.Right - 8;
        if (before) m.Top = b.Top - 8 + (style_ == tsDoubleSlant ? f + 1 : 0);
        else m.Top = b.Bottom + 8 - 15 + (slanted ? -f : 1);
        m.Bottom = m.Top + 15;
        break;
    }
    marker_ = m;
    DrawDropMarker(marker_);
    markerShown_ = true;
}

void TVtCustomTabControl::DragDrop(TObject* source, int x, int y) {
    EraseDropMarker();
    dragTarget_ = -1;
    TCustomControl::DragDrop(source, x, y);
    if (!allowDragging_ || source != this) return;
    int i = TabAtPos(x, y);
    if (i >= 0) MoveActiveTab(i);
}

void TVtCustomTabControl::DrawDropMarker(const TRect& r) {
    int w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0) return;
    TBitmap bmp(w, h);
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetColor(clBtnShadow);
    c->FillRect(TRect(0, 0, w, h));
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clBlack);
    // Two triangles pointing at the gap between the tabs; drawn for a top row and turned for the others.
    auto turn = [&](int x, int y) {
        switch (orientation_) {
        case toBottom: return TPoint(x, 8 - y);
        case toLeft: return TPoint(y, x);
        case toRight: return TPoint(8 - y, x);
        default: return TPoint(x, y);
        }
    };
    TPoint a[3] = {turn(0, 0), turn(8, 8), turn(0, 8)}, b[3] = {turn(7, 8), turn(15, 0), turn(15, 8)};
    c->Polygon(a, 3);
    c->Polygon(b, 3);
    HDC dc = GetDC(this);
    dc->BitBlt(r.Left, r.Top, w, h, c, 0, 0, SRCINVERT);
    ReleaseDC(this, dc);
}

void TVtCustomTabControl::ClearHotTrack() {
    if (timerRunning_) KillTimer(this, HotTrackTimer);
    timerRunning_ = false;
    hot_ = -1;
    Invalidate();
    if (tabHints_) SetHint(savedHint_);
}

void TVtCustomTabControl::BoundsChanged(bool moved, bool sized) {
    TCustomControl::BoundsChanged(moved, sized);
    if (sized) Changed();
}

// ---- selection ----

void TVtCustomTabControl::DoChanging(int newIndex, bool& allow) {
    if (OnChanging) OnChanging(this, newIndex, allow);
}
void TVtCustomTabControl::DoTabClick() {
    if (OnTabClick) OnTabClick(this);
}
void TVtCustomTabControl::Change() {
    if (OnChange) OnChange(this);
}

bool TVtCustomTabControl::IsSelectable(int i) {
    if (i < 0 || i >= TabCount()) return false;
    const TVtTabData& t = *tabs_[size_t(i)];
    if (!t.Visible || !(t.Enabled || IsDesigning())) return false;
    bool allow = true;
    DoChanging(i, allow);
    return allow;
}

void TVtCustomTabControl::SelectInternally(int i) {
    bool was = internalChange_;
    internalChange_ = true;
    SetTabIndex(i);
    internalChange_ = was;
}

void TVtCustomTabControl::SetTabIndex(int i) {
    if (IsLoading()) {
        tabIndex_ = i;
        return;
    }
    if (i < 0 || i >= TabCount()) {
        tabIndex_ = -1;
        Invalidate();
        return;
    }
    if (i != tabIndex_ && !internalChange_ && !IsSelectable(i)) return;
    int old = tabIndex_;
    tabIndex_ = i;
    if (!scrollerNeeded_) {
        if (multiLine_) RotateRows();
    } else if (i >= firstVisible_) {
        // Bounded: a tab longer than the room is shown from its own start.
        while (firstVisible_ < i && !TabInView(i)) ++firstVisible_;
    } else {
        firstVisible_ = i;
    }
    Invalidate();
    if (closeButton_) closeButton_->Invalidate();
    if (i != old) Change();
}

// ---- hit testing, mouse and keys ----

std::vector<TPoint> TVtCustomTabControl::Polygon(int i, TRect& bounds) const {
    const TVtTabData& t = *tabs_[size_t(i)];
    TRect r = t.Rect;
    int shift = t.Row * rowIndent_ * (sequence_ == tsReverse ? -1 : 1);
    OffsetRect(r, shift, 0);
    if (i == tabIndex_ && style_ == tsRoundCorners) {
        r.Left -= 2;
        r.Right += 2;
        r.Top -= 2;
    }
    bounds = MapRect(r);
    int l = r.Left, tp = r.Top, rt = r.Right, b = r.Bottom, h = b - tp, c = cutCorner_;
    std::vector<TPoint> p;
    switch (style_) {
    case tsSingleSlant: p = {{l, b}, {l, tp + 2}, {l + 2, tp}, {rt - h, tp}, {rt, b}}; break;
    case tsDoubleSlant: p = {{l, b}, {l + h, tp}, {rt - h, tp}, {rt, b}}; break;
    case tsCutCorner: p = {{l, b}, {l, tp}, {rt - c, tp}, {rt, tp + c}, {rt, b}}; break;
    default: p = {{l, b}, {l, tp + 2}, {l + 2, tp}, {rt - 2, tp}, {rt, tp + 2}, {rt, b}}; break;
    }
    for (TPoint& q : p) q = Map(q.X, q.Y);
    return p;
}

HRGN TVtCustomTabControl::RegionOf(int i) {
    TRect bounds;
    std::vector<TPoint> pts = Polygon(i, bounds);
    if (HRGN r = cache_.Lookup(bounds)) return r;
    if (pts.size() < 3) return nullptr;
    HRGN r = CreatePolygonRgn(pts.data(), int(pts.size()), ALTERNATE);
    if (!r) throw Exception("Error creating region");
    cache_.Add(bounds, r);
    return r;
}

int TVtCustomTabControl::TabAtPos(int x, int y) {
    UpdateLayout();
    int n = TabCount();
    if (n == 0 || firstVisible_ < 0) return -1;
    auto hit = [&](int i) {
        if (!TabInView(i)) return false;
        TRect b;
        Polygon(i, b);
        if (x < b.Left || x > b.Right || y < b.Top || y > b.Bottom) return false;
        HRGN r = RegionOf(i);
        return r && PtInRegion(r, x, y);
    };
    if (tabIndex_ >= 0 && tabIndex_ < n && hit(tabIndex_)) return tabIndex_;
    for (int k = 0; k < n; ++k) {
        int i = (firstVisible_ + k) % n;
        if (i != tabIndex_ && hit(i)) return i;
    }
    return -1;
}

void TVtCustomTabControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft && (Enabled() || IsDesigning())) {
        int i = TabAtPos(x, y);
        if (i >= 0 && tabs_[size_t(i)]->Enabled) {
            bool proceed = true;
            if (i == tabIndex_ && TabStop() && !IsDesigning() && !Focused()) {
                if (CanFocus()) SetFocus();
                proceed = Focused();
            }
            if (proceed) {
                SetTabIndex(i);
                if (tabIndex_ == i) DoTabClick();
            }
        }
    }
    TCustomControl::MouseDown(b, s, x, y);
}

void TVtCustomTabControl::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    int n = TabCount();
    if (n == 0) return;
    UpdateLayout();
    int cur = tabIndex_, found = -1;
    bool fwdKey = sequence_ == tsStandard ? (key == VK_RIGHT || key == VK_DOWN) : (key == VK_LEFT || key == VK_UP);
    bool backKey = !fwdKey && (key == VK_RIGHT || key == VK_DOWN || key == VK_LEFT || key == VK_UP);
    if (key == VK_HOME || key == VK_END) {
        for (int k = 0; k < n; ++k) {
            int i = key == VK_HOME ? k : n - 1 - k;
            if (i == cur) break;
            if (IsSelectable(i)) {
                found = i;
                break;
            }
        }
    } else if (fwdKey || backKey) {
        // Each tab at most once: with no selected tab the walk would never come back to -1.
        int i = cur;
        for (int k = 0; k < n; ++k) {
            i = fwdKey ? (i + 1) % n : (i <= 0 ? n - 1 : i - 1);
            if (i == cur) break;
            if (IsSelectable(i)) {
                found = i;
                break;
            }
        }
    } else {
        return;
    }
    if (found >= 0) {
        SelectInternally(found);
        DoTabClick();
    }
}

void TVtCustomTabControl::Loaded() {
    TCustomControl::Loaded();
    savedHint_ = Hint();
    if (VerticalText() && !IsTrueTypeFont(Font())) Font()->SetName(MapFontFace("Verdana"));
    needsLayout_ = true;
    tabIndex_ = -1;
    SetTabIndex(0);
}

void TVtCustomTabControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS; return;
    case WM_ERASEBKGND: m.Result = 1; return;
    case WM_TIMER:
        if (m.WParam == HotTrackTimer) {
            // The pointer may leave without a move message reaching the control.
            TPoint p;
            GetCursorPos(p);
            p = ScreenToClient(p);
            if (TabAtPos(p.X, p.Y) < 0) ClearHotTrack();
            return;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case CM_FONTCHANGED: Changed(); break;
    case CM_PARENTCOLORCHANGED:
        if (parentBackground_ && Parent()) {
            backgroundColor_ = Parent()->Color();
            Invalidate();
        }
        break;
    case CM_DIALOGCHAR: {
        char ch = char(std::toupper(int(uint8_t(m.WParam))));
        if (!CanFocus()) break;
        for (int i = 0; i < TabCount(); ++i) {
            const TVtTabData& t = *tabs_[size_t(i)];
            if (!t.Enabled || !t.Visible || AccelChar(t.Caption) != ch) continue;
            m.Result = 1;
            SetFocus();
            if (Focused()) {
                SetTabIndex(i);
                if (tabIndex_ == i) DoTabClick();
            }
            return;
        }
        break;
    }
    default: break;
    }
    TCustomControl::Dispatch(m);
}

// ---- painting ----

void TVtCustomTabControl::RunPen(TCanvas* c, const std::vector<int>& cmds) {
    std::unique_ptr<TBitmap> bg;
    for (size_t k = 0; k < cmds.size(); k += cmds[k] >= 2 ? 3 : 1)
        if (cmds[k] == 5 || cmds[k] == 6) {
            bg = std::make_unique<TBitmap>(Width(), Height());
            if (transparent_) DrawParentBackground(this, bg->Canvas());
            else {
                bg->Canvas()->Brush()->SetColor(backgroundColor_);
                bg->Canvas()->FillRect(TRect(0, 0, Width(), Height()));
            }
            break;
        }
    TColor frame = FrameColor();
    for (size_t k = 0; k < cmds.size();) {
        int code = cmds[k];
        int x = code >= 2 && k + 2 < cmds.size() ? cmds[k + 1] : 0, y = code >= 2 && k + 2 < cmds.size() ? cmds[k + 2] : 0;
        k += code >= 2 ? 3 : 1;
        switch (code) {
        case 0: c->Pen()->SetColor(frame); break;
        case 2: frame = FrameColor(); break;
        case 3: c->MoveTo(x, y); break;
        case 4: c->LineTo(x, y); break;
        case 5:
        case 6: {
            TPoint p = c->PenPos();
            BYTE w = code == 5 ? 30 : 15;
            int dx = x > p.X ? 1 : x < p.X ? -1 : 0, dy = y > p.Y ? 1 : y < p.Y ? -1 : 0;
            for (TPoint q = p; !(q.X == x && q.Y == y); q.X += dx, q.Y += dy) {
                TColor under = bg->Canvas()->Pixel(q.X, q.Y);
                if (under != clNone) c->SetPixel(q.X, q.Y, BlendColors(clBlack, under, w));
                if (dx == 0 && dy == 0) break;
                if (dx != 0 && dy != 0) dy = 0;  // one axis only
            }
            c->MoveTo(x, y);
            break;
        }
        default: break;
        }
    }
}

void TVtCustomTabControl::DoPaintCardBackground(TCanvas* c, int row, bool& handled, const TRect& r) {
    if (OnPaintCardBackground) OnPaintCardBackground(this, c, row, r, handled);
}

void TVtCustomTabControl::DoPaintBackground(TCanvas* c, const TRect& r, bool& handled) {
    if (OnPaintBackground) OnPaintBackground(this, c, r, handled);
}

void TVtCustomTabControl::DoPaintTabBackground(TCanvas* c, int i, const TRect& r, bool& handled) {
    if (OnPaintTabBackground) OnPaintTabBackground(this, c, i, r, handled);
}

void TVtCustomTabControl::DoGetTextColor(int i, TVtTextStyle style, TColor& color, bool& handled) {
    if (OnGetTextColor) OnGetTextColor(this, i, style, color, handled);
}

void TVtCustomTabControl::DrawCard(TCanvas* c, int row) {
    TRect r = CardRect(row);
    if (cardVisible_) {
        ++r.Right;
        ++r.Bottom;
    }
    bool handled = false;
    DoPaintCardBackground(c, row, handled, r);
    if (!handled) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(useColoredTabs_ && tabIndex_ >= 0 ? tabs_[size_t(tabIndex_)]->Color : Color());
        c->FillRect(r);
    }
    if (!showCardFrame_) return;
    r = CardRect(row);
    int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
    std::vector<int> cmd{2, 0, 0, 0};
    auto mv = [&](int x, int y) { cmd.insert(cmd.end(), {3, x, y}); };
    auto ln = [&](int x, int y) { cmd.insert(cmd.end(), {4, x, y}); };
    bool shadowed = orientation_ == toTop && sequence_ == tsStandard && showShadow_;
    auto shadow = [&] {
        cmd.insert(cmd.end(), {3, R - 1, T + 1, 5, R - 1, B - 1, 5, L, B - 1});
        cmd.insert(cmd.end(), {3, R - 1, T, 6, R, T, 6, R, B, 6, L, B, 6, L, B - 1});
    };
    bool gap = row == 0 && tabIndex_ >= 0 && TabInView(tabIndex_);
    if (gap) {
        TRect bounds;
        std::vector<TPoint> p = Polygon(tabIndex_, bounds);
        TPoint A = p.front(), E = p.back();
        if (orientation_ == toTop || orientation_ == toBottom) A.X += sequence_ == tsStandard ? 1 : -1;
        else A.Y += (orientation_ == toLeft) == (sequence_ == tsStandard) ? -1 : 1;
        if (sequence_ == tsReverse) std::swap(A, E);
        // The gap from (ax, ay) to (ex, ey); round corners join the selected tab's outline across it, from
        // whichever end of the outline is nearer.
        auto gap = [&](int ax, int ay, int ex, int ey) {
            ln(ax, ay);
            if (style_ != tsRoundCorners) return mv(ex, ey);
            auto d = [](TPoint q, int x, int y) { return std::abs(q.X - x) + std::abs(q.Y - y); };
            if (d(p.front(), ax, ay) > d(p.back(), ax, ay)) std::reverse(p.begin(), p.end());
            for (const TPoint& q : p) ln(q.X, q.Y);
            ln(ex, ey);
        };
        switch (orientation_) {
        case toTop:
            if (shadowed) {
                mv(L, T), gap(A.X, A.Y, E.X, E.Y), ln(R - 2, T);
                ln(R - 2, B - 2), ln(L, B - 2), ln(L, T - 1);
                shadow();
            } else if (showFullFrame_) {
                mv(L, T), gap(A.X, A.Y, E.X, E.Y), ln(R, T), ln(R, B), ln(L, B), ln(L, T);
            } else {
                mv(L, T), gap(A.X, A.Y, E.X, E.Y), ln(R + 1, T);
            }
            break;
        case toLeft:
            if (showFullFrame_) mv(L, T), ln(R, T), ln(R, B), ln(L, B), gap(A.X, A.Y, E.X, E.Y), ln(L, T);
            else mv(L - 1, B), gap(A.X - 1, A.Y, E.X - 1, E.Y), ln(L - 1, T);
            break;
        case toBottom:
            if (showFullFrame_) mv(L, T), ln(R, T), ln(R, B), gap(E.X - 1, E.Y, A.X - 1, E.Y), ln(L, B), ln(L, T);
            else mv(R, B + 1), gap(E.X - 1, E.Y + 1, A.X - 1, E.Y + 1), ln(L, B + 1);
            break;
        default:
            if (showFullFrame_) mv(L, T), ln(R, T), gap(A.X, A.Y, E.X, E.Y), ln(R, B), ln(L, B), ln(L, T);
            else mv(R + 1, T), gap(A.X + 1, A.Y, E.X + 1, E.Y), ln(R + 1, B + 1);
            break;
        }
    } else if (shadowed) {
        mv(L, T), ln(R - 2, T), ln(R - 2, B - 2), ln(L, B - 2), ln(L, T);
        shadow();
    } else if (showFullFrame_) {
        mv(L, T), ln(R, T), ln(R, B), ln(L, B), ln(L, T);
    } else {
        switch (orientation_) {
        case toTop: mv(L, T), ln(R, T); break;
        case toLeft: mv(L, T), ln(L, B); break;
        case toBottom: mv(L, B), ln(R, B); break;
        default: mv(R, T), ln(R, B); break;
        }
    }
    RunPen(c, cmd);
}

void TVtCustomTabControl::DrawCaption(TCanvas* c, int i, TRect r) {
    const TVtTabData& t = *tabs_[size_t(i)];
    std::vector<std::string> lines = SplitLines(t.Caption);
    if (VerticalText()) {
        // Turned a quarter: reading upwards, or downwards on a right-hand strip; lines stack across the tab.
        bool down = orientation_ == toRight;
        std::vector<TSize> ext;
        int total = 0;
        for (auto& line : lines) {
            ext.push_back(c->TextExtent(StripAccel(line)));
            total += ext.back().cy;
        }
        c->SetBkMode(TRANSPARENT);
        c->Font()->SetEscapement(down ? 2700 : 900);
        int across = down ? r.Left + (r.Width() + total) / 2 : r.Left + (r.Width() - total) / 2;
        for (size_t k = 0; k < lines.size(); ++k) {
            int len = ext[k].cx, room = r.Height();
            int along = textAlign_ == haLeft ? 0 : textAlign_ == haRight ? room - len : (room - len) / 2;
            int x = across, y = down ? r.Top + along : r.Bottom - along;
            int a;
            std::string shown = StripAccel(lines[k], &a);
            std::vector<std::string> pieces{shown};
            if (a >= 0) pieces = {shown.substr(0, size_t(a)), shown.substr(size_t(a), 1), shown.substr(size_t(a) + 1)};
            TFontStyles st = c->Font()->Style();
            for (size_t p = 0; p < pieces.size(); ++p) {
                c->Font()->SetStyle(p == 1 ? st | fsUnderline : st);
                c->TextOut(x, y, pieces[p]);
                int adv = c->TextWidth(pieces[p]);
                y += down ? adv : -adv;
            }
            c->Font()->SetStyle(st);
            across += down ? -ext[k].cy : ext[k].cy;
        }
        c->Font()->SetEscapement(0);
        return;
    }
    int total = 0;
    std::vector<TSize> ext;
    for (auto& line : lines) {
        ext.push_back(c->TextExtent(StripAccel(line)));
        total += ext.back().cy;
    }
    int y = textAlignV_ == vaTop ? r.Top : textAlignV_ == vaBottom ? r.Bottom - total : r.Top + (r.Height() - total) / 2;
    c->SetBkMode(TRANSPARENT);
    for (size_t k = 0; k < lines.size(); ++k) {
        int x = textAlign_ == haLeft    ? r.Left
                : textAlign_ == haRight ? r.Right - ext[k].cx
                                        : r.Left + (r.Width() - ext[k].cx) / 2;
        int a;
        std::string shown = StripAccel(lines[k], &a);
        if (a < 0) {
            c->TextOut(x, y, shown);
        } else {
            std::string before = shown.substr(0, size_t(a)), letter = shown.substr(size_t(a), 1),
                        after = shown.substr(size_t(a) + 1);
            c->TextOut(x, y, before);
            x += c->TextWidth(before);
            TFontStyles st = c->Font()->Style();
            c->Font()->SetStyle(st | fsUnderline);
            c->TextOut(x, y, letter);
            x += c->TextWidth(letter);
            c->Font()->SetStyle(st);
            c->TextOut(x, y, after);
        }
        y += ext[k].cy;
    }
}

void TVtCustomTabControl::DrawTab(TCanvas* c, int i) {
    const TVtTabData& t = *tabs_[size_t(i)];
    TRect bounds;
    std::vector<TPoint> pts = Polygon(i, bounds);
    HRGN rgn = RegionOf(i);
    bool selected = i == tabIndex_;
    if (c->SaveDC() == 0) throw Exception("Error saving device context");
    c->SelectClipRgn(rgn);
    TColor selFill = Color(), first = tabColors_->Unselected(), second = tabColors_->Shadow();
    if (useColoredTabs_) selFill = first = t.Color, second = DarkerColor(t.Color, 30);
    c->Brush()->SetStyle(bsSolid);
    bool handled = false;
    DoPaintTabBackground(c, i, bounds, handled);
    if (handled) {
    } else if (selected) {
        c->Brush()->SetColor(selFill);
        c->FillRect(bounds);
    } else if (useGradients_ && IsHighColorDisplay()) {
        bool nearFirst = orientation_ == toTop || orientation_ == toLeft;
        DrawGradient(c, bounds, IsVerticalStrip(orientation_) ? 5 : 2, nearFirst ? first : second,
                     nearFirst ? second : first, 1);
    } else {
        c->Brush()->SetColor(first);
        c->FillRect(bounds);
    }
    // Content.
    TRect r = bounds;
    int h = r.Height(), w = r.Width(), cc = cutCorner_;
    switch (style_) {
    case tsSingleSlant:
        InflateRect(r, -1, -1);
        if (!IsVerticalStrip(orientation_)) {
            r.Right -= 2 * Overlap(h) + 2;
            OffsetRect(r, 3, 0);
        } else {
            if (orientation_ == toRight) r.Bottom -= 2 * Overlap(w) + 2, OffsetRect(r, 0, 2);
            else r.Top += 2 * Overlap(w) + 2, OffsetRect(r, 0, -2);
            OffsetRect(r, 0, 1);
        }
        break;
    case tsDoubleSlant:
        if (!IsVerticalStrip(orientation_)) {
            InflateRect(r, 1, -1);
            InflateRect(r, -Overlap(h), 0);
            OffsetRect(r, 1, 0);
        } else {
            InflateRect(r, -1, 1);
            InflateRect(r, 0, -Overlap(w));
            r.Bottom += 2;
            OffsetRect(r, 0, 1);
        }
        break;
    case tsCutCorner:
        if (!IsVerticalStrip(orientation_)) InflateRect(r, VerticalText() ? -4 : -(cc + 3), -1);
        else InflateRect(r, -1, VerticalText() ? -(cc + 3) : -4);
        break;
    default: VerticalText() ? InflateRect(r, -2, -4) : InflateRect(r, -4, -2); break;
    }
    // Room on the outer edge: the cut corner's depth where the text runs across it.
    int cutAcross = IsVerticalStrip(orientation_) ? (VerticalText() ? 5 : cc + 5) : (VerticalText() ? cc + 3 : 3);
    switch (orientation_) {
    case toTop: r.Top += style_ == tsCutCorner ? cutAcross : style_ == tsRoundCorners ? 0 : 2; break;
    case toBottom:
        if (style_ != tsRoundCorners) r.Bottom -= style_ == tsCutCorner ? cutAcross : 2, OffsetRect(r, 0, 1);
        break;
    case toLeft:
        if (style_ != tsRoundCorners) r.Left += style_ == tsCutCorner ? cutAcross : 2;
        break;
    default:
        if (style_ != tsRoundCorners) r.Right -= style_ == tsCutCorner ? cutAcross : 2, OffsetRect(r, 1, 0);
        break;
    }
    InflateRect(r, -1, -1);
    DrawImage(c, i, r);
    // Bars from the outer edge inward.
    auto bar = [&](TColor col) {
        TRect b = bounds;
        InflateRect(b, 1, 1);
        int depth = orientation_ == toTop || orientation_ == toLeft ? 6 : 4;
        switch (orientation_) {
        case toTop: b.Bottom = b.Top + depth; break;
        case toBottom: b.Top = b.Bottom - depth; break;
        case toLeft: b.Right = b.Left + depth; break;
        default: b.Left = b.Right - depth; break;
        }
        TColor keep = c->Brush()->Color();
        c->Brush()->SetColor(col);
        c->FillRect(b);
        c->Brush()->SetColor(keep);
    };
    c->SetFont(*Font());
    if (selected && boldCurrent_) c->Font()->SetStyle(c->Font()->Style() | fsBold);
    bool hot = hotTrack_ && i == hot_;
    TVtTextStyle ts = !t.Enabled ? tsDisabledShadow : hot ? tsHotTrack : selected ? tsSelected : tsUnselected;
    if (!t.Enabled) {
        // Engraved: a highlight copy one pixel off, then the shadow over it; each pass may be recoloured.
        TColor hi = textColors_->DisabledHighlight();
        bool hiHandled = false;
        DoGetTextColor(i, tsDisabledHighlight, hi, hiHandled);
        c->Font()->SetColor(hi);
        TRect r1 = r;
        OffsetRect(r1, 1, 1);
        DrawCaption(c, i, r1);
    }
    TColor color = !t.Enabled ? textColors_->DisabledShadow()
                   : hot      ? (hotTrackStyle_ == htsText ? hotTrackColor_ : textColors_->Selected())
                   : selected ? textColors_->Selected()
                              : textColors_->Unselected();
    bool colorHandled = false;
    DoGetTextColor(i, ts, color, colorHandled);
    // A handler that takes the colour takes the bars with it.
    if (!colorHandled && t.Enabled && hotTrackStyle_ == htsTab) {
        if (hot) {
            TColor col = hotTrackColor_;
            if (hotTrackColorType_ == htctComplement) {
                BYTE hue = GetHue(hotTrackColor_);
                col = HLSToColor(BYTE(hue < 120 ? hue + 120 : hue - 120), 240, 140);
            }
            bar(col);
        } else if (selected && hotTrack_) {
            bar(tabColors_->HighlightBar());
        }
    }
    c->Font()->SetColor(color);
    DrawCaption(c, i, r);
    if (showFocusRect_ && selected && Focused()) {
        TRect f = r;
        if (IsVerticalStrip(orientation_)) InflateRect(f, 0, 1);
        else InflateRect(f, 1, 0);
        if (style_ == tsRoundCorners)
            OffsetRect(f, orientation_ == toLeft ? -2 : orientation_ == toRight ? 2 : 0,
                       orientation_ == toTop ? -1 : orientation_ == toBottom ? 1 : 0);
        c->DrawFocusRect(f);
    }
    if (!c->RestoreDC(-1)) throw Exception("Error restoring device context");
    // The outline; the edge on the card side belongs to the card frame.
    std::vector<int> cmd{2, 0, 0, 0, 3, pts[0].X, pts[0].Y};
    for (size_t k = 1; k < pts.size(); ++k) cmd.insert(cmd.end(), {4, pts[k].X, pts[k].Y});
    if (selected && orientation_ == toTop && sequence_ == tsStandard && showShadow_ && pts.size() >= 2) {
        // The card's soft shadow continues up the selected tab's right-hand edge, two pixels wide, a row at a
        // time so that it follows a slanted edge too.
        TPoint a = pts[pts.size() - 2], b = pts.back();
        for (int y = a.Y + 1; y < b.Y; ++y) {
            int x = b.Y == a.Y ? b.X : a.X + (b.X - a.X) * (y - a.Y) / (b.Y - a.Y);
            cmd.insert(cmd.end(), {3, x + 1, y, 5, x + 2, y, 6, x + 3, y});
        }
    }
    RunPen(c, cmd);
}

void TVtCustomTabControl::Paint() {
    UpdateLayout();
    if (back_.Width() != Width() || back_.Height() != Height()) back_.SetSize(Width(), Height());
    TCanvas* c = back_.Canvas();
    c->Brush()->SetStyle(bsSolid);
    PlaceCloseButton();
    bool handled = false;
    DoPaintBackground(c, TRect(0, 0, Width(), Height()), handled);
    if (handled) {
    } else if (transparent_) {
        DrawParentBackground(this, c);
    } else {
        c->Brush()->SetColor(backgroundColor_);
        c->FillRect(TRect(0, 0, Width(), Height()));
    }
    PlaceScroller();
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    // Rows furthest from the card first; within a row the later tabs lie under the earlier ones.
    for (int row = rowCount_ - 1; row >= 0; --row) {
        if (row < rowCount_ - 1) DrawCard(c, row + 1);
        for (int i = TabCount() - 1; i >= 0; --i) {
            const TVtTabData& t = *tabs_[size_t(i)];
            if (i == tabIndex_ || t.Row != row || i < firstVisible_ || !TabInView(i)) continue;
            DrawTab(c, i);
        }
    }
    if (tabIndex_ >= 0 && TabInView(tabIndex_)) DrawTab(c, tabIndex_);
    if (cardVisible_ || TabCount() == 0) DrawCard(c, 0);
    Canvas()->Draw(0, 0, &back_);
}
