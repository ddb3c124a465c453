#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/rtl/FormResource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        ParseFormResource(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const EFormResourceError&) {
    }
    return 0;
}
