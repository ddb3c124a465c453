// Rows per second of a three-condition query, as a layer selecting shapes evaluates it, against SQLite
// counting the same rows of an in-memory table under the same condition; both must count the same hits.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/core/GisSqlQuery.h"

namespace {

constexpr int kRows = 1000000;
// SQL reads it the same way: AND binds tighter than OR, LIKE ignores the case of ASCII letters.
constexpr const char* kCondition = "POP > 1000 AND (CODE BETWEEN 10 AND 60) OR NAME LIKE 'A%'";
constexpr const char* kNames[] = {"Alpha", "Beta", "Gamma", "Delta", "Anhui", "Beijing"};


// POP, CODE, NAME
using Row = std::array<Variant, 3>;

struct Source {
    double pop;
    int code;
    const char* name;
};

const std::vector<Source>& Sources() {
    static const std::vector<Source> rows = [] {
        std::vector<Source> r;
        r.reserve(kRows);
        uint32_t seed = 12345;
        for (int i = 0; i < kRows; ++i) {
            seed = seed * 1103515245u + 12345u;
            r.push_back({static_cast<double>(seed % 5000), static_cast<int>(seed >> 20) % 100, kNames[(seed >> 8) % 6]});
        }
        return r;
    }();
    return rows;
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = [] {
        std::vector<Row> r;
        r.reserve(kRows);
        for (const Source& s : Sources()) r.push_back({Variant(s.pop), Variant(s.code), Variant(s.name)});
        return r;
    }();
    return rows;
}

int64_t SqliteHits();

// The passes must find SQLite's hits.
template <class Items, class Count>
void Measure(benchmark::State& state, const Items& items, Count count) {
    const int64_t hits = CountPasses(state, items, count);
    if (hits != SqliteHits()) state.SkipWithError("the hits differ from SQLite's");
    state.counters["hits"] = static_cast<double>(hits);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kRows));
    state.counters["rows_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kRows, benchmark::Counter::kIsRate);
}

// Fields bound to the row's columns once, values read in place: how a layer runs a selection.
void BM_Quillmark(benchmark::State& state) {
    TGIS_SqlQuery q;
    q.Prepare(kCondition, [](const std::string& f) { return f == "POP" ? 0 : f == "CODE" ? 1 : f == "NAME" ? 2 : -1; });
    const Row* row = nullptr;
    TGIS_SqlColumnEvent column = [&row](int c) { return &(*row)[static_cast<size_t>(c)]; };
    Measure(state, Rows(), [&](const Row& r) {
        row = &r;
        return q.Evaluate(false, column);
    });
}
BENCHMARK(BM_Quillmark)->Unit(benchmark::kMillisecond);

// Values asked by field name and copied, as callers that bind nothing do.
void BM_QuillmarkByName(benchmark::State& state) {
    TGIS_SqlQuery q;
    q.Prepare(kCondition);
    const Row* row = nullptr;
    TGIS_SqlFieldEvent field = [&row](const std::string& f) -> Variant {
        if (f == "POP") return (*row)[0];
        if (f == "CODE") return (*row)[1];
        return (*row)[2];
    };
    Measure(state, Rows(), [&](const Row& r) {
        row = &r;
        return q.Evaluate(false, field);
    });
}
BENCHMARK(BM_QuillmarkByName)->Unit(benchmark::kMillisecond);

void Check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

sqlite3* SqliteTable() {
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        Check(d, sqlite3_open(":memory:", &d));
        Check(d, sqlite3_exec(d, "CREATE TABLE t (POP REAL, CODE INTEGER, NAME TEXT); BEGIN", nullptr, nullptr, nullptr));
        sqlite3_stmt* ins = nullptr;
        Check(d, sqlite3_prepare_v2(d, "INSERT INTO t VALUES (?, ?, ?)", -1, &ins, nullptr));
        for (const Source& s : Sources()) {
            sqlite3_bind_double(ins, 1, s.pop);
            sqlite3_bind_int(ins, 2, s.code);
            sqlite3_bind_text(ins, 3, s.name, -1, SQLITE_STATIC);
            Check(d, sqlite3_step(ins));
            sqlite3_reset(ins);
        }
        sqlite3_finalize(ins);
        Check(d, sqlite3_exec(d, "COMMIT", nullptr, nullptr, nullptr));
        return d;
    }();
    return db;
}

sqlite3_stmt* SqliteCount() {
    static sqlite3_stmt* count = [] {
        sqlite3* db = SqliteTable();
        sqlite3_stmt* s = nullptr;
        Check(db, sqlite3_prepare_v2(db, (std::string("SELECT count(*) FROM t WHERE ") + kCondition).c_str(), -1, &s,
                                     nullptr));
        return s;
    }();
    return count;
}

int64_t CountWithSqlite() {
    sqlite3_stmt* count = SqliteCount();
    Check(SqliteTable(), sqlite3_step(count));
    int64_t hits = sqlite3_column_int64(count, 0);
    sqlite3_reset(count);
    return hits;
}

int64_t SqliteHits() {
    static const int64_t hits = CountWithSqlite();
    return hits;
}

void BM_Sqlite(benchmark::State& state) {
    const int once[] = {0};  // the statement counts all rows in one step
    Measure(state, once, [](int) { return CountWithSqlite(); });
}
BENCHMARK(BM_Sqlite)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    // Rows per second of ours over SQLite's: their time over ours.
    reporter.AddRatio("rows per second quillmark / SQLite", "BM_Sqlite", "BM_Quillmark", "(goal: at least 1)");
    reporter.AddRatio("rows per second quillmark by name / SQLite", "BM_Sqlite", "BM_QuillmarkByName");
    return RunWithRatios(argc, argv, reporter);
}
