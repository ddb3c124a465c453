#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Printers.h"
#include "platform/ui/Themes.h"
#include "platform/ui/testsupport/UiTest.h"

TEST(ImageList, MaskedImagesSplitDrawAndDisable) {
    UiTest::Init();
    TImageList list(nullptr);
    list.SetWidth(4);
    list.SetHeight(4);
    TBitmap strip(8, 4, pf24bit);
    strip.Canvas()->Brush()->SetColor(clFuchsia);
    strip.Canvas()->FillRect(TRect(0, 0, 8, 4));
    strip.Canvas()->SetPixel(1, 1, clBlack);
    strip.Canvas()->SetPixel(6, 2, clBlue);
    EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
    EXPECT_EQ(list.Count(), 2);
    TBitmap dst(10, 10, pf24bit);
    TCanvas* c = dst.Canvas();
    list.Draw(c, 2, 2, 0);
    EXPECT_EQ(c->Pixel(3, 3), clBlack);
    EXPECT_EQ(c->Pixel(2, 2), clWhite);  // transparent
    list.Draw(c, 0, 0, 1);
    EXPECT_EQ(c->Pixel(2, 2), clBlue);
    // Disabled: the dark pixel becomes shadow, with a highlight copy one pixel down and right.
    TBitmap dis(10, 10, pf24bit);
    dis.Canvas()->Brush()->SetColor(clSilver);
    dis.Canvas()->FillRect(TRect(0, 0, 10, 10));
    list.Draw(dis.Canvas(), 0, 0, 0, false);
    EXPECT_EQ(dis.Canvas()->Pixel(1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(dis.Canvas()->Pixel(2, 2), ColorToRGB(clBtnHighlight));
    list.Delete(0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_THROW(list.Delete(5), ERangeError);
}

TEST(Themes, OffByDefaultAndDrawnThroughTheStyleWhenOn) {
    UiTest::Init();
    TThemeServices* t = ThemeServices();
    EXPECT_FALSE(t->ThemesEnabled());
    t->SetThemesEnabled(true);
    EXPECT_TRUE(t->ThemesEnabled());
    for (TThemedPart part : {tpPushButton, tpCheckBox, tpRadioButton, tpComboDropDown, tpScrollArrowUp, tpProgressBar,
                             tpProgressChunk, tpCloseButton, tpStatusPane}) {
        TBitmap b(40, 24, pf24bit);
        t->DrawElement(b.Canvas(), t->GetElementDetails(part, tsNormal, tcChecked), TRect(2, 2, 38, 22));
        int changed = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x)
                if (b.Canvas()->Pixel(x, y) != clWhite) ++changed;
        EXPECT_GT(changed, 0) << "part " << int(part);
        EXPECT_EQ(b.Canvas()->Pixel(0, 0), clWhite) << "part " << int(part);  // nothing outside the rectangle
    }
    t->SetThemesEnabled(false);
}

TEST(Printer, APagePrintedToPdf) {
    UiTest::Init();
    std::string pdf = std::string(QM_TEST_OUT) + "/page.pdf";
    std::remove(pdf.c_str());
    TPrinter* p = Printer();
    p->SetOutputFileName(pdf);
    p->SetTitle("Quillmark");
    p->BeginDoc();
    EXPECT_TRUE(p->Printing());
    EXPECT_THROW(p->BeginDoc(), EPrinter);
    int w = p->PageWidth(), h = p->PageHeight();
    EXPECT_EQ(p->PixelsPerInch(), 300);
    EXPECT_GT(h, w);
    TCanvas* c = p->Canvas();
    EXPECT_EQ(c->Font()->Size(), 10);
    EXPECT_NEAR(c->TextHeight("X"), 10 * 300 / 72, 15);
    c->Pen()->SetColor(clBlack);
    c->Pen()->SetWidth(8);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(w / 4, h / 4, 3 * w / 4, 3 * h / 4);
    c->TextOut(w / 4, h / 8, "\xcd\xbc\xb7\xf9 Quillmark");
    TBitmap bmp(2, 2, pf24bit);
    bmp.Canvas()->Brush()->SetColor(clRed);
    bmp.Canvas()->FillRect(TRect(0, 0, 2, 2));
    StretchDIBits(c, w / 2 - 100, h / 2 - 100, 200, 200, 0, 0, 2, 2, &bmp, SRCCOPY);
    p->EndDoc();
    EXPECT_FALSE(p->Printing());
    p->SetOutputFileName("");
    std::ifstream f(pdf, std::ios::binary);
    std::string head(4, '\0');
    f.read(&head[0], 4);
    EXPECT_EQ(head, "%PDF");
    if (std::system("command -v pdftoppm > /dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm is not installed";
    std::string png = std::string(QM_TEST_OUT) + "/page";
    ASSERT_EQ(std::system(("pdftoppm -r 30 -png -singlefile '" + pdf + "' '" + png + "'").c_str()), 0);
    TBitmap page;
    page.LoadFromFile(png + ".png");
    // 30 dots per inch: the frame at a quarter of the page, the red square in the middle.
    int pw = page.Width(), ph = page.Height();
    EXPECT_NEAR(pw, 248, 2);
    TColor mid = page.Canvas()->Pixel(pw / 2, ph / 2);
    EXPECT_GT(GetRValue(mid), 200);
    EXPECT_LT(GetGValue(mid), 60);
    int dark = 0;
    for (int y = ph / 4 - 2; y <= ph / 4 + 2; ++y)
        if (GetRValue(page.Canvas()->Pixel(pw / 2, y)) < 128) ++dark;
    EXPECT_GT(dark, 0);
}

TEST(Menus, PopupAnsweredByTheTest) {
    UiTest::Init();
    TForm f(nullptr);
    TPopupMenu menu(&f);
    auto* open = new TMenuItem(&menu);
    open->SetCaption("\xb4\xf2\xbf\xaa");
    int clicks = 0;
    open->OnClick = [&](TObject*) { ++clicks; };
    menu.Items()->Add(open);
    f.SetPopupMenu(&menu);
    f.Show();
    SetPopupHook([&](TPopupMenu* m) { return m->Items()->Items(0); });
    UiTest::MouseDown(&f, 10, 10, MK_RBUTTON);
    UiTest::MouseUp(&f, 10, 10, MK_RBUTTON);
    SetPopupHook(nullptr);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(menu.PopupComponent(), &f);
    EXPECT_EQ(menu.PopupPoint(), f.ClientToScreen(TPoint(10, 10)));
}
