// Reading one registry value as text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system/system.h"

constexpr std::uint32_t kRegistryBufferSize = 1024;

// Reads value SubKeyRef of key keyname under KeyRoot into KeyVal. True when
// the key opened and the value was read: REG_SZ as its text, REG_DWORD as
// decimal text, any other type leaves KeyVal as passed. On failure KeyVal
// becomes empty. The key is opened for reading only and always closed.
bool GetKeyValue(System& sys, std::uint32_t KeyRoot, const std::string& keyname,
                 const std::string& SubKeyRef, std::string& KeyVal);

// The conversion step alone: data as the registry reported it.
void DecodeRegistryValue(std::uint32_t type, const std::uint8_t* data, std::uint32_t size,
                         std::string& KeyVal);
