// The installer state shared by the windows: the kit folder, the installer
// commands of section Arquivos and the flags of section OKnoCD.
// It lives for the whole run and is never saved.
#pragma once

#include <cstdint>
#include <string>

constexpr std::int16_t vbTrue = -1;
constexpr std::int16_t vbFalse = 0;

struct Ini {
    std::string kitPath;  // the kit folder, always ending in a backslash

    std::string arqIe3Port, arqIe4Port, arqIe5Port, arqIe5Port2;
    std::string arqIe3Ingl, arqIe4Ingl, arqIe5Ingl, arqIe5Ingl2;
    std::string arqDiscador;

    std::int16_t okIe3Port = vbFalse;
    std::int16_t okIe4Port = vbFalse;
    std::int16_t okIe3Ingl = vbFalse;
    std::int16_t okIe4Ingl = vbFalse;
};
