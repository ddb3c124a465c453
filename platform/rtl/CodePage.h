// Text between encodings, by their iconv names ("GB18030", "UTF-8", "UTF-32LE" ...).
#pragma once

#include <cstddef>
#include <string>

// An input sequence the conversion cannot take becomes `bad` and `skip` of its bytes are passed over.
// False, with `out` untouched, when the pair of encodings is unknown.
bool ConvertEncoding(const std::string& in, const char* to, const char* from, const std::string& bad, size_t skip,
                     std::string& out);

// Text from one encoding to another through UTF-32, so that bytes that do not decode and characters the
// target lacks each become one '?'. `unit` is the size of the source's code unit (2 for UTF-16). The
// text comes back unchanged when either encoding is unknown.
std::string ConvertText(const std::string& text, const char* to, const char* from, size_t unit = 1);

// The whole text in the other encoding; false, with `out` untouched, when any of it does not convert
// or the pair of encodings is unknown.
bool TryConvertEncoding(const std::string& in, const char* to, const char* from, std::string& out);
