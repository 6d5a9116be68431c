#include <gtest/gtest.h>

#include "platform/system/fake_system.h"
#include "probe/registry.h"

namespace {

TEST(DecodeRegistryValue, CutsAndConvertsByType) {
    struct Case {
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
        std::string expected;
    };
    auto bytes = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    std::vector<std::uint8_t> terminated = bytes("5.00.2614.3500");
    terminated.push_back(0);
    std::vector<std::uint8_t> inner = bytes("ab");
    inner.push_back(0);
    inner.push_back('c');
    const Case cases[] = {
        {"text with its zero", kRegSz, terminated, "5.00.2614.3500"},
        {"text without its zero", kRegSz, bytes("5.00.2614.3500"), "5.00.2614.3500"},
        {"single zero byte", kRegSz, {0}, ""},
        {"size 0", kRegSz, {}, ""},
        {"zero inside, none at the end", kRegSz, inner, std::string("ab\0c", 4)},
        {"dword 0x409", kRegDword, {0x09, 0x04, 0, 0}, "1033"},
        {"dword top bit", kRegDword, {0, 0, 0, 0x80}, "2147483648"},
        {"short dword", kRegDword, {0x01}, "1"},
        {"expand_sz untouched", kRegExpandSz, bytes("%x%"), "as passed"},
        {"binary untouched", kRegBinary, {1, 2, 3}, "as passed"},
        {"multi_sz untouched", 7, {'a', 0, 0}, "as passed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string value = "as passed";
        DecodeRegistryValue(c.type, c.data.data(), static_cast<std::uint32_t>(c.data.size()), value);
        EXPECT_EQ(value, c.expected);
    }
}

struct GetKeyValueTest : ::testing::Test {
    std::vector<std::string> log;
    FakeSystem sys{log};
    std::string value = "before";
    const std::string key = "software\\microsoft\\Internet Explorer";
    bool Read(const std::string& name) { return GetKeyValue(sys, kHkeyLocalMachine, key, name, value); }
};

TEST_F(GetKeyValueTest, ReadsTextAndClosesTheKey) {
    sys.SetRegText(key, "Version", "5.00.2614.3500");
    EXPECT_TRUE(Read("Version"));
    EXPECT_EQ(value, "5.00.2614.3500");
    EXPECT_EQ(sys.openKeys, 0);
    EXPECT_EQ(sys.accessRequested, std::vector<std::uint32_t>{0x20019u});  // KEY_READ, nothing more
}

TEST_F(GetKeyValueTest, FailuresGiveEmptyTextAndFalse) {
    EXPECT_FALSE(Read("Build"));  // no key
    EXPECT_EQ(value, "");
    sys.AddRegKey(key);
    value = "before";
    EXPECT_FALSE(Read("Build"));  // no value
    EXPECT_EQ(value, "");
    sys.SetRegValue(key, "Build", kRegSz, std::vector<std::uint8_t>(1025, '4'));
    value = "before";
    EXPECT_FALSE(Read("Build"));  // larger than the buffer
    EXPECT_EQ(value, "");
    EXPECT_EQ(sys.openKeys, 0);
}

TEST_F(GetKeyValueTest, AValueFillingTheWholeBufferIsRead) {
    std::vector<std::uint8_t> data(1024, '4');
    sys.SetRegValue(key, "Build", kRegSz, data);
    EXPECT_TRUE(Read("Build"));
    EXPECT_EQ(value, std::string(1024, '4'));
    data.back() = 0;
    sys.SetRegValue(key, "Build", kRegSz, data);
    EXPECT_TRUE(Read("Build"));
    EXPECT_EQ(value, std::string(1023, '4'));
}

TEST_F(GetKeyValueTest, OtherTypesLeaveTheValueAsPassed) {
    sys.SetRegValue(key, "Build", kRegExpandSz, {'4', 0});
    EXPECT_TRUE(Read("Build"));
    EXPECT_EQ(value, "before");
}

}  // namespace
