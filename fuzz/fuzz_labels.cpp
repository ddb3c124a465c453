// Label wrapping and drawing of any text, alignment and box on a small bitmap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gis/layers/GisLabelsArea.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int alignment = data[0] % 6;
    // Widths up to about 1000 pixels, including none and negative; heights up to a dozen lines.
    const int width = int(int8_t(data[1])) * 8;
    const int height = data[2] % 200;
    const int offset = data[3] % 64;
    const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);

    static TBitmap bmp(96, 64, pf24bit);
    TGIS_LabelsArea area(nullptr);
    const TSize used = area.PrepareText(bmp.Canvas(), text, alignment, TSize{width, height});
    if (used.cx < 0 || used.cy < 0 || used.cy > height) abort();
    // Every line starts and ends between whole characters (a GBK lead byte takes the next byte).
    std::string boundary(text.size() + 1, 0);
    for (size_t i = 0; i <= text.size();) {
        boundary[i] = 1;
        const auto c = static_cast<unsigned char>(i < text.size() ? text[i] : 0);
        i += c >= 0x81 && c <= 0xFE && i + 1 < text.size() ? 2 : 1;
    }
    for (const T_textLine& l : area.Lines()) {
        if (l.Start < 0 || l.Count < 0 || size_t(l.Start) + size_t(l.Count) > text.size()) abort();
        if (!boundary[size_t(l.Start)] || !boundary[size_t(l.Start + l.Count)]) abort();
    }
    area.DrawText(bmp.Canvas(), text, alignment, TRect(offset - 32, offset - 32, offset + used.cx, offset + used.cy));
    // Lines prepared for this text drawn with a shorter one.
    area.DrawText(bmp.Canvas(), text.substr(0, text.size() / 2), alignment, TRect(0, 0, 96, 64));
    return 0;
}
