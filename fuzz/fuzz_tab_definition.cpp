// An arbitrary ".tab" definition text beside a fixed attribute table, with arbitrary ".map" and ".id" bytes:
// fields of any count, type and width that disagree with the table must be refused or read safely. Input: the
// ".tab" text up to the first NUL, then the ".id"/".map" input of the TAB target (a 16-bit count n of ".id"
// entries, 4n bytes of ".id", then the ".map").
#include <unistd.h>

#include <cstring>

#include "fuzz/TabFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string base = "/tmp/qm_fuzz_tab_definition_" + std::to_string(getpid());
    static const bool prepared = [] {
        const std::string dat = tabfuzz::Table();
        tabfuzz::WriteFile(base + ".dat", dat.data(), dat.size());
        return true;
    }();
    (void)prepared;
    const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t textSize = nul ? size_t(nul - data) : size;
    tabfuzz::WriteFile(base + ".tab", data, textSize);
    const size_t rest = nul ? size - textSize - 1 : 0;
    tabfuzz::OpenAndScan(base, nul ? nul + 1 : data + size, rest, {"TAB_LABEL"});
    return 0;
}
