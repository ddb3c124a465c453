// Spreadsheet sheet indexes: a title row, a framed header row and one framed row per sheet.
#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/office/Excel.h"
#include "platform/rtl/SysUtils.h"

namespace {

void Frame(TExcelWorksheet& ws, int row, int col) { ExcelBorderAround(ws, row, col, 1, 2, 0, 0); }

// The frame shared by both exports; writeRow fills and frames row r with one sheet.
template <class Sheets, class WriteRow>
void Export(const std::string& fileName, const std::string& title, const std::string& header, const Sheets& sheets,
            bool outerBorder, WriteRow writeRow) {
    const size_t count = TessarCount(sheets);
    // Refused before anything is written: a truncated list would look complete.
    if (count > static_cast<size_t>(kExcelRows - 2))
        throw ERangeError(Format("图幅太多：一个工作表最多容纳 %d 个图幅（现有 %d 个）",
                                 {kExcelRows - 2, static_cast<long long>(count)}));

    ITessarProgress& p = TessarProgress();
    p.NewDialog();
    p.SetButtonEnabled(false);
    p.SetCaption(p.Caption() + " " + fileName);
    p.Show();
    p.ProcessMessages();
    p.SetHourglass(true);

    TExcelApplication app;
    TExcelWorkbook book;
    TExcelWorksheet ws;
    try {
        // A target that cannot take the workbook fails the export before its rows, not after the last one.
        ExcelCheckSaveAs(fileName);
        app.Connect();
        app.Workbooks().Add(fileName);
        book.ConnectTo(app.Workbooks().Item(1));
        ws.ConnectTo(book.Worksheet(1));

        TStringList fields = SplitString(header, ',');
        const int n = fields.Count();
        if (n < 26) {
            app.Range("A1", std::string(1, ColumnLetter(n)) + "1").Merge();
            ws.Cells().Item(1, 1).SetValue(title);
            ws.Cells().Item(1, 1).SetHorizontalAlignment(xlCenter);
        } else {
            ws.Cells().Item(1, n / 2).SetValue(title);
        }
        for (int i = 1; i <= n; ++i) {
            ws.Cells().Item(2, i).SetValue(fields[i - 1]);
            Frame(ws, 2, i);
        }

        p.SetTotalParts(static_cast<uint32_t>(count));
        // The rows stream out as they are finished, so the outline is declared before them.
        if (outerBorder)
            ws.Range("A2", GetColumnName(n) + IntToStr(static_cast<int64_t>(count) + 2)).BorderAround(1, 3, 0, 0);

        TessarMessagePump pump;
        int row = 3;
        for (auto& outer : sheets)
            for (auto& s : outer) {
                writeRow(ws, row++, s);
                p.IncPartsByOne();
                pump.Tick();
            }
        ws.Columns().AutoFit();
        ws.SaveAs(fileName);
    } catch (...) {
        // The button is the dialog's only way out; the first error is the one reported.
        try {
            p.SetButtonEnabled(true);
            p.SetHourglass(false);
            app.Disconnect();
            app.Quit();
        } catch (...) {
        }
        throw;
    }
    p.SetButtonEnabled(true);
    p.SetHourglass(false);
    app.Disconnect();
    app.Quit();
}

}  // namespace

void ExcelBorderAround(TExcelWorksheet& sheet, int row, int column, int lineStyle, int weight, int colorIndex,
                       int color) {
    sheet.Cells().Item(row, column).BorderAround(lineStyle, weight, colorIndex, color);
}

char ColumnLetter(int n) {
    if (n < 1 || n > 26) throw ERangeError(Format("Column %d has no letter", {n}));
    return static_cast<char>(64 + n);
}

std::string GetColumnName(int n) {
    if (n < 1 || n > 702) throw ERangeError(Format("Column %d lies outside A..ZZ", {n}));
    if (n <= 26) return std::string(1, ColumnLetter(n));
    return {ColumnLetter((n - 1) / 26), ColumnLetter((n - 1) % 26 + 1)};
}

void ExportTessarolsToExcel(const std::string& fileName, const std::string& title, const std::string& header,
                            const TStandardTessarols& sheets, bool metres, bool /*unused*/, bool outerBorder) {
    const double k = metres ? 1 : 1000;
    Export(fileName, title, header, sheets, outerBorder, [k](TExcelWorksheet& ws, int r, const TStandardTessarol& s) {
        TExcelCells cells = ws.Cells();
        cells.Item(r, 1).SetValue(s.SheetNo);
        cells.Item(r, 2).SetValue(DmsToDegree(s.West));
        cells.Item(r, 3).SetValue(DmsToDegree(s.South));
        cells.Item(r, 4).SetValue(DmsToDegree(s.East));
        cells.Item(r, 5).SetValue(DmsToDegree(s.North));
        for (int c = 1; c <= 5; ++c) Frame(ws, r, c);
        const double v[8] = {s.LT.X, s.LT.Y, s.RT.X, s.RT.Y, s.RB.X, s.RB.Y, s.LB.X, s.LB.Y};
        for (int i = 0; i < 8; ++i) cells.Item(r, 6 + i).SetValue(v[i] / k);
        for (int c = 6; c <= 13; ++c) Frame(ws, r, c);
    });
}

void ExportCustomTessarolsToExcel(const std::string& fileName, const std::string& title, const std::string& header,
                                  const TCustomTessarols& sheets, bool /*unused*/, bool outerBorder) {
    Export(fileName, title, header, sheets, outerBorder, [](TExcelWorksheet& ws, int r, const TCustomTessarol& s) {
        TExcelCells cells = ws.Cells();
        cells.Item(r, 1).SetValue(s.Name);
        Frame(ws, r, 1);
        const double v[4] = {s.MinX, s.MinY, s.MaxX, s.MaxY};
        for (int i = 0; i < 4; ++i) {
            cells.Item(r, 2 + i).SetValue(v[i]);
            Frame(ws, r, 2 + i);
        }
    });
}
