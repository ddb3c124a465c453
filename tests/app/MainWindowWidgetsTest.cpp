// The main window's edits and combo boxes are the widget library's.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/app/MainWindowFixture.h"

namespace {
class MainWindowWidgets : public MainWindow {};
}  // namespace

TEST_F(MainWindowWidgets, EditsAndCombosAreTheLibrarys) {
    int spins = 0, numerics = 0, edits = 0, combos = 0;
    for (int i = 0; i < f->ComponentCount(); ++i) {
        TComponent* c = f->Components(i);
        if (dynamic_cast<TVtSpinEdit*>(c)) ++spins;
        else if (dynamic_cast<TVtNumericEdit*>(c)) ++numerics;
        else if (dynamic_cast<TVtEdit*>(c)) ++edits;
        if (auto* cb = dynamic_cast<TVtComboBox*>(c)) {
            ++combos;
            EXPECT_TRUE(cb->FlatButtons()) << cb->Name();
            EXPECT_TRUE(cb->FrameVisible()) << cb->Name();
            EXPECT_EQ(cb->Style(), csDropDownList) << cb->Name();
        }
    }
    EXPECT_EQ(spins, 39);
    EXPECT_EQ(numerics, 12);
    EXPECT_GE(edits, 1);
    EXPECT_EQ(combos, 8);
    // Each spin edit has its pair of buttons inside its right edge.
    TVtSpinEdit* s = Spin(1);
    EXPECT_EQ(s->SpinButtons()->Parent(), s);
    EXPECT_EQ(s->SpinButtons()->Left() + s->SpinButtons()->Width(), s->ClientWidth());
    // The screenshots of pages 0 and 2 as the library draws them.
    for (int p : {0, 2}) {
        Page(p);
        std::string png = std::string(QM_TEST_OUT) + "/main-page" + std::to_string(p) + "-widgets.png";
        // The previous build's picture stays beside the new one for a look at what changed.
        std::error_code ec;
        std::filesystem::rename(png, png.substr(0, png.size() - 4) + "-previous.png", ec);
        std::unique_ptr<TBitmap>(UiTest::Capture(f))->SaveToPNG(png);
    }
}
