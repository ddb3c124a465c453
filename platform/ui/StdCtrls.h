// Standard controls: the single-line edit (a native line edit inside, for caret, selection, clipboard, undo
// and the input method), the list box, the combo box, the push button, check box, radio button, group box
// and label.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Controls.h"

class QLineEdit;

// One ring of a bevel: top and left in one colour, bottom and right in the other; r moves one pixel in.
void Frame3D(TCanvas* c, TRect& r, TColor topLeft, TColor bottomRight);
class TEditGlue;

// Combo-box messages: CB_FINDSTRING finds the first item after wParam (-1: from the start) that begins with
// the text at lParam (a const char*), ASCII letters in any case; CB_ERR when none does.
enum : int { CB_ERR = -1 };
enum : UINT { CB_FINDSTRING = 0x014C, CB_GETDROPPEDWIDTH = 0x015F, CB_SETDROPPEDWIDTH = 0x0160 };
// Lines a wheel notch scrolls (the system's setting).
int GetWheelScrollLines();

// List-box messages.
enum : int { LB_ERR = -1 };
enum : UINT { LB_FINDSTRING = 0x018F, LB_GETCOUNT = 0x018B, LB_GETCURSEL = 0x0188, LB_SETCURSEL = 0x0186,
              LB_GETTOPINDEX = 0x018E, LB_SETTOPINDEX = 0x0197, LB_GETITEMHEIGHT = 0x01A1,
              LB_GETHORIZONTALEXTENT = 0x0193, LB_SETHORIZONTALEXTENT = 0x0194 };

// Strings with one object slot each; the list never frees the objects.
class TItemStrings {
public:
    int Count() const { return int(items_.size()); }
    int Add(const std::string& s) { return AddObject(s, nullptr); }
    int AddObject(const std::string& s, TObject* o);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    // Deletes at once every item i for which gone[i] is set (the mask may be shorter than the list), the rest
    // keeping their order, as deleting them one after another from the last would; the owner hears of them in
    // one OnDeletedMarked when it listens for that.
    void DeleteMarked(const std::vector<bool>& gone);
    // Gives back the room of every item.
    void Clear();
    // Room for n items, so that adding that many allocates once.
    void Reserve(int n);
    int Capacity() const { return int(items_.capacity()); }
    // Raise ERangeError ("List index out of bounds") outside 0..Count-1.
    const std::string& Strings(int i) const;
    void SetStrings(int i, const std::string& s);
    TObject* Objects(int i) const;
    void SetObjects(int i, TObject* o);
    int IndexOf(const std::string& s) const;
    std::string Text() const;
    void SetText(const std::string& text);
    // index and +1 insert / -1 delete / 0 change, or (-1, 0) for a reset.
    std::function<void(int index, int delta)> OnChange;
    // Before an item leaves (Delete, and every item on Clear), while its object can still be read.
    std::function<void(int index)> OnDeleting;
    // After DeleteMarked: the items marked in `gone`, by their former indices, have left.
    std::function<void(const std::vector<bool>& gone)> OnDeletedMarked;
    // Nested; the owner hears the first begin (true) and the last end (false).
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    std::function<void(bool updating)> OnUpdate;

private:
    void Check(int i) const;
    void Changed(int i, int d) {
        if (OnChange) OnChange(i, d);
    }
    std::vector<std::pair<std::string, TObject*>> items_;
    int updateCount_ = 0;
};

enum TEditCharCase : uint8_t { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);
    ~TCustomEdit() override;
    QM_CLASS_INFO

    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool r);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool a) { autoSelect_ = a; }
    int PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(int c);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // Letters typed or set are cased as chosen (ASCII only: double-byte characters stay whole); choosing a
    // case recases the text already there.
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase c);
    // Whether the selection is drawn only while the edit has the focus.
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool h);
    // Kept for forms that set it: text is already in the one 8-bit code page.
    bool OEMConvert() const { return oemConvert_; }
    void SetOEMConvert(bool o) { oemConvert_ = o; }
    // Selection in characters of the text (a GBK double-byte character counts once).
    int SelStart() const;
    void SetSelStart(int s);
    int SelLength() const;
    void SetSelLength(int n);
    std::string SelText() const;
    void SetSelText(const std::string& t);
    void SelectAll();
    // Through WM_CLEAR, as cut and paste go through WM_CUT and WM_PASTE.
    void ClearSelection();
    // Room between the frame and the text on each side, in pixels.
    void SetEditMargins(int left, int right);
    int LeftMargin() const { return leftMargin_; }
    int RightMargin() const { return rightMargin_; }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    bool CanUndo() const;
    void Undo();
    void Clear() { SetText(""); }
    bool Modified() const { return modified_; }
    void SetModified(bool m) { modified_ = m; }

    TNotifyEvent OnChange;
    void Dispatch(TMessage& m) override;

protected:
    virtual void Change();
    // Room kept free right of the native edit (for buttons drawn by descendants).
    virtual int EditRightMargin() const { return 0; }
    void BoundsChanged(bool moved, bool sized) override;
    void DoEnter() override;

private:
    friend class TEditGlue;
    void SyncFromNative();
    void ShowFromStart();
    QLineEdit* edit_ = nullptr;
    TEditGlue* glue_ = nullptr;
    int maxLength_ = 0, passwordChar_ = 0, leftMargin_ = 0, rightMargin_ = 0;
    bool readOnly_ = false, autoSelect_ = true, modified_ = false, syncing_ = false, hideSelection_ = true,
         oemConvert_ = false;
    TAlignment alignment_ = taLeftJustify;
    TEditCharCase charCase_ = ecNormal;
    std::string leadByte_;  // first byte of a GBK character typed as two WM_CHARs
};

// Input that a masked edit refuses.
class EDBEditError : public Exception {
    using Exception::Exception;
};

// The masked edit: the base of the library's edits; no mask is applied.
class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}
    QM_CLASS_INFO

    // Invalid input: a beep, then EDBEditError with the general message.
    virtual void ValidateError();
};

class TEdit : public TCustomMaskEdit {
public:
    explicit TEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
    QM_CLASS_INFO
};

enum TListBoxStyle : uint8_t { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TOwnerDrawStateBits : uint16_t { odSelected = 1, odGrayed = 2, odDisabled = 4, odChecked = 8, odFocused = 16 };
using TOwnerDrawState = uint16_t;
using TDrawItemEvent = std::function<void(TWinControl* control, int index, TRect rect, TOwnerDrawState state)>;

class TCustomListBox : public TCustomControl {
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;
    QM_CLASS_INFO

    TItemStrings* Items() const { return items_.get(); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int i);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool m);
    bool Selected(int i) const;
    void SetSelected(int i, bool s);
    int SelCount() const;
    int TopIndex() const { return topIndex_; }
    void SetTopIndex(int i);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int h);
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle s);
    // -1 when no item is at the point (or, with existing, past the last item).
    int ItemAtPos(const TPoint& p, bool existing) const;
    TRect ItemRect(int i) const;
    int VisibleRows() const;
    void Clear() { items_->Clear(); }
    // The width the items scroll through horizontally (with WS_HSCROLL), and how far they are scrolled.
    int HorizontalExtent() const { return horzExtent_; }
    int HorizontalPos() const { return horzPos_; }

    TDrawItemEvent OnDrawItem;
    void Dispatch(TMessage& m) override;

protected:
    void CreateParams(TCreateParams& p) override;
    void Paint() override;
    // A normal item's text at the item rectangle.
    virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);
    // Width left of each item's text, and what is drawn there (check glyphs).
    virtual int GetItemIndent() const { return 0; }
    // Items drawn across the whole row (group bands) say false.
    virtual bool ItemHasIndent(int index) const { return (void)index, true; }
    virtual void DrawIndent(int index, TRect rect, TOwnerDrawState state) {
        (void)index, (void)rect, (void)state;
    }
    virtual void ItemsChanged(int index, int delta);
    // The items marked in `gone` (by their former indices) have left together.
    virtual void ItemsDeleted(const std::vector<bool>& gone);
    // The items' last EndUpdate, after the list is redrawn.
    virtual void ItemsUpdated() {}
    bool Redrawing() const { return redraw_; }
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseMove(TShiftState s, int x, int y) override;
    TPoint KeyboardPopupPoint() const override;
    void UpdateScroll();
    void MakeVisible(int i);

private:
    std::unique_ptr<TItemStrings> items_;
    std::vector<bool> selected_;
    void SetHorizontalPos(int x);
    int itemIndex_ = -1, topIndex_ = 0, itemHeight_ = 16, anchor_ = -1, horzExtent_ = 0, horzPos_ = 0;
    bool multiSelect_ = false, redraw_ = true;
    TListBoxStyle style_ = lbStandard;
};

class TListBox : public TCustomListBox {
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
    QM_CLASS_INFO
};

enum TComboBoxStyle : uint8_t { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// A drop-down list of texts, or an edit with such a list.
class TCustomComboBox : public TCustomControl {
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;
    QM_CLASS_INFO

    TItemStrings* Items() const { return items_.get(); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int i);
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle s);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int n) { dropDownCount_ = n; }
    bool DroppedDown() const { return dropped_; }
    // Opens the list (a test hook may choose the entry instead of a person); the choice sets ItemIndex
    // and fires OnChange.
    void DropDown();
    // The edit of the editable styles, nullptr for a drop-down list.
    TCustomEdit* Edit() const { return edit_; }
    // Width of the open list (0: the control's), kept across style changes.
    int DropDownWidth() const { return dropDownWidth_; }
    void SetDropDownWidth(int w) { Perform(CB_SETDROPPEDWIDTH, WPARAM(std::max(w, 0)), 0); }
    // The first item after `after` (-1: from the start) that begins with `prefix`, or -1.
    int FindString(const std::string& prefix, int after = -1);

    TNotifyEvent OnChange, OnDropDown;
    void Dispatch(TMessage& m) override;

protected:
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void BoundsChanged(bool moved, bool sized) override;
    virtual void Change();
    // The open list closed without a choice.
    virtual void SelEndCancel() {}
    void Choose(int i);
    // Called when the editable styles make their edit, for descendants that watch its keys.
    virtual void EditCreated(TCustomEdit* edit) { (void)edit; }
    // The drop button at the right of the client area.
    TRect ButtonRect() const;

private:
    std::unique_ptr<TItemStrings> items_;
    int itemIndex_ = -1, dropDownCount_ = 8, dropDownWidth_ = 0;
    TComboBoxStyle style_ = csDropDown;
    bool dropped_ = false;
    TCustomEdit* edit_ = nullptr;
};

class TComboBox : public TCustomComboBox {
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
    QM_CLASS_INFO
};
// Tests choose the entry of an opened combo box (-1: none).
using TComboDropHook = std::function<int(TCustomComboBox* combo)>;
void SetComboDropHook(TComboDropHook hook);

// Push buttons, check boxes and radio buttons: drawn by the control, pressed with the mouse or space.
class TButtonControl : public TCustomControl {
public:
    explicit TButtonControl(TComponent* owner);
    QM_CLASS_INFO
    void Dispatch(TMessage& m) override;

protected:
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void DrawFocus(TCanvas* c, TRect r);
    bool pressed_ = false;
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);
    QM_CLASS_INFO
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }
    bool Default() const { return default_; }
    void SetDefault(bool d) { default_ = d; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool c) { cancel_ = c; }
    // Sets the form's modal result, then fires OnClick.
    void Click() override;
    void Dispatch(TMessage& m) override;

protected:
    void Paint() override;

private:
    int modalResult_ = 0;
    bool default_ = false, cancel_ = false;
};

enum TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
public:
    explicit TCustomCheckBox(TComponent* owner);
    QM_CLASS_INFO
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState s);
    bool Checked() const { return state_ == cbChecked; }
    bool GetChecked() const { return Checked(); }
    void SetChecked(bool c) { SetState(c ? cbChecked : cbUnchecked); }
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool a) { allowGrayed_ = a; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // The user's toggle: unchecked, (grayed,) checked, unchecked.
    void Click() override;

protected:
    void Paint() override;

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
public:
    explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
    QM_CLASS_INFO
};

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    QM_CLASS_INFO
    bool Checked() const { return checked_; }
    bool GetChecked() const { return checked_; }
    // Checking unchecks the other radio buttons of the same parent, then fires OnClick.
    void SetChecked(bool c);
    void Click() override;

protected:
    void Paint() override;

private:
    bool checked_ = false;
};

class TCustomGroupBox : public TCustomControl {
public:
    explicit TCustomGroupBox(TComponent* owner);
    QM_CLASS_INFO

protected:
    void AdjustClientRect(TRect& r) override;
    void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
public:
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
    QM_CLASS_INFO
};

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);
    QM_CLASS_INFO
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool a);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool w);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* c) { focusControl_ = c; }
    void Dispatch(TMessage& m) override;

protected:
    void Paint() override;
    virtual void AdjustBounds();
    void Loaded() override;

private:
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true, wordWrap_ = false, transparent_ = false;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
    QM_CLASS_INFO
};

// Enumeration names the resources use.
extern const TEnumInfo AlignmentIdents;  // taLeftJustify, taRightJustify, taCenter
