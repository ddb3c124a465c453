#include "gis/core/GisFileCommit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "gis/core/GisDefs.h"
#include "platform/rtl/FileIO.h"

namespace {

std::string Dir(const std::string& name) {
    const std::string d = std::string(QM_TEST_OUT) + "/commit_" + name;
    mkdir(d.c_str(), 0755);
    return d;
}

std::string Read(const std::string& path) {
    std::string s;
    return DiskReadAll(path, s) ? s : "<none>";
}

}  // namespace

TEST(FileCommit, SwapsInAndKeepsBackups) {
    const std::string d = Dir("swap");
    const std::string a = d + "/a.shp", b = d + "/a.dbf";
    DiskWriteAll(a, "old a");
    DiskRemove(b);
    {
        TGIS_FileCommit c({a, b});
        DiskWriteAll(c.TempName(0), "new a");
        DiskWriteAll(c.TempName(1), "new b");
        c.Commit();
    }
    EXPECT_EQ(Read(a), "new a");
    EXPECT_EQ(Read(b), "new b");
    EXPECT_EQ(Read(a + "~"), "old a");
    EXPECT_FALSE(DiskExists(a + "~tmp"));
}

TEST(FileCommit, WithoutCommitNothingChanges) {
    const std::string d = Dir("abandon");
    const std::string a = d + "/a.mif";
    DiskWriteAll(a, "old");
    DiskWriteAll(a + "~", "older");
    {
        TGIS_FileCommit c({a});
        DiskWriteAll(c.TempName(0), "half");
    }
    EXPECT_EQ(Read(a), "old");
    EXPECT_EQ(Read(a + "~"), "older");
    EXPECT_FALSE(DiskExists(a + "~tmp"));
}

TEST(FileCommit, AFailedRenamePutsEverythingBack) {
    const std::string d = Dir("fail");
    const std::string a = d + "/a.shp", b = d + "/b.shx", c = d + "/c.dbf";
    DiskWriteAll(a, "old a");
    DiskWriteAll(c, "old c");
    DiskRemove(b);
    TGIS_FileCommit commit({a, b, c});
    DiskWriteAll(commit.TempName(0), "new a");
    DiskWriteAll(commit.TempName(1), "new b");
    // The third temporary file is missing: its rename fails.
    DiskRemove(commit.TempName(2));
    try {
        commit.Commit();
        FAIL() << "no error";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 32);
        EXPECT_EQ(e.StrParam, c);
    }
    EXPECT_EQ(Read(a), "old a");
    EXPECT_FALSE(DiskExists(b));
    EXPECT_EQ(Read(c), "old c");
    EXPECT_FALSE(DiskExists(a + "~tmp"));
    EXPECT_FALSE(DiskExists(b + "~tmp"));
}
