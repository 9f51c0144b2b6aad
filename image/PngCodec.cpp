#include "image/PngCodec.h"

#include "image/DecodedSamples.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <png.h>

namespace {

// The keyword of our text chunk with the exact scale and the calibration.
constexpr const char* kScaleKeyword = "Picture scale";

// Ancillary chunks (text, profiles) larger than this are refused.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;

// libpng's own handler ends the process or prints; these keep the first
// message and jump back to the call that started the work. Between the
// setjmp and the jump only plain data and objects owned by the caller live.
struct PngContext {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
    std::vector<std::uint8_t>* out = nullptr;
    char message[256] = "";
};

void OnError(png_structp png, png_const_charp message) {
    auto* context = static_cast<PngContext*>(png_get_error_ptr(png));
    if (context->message[0] == '\0') {
        std::snprintf(context->message, sizeof context->message, "%s", message);
    }
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep out, std::size_t size) {
    auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
    if (size > context->data.size() - context->position) {
        png_error(png, "truncated data");
    }
    std::memcpy(out, context->data.data() + context->position, size);
    context->position += size;
}

void WriteData(png_structp png, png_bytep data, std::size_t size) {
    auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
    context->out->insert(context->out->end(), data, data + size);
}

void Flush(png_structp) {}

std::optional<CPictureScale> ReadScale(png_structp png, png_infop info) {
    png_uint_32 x = 0;
    png_uint_32 y = 0;
    int unit = PNG_RESOLUTION_UNKNOWN;
    if (!png_get_pHYs(png, info, &x, &y, &unit) || unit != PNG_RESOLUTION_METER) {
        return std::nullopt;
    }
    png_textp texts = nullptr;
    const int count = png_get_text(png, info, &texts, nullptr);
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(texts[i].key, kScaleKeyword) != 0 || texts[i].text == nullptr) {
            continue;
        }
        // Ours keeps the exact scale where pHYs rounds it to whole pixels per metre.
        const auto own = ParseScaleRecord(std::string_view(
            texts[i].text, texts[i].itxt_length > 0 ? texts[i].itxt_length : texts[i].text_length));
        if (own && std::llround(own->pixelsPerCentimetre * 100) == x) {
            return own;
        }
    }
    constexpr int kCentimetre = 3;
    return ForeignScale(x / 100.0, kCentimetre, {});
}

bool ReadPng(png_structp png, png_infop info, PngContext& context, CDib& dib,
             CDecodedSamples& samples, std::vector<png_bytep>& rows, const DecodeLimits& limits) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
        CDib::StrideFor(static_cast<int>(width), 24) > limits.maxPixelBytes / height) {
        std::snprintf(context.message, sizeof context.message, "picture too large");
        return false;
    }
    const int type = png_get_color_type(png, info);
    const bool alpha =
        (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool colour = (type & PNG_COLOR_MASK_COLOR) != 0;
    const bool deep = png_get_bit_depth(png, info) == 16;
    png_set_expand(png);
    if (deep && std::endian::native == std::endian::little) {
        png_set_swap(png);
    }
    // Plain 8-bit pictures go straight into the picture's rows.
    const bool direct = !alpha && !deep;
    if (direct && colour) {
        png_set_bgr(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    rows.resize(height);
    if (direct) {
        if (!dib.Allocate(static_cast<int>(width), static_cast<int>(height), colour ? 24 : 8,
                          limits.maxPixelBytes)) {
            std::snprintf(context.message, sizeof context.message, "%s", dib.LastError().c_str());
            return false;
        }
        if (!colour) {
            SetGreyPalette(dib);
        }
        const std::size_t used = static_cast<std::size_t>(width) * (colour ? 3 : 1);
        for (png_uint_32 y = 0; y < height; ++y) {
            rows[y] = dib.Row(dib.StoredRow(static_cast<int>(y)));
            std::memset(rows[y] + used, 0, dib.Stride() - used);
        }
        png_read_image(png, rows.data());
        return true;
    }
    samples.width = static_cast<int>(width);
    samples.height = static_cast<int>(height);
    samples.channels = png_get_channels(png, info);
    samples.bits = png_get_bit_depth(png, info);
    std::string error;
    if (samples.RowBytes() != png_get_rowbytes(png, info) ||
        !samples.Allocate(limits.maxPixelBytes / 3 * 8, error)) {
        std::snprintf(context.message, sizeof context.message, "%s",
                      error.empty() ? "unexpected row size" : error.c_str());
        return false;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = samples.bytes.data() + samples.RowBytes() * y;
    }
    png_read_image(png, rows.data());
    return true;
}

bool WritePng(png_structp png, png_infop info, const CDib& dib, std::vector<png_color>& palette,
              std::string& record) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    const bool grey = dib.IsGrayScale();
    const int type = dib.BitsPerPixel() == 24 ? PNG_COLOR_TYPE_RGB
                     : grey                   ? PNG_COLOR_TYPE_GRAY
                                              : PNG_COLOR_TYPE_PALETTE;
    png_set_IHDR(png, info, static_cast<png_uint_32>(dib.Width()),
                 static_cast<png_uint_32>(dib.Height()), 8, type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        // Every index has an entry: the picture's, or black past its end.
        palette.resize(256);
        for (int i = 0; i < 256; ++i) {
            const RgbQuad c = dib.PaletteColor(static_cast<std::uint8_t>(i));
            palette[i] = png_color{c.red, c.green, c.blue};
        }
        png_set_PLTE(png, info, palette.data(), 256);
    }
    if (dib.Scale()) {
        const long long perMetre = std::llround(dib.Scale()->pixelsPerCentimetre * 100);
        if (perMetre > 0 && perMetre <= INT32_MAX) {
            png_set_pHYs(png, info, static_cast<png_uint_32>(perMetre),
                         static_cast<png_uint_32>(perMetre), PNG_RESOLUTION_METER);
        }
        record = ScaleRecord(*dib.Scale());
        png_text text{};
        text.compression = PNG_ITXT_COMPRESSION_NONE;
        text.key = const_cast<char*>(kScaleKeyword);
        text.text = record.data();
        text.itxt_length = record.size();
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    if (type == PNG_COLOR_TYPE_RGB) {
        png_set_bgr(png);
    }
    for (int y = 0; y < dib.Height(); ++y) {
        png_write_row(png, dib.Row(dib.StoredRow(y)));
    }
    png_write_end(png, info);
    return true;
}

} // namespace

bool LooksLikePng(std::span<const std::uint8_t> data) {
    return data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0;
}

bool DecodePng(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits) {
    if (!LooksLikePng(data)) {
        dib.SetError("Decode: Unknown or wrong format");
        return false;
    }
    PngContext context;
    context.data = data;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        dib.SetError("PNG: out of memory");
        return false;
    }
    png_set_read_fn(png, &context, ReadData);
    CDecodedSamples samples;
    std::vector<png_bytep> rows;
    bool read = ReadPng(png, info, context, dib, samples, rows, limits);
    std::optional<CPictureScale> scale;
    if (read) {
        scale = ReadScale(png, info);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (read && !samples.bytes.empty()) {
        read = SamplesToDib(samples, dib, limits.maxPixelBytes);
        if (!read) {
            return false;
        }
    }
    if (!read) {
        dib.SetError(std::string("PNG: ") +
                     (context.message[0] != '\0' ? context.message : "cannot read the picture"));
        return false;
    }
    dib.SetType(ImageType::Png);
    dib.SetScale(std::move(scale));
    return true;
}

bool EncodePng(const CDib& dib, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!dib.IsValid()) {
        dib.SetError("No picture");
        return false;
    }
    PngContext context;
    context.out = &out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        dib.SetError("PNG: out of memory");
        return false;
    }
    png_set_write_fn(png, &context, WriteData, Flush);
    std::vector<png_color> palette;
    std::string record;
    const bool written = WritePng(png, info, dib, palette, record);
    png_destroy_write_struct(&png, &info);
    if (!written) {
        out.clear();
        dib.SetError(std::string("PNG: ") +
                     (context.message[0] != '\0' ? context.message : "cannot write the picture"));
        return false;
    }
    return true;
}
