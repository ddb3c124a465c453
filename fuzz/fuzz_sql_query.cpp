// Arbitrary text through the query compiler and evaluator; values asked by name and read from bound
// columns must give the same results.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/core/GisSqlQuery.h"

namespace {

// Field values of every kind, chosen by the name so that runs repeat.
Variant ValueOf(const std::string& name) {
    switch (name.size() % 6) {
    case 0: return Variant(static_cast<int>(name.size()) - 3);
    case 1: return Variant(1.5);
    case 2: return Variant(name);
    case 3: return Variant(name.size() % 2 == 0);
    case 4: return Variant::FromDate(43000.25);
    default: return Variant("10");
    }
}

bool Same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    TGIS_SqlQuery byName, bound;
    std::vector<Variant> columns;
    try {
        byName.Prepare(text);
        bound.Prepare(text, [&columns](const std::string& name) {
            columns.push_back(ValueOf(name));
            return static_cast<int>(columns.size() - 1);
        });
    } catch (const EGIS_Exception& e) {
        if (e.ErrorCode != 20) __builtin_trap();
        return 0;
    }
    TGIS_SqlFieldEvent field = ValueOf;
    TGIS_SqlColumnEvent column = [&columns](int c) { return &columns.at(static_cast<size_t>(c)); };
    for (bool def : {false, true})
        if (byName.Evaluate(def, field) != bound.Evaluate(def, column)) __builtin_trap();
    if (!Same(byName.EvaluateFloat(0.25, field), bound.EvaluateFloat(0.25, column))) __builtin_trap();
    return 0;
}
