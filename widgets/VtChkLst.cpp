#include "widgets/VtChkLst.h"

#include <algorithm>

#include "platform/rtl/MemoryBacking.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Themes.h"
#include "widgets/VtRadChk.h"

// ---------------------------------------------------------------- text form

namespace {
// "&", enabled "0"/"1", space, state "0".."2", space: anything else is not a record.
bool IsRecordLine(const std::string& l) {
    return l.size() >= 5 && l[0] == '&' && (l[1] == '0' || l[1] == '1') && l[2] == ' ' && l[3] >= '0' &&
           l[3] <= '2' && l[4] == ' ';
}
}  // namespace

std::vector<TCheckListItem> ParseCheckListText(const std::string& text) {
    TItemStrings lines;  // split as the list's own text is
    lines.SetText(text);
    std::vector<TCheckListItem> items;
    items.reserve(size_t(lines.Count()));
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string& line = lines.Strings(i);
        if (IsRecordLine(line)) items.push_back({line.substr(5), TCheckBoxState(line[3] - '0'), line[1] == '1'});
        else items.push_back({line, cbUnchecked, true});
    }
    return items;
}

std::string CheckListText(const std::vector<TCheckListItem>& items) {
    std::string s;
    for (const auto& it : items) {
        s += it.enabled ? "&1 " : "&0 ";
        s += char('0' + int(it.state));
        s += ' ';
        s += it.text;
        s += "\r\n";
    }
    return s;
}

// ---------------------------------------------------------------- check list

const TClassInfo& TVtCheckList::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCheckList;
        TClassInfo c{"TVtCheckList", &TVtCustomTabbedListBox::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed, 0),
                   BoolProp<C>("ToggleOnItemClick", &C::ToggleOnItemClick, &C::SetToggleOnItemClick, 0),
                   BoolProp<C>("UseCustomGlyphs", &C::UseCustomGlyphs, &C::SetUseCustomGlyphs, 0),
                   OrdProp<C, TColor>("HighlightColor", &C::HighlightColor, &C::SetHighlightColor, clHighlight),
                   OrdProp<C, TColor>("TransparentColor", &C::TransparentColor, &C::SetTransparentColor, clOlive),
                   OrdProp<C, TColor>("FrameColor", &C::FrameColor, &C::SetFrameColor, clBtnShadow),
                   EventProp("OnChanging", &C::OnChanging), EventProp("OnChange", &C::OnChange)};
        return c;
    }();
    return ci;
}

TVtCheckList::TVtCheckList(TComponent* owner)
    : TVtCustomTabbedListBox(owner), customGlyphs_(std::make_unique<TBitmap>()) {
    SetStyle(lbOwnerDrawFixed);
    UpdateItemHeight();
}

TVtCheckList::~TVtCheckList() = default;

const TVtCheckList::Packet& TVtCheckList::At(int i) const {
    Items()->Strings(i);  // the range check
    return packets_[size_t(i)];
}

void TVtCheckList::ItemsChanged(int index, int delta) {
    const size_t n = size_t(Items()->Count());
    if (index < 0) {
        std::vector<Packet>(n).swap(packets_);  // a cleared list gives its room back
        GroupPrefixChanged();
    } else if (delta > 0) {
        // Read while the new text is still in the cache.
        Packet p{cbUnchecked, true, ItemIsGroup(index)};
        // Room for as many records as the strings have room for: a long list is added at once.
        if (packets_.size() == packets_.capacity() && size_t(Items()->Capacity()) > packets_.capacity()) {
            packets_.reserve(size_t(Items()->Capacity()));
            BackWithHugePages({{packets_.data(), packets_.capacity() * sizeof(Packet)}});
        }
        if (size_t(index) == packets_.size()) packets_.push_back(p);  // the common case: Add
        else packets_.insert(packets_.begin() + index, p);
    } else if (delta < 0) {
        packets_.erase(packets_.begin() + index);
    } else if (size_t(index) < packets_.size()) {
        packets_[size_t(index)].group = ItemIsGroup(index);
    }
    if (packets_.size() != n) packets_.resize(n);
    TVtCustomTabbedListBox::ItemsChanged(index, delta);
}

void TVtCheckList::ItemsDeleted(const std::vector<bool>& gone) {
    size_t w = 0;
    for (size_t r = 0; r < packets_.size(); ++r)
        if (r >= gone.size() || !gone[r]) packets_[w++] = packets_[r];
    packets_.resize(size_t(Items()->Count()));
    TVtCustomTabbedListBox::ItemsDeleted(gone);
}

void TVtCheckList::GroupPrefixChanged() {
    for (size_t i = 0; i < packets_.size(); ++i) packets_[i].group = ItemIsGroup(int(i));
}

TCheckBoxState TVtCheckList::ItemState(int i) const { return At(i).state; }

void TVtCheckList::SetItemState(int i, TCheckBoxState s) {
    At(i);
    if (s > cbGrayed || packets_[size_t(i)].state == s) return;
    packets_[size_t(i)].state = s;
    TRect r = GlyphSide(i, GetItemIndent());
    InvalidateClient(&r, false);
}

TRect TVtCheckList::GlyphSide(int i, int width) const {
    TRect r = ItemRect(i);
    if (UseRightToLeftReading()) r.Left = r.Right - width;
    else r.Right = r.Left + width;
    return r;
}

bool TVtCheckList::ItemEnabled(int i) const { return At(i).enabled; }

void TVtCheckList::SetItemEnabled(int i, bool e) {
    At(i);
    if (packets_[size_t(i)].enabled == e) return;
    packets_[size_t(i)].enabled = e;
    Invalidate();
}

void TVtCheckList::SetAllStates(TCheckBoxState s) {
    for (Packet& p : packets_) p.state = s;
    Invalidate();
}

int TVtCheckList::ItemsChecked() const {
    int n = 0;
    for (const Packet& p : packets_) n += p.state == cbChecked && !p.group;
    return n;
}

void TVtCheckList::ToggleCheckState() {
    int i = ItemIndex();
    if (i < 0 || i >= Items()->Count() || !packets_[size_t(i)].enabled || ItemIsGroup(i)) return;
    TCheckBoxState s = packets_[size_t(i)].state;
    TCheckBoxState next = s == cbUnchecked ? (allowGrayed_ ? cbGrayed : cbChecked) : s == cbChecked ? cbUnchecked : cbChecked;
    bool allow = true;
    if (OnChanging) OnChanging(this, i, next, allow);
    pending_ = false;
    if (!allow) return;
    SetItemState(i, next);
    if (OnChange) OnChange(this, i, next);
}

void TVtCheckList::MoveItem(int from, int to) {
    if (from == to) return;
    Packet p = At(from);
    std::string s = Items()->Strings(from);
    TObject* o = Items()->Objects(from);
    Items()->Strings(to);
    int index = ItemIndex();
    Items()->Delete(from);
    Items()->Insert(to, s);
    Items()->SetObjects(to, o);
    packets_[size_t(to)] = p;
    if (index == from) SetItemIndex(to);
}

void TVtCheckList::ExchangeItems(int a, int b) {
    At(a), At(b);
    if (a == b) return;
    std::string sa = Items()->Strings(a), sb = Items()->Strings(b);
    TObject *oa = Items()->Objects(a), *ob = Items()->Objects(b);
    std::swap(packets_[size_t(a)], packets_[size_t(b)]);  // first: the texts' changes renew the group flags
    Items()->SetStrings(a, sb);
    Items()->SetStrings(b, sa);
    Items()->SetObjects(a, ob);
    Items()->SetObjects(b, oa);
    Invalidate();
}

std::vector<TCheckListItem> TVtCheckList::GetItems() const {
    std::vector<TCheckListItem> items;
    items.reserve(packets_.size());
    for (int i = 0; i < Items()->Count(); ++i)
        items.push_back({Items()->Strings(i), packets_[size_t(i)].state, packets_[size_t(i)].enabled});
    return items;
}

void TVtCheckList::SetItems(const std::vector<TCheckListItem>& items) {
    Items()->Clear();
    for (const auto& it : items) {
        Items()->Add(it.text);
        packets_.back().state = std::min(it.state, cbGrayed);
        packets_.back().enabled = it.enabled;
    }
    Invalidate();
}

void TVtCheckList::SetHighlightColor(TColor c) {
    highlightColor_ = c;
    Invalidate();
}
void TVtCheckList::SetTransparentColor(TColor c) {
    transparentColor_ = c;
    Invalidate();
}
void TVtCheckList::SetFrameColor(TColor c) {
    frameColor_ = c;
    Invalidate();
}

void TVtCheckList::SetCustomGlyphs(const TBitmap* b) {
    if (b) customGlyphs_->Assign(*b);
    else customGlyphs_->SetSize(0, 0);
    SetUseCustomGlyphs(!customGlyphs_->Empty());
}

void TVtCheckList::SetUseCustomGlyphs(bool u) {
    useCustomGlyphs_ = u;
    if (u && !customGlyphs_->Empty()) {
        glyphWidth_ = std::max(customGlyphs_->Width() / GlyphCells, 1);
        glyphHeight_ = customGlyphs_->Height();
    } else {
        glyphWidth_ = glyphHeight_ = 13;
    }
    UpdateItemHeight();
    Invalidate();
}

void TVtCheckList::UpdateItemHeight() {
    TBitmap b(1, 1);
    b.Canvas()->SetFont(*Font());
    SetItemHeight(std::max(glyphHeight_ + 4, int(b.Canvas()->GetTextMetrics().tmHeight) + 2));
}

void TVtCheckList::PaintGlyph(TBitmap* b, TCheckBoxState state, bool enabled) const {
    if (useCustomGlyphs_ && !customGlyphs_->Empty()) {
        int cell = int(state) + (enabled ? 0 : 3);
        b->SetSize(glyphWidth_, glyphHeight_);
        b->Canvas()->CopyRect(TRect(0, 0, glyphWidth_, glyphHeight_), customGlyphs_->Canvas(),
                              Bounds(cell * glyphWidth_, 0, glyphWidth_, glyphHeight_));
        return;
    }
    if (ThemeServices()->ThemesEnabled()) {
        b->SetSize(glyphWidth_, glyphHeight_);
        b->Canvas()->Brush()->SetColor(Color());
        b->Canvas()->FillRect(TRect(0, 0, glyphWidth_, glyphHeight_));
        TThemedCheck ck = state == cbChecked ? tcChecked : state == cbGrayed ? tcMixed : tcUnchecked;
        ThemeServices()->DrawElement(b->Canvas(),
                                     ThemeServices()->GetElementDetails(tpCheckBox, enabled ? tsNormal : tsDisabled, ck),
                                     TRect(0, 0, glyphWidth_, glyphHeight_));
        return;
    }
    auto [face, frame, check] = KeyedGlyphColors(enabled);
    LoadCheckBoxGlyph(b, state, face, frame, check);
}

std::array<TColor, 3> TVtCheckList::KeyedGlyphColors(bool enabled) const {
    // The check colour is never taken for the transparent one.
    TColor check = highlightColor_;
    if (TColor rgb = ColorToRGB(check); rgb == ColorToRGB(transparentColor_) || rgb == clGray) check = rgb + 1;
    return {enabled ? clWindow : DisabledColor(), frameColor_, enabled ? check : clBtnShadow};
}

TBitmap* TVtCheckList::Glyph(TCheckBoxState s, bool enabled) {
    const bool keyed = !(useCustomGlyphs_ && !customGlyphs_->Empty()) && !ThemeServices()->ThemesEnabled();
    GlyphCell* cell = nullptr;
    std::array<TColor, 5> colors{};
    if (keyed) {
        auto [face, frame, check] = KeyedGlyphColors(enabled);
        colors = {ColorToRGB(face), ColorToRGB(frame), ColorToRGB(check), ColorToRGB(transparentColor_),
                  ColorToRGB(Color())};
        cell = &glyphCache_[size_t(std::min(int(s), 2) + (enabled ? 0 : 3))];
        if (cell->bitmap && cell->colors == colors) return cell->bitmap.get();
    }
    auto glyph = std::make_unique<TBitmap>();
    PaintGlyph(glyph.get(), s, enabled);
    // The transparent ground takes the control colour.
    ReplaceColor(glyph.get(), transparentColor_, Color());
    if (!cell) {  // custom strips can change behind our back, themes with the theme: drawn anew each time
        glyphScratch_ = std::move(glyph);
        return glyphScratch_.get();
    }
    cell->bitmap = std::move(glyph);
    cell->colors = colors;
    return cell->bitmap.get();
}

void TVtCheckList::DrawIndent(int index, TRect rect, TOwnerDrawState) {
    const Packet& p = packets_[size_t(index)];
    int x = rect.Right - glyphWidth_ - 4, y = rect.Top + (ItemHeight() - glyphHeight_) / 2;
    Canvas()->Draw(x, y, Glyph(p.state, p.enabled));
}

void TVtCheckList::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    if (!packets_[size_t(index)].enabled || !Enabled())
        Canvas()->Font()->SetColor(ColorToRGB(Color()) == ColorToRGB(clBtnShadow) ? clBtnFace : clBtnShadow);
    TVtCustomTabbedListBox::DrawItem(index, rect, state);
}

void TVtCheckList::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    int i = ItemAtPos(TPoint(x, y), true);
    if (b == mbRight && i >= 0) SetItemIndex(i);
    pending_ = b == mbLeft && i >= 0 && (toggleOnItemClick_ || GlyphSide(i, glyphWidth_ + 4).Contains(TPoint(x, y)));
    pendingIndex_ = pending_ ? i : -1;
    TVtCustomTabbedListBox::MouseDown(b, s, x, y);
}

void TVtCheckList::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft && pending_) {
        pending_ = false;
        if (ItemIndex() == pendingIndex_ && ClientRect().Contains(TPoint(x, y))) ToggleCheckState();
    }
    TVtCustomTabbedListBox::MouseUp(b, s, x, y);
}

void TVtCheckList::KeyDown(WORD& key, TShiftState shift) {
    if (key == VK_SPACE) {
        pending_ = true;
        pendingIndex_ = ItemIndex();
    }
    TVtCustomTabbedListBox::KeyDown(key, shift);
}

void TVtCheckList::KeyUp(WORD& key, TShiftState shift) {
    if (key == VK_SPACE && pending_) {
        pending_ = false;
        ToggleCheckState();
    }
    TVtCustomTabbedListBox::KeyUp(key, shift);
}

void TVtCheckList::KeyPress(char& key) {
    if (key == ' ') {
        key = 0;
        return;
    }
    TVtCustomTabbedListBox::KeyPress(key);
}

void TVtCheckList::DestroyWnd() {
    if (!IsLoading() && Items()->Count() > 0) {
        savedTop_ = TopIndex();
        savedIndex_ = ItemIndex();
    }
    TVtCustomTabbedListBox::DestroyWnd();
}

void TVtCheckList::CreateWnd() {
    TVtCustomTabbedListBox::CreateWnd();
    if (savedTop_ < 0) return;
    SetTopIndex(savedTop_);
    SetItemIndex(savedIndex_);
    savedTop_ = savedIndex_ = -1;
}

void TVtCheckList::Dispatch(TMessage& m) {
    TVtCustomTabbedListBox::Dispatch(m);
    if (m.Msg == CM_FONTCHANGED) UpdateItemHeight();
    if (m.Msg == CM_ENABLEDCHANGED) {
        for (Packet& p : packets_) p.enabled = Enabled();
        Invalidate();
    }
}

// ---------------------------------------------------------------- registration

namespace {
const std::vector<TFormValue>& ListOf(const TFormValue& v) {
    if (v.kind != TFormValue::List) throw EFormResourceError("a list of values expected");
    return v.items;
}
}  // namespace

void RegisterCheckListClasses() {
    RegisterClass(TVtCheckList::StaticClass());
    // States and enabled flags follow the strings, item by item.
    RegisterPropertyReader(TVtCheckList::StaticClass(), "ItemState", [](TObject* o, const TFormValue& v) {
        auto* l = static_cast<TVtCheckList*>(o);
        const auto& items = ListOf(v);
        for (size_t i = 0; i < items.size() && int(i) < l->Items()->Count(); ++i) {
            if (items[i].kind != TFormValue::Integer || items[i].i < 0 || items[i].i > 2)
                throw EFormResourceError("ItemState: a list of states 0, 1 or 2 expected");
            l->SetItemState(int(i), TCheckBoxState(items[i].i));
        }
    });
    RegisterPropertyReader(TVtCheckList::StaticClass(), "ItemEnabled", [](TObject* o, const TFormValue& v) {
        auto* l = static_cast<TVtCheckList*>(o);
        const auto& items = ListOf(v);
        for (size_t i = 0; i < items.size() && int(i) < l->Items()->Count(); ++i) {
            if (!items[i].IsBoolean()) throw EFormResourceError("ItemEnabled: a list of Booleans expected");
            l->SetItemEnabled(int(i), items[i].IsTrue());
        }
    });
}
