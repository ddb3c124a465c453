#include "widgets/VtEdit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/rtl/FloatFormat.h"
#include "platform/ui/Themes.h"

namespace {
// Posted by a numeric edit whose range handler refused the value: the focus comes back.
constexpr UINT CM_REFOCUS = CM_BASE + 1010;
}  // namespace

// ---- text rules ----

double NumericTextToValue(const std::string& text) {
    if (text.empty()) return 0;
    bool negative = text.find_first_of("-(") != std::string::npos;
    char sep = GetDecimalSeparator();
    std::string digits;
    for (char c : text)
        if ((c >= '0' && c <= '9') || c == sep) digits += c;
    if (digits.empty()) return 0;
    return StrToFloat((negative ? "-" : "") + digits);
}

int RoundToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int>::min();
    return int(Round(v));
}

bool IsNumberKey(const TCustomEdit* e, char key, bool integersOnly, bool signSelectionRule) {
    auto k = uint8_t(key);
    char sep = GetDecimalSeparator();
    if (k < 32) return k != 13;
    bool inSet = (key >= '0' && key <= '9') || key == '+' || key == '-' || (key == sep && !integersOnly);
    if (!inSet) return false;
    std::string text = e->Text(), sel = e->SelText();
    if (key == sep) {
        bool textHas = text.find(sep) != std::string::npos;
        return sel.empty() ? !textHas : (!textHas || sel.find(sep) != std::string::npos);
    }
    if (key == '+' || key == '-') {
        bool hasSign = text.find_first_of("+-") != std::string::npos;
        if (e->SelStart() == 0 && sel.empty() && !hasSign) return true;
        if (!text.empty() && sel == text) return true;
        return signSelectionRule && e->SelStart() == 0 && !sel.empty() &&
               sel.find_first_of("+-") != std::string::npos;
    }
    // Nothing may be typed in front of a sign.
    return !(e->SelStart() == 0 && sel.empty() && !text.empty() && (text[0] == '+' || text[0] == '-'));
}

// ---- TVtCustomEdit ----

const TClassInfo& TVtCustomEdit::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomEdit;
        TClassInfo c{"TVtCustomEdit", &TCustomMaskEdit::StaticClass(), {}, {}, {}};
        c.props = ColorAndFrameProps<C>();
        c.props.insert(c.props.end(),
                       {RefProp<C, TVtFrameController>("FrameController", &C::FrameController, &C::SetFrameController),
                        BoolProp<C>("TabOnEnter", &C::TabOnEnter, &C::SetTabOnEnter, 0),
                        EventProp("OnMouseEnter", &C::OnMouseEnter), EventProp("OnMouseLeave", &C::OnMouseLeave)});
        return c;
    }();
    return ci;
}

TVtCustomEdit::TVtCustomEdit(TComponent* owner) : TCustomMaskEdit(owner) {
    SetControlStyle((ControlStyle() | csCaptureMouse) & ~uint32_t(csSetCaption));
}

TVtCustomEdit::~TVtCustomEdit() {
    if (frameController_) frameController_->RemoveControl(this);
}

bool TVtCustomEdit::UseThemes() const {
    return framingPreference_ == fpXPThemes && ThemeServices()->ThemesEnabled();
}

void TVtCustomEdit::UpdateColors() {
    if (IsLoading()) return;
    updatingColors_ = true;
    SetColor(!Enabled() ? disabledColor_ : focused_ ? focusColor_ : normalColor_);
    updatingColors_ = false;
}

void TVtCustomEdit::RepaintFrame() {
    if (HandleAllocated()) InvalidateFrame();
}

void TVtCustomEdit::SetFocusColor(TColor c) {
    if (c == focusColor_) return;
    focusColor_ = c;
    if (focused_) UpdateColors();
}

void TVtCustomEdit::SetDisabledColor(TColor c) {
    if (c == disabledColor_) return;
    disabledColor_ = c;
    if (!Enabled()) UpdateColors();
}

template <class T>
static bool Store(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}

void TVtCustomEdit::FrameVisibleChanged() {
    if (frameVisible_) SetCtl3D(true);
    RecreateWnd();
    RepaintFrame();
}

void TVtCustomEdit::SetFrameController(TVtFrameController* c) { LinkFrameController(this, frameController_, c); }

void TVtCustomEdit::Notification(TComponent* c, TOperation op) {
    TCustomMaskEdit::Notification(c, op);
    if (op == opRemove && c == frameController_) frameController_ = nullptr;
}

void TVtCustomEdit::Loaded() {
    TCustomMaskEdit::Loaded();
    UpdateColors();
    SetHotState(0, false);
}

void TVtCustomEdit::SetHotState(int kind, bool on) {
    if (kind == 0)
        focused_ = on;
    else
        mouseOver_ = on;
    if (frameHotTrack_) {
        RepaintFrame();
    } else if (showButton_ && (flatButtons_ || UseThemes()) && buttonState_ != 2 && HandleAllocated()) {
        // Only the button changes its look: its strip and the frame's edge beside it.
        int w = GetSystemMetrics(SM_CXVSCROLL) + 2;
        TRect strip = UseRightToLeftAlignment() ? TRect(0, 0, w, Height()) : TRect(Width() - w, 0, Width(), Height());
        InvalidateFrame(&strip);
    }
    UpdateColors();
}

void TVtCustomEdit::ColorEmbeddedButtons(TVtButtonHolder* buttons) {
    buttons->SetEnabled(Enabled());
    if (!flatButtons_) return;
    if (UseThemes()) {
        buttons->SetFlat(!Hot());
        buttons->SetButtonColor(Color());
    } else {
        buttons->SetButtonColor(Hot() ? flatButtonColor_ : Color());
    }
}

void TVtCustomEdit::PaintFrame() {
    if (!HandleAllocated()) return;
    TCanvas* c = WindowCanvas();
    if (frameVisible_ && !UseThemes()) {
        bool hot = frameHotTrack_ && Hot();
        DrawControlFrame(c, std::max(Width() - FrameRightInset(), 0), Height(), hot ? frameHotStyle_ : frameStyle_,
                         Color(), hot ? frameHotColor_ : frameColor_, frameSides_, false);
    }
    if (showButton_) PaintButton(c, ButtonRect());
}

void TVtCustomEdit::KeyPress(char& key) {
    TCustomMaskEdit::KeyPress(key);
    if (key == 13 && tabOnEnter_) {
        key = 0;
        PostMessage(this, WM_KEYDOWN, VK_TAB, 0);
    }
}

void TVtCustomEdit::ValidateError() {
    std::string message;
    if (OnValidateError) OnValidateError(this, message);
    if (message.empty()) return TCustomMaskEdit::ValidateError();
    MessageBeep(0);
    throw EDBEditError(message);
}

// ---- drop-down button of descendants ----

int TVtCustomEdit::ButtonWidth() const { return GetSystemMetrics(SM_CXVSCROLL) - (UseThemes() ? 1 : 0); }

TRect TVtCustomEdit::ButtonRect() const {
    TRect c = WindowClientRect();
    if (UseRightToLeftAlignment()) return TRect(c.Left - ButtonWidth(), c.Top, c.Left, c.Bottom);
    return TRect(c.Right, c.Top, c.Right + ButtonWidth(), c.Bottom);
}

void TVtCustomEdit::SetShowButton(bool s) {
    if (!Store(showButton_, s)) return;
    RecreateWnd();
    RepaintFrame();
}
void TVtCustomEdit::SetFlatButtons(bool f) {
    if (Store(flatButtons_, f)) RepaintFrame();
}
void TVtCustomEdit::SetFlatButtonColor(TColor c) {
    if (Store(flatButtonColor_, c)) RepaintFrame();
}
void TVtCustomEdit::SetButtonState(int s) {
    if (Store(buttonState_, s)) {
        RepaintFrame();
        Update();
    }
}

void TVtCustomEdit::DropDown() {
    if (dropping_) return;
    dropping_ = true;
    SetMouseCapture(true);
    SetButtonState(2);
    try {
        if (OnDropDown) OnDropDown(this);
        if (OnCloseUp) OnCloseUp(this);
    } catch (...) {
        SetButtonState(0);
        SetMouseCapture(false);
        dropping_ = false;
        throw;
    }
    SetButtonState(0);
    SetMouseCapture(false);
    dropping_ = false;
}

void TVtCustomEdit::PaintButton(TCanvas* c, TRect r) {
    bool pressed = buttonState_ == 2, hot = Hot();
    if (UseThemes()) {
        if (flatButtons_ && !hot) {
            c->Brush()->SetColor(Color());
            c->FillRect(r);
            DrawDropDownArrow(c, r, 1, false, Enabled());
            return;
        }
        TThemedState st = !Enabled() ? tsDisabled : pressed ? tsPressed : hot ? tsHot : tsNormal;
        ThemeServices()->DrawElement(c, ThemeServices()->GetElementDetails(tpComboDropDown, st), r);
        return;
    }
    if (!flatButtons_) {
        c->Brush()->SetColor(clBtnFace);
        TRect in = DrawBorder(c, r, pressed ? fsFlat : fsButtonUp);
        if (pressed) {
            c->Brush()->SetColor(clBtnShadow);
            c->FrameRect(r);
        }
        c->Brush()->SetColor(clBtnFace);
        c->FillRect(in);
        DrawDropDownArrow(c, r, 0, pressed, Enabled());
        return;
    }
    if (!hot) {
        c->Brush()->SetColor(focused_ ? focusColor_ : normalColor_);
        c->FillRect(r);
        DrawDropDownArrow(c, r, 0, false, Enabled());
        return;
    }
    c->Brush()->SetColor(flatButtonColor_);
    c->FillRect(r);
    if (flatButtonColor_ == clBtnFace)
        DrawSides(c, r, pressed ? clBtnShadow : clBtnHighlight, pressed ? clBtnHighlight : clBtnShadow, sdAllSides);
    else
        DrawColorBorder(c, r, flatButtonColor_, pressed ? fsStatus : fsPopup);
    DrawDropDownArrow(c, r, 0, pressed, Enabled());
}

// ---- messages ----

void TVtCustomEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_NCCALCSIZE:
        TCustomMaskEdit::Dispatch(m);
        if (showButton_) {
            auto* r = reinterpret_cast<TRect*>(m.LParam);
            if (UseRightToLeftAlignment())
                r->Left += ButtonWidth();
            else
                r->Right -= ButtonWidth();
        }
        return;
    case WM_NCPAINT:
        TCustomMaskEdit::Dispatch(m);
        PaintFrame();
        m.Result = 0;
        return;
    case CM_BIDIMODECHANGED:  // the drop-down button changes ends: the non-client area is measured again
        TCustomMaskEdit::Dispatch(m);
        if (showButton_) RecreateWnd();
        return;
    case WM_SIZE:
        TCustomMaskEdit::Dispatch(m);
        if (frameVisible_) RepaintFrame();
        return;
    case WM_SETFOCUS:
        TCustomMaskEdit::Dispatch(m);
        SetHotState(0, true);
        return;
    case WM_KILLFOCUS:
        TCustomMaskEdit::Dispatch(m);
        SetHotState(0, false);
        return;
    case CM_MOUSEENTER:
        if (!(ComponentState() & csDesigning)) SetHotState(1, true);
        if (OnMouseEnter) OnMouseEnter(this);
        TCustomMaskEdit::Dispatch(m);
        return;
    case CM_MOUSELEAVE:
        SetHotState(1, false);
        mouseOverButton_ = false;
        if (OnMouseLeave) OnMouseLeave(this);
        TCustomMaskEdit::Dispatch(m);
        return;
    case CM_ENABLEDCHANGED:
        TCustomMaskEdit::Dispatch(m);
        UpdateColors();
        return;
    case CM_COLORCHANGED:
        if (!updatingColors_) TakeNormalColor(Color(), normalColor_, focusColor_);
        TCustomMaskEdit::Dispatch(m);
        if (frameVisible_) RepaintFrame();
        return;
    case WM_NCHITTEST:
        TCustomMaskEdit::Dispatch(m);
        if (showButton_ && m.Result != HTCLIENT) {
            TPoint p = ScreenToClient(TPoint(m.XPos(), m.YPos()));
            if (ButtonRect().Contains(TPoint(p.X + WindowClientRect().Left, p.Y + WindowClientRect().Top))) {
                m.Result = HTCLIENT;
                mouseOverButton_ = true;
            }
        }
        return;
    case WM_MOUSEMOVE:
        if (showButton_) mouseOverButton_ = ButtonRect().Contains(TPoint(m.XPos() + WindowClientRect().Left,
                                                                           m.YPos() + WindowClientRect().Top));
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (showButton_ && ButtonRect().Contains(TPoint(m.XPos() + WindowClientRect().Left,
                                                        m.YPos() + WindowClientRect().Top))) {
            if (CanFocus() && !Focused()) SetFocus();
            DropDown();
            return;
        }
        break;
    case WM_CONTEXTMENU:
        if (showButton_ && mouseOverButton_) return;
        break;
    case WM_SYSKEYDOWN:
        if (showButton_ && m.WParam == VK_DOWN && (KeyDataToShiftState(m.LParam) & (ssShift | ssAlt | ssCtrl)) == ssAlt) {
            DropDown();
            m.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TCustomMaskEdit::Dispatch(m);
}

// ---- TVtEdit ----

QM_CLASS_RECORD(TVtEdit, TVtCustomEdit)

// ---- TVtNumericEdit ----

const TClassInfo& TVtNumericEdit::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtNumericEdit;
        TClassInfo c{"TVtNumericEdit", &TVtEdit::StaticClass(), Creator<C>(), {}, {}};
        c.props = {NumberValueProp<C>(),
                   FloatProp<C>("Min", &C::Min, &C::SetMin),
                   FloatProp<C>("Max", &C::Max, &C::SetMax),
                   BoolProp<C>("CheckRange", &C::CheckRange, &C::SetCheckRange, 0),
                   BoolProp<C>("IntegersOnly", &C::IntegersOnly, &C::SetIntegersOnly, 1),
                   BoolProp<C>("AllowBlank", &C::AllowBlank, &C::SetAllowBlank, 0),
                   FloatProp<C>("BlankValue", &C::BlankValue, &C::SetBlankValue),
                   StrProp<C>("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat),
                   EventProp("OnRangeError", &C::OnRangeError)};
        return c;
    }();
    return ci;
}

TVtNumericEdit::TVtNumericEdit(TComponent* owner) : TVtEdit(owner) {
    SetControlStyle(ControlStyle() & ~uint32_t(csSetCaption));
    SetBounds(Left(), Top(), 65, 21);
    SetAlignment(taRightJustify);
    SetText(FormatValue(0));
}

std::string TVtNumericEdit::FormatValue(double v) const { return FormatFloat(displayFormat_, v); }

double TVtNumericEdit::Value() {
    try {
        if (Text().empty()) {
            if (allowBlank_) return blankValue_;
            SetText(FormatValue(min_));
        }
        return ValueFromText();
    } catch (const EConvertError&) {
        return min_;
    }
}

void TVtNumericEdit::SetValue(double v) {
    // No text could show it: an infinite or undefined value reads as Min, as unparsable text does.
    if (!std::isfinite(v)) v = min_;
    double now;
    try {
        now = ValueFromText();
    } catch (const EConvertError&) {
        now = std::numeric_limits<double>::quiet_NaN();
    }
    if (Text().empty() || !(now == v)) SetText(FormatValue(v));
}

void TVtNumericEdit::SetMin(double v) {
    if (v == min_) return;
    min_ = v;
    if (min_ > max_) max_ = min_;
    Invalidate();
}

void TVtNumericEdit::SetMax(double v) {
    if (v == max_) return;
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
    displayFormat_ = f;
    if (!IsLoading()) SetText(FormatValue(Value()));
}

double TVtNumericEdit::CheckValue(double v, bool& rejected) {
    double r = v;
    if (min_ != max_ || checkRange_) {
        auto check = [&](double bound) {
            bool autoCorrect = true;
            if (OnRangeError) OnRangeError(this, v, bound, autoCorrect);
            if (autoCorrect)
                r = bound;
            else
                rejected = true;
        };
        if (v < min_)
            check(min_);
        else if (v > max_)
            check(max_);
    }
    if (r != lastValue_) valueChanged_ = true;
    lastValue_ = r;
    return r;
}

bool TVtNumericEdit::IsValidChar(char key) const { return IsNumberKey(this, key, integersOnly_, true); }

void TVtNumericEdit::KeyPress(char& key) {
    TVtEdit::KeyPress(key);
    if (key && !IsValidChar(key)) {
        key = 0;
        MessageBeep(0);
    }
}

void TVtNumericEdit::DoEnter() {
    valueChanged_ = false;
    try {
        lastValue_ = ValueFromText();
        if (!allowBlank_) SetText(FormatValue(lastValue_));
    } catch (const EConvertError&) {
        lastValue_ = min_;
    }
    TVtEdit::DoEnter();
}

void TVtNumericEdit::Change() {
    if (loadingValue_) return;
    TVtEdit::Change();
}

void TVtNumericEdit::Loaded() {
    TVtEdit::Loaded();
    loadingValue_ = true;
    try {
        lastValue_ = ValueFromText();
        if (!allowBlank_) SetText(FormatValue(lastValue_));
    } catch (const EConvertError&) {
        lastValue_ = min_;
        if (!allowBlank_) SetText(FormatValue(min_));
    }
    loadingValue_ = false;
}

void TVtNumericEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_KILLFOCUS:
        if (!(allowBlank_ && Text().empty())) {
            bool rejected = false;
            try {
                double r = CheckValue(ValueFromText(), rejected);
                if (rejected) {
                    // The handler keeps the user in the control with the text as it stands.
                    PostMessage(this, CM_REFOCUS, 0, 0);
                    return;
                }
                SetText(FormatValue(r));
            } catch (const EConvertError&) {
                SetText(FormatValue(min_));
            }
        }
        break;
    case CM_REFOCUS:
        if (CanFocus()) SetFocus();
        return;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
        if (ReadOnly()) return;
        break;
    default: break;
    }
    TVtEdit::Dispatch(m);
}
