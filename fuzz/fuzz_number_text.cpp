// The text rules of the numeric and the spin edit, without a window: the first byte picks the decimal
// separator, the second the display format or the decimals, the rest is the text typed or pasted.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/VtEdit.h"
#include "widgets/VtSpnEdt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    SetDecimalSeparator(data[0] & 1 ? ',' : '.');
    const uint8_t pick = data[1];
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

    // Numeric edit: text to value, value through a display format of the main window, and back.
    static const char* const formats[] = {",0;(,0)", ",0.00000;(,0.00000)", "0.##", "#,##0.000"};
    const std::string format = formats[pick & 3];
    try {
        double v = NumericTextToValue(text);
        if (!std::isfinite(v)) std::abort();
        const std::string shown = FormatFloat(format, v);
        double back = NumericTextToValue(shown);
        // The text shows the value rounded; reading it back and showing it again changes nothing.
        if (FormatFloat(format, back) != shown && !(back == 0 && FormatFloat(format, -back) == shown)) std::abort();
        (void)RoundToInt32(v);
    } catch (const EConvertError&) {
    }

    // Spin edit: fixed decimals.
    const int decimals = pick >> 2;
    long double v;
    if (SpinTextToValue(text, v)) {
        if (!std::isfinite(v)) std::abort();
        const std::string shown = SpinValueToText(v, decimals);
        long double back;
        if (!SpinTextToValue(shown, back)) std::abort();
        if (SpinValueToText(back, decimals) != shown) std::abort();
    }
    return 0;
}
