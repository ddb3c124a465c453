// What the user reads in the platform's dialogs: Chinese whatever the desktop's language.
#include <gtest/gtest.h>

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
