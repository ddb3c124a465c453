#include "platform/ui/ActnList.h"

#include <gtest/gtest.h>

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"

TEST(ActnList, ControlsShowAndRunTheirActionUntilItGoes) {
    UiTest::Init();
    TForm f(nullptr);
    auto* a = new TAction(&f);
    a->SetCaption("Run");
    a->SetHint("runs");
    int runs = 0;
    EXPECT_FALSE(a->Execute());  // nothing to run yet
    a->OnExecute = [&](TObject* s) {
        EXPECT_EQ(s, a);
        ++runs;
    };
    auto* b = new TButton(&f);
    b->SetParent(&f);
    auto* c = new TButton(&f);
    c->SetParent(&f);
    b->SetAction(a);
    c->SetAction(a);
    EXPECT_EQ(b->Caption(), "Run");
    EXPECT_EQ(b->Hint(), "runs");
    a->SetEnabled(false);
    EXPECT_FALSE(b->Enabled());
    a->SetEnabled(true);
    b->Click();
    EXPECT_EQ(runs, 1);
    // An own handler takes the click instead.
    int own = 0;
    b->OnClick = [&](TObject*) { ++own; };
    b->Click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(own, 1);
    // Unlinked: the action's changes no longer reach it.
    c->SetAction(nullptr);
    a->SetCaption("Go");
    EXPECT_EQ(b->Caption(), "Go");
    EXPECT_EQ(c->Caption(), "Run");
    delete a;
    EXPECT_EQ(b->Action(), nullptr);
    b->OnClick = nullptr;
    b->Click();
    EXPECT_EQ(runs, 1);
}
