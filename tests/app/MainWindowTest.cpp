#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/unInputString.h"
#include "app/unProgBar.h"
#include "platform/ui/Bitmap.h"
#include "tests/app/MainWindowFixture.h"
#include "widgets/VtButton.h"
#include "widgets/VtLabel.h"
#include "widgets/VtPrgres.h"

namespace {

TEST_F(MainWindow, StartsOnPageZeroWithItsCaptions) {
    EXPECT_EQ(f->Caption(), "Quillmark");
    EXPECT_EQ(Application->Title(), "Quillmark");
    EXPECT_EQ(f->ClientWidth(), 614);
    EXPECT_EQ(f->ClientHeight(), 418);
    EXPECT_EQ(C<TVtPageControl>("VtPageControl1")->GetActivePageIndex(), 0);
    EXPECT_EQ(C<TControl>("VtBitBtn1")->Caption(), "生成图幅号");
    // The conversion page names its choices as users know them.
    EXPECT_EQ(C<TControl>("VtGroupBox23")->Caption(), "转换方式");
    EXPECT_EQ(C<TControl>("VtGroupBox24")->Caption(), "转换后比例尺");
    EXPECT_EQ(C<TVtComboBox>("VtComboBox2")->ItemIndex(), 6);
    EXPECT_TRUE(C<TVtRadioButton>("VtRadioButton1")->Checked());
    auto shot = std::unique_ptr<TBitmap>(UiTest::Capture(f));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/main-page0.png");
    // The library's labels: the caption in the font's colour on the colour of the group box around it.
    TVtLabel* label = nullptr;
    for (int i = 0; i < f->ComponentCount() && !label; ++i) {
        auto* l = dynamic_cast<TVtLabel*>(f->Components(i));
        if (l && l->Visible() && dynamic_cast<TVtGroupBox*>(l->Parent()) && l->Parent()->Visible() &&
            l->Parent()->Parent() == C<TVtPageControl>("VtPageControl1")->ActivePage())
            label = l;
    }
    ASSERT_NE(label, nullptr);
    auto cap = std::unique_ptr<TBitmap>(UiTest::Capture(label));
    int ink = 0, back = 0;
    for (int y = 0; y < cap->Height(); ++y)
        for (int x = 0; x < cap->Width(); ++x) {
            TColor p = cap->Canvas()->Pixel(x, y);
            ink += p == ColorToRGB(label->Font()->Color());
            back += p == ColorToRGB(label->Parent()->Color());
        }
    EXPECT_GT(ink, 10) << label->Name();
    EXPECT_GT(back, cap->Width() * cap->Height() / 2) << label->Name();
}

// The progress form at half-way, as an export shows it: the sunken rings, the border ring, the bar colour up to
// the filled edge and the back colour after it.
TEST_F(MainWindow, ProgressFormAtHalfWay) {
    TProgBarProgress progress;
    progress.NewDialog();
    progress.SetTotalParts(8);
    progress.Show();
    for (int i = 0; i < 4; ++i) progress.IncPartsByOne();
    UiTest::Flush();
    TVtProgressBar* bar = frmProgBar->VtProgressBar1;
    EXPECT_EQ(bar->Percent(), 50);
    EXPECT_EQ(bar->BarColor(), clBlue);
    EXPECT_EQ(bar->BackColor(), clBtnFace);
    std::unique_ptr<TBitmap>(UiTest::Capture(frmProgBar))->SaveToPNG(std::string(QM_TEST_OUT) + "/progress-half.png");
    auto shot = std::unique_ptr<TBitmap>(UiTest::Capture(bar));
    TCanvas* c = shot->Canvas();
    const int w = bar->Width(), h = bar->Height();
    EXPECT_EQ(c->Pixel(0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c->Pixel(w - 1, h - 1), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(c->Pixel(1, h / 2), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(c->Pixel(2, h / 2), ColorToRGB(clBtnFace));  // border ring
    // Inside (3, 3, w - 3, h - 3): the top row holds no text.
    const int inside = w - 6;
    EXPECT_EQ(c->Pixel(3, 3), ColorToRGB(clBlue));
    EXPECT_EQ(c->Pixel(3 + inside / 2 - 2, 3), ColorToRGB(clBlue));
    EXPECT_EQ(c->Pixel(3 + inside / 2 + 2, 3), ColorToRGB(clBtnFace));
    EXPECT_EQ(c->Pixel(w - 4, 3), ColorToRGB(clBtnFace));
    frmProgBar->Close();
}

TEST_F(MainWindow, GeneratePageZeroListsAndStoresTheSheets) {
    ExampleWindow(1);
    C<TVtComboBox>("VtComboBox1")->SetItemIndex(1);  // 6-degree zones
    Spin(13)->SetValue(117);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(Items(1), (std::vector<std::string>{"J50G003040", "J50G003041"}));
    ASSERT_EQ(f->Sheets54().size(), 2u);
    const TStandardTessarol s = f->Sheets54()[0][0];
    EXPECT_EQ(s.SheetNo, "J50G003040");
    auto* o = dynamic_cast<TTessarolObject*>(f->CheckList(1)->Items()->Objects(0));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Tessarol.LT.X, s.LT.X);  // no offsets: the engine's corners exactly
    EXPECT_GT(s.LT.X, 20000000);
    // Old standard, with the prefix omitted: the X offset is the national zone prefix.
    C<TVtRadioButton>("VtRadioButton2")->SetChecked(true);
    C<TVtCheckBox>("VtCheckBox1")->SetChecked(true);  // fires its click
    EXPECT_EQ(C<TVtNumericEdit>("VtNumericEdit1")->Value(), 20000000);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(Items(1), (std::vector<std::string>{"J-50-5-(24)", "J-50-6-(17)"}));
    EXPECT_NEAR(f->Sheets54()[0][0].LT.X, s.LT.X - 20000000, 1e-6);
    // Page 1 leaves page 0 as it was.
    Page(1);
    ExampleWindow(14);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(Items(2).size(), 2u);
    EXPECT_EQ(Items(1).size(), 2u);
    EXPECT_EQ(f->Sheets80()[0][0].SheetNo, "J50G003040");
}

// The grid page's scale edit stays hidden and changes nothing: the sheets follow from the rectangle and steps.
TEST_F(MainWindow, GridScaleEditIsHiddenAndChangesNoSheet) {
    Page(2);
    EXPECT_FALSE(C<TControl>("VtGroupBox20")->Visible());
    GridInputs(1000, 2000, 3500, 4100, 1000);
    auto generate = [&](double scale) {
        Spin(27)->SetValue(scale);
        C<TVtBitBtn>("VtBitBtn1")->Click();
        std::vector<std::string> out = Items(3);
        for (const auto& row : f->Custom())
            for (const TCustomTessarol& t : row)
                out.push_back(std::to_string(t.MinX) + " " + std::to_string(t.MinY) + " " + std::to_string(t.MaxX) +
                              " " + std::to_string(t.MaxY));
        return out;
    };
    const std::vector<std::string> none = generate(0);
    EXPECT_EQ(none.size(), 18u);
    EXPECT_EQ(generate(2000), none);
    EXPECT_EQ(generate(500), none);
}

TEST_F(MainWindow, BadInputsKeepThePreviousResults) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    ASSERT_EQ(Items(1).size(), 2u);
    // An inverted window is refused in the error box; the list stays.
    SetDms(7, 116, 0, 0);
    UiTest::AnswerMessageBoxes(IDOK);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    UiTest::AnswerMessageBoxes(-1);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_EQ(Items(1).size(), 2u);
    // Grid page: a zero step and an empty template give the engine's messages.
    Page(2);
    GridInputs(1000, 2000, 3500, 4100, 1000);
    Spin(30)->SetValue(1);
    Spin(31)->SetValue(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(Items(3).size(), 9u);
    EXPECT_EQ(Items(3)[0], "1+1");
    Spin(28)->SetValue(0);
    int before = UiTest::MessageBoxCount();
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(UiTest::MessageBoxCount(), before + 1);
    EXPECT_EQ(UiTest::LastMessageBoxText(), "偏移值太小了！");
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    Spin(28)->SetValue(1000);
    C<TVtEdit>("VtEdit1")->SetText("");
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(UiTest::LastMessageBoxText(), "图副格式不符合规定！");
    EXPECT_EQ(Items(3).size(), 9u);
    EXPECT_EQ(f->Custom().size(), 3u);
}

// Every request the engine cannot serve is refused in the "错误" box with what is wrong, and the page keeps
// its list and its edits.
class Refusals : public MainWindow {
protected:
    void TearDown() override {
        UiTest::AnswerMessageBoxes(-1);
        MainWindow::TearDown();
    }
    // Generate pressed as the user does: an exception would reach the application's own box.
    void Generate() {
        UiTest::AnswerMessageBoxes(IDOK);
        auto* b = C<TControl>("VtBitBtn1");
        UiTest::Click(b, b->Width() / 2, b->Height() / 2);
        UiTest::Flush();
    }
    void ExpectRefused(const std::string& text, int list, const std::vector<std::string>& kept) {
        EXPECT_EQ(UiTest::MessageBoxCount(), ++boxes);
        EXPECT_EQ(UiTest::LastMessageBoxText(), text);
        EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
        EXPECT_EQ(UiTest::LastMessageBoxFlags(), UINT(MB_OK | MB_ICONERROR));
        EXPECT_EQ(Items(list), kept);
    }
    std::vector<double> Spins(int first, int count) {
        std::vector<double> v;
        for (int i = 0; i < count; ++i) v.push_back(Spin(first + i)->Value());
        return v;
    }
    int boxes = UiTest::MessageBoxCount();
};

TEST_F(Refusals, WindowsOfTheLatLonPages) {
    ExampleWindow(1);
    Generate();
    const std::vector<std::string> listed = Items(1);
    ASSERT_EQ(listed.size(), 2u);
    boxes = UiTest::MessageBoxCount();

    SetDms(7, 116, 0, 0);  // east of 117 to 116
    std::vector<double> edits = Spins(1, 13);
    Generate();
    ExpectRefused("右上角经度必须大于左下角经度！", 1, listed);
    EXPECT_EQ(Spins(1, 13), edits);
    ExampleWindow(1);
    SetDms(10, 39, 0, 0);  // north below south
    Generate();
    ExpectRefused("右上角纬度必须大于左下角纬度！", 1, listed);
    // Beyond 88 degrees north, and every 1:5000 sheet of the area (the full stop of the application's
    // box never followed).
    SetDms(10, 89, 0, 0);
    Generate();
    ExpectRefused("范围超出图幅系统的区域（东经0°至180°，北纬0°至88°）！", 1, listed);
    SetDms(1, 0, 0, 0);
    SetDms(4, 0, 0, 0);
    SetDms(7, 180, 0, 0);
    SetDms(10, 88, 0, 0);
    C<TVtComboBox>("VtComboBox2")->SetItemIndex(7);
    edits = Spins(1, 13);
    Generate();
    ExpectRefused("图幅数量超过两千万，请缩小范围！", 1, listed);
    EXPECT_EQ(Spins(1, 13), edits);
    EXPECT_EQ(f->Sheets54().size(), 2u);

    // Page 1 the same, with its own list.
    Page(1);
    ExampleWindow(14);
    Generate();
    const std::vector<std::string> listed80 = Items(2);
    ASSERT_EQ(listed80.size(), 2u);
    boxes = UiTest::MessageBoxCount();
    SetDms(20, 115, 0, 0);
    Generate();
    ExpectRefused("右上角经度必须大于左下角经度！", 2, listed80);
    EXPECT_EQ(Items(1), listed);
}

TEST_F(Refusals, ConversionAndPointPages) {
    Page(3);
    f->CheckList(4)->Items()->Add("J-50-5");
    Generate();
    const std::vector<std::string> converted = Items(5);
    ASSERT_EQ(converted.size(), 64u);
    boxes = UiTest::MessageBoxCount();
    // 600 sheets of 1:1,000,000 hold 22 million of 1:5000.
    for (int i = 0; i < 600; ++i) f->CheckList(4)->Items()->Add("J-50");
    C<TVtComboBox>("VtComboBox5")->SetItemIndex(7);
    Generate();
    ExpectRefused("图幅数量超过两千万，请缩小范围！", 5, converted);
    EXPECT_EQ(f->Converted().size(), 1u);

    Page(4);
    SetPoint(116, 28, 25, 39, 54, 30);
    C<TVtToolbarButton>("VtToolbarButton23")->Click();
    Generate();
    const std::vector<std::string> found = Items(7);
    ASSERT_EQ(found.size(), 1u);
    boxes = UiTest::MessageBoxCount();
    SetPoint(116, 0, 0, 89, 0, 0);  // north of the sheets' area
    C<TVtToolbarButton>("VtToolbarButton23")->Click();
    Generate();
    ExpectRefused("范围超出图幅系统的区域（东经0°至180°，北纬0°至88°）！", 7, found);
    EXPECT_EQ(Items(6).size(), 2u);
}

TEST_F(MainWindow, GridNamesKeepTheTemplateTextAsTyped) {
    Page(2);
    GridInputs(1000, 2000, 3000, 3000, 1000);
    Spin(30)->SetValue(1);
    Spin(31)->SetValue(1);
    C<TVtEdit>("VtEdit1")->SetText("图%[ROW]{\\}[col]%n%s");
    const int before = UiTest::MessageBoxCount();
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(UiTest::MessageBoxCount(), before);
    EXPECT_EQ(Items(3), (std::vector<std::string>{"图%1{\\}1%n%s", "图%1{\\}2%n%s"}));
    ASSERT_EQ(f->Custom().size(), 1u);
    EXPECT_EQ(f->Custom()[0][1].Name, "图%1{\\}2%n%s");
}

TEST_F(MainWindow, PageChangeRules) {
    Page(2);
    EXPECT_FALSE(C<TMenuItem>("N1")->Visible());
    EXPECT_EQ(C<TMenuItem>("N2")->Caption(), "投影坐标");
    EXPECT_EQ(C<TMenuItem>("Excel1")->Caption(), "导出XLS文件");
    Page(3);
    EXPECT_EQ(C<TControl>("VtBitBtn1")->Caption(), "转换图幅号");
    for (const char* n : {"N1", "N8", "N5", "XLS1"}) EXPECT_TRUE(C<TMenuItem>(n)->Visible()) << n;
    EXPECT_EQ(C<TMenuItem>("N2")->Caption(), "投影坐标（米）");
    Page(4);
    EXPECT_EQ(C<TControl>("VtBitBtn1")->Caption(), "查询图幅号");
    Page(0);
    EXPECT_EQ(C<TControl>("VtBitBtn1")->Caption(), "生成图幅号");
}

TEST_F(MainWindow, CheckListPopupEnablesByCheckedCount) {
    TVtCheckList* l = f->CheckList(1);
    auto* popup = C<TPopupMenu>("PopupMenu3");
    auto open = [&] {
        popup->SetPopupComponent(l);
        f->PopupMenu3Popup(popup);
        return std::vector<bool>{C<TMenuItem>("mnuSelAll")->Enabled(), C<TMenuItem>("mnuSelNone")->Enabled(),
                                 C<TMenuItem>("N7")->Enabled()};
    };
    EXPECT_EQ(open(), (std::vector<bool>{false, false, false}));
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(open(), (std::vector<bool>{true, false, false}));
    l->SetItemChecked(0, true);
    EXPECT_EQ(open(), (std::vector<bool>{true, true, true}));
    f->mnuSelAllClick(nullptr);
    EXPECT_EQ(open(), (std::vector<bool>{false, true, false}));
    f->N7Click(nullptr);
    EXPECT_EQ(l->ItemsChecked(), 0);
}

// The lists' popup opens from the keyboard as a context menu does: the Menu key or Shift+F10, under the
// selected item, with the list as its source.
TEST_F(MainWindow, CheckListPopupOpensFromTheKeyboard) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    TVtCheckList* l = f->CheckList(1);
    l->SetFocus();
    l->SetItemIndex(1);
    std::vector<TPoint> points;
    std::vector<bool> selectAll;
    SetPopupHook([&](TPopupMenu* m) {
        EXPECT_EQ(m, C<TPopupMenu>("PopupMenu3"));
        EXPECT_EQ(m->PopupComponent(), l);
        points.push_back(m->PopupPoint());
        selectAll.push_back(C<TMenuItem>("mnuSelAll")->Enabled());  // its OnPopup has run
        return C<TMenuItem>("mnuSelAll");
    });
    UiTest::NativeKey(VK_APPS);
    EXPECT_EQ(l->ItemsChecked(), l->Items()->Count());
    UiTest::NativeKey(VK_F10, MK_SHIFT);
    SetPopupHook(nullptr);
    ASSERT_EQ(points.size(), 2u);
    const TRect item = l->ItemRect(1);
    for (const TPoint& p : points) EXPECT_EQ(p, l->ClientToScreen(TPoint(item.Left, item.Bottom)));
    EXPECT_EQ(selectAll, (std::vector<bool>{true, false}));
}

// The degree edits take the degrees of their kind: longitudes and central meridians 0..180 (the conversion
// page's 0..360), latitudes 0..90, except the Xi'an 1980 page's south-west latitude, 0..180 as its longitude.
TEST_F(MainWindow, DegreeEditsTakeTheirRanges) {
    const std::pair<int, double> degrees[] = {{1, 180}, {4, 90},   {7, 180},  {10, 90},  {13, 180}, {14, 180},
                                              {17, 180}, {20, 180}, {23, 90}, {26, 180}, {34, 360}, {39, 180},
                                              {32, 180}, {36, 90}};
    for (auto [n, max] : degrees) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Spin(n)->Min(), 0);
        EXPECT_EQ(Spin(n)->Max(), max);
        Spin(n)->SetValue(max);
        EXPECT_EQ(Spin(n)->Value(), max);
    }
}

TEST_F(MainWindow, ZoneOffsetsAndCentralMeridians) {
    // 3-degree zones: 116 and 118 give 117, 119 gives 120; ticking puts the prefix in the X offset.
    SetDms(1, 116, 0, 0);
    EXPECT_EQ(Spin(13)->Value(), 117);
    SetDms(1, 118, 0, 0);
    EXPECT_EQ(Spin(13)->Value(), 117);
    SetDms(1, 119, 0, 0);
    EXPECT_EQ(Spin(13)->Value(), 120);
    SetDms(1, 116, 0, 0);
    C<TVtCheckBox>("VtCheckBox1")->SetChecked(true);  // fires its click
    EXPECT_EQ(C<TVtNumericEdit>("VtNumericEdit1")->Value(), 39000000);
    // A meridian typed by hand and a change of zone kind keep the offset on the zone in use.
    Spin(13)->SetValue(123);
    EXPECT_EQ(C<TVtNumericEdit>("VtNumericEdit1")->Value(), 41000000);
    C<TVtComboBox>("VtComboBox1")->SetItemIndex(1);
    f->VtSpinEdit1Change(nullptr);
    EXPECT_EQ(Spin(13)->Value(), 117);
    EXPECT_EQ(C<TVtNumericEdit>("VtNumericEdit1")->Value(), 20000000);
    C<TVtCheckBox>("VtCheckBox1")->SetChecked(false);
    EXPECT_EQ(C<TVtNumericEdit>("VtNumericEdit1")->Value(), 0);
}

TEST_F(MainWindow, PointsQueryAndFind) {
    Page(4);
    SetPoint(116, 28, 25, 39, 54, 30);
    C<TVtToolbarButton>("VtToolbarButton23")->Click();
    SetPoint(0, 0, 0, 0, 0, 0);
    C<TVtToolbarButton>("VtToolbarButton23")->Click();  // 0, 0 is not added
    SetPoint(106, 25, 30, 29, 49, 27);
    C<TVtToolbarButton>("VtToolbarButton23")->Click();
    EXPECT_EQ(Items(6), (std::vector<std::string>{"116.2825_39.5430", "106.2530_29.4927"}));
    EXPECT_EQ(Spin(39)->Value(), 105);  // 3-degree zone of the westmost point
    C<TVtComboBox>("VtComboBox7")->SetItemIndex(3);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(Items(7), (std::vector<std::string>{"J50D001005", "H48D007009"}));
    EXPECT_EQ(TfrmCreateTessarRg::FormatDmsPart(5), "05");
    EXPECT_EQ(TfrmCreateTessarRg::FormatDmsPart(7.5), "07.5");
    EXPECT_EQ(TfrmCreateTessarRg::FormatDmsPart(12.5), "12.5");
}

TEST_F(MainWindow, DeleteAsksAndTakesTheSheetsFromTheField) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    f->CheckList(1)->CheckAll();
    UiTest::AnswerMessageBoxes(IDNO);
    f->DeleteCheckedItems(f->CheckList(1));
    EXPECT_EQ(Items(1).size(), 2u);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "确认");
    UiTest::AnswerMessageBoxes(IDYES);
    f->DeleteCheckedItems(f->CheckList(1));
    UiTest::AnswerMessageBoxes(-1);
    EXPECT_TRUE(Items(1).empty());
    // What the page exports follows the list: deleted sheets are gone from it too.
    EXPECT_TRUE(f->Sheets54().empty());
    C<TVtBitBtn>("VtBitBtn1")->Click();
    f->CheckList(1)->SetItemChecked(0, true);
    UiTest::AnswerMessageBoxes(IDYES);
    f->DeleteCheckedItems(f->CheckList(1));
    UiTest::AnswerMessageBoxes(-1);
    EXPECT_EQ(Items(1), std::vector<std::string>{"J50G003041"});
    ASSERT_EQ(f->Sheets54().size(), 1u);
    EXPECT_EQ(f->Sheets54()[0][0].SheetNo, "J50G003041");
}

}  // namespace

namespace {

// Each page after Generate, kept in the build tree for a person to look at.
TEST_F(MainWindow, ScreenshotsOfEveryPageAfterGenerate) {
    GenerateEveryPage();
    for (int p = 0; p < 5; ++p) {
        Page(p);
        std::unique_ptr<TBitmap>(UiTest::Capture(f))
            ->SaveToPNG(std::string(QM_TEST_OUT) + "/main-page" + std::to_string(p) + "-generated.png");
    }
}

}  // namespace

namespace {

TEST_F(MainWindow, InformationDialogShowsTheSelectedSheet) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    f->CheckList(1)->SetItemIndex(1);
    const TStandardTessarol want = f->Sheets54()[1][0];
    std::string caption, number;
    double values[24] = {};
    SetModalHook([&](TCustomForm* dlg) {
        caption = dlg->Caption();
        number = dynamic_cast<TControl*>(dlg->FindComponent("VtEdit1"))->Text();
        for (int i = 1; i <= 24; ++i)
            values[i - 1] = dynamic_cast<TVtNumericEdit*>(dlg->FindComponent("VtNumericEdit" + std::to_string(i)))->Value();
        dlg->SetModalResult(mrOk);
    });
    f->ShowInfoClick(C<TControl>("VtToolbarButton5"));
    SetModalHook(nullptr);
    EXPECT_EQ(caption, "图幅信息");
    EXPECT_EQ(number, "J50G003041");
    EXPECT_EQ(values[0], 116);       // West degrees
    EXPECT_EQ(values[1], 30);        // West minutes
    EXPECT_EQ(values[9], 39);        // North degrees
    EXPECT_EQ(values[10], 55);       // North minutes
    EXPECT_NEAR(values[20], 116.5, 1e-9);
    EXPECT_NEAR(values[12], want.LB.X, 1e-4);  // south-west corner first on the projected page
    EXPECT_NEAR(values[15], want.LT.Y, 1e-4);
    EXPECT_NEAR(values[18], want.RB.X, 1e-4);
    // Find: whole text, case-insensitive; a miss is reported.
    SetModalHook([](TCustomForm* dlg) {
        dynamic_cast<TControl*>(dlg->FindComponent("VtEdit1"))->SetText("j50g003040");
        dlg->SetModalResult(mrOk);
    });
    f->FindInList(f->CheckList(1));
    EXPECT_EQ(f->CheckList(1)->ItemIndex(), 0);
    SetModalHook([](TCustomForm* dlg) {
        dynamic_cast<TControl*>(dlg->FindComponent("VtEdit1"))->SetText("J50G00304");
        dlg->SetModalResult(mrOk);
    });
    f->FindInList(f->CheckList(1));
    SetModalHook(nullptr);
    EXPECT_EQ(UiTest::LastMessageBoxText(), "没有找到“J50G00304”！");
    // Import corners copies the selected sheet's edges into the window.
    f->CheckList(1)->SetItemIndex(1);
    f->ImportCornersClick(C<TControl>("VtToolbarButton4"));
    EXPECT_EQ(Spin(1)->Value(), 116);
    EXPECT_EQ(Spin(2)->Value(), 30);
    EXPECT_EQ(Spin(11)->Value(), 55);
}

TEST_F(Exports, MifAndWorkbookOfPageZeroWithTheProgressForm) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    Command(&TfrmCreateTessarRg::N2Click, dir + "/index.mif");
    EXPECT_EQ(filterSeen, "MapInfo 交换格式(*.mif)|*.mif");
    std::string mif = ReadFile(dir + "/index.mif"), mid = ReadFile(dir + "/index.mid");
    EXPECT_EQ(mif.rfind("Version 450\r\n", 0), 0u);
    EXPECT_NE(mid.find("\"J50G003040\""), std::string::npos);
    ASSERT_NE(frmProgBar, nullptr);
    EXPECT_EQ(frmProgBar->Caption(), "导出图幅 " + dir + "/index.mif");
    EXPECT_EQ(frmProgBar->VtProgressBar1->Percent(), 100);
    EXPECT_TRUE(frmProgBar->VtBitBtn1->Enabled());
    EXPECT_TRUE(f->Enabled());
    TfrmProgBar* first = frmProgBar;
    // A typed ".xls" is saved as the workbook it is.
    Command(&TfrmCreateTessarRg::XLS1Click, dir + "/index.xls");
    EXPECT_EQ(filterSeen, "Microsoft Excel 工作簿(*.xlsx)|*.xlsx");
    EXPECT_TRUE(std::filesystem::exists(dir + "/index.xlsx")) << UiTest::LastMessageBoxText();
    EXPECT_NE(frmProgBar, first);
    first->VtBitBtn1Click(nullptr);
    EXPECT_FALSE(first->Visible());
    EXPECT_TRUE(frmProgBar->Visible());
    // Cancelled: nothing written.
    Command(&TfrmCreateTessarRg::N1Click, "");
    EXPECT_FALSE(std::filesystem::exists(dir + "/index.mid~tmp"));
}

TEST_F(Exports, GridPageAndConversionSourceList) {
    SmallGrid();
    C<TVtBitBtn>("VtBitBtn1")->Click();
    Command(&TfrmCreateTessarRg::N1Click, dir + "/grid-ll.mif");  // no geographic form of a grid
    EXPECT_FALSE(std::filesystem::exists(dir + "/grid-ll.mif"));
    Command(&TfrmCreateTessarRg::N2Click, dir + "/grid.mif");
    EXPECT_NE(ReadFile(dir + "/grid.mif").find("Columns 2"), std::string::npos) << UiTest::LastMessageBoxText();
    Page(3);
    // Source items carry their sheet, as typed or loaded numbers do.
    TStandardTessarols one;
    GetTessarols100k(OldSheetNoToExtent("J-50-5"), false, true, 117, one);
    f->CheckList(4)->Items()->AddObject("J-50-5", new TTessarolObject(one[0][0]));
    UiTest::AnswerMessageBoxes(IDNO);
    Command(&TfrmCreateTessarRg::N1Click, dir + "/source.mif");
    UiTest::AnswerMessageBoxes(-1);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "确认") << UiTest::LastMessageBoxText();
    EXPECT_NE(ReadFile(dir + "/source.mid").find("\"J-50-5\""), std::string::npos);
}

TEST_F(Exports, AFailedExportIsReportedAndLeavesNoFile) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    const int before = UiTest::MessageBoxCount();
    Command(&TfrmCreateTessarRg::N2Click, dir + "/missing/index.mif");
    EXPECT_EQ(UiTest::MessageBoxCount(), before + 1);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_NE(UiTest::LastMessageBoxText().find(dir + "/missing/index.mif"), std::string::npos);
    if (frmProgBar) {
        EXPECT_TRUE(frmProgBar->VtBitBtn1->Enabled());  // a dialog opened before the failure is closable
    }
    EXPECT_TRUE(f->Enabled());
    Command(&TfrmCreateTessarRg::Excel1Click, dir + "/missing/index.xlsx");
    EXPECT_EQ(UiTest::MessageBoxCount(), before + 2);
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));
}

TEST_F(Exports, EveryKindFromEveryPageReadsBack) {
    if (!HaveTool("ogrinfo") || !HaveTool("python3"))
        GTEST_SKIP() << "ogrinfo (gdal-bin) or python3 is not installed: the files are not read back";
    using Cmd = void (TfrmCreateTessarRg::*)(TObject*);
    struct Kind {
        Cmd cmd;
        const char* name;
    };
    const std::vector<Kind> all = {{&TfrmCreateTessarRg::N1Click, "ll.mif"},
                                   {&TfrmCreateTessarRg::N2Click, "m.mif"},
                                   {&TfrmCreateTessarRg::N8Click, "km.mif"},
                                   {&TfrmCreateTessarRg::Excel1Click, "m.xlsx"},
                                   {&TfrmCreateTessarRg::XLS1Click, "km.xlsx"}};
    GenerateEveryPage();
    // Into a folder and under a name in Chinese, which lie on disk in UTF-8; each file replaces the last.
    std::filesystem::create_directories(dir + U8(u8"/测试目录/北京"));
    for (int page : {0, 1, 2, 3, 4}) {
        Page(page);
        const size_t sheets = Items(page == 3 ? 5 : page == 4 ? 7 : page + 1).size();
        ASSERT_GT(sheets, 0u) << page;
        for (const Kind& k : all) {
            const bool mif = std::string(k.name).ends_with(".mif");
            if (page == 2 && (k.cmd == all[0].cmd || k.cmd == all[2].cmd || k.cmd == all[4].cmd)) continue;
            const std::string ext = mif ? ".mif" : ".xlsx";
            const std::string file = dir + "/测试目录/北京/图幅索引" + ext;
            const std::string onDisk = dir + U8(u8"/测试目录/北京/图幅索引") + ext;
            SCOPED_TRACE(std::to_string(page) + " " + k.name);
            UiTest::AnswerMessageBoxes(IDYES);  // page 3: the target numbers
            Command(k.cmd, file);
            UiTest::AnswerMessageBoxes(-1);
            ASSERT_NE(frmProgBar, nullptr);
            EXPECT_EQ(frmProgBar->VtProgressBar1->Percent(), 100);
            EXPECT_TRUE(frmProgBar->VtBitBtn1->Enabled());
            if (mif) {
                const OgrLayer layer = ReadOgr(onDisk);
                ASSERT_EQ(layer.features.size(), sheets);
                ASSERT_FALSE(layer.features[0].ring.empty());
                const double x = layer.features[0].ring[0].first;
                // Degrees, kilometres or metres.
                const bool inUnits = k.cmd == all[0].cmd   ? x > 73 && x < 136
                                     : k.cmd == all[2].cmd ? x > 1e2 && x < 1e5
                                                           : x > 1e5;
                EXPECT_TRUE(inUnits) << x;
            } else {
                const std::string xml = ZipEntry(onDisk, "xl/worksheets/sheet1.xml");
                EXPECT_EQ(Count(xml, "<row "), sheets + 2);  // title, header, a row per sheet
                EXPECT_EQ(ReadOgr(onDisk, "-oo HEADERS=DISABLE -oo FIELD_TYPES=STRING").features.size(), sheets + 2);
            }
        }
    }
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir + U8(u8"/测试目录/北京")))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{U8(u8"图幅索引.mid"), U8(u8"图幅索引.mif"), U8(u8"图幅索引.xlsx")}));
}

TEST_F(Exports, AFailedExportSaysWhy) {
    ExampleWindow(1);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    auto expectCause = [this](void (TfrmCreateTessarRg::*cmd)(TObject*), const std::string& file,
                              const std::string& cause) {
        const int before = UiTest::MessageBoxCount();
        Command(cmd, file);
        EXPECT_EQ(UiTest::MessageBoxCount(), before + 1);
        EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
        EXPECT_EQ(UiTest::LastMessageBoxText(), "导出文件“" + file + "”失败！\r\n" + cause);
    };
    expectCause(&TfrmCreateTessarRg::N2Click, dir + "/missing/index.mif", "文件夹不存在。");
    expectCause(&TfrmCreateTessarRg::Excel1Click, dir + "/missing/index.xlsx", "文件夹不存在。");
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));

    // Root writes into a read-only folder all the same, so only another user sees this one.
    if (geteuid() != 0) {
        const std::string ro = dir + "/ro";
        std::filesystem::create_directories(ro);
        chmod(ro.c_str(), 0555);
        expectCause(&TfrmCreateTessarRg::N2Click, ro + "/index.mif", "没有访问权限。");
        expectCause(&TfrmCreateTessarRg::XLS1Click, ro + "/index.xlsx", "没有访问权限。");
        chmod(ro.c_str(), 0755);
        EXPECT_TRUE(std::filesystem::is_empty(ro));
    }

    // A full disk: a small file system of its own, where the test may mount one.
    const std::string full = dir + "/full";
    std::filesystem::create_directories(full);
    if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "no tmpfs may be mounted here (" << std::strerror(errno) << "): the full disk is not tried";
    struct Unmount {
        std::string at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{full};
    Command(&TfrmCreateTessarRg::N2Click, full + "/index.mif");
    Command(&TfrmCreateTessarRg::Excel1Click, full + "/index.xlsx");
    const std::string oldMif = ReadFile(full + "/index.mif"), oldMid = ReadFile(full + "/index.mid"),
                      oldXlsx = ReadFile(full + "/index.xlsx");
    ASSERT_FALSE(oldMif.empty());
    ASSERT_FALSE(oldXlsx.empty());
    {
        std::ofstream filler(full + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), std::streamsize(block.size()))) filler.flush();
    }
    expectCause(&TfrmCreateTessarRg::N2Click, full + "/index.mif", "磁盘已满。");
    expectCause(&TfrmCreateTessarRg::Excel1Click, full + "/index.xlsx", "磁盘已满。");
    // The same when the workbook's temporary file is on that disk too.
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    setenv("TMPDIR", full.c_str(), 1);
    expectCause(&TfrmCreateTessarRg::Excel1Click, full + "/index.xlsx", "磁盘已满。");
    if (oldTmp) setenv("TMPDIR", savedTmp.c_str(), 1);
    else unsetenv("TMPDIR");
    // The older files survive whole, and nothing else is left.
    EXPECT_EQ(ReadFile(full + "/index.mif"), oldMif);
    EXPECT_EQ(ReadFile(full + "/index.mid"), oldMid);
    EXPECT_EQ(ReadFile(full + "/index.xlsx"), oldXlsx);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(full), {}), 4);
}

}  // namespace

namespace {

TEST_F(MainWindow, AngleConvertersFillTheGroupTheMenuWasOpenedOn) {
    auto* popup = C<TPopupMenu>("PopupMenu2");
    auto answer = [](double a, double b) {
        SetModalHook([a, b](TCustomForm* dlg) {
            dynamic_cast<TVtNumericEdit*>(dlg->FindComponent("VtNumericEdit1"))->SetValue(a);
            dynamic_cast<TVtNumericEdit*>(dlg->FindComponent("VtNumericEdit2"))->SetValue(b);
            dlg->SetModalResult(mrOk);
        });
    };
    Page(4);
    popup->SetPopupComponent(Spin(32));
    answer(117.5, 39.25);
    f->N3Click(nullptr);
    SetModalHook(nullptr);
    EXPECT_EQ(Spin(32)->Value(), 117);
    EXPECT_EQ(Spin(33)->Value(), 30);
    EXPECT_EQ(Spin(35)->Value(), 0);
    EXPECT_EQ(Spin(36)->Value(), 39);
    EXPECT_EQ(Spin(37)->Value(), 15);
    // XY: without a central meridian the user is told first, and no dialog opens.
    Page(0);
    popup->SetPopupComponent(Spin(7));
    Spin(13)->SetValue(0);
    const int boxes = UiTest::MessageBoxCount();
    f->N4Click(nullptr);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxText(), "必须先输入中央经度！");
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "提示");
    // 3-degree zones, meridian 117: 500,000 without the prefix lies on the meridian, as does 39,500,000.
    Spin(13)->SetValue(117);
    for (double x : {500000.0, 39500000.0}) {
        answer(x, 4418623.49);
        f->N4Click(nullptr);
        SetModalHook(nullptr);
        EXPECT_EQ(Spin(7)->Value(), 117);
        EXPECT_EQ(Spin(8)->Value(), 0);
        EXPECT_NEAR(Spin(9)->Value(), 0, 0.001);
        EXPECT_EQ(Spin(10)->Value(), 39);
    }
    EXPECT_EQ(Spin(1)->Value(), 0);  // the other group is left alone
}

}  // namespace

namespace {

TEST_F(MainWindow, ConversionSourcesFromTypedNumbers) {
    Page(3);
    auto type = [](const std::string& no) {
        SetModalHook([no](TCustomForm* dlg) {
            dynamic_cast<TControl*>(dlg->FindComponent("VtEdit1"))->SetText(no);
            dlg->SetModalResult(mrOk);
        });
    };
    // J-50 with the meridian edit at 0: set silently (3-degree zones: 114), an item with its corners.
    type("J-50");
    f->VtToolbarButton20Click(nullptr);
    EXPECT_EQ(Spin(34)->Value(), 114);
    EXPECT_TRUE(C<TVtRadioButton>("VtRadioButton5")->Checked());
    ASSERT_EQ(Items(4), std::vector<std::string>{"J-50"});
    auto* o = dynamic_cast<TTessarolObject*>(f->CheckList(4)->Items()->Objects(0));
    ASSERT_NE(o, nullptr);
    EXPECT_NEAR(o->Tessarol.LT.X, BLToXY54({114, 0, 0}, {40, 0, 0}, true, 114).X, 1e-6);
    // A new number of another zone asks; No keeps the edit and its corners.
    const int boxes = UiTest::MessageBoxCount();
    type("J51D001001");
    UiTest::AnswerMessageBoxes(IDNO);
    f->VtToolbarButton20Click(nullptr);
    UiTest::AnswerMessageBoxes(-1);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "确认");
    EXPECT_EQ(Spin(34)->Value(), 114);
    EXPECT_TRUE(C<TVtRadioButton>("VtRadioButton6")->Checked());
    // Not a sheet number: refused with the message.
    type("J-50-145");
    f->VtToolbarButton20Click(nullptr);
    SetModalHook(nullptr);
    EXPECT_EQ(UiTest::LastMessageBoxText(), "“J-50-145”不是标准图幅号！");
    EXPECT_EQ(Items(4).size(), 2u);
    // Deleting every source resets the meridian: 0 for 3-degree zones.
    f->CheckList(4)->CheckAll();
    UiTest::AnswerMessageBoxes(IDYES);
    f->VtToolbarButton16Click(nullptr);
    UiTest::AnswerMessageBoxes(-1);
    EXPECT_TRUE(Items(4).empty());
    EXPECT_EQ(Spin(34)->Value(), 0);
}

// A number typed with blanks or tabs around it is listed as read, found as listed and converted.
TEST_F(MainWindow, ConversionSourcesTypedWithBlanks) {
    Page(3);
    for (const std::string no : {"J-50-5 ", "\tJ50D001006 "}) {
        SetModalHook([no](TCustomForm* dlg) {
            dynamic_cast<TControl*>(dlg->FindComponent("VtEdit1"))->SetText(no);
            dlg->SetModalResult(mrOk);
        });
        f->VtToolbarButton20Click(nullptr);
    }
    EXPECT_EQ(Items(4), (std::vector<std::string>{"J-50-5", "J50D001006"}));
    auto* o = dynamic_cast<TTessarolObject*>(f->CheckList(4)->Items()->Objects(1));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Tessarol.SheetNo, "J50D001006");
    SetModalHook([](TCustomForm* dlg) {
        dynamic_cast<TControl*>(dlg->FindComponent("VtEdit1"))->SetText("j-50-5");
        dlg->SetModalResult(mrOk);
    });
    f->FindInList(f->CheckList(4));
    SetModalHook(nullptr);
    EXPECT_EQ(f->CheckList(4)->ItemIndex(), 0);
    C<TVtBitBtn>("VtBitBtn1")->Click();
    EXPECT_EQ(Items(5).size(), 128u);  // both at 1:10,000
}

}  // namespace
