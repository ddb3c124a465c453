// How much more memory the process can take: what the system can give without swapping, within the limits
// of the process's control groups and of its address space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

constexpr uint64_t kUnboundedMemory = UINT64_MAX;

// Bytes the process can still allocate and touch; kUnboundedMemory when nothing that can be read bounds it.
uint64_t AvailableMemoryBytes();

// What a std::string of `length` characters takes from the heap beside itself: nothing for a short one kept
// inline, else its characters and terminator with the allocator's header, in the allocator's granules.
constexpr size_t StringHeapBytes(size_t length) {
    return length < sizeof(std::string) / 2 ? 0 : (length + 1 + 8 + 15) / 16 * 16;
}

// Hands the memory the allocator holds unused back to the system, so that the figures above count it again.
void ReturnFreeMemory();

// Replaces what AvailableMemoryBytes reads by a fixed figure (nullopt: read it again).
void SetAvailableMemoryOverride(std::optional<uint64_t> bytes);

// The readers of the system's texts, which refuse (false) what they do not understand.
// "MemAvailable:" of /proc/meminfo, in bytes.
bool ParseMemAvailable(const std::string& meminfo, uint64_t& bytes);
// A limit file of a control group: a number of bytes, or "max" (kUnboundedMemory).
bool ParseMemoryLimit(const std::string& text, uint64_t& bytes);
// The value of `key` in a memory.stat file, in bytes.
bool ParseMemoryStat(const std::string& stat, const std::string& key, uint64_t& bytes);
// The group of the memory controller in /proc/self/cgroup: its path and whether it is of the unified
// (version 2) hierarchy, which serves when no line names the memory controller.
bool ParseMemoryCgroup(const std::string& selfCgroup, std::string& path, bool& unified);
