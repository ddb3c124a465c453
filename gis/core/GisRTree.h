// Paged R-tree index from extents to 32-bit ids, kept in a file (layer path + ".rtree") or in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gis/core/GisDefs.h"

class TGIS_RTree {
public:
    // Opens or creates the file; an empty path, or a file that cannot be used, gives an index in
    // memory. A file of ours that is damaged or was left by a crash is started afresh.
    explicit TGIS_RTree(const std::string& path);
    ~TGIS_RTree();
    TGIS_RTree(const TGIS_RTree&) = delete;
    TGIS_RTree& operator=(const TGIS_RTree&) = delete;

    bool IsEmpty() const;
    void Insert(const TGIS_Extent& extent, int32_t id);
    // True when an entry with the id overlapping the extent was removed.
    bool Delete(const TGIS_Extent& extent, int32_t id);
    // Ids of entries overlapping the extent (borders count); a negative id takes every entry,
    // another id only entries with it. -1 when the search is exhausted.
    int32_t FindFirst(const TGIS_Extent& extent, int32_t id);
    int32_t FindNext();
    // Empties the index, recreating its file.
    void Clear();

    // Empty when the index lives in memory.
    const std::string& Path() const;
    // Last write of an existing file, else the time of creation (days since 1899-12-30).
    double FileDate() const;
    int32_t ItemCount() const;
    int32_t PageCount() const;
    int32_t RootPage() const;
    // Pages the current search has read so far, its root included: the measure of the index's quality.
    int32_t SearchPageCount() const;

    struct TImpl;

private:
    std::unique_ptr<TImpl> impl_;
};
