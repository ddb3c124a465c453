// CGM symbols: the metafile is read once into drawing records; drawing replays them.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisSymbol.h"
#include "gis/layers/GisViewer.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Graphics.h"

namespace {

// Element codes: class x 100 + id.
enum : int {
    cScaleMode = 201, cVdcExtent = 206, cPolyline = 401, cPolygon = 407, cPolygonSet = 408, cRectangle = 411,
    cCircle = 412, cArcCentre = 415, cEllipse = 417, cEllipticArc = 418, cLineWidth = 503, cLineColor = 504,
    cInteriorStyle = 522, cFillColor = 523, cEdgeWidth = 528, cEdgeColor = 529, cEdgeVisibility = 530,
    cColorTable = 534
};

struct Keyword {
    const char* text;
    int code;
};
const Keyword kKeywords[] = {{"SCALEMODE", cScaleMode},   {"VDCEXT", cVdcExtent},       {"COLRTABLE", cColorTable},
                             {"INTSTYLE", cInteriorStyle}, {"FILLCOLR", cFillColor},     {"EDGECOLR", cEdgeColor},
                             {"EDGEWIDTH", cEdgeWidth},    {"EDGEVIS", cEdgeVisibility}, {"LINECOLR", cLineColor},
                             {"LINEWIDTH", cLineWidth},    {"RECTANGLE", cRectangle},    {"POLYGON", cPolygon},
                             {"LINE", cPolyline},          {"CIRCLE", cCircle},          {"ARCCTR", cArcCentre},
                             {"ELLIPSE", cEllipse},        {"ELLIPARC", cEllipticArc}};

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == 7 || c == '(' || c == ')';
}

// Reads the elements of one metafile into drawing records. Values are read only while the element's
// data still holds them; the end of the file ends the element.
class Reader {
public:
    Reader(TGIS_SymbolCgm& symbol, const std::string& data, const std::string& path)
        : s_(symbol), d_(data), path_(path) {}

    void Run() {
        s_.Records.clear();
        s_.X1 = s_.Y1 = s_.X2 = s_.Y2 = 0;
        s_.ScaleFactor = 1.0;
        s_.NaturalSize = 1.0;
        std::fill(std::begin(table_), std::end(table_), 0u);
        s_.Binary = !d_.empty() && d_[0] == 0;
        // A clear-text metafile opens with its BEGMF keyword; anything else is not taken for one at all.
        if (!s_.Binary && (d_.size() < 5 || UpperCase(d_.substr(0, 5)) != "BEGMF"))
            throw EConvertError("\"" + path_ + "\" is not a metafile");
        for (;;) {
            int code = s_.Binary ? NextBinary() : NextText();
            if (code < 0) break;
            Element(code);
        }
        TGIS_SymbolCgm::TRecord end{};
        Append(end);
        // A symbol of no height has no scale.
        if (!(s_.NaturalSize > 0)) Fail();
    }

private:
    [[noreturn]] void Fail() const { throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, path_, 0); }

    // ---- binary encoding
    int NextBinary() {
        pos_ = std::min(d_.size(), pos_ + remaining_ + pad_);
        remaining_ = pad_ = 0;
        end_ = true;
        uint16_t h;
        if (!Word(h)) return -1;
        size_t length = h & 31;
        bool partitioned = false;
        if (length == 31) {
            uint16_t w;
            if (!Word(w)) return -1;
            partitioned = (w & 0x8000) != 0;
            length = w & 0x7FFF;
        }
        // Partitioned parameter lists are outside the subset: every partition is passed over.
        int code = (h >> 12) * 100 + ((h >> 5) & 127);
        while (partitioned) {
            code = 0;
            pos_ = std::min(d_.size(), pos_ + length);
            uint16_t w;
            if (!Word(w)) return -1;
            partitioned = (w & 0x8000) != 0;
            length = w & 0x7FFF;
        }
        remaining_ = length;
        pad_ = length & 1;
        end_ = length == 0;
        return code;
    }

    bool Word(uint16_t& w) {
        if (d_.size() - pos_ < 2) {
            pos_ = d_.size();
            return false;
        }
        w = static_cast<uint16_t>(static_cast<uint8_t>(d_[pos_]) << 8 | static_cast<uint8_t>(d_[pos_ + 1]));
        pos_ += 2;
        return true;
    }

    // `size` bytes of the element, when it still holds them.
    bool Take(size_t size) {
        if (end_ || remaining_ < size) {
            end_ = true;
            return false;
        }
        if (d_.size() - pos_ < size) {
            end_ = true;
            pos_ = d_.size();
            remaining_ = 0;
            return false;
        }
        return true;
    }
    int32_t BinaryInt() {
        int32_t v = static_cast<int16_t>(static_cast<uint8_t>(d_[pos_]) << 8 | static_cast<uint8_t>(d_[pos_ + 1]));
        Advance(2);
        return v;
    }
    int32_t BinaryByte() {
        int32_t v = static_cast<uint8_t>(d_[pos_]);
        Advance(1);
        return v;
    }
    void Advance(size_t n) {
        pos_ += n;
        remaining_ -= n;
        if (remaining_ == 0) end_ = true;
    }

    // ---- clear-text encoding
    int NextText() {
        while (!end_) Token();
        for (;;) {
            end_ = false;
            if (!Token()) {
                if (pos_ >= d_.size()) return -1;
                continue;  // an empty element
            }
            const std::string k = UpperCase(token_);
            for (const Keyword& kw : kKeywords)
                if (k == kw.text) return kw.code;
            return 0;
        }
    }

    // The next token of the element into token_; false at its end.
    bool Token() {
        if (end_) return false;
        while (pos_ < d_.size() && IsSeparator(d_[pos_])) ++pos_;
        if (pos_ >= d_.size() || d_[pos_] == ';') {
            if (pos_ < d_.size()) ++pos_;
            end_ = true;
            return false;
        }
        size_t from = pos_;
        while (pos_ < d_.size() && !IsSeparator(d_[pos_]) && d_[pos_] != ';') ++pos_;
        token_.assign(d_, from, pos_ - from);
        return true;
    }
    bool TextInt(int32_t& v) {
        if (!Token()) return false;
        int i;
        if (!TryStrToInt(token_, i)) Fail();
        v = i;
        return true;
    }

    // ---- values of either encoding
    bool Int(int32_t& v) {
        if (!s_.Binary) return TextInt(v);
        if (!Take(2)) return false;
        v = BinaryInt();
        return true;
    }
    bool ColorIndex(int32_t& v) {
        if (!s_.Binary) return TextInt(v);
        if (!Take(1)) return false;
        v = BinaryByte();
        return true;
    }
    bool Triple(int32_t& r, int32_t& g, int32_t& b) {
        if (!s_.Binary) return TextInt(r) && TextInt(g) && TextInt(b);
        if (!Take(3)) return false;
        r = BinaryByte();
        g = BinaryByte();
        b = BinaryByte();
        return true;
    }
    bool Point(int32_t& x, int32_t& y) {
        if (s_.Binary && !Take(4)) return false;
        return Int(x) && Int(y);
    }
    // A word of clear text, upper case; binary elements give their integer as text.
    bool Word(std::string& w) {
        if (s_.Binary) {
            int32_t v;
            if (!Int(v)) return false;
            w = IntToStr(v);
            return true;
        }
        if (!Token()) return false;
        w = UpperCase(token_);
        return true;
    }
    uint32_t Color(int32_t index) const { return table_[index >= 0 && index <= 255 ? index : 0]; }

    // ---- elements
    void Element(int code) {
        int32_t a, b, c, d;
        switch (code) {
        case cScaleMode: {
            std::string mode;
            if (s_.Binary || !Word(mode) || !Token()) break;
            try {
                s_.ScaleFactor = GisStrToFloat(token_) * 1440 / 25.4;
            } catch (const EConvertError&) {
                Fail();
            }
            break;
        }
        case cVdcExtent:
            if (Int(a) && Int(b) && Int(c) && Int(d)) {
                s_.X1 = a;
                s_.Y1 = b;
                s_.X2 = c;
                s_.Y2 = d;
                s_.NaturalSize = 2.0 * std::max(std::fabs(double(b)), std::fabs(double(d)));
            }
            break;
        case cColorTable: {
            int32_t index;
            if (!ColorIndex(index)) break;
            while (Triple(a, b, c)) {
                if (index < 0 || index > 255) Fail();
                table_[index++] = GisMakeColor(a, b, c);
            }
            break;
        }
        case cInteriorStyle:
            if (s_.Binary) {
                if (Int(a)) interior_ = a == 0 || a == 4 ? 1 : 0;
            } else {
                std::string w;
                if (Word(w)) interior_ = w == "HOLLOW" || w == "EMPTY" ? 1 : 0;
            }
            break;
        case cFillColor:
            if (ColorIndex(a)) fillColor_ = Color(a);
            break;
        case cEdgeColor:
            if (ColorIndex(a)) edgeColor_ = Color(a);
            break;
        case cLineColor:
            if (ColorIndex(a)) lineColor_ = Color(a);
            break;
        case cEdgeWidth:
        case cLineWidth:
            if (Int(a)) {
                if (a < 0) Fail();
                (code == cEdgeWidth ? edgeWidth_ : lineWidth_) = a;
            }
            break;
        case cEdgeVisibility:
            if (s_.Binary) {
                if (Int(a)) edgeVisible_ = a != 0;
            } else {
                std::string w;
                if (Word(w)) edgeVisible_ = w == "ON";
            }
            break;
        case cPolyline:
        case cPolygon:
        case cPolygonSet: {
            size_t at = Begin(code == cPolyline ? TGIS_SymbolCgm::rkPolyline : TGIS_SymbolCgm::rkArea);
            while (Point(a, b)) {
                if (code == cPolygonSet && !Int(c)) break;
                Add(a, b);
            }
            Finish(at);
            break;
        }
        case cRectangle: {
            size_t at = Begin(TGIS_SymbolCgm::rkArea);
            while (Point(a, b) && Point(c, d)) {
                Add(a, b);
                Add(c, b);
                Add(c, d);
                Add(a, d);
                Add(a, b);
            }
            Finish(at);
            break;
        }
        case cCircle:
            if (Point(a, b) && Int(c)) {
                const double r = std::max(1, c);
                Conic(TGIS_SymbolCgm::rkArea, a, b, r, 0, 0, r, 0, 2 * std::numbers::pi);
            }
            break;
        case cArcCentre: {
            int32_t x1, y1, x2, y2, r;
            if (Point(a, b) && Point(x1, y1) && Point(x2, y2) && Int(r)) {
                const double rr = std::max(1, r);
                Conic(TGIS_SymbolCgm::rkPolyline, a, b, rr, 0, 0, rr, std::atan2(y1, x1), Sweep(x1, y1, x2, y2));
            }
            break;
        }
        case cEllipse:
        case cEllipticArc: {
            int32_t px, py, qx, qy, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            if (!(Point(a, b) && Point(px, py) && Point(qx, qy))) break;
            const double ux = double(px) - a, uy = double(py) - b, vx = double(qx) - a, vy = double(qy) - b;
            if (code == cEllipse)
                Conic(TGIS_SymbolCgm::rkArea, a, b, ux, uy, vx, vy, 0, 2 * std::numbers::pi);
            else if (Point(x1, y1) && Point(x2, y2))
                Conic(TGIS_SymbolCgm::rkPolyline, a, b, ux, uy, vx, vy, std::atan2(y1, x1), Sweep(x1, y1, x2, y2));
            break;
        }
        default:
            break;
        }
    }

    // Counter-clockwise from the start vector to the end vector; a whole turn gives 0.
    static double Sweep(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        const double start = -std::atan2(y1, x1), end = -std::atan2(y2, x2);
        return std::fmod(start - end + 4 * std::numbers::pi, 2 * std::numbers::pi);
    }

    // Points of centre + u cos t + v sin t from t = start over the sweep.
    void Conic(uint32_t kind, double cx, double cy, double ux, double uy, double vx, double vy, double start,
               double sweep) {
        constexpr double pi = std::numbers::pi;
        const int n = sweep < pi / 4 ? 11 : sweep < pi / 2 ? 22 : sweep < pi ? 45 : 89;
        size_t at = Begin(kind);
        for (int k = 0; k <= n; ++k) {
            const double t = start + sweep * k / n;
            Add(GisRoundToInt(cx + ux * std::cos(t) + vx * std::sin(t)), GisRoundToInt(cy + uy * std::cos(t) + vy * std::sin(t)));
        }
        Finish(at);
    }

    // ---- records
    size_t Begin(uint32_t kind) {
        TGIS_SymbolCgm::TRecord r{};
        r.Kind = kind;
        r.BrushColor = fillColor_;
        r.BrushStyle = interior_;
        if (kind == TGIS_SymbolCgm::rkPolyline) {
            r.PenColor = lineColor_;
            r.PenWidth = lineWidth_;
        } else {
            r.PenColor = edgeColor_;
            r.PenWidth = edgeWidth_;
            r.PenStyle = edgeVisible_ ? 0 : 5;
        }
        size_t at = s_.Records.size();
        Append(r);
        count_ = 0;
        return at;
    }
    void Add(int32_t x, int32_t y) {
        // One record is drawn from the viewer's point buffer.
        if (++count_ > uint32_t(GIS_MAX_DRAW_POINTS)) Fail();
        const int32_t p[2] = {x, GisRoundToInt(-double(y))};
        const auto* b = reinterpret_cast<const uint8_t*>(p);
        s_.Records.insert(s_.Records.end(), b, b + sizeof p);
    }
    void Finish(size_t at) {
        std::memcpy(s_.Records.data() + at + offsetof(TGIS_SymbolCgm::TRecord, Count), &count_, sizeof count_);
    }
    void Append(const TGIS_SymbolCgm::TRecord& r) {
        const auto* b = reinterpret_cast<const uint8_t*>(&r);
        s_.Records.insert(s_.Records.end(), b, b + sizeof r);
    }

    TGIS_SymbolCgm& s_;
    const std::string& d_;
    const std::string& path_;
    size_t pos_ = 0;
    // Binary: data bytes left in the element, and its padding byte.
    size_t remaining_ = 0, pad_ = 0;
    bool end_ = true;
    std::string token_;
    uint32_t table_[256];
    uint8_t interior_ = 1;
    uint32_t fillColor_ = 0, edgeColor_ = 0, lineColor_ = 0;
    int32_t edgeWidth_ = 1, lineWidth_ = 1;
    bool edgeVisible_ = true;
    uint32_t count_ = 0;
};

}  // namespace

TGIS_SymbolCgm::TGIS_SymbolCgm(const std::string& name) : TGIS_SymbolAbstract(name), Path(ExpandFileName(name)) {
    Load();
}

TGIS_SymbolCgm::~TGIS_SymbolCgm() = default;

void TGIS_SymbolCgm::Load() {
    std::string bytes;
    errno = 0;
    if (!DiskReadAll(Path, bytes)) RaiseFileOpenError(Path, errno);
    LoadFromBytes(bytes, Path);
}

void TGIS_SymbolCgm::LoadFromBytes(const std::string& bytes, const std::string& path) {
    try {
        Reader(*this, bytes, path).Run();
    } catch (...) {
        Records.clear();
        throw;
    }
}

int TGIS_SymbolCgm::NaturalWidth() const { return GisRoundToInt(double(ScaleLength(X2)) - ScaleLength(X1)); }
int TGIS_SymbolCgm::NaturalHeight() const { return GisRoundToInt(double(ScaleLength(Y2)) - ScaleLength(Y1)); }
int TGIS_SymbolCgm::GetWidth() const { return ScaleLength(std::max(std::abs(double(X1)), std::abs(double(X2)))); }
int TGIS_SymbolCgm::GetHeight() const { return ScaleLength(std::max(std::abs(double(Y1)), std::abs(double(Y2)))); }

void TGIS_SymbolCgm::SetPosition(uint8_t position) {
    // The symbol is laid out around the VDC origin: each anchor is an edge of the extent.
    if (position > 8) return;
    const int column = position % 3, row = position / 3;
    AnchorX = ScaleLength(column == 0 ? -double(X2) : column == 1 ? 0 : -double(X1));
    AnchorY = ScaleLength(row == 0 ? -double(Y2) : row == 1 ? 0 : -double(Y1));
}

void TGIS_SymbolCgm::EndDraw() {
    Records.clear();
    Records.shrink_to_fit();
}

void TGIS_SymbolCgm::Draw(int x, int y) {
    if (!Canvas || !Viewer) return;
    if (Records.empty()) {
        // The file may have gone since it was first read: nothing is drawn then.
        try {
            Load();
        } catch (const Exception&) {
            return;
        }
    }
    TPoint* out = Viewer->PointBuffer();
    TPen* pen = Canvas->Pen();
    TBrush* brush = Canvas->Brush();
    const int64_t ox = int64_t(x) + AnchorX, oy = int64_t(y) + AnchorY;
    const uint8_t* p = Records.data();
    const uint8_t* end = p + Records.size();
    while (end - p >= ptrdiff_t(sizeof(TRecord))) {
        TRecord r;
        std::memcpy(&r, p, sizeof r);
        p += sizeof r;
        if (r.Kind == rkEnd) break;
        if (r.Kind == rkArea) {
            brush->SetColor(TColor(MapColor(r.BrushColor)));
            brush->SetStyle(r.BrushStyle == 0 ? bsSolid : bsClear);
        }
        pen->SetWidth(std::max(1, ScaleLength(r.PenWidth)));
        pen->SetStyle(r.PenStyle == 5 ? psClear : psSolid);
        if (r.PenStyle != 5) pen->SetColor(TColor(MapColor(r.PenColor)));
        if (r.Count > uint32_t(GIS_MAX_DRAW_POINTS) || uint64_t(end - p) < uint64_t(r.Count) * 8) break;
        const int n = int(r.Count);
        // RotatePoint, with the symbol's fields in locals: the buffer written could otherwise alias them.
        const double c = RotCos, sn = RotSin, scale = Scale;
        for (int i = 0; i < n; ++i, p += 8) {
            int32_t v[2];
            std::memcpy(v, p, sizeof v);
            const double vx = v[0], vy = v[1];
            const int64_t qx = GisRoundToInt((vx * c - vy * sn) * scale), qy = GisRoundToInt((vx * sn + vy * c) * scale);
            out[i] = TPoint(int32_t(std::clamp<int64_t>(ox + qx, INT32_MIN, INT32_MAX)),
                            int32_t(std::clamp<int64_t>(oy + qy, INT32_MIN, INT32_MAX)));
        }
        if (r.Kind == rkArea)
            Canvas->Polygon(out, n);
        else
            Canvas->Polyline(out, n);
    }
}
