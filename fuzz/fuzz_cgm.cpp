// Bytes as a CGM symbol file, in either encoding (a text that is neither is also tried behind "BEGMF;"):
// a file loads, is refused as corrupted or (a text without BEGMF) as no metafile, never anything else, and
// every record it gives replays through the symbol's scale, rotation and anchors without overflow.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisSymbol.h"
#include "platform/rtl/FileIO.h"

namespace {

void Replay(TGIS_SymbolCgm& s) {
    for (double scale : {1.0, 1e7}) {
        s.Scale = scale;
        s.SetAngle(0.7);
        // Sums wrap: only the symbol's own arithmetic is checked.
        volatile uint64_t sink = uint64_t(int64_t(s.GetWidth())) + uint64_t(int64_t(s.GetHeight())) +
                                 uint64_t(int64_t(s.NaturalWidth())) + uint64_t(int64_t(s.NaturalHeight()));
        const uint8_t* p = s.Records.data();
        const uint8_t* end = p + s.Records.size();
        bool ended = false;
        while (end - p >= ptrdiff_t(sizeof(TGIS_SymbolCgm::TRecord))) {
            TGIS_SymbolCgm::TRecord r;
            std::memcpy(&r, p, sizeof r);
            p += sizeof r;
            if (r.Kind == TGIS_SymbolCgm::rkEnd) {
                ended = true;
                break;
            }
            if (r.Kind > 2 || r.Count > 131073 || uint64_t(end - p) < uint64_t(r.Count) * 8) __builtin_trap();
            sink = sink + uint64_t(int64_t(s.ScaleLength(r.PenWidth)));
            for (uint32_t i = 0; i < r.Count; ++i, p += 8) {
                int32_t v[2];
                std::memcpy(v, p, sizeof v);
                const TPoint q = s.RotatePoint(v[0], v[1]);
                sink = sink + uint64_t(int64_t(q.X)) + uint64_t(int64_t(q.Y));
            }
        }
        if (!ended || p != end) __builtin_trap();
    }
}

void Load(const std::string& path, const std::string& bytes) {
    if (!DiskWriteAll(path, bytes)) return;
    try {
        TGIS_SymbolCgm s(path);
        if (!(s.NaturalSize > 0)) __builtin_trap();
        Replay(s);
    } catch (const EGIS_Exception& e) {
        if (e.ErrorCode != 34) __builtin_trap();
    } catch (const EConvertError&) {
        // a text without BEGMF
        if (!bytes.empty() && bytes[0] == 0) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        static std::string p = "/tmp/fuzz_cgm_" + std::to_string(getpid()) + ".cgm";
        std::atexit([] { unlink(p.c_str()); });
        return p;
    }();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Load(path, bytes);
    if (size > 0 && data[0] != 0 && (size < 5 || std::memcmp(data, "BEGMF", 5) != 0)) Load(path, "BEGMF;" + bytes);
    return 0;
}
