#include "metadata/ImageInfo.h"

namespace lumora {

int OrientationQuarterTurns(std::optional<std::uint16_t> orientation) {
    if (!orientation) {
        return 0;
    }
    switch (*orientation) {
    case 6:
        return 1;
    case 3:
    case 4:
        return 2;
    case 8:
        return 3;
    default:
        return 0;
    }
}

} // namespace lumora
