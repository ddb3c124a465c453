#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/unCreateTessarRg.h"
#include "app/unInputPoint.h"
#include "app/unInputString.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtButton.h"

namespace {
void Shot(TCustomForm* dlg, const std::string& name) {
    std::unique_ptr<TBitmap> b(UiTest::Capture(dlg));
    b->SaveToPNG(std::string(QM_TEST_OUT) + "/" + name + ".png");
}
}  // namespace

// The dialogs' stock buttons are the library's hot-track bit buttons: Enter answers OK, Escape Cancel.
TEST(DialogButtons, EnterAndEscapeCloseTheTextPrompt) {
    UiTest::Init();
    RegisterAppClasses();
    bool hotTrack = false;
    SetModalHook([&](TCustomForm* dlg) {
        auto* ok = dynamic_cast<TVtBitBtn*>(dlg->FindComponent("VtBitBtn1"));
        ASSERT_TRUE(ok);
        hotTrack = ok->HotTrack() && ok->Kind() == bkOK && ok->Caption() == "确定";
        Shot(dlg, "dialog-frmInputString");
        UiTest::Key(VK_RETURN);
    });
    std::string text = "J50";
    EXPECT_TRUE(InputString("查找", "图幅号：", text));
    EXPECT_TRUE(hotTrack);
    SetModalHook([](TCustomForm*) { UiTest::Key(VK_ESCAPE); });
    EXPECT_FALSE(InputString("查找", "图幅号：", text));
    SetModalHook([](TCustomForm* dlg) {
        Shot(dlg, "dialog-frmInputPoint");
        UiTest::Key(VK_ESCAPE);
    });
    double values[2] = {1, 2};
    EXPECT_FALSE(InputPoint("点", "X", "Y", values));
    EXPECT_EQ(values[0], 1);
    SetModalHook(nullptr);
}
