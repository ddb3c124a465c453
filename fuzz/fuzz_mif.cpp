// Bytes as a MIF/MID pair (the ".mid" after the first "@@MID@@", if any): the pair opens, scans, gives every
// field of every shape and every uid, and what the layer writes back opens again.
#include <string.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gis/layers/GisLayerMIF.h"
#include "platform/rtl/FileIO.h"

namespace {

void Visit(TGIS_LayerMIF& l) {
    volatile double sink = 0;
    l.SetFilter(GisFullExtent(), "");
    for (l.ScanFirst(); !l.ScanEof(); l.ScanNext()) {
        TGIS_Shape* s = l.ScanCurrent();
        for (auto& f : l.Fields) sink = sink + double(VarToStr(s->GetField(f->NewName)).size());
        const TGIS_Extent e = s->GetExtent();
        sink = sink + e.XMin + e.YMax;
    }
    for (int32_t uid = 0; uid <= l.GetLastUid() + 1; ++uid)
        if (TGIS_Shape* s = l.GetShape(uid)) sink = sink + s->GetNumPoints();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string base = [] {
        static std::string b = "/tmp/fuzz_mif_" + std::to_string(getpid());
        std::atexit([] {
            for (const char* ext : {".mif", ".mid", "_out.mif", "_out.mid", "_out.mif~", "_out.mid~"})
                unlink((b + ext).c_str());
        });
        return b;
    }();
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* cut = memmem(data, size, "@@MID@@", 7);
    const size_t mifSize = cut ? size_t(static_cast<const char*>(cut) - bytes) : size;
    if (!DiskWriteAll(base + ".mif", std::string(bytes, mifSize))) return 0;
    unlink((base + ".mid").c_str());
    if (cut && !DiskWriteAll(base + ".mid", std::string(bytes + mifSize + 7, size - mifSize - 7))) return 0;

    TGIS_LayerMIF l;
    l.UseConfig = false;
    l.Path = base + ".mif";
    l.Open(nullptr);
    Visit(l);
    l.WriteFromLayer(l, base + "_out.mif", GisFullExtent(), 0, "", false);
    if (l.Shapes.empty()) return 0;
    TGIS_LayerMIF back;
    back.UseConfig = false;
    back.Path = base + "_out.mif";
    back.Open(nullptr);
    Visit(back);
    return 0;
}
