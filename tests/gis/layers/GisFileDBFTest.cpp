#include "gis/layers/GisFileDBF.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/rtl/FileIO.h"

namespace {

std::string OutPath(const std::string& name) { return std::string(QM_TEST_OUT) + "/dbf_" + name; }

struct Column {
    const char* name;
    char type;
    int width, decimals;
};

// A table made byte by byte: descriptors, then records of the given texts (flag byte added).
std::string MakeTable(const std::vector<Column>& cols, const std::vector<std::string>& records,
                      int headerLength = -1) {
    std::string h(32, '\0');
    h[0] = 3;
    const uint32_t count = uint32_t(records.size());
    std::memcpy(&h[4], &count, 4);
    const uint16_t hl = uint16_t(headerLength >= 0 ? headerLength : int(32 + 32 * cols.size() + 1));
    uint16_t rl = 1;
    for (const Column& c : cols) rl = uint16_t(rl + c.width);
    std::memcpy(&h[8], &hl, 2);
    std::memcpy(&h[10], &rl, 2);
    for (const Column& c : cols) {
        std::string d(32, '\0');
        std::memcpy(&d[0], c.name, std::strlen(c.name));
        d[11] = c.type;
        d[16] = char(c.width);
        d[17] = char(c.decimals);
        h += d;
    }
    h += '\x0D';
    for (const std::string& r : records) h += " " + r;
    h += '\x1A';
    return h;
}

std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = OutPath(name);
    EXPECT_TRUE(DiskWriteAll(path, bytes));
    return path;
}

// The layer's shapes written into a table.
void SaveTable(TGIS_LayerVector& layer, const std::string& path) {
    layer.PrepareExportNames(11);
    TGIS_FileDBF t(path, true, &layer);
    t.WriteHeader();
    t.WriteFields();
    for (auto& s : layer.Shapes) t.AppendRecord(*s);
    t.WriteHeader();
}

// A layer of point shapes with every field type, written into a table.
struct WrittenTable {
    TGIS_LayerVector layer;
    std::string path;

    explicit WrittenTable(const std::string& name) : path(OutPath(name)) {
        layer.Open(nullptr);
        layer.AddField("NAME", gisFieldString, 12, 0);
        layer.AddField("COUNT", gisFieldNumber, 10, 0);
        layer.AddField("SHARE", gisFieldNumber, 12, 3);
        layer.AddField("RATE", gisFieldFloat, 20, 5);
        layer.AddField("FLAG", gisFieldLogical, 1, 0);
        layer.AddField("BORN", gisFieldDate, 8, 0);
    }
    TGIS_Shape* Add() { return layer.CreateShape(gisShapeTypePoint); }
    void Save() { SaveTable(layer, path); }
};

}  // namespace

TEST(FileDBF, FloatTextHasTwentyCharactersAndKeepsItsExponent) {
    EXPECT_EQ(TGIS_FileDBF::FormatFloat20(0.5), "5.00000000000000E-01");
    EXPECT_EQ(TGIS_FileDBF::FormatFloat20(-0.5), "-5.0000000000000E-01");
    EXPECT_EQ(TGIS_FileDBF::FormatFloat20(1e150), "1.0000000000000E+150");
    EXPECT_EQ(TGIS_FileDBF::FormatFloat20(-1e-150), "-1.000000000000E-150");
    // Across the first three-digit exponent the value stays itself, not 9.9E+99.
    EXPECT_EQ(TGIS_FileDBF::FormatFloat20(9.5e99), "9.50000000000000E+99");
    EXPECT_EQ(std::stod(TGIS_FileDBF::FormatFloat20(1.5e100)), 1.5e100);
    EXPECT_EQ(TGIS_FileDBF::FormatFloat20(0), "0.00000000000000E+00");
    EXPECT_EQ(TGIS_FileDBF::FormatFloat20(1.0 / 0.0), std::string(20, '*'));
    // Rounded, not cut: 15 digits read back.
    EXPECT_EQ(std::stod(TGIS_FileDBF::FormatFloat20(2.0 / 3)), 0.666666666666667);
}

TEST(FileDBF, EveryTypeWrittenReadsBack) {
    WrittenTable w("types.dbf");
    TGIS_Shape* a = w.Add();
    a->SetField("NAME", Variant("Beijing"));
    a->SetField("COUNT", Variant(-42));
    a->SetField("SHARE", Variant(3.25));
    a->SetField("RATE", Variant(1.0 / 3));
    a->SetField("FLAG", Variant(true));
    a->SetField("BORN", Variant::FromDate(EncodeDate(2024, 2, 29)));
    TGIS_Shape* b = w.Add();
    b->SetField("NAME", Variant("a text longer than twelve"));
    b->SetField("COUNT", Variant(-123456789.6));  // ten characters without its decimal
    b->SetField("SHARE", Variant(-0.0005));
    b->SetField("RATE", Variant(-2.5e120));
    b->SetField("FLAG", Variant(false));
    b->SetField("BORN", Variant::FromDate(EncodeDate(1850, 1, 1)));
    w.Save();

    TGIS_LayerVector r;
    r.Open(nullptr);
    TGIS_FileDBF t(w.path, false, &r);
    ASSERT_EQ(r.Fields.size(), 6u);
    EXPECT_EQ(t.RecordCount(), 2u);
    // The long text widened its field when it was set.
    EXPECT_EQ(t.RecordLength(), 1u + 25 + 10 + 12 + 20 + 1 + 8);
    EXPECT_EQ(r.Fields[3]->FieldType, gisFieldFloat);
    EXPECT_EQ(r.Fields[3]->Width, 20);
    EXPECT_EQ(r.Fields[3]->Decimals, 5);

    EXPECT_EQ(t.ReadFieldValue(1, "NAME").AsString(), "Beijing");
    EXPECT_EQ(t.ReadFieldValue(1, "COUNT").VarType(), varInteger);
    EXPECT_EQ(t.ReadFieldValue(1, "COUNT").AsInteger(), -42);
    EXPECT_EQ(t.ReadFieldValue(1, "SHARE").AsDouble(), 3.25);
    EXPECT_NEAR(t.ReadFieldValue(1, "RATE").AsDouble(), 1.0 / 3, 1e-15);  // 15 digits
    EXPECT_TRUE(t.ReadFieldValue(1, "FLAG").AsBoolean());
    EXPECT_EQ(t.ReadFieldValue(1, "BORN").AsDate(), EncodeDate(2024, 2, 29));

    EXPECT_EQ(t.ReadFieldValue(2, "NAME").AsString(), "a text longer than twelve");
    EXPECT_EQ(t.ReadFieldValue(2, "COUNT").AsInteger(), -123456790);
    EXPECT_EQ(t.ReadFieldValue(2, "SHARE").AsDouble(), -0.001);
    EXPECT_DOUBLE_EQ(t.ReadFieldValue(2, "RATE").AsDouble(), -2.5e120);
    EXPECT_FALSE(t.ReadFieldValue(2, "FLAG").AsBoolean());
    EXPECT_EQ(t.ReadFieldValue(2, "BORN").AsDate(), EncodeDate(1900, 1, 1));

    EXPECT_TRUE(t.ReadFieldValue(0, "NAME").IsEmpty());
    EXPECT_TRUE(t.ReadFieldValue(3, "NAME").IsEmpty());
    EXPECT_TRUE(t.ReadFieldValue(1, "MISSING").IsEmpty());
}

TEST(FileDBF, NumbersIgnoreTheDecimalSeparator) {
    auto save = [](const std::string& name) {
        WrittenTable w(name);
        TGIS_Shape* s = w.Add();
        s->SetField("SHARE", Variant(3.14));
        s->SetField("RATE", Variant(-1.5));
        s->SetField("BORN", Variant::FromDate(EncodeDate(2000, 1, 1)));
        w.Save();
        std::string bytes;
        EXPECT_TRUE(DiskReadAll(w.path, bytes));
        return bytes;
    };
    const std::string dot = save("dot.dbf");
    SetDecimalSeparator(',');
    const std::string comma = save("comma.dbf");
    SetDecimalSeparator('.');
    EXPECT_EQ(dot, comma);
    EXPECT_NE(dot.find("3.140"), std::string::npos);
}

TEST(FileDBF, EmptyLayerWritesAHiddenDummyColumn) {
    TGIS_LayerVector l;
    l.Open(nullptr);
    TGIS_Shape* s = l.CreateShape(gisShapeTypePoint);
    const std::string path = OutPath("dummy.dbf");
    {
        TGIS_FileDBF t(path, true, &l);
        t.WriteHeader();
        t.WriteFields();
        t.AppendRecord(*s);
        t.WriteHeader();
    }
    std::string bytes;
    ASSERT_TRUE(DiskReadAll(path, bytes));
    EXPECT_EQ(bytes.size(), 32u + 32 + 1 + 2 + 1);
    EXPECT_EQ(bytes.substr(32, 6), "_DUMMY");
    EXPECT_EQ(bytes.back(), '\x1A');
    TGIS_LayerVector r;
    r.Open(nullptr);
    TGIS_FileDBF t(path, false, &r);
    ASSERT_EQ(r.Fields.size(), 1u);
    EXPECT_TRUE(r.Fields[0]->Deleted);
}

TEST(FileDBF, WidthsAreBoundedAndOversizedTablesRefused) {
    TGIS_LayerVector l;
    l.Open(nullptr);
    l.AddField("TEXT", gisFieldString, 300, 0);
    l.AddField("NUM", gisFieldNumber, 25, 2);
    l.AddField("HUGE", gisFieldNumber, 300, 2);
    l.PrepareExportNames(11);
    {
        TGIS_FileDBF t(OutPath("widths.dbf"), true, &l);
        t.WriteHeader();
        t.WriteFields();
        EXPECT_EQ(t.RecordLength(), 1u + 254 + 25 + 254);
    }
    EXPECT_EQ(l.Fields[0]->NewWidth, 254);
    EXPECT_EQ(l.Fields[1]->NewWidth, 25);  // as wide as its values need: real columns are often 24
    EXPECT_EQ(l.Fields[2]->NewWidth, 254);

    TGIS_LayerVector wide;
    wide.Open(nullptr);
    for (int i = 0; i < 260; ++i) wide.AddField("F" + std::to_string(i), gisFieldString, 254, 0);
    wide.PrepareExportNames(11);
    TGIS_FileDBF t(OutPath("wide.dbf"), true, &wide);
    EXPECT_THROW(t.WriteFields(), EGIS_Exception);
    EXPECT_EQ(t.GetSize(), 0);

    // Records beyond 32,767 bytes: the length is unsigned, each record still found at its place.
    TGIS_LayerVector big;
    big.Open(nullptr);
    for (int i = 0; i < 140; ++i) big.AddField("F" + std::to_string(i), gisFieldString, 254, 0);
    for (int i = 1; i <= 3; ++i) big.CreateShape(gisShapeTypePoint)->SetField("F139", Variant("r" + std::to_string(i)));
    big.PrepareExportNames(11);
    {
        TGIS_FileDBF w(OutPath("big.dbf"), true, &big);
        w.WriteHeader();
        w.WriteFields();
        for (auto& s : big.Shapes) w.AppendRecord(*s);
        w.WriteHeader();
    }
    TGIS_LayerVector r;
    r.Open(nullptr);
    TGIS_FileDBF back(OutPath("big.dbf"), false, &r);
    EXPECT_EQ(back.RecordLength(), 1u + 140 * 254);
    EXPECT_EQ(back.RecordCount(), 3u);
    EXPECT_EQ(back.ReadFieldValue(3, "F139").AsString(), "r3");
    EXPECT_EQ(back.ReadFieldValue(2, "F139").AsString(), "r2");
}

TEST(FileDBF, ReadsTextAsOtherWritersLeaveIt) {
    const std::string path = Write(
        "foreign.dbf", MakeTable({{"N", 'N', 10, 0}, {"D", 'D', 8, 0}, {"L", 'L', 1, 0}, {"N", 'N', 4, 0},
                                  {"R", 'N', 8, 2}},
                                 {"12        " "        " "t" "****" "  1.50  ",
                                  "3000000000" "20231301" "T" "-7  " "********",
                                  "  abc     " "2023010x" "?" "    " "        "}));
    TGIS_LayerVector l;
    l.Open(nullptr);
    TGIS_FileDBF t(path, false, &l);
    ASSERT_EQ(l.Fields.size(), 5u);
    EXPECT_EQ(l.Fields[3]->Name, "N01");  // a repeated name takes a counter
    EXPECT_EQ(t.ReadFieldValue(1, "N").AsInteger(), 12);
    EXPECT_EQ(t.ReadFieldValue(1, "D").AsInteger(), 1900);
    EXPECT_FALSE(t.ReadFieldValue(1, "L").AsBoolean());
    EXPECT_TRUE(t.ReadFieldValue(1, "N01").IsEmpty());
    EXPECT_EQ(t.ReadFieldValue(1, "R").AsDouble(), 1.5);
    EXPECT_EQ(t.ReadFieldValue(2, "N").VarType(), varDouble);
    EXPECT_EQ(t.ReadFieldValue(2, "N").AsDouble(), 3e9);
    EXPECT_EQ(t.ReadFieldValue(2, "D").AsInteger(), 1900);  // month 13
    EXPECT_TRUE(t.ReadFieldValue(2, "L").AsBoolean());
    EXPECT_EQ(t.ReadFieldValue(2, "N01").AsInteger(), -7);
    EXPECT_TRUE(t.ReadFieldValue(2, "R").IsEmpty());
    EXPECT_EQ(t.ReadFieldValue(3, "N").AsInteger(), 0);
    EXPECT_EQ(t.ReadFieldValue(3, "N01").AsInteger(), 0);
}

TEST(FileDBF, BinarySmallintsAreUnsignedAndWiderValuesSigned) {
    // As a MapInfo table declares them: Smallint, Integer, Float, Date.
    std::string rec(2 + 4 + 8 + 4, '\0');
    const uint16_t small = 40000;
    const int32_t whole = -100000;
    const double real = -1.25;
    const uint8_t date[4] = {0xE8, 0x07, 12, 31};
    std::memcpy(&rec[0], &small, 2);
    std::memcpy(&rec[2], &whole, 4);
    std::memcpy(&rec[6], &real, 8);
    std::memcpy(&rec[14], date, 4);
    const std::string path = Write(
        "binary.dat", MakeTable({{"S", 'N', 2, 0}, {"I", 'N', 4, 0}, {"F", 'F', 8, 0}, {"D", 'D', 4, 0}}, {rec}));
    TGIS_LayerVector l;
    l.Open(nullptr);
    TGIS_FileDBF t(path, false, &l);
    // The MapInfo table marks its columns binary after the ".dat" is open.
    for (auto& f : l.Fields) f->BinaryWidth = f->Width;
    EXPECT_EQ(t.ReadFieldValue(1, "S").AsInteger(), 40000);
    EXPECT_EQ(t.ReadFieldValue(1, "I").AsInteger(), -100000);
    EXPECT_EQ(t.ReadFieldValue(1, "F").AsDouble(), -1.25);
    EXPECT_EQ(t.ReadFieldValue(1, "D").AsDate(), EncodeDate(2024, 12, 31));
}

TEST(FileDBF, DamagedHeadersAreRefused) {
    std::string cut = MakeTable({{"A", 'C', 4, 0}, {"B", 'C', 4, 0}}, {});
    cut.resize(32 + 40);
    {
        TGIS_LayerVector l;
        l.Open(nullptr);
        try {
            TGIS_FileDBF t(Write("cut.dbf", cut), false, &l);
            FAIL() << "a cut descriptor was accepted";
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.ErrorCode, 34);
        }
    }
    {
        TGIS_LayerVector l;
        l.Open(nullptr);
        try {
            TGIS_FileDBF t(Write("type.dbf", MakeTable({{"A", 'X', 4, 0}}, {})), false, &l);
            FAIL() << "an unknown type was accepted";
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.ErrorCode, 11);
        }
    }
    // A header length far past the descriptors stops at the terminator.
    TGIS_LayerVector l;
    l.Open(nullptr);
    TGIS_FileDBF t(Write("long.dbf", MakeTable({{"A", 'C', 4, 0}}, {"abcd"}, 60000)), false, &l);
    EXPECT_EQ(l.Fields.size(), 1u);
    EXPECT_TRUE(t.ReadFieldValue(1, "A").AsString().empty());  // records start where the header says
    EXPECT_THROW(TGIS_FileDBF(OutPath("missing.dbf"), false, &l), EFOpenError);
}

TEST(FileDBF, ValuesOfARecordReadInAnyOrder) {
    const std::string path =
        Write("order.dbf", MakeTable({{"A", 'C', 3, 0}, {"B", 'N', 4, 0}, {"C", 'C', 2, 0}},
                                     {"abc  12xy", "def  34zw", "ghi  56uv"}));
    TGIS_LayerVector l;
    l.Open(nullptr);
    {
        TGIS_FileDBF t(path, false, &l);
        EXPECT_EQ(t.ReadFieldValue(2, "C").AsString(), "zw");
        EXPECT_EQ(t.ReadFieldValue(2, "A").AsString(), "def");
        EXPECT_EQ(t.ReadFieldValue(1, "b").AsInteger(), 12);
        EXPECT_EQ(t.ReadFieldValue(1, "A").AsString(), "abc");
        EXPECT_EQ(t.ReadFieldValue(1, "C").AsString(), "xy");
        EXPECT_EQ(t.ReadFieldValue(3, "B").AsInteger(), 56);
        EXPECT_EQ(t.ReadFieldValue(2, "B").AsInteger(), 34);
        EXPECT_TRUE(t.ReadFieldValue(2, "Z").IsEmpty());
        EXPECT_EQ(t.ReadFieldValue(2, "C").AsString(), "zw");
    }
    // A header's record length (7) shorter than its fields (1 + 3 + 4 + 2): records are 7 bytes apart, and the
    // fields past the seventh byte read on into the next record.
    std::string table = MakeTable({{"A", 'C', 3, 0}, {"B", 'N', 4, 0}, {"C", 'C', 2, 0}},
                                  {"abc  12xy", "def  34zw", "ghi  56uv"});
    table[10] = 7;
    TGIS_FileDBF t(Write("short.dbf", table), false, &l);
    EXPECT_EQ(t.ReadFieldValue(1, "C").AsString(), "xy");
    EXPECT_EQ(t.ReadFieldValue(1, "B").AsInteger(), 12);
    EXPECT_EQ(t.ReadFieldValue(1, "A").AsString(), "abc");
    EXPECT_EQ(t.ReadFieldValue(2, "A").AsString(), "xy");
    EXPECT_EQ(t.ReadFieldValue(2, "C").AsString(), " 3");
    EXPECT_EQ(t.ReadFieldValue(3, "A").AsString(), " 34");
    EXPECT_EQ(t.ReadFieldValue(3, "C").AsString(), "hi");
}

// Common forms are read straight from the bytes, the rest the long way; both must give what the text says.
TEST(FileDBF, TextAndNumbersReadInEveryForm) {
    const std::vector<std::pair<std::string, std::string>> values = {
        // text (24), whole number (11), decimal (8, 2 decimals)
        {"ab", "-0"}, {"ab\t", "999999999"}, {std::string("a b\0zz", 6), "-999999999"}, {"  x", "2147483647"},
        {"", "2147483648"}, {"0123456789abcdefghijklmn", "+5"}, {"x\x1f", "-"}, {std::string(17, ' ') + "z", "12 34"},
        {"q", "-2147483649"}, {"q", "*****"}, {"q", std::string("1\0" "2", 3)}, {"q", "1-2"}};
    const std::vector<std::string> decimals = {"-.5", "5.",  "1.2.3", "1e3", "-", "********", "+1.5",
                                               "0012.50", "1.5-", "-1.", ".", std::string("3.2\0" "1", 5)};
    std::vector<std::string> records;
    for (size_t i = 0; i < values.size(); ++i) {
        std::string text = values[i].first;
        text.resize(24, ' ');
        const std::string& whole = values[i].second;
        records.push_back(text + std::string(11 - whole.size(), ' ') + whole +
                          std::string(8 - decimals[i].size(), ' ') + decimals[i]);
    }
    const std::string path =
        Write("forms.dbf", MakeTable({{"T", 'C', 24, 0}, {"W", 'N', 11, 0}, {"D", 'N', 8, 2}}, records));
    TGIS_LayerVector l;
    l.Open(nullptr);
    TGIS_FileDBF t(path, false, &l);
    const char* texts[] = {"ab", "ab", "a b", "  x", "", "0123456789abcdefghijklmn", "x",
                           "                 z", "q", "q", "q", "q"};
    // Whole numbers in 32 bits are integers, wider ones doubles; a text that is no number reads as 0.
    const double wholes[] = {0, 999999999, -999999999, 2147483647, 2147483648., 5, 0, 0, -2147483649., 0, 1, 0};
    const double reals[] = {-0.5, 5, 0, 1000, 0, 0, 1.5, 12.5, 0, -1, 0, 3.2};
    for (int i = 0; i < int(values.size()); ++i) {
        EXPECT_EQ(t.ReadFieldValue(i + 1, "T").AsString(), texts[i]) << i;
        const Variant w = t.ReadFieldValue(i + 1, "W"), d = t.ReadFieldValue(i + 1, "D");
        if (i == 9) {
            EXPECT_TRUE(w.IsEmpty());  // all stars: no value
        } else {
            EXPECT_EQ(w.VarType(), std::fabs(wholes[i]) > 2147483647 ? varDouble : varInteger) << i;
            EXPECT_EQ(w.AsDouble(), wholes[i]) << i;
        }
        if (i == 5) {
            EXPECT_TRUE(d.IsEmpty());
        } else {
            EXPECT_EQ(d.VarType(), varDouble) << i;
            EXPECT_EQ(d.AsDouble(), reals[i]) << i;
        }
    }
}

TEST(FileDBF, ScansInOrderAcrossBlocksAndBack) {
    // 3,000 records of 31 bytes: a scan in order crosses more than one block of reads.
    std::vector<std::string> records;
    for (int i = 1; i <= 3000; ++i) {
        char r[40];
        std::snprintf(r, sizeof r, "%-20s%10d", ("row" + std::to_string(i)).c_str(), i * 7);
        records.push_back(r);
    }
    const std::string path = Write("blocks.dbf", MakeTable({{"NAME", 'C', 20, 0}, {"N", 'N', 10, 0}}, records));
    TGIS_LayerVector l;
    l.Open(nullptr);
    TGIS_FileDBF t(path, false, &l);
    int wrong = 0;
    for (int i = 1; i <= 3000; ++i)
        if (t.ReadFieldValue(i, "NAME").AsString() != "row" + std::to_string(i) ||
            t.ReadFieldValue(i, "N").AsInteger() != i * 7)
            ++wrong;
    EXPECT_EQ(wrong, 0);
    for (int i : {2999, 5, 2114, 2115, 1, 3000}) {
        EXPECT_EQ(t.ReadFieldValue(i, "N").AsInteger(), i * 7) << i;
        EXPECT_EQ(t.ReadFieldValue(i, "NAME").AsString(), "row" + std::to_string(i)) << i;
    }
}

TEST(FileDBF, CpgNamesAreReadAsIconvKnowsThem) {
    const std::string table = OutPath("cpg.dbf");
    auto encoding = [&](const std::string& cpg) {
        EXPECT_TRUE(DiskWriteAll(OutPath("cpg.cpg"), cpg));
        return TGIS_FileDBF::CpgEncoding(table);
    };
    // What iconv does not know, or what cannot hold ASCII as itself, names nothing.
    const std::pair<std::string, std::string> cases[] = {
        {"UTF-8", "UTF-8"}, {"\xEF\xBB\xBFutf8\r\n", "UTF-8"}, {"65001", "UTF-8"}, {"936", "CP936"},
        {"88591", "ISO-8859-1"}, {"8859_15", "ISO-8859-15"}, {"ANSI 1251", "CP1251"}, {"1252", "CP1252"},
        {" GBK ", "GBK"}, {"Big5", "Big5"}, {"no such code page", ""}, {"UTF-16LE", ""}, {"", ""},
        {std::string(100, '1'), ""}};
    for (const auto& [cpg, name] : cases) EXPECT_EQ(encoding(cpg), name) << cpg;
    DiskRemove(OutPath("cpg.cpg"));
    EXPECT_EQ(TGIS_FileDBF::CpgEncoding(table), "");
}

TEST(FileDBF, NumbersGiveUpDecimalsBeforeDigitsAndNeverBecomeStars) {
    TGIS_LayerVector l;
    l.Open(nullptr);
    l.AddField("R24", gisFieldNumber, 24, 15);
    l.AddField("R19", gisFieldNumber, 19, 17);
    l.AddField("R16", gisFieldNumber, 16, 6);
    l.AddField("R5", gisFieldNumber, 5, 2);
    const double values[][4] = {{889953.0, 12.345678901234567, 1338612970.0, 123.456},
                                {1e30, -0.5, -999999999999999.0, -99.5},
                                {-1.5e25, 0.1, 1e-7, 99999}};
    for (const auto& row : values) {
        TGIS_Shape* s = l.CreateShape(gisShapeTypePoint);
        for (int i = 0; i < 4; ++i) s->SetField(l.Fields[size_t(i)]->NewName, Variant(row[i]));
    }
    const std::string path = OutPath("fit.dbf");
    SaveTable(l, path);
    std::string bytes;
    ASSERT_TRUE(DiskReadAll(path, bytes));
    EXPECT_EQ(bytes.find('*'), std::string::npos);
    TGIS_LayerVector r;
    r.Open(nullptr);
    TGIS_FileDBF t(path, false, &r);
    // Fifteen significant digits, or the digits the field's width leaves (R5).
    const double expect[][4] = {{889953.0, 12.345678901234567, 1338612970.0, 123.5},
                                {1e30, -0.5, -999999999999999.0, -99.5},
                                {-1.5e25, 0.1, 1e-7, 99999}};
    for (int rec = 1; rec <= 3; ++rec)
        for (int i = 0; i < 4; ++i) {
            const double want = expect[rec - 1][i];
            EXPECT_NEAR(t.ReadFieldValue(rec, r.Fields[size_t(i)]->Name).AsDouble(), want, std::abs(want) * 1e-15)
                << rec << " " << i;
        }
}

TEST(FileDBF, ValuesNoWidthCanHoldAreRefusedNamingFieldAndRecord) {
    auto refusal = [](uint8_t type, int32_t width, int32_t decimals, const Variant& value) -> std::string {
        TGIS_LayerVector l;
        l.Open(nullptr);
        l.AddField("V", type, width, decimals);
        l.CreateShape(gisShapeTypePoint);
        l.CreateShape(gisShapeTypePoint)->SetField("V", value);
        l.PrepareExportNames(11);
        TGIS_FileDBF t(OutPath("refused.dbf"), true, &l);
        t.WriteHeader();
        t.WriteFields();
        t.AppendRecord(*l.Shapes[0]);
        try {
            t.AppendRecord(*l.Shapes[1]);
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.ErrorCode, 70);
            EXPECT_EQ(t.RecordCount(), 1u);
            return e.Message;
        }
        return "written";
    };
    const std::string seven = refusal(gisFieldNumber, 4, 0, Variant(1234567));
    EXPECT_EQ(seven.rfind("0070 Wrong float value \"1234567\"", 0), 0u) << seven;
    EXPECT_NE(seven.find("字段“V”第 2 条记录"), std::string::npos) << seven;
    EXPECT_NE(refusal(gisFieldNumber, 4, 2, Variant(12345.0)), "written");
    // An exponent keeps 15 digits only in 20 characters or more, and never goes into a whole-number column.
    EXPECT_NE(refusal(gisFieldNumber, 19, 2, Variant(1.2345678901234567e30)), "written");
    EXPECT_EQ(refusal(gisFieldNumber, 20, 2, Variant(1.2345678901234567e30)), "written");
    EXPECT_NE(refusal(gisFieldNumber, 30, 0, Variant(1.2345678901234567e30)), "written");
    EXPECT_NE(refusal(gisFieldNumber, 24, 15, Variant(std::nan(""))), "written");
    EXPECT_NE(refusal(gisFieldFloat, 20, 5, Variant(1.0 / 0.0)), "written");
}

TEST(FileDBF, AlikeNamesTakeCountersAndTheRestAreDropped) {
    // As many descriptors as a header can hold, all called alike in either case.
    std::vector<Column> cols;
    for (int i = 0; i < 2000; ++i) cols.push_back({i % 2 ? "name" : "NAME", 'C', 1, 0});
    TGIS_LayerVector l;
    l.Open(nullptr);
    TGIS_FileDBF t(Write("alike.dbf", MakeTable(cols, {std::string(2000, 'x')})), false, &l);
    ASSERT_EQ(l.Fields.size(), 256u);
    EXPECT_EQ(l.Fields[0]->Name, "NAME");
    EXPECT_EQ(l.Fields[1]->Name, "name01");
    EXPECT_EQ(l.Fields[255]->Name, "name" "FF");
}
