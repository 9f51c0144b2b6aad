#include "capture/CaptureConfig.h"

#include "capture/CaptureSession.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

std::uint32_t U32(const CCaptureConfigBlock& b, int at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(CaptureConfig, BlockHoldsTheFormatAtItsLittleEndianPlaces) {
    const CCaptureConfigBlock block = EncodeCaptureConfig({Fourcc::kMJPG, 1920, 1080, {1, 30}});
    EXPECT_EQ(U32(block, 40), 333333u) << "AvgTimePerFrame low word, 100-ns units";
    EXPECT_EQ(U32(block, 44), 0u);
    EXPECT_EQ(U32(block, 48), 40u) << "biSize";
    EXPECT_EQ(U32(block, 52), 1920u);
    EXPECT_EQ(U32(block, 56), 1080u);
    EXPECT_EQ(block[60], 1) << "biPlanes";
    EXPECT_EQ(block[62], 24) << "biBitCount";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[64]), 4), "MJPG");
    EXPECT_EQ(U32(block, 68), 1920u * 1080u * 3u);
    for (int i : {0, 16, 32, 36, 72, 76, 80, 84}) {
        EXPECT_EQ(U32(block, i), 0u) << i;
    }

    const CaptureConfigFields yuyv =
        DecodeCaptureConfig(EncodeCaptureConfig({Fourcc::kYUYV, 642, 480, {1, 5}}));
    EXPECT_EQ(yuyv.compression, Fourcc::kYUYV);
    EXPECT_EQ(yuyv.bitCount, 16);
    EXPECT_EQ(yuyv.sizeImage, 642u * 2u * 480u);
    EXPECT_EQ(yuyv.avgTimePerFrame, 2000000);
    EXPECT_EQ(DecodeCaptureConfig(EncodeCaptureConfig({Fourcc::kBGR24, 5, 2, {1, 30}})).sizeImage,
              16u * 2u)
        << "24-bit rows padded to 4 bytes";
}

TEST(CaptureConfig, SubtypeCodesFollowTheClassificationOrder) {
    EXPECT_EQ(ClassifySubtype(Fourcc::kYUYV), SubtypeCode::kYUY2);
    EXPECT_EQ(ClassifySubtype(Fourcc::kMJPG), SubtypeCode::kMJPG);
    EXPECT_EQ(ClassifySubtype(Fourcc::kXBGR32), SubtypeCode::kRGB32);
    EXPECT_EQ(ClassifySubtype(Fourcc::Make('H', '2', '6', '4')), SubtypeCode::kUnknown);
    EXPECT_EQ(FourccOfSubtype(SubtypeCode::kUnknown), Fourcc::kYUYV);
    EXPECT_EQ(FourccOfSubtype(SubtypeCode::kYUYV), Fourcc::kYUYV);
    EXPECT_EQ(FourccOfSubtype(42), Fourcc::kYUYV);
    for (int code = SubtypeCode::kYVYU; code <= SubtypeCode::kRGB32; ++code) {
        EXPECT_EQ(ClassifySubtype(FourccOfSubtype(code)), code) << code;
    }
}

TEST(CaptureConfig, MatchesOnlyWhatTheCameraOffers) {
    const std::vector<CaptureFormatDesc> offered{
        {Fourcc::kMJPG, "", {{1280, 720, {{1, 30}, {1, 15}, {1, 5}}}}}};
    CaptureConfigFields fields =
        DecodeCaptureConfig(EncodeCaptureConfig({Fourcc::kMJPG, 1280, 720, {1, 14}}));
    ASSERT_TRUE(MatchCaptureConfig(fields, offered));
    EXPECT_EQ(MatchCaptureConfig(fields, offered)->interval, (FrameInterval{1, 15}));
    fields.height = -720; // top-down of the same size
    EXPECT_TRUE(MatchCaptureConfig(fields, offered));
    fields.avgTimePerFrame = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(MatchCaptureConfig(fields, offered)->interval, (FrameInterval{1, 30}))
        << "a hostile frame time picks the nearest rate without overflowing";
    fields.compression = Fourcc::kYUYV;
    EXPECT_FALSE(MatchCaptureConfig(fields, offered));
    fields = DecodeCaptureConfig(CCaptureConfigBlock{});
    EXPECT_FALSE(MatchCaptureConfig(fields, offered));
    fields.width = 1280;
    fields.height = std::numeric_limits<std::int32_t>::min();
    fields.compression = Fourcc::kMJPG;
    EXPECT_FALSE(MatchCaptureConfig(fields, offered));
}

TEST(CaptureConfig, FileIsReadOnlyWhenEightyEightBytesCanBeRead) {
    ScopedProgramFolder folder;
    ResetCaptureState();
    const QString path = folder.filePath("CapConfig.dat");
    EXPECT_EQ(LoadCaptureConfig(), 0) << "missing";

    g_captureSession.captureConfig = EncodeCaptureConfig({Fourcc::kMJPG, 1280, 720, {1, 15}});
    ASSERT_TRUE(SaveCaptureConfig());
    EXPECT_EQ(ReadFile(path).size(), kCaptureConfigBytes);
    const CCaptureConfigBlock saved = g_captureSession.captureConfig;
    g_captureSession.captureConfig = {};
    ASSERT_EQ(LoadCaptureConfig(), 1);
    EXPECT_EQ(g_captureSession.captureConfig, saved);

    for (int size : {0, 1, 87}) {
        WriteFile(path, QByteArray(size, '\x7f'));
        EXPECT_EQ(LoadCaptureConfig(), 0) << size;
        EXPECT_EQ(g_captureSession.captureConfig, saved) << size;
    }
    QByteArray longer(200, '\0');
    longer[52] = 7;
    WriteFile(path, longer);
    ASSERT_EQ(LoadCaptureConfig(), 1);
    EXPECT_EQ(DecodeCaptureConfig(g_captureSession.captureConfig).width, 7);

    QFile::remove(path);
    ASSERT_TRUE(QDir(folder.path()).mkdir("CapConfig.dat"));
    EXPECT_EQ(LoadCaptureConfig(), 0) << "a folder of that name";
    EXPECT_FALSE(SaveCaptureConfig()) << "the folder is not replaced";
    EXPECT_TRUE(QFileInfo(path).isDir());
}

} // namespace
