// Panels with bevels and the page control with its tab sheets (a strip of tabs over the active page).
#pragma once

#include <vector>

#include "platform/ui/Controls.h"

enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);
    QM_CLASS_INFO
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut b);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut b);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    void Dispatch(TMessage& m) override;

protected:
    void AdjustClientRect(TRect& r) override;
    void Paint() override;

private:
    TBevelCut bevelOuter_ = bvRaised, bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
    QM_CLASS_INFO
};

class TPageControl;

class TTabSheet : public TCustomControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    QM_CLASS_INFO
    TPageControl* PageControl() const { return pageControl_; }
    // Appends the sheet to the control's pages (removing it from its former control).
    void SetPageControl(TPageControl* p);
    int PageIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool v);
    void Dispatch(TMessage& m) override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
};

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

class TPageControl : public TCustomControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    QM_CLASS_INFO
    int PageCount() const { return int(pages_.size()); }
    TTabSheet* Pages(int i) const { return pages_.at(size_t(i)); }
    TTabSheet* ActivePage() const { return active_; }
    // Shows the sheet and hides the others; no events (the user's switch fires them).
    void SetActivePage(TTabSheet* p);
    // The index of the active page in the page list, -1 when none is active.
    int GetActivePageIndex() const;
    int ActivePageIndex() const { return GetActivePageIndex(); }
    void SetActivePageIndex(int i);
    // The index among the visible tabs.
    int TabIndex() const;
    void SetTabIndex(int i);
    int TabHeight() const { return 20; }
    // The tab under a client point (index of the page), -1 when none.
    int IndexOfTabAt(int x, int y) const;
    TRect TabRect(int pageIndex) const;
    // The area the sheets fill.
    TRect DisplayRect() const;
    // What a click on a tab does: OnChanging may refuse; after a switch OnChange fires.
    void SelectPage(int index);

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;
    void Dispatch(TMessage& m) override;
    void Loaded() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void AlignControls(TControl* c, TRect& r) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* p);
    void RemovePage(TTabSheet* p);
    void LayoutSheets();
    std::vector<TTabSheet*> pages_;
    TTabSheet* active_ = nullptr;
};
