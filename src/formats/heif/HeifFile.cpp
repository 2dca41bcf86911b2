#include "formats/heif/HeifFile.h"

#include "formats/picture/Bytes.h"

#include <libheif/heif.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace lumora::heif {

namespace {

using picture::Picture;
using picture::Request;

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleFree {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageFree {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleFree>;
using Image = std::unique_ptr<heif_image, ImageFree>;

bool failed(const heif_error& e, Picture& out) {
    if (e.code == heif_error_Ok)
        return false;
    out.error = e.message ? e.message : "libheif error";
    return true;
}

void readExif(const heif_image_handle* handle, Picture& out) {
    heif_item_id ids[4];
    const int n = heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", ids, 4);
    for (int i = 0; i < n && i < 4; ++i) {
        const std::size_t size = heif_image_handle_get_metadata_size(handle, ids[i]);
        if (size < 4 + 8 || size > kMaxMetadataBytes)
            continue;
        std::vector<std::uint8_t> block(size);
        if (heif_image_handle_get_metadata(handle, ids[i], block.data()).code != heif_error_Ok)
            continue;
        // The item starts with the big-endian distance from its fifth byte to
        // the TIFF header.
        const std::uint32_t skip =
            (std::uint32_t(block[0]) << 24) | (block[1] << 16) | (block[2] << 8) | block[3];
        if (skip > size - 4)
            continue;
        out.exif = picture::TiffStreamOf(block.data() + 4 + skip, size - 4 - skip);
        if (out.exif.empty())
            out.exif = picture::TiffStreamOf(block.data() + 4, size - 4); // offset left 0 wrongly
        if (!out.exif.empty())
            return;
    }
}

void readProfile(const heif_image_handle* handle, Picture& out) {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
        return;
    const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
    if (size == 0 || size > kMaxMetadataBytes)
        return;
    out.iccProfile.resize(size);
    if (heif_image_handle_get_raw_color_profile(handle, out.iccProfile.data()).code !=
        heif_error_Ok)
        out.iccProfile.clear();
}

// The stored thumbnail whose longer side is the smallest that still reaches
// the box; null when none does.
Handle thumbnailFor(const heif_image_handle* primary, int box) {
    heif_item_id ids[8];
    const int n = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids, 8);
    Handle best;
    int bestSide = 0;
    for (int i = 0; i < n && i < 8; ++i) {
        heif_image_handle* raw = nullptr;
        if (heif_image_handle_get_thumbnail(primary, ids[i], &raw).code != heif_error_Ok || !raw)
            continue;
        Handle thumb(raw);
        const int w = heif_image_handle_get_width(raw), h = heif_image_handle_get_height(raw);
        const int side = w > h ? w : h;
        if (side >= box && picture::SizeAllowed(w, h) && (!best || side < bestSide)) {
            best = std::move(thumb);
            bestSide = side;
        }
    }
    return best;
}

void decodePixels(const heif_image_handle* handle, Picture& out) {
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) {
        out.error = "out of memory";
        return;
    }
    options->convert_hdr_to_8bit = 1; // 10 and 12 bits scaled to the 8-bit range
    heif_image* raw = nullptr;
    if (failed(heif_decode_image(handle, &raw, heif_colorspace_RGB,
                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                 options.get()),
               out))
        return;
    Image image(raw);
    const int w = heif_image_get_width(raw, heif_channel_interleaved);
    const int h = heif_image_get_height(raw, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(raw, heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    if (!plane || !picture::SizeAllowed(w, h) || stride < w * channels) {
        out.error = "decoded picture has no usable pixels";
        return;
    }
    out.pixels.resize(static_cast<std::size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        std::memcpy(out.pixels.data() + static_cast<std::size_t>(y) * w * channels,
                    plane + static_cast<std::size_t>(y) * stride,
                    static_cast<std::size_t>(w) * channels);
    out.width = w;
    out.height = h;
    out.channels = channels;
}

Picture readContext(heif_context* ctx, const Request& request) {
    Picture out;
    heif_image_handle* raw = nullptr;
    if (failed(heif_context_get_primary_image_handle(ctx, &raw), out))
        return out;
    Handle primary(raw);
    out.sourceWidth = heif_image_handle_get_width(raw);
    out.sourceHeight = heif_image_handle_get_height(raw);
    out.bitDepth = heif_image_handle_get_luma_bits_per_pixel(raw);
    out.oriented = true;
    const std::int64_t limit = request.maxPixels > 0 ? request.maxPixels : picture::kMaxPixels;
    if (!picture::SizeAllowed(out.sourceWidth, out.sourceHeight, limit)) {
        out.error = "picture size refused";
        return out;
    }
    readExif(raw, out);
    readProfile(raw, out);
    if (!request.pixels)
        return out;
    if (request.boxLongSide > 0) {
        if (Handle thumb = thumbnailFor(raw, request.boxLongSide)) {
            decodePixels(thumb.get(), out);
            if (out.error.empty()) {
                out.fromThumbnail = true;
                return out;
            }
            // A broken thumbnail leaves the primary image.
            out.error.clear();
            out.pixels.clear();
            out.width = out.height = out.channels = 0;
        }
    }
    decodePixels(raw, out);
    return out;
}

// libheif reads the file through our own open (which refuses what is not a
// regular file) and only the parts it needs.
struct FileReader {
    std::FILE* file = nullptr;
    std::int64_t size = 0;

    static std::int64_t position(void* self) {
        return std::ftell(static_cast<FileReader*>(self)->file);
    }
    static int read(void* data, std::size_t size, void* self) {
        return std::fread(data, 1, size, static_cast<FileReader*>(self)->file) == size ? 0 : 1;
    }
    static int seek(std::int64_t pos, void* self) {
        return std::fseek(static_cast<FileReader*>(self)->file, static_cast<long>(pos), SEEK_SET);
    }
    static heif_reader_grow_status waitForSize(std::int64_t target, void* self) {
        return target <= static_cast<FileReader*>(self)->size
                   ? heif_reader_grow_status_size_reached
                   : heif_reader_grow_status_size_beyond_eof;
    }
};

constexpr heif_reader kFileReader{1, &FileReader::position, &FileReader::read, &FileReader::seek,
                                  &FileReader::waitForSize};

Context newContext() {
    Context ctx(heif_context_alloc());
    if (ctx) {
        // Pictures are refused by their own size before decoding; this bounds
        // what libheif itself allocates while reading the boxes.
        heif_context_set_maximum_image_size_limit(ctx.get(), picture::kMaxSide);
    }
    return ctx;
}

} // namespace

Picture Read(const std::string& path, const Request& request) {
    Picture out;
    try {
        Context ctx = newContext();
        if (!ctx) {
            out.error = "out of memory";
            return out;
        }
        picture::File file = picture::OpenRegularFile(path);
        if (!file) {
            out.error = "cannot open file";
            return out;
        }
        FileReader reader{file.get(), static_cast<std::int64_t>(picture::Bytes(file.get()).size())};
        std::rewind(file.get());
        if (failed(heif_context_read_from_reader(ctx.get(), &kFileReader, &reader, nullptr), out))
            return out;
        return readContext(ctx.get(), request);
    } catch (const std::bad_alloc&) {
        out = Picture{};
        out.error = "out of memory";
    } catch (...) {
        out = Picture{};
        out.error = "libheif failed";
    }
    return out;
}

Picture ReadMemory(const std::uint8_t* data, std::size_t size, const Request& request) {
    Picture out;
    try {
        Context ctx = newContext();
        if (!ctx) {
            out.error = "out of memory";
            return out;
        }
        if (failed(heif_context_read_from_memory_without_copy(ctx.get(), data, size, nullptr), out))
            return out;
        return readContext(ctx.get(), request);
    } catch (const std::bad_alloc&) {
        out = Picture{};
        out.error = "out of memory";
    } catch (...) {
        out = Picture{};
        out.error = "libheif failed";
    }
    return out;
}

} // namespace lumora::heif
