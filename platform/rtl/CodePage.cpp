#include "platform/rtl/CodePage.h"

#include <iconv.h>

#include <cerrno>

namespace {

// Runs the whole input through `cd`; an input sequence it cannot take is replaced by `bad` and
// skipped by `skip` bytes.
std::string Run(iconv_t cd, const std::string& in, const std::string& bad, size_t skip) {
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + used;
        size_t dstLeft = out.size() - used;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL: a sequence that does not convert, or is cut at the end.
        if (out.size() - used < bad.size()) out.resize(out.size() * 2 + bad.size());
        out.replace(used, bad.size(), bad);
        used += bad.size();
        size_t n = skip < srcLeft ? skip : srcLeft;
        src += n;
        srcLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}
}  // namespace

bool ConvertEncoding(const std::string& in, const char* to, const char* from, const std::string& bad, size_t skip,
                     std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out = Run(cd, in, bad, skip);
    iconv_close(cd);
    return true;
}

std::string ConvertText(const std::string& text, const char* to, const char* from, size_t unit) {
    static const std::string question("?\0\0\0", 4);
    std::string wide, result;
    if (!ConvertEncoding(text, "UTF-32LE", from, question, unit, wide)) return text;
    if (!ConvertEncoding(wide, to, "UTF-32LE", "?", 4, result)) return text;
    return result;
}

bool TryConvertEncoding(const std::string& in, const char* to, const char* from, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size(), used = 0;
    bool ok = true;
    for (;;) {
        char* dst = result.data() + used;
        size_t dstLeft = result.size() - used;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = result.size() - dstLeft;
        if (r != static_cast<size_t>(-1)) break;
        if (errno != E2BIG) {
            ok = false;  // EILSEQ, or EINVAL for a sequence cut at the end
            break;
        }
        result.resize(result.size() * 2);
    }
    iconv_close(cd);
    if (!ok) return false;
    result.resize(used);
    out = std::move(result);
    return true;
}
