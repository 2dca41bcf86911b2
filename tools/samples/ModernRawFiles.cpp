// RAW containers of current cameras, laid out as their makers publish them:
// Sony ARW, DNG (a raw main image with JPEG previews, and a linear one),
// Panasonic RW2 (magic 0x55, JpgFromRaw with its own EXIF), Nikon NRW,
// Samsung SRW and Canon CR3 (ISO media boxes). The Sony, Panasonic and
// Samsung files carry their makers' notes. The raw data is filler; the
// embedded JPEGs are real pictures at the sizes cameras write.
#include "SampleGen.h"

#include "Canvas.h"

#include <stdexcept>

namespace lumora::samples {

namespace {

std::vector<uint8_t> filler(std::size_t n, unsigned seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = 2463534242u ^ (seed * 2654435761u);
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return v;
}

WrittenSample record(const std::string& name, int kind, int w, int h, const CameraInfo& c,
                     const std::string& note) {
    WrittenSample s;
    s.name = name;
    s.kind = kind;
    s.width = w;
    s.height = h;
    s.hasExif = true;
    s.camera = c;
    s.note = note;
    return s;
}

EmbeddedJpeg at(const TiffStream& s, const std::string& label, std::size_t length) {
    return {s.position(label), length};
}

// A raw image directory: filler strip, CFA or linear raw interpretation.
IfdBuilder rawIfd(bool le, uint32_t w, uint32_t h, uint16_t compression, uint16_t photometric,
                  const std::string& label, std::size_t length) {
    IfdBuilder ifd(le);
    ifd.longs(254, {0})
        .longs(256, {w})
        .longs(257, {h})
        .shorts(258, {photometric == 32803 ? uint16_t(14) : uint16_t(16)})
        .shorts(259, {compression})
        .shorts(262, {photometric})
        .offsetTo(273, label)
        .shorts(277, {uint16_t(photometric == 32803 ? 1 : 3)})
        .longs(278, {h})
        .longs(279, {static_cast<uint32_t>(length)});
    return ifd;
}

// A JPEG preview directory of a DNG: baseline JPEG in one strip (compression 7, YCbCr).
IfdBuilder dngPreviewIfd(bool le, uint32_t w, uint32_t h, const std::string& label,
                         std::size_t length) {
    IfdBuilder ifd(le);
    ifd.longs(254, {1})
        .longs(256, {w})
        .longs(257, {h})
        .shorts(258, {8, 8, 8})
        .shorts(259, {7})
        .shorts(262, {6})
        .offsetTo(273, label)
        .shorts(277, {3})
        .longs(278, {h})
        .longs(279, {static_cast<uint32_t>(length)});
    return ifd;
}

CameraInfo sonyCamera() {
    CameraInfo c;
    c.make = "SONY";
    c.model = "ILCE-7M4";
    c.dateTime = c.dateTimeOriginal = "2024:06:01 08:30:00";
    c.exposureNum = 1;
    c.exposureDen = 1000;
    c.fNumberNum = 40;
    c.fNumberDen = 10;
    c.iso = 400;
    c.focalNum = 35;
    c.biasNum = 0;
    c.biasDen = 10;
    c.pixelX = 7008;
    c.pixelY = 4672;
    c.makerNote = MakerNoteKind::Sony;
    c.lensModel = "FE 24-70mm F2.8 GM II";
    return c;
}

// ---- ISO base media boxes (big-endian) ----

void be16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}
void be32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8)
        v.push_back(static_cast<uint8_t>(x >> s));
}
void be64(std::vector<uint8_t>& v, uint64_t x) {
    be32(v, static_cast<uint32_t>(x >> 32));
    be32(v, static_cast<uint32_t>(x));
}
void append(std::vector<uint8_t>& v, const std::vector<uint8_t>& more) {
    v.insert(v.end(), more.begin(), more.end());
}

std::vector<uint8_t> box(const char* type, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> b;
    be32(b, static_cast<uint32_t>(8 + body.size()));
    b.insert(b.end(), type, type + 4);
    append(b, body);
    return b;
}

std::vector<uint8_t> uuidBox(const uint8_t (&uuid)[16], const std::vector<uint8_t>& body) {
    std::vector<uint8_t> b;
    be32(b, static_cast<uint32_t>(24 + body.size()));
    b.insert(b.end(), {'u', 'u', 'i', 'd'});
    b.insert(b.end(), uuid, uuid + 16);
    append(b, body);
    return b;
}

constexpr uint8_t kCanonMetadataUuid[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                            0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
constexpr uint8_t kCanonPreviewUuid[16] = {0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                                           0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};

// One track of a CR3: a CRAW sample entry of w x h and one sample of
// `length` bytes at chunk offset `offset` (filled in later through the
// returned patch position, counted from the track's start).
std::vector<uint8_t> cr3Track(uint32_t id, uint16_t w, uint16_t h, uint32_t length, bool jpeg,
                              std::size_t* offsetPatch) {
    std::vector<uint8_t> tkhd(4, 0); // version 0, flags
    be32(tkhd, 0);                   // creation
    be32(tkhd, 0);                   // modification
    be32(tkhd, id);
    be32(tkhd, 0);
    be32(tkhd, 1); // duration
    tkhd.resize(tkhd.size() + 8 + 4 + 4 + 36, 0);
    be32(tkhd, uint32_t(w) << 16);
    be32(tkhd, uint32_t(h) << 16);

    std::vector<uint8_t> entry(6, 0); // reserved
    be16(entry, 1);                   // data reference index
    entry.resize(entry.size() + 16, 0);
    be16(entry, w);
    be16(entry, h);
    be32(entry, 0x00480000); // 72 dpi
    be32(entry, 0x00480000);
    be32(entry, 0);
    be16(entry, 1);
    entry.resize(entry.size() + 32, 0); // compressor name
    be16(entry, 24);
    be16(entry, 0xFFFF);
    if (jpeg)
        append(entry, box("JPEG", {0, 0, 0, 0})); // the sample is a JPEG
    std::vector<uint8_t> stsd(4, 0);
    be32(stsd, 1);
    append(stsd, box("CRAW", entry));

    std::vector<uint8_t> stsz(4, 0);
    be32(stsz, length);
    be32(stsz, 1);
    std::vector<uint8_t> co64(4, 0);
    be32(co64, 1);
    const std::size_t co64Value = co64.size();
    be64(co64, 0);

    std::vector<uint8_t> stts(4, 0);
    be32(stts, 1);
    be32(stts, 1);
    be32(stts, 1);
    std::vector<uint8_t> stsc(4, 0);
    be32(stsc, 1);
    be32(stsc, 1);
    be32(stsc, 1);
    be32(stsc, 1);
    std::vector<uint8_t> stbl;
    append(stbl, box("stsd", stsd));
    append(stbl, box("stts", stts));
    append(stbl, box("stsc", stsc));
    append(stbl, box("stsz", stsz));
    const std::size_t co64At = stbl.size() + 8 + co64Value;
    append(stbl, box("co64", co64));
    const std::vector<uint8_t> minf = box("minf", box("stbl", stbl));
    std::vector<uint8_t> mdhd(4, 0);
    mdhd.resize(4 + 4 + 4, 0);
    be32(mdhd, 1);      // time scale
    be32(mdhd, 1);      // duration
    be16(mdhd, 0x15C7); // "eng"
    be16(mdhd, 0);
    std::vector<uint8_t> hdlr(4, 0);
    be32(hdlr, 0);
    hdlr.insert(hdlr.end(), {'v', 'i', 'd', 'e'});
    hdlr.resize(hdlr.size() + 12 + 1, 0);
    std::vector<uint8_t> mdia = box("mdhd", mdhd);
    append(mdia, box("hdlr", hdlr));
    const std::size_t minfAt = mdia.size();
    append(mdia, minf);
    std::vector<uint8_t> trakBody = box("tkhd", tkhd);
    const std::size_t mdiaAt = trakBody.size();
    append(trakBody, box("mdia", mdia));
    // trak header 8, mdia header 8, minf header 8, stbl header 8.
    *offsetPatch = 8 + mdiaAt + 8 + minfAt + 8 + 8 + co64At;
    return box("trak", trakBody);
}

void patch64(std::vector<uint8_t>& v, std::size_t at, uint64_t x) {
    for (int i = 0; i < 8; ++i)
        v[at + i] = static_cast<uint8_t>(x >> (56 - 8 * i));
}

// A picture with its 16-byte head, as THMB and PRVW store them.
std::vector<uint8_t> thmbBody(const std::vector<uint8_t>& jpeg, uint16_t w, uint16_t h) {
    std::vector<uint8_t> b(4, 0); // version, flags
    be16(b, w);
    be16(b, h);
    be32(b, static_cast<uint32_t>(jpeg.size()));
    be16(b, 1);
    be16(b, 0);
    append(b, jpeg);
    return b;
}
std::vector<uint8_t> prvwBody(const std::vector<uint8_t>& jpeg, uint16_t w, uint16_t h) {
    std::vector<uint8_t> b(4, 0);
    be16(b, 1);
    be16(b, w);
    be16(b, h);
    be16(b, 1);
    be32(b, static_cast<uint32_t>(jpeg.size()));
    append(b, jpeg);
    return b;
}

} // namespace

WrittenSample writeArw(const std::string& dir, const std::string& name) {
    const CameraInfo c = sonyCamera();
    const auto preview = renderJpeg(1616, 1080, name, "ARW IFD0 PREVIEW", 41);
    const auto thumb = renderJpeg(160, 120, name, "ARW THUMB", 41, 75);
    const auto raw = filler(8192, 41);

    TiffStream s(true);
    s.header();
    IfdBuilder ifd0(true);
    ifd0.longs(254, {1}).shorts(259, {6});
    addCameraIfd0Fields(ifd0, c);
    ifd0.offsetsTo(330, {"rawIfd"}).offsetTo(513, "preview").longs(514, {uint32_t(preview.size())});
    s.writeIfd(ifd0, "ifd0", "ifd1");
    writeExifIfd(s, c);
    s.writeIfd(thumbnailIfd(true, "thumb", thumb.size()), "ifd1");
    s.writeIfd(rawIfd(true, 7040, 4688, 32767, 32803, "raw", raw.size()), "rawIfd");
    s.blob("thumb", thumb);
    s.blob("preview", preview);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindArw, 1616, 1080, c,
                             "IFD0 JPEG preview 1616x1080, IFD1 thumbnail, raw SubIFD, Sony note");
    w.thumbnail = at(s, "thumb", thumb.size());
    w.preview = at(s, "preview", preview.size());
    return w;
}

WrittenSample writeDng(const std::string& dir, const std::string& name) {
    CameraInfo c;
    c.make = "RICOH IMAGING COMPANY, LTD.";
    c.model = "PENTAX K-3 Mark III";
    c.dateTime = c.dateTimeOriginal = "2024:06:02 16:45:10";
    c.orientation = 1;
    c.exposureNum = 1;
    c.exposureDen = 125;
    c.fNumberNum = 80;
    c.fNumberDen = 10;
    c.iso = 800;
    c.focalNum = 70;
    const auto large = renderJpeg(1024, 683, name, "DNG PREVIEW SUBIFD", 42);
    const auto small = renderJpeg(256, 171, name, "DNG SMALL PREVIEW", 42, 75);
    const Canvas strip = renderSamplePicture(256, 171, name, "IFD0 RGB", 42);
    const std::vector<uint8_t>& rgb = strip.pixels();
    const auto raw = filler(8192, 42);

    TiffStream s(true);
    s.header();
    IfdBuilder ifd0(true);
    ifd0.longs(254, {1})
        .longs(256, {256})
        .longs(257, {171})
        .shorts(258, {8, 8, 8})
        .shorts(259, {1})
        .shorts(262, {2})
        .offsetTo(273, "ifd0strip")
        .shorts(277, {3})
        .longs(278, {171})
        .longs(279, {uint32_t(rgb.size())})
        .bytes(50706, {1, 4, 0, 0})
        .bytes(50707, {1, 1, 0, 0})
        .ascii(50708, "PENTAX K-3 Mark III");
    addCameraIfd0Fields(ifd0, c);
    ifd0.offsetsTo(330, {"rawIfd", "smallIfd", "largeIfd"});
    s.writeIfd(ifd0, "ifd0");
    writeExifIfd(s, c);
    // The raw main image is lossless JPEG: its stream starts with a SOI too.
    std::vector<uint8_t> lossless = {0xFF, 0xD8, 0xFF, 0xC3, 0x00, 0x0B, 0x0E};
    lossless.insert(lossless.end(), raw.begin(), raw.end());
    s.writeIfd(rawIfd(true, 6224, 4160, 7, 32803, "raw", lossless.size()), "rawIfd");
    s.writeIfd(dngPreviewIfd(true, 256, 171, "small", small.size()), "smallIfd");
    s.writeIfd(dngPreviewIfd(true, 1024, 683, "large", large.size()), "largeIfd");
    s.blob("ifd0strip", rgb);
    s.blob("small", small);
    s.blob("large", large);
    s.blob("raw", lossless);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindDng, 1024, 683, c,
                             "raw main image (lossless JPEG, CFA); JPEG previews in SubIFDs");
    w.thumbnail = at(s, "small", small.size());
    w.preview = at(s, "large", large.size());
    return w;
}

WrittenSample writeLinearDng(const std::string& dir, const std::string& name) {
    CameraInfo c;
    c.make = "Google";
    c.model = "Pixel 8";
    c.dateTime = c.dateTimeOriginal = "2024:06:03 19:02:44";
    c.exposureNum = 1;
    c.exposureDen = 60;
    c.fNumberNum = 168;
    c.fNumberDen = 100;
    c.iso = 640;
    c.focalNum = 690;
    c.focalDen = 100;
    const auto preview = renderJpeg(640, 480, name, "PHONE DNG PREVIEW", 43);
    std::vector<uint8_t> linear = {0xFF, 0xD8, 0xFF, 0xC3, 0x00, 0x0B, 0x10};
    const auto raw = filler(8192, 43);
    linear.insert(linear.end(), raw.begin(), raw.end());

    TiffStream s(true);
    s.header();
    // The main image in IFD0 is a linear raw image, lossless JPEG compressed.
    IfdBuilder ifd0 = rawIfd(true, 4080, 3072, 7, 34892, "linear", linear.size());
    ifd0.bytes(50706, {1, 6, 0, 0}).bytes(50707, {1, 3, 0, 0}).ascii(50708, "Pixel 8");
    addCameraIfd0Fields(ifd0, c);
    ifd0.offsetsTo(330, {"previewIfd"});
    s.writeIfd(ifd0, "ifd0");
    writeExifIfd(s, c);
    s.writeIfd(dngPreviewIfd(true, 640, 480, "preview", preview.size()), "previewIfd");
    s.blob("linear", linear);
    s.blob("preview", preview);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindDng, 640, 480, c,
                             "linear raw main image (not decoded); one JPEG preview");
    w.thumbnail = w.preview = at(s, "preview", preview.size());
    return w;
}

WrittenSample writeRw2(const std::string& dir, const std::string& name) {
    CameraJpegOptions o;
    o.width = 1920;
    o.height = 1440;
    o.title = name;
    o.subtitle = "RW2 JPG FROM RAW";
    o.seed = 44;
    o.camera.make = "Panasonic";
    o.camera.model = "DC-G9M2";
    o.camera.dateTime = o.camera.dateTimeOriginal = "2024:06:04 11:11:11";
    o.camera.exposureNum = 1;
    o.camera.exposureDen = 320;
    o.camera.fNumberNum = 28;
    o.camera.fNumberDen = 10;
    o.camera.iso = 200;
    o.camera.focalNum = 12;
    o.camera.pixelX = 1920;
    o.camera.pixelY = 1440;
    o.camera.makerNote = MakerNoteKind::Panasonic;
    WrittenSample inner;
    const std::vector<uint8_t> jpeg = makeCameraJpeg(o, &inner);
    const auto raw = filler(8192, 44);

    TiffStream s(true);
    s.header("ifd0", 0x55);
    IfdBuilder ifd0(true);
    ifd0.undefined(0x0001, {'0', '4', '1', '0'})
        .shorts(0x0002, {5776})
        .shorts(0x0003, {4336})
        .shorts(0x0017, {o.camera.iso})
        .undefined(0x002E, jpeg, "jpgFromRaw")
        .ascii(271, o.camera.make)
        .ascii(272, o.camera.model)
        .shorts(274, {1})
        .ascii(305, o.camera.software)
        .ascii(306, o.camera.dateTime)
        .offsetTo(280, "raw");
    s.writeIfd(ifd0, "ifd0");
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindRw2, 1920, 1440, inner.camera,
                             "IIU header; JpgFromRaw (tag 0x2E) holding EXIF, Panasonic note and a "
                             "thumbnail");
    const uint64_t jpgAt = s.position("jpgFromRaw");
    w.preview = {jpgAt, jpeg.size()};
    w.thumbnail = {jpgAt + inner.thumbnail.offset, inner.thumbnail.length};
    return w;
}

WrittenSample writeNrw(const std::string& dir, const std::string& name) {
    CameraInfo c = nikonCamera();
    c.model = "COOLPIX P7800";
    c.makerNote = MakerNoteKind::None;
    const auto preview = renderJpeg(640, 480, name, "NRW SUBIFD PREVIEW", 45);
    const auto raw = filler(8192, 45);
    const Canvas strip = renderSamplePicture(160, 120, name, "IFD0 RGB", 45);
    const bool le = c.littleEndian;

    TiffStream s(le);
    s.header();
    // IFD0: an uncompressed 160 x 120 thumbnail, as Nikon writes it.
    IfdBuilder ifd0(le);
    ifd0.longs(254, {1})
        .longs(256, {160})
        .longs(257, {120})
        .shorts(258, {8, 8, 8})
        .shorts(259, {1})
        .shorts(262, {2})
        .offsetTo(273, "ifd0strip")
        .shorts(277, {3})
        .longs(278, {120})
        .longs(279, {uint32_t(strip.pixels().size())});
    addCameraIfd0Fields(ifd0, c);
    ifd0.offsetsTo(330, {"jpegIfd", "rawIfd"});
    s.writeIfd(ifd0, "ifd0");
    writeExifIfd(s, c);
    IfdBuilder jpegIfd(le);
    jpegIfd.longs(254, {1})
        .shorts(259, {6})
        .offsetTo(513, "preview")
        .longs(514, {uint32_t(preview.size())});
    s.writeIfd(jpegIfd, "jpegIfd");
    s.writeIfd(rawIfd(le, 4000, 3000, 1, 32803, "raw", raw.size()), "rawIfd");
    s.blob("ifd0strip", strip.pixels());
    s.blob("preview", preview);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindNrw, 640, 480, c, "big-endian; JPEG in a SubIFD");
    w.thumbnail = w.preview = at(s, "preview", preview.size());
    return w;
}

WrittenSample writeSrw(const std::string& dir, const std::string& name) {
    CameraInfo c;
    c.make = "SAMSUNG";
    c.model = "NX1";
    c.dateTime = c.dateTimeOriginal = "2024:06:06 14:05:30";
    c.exposureNum = 1;
    c.exposureDen = 500;
    c.fNumberNum = 56;
    c.fNumberDen = 10;
    c.iso = 100;
    c.focalNum = 45;
    c.makerNote = MakerNoteKind::Samsung;
    c.lensModel = "Samsung NX 45mm F1.8 2D/3D";
    const auto thumb = renderJpeg(160, 120, name, "SRW THUMB", 48, 75);
    const auto preview = renderJpeg(1620, 1080, name, "SRW SUBIFD PREVIEW", 48);
    const auto raw = filler(8192, 48);

    TiffStream s(true);
    s.header();
    // IFD0 describes the thumbnail; the raw image and a preview are SubIFDs.
    IfdBuilder ifd0(true);
    ifd0.longs(254, {1})
        .longs(256, {160})
        .longs(257, {120})
        .shorts(259, {6})
        .offsetTo(513, "thumb")
        .longs(514, {uint32_t(thumb.size())});
    addCameraIfd0Fields(ifd0, c);
    ifd0.offsetsTo(330, {"rawIfd", "previewIfd"});
    s.writeIfd(ifd0, "ifd0");
    writeExifIfd(s, c);
    s.writeIfd(rawIfd(true, 6480, 4320, 32769, 32803, "raw", raw.size()), "rawIfd");
    IfdBuilder previewIfd(true);
    previewIfd.longs(254, {1})
        .longs(256, {1620})
        .longs(257, {1080})
        .shorts(259, {6})
        .offsetTo(513, "preview")
        .longs(514, {uint32_t(preview.size())});
    s.writeIfd(previewIfd, "previewIfd");
    s.blob("thumb", thumb);
    s.blob("preview", preview);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindSrw, 1620, 1080, c,
                             "IFD0 thumbnail, SubIFD preview and raw image, Samsung note");
    w.thumbnail = at(s, "thumb", thumb.size());
    w.preview = at(s, "preview", preview.size());
    return w;
}

WrittenSample writeCr3(const std::string& dir, const std::string& name) {
    CameraInfo c = canonCamera();
    c.model = "Canon EOS R6m2";
    c.dateTime = c.dateTimeOriginal = "2024:06:05 07:20:00";
    c.exposureNum = 1;
    c.exposureDen = 640;
    c.fNumberNum = 71;
    c.fNumberDen = 10;
    c.iso = 1600;
    c.focalNum = 105;
    c.pixelX = 6000;
    c.pixelY = 4000;
    c.lensModel = "RF24-105mm F4 L IS USM";
    const auto thumb = renderJpeg(160, 120, name, "CR3 THMB", 46, 75);
    const auto prvw = renderJpeg(1620, 1080, name, "CR3 PRVW", 46);
    const auto full = renderJpeg(6000, 4000, name, "CR3 FULL-SIZE JPEG", 46, 80);
    const auto craw = filler(8192, 46);

    // CMT1: IFD0 as a TIFF stream of its own.
    TiffStream cmt1(true);
    cmt1.header();
    IfdBuilder ifd0(true);
    ifd0.longs(256, {c.pixelX})
        .longs(257, {c.pixelY})
        .ascii(271, c.make)
        .ascii(272, c.model)
        .shorts(274, {static_cast<uint16_t>(c.orientation)})
        .ascii(306, c.dateTime);
    cmt1.writeIfd(ifd0, "ifd0");
    cmt1.finish();
    // CMT2: the EXIF IFD, CMT3: the Canon maker note.
    CameraInfo exifOnly = c;
    exifOnly.makerNote = MakerNoteKind::None;
    TiffStream cmt2(true);
    cmt2.header("exif");
    writeExifIfd(cmt2, exifOnly);
    cmt2.finish();
    TiffStream cmt3(true);
    cmt3.header("mn");
    writeCanonMakerNoteAt(cmt3, c);
    cmt3.finish();
    TiffStream cmt4(true);
    cmt4.header("gps");
    IfdBuilder gps(true);
    gps.bytes(0, {2, 3, 0, 0});
    cmt4.writeIfd(gps, "gps");
    cmt4.finish();

    std::vector<uint8_t> ftyp;
    ftyp.insert(ftyp.end(), {'c', 'r', 'x', ' '});
    be32(ftyp, 1);
    ftyp.insert(ftyp.end(), {'c', 'r', 'x', ' ', 'i', 's', 'o', 'm'});

    const std::string cncv = "CanonCR3_001/01.09.00/00.00.00";
    std::vector<uint8_t> canon;
    append(canon, box("CNCV", {cncv.begin(), cncv.end()}));
    append(canon, box("CMT1", cmt1.bytes()));
    append(canon, box("CMT2", cmt2.bytes()));
    append(canon, box("CMT3", cmt3.bytes()));
    append(canon, box("CMT4", cmt4.bytes()));
    append(canon, box("THMB", thmbBody(thumb, 160, 120)));

    std::vector<uint8_t> mvhd(100, 0);
    std::size_t fullPatch = 0, crawPatch = 0;
    const auto trak1 = cr3Track(1, 6000, 4000, uint32_t(full.size()), true, &fullPatch);
    const auto trak2 = cr3Track(2, 6072, 4056, uint32_t(craw.size()), false, &crawPatch);
    std::vector<uint8_t> moovBody;
    append(moovBody, uuidBox(kCanonMetadataUuid, canon));
    append(moovBody, box("mvhd", mvhd));
    const std::size_t trak1At = moovBody.size();
    append(moovBody, trak1);
    const std::size_t trak2At = moovBody.size();
    append(moovBody, trak2);

    std::vector<uint8_t> prvwUuid(8, 0);
    prvwUuid[7] = 1;
    append(prvwUuid, box("PRVW", prvwBody(prvw, 1620, 1080)));

    std::vector<uint8_t> f = box("ftyp", ftyp);
    const std::size_t moovAt = f.size();
    append(f, box("moov", moovBody));
    const std::size_t prvwBoxAt = f.size();
    append(f, uuidBox(kCanonPreviewUuid, prvwUuid));
    std::vector<uint8_t> mdat = full;
    append(mdat, craw);
    const std::size_t mdatAt = f.size();
    append(f, box("mdat", mdat));
    const uint64_t fullAt = mdatAt + 8;
    patch64(f, moovAt + 8 + trak1At + fullPatch, fullAt);
    patch64(f, moovAt + 8 + trak2At + crawPatch, fullAt + full.size());
    writeFileBytes(dir + "/" + name, f);

    WrittenSample w = record(name, kKindCr3, 6000, 4000, c,
                             "ISO boxes: CMT1-4 and THMB in moov, PRVW, full JPEG in track 1");
    // THMB: box header 8, head 16; PRVW: uuid box 24, 8 bytes, box header 8, head 16.
    w.thumbnail = {moovAt + 8 + 24 + canon.size() - thumb.size(), thumb.size()};
    w.preview = {fullAt, full.size()};
    (void)prvwBoxAt;
    return w;
}

} // namespace lumora::samples
