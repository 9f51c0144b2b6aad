#include "analysis/mosaic/Stitch.h"
#include "core/FileWriting.h"
#include "image/ImagePath.h"
#include "image/TiffBandWriter.h"

#include <algorithm>
#include <cstring>

#include <QByteArray>
#include <QString>

namespace {

// The largest side a baseline JPEG header can state.
constexpr int kJpegMaxSide = 65500;

std::string SizeText(const CStitchPlan& plan) {
    return std::to_string(plan.width) + " × " + std::to_string(plan.height) + " pixels";
}

bool WriteBigTiff(const CStitchPlan& plan, const std::filesystem::path& output,
                  const std::function<bool(int)>& progress, std::string& error) {
    CTiffBandWriter writer;
    if (!writer.Open(output, plan.width, plan.height, plan.scale)) {
        error = "Cannot write " + output.string() + ": " + writer.LastError();
        return false;
    }
    const auto sink = [&](const std::uint8_t* rows, int count, std::size_t stride) {
        if (!writer.WriteRows(rows, count, stride)) {
            error = "Cannot write " + output.string() + ": " + writer.LastError();
            return false;
        }
        return true;
    };
    if (!ComposeMosaic(plan, sink, progress, error)) {
        return false;
    }
    if (!writer.Close()) {
        error = "Cannot write " + output.string() + ": " + writer.LastError();
        return false;
    }
    return true;
}

} // namespace

std::optional<CDib> MosaicPicture(const CStitchPlan& plan, const std::function<bool(int)>& progress,
                                  std::string& error) {
    CDib picture;
    if (plan.width <= 0 || plan.height <= 0 || !picture.Create(plan.width, plan.height, 24)) {
        error =
            "The mosaic of " + SizeText(plan) + " is too large for one picture; save it as TIFF";
        return std::nullopt;
    }
    int y = 0;
    const auto sink = [&](const std::uint8_t* rows, int count, std::size_t stride) {
        for (int r = 0; r < count; ++r, ++y) {
            std::memcpy(picture.Row(picture.StoredRow(y)), rows + r * stride,
                        static_cast<std::size_t>(plan.width) * 3);
        }
        return true;
    };
    if (!ComposeMosaic(plan, sink, progress, error)) {
        return std::nullopt;
    }
    picture.SetScale(plan.scale);
    return picture;
}

bool WriteMosaic(const CStitchPlan& plan, const std::filesystem::path& output,
                 const std::function<bool(int)>& progress, std::string& error) {
    std::error_code code;
    if (std::filesystem::exists(output, code)) {
        error = "The file " + output.string() + " already exists";
        return false;
    }
    const std::optional<ImageType> type = ImageTypeForPath(output);
    if (type == ImageType::Tiff) {
        return WriteBigTiff(plan, output, progress, error);
    }
    if (type != ImageType::Png && type != ImageType::Jpeg && type != ImageType::Bmp) {
        error = "A mosaic is saved as .tif, .png, .jpg or .bmp: " + output.string();
        return false;
    }
    if (type == ImageType::Jpeg && std::max(plan.width, plan.height) > kJpegMaxSide) {
        error = "The mosaic of " + SizeText(plan) + " is too large for JPEG; save it as TIFF";
        return false;
    }
    std::optional<CDib> picture = MosaicPicture(plan, progress, error);
    if (!picture) {
        return false;
    }
    QByteArray bytes;
    if (!EncodeNewPicture(*picture, *type, bytes)) {
        error = "Cannot encode the mosaic: " + picture->LastError();
        return false;
    }
    if (!WriteNewFileWhole(QString::fromStdString(output.string()), bytes)) {
        error = "Cannot write " + output.string();
        return false;
    }
    return true;
}
