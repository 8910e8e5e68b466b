#include "kiosk/KioskOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Args = std::vector<std::string>;
using Action = KioskOptions::Action;

TEST(KioskOptions, OwnOptionsAreTakenAndToolkitOptionsPassedOnInOrder)
{
    const KioskOptions o =
        ParseKioskOptions({"/usr/bin/bridgeprint-kiosk", "-platform", "offscreen", "--fullscreen", "--data-dir",
                           "/srv/kiosk", "--style=fusion", "--pdf-folder=/tmp/pdf", "-reverse", "--platform", "xcb",
                           "--access-code-file", "/etc/kiosk/code"});
    EXPECT_EQ(o.action, Action::Run) << o.error;
    EXPECT_TRUE(o.fullScreen);
    EXPECT_EQ(o.dataDir, "/srv/kiosk");
    EXPECT_EQ(o.pdfFolder, "/tmp/pdf");
    EXPECT_EQ(o.accessCodeFile, "/etc/kiosk/code");
    EXPECT_EQ(o.toolkitArgs, (Args{"/usr/bin/bridgeprint-kiosk", "-platform", "offscreen", "--style=fusion", "-reverse",
                                   "--platform", "xcb"}));
    const KioskOptions plain = ParseKioskOptions({"k"});
    EXPECT_EQ(plain.action, Action::Run);
    EXPECT_FALSE(plain.fullScreen);
    EXPECT_EQ(plain.dataDir, "");
    EXPECT_EQ(plain.toolkitArgs, Args{"k"});
}

TEST(KioskOptions, HelpAndVersionWinWhereverTheyStand)
{
    EXPECT_EQ(ParseKioskOptions({"k", "--fullscreen", "--help"}).action, Action::Help);
    EXPECT_EQ(ParseKioskOptions({"k", "-h"}).action, Action::Help);
    EXPECT_EQ(ParseKioskOptions({"k", "--version", "--bogus"}).action, Action::Version);
    EXPECT_NE(KioskVersionText().find("7."), std::string::npos);
}

TEST(KioskOptions, MistakesAreRefusedWithOneLineNamingThem)
{
    struct Case {
        Args args;
        std::string named;
    } cases[] = {
        {{"k", "--bogus"}, "--bogus"},
        {{"k", "stray"}, "stray"},
        {{"k", "-fullscreen"}, "-fullscreen"},       // ours take two dashes
        {{"k", "--fullscreen=yes"}, "--fullscreen"}, // and this one no value
        {{"k", "--data-dir"}, "--data-dir"},
        {{"k", "--data-dir="}, "--data-dir"},
        {{"k", "--pdf-folder"}, "--pdf-folder"},
        {{"k", "--access-code-file="}, "--access-code-file"},
        {{"k", "-platform"}, "-platform"},
        {{"k", "-"}, "-"},
    };
    for (const Case& c : cases) {
        const KioskOptions o = ParseKioskOptions(c.args);
        EXPECT_EQ(o.action, Action::Refuse) << c.args.back();
        EXPECT_NE(o.error.find(c.named), std::string::npos) << o.error;
        EXPECT_EQ(o.error.find('\n'), std::string::npos) << o.error;
    }
}
