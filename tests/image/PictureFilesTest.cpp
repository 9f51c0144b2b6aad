#include "image/BmpCodec.h"
#include "image/JpegCodec.h"
#include "tests/image/ImageTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

// Third-party pictures: the good ones decode to the same colours as their
// siblings in other encodings, the bad ones are refused, nothing crashes.

namespace {

CDib LoadSuite(const std::string& name) {
    CDib dib;
    EXPECT_TRUE(dib.Load(TestDataPath("bmpsuite/" + name), ImageType::Bmp))
        << name << ": " << dib.LastError();
    return dib;
}

std::vector<std::string> FilesUnder(const std::string& folder, const std::string& extension) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TestDataPath(folder))) {
        if (entry.is_regular_file() && entry.path().extension() == extension) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(PictureFiles, GoodBitmapsOfOnePictureDecodeAlike) {
    const std::vector<std::vector<std::string>> groups = {
        {"g/rgb24.bmp", "g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp",
         "q/rgb32fakealpha.bmp", "q/rgb24largepal.bmp", "q/rgb32h52.bmp"},
        {"g/pal8.bmp", "g/pal8-0.bmp", "g/pal8os2.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp",
         "g/pal8v5.bmp", "g/pal8rle.bmp", "q/pal8offs.bmp", "q/pal8os2v2.bmp", "q/pal8os2v2-16.bmp",
         "q/pal8oversizepal.bmp"},
        {"g/pal4.bmp", "g/pal4rle.bmp"},
        {"g/rgb16.bmp", "g/rgb16bfdef.bmp"},
        {"g/rgb16-565.bmp", "g/rgb16-565pal.bmp"},
    };
    for (const auto& group : groups) {
        const CDib first = LoadSuite(group[0]);
        EXPECT_EQ(first.Width(), 127);
        EXPECT_EQ(first.Height(), 64);
        for (const std::string& name : group) {
            EXPECT_TRUE(SameColors(LoadSuite(name), first)) << name << " vs " << group[0];
        }
    }
    // The odd widths need their own padding.
    for (const char* name : {"g/pal8w124.bmp", "g/pal8w125.bmp", "g/pal8w126.bmp"}) {
        const CDib dib = LoadSuite(name);
        EXPECT_EQ(dib.Width(), 124 + (name[9] - '4')) << name;
    }
    // 1-bit: two colours, top-left corner of the suite picture.
    const CDib pal1 = LoadSuite("g/pal1.bmp");
    std::set<int> levels;
    for (int x = 0; x < pal1.Width(); ++x) {
        levels.insert(PixelAt(pal1, x, 10).red);
    }
    EXPECT_EQ(levels, (std::set<int>{0, 255}));
    // 24-bit pictures from another source, odd width included.
    CDib bird;
    ASSERT_TRUE(
        bird.Load(TestDataPath("libjpeg-turbo-testimages/vgl_6434_0018a.bmp"), ImageType::Unknown));
    EXPECT_EQ(bird.Width(), 119);
    EXPECT_EQ(bird.Height(), 96);
}

TEST(PictureFiles, BadBitmapsAreRefusedWithoutHarm) {
    for (const char* name :
         {"badbitcount", "badheadersize", "badrle", "badrle4", "badrle4bis", "badrle4ter",
          "badrlebis", "badrleter", "badwidth", "reallybig", "rletopdown", "shortfile"}) {
        CDib dib;
        EXPECT_FALSE(
            dib.Load(TestDataPath(std::string("bmpsuite/b/") + name + ".bmp"), ImageType::Bmp))
            << name;
        EXPECT_FALSE(dib.LastError().empty()) << name;
    }
    CDib dib;
    EXPECT_FALSE(dib.Load(TestDataPath("bmpheaderviewer-extras/b/nopalette.bmp"), ImageType::Bmp));
    // Every other file, fuzzed ones included: any outcome but a crash.
    int decoded = 0;
    for (const char* folder : {"bmpsuite", "bmpheaderviewer-extras", "afl-testcases/bmp"}) {
        for (const std::string& path : FilesUnder(folder, ".bmp")) {
            CDib any;
            if (any.Load(path, ImageType::Bmp)) {
                ++decoded;
                EXPECT_GT(any.Width(), 0) << path;
            } else {
                EXPECT_FALSE(any.LastError().empty()) << path;
            }
        }
    }
    EXPECT_GT(decoded, 100);
}

TEST(PictureFiles, JpegReferencePicturesAndBrokenOnes) {
    for (const char* name : {"testorig.jpg", "testimgint.jpg", "testimgari.jpg"}) {
        CDib dib;
        ASSERT_TRUE(dib.Load(TestDataPath(std::string("libjpeg-turbo-testimages/") + name),
                             ImageType::Jpeg))
            << name << ": " << dib.LastError();
        EXPECT_EQ(dib.Width(), 227);
        EXPECT_EQ(dib.Height(), 149);
    }
    CDib twelveBit;
    EXPECT_FALSE(
        twelveBit.Load(TestDataPath("libjpeg-turbo-testimages/monkey12.jpg"), ImageType::Jpeg));
    EXPECT_FALSE(twelveBit.LastError().empty());
    for (const char* name :
         {"empty.jpg", "max_size.jpg", "missing-sof.jpg", "missing-frame-image-1410.jpg",
          "null_height.jpg", "invalid-dimensions.jpg"}) {
        CDib dib;
        EXPECT_FALSE(
            dib.Load(TestDataPath(std::string("jpeg-decoder-crashtest/") + name), ImageType::Jpeg))
            << name;
        EXPECT_FALSE(dib.LastError().empty()) << name;
    }
    for (const char* folder :
         {"jpeg-decoder-crashtest", "afl-testcases/jpeg", "afl-testcases/jpeg_turbo"}) {
        for (const std::string& path : FilesUnder(folder, ".jpg")) {
            CDib any;
            if (!any.Load(path, ImageType::Jpeg)) {
                EXPECT_FALSE(any.LastError().empty()) << path;
            }
        }
    }
}
