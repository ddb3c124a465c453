#include "platform/rtl/MemoryStatus.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace {

std::optional<uint64_t> g_override;

// The system's small text files (whose size on disk reads as 0), up to a size no such file reaches.
bool ReadSmallFile(const std::string& path, std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    text.clear();
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (size_t{1} << 20)) text.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\n' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The whole of s as a decimal number that fits.
bool ReadNumber(std::string_view s, uint64_t& v) {
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size();
}

// Calls line(text) for each line of the text until it returns true; whether one did.
template <class Line>
bool AnyLine(std::string_view text, Line line) {
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        if (line(text.substr(0, end))) return true;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return false;
}

// What a group leaves of its limit: reclaimable file pages that are inactive do not count as used.
uint64_t Headroom(uint64_t limit, uint64_t used, uint64_t inactiveFile) {
    if (limit == kUnboundedMemory) return kUnboundedMemory;
    used -= std::min(used, inactiveFile);
    return limit > used ? limit - used : 0;
}

// The least headroom of the group at `path` below `mount` and of every group above it up to the mount.
uint64_t CgroupHeadroom(const std::string& mount, std::string path, bool unified) {
    const char* limitFile = unified ? "/memory.max" : "/memory.limit_in_bytes";
    const char* usageFile = unified ? "/memory.current" : "/memory.usage_in_bytes";
    const char* inactiveKey = unified ? "inactive_file" : "total_inactive_file";
    // A group mounted as the root of its own namespace is the mount itself.
    std::string probe;
    if (!ReadSmallFile(mount + path + usageFile, probe)) path.clear();
    uint64_t least = kUnboundedMemory;
    for (;;) {
        const std::string dir = mount + path;
        std::string text;
        uint64_t limit, used, inactive = 0;
        if (ReadSmallFile(dir + limitFile, text) && ParseMemoryLimit(text, limit) &&
            ReadSmallFile(dir + usageFile, text) && ParseMemoryLimit(text, used) && used != kUnboundedMemory) {
            if (ReadSmallFile(dir + "/memory.stat", text)) ParseMemoryStat(text, inactiveKey, inactive);
            least = std::min(least, Headroom(limit, used, inactive));
        }
        const size_t slash = path.rfind('/');
        if (path.empty() || slash == std::string::npos) break;
        path.erase(slash);
    }
    return least;
}

uint64_t PageBytes() { return static_cast<uint64_t>(sysconf(_SC_PAGESIZE)); }

// What the process's own limits on its address space and data leave.
uint64_t RlimitHeadroom() {
    std::string statm;
    uint64_t size = 0, data = 0;
    if (ReadSmallFile("/proc/self/statm", statm)) {
        // size resident shared text lib data dirty, in pages
        std::string_view s = TrimBlanks(statm);
        uint64_t fields[7] = {};
        int n = 0;
        while (!s.empty() && n < 7) {
            const size_t end = std::min(s.find(' '), s.size());
            if (!ReadNumber(s.substr(0, end), fields[n++])) break;
            s.remove_prefix(std::min(end + 1, s.size()));
        }
        if (n == 7) {
            size = fields[0] * PageBytes();
            data = fields[5] * PageBytes();
        }
    }
    uint64_t least = kUnboundedMemory;
    for (auto [resource, used] : {std::pair{RLIMIT_AS, size}, std::pair{RLIMIT_DATA, data}}) {
        rlimit rl{};
        if (getrlimit(resource, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) continue;
        const uint64_t limit = rl.rlim_cur;
        least = std::min(least, limit > used ? limit - used : 0);
    }
    return least;
}

}  // namespace

void ReturnFreeMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void SetAvailableMemoryOverride(std::optional<uint64_t> bytes) { g_override = bytes; }

uint64_t AvailableMemoryBytes() {
    if (g_override) return *g_override;
    uint64_t least = kUnboundedMemory, v;
    std::string text;
    if (ReadSmallFile("/proc/meminfo", text) && ParseMemAvailable(text, v)) least = v;
    std::string path;
    bool unified = false;
    if (ReadSmallFile("/proc/self/cgroup", text) && ParseMemoryCgroup(text, path, unified)) {
        if (unified) {
            // The unified hierarchy stands alone or, beside version 1 controllers, under "unified".
            std::string probe;
            const char* mount = ReadSmallFile("/sys/fs/cgroup/cgroup.controllers", probe) ? "/sys/fs/cgroup"
                                                                                          : "/sys/fs/cgroup/unified";
            least = std::min(least, CgroupHeadroom(mount, path, true));
        } else {
            least = std::min(least, CgroupHeadroom("/sys/fs/cgroup/memory", path, false));
        }
    }
    return std::min(least, RlimitHeadroom());
}

bool ParseMemAvailable(const std::string& meminfo, uint64_t& bytes) {
    constexpr std::string_view key = "MemAvailable:";
    return AnyLine(meminfo, [&](std::string_view line) {
        if (line.substr(0, key.size()) != key) return false;
        std::string_view rest = TrimBlanks(line.substr(key.size()));
        if (rest.size() < 3 || rest.substr(rest.size() - 2) != "kB") return false;
        uint64_t kb;
        if (!ReadNumber(TrimBlanks(rest.substr(0, rest.size() - 2)), kb) || kb > kUnboundedMemory / 1024) return false;
        bytes = kb * 1024;
        return true;
    });
}

bool ParseMemoryLimit(const std::string& text, uint64_t& bytes) {
    const std::string_view s = TrimBlanks(text);
    if (s == "max") {
        bytes = kUnboundedMemory;
        return true;
    }
    return ReadNumber(s, bytes);
}

bool ParseMemoryStat(const std::string& stat, const std::string& key, uint64_t& bytes) {
    return AnyLine(stat, [&](std::string_view line) {
        if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ' ') return false;
        return ReadNumber(TrimBlanks(line.substr(key.size() + 1)), bytes);
    });
}

bool ParseMemoryCgroup(const std::string& selfCgroup, std::string& path, bool& unified) {
    std::optional<std::string> v1, v2;
    AnyLine(selfCgroup, [&](std::string_view line) {
        line = TrimBlanks(line);
        const size_t a = line.find(':');
        const size_t b = a == std::string_view::npos ? a : line.find(':', a + 1);
        if (b == std::string_view::npos) return false;
        const std::string_view id = line.substr(0, a), controllers = line.substr(a + 1, b - a - 1);
        const std::string_view where = line.substr(b + 1);
        if (where.empty() || where[0] != '/' || where.find("/..") != std::string_view::npos) return false;
        if (id == "0" && controllers.empty()) {
            v2 = std::string(where);
            return false;
        }
        std::string_view list = controllers;
        while (!list.empty()) {
            const size_t end = std::min(list.find(','), list.size());
            if (list.substr(0, end) == "memory") {
                v1 = std::string(where);
                return true;
            }
            list.remove_prefix(std::min(end + 1, list.size()));
        }
        return false;
    });
    if (!v1 && !v2) return false;
    unified = !v1;
    path = v1 ? *v1 : *v2;
    // The root group is the mount itself; no path ends in '/' below it.
    if (path == "/") path.clear();
    while (!path.empty() && path.back() == '/') path.pop_back();
    return true;
}
