// The browser page's rules: the Windows description, the builds on offer and
// the installer that Next starts.
#pragma once

#include <cstdint>
#include <string>

#include "app/ini.h"
#include "platform/system/system.h"

// Windows family of the version record.
enum class WindowsFamily { Unknown, Win95, NT };

struct WindowsDescription {
    WindowsFamily family = WindowsFamily::Unknown;  // Unknown: nothing is set
    std::string caption;                            // for lblSistema
    std::string toolTip;                            // for Label1, Windows 95 family only
};

WindowsDescription DescribeWindows(const OsVersionInfo& info);

// What the page offers for a language code and an installed version.
struct Offer {
    bool known = false;  // Lang is "PORT" or "INGL"
    bool OpIE3 = false, OpIE4 = false, OpIE5 = false;
    const char* plan = "";      // lblResultado
    const char* language = "";  // lblLinguagem
};

Offer OfferFor(const std::string& Lang, std::int16_t IEVer, const Ini& ini);

// The version that Next stores: 3 if OpIE3, else 4 if OpIE4, else 5.
std::int16_t ChosenVersion(bool opIE3, bool opIE4);

// The installer command for a language code and a chosen version, or null
// for a code that is neither "PORT" nor "INGL".
const std::string* InstallerFor(const std::string& Lang, std::int16_t IEVer, const Ini& ini);

extern const char* const kLangUnknownText;
extern const char* const kMissingFileTitle;
std::string MissingFileText(const std::string& fileName);
