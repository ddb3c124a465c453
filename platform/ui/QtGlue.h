// Inside the platform layer only: how our objects sit on Qt. Never included by a header outside platform/ui.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <memory>
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/SpanRaster.h"

QString FromGbk(const std::string& s);
std::string ToGbk(const QString& s);

inline QColor ToQColor(TColor c) {
    TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}
inline TColor FromQRgb(QRgb v) { return RGB(qRed(v), qGreen(v), qBlue(v)); }
// Rectangles and regions keep to 2^27 pixels each way, as the system's regions do: beyond that their sizes
// would not fit an int.
constexpr int kRectLimit = 1 << 27;
inline int RectCoord(int v) { return v < -kRectLimit ? -kRectLimit : v > kRectLimit ? kRectLimit : v; }
inline QRect ToQRect(const TRect& r) {
    const int l = RectCoord(r.Left), t = RectCoord(r.Top);
    return QRect(l, t, RectCoord(r.Right) - l, RectCoord(r.Bottom) - t);
}
inline TRect FromQRect(const QRect& r) { return TRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height()); }

// Creates the backend application when nothing has yet (text needs it, even on bitmaps).
void EnsureGuiApplication();

// The Qt font for a font at a device resolution.
QFont ToQFont(const TFont& f);

class TRegionData {
public:
    QRegion r;
};

// An image and the painter that drawing keeps open on it from one canvas call to the next (beginning a
// painter for every call costs more than most shapes). Whatever else reads, writes, copies or replaces the
// pixels goes through Pixels(), which ends that painter first: a painter left open would draw into a copy
// sharing the pixels, or into pixels already replaced.
class TPaintedImage {
public:
    TPaintedImage() = default;
    ~TPaintedImage() { EndPainting(); }
    TPaintedImage(const TPaintedImage&) = delete;
    TPaintedImage& operator=(const TPaintedImage&) = delete;

    QImage& Pixels() {
        EndPainting();
        return img_;
    }
    const QImage& Pixels() const {
        EndPainting();
        return img_;
    }
    // Spans written straight into the pixels alongside the kept painter, which draws straight into them too;
    // pixels shared with a copy end it, so that the copy is made before anything more is drawn.
    TSpanRaster& Spans(const QRegion* clip, uint32_t rgb);
    // Only the shape and the format, which drawing never changes.
    QImage::Format Format() const { return img_.format(); }
    int Width() const { return img_.width(); }
    int Height() const { return img_.height(); }
    QSize Size() const { return img_.size(); }
    bool IsNull() const { return img_.isNull(); }

    // The kept painter, begun when none is, without antialiasing and clipped to clip; nullptr for an image
    // without pixels. It stays valid until this image goes, even when painting ends meanwhile. A plain user
    // sets the pen and the brush and nothing else, and may leave them set: the next user that is not plain
    // finds them as they were at the beginning.
    QPainter* KeptPainter(const QRegion& clip, bool plain);
    void EndPainting() const;
    bool Painting() const { return painter_ && painter_->isActive(); }

private:
    QImage img_;
    mutable std::unique_ptr<QPainter> painter_;
    QRegion clip_;
    QPen beginPen_;
    QBrush beginBrush_;
    bool penBrushSet_ = false;
    std::unique_ptr<TSpanRaster> spans_;
};

// What a canvas paints on: an image (bitmaps, back surfaces) or a painter kept open by the printer.
class TCanvasDevice {
public:
    virtual ~TCanvasDevice() = default;
    virtual TPaintedImage* Image() { return nullptr; }
    // For devices that are not images: the open painter.
    virtual QPainter* OpenPainter() { return nullptr; }
    virtual int Width() = 0;
    virtual int Height() = 0;
    virtual int Dpi() { return 96; }
    // Called after each drawing operation (a back surface asks its widget to show the change).
    virtual void Changed(const QRect&) {}
};

class TImageDevice : public TCanvasDevice {
public:
    explicit TImageDevice(TPaintedImage* img) : img_(img) {}
    TPaintedImage* Image() override { return img_; }
    int Width() override { return img_->Width(); }
    int Height() override { return img_->Height(); }

private:
    TPaintedImage* img_;
};

class TBitmapImage : public TPaintedImage {};

// Puts image pixels into r of a canvas through its copy mode; pixels equal to *key (0xRRGGBB) are skipped.
void CanvasDrawImage(TCanvas* canvas, const TRect& r, const QImage& img, const uint32_t* key);

// Image of a bitmap, as it is stored.
inline QImage& BitmapQImage(const TBitmap& b) { return b.Image()->Pixels(); }

// Paints with Qt on a canvas's device, in its logical coordinates, within its clip.
void CanvasPaint(TCanvas* canvas, const std::function<void(QPainter&)>& paint);
