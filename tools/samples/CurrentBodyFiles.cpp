// RAW files of current bodies in the older containers: a Nikon NEF recorded
// with high-efficiency compression (previews only: its raw data is no
// format a reader decodes), an ORF from an OM System body (the note's own
// "OM SYSTEM" header, offsets counted from the note) and a RAF of a current
// Fujifilm body. Raw data is filler; the JPEGs are real, at the sizes these
// bodies write.
#include "SampleGen.h"

#include "Canvas.h"

namespace lumora::samples {

namespace {

std::vector<uint8_t> filler(std::size_t n, unsigned seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = 0x9E3779B9u ^ (seed * 2246822519u);
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return v;
}

void put32be(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8)
        v.push_back(static_cast<uint8_t>(x >> s));
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

} // namespace

WrittenSample writeNefHighEfficiency(const std::string& dir, const std::string& name) {
    CameraInfo c = nikonCamera();
    c.model = "NIKON Z6_3";
    c.dateTime = c.dateTimeOriginal = "2024:07:01 18:40:12";
    c.nikonNefCompression = 13; // high efficiency
    c.lensModel = "NIKKOR Z 24-120mm f/4 S";
    c.pixelX = 6048;
    c.pixelY = 4032;
    const bool le = c.littleEndian;
    const auto full = renderJpeg(6048, 4032, name, "NEF HE FULL-SIZE JPEG", 61, 80);
    const auto notePreview = renderJpeg(640, 424, name, "NEF NOTE PREVIEW", 61);
    const Canvas strip = renderSamplePicture(160, 120, name, "IFD0 RGB", 61);
    const auto raw = filler(8192, 61);

    TiffStream s(le);
    s.header();
    // IFD0: a 160 x 120 uncompressed thumbnail; SubIFD 0 the full-size
    // JPEG, SubIFD 1 the raw image (NEF compression 34713; the note's
    // NEFCompression says high efficiency).
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
    IfdBuilder jpegIfd(le);
    jpegIfd.longs(254, {1})
        .shorts(259, {6})
        .offsetTo(513, "full")
        .longs(514, {uint32_t(full.size())})
        .shorts(531, {2});
    s.writeIfd(jpegIfd, "jpegIfd");
    IfdBuilder rawIfd(le);
    rawIfd.longs(254, {0})
        .longs(256, {6048})
        .longs(257, {4032})
        .shorts(258, {14})
        .shorts(259, {34713})
        .shorts(262, {32803})
        .offsetTo(273, "raw")
        .shorts(277, {1})
        .longs(278, {4032})
        .longs(279, {uint32_t(raw.size())});
    s.writeIfd(rawIfd, "rawIfd");
    MakerNoteExtras extras;
    extras.nikonPreview = &notePreview;
    writeExifIfd(s, c, extras);
    s.blob("ifd0strip", strip.pixels());
    s.blob("full", full);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindNef, 6048, 4032, c,
                             "high-efficiency NEF: full-size JPEG in a SubIFD, note preview");
    w.thumbnail = {s.position("mnPreview"), notePreview.size()};
    w.preview = {s.position("full"), full.size()};
    return w;
}

WrittenSample writeOrfOmSystem(const std::string& dir, const std::string& name) {
    CameraInfo c;
    c.make = "OM Digital Solutions";
    c.model = "OM-1MarkII";
    c.dateTime = c.dateTimeOriginal = "2024:07:02 06:12:45";
    c.exposureNum = 1;
    c.exposureDen = 2000;
    c.fNumberNum = 63;
    c.fNumberDen = 10;
    c.iso = 800;
    c.focalNum = 300;
    c.makerNote = MakerNoteKind::OmSystem;
    c.lensModel = "M.Zuiko Digital ED 150-600mm F5.0-6.3 IS";
    const auto preview = renderJpeg(1600, 1200, name, "OM SYSTEM NOTE PREVIEW", 62);
    const auto thumb = renderJpeg(160, 120, name, "ORF THUMB", 62, 75);
    const auto raw = filler(8192, 62);

    TiffStream s(true);
    s.header("ifd0", 0x4F52); // "IIRO"
    IfdBuilder ifd0(true);
    ifd0.longs(254, {0})
        .longs(256, {5240})
        .longs(257, {3912})
        .shorts(258, {16})
        .shorts(259, {1})
        .shorts(262, {32803})
        .offsetTo(273, "raw")
        .shorts(277, {1})
        .longs(278, {3912})
        .longs(279, {uint32_t(raw.size())});
    addCameraIfd0Fields(ifd0, c);
    s.writeIfd(ifd0, "ifd0", "ifd1");
    MakerNoteExtras extras;
    extras.olympusPreview = &preview;
    writeExifIfd(s, c, extras);
    s.writeIfd(thumbnailIfd(true, "thumb", thumb.size()), "ifd1");
    s.blob("thumb", thumb);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindOrf, 1600, 1200, c,
                             "IIRO, \"OM SYSTEM\" note with camera-settings preview, IFD1 thumb");
    w.thumbnail = {s.position("thumb"), thumb.size()};
    w.preview = {s.position("mnPreview"), preview.size()};
    return w;
}

WrittenSample writeRafCurrent(const std::string& dir, const std::string& name) {
    CameraJpegOptions o;
    o.width = 1920;
    o.height = 1280;
    o.title = name;
    o.subtitle = "RAF EMBEDDED JPEG";
    o.seed = 63;
    o.camera = fujifilmCamera();
    o.camera.model = "X-T5";
    o.camera.dateTime = o.camera.dateTimeOriginal = "2024:07:03 15:30:00";
    o.camera.pixelX = 7728;
    o.camera.pixelY = 5152;
    o.camera.lensModel = "XF16-80mmF4 R OIS WR";
    WrittenSample inner;
    const std::vector<uint8_t> jpeg = makeCameraJpeg(o, &inner);
    const auto cfa = filler(8192, 63);

    // The header: magic, format version, camera number, model (32 bytes),
    // directory version, then big-endian positions and lengths of the
    // JPEG (84), the CFA header (92) and the CFA (100).
    std::vector<uint8_t> f;
    const std::string magic = "FUJIFILMCCD-RAW 0201FF129502";
    f.insert(f.end(), magic.begin(), magic.end());
    std::string model = o.camera.model;
    model.resize(32, '\0');
    f.insert(f.end(), model.begin(), model.end());
    const std::string dirVersion = "0100";
    f.insert(f.end(), dirVersion.begin(), dirVersion.end());
    f.resize(84, 0);
    const uint32_t jpegAt = 256;
    const uint32_t cfaHeaderAt = jpegAt + uint32_t(jpeg.size());
    put32be(f, jpegAt);
    put32be(f, uint32_t(jpeg.size()));
    put32be(f, cfaHeaderAt);
    put32be(f, 4);
    put32be(f, cfaHeaderAt + 4);
    put32be(f, uint32_t(cfa.size()));
    f.resize(jpegAt, 0);
    f.insert(f.end(), jpeg.begin(), jpeg.end());
    put32be(f, 0); // CFA header: no records
    f.insert(f.end(), cfa.begin(), cfa.end());
    writeFileBytes(dir + "/" + name, f);

    WrittenSample w = record(name, kKindRaf, o.width, o.height, inner.camera,
                             "current body: 1920x1280 JPEG with EXIF, Fujifilm note, thumbnail");
    w.preview = {jpegAt, jpeg.size()};
    w.thumbnail = {jpegAt + inner.thumbnail.offset, inner.thumbnail.length};
    return w;
}

} // namespace lumora::samples
