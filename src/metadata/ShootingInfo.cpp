#include "metadata/ShootingInfo.h"

#include "metadata/ImageInfo.h"

namespace lumora {

std::optional<AspectRatio> ReduceAspectRatio(std::uint32_t x, std::uint32_t y) {
    if (x == 0 || y == 0) {
        return std::nullopt;
    }
    // Euclid by remainder: the same divisor as repeated subtraction, without
    // billions of steps for a hostile 1 x 4000000000 size.
    std::uint32_t a = x;
    std::uint32_t b = y;
    while (b != 0) {
        const std::uint32_t r = a % b;
        a = b;
        b = r;
    }
    return AspectRatio{x / a, y / a};
}

void ComputeAspectRatio(const ImageInfo& image, ShootingInfo& shooting) {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    if (shooting.pixelX.value_or(0) != 0 && shooting.pixelY.value_or(0) != 0) {
        x = *shooting.pixelX;
        y = *shooting.pixelY;
    } else if (image.width.value_or(0) != 0 && image.height.value_or(0) != 0) {
        x = *image.width;
        y = *image.height;
    }
    if (const auto ratio = ReduceAspectRatio(x, y)) {
        shooting.aspectX = ratio->x;
        shooting.aspectY = ratio->y;
    }
}

} // namespace lumora
