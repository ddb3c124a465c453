// A bitmap that remembers the file it was loaded from, as layer configurations name it.
#pragma once

#include <string>

#include "platform/ui/Bitmap.h"

class TGIS_Bitmap : public TBitmap {
public:
    TGIS_Bitmap();
    ~TGIS_Bitmap() override;
    // Takes the source's Path when it is a TGIS_Bitmap, else none.
    void Assign(const TGraphic& src) override;
    void LoadFromFile(const std::string& path) override;
    // Content from elsewhere than a file: no Path.
    void LoadFromStream(TStream& stream) override;
    void LoadFromClipboardFormat(uint16_t format) override;

    // The file last loaded; empty when the content came from anywhere else.
    std::string Path;
};
