// The process error mode around the launcher's own file reads: Windows
// answers a read from a drive with no disc (a CD taken out) with a box of its
// own unless SEM_FAILCRITICALERRORS is set, and a program started later
// inherits the mode, so it is set for the read and put back right after.
//
// Wine shows no such box, so the calls themselves are observed: this
// program's imports of CreateFileA and ReadFile (which the picture code,
// linked in, calls) are pointed at functions that record the error mode at
// the open and during the read, and can fail as a drive without a disc does.
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/forms/win32/picture.h"
#include "tests/wine/imports.h"

namespace {

// The error mode without changing it (GetErrorMode came with Windows Vista).
UINT CurrentMode() {
    const UINT mode = SetErrorMode(0);
    SetErrorMode(mode);
    return mode;
}

enum class Fail { None, Open, Read };

struct Observed {
    bool watching = false;
    Fail fail = Fail::None;
    std::vector<UINT> atOpen, duringRead;
} observed;

decltype(&CreateFileA) realCreateFileA = nullptr;
decltype(&ReadFile) realReadFile = nullptr;

HANDLE WINAPI WatchedCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (observed.watching) {
        observed.atOpen.push_back(CurrentMode());
        if (observed.fail == Fail::Open) {
            SetLastError(ERROR_NOT_READY);  // "The device is not ready": no disc in the drive
            return INVALID_HANDLE_VALUE;
        }
    }
    return realCreateFileA(name, access, share, security, disposition, flags, templateFile);
}

BOOL WINAPI WatchedReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    if (observed.watching) {
        observed.duringRead.push_back(CurrentMode());
        if (observed.fail == Fail::Read) {
            if (read) *read = 0;
            SetLastError(ERROR_NOT_READY);  // the disc taken out after the open
            return FALSE;
        }
    }
    return realReadFile(file, buffer, size, read, overlapped);
}

void* Redirect(const char* function, void* to) { return RedirectImport("kernel32.dll", function, to); }

class ErrorMode : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        realCreateFileA = reinterpret_cast<decltype(&CreateFileA)>(
            Redirect("CreateFileA", reinterpret_cast<void*>(&WatchedCreateFileA)));
        realReadFile =
            reinterpret_cast<decltype(&ReadFile)>(Redirect("ReadFile", reinterpret_cast<void*>(&WatchedReadFile)));
    }
    static void TearDownTestSuite() {
        if (realCreateFileA) Redirect("CreateFileA", reinterpret_cast<void*>(realCreateFileA));
        if (realReadFile) Redirect("ReadFile", reinterpret_cast<void*>(realReadFile));
    }

    void SetUp() override {
        ASSERT_NE(realCreateFileA, nullptr);
        ASSERT_NE(realReadFile, nullptr);
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        picture_ = std::string(folder) + "setup32-error-mode.bmp";
        // A 2 x 2 24-bit bitmap: rows of 6 bytes of colour and 2 of padding.
        BITMAPFILEHEADER file{};
        BITMAPINFOHEADER info{};
        info.biSize = sizeof info;
        info.biWidth = info.biHeight = 2;
        info.biPlanes = 1;
        info.biBitCount = 24;
        info.biSizeImage = 16;
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info;
        file.bfSize = file.bfOffBits + info.biSizeImage;
        const char rows[16] = {'\xFF', 0, 0, 0, '\xFF', 0, 0, 0, 0, 0, '\xFF', 0, '\x7F', '\x7F', 0, 0};
        std::ofstream out(picture_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info), sizeof info);
        out.write(rows, sizeof rows);
        out.close();
        before_ = SetErrorMode(SEM_NOOPENFILEERRORBOX);  // a mode of the process's own, to be kept
        observed = Observed{};
    }
    void TearDown() override {
        observed.watching = false;
        SetErrorMode(before_);
        DeleteFileA(picture_.c_str());
    }

    std::unique_ptr<Picture> Load(const std::string& path, Fail fail) {
        observed.fail = fail;
        observed.watching = true;
        std::unique_ptr<Picture> picture = Picture::Load(path, RGB(255, 255, 255));
        observed.watching = false;
        return picture;
    }

    static void ExpectCriticalErrorsFailed(const std::vector<UINT>& modes, const char* when) {
        for (UINT mode : modes)
            EXPECT_TRUE(mode & SEM_FAILCRITICALERRORS) << when << ": mode " << mode;
    }

    std::string picture_;
    UINT before_ = 0;
};

TEST_F(ErrorMode, SetDuringASuccessfulReadAndPutBackAfter) {
    std::unique_ptr<Picture> picture = Load(picture_, Fail::None);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width(), 2);
    ASSERT_EQ(observed.atOpen.size(), 1u);
    ASSERT_EQ(observed.duringRead.size(), 1u);
    ExpectCriticalErrorsFailed(observed.atOpen, "at the open");
    ExpectCriticalErrorsFailed(observed.duringRead, "during the read");
    EXPECT_EQ(CurrentMode(), UINT{SEM_NOOPENFILEERRORBOX});
}

TEST_F(ErrorMode, PutBackAfterAnOpenThatFails) {
    EXPECT_EQ(Load(picture_, Fail::Open), nullptr);
    ASSERT_EQ(observed.atOpen.size(), 1u);
    ExpectCriticalErrorsFailed(observed.atOpen, "at the open");
    EXPECT_TRUE(observed.duringRead.empty());
    EXPECT_EQ(CurrentMode(), UINT{SEM_NOOPENFILEERRORBOX});
}

TEST_F(ErrorMode, PutBackAfterAReadThatFails) {
    EXPECT_EQ(Load(picture_, Fail::Read), nullptr);
    ASSERT_EQ(observed.duringRead.size(), 1u);
    ExpectCriticalErrorsFailed(observed.duringRead, "during the read");
    EXPECT_EQ(CurrentMode(), UINT{SEM_NOOPENFILEERRORBOX});
}

TEST_F(ErrorMode, PutBackAfterAMissingFileAndWhenItWasNone) {
    SetErrorMode(0);  // as a program started from Explorer has it
    EXPECT_EQ(Load(picture_ + ".missing", Fail::None), nullptr);
    ASSERT_EQ(observed.atOpen.size(), 1u);
    ExpectCriticalErrorsFailed(observed.atOpen, "at the open");
    EXPECT_EQ(CurrentMode(), 0u);
}

}  // namespace
