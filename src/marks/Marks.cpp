#include "marks/Marks.h"

#include <algorithm>

namespace lumora {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

} // namespace

Marks ApplyMarkChange(Marks marks, const MarkChange& change) {
    switch (change.kind) {
    case MarkChange::Kind::Rating:
        marks.rating = static_cast<std::uint8_t>(std::clamp(change.value, 0, 5));
        marks.reject = false;
        break;
    case MarkChange::Kind::Label: {
        const int v = std::clamp(change.value, 0, kColorLabelCount - 1);
        const auto label = static_cast<ColorLabel>(v);
        marks.label = marks.label == label ? ColorLabel::None : label;
        break;
    }
    case MarkChange::Kind::ToggleReject:
        marks.reject = !marks.reject;
        marks.rating = 0;
        break;
    case MarkChange::Kind::SetReject:
        marks.reject = change.value != 0;
        if (marks.reject)
            marks.rating = 0;
        break;
    }
    return marks;
}

std::string_view ColorLabelName(ColorLabel label) {
    switch (label) {
    case ColorLabel::Red:
        return "Red";
    case ColorLabel::Yellow:
        return "Yellow";
    case ColorLabel::Green:
        return "Green";
    case ColorLabel::Blue:
        return "Blue";
    case ColorLabel::Purple:
        return "Purple";
    case ColorLabel::None:
        break;
    }
    return "";
}

std::optional<ColorLabel> ColorLabelFromName(std::string_view name) {
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    for (int i = 1; i < kColorLabelCount; ++i) {
        const auto label = static_cast<ColorLabel>(i);
        if (equalsIgnoringCase(name, ColorLabelName(label)))
            return label;
    }
    return std::nullopt;
}

std::string_view ColorLabelDisplayName(ColorLabel label) {
    switch (label) {
    case ColorLabel::Red:
        return "赤";
    case ColorLabel::Yellow:
        return "黄";
    case ColorLabel::Green:
        return "緑";
    case ColorLabel::Blue:
        return "青";
    case ColorLabel::Purple:
        return "紫";
    case ColorLabel::None:
        break;
    }
    return "";
}

std::uint32_t ColorLabelRgb(ColorLabel label) {
    switch (label) {
    case ColorLabel::Red:
        return 0xE53935;
    case ColorLabel::Yellow:
        return 0xFDD835;
    case ColorLabel::Green:
        return 0x43A047;
    case ColorLabel::Blue:
        return 0x1E88E5;
    case ColorLabel::Purple:
        return 0x8E24AA;
    case ColorLabel::None:
        break;
    }
    return 0;
}

} // namespace lumora
