#include "gis/core/GisIni.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "gis/core/GisDefs.h"
#include "platform/rtl/FileIO.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

namespace fs = std::filesystem;

struct Layer : TGIS_IniLayer {
    explicit Layer(std::string n) : name(std::move(n)) {}
    std::string IniLayerName() const override { return name; }
    std::string name;
};

std::string WriteIni(const std::string& dir, const std::string& text) {
    const std::string path = dir + "/layer.shp.ini";
    EXPECT_TRUE(DiskWriteAll(path, text));
    return path;
}

std::vector<std::string> Vec(const TStringList& l) {
    std::vector<std::string> r;
    for (int i = 0; i < l.Count(); ++i) r.push_back(l[i]);
    return r;
}

TEST(GisIni, FindsLayerSectionsByNameThenPath) {
    const std::string path = WriteIni(TestDir("ini"),
                                      "[Kelvoran Layer1]\nName=roads\n"
                                      "[Kelvoran Layer2]\nName=\nPath=rivers.shp\n"
                                      "[Kelvoran Layer2 1]\nColor=RED\n"
                                      "[Kelvoran Layer2 2]\nColor=BLUE\n"
                                      "[Kelvoran Layer2 4]\nColor=GREEN\n"
                                      "[Kelvoran Layer3]\nName=Rivers.shp\n");
    Layer rivers("rivers.shp"), lakes("lakes"), roads("roads"), empty("");
    TGIS_Ini ini(&rivers, path);
    EXPECT_EQ(ini.LayerNo(), 2);
    EXPECT_EQ(ini.SectionCount(), 3);
    EXPECT_EQ(ini.Section(), "Kelvoran Layer2");
    EXPECT_TRUE(ini.SelectSection(2));
    EXPECT_EQ(ini.Section(), "Kelvoran Layer2 2");
    EXPECT_EQ(ini.SubSection(), 2);
    EXPECT_EQ(ini.ReadColor("Color", 0), 0xFF0000u);
    EXPECT_FALSE(ini.SelectSection(3));
    EXPECT_EQ(ini.Section(), "Kelvoran Layer2 3");
    EXPECT_EQ(ini.ReadColor("Color", 0), 0u);

    ini.SetLayer(&roads);
    EXPECT_EQ(ini.LayerNo(), 1);
    EXPECT_EQ(ini.SectionCount(), 1);
    // No section: the layer's sections are named from "Kelvoran Layer" alone, and none hold keys.
    ini.SetLayer(&lakes);
    EXPECT_EQ(ini.LayerNo(), 0);
    EXPECT_EQ(ini.SectionCount(), 0);
    EXPECT_EQ(ini.Section(), "Kelvoran Layer");
    EXPECT_FALSE(ini.SelectSection(0));
    ini.SetLayer(&empty);
    EXPECT_EQ(ini.LayerNo(), 0);
    // Without a layer the one section counts.
    ini.SetLayer(nullptr);
    EXPECT_EQ(ini.LayerNo(), 0);
    EXPECT_EQ(ini.SectionCount(), 1);
    EXPECT_TRUE(ini.SelectSection(0));
}

TEST(GisIni, SectionNames) {
    TGIS_Ini ini(nullptr, "");
    EXPECT_EQ(ini.SectionName(0, 0), "Kelvoran Layer");
    EXPECT_EQ(ini.SectionName(3, 0), "Kelvoran Layer3");
    EXPECT_EQ(ini.SectionName(3, 2), "Kelvoran Layer3 2");
    EXPECT_EQ(ini.SectionName(0, 2), "Kelvoran Layer 2");
    EXPECT_EQ(ini.SectionName(999, 998), "Kelvoran Layer999 998");
    EXPECT_THROW(ini.SectionName(1000, 0), EAssertionFailed);
    EXPECT_THROW(ini.SectionName(0, 999), EAssertionFailed);
    EXPECT_THROW(ini.SectionName(-1, 0), EAssertionFailed);
}

// The scan runs through all 999 layer sections without tripping over the last one.
TEST(GisIni, NineHundredNinetyNineLayers) {
    std::string text;
    for (int n = 1; n <= 999; ++n) text += "[Kelvoran Layer" + std::to_string(n) + "]\nName=L" + std::to_string(n) + "\n";
    const std::string path = WriteIni(TestDir("ini"), text);
    Layer last("L999"), none("L1000");
    TGIS_Ini ini(&last, path);
    EXPECT_EQ(ini.LayerNo(), 999);
    EXPECT_EQ(ini.FindLayerSection(&none), 0);
}

TEST(GisIni, ValuesAsWritten) {
    const std::string path = WriteIni(TestDir("ini"),
                                      "[Kelvoran Layer1]\nName=河流\nCAPTION=长江 水系 \nlabel.color = 0:128:0\n");
    Layer rivers("河流");
    TGIS_Ini ini(&rivers, path);
    EXPECT_EQ(ini.LayerNo(), 1);
    EXPECT_EQ(ini.ReadValue("caption"), "长江 水系");
    EXPECT_EQ(ini.ReadString("Caption", "-"), "长江 水系");
    EXPECT_EQ(ini.ReadColor("LABEL.COLOR", 0), 0x008000u);
    EXPECT_EQ(ini.ReadValue("Missing"), "nil");
    EXPECT_EQ(ini.ReadInteger("Missing", 7), 7);
    EXPECT_FALSE(ini.Modified());

    ini.WriteString("Caption", "  黄河 ");
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ini.ReadString("CAPTION", "-"), "  黄河 ");
    // A stored "nil" is the absent key.
    ini.WriteString("Line.Style", "nil");
    EXPECT_EQ(ini.ReadPenStyle("Line.Style", 3), 3);
}

TEST(GisIni, EveryTypeBothWays) {
    const std::string dir = TestDir("ini");
    const std::string path = dir + "/roads.ini";
    Layer roads("roads");
    {
        TGIS_Ini ini(&roads, path);
        EXPECT_EQ(ini.LayerNo(), 0);
        ini.WriteString("Name", "roads");
        ini.WriteLabelAlignment("A", 4);
        ini.WriteBoolean("B", true);
        ini.WriteColor("C", GIS_RENDER_COLOR);
        ini.WriteFontStyle("F", 1 | 8);
        ini.WriteInteger("I", GIS_RENDER_SIZE);
        ini.WriteLabelPosition("P", 510);
        ini.WriteBrushStyle("BS", 7);
        ini.WritePenStyle("PS", 5);
        ini.WriteChartStyle("CS", 1);
        ini.WriteMarkerStyle("MS", 6);
        ini.WriteFloat("X", -0.125);
        TGIS_Units u(18, 0.5);
        ini.WriteUnits("U", u);
        ini.WriteBitmap("Bmp", nullptr);
        ini.WriteSymbol("Sym", nullptr);
        ini.Save();
        EXPECT_FALSE(ini.Modified());
    }
    EXPECT_EQ(Lines(ReadFile(path)),
              (std::vector<std::string>{"[Kelvoran Layer]", "Name=roads", "A=FOLLOW", "B=YES", "C=$FF00000D",
                                        "F=BOLD:STRIKEOUT", "I=-268435455",
                                        "P=UPCENTER:UPRIGHT:MIDDLELEFT:MIDDLECENTER:MIDDLERIGHT:DOWNLEFT:DOWNCENTER:"
                                        "DOWNRIGHT",
                                        "BS=DIAGCROSS", "PS=CLEAR", "CS=BAR", "MS=TRIANGLELEFT", "X=-0.125", "U=-0.5"}));
    TGIS_Ini ini(nullptr, path);
    EXPECT_EQ(ini.ReadLabelAlignment("a", 0), 4);
    EXPECT_TRUE(ini.ReadBoolean("b", false));
    EXPECT_EQ(ini.ReadColor("c", 0), GIS_RENDER_COLOR);
    EXPECT_EQ(ini.ReadFontStyle("f", 0), 1 | 8);
    EXPECT_EQ(ini.ReadInteger("i", 0), GIS_RENDER_SIZE);
    EXPECT_EQ(ini.ReadLabelPosition("p", 0), 510);
    EXPECT_EQ(ini.ReadBrushStyle("bs", 0), 7);
    EXPECT_EQ(ini.ReadPenStyle("ps", 0), 5);
    EXPECT_EQ(ini.ReadChartStyle("cs", 0), 1);
    EXPECT_EQ(ini.ReadMarkerStyle("ms", 0), 6);
    EXPECT_EQ(ini.ReadFloat("x", 0), -0.125);
    TGIS_Units u;
    EXPECT_EQ(&ini.ReadUnits("u", u), &u);
    EXPECT_EQ(u.Code, 18);
    EXPECT_EQ(ini.ReadBitmap("Bmp", nullptr), nullptr);
    EXPECT_EQ(ini.ReadSymbol("Sym", nullptr), nullptr);
    // Booleans written by others read as well.
    ini.WriteValue("B", "FALSE");
    EXPECT_FALSE(ini.ReadBoolean("B", true));
}

TEST(GisIni, SaveKeepsTheOldFileAsBackup) {
    const std::string dir = TestDir("ini");
    const std::string path = WriteIni(dir, "[Kelvoran Layer1]\nName=roads\n");
    ASSERT_TRUE(DiskWriteAll(path + "~", "older"));
    Layer roads("roads");
    TGIS_Ini ini(&roads, path);
    ini.Save();
    EXPECT_EQ(ReadFile(path), "[Kelvoran Layer1]\nName=roads\n");
    EXPECT_EQ(ReadFile(path + "~"), "older");

    ini.WriteColor("Color", 0xFF);
    ini.Save();
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(ReadFile(path + "~"), "[Kelvoran Layer1]\nName=roads\n");
    EXPECT_EQ(ReadFile(path), "[Kelvoran Layer1]\r\nName=roads\r\nColor=$FF\r\n");

    // Without an old file there is no backup to make.
    fs::remove(path);
    fs::remove(path + "~");
    ini.WriteColor("Color", 0xFE);
    ini.Save();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path + "~"));
}

TEST(GisIni, RefusedSaveKeepsFileBackupAndModified) {
    const std::string dir = TestDir("ini");
    const std::string path = WriteIni(dir, "[Kelvoran Layer]\nColor=RED\n");
    ASSERT_TRUE(DiskWriteAll(path + "~", "older"));
    TGIS_Ini ini(nullptr, path);
    ini.WriteColor("Color", 0xFF00);
    {
        // Root writes into read-only folders: a size limit stops the write of the new file instead.
        std::unique_ptr<FileSizeLimit> limit;
        if (geteuid() == 0) limit = std::make_unique<FileSizeLimit>(4);
        else chmod(dir.c_str(), 0555);
        EXPECT_THROW(ini.Save(), Exception);
    }
    chmod(dir.c_str(), 0755);
    EXPECT_TRUE(ini.Modified());
    EXPECT_EQ(ReadFile(path), "[Kelvoran Layer]\nColor=RED\n");
    EXPECT_EQ(ReadFile(path + "~"), "older");

    ini.Save();
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(ReadFile(path + "~"), "[Kelvoran Layer]\nColor=RED\n");
}

TEST(GisIni, EraseLayerAndReload) {
    const std::string path = WriteIni(TestDir("ini"),
                                      "[Kelvoran Layer1]\nName=roads\n[Kelvoran Layer1 1]\nA=1\n"
                                      "[Kelvoran Layer1 2]\nA=2\n[Kelvoran Layer1 4]\nA=4\n");
    Layer roads("roads");
    TGIS_Ini ini(&roads, path);
    EXPECT_EQ(ini.SectionCount(), 3);
    ini.EraseLayer();
    EXPECT_TRUE(ini.Modified());
    TStringList l;
    ini.GetStrings(l);
    EXPECT_EQ(Vec(l), (std::vector<std::string>{"[Kelvoran Layer1]", "Name=roads", "[Kelvoran Layer1 4]", "A=4"}));

    ini.Reload();
    EXPECT_FALSE(ini.Modified());
    EXPECT_TRUE(ini.SelectSection(2));
    EXPECT_EQ(ini.ReadInteger("A", 0), 2);

    // A layer of no sub-sections erases nothing.
    TGIS_Ini plain(nullptr, path);
    plain.SetLayer(&roads);
    plain.SetStrings(TStringList());
    plain.EraseLayer();
    EXPECT_FALSE(plain.Modified());
}

TEST(GisIni, InMemory) {
    const std::string dir = TestDir("ini");
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    {
        TGIS_Ini ini(nullptr, "");
        EXPECT_EQ(ini.Section(), "Kelvoran Layer");
        EXPECT_EQ(ini.SectionCount(), 1);
        EXPECT_EQ(ini.BasePath(), "");
        ini.WriteString("Zeta", "z");
        ini.WriteBoolean("Alpha", false);
        ini.WriteString("ZETA", "y");
        TStringList l;
        ini.GetStrings(l);
        EXPECT_EQ(Vec(l), (std::vector<std::string>{"[Kelvoran Layer]", "Zeta=y", "Alpha=NO"}));

        TStringList in;
        in.Add("[Kelvoran Layer]");
        in.Add("Color=BLUE");
        in.Add("Font=BOLD");
        ini.SetStrings(in);
        EXPECT_EQ(ini.ReadColor("color", 0), 0xFF0000u);
        EXPECT_EQ(ini.ReadValue("Zeta"), "nil");
        ini.Save();
        EXPECT_FALSE(ini.Modified());
        ini.Reload();
        EXPECT_EQ(ini.ReadValue("Color"), "nil");
    }
    EXPECT_TRUE(fs::is_empty(dir));
    fs::current_path(cwd);
}

TEST(GisIni, BasePath) {
    const std::string dir = TestDir("ini");
    EXPECT_EQ(TGIS_Ini(nullptr, dir + "/roads.shp.ini").BasePath(), dir + "/roads.shp");
    EXPECT_EQ(TGIS_Ini(nullptr, dir + "/v1.0/roads").BasePath(), dir + "/v1.0/roads");
    EXPECT_EQ(TGIS_Ini(nullptr, dir + "/.ini").BasePath(), dir + "/.ini");
    // A dot in a folder is no extension, nor one that starts the name.
    EXPECT_EQ(TGIS_Ini(nullptr, dir + "/data.v2/.roads").BasePath(), dir + "/data.v2/.roads");
    EXPECT_EQ(TGIS_Ini(nullptr, dir + "/data.v2/roads.ini").BasePath(), dir + "/data.v2/roads");
    // The base path is the path as given; the file read is its full form.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    ASSERT_TRUE(DiskWriteAll(dir + "/rel.ini", "[Kelvoran Layer]\nA=1\n"));
    TGIS_Ini rel(nullptr, "rel.ini");
    fs::current_path(cwd);
    EXPECT_EQ(rel.BasePath(), "rel");
    EXPECT_EQ(rel.ReadInteger("A", 0), 1);
    rel.WriteInteger("A", 2);
    rel.Save();
    EXPECT_EQ(ReadFile(dir + "/rel.ini"), "[Kelvoran Layer]\r\nA=2\r\n");
}

}  // namespace
