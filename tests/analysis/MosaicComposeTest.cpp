#include "MosaicPictures.h"
#include "analysis/mosaic/Stitch.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <string>
#include <tiffio.h>

#include <QTemporaryDir>

namespace {

namespace fs = std::filesystem;

fs::path Folder(const QTemporaryDir& dir) {
    return dir.path().toStdString();
}

cv::Mat MatOf(const CDib& picture) {
    cv::Mat out(picture.Height(), picture.Width(), CV_8UC3);
    for (int y = 0; y < picture.Height(); ++y) {
        std::copy_n(picture.Row(picture.StoredRow(y)), picture.Width() * 3, out.ptr(y));
    }
    return out;
}

struct ShadingCase {
    const char* name;
    bool flatField;
};

// Tiles of different exposures with 25 % vignetting: after one overall gain
// the mosaic shows the scene, seams and corners included.
TEST(MosaicCompose, EvensOutExposureAndVignetting) {
    const ShadingCase cases[] = {{"estimated from the overlaps", false}, {"flat field", true}};
    const cv::Size size(360, 270);
    const cv::Mat scene = NaturalScene({760, 580}, 31, 1.0, 0, 0.6);
    std::vector<CTileCut> cuts = SerpentineCuts(2, 2, size, 0.25, 3, 8);
    const double exposures[] = {1.0, 0.8, 1.15, 0.9};
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        cuts[i].exposure = exposures[i];
    }
    for (const ShadingCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        std::vector<fs::path> files;
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            files.push_back(Folder(dir) / ("tile" + std::to_string(i) + ".jpg"));
            WriteTile(CutTile(scene, cuts[i], size, 0.25, 1, 50 + i), files.back());
        }
        CStitchOptions options;
        if (c.flatField) {
            options.flatField = Folder(dir) / "flat.png";
            const cv::Mat empty(size, CV_8UC3, cv::Scalar(200, 200, 200));
            WriteTile(CutTile(empty, {{0, 0}, 1}, size, 0.25, 2, 9), *options.flatField);
        }
        const CStitchResult result = PlanMosaic(files, options);
        ASSERT_TRUE(result.error.empty()) << result.error;
        std::string error;
        const std::optional<CDib> picture = MosaicPicture(result.plan, {}, error);
        ASSERT_TRUE(picture) << error;
        cv::Mat mosaic;
        MatOf(*picture).convertTo(mosaic, CV_32FC3);
        // The scene as the mosaic frames it.
        cv::Point2d offset(0, 0);
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            offset += cuts[i].at - cv::Point2d(result.plan.tiles[i].x, result.plan.tiles[i].y);
        }
        offset /= static_cast<double>(cuts.size());
        const cv::Mat shift = (cv::Mat_<double>(2, 3) << 1, 0, -offset.x, 0, 1, -offset.y);
        cv::Mat expected;
        cv::warpAffine(scene, expected, shift, mosaic.size(), cv::INTER_CUBIC);
        expected.convertTo(expected, CV_32FC3);
        const cv::Rect inner(2, 2, mosaic.cols - 4, mosaic.rows - 4);
        const double gain = mosaic(inner).dot(expected(inner)) / mosaic(inner).dot(mosaic(inner));
        cv::Mat difference;
        cv::absdiff(mosaic(inner) * gain, expected(inner), difference);
        const cv::Scalar mean = cv::mean(difference);
        EXPECT_LE((mean[0] + mean[1] + mean[2]) / 3, 6.0);
    }
}

// A plan laid out by hand: `columns` × `rows` copies of a few pictures side
// by side at whole pixels, so every mosaic pixel is a tile pixel unchanged.
struct CHandPlan {
    CStitchPlan plan;
    std::vector<cv::Mat> pictures;
};

CHandPlan HandPlan(const QTemporaryDir& dir, int columns, int rows, cv::Size size) {
    CHandPlan hand;
    CStitchPlan& plan = hand.plan;
    plan.tileWidth = size.width;
    plan.tileHeight = size.height;
    plan.width = columns * size.width;
    plan.height = rows * size.height;
    plan.scale = CPictureScale{2500, "um", "Objective 10x"};
    for (int i = 0; i < 3; ++i) {
        hand.pictures.push_back(NaturalScene(size, 70 + i));
        WriteTile(hand.pictures.back(), Folder(dir) / ("part" + std::to_string(i) + ".png"));
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int which = (r + c) % 3;
            plan.tiles.push_back({Folder(dir) / ("part" + std::to_string(which) + ".png"),
                                  static_cast<double>(c * size.width),
                                  static_cast<double>(r * size.height), true, 1});
        }
    }
    return hand;
}

long StatusKilobytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stol(line.substr(std::string(key).size()));
        }
    }
    return -1;
}

// Resets the peak resident size so that VmHWM tells the peak from here on.
bool ResetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

// A mosaic several times the memory the composing may take is written as a
// tiled BigTIFF and read back band by band, every pixel where it belongs.
TEST(MosaicCompose, WritesAMosaicLargerThanItsMemoryAsBigTiff) {
    QTemporaryDir dir;
    const cv::Size size(200, 160);
    const CHandPlan hand = HandPlan(dir, 8, 50, size);
    const fs::path output = Folder(dir) / "mosaic.tif";
    const std::size_t mosaicKb =
        static_cast<std::size_t>(hand.plan.width) * hand.plan.height * 3 / 1024;
    const bool measured = ResetPeakMemory();
    const long before = StatusKilobytes("VmRSS:");
    std::string error;
    ASSERT_TRUE(WriteMosaic(hand.plan, output, {}, error)) << error;
    if (measured && before > 0) {
        EXPECT_LT(StatusKilobytes("VmHWM:") - before, static_cast<long>(mosaicKb / 2));
    }
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(output.c_str(), "r"), TIFFClose);
    ASSERT_TRUE(tiff);
    EXPECT_TRUE(TIFFIsBigTIFF(tiff.get()));
    ASSERT_TRUE(TIFFIsTiled(tiff.get()));
    std::uint32_t width = 0, height = 0, tileWidth = 0, tileHeight = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff.get(), TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff.get(), TIFFTAG_TILELENGTH, &tileHeight);
    ASSERT_EQ(width, static_cast<std::uint32_t>(hand.plan.width));
    ASSERT_EQ(height, static_cast<std::uint32_t>(hand.plan.height));
    std::vector<std::uint8_t> tile(TIFFTileSize(tiff.get()));
    int wrong = 0;
    for (std::uint32_t y0 = 0; y0 < height; y0 += tileHeight) {
        for (std::uint32_t x0 = 0; x0 < width; x0 += tileWidth) {
            ASSERT_GE(TIFFReadTile(tiff.get(), tile.data(), x0, y0, 0, 0), 0);
            for (std::uint32_t y = y0; y < std::min(height, y0 + tileHeight); ++y) {
                for (std::uint32_t x = x0; x < std::min(width, x0 + tileWidth); ++x) {
                    const int column = static_cast<int>(x) / size.width;
                    const int row = static_cast<int>(y) / size.height;
                    const cv::Vec3b bgr = hand.pictures[(row + column) % 3].at<cv::Vec3b>(
                        static_cast<int>(y) % size.height, static_cast<int>(x) % size.width);
                    const std::uint8_t* rgb = tile.data() + ((y - y0) * tileWidth + (x - x0)) * 3;
                    wrong += rgb[0] != bgr[2] || rgb[1] != bgr[1] || rgb[2] != bgr[0];
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(MosaicCompose, WritesWholeNewFilesOnlyInAFormatThatHoldsThem) {
    QTemporaryDir dir;
    const CHandPlan hand = HandPlan(dir, 2, 2, {120, 90});
    const fs::path taken = Folder(dir) / "taken.png";
    WriteTile(hand.pictures[0], taken);
    CStitchPlan huge = hand.plan;
    huge.width = 70000;
    const struct {
        const char* name;
        const CStitchPlan& plan;
        fs::path output;
        const char* says; // empty: written
    } cases[] = {
        {"png", hand.plan, Folder(dir) / "out.png", ""},
        {"bmp", hand.plan, Folder(dir) / "out.bmp", ""},
        {"existing file", hand.plan, taken, "exists"},
        {"unknown kind", hand.plan, Folder(dir) / "out.gif", ".tif"},
        {"too wide for JPEG", huge, Folder(dir) / "wide.jpg", "TIFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = fs::exists(c.output) ? fs::file_size(c.output) : 0;
        std::string error;
        const bool written = WriteMosaic(c.plan, c.output, {}, error);
        EXPECT_EQ(written, std::string(c.says).empty()) << error;
        if (!written) {
            EXPECT_NE(error.find(c.says), std::string::npos) << error;
            EXPECT_EQ(fs::exists(c.output) ? fs::file_size(c.output) : 0, before);
            continue;
        }
        CDib back;
        ASSERT_TRUE(back.Load(c.output, ImageType::Unknown)) << back.LastError();
        EXPECT_EQ(back.Width(), c.plan.width);
        EXPECT_EQ(back.Height(), c.plan.height);
    }
    std::string error;
    const std::optional<CDib> picture = MosaicPicture(hand.plan, {}, error);
    ASSERT_TRUE(picture) << error;
    EXPECT_EQ(picture->Scale(), hand.plan.scale);
}

} // namespace
