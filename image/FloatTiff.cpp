#include "image/FloatTiff.h"

#include "core/FileWriting.h"
#include "image/TiffIo.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <QFile>

bool WriteFloatTiff(const std::filesystem::path& path, int width, int height,
                    const float* topDownRows, const std::optional<CPictureScale>& scale,
                    std::string& error) {
    if (width <= 0 || height <= 0 || topDownRows == nullptr) {
        error = "No height map";
        return false;
    }
    std::vector<std::uint8_t> out;
    CTiffErrors errors;
    CTiffMemory memory{{}, &out};
    {
        const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(float);
        const bool big = rowBytes * static_cast<std::size_t>(height) > (std::size_t{3} << 30);
        const TiffHandle tiff = OpenTiffMemory(memory, big ? "w8" : "w", errors, 0);
        if (!tiff) {
            error = errors.Text("cannot write the file");
            return false;
        }
        TIFF* t = tiff.get();
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 32);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        // The floating-point predictor lets Deflate find the smooth surface.
        TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP,
                     static_cast<std::uint32_t>(std::max<std::size_t>(1, (256 << 10) / rowBytes)));
        if (scale) {
            WriteTiffScale(t, *scale);
        }
        // libtiff's predictor works in place, so each row goes through a copy.
        std::vector<float> row(static_cast<std::size_t>(width));
        for (int y = 0; y < height; ++y) {
            std::copy_n(topDownRows + static_cast<std::size_t>(y) * width, width, row.begin());
            if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
                break;
            }
        }
    }
    if (!errors.first.empty()) {
        error = errors.Text("cannot write the file");
        return false;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(out.data()),
                           static_cast<qsizetype>(out.size()));
    if (!WriteFileWhole(QFile::decodeName(path.c_str()), bytes)) {
        error = "Cannot write " + path.string();
        return false;
    }
    return true;
}
