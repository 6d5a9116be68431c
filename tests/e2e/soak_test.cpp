// A long slideshow: twenty pictures every 50 ms. The launcher must stay
// alive and answering and keep changing its background; scripts/soak.sh
// reads its memory and handles from outside meanwhile.
#include <cstdio>
#include <set>

#include "tests/e2e/harness.h"

namespace {

TEST(Soak, SlideshowOfTwentyPicturesEvery50ms) {
    int duration = 60;
    char value[32];
    if (GetEnvironmentVariableA("SETUP32_SOAK_SECONDS", value, sizeof value)) duration = atoi(value);

    Kit kit;
    kit.Ini("[Setup32]\r\nnroimg=20\r\ntempo=50\r\n");
    for (int i = 1; i <= 20; ++i)
        kit.Bitmap("image" + std::to_string(i) + ".bmp", RGB(i * 12, 255 - i * 12, (i * 53) % 256));
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    std::printf("soak: started\n");
    std::fflush(stdout);

    auto start = std::chrono::steady_clock::now();
    for (int next = 5; next <= duration; next += 5) {
        std::set<COLORREF> colours;
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(next)) {
            colours.insert(launcher.ClientPixel());
            Sleep(20);
        }
        ASSERT_FALSE(launcher.Ended(0)) << "the launcher ended before " << next << " s";
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(launcher.frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
            << "the launcher stopped answering before " << next << " s";
        EXPECT_GE(colours.size(), 10u) << "the slideshow stood still before " << next << " s";
    }
}

}  // namespace
