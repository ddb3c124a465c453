#include "platform/ui/ImgList.h"

#include "platform/ui/QtGlue.h"

struct TCustomImageList::Image {
    TBitmap bits;
    std::vector<bool> mask;  // true: transparent
};

const TClassInfo& TCustomImageList::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TCustomImageList", &TComponent::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<TCustomImageList, int>("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth, 16),
                   OrdProp<TCustomImageList, int>("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight,
                                                  16),
                   OrdProp<TCustomImageList, TColor>("BkColor", &TCustomImageList::BkColor,
                                                     &TCustomImageList::SetBkColor, clNone)};
        return c;
    }();
    return ci;
}
QM_CLASS_RECORD(TImageList, TCustomImageList)

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}
TCustomImageList::~TCustomImageList() = default;

void TCustomImageList::SetWidth(int w) {
    if (w == width_ || w <= 0) return;
    width_ = w;
    Clear();
}
void TCustomImageList::SetHeight(int h) {
    if (h == height_ || h <= 0) return;
    height_ = h;
    Clear();
}

int TCustomImageList::AddImages(TBitmap* image, const std::function<bool(int, int)>& transparent) {
    if (!image || image->Empty()) return -1;
    int first = Count();
    int n = std::max(1, image->Width() / width_);
    for (int k = 0; k < n; ++k) {
        auto img = std::make_unique<Image>();
        img->bits.SetPixelFormat(pf32bit);
        img->bits.SetSize(width_, height_);
        img->bits.Canvas()->BitBlt(0, 0, width_, height_, image->Canvas(), k * width_, 0, SRCCOPY);
        img->mask.assign(size_t(width_) * size_t(height_), true);
        for (int y = 0; y < height_ && y < image->Height(); ++y)
            for (int x = 0; x < width_ && k * width_ + x < image->Width(); ++x)
                img->mask[size_t(y) * size_t(width_) + size_t(x)] = transparent(k * width_ + x, y);
        images_.push_back(std::move(img));
    }
    return first;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
    return AddImages(image, [mask](int x, int y) {
        return mask && x < mask->Width() && y < mask->Height() && mask->Canvas()->Pixel(x, y) == clWhite;
    });
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
    TColor key = ColorToRGB(maskColor);
    return AddImages(image, [image, key](int x, int y) { return image->Canvas()->Pixel(x, y) == key; });
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
    if (index < 0 || index >= Count()) throw ERangeError("Invalid image list index");
    std::vector<std::unique_ptr<Image>> keep;
    keep.swap(images_);
    Add(image, mask);
    std::unique_ptr<Image> made = images_.empty() ? nullptr : std::move(images_.front());
    images_.swap(keep);
    if (made) images_[size_t(index)] = std::move(made);
}

void TCustomImageList::Delete(int index) {
    if (index < 0 || index >= Count()) throw ERangeError("Invalid image list index");
    images_.erase(images_.begin() + index);
}

void TCustomImageList::Clear() { images_.clear(); }

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
    if (!canvas || index < 0 || index >= Count()) return;
    const Image& im = *images_[size_t(index)];
    TColor hi = ColorToRGB(clBtnHighlight), sh = ColorToRGB(clBtnShadow);
    auto dark = [&](int px, int py) {
        TColor c = im.bits.Image()->Pixels().pixel(px, py) & 0xFFFFFF;
        int lum = (qRed(c) * 30 + qGreen(c) * 59 + qBlue(c) * 11) / 100;
        return lum < 192;
    };
    if (enabled) {
        for (int py = 0; py < height_; ++py)
            for (int px = 0; px < width_; ++px)
                if (!im.mask[size_t(py) * size_t(width_) + size_t(px)])
                    canvas->SetPixel(x + px, y + py, FromQRgb(im.bits.Image()->Pixels().pixel(px, py)));
        return;
    }
    for (int pass = 0; pass < 2; ++pass)
        for (int py = 0; py < height_; ++py)
            for (int px = 0; px < width_; ++px)
                if (!im.mask[size_t(py) * size_t(width_) + size_t(px)] && dark(px, py))
                    canvas->SetPixel(x + px + (pass == 0 ? 1 : 0), y + py + (pass == 0 ? 1 : 0), pass == 0 ? hi : sh);
}

void TCustomImageList::GetBitmap(int index, TBitmap* dest) const {
    if (!dest || index < 0 || index >= Count()) return;
    dest->SetSize(width_, height_);
    dest->Canvas()->Brush()->SetColor(bkColor_ == clNone ? clWhite : bkColor_);
    dest->Canvas()->FillRect(TRect(0, 0, width_, height_));
    Draw(dest->Canvas(), 0, 0, index, true);
}
