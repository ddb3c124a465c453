// Bytes as a picture symbol's file: the first byte picks BMP, PNG or JPEG, the rest is the file. A picture loads
// within the symbol's size bound or is refused as corrupt, never anything else, and whatever loads draws.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisSymbol.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string base = "/tmp/qm_fuzz_picture_" + std::to_string(getpid());
    static const bool ready = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        return true;
    }();
    (void)ready;
    if (size < 1) return 0;
    static const char* const kinds[] = {".bmp", ".png", ".jpg"};
    const std::string path = base + kinds[data[0] % 3];
    if (!DiskWriteAll(path, std::string(reinterpret_cast<const char*>(data + 1), size - 1))) return 0;
    try {
        TGIS_SymbolPicture s(path);
        if (s.Picture->Width() <= 0 || s.Picture->Height() <= 0 ||
            uint64_t(s.Picture->Width()) * uint64_t(s.Picture->Height()) > uint64_t(4096) * 4096)
            __builtin_trap();
        TBitmap target(32, 32, pf24bit);
        target.Canvas()->StretchDraw(TRect(0, 0, 32, 32), s.Picture->Graphic());
    } catch (const EGIS_Exception&) {
    }
    return 0;
}
