#include "platform/rtl/IniFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "platform/rtl/FileIO.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

namespace fs = std::filesystem;

TStringList LinesOf(std::initializer_list<const char*> lines) {
    TStringList l;
    for (const char* s : lines) l.Add(s);
    return l;
}

std::vector<std::string> Vec(const TStringList& l) {
    std::vector<std::string> r;
    for (int i = 0; i < l.Count(); ++i) r.push_back(l[i]);
    return r;
}

using V = std::vector<std::string>;

TEST(MemIniFile, ReadsLinesAsTheyStand) {
    TMemIniFile ini("");
    ini.SetStrings(LinesOf({"orphan=1", "  [Roads] ", "; comment", "", "Name = 公路 网 ", "COLOR=RED",
                            "color=BLUE", "no equals here", "Empty=", "Eq=a=b", "[ROADS]", "Later=x"}));
    EXPECT_TRUE(ini.SectionExists("roads"));
    EXPECT_FALSE(ini.SectionExists(""));
    // Keys in any case; the first of twin keys wins; the value keeps what follows '=' in the trimmed line.
    EXPECT_EQ(ini.ReadString("rOaDs", "name", "-"), " 公路 网");
    EXPECT_EQ(ini.ReadString("Roads", "Color", "-"), "RED");
    EXPECT_EQ(ini.ReadString("Roads", "Empty", "-"), "");
    EXPECT_TRUE(ini.ValueExists("Roads", "empty"));
    EXPECT_EQ(ini.ReadString("Roads", "Eq", "-"), "a=b");
    EXPECT_EQ(ini.ReadString("Roads", "orphan", "-"), "-");
    EXPECT_EQ(ini.ReadString("Roads", "no equals here", "-"), "-");
    EXPECT_EQ(ini.ReadString("Other", "Name", "-"), "-");
    // A section named again goes on where it stopped.
    EXPECT_EQ(ini.ReadString("Roads", "Later", "-"), "x");

    TStringList l;
    ini.ReadSection("ROADS", l);
    EXPECT_EQ(Vec(l), (V{"Name", "COLOR", "color", "Empty", "Eq", "Later"}));
    ini.ReadSections(l);
    EXPECT_EQ(Vec(l), (V{"Roads"}));
    ini.GetStrings(l);
    EXPECT_EQ(Vec(l), (V{"[Roads]", "Name= 公路 网", "COLOR=RED", "color=BLUE", "no equals here", "Empty=", "Eq=a=b",
                         "Later=x"}));
}

TEST(MemIniFile, WritesInPlaceAndNewKeysEndTheirSection) {
    TMemIniFile ini("");
    ini.SetStrings(LinesOf({"[A]", "x=1", "y=2", "[B]", "z=3"}));
    ini.WriteString("a", "X", "10");
    ini.WriteString("A", "New", " spaced  value ");
    ini.WriteString("C", "k", "v");
    TStringList l;
    ini.GetStrings(l);
    EXPECT_EQ(Vec(l), (V{"[A]", "x=10", "y=2", "New= spaced  value ", "[B]", "z=3", "[C]", "k=v"}));

    ini.DeleteKey("A", "x");
    ini.DeleteKey("A", "missing");
    ini.EraseSection("b");
    ini.EraseSection("missing");
    ini.GetStrings(l);
    EXPECT_EQ(Vec(l), (V{"[A]", "y=2", "New= spaced  value ", "[C]", "k=v"}));
    EXPECT_FALSE(ini.SectionExists("B"));
    ini.WriteString("B", "again", "1");
    ini.ReadSections(l);
    EXPECT_EQ(Vec(l), (V{"A", "C", "B"}));

    // Of twin keys, deleting the first shows the second.
    ini.SetStrings(LinesOf({"[A]", "k=1", "K=2"}));
    ini.DeleteKey("A", "k");
    EXPECT_EQ(ini.ReadString("A", "k", "-"), "2");
    ini.Clear();
    ini.ReadSections(l);
    EXPECT_EQ(l.Count(), 0);
}

TEST(MemIniFile, FilesUnderChineseNames) {
    const std::string dir = TestDir("ini");
    std::string gbkDir;
    ASSERT_TRUE(DiskNameToGbk(dir, gbkDir));
    const std::string path = gbkDir + "/图层.ini";

    TMemIniFile missing(path);
    TStringList l;
    missing.ReadSections(l);
    EXPECT_EQ(l.Count(), 0);

    ASSERT_TRUE(DiskWriteAll(path, "[图层]\r\n名称=河流\nColor=RED\r\n"));
    TMemIniFile ini(path);
    EXPECT_EQ(ini.ReadString("图层", "名称", ""), "河流");
    ini.WriteString("图层", "名称", "湖泊");
    ini.WriteString("Other", "a", "b");
    ini.UpdateFile(path + "~");
    std::string bytes;
    ASSERT_TRUE(DiskReadAll(path, bytes));
    EXPECT_EQ(bytes, "[图层]\r\n名称=湖泊\r\nColor=RED\r\n\r\n[Other]\r\na=b\r\n");
    ASSERT_TRUE(DiskReadAll(path + "~", bytes));
    EXPECT_EQ(bytes, "[图层]\r\n名称=河流\nColor=RED\r\n");
    EXPECT_FALSE(DiskExists(path + ".~tmp"));

    // Renaming binds another file; reloading reads it.
    ini.Rename(path + "~", true);
    EXPECT_EQ(ini.ReadString("图层", "名称", ""), "河流");
    EXPECT_FALSE(ini.SectionExists("Other"));
    ini.Rename(gbkDir + "/none.ini", false);
    EXPECT_EQ(ini.ReadString("图层", "名称", ""), "河流");
    EXPECT_EQ(ini.FileName(), gbkDir + "/none.ini");

    // A folder by the file's name cannot be read as one.
    fs::create_directories(dir + "/folder.ini");
    EXPECT_THROW(TMemIniFile(gbkDir + "/folder.ini"), EFOpenError);
}

// A refused write leaves the file and its backup as they were and names the cause.
TEST(MemIniFile, RefusedWriteKeepsFileAndBackup) {
    const std::string dir = TestDir("ini");
    const std::string path = dir + "/layer.ini";
    ASSERT_TRUE(DiskWriteAll(path, "[A]\r\nk=old\r\n"));
    ASSERT_TRUE(DiskWriteAll(path + "~", "backup"));
    TMemIniFile ini(path);
    ini.WriteString("A", "k", "new");

    {
        // Modes do not stop root: a size limit stops the write of the new file instead.
        std::unique_ptr<FileSizeLimit> limit;
        if (geteuid() == 0) limit = std::make_unique<FileSizeLimit>(4);
        else chmod(dir.c_str(), 0555);
        try {
            ini.UpdateFile(path + "~");
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_NE(e.Message.find("layer.ini"), std::string::npos);
            EXPECT_GT(e.Message.size(), std::string("Cannot create file \"" + path + "\". ").size()) << e.Message;
        }
    }
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(ReadFile(path), "[A]\r\nk=old\r\n");
    EXPECT_EQ(ReadFile(path + "~"), "backup");

    // A missing folder.
    TMemIniFile lost(dir + "/missing/layer.ini");
    lost.WriteString("A", "k", "v");
    EXPECT_THROW(lost.UpdateFile(), EWriteError);
}

TEST(FileIO, ExpandFileName) {
    EXPECT_EQ(ExpandFileName("/a/b/../c/./d"), "/a/c/d");
    EXPECT_EQ(ExpandFileName("/a//b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName("/../.."), "/");
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    EXPECT_EQ(ExpandFileName("x/y.ini"), ExpandFileName(std::string(buf) + "/x/y.ini"));
    EXPECT_EQ(ExpandFileName("./x.ini").front(), '/');
}

}  // namespace
