#include "gis/core/GisFileCommit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "gis/core/GisDefs.h"
#include "platform/rtl/Classes.h"
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
    std::filesystem::remove_all(std::string(QM_TEST_OUT) + "/commit_fail");
    const std::string d = Dir("fail");
    mkdir((d + "/sub").c_str(), 0755);
    const std::string a = d + "/a.shp", b = d + "/b.shx", c = d + "/sub/c.dbf";
    DiskWriteAll(a, "old a");
    DiskRemove(b);
    TGIS_FileCommit commit({a, b, c});
    DiskWriteAll(commit.TempName(0), "new a");
    DiskWriteAll(commit.TempName(1), "new b");
    DiskWriteAll(commit.TempName(2), "new c");
    // The third target's folder is gone by the time the set moves: its step fails.
    ASSERT_EQ(rmdir((d + "/sub").c_str()), 0);
    try {
        commit.Commit();
        FAIL() << "no error";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 32);
        EXPECT_EQ(e.StrParam, c);
    }
    EXPECT_EQ(Read(a), "old a");
    EXPECT_FALSE(DiskExists(b));
    EXPECT_FALSE(DiskExists(a + "~"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d), {}), 1);
}

// Nothing is replaced unless its old file can be kept, and a read-only file is never replaced.
TEST(FileCommit, RefusesWhatItCannotBackUpOrMayNotReplace) {
    std::filesystem::remove_all(std::string(QM_TEST_OUT) + "/commit_refuse");
    const std::string d = Dir("refuse");
    const std::string a = d + "/a.mif", b = d + "/a.mid";
    DiskWriteAll(a, "old a");
    DiskWriteAll(b, "old b");
    // The MID's backup name is held by a folder that is not empty.
    mkdir((b + "~").c_str(), 0755);
    DiskWriteAll(b + "~/x", "x");
    auto commitNew = [&] {
        TGIS_FileCommit c({a, b});
        DiskWriteAll(c.TempName(0), "new a");
        DiskWriteAll(c.TempName(1), "new b");
        c.Commit();
    };
    try {
        commitNew();
        FAIL() << "no error";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.ErrorCode, 32);
        EXPECT_EQ(e.StrParam, b);
    }
    EXPECT_EQ(Read(a), "old a");
    EXPECT_EQ(Read(b), "old b");
    EXPECT_FALSE(DiskExists(a + "~"));
    for (const std::string& t : {a, b}) EXPECT_FALSE(DiskExists(t + "~tmp"));

    DiskRemove(b + "~/x");
    rmdir((b + "~").c_str());
    chmod(a.c_str(), 0444);
    try {
        TGIS_FileCommit({a, b}).CheckTargets();
        FAIL() << "no error";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(e.Message, "0032 Error " + std::to_string(EACCES) + " during writing file \"" + a + "\" 没有访问权限。");
    }
    EXPECT_THROW(commitNew(), EGIS_Exception);
    EXPECT_EQ(Read(a), "old a");
    EXPECT_EQ(Read(b), "old b");
    chmod(a.c_str(), 0644);
    commitNew();
    EXPECT_EQ(Read(a), "new a");
    EXPECT_EQ(Read(b + "~"), "old b");
}

TEST(FileCommit, AStreamErrorOnATemporaryFileNamesItsTarget) {
    const std::string d = Dir("rethrow");
    TGIS_FileCommit c({d + "/a.shp", d + "/a.dbf"});
    auto raised = [&](std::exception_ptr e) -> std::string {
        try {
            c.Rethrow(e);
        } catch (const EGIS_Exception& g) {
            return g.StrParam + " " + std::to_string(g.IntParam);
        } catch (const Exception& x) {
            return "as it was: " + x.Message;
        }
        return "";
    };
    EXPECT_EQ(raised(std::make_exception_ptr(EWriteError("w", c.TempName(1), ENOSPC))),
              d + "/a.dbf " + std::to_string(ENOSPC));
    EXPECT_EQ(raised(std::make_exception_ptr(EWriteError("other", d + "/else", ENOSPC))), "as it was: other");
    EXPECT_EQ(raised(std::make_exception_ptr(Exception("plain"))), "as it was: plain");
}
