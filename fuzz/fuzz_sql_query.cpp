// Arbitrary text through the query compiler and evaluator.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gis/core/GisDefs.h"
#include "gis/core/GisSqlQuery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    TGIS_SqlQuery q;
    try {
        q.Prepare(text);
    } catch (const EGIS_Exception& e) {
        if (e.ErrorCode != 20) __builtin_trap();
        return 0;
    }
    // Field values of every kind, chosen by the name so that runs repeat.
    auto field = [](const std::string& name) -> Variant {
        switch (name.size() % 6) {
        case 0: return Variant(static_cast<int>(name.size()) - 3);
        case 1: return Variant(1.5);
        case 2: return Variant(name);
        case 3: return Variant(name.size() % 2 == 0);
        case 4: return Variant::FromDate(43000.25);
        default: return Variant("10");
        }
    };
    q.Evaluate(true, field);
    q.EvaluateFloat(0, field);
    return 0;
}
