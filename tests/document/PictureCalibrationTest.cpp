#include "document/PictureCalibration.h"

#include "calibration/Calibration.h"

#include <gtest/gtest.h>

namespace {

class PictureCalibrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
    }
    void TearDown() override { SetUp(); }
};

TEST_F(PictureCalibrationTest, FilesCarryOnlyAScaleTheUserGave) {
    EXPECT_EQ(ScaleInForce(), std::nullopt) << "the initial values are no calibration";

    g_calibrationStore.records.push_back({"Lens", "um", "500.000000", "100"});
    ASSERT_TRUE(ApplyCalibration("Lens"));
    g_calibration.selectedName = "Lens";
    EXPECT_EQ(ScaleInForce(), (CPictureScale{500.0, "um", "Lens"}));
    // A picture written at half size has half the pixels in a centimetre.
    EXPECT_EQ(ScaleInForce(0.5), (CPictureScale{250.0, "um", "Lens"}));

    // A scale typed without a name is in force too.
    g_calibration = CCurrentCalibration{};
    g_calibration.scale = 80.0;
    EXPECT_EQ(ScaleInForce(), (CPictureScale{80.0, "mm", ""}));
}

TEST_F(PictureCalibrationTest, APictureScaleIsUsedOrStoredOnlyWhenUsable) {
    const struct {
        CPictureScale scale;
        bool usable;
    } cases[] = {{{1234.5, "um", ""}, true},
                 {{40.0, "MIL", "Old scanner"}, true},
                 {{0.0, "um", ""}, false},
                 {{-3.0, "mm", ""}, false},
                 {{100.0, "furlong", ""}, false}};
    for (const auto& c : cases) {
        SetUp();
        g_calibration.selectedName = "Before";
        EXPECT_EQ(UsePictureScale(c.scale), c.usable) << c.scale.unit;
        EXPECT_EQ(CalibrationMatches(c.scale), c.usable) << c.scale.unit;
        EXPECT_EQ(g_calibration.selectedName.isEmpty(), c.usable);

        SetUp();
        EXPECT_EQ(StorePictureScale(c.scale, "From file"), c.usable) << c.scale.unit;
        EXPECT_EQ(g_calibrationStore.records.size(), c.usable ? 1u : 0u);
        if (c.usable) {
            EXPECT_EQ(g_calibration.selectedName, "From file");
            EXPECT_TRUE(CalibrationMatches(c.scale));
        }
    }
    // A name already stored (in any case) or none is refused.
    SetUp();
    ASSERT_TRUE(StorePictureScale({10.0, "cm", ""}, "From file"));
    EXPECT_FALSE(StorePictureScale({10.0, "cm", ""}, "from FILE"));
    EXPECT_FALSE(StorePictureScale({10.0, "cm", ""}, "  "));
}

TEST_F(PictureCalibrationTest, MatchesWithinFileRoundingAndNamesStoredScalesUniquely) {
    g_calibration.unit = "um";
    g_calibration.scale = 1000.0;
    EXPECT_TRUE(CalibrationMatches({1000.0004, "um", ""}));
    EXPECT_FALSE(CalibrationMatches({1000.01, "um", ""}));
    EXPECT_FALSE(CalibrationMatches({1000.0, "mm", ""}));

    EXPECT_EQ(StoredNameForPictureScale({1.0, "mm", "Lens 4x"}, "cells"), "Lens 4x");
    EXPECT_EQ(StoredNameForPictureScale({1.0, "mm", ""}, "cells"), "cells");
    g_calibrationStore.records.push_back({"cells", "mm", "1", "1"});
    g_calibrationStore.records.push_back({"Cells (2)", "mm", "1", "1"});
    EXPECT_EQ(StoredNameForPictureScale({1.0, "mm", ""}, "cells"), "cells (3)");

    // One pixel of 1000 pixels per centimetre is 10 micrometres.
    const QString question = PictureScaleQuestion({1000.0, "um", ""}, "cells (3)");
    EXPECT_TRUE(question.contains("one pixel is 10 um")) << question.toStdString();
    EXPECT_TRUE(question.contains("\"cells (3)\"")) << question.toStdString();
}

} // namespace
