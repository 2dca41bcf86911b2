#pragma once

#include "metadata/ImageInfo.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumora {

// Sort key of a "Y:M:D h:m:s" text: ((((Y' * 365 + M) * 31 + D) * 24 + h) * 60
// + m) * 60 + s with Y' = Y - 1980 (a year of 0 stays 0). The numbers are read
// in order up to the first that does not parse; those not read count as 0, so
// a text without any number gives 0 and "2026:12:08" keeps its day.
std::int64_t ShootingTimeKey(std::string_view text);

// The image's date text: shootingDateTime when present, else dateTime.
const std::optional<std::string>& ShootingTimeText(const ImageInfo& info);

// Negative when a was taken before b, positive when after. 0 when either has no
// date text or the keys are equal: the sorter's next comparison decides.
int CompareShootingTime(const ImageInfo& a, const ImageInfo& b);

} // namespace lumora
