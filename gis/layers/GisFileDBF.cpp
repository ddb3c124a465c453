#include "gis/layers/GisFileDBF.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileIO.h"

namespace {

constexpr uint8_t kTerminator = 0x0D;
constexpr uint8_t kEndOfFile = 0x1A;
constexpr uint32_t kMaxLength = 65535;
constexpr char kDummy[] = "_DUMMY";

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

char TypeLetter(uint8_t type) {
    switch (type) {
    case gisFieldString: return 'C';
    case gisFieldNumber: return 'N';
    case gisFieldFloat: return 'F';
    case gisFieldLogical: return 'L';
    case gisFieldDate: return 'D';
    default: throw EGIS_Exception(GIS_RS_ERR_FIELDTYPE, "", 0);
    }
}

uint8_t FieldTypeOf(char letter) {
    switch (letter) {
    case 'C': return gisFieldString;
    case 'N': return gisFieldNumber;
    case 'F': return gisFieldFloat;
    case 'L': return gisFieldLogical;
    case 'D': return gisFieldDate;
    default: throw EGIS_Exception(GIS_RS_ERR_FIELDTYPE, "", 0);
    }
}

// Width and decimals as written; a text or number wider than the format takes is lowered in the field too.
void WrittenSize(TGIS_FieldInfo& f, int32_t& width, int32_t& decimals) {
    switch (f.FieldType) {
    case gisFieldString:
        if (f.NewWidth >= 255) f.NewWidth = 254;
        width = f.NewWidth;
        decimals = 0;
        break;
    case gisFieldNumber:
        // Real columns are commonly N(24,15): a narrower field would not hold their values.
        if (f.NewWidth >= 255) f.NewWidth = 254;
        width = f.NewWidth;
        decimals = f.NewDecimals;
        break;
    case gisFieldFloat: width = 20, decimals = 5; break;
    case gisFieldLogical: width = 1, decimals = 0; break;
    case gisFieldDate: width = 8, decimals = 0; break;
    default: throw EGIS_Exception(GIS_RS_ERR_FIELDTYPE, "", 0);
    }
    // A field of no width (or one the byte cannot hold) would shift every field after it.
    if (width < 1) width = 1;
    if (decimals < 0 || decimals > 255) decimals = 0;
}

// A value the field cannot hold; the value's text.
struct Unwritable {
    std::string text;
};

bool AllStars(const std::string& s) { return !s.empty() && s.find_first_not_of('*') == std::string::npos; }

// Whole decimal number, sign allowed; the value as a double when it is beyond 32 bits.
bool ReadWholeNumber(const std::string& s, Variant& out) {
    size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno == 0 && v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
        out = Variant(int(v));
    else
        out = Variant(std::strtod(s.c_str(), nullptr));
    return true;
}

Variant DateOf(int year, int month, int day) {
    try {
        return Variant::FromDate(EncodeDate(year, month, day));
    } catch (const EConvertError&) {
        return GisNoDate();
    }
}

// The common forms of a number column read straight from its bytes, as ReadWholeNumber and GisStrToFloat read
// them; false sends the text the long way. Whole: an optional '-' and up to nine digits, which any int holds.
bool SmallWholeNumber(const char* b, const char* e, int& out) {
    const bool negative = b < e && *b == '-';
    if (negative) ++b;
    if (b == e || e - b > 9) return false;
    int v = 0;
    for (; b < e; ++b) {
        if (*b < '0' || *b > '9') return false;
        v = v * 10 + (*b - '0');
    }
    out = negative ? -v : v;
    return true;
}

// Decimal: an optional '-', digits and at most one '.', finite.
bool PlainDecimal(const char* b, const char* e, double& out) {
    bool digit = false, point = false;
    for (const char* c = b < e && *b == '-' ? b + 1 : b; c < e; ++c) {
        if (*c >= '0' && *c <= '9') digit = true;
        else if (*c == '.' && !point) point = true;
        else return false;
    }
    if (!digit) return false;
    const auto r = std::from_chars(b, e, out, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == e && std::isfinite(out);
}

int Digits(const std::string& s, size_t from, size_t count) {
    int v = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// Eight bytes at a time: every text value of a table in another encoding is asked this.
bool IsAscii(const std::string& s) {
    size_t i = 0;
    for (uint64_t word = 0; i + 8 <= s.size(); i += 8) {
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080u) return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
    return true;
}

// Encodings in which ASCII text is not itself.
bool WideEncoding(const std::string& name) {
    for (const char* wide : {"UTF-16", "UTF16", "UTF-32", "UTF32", "UCS", "UTF-7", "UTF7"})
        if (UpperCase(name).rfind(wide, 0) == 0) return true;
    return false;
}

double NumberOf(const Variant& v) {
    try {
        return v.IsString() ? GisStrToFloat(v.StrRef()) : v.AsDouble();
    } catch (const Exception&) {
        return 0;
    }
}

// Fixed or exponent form ("1.5E-07"), '.' always, whatever the C locale says.
std::string Fixed(double value, int decimals) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}
std::string Exponent(double value, int digits) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits);
    std::string s(buf, r.ptr);
    for (char& c : s)
        if (c == 'e') c = 'E';
    return s;
}

double ReadBack(const std::string& text) {
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    return back;
}

// The text reads back as the value to 15 significant digits.
bool Keeps(const std::string& text, double value) {
    const double back = ReadBack(text);
    return back == value || Exponent(back, 14) == Exponent(value, 14);
}

// A number in at most `width` characters: with the field's decimals, or fewer where the integer digits need
// the room. Where no fixed form fits, or the one that does reads as 0 for a value that is not, an exponent
// form that keeps 15 significant digits, in a field with decimals only: a whole-number column is read as
// digits alone. False, with the value's own text, when nothing fits.
bool NumberText(const Variant& v, int32_t width, int32_t decimals, std::string& text) {
    if (v.VarType() == varInteger || v.VarType() == varSmallint) {
        text = IntToStr(v.AsInteger());
        return text.size() <= size_t(width);
    }
    if (v.IsEmpty() || v.IsNull()) {
        text = "0";
        return true;
    }
    const double d = NumberOf(v);
    if (!std::isfinite(d)) {
        text = GisFloatToStr(d);
        return false;
    }
    // A fraction in a whole-number column (as other programs leave them) keeps its digits, rather than be
    // rounded, or lost as 0.
    if (decimals <= 0 && d != std::trunc(d)) {
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
        if (r.ptr - buf <= width) {
            text.assign(buf, r.ptr);
            return true;
        }
    }
    std::string fixed;
    for (int k = std::clamp(decimals, 0, 60); k >= 0 && fixed.empty(); --k)
        if (text = Fixed(d, k); text.size() <= size_t(width)) fixed = text;
    if (!fixed.empty() && (d == 0 || ReadBack(fixed) != 0)) {
        text = fixed;
        return true;
    }
    if (decimals > 0)
        for (int p = 0; p <= 14; ++p) {
            text = Exponent(d, p);
            if (!Keeps(text, d)) continue;
            if (text.size() <= size_t(width)) return true;
            break;
        }
    if (!fixed.empty()) {
        text = fixed;
        return true;
    }
    text = GisFloatToStr(d);
    return false;
}

}  // namespace

std::string TGIS_FileDBF::CpgEncoding(const std::string& tablePath, int* unreadable) {
    const std::string cpg = GisCompanionPath(tablePath, ".cpg");
    struct stat st {};
    errno = 0;
    const bool there = DiskStat(cpg, st);
    const int code = errno;
    // A code page name is a word; anything longer is no ".cpg".
    if (!there || !S_ISREG(st.st_mode) || st.st_size > 64) {
        if (!there && code != ENOENT && unreadable) *unreadable = code ? code : EIO;
        return {};
    }
    std::string text;
    errno = 0;
    if (!DiskReadAll(cpg, text)) {
        if (unreadable) *unreadable = errno ? errno : EIO;
        return {};
    }
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    text = Trim(text);
    const std::string upper = UpperCase(text);
    std::string name = text;
    auto digitsFrom = [&](size_t from) {
        size_t i = from;
        while (i < upper.size() && (upper[i] == ' ' || upper[i] == '_' || upper[i] == '-')) ++i;
        const std::string digits = upper.substr(i);
        return !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos ? digits : "";
    };
    if (upper == "UTF8" || upper == "UTF-8") {
        name = "UTF-8";
    } else if (upper.rfind("8859", 0) == 0 && !digitsFrom(4).empty()) {
        name = "ISO-8859-" + digitsFrom(4);
    } else if (!digitsFrom(0).empty()) {
        const int page = digitsFrom(0).size() <= 6 ? std::stoi(digitsFrom(0)) : -1;
        const char* known = GisCodePageEncoding(page);
        name = known ? known : "CP" + digitsFrom(0);
    } else if (upper.rfind("ANSI", 0) == 0 && !digitsFrom(4).empty()) {
        name = "CP" + digitsFrom(4);
    }
    std::string ignored;
    if (name.empty() || WideEncoding(name) || !TryConvertEncoding("", "UTF-8", name.c_str(), ignored)) return {};
    return name;
}

std::string TGIS_FileDBF::DriverEncoding() const {
    // The dBASE and FoxPro language drivers and the code pages they stand for.
    static constexpr struct {
        uint8_t id;
        uint16_t page;
    } kDrivers[] = {
        {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x04, 10000}, {0x08, 865},  {0x09, 437},  {0x0A, 850},
        {0x0B, 437},  {0x0D, 437},  {0x0E, 850},  {0x0F, 437},   {0x10, 850},  {0x11, 437},  {0x12, 850},
        {0x13, 932},  {0x14, 850},  {0x15, 437},  {0x16, 850},   {0x17, 865},  {0x18, 437},  {0x19, 437},
        {0x1A, 850},  {0x1B, 437},  {0x1C, 863},  {0x1D, 850},   {0x1F, 852},  {0x22, 852},  {0x23, 852},
        {0x24, 860},  {0x25, 850},  {0x26, 866},  {0x37, 850},   {0x40, 852},  {0x4D, 936},  {0x4E, 949},
        {0x4F, 950},  {0x50, 874},  {0x57, 1252}, {0x58, 1252},  {0x59, 1252}, {0x64, 852},  {0x65, 866},
        {0x66, 865},  {0x67, 861},  {0x6A, 737},  {0x6B, 857},   {0x6C, 863},  {0x78, 950},  {0x79, 949},
        {0x7A, 936},  {0x7B, 932},  {0x7C, 874},  {0x7D, 1255},  {0x7E, 1256}, {0x86, 737},  {0x87, 852},
        {0x88, 857},  {0xC8, 1250}, {0xC9, 1251}, {0xCA, 1254},  {0xCB, 1253}, {0xCC, 1257},
    };
    const uint8_t id = header_[29];
    for (const auto& d : kDrivers) {
        if (d.id != id) continue;
        const char* known = GisCodePageEncoding(d.page);
        const std::string name = known ? known : "CP" + std::to_string(d.page);
        std::string ignored;
        return TryConvertEncoding("", "UTF-8", name.c_str(), ignored) ? name : std::string();
    }
    return {};
}

std::string TGIS_FileDBF::FileText(std::string text, bool reading) const {
    if (!layer_ || text.empty()) return text;
    if (TextEncoding.empty()) {
        const int file = layer_->GetCodePage(), program = layer_->GetOutCodePage();
        if (file == program) return text;
        return reading ? GisConvertCodePage(text, file, program) : GisConvertCodePage(text, program, file);
    }
    const char* program = GisCodePageEncoding(layer_->GetOutCodePage());
    if (!program || IsAscii(text)) return text;
    return reading ? ConvertText(text, program, TextEncoding.c_str())
                   : ConvertText(text, TextEncoding.c_str(), program);
}

TGIS_FileDBF::TGIS_FileDBF(const std::string& path, bool create, TGIS_LayerVector* layer)
    : TFileStream(path, create ? fmCreate : fmOpenRead), layer_(layer), writing_(create) {
    if (!create) {
        ReadHeader();
        ReadFields();
    }
    if (layer_) cache_.resize(layer_->Fields.size());
}

TGIS_FileDBF::~TGIS_FileDBF() {
    if (!writing_) return;
    Seek(0, soFromEnd);
    Write(&kEndOfFile, 1);
}

void TGIS_FileDBF::RaiseCorrupt() const { throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, FileName(), 0); }

void TGIS_FileDBF::ReadHeader() {
    if (layer_) {
        layer_->Fields.clear();
    }
    Seek(0, soFromBeginning);
    if (Read(header_, 32) != 32) RaiseCorrupt();
    recordCount_ = Get32(header_ + 4);
    headerLength_ = Get16(header_ + 8);
    recordLength_ = Get16(header_ + 10);
}

void TGIS_FileDBF::ReadFields() {
    // The names taken, as FindField compares them: a table of 2,000 alike names would otherwise compare each
    // of its 255 counters with every field before it.
    std::unordered_set<std::string> taken;
    uint32_t counter = 33;
    do {
        uint8_t d[32];
        const int64_t got = Read(d, 32);
        // Writers that leave the header length at 0 still end the descriptors with the terminator.
        if (got >= 1 && d[0] == kTerminator) break;
        if (got != 32) RaiseCorrupt();
        char raw[12] = {};
        std::memcpy(raw, d, 11);
        const std::string name = Trim(std::string(raw));
        const uint8_t type = FieldTypeOf(char(d[11]));
        if (layer_) {
            std::string candidate = name;
            for (int retry = 1;; ++retry) {
                if (taken.insert(AnsiLowerCase(candidate)).second) {
                    layer_->AppendFileField(candidate, type, d[16], d[17], 0);
                    break;
                }
                if (retry > 255) break;
                char suffix[8];
                std::snprintf(suffix, sizeof suffix, "%.2X", unsigned(retry));
                candidate = name.substr(0, 9) + suffix;
            }
        }
        counter += 32;
    } while (headerLength_ > counter);
    if (layer_) {
        const int i = layer_->FindField(kDummy);
        if (i >= 0) layer_->Fields[size_t(i)]->Deleted = true;
    }
}

void TGIS_FileDBF::WriteHeader() {
    int year = 0, month = 0, day = 0;
    DecodeDate(Now(), year, month, day);
    header_[0] = 3;
    header_[1] = uint8_t(year - 1900);
    header_[2] = uint8_t(month);
    header_[3] = uint8_t(day);
    Put32(header_ + 4, recordCount_);
    Put16(header_ + 8, headerLength_);
    Put16(header_ + 10, recordLength_);
    Seek(0, soFromBeginning);
    WriteBuffer(header_, 32);
}

void TGIS_FileDBF::WriteFields() {
    if (!layer_) return;
    for (auto& f : layer_->Fields)
        if (AnsiCompareText(f->ExportName, kDummy) == 0) f->Deleted = true;
    // Sizes first: a table that cannot be described is refused before a byte is written.
    std::vector<uint8_t> bytes;
    uint32_t recordLength = 1;
    for (auto& f : layer_->Fields) {
        if (f->Deleted) continue;
        int32_t width = 0, decimals = 0;
        WrittenSize(*f, width, decimals);
        uint8_t d[32] = {};
        const std::string name = UpperCase(f->ExportName).substr(0, 11);
        std::memcpy(d, name.data(), name.size());
        d[11] = uint8_t(TypeLetter(f->FieldType));
        d[16] = uint8_t(width);
        d[17] = uint8_t(decimals);
        bytes.insert(bytes.end(), d, d + 32);
        recordLength += uint32_t(width);
    }
    if (recordLength < 2) {
        uint8_t d[32] = {};
        std::memcpy(d, kDummy, sizeof kDummy - 1);
        d[11] = 'C';
        d[16] = 1;
        bytes.insert(bytes.end(), d, d + 32);
        recordLength += 1;
    }
    bytes.push_back(kTerminator);
    const uint32_t headerLength = uint32_t(32 + bytes.size());
    if (headerLength > kMaxLength || recordLength > kMaxLength) throw EGIS_Exception(GIS_RS_ERR_FIELDTYPE, "", 0);
    Seek(32, soFromBeginning);
    WriteBuffer(bytes.data(), int64_t(bytes.size()));
    recordLength_ = recordLength;
    headerLength_ = headerLength;
}

std::string TGIS_FileDBF::FormatFloat20(double value) {
    if (!std::isfinite(value)) return std::string(20, '*');
    // An exponent above 99 keeps its three digits (the mantissa gives up one): a "99" would store another number.
    std::string s;
    for (int precision = value < 0 ? 13 : 14; precision >= 0; --precision)
        if (s = Exponent(value, precision); s.size() <= 20) break;
    return std::string(20 - s.size(), ' ') + s;
}

std::string TGIS_FileDBF::FormatValue(const TGIS_FieldInfo& f, const Variant& v, int32_t width,
                                      int32_t decimals) const {
    std::string text;
    switch (f.FieldType) {
    case gisFieldString: {
        text = FileText(VarToStr(v), false);
        if (text.size() > size_t(width)) text.resize(size_t(width));
        return text + std::string(size_t(width) - text.size(), ' ');
    }
    case gisFieldNumber:
        if (!NumberText(v, width, decimals, text)) throw Unwritable{text};
        return std::string(size_t(width) - text.size(), ' ') + text;
    case gisFieldFloat: {
        const double d = NumberOf(v);
        if (!std::isfinite(d)) throw Unwritable{GisFloatToStr(d)};
        return FormatFloat20(d);
    }
    case gisFieldLogical: {
        bool b = false;
        try {
            b = v.AsBoolean();
        } catch (const Exception&) {
            b = false;
        }
        return b ? "Y" : "N";
    }
    case gisFieldDate: {
        if (GisIsNoDate(v)) return std::string(8, ' ');
        int y = 0, m = 0, d = 0;
        try {
            DecodeDate(v.AsDate(), y, m, d);
        } catch (const Exception&) {
            y = 0;
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
        text = buf;
        if (text.size() != 8 || text < "19000101") text = "19000101";
        return text;
    }
    default: throw EGIS_Exception(GIS_RS_ERR_FIELDTYPE, "", 0);
    }
}

void TGIS_FileDBF::AppendRecord(TGIS_Shape& shape) {
    std::string record = " ";
    bool any = false;
    if (layer_)
        for (auto& f : layer_->Fields) {
            if (f->Deleted) continue;
            int32_t width = 0, decimals = 0;
            WrittenSize(*f, width, decimals);
            if (f->FieldType == gisFieldDate) f->NewWidth = 8;
            try {
                record += FormatValue(*f, shape.GetField(f->NewName), width, decimals);
            } catch (const Unwritable& u) {
                // Refused rather than written as "*", which every reader takes for no value.
                EGIS_Exception e(GIS_RS_ERR_WRONGFLOAT, u.text, shape.Uid);
                e.Message += Format(" 字段“%s”第 %d 条记录的数值超出字段宽度 %d，文件没有保存。",
                                    {f->NewName, int(shape.Uid), int(width)});
                throw e;
            }
            any = true;
        }
    if (!any) record += ' ';
    Seek(0, soFromEnd);
    WriteBuffer(record.data(), int64_t(record.size()));
    ++recordCount_;
}

Variant TGIS_FileDBF::Convert(const TGIS_FieldInfo& f, const uint8_t* bytes, int32_t width) const {
    const int32_t binary = f.BinaryWidth;
    // The value's text ends at a NUL; `end` leaves out the blanks after it, `begin` those before it too.
    // Text is padded with spaces, mostly many: those go eight at a time.
    const char* chars = reinterpret_cast<const char*>(bytes);
    const void* nul = width > 0 ? std::memchr(bytes, 0, size_t(width)) : nullptr;
    const size_t n = nul ? size_t(static_cast<const uint8_t*>(nul) - bytes) : size_t(std::max(width, 0));
    size_t end = n;
    for (uint64_t word = 0; end >= 8; end -= 8) {
        std::memcpy(&word, bytes + end - 8, 8);
        if (word != 0x2020202020202020u) break;
    }
    while (end > 0 && bytes[end - 1] <= ' ') --end;
    auto text = [&] { return std::string(chars, n); };
    auto binaryInt = [&]() -> Variant {
        switch (binary) {
        // Narrower than 32 bits, the value is not sign-extended.
        case 1: return Variant(int(bytes[0]));
        case 2: return Variant(int(Get16(bytes)));
        case 4: return Variant(int(int32_t(Get32(bytes))));
        default: {
            int64_t v = 0;
            std::memcpy(&v, bytes, 8);
            if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max())
                return Variant(int(v));
            return Variant(double(v));
        }
        }
    };
    switch (f.FieldType) {
    case gisFieldString: return Variant(FileText(std::string(chars, end), true));
    case gisFieldNumber:
    case gisFieldFloat: {
        const bool decimals = f.FieldType == gisFieldFloat || f.Decimals > 0;
        if (binary > 0) {
            if (!decimals) return binaryInt();
            if (binary != 8) return binaryInt();
            double d = 0;
            std::memcpy(&d, bytes, 8);
            return Variant(d);
        }
        size_t begin = 0;
        while (begin < end && bytes[begin] <= ' ') ++begin;
        if (int whole = 0; !decimals && SmallWholeNumber(chars + begin, chars + end, whole)) return Variant(whole);
        if (double d = 0; decimals && PlainDecimal(chars + begin, chars + end, d)) return Variant(d);
        const std::string s(chars + begin, end - begin);
        if (AllStars(s)) return Variant();
        if (Variant v; !decimals && !s.empty() && ReadWholeNumber(s, v)) return v;
        // Other writers leave fractions in whole-number columns ("147.5999999999999943156581139191" in an
        // N(32,0)): the number stands as the text gives it.
        try {
            return Variant(GisStrToFloat(s));
        } catch (const Exception&) {
            return decimals ? Variant(0.0) : Variant(0);
        }
    }
    case gisFieldLogical: return Variant(bytes[0] == '1' || bytes[0] == 'T' || bytes[0] == 'Y');
    case gisFieldDate: {
        if (binary > 0) {
            const uint32_t v = Get32(bytes);
            if (v == 0) return GisNoDate();
            return DateOf(int(v & 0xFFFF), bytes[2], bytes[3]);
        }
        const std::string s = text();
        const int y = Digits(s, 0, 4), m = Digits(s, 4, 2), d = Digits(s, 6, 2);
        if (y < 0 || m < 0 || d < 0) return GisNoDate();
        return DateOf(y, m, d);
    }
    default: throw EGIS_Exception(GIS_RS_ERR_UNTESTED, "", 0);
    }
}

void TGIS_FileDBF::LoadRecord(int32_t record) {
    // Fields lie one after the other from the flag byte.
    const auto& fields = layer_->Fields;
    offsets_.resize(fields.size());
    int64_t at = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        const TGIS_FieldInfo& g = *fields[i];
        offsets_[i] = at;
        at += std::max(0, g.BinaryWidth ? g.BinaryWidth : g.Width);
    }
    const int64_t length = std::max<uint32_t>(recordLength_, 1);
    recordStart_ = int64_t(headerLength_) + int64_t(record - 1) * int64_t(recordLength_);
    const bool inBlock = recordStart_ >= blockStart_ && recordStart_ + length <= blockStart_ + blockBytes_;
    if (!inBlock) {
        // A scan in record order reads records a block at a time; a record asked for out of order, alone.
        int64_t count = 1;
        if (record == loadedRecord_ + 1)
            count = std::max<int64_t>(1, std::min<int64_t>(kBlockBytes / length, int64_t(recordCount_) - record + 1));
        // Zeros after the bytes, as after a value read on its own: a binary value is taken 8 bytes at a time.
        block_.assign(size_t(count * length) + 8, 0);
        Seek(recordStart_, soFromBeginning);
        blockStart_ = recordStart_;
        blockBytes_ = std::max<int64_t>(0, Read(block_.data(), count * length));
    }
    loadedRecord_ = record;
    recordLoaded_ = true;
}

Variant TGIS_FileDBF::ReadFieldValue(int32_t record, const std::string& name) {
    if (!layer_ || record < 1 || uint32_t(record) > recordCount_) return Variant();
    if (record != cachedRecord_) {
        for (Variant& v : cache_) v.Clear();
        cachedRecord_ = record;
        recordLoaded_ = false;
    }
    const auto& fields = layer_->Fields;
    // Values are mostly asked for in field order.
    // The layer hands in the field's own name, which needs no comparing.
    int index = lastIndex_ + 1;
    if (index >= int(fields.size()) ||
        (&fields[size_t(index)]->Name != &name && AnsiCompareText(fields[size_t(index)]->Name, name) != 0))
        index = layer_->FindFieldOriginal(name);
    if (index < 0) return Variant();
    lastIndex_ = index;
    if (size_t(index) >= cache_.size()) cache_.resize(fields.size());
    if (!cache_[size_t(index)].IsEmpty()) return cache_[size_t(index)];
    const TGIS_FieldInfo& f = *fields[size_t(index)];
    if (f.Name.empty()) return Variant();
    if (!recordLoaded_ || size_t(index) >= offsets_.size()) LoadRecord(record);
    const int32_t width = std::max(0, std::min<int32_t>(f.Width, 255));
    const int64_t offset = offsets_[size_t(index)], count = std::max(width, std::min<int32_t>(f.BinaryWidth, 8));
    Variant v;
    const int64_t from = recordStart_ + offset - blockStart_;
    if (from >= 0 && from + count <= blockBytes_) {
        v = Convert(f, block_.data() + from, width);
    } else {
        // Past the bytes read (fields wider than the header's record length read on into what follows).
        uint8_t buffer[257] = {};
        Seek(recordStart_ + offset, soFromBeginning);
        Read(buffer, count);
        v = Convert(f, buffer, width);
    }
    cache_[size_t(index)] = std::move(v);
    return cache_[size_t(index)];
}
