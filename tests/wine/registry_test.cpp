// The registry reader against the real registry of a Wine prefix, with
// values written byte for byte.
#include <windows.h>

#include <vector>

#include <gtest/gtest.h>

#include "platform/system/win32/win32_system.h"
#include "probe/registry.h"

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
    Win32System sys;
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

// A key that grants reading and nothing more, as a locked-down machine may
// leave the browser's key: opened for reading only, its values are read.
TEST_F(RegistryTest, AKeyThatGrantsOnlyReadingIsRead) {
    Write(kTestKey, "Build", REG_SZ, Bytes("4.72.3110.8", true));
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    alignas(DWORD) BYTE aclBuffer[256];
    auto acl = reinterpret_cast<PACL>(aclBuffer);
    ASSERT_TRUE(InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION));
    ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone));
    SECURITY_DESCRIPTOR readOnly;
    InitializeSecurityDescriptor(&readOnly, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&readOnly, TRUE, acl, FALSE);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, WRITE_DAC, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &readOnly), ERROR_SUCCESS);
    RegCloseKey(key);
    FreeSid(everyone);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);

    std::string value;
    EXPECT_TRUE(GetKeyValue(sys, kHkeyLocalMachine, kTestKey, "Build", value));
    EXPECT_EQ(value, "4.72.3110.8");

    // Its owner may still give the key back every right, so that it can go.
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, WRITE_DAC, &key), ERROR_SUCCESS);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open);
    RegCloseKey(key);
}

}  // namespace
