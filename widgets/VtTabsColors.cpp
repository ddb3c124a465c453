#include "widgets/VtTabs.h"

void TVtTabColorSet::Store(TColor& field, TColor v) {
    if (field == v) return;
    field = v;
    owner_->InvalidateTabs();
}

void TVtTabColors::Assign(const TVtTabColors& o) {
    SetHighlightBar(o.highlightBar_);
    SetShadow(o.shadow_);
    SetUnselected(o.unselected_);
}

void TVtTextColors::Assign(const TVtTextColors& o) {
    SetDisabledHighlight(o.disabledHighlight_);
    SetDisabledShadow(o.disabledShadow_);
    SetSelected(o.selected_);
    SetUnselected(o.unselected_);
}

const TClassInfo& TVtTabColors::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtTabColors;
        TClassInfo c{"TVtTabColors", &TPersistent::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<C, TColor>("HighlightBar", &C::HighlightBar, &C::SetHighlightBar, clHighlight),
                   OrdProp<C, TColor>("Shadow", &C::Shadow, &C::SetShadow, clBtnFace),
                   OrdProp<C, TColor>("Unselected", &C::Unselected, &C::SetUnselected, clWindow)};
        return c;
    }();
    return ci;
}

const TClassInfo& TVtTextColors::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtTextColors;
        TClassInfo c{"TVtTextColors", &TPersistent::StaticClass(), {}, {}, {}};
        c.props = {
            OrdProp<C, TColor>("DisabledHighlight", &C::DisabledHighlight, &C::SetDisabledHighlight, clBtnHighlight),
            OrdProp<C, TColor>("DisabledShadow", &C::DisabledShadow, &C::SetDisabledShadow, clBtnShadow),
            OrdProp<C, TColor>("Selected", &C::Selected, &C::SetSelected, clBtnText),
            OrdProp<C, TColor>("Unselected", &C::Unselected, &C::SetUnselected, clBtnText)};
        return c;
    }();
    return ci;
}
