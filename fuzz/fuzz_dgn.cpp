// Arbitrary bytes as a design file: opening, scanning, reading every field and seeking every uid must never
// misbehave; a file that is no design file is refused with 0034.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gis/layers/GisLayerDGN.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/qm_fuzz_dgn_" + std::to_string(getpid()) + ".dgn";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    try {
        TGIS_LayerDGN layer;
        layer.UseConfig = false;
        layer.UseFileParams = size > 0 && (data[size - 1] & 1);
        layer.Path = path;
        layer.Open(nullptr);
        layer.SetFilter(GisFullExtent(), "");
        std::vector<int32_t> uids;
        for (layer.ScanFirst(); !layer.ScanEof(); layer.ScanNext()) {
            TGIS_Shape* s = layer.ScanCurrent();
            if (!uids.empty() && s->Uid <= uids.back()) __builtin_trap();
            uids.push_back(s->Uid);
            // Every value straight by its index; by name (a linear search over up to 515 fields) only the
            // file's own fields and the last one, or the names would cost more than the reading.
            const int values = s->Values ? s->Values->Count() : 0;
            if (values > int(layer.Fields.size())) __builtin_trap();
            for (int i = 0; i < values; ++i) (void)s->Values->GetItem(i);
            for (size_t i = 0; i < 3; ++i) (void)s->GetField(layer.Fields[i]->NewName);
            (void)s->GetField(layer.Fields.back()->NewName);
            (void)s->GetExtent();
        }
        const int32_t last = layer.GetLastUid();
        if (!uids.empty() && last != uids.back()) __builtin_trap();
        for (int32_t uid : uids) {
            TGIS_Shape* s = layer.GetShape(uid);
            if (!s || s->Uid != uid) __builtin_trap();
        }
        (void)layer.GetShape(last + 1);
    } catch (const EGIS_Exception& e) {
        if (e.ErrorCode != 34) __builtin_trap();
    } catch (const EFOpenError&) {
        // an empty file cannot be mapped
    }
    std::remove(path.c_str());
    return 0;
}
