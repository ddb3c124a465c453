#include <gtest/gtest.h>

#include <cstring>

#include "gis/core/GisDefs.h"

namespace {

TEST(Extents, ReservedValues) {
    uint64_t bits;
    double full = GisFullExtent().XMax;
    std::memcpy(&bits, &full, sizeof bits);
    EXPECT_EQ(bits, 0x7FDE42D130773B76ull);
    TGIS_Extent e = GisMakeExtent(1, 2, 3, 4);
    EXPECT_TRUE(GisIsSameExtent(GisExtentUnion(GisEmptyExtent(), e), e));
    EXPECT_TRUE(GisIsSameExtent(GisExtentUnion(GisEmptyExtent(), GisEmptyExtent()), GisEmptyExtent()));
    EXPECT_TRUE(GisExtentInside(e, e));
    EXPECT_TRUE(GisExtentInside(GisMakeExtent(-8e307, -1, 8e307, 1), GisFullExtent()));
    EXPECT_FALSE(GisExtentsOverlap(GisEmptyExtent(), e));
}

TEST(Extents, OverlapIntersectionAndOrder) {
    TGIS_Extent a = GisMakeExtent(0, 0, 5, 5), b = GisMakeExtent(5, 1, 9, 3), c = GisMakeExtent(6, 0, 9, 5);
    EXPECT_TRUE(GisExtentsOverlap(a, b));
    EXPECT_TRUE(GisExtentsOverlap(a, GisMakeExtent(5, 5, 6, 6)));  // a corner
    EXPECT_FALSE(GisExtentsOverlap(a, c));
    TGIS_Extent t = GisExtentIntersection(a, b);
    EXPECT_TRUE(GisIsSameExtent(t, GisMakeExtent(5, 1, 5, 3)));
    EXPECT_TRUE(GisIsSameExtent(GisExtentIntersection(a, c), GisMakeExtent(0, 0, 0, 0)));
    TGIS_Extent inv = GisMakeExtent(10, 10, 0, 0);
    EXPECT_EQ(inv.XMin, 10);
    EXPECT_EQ(inv.XMax, 0);
    // literal tests: 10 > 5 fails the first one
    EXPECT_FALSE(GisExtentsOverlap(inv, a));
    EXPECT_TRUE(GisExtentsOverlap(inv, GisMakeExtent(-1, -1, 20, 20)));  // 10 <= 20, 0 >= -1, ...
    EXPECT_DOUBLE_EQ(GisExtentArea(inv), 100);
    EXPECT_DOUBLE_EQ(GisExtentArea(GisMakeExtent(0, 0, 2, -3)), -6);
    TGIS_Point ctr = GisExtentCenter(GisMakeExtent(2, 4, 6, 10));
    EXPECT_TRUE(GisIsSamePoint(ctr, GisMakePoint(4, 7)));
}

TEST(Points, Segments) {
    TGIS_Point a = GisMakePoint(0, 0), b = GisMakePoint(10, 0);
    EXPECT_DOUBLE_EQ(GisSegmentPointDistance(a, a, GisMakePoint(3, 4)), 5);
    EXPECT_TRUE(GisIsSamePoint(GisSegmentNearestPoint(a, a, GisMakePoint(3, 4)), a));
    EXPECT_DOUBLE_EQ(GisSegmentPointDistance(a, b, GisMakePoint(4, 3)), 3);
    EXPECT_DOUBLE_EQ(GisSegmentPointDistance(a, b, GisMakePoint(10, -2)), 2);  // foot on B: u = 1
    EXPECT_TRUE(GisIsSamePoint(GisSegmentNearestPoint(a, b, GisMakePoint(10, -2)), b));
    EXPECT_DOUBLE_EQ(GisSegmentPointDistance(a, b, GisMakePoint(13, 4)), 5);
    EXPECT_TRUE(GisIsSamePoint(GisSegmentNearestPoint(a, b, GisMakePoint(-3, 4)), a));
    EXPECT_TRUE(GisIsSamePoint(GisSegmentNearestPoint(a, b, GisMakePoint(-5, -5)), a));
    EXPECT_TRUE(GisIsSamePoint(GisSegmentNearestPoint(GisMakePoint(-1, 0), GisMakePoint(1, 0), GisMakePoint(0, 0)),
                               GisMakePoint(0, 0)));
    EXPECT_DOUBLE_EQ(GisDistance(a, GisMakePoint(3, 4)), 5);
    EXPECT_TRUE(GisIsSamePoint(GisPointDelta(GisMakePoint(5, 7), GisMakePoint(2, 3)), GisMakePoint(3, 4)));
    TGIS_Point3D p3(GisMakePoint(1, 2));
    EXPECT_EQ(p3.Z, 0);
}

TEST(Exception, MessagesAndCodes) {
    EGIS_Exception e(GIS_RS_ERR_BADFORMAT, "a.rtree", 0);
    EXPECT_EQ(e.Message, "0034 File \"a.rtree\" has wrong format or was corrupted");
    EXPECT_EQ(e.ErrorCode, 34);
    EXPECT_EQ(e.StrParam, "a.rtree");
    EGIS_Exception m(GIS_RS_ERR_FILEMAPPING, "roads.shp", 5);
    EXPECT_EQ(m.Message, "0030 Error 5 during mapping file \"roads.shp\"");
    EXPECT_EQ(m.IntParam, 5);
    EGIS_Exception u(GIS_RS_ERR_UNTESTED, "ignored", 1);
    EXPECT_EQ(u.Message, "0002 Untested case");
    EXPECT_EQ(u.ErrorCode, 2);
    EXPECT_EQ(EGIS_Exception(GIS_RS_ERR_ELLIPSOIDNOTFOUND, "X", 0).ErrorCode, 200);
    EXPECT_EQ(EGIS_Exception(GIS_RS_ERR_ZONE, "N", 51).Message, "0225 Zone \"51N\" out of scope");
    // templates that do not fit keep their raw text; a bad number gives code 0
    EXPECT_EQ(EGIS_Exception("0099 %d only", "x", 1).Message, "0099 %d only");
    EXPECT_EQ(EGIS_Exception("0099 %s %s %s", "x", 1).Message, "0099 %s %s %s");
    EXPECT_EQ(EGIS_Exception("abc %s", "x", 1).ErrorCode, 0);
    EXPECT_EQ(EGIS_Exception("", "x", 1).ErrorCode, 0);
    EXPECT_STREQ(e.what(), e.Message.c_str());
}

TEST(Helpers, ColoursPathsAndValues) {
    EXPECT_EQ(GisNonZeroColor(0), 0x010101u);
    EXPECT_EQ(GisNonZeroColor(0xFFFFFF), 0xFFFFFFu);
    EXPECT_EQ(GisMakeColor(0x112, 0x34, -1), 0xFF3412u);
    EXPECT_EQ(GisPathWithoutExt("  /data/roads.shp \t"), "/data/roads");
    EXPECT_EQ(GisPathWithoutExt(" /data.v1/roads "), "/data.v1/roads");
    EXPECT_EQ(GisBackupName("a.ini"), "a.ini~");
    EXPECT_EQ(GisTempName("a.shp"), "a.shp~tmp");
    EXPECT_EQ(GisDefaultFieldValue(0).VarType(), varString);
    EXPECT_EQ(GisDefaultFieldValue(1).VarType(), varDouble);
    EXPECT_EQ(GisDefaultFieldValue(2).AsDouble(), 0);
    EXPECT_EQ(GisDefaultFieldValue(3).VarType(), varBoolean);
    EXPECT_FALSE(GisDefaultFieldValue(3).AsBoolean());
    EXPECT_EQ(GisDefaultFieldValue(4).VarType(), varDate);
    EXPECT_NEAR(GisDefaultFieldValue(4).AsDouble(), Now(), 1.0 / 24);
    EXPECT_TRUE(GisDefaultFieldValue(9).IsEmpty());
    int* p = new int(3);
    GisFreeAndNil(p);
    EXPECT_EQ(p, nullptr);
    GisFreeAndNil(p);
    int32_t t = GisTickCount();
    EXPECT_GE(t, 0);
    EXPECT_LT(t, 0x7FFFFFFF);
}

TEST(Helpers, CodePages) {
    const std::string gbk = "中文";  // GBK at run time
    std::string utf8 = GisConvertCodePage(gbk, 936, 65001);
    EXPECT_EQ(utf8, "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(GisConvertCodePage(utf8, 65001, 936), gbk);
    EXPECT_EQ(GisConvertCodePage("\xE9t\xE9", 1252, 65001), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(GisConvertCodePage("\xC3\xA9", 65001, 1251), "?");      // no e-acute in Cyrillic
    EXPECT_EQ(GisConvertCodePage("a\xFF" "b", 936, 65001), "a?b");      // a byte that does not decode
    EXPECT_EQ(GisConvertCodePage("a\xB1", 936, 65001), "a?");           // cut double-byte character
    EXPECT_EQ(GisConvertCodePage("\xA4\x40", 950, 65001), "\xE4\xB8\x80");  // Big5
    EXPECT_EQ(GisConvertCodePage("abc", 12345, 65001), "abc");
    EXPECT_EQ(GisConvertCodePage("", 936, 65001), "");
}

class NumberGuard : public ::testing::TestWithParam<char> {};

TEST_P(NumberGuard, DotWhateverTheLocale) {
    SetDecimalSeparator(GetParam());
    EXPECT_DOUBLE_EQ(GisStrToFloat("1.5"), 1.5);
    EXPECT_EQ(GisFloatToStr(0.1), "0.1");
    EXPECT_EQ(GisFloatToStr(1e20), "1E20");
    EXPECT_EQ(GisFloatToStr(-2.5), "-2.5");
    EXPECT_THROW(GisStrToFloat("abc"), EConvertError);
    EXPECT_EQ(GetDecimalSeparator(), GetParam());
    if (GetParam() == ',') {
        EXPECT_DOUBLE_EQ(GisStrToFloat("1,5"), 1.5);  // second attempt with the locale's form
        EXPECT_EQ(FloatToStr(0.5), "0,5");            // the locale is back
    } else {
        EXPECT_THROW(GisStrToFloat("1,5"), EConvertError);
    }
    SetDecimalSeparator('.');
}

INSTANTIATE_TEST_SUITE_P(Separators, NumberGuard, ::testing::Values('.', ','));

}  // namespace
