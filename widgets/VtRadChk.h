// Radio buttons and check boxes: a caption beside a small state glyph taken from a strip of the user's, from
// the visual theme, from colour-keyed pictures recoloured for the hot-track look, or from the classic images.
#pragma once

#include <memory>

#include "platform/ui/ActnList.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtButton.h"


// Ties a glyph button's Checked to its action's: a change passes on while the button shows the old value.
class TVtCustomGlyphButton;

class TVtCheckedActionLink : public TWinControlActionLink {
public:
    explicit TVtCheckedActionLink(TVtCustomGlyphButton* client);
    bool IsCheckedLinked() const override;
    void SetChecked(bool c) override;

private:
    TVtCustomGlyphButton* button_;
};

class TVtCustomGlyphButton : public TVtCustomButton {
public:
    explicit TVtCustomGlyphButton(TComponent* owner, int cellCount);
    ~TVtCustomGlyphButton() override;
    QM_CLASS_INFO

    // taRightJustify: the caption right of the glyph; taLeftJustify: the glyph at the right edge.
    TAlignment Alignment() const { return alignment_; }
    virtual void SetAlignment(TAlignment a);
    TColor FrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor c);
    // Copied; a non-empty strip turns UseCustomGlyphs on, an empty one off.
    TBitmap* CustomGlyphs() const { return customGlyphs_.get(); }
    virtual void SetCustomGlyphs(const TBitmap* b);
    bool UseCustomGlyphs() const { return useCustomGlyphs_; }
    virtual void SetUseCustomGlyphs(bool u);
    TColor TransparentColor() const { return transparentColor_; }
    virtual void SetTransparentColor(TColor c);
    TColor WinMaskColor() const { return winMaskColor_; }
    virtual void SetWinMaskColor(TColor c);
    TColor DisabledColor() const { return disabledColor_; }
    virtual void SetDisabledColor(TColor c);
    bool TabOnEnter() const { return tabOnEnter_; }
    void SetTabOnEnter(bool t) { tabOnEnter_ = t; }
    TVtFrameController* FrameController() const { return frameController_; }
    virtual void SetFrameController(TVtFrameController* c);
    int GlyphWidth() const { return glyphWidth_; }
    int GlyphHeight() const { return glyphHeight_; }
    int CellCount() const { return cellCount_; }
    TRect GlyphRect() const;

    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool) {}
    bool Checked() const { return GetChecked(); }
    // Without the click a change of Checked makes, so that following an action does not run it again.
    void SetCheckedQuietly(bool c);
    void Click() override;
    void SetTransparent(bool t) override;
    void Dispatch(TMessage& m) override;

protected:
    TControlActionLink* CreateActionLink() override;
    // Checked follows the action's unless the button is checked and only defaults are asked for.
    void ActionChange(TObject* sender, bool checkDefaults) override;
    virtual void UpdateFrame();
    // A colour equal in RGB to a key colour of the glyph pictures moves off it by one.
    virtual TColor AdjustKeyColor(TColor c) const;
    virtual void PaintGlyphImage(TBitmap* b) = 0;
    virtual void DrawGlyph(TCanvas* c);
    void ExtractGlyph(int index, TBitmap* dest, int width, int height, TBitmap* source) const;
    void Paint() override;
    void RepaintButton() override { Invalidate(); }
    TRect GetHotTrackRect() override { return GlyphRect(); }
    void Notification(TComponent* c, TOperation op) override;
    void KeyPress(char& key) override;
    void BoundsChanged(bool moved, bool sized) override;
    // The hover colours of the hot-track look.
    void HoverColors(TColor& light, TColor& dark) const;
    // Fills b with TransparentColor and draws the classic image of a radio button or check box.
    void PaintClassicImage(TBitmap* b, bool radio, TCheckBoxState state) const;
    bool rebuild_ = true;

private:
    TAlignment alignment_ = taRightJustify;
    TColor frameColor_ = clBtnShadow;
    int cellCount_;
    std::unique_ptr<TBitmap> customGlyphs_, background_;
    bool useCustomGlyphs_ = false, tabOnEnter_ = false, clicksDisabled_ = false;
    TColor transparentColor_ = clOlive, winMaskColor_ = clLime, disabledColor_ = clBtnFace;
    int glyphWidth_ = 13, glyphHeight_ = 13;
    TVtFrameController* frameController_ = nullptr;
    void GlyphSizeChanged();
};

class TVtRadioButton : public TVtCustomGlyphButton {
public:
    explicit TVtRadioButton(TComponent* owner);
    QM_CLASS_INFO
    bool GetChecked() const override { return checked_; }
    // Checking unchecks every other radio button of the same parent, then clicks.
    void SetChecked(bool v) override;
    void Dispatch(TMessage& m) override;

protected:
    void ClickButton() override;
    void PaintGlyphImage(TBitmap* b) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    bool checked_ = false, mouseDown_ = false;
};

class TVtCustomCheckBox : public TVtCustomGlyphButton {
public:
    explicit TVtCustomCheckBox(TComponent* owner);
    QM_CLASS_INFO
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool a) { allowGrayed_ = a; }
    TCheckBoxState State() const { return state_; }
    // Every change clicks, from code too (not while loading).
    virtual void SetState(TCheckBoxState s);
    bool GetChecked() const override { return state_ == cbChecked; }
    void SetChecked(bool v) override { SetState(v ? cbChecked : cbUnchecked); }
    void Dispatch(TMessage& m) override;

protected:
    void ClickButton() override;
    void PaintGlyphImage(TBitmap* b) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;

private:
    bool allowGrayed_ = false, spaceDown_ = false;
    TCheckBoxState state_ = cbUnchecked;
};

class TVtCheckBox : public TVtCustomCheckBox {
public:
    explicit TVtCheckBox(TComponent* owner) : TVtCustomCheckBox(owner) {}
    QM_CLASS_INFO
};

// Every pixel of colour from in b becomes to.
void ReplaceColor(TBitmap* b, TColor from, TColor to);
// The keyed check-box picture of a state: its face (white, red, magenta), frame (grey) and check (blue) keys
// replaced by the given colours.
void LoadCheckBoxGlyph(TBitmap* b, TCheckBoxState s, TColor face, TColor frame, TColor check);
