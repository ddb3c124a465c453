// The library's combo box: a custom flat frame and a flat drop button, focus and disabled colours,
// incremental search in the drop-down list, completion of typed text in the edit styles, and read-only
// and restricted-entry modes.
#pragma once

#include <string>

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtCommon.h"

// Where the last character of a GBK text starts. Trail bytes overlap lead bytes, so the text is read from
// its beginning. The size of the text when it is empty.
size_t LastGbkCharStart(const std::string& text);

class TVtCustomComboBox : public TCustomComboBox, public TVtFrameSettings {
public:
    explicit TVtCustomComboBox(TComponent* owner);
    ~TVtCustomComboBox() override;
    QM_CLASS_INFO

    bool AutoComplete() const { return autoComplete_; }
    void SetAutoComplete(bool a) { autoComplete_ = a; }
    bool AllowEdit() const { return allowEdit_; }
    void SetAllowEdit(bool a) { allowEdit_ = a; }
    bool BeepOnInvalidKey() const { return beepOnInvalidKey_; }
    void SetBeepOnInvalidKey(bool b) { beepOnInvalidKey_ = b; }
    bool KeepSearchCase() const { return keepSearchCase_; }
    void SetKeepSearchCase(bool k) { keepSearchCase_ = k; }
    bool AutoDropDown() const { return autoDropDown_; }
    void SetAutoDropDown(bool a) { autoDropDown_ = a; }
    bool AutoCloseUp() const { return autoCloseUp_; }
    void SetAutoCloseUp(bool a) { autoCloseUp_ = a; }
    bool TabOnEnter() const { return tabOnEnter_; }
    void SetTabOnEnter(bool t) { tabOnEnter_ = t; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool r);
    TColor FocusColor() const { return focusColor_; }
    void SetFocusColor(TColor c);
    TColor DisabledColor() const { return disabledColor_; }
    void SetDisabledColor(TColor c);
    bool FlatButtons() const { return flatButtons_; }
    void SetFlatButtons(bool f);
    TColor FlatButtonColor() const { return flatButtonColor_; }
    void SetFlatButtonColor(TColor c);
    TVtFrameController* FrameController() const { return frameController_; }
    void SetFrameController(TVtFrameController* c);
    int GetDropDownWidth() const { return DropDownWidth(); }
    // Characters the edit part takes (0: no limit).
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);

    // The text typed so far in the drop-down list; the timer that forgets it 1.5 s after the last key.
    const std::string& SearchText() const { return search_; }
    TTimer* SearchTimer() const { return timer_; }
    bool MouseOver() const { return mouseOver_; }
    bool CustomFrameInUse() const;
    void Dispatch(TMessage& m) override;
    void Loaded() override;

    TNotifyEvent OnMatch, OnNotInList, OnMouseEnter, OnMouseLeave, OnSelEndCancel;
    // An item with data leaves the list; receives the data.
    std::function<void(TObject* sender, TObject* data)> OnDeleteItem;
    // The owner-draw styles draw the current item in the closed control (index -1: none) through it.
    TDrawItemEvent OnDrawItem;

protected:
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void SelEndCancel() override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void Change() override;
    void EditCreated(TCustomEdit* edit) override;
    void Notification(TComponent* c, TOperation op) override;
    void FrameChanged() override { RepaintAll(); }
    bool FrameLoading() const override { return IsLoading(); }

private:
    bool Themed() const;
    bool Hot() const { return mouseOver_ || HasFocus(); }
    bool HasFocus() const;
    void UpdateColors();
    void Refuse();
    // The item becomes current with a click and a change.
    void Select(int i);
    void SearchList(char key);
    void EditKeyPress(char& key);
    void EditKeyDown(WORD& key, TShiftState shift);
    // Unmatched and not refused, the typed text stays, followed by `tail` (what followed the selection).
    void Complete(const std::string& typed, bool refuseUnmatched, const std::string& tail = {});
    bool EditFull() const;
    void DeleteForward();
    void PaintButton(TCanvas* c);
    void PaintOwnerDrawn(TCanvas* c);
    void RepaintAll();

    std::string search_, pendingLead_;
    TTimer* timer_ = nullptr;
    bool autoComplete_ = true, allowEdit_ = true, beepOnInvalidKey_ = true, keepSearchCase_ = false;
    bool autoDropDown_ = false, autoCloseUp_ = false, tabOnEnter_ = false, readOnly_ = false;
    bool handlingChar_ = false, settingText_ = false, mouseOver_ = false, updatingColors_ = false;
    // The edit shows the current item in the typed case: the text is not the item's, the item stays current.
    bool keepingIndex_ = false;
    // The edit changed its own text (cut, paste): completion waits until the edit has finished.
    bool editChanging_ = false;
    int maxLength_ = 0;
    TColor normalColor_ = clWindow, focusColor_ = clWindow, disabledColor_ = clBtnFace;
    TColor flatButtonColor_ = clBtnFace;
    bool flatButtons_ = false;
    TVtFrameController* frameController_ = nullptr;
};

class TVtComboBox : public TVtCustomComboBox {
public:
    explicit TVtComboBox(TComponent* owner) : TVtCustomComboBox(owner) {}
    QM_CLASS_INFO
};
