// Text between encodings, by their iconv names ("GB18030", "UTF-8", "UTF-32LE" ...).
#pragma once

#include <cstddef>
#include <string>

// An input sequence the conversion cannot take becomes `bad` and `skip` of its bytes are passed over.
// False, with `out` untouched, when the pair of encodings is unknown.
bool ConvertEncoding(const std::string& in, const char* to, const char* from, const std::string& bad, size_t skip,
                     std::string& out);
