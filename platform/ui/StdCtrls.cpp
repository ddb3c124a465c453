#include "platform/ui/StdCtrls.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "platform/rtl/MemoryBacking.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"

const TEnumInfo AlignmentIdents{{"taLeftJustify", "taRightJustify", "taCenter"}};

namespace {
const TEnumInfo ListStyleIdents{{"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"}};
const TEnumInfo ComboStyleIdents{{"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"}};
const TEnumInfo LayoutIdents{{"tlTop", "tlCenter", "tlBottom"}};
const TEnumInfo CheckStateIdents{{"cbUnchecked", "cbChecked", "cbGrayed"}};
const TEnumInfo BorderIdents{{"bsNone", "bsSingle"}};
TComboDropHook g_comboHook;

int FontPixels(const TFont* f) {
    int h = f->Height();
    return std::max(h < 0 ? -h : h * 3 / 4, 8);
}

// Raised (up) or sunken frame of two pixels, as the standard controls draw it.
void Edge3D(TCanvas* c, TRect r, bool raised) {
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    if (raised) {
        Frame3D(c, r, clBtnHighlight, cl3DDkShadow);
        Frame3D(c, r, cl3DLight, clBtnShadow);
    } else {
        Frame3D(c, r, clBtnShadow, clBtnHighlight);
        Frame3D(c, r, cl3DDkShadow, cl3DLight);
    }
}

void PrepareCanvas(TCanvas* c, TControl* ctl) {
    c->SetFont(*ctl->Font());
    if (!ctl->Enabled()) c->Font()->SetColor(clGrayText);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(ctl->Color());
}
}  // namespace

// ---------------------------------------------------------------- TItemStrings
void TItemStrings::Check(int i) const {
    if (i < 0 || i >= Count()) throw ERangeError("List index out of bounds (" + std::to_string(i) + ")");
}
int TItemStrings::AddObject(const std::string& s, TObject* o) {
    items_.emplace_back(s, o);
    Changed(Count() - 1, 1);
    return Count() - 1;
}
void TItemStrings::Insert(int index, const std::string& s) {
    if (index < 0 || index > Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, {s, nullptr});
    Changed(index, 1);
}
void TItemStrings::Delete(int index) {
    Check(index);
    if (OnDeleting) OnDeleting(index);
    items_.erase(items_.begin() + index);
    Changed(index, -1);
}
void TItemStrings::DeleteMarked(const std::vector<bool>& gone) {
    const size_t n = std::min(gone.size(), items_.size());
    if (!OnDeletedMarked) {
        for (size_t i = n; i-- > 0;)
            if (gone[i]) Delete(int(i));
        return;
    }
    // From the last, as single deletions are told.
    if (OnDeleting)
        for (size_t i = n; i-- > 0;)
            if (gone[i]) OnDeleting(int(i));
    size_t w = 0;
    for (size_t r = 0; r < items_.size(); ++r)
        if (r >= n || !gone[r]) {
            if (w != r) items_[w] = std::move(items_[r]);
            ++w;
        }
    if (w == items_.size()) return;
    items_.resize(w);
    OnDeletedMarked(std::vector<bool>(gone.begin(), gone.begin() + std::ptrdiff_t(n)));
}
void TItemStrings::Clear() {
    if (OnDeleting)
        for (int i = 0; i < Count(); ++i) OnDeleting(i);
    std::vector<std::pair<std::string, TObject*>>().swap(items_);
    Changed(-1, 0);
}
void TItemStrings::Reserve(int n) {
    if (n <= int(items_.capacity())) return;
    items_.reserve(size_t(n));
    // Written once through, a long list's room costs a fault per small page otherwise.
    BackWithHugePages({{items_.data(), items_.capacity() * sizeof(items_[0])}});
}
void TItemStrings::BeginUpdate() {
    if (updateCount_++ == 0 && OnUpdate) OnUpdate(true);
}

void TItemStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0 && OnUpdate) OnUpdate(false);
}

const std::string& TItemStrings::Strings(int i) const {
    Check(i);
    return items_[size_t(i)].first;
}
void TItemStrings::SetStrings(int i, const std::string& s) {
    Check(i);
    items_[size_t(i)].first = s;
    Changed(i, 0);
}
TObject* TItemStrings::Objects(int i) const {
    Check(i);
    return items_[size_t(i)].second;
}
void TItemStrings::SetObjects(int i, TObject* o) {
    Check(i);
    items_[size_t(i)].second = o;
}
int TItemStrings::IndexOf(const std::string& s) const {
    for (int i = 0; i < Count(); ++i)
        if (LowerCase(items_[size_t(i)].first) == LowerCase(s)) return i;
    return -1;
}
std::string TItemStrings::Text() const {
    std::string t;
    for (auto& [s, o] : items_) t += s + "\r\n";
    return t;
}
void TItemStrings::SetText(const std::string& text) {
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t e = text.find_first_of("\r\n", i);
        if (e == std::string::npos) e = text.size();
        items_.emplace_back(text.substr(i, e - i), nullptr);
        if (e < text.size() && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ++e;
        i = e + 1;
    }
    Changed(-1, 0);
}

// ---------------------------------------------------------------- TCustomEdit
// Keys typed into the native edit travel as messages through the control first (handlers may eat them);
// what is left comes back to the native edit.
class TEditGlue : public QObject {
public:
    explicit TEditGlue(TCustomEdit* e) : edit(e) {}
    TCustomEdit* edit;
    bool forwarding = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (!Backend::Alive(edit)) return false;
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            if (forwarding) return false;
            auto* k = static_cast<QKeyEvent*>(e);
            TShiftState s = 0;
            if (k->modifiers() & Qt::ShiftModifier) s |= ssShift;
            if (k->modifiers() & Qt::ControlModifier) s |= ssCtrl;
            if (k->modifiers() & Qt::AltModifier) s |= ssAlt;
            bool down = e->type() == QEvent::KeyPress;
            Backend::RouteKey(Backend::TopLevel(edit), Backend::QtKeyToVk(k->key()), down, s,
                              down ? ToGbk(k->text()) : std::string());
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            // The control sees the mouse as messages too (clicks, capture, its popup menu); the native edit
            // still places the caret and the selection.
            auto* me = static_cast<QMouseEvent*>(e);
            TWinControl* top = Backend::TopLevel(edit);
            if (!top || !top->Widget()) return false;
            QPoint p = edit->edit_->mapTo(top->Widget(), me->position().toPoint());
            WPARAM keys = 0;
            if (me->buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
            if (me->buttons() & Qt::RightButton) keys |= MK_RBUTTON;
            if (me->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
            if (me->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
            TMouseButton b = me->button() == Qt::RightButton ? mbRight : me->button() == Qt::MiddleButton ? mbMiddle : mbLeft;
            Backend::MouseKind kind = e->type() == QEvent::MouseButtonPress     ? Backend::Down
                                      : e->type() == QEvent::MouseButtonRelease ? Backend::Up
                                      : e->type() == QEvent::MouseButtonDblClick ? Backend::DoubleClick
                                                                                 : Backend::Move;
            Backend::RouteMouse(top, p, kind, b, keys);
            return false;
        }
        case QEvent::ContextMenu: {
            // The control's popup menu, when it has one, replaces the native edit menu.
            if (edit->PopupMenu() != nullptr || bool(edit->OnContextPopup)) return true;
            // The native menu's cut, paste and delete go through the control's messages, as the keys do.
            std::unique_ptr<QMenu> menu(edit->edit_->createStandardContextMenu());
            const std::pair<const char*, UINT> routed[] = {{"edit-cut", WM_CUT}, {"edit-paste", WM_PASTE},
                                                           {"edit-delete", WM_CLEAR}};
            for (QAction* a : menu->actions())
                for (auto [name, msg] : routed)
                    if (a->objectName() == QLatin1String(name)) {
                        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
                        TCustomEdit* self = edit;
                        UINT m = msg;
                        QObject::connect(a, &QAction::triggered, a, [self, m] {
                            if (Backend::Alive(self)) Backend::Guard([&] { self->Perform(m); });
                        });
                    }
            menu->exec(static_cast<QContextMenuEvent*>(e)->globalPos());
            return true;
        }
        case QEvent::FocusIn:
            if (Backend::Focused() != edit && edit->CanFocus()) {
                TCustomEdit* self = edit;
                Backend::Guard([self] { Backend::SetFocused(self); });
            }
            return false;
        default: return false;
        }
    }
    void Forward(QKeyEvent& k) {
        forwarding = true;
        QCoreApplication::sendEvent(edit->edit_, &k);
        forwarding = false;
    }
};

static const TEnumInfo CharCaseIdents{{"ecNormal", "ecUpperCase", "ecLowerCase"}};

const TClassInfo& TCustomEdit::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TCustomEdit", &TWinControl::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<TCustomEdit, int>("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength, 0),
                   BoolProp<TCustomEdit>("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly, 0),
                   BoolProp<TCustomEdit>("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect, 1),
                   OrdProp<TCustomEdit, int>("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar, 0),
                   OrdProp<TCustomEdit, TAlignment>("Alignment", &TCustomEdit::Alignment, &TCustomEdit::SetAlignment,
                                                    taLeftJustify, &AlignmentIdents),
                   OrdProp<TCustomEdit, TEditCharCase>("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase,
                                                       ecNormal, &CharCaseIdents),
                   BoolProp<TCustomEdit>("HideSelection", &TCustomEdit::HideSelection,
                                         &TCustomEdit::SetHideSelection, 1),
                   BoolProp<TCustomEdit>("OEMConvert", &TCustomEdit::OEMConvert, &TCustomEdit::SetOEMConvert, 0),
                   OrdProp<TWinControl, TBorderStyle>("BorderStyle", &TWinControl::BorderStyle,
                                                      &TWinControl::SetBorderStyle, bsSingle, &BorderIdents),
                   EventProp("OnChange", &TCustomEdit::OnChange)};
        return c;
    }();
    return ci;
}

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    edit_ = new QLineEdit(widget_.get());
    edit_->setFrame(false);
    edit_->setProperty("qmNative", true);
    edit_->setMaxLength(32767);
    widget_->setFocusProxy(edit_);
    glue_ = new TEditGlue(this);
    glue_->setParent(edit_);
    edit_->installEventFilter(glue_);
    QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this] { Backend::Guard([this] { SyncFromNative(); }); });
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBorderStyle(bsSingle);
    SetBounds(0, 0, 121, 21);
    SetAlignment(alignment_);
    SetHideSelection(hideSelection_);
    edit_->setFont(ToQFont(*Font()));
}

TCustomEdit::~TCustomEdit() { edit_ = nullptr; }

void TCustomEdit::SyncFromNative() {
    if (!edit_ || syncing_) return;
    std::string t = ToGbk(edit_->text());
    if (t == Text()) return;
    syncing_ = true;
    try {
        SetText(t);
    } catch (...) {
        syncing_ = false;
        throw;
    }
    syncing_ = false;
}

void TCustomEdit::Change() {
    modified_ = true;
    if (OnChange && !IsLoading()) OnChange(this);
}

void TCustomEdit::SetMaxLength(int n) {
    maxLength_ = std::max(n, 0);
    edit_->setMaxLength(maxLength_ ? maxLength_ : 32767);
}
void TCustomEdit::SetReadOnly(bool r) {
    readOnly_ = r;
    edit_->setReadOnly(r);
}
void TCustomEdit::SetPasswordChar(int c) {
    passwordChar_ = c;
    edit_->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
}
void TCustomEdit::SetAlignment(TAlignment a) {
    alignment_ = a;
    edit_->setAlignment((a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft) |
                       Qt::AlignVCenter);
    // The native edit keeps two pixels of its own inside each side, more than narrow number edits can spare:
    // right-aligned text has the caret's column before its end, text set against the left a pixel from it.
    edit_->setTextMargins(a == taLeftJustify ? -1 : -2, 0, -2, 0);
}
void TCustomEdit::SetCharCase(TEditCharCase c) {
    if (c == charCase_) return;
    charCase_ = c;
    Perform(CM_TEXTCHANGED);
}

void TCustomEdit::SetHideSelection(bool h) {
    hideSelection_ = h;
    // Without the focus the native edit paints its selection in the inactive colours.
    QPalette p = edit_->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               h ? QColor(Qt::transparent) : p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(h ? QPalette::Text : QPalette::HighlightedText));
    edit_->setPalette(p);
}

int TCustomEdit::SelStart() const { return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition(); }
void TCustomEdit::SetSelStart(int s) {
    edit_->deselect();
    edit_->setCursorPosition(std::clamp(s, 0, int(edit_->text().size())));
}
int TCustomEdit::SelLength() const { return int(edit_->selectedText().size()); }
void TCustomEdit::SetSelLength(int n) {
    int s = SelStart();
    edit_->setSelection(s, std::clamp(n, 0, int(edit_->text().size()) - s));
}
std::string TCustomEdit::SelText() const { return ToGbk(edit_->selectedText()); }
void TCustomEdit::SetSelText(const std::string& t) { edit_->insert(FromGbk(t)); }
void TCustomEdit::SelectAll() { edit_->selectAll(); }
void TCustomEdit::ClearSelection() { Perform(WM_CLEAR); }
void TCustomEdit::SetEditMargins(int left, int right) {
    left = std::max(left, 0);
    right = std::max(right, 0);
    if (left == leftMargin_ && right == rightMargin_) return;
    leftMargin_ = left;
    rightMargin_ = right;
    BoundsChanged(false, true);
}
void TCustomEdit::CopyToClipboard() { edit_->copy(); }
// Cut, paste and clear go through their messages, so descendants can refuse them.
void TCustomEdit::CutToClipboard() { Perform(WM_CUT); }
void TCustomEdit::PasteFromClipboard() { Perform(WM_PASTE); }
bool TCustomEdit::CanUndo() const { return edit_->isUndoAvailable(); }
void TCustomEdit::Undo() { edit_->undo(); }

void TCustomEdit::BoundsChanged(bool moved, bool sized) {
    TWinControl::BoundsChanged(moved, sized);
    if (edit_) {
        TRect r = WindowClientRect();
        int right = EditRightMargin() + rightMargin_;
        edit_->setGeometry(r.Left + 1 + leftMargin_, r.Top, std::max(r.Width() - 1 - leftMargin_ - right, 0),
                           r.Height());
    }
}

// The native edit scrolls to keep its caret in view; without the focus the caret goes home so that a text
// wider than the edit is read from its start, not its end.
void TCustomEdit::ShowFromStart() {
    if (edit_ && !Focused()) edit_->setCursorPosition(0);
}

void TCustomEdit::DoEnter() {
    if (autoSelect_) SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_CUT:
        if (edit_ && !readOnly_) edit_->cut();
        return;
    case WM_COPY:
        if (edit_) edit_->copy();
        return;
    case WM_PASTE:
        if (edit_ && !readOnly_) edit_->paste();
        return;
    case WM_CLEAR:
        if (edit_ && !readOnly_ && edit_->hasSelectedText()) edit_->del();
        return;
    case WM_LBUTTONDOWN:
        if (CanFocus() && !Focused()) SetFocus();
        break;
    case WM_CONTEXTMENU:
        // Without a menu of its own the edit keeps the native one rather than its parent's.
        if (!PopupMenu() && !OnContextPopup) {
            m.Result = 1;
            return;
        }
        break;
    case WM_KEYDOWN: {
        TWinControl::Dispatch(m);
        if (m.Result || !edit_) return;
        WORD vk = WORD(m.WParam);
        TShiftState s = KeyDataToShiftState(m.LParam);
        if (s & ssCtrl) {
            switch (vk) {
            case 'C': CopyToClipboard(); return;
            case 'X': CutToClipboard(); return;
            case 'V': PasteFromClipboard(); return;
            case 'Z': Undo(); return;
            case 'A': SelectAll(); return;
            default: break;
            }
        }
        int key = 0;
        switch (vk) {
        case VK_LEFT: key = Qt::Key_Left; break;
        case VK_RIGHT: key = Qt::Key_Right; break;
        case VK_HOME: key = Qt::Key_Home; break;
        case VK_END: key = Qt::Key_End; break;
        case VK_DELETE: key = Qt::Key_Delete; break;
        default: return;
        }
        Qt::KeyboardModifiers mods;
        if (s & ssShift) mods |= Qt::ShiftModifier;
        if (s & ssCtrl) mods |= Qt::ControlModifier;
        QKeyEvent k(QEvent::KeyPress, key, mods);
        glue_->Forward(k);
        return;
    }
    case WM_CHAR: {
        TWinControl::Dispatch(m);
        if (m.Result || !edit_) return;
        auto ch = uint8_t(m.WParam);
        if (ch == 8) {
            leadByte_.clear();
            if (!readOnly_) edit_->backspace();
            return;
        }
        if (ch < 32 || readOnly_) return;
        if (leadByte_.empty() && ch >= 0x81 && ch <= 0xFE) {
            leadByte_ = std::string(1, char(ch));
            return;
        }
        std::string s = leadByte_ + std::string(1, char(ch));
        leadByte_.clear();
        edit_->insert(FromGbk(s));
        return;
    }
    case CM_TEXTCHANGED:
        if (charCase_ != ecNormal) {
            std::string cased = charCase_ == ecUpperCase ? AnsiUpperCase(Text()) : AnsiLowerCase(Text());
            if (cased != Text()) {
                // Typed text comes back to the native edit cased, the caret where it was; one change only.
                bool fromNative = syncing_;
                int caret = edit_ ? edit_->cursorPosition() : 0;
                syncing_ = false;
                SetText(cased);
                syncing_ = fromNative;
                if (fromNative && edit_) edit_->setCursorPosition(caret);
                return;
            }
        }
        if (!syncing_ && edit_ && ToGbk(edit_->text()) != Text()) {
            syncing_ = true;
            edit_->setText(FromGbk(Text()));
            syncing_ = false;
            ShowFromStart();
        }
        Change();
        return;
    case WM_KILLFOCUS:
        TWinControl::Dispatch(m);
        ShowFromStart();
        return;
    case CM_FONTCHANGED:
        if (edit_) edit_->setFont(ToQFont(*Font()));
        break;
    case CM_COLORCHANGED:
        if (edit_) {
            QPalette p = edit_->palette();
            p.setColor(QPalette::Base, ToQColor(Color()));
            edit_->setPalette(p);
        }
        break;
    default: break;
    }
    TWinControl::Dispatch(m);
}

QM_ABSTRACT_CLASS_RECORD(TCustomMaskEdit, TCustomEdit)

void TCustomMaskEdit::ValidateError() {
    MessageBeep(0);
    throw EDBEditError("输入的值无效。按 Esc 键放弃修改。");
}
QM_CLASS_RECORD(TEdit, TCustomMaskEdit)

// ---------------------------------------------------------------- TCustomListBox
const TClassInfo& TCustomListBox::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TCustomListBox", &TCustomControl::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<TCustomListBox, int>("ItemIndex", &TCustomListBox::ItemIndex, &TCustomListBox::SetItemIndex, -1),
                   BoolProp<TCustomListBox>("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect, 0),
                   OrdProp<TCustomListBox, int>("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight),
                   OrdProp<TCustomListBox, TListBoxStyle>("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle,
                                                          lbStandard, &ListStyleIdents),
                   EventProp("OnDrawItem", &TCustomListBox::OnDrawItem)};
        return c;
    }();
    return ci;
}

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomControl(owner), items_(std::make_unique<TItemStrings>()) {
    items_->OnChange = [this](int i, int d) { ItemsChanged(i, d); };
    items_->OnDeletedMarked = [this](const std::vector<bool>& gone) { ItemsDeleted(gone); };
    items_->OnUpdate = [this](bool updating) {
        Perform(WM_SETREDRAW, !updating, 0);
        if (!updating) ItemsUpdated();
    };
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBorderStyle(bsSingle);
    SetBounds(0, 0, 121, 97);
    itemHeight_ = FontPixels(Font()) + 4;
}

TCustomListBox::~TCustomListBox() {
    items_->OnChange = nullptr;
    items_->OnDeletedMarked = nullptr;
    items_->OnUpdate = nullptr;
}

void TCustomListBox::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    if (items_ && items_->Count() > VisibleRows()) p.Style |= WS_VSCROLL;
}

int TCustomListBox::VisibleRows() const { return std::max(ClientHeight() / std::max(itemHeight_, 1), 1); }

void TCustomListBox::ItemsChanged(int index, int delta) {
    int n = items_->Count();
    if (index < 0) {
        selected_.assign(size_t(n), false);
        itemIndex_ = -1;
        topIndex_ = 0;
    } else if (delta > 0) {
        selected_.insert(selected_.begin() + index, false);
        if (itemIndex_ >= index) ++itemIndex_;
    } else if (delta < 0) {
        selected_.erase(selected_.begin() + index);
        if (itemIndex_ == index) itemIndex_ = -1;
        else if (itemIndex_ > index) --itemIndex_;
    }
    selected_.resize(size_t(n), false);
    topIndex_ = std::clamp(topIndex_, 0, std::max(n - VisibleRows(), 0));
    if (!redraw_) return;  // the scroll bar and the picture catch up when redrawing resumes
    UpdateScroll();
    Invalidate();
}

void TCustomListBox::ItemsDeleted(const std::vector<bool>& gone) {
    // As after one deletion after another: the item index leaves with its item or moves up past the others.
    if (itemIndex_ >= 0) {
        if (size_t(itemIndex_) < gone.size() && gone[size_t(itemIndex_)])
            itemIndex_ = -1;
        else
            itemIndex_ -= int(std::count(gone.begin(), gone.begin() + std::min<std::ptrdiff_t>(itemIndex_, std::ptrdiff_t(gone.size())), true));
    }
    size_t w = 0;
    for (size_t r = 0; r < selected_.size(); ++r)
        if (r >= gone.size() || !gone[r]) selected_[w++] = selected_[r];
    const int n = items_->Count();
    selected_.resize(size_t(n), false);
    topIndex_ = std::clamp(topIndex_, 0, std::max(n - VisibleRows(), 0));
    if (!redraw_) return;
    UpdateScroll();
    Invalidate();
}

void TCustomListBox::UpdateScroll() {
    bool want = items_->Count() > VisibleRows();
    bool has = Params().Style & WS_VSCROLL;
    if (HandleAllocated() && want != has) RecreateWnd();
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(items_->Count() - 1, 0);
    si.nPage = UINT(VisibleRows());
    si.nPos = topIndex_;
    SetScrollInfo(SB_VERT, si, true);
    if (!(Params().Style & WS_HSCROLL)) return;
    horzPos_ = std::clamp(horzPos_, 0, std::max(horzExtent_ - ClientWidth(), 0));
    si.nMax = std::max(horzExtent_ - 1, 0);
    si.nPage = UINT(std::max(ClientWidth(), 0));
    si.nPos = horzPos_;
    SetScrollInfo(SB_HORZ, si, true);
}

void TCustomListBox::SetHorizontalPos(int x) {
    x = std::clamp(x, 0, std::max(horzExtent_ - ClientWidth(), 0));
    if (x == horzPos_) return;
    horzPos_ = x;
    UpdateScroll();
    Invalidate();
}

void TCustomListBox::SetItemIndex(int i) {
    if (i < -1 || i >= items_->Count()) i = -1;
    if (!multiSelect_) {
        std::fill(selected_.begin(), selected_.end(), false);
        if (i >= 0) selected_[size_t(i)] = true;
    }
    if (i == itemIndex_) {
        Invalidate();
        return;
    }
    itemIndex_ = i;
    if (i >= 0) MakeVisible(i);
    Invalidate();
}

void TCustomListBox::SetMultiSelect(bool m) {
    multiSelect_ = m;
    Invalidate();
}

bool TCustomListBox::Selected(int i) const {
    if (i < 0 || i >= items_->Count()) throw ERangeError("List index out of bounds (" + std::to_string(i) + ")");
    return selected_[size_t(i)];
}

void TCustomListBox::SetSelected(int i, bool s) {
    if (i < 0 || i >= items_->Count()) throw ERangeError("List index out of bounds (" + std::to_string(i) + ")");
    if (!multiSelect_) {
        SetItemIndex(s ? i : (itemIndex_ == i ? -1 : itemIndex_));
        return;
    }
    selected_[size_t(i)] = s;
    Invalidate();
}

int TCustomListBox::SelCount() const {
    if (!multiSelect_) return -1;
    return int(std::count(selected_.begin(), selected_.end(), true));
}

void TCustomListBox::SetTopIndex(int i) {
    i = std::clamp(i, 0, std::max(items_->Count() - VisibleRows(), 0));
    if (i == topIndex_) return;
    topIndex_ = i;
    UpdateScroll();
    Invalidate();
}

void TCustomListBox::MakeVisible(int i) {
    if (i < topIndex_) SetTopIndex(i);
    else if (i >= topIndex_ + VisibleRows()) SetTopIndex(i - VisibleRows() + 1);
}

void TCustomListBox::SetItemHeight(int h) {
    if (h <= 0 || h == itemHeight_) return;
    itemHeight_ = h;
    UpdateScroll();
    Invalidate();
}

void TCustomListBox::SetStyle(TListBoxStyle s) {
    style_ = s;
    Invalidate();
}

int TCustomListBox::ItemAtPos(const TPoint& p, bool existing) const {
    if (!ClientRect().Contains(p)) return -1;
    int i = topIndex_ + p.Y / std::max(itemHeight_, 1);
    if (i >= items_->Count()) return existing ? -1 : items_->Count();
    return i;
}

TRect TCustomListBox::ItemRect(int i) const {
    int y = (i - topIndex_) * itemHeight_;
    return TRect(-horzPos_, y, std::max(ClientWidth(), horzExtent_) - horzPos_, y + itemHeight_);
}

// Under the current item where it shows, as the mouse would have opened it there.
TPoint TCustomListBox::KeyboardPopupPoint() const {
    if (itemIndex_ < 0 || itemIndex_ >= items_->Count()) return TPoint(0, 0);
    const TRect r = ItemRect(itemIndex_);
    if (r.Top < 0 || r.Top >= ClientHeight()) return TPoint(0, 0);
    return TPoint(std::max(r.Left, 0), std::min(r.Bottom, ClientHeight()));
}

void TCustomListBox::DrawItem(int index, TRect rect, TOwnerDrawState) {
    TCanvas* c = Canvas();
    c->FillRect(rect);
    c->Brush()->SetStyle(bsClear);
    c->TextOut(rect.Left + 2, rect.Top + 1, items_->Strings(index));
    c->Brush()->SetStyle(bsSolid);
}

void TCustomListBox::Paint() {
    TCanvas* c = Canvas();
    TRect cr = ClientRect();
    int y = 0;
    for (int i = topIndex_; i < items_->Count() && y < cr.Bottom; ++i, y += itemHeight_) {
        TRect r(-horzPos_, y, std::max(cr.Right, horzExtent_) - horzPos_, y + itemHeight_);
        TOwnerDrawState st = 0;
        if (selected_[size_t(i)]) st |= odSelected;
        if (!Enabled()) st |= odDisabled;
        if (i == itemIndex_ && Focused()) st |= odFocused;
        PrepareCanvas(c, this);
        if (st & odSelected) {
            c->Brush()->SetColor(clHighlight);
            c->Font()->SetColor(clHighlightText);
        }
        c->SaveDC();
        c->IntersectClipRect(r.Left, r.Top, r.Right, r.Bottom);
        if (int indent = ItemHasIndent(i) ? GetItemIndent() : 0; indent > 0) {
            bool rtl = UseRightToLeftReading();
            TRect g = rtl ? TRect(r.Right - indent, r.Top, r.Right, r.Bottom)
                          : TRect(r.Left, r.Top, r.Left + indent, r.Bottom);
            c->Brush()->SetColor(Color());
            c->FillRect(g);
            DrawIndent(i, g, st);
            if (rtl)
                r.Right -= indent;
            else
                r.Left += indent;
            PrepareCanvas(c, this);
            if (st & odSelected) {
                c->Brush()->SetColor(clHighlight);
                c->Font()->SetColor(clHighlightText);
            }
        }
        if (style_ != lbStandard && OnDrawItem)
            OnDrawItem(this, i, r, st);
        else
            DrawItem(i, r, st);
        c->RestoreDC(-1);
        if (st & odFocused) c->DrawFocusRect(r);
    }
    if (y < cr.Bottom) {
        PrepareCanvas(c, this);
        c->FillRect(TRect(0, y, cr.Right, cr.Bottom));
    }
}

void TCustomListBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft) {
        if (CanFocus() && !Focused()) SetFocus();
        int i = ItemAtPos(TPoint(x, y), true);
        if (i >= 0) {
            if (multiSelect_ && (s & ssCtrl)) {
                selected_[size_t(i)] = !selected_[size_t(i)];
                anchor_ = i;
            } else if (multiSelect_ && (s & ssShift) && anchor_ >= 0) {
                std::fill(selected_.begin(), selected_.end(), false);
                for (int k = std::min(anchor_, i); k <= std::max(anchor_, i); ++k) selected_[size_t(k)] = true;
            } else if (multiSelect_) {
                std::fill(selected_.begin(), selected_.end(), false);
                selected_[size_t(i)] = true;
                anchor_ = i;
            }
            SetItemIndex(i);
        }
    }
    TCustomControl::MouseDown(b, s, x, y);
}

void TCustomListBox::MouseMove(TShiftState s, int x, int y) {
    // Dragging with the button held moves the selection, as in the list control.
    if ((s & ssLeft) && MouseCapture() && !multiSelect_) {
        int i = ItemAtPos(TPoint(x, std::clamp(y, 0, std::max(ClientHeight() - 1, 0))), true);
        if (i >= 0) SetItemIndex(i);
    }
    TCustomControl::MouseMove(s, x, y);
}

void TCustomListBox::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    int n = items_->Count(), i = itemIndex_, page = VisibleRows();
    switch (key) {
    case VK_UP: i = std::max(i - 1, 0); break;
    case VK_DOWN: i = std::min(i + 1, n - 1); break;
    case VK_HOME: i = 0; break;
    case VK_END: i = n - 1; break;
    case VK_PRIOR: i = std::max(i - page + 1, 0); break;
    case VK_NEXT: i = std::min(std::max(i, 0) + page - 1, n - 1); break;
    default: return;
    }
    if (n == 0) return;
    if (i != itemIndex_) {
        SetItemIndex(i);
        Click();
    }
}

void TCustomListBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_SETREDRAW:
        redraw_ = m.WParam != 0;
        if (redraw_) {
            UpdateScroll();
            Invalidate();
        }
        return;
    case WM_VSCROLL: {
        int code = LOWORD(uintptr_t(m.WParam)), pos = int16_t(HIWORD(uintptr_t(m.WParam)));
        int t = topIndex_;
        switch (code) {
        case SB_LINEUP: --t; break;
        case SB_LINEDOWN: ++t; break;
        case SB_PAGEUP: t -= VisibleRows(); break;
        case SB_PAGEDOWN: t += VisibleRows(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: t = pos; break;
        case SB_TOP: t = 0; break;
        case SB_BOTTOM: t = items_->Count(); break;
        default: break;
        }
        SetTopIndex(t);
        return;
    }
    case WM_HSCROLL: {
        int code = LOWORD(uintptr_t(m.WParam)), pos = int16_t(HIWORD(uintptr_t(m.WParam)));
        int x = horzPos_, line = std::max(FontPixels(Font()) / 2, 1);
        switch (code) {
        case SB_LINEUP: x -= line; break;
        case SB_LINEDOWN: x += line; break;
        case SB_PAGEUP: x -= ClientWidth(); break;
        case SB_PAGEDOWN: x += ClientWidth(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: x = pos; break;
        case SB_TOP: x = 0; break;
        case SB_BOTTOM: x = horzExtent_; break;
        default: break;
        }
        SetHorizontalPos(x);
        return;
    }
    case LB_SETHORIZONTALEXTENT:
        horzExtent_ = int(std::min<WPARAM>(m.WParam, 0xFFFF));
        UpdateScroll();
        Invalidate();
        return;
    case LB_GETHORIZONTALEXTENT: m.Result = horzExtent_; return;
    case WM_MOUSEWHEEL: {
        int delta = int16_t(HIWORD(uintptr_t(m.WParam)));
        if (!DoMouseWheel(KeysToShiftState(LOWORD(uintptr_t(m.WParam))), delta, TPoint(m.XPos(), m.YPos())))
            SetTopIndex(topIndex_ - 3 * delta / WHEEL_DELTA);
        m.Result = 1;
        return;
    }
    case WM_SIZE:
        TCustomControl::Dispatch(m);
        UpdateScroll();
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case CM_FONTCHANGED: itemHeight_ = FontPixels(Font()) + 4; break;
    case LB_GETCOUNT: m.Result = items_->Count(); return;
    case LB_GETCURSEL: m.Result = itemIndex_; return;
    case LB_SETCURSEL: SetItemIndex(int(m.WParam)); m.Result = itemIndex_; return;
    case LB_GETTOPINDEX: m.Result = topIndex_; return;
    case LB_SETTOPINDEX: SetTopIndex(int(m.WParam)); return;
    case LB_GETITEMHEIGHT: m.Result = itemHeight_; return;
    case LB_FINDSTRING: {
        // Case-insensitive prefix search after the start index, wrapping round.
        std::string p = LowerCase(reinterpret_cast<const char*>(m.LParam));
        int n = items_->Count(), start = int(m.WParam);
        m.Result = LB_ERR;
        for (int k = 1; k <= n; ++k) {
            int i = ((start + k) % n + n) % n;
            if (LowerCase(items_->Strings(i)).compare(0, p.size(), p) == 0) {
                m.Result = i;
                break;
            }
        }
        return;
    }
    default: break;
    }
    TCustomControl::Dispatch(m);
}

QM_CLASS_RECORD(TListBox, TCustomListBox)

// ---------------------------------------------------------------- TCustomComboBox
void SetComboDropHook(TComboDropHook hook) { g_comboHook = std::move(hook); }

const TClassInfo& TCustomComboBox::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TCustomComboBox", &TCustomControl::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<TCustomComboBox, int>("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex, -1),
                   OrdProp<TCustomComboBox, TComboBoxStyle>("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle,
                                                            csDropDown, &ComboStyleIdents),
                   OrdProp<TCustomComboBox, int>("DropDownCount", &TCustomComboBox::DropDownCount,
                                                 &TCustomComboBox::SetDropDownCount, 8),
                   EventProp("OnChange", &TCustomComboBox::OnChange),
                   EventProp("OnDropDown", &TCustomComboBox::OnDropDown)};
        return c;
    }();
    return ci;
}

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomControl(owner), items_(std::make_unique<TItemStrings>()) {
    items_->OnChange = [this](int i, int d) {
        if (i < 0) itemIndex_ = -1;
        else if (d < 0 && itemIndex_ == i) itemIndex_ = -1;
        else if (d < 0 && itemIndex_ > i) --itemIndex_;
        else if (d > 0 && itemIndex_ >= i) ++itemIndex_;
        Invalidate();
    };
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBorderStyle(bsSingle);
    SetBounds(0, 0, 145, 21);
    SetStyle(csDropDownList);
    SetStyle(csDropDown);
}

TCustomComboBox::~TCustomComboBox() { items_->OnChange = nullptr; }

void TCustomComboBox::SetStyle(TComboBoxStyle s) {
    if (s == style_) return;
    style_ = s;
    bool editable = s == csDropDown || s == csSimple;
    if (editable && !edit_) {
        edit_ = new TCustomEdit(nullptr);
        edit_->SetBorderStyle(bsNone);
        edit_->SetParent(this);
        edit_->OnChange = [this](TObject*) {
            if (edit_->Text() != Text()) SetText(edit_->Text());
        };
        BoundsChanged(false, true);
        EditCreated(edit_);
    } else if (!editable && edit_) {
        TCustomEdit* e = edit_;
        edit_ = nullptr;
        delete e;
    }
    Invalidate();
}

void TCustomComboBox::BoundsChanged(bool moved, bool sized) {
    TCustomControl::BoundsChanged(moved, sized);
    if (edit_ && sized) edit_->SetBounds(0, 0, std::max(ClientWidth() - 17, 0), ClientHeight());
}

void TCustomComboBox::SetItemIndex(int i) {
    if (i < -1 || i >= items_->Count()) i = -1;
    itemIndex_ = i;
    SetText(i >= 0 ? items_->Strings(i) : std::string());
    Invalidate();
}

TRect TCustomComboBox::ButtonRect() const {
    TRect cr = ClientRect();
    return TRect(cr.Right - 17, cr.Top, cr.Right, cr.Bottom);
}

int TCustomComboBox::FindString(const std::string& prefix, int after) {
    return int(Perform(CB_FINDSTRING, WPARAM(intptr_t(after)), reinterpret_cast<LPARAM>(prefix.c_str())));
}

int GetWheelScrollLines() { return 3; }

void TCustomComboBox::Change() {
    if (OnChange && !IsLoading()) OnChange(this);
}

void TCustomComboBox::Choose(int i) {
    if (i < 0 || i >= items_->Count() || i == itemIndex_) return;
    SetItemIndex(i);
    Change();
}

void TCustomComboBox::DropDown() {
    if (OnDropDown) OnDropDown(this);
    int chosen = -1;
    dropped_ = true;
    Invalidate();
    try {
        if (g_comboHook) {
            chosen = g_comboHook(this);
        } else if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            std::vector<std::string> items;
            for (int i = 0; i < items_->Count(); ++i) items.push_back(items_->Strings(i));
            const TPoint p = ClientToScreen(TPoint(-WindowClientRect().Left, ClientHeight() + WindowClientRect().Top));
            chosen = Backend::RunDropDownList(items, itemIndex_, std::max(Width(), dropDownWidth_), p);
        }
    } catch (...) {
        dropped_ = false;
        throw;
    }
    dropped_ = false;
    Invalidate();
    if (chosen < 0 || chosen >= items_->Count()) SelEndCancel();
    else Choose(chosen);
}

void TCustomComboBox::Paint() {
    TCanvas* c = Canvas();
    TRect cr = ClientRect();
    PrepareCanvas(c, this);
    TRect text(cr.Left, cr.Top, cr.Right - 17, cr.Bottom);
    if (!edit_) {
        if (Focused()) {
            c->Brush()->SetColor(clHighlight);
            c->Font()->SetColor(clHighlightText);
        }
        c->FillRect(text);
        TRect t = text;
        t.Left += 3;
        c->Brush()->SetStyle(bsClear);
        c->DrawText(Text(), t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    TRect b(cr.Right - 17, cr.Top, cr.Right, cr.Bottom);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(b);
    Edge3D(c, b, !dropped_);
    int cx = (b.Left + b.Right) / 2, cy = (b.Top + b.Bottom) / 2;
    c->Pen()->SetColor(Enabled() ? clBtnText : clGrayText);
    c->Brush()->SetColor(Enabled() ? clBtnText : clGrayText);
    TPoint tri[3] = {TPoint(cx - 3, cy - 1), TPoint(cx + 3, cy - 1), TPoint(cx, cy + 2)};
    c->Polygon(tri, 3);
}

void TCustomComboBox::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    TCustomControl::MouseDown(b, s, x, y);
    if (b != mbLeft) return;
    if (CanFocus() && !Focused()) SetFocus();
    if (!edit_ || x >= ClientWidth() - 17) {
        SetMouseCapture(false);
        DropDown();
    }
}

void TCustomComboBox::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_DOWN && (shift & ssAlt)) {
        DropDown();
        return;
    }
    int n = items_->Count();
    if (n == 0) return;
    switch (key) {
    case VK_UP: Choose(std::max(itemIndex_ - 1, 0)); break;
    case VK_DOWN: Choose(std::min(itemIndex_ + 1, n - 1)); break;
    case VK_HOME: Choose(0); break;
    case VK_END: Choose(n - 1); break;
    default: break;
    }
}

void TCustomComboBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS; return;
    case CB_FINDSTRING: {
        const char* p = reinterpret_cast<const char*>(m.LParam);
        std::string prefix = p ? p : "";
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
        // A GBK trail byte may look like an ASCII letter: only single-byte characters ignore case.
        auto begins = [&](const std::string& s) {
            if (s.size() < prefix.size()) return false;
            for (size_t i = 0; i < prefix.size(); ++i) {
                if (uint8_t(prefix[i]) >= 0x81 && i + 1 < prefix.size()) {
                    if (prefix[i] != s[i] || prefix[i + 1] != s[i + 1]) return false;
                    ++i;
                } else if (lower(prefix[i]) != lower(s[i])) {
                    return false;
                }
            }
            return true;
        };
        int n = items_->Count(), start = int(intptr_t(m.WParam));
        start = start < -1 || start >= n ? -1 : start;
        m.Result = CB_ERR;
        for (int k = 1; k <= n; ++k) {
            int i = (start + k) % n;
            const std::string& s = items_->Strings(i);
            if (begins(s)) {
                m.Result = i;
                break;
            }
        }
        return;
    }
    case CB_SETDROPPEDWIDTH: dropDownWidth_ = int(m.WParam); m.Result = dropDownWidth_; return;
    case CB_GETDROPPEDWIDTH: m.Result = dropDownWidth_; return;
    case WM_SETFOCUS:
        if (edit_ && edit_->CanFocus()) {
            TCustomControl::Dispatch(m);
            edit_->SetFocus();
            return;
        }
        Invalidate();
        break;
    case WM_KILLFOCUS: Invalidate(); break;
    case CM_TEXTCHANGED:
        if (edit_ && edit_->Text() != Text()) edit_->SetText(Text());
        if (edit_ && !IsLoading()) {
            int i = items_->IndexOf(Text());
            itemIndex_ = i >= 0 && items_->Strings(i) == Text() ? i : -1;
            Change();
        }
        Invalidate();
        return;
    default: break;
    }
    TCustomControl::Dispatch(m);
}

QM_CLASS_RECORD(TComboBox, TCustomComboBox)

// ---------------------------------------------------------------- buttons
QM_ABSTRACT_CLASS_RECORD(TButtonControl, TCustomControl)

TButtonControl::TButtonControl(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetControlStyle(ControlStyle() & ~uint32_t(csDoubleClicks));
}

void TButtonControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft) {
        if (CanFocus() && !Focused()) SetFocus();
        pressed_ = true;
        Invalidate();
    }
    TCustomControl::MouseDown(b, s, x, y);
}

void TButtonControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
    if (b == mbLeft && pressed_) {
        pressed_ = false;
        Invalidate();
    }
    TCustomControl::MouseUp(b, s, x, y);
}

void TButtonControl::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_SPACE) {
        pressed_ = true;
        Invalidate();
    }
}

void TButtonControl::KeyUp(WORD& key, TShiftState shift) {
    TCustomControl::KeyUp(key, shift);
    if (key == VK_SPACE && pressed_) {
        pressed_ = false;
        Invalidate();
        Click();
    }
}

void TButtonControl::DrawFocus(TCanvas* c, TRect r) {
    if (Focused()) c->DrawFocusRect(r);
}

void TButtonControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        pressed_ = false;
        Invalidate();
        break;
    case WM_ERASEBKGND: m.Result = 1; return;
    default: break;
    }
    TCustomControl::Dispatch(m);
}

const TClassInfo& TButton::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TButton", &TButtonControl::StaticClass(), Creator<TButton>(), {}, {}};
        c.props = {OrdProp<TButton, int>("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, 0),
                   BoolProp<TButton>("Default", &TButton::Default, &TButton::SetDefault, 0),
                   BoolProp<TButton>("Cancel", &TButton::Cancel, &TButton::SetCancel, 0)};
        return c;
    }();
    return ci;
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 75, 25);
}

void TButton::Click() {
    if (TCustomForm* f = GetParentForm(this); f && modalResult_ != mrNone) f->SetModalResult(modalResult_);
    TButtonControl::Click();
}

void TButton::Dispatch(TMessage& m) {
    if (m.Msg == CM_DIALOGKEY && Enabled() && Showing() &&
        ((m.WParam == VK_RETURN && default_) || (m.WParam == VK_ESCAPE && cancel_))) {
        Click();
        m.Result = 1;
        return;
    }
    TButtonControl::Dispatch(m);
}

void TButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    PrepareCanvas(c, this);
    c->FillRect(r);
    if (default_ || Focused()) {
        c->Brush()->SetColor(cl3DDkShadow);
        c->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    Edge3D(c, r, !pressed_);
    TRect t = r;
    if (pressed_) OffsetRect(t, 1, 1);
    c->Brush()->SetStyle(bsClear);
    c->DrawText(Caption(), t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    InflateRect(r, -3, -3);
    DrawFocus(c, r);
}

const TClassInfo& TCustomCheckBox::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TCustomCheckBox", &TButtonControl::StaticClass(), {}, {}, {}};
        c.props = {BoolProp<TCustomCheckBox>("Checked", &TCustomCheckBox::Checked, &TCustomCheckBox::SetChecked, 0),
                   OrdProp<TCustomCheckBox, TCheckBoxState>("State", &TCustomCheckBox::State, &TCustomCheckBox::SetState,
                                                            cbUnchecked, &CheckStateIdents),
                   BoolProp<TCustomCheckBox>("AllowGrayed", &TCustomCheckBox::AllowGrayed,
                                             &TCustomCheckBox::SetAllowGrayed, 0),
                   OrdProp<TCustomCheckBox, TAlignment>("Alignment", &TCustomCheckBox::Alignment,
                                                        &TCustomCheckBox::SetAlignment, taRightJustify, &AlignmentIdents)};
        return c;
    }();
    return ci;
}

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 97, 17); }

void TCustomCheckBox::SetState(TCheckBoxState s) {
    if (s == state_) return;
    state_ = s;
    Invalidate();
    if (!IsLoading()) TButtonControl::Click();
}

void TCustomCheckBox::SetAlignment(TAlignment a) {
    alignment_ = a;
    Invalidate();
}

void TCustomCheckBox::Click() {
    SetState(state_ == cbUnchecked ? (allowGrayed_ ? cbGrayed : cbChecked)
             : state_ == cbChecked ? cbUnchecked
                                   : cbChecked);
}

namespace {
// The box or circle of a check box or radio button, then the caption beside it.
void PaintGlyphControl(TButtonControl* b, TCanvas* c, bool radio, TCheckBoxState st, bool pressed, bool left) {
    TRect r = b->ClientRect();
    c->FillRect(r);
    int y = (r.Height() - 13) / 2;
    TRect g = left ? TRect(r.Right - 13, y, r.Right, y + 13) : TRect(0, y, 13, y + 13);
    c->Brush()->SetColor(pressed || !b->Enabled() ? clBtnFace : clWindow);
    if (radio) {
        c->Pen()->SetColor(clBtnShadow);
        c->Ellipse(g);
    } else {
        c->FillRect(g);
        Edge3D(c, g, false);
    }
    TColor mark = b->Enabled() && st != cbGrayed ? clWindowText : clGrayText;
    if (radio && st == cbChecked) {
        c->Brush()->SetColor(mark);
        c->Pen()->SetColor(mark);
        c->Ellipse(TRect(g.Left + 4, g.Top + 4, g.Left + 9, g.Top + 9));
    } else if (!radio && st != cbUnchecked) {
        c->Pen()->SetColor(mark);
        for (int k = 0; k < 3; ++k) {
            c->MoveTo(g.Left + 3, g.Top + 5 + k);
            c->LineTo(g.Left + 5, g.Top + 7 + k);
            c->LineTo(g.Left + 10, g.Top + 2 + k);
        }
    }
    c->SetFont(*b->Font());
    if (!b->Enabled()) c->Font()->SetColor(clGrayText);
    c->Brush()->SetStyle(bsClear);
    TRect t = left ? TRect(0, 0, r.Right - 17, r.Bottom) : TRect(17, 0, r.Right, r.Bottom);
    TRect m = t;
    c->DrawText(b->Caption(), m, DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
    c->DrawText(b->Caption(), t, DT_SINGLELINE | DT_VCENTER | (left ? DT_RIGHT : DT_LEFT));
    c->Brush()->SetStyle(bsSolid);
    if (b->Focused()) {
        int h = m.Height();
        TRect f(t.Left - 1, (r.Height() - h) / 2 - 1, t.Left + m.Width() + 1, (r.Height() + h) / 2 + 1);
        c->DrawFocusRect(f);
    }
}
}  // namespace

void TCustomCheckBox::Paint() {
    PrepareCanvas(Canvas(), this);
    PaintGlyphControl(this, Canvas(), false, state_, pressed_, alignment_ == taLeftJustify);
}

QM_CLASS_RECORD(TCheckBox, TCustomCheckBox)

const TClassInfo& TRadioButton::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TRadioButton", &TButtonControl::StaticClass(), Creator<TRadioButton>(), {}, {}};
        c.props = {BoolProp<TRadioButton>("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked, 0)};
        return c;
    }();
    return ci;
}

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 113, 17); }

void TRadioButton::SetChecked(bool c) {
    if (c == checked_) return;
    checked_ = c;
    Invalidate();
    if (!c) return;
    if (TWinControl* p = Parent())
        for (int i = 0; i < p->ControlCount(); ++i)
            if (auto* r = dynamic_cast<TRadioButton*>(p->Controls(i)); r && r != this) r->SetChecked(false);
    if (!IsLoading()) TButtonControl::Click();
}

void TRadioButton::Click() { SetChecked(true); }

void TRadioButton::Paint() {
    PrepareCanvas(Canvas(), this);
    PaintGlyphControl(this, Canvas(), true, checked_ ? cbChecked : cbUnchecked, pressed_, false);
}

// ---------------------------------------------------------------- group box
QM_ABSTRACT_CLASS_RECORD(TCustomGroupBox, TCustomControl)

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 185, 105);
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

void TCustomGroupBox::AdjustClientRect(TRect& r) {
    int h = FontPixels(Font()) + 2;
    r.Top += h;
    InflateRect(r, -2, -2);
}

void TCustomGroupBox::Paint() {
    TCanvas* c = Canvas();
    PrepareCanvas(c, this);
    TRect r = ClientRect();
    c->FillRect(r);
    int h = c->TextHeight("0");
    TRect f(r.Left, r.Top + h / 2, r.Right, r.Bottom);
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(f);
    OffsetRect(f, 1, 1);
    c->Brush()->SetColor(clBtnHighlight);
    c->FrameRect(f);
    if (!Caption().empty()) {
        c->Brush()->SetColor(Color());
        TRect t(8, 0, 8 + c->TextWidth(Caption()) + 4, h);
        c->FillRect(t);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(t.Left + 2, 0, Caption());
    }
}

QM_CLASS_RECORD(TGroupBox, TCustomGroupBox)

// ---------------------------------------------------------------- label
const TClassInfo& TCustomLabel::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TCustomLabel", &TGraphicControl::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<TCustomLabel, TAlignment>("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment,
                                                     taLeftJustify, &AlignmentIdents),
                   OrdProp<TCustomLabel, TTextLayout>("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout, tlTop,
                                                      &LayoutIdents),
                   BoolProp<TCustomLabel>("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, 1),
                   BoolProp<TCustomLabel>("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, 0),
                   BoolProp<TCustomLabel>("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent, 0),
                   RefProp<TCustomLabel, TWinControl>("FocusControl", &TCustomLabel::FocusControl,
                                                      &TCustomLabel::SetFocusControl)};
        return c;
    }();
    return ci;
}

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 17);
    SetControlStyle(ControlStyle() | csOpaque);
}

void TCustomLabel::SetAlignment(TAlignment a) {
    alignment_ = a;
    Invalidate();
}
void TCustomLabel::SetLayout(TTextLayout l) {
    layout_ = l;
    Invalidate();
}
void TCustomLabel::SetAutoSize(bool a) {
    autoSize_ = a;
    AdjustBounds();
}
void TCustomLabel::SetWordWrap(bool w) {
    wordWrap_ = w;
    AdjustBounds();
    Invalidate();
}
void TCustomLabel::SetTransparent(bool t) {
    transparent_ = t;
    SetControlStyle(t ? ControlStyle() & ~uint32_t(csOpaque) : ControlStyle() | csOpaque);
    Invalidate();
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || IsLoading()) return;
    TBitmap probe(1, 1);
    TCanvas* c = probe.Canvas();
    c->SetFont(*Font());
    TRect r(0, 0, wordWrap_ ? Width() : 0, 0);
    c->DrawText(Caption().empty() ? std::string(" ") : Caption(), r,
                DT_CALCRECT | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE));
    int x = Left();
    if (alignment_ == taRightJustify) x += Width() - r.Width();
    SetBounds(x, Top(), r.Width(), r.Height());
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::Paint() {
    TCanvas* c = Canvas();
    PrepareCanvas(c, this);
    TRect r = ClientRect();
    if (!transparent_) c->FillRect(r);
    c->Brush()->SetStyle(bsClear);
    UINT f = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE) |
             (alignment_ == taRightJustify ? DT_RIGHT : alignment_ == taCenter ? DT_CENTER : DT_LEFT);
    if (!wordWrap_) f |= layout_ == tlCenter ? DT_VCENTER : layout_ == tlBottom ? DT_BOTTOM : DT_TOP;
    c->DrawText(Caption(), r, f);
    c->Brush()->SetStyle(bsSolid);
}

void TCustomLabel::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        break;
    default: break;
    }
    TGraphicControl::Dispatch(m);
}

QM_CLASS_RECORD(TLabel, TCustomLabel)

void Frame3D(TCanvas* c, TRect& r, TColor topLeft, TColor bottomRight) {
    c->Pen()->SetColor(topLeft);
    c->MoveTo(r.Left, r.Bottom - 1);
    c->LineTo(r.Left, r.Top);
    c->LineTo(r.Right - 1, r.Top);
    c->Pen()->SetColor(bottomRight);
    c->LineTo(r.Right - 1, r.Bottom - 1);
    c->LineTo(r.Left - 1, r.Bottom - 1);
    InflateRect(r, -1, -1);
}

namespace Backend {
int RunDropDownList(const std::vector<std::string>& items, int current, int minWidth, const TPoint& at) {
    QMenu menu;
    QAction* highlighted = nullptr;
    for (size_t i = 0; i < items.size(); ++i) {
        QAction* a = menu.addAction(FromGbk(items[i]));
        a->setData(int(i));
        if (int(i) == current) highlighted = a;
    }
    menu.setMinimumWidth(minWidth);
    // A list, not a menu of choices: no check marks; the current item is highlighted once the list shows.
    if (highlighted) QTimer::singleShot(0, &menu, [&menu, highlighted] { menu.setActiveAction(highlighted); });
    QAction* a = menu.exec(QPoint(at.X, at.Y));
    return a ? a->data().toInt() : -1;
}
}  // namespace Backend
