#include "gis/core/GisRTree.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/rtl/FileIO.h"

static_assert(std::endian::native == std::endian::little, "index pages are stored in host order");
static_assert(sizeof(TGIS_Extent) == 32, "an extent is four doubles on a page");

namespace {

constexpr int kPageSize = 512;
constexpr int kEntries = 14;  // a page holds 13 at rest; 14 only just before a split
constexpr int32_t kMagic = 0x04407AAD;
constexpr int32_t kVersion = 6;
constexpr int32_t kSaved = 73;
constexpr char kSignature[] = "Kelvoran VQ6 RTree";
constexpr int kMarkerOffset = 268;
// Far above any real height (13-way pages): a deeper descent means a cycle in a damaged file.
constexpr int kMaxDepth = 40;
constexpr int32_t kInner = 1, kLeaf = 2;

struct Entry {
    TGIS_Extent ext;
    int32_t id;
};

struct Page {
    int32_t num = 0;
    int32_t kind = kLeaf;
    int32_t count = 0;
    Entry e[kEntries];

    // A NaN field of one entry must not wipe out the others' bounds, so NaN is passed over.
    TGIS_Extent Extent() const {
        TGIS_Extent r = GisEmptyExtent();
        for (int i = 0; i < count; ++i) {
            r.XMin = std::fmin(r.XMin, e[i].ext.XMin);
            r.YMin = std::fmin(r.YMin, e[i].ext.YMin);
            r.XMax = std::fmax(r.XMax, e[i].ext.XMax);
            r.YMax = std::fmax(r.YMax, e[i].ext.YMax);
        }
        return r;
    }
    int IndexOfChild(int32_t child) const {
        for (int i = 0; i < count; ++i)
            if (e[i].id == child) return i;
        return -1;
    }
    void InsertAt(int k, const TGIS_Extent& ext, int32_t id) {
        for (int i = count; i > k; --i) e[i] = e[i - 1];
        e[k] = {ext, id};
        ++count;
    }
    void Remove(int k) {
        for (int i = k; i + 1 < count; ++i) e[i] = e[i + 1];
        --count;
    }
};

double Enlargement(const TGIS_Extent& base, const TGIS_Extent& add) {
    return GisExtentArea(GisExtentUnion(base, add)) - GisExtentArea(base);
}

int ChooseSubtree(const Page& p, const TGIS_Extent& ext) {
    double best = 1.7e308;
    int k = 0;
    for (int i = 0; i < p.count; ++i) {
        double d = Enlargement(p.e[i].ext, ext);
        if (d < best) {
            best = d;
            k = i;
        }
    }
    return k;
}

// Before the first entry that contains the new one, else at the end.
void InsertOrdered(Page& p, const TGIS_Extent& ext, int32_t id) {
    int k = p.count;
    for (int i = 0; i < p.count; ++i)
        if (GisExtentInside(ext, p.e[i].ext)) {
            k = i;
            break;
        }
    p.InsertAt(k, ext, id);
}

// Seeds are the two entries whose lower-left corners lie farthest apart; every other entry joins
// the seed it enlarges less, the old page's seed on a tie.
void SplitEntries(Page& a, Page& b) {
    int si = 0, sj = 1;
    double best = -1;
    for (int i = 0; i < a.count; ++i)
        for (int j = i + 1; j < a.count; ++j) {
            double d = GisPointDistance(GisMakePoint(a.e[i].ext.XMin, a.e[i].ext.YMin),
                                        GisMakePoint(a.e[j].ext.XMin, a.e[j].ext.YMin));
            if (d > best) {
                best = d;
                si = i;
                sj = j;
            }
        }
    const TGIS_Extent seedA = a.e[si].ext, seedB = a.e[sj].ext;
    b.count = 0;
    int kept = 0;
    for (int i = 0; i < a.count; ++i) {
        bool toB = i == sj || (i != si && Enlargement(seedB, a.e[i].ext) < Enlargement(seedA, a.e[i].ext));
        if (toB) b.e[b.count++] = a.e[i];
        else a.e[kept++] = a.e[i];
    }
    a.count = kept;
}

template <class T>
T Get(const uint8_t* p, int off) {
    T v;
    std::memcpy(&v, p + off, sizeof v);
    return v;
}

template <class T>
void Put(uint8_t* p, int off, T v) {
    std::memcpy(p + off, &v, sizeof v);
}

enum class OpenFault { None, Foreign, Damaged };

// GisExtentsOverlap, NaN included, without a branch.
inline bool Meets(const TGIS_Extent& e, const TGIS_Extent& s) {
    return !(e.XMin > s.XMax) & !(e.XMax < s.XMin) & !(e.YMin > s.YMax) & (e.YMax >= s.YMin);
}

// The leaf entries again, bulk-loaded (sort-tile-recursive) into 16-way nodes for searches only. The paged tree
// keeps its file's split rule, which leaves siblings overlapping; a search there reads tens of pages for one hit.
// Hits are handed out in the order a walk of the paged tree gives them (`rank`), so callers see no difference.
struct Packed {
    static constexpr size_t kFan = 16;
    struct Item {
        TGIS_Extent ext;
        int32_t id;
        int32_t rank;
    };
    std::vector<Item> items;
    // levels[0] bounds groups of kFan items, levels[k] groups of kFan boxes of levels[k - 1]; the last has one box.
    std::vector<std::vector<TGIS_Extent>> levels;

    static TGIS_Extent Bounds(const TGIS_Extent* e, size_t n) {
        TGIS_Extent r = e[0];
        for (size_t i = 1; i < n; ++i) {
            r.XMin = std::min(r.XMin, e[i].XMin);
            r.YMin = std::min(r.YMin, e[i].YMin);
            r.XMax = std::max(r.XMax, e[i].XMax);
            r.YMax = std::max(r.YMax, e[i].YMax);
        }
        return r;
    }

    // `all` in the paged tree's walk order; none may hold a NaN (the paged tree's bounds pass NaN over, so
    // which of such entries a walk finds cannot be told from the entry alone).
    explicit Packed(std::vector<Item> all) : items(std::move(all)) {
        const size_t n = items.size();
        if (n == 0) return;
        auto cx = [](const Item& a) { return a.ext.XMin + a.ext.XMax; };
        auto cy = [](const Item& a) { return a.ext.YMin + a.ext.YMax; };
        std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) { return cx(a) < cx(b); });
        const size_t leaves = (n + kFan - 1) / kFan;
        const size_t slices = std::max<size_t>(1, size_t(std::ceil(std::sqrt(double(leaves)))));
        const size_t perSlice = ((leaves + slices - 1) / slices) * kFan;
        for (size_t at = 0; at < n; at += perSlice)
            std::sort(items.begin() + at, items.begin() + std::min(n, at + perSlice),
                      [&](const Item& a, const Item& b) { return cy(a) < cy(b); });
        std::vector<TGIS_Extent> level;
        for (size_t at = 0; at < n; at += kFan) {
            TGIS_Extent r = items[at].ext;
            for (size_t i = at + 1; i < std::min(n, at + kFan); ++i) {
                r.XMin = std::min(r.XMin, items[i].ext.XMin);
                r.YMin = std::min(r.YMin, items[i].ext.YMin);
                r.XMax = std::max(r.XMax, items[i].ext.XMax);
                r.YMax = std::max(r.YMax, items[i].ext.YMax);
            }
            level.push_back(r);
        }
        levels.push_back(std::move(level));
        while (levels.back().size() > 1) {
            const std::vector<TGIS_Extent>& below = levels.back();
            std::vector<TGIS_Extent> up;
            for (size_t at = 0; at < below.size(); at += kFan)
                up.push_back(Bounds(&below[at], std::min(below.size(), at + kFan) - at));
            levels.push_back(std::move(up));
        }
    }

    // Rank and id of the items meeting `s` (only `id` unless negative), in walk order; returns the nodes read.
    int32_t Search(const TGIS_Extent& s, int32_t id, std::vector<std::pair<int32_t, int32_t>>& hits) const {
        hits.clear();
        if (items.empty()) return 1;
        int32_t nodes = 0;
        struct Todo {
            size_t level, index;
        };
        // Boxes on the stack already meet the search: at most kFan a level, and there are at most 8 levels.
        Todo stack[kFan * 10];
        int top = 0;
        if (Meets(levels.back()[0], s)) stack[top++] = {levels.size() - 1, 0};
        while (top > 0) {
            const Todo t = stack[--top];
            ++nodes;
            const size_t first = t.index * kFan;
            if (t.level == 0) {
                for (size_t i = first; i < std::min(items.size(), first + kFan); ++i)
                    if (Meets(items[i].ext, s) && (id < 0 || items[i].id == id))
                        hits.push_back({items[i].rank, items[i].id});
                continue;
            }
            const std::vector<TGIS_Extent>& below = levels[t.level - 1];
            for (size_t i = first; i < std::min(below.size(), first + kFan); ++i)
                if (Meets(below[i], s)) stack[top++] = {t.level - 1, i};
        }
        std::sort(hits.begin(), hits.end());
        return std::max(nodes, int32_t(1));
    }
};

}  // namespace

struct TGIS_RTree::TImpl {
    std::string path;
    double fileDate = 0;
    // Pages of the whole index; with a file they are written through to it.
    std::vector<uint8_t> image;
    int fd = -1;
    int32_t diskMarker = kSaved;
    bool headerDirty = false;

    int32_t pageCount = 0, itemCount = 0, freePage = 0, rootPage = 0;
    int32_t storedMarker = 0, storedVersion = 0;

    // A page of the search, read in place from the image: searches are the hot path and copy nothing.
    struct Frame {
        int32_t page;
        int32_t kind;
        // Entries that meet the search extent and are still to be visited, one bit each.
        uint32_t hits;
        // One past the entry visited last.
        int next;
    };
    std::vector<Frame> search;
    TGIS_Extent searchExtent{};
    int32_t searchId = -1;
    int32_t searchPages = 0;

    // Built once the walks since the last change have read as many pages as the tree holds, so that a tree
    // changed between searches never pays for it; dropped by every change.
    std::unique_ptr<Packed> packed;
    bool unpackable = false;
    int64_t walked = 0;
    bool searchPacked = false;
    std::vector<std::pair<int32_t, int32_t>> packedHits;  // rank, id
    size_t packedNext = 0;

    ~TImpl() { CloseFile(); }

    [[noreturn]] void IoError() const { throw EGIS_Exception("RTIndex:%s", path, 0); }
    [[noreturn]] void Corrupt() const { throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, path, 0); }

    int32_t TotalPages() const { return static_cast<int32_t>(image.size() / kPageSize); }

    void CloseFile() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }

    void WriteBytes(int64_t off, const void* data, size_t n) {
        if (image.size() < static_cast<size_t>(off) + n) image.resize(static_cast<size_t>(off) + n);
        std::memcpy(image.data() + off, data, n);
        if (fd < 0) return;
        size_t done = 0;
        while (done < n) {
            ssize_t w = pwrite(fd, static_cast<const uint8_t*>(data) + done, n - done, off + static_cast<int64_t>(done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) IoError();
            done += static_cast<size_t>(w);
        }
    }

    // The on-disk header stops being valid from the first change of an operation until SaveHeader,
    // so that an index left by a crash is never taken as sound.
    void BeginChange() {
        DropPacked();
        headerDirty = true;
        if (fd >= 0 && diskMarker == kSaved) {
            int32_t zero = 0;
            WriteBytes(kMarkerOffset, &zero, sizeof zero);
            diskMarker = 0;
        }
    }

    void SaveHeader() {
        if (!headerDirty && diskMarker == kSaved) return;
        uint8_t h[kPageSize] = {};
        Put(h, 0, kMagic);
        Put(h, 4, kVersion);
        std::memcpy(h + 12, kSignature, sizeof kSignature - 1);
        Put(h, kMarkerOffset, kSaved);
        Put(h, 272, pageCount);
        Put(h, 276, itemCount);
        Put(h, 280, freePage);
        Put(h, 284, rootPage);
        WriteBytes(0, h, kPageSize);
        diskMarker = kSaved;
        headerDirty = false;
    }

    void ReadPage(Page& p, int32_t n) const {
        if (n < 1 || n >= TotalPages()) Corrupt();
        const uint8_t* b = image.data() + static_cast<size_t>(n) * kPageSize;
        p.num = n;
        p.kind = Get<int32_t>(b, 0);
        p.count = Get<int32_t>(b, 4);
        if ((p.kind != kInner && p.kind != kLeaf) || p.count < 0 || p.count >= kEntries) Corrupt();
        for (int i = 0; i < p.count; ++i) {
            const uint8_t* q = b + 8 + i * 36;
            std::memcpy(&p.e[i].ext, q, sizeof(TGIS_Extent));
            std::memcpy(&p.e[i].id, q + 32, sizeof(int32_t));
            if (p.kind == kInner && (p.e[i].id < 1 || p.e[i].id >= TotalPages() || p.e[i].id == n)) Corrupt();
        }
    }

    void WritePage(const Page& p) {
        if (p.num < 1 || p.count >= kEntries) Corrupt();
        uint8_t b[kPageSize] = {};
        Put(b, 0, p.kind);
        Put(b, 4, p.count);
        for (int i = 0; i < p.count; ++i) {
            uint8_t* q = b + 8 + i * 36;
            std::memcpy(q, &p.e[i].ext, sizeof(TGIS_Extent));
            std::memcpy(q + 32, &p.e[i].id, sizeof(int32_t));
        }
        WriteBytes(static_cast<int64_t>(p.num) * kPageSize, b, kPageSize);
    }

    int32_t AllocatePage(bool root) {
        if (pageCount == INT32_MAX) Corrupt();
        ++pageCount;
        int32_t n;
        if (freePage != 0) {
            n = freePage;
            if (n < 1 || n >= TotalPages()) Corrupt();
            freePage = Get<int32_t>(image.data() + static_cast<size_t>(n) * kPageSize, 0);
        } else {
            n = pageCount - 1;
            if (n >= TotalPages()) {
                Page empty;
                empty.num = n;
                if (n == 0) {
                    uint8_t zero[kPageSize] = {};
                    WriteBytes(0, zero, kPageSize);
                } else {
                    WritePage(empty);
                }
            }
        }
        if (root) rootPage = n;
        headerDirty = true;
        return n;
    }

    void FreePageAt(int32_t n) {
        uint8_t b[kPageSize] = {};
        Put(b, 0, freePage);
        WriteBytes(static_cast<int64_t>(n) * kPageSize, b, kPageSize);
        freePage = n;
        --pageCount;
    }

    void InitHeader() {
        image.clear();
        pageCount = 0;
        freePage = 0;
        rootPage = 0;
        itemCount = 0;
        AllocatePage(false);  // page 0 is the header
        pageCount = 1;
        AllocatePage(true);
        headerDirty = true;
        SaveHeader();
    }

    void OpenMemory() {
        CloseFile();
        path.clear();
        fileDate = Now();
        InitHeader();
    }

    // Checks the header and walks the whole tree: every page once, leaves on one level, counts as stored.
    OpenFault Validate() {
        if (image.size() < kPageSize) return OpenFault::Foreign;
        const uint8_t* h = image.data();
        if (Get<int32_t>(h, 0) != kMagic || image.size() < 2 * kPageSize || image.size() % kPageSize != 0)
            return OpenFault::Foreign;
        storedVersion = Get<int32_t>(h, 4);
        if (storedVersion > kVersion) return OpenFault::Foreign;
        storedMarker = Get<int32_t>(h, kMarkerOffset);
        pageCount = Get<int32_t>(h, 272);
        itemCount = Get<int32_t>(h, 276);
        freePage = Get<int32_t>(h, 280);
        rootPage = Get<int32_t>(h, 284);
        if (storedMarker != kSaved) return OpenFault::Damaged;
        const int32_t total = TotalPages();
        if (pageCount < 2 || pageCount > total || itemCount < 0 || rootPage < 1 || rootPage >= total ||
            freePage < 0 || freePage >= total)
            return OpenFault::Damaged;
        std::vector<uint8_t> seen(static_cast<size_t>(total), 0);
        int64_t reachable = 0, items = 0;
        int32_t highest = 0;
        int leafDepth = -1;
        // Each inner entry holds exactly the union of its child's entries, as every change leaves it.
        struct Todo {
            int32_t page;
            int depth;
            TGIS_Extent expect;
        };
        std::vector<Todo> todo{{rootPage, 0, {}}};
        Page p;
        try {
            while (!todo.empty()) {
                Todo t = todo.back();
                todo.pop_back();
                if (seen[t.page] || t.depth > kMaxDepth) return OpenFault::Damaged;
                seen[t.page] = 1;
                ++reachable;
                if (t.page > highest) highest = t.page;
                ReadPage(p, t.page);
                if (t.depth > 0) {
                    TGIS_Extent ext = p.Extent();
                    if (std::memcmp(&ext, &t.expect, sizeof ext) != 0) return OpenFault::Damaged;
                }
                if (p.kind == kLeaf) {
                    if (leafDepth >= 0 && leafDepth != t.depth) return OpenFault::Damaged;
                    leafDepth = t.depth;
                    items += p.count;
                } else {
                    if (p.count == 0) return OpenFault::Damaged;
                    for (int i = 0; i < p.count; ++i) todo.push_back({p.e[i].id, t.depth + 1, p.e[i].ext});
                }
            }
        } catch (const EGIS_Exception&) {
            return OpenFault::Damaged;
        }
        int64_t freeCount = 0;
        for (int32_t f = freePage; f != 0;) {
            if (f < 1 || f >= total || seen[f]) return OpenFault::Damaged;
            seen[f] = 1;
            ++freeCount;
            if (f > highest) highest = f;
            f = Get<int32_t>(image.data() + static_cast<size_t>(f) * kPageSize, 0);
        }
        if (reachable + 1 != pageCount || items != itemCount || highest >= pageCount + freeCount)
            return OpenFault::Damaged;
        return OpenFault::None;
    }

    bool LoadFile() {
        struct stat st {};
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
        // Page numbers are 32-bit.
        if (st.st_size > static_cast<off_t>(INT32_MAX) * kPageSize) return false;
        image.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < image.size()) {
            ssize_t r = pread(fd, image.data() + done, image.size() - done, static_cast<off_t>(done));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            done += static_cast<size_t>(r);
        }
        return true;
    }

    void Open(const std::string& p) {
        DropPacked();
        search.clear();
        image.clear();
        CloseFile();
        path = p;
        headerDirty = false;
        diskMarker = kSaved;
        if (path.empty()) return OpenMemory();
        struct stat st {};
        if (DiskStat(path, st)) {
            fileDate = FileDateToDateTime(st.st_mtime);
            bool writable = true;
            fd = DiskOpen(path, O_RDWR | O_CLOEXEC);
            if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) CloseFile();
            if (fd < 0) {
                writable = false;
                fd = DiskOpen(path, O_RDONLY | O_CLOEXEC);
            }
            if (fd < 0 || !LoadFile()) return OpenMemory();
            OpenFault fault = Validate();
            if (fault == OpenFault::Foreign || (fault == OpenFault::Damaged && !writable)) return OpenMemory();
            if (!writable) {
                // Shared with a writer: work on the copy in memory from here on.
                CloseFile();
                path.clear();
                diskMarker = kSaved;
                return;
            }
            if (fault == OpenFault::Damaged) {
                if (ftruncate(fd, 0) != 0) return OpenMemory();
                fileDate = Now();
                try {
                    InitHeader();
                } catch (const EGIS_Exception&) {
                    return OpenMemory();
                }
            }
            return;
        }
        fd = DiskOpen(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) return OpenMemory();
        fileDate = Now();
        try {
            InitHeader();
        } catch (const EGIS_Exception&) {
            DiskRemove(path);
            OpenMemory();
        }
    }

    // Writes `page` (which may just have reached 14 entries) and carries splits and extents up `path`.
    void Store(std::vector<Page>& path, Page& page) {
        while (page.count >= kEntries) {
            Page b;
            b.kind = page.kind;
            b.num = AllocatePage(false);
            SplitEntries(page, b);
            WritePage(page);
            WritePage(b);
            TGIS_Extent e1 = page.Extent(), e2 = b.Extent();
            if (path.empty()) {
                Page root;
                root.kind = kInner;
                root.num = AllocatePage(true);
                root.InsertAt(0, e1, page.num);
                root.InsertAt(1, e2, b.num);
                WritePage(root);
                return;
            }
            Page parent = path.back();
            path.pop_back();
            int k = parent.IndexOfChild(page.num);
            if (k < 0) Corrupt();
            parent.Remove(k);
            parent.InsertAt(k, e2, b.num);
            parent.InsertAt(k, e1, page.num);
            page = parent;
        }
        WritePage(page);
        AdjustUp(path, page);
    }

    void AdjustUp(std::vector<Page>& path, Page page) {
        while (!path.empty()) {
            TGIS_Extent ext = page.Extent();
            Page parent = path.back();
            path.pop_back();
            int k = parent.IndexOfChild(page.num);
            if (k < 0) Corrupt();
            if (GisIsSameExtent(parent.e[k].ext, ext)) return;
            parent.e[k].ext = ext;
            WritePage(parent);
            page = parent;
        }
    }

    void Insert(const TGIS_Extent& ext, int32_t id) {
        BeginChange();
        std::vector<Page> path;
        Page page;
        ReadPage(page, rootPage);
        while (page.kind == kInner) {
            if (static_cast<int>(path.size()) >= kMaxDepth) Corrupt();
            path.push_back(page);
            int32_t child = page.e[ChooseSubtree(page, ext)].id;
            ReadPage(page, child);
        }
        InsertOrdered(page, ext, id);
        Store(path, page);
        ++itemCount;
        SaveHeader();
    }

    // Which entries meet the extent is decided for the whole page at once, without a branch per entry: whether
    // an entry is hit cannot be predicted, and the tests are most of a search.
    Frame OpenFrame(int32_t n) const {
        if (n < 1 || n >= TotalPages()) Corrupt();
        const uint8_t* b = image.data() + static_cast<size_t>(n) * kPageSize;
        const int32_t kind = Get<int32_t>(b, 0), count = Get<int32_t>(b, 4);
        if ((kind != kInner && kind != kLeaf) || count < 0 || count >= kEntries) Corrupt();
        const TGIS_Extent& s = searchExtent;
        uint32_t hits = 0;
        for (int i = 0; i < count; ++i) {
            TGIS_Extent e;
            std::memcpy(&e, b + 8 + i * 36, sizeof e);
            hits |= uint32_t(Meets(e, s)) << i;
        }
        return {n, kind, hits, 0};
    }

    int32_t FindNext() {
        while (!search.empty()) {
            Frame& f = search.back();
            const uint8_t* entries = image.data() + static_cast<size_t>(f.page) * kPageSize + 8;
            while (f.hits != 0) {
                const int i = __builtin_ctz(f.hits);
                f.hits &= f.hits - 1;
                f.next = i + 1;
                const int32_t id = Get<int32_t>(entries + i * 36, 32);
                if (f.kind == kInner) {
                    if (static_cast<int>(search.size()) >= kMaxDepth || id == f.page) Corrupt();
                    const Frame child = OpenFrame(id);
                    ++searchPages;
                    ++walked;
                    search.push_back(child);
                    goto descended;
                }
                if (searchId < 0 || id == searchId) return id;
            }
            search.pop_back();
        descended:;
        }
        return -1;
    }

    int32_t WalkFirst(const TGIS_Extent& ext, int32_t id) {
        searchPacked = false;
        search.clear();
        searchExtent = ext;
        searchId = id;
        search.push_back(OpenFrame(rootPage));
        searchPages = 1;
        ++walked;
        return FindNext();
    }

    int32_t FindFirst(const TGIS_Extent& ext, int32_t id) {
        if (!packed && !unpackable && walked >= std::max<int64_t>(pageCount, 64)) BuildPacked();
        if (!packed) return WalkFirst(ext, id);
        search.clear();
        searchPacked = true;
        searchPages = packed->Search(ext, id, packedHits);
        packedNext = 0;
        return NextHit();
    }

    int32_t NextHit() {
        if (searchPacked) return packedNext < packedHits.size() ? packedHits[packedNext++].second : -1;
        return FindNext();
    }

    void DropPacked() {
        packed.reset();
        unpackable = false;
        walked = 0;
        searchPacked = false;
        packedHits.clear();
    }

    // The leaf entries in the order of a walk: children in the order of their page's entries.
    void BuildPacked() {
        std::vector<Packed::Item> items;
        items.reserve(static_cast<size_t>(itemCount));
        std::vector<std::pair<int32_t, int>> todo{{rootPage, 0}};
        Page p;
        while (!todo.empty()) {
            const auto [n, depth] = todo.back();
            todo.pop_back();
            if (depth > kMaxDepth) Corrupt();
            ReadPage(p, n);
            if (p.kind == kInner) {
                for (int i = p.count - 1; i >= 0; --i) todo.push_back({p.e[i].id, depth + 1});
                continue;
            }
            for (int i = 0; i < p.count; ++i) {
                const TGIS_Extent& e = p.e[i].ext;
                if (std::isnan(e.XMin) || std::isnan(e.YMin) || std::isnan(e.XMax) || std::isnan(e.YMax)) {
                    unpackable = true;
                    return;
                }
                items.push_back({e, p.e[i].id, static_cast<int32_t>(items.size())});
            }
        }
        packed = std::make_unique<Packed>(std::move(items));
    }

    bool Delete(const TGIS_Extent& ext, int32_t id) {
        if (WalkFirst(ext, id) < 0) return false;
        BeginChange();
        std::vector<Page> path(search.size() - 1);
        for (size_t i = 0; i + 1 < search.size(); ++i) ReadPage(path[i], search[i].page);
        Page page;
        ReadPage(page, search.back().page);
        page.Remove(search.back().next - 1);
        search.clear();
        for (;;) {
            if (page.count > 0) {
                WritePage(page);
                AdjustUp(path, page);
                break;
            }
            if (path.empty()) {
                page.kind = kLeaf;
                WritePage(page);
                break;
            }
            Page parent = path.back();
            path.pop_back();
            int k = parent.IndexOfChild(page.num);
            if (k < 0) Corrupt();
            FreePageAt(page.num);
            parent.Remove(k);
            page = parent;
        }
        --itemCount;
        SaveHeader();
        return true;
    }

    void Clear() {
        if (itemCount < 1) return;
        SaveHeader();
        search.clear();
        std::string p = path;
        CloseFile();
        if (!p.empty() && !DiskRemove(p)) p.clear();
        Open(p);
    }
};

TGIS_RTree::TGIS_RTree(const std::string& path) : impl_(std::make_unique<TImpl>()) { impl_->Open(path); }

TGIS_RTree::~TGIS_RTree() {
    try {
        impl_->SaveHeader();
    } catch (const Exception&) {
    }
}

bool TGIS_RTree::IsEmpty() const { return impl_->itemCount < 1; }
void TGIS_RTree::Insert(const TGIS_Extent& extent, int32_t id) { impl_->Insert(extent, id); }
bool TGIS_RTree::Delete(const TGIS_Extent& extent, int32_t id) { return impl_->Delete(extent, id); }
int32_t TGIS_RTree::FindFirst(const TGIS_Extent& extent, int32_t id) { return impl_->FindFirst(extent, id); }
int32_t TGIS_RTree::FindNext() { return impl_->NextHit(); }
void TGIS_RTree::Clear() { impl_->Clear(); }
const std::string& TGIS_RTree::Path() const { return impl_->path; }
double TGIS_RTree::FileDate() const { return impl_->fileDate; }
int32_t TGIS_RTree::ItemCount() const { return impl_->itemCount; }
int32_t TGIS_RTree::PageCount() const { return impl_->pageCount; }
int32_t TGIS_RTree::RootPage() const { return impl_->rootPage; }
int32_t TGIS_RTree::SearchPageCount() const { return impl_->searchPages; }
