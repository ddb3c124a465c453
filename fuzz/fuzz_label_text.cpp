// Label templates and field values as configuration files give them: the template, then "NAME=value" lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "gis/layers/GisLayerVector.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t eol = input.find('\n');
    const std::string templ = input.substr(0, eol);
    std::map<std::string, Variant> fields;
    while (eol != std::string::npos) {
        const size_t start = eol + 1;
        eol = input.find('\n', start);
        const std::string line = input.substr(start, eol == std::string::npos ? std::string::npos : eol - start);
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string value = line.substr(eq + 1);
        // The first byte of a value picks its type, so that every formatting branch is reached.
        Variant v(value);
        if (!value.empty() && value[0] == '#') v = Variant(std::atoi(value.c_str() + 1));
        if (!value.empty() && value[0] == '~') v = Variant(std::strtod(value.c_str() + 1, nullptr));
        if (!value.empty() && value[0] == '?') v = Variant(value.size() % 2 == 0);
        fields[line.substr(0, eq)] = v;
    }
    const std::string text = GisFormatLabelText(templ, [&](const std::string& name) {
        auto it = fields.find(name);
        return it == fields.end() ? Variant::Null() : it->second;
    });
    // Formats are bounded, so the text can only grow by what a field width allows.
    if (text.size() > 64 * size + 200000 * (templ.size() + 1)) abort();
    return 0;
}
