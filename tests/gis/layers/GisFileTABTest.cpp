#include "gis/layers/GisFileTAB.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "gis/layers/GisLayerVector.h"
#include "platform/rtl/FileIO.h"

namespace {

std::string TestFile(const std::string& name) { return std::string(QM_TEST_OUT) + "/tabfile_" + name; }

void WriteText(const std::string& path, const std::string& text) { ASSERT_TRUE(DiskWriteAll(path, text)); }

// A definition of that text, parsed; its type must be `type`.
std::unique_ptr<TGIS_FileTAB> Parsed(const std::string& name, const std::string& text,
                                     int type = gisTabTypeNative) {
    const std::string path = TestFile(name);
    EXPECT_TRUE(DiskWriteAll(path, text));
    auto tab = std::make_unique<TGIS_FileTAB>(path);
    EXPECT_EQ(type, tab->Parse());
    return tab;
}

// A ".map" made by hand: a header block and `blocks` blocks after it.
struct MapBytes {
    std::string b;
    explicit MapBytes(int blocks, int16_t version = 500, double scale = 1, double displ = 0, uint8_t quadrant = 1)
        : b(size_t(512 * (blocks + 1)), '\0') {
        I16(260, version);
        D(368, scale);
        D(376, scale);
        D(384, displ);
        D(392, displ);
        b[353] = char(quadrant);
    }
    template <class T>
    void Put(size_t off, T v) {
        std::memcpy(&b[off], &v, sizeof v);
    }
    void I16(size_t off, int16_t v) { Put(off, v); }
    void I32(size_t off, int32_t v) { Put(off, v); }
    void D(size_t off, double v) { Put(off, v); }
    void Bbox(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        I32(272, x0);
        I32(276, y0);
        I32(280, x1);
        I32(284, y1);
    }
    std::string Save(const std::string& name) const {
        const std::string path = TestFile(name + ".map");
        EXPECT_TRUE(DiskWriteAll(path, b));
        return path;
    }
};

// Type-8 polyline object at `at`: uncompressed vertices at `coords`, `count` of them.
void PutPLine(MapBytes& m, size_t at, int32_t id, int32_t coords, int32_t count) {
    m.b[at] = char(tabPLine);
    m.I32(at + 1, id);
    m.I32(at + 5, coords);
    m.I32(at + 9, count * 8);
}

}  // namespace

TEST(GisFileTAB, DefinitionKeepsFileCoordSysAndAsManyFieldLinesAsThereAre) {
    const auto tab =
        Parsed("def.tab",
               "!table\n!version 300\n\n  definition table  \n  File \"x.dat\"\n  Type NATIVE Charset \"Neutral\"\n"
               "  Fields 3\n    name Char (30) ;\n    amount Decimal (12, 3) ;\n");
    EXPECT_EQ("x.dat", tab->FileName);
    ASSERT_EQ(2, tab->FieldLines.Count());
    EXPECT_EQ("name Char (30) ;", tab->FieldLines[0]);
    EXPECT_EQ("amount Decimal (12, 3) ;", tab->FieldLines[1]);
    EXPECT_EQ(8, tab->FirstFieldLine);
}

TEST(GisFileTAB, FieldTypesTakeTheirBinaryWidths) {
    const auto parsed =
        Parsed("types.tab",
               "Definition Table\nType NATIVE\nFields: 10\ni Integer ;\ns SmallInt ;\nd Decimal ;\nf Float ;\n"
               "l Logical ;\nt Date ;\nx Ellipse ;\nc char(5);\nw Char (30) ;\nm Decimal (12, 3) ;\n"
               "CoordSys Earth Projection 1, 104\n");
    TGIS_FileTAB& tab = *parsed;
    EXPECT_EQ("CoordSys Earth Projection 1, 104", tab.CoordSys);
    TGIS_LayerVector layer;
    layer.AddField("old", gisFieldString, 3, 0);
    tab.ReadFields(layer);
    // The unknown type adds nothing; the old field is gone.
    ASSERT_EQ(9u, layer.Fields.size());
    struct Want {
        const char* name;
        uint8_t type;
        int width, decimals, binary;
    } const want[] = {{"i", gisFieldNumber, 10, 0, 4},  {"s", gisFieldNumber, 4, 0, 2},
                      {"d", gisFieldNumber, 10, 2, 0},  {"f", gisFieldFloat, 20, 5, 8},
                      {"l", gisFieldLogical, 1, 0, 0}, {"t", gisFieldDate, 10, 0, 4},
                      {"c", gisFieldString, 5, 0, 0},  {"w", gisFieldString, 30, 0, 0},
                      {"m", gisFieldNumber, 12, 3, 0}};
    for (size_t k = 0; k < 9; ++k) {
        SCOPED_TRACE(want[k].name);
        EXPECT_EQ(want[k].name, layer.Fields[k]->Name);
        EXPECT_EQ(want[k].type, layer.Fields[k]->FieldType);
        EXPECT_EQ(want[k].width, layer.Fields[k]->Width);
        EXPECT_EQ(want[k].decimals, layer.Fields[k]->Decimals);
        EXPECT_EQ(want[k].binary, layer.Fields[k]->BinaryWidth);
    }
}

TEST(GisFileTAB, BadFieldLinesRaiseWithTheirLineNumber) {
    const char* bad[] = {"b Char (1000) ;", "b Char (0) ;",     "b Char (x) ;",
                         "a Integer ;",     "A Integer ;",      "b Decimal (5, y) ;"};
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        const auto tab =
            Parsed("bad.tab", std::string("Definition Table\nType NATIVE\nFields 2\na Char (4) ;\n") + line + "\n");
        TGIS_LayerVector layer;
        try {
            tab->ReadFields(layer);
            FAIL() << "no error";
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(90, e.ErrorCode);
            EXPECT_EQ(5, e.IntParam);
            EXPECT_EQ(TestFile("bad.tab"), e.StrParam);
        }
    }
}

TEST(GisFileTAB, FieldsMustFitTheRecordAndBeFewEnough) {
    // A flag byte, four, ten and one: a record of 16 bytes holds them, one of 15 does not.
    const auto tab =
        Parsed("fit.tab", "Definition Table\nType NATIVE\nFields 3\ni Integer ;\nc Char (10) ;\nl Logical ;\n");
    TGIS_LayerVector layer;
    tab->ReadFields(layer, 16);
    EXPECT_EQ(3u, layer.Fields.size());
    try {
        tab->ReadFields(layer, 15);
        FAIL() << "fields past the record";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(34, e.ErrorCode);
        EXPECT_EQ(TestFile("fit.tab"), e.StrParam);
    }
    EXPECT_TRUE(layer.Fields.empty());

    auto many = [](int count) {
        std::string text = "Definition Table\nType NATIVE\nFields " + std::to_string(count) + "\n";
        for (int i = 0; i < count; ++i) text += "f" + std::to_string(i) + " Logical ;\n";
        return text;
    };
    TGIS_LayerVector wide;
    Parsed("many.tab", many(TGIS_FileTAB::kMaxFields))->ReadFields(wide, 1 + TGIS_FileTAB::kMaxFields);
    EXPECT_EQ(size_t(TGIS_FileTAB::kMaxFields), wide.Fields.size());
    EXPECT_EQ("f2047", wide.Fields.back()->Name);
    try {
        Parsed("many.tab", many(TGIS_FileTAB::kMaxFields + 1))->ReadFields(wide);
        FAIL() << "more fields than any table has";
    } catch (const EGIS_Exception& e) {
        EXPECT_EQ(34, e.ErrorCode);
        EXPECT_EQ(TestFile("many.tab"), e.StrParam);
    }
}

TEST(GisFileTAB, RasterAndUndefinedTables) {
    const auto raster = Parsed("raster.tab",
                               "Definition Table\nType \"RASTER\"\nType RASTER\n(1,2) (3,4) Label \"a\"\n(5,6) (7,8)\nUnits\n",
                               gisTabTypeRaster);
    EXPECT_EQ(2, raster->FieldLines.Count());
    const auto none = Parsed("none.tab", "!table\nType NATIVE\nFields 1\na Char (4) ;\n", gisTabTypeNone);
    EXPECT_EQ(0, none->FieldLines.Count());
}

TEST(GisFileTAB, HeaderScalesQuadrantsAndExtent) {
    // Version 100 takes 10 ^ precision whatever the scales say.
    MapBytes old(0, 100, 7, 9);
    old.b[352] = 2;
    old.Bbox(100, 200, 300, 400);
    TGIS_FileTAB_MAP m1(old.Save("v100"));
    m1.ReadHeader();
    EXPECT_EQ(100, m1.XScale);
    EXPECT_EQ(0, m1.YDispl);
    EXPECT_DOUBLE_EQ(1, m1.Extent.XMin);
    EXPECT_DOUBLE_EQ(4, m1.Extent.YMax);

    MapBytes q3(0, 500, 10, 0, 3);
    TGIS_FileTAB_MAP m3(q3.Save("q3"));
    m3.ReadHeader();
    EXPECT_DOUBLE_EQ(-1, m3.Convert(10, 20).X);
    EXPECT_DOUBLE_EQ(-2, m3.Convert(10, 20).Y);
    m3.Quadrant = 1;
    EXPECT_DOUBLE_EQ(1, m3.Convert(10, 20).X);
    EXPECT_DOUBLE_EQ(2, m3.Convert(10, 20).Y);

    // A displacement and a negated axis: the extent is where the objects are, each pair in order.
    for (uint8_t q : {0, 2, 3, 4}) {
        SCOPED_TRACE(int(q));
        MapBytes d(0, 500, 2, -1000, q);
        d.Bbox(-1000, -1000, 1000, 1000);
        TGIS_FileTAB_MAP m(d.Save("displ"));
        m.ReadHeader();
        const TGIS_Point a = m.Convert(-1000, -1000), b = m.Convert(1000, 1000);
        EXPECT_DOUBLE_EQ(std::min(a.X, b.X), m.Extent.XMin);
        EXPECT_DOUBLE_EQ(std::max(a.X, b.X), m.Extent.XMax);
        EXPECT_DOUBLE_EQ(std::min(a.Y, b.Y), m.Extent.YMin);
        EXPECT_DOUBLE_EQ(std::max(a.Y, b.Y), m.Extent.YMax);
    }
}

// The values no reading needs are held as the file has them; the last five doubles only from version 201 on.
TEST(GisFileTAB, HeaderHoldsTheValuesItDoesNotUse) {
    for (int16_t version : {int16_t(200), int16_t(300)}) {
        SCOPED_TRACE(version);
        MapBytes m(0, version);
        m.I16(262, 512);
        m.D(264, 111319.49);
        for (int i = 0; i < 8; ++i) m.I32(304 + 4 * i, -1 - i);
        for (int i = 0; i < 10; ++i) m.b[350 + i] = char(0xF0 + i);
        m.I16(360, -2);
        m.b[365] = 7, m.b[366] = 8, m.b[367] = char(0xFF);
        for (int i = 0; i < 14; ++i) m.D(400 + 8 * i, 0.5 + i);
        TGIS_FileTAB_MAP f(m.Save("rest"));
        f.ReadHeader();
        const TGIS_TabMapHeaderRest& r = f.Rest;
        EXPECT_EQ(512, r.Value262);
        EXPECT_EQ(111319.49, r.Double264);
        EXPECT_EQ(-1, r.Values304[0]);
        EXPECT_EQ(-8, r.Values304[7]);
        EXPECT_EQ(0xF0, r.Bytes350[0]);
        EXPECT_EQ(f.Precision, r.Bytes350[2]);
        EXPECT_EQ(f.Quadrant, r.Bytes350[3]);
        EXPECT_EQ(0xF9, r.Bytes350[9]);
        EXPECT_EQ(-2, r.Value360);
        EXPECT_EQ(7, r.Bytes365[0]);
        EXPECT_EQ(0xFF, r.Bytes365[2]);
        EXPECT_EQ(0.5, r.Doubles400[0]);
        EXPECT_EQ(5.5, r.Doubles400[5]);
        EXPECT_EQ(6.5, r.Doubles448[0]);
        EXPECT_EQ(8.5, r.Doubles448[2]);
        EXPECT_EQ(version < 201 ? 0 : 9.5, r.Doubles472[0]);
        EXPECT_EQ(version < 201 ? 0 : 13.5, r.Doubles472[4]);
    }
}

TEST(GisFileTAB, UnusableHeadersRaise0034) {
    for (double scale : {0.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        MapBytes m(0, 500, scale);
        TGIS_FileTAB_MAP f(m.Save("scale"));
        try {
            f.ReadHeader();
            FAIL() << scale;
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(34, e.ErrorCode);
        }
    }
    const std::string shortFile = TestFile("short.map");
    WriteText(shortFile, std::string(300, '\1'));
    TGIS_FileTAB_MAP s(shortFile);
    EXPECT_THROW(s.ReadHeader(), EGIS_Exception);
}

TEST(GisFileTAB, VertexRunsFollowTheBlockChain) {
    // 70 vertices of 8 bytes from the data start of block 2: 63 fill it, 7 continue in the next block of the
    // chain - the next block in the file (link 0), or the block the link names.
    for (int32_t link : {0, 4 * 512}) {
        SCOPED_TRACE(link);
        MapBytes m(4);
        PutPLine(m, 512 + 20, 1, 2 * 512 + 8, 70);
        m.I32(2 * 512 + 4, link);
        const size_t second = size_t(link ? link : 3 * 512) + 8;
        for (int v = 0; v < 70; ++v) {
            const size_t at = v < 63 ? 2 * 512 + 8 + size_t(v) * 8 : second + size_t(v - 63) * 8;
            m.I32(at, v);
            m.I32(at + 4, -v);
        }
        TGIS_FileTAB_MAP f(m.Save("chain"));
        f.ReadHeader();
        TGIS_TabObject o;
        ASSERT_TRUE(f.ReadObject(512 + 20, 1, o));
        ASSERT_EQ(TGIS_TabObject::Arc, o.kind);
        ASSERT_EQ(70u, o.Points.size());
        for (int v = 0; v < 70; ++v) {
            EXPECT_EQ(v, o.Points[size_t(v)].X);
            EXPECT_EQ(-v, o.Points[size_t(v)].Y);
        }
    }
}

TEST(GisFileTAB, CompressedObjectsAddTheirOrigin) {
    MapBytes m(2);
    // The object block's centre is the origin of points and texts.
    m.I32(512 + 4, 1000);
    m.I32(512 + 8, 2000);
    m.b[512 + 20] = char(tabPointC);
    m.I32(512 + 21, 1);
    m.I16(512 + 25, 7);
    m.I16(512 + 27, -8);
    m.b[512 + 40] = char(tabTextC);
    m.I32(512 + 41, 2);
    m.I32(512 + 45, 2 * 512 + 8);
    m.I16(512 + 49, 5);
    m.I16(512 + 63, 10);
    m.I16(512 + 65, -20);
    m.b.replace(2 * 512 + 8, 5, "hello");
    // A region with its own origin, two rings: section headers of 16 bytes, offsets counted at 24 per header.
    m.b[512 + 80] = char(tabRegionC);
    m.I32(512 + 81, 3);
    m.I32(512 + 85, 2 * 512 + 20);
    m.I32(512 + 89, 2 * 16 + 7 * 4);
    m.I16(512 + 93, 2);
    m.I32(512 + 99, 100);
    m.I32(512 + 103, 200);
    const size_t c = 2 * 512 + 20;
    m.I16(c, 4);
    m.I32(c + 12, 2 * 24);
    m.I16(c + 16, 3);
    m.I32(c + 28, 2 * 24 + 4 * 8);
    const int16_t xy[7][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 0}, {1, 1}, {2, 1}, {1, 1}};
    for (size_t v = 0; v < 7; ++v) {
        m.I16(c + 32 + v * 4, xy[v][0]);
        m.I16(c + 34 + v * 4, xy[v][1]);
    }
    TGIS_FileTAB_MAP f(m.Save("compressed"));
    f.ReadHeader();
    TGIS_TabObject o;
    ASSERT_TRUE(f.ReadObject(512 + 20, 1, o));
    ASSERT_EQ(TGIS_TabObject::Point, o.kind);
    EXPECT_EQ(1007, o.Points[0].X);
    EXPECT_EQ(1992, o.Points[0].Y);
    ASSERT_TRUE(f.ReadObject(512 + 40, 2, o));
    ASSERT_EQ(TGIS_TabObject::Point, o.kind);
    EXPECT_EQ("hello", o.Label);
    EXPECT_EQ(1010, o.Points[0].X);
    EXPECT_EQ(1980, o.Points[0].Y);
    ASSERT_TRUE(f.ReadObject(512 + 80, 3, o));
    ASSERT_EQ(TGIS_TabObject::Polygon, o.kind);
    EXPECT_EQ((std::vector<int32_t>{0, 4}), o.Parts);
    ASSERT_EQ(7u, o.Points.size());
    for (size_t v = 0; v < 7; ++v) {
        EXPECT_EQ(100 + xy[v][0], o.Points[v].X);
        EXPECT_EQ(200 + xy[v][1], o.Points[v].Y);
    }
}

TEST(GisFileTAB, SectionsFindTheirRunsByDataOffset) {
    // A multi-line whose second section's vertices come first in the data.
    MapBytes m(2);
    m.b[512 + 20] = char(tabMultiPLine);
    m.I32(512 + 21, 1);
    const size_t c = 2 * 512 + 8;
    m.I32(512 + 25, int32_t(c));
    m.I32(512 + 29, 2 * 24 + 5 * 8);
    m.I16(512 + 33, 2);
    m.I16(c, 2);
    m.I32(c + 20, 2 * 24 + 3 * 8);
    m.I16(c + 24, 3);
    m.I32(c + 44, 2 * 24);
    for (int v = 0; v < 5; ++v) {
        m.I32(c + 48 + size_t(v) * 8, v);
        m.I32(c + 52 + size_t(v) * 8, 10 * v);
    }
    TGIS_FileTAB_MAP f(m.Save("sections"));
    f.ReadHeader();
    TGIS_TabObject o;
    ASSERT_TRUE(f.ReadObject(512 + 20, 1, o));
    ASSERT_EQ(TGIS_TabObject::Arc, o.kind);
    EXPECT_EQ((std::vector<int32_t>{0, 2}), o.Parts);
    const double xs[] = {3, 4, 0, 1, 2};
    ASSERT_EQ(5u, o.Points.size());
    for (size_t v = 0; v < 5; ++v) {
        EXPECT_EQ(xs[v], o.Points[v].X);
        EXPECT_EQ(10 * xs[v], o.Points[v].Y);
    }
}

TEST(GisFileTAB, CorruptObjectsGiveNoShape) {
    MapBytes m(6);
    PutPLine(m, 512 + 20, 1, 2 * 512 + 8, 70);
    // The chain returns to its own block.
    m.I32(2 * 512 + 4, 2 * 512);
    // A link inside a block, and one past the file.
    PutPLine(m, 512 + 60, 2, 3 * 512 + 8, 70);
    m.I32(3 * 512 + 4, 3 * 512 + 100);
    PutPLine(m, 512 + 100, 3, 5 * 512 + 8, 70);
    m.I32(5 * 512 + 4, 50 * 512);
    // A vertex count far past the file.
    PutPLine(m, 512 + 140, 4, 4 * 512 + 8, 0x0FFFFFFF);
    // The last block's chain runs off the end of the file.
    PutPLine(m, 512 + 180, 5, 6 * 512 + 8, 70);
    // A region whose sections do not fit its data size.
    m.b[512 + 220] = char(tabRegion);
    m.I32(512 + 221, 6);
    m.I32(512 + 225, 2 * 512 + 8);
    m.I32(512 + 229, 24);
    m.I16(512 + 233, 3);
    // An id that is not the one the index gives.
    PutPLine(m, 512 + 260, 99, 3 * 512 + 8, 1);
    TGIS_FileTAB_MAP f(m.Save("corrupt"));
    f.ReadHeader();
    TGIS_TabObject o;
    for (int32_t id = 1; id <= 6; ++id) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(f.ReadObject(512 + 20 + 40 * (id - 1), id, o));
        EXPECT_EQ(TGIS_TabObject::None, o.kind);
        EXPECT_TRUE(o.Points.empty());
    }
    EXPECT_FALSE(f.ReadObject(512 + 260, 7, o));
    // Offsets inside the header block or past the file.
    EXPECT_FALSE(f.ReadObject(100, 1, o));
    EXPECT_FALSE(f.ReadObject(int64_t(m.b.size()), 1, o));
    // An object type without a shape is read, and gives none.
    m.b[512 + 300] = 25;
    m.I32(512 + 301, 8);
    TGIS_FileTAB_MAP g(m.Save("ellipse"));
    g.ReadHeader();
    EXPECT_TRUE(g.ReadObject(512 + 300, 8, o));
    EXPECT_EQ(TGIS_TabObject::None, o.kind);
}

TEST(GisFileTAB, SkipsCountWholeValuesAcrossBlocks) {
    MapBytes m(3);
    m.I32(2 * 512 + 4, 3 * 512);
    m.I32(3 * 512 + 8, 111);
    m.I32(3 * 512 + 12, 222);
    TGIS_FileTAB_MAP f(m.Save("skip"));
    f.ReadHeader();
    // The 500 bytes after data offset 12 end the block exactly: the next value is the linked block's first.
    f.MoveTo(2 * 512 + 12);
    f.Skip(500);
    EXPECT_EQ(111, f.ReadInt32());
    // From offset 14 the block holds 498 bytes, 496 of them in whole values: 4 bytes are left for the next one.
    f.MoveTo(2 * 512 + 14);
    f.Skip(500);
    EXPECT_EQ(222, f.ReadInt32());
    // A read that does not fit the rest of the block moves to the next.
    f.MoveTo(2 * 512 + 510);
    EXPECT_EQ(111, f.ReadInt32());
}

TEST(GisFileTAB, IndexEntries) {
    const std::string empty = TestFile("empty.id");
    WriteText(empty, "");
    TGIS_FileTAB_ID e(empty);
    EXPECT_EQ(0, e.Count);
    EXPECT_EQ(0, e.ReadOffset(1));

    const std::string path = TestFile("three.id");
    std::string bytes(12, '\0');
    const int32_t offsets[] = {1024, 0, -5};
    std::memcpy(&bytes[0], offsets, 12);
    WriteText(path + "x", bytes + "ab");  // a trailing partial entry is not an entry
    TGIS_FileTAB_ID id(path + "x");
    EXPECT_EQ(3, id.Count);
    EXPECT_EQ(1024, id.ReadOffset(1));
    EXPECT_EQ(-5, id.ReadOffset(3));
    EXPECT_EQ(0, id.ReadOffset(4));
    EXPECT_THROW(TGIS_FileTAB_ID(TestFile("missing.id")), Exception);
}
