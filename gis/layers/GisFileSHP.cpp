#include "gis/layers/GisFileSHP.h"

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gis/layers/GisLayerVector.h"

namespace {

constexpr int64_t kHeaderSize = 100;

int32_t GetBig(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]));
}
int32_t GetLittle(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
double GetDouble(const uint8_t* p) {
    double d;
    std::memcpy(&d, p, 8);
    return d;
}
void PutBig(uint8_t* p, int32_t v) {
    const uint32_t u = uint32_t(v);
    p[0] = uint8_t(u >> 24);
    p[1] = uint8_t(u >> 16);
    p[2] = uint8_t(u >> 8);
    p[3] = uint8_t(u);
}
void PutLittle(uint8_t* p, int32_t v) {
    const uint32_t u = uint32_t(v);
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
    p[2] = uint8_t(u >> 16);
    p[3] = uint8_t(u >> 24);
}

// Signed halving towards zero, as the length and offset words are counted.
int32_t Words(int64_t bytes) { return int32_t(bytes / 2); }


// Rings of a polygon body as other readers expect them: outer rings (inside an even number of others) clockwise,
// holes counter-clockwise. GDAL takes a counter-clockwise ring for a hole, so a shape drawn the other way round
// would come back with its hole as the outer ring. Gives false when the body is as wanted or not well-formed.
bool OrientRings(std::vector<uint8_t>& body) {
    const size_t size = body.size();
    if (size < 40) return false;
    const int64_t parts = GetLittle(&body[32]), points = GetLittle(&body[36]);
    if (parts < 1 || points < 0 || 40 + parts * 4 + points * 16 != int64_t(size)) return false;
    const uint8_t* base = &body[size_t(40 + parts * 4)];
    std::vector<std::pair<int64_t, int64_t>> rings;  // first point, end
    for (int64_t i = 0; i < parts; ++i) {
        const int64_t from = GetLittle(&body[size_t(40 + i * 4)]);
        const int64_t to = i + 1 < parts ? GetLittle(&body[size_t(44 + i * 4)]) : points;
        if (from < 0 || to < from || to > points) return false;
        rings.emplace_back(from, to);
    }
    auto x = [&](int64_t k) { return GetDouble(base + k * 16); };
    auto y = [&](int64_t k) { return GetDouble(base + k * 16 + 8); };
    auto inside = [&](const std::pair<int64_t, int64_t>& r, double px, double py) {
        bool in = false;
        for (int64_t a = r.first, b = r.second - 1; a < r.second; b = a++)
            if ((y(a) > py) != (y(b) > py) && px < (x(b) - x(a)) * (py - y(a)) / (y(b) - y(a)) + x(a)) in = !in;
        return in;
    };
    bool changed = false;
    for (const auto& r : rings) {
        if (r.second - r.first < 3) continue;
        double area = 0;
        for (int64_t a = r.first, b = r.second - 1; a < r.second; b = a++) area += (x(a) - x(b)) * (y(a) + y(b));
        if (area == 0 || !std::isfinite(area)) continue;
        int depth = 0;
        for (const auto& other : rings)
            if (&other != &r && other.second - other.first >= 3 && inside(other, x(r.first), y(r.first))) ++depth;
        const bool clockwise = area > 0;  // the sum above is twice the area, positive for clockwise
        if (clockwise == (depth % 2 == 0)) continue;
        uint8_t* p = &body[size_t(40 + parts * 4)];
        for (int64_t a = r.first, b = r.second - 1; a < b; ++a, --b)
            for (int k = 0; k < 16; ++k) std::swap(p[a * 16 + k], p[b * 16 + k]);
        changed = true;
    }
    return changed;
}

}  // namespace

uint8_t TGIS_FileSHPInternal::KernelType(int32_t code) {
    switch (code) {
    case 1:
    case 11:
    case 21: return gisShapeTypePoint;
    case 3:
    case 13:
    case 23: return gisShapeTypeArc;
    case 5:
    case 15:
    case 25:
    case kMultiPatchCode: return gisShapeTypePolygon;
    case 8:
    case 18:
    case 28: return gisShapeTypeMultipoint;
    default: return gisShapeTypeNull;
    }
}

int32_t TGIS_FileSHPInternal::TypeCode(uint8_t kernelType) {
    switch (kernelType) {
    case gisShapeTypeArc: return 3;
    case gisShapeTypePolygon: return 5;
    case gisShapeTypeMultipoint: return 8;
    default: return 1;
    }
}

void TGIS_FileSHPInternal::ReadHeader() {
    if (Size() < kHeaderSize) throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, Path(), 0);
    const uint8_t* h = Memory();
    FileCode = GetBig(h);
    for (int i = 0; i < 5; ++i) Unused[i] = GetBig(h + 4 + 4 * i);
    FileLength = int64_t(GetBig(h + 24)) * 2;
    Version = GetLittle(h + 28);
    ShapeType = GetLittle(h + 32);
    Extent = {GetDouble(h + 36), GetDouble(h + 44), GetDouble(h + 52), GetDouble(h + 60)};
    for (int i = 0; i < 8; ++i) ZMRange[i] = uint32_t(GetBig(h + 68 + 4 * i));
    CheckView();
    Seek(kHeaderSize, soFromBeginning);
}

void TGIS_FileSHPInternal::WriteHeader() {
    uint8_t h[kHeaderSize] = {};
    PutBig(h, FileCode);
    for (int i = 0; i < 5; ++i) PutBig(h + 4 + 4 * i, Unused[i]);
    const int64_t size = Size() < kHeaderSize ? kHeaderSize : Size();
    PutBig(h + 24, Words(size));
    PutLittle(h + 28, Version);
    PutLittle(h + 32, ShapeType);
    const double e[4] = {Extent.XMin, Extent.YMin, Extent.XMax, Extent.YMax};
    std::memcpy(h + 36, e, 32);
    for (int i = 0; i < 8; ++i) PutBig(h + 68 + 4 * i, int32_t(ZMRange[i]));
    Seek(0, soFromBeginning);
    WriteBuffer(h, kHeaderSize);
    FileLength = size;
}

bool TGIS_FileSHP::ReadRecordHeader() {
    const int64_t at = Position();
    if (at < 0 || at > Size() - 8) return false;
    const uint8_t* p = Memory() + at;
    const int32_t number = GetBig(p);
    const int32_t words = GetBig(p + 4);
    // Also what a shape built over the body before this one found lost.
    CheckView();
    if (words < 2 || int64_t(words) * 2 > Size() - at - 8) return false;
    RecordNumber = number;
    ContentLength = words;
    RecordTypeCode = GetLittle(p + 8);
    CheckView();
    RecordKernelType = KernelType(RecordTypeCode);
    Seek(12, soFromCurrent);
    return true;
}

const uint8_t* TGIS_FileSHP::RecordBody(size_t& size) {
    size = size_t(int64_t(ContentLength) * 2 - 4);
    const uint8_t* body = Memory() + Position();
    Seek(int64_t(size), soFromCurrent);
    return body;
}

bool TGIS_FileSHP::MultiPatchToPolygon(const uint8_t* body, size_t size, std::vector<uint8_t>& polygon) {
    polygon.clear();
    if (size < 40) return false;
    const int64_t parts = GetLittle(body + 32), points = GetLittle(body + 36);
    if (parts < 1 || points < 0 || 40 + parts * 8 + points * 16 > int64_t(size)) return false;
    const uint8_t* xy = body + 40 + parts * 8;
    // First point and end of each part, and its type.
    std::vector<std::pair<int32_t, int32_t>> runs;
    for (int64_t i = 0; i < parts; ++i) {
        const int64_t from = GetLittle(body + 40 + i * 4);
        const int64_t to = i + 1 < parts ? GetLittle(body + 44 + i * 4) : points;
        if (from < 0 || to < from || to > points) return false;
        const int32_t type = GetLittle(body + 40 + parts * 4 + i * 4);
        if (type == 0 || type == 1) {
            // Strip: (i, i+1, i+2); fan: (first, i+1, i+2).
            for (int64_t k = from; k + 2 < to; ++k) {
                const int64_t a = type == 0 ? k : from;
                runs.emplace_back(int32_t(a), -1);
                runs.emplace_back(int32_t(k + 1), int32_t(k + 2));
            }
        } else if (type >= 2 && type <= 5 && to > from) {
            runs.emplace_back(int32_t(from), int32_t(to));
        }
    }
    // A triangle is the pair (a, -1), (b, c): the ring a b c a.
    int64_t outParts = 0, outPoints = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        ++outParts;
        if (runs[i].second < 0) {
            outPoints += 4;
            ++i;
        } else {
            outPoints += runs[i].second - runs[i].first;
        }
    }
    if (outParts == 0 || outParts > INT32_MAX || outPoints > INT32_MAX) return false;
    polygon.resize(size_t(40 + outParts * 4 + outPoints * 16));
    std::memcpy(polygon.data(), body, 32);
    PutLittle(&polygon[32], int32_t(outParts));
    PutLittle(&polygon[36], int32_t(outPoints));
    uint8_t* start = &polygon[40];
    uint8_t* out = &polygon[size_t(40 + outParts * 4)];
    int32_t written = 0;
    auto copy = [&](int64_t k) {
        std::memcpy(out, xy + k * 16, 16);
        out += 16;
        ++written;
    };
    for (size_t i = 0; i < runs.size(); ++i) {
        PutLittle(start, written);
        start += 4;
        if (runs[i].second < 0) {
            const int64_t a = runs[i].first, b = runs[i + 1].first, c = runs[i + 1].second;
            for (int64_t k : {a, b, c, a}) copy(k);
            ++i;
        } else {
            for (int64_t k = runs[i].first; k < runs[i].second; ++k) copy(k);
        }
    }
    return true;
}

void TGIS_FileSHP::WriteRecordHeader(int32_t number, int32_t contentLength, uint8_t kernelType) {
    uint8_t h[12];
    PutBig(h, number);
    PutBig(h + 4, contentLength);
    PutLittle(h + 8, kernelType == gisShapeTypeNull ? 0 : TypeCode(kernelType));
    Seek(0, soFromEnd);
    WriteBuffer(h, 12);
}

void TGIS_FileSHP::WriteBody(const TGIS_Shape& shape) {
    if (!shape.HasGeometry()) return;
    Seek(0, soFromEnd);
    if (shape.ShapeType() == gisShapeTypePolygon) {
        std::vector<uint8_t> body(shape.Geometry(), shape.Geometry() + shape.GeometrySize());
        if (OrientRings(body)) {
            WriteBuffer(body.data(), int64_t(body.size()));
            return;
        }
    }
    WriteBuffer(shape.Geometry(), int64_t(shape.GeometrySize()));
}

void TGIS_FileSHX::ReadHeader() {
    TGIS_FileSHPInternal::ReadHeader();
    EntryCount = int32_t((Size() - kHeaderSize) / 8);
}

bool TGIS_FileSHX::ReadEntry(int32_t record, int64_t& offset, int32_t& contentLength) {
    if (record < 1 || record > EntryCount) return false;
    const uint8_t* p = Memory() + kHeaderSize + int64_t(record - 1) * 8;
    offset = int64_t(GetBig(p)) * 2;
    contentLength = GetBig(p + 4);
    CheckView();
    return true;
}

void TGIS_FileSHX::WriteEntry(int64_t offset, int32_t contentLength) {
    uint8_t e[8];
    PutBig(e, Words(offset));
    PutBig(e + 4, contentLength);
    Seek(0, soFromEnd);
    WriteBuffer(e, 8);
}
