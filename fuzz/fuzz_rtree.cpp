// Arbitrary bytes as an index file: opening, searching and changing it must never misbehave.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "gis/core/GisRTree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/qm_fuzz_rtree_" + std::to_string(getpid()) + ".rtree";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    try {
        TGIS_RTree t(path);
        int n = 0;
        for (int32_t id = t.FindFirst(GisFullExtent(), -1); id >= 0 && n < 100000; id = t.FindNext()) ++n;
        if (n > t.ItemCount()) __builtin_trap();  // entries with inverted extents overlap nothing
        for (int i = 0; i < 20; ++i) t.Insert(GisMakeExtent(i, i, i + 2, i + 2), 1000 + i);
        for (int i = 0; i < 20; i += 2)
            if (!t.Delete(GisMakeExtent(i, i, i + 1, i + 1), 1000 + i)) __builtin_trap();
        if (t.FindFirst(GisMakeExtent(1, 1, 1, 1), 1001) != 1001) __builtin_trap();
    } catch (const EGIS_Exception&) {
        __builtin_trap();  // damage is dealt with at opening
    }
    std::remove(path.c_str());
    return 0;
}
