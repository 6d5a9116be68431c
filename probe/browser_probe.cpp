#include "probe/browser_probe.h"

const char* const kBrowserKey = "software\\microsoft\\Internet Explorer";

std::int16_t ClassifyBrowser(const std::string& build, const std::string& version) {
    auto digit = [](const std::string& text) {
        return !text.empty() && text[0] >= '0' && text[0] <= '9' ? text[0] - '0' : -1;
    };
    int b = digit(build), v = digit(version);
    // A character that is no digit fails the first comparison, which then
    // goes on in its first branch.
    if (b < 0 || v < 0) return 3;
    if (b == 3 && v == 3) return 3;
    if (b == 4 && v == 4) return 4;
    return 5;
}
