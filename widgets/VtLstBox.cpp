#include "widgets/VtLstBox.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Themes.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "widgets/VtCommon.h"
#include "widgets/VtGrafx.h"

static constexpr UINT SearchTimer = 1;

// ---------------------------------------------------------------- list box
const TClassInfo& TVtCustomListBox::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomListBox;
        TClassInfo c{"TVtCustomListBox", &TCustomListBox::StaticClass(), {}, {}, {}};
        c.props = ColorAndFrameProps<C>();
        c.props.insert(c.props.end(), {
                   RefProp<C, TVtFrameController>("FrameController", &C::FrameController, &C::SetFrameController),
                   BoolProp<C>("TabOnEnter", &C::TabOnEnter, &C::SetTabOnEnter, 0),
                   OrdProp<C, uint16_t>("HorzExtent", &C::HorzExtent, &C::SetHorzExtent, 0),
                   BoolProp<C>("HorzScrollBar", &C::HorzScrollBar, &C::SetHorzScrollBar, 0),
                   BoolProp<C>("ShowItemHints", &C::ShowItemHints, &C::SetShowItemHints, 1),
                   EventProp("OnMouseEnter", &C::OnMouseEnter), EventProp("OnMouseLeave", &C::OnMouseLeave),
                   OrdProp<C, TColor>("GroupColor", &C::GroupColor, &C::SetGroupColor, clInactiveCaptionText),
                   BoolProp<C>("UseGradients", &C::UseGradients, &C::SetUseGradients, 1),
                   BoolProp<C>("IncrementalSearch", &C::IncrementalSearch, &C::SetIncrementalSearch, 1),
                   BoolProp<C>("BeepOnInvalidKey", &C::BeepOnInvalidKey, &C::SetBeepOnInvalidKey, 1),
                   NestedProp<C, TFont>("GroupFont", &C::GroupFont),
                   EventProp("OnDeleteItems", &C::OnDeleteItems),
                   EventProp("OnMatch", &C::OnMatch)});
        return c;
    }();
    return ci;
}

TVtCustomListBox::TVtCustomListBox(TComponent* owner) : TCustomListBox(owner) {
    FollowFont();
    groupFont_->OnChange = [this] {
        groupFontChanged_ = true;
        Invalidate();
    };
    Items()->OnDeleting = [this](int i) {
        if (TObject* data = Items()->Objects(i); data && OnDeleteItems) OnDeleteItems(this, data);
    };
}

// The group font is the control's font in bold highlight until someone sets it.
void TVtCustomListBox::FollowFont() {
    auto keep = std::move(groupFont_->OnChange);
    groupFont_->Assign(*Font());
    groupFont_->SetStyle(groupFont_->Style() | fsBold);
    groupFont_->SetColor(clHighlight);
    groupFont_->OnChange = std::move(keep);
}

TVtCustomListBox::~TVtCustomListBox() {
    Items()->OnDeleting = nullptr;
    StopSearchTimer();
    hint_.reset();
    if (frameController_) frameController_->RemoveControl(this);
}

bool TVtCustomListBox::UseThemes() const {
    return framingPreference_ == fpXPThemes && ThemeServices()->ThemesEnabled();
}

void TVtCustomListBox::RepaintFrame() {
    if (HandleAllocated()) InvalidateFrame();
}

void TVtCustomListBox::FrameVisibleChanged() {
    if (frameVisible_) SetCtl3D(true);
    RepaintFrame();
}

void TVtCustomListBox::SetHorzExtent(uint16_t e) {
    horzExtent_ = e;
    if (HandleAllocated()) Perform(LB_SETHORIZONTALEXTENT, e, 0);
}

void TVtCustomListBox::SetHorzScrollBar(bool h) {
    if (h == horzScrollBar_) return;
    horzScrollBar_ = h;
    if (HandleAllocated()) RecreateWnd();
    if (h) UpdateHorzExtent();
}

void TVtCustomListBox::CreateParams(TCreateParams& p) {
    TCustomListBox::CreateParams(p);
    if (horzScrollBar_) p.Style |= WS_HSCROLL;
}

void TVtCustomListBox::CreateWnd() {
    TCustomListBox::CreateWnd();
    Perform(LB_SETHORIZONTALEXTENT, horzExtent_, 0);
}

int TVtCustomListBox::ItemTextWidth(TCanvas* c, int i) const { return c->TextWidth(Items()->Strings(i) + "x"); }

void TVtCustomListBox::UpdateHorzExtent() {
    TBitmap b(1, 1);
    b.Canvas()->SetFont(*Font());
    int widest = 0;
    for (int i = 0; i < Items()->Count(); ++i) widest = std::max(widest, ItemTextWidth(b.Canvas(), i));
    SetHorzExtent(uint16_t(std::min(widest, 0xFFFF)));
}

void TVtCustomListBox::ItemsChanged(int index, int delta) {
    TCustomListBox::ItemsChanged(index, delta);
    if (horzScrollBar_ && (delta != 0 || index < 0) && Items()->UpdateCount() == 0) UpdateHorzExtent();
}

void TVtCustomListBox::ItemsDeleted(const std::vector<bool>& gone) {
    TCustomListBox::ItemsDeleted(gone);
    if (horzScrollBar_ && Items()->UpdateCount() == 0) UpdateHorzExtent();
}

void TVtCustomListBox::ItemsUpdated() {
    if (horzScrollBar_) UpdateHorzExtent();
}

void TVtCustomListBox::SetShowItemHints(bool s) {
    showItemHints_ = s;
    if (!s) HideItemHint();
}

void TVtCustomListBox::HideItemHint() {
    if (hint_) hint_->ReleaseHandle();
}

void TVtCustomListBox::UpdateItemHint(int x, int y) {
    int i = showItemHints_ ? ItemAtPos(TPoint(x, y), true) : -1;
    if (i < 0 || !Screen->ActiveForm()) {
        HideItemHint();
        return;
    }
    std::string text;
    for (char ch : Items()->Strings(i)) text += ch == '\t' ? std::string(8, ' ') : std::string(1, ch);
    TBitmap b(1, 1);
    b.Canvas()->SetFont(*Font());
    if (b.Canvas()->TextWidth(text) + 2 <= ClientWidth()) {
        HideItemHint();
        return;
    }
    if (!hint_) {
        hint_ = std::make_unique<THintWindow>(nullptr);
        hint_->Font()->Assign(*Font());
        hint_->Font()->SetColor(clInfoText);
    }
    // Over the item, its text where the item's own would be.
    TRect ir = ItemRect(i), need = hint_->CalcHintRect(text);
    TPoint at = ClientToScreen(TPoint(ir.Left - 1, ir.Top + (ir.Height() - need.Height()) / 2));
    hint_->ActivateHint(TRect(at.X, at.Y, at.X + need.Width(), at.Y + need.Height()), text);
}

void TVtCustomListBox::MouseMove(TShiftState s, int x, int y) {
    TCustomListBox::MouseMove(s, x, y);
    UpdateItemHint(x, y);
}

void TVtCustomListBox::SetFrameController(TVtFrameController* c) { LinkFrameController(this, frameController_, c); }

void TVtCustomListBox::Notification(TComponent* c, TOperation op) {
    TCustomListBox::Notification(c, op);
    if (op == opRemove && c == frameController_) frameController_ = nullptr;
}

void TVtCustomListBox::PaintFrame() {
    if (!HandleAllocated() || !frameVisible_ || UseThemes()) return;
    bool hot = frameHotTrack_ && (Focused() || mouseOver_);
    DrawControlFrame(WindowCanvas(), Width(), Height(), hot ? frameHotStyle_ : frameStyle_, Color(),
                     hot ? frameHotColor_ : frameColor_, frameSides_, false);
}

bool TVtCustomListBox::ItemIsGroup(int i) const {
    if (i < 0 || i >= Items()->Count()) return false;
    const std::string& s = Items()->Strings(i);
    if (s.size() < groupPrefix_.size()) return false;
    // A plain loop, not a library compare: this runs for every item added to a check list.
    for (size_t k = 0; k < groupPrefix_.size(); ++k)
        if (s[k] != groupPrefix_[k]) return false;
    return true;
}

int TVtCustomListBox::FindGroup(int i) const {
    for (i = std::min(i, Items()->Count() - 1); i >= 0; --i)
        if (ItemIsGroup(i)) return i;
    return -1;
}

int TVtCustomListBox::FindItem(const std::string& text) const {
    auto lower = [](std::string s) {
        for (char& ch : s) ch = char(std::tolower(uint8_t(ch)));
        return s;
    };
    std::string t = lower(text);
    for (int i = 0; i < Items()->Count(); ++i)
        if (lower(Items()->Strings(i)).compare(0, t.size(), t) == 0) return i;
    return -1;
}

void TVtCustomListBox::SelectAll() {
    if (!MultiSelect()) return;
    for (int i = 0; i < Items()->Count(); ++i) SetSelected(i, true);
}

void TVtCustomListBox::SetGroupPrefix(const std::string& p) {
    if (groupPrefix_ == p) return;
    groupPrefix_ = p;
    GroupPrefixChanged();
    Invalidate();
}
void TVtCustomListBox::SetGroupColor(TColor c) {
    groupColor_ = c;
    Invalidate();
}
void TVtCustomListBox::SetShowGroups(bool s) {
    showGroups_ = s;
    Invalidate();
}
void TVtCustomListBox::SetUseGradients(bool u) {
    useGradients_ = u;
    Invalidate();
}
void TVtCustomListBox::SetFocusColor(TColor c) {
    focusColor_ = c;
    UpdateColors();
}
void TVtCustomListBox::SetDisabledColor(TColor c) {
    disabledColor_ = c;
    UpdateColors();
}
void TVtCustomListBox::SetNormalColor(TColor c) {
    normalColor_ = c;
    UpdateColors();
}

void TVtCustomListBox::UpdateColors() {
    if (IsLoading()) return;
    updatingColor_ = true;
    SetColor(!Enabled() ? disabledColor_ : Focused() ? focusColor_ : normalColor_);
    updatingColor_ = false;
    if (frameHotTrack_) RepaintFrame();
}

void TVtCustomListBox::Loaded() {
    TCustomListBox::Loaded();
    UpdateColors();
}

void TVtCustomListBox::DoEnter() {
    TCustomListBox::DoEnter();
    UpdateColors();
}
void TVtCustomListBox::DoExit() {
    TCustomListBox::DoExit();
    UpdateColors();
}

void TVtCustomListBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    TCanvas* c = Canvas();
    if (showGroups_ && ItemIsGroup(index)) {
        DrawGroupItem(index, rect, state);
        return;
    }
    c->FillRect(rect);
    DrawItemText(index, rect);
}

void TVtCustomListBox::DrawItemText(int index, TRect rect) {
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsClear);
    const std::string& s = Items()->Strings(index);
    int x = UseRightToLeftReading() ? rect.Right - 2 - c->TextWidth(s) : rect.Left + 2;
    c->TextOut(x, rect.Top + (rect.Height() - c->TextHeight(s)) / 2, s);
    c->Brush()->SetStyle(bsSolid);
}

void TVtCustomListBox::DrawGroupItem(int index, TRect rect, TOwnerDrawState state) {
    TCanvas* c = Canvas();
    c->SetFont(*groupFont_);
    if (state & odSelected) {
        c->Brush()->SetColor(clHighlight);
        c->FillRect(rect);
        c->Font()->SetColor(clHighlightText);
    } else if (useGradients_ && IsHighColorDisplay()) {
        // Left to right: the group colour at the text's side.
        bool rtl = UseRightToLeftReading();
        DrawGradient(c, rect, 5, rtl ? Color() : groupColor_, rtl ? groupColor_ : Color(), 1);
    } else {
        c->Brush()->SetColor(groupColor_);
        c->FillRect(rect);
    }
    std::string s = Items()->Strings(index).substr(groupPrefix_.size());
    c->Brush()->SetStyle(bsClear);
    int x = UseRightToLeftReading() ? rect.Right - 2 - c->TextWidth(s) : rect.Left + 2;
    c->TextRect(rect, x, rect.Top + (ItemHeight() - c->TextHeight(s)) / 2, s);
    c->Brush()->SetStyle(bsSolid);
}

void TVtCustomListBox::Beep() { MessageBeep(0); }

void TVtCustomListBox::StopSearchTimer() {
    if (searchTimer_) KillTimer(this, SearchTimer);
    searchTimer_ = false;
}

void TVtCustomListBox::Search(const std::string& candidate) {
    int i = FindItem(candidate);
    if (i < 0) {
        if (beepOnInvalidKey_) Beep();
        return;
    }
    if (MultiSelect()) {
        if (ItemIndex() >= 0) SetSelected(ItemIndex(), false);
        SetSelected(i, true);
    }
    SetItemIndex(i);
    searchText_ = candidate;
    if (OnMatch) OnMatch(this);
}

void TVtCustomListBox::KeyPress(char& key) {
    if (!incrementalSearch_) {
        TCustomListBox::KeyPress(key);
        return;
    }
    uint8_t k = uint8_t(key);
    if (k == 8) {
        if (searchText_.empty()) {
            if (beepOnInvalidKey_) Beep();
        } else {
            searchText_.pop_back();
            if (searchText_.empty()) SetItemIndex(0);
            else Search(searchText_);
        }
        key = 0;
    } else if (k == 13 && tabOnEnter_) {
        PostMessage(this, WM_KEYDOWN, VK_TAB, 0);
        key = 0;
    } else if (k == 27) {
        SetItemIndex(-1);
        key = 0;
    } else if (k >= 32) {
        if (k == ' ' && MultiSelect()) {
            TCustomListBox::KeyPress(key);
            return;
        }
        Search(searchText_ + char(k));
        StopSearchTimer();
        searchTimer_ = SetTimer(this, SearchTimer, SearchResetMs) != 0;
        key = 0;
    } else {
        TCustomListBox::KeyPress(key);
    }
}

void TVtCustomListBox::KeyDown(WORD& key, TShiftState shift) {
    switch (key) {
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: searchText_.clear(); break;
    default: break;
    }
    TCustomListBox::KeyDown(key, shift);
}

void TVtCustomListBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft) searchText_.clear();
    TCustomListBox::MouseDown(b, s, x, y);
}

void TVtCustomListBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_TIMER:
        if (m.WParam == SearchTimer) {
            StopSearchTimer();
            searchText_.clear();
            return;
        }
        break;
    case CM_ENABLEDCHANGED: UpdateColors(); break;
    case CM_COLORCHANGED:
        if (!updatingColor_) TakeNormalColor(Color(), normalColor_, focusColor_);
        break;
    case CM_FONTCHANGED:
        TCustomListBox::Dispatch(m);
        if (!groupFontChanged_) FollowFont();
        if (horzScrollBar_) UpdateHorzExtent();
        return;
    case WM_NCPAINT:
        TCustomListBox::Dispatch(m);
        PaintFrame();
        m.Result = 0;
        return;
    case WM_SIZE:
        TCustomListBox::Dispatch(m);
        if (frameVisible_ && !UseThemes()) RepaintFrame();
        return;
    case CM_MOUSEENTER:
        mouseOver_ = true;
        UpdateColors();
        if (OnMouseEnter) OnMouseEnter(this);
        break;
    case CM_MOUSELEAVE:
        HideItemHint();
        mouseOver_ = false;
        UpdateColors();
        if (OnMouseLeave) OnMouseLeave(this);
        break;
    default: break;
    }
    TCustomListBox::Dispatch(m);
}

// ---------------------------------------------------------------- tab stops
void TVtTabStopList::Changed() {
    if (owner_) owner_->UpdateTabStops();
}
void TVtTabStopList::Put(int index, int32_t value) {
    TVtIntegerList::Put(index, value);
    Changed();
}
int TVtTabStopList::Add(int32_t value) {
    int i = TVtIntegerList::Add(value);
    Changed();
    return i;
}
void TVtTabStopList::Insert(int index, int32_t value) {
    TVtIntegerList::Insert(index, value);
    Changed();
}
void TVtTabStopList::Delete(int index) {
    TVtIntegerList::Delete(index);
    Changed();
}
void TVtTabStopList::Clear() {
    TVtIntegerList::Clear();
    Changed();
}

// ---------------------------------------------------------------- tabbed list box
static const TEnumInfo TabStopsModeIdents{{"tsmManual", "tsmAutomatic"}};

const TClassInfo& TVtCustomTabbedListBox::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomTabbedListBox;
        TClassInfo c{"TVtCustomTabbedListBox", &TVtCustomListBox::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<C, TVtTabStopsMode>("TabStopsMode", &C::TabStopsMode, &C::SetTabStopsMode, tsmManual,
                                               &TabStopsModeIdents)};
        return c;
    }();
    return ci;
}

TVtCustomTabbedListBox::TVtCustomTabbedListBox(TComponent* owner) : TVtCustomListBox(owner) {
    SetShowItemHints(false);
}

void TVtCustomTabbedListBox::MeasureFont() {
    TBitmap b(1, 1);
    b.Canvas()->SetFont(*Font());
    std::string letters;
    for (char ch = 'A'; ch <= 'Z'; ++ch) letters += ch;
    for (char ch = 'a'; ch <= 'z'; ++ch) letters += ch;
    avgCharWidth_ = int(std::lround(b.Canvas()->TextWidth(letters) / 52.0));
}

void TVtCustomTabbedListBox::SetTabStopsMode(TVtTabStopsMode m) {
    mode_ = m;
    if (m == tsmAutomatic) ComputeTabStops();
}

std::vector<int> TVtCustomTabbedListBox::GetTabStops() const {
    std::vector<int> out;
    int n = std::min(tabStops_.Count(), MaxTabStops);
    for (int i = 0; i < n; ++i) {
        // Four dialog units per character width, kept inside 32 bits.
        int64_t v = int64_t(tabStops_.Items(i)) * 4;
        out.push_back(int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)));
    }
    return out;
}

int TVtCustomTabbedListBox::StopPixels(int dialogUnits) const {
    int64_t avg = std::max(avgCharWidth_, 1);
    int64_t v = (int64_t(dialogUnits) * avg * 2 + (dialogUnits >= 0 ? 4 : -4)) / 8;  // rounded
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

void TVtCustomTabbedListBox::UpdateTabStops() { Invalidate(); }

namespace {
std::vector<std::string> Fields(const std::string& s) {
    std::vector<std::string> f(1);
    for (char ch : s) {
        if (ch == '\t') f.emplace_back();
        else f.back() += ch;
    }
    return f;
}
std::string JoinFields(const std::vector<std::string>& f) {
    std::string s;
    for (size_t i = 0; i < f.size(); ++i) s += (i ? "\t" : "") + f[i];
    return s;
}
}  // namespace

std::string TVtCustomTabbedListBox::Column(int i, int c) const {
    if (c < 0) throw Exception("Column index out of bounds (" + std::to_string(c) + ")");
    std::vector<std::string> f = Fields(Items()->Strings(i));  // raises for an item out of range
    return size_t(c) < f.size() ? f[size_t(c)] : std::string();
}

void TVtCustomTabbedListBox::SetColumn(int i, int c, const std::string& text) {
    if (c < 0) throw Exception("Column index out of bounds (" + std::to_string(c) + ")");
    std::vector<std::string> f = Fields(Items()->Strings(i));
    if (f.size() <= size_t(c)) f.resize(size_t(c) + 1);
    f[size_t(c)] = text;
    Items()->SetStrings(i, JoinFields(f));
}

void TVtCustomTabbedListBox::ComputeTabStops() {
    if (IsLoading() || IsDestroying()) return;
    MeasureFont();
    TBitmap b(1, 1);
    TCanvas* c = b.Canvas();
    size_t columns = 0;
    for (int i = 0; i < Items()->Count(); ++i) columns = std::max(columns, Fields(Items()->Strings(i)).size());
    std::vector<int32_t> stops;
    int64_t stop = 0;
    for (size_t col = 0; col < columns; ++col) {
        int widest = 0;
        for (int i = 0; i < Items()->Count(); ++i) {
            bool group = ItemIsGroup(i);
            std::string s = Items()->Strings(i);
            if (group && col == 0) s = s.substr(GroupPrefix().size());
            std::vector<std::string> f = Fields(s);
            if (col >= f.size()) continue;
            c->SetFont(group ? *GroupFont() : *Font());
            int w = c->TextWidth(f[col]) + (col == 0 && !group ? GetItemIndent() : 0);
            widest = std::max(widest, w);
        }
        stop += widest / std::max(avgCharWidth_, 1) + 4;
        stops.push_back(int32_t(std::min<int64_t>(stop, INT32_MAX)));
    }
    tabStops_.TVtIntegerList::Clear();
    for (int32_t s : stops) tabStops_.TVtIntegerList::Add(s);
    UpdateTabStops();
}

std::vector<int> TVtCustomTabbedListBox::FieldEdges(TCanvas* c, const std::vector<std::string>& f, int left) const {
    std::vector<int> stops = GetTabStops(), edges;
    int x = left;
    for (size_t k = 0; k < f.size(); ++k) {
        if (k > 0) {
            // The next stop past the text so far; without one, the default of eight characters.
            int64_t next = INT64_MIN;
            for (int s : stops)
                if (int64_t px = int64_t(left) + StopPixels(s); px > x) {
                    next = px;
                    break;
                }
            if (next == INT64_MIN) {
                int64_t step = int64_t(std::max(avgCharWidth_, 1)) * 8;
                next = left + ((int64_t(x) - left) / step + 1) * step;
            }
            x = int(std::min<int64_t>(next, INT_MAX / 2));
        }
        edges.push_back(x);
        x += c->TextWidth(f[k]);
    }
    edges.push_back(x);
    return edges;
}

void TVtCustomTabbedListBox::DrawItemText(int index, TRect rect) {
    TCanvas* c = Canvas();
    std::vector<std::string> f = Fields(Items()->Strings(index));
    std::vector<int> x = FieldEdges(c, f, rect.Left + 2);
    if (UseRightToLeftReading() && !f.empty()) {  // the whole line, stops kept, ends 2 pixels in from the right
        int shift = rect.Right - 2 - (x.back() + c->TextWidth(f.back()));
        for (int& e : x) e += shift;
    }
    c->Brush()->SetStyle(bsClear);
    int y = rect.Top + (rect.Height() - c->TextHeight("Pp")) / 2;
    for (size_t k = 0; k < f.size(); ++k) c->TextOut(x[k], y, f[k]);
    c->Brush()->SetStyle(bsSolid);
}

int TVtCustomTabbedListBox::ItemTextWidth(TCanvas* c, int i) const {
    return FieldEdges(c, Fields(Items()->Strings(i) + "x"), 0).back();
}

void TVtCustomTabbedListBox::ItemsChanged(int index, int delta) {
    if (mode_ == tsmAutomatic && Items()->UpdateCount() == 0) ComputeTabStops();
    TVtCustomListBox::ItemsChanged(index, delta);
}

void TVtCustomTabbedListBox::ItemsDeleted(const std::vector<bool>& gone) {
    if (mode_ == tsmAutomatic && Items()->UpdateCount() == 0) ComputeTabStops();
    TVtCustomListBox::ItemsDeleted(gone);
}

void TVtCustomTabbedListBox::ItemsUpdated() {
    if (mode_ == tsmAutomatic) ComputeTabStops();
    TVtCustomListBox::ItemsUpdated();
}

void TVtCustomTabbedListBox::Loaded() {
    TVtCustomListBox::Loaded();
    MeasureFont();
    if (mode_ == tsmAutomatic) ComputeTabStops();
}

void TVtCustomTabbedListBox::Dispatch(TMessage& m) {
    if (m.Msg == CM_FONTCHANGED) {
        MeasureFont();
        if (mode_ == tsmAutomatic && Items()->Count() > 0) ComputeTabStops();
    }
    TVtCustomListBox::Dispatch(m);
}

QM_CLASS_RECORD(TVtListBox, TVtCustomTabbedListBox)

void RegisterListBoxClasses() {
    RegisterClass(TVtListBox::StaticClass());
    RegisterPropertyReader(TVtCustomTabbedListBox::StaticClass(), "TabStops.Integers",
                           [](TObject* o, const TFormValue& v) {
                               static_cast<TVtCustomTabbedListBox*>(o)->TabStops()->ReadProperty("Integers", v);
                           });
    RegisterFrameLegacyReaders(TVtCustomListBox::StaticClass());
}
