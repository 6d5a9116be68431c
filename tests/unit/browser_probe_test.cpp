#include <gtest/gtest.h>

#include "tests/unit/fakes.h"
#include "probe/browser_probe.h"
#include "wizard/wizard.h"

namespace {

TEST(ClassifyBrowser, DecisionTable) {
    struct Case {
        const char* build;
        const char* version;
        int expected;
    } cases[] = {
        {"3", "3", 3}, {"4", "4", 4}, {"3", "4", 5}, {"4", "3", 5}, {"5", "5", 5}, {"6", "6", 5},
        {"0", "9", 5}, {"1", "", 3},  {"", "", 3},   {"", "5", 3},  {"a", "4", 3}, {".", "4", 3},
        {" ", " ", 3}, {"4", "v", 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyBrowser(c.build, c.version), c.expected) << c.build << "/" << c.version;
}

TEST(StartSysInfo, ClassifiesTheRegistryValues) {
    struct Case {
        std::optional<std::string> build, version;
        int expected;
    } cases[] = {
        {"4.72.3110.8", "4.72.3110.0", 4},
        {"52614", "5.00.2614.3500", 5},
        {"1234", std::nullopt, 3},
        {"6.0.2900", "6.0.2900.2180", 5},
        {"3.02", "4.70", 5},
        {"3.02", "3.02.1", 3},
        {std::nullopt, std::nullopt, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.build.value_or("-") + " / " + c.version.value_or("-"));
        Fakes fakes;
        if (c.build) fakes.sys.SetRegText(kBrowserKey, "Build", *c.build);
        if (c.version) fakes.sys.SetRegText(kBrowserKey, "Version", *c.version);
        Wizard w(fakes.sys, fakes.forms);
        w.frame.Lang = "INGL";
        w.frame.StartSysInfo();
        EXPECT_EQ(w.frame.IEVer, c.expected);
        EXPECT_EQ(w.frame.Lang, "PORT");
    }
}

}  // namespace
