// JPEG (baseline and progressive, grey and colour) and GIF (87a and 89a,
// interlaced; the first frame) through stb_image, as Debian's libstb-dev
// ships it: only these two formats, reading from memory only, no SIMD, no
// thread-local storage, its blocks from malloc, which the launcher's own
// runtime takes from the process heap.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_NO_THREAD_LOCALS
#define STBI_NO_FAILURE_STRINGS
#include <stb_image.h>

#include <utility>

#include "pictures/dib.h"
#include "pictures/picture_format.h"

bool DecodeJpegOrGif(const std::uint8_t* data, std::size_t size, PictureColor behind, Dib& out) {
    if (size == 0 || size > kMaxPictureFileSize) return false;
    const bool gif = size >= 3 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F';
    const int channels = gif ? 4 : 3;
    int width = 0, height = 0, inFile = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &inFile, channels);
    if (!pixels) return false;
    Dib dib;
    const bool ok = MakeDib(width, height, 24, 0, dib);
    if (ok) {
        const unsigned back[3] = {(behind >> 16) & 0xFF, (behind >> 8) & 0xFF, behind & 0xFF};  // blue, green, red
        const std::size_t w = static_cast<std::size_t>(width);
        for (int y = 0; y < height; ++y) {
            const stbi_uc* from = pixels + static_cast<std::size_t>(y) * w * channels;
            std::uint8_t* to = dib.bytes.data() + dib.bitsOffset() + dib.stride() * static_cast<std::size_t>(height - 1 - y);
            for (std::size_t x = 0; x < w; ++x, from += channels, to += 3) {
                const unsigned alpha = gif ? from[3] : 255u;
                for (int c = 0; c < 3; ++c)
                    to[c] = static_cast<std::uint8_t>((from[2 - c] * alpha + back[c] * (255u - alpha) + 127u) / 255u);
            }
        }
    }
    stbi_image_free(pixels);
    if (ok) out = std::move(dib);
    return ok;
}
