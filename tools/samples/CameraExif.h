// What a sample camera says about a shot, and the EXIF structures
// (IFD0 fields, EXIF IFD, maker notes, APP1 segment) that carry it.
#pragma once

#include "TiffWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumora::samples {

enum class MakerNoteKind { None, Canon, Nikon, Fujifilm, Olympus, Epson, Minolta };

struct CameraInfo {
    bool littleEndian = true;
    std::string make = "Canon";
    std::string model = "Canon EOS 10X";
    std::string software = "Lumora samples 1.0";
    int orientation = 1;
    std::string dateTime = "2024:05:17 10:00:00";
    std::string dateTimeOriginal = "2024:05:17 10:00:00";
    uint32_t exposureNum = 1, exposureDen = 250; // seconds
    uint32_t fNumberNum = 56, fNumberDen = 10;
    int32_t biasNum = -2, biasDen = 3;
    uint16_t exposureProgram = 3;
    bool writeExposureProgram = true; // false: no ExposureProgram tag at all
    uint16_t iso = 200;
    uint16_t meteringMode = 5;
    uint16_t lightSource = 0;
    uint16_t flash = 16;
    uint32_t focalNum = 50, focalDen = 1;
    uint16_t whiteBalance = 0;
    uint16_t colorSpace = 1;
    uint32_t maxApertureNum = 4970, maxApertureDen = 1000; // APEX
    std::string exifVersion = "0221";
    uint32_t pixelX = 0, pixelY = 0; // 0: not written
    MakerNoteKind makerNote = MakerNoteKind::None;
    // Canon: exposure mode (camera settings element 20) and colour temperature.
    uint16_t canonExposureMode = 3;
    uint16_t canonColorTemperature = 5200;
    uint32_t canonSerial = 0x0A1B2C3D;
    // Nikon ISO setting (maker note tag 2); -1: the EXIF ISO.
    int nikonIsoSetting = -1;
    // Nikon texts.
    std::string nikonQuality = "FINE";
    std::string nikonWhiteBalance = "AUTO";
    // Fujifilm serial text.
    std::string fujifilmSerial = "FPX 20240517 LUMORA0001";
};

// JPEGs that sit inside a maker note (positions are recorded under labels).
struct MakerNoteExtras {
    const std::vector<uint8_t>* nikonPreview = nullptr;   // label "mnPreview"
    const std::vector<uint8_t>* olympusPreview = nullptr; // label "mnPreview"
    const std::vector<uint8_t>* epsonJpeg = nullptr;      // label "mnPreview"
    const std::vector<uint8_t>* minoltaPreview = nullptr; // label "mnPreview"
};

// Make, model, orientation, resolution, software, date and the EXIF IFD
// pointer (label "exif").
void addCameraIfd0Fields(IfdBuilder& ifd0, const CameraInfo& camera);

// Writes the EXIF IFD under "exif" and, when the camera has one, its maker
// note between the labels "mn" and "mnEnd".
void writeExifIfd(TiffStream& stream, const CameraInfo& camera, const MakerNoteExtras& extras = {});

// The Canon maker-note IFD alone, under "mn" (up to "mnEnd"); its offsets
// are relative to the stream's start (a CR3 keeps it as a stream of its own).
void writeCanonMakerNoteAt(TiffStream& stream, const CameraInfo& camera);

// IFD1 describing a JPEG thumbnail stored under `label`.
IfdBuilder thumbnailIfd(bool littleEndian, const std::string& label, std::size_t length);

// A complete APP1 "Exif" segment (FF E1 ...). With a thumbnail, IFD1 points
// at it; *thumbnailInTiff receives its position relative to the TIFF header.
std::vector<uint8_t> buildExifApp1(const CameraInfo& camera, const std::vector<uint8_t>* thumbnail,
                                   uint32_t* thumbnailInTiff);

} // namespace lumora::samples
