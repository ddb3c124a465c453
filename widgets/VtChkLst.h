// The check list: a tabbed list box whose items each carry a check state and an enabled flag, drawn as a
// check-box glyph left of the text.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "widgets/VtLstBox.h"

class TBitmap;

using TStateChangingEvent =
    std::function<void(TObject* sender, int index, TCheckBoxState newState, bool& allowChange)>;
using TStateChangeEvent = std::function<void(TObject* sender, int index, TCheckBoxState newState)>;

// One item of the text form.
struct TCheckListItem {
    std::string text;
    TCheckBoxState state = cbUnchecked;
    bool enabled = true;
    bool operator==(const TCheckListItem&) const = default;
};

// Lines "&E S text" (E "0"/"1", S "0".."2"), CR LF ended. A line of any other shape is a plain item: enabled,
// unchecked, the whole line its text.
std::vector<TCheckListItem> ParseCheckListText(const std::string& text);
std::string CheckListText(const std::vector<TCheckListItem>& items);

class TVtCheckList : public TVtCustomTabbedListBox {
public:
    explicit TVtCheckList(TComponent* owner);
    ~TVtCheckList() override;
    QM_CLASS_INFO

    bool ItemChecked(int i) const { return ItemState(i) == cbChecked; }
    void SetItemChecked(int i, bool c) { SetItemState(i, c ? cbChecked : cbUnchecked); }
    // Raise ERangeError for an index out of range. Setting repaints the glyph only and fires no event.
    TCheckBoxState ItemState(int i) const;
    void SetItemState(int i, TCheckBoxState s);
    bool ItemEnabled(int i) const;
    void SetItemEnabled(int i, bool e);
    // Group items included; one repaint.
    void CheckAll() { SetAllStates(cbChecked); }
    void UncheckAll() { SetAllStates(cbUnchecked); }
    // Checked items, group items not counted.
    int ItemsChecked() const;
    // The current item moves on: unchecked, (grayed,) checked, unchecked; OnChanging may refuse.
    void ToggleCheckState();

    // Strings operations that keep each item's record with it.
    void MoveItem(int from, int to);
    void ExchangeItems(int a, int b);
    std::vector<TCheckListItem> GetItems() const;
    void SetItems(const std::vector<TCheckListItem>& items);
    std::string SaveItemsToText() const { return CheckListText(GetItems()); }
    void LoadItemsFromText(const std::string& text) { SetItems(ParseCheckListText(text)); }

    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool a) { allowGrayed_ = a; }
    bool ToggleOnItemClick() const { return toggleOnItemClick_; }
    void SetToggleOnItemClick(bool t) { toggleOnItemClick_ = t; }
    TColor HighlightColor() const { return highlightColor_; }
    void SetHighlightColor(TColor c);
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor c);
    TColor FrameColor() const { return frameColor_; }
    void SetFrameColor(TColor c);
    // A strip of six cells: unchecked, checked, grayed, then the same disabled. Copied; a non-empty strip
    // turns UseCustomGlyphs on, an empty one off.
    TBitmap* CustomGlyphs() const { return customGlyphs_.get(); }
    void SetCustomGlyphs(const TBitmap* b);
    bool UseCustomGlyphs() const { return useCustomGlyphs_; }
    void SetUseCustomGlyphs(bool u);
    int GlyphWidth() const { return glyphWidth_; }
    int GlyphHeight() const { return glyphHeight_; }
    static constexpr int GlyphCells = 6;

    TStateChangingEvent OnChanging;
    TStateChangeEvent OnChange;
    void Dispatch(TMessage& m) override;

protected:
    void ItemsChanged(int index, int delta) override;
    void ItemsDeleted(const std::vector<bool>& gone) override;
    void GroupPrefixChanged() override;
    int GetItemIndent() const override { return glyphWidth_ + 8; }
    void DrawIndent(int index, TRect rect, TOwnerDrawState state) override;
    void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // The glyph for a state into b (glyph-sized), on TransparentColor where the source has no pixel.
    void PaintGlyph(TBitmap* b, TCheckBoxState state, bool enabled) const;

private:
    struct Packet {
        TCheckBoxState state = cbUnchecked;
        bool enabled = true;
        bool group = false;  // ItemIsGroup, kept with the text so that counting never reads the strings
    };
    const Packet& At(int i) const;
    // The part of item i's row on the glyph's side (right in right-to-left reading), width pixels wide.
    TRect GlyphSide(int i, int width) const;
    void SetAllStates(TCheckBoxState s);
    // The glyph for a state on the control colour. The keyed picture is kept per cell with the colours it was
    // drawn in, so a paint does not rebuild it for every row.
    TBitmap* Glyph(TCheckBoxState s, bool enabled);
    // Face, frame and check colours of the keyed picture.
    std::array<TColor, 3> KeyedGlyphColors(bool enabled) const;
    struct GlyphCell {
        std::unique_ptr<TBitmap> bitmap;
        std::array<TColor, 5> colors{};  // face, frame, check, transparent, ground
    };
    std::array<GlyphCell, GlyphCells> glyphCache_;
    std::unique_ptr<TBitmap> glyphScratch_;
    void UpdateItemHeight();
    std::vector<Packet> packets_;
    std::unique_ptr<TBitmap> customGlyphs_;
    bool allowGrayed_ = false, toggleOnItemClick_ = false, useCustomGlyphs_ = false, pending_ = false,
         reordering_ = false;
    int pendingIndex_ = -1, glyphWidth_ = 13, glyphHeight_ = 13;
    TColor highlightColor_ = clHighlight, transparentColor_ = clOlive, frameColor_ = clBtnShadow;
    // Kept from the window's destruction to its re-creation.
    int savedTop_ = -1, savedIndex_ = -1;
};

// The check list's class and its form readers ("ItemState", "ItemEnabled").
void RegisterCheckListClasses();
