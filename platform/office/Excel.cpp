#include "platform/office/Excel.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>
extern "C" {
#include <xlsxwriter/third_party/tmpfileplus.h>  // declared for C only
}

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <map>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/DiskCommit.h"
#include "platform/rtl/FileIO.h"

namespace office {

struct Edge {
    uint8_t style = LXW_BORDER_NONE;
    uint8_t rank = 0;  // heavier lines win where frames meet
    lxw_color_t color = 0;
};

struct CellFormat {
    uint8_t align = LXW_ALIGN_NONE;
    Edge left, top, right, bottom;
    bool Plain() const { return align == LXW_ALIGN_NONE && !left.rank && !top.rank && !right.rank && !bottom.rank; }
    std::array<uint32_t, 9> Key() const {
        auto e = [](const Edge& x) { return static_cast<uint32_t>(x.style) << 8 | x.rank; };
        return {align, e(left), left.color, e(top), top.color, e(right), right.color, e(bottom), bottom.color};
    }
};

struct Cell {
    enum Kind : uint8_t { None, Text, Number };
    bool used = false;
    Kind kind = None;
    std::string text;
    double number = 0;
    CellFormat format;
};

struct Frame {
    int top, left, bottom, right;
    Edge edge;
};

struct MergedRow {
    int row, left, right;
};

struct Instance;
struct WorkStream;

struct Book {
    Book();
    ~Book() { Discard(); }
    void Discard();
    lxw_format* FormatFor(const CellFormat& f);
    std::string Utf8(const std::string& gbk);
    // A new work file of the library's, beside `target` when there is one; nullptr with the cause kept.
    FILE* WorkFile() noexcept;
    // Closes the work files the library left open (it does not close them all on every path).
    void CloseWorkFiles();
    void Failed(int code) {
        if (!failure) failure = code ? code : EIO;
    }

    lxw_workbook* wb = nullptr;
    std::shared_ptr<Sheet> sheet;
    std::map<std::array<uint32_t, 9>, lxw_format*> formats;
    // Handed to the library as its folder for work files: it names this book, whose WorkFile makes them.
    std::string tag;
    std::string target;  // the name the workbook is to be saved under (GBK), "" while unknown
    std::vector<WorkStream*> open;
    int failure = 0;  // the first errno of a work file, which the library itself does not check
};

// A work file of the library's: its bytes lie in a new file of the target's folder (or of the temporary folder
// while no target is known), and a read or write that fails is kept in the book.
struct WorkStream {
    Book* book = nullptr;
    FILE* stream = nullptr;
    std::unique_ptr<TDiskWorkFile> file;
    int fd = -1;  // owned where there is no `file`
};

struct Sheet {
    void Live() const;
    Cell& At(int row, int col);
    void Open(int row);
    void Flush();
    void Finish();
    void AddFrame(const Frame& f);
    void AddMerge(const MergedRow& m);
    void AutoFit();
    bool InMerge(int row, int col, bool* topLeft = nullptr) const;

    Book* book = nullptr;
    lxw_worksheet* ws = nullptr;
    int open = 0;  // the row still open for changes; 0 before the first
    std::vector<Cell> cells;  // of the open row, by column - 1
    std::vector<Frame> frames;
    std::vector<MergedRow> merges;
    std::vector<size_t> widths;  // widest text by column - 1
};

struct Instance {
    std::vector<std::shared_ptr<Book>> books;
};

}  // namespace office

using namespace office;

namespace {

void Check(lxw_error e, const char* what) {
    if (e != LXW_NO_ERROR) throw EOleException(std::string(what) + ": " + lxw_strerror(e));
}

// Errors of the library whose errno tells what failed underneath.
bool FileFailure(lxw_error e) {
    switch (e) {
        case LXW_ERROR_CREATING_XLSX_FILE:
        case LXW_ERROR_CREATING_TMPFILE:
        case LXW_ERROR_READING_TMPFILE:
        case LXW_ERROR_ZIP_FILE_OPERATION:
        case LXW_ERROR_ZIP_FILE_ADD:
        case LXW_ERROR_ZIP_CLOSE: return true;
        default: return false;
    }
}

void CheckCell(int row, int col) {
    if (row < 1 || row > kExcelRows || col < 1 || col > kExcelColumns)
        throw EOleException(Format("Cell (%d, %d) lies outside the worksheet", {row, col}));
}

void Heavier(Edge& e, const Edge& f) {
    if (f.rank > e.rank) e = f;
}

Edge BorderEdge(int lineStyle, int weight, int color) {
    Edge e;
    if (lineStyle == xlLineStyleNone) return e;
    int rank;
    switch (weight) {
        case xlHairline: rank = 1; break;
        case xlThin: rank = 2; break;
        case 3:
        case xlMedium: rank = 3; break;
        case xlThick: rank = 4; break;
        default: throw EOleException(Format("Unable to set the Weight property of the Border class (%d)", {weight}));
    }
    switch (lineStyle) {
        case xlContinuous: {
            static const uint8_t byRank[] = {0, LXW_BORDER_HAIR, LXW_BORDER_THIN, LXW_BORDER_MEDIUM, LXW_BORDER_THICK};
            e.style = byRank[rank];
            break;
        }
        case xlDash: e.style = static_cast<uint8_t>(rank >= 3 ? LXW_BORDER_MEDIUM_DASHED : LXW_BORDER_DASHED); break;
        case xlDot: e.style = LXW_BORDER_DOTTED; break;
        case xlDouble: e.style = LXW_BORDER_DOUBLE; break;
        default:
            throw EOleException(Format("Unable to set the LineStyle property of the Border class (%d)", {lineStyle}));
    }
    e.rank = static_cast<uint8_t>(rank);
    // The automation colour has red in its low byte; the library wants 0xRRGGBB, and black apart.
    uint32_t c = static_cast<uint32_t>(color);
    uint32_t rgb = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    e.color = rgb ? rgb : static_cast<lxw_color_t>(LXW_COLOR_BLACK);
    return e;
}

uint8_t Alignment(int a) {
    switch (a) {
        case xlGeneral: return LXW_ALIGN_NONE;
        case xlLeft: return LXW_ALIGN_LEFT;
        case xlCenter: return LXW_ALIGN_CENTER;
        case xlRight: return LXW_ALIGN_RIGHT;
    }
    throw EOleException(Format("Unable to set the HorizontalAlignment property of the Range class (%d)", {a}));
}

[[noreturn]] void CannotSave(const std::string& to, int code) {
    throw EOleException("文件“" + to + "”没有保存：" + FileErrorText(code), code);
}

// The new file the workbook is written into, in the target's folder: a folder, a read-only workbook (which the
// spreadsheet application would not overwrite) or a folder that takes no new file is refused here.
std::unique_ptr<TDiskWorkFile> SaveTarget(const std::string& to) {
    auto file = std::make_unique<TDiskWorkFile>();
    DiskRecover(to);
    if (int code = file->Create(to)) CannotSave(to, code);
    return file;
}

// libxlsxwriter names its file when the workbook is made and opens it only when it is closed.
constexpr char kUnsaved[] = "unsaved.xlsx";

size_t NumberWidth(double v) { return FloatToStrDot(v).size(); }

}  // namespace

// ---------------------------------------------------------------------------------------------

namespace {

constexpr char kTagPrefix[] = "qm-workbook:";

ssize_t WorkRead(void* cookie, char* buf, size_t size) {
    auto* w = static_cast<WorkStream*>(cookie);
    ssize_t n;
    do n = ::read(w->fd, buf, size);
    while (n < 0 && errno == EINTR);
    if (n < 0) w->book->Failed(errno);
    return n;
}

ssize_t WorkWrite(void* cookie, const char* buf, size_t size) {
    auto* w = static_cast<WorkStream*>(cookie);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(w->fd, buf + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            w->book->Failed(n < 0 ? errno : ENOSPC);
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

int WorkSeek(void* cookie, off64_t* offset, int whence) {
    auto* w = static_cast<WorkStream*>(cookie);
    const off64_t at = ::lseek64(w->fd, *offset, whence);
    if (at < 0) {
        w->book->Failed(errno);
        return -1;
    }
    *offset = at;
    return 0;
}

int WorkClose(void* cookie) {
    std::unique_ptr<WorkStream> w(static_cast<WorkStream*>(cookie));
    std::erase(w->book->open, w.get());
    if (!w->file && w->fd >= 0) ::close(w->fd);
    return 0;
}

}  // namespace

// The library makes every work file through this function: its own would put them into the temporary folder,
// which may be full while the target's disk is not, and ignores every write that fails there, so a workbook
// with empty sheets would be saved as a whole one. A folder that is not one of our books' goes the library's way.
extern "C" FILE* lxw_tmpfile(char* tmpdir) {
    void* book = nullptr;
    if (tmpdir && std::strncmp(tmpdir, kTagPrefix, sizeof kTagPrefix - 1) == 0 &&
        std::sscanf(tmpdir + sizeof kTagPrefix - 1, "%p", &book) == 1 && book)
        return static_cast<Book*>(book)->WorkFile();
    return tmpfileplus(tmpdir, nullptr, nullptr, 0);
}

Book::Book() {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%p", kTagPrefix, static_cast<void*>(this));
    tag = buf;
}

FILE* Book::WorkFile() noexcept {
    try {
        auto w = std::make_unique<WorkStream>();
        w->book = this;
        if (!target.empty()) {
            w->file = std::make_unique<TDiskWorkFile>();
            if (const int code = w->file->Create(target)) {
                Failed(code);
                return nullptr;
            }
            w->fd = w->file->Fd();
        } else {
            errno = 0;
            FILE* t = tmpfileplus(nullptr, nullptr, nullptr, 0);
            if (!t) {
                Failed(errno);
                return nullptr;
            }
            w->fd = ::fcntl(::fileno(t), F_DUPFD_CLOEXEC, 0);
            std::fclose(t);
            if (w->fd < 0) {
                Failed(errno);
                return nullptr;
            }
        }
        open.push_back(w.get());
        w->stream = fopencookie(w.get(), "w+", {WorkRead, WorkWrite, WorkSeek, WorkClose});
        if (!w->stream) {
            open.pop_back();
            if (!w->file) ::close(w->fd);
            Failed(ENOMEM);
            return nullptr;
        }
        return w.release()->stream;
    } catch (...) {
        Failed(ENOMEM);
        return nullptr;
    }
}

void Book::CloseWorkFiles() {
    while (!open.empty()) std::fclose(open.back()->stream);
}

void Book::Discard() {
    if (wb) lxw_workbook_free(wb);
    wb = nullptr;
    CloseWorkFiles();
    formats.clear();
    if (sheet) {
        sheet->book = nullptr;
        sheet->ws = nullptr;
    }
}

lxw_format* Book::FormatFor(const CellFormat& f) {
    if (f.Plain()) return nullptr;
    auto key = f.Key();
    auto it = formats.find(key);
    if (it != formats.end()) return it->second;
    lxw_format* x = workbook_add_format(wb);
    if (!x) throw EOleException("Out of memory for a cell format");
    if (f.align != LXW_ALIGN_NONE) format_set_align(x, f.align);
    auto edge = [x](const Edge& e, void (*style)(lxw_format*, uint8_t), void (*color)(lxw_format*, lxw_color_t)) {
        if (!e.rank) return;
        style(x, e.style);
        color(x, e.color);
    };
    edge(f.left, format_set_left, format_set_left_color);
    edge(f.top, format_set_top, format_set_top_color);
    edge(f.right, format_set_right, format_set_right_color);
    edge(f.bottom, format_set_bottom, format_set_bottom_color);
    formats.emplace(key, x);
    return x;
}

std::string Book::Utf8(const std::string& gbk) {
    if (std::all_of(gbk.begin(), gbk.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return gbk;
    // A byte that is no character: U+FFFD in its place.
    std::string out;
    if (!ConvertEncoding(gbk, "UTF-8", "GB18030", "\xEF\xBF\xBD", 1, out))
        throw EOleException("No GB18030 to UTF-8 conversion");
    return out;
}

// ---------------------------------------------------------------------------------------------

void Sheet::Live() const {
    if (!book || !ws) throw EOleException("The object invoked has disconnected from its clients");
}

bool Sheet::InMerge(int row, int col, bool* topLeft) const {
    for (auto& m : merges)
        if (m.row == row && col >= m.left && col <= m.right) {
            if (topLeft) *topLeft = col == m.left;
            return true;
        }
    return false;
}

Cell& Sheet::At(int row, int col) {
    Live();
    CheckCell(row, col);
    Open(row);
    if (static_cast<int>(cells.size()) < col) cells.resize(col);
    Cell& c = cells[col - 1];
    c.used = true;
    return c;
}

void Sheet::Open(int row) {
    if (row == open) return;
    if (row < open) throw EOleException(Format("Row %d has already been written", {row}));
    Flush();
    // Rows skipped on the way still get the frame edges and merges declared for them.
    int r = open + 1;
    while (r < row) {
        int next = row;
        for (auto& f : frames)
            if (f.bottom >= r) next = std::min(next, std::max(f.top, r));
        for (auto& m : merges)
            if (m.row >= r) next = std::min(next, m.row);
        if (next >= row) break;
        open = next;
        Flush();
        r = next + 1;
    }
    open = row;
}

void Sheet::Flush() {
    if (open == 0) return;
    const int r = open;
    auto cellAt = [this](int col) -> Cell& {
        if (static_cast<int>(cells.size()) < col) cells.resize(col);
        cells[col - 1].used = true;
        return cells[col - 1];
    };
    for (auto& f : frames) {
        if (r < f.top || r > f.bottom) continue;
        bool edgeRow = r == f.top || r == f.bottom;
        for (int c = f.left; c <= f.right; c = edgeRow || c == f.right ? c + 1 : f.right) {
            Cell& cell = cellAt(c);
            if (r == f.top) Heavier(cell.format.top, f.edge);
            if (r == f.bottom) Heavier(cell.format.bottom, f.edge);
            if (c == f.left) Heavier(cell.format.left, f.edge);
            if (c == f.right) Heavier(cell.format.right, f.edge);
        }
    }
    for (auto& m : merges)
        if (m.row == r) cellAt(m.left);

    const lxw_row_t row = static_cast<lxw_row_t>(r - 1);
    for (int c = 1; c <= static_cast<int>(cells.size()); ++c) {
        Cell& cell = cells[c - 1];
        if (!cell.used) continue;
        const lxw_col_t col = static_cast<lxw_col_t>(c - 1);
        lxw_format* fmt = book->FormatFor(cell.format);
        bool topLeft = false;
        if (InMerge(r, c, &topLeft)) {
            if (topLeft) {
                auto m = std::find_if(merges.begin(), merges.end(), [&](auto& x) { return x.row == r && x.left == c; });
                std::string text = cell.kind == Cell::Text ? book->Utf8(cell.text) : "";
                Check(worksheet_merge_range(ws, row, col, row, static_cast<lxw_col_t>(m->right - 1), text.c_str(), fmt),
                      "Merge");
                if (cell.kind == Cell::Number) Check(worksheet_write_number(ws, row, col, cell.number, fmt), "Value");
            } else if (fmt) {
                Check(worksheet_write_blank(ws, row, col, fmt), "BorderAround");
            }
        } else {
            size_t w = 0;
            if (cell.kind == Cell::Text) {
                Check(worksheet_write_string(ws, row, col, book->Utf8(cell.text).c_str(), fmt), "Value");
                w = GbkDisplayWidth(cell.text);
            } else if (cell.kind == Cell::Number) {
                Check(worksheet_write_number(ws, row, col, cell.number, fmt), "Value");
                w = NumberWidth(cell.number);
            } else if (fmt) {
                Check(worksheet_write_blank(ws, row, col, fmt), "BorderAround");
            }
            if (w) {
                if (widths.size() < static_cast<size_t>(c)) widths.resize(c);
                widths[c - 1] = std::max(widths[c - 1], w);
            }
        }
        cell = Cell();
    }
    std::erase_if(frames, [r](const Frame& f) { return f.bottom <= r; });
    std::erase_if(merges, [r](const MergedRow& m) { return m.row <= r; });
}

// Writes the open row and every later row that a frame or merge still reaches.
void Sheet::Finish() {
    int last = open;
    for (auto& f : frames) last = std::max(last, f.bottom);
    for (auto& m : merges) last = std::max(last, m.row);
    if (last > open) Open(last);
    Flush();
}

void Sheet::AddFrame(const Frame& f) {
    Live();
    if (f.top < open)
        throw EOleException(Format("Row %d has already been written", {f.top}));
    frames.push_back(f);
}

void Sheet::AddMerge(const MergedRow& m) {
    Live();
    if (m.row < open) throw EOleException(Format("Row %d has already been written", {m.row}));
    for (auto& x : merges)
        if (x.row == m.row && m.left <= x.right && x.left <= m.right)
            throw EOleException("Cannot merge a range that overlaps a merged range");
    merges.push_back(m);
}

void Sheet::AutoFit() {
    Live();
    std::vector<size_t> w = widths;
    for (int c = 1; c <= static_cast<int>(cells.size()); ++c) {
        const Cell& cell = cells[c - 1];
        if (!cell.used || cell.kind == Cell::None || InMerge(open, c)) continue;
        size_t x = cell.kind == Cell::Text ? GbkDisplayWidth(cell.text) : NumberWidth(cell.number);
        if (w.size() < static_cast<size_t>(c)) w.resize(c);
        w[c - 1] = std::max(w[c - 1], x);
    }
    for (size_t c = 0; c < w.size(); ++c)
        if (w[c])
            Check(worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                       std::min(255.0, static_cast<double>(w[c]) + 1), nullptr),
                  "AutoFit");
}

// ---------------------------------------------------------------------------------------------

TExcelRange::TExcelRange(ExcelWorksheet sheet, int top, int left, int bottom, int right)
    : sheet_(std::move(sheet)), top_(std::min(top, bottom)), left_(std::min(left, right)),
      bottom_(std::max(top, bottom)), right_(std::max(left, right)) {
    if (!sheet_) throw EOleException("The object invoked has disconnected from its clients");
    CheckCell(top_, left_);
    CheckCell(bottom_, right_);
}

void TExcelRange::SetValue(const std::string& text) {
    for (int r = top_; r <= bottom_; ++r)
        for (int c = left_; c <= right_; ++c) {
            Cell& cell = sheet_->At(r, c);
            cell.kind = Cell::Text;
            cell.text = text;
        }
}

void TExcelRange::SetValue(double number) {
    if (!std::isfinite(number)) throw EOleException("A cell holds finite numbers only");
    for (int r = top_; r <= bottom_; ++r)
        for (int c = left_; c <= right_; ++c) {
            Cell& cell = sheet_->At(r, c);
            cell.kind = Cell::Number;
            cell.number = number;
        }
}

void TExcelRange::SetHorizontalAlignment(int alignment) {
    uint8_t a = Alignment(alignment);
    for (int r = top_; r <= bottom_; ++r)
        for (int c = left_; c <= right_; ++c) sheet_->At(r, c).format.align = a;
}

void TExcelRange::BorderAround(int lineStyle, int weight, int /*colorIndex*/, int color) {
    Edge e = BorderEdge(lineStyle, weight, color);
    if (top_ == bottom_ && left_ == right_) {
        Cell& cell = sheet_->At(top_, left_);
        for (Edge* x : {&cell.format.left, &cell.format.top, &cell.format.right, &cell.format.bottom}) Heavier(*x, e);
        return;
    }
    sheet_->AddFrame({top_, left_, bottom_, right_, e});
}

void TExcelRange::Merge() {
    if (top_ != bottom_) throw EOleException("Cannot merge across rows while the rows stream out");
    if (left_ == right_) return;
    sheet_->AddMerge({top_, left_, right_});
}

TExcelRange TExcelCells::Item(int row, int column) const { return TExcelRange(sheet_, row, column, row, column); }

void TExcelColumns::AutoFit() const {
    if (!sheet_) throw EOleException("The object invoked has disconnected from its clients");
    sheet_->AutoFit();
}

// ---------------------------------------------------------------------------------------------

void TExcelWorkbooks::Add(const std::string& savedAs) const {
    auto book = std::make_shared<Book>();
    book->target = savedAs;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    // Its rows stream into work files without names where the file system allows: a killed export leaves
    // nothing behind.
    options.tmpdir = book->tag.data();
    book->wb = workbook_new_opt(kUnsaved, &options);
    if (!book->wb) throw EOleException("Cannot create a workbook");
    auto sheet = std::make_shared<Sheet>();
    sheet->ws = workbook_add_worksheet(book->wb, nullptr);
    if (!sheet->ws) {
        if (book->failure && !savedAs.empty()) CannotSave(savedAs, book->failure);
        throw EOleException("Cannot add a worksheet");
    }
    // Rows that went where no failure is seen could not be trusted.
    if (book->open.empty()) throw EOleException("The workbook's rows have no work file of their own");
    sheet->book = book.get();
    book->sheet = sheet;
    app_->books.push_back(std::move(book));
}

int TExcelWorkbooks::Count() const { return static_cast<int>(app_->books.size()); }

ExcelWorkbook TExcelWorkbooks::Item(int index) const {
    if (index < 1 || index > Count()) throw EOleException(Format("Invalid index %d", {index}));
    return app_->books[index - 1];
}

TExcelApplication::TExcelApplication() = default;

TExcelApplication::~TExcelApplication() {
    if (app_)
        for (auto& b : app_->books) b->Discard();
}

void TExcelApplication::Connect() {
    if (!app_) app_ = std::make_shared<Instance>();
    connected_ = true;
}

void TExcelApplication::Disconnect() { connected_ = false; }

void TExcelApplication::Quit() {
    if (!connected_) Connect();
    for (auto& b : app_->books) b->Discard();
    app_.reset();
    connected_ = false;
}

TExcelWorkbooks TExcelApplication::Workbooks() const {
    if (!connected_) throw EOleException("The application is not connected");
    return TExcelWorkbooks(app_);
}

TExcelRange TExcelApplication::Range(const std::string& cell1, const std::string& cell2) const {
    if (!connected_) throw EOleException("The application is not connected");
    if (app_->books.empty()) throw EOleException("There is no active sheet");
    int r1, c1, r2, c2;
    ParseCellAddress(cell1, r1, c1);
    ParseCellAddress(cell2, r2, c2);
    return TExcelRange(app_->books.back()->sheet, r1, c1, r2, c2);
}

ExcelWorksheet TExcelWorkbook::Worksheet(int index) const {
    if (!book_ || !book_->sheet) throw EOleException("The object invoked has disconnected from its clients");
    if (index != 1) throw EOleException(Format("Invalid index %d", {index}));
    return book_->sheet;
}

const ExcelWorksheet& TExcelWorksheet::Sheet() const {
    if (!sheet_) throw EOleException("The object invoked has disconnected from its clients");
    return sheet_;
}

TExcelCells TExcelWorksheet::Cells() const { return TExcelCells(Sheet()); }

TExcelRange TExcelWorksheet::Range(const std::string& cell1, const std::string& cell2) const {
    int r1, c1, r2, c2;
    ParseCellAddress(cell1, r1, c1);
    ParseCellAddress(cell2, r2, c2);
    return TExcelRange(Sheet(), r1, c1, r2, c2);
}

TExcelColumns TExcelWorksheet::Columns() const { return TExcelColumns(Sheet()); }

void TExcelWorksheet::SaveAs(const std::string& fileName) const {
    office::Sheet& s = *Sheet();
    s.Live();
    Book& book = *s.book;
    std::unique_ptr<TDiskWorkFile> file;
    try {
        file = SaveTarget(fileName);
    } catch (...) {
        book.Discard();
        throw;
    }
    s.Finish();
    // The workbook is written into the new file, which then takes the target's name whole. The library opens
    // the name as it stands: a name on disk, not GBK.
    std::string disk;
    if (!GbkToDiskName(file->Path(), disk)) {
        book.Discard();
        CannotSave(fileName, EILSEQ);
    }
    char* name = strdup(disk.c_str());
    if (!name) {
        book.Discard();
        throw EOleException("SaveAs: out of memory");
    }
    std::free(book.wb->filename);
    book.wb->filename = name;
    // The library's other work files go beside the target too.
    book.target = fileName;
    errno = 0;
    lxw_error e = workbook_close(book.wb);  // frees the workbook whatever the result
    const int lost = FileFailure(e) ? errno : 0;
    book.wb = nullptr;
    s.ws = nullptr;
    book.CloseWorkFiles();
    // A work file that failed left a member short, whatever the library says of the whole.
    const int code = book.failure ? book.failure : FileFailure(e) ? (lost ? lost : EIO) : 0;
    book.Discard();
    if (code) CannotSave(fileName, code);
    if (e != LXW_NO_ERROR) throw EOleException("文件“" + fileName + "”没有保存：" + lxw_strerror(e));
    if (int err = DiskCommit({file.get()}, {fileName}, {})) CannotSave(fileName, err);
}

void ExcelCheckSaveAs(const std::string& fileName) { SaveTarget(fileName); }

// ---------------------------------------------------------------------------------------------

void ParseCellAddress(const std::string& a, int& row, int& column) {
    size_t i = 0;
    long long c = 0, r = 0;
    while (i < a.size() && std::isalpha(static_cast<unsigned char>(a[i])) && c <= kExcelColumns)
        c = c * 26 + (std::toupper(static_cast<unsigned char>(a[i++])) - 'A' + 1);
    size_t digits = i;
    while (i < a.size() && std::isdigit(static_cast<unsigned char>(a[i])) && r <= kExcelRows) r = r * 10 + (a[i++] - '0');
    if (digits == 0 || i == digits || i != a.size() || c > kExcelColumns || r < 1 || r > kExcelRows)
        throw EOleException("Invalid cell address \"" + a + "\"");
    row = static_cast<int>(r);
    column = static_cast<int>(c);
}

size_t GbkDisplayWidth(const std::string& t) {
    size_t w = 0;
    for (size_t i = 0; i < t.size();) {
        unsigned char b = static_cast<unsigned char>(t[i]);
        if (b < 0x81 || b == 0xFF || i + 1 == t.size()) {
            w += 1;
            i += 1;
        } else {
            unsigned char n = static_cast<unsigned char>(t[i + 1]);
            w += 2;
            i += n >= 0x30 && n <= 0x39 ? 4 : 2;
        }
    }
    return w;
}
