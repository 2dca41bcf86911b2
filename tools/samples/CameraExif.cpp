#include "CameraExif.h"

#include <cstring>
#include <stdexcept>

namespace lumora::samples {

namespace {

std::vector<uint8_t> textBytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// Canon: an IFD right at the maker note; offsets relative to the TIFF header.
void writeCanonMakerNote(TiffStream& s, const CameraInfo& c) {
    const bool le = s.littleEndian();
    std::vector<uint16_t> settings(46, 0);
    settings[0] = 92; // byte size of the array
    settings[1] = 2;  // macro mode: normal
    settings[2] = 0;  // self timer off
    settings[3] = 3;  // quality: fine
    settings[4] = 0;  // flash mode: off
    settings[5] = 0;  // drive mode: single
    settings[7] = 0;  // focus mode: one-shot
    settings[10] = 0; // image size: large
    settings[11] = 1; // easy mode: manual
    settings[16] = 0; // ISO from EXIF
    settings[17] = 3; // metering: evaluative
    settings[20] = c.canonExposureMode;
    settings[22] = 1;  // lens type
    settings[23] = 55; // long focal
    settings[24] = 18; // short focal
    settings[25] = 1;  // focal units per mm
    settings[29] = 0;  // flash details
    std::vector<uint16_t> shot(34, 0);
    shot[0] = 68;
    shot[7] = 0;  // white balance: auto
    shot[9] = 0;  // sequence number
    shot[14] = 0; // AF point
    shot[15] = 0; // flash exposure compensation
    std::vector<uint16_t> processing(14, 0);
    processing[0] = 28;
    processing[9] = c.canonColorTemperature;

    IfdBuilder mn(le);
    mn.shorts(0x0001, settings)
        .shorts(0x0002, {0, 50, 35, 24})
        .shorts(0x0004, shot)
        .ascii(0x0006, "IMG:" + c.model + " JPEG")
        .ascii(0x0007, "Firmware Version 1.0.2")
        .longs(0x0008, {1000042})
        .longs(0x000C, {c.canonSerial})
        .shorts(0x00A0, processing);
    s.writeIfd(mn, "mn");
    s.mark("mnEnd");
}

// Nikon type 2: "Nikon" header, then a TIFF header of its own; every offset
// inside is relative to that header, so the note is position-independent.
void writeNikonMakerNote(TiffStream& outer, const CameraInfo& c,
                         const std::vector<uint8_t>* preview) {
    const bool le = outer.littleEndian();
    TiffStream n(le);
    n.header("nk0");
    IfdBuilder ifd(le);
    ifd.undefined(0x0001, textBytes("0210"))
        .shorts(0x0002,
                {0, static_cast<uint16_t>(c.nikonIsoSetting >= 0 ? c.nikonIsoSetting : c.iso)})
        .ascii(0x0003, "COLOR")
        .ascii(0x0004, c.nikonQuality)
        .ascii(0x0005, c.nikonWhiteBalance)
        .ascii(0x0006, "AUTO")
        .ascii(0x0007, "AF-S")
        .ascii(0x0008, "NORMAL")
        .ascii(0x000F, "MANUAL")
        .ascii(0x0080, "AUTO");
    if (c.nikonNefCompression != 0)
        ifd.shorts(0x0093, {c.nikonNefCompression});
    if (preview)
        ifd.offsetTo(0x0011, "nkPreviewIfd");
    n.writeIfd(ifd, "nk0");
    if (preview) {
        IfdBuilder p(le);
        p.shorts(259, {6})
            .rational(282, 300, 1)
            .rational(283, 300, 1)
            .shorts(296, {2})
            .offsetTo(513, "nkPreview")
            .longs(514, {static_cast<uint32_t>(preview->size())})
            .shorts(531, {2});
        n.writeIfd(p, "nkPreviewIfd");
        n.blob("nkPreview", *preview);
    }
    n.finish();

    outer.mark("mn");
    const uint8_t head[10] = {'N', 'i', 'k', 'o', 'n', 0, 2, 0x10, 0, 0};
    outer.putBytes({head, head + 10});
    const uint32_t base = outer.size();
    outer.putBytes(n.bytes());
    if (preview)
        outer.markAt("mnPreview", base + n.position("nkPreview"));
    outer.mark("mnEnd");
}

// Fujifilm: "FUJIFILM", a 4-byte offset, then an IFD whose offsets count from
// the start of the maker note.
void writeFujifilmMakerNote(TiffStream& outer, const CameraInfo& c) {
    const bool le = outer.littleEndian();
    TiffStream f(le);
    f.putText("FUJIFILM");
    f.ref32("fj0");
    IfdBuilder ifd(le);
    ifd.undefined(0x0000, textBytes("0130"))
        .ascii(0x0010, c.fujifilmSerial)
        .ascii(0x1000, "NORMAL ")
        .shorts(0x1001, {3})
        .shorts(0x1002, {0})
        .shorts(0x1003, {0});
    f.writeIfd(ifd, "fj0");
    f.finish();
    outer.mark("mn");
    outer.putBytes(f.bytes());
    outer.mark("mnEnd");
}

// Olympus: "OLYMP" header, an IFD whose tag 0x2020 points (from the TIFF
// header) at a sub-IFD holding the preview's position and length.
void writeOlympusMakerNote(TiffStream& s, const CameraInfo&, const std::vector<uint8_t>* preview) {
    const bool le = s.littleEndian();
    s.align2();
    s.mark("mn");
    s.putBytes({'O', 'L', 'Y', 'M', 'P', 0, 1, 0});
    IfdBuilder ifd(le);
    ifd.longs(0x0200, {0, 0, 0}).ascii(0x0207, "SX000").shorts(0x0209, {0});
    if (preview)
        ifd.offsetTo(0x2020, "olyCameraSettings");
    s.writeIfd(ifd, "olyIfd");
    if (preview) {
        IfdBuilder cs(le);
        cs.longs(0x0100, {1})
            .offsetTo(0x0101, "mnPreview")
            .longs(0x0102, {static_cast<uint32_t>(preview->size())});
        s.writeIfd(cs, "olyCameraSettings");
        s.blob("mnPreview", *preview);
    }
    s.mark("mnEnd");
}

// OM System: its header, then a directory whose offsets (and the preview's
// position in the camera settings) count from the note's start.
void writeOmSystemMakerNote(TiffStream& s, const std::vector<uint8_t>* preview) {
    const bool le = s.littleEndian();
    s.alignTo(4);
    s.mark("mn");
    s.putBytes({'O', 'M', ' ', 'S', 'Y', 'S', 'T', 'E', 'M', 0, 0, 0, 'I', 'I', 3, 0});
    IfdBuilder ifd(le);
    ifd.undefined(0x0000, textBytes("0100"));
    if (preview)
        ifd.offsetTo(0x2020, "omCameraSettings", "mn");
    s.writeIfd(ifd, "omIfd", "", "mn");
    if (preview) {
        IfdBuilder cs(le);
        cs.undefined(0x0000, textBytes("0100"))
            .longs(0x0100, {1})
            .offsetTo(0x0101, "mnPreview", "mn")
            .longs(0x0102, {static_cast<uint32_t>(preview->size())});
        s.writeIfd(cs, "omCameraSettings", "", "mn");
        s.blob("mnPreview", *preview);
    }
    s.mark("mnEnd");
}

// Epson: "EPSON" header and an IFD whose tag 0x0280 holds a JPEG.
void writeEpsonMakerNote(TiffStream& s, const std::vector<uint8_t>* jpeg) {
    const bool le = s.littleEndian();
    s.align2();
    s.mark("mn");
    s.putBytes({'E', 'P', 'S', 'O', 'N', 0, 1, 0});
    IfdBuilder ifd(le);
    ifd.longs(0x0200, {0, 0, 0});
    if (jpeg)
        ifd.undefined(0x0280, *jpeg, "mnPreview");
    s.writeIfd(ifd, "epIfd");
    s.mark("mnEnd");
}

// Minolta: an IFD at the maker note with the preview's offset and length.
void writeMinoltaMakerNote(TiffStream& s, const std::vector<uint8_t>* preview) {
    const bool le = s.littleEndian();
    IfdBuilder ifd(le);
    ifd.undefined(0x0000, textBytes("MLT0"));
    if (preview)
        ifd.offsetTo(0x0088, "mnPreview").longs(0x0089, {static_cast<uint32_t>(preview->size())});
    s.writeIfd(ifd, "mn");
    if (preview)
        s.blob("mnPreview", *preview);
    s.mark("mnEnd");
}

// Sony: the plain tags, and two blocks of enciphered bytes (0x9400, 0x2010)
// that a reader must skip. The ARW kind has no header; JPEGs put
// "SONY DSC \0\0\0" in front. Offsets count from the TIFF header.
void writeSonyMakerNote(TiffStream& s, const CameraInfo& c, bool withHeader) {
    const bool le = s.littleEndian();
    s.align2();
    s.mark("mn");
    if (withHeader)
        s.putBytes({'S', 'O', 'N', 'Y', ' ', 'D', 'S', 'C', ' ', 0, 0, 0});
    std::vector<uint8_t> cipher(64), cipher2(32);
    uint32_t x = 0x9400u * 2654435761u;
    for (auto* block : {&cipher, &cipher2})
        for (auto& b : *block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<uint8_t>(x | 0x80); // never a printable byte
        }
    IfdBuilder ifd(le);
    ifd.longs(0x0102, {c.sonyQuality})
        .longs(0x0115, {c.sonyWhiteBalance})
        .undefined(0x2010, cipher2)
        .bytes(0x201B, {c.sonyFocusMode})
        .undefined(0x9400, cipher)
        .ascii(0xB020, c.sonyCreativeStyle)
        .longs(0xB027, {c.sonyLensType});
    s.writeIfd(ifd, "sonyIfd");
    s.mark("mnEnd");
}

// Panasonic: "Panasonic\0\0\0", then a directory whose offsets count from
// the TIFF header.
void writePanasonicMakerNote(TiffStream& s, const CameraInfo& c) {
    const bool le = s.littleEndian();
    s.align2();
    s.mark("mn");
    s.putBytes({'P', 'a', 'n', 'a', 's', 'o', 'n', 'i', 'c', 0, 0, 0});
    IfdBuilder ifd(le);
    ifd.shorts(0x0001, {c.panasonicQuality})
        .undefined(0x0002, {0, 1, 0, 2})
        .shorts(0x0003, {c.panasonicWhiteBalance})
        .shorts(0x0007, {c.panasonicFocusMode})
        .shorts(0x0044, {c.panasonicColorTemperature})
        .ascii(0x0051, c.panasonicLens)
        .ascii(0x0052, c.panasonicLensSerial)
        .undefined(0x8000, textBytes("0152"));
    s.writeIfd(ifd, "panaIfd");
    s.mark("mnEnd");
}

// Samsung: a plain directory right at the note; its first entry is the
// version "0100"; offsets count from the note's own start.
void writeSamsungMakerNote(TiffStream& s, const CameraInfo& c) {
    const bool le = s.littleEndian();
    IfdBuilder ifd(le);
    ifd.undefined(0x0001, textBytes("0100"))
        .longs(0x0002, {0x2000})
        .ascii(0xA001, c.samsungFirmware)
        .ascii(0xA002, c.samsungSerial)
        .shorts(0xA003, {c.samsungLensType})
        .ascii(0xA004, c.samsungLensFirmware);
    s.writeIfd(ifd, "mn", "", "mn");
    s.mark("mnEnd");
}

} // namespace

void writeCanonMakerNoteAt(TiffStream& s, const CameraInfo& c) {
    writeCanonMakerNote(s, c);
}

void addCameraIfd0Fields(IfdBuilder& ifd0, const CameraInfo& c) {
    ifd0.ascii(271, c.make)
        .ascii(272, c.model)
        .shorts(274, {static_cast<uint16_t>(c.orientation)})
        .rational(282, 72, 1)
        .rational(283, 72, 1)
        .shorts(296, {2})
        .ascii(305, c.software)
        .ascii(306, c.dateTime)
        .offsetTo(34665, "exif");
}

void writeExifIfd(TiffStream& s, const CameraInfo& c, const MakerNoteExtras& extras) {
    const bool le = s.littleEndian();
    IfdBuilder exif(le);
    exif.rational(33434, c.exposureNum, c.exposureDen)
        .rational(33437, c.fNumberNum, c.fNumberDen)
        .shorts(34855, {c.iso})
        .undefined(36864, textBytes(c.exifVersion))
        .ascii(36867, c.dateTimeOriginal)
        .ascii(36868, c.dateTimeOriginal)
        .srational(37380, c.biasNum, c.biasDen)
        .rational(37381, c.maxApertureNum, c.maxApertureDen)
        .shorts(37383, {c.meteringMode})
        .shorts(37384, {c.lightSource})
        .shorts(37385, {c.flash})
        .rational(37386, c.focalNum, c.focalDen)
        .undefined(40960, textBytes("0100"))
        .shorts(40961, {c.colorSpace})
        .shorts(41987, {c.whiteBalance});
    if (c.writeExposureProgram)
        exif.shorts(34850, {c.exposureProgram});
    if (c.pixelX && c.pixelY)
        exif.longs(40962, {c.pixelX}).longs(40963, {c.pixelY});
    if (!c.lensModel.empty())
        exif.ascii(42036, c.lensModel);
    if (c.makerNote != MakerNoteKind::None)
        exif.span(37500, "mn", "mnEnd");
    s.writeIfd(exif, "exif");
    switch (c.makerNote) {
    case MakerNoteKind::None:
        break;
    case MakerNoteKind::Canon:
        writeCanonMakerNote(s, c);
        break;
    case MakerNoteKind::Nikon:
        writeNikonMakerNote(s, c, extras.nikonPreview);
        break;
    case MakerNoteKind::Fujifilm:
        writeFujifilmMakerNote(s, c);
        break;
    case MakerNoteKind::Olympus:
        writeOlympusMakerNote(s, c, extras.olympusPreview);
        break;
    case MakerNoteKind::Epson:
        writeEpsonMakerNote(s, extras.epsonJpeg);
        break;
    case MakerNoteKind::Minolta:
        writeMinoltaMakerNote(s, extras.minoltaPreview);
        break;
    case MakerNoteKind::Sony:
    case MakerNoteKind::SonyJpeg:
        writeSonyMakerNote(s, c, c.makerNote == MakerNoteKind::SonyJpeg);
        break;
    case MakerNoteKind::Panasonic:
        writePanasonicMakerNote(s, c);
        break;
    case MakerNoteKind::Samsung:
        writeSamsungMakerNote(s, c);
        break;
    case MakerNoteKind::OmSystem:
        writeOmSystemMakerNote(s, extras.olympusPreview);
        break;
    }
}

IfdBuilder thumbnailIfd(bool le, const std::string& label, std::size_t length) {
    IfdBuilder ifd1(le);
    ifd1.shorts(259, {6})
        .rational(282, 72, 1)
        .rational(283, 72, 1)
        .shorts(296, {2})
        .offsetTo(513, label)
        .longs(514, {static_cast<uint32_t>(length)});
    return ifd1;
}

std::vector<uint8_t> buildExifApp1(const CameraInfo& camera, const std::vector<uint8_t>* thumbnail,
                                   uint32_t* thumbnailInTiff) {
    const bool le = camera.littleEndian;
    TiffStream s(le);
    s.header();
    IfdBuilder ifd0(le);
    addCameraIfd0Fields(ifd0, camera);
    s.writeIfd(ifd0, "ifd0", thumbnail ? "ifd1" : "");
    writeExifIfd(s, camera);
    if (thumbnail) {
        s.writeIfd(thumbnailIfd(le, "thumb", thumbnail->size()), "ifd1");
        s.blob("thumb", *thumbnail);
    }
    s.finish();
    if (thumbnailInTiff)
        *thumbnailInTiff = thumbnail ? s.position("thumb") : 0;
    const std::size_t length = 2 + 6 + s.bytes().size();
    if (length > 0xFFFF)
        throw std::length_error("EXIF segment larger than 64 KB");
    std::vector<uint8_t> seg(10 + s.bytes().size());
    const uint8_t head[10] = {0xFF,
                              0xE1,
                              static_cast<uint8_t>(length >> 8),
                              static_cast<uint8_t>(length),
                              'E',
                              'x',
                              'i',
                              'f',
                              0,
                              0};
    std::memcpy(seg.data(), head, 10);
    std::memcpy(seg.data() + 10, s.bytes().data(), s.bytes().size());
    return seg;
}

} // namespace lumora::samples
