#include "core/Parameters.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSettings>

namespace {

QSettings Store() {
    return QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
}

bool SameValues(const CParameters& a, const CParameters& b) {
    return a.videoformat == b.videoformat && a.imageformat == b.imageformat &&
           a.languagemainid == b.languagemainid && a.languagesubid == b.languagesubid &&
           a.saveoption1 == b.saveoption1 && a.saveoption2 == b.saveoption2 &&
           a.addexportimage == b.addexportimage && a.snapshot == b.snapshot &&
           a.linecolor == b.linecolor && a.textcolor == b.textcolor && a.linewidth == b.linewidth &&
           a.textsize == b.textsize && a.measuredecimal == b.measuredecimal &&
           a.compress == b.compress;
}

} // namespace

TEST(Parameters, WithoutAStoreTheDefaultsHold) {
    ScopedProgramFolder home;
    LoadParameters();
    EXPECT_EQ(g_parameters.languagemainid, 9);
    EXPECT_EQ(g_parameters.languagesubid, 1);
    EXPECT_EQ(g_parameters.linecolor, 255);
    EXPECT_EQ(g_parameters.textcolor, 255);
    EXPECT_EQ(g_parameters.linewidth, 1);
    EXPECT_EQ(g_parameters.textsize, 16);
    EXPECT_EQ(g_parameters.measuredecimal, 6);
    EXPECT_EQ(g_parameters.imageformat, 1);
    EXPECT_EQ(g_parameters.videoformat, 3);
    EXPECT_EQ(g_parameters.compress, 1);
}

TEST(Parameters, FirstSaveCreatesTheStoreAndValuesRoundTrip) {
    ScopedProgramFolder home;
    EXPECT_FALSE(QFileInfo::exists(Store().fileName()));
    CParameters changed;
    changed.videoformat = 5;
    changed.imageformat = 2;
    changed.languagemainid = 4;
    changed.languagesubid = 1;
    changed.saveoption1 = 4;
    changed.saveoption2 = 0;
    changed.addexportimage = 0;
    changed.snapshot = 0;
    changed.linecolor = 0x00FF8000;
    changed.textcolor = -1;
    changed.linewidth = 5;
    changed.textsize = 71;
    changed.measuredecimal = 3;
    changed.compress = 0;
    g_parameters = changed;
    ASSERT_TRUE(SaveParameters());
    EXPECT_TRUE(QFileInfo::exists(Store().fileName()));
    g_parameters = CParameters{};
    LoadParameters();
    EXPECT_TRUE(SameValues(g_parameters, changed));
}

TEST(Parameters, BadOrMissingValuesKeepTheirDefaults) {
    ScopedProgramFolder home;
    {
        QSettings store = Store();
        store.beginGroup("Parameter");
        store.setValue("linewidth", "wide");
        store.setValue("textsize", "1.5");
        store.setValue("linecolor", "4294967296"); // does not fit 32 bits
        store.setValue("measuredecimal", 2);
        store.setValue("unrelated", 7);
    }
    LoadParameters();
    EXPECT_EQ(g_parameters.linewidth, 1);
    EXPECT_EQ(g_parameters.textsize, 16);
    EXPECT_EQ(g_parameters.linecolor, 255);
    EXPECT_EQ(g_parameters.measuredecimal, 2);
}

TEST(Parameters, ResetValuesKeepDecimalsAndChooseSimplifiedChinese) {
    CParameters parameters;
    parameters.measuredecimal = 3;
    parameters.linewidth = 4;
    parameters.languagemainid = 9;
    ApplyResetValues(parameters);
    EXPECT_EQ(parameters.measuredecimal, 3);
    EXPECT_EQ(parameters.linewidth, 1);
    EXPECT_EQ(parameters.languagemainid, 4);
    EXPECT_EQ(parameters.languagesubid, 2);
}

TEST(Parameters, SaveOptionsReaderTouchesOnlyTheTwoOptions) {
    ScopedProgramFolder home;
    g_parameters.saveoption1 = 2;
    g_parameters.saveoption2 = 0;
    ASSERT_TRUE(SaveParameters());
    g_parameters.saveoption1 = 1;
    g_parameters.saveoption2 = 1;
    g_parameters.linewidth = 9;
    LoadSaveOptions();
    EXPECT_EQ(g_parameters.saveoption1, 2);
    EXPECT_EQ(g_parameters.saveoption2, 0);
    EXPECT_EQ(g_parameters.linewidth, 9);
}
