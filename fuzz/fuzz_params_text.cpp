// Bytes as the text lines of a vector style section: read through every key of the section and its six
// parameter objects; what is written back must read again to the same text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisParams.h"
#include "platform/rtl/Classes.h"

namespace {

std::string Saved(TGIS_ParamsSectionVector& s) {
    TStringList lines;
    s.SaveToStrings(lines);
    return lines.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    lines.SetText(std::string(reinterpret_cast<const char*>(data), size));
    const std::string given = lines.Text();
    TGIS_ParamsSectionVector section;
    try {
        section.LoadFromStrings(lines);
    } catch (const EGIS_Exception&) {
        return 0;  // a query or expression that does not compile is reported, not read
    }
    if (lines.Text() != given) __builtin_trap();

    const std::string once = Saved(section);
    TStringList back;
    back.SetText(once);
    TGIS_ParamsSectionVector again;
    again.LoadFromStrings(back);
    if (Saved(again) != once) __builtin_trap();

    // A copy is what it was copied from.
    auto copy = section.Clone();
    if (Saved(static_cast<TGIS_ParamsSectionVector&>(*copy)) != once) __builtin_trap();
    return 0;
}
