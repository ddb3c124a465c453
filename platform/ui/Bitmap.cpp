#include "platform/ui/Bitmap.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <atomic>
#include <cstring>
#include <map>

#include "platform/rtl/FileIO.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/QtGlue.h"

namespace {
// Beyond this a bitmap's pixels are not worth trying to allocate.
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 28;

QImage::Format StorageFormat(TPixelFormat pf) { return pf == pf24bit ? QImage::Format_BGR888 : QImage::Format_RGB32; }

void PutLE(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
}
}  // namespace

namespace {
uint64_t NextBitmapIdentity() {
    static std::atomic<uint64_t> last{0};
    return ++last;
}
}  // namespace

TBitmap::TBitmap() : img_(std::make_unique<TBitmapImage>()), identity_(NextBitmapIdentity()) { Rebind(); }

TBitmap::TBitmap(int w, int h, TPixelFormat pf) : TBitmap() {
    pf_ = pf;
    SetSize(w, h);
}

TBitmap::~TBitmap() = default;

void TBitmap::Rebind() {
    if (!canvas_) canvas_ = std::make_unique<TCanvas>();
    canvas_->SetDevice(std::make_unique<TImageDevice>(img_.get()));
}

uint64_t TGraphic::PixelBound() const {
    return maxPixels_ ? std::min<uint64_t>(maxPixels_, kMaxBitmapPixels) : uint64_t(kMaxBitmapPixels);
}

void TGraphic::CheckPixels(int64_t w, int64_t h) const {
    if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) > PixelBound())
        throw EInvalidGraphic("Image size " + std::to_string(w) + " x " + std::to_string(h) + " is out of bounds");
}

int TBitmap::Width() const { return img_->IsNull() ? emptyW_ : img_->Width(); }
int TBitmap::Height() const { return img_->IsNull() ? emptyH_ : img_->Height(); }
void TBitmap::SetWidth(int w) { SetSize(w, Height()); }
void TBitmap::SetHeight(int h) { SetSize(Width(), h); }

void TBitmap::SetSize(int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (w == Width() && h == Height() && !img_->IsNull()) return;
    emptyW_ = w;
    emptyH_ = h;
    if (int64_t(w) * h > kMaxBitmapPixels) throw EOutOfResources("Out of system resources");
    QImage n;
    if (w > 0 && h > 0) {
        n = QImage(w, h, StorageFormat(pf_));
        if (n.isNull()) throw EOutOfResources("Out of system resources");
        n.fill(Qt::white);
        const QImage& old = img_->Pixels();
        int cw = std::min(w, old.width()), ch = std::min(h, old.height());
        if (cw > 0 && ch > 0) {
            QPainter p(&n);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(QPoint(0, 0), old, QRect(0, 0, cw, ch));
        }
    }
    img_->Pixels() = n;
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat pf) {
    if (pf == pf_) return;
    bool changesStorage = StorageFormat(pf) != StorageFormat(pf_);
    pf_ = pf;
    QImage& img = img_->Pixels();
    if (changesStorage && !img.isNull()) img = img.convertToFormat(StorageFormat(pf));
    if (pf == pf1bit && !img.isNull()) {
        // Monochrome: each pixel becomes black or white.
        QImage& im = img;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                im.setPixel(x, y, qGray(im.pixel(x, y)) >= 128 ? 0xFFFFFFFFu : 0xFF000000u);
    }
    Changed();
}

void TBitmap::SetMonochrome(bool m) { SetPixelFormat(m ? pf1bit : pfDevice); }

TCanvas* TBitmap::Canvas() { return canvas_.get(); }

void* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= Height()) throw EInvalidGraphicOperation("Scan line index out of range");
    return img_->Pixels().scanLine(y);
}

int TBitmap::BytesPerScanLine() const { return int(img_->Pixels().bytesPerLine()); }

TColor TBitmap::TransparentColor() const {
    if (tmode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (img_->IsNull()) return clDefault;
    return FromQRgb(img_->Pixels().pixel(0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor c) {
    transparentColor_ = c;
    tmode_ = c == clDefault ? tmAuto : tmFixed;
}

void TBitmap::LoadFromFile(const std::string& path) {
    TFileStream f(path, fmOpenRead);
    LoadFromStream(f);
}

void TBitmap::LoadFromStream(TStream& stream) {
    const int64_t size = stream.GetSize() - stream.GetPosition();
    std::string bytes(size_t(std::max<int64_t>(size, 0)), '\0');
    if (!bytes.empty()) stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    LoadFromBytes(bytes);
}

void TBitmap::LoadFromData(const std::string& data) {
    if (data.size() < 4) throw EInvalidGraphic("Bitmap image is not valid");
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | uint8_t(data[size_t(i)]);
    if (n > data.size() - 4) throw EInvalidGraphic("Bitmap image is not valid");
    LoadFromBytes(data.substr(4, n));
}

void TBitmap::LoadFromClipboardFormat(uint16_t format) {
    if (format != CF_BITMAP && format != CF_DIB) throw EInvalidGraphic("Unsupported clipboard format");
    if (!QCoreApplication::instance()) Application->Initialize();
    const QImage in = QGuiApplication::clipboard()->image();
    if (in.isNull()) throw EInvalidGraphic("Unsupported clipboard format");
    CheckPixels(in.width(), in.height());
    pf_ = in.hasAlphaChannel() ? pf32bit : pf24bit;
    img_->Pixels() = in.convertToFormat(StorageFormat(pf_));
    Changed();
}

void TBitmap::LoadFromBytes(const std::string& bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QByteArray head = data.left(64);
    QBuffer f(&data);
    f.open(QIODevice::ReadOnly);
    QImageReader reader(&f);
    reader.setDecideFormatFromContent(true);
    QByteArray fmt = reader.format();
    if (fmt != "bmp" && fmt != "png") throw EInvalidGraphic("Bitmap image is not valid");
    // The header's size is known before the pixels are decoded.
    const QSize declared = reader.size();
    if (declared.isValid()) CheckPixels(declared.width(), declared.height());
    QImage in;
    if (!reader.read(&in) || in.isNull()) throw EInvalidGraphic("Bitmap image is not valid");
    CheckPixels(in.width(), in.height());
    int bits = 32;
    if (fmt == "bmp" && head.size() >= 30) bits = uchar(head[28]) | (uchar(head[29]) << 8);
    else if (fmt == "png") bits = in.hasAlphaChannel() ? 32 : 24;
    pf_ = bits == 32 ? pf32bit : bits == 24 ? pf24bit : bits == 8 ? pf8bit : bits == 4 ? pf4bit : bits == 1 ? pf1bit
                                                                                                           : pf24bit;
    img_->Pixels() = in.convertToFormat(StorageFormat(pf_));
    Changed();
}

void TBitmap::SaveToFile(const std::string& path) const {
    // Uncompressed bottom-up BMP: 32-bit bitmaps stay 32-bit, everything else is written with 24 bits.
    const QImage& im = img_->Pixels();
    int w = im.width(), h = im.height();
    int bits = pf_ == pf32bit ? 32 : 24;
    int stride = ((w * bits + 31) / 32) * 4;
    std::string out;
    uint32_t dataSize = uint32_t(stride) * uint32_t(h);
    out += "BM";
    PutLE(out, 54 + dataSize, 4);
    PutLE(out, 0, 4);
    PutLE(out, 54, 4);
    PutLE(out, 40, 4);
    PutLE(out, uint32_t(w), 4);
    PutLE(out, uint32_t(h), 4);
    PutLE(out, 1, 2);
    PutLE(out, uint32_t(bits), 2);
    PutLE(out, 0, 4);
    PutLE(out, dataSize, 4);
    PutLE(out, 3780, 4);  // 96 pixels per inch
    PutLE(out, 3780, 4);
    PutLE(out, 0, 4);
    PutLE(out, 0, 4);
    std::string row(size_t(stride), '\0');
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            QRgb v = im.pixel(x, y);
            char* p = &row[size_t(x * bits / 8)];
            p[0] = char(qBlue(v));
            p[1] = char(qGreen(v));
            p[2] = char(qRed(v));
            if (bits == 32) p[3] = 0;
        }
        out += row;
    }
    if (!DiskWriteAll(path, out)) throw Exception("Cannot write file \"" + path + "\"");
}

void TBitmap::SaveToPNG(const std::string& path) const {
    QByteArray png;
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    if (!img_->Pixels().convertToFormat(QImage::Format_RGB32).save(&b, "PNG") ||
        !DiskWriteAll(path, std::string(png.constData(), size_t(png.size()))))
        throw Exception("Cannot write file \"" + path + "\"");
}

void TBitmap::Assign(const TGraphic& src) {
    if (&src == this) return;
    if (auto* b = dynamic_cast<const TBitmap*>(&src)) {
        pf_ = b->pf_;
        img_->Pixels() = b->img_->Pixels().copy();
        emptyW_ = b->emptyW_;
        emptyH_ = b->emptyH_;
        tmode_ = b->tmode_;
        transparentColor_ = b->transparentColor_;
        transparent_ = b->transparent_;
    } else {
        pf_ = pf24bit;
        SetSize(src.Width(), src.Height());
        src.Draw(Canvas(), TRect(0, 0, src.Width(), src.Height()));
        transparent_ = src.Transparent();
    }
    Changed();
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) const {
    if (!canvas || Empty()) return;
    if (transparent_) {
        TColor t = ColorToRGB(TransparentColor());
        uint32_t key = (uint32_t(GetRValue(t)) << 16) | (uint32_t(GetGValue(t)) << 8) | uint32_t(GetBValue(t));
        CanvasDrawImage(canvas, r, img_->Pixels(), &key);
    } else {
        CanvasDrawImage(canvas, r, img_->Pixels(), nullptr);
    }
}

// ---------------------------------------------------------------- picture
namespace {
struct FileFormat {
    std::string description;
    TGraphicFactory factory;
};
std::map<std::string, FileFormat>& Formats() {
    static std::map<std::string, FileFormat> formats = [] {
        std::map<std::string, FileFormat> m;
        m["bmp"] = {"Bitmaps", [] { return std::unique_ptr<TGraphic>(new TBitmap); }};
        // The bitmap reads PNG files by their content.
        m["png"] = {"Portable Network Graphics", [] { return std::unique_ptr<TGraphic>(new TBitmap); }};
        return m;
    }();
    // JPEG registers itself through the same table, so the guard keeps the call from recursing.
    static bool registering = false;
    if (!registering) {
        registering = true;
        RegisterJPEGFormat();
    }
    return formats;
}
std::string Extension(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return LowerCase(path.substr(dot + 1));
}
}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const std::string& ext, const std::string& description, TGraphicFactory f) {
    Formats()[LowerCase(ext)] = FileFormat{description, std::move(f)};
}
void TPicture::UnregisterFileFormat(const std::string& ext) { Formats().erase(LowerCase(ext)); }
bool TPicture::IsRegistered(const std::string& ext) { return Formats().count(LowerCase(ext)) > 0; }

void TPicture::SetGraphic(const TGraphic* g) {
    if (!g) {
        graphic_.reset();
    } else {
        auto* b = dynamic_cast<const TBitmap*>(g);
        std::unique_ptr<TGraphic> copy;
        if (b) {
            copy = std::make_unique<TBitmap>();
        } else {
            for (auto& [ext, f] : Formats()) {
                auto probe = f.factory();
                if (typeid(*probe) == typeid(*g)) {
                    copy = std::move(probe);
                    break;
                }
            }
            if (!copy) copy = std::make_unique<TBitmap>();
        }
        copy->Assign(*g);
        graphic_ = std::move(copy);
    }
    if (OnChange) OnChange();
}

TBitmap* TPicture::Bitmap() {
    if (auto* b = dynamic_cast<TBitmap*>(graphic_.get())) return b;
    auto b = std::make_unique<TBitmap>();
    if (graphic_) b->Assign(*graphic_);
    graphic_ = std::move(b);
    return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::LoadFromFile(const std::string& path, uint64_t maxPixels) {
    std::string ext = Extension(path);
    auto it = Formats().find(ext);
    if (it == Formats().end()) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
    std::unique_ptr<TGraphic> g = it->second.factory();
    g->SetMaxPixels(maxPixels);
    g->LoadFromFile(path);
    graphic_ = std::move(g);
    if (OnChange) OnChange();
}

void TPicture::SaveToFile(const std::string& path) const {
    if (graphic_) graphic_->SaveToFile(path);
}

void TPicture::Assign(const TPicture& other) { SetGraphic(other.graphic_.get()); }

// ---------------------------------------------------------------- resources
namespace {
struct BitmapResource {
    std::vector<std::string> rows;
    std::map<char, TColor> palette;
};
std::map<std::string, BitmapResource>& BitmapResources() {
    static std::map<std::string, BitmapResource> table;
    return table;
}
std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
}
}  // namespace

void RegisterBitmapResource(const std::string& name, const std::vector<std::string>& rows,
                            const std::map<char, TColor>& palette) {
    BitmapResources()[Upper(name)] = BitmapResource{rows, palette};
}

bool LoadBitmapResource(TBitmap& bitmap, const std::string& name) {
    auto it = BitmapResources().find(Upper(name));
    if (it == BitmapResources().end()) return false;
    const BitmapResource& r = it->second;
    int h = int(r.rows.size()), w = h ? int(r.rows[0].size()) : 0;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w && x < int(r.rows[size_t(y)].size()); ++x) {
            auto c = r.palette.find(r.rows[size_t(y)][size_t(x)]);
            bitmap.Canvas()->SetPixel(x, y, c == r.palette.end() ? clBlack : c->second);
        }
    return true;
}
