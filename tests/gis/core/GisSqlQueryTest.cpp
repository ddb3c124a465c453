#include <gtest/gtest.h>

#include <map>

#include "gis/core/GisDefs.h"
#include "gis/core/GisSqlQuery.h"

namespace {

using Row = std::map<std::string, Variant>;

Row MakeRow(const char* name, double pop, int code, TDateTime d) {
    return Row{{"NAME", Variant(name)},  {"POP", Variant(pop)},    {"CODE", Variant(code)},
               {"D", Variant::FromDate(d)}, {"NUL", Variant::Null()}, {"S10", Variant("10")},
               {"E", Variant("")},         {"T2", Variant("AC")},   {"FLAG", Variant(true)},
               {"UL", Variant("_BC")}};
}

const Row& RowOf(int i) {
    static const Row rows[] = {MakeRow("Alpha", 1500, 10, EncodeDate(2020, 5, 1)),
                               MakeRow("beta", 800.5, -3, EncodeDate(2019, 12, 31)),
                               MakeRow("ABC", 5, 2, EncodeDate(2021, 1, 1))};
    return rows[i];
}

TGIS_SqlFieldEvent FieldsOf(const Row& row) {
    return [&row](const std::string& name) {
        auto it = row.find(name);
        return it == row.end() ? Variant() : it->second;
    };
}

// F and T hold whatever the default; D means the evaluation failed and gave the default.
enum Expect { F, T, D };

struct Case {
    const char* query;
    int row;
    Expect expect;
};

const Case kCases[] = {
    {"POP > 1000", 0, T},
    {"POP > 1000", 1, F},
    {"POP > 1000 AND NAME LIKE 'A%'", 0, T},
    {"POP > 1000 AND NAME LIKE 'A%'", 2, F},
    {"NAME = 'alpha'", 0, T},
    {"name = 'ALPHA'", 0, T},
    {"\"name\" = 'alpha'", 0, T},
    {"NAME <> 'alpha'", 0, F},
    {"NAME < 'b'", 0, T},
    {"CODE = 10", 0, T},
    {"CODE <> 10", 0, F},
    {"CODE >= 10", 0, T},
    {"CODE <= 9", 0, F},
    // precedence and parentheses
    {"CODE * 2 + 1 = 21", 0, T},
    {"1 + CODE * 2 = 21", 0, T},
    {"(1 + CODE) * 2 = 22", 0, T},
    {"CODE * (2 + 3) = 50", 0, T},
    {"CODE - 4 - 3 = 3", 0, T},
    {"CODE / 4 = 2.5", 0, T},
    {"CODE / 0 = 1", 0, D},
    {"POP > 1000 OR CODE > 5 AND NAME = 'x'", 0, T},
    {"(POP > 1000 OR CODE > 5) AND NAME = 'x'", 0, F},
    {"POP > 1000 AND CODE > 5 AND NAME LIKE 'al%'", 0, T},
    // unary minus
    {"-5 < CODE", 0, T},
    {"CODE = -10", 0, D},
    {"CODE = (0 - 3)", 1, T},
    {"CODE = (0 - 3)", 0, F},
    // NOT
    {"NOT CODE = 10", 0, F},
    {"NOT (POP < 100)", 0, T},
    {"NOT FLAG", 0, F},
    {"NOT CODE", 0, T},
    // BETWEEN
    {"CODE BETWEEN 1 AND 10", 0, T},
    {"CODE BETWEEN 1 AND 10", 1, F},
    {"CODE BETWEEN 10 AND 20", 0, T},
    {"CODE BETWEEN '5' AND '15'", 0, T},
    {"POP > 1000 OR (CODE BETWEEN 1 AND 5)", 0, T},
    {"POP > 1000 OR CODE BETWEEN 1 AND 5", 0, F},  // tests (POP > 1000 OR CODE) = -1
    {"POP > 1000 OR CODE BETWEEN 1 AND 5", 2, T},  // (False OR 2) = 2
    {"CODE BETWEEN 1 OR 2", 0, D},
    // IN
    {"CODE IN (1, 2, 10)", 0, T},
    {"CODE IN (1, 2, 10)", 1, F},
    {"POP IN (5, 6)", 2, T},
    {"CODE IN (2.0, 10.0)", 0, T},
    {"CODE IN ('10', 'x')", 0, T},
    {"CODE IN ('x', 10)", 0, D},
    {"NAME IN ('abc', 'x')", 2, T},
    {"NAME IN (1, 2)", 0, D},
    {"CODE IN (1, 2) AND POP > 1", 2, T},
    {"POP > 1000 AND CODE IN (10) OR NAME LIKE 'x%'", 0, T},
    // strings beside numbers
    {"S10 = 10", 0, T},
    {"'10' = 10", 0, T},
    {"S10 = '10.0'", 0, F},
    {"S10 + 5 = 15", 0, T},
    {"NAME + 'x' = 'alphax'", 0, T},
    {"CODE = 'ten'", 0, D},
    // LIKE
    {"NAME LIKE 'a%'", 0, T},
    {"NAME LIKE 'a%'", 2, T},
    {"NAME LIKE 'a%'", 1, F},
    {"NAME LIKE 'A_C'", 2, T},
    {"T2 LIKE 'A_C'", 0, F},
    {"NAME LIKE '%'", 0, T},
    {"E LIKE '%'", 0, F},
    {"NAME LIKE '%ph%'", 0, T},
    {"NAME LIKE 'alph'", 0, F},
    {"NAME LIKE '_lpha'", 0, T},
    {"NAME NOT LIKE 'B%'", 0, T},
    {"'abc' LIKE 'A%'", 0, T},
    {"UL LIKE 'B%'", 0, T},  // a leading underscore keeps the start open
    {"NAME LIKE 5", 0, D},
    // dates
    {"D > '2020-01-01'", 0, T},
    {"D > '2020-01-01'", 1, F},
    {"D BETWEEN '2020-01-01' AND '2020-12-31'", 0, T},
    {"D = '2020-05-01'", 0, T},
    {"D > 'soon'", 0, D},
    // Null and missing fields end with false whatever the default
    {"NUL = 1", 0, F},
    {"NUL = 1 OR CODE = 10", 0, F},
    {"MISSING = 1", 0, F},
    // short cut: only where no looser operator follows on the top level
    {"(CODE = 0) AND POP = 1 OR NAME = 'alpha'", 0, T},
    {"(CODE = 10) OR POP = 1", 0, T},
    {"(CODE = 0) AND NAME > 5", 0, F},
    {"(CODE = 0) AND NAME > 5 OR CODE = 10", 0, D},
    {"(CODE = 0) AND (POP = 1 OR NAME = 'alpha')", 0, F},
    // Booleans and bare values
    {"FLAG", 0, T},
    {"FLAG AND CODE = 10", 0, T},
    {"CODE = 10 AND NOT FLAG", 0, F},
    {"FLAG = 1", 0, D},
    {"POP", 0, T},
    {"NAME", 0, D},
    {"CODE AND 2", 0, T},
    {"CODE AND 5", 0, F},
    // numbers
    {"1E5 > POP", 0, T},
    {".5 * 4 = 2", 0, T},
    {"1.5 + 1 = 2.5", 0, T},
    // unbalanced parentheses fail at evaluation
    {"CODE = (10", 0, D},
    {"CODE = 10)", 0, D},
    {"", 0, F},
    {"   ", 0, F},
};

class QueryTable : public ::testing::TestWithParam<char> {};

TEST_P(QueryTable, HandWorkedResults) {
    SetDecimalSeparator(GetParam());
    for (const Case& c : kCases) {
        TGIS_SqlQuery q;
        q.Prepare(c.query);
        auto fields = FieldsOf(RowOf(c.row));
        bool withTrue = q.Evaluate(true, fields);
        bool withFalse = q.Evaluate(false, fields);
        switch (c.expect) {
        case T:
            EXPECT_TRUE(withTrue && withFalse) << c.query << " row " << c.row;
            break;
        case F:
            EXPECT_FALSE(withTrue || withFalse) << c.query << " row " << c.row;
            break;
        case D:
            EXPECT_TRUE(withTrue && !withFalse) << c.query << " row " << c.row;
            break;
        }
    }
    SetDecimalSeparator('.');
}

INSTANTIATE_TEST_SUITE_P(Separators, QueryTable, ::testing::Values('.', ','));

TEST(SqlQuery, EvaluateFloat) {
    auto row = FieldsOf(RowOf(0));
    TGIS_SqlQuery q;
    q.Prepare("POP / 4 + CODE");
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(-1, row), 385);
    q.Prepare("NOT CODE");
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(-1, row), -11);
    q.Prepare("CODE = 10");
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(7, row), -1);  // True
    q.Prepare("NAME");
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(7, row), 7);
    q.Prepare("NUL + 1");
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(7, row), 0);
    q.Prepare("");
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(7, row), 0);
    EXPECT_EQ(q.Text(), "");
}

TEST(SqlQuery, AsksEveryFieldOnceUpperCased) {
    std::vector<std::string> asked;
    TGIS_SqlQuery q;
    q.Prepare("pop > 1 AND Pop < 2000 AND \"Name\" LIKE 'a%'");
    EXPECT_EQ(q.Text(), "pop > 1 AND Pop < 2000 AND \"Name\" LIKE 'a%'");
    EXPECT_TRUE(q.Evaluate(false, [&](const std::string& f) {
        asked.push_back(f);
        return RowOf(0).at(f);
    }));
    EXPECT_EQ(asked, (std::vector<std::string>{"POP", "NAME"}));
}

TEST(SqlQuery, CallbackFailureGivesDefault) {
    TGIS_SqlQuery q;
    q.Prepare("A = 1");
    auto raising = [](const std::string& f) -> Variant { throw EGIS_Exception(GIS_RS_ERR_FIELDNOTEXIST, f, 0); };
    EXPECT_TRUE(q.Evaluate(true, raising));
    EXPECT_FALSE(q.Evaluate(false, raising));
}

TEST(SqlQuery, BoundColumnsAreReadInPlace) {
    std::vector<std::string> bound;
    TGIS_SqlQuery q;
    q.Prepare("pop > 1000 AND \"Name\" LIKE 'a%' OR Pop = 5", [&](const std::string& f) {
        bound.push_back(f);
        return f == "POP" ? 7 : 3;
    });
    EXPECT_EQ(bound, (std::vector<std::string>{"POP", "NAME"}));
    Variant values[8] = {};
    values[7] = Variant(1500.0);
    values[3] = Variant("alpha");
    std::vector<int> asked;
    TGIS_SqlColumnEvent column = [&](int c) -> const Variant* {
        asked.push_back(c);
        return &values[c];
    };
    EXPECT_TRUE(q.Evaluate(false, column));
    EXPECT_EQ(asked, (std::vector<int>{7, 3}));
    // the next row's values, read where they stand
    values[7] = Variant(5);
    values[3] = Variant("beta");
    EXPECT_TRUE(q.Evaluate(false, column));
    values[7] = Variant(6);
    EXPECT_FALSE(q.Evaluate(true, column));
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(7, column), 0);  // False
    // Null, a missing value and an unbound field end with false whatever the default
    values[7] = Variant::Null();
    EXPECT_FALSE(q.Evaluate(true, column));
    EXPECT_FALSE(q.Evaluate(true, TGIS_SqlColumnEvent([](int) -> const Variant* { return nullptr; })));
    EXPECT_FALSE(q.Evaluate(true, TGIS_SqlColumnEvent()));
    q.Prepare("A = 1 OR B = 1", [](const std::string& f) { return f == "A" ? 0 : -1; });
    asked.clear();
    values[0] = Variant(1);
    EXPECT_FALSE(q.Evaluate(true, column));
    EXPECT_EQ(asked, std::vector<int>{0});
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(7, column), 0);
}

TEST(SqlQuery, ColumnsWithoutBinderAndFailingBinder) {
    TGIS_SqlQuery q;
    q.Prepare("b + a * 2 = 7");  // B is column 0, A column 1
    Variant values[2] = {Variant(3), Variant(2)};
    TGIS_SqlColumnEvent column = [&](int c) { return &values[c]; };
    EXPECT_TRUE(q.Evaluate(false, column));
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(0, TGIS_SqlColumnEvent([&](int c) { return &values[1 - c]; })), 0);
    // the binder's own failure is passed on as it is, and leaves a query that evaluates to nothing
    auto raising = [](const std::string& f) -> int { throw EGIS_Exception(GIS_RS_ERR_FIELDNOTEXIST, f, 0); };
    try {
        q.Prepare("X = 1", raising);
        ADD_FAILURE();
    } catch (const EGIS_Exception& e) {
        EXPECT_NE(e.ErrorCode, 20);
    }
    EXPECT_FALSE(q.Evaluate(true, column));
    EXPECT_DOUBLE_EQ(q.EvaluateFloat(7, column), 0);
}

TEST(SqlQuery, CompileErrors) {
    const char* bad[] = {
        "A == 1",           // no such operator run
        "A =-1",            // sign right after a comparison
        "A => 1",
        "1E-5 > A",         // 1E is no number
        "1.2.3 = A",
        ". = A",
        "A = 1 ; B = 2",    // character outside every class
        "_A = 1",
        "A = 1 !",
        "\xC3\xFB = 1",     // a double-byte name outside quotes
    };
    for (const char* text : bad) {
        TGIS_SqlQuery q;
        try {
            q.Prepare(text);
            ADD_FAILURE() << text;
        } catch (const EGIS_Exception& e) {
            EXPECT_EQ(e.ErrorCode, 20) << text;
            EXPECT_EQ(e.Message, std::string("0020 Wrong expression \"") + text + "\"");
            EXPECT_EQ(q.Text(), text);
        }
        // a failed query evaluates as an empty one
        EXPECT_FALSE(q.Evaluate(true, FieldsOf(RowOf(0))));
    }
}

TEST(SqlQuery, QuotedNamesAndGbkStrings) {
    Row row{{"名称", Variant("北京市")}};
    TGIS_SqlQuery q;
    q.Prepare("\"名称\" LIKE '北京%'");
    EXPECT_TRUE(q.Evaluate(false, FieldsOf(row)));
    q.Prepare("\"名称\" = '北京'");
    EXPECT_FALSE(q.Evaluate(true, FieldsOf(row)));
    // a trail byte that looks like a lower-case letter is not upper-cased
    std::string asked;
    q.Prepare("\"\x81\x61x\" = 1");
    q.Evaluate(false, [&](const std::string& f) { return asked = f, Variant(1); });
    EXPECT_EQ(asked, "\x81\x61X");
}

TEST(SqlQuery, LikePatternLength) {
    Row row{{"S", Variant(std::string(63, 'A'))}};
    TGIS_SqlQuery q;
    q.Prepare("S LIKE '" + std::string(63, 'a') + "'");
    EXPECT_TRUE(q.Evaluate(false, FieldsOf(row)));
    q.Prepare("S LIKE '%" + std::string(62, '_') + "%A'");
    EXPECT_TRUE(q.Evaluate(false, FieldsOf(row)));
    row["S"] = Variant(std::string(62, 'A'));
    q.Prepare("S LIKE '" + std::string(63, '_') + "'");
    EXPECT_FALSE(q.Evaluate(true, FieldsOf(row)));
    EXPECT_THROW(q.Prepare("S LIKE '" + std::string(64, 'a') + "'"), EGIS_Exception);
    EXPECT_THROW(q.Prepare("S LIKE '%" + std::string(32, '_') + "%" + std::string(32, 'x') + "'"), EGIS_Exception);
}

TEST(SqlQuery, StackLimitsFailCleanly) {
    Row row{{"A", Variant(1)}};
    TGIS_SqlQuery q;
    // an IN list that just fills the value stack: tested value, marker and 511 values
    std::string list = "A IN (";
    for (int i = 0; i < 510; ++i) list += std::to_string(i + 2) + ",";
    q.Prepare(list + "1)");
    EXPECT_TRUE(q.Evaluate(false, FieldsOf(row)));
    EXPECT_THROW(q.Prepare(list + "1, 0)"), EGIS_Exception);
    // deep parentheses fill the operator stack
    std::string open(513, '('), close(513, ')');
    q.Prepare(open + "A = 1" + close);  // start, 513 '(' and '=' = 515 operators, the ')' never stay
    EXPECT_TRUE(q.Evaluate(false, FieldsOf(row)));
    std::string longer(600, '(');
    EXPECT_THROW(q.Prepare(longer + "A = 1" + std::string(600, ')')), EGIS_Exception);
    std::string ors = "A = 1";
    for (int i = 0; i < 600; ++i) ors += " OR A = 1";
    EXPECT_THROW(q.Prepare(ors), EGIS_Exception);
}

}  // namespace
