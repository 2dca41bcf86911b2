// The culling marks of one file: a star rating, a reject mark and one colour
// label, as the established photo editors keep them in XMP. A plain value
// type, no state, usable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

enum class ColorLabel : std::uint8_t { None = 0, Red, Yellow, Green, Blue, Purple };
constexpr int kColorLabelCount = 6; // None included

struct Marks {
    std::uint8_t rating = 0; // 0 to 5 stars
    bool reject = false;     // stored as rating -1; the stars are then 0
    ColorLabel label = ColorLabel::None;

    bool empty() const { return rating == 0 && !reject && label == ColorLabel::None; }
    bool operator==(const Marks&) const = default;
};

// Which files a view shows by their marks: at least minRating stars, only
// one label (None: any), rejects hidden. The default shows everything.
struct MarkFilter {
    int minRating = 0;
    ColorLabel label = ColorLabel::None;
    bool hideRejects = false;

    bool active() const { return minRating > 0 || label != ColorLabel::None || hideRejects; }
    bool passes(const Marks& m) const {
        if (m.reject && (hideRejects || minRating > 0))
            return false;
        return m.rating >= minRating && (label == ColorLabel::None || m.label == label);
    }
    bool operator==(const MarkFilter&) const = default;
};

// What one key or menu entry does to the marks of a file.
struct MarkChange {
    enum class Kind : std::uint8_t { Rating, Label, ToggleReject, SetReject };
    Kind kind = Kind::Rating;
    int value = 0; // the rating 0..5, a ColorLabel, or 0/1 for SetReject

    static MarkChange Rating(int stars) { return {Kind::Rating, stars}; }
    static MarkChange Label(ColorLabel label) { return {Kind::Label, static_cast<int>(label)}; }
    static MarkChange ToggleReject() { return {Kind::ToggleReject, 0}; }
};

// The marks after the change. A rating clears the reject mark and a reject
// clears the stars (one property holds both); setting the label a file
// already has clears it, as the editors' label keys do.
Marks ApplyMarkChange(Marks marks, const MarkChange& change);

// "Red", "Yellow", "Green", "Blue", "Purple"; "" for None.
std::string_view ColorLabelName(ColorLabel label);
// The label a name stands for, case-insensitively, after trimming blanks;
// nullopt for any other text (an editor's own label words are left alone).
std::optional<ColorLabel> ColorLabelFromName(std::string_view name);
// The label's Japanese name for the information panel ("赤", ...; "" for None).
std::string_view ColorLabelDisplayName(ColorLabel label);
// The colour cells draw for the label, 0xRRGGBB (0 for None).
std::uint32_t ColorLabelRgb(ColorLabel label);

} // namespace lumora
