#include "image/JpegCodec.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

namespace {

// libjpeg's default error handler ends the process. This one jumps back to
// the call that started the work, carrying the library's message. Only plain
// data lives in the frames between setjmp and the jump.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr) {}

// Progressive files can hold any number of scans; past this many a file is
// treated as hostile rather than decoded for minutes.
constexpr long kMaxScans = 500;

struct ScanGuard {
    jpeg_progress_mgr base;
};

void OnProgress(j_common_ptr info) {
    if (info->is_decompressor) {
        auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
        if (decompress->input_scan_number > kMaxScans) {
            auto* manager = reinterpret_cast<ErrorManager*>(info->err);
            std::snprintf(manager->message, sizeof manager->message, "JPEG: too many scans");
            std::longjmp(manager->jump, 1);
        }
    }
}

void InstallErrorManager(jpeg_common_struct* info, ErrorManager& manager) {
    info->err = jpeg_std_error(&manager.base);
    manager.base.error_exit = OnError;
    manager.base.output_message = OnMessage;
    manager.message[0] = '\0';
}

// Destination that grows a std::vector; the vector's memory is owned by the
// caller, so a jump out of the library leaks nothing.
struct VectorDestination {
    jpeg_destination_mgr base;
    std::vector<std::uint8_t>* out;
};

constexpr std::size_t kChunk = 1 << 16;

void InitDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
    dest->out->resize(kChunk);
    dest->base.next_output_byte = dest->out->data();
    dest->base.free_in_buffer = kChunk;
}

boolean EmptyBuffer(j_compress_ptr info) {
    auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
    const std::size_t used = dest->out->size();
    dest->out->resize(used * 2);
    dest->base.next_output_byte = dest->out->data() + used;
    dest->base.free_in_buffer = dest->out->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
    dest->out->resize(dest->out->size() - dest->base.free_in_buffer);
}

void CmykToBgr(const std::uint8_t* cmyk, std::uint8_t* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, out += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

// Starts decoding `data` within `maxMemory` bytes of the library's own
// buffers and with the scan guard, reads the header and asks for BGR (or
// CMYK, converted by the caller). Errors jump to the caller's setjmp. True
// for a CMYK picture.
bool ReadHeader(jpeg_decompress_struct& info, ScanGuard& guard, std::span<const std::uint8_t> data,
                long maxMemory) {
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = maxMemory;
    guard.base.progress_monitor = OnProgress;
    info.progress = &guard.base;
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    return cmyk;
}

} // namespace

bool LooksLikeJpeg(std::span<const std::uint8_t> data) {
    return data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

bool DecodeJpeg(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits) {
    if (data.empty()) {
        dib.SetError("Decode: Unknown or wrong format");
        return false;
    }
    jpeg_decompress_struct info;
    ErrorManager errors;
    ScanGuard guard;
    std::vector<std::uint8_t> cmykRows;
    InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&info), errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        dib.SetError(errors.message[0] != '\0' ? errors.message : "JPEG: decoding failed");
        return false;
    }
    // Whole-picture coefficient buffers (progressive files) count too.
    const bool cmyk =
        ReadHeader(info, guard, data,
                   static_cast<long>(std::min<std::size_t>(
                       2 * limits.maxPixelBytes + (std::size_t{16} << 20), LONG_MAX)));
    // A header may promise any size; refuse before the library allocates.
    const std::size_t stride = CDib::StrideFor(static_cast<int>(info.image_width), 24);
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > 0x7FFFFFFF ||
        stride > limits.maxPixelBytes / info.image_height) {
        jpeg_destroy_decompress(&info);
        dib.SetError("JPEG: picture too large");
        return false;
    }
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    if (!dib.Allocate(width, height, 24, limits.maxPixelBytes)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    if (cmyk) {
        cmykRows.resize(4 * static_cast<std::size_t>(width));
    }
    const std::size_t padding = dib.Stride() - 3 * static_cast<std::size_t>(width);
    JSAMPROW rows[8];
    while (info.output_scanline < info.output_height) {
        const int first = static_cast<int>(info.output_scanline);
        JDIMENSION wanted = 1;
        if (cmyk) {
            rows[0] = cmykRows.data();
        } else {
            // Picture row y goes to stored row height-1-y.
            wanted = std::min<JDIMENSION>(8, info.output_height - info.output_scanline);
            for (JDIMENSION i = 0; i < wanted; ++i) {
                rows[i] = dib.Row(height - 1 - first - static_cast<int>(i));
            }
        }
        const JDIMENSION read = jpeg_read_scanlines(&info, rows, wanted);
        if (read == 0) {
            break;
        }
        for (JDIMENSION i = 0; i < read; ++i) {
            const int row = height - 1 - first - static_cast<int>(i);
            if (cmyk) {
                CmykToBgr(cmykRows.data(), dib.Row(row), width, info.saw_Adobe_marker);
            }
            std::memset(dib.Row(row) + 3 * static_cast<std::size_t>(width), 0, padding);
        }
    }
    if (info.output_scanline < info.output_height) {
        jpeg_destroy_decompress(&info);
        dib.SetError("JPEG: truncated data");
        return false;
    }
    jpeg_abort_decompress(&info);
    jpeg_destroy_decompress(&info);
    dib.SetType(ImageType::Jpeg);
    return true;
}

bool EncodeJpeg(const CDib& dib, int quality, std::vector<std::uint8_t>& out) {
    if (!dib.IsValid()) {
        dib.SetError("No picture");
        return false;
    }
    constexpr int kMaxJpegSide = 65535;
    if (dib.Width() > kMaxJpegSide || dib.Height() > kMaxJpegSide) {
        dib.SetError("JPEG: pictures are at most 65535 pixels wide and high; save it as TIFF");
        return false;
    }
    const bool gray = dib.IsGrayScale();
    const bool palette = dib.BitsPerPixel() == 8 && !gray;
    std::vector<std::uint8_t> expanded(palette ? 3 * static_cast<std::size_t>(dib.Width()) : 0);
    jpeg_compress_struct info;
    ErrorManager errors;
    VectorDestination destination{};
    InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&info), errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        out.clear();
        dib.SetError(errors.message[0] != '\0' ? errors.message : "JPEG: encoding failed");
        return false;
    }
    jpeg_create_compress(&info);
    destination.base.init_destination = InitDestination;
    destination.base.empty_output_buffer = EmptyBuffer;
    destination.base.term_destination = TermDestination;
    destination.out = &out;
    info.dest = &destination.base;
    info.image_width = static_cast<JDIMENSION>(dib.Width());
    info.image_height = static_cast<JDIMENSION>(dib.Height());
    info.input_components = gray ? 1 : 3;
    info.in_color_space = gray ? JCS_GRAYSCALE : (palette ? JCS_RGB : JCS_EXT_BGR);
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    JSAMPROW rows[8];
    while (info.next_scanline < info.image_height) {
        const int first = dib.Height() - 1 - static_cast<int>(info.next_scanline);
        JDIMENSION count = 1;
        if (palette) {
            const std::uint8_t* in = dib.Row(first);
            for (int x = 0; x < dib.Width(); ++x) {
                const RgbQuad c = dib.PaletteColor(in[x]);
                expanded[3 * x] = c.red;
                expanded[3 * x + 1] = c.green;
                expanded[3 * x + 2] = c.blue;
            }
            rows[0] = expanded.data();
        } else {
            count = std::min<JDIMENSION>(8, info.image_height - info.next_scanline);
            for (JDIMENSION i = 0; i < count; ++i) {
                rows[i] = const_cast<std::uint8_t*>(dib.Row(first - static_cast<int>(i)));
            }
        }
        jpeg_write_scanlines(&info, rows, count);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

bool DecodeJpegScaled(std::span<const std::uint8_t> data, int minLongerSide,
                      const JpegRowSink& sink, std::string& error) {
    if (data.empty()) {
        error = "Decode: Unknown or wrong format";
        return false;
    }
    jpeg_decompress_struct info;
    ErrorManager errors;
    ScanGuard guard;
    std::vector<std::uint8_t> line;
    std::vector<std::uint8_t> bgr;
    InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&info), errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        error = errors.message[0] != '\0' ? errors.message : "JPEG: decoding failed";
        return false;
    }
    const bool cmyk = ReadHeader(info, guard, data, 256L << 20);
    // A preview needs no smooth chroma and no exact inverse transform.
    info.do_fancy_upsampling = FALSE;
    info.dct_method = JDCT_IFAST;
    info.scale_num = 1;
    for (unsigned denom : {8u, 4u, 2u, 1u}) {
        info.scale_denom = denom;
        jpeg_calc_output_dimensions(&info);
        if (static_cast<int>(std::max(info.output_width, info.output_height)) >= minLongerSide) {
            break;
        }
    }
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    bool stopped = !sink.begin(width, height);
    line.resize(static_cast<std::size_t>(width) * (cmyk ? 4 : 3));
    if (cmyk) {
        bgr.resize(static_cast<std::size_t>(width) * 3);
    }
    while (!stopped && info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[1] = {line.data()};
        if (jpeg_read_scanlines(&info, rows, 1) == 0) {
            break;
        }
        const std::uint8_t* pixels = line.data();
        if (cmyk) {
            CmykToBgr(line.data(), bgr.data(), width, info.saw_Adobe_marker);
            pixels = bgr.data();
        }
        stopped = !sink.row(y, pixels);
    }
    const bool complete = info.output_scanline >= info.output_height;
    jpeg_abort_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (stopped) {
        error = "cancelled";
        return false;
    }
    if (!complete) {
        error = "JPEG: truncated data";
        return false;
    }
    return true;
}
