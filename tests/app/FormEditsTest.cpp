// Every numeric and spin edit of every window shows its widest value whole at the size its form gives it:
// the text's ink lies inside the client area, clear of the spin buttons, as wide as the text drawn alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "app/unCreateTessarRg.h"
#include "app/unInputPoint.h"
#include "app/unTFInformation.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtEdit.h"
#include "widgets/VtSpnEdt.h"
#include "widgets/VtTabs.h"

namespace {

// Numeric edits have no range of their own: these are the widest values their callers put in them.
constexpr double ZoneOffset = 60000000;         // the zone prefix of a 180-degree central meridian
constexpr double Projected = 60999999.99999;    // an easting with its zone prefix
const std::map<std::string, std::vector<double>>& NumericValues() {
    static const std::map<std::string, std::vector<double>> m = [] {
        std::map<std::string, std::vector<double>> v;
        for (int i : {1, 2, 3, 4, 9, 10, 11, 12}) v["frmCreateTessarRg.VtNumericEdit" + std::to_string(i)] = {ZoneOffset};
        for (int i : {5, 6, 7, 8}) v["frmCreateTessarRg.VtNumericEdit" + std::to_string(i)] = {Projected, -Projected};
        for (int i : {1, 2}) v["frmInputPoint.VtNumericEdit" + std::to_string(i)] = {Projected, -Projected, 180};
        for (int i : {1, 4, 7, 10}) v["frmTFInformation.VtNumericEdit" + std::to_string(i)] = {180};
        for (int i : {2, 5, 8, 11}) v["frmTFInformation.VtNumericEdit" + std::to_string(i)] = {59};
        for (int i : {3, 6, 9, 12}) v["frmTFInformation.VtNumericEdit" + std::to_string(i)] = {59.999, 60};
        for (int i = 13; i <= 20; ++i) v["frmTFInformation.VtNumericEdit" + std::to_string(i)] = {Projected, -Projected};
        for (int i = 21; i <= 24; ++i) v["frmTFInformation.VtNumericEdit" + std::to_string(i)] = {179.99999, 180};
        return v;
    }();
    return m;
}

// A spin edit's range and decimals: both ends, the last step below the top, and every run of nines in between.
std::vector<double> SpinValues(TVtSpinEdit* e) {
    double step = std::pow(10.0, -e->Decimals());
    std::vector<double> v{double(e->Min()), double(e->Max()), double(e->Max() - step)};
    for (double nines = 10; nines - step < e->Max(); nines *= 10)
        if (nines - step >= e->Min()) v.push_back(nines - step);
    return v;
}

// Bounding box of the pixels in `area` that differ from `back`, skipping `skip` (relative to the bitmap).
TRect InkBox(TBitmap* b, TRect area, TColor back, TRect skip = TRect()) {
    TRect r(area.Right, area.Bottom, area.Left - 1, area.Top - 1);
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x) {
            if (x >= skip.Left && x < skip.Right && y >= skip.Top && y < skip.Bottom) continue;
            if (b->Canvas()->Pixel(x, y) == back) continue;
            r.Left = std::min(r.Left, x);
            r.Top = std::min(r.Top, y);
            r.Right = std::max(r.Right, x + 1);
            r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r;
}

// How wide the text's ink is when drawn alone in the edit's font.
int InkWidth(TControl* c, const std::string& text) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(400, 60);
    TCanvas* cv = b->Canvas();
    cv->Brush()->SetColor(clWhite);
    cv->FillRect(TRect(0, 0, 400, 60));
    cv->SetFont(*c->Font());
    cv->Font()->SetColor(clBlack);
    cv->TextOut(20, 10, text);
    return InkBox(b.get(), TRect(0, 0, 400, 60), clWhite).Width();
}

class FormEdits : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        UiTest::Init();
        RegisterAppClasses();
    }

    // Walks the pages (when there are any), puts each candidate value in each edit that shows and checks the
    // capture; the widest value stays for the picture of the page.
    void CheckForm(TForm* form, const std::string& name) {
        form->Show();
        UiTest::Flush();
        TVtPageControl* pages = nullptr;
        for (int i = 0; i < form->ComponentCount() && !pages; ++i)
            pages = dynamic_cast<TVtPageControl*>(form->Components(i));
        int pageCount = pages ? pages->PageCount() : 1;
        for (int p = 0; p < pageCount; ++p) {
            if (pages) pages->SetActivePageIndex(p);
            // No caret: the form holds the focus.
            form->SetFocus();
            UiTest::Flush();
            for (int i = 0; i < form->ComponentCount(); ++i) {
                auto* c = dynamic_cast<TCustomEdit*>(form->Components(i));
                if (!c || !c->Showing()) continue;
                if (auto* s = dynamic_cast<TVtSpinEdit*>(c)) {
                    CheckValues(c, SpinValues(s), [s](double v) { s->SetValue(v); }, s->ButtonWidth());
                } else if (auto* n = dynamic_cast<TVtNumericEdit*>(c)) {
                    auto it = NumericValues().find(name + "." + c->Name());
                    ASSERT_NE(it, NumericValues().end()) << name << "." << c->Name() << " has no widest value";
                    CheckValues(c, it->second, [n](double v) { n->SetValue(v); }, 0);
                } else {
                    continue;
                }
                seen.push_back(name + "." + c->Name());
            }
            std::unique_ptr<TBitmap>(UiTest::Capture(form))
                ->SaveToPNG(std::string(QM_TEST_OUT) + "/edits-" + name + "-" + std::to_string(p) + ".png");
        }
    }

    template <class Set>
    void CheckValues(TCustomEdit* e, std::vector<double> values, Set set, int buttons) {
        // Widest last, so that it is the one the page's picture shows.
        auto width = [&](double v) {
            set(v);
            return InkWidth(e, e->Text());
        };
        std::vector<std::pair<int, double>> byWidth;
        for (double v : values) byWidth.emplace_back(width(v), v);
        std::stable_sort(byWidth.begin(), byWidth.end());
        bool failedBefore = HasFailure();
        for (auto [w, v] : byWidth) {
            set(v);
            UiTest::Flush();
            std::unique_ptr<TBitmap> shot(UiTest::Capture(e));
            int border = (e->Width() - e->ClientWidth()) / 2;
            TRect client(border, border, border + e->ClientWidth(), border + e->ClientHeight());
            TRect spin(client.Right - buttons, client.Top, client.Right, client.Bottom);
            TRect ink = InkBox(shot.get(), client, ColorToRGB(e->Color()), spin);
            std::string what = e->Name() + " holding " + e->Text();
            ASSERT_FALSE(e->Focused()) << what;
            EXPECT_EQ(ink.Width(), w) << what;
            EXPECT_GE(ink.Left, client.Left + 1) << what;
            EXPECT_LE(ink.Right, spin.Left - 1) << what;
            if (!failedBefore && HasFailure()) {
                shot->SaveToPNG(std::string(QM_TEST_OUT) + "/edits-failed-" + e->Name() + ".png");
                return;
            }
        }
    }
    std::vector<std::string> seen;
};

TEST_F(FormEdits, MainWindowPagesHoldTheirWidestValues) {
    std::unique_ptr<TfrmCreateTessarRg> f(new TfrmCreateTessarRg(Application));
    f->AfterConstruction();
    CheckForm(f.get(), "frmCreateTessarRg");
    // Every numeric and spin edit was seen on its page but the hidden scale of the grid page.
    int edits = 0;
    for (int i = 0; i < f->ComponentCount(); ++i)
        if (dynamic_cast<TVtSpinEdit*>(f->Components(i)) || dynamic_cast<TVtNumericEdit*>(f->Components(i))) ++edits;
    EXPECT_EQ(int(seen.size()), edits - 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "frmCreateTessarRg.VtSpinEdit27"), 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "frmCreateTessarRg.VtSpinEdit35"), 1);
}

TEST_F(FormEdits, DialogsHoldTheirWidestValues) {
    std::unique_ptr<TfrmInputPoint> p(new TfrmInputPoint(Application));
    CheckForm(p.get(), "frmInputPoint");
    std::unique_ptr<TfrmTFInformation> i(new TfrmTFInformation(Application));
    CheckForm(i.get(), "frmTFInformation");
    EXPECT_EQ(seen.size(), 2u + 24u);
}

// Ink pixels per column of `area`, from its first inked column on.
std::vector<int> Columns(TBitmap* b, TRect area, TColor back) {
    std::vector<int> cols;
    for (int x = area.Left; x < area.Right; ++x) {
        int n = 0;
        for (int y = area.Top; y < area.Bottom; ++y) n += b->Canvas()->Pixel(x, y) != back;
        if (n || !cols.empty()) cols.push_back(n);
    }
    return cols;
}

// A text wider than its edit is read from its start once the edit has lost the focus.
TEST_F(FormEdits, AnUnfocusedEditShowsItsTextFromItsStart) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    auto* e = new TVtSpinEdit(&form);
    e->SetParent(&form);
    e->SetBounds(10, 10, 52, 22);
    e->SetMax(1e9);
    e->SetIntegersOnly(false);
    e->SetDecimals(6);
    auto* other = new TVtEdit(&form);
    other->SetParent(&form);
    other->SetBounds(10, 40, 100, 22);
    form.Show();
    other->SetFocus();
    e->SetValue(1);
    std::string text = e->Text();
    ASSERT_EQ(text, "1.000000");
    // The leading "1." as drawn alone.
    auto alone = std::make_unique<TBitmap>();
    alone->SetSize(100, 30);
    alone->Canvas()->Brush()->SetColor(clWhite);
    alone->Canvas()->FillRect(TRect(0, 0, 100, 30));
    alone->Canvas()->SetFont(*e->Font());
    alone->Canvas()->TextOut(5, 5, text);
    std::vector<int> start = Columns(alone.get(), TRect(0, 0, 100, 30), clWhite);
    start.resize(8);
    TRect area(2, 2, 2 + e->ClientWidth() - e->ButtonWidth(), 2 + e->ClientHeight());
    auto shown = [&] {
        UiTest::Flush();
        std::unique_ptr<TBitmap> shot(UiTest::Capture(e));
        std::vector<int> cols = Columns(shot.get(), area, ColorToRGB(e->Color()));
        cols.resize(8);
        return cols;
    };
    EXPECT_EQ(shown(), start);
    // Stepped while focused with the caret at the end, then left.
    e->SetFocus();
    UiTest::Key(VK_END);
    UiTest::Key(VK_UP);
    other->SetFocus();
    EXPECT_EQ(e->Text(), "2.000000");
    alone->Canvas()->FillRect(TRect(0, 0, 100, 30));
    alone->Canvas()->TextOut(5, 5, e->Text());
    start = Columns(alone.get(), TRect(0, 0, 100, 30), clWhite);
    start.resize(8);
    EXPECT_EQ(shown(), start);
}

}  // namespace
