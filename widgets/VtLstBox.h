// The library's list box: group bands, colours that follow focus, incremental search; and the tabbed list
// box whose columns line up at tab stops.
#pragma once

#include <memory>

#include "platform/ui/StdCtrls.h"
#include "widgets/VtCommon.h"
#include "widgets/VtIntLst.h"

class TVtCustomListBox : public TCustomListBox, public TVtFrameSettings {
public:
    explicit TVtCustomListBox(TComponent* owner);
    ~TVtCustomListBox() override;
    QM_CLASS_INFO

    // Index in range and the text begins with the group prefix.
    virtual bool ItemIsGroup(int i) const;
    // The nearest group item at or above i, -1 when none.
    int FindGroup(int i) const;
    bool HasGroup(int i) const { return FindGroup(i) != -1; }
    // The first item whose text begins with text, ignoring case; -1 when none.
    int FindItem(const std::string& text) const;
    void SelectAll();

    std::string GroupPrefix() const { return groupPrefix_; }
    void SetGroupPrefix(const std::string& p);
    TColor GroupColor() const { return groupColor_; }
    void SetGroupColor(TColor c);
    // Its changes repaint the list.
    TFont* GroupFont() const { return groupFont_.get(); }
    void SetGroupFont(const TFont& f) { groupFont_->Assign(f); }
    bool ShowGroups() const { return showGroups_; }
    void SetShowGroups(bool s);
    bool UseGradients() const { return useGradients_; }
    void SetUseGradients(bool u);
    TColor FocusColor() const { return focusColor_; }
    void SetFocusColor(TColor c);
    TColor DisabledColor() const { return disabledColor_; }
    void SetDisabledColor(TColor c);
    // The colour when neither focused nor disabled.
    TColor NormalColor() const { return normalColor_; }
    void SetNormalColor(TColor c);
    bool IncrementalSearch() const { return incrementalSearch_; }
    void SetIncrementalSearch(bool i) { incrementalSearch_ = i; }
    bool BeepOnInvalidKey() const { return beepOnInvalidKey_; }
    void SetBeepOnInvalidKey(bool b) { beepOnInvalidKey_ = b; }
    const std::string& SearchText() const { return searchText_; }
    static constexpr UINT SearchResetMs = 1500;
    TVtFrameController* FrameController() const { return frameController_; }
    void SetFrameController(TVtFrameController* c);
    bool TabOnEnter() const { return tabOnEnter_; }
    void SetTabOnEnter(bool t) { tabOnEnter_ = t; }
    bool MouseOver() const { return mouseOver_; }
    bool UseThemes() const;
    uint16_t HorzExtent() const { return horzExtent_; }
    void SetHorzExtent(uint16_t e);
    bool HorzScrollBar() const { return horzScrollBar_; }
    void SetHorzScrollBar(bool h);
    // HorzExtent := the widest item text, with an "x" after it, in the control's font.
    void UpdateHorzExtent();
    // A hint over an item too wide for the box, while the pointer is on it.
    bool ShowItemHints() const { return showItemHints_; }
    void SetShowItemHints(bool s);
    // nullptr until the first hint.
    THintWindow* ItemHintWindow() const { return hint_.get(); }
    // Redraws the window with its frame at once.
    void RepaintFrame();

    TNotifyEvent OnMatch, OnMouseEnter, OnMouseLeave;
    // An item with data leaves the list; receives the data.
    std::function<void(TObject* sender, TObject* data)> OnDeleteItems;
    void Dispatch(TMessage& m) override;
    void Loaded() override;

protected:
    void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
    virtual void DrawGroupItem(int index, TRect rect, TOwnerDrawState state);
    bool ItemHasIndent(int index) const override { return !(showGroups_ && ItemIsGroup(index)); }
    // A normal item's text; the tabbed list places its fields at the stops.
    virtual void DrawItemText(int index, TRect rect);
    void KeyPress(char& key) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseMove(TShiftState s, int x, int y) override;
    void DoEnter() override;
    void DoExit() override;
    virtual void Beep();
    void UpdateColors();
    // Width of item i's text as the list lays it out, on c with the control's font.
    virtual int ItemTextWidth(TCanvas* c, int i) const;
    void CreateParams(TCreateParams& p) override;
    void CreateWnd() override;
    void ItemsChanged(int index, int delta) override;
    void ItemsDeleted(const std::vector<bool>& gone) override;
    void ItemsUpdated() override;
    void Notification(TComponent* c, TOperation op) override;
    // After GroupPrefix changes, before the repaint: what is a group item may have changed.
    virtual void GroupPrefixChanged() {}
    void FrameChanged() override { RepaintFrame(); }
    void FrameVisibleChanged() override;
    bool FrameLoading() const override { return IsLoading(); }

private:
    void FollowFont();
    void Search(const std::string& candidate);
    void StopSearchTimer();
    void PaintFrame();
    void UpdateItemHint(int x, int y);
    void HideItemHint();
    TVtFrameController* frameController_ = nullptr;
    std::unique_ptr<THintWindow> hint_;
    uint16_t horzExtent_ = 0;
    bool horzScrollBar_ = false, showItemHints_ = true;
    std::string groupPrefix_ = "//", searchText_;
    TColor groupColor_ = clInactiveCaptionText, focusColor_ = clWindow, disabledColor_ = clBtnFace,
           normalColor_ = clWindow;
    std::unique_ptr<TFont> groupFont_ = std::make_unique<TFont>();
    bool groupFontChanged_ = false;
    bool showGroups_ = true, useGradients_ = true, incrementalSearch_ = true, beepOnInvalidKey_ = true,
         searchTimer_ = false, updatingColor_ = false, tabOnEnter_ = false, mouseOver_ = false;
};

class TVtCustomTabbedListBox;

// Tab stops in average character widths; every change realigns the owner's columns.
class TVtTabStopList : public TVtIntegerList {
public:
    explicit TVtTabStopList(TVtCustomTabbedListBox* owner) : owner_(owner) {}
    void Put(int index, int32_t value) override;
    int Add(int32_t value) override;
    void Insert(int index, int32_t value) override;
    void Delete(int index) override;
    void Clear() override;

private:
    void Changed();
    TVtCustomTabbedListBox* owner_;
};

enum TVtTabStopsMode : uint8_t { tsmManual, tsmAutomatic };

class TVtCustomTabbedListBox : public TVtCustomListBox {
public:
    explicit TVtCustomTabbedListBox(TComponent* owner);
    QM_CLASS_INFO
    TVtTabStopList* TabStops() { return &tabStops_; }
    TVtTabStopsMode TabStopsMode() const { return mode_; }
    void SetTabStopsMode(TVtTabStopsMode m);
    // The stops in dialog units (four per average character width), at most MaxTabStops.
    std::vector<int> GetTabStops() const;
    static constexpr int MaxTabStops = 1000;
    // A stop's pixel offset: 64-bit arithmetic, clamped to the 32-bit range.
    int StopPixels(int dialogUnits) const;
    int AverageCharWidth() const { return avgCharWidth_; }
    void ComputeTabStops();
    void UpdateTabStops();
    // Field c (tab-separated) of item i; raise for an item out of range or a negative column.
    std::string Column(int i, int c) const;
    void SetColumn(int i, int c, const std::string& text);
    void Dispatch(TMessage& m) override;
    void Loaded() override;

protected:
    void DrawItemText(int index, TRect rect) override;
    int ItemTextWidth(TCanvas* c, int i) const override;
    void ItemsChanged(int index, int delta) override;
    void ItemsDeleted(const std::vector<bool>& gone) override;
    void ItemsUpdated() override;

private:
    void MeasureFont();
    // The left edge of each field drawn from x = left, the last entry the end of the text.
    std::vector<int> FieldEdges(TCanvas* c, const std::vector<std::string>& fields, int left) const;
    TVtTabStopList tabStops_{this};
    TVtTabStopsMode mode_ = tsmManual;
    int avgCharWidth_ = 6;
};

class TVtListBox : public TVtCustomTabbedListBox {
public:
    explicit TVtListBox(TComponent* owner) : TVtCustomTabbedListBox(owner) {}
    QM_CLASS_INFO
};

void RegisterListBoxClasses();
