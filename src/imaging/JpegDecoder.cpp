#include "imaging/JpegDecoder.h"

#include "colour/ColourTransform.h"
#include "colour/EmbeddedProfiles.h"
#include "imaging/FileBytes.h"
#include "imaging/PixelMemory.h"
#include "imaging/SafeOpen.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

namespace lumora {

namespace {

// Progressive streams with absurd scan counts only burn time.
constexpr int kMaxScans = 1000;
// Largest whole file read into memory before decoding.
constexpr uint64_t kMaxWholeFileRead = 256ull << 20;
// Working memory libjpeg may take (coefficient buffers of progressive files).
constexpr long kMaxLibraryMemory = 1536L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

extern "C" void errorExit(j_common_ptr cinfo) {
    // Finishing before every row was read is reported as an error; the rows
    // that are missing simply stay as they are.
    if (cinfo->err->msg_code == JERR_TOO_LITTLE_DATA)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

extern "C" void outputMessage(j_common_ptr) {}

extern "C" void progressMonitor(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->is_decompressor && d->input_scan_number > kMaxScans)
        ERREXIT(cinfo, JERR_NOTIMPL);
}

// Everything the C-style decode frame needs lives here, outside that frame,
// so a longjmp out of libjpeg skips no destructor.
struct DecodeJob {
    const JpegOptions* options = nullptr;
    DecodeOutput* out = nullptr;
    int denominator = 1;
    int components = 0; // output components libjpeg delivers
    bool cmykInverted = false;
    std::unique_ptr<uint8_t[]> rowBuffer; // for output that is not BGR
    TransformPtr transform;               // null: the rows stay as decoded
    int rowsConverted = 0;                // picture rows (top-down) already converted
    bool headerRead = false;
    bool cancelled = false;
    bool allocationFailed = false;
};

// The file's own colour description, from the segments saved while the
// header was read: the joined ICC profile and the EXIF marking.
void readColour(j_decompress_ptr cinfo, DecodeJob& job) {
    std::vector<std::span<const uint8_t>> app2;
    bool adobe = false;
    bool exifSeen = false;
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        const std::span<const uint8_t> data(m->data, m->data_length);
        if (m->marker == JPEG_APP0 + 2) {
            app2.push_back(data);
        } else if (m->marker == JPEG_APP0 + 1 && !exifSeen && data.size() >= 6 &&
                   std::memcmp(data.data(), "Exif\0\0", 6) == 0) {
            exifSeen = true; // the first EXIF segment counts
            adobe = ExifSegmentSaysAdobeRgb(data);
        }
    }
    job.out->iccProfile = JoinJpegIccSegments(app2);
    job.out->exifAdobeRgb = adobe;
    // Only three-component pictures are RGB; grey and CMYK stay as they are.
    if (job.options->colourTarget && cinfo->num_components == 3) {
        job.transform =
            TransformFor(ChooseSourceProfile(job.out->iccProfile,
                                             job.out->exifAdobeRgb || job.options->exifAdobeRgb),
                         job.options->colourTarget);
        job.out->inTargetColours = true;
        // A watcher on another thread may convert the rows as it follows
        // them, beside the decode instead of after each band of it.
        const RowWatch* watch = job.options->watch;
        if (job.transform && watch && watch->adoptConversion &&
            watch->adoptConversion(job.transform))
            job.transform = nullptr;
    }
}

// Converts the picture rows decoded since the last call.
void convertDone(DecodeJob& job, int rowsDone) {
    if (!job.transform || rowsDone <= job.rowsConverted)
        return;
    DibImage& image = job.out->image;
    // Picture rows [a, b) are memory rows [height - b, height - a).
    job.transform->Apply(image.memoryRow(image.height() - rowsDone), image.stride(), image.width(),
                         rowsDone - job.rowsConverted, PixelLayout::Bgr8);
    job.rowsConverted = rowsDone;
}

bool choose(j_decompress_ptr cinfo, DecodeJob& job) {
    DecodeOutput& out = *job.out;
    readColour(cinfo, job);
    out.sourceWidth = static_cast<int>(cinfo->image_width);
    out.sourceHeight = static_cast<int>(cinfo->image_height);
    job.headerRead = true;
    if (static_cast<int64_t>(cinfo->image_width) * cinfo->image_height >
        std::min(job.options->maxSourcePixels, kMaxSourcePixels))
        return false;
    if (job.options->onSize)
        job.options->onSize(out.sourceWidth, out.sourceHeight);

    job.denominator =
        ChooseScaleDenominator(job.options->scaleTarget, out.sourceWidth, out.sourceHeight);
    cinfo->scale_num = 1;
    cinfo->scale_denom = static_cast<unsigned>(job.denominator);
    switch (cinfo->num_components) {
    case 1:
    case 3:
        // libjpeg-turbo writes blue-green-red itself, grey expanded to three.
        cinfo->out_color_space = JCS_EXT_BGR;
        job.components = 3;
        break;
    case 4:
        cinfo->out_color_space = JCS_CMYK;
        job.components = 4;
        job.cmykInverted = cinfo->saw_Adobe_marker;
        break;
    default:
        // Other component counts give rows of padding only.
        cinfo->out_color_space = JCS_UNKNOWN;
        job.components = cinfo->num_components;
        break;
    }
    return true;
}

bool allocate(j_decompress_ptr cinfo, DecodeJob& job) {
    const int w = static_cast<int>(cinfo->output_width);
    const int h = static_cast<int>(cinfo->output_height);
    if (w <= 0 || h <= 0 || static_cast<int64_t>(w) * h > kMaxOutputPixels)
        return false;
    const std::size_t stride = static_cast<std::size_t>(dibStride(w));
    // A watcher populates the pages itself, on its own thread, ahead of
    // the rows (unless the output is converted and cleared whole here).
    const RowWatch* watch = job.options->watch;
    const bool watched = watch && watch->onAllocated && job.components == 3;
    std::unique_ptr<uint8_t[]> bits = watch && watch->allocate
                                          ? watch->allocate(stride * h, !watched)
                                          : AllocatePixelBlock(stride * h, !watched);
    if (!bits) {
        job.allocationFailed = true;
        return false;
    }
    // Rows are written whole by libjpeg; only the padding needs clearing.
    const std::size_t used = static_cast<std::size_t>(w) * 3;
    if (used != stride) {
        for (int r = 0; r < h; ++r)
            std::memset(bits.get() + r * stride + used, 0, stride - used);
    }
    if (job.components != 3) {
        std::memset(bits.get(), 0, stride * h);
        job.rowBuffer.reset(new (std::nothrow)
                                uint8_t[static_cast<std::size_t>(w) * job.components]);
        if (!job.rowBuffer) {
            job.allocationFailed = true;
            return false;
        }
    }
    job.out->image.adopt(w, h, std::move(bits));
    if (watch && watch->onAllocated)
        watch->onAllocated(job.out->image);
    return true;
}

void convertRow(const DecodeJob& job, const uint8_t* src, uint8_t* dst, int width) {
    if (job.components != 4)
        return; // unknown layouts stay padding
    for (int x = 0; x < width; ++x, src += 4, dst += 3) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!job.cmykInverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Inverted values: channel = ink' * black' / 255.
        dst[0] = static_cast<uint8_t>((y * k + 127) / 255);
        dst[1] = static_cast<uint8_t>((m * k + 127) / 255);
        dst[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

// The only frame between setjmp and libjpeg: plain locals only.
bool runDecompress(j_decompress_ptr cinfo, ErrorManager* err, DecodeJob* job) {
    if (setjmp(err->jump))
        return false;
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    if (!choose(cinfo, *job))
        return false;
    jpeg_start_decompress(cinfo);
    if (!allocate(cinfo, *job))
        return false;

    DibImage& image = job->out->image;
    const int height = image.height();
    const int width = image.width();
    const bool direct = job->components == 3;
    const RowWatch* watch = job->options->watch;
    const bool tellRows = watch && watch->onRows;
    int rows = 0;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        uint8_t* target = image.memoryRow(height - 1 - y);
        JSAMPROW row = direct ? target : job->rowBuffer.get();
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            break;
        if (!direct)
            convertRow(*job, row, target, width);
        job->out->rowsDone = ++rows;
        if (rows % 8 == 0) {
            convertDone(*job, rows);
            if (tellRows)
                watch->onRows(rows);
        }
        if (rows % 5 == 0 && job->options->cancel.IsStale()) {
            job->cancelled = true;
            break;
        }
    }
    convertDone(*job, rows);
    if (tellRows)
        watch->onRows(rows);
    if (job->cancelled)
        jpeg_abort_decompress(cinfo);
    else
        jpeg_finish_decompress(cinfo);
    return true;
}

DecodeOutput decodeWith(j_decompress_ptr cinfo, ErrorManager& err, const JpegOptions& options,
                        DecodeOutput out) {
    DecodeJob job;
    job.options = &options;
    job.out = &out;
    bool finished = false;
    try {
        finished = runDecompress(cinfo, &err, &job);
        // Rows decoded before an error stopped the decode are converted too.
        if (!out.image.isNull())
            convertDone(job, out.rowsDone);
    } catch (const std::bad_alloc&) {
        finished = false;
    }
    jpeg_destroy_decompress(cinfo);
    if (job.cancelled)
        out.status = DecodeStatus::Cancelled;
    else if (finished)
        out.status = DecodeStatus::Decoded;
    else
        out.status = DecodeStatus::Failed;
    return out;
}

void setUp(jpeg_decompress_struct& cinfo, ErrorManager& err, jpeg_progress_mgr& progress) {
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.output_message = outputMessage;
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    progress.progress_monitor = progressMonitor;
    cinfo.progress = &progress;
}

} // namespace

void CJpegDecoder::PatchStartOfImage(uint8_t* data, std::size_t size, int kind) {
    if (kind == 21 && size >= 2) {
        data[0] = 0xFF;
        data[1] = 0xD8;
    } else if (kind == 22 && size >= 1) {
        data[0] = 0xFF;
    }
}

BlockRead ReadFileBlock(const std::string& path, uint64_t offset, uint64_t length,
                        std::unique_ptr<uint8_t[]>& out) {
    out.reset();
    // A block of the file this thread has just scanned (the embedded
    // thumbnail) is still in the scan's windows: no second open.
    if (length > 0 && length <= CFileBytes::kWindowSize) {
        out.reset(new (std::nothrow) uint8_t[length]);
        if (out &&
            CFileBytes::CopyRecent(path, offset, static_cast<std::size_t>(length), out.get()))
            return BlockRead::Read;
        out.reset();
    }
    uint64_t fileSize = 0;
    const UniqueFd fd = OpenRegularFile(path, &fileSize);
    if (!fd)
        return BlockRead::OpenFailed;
    bool ok = length > 0 && offset <= fileSize && length <= fileSize - offset;
    if (ok) {
        out.reset(new (std::nothrow) uint8_t[length]);
        ok = out != nullptr;
    }
    uint64_t done = 0;
    while (ok && done < length) {
        const ssize_t n =
            ::pread(fd.get(), out.get() + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<uint64_t>(n);
    }
    if (!ok)
        out.reset();
    return ok ? BlockRead::Read : BlockRead::OutOfRange;
}

DecodeOutput CJpegDecoder::DecodeMemory(uint8_t* data, std::size_t size, int kind,
                                        const JpegOptions& options) {
    DecodeOutput out;
    if (!data || size == 0) {
        out.status = DecodeStatus::Failed;
        return out;
    }
    PatchStartOfImage(data, size, kind);
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress{};
    setUp(cinfo, err, progress);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    return decodeWith(&cinfo, err, options, std::move(out));
}

DecodeOutput CJpegDecoder::Decode(const JpegSource& source, const JpegOptions& options) {
    if (source.offset != 0 && source.length != 0) {
        std::unique_ptr<uint8_t[]> block;
        const BlockRead read = ReadFileBlock(source.path, source.offset, source.length, block);
        if (read != BlockRead::Read) {
            DecodeOutput failed;
            // A block that does not lie in the file is a damaged file, not a
            // missing one: the decode ends with an empty result.
            failed.status =
                read == BlockRead::OpenFailed ? DecodeStatus::OpenFailed : DecodeStatus::Failed;
            return failed;
        }
        DecodeOutput out = DecodeMemory(block.get(), source.length, source.kind, options);
        out.bytesRead = source.length;
        return out;
    }
    // The whole file is read in one piece too: decoding from memory keeps
    // libjpeg on its fast entropy path, which a 4 KiB stdio buffer often
    // leaves. Files too big for that fall back to the stdio source.
    uint64_t size = 0;
    UniqueFd fd = OpenRegularFile(source.path, &size);
    if (!fd)
        return DecodeOutput{}; // missing, unreadable or not a regular file
    if (size > 0 && size <= kMaxWholeFileRead) {
        std::unique_ptr<uint8_t[]> data = AllocatePixelBlock(size);
        uint64_t done = 0;
        while (data && done < size) {
            const ssize_t n =
                ::pread(fd.get(), data.get() + done, size - done, static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<uint64_t>(n);
        }
        fd.reset();
        if (!data)
            return DecodeOutput{};
        // A file that shrank while being read is decoded as far as it goes.
        // The start-of-image patches are for embedded blocks only.
        return DecodeMemory(data.get(), done, 0, options);
    }
    std::FILE* file = ::fdopen(fd.get(), "rb");
    if (!file)
        return DecodeOutput{};
    fd.release(); // the stream owns it now
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress{};
    setUp(cinfo, err, progress);
    jpeg_stdio_src(&cinfo, file);
    DecodeOutput out = decodeWith(&cinfo, err, options, DecodeOutput{});
    std::fclose(file);
    return out;
}

} // namespace lumora
