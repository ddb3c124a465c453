#include <gtest/gtest.h>

#include <vector>

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PlatformClasses.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtCommon.h"

namespace {

// A control updated property by property, recording the order of the settings.
class Framed : public TGraphicControl {
public:
    explicit Framed(TComponent* owner) : TGraphicControl(owner) {}
    QM_CLASS_INFO
    std::vector<std::string> log;
    TColor FocusColor() const { return focus; }
    void SetFocusColor(TColor c) { focus = c, log.push_back("FocusColor"); }
    TFrameStyle FrameStyle() const { return style; }
    void SetFrameStyle(TFrameStyle s) { style = s, log.push_back("FrameStyle"); }
    TFrameStyle FrameHotStyle() const { return hotStyle; }
    void SetFrameHotStyle(TFrameStyle s) { hotStyle = s; }
    bool FrameHotTrack() const { return hotTrack; }
    void SetFrameHotTrack(bool t) {
        hotTrack = t;
        if (t) visible = true, sides = sdAllSides;
    }
    bool FrameVisible() const { return visible; }
    void SetFrameVisible(bool v) { visible = v; }
    TSides FrameSides() const { return sides; }
    void SetFrameSides(TSides s) { sides = s, log.push_back("FrameSides"); }
    TColor focus = clWindow;
    TFrameStyle style = fsFlat, hotStyle = fsFlatBold;
    bool hotTrack = false, visible = false;
    TSides sides = sdAllSides;
};

const TClassInfo& Framed::StaticClass() {
    static TClassInfo ci = [] {
        using C = Framed;
        TClassInfo c{"TFramedTestControl", &TGraphicControl::StaticClass(), Creator<C>(), {}, {}};
        c.props = {OrdProp<C, TColor>("FocusColor", &C::FocusColor, &C::SetFocusColor),
                   OrdProp<C, TFrameStyle>("FrameStyle", &C::FrameStyle, &C::SetFrameStyle, fsFlat, &FrameStyleIdents),
                   OrdProp<C, TFrameStyle>("FrameHotStyle", &C::FrameHotStyle, &C::SetFrameHotStyle, fsFlatBold,
                                           &FrameStyleIdents),
                   BoolProp<C>("FrameHotTrack", &C::FrameHotTrack, &C::SetFrameHotTrack),
                   BoolProp<C>("FrameVisible", &C::FrameVisible, &C::SetFrameVisible),
                   SetProp<C, TSides>("FrameSides", &C::FrameSides, &C::SetFrameSides, &SidesIdents)};
        return c;
    }();
    return ci;
}

// Answers the blink query only while told to blink; counts the states it hears.
class Blinker : public TGraphicControl {
public:
    explicit Blinker(TComponent* owner) : TGraphicControl(owner) { TVtBlinkingControlsList::Instance()->Add(this); }
    ~Blinker() override { TVtBlinkingControlsList::Current()->Remove(this); }
    bool blinking = false;
    std::vector<int> states;
    void Dispatch(TMessage& m) override {
        if (m.Msg == CM_QUERYBLINKING) {
            m.Result = blinking;
        } else if (m.Msg == CM_BLINKSTATE) {
            states.push_back(int(m.WParam));
        } else {
            TGraphicControl::Dispatch(m);
        }
    }
};

}  // namespace

TEST(VtFrameController, PushesSettingsByName) {
    UiTest::Init();
    TVtFrameController fc(nullptr);
    Framed a(nullptr);
    TComponent notAControl(nullptr);
    fc.AddControl(&notAControl);  // linked, but never updated

    fc.BeginUpdate();
    fc.SetFrameStyle(fsGroove);
    fc.AddControl(&a);  // a new link gets everything, whatever the counter
    EXPECT_EQ(a.style, fsGroove);
    EXPECT_EQ(a.log, (std::vector<std::string>{"FocusColor", "FrameSides", "FrameStyle"}));
    a.log.clear();
    fc.SetFrameSides(5);
    EXPECT_TRUE(a.log.empty());  // held back while updating
    fc.EndUpdate();
    EXPECT_EQ(a.sides, 5);

    a.log.clear();
    fc.SetFocusColor(clRed);
    EXPECT_EQ(a.log, (std::vector<std::string>{"FocusColor"}));
    EXPECT_EQ(a.focus, clRed);
    // Color drags FocusColor along only when they were equal.
    fc.SetFocusColor(clWindow);
    fc.SetColor(clYellow);
    EXPECT_EQ(fc.FocusColor(), clYellow);
    fc.SetFrameHotTrack(true);
    EXPECT_TRUE(fc.FrameVisible());
    EXPECT_EQ(fc.FrameSides(), sdAllSides);

    // ParentColor True: code 0 leaves Color alone.
    TPanel panel(nullptr);
    panel.SetColor(clGreen);
    fc.SetParentColor(true);
    fc.AddControl(&panel);
    EXPECT_TRUE(panel.ParentColor());

    TVtFrameController copy(nullptr);
    copy.Assign(&fc);
    EXPECT_EQ(copy.FrameStyle(), fsGroove);
    EXPECT_EQ(copy.FrameSides(), sdAllSides);
    EXPECT_TRUE(copy.ParentColor());
    fc.RemoveControl(&a);
    fc.RemoveControl(&panel);
    fc.RemoveControl(&notAControl);
    EXPECT_EQ(fc.ControlCount(), 0);
}

TEST(VtFrameController, ReadsOlderNames) {
    UiTest::Init();
    RegisterPlatformClasses();
    RegisterWidgetClasses();
    auto* f = new TForm(nullptr);
    ReadComponentResource(f,
                          "object F: TForm\n"
                          "  object FC: TVtFrameController\n"
                          "    FrameSides = [sdLeft]\n"
                          "    FrameFlat = True\n"
                          "    FrameFlatStyle = fsBump\n"
                          "  end\n"
                          "  object FC2: TVtFrameController\n"
                          "    FrameFocusStyle = fsRaised\n"
                          "  end\n"
                          "end\n");
    auto* fc = dynamic_cast<TVtFrameController*>(f->FindComponent("FC"));
    ASSERT_TRUE(fc);
    EXPECT_TRUE(fc->FrameHotTrack());
    EXPECT_EQ(fc->FrameStyle(), fsStatus);
    EXPECT_EQ(fc->FrameHotStyle(), fsLowered);
    EXPECT_FALSE(fc->FrameVisible());  // no setter side effects
    EXPECT_EQ(fc->FrameSides(), 1);
    EXPECT_EQ(dynamic_cast<TVtFrameController*>(f->FindComponent("FC2"))->FrameHotStyle(), fsRaised);
    delete f;

    // On a control: FrameVisible and FrameSides keep their streamed values.
    RegisterFrameLegacyReaders(Framed::StaticClass());
    RegisterClass(Framed::StaticClass());
    f = new TForm(nullptr);
    ReadComponentResource(f,
                          "object F: TForm\n"
                          "  object E: TFramedTestControl\n"
                          "    FrameSides = [sdTop]\n"
                          "    FrameFlat = True\n"
                          "  end\n"
                          "end\n");
    auto* e = dynamic_cast<Framed*>(f->FindComponent("E"));
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->hotTrack);
    EXPECT_FALSE(e->visible);
    EXPECT_EQ(e->sides, 2);
    EXPECT_EQ(e->style, fsStatus);
    EXPECT_EQ(e->hotStyle, fsLowered);
    delete f;
}

TEST(VtBlinkingControlsList, OneTimerForAllAndOnlyBlinkersHear) {
    UiTest::Init();
    ASSERT_EQ(TVtBlinkingControlsList::Current(), nullptr);
    {
        Blinker a(nullptr), b(nullptr);
        TVtBlinkingControlsList* list = TVtBlinkingControlsList::Current();
        ASSERT_TRUE(list);
        EXPECT_EQ(list->Count(), 2);
        EXPECT_TRUE(list->Timer()->Enabled());
        EXPECT_EQ(list->Timer()->Interval(), 500u);
        list->SetBlinkIntervalOn(300);
        list->SetBlinkIntervalOff(700);
        a.blinking = true;
        list->Tick();
        EXPECT_EQ(list->BlinkState(), 0);
        EXPECT_EQ(list->Timer()->Interval(), 700u);
        list->Tick();
        EXPECT_EQ(list->Timer()->Interval(), 300u);
        EXPECT_EQ(a.states, (std::vector<int>{0, 1}));
        EXPECT_TRUE(b.states.empty());
    }
    EXPECT_EQ(TVtBlinkingControlsList::Current(), nullptr);  // gone with the last control
}

TEST(VtCommonText, Helpers) {
    UiTest::Init();
    EXPECT_EQ(CountChar('a', "banana"), 3);
    EXPECT_EQ(CountChar('x', ""), 0);
    EXPECT_EQ(IntMin(-3, 2), -3);
    EXPECT_EQ(IntMax(-3, 2), 2);
    TFont f;
    f.SetHeight(-12);
    EXPECT_GT(GetMinFontHeight(&f), 12);
    EXPECT_GT(GetAvgCharWidth(&f), 2);
    EXPECT_LT(GetAvgCharWidth(&f), 12);
}

TEST(VtCommonMonitors, WorkAreaOfTheNearestScreen) {
    UiTest::Init();
    HMONITOR m = MonitorFromPoint(TPoint(5, 5), MONITOR_DEFAULTTONULL);
    ASSERT_NE(m, 0);
    EXPECT_EQ(GetMonitorBounds(m), TRect(0, 0, Screen->Width(), Screen->Height()));
    EXPECT_EQ(GetMonitorWorkArea(m), Screen->WorkAreaRect());
    EXPECT_EQ(MonitorFromPoint(TPoint(-100000, 5), MONITOR_DEFAULTTONULL), 0);
    EXPECT_EQ(MonitorFromPoint(TPoint(-100000, 5), MONITOR_DEFAULTTONEAREST), m);
    MONITORINFO bad;
    bad.cbSize = 44;
    EXPECT_FALSE(GetMonitorInfo(m, bad));
    EXPECT_EQ(GetMonitorBounds(0), TRect());
    auto* f = new TForm(nullptr);
    f->SetBounds(10, 10, 100, 100);
    f->Show();
    EXPECT_EQ(GetWorkAreaWidth(f), Screen->WorkAreaRect().Width());
    delete f;
}

TEST(VtRegIniFile, KeepsItsPropertiesAndLinks) {
    UiTest::Init();
    auto* ini = new TVtRegIniFile(nullptr);
    EXPECT_EQ(ini->PathType(), ptIniFile);
    EXPECT_EQ(ini->RegKey(), hkeyCurrentUser);
    EXPECT_EQ(GetSetProp(ini, "RegAccess"), "[keyAllAccess]");
    SetStrProp(ini, "Path", "x.ini");
    EXPECT_EQ(ini->Path(), "x.ini");
    EXPECT_TRUE(ini->ReopenNeeded());
    TVtFrameController fc(nullptr);
    fc.SetRegIniFile(ini);
    delete ini;  // the controller hears of it
    EXPECT_EQ(fc.RegIniFile(), nullptr);
}
