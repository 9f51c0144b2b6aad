#include "core/StartupArguments.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>

TEST(StartupArguments, PicturesAreOpenedInOrderWithAbsolutePaths) {
    const CStartupArguments parsed =
        ParseStartupArguments({"a.bmp", "/pictures/b.jpg", "--", "-dash.bmp", "--help"});
    EXPECT_EQ(parsed.action, StartupAction::Run);
    EXPECT_EQ(parsed.pictures,
              (QStringList{QDir::current().absoluteFilePath("a.bmp"), "/pictures/b.jpg",
                           QDir::current().absoluteFilePath("-dash.bmp"),
                           QDir::current().absoluteFilePath("--help")}));
    // A lone dash is a file name, as for most tools.
    EXPECT_EQ(ParseStartupArguments({"-"}).pictures.size(), 1);
    EXPECT_TRUE(ParseStartupArguments({}).pictures.isEmpty());
}

TEST(StartupArguments, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(ParseStartupArguments({"x.bmp", "--bogus", "--version", "-h"}).action,
              StartupAction::Help);
    EXPECT_EQ(ParseStartupArguments({"--bogus", "--version"}).action, StartupAction::Version);
    const CStartupArguments bad = ParseStartupArguments({"x.bmp", "--bogus", "-y"});
    EXPECT_EQ(bad.action, StartupAction::Error);
    EXPECT_EQ(bad.error, "unknown option \"--bogus\"");
    EXPECT_TRUE(StartupUsage().endsWith(u'\n'));
    EXPECT_TRUE(VersionText("marnelo").startsWith("marnelo 0."));
}
