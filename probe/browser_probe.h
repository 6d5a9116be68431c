// Which major version of Internet Explorer is installed.
#pragma once

#include <cstdint>
#include <string>

extern const char* const kBrowserKey;  // under HKEY_LOCAL_MACHINE

// From the first characters of the values "Build" and "Version": 3 when both
// are 3, 4 when both are 4, 5 for any other pair of digits, and 3 when either
// is missing or not a digit.
std::int16_t ClassifyBrowser(const std::string& build, const std::string& version);
