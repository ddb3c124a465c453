#include <gtest/gtest.h>

#include "engine/unTessarRgPub.h"
#include "platform/rtl/SysUtils.h"
#include "tests/engine/RecordingReport.h"

namespace {

TEST(Snapping, FloorAndCeilToStep) {
    EXPECT_EQ(FloorToStep(419400, 1800), 419400);
    EXPECT_EQ(FloorToStep(143640, 1200), 142800);
    EXPECT_EQ(CeilToStep(143640, 1200), 144000);
    EXPECT_EQ(CeilToStep(-5, 6), -5);
    EXPECT_EQ(FloorToStep(-5, 6), -5);
    // Decimal steps: a value on a multiple stays on it.
    EXPECT_EQ(FloorToStep(0.3, 0.1), 0.3);
    EXPECT_EQ(CeilToStep(0.3, 0.1), 0.3);
    EXPECT_NEAR(CeilToStep(0.31, 0.1), 0.4, 1e-12);
    // Quotients beyond 32 bits neither overflow nor wrap.
    EXPECT_EQ(FloorToStep(1e13 + 0.5, 1), 1e13);
    EXPECT_EQ(CeilToStep(1e13 + 0.5, 1), 1e13 + 1);
    TPlaneRect r = SnapRectToGrid({1000, 2000, 3500, 4100}, 1000, 1000);
    EXPECT_EQ(r.MinX, 1000);
    EXPECT_EQ(r.MaxX, 4000);
    EXPECT_EQ(r.MaxY, 5000);
}

TEST(Kilometres, Within100Km) {
    EXPECT_DOUBLE_EQ(KmWithin100Km(4418623.49), 18.623);
    EXPECT_DOUBLE_EQ(KmWithin100Km(39512000), 12);
}

class CustomGrid : public ::testing::Test {
protected:
    RecordingReport report;
    TCustomTessarols grid;
};

TEST_F(CustomGrid, RowColumnNames) {
    ASSERT_TRUE(CreateCustomTessarols({1000, 2000, 3500, 4100}, 1, 1, true, "[ROW]+[COL]", 1000, 1000, grid));
    ASSERT_EQ(grid.size(), 3u);
    for (auto& row : grid) ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(grid[0][0].Name, "1+1");
    EXPECT_EQ(grid[0][2].Name, "1+3");
    EXPECT_EQ(grid[2][0].Name, "3+1");
    EXPECT_EQ(grid[2][2].Name, "3+3");
    EXPECT_EQ(grid[0][0].MinY, 2000);
    EXPECT_EQ(grid[2][0].MinY, 4000);
    EXPECT_EQ(grid[2][2].MaxX, 4000);
    EXPECT_EQ(grid[2][2].MaxY, 5000);

    ASSERT_TRUE(CreateCustomTessarols({1000, 2000, 3500, 4100}, 1, 1, true, "[COL]-[ROW]", 1000, 1000, grid));
    EXPECT_EQ(grid[0][0].Name, "1-1");
    EXPECT_EQ(grid[0][2].Name, "3-1");
    ASSERT_TRUE(CreateCustomTessarols({1000, 2000, 3500, 4100}, 5, 7, true, "[col]", 1000, 1000, grid));
    EXPECT_EQ(grid[1][2].Name, "9");
    // Later occurrences of a token stay as typed; a letter "row" elsewhere does not change the order.
    ASSERT_TRUE(CreateCustomTessarols({0, 0, 1, 1}, 1, 2, true, "arrow[COL]/[ROW]/[row]", 1, 1, grid));
    EXPECT_EQ(grid[0][0].Name, "arrow2/1/[row]");
    EXPECT_TRUE(report.calls.empty());
}

TEST_F(CustomGrid, KilometreNames) {
    ASSERT_TRUE(CreateCustomTessarols({39512000, 4418000, 39512500, 4418500}, 1, 1, false, "[Y]-[X]", 500, 500, grid));
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_EQ(grid[0][0].Name, "18.00-12.00");
    ASSERT_TRUE(CreateCustomTessarols({500, 4418000, 1500, 4419000}, 1, 1, false, "[x]", 1000, 1000, grid));
    EXPECT_EQ(grid[0][0].Name, "0.00");
    // The "x" of a literal word before the tokens does not hand the X value to [Y].
    const TPlaneRect sheet = {39512000, 4418000, 39512500, 4418500};
    ASSERT_TRUE(CreateCustomTessarols(sheet, 1, 1, false, "Box[Y]-[X]", 500, 500, grid));
    EXPECT_EQ(grid[0][0].Name, "Box18.00-12.00");
    ASSERT_TRUE(CreateCustomTessarols(sheet, 1, 1, false, "y[X]x[Y]", 500, 500, grid));
    EXPECT_EQ(grid[0][0].Name, "y12.00x18.00");
}

TEST_F(CustomGrid, TemplateTextIsCopiedLiterally) {
    // Only the tokens are replaced: format directives, braces and backslashes are the user's text.
    const TPlaneRect one = {0, 0, 1, 1};
    const std::pair<const char*, const char*> rowCol[] = {
        {"A%[ROW]", "A%3"},
        {"[ROW]%n%s", "3%n%s"},
        {"%%[col]%d%", "%%4%d%"},
        {"{[COL]}\\[row]{}", "{4}\\3{}"},
        {"第[ROW]行第[COL]列", "第3行第4列"},
        // The second byte of 盵 is '[': a byte search would find a token inside the character.
        {"盵row]第[Row]行", "盵row]第3行"},
    };
    for (auto& [tmpl, name] : rowCol) {
        ASSERT_TRUE(CreateCustomTessarols(one, 3, 4, true, tmpl, 1, 1, grid)) << tmpl;
        EXPECT_EQ(grid[0][0].Name, name) << tmpl;
    }
    ASSERT_TRUE(CreateCustomTessarols({39512000, 4418000, 39512500, 4418500}, 1, 1, false, "%s[x]%\\{[Y]}公里", 500,
                                      500, grid));
    EXPECT_EQ(grid[0][0].Name, "%s12.00%\\{18.00}公里");
    EXPECT_TRUE(report.calls.empty());
    // A template with no token of its mode is still refused, whatever else it holds.
    EXPECT_FALSE(CreateCustomTessarols(one, 1, 1, true, "%d盵row]", 1, 1, grid));
    EXPECT_EQ(report.calls.size(), 1u);
}

TEST_F(CustomGrid, DecimalStepsAddNoColumn) {
    ASSERT_TRUE(CreateCustomTessarols({0, 0, 1, 1}, 1, 1, true, "[ROW]+[COL]", 0.1, 0.1, grid));
    ASSERT_EQ(grid.size(), 10u);
    EXPECT_EQ(grid[0].size(), 10u);
    EXPECT_NEAR(grid[9][9].MaxX, 1, 1e-12);
    // Adjacent sheets share their edges exactly.
    EXPECT_EQ(grid[3][4].MaxX, grid[3][5].MinX);
    // The 1000th sheet of a 0.1 step sits where it is printed, with no drift of the steps before it.
    ASSERT_TRUE(CreateCustomTessarols({0, 0, 100, 0.1}, 1, 1, true, "[ROW]+[COL]", 0.1, 0.1, grid));
    ASSERT_EQ(grid.size(), 1u);
    ASSERT_EQ(grid[0].size(), 1000u);
    EXPECT_EQ(FloatToStrDot(grid[0][999].MinX), "99.9");
    EXPECT_EQ(FloatToStrDot(grid[0][999].MaxX), "100");
    EXPECT_EQ(FloatToStrDot(grid[0][437].MinX), "43.7");
    ASSERT_TRUE(CreateCustomTessarols({0, 0, 0.1, 100}, 1, 1, true, "[ROW]+[COL]", 0.1, 0.1, grid));
    ASSERT_EQ(grid.size(), 1000u);
    EXPECT_EQ(FloatToStrDot(grid[999][0].MinY), "99.9");
    EXPECT_EQ(FloatToStrDot(grid[999][0].MaxY), "100");
}

TEST_F(CustomGrid, BadInputIsReportedAndDeliversNothing) {
    TCustomTessarols keep(1, std::vector<TCustomTessarol>(1));
    keep[0][0].Name = "old";
    grid = keep;
    EXPECT_FALSE(CreateCustomTessarols({0, 0, 10, 10}, 1, 1, true, "sheet", 1, 1, grid));
    EXPECT_FALSE(CreateCustomTessarols({0, 0, 10, 10}, 1, 1, false, "[ROW]", 1, 1, grid));
    EXPECT_FALSE(CreateCustomTessarols({0, 0, 10, 10}, 1, 1, true, "[ROW]", 0, 1, grid));
    EXPECT_FALSE(CreateCustomTessarols({0, 0, 10, 10}, 1, 1, true, "[ROW]", 1, -5, grid));
    EXPECT_FALSE(CreateCustomTessarols({0, 0, 1e7, 1e7}, 1, 1, true, "[ROW]", 1, 1, grid));
    ASSERT_EQ(report.calls.size(), 5u);
    EXPECT_EQ(report.calls[0].first, "图副格式不符合规定！");
    EXPECT_EQ(report.calls[1].first, "图副格式不符合规定！");
    EXPECT_EQ(report.calls[2].first, "偏移值太小了！");
    EXPECT_EQ(report.calls[3].first, "偏移值太小了！");
    for (auto& c : report.calls) EXPECT_EQ(c.second, "错误");
    EXPECT_EQ(grid[0][0].Name, "old");
    // A user's own '%' is text, never a directive the formatter could reject.
    EXPECT_TRUE(CreateCustomTessarols({0, 0, 2, 2}, 1, 1, true, "[ROW]%q", 1, 1, grid));
    EXPECT_EQ(grid[1][0].Name, "2%q");
    // An empty snapped rectangle gives no rows, without a message.
    EXPECT_TRUE(CreateCustomTessarols({5, 5, 5, 9}, 1, 1, true, "[ROW]", 1, 1, grid));
    EXPECT_TRUE(grid.empty());
    EXPECT_TRUE(CreateCustomTessarols({0, 5, 1e17, 5}, 1, 1, true, "[ROW]", 1, 1, grid));
    EXPECT_TRUE(grid.empty());
    EXPECT_EQ(report.calls.size(), 5u);
}

TEST(Area, Shoelace) {
    std::vector<TPlaneXY> sq = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}};
    EXPECT_EQ(PolygonArea(sq), 1000000);
    sq.push_back({0, 0});
    EXPECT_EQ(PolygonArea(sq), 1000000);
    EXPECT_EQ(PolygonArea({{0, 0}, {5, 5}}), 0);
}

}  // namespace
