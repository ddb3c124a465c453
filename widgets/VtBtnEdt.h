// The button edit: the framed edit with one or two small buttons at its right end (the main one shown, the
// alternate one hidden by default), each with a stock glyph by kind or a bitmap of its own, a click event
// and a keyboard shortcut (F4 for the main button).
#pragma once

#include <cstdint>
#include <string>

#include "widgets/VtButton.h"
#include "widgets/VtEdit.h"

enum class TButtonKind : uint8_t {
    bkCustom, bkLookup, bkDropDown, bkCalendar, bkAccept, bkReject, bkFolder, bkFind, bkSearch
};
using TShortCut = uint16_t;  // key + 8192 Shift + 16384 Ctrl + 32768 Alt

// "F4", "Ctrl+F", "Shift+Alt+Del" ...; 0 for an empty or unknown text.
TShortCut TextToShortCut(const std::string& text);
// The stock glyph of a kind (two cells: normal, disabled), shared; nullptr for bkCustom.
TBitmap* StockButtonGlyph(TButtonKind kind);

class TVtButtonPair : public TVtButtonHolder {
public:
    explicit TVtButtonPair(TComponent* owner);
    QM_CLASS_INFO
    // 1 the alternate button, 2 the main one.
    TVtControlButton* Button(int index) const { return index == 1 ? first_ : second_; }
    virtual void ArrangeButtons();
    void Dispatch(TMessage& m) override;

    TNotifyEvent OnAltBtnClick, OnButtonClick;
};

class TVtCustomButtonEdit : public TVtEdit {
public:
    explicit TVtCustomButtonEdit(TComponent* owner);
    QM_CLASS_INFO

    TVtButtonPair* Pair() const { return pair_; }
    // 1 the alternate button, 2 the main one.
    TVtControlButton* GetButton(int index) const { return pair_->Button(index); }
    TButtonKind Kind(int index) const { return kinds_[index == 1 ? 0 : 1]; }
    void SetKind(int index, TButtonKind k);
    // Setting a glyph makes the kind bkCustom.
    void SetGlyph(int index, const TBitmap* b);
    // A form keeps the button's glyph only when it is the button's own.
    bool GlyphStored(int index) const { return Kind(index) == TButtonKind::bkCustom; }
    TShortCut ShortCut(int index) const { return shortCuts_[index == 1 ? 0 : 1]; }
    void SetShortCut(int index, TShortCut s) { shortCuts_[index == 1 ? 0 : 1] = s; }
    bool ButtonVisible(int index) const { return GetButton(index)->Visible(); }
    void SetButtonVisible(int index, bool v);
    int ButtonWidth(int index) const { return GetButton(index)->Width(); }
    void SetButtonWidth(int index, int w);

    TButtonKind ButtonKind() const { return Kind(2); }
    void SetButtonKind(TButtonKind k) { SetKind(2, k); }
    TButtonKind AltBtnKind() const { return Kind(1); }
    void SetAltBtnKind(TButtonKind k) { SetKind(1, k); }
    TShortCut ButtonShortCut() const { return ShortCut(2); }
    void SetButtonShortCut(TShortCut s) { SetShortCut(2, s); }
    TShortCut AltBtnShortCut() const { return ShortCut(1); }
    void SetAltBtnShortCut(TShortCut s) { SetShortCut(1, s); }
    bool MainVisible() const { return ButtonVisible(2); }
    void SetMainVisible(bool v) { SetButtonVisible(2, v); }
    bool AltVisible() const { return ButtonVisible(1); }
    void SetAltVisible(bool v) { SetButtonVisible(1, v); }
    int MainWidth() const { return ButtonWidth(2); }
    void SetMainWidth(int w) { SetButtonWidth(2, w); }
    int AltWidth() const { return ButtonWidth(1); }
    void SetAltWidth(int w) { SetButtonWidth(1, w); }
    int MainNumGlyphs() const { return GetButton(2)->NumGlyphs(); }
    void SetMainNumGlyphs(int n) { GetButton(2)->SetNumGlyphs(n); }
    int AltNumGlyphs() const { return GetButton(1)->NumGlyphs(); }
    void SetAltNumGlyphs(int n) { GetButton(1)->SetNumGlyphs(n); }
    std::string MainHint() const { return GetButton(2)->Hint(); }
    void SetMainHint(const std::string& h) { GetButton(2)->SetHint(h); }
    std::string AltHint() const { return GetButton(1)->Hint(); }
    void SetAltHint(const std::string& h) { GetButton(1)->SetHint(h); }
    bool AllowKeyEdit() const { return allowKeyEdit_; }
    void SetAllowKeyEdit(bool a) { allowKeyEdit_ = a; }
    void SetFlatButtons(bool f) override;
    void SetFlatButtonColor(TColor c) override;

    virtual void ResizeButtons();
    virtual void SetEditMargins();
    void UpdateColors() override;
    void Loaded() override;
    void Dispatch(TMessage& m) override;

    TNotifyEvent OnButtonClick, OnAltBtnClick;

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void BoundsChanged(bool moved, bool sized) override;
    // The frame encloses the text, the buttons stand beside it.
    int FrameRightInset() const override;

private:
    void ApplyStockGlyph(int index);
    TVtButtonPair* pair_ = nullptr;
    TButtonKind kinds_[2] = {TButtonKind::bkLookup, TButtonKind::bkLookup};
    TShortCut shortCuts_[2] = {0, 115};
    bool allowKeyEdit_ = true, shortCutHandled_ = false;
};

class TVtButtonEdit : public TVtCustomButtonEdit {
public:
    explicit TVtButtonEdit(TComponent* owner) : TVtCustomButtonEdit(owner) {}
    QM_CLASS_INFO
};

// The button edit's names of older forms ("ButtonShortCutText", "AltBtnShortCutText",
// "FlatButtonParentColor").
void RegisterButtonEditReaders(const TClassInfo& cls);
