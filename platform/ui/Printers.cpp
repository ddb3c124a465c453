#include "platform/ui/Printers.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include "platform/rtl/FileIO.h"
#include "platform/ui/Forms.h"
#include "platform/ui/QtGlue.h"

struct TPrinter::Impl {
    std::unique_ptr<QPrinter> printer;
    QPainter painter;
};

namespace {
class TPrinterDevice : public TCanvasDevice {
public:
    TPrinterDevice(QPainter* p, int w, int h, int dpi) : p_(p), w_(w), h_(h), dpi_(dpi) {}
    QPainter* OpenPainter() override { return p_ && p_->isActive() ? p_ : nullptr; }
    int Width() override { return w_; }
    int Height() override { return h_; }
    int Dpi() override { return dpi_; }

private:
    QPainter* p_;
    int w_, h_, dpi_;
};

QSize PageSize(int dpi, TPrinterOrientation o) {
    // A4 at the printer's resolution.
    int w = int(Round(8.27 * dpi)), h = int(Round(11.69 * dpi));
    return o == poLandscape ? QSize(h, w) : QSize(w, h);
}
}  // namespace

TPrinter::TPrinter() : d_(std::make_unique<Impl>()), canvas_(std::make_unique<TCanvas>()) {}

TPrinter::~TPrinter() {
    if (printing_) {
        try {
            EndDoc();
        } catch (...) {
        }
    }
}

TCanvas* TPrinter::Canvas() { return canvas_.get(); }

int TPrinter::PageWidth() const { return PageSize(dpi_, orientation_).width(); }
int TPrinter::PageHeight() const { return PageSize(dpi_, orientation_).height(); }

void TPrinter::SetOrientation(TPrinterOrientation o) {
    if (printing_) throw EPrinter("Cannot perform this operation while printing");
    orientation_ = o;
}

void TPrinter::BeginDoc() {
    if (printing_) throw EPrinter("Printing in progress");
    Application->Initialize();
    d_->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter& p = *d_->printer;
    p.setResolution(dpi_);
    p.setFullPage(true);
    p.setDocName(FromGbk(title_));
    p.setPageOrientation(orientation_ == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    p.setPageSize(QPageSize(QPageSize::A4));
    if (!outputFile_.empty()) {
        std::string disk;
        if (!GbkToDiskName(outputFile_, disk)) {
            d_->printer.reset();
            throw EPrinter("Cannot create file \"" + outputFile_ + "\"");
        }
        p.setOutputFormat(QPrinter::PdfFormat);
        // Qt names files in UTF-8, as the disk does.
        p.setOutputFileName(QString::fromUtf8(disk.data(), qsizetype(disk.size())));
    }
    if (!d_->painter.begin(&p)) {
        d_->printer.reset();
        throw EPrinter("There is no default printer currently selected");
    }
    printing_ = true;
    aborted_ = false;
    page_ = 1;
    QSize s = PageSize(dpi_, orientation_);
    canvas_ = std::make_unique<TCanvas>();
    canvas_->SetDevice(std::make_unique<TPrinterDevice>(&d_->painter, s.width(), s.height(), dpi_));
    canvas_->Font()->SetName("Arial");
    canvas_->Font()->SetSize(10);
}

void TPrinter::NewPage() {
    if (!printing_) throw EPrinter("Printer is not currently printing");
    d_->printer->newPage();
    ++page_;
    canvas_->SetPenPos(TPoint(0, 0));
}

void TPrinter::EndDoc() {
    if (!printing_) throw EPrinter("Printer is not currently printing");
    d_->painter.end();
    canvas_->SetDevice(nullptr);
    d_->printer.reset();
    printing_ = false;
    page_ = 0;
}

void TPrinter::Abort() {
    if (!printing_) return;
    aborted_ = true;
    if (d_->printer) d_->printer->abort();
    d_->painter.end();
    canvas_->SetDevice(nullptr);
    d_->printer.reset();
    printing_ = false;
}

TPrinter* Printer() {
    static TPrinter printer;
    return &printer;
}

int StretchDIBits(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const TBitmap* bits,
                  DWORD rop) {
    if (!dc || !bits || bits->Empty() || w == 0 || h == 0) return 0;
    QImage piece = BitmapQImage(*bits).copy(sx, sy, std::abs(sw), std::abs(sh)).convertToFormat(QImage::Format_RGB32);
    if (sw < 0 || sh < 0) piece = piece.mirrored(sw < 0, sh < 0);
    TCopyMode keep = dc->CopyMode();
    dc->SetCopyMode(rop);
    CanvasDrawImage(dc, TRect(x, y, x + w, y + h), piece, nullptr);
    dc->SetCopyMode(keep);
    return std::abs(sh);
}
