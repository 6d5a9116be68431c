// Reading setup.ini into the installer state.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/ini.h"
#include "platform/forms/forms.h"
#include "platform/system/system.h"

// The frame window's own targets of section Setup32.
struct SlideshowSettings {
    std::int16_t nroImg = 0;
    std::string tipoImg;
    std::string tipoImgTela;
};

struct SetupIniRow {
    enum Kind { NroImg, TipoImg, TipoImgTela, Tempo, Command, Flag };
    const char* section;
    const char* key;
    const char* def;
    Kind kind;
    std::string Ini::*command;  // Command rows
    std::int16_t Ini::*flag;    // Flag rows
};

constexpr int kSetupIniRowCount = 17;
extern const std::array<SetupIniRow, kSetupIniRowCount> kSetupIniRows;

// What became of one row.
enum class RowOutcome {
    Stored,         // the target took the value
    Beeped,         // nothing was copied: one beep, the target kept its value
    NotANumber,     // the characters taken are no number: the target kept its value
    TimerRejected,  // a number the timer does not take: the interval stayed
};

struct RowResult {
    RowOutcome outcome = RowOutcome::Beeped;
    std::string value;  // the text copied from the file (at most 49 characters)
};

using SetupIniReport = std::array<RowResult, kSetupIniRowCount>;

// Fills the installer state from kitPath + "setup.ini", sounding one beep for
// each row that copies nothing, and sets the slideshow interval.
SetupIniReport ReadSetupIni(System& sys, Forms& forms, Ini& ini, SlideshowSettings& slideshow);

// A decimal integer with an optional sign and surrounding blanks; nothing else.
std::optional<long> ToNumber(const std::string& text);

// The first n characters of a value, or the whole value if it is shorter.
std::string Left(const std::string& text, std::size_t n);
