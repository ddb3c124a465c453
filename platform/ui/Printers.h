// The printer: a document of pages drawn through the same canvas, on the default printer or into a PDF file.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/Bitmap.h"

class EPrinter : public Exception { using Exception::Exception; };
enum TPrinterOrientation : uint8_t { poPortrait, poLandscape };

class TPrinter {
public:
    TPrinter();
    ~TPrinter();
    TCanvas* Canvas();
    // Device pixels of the printable page.
    int PageWidth() const;
    int PageHeight() const;
    int PixelsPerInch() const { return dpi_; }
    int PageNumber() const { return page_; }
    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }
    std::string Title() const { return title_; }
    void SetTitle(const std::string& t) { title_ = t; }
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation o);
    // Printing goes to this PDF file instead of the default printer (empty: the printer).
    void SetOutputFileName(const std::string& path) { outputFile_ = path; }
    std::string OutputFileName() const { return outputFile_; }
    // EPrinter when a document is already being printed or the printer cannot start one.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
    std::unique_ptr<TCanvas> canvas_;
    bool printing_ = false, aborted_ = false;
    int page_ = 0, dpi_ = 300;
    std::string title_, outputFile_;
    TPrinterOrientation orientation_ = poPortrait;
};

// The program's printer object.
TPrinter* Printer();

// Device-independent bitmap pixels stretched onto a canvas (the printer's included).
int StretchDIBits(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const TBitmap* bits, DWORD rop);
