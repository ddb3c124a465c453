// Well-known text and binary: the readers that build a free-standing shape, and the writers of every
// shape type. Both readers treat their input as hostile: every byte read is bounds-checked, and a count
// the remaining bytes cannot hold is refused before anything is allocated for it.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "gis/layers/GisLayerVector.h"

namespace {

// OGC geometry codes.
constexpr uint32_t WKB_POINT = 1;
constexpr uint32_t WKB_LINESTRING = 2;
constexpr uint32_t WKB_POLYGON = 3;
constexpr uint32_t WKB_MULTIPOINT = 4;
constexpr uint32_t WKB_MULTILINESTRING = 5;
constexpr uint32_t WKB_MULTIPOLYGON = 6;
constexpr uint32_t WKB_COLLECTION = 7;

// Smallest encodings: a point's coordinates, a ring's count, a member's header and count.
constexpr size_t WKB_POINT_BYTES = 16;
constexpr size_t WKB_RING_BYTES = 4;
constexpr size_t WKB_MEMBER_BYTES = 9;

[[noreturn]] void WkbMismatch() { throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, "WKB", 0); }

class WkbReader {
public:
    WkbReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

    size_t Left() const { return static_cast<size_t>(end_ - p_); }
    void Rewind(const uint8_t* at) { p_ = at; }

    // Byte order, then the type in that order.
    uint32_t Header(bool& little) {
        little = Byte() == 1;
        return UInt32(little);
    }
    void ExpectHeader(uint32_t type, bool& little) {
        if (Header(little) != type) WkbMismatch();
    }
    // A count that the bytes left could not hold is as corrupt as a wrong type.
    uint32_t Count(bool little, size_t perItem) {
        uint32_t n = UInt32(little);
        if (n > Left() / perItem) WkbMismatch();
        return n;
    }
    TGIS_Point Point(bool little) {
        uint8_t b[16];
        Take(b);
        return {Double(b, little), Double(b + 8, little)};
    }

private:
    // Fixed sizes copy inline; GisWkbRead raises for the bytes that are not there.
    template <size_t N>
    void Take(uint8_t (&dst)[N]) {
        if (Left() < N) GisWkbRead(p_, end_, dst, N);
        std::memcpy(dst, p_, N);
        p_ += N;
    }
    uint8_t Byte() {
        uint8_t b[1];
        Take(b);
        return b[0];
    }
    uint32_t UInt32(bool little) {
        uint8_t b[4];
        Take(b);
        if (little) return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
        return b[3] | b[2] << 8 | b[1] << 16 | static_cast<uint32_t>(b[0]) << 24;
    }
    static double Double(const uint8_t* at, bool little) {
        uint8_t b[8];
        std::memcpy(b, at, 8);
        if (!little) {
            for (int i = 0; i < 4; ++i) std::swap(b[i], b[7 - i]);
        }
        double v;
        std::memcpy(&v, b, 8);
        return v;
    }

    const uint8_t* p_;
    const uint8_t* end_;
};

// The walk over a geometry hands its parts and points to a sink, which builds through the shape's point entry
// (ShapeSink), plans a buffer (WkbPlan) or writes one (TGIS_WkbBuilder). Every sink sees the same calls.
template <class Sink>
void ReadWkbPoint(WkbReader& r, Sink& sink) {
    bool little;
    r.ExpectHeader(WKB_POINT, little);
    if (!sink.HasGeometry()) sink.AddPart();
    sink.AddPoint(r.Point(little));
}

template <class Sink>
void ReadWkbPoints(WkbReader& r, Sink& sink, bool little) {
    uint32_t n = r.Count(little, WKB_POINT_BYTES);
    for (uint32_t i = 0; i < n; ++i) sink.AddPoint(r.Point(little));
}

template <class Sink>
void ReadWkbLineString(WkbReader& r, Sink& sink) {
    bool little;
    r.ExpectHeader(WKB_LINESTRING, little);
    sink.AddPart();
    ReadWkbPoints(r, sink, little);
}

template <class Sink>
void ReadWkbPolygon(WkbReader& r, Sink& sink) {
    bool little;
    r.ExpectHeader(WKB_POLYGON, little);
    if (!sink.HasGeometry()) sink.AddPart();
    uint32_t rings = r.Count(little, WKB_RING_BYTES);
    for (uint32_t i = 0; i < rings; ++i) {
        sink.AddPart();  // reuses an empty last part
        ReadWkbPoints(r, sink, little);
    }
}

// The whole geometry from the start of the bytes; its type was read before.
template <class Sink>
void ReadWkb(WkbReader& r, uint32_t type, Sink& sink) {
    bool little;
    switch (type) {
    case WKB_POINT: ReadWkbPoint(r, sink); return;
    case WKB_LINESTRING: ReadWkbLineString(r, sink); return;
    case WKB_POLYGON: ReadWkbPolygon(r, sink); return;
    default: break;
    }
    r.ExpectHeader(type, little);
    uint32_t n = r.Count(little, WKB_MEMBER_BYTES);
    for (uint32_t i = 0; i < n; ++i) {
        if (type == WKB_MULTIPOINT) ReadWkbPoint(r, sink);
        else if (type == WKB_MULTILINESTRING) ReadWkbLineString(r, sink);
        else ReadWkbPolygon(r, sink);
    }
}

struct ShapeSink {
    TGIS_Shape& shape;
    bool HasGeometry() const { return shape.HasGeometry(); }
    void AddPart() { shape.AddPart(); }
    void AddPoint(const TGIS_Point& p) { shape.AddPoint(p); }
};

// One part as read, and what the shapes' point entry adds at its end: a ring's closing point, the second copy
// of an arc's lone point.
struct WkbPart {
    uint8_t type;
    int32_t n = 0;
    TGIS_Point first{0, 0}, last{0, 0};

    // False when the point entry would not store the point as read: a ring that met its first point before
    // its end, an arc part that starts with two equal points.
    bool Add(const TGIS_Point& p) {
        bool plain = true;
        if (n == 0) first = p;
        if (type == gisShapeTypePolygon && n >= 2 && GisIsSamePoint(last, first)) plain = false;
        if (type == gisShapeTypeArc && n == 1 && (!GisIsSamePoint(first, first) || GisIsSamePoint(p, first)))
            plain = false;
        last = p;
        ++n;
        return plain;
    }
    bool NeedsFirstAgain() const {
        if (n == 0) return false;
        if (type == gisShapeTypePolygon) return n == 1 || !GisIsSamePoint(last, first);
        return type == gisShapeTypeArc && n == 1;
    }
};

// The first walk: the parts and points a shape's buffer will hold, and whether it can be written straight.
class WkbPlan {
public:
    explicit WkbPlan(uint8_t shapeType) : part_{shapeType} {}

    bool HasGeometry() const { return started_; }
    void AddPart() {
        bool single = part_.type == gisShapeTypePoint || part_.type == gisShapeTypeMultipoint;
        if (started_ && (single || part_.n == 0)) return;  // an empty last part is reused
        Finish();
        started_ = true;
        ++parts_;
    }
    void AddPoint(const TGIS_Point& p) { plain_ = part_.Add(p) && plain_; }
    void Finish() {
        points_ += part_.n + (part_.NeedsFirstAgain() ? 1 : 0);
        part_.n = 0;
    }
    bool Plain() const { return plain_; }
    int64_t Parts() const { return parts_; }
    int64_t Points() const { return points_; }

private:
    WkbPart part_;
    bool started_ = false;
    bool plain_ = true;
    int64_t parts_ = 0, points_ = 0;
};

// Text reading: blanks are space, CR and LF only; tabs belong to the token they touch.
class WktReader {
public:
    explicit WktReader(const std::string& text) : s_(text), i_(0) {}

    std::string Keyword() {
        SkipBlanks();
        size_t start = i_;
        while (i_ < s_.size() && !IsBlank(s_[i_]) && s_[i_] != '(') ++i_;
        return s_.substr(start, i_ - start);
    }

    // "(x y, x y, ...)" as one new part.
    void PointList(TGIS_Shape& shape) {
        Open();
        shape.AddPart();
        SkipBlanks();
        if (AtClose()) return;
        for (;;) {
            double x = Number();
            double y = Number();
            shape.AddPoint({x, y});
            if (CloseOrSeparator()) return;
        }
    }
    void PartList(TGIS_Shape& shape) {
        Open();
        for (;;) {
            PointList(shape);
            if (CloseOrSeparator()) return;
        }
    }
    void PolygonList(TGIS_Shape& shape) {
        Open();
        for (;;) {
            PartList(shape);
            if (CloseOrSeparator()) return;
        }
    }

private:
    static bool IsBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }
    void SkipBlanks() {
        while (i_ < s_.size() && IsBlank(s_[i_])) ++i_;
    }
    void Open() {
        SkipBlanks();
        if (i_ >= s_.size() || s_[i_] != '(') Abort();
        ++i_;
    }
    bool AtClose() {
        if (i_ < s_.size() && s_[i_] == ')') {
            ++i_;
            return true;
        }
        return false;
    }
    // True when the list ends here: its ")" or the end of the text; otherwise one separator is skipped.
    bool CloseOrSeparator() {
        SkipBlanks();
        if (i_ >= s_.size() || AtClose()) return true;
        ++i_;
        return false;
    }
    double Number() {
        SkipBlanks();
        size_t start = i_;
        while (i_ < s_.size() && !IsBlank(s_[i_]) && s_[i_] != ')' && s_[i_] != ',') ++i_;
        return GisStrToFloat(s_.substr(start, i_ - start));
    }

    const std::string& s_;
    size_t i_;
};

// Fixed notation with '.', at least two decimals, and as many more as it takes to read back the same double.
void AppendCoordinate(std::string& out, double v) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec != std::errc()) {
        r = std::to_chars(buf, buf + sizeof buf, v);  // not reached for finite doubles
    }
    std::string_view digits(buf, static_cast<size_t>(r.ptr - buf));
    out.append(digits);
    if (!std::isfinite(v)) return;
    size_t dot = digits.find('.');
    size_t decimals = dot == std::string_view::npos ? 0 : digits.size() - dot - 1;
    if (dot == std::string_view::npos) out += '.';
    for (; decimals < 2; ++decimals) out += '0';
}

void AppendPoint(std::string& out, const TGIS_Point& p) {
    AppendCoordinate(out, p.X);
    out += ' ';
    AppendCoordinate(out, p.Y);
}

// "x y, x y, ..." of one part.
void AppendPartPoints(std::string& out, TGIS_Shape& shape, int part) {
    int n = shape.GetPartSize(part);
    for (int i = 0; i < n; ++i) {
        if (i > 0) out += ", ";
        AppendPoint(out, shape.GetPoint(part, i));
    }
}

// Every part in its own parentheses, ", " between them.
void AppendParts(std::string& out, TGIS_Shape& shape) {
    int parts = shape.GetNumParts();
    for (int k = 0; k < parts; ++k) {
        if (k > 0) out += ", ";
        out += '(';
        AppendPartPoints(out, shape, k);
        out += ')';
    }
}

// Little-endian output into a buffer sized beforehand.
class WkbWriter {
public:
    WkbWriter(TGIS_Bytes& bytes, size_t size) {
        bytes.assign(size, 0);
        p_ = bytes.data();
    }
    void Header(uint32_t type) {
        Put(uint8_t{1});
        Put(type);
    }
    void Count(int n) { Put(static_cast<uint32_t>(n)); }
    void Point(const TGIS_Point& p) {
        Put(p.X);
        Put(p.Y);
    }
    void PartPoints(TGIS_Shape& shape, int part) {
        int n = shape.GetPartSize(part);
        Count(n);
        for (int i = 0; i < n; ++i) Point(shape.GetPoint(part, i));
    }

private:
    template <class T>
    void Put(T v) {
        static_assert(std::endian::native == std::endian::little);
        GisWkbWrite(p_, &v, sizeof v);
    }
    uint8_t* p_;
};

size_t PointsBytes(TGIS_Shape& shape) {
    size_t n = 0;
    for (int k = 0; k < shape.GetNumParts(); ++k) n += WKB_POINT_BYTES * shape.GetPartSize(k);
    return n;
}

}  // namespace

std::unique_ptr<TGIS_Shape> TGIS_Shape::CreateFromWKT(const std::string& text) {
    WktReader r(text);
    std::string keyword = r.Keyword();
    std::unique_ptr<TGIS_Shape> shape;
    void (WktReader::*list)(TGIS_Shape&) = &WktReader::PointList;
    if (keyword == "POINT") {
        shape = std::make_unique<TGIS_ShapePoint>();
    } else if (keyword == "MULTIPOINT") {
        shape = std::make_unique<TGIS_ShapeMultipoint>();
    } else if (keyword == "LINESTRING") {
        shape = std::make_unique<TGIS_ShapeArc>();
    } else if (keyword == "MULTILINESTRING") {
        shape = std::make_unique<TGIS_ShapeArc>();
        list = &WktReader::PartList;
    } else if (keyword == "POLYGON") {
        shape = std::make_unique<TGIS_ShapePolygon>();
        list = &WktReader::PartList;
    } else if (keyword == "MULTIPOLYGON") {
        shape = std::make_unique<TGIS_ShapePolygon>();
        list = &WktReader::PolygonList;
    } else {
        return nullptr;
    }
    shape->Lock(1);
    (r.*list)(*shape);
    shape->Unlock();
    return shape;
}

// The second walk of a plain geometry: straight into a new shape's buffer, as its point entry would store it.
class TGIS_WkbBuilder {
public:
    TGIS_WkbBuilder(TGIS_Shape& shape, const WkbPlan& plan) : s_(shape), plan_(plan), part_{shape.ShapeType()} {}

    bool HasGeometry() const { return s_.HasGeometry(); }
    void AddPart() {
        if (!s_.HasGeometry()) {
            Allocate();
            return;
        }
        if (part_.type == gisShapeTypePoint || part_.type == gisShapeTypeMultipoint || part_.n == 0) return;
        Finish();
        s_.WriteInt(kPartsHeader + 4 * size_t(++partIndex_), written_);
    }
    void AddPoint(const TGIS_Point& p) {
        if (part_.type == gisShapeTypePoint) {
            s_.WritePoint(0, p);
            return;
        }
        part_.Add(p);
        Put(p);
    }
    void Finish() {
        if (part_.NeedsFirstAgain()) Put(part_.first);
        part_.n = 0;
        if (s_.HasGeometry() && part_.type != gisShapeTypePoint) s_.SetStoredExtent(extent_);
    }

private:
    // Shapefile record layout: extent, then the counts, then the part starts.
    static constexpr size_t kMultiHeader = 36, kPartsHeader = 40;

    void Allocate() {
        if (part_.type == gisShapeTypePoint) {
            s_.AllocateGeometry(WKB_POINT_BYTES);
            return;
        }
        const size_t points = WKB_POINT_BYTES * size_t(plan_.Points());
        if (part_.type == gisShapeTypeMultipoint) {
            s_.AllocateGeometry(kMultiHeader + points);
        } else {
            s_.AllocateGeometry(kPartsHeader + 4 * size_t(plan_.Parts()) + points);
            s_.SetNumParts(int32_t(plan_.Parts()));
            s_.WriteInt(kPartsHeader, 0);
        }
        s_.SetStoredExtent(extent_);
        s_.SetNumPoints(0);
    }
    // The extent grows as ExtendExtent would grow it, and is stored once at the end.
    void Put(const TGIS_Point& p) {
        const TGIS_Extent e{p.X, p.Y, p.X, p.Y};
        extent_ = written_ == 0 ? e : GisExtentUnion(e, extent_);
        s_.WritePoint(s_.PointOffset(written_), p);
        s_.SetNumPoints(++written_);
    }

    TGIS_Shape& s_;
    const WkbPlan& plan_;
    WkbPart part_;
    int32_t partIndex_ = 0, written_ = 0;
    TGIS_Extent extent_{0, 0, 0, 0};
};

std::unique_ptr<TGIS_Shape> TGIS_Shape::CreateFromWKB(const TGIS_Bytes& bytes) {
    WkbReader r(bytes.data(), bytes.size());
    bool little;
    uint32_t type = r.Header(little);
    std::unique_ptr<TGIS_Shape> shape;
    switch (type) {
    case WKB_POINT: shape = std::make_unique<TGIS_ShapePoint>(); break;
    case WKB_MULTIPOINT: shape = std::make_unique<TGIS_ShapeMultipoint>(); break;
    case WKB_LINESTRING:
    case WKB_MULTILINESTRING: shape = std::make_unique<TGIS_ShapeArc>(); break;
    case WKB_POLYGON:
    case WKB_MULTIPOLYGON: shape = std::make_unique<TGIS_ShapePolygon>(); break;
    case WKB_COLLECTION: return nullptr;
    default: throw EGIS_Exception(GIS_RS_ERR_UNTESTED, "", 0);
    }
    // A first walk checks every count and byte and plans the buffer; the second fills it.
    WkbPlan plan(shape->ShapeType());
    r.Rewind(bytes.data());
    ReadWkb(r, type, plan);
    plan.Finish();
    r.Rewind(bytes.data());
    if (plan.Plain()) {
        TGIS_WkbBuilder builder(*shape, plan);
        ReadWkb(r, type, builder);
        builder.Finish();
    } else {
        ShapeSink sink{*shape};
        shape->Lock(1);
        ReadWkb(r, type, sink);
        shape->Unlock();
    }
    return shape;
}

std::string TGIS_ShapePoint::ExportWKT() {
    std::string out;
    if (!HasGeometry()) return out;
    out = "POINT (";
    AppendPoint(out, GetPoint(0, 0));
    out += ')';
    return out;
}

void TGIS_ShapePoint::ExportWKB(TGIS_Bytes& bytes) {
    if (!HasGeometry()) return;
    WkbWriter w(bytes, 5 + WKB_POINT_BYTES);
    w.Header(WKB_POINT);
    w.Point(GetPoint(0, 0));
}

std::string TGIS_ShapeMultipoint::ExportWKT() {
    std::string out;
    if (!HasGeometry()) return out;
    out = "MULTIPOINT (";
    AppendPartPoints(out, *this, 0);
    out += ')';
    return out;
}

void TGIS_ShapeMultipoint::ExportWKB(TGIS_Bytes& bytes) {
    if (!HasGeometry()) return;
    int n = GetPartSize(0);
    WkbWriter w(bytes, WKB_MEMBER_BYTES + (5 + WKB_POINT_BYTES) * n);
    w.Header(WKB_MULTIPOINT);
    w.Count(n);
    for (int i = 0; i < n; ++i) {
        w.Header(WKB_POINT);
        w.Point(GetPoint(0, i));
    }
}

std::string TGIS_ShapeArc::ExportWKT() {
    std::string out;
    if (!HasGeometry()) return out;
    if (GetNumParts() < 2) {
        out = "LINESTRING (";
        if (GetNumParts() == 1) AppendPartPoints(out, *this, 0);
    } else {
        out = "MULTILINESTRING (";
        AppendParts(out, *this);
    }
    out += ')';
    return out;
}

void TGIS_ShapeArc::ExportWKB(TGIS_Bytes& bytes) {
    if (!HasGeometry()) return;
    int parts = GetNumParts();
    if (parts == 1) {
        WkbWriter w(bytes, WKB_MEMBER_BYTES + PointsBytes(*this));
        w.Header(WKB_LINESTRING);
        w.PartPoints(*this, 0);
        return;
    }
    WkbWriter w(bytes, WKB_MEMBER_BYTES * (1 + parts) + PointsBytes(*this));
    w.Header(WKB_MULTILINESTRING);
    w.Count(parts);
    for (int k = 0; k < parts; ++k) {
        w.Header(WKB_LINESTRING);
        w.PartPoints(*this, k);
    }
}

std::string TGIS_ShapePolygon::ExportWKT() {
    std::string out;
    if (!HasGeometry()) return out;
    out = "POLYGON (";
    AppendParts(out, *this);
    out += ')';
    return out;
}

void TGIS_ShapePolygon::ExportWKB(TGIS_Bytes& bytes) {
    if (!HasGeometry()) return;
    int parts = GetNumParts();
    WkbWriter w(bytes, WKB_MEMBER_BYTES + WKB_RING_BYTES * parts + PointsBytes(*this));
    w.Header(WKB_POLYGON);
    w.Count(parts);
    for (int k = 0; k < parts; ++k) w.PartPoints(*this, k);
}
