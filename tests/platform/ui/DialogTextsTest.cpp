// What the user reads in the platform's dialogs: Chinese whatever the desktop's language.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

TEST(DialogTexts, MessageBoxButtons) {
    EXPECT_EQ(UiTest::LayOutMessageBox("x", MB_OK).buttons, (std::vector<std::string>{"确定"}));
    const auto okCancel = UiTest::LayOutMessageBox("x", MB_OKCANCEL).buttons;
    EXPECT_EQ((std::set<std::string>(okCancel.begin(), okCancel.end())), (std::set<std::string>{"确定", "取消"}));
    const auto yesNo = UiTest::LayOutMessageBox("x", MB_YESNO | MB_ICONQUESTION).buttons;
    EXPECT_EQ((std::set<std::string>(yesNo.begin(), yesNo.end())), (std::set<std::string>{"是", "否"}));
}

TEST(DialogTexts, FileDialogsShowTheFormsFiltersOnceAndChineseLabels) {
    TOpenDialog open(nullptr);
    open.SetFilter("Shape File(*.shp)|*.shp|MapInfo(*.tab)|*.tab|MapInfo 交换格式(*.mif)|*.mif");
    open.SetFilterIndex(3);
    UiTest::FileDialogTexts t = UiTest::FileDialogOf(open);
    EXPECT_EQ(t.title, "打开");
    EXPECT_EQ(t.filters, (std::vector<std::string>{"Shape File(*.shp)", "MapInfo(*.tab)", "MapInfo 交换格式(*.mif)"}));
    EXPECT_EQ(t.selectedFilter, "MapInfo 交换格式(*.mif)");
    EXPECT_EQ(t.accept, "打开(&O)");
    EXPECT_EQ(t.reject, "取消");
    EXPECT_EQ(t.fileName, "文件名(&N)：");
    EXPECT_EQ(t.fileType, "文件类型(&T)：");
    EXPECT_EQ(t.lookIn, "查找范围：");

    // Full-width parentheses, patterns joined by ';', and a text without patterns all show as the form has them.
    TSaveDialog save(nullptr);
    save.SetFilter("文本文件（*.txt）|*.txt|表格|*.xlsx;*.xls");
    t = UiTest::FileDialogOf(save);
    EXPECT_EQ(t.title, "另存为");
    EXPECT_EQ(t.accept, "保存(&S)");
    EXPECT_EQ(t.filters, (std::vector<std::string>{"文本文件（*.txt）", "表格"}));
    // A title the form sets is kept.
    save.SetTitle("导出");
    EXPECT_EQ(UiTest::FileDialogOf(save).title, "导出");
}

// A combo box's list starts from the current item, as a list box does, and shows no check marks.
TEST(DialogTexts, DropDownListsGoOnFromTheCurrentItem) {
    const std::vector<std::string> scales = {"1:100万", "1:50万", "1:25万", "1:10万", "1:5万", "1:2.5万", "1:1万", "1:5000"};
    UiTest::DropDownAnswer a = UiTest::AnswerDropDownList(scales, 6, {VK_UP, VK_UP, VK_RETURN});
    EXPECT_EQ(a.chosen, 4);
    EXPECT_FALSE(a.checkMarks);
    EXPECT_EQ(UiTest::AnswerDropDownList(scales, 6, {VK_DOWN, VK_RETURN}).chosen, 7);
    EXPECT_EQ(UiTest::AnswerDropDownList(scales, 6, {VK_RETURN}).chosen, 6);
    EXPECT_EQ(UiTest::AnswerDropDownList(scales, 6, {VK_UP, VK_ESCAPE}).chosen, -1);
    EXPECT_EQ(UiTest::AnswerDropDownList(scales, -1, {VK_DOWN, VK_RETURN}).chosen, 0);
}

// A message box belongs to the form in use and stays above the forms that stay on top, or such a form (the
// progress of an export) would hide it.
TEST(DialogTexts, MessageBoxesComeAboveTheFormsThatStayOnTop) {
    UiTest::Init();
    auto* main = new TForm(Application);
    main->SetBounds(0, 0, 400, 300);
    main->Show();
    ShowErrorBox("x");
    EXPECT_EQ(UiTest::LastMessageBoxOwner(), main);
    EXPECT_FALSE(UiTest::LastMessageBoxOnTop());

    auto* progress = new TForm(Application);
    progress->SetFormStyle(fsStayOnTop);
    progress->SetBounds(50, 50, 200, 80);
    progress->Show();
    ShowErrorBox("x");
    EXPECT_EQ(UiTest::LastMessageBoxOwner(), progress);
    EXPECT_TRUE(UiTest::LastMessageBoxOnTop());
    // Whichever form is in use, while one that stays on top shows.
    main->Show();
    ShowConfirmBox("x");
    EXPECT_TRUE(UiTest::LastMessageBoxOnTop());

    progress->Close();
    ShowInfoBox("x");
    EXPECT_EQ(UiTest::LastMessageBoxOwner(), main);
    EXPECT_FALSE(UiTest::LastMessageBoxOnTop());
    delete progress;
    delete main;
    ShowErrorBox("x");
    EXPECT_EQ(UiTest::LastMessageBoxOwner(), nullptr);
}

// Alt and the underlined letter of a label reach its field: the label needs the field as its buddy, or it shows
// its "&" as it stands.
TEST(DialogTexts, FileDialogLabelsLeadToTheirFields) {
    TSaveDialog save(nullptr);
    save.SetFilter("文本文件(*.txt)|*.txt");
    UiTest::FileDialogTexts t = UiTest::FileDialogOf(save);
    EXPECT_EQ(t.fileNameBuddy, "fileNameEdit");
    EXPECT_EQ(t.fileTypeBuddy, "fileTypeCombo");
    EXPECT_FALSE(t.asksBeforeOverwriting);
}

// The file list speaks Chinese whatever the desktop's language: its columns, a folder's type, sizes and dates;
// a file of one of the dialog's kinds is named by the dialog's filter.
TEST(DialogTexts, FileListsAreChinese) {
    const std::string dir = std::string(QM_TEST_OUT) + "/dialog-listing";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/sub");
    std::ofstream(dir + "/small.mif") << "Version 450\r\n";  // 13 bytes
    std::ofstream(dir + "/large.mif") << std::string(5000, 'x');
    std::ofstream(dir + "/notes.txt") << "x";  // another kind: not listed under the first filter
    TOpenDialog open(nullptr);
    open.SetFilter("MapInfo 交换格式(*.mif)|*.mif|文本文件（*.txt）|*.txt");
    open.SetInitialDir(dir);
    const auto rows = UiTest::FileDialogListing(open);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"名称", "大小", "类型", "修改日期"}));
    EXPECT_EQ(rows[1][0], "large.mif");
    EXPECT_EQ(rows[1][1], "4.88 kB");
    EXPECT_EQ(rows[1][2], "MapInfo 交换格式");
    EXPECT_EQ(rows[2][0], "small.mif");
    EXPECT_EQ(rows[2][1], "13 字节");
    EXPECT_EQ(rows[3][0], "sub");
    EXPECT_EQ(rows[3][1], "");
    EXPECT_EQ(rows[3][2], "文件夹");
    const std::regex chineseDate(R"(\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{2})");
    for (size_t r = 1; r < rows.size(); ++r) EXPECT_TRUE(std::regex_match(rows[r][3], chineseDate)) << rows[r][3];
}
