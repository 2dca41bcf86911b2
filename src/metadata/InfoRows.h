// The rows of the information panel as text: group and row labels, and the
// value of every row for one image's information block. Headless: the panel
// widget (CInfoContainer) only copies these strings into its tree list.
// All texts are UTF-8. Pure functions; callable from any thread.
#pragma once

#include "metadata/ImageInfo.h"
#include "metadata/MakerNotes.h"
#include "metadata/ShootingInfo.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// The part of an image item that the panel keeps a deep copy of. A value
// type: copying it duplicates make, model and the maker-note record.
struct ItemInfo {
    std::string fileName;      // last path element, 8-bit/UTF-8 as listed
    std::int64_t fileSize = 0; // bytes; 0 shows "--"
    ImageInfo imageInfo;
    ShootingInfo shootingInfo;
    int makerNoteKind = kMakerNoteNone;
    MakerNote makerNote; // std::monostate when the kind has no record

    bool operator==(const ItemInfo&) const = default;
};

// Fills `out` from an item's fields. The EXIF part is copied only when the
// item has a make or a model; otherwise only the name and size are, so every
// EXIF row shows "--".
void FillItemInfo(ItemInfo& out, std::string_view fileName, std::int64_t fileSize,
                  const ImageInfo& imageInfo, const ShootingInfo& shootingInfo, int makerNoteKind,
                  const MakerNote* makerNote);

inline constexpr int kInfoGroupCount = 4;
inline constexpr int kFixedRowCount = 22;
inline constexpr std::string_view kAbsent = "--";

// The four groups in display order; the last one holds the maker-note rows.
extern const std::array<std::string_view, kInfoGroupCount> kInfoGroups;

struct FixedRowLabel {
    int group; // index into kInfoGroups
    std::string_view label;
};
// The 22 fixed rows in display order with the group each sits in.
extern const std::array<FixedRowLabel, kFixedRowCount> kFixedRows;

// Column 1 of the 22 fixed rows, in the order of kFixedRows.
std::array<std::string, kFixedRowCount> FixedRowValues(const ItemInfo& info);

struct InfoRow {
    std::string label;
    std::string value;
    bool operator==(const InfoRow&) const = default;
};
// The maker-note rows of the block: Canon 14, Nikon 9, Fujifilm 1, Sony 6,
// Panasonic 6, Samsung 5, none for other kinds or when the record does not
// match the kind.
std::vector<InfoRow> MakerNoteRows(const ItemInfo& info);

// Single value formats (exposed for the captions and tests).
std::string FormatFileSize(std::int64_t bytes);      // "1,234,567 bytes"; <= 0: "--"
std::string FormatShutterSpeed(float shutterSpeed);  // "2.0 秒", "1/250 秒"
std::string FormatExposureBias(float bias);          // "+0.3", "0.0", "-0.7"
std::string FormatFixed(double value, int decimals); // locale-free "%.*f"
std::string_view OrientationText(unsigned orientation);
std::string_view ExposureProgramText(std::uint32_t program);
std::string_view LightSourceText(unsigned lightSource);
std::string_view MeteringModeText(unsigned meteringMode);
// An 8-bit text as stored in the file, as UTF-8: kept when it already is
// valid UTF-8, else read as Latin-1.
std::string TextFromFile(std::string_view bytes);

} // namespace lumora
