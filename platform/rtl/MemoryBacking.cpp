#include "platform/rtl/MemoryBacking.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#ifndef MADV_COLLAPSE
#define MADV_COLLAPSE 25  // Linux 6.1; older kernels refuse it with EINVAL, which is ignored
#endif
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14, likewise
#endif

namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

uintptr_t PageSize() {
    static const uintptr_t size = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    return size;
}

// Every page that holds a byte of the caller's block is mapped, so rounding outward stays inside memory
// the process owns.
void Advise(uintptr_t begin, uintptr_t end, int advice) {
    const uintptr_t page = PageSize();
    begin &= ~(page - 1);
    end = (end + page - 1) & ~(page - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, advice);
}

}  // namespace

void BackWithHugePages(std::vector<MemoryBlock> blocks) {
    std::sort(blocks.begin(), blocks.end(),
              [](const MemoryBlock& a, const MemoryBlock& b) { return std::less<>()(a.data, b.data); });
    const uintptr_t page = PageSize();
    auto flush = [](uintptr_t begin, uintptr_t end) {
        const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1), last = end & ~(kHugePage - 1);
        if (last <= first) return;
        Advise(begin, end, MADV_HUGEPAGE);
        // Pages the allocator has already touched (its headers) keep a fault from ever taking a huge page
        // there; collapsing makes them huge now, contents kept.
        madvise(reinterpret_cast<void*>(first), last - first, MADV_COLLAPSE);
    };
    uintptr_t begin = 0, end = 0;
    for (const MemoryBlock& b : blocks) {
        if (b.bytes == 0) continue;
        const uintptr_t p = reinterpret_cast<uintptr_t>(b.data);
        // Blocks on the same or neighbouring pages: no page of the run is outside them, so none is unmapped.
        if (end == 0 || (p & ~(page - 1)) > ((end + page - 1) & ~(page - 1))) {
            if (end != 0) flush(begin, end);
            begin = p;
        }
        end = std::max(end, p + b.bytes);
    }
    if (end != 0) flush(begin, end);
}

void PrefaultForWriting(const MemoryBlock& block) {
    if (block.bytes == 0) return;
    const uintptr_t p = reinterpret_cast<uintptr_t>(block.data);
    Advise(p, p + block.bytes, MADV_POPULATE_WRITE);
}
