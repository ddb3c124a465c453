#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <vector>

#include "gis/core/GisRTree.h"

namespace {

std::string IndexFile(const std::string& name) {
    std::string p = std::string(QM_TEST_OUT) + "/" + name + ".rtree";
    std::remove(p.c_str());
    return p;
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

int32_t Int(const std::string& bytes, size_t off) {
    int32_t v;
    std::memcpy(&v, bytes.data() + off, 4);
    return v;
}

void SetInt(std::string& bytes, size_t off, int32_t v) { std::memcpy(&bytes[off], &v, 4); }

std::vector<int32_t> FindAll(TGIS_RTree& t, const TGIS_Extent& e, int32_t id = -1) {
    std::vector<int32_t> r;
    for (int32_t i = t.FindFirst(e, id); i >= 0; i = t.FindNext()) r.push_back(i);
    std::sort(r.begin(), r.end());
    return r;
}

TGIS_Extent Box(double x, double y, double w = 1, double h = 1) { return GisMakeExtent(x, y, x + w, y + h); }

TEST(RTree, NewFileAndFirstSplit) {
    std::string path = IndexFile("new");
    {
        TGIS_RTree t(path);
        EXPECT_EQ(t.Path(), path);
        EXPECT_TRUE(t.IsEmpty());
        EXPECT_NEAR(t.FileDate(), Now(), 0.01);
        std::string f = ReadAll(path);
        ASSERT_EQ(f.size(), 1024u);
        EXPECT_EQ(Int(f, 0), 0x04407AAD);
        EXPECT_EQ(Int(f, 4), 6);
        EXPECT_EQ(f.substr(12, 18), "Kelvoran VQ6 RTree");
        EXPECT_EQ(Int(f, 268), 73);
        EXPECT_EQ(Int(f, 272), 2);
        EXPECT_EQ(Int(f, 276), 0);
        EXPECT_EQ(Int(f, 284), 1);
        EXPECT_EQ(Int(f, 512), 2);  // empty leaf
        for (int i = 1; i <= 14; ++i) t.Insert(Box(i * 10, 0), i);
        EXPECT_EQ(t.RootPage(), 3);
        EXPECT_EQ(t.PageCount(), 4);
        f = ReadAll(path);
        ASSERT_EQ(f.size(), 4 * 512u);
        EXPECT_EQ(Int(f, 3 * 512), 1);      // inner root
        EXPECT_EQ(Int(f, 3 * 512 + 4), 2);  // two children
        EXPECT_EQ(Int(f, 276), 14);         // the header follows every change
        EXPECT_EQ(Int(f, 268), 73);
    }
    TGIS_RTree again(path);
    EXPECT_EQ(again.Path(), path);
    EXPECT_NEAR(again.FileDate(), Now(), 0.01);  // the file's last write
    EXPECT_EQ(again.ItemCount(), 14);
    EXPECT_EQ(FindAll(again, GisFullExtent()).size(), 14u);
}

TEST(RTree, SearchRules) {
    TGIS_RTree t("");
    EXPECT_EQ(t.Path(), "");
    t.Insert(Box(0, 0, 10, 10), 7);
    t.Insert(Box(20, 20), 8);
    t.Insert(Box(30, 30), 7);  // the same id twice must not make the search loop
    EXPECT_EQ(FindAll(t, Box(10, 10, 5, 5)), (std::vector<int32_t>{7}));  // touches a corner
    EXPECT_EQ(t.FindFirst(GisFullExtent(), 7), 7);
    EXPECT_EQ(t.FindNext(), 7);
    EXPECT_EQ(t.FindNext(), -1);
    EXPECT_EQ(t.FindNext(), -1);
    EXPECT_EQ(t.FindFirst(Box(20, 20), 7), -1);
    EXPECT_EQ(FindAll(t, Box(100, 100)), std::vector<int32_t>{});
    EXPECT_FALSE(t.Delete(Box(100, 100), 7));
    EXPECT_TRUE(t.Delete(Box(30, 30), 7));
    EXPECT_EQ(FindAll(t, GisFullExtent()), (std::vector<int32_t>{7, 8}));
}

TEST(RTree, NanExtentHidesNoOtherEntry) {
    TGIS_RTree t("");
    const double nan = std::nan("");
    t.Insert(Box(0, 0), 1);
    t.Insert(GisMakeExtent(nan, nan, nan, nan), 2);
    for (int i = 3; i <= 40; ++i) t.Insert(Box(i, i), i);
    ASSERT_TRUE(t.Delete(Box(0, 0), 1));
    for (int i = 3; i <= 40; ++i) ASSERT_EQ(FindAll(t, Box(i + 0.25, i + 0.25, 0.5, 0.5)), (std::vector<int32_t>{i})) << i;
}

TEST(RTree, DeleteToEmptyAndClear) {
    std::string path = IndexFile("clear");
    TGIS_RTree t(path);
    t.Clear();  // empty: nothing happens
    t.Insert(Box(1, 1), 1);
    EXPECT_TRUE(t.Delete(Box(1, 1), 1));
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(t.ItemCount(), 0);
    EXPECT_EQ(t.FindFirst(GisFullExtent(), -1), -1);
    for (int i = 1; i <= 100; ++i) t.Insert(Box(i, i), i);
    for (int i = 1; i <= 100; ++i) ASSERT_TRUE(t.Delete(Box(i, i), i)) << i;
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(t.PageCount(), 2);  // pages go back to the free chain; the tree keeps its height
    for (int i = 1; i <= 50; ++i) t.Insert(Box(i, -i), i);
    EXPECT_EQ(FindAll(t, GisFullExtent()).size(), 50u);
    size_t before = ReadAll(path).size();
    t.Clear();
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(t.Path(), path);
    EXPECT_LT(ReadAll(path).size(), before);
    EXPECT_EQ(ReadAll(path).size(), 1024u);
}

TEST(RTree, ForeignFilesStayUntouched) {
    std::string path = IndexFile("foreign");
    {
        TGIS_RTree t(path);
        t.Insert(Box(1, 1), 1);
    }
    const std::string good = ReadAll(path);
    auto opensInMemory = [&](const std::string& bytes) {
        WriteAll(path, bytes);
        TGIS_RTree t(path);
        bool ok = t.Path().empty() && t.IsEmpty();
        t.Insert(Box(2, 2), 2);  // works in memory
        ok = ok && t.FindFirst(GisFullExtent(), -1) == 2;
        return ok && ReadAll(path) == bytes;
    };
    EXPECT_TRUE(opensInMemory(good.substr(0, good.size() - 1)));  // not a multiple of 512
    EXPECT_TRUE(opensInMemory(good.substr(0, 512)));
    EXPECT_TRUE(opensInMemory(""));
    std::string b = good;
    SetInt(b, 0, 0x12345678);
    EXPECT_TRUE(opensInMemory(b));
    b = good;
    SetInt(b, 4, 7);
    EXPECT_TRUE(opensInMemory(b));
    TGIS_RTree nowhere(std::string(QM_TEST_OUT) + "/no-such-dir/x.rtree");
    EXPECT_TRUE(nowhere.Path().empty());
    nowhere.Insert(Box(1, 1), 1);
    EXPECT_EQ(nowhere.FindFirst(Box(1, 1), 1), 1);
}

// Files of ours that are damaged, or left by a crash, are started afresh for the layer to refill.
TEST(RTree, DamagedFilesAreRebuilt) {
    std::string path = IndexFile("damaged");
    {
        TGIS_RTree t(path);
        for (int i = 1; i <= 200; ++i) t.Insert(Box(i % 17, i / 17), i);
    }
    const std::string good = ReadAll(path);
    int32_t root = Int(good, 284);
    auto rebuilt = [&](const std::string& bytes) {
        WriteAll(path, bytes);
        TGIS_RTree t(path);
        return t.Path() == path && t.IsEmpty() && ReadAll(path).size() == 1024u;
    };
    std::string b = good;
    SetInt(b, 268, 0);  // crash in the middle of a change
    EXPECT_TRUE(rebuilt(b));
    b = good;
    SetInt(b, 276, 199);  // counts disagree with the pages
    EXPECT_TRUE(rebuilt(b));
    b = good;
    SetInt(b, root * 512 + 8 + 32, root);  // a child that is the page itself
    EXPECT_TRUE(rebuilt(b));
    b = good;
    SetInt(b, root * 512 + 8 + 32, 999999);  // a child outside the file
    EXPECT_TRUE(rebuilt(b));
    b = good;
    SetInt(b, root * 512 + 4, 14);  // a count no page holds at rest
    EXPECT_TRUE(rebuilt(b));
    // a cycle: the first child page points back at the root
    b = good;
    int32_t child = Int(good, root * 512 + 8 + 32);
    SetInt(b, child * 512 + 0, 1);
    SetInt(b, child * 512 + 4, 1);
    SetInt(b, child * 512 + 8 + 32, root);
    EXPECT_TRUE(rebuilt(b));
    std::mt19937 rng(5);
    for (int round = 0; round < 20; ++round) {
        b = good;
        for (int k = 0; k < 40; ++k) b[512 + rng() % (b.size() - 512)] = static_cast<char>(rng());
        WriteAll(path, b);
        TGIS_RTree t(path);
        for (int32_t i = t.FindFirst(GisFullExtent(), -1), n = 0; i >= 0 && n < 1000; i = t.FindNext(), ++n) {
        }
        t.Insert(Box(1, 1), 500);
        EXPECT_GE(FindAll(t, Box(1, 1), 500).size(), 1u);
    }
}

TEST(RTree, SecondOpenerWorksInMemory) {
    std::string path = IndexFile("shared");
    TGIS_RTree first(path);
    first.Insert(Box(1, 1), 1);
    const std::string bytes = ReadAll(path);
    TGIS_RTree second(path);
    EXPECT_TRUE(second.Path().empty());
    EXPECT_EQ(second.ItemCount(), 1);  // read from the file
    second.Insert(Box(2, 2), 2);        // goes to memory
    EXPECT_EQ(FindAll(second, GisFullExtent()), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(ReadAll(path), bytes);
    EXPECT_EQ(FindAll(first, GisFullExtent()), (std::vector<int32_t>{1}));
}

// The leaf entries of an index file in the order a walk from the root meets them.
std::vector<std::pair<TGIS_Extent, int32_t>> WalkOrder(const std::string& f, int32_t page) {
    std::vector<std::pair<TGIS_Extent, int32_t>> r;
    const size_t at = size_t(page) * 512;
    for (int32_t k = 0; k < Int(f, at + 4); ++k) {
        TGIS_Extent e;
        std::memcpy(&e, f.data() + at + 8 + k * 36, sizeof e);
        const int32_t id = Int(f, at + 8 + k * 36 + 32);
        if (Int(f, at) == 2) {
            r.push_back({e, id});
        } else {
            auto below = WalkOrder(f, id);
            r.insert(r.end(), below.begin(), below.end());
        }
    }
    return r;
}

// Searches repeated often enough to be answered from the bulk-loaded copy must give the same ids in the same
// order as the walk of the pages; a change must be seen by the next search.
TEST(RTree, RepeatedSearchesKeepTheWalkOrder) {
    const std::string path = IndexFile("repeated");
    TGIS_RTree t(path);
    std::mt19937 rng(41);
    std::uniform_real_distribution<double> pos(0, 200), size(0, 6);
    for (int32_t i = 0; i < 3000; ++i) {
        const double x = pos(rng), y = pos(rng);
        // some extents inverted, some ids twice, some extents repeated
        if (i % 50 == 0) t.Insert(GisMakeExtent(x + 2, y, x, y + 2), i);
        else t.Insert(Box(x, y, size(rng), size(rng)), i % 700 == 1 ? 1 : i);
        if (i % 300 == 0) t.Insert(Box(10, 10, 3, 3), i + 100000);
    }
    const auto order = WalkOrder(ReadAll(path), t.RootPage());
    ASSERT_EQ(order.size(), size_t(t.ItemCount()));
    auto check = [&](const TGIS_Extent& e, int32_t id) {
        std::vector<int32_t> expected, got;
        for (const auto& [ext, i] : order)
            if (GisExtentsOverlap(ext, e) && (id < 0 || i == id)) expected.push_back(i);
        for (int32_t i = t.FindFirst(e, id); i >= 0; i = t.FindNext()) got.push_back(i);
        EXPECT_EQ(got, expected);
    };
    int least = 1 << 30;
    for (int q = 0; q < 400; ++q) {
        const double x = pos(rng), y = pos(rng);
        check(Box(x, y, size(rng) * 3, size(rng) * 3), q % 10 == 0 ? 1 : -1);
        least = std::min(least, t.SearchPageCount());
    }
    check(GisFullExtent(), -1);
    check(Box(11, 11, 0, 0), -1);
    check(Box(500, 500), -1);
    EXPECT_GE(least, 1);

    t.Insert(Box(11, 11), 777777);
    EXPECT_EQ(FindAll(t, Box(11.5, 11.5, 0, 0), 777777), (std::vector<int32_t>{777777}));
    EXPECT_TRUE(t.Delete(Box(11, 11), 777777));
    for (int q = 0; q < 400; ++q) FindAll(t, Box(pos(rng), pos(rng)));
    EXPECT_TRUE(FindAll(t, Box(11.5, 11.5, 0, 0), 777777).empty());
    check(Box(5, 5, 20, 20), -1);
}

// An entry with NaN bounds is found or not as the pages' bounds let a walk reach it, however often asked.
TEST(RTree, RepeatedSearchesWithNaNBounds) {
    TGIS_RTree t("");
    for (int32_t i = 0; i < 500; ++i) t.Insert(Box(i % 25 * 4, i / 25 * 4), i);
    t.Insert(GisMakeExtent(std::nan(""), 3, 5, 6), 9999);
    const std::vector<int32_t> first = FindAll(t, Box(0, 0, 50, 50));
    for (int q = 0; q < 300; ++q) EXPECT_EQ(FindAll(t, Box(0, 0, 50, 50)), first);
}

// Inserts, deletes and updates in rounds, reopens the file, and compares searches with a scan.
TEST(RTree, RandomizedAgainstBruteForce) {
    std::string path = IndexFile("random");
    std::mt19937 rng(20261208);
    std::uniform_real_distribution<double> pos(0, 1000), size(0, 8);
    auto randomBox = [&] { return Box(pos(rng), pos(rng), size(rng), size(rng)); };
    std::vector<TGIS_Extent> extents(100001);
    std::vector<char> live(100001, 0);
    auto check = [&](TGIS_RTree& t, int windows) {
        int items = 0;
        for (char l : live) items += l;
        ASSERT_EQ(t.ItemCount(), items);
        for (int w = 0; w < windows; ++w) {
            TGIS_Extent win = Box(pos(rng), pos(rng), 30, 30);
            std::vector<int32_t> expect;
            for (int32_t id = 1; id <= 100000; ++id)
                if (live[id] && GisExtentsOverlap(extents[id], win)) expect.push_back(id);
            ASSERT_EQ(FindAll(t, win), expect) << "window " << w;
        }
    };
    {
        TGIS_RTree t(path);
        for (int32_t id = 1; id <= 100000; ++id) {
            extents[id] = randomBox();
            t.Insert(extents[id], id);
            live[id] = 1;
        }
        check(t, 30);
        for (int round = 0; round < 3; ++round) {
            for (int k = 0; k < 10000; ++k) {
                int32_t id = 1 + static_cast<int32_t>(rng() % 100000);
                if (live[id]) {
                    ASSERT_TRUE(t.Delete(extents[id], id));
                    live[id] = 0;
                } else {
                    EXPECT_FALSE(t.Delete(extents[id], id));
                }
            }
            for (int k = 0; k < 10000; ++k) {  // updates: move an entry, or put a deleted one back
                int32_t id = 1 + static_cast<int32_t>(rng() % 100000);
                if (live[id]) {
                    ASSERT_TRUE(t.Delete(extents[id], id));
                }
                extents[id] = randomBox();
                t.Insert(extents[id], id);
                live[id] = 1;
            }
            check(t, 10);
        }
    }
    TGIS_RTree reopened(path);
    EXPECT_EQ(reopened.Path(), path);
    check(reopened, 30);
}

// A tree that puts entries anywhere answers every search correctly, only by reading far more pages.
// Searches of a known data set must read few more pages than the leaves that hold their hits.
TEST(RTree, SearchesReadFewPagesBeyondTheLeavesOfTheirHits) {
    const std::string path = IndexFile("quality");
    TGIS_RTree t(path);
    // 10,000 unit squares of a 100 x 100 grid, in an order fixed by the seed.
    std::vector<int32_t> order(10000);
    for (int32_t i = 0; i < 10000; ++i) order[i] = i;
    std::mt19937 rng(20260);
    for (size_t i = order.size() - 1; i > 0; --i) std::swap(order[i], order[rng() % (i + 1)]);
    for (int32_t id : order) t.Insert(Box(id % 100, id / 100), id);

    // The leaf of every id, from the pages of the file (kind, count, then entries of 32 + 4 bytes).
    const std::string f = ReadAll(path);
    ASSERT_EQ(f.size(), static_cast<size_t>(t.PageCount()) * 512);
    std::vector<int32_t> leafOf(10000, -1);
    for (int32_t n = 1; n < t.PageCount(); ++n)
        if (Int(f, n * 512) == 2)
            for (int32_t k = 0; k < Int(f, n * 512 + 4); ++k) leafOf.at(Int(f, n * 512 + 8 + k * 36 + 32)) = n;

    long pages = 0, leaves = 0;
    int height = 1 << 30;
    for (int q = 0; q < 300; ++q) {
        const double x = rng() % 95, y = rng() % 95, w = 1 + rng() % 5, h = 1 + rng() % 5;
        std::set<int32_t> holding;
        int found = 0;
        int32_t i = t.FindFirst(Box(x + 0.5, y + 0.5, w, h), -1);
        height = std::min(height, t.SearchPageCount());  // a first hit straight down reads one page a level
        for (; i >= 0; i = t.FindNext(), ++found) holding.insert(leafOf.at(i));
        EXPECT_EQ(found, static_cast<int>((w + 1) * (h + 1)));
        EXPECT_FALSE(holding.count(-1));
        pages += t.SearchPageCount();
        leaves += static_cast<long>(holding.size());
    }
    // Here about 22 pages a search for 6 leaves of hits and 5 levels; always taking the first child reads 750.
    EXPECT_LE(height, 6);
    EXPECT_LE(pages, 3 * (leaves + 300L * height)) << pages << " pages read for " << leaves << " leaves of hits";
}

}  // namespace
