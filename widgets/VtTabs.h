// The owner-drawn tab strip and the page control built on it.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ImgList.h"
#include "widgets/VtCommon.h"

enum TVtTabStyle : uint8_t { tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners };
enum TVtTabOrientation : uint8_t { toTop, toLeft, toBottom, toRight };
enum TVtTabSequence : uint8_t { tsStandard, tsReverse };
enum TVtHotTrackStyle : uint8_t { htsTab, htsText };
enum TVtImagePosition : uint8_t { ipLeft, ipTop, ipRight, ipBottom, ipBack, ipStretch };
enum TVtTabHAlignment : uint8_t { haLeft, haCenter, haRight };
enum TVtTabVAlignment : uint8_t { vaTop, vaCenter, vaBottom };
enum TVtTextStyle : uint8_t { tsHotTrack, tsSelected, tsUnselected, tsDisabledHighlight, tsDisabledShadow };

class TVtCustomTabControl;

// A small button of the tab strip: pressed while the pointer stays in the part it went down on.
class TVtTabButton : public TCustomControl {
public:
    // The owner is the tab control the button serves.
    explicit TVtTabButton(TComponent* owner);
    QM_CLASS_INFO
    TColor FrameColor() const { return frameColor_; }
    void SetFrameColor(TColor c);

protected:
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseMove(TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
    virtual void PressAt(int, int) {}
    virtual bool InPressedPart(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }
    // A release inside the pressed part.
    virtual void Activated() {}
    TVtCustomTabControl* tabs_;
    TColor frameColor_ = clBtnShadow;
    bool pressed_ = false, inside_ = false;
};

// Two arrow halves that scroll a tab row which does not fit: side by side, or stacked when vertical.
class TVtTabScroller : public TVtTabButton {
public:
    explicit TVtTabScroller(TComponent* owner) : TVtTabButton(owner) {}
    QM_CLASS_INFO
    TOrientation Orientation() const { return orientation_; }
    void SetOrientation(TOrientation o);
    TNotifyEvent OnUpRightClick, OnDownLeftClick;

protected:
    void PressAt(int x, int y) override;
    bool InPressedPart(int x, int y) const override;
    void Activated() override;
    void Paint() override;

private:
    TOrientation orientation_ = orHorizontal;
    int half_ = 0;  // 1: right or top
};

// Closes the active tab, through the tab control's OnClose.
class TVtTabCloseButton : public TVtTabButton {
public:
    explicit TVtTabCloseButton(TComponent* owner) : TVtTabButton(owner) {}
    QM_CLASS_INFO
    TNotifyEvent OnClose;

protected:
    void Activated() override;
    void Paint() override;
};

using TVtTabChangingEvent = std::function<void(TObject* sender, int newIndex, bool& allowChange)>;
using TVtTabCloseEvent = std::function<void(TObject* sender, bool& allowClose)>;
using TVtGetTextColorEvent =
    std::function<void(TObject* sender, int tabIndex, TVtTextStyle style, TColor& color, bool& handled)>;
using TVtPaintBackgroundEvent = std::function<void(TObject* sender, TCanvas* c, const TRect& r, bool& handled)>;
using TVtPaintCardBackgroundEvent =
    std::function<void(TObject* sender, TCanvas* c, int row, const TRect& r, bool& handled)>;
using TVtPaintTabBackgroundEvent =
    std::function<void(TObject* sender, TCanvas* c, int tabIndex, const TRect& r, bool& handled)>;

struct TVtTabData {
    std::string Caption;
    TColor Color = clBtnFace;
    int DisabledIndex = -1;
    bool Enabled = true;
    std::string Hint;
    int ImageIndex = -1;
    TRect Rect;  // canonical strip coordinates, written by the layout
    bool Visible = true;
    int Row = 0;
};

// Regions by bounding rectangle, most recently used first; capacity -1 keeps all.
class TVtTabRegionCache {
public:
    ~TVtTabRegionCache() { Clear(); }
    HRGN Lookup(const TRect& r) const;
    // Takes ownership of rgn.
    void Add(const TRect& r, HRGN rgn);
    void Clear();
    int Capacity() const { return capacity_; }
    void SetCapacity(int n);
    int Count() const { return int(items_.size()); }

private:
    void Trim();
    std::vector<std::pair<TRect, HRGN>> items_;
    int capacity_ = 1;
};

// A group of colours of a tab control: a change repaints the owner.
class TVtTabColorSet : public TPersistent {
public:
    explicit TVtTabColorSet(TVtCustomTabControl* owner) : owner_(owner) {}

protected:
    void Store(TColor& field, TColor v);

private:
    TVtCustomTabControl* owner_;
};

class TVtTabColors : public TVtTabColorSet {
public:
    using TVtTabColorSet::TVtTabColorSet;
    QM_CLASS_INFO
    TColor HighlightBar() const { return highlightBar_; }
    void SetHighlightBar(TColor c) { Store(highlightBar_, c); }
    TColor Shadow() const { return shadow_; }
    void SetShadow(TColor c) { Store(shadow_, c); }
    TColor Unselected() const { return unselected_; }
    void SetUnselected(TColor c) { Store(unselected_, c); }
    void Assign(const TVtTabColors& o);

private:
    TColor highlightBar_ = clHighlight, shadow_ = clBtnFace, unselected_ = clWindow;
};

class TVtTextColors : public TVtTabColorSet {
public:
    using TVtTabColorSet::TVtTabColorSet;
    QM_CLASS_INFO
    TColor DisabledHighlight() const { return disabledHighlight_; }
    void SetDisabledHighlight(TColor c) { Store(disabledHighlight_, c); }
    TColor DisabledShadow() const { return disabledShadow_; }
    void SetDisabledShadow(TColor c) { Store(disabledShadow_, c); }
    TColor Selected() const { return selected_; }
    void SetSelected(TColor c) { Store(selected_, c); }
    TColor Unselected() const { return unselected_; }
    void SetUnselected(TColor c) { Store(unselected_, c); }
    void Assign(const TVtTextColors& o);

private:
    TColor disabledHighlight_ = clBtnHighlight, disabledShadow_ = clBtnShadow, selected_ = clBtnText,
           unselected_ = clBtnText;
};

class TVtCustomTabControl : public TCustomControl {
public:
    explicit TVtCustomTabControl(TComponent* owner);
    ~TVtCustomTabControl() override;
    QM_CLASS_INFO

    int TabCount() const { return int(tabs_.size()); }
    TVtTabData& Tab(int i) { return *tabs_.at(size_t(i)); }
    TVtTabData& AddTab(const std::string& caption);
    void ClearTabs();

    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int i);
    int FirstVisibleTab() const { return firstVisible_; }
    int FixedDimension() const { return fixedDim_; }
    void SetFixedDimension(int d) { fixedDim_ = d; }
    int RowCount() const { return rowCount_; }
    bool ScrollerNeeded() const { return scrollerNeeded_; }
    // Lays the tabs out now when a change asked for it (painting does this too).
    void UpdateLayout();
    int TabAtPos(int x, int y);
    // The tab's rectangle in control coordinates.
    TRect TabRect(int i) const;
    // Tab i's outline in control coordinates, the side on the card last; bounds gets their box.
    std::vector<TPoint> Polygon(int i, TRect& bounds) const;
    bool TabInView(int i) const;
    TRect StripRect() const;
    TRect CardRect(int row) const;
    TRect DisplayRect() const;
    const TVtTabRegionCache& RegionCache() const { return cache_; }
    int HotTab() const { return hot_; }
    TVtTabScroller* Scroller() const { return scroller_; }
    TVtTabCloseButton* CloseButton() const { return closeButton_; }
    bool AllowTabDragging() const { return allowDragging_; }
    void SetAllowTabDragging(bool a) { allowDragging_ = a; }
    bool DropMarkerShown() const { return markerShown_; }
    bool ShowCloseButton() const { return showCloseButton_; }
    void SetShowCloseButton(bool s);
    // Whether the right (or top) arrow moves towards the later tabs.
    bool UpRightScrollsForward() const;
    bool CanScroll(bool forward) const;
    void Scroll(bool forward);
    int RegionCacheSize() const { return cache_.Capacity(); }
    void SetRegionCacheSize(int n) { cache_.SetCapacity(n); }

#define QM_TAB_PROP(T, Name, field, effect) \
    T Name() const { return field; }        \
    void Set##Name(T v) {                   \
        if (field == v) return;             \
        field = v;                          \
        effect;                             \
    }
    QM_TAB_PROP(bool, AlignTabs, alignTabs_, if (multiLine_) Changed())
    QM_TAB_PROP(bool, BoldCurrentTab, boldCurrent_, Changed())
    QM_TAB_PROP(bool, CardVisible, cardVisible_, Changed())
    QM_TAB_PROP(bool, ShowCardFrame, showCardFrame_, Changed())
    QM_TAB_PROP(TColor, FlatColor, flatColor_, InvalidateTabs())
    QM_TAB_PROP(int, FlatColorAdjustment, flatAdjust_, InvalidateTabs())
    QM_TAB_PROP(bool, HotTrack, hotTrack_, InvalidateTabs(); if (!v && !tabHints_) ClearHotTrack())
    QM_TAB_PROP(TColor, HotTrackColor, hotTrackColor_, InvalidateTabs())
    QM_TAB_PROP(TVtHotTrackColorType, HotTrackColorType, hotTrackColorType_, InvalidateTabs())
    QM_TAB_PROP(TVtHotTrackStyle, HotTrackStyle, hotTrackStyle_, InvalidateTabs())
    QM_TAB_PROP(bool, MultiLine, multiLine_, Changed())
    QM_TAB_PROP(bool, ShowFocusRect, showFocusRect_, InvalidateTabs())
    QM_TAB_PROP(TVtTabSequence, TabSequence, sequence_, Changed())
    QM_TAB_PROP(TVtTabStyle, TabStyle, style_, Changed())
    QM_TAB_PROP(TVtTabHAlignment, TextAlignment, textAlign_, Changed())
    QM_TAB_PROP(TVtImagePosition, ImagePosition, imagePos_, Changed())
    QM_TAB_PROP(TVtTabHAlignment, ImageAlignment, imageAlign_, Changed())
    QM_TAB_PROP(TVtTabVAlignment, ImageAlignmentVertical, imageAlignV_, Changed())
    QM_TAB_PROP(TVtTabVAlignment, TextAlignmentVertical, textAlignV_, Changed())
    QM_TAB_PROP(bool, Transparent, transparent_, InvalidateTabs())
    QM_TAB_PROP(bool, UseGradients, useGradients_, InvalidateTabs())
#undef QM_TAB_PROP
    TVtTabColors* TabColors() const { return tabColors_.get(); }
    void SetTabColors(const TVtTabColors& c) { tabColors_->Assign(c); }
    TVtTextColors* TextColors() const { return textColors_.get(); }
    void SetTextColors(const TVtTextColors& c) { textColors_->Assign(c); }
    bool UseColoredTabs() const { return useColoredTabs_; }
    virtual void SetUseColoredTabs(bool u);
    TVtTabOrientation TabOrientation() const { return orientation_; }
    void SetTabOrientation(TVtTabOrientation o);
    TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(TColor c);
    bool ParentBackgroundColor() const { return parentBackground_; }
    void SetParentBackgroundColor(bool p);
    bool ShowFullFrame() const { return showFullFrame_; }
    void SetShowFullFrame(bool s);
    bool ShowShadow() const { return showShadow_; }
    void SetShowShadow(bool s);
    // Negative values are ignored.
    int CutCornerSize() const { return cutCorner_; }
    void SetCutCornerSize(int v);
    TOrientation TextOrientation() const { return textOrientation_; }
    // Rotated captions need a TrueType face: another face becomes Verdana.
    void SetTextOrientation(TOrientation o);
    int ImageMargin() const { return imageMargin_; }
    void SetImageMargin(int v);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* l);
    int Margin() const { return margin_; }
    void SetMargin(int v);
    int RowIndent() const { return rowIndent_; }
    void SetRowIndent(int v);
    int RowOverlap() const { return rowOverlap_; }
    void SetRowOverlap(int v);
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int v);
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int v);

    TNotifyEvent OnChange, OnTabClick;
    TVtTabChangingEvent OnChanging;
    TVtTabCloseEvent OnClose;
    TVtGetTextColorEvent OnGetTextColor;
    TVtPaintBackgroundEvent OnPaintBackground;
    TVtPaintCardBackgroundEvent OnPaintCardBackground;
    TVtPaintTabBackgroundEvent OnPaintTabBackground;
    bool TabHints() const { return tabHints_; }
    void SetTabHints(bool h);

    void Loaded() override;
    void Dispatch(TMessage& m) override;
    void Notification(TComponent* c, TOperation op) override;
    // Marks the layout dirty and repaints.
    void Changed() override;
    void InvalidateTabs() { Invalidate(); }

protected:
    virtual void DoChanging(int newIndex, bool& allow);
    virtual void DoTabClick();
    virtual void Change();
    virtual void CloseActiveTab() {}
    virtual void MoveActiveTab(int) {}
    virtual void DoPaintCardBackground(TCanvas* c, int row, bool& handled, const TRect& r);
    virtual void DoPaintBackground(TCanvas* c, const TRect& r, bool& handled);
    virtual void DoPaintTabBackground(TCanvas* c, int tabIndex, const TRect& r, bool& handled);
    virtual void DoGetTextColor(int tabIndex, TVtTextStyle style, TColor& color, bool& handled);
    void Paint() override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseMove(TShiftState s, int x, int y) override;
    void DragOver(TObject* source, int x, int y, TDragState state, bool& accept) override;
    void DragDrop(TObject* source, int x, int y) override;
    // Inverts the marker's pixels on the control's surface: drawn twice it is gone.
    virtual void DrawDropMarker(const TRect& r);
    void KeyDown(WORD& key, TShiftState shift) override;
    void AdjustClientRect(TRect& r) override;
    void BoundsChanged(bool moved, bool sized) override;
    bool IsSelectable(int i);
    // Selection by the control itself: no second changing event.
    void SelectInternally(int i);
    bool internalChange_ = false;
    int tabIndex_ = -1;
    std::vector<std::unique_ptr<TVtTabData>> tabs_;

private:
    void PlaceScroller();
    void PlaceCloseButton();
    // Where a w x h button of the strip goes, m along from the row's end.
    TPoint StripButtonOrigin(int w, int h, int m) const;
    // The close button's side, 0 without it.
    int CloseSize();
    void ClearHotTrack();
    TPoint Map(int x, int y) const;
    TRect MapRect(const TRect& r) const;
    int Offset() const;
    int Overlap(int n) const;
    int StripDepth() const;
    int StripLength() const;
    int ButtonSize();
    TSize ContentSize(int i);
    TSize OuterSize(TSize content) const;
    void CountRows(const std::vector<int>& lengths, int a);
    void Place();
    void RotateRows();
    void AdvanceFirstVisible();
    HRGN RegionOf(int i);
    void DrawTab(TCanvas* c, int i);
    void DrawCard(TCanvas* c, int row);
    void DrawCaption(TCanvas* c, int i, TRect r);
    void RunPen(TCanvas* c, const std::vector<int>& cmds);
    TColor FrameColor() const { return AdjustColor(flatColor_, flatAdjust_); }

    TBitmap back_;
    TVtTabScroller* scroller_ = nullptr;
    TVtTabCloseButton* closeButton_ = nullptr;
    std::string savedHint_;
    bool tabHints_ = false;
    bool showCloseButton_ = false, allowDragging_ = false, markerShown_ = false;
    TRect marker_;
    int dragTarget_ = -1;
    void EraseDropMarker();
    int hot_ = -1;
    bool timerRunning_ = false;
    TVtTabRegionCache cache_;
    int firstVisible_ = 0, fixedDim_ = 0, rowCount_ = 1;
    bool scrollerNeeded_ = false, needsLayout_ = true;
    TRect display_;
    bool alignTabs_ = false, boldCurrent_ = false, cardVisible_ = true, showCardFrame_ = true, showFullFrame_ = true,
         showShadow_ = true, useColoredTabs_ = false, hotTrack_ = true, multiLine_ = false, showFocusRect_ = true,
         transparent_ = false, useGradients_ = true, parentBackground_ = true;
    TColor backgroundColor_ = clBtnFace, flatColor_ = clBtnShadow, hotTrackColor_ = clHighlight;
    std::unique_ptr<TVtTabColors> tabColors_ = std::make_unique<TVtTabColors>(this);
    std::unique_ptr<TVtTextColors> textColors_ = std::make_unique<TVtTextColors>(this);
    int flatAdjust_ = 0, cutCorner_ = 6, margin_ = 0, rowIndent_ = 5, rowOverlap_ = 5, tabHeight_ = 0,
        tabWidth_ = 0;
    TVtHotTrackColorType hotTrackColorType_ = htctComplement;
    TVtHotTrackStyle hotTrackStyle_ = htsTab;
    TVtTabOrientation orientation_ = toTop;
    TVtTabSequence sequence_ = tsStandard;
    TVtTabStyle style_ = tsSingleSlant;
    TVtTabHAlignment textAlign_ = haCenter, imageAlign_ = haCenter;
    TVtTabVAlignment imageAlignV_ = vaCenter;
    TVtImagePosition imagePos_ = ipLeft;
    int imageMargin_ = 2;
    TOrientation textOrientation_ = orHorizontal;
    bool VerticalText() const { return textOrientation_ == orVertical; }
    TCustomImageList* images_ = nullptr;
    TSize ImageSize(int i) const;
    void DrawImage(TCanvas* c, int i, TRect& r);
    TVtTabVAlignment textAlignV_ = vaCenter;
};

class TVtPageControl;

class TVtTabSheet : public TCustomControl {
public:
    explicit TVtTabSheet(TComponent* owner);
    ~TVtTabSheet() override;
    QM_CLASS_INFO
    TVtPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TVtPageControl* p);
    int PageIndex() const;
    // Raises outside 0 .. page count - 1.
    void SetPageIndex(int i);
    // -1 for a hidden tab, else the visible tabs before this page.
    int TabIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool v);
    bool TabEnabled() const { return tabEnabled_; }
    void SetTabEnabled(bool e);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    int DisabledIndex() const { return disabledIndex_; }
    void SetDisabledIndex(int i);
    TVtPaintBackgroundEvent OnPaintBackground;
    void Dispatch(TMessage& m) override;
    // The page control alone decides which page shows: writing this always raises.
    [[noreturn]] void SetVisible(bool v);

protected:
    void Paint() override;

private:
    friend class TVtPageControl;
    void SetShown(bool v) { TControl::SetVisible(v); }
    void Rebuild();
    TVtPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true, tabEnabled_ = true;
    int imageIndex_ = -1, disabledIndex_ = -1;
};

class TVtPageControl : public TVtCustomTabControl {
public:
    explicit TVtPageControl(TComponent* owner);
    ~TVtPageControl() override;
    QM_CLASS_INFO
    int PageCount() const { return int(pages_.size()); }
    TVtTabSheet* Pages(int i) const { return pages_.at(size_t(i)); }
    TVtTabSheet* ActivePage() const { return active_; }
    void SetActivePage(TVtTabSheet* p);
    int GetActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }
    int ActivePageIndex() const { return GetActivePageIndex(); }
    void SetActivePageIndex(int i);
    TVtTabSheet* ActivePageDefault() const { return activeDefault_; }
    void SetActivePageDefault(TVtTabSheet* p);
    bool SaveResources() const { return saveResources_; }
    void SetSaveResources(bool s) { saveResources_ = s; }
    TVtTabSheet* FindNextPage(TVtTabSheet* current, bool forward, bool checkTabVisible) const;
    void SelectNextPage(bool forward);
    TVtTabSheet* PageForTab(int tabIndex) const;
    void HideAllPageTabs();
    void ShowAllPageTabs();
    void Changed() override;
    void Loaded() override;
    void Dispatch(TMessage& m) override;
    void SetUseColoredTabs(bool u) override;

protected:
    void DoChanging(int newIndex, bool& allow) override;
    void Change() override;
    void CloseActiveTab() override;
    void MoveActiveTab(int i) override;
    void DoPaintCardBackground(TCanvas* c, int row, bool& handled, const TRect& r) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void Notification(TComponent* c, TOperation op) override;

private:
    friend class TVtTabSheet;
    friend void RegisterTabClasses();
    void InsertPage(TVtTabSheet* p);
    void RemovePage(TVtTabSheet* p);
    void MovePage(TVtTabSheet* p, int to);
    void ShowPage(TVtTabSheet* p);
    void ColorsChanged();
    std::vector<TVtTabSheet*> pages_;
    TVtTabSheet *active_ = nullptr, *activeDefault_ = nullptr;
    bool saveResources_ = false, loadingPages_ = false;
};

// Registers the classes above and the page control's streaming of its sheets.
void RegisterTabClasses();
