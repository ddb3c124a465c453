// The kernel's files under Chinese names lie on disk in UTF-8; a name with no disk form is never used.
#include <gtest/gtest.h>

#include <filesystem>

#include "gis/core/GisMappedFiles.h"
#include "gis/core/GisRTree.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

namespace fs = std::filesystem;

TEST(KernelDiskNames, MappedStreamAndRTreeUseTheUtf8Name) {
    const std::string dir = TestDir("gis");
    fs::create_directories(dir + U8(u8"/测试目录/北京"));
    const std::string gbk = dir + "/测试目录/北京/图幅索引";
    const std::string disk = dir + U8(u8"/测试目录/北京/图幅索引");
    {
        TGIS_MappedStream out(gbk + ".dat", true);
        out.WriteBuffer("abcd", 4);
    }
    EXPECT_EQ(ReadFile(disk + ".dat"), "abcd");
    {
        TGIS_MappedStream in(gbk + ".dat", false);
        EXPECT_EQ(in.Size(), 4);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(in.Memory()), 4), "abcd");
    }
    {
        TGIS_RTree tree(gbk + ".rtree");
        tree.Insert({0, 0, 1, 1}, 7);
    }
    ASSERT_TRUE(fs::exists(disk + ".rtree"));
    {
        TGIS_RTree tree(gbk + ".rtree");
        EXPECT_EQ(tree.FindFirst({0, 0, 2, 2}, -1), 7);
        tree.Clear();  // removes the file and starts a new one under the same name
    }
    EXPECT_TRUE(fs::exists(disk + ".rtree"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir + U8(u8"/测试目录/北京")), {}), 2);

    // A GB18030 four-byte character has no GBK form: refused by the stream, kept in memory by the tree.
    const std::string bad = dir + "/\x95\x32\x82\x36";
    EXPECT_THROW(TGIS_MappedStream(bad + ".dat", true), EFOpenError);
    {
        TGIS_RTree tree(bad + ".rtree");
        tree.Insert({0, 0, 1, 1}, 3);
        EXPECT_EQ(tree.FindFirst({0, 0, 2, 2}, -1), 3);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);  // the Chinese folder only
}

}  // namespace
