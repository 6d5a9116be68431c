#include "wizard/browser_setup.h"

#include <cstring>

namespace {

const char* const kChoosePlan = "Escolha uma das opções de instalação abaixo.";

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

const char* const kLangUnknownText = "não foi possivel determinar";
const char* const kMissingFileTitle = "Erro! ";

std::string MissingFileText(const std::string& fileName) {
    return "O arquivo " + fileName + " está faltando.";
}

WindowsDescription DescribeWindows(const OsVersionInfo& info) {
    WindowsDescription d;
    const std::string version =
        std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion);
    const std::string build = std::to_string(info.dwBuildNumber & 0xFFFFu);
    const std::string servicePack(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion));

    if (info.dwPlatformId == 1) {
        const char* name = info.dwMinorVersion == 0 ? "Windows 95" : info.dwMinorVersion == 10 ? "Windows 98" : "";
        d.family = WindowsFamily::Win95;
        d.toolTip = servicePack;
        d.caption = std::string(name) + " Version " + version + ", Build " + build;
        if (!Trim(servicePack).empty()) d.caption += ", Service Pack " + servicePack;
    } else if (info.dwPlatformId == 2) {
        d.family = WindowsFamily::NT;
        d.caption = "Windows NT Version " + version + ", Build " + build;
        if (servicePack.compare(0, 12, "Service Pack") == 0) d.caption += ", " + servicePack;
    }
    return d;
}

Offer OfferFor(const std::string& Lang, std::int16_t IEVer, const Ini& ini) {
    Offer o;
    std::int16_t ok3, ok4;
    if (Lang == "PORT") {
        ok3 = ini.okIe3Port, ok4 = ini.okIe4Port;
        o.language = "Português";
        o.plan = "Será instalado o Internet Explorer 5 em Português";
    } else if (Lang == "INGL") {
        ok3 = ini.okIe3Ingl, ok4 = ini.okIe4Ingl;
        o.language = "Inglês";
        o.plan = "Será instalado o Internet Explorer 5 em Inglês";
    } else {
        return o;
    }
    o.known = true;
    if (IEVer == 3 && ok3) {
        o.OpIE3 = true;
        o.OpIE4 = ok4 != vbFalse;
        o.OpIE5 = true;
        o.plan = kChoosePlan;
    } else if (IEVer == 4 && ok4) {
        o.OpIE4 = o.OpIE5 = true;
        o.plan = kChoosePlan;
    }
    return o;
}

std::int16_t ChosenVersion(bool opIE3, bool opIE4) { return opIE3 ? 3 : opIE4 ? 4 : 5; }

const std::string* InstallerFor(const std::string& Lang, std::int16_t IEVer, const Ini& ini) {
    if (Lang == "PORT") return IEVer == 3 ? &ini.arqIe3Port : IEVer == 4 ? &ini.arqIe4Port : &ini.arqIe5Port;
    if (Lang == "INGL") return IEVer == 3 ? &ini.arqIe3Ingl : IEVer == 4 ? &ini.arqIe4Ingl : &ini.arqIe5Ingl;
    return nullptr;
}
