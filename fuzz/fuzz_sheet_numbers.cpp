// Sheet numbers typed or loaded by users: every reader must stay in bounds and agree with itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/unTessarRgPub.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    int standard = GetSheetNoStandard(text);
    int oldScale = GetOldSheetNoScale(text), newScale = GetNewSheetNoScale(text);
    if ((standard == 1) != (oldScale >= 0)) std::abort();
    if (standard == 2 && newScale < 0) std::abort();
    OldSheetNoToExtent(text);
    NewSheetNoToExtent(text);
    TStringList lines;
    lines.SetText(text);
    TStandardTessarols out;
    ConvertSheetNoList(lines, 3, true, false, true, 0, out);
    if (out.size() != static_cast<size_t>(lines.Count())) std::abort();
    SplitString(text, '-');
    return 0;
}
