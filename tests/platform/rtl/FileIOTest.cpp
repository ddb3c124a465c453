#include "platform/rtl/FileIO.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/rtl/Classes.h"
#include "platform/rtl/CodePage.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

namespace fs = std::filesystem;

// "𠀀" (U+20000) has a GB18030 form but no GBK one.
const std::string kNoGbkUtf8 = "\xF0\xA0\x80\x80";
const std::string kNoGbkGb18030 = "\x95\x32\x82\x36";

TEST(DiskNames, GbkAndUtf8BothWays) {
    std::string disk, back;
    ASSERT_TRUE(GbkToDiskName("/tmp/测试目录/北京/图幅索引.mif", disk));
    EXPECT_EQ(disk, U8(u8"/tmp/测试目录/北京/图幅索引.mif"));
    ASSERT_TRUE(DiskNameToGbk(disk, back));
    EXPECT_EQ(back, "/tmp/测试目录/北京/图幅索引.mif");
    ASSERT_TRUE(GbkToDiskName("plain/name.txt", disk));
    EXPECT_EQ(disk, "plain/name.txt");

    // Refused, the output untouched: a cut double-byte character, a GB18030 four-byte character, a
    // character GBK lacks, bytes that are not UTF-8, a NUL that would end the name early.
    disk = "kept";
    for (const std::string& bad : {std::string("a\xB1"), "d/" + kNoGbkGb18030, std::string("a\0b", 3)})
        EXPECT_FALSE(GbkToDiskName(bad, disk)) << bad;
    EXPECT_EQ(disk, "kept");
    for (const std::string& bad :
         {"d/" + kNoGbkUtf8, std::string("\xC3\x28"), std::string("\xFF"), std::string("a\0b", 3)})
        EXPECT_FALSE(DiskNameToGbk(bad, back)) << bad;
    EXPECT_EQ(back, "/tmp/测试目录/北京/图幅索引.mif");
}

TEST(DiskNames, StrictConversionGrowsItsOutputAndFailsWhole) {
    std::string many, out = "kept";
    for (int i = 0; i < 1000; ++i) many += "北";
    EXPECT_FALSE(TryConvertEncoding(many + "\x81", "UTF-8", "GBK", out));
    EXPECT_EQ(out, "kept");
    ASSERT_TRUE(TryConvertEncoding(many, "UTF-32LE", "GBK", out));
    EXPECT_EQ(out.size(), 4000u);
}

class DiskFiles : public ::testing::Test {
protected:
    void SetUp() override {
        root = TestDir("rtl");
        fs::create_directories(root + U8(u8"/测试目录/北京"));
        gbk = root + "/测试目录/北京/";
        disk = root + U8(u8"/测试目录/北京/");
    }
    size_t Entries() { return static_cast<size_t>(std::distance(fs::directory_iterator(disk), {})); }
    std::string root, gbk, disk;
};

TEST_F(DiskFiles, EveryHelperUsesTheUtf8Name) {
    std::FILE* f = DiskFOpen(gbk + "图幅索引.mif", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("abc", f);
    std::fclose(f);
    EXPECT_TRUE(fs::exists(disk + U8(u8"图幅索引.mif")));
    EXPECT_EQ(Entries(), 1u);

    struct stat st {};
    ASSERT_TRUE(DiskStat(gbk + "图幅索引.mif", st));
    EXPECT_EQ(st.st_size, 3);
    EXPECT_TRUE(DiskExists(gbk + "图幅索引.mif"));
    EXPECT_TRUE(DiskAccess(gbk + "图幅索引.mif", R_OK));
    EXPECT_FALSE(DiskExists(gbk + "图幅.mif"));

    ASSERT_TRUE(DiskRename(gbk + "图幅索引.mif", gbk + "图幅索引.mid"));
    std::string bytes;
    ASSERT_TRUE(DiskReadAll(gbk + "图幅索引.mid", bytes));
    EXPECT_EQ(bytes, "abc");
    ASSERT_TRUE(DiskWriteAll(gbk + "图幅索引.mid", "新内容"));
    EXPECT_EQ(ReadFile(disk + U8(u8"图幅索引.mid")), "新内容");
    // Fewer bytes leave no tail of the longer content, written whole or opened to be truncated.
    ASSERT_TRUE(DiskWriteAll(gbk + "图幅索引.mid", "x"));
    EXPECT_EQ(ReadFile(disk + U8(u8"图幅索引.mid")), "x");
    int trunc = DiskOpen(gbk + "图幅索引.mid", O_WRONLY | O_TRUNC);
    ASSERT_GE(trunc, 0);
    ::close(trunc);
    EXPECT_EQ(ReadFile(disk + U8(u8"图幅索引.mid")), "");
    ASSERT_TRUE(DiskWriteAll(gbk + "图幅索引.mid", "新内容"));

    std::ifstream in;
    ASSERT_TRUE(DiskOpenStream(in, gbk + "图幅索引.mid"));
    std::ofstream out;
    ASSERT_TRUE(DiskOpenStream(out, gbk + "图幅索引.txt", std::ios::binary | std::ios::app));
    out << "x";
    out.close();
    int fd = DiskOpen(gbk + "图幅索引.txt", O_RDONLY);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(Entries(), 2u);

    ASSERT_TRUE(DiskRemove(gbk + "图幅索引.mid"));
    ASSERT_TRUE(DiskRemove(gbk + "图幅索引.txt"));
    EXPECT_EQ(Entries(), 0u);
    ASSERT_TRUE(DiskRemove(gbk));  // an empty folder
    EXPECT_FALSE(fs::exists(disk));
}

TEST_F(DiskFiles, ANameWithNoDiskFormIsNeverOpenedUnderAnother) {
    // Decoys under the names a lossy conversion would give: the raw bytes and question marks.
    const std::string bad = gbk + kNoGbkGb18030;
    std::ofstream(disk + kNoGbkGb18030) << "raw";  // the raw bytes are a valid name on disk
    std::ofstream(disk + "?") << "question";
    const size_t before = Entries();
    std::string bytes = "kept";
    struct stat st {};
    std::ifstream in;
    std::ofstream out;
    for (int i = 0; i < 10; ++i) {
        errno = 0;
        bool ok = true;
        switch (i) {
            case 0: ok = DiskFOpen(bad, "wb") != nullptr; break;
            case 1: ok = DiskOpen(bad, O_WRONLY | O_CREAT, 0644) >= 0; break;
            case 2: ok = DiskRename(gbk + "?", bad); break;
            case 3: ok = DiskRename(bad, gbk + "?"); break;
            case 4: ok = DiskRemove(bad); break;
            case 5: ok = DiskStat(bad, st); break;
            case 6: ok = DiskExists(bad); break;
            case 7: ok = DiskReadAll(bad, bytes); break;
            case 8: ok = DiskWriteAll(bad, "x") || DiskOpenStream(out, bad); break;
            case 9: ok = DiskOpenStream(in, bad); break;
        }
        EXPECT_FALSE(ok) << i;
        EXPECT_EQ(errno, EILSEQ) << i;
    }
    EXPECT_EQ(bytes, "kept");
    EXPECT_EQ(Entries(), before);
    EXPECT_EQ(ReadFile(disk + kNoGbkGb18030), "raw");
    EXPECT_EQ(ReadFile(disk + "?"), "question");

    // The string list refuses it with its reader's and writer's errors.
    TStringList lines;
    lines.Add("a");
    EXPECT_THROW(lines.SaveToFile(bad), Exception);
    EXPECT_THROW(lines.LoadFromFile(bad), Exception);
    EXPECT_EQ(Entries(), before);
}

TEST(FileErrorText, CommonCausesInChineseTheRestInTheSystemsWords) {
    EXPECT_EQ(FileErrorText(0), "");
    EXPECT_EQ(FileErrorText(ENOENT), "文件夹不存在。");
    EXPECT_EQ(FileErrorText(ENOTDIR), "文件夹不存在。");
    EXPECT_EQ(FileErrorText(EACCES), "没有访问权限。");
    EXPECT_EQ(FileErrorText(EPERM), "没有访问权限。");
    EXPECT_EQ(FileErrorText(EROFS), "磁盘只读，没有写入权限。");
    EXPECT_EQ(FileErrorText(ENOSPC), "磁盘已满。");
    EXPECT_EQ(FileErrorText(EDQUOT), "磁盘已满。");
    for (int e : {ETXTBSY, EBUSY, EAGAIN, ENOLCK})
        EXPECT_EQ(FileErrorText(e), "文件正在使用或已被锁定。") << e;
    EXPECT_EQ(FileErrorText(EILSEQ), "文件名含有磁盘文件名不能表示的字符。");
    EXPECT_EQ(FileErrorText(ELOOP), std::strerror(ELOOP));
    EXPECT_FALSE(FileErrorText(12345).empty());
    // Reading, a missing name is the file; "Is a directory" is no English tail.
    EXPECT_EQ(FileErrorText(ENOENT, true), "文件不存在。");
    EXPECT_EQ(FileErrorText(EISDIR), "这是一个文件夹，不是文件。");
}

TEST(DiskSwapIn, AllOrNoneAndNothingWithoutItsOldFileKept) {
    const std::string d = std::string(QM_TEST_OUT) + "/swap_in";
    fs::remove_all(d);
    fs::create_directories(d);
    const std::vector<std::string> targets = {d + "/a.mif", d + "/a.mid"}, temps = {d + "/t1", d + "/t2"},
                                   asides = {d + "/a.mif~", d + "/a.mid~"};
    auto fresh = [&] {
        DiskWriteAll(targets[0], "old mif");
        DiskWriteAll(targets[1], "old mid");
        DiskWriteAll(temps[0], "new mif");
        DiskWriteAll(temps[1], "new mid");
    };
    auto untouched = [&] {
        EXPECT_EQ(ReadFile(targets[0]), "old mif");
        EXPECT_EQ(ReadFile(targets[1]), "old mid");
        EXPECT_EQ(ReadFile(temps[0]), "new mif");
        EXPECT_EQ(ReadFile(temps[1]), "new mid");
    };
    // The second aside cannot be made: the first target, already aside, comes back.
    fresh();
    fs::create_directories(asides[1] + "/x");
    size_t which = 9;
    EXPECT_NE(DiskSwapIn(temps, targets, asides, &which), 0);
    EXPECT_EQ(which, 1u);
    untouched();
    fs::remove_all(asides[1]);
    // The second temporary file is missing: the first new file goes back to its temporary name.
    DiskRemove(temps[1]);
    EXPECT_EQ(DiskSwapIn(temps, targets, asides, &which), ENOENT);
    EXPECT_EQ(which, 1u);
    EXPECT_EQ(ReadFile(targets[0]), "old mif");
    EXPECT_EQ(ReadFile(temps[0]), "new mif");
    // A read-only target, whoever runs this.
    fresh();
    chmod(targets[1].c_str(), 0444);
    EXPECT_FALSE(DiskWritable(targets[1]));
    EXPECT_EQ(DiskSwapIn(temps, targets, asides, &which), EACCES);
    untouched();
    chmod(targets[1].c_str(), 0644);
    EXPECT_EQ(DiskSwapIn(temps, targets, asides), 0);
    EXPECT_EQ(ReadFile(targets[1]), "new mid");
    EXPECT_EQ(ReadFile(asides[0]), "old mif");
    EXPECT_FALSE(DiskExists(temps[0]));
    EXPECT_TRUE(DiskWritable(d + "/none"));
    EXPECT_FALSE(DiskWritable(d));
}

}  // namespace
