#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <unistd.h>

#include "engine/testsupport/RecordingTessarProgress.h"
#include "engine/unTessarRgPub.h"
#include "platform/office/Excel.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/ExportTestUtil.h"

namespace fs = std::filesystem;

namespace {

const char* const kHeader = "图幅号,最小经度,最小纬度,最大经度,最大纬度,X1,Y1,X2,Y2,X3,Y3,X4,Y4";
const char* const kTitle = "图幅表（北京54坐标系，单位：米）";

class ExcelExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TestDir("xlsx");
        SetTessarProgress(&progress_);
        GetTessarols500k({{114, 0, 0}, {36, 0, 0}, {123, 0, 0}, {40, 0, 0}}, false, true, 117, sheets_);
    }
    void TearDown() override { SetTessarProgress(nullptr); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    static bool Readers() { return HaveTool("ogrinfo") && HaveTool("python3"); }

    std::string dir_;
    TRecordingTessarProgress progress_;
    TStandardTessarols sheets_;
};

#define NEED_READERS() \
    if (!Readers()) GTEST_SKIP() << "ogrinfo (gdal-bin) or python3 is not installed: the workbook is not read back"

TEST_F(ExcelExportTest, NationalSheetsInMetresAndKilometres) {
    NEED_READERS();
    for (bool metres : {true, false}) {
        SCOPED_TRACE(metres);
        std::string file = Path(metres ? "m.xlsx" : "km.xlsx");
        ExportTessarolsToExcel(file, kTitle, kHeader, sheets_, metres, true, false);
        OgrLayer l = ReadOgr(file, "-oo HEADERS=DISABLE -oo FIELD_TYPES=STRING");
        ASSERT_EQ(l.features.size(), 2u + 6u);
        EXPECT_EQ(l.features[0].byName["Field1"], U8(u8"图幅表（北京54坐标系，单位：米）"));
        EXPECT_EQ(l.features[0].values.size(), 1u);
        EXPECT_EQ(l.features[1].byName["Field1"], U8(u8"图幅号"));
        EXPECT_EQ(l.features[1].byName["Field5"], U8(u8"最大纬度"));
        EXPECT_EQ(l.features[1].byName["Field13"], "Y4");
        int k = 2;
        for (auto& col : sheets_)
            for (auto& s : col) {
                auto& f = l.features[k++].byName;
                EXPECT_EQ(f["Field1"], s.SheetNo);
                EXPECT_DOUBLE_EQ(std::stod(f["Field2"]), DmsToDegree(s.West));
                EXPECT_DOUBLE_EQ(std::stod(f["Field3"]), DmsToDegree(s.South));
                EXPECT_DOUBLE_EQ(std::stod(f["Field4"]), DmsToDegree(s.East));
                EXPECT_DOUBLE_EQ(std::stod(f["Field5"]), DmsToDegree(s.North));
                double d = metres ? 1 : 1000;
                EXPECT_DOUBLE_EQ(std::stod(f["Field6"]), s.LT.X / d);
                EXPECT_DOUBLE_EQ(std::stod(f["Field11"]), s.RB.Y / d);
                EXPECT_DOUBLE_EQ(std::stod(f["Field13"]), s.LB.Y / d);
            }
        std::string xml = ZipEntry(file, "xl/worksheets/sheet1.xml");
        EXPECT_NE(xml.find("<mergeCell ref=\"A1:M1\"/>"), std::string::npos);
        EXPECT_NE(xml.find("<c r=\"A1\" s=\"1\""), std::string::npos);  // the centred format, first one added
        EXPECT_NE(ZipEntry(file, "xl/styles.xml").find("<alignment horizontal=\"center\"/>"), std::string::npos);
        EXPECT_EQ(Count(xml, "<row "), 8u);
    }
}

TEST_F(ExcelExportTest, GridSheets) {
    NEED_READERS();
    TCustomTessarols g = {{{"1+1", 0, 0, 10, 10}, {"1+2", 10, 0, 20, 10}}, {{"2+1", 0, 10, 10, 20}, {"2+2", 10, 10, 20, 20}}};
    ExportCustomTessarolsToExcel(Path("g.xlsx"), "图幅表（独立坐标系）", "图幅号,最小X,最小Y,最大X,最大Y", g, true, false);
    OgrLayer l = ReadOgr(Path("g.xlsx"), "-oo HEADERS=DISABLE -oo FIELD_TYPES=STRING");
    ASSERT_EQ(l.features.size(), 6u);
    EXPECT_EQ(l.features[1].values, (std::vector<std::string>{U8(u8"图幅号"), U8(u8"最小X"), U8(u8"最小Y"),
                                                              U8(u8"最大X"), U8(u8"最大Y")}));
    EXPECT_EQ(l.features[2].values, (std::vector<std::string>{"1+1", "0", "0", "10", "10"}));
    EXPECT_EQ(l.features[5].values, (std::vector<std::string>{"2+2", "10", "10", "20", "20"}));
    EXPECT_NE(ZipEntry(Path("g.xlsx"), "xl/worksheets/sheet1.xml").find("<mergeCell ref=\"A1:E1\"/>"),
              std::string::npos);
}

TEST_F(ExcelExportTest, TitlePlacementEmptyTitleEmptyListAndOutline) {
    NEED_READERS();
    std::string wide;
    for (int i = 1; i <= 26; ++i) wide += (i > 1 ? "," : "") + GetColumnName(i);
    ExportTessarolsToExcel(Path("wide.xlsx"), "T", wide, sheets_, true, true, false);
    std::string xml = ZipEntry(Path("wide.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(xml.find("mergeCell"), std::string::npos);
    EXPECT_NE(xml.find("<row r=\"1\"><c r=\"M1\" t=\"inlineStr\"><is><t>T</t>"), std::string::npos) << xml.substr(0, 900);

    ExportTessarolsToExcel(Path("empty.xlsx"), "", kHeader, {}, true, true, false);
    xml = ZipEntry(Path("empty.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_NE(xml.find("<mergeCell ref=\"A1:M1\"/>"), std::string::npos);
    EXPECT_EQ(Count(xml, "<row "), 2u);

    ExportTessarolsToExcel(Path("outline.xlsx"), kTitle, kHeader, sheets_, true, true, true);
    std::string styles = ZipEntry(Path("outline.xlsx"), "xl/styles.xml");
    EXPECT_NE(styles.find("style=\"medium\""), std::string::npos);
    EXPECT_NE(styles.find("style=\"thin\""), std::string::npos);
}

TEST_F(ExcelExportTest, ProgressAndCleanUpAfterAFailure) {
    ExportTessarolsToExcel(Path("p.xlsx"), kTitle, kHeader, sheets_, true, true, false);
    ASSERT_EQ(progress_.Dialogs.size(), 1u);
    auto& d = progress_.Dialogs[0];
    EXPECT_EQ(d.Caption, "导出图幅 " + Path("p.xlsx"));
    EXPECT_EQ(d.TotalParts, 6u);
    EXPECT_EQ(d.Percent, 100);
    EXPECT_TRUE(d.ButtonEnabled);
    EXPECT_FALSE(progress_.Hourglass);
    EXPECT_EQ(progress_.CallText().find("NewDialog; DisableButton; Caption; SetCaption; Show; ProcessMessages; "
                                        "Hourglass; SetTotalParts 6; IncPartsByOne"),
              0u)
        << progress_.CallText();
    EXPECT_TRUE(fs::exists(Path("p.xlsx")));

    int cause = 0;
    try {
        ExportTessarolsToExcel(Path("none/p.xlsx"), kTitle, kHeader, sheets_, true, true, false);
        ADD_FAILURE() << "saved in a missing folder";
    } catch (const EOleException& e) {
        cause = e.ErrorCode;
    }
    EXPECT_EQ(cause, ENOENT);
    ASSERT_EQ(progress_.Dialogs.size(), 2u);
    EXPECT_TRUE(progress_.Dialogs[1].ButtonEnabled);
    EXPECT_FALSE(progress_.Hourglass);
    EXPECT_FALSE(fs::exists(Path("none")));
}

// A target that cannot take the workbook fails the export before its first row: the bar never moves, the
// button is enabled again, and nothing is written.
TEST_F(ExcelExportTest, AnUnwritableTargetFailsBeforeTheFirstRow) {
    fs::create_directories(Path("folder.xlsx"));
    std::ofstream(Path("ro.xlsx")) << "user workbook";
    fs::permissions(Path("ro.xlsx"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::vector<std::pair<std::string, int>> targets = {
        {Path("folder.xlsx"), EISDIR}, {Path("ro.xlsx"), EACCES}, {Path("none/x.xlsx"), ENOENT}};
    if (geteuid() != 0) {
        fs::create_directories(Path("closed"));
        fs::permissions(Path("closed"), fs::perms::owner_read | fs::perms::owner_exec);
        targets.push_back({Path("closed/x.xlsx"), EACCES});
    }
    for (size_t i = 0; i < targets.size(); ++i) {
        const auto& [target, cause] = targets[i];
        int code = 0;
        try {
            if (i % 2) ExportCustomTessarolsToExcel(target, "", "a,b,c,d,e", {{{"a", 0, 0, 1, 1}}}, true, false);
            else ExportTessarolsToExcel(target, kTitle, kHeader, sheets_, true, true, false);
            ADD_FAILURE() << target << " saved";
        } catch (const EOleException& e) {
            code = e.ErrorCode;
        }
        EXPECT_EQ(code, cause) << target;
        const auto& d = progress_.Current();
        EXPECT_EQ(d.TotalParts, 0u) << target;
        EXPECT_EQ(d.PartsComplete, 0u) << target;
        EXPECT_TRUE(d.ButtonEnabled) << target;
        EXPECT_FALSE(progress_.Hourglass) << target;
        EXPECT_EQ(progress_.CallText().find("IncPartsByOne"), std::string::npos) << progress_.CallText();
    }
    if (geteuid() == 0) std::cout << "[ note ] running as root: a folder closed to writing is not tried\n";
    if (fs::exists(Path("closed"))) fs::permissions(Path("closed"), fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(ReadFile(Path("ro.xlsx")), "user workbook");
    EXPECT_TRUE(fs::is_empty(Path("folder.xlsx")));
}

// `n` copies of the first sheet, numbered apart: rows that fill more than the small disks below.
TStandardTessarols ManySheets(const TStandardTessarols& from, int n) {
    TStandardTessarols t(1);
    for (int i = 0; i < n; ++i) {
        TStandardTessarol s = from[0][0];
        s.SheetNo = "S" + std::to_string(i);
        t[0].push_back(s);
    }
    return t;
}

// A small disk (tmpfs) at `dir` while it lives; only the superuser can mount one.
class SmallDisk {
public:
    SmallDisk(const std::string& dir, const std::string& size) : dir_(dir) {
        fs::create_directories(dir);
        mounted_ = geteuid() == 0 &&
                   std::system(("mount -t tmpfs -o size=" + size + " qm-test '" + dir + "' 2>/dev/null").c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) std::system(("umount '" + dir_ + "'").c_str());
    }
    bool Mounted() const { return mounted_; }
    // Takes all the room left.
    void Fill() const {
        std::ofstream f(dir_ + "/filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (f.write(block.data(), block.size()) && f.flush()) {
        }
    }

private:
    std::string dir_;
    bool mounted_ = false;
};

class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& dir) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old, had_ = true;
        setenv("TMPDIR", dir.c_str(), 1);
    }
    ~TemporaryFolder() {
        if (had_) setenv("TMPDIR", old_.c_str(), 1);
        else unsetenv("TMPDIR");
    }

private:
    std::string old_;
    bool had_ = false;
};

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> out;
    for (auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// The workbook's work files lie beside it: a full temporary folder does not touch the sheets.
TEST_F(ExcelExportTest, AFullTemporaryFolderLeavesTheSheetsWhole) {
    NEED_READERS();
    SmallDisk tmp(Path("tmp"), "16k");
    if (!tmp.Mounted()) GTEST_SKIP() << "no small disk can be mounted here (the superuser's only): not tried";
    tmp.Fill();
    {
        TemporaryFolder env(Path("tmp"));
        ExportTessarolsToExcel(Path("t.xlsx"), kTitle, kHeader, ManySheets(sheets_, 2000), true, true, false);
    }
    const std::string sheet = ZipEntry(Path("t.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find(">S0<"), std::string::npos);
    EXPECT_NE(sheet.find(">S1999<"), std::string::npos);
    EXPECT_EQ(Names(Path("tmp")), std::vector<std::string>{"filler"});
    EXPECT_EQ(Names(dir_), (std::vector<std::string>{"t.xlsx", "tmp"}));
}

// A disk that fills while the workbook is written: the save is refused with the cause in words, the old
// workbook kept and nothing else left.
TEST_F(ExcelExportTest, AFullDiskRefusesTheSaveAndKeepsTheOldWorkbook) {
    auto refused = [&](const std::string& target, int cause, const std::string& why) {
        std::ofstream(target) << "user workbook";
        int code = 0;
        std::string message;
        try {
            std::unique_ptr<FileSizeLimit> limit;
            if (cause == EFBIG) limit = std::make_unique<FileSizeLimit>(16384);
            ExportTessarolsToExcel(target, kTitle, kHeader, ManySheets(sheets_, 2000), true, true, false);
            ADD_FAILURE() << target << " saved";
        } catch (const EOleException& e) {
            code = e.ErrorCode;
            message = e.Message;
        }
        EXPECT_EQ(code, cause) << message;
        EXPECT_NE(message.find("没有保存"), std::string::npos) << message;
        EXPECT_NE(message.find(why), std::string::npos) << message;
        EXPECT_TRUE(ReadFile(target) == "user workbook") << "the old workbook was replaced";
        EXPECT_EQ(Names(fs::path(target).parent_path().string()),
                  std::vector<std::string>{fs::path(target).filename().string()});
    };
    // No file may grow past a limit: the superuser too meets it.
    refused(Path("old.xlsx"), EFBIG, "文件太大");
    SmallDisk disk(Path("disk"), "64k");
    if (!disk.Mounted())
        GTEST_SKIP() << "no small disk can be mounted here (the superuser's only): a full disk is not tried";
    refused(Path("disk/old.xlsx"), ENOSPC, "磁盘已满");
}

TEST_F(ExcelExportTest, ListLongerThanAWorksheetIsRefusedBeforeAnything) {
    TCustomTessarols g(1, std::vector<TCustomTessarol>(kExcelRows - 1));
    EXPECT_THROW(ExportCustomTessarolsToExcel(Path("big.xlsx"), "", "a,b,c,d,e", g, true, false), ERangeError);
    EXPECT_TRUE(progress_.Dialogs.empty());
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST(ColumnNames, Letters) {
    EXPECT_EQ(ColumnLetter(1), 'A');
    EXPECT_EQ(ColumnLetter(26), 'Z');
    EXPECT_EQ(GetColumnName(1), "A");
    EXPECT_EQ(GetColumnName(13), "M");
    EXPECT_EQ(GetColumnName(26), "Z");
    EXPECT_EQ(GetColumnName(27), "AA");
    EXPECT_EQ(GetColumnName(52), "AZ");
    EXPECT_EQ(GetColumnName(53), "BA");
    EXPECT_EQ(GetColumnName(702), "ZZ");
    EXPECT_THROW(GetColumnName(0), ERangeError);
    EXPECT_THROW(GetColumnName(703), ERangeError);
    EXPECT_THROW(ColumnLetter(27), ERangeError);
}

}  // namespace
