// Refused calls: explained on standard error for a developer who asked for it (D3D8_DEBUG),
// then answered with the platform's result code.
#pragma once

#include "internal/debug_output.h"

namespace d3d8 {

template <class... Args> HRESULT refuse(HRESULT code, const char* format, Args... args) {
    if constexpr (sizeof...(Args) == 0)
        platform_internal::explainRefusal("%s", format);
    else
        platform_internal::explainRefusal(format, args...);
    return code;
}

} // namespace d3d8
