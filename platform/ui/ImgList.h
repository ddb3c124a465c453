// Image lists: images of one size, each with its transparent mask, drawn normally or in the disabled look.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Component.h"

class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* owner);
    ~TCustomImageList() override;
    QM_CLASS_INFO
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changing the size empties the list.
    void SetWidth(int w);
    void SetHeight(int h);
    int Count() const { return int(images_.size()); }
    // A bitmap wider than the list holds several images side by side; all are added. Answers the first index.
    // mask: white pixels are transparent (nullptr: none).
    int Add(TBitmap* image, TBitmap* mask);
    // Pixels of the mask colour are transparent.
    int AddMasked(TBitmap* image, TColor maskColor);
    void Replace(int index, TBitmap* image, TBitmap* mask);
    void Delete(int index);
    void Clear();
    // Disabled: the image's shape embossed in the highlight and shadow colours.
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;
    // The image on the background colour of the list.
    void GetBitmap(int index, TBitmap* dest) const;
    TColor BkColor() const { return bkColor_; }
    void SetBkColor(TColor c) { bkColor_ = c; }

private:
    struct Image;
    int AddImages(TBitmap* image, const std::function<bool(int, int)>& transparent);
    int width_ = 16, height_ = 16;
    TColor bkColor_ = clNone;
    std::vector<std::unique_ptr<Image>> images_;
};

class TImageList : public TCustomImageList {
public:
    using TCustomImageList::TCustomImageList;
    QM_CLASS_INFO
};
