#include "image/Adjustments.h"
#include "image/HotLoops.h"
#include "tests/image/ImageTestSupport.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// The blur written plainly: rows of the whole picture into a copy, columns
// of that into a second copy, then the unselected pixels put back. Inside a
// line the two side samples share their weight; at its ends the sum of the
// samples inside is divided by their weights' total.
CDib PlainSmooth(const CDib& source) {
    const std::array<float, 3> w = SmoothWeights();
    auto blurLine = [&](std::vector<int>& line) {
        std::vector<int> out(line.size());
        const int n = static_cast<int>(line.size());
        for (int i = 0; i < n; ++i) {
            if (i > 0 && i + 1 < n) {
                const float sum = w[0] * static_cast<float>(line[i - 1] + line[i + 1]) +
                                  w[1] * static_cast<float>(line[i]);
                out[i] = static_cast<int>(sum + 0.5f);
                continue;
            }
            float sum = 0.0f;
            float scale = 0.0f;
            for (int j = -1; j <= 1; ++j) {
                if (i + j >= 0 && i + j < n) {
                    sum += w[j + 1] * static_cast<float>(line[i + j]);
                    scale += w[j + 1];
                }
            }
            out[i] = static_cast<int>(sum / scale + 0.5f);
        }
        line = out;
    };
    CDib rows(source);
    for (int row = 0; row < source.Height(); ++row) {
        for (int c = 0; c < 3; ++c) {
            std::vector<int> line(source.Width());
            for (int x = 0; x < source.Width(); ++x) {
                line[x] = rows.Row(row)[3 * x + c];
            }
            blurLine(line);
            for (int x = 0; x < source.Width(); ++x) {
                rows.Row(row)[3 * x + c] = static_cast<std::uint8_t>(line[x]);
            }
        }
    }
    CDib out(source);
    for (int x = 0; x < source.Width(); ++x) {
        for (int c = 0; c < 3; ++c) {
            std::vector<int> line(source.Height());
            for (int row = 0; row < source.Height(); ++row) {
                line[row] = rows.Row(row)[3 * x + c];
            }
            blurLine(line);
            for (int row = 0; row < source.Height(); ++row) {
                if (source.IsSelected(x, row)) {
                    out.Row(row)[3 * x + c] = static_cast<std::uint8_t>(line[row]);
                }
            }
        }
    }
    return out;
}

bool SamePixels(const CDib& a, const CDib& b) {
    return a.ImageSize() == b.ImageSize() && std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0;
}

TEST(PointSpans, GreyLevelsAreExactForEveryColour) {
    // Every colour once: one span per red level, each ending its buffer so
    // that a read past the span would leave it.
    std::vector<std::uint8_t> bgr(3 * 65536);
    std::vector<std::uint8_t> grey(65536);
    for (int red = 0; red < 256; ++red) {
        for (int i = 0; i < 65536; ++i) {
            bgr[3 * i] = static_cast<std::uint8_t>(i & 0xFF);
            bgr[3 * i + 1] = static_cast<std::uint8_t>(i >> 8);
            bgr[3 * i + 2] = static_cast<std::uint8_t>(red);
        }
        GreySpan(bgr.data(), grey.size(), grey.data());
        for (int i = 0; i < 65536; ++i) {
            ASSERT_EQ(grey[i], (11 * (i & 0xFF) + 59 * (i >> 8) + 30 * red) / 100)
                << "blue " << (i & 0xFF) << " green " << (i >> 8) << " red " << red;
        }
    }
    // Short spans and their tails.
    for (std::size_t count = 0; count <= 20; ++count) {
        std::vector<std::uint8_t> pixels(3 * count);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<std::uint8_t>(41 * i + 3);
        }
        std::vector<std::uint8_t> levels(count + 1, 0xAB);
        GreySpan(pixels.data(), count, levels.data());
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(levels[i],
                      (11 * pixels[3 * i] + 59 * pixels[3 * i + 1] + 30 * pixels[3 * i + 2]) / 100);
        }
        EXPECT_EQ(levels[count], 0xAB) << "nothing written past the span";
    }
}

} // namespace

TEST(Smooth, KernelWeightsAndTheirExactIntegerForm) {
    const std::array<float, 3> w = SmoothWeights();
    EXPECT_NEAR(w[0], 0.33142f, 1e-5f);
    EXPECT_NEAR(w[1], 0.33716f, 1e-5f);
    EXPECT_EQ(w[0], w[2]);
    // The row loops compute in integers; every input gives the float result.
    int mismatches = 0;
    for (int outer = 0; outer <= 510; ++outer) {
        for (int at = 0; at <= 255; ++at) {
            const float sum = w[0] * static_cast<float>(outer) + w[1] * static_cast<float>(at);
            const int expected = static_cast<int>(sum + 0.5f);
            mismatches += SmoothSample(outer / 2, at, outer - outer / 2) != expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Smooth, SpansGiveTheExactSampleAtEveryLength) {
    std::uint32_t seed = 5;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(seed >> 24);
    };
    for (const std::size_t count : {0, 1, 15, 16, 17, 31, 33, 100, 4096}) {
        std::vector<std::uint8_t> before(count), at(count), after(count);
        for (std::size_t i = 0; i < count; ++i) {
            // Extremes as well as noise.
            before[i] = i % 7 == 0 ? 255 : next();
            at[i] = i % 5 == 0 ? 255 : next();
            after[i] = i % 3 == 0 ? 0 : next();
        }
        std::vector<std::uint8_t> out(count + 1, 0xAB);
        SmoothSpan(before.data(), at.data(), after.data(), count, out.data());
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(out[i], SmoothSample(before[i], at[i], after[i])) << count << ": " << i;
        }
        EXPECT_EQ(out[count], 0xAB) << "nothing written past the span";
    }
}

TEST(Smooth, MatchesTheTwoPassBlurAndKeepsUnselectedPixels) {
    const CDib noise = NoisePicture(21, 13, 9);
    CDib whole(noise);
    ASSERT_TRUE(Smooth(whole));
    EXPECT_TRUE(SamePixels(whole, PlainSmooth(noise)));

    for (const PictureRect& rect :
         {PictureRect{0, 0, 4, 3}, PictureRect{5, 4, 15, 9}, PictureRect{18, 10, 30, 30}}) {
        CDib part(noise);
        SelectPictureRect(part, rect);
        const CDib expected = PlainSmooth(part);
        ASSERT_TRUE(Smooth(part));
        EXPECT_TRUE(SamePixels(part, expected)) << rect.x1;
    }
    // A flat picture stays flat, edges included; a one-pixel picture too.
    CDib flat = FlatPicture(5, 4, Rgb{77, 0, 255});
    ASSERT_TRUE(Smooth(flat));
    EXPECT_TRUE(SamePixels(flat, FlatPicture(5, 4, Rgb{77, 0, 255})));
    CDib dot = FlatPicture(1, 1, Rgb{3, 4, 5});
    ASSERT_TRUE(Smooth(dot));
    EXPECT_EQ(PixelAt(dot, 0, 0), (Rgb{3, 4, 5}));
}

TEST(EdgeDetection, BlackDiscOnWhiteGetsAOnePixelRedRing) {
    const int size = 41;
    auto inside = [](int x, int y) {
        return (x - 20) * (x - 20) + (y - 20) * (y - 20) <= 100;
    };
    const CDib original = MakePicture(size, size, [&](int x, int y) {
        return inside(x, y) ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    });
    CDib dib(original);
    ASSERT_TRUE(DetectEdges(dib));
    int red = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            bool rim = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    rim = rim || !inside(x + dx, y + dy);
                }
            }
            const Rgb expected = inside(x, y) && rim ? Rgb{255, 0, 0} : PixelAt(original, x, y);
            EXPECT_EQ(PixelAt(dib, x, y), expected) << x << "," << y;
            red += inside(x, y) && rim;
        }
    }
    EXPECT_GT(red, 40);
}

TEST(EdgeDetection, OnlySelectedPixelsAndNeverTheBoxBorder) {
    // Dark left half: the boundary column is x = 9 (dark, next to bright).
    const CDib original = MakePicture(20, 10, [](int x, int) {
        return x < 10 ? Rgb{20, 20, 20} : Rgb{230, 230, 230};
    });
    CDib dib(original);
    SelectPictureRect(dib, PictureRect{5, 2, 14, 7});
    ASSERT_TRUE(DetectEdges(dib));
    for (int y = 0; y < 10; ++y) {
        const bool painted = y > 2 && y < 7;
        const Rgb expected = painted ? Rgb{255, 0, 0} : PixelAt(original, 9, y);
        EXPECT_EQ(PixelAt(dib, 9, y), expected) << y;
        EXPECT_EQ(PixelAt(dib, 8, y), PixelAt(original, 8, y));
    }
    // A dark area touching the box's border has no ring there.
    CDib allDark = FlatPicture(6, 6, Rgb{});
    ASSERT_TRUE(DetectEdges(allDark));
    EXPECT_TRUE(SamePixels(allDark, FlatPicture(6, 6, Rgb{})));
}

TEST(EdgeDetection, OtsuSplitsTwoGroupsAndDefaultsTo125) {
    std::array<std::uint64_t, 256> histogram{};
    EXPECT_EQ(OtsuThreshold(histogram), 125);
    histogram[40] = 100;
    EXPECT_EQ(OtsuThreshold(histogram), 125); // one level: no split scores
    histogram[200] = 100;
    EXPECT_EQ(OtsuThreshold(histogram), 40); // the first of the equal best splits
    histogram[100] = 300;
    const int t = OtsuThreshold(histogram);
    EXPECT_GE(t, 40);
    EXPECT_LT(t, 200);
    EXPECT_EQ(EdgeGrey(100, 100, 100), 100);
    EXPECT_EQ(EdgeGrey(255, 0, 0), 28);
}

// The brightness and inversion spans replace a lookup table per byte; every
// byte value, at any run length the vectoriser splits differently, must come
// out as the table gives it.
TEST(PointSpans, MatchTheirTablesForEveryByteValue) {
    for (const std::size_t length : {std::size_t{1}, std::size_t{31}, std::size_t{256}}) {
        for (const int delta : {-300, -255, -25, -1, 0, 1, 25, 255, 300}) {
            std::vector<std::uint8_t> bytes(length);
            for (std::size_t i = 0; i < length; ++i) {
                bytes[i] = static_cast<std::uint8_t>((i * 97 + 13) & 0xFF);
            }
            std::vector<std::uint8_t> inverted = bytes;
            const std::vector<std::uint8_t> original = bytes;
            AddClampedSpan(bytes.data(), length, delta);
            InvertSpan(inverted.data(), length);
            for (std::size_t i = 0; i < length; ++i) {
                ASSERT_EQ(bytes[i], std::clamp(original[i] + delta, 0, 255)) << delta;
                ASSERT_EQ(inverted[i], 255 - original[i]);
            }
        }
    }
}
