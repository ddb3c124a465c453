// JPEG pictures, decoded and encoded by libjpeg; registered with the picture class for ".jpg" and ".jpeg".
#pragma once

#include <algorithm>
#include <memory>

#include "platform/ui/Bitmap.h"

enum TJPEGPerformance : uint8_t { jpBestQuality, jpBestSpeed };

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    // Malformed or truncated data raise EInvalidGraphic; nothing of it is kept.
    void LoadFromFile(const std::string& path) override;
    void LoadFromMemory(const void* data, size_t size);
    void SaveToFile(const std::string& path) const override;
    void Assign(const TGraphic& src) override;
    void Draw(TCanvas* canvas, const TRect& r) const override;
    int CompressionQuality() const { return quality_; }
    void SetCompressionQuality(int q) { quality_ = std::clamp(q, 1, 100); }
    bool Grayscale() const { return grayscale_; }
    void SetGrayscale(bool g) { grayscale_ = g; }
    TJPEGPerformance Performance() const { return performance_; }
    void SetPerformance(TJPEGPerformance p) { performance_ = p; }
    // The decoded pixels (24 bits).
    TBitmap* Bitmap() const { return bitmap_.get(); }

private:
    std::unique_ptr<TBitmap> bitmap_;
    int quality_ = 90;
    bool grayscale_ = false;
    TJPEGPerformance performance_ = jpBestQuality;
};

// Registers the JPEG picture format (done once at start-up; repeated calls change nothing).
void RegisterJPEGFormat();
