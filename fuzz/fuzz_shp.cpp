// Arbitrary bytes as a shapefile: the first four bytes give the length of the ".shp" part, the rest is the ".shx";
// the ".dbf" is a fixed one. Opening, scanning, reading every field and fetching every uid must never misbehave.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisLayerSHP.h"

namespace {

void Put(const std::string& path, const void* data, size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

// Three records of one text and one number column.
std::string Table() {
    std::string t(32, '\0');
    t[0] = 3;
    t[4] = 3;
    t[8] = char(32 + 64 + 1);
    t[10] = 1 + 6 + 5;
    std::string d(32, '\0');
    std::memcpy(&d[0], "NAME", 4);
    d[11] = 'C';
    d[16] = 6;
    t += d;
    std::memcpy(&d[0], "N\0\0\0", 4);
    d[11] = 'N';
    d[16] = 5;
    t += d;
    t += "\x0D";
    t += std::string(" first ") + "   12" + " second" + " -3.5" + " third " + "*****" + "\x1A";
    return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string base = "/tmp/qm_fuzz_shp_" + std::to_string(getpid());
    static const std::string table = Table();
    uint32_t split = 0;
    if (size >= 4) std::memcpy(&split, data, 4);
    const size_t rest = size >= 4 ? size - 4 : 0;
    const size_t shp = rest ? split % (rest + 1) : 0;
    Put(base + ".shp", data + (size - rest), shp);
    Put(base + ".shx", data + (size - rest) + shp, rest - shp);
    Put(base + ".dbf", table.data(), table.size());
    try {
        TGIS_LayerSHP layer;
        layer.UseConfig = false;
        layer.Path = base + ".shp";
        layer.Open(nullptr);
        layer.SetFilter(GisFullExtent(), "");
        int n = 0;
        for (layer.ScanFirst(); !layer.ScanEof() && n < 100000; layer.ScanNext(), ++n) {
            TGIS_Shape* s = layer.ScanCurrent();
            (void)s->GetExtent();
            (void)s->Centroid();
            for (auto& f : layer.Fields) (void)VarToStr(s->GetField(f->NewName));
        }
        const int32_t last = layer.GetLastUid();
        for (int32_t uid = 0; uid <= last + 1 && uid < 2000; ++uid)
            if (TGIS_Shape* s = layer.GetShape(uid)) (void)s->GetNumPoints();
    } catch (const EGIS_Exception& e) {
        if (e.ErrorCode != 34) __builtin_trap();
    } catch (const EStreamError&) {
        // an empty ".shp" cannot be mapped
    }
    for (const char* ext : {".shp", ".shx", ".dbf"}) std::remove((base + ext).c_str());
    return 0;
}
