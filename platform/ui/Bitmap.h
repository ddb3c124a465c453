// Graphics held in memory: the graphic base, the device-independent bitmap and the picture, which loads any
// registered file format by its extension.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>
#include <string>

#include "platform/rtl/Classes.h"
#include "platform/ui/Graphics.h"

class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int w) = 0;
    virtual void SetHeight(int h) = 0;
    virtual bool Empty() const { return Width() == 0 || Height() == 0; }
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool t) { transparent_ = t; }
    // Raise EInvalidGraphic for unreadable or malformed files, EFOpenError-like Exception when missing.
    virtual void LoadFromFile(const std::string& path) = 0;
    virtual void SaveToFile(const std::string& path) const = 0;
    // Loads refuse, with EInvalidGraphic and before any pixel buffer is made, a picture of more pixels than this
    // (0: only the bitmap's own bound).
    void SetMaxPixels(uint64_t n) { maxPixels_ = n; }
    virtual void Assign(const TGraphic& src) = 0;
    // Draws the graphic stretched into r of the canvas (transparent pixels left alone when Transparent).
    virtual void Draw(TCanvas* canvas, const TRect& r) const = 0;
    std::function<void()> OnChange;

protected:
    void Changed() {
        if (OnChange) OnChange();
    }
    bool transparent_ = false;
    uint64_t maxPixels_ = 0;
    // The most pixels a load may decode: maxPixels_ within the bitmap's own bound.
    uint64_t PixelBound() const;
    // Throws EInvalidGraphic when w by h pixels are none or more than PixelBound.
    void CheckPixels(int64_t w, int64_t h) const;
};

// Clipboard formats a bitmap loads from.
enum : uint16_t { CF_BITMAP = 2, CF_DIB = 8 };

enum TPixelFormat : uint8_t { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode : uint8_t { tmAuto, tmFixed };
enum TBitmapHandleType : uint8_t { bmDIB, bmDDB };

class TBitmapImage;

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int w, int h, TPixelFormat pf = pf32bit);
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const override;
    int Height() const override;
    void SetWidth(int w) override;
    void SetHeight(int h) override;
    // New pixels are white; kept pixels keep their place.
    void SetSize(int w, int h);
    TPixelFormat PixelFormat() const { return pf_; }
    void SetPixelFormat(TPixelFormat pf);
    TBitmapHandleType HandleType() const { return handleType_; }
    void SetHandleType(TBitmapHandleType t) { handleType_ = t; }
    bool Monochrome() const { return pf_ == pf1bit; }
    void SetMonochrome(bool m);
    TCanvas* Canvas();
    // Row y counted from the top: pf24bit rows hold B, G, R, others B, G, R, X; rows are 4-byte aligned.
    void* ScanLine(int y);
    int BytesPerScanLine() const;

    TColor TransparentColor() const;  // tmAuto: the bottom-left pixel
    void SetTransparentColor(TColor c);
    TTransparentMode TransparentMode() const { return tmode_; }
    void SetTransparentMode(TTransparentMode m) { tmode_ = m; }

    // BMP (1, 4, 8, 24, 32 bits, uncompressed or RLE) and PNG by content; a file is read through LoadFromStream.
    void LoadFromFile(const std::string& path) override;
    // The rest of the stream from its position.
    virtual void LoadFromStream(TStream& stream);
    // A picture as a form keeps it: a 32-bit little-endian byte count, then that many bytes of a file as
    // LoadFromFile reads it. EInvalidGraphic when the count runs past the data.
    void LoadFromData(const std::string& data);
    // The clipboard's picture, asked for as CF_BITMAP or CF_DIB; EInvalidGraphic for other formats or when the
    // clipboard holds no picture.
    virtual void LoadFromClipboardFormat(uint16_t format);
    // BMP in the bitmap's pixel format (24 bits for the device format).
    void SaveToFile(const std::string& path) const override;
    void SaveToPNG(const std::string& path) const;
    void Assign(const TGraphic& src) override;
    void Draw(TCanvas* canvas, const TRect& r) const override;
    void Dormant() {}
    void FreeImage() {}

    TBitmapImage* Image() const { return img_.get(); }
    // Unique among all bitmaps the process ever made, so a bitmap made where a freed one stood differs.
    uint64_t Identity() const { return identity_; }

private:
    std::unique_ptr<TBitmapImage> img_;
    uint64_t identity_;
    std::unique_ptr<TCanvas> canvas_;
    TPixelFormat pf_ = pfDevice;
    // A size with one side 0 has no pixels; it is kept so that SetWidth then SetHeight works.
    int emptyW_ = 0, emptyH_ = 0;
    TBitmapHandleType handleType_ = bmDIB;
    TTransparentMode tmode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    void Rebind();
    void LoadFromBytes(const std::string& bytes);
};

// Bitmap resources of the program, by name (upper and lower case alike): a picture drawn as text rows, one
// character a pixel, each character's colour from the palette; all rows as wide as the first.
void RegisterBitmapResource(const std::string& name, const std::vector<std::string>& rows,
                            const std::map<char, TColor>& palette);
// Copies the resource into the bitmap (24 bits); false, the bitmap untouched, when there is none.
bool LoadBitmapResource(TBitmap& bitmap, const std::string& name);

// Factory of a graphic class for a file extension (lower case, without the dot).
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

class TPicture {
public:
    TPicture();
    ~TPicture();
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(const TGraphic* g);  // copied
    // The graphic as a bitmap; a bitmap is made (and replaces a graphic of another class) when needed.
    TBitmap* Bitmap();
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    // The class is chosen by the extension: EInvalidGraphic("Unknown picture file extension (.ext)").
    // maxPixels as for TGraphic::SetMaxPixels.
    void LoadFromFile(const std::string& path, uint64_t maxPixels = 0);
    void SaveToFile(const std::string& path) const;
    void Assign(const TPicture& other);
    std::function<void()> OnChange;

    static void RegisterFileFormat(const std::string& ext, const std::string& description, TGraphicFactory f);
    static void UnregisterFileFormat(const std::string& ext);
    static bool IsRegistered(const std::string& ext);

private:
    std::unique_ptr<TGraphic> graphic_;
};
