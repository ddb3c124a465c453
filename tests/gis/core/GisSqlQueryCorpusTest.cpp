// Random queries, well-formed and damaged, against results recorded from an earlier evaluator, so that
// a faster evaluation can be checked for giving the same answer on every row.
// Rerecord (only after a deliberate change of results): QM_SQL_RECORD=1 test_gis_core
//   --gtest_filter=SqlQueryCorpus.* --gtest_also_run_disabled_tests
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "gis/core/GisDefs.h"
#include "gis/core/GisSqlQuery.h"

namespace {

using Row = std::map<std::string, Variant>;

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = [] {
        std::vector<Row> r;
        auto make = [](int a, double b, const char* s, const char* n, TDateTime d, bool f, const char* g, int16_t sm,
                       float sg, Variant z) {
            return Row{{"A", Variant(a)},        {"B", Variant(b)},      {"S", Variant(s)},
                       {"N", Variant(n)},        {"D", Variant::FromDate(d)}, {"F", Variant(f)},
                       {"G", Variant(g)},        {"SM", Variant(sm)},    {"SG", Variant(sg)},
                       {"Z", std::move(z)},      {"U", Variant("_ab")}};
        };
        r.push_back(make(10, 1500, "Alpha", "10", EncodeDate(2020, 5, 1), true, "北京市", 3, 2.5f, Variant(1)));
        r.push_back(make(-3, 800.5, "beta", "2.5", EncodeDate(2019, 12, 31), false, "abc", -7, 0.1f, Variant::Null()));
        r.push_back(make(0, 0, "", "x", EncodeDate(2021, 1, 1), true, "Ab_c", 0, -1.0f, Variant("5")));
        r.push_back(make(2147483647, -1e300, "ABC", "-4", EncodeDate(1999, 1, 1), false, "%_", 32767, 1e30f,
                         Variant(2.0)));
        r.push_back(make(5, 5, "a%b", "True", EncodeDate(2020, 1, 1), true, "南京", 5, 5.0f, Variant()));
        r.push_back(make(1, 0.5, "2020-05-01", "1E2", EncodeDate(2020, 5, 1), false, "ab", 1, 0.5f, Variant(false)));
        return r;
    }();
    return rows;
}

// Token soup with structure: mostly well-formed expressions, with a share of damage.
class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    std::string Query() {
        std::vector<std::string> t;
        Expr(t, 0);
        if (Pick(8) == 0) Damage(t);
        std::string q;
        for (size_t i = 0; i < t.size(); ++i) {
            bool bracket = t[i] == "(" || t[i] == ")" || (i > 0 && (t[i - 1] == "(" || t[i - 1] == ")"));
            if (i > 0 && Pick(bracket ? 3 : 40) != 0) q += ' ';  // glued words make other names
            q += t[i];
        }
        return q;
    }

private:
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
    template <size_t N>
    const char* One(const char* const (&a)[N]) {
        return a[Pick(static_cast<int>(N))];
    }

    // Operands lean to one kind so that most comparisons can be decided: 0 numbers, 1 texts, 2 anything.
    void Expr(std::vector<std::string>& t, int depth) {
        int k = depth > 3 ? Pick(4) : Pick(10);
        int kind = Pick(3);
        switch (k) {
        case 0:
        case 1: Compare(t, depth); break;
        case 2: Operand(t, depth, Pick(4) ? 1 : 2);
                t.push_back("LIKE");
                t.push_back(Pattern());
                break;
        case 3: Operand(t, depth, kind);
                if (Pick(3) == 0) t.push_back("NOT"), t.push_back("LIKE"), t.push_back(Pattern());
                else List(t, kind);
                break;
        case 4:
        case 5:
            Expr(t, depth + 1);
            t.push_back(One({"AND", "OR", "and", "Or"}));
            Expr(t, depth + 1);
            break;
        case 6: t.push_back("NOT"); Expr(t, depth + 1); break;
        case 7: t.push_back("("); Expr(t, depth + 1); t.push_back(")"); break;
        case 8: {
            bool paren = Pick(3) != 0;
            if (paren) t.push_back("(");
            Operand(t, depth, kind);
            t.push_back("BETWEEN");
            Operand(t, depth, kind);
            t.push_back("AND");
            Operand(t, depth, kind);
            if (paren) t.push_back(")");
            break;
        }
        default: Operand(t, depth, Pick(2) ? 0 : 2); break;
        }
    }

    void Compare(std::vector<std::string>& t, int depth) {
        bool paren = Pick(3) == 0;
        int kind = Pick(3);
        if (paren) t.push_back("(");
        Operand(t, depth, kind);
        t.push_back(One({"=", "<>", "<", "<=", ">", ">="}));
        Operand(t, depth, kind);
        if (paren) t.push_back(")");
    }

    void List(std::vector<std::string>& t, int kind) {
        t.push_back("IN");
        t.push_back("(");
        int n = 1 + Pick(4);
        for (int i = 0; i < n; ++i) {
            if (i > 0) t.push_back(",");
            t.push_back(Pick(3) ? Constant(kind) : Field(kind));
        }
        t.push_back(")");
    }

    void Operand(std::vector<std::string>& t, int depth, int kind) {
        int k = depth > 3 ? Pick(3) : Pick(9);
        switch (k) {
        case 0:
        case 1: t.push_back(Field(kind)); break;
        case 2:
        case 3: t.push_back(Constant(kind)); break;
        case 4:
        case 5:
            Operand(t, depth + 1, kind);
            t.push_back(kind == 1 && Pick(2) ? "+" : One({"+", "-", "*", "/"}));
            Operand(t, depth + 1, kind);
            break;
        case 6: t.push_back("-"); Operand(t, depth + 1, kind); break;
        case 7: t.push_back("("); Operand(t, depth + 1, kind); t.push_back(")"); break;
        default: t.push_back(Field(kind)); break;
        }
    }

    // Z is Null or empty on some rows and MISSING on all: rare, since either decides the whole query.
    const char* Field(int kind) {
        if (Pick(25) == 0) return One({"Z", "MISSING"});
        if (kind == 0) return One({"A", "B", "N", "D", "SM", "SG", "a", "F"});
        if (kind == 1) return One({"S", "G", "U", "N", "\"s\""});
        return One({"A", "B", "S", "N", "D", "F", "G", "SM", "SG", "U", "a", "\"s\""});
    }
    const char* Constant(int kind) {
        if (kind == 0) return One({"0", "1", "10", "2.5", "1E2", ".5", "1500", "2147483647", "1E300", "3", "'10'"});
        if (kind == 1) return One({"'10'", "'alpha'", "'ABC'", "''", "'True'", "'2020-05-01'", "'x'", "'北京市'", "'-4'", "'ab'"});
        return One({"0", "1", "10", "2.5", "1E2", ".5", "1500", "'10'", "'alpha'", "'ABC'", "''", "'True'",
                    "'2020-05-01'", "'x'", "'北京市'", "'-4'", "2147483647", "1E300"});
    }
    const char* Pattern() {
        return One({"'a%'", "'%'", "'A_C'", "'%b%'", "'_'", "'%_'", "'北京%'", "''", "'10'", "'%A'", "'__%'",
                    "'a%b'", "'%\\%'", "'_AB'"});
    }

    void Damage(std::vector<std::string>& t) {
        static const char* const extra[] = {"(", ")", "AND", "OR", "NOT", "BETWEEN", "IN", "LIKE", "-", "+", "=",
                                            "A", "1", "'x'", ","};
        int n = 1 + Pick(2);
        for (int i = 0; i < n; ++i) {
            size_t at = t.empty() ? 0 : static_cast<size_t>(Pick(static_cast<int>(t.size()) + 1));
            if (Pick(2) && !t.empty() && at < t.size()) t.erase(t.begin() + static_cast<long>(at));
            else t.insert(t.begin() + static_cast<long>(at), One(extra));
        }
    }

    std::mt19937 rng_;
};

TGIS_SqlFieldEvent FieldsOf(const Row& row) {
    return [&row](const std::string& name) {
        auto it = row.find(name);
        return it == row.end() ? Variant() : it->second;
    };
}

// The rows' fields in one order, for the evaluation over bound columns.
const std::vector<std::string>& Columns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const auto& [name, value] : Rows()[0]) n.push_back(name);
        return n;
    }();
    return names;
}

int ColumnOf(const std::string& field) {
    const auto& names = Columns();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == field) return static_cast<int>(i);
    return -1;
}

// Per row: T, F or D (the default) for Evaluate, then EvaluateFloat's result in hex.
template <class Event>
std::string Outcome(TGIS_SqlQuery& q, const Event& event) {
    bool t = q.Evaluate(true, event), f = q.Evaluate(false, event);
    std::string out(1, t == f ? (t ? 'T' : 'F') : (t ? 'D' : '?'));
    double x = q.EvaluateFloat(0.25, event);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%a ", std::isnan(x) ? NAN : x);
    return out + buf;
}

std::string Outcomes(TGIS_SqlQuery& q) {
    std::string out;
    for (const Row& row : Rows()) out += Outcome(q, FieldsOf(row));
    return out;
}

std::string BoundOutcomes(TGIS_SqlQuery& q) {
    std::string out;
    for (const Row& row : Rows()) {
        std::vector<const Variant*> values;
        for (const auto& [name, value] : row) values.push_back(&value);
        out += Outcome(q, TGIS_SqlColumnEvent([&values](int c) { return values.at(static_cast<size_t>(c)); }));
    }
    return out;
}

std::string CorpusPath() {
    return std::string(QM_SOURCE_DIR) + "/tests/gis/core/GisSqlQueryCorpus.txt";
}

constexpr int kQueries = 1500;

TEST(SqlQueryCorpus, DISABLED_Record) {
    if (!std::getenv("QM_SQL_RECORD")) GTEST_SKIP() << "set QM_SQL_RECORD to rewrite the corpus";
    Generator gen(20261209);
    std::ofstream out(CorpusPath(), std::ios::binary);
    for (int i = 0; i < kQueries; ++i) {
        std::string text = gen.Query();
        TGIS_SqlQuery q;
        std::string line = text + '\t';
        try {
            q.Prepare(text);
            line += Outcomes(q);
        } catch (const EGIS_Exception&) {
            line += "error";
        }
        out << line << '\n';
    }
}

TEST(SqlQueryCorpus, SameResultsAsRecorded) {
    std::ifstream in(CorpusPath(), std::ios::binary);
    ASSERT_TRUE(in) << CorpusPath();
    std::string line;
    int lines = 0, errors = 0;
    while (std::getline(in, line)) {
        size_t tab = line.rfind('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        std::string text = line.substr(0, tab), expected = line.substr(tab + 1);
        TGIS_SqlQuery q, bound;
        std::string got, gotBound;
        try {
            q.Prepare(text);
            got = Outcomes(q);
        } catch (const EGIS_Exception&) {
            got = "error";
            ++errors;
        }
        try {
            bound.Prepare(text, ColumnOf);
            gotBound = BoundOutcomes(bound);
        } catch (const EGIS_Exception&) {
            gotBound = "error";
        }
        EXPECT_EQ(got, expected) << text;
        EXPECT_EQ(gotBound, expected) << text << " (bound columns)";
        ++lines;
    }
    EXPECT_EQ(lines, kQueries);
    // The corpus reaches both compile failures and sound queries.
    EXPECT_GT(errors, 5);
    EXPECT_LT(errors, kQueries / 4);
}

}  // namespace
