// Hints to the system on how to back memory the caller already holds, for large blocks written once,
// where a fault per page costs more than the writing. The contents never change, and a system that
// cannot follow a hint simply does not.
#pragma once

#include <cstddef>
#include <vector>

struct MemoryBlock {
    const void* data;
    size_t bytes;
};

// Backs with huge pages, now, the runs of blocks that lie next to one another (on the same or neighbouring pages) and
// hold a whole huge page; shorter runs are left alone, so as not to split the process's mappings for
// nothing. The caller pays the zeroing of those pages here instead of a fault per page later.
void BackWithHugePages(std::vector<MemoryBlock> blocks);
// Faults in, writable, the pages the block touches, in one call rather than one fault per page.
void PrefaultForWriting(const MemoryBlock& block);
