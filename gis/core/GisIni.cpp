#include "gis/core/GisIni.h"

#include "gis/core/GisDefs.h"
#include "platform/rtl/FileIO.h"
#include "platform/rtl/IniFiles.h"

namespace {

constexpr char kSectionBase[] = "Kelvoran Layer";
// Layer sections are numbered 1..999; each has sub-sections up to 998.
constexpr int kMaxLayer = 999;
constexpr int kMaxSubSection = 998;

// Only a '.' in the file name, after its first character, starts an extension: "data.v2/roads" keeps its folder.
std::string WithoutExtension(const std::string& path) {
    size_t name = path.rfind('/');
    name = name == std::string::npos ? 0 : name + 1;
    size_t dot = path.rfind('.');
    return dot != std::string::npos && dot > name ? path.substr(0, dot) : path;
}

std::string NameOf(const TGIS_IniLayer* layer) { return layer ? layer->IniLayerName() : ""; }

}  // namespace

TGIS_Ini::TGIS_Ini(const TGIS_IniLayer* layer, const std::string& path)
    : path_(path.empty() ? "" : ExpandFileName(path)), basePath_(WithoutExtension(path)) {
    ini_ = std::make_unique<TMemIniFile>(path_);
    SetLayer(layer);
}

TGIS_Ini::~TGIS_Ini() = default;

void TGIS_Ini::SetLayer(const TGIS_IniLayer* layer) {
    layerNo_ = FindLayerSection(layer);
    CountSections(layer);
    SelectSection(0);
}

int TGIS_Ini::FindLayerSection(const TGIS_IniLayer* layer) const {
    const std::string name = NameOf(layer);
    for (int n = 1; n <= kMaxLayer; ++n) {
        const std::string section = SectionName(n, 0);
        std::string value = ini_->ReadString(section, "Name", "");
        if (value.empty()) value = ini_->ReadString(section, "Path", "");
        if (value.empty()) return 0;
        if (value == name) return n;
    }
    return 0;
}

bool TGIS_Ini::HasKeys(const std::string& section) const {
    TStringList keys;
    ini_->ReadSection(section, keys);
    return keys.Count() > 0;
}

void TGIS_Ini::CountSections(const TGIS_IniLayer* layer) {
    sectionCount_ = 0;
    if (!layer) {
        sectionCount_ = 1;
        return;
    }
    for (int m = 0; m <= kMaxSubSection && HasKeys(SectionName(layerNo_, m)); ++m) ++sectionCount_;
}

bool TGIS_Ini::SelectSection(int m) {
    subSection_ = m;
    section_ = SectionName(layerNo_, m);
    return m < sectionCount_;
}

std::string TGIS_Ini::SectionName(int n, int m) const {
    QM_ASSERT(n >= 0 && n <= kMaxLayer && m >= 0 && m <= kMaxSubSection, GIS_RS_ERR_UNTESTED);
    std::string s = kSectionBase;
    if (n > 0) s += std::to_string(n);
    if (m > 0) s += " " + std::to_string(m);
    return s;
}

std::string TGIS_Ini::ReadValue(const std::string& key) const { return ini_->ReadString(section_, key, GIS_INI_NIL); }

void TGIS_Ini::WriteValue(const std::string& key, const std::string& value) {
    ini_->WriteString(section_, key, value);
    modified_ = true;
}

void TGIS_Ini::Reload() {
    ini_->Rename(path_, true);
    modified_ = false;
}

void TGIS_Ini::Save() {
    if (!modified_) return;
    if (!path_.empty()) ini_->UpdateFile(GisBackupName(path_));
    modified_ = false;
}

void TGIS_Ini::EraseLayer() {
    for (int m = 1; m <= kMaxSubSection; ++m) {
        const std::string section = SectionName(layerNo_, m);
        if (!HasKeys(section)) break;
        ini_->EraseSection(section);
        modified_ = true;
    }
}

void TGIS_Ini::SetStrings(const TStringList& lines) { ini_->SetStrings(lines); }
void TGIS_Ini::GetStrings(TStringList& lines) const { ini_->GetStrings(lines); }

uint8_t TGIS_Ini::ReadLabelAlignment(const std::string& key, uint8_t def) const {
    return TextToAlignment(ReadValue(key), def);
}
void TGIS_Ini::WriteLabelAlignment(const std::string& key, uint8_t value) { WriteValue(key, AlignmentToText(value)); }

TGIS_Bitmap* TGIS_Ini::ReadBitmap(const std::string& key, const TGIS_Bitmap* def) const {
    return TextToBitmap(ReadValue(key), def);
}
void TGIS_Ini::WriteBitmap(const std::string& key, const TGIS_Bitmap* value) {
    const TGIS_BitmapProvider* p = GisBitmapProvider();
    if (value && p) WriteValue(key, SymbolToText(p->Path(*value)));
}

bool TGIS_Ini::ReadBoolean(const std::string& key, bool def) const { return TextToBoolean(ReadValue(key), def); }
void TGIS_Ini::WriteBoolean(const std::string& key, bool value) { WriteValue(key, BooleanToText(value)); }

uint32_t TGIS_Ini::ReadColor(const std::string& key, uint32_t def) const { return TextToColor(ReadValue(key), def); }
void TGIS_Ini::WriteColor(const std::string& key, uint32_t value) { WriteValue(key, ColorToText(value)); }

uint8_t TGIS_Ini::ReadFontStyle(const std::string& key, uint8_t def) const {
    return TextToFontStyle(ReadValue(key), def);
}
void TGIS_Ini::WriteFontStyle(const std::string& key, uint8_t value) { WriteValue(key, FontStyleToText(value)); }

int32_t TGIS_Ini::ReadInteger(const std::string& key, int32_t def) const { return TextToSize(ReadValue(key), def); }
void TGIS_Ini::WriteInteger(const std::string& key, int32_t value) { WriteValue(key, SizeToText(value)); }

uint16_t TGIS_Ini::ReadLabelPosition(const std::string& key, uint16_t def) const {
    return TextToLabelPosition(ReadValue(key), def);
}
void TGIS_Ini::WriteLabelPosition(const std::string& key, uint16_t value) {
    WriteValue(key, LabelPositionToText(value));
}

uint8_t TGIS_Ini::ReadBrushStyle(const std::string& key, uint8_t def) const {
    return TextToPattern(ReadValue(key), def);
}
void TGIS_Ini::WriteBrushStyle(const std::string& key, uint8_t value) { WriteValue(key, PatternToText(value)); }

TGIS_SymbolAbstract* TGIS_Ini::ReadSymbol(const std::string& key, TGIS_SymbolAbstract* def) const {
    return TextToSymbol(ReadValue(key), def);
}
void TGIS_Ini::WriteSymbol(const std::string& key, const TGIS_SymbolAbstract* value) {
    const TGIS_SymbolProvider* p = GisSymbolProvider();
    if (value && p) WriteValue(key, SymbolToText(p->NameOf(*value)));
}

uint8_t TGIS_Ini::ReadPenStyle(const std::string& key, uint8_t def) const {
    return TextToPenStyle(ReadValue(key), def);
}
void TGIS_Ini::WritePenStyle(const std::string& key, uint8_t value) { WriteValue(key, PenStyleToText(value)); }

uint8_t TGIS_Ini::ReadChartStyle(const std::string& key, uint8_t def) const {
    return TextToChartStyle(ReadValue(key), def);
}
void TGIS_Ini::WriteChartStyle(const std::string& key, uint8_t value) { WriteValue(key, ChartStyleToText(value)); }

uint8_t TGIS_Ini::ReadMarkerStyle(const std::string& key, uint8_t def) const {
    return TextToMarkerStyle(ReadValue(key), def);
}
void TGIS_Ini::WriteMarkerStyle(const std::string& key, uint8_t value) {
    WriteValue(key, MarkerStyleToText(value));
}

double TGIS_Ini::ReadFloat(const std::string& key, double def) const { return TextToFloat(ReadValue(key), def); }
void TGIS_Ini::WriteFloat(const std::string& key, double value) { WriteValue(key, FloatToText(value)); }

std::string TGIS_Ini::ReadString(const std::string& key, const std::string& def) const {
    return TextToString(ReadValue(key), def);
}
void TGIS_Ini::WriteString(const std::string& key, const std::string& value) { WriteValue(key, SymbolToText(value)); }

TGIS_Units& TGIS_Ini::ReadUnits(const std::string& key, TGIS_Units& units) const {
    return TextToUnits(ReadValue(key), units);
}
void TGIS_Ini::WriteUnits(const std::string& key, const TGIS_Units& value) { WriteValue(key, UnitsToText(value)); }
