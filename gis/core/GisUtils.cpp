#include "gis/core/GisUtils.h"

#include "gis/core/GisDefs.h"

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string DropEnds(const std::string& s) { return s.size() >= 2 ? s.substr(1, s.size() - 2) : std::string(); }
}  // namespace

std::string TGIS_Tokenizer::StripQuotes(const std::string& token) {
    std::string t = Trim(token);
    if (t.empty() || t.front() != t.back()) return t;
    if (t.front() == '\'') t = DropEnds(t);
    if (!t.empty() && t.front() == '"') t = DropEnds(t);
    return t;
}

void TGIS_Tokenizer::Execute(const std::string& text, const std::string& separators, bool quotes) {
    Tokens.Clear();
    const std::string s = Trim(text);
    size_t start = 0, length = 0;
    bool inQuotes = false, afterSeparator = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quotes && c == '"') inQuotes = !inQuotes;
        bool isSeparator = separators.find(c) != std::string::npos;
        if (afterSeparator && isSeparator) continue;
        afterSeparator = false;
        if (isSeparator && !(quotes && inQuotes)) {
            Tokens.Add(StripQuotes(s.substr(start, length)));
            length = 0;
            afterSeparator = true;
        } else {
            if (length == 0) start = i;
            ++length;
        }
    }
    if (length > 0) Tokens.Add(StripQuotes(s.substr(start, length)));
}

void TGIS_Tokenizer::ExecuteCsv(const std::string& text, char separator, char quote) {
    Tokens.Clear();
    const size_t n = text.size();
    size_t i = 0;
    // NUL counts as a blank here too: a token can never be empty and stuck at the same place.
    auto skipBlanks = [&] {
        while (i < n && IsBlank(text[i])) ++i;
    };
    skipBlanks();
    while (i < n) {
        if (text[i] == quote) {
            size_t close = text.find(quote, i + 1);
            if (close == std::string::npos) {
                Tokens.Add(text.substr(i + 1));
                i = n;
            } else {
                Tokens.Add(text.substr(i + 1, close - i - 1));
                i = close + 1;
            }
        } else {
            size_t j = i;
            while (j < n && !IsBlank(text[j]) && text[j] != separator) ++j;
            Tokens.Add(text.substr(i, j - i));
            i = j;
        }
        skipBlanks();
        if (i < n && text[i] == separator) {
            if (i == n - 1) Tokens.Add("");
            ++i;
            skipBlanks();
        }
    }
}

namespace {
struct UnitEntry {
    const char* keyword;
    double factor;
};

constexpr double kPi = 3.14159265358979323846;

const UnitEntry kUnits[GIS_UNITS_COUNT] = {
    {"", 1},
    {"", 1},
    {"METER", 1},
    {"KILOMETER", 1000},
    {"FOOT", 0.3048},
    {"FOOTUS", 1200.0 / 3937.0},
    {"FOOTMODIFIEDAMERICAN", 0.304812252984505969},
    {"FOOTCLARKES", 0.304797265115099575},
    {"FOOTINDIAN", 0.304799517990042251},
    {"LINK", 0.201166194975965720},
    {"LINKBENOIT", 0.201167824943758734},
    {"LINKSERAS", 0.201167651215526323},
    {"CHAINBENOIT", 20.1167824943758734},
    {"CHAINSEARS", 20.1167651215526323},
    {"YARDINDIAN", 0.914398553970126752},
    {"YARDSEARS", 0.914398414616028739},
    {"FATHOM", 1.8288},
    {"MILENAUTICAL", 1852},
    {"", 1},
    {"RADIAN", 1},
    {"DEGREEDECIMAL", kPi / 180},
    {"MINUTEDECIMAL", kPi / 10800},
    {"SECONDDECIMAL", kPi / 648000},
    {"GON", kPi / 200},
    {"GRAD", kPi / 200},
};
}  // namespace

TGIS_Units::TGIS_Units(uint8_t code, double factor) {
    if (code == 1 || code == 18) SetCustom(code, factor);
    else SetCode(code);
}

void TGIS_Units::SetCode(uint8_t code) {
    if (code < GIS_UNITS_COUNT) Factor = kUnits[code].factor;
    Code = code;
}

void TGIS_Units::SetCustom(uint8_t code, double factor) {
    QM_ASSERT(factor != 0, GIS_RS_ERR_UNTESTED);
    Code = code;
    Factor = factor;
}

std::string GisUnitsKeyword(int code) {
    return code >= 0 && code < GIS_UNITS_COUNT ? kUnits[code].keyword : "";
}

int GisUnitsCodeOfKeyword(const std::string& keyword) {
    std::string k = UpperCase(keyword);
    if (k.empty()) return -1;
    for (int c = 0; c < GIS_UNITS_COUNT; ++c)
        if (k == kUnits[c].keyword) return c;
    return -1;
}

void TGIS_VariantList::Check(int index) const {
    if (index < 0 || index >= Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
}

int TGIS_VariantList::Add(const Variant& value) {
    items_.push_back(value);
    return Count() - 1;
}

Variant TGIS_VariantList::GetItem(int index) const {
    Check(index);
    return items_[index];
}

void TGIS_VariantList::SetItem(int index, const Variant& value) {
    Check(index);
    items_[index] = value;
}

void* TGIS_Stack::Pop() {
    if (items_.empty()) return nullptr;
    void* p = items_.back();
    items_.pop_back();
    return p;
}
