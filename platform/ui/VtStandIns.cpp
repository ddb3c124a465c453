#include "platform/ui/VtStandIns.h"

#include <cmath>
#include <cstdio>

#include "platform/rtl/FloatFormat.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"

namespace {
const TEnumInfo KindIdents{{"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry",
                            "bkIgnore", "bkAll"}};

// Fixed-point text with the locale's decimal separator.
std::string FixedText(double v, int decimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", std::clamp(decimals, 0, 18), v);
    std::string s = buf;
    if (s == "-0" || (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)) s.erase(0, 1);
    for (char& c : s)
        if (c == '.') c = GetDecimalSeparator();
    return s;
}

void Beep() { MessageBeep(0); }

// Numeric keys: digits, signs, and the separator when decimals are allowed; control characters but Enter.
bool IsNumberKey(TCustomEdit* e, char key, bool integersOnly) {
    auto k = uint8_t(key);
    char sep = GetDecimalSeparator();
    if (k < 32) return k != 13;
    std::string text = e->Text(), sel = e->SelText();
    if (key == sep && !integersOnly)
        return text.find(sep) == std::string::npos || sel.find(sep) != std::string::npos;
    if (key == '+' || key == '-') {
        bool hasSign = text.find_first_of("+-") != std::string::npos;
        return (e->SelStart() == 0 && e->SelLength() == 0 && !hasSign) || (!text.empty() && sel == text) ||
               (e->SelStart() == 0 && !sel.empty() && sel.find_first_of("+-") != std::string::npos);
    }
    if (key < '0' || key > '9') return false;
    return !(e->SelStart() == 0 && e->SelLength() == 0 && !text.empty() && (text[0] == '+' || text[0] == '-'));
}
}  // namespace

// ---------------------------------------------------------------- edits
QM_CLASS_RECORD(TVtEdit, TEdit)

const TClassInfo& TVtNumericEdit::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtNumericEdit;
        TClassInfo c{"TVtNumericEdit", &TCustomEdit::StaticClass(), Creator<C>(), {}, {}};
        TPropInfo value;
        value.name = "Value";
        value.kind = tkFloat;
        value.getFloat = [](const TObject* o) { return const_cast<C*>(static_cast<const C*>(o))->Value(); };
        value.setFloat = [](TObject* o, double v) { static_cast<C*>(o)->SetValue(v); };
        c.props = {value,
                   FloatProp<C>("Min", &C::Min, &C::SetMin),
                   FloatProp<C>("Max", &C::Max, &C::SetMax),
                   BoolProp<C>("CheckRange", &C::CheckRange, &C::SetCheckRange, 0),
                   BoolProp<C>("IntegersOnly", &C::IntegersOnly, &C::SetIntegersOnly, 1),
                   BoolProp<C>("AllowBlank", &C::AllowBlank, &C::SetAllowBlank, 0),
                   FloatProp<C>("BlankValue", &C::BlankValue, &C::SetBlankValue),
                   StrProp<C>("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat)};
        return c;
    }();
    return ci;
}

TVtNumericEdit::TVtNumericEdit(TComponent* owner) : TCustomEdit(owner) {
    SetControlStyle(ControlStyle() & ~uint32_t(csSetCaption));
    SetBounds(Left(), Top(), 65, 21);
    SetAlignment(taRightJustify);
    SetText(FormatValue(0));
}

std::string TVtNumericEdit::FormatValue(double v) const { return FormatFloat(displayFormat_, v); }

double TVtNumericEdit::ValueFromText() const {
    std::string t = Text();
    if (t.empty()) return 0;
    bool neg = t.find_first_of("-(") != std::string::npos;
    std::string digits;
    for (char c : t)
        if ((c >= '0' && c <= '9') || c == GetDecimalSeparator()) digits += c;
    if (digits.empty()) return 0;
    return StrToFloat((neg ? "-" : "") + digits);
}

double TVtNumericEdit::Value() {
    try {
        if (Text().empty()) {
            if (allowBlank_) return blankValue_;
            SetText(FormatValue(min_));
        }
        return ValueFromText();
    } catch (const Exception&) {
        return min_;
    }
}

void TVtNumericEdit::SetValue(double v) {
    double now;
    try {
        now = ValueFromText();
    } catch (const Exception&) {
        now = NAN;
    }
    if (Text().empty() || now != v) SetText(FormatValue(v));
}

void TVtNumericEdit::SetMin(double v) {
    min_ = v;
    if (min_ > max_) max_ = min_;
    Invalidate();
}

void TVtNumericEdit::SetMax(double v) {
    max_ = v;
    if (max_ < min_) min_ = max_;
    Invalidate();
}

void TVtNumericEdit::SetIntegersOnly(bool i) {
    if (i == integersOnly_) return;
    integersOnly_ = i;
    if (i && !IsLoading()) SetValue(std::nearbyint(Value()));
}

void TVtNumericEdit::SetDisplayFormat(const std::string& f) {
    if (f == displayFormat_) return;
    double v = IsLoading() ? 0 : Value();
    displayFormat_ = f;
    if (!IsLoading()) SetText(FormatValue(v));
}

void TVtNumericEdit::Loaded() {
    // The text is formatted while the loading state still holds back the change event.
    if (!allowBlank_) {
        try {
            SetText(FormatValue(ValueFromText()));
        } catch (const Exception&) {
            SetText(FormatValue(min_));
        }
    }
    TCustomEdit::Loaded();
}

void TVtNumericEdit::KeyPress(char& key) {
    TCustomEdit::KeyPress(key);
    if (key && !IsNumberKey(this, key, integersOnly_)) {
        key = 0;
        Beep();
    }
}

void TVtNumericEdit::DoExit() {
    if (!(allowBlank_ && Text().empty())) {
        try {
            double r = ValueFromText();
            if (min_ != max_ || checkRange_) r = std::clamp(r, min_, max_);
            SetText(FormatValue(r));
        } catch (const Exception&) {
            SetText(FormatValue(min_));
        }
    }
    TCustomEdit::DoExit();
}

// ---------------------------------------------------------------- spin edit
const TClassInfo& TVtSpinEdit::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtSpinEdit;
        TClassInfo c{"TVtSpinEdit", &TCustomEdit::StaticClass(), Creator<C>(), {}, {}};
        TPropInfo value;
        value.name = "Value";
        value.kind = tkFloat;
        value.getFloat = [](const TObject* o) { return const_cast<C*>(static_cast<const C*>(o))->Value(); };
        value.setFloat = [](TObject* o, double v) { static_cast<C*>(o)->SetValue(v); };
        c.props = {value,
                   FloatProp<C>("Min", &C::Min, &C::SetMin),
                   FloatProp<C>("Max", &C::Max, &C::SetMax),
                   FloatProp<C>("Increment", &C::Increment, &C::SetIncrement),
                   FloatProp<C>("PageSize", &C::PageSize, &C::SetPageSize),
                   OrdProp<C, int>("Decimals", &C::Decimals, &C::SetDecimals, 0),
                   BoolProp<C>("IntegersOnly", &C::IntegersOnly, &C::SetIntegersOnly, 1),
                   BoolProp<C>("CheckRange", &C::CheckRange, &C::SetCheckRange, 0),
                   BoolProp<C>("AllowKeyEdit", &C::AllowKeyEdit, &C::SetAllowKeyEdit, 0),
                   BoolProp<C>("AllowBlank", &C::AllowBlank, &C::SetAllowBlank, 0),
                   FloatProp<C>("BlankValue", &C::BlankValue, &C::SetBlankValue)};
        return c;
    }();
    return ci;
}

TVtSpinEdit::TVtSpinEdit(TComponent* owner) : TCustomEdit(owner) {
    SetControlStyle(ControlStyle() & ~uint32_t(csSetCaption));
    SetBounds(Left(), Top(), 47, 21);
    SetAlignment(taRightJustify);
    SetValue(0);
}

double TVtSpinEdit::CheckValue(double v) const {
    if (min_ == max_ && !checkRange_) return v;
    return std::clamp(v, min_, max_);
}

void TVtSpinEdit::SetValue(double v) {
    // While loading the range may not be complete yet: Loaded clamps.
    SetText(FixedText(IsLoading() ? v : CheckValue(v), decimals_));
}

double TVtSpinEdit::Value() {
    double v;
    if (Text().empty()) {
        if (allowBlank_) return blankValue_;
        SetText(FloatToStr(min_));
    }
    return TryStrToFloat(Text(), v) ? v : min_;
}

void TVtSpinEdit::SetMin(double v) {
    min_ = v;
    if (max_ < min_) max_ = min_;
    Reset();
}
void TVtSpinEdit::SetMax(double v) {
    max_ = v;
    if (min_ > max_) min_ = max_;
    Reset();
}
void TVtSpinEdit::SetDecimals(int d) {
    decimals_ = std::clamp(d, 0, 18);
    Reset();
}
void TVtSpinEdit::SetIntegersOnly(bool i) {
    if (i == integersOnly_) return;
    integersOnly_ = i;
    if (i) {
        decimals_ = 0;
        if (!IsLoading()) SetValue(std::nearbyint(Value()));
    }
}
void TVtSpinEdit::SetCheckRange(bool c) {
    checkRange_ = c;
    Reset();
}

void TVtSpinEdit::Loaded() {
    double v;
    if (!(allowBlank_ && Text().empty())) SetText(FixedText(CheckValue(TryStrToFloat(Text(), v) ? v : min_), decimals_));
    TCustomEdit::Loaded();
}

void TVtSpinEdit::IncValue(double a) {
    if (ReadOnly()) {
        Beep();
        return;
    }
    SetValue(Value() + a);
}

void TVtSpinEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    switch (key) {
    case VK_DELETE:
        if (!allowKeyEdit_) {
            key = 0;
            Beep();
        }
        break;
    case VK_PRIOR: IncValue(pageSize_); key = 0; break;
    case VK_NEXT: DecValue(pageSize_); key = 0; break;
    case VK_UP: IncValue(increment_); key = 0; break;
    case VK_DOWN: DecValue(increment_); key = 0; break;
    default: break;
    }
}

void TVtSpinEdit::KeyPress(char& key) {
    TCustomEdit::KeyPress(key);
    if (!key) return;
    bool ok = IsNumberKey(this, key, integersOnly_);
    if (!allowKeyEdit_ && (uint8_t(key) >= 32 || key == 8)) ok = false;
    if (!ok) {
        key = 0;
        Beep();
    }
}

void TVtSpinEdit::DoExit() {
    if (!(allowBlank_ && Text().empty())) {
        double v;
        SetValue(TryStrToFloat(Text(), v) ? v : min_);
    }
    TCustomEdit::DoExit();
}


void TVtSpinEdit::PaintWindow(HDC dc) {
    TRect cr = ClientRect();
    int w = ButtonWidth(), h = cr.Height();
    for (int half = 0; half < 2; ++half) {
        TRect b(cr.Right - w, half ? h / 2 : 0, cr.Right, half ? h : h / 2);
        dc->Brush()->SetStyle(bsSolid);
        dc->Brush()->SetColor(clBtnFace);
        dc->FillRect(b);
        dc->Pen()->SetColor(clBtnHighlight);
        dc->MoveTo(b.Left, b.Bottom - 1);
        dc->LineTo(b.Left, b.Top);
        dc->LineTo(b.Right - 1, b.Top);
        dc->Pen()->SetColor(clBtnShadow);
        dc->LineTo(b.Right - 1, b.Bottom - 1);
        dc->LineTo(b.Left - 1, b.Bottom - 1);
        int cx = (b.Left + b.Right) / 2, cy = (b.Top + b.Bottom) / 2;
        TColor arrow = Enabled() ? clBtnText : clGrayText;
        dc->Pen()->SetColor(arrow);
        dc->Brush()->SetColor(arrow);
        TPoint up[3] = {TPoint(cx - 3, cy + 1), TPoint(cx + 3, cy + 1), TPoint(cx, cy - 2)};
        TPoint down[3] = {TPoint(cx - 3, cy - 1), TPoint(cx + 3, cy - 1), TPoint(cx, cy + 2)};
        dc->Polygon(half ? down : up, 3);
    }
}

void TVtSpinEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
        if (m.XPos() >= ClientWidth() - ButtonWidth()) {
            if (CanFocus() && !Focused()) SetFocus();
            if (m.YPos() < ClientHeight() / 2)
                IncValue(increment_);
            else
                DecValue(increment_);
            return;
        }
        break;
    case WM_MOUSEWHEEL: {
        int delta = int16_t(HIWORD(uintptr_t(m.WParam)));
        double step = (LOWORD(uintptr_t(m.WParam)) & MK_CONTROL) ? pageSize_ : increment_;
        if (delta > 0) IncValue(step);
        else if (delta < 0) DecValue(step);
        m.Result = 1;
        return;
    }
    default: break;
    }
    TCustomEdit::Dispatch(m);
}

// ---------------------------------------------------------------- lists
QM_CLASS_RECORD(TVtComboBox, TComboBox)
TVtComboBox::TVtComboBox(TComponent* owner) : TComboBox(owner) { SetStyle(csDropDownList); }


const TClassInfo& TVtCheckList::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCheckList;
        TClassInfo c{"TVtCheckList", &TCustomListBox::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed, 0),
                   BoolProp<C>("ToggleOnItemClick", &C::ToggleOnItemClick, &C::SetToggleOnItemClick, 0),
                   StrProp<C>("GroupPrefix", &C::GroupPrefix, &C::SetGroupPrefix)};
        return c;
    }();
    return ci;
}

TVtCheckList::TVtCheckList(TComponent* owner) : TCustomListBox(owner) {
    SetStyle(lbOwnerDrawFixed);
    SetItemHeight(std::max(GlyphSize + 4, ItemHeight()));
}

void TVtCheckList::ItemsChanged(int index, int delta) {
    if (index < 0) packets_.assign(size_t(Items()->Count()), Packet());
    else if (delta > 0) packets_.insert(packets_.begin() + index, Packet());
    else if (delta < 0) packets_.erase(packets_.begin() + index);
    packets_.resize(size_t(Items()->Count()));
    TCustomListBox::ItemsChanged(index, delta);
}

TCheckBoxState TVtCheckList::ItemState(int i) const {
    Items()->Strings(i);  // range check
    return packets_[size_t(i)].state;
}

void TVtCheckList::SetItemState(int i, TCheckBoxState s) {
    Items()->Strings(i);
    if (packets_[size_t(i)].state == s) return;
    packets_[size_t(i)].state = s;
    TRect r = ItemRect(i);
    r.Right = r.Left + GetItemIndent();
    InvalidateClient(&r, false);
}

bool TVtCheckList::ItemEnabled(int i) const {
    Items()->Strings(i);
    return packets_[size_t(i)].enabled;
}

void TVtCheckList::SetItemEnabled(int i, bool e) {
    Items()->Strings(i);
    if (packets_[size_t(i)].enabled == e) return;
    packets_[size_t(i)].enabled = e;
    Invalidate();
}

bool TVtCheckList::ItemIsGroup(int i) const {
    return i >= 0 && i < Items()->Count() && !groupPrefix_.empty() &&
           Items()->Strings(i).compare(0, groupPrefix_.size(), groupPrefix_) == 0;
}

void TVtCheckList::CheckAll() {
    for (int i = 0; i < Items()->Count(); ++i) SetItemChecked(i, true);
}

void TVtCheckList::UncheckAll() {
    for (int i = 0; i < Items()->Count(); ++i) SetItemChecked(i, false);
}

int TVtCheckList::ItemsChecked() const {
    int n = 0;
    for (int i = 0; i < Items()->Count(); ++i)
        if (packets_[size_t(i)].state == cbChecked && !ItemIsGroup(i)) ++n;
    return n;
}

void TVtCheckList::SetGroupPrefix(const std::string& p) {
    if (p == groupPrefix_) return;
    groupPrefix_ = p;
    Invalidate();
}

void TVtCheckList::ToggleCheckState() {
    int i = ItemIndex();
    if (i < 0 || !ItemEnabled(i) || ItemIsGroup(i)) return;
    TCheckBoxState s = ItemState(i);
    SetItemState(i, s == cbUnchecked ? (allowGrayed_ ? cbGrayed : cbChecked) : s == cbChecked ? cbUnchecked : cbChecked);
}

void TVtCheckList::DrawIndent(int index, TRect rect, TOwnerDrawState) {
    TCanvas* c = Canvas();
    int y = rect.Top + (rect.Height() - GlyphSize) / 2;
    TRect g(rect.Left + 2, y, rect.Left + 2 + GlyphSize, y + GlyphSize);
    bool enabled = Enabled() && packets_[size_t(index)].enabled;
    TCheckBoxState st = packets_[size_t(index)].state;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(st == cbGrayed || !enabled ? clBtnFace : clWindow);
    c->FillRect(g);
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(g);
    if (st != cbUnchecked) {
        c->Pen()->SetStyle(psSolid);
        c->Pen()->SetColor(enabled && st == cbChecked ? clWindowText : clGrayText);
        for (int k = 0; k < 3; ++k) {
            c->MoveTo(g.Left + 3, g.Top + 5 + k);
            c->LineTo(g.Left + 5, g.Top + 7 + k);
            c->LineTo(g.Left + 10, g.Top + 2 + k);
        }
    }
}

void TVtCheckList::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    int i = ItemAtPos(TPoint(x, y), true);
    if (b == mbRight && i >= 0) SetItemIndex(i);
    pending_ = b == mbLeft && i >= 0 && (toggleOnItemClick_ || x < GlyphSize + 4);
    pendingIndex_ = pending_ ? i : -1;
    TCustomListBox::MouseDown(b, s, x, y);
}

void TVtCheckList::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft && pending_) {
        pending_ = false;
        if (ItemIndex() == pendingIndex_ && ClientRect().Contains(TPoint(x, y))) ToggleCheckState();
    }
    TCustomListBox::MouseUp(b, s, x, y);
}

void TVtCheckList::KeyDown(WORD& key, TShiftState shift) {
    if (key == VK_SPACE) {
        pending_ = true;
        pendingIndex_ = ItemIndex();
    }
    TCustomListBox::KeyDown(key, shift);
}

void TVtCheckList::KeyUp(WORD& key, TShiftState shift) {
    if (key == VK_SPACE && pending_) {
        pending_ = false;
        ToggleCheckState();
    }
    TCustomListBox::KeyUp(key, shift);
}

void TVtCheckList::KeyPress(char& key) {
    TCustomListBox::KeyPress(key);
    if (key == ' ') key = 0;
}

// ---------------------------------------------------------------- buttons
QM_CLASS_RECORD(TVtCheckBox, TCheckBox)
QM_CLASS_RECORD(TVtRadioButton, TRadioButton)

QM_CLASS_RECORD(TVtToolbarButton, TSpeedButton)
TVtToolbarButton::TVtToolbarButton(TComponent* owner) : TSpeedButton(owner) { SetFlat(true); }

QM_CLASS_RECORD(TVtToolButton, TVtToolbarButton)

const TClassInfo& TVtBitBtn::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TVtBitBtn", &TButton::StaticClass(), Creator<TVtBitBtn>(), {}, {}};
        c.props = {OrdProp<TVtBitBtn, TBitBtnKind>("Kind", &TVtBitBtn::Kind, &TVtBitBtn::SetKind, bkCustom, &KindIdents)};
        return c;
    }();
    return ci;
}

void TVtBitBtn::SetKind(TBitBtnKind k) {
    if (k == kind_) return;
    static const struct {
        const char* caption;
        int result;
    } stock[] = {{"", mrNone},        {"OK", mrOk},        {"Cancel", mrCancel},   {"&Help", mrNone},
                 {"&Yes", mrYes},     {"&No", mrNo},       {"&Close", mrNone},     {"Abort", mrAbort},
                 {"&Retry", mrRetry}, {"&Ignore", mrIgnore}, {"&All", mrAll}};
    if (k != bkCustom) {
        SetDefault(k == bkOK || k == bkYes);
        SetCancel(k == bkCancel || k == bkNo);
        if (!IsLoading() || Caption().empty()) SetCaption(stock[k].caption);
        SetModalResult(stock[k].result);
    }
    kind_ = k;
    Invalidate();
}

void TVtBitBtn::Click() {
    if (kind_ == bkClose) {
        if (TCustomForm* f = GetParentForm(this)) f->Close();
    }
    TButton::Click();
}

const TClassInfo& TVtMenuButton::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TVtMenuButton", &TVtBitBtn::StaticClass(), Creator<TVtMenuButton>(), {}, {}};
        c.props = {RefProp<TVtMenuButton, TPopupMenu>("DropDownMenu", &TVtMenuButton::DropDownMenu,
                                                      &TVtMenuButton::SetDropDownMenu),
                   EventProp("OnDropDown", &TVtMenuButton::OnDropDown)};
        return c;
    }();
    return ci;
}

void TVtMenuButton::SetDropDownMenu(TPopupMenu* m) {
    if (menu_) menu_->RemoveFreeNotification(this);
    menu_ = m;
    if (m) m->FreeNotification(this);
}

void TVtMenuButton::Notification(TComponent* c, TOperation op) {
    TVtBitBtn::Notification(c, op);
    if (op == opRemove && c == menu_) menu_ = nullptr;
}

void TVtMenuButton::DropDown() {
    if (!menu_) return;
    if (OnDropDown) OnDropDown(this);
    TPoint p = ClientToScreen(TPoint(-WindowClientRect().Left, Height() - WindowClientRect().Top));
    menu_->SetPopupComponent(this);
    menu_->Popup(p.X, p.Y);
}

void TVtMenuButton::Click() {
    if (menu_)
        DropDown();
    else
        TVtBitBtn::Click();
}

void TVtMenuButton::Paint() {
    TVtBitBtn::Paint();
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    int x = r.Right - 12, y = r.Top + r.Height() / 2 + 2;
    TColor col = Enabled() ? clBtnText : clBtnShadow;
    c->Pen()->SetColor(col);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(col);
    TPoint tri[3] = {TPoint(x, y), TPoint(x - 3, y - 3), TPoint(x + 3, y - 3)};
    c->Polygon(tri, 3);
}

// ---------------------------------------------------------------- containers and texts
QM_CLASS_RECORD(TVtPanel, TPanel)
QM_CLASS_RECORD(TVtToolbar, TPanel)
TVtToolbar::TVtToolbar(TComponent* owner) : TPanel(owner) {
    SetBevelOuter(bvNone);
    SetHeight(26);
}
QM_CLASS_RECORD(TVtStatusBar, TPanel)
TVtStatusBar::TVtStatusBar(TComponent* owner) : TPanel(owner) {
    SetBevelOuter(bvNone);
    SetHeight(22);
    SetAlignment(taLeftJustify);
}
QM_CLASS_RECORD(TVtGroupBox, TGroupBox)
QM_CLASS_RECORD(TVtSpacer, TGraphicControl)
TVtSpacer::TVtSpacer(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 8, 22); }

QM_CLASS_RECORD(TVtStatusPane, TGraphicControl)
TVtStatusPane::TVtStatusPane(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 100, 20);
    SetControlStyle(ControlStyle() | csOpaque);
}
void TVtStatusPane::Dispatch(TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    TGraphicControl::Dispatch(m);
}
void TVtStatusPane::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(ParentColorValue());
    c->FillRect(r);
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(r.Left, r.Bottom - 1);
    c->LineTo(r.Left, r.Top);
    c->LineTo(r.Right - 1, r.Top);
    c->Pen()->SetColor(clBtnHighlight);
    c->LineTo(r.Right - 1, r.Bottom - 1);
    c->LineTo(r.Left - 1, r.Bottom - 1);
    c->SetFont(*Font());
    c->Brush()->SetStyle(bsClear);
    InflateRect(r, -3, -1);
    c->DrawText(Caption(), r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    c->Brush()->SetStyle(bsSolid);
}

// ---------------------------------------------------------------- registration
namespace {
const std::vector<TFormValue>& ListOf(const TFormValue& v) {
    if (v.kind != TFormValue::List) throw EFormResourceError("a list of values expected");
    return v.items;
}
void ReadStrings(TItemStrings* items, const TFormValue& v) {
    items->Clear();
    for (auto& s : ListOf(v)) {
        if (s.kind != TFormValue::String && s.kind != TFormValue::Ident)
            throw EFormResourceError("a list of strings expected");
        items->Add(s.s);
    }
}
void Drop(const TClassInfo& c, const std::string& name) {
    RegisterPropertyReader(c, name, [](TObject*, const TFormValue&) {});
}
}  // namespace

void RegisterFormClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    for (const TClassInfo* c :
         {&TForm::StaticClass(), &TMenuItem::StaticClass(), &TPopupMenu::StaticClass(), &TTimer::StaticClass(),
          &TImageList::StaticClass(), &TOpenDialog::StaticClass(), &TSaveDialog::StaticClass(), &TEdit::StaticClass(),
          &TListBox::StaticClass(), &TComboBox::StaticClass(), &TButton::StaticClass(), &TCheckBox::StaticClass(),
          &TRadioButton::StaticClass(), &TGroupBox::StaticClass(), &TLabel::StaticClass(),
          &TSpeedButton::StaticClass(), &TPanel::StaticClass(), &TPageControl::StaticClass(),
          &TTabSheet::StaticClass(), &TVtEdit::StaticClass(), &TVtNumericEdit::StaticClass(),
          &TVtSpinEdit::StaticClass(), &TVtComboBox::StaticClass(),
          &TVtCheckList::StaticClass(), &TVtCheckBox::StaticClass(), &TVtRadioButton::StaticClass(),
          &TVtToolbarButton::StaticClass(), &TVtToolButton::StaticClass(), &TVtBitBtn::StaticClass(),
          &TVtMenuButton::StaticClass(),
          &TVtPanel::StaticClass(), &TVtToolbar::StaticClass(), &TVtStatusBar::StaticClass(),
          &TVtGroupBox::StaticClass(), &TVtSpacer::StaticClass(),
          &TVtStatusPane::StaticClass()})
        RegisterClass(*c);

    RegisterPropertyReader(TCustomListBox::StaticClass(), "Items.Strings", [](TObject* o, const TFormValue& v) {
        ReadStrings(static_cast<TCustomListBox*>(o)->Items(), v);
    });
    RegisterPropertyReader(TCustomComboBox::StaticClass(), "Items.Strings", [](TObject* o, const TFormValue& v) {
        auto* cb = static_cast<TCustomComboBox*>(o);
        std::string text = cb->Text();
        ReadStrings(cb->Items(), v);
        cb->SetText(text);
    });
    // Check states and enabled flags follow the strings, item by item.
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
    // Names of older resources: the stand-ins draw no frames of their own, so the frame settings are dropped.
    for (const TClassInfo* c : {&TVtEdit::StaticClass(), &TVtNumericEdit::StaticClass(), &TVtSpinEdit::StaticClass(),
                                &TVtComboBox::StaticClass(), &TVtCheckList::StaticClass()}) {
        Drop(*c, "FrameFlat");
        Drop(*c, "FrameFocusStyle");
        Drop(*c, "FrameFlatStyle");
    }
    Drop(TVtCheckList::StaticClass(), "FrameSides");
    Drop(TVtSpinEdit::StaticClass(), "FlatButtonParentColor");

    // Designer bookkeeping of form resources, with no effect at run time.
    for (const char* name : {"PixelsPerInch", "TextHeight", "OldCreateOrder"}) Drop(TCustomForm::StaticClass(), name);

    RegisterChildAdopter(TPageControl::StaticClass(), [](TComponent* parent, TComponent* child) {
        auto* sheet = dynamic_cast<TTabSheet*>(child);
        if (!sheet) throw EFormResourceError(child->Name() + " is not a tab sheet");
        sheet->SetPageControl(static_cast<TPageControl*>(parent));
    });
    for (auto& [name, value] : std::initializer_list<std::pair<const char*, int64_t>>{
             {"mrNone", mrNone}, {"mrOk", mrOk}, {"mrCancel", mrCancel}, {"mrAbort", mrAbort}, {"mrRetry", mrRetry},
             {"mrIgnore", mrIgnore}, {"mrYes", mrYes}, {"mrNo", mrNo}, {"mrAll", mrAll}})
        RegisterIntegerIdent(name, value);
}
