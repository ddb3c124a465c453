// Inside the platform layer only: how our objects sit on Qt. Never included by a header outside platform/ui.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <string>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphics.h"

QString FromGbk(const std::string& s);
std::string ToGbk(const QString& s);

inline QColor ToQColor(TColor c) {
    TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}
inline TColor FromQRgb(QRgb v) { return RGB(qRed(v), qGreen(v), qBlue(v)); }
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); }
inline TRect FromQRect(const QRect& r) { return TRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height()); }

// Creates the backend application when nothing has yet (text needs it, even on bitmaps).
void EnsureGuiApplication();

// The Qt font for a font at a device resolution.
QFont ToQFont(const TFont& f);

class TRegionData {
public:
    QRegion r;
};

// What a canvas paints on: an image (bitmaps, back surfaces) or a painter kept open by the printer.
class TCanvasDevice {
public:
    virtual ~TCanvasDevice() = default;
    virtual QImage* Image() { return nullptr; }
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
    explicit TImageDevice(QImage* img) : img_(img) {}
    QImage* Image() override { return img_; }
    int Width() override { return img_->width(); }
    int Height() override { return img_->height(); }

private:
    QImage* img_;
};

class TBitmapImage {
public:
    QImage img;
};

// Puts image pixels into r of a canvas through its copy mode; pixels equal to *key (0xRRGGBB) are skipped.
void CanvasDrawImage(TCanvas* canvas, const TRect& r, const QImage& img, const uint32_t* key);

// Image of a bitmap, as it is stored.
inline QImage& BitmapQImage(const TBitmap& b) { return b.Image()->img; }

// Paints with Qt on a canvas's device, in its logical coordinates, within its clip.
void CanvasPaint(TCanvas* canvas, const std::function<void(QPainter&)>& paint);
