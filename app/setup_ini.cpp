#include "app/setup_ini.h"

#include <cstring>

const std::array<SetupIniRow, kSetupIniRowCount> kSetupIniRows = {{
    {"Setup32", "nroimg", "1", SetupIniRow::NroImg, nullptr, nullptr},
    {"Setup32", "tipoimg", "bmp", SetupIniRow::TipoImg, nullptr, nullptr},
    {"Setup32", "tipoImgTela", "bmp", SetupIniRow::TipoImgTela, nullptr, nullptr},
    {"Setup32", "tempo", "500", SetupIniRow::Tempo, nullptr, nullptr},
    {"Arquivos", "ie3port", "", SetupIniRow::Command, &Ini::arqIe3Port, nullptr},
    {"Arquivos", "ie4port", "", SetupIniRow::Command, &Ini::arqIe4Port, nullptr},
    {"Arquivos", "ie5port", "", SetupIniRow::Command, &Ini::arqIe5Port, nullptr},
    {"Arquivos", "ie5port2", "", SetupIniRow::Command, &Ini::arqIe5Port2, nullptr},
    {"Arquivos", "ie3ingl", "", SetupIniRow::Command, &Ini::arqIe3Ingl, nullptr},
    {"Arquivos", "ie4ingl", "", SetupIniRow::Command, &Ini::arqIe4Ingl, nullptr},
    {"Arquivos", "ie5ingl", "", SetupIniRow::Command, &Ini::arqIe5Ingl, nullptr},
    {"Arquivos", "ie5ingl2", "", SetupIniRow::Command, &Ini::arqIe5Ingl2, nullptr},
    {"Arquivos", "Discador", "", SetupIniRow::Command, &Ini::arqDiscador, nullptr},
    {"OKnoCD", "ie3port", "", SetupIniRow::Flag, nullptr, &Ini::okIe3Port},
    {"OKnoCD", "ie4port", "", SetupIniRow::Flag, nullptr, &Ini::okIe4Port},
    {"OKnoCD", "ie3ingl", "", SetupIniRow::Flag, nullptr, &Ini::okIe3Ingl},
    {"OKnoCD", "ie4ingl", "", SetupIniRow::Flag, nullptr, &Ini::okIe4Ingl},
}};

std::string Left(const std::string& text, std::size_t n) { return text.substr(0, n); }

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<long> ToNumber(const std::string& text) {
    std::size_t i = 0;
    auto blank = [&](std::size_t k) { return k < text.size() && (text[k] == ' ' || text[k] == '\t'); };
    while (blank(i)) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::size_t digits = 0;
    long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
        if (value > 100000000L) return std::nullopt;  // never reached by the 3 or 5 characters taken
        value = value * 10 + (text[i] - '0');
    }
    while (blank(i)) ++i;
    if (digits == 0 || i != text.size()) return std::nullopt;
    return negative ? -value : value;
}

namespace {

// First two characters, upper-cased, equal to "OK".
std::int16_t FlagOf(const std::string& value) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return value.size() >= 2 && upper(value[0]) == 'O' && upper(value[1]) == 'K' ? vbTrue : vbFalse;
}

RowOutcome Store(const SetupIniRow& row, const std::string& value, Forms& forms, Ini& ini,
                 SlideshowSettings& slideshow) {
    switch (row.kind) {
    case SetupIniRow::NroImg: {
        auto number = ToNumber(Left(value, 3));
        if (!number) return RowOutcome::NotANumber;
        slideshow.nroImg = static_cast<std::int16_t>(*number);
        return RowOutcome::Stored;
    }
    case SetupIniRow::TipoImg:
        slideshow.tipoImg = Left(value, 3);
        return RowOutcome::Stored;
    case SetupIniRow::TipoImgTela:
        slideshow.tipoImgTela = Left(value, 3);
        return RowOutcome::Stored;
    case SetupIniRow::Tempo: {
        auto number = ToNumber(Left(value, 5));
        if (!number) return RowOutcome::NotANumber;
        return forms.SetTimerInterval(*number) ? RowOutcome::Stored : RowOutcome::TimerRejected;
    }
    case SetupIniRow::Command:
        ini.*row.command = value;
        return RowOutcome::Stored;
    case SetupIniRow::Flag:
        ini.*row.flag = FlagOf(value);
        return RowOutcome::Stored;
    }
    return RowOutcome::Stored;
}

}  // namespace

SetupIniReport ReadSetupIni(System& sys, Forms& forms, Ini& ini, SlideshowSettings& slideshow) {
    const std::string file = ini.kitPath + "setup.ini";
    constexpr std::uint32_t kBufferSize = 50;
    char buffer[kBufferSize];
    SetupIniReport report;
    for (std::size_t i = 0; i < kSetupIniRows.size(); ++i) {
        const SetupIniRow& row = kSetupIniRows[i];
        std::memset(buffer, ' ', sizeof buffer);
        std::uint32_t copied =
            sys.GetPrivateProfileString(row.section, row.key, row.def, buffer, kBufferSize, file);
        if (copied == 0) {
            sys.Beep();
            report[i].outcome = RowOutcome::Beeped;
            continue;
        }
        // The value is the text in front of the NUL; the buffer may hold no NUL
        // at all if the reader misbehaves, so the length is bounded by the buffer.
        report[i].value.assign(buffer, strnlen(buffer, kBufferSize - 1));
        report[i].outcome = Store(row, report[i].value, forms, ini, slideshow);
    }
    return report;
}
