#include "widgets/VtTabs.h"

// ---------------------------------------------------------------- region cache
HRGN TVtTabRegionCache::Lookup(const TRect& r) const {
    for (auto& [rect, rgn] : items_)
        if (rect == r) return rgn;
    return nullptr;
}

void TVtTabRegionCache::Add(const TRect& r, HRGN rgn) {
    auto it = std::find_if(items_.begin(), items_.end(), [&](auto& e) { return e.first == r; });
    if (it != items_.end()) {
        if (it->second != rgn) DeleteObject(it->second);
        items_.erase(it);
    }
    items_.insert(items_.begin(), {r, rgn});
    Trim();
}

void TVtTabRegionCache::Clear() {
    for (auto& e : items_) DeleteObject(e.second);
    items_.clear();
}

void TVtTabRegionCache::SetCapacity(int n) {
    if (n == 0 || n < -1) throw Exception("Capacity must be -1 (to cache all regions) or > 0");
    capacity_ = n;
    Trim();
}

void TVtTabRegionCache::Trim() {
    while (capacity_ != -1 && int(items_.size()) > capacity_) {
        DeleteObject(items_.back().second);
        items_.pop_back();
    }
}
