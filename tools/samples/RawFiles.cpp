// Camera RAW containers. No sensor data is developed by readers, so the
// "raw" parts are short deterministic filler; the embedded JPEGs are real.
#include "SampleGen.h"

#include "Canvas.h"
#include "JpegEncode.h"

namespace lumora::samples {

namespace {

std::vector<uint8_t> rawFiller(std::size_t n, unsigned seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = 2463534242u ^ seed;
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return v;
}

EmbeddedJpeg at(const TiffStream& s, const std::string& label, std::size_t length,
                uint64_t base = 0) {
    return {base + s.position(label), length};
}

void put32be(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x >> 24));
    v.push_back(static_cast<uint8_t>(x >> 16));
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}

void put16be(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}

void put32le(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

void put16le(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
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

// Raw-image IFD entries (uncompressed filler strip) for IFD0 or a SubIFD.
void addRawStrip(IfdBuilder& ifd, uint32_t w, uint32_t h, const std::string& label,
                 std::size_t length) {
    ifd.longs(256, {w})
        .longs(257, {h})
        .shorts(258, {12})
        .shorts(259, {1})
        .shorts(262, {32803})
        .offsetTo(273, label)
        .shorts(277, {1})
        .longs(278, {h})
        .longs(279, {static_cast<uint32_t>(length)});
}

} // namespace

WrittenSample writeCr2(const std::string& dir, const std::string& name) {
    CameraInfo c = canonCamera();
    c.model = "Canon EOS 10X Mark R";
    c.pixelX = 3072;
    c.pixelY = 2048;
    const auto preview = renderJpeg(1024, 683, name, "CR2 STRIP PREVIEW", 21);
    const auto thumb = renderJpeg(160, 107, name, "CR2 THUMB", 21, 75);
    const auto raw = rawFiller(4096, 21);

    TiffStream s(true);
    s.header();
    s.putText("CR");
    s.put8(2);
    s.put8(0);
    s.ref32("rawIfd");
    IfdBuilder ifd0(true);
    ifd0.longs(256, {1024}).longs(257, {683}).shorts(258, {8, 8, 8}).shorts(259, {6});
    addCameraIfd0Fields(ifd0, c);
    ifd0.offsetTo(273, "preview").shorts(277, {3}).longs(279, {uint32_t(preview.size())});
    s.writeIfd(ifd0, "ifd0", "ifd1");
    writeExifIfd(s, c);
    IfdBuilder ifd1 = thumbnailIfd(true, "thumb", thumb.size());
    s.writeIfd(ifd1, "ifd1");
    IfdBuilder rawIfd(true);
    rawIfd.shorts(259, {6}).offsetTo(273, "raw").longs(279, {uint32_t(raw.size())});
    s.writeIfd(rawIfd, "rawIfd");
    s.blob("thumb", thumb);
    s.blob("preview", preview);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w =
        record(name, kKindCr2, 1024, 683, c, "IFD0 strip preview, IFD1 thumbnail, Canon note");
    w.thumbnail = at(s, "thumb", thumb.size());
    w.preview = at(s, "preview", preview.size());
    return w;
}

WrittenSample writeNef(const std::string& dir, const std::string& name, bool makerNoteSmallest) {
    CameraInfo c = nikonCamera();
    const auto large = renderJpeg(1024, 681, name, "SUBIFD PREVIEW", 22);
    // With makerNoteSmallest the maker note and the small SubIFD swap pictures.
    const auto smallPicture = renderJpeg(160, 106, name, "SMALL JPEG", 22, 60);
    const auto mediumPicture = renderJpeg(640, 425, name, "MEDIUM JPEG", 22, 80);
    const auto& small = makerNoteSmallest ? mediumPicture : smallPicture;
    const auto& medium = makerNoteSmallest ? smallPicture : mediumPicture;
    const auto raw = rawFiller(4096, 22);
    const Canvas strip = renderSamplePicture(160, 120, name, "IFD0 RGB", 22);

    TiffStream s(false);
    s.header();
    IfdBuilder ifd0(false);
    ifd0.longs(254, {1})
        .longs(256, {160})
        .longs(257, {120})
        .shorts(258, {8, 8, 8})
        .shorts(259, {1})
        .shorts(262, {2});
    addCameraIfd0Fields(ifd0, c);
    ifd0.offsetTo(273, "ifd0strip")
        .shorts(277, {3})
        .longs(278, {120})
        .longs(279, {uint32_t(strip.pixels().size())})
        .offsetsTo(330, {"sub0", "sub1", "sub2"});
    s.writeIfd(ifd0, "ifd0");
    auto jpegSub = [&](const std::string& label, const std::string& data, int w, int h,
                       std::size_t len) {
        IfdBuilder sub(false);
        sub.longs(254, {1})
            .longs(256, {uint32_t(w)})
            .longs(257, {uint32_t(h)})
            .shorts(259, {6})
            .offsetTo(513, data)
            .longs(514, {uint32_t(len)})
            .shorts(531, {2});
        s.writeIfd(sub, label);
    };
    jpegSub("sub0", "jpgLarge", 1024, 681, large.size());
    jpegSub("sub1", "jpgSmall", makerNoteSmallest ? 640 : 160, makerNoteSmallest ? 425 : 106,
            small.size());
    IfdBuilder sub2(false);
    sub2.longs(254, {0});
    addRawStrip(sub2, 3008, 2000, "raw", raw.size());
    s.writeIfd(sub2, "sub2");
    MakerNoteExtras extras;
    extras.nikonPreview = &medium;
    writeExifIfd(s, c, extras);
    s.blob("ifd0strip", strip.pixels());
    s.blob("jpgLarge", large);
    s.blob("jpgSmall", small);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    // Candidates by length: the longest (SubIFD) is the preview. The
    // shortest is the thumbnail when it came from the maker note, else the
    // second shortest (here the maker note's) is.
    WrittenSample w =
        record(name, kKindNef, 1024, 681, c,
               makerNoteSmallest ? "three JPEG candidates, the maker note's the shortest"
                                 : "three JPEG candidates: two SubIFDs and the Nikon preview IFD");
    w.thumbnail = at(s, "mnPreview", medium.size());
    w.preview = at(s, "jpgLarge", large.size());
    return w;
}

WrittenSample writeOrf(const std::string& dir, const std::string& name) {
    CameraInfo c = canonCamera();
    c.make = "OLYMPUS IMAGING CORP.";
    c.model = "E-SAMPLE";
    c.makerNote = MakerNoteKind::Olympus;
    c.exposureProgram = 2;
    c.iso = 100;
    c.dateTime = c.dateTimeOriginal = "2024:05:19 08:15:00";
    const auto preview = renderJpeg(1024, 768, name, "OLYMPUS NOTE PREVIEW", 23);
    const auto thumb = renderJpeg(160, 120, name, "ORF THUMB", 23, 75);
    const auto raw = rawFiller(4096, 23);

    TiffStream s(true);
    s.header("ifd0", 0x4F52); // "IIRO"
    IfdBuilder ifd0(true);
    addRawStrip(ifd0, 3264, 2448, "raw", raw.size());
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

    WrittenSample w = record(name, kKindOrf, 1024, 768, c,
                             "IIRO header, Olympus note camera-settings preview, IFD1 thumbnail");
    w.thumbnail = at(s, "thumb", thumb.size());
    w.preview = at(s, "mnPreview", preview.size());
    return w;
}

WrittenSample writePef(const std::string& dir, const std::string& name) {
    CameraInfo c = canonCamera();
    c.littleEndian = false;
    c.make = "PENTAX Corporation";
    c.model = "PENTAX K-SAMPLE";
    c.makerNote = MakerNoteKind::None;
    c.exposureNum = 1;
    c.exposureDen = 125;
    c.iso = 800;
    const auto preview = renderJpeg(1024, 683, name, "IFD2 PREVIEW", 24);
    const auto thumb = renderJpeg(160, 107, name, "PEF THUMB", 24, 75);
    const auto raw = rawFiller(4096, 24);

    TiffStream s(false);
    s.header();
    IfdBuilder ifd0(false);
    addRawStrip(ifd0, 3072, 2048, "raw", raw.size());
    addCameraIfd0Fields(ifd0, c);
    s.writeIfd(ifd0, "ifd0", "ifd1");
    writeExifIfd(s, c);
    s.writeIfd(thumbnailIfd(false, "thumb", thumb.size()), "ifd1", "ifd2");
    s.writeIfd(thumbnailIfd(false, "preview", preview.size()), "ifd2");
    s.blob("thumb", thumb);
    s.blob("preview", preview);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w =
        record(name, kKindPef, 1024, 683, c, "big-endian, IFD1 thumbnail, IFD2 preview");
    w.thumbnail = at(s, "thumb", thumb.size());
    w.preview = at(s, "preview", preview.size());
    return w;
}

WrittenSample writeErf(const std::string& dir, const std::string& name) {
    CameraInfo c = canonCamera();
    c.make = "SEIKO EPSON CORP.";
    c.model = "R-D1X";
    c.makerNote = MakerNoteKind::Epson;
    c.exposureProgram = 1;
    std::vector<uint8_t> jpeg = renderJpeg(640, 427, name, "EPSON NOTE JPEG", 25);
    jpeg[0] = 0x00; // stored with a damaged start-of-image marker
    const auto raw = rawFiller(4096, 25);

    TiffStream s(true);
    s.header();
    IfdBuilder ifd0(true);
    addRawStrip(ifd0, 3008, 2000, "raw", raw.size());
    addCameraIfd0Fields(ifd0, c);
    s.writeIfd(ifd0, "ifd0");
    MakerNoteExtras extras;
    extras.epsonJpeg = &jpeg;
    writeExifIfd(s, c, extras);
    s.blob("raw", raw);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w = record(name, kKindErf, 640, 427, c,
                             "Epson note JPEG (first byte damaged) is thumbnail and preview");
    w.thumbnail = w.preview = at(s, "mnPreview", jpeg.size());
    return w;
}

WrittenSample writeSr2(const std::string& dir, const std::string& name) {
    CameraInfo c = canonCamera();
    c.make = "SONY";
    c.model = "DSLR-A1X";
    c.makerNote = MakerNoteKind::None;
    c.exposureProgram = 2;
    const auto preview = renderJpeg(1024, 683, name, "IFD0 JPEG PREVIEW", 26);
    const auto thumb = renderJpeg(160, 107, name, "SR2 THUMB", 26, 75);

    TiffStream s(true);
    s.header();
    IfdBuilder ifd0(true);
    ifd0.longs(256, {1024}).longs(257, {683}).shorts(259, {6});
    addCameraIfd0Fields(ifd0, c);
    ifd0.offsetTo(513, "preview").longs(514, {uint32_t(preview.size())});
    s.writeIfd(ifd0, "ifd0", "ifd1");
    writeExifIfd(s, c);
    s.writeIfd(thumbnailIfd(true, "thumb", thumb.size()), "ifd1");
    s.blob("thumb", thumb);
    s.blob("preview", preview);
    s.finish();
    writeFileBytes(dir + "/" + name, s.bytes());

    WrittenSample w =
        record(name, kKindSr2, 1024, 683, c, "IFD0 JPEGInterchangeFormat preview, IFD1 thumbnail");
    w.thumbnail = at(s, "thumb", thumb.size());
    w.preview = at(s, "preview", preview.size());
    return w;
}

WrittenSample writeCrw(const std::string& dir, const std::string& name,
                       const std::string& sidecarName) {
    CameraInfo c = canonCamera();
    c.model = "Canon EOS D30X";
    c.dateTime = c.dateTimeOriginal = "2024:05:20 12:00:00";

    // Sidecar: a 160 x 120 camera JPEG with EXIF and the Canon note.
    CameraJpegOptions thm;
    thm.width = 160;
    thm.height = 120;
    thm.title = "THM";
    thm.subtitle = "SIDECAR";
    thm.seed = 27;
    thm.withThumbnail = false;
    thm.camera = c;
    writeCameraJpeg(dir + "/" + sidecarName, thm);

    const auto preview = renderJpeg(1024, 683, name, "CIFF JPG FROM RAW", 27);
    const auto raw = rawFiller(2048, 27);
    const uint32_t L = 26;

    // Image properties subdirectory: values, then its table, then the
    // table's offset in its last 4 bytes (all relative to its start).
    std::vector<uint8_t> props;
    struct Item {
        uint16_t tag;
        uint32_t size, offset;
    };
    std::vector<Item> items;
    auto addValue = [&](uint16_t tag, const std::vector<uint8_t>& data) {
        items.push_back({tag, uint32_t(data.size()), uint32_t(props.size())});
        props.insert(props.end(), data.begin(), data.end());
    };
    std::vector<uint8_t> fileName(sidecarName.begin(), sidecarName.end());
    fileName.push_back(0);
    addValue(0x0817, fileName);
    const std::string makeModel = c.make + '\0' + c.model + '\0';
    addValue(0x080A, {makeModel.begin(), makeModel.end()});
    std::vector<uint8_t> info;
    put32le(info, 3072);       // width
    put32le(info, 2048);       // height
    put32le(info, 0x3F800000); // pixel aspect 1.0f
    put32le(info, 0);          // rotation
    put32le(info, 12);
    put32le(info, 12);
    put32le(info, 1);
    addValue(0x1810, info);
    const uint32_t propsTable = uint32_t(props.size());
    put16le(props, uint16_t(items.size()));
    for (const Item& it : items) {
        put16le(props, it.tag);
        put32le(props, it.size);
        put32le(props, it.offset);
    }
    put32le(props, propsTable);

    // Heap: preview JPEG, raw filler, properties; then the root table of
    // exactly three entries and its offset in the file's last 4 bytes.
    std::vector<uint8_t> f = {'I', 'I'};
    put32le(f, L);
    const std::string magic = "HEAPCCDR";
    f.insert(f.end(), magic.begin(), magic.end());
    put16le(f, 1);
    put16le(f, 2);
    f.resize(L, 0);
    const uint32_t jpgAt = uint32_t(f.size()) - L;
    f.insert(f.end(), preview.begin(), preview.end());
    const uint32_t rawAt = uint32_t(f.size()) - L;
    f.insert(f.end(), raw.begin(), raw.end());
    const uint32_t propsAt = uint32_t(f.size()) - L;
    f.insert(f.end(), props.begin(), props.end());
    const uint32_t rootTable = uint32_t(f.size()) - L;
    put16le(f, 3);
    put16le(f, 0x2005);
    put32le(f, uint32_t(raw.size()));
    put32le(f, rawAt);
    put16le(f, 0x2007);
    put32le(f, uint32_t(preview.size()));
    put32le(f, jpgAt);
    put16le(f, 0x300A);
    put32le(f, uint32_t(props.size()));
    put32le(f, propsAt);
    put32le(f, rootTable);
    writeFileBytes(dir + "/" + name, f);

    c.pixelX = 3072;
    c.pixelY = 2048;
    WrittenSample w = record(name, kKindCrw, 1024, 683, c,
                             "CIFF heap, 3-entry root, JpgFromRaw preview, sidecar .thm");
    w.preview = {L + jpgAt, preview.size()};
    w.sidecar = sidecarName;
    return w;
}

WrittenSample writeMrw(const std::string& dir, const std::string& name) {
    CameraInfo c = canonCamera();
    c.littleEndian = false;
    c.make = "KONICA MINOLTA";
    c.model = "DYNAX 9X";
    c.makerNote = MakerNoteKind::Minolta;
    c.exposureProgram = 2;
    c.iso = 100;
    std::vector<uint8_t> preview = renderJpeg(640, 427, name, "MINOLTA NOTE PREVIEW", 28);
    preview[0] = 0x00; // the container stores the preview's SOI as 00 D8

    TiffStream t(false);
    t.header();
    IfdBuilder ifd0(false);
    ifd0.longs(256, {3016}).longs(257, {2008});
    addCameraIfd0Fields(ifd0, c);
    t.writeIfd(ifd0, "ifd0");
    MakerNoteExtras extras;
    extras.minoltaPreview = &preview;
    writeExifIfd(t, c, extras);
    t.finish();

    std::vector<uint8_t> prd;
    const std::string version = "21810002";
    prd.insert(prd.end(), version.begin(), version.end());
    put16be(prd, 2008); // sensor height
    put16be(prd, 3016); // sensor width
    put16be(prd, 2008); // image height
    put16be(prd, 3016); // image width
    prd.push_back(12);
    prd.push_back(12);
    prd.push_back(0x59);
    prd.push_back(0);
    put16be(prd, 0);
    put16be(prd, 0x0001);

    std::vector<uint8_t> blocks;
    auto block = [&](const char* tag, const std::vector<uint8_t>& data) {
        blocks.insert(blocks.end(), tag, tag + 4);
        put32be(blocks, uint32_t(data.size()));
        blocks.insert(blocks.end(), data.begin(), data.end());
    };
    block("\0PRD", prd);
    const uint32_t ttwData = 8 + uint32_t(blocks.size()) + 8;
    block("\0TTW", t.bytes());
    block("\0WBG", {0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0});
    std::vector<uint8_t> f = {0, 'M', 'R', 'M'};
    put32be(f, uint32_t(blocks.size()));
    f.insert(f.end(), blocks.begin(), blocks.end());
    const auto raw = rawFiller(2048, 28);
    f.insert(f.end(), raw.begin(), raw.end());
    writeFileBytes(dir + "/" + name, f);

    WrittenSample w = record(name, kKindMrw, 640, 427, c,
                             "MRM blocks, TIFF in TTW, Minolta note preview with SOI 00 D8");
    w.thumbnail = w.preview = at(t, "mnPreview", preview.size(), ttwData);
    return w;
}

WrittenSample writeRaf(const std::string& dir, const std::string& name) {
    CameraJpegOptions o;
    o.width = 1024;
    o.height = 768;
    o.title = "FUJIFILM.RAF";
    o.subtitle = "RAF EMBEDDED JPEG";
    o.seed = 29;
    o.camera = fujifilmCamera();
    WrittenSample inner;
    const std::vector<uint8_t> jpeg = makeCameraJpeg(o, &inner);

    std::vector<uint8_t> f;
    const std::string magic = "FUJIFILMCCD-RAW 0201FF383501";
    f.insert(f.end(), magic.begin(), magic.end());
    std::string model = o.camera.model;
    model.resize(32, '\0');
    f.insert(f.end(), model.begin(), model.end());
    const std::string dirVersion = "0100";
    f.insert(f.end(), dirVersion.begin(), dirVersion.end());
    f.resize(84, 0);
    const uint32_t jpegAt = 160;
    const uint32_t cfaHeaderAt = jpegAt + uint32_t(jpeg.size());
    const std::vector<uint8_t> cfa = rawFiller(2048, 29);
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

    WrittenSample w = record(name, kKindRaf, inner.width, inner.height, inner.camera,
                             "JPEG position and length at bytes 84-91 (big-endian)");
    w.preview = {jpegAt, jpeg.size()};
    w.thumbnail = {jpegAt + inner.thumbnail.offset, inner.thumbnail.length};
    return w;
}

} // namespace lumora::samples
