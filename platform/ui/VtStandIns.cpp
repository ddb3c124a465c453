#include "platform/ui/VtStandIns.h"

#include <cmath>
#include <cstdio>

#include "platform/rtl/FloatFormat.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"

// ---------------------------------------------------------------- lists


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


// ---------------------------------------------------------------- containers and texts

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
          &TTabSheet::StaticClass(), &TVtCheckList::StaticClass()})
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
    for (const char* name : {"FrameFlat", "FrameFocusStyle", "FrameFlatStyle", "FrameSides"})
        Drop(TVtCheckList::StaticClass(), name);

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
