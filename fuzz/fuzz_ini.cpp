// Bytes as the lines of a layer configuration: every typed reader on every key of every section, the datum,
// ellipsoid and projection keys of every section, the layer's sections found by name, erased and written back;
// the lines must survive a second reading unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gis/core/GisIni.h"
#include "gis/core/GisProjections.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/IniFiles.h"

namespace {

struct Layer : TGIS_IniLayer {
    std::string name;
    std::string IniLayerName() const override { return name; }
};

// Section m is the m-th section of the file, so that the readers reach every one.
class AnySection : public TGIS_Ini {
public:
    AnySection() : TGIS_Ini(nullptr, "") {}
    std::vector<std::string> names;
    std::string SectionName(int n, int m) const override {
        return static_cast<size_t>(m) < names.size() ? names[m] : TGIS_Ini::SectionName(n, m);
    }
};

void ReadEveryType(const TGIS_Ini& ini, const std::string& key) {
    TGIS_Units units(2, 1);
    ini.ReadValue(key);
    ini.ReadLabelAlignment(key, 0);
    // Bitmaps load only where the layers serve them, which this program does not link.
    if (ini.ReadBitmap(key, nullptr)) __builtin_trap();
    ini.ReadBoolean(key, false);
    ini.ReadColor(key, 0);
    ini.ReadFontStyle(key, 0);
    ini.ReadInteger(key, 0);
    ini.ReadLabelPosition(key, 0);
    ini.ReadBrushStyle(key, 0);
    ini.ReadSymbol(key, nullptr);
    ini.ReadPenStyle(key, 0);
    ini.ReadChartStyle(key, 0);
    ini.ReadMarkerStyle(key, 0);
    ini.ReadFloat(key, 0);
    ini.ReadString(key, "");
    ini.ReadUnits(key, units);
}

// A value read and written back under its key must read again as the same value.
template <class T>
void RoundTrip(TGIS_Ini& ini, const std::string& key, T (TGIS_Ini::*read)(const std::string&, T) const,
               void (TGIS_Ini::*write)(const std::string&, T), T def) {
    T v = (ini.*read)(key, def);
    (ini.*write)(key, v);
    if ((ini.*read)(key, def) != v) __builtin_trap();
}

void WriteEveryType(TGIS_Ini& ini, const std::string& key) {
    RoundTrip<uint8_t>(ini, key, &TGIS_Ini::ReadLabelAlignment, &TGIS_Ini::WriteLabelAlignment, 0);
    RoundTrip<uint32_t>(ini, key, &TGIS_Ini::ReadColor, &TGIS_Ini::WriteColor, 1);
    RoundTrip<uint8_t>(ini, key, &TGIS_Ini::ReadFontStyle, &TGIS_Ini::WriteFontStyle, 0);
    RoundTrip<uint16_t>(ini, key, &TGIS_Ini::ReadLabelPosition, &TGIS_Ini::WriteLabelPosition, 0);
    RoundTrip<int32_t>(ini, key, &TGIS_Ini::ReadInteger, &TGIS_Ini::WriteInteger, 0);
    RoundTrip<bool>(ini, key, &TGIS_Ini::ReadBoolean, &TGIS_Ini::WriteBoolean, true);
    TGIS_Units units(2, 1);
    ini.WriteUnits(key, ini.ReadUnits(key, units));
    ini.WriteFloat(key, ini.ReadFloat(key, 0));
}

// Lists of the input's own, so that user datums and ellipsoids do not pile up in the catalogues.
void ReadCoordinateSystem(TGIS_Ini& ini) {
    TGIS_EllipsoidList ellipsoids;
    TGIS_DatumList datums;
    ellipsoids.ReadFromIni(ini);
    datums.ReadFromIni(ini);
    TGIS_Ini out(nullptr, "");
    for (int i = 0; i < ellipsoids.Count(); ++i) ellipsoids.WriteToIni(out, ellipsoids.Items(i)->Code);
    for (int i = 0; i < datums.Count(); ++i) datums.WriteToIni(out, datums.Items(i)->Code);
    std::unique_ptr<TGIS_ProjectionAbstract> p;
    try {
        p = GisProjectionList().ReadFromConfig(ini);
    } catch (const EGIS_Exception& e) {
        if (e.ErrorCode != 3) __builtin_trap();
        return;
    }
    if (!p) return;
    GisProjectionList().WriteToConfig(out, p.get());
    TGIS_Point3D q;
    try {
        p->Project(TGIS_Point3D(0.5, 0.5, 0), q);
        p->Unproject(q, q);
    } catch (const EGIS_Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TStringList lines;
    lines.SetText(std::string(reinterpret_cast<const char*>(data), size));
    lines.Insert(0, "[Kelvoran Layer]");

    AnySection ini;
    ini.SetStrings(lines);
    TStringList stored, again;
    ini.GetStrings(stored);
    ini.SetStrings(stored);
    ini.GetStrings(again);
    if (stored.Text() != again.Text()) __builtin_trap();

    // Every key of every section, with every reader.
    TMemIniFile mem("");
    mem.SetStrings(stored);
    TStringList sections, keys;
    mem.ReadSections(sections);
    for (int s = 0; s < sections.Count() && s < 999; ++s) ini.names.push_back(sections[s]);
    ini.SetLayer(nullptr);
    for (int s = 0; s < static_cast<int>(ini.names.size()); ++s) {
        ini.SelectSection(s);
        mem.ReadSection(ini.names[s], keys);
        for (int k = 0; k < keys.Count(); ++k) ReadEveryType(ini, keys[k]);
        ReadCoordinateSystem(ini);
    }

    // The layer named in the first section: its sections, erased, rewritten.
    TGIS_Ini layers(nullptr, "");
    layers.SetStrings(stored);
    Layer layer;
    layer.name = layers.ReadString("Layer", "");
    layers.SetLayer(&layer);
    for (int m = 0; m < layers.SectionCount(); ++m) {
        layers.SelectSection(m);
        mem.ReadSection(layers.Section(), keys);
        for (int k = 0; k < keys.Count(); ++k) ReadEveryType(layers, keys[k]);
    }
    layers.EraseLayer();
    layers.SelectSection(0);
    mem.ReadSection(layers.Section(), keys);
    for (int k = 0; k < keys.Count() && k < 64; ++k) WriteEveryType(layers, keys[k]);
    layers.Save();
    return 0;
}
