// Reading sheet numbers of both standards, the sheet at a point, and list conversion.
#include <cmath>

#include "engine/TessarInternal.h"
#include "engine/unTessarRgPub.h"
#include "platform/rtl/SysUtils.h"

namespace {

// A sheet recognised from its number: its scale and its west and north edges in seconds.
struct ParsedSheet {
    int scale = -1;
    double west = 0, north = 0;
};

// Unsigned decimal of 1..3 digits, nothing else (no blanks, signs or fractions).
// Not a whole number: unrecognised rather than a conversion error, which would abort a whole list at one line.
bool Digits(const std::string& s, int lo, int hi, int& v) {
    if (s.empty() || s.size() > 3) return false;
    v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    return v >= lo && v <= hi;
}

// "[n]" or "(n)" with n in lo..hi.
bool Bracketed(const std::string& s, char open, char close, int hi, int& v) {
    return s.size() >= 3 && s.front() == open && s.back() == close && Digits(s.substr(1, s.size() - 2), 1, hi, v);
}

bool Letter(const std::string& s, char first, int& ordinal) {
    if (s.size() != 1 || s[0] < first || s[0] > first + 3) return false;
    ordinal = s[0] - first + 1;
    return true;
}

bool MillionSheet(char row, int col, ParsedSheet& p) {
    if (row < 'A' || row > 'V' || col < 1 || col > 60) return false;
    p.west = (col - 31) * 21600.0;
    p.north = (row - 64) * 14400.0;
    return true;
}

// Moves to child `ordinal` (row by row from the north-west, k per row) of the sheet at p, at scale s.
void Child(ParsedSheet& p, int s, int k, int ordinal) {
    p.west += (ordinal - 1) % k * TessarolWidths[s];
    p.north -= (ordinal - 1) / k * TessarolHeights[s];
    p.scale = s;
}

std::vector<std::string> SplitStrict(const std::string& no) {
    std::vector<std::string> parts(1);
    for (char c : no) {
        if (c == '-') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

// Every part is checked, not only the last: "j-50" or "J-50-200" would read as a sheet outside its parent.
ParsedSheet ParseOld(const std::string& typed) {
    ParsedSheet p, fail;
    const auto parts = SplitStrict(Trim(typed));  // blanks and tabs typed around a number are no part of it
    const size_t k = parts.size();
    int col, n, m;
    if (k < 2 || k > 5 || parts[0].size() != 1 || !Digits(parts[1], 1, 60, col) ||
        !MillionSheet(parts[0][0], col, p))
        return fail;
    p.scale = 0;
    if (k == 2) return p;
    const std::string& last = parts[k - 1];
    if (k == 3) {
        if (Letter(last, 'A', n)) Child(p, 1, 2, n);
        else if (Bracketed(last, '[', ']', 16, n)) Child(p, 2, 4, n);
        else if (Digits(last, 1, 144, n)) Child(p, 3, 12, n);
        else return fail;
        return p;
    }
    if (!Digits(parts[2], 1, 144, n)) return fail;
    Child(p, 3, 12, n);
    if (k == 4) {
        if (Letter(last, 'A', m)) Child(p, 4, 2, m);
        else if (Bracketed(last, '(', ')', 64, m)) Child(p, 6, 8, m);
        else return fail;
        return p;
    }
    if (Letter(last, 'a', m)) {  // 1:5,000 below a 1:10,000
        if (!Bracketed(parts[3], '(', ')', 64, n)) return fail;
        Child(p, 6, 8, n);
        Child(p, 7, 2, m);
    } else {  // 1:25,000 below a 1:50,000
        if (!Letter(parts[3], 'A', n) || !Digits(last, 1, 4, m)) return fail;
        Child(p, 4, 2, n);
        Child(p, 5, 2, m);
    }
    return p;
}

// The content is checked, not only the length: "XYZ" is no 1:1,000,000 sheet.
ParsedSheet ParseNew(const std::string& typed) {
    const std::string no = Trim(typed);  // as for old numbers
    ParsedSheet p, fail;
    int col, row, c;
    if ((no.size() != 3 && no.size() != 10) || !Digits(no.substr(1, 2), 1, 60, col) ||
        !MillionSheet(no[0], col, p))
        return fail;
    p.scale = 0;
    if (no.size() == 3) return p;
    const size_t s = std::string("BCDEFGH").find(no[3]);
    if (s == std::string::npos) return fail;
    const int scale = static_cast<int>(s) + 1, n = kPerMillion[scale];
    if (!Digits(no.substr(4, 3), 1, n, row) || !Digits(no.substr(7, 3), 1, n, c))
        return fail;
    p.west += (c - 1) * TessarolWidths[scale];
    p.north -= (row - 1) * TessarolHeights[scale];
    p.scale = scale;
    return p;
}

TDmsExtent ToExtent(const ParsedSheet& p) {
    if (p.scale < 0) return {};
    const double w = TessarolWidths[p.scale], h = TessarolHeights[p.scale];
    return {SecondsToDms(p.west), SecondsToDms(p.north - h), SecondsToDms(p.west + w), SecondsToDms(p.north)};
}

// The sheets of an exact sheet extent (in seconds) at the target scale.
void EnumerateSheet(const ParsedSheet& p, int target, bool newNumbers, bool zone3, bool beijing54, double cm,
                    TStandardTessarols& out) {
    const double w = TessarolWidths[target], h = TessarolHeights[target];
    TessarIndexWindow iw;
    iw.col0 = TessarFloorIndex(p.west, w);
    iw.col1 = TessarCeilIndex(p.west + TessarolWidths[p.scale], w);
    iw.row0 = TessarFloorIndex(p.north - TessarolHeights[p.scale], h);
    iw.row1 = TessarCeilIndex(p.north, h);
    TessarEnumerate(target, newNumbers, iw, zone3, beijing54, cm, out);
}

}  // namespace

bool IsNumeric(const std::string& text) {
    double v;
    return TryStrToFloat(text, v);
}

TStringList SplitString(const std::string& text, char delimiter) {
    TStringList list;
    size_t start = 0, at;
    while ((at = text.find(delimiter, start)) != std::string::npos) {
        list.Add(text.substr(start, at - start));
        start = at + 1;
    }
    std::string rest = text.substr(start);
    if (!Trim(rest).empty()) list.Add(rest);
    return list;
}

int GetOldSheetNoScale(const std::string& no) { return ParseOld(no).scale; }
TDmsExtent OldSheetNoToExtent(const std::string& no) { return ToExtent(ParseOld(no)); }
int GetNewSheetNoScale(const std::string& no) { return ParseNew(no).scale; }
TDmsExtent NewSheetNoToExtent(const std::string& no) { return ToExtent(ParseNew(no)); }

int GetSheetNoStandard(const std::string& no) {
    if (ParseOld(no).scale >= 0) return 1;
    if (ParseNew(no).scale >= 0) return 2;
    return 0;
}

void GetTessarolsAtPoint(const TDmsAngle& L, const TDmsAngle& B, int scale, bool newStandard, bool zone3,
                         bool beijing54, double cm, TStandardTessarols& result) {
    if (scale < 0 || scale >= kScaleCount) throw ERangeError(kBadScaleText);
    const double Ls = DmsToSeconds(L), Bs = DmsToSeconds(B);
    if (!std::isfinite(Ls) || !std::isfinite(Bs) || std::fabs(Ls) > 1e9 || std::fabs(Bs) > 1e9)
        throw ERangeError(kBadAngleText);
    TessarIndexWindow iw;
    iw.col0 = TessarFloorIndex(Ls, TessarolWidths[scale]);
    iw.row0 = TessarFloorIndex(Bs, TessarolHeights[scale]);
    iw.col1 = iw.col0 + 1;
    iw.row1 = iw.row0 + 1;
    TessarEnumerate(scale, newStandard, iw, zone3, beijing54, cm, result);
}

namespace {

// The lines parsed (a line that is no sheet of the area has scale -1) and the number of target sheets,
// refusing a bad target scale or too many sheets.
long long ParseSources(const TStringList& list, int target, std::vector<ParsedSheet>& parsed) {
    if (target < 0 || target >= kScaleCount) throw ERangeError(kBadScaleText);
    parsed.assign(static_cast<size_t>(list.Count()), ParsedSheet());
    long long total = 0;
    for (int i = 0; i < list.Count(); ++i) {
        ParsedSheet& p = parsed[i];
        p = ParseOld(list[i]);
        if (p.scale < 0) p = ParseNew(list[i]);
        // Numbers of the western hemisphere parse but lie outside the area the sheets serve.
        if (p.scale < 0 || p.west < 0) p.scale = -1;
        else if (target > p.scale) {
            const long long side = kPerMillion[target] / kPerMillion[p.scale];
            total += side * side;
        } else {
            ++total;
        }
    }
    if (total > kMaxSheets) throw ERangeError(kTooManySheetsText);
    return total;
}

}  // namespace

long long ConvertedTessarolCount(const TStringList& list, int target) {
    std::vector<ParsedSheet> parsed;
    return ParseSources(list, target, parsed);
}

void ConvertSheetNoList(const TStringList& list, int target, bool newStandard, bool zone3, bool beijing54,
                        double cm, TStandardTessarols& result) {
    std::vector<ParsedSheet> parsed;
    const long long total = ParseSources(list, target, parsed);
    CheckTessarMemory(total, sizeof(TStandardTessarol), 0,
                      static_cast<uint64_t>(list.Count()) * sizeof(std::vector<TStandardTessarol>));
    TStandardTessarols out(static_cast<size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        const ParsedSheet& p = parsed[i];
        if (p.scale < 0) continue;
        TStandardTessarols sheets;
        EnumerateSheet(p, target, newStandard, zone3, beijing54, cm, sheets);
        out[i].reserve(TessarCount(sheets));
        for (auto& column : sheets)
            for (auto& t : column) out[i].push_back(std::move(t));
    }
    result = std::move(out);
}
