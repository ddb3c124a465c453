// Shared drawing of the Vt controls: colour arithmetic on hue, lightness and saturation bytes (0..240), the
// border painters chosen by a frame style, focus borders, progress bodies and arrow glyphs.
// Every border painter returns the rectangle inside what it drew, so callers chain them.
#pragma once

#include <cstdint>

#include "platform/ui/Graphics.h"

enum TFrameStyleEx : uint8_t {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp, fsStatus, fsPopup,
    fsFlatBold, fsFlatRounded
};
// fsNone .. fsFlatBold.
using TFrameStyle = TFrameStyleEx;

enum TSide : uint8_t { sdLeft, sdTop, sdRight, sdBottom };
// Bit mask: left 1, top 2, right 4, bottom 8.
using TSides = uint8_t;
constexpr TSides sdAllSides = 15;
constexpr bool HasSide(TSides s, TSide side) { return (s >> side) & 1; }

enum TFramingPreference : uint8_t { fpCustomFraming, fpXPThemes };
enum TBarStyle : uint8_t { bsTraditional, bsLED };
enum TVtHotTrackColorType : uint8_t { htctComplement, htctActual };
enum TOrientation : uint8_t { orHorizontal, orVertical };

// ---- colours ----
void ColorToHLS(TColor c, BYTE& hue, BYTE& saturation, BYTE& lightness);
TColor HLSToColor(BYTE hue, BYTE saturation, BYTE lightness);
BYTE GetHue(TColor c);
TColor DarkerColor(TColor c, BYTE amount);
TColor LighterColor(TColor c, BYTE amount);
TColor AdjustColor(TColor c, int amount);
TColor BlendColors(TColor a, TColor b, BYTE weight);
bool ColorsAreSimilar(TColor a, TColor b);
bool IsHighColorDisplay();
TRect CenterRect(const TRect& r, int width, int height);

// ---- border painters ----
TRect DrawSides(TCanvas* c, TRect r, TColor ulColor, TColor lrColor, TSides sides);
TRect DrawBevel(TCanvas* c, TRect r, TColor ulColor, TColor lrColor, int width, TSides sides);
TRect DrawWindowsBorder(TCanvas* c, TRect r, bool sunken, TSides sides);
TRect DrawButtonBorder(TCanvas* c, TRect r, bool down, TSides sides = sdAllSides);
TRect DrawColorButtonBorder(TCanvas* c, TRect r, TColor base, bool down, TSides sides = sdAllSides);
TRect DrawBorder(TCanvas* c, TRect r, TFrameStyle style, TSides sides = sdAllSides);
TRect DrawColorBorder(TCanvas* c, TRect r, TColor base, TFrameStyle style, TSides sides = sdAllSides);
TRect DrawRoundedFlatBorder(TCanvas* c, TRect r, TColor color, TSides sides);
TRect DrawFocusBorder(TCanvas* c, TRect r);
// A one-pixel frame whose four corner pixels are left to what lies beneath.
TRect DrawCornerlessFrame(TCanvas* c, TRect r, TColor color);

struct TFrameParams {
    TFrameStyleEx outer = fsNone, inner = fsNone;
    int borderWidth = 0;
    TSides sides = sdAllSides;
    int bevelWidth = 1;
    TColor borderColor = clBtnFace, borderHighlight = clBtnHighlight, borderShadow = clBtnShadow;
    TColor flatColor = clBtnShadow;
    int flatColorAdjustment = 0;
    TColor controlColor = clBtnFace, parentColor = clBtnFace;
    bool transparent = false;
    bool fullLine = false;  // an inner fsFlat drawn as whole lines
};
// The two-level border of labels, panels and progress bars.
TRect DrawFrame(TCanvas* c, TRect r, const TFrameParams& p);
// The frame of edit-like controls on (0, 0, width, height).
TRect DrawControlFrame(TCanvas* c, int width, int height, TFrameStyle style, TColor controlColor,
                       TColor frameColor, TSides sides, bool skipRing);

// ---- progress bodies and glyphs ----
void DrawLEDBar(TCanvas* c, TRect r, TOrientation orientation, TColor barColor, TColor backColor, int segments,
                int percent, bool useThemes);
void DrawTraditionalBar(TCanvas* c, TRect r, TOrientation orientation, TColor barColor, TColor backColor,
                        uint16_t percent, bool showPercent);
// style 1 is the themed look.
void DrawDropDownArrow(TCanvas* c, TRect r, int style, bool pressed, bool enabled);
enum TArrowDirection : uint8_t { adUp, adDown, adLeft, adRight };
void DrawArrow(TCanvas* c, TRect r, int style, TArrowDirection direction, bool pressed, bool enabled);
// For units whose own names clash with the theme states: whether themes are on, and the style's scroll-arrow
// button and window close button.
bool ThemesActive();
void DrawThemedScrollArrow(TCanvas* c, TRect r, TArrowDirection direction, bool pressed, bool enabled);
void DrawThemedCloseButton(TCanvas* c, TRect r, bool pressed, bool enabled);

// ---- frame controller and shared control services ----
#include <vector>

#include "platform/ui/Component.h"
#include "platform/ui/FormLoader.h"

class TControl;
class TTimer;
class TVtRegIniFile;

extern const TEnumInfo FrameStyleIdents;         // fsNone .. fsFlatRounded
extern const TEnumInfo SidesIdents;              // sdLeft .. sdBottom
extern const TEnumInfo FramingPreferenceIdents;  // fpCustomFraming, fpXPThemes

// A control that reads every frame setting it needs from its own FrameController when told to.
class IVtFrameSettingsSink {
public:
    virtual ~IVtFrameSettingsSink() = default;
    virtual void ReloadFrameSettings() = 0;
};

// Messages of the blinking protocol: a blinking-capable control answers CM_QUERYBLINKING with 1 while it
// blinks; CM_BLINKSTATE carries the new state (1 or 0) in wParam.
enum : UINT { CM_QUERYBLINKING = CM_BASE + 1000, CM_BLINKSTATE = CM_BASE + 1001 };

// One set of frame and colour settings, pushed to every linked control. Controls that are not frame
// settings sinks get the settings through their published properties of the same names.
class TVtFrameController : public TComponent {
public:
    explicit TVtFrameController(TComponent* owner);
    ~TVtFrameController() override;
    QM_CLASS_INFO

    // A new link receives every setting at once, whatever the update counter.
    void AddControl(TComponent* control);
    void RemoveControl(TComponent* control);
    int ControlCount() const { return int(controls_.size()); }
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // Codes: 0 all, 1 Color, 2 FocusColor, 3 DisabledColor, 4 ParentColor, 5 FlatButtonColor, 6 FlatButtons,
    // 7 FrameColor, 8 FrameHotColor, 9 FrameHotTrack, 10 FrameHotStyle, 11 FrameSides, 12 FrameStyle,
    // 13 FrameVisible, 14 FramingPreference.
    virtual void NotifyControls(int code);
    virtual void UpdateControl(TComponent* control, int code);
    void Assign(const TPersistent* source);
    void Loaded() override;

    TColor Color() const { return color_; }
    void SetColor(TColor c);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool p);
    TColor FocusColor() const { return focusColor_; }
    void SetFocusColor(TColor c);
    TColor DisabledColor() const { return disabledColor_; }
    void SetDisabledColor(TColor c);
    TColor FlatButtonColor() const { return flatButtonColor_; }
    void SetFlatButtonColor(TColor c);
    bool FlatButtons() const { return flatButtons_; }
    void SetFlatButtons(bool f);
    TColor FrameColor() const { return frameColor_; }
    void SetFrameColor(TColor c);
    TColor FrameHotColor() const { return frameHotColor_; }
    void SetFrameHotColor(TColor c);
    bool FrameHotTrack() const { return frameHotTrack_; }
    void SetFrameHotTrack(bool t);
    TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
    void SetFrameHotStyle(TFrameStyle s);
    TSides FrameSides() const { return frameSides_; }
    void SetFrameSides(TSides s);
    TFrameStyle FrameStyle() const { return frameStyle_; }
    void SetFrameStyle(TFrameStyle s);
    bool FrameVisible() const { return frameVisible_; }
    void SetFrameVisible(bool v);
    TFramingPreference FramingPreference() const { return framingPreference_; }
    void SetFramingPreference(TFramingPreference p);
    TVtRegIniFile* RegIniFile() const { return regIniFile_; }
    void SetRegIniFile(TVtRegIniFile* r);

protected:
    void Notification(TComponent* c, TOperation op) override;

private:
    friend void RegisterFrameLegacyReaders(const TClassInfo&);
    template <class T>
    void Change(T& field, T value, int code);

    std::vector<TComponent*> controls_;
    int updateCount_ = 0;
    TColor color_ = clWindow, focusColor_ = clWindow, disabledColor_ = clBtnFace, flatButtonColor_ = clBtnFace;
    TColor frameColor_ = clBtnShadow, frameHotColor_ = clBtnShadow;
    bool parentColor_ = false, flatButtons_ = true, frameHotTrack_ = false, frameVisible_ = false;
    TFrameStyle frameHotStyle_ = fsFlatBold, frameStyle_ = fsFlat;
    TSides frameSides_ = sdAllSides;
    TFramingPreference framingPreference_ = fpXPThemes;
    TVtRegIniFile* regIniFile_ = nullptr;
};

// Moves a control's link from `field` to c: leaves the old controller, joins the new one (which pushes every
// setting at once) and asks to hear of its destruction. The control's Notification clears `field` then.
void LinkFrameController(TComponent* control, TVtFrameController*& field, TVtFrameController* c);

// A visible controller's frame taken into a two-level border: its style outside, its sides, its frame colour
// unadjusted; the control takes the controller's colour, and the bevel colours follow the one it ends with.
// False, with nothing changed, without a controller or while its frame is hidden.
bool TakeControllerFrame(TControl* control, const TVtFrameController* fc, TFrameParams& border);

// Names of older form resources for a class with the frame properties: "FrameFlat" (stored straight into
// FrameHotTrack; True also makes FrameStyle fsStatus and FrameHotStyle fsLowered), "FrameFocusStyle" (becomes
// FrameHotStyle) and "FrameFlatStyle" (dropped).
void RegisterFrameLegacyReaders(const TClassInfo& cls);
// Droppers of older names: a set value ("FrameSides" of labels) and a Boolean ("FlatButtonParentColor").
void RegisterDroppedSetReader(const TClassInfo& cls, const std::string& name);
void RegisterDroppedBooleanReader(const TClassInfo& cls, const std::string& name);
// A bitmap property kept in forms as "<name>.Data" (see TBitmap::LoadFromData), handed to set.
void RegisterBitmapReader(const TClassInfo& cls, const std::string& name,
                          std::function<void(TObject* target, const TBitmap* bitmap)> set);

// The one list of blinking-capable controls, with the timer that alternates their blink state. The first such
// control creates it (Instance), each registers itself and removes itself when it goes; the list goes with the
// last one.
class TVtBlinkingControlsList {
public:
    static TVtBlinkingControlsList* Instance();  // created when absent
    static TVtBlinkingControlsList* Current();   // nullptr when absent
    void Add(TControl* c);
    // Frees the list when it became empty.
    void Remove(TControl* c);
    int Count() const { return int(controls_.size()); }
    uint16_t BlinkIntervalOn() const { return on_; }
    void SetBlinkIntervalOn(uint16_t ms) { on_ = ms; }
    uint16_t BlinkIntervalOff() const { return off_; }
    void SetBlinkIntervalOff(uint16_t ms) { off_ = ms; }
    int BlinkState() const { return state_; }
    TTimer* Timer() const { return timer_; }
    // One tick of the timer: the state flips, the next interval is chosen, and the controls that blink hear it.
    void Tick();

private:
    TVtBlinkingControlsList();
    ~TVtBlinkingControlsList();
    std::vector<TControl*> controls_;
    uint16_t on_ = 500, off_ = 500;
    int state_ = 1;
    TTimer* timer_ = nullptr;
};

int CountChar(char c, const std::string& text);
inline int IntMin(int a, int b) { return a < b ? a : b; }
inline int IntMax(int a, int b) { return a > b ? a : b; }
// On the screen device.
int GetMinFontHeight(TFont* font);
int GetAvgCharWidth(TFont* font);
// Empty rectangles for an unknown monitor.
TRect GetMonitorWorkArea(HMONITOR monitor);
TRect GetMonitorBounds(HMONITOR monitor);
// Of the monitor nearest to the window.
int GetWorkAreaWidth(HWND window);

// Settings component kept for its properties: nothing in the program opens, reads or writes through it.
enum TVtPathType : uint8_t { ptIniFile, ptRegistry };
enum TVtRegKey : uint8_t {
    hkeyClassesRoot, hkeyCurrentUser, hkeyLocalMachine, hkeyUsers, hkeyPerformanceData, hkeyCurrentConfig,
    hkeyDynData
};
enum TVtRegAccessItem : uint8_t {
    keyQueryValue, keySetValue, keyCreateSubKey, keyEnumerateSubKeys, keyNotify, keyCreateLink, keyRead, keyWrite,
    keyExecute, keyAllAccess
};
using TVtRegAccess = uint16_t;  // bit = TVtRegAccessItem
class TVtRegIniFile : public TComponent {
public:
    explicit TVtRegIniFile(TComponent* owner) : TComponent(owner) {}
    QM_CLASS_INFO
    std::string Path() const { return path_; }
    void SetPath(const std::string& p);
    TVtPathType PathType() const { return pathType_; }
    void SetPathType(TVtPathType t);
    TVtRegKey RegKey() const { return regKey_; }
    void SetRegKey(TVtRegKey k);
    TVtRegAccess RegAccess() const { return regAccess_; }
    void SetRegAccess(TVtRegAccess a);
    // Set at creation and by every change.
    bool ReopenNeeded() const { return reopen_; }

private:
    std::string path_;
    TVtPathType pathType_ = ptIniFile;
    TVtRegKey regKey_ = hkeyCurrentUser;
    TVtRegAccess regAccess_ = 1 << keyAllAccess;
    bool reopen_ = true;
};

// The frame settings of the framed edit and combo box. A setter stores a changed value and tells the control
// (FrameChanged); FrameHotTrack turned on also shows the frame and, unless loading, on every side.
class TVtFrameSettings {
public:
    virtual ~TVtFrameSettings() = default;
    TColor FrameColor() const { return frameColor_; }
    void SetFrameColor(TColor c);
    TColor FrameHotColor() const { return frameHotColor_; }
    void SetFrameHotColor(TColor c);
    bool FrameHotTrack() const { return frameHotTrack_; }
    void SetFrameHotTrack(bool t);
    TFrameStyle FrameHotStyle() const { return frameHotStyle_; }
    void SetFrameHotStyle(TFrameStyle s);
    TSides FrameSides() const { return frameSides_; }
    void SetFrameSides(TSides s);
    TFrameStyle FrameStyle() const { return frameStyle_; }
    void SetFrameStyle(TFrameStyle s);
    bool FrameVisible() const { return frameVisible_; }
    void SetFrameVisible(bool v);
    TFramingPreference FramingPreference() const { return framingPreference_; }
    void SetFramingPreference(TFramingPreference p);

protected:
    virtual void FrameChanged() = 0;
    // FrameVisible changed; FrameChanged unless the control does more.
    virtual void FrameVisibleChanged() { FrameChanged(); }
    virtual bool FrameLoading() const = 0;

    TColor frameColor_ = clBtnShadow, frameHotColor_ = clBtnShadow;
    bool frameHotTrack_ = false, frameVisible_ = false;
    TFrameStyle frameHotStyle_ = fsFlatBold, frameStyle_ = fsFlat;
    TSides frameSides_ = sdAllSides;
    TFramingPreference framingPreference_ = fpXPThemes;
};

// A colour set from outside a control's state switch becomes its normal colour; the focus colour moves along
// while it equalled the old one.
inline void TakeNormalColor(TColor c, TColor& normal, TColor& focus) {
    if (focus == normal) focus = c;
    normal = c;
}

// An ordinal property of class C whose accessors belong to B, C itself or a base of it (the frame
// settings), called on B: a member pointer of a base is never applied to C.
template <class C, class B, class T>
TPropInfo MemberProp(const std::string& name, T (B::*get)() const, void (B::*set)(T), int64_t def,
                     const TEnumInfo* idents = nullptr, TTypeKind kind = tkInteger) {
    TPropInfo p;
    p.name = name;
    p.kind = idents && kind == tkInteger ? tkEnumeration : kind;
    p.idents = idents;
    p.defaultOrd = def;
    p.getOrd = [get](const TObject* o) {
        const B& b = *static_cast<const C*>(o);
        return int64_t((b.*get)());
    };
    p.setOrd = [set](TObject* o, int64_t v) {
        B& b = *static_cast<C*>(o);
        (b.*set)(T(v));
    };
    return p;
}

// The published frame properties of the framed controls and the frame controller (the same getter and setter
// names in each, on B): FrameColor .. FramingPreference; with the focus and disabled colours in front.
template <class C, class B = C>
std::vector<TPropInfo> FrameProps() {
    return {MemberProp<C, B, TColor>("FrameColor", &B::FrameColor, &B::SetFrameColor, clBtnShadow),
            MemberProp<C, B, TColor>("FrameHotColor", &B::FrameHotColor, &B::SetFrameHotColor, clBtnShadow),
            MemberProp<C, B, bool>("FrameHotTrack", &B::FrameHotTrack, &B::SetFrameHotTrack, 0, &BooleanIdents),
            MemberProp<C, B, TFrameStyle>("FrameHotStyle", &B::FrameHotStyle, &B::SetFrameHotStyle, fsFlatBold,
                                          &FrameStyleIdents),
            MemberProp<C, B, TSides>("FrameSides", &B::FrameSides, &B::SetFrameSides, sdAllSides, &SidesIdents, tkSet),
            MemberProp<C, B, TFrameStyle>("FrameStyle", &B::FrameStyle, &B::SetFrameStyle, fsFlat, &FrameStyleIdents),
            MemberProp<C, B, bool>("FrameVisible", &B::FrameVisible, &B::SetFrameVisible, 0, &BooleanIdents),
            MemberProp<C, B, TFramingPreference>("FramingPreference", &B::FramingPreference,
                                                 &B::SetFramingPreference, fpXPThemes, &FramingPreferenceIdents)};
}
template <class C>
std::vector<TPropInfo> ColorAndFrameProps() {
    std::vector<TPropInfo> p{OrdProp<C, TColor>("FocusColor", &C::FocusColor, &C::SetFocusColor, clWindow),
                             OrdProp<C, TColor>("DisabledColor", &C::DisabledColor, &C::SetDisabledColor, clBtnFace)};
    for (TPropInfo& f : FrameProps<C, TVtFrameSettings>()) p.push_back(std::move(f));
    return p;
}

// Registers the library's classes for form resources; once.
void RegisterWidgetClasses();
