// Opening tables that list hostile numbers of fields: a ".tab" of 65,535 fields (1.4 MB, refused with 0034
// naming it), one of 2,048 (the most a definition may list, opened), one of 2,048 long names, a MIF header of
// those names, and a ".dbf" of 2,000 descriptors all named alike (256 kept). Each should take well under a
// second; the first took 20 s when every name was compared with every earlier one.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench/BenchRatios.h"
#include "gis/layers/GisFileDBF.h"
#include "gis/layers/GisLayerMIF.h"
#include "gis/layers/GisLayerTAB.h"
#include "platform/rtl/FileIO.h"

namespace {

BenchTempDir g_dir("qm_table_fields");

// A table of `fields` one-byte text columns named `name` (or name + index), with one record.
std::string DbfBytes(int fields, const char* name, bool numbered) {
    std::string h(32, '\0');
    h[0] = 3;
    h[4] = 1;
    const uint16_t headerLength = uint16_t(32 + 32 * fields + 1), recordLength = uint16_t(1 + fields);
    std::memcpy(&h[8], &headerLength, 2);
    std::memcpy(&h[10], &recordLength, 2);
    for (int i = 0; i < fields; ++i) {
        std::string d(32, '\0');
        const std::string n = numbered ? name + std::to_string(i) : name;
        std::memcpy(&d[0], n.data(), n.size());
        d[11] = 'C', d[16] = 1;
        h += d;
    }
    return h + "\x0D " + std::string(size_t(fields), 'x') + "\x1A";
}

// A native table of `fields` logical columns over a ".dat" whose record holds `datFields` of them; the names
// begin with `prefix`.
std::string WriteTab(const std::string& name, int fields, int datFields, const std::string& prefix = "f") {
    const std::string base = g_dir.Path() + "/" + name;
    std::string tab = "!table\n!version 300\n\nDefinition Table\n  Type NATIVE Charset \"Neutral\"\n  Fields " +
                      std::to_string(fields) + "\n";
    for (int i = 0; i < fields; ++i) tab += "    " + prefix + std::to_string(10000 + i) + " Logical ;\n";
    DiskWriteAll(base + ".tab", tab);
    // The ".dat" descriptors are replaced by the definition's fields; only its record length counts.
    std::string dat = DbfBytes(1, "F", false);
    const uint16_t recordLength = uint16_t(1 + datFields);
    std::memcpy(&dat[10], &recordLength, 2);
    DiskWriteAll(base + ".dat", dat);
    std::string map(1024, '\0');
    map[260] = 44, map[261] = 1;  // version 300
    const double one = 1;
    for (int at : {368, 376}) std::memcpy(&map[size_t(at)], &one, 8);
    DiskWriteAll(base + ".map", map);
    DiskWriteAll(base + ".id", "");
    return base + ".tab";
}

// Opens the table: the error number it raised, or 0.
int OpenTab(const std::string& path, size_t& fields) {
    TGIS_LayerTAB layer;
    layer.UseConfig = false;
    layer.Path = path;
    try {
        layer.Open(nullptr);
    } catch (const EGIS_Exception& e) {
        return e.ErrorCode;
    }
    fields = layer.Fields.size();
    return 0;
}

void BM_TabOf65535FieldsRefused(benchmark::State& state) {
    const std::string path = WriteTab("many", 65535, 64);
    size_t fields = 0;
    for (auto _ : state)
        if (OpenTab(path, fields) != 34) state.SkipWithError("not refused with 0034");
}
BENCHMARK(BM_TabOf65535FieldsRefused)->Unit(benchmark::kMillisecond);

void BM_TabOf2048FieldsOpened(benchmark::State& state) {
    const std::string path = WriteTab("most", 2048, 2048);
    size_t fields = 0;
    for (auto _ : state)
        if (OpenTab(path, fields) != 0 || fields != 2049) state.SkipWithError("not opened with its fields");
}
BENCHMARK(BM_TabOf2048FieldsOpened)->Unit(benchmark::kMillisecond);

// Names of 900 characters that differ only at their end: 1.9 MB.
void BM_TabOf2048LongNamesOpened(benchmark::State& state) {
    const std::string path = WriteTab("long", 2048, 2048, std::string(900, 'n'));
    size_t fields = 0;
    for (auto _ : state)
        if (OpenTab(path, fields) != 0 || fields != 2049) state.SkipWithError("not opened with its fields");
}
BENCHMARK(BM_TabOf2048LongNamesOpened)->Unit(benchmark::kMillisecond);

// The same columns in a MIF header, with one point.
void BM_MifOf2048LongNamesOpened(benchmark::State& state) {
    const std::string path = g_dir.Path() + "/long.mif";
    std::string mif = "Version 300\nColumns 2048\n";
    for (int i = 0; i < 2048; ++i) mif += "  " + std::string(900, 'n') + std::to_string(10000 + i) + " Logical\n";
    DiskWriteAll(path, mif + "Data\nPoint 1 2\n");
    for (auto _ : state) {
        TGIS_LayerMIF layer;
        layer.UseConfig = false;
        layer.Path = path;
        layer.Open(nullptr);
        if (layer.Fields.size() != 2048) state.SkipWithError("not opened with its fields");
    }
}
BENCHMARK(BM_MifOf2048LongNamesOpened)->Unit(benchmark::kMillisecond);

void BM_DbfOf2000AlikeNames(benchmark::State& state) {
    const std::string path = g_dir.Path() + "/alike.dbf";
    DiskWriteAll(path, DbfBytes(2000, "NAME", false));
    for (auto _ : state) {
        TGIS_LayerVector layer;
        layer.Open(nullptr);
        TGIS_FileDBF table(path, false, &layer);
        if (layer.Fields.size() != 256) state.SkipWithError("not the 256 names a counter can make");
    }
}
BENCHMARK(BM_DbfOf2000AlikeNames)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    return RunWithRatios(argc, argv, reporter);
}
