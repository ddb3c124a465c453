// What the TAB fuzz targets share: files written as given, the fixed attribute table, and opening, scanning and
// asking for every uid of a layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "gis/layers/GisLayerTAB.h"

namespace tabfuzz {

void WriteFile(const std::string& path, const void* data, size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

// Three records: Char(6), Integer, Smallint, Float, Date, Decimal(8,2), Logical.
std::string Table() {
    const struct {
        const char* name;
        char type;
        uint8_t width;
    } fields[] = {{"c", 'C', 6}, {"i", 'C', 4}, {"s", 'C', 2}, {"f", 'C', 8}, {"d", 'C', 4}, {"m", 'C', 8},
                  {"l", 'C', 1}};
    const uint16_t recordLength = 1 + 6 + 4 + 2 + 8 + 4 + 8 + 1;
    const uint16_t headerLength = 32 + 32 * 7 + 1;
    std::string t(32, '\0');
    t[0] = 3;
    t[4] = 3;
    t[8] = char(headerLength & 255);
    t[9] = char(headerLength >> 8);
    t[10] = char(recordLength);
    for (const auto& f : fields) {
        std::string d(32, '\0');
        d[0] = f.name[0];
        d[11] = f.type;
        d[16] = char(f.width);
        t += d;
    }
    t += '\r';
    for (int r = 0; r < 3; ++r) {
        const double f = r * 1.5 - 2;
        const int32_t i = -r * 1000, date = 2001 + (r + 1) * 65536 + 3 * 16777216;
        const int16_t s = int16_t(-r);
        t += ' ';
        t += "abc" + std::to_string(r) + "  ";
        t.append(reinterpret_cast<const char*>(&i), 4);
        t.append(reinterpret_cast<const char*>(&s), 2);
        t.append(reinterpret_cast<const char*>(&f), 8);
        t.append(reinterpret_cast<const char*>(&date), 4);
        t += "   12.50";
        t += r ? "T" : "F";
    }
    t += '\x1a';
    return t;
}


// The definition naming the seven fields of Table().
inline const char kDefinition[] =
    "!table\n!version 300\n!charset Neutral\n\nDefinition Table\n  Type NATIVE Charset \"Neutral\"\n"
    "  Fields 7\n    c Char (6) ;\n    i Integer ;\n    s Smallint ;\n    f Float ;\n    d Date ;\n"
    "    m Decimal (8, 2) ;\n    l Logical ;\n";

// Input from `data`: a 16-bit count n of ".id" entries, 4n bytes of ".id", then the ".map"; the layer at
// base + ".tab" is opened, scanned with every field read, and asked for every uid.
inline void OpenAndScan(const std::string& base, const uint8_t* data, size_t size,
                        std::initializer_list<const char*> fields) {
    if (size < 2) return;
    const size_t idBytes = std::min(size - 2, size_t(data[0] | (data[1] << 8)) * 4);
    WriteFile(base + ".id", data + 2, idBytes);
    WriteFile(base + ".map", data + 2 + idBytes, size - 2 - idBytes);
    try {
        TGIS_LayerTAB layer;
        layer.Path = base + ".tab";
        layer.Open(nullptr);
        int n = 0;
        for (layer.ScanFirst(); !layer.ScanEof() && n < 100000; layer.ScanNext(), ++n) {
            TGIS_Shape* s = layer.ScanCurrent();
            for (const char* f : fields) s->GetField(f);
            for (size_t i = 0; i < layer.Fields.size() && i < 64; ++i) s->GetField(layer.Fields[i]->Name);
            s->GetExtent();
        }
        for (int32_t uid = 0; uid <= int32_t(2 + idBytes / 4); ++uid) {
            TGIS_Shape* s = layer.GetShape(uid);
            if (s && s->Uid != uid) __builtin_trap();
        }
        layer.GetNewUid();
    } catch (const EGIS_Exception&) {
    } catch (const EStreamError&) {
        // a ".map" too short to map or read
    }
}

}  // namespace tabfuzz
