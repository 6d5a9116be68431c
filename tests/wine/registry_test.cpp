// The registry reader and the browser classification against the real
// registry of a Wine prefix, with values written byte for byte.
#include <windows.h>

#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"
#include "probe/browser_probe.h"
#include "probe/registry.h"
#include "wizard/wizard.h"

namespace {

const char* const kTestKey = "Software\\Setup32 registry test";

// Writes the bytes exactly. RegSetValueExA adds a zero to a text whose last
// byte is none when the byte after the data is a zero, as if the caller had
// forgotten to count it: the data is passed with a byte after it that is none.
void Write(const char* keyName, const char* name, DWORD type, std::vector<BYTE> data) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const auto size = static_cast<DWORD>(data.size());
    data.push_back(0xFF);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, data.data(), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

std::vector<BYTE> Bytes(const std::string& text, bool terminated) {
    std::vector<BYTE> data(text.begin(), text.end());
    if (terminated) data.push_back(0);
    return data;
}

struct RegistryTest : ::testing::Test {
    Win32Platform sys{GetModuleHandleA(nullptr)};
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestKey); }
};

TEST_F(RegistryTest, ValuesAsStored) {
    struct Case {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
        bool read;
        std::string expected;
    } cases[] = {
        {"text with its zero", REG_SZ, Bytes("5.00.2614.3500", true), true, "5.00.2614.3500"},
        {"text without its zero", REG_SZ, Bytes("5.00.2614.3500", false), true, "5.00.2614.3500"},
        {"single zero byte", REG_SZ, {0}, true, ""},
        {"size 0", REG_SZ, {}, true, ""},
        {"dword", REG_DWORD, {0x09, 0x04, 0, 0}, true, "1033"},
        {"expand_sz", REG_EXPAND_SZ, Bytes("%WINDIR%", true), true, "as passed"},
        {"binary", REG_BINARY, {1, 2, 3}, true, "as passed"},
        {"1024 bytes", REG_SZ, std::vector<BYTE>(1024, '7'), true, std::string(1024, '7')},
        {"1025 bytes", REG_SZ, std::vector<BYTE>(1025, '7'), false, ""},
    };
    for (const Case& c : cases) Write(kTestKey, c.name, c.type, c.data);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string value = "as passed";
        EXPECT_EQ(GetKeyValue(sys, kHkeyLocalMachine, kTestKey, c.name, value), c.read);
        EXPECT_EQ(value, c.expected);
    }
    std::string value = "as passed";
    EXPECT_FALSE(GetKeyValue(sys, kHkeyLocalMachine, kTestKey, "missing value", value));
    EXPECT_EQ(value, "");
    value = "as passed";
    EXPECT_FALSE(GetKeyValue(sys, kHkeyLocalMachine, "Software\\Setup32 no such key", "Build", value));
    EXPECT_EQ(value, "");
}

// The browser key as each test needs it; what the prefix held is put back.
struct BrowserTest : RegistryTest {
    const char* const key = "Software\\Microsoft\\Internet Explorer";
    HKEY saved = nullptr;
    void SetUp() override {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Setup32 saved browser", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &saved, nullptr);
        Copy(key, saved);
    }
    void TearDown() override {
        Clear();
        HKEY browser;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &browser, nullptr) ==
            ERROR_SUCCESS) {
            CopyValues(saved, browser);
            RegCloseKey(browser);
        }
        RegCloseKey(saved);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Setup32 saved browser");
    }
    static void CopyValues(HKEY from, HKEY to) {
        for (const char* name : {"Build", "Version"}) {
            BYTE data[2048];
            DWORD size = sizeof data, type = 0;
            if (RegQueryValueExA(from, name, nullptr, &type, data, &size) == ERROR_SUCCESS)
                RegSetValueExA(to, name, 0, type, data, size);
        }
    }
    void Copy(const char* from, HKEY to) {
        HKEY browser;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, from, 0, KEY_READ, &browser) == ERROR_SUCCESS) {
            CopyValues(browser, to);
            RegCloseKey(browser);
        }
    }
    void Clear() {
        HKEY browser;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &browser) == ERROR_SUCCESS) {
            RegDeleteValueA(browser, "Build");
            RegDeleteValueA(browser, "Version");
            RegCloseKey(browser);
        }
    }
    int Classify() {
        Wizard w(sys);
        w.frame.StartSysInfo();
        EXPECT_EQ(w.frame.Lang, "PORT");
        return w.frame.IEVer;
    }
};

TEST_F(BrowserTest, InstalledVersions) {
    struct Case {
        const char* name;
        const char* build;
        const char* version;
        int expected;
    } cases[] = {
        {"IE 3", "3.02.1", "3.02", 3},
        {"IE 4", "4.72.3110.8", "4.72.3110.0", 4},
        {"IE 5", "52614", "5.00.2614.3500", 5},
        {"IE 6", "6.0.2900.2180", "6.0.2900.2180", 5},
        {"IE 3 build, IE 4 version", "3.02.1", "4.70", 5},
        {"no Version", "1234", nullptr, 3},
        {"neither", nullptr, nullptr, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        if (c.build) Write(key, "Build", REG_SZ, Bytes(c.build, true));
        if (c.version) Write(key, "Version", REG_SZ, Bytes(c.version, true));
        EXPECT_EQ(Classify(), c.expected);
    }
}

TEST_F(BrowserTest, BuildOfAnotherTypeOrSize) {
    struct Case {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
        int expected;
    } cases[] = {
        {"REG_DWORD 4 next to version 4", REG_DWORD, {4, 0, 0, 0}, 4},     // read as the text "4"
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, Bytes("4.72", true), 3},          // left empty
        {"1025 bytes", REG_SZ, std::vector<BYTE>(1025, '4'), 3},           // too large to read
        {"1024 bytes", REG_SZ, std::vector<BYTE>(1024, '4'), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        Write(key, "Build", c.type, c.data);
        Write(key, "Version", REG_SZ, Bytes("4.72.3110.0", true));
        EXPECT_EQ(Classify(), c.expected);
    }
}

TEST_F(BrowserTest, NoBrowserKeyAtAll) {
    Clear();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);  // fails while the key has subkeys: then its values are gone
    EXPECT_EQ(Classify(), 3);
}

}  // namespace
