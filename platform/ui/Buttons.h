// The speed button: a windowless button that can stay down, alone or as one of a group of its parent.
#pragma once

#include "platform/ui/Controls.h"

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    QM_CLASS_INFO
    bool Down() const { return down_; }
    // Pressing one of a group (same parent, same non-zero GroupIndex) releases the others.
    void SetDown(bool d);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int g);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool a) { allowAllUp_ = a; }
    bool Flat() const { return flat_; }
    void SetFlat(bool f);
    void Click() override;
    void Dispatch(TMessage& m) override;

protected:
    void Paint() override;
    // What stands on the face: the caption, centred; `face` is already shifted when the button is sunk.
    virtual void PaintContent(TCanvas* canvas, const TRect& face);
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;

private:
    bool down_ = false, allowAllUp_ = false, flat_ = false, pressed_ = false, hot_ = false;
    int groupIndex_ = 0;
};
