// Rendering actions of lumora-inspect: the thumbnail exactly as the engine
// makes it, and the picture as the preview loader decodes it, written as PNG
// so that the pixels can be compared with other tools.
//   --thumbnail-box WxH   box for the following --render-thumbnail (160x120)
//   --auto-rotate on|off  turn by the EXIF orientation (on)
#include "ToolActions.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageLoader.h"
#include "imaging/ImageTools.h"
#include "imaging/PictureDecoder.h"
#include "imaging/ThumbnailDecoder.h"
#include "metadata/ImageInfo.h"

#include <QImage>
#include <QString>

#include <cstdio>

namespace lumora::inspect {
namespace {

ThumbnailBox& renderBox() {
    static ThumbnailBox params{160, 120, true};
    return params;
}

ImageItem scannedItem(const InspectedFile& file) {
    ImageItem item = ImageItem::FromPath(file.path.string(), static_cast<ImageKind>(file.kind));
    ScanItemInfo(item);
    return item;
}

bool writePng(const DibImage& image, const std::filesystem::path& out, std::string& error) {
    const QImage png = QImageFromDib(image);
    if (png.isNull() || !png.save(QString::fromStdString(out.string()), "PNG")) {
        error = "cannot write " + out.string();
        return false;
    }
    return true;
}

const ActionRegistrar boxAction{FileAction{
    "--thumbnail-box", "WxH", "thumbnail box for the renders that follow (default 160x120)",
    [](const InspectedFile&, const std::string& argument, std::string& error) {
        int w = 0, h = 0;
        if (std::sscanf(argument.c_str(), "%dx%d", &w, &h) != 2 || w < 1 || h < 1 || w > 4096 ||
            h > 4096) {
            error = "expected WxH, e.g. 120x90";
            return false;
        }
        renderBox().longSide = w;
        renderBox().shortSide = h;
        return true;
    },
    false}};

const ActionRegistrar rotateAction{
    FileAction{"--auto-rotate", "on|off", "turn renders by the EXIF orientation (default on)",
               [](const InspectedFile&, const std::string& argument, std::string& error) {
                   if (argument != "on" && argument != "off") {
                       error = "expected on or off";
                       return false;
                   }
                   renderBox().autoRotate = argument == "on";
                   return true;
               },
               false}};

const ActionRegistrar thumbnailAction{FileAction{
    "--render-thumbnail", "OUT.png", "write the thumbnail as the engine makes it",
    [](const InspectedFile& file, const std::string& argument, std::string& error) {
        ImageItem item = scannedItem(file);
        DecodeThumbnail(item, renderBox());
        const auto& t = item.thumb;
        std::printf("thumbnail: %dx%d from %s, source %d,%d %dx%d, pre-image %dx%d\n", t.thumbWidth,
                    t.thumbHeight,
                    !t.thumbReal       ? "the placeholder"
                    : item.useEmbedded ? "the embedded thumbnail"
                                       : "the whole file",
                    t.srcX, t.srcY, t.srcWidth, t.srcHeight, t.preimageWidth(), t.preimageHeight());
        return writePng(t.thumbBits, OutputPathFor(file, argument, ".thumbnail.png"), error);
    },
    false, true}};

const ActionRegistrar previewAction{FileAction{
    "--render-preview", "OUT.png", "write the picture as the preview decodes it, turned upright",
    [](const InspectedFile& file, const std::string& argument, std::string& error) {
        ImageItem item = scannedItem(file);
        DecodeOutput out = DecodeForLoader(item, 0, CancelTest{}, {});
        if (out.image.isNull()) {
            error = "the picture could not be decoded";
            return false;
        }
        if (renderBox().autoRotate) {
            const int turns = AutoRotationTurns(item);
            if (turns == 1)
                CImageTools::RotateRight90(out.image);
            else if (turns == 2)
                CImageTools::RotateHalf(out.image);
            else if (turns == 3)
                CImageTools::RotateLeft90(out.image);
        }
        std::printf("preview: %dx%d (picture %dx%d)%s\n", out.image.width(), out.image.height(),
                    out.sourceWidth, out.sourceHeight,
                    out.status == DecodeStatus::Decoded ? "" : ", damaged");
        return writePng(out.image, OutputPathFor(file, argument, ".preview.png"), error);
    },
    false, true}};

} // namespace
} // namespace lumora::inspect
