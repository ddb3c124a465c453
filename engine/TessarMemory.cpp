// Requests refused for the memory they would take, before they take any.
#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/MemoryStatus.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Below this a request is not worth reading the system's figures for.
constexpr uint64_t kSmallRequest = uint64_t{16} << 20;
// Left over for the rest of the program (its windows, the buffers of an export) when a request is served.
constexpr uint64_t kReserve = uint64_t{64} << 20;

}  // namespace

bool TessarMemoryFits(long long sheets, size_t bytesEach, uint64_t released, uint64_t extra) {
    uint64_t need = extra, records = 0;
    if (sheets > 0 && (__builtin_mul_overflow(static_cast<uint64_t>(sheets), uint64_t{bytesEach}, &records) ||
                       __builtin_add_overflow(need, records, &need)))
        return false;
    if (need < kSmallRequest) return true;
    const uint64_t available = AvailableMemoryBytes();
    if (available == kUnboundedMemory) return true;
    // Compared as need + reserve <= available + released, without overflowing either side.
    const uint64_t room = available > UINT64_MAX - released ? UINT64_MAX : available + released;
    return room >= kReserve && need <= room - kReserve;
}

void CheckTessarMemory(long long sheets, size_t bytesEach, uint64_t released, uint64_t extra) {
    if (!TessarMemoryFits(sheets, bytesEach, released, extra)) throw ERangeError(kNoMemoryText);
}
