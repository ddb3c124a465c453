// What a kernel call raised, for tests that expect numbered errors.
#pragma once

#include <functional>
#include <string>

#include "gis/core/GisDefs.h"

// The number of the EGIS_Exception that `f` raised; 0 when it raised none.
inline int ErrorCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const EGIS_Exception& e) {
        return e.ErrorCode;
    }
    return 0;
}

// Its message; empty when it raised none.
inline std::string ErrorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const EGIS_Exception& e) {
        return e.Message;
    }
    return "";
}
