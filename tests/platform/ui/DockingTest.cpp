#include "platform/ui/Docking.h"

#include <gtest/gtest.h>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
// A form with a panel that is a dock site using the default manager, and two panels that dock by dragging.
struct DockForm : ::testing::Test {
    void SetUp() override {
        UiTest::Init();
        forms = Screen->FormCount();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
        site = new TPanel(form);
        site->SetParent(form);
        site->SetBounds(200, 0, 200, 300);
        site->SetDockSite(true);
        site->SetUseDockManager(true);
        a = Dockable("a", 10, 10);
        b = Dockable("b", 10, 150);
        form->Show();
        UiTest::Flush();
    }
    void TearDown() override {
        delete form;
        UiTest::Flush();
        // Floating forms are owned by the form of their control.
        EXPECT_EQ(Screen->FormCount(), forms);
    }
    TPanel* Dockable(const char* name, int l, int t) {
        auto* p = new TPanel(form);
        p->SetName(name);
        p->SetParent(form);
        p->SetBounds(l, t, 100, 80);
        p->SetDragKind(dkDock);
        p->SetDragMode(dmAutomatic);
        return p;
    }
    // A press on `from`, moves past the threshold and a release at a point of `to`.
    static void Drag(TControl* from, TPoint at, TControl* to, TPoint drop) {
        UiTest::MouseMove(from, at.X, at.Y);
        UiTest::MouseDown(from, at.X, at.Y);
        UiTest::MouseMove(from, at.X + 8, at.Y + 8, MK_LBUTTON);
        UiTest::MouseMove(to, drop.X, drop.Y, MK_LBUTTON);
        UiTest::MouseUp(to, drop.X, drop.Y);
        UiTest::Flush();
    }
    TDockTree* Tree() { return dynamic_cast<TDockTree*>(site->DockManager()); }
    int forms = 0;
    TForm* form = nullptr;
    TPanel* site = nullptr;
    TPanel* a = nullptr;
    TPanel* b = nullptr;
};
}  // namespace

TEST_F(DockForm, DraggingDocksBesideTheControlUnderTheDrop) {
    // Inside the raised bevel: (1, 1, 199, 299); each zone starts with a 12-pixel grabber along its top.
    Drag(a, {20, 20}, site, {100, 150});
    ASSERT_EQ(a->HostDockSite(), site);
    EXPECT_EQ(a->Parent(), site);
    EXPECT_FALSE(a->Floating());
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(a->BoundsRect(), TRect(1, 13, 199, 299));
    EXPECT_EQ(Tree()->GrabberRect(a), TRect(1, 1, 199, 13));
    // Dropped near the lower edge of a's zone: stacked below it.
    Drag(b, {20, 20}, site, {100, 290});
    ASSERT_EQ(b->HostDockSite(), site);
    EXPECT_EQ(site->DockClientCount(), 2);
    EXPECT_EQ(a->BoundsRect(), TRect(1, 13, 199, 150));
    EXPECT_EQ(b->BoundsRect(), TRect(1, 162, 199, 299));
    // b dragged by its grabber to the left edge of a: side by side, b on the left.
    Drag(site, {150, 155}, site, {3, 60});
    EXPECT_EQ(b->HostDockSite(), site);
    EXPECT_EQ(b->BoundsRect(), TRect(1, 13, 100, 299));
    EXPECT_EQ(a->BoundsRect(), TRect(100, 13, 199, 299));
    // A press on a grabber and a release before the threshold moves nothing.
    UiTest::MouseDown(site, 150, 6);
    UiTest::MouseMove(site, 152, 8, MK_LBUTTON);
    UiTest::MouseUp(site, 152, 8);
    EXPECT_EQ(a->BoundsRect(), TRect(100, 13, 199, 299));
    EXPECT_EQ(site->DockClientCount(), 2);
}

TEST_F(DockForm, CloseButtonHidesTheControlAndTheOthersTakeItsPlace) {
    Drag(a, {20, 20}, site, {100, 150});
    Drag(b, {20, 20}, site, {100, 290});
    TRect close = Tree()->CloseButtonRect(b);
    ASSERT_FALSE(close.IsEmpty());
    EXPECT_EQ(close.Right, 197);
    // Pressed on the button but released off it: nothing happens.
    UiTest::MouseDown(site, close.Left + 3, close.Top + 3);
    UiTest::MouseMove(site, 50, 200, MK_LBUTTON);
    UiTest::MouseUp(site, 50, 200);
    EXPECT_TRUE(b->Visible());
    UiTest::Click(site, close.Left + 3, close.Top + 3);
    EXPECT_FALSE(b->Visible());
    EXPECT_EQ(b->HostDockSite(), site);
    EXPECT_EQ(a->BoundsRect(), TRect(1, 13, 199, 299));
    EXPECT_TRUE(Tree()->GrabberRect(b).IsEmpty());
    // Shown again, it takes its zone back.
    b->Show();
    EXPECT_EQ(b->BoundsRect(), TRect(1, 162, 199, 299));
}

TEST_F(DockForm, DraggedOutOfTheSiteItFloatsAndDocksAgain) {
    Drag(a, {20, 20}, site, {100, 150});
    Drag(b, {20, 20}, site, {100, 290});
    // From a's grabber to a point beyond the form: a floats in a form of its own, its size kept.
    Drag(site, {60, 6}, site, {460, 100});
    ASSERT_TRUE(a->Floating());
    auto* floater = dynamic_cast<TCustomDockForm*>(a->Parent());
    ASSERT_NE(floater, nullptr);
    EXPECT_TRUE(floater->Visible());
    EXPECT_EQ(a->Width(), 198);
    EXPECT_EQ(floater->ClientWidth(), 198);
    EXPECT_EQ(site->DockClientCount(), 1);
    EXPECT_EQ(b->BoundsRect(), TRect(1, 13, 199, 299));
    // Grabbed at (59, 5) of the grabber, which lies 12 pixels above a: that point stays under the mouse.
    EXPECT_EQ(a->ClientToScreen(TPoint(59, -7)), site->ClientToScreen(TPoint(460, 100)));
    // Dragged over its own floating form it has nowhere to go; dragged back onto the site it docks, and the
    // floating form goes.
    UiTest::MouseDown(a, 30, 30);
    UiTest::MouseMove(a, 40, 40, MK_LBUTTON);
    UiTest::MouseMove(site, 100, 20, MK_LBUTTON);
    UiTest::MouseUp(site, 100, 20);
    UiTest::Flush();
    EXPECT_EQ(a->HostDockSite(), site);
    EXPECT_EQ(a->BoundsRect(), TRect(1, 13, 199, 150));
    EXPECT_EQ(b->BoundsRect(), TRect(1, 162, 199, 299));
    EXPECT_EQ(Screen->FormCount(), forms + 1);
}

TEST_F(DockForm, AFreedDockedControlLeavesTheTree) {
    Drag(a, {20, 20}, site, {100, 150});
    Drag(b, {20, 20}, site, {100, 290});
    delete a;
    a = nullptr;
    EXPECT_EQ(site->DockClientCount(), 1);
    EXPECT_EQ(b->BoundsRect(), TRect(1, 13, 199, 299));
    // A site cannot be docked into one of its own children.
    auto* inner = new TPanel(form);
    inner->SetParent(b);
    inner->SetDockSite(true);
    EXPECT_THROW(b->ManualDock(inner), EInvalidOperation);
    EXPECT_EQ(b->HostDockSite(), site);
}
