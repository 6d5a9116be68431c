#include "probe/registry.h"

#include <array>

void DecodeRegistryValue(std::uint32_t type, const std::uint8_t* data, std::uint32_t size,
                         std::string& KeyVal) {
    if (size > kRegistryBufferSize) size = kRegistryBufferSize;
    // A text stored with its terminating zero loses it; one stored without
    // it is kept whole.
    std::uint32_t kept = (size > 0 && data[size - 1] == 0) ? size - 1 : size;
    switch (type) {
    case kRegSz:
        KeyVal.assign(reinterpret_cast<const char*>(data), kept);
        break;
    case kRegDword: {
        // Little-endian, as the registry stores it; bytes missing from a
        // short value read as zero.
        std::uint32_t number = 0;
        for (std::uint32_t i = 0; i < 4 && i < size; ++i) number |= std::uint32_t{data[i]} << (8 * i);
        KeyVal = std::to_string(number);
        break;
    }
    default:
        break;
    }
}

bool GetKeyValue(System& sys, std::uint32_t KeyRoot, const std::string& keyname,
                 const std::string& SubKeyRef, std::string& KeyVal) {
    RegKey hKey = 0;
    if (sys.RegOpenKeyEx(KeyRoot, keyname, kKeyRead, hKey) != kErrorSuccess) {
        KeyVal.clear();
        return false;
    }
    std::array<std::uint8_t, kRegistryBufferSize> buffer{};
    std::uint32_t size = kRegistryBufferSize;
    std::uint32_t type = 0;
    bool read = sys.RegQueryValueEx(hKey, SubKeyRef, type, buffer.data(), size) == kErrorSuccess;
    if (read)
        DecodeRegistryValue(type, buffer.data(), size, KeyVal);
    else
        KeyVal.clear();
    sys.RegCloseKey(hKey);
    return read;
}
