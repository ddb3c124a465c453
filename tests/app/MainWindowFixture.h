// The main window built from its resource for each test, and a folder per test for the files it writes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/unCreateTessarRg.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/testsupport/UiTest.h"
#include "widgets/VtButton.h"
#include "widgets/VtChkLst.h"
#include "widgets/VtCmboBx.h"
#include "widgets/VtEdit.h"
#include "widgets/VtPanel.h"
#include "widgets/VtRadChk.h"
#include "widgets/VtSpnEdt.h"
#include "widgets/VtTabs.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        UiTest::Init();
        RegisterAppClasses();
    }
    void SetUp() override {
        f = new TfrmCreateTessarRg(Application);
        f->AfterConstruction();
        f->Show();
        UiTest::Flush();
    }
    void TearDown() override { delete f; }

    template <class T>
    T* C(const std::string& name) {
        T* c = dynamic_cast<T*>(f->FindComponent(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    TVtSpinEdit* Spin(int n) { return C<TVtSpinEdit>("VtSpinEdit" + std::to_string(n)); }
    void SetDms(int first, double d, double m, double s) {
        Spin(first)->SetValue(d);
        Spin(first + 1)->SetValue(m);
        Spin(first + 2)->SetValue(s);
    }
    // As the user switches pages: the page changes, then the change handler runs.
    void Page(int i) {
        C<TVtPageControl>("VtPageControl1")->SetActivePageIndex(i);
        f->VtPageControl1Change(nullptr);
        UiTest::Flush();
    }
    // The point being entered on page 4: longitude edits 32, 33, 35, latitude 36, 37, 38.
    void SetPoint(double ld, double lm, double ls, double bd, double bm, double bs) {
        Spin(32)->SetValue(ld);
        Spin(33)->SetValue(lm);
        Spin(35)->SetValue(ls);
        SetDms(36, bd, bm, bs);
    }
    std::vector<std::string> Items(int list) {
        std::vector<std::string> out;
        TItemStrings* items = f->CheckList(list)->Items();
        for (int i = 0; i < items->Count(); ++i) out.push_back(items->Strings(i));
        return out;
    }
    // The worked example's window on page 0 (or page 1 from spin edit 14).
    void ExampleWindow(int first) {
        SetDms(first, 116, 29, 0);
        SetDms(first + 3, 39, 53, 0);
        SetDms(first + 6, 116, 31, 0);
        SetDms(first + 9, 39, 55, 0);
    }
    // The grid page's rectangle and its step along both axes.
    void GridInputs(double minX, double minY, double maxX, double maxY, double step) {
        C<TVtNumericEdit>("VtNumericEdit5")->SetValue(minX);
        C<TVtNumericEdit>("VtNumericEdit6")->SetValue(minY);
        C<TVtNumericEdit>("VtNumericEdit7")->SetValue(maxX);
        C<TVtNumericEdit>("VtNumericEdit8")->SetValue(maxY);
        Spin(28)->SetValue(step);
        Spin(29)->SetValue(step);
    }
    // Page 2 with a grid of two 1000-unit sheets from (0, 0), not yet generated.
    void SmallGrid() {
        Page(2);
        GridInputs(0, 0, 2000, 1000, 1000);
    }
    // A result on every page, each made as the user makes it.
    void GenerateEveryPage() {
        ExampleWindow(1);
        C<TVtBitBtn>("VtBitBtn1")->Click();
        Page(1);
        ExampleWindow(14);
        C<TVtBitBtn>("VtBitBtn1")->Click();
        Page(2);
        GridInputs(500000, 4000000, 503000, 4002000, 500);
        C<TVtBitBtn>("VtBitBtn1")->Click();
        EXPECT_EQ(Items(3).size(), 24u);
        Page(3);
        f->CheckList(4)->Items()->Add("J-50-5");
        C<TVtBitBtn>("VtBitBtn1")->Click();
        EXPECT_EQ(Items(5).size(), 64u);  // J-50-5 at 1:10,000
        EXPECT_EQ(Items(5)[0], "J50G001033");
        Page(4);
        SetPoint(116, 28, 25, 39, 54, 30);
        C<TVtToolbarButton>("VtToolbarButton23")->Click();
        C<TVtBitBtn>("VtBitBtn1")->Click();
        EXPECT_EQ(Items(7).size(), 1u);
    }
    TfrmCreateTessarRg* f = nullptr;
};

class Exports : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        // One folder per test: ctest runs them side by side.
        dir = TestDir("files");
    }
    void TearDown() override {
        SetFileDialogHook(nullptr);
        MainWindow::TearDown();
    }
    // Runs a menu command with the save dialog answered by `name` (empty: cancelled).
    std::string filterSeen;
    void Command(void (TfrmCreateTessarRg::*cmd)(TObject*), const std::string& name) {
        std::string* seen = &filterSeen;
        SetFileDialogHook([seen, name](TOpenDialog* d) {
            *seen = d->Filter();
            return name;
        });
        TfrmCreateTessarRg* form = f;
        (form->*cmd)(nullptr);
    }
    std::string dir;
};

}  // namespace
