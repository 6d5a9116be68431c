// Any version record, described.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wizard/browser_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    OsVersionInfo info;
    std::memcpy(&info, data, std::min(size, sizeof info));
    DescribeWindows(info);
    return 0;
}
