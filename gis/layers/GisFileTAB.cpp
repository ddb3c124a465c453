#include "gis/layers/GisFileTAB.h"

#include <cmath>
#include <cstring>
#include <unordered_set>

#include "gis/core/GisUtils.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/rtl/FileIO.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr int64_t kBlock = 512;
constexpr int64_t kChainHeader = 8;

bool StartsWith(const std::string& upper, const char* word) { return upper.rfind(word, 0) == 0; }

int16_t Le16(const uint8_t* p) { return int16_t(uint16_t(p[0] | (p[1] << 8))); }
int32_t Le32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24));
}
double LeDouble(const uint8_t* p) {
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

}  // namespace

std::string GisTabCompanion(const std::string& tabPath, const std::string& lowerExt) {
    const std::string base = GisPathWithoutExt(tabPath);
    const std::string lower = base + lowerExt;
    if (DiskExists(lower)) return lower;
    const std::string upper = base + UpperCase(lowerExt);
    return DiskExists(upper) ? upper : lower;
}

// ---- definition ----

int TGIS_FileTAB::Parse() {
    Lines.LoadFromFile(Path);
    for (int i = 0; i < Lines.Count(); ++i) Lines[i] = Trim(Lines[i]);
    Type = gisTabTypeNone;
    TGIS_Tokenizer words;
    int i = 0;
    while (i < Lines.Count() && !StartsWith(UpperCase(Lines[i]), "DEFINITION TABLE")) ++i;
    if (i >= Lines.Count()) return Type;
    for (++i; i < Lines.Count(); ++i) {
        const std::string upper = UpperCase(Lines[i]);
        if (StartsWith(upper, "FILE")) {
            words.Execute(Lines[i], " \t", false);
            FileName = words.Tokens.Count() > 1 ? words.Tokens[1] : std::string();
        } else if (StartsWith(upper, "TYPE")) {
            words.Execute(upper, " \t", false);
            const std::string kind = words.Tokens.Count() > 1 ? words.Tokens[1] : std::string();
            Type = kind == "NATIVE" ? gisTabTypeNative : kind == "RASTER" ? gisTabTypeRaster : gisTabTypeNone;
            if (Type == gisTabTypeNative && i + 1 < Lines.Count()) {
                ++i;
                words.Execute(Lines[i], " \t:", false);
                if (words.Tokens.Count() < 2) continue;
                int count = 0;
                if (!TryStrToInt(words.Tokens[1], count))
                    throw EGIS_Exception(GIS_RS_ERR_FILESTRUCTURE, Path, i + 1);
                FirstFieldLine = i + 2;
                for (int k = 0; k < count && i + 1 < Lines.Count(); ++k) FieldLines.Add(Lines[++i]);
            } else if (Type == gisTabTypeRaster) {
                while (i + 1 < Lines.Count() && StartsWith(Lines[i + 1], "(")) FieldLines.Add(Lines[++i]);
            }
        } else if (StartsWith(upper, "COORDSYS")) {
            CoordSys = Lines[i];
        }
    }
    return Type;
}

void TGIS_FileTAB::ReadFields(TGIS_LayerVector& layer, int64_t recordLength) {
    layer.Fields.clear();
    if (FieldLines.Count() > kMaxFields) throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, Path, 0);
    // The names taken, as FindField compares them: AddFieldInternal would compare each name with every field
    // before it, which for 2,048 long names takes seconds.
    std::unordered_set<std::string> names;
    int64_t bytes = 1;  // the record's flag byte
    TGIS_Tokenizer words;
    for (int n = 0; n < FieldLines.Count(); ++n) {
        std::string name;
        uint8_t fieldType = gisFieldString;
        int32_t width = 0, decimals = 0, binary = 0;
        try {
            words.Execute(FieldLines[n], " \t(),;", false);
            auto word = [&words](int k) { return k < words.Tokens.Count() ? words.Tokens[k] : std::string(); };
            name = word(0);
            const std::string type = UpperCase(word(1));
            auto number = [](const std::string& text, int empty) { return text.empty() ? empty : StrToInt(text); };
            // A dBASE field holds 1 to 254 bytes; a wider one would read past the record.
            auto lineWidth = [&]() {
                const int w = number(word(2), 10);
                if (w < 1 || w > 254) throw Exception("width");
                return w;
            };
            auto set = [&](uint8_t t, int32_t w, int32_t d, int32_t b) {
                fieldType = t, width = w, decimals = d, binary = b;
            };
            if (type == "CHAR") set(gisFieldString, lineWidth(), 0, 0);
            else if (type == "INTEGER") set(gisFieldNumber, 10, 0, 4);
            else if (type == "SMALLINT") set(gisFieldNumber, 4, 0, 2);
            else if (type == "DECIMAL") set(gisFieldNumber, lineWidth(), number(word(3), 2), 0);
            else if (type == "FLOAT") set(gisFieldFloat, 20, 5, 8);
            else if (type == "LOGICAL") set(gisFieldLogical, 1, 0, 0);
            else if (type == "DATE") set(gisFieldDate, 10, 0, 4);
            else continue;
            if (!names.insert(AnsiLowerCase(name)).second) throw EGIS_Exception(GIS_RS_ERR_FIELDEXIST, name, 0);
        } catch (const Exception&) {
            throw EGIS_Exception(GIS_RS_ERR_FILESTRUCTURE, Path, FirstFieldLine + n);
        }
        // A field laid out past the record would be read from the next record, or past the file.
        bytes += binary ? binary : width;
        if (bytes > recordLength) {
            layer.Fields.clear();
            throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, Path, 0);
        }
        layer.AppendFileField(name, fieldType, width, decimals, binary);
    }
}

// ---- ".map" ----

void TGIS_FileTAB_MAP::ReadHeader() {
    if (Size() < kBlock) throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, Path(), 0);
    const uint8_t* h = Memory();
    Version = Le16(h + 260);
    Precision = h[352];
    Quadrant = h[353];
    Rest = {};
    Rest.Value262 = int16_t(Le16(h + 262));
    Rest.Double264 = LeDouble(h + 264);
    for (int i = 0; i < 8; ++i) Rest.Values304[i] = int32_t(Le32(h + 304 + 4 * i));
    std::memcpy(Rest.Bytes350, h + 350, sizeof Rest.Bytes350);
    Rest.Value360 = int16_t(Le16(h + 360));
    std::memcpy(Rest.Bytes365, h + 365, sizeof Rest.Bytes365);
    for (int i = 0; i < 6; ++i) Rest.Doubles400[i] = LeDouble(h + 400 + 8 * i);
    for (int i = 0; i < 3; ++i) Rest.Doubles448[i] = LeDouble(h + 448 + 8 * i);
    if (Version >= 201)
        for (int i = 0; i < 5; ++i) Rest.Doubles472[i] = LeDouble(h + 472 + 8 * i);
    if (Version < 101) {
        XScale = YScale = std::pow(10.0, Precision);
        XDispl = YDispl = 0;
    } else {
        XScale = LeDouble(h + 368);
        YScale = LeDouble(h + 376);
        XDispl = LeDouble(h + 384);
        YDispl = LeDouble(h + 392);
    }
    // The header lies on one page: lost, it is lost from its first byte.
    CheckView();
    if (XScale == 0 || YScale == 0 || !std::isfinite(XScale) || !std::isfinite(YScale) || !std::isfinite(XDispl) ||
        !std::isfinite(YDispl))
        throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, Path(), 0);
    // A negated axis swaps the bounds: order each pair again.
    const TGIS_Point a = Convert(Le32(h + 272), Le32(h + 276));
    const TGIS_Point b = Convert(Le32(h + 280), Le32(h + 284));
    Extent = {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TGIS_Point TGIS_FileTAB_MAP::Convert(int64_t x, int64_t y) const {
    const double dx = double(x), dy = double(y);
    const bool negX = Quadrant == 0 || Quadrant == 2 || Quadrant == 3;
    const bool negY = Quadrant == 0 || Quadrant == 3 || Quadrant == 4;
    return {negX ? -(dx + XDispl) / XScale : (dx - XDispl) / XScale,
            negY ? -(dy + YDispl) / YScale : (dy - YDispl) / YScale};
}

void TGIS_FileTAB_MAP::Corrupt(const char* what) const {
    throw EGIS_TabCorrupt(Format(GIS_RS_ERR_BADFORMAT, {Path()}) + " (" + what + ")");
}

void TGIS_FileTAB_MAP::Enter(int64_t block) {
    if (marks_.empty()) marks_.assign(size_t(Size() / kBlock + 1), 0);
    uint32_t& m = marks_[size_t(block / kBlock)];
    if (m == walk_) Corrupt("block chain loops");
    m = walk_;
}

void TGIS_FileTAB_MAP::MoveTo(int64_t address) {
    if (address < kBlock || address >= Size()) Corrupt("address outside the object area");
    if (++walk_ == 0) {
        std::fill(marks_.begin(), marks_.end(), 0);
        walk_ = 1;
    }
    pos_ = address;
    Enter(address / kBlock * kBlock);
}

void TGIS_FileTAB_MAP::NextBlock() {
    const int64_t block = (pos_ - 1) / kBlock * kBlock;
    if (pos_ < 1 || block + kChainHeader > Size()) Corrupt("read past the file");
    const int64_t link = uint32_t(Le32(Memory() + block + 4));
    CheckView();
    int64_t next = block + kBlock;
    if (link != 0) {
        if (link % kBlock != 0 || link < kBlock || link >= Size()) Corrupt("link is no block");
        next = link;
    }
    if (next + kChainHeader >= Size()) Corrupt("chain runs past the file");
    Enter(next);
    pos_ = next + kChainHeader;
}

void TGIS_FileTAB_MAP::Fit(int n) {
    const int64_t r = (pos_ + n) % kBlock;
    if (!(r == 0 || n < r)) NextBlock();
    if (pos_ < 0 || pos_ + n > Size()) Corrupt("read past the file");
}

const uint8_t* TGIS_FileTAB_MAP::Take(int n) {
    Fit(n);
    const uint8_t* p = Memory() + pos_;
    pos_ += n;
    return p;
}

uint8_t TGIS_FileTAB_MAP::ReadByte() {
    const uint8_t v = *Take(1);
    CheckView();
    return v;
}
int16_t TGIS_FileTAB_MAP::ReadInt16() {
    const int16_t v = Le16(Take(2));
    CheckView();
    return v;
}
int32_t TGIS_FileTAB_MAP::ReadInt32() {
    const int32_t v = Le32(Take(4));
    CheckView();
    return v;
}

void TGIS_FileTAB_MAP::Skip(int64_t n) {
    while (n > 0) {
        // A position on a block boundary is the end of the block before it.
        const int64_t o = pos_ - (pos_ - 1) / kBlock * kBlock;
        if (o + n >= kBlock) {
            n -= (kBlock - o) / 4 * 4;
            NextBlock();
        } else {
            pos_ += n;
            n = 0;
        }
    }
}

void TGIS_FileTAB_MAP::ReadObjectHeader(uint8_t& type, int32_t& id) {
    type = ObjectType = ReadByte();
    id = ObjectId = ReadInt32();
    OriginX = OriginY = 0;
}

void TGIS_FileTAB_MAP::ReadBlockOrigin() {
    const int64_t block = pos_ / kBlock * kBlock;
    if (block + 12 > Size()) Corrupt("read past the file");
    OriginX = Le32(Memory() + block + 4);
    OriginY = Le32(Memory() + block + 8);
    CheckView();
}

void TGIS_FileTAB_MAP::ReadOrigin() {
    OriginX = ReadInt32();
    OriginY = ReadInt32();
}

TGIS_Point TGIS_FileTAB_MAP::ReadCoordinate(bool compressed) {
    if (compressed) {
        const int64_t x = int64_t(OriginX) + ReadInt16();
        const int64_t y = int64_t(OriginY) + ReadInt16();
        return Convert(x, y);
    }
    const int32_t x = ReadInt32();
    const int32_t y = ReadInt32();
    return Convert(x, y);
}

void TGIS_FileTAB_MAP::ReadBoundingBox(bool compressed) {
    ReadCoordinate(compressed);
    ReadCoordinate(compressed);
}

void TGIS_FileTAB_MAP::ReadSections(bool compressed, bool wide, int64_t address, int64_t dataSize,
                                    int32_t sections, TGIS_TabObject& object) {
    // Data offsets count headers at their uncompressed size; the headers themselves are smaller when compressed
    // and, in the wide kinds, hold a 32-bit vertex count.
    const int64_t nominal = wide ? 28 : 24;
    const int64_t header = (wide ? 4 : 2) + 2 + (compressed ? 8 : 16) + 4;
    const int64_t vertex = compressed ? 4 : 8;
    if (sections <= 0 || sections * header > dataSize) Corrupt("section count");
    std::vector<Section>& list = sections_;
    list.resize(size_t(sections));
    MoveTo(address);
    for (Section& sec : list) {
        sec.count = wide ? int64_t(ReadInt32()) : int64_t(ReadInt16());
        ReadInt16();
        ReadBoundingBox(compressed);
        const int64_t k = (int64_t(ReadInt32()) - sections * nominal) / 8;
        sec.start = k * vertex + sections * header;
        if (sec.count < 0 || k < 0 || sec.start + sec.count * vertex > dataSize) Corrupt("vertex count");
    }
    // Runs usually follow each other: walk on from where the last one ended, else from the start again.
    int64_t at = sections * header;
    for (const Section& sec : list) {
        if (sec.start < at) {
            MoveTo(address);
            at = 0;
        }
        Skip(sec.start - at);
        object.Parts.push_back(int32_t(object.Points.size()));
        for (int64_t v = 0; v < sec.count; ++v) object.Points.push_back(ReadCoordinate(compressed));
        at = sec.start + sec.count * vertex;
    }
}

bool TGIS_FileTAB_MAP::ReadObject(int64_t offset, int32_t expectedId, TGIS_TabObject& object) {
    object.kind = TGIS_TabObject::None;
    object.Parts.clear();
    object.Points.clear();
    object.Label.clear();
    try {
        MoveTo(offset);
        ReadObjectHeader(object.Type, object.Id);
        if (object.Id != expectedId) Corrupt("object id differs from the index");
        const uint8_t t = object.Type;
        const bool compressed = t == tabPointC || t == tabLineC || t == tabPLineC || t == tabRegionC ||
                                t == tabTextC || t == tabMultiPLineC || t == tabV450RegionC ||
                                t == tabV450MultiPLineC;
        const int64_t fileSize = Size();
        switch (t) {
        case tabPointC:
        case tabPoint:
            if (compressed) ReadBlockOrigin();
            object.Parts.push_back(0);
            object.Points.push_back(ReadCoordinate(compressed));
            object.kind = TGIS_TabObject::Point;
            break;
        case tabLineC:
        case tabLine:
            if (compressed) ReadBlockOrigin();
            object.Parts.push_back(0);
            object.Points.push_back(ReadCoordinate(compressed));
            object.Points.push_back(ReadCoordinate(compressed));
            object.kind = TGIS_TabObject::Arc;
            break;
        case tabPLineC:
        case tabPLine: {
            const int64_t address = uint32_t(ReadInt32());
            const int64_t size = uint32_t(ReadInt32()) & 0x7FFFFFFFu;
            if (compressed) ReadInt32();  // the label point
            ReadOrigin();
            ReadBoundingBox(compressed);
            if (size > fileSize) Corrupt("data size");
            const int64_t count = size / (compressed ? 4 : 8);
            MoveTo(address);
            object.Parts.push_back(0);
            object.Points.reserve(size_t(count));
            for (int64_t v = 0; v < count; ++v) object.Points.push_back(ReadCoordinate(compressed));
            object.kind = TGIS_TabObject::Arc;
            break;
        }
        case tabRegionC:
        case tabRegion:
        case tabV450RegionC:
        case tabV450Region:
        case tabMultiPLineC:
        case tabMultiPLine:
        case tabV450MultiPLineC:
        case tabV450MultiPLine: {
            const int64_t address = uint32_t(ReadInt32());
            const int64_t size = uint32_t(ReadInt32()) & 0x7FFFFFFFu;
            const int32_t sections = ReadInt16();
            if (compressed) ReadInt32();  // the label point
            ReadOrigin();
            ReadBoundingBox(compressed);
            if (size > fileSize) Corrupt("data size");
            const bool wide = t == tabV450RegionC || t == tabV450Region || t == tabV450MultiPLineC ||
                              t == tabV450MultiPLine;
            ReadSections(compressed, wide, address, size, sections, object);
            const bool region = t == tabRegionC || t == tabRegion || t == tabV450RegionC || t == tabV450Region;
            object.kind = region ? TGIS_TabObject::Polygon : TGIS_TabObject::Arc;
            break;
        }
        case tabTextC:
        case tabText: {
            if (compressed) ReadBlockOrigin();
            const int64_t address = uint32_t(ReadInt32());
            const int32_t length = ReadInt16();
            for (int k = 0; k < 3; ++k) ReadInt16();
            for (int k = 0; k < 6; ++k) ReadByte();
            const TGIS_Point anchor = ReadCoordinate(compressed);
            if (length < 0) Corrupt("text length");
            if (length > 0) {
                MoveTo(address);
                object.Label.reserve(size_t(length));
                for (int32_t k = 0; k < length; ++k) object.Label.push_back(char(ReadByte()));
            }
            object.Parts.push_back(0);
            object.Points.push_back(anchor);
            object.kind = TGIS_TabObject::Point;
            break;
        }
        default: break;
        }
    } catch (const EGIS_TabCorrupt&) {
        object.kind = TGIS_TabObject::None;
        object.Parts.clear();
        object.Points.clear();
        object.Label.clear();
        return false;
    }
    return true;
}

// ---- ".id" ----

TGIS_FileTAB_ID::TGIS_FileTAB_ID(const std::string& path) {
    struct stat st {};
    if (DiskStat(path, st) && S_ISREG(st.st_mode) && st.st_size == 0) return;
    map_ = std::make_unique<TGIS_MappedStream>(path, false);
    Count = int32_t(std::min<int64_t>(map_->Size() / 4, INT32_MAX));
}

int32_t TGIS_FileTAB_ID::ReadOffset(int32_t id) {
    QM_ASSERT(id >= 1, "TGIS_FileTAB_ID.ReadOffset");
    LastOffset = id > Count ? 0 : Le32(map_->Memory() + int64_t(id - 1) * 4);
    if (map_) map_->CheckView();
    return LastOffset;
}
