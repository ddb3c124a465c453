// The check list's text form: whatever is read saves and reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "widgets/VtChkLst.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto items = ParseCheckListText(input);
    for (const auto& it : items)
        if (it.state > cbGrayed) std::abort();
    const std::string saved = CheckListText(items);
    if (ParseCheckListText(saved) != items) std::abort();
    return 0;
}
