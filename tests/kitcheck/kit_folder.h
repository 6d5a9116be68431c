// A kit folder of a test's own, made empty for each test and removed after
// it, and the kitcheck program run on it.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

// The smallest bitmap the launcher shows: 1x1, 24 bits.
inline std::string TinyBitmap() {
    std::string b(58, '\0');
    auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B', b[1] = 'M';
    put(2, 58, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 1, 4);
    put(22, 1, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return b;
}

// A 24-bit bitmap of width x height, whole rows of 4-byte multiples.
inline std::string Bitmap(int width, int height) {
    const std::uint32_t stride = (width * 3 + 3) & ~3u, size = 54 + stride * height;
    std::string b(size, '\x40');
    auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B', b[1] = 'M';
    put(2, size, 4);
    put(6, 0, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(30, 0, 4);
    put(34, stride * height, 4);
    for (int i = 38; i < 54; ++i) b[i] = 0;
    return b;
}

class KitFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kitcheck-kit.XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& name, const std::string& bytes) const {
        std::filesystem::path path = std::filesystem::path(dir_) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // The program's exit status, and what it printed on its standard output.
    int Run(const std::string& arguments, std::string* output = nullptr) const {
        std::string text;
        std::FILE* pipe = popen((std::string(KITCHECK_PROGRAM) + " " + arguments + " 2>/dev/null").c_str(), "r");
        char chunk[4096];
        std::size_t count;
        while ((count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, count);
        int status = pclose(pipe);
        if (output) *output = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir_;
};
