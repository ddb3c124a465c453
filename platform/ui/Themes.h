// The visual-style service: whether themes are in use, and the drawing of the theme parts the controls use.
// Themes are off by default, so the classic drawing runs; SetThemesEnabled turns the themed branches on,
// drawn through the backend's style.
#pragma once

#include "platform/ui/Graphics.h"

enum TThemedPart : uint8_t {
    tpPushButton, tpCheckBox, tpRadioButton, tpComboDropDown, tpScrollArrowUp, tpScrollArrowDown,
    tpScrollArrowLeft, tpScrollArrowRight, tpProgressBar, tpProgressBarVert, tpProgressChunk,
    tpProgressChunkVert, tpCloseButton, tpStatusPane, tpStatusBar, tpTab, tpTabPane, tpToolButton,
    // The halves of a spin control: up and down, and the horizontal pair (right and left).
    tpSpinUp, tpSpinDown, tpSpinRight, tpSpinLeft
};
enum TThemedState : uint8_t { tsNormal, tsHot, tsPressed, tsDisabled, tsDefaulted };
// Check boxes and radio buttons also carry their check state.
enum TThemedCheck : uint8_t { tcUnchecked, tcChecked, tcMixed };

struct TThemedElementDetails {
    TThemedPart part = tpPushButton;
    TThemedState state = tsNormal;
    TThemedCheck check = tcUnchecked;
};

class TThemeServices {
public:
    bool ThemesEnabled() const { return enabled_; }
    bool ThemesAvailable() const { return true; }
    void SetThemesEnabled(bool e) { enabled_ = e; }
    TThemedElementDetails GetElementDetails(TThemedPart part, TThemedState state = tsNormal,
                                            TThemedCheck check = tcUnchecked) const {
        return TThemedElementDetails{part, state, check};
    }
    void DrawElement(HDC dc, const TThemedElementDetails& d, const TRect& r) const;
    // The rectangle inside a part's border where its content goes.
    TRect ContentRect(const TThemedElementDetails& d, const TRect& r) const;

private:
    bool enabled_ = false;
};

TThemeServices* ThemeServices();
