// Arbitrary ".map" and ".id" bytes beside a fixed definition and attribute table: opening, scanning, reading
// every field and asking for every uid must never misbehave. Input: a 16-bit count n of ".id" entries, 4n bytes
// of ".id", then the ".map".
#include <unistd.h>

#include "fuzz/TabFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string base = "/tmp/qm_fuzz_tab_" + std::to_string(getpid());
    static const bool prepared = [] {
        tabfuzz::WriteFile(base + ".tab", tabfuzz::kDefinition, sizeof tabfuzz::kDefinition - 1);
        const std::string dat = tabfuzz::Table();
        tabfuzz::WriteFile(base + ".dat", dat.data(), dat.size());
        return true;
    }();
    (void)prepared;
    tabfuzz::OpenAndScan(base, data, size, {"c", "i", "s", "f", "d", "m", "l", "TAB_LABEL"});
    return 0;
}
