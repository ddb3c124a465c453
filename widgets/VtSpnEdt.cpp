#include "widgets/VtSpnEdt.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/ui/Themes.h"

// ---- text rules ----

std::string SpinValueToText(long double v, int decimals) {
    decimals = std::clamp(decimals, 0, 255);
    if (!std::isfinite(v)) v = 0;  // no fixed-point text holds it
    const bool negative = std::signbit(v);
    const long double a = std::fabs(v);
    // The 18 significant digits and the power of ten of the first.
    char e[64];
    std::snprintf(e, sizeof e, "%.17Le", a);
    const std::string digits = std::string(1, e[0]) + std::string(e + 2, 17);
    const int exponent = std::atoi(std::strchr(e, 'e') + 1);
    std::string s;
    if (exponent + 1 + decimals <= 18) {
        const int n = std::snprintf(nullptr, 0, "%.*Lf", decimals, a);
        if (n < 0) return "0";
        std::vector<char> buf(size_t(n) + 1);
        std::snprintf(buf.data(), buf.size(), "%.*Lf", decimals, a);
        s.assign(buf.data(), size_t(n));
    } else {
        // More places than significant digits: the digits, then zeros.
        auto digit = [&](int power) {
            return power <= exponent && exponent - power <= 17 ? digits[size_t(exponent - power)] : '0';
        };
        for (int p = std::max(exponent, 0); p >= 0; --p) s += digit(p);
        if (decimals > 0) {
            s += '.';
            for (int p = -1; p >= -decimals; --p) s += digit(p);
        }
    }
    if (negative && s.find_first_not_of("0.") != std::string::npos) s.insert(0, 1, '-');
    char sep = GetDecimalSeparator();
    if (sep != '.')
        for (char& c : s)
            if (c == '.') c = sep;
    return s;
}

bool SpinTextToValue(const std::string& text, long double& v) {
    // The class library's rules (and double's range) decide; the digits are then read to full precision.
    double d;
    if (!TryStrToFloat(text, d)) return false;
    std::string t = Trim(text);
    const char sep = GetDecimalSeparator();
    for (char& c : t)
        if (c == sep) c = '.';
    const char* b = t.data();
    if (*b == '+') ++b;
    const auto r = std::from_chars(b, t.data() + t.size(), v, std::chars_format::general);
    if (r.ec != std::errc()) v = d;
    return true;
}

// ---- TVtSpinButtons ----

static const TEnumInfo SpinDirectionIdents{{"sdUpDown", "sdLeftRight"}};
static const TEnumInfo OrientationIdents{{"orHorizontal", "orVertical"}};

const TClassInfo& TVtSpinButtons::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtSpinButtons;
        TClassInfo c{"TVtSpinButtons", &TVtButtonHolder::StaticClass(), Creator<C>(), {}, {}};
        c.props = {OrdProp<C, TSpinDirection>("Direction", &C::Direction, &C::SetDirection, sdUpDown,
                                              &SpinDirectionIdents),
                   OrdProp<C, TOrientation>("Orientation", &C::Orientation, &C::SetOrientation, orVertical,
                                            &OrientationIdents),
                   BoolProp<C>("Flat", &C::Flat, &C::SetFlat, 0),
                   OrdProp<C, TNumGlyphs>("NumGlyphsUpRight", &C::NumGlyphsUpRight, &C::SetNumGlyphsUpRight, 2),
                   OrdProp<C, TNumGlyphs>("NumGlyphsDownLeft", &C::NumGlyphsDownLeft, &C::SetNumGlyphsDownLeft, 2),
                   RefProp<C, TWinControl>("FocusControl", &C::FocusControl, &C::SetFocusControl),
                   EventProp("OnUpRightClick", &C::OnUpRightClick),
                   EventProp("OnDownLeftClick", &C::OnDownLeftClick)};
        return c;
    }();
    return ci;
}

TVtSpinButtons::TVtSpinButtons(TComponent* owner) : TVtButtonHolder(owner) {
    for (TVtControlButton* b : {first_, second_}) {
        b->SetNumGlyphs(2);
        b->SetRepeatClicks(true);
        b->OnGlyphChange = [this](TObject* s) {
            auto* btn = static_cast<TVtControlButton*>(s);
            (btn == first_ ? customUp_ : customDown_) = !btn->GlyphEmpty();
            ChooseArrows();
        };
    }
    first_->OnClick = [this](TObject*) {
        if (OnUpRightClick) OnUpRightClick(this);
    };
    second_->OnClick = [this](TObject*) {
        if (OnDownLeftClick) OnDownLeftClick(this);
    };
    ChooseArrows();
    SetBounds(Left(), Top(), 16, 25);
}

void TVtSpinButtons::ChooseArrows() {
    first_->SetStyle(customUp_ ? cbsNone : direction_ == sdUpDown ? cbsUp : cbsRight);
    second_->SetStyle(customDown_ ? cbsNone : direction_ == sdUpDown ? cbsDown : cbsLeft);
}

void TVtSpinButtons::SetDirection(TSpinDirection d) {
    if (d == direction_) return;
    direction_ = d;
    first_->SetGlyph(nullptr);
    second_->SetGlyph(nullptr);
    ChooseArrows();
    Invalidate();
}

void TVtSpinButtons::SetOrientation(TOrientation o) {
    if (o == orientation_) return;
    orientation_ = o;
    if (!IsLoading()) SetWidth(o == orVertical ? Width() / 2 : Width() * 2);
    Layout();
    Invalidate();
}

void TVtSpinButtons::Layout() {
    if (IsLoading()) return;
    int w = Width(), h = Height();
    if (orientation_ == orVertical) {
        first_->SetBounds(0, 0, w, h / 2);
        second_->SetBounds(0, h / 2, w, h - h / 2 - 1);
    } else {
        second_->SetBounds(0, 0, w / 2, h - 1);
        first_->SetBounds(w / 2, 0, w - w / 2, h - 1);
    }
}

void TVtSpinButtons::Loaded() {
    TVtButtonHolder::Loaded();
    Layout();
}

void TVtSpinButtons::KeyDown(WORD& key, TShiftState shift) {
    TVtButtonHolder::KeyDown(key, shift);
    if (key == VK_UP) first_->Click();
    if (key == VK_DOWN) second_->Click();
}

void TVtSpinButtons::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_SIZE:
        TVtButtonHolder::Dispatch(m);
        Layout();
        return;
    case WM_ERASEBKGND: m.Result = 1; return;
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS; return;
    default: break;
    }
    TVtButtonHolder::Dispatch(m);
}

// ---- TVtSpinEdit ----

// Forms hold these values as doubles, the precision of every number a form resource holds.
template <class C>
static TPropInfo ExtendedProp(const std::string& name, long double (C::*get)() const, void (C::*set)(long double)) {
    TPropInfo p;
    p.name = name;
    p.kind = tkFloat;
    p.getFloat = [get](const TObject* o) { return double((static_cast<const C*>(o)->*get)()); };
    p.setFloat = [set](TObject* o, double v) { (static_cast<C*>(o)->*set)(v); };
    return p;
}

const TClassInfo& TVtSpinEdit::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtSpinEdit;
        TClassInfo c{"TVtSpinEdit", &TVtCustomEdit::StaticClass(), Creator<C>(), {}, {}};
        c.props = {NumberValueProp<C>(),
                   ExtendedProp<C>("Min", &C::Min, &C::SetMin),
                   ExtendedProp<C>("Max", &C::Max, &C::SetMax),
                   ExtendedProp<C>("Increment", &C::Increment, &C::SetIncrement),
                   ExtendedProp<C>("PageSize", &C::PageSize, &C::SetPageSize),
                   OrdProp<C, int>("Decimals", &C::Decimals, &C::SetDecimals, 0),
                   BoolProp<C>("IntegersOnly", &C::IntegersOnly, &C::SetIntegersOnly, 1),
                   BoolProp<C>("CheckRange", &C::CheckRange, &C::SetCheckRange, 0),
                   BoolProp<C>("AllowKeyEdit", &C::AllowKeyEdit, &C::SetAllowKeyEdit, 0),
                   BoolProp<C>("AllowBlank", &C::AllowBlank, &C::SetAllowBlank, 0),
                   ExtendedProp<C>("BlankValue", &C::BlankValue, &C::SetBlankValue),
                   OrdProp<C, int>("ButtonWidth", &C::ButtonWidth, &C::SetButtonWidth, 17),
                   OrdProp<C, TNumGlyphs>("ButtonUpNumGlyphs", &C::ButtonUpNumGlyphs, &C::SetButtonUpNumGlyphs, 2),
                   OrdProp<C, TNumGlyphs>("ButtonDownNumGlyphs", &C::ButtonDownNumGlyphs,
                                          &C::SetButtonDownNumGlyphs, 2),
                   OrdProp<C, TSpinDirection>("Direction", &C::Direction, &C::SetDirection, sdUpDown,
                                              &SpinDirectionIdents),
                   OrdProp<C, TOrientation>("Orientation", &C::Orientation, &C::SetOrientation, orVertical,
                                            &OrientationIdents),
                   EventProp("OnChanging", &C::OnChanging),
                   EventProp("OnButtonClick", &C::OnButtonClick)};
        for (TPropInfo& f : FlatButtonProps<C>()) c.props.push_back(std::move(f));
        return c;
    }();
    return ci;
}

TVtSpinEdit::TVtSpinEdit(TComponent* owner) : TVtCustomEdit(owner) {
    SetControlStyle(ControlStyle() & ~uint32_t(csSetCaption));
    buttons_ = new TVtSpinButtons(this);
    buttons_->SetBounds(0, 0, 17, 17);
    buttons_->SetVisible(true);
    buttons_->SetParent(this);
    buttons_->SetFocusControl(this);
    buttons_->OnUpRightClick = [this](TObject* s) { UpClick(s); };
    buttons_->OnDownLeftClick = [this](TObject* s) { DownClick(s); };
    SetBounds(Left(), Top(), 47, Height());
    SetAlignment(taRightJustify);
    SetValue(0);
    AdjustButtons();
}

TVtControlButton* TVtSpinEdit::GetButton(TSpinButtonType b) const {
    return b == sbUp ? buttons_->UpRightButton() : buttons_->DownLeftButton();
}

long double TVtSpinEdit::CheckValue(long double v) const {
    if (min_ == max_ && !checkRange_) return v;
    return v < min_ ? min_ : v > max_ ? max_ : v;
}

void TVtSpinEdit::SetValue(long double v) {
    // No text could show it: an infinite or undefined value reads as Min, as unconvertible text does.
    if (!std::isfinite(v)) v = min_;
    // While loading the range may not be complete yet: Loaded clamps.
    SetText(SpinValueToText(IsLoading() ? v : CheckValue(v), decimals_));
}

long double TVtSpinEdit::Value() {
    if (Text().empty()) {
        if (allowBlank_) return blankValue_;
        SetText(FloatToStr(double(min_)));
    }
    long double v;
    return SpinTextToValue(Text(), v) ? v : min_;
}

void TVtSpinEdit::SetMin(long double v) {
    if (v == min_) return;
    min_ = v;
    if (max_ < min_) max_ = min_;
    Reset();
    Invalidate();
}

void TVtSpinEdit::SetMax(long double v) {
    if (v == max_) return;
    max_ = v;
    if (min_ > max_) min_ = max_;
    Reset();
    Invalidate();
}

void TVtSpinEdit::SetDecimals(int d) {
    d = std::clamp(d, 0, 255);
    if (d == decimals_) return;
    decimals_ = d;
    Reset();
}

void TVtSpinEdit::SetIntegersOnly(bool i) {
    if (i == integersOnly_) return;
    integersOnly_ = i;
    if (i) {
        decimals_ = 0;
        if (!IsLoading()) SetValue(std::nearbyintl(Value()));
    }
}

void TVtSpinEdit::SetCheckRange(bool c) {
    if (c == checkRange_) return;
    checkRange_ = c;
    Reset();
}

void TVtSpinEdit::SetButtonWidth(int w) {
    w = std::max(w, 0);
    if (w == buttonWidth_) return;
    buttonWidth_ = w;
    buttons_->SetWidth(buttons_->Orientation() == orHorizontal ? 2 * w : w);
    AdjustButtons();
    Invalidate();
}

void TVtSpinEdit::SetOrientation(TOrientation o) {
    buttons_->SetOrientation(o);
    AdjustButtons();
    Invalidate();
}

void TVtSpinEdit::SetFlatButtons(bool f) {
    TVtCustomEdit::SetFlatButtons(f);
    buttons_->SetFlat(f);
    FollowState();
    AdjustButtons();
}

void TVtSpinEdit::SetFlatButtonColor(TColor c) {
    TVtCustomEdit::SetFlatButtonColor(c);
    FollowState();
}

void TVtSpinEdit::FrameChanged() {
    TVtCustomEdit::FrameChanged();
    AdjustButtons();
}

void TVtSpinEdit::AdjustButtons() {
    if (IsLoading()) return;
    int h = GetMinFontHeight(Font());
    if (h > Height()) {
        SetHeight(h);
        return;
    }
    int bw = buttons_->Width(), W = Width(), H = Height();
    if (UseRightToLeftAlignment())
        buttons_->SetBounds(0, 0, bw, H - 3);
    else if (FrameVisible() || Ctl3D())
        UseThemes() ? buttons_->SetBounds(W - bw - 3, -1, bw, H - 1) : buttons_->SetBounds(W - bw - 4, 0, bw, H - 3);
    else
        buttons_->SetBounds(W - bw - 1, 1, bw, H - 3);
    if (UseRightToLeftAlignment())
        SetEditMargins(bw + 2, 0);
    else
        SetEditMargins(0, bw + 2);
}

void TVtSpinEdit::BoundsChanged(bool moved, bool sized) {
    TVtCustomEdit::BoundsChanged(moved, sized);
    if (sized && buttons_) AdjustButtons();
}

void TVtSpinEdit::Loaded() {
    TVtCustomEdit::Loaded();
    long double v;
    if (!(allowBlank_ && Text().empty())) SetValue(SpinTextToValue(Text(), v) ? v : min_);
    buttons_->Loaded();
    AdjustButtons();
}

void TVtSpinEdit::Step(long double amount, TSpinButtonType button) {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    SetValue(Value() + amount);
    if (OnButtonClick) OnButtonClick(this, button);
}

void TVtSpinEdit::IncValue(long double amount) { Step(amount, sbUp); }
void TVtSpinEdit::DecValue(long double amount) { Step(-amount, sbDown); }
void TVtSpinEdit::UpClick(TObject*) { IncValue(increment_); }
void TVtSpinEdit::DownClick(TObject*) { DecValue(increment_); }

bool TVtSpinEdit::IsValidChar(char key) const {
    bool ok = IsNumberKey(this, key, integersOnly_, false);
    if (!allowKeyEdit_ && (uint8_t(key) >= 32 || key == 8)) ok = false;
    return ok;
}

void TVtSpinEdit::KeyDown(WORD& key, TShiftState shift) {
    TVtCustomEdit::KeyDown(key, shift);
    switch (key) {
    case VK_DELETE:
        if (!allowKeyEdit_) {
            key = 0;
            MessageBeep(0);
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
    TVtCustomEdit::KeyPress(key);
    if (key && !IsValidChar(key)) {
        key = 0;
        MessageBeep(0);
    }
}

void TVtSpinEdit::DoEnter() {
    // A click places the caret; the keyboard selects the whole value.
    bool keepAutoSelect = AutoSelect();
    if (GetKeyState(VK_LBUTTON) & 0x8000) SetAutoSelect(false);
    TVtCustomEdit::DoEnter();
    SetAutoSelect(keepAutoSelect);
}

void TVtSpinEdit::FollowState() { ColorEmbeddedButtons(buttons_); }

void TVtSpinEdit::SetHotState(int kind, bool on) {
    TVtCustomEdit::SetHotState(kind, on);
    FollowState();
}

void TVtSpinEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_MOUSEWHEEL: {
        int delta = int16_t(HIWORD(uintptr_t(m.WParam)));
        long double step = (LOWORD(uintptr_t(m.WParam)) & MK_CONTROL) ? pageSize_ : increment_;
        if (delta > 0)
            IncValue(step);
        else if (delta < 0)
            DecValue(step);
        m.Result = 1;
        return;
    }
    case WM_KILLFOCUS:
        TVtCustomEdit::Dispatch(m);
        if (!(allowBlank_ && Text().empty())) {
            long double v;
            SetValue(SpinTextToValue(Text(), v) ? v : min_);
        }
        return;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
        if (!allowKeyEdit_ || ReadOnly()) return;
        break;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
        TVtCustomEdit::Dispatch(m);
        FollowState();
        return;
    case CM_FONTCHANGED:
    case CM_BIDIMODECHANGED:  // the buttons sit at the left end in right-to-left reading
        TVtCustomEdit::Dispatch(m);
        AdjustButtons();
        return;
    default: break;
    }
    TVtCustomEdit::Dispatch(m);
}
