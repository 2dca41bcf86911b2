#include "SampleGen.h"

#include "Canvas.h"
#include "JpegEncode.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace lumora::samples {

void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f)
        throw std::runtime_error("cannot create " + path);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        throw std::runtime_error("cannot write " + path);
    if (std::fclose(f.release()) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> renderJpeg(int width, int height, const std::string& title,
                                const std::string& subtitle, unsigned seed, int quality,
                                int orientation) {
    Canvas upright = renderSamplePicture(width, height, title, subtitle, seed);
    JpegOptions jo;
    jo.quality = quality;
    if (orientation == 1)
        return encodeJpeg(upright, jo);
    return encodeJpeg(upright.storedForOrientation(orientation), jo);
}

std::vector<uint8_t> makeCameraJpeg(const CameraJpegOptions& o, WrittenSample* info) {
    const int orientation = o.withExif ? o.camera.orientation : 1;
    Canvas upright = renderSamplePicture(o.width, o.height, o.title, o.subtitle, o.seed);
    Canvas stored =
        orientation == 1 ? std::move(upright) : upright.storedForOrientation(orientation);

    JpegOptions jo;
    jo.quality = o.quality;
    jo.grey = o.grey;
    jo.jfifHeader = o.jfifFirst;
    std::vector<uint8_t> body = encodeJpeg(stored, jo);

    WrittenSample w;
    w.kind = kKindJpeg;
    w.width = stored.width();
    w.height = stored.height();
    if (!o.withExif) {
        if (info)
            *info = w;
        return body;
    }

    CameraInfo camera = o.camera;
    if (!camera.pixelX || !camera.pixelY) {
        camera.pixelX = static_cast<uint32_t>(stored.width());
        camera.pixelY = static_cast<uint32_t>(stored.height());
    }
    std::vector<uint8_t> thumb;
    if (o.withThumbnail) {
        // The thumbnail keeps the main picture's aspect, 160 on the long side.
        const int tw = o.width >= o.height ? 160 : std::max(160 * o.width / o.height, 1);
        const int th = o.width >= o.height ? std::max(160 * o.height / o.width, 1) : 160;
        Canvas small = renderSamplePicture(tw, th, o.title, o.subtitle, o.seed);
        JpegOptions tj;
        tj.quality = 75;
        tj.grey = o.grey;
        thumb = encodeJpeg(orientation != 1 ? small.storedForOrientation(orientation) : small, tj);
    }
    uint32_t thumbInTiff = 0;
    const std::vector<uint8_t> app1 =
        buildExifApp1(camera, o.withThumbnail ? &thumb : nullptr, &thumbInTiff);
    std::vector<uint8_t> out = insertSegmentAfterSoi(body, app1);

    // Where the APP1 landed: after SOI, or after SOI + APP0.
    std::size_t app1At = 2;
    if (o.jfifFirst)
        app1At = 4 + ((static_cast<std::size_t>(body[4]) << 8) | body[5]);
    const std::size_t tiffAt = app1At + 4 + 6;
    w.hasExif = true;
    w.camera = camera;
    if (o.withThumbnail)
        w.thumbnail = {tiffAt + thumbInTiff, thumb.size()};
    if (info)
        *info = w;
    return out;
}

void writeCameraJpeg(const std::string& path, const CameraJpegOptions& options,
                     WrittenSample* info) {
    writeFileBytes(path, makeCameraJpeg(options, info));
}

CameraInfo canonCamera() {
    CameraInfo c;
    c.make = "Canon";
    c.model = "Canon EOS 10X";
    c.makerNote = MakerNoteKind::Canon;
    return c;
}

CameraInfo nikonCamera() {
    CameraInfo c;
    c.littleEndian = false;
    c.make = "NIKON CORPORATION";
    c.model = "NIKON D1000";
    c.exposureNum = 10;
    c.exposureDen = 600; // 1/60 s, unreduced as cameras store it
    c.fNumberNum = 80;
    c.fNumberDen = 10;
    c.biasNum = 0;
    c.biasDen = 6;
    c.exposureProgram = 2;
    c.iso = 400;
    c.meteringMode = 2;
    c.flash = 0;
    c.focalNum = 350;
    c.focalDen = 10;
    c.maxApertureNum = 36;
    c.maxApertureDen = 10;
    c.makerNote = MakerNoteKind::Nikon;
    c.dateTime = c.dateTimeOriginal = "2024:05:17 10:05:30";
    return c;
}

CameraInfo fujifilmCamera() {
    CameraInfo c;
    c.make = "FUJIFILM";
    c.model = "FinePix S100X";
    c.exposureNum = 1;
    c.exposureDen = 1000;
    c.fNumberNum = 40;
    c.fNumberDen = 10;
    c.biasNum = 1;
    c.biasDen = 3;
    c.exposureProgram = 2;
    c.iso = 100;
    c.meteringMode = 5;
    c.lightSource = 1;
    c.flash = 1;
    c.focalNum = 1860;
    c.focalDen = 100;
    c.whiteBalance = 1;
    c.makerNote = MakerNoteKind::Fujifilm;
    c.dateTime = c.dateTimeOriginal = "2024:05:18 16:20:00";
    return c;
}

namespace {

std::string upper(std::string s) {
    for (char& ch : s)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

} // namespace

std::vector<WrittenSample> writeCameraJpegFolder(const std::string& dir, int count,
                                                 const CameraJpegOptions& base) {
    std::filesystem::create_directories(dir);
    std::vector<WrittenSample> all;
    all.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "img_%04d.jpg", i);
        CameraJpegOptions o = base;
        o.title = upper(name);
        o.seed = base.seed + static_cast<unsigned>(i);
        // 10:00:00 plus i seconds, rolling over minutes and hours.
        const int s = 10 * 3600 + i;
        char when[24];
        std::snprintf(when, sizeof when, "2024:05:17 %02d:%02d:%02d", (s / 3600) % 24,
                      (s / 60) % 60, s % 60);
        o.camera.dateTime = o.camera.dateTimeOriginal = when;
        WrittenSample w;
        writeCameraJpeg(dir + "/" + name, o, &w);
        w.name = name;
        all.push_back(std::move(w));
    }
    return all;
}

std::vector<WrittenSample> writeSampleFolder(const std::string& dir) {
    std::filesystem::create_directories(dir);
    std::vector<WrittenSample> all;
    auto jpeg = [&](const std::string& name, CameraJpegOptions o, const std::string& note) {
        o.title = upper(name);
        WrittenSample w;
        writeCameraJpeg(dir + "/" + name, o, &w);
        w.name = name;
        w.note = note;
        all.push_back(w);
    };

    CameraJpegOptions canon;
    canon.width = 960;
    canon.height = 640;
    canon.subtitle = "CANON MAKER NOTE";
    canon.seed = 1;
    canon.camera = canonCamera();
    jpeg("canon-eos.jpg", canon, "little-endian EXIF, Canon maker note, thumbnail");

    CameraJpegOptions nikon;
    nikon.width = 900;
    nikon.height = 600;
    nikon.subtitle = "NIKON MAKER NOTE";
    nikon.seed = 2;
    nikon.camera = nikonCamera();
    jpeg("nikon-d.jpg", nikon, "big-endian EXIF, Nikon type 2 maker note, thumbnail");

    CameraJpegOptions fuji;
    fuji.width = 800;
    fuji.height = 600;
    fuji.subtitle = "FUJIFILM MAKER NOTE";
    fuji.seed = 3;
    fuji.camera = fujifilmCamera();
    jpeg("fujifilm-finepix.jpg", fuji, "Fujifilm maker note, thumbnail");

    for (int o = 1; o <= 8; ++o) {
        CameraJpegOptions opt;
        opt.width = o % 2 ? 640 : 480; // landscape and portrait pictures alike
        opt.height = o % 2 ? 480 : 640;
        opt.subtitle = "ORIENTATION " + std::to_string(o);
        opt.seed = 10 + static_cast<unsigned>(o);
        opt.camera = canonCamera();
        opt.camera.orientation = o;
        opt.camera.makerNote = MakerNoteKind::None;
        jpeg("orientation-" + std::to_string(o) + ".jpg", opt,
             "arrow points up when the orientation is honoured");
    }

    CameraJpegOptions jfif;
    jfif.width = 640;
    jfif.height = 427;
    jfif.subtitle = "JFIF THEN EXIF";
    jfif.seed = 4;
    jfif.jfifFirst = true;
    jfif.camera = canonCamera();
    jfif.camera.make = "Panasonic";
    jfif.camera.model = "DMC-SAMPLE";
    jfif.camera.makerNote = MakerNoteKind::None;
    jpeg("jfif-exif.jpg", jfif, "APP0 JFIF before APP1 EXIF");

    CameraJpegOptions noThumb = canon;
    noThumb.withThumbnail = false;
    noThumb.subtitle = "NO EXIF THUMBNAIL";
    noThumb.seed = 5;
    noThumb.camera.canonExposureMode = 2;
    noThumb.camera.exposureProgram = 4;
    jpeg("no-thumbnail.jpg", noThumb, "EXIF without IFD1");

    CameraJpegOptions noProgram = canon;
    noProgram.subtitle = "CANON MODE AV, NO EXIF PROGRAM";
    noProgram.seed = 9;
    noProgram.camera.writeExposureProgram = false;
    noProgram.camera.canonExposureMode = 3;
    noProgram.camera.dateTime = noProgram.camera.dateTimeOriginal = "2024:05:17 09:59:59";
    jpeg("canon-no-program.jpg", noProgram,
         "no ExposureProgram; Canon exposure mode 3; a second before canon-eos.jpg");

    CameraJpegOptions nikonIso0 = nikon;
    nikonIso0.subtitle = "NIKON ISO SETTING 0, 2 S";
    nikonIso0.seed = 12;
    nikonIso0.camera.nikonIsoSetting = 0;
    nikonIso0.camera.exposureNum = 2;
    nikonIso0.camera.exposureDen = 1;
    jpeg("nikon-iso0.jpg", nikonIso0, "Nikon ISO setting 0; exposure 2/1 s");

    CameraJpegOptions grey = canon;
    grey.grey = true;
    grey.subtitle = "GREY SCALE";
    grey.seed = 6;
    grey.width = 640;
    grey.height = 480;
    jpeg("grey.jpg", grey, "one-component JPEG with EXIF");

    CameraJpegOptions plain;
    plain.withExif = false;
    plain.jfifFirst = true;
    plain.subtitle = "NO EXIF";
    plain.seed = 7;
    jpeg("no-exif.jpg", plain, "JFIF only, no EXIF");

    CameraJpegOptions bare = plain;
    bare.jfifFirst = false;
    bare.subtitle = "NO APP SEGMENTS";
    bare.seed = 8;
    jpeg("bare.jpg", bare, "first segment after SOI is a table, not APP0/APP1");

    all.push_back(writeTiff(dir, "tiff-intel.tif", true));
    all.push_back(writeTiff(dir, "tiff-motorola.tiff", false));
    all.push_back(writeCr2(dir, "canon.cr2"));
    all.push_back(writeNef(dir, "nikon.nef"));
    all.push_back(writeNef(dir, "nikon-small-note.nef", true));
    all.push_back(writeOrf(dir, "olympus.orf"));
    all.push_back(writePef(dir, "pentax.pef"));
    all.push_back(writeErf(dir, "epson.erf"));
    all.push_back(writeSr2(dir, "sony.sr2"));
    all.push_back(writeCrw(dir, "crw_0042.crw", "crw_0042.thm"));
    all.push_back(writeMrw(dir, "minolta.mrw"));
    all.push_back(writeRaf(dir, "fujifilm.raf"));
    all.push_back(writeCr3(dir, "canon.cr3"));
    all.push_back(writeArw(dir, "sony.arw"));
    all.push_back(writeDng(dir, "pentax.dng"));
    all.push_back(writeLinearDng(dir, "phone.dng"));
    all.push_back(writeRw2(dir, "panasonic.rw2"));
    all.push_back(writeNrw(dir, "nikon.nrw"));
    all.push_back(writeSrw(dir, "samsung.srw"));
    all.push_back(writeNefHighEfficiency(dir, "nikon-z.nef"));
    all.push_back(writeOrfOmSystem(dir, "om-system.orf"));
    all.push_back(writeRafCurrent(dir, "fujifilm-x.raf"));
    all.push_back(writePsd(dir, "photoshop-raw.psd", 0, true));
    all.push_back(writePsd(dir, "photoshop-packbits.psd", 1, true));
    all.push_back(writePsd(dir, "photoshop-nothumb.psd", 1, false));
    all.push_back(writeBmp(dir, "bitmap.bmp"));
    all.push_back(writeGif(dir, "picture.gif"));
    all.push_back(writeIcon(dir, "icon.ico", false));
    all.push_back(writeIcon(dir, "cursor.cur", true));
    return all;
}

} // namespace lumora::samples
