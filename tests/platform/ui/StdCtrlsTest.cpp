#include "platform/ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PlatformClasses.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtButton.h"
#include "widgets/VtChkLst.h"
#include "widgets/VtCommon.h"
#include "widgets/VtCmboBx.h"
#include "widgets/VtEdit.h"
#include "widgets/VtPanel.h"
#include "widgets/VtRadChk.h"
#include "widgets/VtSpnEdt.h"

void RegisterUiTestForms();  // compiled from tests/platform/ui/forms

namespace {

class TfrmStdCtrlsTest : public TForm {
public:
    explicit TfrmStdCtrlsTest(TComponent* owner) : TForm(owner) { InitComponentFromResource(this); }
    static const TClassInfo& StaticClass() {
        static TClassInfo ci = [] {
            using C = TfrmStdCtrlsTest;
            TClassInfo c{"TfrmStdCtrlsTest", &TForm::StaticClass(), {}, {}, {}};
            c.methods = {Method("FormCreate", &C::FormCreate),     Method("Edit1Change", &C::Edit1Change),
                         Method("ToolClick", &C::ToolClick),       Method("PageChange", &C::PageChange),
                         Method("RadioClick", &C::RadioClick),     Method("ComboChange", &C::ComboChange),
                         Method("SpinChange", &C::SpinChange),     Method("GenerateClick", &C::GenerateClick),
                         Method("N1Click", &C::N1Click),           Method("mnuSelAllClick", &C::mnuSelAllClick),
                         Method("mnuSelNoneClick", &C::mnuSelNoneClick), Method("PopupMenu3Popup", &C::PopupMenu3Popup),
                         Method("ListDrawItem", &C::ListDrawItem)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    template <class T>
    T* Get(const std::string& name) {
        auto* c = dynamic_cast<T*>(FindComponent(name));
        if (!c) throw Exception("no " + name);
        return c;
    }

    void FormCreate(TObject*) { SetCaption("Quillmark " + Caption()); }
    void Edit1Change(TObject*) { ++edits; }
    void ToolClick(TObject*) { ++tools; }
    void PageChange(TObject*) { pages.push_back(Get<TPageControl>("VtPageControl1")->GetActivePageIndex()); }
    void RadioClick(TObject* s) { radioClicks.push_back(static_cast<TComponent*>(s)->Name()); }
    void ComboChange(TObject*) { ++combos; }
    void SpinChange(TObject*) { ++spins; }
    void GenerateClick(TObject*) { ++generates; }
    void N1Click(TObject*) { ++n1; }
    void mnuSelAllClick(TObject*) {
        if (auto* l = dynamic_cast<TVtCheckList*>(Get<TPopupMenu>("PopupMenu3")->PopupComponent())) l->CheckAll();
    }
    void mnuSelNoneClick(TObject*) {
        if (auto* l = dynamic_cast<TVtCheckList*>(Get<TPopupMenu>("PopupMenu3")->PopupComponent())) l->UncheckAll();
    }
    void PopupMenu3Popup(TObject*) {
        auto* l = dynamic_cast<TVtCheckList*>(Get<TPopupMenu>("PopupMenu3")->PopupComponent());
        int n = l ? l->Items()->Count() : 0, c = l ? l->ItemsChecked() : 0;
        Get<TMenuItem>("mnuSelAll")->SetEnabled(n > 0 && c != n);
        Get<TMenuItem>("mnuSelNone")->SetEnabled(c >= 1);
    }
    // Alternate rows in grey, as the main window draws its result lists.
    void ListDrawItem(TWinControl* control, int index, TRect rect, TOwnerDrawState state) {
        auto* l = static_cast<TVtCheckList*>(control);
        TCanvas* c = l->Canvas();
        c->Brush()->SetColor((state & odSelected) ? clHighlight : index % 2 == 0 ? RGB(227, 227, 227) : clWindow);
        c->FillRect(rect);
        c->Font()->SetColor((state & odSelected) ? clCaptionText : clBlack);
        c->TextOut(rect.Left + 2, rect.Top + 2, l->Items()->Strings(index));
        ++draws;
    }

    int edits = 0, tools = 0, combos = 0, spins = 0, generates = 0, n1 = 0, draws = 0;
    std::vector<int> pages;
    std::vector<std::string> radioClicks;
};

class StdCtrls : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        UiTest::Init();
        RegisterPlatformClasses();
        RegisterWidgetClasses();
        RegisterClass(TfrmStdCtrlsTest::StaticClass());
        RegisterUiTestForms();
    }
    void SetUp() override {
        f = new TfrmStdCtrlsTest(Application);
        f->AfterConstruction();
        f->Show();
        UiTest::Flush();
    }
    void TearDown() override {
        SetPopupHook(nullptr);
        SetComboDropHook(nullptr);
        SetFileDialogHook(nullptr);
        delete f;
        UiTest::Flush();
    }
    TfrmStdCtrlsTest* f = nullptr;
};

// Pixels darker than a mid grey inside r of a capture.
int DarkPixels(TBitmap* b, const TRect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            TColor c = b->Canvas()->Pixel(x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 300) ++n;
        }
    return n;
}
TRect InForm(TControl* c, TCustomForm* f, TRect r) {
    TPoint o = f->ScreenToClient(c->ClientToScreen(TPoint(r.Left, r.Top)));
    TRect wc = f->WindowClientRect();
    return Bounds(o.X + wc.Left, o.Y + wc.Top, r.Width(), r.Height());
}

TEST_F(StdCtrls, FormResourceBuildsTheTreeAndBindsHandlers) {
    EXPECT_EQ(f->Caption(), "Quillmark 控件测试");  // OnCreate ran after the resource
    auto* panel2 = f->Get<TVtPanel>("Panel2");
    EXPECT_EQ(panel2->Parent(), f->Get<TVtPanel>("Panel1"));
    EXPECT_EQ(f->Get<TVtToolbarButton>("VtToolbarButton1")->Parent(), panel2);
    auto* pc = f->Get<TPageControl>("VtPageControl1");
    ASSERT_EQ(pc->PageCount(), 2);
    EXPECT_EQ(pc->Pages(0)->Name(), "TabSheet1");  // document order is the page order
    EXPECT_EQ(pc->Pages(1)->Name(), "TabSheet2");
    EXPECT_EQ(pc->GetActivePageIndex(), 0);
    EXPECT_TRUE(pc->Pages(0)->Visible());
    EXPECT_FALSE(pc->Pages(1)->Visible());
    auto* list = f->Get<TVtCheckList>("VtCheckList1");
    ASSERT_EQ(list->Items()->Count(), 3);
    EXPECT_EQ(list->Items()->Strings(1), "//第一组");
    EXPECT_TRUE(list->ItemChecked(0));
    EXPECT_FALSE(list->ItemChecked(2));
    EXPECT_EQ(list->PopupMenu(), f->Get<TPopupMenu>("PopupMenu3"));
    EXPECT_GT(f->draws, 0);
    EXPECT_TRUE(f->Get<TVtRadioButton>("VtRadioButton1")->GetChecked());
    EXPECT_TRUE(f->radioClicks.empty());  // loading fires no clicks
    EXPECT_EQ(f->Get<TVtComboBox>("VtComboBox1")->ItemIndex(), 0);
    EXPECT_EQ(f->Get<TVtComboBox>("VtComboBox1")->Text(), "3度分带法");
    EXPECT_EQ(f->Get<TVtSpinEdit>("VtSpinEdit1")->Value(), 116);
    EXPECT_EQ(f->Get<TVtNumericEdit>("VtNumericEdit1")->Text(), "(1,234,567)");
    EXPECT_EQ(f->Get<TVtNumericEdit>("VtNumericEdit1")->Value(), -1234567);
    EXPECT_EQ(f->Get<TVtMenuButton>("VtMenuButton1")->DropDownMenu(), f->Get<TPopupMenu>("PopupMenu1"));
    EXPECT_TRUE(f->Get<TVtToolbarButton>("VtToolbarButton2")->Down());
    EXPECT_EQ(f->Get<TOpenDialog>("OpenDialog1")->Filter(), "文本文件（*.txt）|*.txt");
    EXPECT_EQ(f->edits + f->spins + f->combos, 0);  // nor change events
    // A single border keeps the size; the resource's client size holds.
    EXPECT_EQ(f->ClientWidth(), 420);
    EXPECT_EQ(f->ClientHeight(), 300);
    f->SetClientWidth(400);
    UiTest::Flush();
    EXPECT_EQ(f->Width(), 400);
}

TEST_F(StdCtrls, ModalFormWithStockButtons) {
    auto* dlg = new TForm(Application);
    ReadComponentResource(dlg, R"(object frmAsk: TForm
  BorderStyle = bsDialog
  BorderIcons = [biSystemMenu]
  Caption = '输入'
  ClientWidth = 292
  ClientHeight = 125
  PixelsPerInch = 96
  TextHeight = 13
  object VtEdit1: TVtEdit
    Left = 8
    Top = 8
    Width = 209
  end
  object VtBitBtn1: TVtBitBtn
    Left = 8
    Top = 80
    Caption = '确定'
    Kind = bkOK
  end
  object VtBitBtn2: TVtBitBtn
    Left = 100
    Top = 80
    Caption = '取消'
    Kind = bkCancel
  end
end
)");
    EXPECT_EQ(dlg->BorderIcons(), biSystemMenu);
    auto* ok = dynamic_cast<TVtBitBtn*>(dlg->FindComponent("VtBitBtn1"));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->Caption(), "确定");  // a stock kind keeps the resource's caption
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_TRUE(ok->Default());
    SetModalHook([](TCustomForm*) {
        UiTest::Chars("北京");
        UiTest::Key(VK_RETURN);  // the default button answers
    });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_EQ(static_cast<TVtEdit*>(dlg->FindComponent("VtEdit1"))->Text(), "北京");
    SetModalHook([](TCustomForm*) { UiTest::Key(VK_ESCAPE); });
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    SetModalHook(nullptr);
    delete dlg;
}

TEST_F(StdCtrls, TypingIntoAnEdit) {
    auto* e = f->Get<TVtEdit>("Edit1");
    e->SetFocus();
    EXPECT_EQ(e->SelText(), "abc");  // entering selects all
    UiTest::Chars("图幅x");          // GBK double-byte characters arrive byte by byte
    EXPECT_EQ(e->Text(), "图幅x");
    EXPECT_GT(f->edits, 0);
    UiTest::Key(VK_BACK);
    EXPECT_EQ(e->Text(), "图幅");
    UiTest::Key(VK_LEFT);
    UiTest::Chars("1");
    EXPECT_EQ(e->Text(), "图1幅");
    EXPECT_EQ(e->SelStart(), 2);
    UiTest::Key(VK_HOME, MK_SHIFT);
    UiTest::Key(VK_END, MK_SHIFT);
    EXPECT_EQ(e->SelText(), "幅");
    UiTest::Key('Z', MK_CONTROL);
    EXPECT_EQ(e->Text(), "图幅");
    e->SetMaxLength(3);
    e->SetSelStart(2);
    UiTest::Chars("abc");
    EXPECT_EQ(e->Text(), "图幅a");
    e->SetReadOnly(true);
    UiTest::Chars("z");
    UiTest::Key(VK_BACK);
    EXPECT_EQ(e->Text(), "图幅a");
    // A handler that eats a key keeps it from the text.
    e->SetReadOnly(false);
    e->SetMaxLength(0);
    e->OnKeyPress = [](TObject*, char& k) {
        if (k == 'q') k = 0;
    };
    UiTest::Chars("qw");
    EXPECT_EQ(e->Text(), "图幅aw");
    // A right click opens the edit's popup menu with the edit as its source.
    auto* menu = f->Get<TPopupMenu>("PopupMenu3");
    TComponent* source = nullptr;
    SetPopupHook([&](TPopupMenu* m) -> TMenuItem* {
        source = m->PopupComponent();
        return nullptr;
    });
    f->Get<TVtPanel>("Panel1")->SetPopupMenu(menu);
    UiTest::MouseDown(e, 5, 5, MK_RBUTTON);
    UiTest::MouseUp(e, 5, 5, MK_RBUTTON);
    EXPECT_EQ(source, nullptr);  // none of its own: the native menu, not the parent's
    e->SetPopupMenu(menu);
    UiTest::MouseDown(e, 5, 5, MK_RBUTTON);
    UiTest::MouseUp(e, 5, 5, MK_RBUTTON);
    EXPECT_EQ(source, e);
    e->SetText("程序");
    EXPECT_EQ(e->Text(), "程序");
    EXPECT_EQ(e->SelText(), "");
}

TEST_F(StdCtrls, ListClicksTogglesAndPopup) {
    auto* list = f->Get<TVtCheckList>("VtCheckList1");
    TRect r2 = list->ItemRect(2);
    UiTest::Click(list, 80, r2.Top + 5);  // on the text: selects
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_FALSE(list->ItemChecked(2));
    UiTest::Click(list, 6, r2.Top + 5);  // on the glyph: toggles
    EXPECT_TRUE(list->ItemChecked(2));
    EXPECT_EQ(list->ItemsChecked(), 2);
    UiTest::Key(VK_SPACE);
    EXPECT_FALSE(list->ItemChecked(2));
    UiTest::Key(VK_UP);
    EXPECT_EQ(list->ItemIndex(), 1);
    UiTest::Key(VK_SPACE);  // group items do not toggle
    EXPECT_FALSE(list->ItemChecked(1));

    // Right click: the item becomes current, the popup opens with the list as its source, an item is chosen.
    auto* menu = f->Get<TPopupMenu>("PopupMenu3");
    std::vector<bool> enabledSeen;
    SetPopupHook([&](TPopupMenu* m) -> TMenuItem* {
        EXPECT_EQ(m, menu);
        enabledSeen = {f->Get<TMenuItem>("mnuSelAll")->Enabled(), f->Get<TMenuItem>("mnuSelNone")->Enabled()};
        return f->Get<TMenuItem>("mnuSelAll");
    });
    TRect r0 = list->ItemRect(0);
    UiTest::MouseDown(list, 80, r0.Top + 5, MK_RBUTTON);
    UiTest::MouseUp(list, 80, r0.Top + 5, MK_RBUTTON);
    EXPECT_EQ(list->ItemIndex(), 0);
    EXPECT_EQ(menu->PopupComponent(), list);
    EXPECT_EQ(enabledSeen, (std::vector<bool>{true, true}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(list->ItemChecked(i)) << i;  // group item included
    EXPECT_EQ(list->ItemsChecked(), 2);                                  // but not counted
    list->Items()->Delete(0);
    EXPECT_TRUE(list->ItemChecked(0));
    EXPECT_EQ(list->ItemsChecked(), 1);

    // The list scrolls to keep the current item in view.
    list->Items()->Clear();
    for (int i = 0; i < 40; ++i) list->Items()->AddObject("S" + std::to_string(i), f);
    EXPECT_EQ(list->Items()->Objects(5), f);
    list->SetItemIndex(30);
    EXPECT_GT(list->TopIndex(), 20);
    UiTest::Flush();
    EXPECT_EQ(list->ItemAtPos(TPoint(50, 1), true), list->TopIndex());
}

TEST_F(StdCtrls, ButtonsPagesCombosAndMenuButton) {
    auto* pc = f->Get<TPageControl>("VtPageControl1");
    TRect tab = pc->TabRect(1);
    UiTest::Click(pc, (tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2);
    EXPECT_EQ(f->pages, std::vector<int>{1});
    EXPECT_TRUE(f->Get<TTabSheet>("TabSheet2")->Visible());
    EXPECT_FALSE(f->Get<TTabSheet>("TabSheet1")->Visible());
    pc->SetActivePageIndex(0);
    EXPECT_EQ(f->pages.size(), 1u);  // only the user's switch fires OnChange
    UiTest::Flush();

    auto* r2 = f->Get<TVtRadioButton>("VtRadioButton2");
    UiTest::Click(r2, 5, 5);
    EXPECT_TRUE(r2->GetChecked());
    EXPECT_FALSE(f->Get<TVtRadioButton>("VtRadioButton1")->GetChecked());
    EXPECT_EQ(f->radioClicks, std::vector<std::string>{"VtRadioButton2"});

    auto* cb = f->Get<TVtCheckBox>("VtCheckBox1");
    UiTest::Click(cb, 5, 5);
    EXPECT_TRUE(cb->GetChecked());

    auto* combo = f->Get<TVtComboBox>("VtComboBox1");
    SetComboDropHook([](TCustomComboBox* c) { return c->Items()->Count() - 1; });
    UiTest::Click(combo, 10, 10);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "6度分带法");
    EXPECT_EQ(f->combos, 1);
    UiTest::Key(VK_UP);
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(f->combos, 2);

    auto* spin = f->Get<TVtSpinEdit>("VtSpinEdit1");
    spin->SetFocus();
    UiTest::Key(VK_UP);
    EXPECT_EQ(spin->Value(), 117);
    UiTest::Click(spin, spin->ClientWidth() - 4, spin->ClientHeight() - 3);  // the down button
    EXPECT_EQ(spin->Value(), 116);
    spin->SetValue(500);
    EXPECT_EQ(spin->Text(), "180");
    EXPECT_GE(f->spins, 3);

    auto* t1 = f->Get<TVtToolbarButton>("VtToolbarButton1");
    UiTest::Click(t1, 5, 5);
    EXPECT_EQ(f->tools, 1);
    EXPECT_TRUE(t1->Down());
    EXPECT_FALSE(f->Get<TVtToolbarButton>("VtToolbarButton2")->Down());

    UiTest::Click(f->Get<TVtBitBtn>("VtBitBtn1"), 10, 10);
    EXPECT_EQ(f->generates, 1);

    auto* mb = f->Get<TVtMenuButton>("VtMenuButton1");
    TPoint at;
    SetPopupHook([&](TPopupMenu* m) -> TMenuItem* {
        at = m->PopupPoint();
        return f->Get<TMenuItem>("N1");
    });
    UiTest::Click(mb, 10, 10);
    EXPECT_EQ(f->n1, 1);
    EXPECT_EQ(at, mb->ClientToScreen(TPoint(0, mb->Height())));
    EXPECT_EQ(f->Get<TPopupMenu>("PopupMenu1")->PopupComponent(), mb);
}

TEST_F(StdCtrls, ScreenshotShowsTheChineseCaptions) {
    std::unique_ptr<TBitmap> shot(UiTest::Capture(f));
    shot->SaveToPNG(std::string(QM_TEST_OUT) + "/StdCtrlsForm.png");
    auto* pc = f->Get<TPageControl>("VtPageControl1");
    auto* list = f->Get<TVtCheckList>("VtCheckList1");
    // Text strokes where the captions are, none on the plain face beside them.
    EXPECT_GT(DarkPixels(shot.get(), InForm(pc, f, pc->TabRect(0))), 30);
    EXPECT_GT(DarkPixels(shot.get(), InForm(pc, f, pc->TabRect(1))), 30);
    auto* edit = f->Get<TVtEdit>("Edit1");
    EXPECT_GT(DarkPixels(shot.get(), InForm(edit, f, TRect(2, 2, 40, 18))), 10);  // the native edit's text
    auto* btn = f->Get<TVtBitBtn>("VtBitBtn1");
    EXPECT_GT(DarkPixels(shot.get(), InForm(btn, f, TRect(10, 4, 80, 20))), 30);
    auto* group = f->Get<TVtGroupBox>("VtGroupBox1");
    EXPECT_GT(DarkPixels(shot.get(), InForm(group, f, TRect(8, 0, 60, 12))), 20);
    EXPECT_EQ(DarkPixels(shot.get(), InForm(f, f, TRect(300, 256, 400, 278))), 0);
    // Owner-drawn rows: the even row grey, the odd row white.
    TRect r0 = InForm(list, f, list->ItemRect(0)), r1 = InForm(list, f, list->ItemRect(1));
    EXPECT_EQ(shot->Canvas()->Pixel(r0.Right - 3, r0.Top + 1), RGB(227, 227, 227));
    EXPECT_EQ(shot->Canvas()->Pixel(r1.Right - 3, r1.Top + 1), ColorToRGB(clWindow));

    // The second page.
    f->Get<TPageControl>("VtPageControl1")->SetActivePageIndex(1);
    std::unique_ptr<TBitmap> page2(UiTest::Capture(f));
    page2->SaveToPNG(std::string(QM_TEST_OUT) + "/StdCtrlsPage2.png");
    EXPECT_EQ(DarkPixels(page2.get(), InForm(list, f, TRect(20, 36, 120, 54))), 0);  // the first page is hidden
}

TEST_F(StdCtrls, UnknownNamesFailNamingThem) {
    auto expectError = [](const std::string& text, const std::string& mention) {
        auto* g = new TForm(nullptr);
        try {
            ReadComponentResource(g, text);
            ADD_FAILURE() << "no error for " << mention;
        } catch (const EFormResourceError& e) {
            EXPECT_NE(e.Message.find(mention), std::string::npos) << e.Message;
        }
        delete g;
    };
    expectError("object F: TForm\n  object A: TVtSpinEdt\n  end\nend\n", "TVtSpinEdt");
    expectError("object F: TForm\n  object A: TVtCheckList\n    Itemz.Strings = ('a')\n  end\nend\n", "Itemz.Strings");
    expectError("object F: TForm\n  object A: TVtCheckList\n    OnDrawItem = NoSuchHandler\n  end\nend\n",
                "NoSuchHandler");
    expectError("object F: TForm\n  object A: TVtMenuButton\n    DropDownMenu = PopupMenuX\n  end\nend\n", "PopupMenuX");
    expectError("object F: TForm\n  object P: TPageControl\n    object A: TVtPanel\n    end\n  end\nend\n", "A");
    expectError("object F: TForm\n  object A: TVtComboBox\n    Style = csDropDownLyst\n  end\nend\n", "csDropDownLyst");
}

// The operations the windows rely on, with their edge rules.
TEST(WindowControls, SpinNumericAndPages) {
    UiTest::Init();
    TVtSpinEdit spin(nullptr);
    spin.SetDecimals(3);
    spin.SetIntegersOnly(false);
    spin.SetMax(60);
    spin.SetValue(7.5);
    EXPECT_EQ(spin.Text(), "7.500");
    spin.SetValue(-2);
    EXPECT_EQ(spin.Value(), 0);
    spin.SetMax(0);  // Min = Max without range checking: no clamping
    spin.SetValue(77);
    EXPECT_EQ(spin.Value(), 77);
    spin.SetCheckRange(true);
    spin.SetValue(77);
    EXPECT_EQ(spin.Value(), 0);
    spin.SetText("x");
    EXPECT_EQ(spin.Value(), 0);  // unparsable reads as Min

    TVtNumericEdit num(nullptr);
    EXPECT_EQ(num.Text(), "0");
    num.SetText("(1,234.5)");
    EXPECT_EQ(num.Value(), -1234.5);
    num.SetText("1e3");
    EXPECT_EQ(num.Value(), 13);
    num.SetText("abc");
    EXPECT_EQ(num.Value(), 0);
    num.SetMin(5);
    num.SetText("");
    EXPECT_EQ(num.Value(), 5);  // an empty text shows Min
    EXPECT_EQ(num.Text(), "5");
    EXPECT_EQ(num.Max(), 5);    // Min above Max raised Max
    num.SetDisplayFormat(",0.00000;(,0.00000)");
    num.SetValue(-12.5);
    EXPECT_EQ(num.Text(), "(12.50000)");
    num.SetAllowBlank(true);
    num.SetText("");
    EXPECT_EQ(num.Value(), 0);

    TPageControl pc(nullptr);
    EXPECT_EQ(pc.GetActivePageIndex(), -1);
    auto* s = new TTabSheet(nullptr);
    s->SetPageControl(&pc);
    EXPECT_EQ(pc.GetActivePageIndex(), -1);  // a page is not made active by being added
    pc.SetActivePage(s);
    EXPECT_EQ(pc.GetActivePageIndex(), 0);
    delete s;
    EXPECT_EQ(pc.PageCount(), 0);
    EXPECT_EQ(pc.GetActivePageIndex(), -1);

    TVtCheckList list(nullptr);
    list.Items()->Add("//甲");
    list.Items()->Add("//乙");
    list.CheckAll();
    EXPECT_TRUE(list.ItemChecked(0) && list.ItemChecked(1));
    EXPECT_EQ(list.ItemsChecked(), 0);
    EXPECT_THROW(list.ItemChecked(2), ERangeError);
}

TEST(Dialogs, FileDialogsAndMessageBoxesAnswerTests) {
    UiTest::Init();
    TSaveDialog save(nullptr);
    save.SetFilter("文本文件(*.txt)|*.txt|所有文件|*.*");
    save.SetDefaultExt("txt");
    auto pairs = ParseDialogFilter(save.Filter());
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, "文本文件(*.txt)");
    EXPECT_EQ(pairs[1].second, "*.*");
    SetFileDialogHook([](TOpenDialog* d) { return d->IsSave() ? std::string("/tmp/范围") : std::string(); });
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), "/tmp/范围.txt");
    TOpenDialog open(nullptr);
    EXPECT_FALSE(open.Execute());
    SetFileDialogHook([](TOpenDialog*) { return std::string("/tmp/a.b/c.TXT"); });
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), "/tmp/a.b/c.TXT");
    SetFileDialogHook(nullptr);
    EXPECT_FALSE(open.Execute());  // nobody can answer on the offscreen platform

    // Several files and the filter they were chosen under; a single-selection dialog keeps the first.
    SetStrProp(&open, "Filter", "A(*.shp)|*.shp|B(*.tab)|*.tab|C(*.mif)|*.mif");
    SetFileDialogHook([](TOpenDialog* d) {
        d->SetFilterIndex(3);
        d->SetFiles({"/d/A.mif", "/d/a.mif"});
        return std::string();
    });
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.Files(), std::vector<std::string>{"/d/A.mif"});
    SetSetProp(&open, "Options", "[ofAllowMultiSelect, ofHideReadOnly]");
    EXPECT_TRUE(open.MultiSelect());
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.Files(), (std::vector<std::string>{"/d/A.mif", "/d/a.mif"}));
    EXPECT_EQ(open.FileName(), "/d/A.mif");
    EXPECT_EQ(open.FilterIndex(), 3);
    SetFileDialogHook([](TOpenDialog*) { return std::string(); });
    EXPECT_FALSE(open.Execute());
    EXPECT_TRUE(open.Files().empty());
    SetFileDialogHook(nullptr);

    int before = UiTest::MessageBoxCount();
    ShowErrorBox("偏移值太小了！");
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_EQ(UiTest::LastMessageBoxText(), "偏移值太小了！");
    ShowInfoBox("完成");
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "提示");
    UiTest::AnswerMessageBoxes(IDYES);
    EXPECT_TRUE(ShowConfirmBox("删除吗？"));
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "确认");
    UiTest::AnswerMessageBoxes(IDNO);
    EXPECT_FALSE(ShowConfirmBox("删除吗？"));
    UiTest::AnswerMessageBoxes(-1);
    EXPECT_EQ(UiTest::MessageBoxCount(), before + 4);
}

TEST(Dialogs, MessageBoxesKeepLongTextsWithinTheScreen) {
    UiTest::Init();
    // What the program shows today passes unchanged, line ends and all.
    for (const std::string& text : {std::string("文件格式不符合规定！"), std::string("XYZ\r\n\r\n以上不是标准图幅号！"),
                                    std::string("导出文件“") + std::string(150, 'a') + "”失败！"}) {
        ShowErrorBox(text);
        EXPECT_EQ(UiTest::LastMessageBoxText(), text);
    }
    // 200,000 digits: the box shows what its lines hold and ends with "……".
    const std::string digits(200000, '9');
    ShowErrorBox(digits);
    const std::string shown = UiTest::LastMessageBoxText();
    ASSERT_GT(shown.size(), 100u);
    EXPECT_LT(shown.size(), 5000u);
    EXPECT_EQ(shown.substr(0, 100), digits.substr(0, 100));
    EXPECT_EQ(shown.substr(shown.size() - 6), "\r\n……");
    // Forty short lines: the first 24, then "……".
    std::string many, first24;
    for (int i = 0; i < 40; ++i) {
        many += "第" + std::to_string(i) + "行\r\n";
        if (i < 24) first24 += "第" + std::to_string(i) + "行\r\n";
    }
    ShowErrorBox(many);
    EXPECT_EQ(UiTest::LastMessageBoxText(), first24 + "……");

    // The real boxes: within about two thirds of the screen's width, on the screen, every line with room.
    int shot = 0;
    for (const std::string& text : {digits, many, std::string(3000, 'x') + "\n短", [] {
                                        std::string t;
                                        for (int i = 0; i < 1000; ++i) t += "图幅号";
                                        return t;
                                    }()}) {
        const UiTest::MessageBoxLayout m = UiTest::LayOutMessageBox(
            text, MB_OK | MB_ICONERROR, std::string(QM_TEST_OUT) + "/message-box-long" + std::to_string(++shot) + ".png");
        EXPECT_LE(m.width, m.screenWidth * 2 / 3 + 10);
        EXPECT_LE(m.height, m.screenHeight);
        EXPECT_GT(m.height, 200);  // more than a line or two: the text is wrapped, not cut
        EXPECT_TRUE(m.textFits);
    }
    const UiTest::MessageBoxLayout small = UiTest::LayOutMessageBox("文件格式不符合规定！", MB_OK | MB_ICONERROR);
    EXPECT_LT(small.width, 300);
    EXPECT_LT(small.height, 120);
    EXPECT_TRUE(small.textFits);
}

TEST(Dialogs, ExceptionBoxEndsASentenceOnlyWithoutAMarkOfItsOwn) {
    UiTest::Init();
    Application->SetTitle("Quillmark");
    for (auto [text, shown] : {std::pair<std::string, std::string>{"Range check error", "Range check error."},
                               {"范围超出图幅系统的区域！", "范围超出图幅系统的区域！"},
                               {"完成。", "完成。"}, {"是否继续？", "是否继续？"}, {"Done.", "Done."},
                               {"Cannot open file \"a.txt\"", "Cannot open file \"a.txt\""},
                               {"（东经0°至180°）", "（东经0°至180°）"}, {"数值", "数值."}}) {
        Application->ShowException(Exception(text));
        EXPECT_EQ(UiTest::LastMessageBoxText(), shown);
        EXPECT_EQ(UiTest::LastMessageBoxCaption(), "Quillmark");
    }
}

}  // namespace

// Strings without a list behind them delete marked items one by one, from the last, each change told.
TEST(ItemStrings, MarkedItemsWithoutAListGoOneByOne) {
    TItemStrings items;
    for (const char* t : {"a", "b", "c", "d", "e"}) items.Add(t);
    std::vector<std::pair<int, int>> changes;
    items.OnChange = [&changes](int index, int delta) { changes.emplace_back(index, delta); };
    items.DeleteMarked({false, true, false, true});
    EXPECT_EQ(items.Text(), "a\r\nc\r\ne\r\n");
    EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{3, -1}, {1, -1}}));
    // Told at once when the owner listens for that, with the mask cut to the list.
    std::vector<bool> told;
    items.OnDeletedMarked = [&told](const std::vector<bool>& gone) { told = gone; };
    changes.clear();
    items.DeleteMarked({true, false, false, false, false, false});
    EXPECT_EQ(items.Text(), "c\r\ne\r\n");
    EXPECT_EQ(told, (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(changes.empty());
}
