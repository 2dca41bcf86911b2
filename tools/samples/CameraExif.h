// What a sample camera says about a shot, and the EXIF structures
// (IFD0 fields, EXIF IFD, maker notes, APP1 segment) that carry it.
#pragma once

#include "TiffWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumora::samples {

enum class MakerNoteKind {
    None,
    Canon,
    Nikon,
    Fujifilm,
    Olympus,
    Epson,
    Minolta,
    Sony,      // no header (ARW, SRF): plain tags and enciphered 0x9400 blocks
    SonyJpeg,  // the same after "SONY DSC \0\0\0"
    Panasonic, // "Panasonic\0\0\0", offsets from the TIFF header
    Samsung,   // a plain directory, offsets from the note's start
    OmSystem,  // "OM SYSTEM\0\0\0II\3\0", offsets from the note's start
};

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
    // EXIF LensModel (0xA434); empty: not written.
    std::string lensModel;
    // Sony: quality, white balance, focus mode, creative style, lens number.
    uint32_t sonyQuality = 0;
    uint32_t sonyWhiteBalance = 0x10;
    uint8_t sonyFocusMode = 3;
    std::string sonyCreativeStyle = "Standard";
    uint32_t sonyLensType = 32849;
    // Panasonic: quality, white balance, focus mode, colour temperature, lens.
    uint16_t panasonicQuality = 7;
    uint16_t panasonicWhiteBalance = 13;
    uint16_t panasonicFocusMode = 6;
    uint16_t panasonicColorTemperature = 5500;
    std::string panasonicLens = "LUMIX G VARIO 12-60/F3.5-5.6";
    std::string panasonicLensSerial = "XA1234567";
    // Samsung: firmware, serial number, lens number and lens firmware.
    std::string samsungFirmware = "GH1HPRB017";
    std::string samsungSerial = "C0RCT5000123";
    uint16_t samsungLensType = 17;
    std::string samsungLensFirmware = "L0FW0112";
    // NEF: the maker note's NEFCompression (0x0093); 0: not written.
    uint16_t nikonNefCompression = 0;
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
