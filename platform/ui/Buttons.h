// The speed button: a windowless button that can stay down, alone or as one of a group of its parent, with a
// glyph of up to four state cells beside its caption.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"

enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
extern const TEnumInfo ButtonLayoutIdents;
using TNumGlyphs = int;  // 1..4

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;
    QM_CLASS_INFO
    bool Down() const { return down_; }
    // Pressing one of a group (same parent, same non-zero GroupIndex) releases the others through the
    // button-pressed notification (CM_BUTTONPRESSED: WParam the group, LParam the sender).
    void SetDown(bool d);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int g);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool a) { allowAllUp_ = a; }
    bool Flat() const { return flat_; }
    void SetFlat(bool f);
    // Copied (nullptr or an empty bitmap clears it). A strip whose width is 2 to 4 times its height gives
    // NumGlyphs. Cells: up, disabled, pressed, down; a missing cell falls back to the first.
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(const TBitmap* b);
    TNumGlyphs NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(TNumGlyphs n);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l);
    // -1 centres the glyph and caption together.
    int Margin() const { return margin_; }
    void SetMargin(int m);
    // -1 spreads the free room evenly.
    int Spacing() const { return spacing_; }
    void SetSpacing(int s);
    // Where the glyph and the caption stand on an unsunk face.
    void ContentRects(TRect& glyph, TRect& caption);
    void Click() override;
    void Dispatch(TMessage& m) override;

protected:
    void Paint() override;
    // What stands on the face: the glyph and the caption; `face` is already shifted when the button is sunk.
    virtual void PaintContent(TCanvas* canvas, const TRect& face);
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
    bool Pressed() const { return pressed_; }

private:
    void LayoutIn(TCanvas* c, const TRect& face, TRect& glyph, TRect& caption);
    bool down_ = false, allowAllUp_ = false, flat_ = false, pressed_ = false, hot_ = false;
    int groupIndex_ = 0, margin_ = -1, spacing_ = 4;
    TNumGlyphs numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    std::unique_ptr<TBitmap> glyph_;
};
