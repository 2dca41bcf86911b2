// Camera-like sample files made by the project itself: JPEGs with EXIF and
// maker notes, TIFF, TIFF-based and other RAW containers, PSD, BMP, GIF, ICO
// and CUR. Output is deterministic: the same call writes the same bytes.
#pragma once

#include "CameraExif.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumora::samples {

// File kind numbers as the engine uses them.
enum SampleKind : int {
    kKindJpeg = 0,
    kKindCr2 = 17,
    kKindNef = 18,
    kKindOrf = 19,
    kKindPef = 20,
    kKindMrw = 21,
    kKindErf = 22,
    kKindRaf = 23,
    kKindSr2 = 24,
    kKindCrw = 25,
    kKindArw = 26,
    kKindDng = 28,
    kKindRw2 = 29,
    kKindNrw = 31,
    kKindSrw = 48,
    kKindCr3 = 50,
    kKindTiff = 257,
    kKindBmp = 258,
    kKindGif = 259,
    kKindIco = 260,
    kKindCur = 261,
    kKindPsd = 262,
};

struct EmbeddedJpeg {
    uint64_t offset = 0; // absolute file position
    uint64_t length = 0;
    bool operator==(const EmbeddedJpeg&) const = default;
};

// What was written, for tests to compare a reader against.
struct WrittenSample {
    std::string name; // file name inside the folder
    int kind = 0;
    int width = 0, height = 0; // stored picture (main image, or the preview of a RAW file)
    bool hasExif = false;
    CameraInfo camera;      // meaningful when hasExif
    EmbeddedJpeg thumbnail; // where the thumbnail JPEG lies (0/0: none)
    EmbeddedJpeg preview;   // where the preview JPEG lies (0/0: none)
    std::string sidecar;    // .crw: name of the sidecar thumbnail file
    std::string note;       // what is notable about the file
};

struct CameraJpegOptions {
    int width = 640, height = 480; // upright picture; orientations 5..8 store it turned
    int quality = 85;
    std::string title = "SAMPLE";
    std::string subtitle;
    unsigned seed = 0;
    bool withExif = true;
    bool withThumbnail = true;
    bool jfifFirst = false; // APP0 JFIF before the APP1 EXIF (or alone without EXIF)
    bool grey = false;
    CameraInfo camera;
};

// Camera JPEG bytes; fills *info (name left empty) when given.
std::vector<uint8_t> makeCameraJpeg(const CameraJpegOptions& options,
                                    WrittenSample* info = nullptr);
// Writes makeCameraJpeg's bytes; throws std::runtime_error when writing fails.
void writeCameraJpeg(const std::string& path, const CameraJpegOptions& options,
                     WrittenSample* info = nullptr);

// Writes `count` camera JPEGs img_0001.jpg ... into dir (created when
// missing): the base options with a per-file title, picture and shooting
// time one second apart. For benchmarks and engine tests of big folders.
std::vector<WrittenSample> writeCameraJpegFolder(const std::string& dir, int count,
                                                 const CameraJpegOptions& base);

// Writes the whole demo folder (created when missing) and lists what it wrote.
std::vector<WrittenSample> writeSampleFolder(const std::string& dir);

// Camera presets: a Canon (little-endian, Canon maker note), a Nikon
// (big-endian, Nikon maker note) and a Fujifilm (Fujifilm maker note).
CameraInfo canonCamera();
CameraInfo nikonCamera();
CameraInfo fujifilmCamera();

// Helpers shared by the writers.
void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> renderJpeg(int width, int height, const std::string& title,
                                const std::string& subtitle, unsigned seed, int quality = 85,
                                int orientation = 1);

// Individual formats (in the folder writer's order). Each writes dir/name.
WrittenSample writeCr2(const std::string& dir, const std::string& name);
// makerNoteSmallest: the maker-note JPEG is the shortest candidate (and so
// the thumbnail) instead of the middle one.
WrittenSample writeNef(const std::string& dir, const std::string& name,
                       bool makerNoteSmallest = false);
WrittenSample writeOrf(const std::string& dir, const std::string& name);
WrittenSample writePef(const std::string& dir, const std::string& name);
WrittenSample writeErf(const std::string& dir, const std::string& name);
WrittenSample writeSr2(const std::string& dir, const std::string& name);
WrittenSample writeCrw(const std::string& dir, const std::string& name,
                       const std::string& sidecarName);
WrittenSample writeMrw(const std::string& dir, const std::string& name);
WrittenSample writeRaf(const std::string& dir, const std::string& name);
// Current RAW kinds (ModernRawFiles.cpp).
WrittenSample writeArw(const std::string& dir, const std::string& name);
// A raw (CFA, lossless JPEG) main image with two JPEG previews in SubIFDs.
WrittenSample writeDng(const std::string& dir, const std::string& name);
// A phone's DNG: linear raw main image in IFD0, one JPEG preview.
WrittenSample writeLinearDng(const std::string& dir, const std::string& name);
WrittenSample writeRw2(const std::string& dir, const std::string& name);
WrittenSample writeNrw(const std::string& dir, const std::string& name);
WrittenSample writeSrw(const std::string& dir, const std::string& name);
WrittenSample writeCr3(const std::string& dir, const std::string& name);
// Current bodies in the older containers (CurrentBodyFiles.cpp).
WrittenSample writeNefHighEfficiency(const std::string& dir, const std::string& name);
WrittenSample writeOrfOmSystem(const std::string& dir, const std::string& name);
WrittenSample writeRafCurrent(const std::string& dir, const std::string& name);
WrittenSample writeTiff(const std::string& dir, const std::string& name, bool littleEndian);
// A 300 x 225 sample picture stored turned or mirrored for TIFF orientation
// 1..8 with that tag set (strips of 16 rows, or 16 x 16 tiles): shown by the
// tag, it is upright: renderSamplePicture(300, 225, name, "TIFF UPRIGHT", 43).
// The record's size is the upright one.
WrittenSample writeOrientedTiff(const std::string& dir, const std::string& name, int orientation,
                                bool tiled);
WrittenSample writePsd(const std::string& dir, const std::string& name, int compression,
                       bool withThumbnail);
WrittenSample writeBmp(const std::string& dir, const std::string& name);
WrittenSample writeGif(const std::string& dir, const std::string& name);
WrittenSample writeIcon(const std::string& dir, const std::string& name, bool cursor);

} // namespace lumora::samples
