#include "platform/rtl/FloatFormat.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

std::vector<std::string> Sections(const std::string& f) {
    std::vector<std::string> out(1);
    char quote = 0;
    for (char c : f) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

struct Picture {
    int intZeros = 0;      // '0' left of the point: minimum integer digits
    int fracZeros = 0;     // '0' right of the point
    int fracDigits = 0;    // '0' and '#' right of the point
    bool thousands = false;
    bool point = false;
    bool sci = false;
    bool sciPlus = false;  // E+ shows the sign of positive exponents
    int expDigits = 0;
    char expChar = 'E';
    bool any = false;      // holds any digit placeholder
};

Picture Analyse(const std::string& s) {
    Picture p;
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') && !p.sci) {
            p.sci = true;
            p.expChar = c;
            p.sciPlus = s[i + 1] == '+';
            i += 2;
            while (i < s.size() && s[i] == '0') {
                ++p.expDigits;
                ++i;
            }
            --i;
        } else if (p.sci) {
            continue;
        } else if (c == '0' || c == '#') {
            p.any = true;
            if (p.point) {
                ++p.fracDigits;
                if (c == '0') p.fracZeros = p.fracDigits;
            } else if (c == '0') {
                ++p.intZeros;
            }
        } else if (c == '.') {
            p.point = true;
        } else if (c == ',') {
            if (!p.point) p.thousands = true;
        }
    }
    return p;
}

// Digits of |v| rounded to `frac` decimals: the value is first taken to 15 significant digits, then
// rounded half away from zero on those decimal digits (2.675 gives 2.68, as a user reads it).
void FixedDigits(double v, int frac, std::string& ip, std::string& fp) {
    ip.clear();
    fp.clear();
    double a = std::fabs(v);
    std::string digits;
    int exp = 0;
    if (a != 0) {
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
        std::string t(buf, r.ptr);
        size_t e = t.find('e');
        exp = std::stoi(t.substr(e + 1));
        for (size_t i = 0; i < e; ++i)
            if (t[i] != '.') digits += t[i];
    }
    // Fixed text: integer digits then `frac + 1` decimals, from the significant digits.
    std::string intPart, fracPart;
    for (int pos = std::max(exp, 0); pos >= 0; --pos) {
        int idx = exp - pos;
        intPart += idx >= 0 && idx < static_cast<int>(digits.size()) && a != 0 ? digits[idx] : '0';
    }
    for (int k = 1; k <= frac + 1; ++k) {
        int idx = exp + k;
        fracPart += idx >= 0 && idx < static_cast<int>(digits.size()) ? digits[idx] : '0';
    }
    std::string all = intPart + fracPart;
    bool up = all.back() >= '5';
    all.pop_back();
    size_t intLen = intPart.size();
    if (up) {
        int k = static_cast<int>(all.size()) - 1;
        while (k >= 0 && all[k] == '9') all[k--] = '0';
        if (k >= 0) ++all[k];
        else {
            all.insert(all.begin(), '1');
            ++intLen;
        }
    }
    ip = all.substr(0, intLen);
    fp = all.substr(intLen);
    while (!ip.empty() && ip[0] == '0') ip.erase(0, 1);
}

std::string Apply(const std::string& sec, double v, bool showMinus) {
    const char sep = GetDecimalSeparator();
    Picture p = Analyse(sec);
    if (!p.any) {
        std::string lit;
        char quote = 0;
        for (char c : sec) {
            if (quote) {
                if (c == quote) quote = 0;
                else lit += c;
            } else if (c == '\'' || c == '"') quote = c;
            else lit += c;
        }
        return lit;
    }
    std::string ip, fp, expText;
    if (p.sci) {
        double a = std::fabs(v);
        int e = 0;
        int intDigits = std::max(1, p.intZeros);
        if (a != 0) {
            e = static_cast<int>(std::floor(std::log10(a))) - (intDigits - 1);
            a /= std::pow(10.0, e);
            FixedDigits(a, p.fracDigits, ip, fp);
            if (static_cast<int>(ip.size()) > intDigits) {
                ++e;
                a /= 10;
                FixedDigits(a, p.fracDigits, ip, fp);
            }
        } else {
            FixedDigits(0, p.fracDigits, ip, fp);
        }
        std::string ed = std::to_string(std::abs(e));
        while (static_cast<int>(ed.size()) < p.expDigits) ed = "0" + ed;
        expText = std::string(1, p.expChar) + (e < 0 ? "-" : (p.sciPlus ? "+" : "")) + ed;
    } else {
        FixedDigits(v, p.fracDigits, ip, fp);
    }
    while (static_cast<int>(ip.size()) < p.intZeros) ip = "0" + ip;
    while (static_cast<int>(fp.size()) > p.fracZeros && fp.back() == '0') fp.pop_back();
    if (p.thousands && !p.sci) {
        // Where the comma is the decimal separator the point groups the thousands, so the text reads back.
        const char group = sep == ',' ? '.' : ',';
        std::string g;
        for (size_t i = 0; i < ip.size(); ++i) {
            if (i > 0 && (ip.size() - i) % 3 == 0) g += group;
            g += ip[i];
        }
        ip = g;
    }
    std::string number = ip + (fp.empty() ? "" : std::string(1, sep) + fp) + expText;
    bool nonZero = number.find_first_of("123456789") != std::string::npos;
    // The digits go where the first placeholder stands; literals keep their places.
    std::string out;
    char quote = 0;
    bool placed = false;
    for (size_t i = 0; i < sec.size(); ++i) {
        char c = sec[i];
        if (quote) {
            if (c == quote) quote = 0;
            else out += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '0' || c == '#' || c == '.' || c == ',') {
            if (!placed) {
                if (showMinus && v < 0 && nonZero) out += '-';
                out += number;
                placed = true;
            }
        } else if ((c == 'E' || c == 'e') && p.sci && i + 1 < sec.size() && (sec[i + 1] == '+' || sec[i + 1] == '-')) {
            i += 2;
            while (i < sec.size() && sec[i] == '0') ++i;
            --i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string FormatFloat(const std::string& format, double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (format.empty()) return FloatToStr(value);
    auto secs = Sections(format);
    if (value == 0 && secs.size() >= 3 && !secs[2].empty()) return Apply(secs[2], value, false);
    if (value < 0 && secs.size() >= 2 && !secs[1].empty()) {
        // A value that rounds to zero in the negative picture is shown by the positive one.
        Picture p = Analyse(secs[1]);
        std::string ip, fp;
        FixedDigits(value, p.fracDigits, ip, fp);
        if ((ip + fp).find_first_not_of('0') != std::string::npos || p.sci) return Apply(secs[1], value, false);
        return Apply(secs[0], 0.0, true);
    }
    return Apply(secs[0], value, true);
}
