#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/unCreateTessarRg.h"
#include "app/unInputPoint.h"
#include "app/unInputString.h"
#include "app/unTFInformation.h"
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

// The sheet information is only read: Enter and Escape close it, wherever the focus is.
TEST(DialogButtons, EnterAndEscapeCloseTheSheetInformation) {
    UiTest::Init();
    RegisterAppClasses();
    for (WORD key : {WORD(VK_RETURN), WORD(VK_ESCAPE)}) {
        std::unique_ptr<TfrmTFInformation> info(new TfrmTFInformation(Application));
        info->AfterConstruction();
        bool closed = false;
        SetModalHook([&](TCustomForm* dlg) {
            if (auto* edit = dynamic_cast<TWinControl*>(dlg->FindComponent("VtEdit1"))) edit->SetFocus();
            UiTest::Key(key);
            closed = dlg->ModalResult() != 0;
            if (!closed) dlg->SetModalResult(mrCancel);
        });
        info->ShowModal();
        EXPECT_TRUE(closed) << key;
    }
    SetModalHook(nullptr);
}
