// Any setup.ini file, read for the launcher's keys by the portable reader,
// then the whole kit check run on it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/setup_ini.h"
#include "kitcheck/ini_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    char buffer[50];
    for (const SetupIniRow& row : kSetupIniRows) {
        std::memset(buffer, ' ', sizeof buffer);
        std::uint32_t copied = ReadIniString(&file, row.section, row.key, row.def, buffer, sizeof buffer);
        if (copied >= sizeof buffer || buffer[copied] != '\0') __builtin_trap();
        FullIniString(&file, row.section, row.key, row.def);
    }
    return 0;
}
