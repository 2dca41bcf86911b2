#include "metadata/ShootingTime.h"

#include <cctype>

namespace lumora {

namespace {

// Reads like "%d": optional leading white space, optional sign, digits. Values
// saturate instead of overflowing.
bool ReadNumber(std::string_view text, std::size_t& pos, std::int64_t& value) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t start = pos;
    std::int64_t v = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        if (v < 1'000'000'000) {
            v = v * 10 + (text[pos] - '0');
        }
        ++pos;
    }
    if (pos == start) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

bool ReadLiteral(std::string_view text, std::size_t& pos, char c) {
    if (c == ' ') {
        // A space in the pattern matches any run of white space, also none.
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
            ++pos;
        }
        return true;
    }
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

std::int64_t ShootingTimeKey(std::string_view text) {
    static constexpr char kSeparators[] = {':', ':', ' ', ':', ':'};
    // Field by field, as a scan of "%d:%d:%d %d:%d:%d" reads it: the first
    // field that does not parse ends the reading, and it and every field
    // after it count as 0. A date without its time, or with a damaged time,
    // keeps its day.
    std::int64_t v[6] = {};
    std::size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (i > 0 && !ReadLiteral(text, pos, kSeparators[i - 1])) {
            break;
        }
        if (!ReadNumber(text, pos, v[i])) {
            break;
        }
    }
    const std::int64_t year = v[0] == 0 ? 0 : v[0] - 1980;
    // Unsigned arithmetic: absurd numbers wrap instead of overflowing.
    std::uint64_t key = static_cast<std::uint64_t>(year);
    key = key * 365 + static_cast<std::uint64_t>(v[1]);
    key = key * 31 + static_cast<std::uint64_t>(v[2]);
    key = key * 24 + static_cast<std::uint64_t>(v[3]);
    key = key * 60 + static_cast<std::uint64_t>(v[4]);
    key = key * 60 + static_cast<std::uint64_t>(v[5]);
    return static_cast<std::int64_t>(key);
}

const std::optional<std::string>& ShootingTimeText(const ImageInfo& info) {
    return info.shootingDateTime ? info.shootingDateTime : info.dateTime;
}

int CompareShootingTime(const ImageInfo& a, const ImageInfo& b) {
    const auto& ta = ShootingTimeText(a);
    const auto& tb = ShootingTimeText(b);
    if (!ta || !tb) {
        return 0;
    }
    const std::int64_t ka = ShootingTimeKey(*ta);
    const std::int64_t kb = ShootingTimeKey(*tb);
    if (ka == kb) {
        return 0;
    }
    return ka < kb ? -1 : 1;
}

} // namespace lumora
