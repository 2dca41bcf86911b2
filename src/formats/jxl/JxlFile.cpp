#include "formats/jxl/JxlFile.h"

#include "formats/picture/Bytes.h"

#include <jxl/decode.h>

#include <cstring>
#include <memory>
#include <new>

namespace lumora::jxl {

namespace {

using picture::Picture;
using picture::Request;

struct DecoderFree {
    void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};

// Collects one box's bytes, growing the buffer as libjxl asks.
struct BoxCollector {
    std::vector<std::uint8_t> buffer;
    bool active = false;
    bool tooLarge = false;

    bool start(JxlDecoder* dec) {
        buffer.assign(65536, 0);
        active = JxlDecoderSetBoxBuffer(dec, buffer.data(), buffer.size()) == JXL_DEC_SUCCESS;
        tooLarge = false;
        return active;
    }
    bool grow(JxlDecoder* dec) {
        const std::size_t left = JxlDecoderReleaseBoxBuffer(dec);
        const std::size_t used = buffer.size() - left;
        if (buffer.size() * 2 > kMaxMetadataBytes) {
            tooLarge = true;
            active = false;
            return false;
        }
        buffer.resize(buffer.size() * 2);
        return JxlDecoderSetBoxBuffer(dec, buffer.data() + used, buffer.size() - used) ==
               JXL_DEC_SUCCESS;
    }
    // The bytes collected; the collector is idle afterwards.
    std::vector<std::uint8_t> finish(JxlDecoder* dec) {
        if (!active)
            return {};
        const std::size_t left = JxlDecoderReleaseBoxBuffer(dec);
        active = false;
        if (tooLarge || left > buffer.size())
            return {};
        buffer.resize(buffer.size() - left);
        return std::move(buffer);
    }
};

void takeExif(const std::vector<std::uint8_t>& box, Picture& out) {
    if (box.size() < 4 + 8 || !out.exif.empty())
        return;
    const std::uint32_t skip =
        (std::uint32_t(box[0]) << 24) | (box[1] << 16) | (box[2] << 8) | box[3];
    if (skip <= box.size() - 4)
        out.exif = picture::TiffStreamOf(box.data() + 4 + skip, box.size() - 4 - skip);
}

void readProfile(JxlDecoder* dec, Picture& out) {
    std::size_t size = 0;
    if (JxlDecoderGetICCProfileSize(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
            JXL_DEC_SUCCESS ||
        size == 0 || size > kMaxMetadataBytes)
        return;
    out.iccProfile.resize(size);
    if (JxlDecoderGetColorAsICCProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       out.iccProfile.data(), size) != JXL_DEC_SUCCESS)
        out.iccProfile.clear();
}

Picture decode(const std::uint8_t* data, std::size_t size, const Request& request) {
    Picture out;
    const JxlSignature signature = JxlSignatureCheck(data, size);
    if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER) {
        out.error = "not a JPEG XL file";
        return out;
    }
    std::unique_ptr<JxlDecoder, DecoderFree> owner(JxlDecoderCreate(nullptr));
    JxlDecoder* dec = owner.get();
    if (!dec) {
        out.error = "out of memory";
        return out;
    }
    int events = JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_BOX;
    if (request.pixels)
        events |= JXL_DEC_FULL_IMAGE;
    if (JxlDecoderSubscribeEvents(dec, events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetDecompressBoxes(dec, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec, data, size) != JXL_DEC_SUCCESS) {
        out.error = "libjxl setup failed";
        return out;
    }
    JxlDecoderCloseInput(dec);
    const std::int64_t limit = request.maxPixels > 0 ? request.maxPixels : picture::kMaxPixels;
    JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    BoxCollector box;
    bool exifBox = false;
    bool imageDone = false;
    for (int n = 0; n < kMaxEvents; ++n) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec);
        if (status == JXL_DEC_ERROR || status == JXL_DEC_NEED_MORE_INPUT) {
            if (exifBox)
                takeExif(box.finish(dec), out);
            // What came before a damaged or cut end is kept: the size and
            // the boxes, and the pixels when they were complete.
            if (!imageDone && request.pixels) {
                out.pixels.clear();
                out.width = out.height = out.channels = 0;
                out.error = status == JXL_DEC_ERROR ? "JPEG XL decode failed" : "file ends early";
            }
            if (out.sourceWidth == 0)
                out.error = "JPEG XL decode failed";
            return out;
        }
        if (status == JXL_DEC_SUCCESS)
            break;
        if (status == JXL_DEC_BASIC_INFO) {
            JxlBasicInfo info;
            if (JxlDecoderGetBasicInfo(dec, &info) != JXL_DEC_SUCCESS) {
                out.error = "JPEG XL header unreadable";
                return out;
            }
            const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
            out.sourceWidth = static_cast<int>(turned ? info.ysize : info.xsize);
            out.sourceHeight = static_cast<int>(turned ? info.xsize : info.ysize);
            out.bitDepth = static_cast<int>(info.bits_per_sample);
            out.oriented = true;
            if (!picture::SizeAllowed(info.xsize, info.ysize, limit)) {
                out.error = "picture size refused";
                return out;
            }
            format.num_channels = info.alpha_bits > 0 ? 4 : 3;
        } else if (status == JXL_DEC_COLOR_ENCODING) {
            readProfile(dec, out);
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            std::size_t bytes = 0;
            if (JxlDecoderImageOutBufferSize(dec, &format, &bytes) != JXL_DEC_SUCCESS ||
                bytes != static_cast<std::size_t>(out.sourceWidth) * out.sourceHeight *
                             format.num_channels) {
                out.error = "unexpected JPEG XL output size";
                return out;
            }
            out.pixels.resize(bytes);
            if (JxlDecoderSetImageOutBuffer(dec, &format, out.pixels.data(), bytes) !=
                JXL_DEC_SUCCESS) {
                out.error = "libjxl refused the output";
                return out;
            }
        } else if (status == JXL_DEC_FULL_IMAGE) {
            // The first frame (or the composite of an animation's first frame).
            out.width = out.sourceWidth;
            out.height = out.sourceHeight;
            out.channels = static_cast<int>(format.num_channels);
            imageDone = true;
            if (!out.exif.empty())
                break; // the Exif box came before the codestream: nothing is left to read
        } else if (status == JXL_DEC_BOX) {
            if (exifBox)
                takeExif(box.finish(dec), out);
            JxlBoxType type;
            exifBox = JxlDecoderGetBoxType(dec, type, JXL_TRUE) == JXL_DEC_SUCCESS &&
                      std::memcmp(type, "Exif", 4) == 0 && out.exif.empty() && box.start(dec);
        } else if (status == JXL_DEC_BOX_NEED_MORE_OUTPUT) {
            if (!exifBox || !box.grow(dec))
                exifBox = false;
        }
    }
    if (exifBox)
        takeExif(box.finish(dec), out);
    if (request.pixels && !imageDone) {
        out.pixels.clear();
        out.width = out.height = out.channels = 0;
        out.error = "JPEG XL picture incomplete";
    }
    return out;
}

} // namespace

Picture Read(const std::string& path, const Request& request) {
    Picture out;
    try {
        picture::File file = picture::OpenRegularFile(path);
        std::vector<std::uint8_t> bytes;
        if (!file || !picture::Bytes(file.get()).readAll(bytes, picture::kMaxFileBytes)) {
            out.error = "cannot read file";
            return out;
        }
        return decode(bytes.data(), bytes.size(), request);
    } catch (const std::bad_alloc&) {
        out = Picture{};
        out.error = "out of memory";
    }
    return out;
}

Picture ReadMemory(const std::uint8_t* data, std::size_t size, const Request& request) {
    try {
        return decode(data, size, request);
    } catch (const std::bad_alloc&) {
        Picture out;
        out.error = "out of memory";
        return out;
    }
}

} // namespace lumora::jxl
