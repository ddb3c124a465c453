// Simple controls under the widget library's class names, built from the standard controls. Each offers what
// the windows call on it and the properties their form resources set, so the windows can be built before the
// library; the library's own classes later take over the same names.
#pragma once

#include <vector>

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

// A list whose items carry a check state and an enabled flag; items whose text begins with "//" are group
// items, which ItemsChecked does not count.
class TVtCheckList : public TCustomListBox {
public:
    explicit TVtCheckList(TComponent* owner);
    QM_CLASS_INFO
    bool ItemChecked(int i) const { return ItemState(i) == cbChecked; }
    void SetItemChecked(int i, bool c) { SetItemState(i, c ? cbChecked : cbUnchecked); }
    TCheckBoxState ItemState(int i) const;
    void SetItemState(int i, TCheckBoxState s);
    bool ItemEnabled(int i) const;
    void SetItemEnabled(int i, bool e);
    bool ItemIsGroup(int i) const;
    void CheckAll();
    void UncheckAll();
    int ItemsChecked() const;
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool a) { allowGrayed_ = a; }
    bool ToggleOnItemClick() const { return toggleOnItemClick_; }
    void SetToggleOnItemClick(bool t) { toggleOnItemClick_ = t; }
    std::string GroupPrefix() const { return groupPrefix_; }
    void SetGroupPrefix(const std::string& p);
    // The current item's state moves on: unchecked, (grayed,) checked, unchecked.
    void ToggleCheckState();
    static constexpr int GlyphSize = 13;

protected:
    void ItemsChanged(int index, int delta) override;
    int GetItemIndent() const override { return GlyphSize + 8; }
    void DrawIndent(int index, TRect rect, TOwnerDrawState state) override;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void KeyPress(char& key) override;

private:
    friend void RegisterFormClasses();
    struct Packet {
        TCheckBoxState state = cbUnchecked;
        bool enabled = true;
    };
    std::vector<Packet> packets_;
    bool allowGrayed_ = false, toggleOnItemClick_ = false, pending_ = false;
    int pendingIndex_ = -1;
    std::string groupPrefix_ = "//";
};

// Registers every class a form resource may name (standard controls, menus, dialogs and the stand-ins),
// with their streamed properties ("Items.Strings", the check states) and nesting; once.
void RegisterFormClasses();
