#include "settings/AppSettings.h"

#include <cstdlib>

namespace lumora {

std::int32_t defaultCaptionFontHeight(int dpiY) {
    // 9 * dpiY / 72 rounded half away from zero, then negated (a character height).
    const long long scaled = 9LL * dpiY;
    const long long magnitude = (std::llabs(scaled) + 36) / 72;
    const long long height = scaled < 0 ? magnitude : -magnitude;
    return static_cast<std::int32_t>(height);
}

} // namespace lumora
