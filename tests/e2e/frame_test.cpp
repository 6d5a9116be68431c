// The frame window: configuration from the kit folder, the slideshow, the
// close question and the centring of the pages.
#include <algorithm>
#include <cmath>

#include "tests/e2e/harness.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

// The background colours seen over a while, each with how long it stayed;
// repaints can show the erased background for a moment, so colours seen
// for less than 60 ms are left out.
struct Seen {
    COLORREF color;
    int milliseconds;
};

std::vector<Seen> Watch(const Launcher& launcher, int milliseconds) {
    std::vector<Seen> seen;
    auto start = std::chrono::steady_clock::now();
    auto last = start;
    COLORREF current = CLR_INVALID;
    for (;;) {
        auto now = std::chrono::steady_clock::now();
        COLORREF color = launcher.ClientPixel();
        int elapsed = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count());
        if (color != current) {
            if (current != CLR_INVALID) seen.push_back({current, elapsed});
            current = color;
            last = now;
        }
        if (now - start > std::chrono::milliseconds(milliseconds)) {
            seen.push_back({current, elapsed});
            break;
        }
        Sleep(10);
    }
    std::vector<Seen> kept;
    for (const Seen& s : seen) {
        if (s.milliseconds < 60) continue;
        if (!kept.empty() && kept.back().color == s.color)
            kept.back().milliseconds += s.milliseconds;
        else
            kept.push_back(s);
    }
    return kept;
}

std::string Names(const std::vector<Seen>& seen) {
    std::string names;
    for (const Seen& s : seen)
        names += s.color == kRed ? 'R' : s.color == kGreen ? 'G' : s.color == kBlue ? 'B' : '?';
    return names;
}

void ThreeColours(const Kit& kit, const char* extension = "bmp") {
    kit.Bitmap(std::string("image1.") + extension, kRed);
    kit.Bitmap(std::string("image2.") + extension, kGreen);
    kit.Bitmap(std::string("image3.") + extension, kBlue);
}

TEST(Frame, ReadsTheKitFolderItIsStartedIn) {
    Kit kit;
    kit.Ini("[SETUP32]\r\nNROIMG=1\r\nTIPOIMG=dib\r\n");
    kit.Bitmap("image1.dib", kGreen);
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    EXPECT_SOON(launcher.ClientPixel() == kGreen);
    EXPECT_TRUE(launcher.Visible(launcher.Page("frmini")));
    ASSERT_NE(launcher.Page("frmIE"), nullptr);  // created at start-up, hidden
    EXPECT_FALSE(launcher.Visible(launcher.Page("frmIE")));
}

TEST(Frame, WithoutSetupIniShowsImage1Bmp) {
    Kit kit;
    kit.Bitmap("image1.bmp", kBlue);
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    EXPECT_SOON(launcher.ClientPixel() == kBlue);
}

TEST(Frame, SlideshowShowsPictureOneTwiceThenCycles) {
    Kit kit;
    kit.Ini("[Setup32]\r\nnroimg=3\r\ntempo=700\r\n");
    ThreeColours(kit);
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    WAIT_FOR(launcher.ClientPixel() == kRed);
    std::vector<Seen> seen = Watch(launcher, 5500);
    std::string names = Names(seen);
    ASSERT_GE(names.size(), 6u) << names;
    EXPECT_EQ(names.substr(0, 6), "RGBRGB");
    // Picture 1 stays for two intervals at the start only.
    std::vector<int> later;
    for (std::size_t i = 1; i + 1 < seen.size(); ++i) later.push_back(seen[i].milliseconds);
    std::sort(later.begin(), later.end());
    EXPECT_GT(seen[0].milliseconds, later[later.size() / 2] * 6 / 5) << "first " << seen[0].milliseconds;
}

TEST(Frame, TempoZeroFreezesTheFirstPicture) {
    Kit kit;
    kit.Ini("[Setup32]\r\nnroimg=3\r\ntempo=0\r\n");
    ThreeColours(kit);
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    WAIT_FOR(launcher.ClientPixel() == kRed);
    EXPECT_EQ(Names(Watch(launcher, 2500)), "R");
}

TEST(Frame, JpegAndGifPictures) {
    for (const char* type : {"jpg", "gif"}) {
        SCOPED_TRACE(type);
        Kit kit;
        kit.Ini(std::string("[Setup32]\r\nnroimg=2\r\ntipoimg=") + type + "\r\ntempo=300\r\n");
        kit.Fixture(std::string("red.") + type, std::string("image1.") + type);
        kit.Fixture(std::string("blue.") + type, std::string("image2.") + type);
        Launcher launcher(kit);
        ASSERT_TRUE(launcher.started());
        auto reddish = [&] {
            COLORREF c = launcher.ClientPixel();
            return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60;
        };
        auto bluish = [&] {
            COLORREF c = launcher.ClientPixel();
            return GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60;
        };
        EXPECT_SOON(reddish());
        EXPECT_SOON(bluish());
        EXPECT_SOON(reddish());
    }
}

TEST(Frame, BrokenPicturesAreSkipped) {
    Kit kit;
    kit.Ini("[Setup32]\r\nnroimg=4\r\ntempo=300\r\n");
    kit.Bitmap("image1.bmp", kRed);
    kit.Bitmap("image2.bmp", kGreen);
    kit.Bitmap("image3.bmp", kBlue);
    {
        // image2 loses its last 100 bytes, image3 is empty.
        HANDLE file = CreateFileA(kit.Path("image2.bmp").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFilePointer(file, -100, nullptr, FILE_END);
        SetEndOfFile(file);
        CloseHandle(file);
        CloseHandle(CreateFileA(kit.Path("image3.bmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    kit.Fixture("red.jpg", "image4.bmp");  // a JPEG named .bmp is shown all the same
    kit.Bitmap("imgini.bmp", kBlue, 10, 10);
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    std::string names = Names(Watch(launcher, 3000));
    EXPECT_EQ(names.find_first_of("GB"), std::string::npos) << names;
    EXPECT_FALSE(launcher.Box());
    EXPECT_FALSE(launcher.Ended(0));
}

TEST(Frame, CloseQuestionNoKeepsEverythingYesEnds) {
    Kit kit;
    kit.Ini("[Setup32]\r\nnroimg=2\r\ntempo=300\r\n");
    ThreeColours(kit);
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    PostMessageA(launcher.frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
    WAIT_FOR(launcher.Box());
    EXPECT_EQ(WindowText(launcher.Box()), "QOBSetup - Cancelamento da instalação");
    EXPECT_EQ(launcher.BoxText(), "Você realmente deseja encerrar a instalação?");
    EXPECT_EQ(launcher.BoxButtons(), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(launcher.BoxDefault(), IDNO);
    launcher.Answer(IDNO);
    WAIT_FOR(!launcher.Box());
    EXPECT_FALSE(launcher.Ended(300));
    EXPECT_TRUE(launcher.Visible(launcher.Page("frmini")));
    EXPECT_SOON(launcher.ClientPixel() == kGreen);  // the slideshow goes on
    EXPECT_SOON(launcher.ClientPixel() == kRed);

    PostMessageA(launcher.frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
    WAIT_FOR(launcher.Box());
    launcher.Answer(IDYES);
    EXPECT_TRUE(launcher.Ended());
}

TEST(Frame, ACloseByAnotherProgramAsksNothing) {
    Kit kit;
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    PostMessageA(launcher.frame(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(launcher.Ended());
}

// (outer size of the frame - outer size of the page) / 2, in twips, as pixels.
int Centred(int frame, int page) {
    float twips = (static_cast<float>(frame) * 15 - static_cast<float>(page) * 15) / 2.0f;
    return static_cast<int>(std::floor(twips / 15 + 0.5));
}

TEST(Frame, ResizeCentresBothPages) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96) << "the expectations are in pixels at 96 dpi";
    ReleaseDC(nullptr, screen);
    Kit kit;
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    for (SIZE size : {SIZE{800, 700}, SIZE{700, 500}, SIZE{300, 200}}) {
        SCOPED_TRACE(std::to_string(size.cx) + " x " + std::to_string(size.cy));
        SetWindowPos(launcher.frame(), nullptr, 20, 20, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        RECT frame;
        GetWindowRect(launcher.frame(), &frame);
        for (const char* name : {"frmini", "frmIE"}) {
            HWND page = launcher.Page(name);
            RECT outer;
            GetWindowRect(page, &outer);
            int top = Centred(frame.bottom - frame.top, outer.bottom - outer.top);
            int left = Centred(frame.right - frame.left, outer.right - outer.left);
            EXPECT_SOON(launcher.RectIn(page, launcher.client()).top == top) << name;
            EXPECT_SOON(launcher.RectIn(page, launcher.client()).left == left) << name;
        }
    }
    RECT small = launcher.RectIn(launcher.Page("frmIE"), launcher.client());
    EXPECT_LT(small.top, 0);
    EXPECT_LT(small.left, 0);
}

}  // namespace
