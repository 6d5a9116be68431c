// Any file offered as a JPEG, through the launcher's load as the window
// thread makes it (read from a source in pieces, from a block of exactly
// the file's size, so that a read past it is seen) and through
// libjpeg-turbo's accurate decode: the launcher must not crash, hang or read
// past the file, and where both decode a stream libjpeg-turbo finds whole
// (no warning: no damaged entropy data, no premature end, nothing between
// markers) whose samples stay in range (jpeg_compare.h: none so far outside
// 0..255 that decoders part ways, libjpeg wrapping them round where others
// clamp), the pixels agree within 42 dB PSNR. Where stb_image 2.27 read
// such a stream otherwise than libjpeg-turbo (the colours of an Adobe
// marker a bit away from its name, the upsampling at the edge of a picture
// a pixel wide, a progressive scan), the launcher may show what it showed
// before, stb_image's pixels (pictures/tests/stb_jpeg.h).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "pictures/tests/jpeg_compare.h"
#include "pictures/tests/launcher_rgb.h"
#include "pictures/tests/stb_jpeg.h"

namespace {

constexpr double kLeastPsnr = 42.0;
// Compared only up to this size: a file of a few bytes may claim 4096 x 4096
// pixels, which the three decodes would take seconds over.
constexpr std::int64_t kMostCompared = 1024 * 1024;

bool Agree(const RgbPicture& a, const RgbPicture& b) {
    return a.width == b.width && a.height == b.height && Psnr(a, b) >= kLeastPsnr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) return 0;
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[size]);
    for (std::size_t i = 0; i < size; ++i) exact[i] = data[i];
    RgbPicture ours;
    if (!LauncherDecode(exact.get(), size, 1 + size % 61, ours)) return 0;
    if (static_cast<std::int64_t>(ours.width) * ours.height > kMostCompared) return 0;
    RgbPicture reference;
    int warnings = 0;
    bool inRange = false;
    if (!LibjpegDecode(exact.get(), size, reference, warnings, &inRange) || !inRange) return 0;
    if (Agree(ours, reference)) return 0;
    RgbPicture before;
    if (StbJpeg(exact.get(), size, before.width, before.height, before.rgb) && Agree(ours, before)) return 0;
    __builtin_trap();  // other pixels than libjpeg-turbo's, and than the launcher's before
}
