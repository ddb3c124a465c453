// The library's buttons. The control button is the small windowless button inside other controls (the spin
// buttons, the button edit, drop-downs): an arrow, a drop-down arrow or a glyph on a classic or flat face,
// optionally clicking again and again while it is held.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ExtCtrls.h"
#include "widgets/VtCommon.h"

enum TVtControlButtonStyle : uint8_t { cbsNone, cbsLeft, cbsUp, cbsRight, cbsDown, cbsDropDown };

class TVtControlButton : public TGraphicControl {
public:
    explicit TVtControlButton(TComponent* owner);
    ~TVtControlButton() override;
    QM_CLASS_INFO

    bool Flat() const { return flat_; }
    virtual void SetFlat(bool f);
    // Copied; an empty bitmap clears the glyph.
    TBitmap* Glyph() const { return glyph_.get(); }
    virtual void SetGlyph(const TBitmap* b);
    TNumGlyphs NumGlyphs() const { return numGlyphs_; }
    virtual void SetNumGlyphs(TNumGlyphs n);
    bool RepeatClicks() const { return repeatClicks_; }
    void SetRepeatClicks(bool r) { repeatClicks_ = r; }
    uint16_t InitialDelay() const { return initialDelay_; }
    void SetInitialDelay(uint16_t ms) { initialDelay_ = ms; }
    uint16_t Delay() const { return delay_; }
    void SetDelay(uint16_t ms) { delay_ = ms; }
    TVtControlButtonStyle Style() const { return style_; }
    virtual void SetStyle(TVtControlButtonStyle s);
    bool Pressed() const { return pressed_; }
    bool MouseOver() const { return mouseOver_; }
    // nullptr until the first repeating press.
    TTimer* RepeatTimer() const { return timer_; }
    TSize GetGlyphSize() const;
    bool GlyphEmpty() const { return !glyph_ || glyph_->Width() == 0 || glyph_->Height() == 0; }
    // From an OnMouseDown handler: the press does not happen (no pressed look, no click, no repeat).
    void AbortPress() { abortPress_ = true; }
    void Dispatch(TMessage& m) override;

    TNotifyEvent OnMouseEnter, OnMouseLeave;
    // Fired after the glyph changed (the spin buttons choose their arrow styles from it).
    TNotifyEvent OnGlyphChange;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    virtual void DrawButtonFace(TCanvas* c, TRect r);
    virtual void DrawArrowButton(TCanvas* c, TRect r);
    virtual void DrawDropDownButton(TCanvas* c, TRect r);
    virtual void DrawGlyph(TCanvas* c, TRect r);
    virtual void MouseEnter();
    virtual void MouseLeave();

private:
    void TimerTick();
    bool Themed() const;
    bool Designing() const { return ComponentState() & csDesigning; }
    // The classic and flat face borders and fill; returns the rectangle inside.
    TRect ClassicFace(TCanvas* c, TRect r);
    void DrawThemedPart(TCanvas* c, TRect r, int part);

    bool abortPress_ = false, pressed_ = false, tracking_ = false, flat_ = false, mouseOver_ = false, repeatClicks_ = false;
    std::unique_ptr<TBitmap> glyph_;
    TNumGlyphs numGlyphs_ = 1;
    TTimer* timer_ = nullptr;
    uint16_t initialDelay_ = 400, delay_ = 100;
    TVtControlButtonStyle style_ = cbsNone;
};

// A windowed holder of two control buttons (the spin buttons, the button edit's pair): they share its
// colour, enabled state and flat look, and a left press first moves the focus to FocusControl (or to the
// holder when it is a tab stop); when the focus cannot be taken the press does not happen.
class TVtButtonHolder : public TWinControl {
public:
    explicit TVtButtonHolder(TComponent* owner);
    QM_CLASS_INFO
    bool Flat() const { return first_->Flat(); }
    void SetFlat(bool f);
    void SetButtonColor(TColor c);
    void SetEnabled(bool e) override;
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* c);
    void Dispatch(TMessage& m) override;

protected:
    void Notification(TComponent* c, TOperation op) override;
    TVtControlButton *first_ = nullptr, *second_ = nullptr;

private:
    void Pressing(TVtControlButton* b, TMouseButton mb);
    TWinControl* focusControl_ = nullptr;
};

// ---- the windowed button base ----

enum TAlignmentVertical : uint8_t { avTop, avCenter, avBottom };
// Where a caption `height` high stands in r: avTop leaves r as it is; avBottom keeps one pixel clear below.
TRect AlignCaptionVertically(TRect r, int height, TAlignmentVertical a);
// Declared with its enumerators in VtLabel.h; the theme's state names clash with them, so units that draw
// themed parts see only this declaration.
enum TTextStyle : uint8_t;

// Press tracking by mouse and keyboard, hover tracking, a transparent background and the styled caption of
// every windowed button of the library.
class TVtCustomButton : public TCustomControl {
public:
    explicit TVtCustomButton(TComponent* owner);
    QM_CLASS_INFO

    TAlignmentVertical AlignmentVertical() const { return alignmentVertical_; }
    virtual void SetAlignmentVertical(TAlignmentVertical a);
    TColor HotTrackColor() const { return hotTrackColor_; }
    void SetHotTrackColor(TColor c);
    TVtHotTrackColorType HotTrackColorType() const { return hotTrackColorType_; }
    void SetHotTrackColorType(TVtHotTrackColorType t);
    TColor HighlightColor() const { return highlightColor_; }
    virtual void SetHighlightColor(TColor c);
    bool LightTextStyle() const { return lightTextStyle_; }
    virtual void SetLightTextStyle(bool l);
    TTextStyle TextStyle() const { return textStyle_; }
    virtual void SetTextStyle(TTextStyle s);
    TColor TextHighlightColor() const { return textHighlightColor_; }
    virtual void SetTextHighlightColor(TColor c);
    TColor TextShadowColor() const { return textShadowColor_; }
    virtual void SetTextShadowColor(TColor c);
    int TextShadowDepth() const { return textShadowDepth_; }
    virtual void SetTextShadowDepth(int d);
    bool HotTrack() const { return hotTrack_; }
    virtual void SetHotTrack(bool h);
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool t);
    bool ThemeAware() const { return themeAware_; }
    virtual void SetThemeAware(bool t);

    bool Pressed() const { return pressed_; }
    bool MouseOver() const { return mouseOver_; }
    bool Tracking() const { return tracking_; }
    // ThemeAware with themes active.
    bool UsingTheme() const;
    void Dispatch(TMessage& m) override;

    TNotifyEvent OnMouseEnter, OnMouseLeave;

protected:
    virtual void RepaintButton() {}
    virtual void UpdateFocus() { Invalidate(); }
    virtual TRect GetHotTrackRect() { return ClientRect(); }
    virtual void DrawCaption(TCanvas* c, TRect r, UINT flags);
    virtual void ClickButton() {}
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void SetPressed(bool p) { pressed_ = p; }

private:
    template <class T>
    void Change(T& field, T v);

    TAlignmentVertical alignmentVertical_ = avCenter;
    TColor hotTrackColor_ = clHighlight;
    TVtHotTrackColorType hotTrackColorType_ = htctComplement;
    TColor highlightColor_ = clHighlight;
    bool lightTextStyle_ = false;
    TTextStyle textStyle_ = TTextStyle(0);  // tsNormal
    TColor textHighlightColor_ = clBtnHighlight, textShadowColor_ = clBtnShadow;
    int textShadowDepth_ = 2;
    bool hotTrack_ = false, tracking_ = false, mouseOver_ = false, pressed_ = false, transparent_ = false,
         themeAware_ = true;
};

extern const TEnumInfo AlignmentVerticalIdents;
extern const TEnumInfo HotTrackColorTypeIdents;
// The light and dark hover colours of a hot-tracking button.
void HotTrackColors(TColor hotTrackColor, TVtHotTrackColorType type, TColor& light, TColor& dark);
// Groups of down buttons (GroupIndex, Down, AllowAllUp). ApplyGroupDown: only a grouped button is down, and the
// one down button of a group that must keep one stays down; true when Down changed. ReceiveGroupMessage: another
// button of the group went down, so this one goes up (true when it did); AllowAllUp follows the sender's.
bool ApplyGroupDown(bool& down, bool d, int groupIndex, bool allowAllUp);
bool ReceiveGroupMessage(bool& down, bool& allowAllUp, bool senderDown, bool senderAllowAllUp);
void BroadcastGroupMessage(TControl* sender, int groupIndex);

// Whether ch (either case) follows a single '&' in the caption.
bool IsAccel(char ch, const std::string& caption);

// The push button: Default and Cancel for dialogs, grouped down buttons, and the hot-track, classic and
// themed looks.
class TVtButton : public TVtCustomButton {
public:
    // The message a grouped button broadcasts to its parent's controls: WParam the group, LParam the sender.
    static constexpr UINT CM_BUTTONPRESSED = 9249;

    explicit TVtButton(TComponent* owner);
    QM_CLASS_INFO

    TAlignment Alignment() const { return alignment_; }
    virtual void SetAlignment(TAlignment a);
    bool Default() const { return default_; }
    virtual void SetDefault(bool d);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool c) { cancel_ = c; }
    bool Active() const { return active_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }
    bool AllowAllUp() const { return allowAllUp_; }
    virtual void SetAllowAllUp(bool a);
    bool Down() const { return down_; }
    virtual void SetDown(bool d);
    int GroupIndex() const { return groupIndex_; }
    virtual void SetGroupIndex(int g);
    bool ShowDownPattern() const { return showDownPattern_; }
    virtual void SetShowDownPattern(bool s);
    bool ShowFocusRect() const { return showFocusRect_; }
    virtual void SetShowFocusRect(bool s);
    // Also makes the button transparent.
    void SetHotTrack(bool h) override;
    bool DropDownOnEnter() const { return dropDownOnEnter_; }
    void SetDropDownOnEnter(bool d) { dropDownOnEnter_ = d; }
    // 0 up, 3 down in a group.
    int State() const { return state_; }
    // Sets the form's modal result, then the click event.
    void Click() override;
    void Dispatch(TMessage& m) override;

protected:
    void RepaintButton() override { Invalidate(); }
    void ClickButton() override;
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void CreateWnd() override;
    virtual TRect GetCaptionRect(TRect r);
    virtual void DrawButtonCaption(TCanvas* c);
    virtual void MakeDownPattern(TBitmap* b);
    bool EnterClick() const { return enterClick_; }
    bool Clicking() const { return clicking_; }

private:
    void BroadcastGroup();
    void SetActive(bool a);
    void PaintHotTrack(TCanvas* c, TRect r);
    TAlignment alignment_ = taCenter;
    bool default_ = false, cancel_ = false, active_ = false, clicking_ = false, spaceDown_ = false,
         allowAllUp_ = false, down_ = false, showDownPattern_ = true, showFocusRect_ = true,
         dropDownOnEnter_ = true, enterClick_ = false;
    int modalResult_ = 0, groupIndex_ = 0, state_ = 0;
};

class TCustomImageList;
class TPopupMenu;

enum TBitBtnKind : uint8_t { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// A push button with a glyph (cells of a bitmap, or an image of a list) beside its caption, and the stock
// dialog kinds.
class TVtBitBtn : public TVtButton {
public:
    explicit TVtBitBtn(TComponent* owner);
    ~TVtBitBtn() override;
    QM_CLASS_INFO

    // Copied; marks the glyph as the user's.
    TBitmap* Glyph() const { return glyph_.get(); }
    virtual void SetGlyph(const TBitmap* b);
    // bkCustom once Default, Cancel, ModalResult or the glyph no longer match the kind.
    virtual TBitBtnKind Kind() const;
    // A stock kind sets Default, Cancel, ModalResult, the glyph and (not while loading a set caption) the caption.
    virtual void SetKind(TBitBtnKind k);
    TButtonLayout Layout() const { return layout_; }
    virtual void SetLayout(TButtonLayout l);
    int Margin() const { return margin_; }
    // Values below -1 are refused.
    virtual void SetMargin(int m);
    TNumGlyphs NumGlyphs() const { return numGlyphs_; }
    virtual void SetNumGlyphs(TNumGlyphs n);
    int Spacing() const { return spacing_; }
    virtual void SetSpacing(int s);
    // Scales Margin and Spacing by m / d with the form; -1 selects a layout rather than a gap and stays.
    void ChangeScale(int m, int d);
    int ImageIndex() const { return imageIndex_; }
    virtual void SetImageIndex(int i);
    int DisabledIndex() const { return disabledIndex_; }
    virtual void SetDisabledIndex(int i);
    TCustomImageList* Images() const { return images_; }
    virtual void SetImages(TCustomImageList* l);
    // Closes the form for bkClose.
    void Click() override;

    virtual TSize GetGlyphSize();
    virtual TRect GetGlyphRect();
    TRect CaptionRect() { return GetCaptionRect(ClientRect()); }
    // The stock caption of a kind.
    static const char* StockCaption(TBitBtnKind k);

protected:
    TRect GetCaptionRect(TRect r) override;
    void DrawButtonCaption(TCanvas* c) override;
    void Notification(TComponent* c, TOperation op) override;
    // The action's image index too.
    void ActionChange(TObject* sender, bool checkDefaults) override;
    virtual void DrawImage(TCanvas* c, TRect r);
    virtual void DrawGlyph(TCanvas* c, TRect r);
    bool HasGlyph();
    int CaptionHeight();
    // The menu button's arrow takes room from the caption and moves the glyph.
    virtual int ArrowRoom() const { return 0; }

private:
    void GlyphChanged();
    std::unique_ptr<TBitmap> glyph_;
    mutable TBitBtnKind kind_ = bkCustom;  // falls back to bkCustom when read
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = 2, spacing_ = 4, imageIndex_ = -1, disabledIndex_ = -1;
    TNumGlyphs numGlyphs_ = 1;
    TCustomImageList* images_ = nullptr;
    bool customGlyph_ = false;
};

// A button that drops a popup menu under itself, with a small arrow.
class TVtMenuButton : public TVtBitBtn {
public:
    explicit TVtMenuButton(TComponent* owner);
    QM_CLASS_INFO
    TPopupMenu* DropDownMenu() const { return menu_; }
    void SetDropDownMenu(TPopupMenu* m);
    bool ShowArrow() const { return showArrow_; }
    virtual void SetShowArrow(bool s);
    // Pops the menu up under the button, right-aligned with it when it would pass the work area's edge.
    virtual void DropDown();
    // Where DropDown puts the menu (screen coordinates).
    TPoint DropDownPoint();
    void Click() override;
    // The Sender is the drop-down menu.
    TNotifyEvent OnDropDown;

protected:
    void Notification(TComponent* c, TOperation op) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    int ArrowRoom() const override { return showArrow_ ? 14 : 0; }

private:
    TPopupMenu* menu_ = nullptr;
    bool showArrow_ = true, suppress_ = false;
    DWORD closedAt_ = 0;
};

// The stock glyph of a kind (two 16 x 16 cells), shared; nullptr for bkCustom.
TBitmap* StockKindGlyph(TBitBtnKind k);

// An older Boolean name of HotTrack ("FrameFlat" of push buttons, "Flat" of glyph buttons), read, never written.
void RegisterHotTrackReader(const TClassInfo& cls, const std::string& name);

enum TVtToolStyle : uint8_t { tsButton, tsDropDown };

// The button of the toolbar: images from a list by state, an optional drop-down part with a menu, and its
// layout, size and caption visibility taken from the toolbar.
class TVtToolButton : public TGraphicControl {
public:
    static constexpr int DropDownWidth = 14;
    explicit TVtToolButton(TComponent* owner);
    ~TVtToolButton() override;
    QM_CLASS_INFO

    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool a);
    bool Down() const { return down_; }
    void SetDown(bool d);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int g);
    bool Flat() const { return flat_; }
    void SetFlat(bool f);
    // Its own list, else the toolbar's.
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);
    TCustomImageList* ActiveImages() const;
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i) { Change(imageIndex_, i); }
    int DownIndex() const { return downIndex_; }
    void SetDownIndex(int i) { Change(downIndex_, i); }
    int DisabledIndex() const { return disabledIndex_; }
    void SetDisabledIndex(int i) { Change(disabledIndex_, i); }
    int HotIndex() const { return hotIndex_; }
    void SetHotIndex(int i) { Change(hotIndex_, i); }
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l) { Change(layout_, l); }
    bool ShowCaption() const { return showCaption_; }
    // Set directly (not while loading) it stops following the toolbar.
    void SetShowCaption(bool s);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t) { Change(transparent_, t); }
    TVtToolStyle ToolStyle() const { return toolStyle_; }
    void SetToolStyle(TVtToolStyle s);
    TPopupMenu* DropDownMenu() const { return menu_; }
    void SetDropDownMenu(TPopupMenu* m);
    bool UseToolbarButtonLayout() const { return useLayout_; }
    void SetUseToolbarButtonLayout(bool u);
    bool UseToolbarButtonSize() const { return useSize_; }
    void SetUseToolbarButtonSize(bool u);
    bool UseToolbarShowCaption() const { return useCaption_; }
    void SetUseToolbarShowCaption(bool u);
    // 0 up, 1 disabled, 2 down, 3 exclusive, 4 drop-down part pressed.
    int State() const { return state_; }
    bool MouseInControl() const { return mouseIn_; }
    void SetBounds(int l, int t, int w, int h) override;
    void SetParent(TWinControl* p) override;
    void Loaded() override;
    void Dispatch(TMessage& m) override;
    TNotifyEvent OnDropDown, OnMouseEnter, OnMouseLeave;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* c, TOperation op) override;
    // Down follows the action's Checked, ImageIndex its image index.
    TControlActionLink* CreateActionLink() override;
    void ActionChange(TObject* sender, bool checkDefaults) override;

private:
    template <class T>
    void Change(T& field, T v) {
        if (field == v) return;
        field = v;
        Invalidate();
    }
    void Refresh();
    void BroadcastGroup();
    bool Themed() const;
    TRect ContentRect() const;
    bool allowAllUp_ = false, down_ = false, flat_ = true, showCaption_ = false, transparent_ = true,
         useLayout_ = true, useSize_ = true, useCaption_ = true, mouseIn_ = false, tracking_ = false,
         sizing_ = false;
    int groupIndex_ = 0, imageIndex_ = -1, downIndex_ = -1, disabledIndex_ = -1, hotIndex_ = -1, state_ = 0;
    TCustomImageList* images_ = nullptr;
    TButtonLayout layout_ = blGlyphLeft;
    TVtToolStyle toolStyle_ = tsButton;
    TPopupMenu* menu_ = nullptr;
    DWORD closedAt_ = 0;
};

// Where a menu dropped from a control goes: under its bottom-left corner, or right-aligned with it when the menu
// would pass the right edge of the work area.
TPoint MenuDropPoint(TControl* c, TPopupMenu* menu);

// The speed button of tool rows: flat, with a glyph swapped for a hot one while the pointer is over it, and a
// caption that can be hidden and kept.
class TVtToolbarButton : public TSpeedButton {
public:
    explicit TVtToolbarButton(TComponent* owner);
    ~TVtToolbarButton() override;
    QM_CLASS_INFO
    // Copied; a bitmap given turns UseHotGlyph on, none turns it off; HotNumGlyphs follows its shape.
    TBitmap* HotGlyph() const { return hotGlyph_.get(); }
    void SetHotGlyph(const TBitmap* b);
    TNumGlyphs HotNumGlyphs() const { return hotNumGlyphs_; }
    void SetHotNumGlyphs(TNumGlyphs n);
    bool UseHotGlyph() const { return useHotGlyph_; }
    void SetUseHotGlyph(bool u) { useHotGlyph_ = u; }
    bool IgnoreActionCaption() const { return ignoreActionCaption_; }
    void SetIgnoreActionCaption(bool i) { ignoreActionCaption_ = i; }
    bool ShowCaption() const { return showCaption_; }
    // Off moves the caption aside, on brings it back.
    void SetShowCaption(bool s);
    // The hidden caption, what a form keeps as "SaveCaption" while ShowCaption is off.
    std::string SaveCaption() const { return showCaption_ ? std::string() : savedCaption_; }
    void SetSaveCaption(const std::string& c) { savedCaption_ = c; }
    bool HotShown() const { return hotShown_; }
    bool MouseInControl() const { return mouseIn_; }
    void Dispatch(TMessage& m) override;
    TNotifyEvent OnMouseEnter, OnMouseLeave;

protected:
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    // Down follows the action's Checked; the caption too unless IgnoreActionCaption; the action's image
    // becomes the glyph.
    TControlActionLink* CreateActionLink() override;
    void ActionChange(TObject* sender, bool checkDefaults) override;

private:
    void ShowHot();
    void RestoreNormal();
    std::unique_ptr<TBitmap> hotGlyph_, savedGlyph_;
    TNumGlyphs hotNumGlyphs_ = 1, savedNumGlyphs_ = 0;  // 0: nothing saved
    bool useHotGlyph_ = false, ignoreActionCaption_ = false, showCaption_ = true, hotShown_ = false,
         mouseIn_ = false;
    std::string savedCaption_;
};

// Registers the toolbar button for form resources, with its stream-only "SaveCaption".
void RegisterToolbarButtonClass();
