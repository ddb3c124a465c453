// The spreadsheet application's automation objects, standing in for it with libxlsxwriter:
// the application writes Office Open XML workbooks in process and shows no window.
//
// Rows stream out to disk (constant memory): a row stays open for changes until a later row is
// touched, and is written and fixed then. Going back to a written row, or framing a range that
// reaches one, raises EOleException. Frames are declared before their rows stream out; where two
// frames meet on one edge the heavier line is kept, so the order of declaring them does not matter.
// Texts are GBK and become UTF-8 in the file.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/rtl/SysUtils.h"

class EOleException : public Exception {
public:
    using Exception::Exception;
    EOleException(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    // The system's errno when a file could not be written, else 0.
    int ErrorCode = 0;
};

// Horizontal alignments, line styles and border weights as the automation interface numbers them.
constexpr int xlGeneral = 1, xlLeft = -4131, xlCenter = -4108, xlRight = -4152;
constexpr int xlContinuous = 1, xlDash = -4115, xlDot = -4118, xlDouble = -4119, xlLineStyleNone = -4142;
constexpr int xlHairline = 1, xlThin = 2, xlMedium = -4138, xlThick = 4;  // 3 is taken as medium too
constexpr int kExcelRows = 1048576, kExcelColumns = 16384;

namespace office {
struct Instance;
struct Book;
struct Sheet;
}  // namespace office

// Interface handles as the collections hand them out.
using ExcelWorkbook = std::shared_ptr<office::Book>;
using ExcelWorksheet = std::shared_ptr<office::Sheet>;

// A rectangle of cells on one worksheet (rows and columns from 1).
class TExcelRange {
public:
    TExcelRange(ExcelWorksheet sheet, int top, int left, int bottom, int right);
    void SetValue(const std::string& text);
    void SetValue(double number);
    void SetHorizontalAlignment(int alignment);
    void BorderAround(int lineStyle, int weight, int colorIndex, int color);
    // One row only: a merge across rows cannot stream.
    void Merge();

private:
    ExcelWorksheet sheet_;
    int top_, left_, bottom_, right_;
};

class TExcelCells {
public:
    explicit TExcelCells(ExcelWorksheet sheet) : sheet_(std::move(sheet)) {}
    TExcelRange Item(int row, int column) const;

private:
    ExcelWorksheet sheet_;
};

class TExcelColumns {
public:
    explicit TExcelColumns(ExcelWorksheet sheet) : sheet_(std::move(sheet)) {}
    // Fits every column to the widest text written into it (a CJK character counts two); a merged
    // range counts for none of its columns.
    void AutoFit() const;

private:
    ExcelWorksheet sheet_;
};

class TExcelWorkbooks {
public:
    explicit TExcelWorkbooks(std::shared_ptr<office::Instance> app) : app_(std::move(app)) {}
    // A new workbook with one worksheet, which becomes the active sheet. `savedAs`: the name it is to be saved
    // under, whose folder then takes its work files; else they go into the temporary folder until SaveAs.
    void Add(const std::string& savedAs = "") const;
    int Count() const;
    // Index from 1.
    ExcelWorkbook Item(int index) const;

private:
    std::shared_ptr<office::Instance> app_;
};

class TExcelApplication {
public:
    TExcelApplication();
    ~TExcelApplication();
    TExcelApplication(const TExcelApplication&) = delete;
    TExcelApplication& operator=(const TExcelApplication&) = delete;

    // Starts the application when it is not running; it is never made visible.
    void Connect();
    // Releases the interface; the application keeps running until Quit.
    void Disconnect();
    // Reconnects when released, then ends the application: unsaved workbooks are discarded.
    void Quit();
    bool Connected() const { return connected_; }
    TExcelWorkbooks Workbooks() const;
    // A range of the active sheet, by A1 addresses.
    TExcelRange Range(const std::string& cell1, const std::string& cell2) const;

private:
    std::shared_ptr<office::Instance> app_;
    bool connected_ = false;
};

class TExcelWorkbook {
public:
    void ConnectTo(ExcelWorkbook book) { book_ = std::move(book); }
    void Disconnect() { book_.reset(); }
    // Index from 1; a workbook here holds one worksheet.
    ExcelWorksheet Worksheet(int index) const;

private:
    ExcelWorkbook book_;
};

class TExcelWorksheet {
public:
    void ConnectTo(ExcelWorksheet sheet) { sheet_ = std::move(sheet); }
    void Disconnect() { sheet_.reset(); }
    TExcelCells Cells() const;
    TExcelRange Range(const std::string& cell1, const std::string& cell2) const;
    TExcelColumns Columns() const;
    // Saves the sheet's workbook under `fileName` (replacing a file of that name); the workbook
    // is complete then and takes no further changes.
    void SaveAs(const std::string& fileName) const;

private:
    const ExcelWorksheet& Sheet() const;
    ExcelWorksheet sheet_;
};

// Raises as SaveAs would when no workbook can be saved under `fileName` (a folder, a read-only workbook, a
// folder that takes no new file), so an export can find out before it writes its rows.
void ExcelCheckSaveAs(const std::string& fileName);
// Row and column (from 1) of an A1 address such as "M1" or "AA10"; EOleException when malformed.
void ParseCellAddress(const std::string& address, int& row, int& column);
// Width of a GBK text in character cells: two for every double-byte or four-byte character.
size_t GbkDisplayWidth(const std::string& text);
