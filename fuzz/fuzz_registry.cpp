// Registry values of any type, size and content, through the reader.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/fake_system.h"
#include "probe/browser_probe.h"
#include "probe/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint32_t type = data[0] % 12;
    std::vector<std::uint8_t> value(data + 1, data + size);

    std::string text = "as passed";
    DecodeRegistryValue(type, value.data(), static_cast<std::uint32_t>(std::min<std::size_t>(value.size(), 1024)),
                        text);

    std::vector<std::string> log;
    FakeSystem sys{log};
    sys.SetRegValue(kBrowserKey, "Build", type, value);
    std::string build;
    GetKeyValue(sys, kHkeyLocalMachine, kBrowserKey, "Build", build);
    ClassifyBrowser(build.substr(0, 1), text.substr(0, 1));
    return sys.openKeys == 0 ? 0 : (__builtin_trap(), 0);
}
