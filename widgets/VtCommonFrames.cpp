// The frame controller, the readers of older frame property names, the shared blink timer and the font helpers.
#include "widgets/VtChkLst.h"
#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ExtCtrls.h"
#include "widgets/VtBtnEdt.h"
#include "widgets/VtButton.h"
#include "widgets/VtCmboBx.h"
#include "widgets/VtCommon.h"
#include "widgets/VtEdit.h"
#include "widgets/VtLabel.h"
#include "widgets/VtPanel.h"
#include "widgets/VtPrgres.h"
#include "widgets/VtRadChk.h"
#include "widgets/VtSpnEdt.h"
#include "widgets/VtStatus.h"
#include "widgets/VtLstBox.h"
#include "widgets/VtTabs.h"

const TEnumInfo FrameStyleIdents{{"fsNone", "fsFlat", "fsGroove", "fsBump", "fsLowered", "fsButtonDown", "fsRaised",
                                  "fsButtonUp", "fsStatus", "fsPopup", "fsFlatBold", "fsFlatRounded"}};
const TEnumInfo SidesIdents{{"sdLeft", "sdTop", "sdRight", "sdBottom"}};
const TEnumInfo FramingPreferenceIdents{{"fpCustomFraming", "fpXPThemes"}};

// ---- TVtFrameController ----

const TClassInfo& TVtFrameController::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtFrameController;
        TClassInfo c{"TVtFrameController", &TComponent::StaticClass(), Creator<C>(), {}, {}};
        c.props = {OrdProp<C, TColor>("Color", &C::Color, &C::SetColor, clWindow),
                   BoolProp<C>("ParentColor", &C::ParentColor, &C::SetParentColor, 0),
                   OrdProp<C, TColor>("FocusColor", &C::FocusColor, &C::SetFocusColor, clWindow),
                   OrdProp<C, TColor>("DisabledColor", &C::DisabledColor, &C::SetDisabledColor, clBtnFace),
                   OrdProp<C, TColor>("FlatButtonColor", &C::FlatButtonColor, &C::SetFlatButtonColor, clBtnFace),
                   BoolProp<C>("FlatButtons", &C::FlatButtons, &C::SetFlatButtons, 1),
                   RefProp<C, TVtRegIniFile>("RegIniFile", &C::RegIniFile, &C::SetRegIniFile)};
        for (TPropInfo& f : FrameProps<C>()) c.props.push_back(std::move(f));
        return c;
    }();
    return ci;
}

TVtFrameController::TVtFrameController(TComponent* owner) : TComponent(owner) {}

TVtFrameController::~TVtFrameController() {
    // The links' references to us are cleared by the free notifications of the component base.
    controls_.clear();
}

void TVtFrameController::AddControl(TComponent* control) {
    if (!control || std::find(controls_.begin(), controls_.end(), control) != controls_.end()) return;
    controls_.push_back(control);
    UpdateControl(control, 0);
}

void TVtFrameController::RemoveControl(TComponent* control) {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it != controls_.end()) controls_.erase(it);
}

void TVtFrameController::EndUpdate() {
    if (--updateCount_ < 1) {
        updateCount_ = 0;
        NotifyControls(0);
    }
}

void TVtFrameController::NotifyControls(int code) {
    if (updateCount_ >= 1) return;
    // A control may unlink itself while it is updated.
    const std::vector<TComponent*> controls = controls_;
    for (TComponent* c : controls)
        if (std::find(controls_.begin(), controls_.end(), c) != controls_.end()) UpdateControl(c, code);
}

void TVtFrameController::UpdateControl(TComponent* control, int code) {
    if (!dynamic_cast<TControl*>(control)) return;
    if (auto* sink = dynamic_cast<IVtFrameSettingsSink*>(control)) {
        sink->ReloadFrameSettings();
        return;
    }
    auto ord = [control](const char* name, int64_t v) {
        if (IsPublishedProp(control, name)) SetOrdProp(control, name, v);
    };
    auto one = [&](int c) {
        switch (c) {
            case 1: ord("Color", color_); break;
            case 2: ord("FocusColor", focusColor_); break;
            case 3: ord("DisabledColor", disabledColor_); break;
            case 4: ord("ParentColor", parentColor_); break;
            case 5: ord("FlatButtonColor", flatButtonColor_); break;
            case 6: ord("FlatButtons", flatButtons_); break;
            case 7: ord("FrameColor", frameColor_); break;
            case 8: ord("FrameHotColor", frameHotColor_); break;
            case 9: ord("FrameHotTrack", frameHotTrack_); break;
            case 10: ord("FrameHotStyle", frameHotStyle_); break;
            case 11:
                if (IsPublishedProp(control, "FrameSides"))
                    SetSetProp(control, "FrameSides", SetToString(SidesIdents, frameSides_));
                break;
            case 12: ord("FrameStyle", frameStyle_); break;
            case 13: ord("FrameVisible", frameVisible_); break;
            case 14: ord("FramingPreference", framingPreference_); break;
            default: break;
        }
    };
    if (code == 0) {
        one(4);
        if (!parentColor_) one(1);
        for (int c : {3, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}) one(c);
    } else {
        one(code);
    }
}

template <class T>
void TVtFrameController::Change(T& field, T value, int code) {
    if (field == value) return;
    field = value;
    NotifyControls(code);
}

void TVtFrameController::SetColor(TColor c) {
    if (c == color_) return;
    if (focusColor_ == color_) focusColor_ = c;
    color_ = c;
    parentColor_ = false;
    NotifyControls(1);
}

void TVtFrameController::SetParentColor(bool p) {
    if (p == parentColor_) return;
    parentColor_ = p;
    NotifyControls(4);
    if (!p) NotifyControls(1);
}

void TVtFrameController::SetFocusColor(TColor c) { Change(focusColor_, c, 2); }
void TVtFrameController::SetDisabledColor(TColor c) { Change(disabledColor_, c, 3); }
void TVtFrameController::SetFlatButtonColor(TColor c) { Change(flatButtonColor_, c, 5); }
void TVtFrameController::SetFlatButtons(bool f) { Change(flatButtons_, f, 6); }
void TVtFrameController::SetFrameColor(TColor c) { Change(frameColor_, c, 7); }
void TVtFrameController::SetFrameHotColor(TColor c) { Change(frameHotColor_, c, 8); }

void TVtFrameController::SetFrameHotTrack(bool t) {
    if (t == frameHotTrack_) return;
    frameHotTrack_ = t;
    if (t) {
        frameVisible_ = true;
        if (!IsLoading()) frameSides_ = sdAllSides;
    }
    NotifyControls(9);
}

void TVtFrameController::SetFrameHotStyle(TFrameStyle s) { Change(frameHotStyle_, s, 10); }
void TVtFrameController::SetFrameSides(TSides s) { Change(frameSides_, TSides(s & sdAllSides), 11); }
void TVtFrameController::SetFrameStyle(TFrameStyle s) { Change(frameStyle_, s, 12); }
void TVtFrameController::SetFrameVisible(bool v) { Change(frameVisible_, v, 13); }
void TVtFrameController::SetFramingPreference(TFramingPreference p) { Change(framingPreference_, p, 14); }

void TVtFrameController::Assign(const TPersistent* source) {
    auto* s = dynamic_cast<const TVtFrameController*>(source);
    if (!s)
        throw EConvertError("Cannot assign a " + (source ? source->ClassName() : std::string("nil")) + " to a " +
                            ClassName());
    BeginUpdate();
    SetColor(s->color_);
    SetDisabledColor(s->disabledColor_);
    SetFlatButtonColor(s->flatButtonColor_);
    SetFlatButtons(s->flatButtons_);
    SetFocusColor(s->focusColor_);
    SetFrameColor(s->frameColor_);
    SetFrameHotColor(s->frameHotColor_);
    SetFrameHotTrack(s->frameHotTrack_);
    SetFrameHotStyle(s->frameHotStyle_);
    SetFrameSides(s->frameSides_);
    SetFrameStyle(s->frameStyle_);
    SetFrameVisible(s->frameVisible_);
    SetFramingPreference(s->framingPreference_);
    SetParentColor(s->parentColor_);
    EndUpdate();
}

void TVtFrameController::SetRegIniFile(TVtRegIniFile* r) {
    if (r == regIniFile_) return;
    if (regIniFile_) regIniFile_->RemoveFreeNotification(this);
    regIniFile_ = r;
    if (r) r->FreeNotification(this);
}

void TVtFrameController::Notification(TComponent* c, TOperation op) {
    TComponent::Notification(c, op);
    if (op == opRemove && c == regIniFile_) regIniFile_ = nullptr;
    if (op == opRemove) RemoveControl(c);
}

void TVtFrameController::Loaded() {
    TComponent::Loaded();
    NotifyControls(0);
}

void LinkFrameController(TComponent* control, TVtFrameController*& field, TVtFrameController* c) {
    if (c == field) return;
    if (field) {
        field->RemoveControl(control);
        field->RemoveFreeNotification(control);
    }
    field = c;
    if (c) {
        c->AddControl(control);
        c->FreeNotification(control);
    }
}

bool TakeControllerFrame(TControl* control, const TVtFrameController* fc, TFrameParams& border) {
    if (!fc || !fc->FrameVisible()) return false;
    border.outer = fc->FrameStyle();
    border.sides = fc->FrameSides();
    border.flatColor = fc->FrameColor();
    border.flatColorAdjustment = 0;
    control->SetColor(fc->Color());
    // A parent colour may replace the one just set: the bevels are derived from what the control shows.
    control->SetParentColor(fc->ParentColor());
    border.borderHighlight = LighterColor(control->Color(), 100);
    border.borderShadow = DarkerColor(control->Color(), 50);
    return true;
}

// ---- TVtFrameSettings ----

template <class T>
static bool StoreChanged(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}

void TVtFrameSettings::SetFrameColor(TColor c) {
    if (StoreChanged(frameColor_, c)) FrameChanged();
}
void TVtFrameSettings::SetFrameHotColor(TColor c) {
    if (StoreChanged(frameHotColor_, c)) FrameChanged();
}
void TVtFrameSettings::SetFrameHotStyle(TFrameStyle s) {
    if (StoreChanged(frameHotStyle_, s)) FrameChanged();
}
void TVtFrameSettings::SetFrameSides(TSides s) {
    if (StoreChanged(frameSides_, TSides(s & sdAllSides))) FrameChanged();
}
void TVtFrameSettings::SetFrameStyle(TFrameStyle s) {
    if (StoreChanged(frameStyle_, s)) FrameChanged();
}
void TVtFrameSettings::SetFramingPreference(TFramingPreference p) {
    if (StoreChanged(framingPreference_, p)) FrameChanged();
}
void TVtFrameSettings::SetFrameVisible(bool v) {
    if (StoreChanged(frameVisible_, v)) FrameVisibleChanged();
}
void TVtFrameSettings::SetFrameHotTrack(bool t) {
    if (!StoreChanged(frameHotTrack_, t)) return;
    if (t) {
        SetFrameVisible(true);
        if (!FrameLoading()) frameSides_ = sdAllSides;
    }
    FrameChanged();
}

// ---- older property names ----

static bool StreamedBool(const TFormValue& v) {
    if (!v.IsBoolean()) throw EFormResourceError("Invalid property value");
    return v.IsTrue();
}

static TFrameStyle StreamedFrameStyle(const TFormValue& v) {
    int s = v.kind == TFormValue::Ident ? FrameStyleIdents.ValueOf(v.s) : -1;
    if (s < 0 || s > fsFlatBold) throw EFormResourceError("Invalid property value");
    return TFrameStyle(s);
}

void RegisterFrameLegacyReaders(const TClassInfo& cls) {
    RegisterPropertyReader(cls, "FrameFlat", [](TObject* o, const TFormValue& v) {
        bool flat = StreamedBool(v);
        // Straight into the fields: the setters' side effects would overwrite streamed values.
        if (auto* fc = dynamic_cast<TVtFrameController*>(o)) {
            fc->frameHotTrack_ = flat;
            if (flat) {
                fc->frameStyle_ = fsStatus;
                fc->frameHotStyle_ = fsLowered;
            }
            return;
        }
        const TPropInfo* track = o->ClassType()->FindProp("FrameHotTrack");
        const TPropInfo* style = o->ClassType()->FindProp("FrameStyle");
        const TPropInfo* hot = o->ClassType()->FindProp("FrameHotStyle");
        if (!track || !track->setOrd) throw EFormResourceError("Unknown property: FrameFlat");
        {
            // Controls keep the three as plain fields behind their setters; what the setter of FrameHotTrack
            // adds (FrameVisible, FrameSides) is put back.
            int64_t visible = IsPublishedProp(o, "FrameVisible") ? GetOrdProp(o, "FrameVisible") : 0;
            std::string sides = IsPublishedProp(o, "FrameSides") ? GetSetProp(o, "FrameSides") : "";
            track->setOrd(o, flat);
            if (IsPublishedProp(o, "FrameVisible")) SetOrdProp(o, "FrameVisible", visible);
            if (!sides.empty()) SetSetProp(o, "FrameSides", sides);
        }
        if (flat) {
            if (style && style->setOrd) style->setOrd(o, fsStatus);
            if (hot && hot->setOrd) hot->setOrd(o, fsLowered);
        }
    });
    RegisterPropertyReader(cls, "FrameFocusStyle", [](TObject* o, const TFormValue& v) {
        SetOrdProp(o, "FrameHotStyle", StreamedFrameStyle(v));
    });
    RegisterPropertyReader(cls, "FrameFlatStyle", [](TObject*, const TFormValue& v) { StreamedFrameStyle(v); });
}

void RegisterDroppedSetReader(const TClassInfo& cls, const std::string& name) {
    RegisterPropertyReader(cls, name, [](TObject*, const TFormValue& v) {
        if (v.kind != TFormValue::Set) throw EFormResourceError("Invalid property value");
    });
}

void RegisterDroppedBooleanReader(const TClassInfo& cls, const std::string& name) {
    RegisterPropertyReader(cls, name, [](TObject*, const TFormValue& v) { StreamedBool(v); });
}

void RegisterBitmapReader(const TClassInfo& cls, const std::string& name,
                          std::function<void(TObject*, const TBitmap*)> set) {
    RegisterPropertyReader(cls, name + ".Data", [set](TObject* o, const TFormValue& v) {
        if (v.kind != TFormValue::Binary) throw EFormResourceError("binary data expected");
        TBitmap b;
        b.LoadFromData(v.s);
        set(o, &b);
    });
}

// ---- the blinking list ----

namespace {
TVtBlinkingControlsList* g_blinking = nullptr;
}

TVtBlinkingControlsList* TVtBlinkingControlsList::Instance() {
    if (!g_blinking) g_blinking = new TVtBlinkingControlsList;
    return g_blinking;
}

TVtBlinkingControlsList* TVtBlinkingControlsList::Current() { return g_blinking; }

TVtBlinkingControlsList::TVtBlinkingControlsList() {
    timer_ = new TTimer(nullptr);
    timer_->SetInterval(off_);
    timer_->OnTimer = [this](TObject*) { Tick(); };
    timer_->SetEnabled(true);
}

TVtBlinkingControlsList::~TVtBlinkingControlsList() { delete timer_; }

void TVtBlinkingControlsList::Add(TControl* c) {
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) controls_.push_back(c);
}

void TVtBlinkingControlsList::Remove(TControl* c) {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it != controls_.end()) controls_.erase(it);
    if (controls_.empty() && g_blinking == this) {
        g_blinking = nullptr;
        delete this;
    }
}

void TVtBlinkingControlsList::Tick() {
    if (state_ == 1) {
        state_ = 0;
        timer_->SetInterval(off_);
    } else {
        state_ = 1;
        timer_->SetInterval(on_);
    }
    const std::vector<TControl*> controls = controls_;
    for (TControl* c : controls)
        if (c->Perform(CM_QUERYBLINKING) == 1) c->Perform(CM_BLINKSTATE, WPARAM(state_));
}

// ---- fonts and text ----

int CountChar(char c, const std::string& text) { return int(std::count(text.begin(), text.end(), c)); }

static int MeasureOnScreen(TFont* font, const std::string& text, bool height) {
    TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->SetFont(*font);
    return height ? b.Canvas()->TextHeight(text) : b.Canvas()->TextWidth(text);
}

int GetMinFontHeight(TFont* font) { return MeasureOnScreen(font, "Wg", true) + 2; }

int GetAvgCharWidth(TFont* font) {
    int w = MeasureOnScreen(font, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", false);
    return int(std::lround(w / 52.0));
}

TRect GetMonitorWorkArea(HMONITOR monitor) {
    MONITORINFO info;
    return GetMonitorInfo(monitor, info) ? info.rcWork : TRect();
}

TRect GetMonitorBounds(HMONITOR monitor) {
    MONITORINFO info;
    return GetMonitorInfo(monitor, info) ? info.rcMonitor : TRect();
}

int GetWorkAreaWidth(HWND window) {
    return GetMonitorWorkArea(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)).Width();
}

// ---- TVtRegIniFile ----

static const TEnumInfo PathTypeIdents{{"ptIniFile", "ptRegistry"}};
static const TEnumInfo RegKeyIdents{{"hkeyClassesRoot", "hkeyCurrentUser", "hkeyLocalMachine", "hkeyUsers",
                                     "hkeyPerformanceData", "hkeyCurrentConfig", "hkeyDynData"}};
static const TEnumInfo RegAccessIdents{{"keyQueryValue", "keySetValue", "keyCreateSubKey", "keyEnumerateSubKeys",
                                        "keyNotify", "keyCreateLink", "keyRead", "keyWrite", "keyExecute",
                                        "keyAllAccess"}};

const TClassInfo& TVtRegIniFile::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtRegIniFile;
        TClassInfo c{"TVtRegIniFile", &TComponent::StaticClass(), Creator<C>(), {}, {}};
        c.props = {StrProp<C>("Path", &C::Path, &C::SetPath),
                   OrdProp<C, TVtPathType>("PathType", &C::PathType, &C::SetPathType, ptIniFile, &PathTypeIdents),
                   OrdProp<C, TVtRegKey>("RegKey", &C::RegKey, &C::SetRegKey, hkeyCurrentUser, &RegKeyIdents),
                   SetProp<C, TVtRegAccess>("RegAccess", &C::RegAccess, &C::SetRegAccess, &RegAccessIdents,
                                            1 << keyAllAccess)};
        return c;
    }();
    return ci;
}

template <class T>
static void Reopening(T& field, const T& v, bool& reopen) {
    if (field == v) return;
    field = v;
    reopen = true;
}
void TVtRegIniFile::SetPath(const std::string& p) { Reopening(path_, p, reopen_); }
void TVtRegIniFile::SetPathType(TVtPathType t) { Reopening(pathType_, t, reopen_); }
void TVtRegIniFile::SetRegKey(TVtRegKey k) { Reopening(regKey_, k, reopen_); }
void TVtRegIniFile::SetRegAccess(TVtRegAccess a) { Reopening(regAccess_, a, reopen_); }

// ---- registration ----

void RegisterWidgetClasses() {
    static const bool done = [] {
        RegisterClass(TVtFrameController::StaticClass());
        RegisterClass(TVtRegIniFile::StaticClass());
        RegisterClass(TVtProgressBar::StaticClass());
        RegisterClass(TVtLabel::StaticClass());
        RegisterTabClasses();
        RegisterListBoxClasses();
        RegisterCheckListClasses();
        RegisterDroppedSetReader(TVtLabel::StaticClass(), "FrameSides");
        RegisterFrameLegacyReaders(TVtFrameController::StaticClass());
        for (const TClassInfo* c : {&TVtEdit::StaticClass(), &TVtNumericEdit::StaticClass(), &TVtSpinEdit::StaticClass(),
                                    &TVtComboBox::StaticClass()}) {
            RegisterClass(*c);
            RegisterFrameLegacyReaders(*c);
        }
        RegisterDroppedBooleanReader(TVtSpinEdit::StaticClass(), "FlatButtonParentColor");
        RegisterClass(TVtSpinButtons::StaticClass());
        RegisterBitmapReader(TVtSpinButtons::StaticClass(), "GlyphUpRight", [](TObject* o, const TBitmap* b) {
            static_cast<TVtSpinButtons*>(o)->SetGlyphUpRight(b);
        });
        RegisterBitmapReader(TVtSpinButtons::StaticClass(), "GlyphDownLeft", [](TObject* o, const TBitmap* b) {
            static_cast<TVtSpinButtons*>(o)->SetGlyphDownLeft(b);
        });
        RegisterBitmapReader(TVtSpinEdit::StaticClass(), "ButtonUpGlyph", [](TObject* o, const TBitmap* b) {
            static_cast<TVtSpinEdit*>(o)->SetButtonUpGlyph(b);
        });
        RegisterBitmapReader(TVtSpinEdit::StaticClass(), "ButtonDownGlyph", [](TObject* o, const TBitmap* b) {
            static_cast<TVtSpinEdit*>(o)->SetButtonDownGlyph(b);
        });
        RegisterClass(TVtButtonEdit::StaticClass());
        RegisterFrameLegacyReaders(TVtButtonEdit::StaticClass());
        RegisterButtonEditReaders(TVtButtonEdit::StaticClass());
        RegisterClass(TVtControlButton::StaticClass());
        for (const TClassInfo* c : {&TVtButton::StaticClass(), &TVtBitBtn::StaticClass(), &TVtMenuButton::StaticClass()}) {
            RegisterClass(*c);
            RegisterHotTrackReader(*c, "FrameFlat");
        }
        for (const TClassInfo* c : {&TVtRadioButton::StaticClass(), &TVtCheckBox::StaticClass()}) {
            RegisterClass(*c);
            RegisterHotTrackReader(*c, "Flat");
        }
        for (const TClassInfo* c : {&TVtPanel::StaticClass(), &TVtGroupBox::StaticClass()}) {
            RegisterClass(*c);
            RegisterPanelReaders(*c);
        }
        RegisterClass(TVtSpacer::StaticClass());
        RegisterClass(TVtToolButton::StaticClass());
        RegisterToolbarButtonClass();
        RegisterClass(TVtToolbar::StaticClass());
        RegisterPanelReaders(TVtToolbar::StaticClass());
        RegisterToolbarReaders(TVtToolbar::StaticClass());
        RegisterClass(TVtStatusBar::StaticClass());
        RegisterPanelReaders(TVtStatusBar::StaticClass());
        RegisterClass(TVtStatusPane::StaticClass());
        return true;
    }();
    (void)done;
}
