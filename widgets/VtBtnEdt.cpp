#include "widgets/VtBtnEdt.h"

#include <memory>

#include "platform/ui/Themes.h"

// ---- stock glyphs ----

namespace {
// Two cells each, 9 x 9: the picture, then the same picture greyed. '-' is the transparent ground.
const std::map<char, TColor> GlyphPalette{{'-', RGB(255, 0, 255)}, {'#', clBlack},        {'r', RGB(192, 0, 0)},
                                          {'g', RGB(0, 128, 0)},     {'b', RGB(0, 0, 160)}, {'y', RGB(224, 192, 0)},
                                          {'w', clWhite},            {'s', RGB(128, 128, 128)},
                                          {'h', clWhite}};

struct Stock {
    const char* name;
    std::vector<std::string> cell;  // the normal cell; the disabled one is made from it
};

const Stock Stocks[] = {
    {"VTBTNEDT_LOOKUP", {"---------", "---------", "---------", "---------", "---------", "---------",
                         "-#--#--#-", "-#--#--#-", "---------"}},
    {"VTBTNEDT_DROPDOWN", {"---------", "---------", "---------", "-#######-", "--#####--", "---###---",
                           "----#----", "---------", "---------"}},
    {"VTBTNEDT_CALENDAR", {"---------", "bbbbbbbbb", "bbbbbbbbb", "#wwwwwww#", "#w#w#w#w#", "#wwwwwww#",
                           "#w#w#w#w#", "#########", "---------"}},
    {"VTBTNEDT_ACCEPT", {"---------", "-------g-", "------gg-", "-g---gg--", "-gg-gg---", "--ggg----",
                         "---g-----", "---------", "---------"}},
    {"VTBTNEDT_REJECT", {"---------", "-r-----r-", "-rr---rr-", "--rr-rr--", "---rrr---", "--rr-rr--",
                         "-rr---rr-", "-r-----r-", "---------"}},
    {"VTBTNEDT_FOLDER", {"---------", "-###-----", "#yyy#----", "#########", "#yyyyyyy#", "#yyyyyyy#",
                         "#yyyyyyy#", "#########", "---------"}},
    {"VTBTNEDT_FIND", {"---------", "--###----", "-#www#---", "-#www#---", "-#www#---", "--####---",
                       "-----##--", "------##-", "---------"}},
    {"VTBTNEDT_SEARCH", {"---------", "-##---##-", "#ww#-#ww#", "#ww###ww#", "#ww#-#ww#", "-##---##-",
                         "---------", "---------", "---------"}},
};

// The disabled cell: the picture's ink in the shadow colour over a highlight one pixel down and right.
std::vector<std::string> TwoCells(const std::vector<std::string>& cell) {
    size_t h = cell.size(), w = cell[0].size();
    std::vector<std::string> rows(h);
    for (size_t y = 0; y < h; ++y) {
        std::string dis(w, '-');
        for (size_t x = 0; x < w; ++x) {
            if (cell[y][x] != '-' && cell[y][x] != 'w') dis[x] = 's';
            else if (x > 0 && y > 0 && cell[y - 1][x - 1] != '-' && cell[y - 1][x - 1] != 'w') dis[x] = 'h';
        }
        rows[y] = cell[y] + dis;
    }
    return rows;
}

struct StockTable {
    std::unique_ptr<TBitmap> slots[9];
    StockTable() {
        for (const Stock& s : Stocks) RegisterBitmapResource(s.name, TwoCells(s.cell), GlyphPalette);
    }
};
StockTable& Table() {
    static StockTable table;
    return table;
}
}  // namespace

TBitmap* StockButtonGlyph(TButtonKind kind) {
    int k = int(kind);
    if (k <= 0 || k > 8) return nullptr;
    StockTable& t = Table();
    if (!t.slots[k]) {
        auto b = std::make_unique<TBitmap>();
        if (!LoadBitmapResource(*b, Stocks[k - 1].name)) return nullptr;
        t.slots[k] = std::move(b);
    }
    return t.slots[k].get();
}

TShortCut TextToShortCut(const std::string& text) {
    std::string rest = text;
    TShortCut mods = 0;
    auto eat = [&](const char* prefix, TShortCut bit) {
        std::string p = prefix;
        if (rest.size() > p.size() && rest.compare(0, p.size(), p) == 0) {
            rest.erase(0, p.size());
            mods |= bit;
            return true;
        }
        return false;
    };
    while (eat("Shift+", 8192) || eat("Ctrl+", 16384) || eat("Alt+", 32768)) {
    }
    WORD key = 0;
    if (rest.size() == 1 && ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= '0' && rest[0] <= '9'))) {
        key = WORD(rest[0]);
    } else if (rest.size() >= 2 && rest[0] == 'F' && rest.find_first_not_of("0123456789", 1) == std::string::npos &&
               rest.size() <= 3) {
        int n = std::stoi(rest.substr(1));
        if (n >= 1 && n <= 24) key = WORD(VK_F1 + n - 1);
    } else {
        static const std::pair<const char*, WORD> names[] = {
            {"BkSp", VK_BACK}, {"Tab", VK_TAB},    {"Enter", VK_RETURN}, {"Esc", VK_ESCAPE}, {"Space", VK_SPACE},
            {"PgUp", VK_PRIOR}, {"PgDn", VK_NEXT}, {"End", VK_END},      {"Home", VK_HOME},  {"Left", VK_LEFT},
            {"Up", VK_UP},     {"Right", VK_RIGHT}, {"Down", VK_DOWN},   {"Ins", VK_INSERT}, {"Del", VK_DELETE}};
        for (auto& [name, vk] : names)
            if (rest == name) key = vk;
    }
    return key ? TShortCut(key | mods) : 0;
}

// ---- TVtButtonPair ----

QM_CLASS_RECORD(TVtButtonPair, TVtButtonHolder)

// first_ is the alternate button, second_ the main one.
TVtButtonPair::TVtButtonPair(TComponent* owner) : TVtButtonHolder(owner) {
    int w = ThemeServices()->ThemesEnabled() ? 15 : 17;
    for (TVtControlButton* b : {first_, second_}) b->SetWidth(w);
    first_->SetVisible(false);
    first_->OnClick = [this](TObject*) {
        if (OnAltBtnClick) OnAltBtnClick(this);
    };
    second_->OnClick = [this](TObject*) {
        if (OnButtonClick) OnButtonClick(this);
    };
    SetBounds(Left(), Top(), 34, 21);
}

void TVtButtonPair::ArrangeButtons() {
    int h = Height() - 1, x = 0;
    for (TVtControlButton* b : {second_, first_}) {
        if (!b->Visible()) continue;
        b->SetBounds(x, 0, b->Width(), h);
        x += b->Width();
    }
}

void TVtButtonPair::Dispatch(TMessage& m) {
    TVtButtonHolder::Dispatch(m);
    if (m.Msg == WM_SIZE) ArrangeButtons();
}

// ---- TVtCustomButtonEdit ----

static const TEnumInfo ButtonKindIdents{{"bkCustom", "bkLookup", "bkDropDown", "bkCalendar", "bkAccept", "bkReject",
                                         "bkFolder", "bkFind", "bkSearch"}};

const TClassInfo& TVtCustomButtonEdit::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomButtonEdit;
        TClassInfo c{"TVtCustomButtonEdit", &TVtEdit::StaticClass(), {}, {}, {}};
        c.props = {BoolProp<C>("AllowKeyEdit", &C::AllowKeyEdit, &C::SetAllowKeyEdit, 1),
                   OrdProp<C, TButtonKind>("ButtonKind", &C::ButtonKind, &C::SetButtonKind,
                                           int64_t(TButtonKind::bkLookup), &ButtonKindIdents),
                   OrdProp<C, TButtonKind>("AltBtnKind", &C::AltBtnKind, &C::SetAltBtnKind,
                                           int64_t(TButtonKind::bkLookup), &ButtonKindIdents),
                   OrdProp<C, int>("ButtonNumGlyphs", &C::MainNumGlyphs, &C::SetMainNumGlyphs, 2),
                   OrdProp<C, int>("AltBtnNumGlyphs", &C::AltNumGlyphs, &C::SetAltNumGlyphs, 2),
                   StrProp<C>("ButtonHint", &C::MainHint, &C::SetMainHint),
                   StrProp<C>("AltBtnHint", &C::AltHint, &C::SetAltHint),
                   OrdProp<C, TShortCut>("ButtonShortCut", &C::ButtonShortCut, &C::SetButtonShortCut, 115),
                   OrdProp<C, TShortCut>("AltBtnShortCut", &C::AltBtnShortCut, &C::SetAltBtnShortCut, 0),
                   BoolProp<C>("ButtonVisible", &C::MainVisible, &C::SetMainVisible, 1),
                   BoolProp<C>("AltBtnVisible", &C::AltVisible, &C::SetAltVisible, 0),
                   OrdProp<C, int>("ButtonWidth", &C::MainWidth, &C::SetMainWidth, 17),
                   OrdProp<C, int>("AltBtnWidth", &C::AltWidth, &C::SetAltWidth, 17),
                   EventProp("OnButtonClick", &C::OnButtonClick),
                   EventProp("OnAltBtnClick", &C::OnAltBtnClick)};
        for (TPropInfo& f : FlatButtonProps<C>()) c.props.push_back(std::move(f));
        return c;
    }();
    return ci;
}

TVtCustomButtonEdit::TVtCustomButtonEdit(TComponent* owner) : TVtEdit(owner) {
    SetControlStyle(ControlStyle() & ~uint32_t(csSetCaption));
    pair_ = new TVtButtonPair(this);
    pair_->SetParent(this);
    pair_->SetFocusControl(this);
    pair_->OnButtonClick = [this](TObject*) {
        if (OnButtonClick) OnButtonClick(this);
    };
    pair_->OnAltBtnClick = [this](TObject*) {
        if (OnAltBtnClick) OnAltBtnClick(this);
    };
    for (int i : {1, 2}) {
        GetButton(i)->SetNumGlyphs(2);
        ApplyStockGlyph(i);
    }
    SetBounds(Left(), Top(), 121, Height());
    ResizeButtons();
}

void TVtCustomButtonEdit::ApplyStockGlyph(int index) {
    TVtControlButton* b = GetButton(index);
    TButtonKind k = Kind(index);
    if (k == TButtonKind::bkDropDown) {
        b->SetGlyph(nullptr);
        b->SetStyle(cbsDropDown);
    } else if (k != TButtonKind::bkCustom) {
        // The plain face comes back with a stock glyph.
        b->SetStyle(cbsNone);
        b->SetGlyph(StockButtonGlyph(k));
        b->SetNumGlyphs(2);
    }
}

void TVtCustomButtonEdit::SetKind(int index, TButtonKind k) {
    TButtonKind& field = kinds_[index == 1 ? 0 : 1];
    if (k == field) return;
    field = k;
    if (!IsLoading()) ApplyStockGlyph(index);
}

void TVtCustomButtonEdit::SetGlyph(int index, const TBitmap* b) {
    GetButton(index)->SetStyle(cbsNone);
    GetButton(index)->SetGlyph(b);
    kinds_[index == 1 ? 0 : 1] = TButtonKind::bkCustom;
}

void TVtCustomButtonEdit::SetButtonVisible(int index, bool v) {
    if (GetButton(index)->Visible() == v) return;
    GetButton(index)->SetVisible(v);
    pair_->ArrangeButtons();
    ResizeButtons();
}

void TVtCustomButtonEdit::SetButtonWidth(int index, int w) {
    if (GetButton(index)->Width() == w) return;
    GetButton(index)->SetWidth(w);
    pair_->ArrangeButtons();
    ResizeButtons();
}

void TVtCustomButtonEdit::SetFlatButtons(bool f) {
    TVtEdit::SetFlatButtons(f);
    pair_->SetFlat(f);
    UpdateColors();
    ResizeButtons();
}

void TVtCustomButtonEdit::SetFlatButtonColor(TColor c) {
    TVtEdit::SetFlatButtonColor(c);
    UpdateColors();
}

void TVtCustomButtonEdit::ResizeButtons() {
    if (IsLoading() || !pair_) return;
    int h = GetMinFontHeight(Font());
    if (h > Height()) {
        SetHeight(h);
        return;
    }
    int p = 0;
    for (int i : {1, 2})
        if (GetButton(i)->Visible()) p += GetButton(i)->Width();
    int W = Width(), H = Height();
    if (UseRightToLeftAlignment())
        pair_->SetBounds(0, 0, p, H - 3);
    else if (FlatButtons() || Ctl3D())
        pair_->SetBounds(W - p - 4, 0, p, H - 3);
    else
        pair_->SetBounds(W - p - 1, 1, p, H - 3);
    pair_->ArrangeButtons();
    SetEditMargins();
    Invalidate();
    RepaintFrame();
}

int TVtCustomButtonEdit::FrameRightInset() const {
    return pair_ && !UseRightToLeftAlignment() ? pair_->Width() + 2 : 0;
}

void TVtCustomButtonEdit::SetEditMargins() {
    int p = pair_->Width();
    if (UseRightToLeftAlignment())
        TVtEdit::SetEditMargins(p + 2, 0);
    else
        TVtEdit::SetEditMargins(0, p + 2);
}

void TVtCustomButtonEdit::UpdateColors() {
    TVtEdit::UpdateColors();
    if (pair_ && !IsLoading()) ColorEmbeddedButtons(pair_);
}

void TVtCustomButtonEdit::Loaded() {
    TVtEdit::Loaded();
    for (int i : {1, 2}) ApplyStockGlyph(i);
    ResizeButtons();
}

void TVtCustomButtonEdit::BoundsChanged(bool moved, bool sized) {
    TVtEdit::BoundsChanged(moved, sized);
    if (sized && pair_) ResizeButtons();
}

void TVtCustomButtonEdit::KeyDown(WORD& key, TShiftState shift) {
    shortCutHandled_ = false;
    TVtEdit::KeyDown(key, shift);
    if (!key) return;
    if (!allowKeyEdit_ && key == VK_DELETE) {
        MessageBeep(0);
        key = 0;
        return;
    }
    TShortCut sc = TShortCut((key & 0xFF) + (shift & ssShift ? 8192 : 0) + (shift & ssCtrl ? 16384 : 0) +
                             (shift & ssAlt ? 32768 : 0));
    for (int i : {2, 1}) {
        TVtControlButton* b = GetButton(i);
        if (b->Visible() && b->Enabled() && ShortCut(i) != 0 && sc == ShortCut(i)) {
            b->Click();
            key = 0;
            shortCutHandled_ = true;
            return;
        }
    }
}

void TVtCustomButtonEdit::KeyPress(char& key) {
    TVtEdit::KeyPress(key);
    if (!key) return;
    if (shortCutHandled_) {
        shortCutHandled_ = false;
        key = 0;
        return;
    }
    if (!allowKeyEdit_ && (uint8_t(key) >= 32 || key == 8)) {
        MessageBeep(0);
        key = 0;
    }
}

void TVtCustomButtonEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
        if (!allowKeyEdit_ || ReadOnly()) return;
        break;
    case CM_FONTCHANGED:
    case CM_BIDIMODECHANGED:  // the pair sits at the left end in right-to-left reading
        TVtEdit::Dispatch(m);
        ResizeButtons();
        return;
    default: break;
    }
    TVtEdit::Dispatch(m);
}

QM_CLASS_RECORD(TVtButtonEdit, TVtCustomButtonEdit)

void RegisterButtonEditReaders(const TClassInfo& cls) {
    auto shortCutText = [&cls](const char* name, int index) {
        RegisterPropertyReader(cls, name, [index](TObject* o, const TFormValue& v) {
            if (v.kind != TFormValue::String && v.kind != TFormValue::Ident)
                throw EFormResourceError("a shortcut text expected");
            static_cast<TVtCustomButtonEdit*>(o)->SetShortCut(index, TextToShortCut(v.s));
        });
    };
    shortCutText("ButtonShortCutText", 2);
    shortCutText("AltBtnShortCutText", 1);
    RegisterDroppedBooleanReader(cls, "FlatButtonParentColor");
    for (auto [name, index] : {std::pair<const char*, int>{"ButtonGlyph", 2}, {"AltBtnGlyph", 1}})
        RegisterBitmapReader(cls, name, [i = index](TObject* o, const TBitmap* b) {
            static_cast<TVtCustomButtonEdit*>(o)->SetGlyph(i, b);
        });
}
