// dBASE III table: the attributes of a shapefile (".dbf") and of a MapInfo table (".dat"). Record n holds the
// values of the shape whose uid is n. Values are read lazily, field by field, with a cache of one record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

class TGIS_LayerVector;
class TGIS_Shape;
struct TGIS_FieldInfo;

class TGIS_FileDBF : public TFileStream {
public:
    // create: a new, empty table for writing (an existing file is overwritten; nothing is written yet).
    // Otherwise the table is opened for reading and its descriptors replace the layer's fields.
    // Raises 0011 for an unknown type letter, 0034 for descriptors cut by the end of the file.
    TGIS_FileDBF(const std::string& path, bool create, TGIS_LayerVector* layer);
    // A table being written gets its end-of-file byte.
    ~TGIS_FileDBF() override;

    // Writing: the header (again after the last record, with the count), the descriptors with their
    // terminator, and one record per shape. WriteFields raises 0011 before writing anything for a field type it
    // cannot write or a table whose header or record would pass 65,535 bytes. A number is written with fewer
    // decimals where its integer digits need the room; AppendRecord raises 0070, naming the field and the
    // shape's uid, for one that its field cannot hold at all.
    void WriteHeader();
    void WriteFields();
    void AppendRecord(TGIS_Shape& shape);

    // Empty for a record outside 1..count or a field the table does not have. A record's bytes are read once,
    // when the first of its values is asked for.
    Variant ReadFieldValue(int32_t record, const std::string& name);

    // The encoding of the table's text as an iconv name, empty for the layer's code page. Text is read from it
    // into the layer's output code page and written from that into it.
    std::string TextEncoding;
    // The encoding that the ".cpg" beside a table names, when iconv knows it; else empty. `unreadable` gets the
    // errno when there is a ".cpg" that cannot be read.
    static std::string CpgEncoding(const std::string& tablePath, int* unreadable = nullptr);
    // The encoding that the header's language-driver byte names, when iconv knows it; else empty.
    std::string DriverEncoding() const;

    uint32_t RecordCount() const { return recordCount_; }
    uint32_t HeaderLength() const { return headerLength_; }
    uint32_t RecordLength() const { return recordLength_; }

    // The 20-character float text of the table: 15 significant digits (14 for a negative value or a
    // three-digit exponent), '.' always; all '*' when the value is not finite.
    static std::string FormatFloat20(double value);

private:
    void ReadHeader();
    void ReadFields();
    [[noreturn]] void RaiseCorrupt() const;
    Variant Convert(const TGIS_FieldInfo& field, const uint8_t* bytes, int32_t width) const;
    // The value in the field's written width and decimals; throws, for AppendRecord to name, when it cannot be.
    std::string FormatValue(const TGIS_FieldInfo& field, const Variant& value, int32_t width,
                            int32_t decimals) const;
    // Text between the file's encoding and the layer's output code page.
    std::string FileText(std::string text, bool reading) const;
    // The bytes of record `record` and the fields' offsets in them.
    void LoadRecord(int32_t record);

    TGIS_LayerVector* layer_;
    bool writing_;
    uint8_t header_[32] = {};
    uint32_t recordCount_ = 0;
    uint32_t headerLength_ = 0;
    uint32_t recordLength_ = 0;
    int32_t cachedRecord_ = -1;
    std::vector<Variant> cache_;
    // Bytes of the file from blockStart_ (blockBytes_ of them, then 8 zeros) that hold the cached record, which
    // starts at recordStart_; the offsets of the fields in a record.
    static constexpr int64_t kBlockBytes = 64 * 1024;
    std::vector<uint8_t> block_;
    int64_t blockStart_ = 0, blockBytes_ = 0, recordStart_ = 0;
    int32_t loadedRecord_ = -1;
    bool recordLoaded_ = false;
    std::vector<int64_t> offsets_;
    // The field of the last value asked for.
    int lastIndex_ = -1;
};
