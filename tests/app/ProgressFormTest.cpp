// The progress form at the end of an export, good or failed, as the keyboard and the failure box meet it.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/unProgBar.h"
#include "tests/app/MainWindowFixture.h"
#include "widgets/VtButton.h"
#include "widgets/VtPrgres.h"

namespace {

// Test suites of their own: the fixtures of the header are this file's.
class ProgressForm : public MainWindow {};
class FailedExport : public Exports {};

// "完成" is disabled while the export runs, so nothing holds the focus; once enabled it takes it, and Enter,
// Space and Esc close the form without a Tab first.
TEST_F(ProgressForm, DoneTakesTheFocusAndEnterSpaceOrEscCloseTheForm) {
    for (WORD key : {WORD(VK_RETURN), WORD(VK_SPACE), WORD(VK_ESCAPE)}) {
        SCOPED_TRACE(key);
        TProgBarProgress progress;
        progress.NewDialog();
        progress.SetTotalParts(2);
        progress.SetButtonEnabled(false);
        progress.Show();
        UiTest::Flush();
        TfrmProgBar* form = frmProgBar;
        EXPECT_FALSE(form->VtBitBtn1->Focused());
        UiTest::NativeKey(key);  // the button is disabled: nothing closes the form
        EXPECT_TRUE(form->Visible());
        progress.IncPartsByOne();
        progress.IncPartsByOne();
        progress.SetButtonEnabled(true);
        UiTest::Flush();
        EXPECT_TRUE(form->VtBitBtn1->Focused());
        UiTest::NativeKey(key);
        UiTest::Flush();
        EXPECT_FALSE(form->Visible());
    }
}

// The end of a failed export changes nothing of what the bar shows, only makes the form closable.
TEST_F(ProgressForm, FinishingLeavesTheBarWhereTheExportStopped) {
    TProgBarProgress progress;
    progress.NewDialog();
    progress.SetButtonEnabled(false);
    progress.Show();
    progress.SetTotalParts(10);
    for (int i = 0; i < 3; ++i) progress.IncPartsByOne();
    frmProgBar->Finish();
    UiTest::Flush();
    EXPECT_EQ(frmProgBar->VtProgressBar1->PartsComplete(), 3u);
    EXPECT_EQ(frmProgBar->VtProgressBar1->Percent(), 30);
    EXPECT_TRUE(frmProgBar->VtBitBtn1->Enabled());
    EXPECT_TRUE(frmProgBar->VtBitBtn1->Focused());
    frmProgBar->Close();
}

// A workbook whose name is taken by a folder cannot be saved. The error box belongs to the progress form that
// stays on top and comes above it; the form then closes from the keyboard.
TEST_F(FailedExport, AFailedWorkbookShowsItsBoxAboveTheProgressForm) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    std::filesystem::create_directories(dir + "/index.xlsx");
    TfrmProgBar* before = frmProgBar;
    const int boxes = UiTest::MessageBoxCount();
    Command(&TfrmCreateTessarRg::Excel1Click, dir + "/index.xlsx");
    ASSERT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/index.xlsx"));
    EXPECT_EQ(Screen->Cursor(), crDefault);
    if (frmProgBar != before) {  // the export opened its form before it failed
        EXPECT_EQ(UiTest::LastMessageBoxOwner(), frmProgBar);
        EXPECT_TRUE(UiTest::LastMessageBoxOnTop());
        EXPECT_TRUE(frmProgBar->VtBitBtn1->Enabled());
        EXPECT_TRUE(frmProgBar->VtBitBtn1->Focused());
        UiTest::NativeKey(VK_RETURN);
        UiTest::Flush();
        EXPECT_FALSE(frmProgBar->Visible());
    }
    EXPECT_TRUE(f->Enabled());
}

}  // namespace
