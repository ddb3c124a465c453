// Result lists whose items carry the records of their page's result field, and requests refused for the
// memory they would take.
#include <gtest/gtest.h>

#include "platform/rtl/MemoryStatus.h"
#include "tests/app/MainWindowFixture.h"

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
const char* const kNoMemory = "可用内存不足以容纳这些图幅，请缩小范围！";

class LargeLists : public MainWindow {
protected:
    void TearDown() override {
        SetAvailableMemoryOverride(std::nullopt);
        UiTest::AnswerMessageBoxes(-1);
        MainWindow::TearDown();
    }
    void Window(int first, double w, double s, double e, double n) {
        SetDms(first, w, 0, 0);
        SetDms(first + 3, s, 0, 0);
        SetDms(first + 6, e, 0, 0);
        SetDms(first + 9, n, 0, 0);
    }
    void Generate() {
        UiTest::AnswerMessageBoxes(IDOK);
        C<TVtBitBtn>("VtBitBtn1")->Click();
        UiTest::AnswerMessageBoxes(-1);
    }
    void DeleteChecked(int list) {
        UiTest::AnswerMessageBoxes(IDYES);
        f->DeleteCheckedItems(f->CheckList(list));
        UiTest::AnswerMessageBoxes(-1);
    }
    static bool Same(const TStandardTessarol& a, const TStandardTessarol& b) {
        auto eq = [](const TDmsAngle& x, const TDmsAngle& y) {
            return x.Degrees == y.Degrees && x.Minutes == y.Minutes && x.Seconds == y.Seconds;
        };
        auto pe = [](const TPlanePoint& x, const TPlanePoint& y) { return x.X == y.X && x.Y == y.Y; };
        return a.SheetNo == b.SheetNo && eq(a.West, b.West) && eq(a.South, b.South) && eq(a.East, b.East) &&
               eq(a.North, b.North) && pe(a.LT, b.LT) && pe(a.RT, b.RT) && pe(a.RB, b.RB) && pe(a.LB, b.LB);
    }
    // Every item of the list shows and carries the record at its place in the field, and nothing else.
    void ExpectInStep(int list, const TStandardTessarols& field) {
        TItemStrings* items = f->CheckList(list)->Items();
        int k = 0;
        for (auto& column : field)
            for (auto& t : column) {
                ASSERT_LT(k, items->Count());
                auto* o = dynamic_cast<TTessarolObject*>(items->Objects(k));
                ASSERT_NE(o, nullptr) << k;
                EXPECT_EQ(items->Strings(k), t.SheetNo) << k;
                EXPECT_TRUE(Same(o->Tessarol, t)) << k;
                EXPECT_TRUE(Same(o->GetTessarol(), t)) << k;
                EXPECT_TRUE(o->CustomTessarol.Name.empty());
                ++k;
            }
        EXPECT_EQ(k, items->Count());
    }
    int boxes = UiTest::MessageBoxCount();
};

TEST_F(LargeLists, ItemsKeepTheirSheetsThroughDeletesAndOffsets) {
    // 1:10,000 over 116-117 E, 39-40 N, with both offsets: 16 columns of 24 rows.
    Window(1, 116, 39, 117, 40);
    C<TVtNumericEdit>("VtNumericEdit1")->SetValue(39000000);
    C<TVtNumericEdit>("VtNumericEdit2")->SetValue(4000000);
    Generate();
    ASSERT_EQ(Items(1).size(), 384u);
    TStandardTessarols engine;
    GetNewTessarols({{116, 0, 0}, {39, 0, 0}, {117, 0, 0}, {40, 0, 0}}, true, true, Spin(13)->Value(), 6, engine);
    ASSERT_EQ(engine.size(), 16u);
    EXPECT_EQ(f->Sheets54()[3][5].LT.X, engine[3][5].LT.X - 39000000);
    EXPECT_EQ(f->Sheets54()[3][5].RB.Y, engine[3][5].RB.Y - 4000000);
    ExpectInStep(1, f->Sheets54());
    // Every third item, then a whole column and the first and last items: each time the items left carry
    // their own sheets, where the field now holds them.
    for (int i = 0; i < 384; i += 3) f->CheckList(1)->SetItemChecked(i, true);
    DeleteChecked(1);
    EXPECT_EQ(Items(1).size(), 256u);
    ExpectInStep(1, f->Sheets54());
    for (int i = 0; i < 16; ++i) f->CheckList(1)->SetItemChecked(i, true);
    f->CheckList(1)->SetItemChecked(255, true);
    DeleteChecked(1);
    EXPECT_EQ(Items(1).size(), 239u);
    EXPECT_EQ(f->Sheets54().size(), 15u);  // the emptied column is gone
    ExpectInStep(1, f->Sheets54());
    // The preview and the information form read the same sheets.
    TStandardTessarols listed;
    f->GetListTessarols(f->CheckList(1), listed);
    ASSERT_EQ(listed.size(), 239u);
    EXPECT_TRUE(Same(listed[238][0], f->Sheets54().back().back()));
    // Another page's Generate leaves these alone; a new one of this page replaces both.
    Page(1);
    Window(14, 116, 39, 117, 40);
    Generate();
    ExpectInStep(2, f->Sheets80());
    Page(0);
    ExpectInStep(1, f->Sheets54());
    C<TVtComboBox>("VtComboBox2")->SetItemIndex(5);
    Generate();
    EXPECT_EQ(Items(1).size(), 96u);
    ExpectInStep(1, f->Sheets54());
}

TEST_F(LargeLists, GridItemsKeepTheirSheetsThroughDeletes) {
    Page(2);
    GridInputs(0, 0, 30000, 20000, 1000);
    Generate();
    ASSERT_EQ(Items(3).size(), 600u);
    for (int i = 1; i < 600; i += 2) f->CheckList(3)->SetItemChecked(i, true);
    DeleteChecked(3);
    TItemStrings* items = f->CheckList(3)->Items();
    ASSERT_EQ(items->Count(), 300);
    int k = 0;
    for (auto& row : f->Custom())
        for (auto& t : row) {
            auto* o = dynamic_cast<TTessarolObject*>(items->Objects(k));
            ASSERT_NE(o, nullptr);
            EXPECT_EQ(items->Strings(k), t.Name);
            EXPECT_EQ(o->CustomTessarol.Name, t.Name);
            EXPECT_EQ(o->GetCustomTessarol().MinX, t.MinX);
            EXPECT_EQ(o->CustomTessarol.MaxY, t.MaxY);
            EXPECT_TRUE(o->Tessarol.SheetNo.empty());
            ++k;
        }
    EXPECT_EQ(k, 300);
}

// A line that is no sheet number leaves its row of the field empty: the items that follow still carry the
// records where they stand, before and after deletes that empty other rows.
TEST_F(LargeLists, ConvertedItemsKeepTheirSheetsPastLinesThatAreNoSheet) {
    Page(3);
    for (const char* line : {"J-50-5", "no sheet", "J-50-6", "J-50-7"}) f->CheckList(4)->Items()->Add(line);
    Generate();
    ASSERT_EQ(f->Converted().size(), 4u);
    ASSERT_TRUE(f->Converted()[1].empty());
    ASSERT_EQ(Items(5).size(), 192u);
    ExpectInStep(5, f->Converted());
    // All of J-50-6's sheets and every fifth of the others.
    for (int i = 0; i < 192; ++i) f->CheckList(5)->SetItemChecked(i, (i >= 64 && i < 128) || i % 5 == 0);
    DeleteChecked(5);
    EXPECT_EQ(f->Converted().size(), 2u);
    EXPECT_EQ(Items(5).size(), 102u);
    ExpectInStep(5, f->Converted());
    TStandardTessarols listed;
    f->GetListTessarols(f->CheckList(5), listed);
    ASSERT_EQ(listed.size(), 102u);
    EXPECT_TRUE(Same(listed.back()[0], f->Converted().back().back()));
    // The query page's list refers to its own field in the same way.
    Page(4);
    SetPoint(116, 28, 25, 39, 54, 30);
    C<TVtToolbarButton>("VtToolbarButton23")->Click();
    SetPoint(106, 25, 30, 29, 49, 27);
    C<TVtToolbarButton>("VtToolbarButton23")->Click();
    Generate();
    ASSERT_EQ(Items(7).size(), 2u);
    ExpectInStep(7, f->Queried());
    f->CheckList(7)->SetItemChecked(0, true);
    DeleteChecked(7);
    ExpectInStep(7, f->Queried());
    ASSERT_EQ(Items(7).size(), 1u);
    Page(3);
    ExpectInStep(5, f->Converted());
}

// 1:5,000 over 115-125 E, 35-40 N: 320 columns of 240 rows, 76,800 sheets, some 20 MiB listed.
TEST_F(LargeLists, RequestsThatDoNotFitAreRefusedAndTheListStays) {
    Window(1, 116, 39, 117, 40);
    Generate();
    const std::vector<std::string> listed = Items(1);
    ASSERT_EQ(listed.size(), 384u);
    Window(1, 115, 35, 125, 40);
    C<TVtComboBox>("VtComboBox2")->SetItemIndex(7);
    SetAvailableMemoryOverride(40 * kMiB);
    boxes = UiTest::MessageBoxCount();
    Generate();
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxText(), kNoMemory);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_EQ(UiTest::LastMessageBoxFlags(), UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(Items(1), listed);
    ExpectInStep(1, f->Sheets54());
    SetAvailableMemoryOverride(std::nullopt);
    Generate();
    EXPECT_EQ(Items(1).size(), 76800u);
    ExpectInStep(1, f->Sheets54());

    // Conversion: two 1:1,000,000 sheets are 73,728 of 1:5,000.
    Page(3);
    f->CheckList(4)->Items()->Add("J-50-5");
    Generate();
    const std::vector<std::string> converted = Items(5);
    ASSERT_EQ(converted.size(), 64u);
    f->CheckList(4)->Items()->Add("J-50");
    f->CheckList(4)->Items()->Add("K-50");
    C<TVtComboBox>("VtComboBox5")->SetItemIndex(7);
    SetAvailableMemoryOverride(40 * kMiB);
    Generate();
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 2);
    EXPECT_EQ(UiTest::LastMessageBoxText(), kNoMemory);
    EXPECT_EQ(Items(5), converted);
    ExpectInStep(5, f->Converted());

    // The grid: 400 by 400 sheets, 160,000.
    Page(2);
    GridInputs(0, 0, 30000, 20000, 1000);
    Generate();
    const std::vector<std::string> grid = Items(3);
    ASSERT_EQ(grid.size(), 600u);
    GridInputs(0, 0, 400, 400, 1);
    Generate();
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 3);
    EXPECT_EQ(UiTest::LastMessageBoxText(), kNoMemory);
    EXPECT_EQ(Items(3), grid);
    EXPECT_EQ(f->Custom().size(), 20u);
    SetAvailableMemoryOverride(std::nullopt);
    Generate();
    EXPECT_EQ(Items(3).size(), 160000u);
}

TEST_F(LargeLists, TheListBeingReplacedCountsAsFreed) {
    Window(1, 115, 35, 125, 40);
    C<TVtComboBox>("VtComboBox2")->SetItemIndex(7);
    Generate();
    ASSERT_EQ(Items(1).size(), 76800u);
    // Room for half of what the list takes beside the reserve: the same list again fits once the old one
    // goes first, whatever a listed sheet takes up to twice 135 bytes.
    SetAvailableMemoryOverride(64 * kMiB + 76800 * 135);
    boxes = UiTest::MessageBoxCount();
    Generate();
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes);
    EXPECT_EQ(Items(1).size(), 76800u);
    ExpectInStep(1, f->Sheets54());
    // With a small list on the page the same request does not fit; the list stays.
    SetAvailableMemoryOverride(std::nullopt);
    Window(1, 116, 39, 117, 40);
    Generate();
    ASSERT_EQ(Items(1).size(), 1536u);
    SetAvailableMemoryOverride(64 * kMiB + 76800 * 135);
    Window(1, 115, 35, 125, 40);
    Generate();
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxText(), kNoMemory);
    EXPECT_EQ(Items(1).size(), 1536u);
}

}  // namespace
