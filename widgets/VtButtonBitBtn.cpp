#include "widgets/VtButton.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/ActnList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Themes.h"
#include "widgets/VtCommon.h"
#include "widgets/VtGrafx.h"

// ---------------------------------------------------------------- stock glyphs of the kinds

namespace {
using Art = std::vector<std::string>;
const Art CheckArt{"................", "................", "............##..", "...........###..",
                   "..........###...", ".........###....", "..##....###.....", "..###..###......",
                   "...######.......", "....####........", ".....##.........", "................",
                   "................", "................", "................", "................"};
const Art CrossArt{"................", "................", "...##......##...", "...###....###...",
                   "....###..###....", ".....######.....", "......####......", "......####......",
                   ".....######.....", "....###..###....", "...###....###...", "...##......##...",
                   "................", "................", "................", "................"};
const Art QuestionArt{"................", "......####......", ".....##..##.....", ".....##..##.....",
                      ".........##.....", "........##......", ".......##.......", ".......##.......",
                      ".......##.......", "................", ".......##.......", ".......##.......",
                      "................", "................", "................", "................"};
const Art RetryArt{"................", "......####......", "....##....##....", "...##......#....",
                   "...#.......###..", "..##........#...", "..#.............", "..#.............",
                   "..##........##..", "...#.......##...", "...##.....##....", "....##...##.....",
                   "......####......", "................", "................", "................"};
const Art DashArt{"................", "................", "................", "................",
                  "................", "................", "..############..", "..############..",
                  "................", "................", "................", "................",
                  "................", "................", "................", "................"};

struct KindRow {
    const char* caption;
    int modalResult;
    const char* resource;
    const Art* art;
    char ink;
};
const KindRow Kinds[] = {{"", 0, "", nullptr, 0},
                         {"OK", 1, "VTCOMMON_OK", &CheckArt, 'g'},
                         {"Cancel", 2, "VTCOMMON_CANCEL", &CrossArt, 'r'},
                         {"&Help", 0, "VTCOMMON_HELP", &QuestionArt, 'b'},
                         {"&Yes", 6, "VTCOMMON_YES", &CheckArt, 'g'},
                         {"&No", 7, "VTCOMMON_NO", &CrossArt, 'r'},
                         {"&Close", 0, "VTCOMMON_CLOSE", &CrossArt, 'k'},
                         {"Abort", 3, "VTCOMMON_ABORT", &CrossArt, 'r'},
                         {"&Retry", 4, "VTCOMMON_RETRY", &RetryArt, 'g'},
                         {"&Ignore", 5, "VTCOMMON_IGNORE", &DashArt, 'b'},
                         {"&All", 8, "VTCOMMON_ALL", &CheckArt, 'b'}};
const std::map<char, TColor> KindPalette{{'.', RGB(0, 128, 128)}, {'g', RGB(0, 128, 0)},   {'r', RGB(192, 0, 0)},
                                         {'b', RGB(0, 0, 160)},    {'k', RGB(0, 0, 0)},     {'s', RGB(128, 128, 128)},
                                         {'h', RGB(255, 255, 255)}};

// The normal cell in its ink, then the disabled one: shadow ink over a highlight one pixel down and right.
Art KindCells(const Art& art, char ink) {
    Art rows(art.size());
    for (size_t y = 0; y < art.size(); ++y) {
        std::string normal = art[y], dis(art[y].size(), '.');
        for (size_t x = 0; x < normal.size(); ++x) {
            if (normal[x] == '#') {
                normal[x] = ink;
                dis[x] = 's';
            } else if (x > 0 && y > 0 && art[y - 1][x - 1] == '#') {
                dis[x] = 'h';
            }
        }
        rows[y] = normal + dis;
    }
    return rows;
}
}  // namespace

TBitmap* StockKindGlyph(TBitBtnKind k) {
    if (k == bkCustom || k > bkAll) return nullptr;
    static std::unique_ptr<TBitmap> cache[bkAll + 1];
    if (!cache[k]) {
        static const bool registered = [] {
            for (int i = bkOK; i <= bkAll; ++i)
                RegisterBitmapResource(Kinds[i].resource, KindCells(*Kinds[i].art, Kinds[i].ink), KindPalette);
            return true;
        }();
        (void)registered;
        auto b = std::make_unique<TBitmap>();
        if (!LoadBitmapResource(*b, Kinds[k].resource)) return nullptr;
        cache[k] = std::move(b);
    }
    return cache[k].get();
}

// ---------------------------------------------------------------- TVtBitBtn

static const TEnumInfo KindIdents{{"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort",
                                   "bkRetry", "bkIgnore", "bkAll"}};

const TClassInfo& TVtBitBtn::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtBitBtn;
        TClassInfo c{"TVtBitBtn", &TVtButton::StaticClass(), Creator<C>(), {}, {}};
        c.props = {OrdProp<C, TBitBtnKind>("Kind", &C::Kind, &C::SetKind, bkCustom, &KindIdents),
                   OrdProp<C, TButtonLayout>("Layout", &C::Layout, &C::SetLayout, blGlyphLeft, &ButtonLayoutIdents),
                   OrdProp<C, int>("Margin", &C::Margin, &C::SetMargin, 2),
                   OrdProp<C, TNumGlyphs>("NumGlyphs", &C::NumGlyphs, &C::SetNumGlyphs, 1),
                   OrdProp<C, int>("Spacing", &C::Spacing, &C::SetSpacing, 4),
                   OrdProp<C, int>("ImageIndex", &C::ImageIndex, &C::SetImageIndex, -1),
                   OrdProp<C, int>("DisabledIndex", &C::DisabledIndex, &C::SetDisabledIndex, -1),
                   RefProp<C, TCustomImageList>("Images", &C::Images, &C::SetImages)};
        return c;
    }();
    return ci;
}

TVtBitBtn::TVtBitBtn(TComponent* owner) : TVtButton(owner), glyph_(std::make_unique<TBitmap>()) {}

TVtBitBtn::~TVtBitBtn() = default;

const char* TVtBitBtn::StockCaption(TBitBtnKind k) { return k <= bkAll ? Kinds[k].caption : ""; }

void TVtBitBtn::GlyphChanged() {
    int w = glyph_->Width(), h = glyph_->Height();
    if (h != 0 && w % h == 0) {
        int n = w / h;
        numGlyphs_ = n > 4 ? 1 : n;
    }
    Invalidate();
}

void TVtBitBtn::SetGlyph(const TBitmap* b) {
    if (b && b->Width() > 0 && b->Height() > 0)
        glyph_->Assign(*b);
    else
        glyph_ = std::make_unique<TBitmap>();
    customGlyph_ = true;
    GlyphChanged();
}

TBitBtnKind TVtBitBtn::Kind() const {
    if (kind_ != bkCustom) {
        const KindRow& k = Kinds[kind_];
        bool def = kind_ == bkOK || kind_ == bkYes, cancel = kind_ == bkCancel || kind_ == bkNo;
        if (Default() != def || Cancel() != cancel || ModalResult() != k.modalResult || customGlyph_) kind_ = bkCustom;
    }
    return kind_;
}

void TVtBitBtn::SetKind(TBitBtnKind k) {
    if (k > bkAll || k == kind_) return;
    if (k != bkCustom) {
        SetDefault(k == bkOK || k == bkYes);
        SetCancel(k == bkCancel || k == bkNo);
        if (!IsLoading() || Caption().empty()) SetCaption(Kinds[k].caption);
        SetModalResult(Kinds[k].modalResult);
        if (TBitmap* stock = StockKindGlyph(k))
            glyph_->Assign(*stock);
        numGlyphs_ = 2;
        customGlyph_ = false;
    }
    kind_ = k;
    Invalidate();
}

void TVtBitBtn::SetLayout(TButtonLayout l) {
    if (l == layout_) return;
    layout_ = l;
    Invalidate();
}

void TVtBitBtn::SetMargin(int m) {
    if (m < -1 || m == margin_) return;
    margin_ = m;
    Invalidate();
}

void TVtBitBtn::SetNumGlyphs(TNumGlyphs n) {
    n = n < 1 ? 1 : n > 4 ? 4 : n;
    if (n == numGlyphs_) return;
    numGlyphs_ = n;
    Invalidate();
}

void TVtBitBtn::SetSpacing(int s) {
    if (s == spacing_) return;
    spacing_ = s;
    Invalidate();
}

void TVtBitBtn::ChangeScale(int m, int d) {
    if (m <= 0 || d <= 0 || m == d) return;
    if (margin_ > 0) SetMargin(MulDiv(margin_, m, d));
    if (spacing_ > 0) SetSpacing(MulDiv(spacing_, m, d));
}

void TVtBitBtn::SetImageIndex(int i) {
    if (i == imageIndex_) return;
    imageIndex_ = i;
    Invalidate();
}

void TVtBitBtn::SetDisabledIndex(int i) {
    if (i == disabledIndex_) return;
    disabledIndex_ = i;
    Invalidate();
}

void TVtBitBtn::SetImages(TCustomImageList* l) {
    if (images_) images_->RemoveFreeNotification(this);
    images_ = l;
    if (l) l->FreeNotification(this);
    Invalidate();
}

void TVtBitBtn::Notification(TComponent* c, TOperation op) {
    TVtButton::Notification(c, op);
    if (op == opRemove && c == images_) images_ = nullptr;
}

void TVtBitBtn::Click() {
    if (kind_ == bkClose)
        if (TCustomForm* f = GetParentForm(this)) f->Close();
    TVtButton::Click();
}

bool TVtBitBtn::HasGlyph() {
    return (images_ && imageIndex_ != -1) || (glyph_->Width() > 0 && glyph_->Height() > 0);
}

TSize TVtBitBtn::GetGlyphSize() {
    if (images_ && imageIndex_ != -1) return TSize{images_->Width(), images_->Height()};
    if (glyph_->Width() == 0) return TSize{0, 0};
    return TSize{glyph_->Width() / numGlyphs_, glyph_->Height()};
}

int TVtBitBtn::CaptionHeight() {
    TBitmap probe(1, 1);
    probe.Canvas()->SetFont(*Font());
    TRect r = TVtButton::GetCaptionRect(ClientRect());
    probe.Canvas()->DrawText(Caption(), r, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK | DT_CENTER | DT_VCENTER);
    return r.Height();
}

TRect TVtBitBtn::GetCaptionRect(TRect r) {
    r = TVtButton::GetCaptionRect(r);
    r.Right -= ArrowRoom();
    if (!HasGlyph()) return r;
    TSize g = GetGlyphSize();
    int th = CaptionHeight(), h = Height();
    int t = (h - (g.cy + th + spacing_)) / 2;
    switch (layout_) {
    case blGlyphLeft: r.Left += (margin_ == -1 ? -1 : margin_) + g.cx + spacing_; break;
    case blGlyphRight: r.Right -= (margin_ == -1 ? -1 : margin_) + g.cx + spacing_; break;
    case blGlyphTop:
        if (margin_ == -1) {
            r.Top += t + g.cy;
            r.Bottom = r.Top + th;
        } else {
            r.Top += margin_ + g.cy + spacing_;
        }
        break;
    case blGlyphBottom:
        if (margin_ == -1) {
            r.Top += t;
            r.Bottom = r.Top + th;
        } else {
            r.Bottom -= margin_ + g.cy + spacing_;
        }
        break;
    }
    return r;
}

TRect TVtBitBtn::GetGlyphRect() {
    TRect r = TVtButton::GetCaptionRect(ClientRect());
    bool themed = UsingTheme();
    if (Pressed()) OffsetRect(r, -1, themed ? 0 : -1);
    TSize g = GetGlyphSize();
    int th = CaptionHeight(), h = Height();
    int t = (h - (g.cy + th + spacing_)) / 2;
    switch (layout_) {
    case blGlyphLeft:
        if (margin_ != -1) r.Left += margin_;
        break;
    case blGlyphRight: r.Left = r.Right - (margin_ == -1 ? 0 : margin_) - g.cx - ArrowRoom(); break;
    case blGlyphTop: r.Top = margin_ == -1 ? t : r.Top + margin_; break;
    case blGlyphBottom: r.Top = margin_ == -1 ? r.Top + th + t : r.Bottom - margin_ - g.cy; break;
    }
    if (layout_ == blGlyphTop || layout_ == blGlyphBottom) {
        r.Left += (r.Right - r.Left - g.cx + 1) / 2 - ArrowRoom() / 2;
    } else {
        r.Top += (r.Bottom - r.Top - g.cy + 1) / 2;
    }
    r.Right = r.Left + g.cx;
    r.Bottom = r.Top + g.cy;
    if (Pressed()) OffsetRect(r, themed ? 2 : 1, themed ? 0 : 1);
    return r;
}

void TVtBitBtn::DrawImage(TCanvas* c, TRect r) {
    if (disabledIndex_ == -1)
        images_->Draw(c, r.Left, r.Top, imageIndex_, Enabled());
    else
        images_->Draw(c, r.Left, r.Top, Enabled() ? imageIndex_ : disabledIndex_, true);
}

void TVtBitBtn::DrawGlyph(TCanvas* c, TRect r) {
    TSize g = GetGlyphSize();
    int cell = numGlyphs_ > 1 && !Enabled() ? 1 : 0;
    TBitmap b(r.Width(), r.Height());
    b.Canvas()->CopyRect(TRect(0, 0, r.Width(), r.Height()), c, r);
    TColor transparent = glyph_->Canvas()->Pixel(0, glyph_->Height() - 1);
    StretchBitmapTransparent(b.Canvas(), TRect(0, 0, r.Width(), r.Height()), glyph_.get(),
                             TRect(cell * g.cx, 0, (cell + 1) * g.cx, g.cy), transparent);
    c->Draw(r.Left, r.Top, &b);
}

void TVtBitBtn::DrawButtonCaption(TCanvas* c) {
    TVtButton::DrawButtonCaption(c);
    if (Kind() == bkCustom && images_ && imageIndex_ != -1)
        DrawImage(c, GetGlyphRect());
    else if (glyph_->Width() > 0 && glyph_->Height() > 0)
        DrawGlyph(c, GetGlyphRect());
}

void TVtBitBtn::ActionChange(TObject* sender, bool checkDefaults) {
    TVtButton::ActionChange(sender, checkDefaults);
    if (auto* a = dynamic_cast<TAction*>(sender); a && !(checkDefaults && imageIndex_ != -1))
        SetImageIndex(a->ImageIndex());
}
