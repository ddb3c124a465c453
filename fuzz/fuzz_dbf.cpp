// Arbitrary bytes as a dBASE table: opening it and reading every value of every record must never misbehave.
// The first byte, when odd, declares the columns binary as a MapInfo table does.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisFileDBF.h"
#include "gis/layers/GisLayerVector.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/qm_fuzz_dbf_" + std::to_string(getpid()) + ".dbf";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    try {
        TGIS_LayerVector layer;
        layer.UseConfig = false;
        TGIS_FileDBF t(path, false, &layer);
        if (size > 0 && (data[0] & 1))
            for (auto& f : layer.Fields) f->BinaryWidth = f->Width > 8 ? 8 : f->Width;
        const uint32_t count = t.RecordCount() < 300 ? t.RecordCount() : 300;
        for (uint32_t r = 0; r <= count + 1; ++r)
            for (auto& f : layer.Fields) {
                const Variant v = t.ReadFieldValue(int32_t(r), f->Name);
                (void)VarToStr(v);
            }
    } catch (const EGIS_Exception& e) {
        if (e.ErrorCode != 11 && e.ErrorCode != 34) __builtin_trap();
    } catch (const EStreamError&) {
    }
    std::remove(path.c_str());
    return 0;
}
