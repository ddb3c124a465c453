#include "platform/ui/Graphics.h"

#include "platform/ui/QtGlue.h"

// ---------------------------------------------------------------- painted image
QPainter* TPaintedImage::KeptPainter(const QRegion& clip, bool plain) {
    if (img_.isNull()) return nullptr;
    if (!painter_) painter_ = std::make_unique<QPainter>();
    if (!painter_->isActive()) {
        if (!painter_->begin(&img_)) return nullptr;
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setRenderHint(QPainter::TextAntialiasing, false);
        painter_->setClipRegion(clip);
        clip_ = clip;
        beginPen_ = painter_->pen();
        beginBrush_ = painter_->brush();
        penBrushSet_ = false;
    } else if (clip != clip_) {
        painter_->setClipRegion(clip);
        clip_ = clip;
    }
    if (plain) {
        penBrushSet_ = true;
    } else if (penBrushSet_) {
        painter_->setPen(beginPen_);
        painter_->setBrush(beginBrush_);
        penBrushSet_ = false;
    }
    return painter_.get();
}

TSpanRaster& TPaintedImage::Spans(const QRegion* clip, uint32_t rgb) {
    if (!img_.isDetached()) EndPainting();
    if (!spans_) spans_ = std::make_unique<TSpanRaster>();
    spans_->Begin(img_, clip, rgb);
    return *spans_;
}

void TPaintedImage::EndPainting() const {
    if (painter_ && painter_->isActive()) painter_->end();
}
