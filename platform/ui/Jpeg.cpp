#include "platform/ui/Jpeg.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/rtl/Classes.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/QtGlue.h"

namespace {
struct ErrorMgr {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<ErrorMgr*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    longjmp(e->jump, 1);
}
void OnMessage(j_common_ptr, int) {}

// Decodes into rows of B, G, R; returns false with a message. The error exit longjmps here, so nothing with a
// destructor may live across setjmp: the row buffer comes from the decoder's own pool, freed by its destroy,
// and `out` belongs to the caller. The header's size is held to maxPixels before any buffer is made.
bool Decode(const unsigned char* data, size_t size, std::vector<unsigned char>& out, int& w, int& h, char* msg,
            uint64_t maxPixels) {
    jpeg_decompress_struct cinfo;
    ErrorMgr err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.message[0] = 0;
    if (setjmp(err.jump)) {
        std::snprintf(msg, JMSG_LENGTH_MAX, "%s", err.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
        uint64_t(cinfo.image_width) * cinfo.image_height > maxPixels) {
        std::snprintf(msg, JMSG_LENGTH_MAX, "image of %u x %u pixels is out of bounds", cinfo.image_width,
                      cinfo.image_height);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    w = int(cinfo.output_width);
    h = int(cinfo.output_height);
    int comps = int(cinfo.output_components);
    out.assign(size_t(w) * size_t(h) * 3, 0);
    JSAMPARRAY rows = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                 JDIMENSION(w) * JDIMENSION(comps), 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        int y = int(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
        unsigned char* dst = &out[size_t(y) * size_t(w) * 3];
        for (int x = 0; x < w; ++x) {
            const unsigned char* s = &rows[0][size_t(x) * size_t(comps)];
            unsigned char r, g, b;
            if (cmyk) {
                // Adobe writes inverted CMYK.
                int k = s[3];
                r = static_cast<unsigned char>(s[0] * k / 255);
                g = static_cast<unsigned char>(s[1] * k / 255);
                b = static_cast<unsigned char>(s[2] * k / 255);
            } else if (comps == 1) {
                r = g = b = s[0];
            } else {
                r = s[0];
                g = s[1];
                b = s[2];
            }
            dst[3 * x] = b;
            dst[3 * x + 1] = g;
            dst[3 * x + 2] = r;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool Encode(const unsigned char* rgb, int w, int h, int quality, bool gray, unsigned char** buf, unsigned long* size,
            char* msg) {
    jpeg_compress_struct cinfo;
    ErrorMgr err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    if (setjmp(err.jump)) {
        std::snprintf(msg, JMSG_LENGTH_MAX, "%s", err.message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buf, size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rp = const_cast<JSAMPROW>(rgb + size_t(cinfo.next_scanline) * size_t(w) * 3);
        jpeg_write_scanlines(&cinfo, &rp, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}
}  // namespace

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) {}
TJPEGImage::~TJPEGImage() = default;
int TJPEGImage::Width() const { return bitmap_->Width(); }
int TJPEGImage::Height() const { return bitmap_->Height(); }

void TJPEGImage::LoadFromFile(const std::string& path) {
    std::string data;
    errno = 0;
    if (!DiskReadAll(path, data)) RaiseFileOpenError(path, errno);
    LoadFromMemory(data.data(), data.size());
}

void TJPEGImage::LoadFromMemory(const void* data, size_t size) {
    if (!data || size < 4) throw EInvalidGraphic("JPEG error #42: not a JPEG file");
    std::vector<unsigned char> px;
    int w = 0, h = 0;
    char msg[JMSG_LENGTH_MAX] = {0};
    if (!Decode(static_cast<const unsigned char*>(data), size, px, w, h, msg, PixelBound()))
        throw EInvalidGraphic(std::string("JPEG error: ") + msg);
    auto b = std::make_unique<TBitmap>(w, h, pf24bit);
    for (int y = 0; y < h; ++y) std::memcpy(b->ScanLine(y), &px[size_t(y) * size_t(w) * 3], size_t(w) * 3);
    bitmap_ = std::move(b);
    Changed();
}

void TJPEGImage::SaveToFile(const std::string& path) const {
    int w = Width(), h = Height();
    if (w == 0 || h == 0) throw EInvalidGraphicOperation("Cannot save an empty JPEG image");
    std::vector<unsigned char> rgb(size_t(w) * size_t(h) * 3);
    const QImage& im = BitmapQImage(*bitmap_);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            QRgb v = im.pixel(x, y);
            unsigned char* d = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
            d[0] = uchar(qRed(v));
            d[1] = uchar(qGreen(v));
            d[2] = uchar(qBlue(v));
        }
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    char msg[JMSG_LENGTH_MAX] = {0};
    bool ok = Encode(rgb.data(), w, h, quality_, grayscale_, &buf, &size, msg);
    std::string bytes = ok ? std::string(reinterpret_cast<char*>(buf), size) : std::string();
    std::free(buf);
    if (!ok) throw EInvalidGraphic(std::string("JPEG error: ") + msg);
    if (!DiskWriteAll(path, bytes)) throw Exception("Cannot write file \"" + path + "\"");
}

void TJPEGImage::Assign(const TGraphic& src) {
    if (&src == this) return;
    if (auto* j = dynamic_cast<const TJPEGImage*>(&src)) {
        bitmap_->Assign(*j->bitmap_);
        quality_ = j->quality_;
        grayscale_ = j->grayscale_;
    } else {
        bitmap_->Assign(src);
        bitmap_->SetPixelFormat(pf24bit);
    }
    transparent_ = false;
    Changed();
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& r) const { bitmap_->Draw(canvas, r); }

void RegisterJPEGFormat() {
    static bool done = false;
    if (done) return;
    done = true;
    auto make = [] { return std::unique_ptr<TGraphic>(new TJPEGImage); };
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", make);
    TPicture::RegisterFileFormat("jpeg", "JPEG Image File", make);
}
