// The geometry files of a shapefile: the main ".shp" (record headers and bodies) and the ".shx" index (one
// 8-byte entry per record), both behind the same 100-byte header. Read mode maps the file; bodies are used in
// place, so shapes built over them must not outlive the stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gis/core/GisDefs.h"
#include "gis/core/GisMappedFiles.h"

class TGIS_Shape;

class TGIS_FileSHPInternal : public TGIS_MappedStream {
public:
    TGIS_FileSHPInternal(const std::string& path, bool writable) : TGIS_MappedStream(path, writable) {}

    // Moves to 0 and reads the 100 bytes; the position is then 100. Raises 0034 for a file shorter than that.
    virtual void ReadHeader();
    // Moves to 0 and writes the header; the length word counts the file as it is now.
    void WriteHeader();

    // Shape type codes of the file and kernel shape types. The Z and M types read as their plain type (their
    // bodies begin as its body does), a multipatch as a polygon (through MultiPatchToPolygon).
    static uint8_t KernelType(int32_t code);
    static int32_t TypeCode(uint8_t kernelType);
    static constexpr int32_t kMultiPatchCode = 31;

    int32_t FileCode = 9994;
    int32_t Unused[5] = {};
    // In bytes.
    int64_t FileLength = 0;
    int32_t Version = 1000;
    int32_t ShapeType = 0;
    TGIS_Extent Extent{0, 0, 0, 0};
    // The Z and M ranges, carried as they were read.
    uint32_t ZMRange[8] = {};
};

class TGIS_FileSHP : public TGIS_FileSHPInternal {
public:
    using TGIS_FileSHPInternal::TGIS_FileSHPInternal;

    // The record at the position. False when none is there: a header cut by the end of the file, a content
    // length below the type word, or a body running past the end all end the records.
    bool ReadRecordHeader();
    // Address and size of the body of the record just read (after its type word); the position moves to the
    // next record header.
    const uint8_t* RecordBody(size_t& size);

    void WriteRecordHeader(int32_t number, int32_t contentLength, uint8_t kernelType);
    // The shape's geometry buffer; nothing for a shape without one.
    void WriteBody(const TGIS_Shape& shape);

    // A multipatch body as a polygon body: its rings as they are, each triangle of a strip or fan as a ring of
    // four points. False for a body that does not hold together, or that gives no ring.
    static bool MultiPatchToPolygon(const uint8_t* body, size_t size, std::vector<uint8_t>& polygon);

    int32_t RecordNumber = 0;
    // In 16-bit words, the type word included.
    int32_t ContentLength = 0;
    int32_t RecordTypeCode = 0;
    // 0 when the record's type is not one the kernel reads.
    uint8_t RecordKernelType = 0;
};

class TGIS_FileSHX : public TGIS_FileSHPInternal {
public:
    using TGIS_FileSHPInternal::TGIS_FileSHPInternal;

    void ReadHeader() override;
    // Entry `record` (from 1): the record header's offset in the main file, in bytes, and its content length.
    // False for a record outside the entries.
    bool ReadEntry(int32_t record, int64_t& offset, int32_t& contentLength);
    void WriteEntry(int64_t offset, int32_t contentLength);

    int32_t EntryCount = 0;
};
