#include <gtest/gtest.h>

#include "tests/app/MainWindowFixture.h"

namespace {

class PageFiles : public Exports {
protected:
    void TearDown() override {
        UiTest::AnswerMessageBoxes(-1);
        SetDecimalSeparator('.');
        Exports::TearDown();
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // The page's "打开" pressed as the user does, so an exception reaches the application's own box.
    void Open(const std::string& button, const std::string& path) {
        SetFileDialogHook([path](TOpenDialog*) { return path; });
        UiTest::AnswerMessageBoxes(IDOK);
        auto* b = C<TControl>(button);
        UiTest::Click(b, b->Width() / 2, b->Height() / 2);
        UiTest::Flush();
    }
    std::string Save(const std::string& name) {
        const std::string path = dir + "/" + name;
        Command(&TfrmCreateTessarRg::VtBitBtn2Click, path);
        return ReadFile(path);
    }
    // A new window, as after a restart of the program.
    void Fresh() {
        delete f;
        f = new TfrmCreateTessarRg(Application);
        f->AfterConstruction();
        f->Show();
        UiTest::Flush();
    }
    std::vector<double> Spins(int first, int count) {
        std::vector<double> v;
        for (int i = 0; i < count; ++i) v.push_back(Spin(first + i)->Value());
        return v;
    }
    TVtNumericEdit* Numeric(int n) { return C<TVtNumericEdit>("VtNumericEdit" + std::to_string(n)); }
    TVtComboBox* Combo(int n) { return C<TVtComboBox>("VtComboBox" + std::to_string(n)); }
    bool Radio(int n) { return C<TVtRadioButton>("VtRadioButton" + std::to_string(n))->Checked(); }
};

TEST_F(PageFiles, LatLonPagesSaveAndReloadExactlyWhateverTheLocale) {
    SetDms(1, 116, 29, 0);
    SetDms(4, 39, 53, 15.126);
    SetDms(7, 116, 31, 7.5);
    SetDms(10, 39, 55, 0);
    Combo(1)->SetItemIndex(1);
    f->VtSpinEdit1Change(nullptr);
    // The third decimal of the seconds edits survives; only the separator of a ',' locale is not used.
    const std::string want = "116 29 0.00\r\n39 53 15.126\r\n116 31 7.50\r\n39 55 0.00\r\n6\r\n";
    EXPECT_EQ(Save("p0.txt"), want);
    EXPECT_EQ(filterSeen, "文本文件(*.txt)|*.txt");
    const std::vector<double> angles = Spins(1, 12);
    SetDecimalSeparator(',');
    SetDms(4, 39, 53, 15.126);  // the edits show the ',' locale's text
    SetDms(7, 116, 31, 7.5);
    EXPECT_EQ(Save("p0-comma.txt"), want);
    SetDecimalSeparator('.');

    Fresh();
    C<TVtCheckBox>("VtCheckBox1")->SetChecked(true);
    Numeric(2)->SetValue(100);
    Open("VtToolbarButton12", dir + "/p0.txt");
    EXPECT_EQ(Spins(1, 12), angles);
    EXPECT_EQ(Combo(1)->ItemIndex(), 1);
    EXPECT_EQ(Spin(13)->Value(), 117);  // the meridian follows the loaded corner and zone kind
    EXPECT_FALSE(C<TVtCheckBox>("VtCheckBox1")->Checked());
    EXPECT_EQ(Numeric(1)->Value(), 0);
    EXPECT_EQ(Numeric(2)->Value(), 0);

    // Page 1 reads the same layout into its twin controls and leaves page 0 alone.
    Page(1);
    Open("VtToolbarButton13", dir + "/p0-comma.txt");
    EXPECT_EQ(Spins(14, 12), angles);
    EXPECT_EQ(Combo(3)->ItemIndex(), 1);
    EXPECT_EQ(Save("p1.txt"), want);
}

TEST_F(PageFiles, LatLonReaderRules) {
    // One field is degrees; fractions of degrees and minutes come down into the whole-unit edits.
    Open("VtToolbarButton12", Write("a.txt", "117\n39.5\n118 30.5\n40 1 2.5\n3\n"));
    EXPECT_EQ(Spins(1, 12), (std::vector<double>{117, 0, 0, 39, 30, 0, 118, 30, 30, 40, 1, 2.5}));
    EXPECT_EQ(Combo(1)->ItemIndex(), 0);
    // Old Mac line ends, a ',' decimal and blank lines at the end are read as well.
    Open("VtToolbarButton12", Write("b.txt", "116 29 0,25\r39 0 0\r117 0 0\r40 0 0\r6\r\r  \r"));
    EXPECT_EQ(Spin(3)->Value(), 0.25);
    EXPECT_EQ(Combo(1)->ItemIndex(), 1);
    // A UTF-8 file with its byte-order mark.
    Open("VtToolbarButton12", Write("c.txt", "\xEF\xBB\xBF" "100 1 2\r\n30\r\n101\r\n31\r\n"));
    EXPECT_EQ(Spins(1, 3), (std::vector<double>{100, 1, 2}));

    // A UTF-16 file with its byte-order mark.
    Open("VtToolbarButton12", Write("u16.txt", std::string("\xFF\xFE" "1\0" "0\0" "2\0\n\0" "3\0\n\0" "1\0" "0\0" "3\0\n\0"
                                                           "4\0\n\0" "6\0", 28)));
    EXPECT_EQ(Spins(1, 12), (std::vector<double>{102, 0, 0, 3, 0, 0, 103, 0, 0, 4, 0, 0}));
    EXPECT_EQ(Combo(1)->ItemIndex(), 1);
}

TEST_F(PageFiles, LatLonPagesRefuseWhatIsNotTheirLayout) {
    Open("VtToolbarButton12", Write("a.txt", "117 30 15\n39 20\n118\n40 1 2.5\n6\n"));
    C<TVtCheckBox>("VtCheckBox1")->SetChecked(true);
    Numeric(2)->SetValue(5);
    const std::vector<double> kept = Spins(1, 13);
    ASSERT_EQ(kept[0], 117);
    const double offset = Numeric(1)->Value();
    int boxes = UiTest::MessageBoxCount();
    // Each refused in the error box, the twelve angles, the meridian, the zone kind, the omit box and
    // both offsets kept.
    auto expectKept = [&](const std::string& what) {
        EXPECT_EQ(UiTest::MessageBoxCount(), ++boxes) << what;
        EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误") << what;
        EXPECT_EQ(UiTest::LastMessageBoxFlags(), UINT(MB_OK | MB_ICONERROR));
        EXPECT_EQ(Spins(1, 13), kept) << what;
        EXPECT_EQ(Combo(1)->ItemIndex(), 1) << what;
        EXPECT_TRUE(C<TVtCheckBox>("VtCheckBox1")->Checked()) << what;
        EXPECT_EQ(Numeric(1)->Value(), offset) << what;
        EXPECT_EQ(Numeric(2)->Value(), 5) << what;
    };
    const std::string utf16 = std::string("1\0" "1\0" "7\0\r\0\n\0" "3\0" "9\0\r\0\n\0", 18);
    for (const std::string& bad :
         {std::string(), std::string("\r\n \r\n"), utf16 + utf16 + utf16, std::string("117\n39\n118\n"),
          std::string("DMS\n117.3015,39.5430\n117.3000,39.05125\n116,40\n118,41\n"),
          std::string("117  30\n39\n118\n40\n"), std::string("117\n39\n118\n40\n3\nabc\n"),
          std::string("117 1 2 3\n39\n118\n40\n"), std::string("117\n\n118\n40\n3\n"),
          std::string("117\n39\n118\n40\nsix\n"), std::string("117\n39\n118\n40\n3\xFF\n"),
          std::string("\xEF\xBB\xBF" "117\n39\n118\n40\xC3\n")}) {
        Open("VtToolbarButton12", Write("bad.txt", bad));
        EXPECT_EQ(UiTest::LastMessageBoxText(), "文件格式不符合规定！");
        expectKept(bad);
    }
    // Numbers out of the edits' range are named with their line.
    for (const char* bad : {"117\n95\n118\n40\n3\n", "117 0 60\n39\n118\n40\n"}) {
        Open("VtToolbarButton12", Write("range.txt", bad));
        EXPECT_NE(UiTest::LastMessageBoxText().find("超出范围！"), std::string::npos);
        expectKept(bad);
    }
    EXPECT_EQ(UiTest::LastMessageBoxText(), "第1行“117 0 60”的数值超出范围！");

    // Page 1 refuses the same on its own edits and leaves page 0 alone.
    Page(1);
    Open("VtToolbarButton13", Write("p.txt", "100\n30\n101\n31\n"));
    const std::vector<double> kept80 = Spins(14, 13);
    Open("VtToolbarButton13", Write("bad.txt", ""));
    EXPECT_EQ(UiTest::MessageBoxCount(), ++boxes);
    EXPECT_EQ(UiTest::LastMessageBoxText(), "文件格式不符合规定！");
    EXPECT_EQ(Spins(14, 13), kept80);
    EXPECT_EQ(Spins(1, 13), kept);
    // A missing file and a cancelled dialog change nothing.
    Open("VtToolbarButton13", "");
    Open("VtToolbarButton13", dir + "/none.txt");
    EXPECT_EQ(Spins(14, 13), kept80);
}

TEST_F(PageFiles, AVeryLongLineIsReportedWithinTheScreen) {
    // The refusal quotes the line; the box shows the start of it and "……", on the screen.
    const std::vector<double> kept = Spins(1, 13);
    Open("VtToolbarButton12", Write("long.txt", "200 " + std::string(200000, '0') + "\n39\n118\n40\n"));
    const std::string shown = UiTest::LastMessageBoxText();
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_EQ(UiTest::LastMessageBoxFlags(), UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(shown.substr(0, 14), "第1行“200 000");
    EXPECT_LT(shown.size(), 5000u);
    EXPECT_EQ(shown.substr(shown.size() - 4), "……");
    EXPECT_EQ(Spins(1, 13), kept);
    const UiTest::MessageBoxLayout m = UiTest::LayOutMessageBox(shown, UiTest::LastMessageBoxFlags());
    EXPECT_LE(m.width, m.screenWidth * 2 / 3 + 10);
    EXPECT_LE(m.height, m.screenHeight);
    EXPECT_TRUE(m.textFits);
}

TEST_F(PageFiles, GridPage) {
    Page(2);
    Numeric(5)->SetValue(500000);
    Numeric(6)->SetValue(3000000.125);
    Numeric(7)->SetValue(505000.5);
    Numeric(8)->SetValue(3004000);
    Spin(28)->SetValue(500);
    Spin(29)->SetValue(400);
    Spin(30)->SetValue(3);
    Spin(31)->SetValue(7);
    C<TVtRadioButton>("VtRadioButton9")->SetChecked(true);
    EXPECT_EQ(Save("grid.txt"), "500000.00 3000000.125\r\n505000.50 3004000.00\r\n500 400\r\n3 7\r\n1\r\n");

    Fresh();
    Page(2);
    Open("VtToolbarButton24", dir + "/grid.txt");
    for (auto [n, v] : {std::pair{5, 500000.0}, {6, 3000000.125}, {7, 505000.5}, {8, 3004000.0}}) EXPECT_EQ(Numeric(n)->Value(), v);
    EXPECT_EQ(Spins(28, 4), (std::vector<double>{500, 400, 3, 7}));
    EXPECT_TRUE(Radio(9));
    EXPECT_EQ(C<TVtEdit>("VtEdit1")->Text(), "[ROW]+[COL]");

    // Not the layout (an integer written as 1.5, six lines, four, a missing pair, a numbering kind that is
    // neither, a page 0 file, text in UTF-16 without its mark) or a shift beyond its edit's range: refused,
    // and the page keeps every value.
    int boxes = UiTest::MessageBoxCount();
    const std::string utf16 = std::string("1\0 \0" "2\0\n\0", 8);
    for (const std::string& bad :
         {std::string("1 2\n3 4\n1.5 2\n1 1\n1\n"), std::string("1 2\n3 4\n5 6\n7 8\n1\n9\n"),
          std::string("1 2\n3 4\n5 6\n7 8\n"), std::string("1 2\n3\n5 6\n7 8\n1\n"), std::string("1 2\n3 4\n5 6\n7 8\n2\n"),
          std::string("117 0 0\n39\n118\n40\n3\n"), utf16 + utf16 + utf16 + utf16 + utf16, std::string(),
          std::string("1 2\n3 4\n5000 2\n1 1\n1\n")}) {
        Open("VtToolbarButton24", Write("bad.txt", bad));
        EXPECT_EQ(UiTest::MessageBoxCount(), ++boxes) << bad;
        EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
        for (auto [n, v] : {std::pair{5, 500000.0}, {6, 3000000.125}, {7, 505000.5}, {8, 3004000.0}})
            EXPECT_EQ(Numeric(n)->Value(), v) << bad;
        EXPECT_EQ(Spins(28, 4), (std::vector<double>{500, 400, 3, 7})) << bad;
        EXPECT_TRUE(Radio(9)) << bad;
    }
    EXPECT_EQ(UiTest::LastMessageBoxText(), "第3行“5000 2”的数值超出范围！");
    // A blank line at the end is no sixth line.
    Open("VtToolbarButton24", Write("blank.txt", "1 2\r\n3 4\r\n5 6\r\n7 8\r\n0\r\n\r\n"));
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes);
    EXPECT_EQ(Numeric(8)->Value(), 4);
    EXPECT_TRUE(Radio(10));
}

TEST_F(PageFiles, ConversionSourceNumbers) {
    Page(3);
    const std::string path = Write("numbers.txt", "J-50\r\nXYZ\r\n\r\nJ50G003040\r\n");
    Open("VtToolbarButton14", path);
    EXPECT_EQ(Items(4), (std::vector<std::string>{"J-50", "J50G003040"}));
    EXPECT_EQ(UiTest::LastMessageBoxText(), "XYZ\r\n\r\n以上不是标准图幅号！");
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_EQ(Spin(34)->Value(), 114);  // set without a question from 0
    auto* o = dynamic_cast<TTessarolObject*>(f->CheckList(4)->Items()->Objects(1));
    ASSERT_NE(o, nullptr);
    EXPECT_NEAR(o->Tessarol.LB.X, BLToXY54(o->Tessarol.West, o->Tessarol.South, true, 114).X, 1e-6);
    EXPECT_EQ(Save("back.txt"), "J-50\r\nJ50G003040\r\n");

    // Reading appends; a meridian other than the edit's is asked about, and No keeps the edit.
    Spin(34)->SetValue(120);
    const int boxes = UiTest::MessageBoxCount();
    UiTest::AnswerMessageBoxes(IDNO);
    SetFileDialogHook([path](TOpenDialog*) { return path; });
    f->VtToolbarButton14Click(nullptr);
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 2);
    EXPECT_EQ(Spin(34)->Value(), 120);
    EXPECT_EQ(Items(4).size(), 4u);
    // A file of no sheet number at all leaves the meridian, and a long one is listed in part, within the
    // lines of a box and with the verdict at the end; so is a very long line.
    std::string junk = std::string(200000, '9') + "\n";
    for (int i = 1; i < 500; ++i) junk += "line" + std::to_string(i) + "\n";
    Open("VtToolbarButton14", Write("junk.txt", junk));
    EXPECT_EQ(Spin(34)->Value(), 120);
    EXPECT_EQ(Items(4).size(), 4u);
    const std::string report = UiTest::LastMessageBoxText();
    EXPECT_EQ(report.substr(0, 46), std::string(40, '9') + "……\r\n");
    EXPECT_EQ(report.find("line20\r\n"), std::string::npos);
    EXPECT_NE(report.find("line19\r\n……\r\n以上不是标准图幅号！"), std::string::npos);
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 21);

    // An empty file or one that is not text is refused, and the list keeps its items.
    int refusals = UiTest::MessageBoxCount();
    for (const std::string& bad : {std::string("\n\n"), std::string("J\0-\0" "5\0" "0\0\r\0\n\0", 12)}) {
        Open("VtToolbarButton14", Write("bad.txt", bad));
        EXPECT_EQ(UiTest::MessageBoxCount(), ++refusals);
        EXPECT_EQ(UiTest::LastMessageBoxText(), "文件格式不符合规定！");
        EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
        EXPECT_EQ(Items(4).size(), 4u);
    }
}

// Blanks and tabs around a number in the file are no part of it: the number is listed and saved as read.
TEST_F(PageFiles, SourceNumbersWithBlanksAroundThem) {
    Page(3);
    const int boxes = UiTest::MessageBoxCount();
    Open("VtToolbarButton14", Write("padded.txt", "J-50-5 \r\n\tJ50G003040\t\r\n J-50 -5\r\n"));
    EXPECT_EQ(Items(4), (std::vector<std::string>{"J-50-5", "J50G003040"}));
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxText(), " J-50 -5\r\n以上不是标准图幅号！");
    auto* o = dynamic_cast<TTessarolObject*>(f->CheckList(4)->Items()->Objects(0));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Tessarol.SheetNo, "J-50-5");
    EXPECT_EQ(Spin(34)->Value(), 117);
    EXPECT_EQ(Save("back.txt"), "J-50-5\r\nJ50G003040\r\n");
}

TEST_F(PageFiles, QueryPoints) {
    Page(4);
    SetPoint(117, 30, 15, 39, 54, 30);
    f->VtToolbarButton23Click(nullptr);
    SetPoint(117, 30, 0, 39, 5, 12.5);
    f->VtToolbarButton23Click(nullptr);
    ASSERT_EQ(Items(6), (std::vector<std::string>{"117.3015_39.5430", "117.3000_39.05125"}));
    const std::string text = "DMS\r\n117.3015,39.5430\r\n117.3000,39.05125\r\n";
    EXPECT_EQ(Save("points.txt"), text);
    Fresh();
    Page(4);
    Open("VtToolbarButton26", dir + "/points.txt");
    ASSERT_EQ(Items(6), (std::vector<std::string>{"117.3015_39.5430", "117.3000_39.05125"}));
    auto* o = dynamic_cast<TTessarolObject*>(f->CheckList(6)->Items()->Objects(1));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Tessarol.West.Minutes, 30);  // not 29 and 100 seconds
    EXPECT_EQ(o->Tessarol.South.Seconds, 12.5);
    EXPECT_EQ(Spin(39)->Value(), 117);

    // Decimal degrees under a lower-case word, a short packed value, points at 0,0 skipped.
    Open("VtToolbarButton26", Write("d.txt", "d\n117.5,39.25\n0,0\n\n"));
    Open("VtToolbarButton26", Write("dms.txt", "DMS\r\n116.3,40\r\n"));
    EXPECT_EQ(Items(6).size(), 4u);
    EXPECT_EQ(Items(6)[2], "117.3000_39.1500");
    EXPECT_EQ(Items(6)[3], "116.3000_40.0000");
    EXPECT_EQ(Spin(39)->Value(), 117);

    // Refused whole with the format message: a single field, a word that is neither, 75 minutes.
    int boxes = UiTest::MessageBoxCount();
    for (const char* bad : {"DMS\n118.1,40.1\n117.5\n", "XY\n117.5,39.25\n", "DMS\n117.7500,39.1\n", "D\n117,-5\n"}) {
        Open("VtToolbarButton26", Write("bad.txt", bad));
        EXPECT_EQ(UiTest::MessageBoxCount(), ++boxes) << bad;
        EXPECT_EQ(UiTest::LastMessageBoxText(), "文件格式不符合规定！");
        EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
        EXPECT_EQ(Items(6).size(), 4u) << bad;
    }
    // An empty file, and one in UTF-16 without its mark, are refused alike.
    for (const std::string& bad : {std::string(), std::string("D\0\n\0" "1\0,\0" "2\0", 10)}) {
        Open("VtToolbarButton26", Write("bad.txt", bad));
        EXPECT_EQ(UiTest::MessageBoxCount(), ++boxes);
        EXPECT_EQ(UiTest::LastMessageBoxText(), "文件格式不符合规定！");
        EXPECT_EQ(Items(6).size(), 4u);
    }
}

TEST_F(PageFiles, AFailedSaveIsReportedAndAnOlderFileKept) {
    const std::string path = Write("kept.txt", "old");
    SetFileDialogHook([this](TOpenDialog*) { return dir + "/missing/p.txt"; });
    UiTest::AnswerMessageBoxes(IDOK);
    const int boxes = UiTest::MessageBoxCount();
    auto* b = C<TControl>("VtBitBtn2");
    UiTest::Click(b, b->Width() / 2, b->Height() / 2);
    UiTest::Flush();
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_EQ(UiTest::LastMessageBoxText(), "保存文件“" + dir + "/missing/p.txt”失败！\r\n文件夹不存在。");
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));
    // A file that is not there is named as missing, and the page keeps its values.
    const std::vector<double> kept = Spins(1, 12);
    Open("VtToolbarButton12", dir + "/none.txt");
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 2);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_EQ(UiTest::LastMessageBoxText(), "打开文件“" + dir + "/none.txt”失败！\r\n文件不存在。");
    EXPECT_EQ(Spins(1, 12), kept);
    // A successful save replaces the file whole and leaves nothing else beside it.
    Save("kept.txt");
    EXPECT_EQ(ReadFile(path).substr(0, 8), "0 0 0.00");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

// Each page's file under a Chinese folder and name: on disk in UTF-8, and read back into a new window
// to the same page, which saves the same bytes again.
TEST_F(PageFiles, EveryPageFileUnderAChineseName) {
    GenerateEveryPage();
    std::filesystem::create_directories(dir + U8(u8"/测试目录/北京"));
    const std::string file = dir + "/测试目录/北京/图幅索引.txt";
    const std::string onDisk = dir + U8(u8"/测试目录/北京/图幅索引.txt");
    const char* const openers[] = {"VtToolbarButton12", "VtToolbarButton13", "VtToolbarButton24", "VtToolbarButton14",
                                   "VtToolbarButton26"};
    for (int page : {0, 1, 2, 3, 4}) {
        Page(page);
        Command(&TfrmCreateTessarRg::VtBitBtn2Click, file);
        const std::string saved = ReadFile(onDisk);
        EXPECT_FALSE(saved.empty()) << page;
        SCOPED_TRACE(saved);
        // Read back into a new window, saved again under an ASCII name for the comparison.
        Fresh();
        Page(page);
        const int boxes = UiTest::MessageBoxCount();
        Open(openers[page], file);
        EXPECT_EQ(UiTest::MessageBoxCount(), boxes) << UiTest::LastMessageBoxText();
        EXPECT_EQ(Save("again.txt"), saved) << page;
        Fresh();
        GenerateEveryPage();
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir + U8(u8"/测试目录/北京")), {}), 1);
}

// A folder whose name has no GBK form ("𠀀") comes from the dialog in its GB18030 form; the page's
// reader refuses it and never reads a file of another name, and saving there writes nothing.
TEST_F(PageFiles, AFolderWithNoGbkNameIsRefused) {
    const std::string gb18030 = "\x95\x32\x82\x36";
    const std::string good = "117 0 0\n39 0 0\n118 0 0\n40 0 0\n3\n";
    for (const std::string& folder : {U8(u8"𠀀"), gb18030, std::string("?")}) {
        std::filesystem::create_directories(dir + "/" + folder);
        std::ofstream(dir + "/" + folder + "/p.txt", std::ios::binary) << good;
    }
    const std::vector<double> kept = Spins(1, 12);
    const int boxes = UiTest::MessageBoxCount();
    Open("VtToolbarButton12", dir + "/" + gb18030 + "/p.txt");
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 1);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_NE(UiTest::LastMessageBoxText().find("文件名含有磁盘文件名不能表示的字符"), std::string::npos);
    EXPECT_EQ(Spins(1, 12), kept);

    SetFileDialogHook([&](TOpenDialog*) { return dir + "/" + gb18030 + "/new.txt"; });
    auto* b = C<TControl>("VtBitBtn2");
    UiTest::Click(b, b->Width() / 2, b->Height() / 2);
    UiTest::Flush();
    EXPECT_EQ(UiTest::MessageBoxCount(), boxes + 2);
    EXPECT_EQ(UiTest::LastMessageBoxCaption(), "错误");
    EXPECT_NE(UiTest::LastMessageBoxText().find("文件名含有磁盘文件名不能表示的字符"), std::string::npos);
    for (const std::string& folder : {U8(u8"𠀀"), gb18030, std::string("?")})
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir + "/" + folder), {}), 1) << folder;
}

}  // namespace
