// MapInfo native tables: the ".tab" definition, the ".map" geometry (512-byte chained blocks, compressed
// coordinates) and the ".id" object index. Read-only. The ".dat" attributes are a dBASE table (GisFileDBF).
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/core/GisMappedFiles.h"
#include "platform/rtl/Classes.h"

class TGIS_LayerVector;

enum : int { gisTabTypeNone = 0, gisTabTypeNative = 1, gisTabTypeRaster = 2 };

class TGIS_FileTAB {
public:
    explicit TGIS_FileTAB(const std::string& path) : Path(path) {}

    // Reads the definition; the type of table it declares. A missing file raises the open error.
    int Parse();
    // Replaces the layer's fields by the field lines; a bad line raises 0090 with its line number. Fields that
    // do not fit a ".dat" record of `recordLength` bytes, or more than kMaxFields of them, raise 0034 naming
    // the definition, before the rest are looked at.
    void ReadFields(TGIS_LayerVector& layer, int64_t recordLength = std::numeric_limits<int64_t>::max());
    static constexpr int kMaxFields = 2048;

    std::string Path;
    TStringList Lines;
    // Field lines of a native table, control-point lines of a raster one.
    TStringList FieldLines;
    int Type = gisTabTypeNone;
    // 1-based line number, in the file, of the first field line.
    int FirstFieldLine = 0;
    std::string FileName;
    // Kept as text, not interpreted.
    std::string CoordSys;
};

// An object of the ".map" that cannot be read as laid out: bad addresses, looping block chains, counts that do
// not fit. The object gives no shape; the file as a whole stays usable.
class EGIS_TabCorrupt : public Exception {
    using Exception::Exception;
};

// Object types the layer builds shapes from.
enum : uint8_t {
    tabPointC = 1, tabPoint = 2, tabLineC = 4, tabLine = 5, tabPLineC = 7, tabPLine = 8,
    tabRegionC = 13, tabRegion = 14, tabTextC = 16, tabText = 17, tabMultiPLineC = 37, tabMultiPLine = 38,
    tabV450RegionC = 46, tabV450Region = 47, tabV450MultiPLineC = 49, tabV450MultiPLine = 50,
};

// One decoded object: parts as start indices into Points.
struct TGIS_TabObject {
    enum Kind { None, Point, Arc, Polygon } kind = None;
    uint8_t Type = 0;
    int32_t Id = 0;
    std::vector<int32_t> Parts;
    std::vector<TGIS_Point> Points;
    // Texts only.
    std::string Label;
};

// The ".map" header values that no reading needs, held as the file has them; named by their file offset.
struct TGIS_TabMapHeaderRest {
    int16_t Value262 = 0;
    double Double264 = 0;
    int32_t Values304[8] = {};
    uint8_t Bytes350[10] = {};  // [2] is the precision, [3] the quadrant
    int16_t Value360 = 0;
    uint8_t Bytes365[3] = {};
    double Doubles400[6] = {};
    double Doubles448[3] = {};
    double Doubles472[5] = {};  // 0 in files older than version 201
};

class TGIS_FileTAB_MAP : public TGIS_MappedStream {
public:
    explicit TGIS_FileTAB_MAP(const std::string& path) : TGIS_MappedStream(path, false) {}

    // Raises 0034 for a file shorter than its header, or scales or displacements that are 0 or not finite.
    void ReadHeader();

    // ---- reads under the block rule; EGIS_TabCorrupt outside the file or on a bad chain ----
    // Starts a new chain walk at an address of the object area.
    void MoveTo(int64_t address);
    uint8_t ReadByte();
    int16_t ReadInt16();
    int32_t ReadInt32();
    void Skip(int64_t n);
    void ReadObjectHeader(uint8_t& type, int32_t& id);
    // The compression origin from the centre of the block holding the position.
    void ReadBlockOrigin();
    void ReadOrigin();
    TGIS_Point ReadCoordinate(bool compressed);
    void ReadBoundingBox(bool compressed);

    // Map units of an integer coordinate pair.
    TGIS_Point Convert(int64_t x, int64_t y) const;

    // Decodes the object at a ".map" offset. False (with kind None) for an object that is corrupt or whose id
    // is not `expectedId`; an object type without a shape gives true with kind None.
    bool ReadObject(int64_t offset, int32_t expectedId, TGIS_TabObject& object);

    int16_t Version = 0;
    uint8_t Precision = 0;
    uint8_t Quadrant = 0;
    double XScale = 1, YScale = 1, XDispl = 0, YDispl = 0;
    TGIS_Extent Extent = GisEmptyExtent();
    TGIS_TabMapHeaderRest Rest;
    uint8_t ObjectType = 0;
    int32_t ObjectId = 0;
    int32_t OriginX = 0, OriginY = 0;

private:
    [[noreturn]] void Corrupt(const char* what) const;
    // Makes sure n bytes at the position lie in one block, else moves along the chain; checks the bounds.
    void Fit(int n);
    // From the block holding byte position - 1 to the data of the next block of its chain.
    void NextBlock();
    void Enter(int64_t block);
    const uint8_t* Take(int n);
    void ReadSections(bool compressed, bool wide, int64_t address, int64_t dataSize, int32_t sections,
                      TGIS_TabObject& object);

    // Vertex count and byte offset in the coordinate data of each section of the object being read.
    struct Section {
        int64_t count, start;
    };
    std::vector<Section> sections_;
    int64_t pos_ = 0;
    // Blocks entered by the current walk carry its stamp, so that a chain that loops is caught at once.
    std::vector<uint32_t> marks_;
    uint32_t walk_ = 0;
};

class TGIS_FileTAB_ID {
public:
    // An empty file is a table without objects.
    explicit TGIS_FileTAB_ID(const std::string& path);

    // 0 for an id past the table.
    int32_t ReadOffset(int32_t id);

    int32_t Count = 0;
    int32_t LastOffset = 0;

private:
    std::unique_ptr<TGIS_MappedStream> map_;
};

// The companion file of a table with that extension, in the case that exists on disk (lower case when neither).
std::string GisTabCompanion(const std::string& tabPath, const std::string& lowerExt);
