#include "JsonReport.h"

#include "metadata/CaptionSummary.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace lumora::inspect {

namespace {

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                // 8-bit text of unknown encoding: each byte as its own code point.
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string Number(double v) {
    if (std::isnan(v)) {
        return "\"nan\"";
    }
    if (std::isinf(v)) {
        return v < 0 ? "\"-inf\"" : "\"inf\"";
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

std::string Number(std::uint64_t v) {
    return std::to_string(v);
}

// Ordered JSON object: pre-rendered values or nested objects.
class Object {
public:
    template <typename T> Object& Add(const std::string& key, const std::optional<T>& value) {
        return AddRaw(key, value ? Render(*value) : "null");
    }
    Object& AddRaw(const std::string& key, std::string rendered) {
        fields_.push_back({key, std::move(rendered), nullptr});
        return *this;
    }
    Object& AddChild(const std::string& key, Object child) {
        fields_.push_back({key, {}, std::make_shared<Object>(std::move(child))});
        return *this;
    }
    std::string Json(int indent) const {
        if (fields_.empty()) {
            return "{}";
        }
        const std::string pad(static_cast<std::size_t>(indent) + 2, ' ');
        std::string out = "{\n";
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            const Field& f = fields_[i];
            out += pad + Quote(f.key) + ": " + (f.child ? f.child->Json(indent + 2) : f.value);
            out += i + 1 < fields_.size() ? ",\n" : "\n";
        }
        return out + std::string(static_cast<std::size_t>(indent), ' ') + "}";
    }
    // "key: value" lines; nested keys are joined with dots and absent values show as "--".
    std::string Text(const std::string& prefix) const {
        std::string out;
        for (const Field& f : fields_) {
            if (f.child) {
                out += f.child->Text(prefix + f.key + ".");
            } else {
                out += prefix + f.key + ": " + (f.value == "null" ? "--" : f.value) + "\n";
            }
        }
        return out;
    }

private:
    struct Field {
        std::string key;
        std::string value;
        std::shared_ptr<Object> child;
    };
    static std::string Render(const std::string& v) { return Quote(v); }
    static std::string Render(float v) { return Number(static_cast<double>(v)); }
    template <typename T> static std::string Render(T v) {
        return Number(static_cast<std::uint64_t>(v));
    }
    std::vector<Field> fields_;
};

Object ImageInfoObject(const ImageInfo& i) {
    Object o;
    o.Add("width", i.width)
        .Add("height", i.height)
        .Add("compression", i.compression)
        .Add("make", i.make)
        .Add("model", i.model)
        .Add("orientation", i.orientation)
        .Add("shootingDateTime", i.shootingDateTime)
        .Add("dateTime", i.dateTime);
    return o;
}

Object ShootingInfoObject(const ShootingInfo& s) {
    Object o;
    o.Add("aspectX", s.aspectX)
        .Add("aspectY", s.aspectY)
        .Add("shutterSpeed", s.shutterSpeed)
        .Add("fNumber", s.fNumber)
        .Add("exposureProgram", s.exposureProgram)
        .Add("iso", s.iso)
        .Add("exifVersion", s.exifVersion)
        .Add("exposureBias", s.exposureBias)
        .Add("maxApertureF", s.maxApertureF)
        .Add("subjectDistance", s.subjectDistance)
        .Add("meteringMode", s.meteringMode)
        .Add("lightSource", s.lightSource)
        .Add("flash", s.flash)
        .Add("focalLength", s.focalLength)
        .Add("pixelX", s.pixelX)
        .Add("pixelY", s.pixelY)
        .Add("whiteBalance", s.whiteBalance)
        .Add("colorSpace", s.colorSpace);
    return o;
}

std::optional<Object> MakerNoteObject(const MakerNote& note) {
    if (const auto* c = std::get_if<CanonMakerNote>(&note)) {
        Object o;
        o.Add("macroMode", c->macroMode)
            .Add("selfTimer", c->selfTimer)
            .Add("flashMode", c->flashMode)
            .Add("driveMode", c->driveMode)
            .Add("focusMode", c->focusMode)
            .Add("imageSize", c->imageSize)
            .Add("easyMode", c->easyMode)
            .Add("meteringMode", c->meteringMode)
            .Add("exposureMode", c->exposureMode)
            .Add("lensType", c->lensType)
            .Add("longFocal", c->longFocal)
            .Add("shortFocal", c->shortFocal)
            .Add("focalUnits", c->focalUnits)
            .Add("flashBits", c->flashBits)
            .Add("whiteBalance", c->whiteBalance)
            .Add("sequenceNumber", c->sequenceNumber)
            .Add("afPoints", c->afPoints)
            .Add("flashCompensation", c->flashCompensation)
            .Add("fileNumber", c->fileNumber)
            .Add("imageType", c->imageType)
            .Add("firmwareVersion", c->firmwareVersion)
            .Add("serialNumber", c->serialNumber)
            .Add("colorTemperature", c->colorTemperature);
        return o;
    }
    if (const auto* n = std::get_if<NikonMakerNote>(&note)) {
        Object o;
        o.Add("isoValue0", n->isoValue0)
            .Add("isoSetting", n->isoSetting)
            .Add("colorMode", n->colorMode)
            .Add("quality", n->quality)
            .Add("whiteBalance", n->whiteBalance)
            .Add("sharpness", n->sharpness)
            .Add("focusMode", n->focusMode)
            .Add("flashSetting", n->flashSetting)
            .Add("isoSelection", n->isoSelection)
            .Add("imageAdjustment", n->imageAdjustment);
        return o;
    }
    if (const auto* f = std::get_if<FujifilmMakerNote>(&note)) {
        Object o;
        o.Add("serialNumber", f->serialNumber);
        return o;
    }
    if (const auto* n = std::get_if<SonyMakerNote>(&note)) {
        Object o;
        o.Add("quality", n->quality)
            .Add("whiteBalance", n->whiteBalance)
            .Add("focusMode", n->focusMode)
            .Add("creativeStyle", n->creativeStyle)
            .Add("lensType", n->lensType)
            .Add("lensModel", n->lensModel);
        return o;
    }
    if (const auto* n = std::get_if<PanasonicMakerNote>(&note)) {
        Object o;
        o.Add("quality", n->quality)
            .Add("whiteBalance", n->whiteBalance)
            .Add("focusMode", n->focusMode)
            .Add("colorTemperature", n->colorTemperature)
            .Add("lensModel", n->lensModel)
            .Add("lensSerialNumber", n->lensSerialNumber);
        return o;
    }
    if (const auto* n = std::get_if<SamsungMakerNote>(&note)) {
        Object o;
        o.Add("firmware", n->firmware)
            .Add("serialNumber", n->serialNumber)
            .Add("lensType", n->lensType)
            .Add("lensFirmware", n->lensFirmware)
            .Add("lensModel", n->lensModel);
        return o;
    }
    return std::nullopt;
}

Object CaptionObject(const CaptionSummary& c) {
    Object o;
    o.Add("shutterSpeed", c.shutterSpeed)
        .Add("fNumber", c.fNumber)
        .Add("exposureBias", c.exposureBias)
        .Add("exposureProgram", c.exposureProgram)
        .Add("focalLength", c.focalLength)
        .Add("iso", c.iso);
    return o;
}

// An embedded JPEG; its pixel size where the file states one.
Object Range(std::uint64_t offset, std::uint64_t length, std::uint32_t width = 0,
             std::uint32_t height = 0) {
    Object o;
    o.AddRaw("offset", Number(offset)).AddRaw("length", Number(length));
    if (width != 0 && height != 0) {
        o.AddRaw("width", Number(std::uint64_t{width}))
            .AddRaw("height", Number(std::uint64_t{height}));
    }
    return o;
}

Object Describe(const std::filesystem::path& path, int kind, const CRawParser& parser,
                const PictureFacts* picture) {
    ImageInfo image;
    ShootingInfo shooting;
    MakerNote note;
    parser.GetImageInfo(image);
    if (picture) {
        image.width = picture->width;
        image.height = picture->height;
    }
    parser.GetShootingInfo(shooting);
    parser.GetMakerNote(note);
    Object o;
    o.AddRaw("path", Quote(path.string()));
    o.AddRaw("kind", std::to_string(kind));
    o.AddChild("imageInfo", ImageInfoObject(image));
    o.AddChild("shootingInfo", ShootingInfoObject(shooting));
    o.AddRaw("makerNoteKind", std::to_string(parser.GetMakerNoteKind()));
    const auto noteObject = MakerNoteObject(note);
    if (noteObject) {
        o.AddChild("makerNote", *noteObject);
    } else {
        o.AddRaw("makerNote", "null");
    }
    o.AddChild("captionSummary", CaptionObject(DeriveCaptionSummary(shooting, note)));
    if (picture) {
        o.AddChild("thumbnail", Range(0, 0));
        o.AddChild("preview", Range(0, 0));
    } else {
        o.AddChild("thumbnail", Range(parser.GetThumbnailPosition(), parser.GetThumbnailLength(),
                                      parser.GetThumbnailWidth(), parser.GetThumbnailHeight()));
        o.AddChild("preview", Range(parser.GetPreviewPosition(), parser.GetPreviewLength(),
                                    parser.GetPreviewWidth(), parser.GetPreviewHeight()));
    }
    o.AddRaw("sidecar", parser.HasSidecarThumbnail() ? Quote(parser.GetSidecarName()) : "null");
    return o;
}

} // namespace

int KindForPath(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const std::pair<const char*, int> kKinds[] = {
        {".jpg", kRawKindJpeg}, {".jpeg", kRawKindJpeg}, {".jpe", kRawKindJpeg},
        {".thm", kRawKindJpeg}, {".cr2", kRawKindCr2},   {".nef", kRawKindNef},
        {".orf", kRawKindOrf},  {".pef", kRawKindPef},   {".mrw", kRawKindMrw},
        {".erf", kRawKindErf},  {".raf", kRawKindRaf},   {".sr2", kRawKindSr2},
        {".crw", kRawKindCrw},  {".tif", kRawKindTiff},  {".tiff", kRawKindTiff},
        {".cr3", kRawKindCr3},  {".arw", kRawKindArw},   {".srf", kRawKindSrf},
        {".dng", kRawKindDng},  {".rw2", kRawKindRw2},   {".rwl", kRawKindRwl},
        {".nrw", kRawKindNrw},  {".srw", kRawKindSrw},   {".3fr", kRawKind3fr},
        {".heic", 263},         {".heif", 263},          {".hif", 263},
        {".avif", 264},         {".png", 265},           {".webp", 266},
        {".jxl", 267},
    };
    for (const auto& [e, kind] : kKinds) {
        if (ext == e) {
            return kind;
        }
    }
    return -1;
}

std::string DescribeJson(const std::filesystem::path& path, int kind, const CRawParser& parser,
                         int indent, const PictureFacts* picture) {
    return Describe(path, kind, parser, picture).Json(indent);
}

std::string DescribeText(const std::filesystem::path& path, int kind, const CRawParser& parser,
                         const PictureFacts* picture) {
    return Describe(path, kind, parser, picture).Text("");
}

} // namespace lumora::inspect
