#include "platform/office/Excel.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>

#include "tests/engine/ExportTestUtil.h"

namespace fs = std::filesystem;

namespace {

int WorkbookTemps() {
    int n = 0;
    for (auto& e : fs::directory_iterator(fs::temp_directory_path()))
        if (e.path().filename().string().rfind("qm-workbook-", 0) == 0) ++n;
    return n;
}

struct Excel {
    Excel() {
        app.Connect();
        app.Workbooks().Add();
        book.ConnectTo(app.Workbooks().Item(1));
        ws.ConnectTo(book.Worksheet(1));
    }
    TExcelApplication app;
    TExcelWorkbook book;
    TExcelWorksheet ws;
};

TEST(Excel, CellAddressesAndTextWidths) {
    int r, c;
    ParseCellAddress("A1", r, c);
    EXPECT_EQ(r * 100000 + c, 100001);
    ParseCellAddress("m2", r, c);
    EXPECT_EQ(r * 100000 + c, 200013);
    ParseCellAddress("XFD1048576", r, c);
    EXPECT_EQ(r, kExcelRows);
    EXPECT_EQ(c, kExcelColumns);
    for (const char* bad : {"", "A", "1", "@1", "A0", "XFE1", "A1048577", "A1B", "A-1", "AAAAAAAAAAAAAA1"})
        EXPECT_THROW(ParseCellAddress(bad, r, c), EOleException) << bad;

    EXPECT_EQ(GbkDisplayWidth("X1"), 2u);
    EXPECT_EQ(GbkDisplayWidth("图幅号"), 6u);
    EXPECT_EQ(GbkDisplayWidth("图幅表（北京54坐标系）"), 22u);
    EXPECT_EQ(GbkDisplayWidth("\x81\x30\x81\x30" "a"), 3u);  // a four-byte character counts two
}

TEST(Excel, RowsStreamOutAndTheLastRowHolds) {
    Excel x;
    x.ws.Cells().Item(2, 1).SetValue("a");
    x.ws.Cells().Item(3, 1).SetValue(1.0);
    EXPECT_THROW(x.ws.Cells().Item(2, 2).SetValue("late"), EOleException);
    EXPECT_THROW(x.ws.Range("A2", "B4").BorderAround(1, 2, 0, 0), EOleException);
    EXPECT_THROW(x.ws.Range("A3", "A4").Merge(), EOleException);  // across rows
    EXPECT_THROW(x.ws.Cells().Item(kExcelRows + 1, 1), EOleException);
    EXPECT_THROW(x.ws.Cells().Item(4, 1).SetValue(NAN), EOleException);
    EXPECT_THROW(x.ws.Cells().Item(4, 1).SetHorizontalAlignment(7), EOleException);
    EXPECT_THROW(x.ws.Cells().Item(4, 1).BorderAround(1, 5, 0, 0), EOleException);
    x.ws.Cells().Item(kExcelRows, 1).SetValue(2.0);
    std::string dir = TestDir("office");
    x.ws.SaveAs(dir + "/last.xlsx");
    EXPECT_THROW(x.ws.Cells().Item(kExcelRows, 2).SetValue(1.0), EOleException);  // saved: complete
    x.app.Quit();
    if (!HaveTool("python3")) GTEST_SKIP() << "python3 is not installed: the workbook is not read back";
    std::string xml = ZipEntry(dir + "/last.xlsx", "xl/worksheets/sheet1.xml");
    EXPECT_NE(xml.find("<row r=\"1048576\"><c r=\"A1048576\"><v>2</v>"), std::string::npos) << xml;
}

TEST(Excel, FramesMergesWidthsAndText) {
    if (!HaveTool("python3")) GTEST_SKIP() << "python3 is not installed: the workbook is not read back";
    std::string dir = TestDir("office");
    {
        Excel x;
        x.app.Range("A1", "C1").Merge();
        x.ws.Cells().Item(1, 1).SetValue("一个很长很长很长的标题");  // leaves the widths alone
        x.ws.Cells().Item(1, 1).SetHorizontalAlignment(xlCenter);
        x.ws.Range("A2", "C3").BorderAround(xlContinuous, 3, 0, 0);  // before the thin frames: heavier wins
        for (int c = 1; c <= 3; ++c) {
            x.ws.Cells().Item(2, c).SetValue(c == 1 ? "图幅号" : "X");
            x.ws.Cells().Item(2, c).BorderAround(xlContinuous, xlThin, 0, 0);
        }
        x.ws.Cells().Item(3, 2).SetValue(20243793.584);
        x.ws.Cells().Item(3, 2).BorderAround(xlContinuous, xlThin, 0, 0xFF);  // red in the low byte
        x.ws.Cells().Item(5, 1).SetValue("图\xFF幅\xB7");  // bytes that are no character, one cut at the end
        x.ws.Columns().AutoFit();
        x.ws.SaveAs(dir + "/f.xlsx");
        x.app.Disconnect();
        x.app.Quit();
    }
    std::string xml = ZipEntry(dir + "/f.xlsx", "xl/worksheets/sheet1.xml");
    std::string styles = ZipEntry(dir + "/f.xlsx", "xl/styles.xml");
    EXPECT_NE(xml.find("<mergeCell ref=\"A1:C1\"/>"), std::string::npos);
    EXPECT_NE(xml.find(U8(u8"<t>一个很长很长很长的标题</t>")), std::string::npos);  // UTF-8 in the file
    EXPECT_NE(xml.find(U8(u8"<t>图幅号</t>")), std::string::npos);
    EXPECT_NE(xml.find(U8(u8"<t>图\uFFFD幅\uFFFD</t>")), std::string::npos) << xml;
    // Widths: "图幅号" six cells, the number twelve, "X" one; plus one cell of room each.
    EXPECT_NE(xml.find("<col min=\"1\" max=\"1\" width=\"7.7109375\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<col min=\"2\" max=\"2\" width=\"13.7109375\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<col min=\"3\" max=\"3\" width=\"2.7109375\""), std::string::npos) << xml;
    // The outline stays medium over the thin cell frames; the inner edges are thin.
    EXPECT_NE(styles.find("<left style=\"medium\"><color rgb=\"FF000000\"/></left><right style=\"thin\">"
                          "<color rgb=\"FF000000\"/></right><top style=\"medium\">"),
              std::string::npos)
        << styles;
    EXPECT_NE(styles.find("<color rgb=\"FFFF0000\"/>"), std::string::npos);
    // Row 3's untouched cells still carry the outline.
    EXPECT_NE(xml.find("<c r=\"A3\" s="), std::string::npos);
    EXPECT_NE(xml.find("<c r=\"C3\" s="), std::string::npos);
}

TEST(Excel, QuitDiscardsUnsavedWorkbooksAndFailedSavesLeaveNothing) {
    std::string dir = TestDir("office");
    // A temporary folder of this test's own, so that other tests' workbooks do not count.
    std::string tmp = dir + "-tmp";
    fs::remove_all(tmp);
    fs::create_directories(tmp);
    const char* oldTmp = std::getenv("TMPDIR");
    std::string saved = oldTmp ? oldTmp : "";
    setenv("TMPDIR", tmp.c_str(), 1);
    int before = WorkbookTemps();
    EXPECT_EQ(before, 0);
    {
        Excel x;
        x.ws.Cells().Item(1, 1).SetValue("x");
        // The rows stream into unnamed files: nothing a kill could leave has a name.
        EXPECT_EQ(WorkbookTemps(), before);
        EXPECT_TRUE(fs::is_empty(tmp));
        x.app.Disconnect();
        x.app.Quit();
        EXPECT_THROW(x.ws.Cells().Item(2, 1).SetValue("gone"), EOleException);
        EXPECT_THROW(x.app.Workbooks(), EOleException);
    }
    EXPECT_EQ(WorkbookTemps(), before);
    {
        Excel x;
        x.ws.Cells().Item(1, 1).SetValue("x");
        EXPECT_THROW(x.ws.SaveAs(dir + "/none/f.xlsx"), EOleException);
        x.app.Quit();
    }
    {
        // A GBK name with no name on disk (a GB18030 four-byte character) is refused, with its cause.
        Excel x;
        x.ws.Cells().Item(1, 1).SetValue("x");
        int cause = 0;
        try {
            x.ws.SaveAs(dir + "/\x95\x32\x82\x36.xlsx");
        } catch (const EOleException& e) {
            cause = e.ErrorCode;
        }
        EXPECT_EQ(cause, EILSEQ);
    }
    EXPECT_EQ(WorkbookTemps(), before);
    EXPECT_TRUE(fs::is_empty(dir));
    if (oldTmp) setenv("TMPDIR", saved.c_str(), 1);
    else unsetenv("TMPDIR");
}

}  // namespace
