// Panels framed with the library's border styles, with an optional grid and a caption placed in both
// directions; the group box in four styles; the spacer between toolbar controls.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Docking.h"
#include "widgets/VtButton.h"
#include "widgets/VtCommon.h"

enum TVtGridStyle : uint8_t { gsDots, gsDottedLines, gsSolidLines };
enum TVtGroupBoxStyle : uint8_t { gsStandard, gsCustom, gsTopLine, gsFlat };

class TVtCustomPanel : public TCustomPanel, public IVtFrameSettingsSink {
public:
    explicit TVtCustomPanel(TComponent* owner);
    ~TVtCustomPanel() override;
    QM_CLASS_INFO

    TAlignmentVertical AlignmentVertical() const { return alignmentVertical_; }
    void SetAlignmentVertical(TAlignmentVertical a) { Change(alignmentVertical_, a); }
    TFrameStyleEx BorderOuter() const { return border_.outer; }
    virtual void SetBorderOuter(TFrameStyleEx s) { ChangeFrame(border_.outer, s); }
    TFrameStyleEx BorderInner() const { return border_.inner; }
    virtual void SetBorderInner(TFrameStyleEx s) { ChangeFrame(border_.inner, s); }
    TSides BorderSides() const { return border_.sides; }
    void SetBorderSides(TSides s) { ChangeFrame(border_.sides, TSides(s & sdAllSides)); }
    TColor BorderColor() const { return border_.borderColor; }
    void SetBorderColor(TColor c) { Change(border_.borderColor, c); }
    TColor BorderHighlight() const { return border_.borderHighlight; }
    void SetBorderHighlight(TColor c) { Change(border_.borderHighlight, c); }
    TColor BorderShadow() const { return border_.borderShadow; }
    void SetBorderShadow(TColor c) { Change(border_.borderShadow, c); }
    TColor FlatColor() const { return border_.flatColor; }
    void SetFlatColor(TColor c) { Change(border_.flatColor, c); }
    int FlatColorAdjustment() const { return border_.flatColorAdjustment; }
    void SetFlatColorAdjustment(int a) { Change(border_.flatColorAdjustment, a); }
    TVtFrameController* FrameController() const { return frameController_; }
    void SetFrameController(TVtFrameController* c) { LinkFrameController(this, frameController_, c); }
    TColor GridColor() const { return gridColor_; }
    void SetGridColor(TColor c) { Change(gridColor_, c); }
    TVtGridStyle GridStyle() const { return gridStyle_; }
    void SetGridStyle(TVtGridStyle s) { Change(gridStyle_, s); }
    uint16_t GridXSize() const { return gridXSize_; }
    void SetGridXSize(uint16_t s) { Change(gridXSize_, s); }
    uint16_t GridYSize() const { return gridYSize_; }
    void SetGridYSize(uint16_t s) { Change(gridYSize_, s); }
    bool ShowGrid() const { return showGrid_; }
    void SetShowGrid(bool s) { Change(showGrid_, s); }
    bool ShowDockClientCaptions() const { return showDockClientCaptions_; }
    void SetShowDockClientCaptions(bool s) { Change(showDockClientCaptions_, s); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t) { Change(transparent_, t); }
    bool ThemeAware() const { return themeAware_; }
    void SetThemeAware(bool t) { Change(themeAware_, t); }
    bool FullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool f) { fullRepaint_ = f; }

    // Width of one border level of a style on a side.
    int BorderLevelWidth(TFrameStyleEx s) const;
    void ReloadFrameSettings() override;
    void Dispatch(TMessage& m) override;
    TNotifyEvent OnPaint, OnMouseEnter, OnMouseLeave;

protected:
    void Paint() override;
    void AdjustClientRect(TRect& r) override;
    void BoundsChanged(bool moved, bool sized) override;
    void Notification(TComponent* c, TOperation op) override;
    virtual TRect AdjustBorderRect(TRect r, bool includeBorderWidth) const;
    virtual void DrawCaption(TCanvas* c, TRect r);
    virtual void DrawGrid(TCanvas* c, TRect r);
    TDockManager* CreateDockManager() override;
    // The panel's own paint: frame, fill, grid, caption.
    void PaintPanel(TCanvas* c);
    template <class T>
    void Change(T& field, T v) {
        if (field == v) return;
        field = v;
        Invalidate();
    }
    template <class T>
    void ChangeFrame(T& field, T v) {
        if (field == v) return;
        field = v;
        Realign();
        Invalidate();
    }

private:
    void EnabledChanged();

    TAlignmentVertical alignmentVertical_ = avCenter;
    // The frame's own settings; bevel width and the colours it lies on are filled in when it is painted.
    TFrameParams border_{.outer = fsRaised, .flatColorAdjustment = 30};
    TColor gridColor_ = clBtnShadow;
    TVtFrameController* frameController_ = nullptr;
    TVtGridStyle gridStyle_ = gsDots;
    uint16_t gridXSize_ = 8, gridYSize_ = 8;
    bool showGrid_ = false, showDockClientCaptions_ = true, transparent_ = false, themeAware_ = true,
         fullRepaint_ = true;
    TSize lastSize_{-1, -1};
    // The enabled state of each child when the panel was disabled.
    std::vector<std::pair<TControl*, bool>> childStates_;
};

// The grabbers of a panel's docked controls: 14 pixels, on the active or inactive caption colour, with the
// control's caption (while the panel shows them) and a close glyph.
class TVtPanelDockManager : public TDockTree {
public:
    explicit TVtPanelDockManager(TVtCustomPanel* panel) : TDockTree(panel), panel_(panel) {}
    int GrabberSize() const override { return 14; }

protected:
    void PaintDockFrame(TCanvas* canvas, TControl* control, const TRect& grabber) override;

private:
    TVtCustomPanel* panel_;
};

class TVtPanel : public TVtCustomPanel {
public:
    explicit TVtPanel(TComponent* owner) : TVtCustomPanel(owner) {}
    QM_CLASS_INFO
};

class TVtCustomGroupBox : public TVtCustomPanel {
public:
    explicit TVtCustomGroupBox(TComponent* owner);
    QM_CLASS_INFO
    TVtGroupBoxStyle GroupStyle() const { return groupStyle_; }
    // gsCustom and gsTopLine also turn ThemeAware off.
    void SetGroupStyle(TVtGroupBoxStyle s);
    // The caption's place, empty without a caption or in gsCustom.
    TRect CaptionRect();
    void ReloadFrameSettings() override;
    void Dispatch(TMessage& m) override;

protected:
    void Paint() override;
    void AdjustClientRect(TRect& r) override;

private:
    TVtGroupBoxStyle groupStyle_ = gsFlat;
    int TextHeightOf(const char* sample);
};

class TVtGroupBox : public TVtCustomGroupBox {
public:
    explicit TVtGroupBox(TComponent* owner) : TVtCustomGroupBox(owner) {}
    QM_CLASS_INFO
};

class TVtSpacer : public TGraphicControl {
public:
    explicit TVtSpacer(TComponent* owner);
    QM_CLASS_INFO
    bool Grooved() const { return grooved_; }
    void SetGrooved(bool g);
    TOrientation Orientation() const { return orientation_; }
    // Swaps width and height (not while loading).
    void SetOrientation(TOrientation o);

protected:
    void Paint() override;

private:
    bool grooved_ = false;
    TOrientation orientation_ = orHorizontal;
};

// A bottom panel for status panes, with a simple-status mode and a size grip that sizes the form.
class TVtStatusBar : public TVtCustomPanel {
public:
    explicit TVtStatusBar(TComponent* owner);
    QM_CLASS_INFO
    bool AutoStyle() const { return autoStyle_; }
    void SetAutoStyle(bool a);
    bool AutoScalePanes() const { return autoScalePanes_; }
    void SetAutoScalePanes(bool a);
    bool ShowSizeGrip() const { return showSizeGrip_; }
    void SetShowSizeGrip(bool s) { Change(showSizeGrip_, s); }
    // Hides every child pane while on.
    bool SimpleStatus() const { return simpleStatus_; }
    void SetSimpleStatus(bool s);
    std::string SimpleCaption() const { return simpleCaption_; }
    void SetSimpleCaption(const std::string& c) { Change(simpleCaption_, c); }
    TFrameStyle SimpleFrameStyle() const { return simpleFrameStyle_; }
    void SetSimpleFrameStyle(TFrameStyle s) { Change(simpleFrameStyle_, s); }
    // The parent form is sizeable and not maximised.
    bool GripActive() const;
    TRect GripRect() const { return TRect(Width() - 13, 0, Width(), Height()); }
    void Loaded() override;
    void Dispatch(TMessage& m) override;

protected:
    void Paint() override;
    void BoundsChanged(bool moved, bool sized) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void ApplyAutoStyle();
    void ScalePanes();
    void DrawGrip(TCanvas* c);
    bool autoStyle_ = true, autoScalePanes_ = false, showSizeGrip_ = true, simpleStatus_ = false;
    std::string simpleCaption_;
    TFrameStyle simpleFrameStyle_ = fsFlat;
    // Widths the panes are scaled from: the bar's first non-zero width and each pane's width then.
    int scaleBase_ = 0;
    std::vector<std::pair<TControl*, int>> paneBases_;
    bool sizing_ = false;
    TPoint sizeStart_;
    TRect formStart_;
};

enum TVtToolbarTextOptions : uint8_t { ttoNoTextLabels, ttoShowTextLabels, ttoSelectiveTextOnRight, ttoCustom };

enum TVtCustomizeCaption : uint8_t {
    ccTitle, ccHint, ccClose, ccMoveUp, ccMoveDown, ccTextOptions, ccNoTextLabels, ccShowTextLabels,
    ccSelectiveTextOnRight, ccCount
};

// The captions of a toolbar's customise dialog. Only captions set to another text are stored in a form.
class TVtCustomizeCaptions : public TPersistent {
public:
    QM_CLASS_INFO
    TVtCustomizeCaptions();
    const std::string& Caption(TVtCustomizeCaption i) const { return captions_.at(i); }
    void SetCaption(TVtCustomizeCaption i, const std::string& s);
    bool IsStored(TVtCustomizeCaption i) const { return changed_.at(i); }
    void Assign(const TVtCustomizeCaptions& other);

    template <TVtCustomizeCaption I>
    std::string Get() const { return captions_[I]; }
    template <TVtCustomizeCaption I>
    void Set(const std::string& s) { SetCaption(I, s); }

private:
    std::array<std::string, ccCount> captions_;
    std::array<bool, ccCount> changed_{};
};

// A bar that lays its controls out in their listed order, in rows (or columns) that wrap, sizes itself to
// them and hands button settings to its tool buttons.
class TVtToolbar : public TVtCustomPanel {
public:
    // Refresh messages to the children after a change of the button settings.
    static constexpr UINT CM_TOOLBARCAPTIONS = 46058, CM_TOOLBARLAYOUT = 46059, CM_TOOLBARSIZE = 46060;

    explicit TVtToolbar(TComponent* owner);
    QM_CLASS_INFO

    bool AutoResize() const { return autoResize_; }
    void SetAutoResize(bool a) { ChangeLayout(autoResize_, a); }
    bool AutoStyle() const { return autoStyle_; }
    void SetAutoStyle(bool a);
    TBitmap* Background() const { return background_.get(); }
    void SetBackground(const TBitmap* b);
    int Margin() const { return margin_; }
    void SetMargin(int m) { ChangeLayout(margin_, m); }
    int TopMargin() const { return topMargin_; }
    void SetTopMargin(int m) { ChangeLayout(topMargin_, m); }
    TOrientation Orientation() const { return orientation_; }
    // Also turns every spacer child the same way.
    void SetOrientation(TOrientation o);
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int h) { ChangeLayout(rowHeight_, h); }
    TButtonLayout ButtonLayout() const { return buttonLayout_; }
    void SetButtonLayout(TButtonLayout l);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int w);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int h);
    bool ShowButtonCaptions() const { return showButtonCaptions_; }
    void SetShowButtonCaptions(bool s);
    bool ShowDivider() const { return showDivider_; }
    void SetShowDivider(bool s);
    TVtToolbarTextOptions TextOptions() const { return textOptions_; }
    // Applies the preset of layout, button size, captions and row height.
    void SetTextOptions(TVtToolbarTextOptions t);
    bool WrapControls() const { return wrapControls_; }
    void SetWrapControls(bool w) { ChangeLayout(wrapControls_, w); }
    TVtRegIniFile* RegIniFile() const { return regIniFile_; }
    void SetRegIniFile(TVtRegIniFile* r);
    // The images of tool buttons that have no list of their own.
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);
    TVtCustomizeCaptions* CustomizeCaptions() const { return customizeCaptions_.get(); }
    void SetCustomizeCaptions(const TVtCustomizeCaptions& c) { customizeCaptions_->Assign(c); }
    // Setting a border directly turns AutoStyle off.
    void SetBorderOuter(TFrameStyleEx s) override;
    void SetBorderInner(TFrameStyleEx s) override;

    // The controls in their order.
    int OrderCount() const { return int(order_.size()); }
    TControl* OrderControl(int i) const { return order_.at(size_t(i)); }
    // The names read from "ToolbarControls", resolved after loading.
    void SetStoredOrder(const std::vector<std::string>& names) { storedNames_ = names; }
    void PositionControls();
    void Loaded() override;
    void Dispatch(TMessage& m) override;
    TNotifyEvent OnVisibleChanged;

protected:
    void Paint() override;
    void BoundsChanged(bool moved, bool sized) override;
    void Notification(TComponent* c, TOperation op) override;

private:
    template <class T>
    void ChangeLayout(T& field, T v) {
        if (field == v) return;
        field = v;
        PositionControls();
    }
    void ApplyAutoStyle();
    void SendToChildren(UINT msg);
    void ButtonSettingChanged(UINT msg);
    void ResizeButtons();

    bool autoResize_ = true, autoStyle_ = true, showButtonCaptions_ = false, showDivider_ = true,
         wrapControls_ = true, applyingPreset_ = false, positioning_ = false;
    std::unique_ptr<TBitmap> background_;
    std::unique_ptr<TVtCustomizeCaptions> customizeCaptions_ = std::make_unique<TVtCustomizeCaptions>();
    int margin_ = 4, topMargin_ = 2, rowHeight_ = 25, buttonWidth_ = 25, buttonHeight_ = 25;
    TOrientation orientation_ = orHorizontal;
    TAlign styledAlign_ = alNone;  // the alignment the divider side was last chosen for
    TButtonLayout buttonLayout_ = blGlyphLeft;
    TVtToolbarTextOptions textOptions_ = ttoNoTextLabels;
    TVtRegIniFile* regIniFile_ = nullptr;
    TCustomImageList* images_ = nullptr;
    std::vector<TControl*> order_;
    std::vector<std::string> storedNames_;
};

void RegisterPanelReaders(const TClassInfo& cls);
// "ToolbarControls": the order of a toolbar's controls by name.
void RegisterToolbarReaders(const TClassInfo& cls);
