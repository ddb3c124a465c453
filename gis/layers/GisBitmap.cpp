#include "gis/layers/GisBitmap.h"

#include <memory>

#include "gis/core/GisParamsText.h"

TGIS_Bitmap::TGIS_Bitmap() = default;

TGIS_Bitmap::~TGIS_Bitmap() = default;

void TGIS_Bitmap::Assign(const TGraphic& src) {
    TBitmap::Assign(src);
    const auto* b = dynamic_cast<const TGIS_Bitmap*>(&src);
    Path = b ? b->Path : "";
}

void TGIS_Bitmap::LoadFromFile(const std::string& path) {
    TBitmap::LoadFromFile(path);
    Path = path;
}

void TGIS_Bitmap::LoadFromStream(TStream& stream) {
    TBitmap::LoadFromStream(stream);
    Path.clear();
}

void TGIS_Bitmap::LoadFromClipboardFormat(uint16_t format) {
    TBitmap::LoadFromClipboardFormat(format);
    Path.clear();
}

namespace {

TGIS_Bitmap* Load(const std::string& path) {
    auto b = std::make_unique<TGIS_Bitmap>();
    try {
        b->LoadFromFile(path);
    } catch (const Exception&) {
        return nullptr;
    }
    return b.release();
}

TGIS_Bitmap* Copy(const TGIS_Bitmap& source) {
    auto b = std::make_unique<TGIS_Bitmap>();
    b->Assign(source);
    return b.release();
}

std::string PathOf(const TGIS_Bitmap& bitmap) { return bitmap.Path; }

// The kernel's configuration reads and writes bitmaps through these from start-up on; the kernel holds a
// plain pointer, so the order in which units start does not matter.
const TGIS_BitmapProvider kProvider{Load, Copy, PathOf};
[[maybe_unused]] const bool kRegistered = (GisSetBitmapProvider(&kProvider), true);

}  // namespace
