#include "gis/layers/GisLayerMIF.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "gis/core/GisFileCommit.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileIO.h"

namespace {

constexpr int kBusyStep = 100;
// Far more columns than any table holds; a header asking for more adds no further fields, so that a hostile
// column count cannot make the field lookups quadratic.
constexpr int kMaxColumns = 2048;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameText(std::string_view a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        char d = b[i];
        if (d >= 'a' && d <= 'z') d = char(d - 'a' + 'A');
        if (c != d) return false;
    }
    return true;
}

// A finite number written with '.', or (rarely) in the locale's form.
bool ParseNumber(std::string_view s, double& v) {
    if (s.empty()) return false;
    const char* b = s.data();
    const char* e = b + s.size();
    if (*b == '+') ++b;
    const auto r = std::from_chars(b, e, v);
    if (r.ec == std::errc() && r.ptr == e) return std::isfinite(v);
    try {
        v = GisStrToFloat(std::string(s));
        return std::isfinite(v);
    } catch (const Exception&) {
        return false;
    }
}

// The iconv name of a MapInfo character set; empty for "Neutral" and for one iconv does not know.
std::string CharsetEncoding(std::string_view charset) {
    static constexpr struct {
        const char* mapinfo;
        const char* iconv;
    } kCharsets[] = {
        {"WindowsLatin1", "CP1252"},      {"WindowsLatin2", "CP1250"},       {"WindowsCyrillic", "CP1251"},
        {"WindowsGreek", "CP1253"},       {"WindowsTurk", "CP1254"},         {"WindowsTurkish", "CP1254"},
        {"WindowsHebrew", "CP1255"},      {"WindowsArabic", "CP1256"},       {"WindowsBalticRim", "CP1257"},
        {"WindowsVietnamese", "CP1258"},  {"WindowsSimpChinese", "CP936"},   {"WindowsTradChinese", "CP950"},
        {"WindowsJapanese", "CP932"},     {"WindowsKorean", "CP949"},        {"WindowsThai", "CP874"},
        {"MacRoman", "MACINTOSH"},        {"MacCentralEurope", "MAC-CENTRALEUROPE"},
        {"MacCyrillic", "MAC-CYRILLIC"},  {"PackedEUCJapanese", "EUC-JP"},   {"UTF-8", "UTF-8"},
        {"PackedEUCJapaese", "EUC-JP"},  // as some writers spell it
    };
    std::string name;
    for (const auto& c : kCharsets)
        if (SameText(charset, c.mapinfo)) name = c.iconv;
    const auto digitsAfter = [&](const char* prefix) {
        const size_t n = std::strlen(prefix);
        if (charset.size() <= n || !SameText(charset.substr(0, n), prefix)) return std::string_view();
        const std::string_view digits = charset.substr(n);
        return digits.size() <= 5 && digits.find_first_not_of("0123456789") == std::string_view::npos
                   ? digits
                   : std::string_view();
    };
    if (!digitsAfter("ISO8859_").empty()) name = "ISO-8859-" + std::string(digitsAfter("ISO8859_"));
    if (!digitsAfter("CodePage").empty()) name = "CP" + std::string(digitsAfter("CodePage"));
    std::string ignored;
    if (name.empty() || !TryConvertEncoding("", "UTF-8", name.c_str(), ignored)) return {};
    return name;
}

bool IsAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// A count: a whole number from 0 on.
bool ParseCount(std::string_view s, int64_t& n) {
    s = TrimView(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size() && n >= 0;
}

struct ColumnType {
    const char* name;
    uint8_t fieldType;
    int32_t width, decimals;
    // How many of width and decimals the column line gives instead.
    int fromLine;
};
const ColumnType kColumnTypes[] = {
    {"Char", gisFieldString, 0, 0, 1},     {"Decimal", gisFieldNumber, 0, 0, 2}, {"Smallint", gisFieldNumber, 4, 0, 0},
    {"Integer", gisFieldNumber, 10, 0, 0}, {"Float", gisFieldFloat, 20, 5, 0},   {"Logical", gisFieldLogical, 1, 0, 0},
    {"Date", gisFieldDate, 8, 0, 0},
};

struct Token {
    std::string_view text;
    bool quoted = false;
};

// Blank-separated words of a ".mif" line; a double quote runs to the next one. Returns how many words the line
// has; at most `max` are stored.
int SplitWords(std::string_view line, Token* tokens, int max) {
    int n = 0;
    size_t i = 0;
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        Token t;
        if (line[i] == '"') {
            size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) close = line.size();
            t = {line.substr(i + 1, close - i - 1), true};
            i = close + 1;
        } else {
            size_t j = i;
            while (j < line.size() && !IsBlank(line[j])) ++j;
            t = {line.substr(i, j - i), false};
            i = j;
        }
        if (n < max) tokens[n] = t;
        ++n;
    }
    return n;
}

// Lines of a text held in memory; LF, CR LF or a lone CR ends one.
class LineCursor {
public:
    LineCursor() = default;
    explicit LineCursor(const std::string& text) : p_(text.data()), end_(text.data() + text.size()), begin_(p_) {}

    bool AtEnd() const { return p_ == end_; }
    size_t Position() const { return size_t(p_ - begin_); }
    bool Next(std::string_view& line) {
        if (p_ == end_) return false;
        const char* s = p_;
        const char* q = s;
        while (q < end_ && *q != '\n' && *q != '\r') ++q;
        line = std::string_view(s, size_t(q - s));
        if (q < end_ && *q++ == '\r' && q < end_ && *q == '\n') ++q;
        p_ = q;
        return true;
    }

    // One ".mid" row: as Next, but a line break inside a quoted value belongs to the value. The quoting follows
    // SplitRow: a value is quoted when it opens with a double quote, and "" inside does not close it.
    bool NextRow(std::string_view& row, char delimiter) {
        if (p_ == end_) return false;
        const char* s = p_;
        const char* q = s;
        bool start = true, quoted = false;
        for (; q < end_; ++q) {
            const char c = *q;
            if (quoted) {
                if (c != '"') continue;
                if (q + 1 < end_ && q[1] == '"')
                    ++q;
                else
                    quoted = false;
            } else if (c == '\n' || c == '\r') {
                break;
            } else if (c == delimiter) {
                start = true;
            } else if (start && !(c == ' ' && delimiter != ' ')) {
                start = false;
                quoted = c == '"';
            }
        }
        row = std::string_view(s, size_t(q - s));
        if (q < end_ && *q++ == '\r' && q < end_ && *q == '\n') ++q;
        p_ = q;
        return true;
    }

private:
    const char* p_ = nullptr;
    const char* end_ = nullptr;
    const char* begin_ = nullptr;
};

// One row of a ".mid": split at the delimiter only, empty values kept; a value opening with a double quote runs
// to the closing one, and "" inside reads as one quote.
void SplitRow(std::string_view line, char delimiter, std::vector<std::string>& values) {
    values.clear();
    size_t i = 0;
    for (;;) {
        std::string value;
        size_t j = i;
        while (j < line.size() && line[j] == ' ' && delimiter != ' ') ++j;
        if (j < line.size() && line[j] == '"') {
            i = j + 1;
            for (;;) {
                const size_t close = line.find('"', i);
                if (close == std::string_view::npos) {
                    value.append(line.substr(i));
                    i = line.size();
                    break;
                }
                value.append(line.substr(i, close - i));
                i = close + 1;
                if (i < line.size() && line[i] == '"') {
                    value += '"';
                    ++i;
                    continue;
                }
                break;
            }
        }
        const size_t stop = std::min(line.find(delimiter, i), line.size());
        value.append(line.substr(i, stop - i));
        values.push_back(std::move(value));
        if (stop >= line.size()) break;
        i = stop + 1;
    }
}

class MifReader {
public:
    MifReader(TGIS_LayerMIF& layer, const std::string& mif, const std::string* mid)
        : layer_(layer), mif_(mif), hasMid_(mid != nullptr), size_(ClampPos(mif.size())) {
        if (mid) mid_ = LineCursor(*mid);
        const char* program = GisCodePageEncoding(layer_.GetOutCodePage());
        program_ = program ? program : "";
    }

    void Run() {
        std::string_view line;
        Token t[5];
        while (NextLine(line)) {
            const int n = SplitWords(line, t, 5);
            if (n == 0 || t[0].quoted) continue;
            for (int i = n; i < 5; ++i) t[i] = Token();
            const std::string_view kw = t[0].text;
            if (SameText(kw, "Charset")) {
                // Text in the program's own code page, or in one that names none iconv knows, stays as it is.
                encoding_ = CharsetEncoding(t[1].text);
                if (encoding_ == program_ || program_.empty()) encoding_.clear();
            } else if (SameText(kw, "Delimiter")) {
                // Written out by some programs as the escape rather than the character.
                layer_.Delimiter = t[1].text == "\\t" ? std::string("\t") : std::string(t[1].text);
            } else if (SameText(kw, "Columns")) {
                ReadColumns(t[1].text);
            } else if (SameText(kw, "Region")) {
                TGIS_Shape* s = Begin(gisShapeTypePolygon);
                ReadRegion(s, t[1].text);
                End(s);
            } else if (SameText(kw, "PLine")) {
                TGIS_Shape* s = Begin(gisShapeTypeArc);
                ReadPLine(s, t[1].text, t[2].text);
                End(s);
            } else if (SameText(kw, "Line")) {
                TGIS_Shape* s = Begin(gisShapeTypeArc);
                TGIS_Point a, b;
                if (ParseNumber(t[1].text, a.X) && ParseNumber(t[2].text, a.Y) && ParseNumber(t[3].text, b.X) &&
                    ParseNumber(t[4].text, b.Y)) {
                    s->AddPart();
                    s->AddPoint(a);
                    s->AddPoint(b);
                }
                End(s);
            } else if (SameText(kw, "Point")) {
                TGIS_Shape* s = Begin(gisShapeTypePoint);
                TGIS_Point p;
                if (ParseNumber(t[1].text, p.X) && ParseNumber(t[2].text, p.Y)) s->AddPoint(p);
                End(s);
            } else if (SameText(kw, "Multipoint")) {
                TGIS_Shape* s = Begin(gisShapeTypeMultipoint);
                ReadPointList(s, t[1].text);
                End(s);
            } else if (SameText(kw, "Collection")) {
                SkipCollection(t[1].text);
                ReadMidRow(nullptr);
            } else if (SameText(kw, "Arc") || SameText(kw, "Text") || SameText(kw, "Rect") ||
                       SameText(kw, "RoundRect") || SameText(kw, "Ellipse") || SameText(kw, "None")) {
                ReadMidRow(nullptr);
            }
        }
    }

private:
    static int32_t ClampPos(size_t p) { return int32_t(std::min<size_t>(p, std::numeric_limits<int32_t>::max())); }

    bool NextLine(std::string_view& line) {
        if (again_) {
            again_ = false;
            line = current_;
            return true;
        }
        if (!mif_.Next(line)) return false;
        current_ = line;
        ++lineCount_;
        if (lineCount_ % kBusyStep == 1 && layer_.Viewer && layer_.Viewer->OnBusy) {
            bool abort = false;
            layer_.Viewer->OnBusy(layer_.Viewer, ClampPos(mif_.Position()), size_, abort);
        }
        return true;
    }
    // The line just read ended an object: it is read again as a line of its own.
    void ReadAgain() { again_ = true; }

    bool ReadCountLine(std::string_view token, int64_t& n) {
        if (!TrimView(token).empty()) return ParseCount(token, n);
        std::string_view line;
        if (!NextLine(line)) return false;
        if (ParseCount(line, n)) return true;
        ReadAgain();
        return false;
    }

    // `count` coordinate lines, each exactly "x y"; false when the file ends or a line does not read.
    bool ReadPoints(TGIS_Shape* s, int64_t count) {
        std::string_view line;
        Token t[2];
        for (int64_t i = 0; i < count; ++i) {
            if (!NextLine(line)) return false;
            TGIS_Point p;
            if (SplitWords(line, t, 2) != 2 || !ParseNumber(t[0].text, p.X) || !ParseNumber(t[1].text, p.Y)) {
                ReadAgain();
                return false;
            }
            if (s) s->AddPoint(p);
        }
        return true;
    }

    bool ReadPointList(TGIS_Shape* s, std::string_view countToken) {
        int64_t n = 0;
        if (!ReadCountLine(countToken, n)) return false;
        if (s) s->AddPart();
        return ReadPoints(s, n);
    }

    bool ReadRegion(TGIS_Shape* s, std::string_view ringsToken) {
        int64_t rings = 0;
        if (!ParseCount(ringsToken, rings)) return false;
        for (int64_t r = 0; r < rings; ++r) {
            int64_t c = 0;
            if (!ReadCountLine({}, c)) return false;
            if (c == 0) continue;
            if (s) s->AddPart();
            if (!ReadPoints(s, c)) return false;
        }
        return true;
    }

    bool ReadPLine(TGIS_Shape* s, std::string_view t1, std::string_view t2) {
        if (!SameText(t1, "Multiple")) return ReadPointList(s, t1);
        int64_t sections = 0;
        if (!ParseCount(t2, sections)) return false;
        for (int64_t i = 0; i < sections; ++i)
            if (!ReadPointList(s, {})) return false;
        return true;
    }

    // The parts of a collection are read past, whole (the one-line Line and Point among them); a line starting
    // another object ends it early.
    void SkipCollection(std::string_view partsToken) {
        int64_t parts = 0;
        if (!ParseCount(partsToken, parts)) return;
        std::string_view line;
        Token t[3];
        while (parts > 0 && NextLine(line)) {
            const int n = SplitWords(line, t, 3);
            if (n == 0 || t[0].quoted) continue;
            for (int i = n; i < 3; ++i) t[i] = Token();
            const std::string_view kw = t[0].text;
            bool ok = true;
            if (SameText(kw, "Region"))
                ok = ReadRegion(nullptr, t[1].text);
            else if (SameText(kw, "PLine"))
                ok = ReadPLine(nullptr, t[1].text, t[2].text);
            else if (SameText(kw, "Multipoint"))
                ok = ReadPointList(nullptr, t[1].text);
            else if (SameText(kw, "Line") || SameText(kw, "Point"))
                ok = true;
            else if (IsObjectKeyword(kw)) {
                ReadAgain();
                return;
            } else
                continue;
            --parts;
            if (!ok) return;
        }
    }

    static bool IsObjectKeyword(std::string_view kw) {
        for (const char* k : {"Point", "Line", "PLine", "Region", "Multipoint", "Arc", "Text", "Rect", "RoundRect",
                              "Ellipse", "None", "Collection"})
            if (SameText(kw, k)) return true;
        return false;
    }

    void ReadColumns(std::string_view countToken) {
        int64_t count = 0;
        if (!ParseCount(countToken, count)) return;
        TGIS_Tokenizer tk;
        std::string_view line;
        for (int64_t i = 0; i < count && NextLine(line); ++i) {
            tk.Execute(std::string(line), " \t(),", false);
            columns_.push_back(AddColumn(tk.Tokens));
        }
    }

    // The field index the column fills, or -1 for a column whose values are dropped.
    int AddColumn(const TStringList& tokens) {
        if (tokens.Count() < 2 || int(layer_.Fields.size()) >= kMaxColumns) return -1;
        const std::string name = Text(tokens[0]);
        const std::string& type = tokens[1];
        auto number = [&](int i) {
            int v = 0;
            return i < tokens.Count() && TryStrToInt(tokens[i], v) && v > 0 ? v : 0;
        };
        const ColumnType* ct = nullptr;
        for (const ColumnType& c : kColumnTypes)
            if (SameText(type, c.name)) ct = &c;
        if (!ct) return -1;
        const int32_t width = ct->fromLine >= 1 ? number(2) : ct->width;
        const int32_t decimals = ct->fromLine >= 2 ? number(3) : ct->decimals;
        // A repeated name cannot be a second field; its values are dropped. Looked up here, not by FindField,
        // which compares with every field: 2,048 long names would take seconds.
        if (!names_.insert(AnsiLowerCase(name)).second) return -1;
        layer_.AppendFileField(name, ct->fieldType, width, decimals, 0);
        const int field = int(layer_.Fields.size()) - 1;
        if (ct->fieldType == gisFieldDate) dateFields_.push_back(field);
        return field;
    }

    // Text of the file in the layer's output code page; what that lacks becomes '?'.
    std::string Text(std::string text) const {
        if (encoding_.empty() || IsAscii(text)) return text;
        return ConvertText(text, program_.c_str(), encoding_.c_str());
    }

    TGIS_Shape* Begin(uint8_t type) {
        TGIS_Shape* s = layer_.CreateShape(type);
        s->Lock(2);
        return s;
    }

    // A shape that got no point is dropped; either way the object takes its row.
    void End(TGIS_Shape* s) {
        s->Unlock();
        if (!s->HasGeometry() || s->GetNumPoints() == 0) {
            layer_.Shapes.pop_back();
            ReadMidRow(nullptr);
            return;
        }
        ReadMidRow(s);
        if (layer_.Shapes.size() == 1) layer_.SetExtent(s->GetExtent());
    }

    void ReadMidRow(TGIS_Shape* s) {
        std::string_view line;
        const char delimiter = layer_.Delimiter.empty() ? '\t' : layer_.Delimiter[0];
        const bool row = hasMid_ && mid_.NextRow(line, delimiter);
        if (!s) return;
        if (row) {
            SplitRow(line, delimiter, values_);
            const size_t n = std::min(values_.size(), columns_.size());
            for (size_t i = 0; i < n; ++i) {
                const int f = columns_[i];
                if (f < 0) continue;
                SetValue(*s, f, values_[i]);
            }
        }
        // A date the row does not give is no date either, not the type's default (today).
        std::string none;
        for (int f : dateFields_)
            if (!s->Values || s->Values->GetItem(f).IsEmpty()) SetValue(*s, f, none);
    }

    // A value that does not convert to the field's type gives no value; a date, the mark of no date.
    void SetValue(TGIS_Shape& s, int field, std::string& text) {
        const TGIS_FieldInfo& info = *layer_.Fields[size_t(field)];
        const std::string_view t = TrimView(text);
        Variant value;
        switch (info.FieldType) {
        case gisFieldString:
            if (text.empty()) return;
            value = Variant(Text(std::move(text)));
            break;
        case gisFieldDate: value = DateOf(t); break;
        case gisFieldNumber:
        case gisFieldFloat: {
            double d = 0;
            if (!ParseNumber(t, d)) return;
            // Stored as read: a Decimal(n,0) column may hold a fraction, which the field's rounding would lose.
            if (info.FieldType == gisFieldNumber && info.Decimals == 0 && d == std::trunc(d) &&
                std::fabs(d) <= std::numeric_limits<int32_t>::max())
                value = Variant(int(d));
            else
                value = Variant(d);
            break;
        }
        default:
            if (t.empty()) return;
            value = Variant(std::string(t));
        }
        if (!s.Values) {
            // Every value starts unassigned, so that a value missing from the row does not take another's.
            s.Values = std::make_unique<TGIS_VariantList>();
            for (size_t i = 0; i < layer_.Fields.size(); ++i) s.Values->Add(Variant());
        }
        if (info.FieldType == gisFieldNumber || info.FieldType == gisFieldFloat || info.FieldType == gisFieldDate) {
            s.Values->SetItem(field, std::move(value));
            return;
        }
        try {
            s.SetFieldAt(field, value);
        } catch (const Exception&) {
        }
    }

    // "YYYYMMDD"; blank or anything else is no date.
    static Variant DateOf(std::string_view t) {
        int y = 0, m = 0, d = 0;
        if (t.size() != 8 || std::from_chars(t.data(), t.data() + 4, y).ptr != t.data() + 4 ||
            std::from_chars(t.data() + 4, t.data() + 6, m).ptr != t.data() + 6 ||
            std::from_chars(t.data() + 6, t.data() + 8, d).ptr != t.data() + 8)
            return GisNoDate();
        try {
            return Variant::FromDate(EncodeDate(y, m, d));
        } catch (const Exception&) {
            return GisNoDate();
        }
    }

    TGIS_LayerMIF& layer_;
    LineCursor mif_;
    LineCursor mid_;
    bool hasMid_;
    std::string_view current_;
    bool again_ = false;
    int64_t lineCount_ = 0;
    // Field index of each ".mid" column, -1 where the column adds no field; the date fields among them.
    std::vector<int> columns_, dateFields_;
    // The names of the fields added, as FindField compares them.
    std::unordered_set<std::string> names_;
    std::vector<std::string> values_;
    int32_t size_;
    // iconv names of the text's encoding (empty: taken as it is) and of the layer's output code page.
    std::string encoding_, program_;
};

// ---- writing ----

void AppendNumber(std::string& out, double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    out.append(buf, r.ptr);
}

void AppendPointLine(std::string& out, const TGIS_Point& p) {
    AppendNumber(out, p.X);
    out += ' ';
    AppendNumber(out, p.Y);
    out += "\r\n";
}

void AppendInt(std::string& out, int64_t v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void WriteHeader(std::string& out, TGIS_LayerVector& source, const TGIS_Extent& extent) {
    // The text goes out as the layer gives it, in its output code page.
    const int page = source.GetOutCodePage();
    const bool gbk = page == 0 || page == 936 || page == 20936;
    out += "Version 300\r\nCharset \"";
    out += gbk ? "WindowsSimpChinese" : "Neutral";
    out += "\"\r\nDelimiter \",\"\r\nCoordSys NonEarth Projection 1, 0 Bounds (";
    AppendNumber(out, extent.XMin);
    out += ", ";
    AppendNumber(out, extent.YMin);
    out += ") (";
    AppendNumber(out, extent.XMax);
    out += ", ";
    AppendNumber(out, extent.YMax);
    out += ")\r\n";
    int count = 0;
    for (const auto& f : source.Fields)
        if (!f->Deleted) ++count;
    out += "Columns ";
    AppendInt(out, count);
    out += "\r\n";
    for (const auto& f : source.Fields) {
        if (f->Deleted) continue;
        out += ' ';
        out += f->ExportName;
        switch (f->FieldType) {
        case gisFieldString:
            out += " Char(";
            AppendInt(out, f->NewWidth);
            out += ')';
            break;
        case gisFieldNumber:
            out += " Decimal (";
            AppendInt(out, f->NewWidth);
            out += ',';
            AppendInt(out, f->NewDecimals);
            out += ')';
            break;
        case gisFieldFloat: out += " Float"; break;
        case gisFieldLogical: out += " Logical"; break;
        case gisFieldDate: out += " Date"; break;
        default: throw EGIS_Exception(GIS_RS_ERR_FIELDTYPE, "", 0);
        }
        out += "\r\n";
    }
    out += "Data\r\n\r\n";
}

void WritePart(std::string& out, TGIS_Shape& s, int part) {
    const int n = s.GetPartSize(part);
    for (int i = 0; i < n; ++i) AppendPointLine(out, s.GetPoint(part, i));
}

void WriteCountedParts(std::string& out, TGIS_Shape& s) {
    for (int part = 0; part < s.GetNumParts(); ++part) {
        AppendInt(out, s.GetPartSize(part));
        out += "\r\n";
        WritePart(out, s, part);
    }
}

void WriteGeometry(std::string& out, TGIS_Shape& s) {
    struct Locked {
        TGIS_Shape& s;
        ~Locked() { s.Unlock(); }
    } locked{s};
    s.Lock(2);
    switch (s.ShapeType()) {
    case gisShapeTypePoint: {
        const TGIS_Point p = s.GetPoint(0, 0);
        out += "Point ";
        AppendPointLine(out, p);
        break;
    }
    case gisShapeTypeMultipoint:
        out += "Multipoint ";
        AppendInt(out, s.GetPartSize(0));
        out += "\r\n";
        WritePart(out, s, 0);
        break;
    case gisShapeTypeArc:
        if (s.GetNumParts() == 1) {
            out += "PLine ";
            AppendInt(out, s.GetPartSize(0));
            out += "\r\n";
            WritePart(out, s, 0);
        } else {
            out += "PLine Multiple ";
            AppendInt(out, s.GetNumParts());
            out += "\r\n";
            WriteCountedParts(out, s);
        }
        break;
    case gisShapeTypePolygon:
        out += "Region ";
        AppendInt(out, s.GetNumParts());
        out += "\r\n";
        WriteCountedParts(out, s);
        break;
    default: break;
    }
}

double NumberOrZero(const Variant& v) {
    try {
        const double d = v.IsString() ? GisStrToFloat(v.StrRef()) : v.AsDouble();
        return std::isfinite(d) ? d : 0;
    } catch (const Exception&) {
        return 0;
    }
}

void WriteMidRecord(std::string& out, TGIS_LayerVector& source, TGIS_Shape& s) {
    bool first = true;
    for (const auto& f : source.Fields) {
        if (f->Deleted) continue;
        if (!first) out += ',';
        first = false;
        const Variant v = s.GetField(f->NewName);
        switch (f->FieldType) {
        case gisFieldString: {
            out += '"';
            // A quote or a line break inside would end the value or the row early.
            for (char c : VarToStr(v)) out += c == '"' ? '\'' : (c == '\r' || c == '\n') ? ' ' : c;
            out += '"';
            break;
        }
        case gisFieldDate: {
            if (GisIsNoDate(v)) break;
            out += '"';
            try {
                int y = 0, m = 0, d = 0;
                DecodeDate(v.AsDate(), y, m, d);
                char buf[16];
                std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
                out += buf;
            } catch (const Exception&) {
            }
            out += '"';
            break;
        }
        case gisFieldLogical: {
            bool b = false;
            if (v.IsString()) {
                const std::string t = UpperCase(Trim(v.StrRef()));
                b = t == "T" || t == "Y" || t == "1";
            } else {
                try {
                    b = v.AsBoolean();
                } catch (const Exception&) {
                }
            }
            out += b ? '1' : '0';
            break;
        }
        case gisFieldNumber: {
            const int decimals = std::clamp(int(f->NewDecimals), 0, 99);
            const double d = NumberOrZero(v);
            char buf[512];
            // A fraction in a whole-number column keeps its digits rather than be rounded.
            const auto r = decimals == 0 && d != std::trunc(d)
                               ? std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed)
                               : std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, decimals);
            out.append(buf, r.ptr);
            break;
        }
        case gisFieldFloat: out += GisFloatToStr(NumberOrZero(v)); break;
        default: throw EGIS_Exception(GIS_RS_ERR_FIELDTYPE, "", 0);
        }
    }
    out += "\r\n";
}

std::string MidPathOf(const std::string& path) { return GisCompanionPath(path, ".mid"); }

}  // namespace

TGIS_LayerMIF::TGIS_LayerMIF() { Capabilities = 7; }

std::string TGIS_LayerMIF::MidPath() const { return MidPathOf(Path); }

void TGIS_LayerMIF::Open(TGIS_Viewer* viewer) {
    TGIS_LayerVector::Open(viewer);
    Delimiter.clear();
    Extent = ProjectedExtent = GisEmptyExtent();
    std::string mif, mid;
    bool hasMid = false;
    {
        // Both files of one save: none moves while they are read.
        const TDiskReadTurn turn = GisRecoverFiles(Path);
        errno = 0;
        if (!DiskReadAll(Path, mif)) RaiseFileOpenError(Path, errno);
        // A ".mid" that is there but cannot be read is no missing one: its rows would come back blank, and be
        // saved so.
        errno = 0;
        hasMid = DiskReadAll(MidPath(), mid);
        if (!hasMid && errno != ENOENT) GisRaiseReadError(MidPath(), errno ? errno : EIO);
    }
    MifReader reader(*this, mif, hasMid ? &mid : nullptr);
    reader.Run();
    if (Viewer && Viewer->OnBusy) {
        bool abort = true;
        Viewer->OnBusy(Viewer, 0, 0, abort);
    }
}

void TGIS_LayerMIF::SaveAll() {
    TGIS_LayerAbstract::SaveAll();
    if (!Shapes.empty()) WriteFromLayer(*this, Path, GisFullExtent(), gisShapeTypeNull, "", false);
}

void TGIS_LayerMIF::WriteFromLayer(TGIS_LayerVector& layer, const std::string& path, const TGIS_Extent& extent,
                                   uint8_t shapeType, const std::string& query, bool clip) {
    TGIS_Viewer* viewer = layer.Viewer;
    const int32_t lastUid = layer.GetLastUid();
    bool abort = false;
    if (viewer && viewer->OnBusy) viewer->OnBusy(viewer, 0, lastUid, abort);
    // The closing call names this layer, the writer, as its sender.
    struct Done {
        TGIS_Viewer* viewer;
        TGIS_LayerMIF* writer;
        ~Done() {
            bool ignored = false;
            if (viewer && viewer->OnBusy) viewer->OnBusy(writer, -1, -1, ignored);
        }
    } done{viewer, this};

    layer.PrepareExportNames(32);
    TGIS_FileCommit commit({path, MidPathOf(path)});
    commit.CheckTargets();
    const bool sameFile = GisCanonicalPath(path) == GisCanonicalPath(Path);
    std::string mif, mid;
    WriteHeader(mif, layer, GisExtentIntersection(layer.Extent, extent));
    int written = 0;
    layer.SetFilter(extent, query);
    layer.ScanFirst();
    for (int index = 0; !abort && !layer.ScanEof(); ++index) {
        TGIS_Shape* shape = layer.ScanCurrent();
        std::unique_ptr<TGIS_Shape> clipped;
        if (clip) clipped = shape->Clip(extent);
        TGIS_Shape* geometry = clip ? clipped.get() : shape;
        if (geometry && !geometry->Deleted && geometry->HasGeometry() && geometry->GetNumPoints() > 0 &&
            (shapeType == gisShapeTypeNull || shapeType == geometry->ShapeType())) {
            WriteGeometry(mif, *geometry);
            WriteMidRecord(mid, layer, *shape);
            ++written;
        }
        if (index % kBusyStep == 1 && viewer && viewer->OnBusy) viewer->OnBusy(viewer, shape->Uid, lastUid, abort);
        if (!abort) layer.ScanNext();
    }
    // An abort ends the scan only: what was written so far is saved, the old pair kept as the backups.
    if (written == 0 && !sameFile) return;
    const std::string* bytes[] = {&mif, &mid};
    for (size_t i = 0; i < 2; ++i) {
        errno = 0;
        if (!DiskWriteAll(commit.TempName(i), *bytes[i])) GisRaiseWriteError(commit.Targets()[i], errno ? errno : EIO);
    }
    commit.Commit();
}
