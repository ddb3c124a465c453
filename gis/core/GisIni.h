// A layer's configuration file: the INI file of its path + ".ini", held in memory, with a main section and
// numbered sub-sections per layer and typed readers and writers of the keys of the current section.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gis/core/GisParamsText.h"

class TMemIniFile;
class TStringList;

// What the configuration knows of a layer; the layer classes above this layer implement it.
class TGIS_IniLayer {
public:
    virtual ~TGIS_IniLayer() = default;
    virtual std::string IniLayerName() const = 0;
};

class TGIS_Ini {
public:
    // Loads the file (a missing one is empty). An empty path binds no file: nothing is read or written, and
    // with no layer the current section is "Kelvoran Layer", whose lines SetStrings and GetStrings carry.
    TGIS_Ini(const TGIS_IniLayer* layer, const std::string& path);
    virtual ~TGIS_Ini();
    TGIS_Ini(const TGIS_Ini&) = delete;
    TGIS_Ini& operator=(const TGIS_Ini&) = delete;

    // Finds the layer's sections and selects its main one.
    void SetLayer(const TGIS_IniLayer* layer);
    // n of the section "Kelvoran Layer<n>" whose "Name" (or, without one, "Path") is the layer's name; 0
    // when none is (an empty name never matches).
    int FindLayerSection(const TGIS_IniLayer* layer) const;
    void CountSections(const TGIS_IniLayer* layer);
    // True when section m of the layer holds keys.
    bool SelectSection(int m);
    // "Kelvoran Layer", then n when n > 0, then a blank and m when m > 0; n in 0..999, m in 0..998.
    virtual std::string SectionName(int n, int m) const;

    // The key's value in the current section, or "nil".
    std::string ReadValue(const std::string& key) const;
    void WriteValue(const std::string& key, const std::string& value);
    // Drops unsaved changes.
    void Reload();
    // When modified: the old file becomes path + "~", then the new one is written. A failure raises and
    // leaves the file, its backup and Modified as they were.
    void Save();
    // Removes the layer's sub-sections; the main section stays for the caller to rewrite.
    void EraseLayer();

    // The whole content as INI lines, section headers included.
    void SetStrings(const TStringList& lines);
    void GetStrings(TStringList& lines) const;

    const std::string& Section() const { return section_; }
    bool Modified() const { return modified_; }
    const std::string& BasePath() const { return basePath_; }
    int SectionCount() const { return sectionCount_; }
    int SubSection() const { return subSection_; }
    int LayerNo() const { return layerNo_; }

    // Each reader gives the default for an absent key and for text it does not know.
    uint8_t ReadLabelAlignment(const std::string& key, uint8_t def) const;
    void WriteLabelAlignment(const std::string& key, uint8_t value);
    // A new bitmap that the caller owns, or nullptr for a nil default.
    TGIS_Bitmap* ReadBitmap(const std::string& key, const TGIS_Bitmap* def) const;
    // Writes the file the bitmap came from; nothing for nullptr.
    void WriteBitmap(const std::string& key, const TGIS_Bitmap* value);
    bool ReadBoolean(const std::string& key, bool def) const;
    void WriteBoolean(const std::string& key, bool value);
    uint32_t ReadColor(const std::string& key, uint32_t def) const;
    void WriteColor(const std::string& key, uint32_t value);
    uint8_t ReadFontStyle(const std::string& key, uint8_t def) const;
    void WriteFontStyle(const std::string& key, uint8_t value);
    int32_t ReadInteger(const std::string& key, int32_t def) const;
    void WriteInteger(const std::string& key, int32_t value);
    uint16_t ReadLabelPosition(const std::string& key, uint16_t def) const;
    void WriteLabelPosition(const std::string& key, uint16_t value);
    uint8_t ReadBrushStyle(const std::string& key, uint8_t def) const;
    void WriteBrushStyle(const std::string& key, uint8_t value);
    // A shared symbol of the symbol list; never freed by the caller.
    TGIS_SymbolAbstract* ReadSymbol(const std::string& key, TGIS_SymbolAbstract* def) const;
    // Writes the symbol's name; nothing for nullptr or without a symbol list.
    void WriteSymbol(const std::string& key, const TGIS_SymbolAbstract* value);
    uint8_t ReadPenStyle(const std::string& key, uint8_t def) const;
    void WritePenStyle(const std::string& key, uint8_t value);
    uint8_t ReadChartStyle(const std::string& key, uint8_t def) const;
    void WriteChartStyle(const std::string& key, uint8_t value);
    uint8_t ReadMarkerStyle(const std::string& key, uint8_t def) const;
    void WriteMarkerStyle(const std::string& key, uint8_t value);
    double ReadFloat(const std::string& key, double def) const;
    void WriteFloat(const std::string& key, double value);
    std::string ReadString(const std::string& key, const std::string& def) const;
    void WriteString(const std::string& key, const std::string& value);
    // Changes the units in place (an absent key leaves them) and returns them.
    TGIS_Units& ReadUnits(const std::string& key, TGIS_Units& units) const;
    void WriteUnits(const std::string& key, const TGIS_Units& value);

private:
    bool HasKeys(const std::string& section) const;

    std::unique_ptr<TMemIniFile> ini_;
    std::string path_;
    std::string section_;
    bool modified_ = false;
    std::string basePath_;
    int sectionCount_ = 0;
    int subSection_ = 0;
    int layerNo_ = 0;
};
