#include "widgets/VtCmboBx.h"

#include <algorithm>

#include "platform/ui/Themes.h"

namespace {
// Completes the text the edit has cut or pasted, once the edit has settled its caret.
constexpr UINT CM_COMPLETEEDIT = WM_USER + 0x1C7;

bool IsLead(char c) { return uint8_t(c) >= 0x81 && uint8_t(c) <= 0xFE; }

// Bytes taken by the first n characters of a GBK text.
size_t BytesOfChars(const std::string& text, int n) {
    size_t i = 0;
    for (int k = 0; k < n && i < text.size(); ++k) i += IsLead(text[i]) && i + 1 < text.size() ? 2 : 1;
    return i;
}
int CharCount(const std::string& text) {
    int n = 0;
    for (size_t i = 0; i < text.size(); ++n) i += IsLead(text[i]) && i + 1 < text.size() ? 2 : 1;
    return n;
}
}  // namespace

size_t LastGbkCharStart(const std::string& text) {
    size_t last = text.size();
    for (size_t i = 0; i < text.size();) {
        last = i;
        i += IsLead(text[i]) && i + 1 < text.size() ? 2 : 1;
    }
    return last;
}

const TClassInfo& TVtCustomComboBox::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomComboBox;
        TClassInfo c{"TVtCustomComboBox", &TCustomComboBox::StaticClass(), {}, {}, {}};
        c.props = {BoolProp<C>("AutoComplete", &C::AutoComplete, &C::SetAutoComplete, 1),
                   BoolProp<C>("AllowEdit", &C::AllowEdit, &C::SetAllowEdit, 1),
                   BoolProp<C>("BeepOnInvalidKey", &C::BeepOnInvalidKey, &C::SetBeepOnInvalidKey, 1),
                   BoolProp<C>("KeepSearchCase", &C::KeepSearchCase, &C::SetKeepSearchCase, 0),
                   BoolProp<C>("AutoDropDown", &C::AutoDropDown, &C::SetAutoDropDown, 0),
                   BoolProp<C>("AutoCloseUp", &C::AutoCloseUp, &C::SetAutoCloseUp, 0),
                   BoolProp<C>("TabOnEnter", &C::TabOnEnter, &C::SetTabOnEnter, 0),
                   BoolProp<C>("ReadOnly", &C::ReadOnly, &C::SetReadOnly, 0),
                   OrdProp<C, int>("DropDownWidth", &C::GetDropDownWidth, &C::SetDropDownWidth, 0),
                   OrdProp<C, int>("MaxLength", &C::MaxLength, &C::SetMaxLength, 0),
                   BoolProp<C>("FlatButtons", &C::FlatButtons, &C::SetFlatButtons, 0),
                   OrdProp<C, TColor>("FlatButtonColor", &C::FlatButtonColor, &C::SetFlatButtonColor, clBtnFace),
                   RefProp<C, TVtFrameController>("FrameController", &C::FrameController, &C::SetFrameController),
                   EventProp("OnMatch", &C::OnMatch),
                   EventProp("OnNotInList", &C::OnNotInList),
                   EventProp("OnMouseEnter", &C::OnMouseEnter),
                   EventProp("OnMouseLeave", &C::OnMouseLeave),
                   EventProp("OnSelEndCancel", &C::OnSelEndCancel)};
        for (TPropInfo& f : ColorAndFrameProps<C>()) c.props.push_back(std::move(f));
        return c;
    }();
    return ci;
}

TVtCustomComboBox::TVtCustomComboBox(TComponent* owner) : TCustomComboBox(owner) {
    timer_ = new TTimer(nullptr);
    timer_->SetEnabled(false);
    timer_->SetInterval(1500);
    timer_->OnTimer = [this](TObject*) {
        if (handlingChar_) return;
        timer_->SetEnabled(false);
        search_.clear();
    };
    if (Edit()) EditCreated(Edit());
    Items()->OnDeleting = [this](int i) {
        if (TObject* data = Items()->Objects(i); data && OnDeleteItem) OnDeleteItem(this, data);
    };
}

TVtCustomComboBox::~TVtCustomComboBox() {
    Items()->OnDeleting = nullptr;
    if (frameController_) frameController_->RemoveControl(this);
    delete timer_;
}

void TVtCustomComboBox::SelEndCancel() {
    if (OnSelEndCancel) OnSelEndCancel(this);
}

bool TVtCustomComboBox::Themed() const { return ThemeServices()->ThemesEnabled(); }

bool TVtCustomComboBox::CustomFrameInUse() const {
    return frameVisible_ && !(framingPreference_ == fpXPThemes && Themed());
}

bool TVtCustomComboBox::HasFocus() const { return Focused() || (Edit() && Edit()->Focused()); }

void TVtCustomComboBox::RepaintAll() {
    Invalidate();
    if (HandleAllocated()) InvalidateFrame();
}

template <class T>
static bool Store(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}

void TVtCustomComboBox::SetReadOnly(bool r) {
    if (!Store(readOnly_, r)) return;
    if (Edit()) Edit()->SetReadOnly(r);
    Invalidate();
}
void TVtCustomComboBox::SetMaxLength(int n) {
    maxLength_ = std::max(n, 0);
    if (Edit()) Edit()->SetMaxLength(maxLength_);
}
void TVtCustomComboBox::SetFocusColor(TColor c) {
    if (Store(focusColor_, c)) UpdateColors();
}
void TVtCustomComboBox::SetDisabledColor(TColor c) {
    if (Store(disabledColor_, c)) UpdateColors();
}
void TVtCustomComboBox::SetFlatButtons(bool f) {
    if (Store(flatButtons_, f)) Invalidate();
}
void TVtCustomComboBox::SetFlatButtonColor(TColor c) {
    if (Store(flatButtonColor_, c)) Invalidate();
}
void TVtCustomComboBox::SetFrameController(TVtFrameController* c) { LinkFrameController(this, frameController_, c); }

void TVtCustomComboBox::Notification(TComponent* c, TOperation op) {
    TCustomComboBox::Notification(c, op);
    if (op == opRemove && c == frameController_) frameController_ = nullptr;
}

void TVtCustomComboBox::UpdateColors() {
    if (IsLoading() || (ComponentState() & csDesigning)) return;
    updatingColors_ = true;
    SetColor(!Enabled() ? disabledColor_ : HasFocus() ? focusColor_ : normalColor_);
    if (Edit()) Edit()->SetColor(Color());
    updatingColors_ = false;
}

void TVtCustomComboBox::Loaded() {
    TCustomComboBox::Loaded();
    UpdateColors();
}

void TVtCustomComboBox::Refuse() {
    if (beepOnInvalidKey_) MessageBeep(0);
}

void TVtCustomComboBox::Change() {
    if (!settingText_) TCustomComboBox::Change();
}

void TVtCustomComboBox::Select(int i) {
    settingText_ = true;
    SetItemIndex(i);
    settingText_ = false;
    Click();
    TCustomComboBox::Change();
}

// ---- incremental search in the drop-down list ----

void TVtCustomComboBox::SearchList(char key) {
    auto k = uint8_t(key);
    if (k == 8) {
        if (search_.empty()) {
            Refuse();
            return;
        }
        search_.erase(LastGbkCharStart(search_));
        if (search_.empty()) {
            if (Items()->Count() > 0) Select(0);
            return;
        }
        int i = FindString(search_);
        if (i >= 0 && i != ItemIndex()) Select(i);
        return;
    }
    if (k == 27) {
        if (Items()->Count() > 0) Select(0);
        return;
    }
    if (k < 32) return;
    std::string text = search_ + key;
    int i = FindString(text);
    timer_->SetEnabled(false);
    timer_->SetEnabled(true);
    if (i < 0) {
        Refuse();
        return;
    }
    search_ = text;
    Select(i);
}

void TVtCustomComboBox::KeyPress(char& key) {
    TCustomComboBox::KeyPress(key);
    if (!key) return;
    if (key == 13 && tabOnEnter_ && !DroppedDown()) {
        key = 0;
        PostMessage(this, WM_KEYDOWN, VK_TAB, 0);
        return;
    }
    if (Edit()) return;
    const char typed = key;
    key = 0;
    handlingChar_ = true;
    SearchList(typed);
    handlingChar_ = false;
    if (autoDropDown_ && !DroppedDown() && typed != 8 && typed != 9 && typed != 27) DropDown();
}

void TVtCustomComboBox::KeyDown(WORD& key, TShiftState shift) {
    switch (key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_ESCAPE: search_.clear(); break;
    default: break;
    }
    TCustomComboBox::KeyDown(key, shift);
}

// ---- completion in the edit styles ----

void TVtCustomComboBox::EditCreated(TCustomEdit* edit) {
    edit->SetReadOnly(readOnly_);
    edit->SetMaxLength(maxLength_);
    TNotifyEvent changed = edit->OnChange;
    edit->OnChange = [this, changed](TObject* sender) {
        editChanging_ = true;
        if (changed) changed(sender);
        editChanging_ = false;
    };
    edit->OnKeyPress = [this](TObject*, char& key) {
        handlingChar_ = true;
        EditKeyPress(key);
        handlingChar_ = false;
    };
    edit->OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) { EditKeyDown(key, shift); };
    edit->OnEnter = [this](TObject*) {
        UpdateColors();
        RepaintAll();
    };
    edit->OnExit = [this](TObject*) {
        search_.clear();
        UpdateColors();
        RepaintAll();
        if (Style() == csDropDown && !Text().empty() && Items()->IndexOf(Text()) < 0 && OnNotInList)
            OnNotInList(this);
    };
}

void TVtCustomComboBox::Complete(const std::string& typed, bool refuseUnmatched, const std::string& tail) {
    TCustomEdit* e = Edit();
    int i = typed.empty() ? -1 : FindString(typed);
    if (i < 0) {
        if (refuseUnmatched) {
            Refuse();
            return;
        }
        e->SetText(typed + tail);
        e->SetSelStart(CharCount(typed));
        return;
    }
    const std::string& item = Items()->Strings(i);
    settingText_ = true;
    SetItemIndex(i);
    if (keepSearchCase_) {
        keepingIndex_ = true;
        e->SetText(typed + item.substr(typed.size()));
        keepingIndex_ = false;
    }
    settingText_ = false;
    int caret = CharCount(typed);
    e->SetSelStart(caret);
    e->SetSelLength(CharCount(e->Text()) - caret);
    Click();
    TCustomComboBox::Change();
    if (OnMatch) OnMatch(this);
}

void TVtCustomComboBox::EditKeyPress(char& key) {
    TCustomEdit* e = Edit();
    auto k = uint8_t(key);
    if (k == 13 && tabOnEnter_ && !DroppedDown()) {
        key = 0;
        PostMessage(e, WM_KEYDOWN, VK_TAB, 0);
        return;
    }
    if (readOnly_) return;
    if (k >= 32 && EditFull()) {
        // A double-byte character is refused whole, with one beep.
        const char c = key;
        key = 0;
        if (IsLead(c) && pendingLead_.empty()) {
            pendingLead_ = std::string(1, c);
            return;
        }
        pendingLead_.clear();
        Refuse();
        return;
    }
    if (!autoComplete_ && allowEdit_) return;
    std::string text = e->Text();
    size_t caret = BytesOfChars(text, e->SelStart());
    // What follows the selection is kept when the text completes to no item.
    const std::string tail = text.substr(BytesOfChars(text, e->SelStart() + e->SelLength()));
    if (k == 8) {
        if (!autoComplete_) return;
        key = 0;
        std::string typed = text.substr(0, caret);
        if (typed.empty()) {
            Refuse();
            return;
        }
        typed.erase(LastGbkCharStart(typed));
        if (typed.empty()) {
            settingText_ = true;
            SetItemIndex(-1);
            if (!tail.empty()) {
                e->SetText(tail);
                e->SetSelStart(0);
            }
            settingText_ = false;
            Click();
            TCustomComboBox::Change();
            return;
        }
        Complete(typed, false, tail);
        return;
    }
    if (k < 32) return;
    if (IsLead(key) && pendingLead_.empty()) {
        pendingLead_ = std::string(1, key);
        key = 0;
        return;
    }
    std::string ch = pendingLead_ + key;
    pendingLead_.clear();
    key = 0;
    std::string typed = text.substr(0, caret) + ch;
    if (autoComplete_) {
        Complete(typed, !allowEdit_, tail);
        return;
    }
    // Without completion a key that leaves the text no item's beginning is refused.
    if (FindString(typed) < 0) {
        Refuse();
        return;
    }
    e->SetText(typed + tail);
    e->SetSelStart(CharCount(typed));
}

bool TVtCustomComboBox::EditFull() const {
    const TCustomEdit* e = Edit();
    return Style() == csDropDown && maxLength_ >= 1 && e && e->SelLength() == 0 && CharCount(e->Text()) >= maxLength_;
}

// Delete takes the selection, or the character after the caret (both bytes), and does not complete.
void TVtCustomComboBox::DeleteForward() {
    TCustomEdit* e = Edit();
    handlingChar_ = true;
    if (e->SelLength() == 0) e->SetSelLength(1);
    e->ClearSelection();
    handlingChar_ = false;
}

void TVtCustomComboBox::EditKeyDown(WORD& key, TShiftState shift) {
    if (key == VK_DELETE && autoComplete_ && !readOnly_ && !(shift & ssShift) && !(shift & ssCtrl)) {
        DeleteForward();
        key = 0;
        return;
    }
    if (key == VK_ESCAPE || key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN) search_.clear();
    // The list keys move through the items, as in the drop-down list.
    if (key == VK_UP || key == VK_DOWN) {
        int n = Items()->Count();
        if (n > 0) {
            int i = key == VK_UP ? std::max(ItemIndex() - 1, 0) : std::min(ItemIndex() + 1, n - 1);
            if (i != ItemIndex()) Select(i);
        }
        key = 0;
    }
}

// ---- mouse, focus and painting ----

void TVtCustomComboBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (readOnly_ && b == mbLeft) return;
    TCustomComboBox::MouseDown(b, s, x, y);
}

void TVtCustomComboBox::PaintButton(TCanvas* c) {
    TRect r = ButtonRect();
    c->Brush()->SetStyle(bsSolid);
    if (readOnly_) {
        c->Brush()->SetColor(Color());
        c->FillRect(r);
        return;
    }
    if (!flatButtons_) return;
    bool open = DroppedDown();
    if (!Hot()) {
        c->Brush()->SetColor(Color());
        c->FillRect(r);
        DrawDropDownArrow(c, r, 0, false, Enabled());
        return;
    }
    if (Themed()) {
        ThemeServices()->DrawElement(
            c, ThemeServices()->GetElementDetails(tpComboDropDown, open ? tsPressed : tsHot), r);
        return;
    }
    c->Brush()->SetColor(flatButtonColor_);
    c->FillRect(r);
    if (flatButtonColor_ != clBtnFace)
        DrawColorButtonBorder(c, r, flatButtonColor_, open);
    else
        DrawSides(c, r, open ? clBtnShadow : clBtnHighlight, open ? clBtnHighlight : clBtnShadow, sdAllSides);
    DrawDropDownArrow(c, r, 0, open, Enabled());
}

void TVtCustomComboBox::PaintOwnerDrawn(TCanvas* c) {
    if (Style() != csOwnerDrawFixed && Style() != csOwnerDrawVariable) return;
    TRect b = ButtonRect(), cr = ClientRect();
    TRect r(cr.Left, cr.Top, b.Left, cr.Bottom);
    TOwnerDrawState state = Focused() && !DroppedDown() ? TOwnerDrawState(odSelected | odFocused) : 0;
    c->SetFont(*Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    if (state & odSelected) {
        c->Brush()->SetColor(clHighlight);
        c->Font()->SetColor(clHighlightText);
    }
    int i = ItemIndex();
    if (i >= 0 && OnDrawItem) {
        c->SaveDC();
        c->IntersectClipRect(r.Left, r.Top, r.Right, r.Bottom);
        OnDrawItem(this, i, r, state);
        c->RestoreDC(-1);
    } else {
        c->FillRect(r);
        if (i >= 0) {
            TRect t = r;
            t.Left += 2;
            c->Brush()->SetStyle(bsClear);
            c->DrawText(Items()->Strings(i), t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
    }
    if (state & odSelected) c->DrawFocusRect(r);
}

void TVtCustomComboBox::Paint() {
    TCustomComboBox::Paint();
    PaintOwnerDrawn(Canvas());
    PaintButton(Canvas());
}

void TVtCustomComboBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_NCPAINT:
        TCustomComboBox::Dispatch(m);
        if (CustomFrameInUse() && HandleAllocated()) {
            bool hot = frameHotTrack_ && Hot();
            DrawControlFrame(WindowCanvas(), Width(), Height(), hot ? frameHotStyle_ : frameStyle_, Color(),
                             hot ? frameHotColor_ : frameColor_, frameSides_, false);
        }
        return;
    case WM_SETFOCUS:
        TCustomComboBox::Dispatch(m);
        UpdateColors();
        RepaintAll();
        return;
    case WM_KILLFOCUS:
        TCustomComboBox::Dispatch(m);
        if (!Edit()) search_.clear();
        UpdateColors();
        RepaintAll();
        return;
    case CM_MOUSEENTER:
        mouseOver_ = true;
        RepaintAll();
        if (OnMouseEnter) OnMouseEnter(this);
        break;
    case CM_MOUSELEAVE:
        mouseOver_ = false;
        RepaintAll();
        if (OnMouseLeave) OnMouseLeave(this);
        break;
    case CM_ENABLEDCHANGED:
        TCustomComboBox::Dispatch(m);
        UpdateColors();
        return;
    case CM_COLORCHANGED:
        if (!updatingColors_) TakeNormalColor(Color(), normalColor_, focusColor_);
        TCustomComboBox::Dispatch(m);
        if (frameVisible_ && HandleAllocated()) InvalidateFrame();
        return;
    case CM_TEXTCHANGED:
        if (keepingIndex_) {
            Invalidate();
            return;
        }
        // A text set from outside, or cut and pasted, completes as typed text does.
        if (Edit() && autoComplete_ && !settingText_ && !handlingChar_ && !DroppedDown() && !IsLoading() &&
            !(ComponentState() & csDesigning)) {
            if (editChanging_) {
                TCustomComboBox::Dispatch(m);
                if (allowEdit_) PostMessage(this, CM_COMPLETEEDIT, 0, 0);
                return;
            }
            std::string t = Text();
            if (!t.empty() && FindString(t) >= 0) {
                settingText_ = true;
                TCustomComboBox::Dispatch(m);
                settingText_ = false;
                handlingChar_ = true;
                Complete(t, false);
                handlingChar_ = false;
                return;
            }
        }
        break;
    case CM_COMPLETEEDIT:
        if (Edit() && autoComplete_ && !DroppedDown() && !Text().empty() && FindString(Text()) >= 0) {
            handlingChar_ = true;
            Complete(Text(), false);
            handlingChar_ = false;
        }
        return;
    case WM_MOUSEWHEEL: {
        int delta = int16_t(HIWORD(uintptr_t(m.WParam)));
        int n = Items()->Count();
        if (!DroppedDown() && n > 0 && delta != 0) {
            int i = delta > 0 ? std::max(ItemIndex() - 1, 0) : std::min(ItemIndex() + 1, n - 1);
            if (i != ItemIndex()) Select(i);
        }
        m.Result = 1;
        return;
    }
    default: break;
    }
    TCustomComboBox::Dispatch(m);
}

QM_CLASS_RECORD(TVtComboBox, TVtCustomComboBox)
