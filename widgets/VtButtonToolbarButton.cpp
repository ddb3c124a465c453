#include "widgets/VtButton.h"

#include "platform/ui/ActnList.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "widgets/VtButtonInternal.h"
#include "widgets/VtCommon.h"
#include "widgets/VtGrafx.h"

// ---------------------------------------------------------------- TVtToolbarButton

const TClassInfo& TVtToolbarButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtToolbarButton;
        TClassInfo c{"TVtToolbarButton", &TSpeedButton::StaticClass(), Creator<C>(), {}, {}};
        c.props = {OrdProp<C, int>("HotNumGlyphs", &C::HotNumGlyphs, &C::SetHotNumGlyphs, 1),
                   BoolProp<C>("UseHotGlyph", &C::UseHotGlyph, &C::SetUseHotGlyph, 0),
                   BoolProp<C>("IgnoreActionCaption", &C::IgnoreActionCaption, &C::SetIgnoreActionCaption, 0),
                   BoolProp<C>("ShowCaption", &C::ShowCaption, &C::SetShowCaption, 1),
                   BoolProp<C>("Flat", &C::Flat, &C::SetFlat, 1),
                   EventProp("OnMouseEnter", &C::OnMouseEnter),
                   EventProp("OnMouseLeave", &C::OnMouseLeave)};
        return c;
    }();
    return ci;
}

TVtToolbarButton::TVtToolbarButton(TComponent* owner) : TSpeedButton(owner) { SetFlat(true); }

TVtToolbarButton::~TVtToolbarButton() = default;

void TVtToolbarButton::SetHotGlyph(const TBitmap* b) {
    bool given = b && !b->Empty();
    if (given) {
        if (!hotGlyph_) hotGlyph_ = std::make_unique<TBitmap>();
        hotGlyph_->Assign(*b);
        int w = hotGlyph_->Width(), h = hotGlyph_->Height();
        if (w % h == 0) hotNumGlyphs_ = w / h > 4 ? 1 : w / h;
    } else {
        hotGlyph_.reset();
    }
    useHotGlyph_ = given;
    if (hotShown_) ShowHot();
}

void TVtToolbarButton::SetHotNumGlyphs(TNumGlyphs n) {
    hotNumGlyphs_ = std::clamp(n, 1, 4);
    if (hotShown_) SetNumGlyphs(hotNumGlyphs_);
}

void TVtToolbarButton::ShowHot() {
    // The normal glyph is saved once, so a hot glyph already up is never taken for it.
    if (savedNumGlyphs_ == 0) {
        savedGlyph_.reset();
        if (Glyph()) {
            savedGlyph_ = std::make_unique<TBitmap>();
            savedGlyph_->Assign(*Glyph());
        }
        savedNumGlyphs_ = NumGlyphs();
    }
    SetGlyph(hotGlyph_.get());
    SetNumGlyphs(hotNumGlyphs_);
    hotShown_ = true;
}

void TVtToolbarButton::RestoreNormal() {
    if (savedNumGlyphs_ != 0) {
        SetGlyph(savedGlyph_.get());
        SetNumGlyphs(savedNumGlyphs_);
        savedGlyph_.reset();
        savedNumGlyphs_ = 0;
    }
    hotShown_ = false;
}

void TVtToolbarButton::SetShowCaption(bool s) {
    if (s == showCaption_) return;
    showCaption_ = s;
    if (!s) {
        // A form may give the kept caption before it hides the (empty) visible one.
        if (!(IsLoading() && Caption().empty())) savedCaption_ = Caption();
        SetCaption("");
    } else {
        SetCaption(savedCaption_);
        savedCaption_.clear();
    }
    Invalidate();
}

void TVtToolbarButton::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    if (useHotGlyph_ && savedNumGlyphs_ != 0) hotShown_ = true;
    TSpeedButton::MouseDown(b, s, x, y);
}

void TVtToolbarButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_MOUSEENTER:
        if (IsDesigning()) break;
        mouseIn_ = true;
        if (OnMouseEnter) OnMouseEnter(this);
        if (!ControlAlive(this)) return;
        if (useHotGlyph_ && Enabled()) {
            if (!hotShown_) ShowHot();
        } else {
            hotShown_ = false;
        }
        Invalidate();
        break;
    case CM_MOUSELEAVE:
        mouseIn_ = false;
        if (OnMouseLeave) OnMouseLeave(this);
        if (!ControlAlive(this)) return;
        if (useHotGlyph_ && Enabled()) {
            RestoreNormal();
            Invalidate();
        }
        break;
    case CM_DIALOGCHAR:
        if (IsAccel(char(m.WParam), Caption()) && Enabled() && Visible() && Parent() && Parent()->Showing()) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TSpeedButton::Dispatch(m);
}

void RegisterToolbarButtonClass() {
    RegisterClass(TVtToolbarButton::StaticClass());
    RegisterPropertyReader(TVtToolbarButton::StaticClass(), "SaveCaption", [](TObject* o, const TFormValue& v) {
        if (v.kind != TFormValue::String && v.kind != TFormValue::Ident)
            throw EFormResourceError("SaveCaption: a string expected");
        static_cast<TVtToolbarButton*>(o)->SetSaveCaption(v.s);
    });
}

TControlActionLink* TVtToolbarButton::CreateActionLink() { return new TDownActionLink<TVtToolbarButton>(this); }

void TVtToolbarButton::ActionChange(TObject* sender, bool checkDefaults) {
    const std::string kept = Caption();
    TSpeedButton::ActionChange(sender, checkDefaults);
    auto* a = dynamic_cast<TAction*>(sender);
    if (!a) return;
    if (ignoreActionCaption_) SetCaption(kept);
    TCustomImageList* images = a->ActionList() ? a->ActionList()->Images() : nullptr;
    if (images && a->ImageIndex() >= 0 && a->ImageIndex() < images->Count()) {
        TBitmap g;
        g.SetWidth(images->Width());
        g.SetHeight(images->Height());
        g.Canvas()->Brush()->SetColor(TColor(0xFF00FF));
        g.Canvas()->FillRect(TRect(0, 0, g.Width(), g.Height()));
        images->Draw(g.Canvas(), 0, 0, a->ImageIndex());
        SetGlyph(&g);
    }
    if (!(checkDefaults && Down())) SetDown(a->Checked());
}
